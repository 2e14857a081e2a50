#include "win32/support/pattern_window.h"

#include <algorithm>
#include <utility>

namespace kest::testing {

namespace {

constexpr wchar_t kClass[] = L"KestTestPattern";

std::uint32_t Bgrx(COLORREF colour) {
    return static_cast<std::uint32_t>(GetBValue(colour)) | static_cast<std::uint32_t>(GetGValue(colour)) << 8 |
           static_cast<std::uint32_t>(GetRValue(colour)) << 16;
}

}  // namespace

PatternWindow::PatternWindow(RECT place, Picture picture, bool topmost)
    : picture_(std::move(picture)), width_(place.right - place.left), height_(place.bottom - place.top) {
    static const bool registered = [] {
        WNDCLASSW type{};
        type.lpfnWndProc = Procedure;
        type.hInstance = GetModuleHandleW(nullptr);
        type.lpszClassName = kClass;
        return RegisterClassW(&type) != 0;
    }();
    (void)registered;
    Render();
    window_ = CreateWindowExW(topmost ? WS_EX_TOPMOST : 0, kClass, L"pattern", WS_POPUP | WS_VISIBLE, place.left,
                              place.top, width_, height_, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    UpdateWindow(window_);
}

PatternWindow::~PatternWindow() {
    if (window_) DestroyWindow(window_);
}

void PatternWindow::MoveTo(POINT corner) {
    SetWindowPos(window_, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Repaint();
}

void PatternWindow::Repaint() { RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); }

void PatternWindow::Update() {
    const std::vector<std::uint32_t> before = pixels_;
    Render();
    RECT changed{width_, height_, 0, 0};
    for (int y = 0; y < height_; ++y) {
        for (int x = 0; x < width_; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * width_ + x;
            if (pixels_[at] == before[at]) continue;
            changed = {std::min<LONG>(changed.left, x), std::min<LONG>(changed.top, y),
                       std::max<LONG>(changed.right, x + 1), std::max<LONG>(changed.bottom, y + 1)};
        }
    }
    if (changed.left < changed.right) RedrawWindow(window_, &changed, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void PatternWindow::Render() {
    pixels_.resize(static_cast<std::size_t>(width_) * height_);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) pixels_[static_cast<std::size_t>(y) * width_ + x] = Bgrx(picture_(x, y));
}

LRESULT CALLBACK PatternWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<PatternWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message != WM_PAINT || !self) return DefWindowProcW(window, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = self->width_;
    info.bmiHeader.biHeight = -self->height_;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    SetDIBitsToDevice(dc, 0, 0, self->width_, self->height_, 0, 0, 0, self->height_, self->pixels_.data(), &info,
                      DIB_RGB_COLORS);
    EndPaint(window, &paint);
    return 0;
}

}  // namespace kest::testing

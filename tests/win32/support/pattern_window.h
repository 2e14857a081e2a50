// A window that shows a known picture at a known place on the screen, for recordings to be
// compared with: the picture is a colour for each of its pixels, so a decoded frame is checked
// against the very function that painted it; one that changes (a clock) is painted again. It
// stands for another program's window, so it lives on a thread of its own: the recorder keeps
// its own thread's windows out of what it records.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace kest::testing {

class PatternWindow {
public:
    using Picture = std::function<COLORREF(int x, int y)>;  // window pixels from its top left

    // Shown and painted at once at `place` (screen pixels). Not topmost when a window of the
    // program must be able to cover it (the area overlay).
    PatternWindow(RECT place, Picture picture, bool topmost = true)
        : picture_(std::move(picture)), width_(place.right - place.left), height_(place.bottom - place.top) {
        static const ATOM type = [] {
            WNDCLASSW type{};
            type.lpfnWndProc = Procedure;
            type.hInstance = GetModuleHandleW(nullptr);
            type.lpszClassName = L"KestTestPattern";
            return RegisterClassW(&type);
        }();
        Render();
        std::promise<HWND> shown;
        std::future<HWND> window = shown.get_future();
        thread_ = std::thread([this, place, topmost, shown = std::move(shown)]() mutable {
            // Never active: the recorder's windows keep the keyboard.
            HWND window = CreateWindowExW(WS_EX_NOACTIVATE | (topmost ? WS_EX_TOPMOST : 0), MAKEINTATOM(type),
                                          L"pattern", WS_POPUP | WS_VISIBLE, place.left, place.top, width_, height_,
                                          nullptr, nullptr, GetModuleHandleW(nullptr), this);
            UpdateWindow(window);
            shown.set_value(window);
            MSG message;
            while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
        });
        window_ = window.get();
    }
    ~PatternWindow() {
        PostMessageW(window_, WM_CLOSE, 0, 0);
        thread_.join();
    }
    PatternWindow(const PatternWindow&) = delete;
    PatternWindow& operator=(const PatternWindow&) = delete;

    void MoveTo(POINT corner) {
        SetWindowPos(window_, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        Repaint();
    }
    // Asks the picture again and paints it at once, all of it or the `part` that changed. All of
    // it after a dialog closed over it too: without a window manager, what a closed window
    // uncovers is not always repainted by the window below.
    void Repaint(const RECT* part = nullptr) {
        {
            std::lock_guard<std::mutex> lock(pixelsLock_);
            Render();
        }
        RedrawWindow(window_, part, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    }

    // Pixels of a decoded frame (rows of blue, green, red, alpha, `width` wide) that differ from
    // the picture, whose top left lies at `at` in the frame; outside it, and in `except`, nothing
    // is judged.
    int Differences(const std::vector<std::uint8_t>& bgra, int width, POINT at = {}, RECT except = {}) const {
        int wrong = 0;
        for (std::size_t i = 0; i + 4 <= bgra.size(); i += 4) {
            const POINT in{static_cast<LONG>(i / 4 % width), static_cast<LONG>(i / 4 / width)};
            const int x = in.x - at.x, y = in.y - at.y;
            if (x < 0 || y < 0 || x >= width_ || y >= height_ || PtInRect(&except, in)) continue;
            wrong += RGB(bgra[i + 2], bgra[i + 1], bgra[i]) != picture_(x, y);
        }
        return wrong;
    }

private:
    void Render() {
        pixels_.clear();
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const COLORREF colour = picture_(x, y);
                pixels_.push_back(GetBValue(colour) | GetGValue(colour) << 8 | GetRValue(colour) << 16);
            }
        }
    }
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
        }
        auto* self = reinterpret_cast<PatternWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_DESTROY) PostQuitMessage(0);
        if (message != WM_PAINT || !self) return DefWindowProcW(window, message, wParam, lParam);
        std::lock_guard<std::mutex> lock(self->pixelsLock_);
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

    Picture picture_;
    int width_, height_;
    std::mutex pixelsLock_;
    std::vector<std::uint32_t> pixels_;  // top-down rows of blue, green, red, unused
    std::thread thread_;
    HWND window_ = nullptr;
};

}  // namespace kest::testing

#include "platform/win32/win32_window.h"

#include <windowsx.h>

#include <cmath>

#include "platform/win32/gdi.h"

namespace kest::platform::win32 {

int Pixels(std::int32_t twips) { return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel)); }

std::int32_t Twips(int pixels) { return pixels * kTwipsPerPixel; }

HINSTANCE ModuleInstance() { return GetModuleHandleW(nullptr); }

namespace {
constexpr int kDesignDpi = 96;
}  // namespace

int SystemDpi() {
    static const int dpi = [] {
        const int value = GetDeviceCaps(WindowDC(nullptr).get(), LOGPIXELSY);
        return value > 0 ? value : kDesignDpi;
    }();
    return dpi;
}

int ToDesign(int pixels) { return MulDiv(pixels, kDesignDpi, SystemDpi()); }

// The windows are laid out in pixels, skin and text boxes alike; the system's own font grows with
// the display's scaling and would spill out of them (a title cut by the caption's edge, menu
// titles taller than their strip). The same face at its 96-dpi size fits them at any scaling.
HFONT UiFont() {
    static const HFONT font = [] {
        LOGFONTW design{};
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof design, &design);
        design.lfHeight = ToDesign(design.lfHeight);
        design.lfWidth = ToDesign(design.lfWidth);
        return CreateFontIndirectW(&design);
    }();
    return font;
}

namespace {

std::int16_t ShiftState(WPARAM keys) {
    std::int16_t shift = 0;
    if (keys & MK_SHIFT) shift |= kShiftMask;
    if (keys & MK_CONTROL) shift |= kCtrlMask;
    if (GetKeyState(VK_MENU) < 0) shift |= kAltMask;
    return shift;
}

std::int16_t HeldButtons(WPARAM keys) {
    std::int16_t held = 0;
    if (keys & MK_LBUTTON) held |= kLeftButton;
    if (keys & MK_RBUTTON) held |= kRightButton;
    if (keys & MK_MBUTTON) held |= kMiddleButton;
    return held;
}

}  // namespace

std::optional<MouseMessage> DecodeMouse(UINT message, WPARAM wParam, LPARAM lParam) {
    MouseMessage mouse{MouseMessage::Move,      0, ShiftState(wParam), 0, 0, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam),
                       HeldButtons(wParam) != 0};
    mouse.x = static_cast<float>(Twips(mouse.pixelX));
    mouse.y = static_cast<float>(Twips(mouse.pixelY));
    const auto as = [&mouse](MouseMessage::Kind kind, std::int16_t button) {
        mouse.kind = kind;
        mouse.button = button;
        return mouse;
    };
    switch (message) {
        case WM_MOUSEMOVE: return as(MouseMessage::Move, HeldButtons(wParam));
        case WM_LBUTTONDOWN: return as(MouseMessage::Down, kLeftButton);
        case WM_RBUTTONDOWN: return as(MouseMessage::Down, kRightButton);
        case WM_MBUTTONDOWN: return as(MouseMessage::Down, kMiddleButton);
        case WM_LBUTTONUP: return as(MouseMessage::Up, kLeftButton);
        case WM_RBUTTONUP: return as(MouseMessage::Up, kRightButton);
        case WM_MBUTTONUP: return as(MouseMessage::Up, kMiddleButton);
        case WM_LBUTTONDBLCLK: return as(MouseMessage::DoubleClick, kLeftButton);
        case WM_RBUTTONDBLCLK: return as(MouseMessage::DoubleClick, kRightButton);
        case WM_MBUTTONDBLCLK: return as(MouseMessage::DoubleClick, kMiddleButton);
        default: return std::nullopt;
    }
}

bool RaiseMouse(const MouseMessage& mouse, const MouseHandler& down, const MouseHandler& up, const MouseHandler& move) {
    const MouseHandler& handler = mouse.kind == MouseMessage::Down ? down : mouse.kind == MouseMessage::Up ? up : move;
    if (mouse.kind == MouseMessage::DoubleClick || !handler) return false;
    handler(mouse.button, mouse.shift, mouse.x, mouse.y);
    return true;
}

Window* Window::FromHandle(HWND hwnd) {
    return hwnd ? reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)) : nullptr;
}

Window::~Window() { Destroy(); }

void Window::RegisterWindowClass(const wchar_t* name, UINT style, HCURSOR cursor, HICON icon, HBRUSH background) {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    if (GetClassInfoExW(ModuleInstance(), name, &cls)) return;
    cls.style = style;
    cls.lpfnWndProc = Procedure;
    cls.hInstance = ModuleInstance();
    cls.hCursor = cursor;
    cls.hIcon = icon;
    cls.hbrBackground = background;
    cls.lpszClassName = name;
    RegisterClassExW(&cls);
}

HWND Window::Create(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y, int width,
                    int height, HWND parent) {
    // The handle is bound during WM_NCCREATE, before CreateWindowExW returns it.
    CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, nullptr, ModuleInstance(), this);
    return hwnd_;
}

void Window::Destroy() {
    const HWND hwnd = hwnd_;
    if (!hwnd) return;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    DestroyWindow(hwnd);
}

LRESULT CALLBACK Window::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    Window* self = FromHandle(hwnd);
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message != WM_NCDESTROY) {
        try {
            return self->HandleMessage(message, wParam, lParam);
        } catch (...) {
            // Nothing may unwind through the system's frames. A handler that failed leaves the
            // message to the default procedure, as if the window had no handler for it, except a
            // close: that would destroy the window whose question failed, so the window stays.
            // The object may be gone by now; only the handle is used.
            return message == WM_CLOSE ? 0 : DefWindowProcW(hwnd, message, wParam, lParam);
        }
    }
    // The last message: the object lets go of the handle before anything else can use it.
    const LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    try {
        self->Destroyed(hwnd);
    } catch (...) {
        // The window is gone either way; the default procedure has answered already.
    }
    return result;
}

}  // namespace kest::platform::win32

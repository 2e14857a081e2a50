#include "platform/win32/win32_controls.h"

#include "platform/win32/text.h"

namespace kest::platform::win32 {

namespace {

LPCWSTR CursorFor(std::int16_t pointer) {
    switch (pointer) {
        case kPointerSizeNESW: return IDC_SIZENESW;
        case kPointerSizeNS: return IDC_SIZENS;
        case kPointerSizeNWSE: return IDC_SIZENWSE;
        case kPointerSizeWE: return IDC_SIZEWE;
        default: return IDC_ARROW;
    }
}

}  // namespace

// ---- shared control behaviour ----

void ControlWindow::CreateControl(HWND parent, Rect b, const wchar_t* className) {
    Create(0, className, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, Pixels(b.left), Pixels(b.top),
           Pixels(b.right - b.left), Pixels(b.bottom - b.top), parent);
    // As in a form designer, a control added later lies above those added before it.
    RaiseToTop();
}

Rect ControlWindow::Bounds() const {
    RECT r{};
    if (!Hwnd() || !GetWindowRect(Hwnd(), &r)) return {};
    MapWindowPoints(HWND_DESKTOP, GetAncestor(Hwnd(), GA_PARENT), reinterpret_cast<POINT*>(&r), 2);
    return {Twips(r.left), Twips(r.top), Twips(r.right), Twips(r.bottom)};
}

void ControlWindow::MoveTo(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
    SetWindowPos(Hwnd(), nullptr, Pixels(left), Pixels(top), std::max(0, Pixels(width)), std::max(0, Pixels(height)),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void ControlWindow::SetPointer(std::int16_t pointer) {
    pointer_ = pointer;
    POINT at{};
    GetCursorPos(&at);
    if (Hwnd() && (GetCapture() == Hwnd() || WindowFromPoint(at) == Hwnd())) {
        SetCursor(LoadCursorW(nullptr, CursorFor(pointer_)));
    }
}

bool ControlWindow::HandleMouse(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_SETCURSOR) {
        if (LOWORD(lParam) != HTCLIENT) return false;
        SetCursor(LoadCursorW(nullptr, CursorFor(pointer_)));
        result = TRUE;
        return true;
    }
    const std::optional<MouseMessage> mouse = DecodeMouse(message, wParam, lParam);
    if (!mouse) return false;
    result = 0;
    const HWND self = Hwnd();
    switch (mouse->kind) {
        case MouseMessage::Move:
            if (events_.MouseMove) events_.MouseMove(mouse->button, mouse->shift, mouse->x, mouse->y);
            return true;
        case MouseMessage::DoubleClick:
            if (events_.DblClick) events_.DblClick();
            return true;
        case MouseMessage::Down:
            // A press: the control follows the mouse until the button comes up, wherever it goes.
            pressed_ = true;
            if (GetCapture() != self) SetCapture(self);
            if (events_.MouseDown) events_.MouseDown(mouse->button, mouse->shift, mouse->x, mouse->y);
            return true;
        case MouseMessage::Up: {
            const bool click = pressed_;
            pressed_ = false;
            // The control took the mouse when the button went down; it lets go once none is held.
            if (!mouse->anyButtonHeld && GetCapture() == self) ReleaseCapture();
            if (events_.MouseUp) events_.MouseUp(mouse->button, mouse->shift, mouse->x, mouse->y);
            if (!IsWindow(self) || Hwnd() != self) return true;  // the handler closed the window
            RECT client{};
            GetClientRect(self, &client);
            if (click && PtInRect(&client, POINT{mouse->pixelX, mouse->pixelY}) && events_.Click) events_.Click();
            return true;
        }
    }
    return false;
}

// ---- labels ----

namespace {

// A caption drawn over whatever its container shows beneath it.
class Win32Label final : public Label, public ControlWindow {
public:
    Win32Label(HWND parent, Rect bounds, const Text& caption)
        : ControlWindow(static_cast<Control&>(*this)), caption_(caption) {
        CreateControl(parent, bounds, kLabelClass);
    }
    ~Win32Label() override { Destroy(); }

    Handle Hwnd() const override { return reinterpret_cast<Handle>(ControlWindow::Hwnd()); }
    Rect BoundsTwips() const override { return Bounds(); }
    void Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override {
        MoveTo(left, top, width, height);
        InvalidateRect(ControlWindow::Hwnd(), nullptr, FALSE);
    }
    void SetVisible(bool visible) override { ShowControl(visible); }
    bool Visible() const override { return IsShown(); }
    void ZOrderTop() override { RaiseToTop(); }
    void SetMousePointer(std::int16_t pointer) override { SetPointer(pointer); }
    std::int16_t MousePointer() const override { return Pointer(); }
    void SetCaption(const Text& caption) override {
        caption_ = caption;
        InvalidateRect(ControlWindow::Hwnd(), nullptr, FALSE);
    }
    Text Caption() const override { return caption_; }

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        LRESULT result = 0;
        if (HandleMouse(message, wParam, lParam, result)) return result;
        if (message == WM_ERASEBKGND) return 1;
        if (message != WM_PAINT) return Default(message, wParam, lParam);
        const HWND hwnd = ControlWindow::Hwnd();
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        const HWND parent = GetAncestor(hwnd, GA_PARENT);
        RECT area{};
        GetWindowRect(hwnd, &area);
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&area), 2);
        const Window* under = Window::FromHandle(parent);
        if (!under || !under->PaintBeneath(dc, area)) {
            RECT client{};
            GetClientRect(hwnd, &client);
            FillRect(dc, &client, reinterpret_cast<HBRUSH>(GetClassLongPtrW(parent, GCLP_HBRBACKGROUND)));
        }
        {
            const Selection font(dc, UiFont());
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
            TextOutW(dc, 0, 0, Wide(caption_), static_cast<int>(caption_.size()));
        }
        EndPaint(hwnd, &paint);
        return 0;
    }

    Text caption_;
};

}  // namespace

void RegisterControlClasses() {
    // Each control sets its own pointer, so the classes have none.
    Window::RegisterWindowClass(kPictureClass, CS_DBLCLKS, nullptr, nullptr, nullptr);
    Window::RegisterWindowClass(kLabelClass, CS_DBLCLKS, nullptr, nullptr, nullptr);
}

std::unique_ptr<Label> MakeLabel(HWND parent, Rect bounds, const Text& caption) {
    return std::make_unique<Win32Label>(parent, bounds, caption);
}

}  // namespace kest::platform::win32

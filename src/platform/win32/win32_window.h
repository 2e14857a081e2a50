// The one window base of the Windows side: an object owns its window from WM_NCCREATE to
// WM_NCDESTROY, and the mouse messages are decoded in one place. Forms, controls and the
// launcher's window are built on it. Internal to the Windows side.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>

#include "platform/toolkit.h"

namespace kest::platform::win32 {

int Pixels(std::int32_t twips);
std::int32_t Twips(int pixels);
HINSTANCE ModuleInstance();
// The font every form, label and menu title draws its text in, at the pixel size it has at
// 96 dpi whatever the display's scaling (made once, never freed).
HFONT UiFont();
// The display's scaling as dots per inch: 96 at 100 %, 144 at 150 %.
int SystemDpi();
// A length of the 96-dpi design at the display's scaling, and back.
int ToDesign(int pixels);

// A mouse message as the toolkit's events carry it: for a press or release the button that
// changed, for a move the buttons held; x and y in twips of the window that got it.
struct MouseMessage {
    enum Kind { Move, Down, Up, DoubleClick } kind;
    std::int16_t button;
    std::int16_t shift;
    float x, y;
    int pixelX, pixelY;
    bool anyButtonHeld;
};
// Nothing for a message that is not a mouse message of the client area.
std::optional<MouseMessage> DecodeMouse(UINT message, WPARAM wParam, LPARAM lParam);
// Raises the matching event of a control or form; false when none is set.
bool RaiseMouse(const MouseMessage& mouse, const MouseHandler& down, const MouseHandler& up, const MouseHandler& move);

class Window {
public:
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Hwnd() const { return hwnd_; }
    // The object bound to a window of ours, or null (another program's window, or one that is
    // being destroyed).
    static Window* FromHandle(HWND hwnd);

    // Registers a window class whose procedure is this base's, once per class name.
    static void RegisterWindowClass(const wchar_t* name, UINT style, HCURSOR cursor, HICON icon, HBRUSH background);

    // A child drawn over this window asks for what lies beneath it; false leaves the child to
    // paint its own background.
    virtual bool PaintBeneath(HDC, const RECT& /*areaInClient*/) const { return false; }

protected:
    Window() = default;
    // Detaches and destroys the window if it is still there. A derived class calls Destroy()
    // first in its own destructor, so that no message reaches a half-destroyed object.
    virtual ~Window();

    HWND Create(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x, int y, int width,
                int height, HWND parent);
    // Unbinds this object from its window and destroys the window: the messages of the
    // destruction (deactivation, the children's) go to the default procedure only.
    void Destroy();

    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
    // The window is gone (destroyed by the system or with its parent); Hwnd() is null already.
    virtual void Destroyed(HWND /*former*/) {}

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    HWND hwnd_ = nullptr;
};

}  // namespace kest::platform::win32

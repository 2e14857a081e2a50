// The toolkit's child windows: picture boxes with a persistent image, labels, and the geometry,
// pointer and mouse handling they share. Internal to the Windows side of the toolkit.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/toolkit.h"
#include "platform/win32/gdi.h"
#include "platform/win32/win32_window.h"

namespace kest::platform::win32 {

inline constexpr wchar_t kPictureClass[] = L"Kest35Picture";
inline constexpr wchar_t kLabelClass[] = L"Kest35Label";

void RegisterControlClasses();
std::unique_ptr<PictureBox> MakePictureBox(HWND parent, Rect boundsTwips);
std::unique_ptr<Label> MakeLabel(HWND parent, Rect boundsTwips, const Text& caption);

// An image the toolkit owns: a bitmap deleted with its last reference.
class Win32Picture : public Picture {
public:
    explicit Win32Picture(HBITMAP bitmap);
    Handle Bitmap() const override { return reinterpret_cast<Handle>(bitmap_.get()); }
    std::int32_t WidthPixels() const override { return width_; }
    std::int32_t HeightPixels() const override { return height_; }

private:
    win32::Bitmap bitmap_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

// What every control does alike: geometry in twips, the mouse pointer, and mouse messages turned
// into the control's events. The window is the control's until it or its parent is destroyed.
class ControlWindow : public Window {
public:
    explicit ControlWindow(Control& events) : events_(events) {}

    Rect Bounds() const;
    void MoveTo(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);
    void ShowControl(bool visible) { ShowWindow(Hwnd(), visible ? SW_SHOWNA : SW_HIDE); }
    bool IsShown() const { return (GetWindowLongW(Hwnd(), GWL_STYLE) & WS_VISIBLE) != 0; }
    void RaiseToTop() { SetWindowPos(Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); }
    void SetPointer(std::int16_t pointer);
    std::int16_t Pointer() const { return pointer_; }

protected:
    // Made from the finished control's constructor, so that the messages of creation already
    // find the control whole.
    void CreateControl(HWND parent, Rect boundsTwips, const wchar_t* className);
    // Mouse and cursor messages; true when handled.
    bool HandleMouse(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    Control& events_;
    std::int16_t pointer_ = kPointerDefault;
    bool pressed_ = false;  // a button went down here and has not come up
};

}  // namespace kest::platform::win32

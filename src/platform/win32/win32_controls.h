// The toolkit's child windows: picture boxes with a persistent image, labels, and the mouse
// handling they share. Internal to the Windows side of the toolkit.
#pragma once

#include <windows.h>

#include "platform/toolkit.h"

namespace kest::platform::win32 {

inline constexpr wchar_t kPictureClass[] = L"Kest35Picture";
inline constexpr wchar_t kLabelClass[] = L"Kest35Label";

int Pixels(std::int32_t twips);
HINSTANCE ModuleInstance();
// The font every form and label draws its text in.
HFONT UiFont();
void RegisterControlClasses();
// The modifier and button masks of a mouse message's key state.
std::int16_t ShiftState(WPARAM keys);
std::int16_t HeldButtons(WPARAM keys);
std::unique_ptr<PictureBox> MakePictureBox(HWND parent, Rect boundsTwips);
std::unique_ptr<Label> MakeLabel(HWND parent, Rect boundsTwips, const Text& caption);

// An image the toolkit owns: a bitmap deleted with its last reference.
class Win32Picture : public Picture {
public:
    explicit Win32Picture(HBITMAP bitmap);
    ~Win32Picture() override;
    Handle Bitmap() const override { return reinterpret_cast<Handle>(bitmap_); }
    std::int32_t WidthPixels() const override { return width_; }
    std::int32_t HeightPixels() const override { return height_; }

private:
    HBITMAP bitmap_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

// Window-side state and behaviour common to every control: geometry in twips, the mouse
// pointer, and mouse messages turned into the control's events.
class ControlWindow {
public:
    ControlWindow(Control& events, HWND parent, Rect boundsTwips, const wchar_t* className);
    virtual ~ControlWindow();
    ControlWindow(const ControlWindow&) = delete;
    ControlWindow& operator=(const ControlWindow&) = delete;

    HWND Window() const { return hwnd_; }
    Rect Bounds() const;
    void MoveTo(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);
    void SetPointer(std::int16_t pointer);
    std::int16_t Pointer() const { return pointer_; }
    // Mouse and cursor messages; true when handled.
    bool HandleMouse(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

protected:
    Control& events_;
    HWND hwnd_ = nullptr;

private:
    std::int16_t pointer_ = kPointerDefault;
    bool pressed_ = false;  // a button went down here and has not come up
};

}  // namespace kest::platform::win32

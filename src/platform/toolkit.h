// The small windowing toolkit the forms are built from: forms, picture boxes with a
// persistent image, menus, timers, message boxes and the process-wide services around them.
// Geometry that forms see is in twips at a fixed 15 twips per pixel.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/types.h"

namespace kest::platform {

inline constexpr std::int32_t kTwipsPerPixel = 15;

enum class MsgBoxButtons { Ok, YesNo };
enum class MsgBoxIcon { None, Critical, Question, Exclamation, Information };
enum class MsgBoxResult { Ok, Cancel, Yes, No };

enum class WindowState { Normal, Minimized, Maximized };

// Interval 0 means stopped whatever Enabled says; a disabled timer keeps its interval.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void SetInterval(std::int32_t milliseconds) = 0;
    virtual std::int32_t Interval() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    virtual void OnTick(std::function<void()> handler) = 0;
};

class MenuItem {
public:
    virtual ~MenuItem() = default;
    virtual void SetCaption(const Text& caption) = 0;
    virtual Text Caption() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    virtual void SetChecked(bool checked) = 0;
    virtual bool Checked() const = 0;
    virtual void OnClick(std::function<void()> handler) = 0;
};

// A child window whose drawing surface is a persistent image: what is drawn on it stays,
// and saving writes that image.
class PictureBox {
public:
    virtual ~PictureBox() = default;
    // Resizes the box and its persistent image; pixels are twips / 15.
    virtual void SetSizeTwips(std::int32_t widthTwips, std::int32_t heightTwips) = 0;
    virtual std::int32_t WidthPixels() const = 0;
    virtual std::int32_t HeightPixels() const = 0;
    // Sets the background colour (0x00BBGGRR) and clears the persistent image to it.
    virtual void SetBackColor(std::uint32_t rgb) = 0;
    // Drops the loaded picture; the persistent image is cleared to the background colour.
    virtual void RemovePicture() = 0;
    // Device context of the persistent image, for drawing onto it directly.
    virtual Handle Hdc() = 0;
    // Makes the clipboard's bitmap the box's picture. False when the clipboard holds none or
    // cannot be opened; the previous picture stays then.
    virtual bool LoadClipboardBitmap() = 0;
    // Draws the box's picture onto the persistent image, stretched to the given size.
    virtual void PaintPicture(std::int32_t xTwips, std::int32_t yTwips, std::int32_t widthTwips,
                              std::int32_t heightTwips) = 0;
    // Writes the persistent image as an uncompressed BMP at the display's colour depth with
    // SizeImage filled in. False when the file could not be written.
    virtual bool SaveImage(const Text& path) = 0;
};

class Form {
public:
    virtual ~Form() = default;
    virtual Handle Hwnd() const = 0;
    virtual void SetCaption(const Text& caption) = 0;
    virtual Text Caption() const = 0;
    virtual void SetWindowState(WindowState state) = 0;
    virtual WindowState GetWindowState() const = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual bool Visible() const = 0;
    // Called when the user or the system asks the window to close; return false to refuse.
    virtual void OnQueryUnload(std::function<bool()> handler) = 0;
    // Asks the window to close, as its close button would; the unload handler may refuse.
    virtual void Close() = 0;

    virtual std::unique_ptr<PictureBox> CreatePictureBox(Rect boundsTwips) = 0;
    virtual std::unique_ptr<Timer> CreateTimer() = 0;
    // A top-level menu on the form's menu bar (parent null) or an item below `parent`.
    virtual std::unique_ptr<MenuItem> CreateMenuItem(MenuItem* parent, const Text& caption) = 0;
};

struct FormDesign {
    Text caption;
    std::int32_t widthTwips = 0;   // outer size
    std::int32_t heightTwips = 0;
};

class Toolkit {
public:
    virtual ~Toolkit() = default;
    virtual std::unique_ptr<Form> CreateForm(const FormDesign& design) = 0;
    virtual MsgBoxResult MsgBox(const Text& text, MsgBoxButtons buttons, MsgBoxIcon icon,
                                const Text& caption) = 0;
    // Runs every window message that is waiting, then returns.
    virtual void DoEvents() = 0;
    // Local time of day in seconds, with a fractional part.
    virtual double SecondsSinceMidnight() = 0;
    virtual std::int32_t ScreenWidthTwips() = 0;
    virtual std::int32_t ScreenHeightTwips() = 0;
    // Directory of the program file, without a trailing separator.
    virtual Text ProgramDirectory() = 0;
    virtual Handle Instance() = 0;
};

}  // namespace kest::platform

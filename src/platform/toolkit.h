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

// Mouse-button masks and modifier masks as mouse and key events carry them.
inline constexpr std::int16_t kLeftButton = 1;
inline constexpr std::int16_t kRightButton = 2;
inline constexpr std::int16_t kMiddleButton = 4;
inline constexpr std::int16_t kShiftMask = 1;
inline constexpr std::int16_t kCtrlMask = 2;
inline constexpr std::int16_t kAltMask = 4;

// Per-control mouse pointers; the numbers are what the forms store and compare.
inline constexpr std::int16_t kPointerDefault = 0;
inline constexpr std::int16_t kPointerSizeNESW = 6;
inline constexpr std::int16_t kPointerSizeNS = 7;
inline constexpr std::int16_t kPointerSizeNWSE = 8;
inline constexpr std::int16_t kPointerSizeWE = 9;

// Button: for a press or release the button that changed, for a move the buttons held.
// X and Y are twips relative to the control that receives the event.
using MouseHandler = std::function<void(std::int16_t button, std::int16_t shift, float x, float y)>;
using KeyHandler = std::function<void(std::int16_t keyCode, std::int16_t shift)>;

// An image shared by whoever holds it: skin pictures are loaded once and handed to several
// controls and property stores.
class Picture {
public:
    virtual ~Picture() = default;
    virtual Handle Bitmap() const = 0;
    virtual std::int32_t WidthPixels() const = 0;
    virtual std::int32_t HeightPixels() const = 0;
};
using PictureRef = std::shared_ptr<const Picture>;

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

// A child window of a form or of a picture box. The toolkit raises the events by calling the
// handlers that are set; an unset handler means the event is not wanted.
class Control {
public:
    virtual ~Control() = default;
    virtual Handle Hwnd() const = 0;
    // Position and size in twips, relative to the container's client area.
    virtual Rect BoundsTwips() const = 0;
    virtual void Move(std::int32_t leftTwips, std::int32_t topTwips, std::int32_t widthTwips,
                      std::int32_t heightTwips) = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual bool Visible() const = 0;
    // Puts the control above its siblings.
    virtual void ZOrderTop() = 0;
    virtual void SetMousePointer(std::int16_t pointer) = 0;
    virtual std::int16_t MousePointer() const = 0;

    std::int32_t Left() const { return BoundsTwips().left; }
    std::int32_t Top() const { return BoundsTwips().top; }
    std::int32_t Width() const { return BoundsTwips().right - BoundsTwips().left; }
    std::int32_t Height() const { return BoundsTwips().bottom - BoundsTwips().top; }
    void SetLeft(std::int32_t left) { Move(left, Top(), Width(), Height()); }
    void SetTop(std::int32_t top) { Move(Left(), top, Width(), Height()); }

    MouseHandler MouseDown;
    MouseHandler MouseUp;
    MouseHandler MouseMove;
    std::function<void()> Click;
    std::function<void()> DblClick;
};

class Label : public Control {
public:
    virtual void SetCaption(const Text& caption) = 0;
    virtual Text Caption() const = 0;
};

// Pixels of an image as a bottom-up device-independent bitmap, lent by their owner.
struct ImageBits {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bitCount = 0;
    const std::uint8_t* bits = nullptr;
    std::int64_t bytes = 0;  // rows padded to four bytes
};

// A child window whose drawing surface is a persistent image: what is drawn on it stays,
// and saving writes that image. Its picture (a skin image, or the clipboard's bitmap) lies
// under the drawing: clearing shows the picture again.
class PictureBox : public Control {
public:
    // Resizes the box and its persistent image; pixels are twips / 15.
    virtual void SetSizeTwips(std::int32_t widthTwips, std::int32_t heightTwips) = 0;
    virtual std::int32_t WidthPixels() const = 0;
    virtual std::int32_t HeightPixels() const = 0;
    // Inner size in twips (the boxes have no border, so it is the outer size).
    std::int32_t ScaleWidth() const { return WidthPixels() * kTwipsPerPixel; }
    std::int32_t ScaleHeight() const { return HeightPixels() * kTwipsPerPixel; }
    // Sets the background colour (0x00BBGGRR) and clears the persistent image to it.
    virtual void SetBackColor(std::uint32_t rgb) = 0;
    virtual std::uint32_t BackColor() const = 0;
    // Drops the loaded picture; the persistent image is cleared to the background colour.
    virtual void RemovePicture() = 0;
    // Makes `picture` the box's picture and clears the drawing so that it shows.
    virtual void SetPicture(PictureRef picture) = 0;
    virtual PictureRef GetPicture() const = 0;
    // Clears what was drawn: the background colour with the picture at the top-left corner.
    virtual void Cls() = 0;
    // Device context of the persistent image, for drawing onto it directly.
    virtual Handle Hdc() = 0;
    // Makes the clipboard's bitmap the box's picture. False when the clipboard holds none or
    // cannot be opened; the previous picture stays then.
    virtual bool LoadClipboardBitmap() = 0;
    // Draws the box's picture onto the persistent image, stretched to the given size.
    virtual void PaintPicture(std::int32_t xTwips, std::int32_t yTwips, std::int32_t widthTwips,
                              std::int32_t heightTwips) = 0;
    // Draws the part of `picture` from (sx, sy) of the given size onto the destination rectangle,
    // stretched when the sizes differ. Twips throughout.
    virtual void DrawPicture(const PictureRef& picture, std::int32_t xTwips, std::int32_t yTwips,
                             std::int32_t widthTwips, std::int32_t heightTwips, std::int32_t sourceXTwips,
                             std::int32_t sourceYTwips, std::int32_t sourceWidthTwips,
                             std::int32_t sourceHeightTwips) = 0;
    // On: drawing goes to the persistent image. Off: drawing lands on the window only and
    // the next Cls or repaint shows the persistent image again.
    virtual void SetAutoRedraw(bool on) = 0;
    // A line, a pixel wide, from the first point up to (not including) the second.
    virtual void Line(std::int32_t x1Twips, std::int32_t y1Twips, std::int32_t x2Twips, std::int32_t y2Twips,
                      std::uint32_t rgb) = 0;
    virtual void FillBox(std::int32_t x1Twips, std::int32_t y1Twips, std::int32_t x2Twips, std::int32_t y2Twips,
                         std::uint32_t rgb) = 0;
    // Colour of the pixel at the point of the persistent image.
    virtual std::uint32_t PointColor(std::int32_t xTwips, std::int32_t yTwips) = 0;
    virtual void SetForeColor(std::uint32_t rgb) = 0;
    virtual std::uint32_t ForeColor() const = 0;
    // Text in the fore colour with its top-left corner at the point, background left alone.
    virtual void DrawText(const Text& text, float xTwips, float yTwips) = 0;
    virtual float TextWidth(const Text& text) = 0;
    virtual float TextHeight(const Text& text) = 0;
    // Shows what was drawn at once.
    virtual void Refresh() = 0;
    // Writes the persistent image as an uncompressed BMP at the display's colour depth with
    // SizeImage filled in. False when the file could not be written.
    virtual bool SaveImage(const Text& path) = 0;
    // The persistent image's pixels as SaveImage would write them (bottom-up rows at the
    // display's colour depth, opaque), read where they lie when the box can: a frame handed on
    // many times a second need not travel through a file. Valid until the next drawing onto the
    // box. False, with `image` empty, when the pixels cannot be read.
    virtual bool ReadImage(ImageBits& image) = 0;

    // The window needs repainting; runs before the persistent image is shown.
    std::function<void()> Paint;
    // The box became visible in its container.
    std::function<void()> Shown;
    std::function<void()> Resize;
};

struct FormDesign {
    Text caption;
    std::int32_t widthTwips = 0;  // client size
    std::int32_t heightTwips = 0;
    // No caption and no frame: the client area is the whole window.
    bool borderless = false;
    // Kept off the taskbar.
    bool toolWindow = false;
    // The program's main window: its first show takes the show state the program was started
    // with (a launcher may start it minimised).
    bool startupWindow = false;
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
    // Closes the window now; the unload handler is not asked.
    virtual void Unload() = 0;

    // Outer position and size in twips (screen coordinates for a top-level window, the
    // parent's client coordinates for a child), and the client size.
    virtual Rect BoundsTwips() const = 0;
    virtual void Move(std::int32_t leftTwips, std::int32_t topTwips, std::int32_t widthTwips,
                      std::int32_t heightTwips) = 0;
    virtual std::int32_t ScaleWidth() const = 0;
    virtual std::int32_t ScaleHeight() const = 0;
    virtual void SetBackColor(std::uint32_t rgb) = 0;
    // Width in twips of `text` in the form's font.
    virtual float TextWidth(const Text& text) = 0;
    // The form's menu bar, in pixels of its window (outer top-left corner at 0, 0); its right
    // end is where the last title ends, its bottom where the titles' rows end (a scaled display
    // makes the bar taller than the titles). Empty without a menu bar.
    virtual Rect MenuBarRect() const = 0;

    std::int32_t Left() const { return BoundsTwips().left; }
    std::int32_t Top() const { return BoundsTwips().top; }
    std::int32_t Width() const { return BoundsTwips().right - BoundsTwips().left; }
    std::int32_t Height() const { return BoundsTwips().bottom - BoundsTwips().top; }

    // Pieces inside the form, or inside a picture box of the form when `container` is set.
    virtual std::unique_ptr<PictureBox> CreatePictureBox(Rect boundsTwips, PictureBox* container = nullptr) = 0;
    virtual std::unique_ptr<Label> CreateLabel(Rect boundsTwips, const Text& caption,
                                               PictureBox* container = nullptr) = 0;
    virtual std::unique_ptr<Timer> CreateTimer() = 0;
    // A top-level menu on the form's menu bar (parent null) or an item below `parent`; items
    // below an item of a menu make that item a submenu.
    virtual std::unique_ptr<MenuItem> CreateMenuItem(MenuItem* parent, const Text& caption) = 0;

    // Events of the form itself.
    // The user's session is ending (log-off, shutdown): the process may be ended as soon as
    // this returns, without any window being closed or asked.
    std::function<void()> EndSession;
    std::function<void()> Resize;
    std::function<void()> Activate;
    std::function<void()> Deactivate;
    std::function<void()> Paint;
    KeyHandler KeyDown;
    MouseHandler MouseDown;
    MouseHandler MouseUp;
    MouseHandler MouseMove;
};

class Toolkit {
public:
    virtual ~Toolkit() = default;
    virtual std::unique_ptr<Form> CreateForm(const FormDesign& design) = 0;
    virtual MsgBoxResult MsgBox(const Text& text, MsgBoxButtons buttons, MsgBoxIcon icon, const Text& caption) = 0;
    // Runs every window message that is waiting, then returns.
    virtual void DoEvents() = 0;
    // Sleeps until a window message is waiting or the time is up, without running it.
    virtual void WaitForEvents(std::int32_t milliseconds) = 0;
    // A millisecond clock for measuring waits.
    virtual std::uint32_t TickCount() = 0;
    virtual std::int32_t DoubleClickTime() = 0;
    // Local time of day in seconds, with a fractional part.
    virtual double SecondsSinceMidnight() = 0;
    // A clock that only moves forward, in microseconds from an arbitrary start: recording time
    // must not jump with the time of day, nor stop at midnight.
    virtual std::int64_t MonotonicMicroseconds() = 0;
    virtual std::int32_t ScreenWidthTwips() = 0;
    virtual std::int32_t ScreenHeightTwips() = 0;
    // Directory of the program file, without a trailing separator.
    virtual Text ProgramDirectory() = 0;
    virtual Handle Instance() = 0;
    // A skin image built into the program, by its resource name; null when there is none.
    virtual PictureRef LoadResourcePicture(const Text& name) = 0;
    // True when another copy of this program is already running for this user.
    virtual bool PrevInstance() = 0;
    // Hands a web address to the user's browser without waiting for it; false when it could
    // not be handed over.
    virtual bool OpenWebPage(const Text& address) = 0;
    // Ends the process at once: no window is closed and no handler runs.
    virtual void EndProcess() = 0;
};

}  // namespace kest::platform

#include "recorder/areaselect/form3.h"

#include <cmath>
#include <utility>

#include "recorder/engine/app_title.h"
#include "recorder/engine/rounding.h"
#include "recorder/engine/screens.h"

namespace kest::recorder {

namespace {

constexpr std::int16_t kEscape = 27;
constexpr std::int32_t kColorWindowFrame = 6;
constexpr double kTwips = platform::kTwipsPerPixel;

// A line in the window-frame colour alone vanishes on a screen of that colour; a second line
// of the opposite brightness beside it keeps the band visible on any picture.
std::uint32_t Contrast(std::uint32_t rgb) {
    const unsigned red = rgb & 0xFF, green = (rgb >> 8) & 0xFF, blue = (rgb >> 16) & 0xFF;
    return red * 299 + green * 587 + blue * 114 < 128000 ? 0xFFFFFF : 0x000000;
}

}  // namespace

platform::Rect MoveConfinement(float width, float height, std::int32_t screenWidthTwips,
                               std::int32_t screenHeightTwips) {
    const double halfWidth = std::fabs(width) / 2 / kTwips;
    const double halfHeight = std::fabs(height) / 2 / kTwips;
    return {RoundToInt(halfWidth), RoundToInt(halfHeight), RoundToInt(screenWidthTwips / kTwips - halfWidth),
            RoundToInt(screenHeightTwips / kTwips - halfHeight)};
}

Form3::Form3(platform::Platform& platform) : platform_(platform) {}

Form3::~Form3() {
    if (window_) FreeCursor();
}

std::int32_t Form3::WidthTwips() const { return PixelsToTwips(std::int64_t{screen_.right} - screen_.left); }

std::int32_t Form3::HeightTwips() const { return PixelsToTwips(std::int64_t{screen_.bottom} - screen_.top); }

void Form3::Load() {
    screen_ = VirtualScreen(platform_.desktop);
    const std::int32_t width = WidthTwips(), height = HeightTwips();
    platform::FormDesign design{kProductCaption, width, height};
    design.borderless = true;
    design.toolWindow = true;
    window_ = platform_.toolkit.CreateForm(design);
    surface_ = window_->CreatePictureBox({0, 0, width, height});
    window_->Activate = [this] { Form_Activate(); };
    window_->Deactivate = [this] { Form_Deactivate(); };
    window_->KeyDown = [this](std::int16_t key, std::int16_t shift) { Form_KeyDown(key, shift); };
    // The picture covers the whole overlay, so its mouse is the overlay's mouse.
    surface_->MouseDown = [this](std::int16_t b, std::int16_t s, float x, float y) { Form_MouseDown(b, s, x, y); };
    surface_->MouseMove = [this](std::int16_t b, std::int16_t s, float x, float y) { Form_MouseMove(b, s, x, y); };
    surface_->MouseUp = [this](std::int16_t b, std::int16_t s, float x, float y) { Form_MouseUp(b, s, x, y); };
    window_->OnQueryUnload([this] {
        FreeCursor();
        return true;
    });
}

void Form3::Cover() {
    screen_ = VirtualScreen(platform_.desktop);
    const std::int32_t width = WidthTwips(), height = HeightTwips();
    window_->Move(PixelsToTwips(screen_.left), PixelsToTwips(screen_.top), width, height);
    // A monitor came or went since the overlay was made.
    if (surface_->Width() != width || surface_->Height() != height) surface_->SetSizeTwips(width, height);
}

void Form3::Show(std::function<void(const platform::Rect&)> chosen, std::function<void()> cancelled) {
    chosen_ = std::move(chosen);
    cancelled_ = std::move(cancelled);
    if (!window_) Load();
    Cover();
    TakeSnapshot();
    moving = false;
    justSnapped_ = true;
    window_->Show();
    justSnapped_ = false;
}

void Form3::Unload() {
    if (!window_) return;
    FreeCursor();
    window_->Unload();
    window_.reset();
    // The surface's window went with the overlay's; the object goes when the next overlay comes,
    // since this may run inside one of its own handlers. Its snapshot is as large as the screen
    // (33 MB at 4K) and goes now.
    surface_->SetSizeTwips(platform::kTwipsPerPixel, platform::kTwipsPerPixel);
}

void Form3::FreeCursor() { platform_.windows.ClipCursor(nullptr); }

void Form3::TakeSnapshot() {
    surface_->SetAutoRedraw(true);
    {
        const platform::ScreenDc screen(platform_.desktop);
        platform_.desktop.BitBlt(surface_->Hdc(), 0, 0, screen_.right - screen_.left, screen_.bottom - screen_.top,
                                 screen.Get(), screen_.left, screen_.top, platform::kSrcCopy);
    }
    surface_->SetAutoRedraw(false);
    surface_->Refresh();
}

void Form3::Form_Activate() {
    Cover();
    if (!justSnapped_) TakeSnapshot();
    moving = false;
}

void Form3::Form_Deactivate() { FreeCursor(); }

void Form3::DrawBand() {
    surface_->Cls();
    const std::uint32_t frame = platform_.windows.GetSysColor(kColorWindowFrame);
    const std::uint32_t contrast = Contrast(frame);
    const auto line = [this](float ax, float ay, float bx, float by, std::uint32_t colour) {
        surface_->Line(RoundToInt(ax), RoundToInt(ay), RoundToInt(bx), RoundToInt(by), colour);
    };
    // Each edge in the frame colour, with the contrasting line one pixel inside it.
    const float inX = x2 >= x1 ? kTwips : -kTwips;
    const float inY = y2 >= y1 ? kTwips : -kTwips;
    line(x1, y1, x2, y1, frame);
    line(x2, y1, x2, y2, frame);
    line(x2, y2, x1, y2, frame);
    line(x1, y2, x1, y1, frame);
    line(x1 + inX, y1 + inY, x2 - inX, y1 + inY, contrast);
    line(x2 - inX, y1 + inY, x2 - inX, y2 - inY, contrast);
    line(x2 - inX, y2 - inY, x1 + inX, y2 - inY, contrast);
    line(x1 + inX, y2 - inY, x1 + inX, y1 + inY, contrast);
}

void Form3::Confirm() {
    moving = false;
    if (!(x2 >= x1)) std::swap(x1, x2);
    if (!(y2 >= y1)) std::swap(y1, y2);
    const double left = x1 / kTwips, top = y1 / kTwips, right = x2 / kTwips, bottom = y2 / kTwips;
    const platform::Rect area{RoundToInt(left) + screen_.left, RoundToInt(top) + screen_.top, RoundToInt(right - left),
                              RoundToInt(bottom - top)};
    // Unloading frees the pointer; the rectangle is handed back once the overlay has gone.
    Unload();
    if (chosen_) chosen_(area);
}

void Form3::Form_MouseDown(std::int16_t Button, std::int16_t, float X, float Y) {
    if (Button == platform::kLeftButton) {
        if (!moving) {
            x1 = X;
            y1 = Y;
        } else {
            Confirm();
        }
    } else if (Button == platform::kRightButton) {
        surface_->Cls();
        x1 = y1 = x2 = y2 = 0;
        moving = false;
    }
}

void Form3::Form_MouseMove(std::int16_t Button, std::int16_t, float X, float Y) {
    if (Button != 0 || !moving) {
        if (Button != platform::kLeftButton) return;
        x2 = X;
        y2 = Y;
        DrawBand();
        return;
    }
    const float dx = X - (x2 - x1) / 2 - x1;
    const float dy = Y - (y2 - y1) / 2 - y1;
    x1 += dx;
    x2 += dx;
    y1 += dy;
    y2 += dy;
    DrawBand();
}

void Form3::Form_MouseUp(std::int16_t Button, std::int16_t, float X, float Y) {
    if (Button != platform::kLeftButton || (X == x1 && Y == y1)) return;
    moving = true;
    platform_.windows.SetCursorPos(RoundToInt((x2 + x1) / 2 / kTwips) + screen_.left,
                                   RoundToInt((y2 + y1) / 2 / kTwips) + screen_.top);
    // Kept on the virtual screen, not on the primary monitor: a rectangle may lie on any
    // monitor, or across two.
    const platform::Rect onOverlay = MoveConfinement(x1 - x2, y1 - y2, WidthTwips(), HeightTwips());
    const platform::Rect confine{onOverlay.left + screen_.left, onOverlay.top + screen_.top,
                                 onOverlay.right + screen_.left, onOverlay.bottom + screen_.top};
    platform_.windows.ClipCursor(&confine);
}

void Form3::Form_KeyDown(std::int16_t KeyCode, std::int16_t) {
    if (KeyCode != kEscape) return;
    Unload();
    if (cancelled_) cancelled_();
}

}  // namespace kest::recorder

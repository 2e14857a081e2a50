// The skin pieces stand in for a caption and a sizing frame: each piece's pointer says which
// edge or corner the mouse is over, and a press hands the move or size to the system's own loop.
#include "recorder/engine/rounding.h"
#include "recorder/mainwindow/form1.h"

namespace kest::recorder {

namespace {

using platform::kLeftButton;
using platform::kRightButton;

constexpr std::int16_t kArrow = platform::kPointerDefault;
constexpr std::int16_t kNESW = platform::kPointerSizeNESW;
constexpr std::int16_t kNS = platform::kPointerSizeNS;
constexpr std::int16_t kNWSE = platform::kPointerSizeNWSE;
constexpr std::int16_t kWE = platform::kPointerSizeWE;

// System commands: move by the caption, and size from each edge and corner.
constexpr std::int32_t kMoveByCaption = 0xF012;
constexpr std::int32_t kSizeLeft = 0xF001;
constexpr std::int32_t kSizeRight = 0xF002;
constexpr std::int32_t kSizeTop = 0xF003;
constexpr std::int32_t kSizeTopLeft = 0xF004;
constexpr std::int32_t kSizeTopRight = 0xF005;
constexpr std::int32_t kSizeBottom = 0xF006;
constexpr std::int32_t kSizeBottomLeft = 0xF007;
constexpr std::int32_t kSizeBottomRight = 0xF008;

// Grip sizes in twips.
constexpr float kCaptionTopGrip = 45;
constexpr float kIconCornerGrip = 90;
constexpr float kRightCornerGrip = 120;
constexpr float kBottomGrip = 100;
// The system menu opens this far right of and below the point it is given.
constexpr std::int32_t kMenuOffsetPixels = 2;

}  // namespace

void Form1::SendSystemCommand(std::int32_t command) {
    if (command == 0) return;
    platform_.windows.SendWindowMessage(window_->Hwnd(), platform::kWmSysCommand, static_cast<std::uint32_t>(command),
                                        0);
}

void Form1::PopUpSystemMenu(std::uint32_t flags, platform::Point screenPixels) {
    platform_.windows.TrackPopupMenu(sysmenu, flags, screenPixels.x, screenPixels.y, 0, window_->Hwnd());
}

void Form1::ToggleMaximized() {
    window_->SetWindowState(window_->GetWindowState() == platform::WindowState::Normal
                                ? platform::WindowState::Maximized
                                : platform::WindowState::Normal);
}

// What a point of a piece is: the pointer shown over it and the system command a left press
// there hands to the system (none where the piece has a use of its own for the press). Worked out
// from the point each time, so a press acts on the place it was made, whatever the pointer
// showed last.
Form1::Zone Form1::ZoneAt(const platform::PictureBox& piece, float X, float Y) const {
    if (Maximized()) return {kArrow, 0};
    if (&piece == backcaption_.get()) {
        return Y < kCaptionTopGrip ? Zone{kNS, kSizeTop} : Zone{kArrow, kMoveByCaption};
    }
    if (&piece == leftcaption_.get()) {
        return X < kIconCornerGrip && Y < kIconCornerGrip ? Zone{kNWSE, kSizeTopLeft} : Zone{kArrow, 0};
    }
    if (&piece == rightcaption_.get()) {
        const bool corner = X > static_cast<float>(rightcaption_->Width()) - kRightCornerGrip && Y < kRightCornerGrip;
        return corner ? Zone{kNESW, kSizeTopRight} : Zone{kArrow, 0};
    }
    if (&piece == leftborder_.get()) return {kWE, kSizeLeft};
    if (&piece == rightborder_.get()) return {kWE, kSizeRight};
    const auto width = static_cast<float>(window_->ScaleWidth());
    const bool low = Y > static_cast<float>(bottomborder_->ScaleHeight()) - kBottomGrip;
    if (X < kBottomGrip && low) return {kNESW, kSizeBottomLeft};
    if (X > width - kBottomGrip && low) return {kNWSE, kSizeBottomRight};
    if (low) return {kNS, kSizeBottom};
    if (X < kBottomGrip) return {kWE, kSizeLeft};
    if (X > width - kBottomGrip) return {kWE, kSizeRight};
    return {kArrow, 0};
}

void Form1::ShowZone(platform::PictureBox& piece, float X, float Y) {
    piece.SetMousePointer(ZoneAt(piece, X, Y).pointer);
}

// ---- mouse moves: the zones ----

void Form1::backcaption_MouseMove(std::int16_t, std::int16_t, float X, float Y) {
    captionPoint_ = {X, Y};
    ShowZone(*backcaption_, X, Y);
    GiveForegroundToForm2();
}

// The caption's corners keep whatever they showed while the window is maximised.
void Form1::leftcaption_MouseMove(std::int16_t, std::int16_t, float X, float Y) {
    if (!Maximized()) ShowZone(*leftcaption_, X, Y);
}

void Form1::rightcaption_MouseMove(std::int16_t, std::int16_t, float X, float Y) {
    if (!Maximized()) ShowZone(*rightcaption_, X, Y);
}

void Form1::leftborder_MouseMove(std::int16_t, std::int16_t, float X, float Y) { ShowZone(*leftborder_, X, Y); }

void Form1::rightborder_MouseMove(std::int16_t, std::int16_t, float X, float Y) { ShowZone(*rightborder_, X, Y); }

void Form1::bottomborder_MouseMove(std::int16_t, std::int16_t, float X, float Y) { ShowZone(*bottomborder_, X, Y); }

// ---- presses: hand the move or size to the system ----

void Form1::backcaption_MouseDown(std::int16_t Button, std::int16_t, float X, float Y) {
    captionPoint_ = {X, Y};
    GiveForegroundToForm2();
    // The system's move and size loops end only on a left release: started from another button
    // they would keep the window on the pointer, and the right release that opens the system
    // menu would never come here.
    if (Maximized() || Button != kLeftButton) return;
    platform_.windows.ReleaseCapture();
    SendSystemCommand(ZoneAt(*backcaption_, X, Y).command);
    GiveForegroundToForm2();
}

bool Form1::WaitForIconDoubleClick() {
    auto& toolkit = platform_.toolkit;
    const std::uint32_t start = toolkit.TickCount();
    const auto wait = static_cast<std::uint32_t>(toolkit.DoubleClickTime());
    // Sleep between messages: the wait lets the second click arrive without spinning a core.
    for (;;) {
        toolkit.DoEvents();
        if (icondblclick != 0) return true;
        const std::uint32_t elapsed = toolkit.TickCount() - start;
        if (elapsed >= wait) return false;
        toolkit.WaitForEvents(static_cast<std::int32_t>(wait - elapsed));
    }
}

void Form1::leftcaption_MouseDown(std::int16_t Button, std::int16_t, float X, float Y) {
    if (Button != kLeftButton) return;
    const Zone zone = ZoneAt(*leftcaption_, X, Y);
    if (zone.command != 0) {
        platform_.windows.ReleaseCapture();
        SendSystemCommand(zone.command);
        return;
    }
    if (WaitForIconDoubleClick()) return;  // the double click is closing the window
    PopUpSystemMenu(platform::kTpmLeftButton,
                    {TwipsToPixels(window_->Left() + 45) + kMenuOffsetPixels,
                     TwipsToPixels(window_->Top() + leftcaption_->Height()) + kMenuOffsetPixels});
    icondblclick = 0;
}

// The borders and the caption's right corner: a left press in a sizing zone starts the system's
// sizing loop.
void Form1::EdgeDown(platform::PictureBox& piece, std::int16_t Button, float X, float Y) {
    GiveForegroundToForm2();
    const Zone zone = ZoneAt(piece, X, Y);
    if (Button == kLeftButton && zone.command != 0) {
        platform_.windows.ReleaseCapture();
        SendSystemCommand(zone.command);
    }
    GiveForegroundToForm2();
}

void Form1::rightcaption_MouseDown(std::int16_t Button, std::int16_t, float X, float Y) {
    EdgeDown(*rightcaption_, Button, X, Y);
}

void Form1::leftborder_MouseDown(std::int16_t Button, std::int16_t, float X, float Y) {
    EdgeDown(*leftborder_, Button, X, Y);
}

void Form1::rightborder_MouseDown(std::int16_t Button, std::int16_t, float X, float Y) {
    EdgeDown(*rightborder_, Button, X, Y);
}

void Form1::bottomborder_MouseDown(std::int16_t Button, std::int16_t, float X, float Y) {
    EdgeDown(*bottomborder_, Button, X, Y);
}

// ---- releases: the system menu ----

void Form1::backcaption_MouseUp(std::int16_t Button, std::int16_t, float X, float Y) {
    if (Button == kRightButton && ZoneAt(*backcaption_, X, Y).pointer == kArrow) {
        platform::Point point{TwipsToPixels(X), TwipsToPixels(Y)};
        platform_.windows.ClientToScreen(window_->Hwnd(), &point);
        PopUpSystemMenu(platform::kTpmRightButton, point);
    }
    GiveForegroundToForm2();
}

void Form1::leftcaption_MouseUp(std::int16_t Button, std::int16_t, float X, float Y) {
    if (Button != kRightButton || ZoneAt(*leftcaption_, X, Y).pointer != kArrow) return;
    PopUpSystemMenu(platform::kTpmLeftButton,
                    {TwipsToPixels(window_->Left() + leftcaption_->Left() + static_cast<double>(X)) + kMenuOffsetPixels,
                     TwipsToPixels(window_->Top() + leftcaption_->Top() + static_cast<double>(Y)) + kMenuOffsetPixels});
}

// The point where a right click on the icon opens the menu: under the icon.
void Form1::ShowSystemMenu() { leftcaption_MouseUp(kRightButton, 0, 45, 345); }

// ---- double clicks ----

void Form1::backcaption_DblClick() {
    if (ZoneAt(*backcaption_, captionPoint_.x, captionPoint_.y).pointer == kArrow) ToggleMaximized();
}

void Form1::leftcaption_DblClick() {
    icondblclick = -1;
    Unload();
}

}  // namespace kest::recorder

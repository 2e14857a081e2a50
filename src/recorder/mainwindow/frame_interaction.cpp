// The skin pieces stand in for a caption and a sizing frame: each piece's pointer says which
// edge or corner the mouse is over, and a press hands the move or size to the system's own loop.
#include "recorder/controlmenu/form2.h"
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
    platform_.windows.SendWindowMessage(window_->Hwnd(), platform::kWmSysCommand, static_cast<std::uint32_t>(command), 0);
}

void Form1::PopUpSystemMenu(std::uint32_t flags, platform::Point screenPixels) {
    platform_.windows.TrackPopupMenu(sysmenu, flags, screenPixels.x, screenPixels.y, 0, window_->Hwnd());
}

void Form1::ToggleMaximized() {
    window_->SetWindowState(window_->GetWindowState() == platform::WindowState::Normal
                                ? platform::WindowState::Maximized
                                : platform::WindowState::Normal);
}

// ---- mouse moves: the zones ----

void Form1::backcaption_MouseMove(std::int16_t, std::int16_t, float, float Y) {
    backcaption_->SetMousePointer(!Maximized() && Y < kCaptionTopGrip ? kNS : kArrow);
    GiveForegroundToForm2();
}

void Form1::leftcaption_MouseMove(std::int16_t, std::int16_t, float X, float Y) {
    if (Maximized()) return;
    leftcaption_->SetMousePointer(X < kIconCornerGrip && Y < kIconCornerGrip ? kNWSE : kArrow);
}

void Form1::rightcaption_MouseMove(std::int16_t, std::int16_t, float X, float Y) {
    if (Maximized()) return;
    const bool corner = X > static_cast<float>(rightcaption_->Width()) - kRightCornerGrip && Y < kRightCornerGrip;
    rightcaption_->SetMousePointer(corner ? kNESW : kArrow);
}

void Form1::leftborder_MouseMove(std::int16_t, std::int16_t, float, float) {
    leftborder_->SetMousePointer(Maximized() ? kArrow : kWE);
}

void Form1::rightborder_MouseMove(std::int16_t, std::int16_t, float, float) {
    rightborder_->SetMousePointer(Maximized() ? kArrow : kWE);
}

void Form1::bottomborder_MouseMove(std::int16_t, std::int16_t, float X, float Y) {
    if (Maximized()) {
        bottomborder_->SetMousePointer(kArrow);
        return;
    }
    const auto width = static_cast<float>(window_->ScaleWidth());
    const auto height = static_cast<float>(bottomborder_->ScaleHeight());
    const bool low = Y > height - kBottomGrip;
    std::int16_t pointer = kArrow;
    if (X < kBottomGrip && low) {
        pointer = kNESW;
    } else if (X > width - kBottomGrip && low) {
        pointer = kNWSE;
    } else if (low) {
        pointer = kNS;
    } else if (X < kBottomGrip || X > width - kBottomGrip) {
        pointer = kWE;
    }
    bottomborder_->SetMousePointer(pointer);
}

// ---- presses: hand the move or size to the system ----

void Form1::backcaption_MouseDown(std::int16_t Button, std::int16_t, float, float) {
    GiveForegroundToForm2();
    // The system's move and size loops end only on a left release: started from another button
    // they would keep the window on the pointer, and the right release that opens the system
    // menu would never come here.
    if (Maximized() || Button != kLeftButton) return;
    platform_.windows.ReleaseCapture();
    const std::int16_t pointer = backcaption_->MousePointer();
    if (pointer == kArrow) {
        SendSystemCommand(kMoveByCaption);
    } else if (pointer == kNS) {
        SendSystemCommand(kSizeTop);
    }
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

void Form1::leftcaption_MouseDown(std::int16_t Button, std::int16_t, float, float) {
    if (Button != kLeftButton) return;
    const std::int16_t pointer = leftcaption_->MousePointer();
    if (pointer == kNWSE) {
        platform_.windows.ReleaseCapture();
        SendSystemCommand(kSizeTopLeft);
    } else if (pointer == kArrow) {
        if (WaitForIconDoubleClick()) return;  // the double click is closing the window
        PopUpSystemMenu(platform::kTpmLeftButton, {TwipsToPixels(window_->Left() + 45) + kMenuOffsetPixels,
                                                   TwipsToPixels(window_->Top() + leftcaption_->Height()) + kMenuOffsetPixels});
        icondblclick = 0;
    }
}

void Form1::rightcaption_MouseDown(std::int16_t Button, std::int16_t, float, float) {
    GiveForegroundToForm2();
    platform_.windows.ReleaseCapture();
    if (Button == kLeftButton && rightcaption_->MousePointer() == kNESW) SendSystemCommand(kSizeTopRight);
    GiveForegroundToForm2();
}

void Form1::SideBorderDown(platform::PictureBox& border, std::int16_t Button, std::int32_t command) {
    GiveForegroundToForm2();
    if (Button == kLeftButton && border.MousePointer() != kArrow) {
        platform_.windows.ReleaseCapture();
        SendSystemCommand(command);
    }
    GiveForegroundToForm2();
}

void Form1::leftborder_MouseDown(std::int16_t Button, std::int16_t, float, float) {
    SideBorderDown(*leftborder_, Button, kSizeLeft);
}

void Form1::rightborder_MouseDown(std::int16_t Button, std::int16_t, float, float) {
    SideBorderDown(*rightborder_, Button, kSizeRight);
}

void Form1::bottomborder_MouseDown(std::int16_t Button, std::int16_t, float X, float) {
    GiveForegroundToForm2();
    if (Button != kLeftButton) return;
    platform_.windows.ReleaseCapture();
    switch (bottomborder_->MousePointer()) {
        case kNS: SendSystemCommand(kSizeBottom); break;
        case kNESW: SendSystemCommand(kSizeBottomLeft); break;
        case kNWSE: SendSystemCommand(kSizeBottomRight); break;
        case kWE: SendSystemCommand(X >= kBottomGrip ? kSizeRight : kSizeLeft); break;
        default: break;
    }
}

// ---- releases: the system menu ----

void Form1::backcaption_MouseUp(std::int16_t Button, std::int16_t, float X, float Y) {
    if (Button == kRightButton && backcaption_->MousePointer() == kArrow) {
        platform::Point point{TwipsToPixels(X), TwipsToPixels(Y)};
        platform_.windows.ClientToScreen(window_->Hwnd(), &point);
        PopUpSystemMenu(platform::kTpmRightButton, point);
    }
    GiveForegroundToForm2();
}

void Form1::leftcaption_MouseUp(std::int16_t Button, std::int16_t, float X, float Y) {
    if (Button != kRightButton || leftcaption_->MousePointer() != kArrow) return;
    PopUpSystemMenu(platform::kTpmLeftButton,
                    {TwipsToPixels(window_->Left() + leftcaption_->Left() + static_cast<double>(X)) + kMenuOffsetPixels,
                     TwipsToPixels(window_->Top() + leftcaption_->Top() + static_cast<double>(Y)) + kMenuOffsetPixels});
}

// ---- double clicks ----

void Form1::backcaption_DblClick() {
    if (backcaption_->MousePointer() == kArrow) ToggleMaximized();
}

void Form1::leftcaption_DblClick() {
    icondblclick = -1;
    Unload();
}

}  // namespace kest::recorder

// The skinned frame: the pieces kept in place on every size step, the rounded window outline
// and the toolbar gradient painted once at load.
#include <algorithm>
#include <cmath>

#include "recorder/engine/rounding.h"
#include "recorder/mainwindow/form1.h"
#include "recorder/mainwindow/skin.h"

namespace kest::recorder {

namespace {

constexpr double kTwips = platform::kTwipsPerPixel;
// The plain rectangle starts this far below the top, under the rounded corners.
constexpr std::int32_t kPlainTopOffset = 10;
// The bottom strip's right-hand corner decoration, in twips.
constexpr std::int32_t kCornerWidth = 1000;
constexpr std::int32_t kCornerRightMargin = 1015;

std::uint32_t Rgb(std::int32_t red, std::int32_t green, std::int32_t blue) {
    return static_cast<std::uint32_t>(red) | static_cast<std::uint32_t>(green) << 8 |
           static_cast<std::uint32_t>(blue) << 16;
}

}  // namespace

Outline ComputeOutline(std::int32_t outerWidth, std::int32_t outerHeight, std::int32_t clientWidth,
                       std::int32_t clientHeight, bool maximized) {
    // The insets cut the system's sizing frame away. A scaled display draws that frame wider
    // than the designed 4 and 3 pixels; the insets then grow with it, or a line of the frame
    // would show outside the skin's right and bottom edges.
    const std::int32_t frame = RoundToInt((outerWidth - clientWidth) / kTwips / 2);
    const std::int32_t inset = maximized ? 1 : std::max(4, frame + 1);
    const std::int32_t bottomInset = maximized ? 1 : std::max(3, frame);
    const std::int32_t top = RoundToInt((outerHeight - clientHeight) / kTwips - (maximized ? 3 : bottomInset));
    const std::int32_t right = RoundToInt(outerWidth / kTwips - inset);
    const std::int32_t bottom = RoundToInt(outerHeight / kTwips - bottomInset);
    return {{inset, top, right, bottom}, {inset, top + kPlainTopOffset, right, bottom}};
}

std::uint32_t ToolbarGradientColor(std::uint32_t background, std::int32_t xTwips) {
    const std::int32_t red = static_cast<std::int32_t>(background % 256);
    const std::int32_t green = static_cast<std::int32_t>((background % 65536) / 256);
    const std::int32_t blue = static_cast<std::int32_t>(background / 65536);
    const double t = static_cast<double>(xTwips - skin::kGradientStart) / (skin::kGradientEnd - skin::kGradientStart);
    return Rgb(RoundToInt(red + t * (201 - red)), RoundToInt(green + t * (210 - green)),
               RoundToInt(blue + t * (236 - blue)));
}

void Form1::PaintToolbar() {
    platform::PictureBox& box = *toolbarback_;
    box.RemovePicture();
    const std::uint32_t background = box.PointColor(1, 1);
    const std::int32_t height = box.ScaleHeight();
    for (std::int32_t x = skin::kGradientStart; x <= skin::kGradientEnd; ++x) {
        box.Line(x, 0, x, height, ToolbarGradientColor(background, x));
    }
    const std::int32_t screenWidth = platform_.toolkit.ScreenWidthTwips();
    box.FillBox(skin::kGradientEnd, 0, screenWidth, height, skin::kGradientEndColor);
    box.FillBox(0, height - platform::kTwipsPerPixel, screenWidth, height, skin::kToolbarLineColor);
}

void Form1::ApplyOutline() {
    auto& windows = platform_.windows;
    const Outline outline =
        ComputeOutline(window_->Width(), window_->Height(), window_->ScaleWidth(), window_->ScaleHeight(), Maximized());
    const platform::Rect& r = outline.rounded;
    platform::Region rounded(windows, windows.CreateRoundRectRgn(r.left, r.top, r.right, r.bottom, kOutlineCornerPixels,
                                                                 kOutlineCornerPixels));
    const platform::Rect& p = outline.plain;
    const platform::Region plain(windows, windows.CreateRectRgn(p.left, p.top, p.right, p.bottom));
    windows.CombineRgn(rounded.Get(), rounded.Get(), plain.Get(), platform::kRgnOr);
    const platform::Handle region = rounded.Get();
    if (rounded.GiveTo(window_->Hwnd(), true)) winrgn_ = region;
}

void Form1::RepaintBottomCorner() {
    platform::PictureBox& box = *bottomborder_;
    box.Cls();
    const std::int32_t height = box.ScaleHeight();
    box.DrawPicture(box.GetPicture(), window_->ScaleWidth() - kCornerRightMargin, 0, kCornerWidth, height,
                    box.ScaleWidth() - kCornerWidth, 0, kCornerWidth, height);
}

void Form1::Form_Resize() {
    if (window_->GetWindowState() == platform::WindowState::Minimized) return;
    ApplyOutline();
    const std::int32_t clientWidth = window_->ScaleWidth();
    const std::int32_t clientHeight = window_->ScaleHeight();
    rightcaption_->SetLeft(clientWidth - rightcaption_->Width() - 30);
    rightborder_->SetLeft(clientWidth - rightborder_->Width() - 15);
    bottomborder_->SetTop(clientHeight - bottomborder_->Height());

    const float textWidth = window_->TextWidth(label1_->Caption());
    std::int32_t titleLeft = RoundToInt(
        (clientWidth - rightcaption_->Width() + 2 * leftcaption_->Width() - static_cast<double>(textWidth)) / 2);
    if (titleLeft + label1_->Width() > rightcaption_->Left()) titleLeft = rightcaption_->Left() - label1_->Width();
    label1_->SetLeft(titleLeft);

    // The canvas is the frame size while a recording runs; only an idle window fits it.
    if (!RecordingInProgress()) {
        picture1_->Move(picture1_->Left(), picture1_->Top(), rightborder_->Left() - picture1_->Left(),
                        bottomborder_->Top() - picture1_->Top());
    }
    buttonSurfaces_[1]->SetVisible(window_->GetWindowState() == platform::WindowState::Normal);
    GiveForegroundToForm2();
    RepaintBottomCorner();
}

}  // namespace kest::recorder

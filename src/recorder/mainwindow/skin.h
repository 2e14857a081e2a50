// The main window's skin: the resource names of its pictures and the designed places of its
// pieces, in twips of their containers.
#pragma once

#include <array>
#include <cstdint>

#include "platform/types.h"

namespace kest::recorder::skin {

inline constexpr std::int32_t kClientWidth = 6240;
inline constexpr std::int32_t kClientHeight = 5115;
inline constexpr std::uint32_t kWindowBackColor = 0xF0F0F0;  // RGB(240, 240, 240)

// left, top, right, bottom
inline constexpr platform::Rect kBackCaption{0, 0, kClientWidth, 345};
inline constexpr platform::Rect kLeftCaption{0, 0, 345, 345};
inline constexpr platform::Rect kLabel1{1440, 90, 1440 + 2970, 90 + 180};
inline constexpr platform::Rect kRightCaption{4440, 0, 4440 + 1515, 375};
inline constexpr platform::Rect kButton1{480, 75, 480 + 285, 75 + 285};
inline constexpr platform::Rect kButton2{780, 75, 780 + 285, 75 + 285};
inline constexpr platform::Rect kButton3{1080, 75, 1080 + 285, 75 + 285};
inline constexpr platform::Rect kButton4 = kButton2;  // the restore button takes the maximise button's place
inline constexpr platform::Rect kToolbarBack{0, 345, 24000, 345 + 420};
inline constexpr platform::Rect kLeftBorder{0, 345, 60, 345 + 18000};
inline constexpr platform::Rect kRightBorder{6120, 120, 6120 + 60, 120 + 18000};
inline constexpr platform::Rect kBottomBorder{0, 4680, 24000, 4680 + 390};
inline constexpr platform::Rect kPicture1{120, 840, 120 + 5895, 840 + 3795};

inline const platform::Text kBackCaptionImage = u"SKIN_BACKCAPTION";
inline const platform::Text kIconImage = u"SKIN_ICON";
inline const platform::Text kRightCaptionImage = u"SKIN_RIGHTCAPTION";
inline const platform::Text kToolbarImage = u"SKIN_TOOLBAR";
inline const platform::Text kLeftBorderImage = u"SKIN_LEFTBORDER";
inline const platform::Text kRightBorderImage = u"SKIN_RIGHTBORDER";
inline const platform::Text kBottomBorderImage = u"SKIN_BOTTOMBORDER";

// Normal, hover and pressed pictures of Button1 (minimise) to Button4 (restore).
struct ButtonImages {
    platform::Text normal, hover, pressed;
};
inline const std::array<ButtonImages, 4> kButtonImages{{
    {u"SKIN_MIN_NORMAL", u"SKIN_MIN_HOVER", u"SKIN_MIN_DOWN"},
    {u"SKIN_MAX_NORMAL", u"SKIN_MAX_HOVER", u"SKIN_MAX_DOWN"},
    {u"SKIN_CLOSE_NORMAL", u"SKIN_CLOSE_HOVER", u"SKIN_CLOSE_DOWN"},
    {u"SKIN_RESTORE_NORMAL", u"SKIN_RESTORE_HOVER", u"SKIN_RESTORE_DOWN"},
}};

// The toolbar gradient runs from the box's own colour at 600 twips to this colour at 5000,
// and a one-pixel line of the second colour closes the toolbar at the bottom.
inline constexpr std::int32_t kGradientStart = 600;
inline constexpr std::int32_t kGradientEnd = 5000;
inline constexpr std::uint32_t kGradientEndColor = 0xECD2C9;  // RGB(201, 210, 236)
inline constexpr std::uint32_t kToolbarLineColor = 0xD1996B;  // RGB(107, 153, 209)

}  // namespace kest::recorder::skin

// The main window's size limits from the screen's size and the taskbar's rectangle, which come
// from the system and which a broken or hostile shell may report as anything.
// Input: the screen's width and height in twips (two i32), the taskbar's left, top, right and
// bottom (four i32).
#include "fuzz_input.h"
#include "recorder/mainwindow/form1.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kest::fuzz::FuzzInput in(data, size);
    const auto widthTwips = in.Take<std::int32_t>();
    const auto heightTwips = in.Take<std::int32_t>();
    kest::platform::Rect taskbar;
    for (auto* edge : {&taskbar.left, &taskbar.top, &taskbar.right, &taskbar.bottom}) *edge = in.Take<std::int32_t>();
    // What the window is told is read by the system; the undefined-behaviour sanitizer judges the arithmetic.
    const kest::recorder::SizeLimits limits = kest::recorder::ComputeSizeLimits(widthTwips, heightTwips, taskbar);
    kest::fuzz::Keep(static_cast<std::uint32_t>(limits.maxSize.x ^ limits.maxSize.y));
    return 0;
}

// Plain values that cross the seam between the programs and Windows.
#pragma once

#include <cstdint>
#include <string>

namespace kest::platform {

// Window, menu, cursor and library handles travel as pointer-sized integers so that
// portable code never needs <windows.h>.
using Handle = std::uintptr_t;

// Every user-visible text and every path is UTF-16, so Chinese texts and non-ASCII
// paths survive on any system code page.
using Text = std::u16string;

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    friend bool operator==(const Rect&, const Rect&) = default;
};

// Windows HRESULT-style status: 0 is success.
using Status = std::int32_t;

}  // namespace kest::platform

// UTF-16 texts of the seam are the wide strings of Windows.
#pragma once

#include <windows.h>

#include <string>

#include "platform/types.h"

namespace kest::platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline const wchar_t* Wide(const Text& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline Text FromWide(const wchar_t* text) { return Text(reinterpret_cast<const char16_t*>(text)); }
inline Text FromWide(const wchar_t* text, std::size_t length) {
    return Text(reinterpret_cast<const char16_t*>(text), length);
}

// The system's description of an error code, without the trailing line break.
Text ErrorDescription(DWORD error);

}  // namespace kest::platform::win32

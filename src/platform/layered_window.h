// The user32 values behind a layered window's opacity, shared by the recorder's window calls and
// the launcher's fades: a program may include both seams.
#pragma once

#include <cstdint>

namespace kest::platform {

inline constexpr std::int32_t kGwlExStyle = -20;
inline constexpr std::uint32_t kWsExLayered = 0x00080000;
inline constexpr std::uint32_t kLwaAlpha = 0x00000002;

}  // namespace kest::platform

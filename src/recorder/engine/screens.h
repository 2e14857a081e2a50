// The screens a person has: the virtual screen that spans every monitor, and the monitor a
// window is on. Pixels, which may be negative left of or above the primary monitor.
#pragma once

#include "platform/desktop.h"

namespace kest::recorder {

inline platform::Rect VirtualScreen(platform::Desktop& desktop) {
    const std::int32_t left = desktop.GetSystemMetrics(platform::kSmXVirtualScreen);
    const std::int32_t top = desktop.GetSystemMetrics(platform::kSmYVirtualScreen);
    return {left, top, left + desktop.GetSystemMetrics(platform::kSmCxVirtualScreen),
            top + desktop.GetSystemMetrics(platform::kSmCyVirtualScreen)};
}

// The monitor that holds the larger part of the window, as the system decides for maximising;
// the whole virtual screen when the system names none.
inline platform::Rect MonitorOfWindow(platform::Desktop& desktop, platform::Handle window) {
    platform::MonitorInfo info;
    const platform::Handle monitor = desktop.MonitorFromWindow(window, platform::kMonitorDefaultToNearest);
    return monitor && desktop.GetMonitorInfoOf(monitor, &info) ? info.monitor : VirtualScreen(desktop);
}

}  // namespace kest::recorder

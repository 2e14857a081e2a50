// user32 and kernel32 calls made directly by the programs.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace kest::platform {

// A monitor's place on the virtual screen, in pixels: the primary's top-left corner is (0, 0),
// the others may lie left of or above it.
struct MonitorInfo {
    Rect monitor;
    Rect work;
    std::uint32_t flags = 0;
};

class Desktop {
public:
    virtual ~Desktop() = default;
    virtual Handle GetCursor() = 0;
    virtual bool SetForegroundWindow(Handle window) = 0;
    virtual bool SetRect(Rect* rect, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) = 0;
    // The user's temporary directory with its trailing separator, however long.
    virtual Text TempPath() = 0;

    // Frame capture.
    virtual void KeybdEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                            std::uintptr_t extraInfo) = 0;
    // Changes whenever the clipboard's content changes.
    virtual std::uint32_t ClipboardSequenceNumber() = 0;
    virtual bool GetCursorPos(Point* position) = 0;
    // Device context of a window; window 0 is the whole screen.
    virtual Handle GetDC(Handle window) = 0;
    virtual std::int32_t ReleaseDC(Handle window, Handle dc) = 0;
    virtual bool BitBlt(Handle destination, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                        Handle source, std::int32_t sourceX, std::int32_t sourceY, std::uint32_t rop) = 0;
    virtual bool DrawIcon(Handle dc, std::int32_t x, std::int32_t y, Handle icon) = 0;

    // Screens: the virtual screen spans every monitor.
    virtual std::int32_t GetSystemMetrics(std::int32_t index) = 0;
    virtual Handle MonitorFromWindow(Handle window, std::uint32_t flags) = 0;
    virtual bool GetMonitorInfoOf(Handle monitor, MonitorInfo* info) = 0;
};

// The screen's device context for as long as it is in scope: released on every way out.
class ScreenDc {
public:
    explicit ScreenDc(Desktop& desktop) : desktop_(desktop), dc_(desktop.GetDC(0)) {}
    ~ScreenDc() {
        if (dc_) desktop_.ReleaseDC(0, dc_);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    Handle Get() const { return dc_; }

private:
    Desktop& desktop_;
    Handle dc_;
};

inline constexpr std::uint8_t kVkSnapshot = 44;
inline constexpr std::uint32_t kSrcCopy = 0x00CC0020;
inline constexpr std::int32_t kSmXVirtualScreen = 76;
inline constexpr std::int32_t kSmYVirtualScreen = 77;
inline constexpr std::int32_t kSmCxVirtualScreen = 78;
inline constexpr std::int32_t kSmCyVirtualScreen = 79;
// The monitor that holds the larger part of the window, or the nearest one.
inline constexpr std::uint32_t kMonitorDefaultToNearest = 2;
inline constexpr std::uint32_t kMonitorInfoPrimary = 1;

}  // namespace kest::platform

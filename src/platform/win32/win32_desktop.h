#pragma once

#include "platform/desktop.h"

namespace kest::platform::win32 {

class Win32Desktop : public Desktop {
public:
    Handle GetCursor() override;
    bool SetForegroundWindow(Handle window) override;
    bool SetRect(Rect* rect, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) override;
    Text TempPath() override;
    void KeybdEvent(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                    std::uintptr_t extraInfo) override;
    std::uint32_t ClipboardSequenceNumber() override;
    bool GetCursorPos(Point* position) override;
    Handle GetDC(Handle window) override;
    std::int32_t ReleaseDC(Handle window, Handle dc) override;
    bool BitBlt(Handle destination, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                Handle source, std::int32_t sourceX, std::int32_t sourceY, std::uint32_t rop) override;
    bool DrawIcon(Handle dc, std::int32_t x, std::int32_t y, Handle icon) override;
    std::int32_t GetSystemMetrics(std::int32_t index) override;
    Handle MonitorFromWindow(Handle window, std::uint32_t flags) override;
    bool GetMonitorInfoOf(Handle monitor, MonitorInfo* info) override;
};

}  // namespace kest::platform::win32

#pragma once

#include "platform/window_api.h"

namespace kest::platform::win32 {

class Win32WindowApi : public WindowApi {
public:
    std::int32_t GetWindowLongValue(Handle window, std::int32_t index) override;
    std::int32_t SetWindowLongValue(Handle window, std::int32_t index, std::int32_t value) override;
    bool SetLayeredWindowAttributes(Handle window, std::uint32_t colorKey, std::uint8_t alpha,
                                    std::uint32_t flags) override;
    Handle CreateRectRgn(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) override;
    Handle CreateRoundRectRgn(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                              std::int32_t ellipseWidth, std::int32_t ellipseHeight) override;
    std::int32_t CombineRgn(Handle destination, Handle source1, Handle source2, std::int32_t mode) override;
    bool DeleteObject(Handle object) override;
    std::int32_t SetWindowRgn(Handle window, Handle region, bool redraw) override;
    Handle SetParent(Handle child, Handle parent) override;
    Handle SetCapture(Handle window) override;
    bool ReleaseCapture() override;
    std::intptr_t SendWindowMessage(Handle window, std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) override;
    bool ClientToScreen(Handle window, Point* point) override;
    Handle GetSystemMenu(Handle window, bool revert) override;
    bool TrackPopupMenu(Handle menu, std::uint32_t flags, std::int32_t x, std::int32_t y, std::int32_t reserved,
                        Handle owner) override;
    Handle FindTopLevelWindow(const Text& className, const std::optional<Text>& title) override;
    bool GetWindowRect(Handle window, Rect* rect) override;
    std::vector<Handle> EnumThreadWindows() override;
    bool IsWindowVisible(Handle window) override;
    bool IsIconic(Handle window) override;
    bool SetCursorPos(std::int32_t x, std::int32_t y) override;
    bool ClipCursor(const Rect* rect) override;
    std::uint32_t GetSysColor(std::int32_t index) override;
};

}  // namespace kest::platform::win32

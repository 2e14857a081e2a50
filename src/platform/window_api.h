// The user32 and gdi32 calls the forms make on windows directly: styles, layered opacity,
// regions, parents, mouse capture and confinement, the system menu and the taskbar lookup.
// One operation per Windows call, with the same arguments and results.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/layered_window.h"
#include "platform/types.h"

namespace kest::platform {

inline constexpr std::int32_t kGwlStyle = -16;
inline constexpr std::uint32_t kWsCaption = 0x00C00000;
inline constexpr std::int32_t kRgnOr = 2;
inline constexpr std::uint32_t kTpmLeftButton = 0x0000;
inline constexpr std::uint32_t kTpmRightButton = 0x0002;
inline constexpr std::uint32_t kWmSysCommand = 0x0112;

class WindowApi {
public:
    virtual ~WindowApi() = default;

    virtual std::int32_t GetWindowLongValue(Handle window, std::int32_t index) = 0;
    // The previous value.
    virtual std::int32_t SetWindowLongValue(Handle window, std::int32_t index, std::int32_t value) = 0;
    virtual bool SetLayeredWindowAttributes(Handle window, std::uint32_t colorKey, std::uint8_t alpha,
                                            std::uint32_t flags) = 0;

    // Regions: coordinates in pixels relative to the window's outer top-left corner.
    virtual Handle CreateRectRgn(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) = 0;
    virtual Handle CreateRoundRectRgn(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                                      std::int32_t ellipseWidth, std::int32_t ellipseHeight) = 0;
    virtual std::int32_t CombineRgn(Handle destination, Handle source1, Handle source2, std::int32_t mode) = 0;
    virtual bool DeleteObject(Handle object) = 0;
    // Nonzero on success; the window owns the region from then on.
    virtual std::int32_t SetWindowRgn(Handle window, Handle region, bool redraw) = 0;

    // The previous parent.
    virtual Handle SetParent(Handle child, Handle parent) = 0;
    virtual Handle SetCapture(Handle window) = 0;
    virtual bool ReleaseCapture() = 0;
    virtual std::intptr_t SendWindowMessage(Handle window, std::uint32_t message, std::uintptr_t wParam,
                                            std::intptr_t lParam) = 0;
    virtual bool ClientToScreen(Handle window, Point* point) = 0;
    virtual Handle GetSystemMenu(Handle window, bool revert) = 0;
    // The chosen command goes to `owner` as WM_COMMAND; nothing is returned here.
    virtual bool TrackPopupMenu(Handle menu, std::uint32_t flags, std::int32_t x, std::int32_t y, std::int32_t reserved,
                                Handle owner) = 0;
    // Finds a top-level window by class; no title means any title.
    virtual Handle FindTopLevelWindow(const Text& className, const std::optional<Text>& title) = 0;
    virtual bool GetWindowRect(Handle window, Rect* rect) = 0;
    // EnumThreadWindows for the calling thread: its top-level windows, open menus, dialogs and
    // message boxes among them.
    virtual std::vector<Handle> EnumThreadWindows() = 0;
    virtual bool IsWindowVisible(Handle window) = 0;
    virtual bool IsIconic(Handle window) = 0;
    virtual bool SetCursorPos(std::int32_t x, std::int32_t y) = 0;
    // Null frees the pointer.
    virtual bool ClipCursor(const Rect* rect) = 0;
    // The colour of a system colour index (COLOR_WINDOWFRAME is 6).
    virtual std::uint32_t GetSysColor(std::int32_t index) = 0;
};

// One owner for a region until a window takes it: freed unless handed over with SetWindowRgn.
class Region {
public:
    Region(WindowApi& windows, Handle region) : windows_(windows), region_(region) {}
    ~Region() {
        if (region_) windows_.DeleteObject(region_);
    }
    Region(const Region&) = delete;
    Region& operator=(const Region&) = delete;
    Handle Get() const { return region_; }
    // Gives the region to the window; the window owns it only if the call succeeded.
    bool GiveTo(Handle window, bool redraw) {
        if (windows_.SetWindowRgn(window, region_, redraw) == 0) return false;
        region_ = 0;
        return true;
    }

private:
    WindowApi& windows_;
    Handle region_;
};

}  // namespace kest::platform

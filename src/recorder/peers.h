// What the recorder's windows ask of one another. Each knows the others only through these, and
// the program puts them together (recorder/recorder.h), so no window includes another's header
// and none writes another's state: the recording's state lives in the recording.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/platform.h"
#include "recorder/engine/recording.h"

namespace kest::recorder {

// The main window, as its menu strip sees it.
class MainWindowPeer {
public:
    virtual platform::Form& Window() = 0;
    // Where the toolbar begins in the main window's client area, in twips: the strip lies on it.
    virtual std::int32_t ToolbarTop() const = 0;
    // The recording the main window owns; there from the main window's load on.
    virtual Recording& CurrentRecording() = 0;
    virtual void start_click() = 0;
    virtual void stop_click() = 0;
    // Closes the main window, which may refuse.
    virtual void Unload() = 0;
    // A dialog or message box of the recorder is open.
    virtual bool ModalOpen() const = 0;
    // The main window's own menu, under its icon.
    virtual void ShowSystemMenu() = 0;

protected:
    ~MainWindowPeer() = default;
};

// The menu strip, as the main window sees it.
class ControlMenuPeer {
public:
    virtual void Form_Load() = 0;
    virtual platform::Form& Window() = 0;
    virtual void Unload() = 0;
    // What the settings menu says the next recording is to be started with.
    virtual const RecordingSettings& Settings() const = 0;

protected:
    ~ControlMenuPeer() = default;
};

// The area overlay, as the menu strip sees it.
class AreaOverlayPeer {
public:
    // Shows the overlay over a fresh picture of the screen. The chosen rectangle comes back in
    // screen pixels (left, top, width, height); Esc cancels.
    virtual void Show(std::function<void(const platform::Rect&)> chosen, std::function<void()> cancelled) = 0;
    virtual void Unload() = 0;

protected:
    ~AreaOverlayPeer() = default;
};

}  // namespace kest::recorder

// What the launcher reaches outside itself: its one window with the browser control, the three
// user32 calls behind its fades, starting the recorder and telling the user why that failed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/layered_window.h"
#include "platform/types.h"

namespace kest::platform {

inline constexpr std::int32_t kSwShowMinimized = 2;

// A borderless, white, centred window kept off the taskbar, holding a web browser control and
// a single-line text box. Positions are in twips at 15 twips per pixel, relative to the client
// area; the window is created hidden.
struct AboutWindowDesign {
    Text caption;
    std::int32_t clientWidthTwips = 0;
    std::int32_t clientHeightTwips = 0;
    std::uint32_t backColor = 0;  // 0x00BBGGRR
    Rect browserTwips;            // left, top, right, bottom
    Rect textBoxTwips;
    Text textBoxText;
};

class AboutWindow {
public:
    virtual ~AboutWindow() = default;  // destroys the window and its timers
    virtual Handle Hwnd() const = 0;
    // Shows the window centred on the screen.
    virtual void Show() = 0;
    // A running timer ticks through the handler given at creation with its id; starting a
    // running timer restarts it.
    virtual void StartTimer(int id, std::int32_t milliseconds) = 0;
    virtual void StopTimer(int id) = 0;
    virtual void SetTextBoxText(const Text& text) = 0;
    virtual Text TextBoxText() const = 0;
    // Sends the browser control to the address and returns at once. False when there is no
    // control to send (it could not be created); a page that fails to load is not reported.
    virtual bool Navigate(const Text& address) = 0;
};

class LauncherPlatform {
public:
    virtual ~LauncherPlatform() = default;
    virtual std::unique_ptr<AboutWindow> CreateAboutWindow(const AboutWindowDesign& design,
                                                           std::function<void(int timerId)> onTimer) = 0;
    // GetWindowLongW, SetWindowLongW and SetLayeredWindowAttributes. Each gives nullopt or false only when the function
    // cannot be called at all on this system; their own results are not reported.
    virtual std::optional<std::int32_t> ReadWindowLong(Handle window, std::int32_t index) = 0;
    virtual bool WriteWindowLong(Handle window, std::int32_t index, std::int32_t value) = 0;
    virtual bool SetLayeredWindowAttributes(Handle window, std::uint32_t colorKey, std::uint8_t alpha,
                                            std::uint32_t flags) = 0;
    // Starts a program by command line (no application name, so the system's program search
    // applies, the caller's own directory first) in the given initial show state, and neither
    // keeps nor waits for it. The system's description of the failure when it could not start.
    virtual std::optional<Text> StartProgram(const Text& commandLine, std::int32_t showState) = 0;
    // A modal error box with an OK button.
    virtual void ErrorBox(const Text& text, const Text& caption) = 0;
    // Ends the message loop; the program exits with the code.
    virtual void Quit(int exitCode) = 0;
};

}  // namespace kest::platform

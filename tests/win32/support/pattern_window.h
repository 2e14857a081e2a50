// A window that shows a known picture at a known place on the screen, for recordings to be
// compared with: the picture is a colour for each of its pixels, so a decoded frame is checked
// against the very function that painted it. A picture that changes (a clock) is painted again
// where it changed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace kest::testing {

class PatternWindow {
public:
    using Picture = std::function<COLORREF(int x, int y)>;  // window pixels from its top left

    // Shown and painted at once at `place` (screen pixels). Not topmost when a window of the
    // program must be able to cover it (the area overlay). Messages go to the creating thread.
    PatternWindow(RECT place, Picture picture, bool topmost = true);
    ~PatternWindow();
    PatternWindow(const PatternWindow&) = delete;
    PatternWindow& operator=(const PatternWindow&) = delete;

    HWND Hwnd() const { return window_; }
    void MoveTo(POINT corner);
    // Paints all of it again: without a window manager, what a closed dialog uncovers is not
    // always repainted by the window below.
    void Repaint();
    // Asks the picture again and paints only what changed, at once.
    void Update();

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Render();

    Picture picture_;
    int width_, height_;
    std::vector<std::uint32_t> pixels_;  // top-down rows of blue, green, red, unused
    HWND window_ = nullptr;
};

}  // namespace kest::testing

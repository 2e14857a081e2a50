// Real mouse and keyboard input, sent as a person's would be (SendInput) from a thread of its
// own, so that the test's window thread is free to run the system's move, size and menu loops
// that the input starts.
#pragma once

#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

namespace kest::testing {

struct InputStep {
    enum Kind { Move, Down, Up, KeyDown, KeyUp, Pause } kind;
    int x = 0, y = 0;  // screen pixels for Move; the key for KeyDown/KeyUp; milliseconds for Pause
    bool right = false;
};

InputStep MoveTo(int x, int y);
InputStep Press(bool right = false);
InputStep Release(bool right = false);
InputStep KeyPress(WORD key);
InputStep KeyRelease(WORD key);
InputStep Wait(int milliseconds);
// A drag with the left button from one point to another, in small steps.
std::vector<InputStep> Drag(POINT from, POINT to);
// A click with the left button at a point.
std::vector<InputStep> ClickAt(POINT at);
// Presses and releases each key in turn, holding the modifiers while it does.
std::vector<InputStep> Keys(std::vector<WORD> keys, std::vector<WORD> modifiers = {});

class InputScript {
public:
    explicit InputScript(std::vector<InputStep> steps);
    ~InputScript();
    bool Done() const { return done_; }

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

}  // namespace kest::testing

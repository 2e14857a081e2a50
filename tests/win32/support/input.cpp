#include "win32/support/input.h"

namespace kest::testing {

namespace {

// A person's hand moves between events; the pause lets each reach the window.
constexpr DWORD kStepMilliseconds = 25;

void SendMouse(DWORD flags, int x = 0, int y = 0) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        input.mi.dx = static_cast<LONG>((x * 65536LL + 32768) / GetSystemMetrics(SM_CXSCREEN));
        input.mi.dy = static_cast<LONG>((y * 65536LL + 32768) / GetSystemMetrics(SM_CYSCREEN));
    }
    SendInput(1, &input, sizeof input);
}

void SendKey(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

}  // namespace

InputStep MoveTo(int x, int y) { return {InputStep::Move, x, y}; }
InputStep Press(bool right) { return {InputStep::Down, 0, 0, right}; }
InputStep Release(bool right) { return {InputStep::Up, 0, 0, right}; }
InputStep KeyPress(WORD key) { return {InputStep::KeyDown, key}; }
InputStep KeyRelease(WORD key) { return {InputStep::KeyUp, key}; }
InputStep Wait(int milliseconds) { return {InputStep::Pause, milliseconds}; }

std::vector<InputStep> Drag(POINT from, POINT to) {
    std::vector<InputStep> steps{MoveTo(from.x + 1, from.y), MoveTo(from.x, from.y), Press()};
    constexpr int kSteps = 10;
    for (int i = 1; i <= kSteps; ++i) {
        steps.push_back(MoveTo(from.x + (to.x - from.x) * i / kSteps, from.y + (to.y - from.y) * i / kSteps));
    }
    steps.push_back(Wait(100));
    steps.push_back(Release());
    steps.push_back(Wait(100));
    return steps;
}

std::vector<InputStep> ClickAt(POINT at) {
    return {MoveTo(at.x, at.y), MoveTo(at.x + 1, at.y), MoveTo(at.x, at.y), Press(), Release(), Wait(50)};
}

std::vector<InputStep> Keys(std::vector<WORD> keys, std::vector<WORD> modifiers) {
    std::vector<InputStep> steps;
    for (WORD m : modifiers) steps.push_back(KeyPress(m));
    for (WORD k : keys) {
        steps.push_back(KeyPress(k));
        steps.push_back(KeyRelease(k));
    }
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) steps.push_back(KeyRelease(*it));
    return steps;
}

InputScript::InputScript(std::vector<InputStep> steps)
    : thread_([this, steps = std::move(steps)] {
          for (const InputStep& step : steps) {
              switch (step.kind) {
                  case InputStep::Move: SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, step.x, step.y); break;
                  case InputStep::Down: SendMouse(step.right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN); break;
                  case InputStep::Up: SendMouse(step.right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP); break;
                  case InputStep::KeyDown: SendKey(static_cast<WORD>(step.x), false); break;
                  case InputStep::KeyUp: SendKey(static_cast<WORD>(step.x), true); break;
                  case InputStep::Pause: Sleep(static_cast<DWORD>(step.x)); break;
              }
              Sleep(kStepMilliseconds);
          }
          done_ = true;
      }) {}

InputScript::~InputScript() {
    if (thread_.joinable()) thread_.join();
}

}  // namespace kest::testing

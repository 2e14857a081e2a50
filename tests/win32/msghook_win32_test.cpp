// msghook on real windows: subclassing through the real forwarding procedure, the clipboard-viewer
// chain, hot keys and child-window enumeration.

// The getters carry the SDK's macro names, so the hook's headers come before <windows.h>; past it,
// the SDK's macros stand in for the getters.
#include "recorder/msghook/msghook.h"
#include "recorder/msghook/msghook_module.h"

#include <windows.h>

#include "win32/support/dialog_watcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/win32/win32_window_hook.h"
#include "win32/msghook_getter_values.h"

namespace kest::testing {
namespace {

using platform::Handle;
using recorder::msghook;

constexpr wchar_t kProbeClass[] = L"KestHookProbe";
constexpr wchar_t kViewerClass[] = L"KestClipboardViewer";
// What the probe window's own procedure answers, so a test can tell who answered.
constexpr LRESULT kOwnAnswer = 0x600D;

Handle H(HWND window) { return reinterpret_cast<Handle>(window); }

struct Seen {
    HWND window;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Seen> ownProcedureSaw;

bool Probed(UINT msg) {
    switch (msg) {
        case WM_MOUSEMOVE: case WM_LBUTTONDOWN: case WM_NCLBUTTONDOWN: case WM_HOTKEY: case WM_MOVE: case WM_SIZE:
        case WM_KEYDOWN: case WM_SYSCOMMAND: case WM_COMMAND: case WM_QUERYENDSESSION:
        case WM_GETMINMAXINFO: return true;
        default: return false;
    }
}

// Answers the probed messages itself (so SC_CLOSE closes nothing) and notes them.
LRESULT CALLBACK ProbeProcedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!Probed(msg)) return DefWindowProcW(window, msg, wParam, lParam);
    ownProcedureSaw.push_back({window, msg, wParam, lParam});
    return kOwnAnswer;
}

// A well-behaved clipboard viewer of some other program.
struct Viewer {
    HWND window = nullptr;
    HWND next = nullptr;
    int drawClipboard = 0;
};
std::map<HWND, Viewer*> viewers;

LRESULT CALLBACK ViewerProcedure(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto it = viewers.find(window);
    if (it != viewers.end()) {
        Viewer& viewer = *it->second;
        if (msg == WM_DRAWCLIPBOARD) {
            ++viewer.drawClipboard;
            if (viewer.next) SendMessageW(viewer.next, msg, wParam, lParam);
            return 0;
        }
        if (msg == WM_CHANGECBCHAIN) {
            if (reinterpret_cast<HWND>(wParam) == viewer.next) {
                viewer.next = reinterpret_cast<HWND>(lParam);
            } else if (viewer.next) {
                SendMessageW(viewer.next, msg, wParam, lParam);
            }
            return 0;
        }
    }
    return DefWindowProcW(window, msg, wParam, lParam);
}

void RegisterClasses() {
    static const bool registered = [] {
        WNDCLASSEXW probe{};
        probe.cbSize = sizeof probe;
        probe.lpfnWndProc = ProbeProcedure;
        probe.hInstance = GetModuleHandleW(nullptr);
        probe.lpszClassName = kProbeClass;
        RegisterClassExW(&probe);
        WNDCLASSEXW viewer = probe;
        viewer.lpfnWndProc = ViewerProcedure;
        viewer.lpszClassName = kViewerClass;
        RegisterClassExW(&viewer);
        return true;
    }();
    (void)registered;
}

HWND CreateTopLevel(const wchar_t* className) {
    return CreateWindowExW(0, className, L"msghook", WS_OVERLAPPEDWINDOW, 100, 100, 300, 200, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

HWND CreateChild(HWND parent, const wchar_t* className) {
    return CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

// Runs pending messages until `done` holds or five seconds pass.
bool PumpUntil(const std::function<bool()>& done) { return kest::testing::WaitUntil(done, std::chrono::seconds(5)); }

struct Event {
    Handle hwnd;
    std::int32_t msg, arg1, arg2, arg3;
    friend bool operator==(const Event&, const Event&) = default;
};

class HookedWindowTest : public ::testing::Test {
protected:
    HookedWindowTest() {
        RegisterClasses();
        window = CreateTopLevel(kProbeClass);
        ownProcedure = GetWindowLongPtrW(window, GWLP_WNDPROC);
        ownProcedureSaw.clear();  // what creation sent
        hook->msgevent = [this](Handle hwnd, std::int32_t msg, std::int32_t a1, std::int32_t a2, std::int32_t a3) {
            events.push_back({hwnd, msg, a1, a2, a3});
            if (answer) answer(*hook, msg);
        };
    }
    ~HookedWindowTest() override {
        hook->setmsghook(0, false);
        DestroyWindow(window);
    }

    platform::win32::Win32WindowHook windows;
    std::shared_ptr<msghook> hook = msghook::New(windows);
    HWND window = nullptr;
    LONG_PTR ownProcedure = 0;
    std::vector<Event> events;
    std::function<void(msghook&, std::int32_t msg)> answer;
};

struct Delivered {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    std::int32_t arg1, arg2, arg3;
};

class DeliveryTest : public HookedWindowTest, public ::testing::WithParamInterface<Delivered> {};

TEST_P(DeliveryTest, SentMessageArrivesAsEventThenReachesTheWindow) {
    const Delivered d = GetParam();
    hook->setmsghook(H(window), true);
    EXPECT_EQ(SendMessageW(window, d.msg, d.wParam, d.lParam), kOwnAnswer);
    EXPECT_EQ(events, (std::vector<Event>{{H(window), static_cast<std::int32_t>(d.msg), d.arg1, d.arg2, d.arg3}}));
    ASSERT_EQ(ownProcedureSaw.size(), 1u);
    EXPECT_EQ(ownProcedureSaw[0].msg, d.msg);
    EXPECT_EQ(ownProcedureSaw[0].wParam, d.wParam);
    EXPECT_EQ(ownProcedureSaw[0].lParam, d.lParam);
}

INSTANTIATE_TEST_SUITE_P(
    Groups, DeliveryTest,
    ::testing::Values(Delivered{WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, MAKELPARAM(0x0010, 0xFFFF), 5, 16, -1},
                      Delivered{WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(-300, 20), HTCAPTION, -300, 20},
                      Delivered{WM_HOTKEY, 7, MAKELPARAM(MOD_ALT, VK_F9), 7, MOD_ALT, VK_F9},
                      Delivered{WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480), 640, 480, 0},
                      Delivered{WM_MOVE, 0, MAKELPARAM(-10, -20), -10, -20, 0},
                      Delivered{WM_KEYDOWN, VK_F5, 0x003F0001, VK_F5, 0, 0},
                      Delivered{WM_SYSCOMMAND, SC_CLOSE, MAKELPARAM(5, 6), SC_CLOSE, 0, 0},
                      Delivered{WM_COMMAND, MAKEWPARAM(101, 0), 0, 101, 0, 0},
                      Delivered{WM_QUERYENDSESSION, 0, static_cast<LPARAM>(ENDSESSION_LOGOFF), 0, 0, 0}));

TEST_F(HookedWindowTest, EnabledKeepsTheMessageFromTheWindow) {
    hook->setmsghook(H(window), true);
    answer = [](msghook& h, std::int32_t msg) { h.Enabled = msg == WM_SYSCOMMAND; };
    EXPECT_EQ(SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0), 1);
    EXPECT_TRUE(ownProcedureSaw.empty());
    EXPECT_TRUE(IsWindow(window));

    EXPECT_EQ(SendMessageW(window, WM_KEYDOWN, VK_F5, 0), kOwnAnswer);
    EXPECT_EQ(ownProcedureSaw.size(), 1u);
}

TEST_F(HookedWindowTest, MinMaxInfoChangesOnlyWhatTheHandlerSets) {
    hook->setmsghook(H(window), true);
    MINMAXINFO seen{};
    answer = [&](msghook& h, std::int32_t) {
        seen.ptMaxSize = {h.MaxSizeX, h.MaxSizeY};
        seen.ptMaxPosition = {h.MaxPositionX, h.MaxPositionY};
        seen.ptMinTrackSize = {h.MinTrackSizeX, h.MinTrackSizeY};
        seen.ptMaxTrackSize = {h.MaxTrackSizeX, h.MaxTrackSizeY};
        h.MinTrackSizeX = 400;
    };
    MINMAXINFO info{{-1, -2}, {1920, 1080}, {-8, -9}, {120, 40}, {1936, 1096}};
    EXPECT_EQ(SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info)), 1);

    EXPECT_EQ(events, (std::vector<Event>{{H(window), WM_GETMINMAXINFO, 0, 0, 0}}));
    EXPECT_EQ(seen.ptMaxSize.x, 1920);
    EXPECT_EQ(seen.ptMaxPosition.y, -9);
    EXPECT_EQ(seen.ptMinTrackSize.y, 40);
    EXPECT_EQ(seen.ptMaxTrackSize.x, 1936);
    const MINMAXINFO expected{{-1, -2}, {1920, 1080}, {-8, -9}, {400, 40}, {1936, 1096}};
    EXPECT_EQ(std::memcmp(&info, &expected, sizeof info), 0);
    EXPECT_TRUE(ownProcedureSaw.empty());
}

TEST_F(HookedWindowTest, MinimumTrackWidthHoldsWhenTheWindowIsSized) {
    hook->setmsghook(H(window), true);
    answer = [](msghook& h, std::int32_t msg) {
        if (msg == WM_GETMINMAXINFO) h.MinTrackSizeX = 400;
    };
    SetWindowPos(window, nullptr, 0, 0, 150, 150, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT bounds{};
    GetWindowRect(window, &bounds);
    EXPECT_EQ(bounds.right - bounds.left, 400);
    EXPECT_EQ(bounds.bottom - bounds.top, 150);
}

TEST_F(HookedWindowTest, UnhookingRestoresTheWindowsOwnProcedure) {
    hook->setmsghook(H(window), true);
    hook->setmsghook(H(window), true);
    EXPECT_NE(GetWindowLongPtrW(window, GWLP_WNDPROC), ownProcedure);
    EXPECT_EQ(recorder::msghookModule::OldProcs[1], static_cast<Handle>(ownProcedure));

    EXPECT_EQ(SendMessageW(window, WM_KEYDOWN, VK_F5, 0), kOwnAnswer);
    EXPECT_EQ(ownProcedureSaw.size(), 1u) << "a window hooked twice reaches its own procedure once";

    hook->setmsghook(H(window), false);
    EXPECT_EQ(GetWindowLongPtrW(window, GWLP_WNDPROC), ownProcedure);
    events.clear();
    EXPECT_EQ(SendMessageW(window, WM_KEYDOWN, VK_F5, 0), kOwnAnswer);
    EXPECT_TRUE(events.empty());
}

TEST_F(HookedWindowTest, HotKeyIsHeldUntilReleased) {
    hook->setmsghook(H(window), true);
    HWND rival = CreateTopLevel(kProbeClass);
    hook->sethotkey(VK_F9, MOD_CONTROL | MOD_ALT, 0x4B);
    EXPECT_FALSE(RegisterHotKey(rival, 1, MOD_CONTROL | MOD_ALT, VK_F9)) << "the hook holds this key";
    EXPECT_TRUE(UnregisterHotKey(window, 0x4B));
    EXPECT_TRUE(RegisterHotKey(window, 0x4B, MOD_CONTROL | MOD_ALT, VK_F9));

    hook->sethotkey(0, 0, 0);
    EXPECT_TRUE(RegisterHotKey(rival, 1, MOD_CONTROL | MOD_ALT, VK_F9));
    UnregisterHotKey(rival, 1);
    DestroyWindow(rival);
}

// ---- clipboard-viewer chain ----

void ChangeClipboard(HWND owner) {
    ASSERT_TRUE(OpenClipboard(owner));
    EmptyClipboard();
    HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 4 * sizeof(wchar_t));
    std::memcpy(GlobalLock(text), L"kest", 4 * sizeof(wchar_t));
    GlobalUnlock(text);
    SetClipboardData(CF_UNICODETEXT, text);
    CloseClipboard();
}

class ClipboardChainTest : public HookedWindowTest {
protected:
    ClipboardChainTest() {
        other.window = CreateTopLevel(kViewerClass);
        viewers[other.window] = &other;
        other.next = SetClipboardViewer(other.window);
    }
    ~ClipboardChainTest() override {
        if (inChain) ChangeClipboardChain(other.window, other.next);
        viewers.erase(other.window);
        DestroyWindow(other.window);
    }
    int DrawClipboardEvents() const {
        return static_cast<int>(std::count_if(events.begin(), events.end(),
                                              [](const Event& e) { return e.msg == WM_DRAWCLIPBOARD; }));
    }

    Viewer other;
    bool inChain = true;
};

TEST_F(ClipboardChainTest, ViewerAfterTheHookedWindowStillHearsOfChanges) {
    hook->setmsghook(H(window), true);
    ASSERT_EQ(GetClipboardViewer(), window);
    const int heard = other.drawClipboard;

    ChangeClipboard(window);
    ASSERT_TRUE(PumpUntil([&] { return other.drawClipboard > heard; }));
    EXPECT_EQ(DrawClipboardEvents(), 1);
}

TEST_F(ClipboardChainTest, HookedWindowFollowsTheChainWhenItsNextViewerLeaves) {
    hook->setmsghook(H(window), true);
    ChangeClipboardChain(other.window, other.next);  // the system tells the head, our window
    inChain = false;
    const int heard = other.drawClipboard;

    ChangeClipboard(window);
    ASSERT_TRUE(PumpUntil([&] { return DrawClipboardEvents() == 1; }));
    EXPECT_EQ(other.drawClipboard, heard) << "a viewer that left must not be told any more";
}

TEST_F(ClipboardChainTest, UnhookingTakesTheWindowOutOfTheChain) {
    hook->setmsghook(H(window), true);
    hook->setmsghook(H(window), false);
    EXPECT_EQ(GetClipboardViewer(), other.window);
    const int heard = other.drawClipboard;
    ChangeClipboard(other.window);
    EXPECT_TRUE(PumpUntil([&] { return other.drawClipboard > heard; }));
    EXPECT_TRUE(events.empty());
}

// ---- child windows ----

TEST_F(HookedWindowTest, EveryDescendantIsReportedOnceWithItsClassName) {
    static const std::wstring longName = L"KestHookProbeWithAClassNameLongerThanTheSixtyFourCharacterBuffer_";
    ASSERT_GT(longName.size(), 63u);
    WNDCLASSEXW longClass{};
    longClass.cbSize = sizeof longClass;
    longClass.lpfnWndProc = DefWindowProcW;
    longClass.hInstance = GetModuleHandleW(nullptr);
    longClass.lpszClassName = longName.c_str();
    RegisterClassExW(&longClass);

    HWND button = CreateChild(window, L"Button");
    HWND group = CreateChild(window, L"Static");
    HWND edit = CreateChild(group, L"Edit");
    HWND list = CreateChild(group, L"ListBox");
    HWND deep = CreateChild(list, longName.c_str());
    ASSERT_TRUE(button && group && edit && list && deep);

    std::map<Handle, std::wstring> reported;
    std::vector<Handle> order;
    hook->EnumChildevent = [&](Handle hwnd, const platform::Text& name) {
        reported[hwnd] = std::wstring(name.begin(), name.end());
        order.push_back(hwnd);
    };
    EXPECT_EQ(hook->GetChildWindow(H(window), u""), 0u);

    const std::map<Handle, std::wstring> expected{{H(button), L"Button"},  {H(group), L"Static"},
                                                  {H(edit), L"Edit"},      {H(list), L"ListBox"},
                                                  {H(deep), longName.substr(0, 63)}};
    EXPECT_EQ(reported, expected);
    EXPECT_EQ(order.size(), 5u);
    auto position = [&](HWND w) { return std::find(order.begin(), order.end(), H(w)) - order.begin(); };
    EXPECT_LT(position(group), position(edit));
    EXPECT_LT(position(list), position(deep));

    EXPECT_EQ(hook->GetChildWindow(H(window), u"Edit"), order.back()) << "the last descendant visited";
    EXPECT_EQ(order.size(), 5u) << "a class name given raises no events";
}

// ---- constants ----

TEST(MsghookConstantsTest, GettersGiveTheSdkValues) {
#define KEST_SDK(name) {#name, static_cast<std::int32_t>(name)}
    const std::map<std::string, std::int32_t> sdk{
        KEST_SDK(SC_KEYMENU),         KEST_SDK(SC_HOTKEY),          KEST_SDK(SC_MOVE),
        KEST_SDK(SC_SIZE),            KEST_SDK(SC_MINIMIZE),        KEST_SDK(SC_MAXIMIZE),
        KEST_SDK(SC_CLOSE),           KEST_SDK(SC_RESTORE),         KEST_SDK(MK_LBUTTON),
        KEST_SDK(MK_RBUTTON),         KEST_SDK(MK_MBUTTON),         KEST_SDK(MK_SHIFT),
        KEST_SDK(MK_CONTROL),         KEST_SDK(MOD_ALT),            KEST_SDK(MOD_CONTROL),
        KEST_SDK(MOD_SHIFT),          KEST_SDK(WM_MOVE),            KEST_SDK(WM_SIZE),
        KEST_SDK(WM_SYSCOMMAND),      KEST_SDK(WM_COMMAND),         KEST_SDK(WM_ACTIVATEAPP),
        KEST_SDK(WM_NCACTIVATE),      KEST_SDK(WM_GETMINMAXINFO),   KEST_SDK(WM_QUERYOPEN),
        KEST_SDK(WM_HOTKEY),          KEST_SDK(WM_DRAWCLIPBOARD),   KEST_SDK(WM_QUERYENDSESSION),
        KEST_SDK(WM_KEYDOWN),         KEST_SDK(WM_KEYUP),           KEST_SDK(WM_MOUSEMOVE),
        KEST_SDK(WM_LBUTTONDOWN),     KEST_SDK(WM_LBUTTONUP),       KEST_SDK(WM_LBUTTONDBLCLK),
        KEST_SDK(WM_RBUTTONDOWN),     KEST_SDK(WM_RBUTTONUP),       KEST_SDK(WM_RBUTTONDBLCLK),
        KEST_SDK(WM_MBUTTONDOWN),     KEST_SDK(WM_MBUTTONUP),       KEST_SDK(WM_MBUTTONDBLCLK),
        KEST_SDK(WM_NCMOUSEMOVE),     KEST_SDK(WM_NCLBUTTONDOWN),   KEST_SDK(WM_NCLBUTTONUP),
        KEST_SDK(WM_NCLBUTTONDBLCLK), KEST_SDK(WM_NCRBUTTONDOWN),   KEST_SDK(WM_NCRBUTTONUP),
        KEST_SDK(WM_NCRBUTTONDBLCLK), KEST_SDK(WM_NCMBUTTONDOWN),   KEST_SDK(WM_NCMBUTTONUP),
        KEST_SDK(WM_NCMBUTTONDBLCLK), KEST_SDK(WM_CHANGECBCHAIN),
    };
#undef KEST_SDK
    const auto getters = MsghookGetterValues();
    ASSERT_EQ(getters.size(), 50u) << "49 getters and the chain notice";
    for (const NamedValue& getter : getters) {
        ASSERT_EQ(sdk.count(getter.name), 1u) << getter.name;
        EXPECT_EQ(getter.value, sdk.at(getter.name)) << getter.name;
    }
}

}  // namespace
}  // namespace kest::testing

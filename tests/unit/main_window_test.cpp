// The skinned main window on the test double: start-up order, the fade, the outline and the
// pieces on a resize, the resize zones and the commands they send, the icon's menu, the close
// question, the size limits and the caption buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "fake/fake_platform.h"
#include "recorder/controlmenu/form2.h"
#include "recorder/mainwindow/form1.h"
#include "recorder/msghook/msghook_module.h"
#include "support/recorder_test.h"

namespace kest::recorder {
namespace {

using kest::testing::RecorderTest;

using platform::Rect;
using platform::WindowState;

constexpr std::uint32_t kWmSysCommand = 0x0112;

class MainWindowTest : public RecorderTest<fake::FakePlatform> {
protected:
    MainWindowTest() { form1.Load(form2); }

    fake::FakeForm& Main() { return static_cast<fake::FakeForm&>(form1.Window()); }
    fake::FakePictureBox& Box(platform::PictureBox& box) { return static_cast<fake::FakePictureBox&>(box); }
    std::vector<std::uintptr_t> SysCommands() {
        std::vector<std::uintptr_t> commands;
        for (const auto& sent : fake.windows.sent) {
            if (sent.message == kWmSysCommand && sent.window == form1.Window().Hwnd()) commands.push_back(sent.wParam);
        }
        return commands;
    }
    void StartRecording() {
        form2.start_Click();
        ASSERT_TRUE(form1.RecordingInProgress());
    }

    fake::FakePlatform& fake = host;
};

TEST_F(MainWindowTest, StartsInTheDesignedOrder) {
    const auto at = [&](const std::string& entry) {
        return std::find(fake.log.begin(), fake.log.end(), entry) - fake.log.begin();
    };
    const auto end = static_cast<std::ptrdiff_t>(fake.log.size());
    // The landing page opens first, the menu strip shows before the main window fades in.
    EXPECT_EQ(at("OpenWebPage"), 0);
    EXPECT_LT(at("Show " + fake::Utf8(kProductCaption)), end);
    EXPECT_EQ(fake.toolkit.forms.size(), 2u);
    EXPECT_TRUE(form2.Window().Visible());
    EXPECT_TRUE(form1.Window().Visible());
    EXPECT_EQ(fake::Utf8(fake.toolkit.webPagesOpened.at(0)), "http://kest35.invalid/kest/z");
    // The caption bits are gone; the other style bits stay.
    const auto style = fake.windows.longs[{form1.Window().Hwnd(), platform::kGwlStyle}];
    EXPECT_EQ(static_cast<std::uint32_t>(style) & platform::kWsCaption, 0u);
    // Both windows report to the one hook object, the strip is a child of the main window.
    ASSERT_NE(form1.tmsg(), nullptr);
    const auto& hooked = msghookModule::HookedHwnds;
    EXPECT_NE(std::find(hooked.begin(), hooked.end(), form1.Window().Hwnd()), hooked.end());
    EXPECT_NE(std::find(hooked.begin(), hooked.end(), form2.Window().Hwnd()), hooked.end());
    EXPECT_EQ(fake.windows.parents[form2.Window().Hwnd()], form1.Window().Hwnd());
    EXPECT_EQ(form1.sysmenu, fake::FakeWindowApi::kSystemMenu);
    EXPECT_EQ(Rec().Fields().aviwidth, 1920);
    EXPECT_EQ(Rec().Fields().aviheight, 1080);
    EXPECT_EQ(Main().backColor, 0xF0F0F0u);
    // Centred on the 1920x1080 screen, in twips.
    EXPECT_EQ(Main().bounds.left, (28800 - Main().Width()) / 2);
    EXPECT_EQ(Main().bounds.top, (16200 - Main().Height()) / 2);
}

using MainWindowStart = RecorderTest<fake::FakePlatform>;

TEST_F(MainWindowStart, SecondCopyOpensThePageAndEndsWithoutAWindow) {
    host.toolkit.prevInstance = true;
    form1.Load(form2);
    EXPECT_EQ(host.log, (std::vector<std::string>{"OpenWebPage", "EndProcess"}));
    EXPECT_FALSE(form1.Window().Visible());
    EXPECT_TRUE(host.windows.alphas.empty());
}

TEST_F(MainWindowTest, FadesInFromTransparentAndStopsBeingLayered) {
    const platform::Handle hwnd = form1.Window().Hwnd();
    std::vector<int> alphas;
    for (const auto& a : fake.windows.alphas) {
        if (a.window == hwnd) alphas.push_back(a.alpha);
    }
    ASSERT_EQ(alphas.size(), 257u);
    EXPECT_EQ(alphas[0], 0);
    for (int level = 0; level <= 255; ++level) EXPECT_EQ(alphas[static_cast<std::size_t>(level) + 1], level);
    const std::int32_t exStyle = fake.windows.longs[{hwnd, platform::kGwlExStyle}];
    EXPECT_EQ(exStyle, 0) << "the extended style is restored";

    fake.windows.alphas.clear();
    form1.FadeWindow(false);
    ASSERT_EQ(fake.windows.alphas.size(), 256u);
    EXPECT_EQ(fake.windows.alphas.front().alpha, 255);
    EXPECT_EQ(fake.windows.alphas.back().alpha, 0);  // NOLINT
}

TEST(Outline, RoundedTopOverASquareBottom) {
    EXPECT_EQ(ComputeOutline(6300, 5500, 6240, 5115, false), (Outline{{4, 23, 416, 364}, {4, 33, 416, 364}}));
    EXPECT_EQ(ComputeOutline(28920, 16335, 28800, 16215, true), (Outline{{1, 5, 1927, 1088}, {1, 15, 1927, 1088}}));
}

// The captionless window as Wine lays it out at 96 and at 144 dpi (a 3- and a 4-pixel frame):
// the outline cuts the frame away and ends on the skin's right and bottom edges.
TEST(Outline, CutsAWiderFrameOfAScaledDisplayAway) {
    EXPECT_EQ(ComputeOutline(424 * 15, 368 * 15, 418 * 15, 362 * 15, false),
              (Outline{{4, 3, 420, 365}, {4, 13, 420, 365}}));
    EXPECT_EQ(ComputeOutline(426 * 15, 379 * 15, 418 * 15, 371 * 15, false),
              (Outline{{5, 4, 421, 375}, {5, 14, 421, 375}}));
}

TEST(ToolbarGradient, RunsFromTheBoxColourToTheEndColour) {
    EXPECT_EQ(ToolbarGradientColor(0xF0F0F0, 600), 0xF0F0F0u);
    EXPECT_EQ(ToolbarGradientColor(0xF0F0F0, 5000), 0xECD2C9u);
    EXPECT_EQ(ToolbarGradientColor(0x000000, 2800), 0x766964u);  // halfway: (100.5, 105, 118) rounded to even
}

TEST_F(MainWindowTest, PaintsTheToolbarOnceAtLoad) {
    auto& toolbar = Box(form1.toolbarback());
    EXPECT_FALSE(toolbar.hasPicture) << "its design-time picture is removed";
    ASSERT_FALSE(toolbar.draws.empty());
    const auto& first = toolbar.draws.front();
    EXPECT_EQ(first.kind, "Line");
    EXPECT_EQ(first.rect, (Rect{600, 0, 600, 420}));
    EXPECT_EQ(first.rgb, toolbar.backColor);
    const auto& bottomLine = toolbar.draws.back();
    EXPECT_EQ(bottomLine.kind, "FillBox");
    EXPECT_EQ(bottomLine.rect, (Rect{0, 405, 28800, 420}));
    EXPECT_EQ(bottomLine.rgb, 0xD1996Bu);
    EXPECT_EQ(toolbar.draws[toolbar.draws.size() - 2].rect, (Rect{5000, 0, 28800, 420}));
}

TEST_F(MainWindowTest, ResizeKeepsThePiecesAtTheEdges) {
    Main().SizeTo(9060, 6385);  // client 9000 x 6000
    EXPECT_EQ(form1.rightcaption().Left(), 9000 - 1515 - 30);
    EXPECT_EQ(form1.rightborder().Left(), 9000 - 60 - 15);
    EXPECT_EQ(form1.bottomborder().Top(), 6000 - 390);
    // The title is centred between the icon and the right piece: 15 characters of 90 twips,
    // 3412.5 rounded to even.
    EXPECT_EQ(form1.Label1().Left(), 3412);
    EXPECT_EQ(form1.Picture1().Width(), 8925 - 120);
    EXPECT_EQ(form1.Picture1().Height(), 5610 - 840);
    // The bottom strip's corner is drawn at the right edge again.
    const auto& corner = Box(form1.bottomborder()).draws.back();
    EXPECT_EQ(corner.rect, (Rect{9000 - 1015, 0, 9000 - 15, 390}));
    EXPECT_EQ(corner.source, (Rect{24000 - 1000, 0, 24000, 390}));
    EXPECT_EQ(fake.desktop.foregrounded.back(), form2.Window().Hwnd());
}

TEST_F(MainWindowTest, TitleThatWouldRunUnderTheRightPieceIsPushedLeft) {
    Main().SizeTo(6300, 5500);
    EXPECT_EQ(form1.Label1().Left() + form1.Label1().Width(), form1.rightcaption().Left());
}

TEST_F(MainWindowTest, CanvasKeepsItsSizeWhileRecording) {
    StartRecording();
    const auto width = form1.Picture1().Width();
    Main().SizeTo(12060, 8385);
    EXPECT_EQ(form1.Picture1().Width(), width);
    form2.done_Click();
    Main().state = WindowState::Normal;
    Main().SizeTo(12060, 8385);
    EXPECT_EQ(form1.Picture1().Width(), form1.rightborder().Left() - 120);
}

TEST_F(MainWindowTest, MaximiseHidesTheMaximiseButtonAndMinimiseChangesNothing) {
    Main().state = WindowState::Maximized;
    Main().SizeTo(28920, 16335);
    EXPECT_FALSE(form1.CaptionButton(2).Surface().Visible());
    EXPECT_TRUE(form1.CaptionButton(4).Surface().Visible());
    const auto regions = fake.windows.regionsSet.size();
    Main().state = WindowState::Minimized;
    Main().SizeTo(3000, 2000);
    EXPECT_EQ(fake.windows.regionsSet.size(), regions);
    Main().state = WindowState::Normal;
    Main().SizeTo(6300, 5500);
    EXPECT_TRUE(form1.CaptionButton(2).Surface().Visible());
}

TEST_F(MainWindowTest, RegionsOfALongResizeAreNeverLeaked) {
    for (int step = 0; step < 200; ++step) Main().SizeTo(6300 + step * 15, 5500 + step * 15);
    EXPECT_TRUE(fake.windows.regions.empty()) << "every region is either the window's or deleted";
    EXPECT_EQ(fake.windows.ownedRegions_.size(), fake.windows.windowRegions.size()) << "one region per window";
    fake.windows.setWindowRgnSucceeds = false;
    Main().SizeTo(9000, 7000);
    EXPECT_TRUE(fake.windows.regions.empty()) << "a region the window refused is freed by its maker";
}

// ---- zones ----

enum class Piece { BackCaption, LeftCaption, RightCaption, LeftBorder, RightBorder, BottomBorder };

// Each piece's zones: the pointer a move over (x, y) shows (99: left as it was) and the system
// command a left press there sends (0: none), worked out from the point alone.
struct ZoneCase {
    Piece piece;
    float x, y;
    bool maximized;
    std::int16_t pointer;
    std::uintptr_t command;
};

class ZoneTest : public MainWindowTest, public ::testing::WithParamInterface<ZoneCase> {
protected:
    platform::PictureBox& PieceBox(Piece piece) {
        switch (piece) {
            case Piece::BackCaption: return form1.backcaption();
            case Piece::LeftCaption: return form1.leftcaption();
            case Piece::RightCaption: return form1.rightcaption();
            case Piece::LeftBorder: return form1.leftborder();
            case Piece::RightBorder: return form1.rightborder();
            case Piece::BottomBorder: return form1.bottomborder();
        }
        throw std::logic_error("piece");
    }
};

TEST_P(ZoneTest, PointerShowsTheZoneAndALeftPressHandsItToTheSystem) {
    const ZoneCase& c = GetParam();
    if (c.maximized) Main().state = WindowState::Maximized;
    Main().SizeTo(6300, 5500);  // client 6240 x 5115; the bottom strip is 390 high
    auto& box = PieceBox(c.piece);
    box.SetMousePointer(99);  // a value no zone gives, to see "unchanged"
    box.MouseMove(0, 0, c.x, c.y);
    EXPECT_EQ(box.MousePointer(), c.pointer);
    // Pressed where the pointer last showed another zone: the press acts on its own place.
    box.SetMousePointer(c.pointer == 0 ? 7 : 0);
    fake.log.clear();
    fake.toolkit.tickCount += 1000;  // the icon's wait for a double click runs out at once
    box.MouseDown(2, 0, c.x, c.y);
    box.MouseDown(1, 0, c.x, c.y);
    EXPECT_EQ(SysCommands(), c.command ? std::vector<std::uintptr_t>{c.command} : std::vector<std::uintptr_t>{});
    if (c.command) {
        const auto release = std::find(fake.log.begin(), fake.log.end(), "ReleaseCapture");
        const auto send = std::find_if(fake.log.begin(), fake.log.end(),
                                       [](const std::string& e) { return e.rfind("SendMessage 274", 0) == 0; });
        EXPECT_LT(release, send) << "the system's loop needs the mouse";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, ZoneTest,
    ::testing::Values(
        ZoneCase{Piece::BackCaption, 2000, 44, false, 7, 0xF003},
        ZoneCase{Piece::BackCaption, 2000, 45, false, 0, 0xF012}, ZoneCase{Piece::BackCaption, 2000, 10, true, 0, 0},
        ZoneCase{Piece::LeftCaption, 89, 89, false, 8, 0xF004}, ZoneCase{Piece::LeftCaption, 90, 89, false, 0, 0},
        ZoneCase{Piece::LeftCaption, 89, 90, false, 0, 0}, ZoneCase{Piece::LeftCaption, 10, 10, true, 99, 0},
        ZoneCase{Piece::RightCaption, 1396, 119, false, 6, 0xF005},
        ZoneCase{Piece::RightCaption, 1395, 119, false, 0, 0}, ZoneCase{Piece::RightCaption, 1396, 120, false, 0, 0},
        ZoneCase{Piece::RightCaption, 1500, 10, true, 99, 0}, ZoneCase{Piece::LeftBorder, 30, 500, false, 9, 0xF001},
        ZoneCase{Piece::LeftBorder, 30, 500, true, 0, 0}, ZoneCase{Piece::RightBorder, 30, 500, false, 9, 0xF002},
        ZoneCase{Piece::RightBorder, 30, 500, true, 0, 0}, ZoneCase{Piece::BottomBorder, 99, 291, false, 6, 0xF007},
        ZoneCase{Piece::BottomBorder, 100, 291, false, 7, 0xF006},
        ZoneCase{Piece::BottomBorder, 6141, 291, false, 8, 0xF008},
        ZoneCase{Piece::BottomBorder, 6140, 291, false, 7, 0xF006},
        ZoneCase{Piece::BottomBorder, 3000, 291, false, 7, 0xF006},
        ZoneCase{Piece::BottomBorder, 3000, 290, false, 0, 0}, ZoneCase{Piece::BottomBorder, 99, 290, false, 9, 0xF001},
        ZoneCase{Piece::BottomBorder, 6141, 100, false, 9, 0xF002},
        ZoneCase{Piece::BottomBorder, 99, 291, true, 0, 0}));

TEST_F(MainWindowTest, MaximisedCaptionDoesNotMoveButDoubleClickRestores) {
    Main().state = WindowState::Maximized;
    form1.backcaption().MouseDown(1, 0, 2000, 100);
    EXPECT_TRUE(SysCommands().empty());
    form1.backcaption().DblClick();
    EXPECT_EQ(Main().state, WindowState::Normal);
    form1.backcaption().DblClick();
    EXPECT_EQ(Main().state, WindowState::Maximized);
}

TEST_F(MainWindowTest, PressOnTheToolbarOrCanvasOnlyGivesTheKeyboardToTheStrip) {
    fake.desktop.foregrounded.clear();
    form1.toolbarback().MouseDown(1, 0, 100, 100);
    form1.Picture1().MouseDown(1, 0, 100, 100);
    EXPECT_EQ(fake.desktop.foregrounded, (std::vector<platform::Handle>{form2.Window().Hwnd(), form2.Window().Hwnd()}));
    EXPECT_TRUE(SysCommands().empty());
}

// ---- the icon and the system menu ----

TEST_F(MainWindowTest, IconClickOpensTheMenuUnderTheIconAfterTheDoubleClickTime) {
    Main().Move(3000, 1500, 6300, 5500);
    form1.leftcaption().SetMousePointer(0);
    form1.leftcaption().MouseDown(1, 0, 100, 100);
    ASSERT_EQ(fake.windows.popups.size(), 1u);
    EXPECT_EQ(fake.windows.popups[0].at, (platform::Point{(3000 + 45) / 15 + 2, (1500 + 345) / 15 + 2}));
    EXPECT_EQ(fake.windows.popups[0].flags, 0u);
    EXPECT_EQ(fake.windows.popups[0].menu, form1.sysmenu);
    int waited = 0;
    for (auto w : fake.toolkit.waits) waited += w;
    EXPECT_EQ(waited, fake.toolkit.doubleClickTime) << "the wait sleeps, it does not spin";
    EXPECT_EQ(form1.icondblclick, 0);
}

TEST_F(MainWindowTest, IconDoubleClickClosesInsteadOfOpeningTheMenu) {
    form1.leftcaption().SetMousePointer(0);
    fake.toolkit.onDoEvents = [&] {
        fake.toolkit.onDoEvents = nullptr;
        form1.leftcaption().DblClick();
    };
    form1.leftcaption().MouseDown(1, 0, 100, 100);
    fake.toolkit.DeliverPosted();  // the posted close arrives
    EXPECT_TRUE(fake.windows.popups.empty());
    EXPECT_TRUE(Main().unloaded);
    EXPECT_TRUE(static_cast<fake::FakeForm&>(form2.Window()).unloaded);
}

TEST_F(MainWindowTest, RightClickOnTheCaptionOpensTheMenuAtThePointer) {
    fake.windows.clientOrigin = {500, 300};
    form1.backcaption().SetMousePointer(0);
    form1.backcaption().MouseUp(2, 0, 1500, 150);
    form1.leftcaption().SetMousePointer(0);
    Main().Move(3000, 1500, 6300, 5500);
    form1.leftcaption().MouseUp(2, 0, 150, 150);
    ASSERT_EQ(fake.windows.popups.size(), 2u);
    EXPECT_EQ(fake.windows.popups[0].at, (platform::Point{600, 310}));
    EXPECT_EQ(fake.windows.popups[0].flags, platform::kTpmRightButton);
    EXPECT_EQ(fake.windows.popups[1].at, (platform::Point{(3000 + 150) / 15 + 2, (1500 + 150) / 15 + 2}));
}

// ---- dispatch ----

TEST(SizeLimits, MaximisedWindowCoversTheScreenAboveTheTaskbar) {
    EXPECT_EQ(ComputeSizeLimits(28800, 16200, {0, 1040, 1920, 1080}), (SizeLimits{{1928, 1049}, {-4, -4}, {400, 300}}));
    EXPECT_EQ(ComputeSizeLimits(28800, 16200, {}).maxSize, (platform::Point{1928, 1089}));
    // A taskbar rectangle no system reports: defined sizes, held within 32 bits.
    EXPECT_EQ(ComputeSizeLimits(28800, 16200, {0, INT32_MIN, 0, INT32_MAX}).maxSize.y, INT32_MIN);
    EXPECT_EQ(ComputeSizeLimits(28800, 16200, {0, INT32_MAX, 0, INT32_MIN}).maxSize.y, INT32_MAX);
}

TEST_F(MainWindowTest, SizeLimitsAnswerTheSystem) {
    fake.windows.taskbar = 0x7A5C;
    fake.windows.taskbarRect = {0, 1040, 1920, 1080};
    const std::intptr_t record = 0x1234;
    fake.hooks.records[record] = {};
    msghookModule::HookWndProc(form1.Window().Hwnd(), 0x0024, 0, record);
    const platform::MinMaxInfo& info = fake.hooks.records[record];
    EXPECT_EQ(info.ptMaxSize, (platform::Point{1928, 1049}));
    EXPECT_EQ(info.ptMaxPosition, (platform::Point{-4, -4}));
    EXPECT_EQ(info.ptMinTrackSize, (platform::Point{400, 300}));
}

TEST_F(MainWindowTest, SystemMenuChoiceIsCarriedOutAsASystemCommand) {
    msghookModule::HookWndProc(form1.Window().Hwnd(), 0x0111, 0xF020, 0);
    EXPECT_EQ(SysCommands(), (std::vector<std::uintptr_t>{0xF020}));
}

TEST_F(MainWindowTest, OnlyAnExactCloseCommandToTheStripClosesTheRecorder) {
    msghookModule::HookWndProc(form2.Window().Hwnd(), 0x0112, 0xF061, 0);
    EXPECT_FALSE(Main().unloaded);
    msghookModule::HookWndProc(form2.Window().Hwnd(), 0x0112, 0xF060, 0);
    fake.toolkit.DeliverPosted();  // the posted close arrives
    EXPECT_TRUE(Main().unloaded);
}

struct ReleaseCase {
    int button;
    std::int16_t mouseButton;
    float x, y;
    bool acts;
    // Where the pointer last was on the caption strip: a top-edge grip left behind by a sizing
    // loop must not disable the maximise button.
    std::int16_t captionPointer = 0;
};

class CaptionButtonTest : public MainWindowTest, public ::testing::WithParamInterface<ReleaseCase> {};

TEST_P(CaptionButtonTest, ActsOnlyOnALeftReleaseInside) {
    const ReleaseCase& c = GetParam();
    form1.backcaption().SetMousePointer(c.captionPointer);
    form1.CaptionButton(c.button).Surface().MouseUp(c.mouseButton, 0, c.x, c.y);
    fake.toolkit.DeliverPosted();  // the posted close arrives
    switch (c.button) {
        case 1: EXPECT_EQ(Main().state == WindowState::Minimized, c.acts); break;
        case 2:
        case 4: EXPECT_EQ(Main().state == WindowState::Maximized, c.acts); break;
        case 3: EXPECT_EQ(Main().unloaded, c.acts); break;
    }
}

INSTANTIATE_TEST_SUITE_P(Buttons, CaptionButtonTest,
                         ::testing::Values(ReleaseCase{1, 1, 140, 140, true}, ReleaseCase{1, 2, 140, 140, false},
                                           ReleaseCase{2, 1, 1, 1, true}, ReleaseCase{2, 1, 0, 140, false},
                                           ReleaseCase{3, 1, 284, 284, true}, ReleaseCase{3, 1, 285, 140, false},
                                           ReleaseCase{3, 1, 140, -10, false}, ReleaseCase{4, 1, 140, 140, true},
                                           ReleaseCase{2, 1, 140, 140, true, 7}, ReleaseCase{4, 1, 140, 140, true, 7}));

// ---- closing ----

TEST_F(MainWindowTest, ClosingIdleAsksNothingAndUnhooksBeforeHiding) {
    Main().Close();
    fake.toolkit.DeliverPosted();  // the posted close arrives
    EXPECT_TRUE(fake.toolkit.messages.empty());
    EXPECT_TRUE(Main().unloaded);
    EXPECT_FALSE(Main().visible);
    EXPECT_TRUE(static_cast<fake::FakeForm&>(form2.Window()).unloaded);
}

// The question holds the recording while it is open; its length is left out of the recorded time
// (the arithmetic is the recording's, tested there).
class CloseQuestionTest : public MainWindowTest, public ::testing::WithParamInterface<platform::MsgBoxResult> {};

TEST_P(CloseQuestionTest, TheAnswerDecidesAndTheRecordingWaitsMeanwhile) {
    const bool yes = GetParam() == platform::MsgBoxResult::Yes;
    form2.recordsound_Click();
    fake.toolkit.clock = 35000.0;
    StartRecording();
    for (int slot = 0; slot < 12; ++slot, fake.toolkit.clock += 0.1) form1.Timer1_Timer();
    fake.toolkit.clock = 36000.2;
    fake.toolkit.messageAnswers = {GetParam()};
    auto& timer1 = static_cast<fake::FakeTimer&>(form1.Timer1());
    bool timersStoppedWhileAsking = false;
    const auto before = fake.toolkit.messages.size();
    // The time passes while the box is open.
    fake.toolkit.onMessage = [&] {
        timersStoppedWhileAsking = !timer1.enabled;
        fake.toolkit.clock = 36012.7;
    };
    Main().Close();
    fake.toolkit.DeliverPosted();  // the posted close arrives
    ASSERT_EQ(fake.toolkit.messages.size(), before + 1) << "asked, and nothing more told";
    EXPECT_EQ(fake::Utf8(fake.toolkit.messages.back().text), "正在录制，是否停止？");
    EXPECT_EQ(fake::Utf8(fake.toolkit.messages.back().caption), "Velvra");
    EXPECT_EQ(fake.toolkit.messages.back().buttons, platform::MsgBoxButtons::YesNo);
    EXPECT_TRUE(timersStoppedWhileAsking);
    EXPECT_EQ(Main().unloaded, yes);
    EXPECT_EQ(form1.RecordingInProgress(), !yes);
    EXPECT_EQ(avi.IsOpen(), !yes);
    EXPECT_EQ(fake.avi.exitCount, yes ? 1 : 0);
    EXPECT_EQ(timer1.enabled, !yes);
    // "Yes" ends the recording as the stop does: the frames kept, the sound as long as the picture.
    const auto slots = std::count_if(fake.avi.writes.begin(), fake.avi.writes.end(),
                                     [](const auto& w) { return w.stream != fake::FakeAvi::kSoundStream; });
    if (yes) {
        EXPECT_TRUE(fake.files.Exists(u"C:\\rec\\movie.avi"));
        EXPECT_EQ(avi.SoundSamplesWritten(), slots * 2205);
    } else {
        EXPECT_EQ(Rec().Fields().starttime, 35013);
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, CloseQuestionTest,
                         ::testing::Values(platform::MsgBoxResult::No, platform::MsgBoxResult::Yes));

// ---- the recording in the caption ----

struct CaptionCase {
    const char* name;
    bool area;
    std::vector<std::string> afterTheWrite;
};

class RecordingCaptionTest : public MainWindowTest, public ::testing::WithParamInterface<CaptionCase> {};

// Only a full-screen recording counts its frames and seconds in the caption; every tick that
// wrote lets the events waiting meanwhile run.
TEST_P(RecordingCaptionTest, FullScreenTicksCountInTheCaption) {
    if (GetParam().area) form2.recordareae_Click();
    const auto caption = fake::Utf8(form1.Window().Caption());
    fake.toolkit.clock = 36000.0;
    StartRecording();
    fake.log.clear();
    fake.toolkit.clock = 36002.5390625;
    GetParam().area ? form1.Timer2_Timer() : form1.Timer1_Timer();
    const auto write = std::find(fake.log.begin(), fake.log.end(), "AVIStreamWrite 0");
    ASSERT_NE(write, fake.log.end());
    EXPECT_EQ(std::vector<std::string>(write + 1, fake.log.end()), GetParam().afterTheWrite);
    if (GetParam().area) {
        EXPECT_EQ(fake::Utf8(form1.Window().Caption()), caption);
    }
    form2.done_Click();
    EXPECT_EQ(fake::Utf8(form1.Window().Caption()), "Tamsy");
}

INSTANTIATE_TEST_SUITE_P(
    Modes, RecordingCaptionTest,
    ::testing::Values(CaptionCase{"FullScreen", false, {"SetCaption Flame:1 Second:2.5390625", "DoEvents"}},
                      CaptionCase{"Area", true, {"DoEvents"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, AFailedWriteIsToldOnceTheWindowsShowTheStop) {
    fake.avi.script.failWriteAt = 1;
    StartRecording();
    form1.Timer1_Timer();
    fake.toolkit.clock += 0.1;
    form1.Timer1_Timer();
    EXPECT_FALSE(form1.RecordingInProgress());
    ASSERT_EQ(fake.toolkit.messages.size(), 1u);
    const std::string told = "MsgBox " + fake::Utf8(fake.toolkit.messages[0].text);
    const auto at = [&](const std::string& entry) { return std::find(fake.log.begin(), fake.log.end(), entry); };
    EXPECT_LT(at("SetCaption Tamsy"), at(told)) << "the recording is stopped before the person reads anything";
    EXPECT_TRUE(form2.start().Enabled());
    form2.done_Click();
    EXPECT_EQ(fake.toolkit.messages.size(), 1u) << "a later stop finds nothing to tell";
}

struct ElapsedCase {
    double clock;
    std::int32_t start;
    const char* text;
};

class ElapsedTest : public ::testing::TestWithParam<ElapsedCase> {};

TEST_P(ElapsedTest, PrintsAsManyDigitsAsTheClockCarries) {
    EXPECT_EQ(fake::Utf8(FormatElapsed(GetParam().clock, GetParam().start)), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Clock, ElapsedTest,
                         ::testing::Values(ElapsedCase{36002.5390625, 36000, "2.5390625"},
                                           ElapsedCase{36000.0 + 2539 / 1000.0, 36000, "2.539"},
                                           ElapsedCase{36002.1, 36000, "2.1"}, ElapsedCase{36000.0, 36000, "0"},
                                           ElapsedCase{36010.0, 36000, "10"}, ElapsedCase{0.25, 0, "0.25"},
                                           ElapsedCase{5.5, 86395, "10.5"}, ElapsedCase{36000.4, 36001, "-0.6"}));

}  // namespace
}  // namespace kest::recorder

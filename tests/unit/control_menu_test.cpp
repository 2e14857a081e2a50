// The menu strip and the area overlay on the test double: the strip's place, pause and
// continue, the settings, Alt+Space, and the overlay's drag, move and confirm.
#include <gtest/gtest.h>

#include <cmath>

#include "fake/fake_platform.h"
#include "recorder/areaselect/form3.h"
#include "recorder/controlmenu/form2.h"
#include "recorder/mainwindow/form1.h"
#include "recorder/msghook/msghook_module.h"
#include "support/recorder_test.h"

namespace kest::recorder {
namespace {

using kest::testing::RecorderTest;

using platform::MsgBoxResult;

class ControlMenuTest : public RecorderTest<fake::FakePlatform> {
protected:
    ControlMenuTest() { form1.Load(form2); }
    fake::FakeForm& Main() { return static_cast<fake::FakeForm&>(form1.Window()); }
    // The recorded part as the recording has it: x0, y0, aviwidth, aviheight.
    platform::Rect Area() {
        const RecordingFields& f = Rec().Fields();
        return {f.x0, f.y0, f.aviwidth, f.aviheight};
    }

    fake::FakePlatform& fake = host;
};

TEST(MenuStrip, RegionAndPlaceFollowTheNonClientHeights) {
    // Main window designed with a caption (385 twips of frame), strip with a caption and a menu bar.
    const MenuStripPlacement place = PlaceMenuStrip(385, 685, 345);
    EXPECT_EQ(place.regionPixels, (platform::Rect{4, 22, 100, 42}));
    EXPECT_EQ(place.positionTwips, (platform::Point{60, 345 + 60 - 385 + 60}));
    // A bar that the system lays out a pixel lower, with titles past pixel 100: the strip keeps
    // to the bar and shows every title.
    EXPECT_EQ(PlaceMenuStrip(385, 685, 345, {4, 23, 96, 42}).regionPixels, (platform::Rect{4, 23, 100, 42}));
    EXPECT_EQ(PlaceMenuStrip(385, 685, 345, {4, 24, 112, 43}).regionPixels, (platform::Rect{4, 24, 112, 42}));
}

TEST_F(ControlMenuTest, LoadLeavesOnlyTheRecordCursorChecked) {
    EXPECT_FALSE(form2.done().Enabled());
    EXPECT_FALSE(form2.pause().Enabled());
    EXPECT_TRUE(form2.start().Enabled());
    EXPECT_TRUE(form2.recordcursor().Checked());
    EXPECT_FALSE(form2.recordareae().Checked());
    EXPECT_TRUE(form2.fps(0).Checked()) << "ten frames a second at every start";
    EXPECT_FALSE(form2.fps(1).Checked() || form2.fps(2).Checked());
    const auto strip = form2.Window().Hwnd();
    EXPECT_EQ(fake.windows.parents[strip], form1.Window().Hwnd());
    EXPECT_EQ(form2.Window().Left(), 60);
}

struct MenuState {
    bool start, pause, done, quit, recordcursor, recordareae, recordsound, framerate;
    const char16_t* pauseCaption;
    friend bool operator==(const MenuState&, const MenuState&) = default;
    friend void PrintTo(const MenuState& m, std::ostream* os) {
        *os << m.start << m.pause << m.done << m.quit << m.recordcursor << m.recordareae << m.recordsound << m.framerate
            << " " << fake::Utf8(m.pauseCaption);
    }
};
constexpr MenuState kIdle{true, false, false, true, true, true, true, true, u"暂停"};
constexpr MenuState kRecording{false, true, true, false, false, false, false, false, u"暂停"};
constexpr MenuState kPaused{false, true, true, false, false, false, false, false, u"继续"};

// The file menu shows the recording's state, whoever changed it; the main window minimises at
// the start and again before a paused recording goes on.
TEST_F(ControlMenuTest, TheMenusFollowTheRecording) {
    const auto menus = [&] {
        return MenuState{form2.start().Enabled(),       form2.pause().Enabled(),        form2.done().Enabled(),
                         form2.quit().Enabled(),        form2.recordcursor().Enabled(), form2.recordareae().Enabled(),
                         form2.recordsound().Enabled(), form2.framerate().Enabled(),    nullptr};
    };
    const auto shows = [&](MenuState expected) {
        MenuState seen = menus();
        EXPECT_EQ(form2.pause().Caption(), expected.pauseCaption);
        seen.pauseCaption = expected.pauseCaption;
        return seen == expected;
    };
    EXPECT_TRUE(shows(kIdle));
    form2.start_Click();
    EXPECT_TRUE(shows(kRecording));
    EXPECT_EQ(Main().state, platform::WindowState::Minimized);
    Main().state = platform::WindowState::Normal;  // the person restores it to pause
    form2.pause_Click();
    EXPECT_TRUE(shows(kPaused));
    EXPECT_EQ(Main().state, platform::WindowState::Normal);
    form2.pause_Click();
    EXPECT_TRUE(shows(kRecording));
    EXPECT_EQ(Main().state, platform::WindowState::Minimized);
    form2.pause_Click();
    form2.done_Click();
    EXPECT_TRUE(shows(kIdle)) << "a stop while paused puts the pause item back";
    EXPECT_EQ(fake.desktop.foregrounded.back(), form2.Window().Hwnd());
    form2.start_Click();
    form2.pause_Click();
    EXPECT_FALSE(form1.Timer1().Enabled()) << "the first click of the next recording pauses it";
}

// A start that does not happen changes neither the menus nor the window.
TEST_F(ControlMenuTest, AStartRefusedOrCancelledLeavesTheWindowsAsTheyWere) {
    for (const int dialogResult : {0, 1}) {
        fake.saveDialog.result = dialogResult;
        fake.avi.script.setFormatStatus = static_cast<platform::Status>(0x80044070);
        form2.start_Click();
        EXPECT_TRUE(form2.start().Enabled());
        EXPECT_FALSE(form2.done().Enabled());
        EXPECT_EQ(Main().state, platform::WindowState::Normal);
    }
}

// The settings are what the next recording starts with, and their check marks show them; of
// the frame rates, the one chosen last alone.
TEST_F(ControlMenuTest, TheSettingsStartTheNextRecording) {
    const auto& captions = static_cast<fake::FakeForm&>(form2.Window()).menuCaptions;
    ASSERT_GE(captions.size(), 7u);
    EXPECT_EQ(std::vector<platform::Text>(captions.end() - 7, captions.end()),
              (std::vector<platform::Text>{u"录制光标", u"录制区域", u"录制声音", u"帧率", u"每秒 10 帧", u"每秒 15 帧",
                                           u"每秒 30 帧"}));
    const auto parent = [](platform::MenuItem& item) { return static_cast<fake::FakeMenuItem&>(item).parent; };
    EXPECT_TRUE(parent(form2.framerate()) == &form2.setting() && parent(form2.fps(2)) == &form2.framerate());
    EXPECT_EQ(form2.Settings(), (RecordingSettings{true, false, false, 10}));
    form2.recordcursor_Click();
    form2.recordsound_Click();
    form2.fps_Click(1);
    form2.fps_Click(2);
    EXPECT_FALSE(form2.fps(0).Checked() || form2.fps(1).Checked());
    EXPECT_TRUE(form2.fps(2).Checked());
    EXPECT_EQ(form2.Settings(), (RecordingSettings{false, false, true, 30}));
    EXPECT_FALSE(form2.recordcursor().Checked());
    EXPECT_TRUE(form2.recordsound().Checked());
    form2.start_Click();
    EXPECT_EQ(fake.sound.opens, 1);
    EXPECT_EQ(fake.avi.streamInfo.dwRate, 30u);
    form2.recordcursor_Click();  // the items are disabled; clicks that came anyway
    form2.fps_Click(0);
    form1.Timer1_Timer();
    EXPECT_EQ(std::count(fake.log.begin(), fake.log.end(), "GetCursorPos"), 0)
        << "a recording keeps the settings it was started with";
    EXPECT_EQ(form1.Timer1().Interval(), 34) << "the next of 30 slots a second";
}

TEST_F(ControlMenuTest, ClosingTheStripClosesTheMainWindowInstead) {
    auto& strip = static_cast<fake::FakeForm&>(form2.Window());
    strip.Close();
    fake.toolkit.DeliverPosted();  // the posted close arrives
    EXPECT_FALSE(strip.closed) << "the strip refuses while the main window shows";
    // The system's close command for the strip goes through the hook to the main window.
    msghookModule::HookWndProc(strip.Hwnd(), 0x0112, 0xF060, 0);
    fake.toolkit.DeliverPosted();  // the posted close arrives
    EXPECT_TRUE(Main().closed);
    EXPECT_TRUE(strip.unloaded);
}

TEST_F(ControlMenuTest, CommandsWaitWhileADialogOfTheRecorderIsOpen) {
    int dialogs = 0;
    fake.saveDialog.result = 0;
    fake.toolkit.onDoEvents = nullptr;
    // A second start chosen while the save dialog is open must not open a second dialog.
    fake.saveDialog.whileOpen = [&] {
        ++dialogs;
        form2.start_Click();
        form2.quit_Click();
        form2.fps_Click(2);
    };
    form2.start_Click();
    EXPECT_EQ(dialogs, 1);
    EXPECT_FALSE(Main().unloaded);
    EXPECT_EQ(form2.Settings().fps, 10);
}

struct KeyCase {
    std::int16_t key, shift;
    bool opensMenu;
};
class AltSpaceTest : public ControlMenuTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(AltSpaceTest, OnlyAltSpaceOpensTheMainWindowsMenuUnderTheIcon) {
    form2.Window().KeyDown(GetParam().key, GetParam().shift);
    ASSERT_EQ(fake.windows.popups.size(), GetParam().opensMenu ? 1u : 0u);
    if (GetParam().opensMenu) {
        const auto pixels = [](double twips) { return static_cast<std::int32_t>(std::lround(twips / 15)); };
        EXPECT_EQ(fake.windows.popups[0].at,
                  (platform::Point{pixels(form1.Window().Left() + 45) + 2, pixels(form1.Window().Top() + 345) + 2}));
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, AltSpaceTest,
                         ::testing::Values(KeyCase{32, 4, true}, KeyCase{32, 0, false}, KeyCase{32, 5, false},
                                           KeyCase{70, 4, false}));

TEST_F(ControlMenuTest, StripRefusesToUnloadWhileTheMainWindowShows) {
    EXPECT_TRUE(form2.Form_Unload());
    form1.Window().Hide();
    EXPECT_FALSE(form2.Form_Unload());
}

TEST_F(ControlMenuTest, UncheckingRecordAreaGoesBackToTheWholeScreen) {
    fake.toolkit.screenWidthTwips = 15360;
    fake.toolkit.screenHeightTwips = 11520;
    form2.recordareae_Click();
    ASSERT_TRUE(form3.Loaded());
    form3.Form_MouseDown(1, 0, 300, 450);
    form3.Form_MouseMove(1, 0, 3300, 1950);
    form3.Form_MouseUp(1, 0, 3300, 1950);
    form3.Form_MouseDown(1, 0, 1800, 1200);
    EXPECT_EQ(Rec().Fields().aviwidth, 200);
    EXPECT_TRUE(form2.Settings().area);
    form2.recordareae_Click();
    EXPECT_FALSE(form2.recordareae().Checked());
    EXPECT_FALSE(form2.Settings().area);
    EXPECT_EQ((platform::Rect{Rec().Fields().x0, Rec().Fields().y0, Rec().Fields().aviwidth, Rec().Fields().aviheight}),
              (platform::Rect{20, 30, 1024, 768}))
        << "the corner of the last area stays";
}

// ---- the overlay ----

class OverlayTest : public ControlMenuTest {
protected:
    OverlayTest() {
        form2.recordareae_Click();
        overlay = &form3;
    }
    Form3* overlay = nullptr;
    std::optional<platform::Rect> LastClip() { return fake.windows.clips.back(); }
};

TEST_F(OverlayTest, DragReleaseAndClickGiveTheNormalisedRectangle) {
    ASSERT_TRUE(overlay->Loaded());
    overlay->Form_MouseDown(1, 0, 300 * 15, 300 * 15);
    overlay->Form_MouseMove(1, 0, 150 * 15, 220 * 15);
    overlay->Form_MouseUp(1, 0, 150 * 15, 220 * 15);
    EXPECT_TRUE(overlay->moving);
    EXPECT_EQ(fake.windows.cursorMoves.back(), (platform::Point{225, 260}));
    EXPECT_EQ(LastClip(), (platform::Rect{75, 40, 1920 - 75, 1080 - 40}));
    const std::size_t clips = fake.windows.clips.size();
    overlay->Form_MouseDown(1, 0, 225 * 15, 260 * 15);
    EXPECT_EQ(Area(), (platform::Rect{150, 220, 150, 80}));
    EXPECT_EQ(LastClip(), std::nullopt) << "confirming frees the pointer";
    EXPECT_EQ(fake.windows.clips.size(), clips + 1) << "once";
    EXPECT_FALSE(overlay->Loaded());
}

TEST(Overlay, ConfinementKeepsTheRectangleOnTheScreen) {
    EXPECT_EQ(MoveConfinement(200 * 15, 100 * 15, 1024 * 15, 768 * 15), (platform::Rect{100, 50, 924, 718}));
}

enum class Step { Press, DragTo, Release, Hover, RightClick, Escape, Reactivate };
struct OverlayStep {
    Step step;
    float x, y;
};
struct OverlayCase {
    const char* name;
    std::vector<OverlayStep> steps;
    bool moving;
    bool loaded;
    platform::Rect corners;  // x1, y1, x2, y2 in pixels after the steps
};

class OverlayMachineTest : public OverlayTest, public ::testing::WithParamInterface<OverlayCase> {};

TEST_P(OverlayMachineTest, StepsLeaveTheExpectedState) {
    const auto& c = GetParam();
    const fake::FakePictureBox* snapshot = fake.toolkit.forms.back()->boxes.at(0);
    for (const auto& s : c.steps) {
        const float x = s.x * 15, y = s.y * 15;
        switch (s.step) {
            case Step::Press: overlay->Form_MouseDown(1, 0, x, y); break;
            case Step::DragTo: overlay->Form_MouseMove(1, 0, x, y); break;
            case Step::Release: overlay->Form_MouseUp(1, 0, x, y); break;
            case Step::Hover: overlay->Form_MouseMove(0, 0, x, y); break;
            case Step::RightClick: overlay->Form_MouseDown(2, 0, x, y); break;
            case Step::Escape: overlay->Form_KeyDown(27, 0); break;
            case Step::Reactivate: overlay->Form_Activate(); break;
        }
    }
    EXPECT_EQ(overlay->moving, c.moving);
    EXPECT_EQ(overlay->Loaded(), c.loaded);
    if (c.loaded) {
        EXPECT_EQ(
            (platform::Rect{static_cast<std::int32_t>(overlay->x1 / 15), static_cast<std::int32_t>(overlay->y1 / 15),
                            static_cast<std::int32_t>(overlay->x2 / 15), static_cast<std::int32_t>(overlay->y2 / 15)}),
            c.corners);
    } else {
        EXPECT_EQ(snapshot->WidthPixels() * snapshot->HeightPixels(), 1)
            << "an unloaded overlay keeps no picture of the screen";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Machine, OverlayMachineTest,
    ::testing::Values(
        OverlayCase{"drag", {{Step::Press, 10, 10}, {Step::DragTo, 110, 60}}, false, true, {10, 10, 110, 60}},
        OverlayCase{
            "release_on_anchor_stays", {{Step::Press, 10, 10}, {Step::Release, 10, 10}}, false, true, {10, 10, 0, 0}},
        OverlayCase{"release_moves",
                    {{Step::Press, 10, 10}, {Step::DragTo, 110, 60}, {Step::Release, 110, 60}},
                    true,
                    true,
                    {10, 10, 110, 60}},
        OverlayCase{"hover_centres",
                    {{Step::Press, 10, 10}, {Step::DragTo, 110, 60}, {Step::Release, 110, 60}, {Step::Hover, 500, 400}},
                    true,
                    true,
                    {450, 375, 550, 425}},
        OverlayCase{
            "right_click_starts_over",
            {{Step::Press, 10, 10}, {Step::DragTo, 110, 60}, {Step::Release, 110, 60}, {Step::RightClick, 5, 5}},
            false,
            true,
            {0, 0, 0, 0}},
        OverlayCase{
            "reactivation_keeps_corners",
            {{Step::Press, 10, 10}, {Step::DragTo, 110, 60}, {Step::Release, 110, 60}, {Step::Reactivate, 0, 0}},
            false,
            true,
            {10, 10, 110, 60}},
        OverlayCase{"escape_in_move_mode",
                    {{Step::Press, 10, 10}, {Step::DragTo, 110, 60}, {Step::Release, 110, 60}, {Step::Escape, 0, 0}},
                    true,
                    false,
                    {}},
        OverlayCase{"confirm",
                    {{Step::Press, 10, 10}, {Step::DragTo, 110, 60}, {Step::Release, 110, 60}, {Step::Press, 60, 35}},
                    false,
                    false,
                    {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Monitors left of, above and beside the primary: the overlay covers them all, and the
// rectangle, the pointer's jump and its confinement come back in screen pixels, negative ones
// too. A virtual screen 3200 pixels wide is 48000 twips, past 16 bits.
struct ScreensCase {
    const char* name;
    std::vector<platform::Rect> monitors;  // the primary first
    platform::Rect virtualScreen;
    platform::Point from, to;  // the drag, in screen pixels
    platform::Rect area;       // x0, y0, aviwidth, aviheight
    platform::Rect confine;
};

class OverlayScreensTest : public ControlMenuTest, public ::testing::WithParamInterface<ScreensCase> {};

TEST_P(OverlayScreensTest, CoversEveryMonitorAndAnswersInScreenPixels) {
    const ScreensCase& c = GetParam();
    const platform::Rect& v = c.virtualScreen;
    fake.desktop.monitors = c.monitors;
    form2.recordareae_Click();
    Form3& overlay = form3;
    EXPECT_EQ(static_cast<fake::FakeForm*>(overlay.Window())->bounds,
              (platform::Rect{v.left * 15, v.top * 15, v.right * 15, v.bottom * 15}));
    const std::string snapshot = "BitBlt " + std::to_string(fake::FakePictureBox::kHdc) + " 0 0 " +
                                 std::to_string(v.right - v.left) + " " + std::to_string(v.bottom - v.top) + " " +
                                 std::to_string(fake::FakeDesktop::kScreenDc) + " " + std::to_string(v.left) + " " +
                                 std::to_string(v.top) + " " + std::to_string(platform::kSrcCopy);
    EXPECT_NE(std::find(fake.log.begin(), fake.log.end(), snapshot), fake.log.end()) << "every monitor is pictured";

    const auto twipsX = [&](std::int32_t x) { return static_cast<float>((x - v.left) * 15); };
    const auto twipsY = [&](std::int32_t y) { return static_cast<float>((y - v.top) * 15); };
    overlay.Form_MouseDown(1, 0, twipsX(c.from.x), twipsY(c.from.y));
    overlay.Form_MouseMove(1, 0, twipsX(c.to.x), twipsY(c.to.y));
    overlay.Form_MouseUp(1, 0, twipsX(c.to.x), twipsY(c.to.y));
    const platform::Point centre{(c.from.x + c.to.x) / 2, (c.from.y + c.to.y) / 2};
    EXPECT_EQ(fake.windows.cursorMoves.back(), centre);
    EXPECT_EQ(fake.windows.clips.back(), c.confine);
    overlay.Form_MouseDown(1, 0, twipsX(centre.x), twipsY(centre.y));
    EXPECT_EQ(Area(), c.area);
}

INSTANTIATE_TEST_SUITE_P(Screens, OverlayScreensTest,
                         ::testing::Values(ScreensCase{"LeftOfAndAboveThePrimary",
                                                       {{0, 0, 1920, 1080}, {-1280, -300, 0, 724}},
                                                       {-1280, -300, 1920, 1080},
                                                       {-1000, -200},
                                                       {-600, 100},
                                                       {-1000, -200, 400, 300},
                                                       {-1080, -150, 1720, 930}},
                                           ScreensCase{"AboveThePrimary",
                                                       {{0, 0, 1920, 1080}, {0, -1080, 1920, 0}},
                                                       {0, -1080, 1920, 1080},
                                                       {500, -600},
                                                       {100, -900},
                                                       {100, -900, 400, 300},
                                                       {200, -930, 1720, 930}},
                                           ScreensCase{"AcrossTwoMonitors",
                                                       {{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}},
                                                       {0, 0, 3200, 1080},
                                                       {1800, 200},
                                                       {2100, 500},
                                                       {1800, 200, 300, 300},
                                                       {150, 150, 3050, 930}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(OverlayTest, EscapeUnchecksRecordAreaFreesThePointerAndKeepsTheArea) {
    const platform::Rect area = Area();
    overlay->Form_MouseDown(1, 0, 150, 150);
    overlay->Form_KeyDown(27, 0);
    EXPECT_FALSE(form2.recordareae().Checked());
    EXPECT_FALSE(form2.Settings().area);
    EXPECT_EQ(LastClip(), std::nullopt);
    EXPECT_FALSE(overlay->Loaded());
    EXPECT_EQ(Area(), area);
}

TEST_F(OverlayTest, LosingActivationOrClosingTheProgramFreesThePointer) {
    overlay->Form_MouseDown(1, 0, 150, 150);
    overlay->Form_MouseMove(1, 0, 1500, 1500);
    overlay->Form_MouseUp(1, 0, 1500, 1500);
    ASSERT_TRUE(LastClip().has_value());
    overlay->Form_Deactivate();
    EXPECT_EQ(LastClip(), std::nullopt);
    overlay->Form_MouseUp(1, 0, 1600, 1600);
    ASSERT_TRUE(LastClip().has_value());
    form1.Window().Close();
    fake.toolkit.DeliverPosted();  // the posted close arrives
    EXPECT_EQ(LastClip(), std::nullopt);
    EXPECT_FALSE(overlay->Loaded());
}

TEST_F(OverlayTest, BandIsDrawnInTheFrameColourWithAContrastingLineInside) {
    fake.windows.windowFrameColor = 0x000000;
    overlay->Form_MouseDown(1, 0, 150, 150);
    overlay->Form_MouseMove(1, 0, 1500, 1500);
    auto* surface = static_cast<fake::FakeForm*>(overlay->Window())->boxes.at(0);
    std::vector<std::uint32_t> colours;
    for (const auto& d : surface->draws) {
        if (d.kind == "Line") {
            colours.push_back(d.rgb);
            EXPECT_FALSE(d.persistent) << "the band is not kept in the snapshot";
        }
    }
    EXPECT_EQ(colours, (std::vector<std::uint32_t>{0, 0, 0, 0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF}));
}

}  // namespace
}  // namespace kest::recorder

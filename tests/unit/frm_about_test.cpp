#include "launcher/frm_about.h"

#include <gtest/gtest.h>

#include "fake/fake_launcher_platform.h"

namespace kest::launcher {
namespace {

using fake::FakeLauncherPlatform;

constexpr int kTimer1 = static_cast<int>(TimerId::Timer1);
constexpr int kTimer3 = static_cast<int>(TimerId::Timer3);
constexpr int kTrans = static_cast<int>(TimerId::Trans);
const Text kPromo = u"http://example.invalid/kest/h";

// Ticks until the launcher quits (bounded: a cycle that never ends fails instead of hanging).
void RunCycle(FakeLauncherPlatform& platform) {
    for (int i = 0; i < 1000 && platform.Tick();) ++i;
}

struct CycleCase {
    const char* name;
    bool browserAvailable;
    bool layeredCallable;
};

class FrmAboutCycle : public ::testing::TestWithParam<CycleCase> {};

TEST_P(FrmAboutCycle, FadesInHoldsFadesOutThenStartsTheRecorderOnceAndEnds) {
    FakeLauncherPlatform platform;
    platform.browserAvailable = GetParam().browserAvailable;
    platform.layeredCallable = GetParam().layeredCallable;
    FrmAbout about(platform, kPromo);
    about.Load();
    ASSERT_TRUE(platform.shown);
    RunCycle(platform);

    // 52 fade-in ticks, the one hold tick, 52 fade-out ticks; one timer at a time.
    std::vector<int> ticked(52, kTimer3);
    ticked.push_back(kTimer1);
    ticked.insert(ticked.end(), 52, kTrans);
    EXPECT_EQ(platform.tickedTimers, ticked);
    EXPECT_EQ(platform.mostRunning, 1u);
    EXPECT_TRUE(platform.running.empty());

    std::vector<int> opacities{0};
    for (int level = 5; level <= 255; level += 5) opacities.push_back(level);
    opacities.push_back(255);  // the 52nd fade-in tick
    opacities.push_back(255);  // the hold's end
    for (int level = 250; level >= 0; level -= 5) opacities.push_back(level);
    opacities.push_back(0);  // the 52nd fade-out tick
    EXPECT_EQ(platform.opacities, GetParam().layeredCallable ? opacities : std::vector<int>{});

    ASSERT_EQ(platform.starts.size(), 1u);
    EXPECT_EQ(platform.starts[0].commandLine, u"kest35.exe");
    EXPECT_EQ(platform.starts[0].showState, platform::kSwShowMinimized);
    EXPECT_EQ(platform.starts[0].afterTick, 52 + 1 + 52);
    EXPECT_EQ(platform.quitCode, kRecorderStarted);
    EXPECT_TRUE(platform.errorBoxes.empty());
}

INSTANTIATE_TEST_SUITE_P(, FrmAboutCycle,
                         ::testing::Values(CycleCase{"WithPage", true, true}, CycleCase{"WithoutBrowser", false, true},
                                           CycleCase{"WithoutLayeredWindows", true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FrmAbout, IsLayeredAndTransparentBeforeItIsShownAndSendsTheBrowserToTheAddressInText1) {
    FakeLauncherPlatform platform;
    FrmAbout about(platform, kPromo);
    about.Load();
    ASSERT_TRUE(platform.exStyleWhenShown.has_value());
    EXPECT_EQ(*platform.exStyleWhenShown, 0x80u | platform::kWsExLayered);
    EXPECT_EQ(platform.opacitiesWhenShown, 1u);
    EXPECT_EQ(platform.opacities.front(), 0);
    EXPECT_EQ(platform.textBox, kPromo);
    EXPECT_EQ(platform.navigated, std::vector<Text>{kPromo});
    EXPECT_EQ(platform.running, std::set<int>{kTimer3});
    // The text box lies below the client area, so the address is never seen.
    EXPECT_GT(platform.design->textBoxTwips.top, platform.design->clientHeightTwips);
}

TEST(FrmAbout, AMissingRecorderIsReportedInChineseAndTheLauncherStillEnds) {
    FakeLauncherPlatform platform;
    platform.startFailure = u"File not found.";
    FrmAbout about(platform, kPromo);
    about.Load();
    RunCycle(platform);
    EXPECT_EQ(platform.starts.size(), 1u);
    ASSERT_EQ(platform.errorBoxes.size(), 1u);
    EXPECT_EQ(platform.errorBoxes[0].caption, u"Velvra");
    EXPECT_EQ(platform.errorBoxes[0].text.rfind(kRecorderNotStarted, 0), 0u);
    EXPECT_NE(platform.errorBoxes[0].text.find(u"File not found."), Text::npos);
    EXPECT_EQ(platform.quitCode, kRecorderMissing);
}

struct AlphaCase {
    const char* name;
    std::int16_t alpha;
    bool readCallable, writeCallable, layeredCallable;
    std::int32_t status;
    int reads;
    std::size_t writes;
    std::size_t opacities;
};

class SetWindowAlphaTable : public ::testing::TestWithParam<AlphaCase> {};

TEST_P(SetWindowAlphaTable, GivesItsStatusAndMakesOnlyTheCallsItShould) {
    const AlphaCase& row = GetParam();
    FakeLauncherPlatform platform;
    platform.exStyle = 0x88;  // tool window, topmost
    platform.readWindowLongCallable = row.readCallable;
    platform.writeWindowLongCallable = row.writeCallable;
    platform.layeredCallable = row.layeredCallable;
    EXPECT_EQ(SetWindowAlpha(platform, FakeLauncherPlatform::kHwnd, row.alpha), row.status);
    EXPECT_EQ(platform.styleReads, row.reads);
    EXPECT_EQ(platform.stylesWritten.size(), row.writes);
    for (auto written : platform.stylesWritten) EXPECT_EQ(written, 0x88u | platform::kWsExLayered);
    ASSERT_EQ(platform.opacities.size(), row.opacities);
    if (row.opacities) {
        EXPECT_EQ(platform.opacities[0], row.alpha);
    }
}

INSTANTIATE_TEST_SUITE_P(
    , SetWindowAlphaTable,
    ::testing::Values(AlphaCase{"BelowRange", -5, true, true, true, kAlphaOutOfRange, 0, 0, 0},
                      AlphaCase{"AboveRange", 260, true, true, true, kAlphaOutOfRange, 0, 0, 0},
                      AlphaCase{"Transparent", 0, true, true, true, kAlphaDone, 1, 1, 1},
                      AlphaCase{"Opaque", 255, true, true, true, kAlphaDone, 1, 1, 1},
                      AlphaCase{"NoLayeredWindows", 128, true, true, false, kAlphaUnavailable, 1, 1, 0},
                      AlphaCase{"StyleCannotBeWritten", 128, true, false, true, kAlphaUnavailable, 1, 0, 1},
                      // The layered bit alone must not replace a style that could not be read.
                      AlphaCase{"StyleCannotBeRead", 128, false, true, true, kAlphaUnavailable, 0, 0, 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kest::launcher

#include "launcher/frm_about.h"

#include <gtest/gtest.h>

#include "fake/fake_launcher_platform.h"

namespace kest::launcher {
namespace {

using fake::FakeLauncherPlatform;

const Text kPromo = u"http://example.invalid/kest/h";

// Loads the window and ticks until the launcher quits (bounded, so a cycle that never ends fails).
void RunCycle(FakeLauncherPlatform& platform) {
    FrmAbout about(platform, kPromo);
    about.Load();
    for (int i = 0; i < 1000 && platform.Tick(); ++i) {
    }
}

struct CycleCase {
    const char* name;
    bool browserAvailable, layeredCallable;
};

class FrmAboutCycle : public ::testing::TestWithParam<CycleCase> {};

TEST_P(FrmAboutCycle, FadesInHoldsFadesOutThenStartsTheRecorderOnceMinimisedAndEnds) {
    FakeLauncherPlatform platform;
    platform.browserAvailable = GetParam().browserAvailable;
    platform.layeredCallable = GetParam().layeredCallable;
    RunCycle(platform);

    // 52 fade-in ticks, the hold's one tick, 52 fade-out ticks; never two timers at once.
    std::vector<int> ticked(52, static_cast<int>(TimerId::Timer3));
    ticked.push_back(static_cast<int>(TimerId::Timer1));
    ticked.insert(ticked.end(), 52, static_cast<int>(TimerId::Trans));
    EXPECT_EQ(platform.ticked, ticked);
    EXPECT_EQ(platform.mostRunning, 1u);
    EXPECT_TRUE(platform.running.empty());

    std::vector<int> opacities{0};
    for (int level = 5; level <= 255; level += 5) opacities.push_back(level);
    opacities.insert(opacities.end(), {255, 255});  // the 52nd fade-in tick, the hold's end
    for (int level = 250; level >= 0; level -= 5) opacities.push_back(level);
    opacities.push_back(0);  // the 52nd fade-out tick
    EXPECT_EQ(platform.opacities, GetParam().layeredCallable ? opacities : std::vector<int>{});

    ASSERT_EQ(platform.starts.size(), 1u);
    EXPECT_EQ(platform.starts[0].commandLine, u"kest35.exe");
    EXPECT_EQ(platform.starts[0].showState, platform::kSwShowMinimized);
    EXPECT_EQ(platform.starts[0].afterTick, ticked.size());
    EXPECT_EQ(platform.quitCode, kRecorderStarted);
    EXPECT_TRUE(platform.errorBoxes.empty());
    // Transparent and layered before it is first shown; the browser sent to the address in Text1.
    EXPECT_EQ(platform.exStyleWhenShown, 0x80u | platform::kWsExLayered);
    EXPECT_EQ(platform.opacitiesWhenShown, GetParam().layeredCallable ? std::vector<int>{0} : std::vector<int>{});
    EXPECT_EQ(platform.navigated, std::vector<Text>{kPromo});
}

INSTANTIATE_TEST_SUITE_P(, FrmAboutCycle,
                         ::testing::Values(CycleCase{"WithPage", true, true}, CycleCase{"WithoutBrowser", false, true},
                                           CycleCase{"WithoutLayeredWindows", true, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FrmAbout, AMissingRecorderIsReportedInChineseAndTheLauncherStillEnds) {
    FakeLauncherPlatform platform;
    platform.startFailure = u"File not found.";
    RunCycle(platform);
    EXPECT_EQ(platform.starts.size(), 1u);
    ASSERT_EQ(platform.errorBoxes.size(), 1u);
    EXPECT_EQ(platform.errorBoxes[0].second, u"Velvra");
    EXPECT_EQ(platform.errorBoxes[0].first, kRecorderNotStarted + u"\n\nFile not found.");
    EXPECT_EQ(platform.quitCode, kRecorderMissing);
}

struct AlphaCase {
    const char* name;
    std::int16_t alpha;
    bool readCallable, writeCallable, layeredCallable;
    std::int32_t status;
    int reads;
    std::size_t writes, opacities;
};

class SetWindowAlphaTable : public ::testing::TestWithParam<AlphaCase> {};

TEST_P(SetWindowAlphaTable, GivesItsStatusAndMakesOnlyTheCallsItShould) {
    const AlphaCase& row = GetParam();
    FakeLauncherPlatform platform;
    platform.exStyle = 0x88;  // tool window, topmost
    platform.readCallable = row.readCallable;
    platform.writeCallable = row.writeCallable;
    platform.layeredCallable = row.layeredCallable;
    EXPECT_EQ(SetWindowAlpha(platform, FakeLauncherPlatform::kHwnd, row.alpha), row.status);
    EXPECT_EQ(platform.styleReads, row.reads);
    EXPECT_EQ(platform.stylesWritten, std::vector<std::uint32_t>(row.writes, 0x88u | platform::kWsExLayered));
    EXPECT_EQ(platform.opacities, std::vector<int>(row.opacities, row.alpha));
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

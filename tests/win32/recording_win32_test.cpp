// The start and stop commands on real windows, with the save and compression dialogs answered
// as a person would.
#include <gtest/gtest.h>

#include "support/recorder_test.h"  // before <windows.h>: the hook's message names
#include "win32/support/dialog_watcher.h"
#include "win32/support/test_platform.h"
#include "win32/support/tools.h"

namespace kest::testing {
namespace {

class RecordingOnWindowsTest : public RecorderTest<TestPlatform> {
protected:
    void SetUp() override {
        if (!RunningUnderWine()) GTEST_SKIP() << "the recordings are judged by the host's ffprobe";
        form1.Load(form2);
        form1.Window().Show();
        form2.Window().Show();
    }

    // Lets the capture timer write `slots` slots and stops; the slots written.
    int RecordAndStop(int slots) {
        EXPECT_TRUE(WaitUntil([&] { return Rec().Fields().framecount >= slots; }, std::chrono::seconds(60)));
        const int written = Rec().Fields().framecount;
        form2.done_Click();
        return written;
    }
    bool Recording() {
        return !form2.start().Enabled() && form2.pause().Enabled() && form2.done().Enabled() &&
               !form2.quit().Enabled() && !form2.recordcursor().Enabled() && !form2.recordareae().Enabled();
    }
    bool Idle() {
        return form2.start().Enabled() && !form2.pause().Enabled() && !form2.done().Enabled() &&
               form2.quit().Enabled() && form2.recordcursor().Enabled() && form2.recordareae().Enabled();
    }

    TestPlatform& windows = host;
    std::wstring folder = ScratchFolder(L"recording");
};

TEST_F(RecordingOnWindowsTest, StartThenStopLeavesAPlayableFile) {
    const std::wstring typed = folder + L"first take";  // no extension: ".avi" is added
    ASSERT_TRUE(AnswerStart([&] { form2.start_Click(); }, typed));
    ASSERT_TRUE(Recording());
    EXPECT_EQ(form1.Timer1().Interval(), 1);
    EXPECT_EQ(form1.Timer2().Interval(), 0);
    EXPECT_EQ(Rec().Fields().avipath, ToText(typed + L".avi"));
    EXPECT_TRUE(WaitUntil([&] { return form1.Window().GetWindowState() == platform::WindowState::Minimized; },
                          std::chrono::seconds(10)));

    const int slots = RecordAndStop(3);
    EXPECT_TRUE(Idle());
    EXPECT_EQ(form1.Window().Caption(), u"Tamsy");
    EXPECT_EQ(Rec().Fields().framecount, 0);
    EXPECT_FALSE(form1.RecordingInProgress());
    EXPECT_TRUE(windows.toolkit.messages.empty());

    const std::wstring file = typed + L".avi";
    auto probe = ProbeVideo(file);
    EXPECT_EQ(probe["codec_name"], "rawvideo") << probe["output"] << " exit " << probe["exit_code"];
    EXPECT_EQ(probe["width"], std::to_string(GetSystemMetrics(SM_CXSCREEN)));
    EXPECT_EQ(probe["height"], std::to_string(GetSystemMetrics(SM_CYSCREEN)));
    EXPECT_EQ(probe["r_frame_rate"], "10/1");
    // A loaded machine may hold a slot: it is an empty chunk, counted but not decoded.
    EXPECT_EQ(probe["nb_frames"], std::to_string(slots));
    EXPECT_EQ(probe["nb_read_frames"], std::to_string(slots - HeldSlots(file)));
    EXPECT_GE(slots - HeldSlots(file), 1);
    const ToolResult strict = StrictDecode(file);
    EXPECT_EQ(strict.exitCode, 0);
    EXPECT_EQ(strict.output, "");
}

TEST_F(RecordingOnWindowsTest, ChineseFileNameTypedInTheDialogRecords) {
    const std::wstring chinese = folder + L"屏幕录像";
    CreateDirectoryW(chinese.c_str(), nullptr);
    ASSERT_TRUE(AnswerStart([&] { form2.start_Click(); }, chinese + L"\\演示"));
    ASSERT_TRUE(Recording());
    RecordAndStop(1);
    auto probe = ProbeVideo(chinese + L"\\演示.avi");
    EXPECT_EQ(probe["nb_read_frames"], "1");
}

TEST_F(RecordingOnWindowsTest, RefusedCompressorAsksForAnotherAndStaysIdle) {
    ASSERT_TRUE(AnswerStart([&] { form2.start_Click(); }, folder + L"refused.avi", L"Cinepak Video codec"));
    EXPECT_TRUE(Idle());
    EXPECT_FALSE(form1.RecordingInProgress());
    ASSERT_EQ(windows.toolkit.messages.size(), 1u);
    EXPECT_EQ(windows.toolkit.messages[0].text, u"请选择其它编码！");
    EXPECT_EQ(GetFileAttributesW((folder + L"refused.avi").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(RecordingOnWindowsTest, ChoosingAnExistingFileReplacesIt) {
    const std::wstring file = folder + L"again.avi";
    HANDLE old = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    std::vector<char> junk(1 << 20, 'x');
    DWORD written = 0;
    WriteFile(old, junk.data(), static_cast<DWORD>(junk.size()), &written, nullptr);
    CloseHandle(old);

    // Wine may ask whether to overwrite; a person would say yes.
    ASSERT_TRUE(AnswerStart([&] { form2.start_Click(); }, file));
    ASSERT_TRUE(Recording());
    RecordAndStop(1);
    EXPECT_EQ(ProbeVideo(file)["nb_read_frames"], "1");
}

}  // namespace
}  // namespace kest::testing

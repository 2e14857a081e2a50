// The sound as the person asks for it and the file gets it: the settings item, the device that
// is missing or fails, and the sound stream beside the picture.
#include <gtest/gtest.h>

#include <algorithm>

#include "recorder/engine/app_title.h"
#include "platform/little_endian.h"
#include "recorder/engine/avi_header.h"
#include "support/riff.h"
#include "unit/recording_fixture.h"

namespace kest::recorder {
namespace {

using platform::SoundOpen;

constexpr std::int64_t kSamplesPerSlot = SoundTrack::kFormat.samplesPerSecond / 10;

// Where the library puts the first chunk of a file with the recorder's two streams.
std::int64_t FirstChunkOfVideoAndSound() {
    std::vector<InterimStream> streams(2);
    streams[0].format.resize(40);
    streams[1].format.resize(18);
    return FirstChunkOffset(streams);
}

class SoundRecordingTest : public RecordingFixture {
protected:
    SoundRecordingTest() {
        recording.SetArea(0, 0, 64, 48);  // small frames: these tests are about the sound
        fake.toolkit.screenWidthTwips = 64 * 15;
        fake.toolkit.screenHeightTwips = 48 * 15;
        settings.sound = true;
    }
    // Ticks every 100 ms from `fromMs` to `toMs` after the start.
    void TickEvery100(std::int64_t fromMs, std::int64_t toMs) {
        for (std::int64_t ms = fromMs; ms <= toMs; ms += 100) TickAt(ms);
    }
    std::int64_t SoundSamples() const { return static_cast<std::int64_t>(fake.avi.sound.size()) / 2; }
};

TEST_F(SoundRecordingTest, UncheckedTheDeviceIsNeverOpenedAndTheFileHasOneStream) {
    settings.sound = false;
    ASSERT_TRUE(Start());
    TickAt(0);
    recording.Stop(Ending::Stopped);
    EXPECT_EQ(fake.sound.opens, 0);
    EXPECT_EQ(fake.avi.soundInfo.fccType, 0u);
    EXPECT_TRUE(fake.avi.sound.empty());
}

struct DeviceCase {
    const char* name;
    SoundOpen device;
    platform::MsgBoxResult answer;
    const char* asked;
    friend void PrintTo(const DeviceCase& c, std::ostream* os) { *os << c.name; }
};

class MissingDeviceTest : public SoundRecordingTest, public ::testing::WithParamInterface<DeviceCase> {};

TEST_P(MissingDeviceTest, ThePersonChoosesBetweenNoSoundAndNoRecording) {
    fake.sound.openResult = GetParam().device;
    fake.toolkit.messageAnswers = {GetParam().answer};
    const bool withoutSound = GetParam().answer == platform::MsgBoxResult::Yes;
    EXPECT_EQ(Start(), withoutSound);
    ASSERT_EQ(fake.toolkit.messages.size(), 1u);
    EXPECT_EQ(MessageTexts()[0], GetParam().asked);
    EXPECT_EQ(fake.toolkit.messages[0].buttons, platform::MsgBoxButtons::YesNo);
    EXPECT_EQ(fake.toolkit.messages[0].caption, kAppTitle);
    EXPECT_EQ(recording.InProgress(), withoutSound);
    EXPECT_EQ(fake.dialogs.shown.size(), withoutSound ? 1u : 0u) << "no save dialog for a recording not started";
    EXPECT_FALSE(avi.HasSound());
}

INSTANTIATE_TEST_SUITE_P(
    Devices, MissingDeviceTest,
    ::testing::Values(DeviceCase{"NoneRecordWithout", SoundOpen::NoDevice, platform::MsgBoxResult::Yes,
                                 "没有找到录音设备。\n\n要不录声音，只录制画面吗？"},
                      DeviceCase{"NoneDoNotStart", SoundOpen::NoDevice, platform::MsgBoxResult::No,
                                 "没有找到录音设备。\n\n要不录声音，只录制画面吗？"},
                      DeviceCase{"RefusedDoNotStart", SoundOpen::Failed, platform::MsgBoxResult::No,
                                 "录音设备无法打开，可能正被其他程序占用。\n\n要不录声音，只录制画面吗？"}),
    [](const auto& info) { return std::string(info.param.name); });

// Ten seconds with a pause of a minute in the middle: the pause leaves no trace in either
// stream, the sound is written at least once a second between the frames, and both end together.
TEST_F(SoundRecordingTest, PauseAndStopCutSoundAndPictureAtTheSameMoment) {
    ASSERT_TRUE(Start());
    TickEvery100(0, 5000);
    fake.toolkit.clock += 0.03;
    recording.Hold(Wait::Pause);
    fake.toolkit.clock += 60;
    recording.Release(Wait::Pause);
    TickEvery100(65'130, 70'030);
    const std::int32_t slots = Fields().framecount;
    recording.Stop(Ending::Stopped);
    EXPECT_EQ(fake.sound.closes, 1);
    EXPECT_EQ(SoundSamples(), slots * kSamplesPerSlot);
    int framesSinceSound = 0;
    for (const auto& write : fake.avi.writes) {
        if (write.stream == fake::FakeAvi::kSoundStream) {
            framesSinceSound = 0;
        } else {
            ASSERT_LE(++framesSinceSound, 10) << "sound more than a second apart";
        }
    }
    // The device was stopped for the pause and its sound continues straight after it: the
    // samples from before and after the pause meet without silence between them.
    EXPECT_EQ(fake.sound.stops, 2);
    const auto at = [&](std::int64_t sample) {
        return static_cast<std::int16_t>(platform::ReadLE16(fake.avi.sound, static_cast<std::size_t>(2 * sample)));
    };
    const std::int64_t pausedAt = 51 * kSamplesPerSlot;
    EXPECT_NE(at(pausedAt - 200), 0);
    EXPECT_NE(at(pausedAt + 2000), 0);
}

// However the recording ends, the file gets the same sound: as long as the picture to the
// sample, the device closed. Closing through the question holds the recording while it is
// asked, and used to end the file without the sound still to come.
class SoundEndingTest : public SoundRecordingTest, public ::testing::WithParamInterface<Ending> {};

TEST_P(SoundEndingTest, TheSoundEndsWithThePicture) {
    ASSERT_TRUE(Start());
    TickEvery100(0, 4000);
    fake.toolkit.clock += 0.04;
    if (GetParam() == Ending::Closed) recording.Hold(Wait::Question);
    fake.toolkit.clock += 0.3;
    const std::int32_t slots = Fields().framecount;
    EXPECT_TRUE(recording.Stop(GetParam()).empty());
    EXPECT_EQ(SoundSamples(), slots * kSamplesPerSlot);
    EXPECT_EQ(avi.SoundSamplesWritten(), slots * kSamplesPerSlot);
    EXPECT_EQ(fake.sound.closes, 1);
    EXPECT_FALSE(recording.InProgress());
}

INSTANTIATE_TEST_SUITE_P(Endings, SoundEndingTest,
                         ::testing::Values(Ending::Stopped, Ending::Closed, Ending::SessionEnded));

// The recorder's own windows on the recorded part hold pictures, not time: the slots and the
// sound go on as if nothing had been there.
TEST_F(SoundRecordingTest, TheRecordersWindowsHoldPicturesNotTime) {
    ASSERT_TRUE(Start());
    TickEvery100(0, 1000);
    fake.windows.threadWindows[0x3001] = {{0, 0, 400, 300}};
    TickEvery100(1100, 2000);
    fake.windows.threadWindows.clear();
    TickEvery100(2100, 3000);
    const std::int32_t slots = Fields().framecount;
    recording.Stop(Ending::Stopped);
    EXPECT_EQ(slots, 31);
    EXPECT_EQ(SoundSamples(), slots * kSamplesPerSlot);
}

TEST_F(SoundRecordingTest, ADeviceThatFailsIsFilledWithSilenceAndToldAfterTheStop) {
    fake.sound.failsAt = 36003.0;
    ASSERT_TRUE(Start());
    TickEvery100(0, 6000);
    EXPECT_TRUE(recording.InProgress()) << "the picture goes on";
    EXPECT_TRUE(fake.toolkit.messages.empty()) << "nothing is asked while recording";
    const std::int32_t slots = Fields().framecount;
    const std::vector<Notice> told = recording.Stop(Ending::Stopped);
    EXPECT_EQ(Texts(told), std::vector<std::string>{"录音设备在录制中出现故障，此后的声音已用静音代替。"});
    EXPECT_EQ(SoundSamples(), slots * kSamplesPerSlot);
}

struct RateCase {
    std::int32_t fps, nextTickMs;
    std::uint32_t microSecPerFrame;  // in the main header, rounded as the library writes it
    std::int64_t samplesPerSlot;
    friend void PrintTo(const RateCase& c, std::ostream* os) { *os << c.fps; }
};
class RecordingRateTest : public SoundRecordingTest, public ::testing::WithParamInterface<RateCase> {};

// Two seconds on slot time at the chosen rate, one tick missed: a slot for every 1/fps second,
// the missed one held, the sound as long as the slots to the sample and written every half
// second whatever the rate, and the rate in the stream's header and in the headers kept on disk.
TEST_P(RecordingRateTest, TheRecordingRunsAtTheChosenRate) {
    const RateCase& c = GetParam();
    settings.fps = c.fps;
    fake.avi.script.firstChunkAt = FirstChunkOfVideoAndSound();
    ASSERT_TRUE(Start());
    for (std::int32_t slot = 0; slot <= 2 * c.fps; ++slot) {
        if (slot != c.fps) TickAt((slot * 1000 + c.fps - 1) / c.fps);  // the first whole ms of its slot
    }
    EXPECT_EQ(timer1->Interval(), c.nextTickMs);
    EXPECT_EQ(fake.avi.streamInfo.dwRate * 1000 + fake.avi.streamInfo.dwScale, c.fps * 1000u + 1) << "rate/scale";
    const testing::Riff riff(fake.files.contents[Fields().avipath]);
    EXPECT_EQ(riff.U32(riff.Find({"hdrl", "avih"}).value().Data()), c.microSecPerFrame) << "kept on disk";
    std::string slots;
    int framesSinceSound = 0;
    for (const auto& write : fake.avi.writes) {
        const bool sound = write.stream == fake::FakeAvi::kSoundStream;
        if (!sound) slots += write.stream == fake::FakeAvi::kStream && write.size == 0 ? 'h' : 'F';
        // Half a second gathers, in the device's buffers of 50 ms, while the frames go on.
        framesSinceSound = sound ? 0 : framesSinceSound + 1;
        EXPECT_LE(framesSinceSound, c.fps * 6 / 10 + 1) << "sound more than half a second apart";
    }
    EXPECT_EQ(slots, std::string(c.fps, 'F') + "h" + std::string(c.fps, 'F'));
    recording.Stop(Ending::Stopped);
    EXPECT_EQ(SoundSamples(), static_cast<std::int64_t>(slots.size()) * c.samplesPerSlot);
}

INSTANTIATE_TEST_SUITE_P(Rates, RecordingRateTest,
                         ::testing::Values(RateCase{10, 100, 100'000, 2205}, RateCase{15, 67, 66'667, 1470},
                                           RateCase{30, 34, 33'333, 735}),
                         [](const auto& info) { return std::to_string(info.param.fps); });

class SoundStreamTest : public ::testing::Test {
protected:
    SoundStreamTest() {
        fake.files.contents[frame] = fake::MakeBmp(4, 3, 32, 0x10);
        avi.SetSoundFormat(SoundTrack::kFormat);
    }
    bool Open() { return avi.OpenAviOutput(0x1234, frame, output, 10); }

    fake::FakePlatform fake;
    AVIDecs avi{fake.platform};
    const platform::Text frame = u"C:\\Temp\\tem.bmp";
    const platform::Text output = u"C:\\rec\\out.avi";
    const std::vector<std::uint8_t> halfSecond = std::vector<std::uint8_t>(22050, 7);
};

TEST_F(SoundStreamTest, PcmBesideTheVideoWrittenAtTheStreamsEndInSamples) {
    ASSERT_TRUE(Open());
    EXPECT_EQ(fake.avi.soundInfo.dwRate, 22050u);
    EXPECT_EQ(fake.avi.soundInfo.dwScale, 1u);
    EXPECT_EQ(fake.avi.soundInfo.dwSampleSize, 2u);
    const std::vector<std::uint8_t> wave = {1, 0, 1, 0, 0x22, 0x56, 0, 0, 0x44, 0xAC, 0, 0, 2, 0, 16, 0, 0, 0};
    EXPECT_EQ(fake.avi.soundFormat, wave) << "PCM, mono, 22050 Hz, 16 bits";
    EXPECT_EQ(avi.WriteAviSound(halfSecond), FrameWrite::NotOpen) << "the first frame comes first";
    ASSERT_EQ(avi.WriteAviFrame(0, frame), FrameWrite::Written);
    ASSERT_EQ(avi.WriteAviSound(halfSecond), FrameWrite::Written);
    ASSERT_EQ(avi.WriteAviSound({1, 2, 3}), FrameWrite::Written) << "whole samples only";
    const auto& last = fake.avi.writes.back();
    EXPECT_EQ(last.stream, fake::FakeAvi::kSoundStream);
    EXPECT_EQ(last.position, 11025) << "the samples written before it";
    EXPECT_EQ(last.size, 2);
    EXPECT_EQ(avi.SoundSamplesWritten(), 11026);
}

TEST_F(SoundStreamTest, TheSizeLimitCountsTheSound) {
    ASSERT_TRUE(Open());
    ASSERT_EQ(avi.WriteAviFrame(0, frame), FrameWrite::Written);
    fake.files.reportedLength[output] = kMaxAviFileBytes - 64 * 1024 - 20'000;
    EXPECT_EQ(avi.WriteAviSound(halfSecond), FrameWrite::SizeLimitReached);
    EXPECT_FALSE(avi.IsOpen());
}

// Killed after a frame and some sound, the file on disk describes both streams, the sound's
// length in samples.
TEST_F(SoundStreamTest, HeadersOnDiskDescribeBothStreamsInSamples) {
    fake.avi.script.firstChunkAt = FirstChunkOfVideoAndSound();
    ASSERT_TRUE(Open());
    ASSERT_EQ(avi.WriteAviFrame(0, frame), FrameWrite::Written);
    ASSERT_EQ(avi.WriteAviSound(halfSecond), FrameWrite::Written);
    ASSERT_EQ(avi.WriteAviSound(halfSecond), FrameWrite::Written);
    ASSERT_TRUE(avi.KeepingFileReadable());
    const testing::Riff riff(fake.files.contents[output]);
    const auto mainHeader = riff.Find({"hdrl", "avih"});
    ASSERT_TRUE(mainHeader.has_value());
    EXPECT_EQ(riff.U32(mainHeader->Data() + 24), 2u) << "the main header counts two streams";
    std::vector<testing::RiffChunk> streamHeaders;
    for (const auto& list : riff.Top()) {
        if (!riff.IsList(list, "hdrl")) continue;
        for (const auto& chunk : riff.Inside(list)) {
            if (riff.IsList(chunk, "strl")) streamHeaders.push_back(riff.Inside(chunk).at(0));
        }
    }
    ASSERT_EQ(streamHeaders.size(), 2u);
    EXPECT_EQ(riff.U32(streamHeaders[1].Data()), platform::FourCC("auds"));
    EXPECT_EQ(riff.U32(streamHeaders[1].Data() + 32), 22050u) << "the sound's length in samples";
}

}  // namespace
}  // namespace kest::recorder

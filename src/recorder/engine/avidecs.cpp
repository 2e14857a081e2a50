#include "recorder/engine/avidecs.h"

#include <algorithm>
#include <cstdint>

#include "platform/dib.h"
#include "platform/little_endian.h"
#include "recorder/engine/app_title.h"
#include "recorder/engine/avi_header.h"

namespace kest::recorder {

namespace {

constexpr std::int32_t kMinRate = 1;
constexpr std::int32_t kMaxRate = 30;
// Room for the RIFF, header and stream-header lists and the padding the library puts
// before the frame data.
constexpr std::int64_t kHeaderAllowance = 64 * 1024;
constexpr std::int64_t kChunkHeaderBytes = 8;
constexpr std::int64_t kIndexEntryBytes = 16;
// Left free on the output's volume beyond the frame and the index, for the library's own
// writes at the end and for anything else writing to the same volume meanwhile.
constexpr std::int64_t kDiskMargin = 4 * 1024 * 1024;

std::int64_t ChunkBytes(std::int64_t data) { return kChunkHeaderBytes + data + (data & 1); }

// Key frames: when the dialog gives no interval (Wine's never does), one every ten seconds of
// playback, so that players can seek in a recording made with inter frames; counted in frames at
// the stream's rate, so that a faster rate does not make the file larger by its key frames alone.
// Only a compressor that codes inter frames looks at the interval.
constexpr std::uint32_t kSeekableKeyFrameSeconds = 10;

platform::AviCompressOptions WithKeyFrameInterval(platform::AviCompressOptions options, std::uint32_t rate) {
    if ((options.dwFlags & platform::kAvicompressfKeyframes) == 0 || options.dwKeyFrameEvery == 0) {
        options.dwFlags |= platform::kAvicompressfKeyframes;
        options.dwKeyFrameEvery = kSeekableKeyFrameSeconds * rate;
    }
    return options;
}

}  // namespace

AVIDecs::AVIDecs(platform::Platform& platform) : platform_(platform), readable_(platform.files) {}

AVIDecs::~AVIDecs() { CloseAviOutput(); }

bool AVIDecs::Fail() {
    CloseAviOutput();
    return false;
}

bool AVIDecs::OpenAviOutput(platform::Handle hwndParent, const platform::Text& firstBitmap,
                            const platform::Text& outputPath, std::int32_t fps) {
    CloseAviOutput();  // one output at a time: a forgotten one is finished, not leaked
    aviOutputPath_ = outputPath;
    replacedFrames_ = 0;
    keepOutput_ = false;
    aviStatus_ = 0;
    frameBytes_ = largestFrame_ = framesWritten_ = soundSamples_ = 0;
    soundFormatBytes_.clear();
    platform_.avi.FileInit();
    begun_ = true;

    aviStatus_ = platform_.avi.FileOpen(&aviFileHandle_, outputPath, platform::kOfCreate | platform::kOfWrite);
    if (aviStatus_ != 0) return Fail();

    aviFrameDib_ = std::make_unique<cDIB>(platform_.files, platform_.toolkit);
    if (!aviFrameDib_->CreateFromFile(firstBitmap)) {
        platform_.toolkit.MsgBox(u"Could not load first bitmap file in list!", platform::MsgBoxButtons::Ok,
                                 platform::MsgBoxIcon::Exclamation, kAppTitle);
        return Fail();
    }

    aviStreamInfo_.fccType = platform_.avi.StringToFourCC(u"vids", 0);
    aviStreamInfo_.fccHandler = 0;
    aviStreamInfo_.dwScale = 1;
    aviStreamInfo_.dwRate = static_cast<std::uint32_t>(std::clamp(fps, kMinRate, kMaxRate));
    aviStreamInfo_.dwSuggestedBufferSize = static_cast<std::uint32_t>(aviFrameDib_->SizeImage());
    platform_.desktop.SetRect(&aviStreamInfo_.rcFrame, 0, 0, aviFrameDib_->Width(), aviFrameDib_->Height());

    aviStatus_ = platform_.avi.FileCreateStream(aviFileHandle_, &aviStream_, aviStreamInfo_);
    if (aviStatus_ != 0) return Fail();

    aviOptionsPtr_ = &aviOptions_;
    aviStatus_ = platform_.avi.SaveOptions(hwndParent, platform::kIcmfChooseKeyframe | platform::kIcmfChooseDatarate, 1,
                                           &aviStream_, &aviOptionsPtr_);
    if (aviStatus_ != 1) {
        // A cancel (0) keeps the created file, as the user may expect to find the name taken;
        // an error code deletes it on close.
        platform_.avi.SaveOptionsFree(1, &aviOptionsPtr_);
        return Fail();
    }

    // Key-frame interval: a copy, so the next dialog starts from what the user chose.
    platform::AviCompressOptions compression = WithKeyFrameInterval(aviOptions_, aviStreamInfo_.dwRate);
    aviStatus_ = platform_.avi.MakeCompressedStream(&aviCompressedStream_, aviStream_, &compression);
    if (aviStatus_ != 0) return Fail();

    aviStatus_ = platform_.avi.StreamSetFormat(aviCompressedStream_, 0, aviFrameDib_->PointerToBitmapInfo(),
                                               aviFrameDib_->SizeBitmapInfo());
    if (aviStatus_ != 0) return Fail();
    formatBytes_ = aviFrameDib_->SizeBitmapInfo();
    streamFrame_ = FrameShape::Of(*aviFrameDib_);
    // From here on the frame file is read many times a second; a file it cannot use replaces
    // that frame, and the recorder says so once, after the stop.
    aviFrameDib_->SetTellsUser(false);
    if (soundFormat_ && !CreateSoundStream()) return Fail();
    if (keepReadable_ && ReadStreamFormat()) readable_.Start(aviOutputPath_, DescribeStreams());
    return true;
}

namespace {

std::vector<std::uint8_t> WaveFormatBytes(const platform::SoundFormat& format) {
    constexpr std::uint16_t kWaveFormatPcm = 1;
    std::vector<std::uint8_t> bytes;
    platform::AppendLE16(bytes, kWaveFormatPcm);
    platform::AppendLE16(bytes, format.channels);
    platform::AppendLE32(bytes, format.samplesPerSecond);
    platform::AppendLE32(bytes, format.BytesPerSecond());
    platform::AppendLE16(bytes, static_cast<std::uint16_t>(format.BlockAlign()));
    platform::AppendLE16(bytes, format.bitsPerSample);
    platform::AppendLE16(bytes, 0);  // no extra bytes
    return bytes;
}

}  // namespace

bool AVIDecs::CreateSoundStream() {
    // Samples of one block each, counted at the sample rate: what every reader expects of PCM.
    platform::AviStreamInfo info{};
    info.fccType = platform_.avi.StringToFourCC(u"auds", 0);
    info.dwScale = 1;
    info.dwRate = soundFormat_->samplesPerSecond;
    info.dwSampleSize = soundFormat_->BlockAlign();
    info.dwSuggestedBufferSize = soundFormat_->BytesPerSecond();
    info.dwQuality = UINT32_MAX;  // the default quality
    aviStatus_ = platform_.avi.FileCreateStream(aviFileHandle_, &soundStream_, info);
    if (aviStatus_ != 0) {
        soundStream_ = 0;
        return false;
    }
    soundFormatBytes_ = WaveFormatBytes(*soundFormat_);
    aviStatus_ = platform_.avi.StreamSetFormat(soundStream_, 0, soundFormatBytes_.data(),
                                               static_cast<std::int32_t>(soundFormatBytes_.size()));
    formatBytes_ += static_cast<std::int64_t>(soundFormatBytes_.size());
    return aviStatus_ == 0;
}

bool AVIDecs::ReadStreamFormat() {
    // The format the library writes is the compressor's output format, kept on the file's stream.
    std::int32_t size = 0;
    if (platform_.avi.StreamReadFormat(aviStream_, 0, nullptr, &size) != 0 || size <= 0) return false;
    streamFormat_.resize(static_cast<std::size_t>(size));
    return platform_.avi.StreamReadFormat(aviStream_, 0, streamFormat_.data(), &size) == 0 &&
           size == static_cast<std::int32_t>(streamFormat_.size());
}

std::vector<InterimStream> AVIDecs::DescribeStreams() const {
    std::vector<InterimStream> streams(1);
    if (platform_.avi.StreamInfo(aviStream_, &streams[0].info) != 0) return {};
    streams[0].format = streamFormat_;
    if (soundStream_ != 0) {
        InterimStream sound;
        if (platform_.avi.StreamInfo(soundStream_, &sound.info) != 0) return {};
        sound.format = soundFormatBytes_;
        streams.push_back(std::move(sound));
    }
    return streams;
}

std::int64_t AVIDecs::EstimatedFileBytes() const {
    const std::int64_t reported = kHeaderAllowance + formatBytes_ + frameBytes_;
    // Wine's library reports every write as done even when the disk took none of it; the
    // file's length is the better witness whenever it can be read.
    const std::int64_t onDisk = kHeaderAllowance + platform_.files.Length(aviOutputPath_).value_or(0);
    return std::max(reported, onDisk) + framesWritten_ * kIndexEntryBytes;
}

bool AVIDecs::RoomOnDiskFor(std::int64_t bytes) const {
    const auto free = platform_.files.FreeBytes(aviOutputPath_);
    // The index of every frame is written only when the file is finished.
    return !free || *free >= bytes + framesWritten_ * kIndexEntryBytes + kHeaderAllowance + kDiskMargin;
}

void AVIDecs::Finish() {
    keepOutput_ = true;
    CloseAviOutput();
}

std::int64_t AVIDecs::NextFrameBound() const {
    // A compressor may emit a frame a little larger than its input; allow an eighth more.
    const std::int64_t raw = streamFrame_.bytes;
    return std::max(raw + raw / 8, largestFrame_);
}

FrameWrite AVIDecs::WriteAviFrame(std::int32_t position, const platform::Text& bitmapPath) {
    if (!begun_ || aviCompressedStream_ == 0 || !aviFrameDib_) return FrameWrite::NotOpen;
    // Nothing but a frame of the stream's own shape goes to the library: a compressor is told
    // the format once and reads that many bytes of every frame. A frame file that cannot be read,
    // or another shape (the display's size or depth changed, the temporary folder is full), is
    // replaced by the picture before it, so the time line holds and the recording goes on.
    const bool usable = aviFrameDib_->CreateFromFile(bitmapPath) && FrameShape::Of(*aviFrameDib_) == streamFrame_;
    return WriteFramePixels(position, usable ? aviFrameDib_->PointerToBits() : nullptr);
}

FrameWrite AVIDecs::WriteAviFrame(std::int32_t position, const platform::ImageBits& frame) {
    if (!begun_ || aviCompressedStream_ == 0 || !aviFrameDib_) return FrameWrite::NotOpen;
    const FrameShape shape{frame.width, frame.height, frame.bitCount, static_cast<std::int32_t>(platform::kBiRgb),
                           static_cast<std::int32_t>(std::min<std::int64_t>(frame.bytes, INT32_MAX))};
    return WriteFramePixels(position, frame.bits && shape == streamFrame_ ? frame.bits : nullptr);
}

FrameWrite AVIDecs::WriteFramePixels(std::int32_t position, const std::uint8_t* pixels) {
    std::vector<std::uint8_t> blank;
    if (!pixels) {
        ++replacedFrames_;
        if (framesWritten_ > 0) return HoldAviFrame(position);
        // Nothing before it to hold: a blank picture of the stream's shape.
        blank.assign(static_cast<std::size_t>(streamFrame_.bytes), 0);
        pixels = blank.data();
    }

    if (const auto refused = RefuseChunkOf(ChunkBytes(NextFrameBound()) + kIndexEntryBytes)) return *refused;

    std::int32_t bytesWritten = 0;
    // Every frame handed over is a whole picture, as the flag says; the compressing stream flags
    // in the index only the key frames its compressor made of them.
    aviStatus_ = platform_.avi.StreamWrite(aviCompressedStream_, position, 1, pixels, streamFrame_.bytes,
                                           platform::kAviifKeyframe, nullptr, &bytesWritten);
    if (aviStatus_ != 0) {
        Finish();
        return FrameWrite::Failed;
    }
    // What the frame took after compression; a library that reports nothing is charged the full
    // input size.
    const std::int64_t written = bytesWritten > 0 ? bytesWritten : streamFrame_.bytes;
    largestFrame_ = std::max(largestFrame_, written);
    CountChunk(written);
    return FrameWrite::Written;
}

FrameWrite AVIDecs::HoldAviFrame(std::int32_t position) {
    if (!begun_ || aviStream_ == 0 || framesWritten_ == 0) return FrameWrite::NotOpen;
    if (const auto refused = RefuseChunkOf(ChunkBytes(0) + kIndexEntryBytes)) return *refused;
    // Straight to the file's own stream: a compressor would make a frame of it, and the library
    // refuses to hand it an empty one. An empty chunk is what the library itself writes for a
    // frame that was skipped; it costs 24 bytes with its index entry, against a whole frame for
    // Full Frames. A non-null pointer with no bytes, because the library refuses a null one.
    static constexpr std::uint8_t kNothing = 0;
    aviStatus_ = platform_.avi.StreamWrite(aviStream_, position, 1, &kNothing, 0, 0, nullptr, nullptr);
    if (aviStatus_ != 0) {
        Finish();
        return FrameWrite::Failed;
    }
    CountChunk(0);
    return FrameWrite::Written;
}

std::optional<FrameWrite> AVIDecs::RefuseChunkOf(std::int64_t chunkBytes) {
    if (EstimatedFileBytes() + chunkBytes > kMaxAviFileBytes) {
        Finish();
        return FrameWrite::SizeLimitReached;
    }
    if (!RoomOnDiskFor(chunkBytes)) {
        Finish();
        return FrameWrite::DiskFull;
    }
    return std::nullopt;
}

void AVIDecs::CountChunk(std::int64_t dataBytes) {
    frameBytes_ += ChunkBytes(dataBytes);
    ++framesWritten_;
    if (readable_.Active()) readable_.Refresh(DescribeStreams());
}

FrameWrite AVIDecs::WriteAviSound(const std::vector<std::uint8_t>& samples) {
    if (!begun_ || soundStream_ == 0 || framesWritten_ == 0) return FrameWrite::NotOpen;
    const std::uint32_t block = soundFormat_->BlockAlign();
    const auto count = static_cast<std::int32_t>(samples.size() / block);
    if (count == 0) return FrameWrite::Written;
    const auto bytes = static_cast<std::int32_t>(count * block);
    if (const auto refused = RefuseChunkOf(ChunkBytes(bytes) + kIndexEntryBytes)) return *refused;
    // At the stream's end: the library's files take a stream's data nowhere else.
    aviStatus_ = platform_.avi.StreamWrite(soundStream_, static_cast<std::int32_t>(soundSamples_), count,
                                           samples.data(), bytes, platform::kAviifKeyframe, nullptr, nullptr);
    if (aviStatus_ != 0) {
        Finish();
        return FrameWrite::Failed;
    }
    soundSamples_ += count;
    CountChunk(bytes);
    return FrameWrite::Written;
}

void AVIDecs::CloseAviOutput() {
    if (!begun_) return;
    begun_ = false;
    // The library writes its own headers at the last release; nothing may be written after.
    readable_.Stop();
    aviFrameDib_.reset();
    if (soundStream_ != 0) {
        platform_.avi.StreamRelease(soundStream_);
        soundStream_ = 0;
    }
    if (aviStream_ != 0) {
        platform_.avi.StreamRelease(aviStream_);
        aviStream_ = 0;
    }
    if (aviCompressedStream_ != 0) {
        platform_.avi.StreamRelease(aviCompressedStream_);
        aviCompressedStream_ = 0;
    }
    if (aviFileHandle_ != 0) {
        platform_.avi.FileRelease(aviFileHandle_);
        aviFileHandle_ = 0;
    }
    // The library is left only after its last object is released: leaving it first would let
    // it unload code that the releases still run.
    platform_.avi.FileExit();
    readable_.TakeBackIfAlone();
    if (aviStatus_ != 0 && !keepOutput_ && platform_.files.IsNormalFile(aviOutputPath_)) {
        platform_.files.Remove(aviOutputPath_);
    }
}

}  // namespace kest::recorder

// Turns a run of bitmap files into the video stream of an AVI file through the platform's AVI
// library, with the sound beside it when asked for. One output at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/platform.h"
#include "recorder/engine/cdib.h"
#include "recorder/engine/readable_avi_header.h"

namespace kest::recorder {

enum class FrameWrite {
    Written,
    NotOpen,           // no output, or it has already ended
    Failed,            // the library refused the frame; the output is finished and kept
    SizeLimitReached,  // the frame would have taken the file past what readers can index
    DiskFull,          // the output's volume has no room for the frame and the index
};

// Wine's library (and old readers) cannot address frames past 2 GiB; the file must end
// before its data, headers and index reach that size.
inline constexpr std::int64_t kMaxAviFileBytes = std::int64_t{1} << 31;

class AVIDecs {
public:
    explicit AVIDecs(platform::Platform& platform);
    ~AVIDecs();

    bool OpenAviOutput(platform::Handle hwndParent, const platform::Text& firstBitmap, const platform::Text& outputPath,
                       std::int32_t fps);
    FrameWrite WriteAviFrame(std::int32_t position, const platform::Text& bitmapPath);
    // The same for a frame handed over in memory, as the canvas lends it: the recorder's own
    // frames, many a second, need not go through a file.
    FrameWrite WriteAviFrame(std::int32_t position, const platform::ImageBits& frame);
    // Keeps the previous frame on screen for one more frame at `position`: an empty chunk, which
    // players show as the picture before it held. NotOpen before the first frame, which has
    // nothing before it to hold.
    FrameWrite HoldAviFrame(std::int32_t position);
    void CloseAviOutput();

    // The next output also takes a sound stream in this format (PCM), or none. Set before
    // OpenAviOutput: the library lays out its file when the first chunk is written.
    void SetSoundFormat(std::optional<platform::SoundFormat> format) { soundFormat_ = format; }
    bool HasSound() const { return soundStream_ != 0; }
    // Appends whole samples to the sound stream, after the frames written so far: interleaved at
    // the place of their time. NotOpen without a sound stream or before the first frame.
    FrameWrite WriteAviSound(const std::vector<std::uint8_t>& samples);
    std::int64_t SoundSamplesWritten() const { return soundSamples_; }

    // Module state, readable for callers and tests.
    std::int32_t AviStatus() const { return aviStatus_; }
    const platform::AviCompressOptions& AviOptions() const { return aviOptions_; }
    const platform::AviStreamInfo& AviStreamInfo() const { return aviStreamInfo_; }
    bool IsOpen() const { return begun_; }
    // While on (the default), the file on disk stays readable after every frame: a recorder
    // that is killed leaves every frame it wrote. Off only to measure what that costs.
    void SetKeepsFileReadable(bool keep) { keepReadable_ = keep; }
    // The headers are being kept current on disk for the open output.
    bool KeepingFileReadable() const { return readable_.Active(); }
    // Frames of the open or last output that were written as the picture before them because
    // their frame file could not be read or no longer had the stream's shape.
    std::int32_t ReplacedFrames() const { return replacedFrames_; }
    // What the finished file will take at least: the larger of what the library reported and
    // what the file's length says, plus the headers and index still to come.
    std::int64_t EstimatedFileBytes() const;

private:
    // What the compressor was told a frame is: it reads exactly that many bytes of each.
    struct FrameShape {
        std::int32_t width = 0, height = 0, bitCount = 0, compression = 0, bytes = 0;
        static FrameShape Of(const cDIB& dib) {
            return {dib.Width(), dib.Height(), dib.BitCount(), dib.Compression(), dib.SizeImage()};
        }
        friend bool operator==(const FrameShape&, const FrameShape&) = default;
    };

    // Writes `pixels`, of the stream's shape, or when null the picture before it (a blank one
    // for the first frame), counting the frame as replaced.
    FrameWrite WriteFramePixels(std::int32_t position, const std::uint8_t* pixels);
    bool Fail();    // closes and reports false
    void Finish();  // ends the file, keeping its frames
    std::int64_t NextFrameBound() const;
    // Ends the file and says why when a chunk of `chunkBytes` (index entry included) would not fit.
    std::optional<FrameWrite> RefuseChunkOf(std::int64_t chunkBytes);
    void CountChunk(std::int64_t dataBytes);
    bool RoomOnDiskFor(std::int64_t bytes) const;
    bool CreateSoundStream();
    bool ReadStreamFormat();
    // The streams as the library describes them now.
    std::vector<InterimStream> DescribeStreams() const;

    platform::Platform& platform_;
    std::int32_t aviStatus_ = 0;
    platform::Handle aviFileHandle_ = 0;
    platform::Handle aviStream_ = 0;
    platform::Handle aviCompressedStream_ = 0;
    platform::AviCompressOptions aviOptions_{};
    platform::AviCompressOptions* aviOptionsPtr_ = nullptr;
    platform::AviStreamInfo aviStreamInfo_{};
    std::unique_ptr<cDIB> aviFrameDib_;
    platform::Text aviOutputPath_;
    FrameShape streamFrame_;
    std::int32_t replacedFrames_ = 0;
    bool begun_ = false;       // between AVIFileInit and the matching AVIFileExit
    bool keepOutput_ = false;  // a write failure ended the file; its frames stay on disk
    std::int64_t formatBytes_ = 0;
    std::int64_t frameBytes_ = 0;  // chunk data and chunk headers written so far
    std::int64_t largestFrame_ = 0;
    std::int64_t framesWritten_ = 0;
    bool keepReadable_ = true;
    ReadableAviHeader readable_;
    std::vector<std::uint8_t> streamFormat_;
    std::optional<platform::SoundFormat> soundFormat_;
    platform::Handle soundStream_ = 0;
    std::vector<std::uint8_t> soundFormatBytes_;  // as WAVEFORMATEX
    std::int64_t soundSamples_ = 0;
};

}  // namespace kest::recorder

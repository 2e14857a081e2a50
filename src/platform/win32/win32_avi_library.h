#pragma once

#include <map>
#include <optional>
#include <set>

#include "platform/avi_library.h"

namespace kest::platform::win32 {

// avifil32 as documented. Wine's slips are mended here, so that the writer above the seam
// meets the library Windows has: its compressing stream reports its counters swapped and
// indexes a frame as a key frame whenever the caller's flags say so; it counts a sound stream's
// length in chunks where Windows counts samples, and takes a sound write only at its own count;
// and it finishes a file with a hundred times the stream's time per frame in the main header, an
// empty handler in the video stream header, the sound's chunks for its length and zero bytes past
// the RIFF. Each mend leaves alone what is already right, so on Windows they change nothing.
class Win32AviLibrary : public AviLibrary {
public:
    void FileInit() override;
    void FileExit() override;
    Status FileOpen(Handle* file, const Text& path, std::uint32_t mode) override;
    std::uint32_t StringToFourCC(const Text& code, std::uint32_t flags) override;
    Status FileCreateStream(Handle file, Handle* stream, const AviStreamInfo& info) override;
    std::int32_t SaveOptions(Handle owner, std::uint32_t flags, std::int32_t streamCount, Handle* streams,
                             AviCompressOptions** options) override;
    Status SaveOptionsFree(std::int32_t streamCount, AviCompressOptions** options) override;
    Status MakeCompressedStream(Handle* compressed, Handle source, AviCompressOptions* options) override;
    Status StreamSetFormat(Handle stream, std::int32_t position, const void* format, std::int32_t formatSize) override;
    Status StreamWrite(Handle stream, std::int32_t start, std::int32_t samples, const void* data, std::int32_t size,
                       std::uint32_t flags, std::int32_t* samplesWritten, std::int32_t* bytesWritten) override;
    Status StreamInfo(Handle stream, AviStreamInfo* info) override;
    Status StreamReadFormat(Handle stream, std::int32_t position, void* format, std::int32_t* formatSize) override;
    std::uint32_t StreamRelease(Handle stream) override;
    std::uint32_t FileRelease(Handle file) override;

private:
    // What the finished file must say, as learnt while it was made.
    struct OpenFile {
        Text path;
        std::uint32_t microSecPerFrame = 0;                        // of its first video stream
        std::uint32_t videoHandler = 0;                            // the compressor a stream of it was made with
        std::optional<std::uint32_t> soundSamples = std::nullopt;  // written to its first sound stream
    };
    // A sound stream's samples, counted here because Wine's library counts its chunks.
    struct SoundStream {
        Handle file = 0;
        std::uint32_t start = 0;  // the stream's first sample
        std::uint32_t samples = 0;
        bool first = false;  // the file's first sound stream, whose header the mend corrects
    };
    void MendFinishedFile(const OpenFile& file);

    std::map<Handle, OpenFile> files_;
    std::map<Handle, Handle> fileOfStream_;
    std::set<Handle> compressing_;  // compressing streams that run a compressor (not Full Frames)
    std::map<Handle, SoundStream> sound_;
};

// The form of `path` that the AVI library can open. Wine's library fails on paths with
// characters outside ASCII, so such a path is created and handed over by its short (8.3)
// name, which names the same file. Other paths pass unchanged.
Text LibraryPathFor(const Text& path);

}  // namespace kest::platform::win32

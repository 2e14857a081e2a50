// The Video for Windows AVI file library, one call for each library entry point used.
#pragma once

#include <array>
#include <cstdint>

#include "platform/types.h"

namespace kest::platform {

// Mirrors AVISTREAMINFOW field for field; the Windows side copies it across.
struct AviStreamInfo {
    std::uint32_t fccType = 0;
    std::uint32_t fccHandler = 0;
    std::uint32_t dwFlags = 0;
    std::uint32_t dwCaps = 0;
    std::uint16_t wPriority = 0;
    std::uint16_t wLanguage = 0;
    std::uint32_t dwScale = 0;
    std::uint32_t dwRate = 0;
    std::uint32_t dwStart = 0;
    std::uint32_t dwLength = 0;
    std::uint32_t dwInitialFrames = 0;
    std::uint32_t dwSuggestedBufferSize = 0;
    std::uint32_t dwQuality = 0;
    std::uint32_t dwSampleSize = 0;
    Rect rcFrame;
    std::uint32_t dwEditCount = 0;
    std::uint32_t dwFormatChangeCount = 0;
    std::array<char16_t, 64> szName{};
};

// Same memory layout as AVICOMPRESSOPTIONS (checked by a Windows-build test), because the
// library fills it in place and the compressor buffers it points to belong to the library.
struct AviCompressOptions {
    std::uint32_t fccType = 0;
    std::uint32_t fccHandler = 0;
    std::uint32_t dwKeyFrameEvery = 0;
    std::uint32_t dwQuality = 0;
    std::uint32_t dwBytesPerSecond = 0;
    std::uint32_t dwFlags = 0;
    void* lpFormat = nullptr;
    std::uint32_t cbFormat = 0;
    void* lpParms = nullptr;
    std::uint32_t cbParms = 0;
    std::uint32_t dwInterleaveEvery = 0;
};

// Windows constants kept here so the writer can be exercised natively.
inline constexpr std::uint32_t kOfWrite = 0x0001;
inline constexpr std::uint32_t kOfCreate = 0x1000;
inline constexpr std::uint32_t kIcmfChooseKeyframe = 0x0001;
inline constexpr std::uint32_t kIcmfChooseDatarate = 0x0002;
inline constexpr std::uint32_t kAviifKeyframe = 0x0010;
// The file's own records, for writing its headers: the main header's flag that says chunk ids
// can be trusted, and the bytes of the main and stream headers as the library writes them (the
// stream header's rectangle as four 16-bit values, not the RECT of the in-memory record).
inline constexpr std::uint32_t kAvifTrustCkType = 0x0800;
inline constexpr std::int64_t kAviMainHeaderBytes = 56;
inline constexpr std::int64_t kAviStreamHeaderBytes = 56;
inline constexpr std::uint32_t kAvicompressfKeyframes = 0x0004;  // dwKeyFrameEvery is set
inline constexpr std::uint32_t kComptypeDib = 0x20424944;        // "DIB ": Full Frames, no compressor

class AviLibrary {
public:
    virtual ~AviLibrary() = default;

    virtual void FileInit() = 0;
    virtual void FileExit() = 0;
    virtual Status FileOpen(Handle* file, const Text& path, std::uint32_t mode) = 0;
    virtual std::uint32_t StringToFourCC(const Text& code, std::uint32_t flags) = 0;  // mmioStringToFOURCC
    virtual Status FileCreateStream(Handle file, Handle* stream, const AviStreamInfo& info) = 0;
    // Shows the compression dialog; 1 = accepted, 0 = cancelled, anything else an error.
    virtual std::int32_t SaveOptions(Handle owner, std::uint32_t flags, std::int32_t streamCount, Handle* streams,
                                     AviCompressOptions** options) = 0;
    virtual Status SaveOptionsFree(std::int32_t streamCount, AviCompressOptions** options) = 0;
    virtual Status MakeCompressedStream(Handle* compressed, Handle source, AviCompressOptions* options) = 0;
    virtual Status StreamSetFormat(Handle stream, std::int32_t position, const void* format,
                                   std::int32_t formatSize) = 0;
    // samplesWritten and bytesWritten may be null, as in the library.
    virtual Status StreamWrite(Handle stream, std::int32_t start, std::int32_t samples, const void* data,
                               std::int32_t size, std::uint32_t flags, std::int32_t* samplesWritten,
                               std::int32_t* bytesWritten) = 0;
    // What the library keeps about a stream: the header it will write, its length so far
    // included (AVIStreamInfo).
    virtual Status StreamInfo(Handle stream, AviStreamInfo* info) = 0;
    // The stream's format at `position`; with a null `format` only its size (AVIStreamReadFormat).
    virtual Status StreamReadFormat(Handle stream, std::int32_t position, void* format, std::int32_t* formatSize) = 0;
    virtual std::uint32_t StreamRelease(Handle stream) = 0;
    virtual std::uint32_t FileRelease(Handle file) = 0;
};

}  // namespace kest::platform

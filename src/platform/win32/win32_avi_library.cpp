#include "platform/win32/win32_avi_library.h"

#include <windows.h>
#include <vfw.h>
#include <aviriff.h>

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "platform/finished_avi.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_file_system.h"

namespace kest::platform::win32 {

// The library fills the options record in place, so the portable copy must be the real thing.
static_assert(kOfWrite == OF_WRITE && kOfCreate == OF_CREATE && kIcmfChooseKeyframe == ICMF_CHOOSE_KEYFRAME &&
              kIcmfChooseDatarate == ICMF_CHOOSE_DATARATE && kAviifKeyframe == AVIIF_KEYFRAME &&
              kAvicompressfKeyframes == AVICOMPRESSF_KEYFRAMES && kComptypeDib == comptypeDIB);
static_assert(sizeof(AviCompressOptions) == sizeof(AVICOMPRESSOPTIONS));
static_assert(offsetof(AviCompressOptions, fccHandler) == offsetof(AVICOMPRESSOPTIONS, fccHandler));
static_assert(offsetof(AviCompressOptions, dwFlags) == offsetof(AVICOMPRESSOPTIONS, dwFlags));
static_assert(offsetof(AviCompressOptions, lpFormat) == offsetof(AVICOMPRESSOPTIONS, lpFormat));
static_assert(offsetof(AviCompressOptions, cbFormat) == offsetof(AVICOMPRESSOPTIONS, cbFormat));
static_assert(offsetof(AviCompressOptions, lpParms) == offsetof(AVICOMPRESSOPTIONS, lpParms));
static_assert(offsetof(AviCompressOptions, dwInterleaveEvery) == offsetof(AVICOMPRESSOPTIONS, dwInterleaveEvery));
static_assert(sizeof(Handle) == sizeof(PAVISTREAM));
// The headers the writer keeps on disk while the library holds the file open. aviriff.h has the
// records as they lie in the file, chunk id and size first; vfw.h's AVIStreamHeader holds a RECT
// and is 8 bytes longer than the 56 the library writes.
static_assert(kAvifTrustCkType == AVIF_TRUSTCKTYPE);
static_assert(kAviMainHeaderBytes == sizeof(AVIMAINHEADER) - offsetof(AVIMAINHEADER, dwMicroSecPerFrame));
static_assert(kAviMainHeaderBytes == sizeof(MainAVIHeader));
static_assert(kAviStreamHeaderBytes == sizeof(AVISTREAMHEADER) - offsetof(AVISTREAMHEADER, fccType));
static_assert(kAviStreamHeaderBytes == offsetof(AVIStreamHeader, rcFrame) + 4 * sizeof(SHORT));

namespace {

PAVIFILE AsFile(Handle handle) { return reinterpret_cast<PAVIFILE>(handle); }
PAVISTREAM AsStream(Handle handle) { return reinterpret_cast<PAVISTREAM>(handle); }

// A compressing stream that runs a compressor; Full Frames passes the pixels through.
bool Compresses(const AviCompressOptions& options) {
    return options.fccHandler != comptypeDIB && options.fccHandler != 0;
}

// The library's own closing headers say the file has an index; those the writer keeps on disk
// while recording never do, and are not the library's to mend.
bool FinishedByTheLibrary(BinaryFile& file) {
    constexpr std::uint64_t kMainHeaderId = 24, kMainHeaderFlags = 44;  // RIFF, LIST hdrl, avih
    DWORD id = 0, flags = 0;
    return file.ReadAt(kMainHeaderId, &id, sizeof id) && id == ckidAVIMAINHDR &&
           file.ReadAt(kMainHeaderFlags, &flags, sizeof flags) && (flags & AVIF_HASINDEX) != 0;
}

bool IsAscii(const Text& text) {
    return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
}

}  // namespace

Text LibraryPathFor(const Text& path) {
    if (IsAscii(path)) return path;
    HANDLE created = CreateFileW(Wide(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (created == INVALID_HANDLE_VALUE) return path;
    CloseHandle(created);
    const DWORD needed = GetShortPathNameW(Wide(path), nullptr, 0);
    if (needed == 0) return path;
    std::vector<wchar_t> buffer(needed + 1);
    const DWORD length = GetShortPathNameW(Wide(path), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0 || length >= buffer.size()) return path;
    Text shortPath = FromWide(buffer.data(), length);
    return IsAscii(shortPath) ? shortPath : path;
}

void Win32AviLibrary::FileInit() { AVIFileInit(); }

void Win32AviLibrary::FileExit() { AVIFileExit(); }

Status Win32AviLibrary::FileOpen(Handle* file, const Text& path, std::uint32_t mode) {
    PAVIFILE opened = nullptr;
    const HRESULT result = AVIFileOpenW(&opened, Wide(LibraryPathFor(path)), mode, nullptr);
    *file = reinterpret_cast<Handle>(opened);
    if (result == 0) files_[*file] = {path};
    return static_cast<Status>(result);
}

std::uint32_t Win32AviLibrary::StringToFourCC(const Text& code, std::uint32_t flags) {
    return mmioStringToFOURCCW(Wide(code), flags);
}

Status Win32AviLibrary::FileCreateStream(Handle file, Handle* stream, const AviStreamInfo& info) {
    AVISTREAMINFOW native{};
    native.fccType = info.fccType;
    native.fccHandler = info.fccHandler;
    native.dwFlags = info.dwFlags;
    native.dwCaps = info.dwCaps;
    native.wPriority = info.wPriority;
    native.wLanguage = info.wLanguage;
    native.dwScale = info.dwScale;
    native.dwRate = info.dwRate;
    native.dwStart = info.dwStart;
    native.dwLength = info.dwLength;
    native.dwInitialFrames = info.dwInitialFrames;
    native.dwSuggestedBufferSize = info.dwSuggestedBufferSize;
    native.dwQuality = info.dwQuality;
    native.dwSampleSize = info.dwSampleSize;
    native.rcFrame = {info.rcFrame.left, info.rcFrame.top, info.rcFrame.right, info.rcFrame.bottom};
    native.dwEditCount = info.dwEditCount;
    native.dwFormatChangeCount = info.dwFormatChangeCount;
    std::copy(info.szName.begin(), info.szName.end(), native.szName);
    PAVISTREAM created = nullptr;
    const HRESULT result = AVIFileCreateStreamW(AsFile(file), &created, &native);
    *stream = reinterpret_cast<Handle>(created);
    if (result == 0) {
        fileOfStream_[*stream] = file;
        auto& opened = files_[file];
        if (info.fccType == streamtypeVIDEO && opened.microSecPerFrame == 0) {
            opened.microSecPerFrame = MicroSecondsPerFrame(info);
        }
        if (info.fccType == streamtypeAUDIO) {
            const bool first = !opened.soundSamples;
            if (first) opened.soundSamples = 0;
            sound_[*stream] = {file, info.dwStart, 0, first};
        }
    }
    return static_cast<Status>(result);
}

std::int32_t Win32AviLibrary::SaveOptions(Handle owner, std::uint32_t flags, std::int32_t streamCount, Handle* streams,
                                          AviCompressOptions** options) {
    return static_cast<std::int32_t>(AVISaveOptions(reinterpret_cast<HWND>(owner), flags, streamCount,
                                                    reinterpret_cast<PAVISTREAM*>(streams),
                                                    reinterpret_cast<LPAVICOMPRESSOPTIONS*>(options)));
}

Status Win32AviLibrary::SaveOptionsFree(std::int32_t streamCount, AviCompressOptions** options) {
    return static_cast<Status>(AVISaveOptionsFree(streamCount, reinterpret_cast<LPAVICOMPRESSOPTIONS*>(options)));
}

Status Win32AviLibrary::MakeCompressedStream(Handle* compressed, Handle source, AviCompressOptions* options) {
    PAVISTREAM created = nullptr;
    const HRESULT result =
        AVIMakeCompressedStream(&created, AsStream(source), reinterpret_cast<AVICOMPRESSOPTIONS*>(options), nullptr);
    *compressed = reinterpret_cast<Handle>(created);
    if (result == 0 && Compresses(*options)) {
        compressing_.insert(*compressed);
        if (const auto file = fileOfStream_.find(source); file != fileOfStream_.end()) {
            files_[file->second].videoHandler = options->fccHandler;
        }
    }
    return static_cast<Status>(result);
}

Status Win32AviLibrary::StreamSetFormat(Handle stream, std::int32_t position, const void* format,
                                        std::int32_t formatSize) {
    return static_cast<Status>(AVIStreamSetFormat(AsStream(stream), position, const_cast<void*>(format), formatSize));
}

Status Win32AviLibrary::StreamWrite(Handle stream, std::int32_t start, std::int32_t samples, const void* data,
                                    std::int32_t size, std::uint32_t flags, std::int32_t* samplesWritten,
                                    std::int32_t* bytesWritten) {
    const auto sound = sound_.find(stream);
    if (sound != sound_.end()) {
        // The library's files take a stream's data only at its end, which for sound Windows counts
        // in samples and Wine's library in chunks: the end in samples becomes the library's own
        // end, and any other start is refused as the library refuses it.
        if (start != static_cast<std::int64_t>(sound->second.start) + sound->second.samples) {
            return static_cast<Status>(AVIERR_UNSUPPORTED);
        }
        start = AVIStreamEnd(AsStream(stream));
    }
    const bool compressing = compressing_.count(stream) != 0;
    // Wine's compressing stream indexes the frame as a key frame when the caller's flags say so,
    // whatever the compressor made of it: an inter frame would become a place to start decoding.
    // The stream flags by itself the frames it asked its compressor to make key frames.
    if (compressing) flags &= ~static_cast<std::uint32_t>(AVIIF_KEYFRAME);
    LONG samplesOut = 0;
    LONG bytesOut = 0;
    const HRESULT result =
        AVIStreamWrite(AsStream(stream), start, samples, const_cast<void*>(data), size, flags, &samplesOut, &bytesOut);
    // Wine's compressing stream hands the file's counters back in each other's places. A stream
    // writes exactly the samples it is given, so a sample count that is not theirs is the bytes.
    if (compressing && result == 0 && samplesOut != samples) std::swap(samplesOut, bytesOut);
    if (sound != sound_.end() && result == 0) {
        sound->second.samples += static_cast<std::uint32_t>(samples);
        if (sound->second.first) files_[sound->second.file].soundSamples = sound->second.samples;
    }
    if (samplesWritten) *samplesWritten = samplesOut;
    if (bytesWritten) *bytesWritten = bytesOut;
    return static_cast<Status>(result);
}

Status Win32AviLibrary::StreamInfo(Handle stream, AviStreamInfo* info) {
    AVISTREAMINFOW native{};
    const HRESULT result = AVIStreamInfoW(AsStream(stream), &native, sizeof native);
    if (result != 0) return static_cast<Status>(result);
    info->fccType = native.fccType;
    info->fccHandler = native.fccHandler;
    info->dwFlags = native.dwFlags;
    info->dwCaps = native.dwCaps;
    info->wPriority = native.wPriority;
    info->wLanguage = native.wLanguage;
    info->dwScale = native.dwScale;
    info->dwRate = native.dwRate;
    info->dwStart = native.dwStart;
    // A sound stream's length in samples, where Wine's library counts its chunks.
    const auto sound = sound_.find(stream);
    info->dwLength = sound != sound_.end() ? sound->second.samples : native.dwLength;
    info->dwInitialFrames = native.dwInitialFrames;
    info->dwSuggestedBufferSize = native.dwSuggestedBufferSize;
    info->dwQuality = native.dwQuality;
    info->dwSampleSize = native.dwSampleSize;
    info->rcFrame = {native.rcFrame.left, native.rcFrame.top, native.rcFrame.right, native.rcFrame.bottom};
    info->dwEditCount = native.dwEditCount;
    info->dwFormatChangeCount = native.dwFormatChangeCount;
    std::copy(std::begin(native.szName), std::end(native.szName), info->szName.begin());
    return 0;
}

Status Win32AviLibrary::StreamReadFormat(Handle stream, std::int32_t position, void* format, std::int32_t* formatSize) {
    LONG size = *formatSize;
    const HRESULT result = AVIStreamReadFormat(AsStream(stream), position, format, &size);
    *formatSize = size;
    return static_cast<Status>(result);
}

std::uint32_t Win32AviLibrary::StreamRelease(Handle stream) {
    // The caller's handle ends here, whatever else still holds the stream.
    compressing_.erase(stream);
    fileOfStream_.erase(stream);
    sound_.erase(stream);
    return AVIStreamRelease(AsStream(stream));
}

std::uint32_t Win32AviLibrary::FileRelease(Handle file) {
    // The library writes its headers and index at the last release.
    const ULONG left = AVIFileRelease(AsFile(file));
    if (left != 0) return left;
    if (const auto finished = files_.find(file); finished != files_.end()) {
        MendFinishedFile(finished->second);
        files_.erase(finished);
    }
    return left;
}

void Win32AviLibrary::MendFinishedFile(const OpenFile& finished) {
    Win32FileSystem files;
    const auto length = files.Length(finished.path);
    if (!length || *length == 0) return;
    auto opened = files.OpenForUpdating(finished.path);
    if (!opened.file || !FinishedByTheLibrary(*opened.file)) return;
    FinishedAviFacts facts;
    facts.microSecPerFrame = finished.microSecPerFrame;
    facts.videoHandler = finished.videoHandler;
    facts.soundSamples = finished.soundSamples;
    // A file that could not be mended still plays: the mend is for readers that are strict.
    MendFinishedAviFile(*opened.file, *length, facts);
}

}  // namespace kest::platform::win32

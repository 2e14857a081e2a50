#include "fake/fake_platform.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/little_endian.h"
#include "support/bitmap_file.h"

namespace kest::fake {

std::string Utf8(const Text& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// ---- files ----

namespace {

class FakeBinaryFile : public platform::BinaryFile {
public:
    FakeBinaryFile(std::vector<std::uint8_t>& bytes, bool failWrites) : bytes_(bytes), failWrites_(failWrites) {}
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override {
        if (offset > bytes_.size() || size > bytes_.size() - offset) return false;
        std::memcpy(buffer, bytes_.data() + offset, size);
        return true;
    }
    bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) override {
        if (failWrites_) return false;
        if (bytes_.size() < offset + size) bytes_.resize(offset + size);
        if (size) std::memcpy(bytes_.data() + offset, data, size);
        return true;
    }
    bool Truncate(std::uint64_t length) override {
        if (failWrites_) return false;
        bytes_.resize(length);
        return true;
    }

private:
    std::vector<std::uint8_t>& bytes_;
    bool failWrites_;
};

}  // namespace

std::optional<std::int64_t> FakeFiles::Length(const Text& path) {
    if (auto it = reportedLength.find(path); it != reportedLength.end()) return it->second;
    auto it = contents.find(path);
    if (it == contents.end()) return std::nullopt;
    return static_cast<std::int64_t>(it->second.size());
}

bool FakeFiles::IsNormalFile(const Text& path) { return Exists(path); }

bool FakeFiles::Remove(const Text& path) {
    removed.push_back(path);
    if (log) log->push_back("Remove " + Utf8(path));
    return contents.erase(path) != 0;
}

platform::OpenResult FakeFiles::OpenForReading(const Text& path) {
    platform::OpenResult result;
    if (locked.count(path)) {
        result.error = platform::OpenError::PermissionDenied;
        result.description = u"Permission denied";
        return result;
    }
    if (auto it = brokenWithReason.find(path); it != brokenWithReason.end()) {
        result.error = platform::OpenError::Other;
        result.description = it->second;
        return result;
    }
    auto it = contents.find(path);
    if (it == contents.end()) {
        result.error = platform::OpenError::NotFound;
        result.description = u"File not found";
        return result;
    }
    result.file = std::make_unique<FakeBinaryFile>(it->second, false);
    return result;
}

platform::OpenResult FakeFiles::OpenForWriting(const Text& path) {
    platform::OpenResult result;
    if (locked.count(path)) {
        result.error = platform::OpenError::PermissionDenied;
        result.description = u"Permission denied";
        return result;
    }
    auto& bytes = contents[path];
    bytes.clear();
    result.file = std::make_unique<FakeBinaryFile>(bytes, failWrites);
    return result;
}

platform::OpenResult FakeFiles::OpenForUpdating(const Text& path) {
    platform::OpenResult result;
    auto it = contents.find(path);
    if (locked.count(path) || it == contents.end()) {
        result.error = it == contents.end() ? platform::OpenError::NotFound : platform::OpenError::PermissionDenied;
        return result;
    }
    result.file = std::make_unique<FakeBinaryFile>(it->second, failWrites);
    return result;
}

// ---- bitmaps ----

std::vector<std::uint8_t> MakeBmp(std::int32_t width, std::int32_t height, std::int32_t bitCount, std::uint8_t fill) {
    const std::uint32_t colours = bitCount <= 8 ? 1u << bitCount : 0;
    platform::DibHeader info;
    info.width = width;
    info.height = height;
    info.bitCount = static_cast<std::uint16_t>(bitCount);
    info.sizeImage = static_cast<std::uint32_t>(platform::DibStride(width, bitCount) * (height < 0 ? -height : height));
    info.xPelsPerMeter = info.yPelsPerMeter = 2835;
    info.clrUsed = colours;
    std::vector<std::uint8_t> b = testing::BitmapFileHeader(info, colours * 4);
    for (std::uint32_t i = 0; i < colours; ++i) {
        const auto grey = static_cast<std::uint8_t>(i * 255 / (colours - 1));
        b.insert(b.end(), {grey, grey, grey, 0});
    }
    b.resize(b.size() + info.sizeImage, fill);
    return b;
}

// ---- window calls ----

Handle FakeWindowApi::CreateRectRgn(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
    ++regionsCreated;
    const Handle region = nextRegion_++;
    regions[region] = {l, t, r, b};
    return region;
}

Handle FakeWindowApi::CreateRoundRectRgn(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b, std::int32_t,
                                         std::int32_t) {
    return CreateRectRgn(l, t, r, b);
}

std::int32_t FakeWindowApi::CombineRgn(Handle destination, Handle a, Handle b, std::int32_t) {
    if (!regions.count(destination) || !regions.count(a) || !regions.count(b)) return 0;
    const platform::Rect ra = regions[a], rb = regions[b];
    regions[destination] = {std::min(ra.left, rb.left), std::min(ra.top, rb.top), std::max(ra.right, rb.right),
                            std::max(ra.bottom, rb.bottom)};
    return 3;  // COMPLEXREGION
}

bool FakeWindowApi::DeleteObject(Handle object) {
    ++objectsDeleted;
    return regions.erase(object) != 0;
}

std::int32_t FakeWindowApi::SetWindowRgn(Handle window, Handle region, bool) {
    regionsSet.push_back(region);
    if (!setWindowRgnSucceeds || !regions.count(region) || owner_.toolkit.WindowGone(window)) return 0;
    // The system owns the region from now on and frees the one it replaces.
    if (auto old = windowRegions.find(window); old != windowRegions.end()) ownedRegions_.erase(old->second);
    windowRegions[window] = region;
    ownedRegions_[region] = regions[region];
    regions.erase(region);
    return 1;
}

bool FakeWindowApi::ReleaseCapture() {
    ++releaseCaptureCount;
    owner_.log.push_back("ReleaseCapture");
    return true;
}

std::intptr_t FakeWindowApi::SendWindowMessage(Handle window, std::uint32_t message, std::uintptr_t wParam,
                                               std::intptr_t lParam) {
    owner_.log.push_back("SendMessage " + std::to_string(message) + " " + std::to_string(wParam));
    sent.push_back({window, message, wParam, lParam});
    return 0;
}

bool FakeWindowApi::TrackPopupMenu(Handle menu, std::uint32_t flags, std::int32_t x, std::int32_t y, std::int32_t,
                                   Handle owner) {
    owner_.log.push_back("TrackPopupMenu");
    popups.push_back({menu, flags, {x, y}, owner});
    return true;
}

// ---- AVI library ----

void FakeAvi::FileInit() {
    ++initCount;
    owner_.log.push_back("AVIFileInit");
}

void FakeAvi::FileExit() {
    ++exitCount;
    owner_.log.push_back("AVIFileExit");
}

platform::Status FakeAvi::FileOpen(Handle* file, const Text& path, std::uint32_t mode) {
    owner_.log.push_back("AVIFileOpen");
    openedPaths.push_back(path);
    openMode = mode;
    owner_.files.contents[path] = {};  // the library creates the file even when it then fails
    if (script.openStatus != 0) return script.openStatus;
    *file = kFile;
    return 0;
}

std::uint32_t FakeAvi::StringToFourCC(const Text& code, std::uint32_t) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4 && i < code.size(); ++i) value |= static_cast<std::uint32_t>(code[i]) << (8 * i);
    return value;
}

platform::Status FakeAvi::FileCreateStream(Handle, Handle* stream, const platform::AviStreamInfo& info) {
    owner_.log.push_back("AVIFileCreateStream");
    if (info.fccType == StringToFourCC(u"auds", 0)) {
        soundInfo = info;
        soundSamples_ = 0;
        *stream = kSoundStream;
        return 0;
    }
    streamInfo = info;
    if (script.createStreamStatus != 0) return script.createStreamStatus;
    *stream = kStream;
    return 0;
}

std::int32_t FakeAvi::SaveOptions(Handle, std::uint32_t flags, std::int32_t, Handle*,
                                  platform::AviCompressOptions** options) {
    owner_.log.push_back("AVISaveOptions");
    saveOptionsFlags = flags;
    handlerShownInDialog = (*options)->fccHandler;
    if (script.saveOptionsResult == 1) {
        (*options)->fccHandler = script.chosenHandler;
        if (script.chosenKeyFrameEvery) {
            (*options)->dwFlags |= platform::kAvicompressfKeyframes;
            (*options)->dwKeyFrameEvery = *script.chosenKeyFrameEvery;
        }
    }
    return script.saveOptionsResult;
}

platform::Status FakeAvi::SaveOptionsFree(std::int32_t, platform::AviCompressOptions**) {
    ++saveOptionsFreeCount;
    owner_.log.push_back("AVISaveOptionsFree");
    return 0;
}

platform::Status FakeAvi::MakeCompressedStream(Handle* compressed, Handle, platform::AviCompressOptions* options) {
    owner_.log.push_back("AVIMakeCompressedStream");
    compressedWith = *options;
    if (script.compressedStreamStatus != 0) return script.compressedStreamStatus;
    *compressed = kCompressed;
    return 0;
}

platform::Status FakeAvi::StreamSetFormat(Handle stream, std::int32_t, const void* data, std::int32_t size) {
    owner_.log.push_back("AVIStreamSetFormat");
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    (stream == kSoundStream ? soundFormat : format).assign(bytes, bytes + size);
    return script.setFormatStatus;
}

platform::Status FakeAvi::StreamWrite(Handle stream, std::int32_t start, std::int32_t samples, const void* data,
                                      std::int32_t size, std::uint32_t flags, std::int32_t* samplesWritten,
                                      std::int32_t* bytesWritten) {
    owner_.log.push_back("AVIStreamWrite " + std::to_string(start));
    if (script.failWriteAt && *script.failWriteAt == writeCount_++) return script.writeFailure;
    // The default handler takes a stream's data only at its end, a sound stream's counted in samples.
    constexpr platform::Status kUnsupported = static_cast<platform::Status>(0x80044065);  // AVIERR_UNSUPPORTED
    if (stream == kSoundStream && start != static_cast<std::int64_t>(soundInfo.dwStart) + soundSamples_) {
        return kUnsupported;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    writes.push_back({stream, start, samples, {}, flags, size});
    if (script.keepWrittenData) writes.back().data.assign(bytes, bytes + size);
    if (stream == kSoundStream) {
        sound.insert(sound.end(), bytes, bytes + size);
        ++soundChunks_;
        soundSamples_ += samples;
    }
    if (script.firstChunkAt && !openedPaths.empty()) {
        auto& file = owner_.files.contents[openedPaths.back()];
        if (file.size() < static_cast<std::size_t>(*script.firstChunkAt)) file.resize(*script.firstChunkAt);
        const std::uint8_t id = stream == kSoundStream ? '1' : '0';
        std::uint8_t chunk[8] = {'0', id, static_cast<std::uint8_t>(id == '1' ? 'w' : 'd'), 'b'};
        platform::WriteLE32(chunk + 4, static_cast<std::uint32_t>(size));
        file.insert(file.end(), chunk, chunk + 8);
        file.insert(file.end(), bytes, bytes + size);
        if (size & 1) file.push_back(0);
    }
    if (script.reportCounters) {
        if (samplesWritten) *samplesWritten = samples;
        if (bytesWritten) *bytesWritten = size;
    }
    return 0;
}

platform::Status FakeAvi::StreamInfo(Handle stream, platform::AviStreamInfo* info) {
    // Frames for the video, samples for the sound, as Windows counts them.
    *info = stream == kSoundStream ? soundInfo : streamInfo;
    const int frames = std::max(0, static_cast<int>(writes.size()) - soundChunks_);  // a test may clear writes
    info->dwLength = static_cast<std::uint32_t>(stream == kSoundStream ? soundSamples_ : frames);
    return 0;
}

platform::Status FakeAvi::StreamReadFormat(Handle, std::int32_t, void* data, std::int32_t* size) {
    if (data) std::memcpy(data, format.data(), std::min<std::size_t>(format.size(), static_cast<std::size_t>(*size)));
    *size = static_cast<std::int32_t>(format.size());
    return 0;
}

std::uint32_t FakeAvi::StreamRelease(Handle stream) {
    released.push_back(stream);
    owner_.log.push_back("AVIStreamRelease");
    return 0;
}

std::uint32_t FakeAvi::FileRelease(Handle file) {
    released.push_back(file);
    // The real library writes headers, frames and index at the last release.
    if (script.writesFileOnRelease && !openedPaths.empty()) {
        auto& bytes = owner_.files.contents[openedPaths.back()];
        bytes.assign({'R', 'I', 'F', 'F'});
        bytes.resize(2048 + writes.size() * 24, 0);
    }
    owner_.log.push_back("AVIFileRelease");
    return 0;
}

// ---- desktop ----

Handle FakeDesktop::GetCursor() {
    owner_.log.push_back("GetCursor");
    return cursor;
}

bool FakeDesktop::SetForegroundWindow(Handle window) {
    foregrounded.push_back(window);
    return true;
}

bool FakeDesktop::SetRect(platform::Rect* rect, std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
    *rect = {l, t, r, b};
    return true;
}

void FakeDesktop::KeybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags, std::uintptr_t extra) {
    owner_.log.push_back("keybd_event " + std::to_string(vk) + " " + std::to_string(scan) + " " +
                         std::to_string(flags) + " " + std::to_string(extra));
    if (printScreenFills) ++clipboardSequence;
}

bool FakeDesktop::GetCursorPos(platform::Point* position) {
    owner_.log.push_back("GetCursorPos");
    *position = cursorPosition;
    return true;
}

Handle FakeDesktop::GetDC(Handle window) {
    owner_.log.push_back("GetDC " + std::to_string(window));
    return kScreenDc;
}

std::int32_t FakeDesktop::ReleaseDC(Handle window, Handle dc) {
    owner_.log.push_back("ReleaseDC " + std::to_string(window) + " " + std::to_string(dc));
    return 1;
}

bool FakeDesktop::BitBlt(Handle destination, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                         Handle source, std::int32_t sx, std::int32_t sy, std::uint32_t rop) {
    owner_.log.push_back("BitBlt " + std::to_string(destination) + " " + std::to_string(x) + " " + std::to_string(y) +
                         " " + std::to_string(width) + " " + std::to_string(height) + " " + std::to_string(source) +
                         " " + std::to_string(sx) + " " + std::to_string(sy) + " " + std::to_string(rop));
    return true;
}

bool FakeDesktop::DrawIcon(Handle dc, std::int32_t x, std::int32_t y, Handle icon) {
    owner_.log.push_back("DrawIcon " + std::to_string(dc) + " " + std::to_string(x) + " " + std::to_string(y) + " " +
                         std::to_string(icon));
    return true;
}

std::int32_t FakeDesktop::GetSystemMetrics(std::int32_t index) {
    platform::Rect all = monitors.at(0);
    for (const auto& m : monitors) {
        all = {std::min(all.left, m.left), std::min(all.top, m.top), std::max(all.right, m.right),
               std::max(all.bottom, m.bottom)};
    }
    switch (index) {
        case platform::kSmXVirtualScreen: return all.left;
        case platform::kSmYVirtualScreen: return all.top;
        case platform::kSmCxVirtualScreen: return all.right - all.left;
        case platform::kSmCyVirtualScreen: return all.bottom - all.top;
        default: return 0;
    }
}

bool FakeDesktop::GetMonitorInfoOf(Handle monitor, platform::MonitorInfo* info) {
    const std::size_t index = monitor - kFirstMonitor;
    if (monitor < kFirstMonitor || index >= monitors.size()) return false;
    *info = {monitors[index], monitors[index], index == 0 ? platform::kMonitorInfoPrimary : 0};
    return true;
}

FakePlatform::FakePlatform() {
    files.log = &log;
    dialogs.answer = [this](platform::FileDialogRecord& request) {
        log.push_back("GetSaveFileName");
        if (saveDialog.whileOpen) saveDialog.whileOpen();
        if (saveDialog.result == 0) return 0;
        Text buffer = saveDialog.typedName;
        buffer.resize(request.maxFile, u'\0');
        request.file = buffer;
        return saveDialog.result;
    };
}

}  // namespace kest::fake
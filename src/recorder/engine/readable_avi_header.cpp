#include "recorder/engine/readable_avi_header.h"

namespace kest::recorder {

void ReadableAviHeader::Start(const platform::Text& path, const std::vector<InterimStream>& streams) {
    file_.reset();
    opening_.clear();
    openingOnly_ = false;
    path_ = path;
    if (files_.Length(path_) != std::optional<std::int64_t>{0}) return;
    file_ = std::move(files_.OpenForUpdating(path_).file);
    opening_ = InterimAviHeader(streams, FirstChunkOffset(streams));
    if (!Write(opening_)) opening_.clear();
}

bool ReadableAviHeader::Write(const std::vector<std::uint8_t>& header) {
    // A header that cannot be made or written stops the keeping, never the recording: the
    // library's own file is complete at the close either way.
    if (file_ && !header.empty() && file_->WriteAt(0, header.data(), header.size())) return true;
    file_.reset();
    return false;
}

ReadableAviHeader::Layout ReadableAviHeader::CheckLayout(std::int64_t fileBytes) {
    const auto firstChunk = static_cast<std::int64_t>(opening_.size());
    std::vector<std::uint8_t> front(opening_.size());
    if (!file_->ReadAt(0, front.data(), front.size()) || front != opening_) {
        return Layout::Different;  // the library writes there itself: those bytes are its own
    }
    if (fileBytes < firstChunk + 8) return Layout::Unknown;  // its first frame is not on disk yet
    std::uint8_t chunk[8] = {};
    if (!file_->ReadAt(static_cast<std::uint64_t>(firstChunk), chunk, sizeof chunk)) return Layout::Unknown;
    if (IsFirstFrameChunk(chunk, firstChunk, fileBytes)) return Layout::Described;
    // Its chunks are elsewhere: take the headers back, the file is then as the library left it.
    const std::vector<std::uint8_t> zeros(opening_.size());
    file_->WriteAt(0, zeros.data(), zeros.size());
    return Layout::Different;
}

void ReadableAviHeader::Refresh(const std::vector<InterimStream>& streams) {
    if (!file_) return;
    const auto length = files_.Length(path_);
    if (!length) return;
    if (!opening_.empty()) {
        // Nothing more is written over the library's file until its first frame is seen exactly
        // where these headers end; another library's layout is left alone.
        switch (CheckLayout(*length)) {
            case Layout::Unknown: return;
            case Layout::Different: file_.reset(); return;
            case Layout::Described: opening_.clear(); break;
        }
    }
    Write(InterimAviHeader(streams, *length));
}

void ReadableAviHeader::Stop() {
    openingOnly_ = file_ && !opening_.empty();
    file_.reset();
}

void ReadableAviHeader::TakeBackIfAlone() {
    if (!openingOnly_) return;
    openingOnly_ = false;
    if (files_.Length(path_) != static_cast<std::int64_t>(opening_.size())) return;
    auto opened = files_.OpenForReading(path_);
    std::vector<std::uint8_t> bytes(opening_.size());
    if (!opened.file || !opened.file->ReadAt(0, bytes.data(), bytes.size()) || bytes != opening_) return;
    opened.file.reset();
    files_.OpenForWriting(path_);
}

}  // namespace kest::recorder

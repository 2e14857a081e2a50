// Keeps an AVI file that the library is still writing readable on disk: after every chunk the
// headers a reader needs are written over the front of the file, where the library puts its
// own at the close. A recorder that is killed then leaves every stream readable up to its last
// chunk.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/file_system.h"
#include "recorder/engine/avi_header.h"

namespace kest::recorder {

class ReadableAviHeader {
public:
    explicit ReadableAviHeader(platform::FileSystem& files) : files_(files) {}

    // The library has created the file at `path` and its streams, and written nothing yet.
    // From here on the file is valid without chunks, so even a recorder that dies before its
    // first frame leaves one. Off when the file is not empty or cannot be opened a second time.
    void Start(const platform::Text& path, const std::vector<InterimStream>& streams);
    // After each chunk the library wrote, with the streams as it now describes them.
    void Refresh(const std::vector<InterimStream>& streams);
    // Before the library's close: nothing may be written after it.
    void Stop();
    // After the library's close: a library that wrote nothing at all would have left an empty
    // file, which a stop removes; the headers written at the start must not turn it into a file
    // without frames.
    void TakeBackIfAlone();
    bool Active() const { return file_ != nullptr; }

private:
    enum class Layout { Unknown, Described, Different };
    Layout CheckLayout(std::int64_t fileBytes);
    bool Write(const std::vector<std::uint8_t>& header);

    platform::FileSystem& files_;
    platform::Text path_;
    std::unique_ptr<platform::BinaryFile> file_;
    // What was written at the start, until the library's first frame shows that its layout is
    // the one described.
    std::vector<std::uint8_t> opening_;
    bool openingOnly_ = false;
};

}  // namespace kest::recorder

// An AVI file as a reader walks it, for the tests that judge what the writer left: chunks of an
// id and a size one after another, lists among them whose data starts with a type and holds more
// chunks. From bytes in memory or from a file on disk, read as it is walked (a recording may
// hold gigabytes).
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/little_endian.h"

namespace kest::testing {

using platform::FourCC;

// A four-character code as text, for messages.
inline std::string CodeName(std::uint32_t code) {
    std::string name(4, ' ');
    platform::WriteLE32(reinterpret_cast<std::uint8_t*>(name.data()), code);
    return name;
}

struct RiffChunk {
    std::uint32_t id = 0;
    std::int64_t at = 0;    // its header
    std::int64_t size = 0;  // its data's size, as the header says
    std::int64_t Data() const { return at + 8; }
    std::int64_t End() const { return Data() + size; }
};

class Riff {
public:
    explicit Riff(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)), size_(std::ssize(bytes_)) {}
    explicit Riff(const std::filesystem::path& file) : file_(file, std::ios::binary) {
        std::error_code error;
        const auto size = std::filesystem::file_size(file, error);
        size_ = error ? 0 : static_cast<std::int64_t>(size);
    }

    std::int64_t Size() const { return size_; }
    // The number at `at`; 0 where the file ends first.
    std::uint32_t U32(std::int64_t at) const {
        if (at < 0 || at + 4 > size_) return 0;
        if (!file_.is_open()) return platform::ReadLE32(bytes_, static_cast<std::size_t>(at));
        std::uint8_t b[4] = {};
        file_.clear();
        file_.seekg(at);
        file_.read(reinterpret_cast<char*>(b), 4);
        return platform::ReadLE32(b);
    }
    bool IsList(const RiffChunk& chunk, std::uint32_t type) const {
        return chunk.id == FourCC("LIST") && U32(chunk.Data()) == type;
    }

    // The chunks that follow one another from `begin`, as far as they start before `end` and
    // their headers lie in the file. One may run past `end` (a list that claims too much); the
    // caller judges that with End().
    std::vector<RiffChunk> Chunks(std::int64_t begin, std::int64_t end) const {
        std::vector<RiffChunk> chunks;
        for (std::int64_t at = begin; at < end && at + 8 <= size_;) {
            const RiffChunk chunk{U32(at), at, U32(at + 4)};
            chunks.push_back(chunk);
            at = chunk.End() + (chunk.size & 1);
        }
        return chunks;
    }
    // Those of the RIFF itself, behind its type.
    std::vector<RiffChunk> Top() const { return Chunks(12, 8 + std::int64_t{U32(4)}); }
    // Those of a list, behind its type.
    std::vector<RiffChunk> Inside(const RiffChunk& list) const { return Chunks(list.Data() + 4, list.End()); }

    // The first chunk along a path of list types that ends in a chunk's id: Find({"hdrl", "avih"}).
    std::optional<RiffChunk> Find(std::initializer_list<const char*> path) const {
        std::vector<RiffChunk> level = Top();
        for (auto step = path.begin(); step != path.end(); ++step) {
            const std::uint32_t code = platform::ReadLE32(reinterpret_cast<const std::uint8_t*>(*step));
            const bool last = step + 1 == path.end();
            const auto found = std::find_if(level.begin(), level.end(), [&](const RiffChunk& chunk) {
                return last ? chunk.id == code : IsList(chunk, code);
            });
            if (found == level.end()) return std::nullopt;
            if (last) return *found;
            level = Inside(*found);
        }
        return std::nullopt;
    }

private:
    std::vector<std::uint8_t> bytes_;
    mutable std::ifstream file_;
    std::int64_t size_ = 0;
};

}  // namespace kest::testing

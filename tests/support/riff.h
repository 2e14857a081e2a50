// An AVI file as a reader walks it, for the tests that judge what the writer left: chunks of an
// id and a size one after another, lists among them whose data starts with a type and holds more
// chunks. From bytes in memory, or from a file read as it is walked (a recording may hold
// gigabytes).
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/little_endian.h"

namespace kest::testing {

using platform::FourCC;

struct RiffChunk {
    std::uint32_t id = 0;
    std::int64_t at = 0;    // its header
    std::int64_t size = 0;  // its data's, as the header says
    std::int64_t Data() const { return at + 8; }
    std::int64_t End() const { return Data() + size; }
};

class Riff {
public:
    explicit Riff(const std::vector<std::uint8_t>& bytes)
        : Riff(std::make_unique<std::istringstream>(std::string(bytes.begin(), bytes.end()))) {}
    explicit Riff(const std::filesystem::path& file) : Riff(std::make_unique<std::ifstream>(file, std::ios::binary)) {}

    std::int64_t Size() const { return size_; }

    // The number at `at`; 0 where the file ends first.
    std::uint32_t U32(std::int64_t at) const {
        std::uint8_t b[4] = {};
        in_->clear();
        in_->seekg(at);
        return in_->read(reinterpret_cast<char*>(b), 4) ? platform::ReadLE32(b) : 0;
    }
    bool IsList(const RiffChunk& chunk, const std::string& type = {}) const {
        return chunk.id == FourCC("LIST") && (type.empty() || Name(chunk) == type);
    }
    // A list's type, any other chunk's id, as text.
    std::string Name(const RiffChunk& chunk) const {
        std::string name(4, ' ');
        platform::WriteLE32(reinterpret_cast<std::uint8_t*>(name.data()), IsList(chunk) ? U32(chunk.Data()) : chunk.id);
        return name;
    }

    // The chunks that follow one another from `begin`, as far as they start before `end` and
    // their headers lie in the file. One may run past `end` (a list that claims too much).
    std::vector<RiffChunk> Chunks(std::int64_t begin, std::int64_t end) const {
        std::vector<RiffChunk> chunks;
        for (std::int64_t at = begin; at < end && at + 8 <= size_;) {
            chunks.push_back({U32(at), at, U32(at + 4)});
            at = chunks.back().End() + (chunks.back().size & 1);
        }
        return chunks;
    }
    // Those of the RIFF, and those of a list, behind their types.
    std::vector<RiffChunk> Top() const { return Chunks(12, 8 + std::int64_t{U32(4)}); }
    std::vector<RiffChunk> Inside(const RiffChunk& list) const { return Chunks(list.Data() + 4, list.End()); }

    // The first chunk along a path of list types that ends in a chunk's id: Find({"hdrl", "avih"}).
    std::optional<RiffChunk> Find(std::initializer_list<std::string> path) const {
        std::vector<RiffChunk> level = Top();
        for (auto step = path.begin(); step != path.end(); ++step) {
            const bool last = step + 1 == path.end();
            const auto found = std::find_if(level.begin(), level.end(), [&](const RiffChunk& chunk) {
                return IsList(chunk) != last && Name(chunk) == *step;
            });
            if (found == level.end()) return std::nullopt;
            if (last) return *found;
            level = Inside(*found);
        }
        return std::nullopt;
    }
    // The chunks by name, a list with what it holds but the movie list's frames, and `!` after one
    // that runs past the end of its list: "hdrl(avih strl(strh strf)) JUNK movi()".
    std::string Outline(const std::vector<RiffChunk>& chunks, std::int64_t end) const {
        std::string outline;
        for (const RiffChunk& chunk : chunks) {
            outline += (outline.empty() ? "" : " ") + Name(chunk) + (chunk.End() > end ? "!" : "");
            if (IsList(chunk))
                outline += "(" + (IsList(chunk, "movi") ? "" : Outline(Inside(chunk), chunk.End())) + ")";
        }
        return outline;
    }
    std::string Outline() const { return Outline(Top(), 8 + std::int64_t{U32(4)}); }

private:
    explicit Riff(std::unique_ptr<std::istream> in) : in_(std::move(in)) {
        in_->seekg(0, std::ios::end);
        size_ = in_->good() ? static_cast<std::int64_t>(in_->tellg()) : 0;
    }

    std::unique_ptr<std::istream> in_;
    std::int64_t size_ = 0;
};

}  // namespace kest::testing

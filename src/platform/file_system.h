// Files on disk: existence, length, deletion and positioned binary I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/types.h"

namespace kest::platform {

class BinaryFile {
public:
    virtual ~BinaryFile() = default;  // closes the file
    // True only when all `size` bytes were transferred.
    virtual bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) = 0;
    virtual bool WriteAt(std::uint64_t offset, const void* data, std::size_t size) = 0;
    // Cuts the file off at `length` bytes.
    virtual bool Truncate(std::uint64_t length) = 0;
};

enum class OpenError { None, NotFound, PermissionDenied, Other };

struct OpenResult {
    std::unique_ptr<BinaryFile> file;  // null when the open failed
    OpenError error = OpenError::None;
    Text description;  // the system's text for the error
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Length of a file that exists and can be queried.
    virtual std::optional<std::int64_t> Length(const Text& path) = 0;
    // True for an existing normal file (not a directory).
    virtual bool IsNormalFile(const Text& path) = 0;
    virtual bool Remove(const Text& path) = 0;
    virtual OpenResult OpenForReading(const Text& path) = 0;
    // Creates the file or empties an existing one.
    virtual OpenResult OpenForWriting(const Text& path) = 0;
    // Opens an existing file for reading and writing in place, nothing emptied, beside any
    // other handle that is writing it.
    virtual OpenResult OpenForUpdating(const Text& path) = 0;
    // Bytes this user may still write on the volume that holds the file `path` names (the
    // file itself need not exist); nothing when the system cannot say.
    virtual std::optional<std::int64_t> FreeBytes(const Text& path) = 0;
};

}  // namespace kest::platform

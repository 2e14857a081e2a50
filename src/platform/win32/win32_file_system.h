#pragma once

#include "platform/file_system.h"

namespace kest::platform::win32 {

class Win32FileSystem : public FileSystem {
public:
    std::optional<std::int64_t> Length(const Text& path) override;
    bool IsNormalFile(const Text& path) override;
    bool Remove(const Text& path) override;
    OpenResult OpenForReading(const Text& path) override;
    OpenResult OpenForWriting(const Text& path) override;
    OpenResult OpenForUpdating(const Text& path) override;
    std::optional<std::int64_t> FreeBytes(const Text& path) override;
};

}  // namespace kest::platform::win32

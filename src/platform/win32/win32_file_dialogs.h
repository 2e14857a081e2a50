#pragma once

#include "platform/file_dialogs.h"

namespace kest::platform::win32 {

class Win32FileDialogs : public FileDialogs {
public:
    std::int32_t ShowDialog(FileDialogKind kind, FileDialogRecord& record) override;
    std::int16_t FileTitle(const Text& path, Text& title, std::uint16_t bufferSize) override;
    Status GetSpecialFolderLocation(Handle owner, std::int32_t folder, Handle* idList) override;
    bool GetPathFromIdList(Handle idList, Text& path) override;
    void FreeIdList(Handle idList) override;
};

}  // namespace kest::platform::win32

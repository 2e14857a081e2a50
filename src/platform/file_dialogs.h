// comdlg32, msvfw32, shell32 and ole32 calls behind the file dialogs: the recorder's save dialog
// and the general file dialog object.
#pragma once

#include <cstdint>

#include "platform/types.h"

namespace kest::platform {

inline constexpr std::uint32_t kOfnReadOnly = 0x00000001;
inline constexpr std::uint32_t kOfnOverwritePrompt = 0x00000002;
inline constexpr std::uint32_t kOfnHideReadOnly = 0x00000004;
inline constexpr std::uint32_t kOfnEnableHook = 0x00000020;
inline constexpr std::uint32_t kOfnEnableTemplate = 0x00000040;
inline constexpr std::uint32_t kOfnAllowMultiSelect = 0x00000200;
inline constexpr std::uint32_t kOfnPathMustExist = 0x00000800;
inline constexpr std::uint32_t kOfnFileMustExist = 0x00001000;
inline constexpr std::uint32_t kOfnExplorer = 0x00080000;
inline constexpr std::int32_t kCsidlPersonal = 5;

enum class FileDialogKind { Open, OpenPreview, Save };

// The fields of OPENFILENAMEW the programs fill. `file` and `fileTitle` hold at most maxFile /
// maxFileTitle characters; the implementation keeps one NUL beyond them, so a full buffer still
// ends. Coming back they hold the whole buffers, NULs included.
struct FileDialogRecord {
    Handle owner = 0;
    Handle instance = 0;
    Text filter;  // description NUL pattern NUL ... NUL NUL
    std::uint32_t filterIndex = 0;
    Text file;
    std::uint32_t maxFile = 0;
    Text fileTitle;
    std::uint32_t maxFileTitle = 0;
    Text initialDir;
    Text title;
    std::uint32_t flags = 0;
    Text defExt;
    std::uint16_t fileOffset = 0;  // out: where the file name starts in `file`
};

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Nonzero when the user confirmed.
    virtual std::int32_t ShowDialog(FileDialogKind kind, FileDialogRecord& record) = 0;
    // GetFileTitleW into a buffer of `bufferSize` characters: 0 on success, the title in `title`.
    virtual std::int16_t FileTitle(const Text& path, Text& title, std::uint16_t bufferSize) = 0;
    // SHGetSpecialFolderLocation: 0 on success and the item identifier list in *idList.
    virtual Status GetSpecialFolderLocation(Handle owner, std::int32_t folder, Handle* idList) = 0;
    // SHGetPathFromIDListW: false when the list names no file-system folder.
    virtual bool GetPathFromIdList(Handle idList, Text& path) = 0;
    virtual void FreeIdList(Handle idList) = 0;
};

}  // namespace kest::platform

#include "platform/win32/win32_file_dialogs.h"

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>
#include <vfw.h>

#include <algorithm>
#include <vector>

#include "platform/win32/text.h"

namespace kest::platform::win32 {

static_assert(kOfnReadOnly == OFN_READONLY && kOfnOverwritePrompt == OFN_OVERWRITEPROMPT &&
              kOfnHideReadOnly == OFN_HIDEREADONLY && kOfnEnableHook == OFN_ENABLEHOOK &&
              kOfnEnableTemplate == OFN_ENABLETEMPLATE && kOfnAllowMultiSelect == OFN_ALLOWMULTISELECT &&
              kOfnPathMustExist == OFN_PATHMUSTEXIST && kOfnFileMustExist == OFN_FILEMUSTEXIST &&
              kOfnExplorer == OFN_EXPLORER && kCsidlPersonal == CSIDL_PERSONAL);

namespace {

// The record's characters followed by NULs up to `capacity`, plus one NUL more, so a buffer
// filled to the last character still ends.
std::vector<wchar_t> Buffer(const Text& initial, std::uint32_t capacity) {
    std::vector<wchar_t> buffer(static_cast<std::size_t>(capacity) + 1, L'\0');
    std::copy_n(initial.begin(), std::min<std::size_t>(initial.size(), capacity), buffer.begin());
    return buffer;
}

const wchar_t* OrNull(const Text& text) { return text.empty() ? nullptr : Wide(text); }

}  // namespace

std::int32_t Win32FileDialogs::ShowDialog(FileDialogKind kind, FileDialogRecord& record) {
    std::vector<wchar_t> file = Buffer(record.file, record.maxFile);
    std::vector<wchar_t> fileTitle = Buffer(record.fileTitle, record.maxFileTitle);
    // The Unicode record at its real size: paths in any script come back intact on every
    // system code page.
    OPENFILENAMEW native{};
    native.lStructSize = sizeof native;
    native.hwndOwner = reinterpret_cast<HWND>(record.owner);
    native.hInstance = reinterpret_cast<HINSTANCE>(record.instance);
    native.lpstrFilter = OrNull(record.filter);
    native.nFilterIndex = record.filterIndex;
    native.lpstrFile = file.data();
    native.nMaxFile = record.maxFile;
    native.lpstrFileTitle = fileTitle.data();
    native.nMaxFileTitle = record.maxFileTitle;
    native.lpstrInitialDir = OrNull(record.initialDir);
    native.lpstrTitle = OrNull(record.title);
    native.Flags = record.flags;
    native.lpstrDefExt = OrNull(record.defExt);
    BOOL confirmed = FALSE;
    switch (kind) {
        case FileDialogKind::Open: confirmed = GetOpenFileNameW(&native); break;
        case FileDialogKind::OpenPreview: confirmed = GetOpenFileNamePreviewW(&native); break;
        case FileDialogKind::Save: confirmed = GetSaveFileNameW(&native); break;
    }
    record.file = FromWide(file.data(), record.maxFile);
    record.fileTitle = FromWide(fileTitle.data(), record.maxFileTitle);
    record.flags = native.Flags;
    record.filterIndex = native.nFilterIndex;
    record.fileOffset = native.nFileOffset;
    return confirmed ? 1 : 0;
}

std::int16_t Win32FileDialogs::FileTitle(const Text& path, Text& title, std::uint16_t bufferSize) {
    std::vector<wchar_t> buffer(bufferSize, L'\0');
    const short result = GetFileTitleW(Wide(path), buffer.data(), bufferSize);
    title = result == 0 ? FromWide(buffer.data()) : Text{};
    return result;
}

Status Win32FileDialogs::GetSpecialFolderLocation(Handle owner, std::int32_t folder, Handle* idList) {
    PIDLIST_ABSOLUTE list = nullptr;
    const HRESULT result = SHGetSpecialFolderLocation(reinterpret_cast<HWND>(owner), folder, &list);
    *idList = reinterpret_cast<Handle>(list);
    return static_cast<Status>(result);
}

bool Win32FileDialogs::GetPathFromIdList(Handle idList, Text& path) {
    // The function writes at most MAX_PATH characters; the buffer is larger still.
    std::vector<wchar_t> buffer(1024, L'\0');
    if (!SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(idList), buffer.data())) return false;
    path = FromWide(buffer.data());
    return true;
}

void Win32FileDialogs::FreeIdList(Handle idList) { CoTaskMemFree(reinterpret_cast<void*>(idList)); }

}  // namespace kest::platform::win32

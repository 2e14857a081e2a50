// cFileDlg: the common open, open-with-preview and save dialogs behind a set of properties that
// carry each dialog's outcome into the next. No part of the recorder uses it yet.
#pragma once

#include <cstdint>

#include "platform/file_dialogs.h"
#include "platform/file_system.h"

namespace kest::recorder {

class cFileDlg {
public:
    static constexpr std::intptr_t kNoOwner = -1;
    static constexpr std::uint32_t kMaxFile = 1024;
    static constexpr std::uint32_t kMaxFileTitle = 512;
    static constexpr std::uint16_t kMaxTitle = 1024;

    cFileDlg(platform::FileDialogs& dialogs, platform::FileSystem& files);

    // Each shows its dialog and returns true when the user confirmed; `fileName` and `fileTitle`
    // come back as chosen, or empty. A file name longer than 1024 characters or a title longer
    // than 512 shows nothing and returns false, leaving everything as it was.
    bool VBGetOpenFileName(platform::Text& fileName, platform::Text& fileTitle);
    bool VBGetOpenFileNamePreview(platform::Text& fileName, platform::Text& fileTitle);
    bool VBGetSaveFileName(platform::Text& fileName, platform::Text& fileTitle);

    // True when the length of the file can be read.
    bool ExistFile(const platform::Text& path);
    // The system's display title of the path, or empty when it rejects the path.
    platform::Text VBGetFileTitle(const platform::Text& path);

    std::intptr_t OwnerHwnd() const { return ownerHwnd_; }
    void SetOwnerHwnd(std::intptr_t value) { ownerHwnd_ = value; }
    bool FileMustExist() const { return fileMustExist_; }
    void SetFileMustExist(bool value) { fileMustExist_ = value; }
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value) { multiSelect_ = value; }
    // Set once an open dialog comes back with its read-only box ticked; it is never cleared.
    bool ReadOnly() const { return readOnly_; }
    bool HideReadOnly() const { return hideReadOnly_; }
    void SetHideReadOnly(bool value) { hideReadOnly_ = value; }
    // Pairs of description and pattern separated by "|" or ":"; after a confirmed dialog, the
    // chosen pair joined by one NUL.
    const platform::Text& Filter() const { return filter_; }
    void SetFilter(const platform::Text& value) { filter_ = value; }
    std::int32_t FilterIndex() const { return filterIndex_; }
    void SetFilterIndex(std::int32_t value) { filterIndex_ = value; }
    const platform::Text& InitDirectory() const { return initDirectory_; }
    void SetInitDirectory(const platform::Text& value) { initDirectory_ = value; }
    // A CSIDL value; a folder without a file-system path leaves InitDirectory empty.
    void SetInitDirectorySpecial(std::int32_t folder) { initDirectory_ = SpecialFolderPath(folder); }
    const platform::Text& DlgTitle() const { return dlgTitle_; }
    void SetDlgTitle(const platform::Text& value) { dlgTitle_ = value; }
    const platform::Text& DefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const platform::Text& value) { defaultExt_ = value; }
    std::uint32_t Flags() const { return flags_; }
    void SetFlags(std::uint32_t value) { flags_ = value; }
    bool OverwritePrompt() const { return overwritePrompt_; }
    void SetOverwritePrompt(bool value) { overwritePrompt_ = value; }

    // "|" and ":" become NULs and the list ends with two more, as the dialogs expect.
    static platform::Text ConvertFilter(const platform::Text& filter);
    // The `index`-th (from 1) description and pattern of a converted list, joined by one NUL;
    // empty past the end and for 0 or less.
    static platform::Text SelectedFilterEntry(const platform::Text& list, std::int32_t index);

private:
    bool ShowDialog(platform::FileDialogKind kind, platform::Text& fileName, platform::Text& fileTitle);
    std::uint32_t FlagWord(platform::FileDialogKind kind) const;
    platform::Text SpecialFolderPath(std::int32_t folder);
    platform::Handle Owner() const;

    platform::FileDialogs& dialogs_;
    platform::FileSystem& files_;
    std::intptr_t ownerHwnd_ = kNoOwner;
    bool fileMustExist_ = true;
    bool multiSelect_ = false;
    bool readOnly_ = false;
    bool hideReadOnly_ = true;
    platform::Text filter_;
    std::int32_t filterIndex_ = 0;
    platform::Text initDirectory_;
    platform::Text dlgTitle_;
    platform::Text defaultExt_;
    std::uint32_t flags_ = 0;
    bool overwritePrompt_ = true;
};

}  // namespace kest::recorder

// Test double of the file-dialog seam: notes each dialog's record and answers as scripted.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "platform/file_dialogs.h"

namespace kest::fake {

class FakeFileDialogs : public platform::FileDialogs {
public:
    struct Shown {
        platform::FileDialogKind kind;
        platform::FileDialogRecord record;  // as it was handed in
    };
    std::vector<Shown> shown;
    // Fills the record as the user's choice would; unset, every dialog is cancelled.
    std::function<std::int32_t(platform::FileDialogRecord&)> answer;

    std::map<platform::Text, platform::Text> titles;  // paths the system accepts
    platform::Status folderStatus = 0;
    std::map<std::int32_t, platform::Text> folderPaths;  // folders with a file-system path
    std::vector<std::int32_t> foldersAsked;
    std::vector<platform::Handle> owners;  // of the folder look-ups
    std::vector<platform::Handle> listsFreed;

    // A confirmed dialog returning `path`, its title, the filter index and flag word.
    static std::function<std::int32_t(platform::FileDialogRecord&)> Confirm(platform::Text path, platform::Text title,
                                                                             std::uint32_t filterIndex,
                                                                             std::uint32_t flags);

    std::int32_t ShowDialog(platform::FileDialogKind kind, platform::FileDialogRecord& record) override;
    std::int16_t FileTitle(const platform::Text& path, platform::Text& title, std::uint16_t bufferSize) override;
    platform::Status GetSpecialFolderLocation(platform::Handle owner, std::int32_t folder,
                                              platform::Handle* idList) override;
    bool GetPathFromIdList(platform::Handle idList, platform::Text& path) override;
    void FreeIdList(platform::Handle idList) override { listsFreed.push_back(idList); }
};

}  // namespace kest::fake

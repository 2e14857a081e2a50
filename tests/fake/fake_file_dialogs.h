// Test double of the file-dialog seam: notes each dialog's record as handed in and answers as
// scripted; folder look-ups and title queries answer from maps.
#pragma once

#include <functional>
#include <map>
#include <vector>

#include "platform/file_dialogs.h"

namespace kest::fake {

class FakeFileDialogs : public platform::FileDialogs {
public:
    std::vector<platform::FileDialogRecord> shown;
    // Fills the record as the user's choice would; unset, every dialog is cancelled.
    std::function<std::int32_t(platform::FileDialogRecord&)> answer;
    std::map<platform::Text, platform::Text> titles;     // paths the system accepts
    std::map<std::int32_t, platform::Text> folderPaths;  // folders with a file-system path
    platform::Status folderStatus = 0;
    std::vector<platform::Handle> folderOwners, listsFreed;

    // A confirmed dialog returning `path` with its title, filter index and flag word.
    static auto Confirm(platform::Text path, platform::Text title, std::uint32_t index, std::uint32_t flags) {
        return [=](platform::FileDialogRecord& record) {
            record.file = path + platform::Text(record.maxFile - path.size(), u'\0');
            record.fileTitle = title + platform::Text(record.maxFileTitle - title.size(), u'\0');
            record.filterIndex = index;
            record.flags = flags;
            record.fileOffset = static_cast<std::uint16_t>(path.rfind(u'\\') + 1);
            return 1;
        };
    }

    std::int32_t ShowDialog(platform::FileDialogKind, platform::FileDialogRecord& record) override {
        shown.push_back(record);
        return answer ? answer(record) : 0;
    }
    std::int16_t FileTitle(const platform::Text& path, platform::Text& title, std::uint16_t size) override {
        const auto found = titles.find(path);
        if (found == titles.end()) return -1;
        title = found->second + platform::Text(size - found->second.size(), u'\0');
        return 0;
    }
    platform::Status GetSpecialFolderLocation(platform::Handle owner, std::int32_t folder,
                                              platform::Handle* list) override {
        folderOwners.push_back(owner);
        *list = kLists + static_cast<platform::Handle>(folder);
        return folderStatus;
    }
    bool GetPathFromIdList(platform::Handle list, platform::Text& path) override {
        const auto found = folderPaths.find(static_cast<std::int32_t>(list - kLists));
        if (found == folderPaths.end()) return false;
        path = found->second;
        return true;
    }
    void FreeIdList(platform::Handle list) override { listsFreed.push_back(list); }

private:
    static constexpr platform::Handle kLists = 0x5000;
};

}  // namespace kest::fake

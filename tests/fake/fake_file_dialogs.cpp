#include "fake/fake_file_dialogs.h"

namespace kest::fake {

namespace {
constexpr platform::Handle kListBase = 0x5000;
}

std::function<std::int32_t(platform::FileDialogRecord&)> FakeFileDialogs::Confirm(platform::Text path,
                                                                                   platform::Text title,
                                                                                   std::uint32_t filterIndex,
                                                                                   std::uint32_t flags) {
    return [=](platform::FileDialogRecord& record) {
        record.file = path + platform::Text(record.maxFile - path.size(), u'\0');
        record.fileTitle = title + platform::Text(record.maxFileTitle - title.size(), u'\0');
        record.filterIndex = filterIndex;
        record.flags = flags;
        record.fileOffset = static_cast<std::uint16_t>(path.rfind(u'\\') + 1);
        return 1;
    };
}

std::int32_t FakeFileDialogs::ShowDialog(platform::FileDialogKind kind, platform::FileDialogRecord& record) {
    shown.push_back({kind, record});
    return answer ? answer(record) : 0;
}

std::int16_t FakeFileDialogs::FileTitle(const platform::Text& path, platform::Text& title, std::uint16_t bufferSize) {
    const auto found = titles.find(path);
    if (found == titles.end() || found->second.size() >= bufferSize) return -1;
    title = found->second + platform::Text(bufferSize - found->second.size(), u'\0');
    return 0;
}

platform::Status FakeFileDialogs::GetSpecialFolderLocation(platform::Handle owner, std::int32_t folder,
                                                           platform::Handle* idList) {
    foldersAsked.push_back(folder);
    owners.push_back(owner);
    if (folderStatus != 0) return folderStatus;
    *idList = kListBase + static_cast<platform::Handle>(folder);
    return 0;
}

bool FakeFileDialogs::GetPathFromIdList(platform::Handle idList, platform::Text& path) {
    const auto found = folderPaths.find(static_cast<std::int32_t>(idList - kListBase));
    if (found == folderPaths.end()) return false;
    path = found->second;
    return true;
}

}  // namespace kest::fake

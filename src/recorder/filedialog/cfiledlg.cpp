#include "recorder/filedialog/cfiledlg.h"

#include "recorder/engine/app_title.h"

namespace kest::recorder {

using platform::FileDialogKind;
using platform::Text;

namespace {

// A hook or a template would need a procedure or a resource that the caller cannot hand in.
constexpr std::uint32_t kCallerFlagsNeverPassed = platform::kOfnEnableHook | platform::kOfnEnableTemplate;

Text UpToFirstNul(const Text& buffer) { return buffer.substr(0, buffer.find(u'\0')); }

// The folder of the file the dialog returned, so that the next dialog opens where the user
// was. With several names chosen the buffer starts with the folder itself.
Text ChosenFolder(const Text& buffer, std::uint16_t fileOffset) {
    const Text chosen = UpToFirstNul(buffer);
    if (fileOffset == 0 || fileOffset > chosen.size()) return chosen;
    Text folder = chosen.substr(0, fileOffset);
    // "C:\" stays whole; "C:\videos\" loses its separator.
    while (folder.size() > 3 && (folder.back() == u'\\' || folder.back() == u' ')) folder.pop_back();
    return folder;
}

}  // namespace

cFileDlg::cFileDlg(platform::FileDialogs& dialogs, platform::FileSystem& files)
    : dialogs_(dialogs), files_(files), dlgTitle_(kAppTitle) {
    initDirectory_ = SpecialFolderPath(platform::kCsidlPersonal);
}

bool cFileDlg::VBGetOpenFileName(Text& fileName, Text& fileTitle) {
    return ShowDialog(FileDialogKind::Open, fileName, fileTitle);
}

bool cFileDlg::VBGetOpenFileNamePreview(Text& fileName, Text& fileTitle) {
    return ShowDialog(FileDialogKind::OpenPreview, fileName, fileTitle);
}

bool cFileDlg::VBGetSaveFileName(Text& fileName, Text& fileTitle) {
    return ShowDialog(FileDialogKind::Save, fileName, fileTitle);
}

std::uint32_t cFileDlg::FlagWord(FileDialogKind kind) const {
    std::uint32_t flags = flags_ & ~kCallerFlagsNeverPassed;
    if (kind == FileDialogKind::Save) {
        if (overwritePrompt_) flags |= platform::kOfnOverwritePrompt;
        return flags | platform::kOfnHideReadOnly;
    }
    if (fileMustExist_) flags |= platform::kOfnFileMustExist;
    if (multiSelect_) flags |= platform::kOfnAllowMultiSelect;
    if (hideReadOnly_) flags |= platform::kOfnHideReadOnly;
    if (readOnly_) flags |= platform::kOfnReadOnly;
    return flags;
}

bool cFileDlg::ShowDialog(FileDialogKind kind, Text& fileName, Text& fileTitle) {
    if (fileName.size() > kMaxFile || fileTitle.size() > kMaxFileTitle) return false;

    platform::FileDialogRecord record;
    record.owner = Owner();
    record.filter = ConvertFilter(filter_);
    record.filterIndex = static_cast<std::uint32_t>(filterIndex_);
    record.file = fileName + Text(kMaxFile - fileName.size(), u'\0');
    record.maxFile = kMaxFile;
    record.fileTitle = fileTitle + Text(kMaxFileTitle - fileTitle.size(), u'\0');
    record.maxFileTitle = kMaxFileTitle;
    record.initialDir = initDirectory_;
    record.title = dlgTitle_;
    record.flags = FlagWord(kind);
    record.defExt = defaultExt_;

    if (dialogs_.ShowDialog(kind, record) == 0) {
        // Cancelled and failed look the same to the caller.
        fileName.clear();
        fileTitle.clear();
        flags_ = 0;
        filter_.clear();
        filterIndex_ = kind == FileDialogKind::Save ? 0 : -1;
        return false;
    }
    fileName = UpToFirstNul(record.file);
    fileTitle = UpToFirstNul(record.fileTitle);
    flags_ = record.flags;
    filterIndex_ = static_cast<std::int32_t>(record.filterIndex);
    filter_ = SelectedFilterEntry(record.filter, filterIndex_);
    if (kind != FileDialogKind::Save && (record.flags & platform::kOfnReadOnly)) readOnly_ = true;
    initDirectory_ = ChosenFolder(record.file, record.fileOffset);
    return true;
}

Text cFileDlg::ConvertFilter(const Text& filter) {
    Text list = filter;
    for (auto& c : list) {
        if (c == u'|' || c == u':') c = u'\0';
    }
    return list + Text(2, u'\0');
}

Text cFileDlg::SelectedFilterEntry(const Text& list, std::int32_t index) {
    std::size_t start = 0;
    for (; index >= 1; --index) {
        const std::size_t descriptionEnd = list.find(u'\0', start);
        // An empty description is the list's closing NUL: the walk is past the last pair.
        if (descriptionEnd == Text::npos || descriptionEnd == start) return {};
        const std::size_t patternEnd = list.find(u'\0', descriptionEnd + 1);
        if (index == 1) return list.substr(start, patternEnd == Text::npos ? Text::npos : patternEnd - start);
        if (patternEnd == Text::npos) return {};
        start = patternEnd + 1;
    }
    return {};
}

bool cFileDlg::ExistFile(const Text& path) { return files_.Length(path).has_value(); }

Text cFileDlg::VBGetFileTitle(const Text& path) {
    Text title;
    if (dialogs_.FileTitle(path, title, kMaxTitle) != 0) return {};
    return UpToFirstNul(title);
}

Text cFileDlg::SpecialFolderPath(std::int32_t folder) {
    platform::Handle list = 0;
    if (dialogs_.GetSpecialFolderLocation(Owner(), folder, &list) != 0) return {};
    Text path;
    const bool found = dialogs_.GetPathFromIdList(list, path);
    // Released whether or not the list named a file-system folder; it was allocated either way.
    dialogs_.FreeIdList(list);
    return found ? UpToFirstNul(path) : Text{};
}

platform::Handle cFileDlg::Owner() const {
    return ownerHwnd_ == kNoOwner ? 0 : static_cast<platform::Handle>(ownerHwnd_);
}

}  // namespace kest::recorder

// cFileDlg's dialogs shown for real and answered from a watcher thread as a person would, with
// Chinese names, plus its file functions on real files.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_file_dialogs.h"
#include "platform/win32/win32_file_system.h"
#include "recorder/filedialog/cfiledlg.h"
#include "win32/support/dialog_watcher.h"
#include "win32/support/test_platform.h"
#include "win32/support/tools.h"

namespace kest::testing {
namespace {

using namespace std::string_literals;
using platform::FileDialogKind;
using recorder::cFileDlg;

const std::wstring kExisting = L"第一次录像.avi";
const std::wstring kNew = L"新的录像.avi";

struct DialogCase {
    const char* name;
    FileDialogKind kind;
};

class FileDialogUnderWine : public ::testing::TestWithParam<DialogCase> {
protected:
    void SetUp() override {
        folder_ = ScratchFolder(L"对话框");
        HANDLE file = CreateFileW((folder_ + kExisting).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }
    std::wstring folder_;  // with trailing separator
    platform::win32::Win32FileDialogs dialogs_;
    platform::win32::Win32FileSystem files_;
};

TEST_P(FileDialogUnderWine, ReturnsTheChineseNameTypedIntoIt) {
    const DialogCase& row = GetParam();
    cFileDlg dlg(dialogs_, files_);
    dlg.SetInitDirectory(ToText(folder_));
    dlg.SetFilter(u"视频|*.avi|全部|*.*");
    dlg.SetFilterIndex(1);
    dlg.SetDefaultExt(u"avi");
    const std::wstring chosen = folder_ + (row.kind == FileDialogKind::Save ? kNew : kExisting);

    DialogWatcher watcher({AnswerSaveDialog(chosen)}, std::chrono::seconds(60));
    platform::Text name, title;
    bool confirmed = false;
    switch (row.kind) {
        case FileDialogKind::Open: confirmed = dlg.VBGetOpenFileName(name, title); break;
        case FileDialogKind::OpenPreview: confirmed = dlg.VBGetOpenFileNamePreview(name, title); break;
        case FileDialogKind::Save: confirmed = dlg.VBGetSaveFileName(name, title); break;
    }
    ASSERT_TRUE(watcher.Finish()) << watcher.Failure();
    ASSERT_TRUE(confirmed);
    EXPECT_EQ(name, ToText(chosen));
    EXPECT_EQ(title, ToText(row.kind == FileDialogKind::Save ? kNew : kExisting));
    EXPECT_EQ(dlg.FilterIndex(), 1);
    EXPECT_EQ(dlg.Filter(), u"视频\0*.avi"s);
    EXPECT_EQ(dlg.InitDirectory(), ToText(folder_.substr(0, folder_.size() - 1)));
}

INSTANTIATE_TEST_SUITE_P(, FileDialogUnderWine,
                         ::testing::Values(DialogCase{"Open", FileDialogKind::Open},
                                           DialogCase{"OpenPreview", FileDialogKind::OpenPreview},
                                           DialogCase{"Save", FileDialogKind::Save}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileDialogUnderWine, FileFunctionsAndTheDocumentsFolderWorkOnRealPaths) {
    cFileDlg dlg(dialogs_, files_);
    const DWORD documents = GetFileAttributesW(reinterpret_cast<const wchar_t*>(dlg.InitDirectory().c_str()));
    EXPECT_TRUE(documents != INVALID_FILE_ATTRIBUTES && (documents & FILE_ATTRIBUTE_DIRECTORY))
        << "the documents folder should be where the dialogs start";
    EXPECT_TRUE(dlg.ExistFile(ToText(folder_ + kExisting)));
    EXPECT_FALSE(dlg.ExistFile(ToText(folder_ + kNew)));
    EXPECT_EQ(dlg.VBGetFileTitle(ToText(folder_ + kExisting)), ToText(kExisting));
    EXPECT_EQ(dlg.VBGetFileTitle(ToText(folder_ + L"坏*名")), u"");
}

}  // namespace
}  // namespace kest::testing

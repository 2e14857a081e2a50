#include "recorder/filedialog/cfiledlg.h"

#include <gtest/gtest.h>

#include "fake/fake_file_dialogs.h"
#include "fake/fake_platform.h"

namespace kest::recorder {
namespace {

using namespace std::string_literals;
using platform::FileDialogKind;
using platform::Text;

struct Fixture {
    static fake::FakeFileDialogs WithDocuments() {
        fake::FakeFileDialogs dialogs;
        dialogs.folderPaths[platform::kCsidlPersonal] = u"C:\\用户\\文档";
        return dialogs;
    }
    fake::FakeFileDialogs dialogs = WithDocuments();
    fake::FakeFiles files;
    cFileDlg dlg{dialogs, files};

    bool Show(FileDialogKind kind, Text& name, Text& title) {
        switch (kind) {
            case FileDialogKind::Open: return dlg.VBGetOpenFileName(name, title);
            case FileDialogKind::OpenPreview: return dlg.VBGetOpenFileNamePreview(name, title);
            case FileDialogKind::Save: return dlg.VBGetSaveFileName(name, title);
        }
        return false;
    }
    // The record the dialog of `kind` is handed, for empty arguments.
    platform::FileDialogRecord Record(FileDialogKind kind) {
        Text name, title;
        Show(kind, name, title);
        return dialogs.shown.back();
    }
};

TEST(CFileDlg, StartsInTheDocumentsFolderWithoutAnOwnerAndCarriesAConfirmedOutcomeIntoTheNextDialog) {
    Fixture f;
    EXPECT_EQ(f.dialogs.folderOwners, std::vector<platform::Handle>{0}) << "OwnerHwnd -1 is no owner";
    EXPECT_EQ(f.dialogs.listsFreed.size(), 1u);
    f.dlg.SetFilter(u"视频|*.avi|位图:*.bmp|全部|*.*");
    f.dlg.SetFilterIndex(1);
    f.dialogs.answer = fake::FakeFileDialogs::Confirm(u"D:\\录像\\第一次.bmp", u"第一次.bmp", 2, 0x1005);
    Text name = u"旧.avi", title;
    ASSERT_TRUE(f.dlg.VBGetOpenFileName(name, title));
    const auto& first = f.dialogs.shown[0];
    EXPECT_EQ(first.owner, 0u);
    EXPECT_EQ(first.title, u"Velvra");
    EXPECT_EQ(first.initialDir, u"C:\\用户\\文档");
    EXPECT_EQ(first.filter, u"视频\0*.avi\0位图\0*.bmp\0全部\0*.*\0\0"s);
    EXPECT_EQ(first.file, u"旧.avi" + Text(1024 - 5, u'\0'));
    EXPECT_EQ(name, u"D:\\录像\\第一次.bmp");
    EXPECT_EQ(title, u"第一次.bmp");
    EXPECT_EQ(f.dlg.FilterIndex(), 2);
    EXPECT_EQ(f.dlg.Filter(), u"位图\0*.bmp"s);
    EXPECT_EQ(f.dlg.Flags(), 0x1005u);
    EXPECT_TRUE(f.dlg.ReadOnly());

    f.dialogs.answer = nullptr;
    f.dlg.SetOwnerHwnd(0x1234);
    const auto next = f.Record(FileDialogKind::Open);
    EXPECT_EQ(next.owner, 0x1234u);
    EXPECT_EQ(next.filter, u"位图\0*.bmp\0\0"s);
    EXPECT_EQ(next.initialDir, u"D:\\录像") << "the folder of the chosen file";
    EXPECT_EQ(next.flags & platform::kOfnReadOnly, platform::kOfnReadOnly);
}

struct EntryCase {
    Text list;
    std::int32_t index;
    Text entry;
};

class SelectedEntry : public ::testing::TestWithParam<EntryCase> {};

TEST_P(SelectedEntry, IsTheIndexedDescriptionAndPattern) {
    EXPECT_EQ(cFileDlg::SelectedFilterEntry(GetParam().list, GetParam().index), GetParam().entry);
}

const Text kThreePairs = u"A\0*.a\0B\0*.b\0C\0*.c\0\0"s;
INSTANTIATE_TEST_SUITE_P(, SelectedEntry,
                         ::testing::Values(EntryCase{kThreePairs, 1, u"A\0*.a"s}, EntryCase{kThreePairs, 2, u"B\0*.b"s},
                                           EntryCase{kThreePairs, 3, u"C\0*.c"s}, EntryCase{kThreePairs, 4, u""},
                                           EntryCase{kThreePairs, 0, u""}, EntryCase{kThreePairs, -1, u""},
                                           EntryCase{u"A\0*.a"s, 1, u"A\0*.a"s}, EntryCase{u"\0\0"s, 1, u""}));

struct FlagCase {
    const char* name;
    FileDialogKind kind;
    bool fileMustExist, multiSelect, hideReadOnly, overwritePrompt;
    std::uint32_t callerFlags, sent;
};

class FlagWord : public ::testing::TestWithParam<FlagCase> {};

TEST_P(FlagWord, IsBuiltFromTheSwitchesAndTheCallersFlagsWithoutHookOrTemplate) {
    const FlagCase& row = GetParam();
    Fixture f;
    f.dlg.SetFileMustExist(row.fileMustExist);
    f.dlg.SetMultiSelect(row.multiSelect);
    f.dlg.SetHideReadOnly(row.hideReadOnly);
    f.dlg.SetOverwritePrompt(row.overwritePrompt);
    f.dlg.SetFlags(row.callerFlags);
    EXPECT_EQ(f.Record(row.kind).flags, row.sent);
}

INSTANTIATE_TEST_SUITE_P(
    , FlagWord,
    ::testing::Values(FlagCase{"OpenDefaults", FileDialogKind::Open, true, false, true, true, 0, 0x1004},
                      FlagCase{"OpenMultiSelect", FileDialogKind::Open, false, true, false, true, 0, 0x200},
                      FlagCase{"OpenHookTemplate", FileDialogKind::Open, true, false, true, true, 0x80060, 0x81004},
                      FlagCase{"PreviewHookTemplate", FileDialogKind::OpenPreview, false, false, false, false, 0x60, 0},
                      FlagCase{"SaveDefaults", FileDialogKind::Save, true, true, true, true, 0, 0x6},
                      FlagCase{"SaveHidesReadOnly", FileDialogKind::Save, true, true, false, false, 0, 0x4},
                      FlagCase{"SaveHookTemplate", FileDialogKind::Save, false, false, false, true, 0x68, 0xE}),
    [](const auto& info) { return std::string(info.param.name); });

struct OutcomeCase {
    const char* name;
    FileDialogKind kind;
    std::size_t nameLength, titleLength;
    bool shown;
    std::int32_t filterIndex;
};

class Unconfirmed : public ::testing::TestWithParam<OutcomeCase> {};

TEST_P(Unconfirmed, CancelledClearsTheOutcomeTooLongShowsNothingAndChangesNothing) {
    const OutcomeCase& row = GetParam();
    Fixture f;
    f.dlg.SetFilter(u"A|*.a");
    f.dlg.SetFilterIndex(3);
    f.dlg.SetFlags(0x80000);
    Text name(row.nameLength, u'名'), title(row.titleLength, u't');
    const Text nameBefore = name;
    EXPECT_FALSE(f.Show(row.kind, name, title));
    EXPECT_EQ(f.dialogs.shown.size(), row.shown ? 1u : 0u);
    EXPECT_EQ(name, row.shown ? u"" : nameBefore);
    EXPECT_EQ(f.dlg.Flags(), row.shown ? 0u : 0x80000u);
    EXPECT_EQ(f.dlg.Filter(), row.shown ? u"" : u"A|*.a");
    EXPECT_EQ(f.dlg.FilterIndex(), row.filterIndex);
    EXPECT_EQ(f.dlg.InitDirectory(), u"C:\\用户\\文档");
}

INSTANTIATE_TEST_SUITE_P(, Unconfirmed,
                         ::testing::Values(OutcomeCase{"OpenCancelled", FileDialogKind::Open, 1024, 512, true, -1},
                                           OutcomeCase{"PreviewCancelled", FileDialogKind::OpenPreview, 0, 0, true, -1},
                                           OutcomeCase{"SaveCancelled", FileDialogKind::Save, 3, 0, true, 0},
                                           OutcomeCase{"NameTooLong", FileDialogKind::Open, 1025, 0, false, 3},
                                           OutcomeCase{"TitleTooLong", FileDialogKind::Save, 0, 513, false, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kest::recorder

#include "recorder/filedialog/cfiledlg.h"

#include <gtest/gtest.h>

#include "fake/fake_file_dialogs.h"
#include "fake/fake_platform.h"

namespace kest::recorder {
namespace {

using namespace std::string_literals;
using platform::FileDialogKind;
using platform::Text;

const Text kDocuments = u"C:\\用户\\文档";

class CFileDlgTest : public ::testing::Test {
protected:
    CFileDlgTest() { dialogs.folderPaths[platform::kCsidlPersonal] = kDocuments; }
    fake::FakeFileDialogs dialogs;
    fake::FakeFiles files;

    // Shows a dialog of `kind` with empty arguments and gives the record it was handed.
    platform::FileDialogRecord Show(cFileDlg& dlg, FileDialogKind kind) {
        Text name, title;
        Call(dlg, kind, name, title);
        return dialogs.shown.back().record;
    }
    static bool Call(cFileDlg& dlg, FileDialogKind kind, Text& name, Text& title) {
        switch (kind) {
            case FileDialogKind::Open: return dlg.VBGetOpenFileName(name, title);
            case FileDialogKind::OpenPreview: return dlg.VBGetOpenFileNamePreview(name, title);
            case FileDialogKind::Save: return dlg.VBGetSaveFileName(name, title);
        }
        return false;
    }
};

TEST_F(CFileDlgTest, StartsInTheDocumentsFolderWithTheAppTitleAndNoOwner) {
    cFileDlg dlg(dialogs, files);
    EXPECT_EQ(dlg.InitDirectory(), kDocuments);
    EXPECT_EQ(dialogs.foldersAsked, std::vector<std::int32_t>{platform::kCsidlPersonal});
    EXPECT_EQ(dialogs.owners, std::vector<platform::Handle>{0});
    EXPECT_EQ(dialogs.listsFreed.size(), 1u);
    const auto record = Show(dlg, FileDialogKind::Open);
    EXPECT_EQ(dlg.OwnerHwnd(), -1);
    EXPECT_EQ(record.owner, 0u);
    EXPECT_EQ(record.title, u"Velvra");
    EXPECT_EQ(record.initialDir, kDocuments);
    dlg.SetOwnerHwnd(0x1234);
    EXPECT_EQ(Show(dlg, FileDialogKind::Save).owner, 0x1234u);
}

struct FilterCase {
    Text filter;
    Text converted;
};

class FilterConversion : public CFileDlgTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(FilterConversion, ReachesThePlatformNulSeparated) {
    cFileDlg dlg(dialogs, files);
    dlg.SetFilter(GetParam().filter);
    EXPECT_EQ(Show(dlg, FileDialogKind::Open).filter, GetParam().converted);
}

INSTANTIATE_TEST_SUITE_P(
    , FilterConversion,
    ::testing::Values(FilterCase{u"视频|*.avi|全部|*.*", u"视频\0*.avi\0全部\0*.*\0\0"s},
                      FilterCase{u"视频:*.avi:全部:*.*", u"视频\0*.avi\0全部\0*.*\0\0"s},
                      FilterCase{u"A|*.a;*.b:B|*.c", u"A\0*.a;*.b\0B\0*.c\0\0"s}, FilterCase{u"", u"\0\0"s}));

struct EntryCase {
    Text list;
    std::int32_t index;
    Text entry;
};

class SelectedEntry : public ::testing::TestWithParam<EntryCase> {};

TEST_P(SelectedEntry, IsTheIndexedDescriptionAndPattern) {
    EXPECT_EQ(cFileDlg::SelectedFilterEntry(GetParam().list, GetParam().index), GetParam().entry);
}

const Text kThreePairs = u"A\0*.a\0B\0*.b\0C\0*.c\0\0\0"s;
INSTANTIATE_TEST_SUITE_P(, SelectedEntry,
                         ::testing::Values(EntryCase{kThreePairs, 1, u"A\0*.a"s}, EntryCase{kThreePairs, 2, u"B\0*.b"s},
                                           EntryCase{kThreePairs, 3, u"C\0*.c"s}, EntryCase{kThreePairs, 4, u""},
                                           EntryCase{kThreePairs, 9, u""}, EntryCase{kThreePairs, 0, u""},
                                           EntryCase{kThreePairs, -1, u""}, EntryCase{u"A\0*.a"s, 1, u"A\0*.a"s},
                                           EntryCase{u"A"s, 1, u""}, EntryCase{u""s, 1, u""}));

struct FlagCase {
    const char* name;
    FileDialogKind kind;
    bool fileMustExist, multiSelect, hideReadOnly, overwritePrompt;
    std::uint32_t callerFlags;
    std::uint32_t sent;
};

class FlagWord : public CFileDlgTest, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(FlagWord, IsBuiltFromTheSwitchesAndTheCallersFlags) {
    const FlagCase& row = GetParam();
    cFileDlg dlg(dialogs, files);
    dlg.SetFileMustExist(row.fileMustExist);
    dlg.SetMultiSelect(row.multiSelect);
    dlg.SetHideReadOnly(row.hideReadOnly);
    dlg.SetOverwritePrompt(row.overwritePrompt);
    dlg.SetFlags(row.callerFlags);
    EXPECT_EQ(Show(dlg, row.kind).flags, row.sent);
}

constexpr std::uint32_t kHookAndTemplate = 0x20 | 0x40;
INSTANTIATE_TEST_SUITE_P(
    , FlagWord,
    ::testing::Values(FlagCase{"OpenDefaults", FileDialogKind::Open, true, false, true, true, 0, 0x1004},
                      FlagCase{"OpenAllOff", FileDialogKind::Open, false, false, false, true, 0, 0},
                      FlagCase{"OpenMultiSelect", FileDialogKind::Open, false, true, false, true, 0, 0x200},
                      FlagCase{"OpenDropsHookAndTemplate", FileDialogKind::Open, true, false, true, true,
                               kHookAndTemplate | 0x80000, 0x81004},
                      FlagCase{"PreviewAsOpen", FileDialogKind::OpenPreview, true, true, false, false,
                               kHookAndTemplate, 0x1200},
                      FlagCase{"SaveDefaults", FileDialogKind::Save, true, true, true, true, 0, 0x6},
                      FlagCase{"SaveAlwaysHidesReadOnly", FileDialogKind::Save, true, true, false, false, 0, 0x4},
                      FlagCase{"SaveDropsHookAndTemplate", FileDialogKind::Save, false, false, false, true,
                               kHookAndTemplate | 0x8, 0xE}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CFileDlgTest, AConfirmedOpenCarriesItsOutcomeIntoTheNextDialog) {
    cFileDlg dlg(dialogs, files);
    dlg.SetFilter(u"视频|*.avi|位图|*.bmp|全部|*.*");
    dlg.SetFilterIndex(1);
    dialogs.answer = fake::FakeFileDialogs::Confirm(u"D:\\录像\\第一次.bmp", u"第一次.bmp", 2, 0x1005);
    Text name = u"旧.avi", title;
    ASSERT_TRUE(dlg.VBGetOpenFileName(name, title));
    EXPECT_EQ(dialogs.shown[0].record.file.substr(0, 6), u"旧.avi\0\0\0"s.substr(0, 6));
    EXPECT_EQ(dialogs.shown[0].record.file.size(), cFileDlg::kMaxFile);
    EXPECT_EQ(dialogs.shown[0].record.filterIndex, 1u);
    EXPECT_EQ(name, u"D:\\录像\\第一次.bmp");
    EXPECT_EQ(title, u"第一次.bmp");
    EXPECT_EQ(dlg.FilterIndex(), 2);
    EXPECT_EQ(dlg.Filter(), u"位图\0*.bmp"s);
    EXPECT_EQ(dlg.Flags(), 0x1005u);
    EXPECT_TRUE(dlg.ReadOnly());
    EXPECT_EQ(dlg.InitDirectory(), u"D:\\录像");

    dialogs.answer = nullptr;
    const auto next = Show(dlg, FileDialogKind::Open);
    EXPECT_EQ(next.filter, u"位图\0*.bmp\0\0"s);
    EXPECT_EQ(next.initialDir, u"D:\\录像");
    EXPECT_EQ(next.flags & platform::kOfnReadOnly, platform::kOfnReadOnly);
}

TEST_F(CFileDlgTest, AConfirmedSaveNeverSetsReadOnly) {
    cFileDlg dlg(dialogs, files);
    dialogs.answer = fake::FakeFileDialogs::Confirm(u"C:\\新.avi", u"新.avi", 0, 0x1);
    Text name, title;
    ASSERT_TRUE(dlg.VBGetSaveFileName(name, title));
    EXPECT_FALSE(dlg.ReadOnly());
    EXPECT_EQ(dlg.InitDirectory(), u"C:\\");
    EXPECT_EQ(dlg.Filter(), u"");
}

struct CancelCase {
    const char* name;
    FileDialogKind kind;
    std::int32_t filterIndex;
};

class Cancelled : public CFileDlgTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(Cancelled, ClearsTheOutcomeButKeepsTheDirectory) {
    cFileDlg dlg(dialogs, files);
    dlg.SetFilter(u"A|*.a");
    dlg.SetFilterIndex(1);
    dlg.SetFlags(0x80000);
    dlg.SetInitDirectory(u"E:\\片");
    Text name = u"x.avi", title = u"x";
    EXPECT_FALSE(Call(dlg, GetParam().kind, name, title));
    EXPECT_EQ(name, u"");
    EXPECT_EQ(title, u"");
    EXPECT_EQ(dlg.Flags(), 0u);
    EXPECT_EQ(dlg.Filter(), u"");
    EXPECT_EQ(dlg.FilterIndex(), GetParam().filterIndex);
    EXPECT_EQ(dlg.InitDirectory(), u"E:\\片");
}

INSTANTIATE_TEST_SUITE_P(, Cancelled,
                         ::testing::Values(CancelCase{"Open", FileDialogKind::Open, -1},
                                           CancelCase{"Preview", FileDialogKind::OpenPreview, -1},
                                           CancelCase{"Save", FileDialogKind::Save, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

struct LimitCase {
    std::size_t nameLength, titleLength;
    bool shown;
};

class LengthLimits : public CFileDlgTest, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(LengthLimits, ATooLongArgumentShowsNoDialogAndChangesNothing) {
    cFileDlg dlg(dialogs, files);
    dlg.SetFilterIndex(3);
    Text name(GetParam().nameLength, u'名'), title(GetParam().titleLength, u't');
    const Text nameBefore = name;
    EXPECT_FALSE(dlg.VBGetOpenFileName(name, title));
    ASSERT_EQ(dialogs.shown.size(), GetParam().shown ? 1u : 0u);
    if (GetParam().shown) {
        EXPECT_EQ(dialogs.shown[0].record.file, nameBefore + Text(cFileDlg::kMaxFile - nameBefore.size(), u'\0'));
    } else {
        EXPECT_EQ(name, nameBefore);
        EXPECT_EQ(dlg.FilterIndex(), 3);
    }
}

INSTANTIATE_TEST_SUITE_P(, LengthLimits,
                         ::testing::Values(LimitCase{1024, 512, true}, LimitCase{1025, 0, false},
                                           LimitCase{0, 513, false}));

struct FolderCase {
    const char* name;
    platform::Status status;
    bool hasPath;
    Text directory;
    std::size_t freed;
};

class SpecialFolder : public CFileDlgTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(SpecialFolder, SetsTheInitialDirectoryAndReleasesTheList) {
    cFileDlg dlg(dialogs, files);
    dialogs.folderStatus = GetParam().status;
    if (GetParam().hasPath) dialogs.folderPaths[0x27] = u"C:\\图片";
    dialogs.listsFreed.clear();
    dlg.SetInitDirectorySpecial(0x27);
    EXPECT_EQ(dlg.InitDirectory(), GetParam().directory);
    EXPECT_EQ(dialogs.listsFreed.size(), GetParam().freed);
}

INSTANTIATE_TEST_SUITE_P(, SpecialFolder,
                         ::testing::Values(FolderCase{"Found", 0, true, u"C:\\图片", 1},
                                           FolderCase{"NoFileSystemPath", 0, false, u"", 1},
                                           FolderCase{"Unknown", static_cast<platform::Status>(0x80070057), true, u"",
                                                      0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CFileDlgTest, FileTitleIsEmptyForAPathTheSystemRejects) {
    cFileDlg dlg(dialogs, files);
    dialogs.titles[u"C:\\录像\\一.avi"] = u"一.avi";
    EXPECT_EQ(dlg.VBGetFileTitle(u"C:\\录像\\一.avi"), u"一.avi");
    EXPECT_EQ(dlg.VBGetFileTitle(u"C:\\录像\\?*"), u"");
}

}  // namespace
}  // namespace kest::recorder

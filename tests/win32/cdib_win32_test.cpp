// cDIB against real files and real bitmaps saved by the toolkit.
#include <windows.h>

#include <gtest/gtest.h>

#include "recorder/engine/cdib.h"
#include "win32/support/test_platform.h"
#include "win32/support/tools.h"

namespace kest::testing {
namespace {

using recorder::cDIB;

std::vector<std::uint8_t> ReadAll(platform::FileSystem& files, const platform::Text& path) {
    const auto length = files.Length(path);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length.value_or(0)));
    auto opened = files.OpenForReading(path);
    if (opened.file && !bytes.empty()) opened.file->ReadAt(0, bytes.data(), bytes.size());
    return bytes;
}

class CDibOnDiskTest : public ::testing::Test {
protected:
    TestPlatform windows;
    cDIB dib{windows.files, windows.toolkit};
    std::wstring folder = ScratchFolder(L"cdib");
};

TEST_F(CDibOnDiskTest, LoadsTheCanvasImageTheToolkitSaves) {
    auto form = windows.toolkit.CreateForm({u"canvas", 3000, 3000});
    auto canvas = form->CreatePictureBox({0, 0, 37 * 15, 23 * 15});
    canvas->SetBackColor(0x001E140A);  // RGB(10, 20, 30)
    const auto path = ToText(folder + L"canvas.bmp");
    ASSERT_TRUE(canvas->SaveImage(path));

    ASSERT_TRUE(dib.CreateFromFile(path));
    EXPECT_EQ(dib.Width(), 37);
    EXPECT_EQ(dib.Height(), 23);
    ASSERT_GE(dib.BitCount(), 24) << "the display of the test runs is a true-colour one";
    const int bytesPerPixel = dib.BitCount() / 8;
    EXPECT_EQ(dib.SizeImage(), (37 * bytesPerPixel + 3) / 4 * 4 * 23) << "SizeImage must be filled in";
    EXPECT_EQ(dib.BitOffset(), 54);
    EXPECT_EQ(dib.PointerToBits()[0], 30);  // blue, green, red
    EXPECT_EQ(dib.PointerToBits()[1], 20);
    EXPECT_EQ(dib.PointerToBits()[2], 10);
    // What the canvas lends in memory is what it saves: the recorder's frames take either way.
    platform::ImageBits lent;
    ASSERT_TRUE(canvas->ReadImage(lent));
    EXPECT_EQ(std::vector<std::uint8_t>(lent.bits, lent.bits + lent.bytes),
              std::vector<std::uint8_t>(dib.PointerToBits(), dib.PointerToBits() + dib.SizeImage()));
    EXPECT_EQ(lent.bitCount, dib.BitCount());
    if (lent.bitCount == 32) EXPECT_EQ(lent.bits[3], 0xFF) << "opaque, as in the file";

    const auto copy = ToText(folder + L"copy.bmp");
    // A longer file already at the destination must not leave its tail behind.
    auto junk = windows.files.OpenForWriting(copy);
    std::vector<std::uint8_t> filler(100000, 0xEE);
    junk.file->WriteAt(0, filler.data(), filler.size());
    junk.file.reset();
    ASSERT_TRUE(dib.WriteToFile(copy));
    EXPECT_EQ(ReadAll(windows.files, copy), ReadAll(windows.files, path));
    EXPECT_TRUE(windows.toolkit.messages.empty());
}

TEST_F(CDibOnDiskTest, ChinesePathsLoadAndSave) {
    const std::wstring chinese = folder + L"帧文件夹";
    CreateDirectoryW(chinese.c_str(), nullptr);
    auto form = windows.toolkit.CreateForm({u"canvas", 3000, 3000});
    auto canvas = form->CreatePictureBox({0, 0, 8 * 15, 8 * 15});
    canvas->SetBackColor(0);
    const auto path = ToText(chinese + L"\\测试帧.bmp");
    ASSERT_TRUE(canvas->SaveImage(path));
    ASSERT_TRUE(dib.CreateFromFile(path));
    EXPECT_EQ(dib.Width(), 8);
    EXPECT_TRUE(dib.WriteToFile(ToText(chinese + L"\\副本.bmp")));
    EXPECT_EQ(ReadAll(windows.files, ToText(chinese + L"\\副本.bmp")), ReadAll(windows.files, path));
}

TEST_F(CDibOnDiskTest, MissingAndLockedFilesAreNamedInTheirMessages) {
    const auto missing = ToText(folder + L"missing.bmp");
    EXPECT_FALSE(dib.CreateFromFile(missing));

    const std::wstring lockedPath = folder + L"locked.bmp";
    HANDLE holder = CreateFileW(lockedPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(dib.CreateFromFile(ToText(lockedPath)));
    CloseHandle(holder);

    ASSERT_EQ(windows.toolkit.messages.size(), 2u);
    EXPECT_EQ(windows.toolkit.messages[0].text, u"File does not exist:\r\n" + missing);
    EXPECT_EQ(windows.toolkit.messages[0].icon, platform::MsgBoxIcon::Critical);
    EXPECT_EQ(windows.toolkit.messages[1].text, u"File is locked - cannot access:\r\n" + ToText(lockedPath));
    EXPECT_EQ(windows.toolkit.messages[1].icon, platform::MsgBoxIcon::Critical);
    EXPECT_EQ(windows.toolkit.messages[1].caption, u"Velvra");
}

TEST_F(CDibOnDiskTest, TruncatedFileIsRefusedAsUnsupported) {
    auto form = windows.toolkit.CreateForm({u"canvas", 3000, 3000});
    auto canvas = form->CreatePictureBox({0, 0, 16 * 15, 16 * 15});
    const auto whole = ToText(folder + L"whole.bmp");
    ASSERT_TRUE(canvas->SaveImage(whole));
    auto bytes = ReadAll(windows.files, whole);
    bytes.resize(bytes.size() / 2);
    const auto cut = ToText(folder + L"cut.bmp");
    windows.files.OpenForWriting(cut).file->WriteAt(0, bytes.data(), bytes.size());

    EXPECT_FALSE(dib.CreateFromFile(cut));
    ASSERT_EQ(windows.toolkit.messages.size(), 1u);
    EXPECT_EQ(windows.toolkit.messages[0].text, u"File is not a supported bitmap format:\r\n" + cut);
    EXPECT_EQ(windows.toolkit.messages[0].icon, platform::MsgBoxIcon::Information);
}

}  // namespace
}  // namespace kest::testing

// Test double of the platform seam: stores what it is told, answers as scripted, and keeps
// an ordered log of the calls that matter for sequences.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace kest::fake {

using platform::Handle;
using platform::Text;

std::string Utf8(const Text& text);

class FakeFiles : public platform::FileSystem {
public:
    std::map<Text, std::vector<std::uint8_t>> contents;
    std::set<Text> locked;                 // opening gives permission denied
    std::map<Text, Text> brokenWithReason; // opening fails with this description
    bool failWrites = false;
    std::int64_t freeBytes = std::int64_t{1} << 40;
    std::map<Text, std::int64_t> reportedLength;  // what Length says instead of the contents' size
    std::vector<Text> removed;
    std::vector<std::string>* log = nullptr;

    std::optional<std::int64_t> Length(const Text& path) override;
    bool IsNormalFile(const Text& path) override;
    bool Remove(const Text& path) override;
    platform::OpenResult OpenForReading(const Text& path) override;
    platform::OpenResult OpenForWriting(const Text& path) override;
    std::optional<std::int64_t> FreeBytes(const Text&) override { return freeBytes; }

    bool Exists(const Text& path) const { return contents.count(path) != 0; }
};

struct MessageBoxCall {
    Text text;
    platform::MsgBoxButtons buttons;
    platform::MsgBoxIcon icon;
    Text caption;
};

class FakeTimer : public platform::Timer {
public:
    std::int32_t interval = 0;
    bool enabled = true;
    std::function<void()> tick;
    void SetInterval(std::int32_t ms) override { interval = ms; }
    std::int32_t Interval() const override { return interval; }
    void SetEnabled(bool value) override { enabled = value; }
    bool Enabled() const override { return enabled; }
    void OnTick(std::function<void()> handler) override { tick = std::move(handler); }
};

class FakeMenuItem : public platform::MenuItem {
public:
    Text caption;
    bool enabled = true;
    bool checked = false;
    std::function<void()> click;
    void SetCaption(const Text& value) override { caption = value; }
    Text Caption() const override { return caption; }
    void SetEnabled(bool value) override { enabled = value; }
    bool Enabled() const override { return enabled; }
    void SetChecked(bool value) override { checked = value; }
    bool Checked() const override { return checked; }
    void OnClick(std::function<void()> handler) override { click = std::move(handler); }
};

class FakePlatform;

class FakePictureBox : public platform::PictureBox {
public:
    explicit FakePictureBox(FakePlatform& owner) : owner_(owner) {}
    std::int32_t widthTwips = 0, heightTwips = 0;
    std::uint32_t backColor = 0xFFFFFF;
    bool hasPicture = true;
    void SetSizeTwips(std::int32_t w, std::int32_t h) override { widthTwips = w; heightTwips = h; }
    std::int32_t WidthPixels() const override { return widthTwips / platform::kTwipsPerPixel; }
    std::int32_t HeightPixels() const override { return heightTwips / platform::kTwipsPerPixel; }
    void SetBackColor(std::uint32_t rgb) override { backColor = rgb; }
    void RemovePicture() override { hasPicture = false; }
    Handle Hdc() override { return kHdc; }
    bool LoadClipboardBitmap() override;
    void PaintPicture(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) override;
    bool SaveImage(const Text& path) override;
    static constexpr Handle kHdc = 0xCA11;

private:
    FakePlatform& owner_;
};

class FakeForm : public platform::Form {
public:
    explicit FakeForm(FakePlatform& owner, Handle hwnd, platform::FormDesign design)
        : design(std::move(design)), caption(this->design.caption), owner_(owner), hwnd_(hwnd) {}
    platform::FormDesign design;
    Text caption;
    platform::WindowState state = platform::WindowState::Normal;
    bool visible = false;
    std::function<bool()> queryUnload;

    Handle Hwnd() const override { return hwnd_; }
    void SetCaption(const Text& value) override;
    Text Caption() const override { return caption; }
    void SetWindowState(platform::WindowState value) override;
    platform::WindowState GetWindowState() const override { return state; }
    void Show() override { visible = true; }
    void Hide() override { visible = false; }
    bool Visible() const override { return visible; }
    void OnQueryUnload(std::function<bool()> handler) override { queryUnload = std::move(handler); }
    bool closed = false;
    void Close() override { closed = !queryUnload || queryUnload(); }
    std::unique_ptr<platform::PictureBox> CreatePictureBox(platform::Rect boundsTwips) override;
    std::unique_ptr<platform::Timer> CreateTimer() override;
    std::unique_ptr<platform::MenuItem> CreateMenuItem(platform::MenuItem* parent, const Text& caption) override;

private:
    FakePlatform& owner_;
    Handle hwnd_;
};

// Scripted answers and records of the AVI library.
struct AviScript {
    platform::Status openStatus = 0;
    platform::Status createStreamStatus = 0;
    std::int32_t saveOptionsResult = 1;
    std::uint32_t chosenHandler = 0x20424944;  // "DIB ": full frames
    platform::Status compressedStreamStatus = 0;
    platform::Status setFormatStatus = 0;
    std::optional<std::int32_t> failWriteAt;     // write number (from 0) that fails
    platform::Status writeFailure = static_cast<platform::Status>(0x80044074);  // AVIERR_FILEWRITE
    bool reportCounters = true;
    bool keepWrittenData = true;
    bool writesFileOnRelease = true;  // off for long runs: only sizes are kept then
};

struct AviWrite {
    std::int32_t position;
    std::int32_t samples;
    std::vector<std::uint8_t> data;
    std::uint32_t flags;
    std::int32_t size;
};

class FakeAvi : public platform::AviLibrary {
public:
    explicit FakeAvi(FakePlatform& owner) : owner_(owner) {}
    AviScript script;
    int initCount = 0, exitCount = 0;
    std::vector<Handle> released;
    std::vector<Text> openedPaths;
    std::uint32_t openMode = 0;
    platform::AviStreamInfo streamInfo{};
    std::uint32_t saveOptionsFlags = 0;
    std::uint32_t handlerShownInDialog = 0;  // the fccHandler the dialog started from
    int saveOptionsFreeCount = 0;
    std::vector<std::uint8_t> format;
    std::vector<AviWrite> writes;

    void FileInit() override;
    void FileExit() override;
    platform::Status FileOpen(Handle* file, const Text& path, std::uint32_t mode) override;
    std::uint32_t StringToFourCC(const Text& code, std::uint32_t flags) override;
    platform::Status FileCreateStream(Handle file, Handle* stream, const platform::AviStreamInfo& info) override;
    std::int32_t SaveOptions(Handle owner, std::uint32_t flags, std::int32_t count, Handle* streams,
                             platform::AviCompressOptions** options) override;
    platform::Status SaveOptionsFree(std::int32_t count, platform::AviCompressOptions** options) override;
    platform::Status MakeCompressedStream(Handle* compressed, Handle source,
                                          platform::AviCompressOptions* options) override;
    platform::Status StreamSetFormat(Handle stream, std::int32_t position, const void* format,
                                     std::int32_t size) override;
    platform::Status StreamWrite(Handle stream, std::int32_t start, std::int32_t samples, const void* data,
                                 std::int32_t size, std::uint32_t flags, std::int32_t* samplesWritten,
                                 std::int32_t* bytesWritten) override;
    std::uint32_t StreamRelease(Handle stream) override;
    std::uint32_t FileRelease(Handle file) override;

    static constexpr Handle kFile = 0xF11E;
    static constexpr Handle kStream = 0x5EA1;
    static constexpr Handle kCompressed = 0xC0DE;

private:
    FakePlatform& owner_;
    int writeCount_ = 0;
};

class FakeDesktop : public platform::Desktop {
public:
    explicit FakeDesktop(FakePlatform& owner) : owner_(owner) {}
    // Save dialog: 0 = cancelled; otherwise the typed name is put in the file buffer.
    std::int32_t saveDialogResult = 1;
    Text typedName = u"C:\\rec\\movie.avi";
    std::vector<platform::OpenFileName> saveRequests;
    Handle cursor = 0xC005;
    Text tempPath = u"C:\\Temp\\";
    std::vector<Handle> foregrounded;

    std::int32_t SaveFileDialog(platform::OpenFileName& request) override;
    Handle GetCursor() override;
    bool SetForegroundWindow(Handle window) override;
    bool SetRect(platform::Rect* rect, std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) override;
    Text TempPath() override { return tempPath; }

    // Frame capture. A PrintScreen key changes the clipboard only when `printScreenFills`.
    bool printScreenFills = true;
    bool clipboardHasBitmap = true;
    std::uint32_t clipboardSequence = 7;
    platform::Point cursorPosition{100, 100};
    static constexpr Handle kScreenDc = 0x5C;
    void KeybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags, std::uintptr_t extra) override;
    std::uint32_t ClipboardSequenceNumber() override { return clipboardSequence; }
    bool GetCursorPos(platform::Point* position) override;
    Handle GetDC(Handle window) override;
    std::int32_t ReleaseDC(Handle window, Handle dc) override;
    bool BitBlt(Handle destination, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                Handle source, std::int32_t sx, std::int32_t sy, std::uint32_t rop) override;
    bool DrawIcon(Handle dc, std::int32_t x, std::int32_t y, Handle icon) override;

private:
    FakePlatform& owner_;
};

class FakeToolkit : public platform::Toolkit {
public:
    explicit FakeToolkit(FakePlatform& owner) : owner_(owner) {}
    std::vector<MessageBoxCall> messages;
    std::vector<platform::MsgBoxResult> messageAnswers;  // consumed in order; Ok/Yes-less default
    int doEventsCount = 0;
    double clock = 36000.0;
    std::int32_t screenWidthTwips = 1920 * 15;
    std::int32_t screenHeightTwips = 1080 * 15;
    Text programDirectory = u"C:\\Program Files\\kest35";

    std::unique_ptr<platform::Form> CreateForm(const platform::FormDesign& design) override;
    platform::MsgBoxResult MsgBox(const Text& text, platform::MsgBoxButtons buttons, platform::MsgBoxIcon icon,
                                  const Text& caption) override;
    void DoEvents() override;
    double SecondsSinceMidnight() override { return clock; }
    std::int32_t ScreenWidthTwips() override { return screenWidthTwips; }
    std::int32_t ScreenHeightTwips() override { return screenHeightTwips; }
    Text ProgramDirectory() override { return programDirectory; }
    Handle Instance() override { return 0x400000; }

private:
    FakePlatform& owner_;
    Handle nextHwnd_ = 0x1000;
};

class FakePlatform {
public:
    FakePlatform();
    FakeFiles files;
    FakeAvi avi{*this};
    FakeDesktop desktop{*this};
    FakeToolkit toolkit{*this};
    platform::Platform platform{avi, files, desktop, toolkit};

    // Ordered record of the calls whose order matters.
    std::vector<std::string> log;
    // Bits per pixel of the images that picture boxes save.
    std::int32_t displayBitCount = 32;
};

// A BMP file image with no colour table for 24/32 bits and a grey palette for 8 bits;
// pixel bytes are filled with `fill`.
std::vector<std::uint8_t> MakeBmp(std::int32_t width, std::int32_t height, std::int32_t bitCount,
                                  std::uint8_t fill = 0);

}  // namespace kest::fake

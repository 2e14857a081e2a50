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
#include "fake/fake_file_dialogs.h"
#include "fake/fake_window_hook.h"

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
    platform::OpenResult OpenForUpdating(const Text& path) override;
    std::optional<std::int64_t> FreeBytes(const Text&) override { return freeBytes; }

    bool Exists(const Text& path) const { return contents.count(path) != 0; }
};

struct MessageBoxCall {
    Text text;
    platform::MsgBoxButtons buttons;
    platform::MsgBoxIcon icon;
    Text caption;
};

class FakeToolkit;

class FakeTimer : public platform::Timer {
public:
    explicit FakeTimer(FakeToolkit* owner = nullptr) : owner_(owner) {}
    ~FakeTimer() override;
    std::int32_t interval = 0;
    bool enabled = true;
    std::function<void()> tick;
    void SetInterval(std::int32_t ms) override { interval = ms; }
    std::int32_t Interval() const override { return interval; }
    void SetEnabled(bool value) override { enabled = value; }
    bool Enabled() const override { return enabled; }
    void OnTick(std::function<void()> handler) override { tick = std::move(handler); }
    // A tick from the system: none while stopped or disabled, and one that comes while the
    // handler runs is dropped, as on Windows.
    void Fire() {
        if (running_ || !tick || !enabled || interval <= 0) return;
        running_ = true;
        tick();
        running_ = false;
    }

private:
    FakeToolkit* owner_;
    bool running_ = false;
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

// A skin picture stands in for the real bitmap by its name and size.
class FakePicture : public platform::Picture {
public:
    FakePicture(Text name, std::int32_t width, std::int32_t height) : name(std::move(name)), width_(width), height_(height) {}
    Text name;
    Handle Bitmap() const override { return 0xB17; }
    std::int32_t WidthPixels() const override { return width_; }
    std::int32_t HeightPixels() const override { return height_; }

private:
    std::int32_t width_, height_;
};

// Geometry and events that every fake control shares.
template <typename Base>
class FakeControl : public Base {
public:
    Handle hwnd = 0;
    platform::Rect bounds;
    bool visible = true;
    std::int16_t pointer = 0;
    int zOrderTopCount = 0;
    Handle Hwnd() const override { return hwnd; }
    platform::Rect BoundsTwips() const override { return bounds; }
    void Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override {
        bounds = {left, top, left + width, top + height};
        Moved();
    }
    void SetVisible(bool value) override { visible = value; }
    bool Visible() const override { return visible; }
    void ZOrderTop() override { ++zOrderTopCount; }
    void SetMousePointer(std::int16_t value) override { pointer = value; }
    std::int16_t MousePointer() const override { return pointer; }

protected:
    virtual void Moved() {}
};

// One drawing call on a picture box, as recorded.
struct DrawOp {
    std::string kind;  // "Line", "FillBox", "DrawPicture", "DrawText", "Cls"
    platform::Rect rect;
    std::uint32_t rgb = 0;
    platform::PictureRef picture;
    platform::Rect source;
    Text text;
    bool persistent = true;
};

class FakePictureBox : public FakeControl<platform::PictureBox> {
public:
    explicit FakePictureBox(FakePlatform& owner) : owner_(owner) {}
    std::int32_t widthTwips = 0, heightTwips = 0;
    std::uint32_t backColor = 0xFFFFFF;
    std::uint32_t foreColor = 0;
    bool hasPicture = true;
    bool autoRedraw = true;
    platform::PictureRef picture;
    std::vector<DrawOp> draws;
    int refreshCount = 0;
    float textWidthPerChar = 90;  // twips per character of a caption
    void SetSizeTwips(std::int32_t w, std::int32_t h) override {
        widthTwips = w;
        heightTwips = h;
        bounds.right = bounds.left + w;
        bounds.bottom = bounds.top + h;
    }
    std::int32_t WidthPixels() const override { return widthTwips / platform::kTwipsPerPixel; }
    std::int32_t HeightPixels() const override { return heightTwips / platform::kTwipsPerPixel; }
    void SetBackColor(std::uint32_t rgb) override { backColor = rgb; }
    std::uint32_t BackColor() const override { return backColor; }
    void RemovePicture() override {
        hasPicture = false;
        picture.reset();
    }
    void SetPicture(platform::PictureRef value) override {
        picture = std::move(value);
        hasPicture = picture != nullptr;
    }
    platform::PictureRef GetPicture() const override { return picture; }
    void Cls() override { draws.push_back({"Cls", {}, 0, nullptr, {}, {}, autoRedraw}); }
    Handle Hdc() override { return kHdc; }
    bool LoadClipboardBitmap() override;
    void PaintPicture(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) override;
    void DrawPicture(const platform::PictureRef& pic, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                     std::int32_t sx, std::int32_t sy, std::int32_t sw, std::int32_t sh) override {
        draws.push_back({"DrawPicture", {x, y, x + w, y + h}, 0, pic, {sx, sy, sx + sw, sy + sh}, {}, autoRedraw});
    }
    void SetAutoRedraw(bool on) override { autoRedraw = on; }
    void Line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::uint32_t rgb) override {
        draws.push_back({"Line", {x1, y1, x2, y2}, rgb, nullptr, {}, {}, autoRedraw});
    }
    void FillBox(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::uint32_t rgb) override {
        draws.push_back({"FillBox", {x1, y1, x2, y2}, rgb, nullptr, {}, {}, autoRedraw});
    }
    // With no picture the image is the background colour.
    std::uint32_t PointColor(std::int32_t, std::int32_t) override { return backColor; }
    void SetForeColor(std::uint32_t rgb) override { foreColor = rgb; }
    std::uint32_t ForeColor() const override { return foreColor; }
    void DrawText(const Text& text, float x, float y) override {
        draws.push_back({"DrawText", {static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), 0, 0}, foreColor,
                         nullptr, {}, text, autoRedraw});
    }
    float TextWidth(const Text& text) override { return textWidthPerChar * static_cast<float>(text.size()); }
    float TextHeight(const Text& text) override { return text.empty() ? 0.0f : 180.0f; }
    void Refresh() override { ++refreshCount; }
    bool SaveImage(const Text& path) override;
    static constexpr Handle kHdc = 0xCA11;

    // The last picture drawn over the whole box, or null.
    platform::PictureRef LastPictureDrawn() const {
        for (auto it = draws.rbegin(); it != draws.rend(); ++it) {
            if (it->kind == "DrawPicture") return it->picture;
        }
        return nullptr;
    }

protected:
    void Moved() override {
        widthTwips = bounds.right - bounds.left;
        heightTwips = bounds.bottom - bounds.top;
    }

private:
    FakePlatform& owner_;
};

class FakeLabel : public FakeControl<platform::Label> {
public:
    Text caption;
    void SetCaption(const Text& value) override { caption = value; }
    Text Caption() const override { return caption; }
};

class FakeForm : public platform::Form {
public:
    explicit FakeForm(FakePlatform& owner, Handle hwnd, platform::FormDesign design);
    ~FakeForm() override;
    platform::FormDesign design;
    Text caption;
    platform::WindowState state = platform::WindowState::Normal;
    bool visible = false;
    std::function<bool()> queryUnload;
    // Outer bounds; the client area is smaller by the frame (and menu bar) of a captioned form.
    platform::Rect bounds;
    std::int32_t ncWidth = 0, ncHeight = 0;
    bool unloaded = false;
    std::uint32_t backColor = 0;
    std::vector<FakePictureBox*> boxes;  // every picture box created on the form, in order
    std::vector<FakeLabel*> labels;

    Handle Hwnd() const override { return hwnd_; }
    void SetCaption(const Text& value) override;
    Text Caption() const override { return caption; }
    void SetWindowState(platform::WindowState value) override;
    platform::WindowState GetWindowState() const override { return state; }
    void Show() override;
    void Hide() override { visible = false; }
    bool Visible() const override { return visible; }
    void OnQueryUnload(std::function<bool()> handler) override { queryUnload = std::move(handler); }
    bool closed = false;
    // As on Windows, a close request is posted: it is answered when events next run.
    void Close() override;
    // The posted close arrives: the unload handler may refuse it.
    void DeliverClose() {
        if (unloaded) return;  // a destroyed window gets nothing
        closed = !queryUnload || queryUnload();
        if (closed) unloaded = true;
    }
    void Unload() override { unloaded = true; }
    platform::Rect BoundsTwips() const override { return bounds; }
    void Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override {
        bounds = {left, top, left + width, top + height};
    }
    std::int32_t ScaleWidth() const override { return bounds.right - bounds.left - ncWidth; }
    std::int32_t ScaleHeight() const override { return bounds.bottom - bounds.top - ncHeight; }
    void SetBackColor(std::uint32_t rgb) override { backColor = rgb; }
    float TextWidth(const Text& text) override { return 90.0f * static_cast<float>(text.size()); }
    platform::Rect menuBar;
    platform::Rect MenuBarRect() const override { return menuBar; }
    std::unique_ptr<platform::PictureBox> CreatePictureBox(platform::Rect boundsTwips,
                                                           platform::PictureBox* container) override;
    std::unique_ptr<platform::Label> CreateLabel(platform::Rect boundsTwips, const Text& caption,
                                                 platform::PictureBox* container) override;
    std::unique_ptr<platform::Timer> CreateTimer() override;
    std::unique_ptr<platform::MenuItem> CreateMenuItem(platform::MenuItem* parent, const Text& caption) override;

    // Resizes the outer bounds and raises the resize event, as a size step of the system would.
    void SizeTo(std::int32_t width, std::int32_t height) {
        bounds.right = bounds.left + width;
        bounds.bottom = bounds.top + height;
        if (platform::Form::Resize) platform::Form::Resize();
    }

private:
    FakePlatform& owner_;
    Handle hwnd_;
    bool hasMenu_ = false;
};

// Scripted answers and records of the AVI library.
struct AviScript {
    platform::Status openStatus = 0;
    platform::Status createStreamStatus = 0;
    std::int32_t saveOptionsResult = 1;
    std::uint32_t chosenHandler = 0x20424944;  // "DIB ": full frames
    std::optional<std::uint32_t> chosenKeyFrameEvery;  // the dialog's key-frame setting, if any
    platform::Status compressedStreamStatus = 0;
    platform::Status setFormatStatus = 0;
    std::optional<std::int32_t> failWriteAt;     // write number (from 0) that fails
    platform::Status writeFailure = static_cast<platform::Status>(0x80044074);  // AVIERR_FILEWRITE
    bool reportCounters = true;
    bool keepWrittenData = true;
    bool writesFileOnRelease = true;  // off for long runs: only sizes are kept then
    // Where frame chunks go into the file as they are written, as the real library does; none
    // when unset.
    std::optional<std::int64_t> firstChunkAt;
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
    platform::AviCompressOptions compressedWith{};  // what the compressing stream was made with
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
    platform::Status StreamInfo(Handle stream, platform::AviStreamInfo* info) override;
    platform::Status StreamReadFormat(Handle stream, std::int32_t position, void* format,
                                      std::int32_t* formatSize) override;
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
    Handle cursor = 0xC005;
    Text tempPath = u"C:\\Temp\\";
    std::vector<Handle> foregrounded;

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

    // Runs inside each DoEvents, standing in for the events that would be waiting.
    std::function<void()> onDoEvents;
    // Runs while a message box is open, before it is answered.
    std::function<void()> onMessage;
    std::uint32_t tickCount = 1000;
    std::vector<std::int32_t> waits;
    std::int32_t doubleClickTime = 500;
    bool prevInstance = false;
    bool ended = false;
    std::vector<Text> webPagesOpened;
    std::vector<FakeForm*> forms;

    std::unique_ptr<platform::Form> CreateForm(const platform::FormDesign& design) override;
    platform::MsgBoxResult MsgBox(const Text& text, platform::MsgBoxButtons buttons, platform::MsgBoxIcon icon,
                                  const Text& caption) override;
    void DoEvents() override;
    // Runs what was posted (close requests), as the message loop does; DoEvents does it too.
    void DeliverPosted();
    std::vector<Handle> posted;  // windows with a close request waiting
    // Every running timer of the fake forms gets a tick, as if its interval had passed.
    void DeliverDueTicks();
    std::vector<FakeTimer*> timers;
    // The window is gone: unloaded, or its form destroyed.
    bool WindowGone(Handle window) const;
    std::set<Handle> destroyed;
    void WaitForEvents(std::int32_t milliseconds) override {
        waits.push_back(milliseconds);
        tickCount += static_cast<std::uint32_t>(milliseconds);
    }
    std::uint32_t TickCount() override { return tickCount; }
    std::int32_t DoubleClickTime() override { return doubleClickTime; }
    platform::PictureRef LoadResourcePicture(const Text& name) override;
    bool PrevInstance() override { return prevInstance; }
    bool OpenWebPage(const Text& address) override;
    void EndProcess() override;
    double SecondsSinceMidnight() override { return clock; }
    std::int32_t ScreenWidthTwips() override { return screenWidthTwips; }
    std::int32_t ScreenHeightTwips() override { return screenHeightTwips; }
    Text ProgramDirectory() override { return programDirectory; }
    Handle Instance() override { return 0x400000; }

private:
    FakePlatform& owner_;
    Handle nextHwnd_ = 0x1000;
};

// Window calls: regions are tracked as live objects so that a leak shows as a growing set.
class FakeWindowApi : public platform::WindowApi {
public:
    explicit FakeWindowApi(FakePlatform& owner) : owner_(owner) {}
    std::map<std::pair<Handle, std::int32_t>, std::int32_t> longs;  // (window, index) -> value
    struct Alpha {
        Handle window;
        std::uint8_t alpha;
        friend bool operator==(const Alpha&, const Alpha&) = default;
    };
    std::vector<Alpha> alphas;
    std::map<Handle, platform::Rect> regions;  // live regions and their bounding rectangles
    std::map<Handle, Handle> windowRegions;    // what each window owns
    std::vector<Handle> regionsSet;
    bool setWindowRgnSucceeds = true;
    int regionsCreated = 0, objectsDeleted = 0;
    std::map<Handle, Handle> parents;
    int releaseCaptureCount = 0;
    std::vector<Handle> captures;
    struct Sent {
        Handle window;
        std::uint32_t message;
        std::uintptr_t wParam;
        std::intptr_t lParam;
        friend bool operator==(const Sent&, const Sent&) = default;
    };
    std::vector<Sent> sent;
    platform::Point clientOrigin;  // ClientToScreen adds it
    struct Popup {
        Handle menu;
        std::uint32_t flags;
        platform::Point at;
        Handle owner;
    };
    std::vector<Popup> popups;
    Handle taskbar = 0;
    platform::Rect taskbarRect;
    std::vector<platform::Point> cursorMoves;
    std::vector<std::optional<platform::Rect>> clips;  // nullopt: freed
    std::uint32_t windowFrameColor = 0x000000;

    std::int32_t GetWindowLongValue(Handle window, std::int32_t index) override { return longs[{window, index}]; }
    std::int32_t SetWindowLongValue(Handle window, std::int32_t index, std::int32_t value) override {
        const std::int32_t previous = longs[{window, index}];
        longs[{window, index}] = value;
        return previous;
    }
    bool SetLayeredWindowAttributes(Handle window, std::uint32_t, std::uint8_t alpha, std::uint32_t) override {
        alphas.push_back({window, alpha});
        return true;
    }
    Handle CreateRectRgn(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) override;
    Handle CreateRoundRectRgn(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b, std::int32_t,
                              std::int32_t) override;
    std::int32_t CombineRgn(Handle destination, Handle a, Handle b, std::int32_t mode) override;
    bool DeleteObject(Handle object) override;
    std::int32_t SetWindowRgn(Handle window, Handle region, bool redraw) override;
    Handle SetParent(Handle child, Handle parent) override {
        const Handle previous = parents[child];
        parents[child] = parent;
        return previous;
    }
    Handle SetCapture(Handle window) override {
        captures.push_back(window);
        return 0;
    }
    bool ReleaseCapture() override;
    std::intptr_t SendWindowMessage(Handle window, std::uint32_t message, std::uintptr_t wParam,
                                    std::intptr_t lParam) override;
    bool ClientToScreen(Handle, platform::Point* point) override {
        point->x += clientOrigin.x;
        point->y += clientOrigin.y;
        return true;
    }
    Handle GetSystemMenu(Handle, bool) override { return kSystemMenu; }
    bool TrackPopupMenu(Handle menu, std::uint32_t flags, std::int32_t x, std::int32_t y, std::int32_t,
                        Handle owner) override;
    Handle FindTopLevelWindow(const Text& className, const std::optional<Text>& title) override {
        return className == u"Shell_TrayWnd" && !title ? taskbar : 0;
    }
    bool GetWindowRect(Handle window, platform::Rect* rect) override {
        if (window != taskbar) return false;
        *rect = taskbarRect;
        return true;
    }
    bool SetCursorPos(std::int32_t x, std::int32_t y) override {
        cursorMoves.push_back({x, y});
        return true;
    }
    bool ClipCursor(const platform::Rect* rect) override {
        clips.push_back(rect ? std::optional<platform::Rect>(*rect) : std::nullopt);
        return true;
    }
    std::uint32_t GetSysColor(std::int32_t index) override { return index == 6 ? windowFrameColor : 0x808080; }

    static constexpr Handle kSystemMenu = 0x5E5;

    // Regions the fake windows own; the system frees these, not the program.
    std::map<Handle, platform::Rect> ownedRegions_;

private:
    FakePlatform& owner_;
    Handle nextRegion_ = 0x7000;
};

class FakePlatform {
public:
    FakePlatform();
    FakeFiles files;
    FakeAvi avi{*this};
    FakeDesktop desktop{*this};
    FakeToolkit toolkit{*this};
    FakeWindowApi windows{*this};
    FakeWindowHook hooks;
    FakeFileDialogs dialogs;
    platform::Platform platform{avi, files, desktop, toolkit, windows, hooks, dialogs};

    // The recorder's save dialog as the user answers it (dialogs.shown keeps each request):
    // 0 cancels; otherwise the typed name comes back in the file buffer.
    struct SaveDialogScript {
        std::int32_t result = 1;
        Text typedName = u"C:\\rec\\movie.avi";
        // Runs while the dialog is open, standing in for what the user does meanwhile.
        std::function<void()> whileOpen;
    } saveDialog;

    // Ordered record of the calls whose order matters.
    std::vector<std::string> log;
    // Bits per pixel of the images that picture boxes save.
    std::int32_t displayBitCount = 32;
};

inline platform::Platform& PlatformOf(FakePlatform& fake) { return fake.platform; }

// A BMP file image with no colour table for 24/32 bits and a grey palette for 8 bits;
// pixel bytes are filled with `fill`.
std::vector<std::uint8_t> MakeBmp(std::int32_t width, std::int32_t height, std::int32_t bitCount,
                                  std::uint8_t fill = 0);

}  // namespace kest::fake

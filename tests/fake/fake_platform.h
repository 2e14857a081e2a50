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
#include "fake/fake_sound_input.h"
#include "fake/fake_toolkit.h"
#include "fake/fake_window_hook.h"

namespace kest::fake {

using platform::Handle;
using platform::Text;

class FakeFiles : public platform::FileSystem {
public:
    std::map<Text, std::vector<std::uint8_t>> contents;
    std::set<Text> locked;                  // opening gives permission denied
    std::map<Text, Text> brokenWithReason;  // opening fails with this description
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

// Scripted answers and records of the AVI library.
struct AviScript {
    platform::Status openStatus = 0;
    platform::Status createStreamStatus = 0;
    std::int32_t saveOptionsResult = 1;
    std::uint32_t chosenHandler = 0x20424944;          // "DIB ": full frames
    std::optional<std::uint32_t> chosenKeyFrameEvery;  // the dialog's key-frame setting, if any
    platform::Status compressedStreamStatus = 0;
    platform::Status setFormatStatus = 0;
    std::optional<std::int32_t> failWriteAt;                                    // write number (from 0) that fails
    platform::Status writeFailure = static_cast<platform::Status>(0x80044074);  // AVIERR_FILEWRITE
    bool reportCounters = true;
    bool keepWrittenData = true;
    bool writesFileOnRelease = true;  // off for long runs: only sizes are kept then
    // Where frame chunks go into the file as they are written, as the real library does; none
    // when unset.
    std::optional<std::int64_t> firstChunkAt;
};

struct AviWrite {
    Handle stream;
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
    std::uint32_t handlerShownInDialog = 0;         // the fccHandler the dialog started from
    platform::AviCompressOptions compressedWith{};  // what the compressing stream was made with
    int saveOptionsFreeCount = 0;
    std::vector<std::uint8_t> format;
    std::vector<AviWrite> writes;
    // The sound stream, when one is created: its record, format and the samples written to it.
    platform::AviStreamInfo soundInfo{};
    std::vector<std::uint8_t> soundFormat;
    std::vector<std::uint8_t> sound;

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
    static constexpr Handle kSoundStream = 0xA0D1;

private:
    FakePlatform& owner_;
    int writeCount_ = 0;
    int soundChunks_ = 0;
    std::int64_t soundSamples_ = 0;  // of the sound stream created last
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

    // The monitors, the primary first; the virtual screen is what they span, and windows are on
    // `windowMonitor`.
    std::vector<platform::Rect> monitors{{0, 0, 1920, 1080}};
    std::size_t windowMonitor = 0;
    static constexpr Handle kFirstMonitor = 0x3000;
    std::int32_t GetSystemMetrics(std::int32_t index) override;
    Handle MonitorFromWindow(Handle, std::uint32_t) override { return kFirstMonitor + windowMonitor; }
    bool GetMonitorInfoOf(Handle monitor, platform::MonitorInfo* info) override;

private:
    FakePlatform& owner_;
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
        if (const auto own = threadWindows.find(window); own != threadWindows.end()) {
            *rect = own->second.rect;
            return true;
        }
        if (window != taskbar) return false;
        *rect = taskbarRect;
        return true;
    }
    // The thread's top-level windows as the system would list them, with their places on the
    // screen in pixels.
    struct TopLevel {
        platform::Rect rect;
        bool visible = true;
        bool iconic = false;
    };
    std::map<Handle, TopLevel> threadWindows;
    std::vector<Handle> EnumThreadWindows() override {
        std::vector<Handle> windows;
        for (const auto& [window, state] : threadWindows) windows.push_back(window);
        return windows;
    }
    bool IsWindowVisible(Handle window) override {
        const auto own = threadWindows.find(window);
        return own != threadWindows.end() && own->second.visible;
    }
    bool IsIconic(Handle window) override {
        const auto own = threadWindows.find(window);
        return own != threadWindows.end() && own->second.iconic;
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
    FakeSoundInput sound{toolkit};
    platform::Platform platform{avi, files, desktop, toolkit, windows, hooks, dialogs, sound};

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
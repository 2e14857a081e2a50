// Test double of the forms toolkit: forms, picture boxes, labels, timers and menus that keep
// what they are told, and the toolkit that makes them and plays the events a test asks for.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/toolkit.h"

namespace kest::fake {

using platform::Handle;
using platform::Text;

std::string Utf8(const Text& text);

class FakePlatform;

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
    platform::MenuItem* parent = nullptr;
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

// A skin picture stands in for the real bitmap by its name and size.
class FakePicture : public platform::Picture {
public:
    FakePicture(Text name, std::int32_t width, std::int32_t height)
        : name(std::move(name)), width_(width), height_(height) {}
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
        draws.push_back({"DrawText",
                         {static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), 0, 0},
                         foreColor,
                         nullptr,
                         {},
                         text,
                         autoRedraw});
    }
    float TextWidth(const Text& text) override { return textWidthPerChar * static_cast<float>(text.size()); }
    float TextHeight(const Text& text) override { return text.empty() ? 0.0f : 180.0f; }
    void Refresh() override { ++refreshCount; }
    bool SaveImage(const Text& path) override;
    // The canvas's pixels as SaveImage writes them; `readImageFails` makes the box lend none.
    bool ReadImage(platform::ImageBits& image) override;
    bool readImageFails = false;
    std::vector<std::uint8_t> lentPixels;
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
    std::vector<Text> menuCaptions;  // in the order the items were made
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
    // One fake clock: time of day and the monotonic clock move together.
    std::int64_t MonotonicMicroseconds() override { return std::llround(clock * 1e6); }
    std::int32_t ScreenWidthTwips() override { return screenWidthTwips; }
    std::int32_t ScreenHeightTwips() override { return screenHeightTwips; }
    Text ProgramDirectory() override { return programDirectory; }
    Handle Instance() override { return 0x400000; }

private:
    FakePlatform& owner_;
    Handle nextHwnd_ = 0x1000;
};

}  // namespace kest::fake

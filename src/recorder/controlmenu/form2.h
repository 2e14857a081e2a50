// The control menu: a captioned form of which only the menu bar is ever seen. It cuts itself
// down to that strip and lives inside the main window, over the toolbar.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "platform/platform.h"
#include "recorder/peers.h"

namespace kest::recorder {

inline const platform::Text kPauseCaption = u"暂停";
inline const platform::Text kContinueCaption = u"继续";
// The frame rates the settings menu offers, in its order; the first is every start's.
struct FrameRateItem {
    std::int32_t fps;
    const char16_t* caption;
};
inline constexpr std::array<FrameRateItem, 3> kFrameRates{
    {{10, u"每秒 10 帧"}, {15, u"每秒 15 帧"}, {30, u"每秒 30 帧"}}};

// The strip of the form's window that shows its menu bar, in pixels of the form's window, and
// where the form goes in the main window's client area, in twips.
struct MenuStripPlacement {
    platform::Rect regionPixels;
    platform::Point positionTwips;
    friend bool operator==(const MenuStripPlacement&, const MenuStripPlacement&) = default;
};
// nc1 and nc2: the non-client heights of the main window and of this form, in twips;
// menuBar: the form's menu bar as the system lays it out, in pixels of its window (empty when
// unknown).
MenuStripPlacement PlaceMenuStrip(std::int32_t nc1, std::int32_t nc2, std::int32_t toolbarTop,
                                  const platform::Rect& menuBar = {});

// The settings menu shows the next recording's settings and the file menu the recording's state;
// the commands go to the main window and its recording.
class Form2 : public ControlMenuPeer {
public:
    Form2(platform::Platform& platform, MainWindowPeer& mainWindow, AreaOverlayPeer& areaOverlay);
    ~Form2();

    void Form_Load() override;
    void Form_Paint();
    void Form_KeyDown(std::int16_t KeyCode, std::int16_t Shift);
    // True keeps the form loaded.
    bool Form_Unload();
    // Unloads the form unless it refuses.
    void Unload() override;

    void start_Click();
    void pause_Click();
    void done_Click();
    void quit_Click();
    void recordcursor_Click();
    void recordareae_Click();
    void recordsound_Click();
    // An item of the frame-rate submenu, by its place in kFrameRates.
    void fps_Click(std::int16_t Index);

    platform::Form& Window() override { return *window_; }
    const RecordingSettings& Settings() const override { return settings_; }

    platform::MenuItem& file() { return *file_; }
    platform::MenuItem& start() { return *start_; }
    platform::MenuItem& pause() { return *pause_; }
    platform::MenuItem& done() { return *done_; }
    platform::MenuItem& quit() { return *quit_; }
    platform::MenuItem& setting() { return *setting_; }
    platform::MenuItem& recordcursor() { return *recordcursor_; }
    platform::MenuItem& recordareae() { return *recordareae_; }
    platform::MenuItem& recordsound() { return *recordsound_; }
    platform::MenuItem& framerate() { return *framerate_; }
    platform::MenuItem& fps(std::int16_t Index) { return *fps_.at(static_cast<std::size_t>(Index)); }

private:
    // While a dialog or message box of the recorder is open, a second command must wait.
    bool Busy() const;
    void ShowSettings();
    void ShowRecordingState();
    Recording& TheRecording() { return form1_.CurrentRecording(); }

    platform::Platform& platform_;
    MainWindowPeer& form1_;
    AreaOverlayPeer& form3_;
    RecordingSettings settings_;
    std::unique_ptr<platform::Form> window_;
    std::unique_ptr<platform::MenuItem> file_, start_, pause_, done_, quit_;
    std::unique_ptr<platform::MenuItem> setting_, recordcursor_, recordareae_, recordsound_, framerate_;
    std::array<std::unique_ptr<platform::MenuItem>, kFrameRates.size()> fps_;
    bool unloaded_ = false;
};

}  // namespace kest::recorder

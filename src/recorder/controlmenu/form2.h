// The control menu: a captioned form of which only the menu bar is ever seen. It cuts itself
// down to that strip and lives inside the main window, over the toolbar.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/platform.h"

namespace kest::recorder {

class Form1;
class Form3;

inline const platform::Text kPauseCaption = u"暂停";
inline const platform::Text kContinueCaption = u"继续";

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

class Form2 {
public:
    Form2(platform::Platform& platform, Form1& mainWindow);
    ~Form2();

    void Form_Load();
    void Form_Paint();
    void Form_KeyDown(std::int16_t KeyCode, std::int16_t Shift);
    // True keeps the form loaded.
    bool Form_Unload();
    // Unloads the form unless it refuses.
    void Unload();

    void start_Click();
    void pause_Click();
    void done_Click();
    void quit_Click();
    void recordcursor_Click();
    void recordareae_Click();
    void recordsound_Click();

    platform::Form& Window() { return *window_; }
    Form3* AreaOverlay() { return form3_.get(); }

    platform::MenuItem& file() { return *file_; }
    platform::MenuItem& start() { return *start_; }
    platform::MenuItem& pause() { return *pause_; }
    platform::MenuItem& done() { return *done_; }
    platform::MenuItem& quit() { return *quit_; }
    platform::MenuItem& setting() { return *setting_; }
    platform::MenuItem& recordcursor() { return *recordcursor_; }
    platform::MenuItem& recordareae() { return *recordareae_; }
    platform::MenuItem& recordsound() { return *recordsound_; }

    // Whole seconds since midnight when the recording was paused.
    std::int32_t pausetime = 0;

private:
    // While a dialog or message box of the recorder is open, a second command must wait.
    bool Busy() const;

    platform::Platform& platform_;
    Form1& form1_;
    std::unique_ptr<platform::Form> window_;
    std::unique_ptr<platform::MenuItem> file_, start_, pause_, done_, quit_;
    std::unique_ptr<platform::MenuItem> setting_, recordcursor_, recordareae_, recordsound_;
    std::unique_ptr<Form3> form3_;
    bool unloaded_ = false;
};

}  // namespace kest::recorder

// The control menu: a form whose menu bar carries the recorder's commands and settings.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace kest::recorder {

class Form1;

class Form2 {
public:
    Form2(platform::Platform& platform, Form1& mainWindow);
    ~Form2();

    void Form_Load();
    void start_Click();
    void done_Click();

    platform::Form& Window() { return *window_; }

    platform::MenuItem& file() { return *file_; }
    platform::MenuItem& start() { return *start_; }
    platform::MenuItem& pause() { return *pause_; }
    platform::MenuItem& done() { return *done_; }
    platform::MenuItem& quit() { return *quit_; }
    platform::MenuItem& setting() { return *setting_; }
    platform::MenuItem& recordcursor() { return *recordcursor_; }
    platform::MenuItem& recordareae() { return *recordareae_; }

private:
    platform::Platform& platform_;
    Form1& form1_;
    std::unique_ptr<platform::Form> window_;
    std::unique_ptr<platform::MenuItem> file_, start_, pause_, done_, quit_;
    std::unique_ptr<platform::MenuItem> setting_, recordcursor_, recordareae_;
};

}  // namespace kest::recorder

// The recording on its own, on the test double: a window's canvas and two capture timers made by
// the fake toolkit, the fake clock, library and sound device. Shared by the recording's suites.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fake/fake_platform.h"
#include "recorder/engine/recording.h"

namespace kest::recorder {

class RecordingFixture : public ::testing::Test {
protected:
    // Ten o'clock, when every recording here starts.
    static constexpr double kStartClock = 36000.0;

    // Starts at ten o'clock with `settings`, the area already chosen when it is an area
    // recording, and forgets the calls the start made.
    bool Start() {
        fake.toolkit.clock = kStartClock;
        const bool started = recording.Start(settings);
        fake.log.clear();
        return started;
    }
    bool StartArea(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
        settings.area = true;
        recording.SetArea(x, y, width, height);
        return Start();
    }
    // A capture tick `ms` milliseconds after the start.
    TickResult TickAt(std::int64_t ms) {
        fake.toolkit.clock = kStartClock + static_cast<double>(ms) / 1000;
        return recording.Tick();
    }
    static std::vector<std::string> Texts(const std::vector<Notice>& notices) {
        std::vector<std::string> texts;
        for (const Notice& notice : notices) texts.push_back(fake::Utf8(notice.text));
        return texts;
    }
    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const auto& m : fake.toolkit.messages) texts.push_back(fake::Utf8(m.text));
        return texts;
    }
    fake::FakePictureBox& Canvas() { return static_cast<fake::FakePictureBox&>(*canvas); }
    const RecordingFields& Fields() const { return recording.Fields(); }

    fake::FakePlatform fake;
    AVIDecs avi{fake.platform};
    std::unique_ptr<platform::Form> window = fake.toolkit.CreateForm({u"main", 6000, 4000});
    std::unique_ptr<platform::PictureBox> canvas = window->CreatePictureBox({0, 0, 150, 150});
    std::unique_ptr<platform::Timer> timer1 = window->CreateTimer();
    std::unique_ptr<platform::Timer> timer2 = window->CreateTimer();
    Recording recording{fake.platform, avi, {window->Hwnd(), *canvas, *timer1, *timer2}};
    RecordingSettings settings;
};

}  // namespace kest::recorder

// The recorder put together as its main() does, the AVI writer, the main window, its menu strip
// and the area overlay, on a test's platform: the one fixture for the recorder's tests on the
// test double and on the real windows under Wine.
#pragma once

#include <gtest/gtest.h>

#include "recorder/recorder.h"

namespace kest::testing {

// `Host` owns the services; PlatformOf(host), found beside `Host`, is the platform the recorder
// runs on. Nothing is loaded yet: each test shows the windows it needs.
template <typename Host>
class RecorderTest : public ::testing::Test {
protected:
    Host host;
    recorder::Recorder recorder{PlatformOf(host)};
    recorder::AVIDecs& avi = recorder.avi;
    recorder::Form1& form1 = recorder.form1;
    recorder::Form2& form2 = recorder.form2;
    recorder::Form3& form3 = recorder.form3;
    // The main window's recording, there once the main window is loaded.
    recorder::Recording& Rec() { return form1.CurrentRecording(); }
};

}  // namespace kest::testing

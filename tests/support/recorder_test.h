// The recorder put together as its main() does, the AVI writer, the main window and its menu
// strip, on a test's platform: the one fixture for the recorder's tests on the test double and
// on the real windows under Wine.
#pragma once

#include <gtest/gtest.h>

#include "recorder/controlmenu/form2.h"
#include "recorder/engine/avidecs.h"
#include "recorder/mainwindow/form1.h"

namespace kest::testing {

// `Host` owns the services; PlatformOf(host), found beside `Host`, is the platform the recorder
// runs on. `MainWindow` may be a Form1 that lets the test reach its protected steps. Nothing is
// loaded yet: each test shows the windows it needs.
template <typename Host, typename MainWindow = recorder::Form1>
class RecorderTest : public ::testing::Test {
protected:
    Host host;
    recorder::AVIDecs avi{PlatformOf(host)};
    MainWindow form1{PlatformOf(host), avi};
    recorder::Form2 form2{PlatformOf(host), form1};
};

}  // namespace kest::testing

// The recorder put together: the writer, the main window that owns the recording, its menu strip
// and the area overlay, each window knowing the others only as peers. The program's entry and
// the tests build it the same way.
#pragma once

#include "platform/platform.h"
#include "recorder/areaselect/form3.h"
#include "recorder/controlmenu/form2.h"
#include "recorder/engine/avidecs.h"
#include "recorder/mainwindow/form1.h"

namespace kest::recorder {

struct Recorder {
    explicit Recorder(platform::Platform& platform)
        : avi(platform), form1(platform, avi), form3(platform), form2(platform, form1, form3) {}

    // The program starts with the main window's load.
    void Load() { form1.Load(form2); }

    AVIDecs avi;
    Form1 form1;
    Form3 form3;
    Form2 form2;
};

}  // namespace kest::recorder

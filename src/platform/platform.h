// Everything the recorder reaches outside itself, bundled so that the real Windows services
// or the test double can be handed in whole.
#pragma once

#include "platform/avi_library.h"
#include "platform/desktop.h"
#include "platform/file_dialogs.h"
#include "platform/file_system.h"
#include "platform/sound_input.h"
#include "platform/toolkit.h"
#include "platform/window_api.h"
#include "platform/window_hook.h"

namespace kest::platform {

struct Platform {
    AviLibrary& avi;
    FileSystem& files;
    Desktop& desktop;
    Toolkit& toolkit;
    WindowApi& windows;
    WindowHook& hooks;
    FileDialogs& dialogs;
    SoundInput& sound;
};

}  // namespace kest::platform

#pragma once

#include "platform/desktop.h"

namespace kest::platform::win32 {

class Win32Desktop : public Desktop {
public:
    std::int32_t SaveFileDialog(OpenFileName& request) override;
    Handle GetCursor() override;
    bool SetForegroundWindow(Handle window) override;
    bool SetRect(Rect* rect, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) override;
    Text TempPath() override;
};

}  // namespace kest::platform::win32

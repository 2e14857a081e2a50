// The WebBrowser ActiveX control placed in-place into a window, with just the container
// interfaces it asks its site for.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <memory>

#include "platform/types.h"

struct IWebBrowser2;

namespace kest::platform::win32 {

class BrowserSite;

class BrowserHost {
public:
    // Null when the control is not installed or cannot be activated in `parent`. Needs OLE
    // initialised on the calling thread.
    static std::unique_ptr<BrowserHost> Create(HWND parent, RECT bounds);
    ~BrowserHost();
    BrowserHost(const BrowserHost&) = delete;
    BrowserHost& operator=(const BrowserHost&) = delete;

    // Returns at once; the page loads on its own. False when the control refused the address.
    bool Navigate(const Text& address);

private:
    BrowserHost() = default;
    BrowserSite* site_ = nullptr;
    IOleObject* object_ = nullptr;
    IWebBrowser2* browser_ = nullptr;
};

}  // namespace kest::platform::win32

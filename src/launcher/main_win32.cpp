// Entry point of the launcher. Until the promo page exists it shows an empty window.
#include <windows.h>

#include "platform/win32/win32_toolkit.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    kest::platform::win32::Win32Toolkit toolkit;
    auto window = toolkit.CreateForm({u"kestlaunch", 6000, 4500});
    window->Show();
    toolkit.QuitWhenClosed(*window);
    return toolkit.RunMessageLoop();
}

// Entry point of the launcher: frmAbout is the start-up window and nothing runs before it.
#include <windows.h>

#include "launcher/frm_about.h"
#include "platform/win32/win32_launcher_platform.h"
#include "site_address.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    kest::platform::win32::Win32LauncherPlatform platform;
    kest::launcher::FrmAbout about(platform, kest::SiteAddress(kest::kPromoPagePath));
    about.Load();
    return platform.RunMessageLoop();
}

#include "platform/win32/win32_launcher_platform.h"

#include <windows.h>
#include <ole2.h>

#include <utility>

#include "platform/win32/gdi.h"
#include "platform/win32/text.h"
#include "platform/win32/win32_browser_host.h"
#include "platform/win32/win32_window.h"

namespace kest::platform::win32 {

static_assert(kGwlExStyle == GWL_EXSTYLE && kWsExLayered == WS_EX_LAYERED && kLwaAlpha == LWA_ALPHA &&
              kSwShowMinimized == SW_SHOWMINIMIZED);

namespace {

constexpr int kIconResource = 1;
// Exit code when the window was closed before the recorder was started.
constexpr int kClosedEarly = 2;

// The launcher's design positions are whole pixels; its conversion truncates.
int LauncherPixels(std::int32_t twips) { return twips / kTwipsPerPixel; }

RECT PixelRect(Rect twips) {
    return {LauncherPixels(twips.left), LauncherPixels(twips.top), LauncherPixels(twips.right),
            LauncherPixels(twips.bottom)};
}

using SetLayeredAttributesFunction = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

class Win32AboutWindow final : public AboutWindow, public Window {
public:
    Win32AboutWindow(const AboutWindowDesign& design, std::function<void(int)> onTimer)
        : onTimer_(std::move(onTimer)), background_(CreateSolidBrush(design.backColor)) {
        RegisterAboutClass();
        RECT frame{0, 0, LauncherPixels(design.clientWidthTwips), LauncherPixels(design.clientHeightTwips)};
        // A tool window without an owner has no taskbar button; a popup has no caption or frame,
        // so the whole window is client area.
        constexpr DWORD style = WS_POPUP | WS_CLIPCHILDREN;
        constexpr DWORD exStyle = WS_EX_TOOLWINDOW;
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
        const HWND hwnd = Create(exStyle, kAboutWindowClass, Wide(design.caption), style, 0, 0,
                                 frame.right - frame.left, frame.bottom - frame.top, nullptr);
        const RECT box = PixelRect(design.textBoxTwips);
        textBox_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", Wide(design.textBoxText),
                                   WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, box.left, box.top, box.right - box.left,
                                   box.bottom - box.top, hwnd, nullptr, ModuleInstance(), nullptr);
        browser_ = BrowserHost::Create(hwnd, PixelRect(design.browserTwips));
    }

    ~Win32AboutWindow() override {
        browser_.reset();
        Destroy();
    }

    Handle Hwnd() const override { return reinterpret_cast<Handle>(Window::Hwnd()); }

    void Show() override {
        const HWND hwnd = Window::Hwnd();
        RECT window;
        GetWindowRect(hwnd, &window);
        const int width = window.right - window.left;
        const int height = window.bottom - window.top;
        SetWindowPos(hwnd, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(hwnd, SW_SHOW);
        UpdateWindow(hwnd);
    }

    void StartTimer(int id, std::int32_t milliseconds) override {
        SetTimer(Window::Hwnd(), static_cast<UINT_PTR>(id), static_cast<UINT>(milliseconds), nullptr);
    }
    void StopTimer(int id) override { KillTimer(Window::Hwnd(), static_cast<UINT_PTR>(id)); }

    void SetTextBoxText(const Text& text) override { SetWindowTextW(textBox_, Wide(text)); }
    Text TextBoxText() const override {
        const int length = GetWindowTextLengthW(textBox_);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        const int copied = GetWindowTextW(textBox_, text.data(), length + 1);
        return FromWide(text.c_str(), static_cast<std::size_t>(copied));
    }

    bool Navigate(const Text& address) override { return browser_ && browser_->Navigate(address); }

private:
    static void RegisterAboutClass() {
        // The class keeps its icon for as long as the program runs.
        static const Icon icon(static_cast<HICON>(
            LoadImageW(ModuleInstance(), MAKEINTRESOURCEW(kIconResource), IMAGE_ICON, 48, 48, LR_DEFAULTCOLOR)));
        RegisterWindowClass(kAboutWindowClass, 0, LoadCursorW(nullptr, IDC_ARROW), icon.get(), nullptr);
    }

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
            case WM_TIMER: onTimer_(static_cast<int>(wParam)); return 0;
            case WM_ERASEBKGND: {
                RECT client;
                GetClientRect(Window::Hwnd(), &client);
                FillRect(reinterpret_cast<HDC>(wParam), &client, background_.get());
                return 1;
            }
            default: return Default(message, wParam, lParam);
        }
    }

    // Closed from outside (its owner detaches first): nothing would be left to end the program.
    void Destroyed(HWND) override {
        textBox_ = nullptr;
        PostQuitMessage(kClosedEarly);
    }

    std::function<void(int)> onTimer_;
    Brush background_;
    HWND textBox_ = nullptr;
    std::unique_ptr<BrowserHost> browser_;
};

}  // namespace

Win32LauncherPlatform::Win32LauncherPlatform()
    : oleReady_(SUCCEEDED(OleInitialize(nullptr))),
      setLayeredAttributes_(
          reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetLayeredWindowAttributes"))) {}

Win32LauncherPlatform::~Win32LauncherPlatform() {
    if (oleReady_) OleUninitialize();
}

std::unique_ptr<AboutWindow> Win32LauncherPlatform::CreateAboutWindow(const AboutWindowDesign& design,
                                                                      std::function<void(int)> onTimer) {
    return std::make_unique<Win32AboutWindow>(design, std::move(onTimer));
}

std::optional<std::int32_t> Win32LauncherPlatform::ReadWindowLong(Handle window, std::int32_t index) {
    return ::GetWindowLongW(reinterpret_cast<HWND>(window), index);
}

bool Win32LauncherPlatform::WriteWindowLong(Handle window, std::int32_t index, std::int32_t value) {
    ::SetWindowLongW(reinterpret_cast<HWND>(window), index, value);
    return true;
}

bool Win32LauncherPlatform::SetLayeredWindowAttributes(Handle window, std::uint32_t colorKey, std::uint8_t alpha,
                                                       std::uint32_t flags) {
    if (!setLayeredAttributes_) return false;
    reinterpret_cast<SetLayeredAttributesFunction>(setLayeredAttributes_)(reinterpret_cast<HWND>(window), colorKey,
                                                                          alpha, flags);
    return true;
}

std::optional<Text> Win32LauncherPlatform::StartProgram(const Text& commandLine, std::int32_t showState) {
    std::wstring line(Wide(commandLine));  // CreateProcessW may write into its command line
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showState);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return ErrorDescription(GetLastError());
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return std::nullopt;
}

void Win32LauncherPlatform::ErrorBox(const Text& text, const Text& caption) {
    MessageBoxW(nullptr, Wide(text), Wide(caption), MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

void Win32LauncherPlatform::Quit(int exitCode) { PostQuitMessage(exitCode); }

int Win32LauncherPlatform::RunMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace kest::platform::win32

#include "platform/win32/win32_launcher_platform.h"

#include <windows.h>
#include <ole2.h>

#include <utility>

#include "platform/win32/text.h"
#include "platform/win32/win32_browser_host.h"

namespace kest::platform::win32 {

static_assert(kGwlExStyle == GWL_EXSTYLE && kWsExLayered == WS_EX_LAYERED && kLwaAlpha == LWA_ALPHA &&
              kSwShowMinimized == SW_SHOWMINIMIZED);

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kIconResource = 1;
// Exit code when the window was closed before the recorder was started.
constexpr int kClosedEarly = 2;

int Pixels(std::int32_t twips) { return twips / kTwipsPerPixel; }

RECT PixelRect(Rect twips) {
    return {Pixels(twips.left), Pixels(twips.top), Pixels(twips.right), Pixels(twips.bottom)};
}

using SetLayeredAttributesFunction = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

class Win32AboutWindow : public AboutWindow {
public:
    Win32AboutWindow(const AboutWindowDesign& design, std::function<void(int)> onTimer)
        : onTimer_(std::move(onTimer)), background_(CreateSolidBrush(design.backColor)) {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        RegisterClass(instance);
        RECT frame{0, 0, Pixels(design.clientWidthTwips), Pixels(design.clientHeightTwips)};
        // A tool window without an owner has no taskbar button; a popup has no caption or frame,
        // so the whole window is client area.
        constexpr DWORD style = WS_POPUP | WS_CLIPCHILDREN;
        constexpr DWORD exStyle = WS_EX_TOOLWINDOW;
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
        hwnd_ = CreateWindowExW(exStyle, kAboutWindowClass, Wide(design.caption), style, 0, 0, frame.right - frame.left,
                                frame.bottom - frame.top, nullptr, nullptr, instance, this);
        const RECT box = PixelRect(design.textBoxTwips);
        textBox_ = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", Wide(design.textBoxText),
                                   WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, box.left, box.top, box.right - box.left,
                                   box.bottom - box.top, hwnd_, nullptr, instance, nullptr);
        browser_ = BrowserHost::Create(hwnd_, PixelRect(design.browserTwips));
    }

    ~Win32AboutWindow() override {
        browser_.reset();
        if (hwnd_) {
            SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
            DestroyWindow(hwnd_);
        }
        DeleteObject(background_);
    }

    Handle Hwnd() const override { return reinterpret_cast<Handle>(hwnd_); }

    void Show() override {
        RECT window;
        GetWindowRect(hwnd_, &window);
        const int width = window.right - window.left;
        const int height = window.bottom - window.top;
        SetWindowPos(hwnd_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(hwnd_, SW_SHOW);
        UpdateWindow(hwnd_);
    }

    void StartTimer(int id, std::int32_t milliseconds) override {
        SetTimer(hwnd_, static_cast<UINT_PTR>(id), static_cast<UINT>(milliseconds), nullptr);
    }
    void StopTimer(int id) override { KillTimer(hwnd_, static_cast<UINT_PTR>(id)); }

    void SetTextBoxText(const Text& text) override { SetWindowTextW(textBox_, Wide(text)); }
    Text TextBoxText() const override {
        const int length = GetWindowTextLengthW(textBox_);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        const int copied = GetWindowTextW(textBox_, text.data(), length + 1);
        return FromWide(text.c_str(), static_cast<std::size_t>(copied));
    }

    bool Navigate(const Text& address) override { return browser_ && browser_->Navigate(address); }

private:
    static void RegisterClass(HINSTANCE instance) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        if (GetClassInfoExW(instance, kAboutWindowClass, &windowClass)) return;
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hIcon = static_cast<HICON>(
            LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON, 48, 48, LR_DEFAULTCOLOR));
        windowClass.lpszClassName = kAboutWindowClass;
        RegisterClassExW(&windowClass);
    }

    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<Win32AboutWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
        switch (message) {
            case WM_TIMER:
                self->onTimer_(static_cast<int>(wParam));
                return 0;
            case WM_ERASEBKGND: {
                RECT client;
                GetClientRect(hwnd, &client);
                FillRect(reinterpret_cast<HDC>(wParam), &client, self->background_);
                return 1;
            }
            case WM_DESTROY:
                // Closed from outside (its owner detaches first): nothing would be left to end
                // the program.
                self->hwnd_ = nullptr;
                PostQuitMessage(kClosedEarly);
                return 0;
            default: return DefWindowProcW(hwnd, message, wParam, lParam);
        }
    }

    std::function<void(int)> onTimer_;
    HBRUSH background_;
    HWND hwnd_ = nullptr;
    HWND textBox_ = nullptr;
    std::unique_ptr<BrowserHost> browser_;
};

}  // namespace

Win32LauncherPlatform::Win32LauncherPlatform()
    : oleReady_(SUCCEEDED(OleInitialize(nullptr))),
      setLayeredAttributes_(reinterpret_cast<void*>(
          GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetLayeredWindowAttributes"))) {}

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

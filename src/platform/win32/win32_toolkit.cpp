#include "platform/win32/win32_toolkit.h"

#include <windows.h>
#include <windowsx.h>
#include <shellapi.h>

#include <cmath>
#include <map>
#include <vector>

#include "platform/win32/text.h"
#include "platform/win32/win32_controls.h"

namespace kest::platform::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"Kest35Form";
constexpr UINT kFirstCommandId = 100;
constexpr UINT kFitMaximized = WM_APP + 1;

std::int32_t Twips(int pixels) { return pixels * kTwipsPerPixel; }

class Win32Form;

class Win32Timer : public Timer {
public:
    Win32Timer(Win32Form& form, UINT_PTR id);
    ~Win32Timer() override;
    void SetInterval(std::int32_t milliseconds) override {
        interval_ = milliseconds;
        Update();
    }
    std::int32_t Interval() const override { return interval_; }
    void SetEnabled(bool enabled) override {
        enabled_ = enabled;
        Update();
    }
    bool Enabled() const override { return enabled_; }
    void OnTick(std::function<void()> handler) override { handler_ = std::move(handler); }
    // A handler that lets pending events run (as the capture ticks do last) would otherwise
    // be entered again by the next tick already waiting, one level deeper for every frame of
    // a recording, until the stack runs out. A tick that arrives while the handler runs is
    // dropped; the next one comes when it is done.
    void Tick() {
        if (running_ || !handler_ || !enabled_ || interval_ <= 0) return;
        running_ = true;
        struct Reset {
            bool& flag;
            ~Reset() { flag = false; }
        } reset{running_};
        handler_();
    }

private:
    void Update();
    Win32Form& form_;
    UINT_PTR id_;
    std::int32_t interval_ = 0;
    bool enabled_ = true;
    bool running_ = false;
    std::function<void()> handler_;
};

class Win32MenuItem : public MenuItem {
public:
    Win32MenuItem(Win32Form& form, HMENU owner, UINT position, UINT id, HMENU submenu, const Text& caption)
        : form_(form), owner_(owner), position_(position), id_(id), submenu_(submenu), caption_(caption) {}
    ~Win32MenuItem() override;
    void SetCaption(const Text& caption) override;
    Text Caption() const override { return caption_; }
    void SetEnabled(bool enabled) override;
    bool Enabled() const override { return enabled_; }
    void SetChecked(bool checked) override;
    bool Checked() const override { return checked_; }
    void OnClick(std::function<void()> handler) override { handler_ = std::move(handler); }
    void Click() {
        if (handler_) handler_();
    }
    HMENU Submenu() const { return submenu_; }

private:
    void Redraw();
    Win32Form& form_;
    HMENU owner_;
    UINT position_;
    UINT id_;
    HMENU submenu_;
    Text caption_;
    bool enabled_ = true;
    bool checked_ = false;
    std::function<void()> handler_;
};

class Win32Form : public Form {
public:
    Win32Form(Win32Toolkit& toolkit, const FormDesign& design);
    ~Win32Form() override;

    Handle Hwnd() const override { return reinterpret_cast<Handle>(hwnd_); }
    void SetCaption(const Text& caption) override { SetWindowTextW(hwnd_, Wide(caption)); }
    Text Caption() const override {
        std::vector<wchar_t> buffer(GetWindowTextLengthW(hwnd_) + 1);
        const int length = GetWindowTextW(hwnd_, buffer.data(), static_cast<int>(buffer.size()));
        return FromWide(buffer.data(), static_cast<std::size_t>(length));
    }
    void SetWindowState(WindowState state) override {
        ShowWindow(hwnd_, state == WindowState::Minimized   ? SW_MINIMIZE
                          : state == WindowState::Maximized ? SW_MAXIMIZE
                                                            : SW_RESTORE);
    }
    WindowState GetWindowState() const override {
        return IsIconic(hwnd_) ? WindowState::Minimized : IsZoomed(hwnd_) ? WindowState::Maximized : WindowState::Normal;
    }
    void Show() override;
    void Hide() override { ShowWindow(hwnd_, SW_HIDE); }
    bool Visible() const override { return hwnd_ && IsWindowVisible(hwnd_) != 0; }
    void OnQueryUnload(std::function<bool()> handler) override { queryUnload_ = std::move(handler); }
    void Close() override {
        if (hwnd_) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    }
    void Unload() override {
        if (hwnd_) DestroyWindow(hwnd_);
    }

    Rect BoundsTwips() const override;
    void Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override {
        // A move that keeps the size is no size change: the frame is not recomputed for it.
        RECT now{};
        GetWindowRect(hwnd_, &now);
        const bool sameSize = now.right - now.left == Pixels(width) && now.bottom - now.top == Pixels(height);
        SetWindowPos(hwnd_, nullptr, Pixels(left), Pixels(top), Pixels(width), Pixels(height),
                     SWP_NOZORDER | SWP_NOACTIVATE | (sameSize ? SWP_NOSIZE : 0));
    }
    std::int32_t ScaleWidth() const override {
        RECT client{};
        GetClientRect(hwnd_, &client);
        return Twips(client.right);
    }
    std::int32_t ScaleHeight() const override {
        RECT client{};
        GetClientRect(hwnd_, &client);
        return Twips(client.bottom);
    }
    void SetBackColor(std::uint32_t rgb) override {
        if (background_) DeleteObject(background_);
        background_ = CreateSolidBrush(rgb);
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
    float TextWidth(const Text& text) override {
        HDC dc = GetDC(hwnd_);
        HGDIOBJ previous = SelectObject(dc, UiFont());
        SIZE size{};
        GetTextExtentPoint32W(dc, Wide(text), static_cast<int>(text.size()), &size);
        SelectObject(dc, previous);
        ReleaseDC(hwnd_, dc);
        return static_cast<float>(Twips(size.cx));
    }

    Rect MenuBarRect() const override {
        MENUBARINFO bar{};
        bar.cbSize = sizeof bar;
        RECT last{};
        if (!menuBar_ || !GetMenuBarInfo(hwnd_, OBJID_MENU, 0, &bar) ||
            !GetMenuItemRect(hwnd_, menuBar_, static_cast<UINT>(GetMenuItemCount(menuBar_) - 1), &last)) {
            return {};
        }
        RECT window{};
        GetWindowRect(hwnd_, &window);
        return {bar.rcBar.left - window.left, bar.rcBar.top - window.top, last.right - window.left,
                bar.rcBar.bottom - window.top};
    }
    std::unique_ptr<PictureBox> CreatePictureBox(Rect boundsTwips, PictureBox* container) override {
        return MakePictureBox(container ? reinterpret_cast<HWND>(container->Hwnd()) : hwnd_, boundsTwips);
    }
    std::unique_ptr<Label> CreateLabel(Rect boundsTwips, const Text& caption, PictureBox* container) override {
        return MakeLabel(container ? reinterpret_cast<HWND>(container->Hwnd()) : hwnd_, boundsTwips, caption);
    }
    std::unique_ptr<Timer> CreateTimer() override { return std::make_unique<Win32Timer>(*this, NextId()); }
    std::unique_ptr<MenuItem> CreateMenuItem(MenuItem* parent, const Text& caption) override;

    HWND Window() const { return hwnd_; }
    UINT NextId() { return nextId_++; }
    void Register(UINT id, Win32Timer* timer) { timers_[id] = timer; }
    void Register(UINT id, Win32MenuItem* item) { items_[id] = item; }
    void Unregister(UINT id) {
        timers_.erase(id);
        items_.erase(id);
    }

    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    bool RaiseMouse(UINT message, WPARAM wParam, LPARAM lParam);
    void FillMaximizedRect();

    Win32Toolkit& toolkit_;
    HWND hwnd_ = nullptr;
    HMENU menuBar_ = nullptr;
    HBRUSH background_ = nullptr;
    UINT nextId_ = kFirstCommandId;
    std::map<UINT, Win32Timer*> timers_;
    std::map<UINT, Win32MenuItem*> items_;
    std::function<bool()> queryUnload_;
    bool startupWindow_ = false;
    bool shown_ = false;
    bool fittingMaximized_ = false;
};

// ---- timers ----

Win32Timer::Win32Timer(Win32Form& form, UINT_PTR id) : form_(form), id_(id) {
    form_.Register(static_cast<UINT>(id_), this);
}

Win32Timer::~Win32Timer() {
    if (form_.Window()) KillTimer(form_.Window(), id_);
    form_.Unregister(static_cast<UINT>(id_));
}

void Win32Timer::Update() {
    if (!form_.Window()) return;
    if (enabled_ && interval_ > 0) {
        SetTimer(form_.Window(), id_, static_cast<UINT>(interval_), nullptr);
    } else {
        KillTimer(form_.Window(), id_);
    }
}

// ---- menus ----

Win32MenuItem::~Win32MenuItem() { form_.Unregister(id_); }

void Win32MenuItem::Redraw() {
    if (form_.Window()) DrawMenuBar(form_.Window());
}

void Win32MenuItem::SetCaption(const Text& caption) {
    caption_ = caption;
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<wchar_t*>(Wide(caption_));
    SetMenuItemInfoW(owner_, position_, TRUE, &info);
    Redraw();
}

void Win32MenuItem::SetEnabled(bool enabled) {
    enabled_ = enabled;
    EnableMenuItem(owner_, position_, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
    Redraw();
}

void Win32MenuItem::SetChecked(bool checked) {
    checked_ = checked;
    CheckMenuItem(owner_, position_, MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
    Redraw();
}

std::unique_ptr<MenuItem> Win32Form::CreateMenuItem(MenuItem* parent, const Text& caption) {
    const UINT id = NextId();
    std::unique_ptr<Win32MenuItem> item;
    if (parent == nullptr) {
        if (!menuBar_) {
            menuBar_ = CreateMenu();
            SetMenu(hwnd_, menuBar_);
        }
        HMENU popup = CreatePopupMenu();
        AppendMenuW(menuBar_, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), Wide(caption));
        item = std::make_unique<Win32MenuItem>(*this, menuBar_, GetMenuItemCount(menuBar_) - 1, id, popup, caption);
    } else {
        HMENU owner = static_cast<Win32MenuItem*>(parent)->Submenu();
        AppendMenuW(owner, MF_STRING, id, Wide(caption));
        item = std::make_unique<Win32MenuItem>(*this, owner, GetMenuItemCount(owner) - 1, id, nullptr, caption);
    }
    Register(id, item.get());
    DrawMenuBar(hwnd_);
    return item;
}

// ---- forms ----

Win32Form::Win32Form(Win32Toolkit& toolkit, const FormDesign& design)
    : toolkit_(toolkit), startupWindow_(design.startupWindow) {
    if (startupWindow_) toolkit_.StartupWindowCreated();
    const DWORD style = design.borderless ? WS_POPUP | WS_CLIPCHILDREN : WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    const DWORD exStyle = design.toolWindow ? WS_EX_TOOLWINDOW : 0;
    // The design gives the client size; the window is that plus its frame.
    RECT outer{0, 0, Pixels(design.widthTwips), Pixels(design.heightTwips)};
    AdjustWindowRectEx(&outer, style, FALSE, exStyle);
    const int x = design.borderless ? 0 : CW_USEDEFAULT;
    const int y = design.borderless ? 0 : CW_USEDEFAULT;
    hwnd_ = CreateWindowExW(exStyle, kFormClass, Wide(design.caption), style, x, y, outer.right - outer.left,
                            outer.bottom - outer.top, nullptr, nullptr, ModuleInstance(), this);
}

Win32Form::~Win32Form() {
    if (hwnd_) DestroyWindow(hwnd_);
    if (background_) DeleteObject(background_);
}

namespace {
// How the program was asked to show its main window: a launcher starts the recorder minimised.
// Wine's SW_SHOWDEFAULT does not look this up, so it is read here.
int StartupShowCommand() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWNORMAL;
}
}  // namespace

void Win32Form::Show() {
    const bool first = !shown_;
    shown_ = true;
    if (startupWindow_ && first) {
        toolkit_.StartupWindowShown();
        ShowWindow(hwnd_, StartupShowCommand());
    } else if (toolkit_.StartupWindowPending()) {
        // Windows gives the start-up state to the first captioned top-level window shown with
        // SW_SHOW, whichever it is; a form shown before the main window (the menu strip) would
        // take the minimised state meant for the main window. SetWindowPos shows and activates
        // it the same way without that.
        SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    } else {
        ShowWindow(hwnd_, SW_SHOW);
    }
}

Rect Win32Form::BoundsTwips() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    const HWND parent = GetAncestor(hwnd_, GA_PARENT);
    if (parent && parent != GetDesktopWindow()) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return {Twips(r.left), Twips(r.top), Twips(r.right), Twips(r.bottom)};
}

LRESULT CALLBACK Win32Form::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<Win32Form*>(create->lpCreateParams)->hwnd_ = hwnd;
    }
    auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return form ? form->Dispatch(message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

bool Win32Form::RaiseMouse(UINT message, WPARAM wParam, LPARAM lParam) {
    const auto x = static_cast<float>(Twips(GET_X_LPARAM(lParam)));
    const auto y = static_cast<float>(Twips(GET_Y_LPARAM(lParam)));
    const std::int16_t shift = ShiftState(wParam);
    switch (message) {
        case WM_MOUSEMOVE:
            if (MouseMove) MouseMove(HeldButtons(wParam), shift, x, y);
            return true;
        case WM_LBUTTONDOWN: if (MouseDown) MouseDown(kLeftButton, shift, x, y); return true;
        case WM_RBUTTONDOWN: if (MouseDown) MouseDown(kRightButton, shift, x, y); return true;
        case WM_LBUTTONUP: if (MouseUp) MouseUp(kLeftButton, shift, x, y); return true;
        case WM_RBUTTONUP: if (MouseUp) MouseUp(kRightButton, shift, x, y); return true;
        default: return false;
    }
}

// Without a window manager a maximised window that gets a region while it is being maximised
// keeps its old size; sizing it again to the maximised rectangle gives it the full size.
void Win32Form::FillMaximizedRect() {
    if (fittingMaximized_ || !IsZoomed(hwnd_) || GetAncestor(hwnd_, GA_PARENT) != GetDesktopWindow()) return;
    MINMAXINFO limits{};
    const int frameX = GetSystemMetrics(SM_CXSIZEFRAME), frameY = GetSystemMetrics(SM_CYSIZEFRAME);
    limits.ptMaxSize = {GetSystemMetrics(SM_CXSCREEN) + 2 * frameX, GetSystemMetrics(SM_CYSCREEN) + 2 * frameY};
    limits.ptMaxPosition = {-frameX, -frameY};
    limits.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    limits.ptMaxTrackSize = {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    SendMessageW(hwnd_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    fittingMaximized_ = true;
    // The system already counts the window as that size, so the same rectangle would change
    // nothing on the screen; the frame change makes it lay the window out again.
    SetWindowPos(hwnd_, nullptr, limits.ptMaxPosition.x, limits.ptMaxPosition.y, limits.ptMaxSize.x,
                 limits.ptMaxSize.y, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    fittingMaximized_ = false;
}

LRESULT Win32Form::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (auto it = timers_.find(static_cast<UINT>(wParam)); it != timers_.end()) {
                it->second->Tick();
                return 0;
            }
            break;
        case WM_COMMAND:
            if (HIWORD(wParam) == 0 && lParam == 0) {
                if (auto it = items_.find(LOWORD(wParam)); it != items_.end()) {
                    it->second->Click();
                    return 0;
                }
            }
            break;
        case kFitMaximized: FillMaximizedRect(); return 0;
        case WM_ENTERMENULOOP: toolkit_.MenuLoop(true); break;
        case WM_EXITMENULOOP: toolkit_.MenuLoop(false); break;
        case WM_SIZE:
            if (Resize) Resize();
            if (wParam == SIZE_MAXIMIZED && !fittingMaximized_) PostMessageW(hwnd_, kFitMaximized, 0, 0);
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                if (Deactivate) Deactivate();
            } else if (Activate) {
                Activate();
            }
            break;
        case WM_PAINT:
            if (Paint) Paint();
            break;
        case WM_ERASEBKGND:
            if (background_) {
                RECT client{};
                GetClientRect(hwnd_, &client);
                FillRect(reinterpret_cast<HDC>(wParam), &client, background_);
                return 1;
            }
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (KeyDown) {
                std::int16_t shift = 0;
                if (GetKeyState(VK_SHIFT) < 0) shift |= kShiftMask;
                if (GetKeyState(VK_CONTROL) < 0) shift |= kCtrlMask;
                if (message == WM_SYSKEYDOWN || GetKeyState(VK_MENU) < 0) shift |= kAltMask;
                KeyDown(static_cast<std::int16_t>(wParam), shift);
            }
            break;
        case WM_SYSCHAR:
            // Alt+Space belongs to the form's key handler, not to a system menu of its own.
            if (wParam == VK_SPACE && KeyDown) return 0;
            break;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            if (RaiseMouse(message, wParam, lParam)) return 0;
            break;
        case WM_ENDSESSION:
            // A false wParam: the end of the session was called off.
            if (wParam && EndSession) EndSession();
            return 0;
        case WM_CLOSE:
            if (queryUnload_ && !queryUnload_()) return 0;
            DestroyWindow(hwnd_);
            return 0;
        case WM_NCDESTROY: {
            const LRESULT result = DefWindowProcW(hwnd_, message, wParam, lParam);
            SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
            const auto closed = reinterpret_cast<kest::platform::Handle>(hwnd_);
            hwnd_ = nullptr;
            toolkit_.FormClosed(closed, startupWindow_);
            return result;
        }
        default: break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace

// ---- toolkit ----

Win32Toolkit::Win32Toolkit() {
    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.style = CS_DBLCLKS;
    form.lpfnWndProc = Win32Form::Procedure;
    form.hInstance = ModuleInstance();
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form.lpszClassName = kFormClass;
    form.hIcon = LoadIconW(ModuleInstance(), L"APPICON");
    RegisterClassExW(&form);
    RegisterControlClasses();
}

std::unique_ptr<Form> Win32Toolkit::CreateForm(const FormDesign& design) {
    return std::make_unique<Win32Form>(*this, design);
}

void Win32Toolkit::FormClosed(Handle hwnd, bool startupWindow) const {
    if ((quitWith_ != 0 && hwnd == quitWith_) || (quitWithStartup_ && startupWindow)) PostQuitMessage(0);
}

MsgBoxResult Win32Toolkit::MsgBox(const Text& text, MsgBoxButtons buttons, MsgBoxIcon icon, const Text& caption) {
    UINT flags = buttons == MsgBoxButtons::YesNo ? MB_YESNO : MB_OK;
    switch (icon) {
        case MsgBoxIcon::Critical: flags |= MB_ICONHAND; break;
        case MsgBoxIcon::Question: flags |= MB_ICONQUESTION; break;
        case MsgBoxIcon::Exclamation: flags |= MB_ICONEXCLAMATION; break;
        case MsgBoxIcon::Information: flags |= MB_ICONASTERISK; break;
        case MsgBoxIcon::None: break;
    }
    switch (MessageBoxW(GetActiveWindow(), Wide(text), Wide(caption), flags)) {
        case IDYES: return MsgBoxResult::Yes;
        case IDNO: return MsgBoxResult::No;
        case IDCANCEL: return MsgBoxResult::Cancel;
        default: return MsgBoxResult::Ok;
    }
}

void Win32Toolkit::DoEvents() {
    // An open menu runs its own loop and reads its keys and clicks from the queue; taking them
    // here would make the menu miss them. That loop dispatches everything else meanwhile.
    if (menuLoops_ > 0) return;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));  // leave it for the main loop
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
        if (menuLoops_ > 0) return;
    }
}

void Win32Toolkit::WaitForEvents(std::int32_t milliseconds) {
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(std::max(0, milliseconds)), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
}

std::uint32_t Win32Toolkit::TickCount() { return GetTickCount(); }

std::int32_t Win32Toolkit::DoubleClickTime() { return static_cast<std::int32_t>(GetDoubleClickTime()); }

int Win32Toolkit::RunMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

double Win32Toolkit::SecondsSinceMidnight() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

std::int32_t Win32Toolkit::ScreenWidthTwips() { return GetSystemMetrics(SM_CXSCREEN) * kTwipsPerPixel; }

std::int32_t Win32Toolkit::ScreenHeightTwips() { return GetSystemMetrics(SM_CYSCREEN) * kTwipsPerPixel; }

Text Win32Toolkit::ProgramDirectory() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            Text path = FromWide(buffer.data(), length);
            const auto slash = path.find_last_of(u"\\/");
            return slash == Text::npos ? Text{} : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

Handle Win32Toolkit::Instance() { return reinterpret_cast<Handle>(ModuleInstance()); }

PictureRef Win32Toolkit::LoadResourcePicture(const Text& name) {
    if (auto it = pictures_.find(name); it != pictures_.end()) return it->second;
    auto* bitmap = static_cast<HBITMAP>(LoadImageW(ModuleInstance(), Wide(name), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    PictureRef picture = bitmap ? std::make_shared<Win32Picture>(bitmap) : nullptr;
    pictures_[name] = picture;
    return picture;
}

bool Win32Toolkit::PrevInstance() {
    // Asked once per process: the first answer stands, and the mutex lives as long as the process.
    static const bool running = [] {
        wchar_t user[256] = L"";
        DWORD length = 256;
        GetUserNameW(user, &length);
        wchar_t path[MAX_PATH] = L"";
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring program = path;
        program = program.substr(program.find_last_of(L"\\/") + 1);
        const std::wstring name = L"Local\\Velvra." + program + L"." + user;
        HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
        return mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
    }();
    return running;
}

bool Win32Toolkit::OpenWebPage(const Text& address) {
    if (!opensWebPages_) return false;
    SHELLEXECUTEINFOW request{};
    request.cbSize = sizeof request;
    request.fMask = SEE_MASK_ASYNCOK | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS;
    request.lpVerb = L"open";
    request.lpFile = Wide(address);
    request.nShow = SW_SHOWNORMAL;
    const bool handed = ShellExecuteExW(&request) != 0;
    if (request.hProcess) CloseHandle(request.hProcess);
    return handed;
}

void Win32Toolkit::EndProcess() { ExitProcess(0); }

}  // namespace kest::platform::win32

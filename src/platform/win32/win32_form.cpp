#include <vector>

#include "platform/win32/text.h"
#include "platform/win32/win32_controls.h"
#include "platform/win32/win32_forms.h"
#include "platform/win32/win32_toolkit.h"

namespace kest::platform::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"Kest35Form";
constexpr UINT kFirstCommandId = 100;
constexpr UINT kFitMaximized = WM_APP + 1;

// How the program was asked to show its main window: a launcher starts the recorder minimised.
// Wine's SW_SHOWDEFAULT does not look this up, so it is read here.
int StartupShowCommand() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    return (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWNORMAL;
}

}  // namespace

void Win32Form::RegisterFormClass() {
    RegisterWindowClass(kFormClass, CS_DBLCLKS, LoadCursorW(nullptr, IDC_ARROW),
                        LoadIconW(ModuleInstance(), L"APPICON"), reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
}

Win32Form::Win32Form(Win32Toolkit& toolkit, const FormDesign& design)
    : toolkit_(toolkit), nextId_(kFirstCommandId), startupWindow_(design.startupWindow) {
    if (startupWindow_) toolkit_.StartupWindowCreated();
    const DWORD style = design.borderless ? WS_POPUP | WS_CLIPCHILDREN : WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    const DWORD exStyle = design.toolWindow ? WS_EX_TOOLWINDOW : 0;
    // The design gives the client size; the window is that plus its frame.
    RECT outer{0, 0, Pixels(design.widthTwips), Pixels(design.heightTwips)};
    AdjustWindowRectEx(&outer, style, FALSE, exStyle);
    const int at = design.borderless ? 0 : CW_USEDEFAULT;
    Create(exStyle, kFormClass, Wide(design.caption), style, at, at, outer.right - outer.left, outer.bottom - outer.top,
           nullptr);
}

// Detached before it is destroyed: a deactivation during the destruction must not reach the
// owner's handlers while the owner is itself being torn down.
Win32Form::~Win32Form() { Destroy(); }

void Win32Form::SetCaption(const Text& caption) { SetWindowTextW(Native(), Wide(caption)); }

Text Win32Form::Caption() const {
    std::vector<wchar_t> buffer(GetWindowTextLengthW(Native()) + 1);
    const int length = GetWindowTextW(Native(), buffer.data(), static_cast<int>(buffer.size()));
    return FromWide(buffer.data(), static_cast<std::size_t>(length));
}

void Win32Form::SetWindowState(WindowState state) {
    ShowWindow(Native(), state == WindowState::Minimized   ? SW_MINIMIZE
                         : state == WindowState::Maximized ? SW_MAXIMIZE
                                                           : SW_RESTORE);
}

WindowState Win32Form::GetWindowState() const {
    return IsIconic(Native())   ? WindowState::Minimized
           : IsZoomed(Native()) ? WindowState::Maximized
                                : WindowState::Normal;
}

void Win32Form::Show() {
    const bool first = !shown_;
    shown_ = true;
    if (startupWindow_ && first) {
        toolkit_.StartupWindowShown();
        ShowWindow(Native(), StartupShowCommand());
    } else if (toolkit_.StartupWindowPending()) {
        // Windows gives the start-up state to the first captioned top-level window shown with
        // SW_SHOW, whichever it is; a form shown before the main window (the menu strip) would
        // take the minimised state meant for the main window. SetWindowPos shows and activates
        // it the same way without that.
        SetWindowPos(Native(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    } else {
        ShowWindow(Native(), SW_SHOW);
    }
}

Rect Win32Form::BoundsTwips() const {
    RECT r{};
    GetWindowRect(Native(), &r);
    const HWND parent = GetAncestor(Native(), GA_PARENT);
    if (parent && parent != GetDesktopWindow()) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return {Twips(r.left), Twips(r.top), Twips(r.right), Twips(r.bottom)};
}

void Win32Form::Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
    // A move that keeps the size is no size change: the frame is not recomputed for it.
    RECT now{};
    GetWindowRect(Native(), &now);
    const bool sameSize = now.right - now.left == Pixels(width) && now.bottom - now.top == Pixels(height);
    SetWindowPos(Native(), nullptr, Pixels(left), Pixels(top), Pixels(width), Pixels(height),
                 SWP_NOZORDER | SWP_NOACTIVATE | (sameSize ? SWP_NOSIZE : 0));
}

std::int32_t Win32Form::ScaleWidth() const {
    RECT client{};
    GetClientRect(Native(), &client);
    return Twips(client.right);
}

std::int32_t Win32Form::ScaleHeight() const {
    RECT client{};
    GetClientRect(Native(), &client);
    return Twips(client.bottom);
}

void Win32Form::SetBackColor(std::uint32_t rgb) {
    background_.reset(CreateSolidBrush(rgb));
    InvalidateRect(Native(), nullptr, TRUE);
}

float Win32Form::TextWidth(const Text& text) {
    const WindowDC dc(Native());
    const Selection font(dc.get(), UiFont());
    SIZE size{};
    GetTextExtentPoint32W(dc.get(), Wide(text), static_cast<int>(text.size()), &size);
    return static_cast<float>(Twips(size.cx));
}

Rect Win32Form::MenuBarRect() const {
    MENUBARINFO bar{};
    bar.cbSize = sizeof bar;
    RECT last{};
    if (!menuBar_ || !GetMenuBarInfo(Native(), OBJID_MENU, 0, &bar) ||
        !GetMenuItemRect(Native(), menuBar_, static_cast<UINT>(GetMenuItemCount(menuBar_) - 1), &last)) {
        return {};
    }
    RECT window{};
    GetWindowRect(Native(), &window);
    // The titles are drawn in the bar's top rows, as many as the bar has at 96 dpi.
    return {bar.rcBar.left - window.left, bar.rcBar.top - window.top, last.right - window.left,
            bar.rcBar.top - window.top + ToDesign(bar.rcBar.bottom - bar.rcBar.top)};
}

std::unique_ptr<PictureBox> Win32Form::CreatePictureBox(Rect boundsTwips, PictureBox* container) {
    return MakePictureBox(container ? reinterpret_cast<HWND>(container->Hwnd()) : Native(), boundsTwips);
}

std::unique_ptr<Label> Win32Form::CreateLabel(Rect boundsTwips, const Text& caption, PictureBox* container) {
    return MakeLabel(container ? reinterpret_cast<HWND>(container->Hwnd()) : Native(), boundsTwips, caption);
}

std::unique_ptr<MenuItem> Win32Form::CreateMenuItem(MenuItem* parent, const Text& caption) {
    const UINT id = NextId();
    std::unique_ptr<Win32MenuItem> item;
    if (parent == nullptr) {
        if (!menuBar_) {
            menuBar_ = CreateMenu();
            SetMenu(Native(), menuBar_);
        }
        HMENU popup = CreatePopupMenu();
        // The form draws the title itself (win32_menu_titles.cpp); the text stays the item's,
        // for its access key.
        MENUITEMINFOW title{};
        title.cbSize = sizeof title;
        title.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU | MIIM_ID;
        title.fType = MFT_OWNERDRAW;
        title.wID = id;
        title.hSubMenu = popup;
        title.dwTypeData = const_cast<wchar_t*>(Wide(caption));
        InsertMenuItemW(menuBar_, static_cast<UINT>(GetMenuItemCount(menuBar_)), TRUE, &title);
        item = std::make_unique<Win32MenuItem>(*this, menuBar_, GetMenuItemCount(menuBar_) - 1, id, popup, caption);
    } else {
        HMENU owner = static_cast<Win32MenuItem*>(parent)->MakeSubmenu();
        AppendMenuW(owner, MF_STRING, id, Wide(caption));
        item = std::make_unique<Win32MenuItem>(*this, owner, GetMenuItemCount(owner) - 1, id, nullptr, caption);
    }
    Register(id, item.get());
    DrawMenuBar(Native());
    return item;
}

// Forms hear the left and right buttons; every such message is theirs whether a handler is set.
bool Win32Form::RaiseFormMouse(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MBUTTONDOWN || message == WM_MBUTTONUP) return false;
    const std::optional<MouseMessage> mouse = DecodeMouse(message, wParam, lParam);
    if (!mouse || mouse->kind == MouseMessage::DoubleClick) return false;
    RaiseMouse(*mouse, MouseDown, MouseUp, MouseMove);
    return true;
}

// Without a window manager a maximised window that gets a region while it is being maximised
// keeps its old size; sizing it again to the maximised rectangle gives it the full size.
void Win32Form::FillMaximizedRect() {
    const HWND hwnd = Native();
    if (fittingMaximized_ || !IsZoomed(hwnd) || GetAncestor(hwnd, GA_PARENT) != GetDesktopWindow()) return;
    MINMAXINFO limits{};
    const int frameX = GetSystemMetrics(SM_CXSIZEFRAME), frameY = GetSystemMetrics(SM_CYSIZEFRAME);
    limits.ptMaxSize = {GetSystemMetrics(SM_CXSCREEN) + 2 * frameX, GetSystemMetrics(SM_CYSCREEN) + 2 * frameY};
    limits.ptMaxPosition = {-frameX, -frameY};
    limits.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    limits.ptMaxTrackSize = {GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    SendMessageW(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    fittingMaximized_ = true;
    // The system already counts the window as that size, so the same rectangle would change
    // nothing on the screen; the frame change makes it lay the window out again.
    SetWindowPos(hwnd, nullptr, limits.ptMaxPosition.x, limits.ptMaxPosition.y, limits.ptMaxSize.x, limits.ptMaxSize.y,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    fittingMaximized_ = false;
}

LRESULT Win32Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // A handler may unload the form and its owner free it; nothing of the object is used after
    // the handler but this copy of the handle.
    const HWND hwnd = Native();
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
        case WM_MEASUREITEM:
            if (wParam == 0 && MeasureTitle(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam))) return TRUE;
            break;
        case WM_DRAWITEM:
            if (wParam == 0 && DrawTitle(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
            break;
        case WM_MENUCHAR:
            if (menuBar_ && reinterpret_cast<HMENU>(lParam) == menuBar_) {
                return TitleForKey(static_cast<wchar_t>(LOWORD(wParam)));
            }
            break;
        case WM_ENTERMENULOOP: toolkit_.MenuLoop(true); break;
        case WM_EXITMENULOOP: toolkit_.MenuLoop(false); break;
        case WM_SIZE:
            if (Resize) Resize();
            if (wParam == SIZE_MAXIMIZED && !fittingMaximized_) PostMessageW(Native(), kFitMaximized, 0, 0);
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
                GetClientRect(Native(), &client);
                FillRect(reinterpret_cast<HDC>(wParam), &client, background_.get());
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
        case WM_ENDSESSION:
            // A false wParam: the end of the session was called off.
            if (wParam && EndSession) EndSession();
            return 0;
        case WM_CLOSE:
            if (queryUnload_ && !queryUnload_()) return 0;
            DestroyWindow(Native());
            return 0;
        default:
            if (RaiseFormMouse(message, wParam, lParam)) return 0;
            break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void Win32Form::Destroyed(HWND former) {
    menuBar_ = nullptr;
    toolkit_.FormClosed(reinterpret_cast<Handle>(former), startupWindow_);
}

}  // namespace kest::platform::win32

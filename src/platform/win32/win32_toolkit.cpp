#include "platform/win32/win32_toolkit.h"

#include <windows.h>

#include <cmath>
#include <map>
#include <vector>

#include "platform/win32/text.h"

namespace kest::platform::win32 {

namespace {

constexpr wchar_t kFormClass[] = L"Kest35Form";
constexpr wchar_t kPictureClass[] = L"Kest35Picture";
constexpr UINT kFirstCommandId = 100;

int Pixels(std::int32_t twips) { return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel)); }

HINSTANCE ModuleInstance() { return GetModuleHandleW(nullptr); }

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

// The persistent image is a screen-compatible bitmap selected into a memory DC; painting
// copies it to the window and saving reads it back as a DIB.
class Win32PictureBox : public PictureBox {
public:
    Win32PictureBox(HWND parent, Rect boundsTwips);
    ~Win32PictureBox() override;
    void SetSizeTwips(std::int32_t widthTwips, std::int32_t heightTwips) override;
    std::int32_t WidthPixels() const override { return width_; }
    std::int32_t HeightPixels() const override { return height_; }
    void SetBackColor(std::uint32_t rgb) override {
        backColor_ = rgb;
        Clear();
    }
    void RemovePicture() override {
        DropPicture();
        Clear();
    }
    Handle Hdc() override { return reinterpret_cast<Handle>(memory_); }
    bool LoadClipboardBitmap() override;
    void PaintPicture(std::int32_t xTwips, std::int32_t yTwips, std::int32_t widthTwips,
                      std::int32_t heightTwips) override;
    bool SaveImage(const Text& path) override;
    void Paint(HDC target) const { BitBlt(target, 0, 0, width_, height_, memory_, 0, 0, SRCCOPY); }

private:
    void CreateImage(int width, int height);
    void Clear();
    void DropPicture() {
        if (picture_) DeleteObject(picture_);
        picture_ = nullptr;
    }
    HWND hwnd_ = nullptr;
    HBITMAP picture_ = nullptr;  // our own copy of the loaded picture
    const std::uint8_t* sectionBits_ = nullptr;  // the image's memory when it is a DIB section
    int sectionBitCount_ = 0;
    HDC memory_ = nullptr;
    HBITMAP image_ = nullptr;
    HGDIOBJ originalBitmap_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    std::uint32_t backColor_ = GetSysColor(COLOR_BTNFACE);
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
    void Show() override { ShowWindow(hwnd_, SW_SHOW); }
    void Hide() override { ShowWindow(hwnd_, SW_HIDE); }
    bool Visible() const override { return IsWindowVisible(hwnd_) != 0; }
    void OnQueryUnload(std::function<bool()> handler) override { queryUnload_ = std::move(handler); }
    void Close() override {
        if (hwnd_) PostMessageW(hwnd_, WM_CLOSE, 0, 0);
    }

    std::unique_ptr<PictureBox> CreatePictureBox(Rect boundsTwips) override {
        return std::make_unique<Win32PictureBox>(hwnd_, boundsTwips);
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

    Win32Toolkit& toolkit_;
    HWND hwnd_ = nullptr;
    HMENU menuBar_ = nullptr;
    UINT nextId_ = kFirstCommandId;
    std::map<UINT, Win32Timer*> timers_;
    std::map<UINT, Win32MenuItem*> items_;
    std::function<bool()> queryUnload_;
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

// ---- picture boxes ----

LRESULT CALLBACK PictureProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        if (auto* box = reinterpret_cast<Win32PictureBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) box->Paint(dc);
        EndPaint(hwnd, &paint);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

Win32PictureBox::Win32PictureBox(HWND parent, Rect b) {
    hwnd_ = CreateWindowExW(0, kPictureClass, L"", WS_CHILD | WS_VISIBLE, Pixels(b.left), Pixels(b.top),
                            Pixels(b.right - b.left), Pixels(b.bottom - b.top), parent, nullptr, ModuleInstance(),
                            nullptr);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    HDC screen = GetDC(nullptr);
    memory_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    CreateImage(Pixels(b.right - b.left), Pixels(b.bottom - b.top));
}

Win32PictureBox::~Win32PictureBox() {
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    if (originalBitmap_) SelectObject(memory_, originalBitmap_);
    if (image_) DeleteObject(image_);
    DropPicture();
    if (memory_) DeleteDC(memory_);
}

int DisplayBitCount() {
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    ReleaseDC(nullptr, screen);
    return bits;
}

void Win32PictureBox::CreateImage(int width, int height) {
    width_ = width > 0 ? width : 1;
    height_ = height > 0 ? height : 1;
    const int displayBits = DisplayBitCount();
    HBITMAP image = nullptr;
    void* bits = nullptr;
    if (displayBits >= 24) {
        // On a true-colour display the image is a DIB section in the display's format, so that
        // saving a frame writes its memory as it stands instead of converting it first.
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = static_cast<WORD>(displayBits);
        info.bmiHeader.biCompression = BI_RGB;
        image = CreateDIBSection(memory_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    }
    if (!image) {
        HDC screen = GetDC(nullptr);
        image = CreateCompatibleBitmap(screen, width_, height_);
        ReleaseDC(nullptr, screen);
        bits = nullptr;
    }
    HGDIOBJ previous = SelectObject(memory_, image);
    if (!originalBitmap_) originalBitmap_ = previous;
    if (image_) DeleteObject(image_);
    image_ = image;
    sectionBits_ = static_cast<const std::uint8_t*>(bits);
    sectionBitCount_ = bits ? displayBits : 0;
    Clear();
}

void Win32PictureBox::Clear() {
    RECT all{0, 0, width_, height_};
    HBRUSH brush = CreateSolidBrush(backColor_);
    FillRect(memory_, &all, brush);
    DeleteObject(brush);
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void Win32PictureBox::SetSizeTwips(std::int32_t widthTwips, std::int32_t heightTwips) {
    const int width = Pixels(widthTwips);
    const int height = Pixels(heightTwips);
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (width != width_ || height != height_) CreateImage(width, height);
}

bool Win32PictureBox::LoadClipboardBitmap() {
    if (!OpenClipboard(hwnd_)) return false;
    // The clipboard keeps its bitmap; the box works on a copy of it.
    HANDLE shared = GetClipboardData(CF_BITMAP);
    HBITMAP copy = shared ? static_cast<HBITMAP>(CopyImage(shared, IMAGE_BITMAP, 0, 0, 0)) : nullptr;
    CloseClipboard();
    if (!copy) return false;
    DropPicture();
    picture_ = copy;
    return true;
}

void Win32PictureBox::PaintPicture(std::int32_t xTwips, std::int32_t yTwips, std::int32_t widthTwips,
                                   std::int32_t heightTwips) {
    if (!picture_) return;
    BITMAP size{};
    GetObjectW(picture_, sizeof size, &size);
    HDC source = CreateCompatibleDC(memory_);
    HGDIOBJ previous = SelectObject(source, picture_);
    const int width = Pixels(widthTwips);
    const int height = Pixels(heightTwips);
    if (width == size.bmWidth && height == size.bmHeight) {
        BitBlt(memory_, Pixels(xTwips), Pixels(yTwips), width, height, source, 0, 0, SRCCOPY);
    } else {
        SetStretchBltMode(memory_, HALFTONE);
        StretchBlt(memory_, Pixels(xTwips), Pixels(yTwips), width, height, source, 0, 0, size.bmWidth, size.bmHeight,
                   SRCCOPY);
    }
    SelectObject(source, previous);
    DeleteDC(source);
    InvalidateRect(hwnd_, nullptr, FALSE);
}

// Screen copies leave the unused fourth byte of 32-bit pixels 0, which readers take for
// alpha and show as a transparent picture. One pass over the canvas in place, no copy: about
// 1.5 ms a full-HD frame whether bytes or whole words are written (bench/capture.sh).
static void MakeOpaque(std::uint8_t* pixels, std::size_t bytes) {
    auto* words = reinterpret_cast<std::uint32_t*>(pixels);
    for (std::size_t i = 0, n = bytes / 4; i < n; ++i) words[i] |= 0xFF000000u;
}

bool Win32PictureBox::SaveImage(const Text& path) {
    const int displayBits = sectionBits_ ? sectionBitCount_ : DisplayBitCount();
    const int bitCount = displayBits >= 24 ? displayBits : displayBits == 16 ? 16 : 8;
    const int colours = bitCount <= 8 ? 1 << bitCount : 0;

    std::vector<std::uint8_t> infoBlock(sizeof(BITMAPINFOHEADER) + colours * sizeof(RGBQUAD));
    auto* info = reinterpret_cast<BITMAPINFO*>(infoBlock.data());
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width_;
    info->bmiHeader.biHeight = height_;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = static_cast<WORD>(bitCount);
    info->bmiHeader.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width_) * bitCount + 31) / 32 * 4;
    const DWORD imageSize = stride * static_cast<DWORD>(height_);
    info->bmiHeader.biSizeImage = imageSize;
    info->bmiHeader.biClrUsed = static_cast<DWORD>(colours);

    const std::uint8_t* pixels = sectionBits_;
    std::vector<std::uint8_t> converted;
    if (pixels) {
        GdiFlush();  // drawing into the section may still be queued
        if (bitCount == 32) MakeOpaque(const_cast<std::uint8_t*>(sectionBits_), imageSize);
    } else {
        converted.resize(imageSize);
        // GetDIBits wants the bitmap out of every device context while it reads.
        SelectObject(memory_, originalBitmap_);
        const int rows =
            GetDIBits(memory_, image_, 0, static_cast<UINT>(height_), converted.data(), info, DIB_RGB_COLORS);
        SelectObject(memory_, image_);
        if (rows != height_) return false;
        info->bmiHeader.biSizeImage = imageSize;  // some drivers clear it
        if (bitCount == 32) MakeOpaque(converted.data(), imageSize);
        pixels = converted.data();
    }

    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = static_cast<DWORD>(sizeof header + infoBlock.size());
    header.bfSize = header.bfOffBits + imageSize;
    HANDLE file = CreateFileW(Wide(path), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, &header, sizeof header, &written, nullptr) && written == sizeof header;
    ok = ok && WriteFile(file, infoBlock.data(), static_cast<DWORD>(infoBlock.size()), &written, nullptr) &&
         written == infoBlock.size();
    ok = ok && WriteFile(file, pixels, imageSize, &written, nullptr) && written == imageSize;
    CloseHandle(file);
    return ok;
}

// ---- forms ----

Win32Form::Win32Form(Win32Toolkit& toolkit, const FormDesign& design) : toolkit_(toolkit) {
    hwnd_ = CreateWindowExW(0, kFormClass, Wide(design.caption), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                            Pixels(design.widthTwips), Pixels(design.heightTwips), nullptr, nullptr, ModuleInstance(),
                            this);
}

Win32Form::~Win32Form() {
    if (hwnd_) DestroyWindow(hwnd_);
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
        case WM_CLOSE:
            if (queryUnload_ && !queryUnload_()) return 0;
            DestroyWindow(hwnd_);
            return 0;
        case WM_NCDESTROY: {
            const LRESULT result = DefWindowProcW(hwnd_, message, wParam, lParam);
            SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
            const auto closed = reinterpret_cast<kest::platform::Handle>(hwnd_);
            hwnd_ = nullptr;
            toolkit_.FormClosed(closed);
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
    form.lpfnWndProc = Win32Form::Procedure;
    form.hInstance = ModuleInstance();
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form.lpszClassName = kFormClass;
    RegisterClassExW(&form);

    WNDCLASSEXW picture{};
    picture.cbSize = sizeof picture;
    picture.lpfnWndProc = PictureProcedure;
    picture.hInstance = ModuleInstance();
    picture.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    picture.lpszClassName = kPictureClass;
    RegisterClassExW(&picture);
}

std::unique_ptr<Form> Win32Toolkit::CreateForm(const FormDesign& design) {
    return std::make_unique<Win32Form>(*this, design);
}

void Win32Toolkit::FormClosed(Handle hwnd) const {
    if (quitWith_ != 0 && hwnd == quitWith_) PostQuitMessage(0);
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
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));  // leave it for the main loop
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

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

}  // namespace kest::platform::win32

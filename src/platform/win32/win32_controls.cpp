#include "platform/win32/win32_controls.h"

#include <windowsx.h>

#include <cmath>
#include <vector>

#include "platform/win32/text.h"
#include "platform/win32/win32_toolkit.h"

namespace kest::platform::win32 {

int Pixels(std::int32_t twips) { return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel)); }

HINSTANCE ModuleInstance() { return GetModuleHandleW(nullptr); }

HFONT UiFont() {
    static HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    return font;
}

namespace {

std::int32_t Twips(int pixels) { return pixels * kTwipsPerPixel; }

}  // namespace

std::int16_t ShiftState(WPARAM keys) {
    std::int16_t shift = 0;
    if (keys & MK_SHIFT) shift |= kShiftMask;
    if (keys & MK_CONTROL) shift |= kCtrlMask;
    if (GetKeyState(VK_MENU) < 0) shift |= kAltMask;
    return shift;
}

std::int16_t HeldButtons(WPARAM keys) {
    std::int16_t held = 0;
    if (keys & MK_LBUTTON) held |= kLeftButton;
    if (keys & MK_RBUTTON) held |= kRightButton;
    if (keys & MK_MBUTTON) held |= kMiddleButton;
    return held;
}

namespace {

LPCWSTR CursorFor(std::int16_t pointer) {
    switch (pointer) {
        case kPointerSizeNESW: return IDC_SIZENESW;
        case kPointerSizeNS: return IDC_SIZENS;
        case kPointerSizeNWSE: return IDC_SIZENWSE;
        case kPointerSizeWE: return IDC_SIZEWE;
        default: return IDC_ARROW;
    }
}

HWND ParentOf(HWND hwnd) { return GetAncestor(hwnd, GA_PARENT); }

}  // namespace

// ---- pictures ----

Win32Picture::Win32Picture(HBITMAP bitmap) : bitmap_(bitmap) {
    BITMAP info{};
    if (bitmap_ && GetObjectW(bitmap_, sizeof info, &info)) {
        width_ = info.bmWidth;
        height_ = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    }
}

Win32Picture::~Win32Picture() {
    if (bitmap_) DeleteObject(bitmap_);
}

// ---- shared control behaviour ----

namespace {
class WindowDispatch {
public:
    virtual ~WindowDispatch() = default;
    virtual LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

LRESULT CALLBACK ControlProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto* control = reinterpret_cast<WindowDispatch*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
        return control->Dispatch(hwnd, message, wParam, lParam);
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
}  // namespace

ControlWindow::ControlWindow(Control& events, HWND parent, Rect b, const wchar_t* className) : events_(events) {
    hwnd_ = CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, Pixels(b.left), Pixels(b.top),
                            Pixels(b.right - b.left), Pixels(b.bottom - b.top), parent, nullptr, ModuleInstance(),
                            nullptr);
    // As in a form designer, a control added later lies above those added before it.
    SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

ControlWindow::~ControlWindow() {
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

Rect ControlWindow::Bounds() const {
    RECT r{};
    if (!IsWindow(hwnd_)) return {};
    GetWindowRect(hwnd_, &r);
    MapWindowPoints(HWND_DESKTOP, ParentOf(hwnd_), reinterpret_cast<POINT*>(&r), 2);
    return {Twips(r.left), Twips(r.top), Twips(r.right), Twips(r.bottom)};
}

void ControlWindow::MoveTo(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
    SetWindowPos(hwnd_, nullptr, Pixels(left), Pixels(top), std::max(0, Pixels(width)), std::max(0, Pixels(height)),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void ControlWindow::SetPointer(std::int16_t pointer) {
    pointer_ = pointer;
    POINT at{};
    GetCursorPos(&at);
    if (GetCapture() == hwnd_ || WindowFromPoint(at) == hwnd_) SetCursor(LoadCursorW(nullptr, CursorFor(pointer_)));
}

bool ControlWindow::HandleMouse(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const auto x = static_cast<float>(Twips(GET_X_LPARAM(lParam)));
    const auto y = static_cast<float>(Twips(GET_Y_LPARAM(lParam)));
    const std::int16_t shift = ShiftState(wParam);
    const HWND self = hwnd_;
    std::int16_t button = 0;
    switch (message) {
        case WM_SETCURSOR:
            if (LOWORD(lParam) != HTCLIENT) return false;
            SetCursor(LoadCursorW(nullptr, CursorFor(pointer_)));
            result = TRUE;
            return true;
        case WM_MOUSEMOVE:
            if (events_.MouseMove) events_.MouseMove(HeldButtons(wParam), shift, x, y);
            result = 0;
            return true;
        case WM_LBUTTONDOWN: button = kLeftButton; break;
        case WM_RBUTTONDOWN: button = kRightButton; break;
        case WM_MBUTTONDOWN: button = kMiddleButton; break;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: {
            button = message == WM_LBUTTONUP ? kLeftButton : message == WM_RBUTTONUP ? kRightButton : kMiddleButton;
            const bool click = pressed_;
            pressed_ = false;
            // The control took the mouse when the button went down; it lets go once none is held.
            if (HeldButtons(wParam) == 0 && GetCapture() == self) ReleaseCapture();
            if (events_.MouseUp) events_.MouseUp(button, shift, x, y);
            if (!IsWindow(self)) return true;
            RECT client{};
            GetClientRect(self, &client);
            const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (click && PtInRect(&client, at) && events_.Click) events_.Click();
            result = 0;
            return true;
        }
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
            if (events_.DblClick) events_.DblClick();
            result = 0;
            return true;
        default: return false;
    }
    // A press: the control follows the mouse until the button comes up, wherever it goes.
    pressed_ = true;
    if (GetCapture() != self) SetCapture(self);
    if (events_.MouseDown) events_.MouseDown(button, shift, x, y);
    result = 0;
    return true;
}

// ---- picture boxes ----

namespace {

int DisplayBitCount() {
    HDC screen = GetDC(nullptr);
    const int bits = GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES);
    ReleaseDC(nullptr, screen);
    return bits;
}

// Screen copies leave the unused fourth byte of 32-bit pixels 0, which readers take for
// alpha and show as a transparent picture. One pass over the canvas in place, no copy.
void MakeOpaque(std::uint8_t* pixels, std::size_t bytes) {
    auto* words = reinterpret_cast<std::uint32_t*>(pixels);
    for (std::size_t i = 0, n = bytes / 4; i < n; ++i) words[i] |= 0xFF000000u;
}

// Writes the pixels a megabyte at a time, each part made opaque first when asked while it is
// still in the processor's cache, instead of one pass over the whole image and another to write.
bool WritePixels(HANDLE file, std::uint8_t* pixels, DWORD bytes, bool opaque) {
    constexpr DWORD kPart = 1 << 20;
    for (DWORD at = 0; at < bytes;) {
        const DWORD part = std::min(kPart, bytes - at);
        if (opaque) MakeOpaque(pixels + at, part);
        DWORD written = 0;
        if (!WriteFile(file, pixels + at, part, &written, nullptr) || written != part) return false;
        at += part;
    }
    return true;
}

// The persistent image is a bitmap selected into a memory DC; painting copies it to the window
// and saving reads it back as a DIB.
class Win32PictureBox : public PictureBox, public ControlWindow, public WindowDispatch {
public:
    Win32PictureBox(HWND parent, Rect boundsTwips);
    ~Win32PictureBox() override;

    Handle Hwnd() const override { return reinterpret_cast<Handle>(hwnd_); }
    Rect BoundsTwips() const override { return Bounds(); }
    void Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override;
    void SetVisible(bool visible) override { ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }
    bool Visible() const override { return (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }
    void ZOrderTop() override { SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); }
    void SetMousePointer(std::int16_t pointer) override { SetPointer(pointer); }
    std::int16_t MousePointer() const override { return Pointer(); }

    void SetSizeTwips(std::int32_t widthTwips, std::int32_t heightTwips) override;
    std::int32_t WidthPixels() const override { return width_; }
    std::int32_t HeightPixels() const override { return height_; }
    void SetBackColor(std::uint32_t rgb) override {
        backColor_ = rgb;
        Clear();
    }
    std::uint32_t BackColor() const override { return backColor_; }
    void RemovePicture() override {
        picture_.reset();
        Clear();
    }
    void SetPicture(PictureRef picture) override {
        picture_ = std::move(picture);
        Clear();
    }
    PictureRef GetPicture() const override { return picture_; }
    void Cls() override;
    Handle Hdc() override { return reinterpret_cast<Handle>(memory_); }
    bool LoadClipboardBitmap() override;
    void PaintPicture(std::int32_t xTwips, std::int32_t yTwips, std::int32_t widthTwips,
                      std::int32_t heightTwips) override;
    void DrawPicture(const PictureRef& picture, std::int32_t x, std::int32_t y, std::int32_t width,
                     std::int32_t height, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                     std::int32_t sh) override;
    void SetAutoRedraw(bool on) override { autoRedraw_ = on; }
    void Line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::uint32_t rgb) override;
    void FillBox(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::uint32_t rgb) override;
    std::uint32_t PointColor(std::int32_t x, std::int32_t y) override;
    void SetForeColor(std::uint32_t rgb) override { foreColor_ = rgb; }
    std::uint32_t ForeColor() const override { return foreColor_; }
    void DrawText(const Text& text, float x, float y) override;
    float TextWidth(const Text& text) override { return static_cast<float>(Twips(Extent(text).cx)); }
    float TextHeight(const Text& text) override { return static_cast<float>(Twips(Extent(text).cy)); }
    void Refresh() override;
    bool SaveImage(const Text& path) override;

    LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    // Copies the part of the persistent image under a child window, for labels drawn over it.
    void CopyImage(HDC target, const RECT& area) const {
        BitBlt(target, 0, 0, area.right - area.left, area.bottom - area.top, memory_, area.left, area.top, SRCCOPY);
    }

private:
    void CreateImage(int width, int height);
    void Clear();
    void Invalidate() {
        if (!GetUpdateRect(hwnd_, nullptr, FALSE)) selfInvalidated_ = true;
        InvalidateRect(hwnd_, nullptr, FALSE);
    }
    SIZE Extent(const Text& text) const;
    // Where drawing goes: the persistent image, or the window alone. Release with EndDraw.
    HDC BeginDraw();
    void EndDraw(HDC dc);

    PictureRef picture_;
    const std::uint8_t* sectionBits_ = nullptr;  // the image's memory when it is a DIB section
    int sectionBitCount_ = 0;
    HDC memory_ = nullptr;
    HBITMAP image_ = nullptr;
    HGDIOBJ originalBitmap_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    std::uint32_t backColor_ = GetSysColor(COLOR_BTNFACE);
    std::uint32_t foreColor_ = GetSysColor(COLOR_BTNTEXT);
    bool autoRedraw_ = true;
    bool painting_ = false;
    bool selfInvalidated_ = false;
};

Win32PictureBox::Win32PictureBox(HWND parent, Rect b) : ControlWindow(*this, parent, b, kPictureClass) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(static_cast<WindowDispatch*>(this)));
    HDC screen = GetDC(nullptr);
    memory_ = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    SelectObject(memory_, UiFont());
    CreateImage(Pixels(b.right - b.left), Pixels(b.bottom - b.top));
}

Win32PictureBox::~Win32PictureBox() {
    if (hwnd_ && IsWindow(hwnd_)) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    if (originalBitmap_) SelectObject(memory_, originalBitmap_);
    if (image_) DeleteObject(image_);
    if (memory_) DeleteDC(memory_);
}

LRESULT Win32PictureBox::Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleMouse(message, wParam, lParam, result)) return result;
    switch (message) {
        case WM_PAINT: {
            // Only a repaint the system asks for is the control's paint event; showing what the
            // program itself just drew must not start the event that draws over it.
            if (Paint && !painting_ && !selfInvalidated_) {
                painting_ = true;
                Paint();
                painting_ = false;
            }
            selfInvalidated_ = false;
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(hwnd, &paint);
            BitBlt(dc, 0, 0, width_, height_, memory_, 0, 0, SRCCOPY);
            EndPaint(hwnd, &paint);
            return 0;
        }
        case WM_ERASEBKGND: return 1;
        case WM_SHOWWINDOW:
            if (wParam && Shown) Shown();
            break;
        case WM_SIZE:
            if (Resize) Resize();
            break;
        default: break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
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
    if (picture_) {
        HDC source = CreateCompatibleDC(memory_);
        HGDIOBJ previous = SelectObject(source, reinterpret_cast<HBITMAP>(picture_->Bitmap()));
        BitBlt(memory_, 0, 0, picture_->WidthPixels(), picture_->HeightPixels(), source, 0, 0, SRCCOPY);
        SelectObject(source, previous);
        DeleteDC(source);
    }
    Invalidate();
}

void Win32PictureBox::Cls() {
    if (autoRedraw_) {
        Clear();
        return;
    }
    // Only the window was drawn on: showing the persistent image again clears it.
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void Win32PictureBox::Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
    MoveTo(left, top, width, height);
    const int w = std::max(1, Pixels(width));
    const int h = std::max(1, Pixels(height));
    if (w != width_ || h != height_) CreateImage(w, h);
}

void Win32PictureBox::SetSizeTwips(std::int32_t widthTwips, std::int32_t heightTwips) {
    const int width = Pixels(widthTwips);
    const int height = Pixels(heightTwips);
    SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (width != width_ || height != height_) CreateImage(width, height);
}

HDC Win32PictureBox::BeginDraw() {
    if (autoRedraw_) return memory_;
    HDC dc = GetDC(hwnd_);
    SelectObject(dc, UiFont());
    return dc;
}

void Win32PictureBox::EndDraw(HDC dc) {
    if (dc == memory_) {
        Invalidate();
    } else {
        ReleaseDC(hwnd_, dc);
    }
}

void Win32PictureBox::Line(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::uint32_t rgb) {
    HDC dc = BeginDraw();
    HPEN pen = CreatePen(PS_SOLID, 1, rgb);
    HGDIOBJ previous = SelectObject(dc, pen);
    MoveToEx(dc, Pixels(x1), Pixels(y1), nullptr);
    LineTo(dc, Pixels(x2), Pixels(y2));
    SelectObject(dc, previous);
    DeleteObject(pen);
    EndDraw(dc);
}

void Win32PictureBox::FillBox(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                              std::uint32_t rgb) {
    HDC dc = BeginDraw();
    RECT area{Pixels(std::min(x1, x2)), Pixels(std::min(y1, y2)), Pixels(std::max(x1, x2)), Pixels(std::max(y1, y2))};
    HBRUSH brush = CreateSolidBrush(rgb);
    FillRect(dc, &area, brush);
    DeleteObject(brush);
    EndDraw(dc);
}

std::uint32_t Win32PictureBox::PointColor(std::int32_t x, std::int32_t y) {
    GdiFlush();
    return GetPixel(memory_, Pixels(x), Pixels(y));
}

SIZE Win32PictureBox::Extent(const Text& text) const {
    SIZE size{0, 0};
    GetTextExtentPoint32W(memory_, Wide(text), static_cast<int>(text.size()), &size);
    return size;
}

void Win32PictureBox::DrawText(const Text& text, float x, float y) {
    if (text.empty()) return;
    HDC dc = BeginDraw();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, foreColor_);
    TextOutW(dc, static_cast<int>(std::lround(x / kTwipsPerPixel)), static_cast<int>(std::lround(y / kTwipsPerPixel)),
             Wide(text), static_cast<int>(text.size()));
    EndDraw(dc);
}

void Win32PictureBox::Refresh() {
    // Inside the repaint itself the image is about to be shown anyway; asking again would loop.
    if (painting_) return;
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

bool Win32PictureBox::LoadClipboardBitmap() {
    if (!OpenClipboard(hwnd_)) return false;
    // The clipboard keeps its bitmap; the box works on a copy of it.
    HANDLE shared = GetClipboardData(CF_BITMAP);
    HBITMAP copy = shared ? static_cast<HBITMAP>(::CopyImage(shared, IMAGE_BITMAP, 0, 0, 0)) : nullptr;
    CloseClipboard();
    if (!copy) return false;
    picture_ = std::make_shared<Win32Picture>(copy);
    return true;
}

void Win32PictureBox::PaintPicture(std::int32_t xTwips, std::int32_t yTwips, std::int32_t widthTwips,
                                   std::int32_t heightTwips) {
    if (!picture_) return;
    DrawPicture(picture_, xTwips, yTwips, widthTwips, heightTwips, 0, 0, picture_->WidthPixels() * kTwipsPerPixel,
                picture_->HeightPixels() * kTwipsPerPixel);
}

void Win32PictureBox::DrawPicture(const PictureRef& picture, std::int32_t x, std::int32_t y, std::int32_t width,
                                  std::int32_t height, std::int32_t sx, std::int32_t sy, std::int32_t sw,
                                  std::int32_t sh) {
    if (!picture) return;
    HDC dc = BeginDraw();
    HDC source = CreateCompatibleDC(memory_);
    HGDIOBJ previous = SelectObject(source, reinterpret_cast<HBITMAP>(picture->Bitmap()));
    const int w = Pixels(width), h = Pixels(height), sourceW = Pixels(sw), sourceH = Pixels(sh);
    if (w == sourceW && h == sourceH) {
        BitBlt(dc, Pixels(x), Pixels(y), w, h, source, Pixels(sx), Pixels(sy), SRCCOPY);
    } else {
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, Pixels(x), Pixels(y), w, h, source, Pixels(sx), Pixels(sy), sourceW, sourceH, SRCCOPY);
    }
    SelectObject(source, previous);
    DeleteDC(source);
    EndDraw(dc);
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

    auto* pixels = const_cast<std::uint8_t*>(sectionBits_);
    std::vector<std::uint8_t> converted;
    if (pixels) {
        GdiFlush();  // drawing into the section may still be queued
    } else {
        converted.resize(imageSize);
        // GetDIBits wants the bitmap out of every device context while it reads.
        SelectObject(memory_, originalBitmap_);
        const int rows =
            GetDIBits(memory_, image_, 0, static_cast<UINT>(height_), converted.data(), info, DIB_RGB_COLORS);
        SelectObject(memory_, image_);
        if (rows != height_) return false;
        info->bmiHeader.biSizeImage = imageSize;  // some drivers clear it
        pixels = converted.data();
    }

    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;
    header.bfOffBits = static_cast<DWORD>(sizeof header + infoBlock.size());
    header.bfSize = header.bfOffBits + imageSize;
    // The frame file is rewritten many times a second at the same size: writing over the old
    // one and cutting it at its new end costs a seventh of truncating it first, which makes the
    // system free and then find again the file's every block (8 against 1 ms a full-HD frame).
    HANDLE file = CreateFileW(Wide(path), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, &header, sizeof header, &written, nullptr) && written == sizeof header;
    ok = ok && WriteFile(file, infoBlock.data(), static_cast<DWORD>(infoBlock.size()), &written, nullptr) &&
         written == infoBlock.size();
    ok = ok && WritePixels(file, pixels, imageSize, bitCount == 32);
    ok = ok && SetEndOfFile(file);
    CloseHandle(file);
    return ok;
}

// ---- labels ----

// A caption drawn over whatever its container shows beneath it.
class Win32Label : public Label, public ControlWindow, public WindowDispatch {
public:
    Win32Label(HWND parent, Rect bounds, const Text& caption)
        : ControlWindow(*this, parent, bounds, kLabelClass), caption_(caption) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(static_cast<WindowDispatch*>(this)));
    }
    ~Win32Label() override {
        if (hwnd_ && IsWindow(hwnd_)) SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    }
    Handle Hwnd() const override { return reinterpret_cast<Handle>(hwnd_); }
    Rect BoundsTwips() const override { return Bounds(); }
    void Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override {
        MoveTo(left, top, width, height);
        InvalidateRect(hwnd_, nullptr, FALSE);
    }
    void SetVisible(bool visible) override { ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE); }
    bool Visible() const override { return (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }
    void ZOrderTop() override { SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE); }
    void SetMousePointer(std::int16_t pointer) override { SetPointer(pointer); }
    std::int16_t MousePointer() const override { return Pointer(); }
    void SetCaption(const Text& caption) override {
        caption_ = caption;
        InvalidateRect(hwnd_, nullptr, FALSE);
    }
    Text Caption() const override { return caption_; }

    LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
        LRESULT result = 0;
        if (HandleMouse(message, wParam, lParam, result)) return result;
        if (message == WM_ERASEBKGND) return 1;
        if (message != WM_PAINT) return DefWindowProcW(hwnd, message, wParam, lParam);
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(hwnd, &paint);
        RECT area{};
        GetWindowRect(hwnd, &area);
        MapWindowPoints(HWND_DESKTOP, ParentOf(hwnd), reinterpret_cast<POINT*>(&area), 2);
        auto* under = reinterpret_cast<WindowDispatch*>(GetWindowLongPtrW(ParentOf(hwnd), GWLP_USERDATA));
        if (auto* box = dynamic_cast<Win32PictureBox*>(under)) {
            box->CopyImage(dc, area);
        } else {
            RECT client{};
            GetClientRect(hwnd, &client);
            FillRect(dc, &client, reinterpret_cast<HBRUSH>(GetClassLongPtrW(ParentOf(hwnd), GCLP_HBRBACKGROUND)));
        }
        SelectObject(dc, UiFont());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        TextOutW(dc, 0, 0, Wide(caption_), static_cast<int>(caption_.size()));
        EndPaint(hwnd, &paint);
        return 0;
    }

private:
    Text caption_;
};

}  // namespace

void RegisterControlClasses() {
    for (const wchar_t* name : {kPictureClass, kLabelClass}) {
        WNDCLASSEXW cls{};
        cls.cbSize = sizeof cls;
        cls.style = CS_DBLCLKS;
        cls.lpfnWndProc = ControlProcedure;
        cls.hInstance = ModuleInstance();
        cls.hCursor = nullptr;  // each control sets its own pointer
        cls.lpszClassName = name;
        RegisterClassExW(&cls);
    }
}

std::unique_ptr<PictureBox> MakePictureBox(HWND parent, Rect bounds) {
    return std::make_unique<Win32PictureBox>(parent, bounds);
}

std::unique_ptr<Label> MakeLabel(HWND parent, Rect bounds, const Text& caption) {
    return std::make_unique<Win32Label>(parent, bounds, caption);
}

}  // namespace kest::platform::win32

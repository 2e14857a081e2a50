// GDI handles with one owner each: the owner cannot be copied, only moved, and frees its handle
// with the call that matches how it was made. Internal to the Windows side.
#pragma once

#include <windows.h>

#include <utility>

namespace kest::platform::win32 {

// Region, bitmap, brush, font, pen: made by a Create call, freed by DeleteObject.
template <typename H>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(H handle) : handle_(handle) {}
    ~GdiObject() { reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject(GdiObject&& other) noexcept : handle_(other.release()) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    H get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Gives the handle up, for a call that takes it over (SetWindowRgn once it succeeded).
    H release() { return std::exchange(handle_, nullptr); }
    void reset(H handle = nullptr) {
        if (handle_) DeleteObject(handle_);
        handle_ = handle;
    }

private:
    H handle_ = nullptr;
};

using Region = GdiObject<HRGN>;
using Bitmap = GdiObject<HBITMAP>;
using Brush = GdiObject<HBRUSH>;
using Font = GdiObject<HFONT>;
using Pen = GdiObject<HPEN>;

// A memory device context (CreateCompatibleDC), freed with DeleteDC.
class MemoryDC {
public:
    MemoryDC() = default;
    explicit MemoryDC(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~MemoryDC() {
        if (dc_) DeleteDC(dc_);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC get() const { return dc_; }

private:
    HDC dc_ = nullptr;
};

// A window's (or the screen's, for no window) device context from GetDC, given back with ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// An icon or cursor made for the program (not a shared system one), freed with DestroyIcon.
class Icon {
public:
    Icon() = default;
    explicit Icon(HICON icon) : icon_(icon) {}
    ~Icon() {
        if (icon_) DestroyIcon(icon_);
    }
    Icon(const Icon&) = delete;
    Icon& operator=(const Icon&) = delete;
    Icon(Icon&& other) noexcept : icon_(std::exchange(other.icon_, nullptr)) {}
    HICON get() const { return icon_; }

private:
    HICON icon_ = nullptr;
};

// Selects an object into a device context for one scope and puts the previous one back, so
// that the object can be freed afterwards.
class Selection {
public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~Selection() {
        if (previous_) SelectObject(dc_, previous_);
    }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace kest::platform::win32

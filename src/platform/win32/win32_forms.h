// Forms and what lives on them alone: their timers and menus. Internal to the Windows side.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>

#include "platform/toolkit.h"
#include "platform/win32/gdi.h"
#include "platform/win32/win32_window.h"

namespace kest::platform::win32 {

class Win32Toolkit;
class Win32Form;

class Win32Timer final : public Timer {
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
    void Tick();

private:
    void Update();
    Win32Form& form_;
    UINT_PTR id_;
    std::int32_t interval_ = 0;
    bool enabled_ = true;
    bool running_ = false;
    std::function<void()> handler_;
};

class Win32MenuItem final : public MenuItem {
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
    // The menu of items below this one; an item of a popup becomes a submenu with its first item.
    HMENU MakeSubmenu();
    UINT Position() const { return position_; }

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

class Win32Form final : public Form, public Window {
public:
    Win32Form(Win32Toolkit& toolkit, const FormDesign& design);
    ~Win32Form() override;
    static void RegisterFormClass();

    Handle Hwnd() const override { return reinterpret_cast<Handle>(Window::Hwnd()); }
    HWND Native() const { return Window::Hwnd(); }
    void SetCaption(const Text& caption) override;
    Text Caption() const override;
    void SetWindowState(WindowState state) override;
    WindowState GetWindowState() const override;
    void Show() override;
    void Hide() override { ShowWindow(Native(), SW_HIDE); }
    bool Visible() const override { return Native() && IsWindowVisible(Native()) != 0; }
    void OnQueryUnload(std::function<bool()> handler) override { queryUnload_ = std::move(handler); }
    void Close() override {
        if (Native()) PostMessageW(Native(), WM_CLOSE, 0, 0);
    }
    void Unload() override {
        if (Native()) DestroyWindow(Native());
    }

    Rect BoundsTwips() const override;
    void Move(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override;
    std::int32_t ScaleWidth() const override;
    std::int32_t ScaleHeight() const override;
    void SetBackColor(std::uint32_t rgb) override;
    float TextWidth(const Text& text) override;
    Rect MenuBarRect() const override;
    std::unique_ptr<PictureBox> CreatePictureBox(Rect boundsTwips, PictureBox* container) override;
    std::unique_ptr<Label> CreateLabel(Rect boundsTwips, const Text& caption, PictureBox* container) override;
    std::unique_ptr<Timer> CreateTimer() override { return std::make_unique<Win32Timer>(*this, NextId()); }
    std::unique_ptr<MenuItem> CreateMenuItem(MenuItem* parent, const Text& caption) override;

    UINT NextId() { return nextId_++; }
    void Register(UINT id, Win32Timer* timer) { timers_[id] = timer; }
    void Register(UINT id, Win32MenuItem* item) { items_[id] = item; }
    void Unregister(UINT id) {
        timers_.erase(id);
        items_.erase(id);
    }

private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Destroyed(HWND former) override;
    bool RaiseFormMouse(UINT message, WPARAM wParam, LPARAM lParam);
    // The menu bar's titles, which the form draws itself (win32_menu_titles.cpp).
    const Win32MenuItem* Title(UINT id) const;
    bool MeasureTitle(MEASUREITEMSTRUCT& measure) const;
    bool DrawTitle(const DRAWITEMSTRUCT& draw) const;
    LRESULT TitleForKey(wchar_t key) const;
    void FillMaximizedRect();

    Win32Toolkit& toolkit_;
    HMENU menuBar_ = nullptr;  // destroyed with the window
    Brush background_;
    UINT nextId_;
    std::map<UINT, Win32Timer*> timers_;
    std::map<UINT, Win32MenuItem*> items_;
    std::function<bool()> queryUnload_;
    bool startupWindow_ = false;
    bool shown_ = false;
    bool fittingMaximized_ = false;
};

}  // namespace kest::platform::win32

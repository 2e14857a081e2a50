// The skinned picture button: a normal, a hover and a pressed picture stretched over the
// control, a caption drawn centred on top, a latched look and a switch that ignores the mouse.
// It reports the mouse to its container; the container decides what a release means.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/toolkit.h"
#include "platform/window_api.h"
#include "recorder/controls/property_bag.h"

namespace kest::recorder {

class Button {
public:
    // `surface` is the control's own window; the button draws on it and takes its mouse events.
    Button(platform::PictureBox& surface, platform::WindowApi& windows);
    Button(const Button&) = delete;
    Button& operator=(const Button&) = delete;

    static constexpr std::uint32_t kButtonShadow = 0x80000010;  // system colour 16
    static constexpr std::int32_t kDefaultWidthTwips = 555;
    static constexpr std::int32_t kDefaultHeightTwips = 465;

    // Properties. A write draws as the control's look requires.
    bool value() const { return value_; }
    void value(bool latched);
    bool unabled() const { return unabled_; }
    void unabled(bool disabled) { unabled_ = disabled; }
    std::int16_t PowerButton() const { return powerButton_; }
    void PowerButton(std::int16_t button) { powerButton_ = button; }
    const platform::Text& Text() const { return text_; }
    void Text(const platform::Text& text);
    std::uint32_t forecolor() const { return surface_.ForeColor(); }
    void forecolor(std::uint32_t colour);
    const platform::PictureRef& BackGroundPicture() const { return backGround_; }
    void BackGroundPicture(platform::PictureRef picture);
    const platform::PictureRef& MouseMovePicture() const { return mouseMove_; }
    void MouseMovePicture(platform::PictureRef picture);
    const platform::PictureRef& MouseDownPicture() const { return mouseDown_; }
    void MouseDownPicture(platform::PictureRef picture);

    // Saved state: seven keys, always all written, in a fixed order.
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag) const;

    // Events raised to the container.
    std::function<void()> Click;
    platform::MouseHandler Mousedown;
    platform::MouseHandler MouseUp;
    platform::MouseHandler MouseMove;
    // A property the container keeps in its saved state was changed.
    std::function<void(const std::string& name)> PropertyChanged;

    platform::PictureBox& Surface() { return surface_; }

private:
    void UserControl_MouseMove(std::int16_t button, std::int16_t shift, float x, float y);
    void UserControl_MouseDown(std::int16_t button, std::int16_t shift, float x, float y);
    void UserControl_MouseUp(std::int16_t button, std::int16_t shift, float x, float y);
    void UserControl_Show();
    void UserControl_Paint();
    void DrawCaption();
    void Draw(const platform::PictureRef& picture);
    void Changed(const std::string& name) {
        if (PropertyChanged) PropertyChanged(name);
    }

    platform::PictureBox& surface_;
    platform::WindowApi& windows_;
    bool value_ = false;
    bool unabled_ = false;
    std::int16_t powerButton_ = 0;
    platform::Text text_;
    platform::PictureRef backGround_;
    platform::PictureRef mouseMove_;
    platform::PictureRef mouseDown_;
};

}  // namespace kest::recorder

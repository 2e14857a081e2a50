#include "recorder/controls/button.h"

namespace kest::recorder {

using platform::PictureRef;

Button::Button(platform::PictureBox& surface, platform::WindowApi& windows) : surface_(surface), windows_(windows) {
    surface_.SetAutoRedraw(true);
    surface_.SetBackColor(windows_.GetSysColor(static_cast<std::int32_t>(kButtonShadow & 0xFF)));
    surface_.MouseMove = [this](std::int16_t b, std::int16_t s, float x, float y) {
        UserControl_MouseMove(b, s, x, y);
    };
    surface_.MouseDown = [this](std::int16_t b, std::int16_t s, float x, float y) {
        UserControl_MouseDown(b, s, x, y);
    };
    surface_.MouseUp = [this](std::int16_t b, std::int16_t s, float x, float y) { UserControl_MouseUp(b, s, x, y); };
    surface_.Click = [this] {
        if (Click) Click();
    };
    surface_.Shown = [this] { UserControl_Show(); };
    surface_.Paint = [this] { UserControl_Paint(); };
    surface_.Resize = [this] { UserControl_Paint(); };
}

void Button::Draw(const PictureRef& picture) {
    if (!picture) return;
    surface_.DrawPicture(picture, 0, 0, surface_.ScaleWidth(), surface_.ScaleHeight(), 0, 0,
                         picture->WidthPixels() * platform::kTwipsPerPixel,
                         picture->HeightPixels() * platform::kTwipsPerPixel);
}

void Button::DrawCaption() {
    const float x = (static_cast<float>(surface_.ScaleWidth()) - surface_.TextWidth(text_)) / 2;
    const float y = (static_cast<float>(surface_.ScaleHeight()) - surface_.TextHeight(text_)) / 2;
    surface_.DrawText(text_, x, y);
}

void Button::value(bool latched) {
    value_ = latched;
    if (mouseDown_ && latched) {
        Draw(mouseDown_);
    } else {
        Draw(backGround_);
    }
    DrawCaption();
}

void Button::Text(const platform::Text& text) {
    text_ = text;
    Draw(backGround_);
    DrawCaption();
    Changed("Text");
}

void Button::forecolor(std::uint32_t colour) {
    surface_.SetForeColor(colour);
    DrawCaption();
}

void Button::BackGroundPicture(PictureRef picture) {
    backGround_ = std::move(picture);
    Draw(backGround_);
    DrawCaption();
    Changed("BackGroundPicture");
}

void Button::MouseMovePicture(PictureRef picture) {
    mouseMove_ = std::move(picture);
    Changed("MouseMovePicture");
}

void Button::MouseDownPicture(PictureRef picture) {
    mouseDown_ = std::move(picture);
    Changed("MouseDownPicture");
}

void Button::UserControl_MouseMove(std::int16_t button, std::int16_t shift, float x, float y) {
    if (value_ || unabled_ || button != 0) return;
    const bool outside = x < 0 || y < 0 || x > static_cast<float>(surface_.ScaleWidth()) ||
                         y > static_cast<float>(surface_.ScaleHeight());
    if (outside) {
        windows_.ReleaseCapture();
        Draw(backGround_);
    } else {
        // Holding the capture is how the button hears the move that takes the pointer off it.
        windows_.SetCapture(surface_.Hwnd());
        Draw(mouseMove_);
    }
    DrawCaption();
    if (MouseMove) MouseMove(button, shift, x, y);
}

void Button::UserControl_MouseDown(std::int16_t button, std::int16_t shift, float x, float y) {
    if (value_ || unabled_) return;
    if (mouseDown_ && (powerButton_ == 0 || button == powerButton_)) Draw(mouseDown_);
    DrawCaption();
    if (Mousedown) Mousedown(button, shift, x, y);
}

void Button::UserControl_MouseUp(std::int16_t button, std::int16_t shift, float x, float y) {
    if (value_ || unabled_) return;
    Draw(backGround_);
    DrawCaption();
    if (MouseUp) MouseUp(button, shift, x, y);
}

void Button::UserControl_Show() {
    if (value_) value(true);
}

void Button::UserControl_Paint() {
    Draw(backGround_);
    DrawCaption();
    surface_.Refresh();
}

void Button::ReadProperties(const PropertyBag& bag) {
    BackGroundPicture(bag.ReadProperty<PictureRef>("BackGroundPicture", nullptr));
    MouseMovePicture(bag.ReadProperty<PictureRef>("MouseMovePicture", nullptr));
    MouseDownPicture(bag.ReadProperty<PictureRef>("MouseDownPicture", nullptr));
    powerButton_ = bag.ReadProperty<std::int16_t>("Button", 1);
    Text(bag.ReadProperty<platform::Text>("Text", u""));
    surface_.SetForeColor(static_cast<std::uint32_t>(bag.ReadProperty<std::int32_t>("fcolor", 0)));
    value_ = bag.ReadProperty<bool>("value", false);
}

void Button::WriteProperties(PropertyBag& bag) const {
    bag.WriteProperty("BackGroundPicture", backGround_);
    bag.WriteProperty("MouseMovePicture", mouseMove_);
    bag.WriteProperty("MouseDownPicture", mouseDown_);
    bag.WriteProperty("Button", powerButton_);
    bag.WriteProperty("Text", text_);
    bag.WriteProperty("fcolor", static_cast<std::int32_t>(surface_.ForeColor()));
    bag.WriteProperty("value", value_);
}

}  // namespace kest::recorder

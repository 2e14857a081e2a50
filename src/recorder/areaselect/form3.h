// The area selection overlay: a frozen picture of every monitor on which the user drags a
// rectangle, slides it into place with the mouse and fixes it with a click.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/platform.h"
#include "recorder/peers.h"

namespace kest::recorder {

// The confinement that keeps a rectangle of the given size, centred on the pointer, on the
// screen. Sizes in twips, result in screen pixels.
platform::Rect MoveConfinement(float width, float height, std::int32_t screenWidthTwips,
                               std::int32_t screenHeightTwips);

// The rectangle it hands back through the callback it was shown with: it knows no other window.
class Form3 : public AreaOverlayPeer {
public:
    explicit Form3(platform::Platform& platform);
    ~Form3();

    void Show(std::function<void(const platform::Rect&)> chosen, std::function<void()> cancelled) override;
    void Unload() override;
    bool Loaded() const { return window_ != nullptr; }

    void Form_Activate();
    void Form_Deactivate();
    void Form_MouseDown(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void Form_MouseMove(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void Form_MouseUp(std::int16_t Button, std::int16_t Shift, float X, float Y);
    void Form_KeyDown(std::int16_t KeyCode, std::int16_t Shift);

    // The band's corners in twips of the overlay: pixels from the virtual screen's top-left
    // corner, times 15.
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool moving = false;

    platform::Form* Window() { return window_.get(); }

private:
    void Load();
    // Moves the overlay over the virtual screen as it is now.
    void Cover();
    // The size of the virtual screen it covers.
    std::int32_t WidthTwips() const;
    std::int32_t HeightTwips() const;
    void TakeSnapshot();
    void DrawBand();
    void Confirm();
    void FreeCursor();

    platform::Platform& platform_;
    std::function<void(const platform::Rect&)> chosen_;
    std::function<void()> cancelled_;
    std::unique_ptr<platform::Form> window_;
    std::unique_ptr<platform::PictureBox> surface_;
    // The virtual screen the overlay covers, in screen pixels.
    platform::Rect screen_;
    // The picture was taken just before the window was shown; the activation that showing
    // brings must not take it again from a window that has not painted yet.
    bool justSnapped_ = false;
};

}  // namespace kest::recorder

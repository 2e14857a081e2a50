// The skinned button on the test double: which picture each input leaves on the surface, which
// events reach the container, and the saved state.
#include <gtest/gtest.h>

#include "fake/fake_platform.h"
#include "recorder/controls/button.h"

namespace kest::recorder {
namespace {

using platform::PictureRef;

class ButtonTest : public ::testing::Test {
protected:
    ButtonTest() {
        surface.hwnd = 0xB0;
        surface.SetSizeTwips(285, 285);
        button.MouseMove = [this](std::int16_t, std::int16_t, float, float) { events.push_back("MouseMove"); };
        button.Mousedown = [this](std::int16_t b, std::int16_t, float, float) {
            events.push_back("Mousedown " + std::to_string(b));
        };
        button.MouseUp = [this](std::int16_t, std::int16_t, float, float) { events.push_back("MouseUp"); };
        button.Click = [this] { events.push_back("Click"); };
    }
    void Skin() {
        button.BackGroundPicture(normal);
        button.MouseMovePicture(hover);
        button.MouseDownPicture(pressed);
        button.PowerButton(1);
        surface.draws.clear();
    }
    PictureRef Shown() const { return surface.LastPictureDrawn(); }

    fake::FakePlatform fake;
    fake::FakePictureBox surface{fake};
    Button button{surface, fake.windows};
    PictureRef normal = std::make_shared<fake::FakePicture>(u"normal", 19, 19);
    PictureRef hover = std::make_shared<fake::FakePicture>(u"hover", 19, 19);
    PictureRef pressed = std::make_shared<fake::FakePicture>(u"pressed", 19, 19);
    std::vector<std::string> events;
};

enum class Input { MoveInside, MoveOnEdge, MoveOutside, MoveHeld, LeftDown, RightDown, LeftUp, Click, Repaint };

struct LookCase {
    const char* name;
    bool latched;
    bool disabled;
    Input input;
    const char* picture;  // what the surface shows afterwards; "" for nothing drawn
    std::vector<std::string> events;
};

class ButtonLookTest : public ButtonTest, public ::testing::WithParamInterface<LookCase> {};

TEST_P(ButtonLookTest, InputGivesLookAndEvents) {
    const LookCase& c = GetParam();
    Skin();
    if (c.latched) button.value(true);
    button.unabled(c.disabled);
    surface.draws.clear();
    switch (c.input) {
        case Input::MoveInside: surface.MouseMove(0, 0, 140, 140); break;
        case Input::MoveOnEdge: surface.MouseMove(0, 0, 285, 285); break;
        case Input::MoveOutside: surface.MouseMove(0, 0, -1, 140); break;
        case Input::MoveHeld: surface.MouseMove(1, 0, 140, 140); break;
        case Input::LeftDown: surface.MouseDown(1, 0, 140, 140); break;
        case Input::RightDown: surface.MouseDown(2, 0, 140, 140); break;
        case Input::LeftUp: surface.MouseUp(1, 0, 140, 140); break;
        case Input::Click: surface.Click(); break;
        case Input::Repaint: surface.Paint(); break;
    }
    const PictureRef shown = Shown();
    EXPECT_EQ(shown ? fake::Utf8(static_cast<const fake::FakePicture&>(*shown).name) : "", c.picture);
    EXPECT_EQ(events, c.events);
}

INSTANTIATE_TEST_SUITE_P(
    Looks, ButtonLookTest,
    ::testing::Values(LookCase{"hover", false, false, Input::MoveInside, "hover", {"MouseMove"}},
                      LookCase{"edge_is_inside", false, false, Input::MoveOnEdge, "hover", {"MouseMove"}},
                      LookCase{"leaving", false, false, Input::MoveOutside, "normal", {"MouseMove"}},
                      LookCase{"held_move_ignored", false, false, Input::MoveHeld, "", {}},
                      LookCase{"press", false, false, Input::LeftDown, "pressed", {"Mousedown 1"}},
                      LookCase{"other_button_keeps_look", false, false, Input::RightDown, "", {"Mousedown 2"}},
                      LookCase{"release", false, false, Input::LeftUp, "normal", {"MouseUp"}},
                      LookCase{"latched_press", true, false, Input::LeftDown, "", {}},
                      LookCase{"latched_move", true, false, Input::MoveInside, "", {}},
                      LookCase{"latched_click", true, false, Input::Click, "", {"Click"}},
                      LookCase{"latched_repaint_normal", true, false, Input::Repaint, "normal", {}},
                      LookCase{"disabled_release", false, true, Input::LeftUp, "", {}},
                      LookCase{"disabled_click", false, true, Input::Click, "", {"Click"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ButtonTest, HoverHoldsTheCaptureUntilThePointerLeaves) {
    Skin();
    surface.MouseMove(0, 0, 10, 10);
    EXPECT_EQ(fake.windows.captures, (std::vector<platform::Handle>{0xB0}));
    surface.MouseMove(0, 0, 300, 10);
    EXPECT_EQ(fake.windows.releaseCaptureCount, 1);
}

TEST_F(ButtonTest, AnyButtonPressesWhenPowerButtonIsZero) {
    Skin();
    button.PowerButton(0);
    surface.MouseDown(2, 0, 10, 10);
    EXPECT_EQ(Shown(), pressed);
}

TEST_F(ButtonTest, ValueWritesDrawTheLatchedOrNormalPicture) {
    Skin();
    button.value(true);
    EXPECT_EQ(Shown(), pressed);
    button.value(false);
    EXPECT_EQ(Shown(), normal);
    EXPECT_EQ(surface.draws.back().kind, "DrawText");
}

TEST_F(ButtonTest, CaptionIsCentredAndWithoutABackgroundItDrawsOverTheOldOne) {
    button.Text(u"ab");
    button.Text(u"cd");
    ASSERT_EQ(surface.draws.size(), 2u) << "no picture to erase with";
    EXPECT_EQ(surface.draws[1].text, u"cd");
    EXPECT_EQ(surface.draws[1].rect.left, (285 - 180) / 2);
    EXPECT_EQ(surface.draws[1].rect.top, (285 - 180) / 2);
}

TEST_F(ButtonTest, SavedStateRoundTripsAllSevenKeysInOrder) {
    Skin();
    button.Text(u"ok");
    button.forecolor(0x123456);
    PropertyBag bag;
    button.WriteProperties(bag);
    EXPECT_EQ(bag.Keys(), (std::vector<std::string>{"BackGroundPicture", "MouseMovePicture", "MouseDownPicture",
                                                    "Button", "Text", "fcolor", "value"}));
    fake::FakePictureBox otherSurface{fake};
    Button restored{otherSurface, fake.windows};
    restored.ReadProperties(bag);
    EXPECT_EQ(restored.BackGroundPicture(), normal);
    EXPECT_EQ(restored.MouseDownPicture(), pressed);
    EXPECT_EQ(restored.PowerButton(), 1);
    EXPECT_EQ(restored.Text(), u"ok");
    EXPECT_EQ(restored.forecolor(), 0x123456u);

    PropertyBag empty;
    fake::FakePictureBox blank{fake};
    Button fresh{blank, fake.windows};
    EXPECT_EQ(fresh.PowerButton(), 0) << "never restored";
    PropertyBag emptyWritten;
    fresh.WriteProperties(emptyWritten);
    EXPECT_EQ(emptyWritten.Keys().size(), 7u) << "empty pictures and text are written too";
    fresh.ReadProperties(empty);
    EXPECT_EQ(fresh.PowerButton(), 1) << "a store without \"Button\" gives 1";
}

}  // namespace
}  // namespace kest::recorder

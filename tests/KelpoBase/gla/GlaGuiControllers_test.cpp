// Buttons, toggle buttons and sliders driven through the input block: pointer captures,
// messages posted to the top scene controller, keyboard focus and activation, toggle
// states and disabled looks, and slider values with and without segments.
#include <gtest/gtest.h>

#include <bit>
#include <vector>

#include "GlaControllerFixtures.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/AudioTestSupport.h"
#include "KelpoBase/render/SoundResource.h"
#include "KelpoBase/render/TextureAtlas.h"

using namespace glatest;

namespace
{
std::vector<std::string> TakeAll(cGlaControllerScene& c)
{
    std::vector<std::string> names;
    cKelpoMsg m;
    while (c.MessageCount() != 0)
        names.push_back(c.PopMessage(m).name);
    return names;
}

// A tap: press at (x, y) in one frame, release at (rx, ry) in the next.
void Tap(cGlaControllerScene& c, PointerScript& input, int32_t x, int32_t y, int32_t rx, int32_t ry)
{
    input.Down(x, y);
    c.Update();
    input.EndFrame();
    input.Up(rx, ry);
    c.Update();
    input.EndFrame();
}

bool KeyboardShown(cGlaControllerScene* state)
{
    auto* sprite = FindSpriteController(state, "keyboard");
    return sprite != nullptr && sprite->visible;
}
} // namespace

TEST(GlaGuiControllers, ButtonTapPostsToTheTopSceneController)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 1);
    cGlaScene* panel = s.AddScene("Panel", 1);
    AddLook(s, "Look", 2);
    AddControl(s, main, "Button", "ok", cVec2f(200.0f, 100.0f), "Button", "Look", "actOk");
    AddSceneElement(main, "panel", panel);
    // A button inside a nested scene (placed at 0, 0 in the outer scene).
    AddControl(s, panel, "Button", "back", cVec2f(600.0f, 400.0f), "Button", "Look", "actBack");

    cGlaControllerScene c(main);
    auto* ok = FindButtonController(&c, "ok");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->action, "actOk");
    EXPECT_EQ(ok->disabledScene, nullptr); // two look frames: no disabled look
    EXPECT_FLOAT_EQ(ok->bounds.minX, -50.0f);
    EXPECT_FLOAT_EQ(ok->bounds.maxY, 25.0f);

    PointerScript input;
    input.Down(210, 110);
    c.Update();
    EXPECT_EQ(ok->capturedPointer, 1);
    EXPECT_EQ(ok->inside, 1);
    EXPECT_EQ(GetPointerCapture(1), ok);
    EXPECT_EQ(c.MessageCount(), 0u);
    input.EndFrame();
    input.Up(210, 110);
    c.Update();
    input.EndFrame();
    ASSERT_EQ(c.MessageCount(), 1u);
    cKelpoMsg m;
    c.PopMessage(m);
    EXPECT_EQ(m.name, "actOk");
    EXPECT_EQ(m.GetObject(), ok);
    EXPECT_EQ(GetPointerCapture(1), nullptr);
    EXPECT_EQ(ok->capturedPointer, 0);

    // The nested button posts into the outer controller's queue, and the message is gone
    // once the next update starts.
    Tap(c, input, 590, 390, 590, 390);
    EXPECT_EQ(TakeAll(c), std::vector<std::string>{"actBack"});
    Tap(c, input, 590, 390, 590, 390);
    c.Update();
    EXPECT_EQ(c.MessageCount(), 0u);
}

TEST(GlaGuiControllers, ReleaseMustStayWithinTheGrownHitBox)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 1);
    AddLook(s, "Look", 2);
    AddControl(s, main, "Button", "ok", cVec2f(200.0f, 100.0f), "Button", "Look", "actOk");
    cGlaControllerScene c(main);
    PointerScript input;
    struct Case
    {
        int32_t releaseX;
        size_t messages;
    } cases[] = {{200 + 50 + 16, 1}, {200 + 50 + 17, 0}, {200 - 50 - 16, 1}, {100, 0}};
    for (const Case& k : cases)
    {
        Tap(c, input, 200, 100, k.releaseX, 100);
        EXPECT_EQ(c.MessageCount(), k.messages) << "release at x " << k.releaseX;
        c.ClearMessages();
    }
    // A press outside the hit box captures nothing.
    input.Down(251, 100);
    c.Update();
    EXPECT_EQ(GetPointerCapture(1), nullptr);
    input.EndFrame();
    input.Up(251, 100);
    c.Update();
    EXPECT_EQ(c.MessageCount(), 0u);
}

// Pointers are mapped through every controller above the control: positions, angles and
// scales; a zero scale leaves no point that could press the control.
TEST(GlaGuiControllers, PointerMapsThroughScaledAndTurnedOwners)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 1);
    cGlaScene* panel = s.AddScene("Panel", 1);
    AddLook(s, "Look", 2);
    cGlaElementScene* holder = AddSceneElement(main, "panel", panel);
    holder->position.keys[0].value = cVec2f(200.0f, 100.0f);
    holder->scale.keys[0].value = cVec2f(2.0f, 2.0f);
    cGlaElementGameObj* wide = AddControl(s, panel, "Button", "wide", cVec2f(), "Button", "Look", "actWide");
    wide->angle.AddKey(-90.0f); // a quarter turn: the 100 x 50 box stands upright
    cGlaElementGameObj* flat = AddControl(s, main, "Button", "flat", cVec2f(900.0f, 100.0f), "Button", "Look", "actFlat");
    flat->scale.keys[0].value = cVec2f(0.0f, 1.0f);

    cGlaControllerScene c(main);
    PointerScript input;
    struct Case
    {
        int32_t x, y;
        size_t messages;
    } cases[] = {
        {200, 100, 1},       // the centre
        {200 + 45, 100, 1},  // within the turned box's half height (25) x 2
        {200 + 55, 100, 0},  // beyond it
        {200, 100 + 95, 1},  // within the half width (50) x 2
        {200, 100 + 105, 0}, // beyond it
        {900, 100, 0},       // the control of zero width
    };
    for (const Case& k : cases)
    {
        Tap(c, input, k.x, k.y, k.x, k.y);
        EXPECT_EQ(c.MessageCount(), k.messages) << k.x << "," << k.y;
        c.ClearMessages();
    }
}

TEST(GlaGuiControllers, FocusWrapsHighlightsAndActivates)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 1);
    AddLook(s, "Look", 3);
    AddLook(s, "ToggleLook", 5);
    AddControl(s, main, "Button", "b0", cVec2f(0.0f, 0.0f), "Button", "Look", "act0");
    AddControl(s, main, "Slider", "slider", cVec2f(0.0f, 0.0f), "", "", "actSlider"); // not focusable
    AddControl(s, main, "Toggle Button", "t1", cVec2f(0.0f, 100.0f), "Button", "ToggleLook", "act1");
    AddControl(s, main, "Button", "b2", cVec2f(0.0f, 200.0f), "Button", "Look", "act2");
    AddControl(s, main, "Button", "b3", cVec2f(0.0f, 300.0f), "Button", "Look", "act3");
    cGlaControllerScene c(main);
    auto* b0 = FindButtonController(&c, "b0");
    auto* t1 = FindToggleButtonController(&c, "t1");
    auto* b3 = FindButtonController(&c, "b3");

    c.SetFocus(3);
    EXPECT_EQ(c.focusableCount, 4);
    EXPECT_TRUE(c.keyboardMode);
    EXPECT_TRUE(KeyboardShown(b3->normalScene));
    EXPECT_TRUE(KeyboardShown(b3->pressedScene));
    EXPECT_TRUE(KeyboardShown(b3->disabledScene));
    EXPECT_FALSE(KeyboardShown(b0->normalScene));

    c.MoveFocus(1);
    EXPECT_EQ(c.focusIndex, 0);
    EXPECT_TRUE(KeyboardShown(b0->normalScene));
    EXPECT_FALSE(KeyboardShown(b3->normalScene));
    c.MoveFocus(-1);
    EXPECT_EQ(c.focusIndex, 3);
    c.MoveFocus(-2);
    EXPECT_EQ(c.focusIndex, 1);
    EXPECT_TRUE(KeyboardShown(t1->stateScenes[cGlaControllerToggleButton::kOnPressed]));

    c.ActivateFocused();
    cKelpoMsg m;
    ASSERT_EQ(c.MessageCount(), 1u);
    c.PopMessage(m);
    EXPECT_EQ(m.name, "act1");
    EXPECT_TRUE(t1->GetState());

    c.HideFocus();
    EXPECT_FALSE(c.keyboardMode);
    EXPECT_FALSE(KeyboardShown(t1->stateScenes[cGlaControllerToggleButton::kOff]));

    // A focus index beyond the controls activates nothing; a disabled control neither.
    c.SetFocus(7);
    c.ActivateFocused();
    EXPECT_EQ(c.MessageCount(), 0u);
    c.SetFocus(0);
    b0->SetEnabled(false);
    c.ActivateFocused();
    EXPECT_EQ(c.MessageCount(), 0u);
    c.SetFrame(0); // the next frame samples the flag again
    c.ActivateFocused();
    EXPECT_EQ(c.MessageCount(), 1u);
}

TEST(GlaGuiControllers, ToggleStatesMessagesAndDisabledLooks)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 1);
    AddLook(s, "Four", 4);
    AddLook(s, "Five", 5);
    AddLook(s, "Six", 6);
    AddControl(s, main, "Toggle Button", "four", cVec2f(0.0f, 0.0f), "Button", "Four", "actFour");
    AddControl(s, main, "Toggle Button", "five", cVec2f(300.0f, 300.0f), "Button", "Five", "actFive");
    AddControl(s, main, "Toggle Button", "six", cVec2f(0.0f, 600.0f), "Button", "Six", "actSix");
    cGlaControllerScene c(main);
    auto* four = FindToggleButtonController(&c, "four");
    auto* five = FindToggleButtonController(&c, "five");
    auto* six = FindToggleButtonController(&c, "six");
    EXPECT_EQ(four->stateScenes[cGlaControllerToggleButton::kDisabled], nullptr);
    EXPECT_NE(five->stateScenes[cGlaControllerToggleButton::kDisabled], nullptr);
    EXPECT_EQ(six->stateScenes[cGlaControllerToggleButton::kDisabled], nullptr);
    EXPECT_EQ(five->stateScenes[cGlaControllerToggleButton::kOnPressed]->frame, 3);

    PointerScript input;
    Tap(c, input, 300, 300, 300, 300);
    ASSERT_EQ(c.MessageCount(), 1u);
    cKelpoMsg m;
    c.PopMessage(m);
    EXPECT_EQ(m.name, "actFive");
    EXPECT_EQ(m.GetObject(), five);
    EXPECT_TRUE(five->GetState());
    EXPECT_EQ(std::bit_cast<uint32_t>(m.floatValue), 1u); // the state as the raw word
    EXPECT_EQ(m.intValue, 1);

    Tap(c, input, 300, 300, 300, 300);
    c.PopMessage(m);
    EXPECT_FALSE(five->GetState());
    EXPECT_EQ(std::bit_cast<uint32_t>(m.floatValue), 0u);

    // SetState is silent, and setting the current state does nothing.
    five->SetState(true);
    five->SetState(true);
    EXPECT_TRUE(five->GetState());
    EXPECT_EQ(c.MessageCount(), 0u);

    // Rebuilding the state scenes replaces them: the old one is destroyed (its weak
    // reference clears) and a new one stands in its slot. Where the new one lands in
    // memory is the allocator's business, so the address is not compared.
    cWeakRef old(five->stateScenes[cGlaControllerToggleButton::kOff]);
    ASSERT_NE(old.Get(), nullptr);
    five->BuildStateScenes();
    EXPECT_EQ(old.Get(), nullptr);
    EXPECT_NE(five->stateScenes[cGlaControllerToggleButton::kOff], nullptr);

    // A control that is not shown ignores presses.
    five->SetShown(false);
    Tap(c, input, 300, 300, 300, 300);
    EXPECT_EQ(c.MessageCount(), 0u);
}

TEST(GlaGuiControllers, ControlsWithoutLooksOrHitBoxesAreNeverPressed)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 1);
    cGlaScene* bare = s.AddScene("Bare", 2); // no "hitbox", nothing to bound
    (void)bare;
    AddControl(s, main, "Button", "nolook", cVec2f(0.0f, 0.0f), "Button", "Missing", "actA");
    AddControl(s, main, "Button", "bare", cVec2f(0.0f, 0.0f), "Button", "Bare", "");
    cGlaControllerScene c(main);
    auto* nolook = FindButtonController(&c, "nolook");
    auto* bareButton = FindButtonController(&c, "bare");
    EXPECT_EQ(nolook->normalScene, nullptr);
    EXPECT_GT(bareButton->bounds.minX, bareButton->bounds.maxX);
    PointerScript input;
    Tap(c, input, 0, 0, 0, 0);
    EXPECT_EQ(c.MessageCount(), 0u);
    nolook->SetKeyboardHighlight(true);
    nolook->SetAlpha(0);
    cOrientedBox box;
    nolook->GetBounds(box);
    EXPECT_EQ(box.halfExtents, cVec2f());
}

// Looks that lead back to themselves end after one level: the inner control has no look.
TEST(GlaGuiControllers, LooksThatContainTheirOwnControlEnd)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 1);
    cGlaScene* look = AddLook(s, "Look", 2);
    AddControl(s, look, "Button", "again", cVec2f(), "Button", "Look", "actAgain");
    AddControl(s, main, "Toggle Button", "outer", cVec2f(), "Button", "Look", "actOuter");
    cGlaScene* self = AddLook(s, "Self", 2);
    AddControl(s, self, "Button", "me", cVec2f(), "Button", "Self", "actMe");

    cGlaControllerScene c(main);
    auto* outer = FindToggleButtonController(&c, "outer");
    ASSERT_NE(outer->stateScenes[cGlaControllerToggleButton::kOff], nullptr);
    auto* inner = FindButtonController(outer->stateScenes[cGlaControllerToggleButton::kOff], "again");
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->normalScene, nullptr); // its look is the one being built
    outer->BuildStateScenes();

    cGlaControllerScene selfScene(self);
    auto* me = FindButtonController(&selfScene, "me");
    ASSERT_NE(me->normalScene, nullptr);
    EXPECT_EQ(FindButtonController(me->normalScene, "me")->normalScene, nullptr);
}

namespace
{
struct SliderFixture
{
    explicit SliderFixture(int32_t segments, bool withImages = true)
    {
        background.w = overlay.w = 200;
        background.h = overlay.h = 20;
        knob.w = knob.h = 16;
        main = s.AddScene("Main", 1);
        look = s.AddScene("SliderLook", 1);
        if (segments != 0)
            look->AddProp(new cGlaPropInt("Num Segments", segments));
        AddRectangle(look, "hitbox", cVec2f(), cVec2f(200.0f, 20.0f));
        if (withImages)
        {
            AddSprite(look, "background")->frames.AddNamedKey(&background, 0, "bg.png");
            AddSprite(look, "overlay")->frames.AddNamedKey(&overlay, 0, "ov.png");
            AddSprite(look, "slider", cVec2f(0.0f, 4.0f))->frames.AddNamedKey(&knob, 0, "knob.png");
        }
        look->AddProp(new cGlaPropString("Action", "actVolume"));
        AddControl(s, main, "Slider", "volume", cVec2f(400.0f, 300.0f), "Slider", "SliderLook", "");
        controller = std::make_unique<cGlaControllerScene>(main);
        slider = ClassCast<cGlaControllerSlider>(controller->FindController("volume"));
    }

    // Press at the slider's centre, then drag to x in the next frame (the message of the
    // change is then in the queue); Release lets go in a third frame.
    void Drag(int32_t x)
    {
        input.Down(400, 300);
        controller->Update();
        input.EndFrame();
        input.Move(x, 300);
        controller->Update();
        input.EndFrame();
        dragX = x;
    }
    void Release()
    {
        input.Up(dragX, 300);
        controller->Update();
        input.EndFrame();
        EXPECT_EQ(GetPointerCapture(1), nullptr);
    }
    int32_t dragX = 0;

    SceneSet s;
    ImageRect background, overlay, knob;
    cGlaScene* main = nullptr;
    cGlaScene* look = nullptr;
    std::unique_ptr<cGlaControllerScene> controller;
    cGlaControllerSlider* slider = nullptr;
    PointerScript input;
};
} // namespace

TEST(GlaGuiControllers, SliderWithSegmentsReportsFirstAndLast)
{
    SliderFixture f(5);
    ASSERT_NE(f.slider, nullptr);
    EXPECT_EQ(f.slider->action, "actVolume");
    EXPECT_EQ(f.slider->segmentCount, 5);
    EXPECT_FLOAT_EQ(f.slider->knobY, 304.0f);
    EXPECT_FLOAT_EQ(f.slider->extents.minX, -100.0f);
    // Before any drag the raw value 0 reports below the first segment.
    EXPECT_FLOAT_EQ(f.slider->GetValue(), (0.0f - 0.2f) / (1.0f - 0.2f));

    f.Drag(250);
    EXPECT_FLOAT_EQ(f.slider->value, 0.2f);
    EXPECT_FLOAT_EQ(f.slider->GetValue(), 0.0f);
    ASSERT_EQ(f.controller->MessageCount(), 1u);
    cKelpoMsg m;
    f.controller->PopMessage(m);
    EXPECT_EQ(m.name, "actVolume");
    EXPECT_EQ(m.GetObject(), nullptr);
    f.Release();
    EXPECT_EQ(f.controller->MessageCount(), 0u); // a release posts nothing

    f.Drag(650);
    EXPECT_FLOAT_EQ(f.slider->value, 1.0f);
    EXPECT_FLOAT_EQ(f.slider->GetValue(), 1.0f);
    f.Release();

    f.slider->SetValue(0.5f); // quantised, silent
    EXPECT_FLOAT_EQ(f.slider->value, 0.6f);
    f.controller->Update();
    EXPECT_EQ(f.controller->MessageCount(), 0u);
}

TEST(GlaGuiControllers, DegenerateSlidersDoNotDivideByZero)
{
    // One segment: the raw value is reported.
    SliderFixture one(1);
    EXPECT_FLOAT_EQ(one.slider->GetValue(), 0.0f);
    one.Drag(420);
    one.Release();
    EXPECT_FLOAT_EQ(one.slider->value, 1.0f);
    EXPECT_FLOAT_EQ(one.slider->GetValue(), 1.0f);

    // A negative segment count is taken as continuous.
    SliderFixture negative(-3);
    negative.Drag(450);
    EXPECT_FLOAT_EQ(negative.slider->value, 0.75f);

    // No images: the span has no width (min = max); the value goes to either end.
    SliderFixture flat(0, false);
    flat.slider->extents = cRect2f{0.0f, 0.0f, 0.0f, 0.0f};
    flat.Drag(399);
    flat.Release();
    EXPECT_FLOAT_EQ(flat.slider->value, 0.0f);
    flat.Drag(401);
    EXPECT_FLOAT_EQ(flat.slider->value, 1.0f);
}

// Control sounds on the loopback device: the voice that plays a sound holds it as its
// current sound; sounds that cannot play (no sound, a locked voice, a voice out of range)
// are skipped.
TEST(GlaGuiControllers, SoundsPlayOnTheirVoices)
{
    SetAudioDeviceOpener(tvtest::OpenLoopbackDevice);
    AudioManager* audio = CreateAudioManager();
    if (audio == nullptr || !audio->IsEnabled())
    {
        DeleteAudioManager();
        SetAudioDeviceOpener(nullptr);
        GTEST_SKIP() << "no loopback device";
    }
    {
        cSound press(audio, 1.0f), click(audio, 1.0f);
        SetDefaultButtonSounds(&press, &click, 1, 2);
        SceneSet s;
        cGlaScene* main = s.AddScene("Main", 1);
        AddLook(s, "Look", 2);
        AddControl(s, main, "Button", "ok", cVec2f(200.0f, 100.0f), "Button", "Look", "actOk");
        AddControl(s, main, "Toggle Button", "toggle", cVec2f(600.0f, 100.0f), "Button", "Look", "actToggle");
        cGlaControllerScene c(main);
        auto* ok = FindButtonController(&c, "ok");
        auto* toggle = FindToggleButtonController(&c, "toggle");
        EXPECT_EQ(toggle->voice, 1);

        PointerScript input;
        input.Down(200, 100);
        c.Update();
        input.EndFrame();
        EXPECT_EQ(audio->GetVoice(1)->currentSound, &press);
        EXPECT_EQ(audio->GetVoice(2)->currentSound, nullptr);
        // Sliding off plays the click without a message; a release outside does nothing more.
        input.Move(400, 100);
        c.Update();
        input.EndFrame();
        EXPECT_EQ(audio->GetVoice(2)->currentSound, &click);
        audio->StopVoice(2);
        input.Up(400, 100);
        c.Update();
        input.EndFrame();
        EXPECT_EQ(audio->GetVoice(2)->currentSound, nullptr);
        EXPECT_EQ(c.MessageCount(), 0u);

        // Keyboard activation of the toggle plays its click on its one voice.
        toggle->ActivateByKeyboard();
        EXPECT_EQ(audio->GetVoice(1)->currentSound, &click);

        // A locked voice, a negative voice and a voice past the count stay silent.
        audio->StopAllVoices();
        audio->GetVoice(3)->locked = 1;
        for (int32_t voice : {3, -1, 1000})
        {
            ok->SetSounds(&press, &click, voice);
            ok->ActivateByKeyboard();
        }
        EXPECT_EQ(audio->GetVoice(3)->currentSound, nullptr);
        audio->GetVoice(3)->locked = 0;
        ok->ClearSounds();
        ok->ActivateByKeyboard();
        EXPECT_EQ(audio->GetVoice(0)->currentSound, nullptr);
        SetDefaultButtonSounds(nullptr, nullptr, 0, 0);
        audio->StopAllVoices();
    }
    DeleteAudioManager();
    SetAudioDeviceOpener(nullptr);
}

// The scene controller: building controllers by element kind, integer and fractional
// playback with loops and ends, nested scene start offsets, lookups, messages and the
// keyboard focus among buttons and toggle buttons.
#include <gtest/gtest.h>

#include <vector>

#include "GlaControllerFixtures.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElementControllers.h"
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/gla/Particles.h"

using namespace glatest;

namespace
{
// A sprite that moves 10 pixels a frame along x.
cGlaElementSprite* AddMover(cGlaScene* scene, const std::string& name, int32_t lastFrame)
{
    cGlaElementSprite* s = AddSprite(scene, name);
    s->position.keys.clear();
    s->position.AddKey(cVec2f(0.0f, 0.0f), 0);
    s->position.AddKey(cVec2f(10.0f * static_cast<float>(lastFrame), 0.0f), lastFrame);
    return s;
}
} // namespace

TEST(GlaControllerScene, BuildsOneControllerPerPlayableElementInFileOrder)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 10);
    cGlaScene* nested = s.AddScene("Nested", 5);
    AddSprite(main, "sprite");
    AddElement<cGlaElementPath>(main, kGlaPath, "path"); // no controller
    AddRectangle(main, "rect", cVec2f(), cVec2f(10.0f, 10.0f));
    AddElement<cGlaElementTextBox>(main, kGlaTextBox, "text");
    AddSceneElement(main, "child", nested);
    AddElement<cGlaElementEvent>(main, kGlaEvent, "event");
    AddElement<cGlaElementMarker>(main, kGlaMarker, "marker"); // no controller
    AddControl(s, main, "Other", "obj", cVec2f(), "", "", ""); // an unplayed object type
    AddControl(s, main, "button", "lowercase", cVec2f(), "", "", ""); // names match exactly

    cGlaControllerScene controller(main);
    const std::vector<std::string> expected = {"cGlaControllerSprite", "cGlaControllerRectangle",
                                               "cGlaControllerTextBox", "cGlaControllerSceneElement",
                                               "cGlaControllerEvent"};
    ASSERT_EQ(controller.elementControllers.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ(controller.elementControllers[i]->GetClassInfo()->name, expected[i]);
        EXPECT_EQ(controller.elementControllers[i]->owner, &controller);
    }
    ASSERT_EQ(controller.nestedScenes.size(), 1u);
    EXPECT_EQ(controller.nestedScenes[0]->GetNestedScene()->scene, nested);
    EXPECT_EQ(controller.nestedScenes[0]->GetNestedScene()->owner, controller.nestedScenes[0]);

    // A controller without a scene has nothing to play and survives every call.
    cGlaControllerScene empty(static_cast<cGlaScene*>(nullptr));
    empty.Play(true, 1);
    empty.Advance();
    empty.Update();
    EXPECT_EQ(empty.elementControllers.size(), 0u);
    EXPECT_EQ(empty.FindController("sprite"), nullptr);
    cRect2f r;
    empty.GetBounds(r);
    EXPECT_GT(r.minX, r.maxX); // stays inverted
}

TEST(GlaControllerScene, IntegerPlaybackLoopsAndEnds)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 10);
    AddMover(main, "m", 9);
    cGlaControllerScene c(main);
    auto* sprite = FindSpriteController(&c, "m");
    ASSERT_NE(sprite, nullptr);

    // Without loop: 9 ticks reach frame 9; the 10th ends playback one past the end with
    // the elements left at frame 9.
    c.Play(false, 1);
    for (int i = 0; i < 9; ++i)
        c.Advance();
    EXPECT_EQ(c.frame, 9);
    EXPECT_TRUE(c.playing);
    EXPECT_FLOAT_EQ(sprite->position.x, 90.0f);
    c.Advance();
    EXPECT_FALSE(c.playing);
    EXPECT_EQ(c.loopCount, 1);
    EXPECT_EQ(c.frame, 10);
    EXPECT_FLOAT_EQ(sprite->position.x, 90.0f);
    c.Advance(); // stopped: nothing moves
    EXPECT_EQ(c.frame, 10);

    // With loop: ... 9, then 0 with one loop counted.
    c.Rewind();
    c.SetFrame(0);
    c.Play(true, 1);
    for (int i = 0; i < 10; ++i)
        c.Advance();
    EXPECT_EQ(c.frame, 0);
    EXPECT_EQ(c.loopCount, 1);
    EXPECT_TRUE(c.playing);
    EXPECT_FLOAT_EQ(sprite->position.x, 0.0f);

    // Backwards from 3 with loop: 2, 1, then 9 (frame 0 is skipped).
    c.SetFrame(3);
    c.Play(true, -1);
    std::vector<int32_t> frames;
    for (int i = 0; i < 3; ++i)
    {
        c.Advance();
        frames.push_back(c.frame);
    }
    EXPECT_EQ(frames, (std::vector<int32_t>{2, 1, 9}));
    EXPECT_EQ(c.loopCount, 1);
}

TEST(GlaControllerScene, FractionalPlaybackBlendsAndHoldsKindsWithoutBlend)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 10, 15.0f);
    AddMover(main, "m", 9);
    cGlaElementRectangle* rect = AddRectangle(main, "r", cVec2f(), cVec2f(10.0f, 10.0f));
    rect->position.keys.clear();
    rect->position.AddKey(cVec2f(0.0f, 0.0f), 0);
    rect->position.AddKey(cVec2f(90.0f, 0.0f), 9);
    cGlaControllerScene c(main);
    auto* sprite = FindSpriteController(&c, "m");
    auto* rectangle = FindRectangleController(&c, "r");
    c.Play(true, 1);
    EXPECT_TRUE(c.fractionalMode);
    EXPECT_FLOAT_EQ(c.speed, 0.5f);
    const int32_t frames[] = {0, 1, 1, 2};
    const float fractions[] = {0.5f, 0.0f, 0.5f, 0.0f};
    for (int i = 0; i < 4; ++i)
    {
        c.Advance();
        EXPECT_EQ(c.frame, frames[i]);
        EXPECT_FLOAT_EQ(c.fraction, fractions[i]);
    }
    EXPECT_FLOAT_EQ(sprite->position.x, 20.0f);
    // The rectangle has no blend of its own: it keeps its frame-0 pose.
    EXPECT_FLOAT_EQ(rectangle->position.x, 0.0f);

    // A scene with one frame never advances.
    cGlaScene* still = s.AddScene("Still", 1);
    cGlaControllerScene one(still);
    one.Play(true, 1);
    one.Advance();
    EXPECT_EQ(one.frame, 0);
    EXPECT_EQ(one.loopCount, 0);
}

TEST(GlaControllerScene, NestedScenesStartAtTheirOffsetAndSurviveEmptyScenes)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 4);
    cGlaScene* nested = s.AddScene("Nested", 10);
    cGlaScene* noFrames = s.AddScene("NoFrames", 0);
    AddSceneElement(main, "child", nested, 12);
    AddSceneElement(main, "empty", noFrames, 7);
    AddSceneElement(main, "none", nullptr, 3); // a scene track with no scene

    cGlaControllerScene c(main);
    cGlaControllerScene* child = c.nestedScenes[0]->GetNestedScene();
    c.Play(true, 1);
    EXPECT_EQ(child->frame, 2);
    EXPECT_TRUE(child->playing);
    c.Play(false, 1);
    EXPECT_EQ(child->frame, 9);
    c.StartChildScenes();
    EXPECT_EQ(child->frame, 2);
    EXPECT_TRUE(child->loop);
    // With no frames the wrap is skipped and the clamp leaves -1.
    EXPECT_EQ(c.nestedScenes[1]->GetNestedScene()->frame, -1);
    EXPECT_EQ(c.nestedScenes[2]->GetNestedScene()->scene, nullptr);

    // Nested scenes advance even when the outer scene does not.
    c.Rewind();
    const int32_t before = child->frame;
    c.Advance();
    EXPECT_EQ(child->frame, before + 1);
    c.Update();
}

TEST(GlaControllerScene, SceneElementSwitchesSceneAndRefusesToContainItself)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 20);
    cGlaScene* a = s.AddScene("A", 3);
    cGlaScene* b = s.AddScene("B", 3);
    AddSprite(a, "inA");
    AddSprite(b, "inB");
    cGlaElementScene* e = AddSceneElement(main, "child", a);
    e->scenes.AddNamedKey(b, 10, "B");
    e->scenes.AddNamedKey(main, 15, "Main"); // the scene itself: not played again inside

    cGlaControllerScene c(main);
    EXPECT_NE(c.FindController("inA"), nullptr);
    c.SetFrame(10);
    EXPECT_EQ(c.FindController("inA"), nullptr);
    EXPECT_NE(c.FindController("inB"), nullptr);
    c.SetFrame(15);
    EXPECT_EQ(c.nestedScenes[0]->GetNestedScene()->scene, nullptr);
    EXPECT_EQ(c.FindController("inB"), nullptr);
}

TEST(GlaControllerScene, LookupsPreferOwnElementsAndCheckTheClass)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 1);
    cGlaScene* nested = s.AddScene("Nested", 1);
    AddSprite(nested, "shared");
    AddSprite(nested, "deep");
    AddSceneElement(main, "child", nested);
    AddRectangle(main, "shared", cVec2f(), cVec2f(1.0f, 1.0f));
    AddElement<cGlaElementTextBox>(main, kGlaTextBox, "caption");

    cGlaControllerScene c(main);
    EXPECT_EQ(c.FindController("shared"), c.elementControllers[1]);
    EXPECT_EQ(FindSpriteController(&c, "shared"), nullptr);
    EXPECT_NE(FindRectangleController(&c, "shared"), nullptr);
    EXPECT_NE(FindSpriteController(&c, "deep"), nullptr);
    EXPECT_NE(FindRectangleController(&c, "caption"), nullptr); // a text box is a rectangle
    EXPECT_NE(FindSceneElementController(&c, "child"), nullptr);
    EXPECT_EQ(FindButtonController(&c, "child"), nullptr);
    EXPECT_EQ(c.FindController("shar"), nullptr);
    EXPECT_EQ(FindSpriteController(nullptr, "deep"), nullptr);
}

TEST(GlaControllerScene, MessagesAreTakenNewestFirstAndLastUntilTheNextUpdate)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 1);
    cGlaControllerScene c(main);
    c.PostMessage(cKelpoMsg("first", 1.0f));
    c.PostMessage(cKelpoMsg("second", 2.0f));
    ASSERT_EQ(c.MessageCount(), 2u);
    cKelpoMsg m;
    c.PopMessage(m);
    EXPECT_EQ(m.name, "second");
    c.PostMessage(cKelpoMsg("third", 3.0f));
    c.Update(); // the queue is emptied at the start of the update
    EXPECT_EQ(c.MessageCount(), 0u);
}

TEST(GlaControllerScene, BoundsUniteTheElementBoxes)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 1);
    AddRectangle(main, "a", cVec2f(0.0f, 0.0f), cVec2f(20.0f, 10.0f));
    AddRectangle(main, "b", cVec2f(100.0f, 50.0f), cVec2f(10.0f, 10.0f));
    cGlaControllerScene c(main);
    cRect2f r;
    c.GetBounds(r);
    EXPECT_FLOAT_EQ(r.minX, -10.0f);
    EXPECT_FLOAT_EQ(r.minY, -5.0f);
    EXPECT_FLOAT_EQ(r.maxX, 105.0f);
    EXPECT_FLOAT_EQ(r.maxY, 55.0f);
    c.position = cVec2f(1000.0f, 1000.0f); // not applied to the bounds
    c.GetBounds(r);
    EXPECT_FLOAT_EQ(r.minX, -10.0f);
}

TEST(GlaControllerScene, EventsCountDownOnce)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 1);
    AddElement<cGlaElementEvent>(main, kGlaEvent, "soon")->eventWordB = 2;
    AddElement<cGlaElementEvent>(main, kGlaEvent, "odd")->eventWordB = 0x80000000u; // most negative
    cGlaControllerScene c(main);
    auto* soon = static_cast<cGlaControllerEvent*>(c.elementControllers[0]);
    auto* odd = static_cast<cGlaControllerEvent*>(c.elementControllers[1]);
    c.Update();
    EXPECT_FALSE(soon->fired);
    EXPECT_TRUE(odd->fired);
    c.Update();
    EXPECT_TRUE(soon->fired);
    EXPECT_EQ(soon->countdown, 0);
    c.Update();
    EXPECT_EQ(soon->countdown, 0);
}

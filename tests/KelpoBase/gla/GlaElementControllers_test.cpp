// Element controllers sampling their tracks: static sprites, sprite boxes with pivots,
// alpha, rectangles that keep their last visible pose, text box alignment, textured
// polygons without an image or with a zero texture scale, multi-sprite and nested-scene
// bounds.
#include <gtest/gtest.h>

#include <cmath>

#include "GlaControllerFixtures.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElementControllers.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/MultiSprite.h"
#include "KelpoBase/render/TextureAtlas.h"

using namespace glatest;

TEST(GlaElementControllers, SpritesSampleTheirPoseAndBox)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 10);
    ImageRect picture;
    picture.w = 41; // halved in integers: 20
    picture.h = 10;

    cGlaElementSprite* moving = AddSprite(main, "moving");
    moving->position.keys.clear();
    moving->position.AddKey(cVec2f(0.0f, 0.0f), 0);
    moving->position.AddKey(cVec2f(90.0f, 0.0f), 9);
    moving->scale.keys[0].value = cVec2f(-2.0f, 1.0f);
    moving->rotation.AddKey(90.0f);
    moving->pivot.AddKey(cVec2f(5.0f, 0.0f));
    moving->frames.AddNamedKey(&picture, 0, "p.png");
    moving->layer.AddKey(-2.7f);

    auto* still = static_cast<cGlaElementSprite*>(CreateGlaElement(kGlaSpriteStatic));
    still->name = "still";
    still->visible.AddKey(true);
    still->position.AddKey(cVec2f(0.0f, 0.0f), 0);
    still->position.AddKey(cVec2f(90.0f, 0.0f), 9);
    main->AddSpriteElement(still);

    cGlaControllerScene c(main);
    auto* m = FindSpriteController(&c, "moving");
    auto* st = FindSpriteController(&c, "still");
    ASSERT_NE(st, nullptr);
    EXPECT_TRUE(st->isStatic);
    c.SetFrame(5);
    EXPECT_FLOAT_EQ(st->position.x, 0.0f); // a static sprite keeps frame 0
    EXPECT_FLOAT_EQ(m->position.x, 50.0f);
    EXPECT_EQ(m->layerOffset, -2);
    EXPECT_NEAR(m->angle, 1.5707964f, 1e-6f);

    // Half extents from the halved picture size times |scale|; the pivot turned by the
    // angle and taken from the position.
    cOrientedBox box;
    m->GetBounds(box);
    EXPECT_FLOAT_EQ(box.halfExtents.x, 40.0f);
    EXPECT_FLOAT_EQ(box.halfExtents.y, 5.0f);
    EXPECT_NEAR(box.centre.x, 50.0f, 1e-4f);
    EXPECT_NEAR(box.centre.y, -5.0f, 1e-4f);
    EXPECT_NEAR(box.axisX.y, 1.0f, 1e-6f);

    // No picture: an empty box at the origin.
    st->GetBounds(box);
    EXPECT_EQ(box.halfExtents, cVec2f());

    m->SetAlpha(0);
    EXPECT_EQ(m->tint.a, 0);
    c.SetFrame(6);
    EXPECT_EQ(m->tint.a, 255); // until the next sample
}

TEST(GlaElementControllers, RectanglesKeepTheirLastVisiblePose)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 10);
    cGlaElementRectangle* r = AddRectangle(main, "r", cVec2f(), cVec2f(20.0f, 10.0f));
    r->visible.keys.clear();
    r->visible.AddKey(true, 0);
    r->visible.AddKey(false, 5);
    r->position.keys.clear();
    r->position.AddKey(cVec2f(0.0f, 0.0f), 0);
    r->position.AddKey(cVec2f(90.0f, 0.0f), 9);
    r->angle.AddKey(90.0f);
    cGlaControllerScene c(main);
    auto* rect = FindRectangleController(&c, "r");
    c.SetFrame(4);
    EXPECT_FLOAT_EQ(rect->position.x, 40.0f);
    EXPECT_NEAR(rect->angle, -1.5707964f, 1e-6f); // turned with the sign reversed
    c.SetFrame(8);
    EXPECT_FALSE(rect->visible);
    EXPECT_FLOAT_EQ(rect->position.x, 40.0f);
    cOrientedBox box;
    rect->GetBounds(box);
    EXPECT_FLOAT_EQ(box.halfExtents.x, 10.0f);
    EXPECT_FLOAT_EQ(box.halfExtents.y, 5.0f);
}

TEST(GlaElementControllers, TextBoxAlignment)
{
    struct Case
    {
        uint32_t alignment;
        int32_t flags;
        cVec2f offset;
    } cases[] = {
        {0, 0, {0.0f, 0.0f}},   {1, 1, {-100.0f, 0.0f}}, {2, 2, {100.0f, 0.0f}},
        {3, 16, {0.0f, 20.0f}}, {4, 32, {0.0f, -20.0f}}, {9, 0, {0.0f, 0.0f}},
    };
    for (const Case& k : cases)
    {
        SceneSet s;
        cGlaScene* main = s.AddScene("Main", 1);
        auto* t = AddElement<cGlaElementTextBox>(main, kGlaTextBox, "t");
        t->visible.AddKey(true);
        t->position.AddKey(cVec2f());
        t->size.AddKey(cVec2f(200.0f, 40.0f));
        t->alignment = k.alignment;
        t->text = "Hello";
        t->textFlag = 1;
        t->textColour.AddKey(cRGBA(10, 20, 30, 128));
        cGlaControllerScene c(main);
        auto* box = static_cast<cGlaControllerTextBox*>(c.FindController("t"));
        EXPECT_EQ(box->alignmentFlags, k.flags) << k.alignment;
        EXPECT_EQ(box->alignmentOffset, k.offset) << k.alignment;
        EXPECT_EQ(box->wrapWidth, 200);
        EXPECT_EQ(box->text, "Hello");
        EXPECT_TRUE(box->shadow);
        EXPECT_EQ(box->shadowColour, cRGBA(0, 0, 0, 128));
    }
}

TEST(GlaElementControllers, TexturedPolygonsNeverDivideByZero)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 3);
    cImage image;
    image.width = 64;
    image.height = 32;
    auto* p = AddElement<cGlaElementPolyTextured>(main, kGlaPolyTextured, "poly");
    p->visible.AddKey(true);
    p->position.AddKey(cVec2f(10.0f, 20.0f));
    p->points = {cVec2f(0.0f, 0.0f), cVec2f(64.0f, 0.0f), cVec2f(64.0f, 32.0f)};
    p->texture.AddNamedKey(&image, 0, "t.png");
    p->texture.AddNamedKey(nullptr, 2, "missing.png");
    p->textureScale.AddKey(cVec2f(1.0f, 1.0f), 0);
    p->textureScale.AddKey(cVec2f(0.0f, 1.0f), 1);
    p->textureScale.AddKey(cVec2f(0.0f, 1.0f), 2);
    cGlaControllerScene c(main);
    auto* poly = static_cast<cGlaControllerPolyTextured*>(c.FindController("poly"));
    ASSERT_EQ(poly->texCoords.size(), 3u);
    EXPECT_FLOAT_EQ(poly->texCoords[2].x, 1.0f);
    EXPECT_FLOAT_EQ(poly->texCoords[2].y, 1.0f);
    c.SetFrame(1); // zero texture scale: the last coordinates stay
    EXPECT_FLOAT_EQ(poly->texCoords[2].x, 1.0f);
    EXPECT_TRUE(std::isfinite(poly->texelFactors.x));
    c.SetFrame(2); // no image
    EXPECT_EQ(poly->image, nullptr);
    EXPECT_FLOAT_EQ(poly->texCoords[1].x, 1.0f);
    c.SetFrameBlend(0, 0.5f);
    EXPECT_TRUE(std::isfinite(poly->texCoords[1].x));

    cOrientedBox box;
    poly->GetBounds(box);
    EXPECT_FLOAT_EQ(box.centre.x, 42.0f);
    EXPECT_FLOAT_EQ(box.centre.y, 36.0f);
    EXPECT_FLOAT_EQ(box.halfExtents.x, 32.0f);
}

TEST(GlaElementControllers, MultiSpriteAndNestedSceneBounds)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 1);
    cGlaScene* nested = s.AddScene("Nested", 1);
    cGlaScene* empty = s.AddScene("Empty", 1);
    cMultiSprite picture;
    picture.width = 100;
    picture.height = 60;
    auto* multi = AddElement<cGlaElementMultiSprite>(main, kGlaMultiSprite, "multi");
    multi->visible.AddKey(true);
    multi->position.AddKey(cVec2f(5.0f, 5.0f));
    multi->scale.AddKey(cVec2f(2.0f, 1.0f));
    multi->multiSprite = &picture;
    AddRectangle(nested, "a", cVec2f(10.0f, 0.0f), cVec2f(20.0f, 10.0f));
    cGlaElementScene* child = AddSceneElement(main, "child", nested);
    child->position.keys[0].value = cVec2f(100.0f, 0.0f);
    AddSceneElement(main, "nothing", empty);

    cGlaControllerScene c(main);
    cOrientedBox box;
    c.FindController("multi")->GetBounds(box);
    EXPECT_FLOAT_EQ(box.halfExtents.x, 100.0f);
    EXPECT_FLOAT_EQ(box.halfExtents.y, 30.0f);
    EXPECT_FLOAT_EQ(box.centre.x, 5.0f);

    c.FindController("child")->GetBounds(box);
    EXPECT_FLOAT_EQ(box.centre.x, 110.0f);
    EXPECT_FLOAT_EQ(box.halfExtents.x, 10.0f);
    // A nested scene with nothing in it gives a box of no size, not an inverted one.
    c.FindController("nothing")->GetBounds(box);
    EXPECT_EQ(box.halfExtents, cVec2f());
    cRect2f r;
    c.GetBounds(r);
    EXPECT_TRUE(std::isfinite(r.minX) && std::isfinite(r.maxX));
}

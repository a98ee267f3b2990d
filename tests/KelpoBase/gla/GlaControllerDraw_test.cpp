// Scenes drawn for real through the 2D context into the off-screen target (offscreen video
// driver) and read back: tinted and scaled sprites, a nested scene, a button whose look
// follows the pointer, and emitted particles. Colour tolerance: 2 per channel.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "GLTestContext.h"
#include "GlaControllerFixtures.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/gla/Particles.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Font.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/RendererOGL.h"
#include "KelpoBase/render/Surface.h"
#include "KelpoBase/render/TextureAtlas.h"

using namespace glatest;

namespace
{
constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kRed = 0xFF0000FFu;
constexpr uint32_t kGreen = 0xFF00FF00u;
constexpr uint32_t kBlue = 0xFFFF0000u;
constexpr uint32_t kYellow = 0xFF00FFFFu;

std::string Hex(uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

class GlaControllerDraw : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(tvtest::AcquireGLWindow(), nullptr);
        renderer = std::make_unique<cRenderer_OGL_1>();
        gRenderer = renderer.get();
        gfx = std::make_unique<cGfx2D>(renderer.get());

        // An 8 x 8 white picture: every tint shows as itself.
        cSurface surface(8, 8);
        for (int32_t y = 0; y < 8; ++y)
            for (int32_t x = 0; x < 8; ++x)
                surface.SetPixel(x, y, 0xFFFFFFFFu);
        image = std::make_unique<cImage>(renderer->CreateTexture(&surface, kTexAtlasPage), 8, 8);
        frame.image = image.get();
        frame.w = 8;
        frame.h = 8;
        frame.ComputeTexCoords();
    }
    void TearDown() override
    {
        gfx.reset();
        image.reset();
        gRenderer = nullptr;
        renderer.reset();
    }

    // A sprite of the white picture, scaled and tinted.
    cGlaElementSprite* AddPicture(cGlaScene* scene, const std::string& name, cVec2f at, float scale, cRGBA tint)
    {
        cGlaElementSprite* s = AddSprite(scene, name, at);
        s->scale.keys.clear();
        s->scale.AddKey(cVec2f(scale, scale));
        s->colour.AddKey(tint);
        s->frames.AddNamedKey(&frame, 0, "white.png");
        return s;
    }

    void DrawFrame(cGlaControllerScene& scene)
    {
        renderer->SetClearColour(kBlack);
        renderer->Clear(kClearColour | kClearDepth);
        gfx->SaveRendererState();
        gfx->Begin();
        scene.Draw(*gfx);
        gfx->RestoreRendererState();
    }

    void ExpectPixel(int x, int y, uint32_t expected)
    {
        const uint32_t got = tvtest::ReadScreenPixel(x, y, 720);
        EXPECT_TRUE(tvtest::ColoursNear(got, expected, 2))
            << "at " << x << "," << y << " got " << Hex(got) << " expected " << Hex(expected);
    }

    std::unique_ptr<cRenderer_OGL_1> renderer;
    std::unique_ptr<cGfx2D> gfx;
    std::unique_ptr<cImage> image;
    ImageRect frame;
};
} // namespace

TEST_F(GlaControllerDraw, SpritesNestedScenesButtonsAndParticles)
{
    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 1);
    cGlaScene* nested = s.AddScene("Nested", 1);
    cGlaScene* look = s.AddScene("Look", 2);

    // A red 32 x 32 square at (100, 100); a hidden one beside it.
    AddPicture(main, "red", cVec2f(100.0f, 100.0f), 4.0f, cRGBA(255, 0, 0, 255));
    AddPicture(main, "hidden", cVec2f(200.0f, 100.0f), 4.0f, cRGBA(255, 0, 0, 255))->visible.keys[0].value = false;
    // A nested scene moved by (300, 0) holding a white square at (0, 100), tinted green by
    // the scene element.
    AddPicture(nested, "inner", cVec2f(0.0f, 100.0f), 4.0f, cRGBA(255, 255, 255, 255));
    cGlaElementScene* child = AddSceneElement(main, "child", nested);
    child->position.keys[0].value = cVec2f(300.0f, 0.0f);
    child->colour.AddKey(cRGBA(0, 255, 0, 255));
    // A button at (500, 300): green at rest, blue while pressed.
    cGlaElementSprite* face = AddPicture(look, "face", cVec2f(), 8.0f, cRGBA(0, 255, 0, 255));
    face->colour.keys.clear();
    face->colour.AddKey(cRGBA(0, 255, 0, 255), 0);
    face->colour.AddKey(cRGBA(0, 0, 255, 255), 1);
    AddRectangle(look, "hitbox", cVec2f(), cVec2f(64.0f, 64.0f));
    AddControl(s, main, "Button", "button", cVec2f(500.0f, 300.0f), "Button", "Look", "actGo");
    // An emitter of still yellow particles at (800, 400).
    auto* emitter = AddElement<cGlaElementParticleEmiter>(main, kGlaParticleEmiter, "sparks");
    emitter->visible.AddKey(true);
    emitter->position.AddKey(cVec2f(800.0f, 400.0f));
    emitter->emitterFloat.AddKey(1.0f);
    emitter->images.push_back(&frame);
    emitter->settings.lifeTicks = 100;
    emitter->settings.sizeStart = 16.0f; // half-width in pixels: a 32-pixel square
    emitter->settings.sizeEnd = 16.0f;
    emitter->settings.colourStart = kYellow;
    emitter->settings.colourEnd = kYellow;

    cGlaControllerScene c(main);
    c.Update();
    ASSERT_EQ(c.PeekParticlePool()->Used(), 1u);
    DrawFrame(c);

    ExpectPixel(100, 100, kRed);
    ExpectPixel(115, 115, kRed);
    ExpectPixel(118, 100, kBlack); // the square ends at 116
    ExpectPixel(200, 100, kBlack);
    ExpectPixel(300, 100, kGreen);
    ExpectPixel(500, 300, kGreen);
    ExpectPixel(800, 400, kYellow);
    ExpectPixel(814, 386, kYellow);
    ExpectPixel(820, 400, kBlack);

    // Pressing the button shows its pressed look.
    PointerScript input;
    input.Down(500, 300);
    c.Update();
    DrawFrame(c);
    ExpectPixel(500, 300, kBlue);

    // A disabled button with a two-frame look draws no look at all.
    FindButtonController(&c, "button")->SetEnabled(false);
    DrawFrame(c);
    ExpectPixel(500, 300, kBlack);

    // Culled drawing leaves out what lies outside the view.
    cOrientedBox view = cOrientedBox::FromRect(cRect2f{0.0f, 0.0f, 250.0f, 720.0f});
    renderer->SetClearColour(kBlack);
    renderer->Clear(kClearColour | kClearDepth);
    gfx->SaveRendererState();
    gfx->Begin();
    c.DrawCulled(*gfx, view);
    gfx->RestoreRendererState();
    ExpectPixel(100, 100, kRed);
    ExpectPixel(300, 100, kBlack);
    ExpectPixel(800, 400, kYellow); // particles are drawn unculled
}

// Particles: a delayed particle is not drawn; the pool's box culls the whole pool in mode
// 1, and each particle by its distance in mode 2; an anchored particle turns about its
// origin.
TEST_F(GlaControllerDraw, ParticlesDelayCullingAndAnchoring)
{
    cParticlePool pool;
    auto add = [&](cVec2f at, uint32_t colour, int32_t delay) {
        cParticle* p = AllocParticle(pool);
        p->image = &frame;
        p->position = at;
        p->sizeStart = p->sizeEnd = 8.0f; // a 16-pixel square
        p->colourStart = p->colourEnd = colour;
        p->lifeRate = 0.01f;
        p->delay = delay;
        PrepareParticle(*p, 0);
        return p;
    };
    add(cVec2f(100.0f, 100.0f), kRed, 0);
    add(cVec2f(200.0f, 100.0f), kGreen, 5);
    cParticle* anchored = add(cVec2f(300.0f, 100.0f), kBlue, 0);
    anchored->origin = cVec2f(300.0f, 150.0f); // turns a half turn about (300, 150)
    anchored->angle = 3.1415927f;
    anchored->flags |= kParticleAnchored;
    UpdateParticlePool(pool);

    auto draw = [&](int32_t mode, const cOrientedBox& view) {
        pool.cullMode = mode;
        renderer->SetClearColour(kBlack);
        renderer->Clear(kClearColour | kClearDepth);
        gfx->SaveRendererState();
        gfx->Begin();
        DrawParticlePoolCulled(pool, *gfx, view);
        gfx->RestoreRendererState();
    };
    const cOrientedBox everywhere = cOrientedBox::FromRect(cRect2f{0.0f, 0.0f, 1280.0f, 720.0f});
    draw(0, everywhere);
    ExpectPixel(100, 100, kRed);
    ExpectPixel(200, 100, kBlack);
    ExpectPixel(300, 200, kBlue);
    ExpectPixel(300, 100, kBlack);
    EXPECT_EQ(gfx->GetColour(), 0xFFFFFFFFu);

    // Mode 1: a view away from the pool's box draws nothing at all.
    const cOrientedBox corner = cOrientedBox::FromRect(cRect2f{1000.0f, 500.0f, 1280.0f, 720.0f});
    draw(1, corner);
    ExpectPixel(100, 100, kBlack);
    draw(1, everywhere);
    ExpectPixel(100, 100, kRed);

    // Mode 2: only particles near the view.
    const cOrientedBox left = cOrientedBox::FromRect(cRect2f{0.0f, 0.0f, 150.0f, 720.0f});
    draw(2, left);
    ExpectPixel(100, 100, kRed);
    ExpectPixel(300, 200, kBlack);
}

// Text: a text box aligned by its left edge lays its text out from the box's left side; a
// button draws its caption over its look; nothing is drawn while the context has no font.
TEST_F(GlaControllerDraw, TextBoxesAndCaptions)
{
    // A font of one glyph, 'A': the whole 8 x 8 white page, advance 8.
    std::vector<uint8_t> bytes;
    auto put = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(uint8_t(v >> (8 * i)));
    };
    put(0x544E4643u); // "CFNT"
    put(1);
    put(1);
    for (uint32_t v : {uint32_t('A'), 0u, 0u, 8u, 8u, 0u, 8u, 8u})
        put(v);
    bytes.push_back(0);
    bytes.push_back(0);
    std::unique_ptr<cFont> font(cFont::ReadFromMemory(bytes.data(), bytes.size()));
    ASSERT_NE(font, nullptr);
    font->SetPage(image.get());

    SceneSet s;
    cGlaScene* main = s.AddScene("Main", 1);
    auto* text = AddElement<cGlaElementTextBox>(main, kGlaTextBox, "text");
    text->visible.AddKey(true);
    text->position.AddKey(cVec2f(640.0f, 360.0f));
    text->size.AddKey(cVec2f(200.0f, 40.0f));
    text->alignment = 1;
    text->text = "AAAA";
    text->textColour.AddKey(cRGBA(255, 0, 0, 255));
    AddLook(s, "Look", 2);
    cGlaElementGameObj* button = AddControl(s, main, "Button", "b", cVec2f(640.0f, 600.0f), "Button", "Look", "actB");
    button->AddProp(new cGlaPropString("Text", "AA"));
    cGlaControllerScene c(main);

    DrawFrame(c); // no font yet: nothing
    ExpectPixel(545, 360, kBlack);
    ExpectPixel(640, 600, kBlack);

    gfx->SetFont(font.get());
    DrawFrame(c);
    ExpectPixel(545, 360, kRed);
    ExpectPixel(570, 360, kRed);
    ExpectPixel(536, 360, kBlack);
    ExpectPixel(576, 360, kBlack);
    ExpectPixel(635, 600, 0xFFFFFFFFu);
    ExpectPixel(652, 600, kBlack);
    gfx->SetFont(nullptr);
}

// A slider lights its overlay up to its value, or only the current segment, and draws its
// knob along the span; disabled, the knob is left out.
TEST_F(GlaControllerDraw, SliderOverlayAndKnob)
{
    cSurface bar(64, 16);
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 64; ++x)
            bar.SetPixel(x, y, 0xFFFFFFFFu);
    cImage barImage(renderer->CreateTexture(&bar, kTexAtlasPage), 64, 16);
    ImageRect overlay;
    overlay.image = &barImage;
    overlay.w = 64;
    overlay.h = 16;
    overlay.ComputeTexCoords();

    for (bool segmented : {false, true})
    {
        SceneSet s;
        cGlaScene* main = s.AddScene("Main", 1);
        cGlaScene* look = s.AddScene("SliderLook", 1);
        AddSprite(look, "overlay")->frames.AddNamedKey(&overlay, 0, "bar.png");
        AddSprite(look, "slider")->frames.AddNamedKey(&frame, 0, "knob.png");
        if (segmented)
        {
            look->AddProp(new cGlaPropInt("Num Segments", 4));
            look->AddProp(new cGlaPropBool("Highlight Segment Only", true));
        }
        AddControl(s, main, "Slider", "slider", cVec2f(640.0f, 200.0f), "Slider", "SliderLook", "actSlide");
        cGlaControllerScene c(main);
        auto* slider = ClassCast<cGlaControllerSlider>(c.FindController("slider"));
        ASSERT_NE(slider, nullptr);
        slider->SetValue(segmented ? 0.3f : 0.5f); // segments: quantised up to 0.5
        EXPECT_FLOAT_EQ(slider->value, 0.5f);
        DrawFrame(c);
        // The overlay spans 608 to 672; the knob (8 pixels) sits at the middle, 640.
        ExpectPixel(630, 200, 0xFFFFFFFFu);
        ExpectPixel(640, 200, 0xFFFFFFFFu);
        ExpectPixel(650, 200, kBlack);
        ExpectPixel(615, 200, segmented ? kBlack : 0xFFFFFFFFu);

        slider->SetEnabled(false);
        slider->SetValue(0.0f); // segmented: raised to the first segment
        DrawFrame(c);
        ExpectPixel(640, 200, kBlack);
    }
}

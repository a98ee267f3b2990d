// The heads-up display against a recording drawer: the sugar numbers by mode, the
// survival time and its colours, the fuel bar, the shrinking sugar icon, the keys and
// the jump indicators. Then the sample tree's display as a level draws it: its figures on
// plates that read the same over any ground.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/core/Colour.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElement.h"
#include "KelpoBase/gla/GlaElementControllers.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/render/Font.h"
#include "KelpoBase/render/FontFixtures.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/TextureAtlas.h"
#include "GLTestContext.h"
#include "RealLevel.h"
#include "game/level/Hud.h"
#include "game/level/Level.h"
#include "game/objects/GameObj.h"

namespace
{
const std::string kTimeChars = "0123456789:.";

// Records frames (with their origin), frame regions and glyph quads.
struct Recorder : cGfx2D
{
    Recorder() : cGfx2D(nullptr) {}
    struct Frame
    {
        const ImageRect* frame;
        cVec2f at;
        int32_t regionWidth; // -1 for whole frames
    };
    struct Glyph
    {
        int32_t width;
        uint32_t top, bottom;
        cAffine2D transform;
    };
    void DrawFrame(const ImageRect* frame, uint32_t) override
    {
        frames.push_back({frame, transform.TransformPoint(cVec2f()), -1});
    }
    void DrawFrameRegion(const ImageRect* frame, int32_t, int32_t, int32_t w, int32_t, uint32_t) override
    {
        frames.push_back({frame, transform.TransformPoint(cVec2f()), w});
    }
    void DrawTexturedPolygon(const cVec2f* points, const uint32_t* colours, const cVec2f*, cImage*,
                             uint32_t n) override
    {
        if (n == 4 && colours != nullptr)
            glyphs.push_back({int32_t(points[1].x), colours[0], colours[3], transform});
    }
    void SetRenderFlagsHigh(uint16_t) override {}
    void Clear()
    {
        frames.clear();
        glyphs.clear();
    }
    bool Drew(const ImageRect* image) const
    {
        return std::any_of(frames.begin(), frames.end(), [&](const Frame& f) { return f.frame == image; });
    }
    // The text of the glyphs drawn: each glyph's width names its character.
    std::string Text() const
    {
        std::string s;
        for (const Glyph& g : glyphs)
        {
            const int32_t i = g.width - 5;
            s += i >= 0 && i < int32_t(kTimeChars.size()) ? kTimeChars[size_t(i)] : '?';
        }
        return s;
    }
    std::vector<Frame> frames;
    std::vector<Glyph> glyphs;
};

struct HudFixture
{
    HudFixture()
    {
        for (int d = 0; d < 10; ++d)
        {
            digitImages[d] = ImageRect{nullptr, 0, 0, 20 + d, 30};
            digits[d] = &digitImages[d];
        }
        cGlaScene* hud = AddScene("hud");
        AddRect(hud, "sugerCurrent", {100.0f, 50.0f});
        AddRect(hud, "sugerTotal", {140.0f, 50.0f});
        AddRect(hud, "time", {300.0f, 40.0f});
        cGlaElementSprite* power = AddSprite(hud, "power", &powerImage);
        power->cropped = 1;
        power->cropX.AddKey(cVec2f(0.0f, 1.0f));
        power->cropY.AddKey(cVec2f(0.0f, 1.0f));
        AddSprite(hud, "suger", &sugarImage);
        AddSprite(hud, "key_yellow", &keyImages[0]);
        AddSprite(hud, "key_red", &keyImages[1]);
        AddSprite(hud, "key_green", &keyImages[2]);
        AddSprite(hud, "key_blue", &keyImages[3]);
        hudScene = std::make_unique<cGlaControllerScene>(hud);

        cGlaScene* jump = AddScene("jump");
        AddSprite(jump, "on", &jumpImage);
        jumpScene = std::make_unique<cGlaControllerScene>(jump);
        cGlaScene* noJump = AddScene("nojump");
        AddSprite(noJump, "off", &noJumpImage);
        noJumpScene = std::make_unique<cGlaControllerScene>(noJump);

        const auto bytes = tvtest::BuildFont(UniformWidths());
        font.reset(cFont::ReadFromMemory(bytes.data(), bytes.size()));
        if (font != nullptr)
            font->SetPage(&page); // the glyphs take their sizes from the page

        view.hudScene = hudScene.get();
        view.jumpIndicator = jumpScene.get();
        view.noJumpIndicator = noJumpScene.get();
        view.digits = digits;
        view.font = font.get();
        view.screenWidth = 1280;
    }

    // Glyphs for the time's characters, each of its own width (5 + its index).
    static std::vector<tvtest::GlyphDesc> UniformWidths()
    {
        std::vector<tvtest::GlyphDesc> glyphs;
        int32_t x = 0;
        for (size_t i = 0; i < kTimeChars.size(); ++i)
        {
            const int32_t w = 5 + int32_t(i);
            glyphs.push_back({int32_t(uint8_t(kTimeChars[i])), x, 0, w, 10, 0, 10, w});
            x += w + 1;
        }
        return glyphs;
    }

    cGlaScene* AddScene(const char* name)
    {
        auto* scene = new cGlaScene();
        scene->SetName(name);
        scene->frameCount = 1;
        scene->fps = 30.0f;
        set.AddScene(scene);
        return scene;
    }
    static void AddRect(cGlaScene* scene, const char* name, cVec2f at)
    {
        auto* r = static_cast<cGlaElementRectangle*>(CreateGlaElement(kGlaRectangle));
        r->name = name;
        r->visible.AddKey(true);
        r->position.AddKey(at);
        r->size.AddKey(cVec2f(10.0f, 10.0f));
        scene->AddObjectElement(r);
    }
    static cGlaElementSprite* AddSprite(cGlaScene* scene, const char* name, ImageRect* image)
    {
        auto* s = static_cast<cGlaElementSprite*>(CreateGlaElement(kGlaSprite));
        s->name = name;
        s->visible.AddKey(true);
        s->position.AddKey(cVec2f(600.0f, 20.0f));
        s->scale.AddKey(cVec2f(1.0f, 1.0f));
        s->frames.AddNamedKey(image, 0, name);
        scene->AddSpriteElement(s);
        return s;
    }

    // The number drawn with digit frames whose origins lie in [x0, x1).
    std::string NumberIn(float x0, float x1) const
    {
        std::vector<std::pair<float, int>> found;
        for (const Recorder::Frame& f : gfx.frames)
            for (int d = 0; d < 10; ++d)
                if (f.frame == digits[d] && f.at.x >= x0 && f.at.x < x1)
                    found.push_back({f.at.x, d});
        std::sort(found.begin(), found.end());
        std::string s;
        for (const auto& [x, d] : found)
            s += char('0' + d);
        return s;
    }

    void Run() { UpdateHud(gfx, view); }

    cGlaSet set;
    ImageRect digitImages[10];
    const ImageRect* digits[10] = {};
    ImageRect powerImage{nullptr, 0, 0, 200, 20};
    ImageRect sugarImage{nullptr, 0, 0, 32, 32};
    ImageRect keyImages[4] = {{nullptr, 0, 0, 16, 16}, {nullptr, 0, 0, 16, 16}, {nullptr, 0, 0, 16, 16},
                              {nullptr, 0, 0, 16, 16}};
    ImageRect jumpImage{nullptr, 0, 0, 8, 8};
    ImageRect noJumpImage{nullptr, 0, 0, 8, 8};
    std::unique_ptr<cGlaControllerScene> hudScene, jumpScene, noJumpScene;
    cImage page{0, 256, 64};
    std::unique_ptr<cFont> font;
    HudView view;
    Recorder gfx;
};
} // namespace

TEST(Hud, StoryLevelShowsCollectedAndTotalSugarAndNoTime)
{
    HudFixture f;
    f.view.sugarCollected = 37;
    f.view.sugarTotal = 120;
    f.view.survivalCountdown = 900;
    f.Run();
    EXPECT_EQ(f.NumberIn(0.0f, 100.0f), "37") << "right-aligned: ends at the placeholder";
    EXPECT_EQ(f.NumberIn(140.0f, 250.0f), "120") << "left-aligned: starts at the placeholder";
    EXPECT_TRUE(f.gfx.glyphs.empty()) << "no time outside survival levels";
    // Right-aligned digits end at x 100 with -10 pixels between digits: 3 (23) + 7 (27).
    const auto first = std::find_if(f.gfx.frames.begin(), f.gfx.frames.end(),
                                    [&](const Recorder::Frame& fr) { return fr.frame == f.digits[3]; });
    ASSERT_NE(first, f.gfx.frames.end());
    EXPECT_FLOAT_EQ(first->at.x, 100.0f - (23.0f - 10.0f) - (27.0f - 10.0f));
    EXPECT_FLOAT_EQ(first->at.y, 50.0f - 15.0f);
    EXPECT_TRUE(f.gfx.transformStack.empty());
}

TEST(Hud, SurvivalLevelShowsSugarAndTimeButNoTotal)
{
    HudFixture f;
    f.view.isSurvival = true;
    f.view.sugarCollected = 5;
    f.view.sugarTotal = 99;
    f.view.survivalCountdown = 2250; // 75 seconds
    f.view.levelIndex = 2;
    f.Run();
    EXPECT_EQ(f.NumberIn(100.0f, 140.0f), "5") << "left-aligned at sugerCurrent";
    EXPECT_EQ(f.NumberIn(140.0f, 1000.0f), "") << "no total in survival levels";
    EXPECT_EQ(f.gfx.Text(), "01:15");
    ASSERT_FALSE(f.gfx.glyphs.empty());
    EXPECT_EQ(f.gfx.glyphs[0].top, cRGBA(5, 219, 166, 255).Word());
    EXPECT_EQ(f.gfx.glyphs[0].bottom, cRGBA(130, 220, 190, 255).Word());
    // Turned by -4 degrees about the placeholder.
    const cAffine2D& t = f.gfx.glyphs[0].transform;
    EXPECT_NEAR(std::atan2(t.m1, t.m0), -0.06981317f, 1e-5f);
    // The text ends at the placeholder: the last glyph's right edge is at x 300.
    const cAffine2D& last = f.gfx.glyphs.back().transform;
    const cVec2f end = last.TransformPoint(cVec2f(float(f.gfx.glyphs.back().width), 0.0f));
    EXPECT_NEAR(end.x, 300.0f, 1.0f);
}

TEST(Hud, TimeTextAndColours)
{
    EXPECT_EQ(HudTimeText(45), "00:01") << "1.5 seconds";
    EXPECT_EQ(HudTimeText(0), "00:00");
    EXPECT_EQ(HudTimeText(-30), "00:00") << "a countdown run out shows no negative time";
    EXPECT_EQ(HudTimeText(30 * 600), "10:00");
    struct Case
    {
        int32_t index;
        cRGBA top, bottom;
    };
    const Case cases[] = {{0, {40, 59, 110, 255}, {0, 167, 157, 255}},
                          {1, {40, 59, 110, 255}, {0, 167, 157, 255}},
                          {2, {5, 219, 166, 255}, {130, 220, 190, 255}},
                          {3, {255, 150, 31, 255}, {255, 255, 31, 255}},
                          {-1, {255, 150, 31, 255}, {255, 255, 31, 255}}};
    for (const Case& c : cases)
    {
        uint32_t top = 0, bottom = 0;
        HudTimeColours(c.index, top, bottom);
        EXPECT_EQ(top, c.top.Word()) << c.index;
        EXPECT_EQ(bottom, c.bottom.Word()) << c.index;
    }
    EXPECT_EQ(HudDigitSpacing(960), -10.0f);
    EXPECT_EQ(HudDigitSpacing(959), -5.0f);
}

TEST(Hud, NarrowScreenPacksTheDigitsCloser)
{
    HudFixture f;
    f.view.sugarTotal = 11;
    f.view.screenWidth = 959;
    f.Run();
    std::vector<float> xs;
    for (const Recorder::Frame& fr : f.gfx.frames)
        if (fr.frame == f.digits[1] && fr.at.x >= 140.0f)
            xs.push_back(fr.at.x);
    ASSERT_EQ(xs.size(), 2u);
    EXPECT_FLOAT_EQ(xs[1] - xs[0], 21.0f - 5.0f);
}

TEST(Hud, PowerBarShowsTheFuelAsAFractionOfItsWidth)
{
    HudFixture f;
    for (const auto& [fuel, width] : {std::pair{0.25f, 50}, {1.0f, 200}, {0.0f, 0}, {1.7f, 200}, {-1.0f, 0}})
    {
        f.gfx.Clear();
        f.view.jumpFuel = fuel;
        f.Run();
        const auto it = std::find_if(f.gfx.frames.begin(), f.gfx.frames.end(),
                                     [&](const Recorder::Frame& fr) { return fr.frame == &f.powerImage; });
        ASSERT_NE(it, f.gfx.frames.end()) << fuel;
        EXPECT_EQ(it->regionWidth, width) << fuel;
    }
}

TEST(Hud, SugarIconShrinksBackToItsSizeAndStays)
{
    HudFixture f;
    cGlaControllerSprite* sugar = FindSpriteController(f.hudScene.get(), "suger");
    ASSERT_NE(sugar, nullptr);
    sugar->scale = cVec2f(1.05f, 1.05f);
    for (int i = 0; i < 4; ++i)
        f.Run();
    EXPECT_GT(sugar->scale.x, 1.0f);
    f.Run();
    EXPECT_NEAR(sugar->scale.x, 1.0f, 1e-5f);
    for (int i = 0; i < 10; ++i)
        f.Run();
    EXPECT_EQ(sugar->scale.x, 1.0f);
    EXPECT_EQ(sugar->scale.y, 1.0f);
    sugar->scale = cVec2f(0.8f, 0.8f);
    f.Run();
    EXPECT_EQ(sugar->scale.x, 0.8f) << "a scale of 1 or less is left alone";
}

TEST(Hud, KeysShowFromTheNextDraw)
{
    HudFixture f;
    f.view.heldKeys = kKeyRed;
    f.Run(); // sets the flags
    f.gfx.Clear();
    f.Run(); // draws with them
    EXPECT_TRUE(f.gfx.Drew(&f.keyImages[1]));
    EXPECT_FALSE(f.gfx.Drew(&f.keyImages[0]));
    EXPECT_FALSE(f.gfx.Drew(&f.keyImages[2]));
    EXPECT_FALSE(f.gfx.Drew(&f.keyImages[3]));

    f.view.heldKeys = kKeyYellow | kKeyGreen | kKeyBlue;
    f.Run();
    f.gfx.Clear();
    f.Run();
    EXPECT_TRUE(f.gfx.Drew(&f.keyImages[0]));
    EXPECT_FALSE(f.gfx.Drew(&f.keyImages[1]));
    EXPECT_TRUE(f.gfx.Drew(&f.keyImages[2]));
    EXPECT_TRUE(f.gfx.Drew(&f.keyImages[3]));
}

TEST(Hud, ExactlyOneJumpIndicatorIsDrawn)
{
    HudFixture f;
    f.Run();
    EXPECT_TRUE(f.gfx.Drew(&f.jumpImage));
    EXPECT_FALSE(f.gfx.Drew(&f.noJumpImage));
    f.gfx.Clear();
    f.view.noJumpState = 1;
    f.Run();
    EXPECT_FALSE(f.gfx.Drew(&f.jumpImage));
    EXPECT_TRUE(f.gfx.Drew(&f.noJumpImage));
}

TEST(Hud, MissingSceneDigitsAndFontDrawNothingAndNeverFail)
{
    Recorder gfx;
    HudView view;
    view.isSurvival = true;
    view.sugarCollected = -4;
    UpdateHud(gfx, view);
    view.isSurvival = false;
    UpdateHud(gfx, view);
    EXPECT_TRUE(gfx.frames.empty());
    EXPECT_TRUE(gfx.glyphs.empty());

    // A scene without the placeholders: the scene is drawn, no numbers.
    HudFixture f;
    cGlaScene* bare = f.AddScene("bare");
    cGlaControllerScene scene(bare);
    f.view.hudScene = &scene;
    f.view.sugarCollected = 3;
    f.Run();
    EXPECT_EQ(f.NumberIn(-1e6f, 1e6f), "");
}

// ---- the sample tree's display, drawn -------------------------------------------------------

namespace
{
constexpr int kScreenW = 1280;
constexpr int kScreenH = 720;
using Screen = std::vector<uint32_t>;

int Luma(uint32_t p) { return (int(p & 255) * 299 + int((p >> 8) & 255) * 587 + int((p >> 16) & 255) * 114) / 1000; }

Screen DrawnFrame(tvtest::RealLevel& real)
{
    real.Draw();
    return tvtest::ReadScreen(kScreenW, kScreenH);
}

// The pixels (y * width + x) where two frames differ: what one draws and the other leaves out.
std::vector<size_t> Differing(const Screen& a, const Screen& b)
{
    std::vector<size_t> out;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (a[i] != b[i])
            out.push_back(i);
    return out;
}

// The pixels of a plate of the display at least `inset` inside its edge (its rim is 3
// pixels, its corners rounded by up to 16), in pixel order; none when the display has no
// such plate.
std::vector<size_t> PlatePixels(const cGlaControllerScene* hud, const char* name, float inset)
{
    constexpr float kCorner = 16.0f;
    std::vector<size_t> out;
    cGlaControllerSprite* plate = FindSpriteController(hud, name);
    if (plate == nullptr || !plate->visible)
        return out;
    cOrientedBox box;
    plate->GetBounds(box);
    for (int y = 0; y < kScreenH; ++y)
        for (int x = 0; x < kScreenW; ++x)
        {
            const cVec2f local = box.ToLocal(cVec2f(float(x) + 0.5f, float(y) + 0.5f));
            const float u = std::fabs(local.x) - (box.halfExtents.x - kCorner);
            const float v = std::fabs(local.y) - (box.halfExtents.y - kCorner);
            const float outward = u > 0.0f && v > 0.0f ? std::sqrt(u * u + v * v) : std::max(u, v);
            if (outward <= kCorner - inset)
                out.push_back(size_t(y) * kScreenW + size_t(x));
        }
    return out;
}

std::vector<uint32_t> PixelsAt(const Screen& screen, const std::vector<size_t>& where)
{
    std::vector<uint32_t> out;
    for (size_t i : where)
        out.push_back(screen[i]);
    return out;
}

// Differing pixels within the rows of the display's plates: the ground did change there.
size_t ChangesNearTheTop(const Screen& a, const Screen& b)
{
    const std::vector<size_t> changed = Differing(a, b);
    return size_t(std::count_if(changed.begin(), changed.end(), [](size_t i) { return i < size_t(140 * kScreenW); }));
}

// Moves a level object so that its middle shows at a screen point (the world unturned).
void PlaceOnScreen(cLevel& level, cGameObj* object, cVec2f screen)
{
    ASSERT_NE(object, nullptr);
    const float k = 32.0f * level.cameraZoom;
    object->SetPosition(level.cameraPos + cVec2f((screen.x - kScreenW * 0.5f) / k, (screen.y - kScreenH * 0.5f) / k));
}
} // namespace

// The display's figures stand on opaque plates: the white digits on a dark one, the survival
// time (in each survival level's colours, dark or light, ringed in ink) on a light one. Each
// figure lies inside its plate clear of the rim, stands out from the plate, and looks the same
// whatever passes under the display: the sky, the ground brought up under it, or objects of
// the level drawn on its top layer (as the survival arena's dropper platform is).
TEST(HudOnScreen, FiguresStandOnPlatesThatLookTheSameOverAnyGround)
{
    for (int32_t number : {1, 200, 204})
    {
        SCOPED_TRACE(number);
        tvtest::RealLevelOptions options;
        options.levelNumber = number;
        options.render = true;
        tvtest::RealLevel real(options);
        ASSERT_TRUE(real.Ready()) << real.Error();
        cLevel& level = real.Level();
        real.Step(40);
        const bool survival = number >= 200;
        ASSERT_EQ(level.isSurvival, survival);
        level.sugarCollected = 10; // a zero among the digits
        level.sugarTotal = 10;
        level.survivalCountdown = 95 * 30; // "01:35"

        // Each figure's pixels: what changes when the digits, or the time's font, are left out.
        const Screen shown = DrawnFrame(real);
        const auto digits = level.hudDigits;
        level.hudDigits.fill(nullptr);
        const Screen withoutDigits = DrawnFrame(real);
        level.hudDigits = digits;
        const cFont* font = level.hudFont;
        level.hudFont = nullptr;
        const Screen withoutTime = DrawnFrame(real);
        level.hudFont = font;

        struct Figure
        {
            const char* plate;
            std::vector<size_t> pixels;
            bool whiteOnDark;
        };
        std::vector<Figure> figures = {{"sugarPlate", Differing(shown, withoutDigits), true}};
        if (survival)
            figures.push_back({"timePlate", Differing(shown, withoutTime), false});
        std::vector<size_t> plates;
        for (const Figure& figure : figures)
        {
            SCOPED_TRACE(figure.plate);
            ASSERT_FALSE(figure.pixels.empty());
            const std::vector<size_t> inner = PlatePixels(level.hudScene, figure.plate, 4.0f);
            ASSERT_FALSE(inner.empty()) << "no plate";
            plates.insert(plates.end(), inner.begin(), inner.end());
            EXPECT_EQ(std::count_if(figure.pixels.begin(), figure.pixels.end(),
                                    [&](size_t i) { return !std::binary_search(inner.begin(), inner.end(), i); }),
                      0)
                << "figure pixels off the plate or on its rim";

            // The plate's own colour, and how much of the figure stands out from it: the
            // white of the digits, or the dark ring of the time whatever its colours.
            std::vector<size_t> bare;
            std::set_difference(inner.begin(), inner.end(), figure.pixels.begin(), figure.pixels.end(),
                                std::back_inserter(bare));
            ASSERT_FALSE(bare.empty());
            const int plateLuma = Luma(shown[bare[bare.size() / 2]]);
            const auto standsOut = std::count_if(figure.pixels.begin(), figure.pixels.end(), [&](size_t i) {
                return figure.whiteOnDark ? Luma(shown[i]) > 200 : Luma(shown[i]) < 60;
            });
            if (figure.whiteOnDark)
                EXPECT_LT(plateLuma, 100);
            else
                EXPECT_GT(plateLuma, 200);
            EXPECT_GT(standsOut * 5, std::ptrdiff_t(figure.pixels.size())) << standsOut << " of " << figure.pixels.size();
        }
        std::sort(plates.begin(), plates.end());
        const std::vector<uint32_t> expected = PixelsAt(shown, plates);

        // The ground brought up under the display.
        const cVec2f camera = level.cameraPos;
        level.cameraPos.y += 500.0f / 32.0f;
        const Screen overGround = DrawnFrame(real);
        level.cameraPos = camera;
        EXPECT_GT(ChangesNearTheTop(shown, overGround), 20000u) << "the ground did not come up";
        EXPECT_EQ(PixelsAt(overGround, plates), expected) << "the ground shows through";

        if (survival)
        {
            // The dropper (a platform drawn on the level's top layer) across the time plate's
            // top edge, the killer across the count plate's right end.
            cOrientedBox timeBox, sugarBox;
            FindSpriteController(level.hudScene, "timePlate")->GetBounds(timeBox);
            FindSpriteController(level.hudScene, "sugarPlate")->GetBounds(sugarBox);
            PlaceOnScreen(level, real.Object("dropper"), timeBox.centre - cVec2f(0.0f, timeBox.halfExtents.y));
            PlaceOnScreen(level, real.Object("killer"), sugarBox.centre + cVec2f(sugarBox.halfExtents.x, 0.0f));
            const Screen overObjects = DrawnFrame(real);
            EXPECT_GT(ChangesNearTheTop(shown, overObjects), 500u) << "the objects do not show";
            EXPECT_EQ(PixelsAt(overObjects, plates), expected) << "the objects show through";
        }
    }
}

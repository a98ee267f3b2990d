// The comic pages: timing to level 0, skipping, the "zzz" bursts and the layout choices;
// and the sample tree's comic, where the z's keep to the sleeper's panel.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/gla/GlaControllerFixtures.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElementControllers.h"
#include "KelpoBase/gla/GlaReader.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/render/Gfx2D.h"
#include "datagen/SampleScenes.h"
#include "support/TestSupport.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/TextureAtlas.h"
#include "game/shell/Comic.h"
#include "game/shell/SaveData.h"

namespace
{
struct ComicPages : ::testing::Test
{
    glatest::SceneSet scenes;
    cSaveData save;
    std::unique_ptr<cComic> comic;
    std::vector<int32_t> handedOff; // the update numbers at which level 0 was asked for
    int32_t updates = 0;
    ImageRect picture;

    void SetUp() override
    {
        SetScreenSize(1280, 720);
        ResetInputState();
        picture.w = picture.h = 16;
        cGlaScene* full = scenes.AddScene("Full", 600);
        glatest::AddSprite(full, "zzz", cVec2f(10.0f, -20.0f));
        scenes.AddScene("LevelExit", 10);
        scenes.AddScene("skipmenu4", 1);
    }
    void TearDown() override
    {
        comic.reset();
        ResetInputState();
    }

    void Make(bool withScenes = true)
    {
        comic = std::make_unique<cComic>(0);
        comic->sceneSet = withScenes ? scenes.set.get() : nullptr;
        comic->saveData = &save;
        comic->effectImages = {&picture};
        comic->levelHandOff = [this](int32_t level) {
            EXPECT_EQ(level, 0);
            handedOff.push_back(updates);
        };
        comic->SetUpComic();
    }

    void Update(std::initializer_list<uint32_t> keys = {})
    {
        for (uint32_t k : keys)
        {
            InputKeysPrevious[k] = KEYSTATE_UP;
            KeyDown(k);
        }
        ++updates;
        comic->UpdateComic();
        comic->DrawComic();
        CopyInputToPrevious();
        for (uint32_t k : keys)
            KeyUp(k);
    }
    void UpdateUntil(int32_t last)
    {
        while (updates < last)
            Update();
    }
};

TEST_F(ComicPages, WithoutInputLevelZeroFollowsAfterTheExit)
{
    for (bool withScenes : {true, false})
    {
        handedOff.clear();
        updates = 0;
        Make(withScenes);
        UpdateUntil(500);
        EXPECT_EQ(cComic::GetSubState(), 1);
        Update(); // 501: the exit scene begins
        EXPECT_EQ(cComic::GetSubState(), 2);
        UpdateUntil(533);
        EXPECT_TRUE(handedOff.empty());
        Update();
        ASSERT_FALSE(handedOff.empty());
        EXPECT_EQ(handedOff.front(), 534);
    }
}

TEST_F(ComicPages, FreshPressSkipsToTheExit)
{
    struct Case
    {
        uint32_t key;
        int32_t jump;
    };
    const Case cases[] = {{KEY_SPACE, 72}, {KEY_RETURN, 72}, {KEY_JOY_BUTTON_1 + 3, 75}};
    for (const Case& c : cases)
    {
        handedOff.clear();
        updates = 0;
        save.controls[4] = c.jump;
        Make();
        Update({c.key});
        EXPECT_EQ(cComic::GetSubState(), 2) << c.key;
        EXPECT_GE(comic->fullScene->frame, cComic::kSkipFrame);
        UpdateUntil(34);
        ASSERT_EQ(handedOff.size(), 1u);
        EXPECT_EQ(handedOff.front(), 34);
    }
}

TEST_F(ComicPages, KeyHeldFromBeforeDoesNotSkip)
{
    Make();
    KeyDown(KEY_SPACE);
    CopyInputToPrevious();
    for (int i = 0; i < 10; ++i)
    {
        ++updates;
        comic->UpdateComic();
        CopyInputToPrevious();
    }
    EXPECT_EQ(cComic::GetSubState(), 1);
}

TEST_F(ComicPages, ZzzRisesEveryEightyFramesWhileThePagesShow)
{
    Make();
    UpdateUntil(79);
    EXPECT_EQ(comic->particles.Used(), 0u);
    Update();
    EXPECT_EQ(comic->particles.Used(), 3u);
    EXPECT_FLOAT_EQ(comic->particles.head->position.x, 10.0f * 720.0f / 768.0f + 640.0f);
    UpdateUntil(479);
    const uint32_t before = comic->particles.Used();
    Update();
    EXPECT_EQ(comic->particles.Used(), before + 3);
    // The exit scene runs from update 501; no burst at 560 or 640.
    UpdateUntil(640);
    EXPECT_EQ(comic->particles.Used(), 0u);
}

TEST_F(ComicPages, LayoutFollowsTheScreenWidth)
{
    EXPECT_STREQ(cComic::SkipMenuSceneName(1280), "skipmenu4");
    EXPECT_STREQ(cComic::SkipMenuSceneName(1024), "skipmenu");
    EXPECT_STREQ(cComic::SkipMenuSceneName(960), "skipmenu2");
    EXPECT_STREQ(cComic::SkipMenuSceneName(720), "skipmenu5");
    EXPECT_STREQ(cComic::SkipMenuSceneName(800), "skipmenu3");
    float sx = 0.0f, sy = 0.0f;
    cComic::PageScale(1024, 600, sx, sy);
    EXPECT_FLOAT_EQ(sx, 1.0f);
    EXPECT_FLOAT_EQ(sy, 600.0f / 768.0f);
    cComic::PageScale(1280, 720, sx, sy);
    EXPECT_FLOAT_EQ(sx, 720.0f / 768.0f);
    cComic::PageScale(720, 1280, sx, sy);
    EXPECT_FLOAT_EQ(sx, 1280.0f / 768.0f);
    EXPECT_FLOAT_EQ(sy, sx);

    Make();
    EXPECT_EQ(comic->skipMenu->scene, FindObjectByName(scenes.set.get(), "skipmenu4"));
    EXPECT_FLOAT_EQ(comic->skipMenu->position.x, 640.0f);
}

// Where the comic draws one picture: the middle of each drawing of it and its colour's alpha.
struct PictureRecorder : cGfx2D
{
    explicit PictureRecorder(const ImageRect* watched) : cGfx2D(nullptr), picture(watched) {}
    void DrawFrame(const ImageRect* frame, uint32_t) override
    {
        if (frame == picture)
            drawn.push_back({transform.TransformPoint(cVec2f()), colour >> 24});
    }
    struct Drawn
    {
        cVec2f at;
        uint32_t alpha;
    };
    const ImageRect* picture;
    std::vector<Drawn> drawn;
};

// The sample tree's comic played through without a key. Every z that shows lies inside the
// first panel, the sleeper's, for the whole of its rise and sway; once the pages give way to
// the closing change none shows at all. At the default screen size and at 1024 x 768.
TEST(ComicSample, ZzzKeepsToTheSleepersPanelAndOffTheClosingChange)
{
    const datagen::SceneFile file = datagen::BuildComicScenes();
    std::string error;
    ASSERT_TRUE(file.Write("res", "json/comic.cgla.json", &error)) << error;
    std::ifstream in("res/comic/comic.cgla", std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::unique_ptr<cGlaSet> set(ParseGlaSetFromMemory(bytes.data(), bytes.size(), {}, "res/comic/"));
    ASSERT_NE(set, nullptr);

    // The z as the picture list makes it.
    std::vector<datagen::PictureDesc> descs;
    ASSERT_TRUE(datagen::ReadPictureList((tvtest::SourceDir() / "data/pictures.txt").string(), descs, &error)) << error;
    const auto z = std::find_if(descs.begin(), descs.end(), [](const auto& d) { return d.path == "res/fx/z.png"; });
    ASSERT_NE(z, descs.end());
    ImageRect zImage{nullptr, 0, 0, z->width, z->height};

    for (const auto& [width, height] : std::vector<std::pair<int, int>>{{1280, 720}, {1024, 768}})
    {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        SetScreenSize(width, height);
        ResetInputState();
        cSaveData save;
        cComic comic(0);
        comic.sceneSet = set.get();
        comic.saveData = &save;
        comic.effectImages = {&zImage};
        comic.levelHandOff = [](int32_t) {};
        auto* recorder = new PictureRecorder(&zImage);
        delete comic.gfx;
        comic.gfx = recorder;
        comic.SetUpComic();

        // The sleeper's panel on the screen, less half a z all round.
        const cGlaControllerSprite* panel = FindSpriteController(comic.fullScene, "panel1");
        ASSERT_NE(panel, nullptr);
        const cGlaElementSprite* element = static_cast<const cGlaElementSprite*>(panel->element);
        const datagen::PictureDesc* art = file.FindArt(element->frames.NameOf(0));
        ASSERT_NE(art, nullptr);
        float sx = 1.0f, sy = 1.0f;
        cComic::PageScale(width, height, sx, sy);
        const float left = float(width) / 2 + (panel->position.x - float(art->width) / 2) * sx + float(z->width) / 2;
        const float right = float(width) / 2 + (panel->position.x + float(art->width) / 2) * sx - float(z->width) / 2;
        const float top = float(height) / 2 + (panel->position.y - float(art->height) / 2) * sy + float(z->height) / 2;
        const float bottom = float(height) / 2 + (panel->position.y + float(art->height) / 2) * sy - float(z->height) / 2;

        int shown = 0;
        for (int update = 1; update <= 540; ++update)
        {
            recorder->drawn.clear();
            comic.UpdateComic();
            comic.DrawComic();
            for (const auto& d : recorder->drawn)
            {
                const bool onScreen = d.at.x > -float(z->width) && d.at.x < float(width + z->width) &&
                                      d.at.y > -float(z->height) && d.at.y < float(height + z->height);
                if (d.alpha == 0 || !onScreen)
                    continue;
                ++shown;
                EXPECT_NE(cComic::GetSubState(), 2) << "a z over the closing change, update " << update;
                EXPECT_TRUE(d.at.x >= left && d.at.x <= right && d.at.y >= top && d.at.y <= bottom)
                    << "update " << update << ": a z at " << d.at.x << ", " << d.at.y << "; the panel holds it within "
                    << left << ".." << right << ", " << top << ".." << bottom;
            }
        }
        EXPECT_GT(shown, 300) << "the z's show";
    }
}
} // namespace

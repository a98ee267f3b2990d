// Levels of the sample data tree started by the real program on the scripted host with a
// real GL context: the effect sounds decoded ahead on worker threads are the sounds a
// decode at the load gives, the groups' atlas pages are uploaded, and a second level start
// (its pages made again in the storage the first level's left) draws its frame; a running
// level of each template draws its frames in a few GL draw calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "KelpoBase/platform/GLWindow.h"
#include "KelpoBase/platform/OggDecode.h"
#include "KelpoBase/platform/SteamAchievements.h"
#include "KelpoBase/platform/WinMain.h"
#include "KelpoBase/render/RendererServices.h"
#include "KelpoBase/render/Resource.h"
#include "KelpoBase/render/SoundResource.h"
#include "GLCounting.h"
#include "ScriptedGLHost.h"
#include "game/level/Level.h"
#include "game/shell/Frontend.h"
#include "game/shell/MainGame.h"
#include "support/GLTestContext.h"
#include "support/TestSupport.h"

namespace
{
class SampleLevel : public testing::Test
{
protected:
    void SetUp() override
    {
        // The sample tree made by the build, seen from this test's own working folder.
        std::string error;
        ASSERT_TRUE(tvtest::LinkSampleTree(error)) << error;
        SetHost(&host);
        RegisterGameServiceIntegration();
        RegisterRendererServices();
        RegisterMainGame();
        RegisterFrontendParts();
        ASSERT_TRUE(window.Init(""));
        ASSERT_NE(gMainGame, nullptr);
    }
    void TearDown() override
    {
        window.Shutdown();
        SetGameFactory(nullptr);
        SetHost(nullptr);
    }

    cLevel* Start(int32_t number)
    {
        gMainGame->SetStateLevel(number);
        window.RunFrame();
        return gMainGame->level;
    }

    cScriptedGLHost host{1280, 720};
    cWinMain_OGL1 window;
};

TEST_F(SampleLevel, EffectSoundsDecodedAheadAreTheSoundsALoadDecodes)
{
    for (int32_t number : {1, 2})
    {
        SCOPED_TRACE(number);
        cLevel* level = Start(number);
        ASSERT_NE(level, nullptr);
        ASSERT_NE(level->levelScene, nullptr);

        // The sounds the "Game" group holds, in load order, against a decode of each effect
        // sound file here (a file that does not decode leaves no sound).
        cResourceGroup* game = FindResourceGroup("Game");
        ASSERT_NE(game, nullptr);
        std::vector<const cSound*> loaded;
        for (cResource* resource : game->resources)
            if (const cSound* sound = ClassCast<cSound>(resource))
                loaded.push_back(sound);
        std::vector<size_t> expected;
        for (const std::string& path : cLevel::EffectSoundPaths())
        {
            OggPcm pcm;
            if (DecodeOggFile(path, pcm))
                expected.push_back(pcm.bytes.size());
        }
        EXPECT_GT(expected.size(), 80u); // the sample tree holds nearly all of them
        ASSERT_EQ(loaded.size(), expected.size());
        for (size_t i = 0; i < loaded.size(); ++i)
            EXPECT_EQ(loaded[i]->GetByteSize(), expected[i]) << i;
        EXPECT_EQ(level->ambientSlots.size(), 17u);

        for (const char* group : {"Hud", "Game"})
        {
            cResourceGroup* found = FindResourceGroup(group);
            ASSERT_NE(found, nullptr) << group;
            EXPECT_EQ(found->uploaded, 1) << group;
        }
        // The level's frame reached the window: not all of it is black.
        window.RunFrame();
        const std::vector<uint8_t> pixels = tvtest::ReadRGBA(0, 0, 1280, 720);
        bool lit = false;
        for (size_t p = 0; p < pixels.size() && !lit; p += 4)
            lit = pixels[p] != 0 || pixels[p + 1] != 0 || pixels[p + 2] != 0;
        EXPECT_TRUE(lit);
    }
}

TEST_F(SampleLevel, ARunningLevelOfEachTemplateDrawsInAFewCalls)
{
    // The world's pictures share one atlas page and the display's another; the particles
    // blend in two ways (the player's glowing trail, everything else blended), and the
    // display is drawn after the world. A frame of a running level takes 3 or 4 draw calls
    // (world, glow, display, and the survival clock's font); the ceiling leaves 4 more for
    // effects that come to overlap, but not a call per particle, as when the trail and a
    // sticker's or a hazard's particles took turns (13 to 42 calls a frame).
    constexpr uint32_t kCeiling = 8;
    // Basics, keys and movers, dynamics, joints, hazards, a survival arena, the credits.
    for (int32_t number : {0, 1, 2, 3, 4, 200, 40})
    {
        SCOPED_TRACE(number);
        ASSERT_NE(Start(number), nullptr);
        for (int i = 0; i < 35; ++i) // past the level's intro
            window.RunFrame();
        tvtest::GLCounting counting;
        uint32_t most = 0;
        for (int i = 0; i < 5; ++i)
        {
            counting.Reset();
            window.RunFrame();
            most = std::max(most, counting.Count(eGLFunction::DrawElements));
        }
        EXPECT_GE(most, 2u); // the world and the display were drawn
        EXPECT_LE(most, kCeiling);
    }
}
} // namespace

// The front end and the comic pages inside the real game object, on the scripted host with
// no data tree: a chosen level reaches the game's level state, and level 0 goes through
// the comic pages first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/PlatformTestSupport.h"
#include "KelpoBase/platform/SystemServices.h"
#include "game/shell/Comic.h"
#include "game/shell/Frontend.h"
#include "game/shell/MainGame.h"
#include "KelpoBase/platform/SteamAchievements.h"

namespace
{
int gFakeLevel;

class FrontendInGame : public testing::Test
{
protected:
    void SetUp() override
    {
        SetHost(&host);
        RegisterGameServiceIntegration();
        RegisterMainGame();
        GetMainGameParts() = MainGameParts{};
        RegisterFrontendParts();
        MainGameParts& parts = GetMainGameParts();
        parts.level.create = [this](int32_t n) {
            levels.push_back(n);
            return reinterpret_cast<cLevel*>(&gFakeLevel);
        };
        parts.level.destroy = [](cLevel*) {};
    }

    void TearDown() override
    {
        if (window.running || window.windowCreated)
            window.Shutdown();
        GetMainGameParts() = MainGameParts{};
        SetGameFactory(nullptr);
        GetWinMainHooks() = WinMainHooks{};
        SetHost(nullptr);
    }

    void Frame(int count = 1)
    {
        for (int i = 0; i < count; ++i)
        {
            gGame->Update();
            CopyInputToPrevious();
            gGame->Draw();
        }
    }

    // Starts the game and skips the splash into the front end.
    cMainGame& StartInFrontend()
    {
        EXPECT_TRUE(window.Init(""));
        cMainGame& game = *gMainGame;
        game.SetStateFrontend(1);
        Frame();
        EXPECT_NE(game.frontend, nullptr);
        return game;
    }

    cScriptedHost host;
    tvtest::cTestWindow window{host};
    std::vector<int32_t> levels;
};

TEST_F(FrontendInGame, ChosenLevelReachesTheLevelState)
{
    cMainGame& game = StartInFrontend();
    game.frontend->screens.SetPendingState(&cFrontend::StateStartLevel, 12);
    Frame(15);
    EXPECT_TRUE(game.stateMachine.IsCurrent(&cMainGame::StateLevel));
    EXPECT_EQ(game.frontend, nullptr);
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_EQ(levels.front(), 12);
}

TEST_F(FrontendInGame, LevelZeroGoesThroughTheComic)
{
    cMainGame& game = StartInFrontend();
    game.frontend->screens.SetPendingState(&cFrontend::StateStartLevel, 0);
    Frame(15);
    EXPECT_TRUE(game.stateMachine.IsCurrent(&cMainGame::StateComic));
    ASSERT_NE(game.comic, nullptr);
    EXPECT_TRUE(levels.empty());
    KeyDown(KEY_SPACE); // skips the pages
    Frame();
    KeyUp(KEY_SPACE);
    Frame(34);
    EXPECT_TRUE(game.stateMachine.IsCurrent(&cMainGame::StateLevel));
    EXPECT_EQ(game.comic, nullptr);
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_EQ(levels.front(), 0);
}
} // namespace

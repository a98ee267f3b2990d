// The game object under the platform's own start-up, frame and shutdown, on the scripted
// host with no data tree: construction (first frame presented, splash entered, the saved
// flip setting applied), the top-level state machine and its timing, the state objects
// made and freed through the parts' hooks, Pause, the debug screen holding the game, and
// the save file written at shutdown.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/DebugScreenHook.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SteamAchievements.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/platform/WinMain.h"
#include "KelpoBase/render/Resource.h"
#include "KelpoBase/platform/PlatformTestSupport.h"
#include "game/level/Level.h"
#include "game/level/SurvivalResults.h"
#include "game/shell/Frontend.h"
#include "game/shell/MainGame.h"
#include "game/shell/Splash.h"
#include "host/gameservice/GameService.h"
#include "host/music/MediaControl.h"

namespace fs = std::filesystem;

namespace
{
// Stand-ins for the objects of the parts built elsewhere: addresses only, never used as
// objects.
int gFakeObjects[3];
cLevel* FakeLevel() { return reinterpret_cast<cLevel*>(&gFakeObjects[0]); }
cFrontend* FakeFrontend() { return reinterpret_cast<cFrontend*>(&gFakeObjects[1]); }
cComic* FakeComic() { return reinterpret_cast<cComic*>(&gFakeObjects[2]); }

class cHoldingScreen : public cDebugScreenBase
{
public:
    void Update() override { ++updates; }
    bool HoldsGameUpdate() const override { return hold; }
    static inline bool hold = false;
    static inline int updates = 0;
};

fs::path SaveFile() { return fs::path(ComputeSaveFolder()) / "Data.sav"; }

class MainGameTest : public testing::Test
{
protected:
    void SetUp() override
    {
        fs::remove(SaveFile());
        SetHost(&host);
        RegisterGameServiceIntegration();
        RegisterMainGame();
        MainGameParts& parts = GetMainGameParts();
        parts = MainGameParts{};
        parts.level.create = [this](int32_t n) {
            events.push_back("level " + std::to_string(n));
            return FakeLevel();
        };
        parts.level.update = [this](cLevel*) { ++levelUpdates; };
        parts.level.draw = [this](cLevel*) { ++levelDraws; };
        parts.level.destroy = [this](cLevel* l) {
            EXPECT_EQ(l, FakeLevel());
            events.push_back("delete level");
        };
        parts.pauseLevel = [this](cLevel* l) {
            EXPECT_EQ(l, FakeLevel());
            events.push_back("pause level");
        };
        parts.frontend.create = [this](int32_t from) {
            events.push_back("frontend " + std::to_string(from));
            return FakeFrontend();
        };
        parts.frontend.destroy = [this](cFrontend*) { events.push_back("delete frontend"); };
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

    cMainGame& Start()
    {
        EXPECT_TRUE(window.Init(""));
        EXPECT_NE(gMainGame, nullptr);
        EXPECT_EQ(gGame, gMainGame);
        return *gMainGame;
    }

    // One frame as the loop runs it: update, the input copied, draw.
    void Frame(int count = 1)
    {
        for (int i = 0; i < count; ++i)
        {
            gGame->Update();
            CopyInputToPrevious();
            gGame->Draw();
        }
    }

    int Count(const std::string& event) const { return int(std::count(events.begin(), events.end(), event)); }

    cScriptedHost host;
    tvtest::cTestWindow window{host};
    std::vector<std::string> events;
    int levelUpdates = 0;
    int levelDraws = 0;
};

TEST_F(MainGameTest, ConstructionEntersTheSplashAndPresentsTheFirstFrame)
{
    // A stopped loader left behind does not keep the game from loading its own group.
    SetLoadStopped(true);
    cMainGame& game = Start();
    EXPECT_FALSE(IsLoadStopped());
    // The window object presented once during start-up: the game's own first frame.
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "present"), 1);
    EXPECT_TRUE(game.stateMachine.IsCurrent(&cMainGame::StateSplash));
    EXPECT_FALSE(game.stateMachine.HasPending());
    ASSERT_NE(game.splash, nullptr);
    // Entered and stepped once before the main loop.
    EXPECT_EQ(game.splash->hold, cSplash::kFirstHold - 1);
    EXPECT_NE(game.gfx, nullptr);
    EXPECT_FALSE(gPointerInputEnabled);
    // No data tree: every resource is missing, nothing crashed.
    EXPECT_NE(FindResourceGroup("Global"), nullptr);
    for (ImageRect* image : game.loadingImages)
        EXPECT_EQ(image, nullptr);
    EXPECT_EQ(game.systemFont, nullptr);
    EXPECT_EQ(game.orientation, 0);
    // Music tracks are names only: all five exist, and the menu music is its own object.
    for (uint32_t i = 0; i < cMainGame::kMusicTrackCount; ++i)
        EXPECT_NE(game.musicTracks[i], nullptr);
    EXPECT_NE(game.menuMusic, game.musicTracks[0]);
}

TEST_F(MainGameTest, SplashHandsOverToTheFrontEndOnTime)
{
    cMainGame& game = Start();
    // The construction's step was the splash's first update: page 0 ends at its 210th.
    Frame(208);
    EXPECT_EQ(game.splash->page, 0);
    Frame();
    EXPECT_EQ(game.splash->page, 1);
    EXPECT_EQ(game.splash->fade, 0);
    // Page 1 holds for 89 updates, then fades out over 11: the 100th makes the front end
    // pending, and the next update enters it.
    Frame(99);
    EXPECT_FALSE(game.stateMachine.HasPending());
    Frame();
    EXPECT_TRUE(game.stateMachine.HasPending());
    EXPECT_EQ(Count("frontend 0"), 0);
    Frame();
    EXPECT_EQ(Count("frontend 0"), 1);
    EXPECT_EQ(game.splash, nullptr);
    EXPECT_EQ(game.frontend, FakeFrontend());
    EXPECT_EQ(FindResourceGroup("KelpoSplash"), nullptr);
}

TEST_F(MainGameTest, OnlyAFreshPressSkipsASplashPage)
{
    cMainGame& game = Start();
    // Held from before the splash's frame: not a press.
    KeyDown(KEY_SPACE);
    CopyInputToPrevious();
    Frame(5);
    EXPECT_EQ(game.splash->page, 0);
    KeyUp(KEY_SPACE);
    Frame();
    // A fresh press ends page 0 at once, and one in page 1's first update ends the splash.
    KeyDown(KEY_RETURN);
    Frame();
    EXPECT_EQ(game.splash->page, 1);
    KeyUp(KEY_RETURN);
    Frame();
    KeyDown(KEY_JOY_BUTTON_1);
    Frame();
    KeyUp(KEY_JOY_BUTTON_1);
    EXPECT_TRUE(game.stateMachine.HasPending());
    Frame();
    EXPECT_EQ(game.frontend, FakeFrontend());
}

TEST_F(MainGameTest, PendingStatesAreAppliedAtTheNextUpdateAndTheLastRequestWins)
{
    cMainGame& game = Start();
    game.SetStateLevel(3);
    game.SetStateFrontend(1);
    // Nothing happens before the update.
    EXPECT_TRUE(game.stateMachine.IsCurrent(&cMainGame::StateSplash));
    Frame();
    EXPECT_EQ(events, (std::vector<std::string>{"frontend 1"}));
    EXPECT_EQ(game.splash, nullptr);

    // The fade: 13 updates from 255 in steps of 20, the 13th makes the level pending.
    game.SetStateFadeToLevel(52);
    Frame(13);
    EXPECT_TRUE(game.stateMachine.IsCurrent(&cMainGame::StateFadeToLevel));
    EXPECT_EQ(Count("level 52"), 0);
    EXPECT_TRUE(game.stateMachine.HasPending());
    Frame();
    EXPECT_EQ(Count("level 52"), 1);
    EXPECT_EQ(game.level, FakeLevel());
    EXPECT_EQ(game.frontend, nullptr);
    // The level is stepped and drawn once a frame from the game's own update and draw.
    const int updatesBefore = levelUpdates;
    const int drawsBefore = levelDraws;
    Frame(2);
    EXPECT_EQ(levelUpdates - updatesBefore, 2);
    EXPECT_EQ(levelDraws - drawsBefore, 2);

    // Leaving the level tears it down.
    game.SetStateFrontend(2);
    Frame();
    EXPECT_EQ(Count("delete level"), 1);
    EXPECT_EQ(game.level, nullptr);
    EXPECT_EQ(Count("frontend 2"), 1);
}

TEST_F(MainGameTest, ComicWithoutPagesStartsTheFirstLevel)
{
    cMainGame& game = Start();
    game.SetStateComic(0);
    Frame();
    EXPECT_TRUE(game.stateMachine.IsCurrent(&cMainGame::StateComic));
    Frame();
    EXPECT_EQ(Count("level 0"), 1);

    // With pages registered, the comic is made and freed by its state.
    GetMainGameParts().comic.create = [this](int32_t) {
        events.push_back("comic");
        return FakeComic();
    };
    GetMainGameParts().comic.destroy = [this](cComic*) { events.push_back("delete comic"); };
    game.SetStateComic(0);
    Frame();
    EXPECT_EQ(game.comic, FakeComic());
    EXPECT_EQ(game.level, nullptr);
    game.SetStateLevel(0);
    Frame();
    EXPECT_EQ(Count("delete comic"), 1);
    EXPECT_EQ(game.comic, nullptr);
}

TEST_F(MainGameTest, PauseReachesOnlyARunningLevel)
{
    cMainGame& game = Start();
    game.Pause();
    game.SetStateFrontend(0);
    Frame();
    game.Pause();
    EXPECT_EQ(Count("pause level"), 0);

    game.SetStateLevel(4);
    Frame();
    // Through the platform's focus loss, as the window procedure delivers it.
    OnFocusLost();
    EXPECT_EQ(Count("pause level"), 1);
    OnFocusGained(); // Resume does nothing
    EXPECT_EQ(Count("pause level"), 1);
}

TEST_F(MainGameTest, LevelStateRunsTheRealLevelObject)
{
    RegisterLevelParts();
    cMainGame& game = Start();
    game.SetStateLevel(53);
    Frame(2);
    ASSERT_NE(game.level, nullptr);
    EXPECT_EQ(game.level->mode, 1);
    EXPECT_EQ(game.level->levelIndex, 3);

    game.level->noPause = true;
    game.Pause();
    EXPECT_FALSE(game.level->pausedByFocus);
    game.level->noPause = false;
    game.Pause();
    EXPECT_TRUE(game.level->pausedByFocus);

    // A new level is a new object; the old one is freed with its state.
    game.SetStateFadeToLevel(4);
    Frame(14);
    ASSERT_NE(game.level, nullptr);
    EXPECT_EQ(game.level->levelIndex, 4);
    EXPECT_FALSE(game.level->pausedByFocus);

    // Opening the story from the level marks the game's own records, and only the story's.
    game.saveData.progress[5].bestScore = 12;
    OpenStoryLevels();
    for (int n : {0, 5, 39})
        EXPECT_TRUE(game.saveData.progress[n].completed) << n;
    EXPECT_FALSE(game.saveData.progress[40].completed);
    EXPECT_FALSE(game.saveData.progress[50].completed);
    EXPECT_EQ(game.saveData.progress[5].bestScore, 12);
    EXPECT_FALSE(game.saveData.progress[5].sticker);
    // Shutdown with the level running frees it.
}

TEST_F(MainGameTest, ShutdownDuringALevelSavesAndTearsTheLevelDownOnce)
{
    cMainGame& game = Start();
    game.SetStateLevel(250);
    Frame();
    game.saveData.progress[250].completed = true;
    window.Shutdown();
    EXPECT_EQ(Count("delete level"), 1);
    EXPECT_EQ(gMainGame, nullptr);
    EXPECT_EQ(gGame, nullptr);

    // The save file sits in the save folder and holds what the game had.
    ASSERT_TRUE(fs::exists(SaveFile()));
    EXPECT_EQ(fs::file_size(SaveFile()), cSaveData::kFileSizeV3);
    ASSERT_TRUE(GameServiceInit(ComputeSaveFolder()));
    cSaveData read;
    EXPECT_EQ(read.Read(cMainGame::SaveFileName(), false), cSaveData::ReadResult::Loaded);
    EXPECT_TRUE(read.progress[250].completed);
    GameServiceShutdown();
}

TEST_F(MainGameTest, SavedSettingsAreAppliedAtStartUp)
{
    ASSERT_TRUE(GameServiceInit(ComputeSaveFolder()));
    {
        cSaveData stored;
        stored.flipScreen = true;
        stored.progress[7].completed = true;
        GetSaveDataVolumes().SetMusicVolume(0.25f);
        GetSaveDataVolumes().SetSoundVolume(0.5f);
        ASSERT_TRUE(stored.Write(SaveFile().string()));
    }
    GameServiceShutdown();

    cMainGame& game = Start();
    EXPECT_EQ(cMainGame::SaveFileName(), (fs::path(GetSaveFolder()) / "Data.sav").string());
    EXPECT_TRUE(game.saveData.progress[7].completed);
    EXPECT_FLOAT_EQ(GetSaveDataVolumes().GetMusicVolume(), 0.25f);
    EXPECT_FLOAT_EQ(GetSaveDataVolumes().GetSoundVolume(), 0.5f);
    // The stored flip setting turns the screen at once.
    EXPECT_EQ(game.orientation, 2);
    EXPECT_EQ(GetOrientation(), 2);
}

TEST_F(MainGameTest, AShortSaveFileKeepsItsProgressThroughARunAndItsBytesAside)
{
    const fs::path copy = SaveFile().string() + ".bad";
    fs::remove(copy);
    ASSERT_TRUE(GameServiceInit(ComputeSaveFolder()));
    cSaveData stored;
    stored.progress[7].completed = true;
    stored.progress[120].completed = true;
    const std::vector<uint8_t> whole = stored.Serialise();
    // Cut after record 99: record 120 is past the end.
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + 17 + 12 * 100);
    ASSERT_TRUE(GameServiceFileWrite(cMainGame::SaveFileName(), cut.data(), int32_t(cut.size())));
    GameServiceShutdown();

    cMainGame& game = Start();
    EXPECT_TRUE(game.saveData.progress[7].completed);
    EXPECT_FALSE(game.saveData.progress[120].completed);
    EXPECT_EQ(game.saveData.controls[2], 68);
    game.saveData.progress[8].completed = true;
    window.Shutdown();

    // The shutdown save wrote the whole record over the short file; the bytes read at
    // start-up lie beside it unchanged.
    EXPECT_EQ(fs::file_size(SaveFile()), cSaveData::kFileSizeV3);
    std::ifstream kept(copy, std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(kept), std::istreambuf_iterator<char>()), cut);
    ASSERT_TRUE(GameServiceInit(ComputeSaveFolder()));
    cSaveData read;
    EXPECT_EQ(read.Read(cMainGame::SaveFileName(), false), cSaveData::ReadResult::Loaded);
    EXPECT_TRUE(read.progress[7].completed);
    EXPECT_TRUE(read.progress[8].completed);
    GameServiceShutdown();
    fs::remove(copy);
}

TEST_F(MainGameTest, MusicPlaysOnlyWithTheMusicVolumeUp)
{
    cMainGame& game = Start();
    ASSERT_TRUE(IsAudioEnabled());
    game.SetStateFrontend(0);
    Frame();
    EXPECT_EQ(fs::path(MediaOpenPath()).filename(), "track0.mp3");
    // Track k is entry k - 1; numbers outside 1 to 5 play nothing.
    game.PlayMusicTrack(3);
    EXPECT_EQ(fs::path(MediaOpenPath()).filename(), "track2.mp3");
    MediaClearCommandLog();
    for (int track : {0, 6, -1})
        game.PlayMusicTrack(track);
    EXPECT_TRUE(MediaCommandLog().empty());

    // With the music volume at 0 neither the menu music nor a track starts.
    GetSaveDataVolumes().SetMusicVolume(0.0f);
    MediaClearCommandLog();
    game.PlayMusicTrack(2);
    game.SetStateFrontend(1);
    Frame();
    EXPECT_EQ(Count("frontend 1"), 1);
    EXPECT_TRUE(MediaCommandLog().empty());
}

TEST_F(MainGameTest, AnOpenDebugMenuHoldsTheGame)
{
    SetDebugScreenFactory([] { return new cHoldingScreen(); });
    cMainGame& game = Start();
    cHoldingScreen::hold = true;
    cHoldingScreen::updates = 0;
    const int32_t hold = game.splash->hold;
    Frame(3);
    EXPECT_EQ(cHoldingScreen::updates, 3);
    EXPECT_EQ(game.splash->hold, hold);
    cHoldingScreen::hold = false;
    Frame(3);
    EXPECT_EQ(game.splash->hold, hold - 3);
    window.Shutdown();
    RegisterMainGame(); // the real debug screen's factory again
}

TEST_F(MainGameTest, RunsFramesThroughTheLoopWithNoDataTreeAndShutsDown)
{
    ASSERT_FALSE(fs::exists("res"));
    Start();
    window.Run(30);
    EXPECT_EQ(GetFrameCounter(), 30u);
    window.Shutdown();
    EXPECT_EQ(gMainGame, nullptr);
    EXPECT_TRUE(GetResourceGroupMap().empty());
    EXPECT_FALSE(HasDebugScreen());
}

TEST_F(MainGameTest, RealFrontEndRunsWithNoDataTree)
{
    RegisterFrontendParts();
    RegisterLevelParts();
    cMainGame& game = Start();
    // Both splash pages skipped by fresh presses.
    for (int page = 0; page < 2; ++page)
    {
        KeyDown(KEY_ESCAPE);
        Frame();
        KeyUp(KEY_ESCAPE);
        Frame();
    }
    ASSERT_NE(game.frontend, nullptr);
    Frame(60);
    window.Run(30);
    window.Shutdown();
    EXPECT_EQ(gMainGame, nullptr);
}
} // namespace

TEST_F(MainGameTest, SurvivalBestIsKeptInTheSaveRecordAndSaved)
{
    cMainGame& game = Start();
    ASSERT_NE(GetSurvivalResultsHost(), nullptr);
    game.saveData.progress[202].bestScore = 30;

    EXPECT_TRUE(RecordSurvivalBest(2, 12)); // a lower run keeps the best
    EXPECT_EQ(game.saveData.progress[202].bestScore, 30);
    EXPECT_TRUE(RecordSurvivalBest(2, 41));
    EXPECT_EQ(game.saveData.progress[202].bestScore, 41);
    EXPECT_FALSE(RecordSurvivalBest(5, 99)); // no sixth survival level
    EXPECT_EQ(game.saveData.progress[205].bestScore, 0);

    // The record reached the file.
    window.Shutdown();
    ASSERT_TRUE(GameServiceInit(ComputeSaveFolder()));
    cSaveData read;
    EXPECT_EQ(read.Read(cMainGame::SaveFileName(), false), cSaveData::ReadResult::Loaded);
    EXPECT_EQ(read.progress[202].bestScore, 41);
    GameServiceShutdown();
}

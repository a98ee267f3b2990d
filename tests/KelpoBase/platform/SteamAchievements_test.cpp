#include "KelpoBase/platform/SteamAchievements.h"

#include "KelpoBase/core/Debug.h"
#include "KelpoBase/platform/SteamCallbacks.h"
#include "KelpoBase/platform/SystemServices.h"
#include "host/gameservice/GameService.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace
{
class AchievementsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        SetDebugSink([this](const std::string& text) { printed += text; });
        ResetAchievementTables();
        folder = ComputeSaveFolder();
        fs::remove_all(folder);
    }
    void TearDown() override
    {
        ShutdownGameServiceIntegration();
        SetDebugSink(nullptr);
    }
    int FramesUntilAllBoardsFound(int limit)
    {
        for (int frame = 1; frame <= limit; ++frame)
        {
            RunGameServiceCallbacks();
            bool all = true;
            for (int i = 0; i < kLeaderboardCount; ++i)
                all = all && GetLeaderboardTable()[i].handle != 0;
            if (all)
                return frame;
        }
        return -1;
    }
    std::string folder;
    std::string printed;
};
} // namespace

TEST_F(AchievementsTest, StartUpFetchesStatsAndFindsBoardsOnePerAnswer)
{
    testing::internal::CaptureStdout();
    ASSERT_TRUE(StartGameServiceIntegration());
    // The greeting goes to the debug output only: a normal start prints nothing.
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(printed, "Steam persona: " + GameServiceGetPersonaName() + "\n");
    ASSERT_NE(gSteamAchievements, nullptr);
    ASSERT_NE(gSteamCallbacks, nullptr);
    EXPECT_FALSE(gSteamAchievements->statsReceived);
    EXPECT_STREQ(GetAchievementTable()[14].name, "One Lump, or Two?");
    EXPECT_STREQ(GetAchievementTable()[14].description, "");

    // The boards arrive one per frame, the last missing record first.
    RunGameServiceCallbacks();
    EXPECT_TRUE(gSteamAchievements->statsReceived);
    EXPECT_NE(printed.find("Received stats and achievements from Steam\n"), std::string::npos);
    EXPECT_NE(GetLeaderboardTable()[7].handle, 0u);
    EXPECT_EQ(GetLeaderboardTable()[6].handle, 0u);
    EXPECT_EQ(FramesUntilAllBoardsFound(20), 7);
    EXPECT_STREQ(GetAchievementTable()[0].description, "Finish the credits level perfectly.");
}

TEST_F(AchievementsTest, UploadsWaitForTheBoardAndKeepTheBest)
{
    ASSERT_TRUE(StartGameServiceIntegration());
    const char* story = "Time taken to complete all of the Story levels";
    EXPECT_TRUE(UploadLeaderboardScore(story, 90000)); // no handle yet: nothing sent
    int32_t score = 0;
    EXPECT_FALSE(GameServiceGetLeaderboardScore(story, &score));
    ASSERT_GT(FramesUntilAllBoardsFound(20), 0);
    EXPECT_TRUE(UploadLeaderboardScore(story, 90000));
    EXPECT_TRUE(UploadLeaderboardScore(story, 95000));
    ASSERT_TRUE(GameServiceGetLeaderboardScore(story, &score));
    EXPECT_EQ(score, 90000);
    EXPECT_TRUE(UploadLeaderboardScore("Survival Level 4 score", 12));
    EXPECT_TRUE(UploadLeaderboardScore("Survival Level 4 score", 40));
    EXPECT_TRUE(UploadLeaderboardScore("Survival Level 4 score", 20));
    ASSERT_TRUE(GameServiceGetLeaderboardScore("Survival Level 4 score", &score));
    EXPECT_EQ(score, 40);
    EXPECT_TRUE(UploadLeaderboardScore("Unknown board", 1));

    // A restart keeps the scores and the unlocked achievements.
    gSteamAchievements->UnlockAchievement("ACH_DONT_JUMP");
    ShutdownGameServiceIntegration();
    ResetAchievementTables();
    ASSERT_TRUE(StartGameServiceIntegration());
    RunGameServiceCallbacks();
    EXPECT_TRUE(GetAchievementTable()[16].achieved);
    EXPECT_FALSE(GetAchievementTable()[17].achieved);
    ASSERT_TRUE(GameServiceGetLeaderboardScore(story, &score));
    EXPECT_EQ(score, 90000);
}

TEST_F(AchievementsTest, AMissingBoardSearchEnds)
{
    ASSERT_TRUE(GameServiceInit(folder));
    AchievementRecord achievements[1];
    achievements[0].apiName = "ACH_BREAKOUT";
    LeaderboardRecord boards[3];
    std::strcpy(boards[0].name, "Survival Level 1 score");
    std::strcpy(boards[1].name, "No such board");
    std::strcpy(boards[2].name, "Survival Level 1 score"); // the same name twice
    cSteamAchievements object(achievements, 1, boards, 3);
    for (int frame = 0; frame < 50; ++frame)
        RunGameServiceCallbacks();
    EXPECT_NE(boards[0].handle, 0u);
    EXPECT_EQ(boards[0].handle, boards[2].handle); // one answer fills both
    EXPECT_EQ(boards[1].handle, 0u);
    const int searches = object.searchesStarted;
    EXPECT_LT(searches, 20);
    RunGameServiceCallbacks();
    EXPECT_EQ(object.searchesStarted, searches); // nothing is asked any more

    boards[2].handle = 42;
    EXPECT_EQ(object.FindLeaderboardHandle("Survival Level 1 score"), 42u); // the later record
    EXPECT_EQ(object.FindLeaderboardHandle("survival level 1 score"), 0u);  // exact match only
}

TEST_F(AchievementsTest, StatsForAnotherGameChangeNothing)
{
    ASSERT_TRUE(StartGameServiceIntegration());
    GameServiceUserStatsReceived other;
    other.gameId = gSteamAchievements->gameId + 1;
    other.result = kGameServiceResultOK;
    gSteamAchievements->OnUserStatsReceived(other);
    EXPECT_FALSE(gSteamAchievements->statsReceived);
    GameServiceUserStatsReceived failed;
    failed.gameId = gSteamAchievements->gameId;
    failed.result = 3;
    gSteamAchievements->OnUserStatsReceived(failed);
    EXPECT_FALSE(gSteamAchievements->statsReceived);
    EXPECT_NE(printed.find("RequestStats - failed, 3\n"), std::string::npos);
}

TEST_F(AchievementsTest, UnlockStoresAndAFailedStoreIsRetried)
{
    ASSERT_TRUE(StartGameServiceIntegration());
    RunGameServiceCallbacks();
    GameServiceFailWritesForTests(true);
    gSteamAchievements->UnlockAchievement("ACH_ALL_SUGAR");
    EXPECT_TRUE(gSteamAchievements->storePending);
    RunGameServiceCallbacks();
    EXPECT_NE(printed.find("StatsStored - failed, 2\n"), std::string::npos);
    GameServiceFailWritesForTests(false);
    gSteamAchievements->RetryStoreStats();
    EXPECT_FALSE(gSteamAchievements->storePending);
    RunGameServiceCallbacks();
    EXPECT_NE(printed.find("Stored stats for Steam\n"), std::string::npos);
    EXPECT_NE(printed.find("Stored Achievement for Steam\n"), std::string::npos);
    bool achieved = false;
    GameServiceShutdown();
    ASSERT_TRUE(GameServiceInit(folder));
    ASSERT_TRUE(GameServiceGetAchievement("ACH_ALL_SUGAR", &achieved));
    EXPECT_TRUE(achieved);
}

TEST_F(AchievementsTest, OverlayChangeStaysUntilTaken)
{
    ASSERT_TRUE(StartGameServiceIntegration());
    GameServiceSimulateOverlay(true);
    EXPECT_FALSE(gSteamCallbacks->IsOverlayActive()); // only when the callbacks run
    RunGameServiceCallbacks();
    EXPECT_TRUE(gSteamCallbacks->IsOverlayActive());
    GameServiceSimulateOverlay(false);
    RunGameServiceCallbacks();
    EXPECT_FALSE(gSteamCallbacks->IsOverlayActive());
    EXPECT_TRUE(gSteamCallbacks->TakeOverlayChanged());
    EXPECT_FALSE(gSteamCallbacks->TakeOverlayChanged());
}

TEST_F(AchievementsTest, AFailedStartLeavesTheGameRunningWithoutTheService)
{
    GameServiceFailNextInitForTests(true);
    EXPECT_FALSE(StartGameServiceIntegration());
    EXPECT_EQ(gSteamAchievements, nullptr);
    EXPECT_EQ(gSteamCallbacks, nullptr);
    RunGameServiceCallbacks();
    EXPECT_TRUE(UploadLeaderboardScore("Survival Level 1 score", 5));
    ShutdownGameServiceIntegration();
}

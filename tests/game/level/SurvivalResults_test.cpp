// The end of a survival run: the leaderboard upload through the game service stand-in
// (keeping the best), the save record's best score, the refused index above 4, and the
// level-side hand-over to the results.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <vector>

#include "KelpoBase/core/StateMachine.h"
#include "KelpoBase/platform/SteamAchievements.h"
#include "KelpoBase/platform/SystemServices.h"
#include "game/level/SurvivalResults.h"
#include "host/gameservice/GameService.h"

namespace
{
struct RecordingHost : cSurvivalResultsHost
{
    bool GetBestScore(int32_t record, int32_t& best) override
    {
        if (record < 0 || record >= 300)
            return false;
        best = scores[record];
        return true;
    }
    void SetBestScore(int32_t record, int32_t best) override
    {
        scores[record] = best;
        writes.push_back(record);
    }
    void CheckAchievements() override { calls.push_back("achievements"); }
    void Save() override { calls.push_back("save"); }

    std::map<int32_t, int32_t> scores;
    std::vector<int32_t> writes;
    std::vector<std::string> calls;
};

class SurvivalResultsTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ResetAchievementTables();
        std::filesystem::remove_all(ComputeSaveFolder());
        SetSurvivalResultsHost(&host);
    }
    void TearDown() override
    {
        SetSurvivalResultsHost(nullptr);
        ShutdownGameServiceIntegration();
    }
    // Starts the service and waits until every leaderboard's handle is known.
    void StartService()
    {
        ASSERT_TRUE(StartGameServiceIntegration());
        for (int frame = 0; frame < 20; ++frame)
            RunGameServiceCallbacks();
        for (int i = 0; i < kLeaderboardCount; ++i)
            ASSERT_NE(GetLeaderboardTable()[i].handle, 0u) << i;
    }
    static int32_t StoredScore(const char* board)
    {
        int32_t score = -1;
        return GameServiceGetLeaderboardScore(board, &score) ? score : -1;
    }

    RecordingHost host;
};

// A level record with the fields the survival end touches.
struct FakeLevel
{
    int32_t StateResults(int32_t, int32_t) { return 0; }
    cGlaControllerScene* resultsScene = nullptr;
    int32_t sugarCollected = 0;
    int32_t levelIndex = 0;
    cPlayerControls* player = nullptr;
    bool noPause = false;
    int32_t resultsTimer = 0;
    StateMachine<FakeLevel> stateMachine;
};
} // namespace

TEST_F(SurvivalResultsTest, BoardNamesFollowTheIndexAndStopAtFive)
{
    EXPECT_STREQ(SurvivalLeaderboardName(0), "Survival Level 1 score");
    EXPECT_STREQ(SurvivalLeaderboardName(2), "Survival Level 3 score");
    EXPECT_STREQ(SurvivalLeaderboardName(4), "Survival Level 5 score");
    EXPECT_EQ(SurvivalLeaderboardName(5), nullptr);
    EXPECT_EQ(SurvivalLeaderboardName(-1), nullptr);
    EXPECT_EQ(SurvivalLeaderboardName(250), nullptr);
}

TEST_F(SurvivalResultsTest, UploadKeepsTheBestWhileTheSaveKeepsItsOwnBest)
{
    StartService();
    const char* board = "Survival Level 3 score";
    EXPECT_TRUE(PostSurvivalLeaderboardScore(2, 50));
    EXPECT_EQ(StoredScore(board), 50);
    // A worse run is still uploaded; the service keeps 50.
    EXPECT_TRUE(PostSurvivalLeaderboardScore(2, 37));
    EXPECT_EQ(StoredScore(board), 50);
    EXPECT_TRUE(PostSurvivalLeaderboardScore(2, 61));
    EXPECT_EQ(StoredScore(board), 61);
    EXPECT_EQ(StoredScore("Survival Level 2 score"), -1) << "other boards untouched";

    host.scores[202] = 50;
    EXPECT_TRUE(RecordSurvivalBest(2, 37));
    EXPECT_EQ(host.scores[202], 50);
    EXPECT_TRUE(host.writes.empty());
    EXPECT_TRUE(RecordSurvivalBest(2, 64));
    EXPECT_EQ(host.scores[202], 64);
    EXPECT_EQ(host.writes, std::vector<int32_t>{202});
    EXPECT_EQ(host.calls, (std::vector<std::string>{"achievements", "save", "achievements", "save"}));
}

TEST_F(SurvivalResultsTest, AnIndexAboveFourIsRefusedWithoutTouchingAnyRecord)
{
    StartService();
    EXPECT_FALSE(PostSurvivalLeaderboardScore(5, 99));
    EXPECT_FALSE(PostSurvivalLeaderboardScore(-1, 99));
    for (int i = 0; i < kLeaderboardCount; ++i)
        EXPECT_EQ(StoredScore(GetLeaderboardTable()[i].name), -1) << GetLeaderboardTable()[i].name;
    EXPECT_FALSE(RecordSurvivalBest(5, 99));
    EXPECT_TRUE(host.writes.empty());
    EXPECT_EQ(host.calls, (std::vector<std::string>{"achievements", "save"}));
}

TEST_F(SurvivalResultsTest, WithoutTheServiceOrHostNothingIsSentAndNothingFails)
{
    EXPECT_FALSE(PostSurvivalLeaderboardScore(0, 10)); // the service is not running
    SetSurvivalResultsHost(nullptr);
    EXPECT_FALSE(RecordSurvivalBest(0, 10));
}

TEST_F(SurvivalResultsTest, TheLevelHandsOverToItsResults)
{
    StartService();
    cGlaControllerScene results(static_cast<cGlaScene*>(nullptr));
    results.frame = 12;
    results.playing = true;
    results.loop = true;
    results.step = 3;
    FakeLevel level;
    level.stateMachine.SetOwner(&level);
    level.resultsScene = &results;
    level.sugarCollected = 37;
    level.levelIndex = 2;
    cDorvo player;
    level.player = &player;
    host.scores[202] = 50;

    PostSurvivalScoreOn(level);
    EXPECT_EQ(results.frame, 0);
    EXPECT_EQ(results.step, 1);
    EXPECT_FALSE(results.playing);
    EXPECT_FALSE(results.loop);
    EXPECT_EQ(StoredScore("Survival Level 3 score"), 37);
    EXPECT_EQ(host.scores[202], 50);
    EXPECT_TRUE(level.noPause) << "losing focus no longer pauses";
    EXPECT_EQ(level.resultsTimer, 90);
    EXPECT_TRUE(level.stateMachine.pendingState == &FakeLevel::StateResults);
    EXPECT_TRUE(player.states.pendingState == &cDorvo::StateLevelEnd);
}

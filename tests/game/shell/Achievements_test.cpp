// Progress counters over a mode's block of records, the achievement conditions, and their
// unlocking over the game service stand-in: nothing before the user's statistics have
// arrived, every earned one after, kept in the service's file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "KelpoBase/platform/SteamAchievements.h"
#include "game/shell/Achievements.h"
#include "game/shell/SaveData.h"
#include "host/gameservice/GameService.h"
#include "support/TestSupport.h"

namespace
{
std::vector<std::string> Earned(const cSaveData& s)
{
    std::vector<std::string> out;
    for (const char* id : EarnedAchievements(s))
        out.push_back(id);
    return out;
}

bool Has(const std::vector<std::string>& ids, const std::string& id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

TEST(ProgressCounters, SumAndCountOverTheModesBlock)
{
    cSaveData s;
    EXPECT_EQ(SumPerfectTimes(0, s), 360000);
    EXPECT_EQ(SumPerfectTimes(1, s), 90000);
    EXPECT_EQ(CountPerfectLevels(0, s), 0);

    // Record 40 (the credits) and 60 lie outside the story and bonus blocks.
    for (int n : {0, 39, 40, 50, 59, 60})
    {
        s.progress[n].perfect = true;
        s.progress[n].sticker = true;
        s.progress[n].allSugar = true;
        s.progress[n].bestPerfectTime = 100;
    }
    EXPECT_EQ(CountPerfectLevels(0, s), 2);
    EXPECT_EQ(CountStickers(0, s), 2);
    EXPECT_EQ(CountSugarLevels(0, s), 2);
    EXPECT_EQ(CountPerfectLevels(1, s), 2);
    EXPECT_EQ(SumPerfectTimes(0, s), 38 * 9000 + 200);
    EXPECT_EQ(SumPerfectTimes(1, s), 8 * 9000 + 200);

    // A mode whose block would run past the records is cut, unknown modes are empty.
    EXPECT_EQ(SumPerfectTimes(5, s), 40 * 9000);
    EXPECT_EQ(CountStickers(6, s), 0);
    EXPECT_EQ(CountStickers(-1, s), 0);
}

TEST(Achievements, FreshSaveEarnsNothing)
{
    cSaveData s;
    EXPECT_TRUE(EarnedAchievements(s).empty());
}

TEST(Achievements, ConditionsFollowTheRecordsAndFeats)
{
    cSaveData s;
    // Only the last two levels of a block count for completion.
    s.progress[58].completed = s.progress[59].completed = true;
    s.progress[38].completed = s.progress[39].completed = true;
    s.progress[40].perfect = true;
    s.progress[200].bestScore = 30;
    s.feats[cSaveData::kFeatDontJump] = true;
    EXPECT_EQ(Earned(s), (std::vector<std::string>{"ACH_PERFECT_CREDITS", "ACH_COMPLETE_BONUS", "ACH_SURVIVAL_30",
                                                   "ACH_COMPLETE_ALL_LEVELS", "ACH_DONT_JUMP"}));

    // Survival: 29 everywhere earns neither; 30 everywhere earns both.
    cSaveData survival;
    for (int n = 200; n < 205; ++n)
        survival.progress[n].bestScore = 29;
    EXPECT_TRUE(EarnedAchievements(survival).empty());
    for (int n = 200; n < 205; ++n)
        survival.progress[n].bestScore = 30;
    EXPECT_EQ(Earned(survival), (std::vector<std::string>{"ACH_SURVIVAL_30", "ACH_SURVIVAL_OF_THE_FITTEST"}));

    // 39 perfect story levels: the 10, 20 and 30 steps but not all.
    cSaveData perfect;
    for (int n = 0; n < 39; ++n)
        perfect.progress[n].perfect = true;
    auto ids = Earned(perfect);
    EXPECT_TRUE(Has(ids, "ACH_10_PERFECT") && Has(ids, "ACH_20_PERFECT") && Has(ids, "ACH_30_PERFECT"));
    EXPECT_FALSE(Has(ids, "ACH_ALL_PERFECT"));
    perfect.progress[39].perfect = true;
    EXPECT_TRUE(Has(Earned(perfect), "ACH_ALL_PERFECT"));

    // Whole blocks: bonus perfect, challenge completed and perfect, stickers, sugar.
    cSaveData all;
    for (int n = 0; n < 40; ++n)
        all.progress[n].sticker = all.progress[n].allSugar = true;
    for (int n = 50; n < 60; ++n)
        all.progress[n].perfect = true;
    for (int n = 250; n < 255; ++n)
        all.progress[n].completed = all.progress[n].perfect = true;
    for (bool& feat : all.feats)
        feat = true;
    EXPECT_EQ(Earned(all),
              (std::vector<std::string>{"ACH_PERFECT_BONUS", "ACH_CHALLENGE_COMPLETE", "ACH_PERFECT_CHALLENGE",
                                        "ACH_ALL_STICKERS", "ACH_ALL_SUGAR", "ACH_ONE_LUMP_OR_TWO",
                                        "ACH_DONT_LOOK_BACK", "ACH_DONT_JUMP", "ACH_BREAKOUT", "ACH_BLACK_TEA"}));
    all.progress[254].completed = false;
    EXPECT_FALSE(Has(Earned(all), "ACH_CHALLENGE_COMPLETE"));
    EXPECT_TRUE(Has(Earned(all), "ACH_PERFECT_CHALLENGE"));
}

bool Achieved(const char* id)
{
    bool achieved = false;
    return GameServiceGetAchievement(id, &achieved) && achieved;
}

TEST(Achievements, UnlockedOnlyOnceTheStatisticsHaveArrivedAndKept)
{
    const std::string folder = (tvtest::WorkFolder() / "service").string();
    ASSERT_TRUE(GameServiceInit(folder));
    cSaveData s;
    s.progress[40].perfect = true;
    s.feats[cSaveData::kFeatBlackTea] = true;

    // No achievements object: nothing happens.
    EXPECT_EQ(UnlockEarnedAchievements(s), 0);
    {
        cSteamAchievements achievements;
        ASSERT_EQ(gSteamAchievements, &achievements);
        // The statistics have not arrived yet.
        EXPECT_EQ(UnlockEarnedAchievements(s), 0);
        EXPECT_FALSE(Achieved("ACH_PERFECT_CREDITS"));

        GameServiceRunCallbacks();
        ASSERT_TRUE(achievements.statsReceived);
        EXPECT_EQ(UnlockEarnedAchievements(s), 2);
        EXPECT_TRUE(Achieved("ACH_PERFECT_CREDITS"));
        EXPECT_TRUE(Achieved("ACH_BLACK_TEA"));
        EXPECT_FALSE(Achieved("ACH_BREAKOUT"));
        // A second check finds them unlocked and unlocks them again, harmlessly.
        EXPECT_EQ(UnlockEarnedAchievements(s), 2);
        EXPECT_FALSE(achievements.storePending);
    }
    EXPECT_EQ(gSteamAchievements, nullptr);
    GameServiceShutdown();

    // Stored: a new run of the service still has them.
    ASSERT_TRUE(GameServiceInit(folder));
    EXPECT_TRUE(Achieved("ACH_PERFECT_CREDITS"));
    EXPECT_TRUE(Achieved("ACH_BLACK_TEA"));
    GameServiceShutdown();
}
} // namespace

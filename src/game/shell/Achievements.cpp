#include "game/shell/Achievements.h"

#include <functional>

#include "KelpoBase/platform/SteamAchievements.h"
#include "game/shell/MainGame.h"
#include "game/shell/SaveData.h"

namespace
{
// The first record and the record count of a mode's block, cut to the records that exist
// (an unknown mode has an empty block).
void ModeBlock(int mode, int& first, int& count)
{
    first = 0;
    count = 0;
    if (mode < 0 || mode * 50 >= cSaveData::kLevelCount)
        return;
    first = mode * 50;
    count = mode == 1 ? 10 : 40;
    if (first + count > cSaveData::kLevelCount)
        count = cSaveData::kLevelCount - first;
}

int SumOverBlock(int mode, const cSaveData& saveData, const std::function<int(const LevelProgress&)>& value)
{
    int first = 0;
    int count = 0;
    ModeBlock(mode, first, count);
    int sum = 0;
    for (int n = first; n < first + count; ++n)
        sum += value(saveData.progress[n]);
    return sum;
}

// How many of the records first .. first + count - 1 meet the test.
int CountRange(const cSaveData& s, int first, int count, bool (*test)(const LevelProgress&))
{
    int n = 0;
    for (int i = first; i < first + count; ++i)
        n += test(s.progress[i]) ? 1 : 0;
    return n;
}

bool Completed(const LevelProgress& p) { return p.completed; }
bool Perfect(const LevelProgress& p) { return p.perfect; }
bool Sticker(const LevelProgress& p) { return p.sticker; }
bool AllSugar(const LevelProgress& p) { return p.allSugar; }
bool Survived30(const LevelProgress& p) { return p.bestScore >= 30; }
} // namespace

int SumPerfectTimes(int mode, const cSaveData& saveData)
{
    return SumOverBlock(mode, saveData, [](const LevelProgress& p) { return int(p.bestPerfectTime); });
}

int CountStickers(int mode, const cSaveData& saveData)
{
    return SumOverBlock(mode, saveData, [](const LevelProgress& p) { return p.sticker ? 1 : 0; });
}

int CountPerfectLevels(int mode, const cSaveData& saveData)
{
    return SumOverBlock(mode, saveData, [](const LevelProgress& p) { return p.perfect ? 1 : 0; });
}

int CountSugarLevels(int mode, const cSaveData& saveData)
{
    return SumOverBlock(mode, saveData, [](const LevelProgress& p) { return p.allSugar ? 1 : 0; });
}

const char* const kAchievementIds[kGameAchievementCount] = {
    "ACH_PERFECT_CREDITS",    "ACH_COMPLETE_BONUS", "ACH_PERFECT_BONUS",   "ACH_CHALLENGE_COMPLETE",
    "ACH_PERFECT_CHALLENGE",  "ACH_SURVIVAL_30",    "ACH_SURVIVAL_OF_THE_FITTEST",
    "ACH_COMPLETE_ALL_LEVELS", "ACH_10_PERFECT",    "ACH_20_PERFECT",      "ACH_30_PERFECT",
    "ACH_ALL_PERFECT",        "ACH_ALL_STICKERS",   "ACH_ALL_SUGAR",       "ACH_ONE_LUMP_OR_TWO",
    "ACH_DONT_LOOK_BACK",     "ACH_DONT_JUMP",      "ACH_BREAKOUT",        "ACH_BLACK_TEA",
};

std::vector<const char*> EarnedAchievements(const cSaveData& s)
{
    const int storyPerfect = CountRange(s, 0, 40, Perfect);
    const bool earned[kGameAchievementCount] = {
        s.progress[40].perfect,
        s.progress[58].completed && s.progress[59].completed,
        CountRange(s, 50, 10, Perfect) == 10,
        CountRange(s, 250, 5, Completed) == 5,
        CountRange(s, 250, 5, Perfect) == 5,
        CountRange(s, 200, 5, Survived30) >= 1,
        CountRange(s, 200, 5, Survived30) == 5,
        s.progress[38].completed && s.progress[39].completed,
        storyPerfect >= 10,
        storyPerfect >= 20,
        storyPerfect >= 30,
        storyPerfect == 40,
        CountRange(s, 0, 40, Sticker) == 40,
        CountRange(s, 0, 40, AllSugar) == 40,
        s.feats[cSaveData::kFeatOneLumpOrTwo],
        s.feats[cSaveData::kFeatDontLookBack],
        s.feats[cSaveData::kFeatDontJump],
        s.feats[cSaveData::kFeatBreakout],
        s.feats[cSaveData::kFeatBlackTea],
    };
    std::vector<const char*> ids;
    for (int i = 0; i < kGameAchievementCount; ++i)
        if (earned[i])
            ids.push_back(kAchievementIds[i]);
    return ids;
}

int UnlockEarnedAchievements(const cSaveData& saveData)
{
    if (gSteamAchievements == nullptr || !gSteamAchievements->statsReceived)
        return 0;
    const std::vector<const char*> ids = EarnedAchievements(saveData);
    for (const char* id : ids)
        gSteamAchievements->UnlockAchievement(id);
    return static_cast<int>(ids.size());
}

void cMainGame::CheckAchievements() { UnlockEarnedAchievements(saveData); }

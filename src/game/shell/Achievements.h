// Progress counters over one game mode's block of progress records, and the achievements
// derived from the save data.
//
// Mode m's block starts at record m x 50 and holds 10 records for the bonus mode (1) and
// 40 otherwise (story: 0 to 39, so record 40, the credits, lies outside it). The counters
// have no side effects.
//
// Achievements are never stored in the save data: each check recomputes every condition
// and unlocks (through the game service's statistics) every achievement whose condition
// holds, already unlocked or not, but only once the service has delivered the user's
// statistics. An achievement earned before that is unlocked at the first check after.
#pragma once

#include <vector>

class cSaveData;

// The sum of the best perfect times (frames) over the mode's block; levels never
// finished perfectly count with their default 9000.
int SumPerfectTimes(int mode, const cSaveData& saveData);
int CountStickers(int mode, const cSaveData& saveData);
int CountPerfectLevels(int mode, const cSaveData& saveData);
int CountSugarLevels(int mode, const cSaveData& saveData);

constexpr int kGameAchievementCount = 19;
// The achievement identifiers in the order they are checked.
extern const char* const kAchievementIds[kGameAchievementCount];

// The identifiers whose condition the save data meets, in checking order.
std::vector<const char*> EarnedAchievements(const cSaveData& saveData);

// Unlocks the earned achievements when the game service has delivered the user's
// statistics; nothing otherwise. Answers how many were unlocked.
int UnlockEarnedAchievements(const cSaveData& saveData);

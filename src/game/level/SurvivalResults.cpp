#include "game/level/SurvivalResults.h"

#include <cstring>

#include "KelpoBase/platform/SteamAchievements.h"
#include "host/gameservice/GameService.h"

namespace
{
const char* const kSurvivalBoards[kSurvivalLevelCount] = {
    "Survival Level 1 score", "Survival Level 2 score", "Survival Level 3 score",
    "Survival Level 4 score", "Survival Level 5 score",
};

cSurvivalResultsHost* gSurvivalResultsHost = nullptr;
} // namespace

const char* SurvivalLeaderboardName(int32_t survivalIndex)
{
    if (survivalIndex < 0 || survivalIndex >= kSurvivalLevelCount)
        return nullptr;
    return kSurvivalBoards[survivalIndex];
}

bool PostSurvivalLeaderboardScore(int32_t survivalIndex, int32_t score)
{
    const char* board = SurvivalLeaderboardName(survivalIndex);
    if (board == nullptr || gSteamAchievements == nullptr)
        return false;
    // The leaderboard records hold names of 256 characters.
    char name[256] = {};
    std::strncpy(name, board, sizeof(name) - 1);
    const uint64_t handle = gSteamAchievements->FindLeaderboardHandle(name);
    if (handle == 0)
        return false;
    return GameServiceUploadLeaderboardScore(handle, LeaderboardUploadMethod::KeepBest, score, nullptr, 0) != 0;
}

void SetSurvivalResultsHost(cSurvivalResultsHost* host) { gSurvivalResultsHost = host; }

cSurvivalResultsHost* GetSurvivalResultsHost() { return gSurvivalResultsHost; }

bool RecordSurvivalBest(int32_t survivalIndex, int32_t score)
{
    cSurvivalResultsHost* host = gSurvivalResultsHost;
    if (host == nullptr)
        return false;
    bool recorded = false;
    if (survivalIndex >= 0 && survivalIndex < kSurvivalLevelCount)
    {
        const int32_t record = kSurvivalSaveBlock + survivalIndex;
        int32_t best = 0;
        if (host->GetBestScore(record, best))
        {
            if (score > best)
                host->SetBestScore(record, score);
            recorded = true;
        }
    }
    host->CheckAchievements();
    host->Save();
    return recorded;
}

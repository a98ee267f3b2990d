#include "KelpoBase/platform/SteamAchievements.h"

#include "KelpoBase/core/Debug.h"
#include "KelpoBase/platform/SteamCallbacks.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/platform/WinMain.h"

#include <cstdio>
#include <cstring>
#include <string>

cSteamAchievements* gSteamAchievements = nullptr;

namespace
{
struct AchievementRow
{
    const char* apiName;
    const char* name;
};

const AchievementRow kAchievementRows[kAchievementCount] = {
    {"ACH_PERFECT_CREDITS", "Take a Bow"},
    {"ACH_COMPLETE_BONUS", "Complete Bonus"},
    {"ACH_PERFECT_BONUS", "Perfect Bonus"},
    {"ACH_CHALLENGE_COMPLETE", "Challenge Complete"},
    {"ACH_PERFECT_CHALLENGE", "Perfect Challenge"},
    {"ACH_SURVIVAL_30", "Survival Guide"},
    {"ACH_SURVIVAL_OF_THE_FITTEST", "Survival of the Fittest"},
    {"ACH_COMPLETE_ALL_LEVELS", "Living the Dream"},
    {"ACH_10_PERFECT", "Perfect Ten"},
    {"ACH_20_PERFECT", "Twenty's Plenty"},
    {"ACH_30_PERFECT", "Thirty-Something"},
    {"ACH_ALL_PERFECT", "Perfectionist"},
    {"ACH_ALL_STICKERS", "All Stickers"},
    {"ACH_ALL_SUGAR", "Pretty Sweet"},
    {"ACH_ONE_LUMP_OR_TWO", "One Lump, or Two?"},
    {"ACH_DONT_LOOK_BACK", "Don't Look Back"},
    {"ACH_DONT_JUMP", "Don't Jump"},
    {"ACH_BREAKOUT", "Breakout!"},
    {"ACH_BLACK_TEA", "Black Tea"},
};

const char* const kLeaderboardNames[kLeaderboardCount] = {
    "Time taken to complete all of the Challenge levels",
    "Time taken to complete all of the Story levels",
    "Time taken to complete all of the Bonus levels",
    "Survival Level 1 score",
    "Survival Level 2 score",
    "Survival Level 3 score",
    "Survival Level 4 score",
    "Survival Level 5 score",
};

AchievementRecord gAchievements[kAchievementCount];
LeaderboardRecord gLeaderboards[kLeaderboardCount];
bool gTablesReady = false;

void CopyText(char* dest, size_t capacity, const std::string& text)
{
    size_t n = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memcpy(dest, text.data(), n);
    dest[n] = '\0';
}

constexpr int kMaxTrackedBoards = 64;
} // namespace

void ResetAchievementTables()
{
    for (int i = 0; i < kAchievementCount; ++i)
    {
        AchievementRecord& r = gAchievements[i];
        r = AchievementRecord();
        r.id = i;
        r.apiName = kAchievementRows[i].apiName;
        CopyText(r.name, sizeof(r.name), kAchievementRows[i].name);
    }
    for (int i = 0; i < kLeaderboardCount; ++i)
    {
        gLeaderboards[i] = LeaderboardRecord();
        CopyText(gLeaderboards[i].name, sizeof(gLeaderboards[i].name), kLeaderboardNames[i]);
    }
    gTablesReady = true;
}

AchievementRecord* GetAchievementTable()
{
    if (!gTablesReady)
        ResetAchievementTables();
    return gAchievements;
}

LeaderboardRecord* GetLeaderboardTable()
{
    if (!gTablesReady)
        ResetAchievementTables();
    return gLeaderboards;
}

cSteamAchievements::cSteamAchievements()
    : achievements(GetAchievementTable()), achievementCount(kAchievementCount), leaderboards(GetLeaderboardTable()),
      leaderboardCount(kLeaderboardCount)
{
    Start();
}

cSteamAchievements::cSteamAchievements(AchievementRecord* achievementTable, int count, LeaderboardRecord* boards,
                                       int boardCount)
    : achievements(achievementTable), achievementCount(achievementTable != nullptr && count > 0 ? count : 0),
      leaderboards(boards),
      leaderboardCount(boards != nullptr && boardCount > 0 ? (boardCount < kMaxTrackedBoards ? boardCount : kMaxTrackedBoards) : 0)
{
    Start();
}

void cSteamAchievements::Start()
{
    mStatsReceivedHandle = GameServiceRegisterCallback(kUserStatsReceivedId, [this](const void* data) {
        OnUserStatsReceived(*static_cast<const GameServiceUserStatsReceived*>(data));
    });
    mStatsStoredHandle = GameServiceRegisterCallback(kUserStatsStoredId, [this](const void* data) {
        OnUserStatsStored(*static_cast<const GameServiceUserStatsStored*>(data));
    });
    mAchievementStoredHandle = GameServiceRegisterCallback(kUserAchievementStoredId, [this](const void* data) {
        OnAchievementStored(*static_cast<const GameServiceAchievementStored*>(data));
    });
    gameId = GameServiceGetAppId();
    if (ServiceReady())
        GameServiceRequestCurrentStats();
    FindMissingLeaderboards();
    gSteamAchievements = this;
    storePending = false;
}

cSteamAchievements::~cSteamAchievements()
{
    if (mCallResultHandle != 0)
        GameServiceCancelCallResult(mCallResultHandle);
    for (int handle : {mStatsReceivedHandle, mStatsStoredHandle, mAchievementStoredHandle})
        if (handle != 0)
            GameServiceUnregisterCallback(handle);
    if (gSteamAchievements == this)
        gSteamAchievements = nullptr;
}

bool cSteamAchievements::ServiceReady() const { return GameServiceIsRunning() && GameServiceLoggedOn(); }

bool cSteamAchievements::RequestStats()
{
    if (!ServiceReady())
        return false;
    return GameServiceRequestCurrentStats();
}

void cSteamAchievements::UnlockAchievement(const char* apiName)
{
    if (apiName == nullptr)
        return;
    GameServiceSetAchievement(apiName);
    if (!GameServiceStoreStats())
        storePending = true;
}

void cSteamAchievements::RetryStoreStats()
{
    if (storePending)
        storePending = !GameServiceStoreStats();
}

bool cSteamAchievements::FindMissingLeaderboards()
{
    if (!ServiceReady())
        return false;
    for (int i = 0; i < leaderboardCount; ++i)
    {
        if (leaderboards[i].handle != 0 || mSearchFailures[i] >= kMaxLeaderboardSearches)
            continue;
        GameServiceApiCall call = GameServiceFindLeaderboard(leaderboards[i].name);
        if (call == 0)
            continue;
        ++searchesStarted;
        // One call is followed at a time: the newest replaces any earlier one.
        if (mCallResultHandle != 0)
            GameServiceCancelCallResult(mCallResultHandle);
        mFollowedBoard = i;
        mCallResultHandle = GameServiceFollowCall(call, [this](const void* data, bool ioFailure) {
            mCallResultHandle = 0;
            OnLeaderboardFound(*static_cast<const GameServiceLeaderboardFindResult*>(data), ioFailure);
        });
    }
    return true;
}

uint64_t cSteamAchievements::FindLeaderboardHandle(const char* name) const
{
    uint64_t handle = 0;
    if (name == nullptr)
        return 0;
    for (int i = 0; i < leaderboardCount; ++i)
        if (std::strcmp(leaderboards[i].name, name) == 0)
            handle = leaderboards[i].handle;
    return handle;
}

void cSteamAchievements::OnLeaderboardFound(const GameServiceLeaderboardFindResult& result, bool ioFailure)
{
    if (!ioFailure && result.found)
    {
        const std::string name = GameServiceGetLeaderboardName(result.leaderboard);
        for (int i = 0; i < leaderboardCount; ++i)
            if (!name.empty() && name == leaderboards[i].name)
                leaderboards[i].handle = result.leaderboard;
    }
    // The board this answer was for stays missing: count it, so that a board the
    // service does not have is given up after a few answers.
    if (mFollowedBoard >= 0 && mFollowedBoard < leaderboardCount && leaderboards[mFollowedBoard].handle == 0)
        ++mSearchFailures[mFollowedBoard];
    mFollowedBoard = -1;
    FindMissingLeaderboards();
}

void cSteamAchievements::OnUserStatsReceived(const GameServiceUserStatsReceived& result)
{
    if (result.gameId != gameId)
        return;
    if (result.result != kGameServiceResultOK)
    {
        char text[128];
        std::snprintf(text, sizeof(text), "RequestStats - failed, %d\n", result.result);
        DebugPrint("%s", text);
        return;
    }
    DebugNote("Received stats and achievements from Steam\n");
    statsReceived = true;
    for (int i = 0; i < achievementCount; ++i)
    {
        AchievementRecord& r = achievements[i];
        bool achieved = false;
        GameServiceGetAchievement(r.apiName, &achieved);
        r.achieved = achieved;
        CopyText(r.name, sizeof(r.name), GameServiceGetAchievementDisplayAttribute(r.apiName, "name"));
        CopyText(r.description, sizeof(r.description), GameServiceGetAchievementDisplayAttribute(r.apiName, "desc"));
    }
}

void cSteamAchievements::OnUserStatsStored(const GameServiceUserStatsStored& result)
{
    if (result.gameId != gameId)
        return;
    if (result.result == kGameServiceResultOK)
        DebugNote("Stored stats for Steam\n");
    else
    {
        DebugPrint("StatsStored - failed, %d\n", result.result);
        storePending = true;
    }
}

void cSteamAchievements::OnAchievementStored(const GameServiceAchievementStored& result)
{
    if (result.gameId == gameId)
        DebugNote("Stored Achievement for Steam\n");
}

// --- Start, frame and shutdown ---------------------------------------------------------

bool StartGameServiceIntegration()
{
    if (!GameServiceInit(ComputeSaveFolder()))
    {
        DebugPrint("The game service is not available; running without it\n");
        return false;
    }
    gSteamCallbacks = new cSteamCallbacks();
    new cSteamAchievements(); // stores itself in gSteamAchievements
    // A greeting, not a problem: a normal start prints nothing.
    DebugNote("Steam persona: %s\n", GameServiceGetPersonaName().c_str());
    return true;
}

void ShutdownGameServiceIntegration()
{
    delete gSteamAchievements;
    gSteamAchievements = nullptr;
    delete gSteamCallbacks;
    gSteamCallbacks = nullptr;
    GameServiceShutdown();
}

void RunGameServiceCallbacks()
{
    if (GameServiceIsRunning())
        GameServiceRunCallbacks();
}

void RegisterGameServiceIntegration()
{
    WinMainHooks& hooks = GetWinMainHooks();
    hooks.startGameService = [] { StartGameServiceIntegration(); };
    hooks.runGameServiceCallbacks = [] { RunGameServiceCallbacks(); };
    hooks.shutdownGameService = [] { ShutdownGameServiceIntegration(); };
}

bool UploadLeaderboardScore(const char* boardName, int32_t score)
{
    if (gSteamAchievements == nullptr || !GameServiceIsRunning())
        return true;
    uint64_t handle = gSteamAchievements->FindLeaderboardHandle(boardName);
    if (handle == 0)
        return true;
    if (GameServiceUploadLeaderboardScore(handle, LeaderboardUploadMethod::KeepBest, score, nullptr, 0) == 0)
    {
        DebugPrint("The score for %s could not be stored\n", boardName);
        return false;
    }
    return true;
}

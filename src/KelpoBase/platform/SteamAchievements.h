// cSteamAchievements: the program's side of the game service's statistics, achievements
// and leaderboards. One object, created at start-up and deleted at shutdown, reached
// through gSteamAchievements (null when the service is not running).
//
// It asks for the user's statistics (filling the achievement table's display texts when
// they arrive), finds the eight leaderboards by name (one answer at a time, from the last
// missing board towards the first) and uploads scores keeping the best. A board the
// service does not know is asked for a few times and then given up, so the search ends.
#pragma once

#include <cstdint>

#include "host/gameservice/GameService.h"

struct AchievementRecord
{
    int32_t id = 0;
    const char* apiName = "";
    char name[128] = {};
    char description[256] = {};
    bool achieved = false;
    int32_t icon = 0;
};

struct LeaderboardRecord
{
    char name[256] = {};
    uint64_t handle = 0;
};

constexpr int kAchievementCount = 19;
constexpr int kLeaderboardCount = 8;
// Answers "not found" for one board before its search is given up.
constexpr int kMaxLeaderboardSearches = 3;

// The program's tables (19 achievements, 8 leaderboards), reset to their built-in state.
AchievementRecord* GetAchievementTable();
LeaderboardRecord* GetLeaderboardTable();
void ResetAchievementTables();

class cSteamAchievements
{
public:
    // Uses the program's tables.
    cSteamAchievements();
    // Uses the caller's tables (which must outlive the object).
    cSteamAchievements(AchievementRecord* achievements, int achievementCount, LeaderboardRecord* leaderboards,
                       int leaderboardCount);
    ~cSteamAchievements();
    cSteamAchievements(const cSteamAchievements&) = delete;
    cSteamAchievements& operator=(const cSteamAchievements&) = delete;

    bool RequestStats();
    // Unlocks and stores at once; a store that fails is retried by RetryStoreStats.
    void UnlockAchievement(const char* apiName);
    void RetryStoreStats();
    bool FindMissingLeaderboards();
    // The handle of the last record of that name (exact match), 0 when none or not found yet.
    uint64_t FindLeaderboardHandle(const char* name) const;

    void OnUserStatsReceived(const GameServiceUserStatsReceived& result);
    void OnUserStatsStored(const GameServiceUserStatsStored& result);
    void OnAchievementStored(const GameServiceAchievementStored& result);
    void OnLeaderboardFound(const GameServiceLeaderboardFindResult& result, bool ioFailure);

    uint64_t gameId = 0;
    AchievementRecord* achievements = nullptr;
    int32_t achievementCount = 0;
    bool statsReceived = false;
    LeaderboardRecord* leaderboards = nullptr;
    int32_t leaderboardCount = 0;
    bool storePending = false;
    // Searches started so far (each pass asks for every missing board).
    int32_t searchesStarted = 0;

private:
    void Start();
    bool ServiceReady() const;

    int mStatsReceivedHandle = 0;
    int mStatsStoredHandle = 0;
    int mAchievementStoredHandle = 0;
    int mCallResultHandle = 0;
    int mFollowedBoard = -1;
    int mSearchFailures[64] = {};
};

extern cSteamAchievements* gSteamAchievements;

// Starts the game service with its files in the save folder, creates the callback
// object and the achievements object and prints the user's persona. False when the
// service cannot start: the game then runs without it (both globals stay null).
bool StartGameServiceIntegration();
// Deletes both objects and stops the service.
void ShutdownGameServiceIntegration();
// Once a frame: delivers the service's results.
void RunGameServiceCallbacks();
// Installs the three calls above in the window object's start-up, frame and shutdown.
void RegisterGameServiceIntegration();

// Uploads a score to the named board with the keep-best method. A board whose handle is
// not known yet (or a service that is not running) sends nothing and answers true; false
// only when the upload itself failed.
bool UploadLeaderboardScore(const char* boardName, int32_t score);

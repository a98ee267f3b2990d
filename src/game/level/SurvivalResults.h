// The end of a survival level: the sugar count goes to the level's online leaderboard
// (the service keeps the best), the best count into the level's save record, the
// achievements are checked and the game saved; then the level hands over to its results
// screen and the player stops moving sideways.
//
// The save data and achievements belong to the game above the level library: the game
// registers a cSurvivalResultsHost for them. Without one, the save step is skipped.
#pragma once

#include <cstdint>

#include "KelpoBase/gla/GlaControllerScene.h"
#include "game/objects/Dorvo.h"

// There are five survival levels, numbered by their survival index 0 to 4; their save
// records follow the survival block start.
inline constexpr int32_t kSurvivalLevelCount = 5;
inline constexpr int32_t kSurvivalSaveBlock = 200;
// Frames before the results screen reacts.
inline constexpr int32_t kSurvivalResultsFrames = 90;

// The leaderboard of a survival index ("Survival Level 1 score" for index 0, ...), or
// null for an index outside 0 to 4.
const char* SurvivalLeaderboardName(int32_t survivalIndex);

// Uploads the score to the survival index's leaderboard with the keep-best method.
// Nothing is sent (false) for an index without a leaderboard, without the game service,
// or while the leaderboard's handle is not known; true when the upload was made.
bool PostSurvivalLeaderboardScore(int32_t survivalIndex, int32_t score);

// The game's side of the results: the best score of a save record, the achievements and
// the save file.
class cSurvivalResultsHost
{
public:
    virtual ~cSurvivalResultsHost() = default;
    // False when the record does not exist.
    virtual bool GetBestScore(int32_t record, int32_t& best) = 0;
    virtual void SetBestScore(int32_t record, int32_t best) = 0;
    virtual void CheckAchievements() = 0;
    virtual void Save() = 0;
};

// Registers the game's side (null removes it). The caller keeps ownership.
void SetSurvivalResultsHost(cSurvivalResultsHost* host);
cSurvivalResultsHost* GetSurvivalResultsHost();

// Keeps the larger of the stored best and the score in save record 200 + index (only the
// best score changes), then checks the achievements and saves. An index outside 0 to 4
// touches no record (false), though the achievements are still checked and the game
// saved; false also without a registered host.
bool RecordSurvivalBest(int32_t survivalIndex, int32_t score);

// The whole end of a survival run on a level record with the fields resultsScene,
// sugarCollected, levelIndex, player, noPause, resultsTimer and stateMachine, and the
// state StateResults: the results scene rewound, the score posted and kept, focus loss
// no longer pausing, the results state pending after 90 frames of grace, the player in
// its level-end state.
template <class Level>
void PostSurvivalScoreOn(Level& level)
{
    if (cGlaControllerScene* results = level.resultsScene)
    {
        results->Rewind();
        results->playbackPosition = 0.0f;
        results->fraction = 0.0f;
    }
    PostSurvivalLeaderboardScore(level.levelIndex, level.sugarCollected);
    RecordSurvivalBest(level.levelIndex, level.sugarCollected);
    level.noPause = true;
    level.resultsTimer = kSurvivalResultsFrames;
    level.stateMachine.SetPendingState(&Level::StateResults, 0);
    if (cDorvo* player = dynamic_cast<cDorvo*>(level.player))
        player->SetPendingState(&cDorvo::StateLevelEnd, 0);
}

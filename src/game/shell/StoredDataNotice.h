// The box the game shows at start when it goes on without what the player stored (the saved
// game, the achievements and scores), or when it cannot keep what this run adds. A player who
// starts the game from a desktop menu never sees standard error, and would otherwise meet
// what looks like a new game with no word of why.
#pragma once

#include <string>

#include "game/shell/SaveData.h"
#include "host/gameservice/GameService.h"

// The box's title: it names the game's data, since the box is no failure of the program.
constexpr const char* kStoredDataNoticeTitle = "Tollivan: your saved data";

// The box's text: for each file or folder the start could not use, which one, the system's
// reason, what became of it (left as it is, or kept aside), whether progress made in this run
// will be kept, and what to do. Empty when the start used everything the player stored.
std::string StoredDataNotice(const GameServiceStartFindings& service, const cSaveData::ReadFindings& save,
                             const std::string& saveFile);

// The level table: for each level's place within its mode, the scene that lays it out and
// the music track that plays during it.
//
// Rows 0 to 39 are the story levels in the order the game presents them, row 40 the
// credits (played as a level); row 41 is empty. The file names are not in row order: the
// row is the level's place in the game, the name its scene in the maps scene file. Bonus,
// survival and challenge levels use the row of their index within the mode for the music
// (survival levels also for the scene, with "_S" appended).
#pragma once

#include <cstdint>
#include <string>

struct LevelRecord
{
    std::string fileName;   // base name of the level's scene
    int32_t musicTrack = 0; // 1 to 3, the number handed to cMainGame::PlayMusicTrack
};

constexpr int kLevelTableSize = 42;
// The rows that hold a level (0 to 40).
constexpr int kLevelTableFilledRows = 41;

extern const LevelRecord LevelTable[kLevelTableSize];

// The row of that index; the empty row (no name, track 0) for an index outside the
// filled rows, so that a bad index never reads past the table.
const LevelRecord& GetLevelRecord(int index);

// The level table: rows read by index, the empty row for anything outside the levels.
#include <gtest/gtest.h>

#include <set>

#include "game/shell/LevelTable.h"

TEST(LevelTable, RowsGiveSceneAndTrack)
{
    struct Case
    {
        int index;
        const char* fileName;
        int track;
    };
    const Case cases[] = {
        {0, "level_038", 1},  {1, "level_000", 1},  {10, "level_009", 1}, {11, "level_021", 2},
        {14, "level_024", 2}, {15, "level_017", 1}, {21, "level_004", 3}, {27, "level_015", 3},
        {29, "level_036", 2}, {38, "level_028", 3}, {39, "level_039", 1}, {40, "level_040", 1},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(GetLevelRecord(c.index).fileName, c.fileName) << c.index;
        EXPECT_EQ(GetLevelRecord(c.index).musicTrack, c.track) << c.index;
        EXPECT_EQ(&GetLevelRecord(c.index), &LevelTable[c.index]);
    }
    // Story levels 11 to 14 play track 2, 21 to 27 track 3.
    for (int i = 11; i <= 14; ++i)
        EXPECT_EQ(LevelTable[i].musicTrack, 2) << i;
    for (int i = 21; i <= 27; ++i)
        EXPECT_EQ(LevelTable[i].musicTrack, 3) << i;
}

TEST(LevelTable, EveryLevelHasItsOwnSceneAndATrackOfOneToThree)
{
    std::set<std::string> names;
    for (int i = 0; i < kLevelTableFilledRows; ++i)
    {
        EXPECT_EQ(LevelTable[i].fileName.rfind("level_0", 0), 0u) << i;
        EXPECT_GE(LevelTable[i].musicTrack, 1) << i;
        EXPECT_LE(LevelTable[i].musicTrack, 3) << i;
        names.insert(LevelTable[i].fileName);
    }
    EXPECT_EQ(names.size(), size_t(kLevelTableFilledRows));
}

TEST(LevelTable, IndicesOutsideTheLevelsGiveTheEmptyRow)
{
    for (int index : {41, 42, -1, 250, 1 << 30})
    {
        EXPECT_EQ(GetLevelRecord(index).fileName, "") << index;
        EXPECT_EQ(GetLevelRecord(index).musicTrack, 0) << index;
    }
    EXPECT_EQ(LevelTable[41].fileName, "");
}

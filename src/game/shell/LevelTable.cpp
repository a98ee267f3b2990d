#include "game/shell/LevelTable.h"

const LevelRecord LevelTable[kLevelTableSize] = {
    {"level_038", 1}, // 0
    {"level_000", 1}, // 1
    {"level_001", 1}, // 2
    {"level_012", 1}, // 3
    {"level_019", 1}, // 4
    {"level_011", 1}, // 5
    {"level_007", 1}, // 6
    {"level_005", 1}, // 7
    {"level_008", 1}, // 8
    {"level_016", 1}, // 9
    {"level_009", 1}, // 10
    {"level_021", 2}, // 11
    {"level_022", 2}, // 12
    {"level_023", 2}, // 13
    {"level_024", 2}, // 14
    {"level_017", 1}, // 15
    {"level_030", 1}, // 16
    {"level_034", 1}, // 17
    {"level_020", 1}, // 18
    {"level_014", 1}, // 19
    {"level_003", 1}, // 20
    {"level_004", 3}, // 21
    {"level_006", 3}, // 22
    {"level_002", 3}, // 23
    {"level_010", 3}, // 24
    {"level_031", 3}, // 25
    {"level_013", 3}, // 26
    {"level_015", 3}, // 27
    {"level_018", 1}, // 28
    {"level_036", 2}, // 29
    {"level_029", 3}, // 30
    {"level_035", 3}, // 31
    {"level_037", 1}, // 32
    {"level_033", 1}, // 33
    {"level_032", 2}, // 34
    {"level_026", 2}, // 35
    {"level_025", 2}, // 36
    {"level_027", 2}, // 37
    {"level_028", 3}, // 38
    {"level_039", 1}, // 39
    {"level_040", 1}, // 40 (credits)
    {"", 0}, // 41: empty
};

const LevelRecord& GetLevelRecord(int index)
{
    if (index < 0 || index >= kLevelTableFilledRows)
        return LevelTable[kLevelTableSize - 1];
    return LevelTable[index];
}

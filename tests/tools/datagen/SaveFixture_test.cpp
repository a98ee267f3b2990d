#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datagen/SaveFixture.h"
#include "game/shell/SaveData.h"

namespace
{
// Each preset is a whole version 3 file that the game's reader takes, with the progress
// the preset promises: which records are completed decides what the menus open.
TEST(SaveFixture, PresetsReadBackWithTheGameReader)
{
    struct Case
    {
        const char* preset;
        std::vector<int> completed, open;
    } cases[] = {
        {"fresh", {}, {0, 4, 19, 38, 40, 50, 200, 250}},
        {"mid", {0, 12}, {13, 19, 38, 50, 200}},
        {"all-open", {0, 4, 9, 19, 29, 38, 39, 40, 50, 59, 200, 204, 250}, {41, 60, 205}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.preset);
        const std::vector<uint8_t> bytes = datagen::BuildSaveFixture(c.preset);
        ASSERT_EQ(bytes.size(), cSaveData::kFileSizeV3);
        cSaveData save;
        ASSERT_TRUE(save.ReadFromMemory(bytes.data(), bytes.size(), false));
        for (int n : c.completed)
            EXPECT_TRUE(save.GetLevelProgress(n).completed) << n;
        for (int n : c.open)
            EXPECT_FALSE(save.GetLevelProgress(n).completed) << n;
        EXPECT_EQ(save.windowed, 1);
        const int32_t defaults[6] = {70, 71, 68, 69, 72, 79};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(save.GetControl(i), defaults[i]);
        // The writer and the game agree on every byte.
        EXPECT_EQ(save.Serialise(), bytes);
    }
    EXPECT_TRUE(datagen::BuildSaveFixture("no-such-preset").empty());

    // All-open: stickers unlock the first customisation items, survival has best scores.
    cSaveData all;
    const std::vector<uint8_t> bytes = datagen::BuildSaveFixture("all-open");
    ASSERT_TRUE(all.ReadFromMemory(bytes.data(), bytes.size(), false));
    for (int n : {0, 1, 2, 3, 4, 50})
        EXPECT_TRUE(all.GetLevelProgress(n).sticker) << n;
    EXPECT_EQ(all.GetLevelProgress(204).bestScore, 35);
    EXPECT_TRUE(all.GetLevelProgress(3).perfect);
    EXPECT_LT(all.GetLevelProgress(3).bestPerfectTime, 9000);
}
} // namespace

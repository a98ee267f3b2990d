// Level selection (story and bonus pages), the survival and challenge page and the level
// statistics screen.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "FrontendFixtures.h"
#include "KelpoBase/render/Font.h"
#include "KelpoBase/render/FontFixtures.h"

using namespace fetest;

namespace
{
struct LevelSelect : FrontendFixture
{
    void EnterLevelSelect(int32_t mode)
    {
        Make(1);
        fe->mode = mode;
        Enter(&cFrontend::StateLevelSelect, 0);
    }

    bool Shown(cGlaControllerScene* scene, int32_t slot)
    {
        cGlaControllerButton* b = FindButtonController(scene, "GameObj00" + std::to_string(slot));
        return b != nullptr && b->IsShown();
    }

    // The global numbers of the level buttons shown, over every page of the mode.
    std::vector<int32_t> OpenLevels()
    {
        std::vector<int32_t> open;
        for (int p = 0; p < fe->pageCount; ++p)
            for (int i = 0; i < 10; ++i)
                if (Shown(fe->scrLevelScreen[p], i))
                    open.push_back(fe->mode * 50 + 10 * p + i);
        return open;
    }
};

std::vector<int32_t> Range(int32_t first, int32_t last)
{
    std::vector<int32_t> out;
    for (int32_t n = first; n <= last; ++n)
        out.push_back(n);
    return out;
}

TEST_F(LevelSelect, LockRuleOpensEachLevelAfterItsPredecessor)
{
    struct Case
    {
        int32_t mode;
        int32_t completedUpTo; // records 0..this (story) or 50..this (bonus) completed; -1 none
        std::vector<int32_t> open;
        int32_t page;
        int32_t pageCount;
    };
    const Case cases[] = {
        {0, -1, {0}, 0, 4},
        {0, 12, Range(0, 13), 1, 4},
        {0, 39, Range(0, 39), 0, 4},
        {1, -1, {50}, 0, 1},
        {1, 52, Range(50, 53), 0, 1},
    };
    for (const Case& c : cases)
    {
        save = cSaveData();
        for (int32_t n = c.mode * 50; n <= c.completedUpTo; ++n)
            save.progress[n].completed = true;
        EnterLevelSelect(c.mode);
        EXPECT_EQ(OpenLevels(), c.open) << c.mode << " " << c.completedUpTo;
        EXPECT_EQ(fe->page, c.page) << c.completedUpTo;
        EXPECT_EQ(fe->pageCount, c.pageCount);
        EXPECT_EQ(fe->targetPage, fe->page);
    }
}

TEST_F(LevelSelect, StoryOnlySpriteFollowsTheMode)
{
    EnterLevelSelect(0);
    EXPECT_TRUE(FindSpriteController(fe->scrLevelScreen[0], "Sprite000")->visible);
    EnterLevelSelect(1);
    EXPECT_FALSE(FindSpriteController(fe->scrLevelScreen[0], "Sprite000")->visible);
}

TEST_F(LevelSelect, ChosenLevelStartsWithoutAFade)
{
    for (int32_t n = 50; n <= 52; ++n)
        save.progress[n].completed = true;
    EnterLevelSelect(1);
    Activate(fe->scrLevelScreen[0], 3); // "level3"
    ASSERT_TRUE(fe->screens.HasPending());
    Frame();
    EXPECT_TRUE(Is(&cFrontend::StateStartLevel));
    EXPECT_EQ(fe->screens.currentArg, 53);
}

TEST_F(LevelSelect, LockedAndOutOfRangeButtonsStartNothing)
{
    EnterLevelSelect(0);
    Activate(fe->scrLevelScreen[0], 4); // locked: hidden, so it posts nothing
    EXPECT_FALSE(fe->screens.HasPending());
    for (int32_t n = 0; n < 40; ++n)
        save.progress[n].completed = true;
    EnterLevelSelect(0);
    Activate(fe->scrLevelScreen[0], 10); // posts "level77": no such story level
    EXPECT_FALSE(fe->screens.HasPending());
    EXPECT_TRUE(Is(&cFrontend::StateLevelSelect));
}

TEST_F(LevelSelect, PagesSlideAndIgnoreKeysMeanwhile)
{
    for (int32_t n = 0; n <= 12; ++n)
        save.progress[n].completed = true;
    EnterLevelSelect(0);
    ASSERT_EQ(fe->page, 1);
    fe->scrLevelScreen[1]->SetFocus(0);
    Frame({KEY_LEFT});
    EXPECT_EQ(fe->targetPage, 0);
    EXPECT_GT(fe->slideOffset, 0.0f);
    fe->scrLevelScreen[1]->SetFocus(0);
    Frame({KEY_RETURN}); // ignored while sliding
    EXPECT_FALSE(fe->screens.HasPending());
    Frames(7);
    EXPECT_EQ(fe->page, 1);
    Frame(); // the tenth step passes the screen width
    EXPECT_EQ(fe->page, 0);
    EXPECT_EQ(fe->slideOffset, 0.0f);

    // The left column of the first page and the right column of the last stay put.
    fe->scrLevelScreen[0]->SetFocus(5);
    Frame({KEY_LEFT});
    EXPECT_EQ(fe->slideOffset, 0.0f);
    EXPECT_EQ(fe->scrLevelScreen[0]->focusIndex, 5);
}

TEST_F(LevelSelect, BonusPageNeverSlides)
{
    for (int32_t n = 50; n < 60; ++n)
        save.progress[n].completed = true;
    EnterLevelSelect(1);
    fe->scrLevelScreen[0]->SetFocus(4);
    Frame({KEY_RIGHT});
    EXPECT_EQ(fe->slideOffset, 0.0f);
    EXPECT_EQ(fe->page, 0);
}

TEST_F(LevelSelect, BackKeyAndBackButtonLeadToDifferentScreens)
{
    EnterLevelSelect(0);
    Frame({KEY_ESCAPE});
    Frames(5);
    EXPECT_TRUE(Is(&cFrontend::StateMainMenu));
    EXPECT_EQ(fe->screens.currentArg, 1);

    EnterLevelSelect(0);
    Frame({KEY_DOWN}); // top row to bottom row
    EXPECT_EQ(fe->scrLevelScreen[0]->focusIndex, 5);
    Frame({KEY_DOWN}); // bottom row to the screen's first button ("actBack")
    EXPECT_EQ(fe->scrLevelSelect->focusIndex, 0);
    EXPECT_FALSE(fe->scrLevelScreen[0]->keyboardMode);
    Frame({KEY_RETURN});
    Frames(5);
    EXPECT_TRUE(Is(&cFrontend::StateModeSelect));
    EXPECT_EQ(fe->screens.currentArg, 1);
}

TEST_F(LevelSelect, HelpOpensTheStatisticsAndBackReturns)
{
    EnterLevelSelect(0);
    Frame({KEY_UP}); // from the top row to the screen's second button ("actHelp")
    Frame({KEY_RETURN});
    Frames(5);
    ASSERT_TRUE(Is(&cFrontend::StateLevelStats));
    Frames(5);
    Frame({KEY_ESCAPE});
    Frames(5);
    EXPECT_TRUE(Is(&cFrontend::StateLevelSelect));
}

TEST_F(LevelSelect, StatisticsCountTheModesRecords)
{
    Make(1);
    cFrontend::LevelStatsFigures none = fe->GetLevelStatsFigures();
    EXPECT_EQ(none.sugarLevels, 0);
    EXPECT_EQ(none.stickers, 0);
    EXPECT_EQ(none.perfectLevels, 0);
    EXPECT_EQ(none.levelCount, 40);
    EXPECT_THAT(none.perfectTime, ::testing::MatchesRegex("0?3:20:00\\.00")); // 40 x 9000 frames

    fe->mode = 1;
    EXPECT_EQ(fe->GetLevelStatsFigures().levelCount, 10);
    EXPECT_THAT(fe->GetLevelStatsFigures().perfectTime, ::testing::MatchesRegex("0?0:50:00\\.00"));

    fe->mode = 0;
    save.progress[3].allSugar = true;
    save.progress[3].sticker = true;
    save.progress[3].perfect = true;
    save.progress[3].bestPerfectTime = 300;
    save.progress[7].sticker = true;
    save.progress[55].allSugar = true; // bonus: not counted in story
    cFrontend::LevelStatsFigures some = fe->GetLevelStatsFigures();
    EXPECT_EQ(some.sugarLevels, 1);
    EXPECT_EQ(some.stickers, 2);
    EXPECT_EQ(some.perfectLevels, 1);
    EXPECT_THAT(some.perfectTime, ::testing::MatchesRegex("0?3:15:10\\.00")); // 39 x 9000 + 300 frames

    Enter(&cFrontend::StateLevelStats, 0);
    Frames(3); // drawn with the counts
    EXPECT_TRUE(Is(&cFrontend::StateLevelStats));
}

TEST_F(LevelSelect, SurvivalOpensByStoryProgressAndChallengeIsOpen)
{
    struct Case
    {
        int record;
        int32_t slot;
    };
    const Case cases[] = {{9, 1}, {19, 2}, {29, 3}, {38, 4}};
    Make(1);
    Enter(&cFrontend::StateChallengeSelect, 0);
    EXPECT_TRUE(Shown(fe->scrLevelScreenS, 0));
    for (int32_t slot = 1; slot < 5; ++slot)
        EXPECT_FALSE(Shown(fe->scrLevelScreenS, slot));
    for (const Case& c : cases)
    {
        save = cSaveData();
        save.progress[c.record].completed = true;
        Enter(&cFrontend::StateChallengeSelect, 0);
        for (int32_t slot = 1; slot < 5; ++slot)
            EXPECT_EQ(Shown(fe->scrLevelScreenS, slot), slot == c.slot) << c.record;
    }
    save = cSaveData();
    save.progress[39].completed = true; // not the record that opens the fifth
    Enter(&cFrontend::StateChallengeSelect, 0);
    EXPECT_FALSE(Shown(fe->scrLevelScreenS, 4));

    save = cSaveData();
    fe->challenge = true;
    Enter(&cFrontend::StateChallengeSelect, 0);
    for (int32_t slot = 0; slot < 5; ++slot)
        EXPECT_TRUE(Shown(fe->scrLevelScreenS, slot));
}

TEST_F(LevelSelect, ChallengeSelectStartsTheSetsLevels)
{
    for (bool challenge : {false, true})
    {
        save = cSaveData();
        save.progress[29].completed = true;
        Make(1);
        fe->challenge = challenge;
        Enter(&cFrontend::StateChallengeSelect, 0);
        Activate(fe->scrLevelScreenS, 5); // "level5": no such slot
        EXPECT_FALSE(fe->screens.HasPending());
        Activate(fe->scrLevelScreenS, 3);
        Frame();
        EXPECT_TRUE(Is(&cFrontend::StateStartLevel));
        EXPECT_EQ(fe->screens.currentArg, challenge ? 253 : 203);
    }
}

TEST_F(LevelSelect, ChallengeSelectFocusMovesBetweenRowAndButtons)
{
    Make(1);
    fe->challenge = true;
    Enter(&cFrontend::StateChallengeSelect, 0);
    fe->scrLevelScreenS->SetFocus(2);
    Frame({KEY_UP}); // on a level button: nothing
    EXPECT_EQ(fe->scrLevelScreenS->focusIndex, 2);
    EXPECT_TRUE(fe->scrLevelScreenS->keyboardMode);
    Frame({KEY_DOWN}); // down to the screen's own buttons
    EXPECT_FALSE(fe->scrLevelScreenS->keyboardMode);
    Frame({KEY_RETURN}); // "actBack"
    Frames(5);
    EXPECT_TRUE(Is(&cFrontend::StateModeSelect));
}
TEST_F(LevelSelect, ScreensWithTextDrawWithTheSystemFont)
{
    // Every byte the screens write, the curly quotation marks of the statistics included.
    std::string codes;
    for (int c = 32; c < 256; ++c)
        codes.push_back(static_cast<char>(c));
    const std::vector<uint8_t> bytes = tvtest::BuildFont(tvtest::UniformGlyphs(codes, 8, 10, 9));
    std::unique_ptr<cFont> font(cFont::ReadFromMemory(bytes.data(), bytes.size()));
    ASSERT_NE(font, nullptr);
    for (int32_t n = 0; n < 60; ++n)
    {
        save.progress[n].completed = n != 45;
        save.progress[n].perfect = true;
        save.progress[n].bestPerfectTime = 1234;
    }
    save.progress[19].completed = false; // the mode select's hint shows
    save.progress[201].bestScore = 4321;
    for (int32_t width : {1280, 800})
    {
        SetScreenSize(width, 720);
        Make(1);
        fe->systemFont = font.get();
        fe->iconStar = fe->iconTick = fe->iconSugar = fe->iconSticker = &picture;
        for (auto& d : fe->smallDigits)
            d = &picture;
        for (auto& d : fe->hudDigits)
            d = &picture;
        Enter(&cFrontend::StateModeSelect, 0);
        Frames(2);
        fe->mode = 0;
        Enter(&cFrontend::StateLevelSelect, 0);
        Frames(2);
        Enter(&cFrontend::StateLevelStats, 0);
        Frames(2);
        for (bool challenge : {false, true})
        {
            fe->challenge = challenge;
            Enter(&cFrontend::StateChallengeSelect, 0);
            Frames(2);
        }
        EXPECT_TRUE(Is(&cFrontend::StateChallengeSelect));
    }
}
} // namespace

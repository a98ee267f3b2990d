// The front end's screen machine (entry screens, the stack with fades, starting a level),
// the title, main menu, mode select and end screens, and the particle bursts.
#include <gtest/gtest.h>

#include "FrontendFixtures.h"
#include "game/shell/MainGame.h"

using namespace fetest;

namespace
{
using FrontendScreens = FrontendFixture;

TEST_F(FrontendScreens, EntryChoosesTheFirstScreen)
{
    struct Case
    {
        int32_t entry;
        cFrontend::ScreenFunc screen;
        int32_t arg;
    };
    const Case cases[] = {
        {0, &cFrontend::StateTitle, 0},
        {1, &cFrontend::StateMainMenu, 1},
        {2, &cFrontend::StateEnd, 0},
        {7, &cFrontend::StateTitle, 0},
    };
    for (const Case& c : cases)
    {
        Make(c.entry);
        EXPECT_TRUE(fe->screens.pendingState == c.screen) << c.entry;
        Frame();
        EXPECT_TRUE(Is(c.screen)) << c.entry;
        EXPECT_EQ(fe->screens.currentArg, c.arg) << c.entry;
    }
}

TEST_F(FrontendScreens, TitlePagesTimeOutAndMarkTheTitleSeen)
{
    Make(0);
    Frames(10);
    EXPECT_EQ(fe->titlePage, 0);
    Frame(); // the 11th update reaches full alpha
    EXPECT_EQ(fe->titlePage, 1);
    Frames(79);
    EXPECT_FALSE(fe->screens.HasPending());
    Frame(); // the 80th update of the second page
    EXPECT_TRUE(fe->screens.HasPending());
    EXPECT_EQ(save.flags & 1u, 1u);
    Frame();
    EXPECT_TRUE(Is(&cFrontend::StateMainMenu));
    EXPECT_EQ(fe->screens.currentArg, 0);
}

TEST_F(FrontendScreens, TitleCountsAKeyOncePerPress)
{
    Make(0);
    Frame({KEY_SPACE}, true);
    EXPECT_EQ(fe->titlePage, 1);
    Frame(); // still held: not a press
    EXPECT_EQ(fe->titlePage, 1);
    EXPECT_FALSE(fe->screens.HasPending());
    KeyUp(KEY_SPACE);
    Frame();
    Frame({KEY_SPACE});
    Frame();
    EXPECT_TRUE(Is(&cFrontend::StateMainMenu));
    EXPECT_EQ(save.flags & 1u, 1u);
}

TEST_F(FrontendScreens, PushedScreenWaitsForTheFadeOut)
{
    Make(1);
    Frames(5); // faded in
    Activate(fe->scrMainMenuButtons, 1); // "actOptions"
    ASSERT_EQ(fe->screens.stack.size(), 1u);
    EXPECT_TRUE(Is(&cFrontend::StateMainMenu));
    Frames(4); // 200, 145, 90, 35
    EXPECT_TRUE(Is(&cFrontend::StateMainMenu));
    Frame(); // below 1: popped
    EXPECT_TRUE(Is(&cFrontend::StateOptions));
    EXPECT_TRUE(fe->screens.stack.empty());
    EXPECT_EQ(fe->mainMenuFocus, 1); // kept by the leave request
}

TEST_F(FrontendScreens, MainMenuActionsLeadToTheirScreens)
{
    struct Case
    {
        int32_t focus;
        cFrontend::ScreenFunc screen;
        int32_t arg;
    };
    const Case cases[] = {
        {0, &cFrontend::StateModeSelect, 0}, {2, &cFrontend::StateCredits, 0}, {3, &cFrontend::StateHelp, 0},
        {4, &cFrontend::StateCustomise, 1},
    };
    for (const Case& c : cases)
    {
        Make(1);
        Frames(5);
        Activate(fe->scrMainMenuButtons, c.focus);
        Frames(5);
        EXPECT_TRUE(Is(c.screen)) << c.focus;
        EXPECT_EQ(fe->screens.currentArg, c.arg) << c.focus;
    }
}

TEST_F(FrontendScreens, MainMenuExitQuitsAndUnknownActionsAreIgnored)
{
    Make(1);
    Frames(5);
    Activate(fe->scrMainMenuButtons, 6); // "actTovrane"
    EXPECT_TRUE(fe->screens.stack.empty());
    EXPECT_FALSE(GetQuitRequested());
    Activate(fe->scrMainMenuButtons, 5); // "actExit"
    EXPECT_TRUE(GetQuitRequested());
}

TEST_F(FrontendScreens, MainMenuIntroHoldsInputAndSpawnsHearts)
{
    Make(1);
    fe->heartImages = {&picture};
    Enter(&cFrontend::StateMainMenu, 0);
    fe->scrMainMenuButtons->SetFocus(1);
    for (int i = 2; i <= 23; ++i)
        Frame({KEY_RETURN});
    EXPECT_TRUE(fe->screens.stack.empty()); // no key takes effect during the intro
    EXPECT_EQ(fe->particles.Used(), 0u);
    Frame(); // frame 24: the first heart
    EXPECT_EQ(fe->particles.Used(), 12u);
    Frames(30); // 34, 44, 54
    EXPECT_EQ(fe->particles.Used(), 48u);
}

TEST_F(FrontendScreens, ShortIntroDoesNotHoldTheMenu)
{
    FindObjectByName(scenes.set.get(), "scrMainMenu")->frameCount = 10;
    Make(1);
    Enter(&cFrontend::StateMainMenu, 0);
    Frames(14); // the intro ends at its tenth frame; then the buttons fade in
    Activate(fe->scrMainMenuButtons, 1); // "actOptions"
    Frames(5);
    EXPECT_TRUE(Is(&cFrontend::StateOptions));
}

TEST_F(FrontendScreens, ModeSelectUnlocksBySaveRecords)
{
    struct Case
    {
        int record;
        const char* button;
    };
    const Case cases[] = {{19, "chapter2"}, {4, "butSurvival"}, {38, "butChallenge"}};
    for (const Case& c : cases)
    {
        save = cSaveData();
        Make(1);
        Enter(&cFrontend::StateModeSelect, 0);
        cGlaControllerButton* button = FindButtonController(fe->scrChapter, c.button);
        ASSERT_NE(button, nullptr);
        EXPECT_FALSE(button->IsEnabled()) << c.button;
        save.progress[c.record].completed = true;
        Enter(&cFrontend::StateModeSelect, 0);
        EXPECT_TRUE(button->IsEnabled()) << c.button;
    }
}

TEST_F(FrontendScreens, ChapterActionOpensTheLevelSelectAtOnce)
{
    save.progress[19].completed = true;
    Make(1);
    Enter(&cFrontend::StateModeSelect, 0);
    Activate(fe->scrChapter, 5); // "chapter9": no such set
    EXPECT_FALSE(fe->screens.HasPending());
    EXPECT_EQ(fe->mode, 0);
    Activate(fe->scrChapter, 1); // "chapter1": the bonus set
    EXPECT_EQ(fe->mode, 1);
    Frame();
    EXPECT_TRUE(Is(&cFrontend::StateLevelSelect));
}

TEST_F(FrontendScreens, ChallengeFlagIsClearedOnEveryVisit)
{
    save.progress[4].completed = true;
    save.progress[38].completed = true;
    Make(1);
    Enter(&cFrontend::StateModeSelect, 0);
    Activate(fe->scrChapter, 3); // "actChallenge"
    EXPECT_TRUE(fe->challenge);
    Frames(5);
    EXPECT_TRUE(Is(&cFrontend::StateChallengeSelect));
    Frame({KEY_ESCAPE});
    Frames(6);
    ASSERT_TRUE(Is(&cFrontend::StateModeSelect));
    EXPECT_FALSE(fe->challenge);
    Activate(fe->scrChapter, 2); // "actSurvival"
    Frames(5);
    EXPECT_TRUE(Is(&cFrontend::StateChallengeSelect));
    EXPECT_FALSE(fe->challenge);
}

TEST_F(FrontendScreens, StartLevelFadesThenHandsTheLevelOn)
{
    for (int32_t level : {0, 12, 40, 203, 253})
    {
        handedOff.clear();
        Make(1);
        Enter(&cFrontend::StateStartLevel, level); // update 1
        Frames(12);
        EXPECT_TRUE(handedOff.empty()) << level;
        Frame(); // update 14: 280
        ASSERT_FALSE(handedOff.empty()) << level;
        EXPECT_EQ(handedOff.front(), level);
    }
}

TEST_F(FrontendScreens, EndScreenLeavesOnJoystickButtonEight)
{
    fe.reset();
    Make(2);
    fe->flowerImages = {&picture};
    fe->confettiImages = {&picture};
    fe->flashImage = &picture;
    Frames(3);
    EXPECT_GT(fe->particles.Used(), 0u); // flowers fall from the first update
    Frame({KEY_JOY_BUTTON_1 + 7});
    Frames(5);
    EXPECT_TRUE(Is(&cFrontend::StateMainMenu));
    EXPECT_EQ(fe->screens.currentArg, 1);
}

TEST_F(FrontendScreens, BurstsTakeWhatThePoolHas)
{
    Make(1);
    fe->heartImages = {&picture};
    fe->confettiImages = {&picture};
    fe->flashImage = &picture;
    fe->SpawnHeartBurst(10.0f, 20.0f);
    EXPECT_EQ(fe->particles.Used(), 12u);
    fe->SpawnConfettiBurst(10.0f, 20.0f);
    EXPECT_EQ(fe->particles.Used(), 37u);
    fe->particles.Create(20);
    fe->SpawnConfettiBurst(0.0f, 0.0f);
    EXPECT_EQ(fe->particles.Used(), 20u);
    fe->SpawnHeartBurst(0.0f, 0.0f);
    EXPECT_EQ(fe->particles.Used(), 20u);
}

TEST_F(FrontendScreens, OpenAllLevelsMarksTheStoryLevels)
{
    Make(1);
    fe->OpenAllLevels();
    EXPECT_TRUE(save.progress[0].completed && save.progress[0].sticker);
    EXPECT_TRUE(save.progress[39].completed && save.progress[39].sticker);
    EXPECT_FALSE(save.progress[40].completed);
}

TEST_F(FrontendScreens, MissingScenesDrawAndUpdateNothing)
{
    fe = std::make_unique<cFrontend>(1);
    fe->saveData = &save;
    fe->LoadScreens(); // no scene set at all
    for (int i = 0; i < 40; ++i)
        Frame({i % 2 ? KEY_RETURN : KEY_DOWN});
    EXPECT_TRUE(Is(&cFrontend::StateMainMenu)); // stuck in its intro, but nothing breaks
}

TEST(FrontendParts, RegistrationInstallsTheGameHooks)
{
    RegisterFrontendParts();
    MainGameParts& parts = GetMainGameParts();
    EXPECT_TRUE(parts.frontend.create && parts.frontend.update && parts.frontend.draw && parts.frontend.destroy);
    EXPECT_TRUE(parts.comic.create && parts.comic.update && parts.comic.draw && parts.comic.destroy);
}
} // namespace

// Options, control redefinition, customisation, credits and help screens.
#include <gtest/gtest.h>

#include "FrontendFixtures.h"
#include "KelpoBase/gla/GlaElementControllers.h"

using namespace fetest;

namespace
{
struct Options : FrontendFixture
{
    void SetUp() override
    {
        FrontendFixture::SetUp();
        SetSaveDataVolumes(nullptr);
        GetSaveDataVolumes().SetMusicVolume(0.8f);
        GetSaveDataVolumes().SetSoundVolume(1.0f);
    }
    bool ToggleOn(const char* name) { return FindToggleButtonController(fe->scrOptions, name)->GetState(); }
    void SetControls(std::initializer_list<int32_t> codes)
    {
        int i = 0;
        for (int32_t c : codes)
            save.controls[i++] = c;
    }
};

TEST_F(Options, TogglesShowTheSettings)
{
    GetSaveDataVolumes().SetSoundVolume(0.0f);
    save.windowed = 1;
    Make(1);
    Enter(&cFrontend::StateOptions, 0);
    EXPECT_TRUE(ToggleOn("butMusic"));
    EXPECT_FALSE(ToggleOn("butSfx"));
    EXPECT_FALSE(ToggleOn("butScreen"));
    save.windowed = 0; // changed elsewhere: the toggle follows
    Frame();
    EXPECT_TRUE(ToggleOn("butScreen"));
}

TEST_F(Options, MusicAndSoundToggles)
{
    Make(1);
    Enter(&cFrontend::StateOptions, 0);
    Activate(fe->scrOptions, 1); // music off
    EXPECT_EQ(GetSaveDataVolumes().GetMusicVolume(), 0.0f);
    EXPECT_TRUE(musicPlayed.empty());
    Activate(fe->scrOptions, 1); // music on: 0.8 and track 1
    EXPECT_FLOAT_EQ(GetSaveDataVolumes().GetMusicVolume(), 0.8f);
    EXPECT_EQ(musicPlayed, std::vector<int32_t>{1});

    GetSaveDataVolumes().SetSoundVolume(0.3f);
    Activate(fe->scrOptions, 2); // on -> off
    EXPECT_EQ(GetSaveDataVolumes().GetSoundVolume(), 0.0f);
    Activate(fe->scrOptions, 2); // off -> on: always full
    EXPECT_EQ(GetSaveDataVolumes().GetSoundVolume(), 1.0f);
}

TEST_F(Options, ScreenModeAndFlip)
{
    save.windowed = 1;
    Make(1);
    Enter(&cFrontend::StateOptions, 0);
    Activate(fe->scrOptions, 0); // full screen
    EXPECT_EQ(save.windowed, 0);
    Activate(fe->scrOptions, 3);
    EXPECT_EQ(GetOrientation(), 2);
    EXPECT_TRUE(save.flipScreen);
    Activate(fe->scrOptions, 3);
    EXPECT_EQ(GetOrientation(), 0);
    EXPECT_FALSE(save.flipScreen);
}

TEST_F(Options, ResetControlsStaysOnTheScreen)
{
    SetControls({80, 81, 82, 83, 84, 85});
    Make(1);
    Enter(&cFrontend::StateControls, 1);
    Activate(fe->scrOptionsControls, 1);
    EXPECT_EQ(std::vector<int32_t>(save.controls, save.controls + 6), (std::vector<int32_t>{70, 71, 68, 69, 72, 79}));
    Frames(6);
    EXPECT_TRUE(Is(&cFrontend::StateControls));
}

TEST_F(Options, RedefinitionCapturesJoystickInputsInOrder)
{
    SetControls({80, 81, 82, 83, 84, 85});
    Make(1);
    // A direction held since before the screen is not captured.
    KeyDown(KEY_JOY_LEFT);
    CopyInputToPrevious();
    Enter(&cFrontend::StateRedefineControls, 1);
    Frame({}, true);
    KeyUp(KEY_JOY_LEFT);
    EXPECT_TRUE(FindSpriteController(fe->scrOptionsRedefineControls, "up")->visible);
    EXPECT_FALSE(FindSpriteController(fe->scrOptionsRedefineControls, "down")->visible);

    Frame({KEY_JOY_BUTTON_1 + 2, KEY_JOY_BUTTON_1 + 4}); // buttons 3 and 5: the higher wins
    EXPECT_EQ(fe->pendingControls[0], 76);
    Frame({KEY_JOY_LEFT}); // the prompt of the second control shows while it is captured
    EXPECT_TRUE(FindSpriteController(fe->scrOptionsRedefineControls, "down")->visible);
    EXPECT_FALSE(FindSpriteController(fe->scrOptionsRedefineControls, "up")->visible);
    Frame({KEY_JOY_UP});
    Frame({KEY_JOY_DOWN});
    Frame({KEY_JOY_BUTTON_1});
    Frame({KEY_JOY_RIGHT});
    EXPECT_EQ(std::vector<int32_t>(fe->pendingControls, fe->pendingControls + 6),
              (std::vector<int32_t>{76, 68, 70, 71, 72, 69}));
    EXPECT_EQ(save.controls[0], 80); // nothing changes before "actDone"
    Frames(5);
    ASSERT_TRUE(Is(&cFrontend::StateRedefineConfirm));
    EXPECT_EQ(fe->scrOptionsRedefineConfirm->focusIndex, 1);
    Frames(5);
    Frame({KEY_RETURN}); // "actDone"
    EXPECT_EQ(std::vector<int32_t>(save.controls, save.controls + 6), (std::vector<int32_t>{76, 68, 70, 71, 72, 69}));
    Frames(5);
    EXPECT_TRUE(Is(&cFrontend::StateControls));
}

TEST_F(Options, EscapeCancelsRedefinitionAndKeepsTheControls)
{
    SetControls({80, 81, 82, 83, 84, 85});
    Make(1);
    Enter(&cFrontend::StateRedefineControls, 1);
    Frame({KEY_JOY_BUTTON_1 + 3});
    Frame({KEY_JOY_BUTTON_1 + 5});
    Frame({KEY_ESCAPE});
    Frames(5);
    EXPECT_TRUE(Is(&cFrontend::StateControls));
    EXPECT_EQ(std::vector<int32_t>(save.controls, save.controls + 6), (std::vector<int32_t>{80, 81, 82, 83, 84, 85}));
}

TEST_F(Options, ChooseAgainStartsAtTheFirstControl)
{
    Make(1);
    Enter(&cFrontend::StateRedefineControls, 1);
    for (uint32_t b = 0; b < 6; ++b)
        Frame({KEY_JOY_BUTTON_1 + b});
    Frames(5);
    ASSERT_TRUE(Is(&cFrontend::StateRedefineConfirm));
    Frames(5);
    Activate(fe->scrOptionsRedefineConfirm, 0); // "actChooseAgain"
    Frames(5);
    ASSERT_TRUE(Is(&cFrontend::StateRedefineControls));
    Frame({KEY_JOY_BUTTON_1 + 9});
    EXPECT_EQ(fe->pendingControls[0], 81);
    EXPECT_EQ(fe->pendingControls[1], 73); // kept until overwritten
}

// --- customisation -------------------------------------------------------------------------------

struct Customise : FrontendFixture
{
    ImageRect images[cFrontend::kPartImageSets][cFrontend::kPartItemCount];

    void MakeCustomise()
    {
        Make(1);
        for (int set = 0; set < cFrontend::kPartImageSets; ++set)
            for (int i = 0; i < cFrontend::kPartItemCount; ++i)
                fe->partImages[set][i] = &images[set][i];
        Enter(&cFrontend::StateCustomise, 1);
    }
    cGlaControllerToggleButton* Item(int page, int item)
    {
        return FindToggleButtonController(fe->scrCustomisePages[page], "but" + std::to_string(item));
    }
    // The image of every key of a sprite of the preview rig.
    const ImageRect* RigImage(const char* scene, const char* sprite)
    {
        const auto* e = ClassCast<cGlaElementSprite>(FindObjectByName(scenes.set.get(), scene)->FindSpriteElement(sprite));
        return e->frames.keys.front().value;
    }
};

TEST_F(Customise, NewGameOffersOnlyTheDefaultLook)
{
    MakeCustomise();
    for (int page = 0; page < 5; ++page)
    {
        fe->ShowCustomisePage(page);
        EXPECT_TRUE(Item(page, 0)->IsEnabled());
        EXPECT_TRUE(Item(page, 0)->GetState());
        for (int item = 1; item <= 10; ++item)
        {
            EXPECT_FALSE(Item(page, item)->IsEnabled()) << page << " " << item;
            EXPECT_FALSE(Item(page, item)->GetState());
        }
    }
}

TEST_F(Customise, StickersUnlockItems)
{
    struct Case
    {
        int page, item, record;
    };
    const Case cases[] = {{0, 2, 5}, {0, 9, 50}, {4, 8, 39}, {4, 10, 59}, {3, 1, 3}};
    for (const Case& c : cases)
        EXPECT_EQ(cFrontend::StickerRecordForItem(c.page, c.item), c.record);
    save.progress[5].sticker = true;
    save.progress[50].sticker = true;
    save.progress[39].sticker = true;
    MakeCustomise();
    EXPECT_TRUE(Item(0, 2)->IsEnabled());
    EXPECT_TRUE(Item(0, 9)->IsEnabled());
    EXPECT_FALSE(Item(0, 3)->IsEnabled());
    fe->ShowCustomisePage(4);
    EXPECT_TRUE(Item(4, 8)->IsEnabled());
}

TEST_F(Customise, OutOfRangeLookValuesAreClamped)
{
    save.look[cSaveData::kLookHair] = 99;
    save.look[cSaveData::kLookCup] = -5;
    save.look[cSaveData::kLookBase] = 1000000;
    MakeCustomise();
    EXPECT_EQ(fe->GetPageLookValue(0), 10);
    EXPECT_EQ(fe->GetPageLookValue(2), 0);
    EXPECT_EQ(RigImage("rigCup", "base"), &images[cFrontend::kBaseImages][10]);
    EXPECT_EQ(RigImage("rigCup", "cup"), &images[cFrontend::kCupImages][0]);
    EXPECT_TRUE(Item(0, 10)->GetState());
    Frames(3);
}

TEST_F(Customise, ChoosingABaseDressesThePreview)
{
    save.progress[cFrontend::StickerRecordForItem(3, 3)].sticker = true;
    MakeCustomise();
    Activate(fe->scrCustomise, 3); // tab "act3": the base page
    Frame({KEY_RIGHT});            // into the grid
    fe->scrCustomisePages[3]->SetFocus(3);
    Frame({KEY_RETURN});
    EXPECT_EQ(save.look[cSaveData::kLookBase], 3);
    EXPECT_EQ(RigImage("rigCup", "base"), &images[cFrontend::kBaseImages][3]);
    EXPECT_EQ(RigImage("rigCup", "handle"), &images[cFrontend::kHandleImages][3]);
    EXPECT_TRUE(Item(3, 3)->GetState());
    EXPECT_FALSE(Item(3, 0)->GetState());
    // The item's own look shows the base with its handle.
    const auto* look = ClassCast<cGlaElementSprite>(Item(3, 3)->lookScene->FindSpriteElement("handle"));
    EXPECT_EQ(look->frames.keys.front().value, &images[cFrontend::kHandleImages][3]);
}

TEST_F(Customise, GridNavigationAndRefusedItems)
{
    MakeCustomise();
    Frame({KEY_LEFT}); // on the tabs: the sixth control
    EXPECT_EQ(fe->scrCustomise->focusIndex, 5);
    Frame({KEY_RIGHT});
    cGlaControllerScene* grid = fe->scrCustomisePages[0];
    EXPECT_TRUE(grid->keyboardMode);
    Frame({KEY_UP}); // first row: nothing
    EXPECT_EQ(grid->focusIndex, 0);
    grid->SetFocus(2);
    Frame({KEY_RIGHT}); // third column: nothing
    EXPECT_EQ(grid->focusIndex, 2);
    grid->SetFocus(9);
    Frame({KEY_DOWN}); // last row: nothing
    EXPECT_EQ(grid->focusIndex, 9);
    grid->SetFocus(4);
    Frame({KEY_LEFT});
    EXPECT_EQ(grid->focusIndex, 3);
    Frame({KEY_LEFT}); // back to the tabs, on the row's tab
    EXPECT_FALSE(grid->keyboardMode);
    EXPECT_EQ(fe->scrCustomise->focusIndex, 1);

    Frame({KEY_RIGHT});
    grid->SetFocus(11); // a control posting "but42"
    Frame({KEY_RETURN});
    EXPECT_EQ(save.look[cSaveData::kLookHair], 0);
    EXPECT_TRUE(Item(0, 0)->GetState());
}

TEST_F(Customise, BackKeyReturnsToTheMainMenu)
{
    MakeCustomise();
    Frame({KEY_ESCAPE});
    Frames(5);
    EXPECT_TRUE(Is(&cFrontend::StateMainMenu));
    EXPECT_EQ(fe->screens.currentArg, 1);
}

// --- credits and help -----------------------------------------------------------------------------

using CreditsAndHelp = FrontendFixture;

TEST_F(CreditsAndHelp, CreditsLevelStartsThroughTheStartScreen)
{
    Make(1);
    Enter(&cFrontend::StateCredits, 0);
    Activate(fe->scrCreditsBack, 1); // "actCredits"
    EXPECT_TRUE(handedOff.empty());
    Frames(5);
    ASSERT_TRUE(Is(&cFrontend::StateStartLevel));
    EXPECT_EQ(fe->screens.currentArg, 40);
    Frames(14);
    ASSERT_FALSE(handedOff.empty());
    EXPECT_EQ(handedOff.front(), 40);
}

TEST_F(CreditsAndHelp, EscapeReturnsToTheMainMenuEnd)
{
    for (cFrontend::ScreenFunc screen : {&cFrontend::StateCredits, &cFrontend::StateHelp})
    {
        Make(1);
        Enter(screen, 0);
        Frame({KEY_ESCAPE});
        Frames(5);
        EXPECT_TRUE(Is(&cFrontend::StateMainMenu));
        EXPECT_EQ(fe->screens.currentArg, 1);
    }
}

TEST_F(CreditsAndHelp, LinksEndTheProgram)
{
    GetSystemHooks().openUrl = [](const std::string&) { return true; };
    Make(1);
    Enter(&cFrontend::StateCredits, 0);
    Activate(fe->scrCreditsBack, 2); // "actDorvo"
    EXPECT_TRUE(GetQuitRequested());
    GetSystemHooks().openUrl = nullptr;
}
} // namespace

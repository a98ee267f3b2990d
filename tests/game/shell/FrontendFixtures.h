// A front-end scene set built in memory with every screen scene the menus read by name,
// and a front end over it whose level hand-off and music are recorded instead of reaching
// the game. Frames are run through the input block as the main loop does.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/core/Random.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/gla/GlaControllerFixtures.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/TextureAtlas.h"
#include "game/shell/Frontend.h"
#include "game/shell/SaveData.h"

namespace fetest
{
using glatest::AddControl;
using glatest::AddLook;
using glatest::AddRectangle;
using glatest::AddSceneElement;
using glatest::AddSprite;

inline cGlaElementGameObj* AddButton(glatest::SceneSet& s, cGlaScene* scene, const std::string& name,
                                     const std::string& action, cGlaScene* look = nullptr)
{
    return AddControl(s, scene, "Button", name, cVec2f(), "Button", look != nullptr ? look->GetName() : "look",
                      action);
}

inline cGlaElementGameObj* AddToggle(glatest::SceneSet& s, cGlaScene* scene, const std::string& name,
                                     const std::string& action, const std::string& look = "toggleLook")
{
    return AddControl(s, scene, "Toggle Button", name, cVec2f(), "Button", look, action);
}

inline cGlaElementMarker* AddMarker(cGlaScene* scene, const std::string& name, cVec2f at)
{
    auto* m = glatest::AddElement<cGlaElementMarker>(scene, kGlaMarker, name);
    m->visible.AddKey(true);
    m->position.AddKey(at);
    return m;
}

// Every screen of the front end, with the controls each one reads.
inline void BuildFrontendScenes(glatest::SceneSet& s)
{
    AddLook(s, "look", 3);
    AddLook(s, "toggleLook", 4);
    s.AddScene("scrBackground", 1);
    s.AddScene("scrSplash", 1);
    cGlaScene* mainMenu = s.AddScene("scrMainMenu", 101);
    for (int i = 1; i <= 4; ++i)
        AddSprite(mainMenu, "heart" + std::to_string(i), cVec2f(10.0f * i, 0.0f));
    cGlaScene* buttons = s.AddScene("scrMainMenuButtons", 1);
    for (const char* action : {"actPlay", "actOptions", "actKelpo", "actHelp", "custom", "actExit", "actTovrane"})
        AddButton(s, buttons, action, action);

    cGlaScene* chapter = s.AddScene("scrChapter", 1);
    AddButton(s, chapter, "chapter0", "chapter0");
    AddButton(s, chapter, "chapter2", "chapter1");
    AddButton(s, chapter, "butSurvival", "actSurvival");
    AddButton(s, chapter, "butChallenge", "actChallenge");
    AddButton(s, chapter, "back", "actBack");
    AddButton(s, chapter, "chapter9", "chapter9");

    // Level pages: ten buttons each; the first button's look holds the mark positions.
    cGlaScene* markLook = AddLook(s, "levelLook", 3);
    for (const char* marker : {"Done", "Sugar", "Sticker", "Score", "Perfect"})
        AddMarker(markLook, marker, cVec2f(5.0f, 5.0f));
    for (int p = 0; p < 4; ++p)
    {
        cGlaScene* pageScene = s.AddScene("scrLevelScreen_00" + std::to_string(p), 1);
        for (int i = 0; i < 10; ++i)
            AddControl(s, pageScene, "Button", "GameObj00" + std::to_string(i),
                       cVec2f(-400.0f + 160.0f * (i % 5), i < 5 ? -100.0f : 100.0f), "Button", "levelLook",
                       "level" + std::to_string(10 * p + i));
        if (p == 0)
        {
            AddSprite(pageScene, "Sprite000");
            AddButton(s, pageScene, "GameObj0099", "level77"); // not a slot: an out-of-range number
        }
    }
    cGlaScene* levelSelect = s.AddScene("scrLevelSelect", 1);
    AddButton(s, levelSelect, "back", "actBack");
    AddButton(s, levelSelect, "help", "actHelp");
    s.AddScene("scrLevelDots", 4);

    cGlaScene* survivalLook = AddLook(s, "survivalLook", 3);
    AddMarker(survivalLook, "Sugar", cVec2f(0.0f, 10.0f));
    AddMarker(survivalLook, "Score", cVec2f(0.0f, 20.0f));
    cGlaScene* survival = s.AddScene("scrLevelScreen_S_000", 1);
    for (int i = 0; i < 5; ++i)
        AddControl(s, survival, "Button", "GameObj00" + std::to_string(i), cVec2f(-400.0f + 160.0f * i, -100.0f),
                   "Button", "survivalLook", "level" + std::to_string(i));
    AddButton(s, survival, "extra", "level5");
    AddRectangle(survival, "sugerText", cVec2f(), cVec2f(10.0f, 10.0f));
    AddButton(s, s.AddScene("scrLevelSelect_S", 1), "back", "actBack");
    AddButton(s, s.AddScene("scrLevelSelect_C", 1), "back", "actBack");

    cGlaScene* stats = s.AddScene("scrLevelStats", 1);
    AddButton(s, stats, "back", "actBack");
    AddButton(s, stats, "other", "actNothing");
    for (const char* name : {"sugerCurrent", "sugerTotal", "sugerText", "stickerCurrent", "stickerTotal", "stickerText",
                             "perfectCurrent", "perfectTotal", "perfectText", "perfectTime"})
        AddRectangle(stats, name, cVec2f(), cVec2f(10.0f, 10.0f));

    cGlaScene* options = s.AddScene("scrOptions", 1);
    AddToggle(s, options, "butScreen", "actScreen");
    AddToggle(s, options, "butMusic", "actMusic");
    AddToggle(s, options, "butSfx", "actSound");
    AddButton(s, options, "flip", "actFlipScreen");
    AddButton(s, options, "controls", "actControls");
    AddButton(s, options, "back", "actBack");
    cGlaScene* controls = s.AddScene("scrOptionsControls", 1);
    AddButton(s, controls, "choose", "actChooseControls");
    AddButton(s, controls, "reset", "actResetControls");
    AddButton(s, controls, "back", "actBack");
    cGlaScene* redefine = s.AddScene("scrOptionsRedefineControls", 1);
    for (const char* name : {"up", "down", "left", "right", "jump", "pause"})
        AddSprite(redefine, name);
    cGlaScene* confirm = s.AddScene("scrOptionsRedefineConfirm", 1);
    AddButton(s, confirm, "again", "actChooseAgain");
    AddButton(s, confirm, "done", "actDone");

    // Customisation: tabs, a back button, the character rig and five pages of items, each
    // item toggle with a look scene of its own (their pictures are replaced per item).
    for (int i = 0; i <= 10; ++i)
        s.AddScene("Hair_0" + std::string(i < 10 ? "0" : "") + std::to_string(i), 1);
    cGlaScene* rigBody = s.AddScene("rigBody", 1);
    AddSceneElement(rigBody, "hair", FindObjectByName(s.set.get(), "Hair_000"));
    AddSprite(rigBody, "body")->frames.AddKey(nullptr);
    cGlaScene* rigCup = s.AddScene("rigCup", 1);
    for (const char* name : {"cup", "base", "handle"})
        AddSprite(rigCup, name)->frames.AddKey(nullptr);
    cGlaScene* rig = s.AddScene("rig", 1);
    AddSceneElement(rig, "body", rigBody);
    AddSceneElement(rig, "cup", rigCup);
    cGlaScene* customise = s.AddScene("scrCustomise", 1);
    for (int p = 0; p < 5; ++p)
        AddToggle(s, customise, "but" + std::to_string(p), "act" + std::to_string(p));
    AddButton(s, customise, "back", "actBack");
    AddSceneElement(customise, "dorvo", rig);
    const char* const pages[5] = {"scrCustomiseHair", "scrCustomiseBody", "scrCustomiseCup", "scrCustomiseBase",
                                  "scrCustomiseTrail"};
    for (int p = 0; p < 5; ++p)
    {
        cGlaScene* pageScene = s.AddScene(pages[p], 1);
        for (int k = 0; k <= 10; ++k)
        {
            const std::string lookName = std::string(pages[p]) + "Look" + std::to_string(k);
            cGlaScene* look = AddLook(s, lookName, 5);
            AddSprite(look, "body")->frames.AddKey(nullptr);
            AddSprite(look, "handle")->frames.AddKey(nullptr);
            AddToggle(s, pageScene, "but" + std::to_string(k), "but" + std::to_string(k), lookName);
        }
        if (p == 0)
            AddButton(s, pageScene, "stray", "but42");
    }

    s.AddScene("scrCredits", 10);
    cGlaScene* creditsBack = s.AddScene("scrCreditsBack", 1);
    AddButton(s, creditsBack, "back", "actBack");
    AddButton(s, creditsBack, "credits", "actCredits");
    AddButton(s, creditsBack, "product", "actDorvo");
    AddButton(s, s.AddScene("scrHelp_000", 8), "back", "actBack");
    s.AddScene("scrEnd", 10);
}

// A front end over the in-memory scenes, with its own save data.
struct FrontendFixture : ::testing::Test
{
    glatest::SceneSet scenes;
    cSaveData save;
    std::unique_ptr<cFrontend> fe;
    std::vector<int32_t> handedOff;
    std::vector<int32_t> musicPlayed;
    ImageRect picture;

    void SetUp() override
    {
        if (GetOrientation() != 0)
            SetOrientation(0);
        SetScreenSize(1280, 720);
        ResetInputState();
        SetRandomSeed(0);
        SetQuitRequested(false);
        picture.w = 16;
        picture.h = 16;
        BuildFrontendScenes(scenes);
    }

    void TearDown() override
    {
        fe.reset();
        ResetInputState();
        SetQuitRequested(false);
    }

    void Make(int32_t entry)
    {
        fe = std::make_unique<cFrontend>(entry);
        fe->sceneSet = scenes.set.get();
        fe->saveData = &save;
        fe->levelHandOff = [this](int32_t n) { handedOff.push_back(n); };
        fe->playMusicTrack = [this](int32_t track) { musicPlayed.push_back(track); };
        fe->LoadScreens();
    }

    // One frame: the keys go down, the front end updates and draws, the main loop copies
    // the block, and the keys are let go (unless held). A key let go counts as released by
    // the next frame, so pressing it again in the next frame is a fresh press.
    void Frame(std::initializer_list<uint32_t> keys = {}, bool hold = false)
    {
        for (uint32_t k : keys)
        {
            if (InputKeys[k] == KEYSTATE_UP)
                InputKeysPrevious[k] = KEYSTATE_UP;
            KeyDown(k);
        }
        fe->Update();
        fe->Draw();
        CopyInputToPrevious();
        if (!hold)
            for (uint32_t k : keys)
                KeyUp(k);
    }
    void Frames(int n)
    {
        for (int i = 0; i < n; ++i)
            Frame();
    }

    // Makes a screen current at once (through the pending slot).
    void Enter(cFrontend::ScreenFunc screen, int32_t arg)
    {
        fe->screens.SetPendingState(screen, arg);
        Frame();
    }

    bool Is(cFrontend::ScreenFunc screen) const { return fe->screens.IsCurrent(screen); }

    // Puts the keyboard focus on a control of the scene and presses Return: the control
    // posts its action, which the screen reads in that update.
    void Activate(cGlaControllerScene* scene, int32_t focus)
    {
        scene->SetFocus(focus);
        Frame({KEY_RETURN});
    }
};
} // namespace fetest

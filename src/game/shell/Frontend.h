// cFrontend: every menu screen between levels (title pages, main menu, mode and level
// selection, level statistics, options, control redefinition, customisation, credits,
// help and the end screen).
//
// The game object makes one when it enters its front-end state and deletes it when it
// leaves that state: constructor (with where the player comes from), LoadScene,
// LoadScreens, then Update and Draw once a frame. The front end owns the "Frontend"
// resource group with its scene set and images, one scene controller per screen scene,
// its own particle pool, and a screen state machine with a stack.
//
// Each screen is a state function (phase, argument) -> int. A screen moves on by pushing
// its successor and fading itself out; once its fade falls below 1 it pops the stack,
// which enters the pushed screen. Choosing a level makes StateStartLevel current; it
// fades to black and hands the level number to the game (level 0 goes to the comic).
//
// The screens are split by concept over FrontendMenus.cpp (title, main menu, mode select,
// end screen), FrontendLevelSelect.cpp (story/bonus, survival/challenge and statistics),
// FrontendOptions.cpp (options and controls), FrontendCustomise.cpp and
// FrontendCredits.cpp (credits and help).
#pragma once

#include <cstdint>

#include "KelpoBase/core/StateMachine.h"
#include "game/shell/FrontendBase.h"

class cFrontend : public cFrontendBase
{
public:
    using ScreenFunc = StateMachine<cFrontend>::StateFunc;

    static constexpr int kControlCount = 6;

    // entry: 1 coming back from a level (main menu with its intro shown), 2 after the
    // last level of a mode (end screen), anything else the title pages. Loads nothing.
    explicit cFrontend(int32_t entry);
    cFrontend(const cFrontend&) = delete;
    cFrontend& operator=(const cFrontend&) = delete;
    ~cFrontend();

    // The "Frontend" group: the scene set, the icons, digits, burst images, the hair scene
    // controllers and the customisation images; the atlas is built and uploaded once.
    void LoadScene();
    // The particle pool and one controller per screen scene, placed at the screen centre.
    void LoadScreens();
    void Update();
    void Draw();

    // --- screens (phase 0 enter, 1 leave request, 2 update, 3 draw) ---------------------
    int32_t StateTitle(int32_t phase, int32_t arg);
    int32_t StateMainMenu(int32_t phase, int32_t arg);
    int32_t StateModeSelect(int32_t phase, int32_t arg);
    int32_t StateEnd(int32_t phase, int32_t arg);
    int32_t StateLevelSelect(int32_t phase, int32_t arg);
    int32_t StateChallengeSelect(int32_t phase, int32_t arg);
    int32_t StateLevelStats(int32_t phase, int32_t arg);
    int32_t StateOptions(int32_t phase, int32_t arg);
    int32_t StateControls(int32_t phase, int32_t arg);
    int32_t StateRedefineControls(int32_t phase, int32_t arg);
    int32_t StateRedefineConfirm(int32_t phase, int32_t arg);
    int32_t StateCustomise(int32_t phase, int32_t arg);
    int32_t StateCredits(int32_t phase, int32_t arg);
    int32_t StateHelp(int32_t phase, int32_t arg);
    int32_t StateStartLevel(int32_t phase, int32_t arg);

    // The items of a customisation page, as cFrontendBase shows them, with the keyboard
    // focus put on the page's first item and hidden (it enters the page from the tabs).
    void ShowCustomisePage(int32_t customPage);

    // Marks the 40 story levels completed with their stickers (a debug action; not saved).
    void OpenAllLevels();
    // Pushes the next screen and starts the fade-out. A screen that is already leaving
    // keeps the screen it chose first, so that the stack never collects stale entries.
    void LeaveTo(ScreenFunc next, int32_t arg, bool& leaving);

    // Key groups of the menus (pressed this frame, not held).
    static bool PressedBack();
    static bool PressedUp();
    static bool PressedDown();
    static bool PressedLeft();
    static bool PressedRight();
    static bool PressedActivate();

    // --- state ------------------------------------------------------------------------------
    StateMachine<cFrontend> screens;
    cGlaControllerScene* scrOptionsControls = nullptr;
    cGlaControllerScene* scrOptionsRedefineControls = nullptr;
    cGlaControllerScene* scrOptionsRedefineConfirm = nullptr;
    int32_t mainMenuFocus = 0;
    int32_t chapterFocus = 0;
    float slideSpare = 0.0f;
    int32_t pendingControls[kControlCount] = {70, 71, 68, 69, 72, 79};
    float zoom = 1.0f;

private:
    void DeleteControlScreens();
    ScreenFade controlsFade, redefineFade, confirmFade;
    int32_t redefineStep = 0; // the control being captured
};

// The web addresses the menus open (the program then ends).
extern const char* const kFrontendUrlProduct;
extern const char* const kFrontendUrlMoreGames;
extern const char* const kFrontendUrlFacebook;
extern const char* const kFrontendUrlTwitter;

// Installs how the game's front-end and comic states make, step, draw and free the front
// end and the comic pages. Called once at start-up, before the game is created.
void RegisterFrontendParts();

// cFrontend: every menu screen between levels (title pages, main menu, mode and level
// selection, level statistics, options, control redefinition, customisation, credits,
// help and the end screen), laid out for the 1280 by 720 screen.
//
// The game object makes one when it enters its front-end state and deletes it when it
// leaves that state: constructor (with where the player comes from), LoadScene,
// LoadScreens, then Update and Draw once a frame. The front end owns the "Frontend"
// resource group with its scene set and images, one scene controller per screen scene,
// its own particle pool, and a screen state machine with a stack.
//
// Its screens are those of cFrontendScreens (FrontendScreens.cpp), which it shares with the
// touch front end. What it adds to them is here: the keyboard and the joystick work every
// menu (a keyboard focus, the back key, focus and page keys: FrontendLevelSelect.cpp and
// FrontendCustomise.cpp for the level pages and the customisation grid), the window-mode
// option and the three screens that redefine the joystick controls (FrontendOptions.cpp),
// the exit button, the social links of the credits and the leaderboard uploads of the level
// selects; and the whole front end can be drawn zoomed.
#pragma once

#include <cstdint>
#include <string>

#include "game/shell/FrontendScreens.h"

class cFrontend : public cFrontendScreens<cFrontend>
{
public:
    // The menus are worked with the keyboard and the joystick as well as the pointer.
    static constexpr bool kKeys = true;
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
    // The screens' drawing, scaled by zoom.
    void Draw();

    // --- the joystick controls (phase 0 enter, 1 leave request, 2 update, 3 draw) ---------
    int32_t StateControls(int32_t phase, int32_t arg);
    int32_t StateRedefineControls(int32_t phase, int32_t arg);
    int32_t StateRedefineConfirm(int32_t phase, int32_t arg);

    // The items of a customisation page, as cFrontendBase shows them, with the keyboard
    // focus put on the page's first item and hidden (it enters the page from the tabs).
    void ShowCustomisePage(int32_t customPage);

    // Marks the 40 story levels completed with their stickers (a debug action; not saved).
    void OpenAllLevels();

    // Key groups of the menus (pressed this frame, not held).
    static bool PressedBack();
    static bool PressedUp();
    static bool PressedDown();
    static bool PressedLeft();
    static bool PressedRight();
    static bool PressedActivate();
    // Up, down or activate on the scene (the first pressed of the three acts).
    static void FocusKeys(cGlaControllerScene* scene);

    // --- state ------------------------------------------------------------------------------
    cGlaControllerScene* scrOptionsControls = nullptr;
    cGlaControllerScene* scrOptionsRedefineControls = nullptr;
    cGlaControllerScene* scrOptionsRedefineConfirm = nullptr;
    int32_t mainMenuFocus = 0; // kept between visits of the main menu
    int32_t chapterFocus = 0;  // and of the mode select
    float slideSpare = 0.0f;
    int32_t pendingControls[kControlCount] = {70, 71, 68, 69, 72, 79};
    float zoom = 1.0f;

private:
    friend class cFrontendScreens<cFrontend>;

    // --- what this front end adds to the shared screens ----------------------------------
    void MainMenuAction(const std::string& name);
    void ShowWindowMode();
    void OptionsAction(const std::string& name, bool on, bool& leaving);
    void CreditsLink(const std::string& name);
    void EnterLevelSelect();
    void EnterChallengeSelect(cGlaControllerScene* own);
    // The navigation keys on the shown level page: the focus moves within its rows and
    // between them and scrLevelSelect, and the page turns at a row's ends.
    void LevelPageKeys(cGlaControllerScene* levels);
    // The same on the survival/challenge row and the screen's own buttons.
    void ChallengePageKeys(cGlaControllerScene* levels, cGlaControllerScene* own);
    // The keys on the customisation tabs, and in the grid of the page's items.
    void CustomiseTabKeys();
    void CustomiseItemKeys(cGlaControllerScene* pageScene);

    void DeleteControlScreens();
    ScreenFade controlsFade, redefineFade, confirmFade;
    int32_t redefineStep = 0;      // the control being captured
    bool customiseInPage = false;  // the customisation focus is in the item grid, not on the tabs
};

// The web addresses the menus open (the program then ends).
extern const char* const kFrontendUrlProduct;
extern const char* const kFrontendUrlMoreGames;
extern const char* const kFrontendUrlFacebook;
extern const char* const kFrontendUrlTwitter;

// Installs how the game's front-end and comic states make, step, draw and free the front
// end and the comic pages. Called once at start-up, before the game is created.
void RegisterFrontendParts();

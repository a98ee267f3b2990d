// cFrontendTouch: the menu screens laid out for tablet and phone screens and worked only
// with a touch pointer.
//
// It runs the screens of cFrontendScreens (FrontendScreens.cpp), which it shares with
// cFrontend, with the same fades, stack and level numbers. Here is only what it does
// differently:
// - the scene file and the level-select images are chosen by the screen width: 1024
//   (tablet), 960 (large phone) or any other width (small phone, 480 by 320 pictures);
// - no screen reads the keyboard or the joystick and nothing has keyboard focus; buttons act
//   through their scene controllers' pointer handling only. The one key read is F3 on the
//   main menu, which jumps to the end screen;
// - there is no window-mode option, no control redefinition, no exit button, no social
//   link on the credits and no leaderboard upload;
// - the level select opens on the page of the first locked level, its pages are turned by
//   swiping pointer 0, and narrow screens centre the perfect times under the level buttons.
//
// A caller uses it as the game uses cFrontend: constructor, LoadScene, LoadScreens, then
// Update and Draw once a frame, and finally the destructor. Nothing in the game makes one.
#pragma once

#include <cstdint>
#include <string>

#include "game/shell/FrontendScreens.h"

class cFrontendTouch : public cFrontendScreens<cFrontendTouch>
{
public:
    // No screen reads the keyboard or the joystick, and nothing has keyboard focus.
    static constexpr bool kKeys = false;

    // The three layouts, by screen width.
    enum Layout
    {
        kLayout1024 = 0, // 1024 wide: tablet
        kLayout960 = 1,  // 960 wide
        kLayoutSmall = 2 // any other width: the 480 by 320 pictures
    };
    static Layout LayoutForWidth(int32_t screenWidth);
    // The scene file of a layout.
    static const char* SceneFileForLayout(Layout layout);

    // entry: 1 back from a level (main menu, intro skipped), 2 after the last level of a
    // mode (end screen), anything else the title pages. Loads nothing.
    explicit cFrontendTouch(int32_t entry);
    cFrontendTouch(const cFrontendTouch&) = delete;
    cFrontendTouch& operator=(const cFrontendTouch&) = delete;

    // The "Frontend" group with the scene set and pictures of the layout the screen width
    // chooses.
    void LoadScene();
    // The particle pool and the screen controllers (there are no control screens here).
    void LoadScreens();

    // Sets up the level buttons as cFrontendBase does, but opens on the page that holds
    // the first locked level (page 0 when every level is open).
    void SetupLevelButtons();

    // --- state -----------------------------------------------------------------------------
    Layout layout = kLayoutSmall;
    float dragStep = 0.0f; // the last horizontal pointer movement taken into slideOffset
    bool dragging = false; // pointer 0 held on the level select

private:
    friend class cFrontendScreens<cFrontendTouch>;

    // --- what this front end adds to the shared screens ----------------------------------
    // F3 on the main menu: the end screen at once, without a fade.
    void MainMenuShortcut();
    // "actMoreGames" opens the page of the other games for tablets or for phones.
    void CreditsLink(const std::string& name);
    // The level selects forget any swipe.
    void EnterLevelSelect();
    void EnterChallengeSelect(cGlaControllerScene* own);
    // The level pages turn by swiping pointer 0; at rest they slide.
    void TurnLevelPages();
    // Its level select goes back to the mode select with argument 0.
    static constexpr int32_t kLevelSelectBackArg = 0;

    // Drops the press that a level button of the shown page holds on pointer 0.
    void DropPagePress();
};

// The web addresses of the other games, for tablets and for phones.
extern const char* const kFrontendTouchUrlMoreGamesTablet;
extern const char* const kFrontendTouchUrlMoreGamesPhone;

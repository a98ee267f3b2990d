// cFrontendTouch: the menu screens laid out for tablet and phone screens and worked only
// with a touch pointer.
//
// It runs the same screens as cFrontend (title, main menu, mode and level selection,
// statistics, options, customisation, credits, help, the end screen and the start of a
// level) with the same fades, stack and level numbers, but:
// - the scene file and the level-select images are chosen by the screen width: 1024
//   (tablet), 960 (large phone) or any other width (small phone, 480 by 320 pictures);
// - no screen reads the keyboard or the joystick and nothing has keyboard focus; buttons act
//   through their scene controllers' pointer handling only. The one key read is F3 on the
//   main menu, which jumps to the end screen;
// - there is no window-mode option, no control redefinition, no exit button and no
//   leaderboard upload;
// - the level pages are turned by swiping pointer 0.
//
// A caller uses it as the game uses cFrontend: constructor, LoadScene, LoadScreens, then
// Update and Draw once a frame, and finally the destructor. Nothing in the game makes one.
#pragma once

#include <cstdint>

#include "KelpoBase/core/StateMachine.h"
#include "game/shell/FrontendBase.h"

class cFrontendTouch : public cFrontendBase
{
public:
    using ScreenFunc = StateMachine<cFrontendTouch>::StateFunc;

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
    ~cFrontendTouch();

    void LoadScene();
    void LoadScreens();
    void Update();
    void Draw();

    // --- screens (phase 0 enter, 1 leave request, 2 update, 3 draw) ----------------------
    int32_t StateTitle(int32_t phase, int32_t arg);
    int32_t StateMainMenu(int32_t phase, int32_t arg);
    int32_t StateModeSelect(int32_t phase, int32_t arg);
    int32_t StateEnd(int32_t phase, int32_t arg);
    int32_t StateLevelSelect(int32_t phase, int32_t arg);
    int32_t StateChallengeSelect(int32_t phase, int32_t arg);
    int32_t StateLevelStats(int32_t phase, int32_t arg);
    int32_t StateOptions(int32_t phase, int32_t arg);
    int32_t StateCustomise(int32_t phase, int32_t arg);
    int32_t StateCredits(int32_t phase, int32_t arg);
    int32_t StateHelp(int32_t phase, int32_t arg);
    int32_t StateStartLevel(int32_t phase, int32_t arg);

    // Sets up the level buttons as cFrontendBase does, but opens on the page that holds
    // the first locked level (page 0 when every level is open).
    void SetupLevelButtons();

    // Pushes the next screen and starts the fade-out; a screen already leaving keeps the
    // screen it chose first.
    void LeaveTo(ScreenFunc next, int32_t arg, bool& leaving);

    // --- state -----------------------------------------------------------------------------
    StateMachine<cFrontendTouch> screens;
    Layout layout = kLayoutSmall;
    float dragStep = 0.0f; // the last horizontal pointer movement taken into slideOffset
    bool dragging = false; // pointer 0 held on the level select

private:
    // The swipe of pointer 0 over the level pages.
    void TakePageSwipe();
    // Drops the press that a level button of the shown page holds on pointer 0.
    void DropPagePress();
};

// The web addresses of the other games, for tablets and for phones.
extern const char* const kFrontendTouchUrlMoreGamesTablet;
extern const char* const kFrontendTouchUrlMoreGamesPhone;

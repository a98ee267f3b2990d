// cFrontendScreens: the screens both front ends run, written once.
//
// Each screen is a state function (phase, argument) -> int on the front end's screen
// machine: phase 0 enters it, 1 asks it to leave, 2 updates and 3 draws it. A screen moves
// on by pushing its successor and fading itself out (LeaveTo); once its fade falls below 1
// it pops the stack, which enters the pushed screen. Choosing a level makes StateStartLevel
// current at once; it fades to black and hands the level number to the game (level 0 goes
// to the comic first).
//
// Front is the front end that runs them (cFrontend or cFrontendTouch); it tells where it
// differs:
// - Front::kKeys: the menus are also worked with the keyboard and the joystick. Such a front
//   end has a keyboard focus on every screen, the back key, the focus keys (FocusKeys,
//   PressedBack), the key steps of the level pages, the survival and challenge page and the
//   customisation screen (LevelPageKeys, ChallengePageKeys, CustomiseTabKeys,
//   CustomiseItemKeys), the focus indexes it keeps (mainMenuFocus, chapterFocus) and the
//   half of the customisation screen the focus is in (customiseInPage).
// - The steps declared under "what a front end adds" below, which do nothing here (the
//   page slide for TurnLevelPages); a front end declares its own to add to its screens.
// - SetupLevelButtons and ShowCustomisePage, which a front end may declare over
//   cFrontendBase's.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "KelpoBase/core/StateMachine.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/render/Gfx2D.h"
#include "game/shell/FrontendBase.h"

template <class Front>
class cFrontendScreens : public cFrontendBase
{
public:
    using ScreenFunc = typename StateMachine<Front>::StateFunc;

    // Once a frame: the particles, then the screen machine (a pending screen first).
    void Update()
    {
        UpdateParticlePool(particles);
        screens.Update();
    }
    // Once a frame after Update: the current screen, then the particles over it.
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

    // Pushes the next screen and starts the fade-out. A screen that is already leaving
    // keeps the screen it chose first, so that the stack never collects stale entries.
    void LeaveTo(ScreenFunc next, int32_t arg, bool& leaving)
    {
        if (leaving)
            return;
        screens.PushState(next, arg);
        leaving = true;
    }

    StateMachine<Front> screens;

protected:
    // entry: 1 coming back from a level (main menu with its intro shown), 2 after the last
    // level of a mode (end screen), anything else the title pages.
    explicit cFrontendScreens(int32_t entry);
    ~cFrontendScreens() { screens.FreeStack(); }

    // A screen's update up to its own input. While it is leaving: the fade-out, then the
    // pushed screen; false, the update ends there. Otherwise the fade-in and, on a front end
    // with keys, the back key, which leaves for back with backArg (none: no back key).
    bool FadeStep(ScreenFade& fade, ScreenFunc back = nullptr, int32_t backArg = 0);
    // The usual drawing of a screen: scrBackground, the screen's scenes in white at its
    // fade, then opaque white.
    void DrawFaded(int32_t alpha, std::initializer_list<cGlaControllerScene*> scenes);
    // Rewinds the scene and plays it, once or looping.
    static void Replay(cGlaControllerScene* scene, bool loop);
    // Updates a screen's controller, lets the focus keys act on it, then hands each of its
    // messages to take, newest first.
    template <class Take>
    void TakeInput(cGlaControllerScene* scene, Take take);

    // --- what a front end adds (here: nothing) --------------------------------------------
    // On the main menu once it takes input, before its buttons.
    void MainMenuShortcut() {}
    // A main-menu action that the shared table does not know.
    void MainMenuAction(const std::string& /*name*/) {}
    // The window-mode toggle of the options screen, on entry and every frame.
    void ShowWindowMode() {}
    // An options action that the shared table does not know.
    void OptionsAction(const std::string& /*name*/, bool /*on*/, bool& /*leaving*/) {}
    // A link of the credits screen ("actMoreGames" and the like).
    void CreditsLink(const std::string& /*name*/) {}
    // On entering the level select and the survival/challenge select.
    void EnterLevelSelect() {}
    void EnterChallengeSelect(cGlaControllerScene* /*own*/) {}
    // How the level pages turn, after the level select's buttons: the slide.
    void TurnLevelPages() { SlidePage(); }
    // The argument the level select's "actBack" gives the mode select.
    static constexpr int32_t kLevelSelectBackArg = 1;

private:
    Front& Self() { return static_cast<Front&>(*this); }
    // What moves the title pages and the end screen on.
    bool MoveOnPressed(bool endScreen) const;
    // The keyboard focus a screen starts with.
    void FocusOnEntry(cGlaControllerScene* scene, int32_t index);
};

namespace frontend
{
// Hands each message of the controller to take, newest first, until none is left.
template <class Take>
void TakeMessages(cGlaControllerScene* scene, Take take)
{
    if (scene == nullptr)
        return;
    cKelpoMsg message;
    while (scene->HasMessages())
    {
        scene->PopMessage(message);
        take(message);
    }
}
} // namespace frontend

template <class Front>
template <class Take>
void cFrontendScreens<Front>::TakeInput(cGlaControllerScene* scene, Take take)
{
    if (scene == nullptr)
        return;
    scene->Update();
    if constexpr (Front::kKeys)
        Front::FocusKeys(scene);
    frontend::TakeMessages(scene, take);
}

// The screens of both front ends: the title pages, the main menu, the mode select, the end
// screen, the level selects and statistics, the options, the customisation, the credits and
// help, and the start of a level.
#include "game/shell/FrontendScreens.h"

#include "KelpoBase/core/Random.h"
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/TextLayout.h"
#include "game/shell/Frontend.h"
#include "game/shell/FrontendTouch.h"
#include "game/shell/SaveData.h"

using namespace frontend;

namespace
{
void EnableButton(cGlaControllerScene* scene, const char* name, bool on)
{
    if (scene == nullptr)
        return;
    if (cGlaControllerButton* button = FindButtonController(scene, name))
        button->SetEnabled(on);
}
} // namespace

// --- the machinery ------------------------------------------------------------------------------

template <class Front>
cFrontendScreens<Front>::cFrontendScreens(int32_t entry)
{
    screens.Init();
    screens.SetOwner(&Self());
    if (entry == 1)
        screens.SetPendingState(&Front::StateMainMenu, 1);
    else if (entry == 2)
        screens.SetPendingState(&Front::StateEnd, 0);
    else
        screens.SetPendingState(&Front::StateTitle, 0);
}

template <class Front>
void cFrontendScreens<Front>::Draw()
{
    if (gfx2D == nullptr)
        return;
    BeginDraw();
    screens.Draw();
    DrawParticlePool(particles, *gfx2D);
    EndDraw();
}

template <class Front>
bool cFrontendScreens<Front>::FadeStep(ScreenFade& fade, ScreenFunc back, int32_t backArg)
{
    if (fade.leaving)
    {
        fade.alpha -= kScreenFadeStep;
        if (fade.alpha < 1)
            screens.PopState();
        return false;
    }
    FadeIn(fade.alpha, kScreenFadeStep);
    if constexpr (Front::kKeys)
    {
        if (back != nullptr && Front::PressedBack())
            LeaveTo(back, backArg, fade.leaving);
    }
    return true;
}

template <class Front>
void cFrontendScreens<Front>::DrawFaded(int32_t alpha, std::initializer_list<cGlaControllerScene*> scenes)
{
    DrawBackground();
    gfx2D->SetColour(FadeColour(alpha));
    for (cGlaControllerScene* scene : scenes)
        DrawScene(scene, *gfx2D);
    gfx2D->SetColour(kOpaqueWhite);
}

template <class Front>
void cFrontendScreens<Front>::Replay(cGlaControllerScene* scene, bool loop)
{
    if (scene == nullptr)
        return;
    scene->Rewind();
    scene->Play(loop, 1);
}

template <class Front>
bool cFrontendScreens<Front>::MoveOnPressed(bool endScreen) const
{
    if (IsKeyPressed(KEY_POINTER_1))
        return true;
    if constexpr (Front::kKeys)
        return IsKeyPressed(KEY_SPACE) || IsKeyPressed(KEY_RETURN) || IsKeyPressed(KEY_ESCAPE) ||
               IsKeyPressed(KEY_JOY_BUTTON_1) || (endScreen && IsKeyPressed(KEY_JOY_BUTTON_1 + 7));
    else
        return false;
}

template <class Front>
void cFrontendScreens<Front>::FocusOnEntry(cGlaControllerScene* scene, int32_t index)
{
    if constexpr (Front::kKeys)
    {
        if (scene != nullptr)
            scene->SetFocus(index);
    }
}

// --- title and end --------------------------------------------------------------------------------

template <class Front>
int32_t cFrontendScreens<Front>::StateTitle(int32_t phase, int32_t /*arg*/)
{
    switch (phase)
    {
    case kStateEnter:
        titleAlpha = 0;
        titleHold = 0;
        titlePage = 0;
        break;
    case kStateUpdate:
        titleHold -= 1;
        if (titleHold <= 0)
            titleAlpha = std::min(titleAlpha + 25, 255);
        if (titleAlpha < 255 && !MoveOnPressed(false))
            break;
        if (titlePage == 0)
        {
            titlePage = 1;
            titleHold = 70;
            titleAlpha = 0;
        }
        else
        {
            Save().flags |= 1u;
            screens.SetPendingState(&Front::StateMainMenu, 0);
        }
        break;
    case kStateDraw:
        DrawScene(scrSplash, *gfx2D);
        if (titlePage != 0)
        {
            gfx2D->SetColour(FadeColour(titleAlpha));
            DrawBackground();
            gfx2D->SetColour(kOpaqueWhite);
        }
        break;
    default:
        break;
    }
    return 0;
}

template <class Front>
int32_t cFrontendScreens<Front>::StateEnd(int32_t phase, int32_t /*arg*/)
{
    ScreenFade& s = endFade;
    switch (phase)
    {
    case kStateEnter:
        s = ScreenFade();
        Replay(scrEnd, false);
        if (scrEnd != nullptr)
            scrEnd->StartChildScenes();
        confettiCountdown = RandomInt(20);
        break;
    case kStateUpdate:
    {
        if (!FadeStep(s))
            break;
        confettiCountdown -= 1;
        if (confettiCountdown < 0)
        {
            const float w = static_cast<float>(GetScreenWidth());
            const float h = static_cast<float>(GetScreenHeight());
            const float x = w * 0.125f + RandomFloat(w * 0.75f);
            const float y = RandomFloat(h * 0.75f);
            SpawnConfettiBurst(x, y);
            confettiCountdown = RandomInt(30) + 15;
        }
        SpawnFallingFlower();
        // The end screen has no buttons: its scene only plays.
        if (scrEnd != nullptr)
            scrEnd->Advance();
        if (MoveOnPressed(true))
            LeaveTo(&Front::StateMainMenu, 1, s.leaving);
        break;
    }
    case kStateDraw:
        DrawScene(scrEnd, *gfx2D);
        DrawSceneFaded(scrEnd, *gfx2D, s.alpha);
        gfx2D->SetColour(kOpaqueWhite);
        break;
    default:
        break;
    }
    return 0;
}

// --- main menu and mode select ----------------------------------------------------------------------

template <class Front>
int32_t cFrontendScreens<Front>::StateMainMenu(int32_t phase, int32_t arg)
{
    ScreenFade& s = mainMenuFade;
    switch (phase)
    {
    case kStateEnter:
        if constexpr (Front::kKeys)
            FocusOnEntry(scrMainMenuButtons, Self().mainMenuFocus);
        s = ScreenFade();
        if (scrMainMenu == nullptr)
            break;
        if (arg == 0)
        {
            scrMainMenu->SetFrame(0);
            scrMainMenu->Play(false, 1);
        }
        else
            scrMainMenu->SetFrame(100);
        break;
    case kStateLeave:
        if constexpr (Front::kKeys)
        {
            if (scrMainMenuButtons != nullptr)
                Self().mainMenuFocus = scrMainMenuButtons->focusIndex;
        }
        break;
    case kStateUpdate:
    {
        if (scrMainMenu != nullptr)
        {
            scrMainMenu->Update();
            scrMainMenu->Advance();
            const int32_t frame = scrMainMenu->frame;
            const int32_t heartFrames[4] = {24, 34, 44, 54};
            for (int i = 0; i < 4; ++i)
            {
                if (frame != heartFrames[i])
                    continue;
                if (cGlaControllerElement* heart = scrMainMenu->FindController("heart" + std::to_string(i + 1)))
                    SpawnHeartBurst(heart->position.x + static_cast<float>(GetScreenWidth()) * 0.5f,
                                    heart->position.y + static_cast<float>(GetScreenHeight()) * 0.5f);
            }
            // The intro plays on its own for its first 30 frames. An intro that ends sooner
            // (or a menu scene that is missing) holds nothing, or the menu could never be used.
            if (frame <= 30 && scrMainMenu->playing && scrMainMenu->GetFrameCount() > 1)
                break;
        }
        if (!FadeStep(s))
            break;
        Self().MainMenuShortcut();
        TakeInput(scrMainMenuButtons, [&](const cKelpoMsg& message) {
            const std::string& name = message.name;
            if (name == "actPlay")
                LeaveTo(&Front::StateModeSelect, 0, s.leaving);
            else if (name == "actOptions")
                LeaveTo(&Front::StateOptions, 0, s.leaving);
            else if (name == "actFacebook")
                OpenUrl(kFrontendUrlFacebook);
            else if (name == "actTwitter")
                OpenUrl(kFrontendUrlTwitter);
            else if (name == "actKelpo")
                LeaveTo(&Front::StateCredits, 0, s.leaving);
            else if (name == "actHelp")
                LeaveTo(&Front::StateHelp, 0, s.leaving);
            else if (name == "custom")
                LeaveTo(&Front::StateCustomise, 1, s.leaving);
            else
                Self().MainMenuAction(name); // "actTovrane" and unknown names are taken and ignored
        });
        break;
    }
    case kStateDraw:
        DrawBackground();
        DrawScene(scrMainMenu, *gfx2D);
        DrawSceneFaded(scrMainMenuButtons, *gfx2D, s.alpha);
        gfx2D->SetColour(kOpaqueWhite);
        break;
    default:
        break;
    }
    return 0;
}

template <class Front>
int32_t cFrontendScreens<Front>::StateModeSelect(int32_t phase, int32_t /*arg*/)
{
    ScreenFade& s = modeSelectFade;
    const cSaveData& save = Save();
    switch (phase)
    {
    case kStateEnter:
        if constexpr (Front::kKeys)
            FocusOnEntry(scrChapter, Self().chapterFocus);
        EnableButton(scrChapter, "chapter2", save.progress[19].completed);
        EnableButton(scrChapter, "butSurvival", save.progress[4].completed);
        EnableButton(scrChapter, "butChallenge", save.progress[38].completed);
        challenge = false;
        mode = 0;
        s = ScreenFade();
        break;
    case kStateLeave:
        if constexpr (Front::kKeys)
        {
            if (scrChapter != nullptr)
                Self().chapterFocus = scrChapter->focusIndex;
        }
        break;
    case kStateUpdate:
        if (!FadeStep(s, &Front::StateMainMenu, 1))
            break;
        TakeInput(scrChapter, [&](const cKelpoMsg& message) {
            const std::string& name = message.name;
            int32_t number = 0;
            if (name == "actBack")
                LeaveTo(&Front::StateMainMenu, 1, s.leaving);
            else if (name == "actSurvival")
                LeaveTo(&Front::StateChallengeSelect, 0, s.leaving);
            else if (name == "actChallenge")
            {
                // A screen already on its way elsewhere keeps the set it chose.
                if (s.leaving)
                    return;
                challenge = true;
                LeaveTo(&Front::StateChallengeSelect, 0, s.leaving);
            }
            else if (NumberAfter(name, "chapter", number))
            {
                // Only the story and bonus sets exist; other numbers are refused.
                if (number == 0 || number == 1)
                {
                    mode = number;
                    screens.SetPendingState(&Front::StateLevelSelect, 0);
                }
            }
        });
        break;
    case kStateDraw:
    {
        DrawFaded(s.alpha, {scrChapter});
        cGlaControllerButton* chapter2 = scrChapter != nullptr ? FindButtonController(scrChapter, "chapter2") : nullptr;
        if (!save.progress[19].completed && chapter2 != nullptr && systemFont != nullptr)
        {
            const float w = static_cast<float>(GetScreenWidth());
            const float h = static_cast<float>(GetScreenHeight());
            cTextLayout text(systemFont, static_cast<int32_t>(w * 0.2f), "Open level 20 to unlock.");
            const uint32_t saved = gfx2D->GetColour();
            gfx2D->SetColour(TextColour(s.alpha));
            const int32_t x = static_cast<int32_t>(chapter2->position.x + w * 0.5f);
            const int32_t y = static_cast<int32_t>(chapter2->position.y + h * 0.5f + h * 0.13f);
            DrawTextLayoutAt(*gfx2D, static_cast<float>(x), static_cast<float>(y), 0, &text);
            gfx2D->SetColour(saved);
        }
        gfx2D->SetColour(kOpaqueWhite);
        break;
    }
    default:
        break;
    }
    return 0;
}

// --- level selection ------------------------------------------------------------------------------

template <class Front>
int32_t cFrontendScreens<Front>::StateLevelSelect(int32_t phase, int32_t /*arg*/)
{
    ScreenFade& s = levelSelectFade;
    switch (phase)
    {
    case kStateEnter:
        Self().EnterLevelSelect();
        s = ScreenFade();
        slideOffset = 0.0f;
        page = 0;
        Self().SetupLevelButtons();
        targetPage = page;
        break;
    case kStateUpdate:
    {
        if (!FadeStep(s, &Front::StateMainMenu, 1))
            break;
        if (scrLevelSelect != nullptr)
            scrLevelSelect->Update();
        if (scrLevelDots != nullptr)
            scrLevelDots->SetFrame(page);
        // A page that is sliding takes no input.
        if (cGlaControllerScene* shown = scrLevelScreen[ShownPage()]; shown != nullptr && slideOffset == 0.0f)
        {
            shown->Update();
            if constexpr (Front::kKeys)
                Self().LevelPageKeys(shown);
            TakeMessages(shown, [&](const cKelpoMsg& message) {
                int32_t number = 0;
                // Only the levels of the shown set can be started.
                if (NumberAfter(message.name, "level", number) && number < pageCount * levelsPerPage)
                {
                    PlayButtonSound();
                    screens.SetPendingState(&Front::StateStartLevel, mode * 50 + number);
                }
            });
        }
        TakeMessages(scrLevelSelect, [&](const cKelpoMsg& message) {
            if (message.name == "actBack")
                LeaveTo(&Front::StateModeSelect, Front::kLevelSelectBackArg, s.leaving);
            else if (message.name == "actHelp")
                LeaveTo(&Front::StateLevelStats, 0, s.leaving);
        });
        Self().TurnLevelPages();
        break;
    }
    case kStateDraw:
    {
        DrawBackground();
        const uint32_t saved = gfx2D->GetColour();
        gfx2D->SetColour(FadeColour(s.alpha));
        DrawLevelSelectLayout();
        gfx2D->SetColour(saved);
        break;
    }
    default:
        break;
    }
    return 0;
}

template <class Front>
int32_t cFrontendScreens<Front>::StateChallengeSelect(int32_t phase, int32_t /*arg*/)
{
    ScreenFade& s = challengeFade;
    cGlaControllerScene* own = challenge ? scrLevelSelect_C : scrLevelSelect_S;
    switch (phase)
    {
    case kStateEnter:
        Self().EnterChallengeSelect(own);
        s = ScreenFade();
        slideOffset = 0.0f;
        page = 0;
        SetupChallengeButtons();
        targetPage = page;
        break;
    case kStateUpdate:
    {
        if (!FadeStep(s, &Front::StateModeSelect, 1))
            break;
        if (own != nullptr)
            own->Update();
        if (scrLevelDots != nullptr)
            scrLevelDots->SetFrame(page);
        if (cGlaControllerScene* levels = scrLevelScreenS; levels != nullptr && slideOffset == 0.0f)
        {
            levels->Update();
            if constexpr (Front::kKeys)
                Self().ChallengePageKeys(levels, own);
            TakeMessages(levels, [&](const cKelpoMsg& message) {
                int32_t number = 0;
                if (NumberAfter(message.name, "level", number) && number < kChallengeSlots)
                    screens.SetPendingState(&Front::StateStartLevel, (challenge ? 250 : 200) + number);
            });
        }
        TakeMessages(own, [&](const cKelpoMsg& message) {
            if (message.name == "actBack")
                LeaveTo(&Front::StateModeSelect, 1, s.leaving);
        });
        break;
    }
    case kStateDraw:
    {
        DrawBackground();
        const uint32_t saved = gfx2D->GetColour();
        gfx2D->SetColour(FadeColour(s.alpha));
        DrawChallengeLayout(s.alpha);
        gfx2D->SetColour(saved);
        break;
    }
    default:
        break;
    }
    return 0;
}

template <class Front>
int32_t cFrontendScreens<Front>::StateLevelStats(int32_t phase, int32_t /*arg*/)
{
    ScreenFade& s = statsFade;
    switch (phase)
    {
    case kStateEnter:
        FocusOnEntry(scrLevelStats, 0);
        s = ScreenFade();
        break;
    case kStateUpdate:
        if (!FadeStep(s, &Front::StateLevelSelect, 0))
            break;
        TakeInput(scrLevelStats, [&](const cKelpoMsg& message) {
            if (message.name == "actBack")
                LeaveTo(&Front::StateLevelSelect, 0, s.leaving);
        });
        break;
    case kStateDraw:
        DrawBackground();
        gfx2D->SetColour(FadeColour(s.alpha));
        DrawLevelStats();
        gfx2D->SetColour(kOpaqueWhite);
        break;
    default:
        break;
    }
    return 0;
}

// --- options and customisation ------------------------------------------------------------------

template <class Front>
int32_t cFrontendScreens<Front>::StateOptions(int32_t phase, int32_t /*arg*/)
{
    ScreenFade& s = optionsFade;
    switch (phase)
    {
    case kStateEnter:
        Self().ShowWindowMode();
        s = ScreenFade();
        FocusOnEntry(scrOptions, 0);
        SetToggle(scrOptions, "butMusic", GetSaveDataVolumes().GetMusicVolume() > 0.0f);
        SetToggle(scrOptions, "butSfx", GetSaveDataVolumes().GetSoundVolume() > 0.0f);
        break;
    case kStateUpdate:
        if (!FadeStep(s, &Front::StateMainMenu, 1))
            break;
        // The window mode may change elsewhere; the toggle follows it.
        Self().ShowWindowMode();
        TakeInput(scrOptions, [&](const cKelpoMsg& message) {
            const std::string& name = message.name;
            const bool on = message.intValue != 0;
            if (name == "actBack")
                LeaveTo(&Front::StateMainMenu, 1, s.leaving);
            else if (name == "actMusic")
            {
                if (on)
                {
                    GetSaveDataVolumes().SetMusicVolume(0.8f);
                    if (playMusicTrack)
                        playMusicTrack(1);
                }
                else
                {
                    if (IsAudioEnabled())
                        StopMedia();
                    GetSaveDataVolumes().SetMusicVolume(0.0f);
                }
            }
            else if (name == "actSound")
                GetSaveDataVolumes().SetSoundVolume(on ? 1.0f : 0.0f);
            else if (name == "actFlipScreen")
            {
                const bool flip = GetOrientation() == 0;
                Save().flipScreen = flip;
                SetOrientation(flip ? 2 : 0);
            }
            else
                Self().OptionsAction(name, on, s.leaving);
        });
        break;
    case kStateDraw:
        DrawFaded(s.alpha, {scrOptions});
        break;
    default:
        break;
    }
    return 0;
}

template <class Front>
int32_t cFrontendScreens<Front>::StateCustomise(int32_t phase, int32_t /*arg*/)
{
    ScreenFade& s = customiseFade;
    switch (phase)
    {
    case kStateEnter:
        s = ScreenFade();
        FocusOnEntry(scrCustomise, 0);
        if (scrCustomise != nullptr)
            scrCustomise->StartChildScenes();
        if constexpr (Front::kKeys)
            Self().customiseInPage = false;
        customisePage = 0;
        for (int32_t p = 0; p < kCustomisePageCount; ++p)
            SetToggle(scrCustomise, ToggleName(p), p == 0);
        Self().ShowCustomisePage(0);
        RefreshCustomisePreview();
        break;
    case kStateUpdate:
    {
        if (!FadeStep(s, &Front::StateMainMenu, 1))
            break;
        if (scrCustomise != nullptr)
            scrCustomise->Advance();
        SetToggle(scrCustomise, ToggleName(customisePage), true);

        // The tabs choose the page, the page's toggles its item. Worked by the pointer both
        // take input every frame; with the keyboard, only the half that holds the focus.
        bool tabs = true;
        bool items = true;
        if constexpr (Front::kKeys)
        {
            tabs = !Self().customiseInPage;
            items = !tabs;
        }
        if (tabs && scrCustomise != nullptr)
        {
            scrCustomise->Update();
            if constexpr (Front::kKeys)
                Self().CustomiseTabKeys();
            TakeMessages(scrCustomise, [&](const cKelpoMsg& message) {
                int32_t number = 0;
                if (message.name == "actBack")
                    LeaveTo(&Front::StateMainMenu, 1, s.leaving);
                // Only the five pages exist; other numbers are refused.
                else if (NumberAfter(message.name, "act", number) && number < kCustomisePageCount)
                {
                    customisePage = number;
                    for (int32_t p = 0; p < kCustomisePageCount; ++p)
                        if (p != number)
                            SetToggle(scrCustomise, ToggleName(p), false);
                    Self().ShowCustomisePage(customisePage);
                }
            });
        }
        cGlaControllerScene* pageScene = scrCustomisePages[std::clamp(customisePage, 0, kCustomisePageCount - 1)];
        if (items && pageScene != nullptr)
        {
            SetToggle(pageScene, ToggleName(GetPageLookValue(customisePage)), true);
            pageScene->Update();
            if constexpr (Front::kKeys)
                Self().CustomiseItemKeys(pageScene);
            TakeMessages(pageScene, [&](const cKelpoMsg& message) {
                int32_t chosen = 0;
                // Only the eleven items exist; other numbers are refused.
                if (!NumberAfter(message.name, "but", chosen) || chosen >= kPartItemCount)
                    return;
                ChooseCustomiseItem(chosen);
            });
        }
        break;
    }
    case kStateDraw:
        DrawFaded(s.alpha, {scrCustomise, scrCustomisePages[std::clamp(customisePage, 0, kCustomisePageCount - 1)]});
        break;
    default:
        break;
    }
    return 0;
}

// --- credits and help ---------------------------------------------------------------------------

template <class Front>
int32_t cFrontendScreens<Front>::StateCredits(int32_t phase, int32_t /*arg*/)
{
    ScreenFade& s = creditsFade;
    switch (phase)
    {
    case kStateEnter:
        FocusOnEntry(scrCreditsBack, 0);
        s = ScreenFade();
        Replay(scrCredits, false);
        break;
    case kStateUpdate:
        if (!FadeStep(s, &Front::StateMainMenu, 1))
            break;
        if (scrCredits != nullptr)
            scrCredits->Advance();
        TakeInput(scrCreditsBack, [&](const cKelpoMsg& message) {
            const std::string& name = message.name;
            if (name == "actBack")
                LeaveTo(&Front::StateMainMenu, 1, s.leaving);
            else if (name == "actCredits")
                LeaveTo(&Front::StateStartLevel, kCreditsLevel, s.leaving);
            else if (name == "actDorvo")
                OpenUrl(kFrontendUrlProduct);
            else
                Self().CreditsLink(name);
        });
        break;
    case kStateDraw:
        DrawFaded(s.alpha, {scrCredits, scrCreditsBack});
        break;
    default:
        break;
    }
    return 0;
}

template <class Front>
int32_t cFrontendScreens<Front>::StateHelp(int32_t phase, int32_t /*arg*/)
{
    ScreenFade& s = helpFade;
    switch (phase)
    {
    case kStateEnter:
        FocusOnEntry(scrHelp_000, 0);
        s = ScreenFade();
        Replay(scrHelp_000, true);
        break;
    case kStateUpdate:
        if (!FadeStep(s, &Front::StateMainMenu, 1))
            break;
        if (scrHelp_000 != nullptr)
            scrHelp_000->Advance();
        TakeInput(scrHelp_000, [&](const cKelpoMsg& message) {
            if (message.name == "actBack")
                LeaveTo(&Front::StateMainMenu, 1, s.leaving);
        });
        break;
    case kStateDraw:
        DrawFaded(s.alpha, {scrHelp_000});
        break;
    default:
        break;
    }
    return 0;
}

// --- starting a level ---------------------------------------------------------------------------

template <class Front>
int32_t cFrontendScreens<Front>::StateStartLevel(int32_t phase, int32_t arg)
{
    switch (phase)
    {
    case kStateEnter:
        startLevel = arg;
        startFade = 0;
        break;
    case kStateUpdate:
        startFade += kStartLevelFadeStep;
        if (startFade >= kStartLevelFadeEnd && levelHandOff)
            levelHandOff(startLevel);
        break;
    case kStateDraw:
    {
        // Under the fade, the screen the level was chosen on.
        DrawBackground();
        if (startLevel >= 200)
            DrawChallengeLayout(255);
        else if (startLevel == kCreditsLevel)
        {
            DrawScene(scrCredits, *gfx2D);
            DrawScene(scrCreditsBack, *gfx2D);
        }
        else
            DrawLevelSelectLayout();
        gfx2D->Flush();
        const uint32_t alpha = static_cast<uint32_t>(std::min(startFade, 255));
        const uint32_t saved = gfx2D->GetColour();
        gfx2D->SetColour(alpha << 24);
        FillRectAt(*gfx2D, 0.0f, 0.0f, static_cast<float>(GetScreenWidth()), static_cast<float>(GetScreenHeight()));
        gfx2D->SetColour(saved);
        break;
    }
    default:
        break;
    }
    return 0;
}

// Both front ends run these screens.
template class cFrontendScreens<cFrontend>;
template class cFrontendScreens<cFrontendTouch>;

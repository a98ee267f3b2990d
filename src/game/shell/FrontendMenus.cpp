// The title pages, the main menu, the mode select and the end screen.
#include "KelpoBase/core/Random.h"
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/TextLayout.h"
#include "game/shell/Frontend.h"
#include "game/shell/FrontendScreens.h"
#include "game/shell/SaveData.h"

using namespace frontend;

namespace frontend
{
void FocusKeys(cGlaControllerScene* scene)
{
    if (scene == nullptr)
        return;
    if (cFrontend::PressedUp())
        scene->MoveFocus(-1);
    else if (cFrontend::PressedDown())
        scene->MoveFocus(1);
    else if (cFrontend::PressedActivate())
        scene->ActivateFocused();
}

} // namespace frontend

namespace
{
bool Completed(const cSaveData* save, int record)
{
    return save != nullptr && save->progress[record].completed;
}

void EnableButton(cGlaControllerScene* scene, const char* name, bool on)
{
    if (cGlaControllerButton* button = FindButtonController(scene, name))
        button->SetEnabled(on);
}
} // namespace

// --- title --------------------------------------------------------------------------------------

int32_t cFrontend::StateTitle(int32_t phase, int32_t arg)
{
    (void)arg;
    switch (phase)
    {
    case kStateEnter:
        titleAlpha = 0;
        titleHold = 0;
        titlePage = 0;
        break;
    case kStateUpdate:
    {
        titleHold -= 1;
        if (titleHold <= 0)
            titleAlpha = std::min(titleAlpha + 25, 255);
        const bool pressed = IsKeyPressed(KEY_POINTER_1) || IsKeyPressed(KEY_SPACE) || IsKeyPressed(KEY_RETURN) ||
                             IsKeyPressed(KEY_ESCAPE) || IsKeyPressed(KEY_JOY_BUTTON_1);
        if (titleAlpha < 255 && !pressed)
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
            screens.SetPendingState(&cFrontend::StateMainMenu, 0);
        }
        break;
    }
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

// --- main menu ------------------------------------------------------------------------------------

int32_t cFrontend::StateMainMenu(int32_t phase, int32_t arg)
{
    ScreenFade& s = mainMenuFade;
    switch (phase)
    {
    case kStateEnter:
        scrMainMenuButtons->SetFocus(mainMenuFocus);
        s.alpha = 0;
        s.leaving = false;
        if (arg == 0)
        {
            scrMainMenu->SetFrame(0);
            scrMainMenu->Play(false, 1);
        }
        else
            scrMainMenu->SetFrame(100);
        break;
    case kStateLeave:
        mainMenuFocus = scrMainMenuButtons->focusIndex;
        break;
    case kStateUpdate:
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
        // The intro plays on its own for its first 30 frames. An intro that ends sooner (or
        // is missing) holds nothing, or the menu could never be used.
        if (frame <= 30 && scrMainMenu->playing && scrMainMenu->GetFrameCount() > 1)
            break;
        if (s.leaving)
        {
            s.alpha -= kScreenFadeStep;
            if (s.alpha <= 0)
                screens.PopState();
            break;
        }
        FadeIn(s.alpha, kScreenFadeStep);
        scrMainMenuButtons->Update();
        FocusKeys(scrMainMenuButtons);
        cKelpoMsg message;
        while (scrMainMenuButtons->HasMessages())
        {
            scrMainMenuButtons->PopMessage(message);
            const std::string& name = message.name;
            if (name == "actPlay")
            {
                LeaveTo(&cFrontend::StateModeSelect, 0, s.leaving);
            }
            else if (name == "actOptions")
            {
                LeaveTo(&cFrontend::StateOptions, 0, s.leaving);
            }
            else if (name == "actFacebook")
                OpenUrl(kFrontendUrlFacebook);
            else if (name == "actTwitter")
                OpenUrl(kFrontendUrlTwitter);
            else if (name == "actKelpo")
            {
                LeaveTo(&cFrontend::StateCredits, 0, s.leaving);
            }
            else if (name == "actHelp")
            {
                LeaveTo(&cFrontend::StateHelp, 0, s.leaving);
            }
            else if (name == "custom")
            {
                LeaveTo(&cFrontend::StateCustomise, 1, s.leaving);
            }
            else if (name == "actExit")
                SetQuitRequested(true);
            // "actTovrane" and unknown names are taken and ignored.
        }
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

// --- mode select ----------------------------------------------------------------------------------

int32_t cFrontend::StateModeSelect(int32_t phase, int32_t arg)
{
    (void)arg;
    ScreenFade& s = modeSelectFade;
    switch (phase)
    {
    case kStateEnter:
    {
        scrChapter->SetFocus(chapterFocus);
        const cSaveData& save = Save();
        EnableButton(scrChapter, "chapter2", Completed(&save, 19));
        EnableButton(scrChapter, "butSurvival", Completed(&save, 4));
        EnableButton(scrChapter, "butChallenge", Completed(&save, 38));
        challenge = false;
        mode = 0;
        s.leaving = false;
        s.alpha = 0;
        break;
    }
    case kStateLeave:
        chapterFocus = scrChapter->focusIndex;
        break;
    case kStateUpdate:
    {
        if (s.leaving)
        {
            s.alpha -= kScreenFadeStep;
            if (s.alpha <= 0)
                screens.PopState();
            break;
        }
        FadeIn(s.alpha, kScreenFadeStep);
        if (PressedBack())
        {
            LeaveTo(&cFrontend::StateMainMenu, 1, s.leaving);
        }
        scrChapter->Update();
        FocusKeys(scrChapter);
        cKelpoMsg message;
        while (scrChapter->HasMessages())
        {
            scrChapter->PopMessage(message);
            const std::string& name = message.name;
            int32_t number = 0;
            if (name == "actBack")
            {
                LeaveTo(&cFrontend::StateMainMenu, 1, s.leaving);
            }
            else if (name == "actSurvival")
            {
                LeaveTo(&cFrontend::StateChallengeSelect, 0, s.leaving);
            }
            else if (name == "actChallenge")
            {
                challenge = true;
                LeaveTo(&cFrontend::StateChallengeSelect, 0, s.leaving);
            }
            else if (NumberAfter(name, "chapter", number))
            {
                // Only the two level sets exist; any other number is refused.
                if (number == 0 || number == 1)
                {
                    mode = number;
                    screens.SetPendingState(&cFrontend::StateLevelSelect, 0);
                }
            }
        }
        break;
    }
    case kStateDraw:
    {
        DrawBackground();
        DrawSceneFaded(scrChapter, *gfx2D, s.alpha);
        cGlaControllerButton* chapter2 = FindButtonController(scrChapter, "chapter2");
        if (!Completed(&Save(), 19) && chapter2 != nullptr && systemFont != nullptr)
        {
            const float w = static_cast<float>(GetScreenWidth());
            const float h = static_cast<float>(GetScreenHeight());
            cTextLayout layout(systemFont, static_cast<int32_t>(w * 0.2f), "Open level 20 to unlock.");
            const uint32_t saved = gfx2D->GetColour();
            gfx2D->SetColour(TextColour(s.alpha));
            const int32_t x = static_cast<int32_t>(chapter2->position.x + w * 0.5f);
            const int32_t y = static_cast<int32_t>(chapter2->position.y + h * 0.5f + h * 0.13f);
            DrawTextLayoutAt(*gfx2D, static_cast<float>(x), static_cast<float>(y), 0, &layout);
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

// --- end screen ---------------------------------------------------------------------------------

int32_t cFrontend::StateEnd(int32_t phase, int32_t arg)
{
    (void)arg;
    ScreenFade& s = endFade;
    switch (phase)
    {
    case kStateEnter:
        s.alpha = 0;
        s.leaving = false;
        scrEnd->Rewind();
        scrEnd->Play(false, 1);
        scrEnd->StartChildScenes();
        confettiCountdown = RandomInt(20);
        break;
    case kStateUpdate:
    {
        if (s.leaving)
        {
            s.alpha -= kScreenFadeStep;
            if (s.alpha <= 0)
                screens.PopState();
            break;
        }
        FadeIn(s.alpha, kScreenFadeStep);
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
        scrEnd->Advance();
        if (IsKeyPressed(KEY_POINTER_1) || IsKeyPressed(KEY_SPACE) || IsKeyPressed(KEY_RETURN) ||
            IsKeyPressed(KEY_ESCAPE) || IsKeyPressed(KEY_JOY_BUTTON_1) || IsKeyPressed(KEY_JOY_BUTTON_1 + 7))
        {
            LeaveTo(&cFrontend::StateMainMenu, 1, s.leaving);
        }
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

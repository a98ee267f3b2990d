#include "game/shell/FrontendTouch.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "KelpoBase/core/FileSystem.h"
#include "KelpoBase/core/Random.h"
#include "KelpoBase/core/TextUtil.h"
#include "KelpoBase/debug/DbgScreen.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElementControllers.h"
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/Gfx3D.h"
#include "KelpoBase/render/Renderer.h"
#include "KelpoBase/render/Resource.h"
#include "KelpoBase/render/SoundResource.h"
#include "KelpoBase/render/TextLayout.h"
#include "game/shell/Achievements.h"
#include "game/shell/Frontend.h"
#include "game/shell/FrontendParticles.h"
#include "game/shell/FrontendScreens.h"
#include "game/shell/MainGame.h"
#include "game/shell/SaveData.h"

using namespace frontend;

const char* const kFrontendTouchUrlMoreGamesTablet = "https://example.org/games/tablet";
const char* const kFrontendTouchUrlMoreGamesPhone = "https://example.org/games/phone";

namespace
{
using Self = cFrontendTouch;

// Pointer 0 pressed this frame (down now, up in the previous frame).
bool PointerTapped() { return IsKeyPressed(KEY_POINTER_1); }

void EnableButton(cGlaControllerScene* scene, const char* name, bool on)
{
    if (scene == nullptr)
        return;
    if (cGlaControllerButton* button = FindButtonController(scene, name))
        button->SetEnabled(on);
}

// Updates the controller and hands each of its messages, newest first, to take.
template <class F>
void UpdateAndTake(cGlaControllerScene* scene, F take)
{
    if (scene == nullptr)
        return;
    scene->Update();
    cKelpoMsg message;
    while (scene->HasMessages())
    {
        scene->PopMessage(message);
        take(message);
    }
}

// The leaving half of a screen's update: fade out, then the pushed screen. True when the
// update ends here.
template <class Fade>
bool FadeOut(Fade& s, StateMachine<cFrontendTouch>& screens)
{
    if (!s.leaving)
        return false;
    s.alpha -= cFrontendTouch::kScreenFadeStep;
    if (s.alpha < 1)
        screens.PopState();
    return true;
}

std::string ItemName(int32_t item) { return "but" + std::to_string(item); }

cGlaControllerButton* SlotButton(cGlaControllerScene* scene, int32_t slot)
{
    return scene != nullptr ? FindButtonController(scene, "GameObj00" + std::to_string(slot)) : nullptr;
}

int32_t ClampLook(int32_t value) { return std::clamp(value, 0, cFrontendTouch::kPartItemCount - 1); }
} // namespace

// --- layouts ---------------------------------------------------------------------------------

cFrontendTouch::Layout cFrontendTouch::LayoutForWidth(int32_t screenWidth)
{
    if (screenWidth == 1024)
        return kLayout1024;
    if (screenWidth == 960)
        return kLayout960;
    return kLayoutSmall;
}

const char* cFrontendTouch::SceneFileForLayout(Layout which)
{
    switch (which)
    {
    case kLayout1024:
        return "res/frontend/frontendipad.cgla";
    case kLayout960:
        return "res/frontend/frontend_960_640.cgla";
    default:
        return "res/frontend/frontend_480_320.cgla";
    }
}

// --- construction and destruction ----------------------------------------------------------

cFrontendTouch::cFrontendTouch(int32_t entry)
{
    screens.Init();
    screens.SetOwner(this);
    if (entry == 1)
        screens.SetPendingState(&Self::StateMainMenu, 1);
    else if (entry == 2)
        screens.SetPendingState(&Self::StateEnd, 0);
    else
        screens.SetPendingState(&Self::StateTitle, 0);
    centreNarrowPerfectTimes = true;
}

cFrontendTouch::~cFrontendTouch() { screens.FreeStack(); }

// --- loading ---------------------------------------------------------------------------------

void cFrontendTouch::LoadScene()
{
    OpenGroup();
    layout = LayoutForWidth(GetScreenWidth());
    sceneSet = ClassCast<cGlaSet>(LoadGlaSetResource(SceneFileForLayout(layout), ""));
    LoadIcons(layout == kLayoutSmall ? "res/frontend/480_320/LevelSelect/Small_Icons/"
                                     : "res/frontend/1024_768/LevelSelect/Small_Icons/");
    if (layout == kLayout1024)
        flashImage = LoadImage("res/fx/Flash.png");
    LoadDigits(smallDigits, "res/frontend/1024_768/LevelSelect/SmallNumbers/No_");
    // The small layout has no large digits; its statistics use the small ones.
    if (layout != kLayoutSmall)
        LoadDigits(hudDigits, "res/frontend/1024_768/Hud_Numbers/No_");
    heartImages.push_back(LoadImage("res/frontend/1024_768/LoveHeart.png"));
    if (layout != kLayout1024)
        flashImage = LoadImage("res/fx/Flash.png");
    FinishLoading();
}

// Every screen of cFrontendBase; this front end has no control screens.
void cFrontendTouch::LoadScreens() { MakeScreens(); }

// --- frame -----------------------------------------------------------------------------------

void cFrontendTouch::Update()
{
    UpdateParticlePool(particles);
    screens.Update();
}

void cFrontendTouch::Draw()
{
    if (gfx2D == nullptr)
        return;
    BeginDraw();
    screens.Draw();
    DrawParticlePool(particles, *gfx2D);
    EndDraw();
}

void cFrontendTouch::LeaveTo(ScreenFunc next, int32_t arg, bool& leaving)
{
    if (leaving)
        return;
    screens.PushState(next, arg);
    leaving = true;
}

// --- title and end -----------------------------------------------------------------------------

int32_t cFrontendTouch::StateTitle(int32_t phase, int32_t arg)
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
        titleHold -= 1;
        if (titleHold <= 0)
            titleAlpha = std::min(titleAlpha + 25, 255);
        if (titleAlpha < 255 && !PointerTapped())
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
            screens.SetPendingState(&Self::StateMainMenu, 0);
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

int32_t cFrontendTouch::StateEnd(int32_t phase, int32_t arg)
{
    (void)arg;
    ScreenFade& s = endFade;
    switch (phase)
    {
    case kStateEnter:
        s.alpha = 0;
        s.leaving = false;
        if (scrEnd != nullptr)
        {
            scrEnd->Rewind();
            scrEnd->Play(false, 1);
            scrEnd->StartChildScenes();
        }
        confettiCountdown = RandomInt(20);
        break;
    case kStateUpdate:
    {
        if (FadeOut(s, screens))
            break;
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
        if (scrEnd != nullptr)
            scrEnd->Advance();
        if (PointerTapped())
            LeaveTo(&Self::StateMainMenu, 1, s.leaving);
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

// --- main menu and mode select -------------------------------------------------------------------

int32_t cFrontendTouch::StateMainMenu(int32_t phase, int32_t arg)
{
    ScreenFade& s = mainMenuFade;
    switch (phase)
    {
    case kStateEnter:
        s.alpha = 0;
        s.leaving = false;
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
    case kStateUpdate:
    {
        // The buttons wait for the intro's first 30 frames. A menu scene that is missing,
        // or whose intro ends sooner, does not keep them waiting for ever.
        bool introOver = true;
        if (scrMainMenu != nullptr)
        {
            scrMainMenu->Update();
            scrMainMenu->Advance();
            const int32_t frame = scrMainMenu->frame;
            introOver = frame > 30 || scrMainMenu->scene == nullptr || !scrMainMenu->playing;
            const int32_t heartFrames[4] = {24, 34, 44, 54};
            for (int i = 0; i < 4; ++i)
            {
                if (frame != heartFrames[i])
                    continue;
                if (cGlaControllerElement* heart = scrMainMenu->FindController("heart" + std::to_string(i + 1)))
                    SpawnHeartBurst(heart->position.x + static_cast<float>(GetScreenWidth()) * 0.5f,
                                    heart->position.y + static_cast<float>(GetScreenHeight()) * 0.5f);
            }
        }
        if (!introOver)
            break;
        if (FadeOut(s, screens))
            break;
        FadeIn(s.alpha, kScreenFadeStep);
        // The one key of this front end: straight to the end screen, without a fade.
        if (IsKeyPressed(KEY_F1 + 2))
            screens.SetPendingState(&Self::StateEnd, 0);
        UpdateAndTake(scrMainMenuButtons, [&](const cKelpoMsg& message) {
            const std::string& name = message.name;
            if (name == "actPlay")
                LeaveTo(&Self::StateModeSelect, 0, s.leaving);
            else if (name == "actOptions")
                LeaveTo(&Self::StateOptions, 0, s.leaving);
            else if (name == "actFacebook")
                OpenUrl(kFrontendUrlFacebook);
            else if (name == "actTwitter")
                OpenUrl(kFrontendUrlTwitter);
            else if (name == "actKelpo")
                LeaveTo(&Self::StateCredits, 0, s.leaving);
            else if (name == "actHelp")
                LeaveTo(&Self::StateHelp, 0, s.leaving);
            else if (name == "custom")
                LeaveTo(&Self::StateCustomise, 1, s.leaving);
            // "actTovrane", "actExit" and unknown names are taken and ignored.
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

int32_t cFrontendTouch::StateModeSelect(int32_t phase, int32_t arg)
{
    (void)arg;
    ScreenFade& s = modeSelectFade;
    const cSaveData& save = Save();
    switch (phase)
    {
    case kStateEnter:
        EnableButton(scrChapter, "chapter2", save.progress[19].completed);
        EnableButton(scrChapter, "butSurvival", save.progress[4].completed);
        EnableButton(scrChapter, "butChallenge", save.progress[38].completed);
        challenge = false;
        mode = 0;
        s.leaving = false;
        s.alpha = 0;
        break;
    case kStateUpdate:
        if (FadeOut(s, screens))
            break;
        FadeIn(s.alpha, kScreenFadeStep);
        UpdateAndTake(scrChapter, [&](const cKelpoMsg& message) {
            const std::string& name = message.name;
            int32_t number = 0;
            if (name == "actBack")
                LeaveTo(&Self::StateMainMenu, 1, s.leaving);
            else if (name == "actSurvival")
                LeaveTo(&Self::StateChallengeSelect, 0, s.leaving);
            else if (name == "actChallenge")
            {
                if (s.leaving)
                    return;
                challenge = true;
                LeaveTo(&Self::StateChallengeSelect, 0, s.leaving);
            }
            else if (NumberAfter(name, "chapter", number))
            {
                // Only the story and bonus sets exist; other numbers are refused.
                if (number == 0 || number == 1)
                {
                    mode = number;
                    screens.SetPendingState(&Self::StateLevelSelect, 0);
                }
            }
        });
        break;
    case kStateDraw:
    {
        DrawBackground();
        DrawSceneFaded(scrChapter, *gfx2D, s.alpha);
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

// --- options, credits, help ------------------------------------------------------------------

int32_t cFrontendTouch::StateOptions(int32_t phase, int32_t arg)
{
    (void)arg;
    ScreenFade& s = optionsFade;
    switch (phase)
    {
    case kStateEnter:
        s.alpha = 0;
        s.leaving = false;
        SetToggle(scrOptions, "butMusic", GetSaveDataVolumes().GetMusicVolume() > 0.0f);
        SetToggle(scrOptions, "butSfx", GetSaveDataVolumes().GetSoundVolume() > 0.0f);
        break;
    case kStateUpdate:
        if (FadeOut(s, screens))
            break;
        FadeIn(s.alpha, kScreenFadeStep);
        UpdateAndTake(scrOptions, [&](const cKelpoMsg& message) {
            const std::string& name = message.name;
            const bool on = message.intValue != 0;
            if (name == "actBack")
                LeaveTo(&Self::StateMainMenu, 1, s.leaving);
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
            // No window mode and no controls here.
        });
        break;
    case kStateDraw:
        DrawBackground();
        DrawSceneFaded(scrOptions, *gfx2D, s.alpha);
        gfx2D->SetColour(kOpaqueWhite);
        break;
    default:
        break;
    }
    return 0;
}

int32_t cFrontendTouch::StateCredits(int32_t phase, int32_t arg)
{
    (void)arg;
    ScreenFade& s = creditsFade;
    switch (phase)
    {
    case kStateEnter:
        s.alpha = 0;
        s.leaving = false;
        if (scrCredits != nullptr)
        {
            scrCredits->Rewind();
            scrCredits->Play(false, 1);
        }
        break;
    case kStateUpdate:
        if (FadeOut(s, screens))
            break;
        FadeIn(s.alpha, kScreenFadeStep);
        if (scrCredits != nullptr)
            scrCredits->Advance();
        UpdateAndTake(scrCreditsBack, [&](const cKelpoMsg& message) {
            const std::string& name = message.name;
            if (name == "actBack")
                LeaveTo(&Self::StateMainMenu, 1, s.leaving);
            else if (name == "actCredits")
                LeaveTo(&Self::StateStartLevel, kCreditsLevel, s.leaving);
            else if (name == "actDorvo")
                OpenUrl(kFrontendUrlProduct);
            else if (name == "actMoreGames")
                OpenUrl(GetScreenWidth() >= 1024 ? kFrontendTouchUrlMoreGamesTablet : kFrontendTouchUrlMoreGamesPhone);
        });
        break;
    case kStateDraw:
    {
        DrawBackground();
        const uint32_t saved = gfx2D->GetColour();
        gfx2D->SetColour(FadeColour(s.alpha));
        DrawScene(scrCredits, *gfx2D);
        DrawScene(scrCreditsBack, *gfx2D);
        gfx2D->SetColour(saved);
        gfx2D->SetColour(kOpaqueWhite);
        break;
    }
    default:
        break;
    }
    return 0;
}

int32_t cFrontendTouch::StateHelp(int32_t phase, int32_t arg)
{
    (void)arg;
    ScreenFade& s = helpFade;
    switch (phase)
    {
    case kStateEnter:
        s.alpha = 0;
        s.leaving = false;
        if (scrHelp_000 != nullptr)
        {
            scrHelp_000->Rewind();
            scrHelp_000->Play(true, 1);
        }
        break;
    case kStateUpdate:
        if (FadeOut(s, screens))
            break;
        FadeIn(s.alpha, kScreenFadeStep);
        if (scrHelp_000 != nullptr)
            scrHelp_000->Advance();
        UpdateAndTake(scrHelp_000, [&](const cKelpoMsg& message) {
            if (message.name == "actBack")
                LeaveTo(&Self::StateMainMenu, 1, s.leaving);
        });
        break;
    case kStateDraw:
        DrawBackground();
        DrawSceneFaded(scrHelp_000, *gfx2D, s.alpha);
        gfx2D->SetColour(kOpaqueWhite);
        break;
    default:
        break;
    }
    return 0;
}

// --- story and bonus level select ---------------------------------------------------------------

void cFrontendTouch::SetupLevelButtons()
{
    cFrontendBase::SetupLevelButtons();
    page = 0;
    for (int32_t p = 0; p < pageCount; ++p)
    {
        for (int32_t i = 0; i < levelsPerPage; ++i)
        {
            if (SlotButton(scrLevelScreen[p], i) != nullptr && !LevelOpen(mode * 50 + levelsPerPage * p + i))
            {
                page = p;
                return;
            }
        }
    }
}

void cFrontendTouch::TakePageSwipe()
{
    if (pageCount <= 1)
    {
        dragging = false;
        dragStep = 0.0f;
        slideOffset = 0.0f;
        return;
    }
    const float w = static_cast<float>(GetScreenWidth());
    if (IsKeyDown(KEY_POINTER_1))
    {
        dragging = true;
        int32_t dx = 0, dy = 0;
        GetSwipeDelta(dx, dy);
        dragStep = std::abs(dx) < 4 ? 0.0f : static_cast<float>(dx);
        slideOffset += dragStep;
        // A swipe is not a tap: the level button the swipe began on lets go of it, so that
        // its press neither lingers in the capture map nor swallows a later tap.
        if (dragStep != 0.0f)
            DropPagePress();
    }
    else if (IsKeyJustReleased(KEY_POINTER_1))
    {
        dragging = false;
        if (slideOffset > 0.0f)
        {
            if (page > 0)
                targetPage = (dragStep > 0.01f * w || slideOffset > 0.25f * w) ? page - 1 : page;
        }
        else if (page < pageCount - 1)
            targetPage = (dragStep < -0.005f * w || slideOffset < -0.25f * w) ? page + 1 : page;
    }
    else
        SlidePage();
}

void cFrontendTouch::DropPagePress()
{
    const cGlaControllerGuiObject* held = GetPointerCapture(KEY_POINTER_1);
    if (held == nullptr)
        return;
    for (int32_t slot = 0; slot < kLevelsPerPage; ++slot)
    {
        cGlaControllerButton* button = SlotButton(scrLevelScreen[ShownPage()], slot);
        if (button == nullptr || button != held)
            continue;
        const bool enabled = button->visible != 0;
        button->SetEnabled(false); // erases its capture
        button->SetEnabled(enabled);
        button->capturedPointer = 0;
    }
}

int32_t cFrontendTouch::StateLevelSelect(int32_t phase, int32_t arg)
{
    (void)arg;
    ScreenFade& s = levelSelectFade;
    switch (phase)
    {
    case kStateEnter:
        s.alpha = 0;
        slideOffset = 0.0f;
        dragStep = 0.0f;
        dragging = false;
        s.leaving = false;
        page = 0;
        SetupLevelButtons();
        targetPage = page;
        break;
    case kStateUpdate:
    {
        if (FadeOut(s, screens))
            break;
        FadeIn(s.alpha, kScreenFadeStep);
        UpdateAndTake(scrLevelSelect, [&](const cKelpoMsg& message) {
            if (message.name == "actBack")
                LeaveTo(&Self::StateModeSelect, 0, s.leaving);
            else if (message.name == "actHelp")
                LeaveTo(&Self::StateLevelStats, 0, s.leaving);
        });
        if (scrLevelDots != nullptr)
            scrLevelDots->SetFrame(page);
        if (slideOffset == 0.0f)
        {
            UpdateAndTake(scrLevelScreen[ShownPage()], [&](const cKelpoMsg& message) {
                int32_t number = 0;
                // Only the levels of the shown set can be started.
                if (NumberAfter(message.name, "level", number) && number < pageCount * levelsPerPage)
                {
                    PlayButtonSound();
                    screens.SetPendingState(&Self::StateStartLevel, mode * 50 + number);
                }
            });
        }
        TakePageSwipe();
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

// --- survival and challenge ----------------------------------------------------------------------

int32_t cFrontendTouch::StateChallengeSelect(int32_t phase, int32_t arg)
{
    (void)arg;
    ScreenFade& s = challengeFade;
    cGlaControllerScene* own = challenge ? scrLevelSelect_C : scrLevelSelect_S;
    switch (phase)
    {
    case kStateEnter:
        s.alpha = 0;
        slideOffset = 0.0f;
        dragStep = 0.0f;
        dragging = false;
        s.leaving = false;
        page = 0;
        SetupChallengeButtons();
        targetPage = page;
        break;
    case kStateUpdate:
        if (FadeOut(s, screens))
            break;
        FadeIn(s.alpha, kScreenFadeStep);
        UpdateAndTake(own, [&](const cKelpoMsg& message) {
            if (message.name == "actBack")
                LeaveTo(&Self::StateModeSelect, 1, s.leaving);
        });
        if (scrLevelDots != nullptr)
            scrLevelDots->SetFrame(page);
        if (slideOffset == 0.0f)
        {
            UpdateAndTake(scrLevelScreenS, [&](const cKelpoMsg& message) {
                int32_t number = 0;
                if (NumberAfter(message.name, "level", number) && number < kChallengeSlots)
                    screens.SetPendingState(&Self::StateStartLevel, (challenge ? 250 : 200) + number);
            });
        }
        break;
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

// --- statistics ------------------------------------------------------------------------------------

int32_t cFrontendTouch::StateLevelStats(int32_t phase, int32_t arg)
{
    (void)arg;
    ScreenFade& s = statsFade;
    switch (phase)
    {
    case kStateEnter:
        s.leaving = false;
        s.alpha = 0;
        break;
    case kStateUpdate:
        if (FadeOut(s, screens))
            break;
        FadeIn(s.alpha, kScreenFadeStep);
        UpdateAndTake(scrLevelStats, [&](const cKelpoMsg& message) {
            if (message.name == "actBack")
                LeaveTo(&Self::StateLevelSelect, 0, s.leaving);
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

// --- customisation ---------------------------------------------------------------------------------

int32_t cFrontendTouch::StateCustomise(int32_t phase, int32_t arg)
{
    (void)arg;
    ScreenFade& s = customiseFade;
    switch (phase)
    {
    case kStateEnter:
        s.alpha = 0;
        s.leaving = false;
        if (scrCustomise != nullptr)
            scrCustomise->StartChildScenes();
        customisePage = 0;
        for (int32_t p = 0; p < kCustomisePageCount; ++p)
            SetToggle(scrCustomise, ItemName(p), p == 0);
        ShowCustomisePage(0);
        RefreshCustomisePreview();
        break;
    case kStateUpdate:
    {
        if (FadeOut(s, screens))
            break;
        FadeIn(s.alpha, kScreenFadeStep);
        if (scrCustomise != nullptr)
            scrCustomise->Advance();

        // The tabs.
        SetToggle(scrCustomise, ItemName(customisePage), true);
        UpdateAndTake(scrCustomise, [&](const cKelpoMsg& message) {
            int32_t number = 0;
            if (message.name == "actBack")
                LeaveTo(&Self::StateMainMenu, 1, s.leaving);
            else if (NumberAfter(message.name, "act", number) && number < kCustomisePageCount)
            {
                customisePage = number;
                for (int32_t p = 0; p < kCustomisePageCount; ++p)
                    if (p != number)
                        SetToggle(scrCustomise, ItemName(p), false);
                ShowCustomisePage(customisePage);
            }
        });

        // The items of the page shown.
        cGlaControllerScene* pageScene = scrCustomisePages[std::clamp(customisePage, 0, kCustomisePageCount - 1)];
        SetToggle(pageScene, ItemName(GetPageLookValue(customisePage)), true);
        UpdateAndTake(pageScene, [&](const cKelpoMsg& message) {
            int32_t chosen = 0;
            // Only the eleven items exist; other numbers are refused.
            if (!NumberAfter(message.name, "but", chosen) || chosen >= kPartItemCount)
                return;
            for (int32_t item = 0; item < kPartItemCount; ++item)
                if (item != chosen)
                    SetToggle(pageScene, ItemName(item), false);
            cSaveData& save = Save();
            int32_t hair = 0, body = 0, base = 0, trail = 0, cup = 0;
            save.GetLook(hair, body, base, trail, cup);
            int32_t* values[kCustomisePageCount] = {&hair, &body, &cup, &base, &trail};
            *values[customisePage] = chosen;
            save.SetLook(ClampLook(hair), ClampLook(body), ClampLook(base), ClampLook(trail), ClampLook(cup));
            RefreshCustomisePreview();
        });
        break;
    }
    case kStateDraw:
    {
        DrawBackground();
        const uint32_t saved = gfx2D->GetColour();
        gfx2D->SetColour(FadeColour(s.alpha));
        DrawScene(scrCustomise, *gfx2D);
        DrawScene(scrCustomisePages[std::clamp(customisePage, 0, kCustomisePageCount - 1)], *gfx2D);
        gfx2D->SetColour(saved);
        gfx2D->SetColour(kOpaqueWhite);
        break;
    }
    default:
        break;
    }
    return 0;
}

// --- starting a level ----------------------------------------------------------------------------

int32_t cFrontendTouch::StateStartLevel(int32_t phase, int32_t arg)
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

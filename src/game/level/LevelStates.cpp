// The level's own states while it plays: the intro that uncovers a fresh build, running,
// the pause opening, the exit dialog's question, the pause requests, and what the states
// share (the draw prologue, the heads-up display, the menu keys).
#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>

#include "KelpoBase/debug/DbgElement.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/render/Gfx2Dx.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/TextureAtlas.h"
#include "KelpoBase/render/Renderer.h"
#include "game/level/Hud.h"
#include "game/level/Level.h"
#include "game/level/SurvivalResults.h"
#include "game/objects/Dorvo.h"
#include "game/objects/PhysicsDebugDraw.h"
#include "game/objects/RigidBodyController.h"

namespace
{
constexpr uint32_t kWhite = 0xFFFFFFFFu;
// Letter keys run from A (30) to Z (55).
constexpr int32_t kKeyW = KEY_A + ('W' - 'A');
constexpr int32_t kKeyS = KEY_A + ('S' - 'A');

// Pressed this frame (down now, up the frame before); codes outside the block never are.
bool Pressed(int32_t code) { return code >= 0 && code < int32_t(KEY_COUNT) && IsKeyPressed(uint32_t(code)); }

// A fade moved by a tenth, kept on whole tenths so that ten steps make exactly 1.
float StepTenth(float fade, int32_t direction)
{
    const int32_t tenths = int32_t(std::lround(fade * 10.0f)) + direction;
    return float(tenths) / 10.0f;
}

void SetToggle(cGlaControllerScene* scene, const char* name, bool on)
{
    if (scene == nullptr)
        return;
    if (cGlaControllerToggleButton* toggle = FindToggleButtonController(scene, name))
        toggle->SetState(on);
}
} // namespace

// ---- shared helpers --------------------------------------------------------------------------

cLevel::MenuHooks& cLevel::GetMenuHooks()
{
    static MenuHooks hooks;
    return hooks;
}

void cLevel::RegisterStates()
{
    LevelLinks& links = GetLevelLinks();
    links.stateIntro = &cLevel::StateIntro;
    links.stateRunning = &cLevel::StateRunning;
    links.statePauseOpen = &cLevel::StatePauseOpen;
    links.stateResults = &cLevel::StateResults;
}

void cLevel::BeginStateDraw()
{
    if (gfx2D == nullptr)
        return;
    gfx2D->SaveRendererState();
    gfx2D->Begin();
    gfx2D->SetColour(kWhite);
}

void cLevel::EndStateDraw()
{
    if (gfx2D != nullptr)
        gfx2D->RestoreRendererState();
}

void cLevel::DrawHud()
{
    if (gfx2D == nullptr)
        return;
    HudView view;
    view.hudScene = hudScene;
    view.jumpIndicator = jumpIndicator;
    view.noJumpIndicator = noJumpIndicator;
    view.noJumpState = noJumpState;
    view.digits = DigitRects();
    view.font = hudFont;
    view.sugarCollected = sugarCollected;
    view.sugarTotal = sugarTotal;
    view.survivalCountdown = survivalCountdown;
    view.levelIndex = levelIndex;
    view.isSurvival = isSurvival;
    view.heldKeys = heldKeys;
    if (const cDorvo* dorvo = dynamic_cast<const cDorvo*>(player))
        view.jumpFuel = dorvo->jumpFuel;
    view.screenWidth = ScreenWidth();
    UpdateHud(*gfx2D, view);
}

const ImageRect* const* cLevel::DigitRects() const
{
    for (const ImageRect* digit : hudDigits)
        if (digit == nullptr)
            return nullptr;
    return hudDigits.data();
}

void cLevel::ApplyMenuKeys(cGlaControllerScene* scene)
{
    if (scene == nullptr)
        return;
    if (Pressed(KEY_UP) || Pressed(kKeyW) || Pressed(controls[kControlUp]))
        scene->MoveFocus(-1);
    else if (Pressed(KEY_DOWN) || Pressed(kKeyS) || Pressed(controls[kControlDown]))
        scene->MoveFocus(1);
    else if (Pressed(KEY_RETURN) || Pressed(KEY_SPACE) || Pressed(controls[kControlJump]))
        scene->ActivateFocused();
}

void cLevel::LevelSelectDebugCallback(cLevel* level, DbgSliderRequest& request)
{
    if (level == nullptr)
        return;
    switch (request.code)
    {
    case DbgSliderRequest::kMinimum:
        request.value = 0.0f;
        break;
    case DbgSliderRequest::kMaximum:
        request.value = 39.0f;
        break;
    case DbgSliderRequest::kStep:
        request.value = 1.0f;
        break;
    case DbgSliderRequest::kCurrent:
        request.value = float(level->levelIndex);
        break;
    case DbgSliderRequest::kSet:
        // A value outside the story levels (or not a number) is kept within them.
        level->levelIndex = int32_t(std::isfinite(request.value) ? std::clamp(request.value, 0.0f, 39.0f) : 0.0f) - 1;
        level->NextLevel();
        break;
    default:
        break;
    }
}

// ---- pause requests --------------------------------------------------------------------------

void cLevel::SetPaused(bool pause)
{
    pausedByFocus = pause;
    stateMachine.SetPendingState(pause ? &cLevel::StatePauseOpen : &cLevel::StateRunning, 0);
}

void cLevel::RequestPause()
{
    if (noPause)
        return;
    // A menu that already shows (or the way out of the level) is not opened again.
    for (StateFunc menu : {&cLevel::StatePauseOpen, &cLevel::StatePauseMenu, &cLevel::StateExitOpen,
                           &cLevel::StateConfirmExit, &cLevel::StateExitClose, &cLevel::StateResults,
                           &cLevel::StateNextLevel})
    {
        if (stateMachine.currentState == menu || stateMachine.pendingState == menu)
            return;
    }
    pausedByFocus = true;
    stateMachine.SetPendingState(&cLevel::StatePauseOpen, 0);
}

// ---- intro -----------------------------------------------------------------------------------

int32_t cLevel::StateIntro(int32_t phase, int32_t arg)
{
    (void)arg;
    switch (phase)
    {
    case kStateEnter:
        if (transitionScene != nullptr)
        {
            transitionScene->SetFrame(transitionScene->GetFrameCount() - 1);
            transitionScene->Play(false, -1);
        }
        break;
    case kStateUpdate:
        UpdateWorld();
        if (transitionScene != nullptr)
        {
            transitionScene->Update();
            transitionScene->Advance();
        }
        if (transitionScene == nullptr || !transitionScene->playing)
            stateMachine.SetPendingState(&cLevel::StateRunning, 0);
        break;
    case kStateDraw:
        BeginStateDraw();
        if (!contactsLocked)
        {
            DrawScene();
            gfx2D->SetColour(kWhite);
            DrawHud();
            if (transitionScene != nullptr)
            {
                gfx2D->SetColour(kWhite);
                transitionScene->Draw(*gfx2D);
            }
        }
        EndStateDraw();
        break;
    default:
        break;
    }
    return 0;
}

// ---- running ---------------------------------------------------------------------------------

int32_t cLevel::StateRunning(int32_t phase, int32_t arg)
{
    (void)arg;
    switch (phase)
    {
    case kStateUpdate:
        ++timeFrames;
        --score;
        // A restart asked for (results, pause menu) rebuilds the level in this frame's world
        // update; the ended run's countdown must not end it a second time first.
        if (isSurvival && !playerDead && !deathSequence && !restartRequest)
        {
            --survivalCountdown;
            if (survivalCountdown < 0)
            {
                PostSurvivalScoreOn(*this);
                survivalCountdown = 0;
            }
        }
        UpdateWorld();
        break;
    case kStateDraw:
        if (gfx2D == nullptr)
            break;
        BeginStateDraw();
        if (contactsLocked)
        {
            // The level was rebuilt this frame: only a cleared frame.
            if (gRenderer != nullptr)
                gRenderer->Clear(1);
            EndStateDraw();
            break;
        }
        DrawScene();
        gfx2D->SetColour(kWhite);
        DrawHud();
        EndStateDraw();
        if (debugDraw && world != nullptr)
        {
            BeginStateDraw();
            gfx2D->PushTransform();
            gfx2D->Translate(float(ScreenWidth()) * 0.5f, float(ScreenHeight()) * 0.5f);
            gfx2D->Scale(cameraZoom, cameraZoom);
            gfx2D->Rotate(-worldAngle);
            gfx2D->Translate(-cameraPos.x * kMetresToPixels, -cameraPos.y * kMetresToPixels);
            gfx2D->Scale(kMetresToPixels, kMetresToPixels);
            cPhysicsDebugDraw drawer(gfx2D);
            world->SetDebugDraw(&drawer);
            world->DebugDraw();
            world->SetDebugDraw(nullptr);
            gfx2D->PopTransform();
            EndStateDraw();
        }
        break;
    default:
        break;
    }
    return 0;
}

// ---- pause opening ---------------------------------------------------------------------------

int32_t cLevel::StatePauseOpen(int32_t phase, int32_t arg)
{
    (void)arg;
    const MenuHooks& hooks = GetMenuHooks();
    switch (phase)
    {
    case kStateEnter:
        if (pauseScene != nullptr)
            pauseScene->SetFocus(0);
        pauseFade = 0.0f;
        SetToggle(pauseScene, "butScreen", (hooks.getWindowed ? hooks.getWindowed() : 1) == 0);
        SetToggle(pauseScene, "butMusic", (hooks.getMusicVolume ? hooks.getMusicVolume()
                                           : gAudioManager != nullptr ? gAudioManager->GetMusicVolume()
                                                                      : 0.0f) > 0.0f);
        SetToggle(pauseScene, "butSfx", (hooks.getSoundVolume ? hooks.getSoundVolume()
                                         : gAudioManager != nullptr ? gAudioManager->GetSoundVolume()
                                                                    : 0.0f) > 0.0f);
        break;
    case kStateUpdate:
        pauseFade = StepTenth(pauseFade, 1);
        if (pauseFade > 1.0f)
            stateMachine.SetPendingState(&cLevel::StatePauseMenu, 0);
        break;
    case kStateDraw:
        if (gfx2D == nullptr)
            break;
        BeginStateDraw();
        DrawScene();
        gfx2D->SetColour(kWhite);
        DrawHud();
        DrawDimOverlay(pauseFade);
        DrawPausePanel(pauseFade);
        gfx2D->SetColour(kWhite);
        EndStateDraw();
        break;
    default:
        break;
    }
    return 0;
}

// ---- exit dialog -----------------------------------------------------------------------------

int32_t cLevel::StateConfirmExit(int32_t phase, int32_t arg)
{
    (void)arg;
    switch (phase)
    {
    case kStateEnter:
        if (exitScene != nullptr)
            exitScene->SetFocus(0);
        break;
    case kStateUpdate:
    {
        if (exitScene == nullptr)
        {
            // Without a dialog there is nothing to answer: back to the menu.
            stateMachine.SetPendingState(&cLevel::StateExitClose, 0);
            break;
        }
        exitScene->position.Set(float(ScreenWidth()) * 0.5f, float(ScreenHeight()) * 0.5f);
        exitScene->Update();
        ApplyMenuKeys(exitScene);
        cKelpoMsg message;
        while (exitScene->MessageCount() != 0)
        {
            exitScene->PopMessage(message);
            if (message.name == "actYes")
                stateMachine.SetPendingState(&cLevel::StateExitClose, 1);
            else if (message.name == "actNo")
                stateMachine.SetPendingState(&cLevel::StateExitClose, 0);
        }
        exitScene->position.Set(0.0f, 0.0f);
        break;
    }
    case kStateDraw:
        if (gfx2D == nullptr)
            break;
        BeginStateDraw();
        DrawScene();
        gfx2D->SetColour(kWhite);
        DrawHud();
        DrawDimOverlay(1.0f);
        DrawExitPanel(1.0f);
        gfx2D->SetColour(kWhite);
        EndStateDraw();
        break;
    default:
        break;
    }
    return 0;
}

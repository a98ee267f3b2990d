// The level's own states while it plays: the intro that uncovers a fresh build, running,
// the pause opening, the exit dialog's question, the pause requests, and what the states
// share (the draw prologue, the heads-up display, the menu keys).
#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>

#include "KelpoBase/core/Colour.h"
#include "KelpoBase/debug/DbgElement.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/render/Gfx2Dx.h"
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

bool cLevel::BeginMenuDraw(float dim, int32_t hudAlpha)
{
    if (gfx2D == nullptr)
        return false;
    BeginStateDraw();
    DrawScene();
    gfx2D->SetColour(cRGBA(255, 255, 255, uint8_t(std::clamp(hudAlpha, 0, 255))).Word());
    DrawHud();
    gfx2D->SetColour(kWhite);
    DrawDimOverlay(dim);
    return true;
}

void cLevel::EndMenuDraw()
{
    gfx2D->SetColour(kWhite);
    EndStateDraw();
}

void cLevel::StartTransition()
{
    if (transitionScene == nullptr)
        return;
    transitionScene->SetFrame(0);
    transitionScene->Play(false, 1);
}

bool cLevel::StepTransition()
{
    if (transitionScene == nullptr)
        return true;
    transitionScene->Update();
    transitionScene->Advance();
    return !transitionScene->playing;
}

void cLevel::DrawHud()
{
    if (gfx2D == nullptr)
        return;
    // The display lies over the whole level, whatever layers the level's things are drawn
    // on: what is recorded so far is drawn first, so that the display's own layers (its
    // plates under its figures) order only its own parts.
    gfx2D->Flush();
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

bool cLevel::ControlPressed(int32_t code)
{
    return code >= 0 && code < int32_t(KEY_COUNT) && IsKeyPressed(uint32_t(code));
}

float cLevel::StepTenth(float fade, int32_t direction)
{
    const int32_t tenths = int32_t(std::lround(fade * 10.0f)) + direction;
    return float(tenths) / 10.0f;
}

void cLevel::ApplyMenuKeys(cGlaControllerScene* scene)
{
    if (scene == nullptr)
        return;
    if (ControlPressed(KEY_UP) || ControlPressed(kKeyW) || ControlPressed(controls[kControlUp]))
        scene->MoveFocus(-1);
    else if (ControlPressed(KEY_DOWN) || ControlPressed(kKeyS) || ControlPressed(controls[kControlDown]))
        scene->MoveFocus(1);
    else if (ControlPressed(KEY_RETURN) || ControlPressed(KEY_SPACE) || ControlPressed(controls[kControlJump]))
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
        if (StepTransition())
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
    switch (phase)
    {
    case kStateEnter:
        if (pauseScene != nullptr)
            pauseScene->SetFocus(0);
        pauseFade = 0.0f;
        SetPauseToggles();
        break;
    case kStateUpdate:
        pauseFade = StepTenth(pauseFade, 1);
        if (pauseFade > 1.0f)
            stateMachine.SetPendingState(&cLevel::StatePauseMenu, 0);
        break;
    case kStateDraw:
        if (!BeginMenuDraw(pauseFade))
            break;
        DrawPausePanel(pauseFade);
        EndMenuDraw();
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
        if (!BeginMenuDraw(1.0f))
            break;
        DrawExitPanel(1.0f);
        EndMenuDraw();
        break;
    default:
        break;
    }
    return 0;
}

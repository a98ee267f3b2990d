// The in-level menus: the pause menu and its closing, the exit dialog's opening and
// closing, and the results screen after a level end with its badges and buttons.
#include <algorithm>
#include <cstdio>
#include <string>

#include "KelpoBase/core/Colour.h"
#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/core/Random.h"
#include "KelpoBase/core/TextUtil.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElementControllers.h"
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/gla/Particles.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Gfx2Dx.h"
#include "KelpoBase/render/SoundResource.h"
#include "KelpoBase/render/TextureAtlas.h"
#include "game/level/Level.h"
#include "game/objects/ObjectSounds.h"

namespace
{
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr int32_t kFirstPausedVoice = 0;
constexpr int32_t kLastPausedVoice = 22;
// The results panel's frames: texts from 20, buttons from 25, badge bursts at 18, 23, 28.
constexpr int32_t kResultsTextFrame = 20;
constexpr int32_t kResultsButtonsFrame = 25;
constexpr int32_t kStickerFrame = 18;
constexpr int32_t kSugarFrame = 23;
constexpr int32_t kPerfectFrame = 28;
constexpr int kBurstParticles = 6;
// The story index of the credits walk, played as a level after the last story level.
constexpr int32_t kCreditsIndex = 40;
// The results panel's caption of the level number (a sprite the data may have).
constexpr const char* kLevelCaption = "levelLabel";

// The credits walk is not a numbered level: its results would otherwise read "41", a level
// that does not exist. The index has been advanced by the completion.
bool ResultsNameALevel(int32_t mode, int32_t levelIndex) { return !(mode == 0 && levelIndex > kCreditsIndex); }

// The results panel frame of the last update (a burst fires once per frame reached).
int32_t gResultsLastFrame = -1;

uint32_t WhiteWithAlpha(int32_t alpha) { return cRGBA(255, 255, 255, uint8_t(std::clamp(alpha, 0, 255))).Word(); }

void SetToggle(cGlaControllerScene* scene, const char* name, bool on)
{
    if (scene == nullptr)
        return;
    if (cGlaControllerToggleButton* toggle = FindToggleButtonController(scene, name))
        toggle->SetState(on);
}

void SetSpriteVisible(cGlaControllerScene* scene, const char* name, bool visible)
{
    if (scene == nullptr)
        return;
    if (cGlaControllerSprite* sprite = FindSpriteController(scene, name))
        sprite->visible = visible;
}

float MusicVolume()
{
    const cLevel::MenuHooks& hooks = cLevel::GetMenuHooks();
    if (hooks.getMusicVolume)
        return hooks.getMusicVolume();
    return gAudioManager != nullptr ? gAudioManager->GetMusicVolume() : 0.0f;
}

float SoundVolume()
{
    const cLevel::MenuHooks& hooks = cLevel::GetMenuHooks();
    if (hooks.getSoundVolume)
        return hooks.getSoundVolume();
    return gAudioManager != nullptr ? gAudioManager->GetSoundVolume() : 0.0f;
}

void SetMusicVolume(float volume)
{
    const cLevel::MenuHooks& hooks = cLevel::GetMenuHooks();
    if (hooks.setMusicVolume)
        hooks.setMusicVolume(volume);
    else if (gAudioManager != nullptr)
        gAudioManager->SetMusicVolume(volume);
}

void SetSoundVolume(float volume)
{
    const cLevel::MenuHooks& hooks = cLevel::GetMenuHooks();
    if (hooks.setSoundVolume)
        hooks.setSoundVolume(volume);
    else if (gAudioManager != nullptr)
        gAudioManager->SetSoundVolume(volume);
}

int32_t Windowed()
{
    const cLevel::MenuHooks& hooks = cLevel::GetMenuHooks();
    return hooks.getWindowed ? hooks.getWindowed() : 1;
}
} // namespace

// ---- sound while paused ------------------------------------------------------------------------

void cLevel::SilenceForPause()
{
    // Every loop is marked stopped, so that play starts again whatever it still asks for
    // once the menu closes (their voices are stopped below).
    for (AmbientChannel& channel : ambientChannels)
        channel.playing = false;
    for (AmbientLoop& loop : ambient)
        loop.started = false;
    lavaPlaying = false;
    rainStarted = false;
    playerSoundGain = 0.0f; // the player's loop starts again from silence
    if (gAudioManager == nullptr || !gAudioManager->IsEnabled())
        return;
    for (int32_t i = kFirstPausedVoice; i <= kLastPausedVoice; ++i)
    {
        if (AudioVoice* voice = gAudioManager->GetVoice(i))
            voice->Stop();
    }
}

// ---- pause menu --------------------------------------------------------------------------------

void cLevel::SetPauseToggles()
{
    SetToggle(pauseScene, "butScreen", Windowed() == 0);
    SetToggle(pauseScene, "butMusic", MusicVolume() > 0.0f);
    SetToggle(pauseScene, "butSfx", SoundVolume() > 0.0f);
}

int32_t cLevel::StatePauseMenu(int32_t phase, int32_t arg)
{
    (void)arg;
    switch (phase)
    {
    case kStateEnter:
        if (pauseScene != nullptr)
            pauseScene->SetFocus(pauseFocusIndex);
        SilenceForPause();
        SetPauseToggles();
        break;
    case kStateLeave:
        if (pauseScene != nullptr)
            pauseFocusIndex = pauseScene->focusIndex;
        break;
    case kStateUpdate:
    {
        SetToggle(pauseScene, "butScreen", Windowed() == 0);
        if (ControlPressed(KEY_ESCAPE) || ControlPressed(controls[kControlPause]))
            stateMachine.SetPendingState(&cLevel::StatePauseClose, 0);
        if (pauseScene == nullptr)
            break;
        pauseScene->position.Set(float(ScreenWidth()) * 0.5f, float(ScreenHeight()) * 0.5f);
        pauseScene->Update();
        ApplyMenuKeys(pauseScene);
        const MenuHooks& hooks = GetMenuHooks();
        cKelpoMsg message;
        while (pauseScene->MessageCount() != 0)
        {
            pauseScene->PopMessage(message);
            const std::string& name = message.name;
            const bool on = message.intValue != 0;
            if (name == "actMusic")
            {
                if (on)
                {
                    SetMusicVolume(0.8f);
                    if (cLevelHost* host = GetLevelHost())
                        host->PlayMusicTrack(host->LevelMusicTrack(levelIndex));
                }
                else
                {
                    if (IsAudioEnabled())
                        StopMedia();
                    SetMusicVolume(0.0f);
                }
            }
            else if (name == "actSound")
                SetSoundVolume(on ? 1.0f : 0.0f);
            else if (name == "actResume")
                stateMachine.SetPendingState(&cLevel::StatePauseClose, 0);
            else if (name == "actRestart")
            {
                restartRequest = true;
                stateMachine.SetPendingState(&cLevel::StatePauseClose, 0);
            }
            else if (name == "actExit")
                stateMachine.SetPendingState(&cLevel::StateExitOpen, 0);
            else if (name == "actScreen")
            {
                if (hooks.setWindowed)
                    hooks.setWindowed(on ? 0 : 1);
                if (on)
                    GoFullscreen();
                else
                    GoWindowed();
            }
            else if (name == "actFlipScreen")
            {
                const bool flip = GetOrientation() == 0;
                if (hooks.setFlipScreen)
                    hooks.setFlipScreen(flip);
                SetOrientation(flip ? 2 : 0);
            }
        }
        pauseScene->position.Set(0.0f, 0.0f);
        break;
    }
    case kStateDraw:
        if (!BeginMenuDraw(1.0f))
            break;
        DrawPausePanel(1.0f);
        EndMenuDraw();
        break;
    default:
        break;
    }
    return 0;
}

int32_t cLevel::StatePauseClose(int32_t phase, int32_t arg)
{
    (void)arg;
    switch (phase)
    {
    case kStateEnter:
        pauseFade = 1.0f;
        if (restartRequest)
            StartTransition();
        break;
    case kStateUpdate:
        if (restartRequest)
        {
            if (StepTransition())
            {
                pausedByFocus = false;
                stateMachine.SetPendingState(&cLevel::StateRunning, 0);
            }
            break;
        }
        pauseFade = StepTenth(pauseFade, -1);
        if (pauseFade <= 0.0f)
        {
            pauseFade = 0.0f;
            pausedByFocus = false;
            stateMachine.SetPendingState(&cLevel::StateRunning, 0);
        }
        break;
    case kStateDraw:
        if (!BeginMenuDraw(restartRequest ? 1.0f : pauseFade))
            break;
        if (restartRequest)
        {
            DrawPausePanel(1.0f);
            gfx2D->SetColour(kWhite);
            if (transitionScene != nullptr)
                transitionScene->Draw(*gfx2D);
        }
        else
            DrawPausePanelFaded(int32_t(std::clamp(pauseFade, 0.0f, 1.0f) * 255.0f));
        EndMenuDraw();
        break;
    default:
        break;
    }
    return 0;
}

// ---- exit dialog -------------------------------------------------------------------------------

int32_t cLevel::StateExitOpen(int32_t phase, int32_t arg)
{
    (void)arg;
    switch (phase)
    {
    case kStateEnter:
        if (exitScene != nullptr)
            exitScene->SetFocus(0);
        exitOpenFade = 0.0f;
        break;
    case kStateUpdate:
        exitOpenFade = StepTenth(exitOpenFade, 1);
        if (exitOpenFade >= 1.0f)
            stateMachine.SetPendingState(&cLevel::StateConfirmExit, 0);
        break;
    case kStateDraw:
        if (!BeginMenuDraw(1.0f))
            break;
        DrawPausePanelFaded(255 - std::clamp(int32_t(exitOpenFade * 255.0f), 0, 255));
        gfx2D->SetColour(kWhite);
        DrawExitPanel(exitOpenFade);
        EndMenuDraw();
        break;
    default:
        break;
    }
    return 0;
}

int32_t cLevel::StateExitClose(int32_t phase, int32_t arg)
{
    switch (phase)
    {
    case kStateEnter:
        exitCloseFade = 1.0f;
        exitCloseMode = arg;
        leaveRequested = false;
        if (exitCloseMode > 0)
            StartTransition();
        break;
    case kStateUpdate:
        if (exitCloseMode > 0)
        {
            if (StepTransition() && !leaveRequested)
            {
                leaveRequested = true;
                const MenuHooks& hooks = GetMenuHooks();
                if (hooks.leaveToFrontend)
                    hooks.leaveToFrontend(1);
            }
            break;
        }
        exitCloseFade = StepTenth(exitCloseFade, -1);
        if (exitCloseFade <= 0.0f)
        {
            exitCloseFade = 0.0f;
            stateMachine.SetPendingState(&cLevel::StatePauseMenu, 0);
        }
        break;
    case kStateDraw:
        if (!BeginMenuDraw(1.0f))
            break;
        if (exitCloseMode == 1)
        {
            DrawExitPanel(1.0f);
            gfx2D->SetColour(kWhite);
        }
        else if (exitCloseMode == 2)
        {
            DrawResultsPanel(kResultsButtonsFrame, 255);
            gfx2D->SetColour(kWhite);
        }
        else
        {
            DrawPausePanelFaded(255 - std::clamp(int32_t(exitCloseFade * 255.0f), 0, 255));
            gfx2D->SetColour(kWhite);
            DrawExitPanel(exitCloseFade);
            gfx2D->SetColour(kWhite);
        }
        if (exitCloseMode > 0 && transitionScene != nullptr)
            transitionScene->Draw(*gfx2D);
        EndStateDraw();
        break;
    default:
        break;
    }
    return 0;
}

// ---- results -----------------------------------------------------------------------------------

void cLevel::SetResultsBadges()
{
    cGlaControllerScene* panel = resultsScene;
    const bool sugar = AllSugar();
    const bool perfect = PerfectRun();
    SetSpriteVisible(panel, "sugar", sugar);
    SetSpriteVisible(panel, "sugarF", !sugar);
    SetSpriteVisible(panel, "sticker", stickerFound);
    SetSpriteVisible(panel, "stickerF", !stickerFound);
    SetSpriteVisible(panel, "perfect", perfect);
    SetSpriteVisible(panel, "perfectF", !perfect);
    SetSpriteVisible(panel, kLevelCaption, ResultsNameALevel(mode, levelIndex));
    SetSpriteVisible(panel, "survival", newSurvivalUnlocked);
    SetSpriteVisible(panel, "bonus", newBonusUnlocked);
}

void cLevel::BadgeBurst(const char* spriteName, size_t icon, bool soundEachParticle)
{
    const ImageRect* image = icon < badgeIcons.size() ? badgeIcons[icon] : nullptr;
    cVec2f origin(float(ScreenWidth()) * 0.5f, float(ScreenHeight()) * 0.5f);
    if (resultsScene != nullptr)
    {
        if (const cGlaControllerElement* sprite = resultsScene->FindController(spriteName))
            origin += sprite->position;
    }
    // The sound takes its voice over even while the voice still plays (the sticker's six
    // sounds outnumber the four voices); a null pick or a locked voice plays nothing. The
    // voice index moves on all the same.
    auto playSound = [this]() {
        const int voice = TakeWorldVoice(*this);
        if (!badgeSounds.empty())
        {
            cSound* sound = badgeSounds[size_t(RandomStep()) % badgeSounds.size()];
            if (sound != nullptr && gAudioManager != nullptr)
                gAudioManager->PlayOnVoice(0, voice, sound, 1.0f, 1.0f);
        }
    };
    if (!soundEachParticle)
        playSound();
    for (int i = 0; i < kBurstParticles; ++i)
    {
        if (soundEachParticle)
            playSound();
        cParticle* p = AllocParticle(particlePoolB);
        if (p == nullptr)
            break; // the pool is full
        p->image = image;
        p->position = origin;
        cVec2f velocity(RandomFloatRange(2.0f, 16.0f), 0.0f);
        velocity.Rotate(RandomFloatRange(0.0f, kTwoPi));
        p->velocity = velocity;
        p->damping = 0.9f;
        p->sizeStart = 0.5f;
        p->sizeEnd = 0.5f;
        p->size = 0.5f;
        p->delay = 3 + RandomIntRange(0, 10);
        p->lifeRate = 1.0f / 30.0f;
        p->spin = RandomFloatRange(-0.1f, 0.1f);
        p->colourStart = kWhite;
        p->colourEnd = cRGBA(255, 255, 255, 0).Word();
        PrepareParticle(*p, kParticleSizeIsScale);
    }
}

void cLevel::DrawResultsPanel(int32_t textsFromFrame, int32_t buttonsAlpha)
{
    if (gfx2D == nullptr)
        return;
    cGfx2D* g = gfx2D;
    const float cx = float(ScreenWidth()) * 0.5f;
    const float cy = float(ScreenHeight()) * 0.5f;
    if (cGlaControllerScene* panel = resultsScene)
    {
        g->SetColour(kWhite);
        g->PushTransform();
        g->Translate(cx, cy);
        panel->Draw(*g);
        if (panel->frame >= textsFromFrame)
        {
            const cGlaControllerElement* time = panel->FindController("time");
            const cGlaControllerElement* level = panel->FindController("level");
            if (isSurvival)
            {
                const ImageRect* const* digits = DigitRects();
                if (time != nullptr && digits != nullptr)
                {
                    g->PushTransform();
                    g->DrawNumber(uint32_t(std::max(sugarCollected, 0)), digits, time->position.x,
                                  time->position.y, kAlignLeft, ScreenWidth() < 960 ? -5.0f : -10.0f);
                    g->PopTransform();
                }
            }
            else
            {
                if (ResultsNameALevel(mode, levelIndex) && level != nullptr && levelFont != nullptr)
                {
                    char text[16];
                    std::snprintf(text, sizeof text, "%d", levelIndex);
                    g->PushTransform();
                    g->Translate(level->position.x, level->position.y);
                    g->Rotate(-0.08726647f);
                    g->SetColour(cRGBA(170, 230, 230, 255).Word());
                    g->SetFont(levelFont);
                    g->DrawText(0, text);
                    g->PopTransform();
                }
                if (PerfectRun() && time != nullptr && perfectFont != nullptr)
                {
                    std::string text;
                    FormatMilliseconds(text, 14, float(perfectTime) / 30.0f);
                    g->PushTransform();
                    g->Translate(time->position.x, time->position.y);
                    g->Rotate(-0.15707964f);
                    g->SetColour(kWhite);
                    g->SetFont(perfectFont);
                    g->DrawText(0, text.c_str());
                    g->PopTransform();
                }
            }
        }
        g->PopTransform();
    }
    if (buttonsAlpha > 0 && resultsButtonsScene != nullptr)
    {
        g->SetColour(WhiteWithAlpha(buttonsAlpha));
        resultsButtonsScene->Draw(*g);
    }
    g->SetColour(kWhite);
}

int32_t cLevel::StateResults(int32_t phase, int32_t arg)
{
    (void)arg;
    switch (phase)
    {
    case kStateEnter:
    {
        int32_t focus = 2;
        if (isSurvival)
            focus = 0;
        else if ((mode == 0 && levelIndex >= 40) || (mode == 1 && levelIndex >= 10) || isChallenge)
            focus = 1;
        if (resultsButtonsScene != nullptr)
            resultsButtonsScene->SetFocus(focus);
        if (resultsScene != nullptr)
        {
            resultsScene->Rewind();
            resultsScene->SetFrame(0);
        }
        resultsDim = 0;
        resultsButtonsAlpha = 0;
        gResultsLastFrame = -1;
        if (isSurvival)
            resultsTimer = 1;
        else
            SetResultsBadges();
        break;
    }
    case kStateUpdate:
    {
        resultsDim = std::min(resultsDim + 5, 255);
        if (!isSurvival)
            UpdateWorld();
        if (resultsScene != nullptr)
        {
            resultsScene->Update();
            resultsScene->Advance();
        }
        --resultsTimer;
        const int32_t panelFrame = resultsScene != nullptr ? resultsScene->frame : kResultsButtonsFrame;
        if (resultsTimer == 0)
        {
            if (resultsScene != nullptr)
            {
                resultsScene->Rewind();
                resultsScene->SetFrame(0);
                resultsScene->Play(false, 1);
            }
        }
        else if (resultsTimer < 0 && panelFrame >= kResultsButtonsFrame)
        {
            resultsButtonsAlpha = std::min(resultsButtonsAlpha + 25, 255);
            if (resultsButtonsScene != nullptr)
            {
                resultsButtonsScene->Update();
                ApplyMenuKeys(resultsButtonsScene);
                cKelpoMsg message;
                while (resultsButtonsScene->MessageCount() != 0)
                {
                    resultsButtonsScene->PopMessage(message);
                    if (message.name == "actMenu")
                        stateMachine.SetPendingState(&cLevel::StateExitClose, 2);
                    else if (message.name == "actNext")
                        stateMachine.SetPendingState(&cLevel::StateNextLevel, 0);
                    else if (message.name == "actRestart")
                    {
                        if (!isSurvival)
                            --levelIndex; // the completion had moved it on
                        restartRequest = true;
                        stateMachine.SetPendingState(&cLevel::StateRunning, 0);
                    }
                }
            }
        }
        if (resultsTimer <= 0 && !isSurvival && resultsScene != nullptr)
        {
            const int32_t frame = resultsScene->frame;
            if (frame != gResultsLastFrame)
            {
                if (frame == kStickerFrame && stickerFound)
                    BadgeBurst("sticker", 0, true);
                if (frame == kSugarFrame && AllSugar())
                    BadgeBurst("sugar", 1, false);
                if (frame == kPerfectFrame && PerfectRun())
                    BadgeBurst("perfect", 2, false);
            }
            gResultsLastFrame = frame;
        }
        break;
    }
    case kStateDraw:
    {
        // The heads-up display fades out as the screen dims.
        if (!BeginMenuDraw(float(resultsDim) / 255.0f, 255 - resultsDim))
            break;
        if (resultsTimer < 0)
        {
            if (!isSurvival)
                SetResultsBadges();
            DrawResultsPanel(kResultsTextFrame, 0);
        }
        if (resultsButtonsAlpha > 0 && resultsButtonsScene != nullptr)
        {
            gfx2D->SetColour(WhiteWithAlpha(resultsButtonsAlpha));
            resultsButtonsScene->Draw(*gfx2D);
            gfx2D->SetColour(kWhite);
        }
        const cVec2f half(float(ScreenWidth()) * 0.5f, float(ScreenHeight()) * 0.5f);
        DrawParticlePoolCulled(particlePoolB, *gfx2D, cOBox2f::FromCentreAngle(half, half, 0.0f));
        EndMenuDraw();
        break;
    }
    default:
        break;
    }
    return 0;
}

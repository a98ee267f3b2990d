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
constexpr int32_t kCreditsLevel = 40;

using Self = cFrontendTouch;

struct PartImageFiles
{
    const char* folder;
    const char* stem;
};
const PartImageFiles kPartImageFiles[cFrontendTouch::kPartImageSets] = {
    {"res/frontend/customise/hair/", "hair"},      {"res/frontend/customise/jumpers/", "jumper"},
    {"res/frontend/customise/cups/", "cup"},       {"res/frontend/customise/bases/", "base"},
    {"res/frontend/customise/handles/", "handle"}, {"res/frontend/customise/trail/", "trail"},
};

// The save data's look slot of each customisation page, and the image set its items show.
const int kPageLook[cFrontendTouch::kCustomisePageCount] = {cSaveData::kLookHair, cSaveData::kLookBody,
                                                             cSaveData::kLookCup, cSaveData::kLookBase,
                                                             cSaveData::kLookTrail};
enum
{
    kHairImages = 0,
    kBodyImages = 1,
    kCupImages = 2,
    kBaseImages = 3,
    kHandleImages = 4,
    kTrailImages = 5
};
const int kPageImages[cFrontendTouch::kCustomisePageCount] = {kHairImages, kBodyImages, kCupImages, kBaseImages,
                                                               kTrailImages};

ImageRect* LoadImage(std::string path)
{
    NormalisePath(path);
    return LoadAtlasImage(path);
}

std::string TwoDigits(int n)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%02d", n);
    return text;
}

cGlaControllerScene* MakeScreen(cGlaSet* set, const std::string& name)
{
    cGlaScene* scene = set != nullptr ? FindObjectByName(set, name) : nullptr;
    auto* controller = new cGlaControllerScene(scene);
    controller->position =
        cVec2f(static_cast<float>(GetScreenWidth()) * 0.5f, static_cast<float>(GetScreenHeight()) * 0.5f);
    return controller;
}

cVec2f ScreenCentre()
{
    return cVec2f(static_cast<float>(GetScreenWidth()) * 0.5f, static_cast<float>(GetScreenHeight()) * 0.5f);
}

// Pointer 0 pressed this frame (down now, up in the previous frame).
bool PointerTapped() { return IsKeyPressed(KEY_POINTER_1); }

void DefaultLevelHandOff(int32_t levelNumber)
{
    if (gMainGame == nullptr)
        return;
    if (levelNumber == 0)
        gMainGame->SetStateComic(0);
    else
        gMainGame->SetStateLevel(levelNumber);
}

void DefaultPlayMusicTrack(int32_t track)
{
    if (gMainGame != nullptr)
        gMainGame->PlayMusicTrack(track);
}

void SetToggle(cGlaControllerScene* scene, const std::string& name, bool on)
{
    if (scene == nullptr)
        return;
    if (cGlaControllerToggleButton* toggle = FindToggleButtonController(scene, name))
        toggle->SetState(on);
}

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
bool FadeOut(cFrontendTouch::ScreenFade& s, StateMachine<cFrontendTouch>& screens)
{
    if (!s.leaving)
        return false;
    s.alpha -= cFrontendTouch::kScreenFadeStep;
    if (s.alpha < 1)
        screens.PopState();
    return true;
}

// --- level-select marks ---

std::string SlotName(int32_t slot) { return "GameObj00" + std::to_string(slot); }

cGlaControllerButton* SlotButton(cGlaControllerScene* scene, int32_t slot)
{
    return scene != nullptr ? FindButtonController(scene, SlotName(slot)) : nullptr;
}

const cGlaScene* LookScene(const cGlaControllerButton* button)
{
    if (button == nullptr || button->normalScene == nullptr)
        return nullptr;
    return button->normalScene->scene;
}

bool MarkerOffset(const cGlaScene* look, const char* name, cVec2f& out)
{
    if (look == nullptr)
        return false;
    const cGlaElementPos* marker = ClassCast<cGlaElementPos>(look->FindElement(name));
    if (marker == nullptr)
        return false;
    out = marker->position.GetValue(0);
    return true;
}

void DrawIconAt(cGfx2D& gfx, const ImageRect* icon, const cGlaScene* look, const char* marker, const cVec2f& slot)
{
    cVec2f offset;
    if (icon != nullptr && MarkerOffset(look, marker, offset))
        DrawFrameAt(gfx, icon, slot.x + offset.x, slot.y + offset.y, 0);
}

// --- customisation ---

int32_t ClampLook(int32_t value) { return std::clamp(value, 0, cFrontendTouch::kPartItemCount - 1); }

void SetSpriteImage(cGlaScene* scene, const char* name, ImageRect* image)
{
    if (scene == nullptr)
        return;
    auto* sprite = ClassCast<cGlaElementSprite>(scene->FindSpriteElement(name));
    if (sprite == nullptr)
        return;
    for (auto& key : sprite->frames.keys)
        key.value = image;
}

void SetSceneTrack(cGlaScene* scene, const char* name, cGlaScene* shown)
{
    if (scene == nullptr)
        return;
    auto* element = ClassCast<cGlaElementScene>(scene->FindElement(name));
    if (element == nullptr)
        return;
    for (auto& key : element->scenes.keys)
        key.value = shown;
}

cGlaControllerScene* NestedScene(const cGlaControllerScene* scene, const char* name)
{
    cGlaControllerSceneElement* element = scene != nullptr ? FindSceneElementController(scene, name) : nullptr;
    return element != nullptr ? element->GetNestedScene() : nullptr;
}

std::string ItemName(int32_t item) { return "but" + std::to_string(item); }
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
    particles.Clear();
    if (entry == 1)
        screens.SetPendingState(&Self::StateMainMenu, 1);
    else if (entry == 2)
        screens.SetPendingState(&Self::StateEnd, 0);
    else
        screens.SetPendingState(&Self::StateTitle, 0);

    gfx3D = new cGfx3D(gRenderer);
    gfx2D = new cGfx2D(gRenderer);

    if (gMainGame != nullptr)
    {
        saveData = &gMainGame->saveData;
        systemFont = gMainGame->systemFont;
        buttonSound = gMainGame->buttonSound;
    }
    levelHandOff = &DefaultLevelHandOff;
    playMusicTrack = &DefaultPlayMusicTrack;
}

cFrontendTouch::~cFrontendTouch()
{
    delete gfx3D;
    gfx3D = nullptr;
    delete gfx2D;
    gfx2D = nullptr;
    FreeAllParticles(particles);
    delete debugPage;
    debugPage = nullptr;
    // The controllers go before the group: their scenes belong to the group's scene set.
    DeleteControllers();
    if (group != nullptr)
    {
        group->ReleaseTextures();
        delete group;
        group = nullptr;
    }
    sceneSet = nullptr;
    particles.Clear();
    screens.FreeStack();
    delete ownSave;
}

void cFrontendTouch::DeleteControllers()
{
    for (auto& c : partScenes)
    {
        delete c;
        c = nullptr;
    }
    DeleteScreens();
}

void cFrontendTouch::DeleteScreens()
{
    auto drop = [](cGlaControllerScene*& c) {
        delete c;
        c = nullptr;
    };
    for (auto& c : scrCustomisePages)
        drop(c);
    for (auto& c : scrLevelScreen)
        drop(c);
    for (cGlaControllerScene** c :
         {&scrCustomise, &scrMainMenu, &scrChapter, &scrMainMenuButtons, &scrOptions, &scrCreditsBack, &scrHelp_000,
          &scrCredits, &scrBackground, &scrSplash, &scrLevelSelect, &scrLevelDots, &scrLevelScreenS, &scrLevelScreenC,
          &scrLevelSelect_S, &scrLevelSelect_C, &scrLevelStats, &scrEnd})
        drop(*c);
}

cSaveData& cFrontendTouch::Save() const
{
    if (saveData != nullptr)
        return *saveData;
    if (ownSave == nullptr)
        ownSave = new cSaveData();
    return *ownSave;
}

// --- loading ---------------------------------------------------------------------------------

void cFrontendTouch::LoadScene()
{
    group = FindResourceGroup("Frontend");
    if (group == nullptr)
        group = new cResourceGroup("Frontend");
    SetCurrentResourceGroup(group);

    layout = LayoutForWidth(GetScreenWidth());
    sceneSet = ClassCast<cGlaSet>(LoadGlaSetResource(SceneFileForLayout(layout), ""));

    const char* const iconFolder = layout == kLayoutSmall ? "res/frontend/480_320/LevelSelect/Small_Icons/"
                                                          : "res/frontend/1024_768/LevelSelect/Small_Icons/";
    iconSugar = LoadImage(std::string(iconFolder) + "Cube.png");
    iconSticker = LoadImage(std::string(iconFolder) + "Sticker.png");
    iconStar = LoadImage(std::string(iconFolder) + "Star.png");
    iconTick = LoadImage(std::string(iconFolder) + "Tick.png");
    if (layout == kLayout1024)
        flashImage = LoadImage("res/fx/Flash.png");
    for (int d = 0; d < kDigitCount; ++d)
        smallDigits[d] = LoadImage("res/frontend/1024_768/LevelSelect/SmallNumbers/No_" + std::to_string(d) + ".png");
    // The small layout has no large digits; its statistics use the small ones.
    if (layout != kLayoutSmall)
        for (int d = 0; d < kDigitCount; ++d)
            hudDigits[d] = LoadImage("res/frontend/1024_768/Hud_Numbers/No_" + std::to_string(d) + ".png");
    heartImages.push_back(LoadImage("res/frontend/1024_768/LoveHeart.png"));
    if (layout != kLayout1024)
        flashImage = LoadImage("res/fx/Flash.png");
    for (int i = 1; i <= 4; ++i)
        confettiImages.push_back(LoadImage("res/fx/Con_" + std::to_string(i) + ".png"));
    flowerImages.push_back(LoadImage("res/frontend/1024_768/Flower.png"));

    for (int i = 0; i < kPartItemCount; ++i)
    {
        const std::string name = "Hair_0" + TwoDigits(i);
        cGlaScene* scene = sceneSet != nullptr ? FindObjectByName(sceneSet, name) : nullptr;
        delete partScenes[i];
        partScenes[i] = new cGlaControllerScene(scene);
    }

    for (int set = 0; set < kPartImageSets; ++set)
    {
        const PartImageFiles& files = kPartImageFiles[set];
        partImages[set][0] = LoadImage(std::string(files.folder) + files.stem + "_orig.png");
        for (int i = 1; i < kPartItemCount; ++i)
            partImages[set][i] = LoadImage(std::string(files.folder) + files.stem + "_" + TwoDigits(i) + ".png");
    }

    FinishResourceGroup();
    group->UploadTextures(false);

    // No page is added to the debug menu.
    debugPage = nullptr;
}

void cFrontendTouch::LoadScreens()
{
    // A second call replaces the screen controllers instead of leaking them.
    DeleteScreens();
    particles.Create(cParticlePool::kDefaultCapacity);
    mode = 0;

    scrCustomise = MakeScreen(sceneSet, "scrCustomise");
    const char* const pageNames[kCustomisePageCount] = {"scrCustomiseHair", "scrCustomiseBody", "scrCustomiseCup",
                                                        "scrCustomiseBase", "scrCustomiseTrail"};
    for (int p = 0; p < kCustomisePageCount; ++p)
        scrCustomisePages[p] = MakeScreen(sceneSet, pageNames[p]);
    scrMainMenu = MakeScreen(sceneSet, "scrMainMenu");
    scrChapter = MakeScreen(sceneSet, "scrChapter");
    scrMainMenuButtons = MakeScreen(sceneSet, "scrMainMenuButtons");
    scrOptions = MakeScreen(sceneSet, "scrOptions");
    scrCreditsBack = MakeScreen(sceneSet, "scrCreditsBack");
    scrHelp_000 = MakeScreen(sceneSet, "scrHelp_000");
    scrCredits = MakeScreen(sceneSet, "scrCredits");
    scrBackground = MakeScreen(sceneSet, "scrBackground");
    scrSplash = MakeScreen(sceneSet, "scrSplash");
    for (int p = 0; p < kLevelPageCount; ++p)
        scrLevelScreen[p] = MakeScreen(sceneSet, "scrLevelScreen_00" + std::to_string(p));
    scrLevelSelect = MakeScreen(sceneSet, "scrLevelSelect");
    scrLevelDots = MakeScreen(sceneSet, "scrLevelDots");
    scrLevelScreenS = MakeScreen(sceneSet, "scrLevelScreen_S_000");
    scrLevelScreenC = MakeScreen(sceneSet, "scrLevelScreen_S_000");
    scrLevelSelect_S = MakeScreen(sceneSet, "scrLevelSelect_S");
    scrLevelSelect_C = MakeScreen(sceneSet, "scrLevelSelect_C");
    scrLevelStats = MakeScreen(sceneSet, "scrLevelStats");
    scrEnd = MakeScreen(sceneSet, "scrEnd");
}

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
    gfx2D->SaveRendererState();
    gfx2D->Begin();
    gfx2D->SetColour(kOpaqueWhite);
    screens.Draw();
    DrawParticlePool(particles, *gfx2D);
    gfx2D->Flush();
    gfx2D->RestoreRendererState();
}

void cFrontendTouch::DrawBackground() { DrawScene(scrBackground, *gfx2D); }

void cFrontendTouch::DrawMainMenuScene() { DrawScene(scrMainMenu, *gfx2D); }

void cFrontendTouch::PlayButtonSound()
{
    if (gAudioManager == nullptr || !IsAudioEnabled() || buttonSound == nullptr)
        return;
    if (gAudioManager->GetVoice(0) == nullptr || !gAudioManager->IsVoiceFree(0))
        return;
    gAudioManager->PlayOnVoice(0, 0, buttonSound, 1.0f, 1.0f);
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
    pageCount = mode == 1 ? 1 : kLevelPageCount;
    levelsPerPage = kLevelsPerPage;
    page = 3;
    bool lockedSeen = false;
    const cSaveData& save = Save();
    for (int32_t p = 0; p < pageCount; ++p)
    {
        for (int32_t i = 0; i < kLevelsPerPage; ++i)
        {
            cGlaControllerButton* button = SlotButton(scrLevelScreen[p], i);
            if (button == nullptr)
                continue;
            button->SetEnabled(true);
            // The screen plays the click itself.
            button->ClearSounds();
            const int32_t n = mode * 50 + levelsPerPage * p + i;
            const bool open = n == 0 || n == 50 || save.progress[n - 1].completed;
            button->SetShown(open);
            // The page of the first locked level is the one that opens.
            if (!open && !lockedSeen)
            {
                lockedSeen = true;
                page = p;
            }
        }
    }
    if (!lockedSeen)
        page = 0;
    page = std::clamp(page, 0, pageCount - 1);
}

int32_t cFrontendTouch::ShownPage() const { return std::clamp(page, 0, kLevelPageCount - 1); }

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

void cFrontendTouch::SlidePage()
{
    const float w = static_cast<float>(GetScreenWidth());
    const float step = w * 0.1f;
    if (targetPage == page)
    {
        if (slideOffset > 0.0f)
            slideOffset = std::max(0.0f, slideOffset - step);
        else if (slideOffset < 0.0f)
            slideOffset = std::min(0.0f, slideOffset + step);
        return;
    }
    // A turn chosen with the page at rest (a flick back to the start) still slides.
    if (slideOffset == 0.0f)
        slideOffset = targetPage < page ? 1.0f : -1.0f;
    if (slideOffset > 0.0f)
    {
        slideOffset += step;
        if (slideOffset >= w)
        {
            slideOffset = 0.0f;
            page = targetPage;
        }
    }
    else
    {
        slideOffset -= step;
        if (slideOffset <= -w)
        {
            slideOffset = 0.0f;
            page = targetPage;
        }
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

void cFrontendTouch::DrawLevelSelectLayout()
{
    cGfx2D& gfx = *gfx2D;
    DrawScene(scrLevelSelect, gfx);
    if (mode == 0)
        DrawScene(scrLevelDots, gfx);
    gfx.SetColour(kOpaqueWhite);

    const float w = static_cast<float>(GetScreenWidth());
    const int32_t shown = ShownPage();
    auto drawPage = [&](int32_t p) {
        DrawScene(scrLevelScreen[p], gfx);
        for (int32_t i = 0; i < levelsPerPage; ++i)
            DrawLevelButtonMarks(p, i);
    };
    gfx.PushTransform();
    gfx.Translate(slideOffset, 0.0f);
    drawPage(shown);
    if (shown > 0)
    {
        gfx.PushTransform();
        gfx.Translate(-w, 0.0f);
        drawPage(shown - 1);
        gfx.PopTransform();
    }
    if (shown < pageCount - 1)
    {
        gfx.PushTransform();
        gfx.Translate(w, 0.0f);
        drawPage(shown + 1);
        gfx.PopTransform();
    }
    gfx.PopTransform();
}

void cFrontendTouch::DrawLevelButtonMarks(int32_t pageIndex, int32_t slot)
{
    if (pageIndex < 0 || pageIndex >= kLevelPageCount || slot < 0 || slot >= kLevelsPerPage)
        return;
    const int32_t record = challenge ? 250 + slot : mode * 50 + 10 * pageIndex + slot;
    if (record < 0 || record >= cSaveData::kLevelCount)
        return;
    const cGlaScene* look = LookScene(SlotButton(scrLevelScreen[0], 0));
    const cGlaControllerButton* placed = SlotButton(scrLevelScreen[pageIndex], slot);
    if (placed == nullptr)
        return;
    const cGlaControllerButton* shownBy = challenge ? SlotButton(scrLevelScreenS, slot) : placed;
    if (shownBy == nullptr || !shownBy->IsShown())
        return;
    const cVec2f at = ScreenCentre() + placed->position;
    const LevelProgress& progress = Save().progress[record];
    cGfx2D& gfx = *gfx2D;
    if (progress.completed)
        DrawIconAt(gfx, iconTick, look, "Done", at);
    if (progress.allSugar)
        DrawIconAt(gfx, iconSugar, look, "Sugar", at);
    if (progress.sticker)
        DrawIconAt(gfx, iconSticker, look, "Sticker", at);
    if (progress.perfect)
    {
        cVec2f offset;
        if (systemFont != nullptr && MarkerOffset(look, "Score", offset))
        {
            std::string text;
            FormatMilliseconds(text, 14, static_cast<float>(static_cast<uint32_t>(progress.bestPerfectTime)) / 30.0f);
            gfx.SetFont(systemFont);
            gfx.SetColour(TextColour(255));
            // Narrow screens centre the time on its marker.
            const uint8_t align = GetScreenWidth() >= 960 ? 1 : 0;
            DrawTextAt(gfx, at.x + offset.x, at.y + offset.y, align, text.c_str());
            gfx.SetColour(kOpaqueWhite);
        }
        DrawIconAt(gfx, iconStar, look, "Perfect", at);
    }
}

// --- survival and challenge ----------------------------------------------------------------------

void cFrontendTouch::SetupChallengeButtons()
{
    const cSaveData& save = Save();
    const int32_t unlockRecords[kChallengeSlots] = {-1, 9, 19, 29, 38};
    for (int32_t i = 0; i < kChallengeSlots; ++i)
    {
        cGlaControllerButton* button = SlotButton(scrLevelScreenS, i);
        if (button == nullptr)
            continue;
        const bool open = challenge || i == 0 || save.progress[unlockRecords[i]].completed;
        button->SetShown(open);
    }
}

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

void cFrontendTouch::DrawChallengeLayout(int32_t alpha)
{
    cGfx2D& gfx = *gfx2D;
    const uint32_t saved = gfx.GetColour();
    DrawScene(challenge ? scrLevelSelect_C : scrLevelSelect_S, gfx);
    gfx.PushTransform();
    DrawScene(scrLevelScreenS, gfx);
    for (int32_t slot = 0; slot < kChallengeSlots; ++slot)
    {
        if (challenge)
            DrawLevelButtonMarks(ShownPage(), slot);
        else
            DrawSurvivalButtonMarks(ShownPage(), slot);
    }
    if (systemFont != nullptr)
    {
        const float w = static_cast<float>(GetScreenWidth());
        const float h = static_cast<float>(GetScreenHeight());
        cTextLayout text(systemFont, static_cast<int32_t>(w * 0.7f),
                         challenge ? "Classic levels with an added challenge and no checkpoints."
                                   : "Collect as much sugar as possible to gain a high score.");
        gfx.SetColour(TextColour(alpha));
        DrawTextLayoutAt(gfx, w * 0.5f, challenge ? h * 0.55f : h * 0.5f, 0, &text);
    }
    gfx.SetColour(saved);
    gfx.PopTransform();
}

void cFrontendTouch::DrawSurvivalButtonMarks(int32_t pageIndex, int32_t slot)
{
    if (slot < 0 || slot >= kChallengeSlots)
        return;
    const int32_t record = (challenge ? 250 : 200) + 10 * pageIndex + slot;
    if (record < 0 || record >= cSaveData::kLevelCount)
        return;
    const cGlaScene* look = LookScene(SlotButton(scrLevelScreenS, 0));
    const cGlaControllerButton* button = SlotButton(scrLevelScreenS, slot);
    if (button == nullptr || !button->IsShown())
        return;
    const cVec2f at = ScreenCentre() + button->position;
    cGfx2D& gfx = *gfx2D;
    DrawIconAt(gfx, iconSugar, look, "Sugar", at);
    cVec2f offset;
    if (!MarkerOffset(look, "Score", offset))
        return;
    const int32_t score = std::max(Save().progress[record].bestScore, 0);
    if (GetScreenWidth() < 960)
    {
        if (systemFont == nullptr)
            return;
        gfx.SetFont(systemFont);
        gfx.SetColour(TextColour(255));
        DrawTextAt(gfx, at.x + offset.x, at.y + offset.y, 1, std::to_string(score).c_str());
        gfx.SetColour(kOpaqueWhite);
    }
    else
        gfx.DrawNumber(static_cast<uint32_t>(score), smallDigits, at.x + offset.x, at.y + offset.y, 1, -6.0f);
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

const ImageRect* const* cFrontendTouch::StatsDigits() const
{
    for (const ImageRect* digit : hudDigits)
        if (digit == nullptr)
            return smallDigits;
    return hudDigits;
}

void cFrontendTouch::DrawLevelStats()
{
    cGfx2D& gfx = *gfx2D;
    DrawScene(scrLevelStats, gfx);
    if (scrLevelStats == nullptr)
        return;
    const cSaveData& save = Save();
    const int32_t sugarLevels = CountSugarLevels(mode, save);
    const int32_t stickers = CountStickers(mode, save);
    const int32_t perfectLevels = CountPerfectLevels(mode, save);
    const int32_t total = mode == 1 ? 10 : 40;
    std::string perfectTime;
    FormatMilliseconds(perfectTime, 15, static_cast<float>(static_cast<uint32_t>(SumPerfectTimes(mode, save))) / 30.0f);

    const int32_t alpha = static_cast<int32_t>(gfx.GetColour() >> 24);
    const float w = static_cast<float>(GetScreenWidth());
    const cVec2f centre = ScreenCentre();
    const ImageRect* const* digits = StatsDigits();

    auto place = [&](const char* name, cVec2f& at) {
        const cGlaControllerElement* e = scrLevelStats->FindController(name);
        if (e == nullptr)
            return false;
        at = centre + e->position;
        return true;
    };
    auto number = [&](const char* name, int32_t value, uint8_t flags) {
        cVec2f at;
        if (place(name, at))
            gfx.DrawNumber(static_cast<uint32_t>(std::max(value, 0)), digits, at.x, at.y, flags, -10.0f);
    };
    auto text = [&](const char* name, const char* words) {
        cVec2f at;
        if (systemFont == nullptr || !place(name, at))
            return;
        cTextLayout block(systemFont, static_cast<int32_t>(w * 0.4f), words);
        const uint32_t saved = gfx.GetColour();
        gfx.SetColour(TextColour(alpha));
        DrawTextLayoutAt(gfx, at.x, at.y, 1, &block);
        gfx.SetColour(saved);
    };

    number("sugerCurrent", sugarLevels, kAlignRight);
    number("sugerTotal", total, kAlignLeft);
    text("sugerText", "Collect all the sugar in a single level to earn one of these stickers.");
    number("stickerCurrent", stickers, kAlignRight);
    number("stickerTotal", total, kAlignLeft);
    text("stickerText", "There is a hidden sticker in every level, find it to earn one of these stickers.");
    number("perfectCurrent", perfectLevels, kAlignRight);
    number("perfectTotal", total, kAlignLeft);
    text("perfectText", "To gain a \x93perfect\x94 sticker, complete the level without bursting into confetti, "
                        "collecting all items.  Times will be recorded for perfect levels.");
    cVec2f at;
    if (systemFont != nullptr && place("perfectTime", at))
    {
        const uint32_t saved = gfx.GetColour();
        gfx.SetFont(systemFont);
        gfx.SetColour(TextColour(alpha));
        DrawTextAt(gfx, at.x, at.y, 0, perfectTime.c_str());
        gfx.SetColour(saved);
    }
}

// --- customisation ---------------------------------------------------------------------------------

int32_t cFrontendTouch::GetPageLookValue(int32_t customPage) const
{
    if (customPage < 0 || customPage >= kCustomisePageCount)
        return 0;
    return ClampLook(Save().look[kPageLook[customPage]]);
}

void cFrontendTouch::ShowCustomisePage(int32_t customPage)
{
    if (customPage < 0 || customPage >= kCustomisePageCount)
        return;
    cGlaControllerScene* pageScene = scrCustomisePages[customPage];
    if (pageScene == nullptr)
        return;
    const int32_t value = GetPageLookValue(customPage);
    const cSaveData& save = Save();
    for (int32_t item = 0; item < kPartItemCount; ++item)
    {
        cGlaControllerToggleButton* toggle = FindToggleButtonController(pageScene, ItemName(item));
        if (toggle == nullptr)
            continue;
        const bool unlocked =
            item == 0 || save.progress[cFrontend::StickerRecordForItem(customPage, item)].sticker;
        toggle->SetEnabled(unlocked);
        toggle->SetState(value == item);
        if (item == 0)
            continue;
        SetSpriteImage(toggle->lookScene, "body", partImages[kPageImages[customPage]][item]);
        if (customPage == 3)
            SetSpriteImage(toggle->lookScene, "handle", partImages[kHandleImages][item]);
        toggle->BuildStateScenes();
    }
}

void cFrontendTouch::RefreshCustomisePreview()
{
    cGlaControllerScene* character = NestedScene(scrCustomise, "dorvo");
    if (character == nullptr)
        return;
    const cSaveData& save = Save();
    const int32_t hair = ClampLook(save.look[cSaveData::kLookHair]);
    const int32_t body = ClampLook(save.look[cSaveData::kLookBody]);
    const int32_t cup = ClampLook(save.look[cSaveData::kLookCup]);
    const int32_t base = ClampLook(save.look[cSaveData::kLookBase]);

    if (cGlaControllerScene* bodyScene = NestedScene(character, "body"))
    {
        SetSceneTrack(bodyScene->scene, "hair", partScenes[hair] != nullptr ? partScenes[hair]->scene : nullptr);
        SetSpriteImage(bodyScene->scene, "body", partImages[kBodyImages][body]);
        bodyScene->SetFrame(bodyScene->frame);
    }
    if (cGlaControllerScene* cupScene = NestedScene(character, "cup"))
    {
        SetSpriteImage(cupScene->scene, "cup", partImages[kCupImages][cup]);
        SetSpriteImage(cupScene->scene, "base", partImages[kBaseImages][base]);
        // The handle follows the base.
        SetSpriteImage(cupScene->scene, "handle", partImages[kHandleImages][base]);
        cupScene->SetFrame(cupScene->frame);
    }
    character->Advance();
}

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

// --- particle bursts -----------------------------------------------------------------------------

void cFrontendTouch::SpawnHeartBurst(float x, float y) { ::SpawnHeartBurst(particles, heartImages, x, y); }

void cFrontendTouch::SpawnConfettiBurst(float x, float y)
{
    ::SpawnConfettiBurst(particles, flashImage, confettiImages, x, y);
}

void cFrontendTouch::SpawnFallingFlower() { ::SpawnFallingFlower(particles, flowerImages); }


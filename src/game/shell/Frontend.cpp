#include "game/shell/Frontend.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "KelpoBase/core/FileSystem.h"
#include "KelpoBase/core/Random.h"
#include "KelpoBase/debug/DbgScreen.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/Gfx3D.h"
#include "KelpoBase/render/Renderer.h"
#include "KelpoBase/render/Resource.h"
#include "KelpoBase/render/SoundResource.h"
#include "game/shell/Comic.h"
#include "game/shell/FrontendParticles.h"
#include "game/shell/MainGame.h"
#include "game/shell/SaveData.h"

const char* const kFrontendUrlProduct = "https://example.org/tollivan";
const char* const kFrontendUrlMoreGames = "https://example.org/games";
const char* const kFrontendUrlFacebook = "https://example.org/social/facebook";
const char* const kFrontendUrlTwitter = "https://example.org/social/twitter";

namespace
{

const char* const kSceneSetPath = "res/frontend/frontend.mac.720p.cgla";

// Folder and file stem of each customisation image set, in load order.
struct PartImageFiles
{
    const char* folder;
    const char* stem;
};
const PartImageFiles kPartImageFiles[cFrontend::kPartImageSets] = {
    {"res/frontend/customise/hair/", "hair"},       {"res/frontend/customise/jumpers/", "jumper"},
    {"res/frontend/customise/cups/", "cup"},        {"res/frontend/customise/bases/", "base"},
    {"res/frontend/customise/handles/", "handle"},  {"res/frontend/customise/trail/", "trail"},
};

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

cGlaControllerScene* MakeScreen(cGlaSet* set, const char* name)
{
    cGlaScene* scene = set != nullptr ? FindObjectByName(set, name) : nullptr;
    auto* controller = new cGlaControllerScene(scene);
    controller->position = cVec2f(static_cast<float>(GetScreenWidth()) * 0.5f,
                                  static_cast<float>(GetScreenHeight()) * 0.5f);
    return controller;
}

bool AnyPressed(std::initializer_list<uint32_t> codes)
{
    for (uint32_t code : codes)
        if (IsKeyPressed(code))
            return true;
    return false;
}

void DefaultLevelHandOff(int32_t levelNumber)
{
    if (gMainGame == nullptr)
        return;
    // The comic pages come before the first story level.
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
} // namespace

// --- construction and destruction -------------------------------------------------------------

cFrontend::cFrontend(int32_t entry)
{
    screens.Init();
    screens.SetOwner(this);
    particles.Clear();
    if (entry == 1)
        screens.SetPendingState(&cFrontend::StateMainMenu, 1);
    else if (entry == 2)
        screens.SetPendingState(&cFrontend::StateEnd, 0);
    else
        screens.SetPendingState(&cFrontend::StateTitle, 0);

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

cFrontend::~cFrontend()
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

void cFrontend::DeleteControllers()
{
    auto drop = [](cGlaControllerScene*& c) {
        delete c;
        c = nullptr;
    };
    for (auto& c : partScenes)
        drop(c);
    for (auto& c : scrCustomisePages)
        drop(c);
    for (auto& c : scrLevelScreen)
        drop(c);
    for (cGlaControllerScene** c :
         {&scrCustomise, &scrMainMenu, &scrChapter, &scrMainMenuButtons, &scrOptions, &scrOptionsControls,
          &scrOptionsRedefineControls, &scrOptionsRedefineConfirm, &scrCreditsBack, &scrHelp_000, &scrCredits,
          &scrBackground, &scrSplash, &scrLevelSelect, &scrLevelDots, &scrLevelScreenS, &scrLevelScreenC,
          &scrLevelSelect_S, &scrLevelSelect_C, &scrLevelStats, &scrEnd})
        drop(*c);
}

cSaveData& cFrontend::Save() const
{
    if (saveData != nullptr)
        return *saveData;
    if (ownSave == nullptr)
        ownSave = new cSaveData();
    return *ownSave;
}

// --- loading -------------------------------------------------------------------------------------

void cFrontend::LoadScene()
{
    group = FindResourceGroup("Frontend");
    if (group == nullptr)
        group = new cResourceGroup("Frontend");
    SetCurrentResourceGroup(group);

    sceneSet = ClassCast<cGlaSet>(LoadGlaSetResource(kSceneSetPath, ""));

    iconSugar = LoadImage("res/frontend/1024_768/LevelSelect/Small_Icons/Cube.png");
    iconSticker = LoadImage("res/frontend/1024_768/LevelSelect/Small_Icons/Sticker.png");
    iconStar = LoadImage("res/frontend/1024_768/LevelSelect/Small_Icons/Star.png");
    iconTick = LoadImage("res/frontend/1024_768/LevelSelect/Small_Icons/Tick.png");
    flashImage = LoadImage("res/fx/Flash.png");
    for (int d = 0; d < kDigitCount; ++d)
        smallDigits[d] = LoadImage("res/frontend/1024_768/LevelSelect/SmallNumbers/No_" + std::to_string(d) + ".png");
    for (int d = 0; d < kDigitCount; ++d)
        hudDigits[d] = LoadImage("res/frontend/1024_768/Hud_Numbers/No_" + std::to_string(d) + ".png");
    heartImages.push_back(LoadImage("res/frontend/1024_768/LoveHeart.png"));
    for (int i = 1; i <= 4; ++i)
        confettiImages.push_back(LoadImage("res/fx/Con_" + std::to_string(i) + ".png"));
    flowerImages.push_back(LoadImage("res/frontend/1024_768/Flower.png"));

    for (int i = 0; i < kPartItemCount; ++i)
    {
        const std::string name = "Hair_0" + TwoDigits(i);
        cGlaScene* scene = sceneSet != nullptr ? FindObjectByName(sceneSet, name) : nullptr;
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

    // The front end adds no page to the debug menu ("Open All Levels" would go there).
    debugPage = nullptr;
}

void cFrontend::LoadScreens()
{
    particles.Create(cParticlePool::kDefaultCapacity);
    mainMenuFocus = 0;
    chapterFocus = 0;
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
    scrOptionsControls = MakeScreen(sceneSet, "scrOptionsControls");
    scrOptionsRedefineControls = MakeScreen(sceneSet, "scrOptionsRedefineControls");
    scrOptionsRedefineConfirm = MakeScreen(sceneSet, "scrOptionsRedefineConfirm");
    scrCreditsBack = MakeScreen(sceneSet, "scrCreditsBack");
    scrHelp_000 = MakeScreen(sceneSet, "scrHelp_000");
    scrCredits = MakeScreen(sceneSet, "scrCredits");
    scrBackground = MakeScreen(sceneSet, "scrBackground");
    scrSplash = MakeScreen(sceneSet, "scrSplash");
    for (int p = 0; p < kLevelPageCount; ++p)
        scrLevelScreen[p] = MakeScreen(sceneSet, ("scrLevelScreen_00" + std::to_string(p)).c_str());
    scrLevelSelect = MakeScreen(sceneSet, "scrLevelSelect");
    scrLevelDots = MakeScreen(sceneSet, "scrLevelDots");
    scrLevelScreenS = MakeScreen(sceneSet, "scrLevelScreen_S_000");
    scrLevelScreenC = MakeScreen(sceneSet, "scrLevelScreen_S_000");
    scrLevelSelect_S = MakeScreen(sceneSet, "scrLevelSelect_S");
    scrLevelSelect_C = MakeScreen(sceneSet, "scrLevelSelect_C");
    scrLevelStats = MakeScreen(sceneSet, "scrLevelStats");
    scrEnd = MakeScreen(sceneSet, "scrEnd");
}

// --- frame ---------------------------------------------------------------------------------------

void cFrontend::Update()
{
    UpdateParticlePool(particles);
    screens.Update();
}

void cFrontend::Draw()
{
    gfx2D->SaveRendererState();
    gfx2D->Begin();
    gfx2D->SetColour(0xFFFFFFFFu);
    gfx2D->PushTransform();
    gfx2D->Scale(zoom, zoom);
    screens.Draw();
    DrawParticlePool(particles, *gfx2D);
    gfx2D->PopTransform();
    gfx2D->Flush();
    gfx2D->RestoreRendererState();
}

void cFrontend::DrawBackground()
{
    if (scrBackground != nullptr)
        scrBackground->Draw(*gfx2D);
}

void cFrontend::DrawMainMenuScene()
{
    if (scrMainMenu != nullptr)
        scrMainMenu->Draw(*gfx2D);
}

// --- keys ----------------------------------------------------------------------------------------

bool cFrontend::PressedBack() { return AnyPressed({KEY_ESCAPE, KEY_JOY_BUTTON_1 + 6}); }
bool cFrontend::PressedUp() { return AnyPressed({KEY_UP, KEY_A + 22, KEY_JOY_UP}); }
bool cFrontend::PressedDown() { return AnyPressed({KEY_DOWN, KEY_A + 18, KEY_JOY_DOWN}); }
bool cFrontend::PressedLeft() { return AnyPressed({KEY_LEFT, KEY_A, KEY_JOY_LEFT}); }
bool cFrontend::PressedRight() { return AnyPressed({KEY_RIGHT, KEY_D, KEY_JOY_RIGHT}); }
bool cFrontend::PressedActivate() { return AnyPressed({KEY_RETURN, KEY_SPACE, KEY_JOY_BUTTON_1}); }

void cFrontend::PlayButtonSound()
{
    if (gAudioManager == nullptr || !IsAudioEnabled() || buttonSound == nullptr)
        return;
    if (gAudioManager->GetVoice(0) == nullptr || !gAudioManager->IsVoiceFree(0))
        return;
    gAudioManager->PlayOnVoice(0, 0, buttonSound, 1.0f, 1.0f);
}

void cFrontend::LeaveTo(ScreenFunc next, int32_t arg, bool& leaving)
{
    if (leaving)
        return;
    screens.PushState(next, arg);
    leaving = true;
}

// --- starting a level ------------------------------------------------------------------------

int32_t cFrontend::StateStartLevel(int32_t phase, int32_t arg)
{
    static int32_t level = 0;
    static int32_t fade = 0;
    switch (phase)
    {
    case kStateEnter:
        level = arg;
        fade = 0;
        break;
    case kStateUpdate:
        fade += kStartLevelFadeStep;
        if (fade >= kStartLevelFadeEnd && levelHandOff)
            levelHandOff(level);
        break;
    case kStateDraw:
    {
        DrawBackground();
        if (level >= 200)
            DrawChallengeLayout(255);
        else if (level == 40)
        {
            if (scrCredits != nullptr)
                scrCredits->Draw(*gfx2D);
            if (scrCreditsBack != nullptr)
                scrCreditsBack->Draw(*gfx2D);
        }
        else
            DrawLevelSelectLayout();
        gfx2D->Flush();
        const uint32_t alpha = static_cast<uint32_t>(std::min(fade, 255));
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

// --- particle bursts ---------------------------------------------------------------------------

void cFrontend::SpawnHeartBurst(float x, float y) { ::SpawnHeartBurst(particles, heartImages, x, y); }

void cFrontend::SpawnConfettiBurst(float x, float y)
{
    ::SpawnConfettiBurst(particles, flashImage, confettiImages, x, y);
}

void cFrontend::SpawnFallingFlower() { ::SpawnFallingFlower(particles, flowerImages); }

void cFrontend::OpenAllLevels()
{
    cSaveData& save = Save();
    for (int n = 0; n < 40; ++n)
    {
        save.progress[n].completed = true;
        save.progress[n].sticker = true;
    }
}

// --- the game's hooks --------------------------------------------------------------------------

void RegisterFrontendParts()
{
    MainGameParts& parts = GetMainGameParts();
    parts.frontend.create = [](int32_t from) -> cFrontend* {
        auto* frontend = new cFrontend(from);
        frontend->LoadScene();
        frontend->LoadScreens();
        return frontend;
    };
    parts.frontend.update = [](cFrontend* frontend) { frontend->Update(); };
    parts.frontend.draw = [](cFrontend* frontend) { frontend->Draw(); };
    parts.frontend.destroy = [](cFrontend* frontend) { delete frontend; };

    parts.comic.create = [](int32_t arg) -> cComic* {
        auto* comic = new cComic(arg);
        comic->LoadComic();
        comic->SetUpComic();
        return comic;
    };
    parts.comic.update = [](cComic* comic) { comic->UpdateComic(); };
    parts.comic.draw = [](cComic* comic) { comic->DrawComic(); };
    parts.comic.destroy = [](cComic* comic) { delete comic; };
}

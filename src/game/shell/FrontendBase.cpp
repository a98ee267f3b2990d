#include "game/shell/FrontendBase.h"

#include <climits>
#include <cstdio>

#include "KelpoBase/core/FileSystem.h"
#include "KelpoBase/debug/DbgScreen.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/Gfx3D.h"
#include "KelpoBase/render/Renderer.h"
#include "KelpoBase/render/Resource.h"
#include "KelpoBase/render/SoundResource.h"
#include "game/shell/FrontendParticles.h"
#include "game/shell/MainGame.h"
#include "game/shell/SaveData.h"

namespace
{
// Folder and file stem of each customisation image set, in load order.
struct PartImageFiles
{
    const char* folder;
    const char* stem;
};
const PartImageFiles kPartImageFiles[cFrontendBase::kPartImageSets] = {
    {"res/frontend/customise/hair/", "hair"},      {"res/frontend/customise/jumpers/", "jumper"},
    {"res/frontend/customise/cups/", "cup"},       {"res/frontend/customise/bases/", "base"},
    {"res/frontend/customise/handles/", "handle"}, {"res/frontend/customise/trail/", "trail"},
};

std::string TwoDigits(int n)
{
    char text[16];
    std::snprintf(text, sizeof(text), "%02d", n);
    return text;
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

void Drop(cGlaControllerScene*& controller)
{
    delete controller;
    controller = nullptr;
}
} // namespace

// --- construction and destruction -------------------------------------------------------------

cFrontendBase::cFrontendBase()
{
    particles.Clear();
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

cFrontendBase::~cFrontendBase()
{
    delete gfx3D;
    gfx3D = nullptr;
    delete gfx2D;
    gfx2D = nullptr;
    FreeAllParticles(particles);
    delete debugPage;
    debugPage = nullptr;
    // The controllers go before the group: their scenes belong to the group's scene set.
    for (auto& c : partScenes)
        Drop(c);
    DeleteScreens();
    if (group != nullptr)
    {
        group->ReleaseTextures();
        delete group;
        group = nullptr;
    }
    sceneSet = nullptr;
    particles.Clear();
    delete ownSave;
}

void cFrontendBase::DeleteScreens()
{
    for (auto& c : scrCustomisePages)
        Drop(c);
    for (auto& c : scrLevelScreen)
        Drop(c);
    for (cGlaControllerScene** c :
         {&scrCustomise, &scrMainMenu, &scrChapter, &scrMainMenuButtons, &scrOptions, &scrCreditsBack, &scrHelp_000,
          &scrCredits, &scrBackground, &scrSplash, &scrLevelSelect, &scrLevelDots, &scrLevelScreenS, &scrLevelScreenC,
          &scrLevelSelect_S, &scrLevelSelect_C, &scrLevelStats, &scrEnd})
        Drop(*c);
}

cSaveData& cFrontendBase::Save() const
{
    if (saveData != nullptr)
        return *saveData;
    if (ownSave == nullptr)
        ownSave = new cSaveData();
    return *ownSave;
}

// --- loading -------------------------------------------------------------------------------------

void cFrontendBase::OpenGroup()
{
    group = FindResourceGroup("Frontend");
    if (group == nullptr)
        group = new cResourceGroup("Frontend");
    SetCurrentResourceGroup(group);
}

ImageRect* cFrontendBase::LoadImage(std::string path)
{
    NormalisePath(path);
    return LoadAtlasImage(path);
}

void cFrontendBase::LoadIcons(const std::string& folder)
{
    iconSugar = LoadImage(folder + "Cube.png");
    iconSticker = LoadImage(folder + "Sticker.png");
    iconStar = LoadImage(folder + "Star.png");
    iconTick = LoadImage(folder + "Tick.png");
}

void cFrontendBase::LoadDigits(ImageRect* (&digits)[kDigitCount], const std::string& stem)
{
    for (int d = 0; d < kDigitCount; ++d)
        digits[d] = LoadImage(stem + std::to_string(d) + ".png");
}

void cFrontendBase::FinishLoading()
{
    for (int i = 1; i <= 4; ++i)
        confettiImages.push_back(LoadImage("res/fx/Con_" + std::to_string(i) + ".png"));
    flowerImages.push_back(LoadImage("res/frontend/1024_768/Flower.png"));

    for (int i = 0; i < kPartItemCount; ++i)
    {
        const std::string name = "Hair_0" + TwoDigits(i);
        cGlaScene* scene = sceneSet != nullptr ? FindObjectByName(sceneSet, name) : nullptr;
        // A second load replaces the controllers instead of leaking them.
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

    // The front end adds no page to the debug menu ("Open All Levels" would go there).
    debugPage = nullptr;
}

cGlaControllerScene* cFrontendBase::MakeScreen(const std::string& name) const
{
    cGlaScene* scene = sceneSet != nullptr ? FindObjectByName(sceneSet, name) : nullptr;
    auto* controller = new cGlaControllerScene(scene);
    controller->position =
        cVec2f(static_cast<float>(GetScreenWidth()) * 0.5f, static_cast<float>(GetScreenHeight()) * 0.5f);
    return controller;
}

void cFrontendBase::MakeScreens(const std::function<void()>& afterOptions)
{
    DeleteScreens();
    particles.Create(cParticlePool::kDefaultCapacity);
    mode = 0;

    scrCustomise = MakeScreen("scrCustomise");
    const char* const pageNames[kCustomisePageCount] = {"scrCustomiseHair", "scrCustomiseBody", "scrCustomiseCup",
                                                        "scrCustomiseBase", "scrCustomiseTrail"};
    for (int p = 0; p < kCustomisePageCount; ++p)
        scrCustomisePages[p] = MakeScreen(pageNames[p]);
    scrMainMenu = MakeScreen("scrMainMenu");
    scrChapter = MakeScreen("scrChapter");
    scrMainMenuButtons = MakeScreen("scrMainMenuButtons");
    scrOptions = MakeScreen("scrOptions");
    if (afterOptions)
        afterOptions();
    scrCreditsBack = MakeScreen("scrCreditsBack");
    scrHelp_000 = MakeScreen("scrHelp_000");
    scrCredits = MakeScreen("scrCredits");
    scrBackground = MakeScreen("scrBackground");
    scrSplash = MakeScreen("scrSplash");
    for (int p = 0; p < kLevelPageCount; ++p)
        scrLevelScreen[p] = MakeScreen("scrLevelScreen_00" + std::to_string(p));
    scrLevelSelect = MakeScreen("scrLevelSelect");
    scrLevelDots = MakeScreen("scrLevelDots");
    scrLevelScreenS = MakeScreen("scrLevelScreen_S_000");
    scrLevelScreenC = MakeScreen("scrLevelScreen_S_000");
    scrLevelSelect_S = MakeScreen("scrLevelSelect_S");
    scrLevelSelect_C = MakeScreen("scrLevelSelect_C");
    scrLevelStats = MakeScreen("scrLevelStats");
    scrEnd = MakeScreen("scrEnd");
}

// --- drawing and sound ------------------------------------------------------------------------

void cFrontendBase::BeginDraw()
{
    gfx2D->SaveRendererState();
    gfx2D->Begin();
    gfx2D->SetColour(frontend::kOpaqueWhite);
}

void cFrontendBase::EndDraw()
{
    gfx2D->Flush();
    gfx2D->RestoreRendererState();
}

void cFrontendBase::DrawBackground() { frontend::DrawScene(scrBackground, *gfx2D); }

void cFrontendBase::DrawMainMenuScene() { frontend::DrawScene(scrMainMenu, *gfx2D); }

void cFrontendBase::PlayButtonSound()
{
    if (gAudioManager == nullptr || !IsAudioEnabled() || buttonSound == nullptr)
        return;
    if (gAudioManager->GetVoice(0) == nullptr || !gAudioManager->IsVoiceFree(0))
        return;
    gAudioManager->PlayOnVoice(0, 0, buttonSound, 1.0f, 1.0f);
}

void cFrontendBase::SpawnHeartBurst(float x, float y) { ::SpawnHeartBurst(particles, heartImages, x, y); }

void cFrontendBase::SpawnConfettiBurst(float x, float y)
{
    ::SpawnConfettiBurst(particles, flashImage, confettiImages, x, y);
}

void cFrontendBase::SpawnFallingFlower() { ::SpawnFallingFlower(particles, flowerImages); }

// --- helpers of the screen files -------------------------------------------------------------

namespace frontend
{
void DrawScene(cGlaControllerScene* scene, cGfx2D& gfx)
{
    if (scene != nullptr)
        scene->Draw(gfx);
}

void DrawSceneFaded(cGlaControllerScene* scene, cGfx2D& gfx, int32_t alpha)
{
    const uint32_t saved = gfx.GetColour();
    gfx.SetColour(FadeColour(alpha));
    DrawScene(scene, gfx);
    gfx.SetColour(saved);
}

void SetToggle(cGlaControllerScene* scene, const std::string& name, bool on)
{
    if (scene == nullptr)
        return;
    if (cGlaControllerToggleButton* toggle = FindToggleButtonController(scene, name))
        toggle->SetState(on);
}

cGlaControllerButton* SlotButton(cGlaControllerScene* scene, int32_t slot)
{
    return scene != nullptr ? FindButtonController(scene, "GameObj00" + std::to_string(slot)) : nullptr;
}

bool NumberAfter(const std::string& name, const std::string& prefix, int32_t& number)
{
    if (name.compare(0, prefix.size(), prefix) != 0)
        return false;
    int64_t value = 0;
    for (size_t i = prefix.size(); i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i)
    {
        value = value * 10 + (name[i] - '0');
        if (value > INT32_MAX)
            return false;
    }
    number = static_cast<int32_t>(value);
    return true;
}
} // namespace frontend

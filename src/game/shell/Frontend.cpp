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

bool AnyPressed(std::initializer_list<uint32_t> codes)
{
    for (uint32_t code : codes)
        if (IsKeyPressed(code))
            return true;
    return false;
}
} // namespace

// --- construction and destruction -------------------------------------------------------------

cFrontend::cFrontend(int32_t entry)
{
    screens.Init();
    screens.SetOwner(this);
    if (entry == 1)
        screens.SetPendingState(&cFrontend::StateMainMenu, 1);
    else if (entry == 2)
        screens.SetPendingState(&cFrontend::StateEnd, 0);
    else
        screens.SetPendingState(&cFrontend::StateTitle, 0);
}

cFrontend::~cFrontend()
{
    DeleteControlScreens();
    screens.FreeStack();
}

void cFrontend::DeleteControlScreens()
{
    for (cGlaControllerScene** c : {&scrOptionsControls, &scrOptionsRedefineControls, &scrOptionsRedefineConfirm})
    {
        delete *c;
        *c = nullptr;
    }
}

// --- loading -------------------------------------------------------------------------------------

void cFrontend::LoadScene()
{
    OpenGroup();
    sceneSet = ClassCast<cGlaSet>(LoadGlaSetResource(kSceneSetPath, ""));
    LoadIcons("res/frontend/1024_768/LevelSelect/Small_Icons/");
    flashImage = LoadImage("res/fx/Flash.png");
    LoadDigits(smallDigits, "res/frontend/1024_768/LevelSelect/SmallNumbers/No_");
    LoadDigits(hudDigits, "res/frontend/1024_768/Hud_Numbers/No_");
    heartImages.push_back(LoadImage("res/frontend/1024_768/LoveHeart.png"));
    FinishLoading();
}

void cFrontend::LoadScreens()
{
    mainMenuFocus = 0;
    chapterFocus = 0;
    MakeScreens([this]() {
        DeleteControlScreens();
        scrOptionsControls = MakeScreen("scrOptionsControls");
        scrOptionsRedefineControls = MakeScreen("scrOptionsRedefineControls");
        scrOptionsRedefineConfirm = MakeScreen("scrOptionsRedefineConfirm");
    });
}

// --- frame ---------------------------------------------------------------------------------------

void cFrontend::Update()
{
    UpdateParticlePool(particles);
    screens.Update();
}

void cFrontend::Draw()
{
    if (gfx2D == nullptr)
        return;
    BeginDraw();
    gfx2D->PushTransform();
    gfx2D->Scale(zoom, zoom);
    screens.Draw();
    DrawParticlePool(particles, *gfx2D);
    gfx2D->PopTransform();
    EndDraw();
}

// --- keys ----------------------------------------------------------------------------------------

bool cFrontend::PressedBack() { return AnyPressed({KEY_ESCAPE, KEY_JOY_BUTTON_1 + 6}); }
bool cFrontend::PressedUp() { return AnyPressed({KEY_UP, KEY_A + 22, KEY_JOY_UP}); }
bool cFrontend::PressedDown() { return AnyPressed({KEY_DOWN, KEY_A + 18, KEY_JOY_DOWN}); }
bool cFrontend::PressedLeft() { return AnyPressed({KEY_LEFT, KEY_A, KEY_JOY_LEFT}); }
bool cFrontend::PressedRight() { return AnyPressed({KEY_RIGHT, KEY_D, KEY_JOY_RIGHT}); }
bool cFrontend::PressedActivate() { return AnyPressed({KEY_RETURN, KEY_SPACE, KEY_JOY_BUTTON_1}); }

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

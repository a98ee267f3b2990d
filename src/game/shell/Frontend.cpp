#include "game/shell/Frontend.h"

#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/Resource.h"
#include "game/shell/Comic.h"
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

cFrontend::cFrontend(int32_t entry) : cFrontendScreens(entry) {}

cFrontend::~cFrontend() { DeleteControlScreens(); }

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

void cFrontend::FocusKeys(cGlaControllerScene* scene)
{
    if (scene == nullptr)
        return;
    if (PressedUp())
        scene->MoveFocus(-1);
    else if (PressedDown())
        scene->MoveFocus(1);
    else if (PressedActivate())
        scene->ActivateFocused();
}

// --- the main menu's exit and the credits' links ---------------------------------------------------

void cFrontend::MainMenuAction(const std::string& name)
{
    if (name == "actExit")
        SetQuitRequested(true);
}

void cFrontend::CreditsLink(const std::string& name)
{
    if (name == "actMoreGames")
        OpenUrl(kFrontendUrlMoreGames);
    else if (name == "actFacebook")
        OpenUrl(kFrontendUrlFacebook);
    else if (name == "actTwitter")
        OpenUrl(kFrontendUrlTwitter);
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
        if (!comic->LoadComic())
        {
            delete comic; // the game then starts level 0 at once
            return nullptr;
        }
        comic->SetUpComic();
        return comic;
    };
    parts.comic.update = [](cComic* comic) { comic->UpdateComic(); };
    parts.comic.draw = [](cComic* comic) { comic->DrawComic(); };
    parts.comic.destroy = [](cComic* comic) { delete comic; };
}

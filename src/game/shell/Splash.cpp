#include "game/shell/Splash.h"

#include <cstdio>

#include "KelpoBase/core/Random.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/platform/WinMain.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/Renderer.h"
#include "KelpoBase/render/Resource.h"
#include "game/shell/MainGame.h"

namespace
{
constexpr uint32_t kOpaqueWhite = 0xFFFFFFFFu;
constexpr uint32_t kOpaqueBlack = 0xFF000000u;

uint32_t WithAlpha(uint32_t rgb, int32_t alpha)
{
    if (alpha < 0)
        alpha = 0;
    if (alpha > 255)
        alpha = 255;
    return (rgb & 0x00FFFFFFu) | (static_cast<uint32_t>(alpha) << 24);
}

// The keys that skip a splash page: the first pointer, Space, Return, Escape and joystick
// buttons 1 and 8.
constexpr uint32_t kSkipKeys[] = {KEY_POINTER_1, KEY_SPACE, KEY_RETURN, KEY_ESCAPE, KEY_JOY_BUTTON_1, 79};

void DrawCentred(cGfx2D& gfx, const ImageRect* image, float scale)
{
    if (image != nullptr)
        DrawFrameScaledAt(gfx, image, float(GetScreenWidth()) * 0.5f, float(GetScreenHeight()) * 0.5f, scale, scale);
}
} // namespace

cSplash::cSplash() : gfx(new cGfx2D(gRenderer)) {}

cSplash::~cSplash()
{
    // ShutdownSplash normally ran already; whatever is left goes now.
    ShutdownSplash();
}

void cSplash::ImagePathsForWidth(int32_t screenWidth, std::string paths[3])
{
    if (screenWidth >= 1280)
    {
        paths[0] = "res/frontend/mac/vattrel_1280x720.png";
        paths[1] = "res/frontend/mac/DorvoKelpoSplash_1280x720.png";
        paths[2] = "res/frontend/mac/SplashDropShadowFinal1280x720.png";
    }
    else if (screenWidth >= 1024)
    {
        paths[0] = "res/frontend/1024_768/vattrel_iPad.png";
        paths[1] = "res/frontend/1024_768/zumbrelScreen_iPad.png";
        paths[2] = "res/frontend/1024_768/Splash.png";
    }
    else if (screenWidth >= 960)
    {
        paths[0] = "res/frontend/960_640/Vattrel-splash-960x640.png";
        paths[1] = "res/frontend/1024_768/zumbrelScreen_iPad.png";
        paths[2] = "res/frontend/1024_768/Splash.png";
    }
    else
    {
        paths[0] = "res/frontend/480_320/vattrel_splash.png";
        paths[1] = "res/frontend/480_320/zumbrelScreen_iPad.png";
        paths[2] = "res/frontend/480_320/Splash.png";
    }
}

void cSplash::LoadSplash()
{
    SetLoadStopped(false);
    group = SelectResourceGroup("KelpoSplash");
    std::string paths[3];
    ImagePathsForWidth(GetScreenWidth(), paths);
    for (int i : {1, 2, 0})
        images[i] = LoadAtlasImage(paths[i]);
    FinishResourceGroup();
    if (group != nullptr)
        group->UploadTextures(true);
    page = 0;
    if (gfx != nullptr)
        gfx->SetRenderFlagsHigh(1);
}

void cSplash::UpdateSplashFade()
{
    --hold;
    if (hold <= 0)
    {
        fade += kFadeStep;
        if (fade > kFadeEnd)
            fade = kFadeEnd;
    }

    bool ended = fade >= kFadeEnd;
    for (uint32_t key : kSkipKeys)
        ended = ended || IsKeyPressed(key);
    if (!ended)
        return;

    if (page == 0)
    {
        page = 1;
        fade = 0;
        hold = kSecondHold;
    }
    else if (gMainGame != nullptr)
    {
        gMainGame->SetStateFrontend(0);
    }
}

void cSplash::DrawSplash()
{
    if (gfx == nullptr)
        return;
    const float w = float(GetScreenWidth());
    const float h = float(GetScreenHeight());
    gfx->SaveRendererState();
    gfx->Begin();
    gfx->SetColour(kOpaqueWhite);
    if (page == 0)
    {
        DrawCentred(*gfx, images[0], 1.0f);
        gfx->SetColour(WithAlpha(kOpaqueBlack, fade));
        FillRectAt(*gfx, 0.0f, 0.0f, w, h);
    }
    else
    {
        DrawCentred(*gfx, images[2], 1.0f);
        gfx->SetColour(WithAlpha(kOpaqueWhite, 255 - fade));
        DrawCentred(*gfx, images[1], 1.0f);
    }
    gfx->SetColour(kOpaqueWhite);
    gfx->Flush();
    gfx->RestoreRendererState();
}

void cSplash::ShutdownSplash()
{
    if (group != nullptr)
    {
        group->ReleaseTextures();
        delete group;
        group = nullptr;
    }
    for (ImageRect*& image : images)
        image = nullptr;
    delete gfx;
    gfx = nullptr;
}

void DrawLoadingScreen(uint32_t loadCount, uint32_t unused)
{
    (void)unused;
    if (loadCount > 1)
        return;
    if (gRenderer != nullptr)
        gRenderer->ResetRenderState();
    cGfx2D gfx(gRenderer);
    if (gRenderer != nullptr)
    {
        gRenderer->SetClearColour(kOpaqueBlack);
        gRenderer->Clear(kClearColour | kClearDepth);
    }
    gfx.SaveRendererState();
    gfx.Begin();
    gfx.SetRenderFlagsHigh(1);

    const float w = float(GetScreenWidth());
    const float h = float(GetScreenHeight());
    gfx.SetColour(kOpaqueBlack);
    FillRectAt(gfx, 0.0f, 0.0f, w, h);

    // One step of the engine's generator picks the picture.
    const int32_t pick = RandomInt(cMainGame::kLoadingImageCount);
    const ImageRect* image = gMainGame != nullptr ? gMainGame->loadingImages[pick] : nullptr;
    gfx.SetColour(kOpaqueWhite);
    DrawCentred(gfx, image, h / 720.0f);

    gfx.Flush();
    gfx.RestoreRendererState();
    if (gWinMain != nullptr)
        gWinMain->CallPresent();
}

std::string FormatSixtiethsTime(uint32_t sixtieths)
{
    if (sixtieths == 0)
        return ".....";
    const uint32_t seconds = (sixtieths / 60) % 60;
    const uint32_t hundredths = (sixtieths % 60) * 100 / 60;
    char text[16];
    std::snprintf(text, sizeof text, "%02u.%02u", seconds, hundredths);
    return text;
}

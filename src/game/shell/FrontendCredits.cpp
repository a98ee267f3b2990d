// The credits screen (the credits roll, its links and the playable credits level) and the
// help screen.
#include "KelpoBase/platform/SystemServices.h"
#include "game/shell/Frontend.h"
#include "game/shell/FrontendScreens.h"

using namespace frontend;


int32_t cFrontend::StateCredits(int32_t phase, int32_t arg)
{
    (void)arg;
    ScreenFade& s = creditsFade;
    switch (phase)
    {
    case kStateEnter:
        scrCreditsBack->SetFocus(0);
        s.alpha = 0;
        s.leaving = false;
        scrCredits->Rewind();
        scrCredits->Play(false, 1);
        break;
    case kStateUpdate:
    {
        if (s.leaving)
        {
            s.alpha -= kScreenFadeStep;
            if (s.alpha <= 0)
                screens.PopState();
            break;
        }
        FadeIn(s.alpha, kScreenFadeStep);
        if (PressedBack())
            LeaveTo(&cFrontend::StateMainMenu, 1, s.leaving);
        scrCredits->Advance();
        scrCreditsBack->Update();
        FocusKeys(scrCreditsBack);
        cKelpoMsg message;
        while (scrCreditsBack->HasMessages())
        {
            scrCreditsBack->PopMessage(message);
            const std::string& name = message.name;
            if (name == "actBack")
                LeaveTo(&cFrontend::StateMainMenu, 1, s.leaving);
            else if (name == "actCredits")
                LeaveTo(&cFrontend::StateStartLevel, kCreditsLevel, s.leaving);
            else if (name == "actDorvo")
                OpenUrl(kFrontendUrlProduct);
            else if (name == "actMoreGames")
                OpenUrl(kFrontendUrlMoreGames);
            else if (name == "actFacebook")
                OpenUrl(kFrontendUrlFacebook);
            else if (name == "actTwitter")
                OpenUrl(kFrontendUrlTwitter);
        }
        break;
    }
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

int32_t cFrontend::StateHelp(int32_t phase, int32_t arg)
{
    (void)arg;
    ScreenFade& s = helpFade;
    switch (phase)
    {
    case kStateEnter:
        scrHelp_000->SetFocus(0);
        s.alpha = 0;
        s.leaving = false;
        scrHelp_000->Rewind();
        scrHelp_000->Play(true, 1);
        break;
    case kStateUpdate:
    {
        if (s.leaving)
        {
            s.alpha -= kScreenFadeStep;
            if (s.alpha <= 0)
                screens.PopState();
            break;
        }
        FadeIn(s.alpha, kScreenFadeStep);
        if (PressedBack())
            LeaveTo(&cFrontend::StateMainMenu, 1, s.leaving);
        scrHelp_000->Advance();
        scrHelp_000->Update();
        FocusKeys(scrHelp_000);
        cKelpoMsg message;
        while (scrHelp_000->HasMessages())
        {
            scrHelp_000->PopMessage(message);
            if (message.name == "actBack")
                LeaveTo(&cFrontend::StateMainMenu, 1, s.leaving);
        }
        break;
    }
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

#include "game/shell/FrontendTouch.h"

#include <cmath>

#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Resource.h"

const char* const kFrontendTouchUrlMoreGamesTablet = "https://example.org/games/tablet";
const char* const kFrontendTouchUrlMoreGamesPhone = "https://example.org/games/phone";

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

// --- construction and loading ----------------------------------------------------------------

cFrontendTouch::cFrontendTouch(int32_t entry) : cFrontendScreens(entry) { centreNarrowPerfectTimes = true; }

void cFrontendTouch::LoadScene()
{
    OpenGroup();
    layout = LayoutForWidth(GetScreenWidth());
    sceneSet = ClassCast<cGlaSet>(LoadGlaSetResource(SceneFileForLayout(layout), ""));
    LoadIcons(layout == kLayoutSmall ? "res/frontend/480_320/LevelSelect/Small_Icons/"
                                     : "res/frontend/1024_768/LevelSelect/Small_Icons/");
    if (layout == kLayout1024)
        flashImage = LoadImage("res/fx/Flash.png");
    LoadDigits(smallDigits, "res/frontend/1024_768/LevelSelect/SmallNumbers/No_");
    // The small layout has no large digits; its statistics use the small ones.
    if (layout != kLayoutSmall)
        LoadDigits(hudDigits, "res/frontend/1024_768/Hud_Numbers/No_");
    heartImages.push_back(LoadImage("res/frontend/1024_768/LoveHeart.png"));
    if (layout != kLayout1024)
        flashImage = LoadImage("res/fx/Flash.png");
    FinishLoading();
}

void cFrontendTouch::LoadScreens() { MakeScreens(); }

// --- main menu and credits -----------------------------------------------------------------------

void cFrontendTouch::MainMenuShortcut()
{
    // The one key of this front end. The messages of the frame are still taken.
    if (IsKeyPressed(KEY_F1 + 2))
        screens.SetPendingState(&cFrontendTouch::StateEnd, 0);
}

void cFrontendTouch::CreditsLink(const std::string& name)
{
    if (name == "actMoreGames")
        OpenUrl(GetScreenWidth() >= 1024 ? kFrontendTouchUrlMoreGamesTablet : kFrontendTouchUrlMoreGamesPhone);
}

// --- level selection -------------------------------------------------------------------------------

void cFrontendTouch::SetupLevelButtons()
{
    cFrontendBase::SetupLevelButtons();
    page = 0;
    for (int32_t p = 0; p < pageCount; ++p)
    {
        for (int32_t i = 0; i < levelsPerPage; ++i)
        {
            if (frontend::SlotButton(scrLevelScreen[p], i) != nullptr && !LevelOpen(mode * 50 + levelsPerPage * p + i))
            {
                page = p;
                return;
            }
        }
    }
}

void cFrontendTouch::EnterLevelSelect()
{
    dragStep = 0.0f;
    dragging = false;
}

void cFrontendTouch::EnterChallengeSelect(cGlaControllerScene* /*own*/) { EnterLevelSelect(); }

void cFrontendTouch::TurnLevelPages()
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
        // Released: the page turns on a drag past a quarter of the width or on a flick
        // (which needs more speed towards the previous page than towards the next).
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
        cGlaControllerButton* button = frontend::SlotButton(scrLevelScreen[ShownPage()], slot);
        if (button == nullptr || button != held)
            continue;
        const bool enabled = button->visible != 0;
        button->SetEnabled(false); // erases its capture
        button->SetEnabled(enabled);
        button->capturedPointer = 0;
    }
}

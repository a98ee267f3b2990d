// Level selection: the story and bonus pages, the survival and challenge page and the level
// statistics, as both front ends set them up and draw them; and what the 1280 by 720 front
// end adds on entry (leaderboard uploads, the keyboard focus) and its page keys.
#include "KelpoBase/core/TextUtil.h"
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/platform/SteamAchievements.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/TextLayout.h"
#include "game/shell/Achievements.h"
#include "game/shell/Frontend.h"
#include "game/shell/SaveData.h"

using namespace frontend;

namespace
{
const char* const kStoryBoard = "Time taken to complete all of the Story levels";
const char* const kBonusBoard = "Time taken to complete all of the Bonus levels";
const char* const kChallengeBoard = "Time taken to complete all of the Challenge levels";

// The look scene of a button, whose markers place the marks of every level button.
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

// Total best perfect time of the records in milliseconds (frames at 30 a second).
int32_t FramesToMilliseconds(uint32_t frames)
{
    return static_cast<int32_t>(static_cast<double>(frames) / 30.0 * 1000.0);
}

cVec2f ScreenCentre()
{
    return cVec2f(static_cast<float>(GetScreenWidth()) * 0.5f, static_cast<float>(GetScreenHeight()) * 0.5f);
}
} // namespace

// --- story and bonus ---------------------------------------------------------------------------

void cFrontendBase::SetupLevelButtons()
{
    pageCount = mode == 1 ? 1 : kLevelPageCount;
    levelsPerPage = kLevelsPerPage;
    page = 3;
    bool lockedSeen = false;
    for (int32_t p = 0; p < pageCount; ++p)
    {
        for (int32_t i = 0; i < kLevelsPerPage; ++i)
        {
            cGlaControllerButton* button = SlotButton(scrLevelScreen[p], i);
            if (button == nullptr)
                continue;
            if (i >= levelsPerPage)
            {
                button->SetEnabled(false);
                continue;
            }
            button->SetEnabled(true);
            // The screen plays the click itself.
            button->ClearSounds();
            const bool open = LevelOpen(mode * 50 + levelsPerPage * p + i);
            button->SetShown(open);
            if (open)
            {
                if (!lockedSeen)
                    page = p;
            }
            else
                lockedSeen = true;
        }
    }
    if (!lockedSeen)
        page = 0;
}

bool cFrontendBase::LevelOpen(int32_t levelNumber) const
{
    if (levelNumber == 0 || levelNumber == 50)
        return true;
    return levelNumber > 0 && levelNumber <= cSaveData::kLevelCount && Save().progress[levelNumber - 1].completed;
}

int32_t cFrontendBase::ShownPage() const { return std::clamp(page, 0, kLevelPageCount - 1); }

void cFrontendBase::SlidePage()
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

void cFrontend::EnterLevelSelect()
{
    // The focus starts on the first button of the shown page.
    for (cGlaControllerScene* p : scrLevelScreen)
        if (p != nullptr)
            p->SetFocus(0);
    if (scrLevelSelect != nullptr)
    {
        scrLevelSelect->SetFocus(0);
        scrLevelSelect->HideFocus();
    }
    const uint32_t sum = static_cast<uint32_t>(SumPerfectTimes(mode, Save()));
    UploadLeaderboardScore(mode == 1 ? kBonusBoard : kStoryBoard, FramesToMilliseconds(sum));
    if (cGlaControllerSprite* sprite = FindSpriteController(scrLevelScreen[0], "Sprite000"))
        sprite->visible = mode == 0;
    slideSpare = 0.0f;
}

void cFrontend::LevelPageKeys(cGlaControllerScene* P)
{
    // f: the focus on the page (rows of five), k: the focus is on the page at all;
    // S: the screen's own buttons, reached from the rows' ends.
    cGlaControllerScene* S = scrLevelSelect;
    const int32_t f = P->focusIndex;
    const bool k = P->keyboardMode;
    if (PressedUp())
    {
        if (f < 5)
        {
            if (S != nullptr)
                S->SetFocus(1);
            P->HideFocus();
        }
        else if (k)
            P->MoveFocus(-5);
        else
        {
            if (S != nullptr)
                S->HideFocus();
            P->ShowFocus();
        }
    }
    else if (PressedDown())
    {
        if (f >= 5)
        {
            if (S != nullptr)
                S->SetFocus(0);
            P->HideFocus();
        }
        else if (k)
            P->MoveFocus(5);
        else
        {
            if (S != nullptr)
                S->HideFocus();
            P->ShowFocus();
        }
    }
    else if (PressedLeft())
    {
        if (k)
        {
            if (f == 0 || f == 5)
            {
                if (page > 0)
                {
                    slideOffset = 1.0f;
                    targetPage = page - 1;
                }
            }
            else
                P->MoveFocus(-1);
        }
    }
    else if (PressedRight())
    {
        if (k)
        {
            if (f == 4 || f == 9)
            {
                if (page < pageCount - 1)
                {
                    slideOffset = -1.0f;
                    targetPage = page + 1;
                }
            }
            else
                P->MoveFocus(1);
        }
    }
    else if (PressedActivate())
    {
        if (k)
            P->ActivateFocused();
        else if (S != nullptr)
            S->ActivateFocused();
    }
}

void cFrontendBase::DrawLevelSelectLayout()
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

void cFrontendBase::DrawLevelButtonMarks(int32_t pageIndex, int32_t slot)
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
            const uint8_t align = centreNarrowPerfectTimes && GetScreenWidth() < 960 ? 0 : 1;
            DrawTextAt(gfx, at.x + offset.x, at.y + offset.y, align, text.c_str());
            gfx.SetColour(kOpaqueWhite);
        }
        DrawIconAt(gfx, iconStar, look, "Perfect", at);
    }
}

// --- survival and challenge --------------------------------------------------------------------

void cFrontendBase::SetupChallengeButtons()
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

void cFrontend::EnterChallengeSelect(cGlaControllerScene* own)
{
    if (scrLevelScreenS != nullptr)
        scrLevelScreenS->SetFocus(0);
    if (scrLevelScreenC != nullptr)
        scrLevelScreenC->SetFocus(0);
    if (own != nullptr)
    {
        own->SetFocus(0);
        own->HideFocus();
    }
    slideSpare = 0.0f;
    if (challenge)
    {
        uint32_t sum = 0;
        for (int32_t n = 250; n < 255; ++n)
            sum += static_cast<uint32_t>(Save().progress[n].bestPerfectTime);
        const int32_t ms = static_cast<int32_t>(static_cast<float>(sum) / 30.0 * 1000.0);
        // The upload does nothing when the platform knows no such leaderboard.
        UploadLeaderboardScore(kChallengeBoard, ms);
    }
}

void cFrontend::ChallengePageKeys(cGlaControllerScene* P, cGlaControllerScene* own)
{
    // One row: up only brings the focus onto it, down always leaves it for the screen's
    // own buttons, left and right stop at its ends.
    const int32_t f = P->focusIndex;
    const bool k = P->keyboardMode;
    if (PressedUp())
    {
        if (!k)
        {
            if (own != nullptr)
                own->HideFocus();
            P->ShowFocus();
        }
    }
    else if (PressedDown())
    {
        if (f < 5)
        {
            if (own != nullptr)
                own->SetFocus(0);
            P->HideFocus();
        }
        else if (k)
            P->MoveFocus(5);
    }
    else if (PressedLeft())
    {
        if (k && f != 0 && f != 5)
            P->MoveFocus(-1);
    }
    else if (PressedRight())
    {
        if (k && f != 4 && f != 9)
            P->MoveFocus(1);
    }
    else if (PressedActivate())
    {
        if (k)
            P->ActivateFocused();
        else if (own != nullptr)
            own->ActivateFocused();
    }
}

void cFrontendBase::DrawChallengeLayout(int32_t alpha)
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
        cTextLayout layout(systemFont, static_cast<int32_t>(w * 0.7f),
                           challenge ? "Classic levels with an added challenge and no checkpoints."
                                     : "Collect as much sugar as possible to gain a high score.");
        gfx.SetColour(TextColour(alpha));
        DrawTextLayoutAt(gfx, w * 0.5f, challenge ? h * 0.55f : h * 0.5f, 0, &layout);
    }
    gfx.SetColour(saved);
    gfx.PopTransform();
}

void cFrontendBase::DrawSurvivalButtonMarks(int32_t pageIndex, int32_t slot)
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

// --- statistics ---------------------------------------------------------------------------------

cFrontendBase::LevelStatsFigures cFrontendBase::GetLevelStatsFigures() const
{
    const cSaveData& save = Save();
    LevelStatsFigures figures;
    figures.sugarLevels = CountSugarLevels(mode, save);
    figures.stickers = CountStickers(mode, save);
    figures.perfectLevels = CountPerfectLevels(mode, save);
    figures.levelCount = mode == 1 ? 10 : 40;
    FormatMilliseconds(figures.perfectTime, 15,
                       static_cast<float>(static_cast<uint32_t>(SumPerfectTimes(mode, save))) / 30.0f);
    return figures;
}

const ImageRect* const* cFrontendBase::StatsDigits() const
{
    for (const ImageRect* digit : hudDigits)
        if (digit == nullptr)
            return smallDigits;
    return hudDigits;
}

void cFrontendBase::DrawLevelStats()
{
    cGfx2D& gfx = *gfx2D;
    DrawScene(scrLevelStats, gfx);
    if (scrLevelStats == nullptr)
        return;
    const LevelStatsFigures figures = GetLevelStatsFigures();
    const int32_t alpha = static_cast<int32_t>(gfx.GetColour() >> 24);
    const float w = static_cast<float>(GetScreenWidth());
    const int32_t total = figures.levelCount;
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
        cTextLayout layout(systemFont, static_cast<int32_t>(w * 0.4f), words);
        const uint32_t saved = gfx.GetColour();
        gfx.SetColour(TextColour(alpha));
        DrawTextLayoutAt(gfx, at.x, at.y, 1, &layout);
        gfx.SetColour(saved);
    };

    number("sugerCurrent", figures.sugarLevels, kAlignRight);
    number("sugerTotal", total, kAlignLeft);
    text("sugerText", "Collect all the sugar in a single level to earn one of these stickers.");
    number("stickerCurrent", figures.stickers, kAlignRight);
    number("stickerTotal", total, kAlignLeft);
    text("stickerText", "There is a hidden sticker in every level, find it to earn one of these stickers.");
    number("perfectCurrent", figures.perfectLevels, kAlignRight);
    number("perfectTotal", total, kAlignLeft);
    text("perfectText", "To gain a \x93perfect\x94 sticker, complete the level without bursting into confetti, "
                        "collecting all items.  Times will be recorded for perfect levels.");
    cVec2f at;
    if (systemFont != nullptr && place("perfectTime", at))
    {
        const uint32_t saved = gfx.GetColour();
        gfx.SetFont(systemFont);
        gfx.SetColour(TextColour(alpha));
        DrawTextAt(gfx, at.x, at.y, 0, figures.perfectTime.c_str());
        gfx.SetColour(saved);
    }
}

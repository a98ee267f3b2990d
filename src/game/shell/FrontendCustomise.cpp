// The customisation screen's pages: five pages of eleven items (hair, body, cup, base with
// its handle, trail), each item after the first unlocked by the sticker of one level, and a
// live preview of the character; and the keys that move the 1280 by 720 front end's focus
// over the tabs and the items.
#include <algorithm>

#include "KelpoBase/gla/GlaElementControllers.h"
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/gla/GlaSet.h"
#include "game/shell/Frontend.h"
#include "game/shell/SaveData.h"

using namespace frontend;

namespace
{
// The save data's look slot of each page.
const int kPageLook[cFrontendBase::kCustomisePageCount] = {cSaveData::kLookHair, cSaveData::kLookBody,
                                                        cSaveData::kLookCup, cSaveData::kLookBase,
                                                        cSaveData::kLookTrail};
// The image set each page's items show.
const int kPageImages[cFrontendBase::kCustomisePageCount] = {cFrontendBase::kHairImages, cFrontendBase::kBodyImages,
                                                              cFrontendBase::kCupImages, cFrontendBase::kBaseImages,
                                                              cFrontendBase::kTrailImages};

int32_t ClampLook(int32_t value) { return std::clamp(value, 0, cFrontendBase::kPartItemCount - 1); }

// Writes the image into every key of the sprite element's image track.
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
} // namespace

int32_t cFrontendBase::StickerRecordForItem(int32_t customPage, int32_t item)
{
    const int32_t record = customPage + 5 * (item - 1);
    return record > 39 ? record + 10 : record;
}

int32_t cFrontendBase::GetPageLookValue(int32_t customPage) const
{
    if (customPage < 0 || customPage >= kCustomisePageCount)
        return 0;
    return ClampLook(Save().look[kPageLook[customPage]]);
}

void cFrontend::ShowCustomisePage(int32_t customPage)
{
    cGlaControllerScene* pageScene =
        customPage >= 0 && customPage < kCustomisePageCount ? scrCustomisePages[customPage] : nullptr;
    if (pageScene == nullptr)
        return;
    // The keyboard focus waits on the tabs: no item is highlighted until it enters the page.
    pageScene->SetFocus(0);
    cFrontendBase::ShowCustomisePage(customPage);
    pageScene->HideFocus();
}

void cFrontendBase::ShowCustomisePage(int32_t customPage)
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
        cGlaControllerToggleButton* toggle = FindToggleButtonController(pageScene, ToggleName(item));
        if (toggle == nullptr)
            continue;
        const bool unlocked = item == 0 || save.progress[StickerRecordForItem(customPage, item)].sticker;
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

void cFrontendBase::ChooseCustomiseItem(int32_t item)
{
    if (customisePage < 0 || customisePage >= kCustomisePageCount || item < 0 || item >= kPartItemCount)
        return;
    cGlaControllerScene* pageScene = scrCustomisePages[customisePage];
    for (int32_t other = 0; other < kPartItemCount; ++other)
        if (other != item)
            SetToggle(pageScene, ToggleName(other), false);
    cSaveData& save = Save();
    int32_t hair = 0, body = 0, base = 0, trail = 0, cup = 0;
    save.GetLook(hair, body, base, trail, cup);
    int32_t* values[kCustomisePageCount] = {&hair, &body, &cup, &base, &trail};
    *values[customisePage] = item;
    save.SetLook(ClampLook(hair), ClampLook(body), ClampLook(base), ClampLook(trail), ClampLook(cup));
    RefreshCustomisePreview();
}

void cFrontendBase::RefreshCustomisePreview()
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

void cFrontend::CustomiseTabKeys()
{
    if (scrCustomise == nullptr)
        return;
    if (PressedUp())
        scrCustomise->MoveFocus(-1);
    else if (PressedDown())
        scrCustomise->MoveFocus(1);
    else if (PressedRight())
    {
        // Into the grid of the page shown.
        customiseInPage = true;
        scrCustomise->HideFocus();
        if (cGlaControllerScene* pageScene = scrCustomisePages[std::clamp(customisePage, 0, kCustomisePageCount - 1)])
            pageScene->ShowFocus();
    }
    else if (PressedLeft())
        scrCustomise->SetFocus(5);
    else if (PressedActivate())
        scrCustomise->ActivateFocused();
}

void cFrontend::CustomiseItemKeys(cGlaControllerScene* pageScene)
{
    // The items stand in rows of three; left from the first column goes back to the tab of
    // the same row.
    const int32_t f = pageScene->focusIndex;
    if (PressedUp())
    {
        if (f > 2)
            pageScene->MoveFocus(-3);
    }
    else if (PressedDown())
    {
        if (f < 9)
            pageScene->MoveFocus(3);
    }
    else if (PressedLeft())
    {
        if (f % 3 == 0)
        {
            pageScene->HideFocus();
            if (scrCustomise != nullptr)
            {
                scrCustomise->ShowFocus();
                scrCustomise->SetFocus(f / 3);
            }
            customiseInPage = false;
        }
        else
            pageScene->MoveFocus(-1);
    }
    else if (PressedRight())
    {
        if (f != 2 && f != 5 && f != 8)
            pageScene->MoveFocus(1);
    }
    else if (PressedActivate())
        pageScene->ActivateFocused();
}

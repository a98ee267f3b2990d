#include "KelpoBase/gla/GlaControllerScene.h"

#include <cmath>

#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/gla/GlaElementControllers.h"
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/gla/Particles.h"
#include "KelpoBase/render/Gfx2D.h"

namespace
{
template <class T>
bool IsExactly(const cKelpoObj* object)
{
    return object != nullptr && object->GetClassInfo() == T::StaticClassInfo();
}

bool IsFocusable(const cGlaControllerElement* controller)
{
    return IsExactly<cGlaControllerButton>(controller) || IsExactly<cGlaControllerToggleButton>(controller);
}

// Limits a frame to 0 .. count - 1, the upper bound first (so a scene with no frames
// gives -1).
int32_t ClampFrame(int32_t frame, int32_t count)
{
    if (frame > count - 1)
        return count - 1;
    if (frame < 0)
        return 0;
    return frame;
}

// The object type name of a game object element: its type's name, else the name the
// file gave when no type matched it.
const std::string& ObjectTypeName(const cGlaElement* element)
{
    return element->type != nullptr ? element->type->name : element->typeName;
}
} // namespace

cGlaControllerElement* CreateElementController(cGlaController* owner, cGlaElement* element)
{
    if (element == nullptr)
        return nullptr;
    if (IsExactly<cGlaElementSprite>(element))
        return new cGlaControllerSprite(owner, element);
    if (IsExactly<cGlaElementTextBox>(element))
        return new cGlaControllerTextBox(owner, element);
    if (IsExactly<cGlaElementRectangle>(element))
        return new cGlaControllerRectangle(owner, element);
    if (IsExactly<cGlaElementScene>(element))
        return new cGlaControllerSceneElement(owner, element);
    if (IsExactly<cGlaElementEvent>(element))
        return new cGlaControllerEvent(owner, element);
    if (IsExactly<cGlaElementPolyTextured>(element))
        return new cGlaControllerPolyTextured(owner, element, 1.0f);
    if (IsExactly<cGlaElementMultiSprite>(element))
        return new cGlaControllerMultiSprite(owner, element);
    if (IsExactly<cGlaElementParticleEmiter>(element))
        return new cGlaControllerParticleEmiter(owner, element);
    if (IsExactly<cGlaElementGameObj>(element))
    {
        const std::string& typeName = ObjectTypeName(element);
        if (typeName == "Button")
            return new cGlaControllerButton(owner, element);
        if (typeName == "Toggle Button")
            return new cGlaControllerToggleButton(owner, element);
        if (typeName == "Slider")
            return new cGlaControllerSlider(owner, element);
    }
    return nullptr;
}

cGlaControllerScene::cGlaControllerScene(cGlaScene* playedScene) : cGlaController(nullptr)
{
    if (playedScene != nullptr)
    {
        scene = playedScene;
        BuildControllers(playedScene->elements);
    }
}

cGlaControllerScene::cGlaControllerScene(cGlaController* ownerController) : cGlaController(ownerController) {}

cGlaControllerScene::~cGlaControllerScene()
{
    ClearControllers();
}

void cGlaControllerScene::BuildControllers(const std::vector<cGlaElement*>& elementList)
{
    ClearControllers();
    // The list is copied: a set-up that changes the scene must not pull it from under us.
    const std::vector<cGlaElement*> list = elementList;
    for (cGlaElement* element : list)
    {
        cGlaControllerElement* controller = CreateElementController(this, element);
        if (controller == nullptr)
            continue;
        elementControllers.push_back(controller);
        if (IsExactly<cGlaControllerSceneElement>(controller))
            nestedScenes.push_back(static_cast<cGlaControllerSceneElement*>(controller));
    }
    for (size_t i = 0; i < elementControllers.size(); ++i)
        elementControllers[i]->Setup();
}

void cGlaControllerScene::SetScene(cGlaScene* newScene)
{
    scene = newScene;
    if (newScene != nullptr)
        BuildControllers(newScene->elements);
    else
        ClearControllers();
}

void cGlaControllerScene::ClearControllers()
{
    for (cGlaControllerElement* controller : elementControllers)
        delete controller;
    elementControllers.clear();
    nestedScenes.clear();
    particlePool.reset();
}

int32_t cGlaControllerScene::GetFrameCount() const
{
    return scene != nullptr ? scene->frameCount : 0;
}

// Sets every nested scene to its start (start offset + frame offset of its element) and
// plays it. A nested scene with no frames (or none at all) skips the wrap.
void cGlaControllerScene::RestartNested(bool loopNested, int32_t stepNested, bool alwaysLoop)
{
    for (cGlaControllerSceneElement* element : nestedScenes)
    {
        cGlaControllerScene* child = element->GetNestedScene();
        if (child == nullptr)
            continue;
        const int32_t count = child->GetFrameCount();
        int64_t start = static_cast<int64_t>(element->startOffset) + element->frameOffset;
        if ((loopNested || alwaysLoop) && count > 0)
            start %= count;
        if (start > INT32_MAX)
            start = INT32_MAX;
        if (start < INT32_MIN)
            start = INT32_MIN;
        child->SetFrame(static_cast<int32_t>(start));
        child->Play(loopNested, stepNested);
    }
}

void cGlaControllerScene::Play(bool loopPlayback, int32_t playStep)
{
    loop = loopPlayback;
    loopCount = 0;
    step = playStep;
    speed = static_cast<float>(playStep);
    playing = true;
    fraction = 0.0f;
    const float fps = scene != nullptr ? scene->fps : 30.0f;
    const float ratio = static_cast<float>(fps / 30.0);
    if (ratio == 1.0f)
        fractionalMode = false;
    else
    {
        fractionalMode = true;
        speed = static_cast<float>(playStep) * ratio;
    }
    RestartNested(loopPlayback, playStep, false);
}

void cGlaControllerScene::StartChildScenes()
{
    RestartNested(true, 1, true);
}

void cGlaControllerScene::Advance()
{
    const int32_t count = GetFrameCount();
    if (playing && count > 1)
    {
        if (!fractionalMode)
        {
            frame += step;
            if (step >= 1)
            {
                if (frame >= count)
                {
                    loopCount += 1;
                    if (loop)
                        frame = 0;
                    else
                        playing = false;
                }
            }
            else if (frame < 1)
            {
                loopCount += 1;
                if (loop)
                    frame = count - 1;
                else
                    playing = false;
            }
            if (playing)
                SetFrame(frame);
        }
        else
        {
            playbackPosition += speed;
            const float fcount = static_cast<float>(count);
            if (step > 0)
            {
                if (playbackPosition >= fcount)
                {
                    loopCount += 1;
                    if (loop)
                        playbackPosition -= fcount;
                    else
                        playing = false;
                }
            }
            else if (playbackPosition < 0.0f)
            {
                loopCount += 1;
                if (loop)
                    playbackPosition += fcount;
                else
                    playing = false;
            }
            const float whole = std::floor(playbackPosition);
            frame = TruncToInt32(whole);
            fraction = playbackPosition - whole;
            if (playing)
                SetFrameBlend(frame, fraction);
        }
    }
    for (size_t i = 0; i < nestedScenes.size(); ++i)
        if (cGlaControllerScene* child = nestedScenes[i]->GetNestedScene())
            child->Advance();
}

void cGlaControllerScene::SetFrame(int32_t newFrame)
{
    frame = ClampFrame(newFrame, GetFrameCount());
    for (size_t i = 0; i < elementControllers.size(); ++i)
        elementControllers[i]->SetFrame(frame);
}

void cGlaControllerScene::SetFrameBlend(int32_t newFrame, float blendFraction)
{
    frame = ClampFrame(newFrame, GetFrameCount());
    for (size_t i = 0; i < elementControllers.size(); ++i)
        elementControllers[i]->SetFrameBlend(frame, blendFraction);
}

void cGlaControllerScene::Rewind()
{
    frame = 0;
    loopCount = 0;
    step = 1;
    loop = false;
    playing = false;
}

void cGlaControllerScene::AdvanceChildScenes()
{
    for (size_t i = 0; i < nestedScenes.size(); ++i)
        if (cGlaControllerScene* child = nestedScenes[i]->GetNestedScene())
            child->Advance();
}

void cGlaControllerScene::Update()
{
    if (particlePool != nullptr)
        UpdateParticlePool(*particlePool);
    ClearMessages();
    for (size_t i = 0; i < elementControllers.size(); ++i)
        elementControllers[i]->Update();
}

cRect2f& cGlaControllerScene::GetBounds(cRect2f& out) const
{
    Rect2Reset(out);
    for (cGlaControllerElement* controller : elementControllers)
    {
        cOrientedBox box;
        RectExtendByOrientedBox(out, controller->GetBounds(box));
    }
    return out;
}

void cGlaControllerScene::PostMessage(const cKelpoMsg& message)
{
    cKelpoMsgHandler::PostMessage(message);
}

void cGlaControllerScene::ResetInput()
{
    ClearPointerCaptures();
    ClearMessages();
    for (size_t i = 0; i < elementControllers.size(); ++i)
        elementControllers[i]->ResetInput();
}

cGlaControllerElement* cGlaControllerScene::FindController(const std::string& elementName) const
{
    for (cGlaControllerElement* controller : elementControllers)
        if (controller->element != nullptr && controller->element->name == elementName)
            return controller;
    for (cGlaControllerSceneElement* element : nestedScenes)
        if (cGlaControllerScene* child = element->GetNestedScene())
            if (cGlaControllerElement* found = child->FindController(elementName))
                return found;
    return nullptr;
}

cParticlePool* cGlaControllerScene::GetParticlePool()
{
    if (particlePool == nullptr)
        particlePool = std::make_unique<cParticlePool>();
    return particlePool.get();
}

void cGlaControllerScene::HighlightFocused()
{
    int32_t number = 0;
    for (cGlaControllerElement* controller : elementControllers)
    {
        if (!IsFocusable(controller))
            continue;
        const bool on = number == focusIndex;
        if (IsExactly<cGlaControllerButton>(controller))
            static_cast<cGlaControllerButton*>(controller)->SetKeyboardHighlight(on);
        else
            static_cast<cGlaControllerToggleButton*>(controller)->SetKeyboardHighlight(on);
        ++number;
    }
}

void cGlaControllerScene::SetFocus(int32_t index)
{
    focusIndex = index;
    keyboardMode = true;
    focusableCount = 0;
    for (cGlaControllerElement* controller : elementControllers)
        if (IsFocusable(controller))
            ++focusableCount;
    HighlightFocused();
}

void cGlaControllerScene::MoveFocus(int32_t delta)
{
    const int32_t f = focusIndex + delta;
    if (f >= focusableCount)
        focusIndex = f - focusableCount;
    else if (f < 0)
        focusIndex = focusableCount + f;
    else
        focusIndex = f;
    HighlightFocused();
}

void cGlaControllerScene::ShowFocus()
{
    keyboardMode = true;
    HighlightFocused();
}

void cGlaControllerScene::HideFocus()
{
    keyboardMode = false;
    for (cGlaControllerElement* controller : elementControllers)
    {
        if (IsExactly<cGlaControllerButton>(controller))
            static_cast<cGlaControllerButton*>(controller)->SetKeyboardHighlight(false);
        else if (IsExactly<cGlaControllerToggleButton>(controller))
            static_cast<cGlaControllerToggleButton*>(controller)->SetKeyboardHighlight(false);
    }
}

void cGlaControllerScene::ActivateFocused()
{
    int32_t number = 0;
    for (cGlaControllerElement* controller : elementControllers)
    {
        if (!IsFocusable(controller))
            continue;
        if (number == focusIndex)
        {
            if (IsExactly<cGlaControllerButton>(controller))
                static_cast<cGlaControllerButton*>(controller)->ActivateByKeyboard();
            else
                static_cast<cGlaControllerToggleButton*>(controller)->ActivateByKeyboard();
            return;
        }
        ++number;
    }
}

namespace
{
template <class T>
T* FindTyped(const cGlaControllerScene* scene, const std::string& name)
{
    if (scene == nullptr)
        return nullptr;
    return ClassCast<T>(scene->FindController(name));
}
} // namespace

cGlaControllerSprite* FindSpriteController(const cGlaControllerScene* scene, const std::string& name)
{
    return FindTyped<cGlaControllerSprite>(scene, name);
}

cGlaControllerButton* FindButtonController(const cGlaControllerScene* scene, const std::string& name)
{
    return FindTyped<cGlaControllerButton>(scene, name);
}

cGlaControllerToggleButton* FindToggleButtonController(const cGlaControllerScene* scene, const std::string& name)
{
    return FindTyped<cGlaControllerToggleButton>(scene, name);
}

cGlaControllerSceneElement* FindSceneElementController(const cGlaControllerScene* scene, const std::string& name)
{
    return FindTyped<cGlaControllerSceneElement>(scene, name);
}

cGlaControllerRectangle* FindRectangleController(const cGlaControllerScene* scene, const std::string& name)
{
    return FindTyped<cGlaControllerRectangle>(scene, name);
}

// ---- Drawing ----

namespace
{
constexpr uint32_t kOpaqueRed = 0xFF0000FFu; // r 255, g 0, b 0, a 255

void ModulateCurrentColour(cGfx2D& gfx, uint32_t tint)
{
    gfx.SetColour(ModulateColour(gfx.GetColour(), tint));
}
} // namespace

void cGlaControllerScene::Draw(cGfx2D& gfx)
{
    const uint32_t savedColour = gfx.GetColour();
    gfx.PushTransform();
    gfx.Translate(position.x, position.y);
    if (angle != 0.0f)
        gfx.Rotate(angle);
    cOrientedBox view;
    view.halfExtents = cVec2f(kFloatMax, kFloatMax);
    for (size_t i = 0; i < elementControllers.size(); ++i)
        elementControllers[i]->Draw(gfx, view);
    if (particlePool != nullptr)
        DrawParticlePool(*particlePool, gfx);
    gfx.PopTransform();
    gfx.SetColour(savedColour);
}

// The view box is compared unchanged with each controller's bounds in the scene's own
// coordinates.
void cGlaControllerScene::DrawCulled(cGfx2D& gfx, const cOrientedBox& view)
{
    const uint32_t savedColour = gfx.GetColour();
    gfx.PushTransform();
    gfx.Translate(position.x, position.y);
    for (size_t i = 0; i < elementControllers.size(); ++i)
    {
        cOrientedBox box;
        elementControllers[i]->GetBounds(box);
        if (OrientedBoxesOverlap(view, box))
            elementControllers[i]->Draw(gfx, view);
    }
    if (particlePool != nullptr)
        DrawParticlePool(*particlePool, gfx);
    gfx.PopTransform();
    gfx.SetColour(savedColour);
}

void cGlaControllerScene::DrawBoundsCulled(cGfx2D& gfx, const cOrientedBox& view)
{
    const uint32_t savedColour = gfx.GetColour();
    gfx.PushTransform();
    gfx.Translate(position.x, position.y);
    ModulateCurrentColour(gfx, kOpaqueRed);
    for (size_t i = 0; i < elementControllers.size(); ++i)
    {
        cOrientedBox box;
        elementControllers[i]->GetBounds(box);
        if (OrientedBoxesOverlap(view, box))
            elementControllers[i]->DrawBounds(gfx, view);
    }
    gfx.PopTransform();
    gfx.SetColour(savedColour);
}

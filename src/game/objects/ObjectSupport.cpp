#include "game/objects/ObjectSupport.h"

#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElement.h"
#include "KelpoBase/gla/GlaProp.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/render/Gfx2D.h"
#include "game/objects/GameObj.h"
#include "game/objects/ObjectLevel.h"

namespace
{
template <class T>
const T* Exactly(const cGlaProp* prop)
{
    if (prop == nullptr || prop->GetClassInfo() != T::StaticClassInfo())
        return nullptr;
    return static_cast<const T*>(prop);
}
} // namespace

int32_t ElementIntProp(const cGlaElement* element, const std::string& name)
{
    if (element == nullptr)
        return 0;
    const cGlaPropInt* prop = Exactly<cGlaPropInt>(element->FindProp(name));
    return prop != nullptr ? prop->value : 0;
}

int32_t SceneIntProp(const cGlaScene* scene, const std::string& name)
{
    if (scene == nullptr)
        return 0;
    const cGlaPropInt* prop = Exactly<cGlaPropInt>(scene->FindProp(name));
    return prop != nullptr ? prop->value : 0;
}

cGlaScene* ElementSceneProp(const cGlaElement* element, const std::string& name)
{
    if (element == nullptr)
        return nullptr;
    const cGlaPropRefScene* prop = Exactly<cGlaPropRefScene>(element->FindProp(name));
    return prop != nullptr ? prop->Resolve() : nullptr;
}

cVec2f ElementPosition(const cGlaElement* element)
{
    const cGlaElementPos* pos = ClassCast<const cGlaElementPos>(element);
    if (pos == nullptr)
        return cVec2f();
    return pos->position.GetValue(0);
}

void TickScene(cGlaControllerScene* scene)
{
    if (scene == nullptr)
        return;
    scene->Update();
    scene->Advance();
}

cOrientedBox ViewInObjectFrame(const cOrientedBox& view, const cVec2f& position, float angle)
{
    cOrientedBox local = view;
    local.centre = view.centre - position;
    local.centre.Rotate(-angle);
    local.axisX.Rotate(-angle);
    local.axisY.Rotate(-angle);
    return local;
}

void DrawSceneAtObject(cGfx2D& gfx, cGlaControllerScene* scene, const cGameObj* owner, float angle, int32_t depth)
{
    if (scene == nullptr || owner == nullptr)
        return;
    const cVec2f pixels = owner->position * 32.0f;
    gfx.PushTransform();
    gfx.PushLayer();
    gfx.Translate(pixels.x, pixels.y);
    gfx.Rotate(angle);
    gfx.AddLayer(depth);
    if (const cObjectLevel* level = ObjectLevelOf(owner))
        scene->DrawCulled(gfx, ViewInObjectFrame(level->viewBox, pixels, angle));
    else
        scene->Draw(gfx);
    gfx.PopLayer();
    gfx.PopTransform();
}

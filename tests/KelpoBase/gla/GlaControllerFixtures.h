// Scenes built in memory for the controller tests: a set owns every scene; helpers add
// elements with the tracks a played element needs (visible, placed, unit scale).
#pragma once

#include <memory>
#include <string>

#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/platform/Input.h"

namespace glatest
{
struct SceneSet
{
    std::unique_ptr<cGlaSet> set = std::make_unique<cGlaSet>();

    cGlaScene* AddScene(const std::string& name, int32_t frames, float fps = 30.0f)
    {
        auto* scene = new cGlaScene();
        scene->SetName(name);
        scene->frameCount = frames;
        scene->fps = fps;
        set->AddScene(scene);
        return scene;
    }

    cGlaObjectType* Type(const std::string& name)
    {
        if (cGlaObjectType* t = set->FindType(name))
            return t;
        auto* t = new cGlaObjectType();
        t->name = name;
        set->types.push_back(t);
        return t;
    }
};

template <class T>
T* AddElement(cGlaScene* scene, uint8_t code, const std::string& name)
{
    auto* e = static_cast<T*>(CreateGlaElement(code));
    e->name = name;
    if (IsGlaSpriteCode(code))
        scene->AddSpriteElement(e);
    else
        scene->AddObjectElement(e);
    return e;
}

inline cGlaElementSprite* AddSprite(cGlaScene* scene, const std::string& name, cVec2f at = {})
{
    auto* s = AddElement<cGlaElementSprite>(scene, kGlaSprite, name);
    s->visible.AddKey(true);
    s->position.AddKey(at);
    s->scale.AddKey(cVec2f(1.0f, 1.0f));
    return s;
}

inline cGlaElementRectangle* AddRectangle(cGlaScene* scene, const std::string& name, cVec2f at, cVec2f size)
{
    auto* r = AddElement<cGlaElementRectangle>(scene, kGlaRectangle, name);
    r->visible.AddKey(true);
    r->position.AddKey(at);
    r->size.AddKey(size);
    return r;
}

inline cGlaElementScene* AddSceneElement(cGlaScene* scene, const std::string& name, cGlaScene* nested,
                                         uint32_t startOffset = 0)
{
    auto* e = AddElement<cGlaElementScene>(scene, kGlaScene, name);
    e->visible.AddKey(true);
    e->position.AddKey(cVec2f());
    e->scale.AddKey(cVec2f(1.0f, 1.0f));
    e->scenes.AddNamedKey(nested, 0, nested != nullptr ? nested->GetName() : std::string());
    e->startOffset = startOffset;
    return e;
}

// A game object of the type ("Button", "Toggle Button", "Slider") at a position, with its
// look scene named by the reference property (prop "Button" or "Slider").
inline cGlaElementGameObj* AddControl(SceneSet& s, cGlaScene* scene, const std::string& typeName,
                                      const std::string& name, cVec2f at, const std::string& lookProp,
                                      const std::string& lookName, const std::string& action)
{
    auto* e = AddElement<cGlaElementGameObj>(scene, kGlaGameObj, name);
    e->type = s.Type(typeName);
    e->typeName = typeName;
    e->visible.AddKey(true);
    e->position.AddKey(at);
    e->scale.AddKey(cVec2f(1.0f, 1.0f));
    if (!lookName.empty())
        e->AddProp(new cGlaPropRefScene(scene, lookProp, lookName));
    if (!action.empty())
        e->AddProp(new cGlaPropString("Action", action));
    return e;
}

// A look scene for buttons and toggles: the frame count, a hit box of 100 x 50 around the
// origin and a "keyboard" highlight sprite.
inline cGlaScene* AddLook(SceneSet& s, const std::string& name, int32_t frames)
{
    cGlaScene* look = s.AddScene(name, frames);
    AddRectangle(look, "hitbox", cVec2f(), cVec2f(100.0f, 50.0f));
    AddSprite(look, "keyboard");
    return look;
}

// One frame of pointer input: the state now, then the main loop's copy after the update.
struct PointerScript
{
    PointerScript() { ResetInputState(); }
    ~PointerScript() { ResetInputState(); }
    void Down(int32_t x, int32_t y) { PointerDown(x, y); }
    void Move(int32_t x, int32_t y) { PointerMove(x, y); }
    void Up(int32_t x, int32_t y) { PointerUp(x, y); }
    void EndFrame() { CopyInputToPrevious(); }
};
} // namespace glatest

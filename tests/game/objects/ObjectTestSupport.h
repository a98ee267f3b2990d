// Shared pieces of the object-kind tests: an object level with a world and a particle
// pool, a loopback audio manager, and stand-in sounds and images.
#pragma once

#include <box2d/box2d.h>

#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/gla/GlaElement.h"
#include "KelpoBase/gla/GlaProp.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/gla/Particles.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/AudioTestSupport.h"
#include "KelpoBase/render/SoundResource.h"
#include "KelpoBase/render/TextureAtlas.h"
#include "game/objects/GameObj.h"
#include "game/objects/ObjectLevel.h"
#include "game/objects/RigidBodyController.h"

namespace objecttest
{
// An object level with a world (gravity (0, 20)), its own particle pool and a record of
// the services the objects called.
struct TestObjectLevel : cObjectLevel
{
    explicit TestObjectLevel(uint32_t poolCapacity = 1024)
    {
        world = new b2World(b2Vec2(0.0f, 20.0f));
        pool.Create(poolCapacity);
        particles = &pool;
        b2BodyDef def;
        groundBody = world->CreateBody(&def);
    }
    ~TestObjectLevel() override
    {
        // Objects first (their bodies live in the world).
        for (cGameObj* o : objects)
            delete o;
        delete world;
    }
    void Step(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            StepWorld(timeStep, 8, 3);
    }
    // One level frame: the step, then every object's update.
    void Frame()
    {
        frameCounter += 1;
        Step();
        for (cGameObj* o : std::vector<cGameObj*>(objects))
            o->Update();
    }

    cGameObj* FindObjectByName(const std::string& name) override
    {
        for (cGameObj* o : objects)
            if (o->GetName() == name)
                return o;
        return nullptr;
    }
    void SetWorldAngle(float degrees, bool direct) override
    {
        angleCalls.push_back(degrees);
        worldAngle = direct ? degrees : worldAngle + degrees;
    }
    void DropPickup(int kind, const cVec2f& position) override { drops.push_back({kind, position}); }
    void BuildSpawnedObject(cGlaElement* element, float angle, float forceAngle, const cVec2f& position) override
    {
        (void)forceAngle;
        spawns.push_back({element, angle, position});
    }
    uint32_t PlayerZoneFlags() const override { return zoneFlags; }
    int32_t PlayerStateValue() const override { return playerState; }
    bool PlayerPosition(cVec2f& out) const override
    {
        out = playerPos;
        return hasPlayer;
    }
    int ScreenWidth() const override { return 1280; }
    int ScreenHeight() const override { return 720; }
    int PerformanceMode() const override { return performance; }
    bool IsPaused() const override { return paused; }

    struct Drop
    {
        int kind;
        cVec2f position;
    };
    struct Spawn
    {
        cGlaElement* element;
        float angle;
        cVec2f position;
    };
    cParticlePool pool;
    std::vector<cGameObj*> objects;
    std::vector<float> angleCalls;
    float worldAngle = 0.0f;
    std::vector<Drop> drops;
    std::vector<Spawn> spawns;
    uint32_t zoneFlags = 0;
    int32_t playerState = 0;
    cVec2f playerPos;
    bool hasPlayer = false;
    int performance = 3;
    bool paused = false;
};

// Stand-in images: an image-less rectangle of some width is enough for the pool.
struct Images
{
    Images()
    {
        for (ImageRect& r : rects)
        {
            r.w = 16;
            r.h = 16;
        }
    }
    ImageList List(size_t n)
    {
        ImageList out;
        for (size_t i = 0; i < n && i < 8; ++i)
            out.push_back(&rects[i]);
        return out;
    }
    ImageRect rects[8];
};

// The audio manager over the loopback device for the life of the object (null when the
// device cannot be opened: the test then skips its sound checks).
struct LoopbackAudio
{
    LoopbackAudio()
    {
        SetAudioDeviceOpener(tvtest::OpenLoopbackDevice);
        audio = CreateAudioManager();
        if (audio != nullptr && !audio->IsEnabled())
            audio = nullptr;
    }
    ~LoopbackAudio()
    {
        sounds.clear();
        DeleteAudioManager();
        SetAudioDeviceOpener(nullptr);
    }
    // A sound without samples: enough for a voice to hold it as its current sound.
    cSound* NewSound()
    {
        sounds.push_back(std::make_unique<cSound>(audio, 1.0f));
        return sounds.back().get();
    }
    cSoundBuffer* On(int voice) const
    {
        AudioVoice* v = audio != nullptr ? audio->GetVoice(voice) : nullptr;
        return v != nullptr ? v->currentSound : nullptr;
    }
    AudioManager* audio = nullptr;
    std::vector<std::unique_ptr<cSound>> sounds;
};
// Scenes and elements made in code: a set that owns them all.
struct SceneKit
{
    cGlaScene* AddScene(const std::string& name, int32_t frames = 1)
    {
        auto* scene = new cGlaScene();
        scene->SetName(name);
        scene->frameCount = frames;
        set.AddScene(scene);
        return scene;
    }
    cGlaElementPath* AddPath(cGlaScene* scene, const std::string& name, const std::vector<cVec2f>& points,
                             bool closed = false)
    {
        auto* path = new cGlaElementPath();
        path->name = name;
        path->points = points;
        path->closed = closed ? 1 : 0;
        path->position.AddKey(cVec2f());
        scene->AddObjectElement(path);
        path->BuildPath();
        return path;
    }
    cGlaElementGameObj* AddObject(cGlaScene* scene, const std::string& name, const cVec2f& at = cVec2f())
    {
        auto* element = new cGlaElementGameObj();
        element->name = name;
        element->position.AddKey(at);
        scene->AddObjectElement(element);
        return element;
    }
    cGlaElementRectangle* AddRectangle(cGlaScene* scene, const std::string& name, const cVec2f& size)
    {
        auto* rect = new cGlaElementRectangle();
        rect->name = name;
        rect->position.AddKey(cVec2f());
        rect->size.AddKey(size);
        rect->visible.AddKey(true);
        scene->AddObjectElement(rect);
        return rect;
    }
    static void Float(cGlaElement* e, const std::string& name, float v) { e->AddProp(new cGlaPropFloat(name, v)); }
    static void Int(cGlaElement* e, const std::string& name, int32_t v) { e->AddProp(new cGlaPropInt(name, v)); }
    static void Enum(cGlaElement* e, const std::string& name, int32_t v) { e->AddProp(new cGlaPropEnum(name, v)); }
    static void Bool(cGlaElement* e, const std::string& name, bool v) { e->AddProp(new cGlaPropBool(name, v)); }
    static void Ref(cGlaElement* e, const std::string& name, const std::string& target)
    {
        e->AddProp(new cGlaPropRefElement(e->scene, name, target));
    }
    static void SceneRef(cGlaElement* e, const std::string& name, const std::string& target)
    {
        e->AddProp(new cGlaPropRefScene(e->scene, name, target));
    }
    cGlaSet set;
};

// A game object in the level with a body of the type, listed for updates.
inline cGameObj* AddBodyObject(TestObjectLevel& level, b2BodyType type, const std::string& name = "")
{
    auto* obj = new cGameObj(&level);
    obj->SetName(name);
    auto* rb = new cRigidBodyController;
    obj->SetRigidBodyController(rb);
    rb->CreateBody(type);
    const b2Vec2 pts[4] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}};
    rb->AddPolygonFixture(pts, 0.5f, 0.0f, 1, 0xFFFF);
    level.objects.push_back(obj);
    return obj;
}
} // namespace objecttest

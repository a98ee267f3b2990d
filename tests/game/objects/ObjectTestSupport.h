// Shared pieces of the object-kind tests: an object level with a world and a particle
// pool, a loopback audio manager, and stand-in sounds and images.
#pragma once

#include <box2d/box2d.h>

#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/gla/Particles.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/AudioTestSupport.h"
#include "KelpoBase/render/SoundResource.h"
#include "KelpoBase/render/TextureAtlas.h"
#include "game/objects/GameObj.h"
#include "game/objects/ObjectLevel.h"

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
} // namespace objecttest

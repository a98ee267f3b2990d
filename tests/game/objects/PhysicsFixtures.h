// Shared fixtures of the game-object tests: a level with a world, controllers that
// record what happens to them, and a 2D context that records line strips and polygons.
#pragma once

#include <box2d/box2d.h>

#include <cstdint>
#include <string>
#include <vector>

#include "KelpoBase/render/Gfx2D.h"
#include "game/objects/Controller.h"
#include "game/objects/GameObj.h"
#include "game/objects/LevelBase.h"
#include "game/objects/RigidBodyController.h"

namespace physicstest
{
// A level with a world of the given gravity. Objects must be deleted before it.
struct TestLevel : cLevelBase
{
    explicit TestLevel(b2Vec2 gravity = b2Vec2(0.0f, 20.0f)) { world = new b2World(gravity); }
    ~TestLevel() override { delete world; }
    void Step(int times = 1)
    {
        for (int i = 0; i < times; ++i)
            StepWorld(timeStep, 8, 3);
    }
};

// An object with a rigid-body controller holding a body of the given type.
inline cGameObj* MakeBodyObject(cLevelBase* level, b2BodyType type, cRigidBodyController** out = nullptr)
{
    auto* obj = new cGameObj(level);
    auto* rb = new cRigidBodyController;
    obj->SetRigidBodyController(rb);
    rb->CreateBody(type);
    if (out != nullptr)
        *out = rb;
    return obj;
}

// A box fixture of half size h (metres) around the body origin.
inline b2Fixture* AddBox(cRigidBodyController* rb, float h, uint16_t category = 1, uint16_t mask = 0xFFFF,
                         float restitution = 0.0f)
{
    const b2Vec2 pts[4] = {{-h, -h}, {h, -h}, {h, h}, {-h, h}};
    return rb->AddPolygonFixture(pts, 0.5f, restitution, category, mask);
}

// A 2D context that records instead of drawing (no renderer needed).
struct RecordingGfx : cGfx2D
{
    struct Call
    {
        std::string kind; // "strip" or "fill"
        std::vector<cVec2f> points; // transformed to context coordinates
        bool closed = false;
        uint32_t colour = 0;
    };
    RecordingGfx() : cGfx2D(nullptr) {}
    void DrawLineStrip(const cVec2f* p, const uint32_t*, uint32_t n, bool closed) override
    {
        Record("strip", p, n, closed);
    }
    void FillPolygon(const cVec2f* p, const uint32_t*, uint32_t n) override { Record("fill", p, n, true); }
    void Record(const char* kind, const cVec2f* p, uint32_t n, bool closed)
    {
        Call c;
        c.kind = kind;
        c.closed = closed;
        c.colour = colour;
        for (uint32_t i = 0; i < n; ++i)
            c.points.push_back(transform.TransformPoint(p[i]));
        calls.push_back(c);
    }
    std::vector<Call> calls;
};
} // namespace physicstest

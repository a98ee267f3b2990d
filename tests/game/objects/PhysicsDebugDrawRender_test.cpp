// The physics debug drawing for real: a world's shapes drawn through the drawer's own
// context on the OpenGL renderer into the off-screen target, under the scale of 32
// pixels a metre, and read back.
#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <cstdio>
#include <memory>
#include <string>

#include "GLTestContext.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/RendererOGL.h"
#include "PhysicsFixtures.h"
#include "game/objects/PhysicsDebugDraw.h"

using namespace physicstest;

namespace
{
std::string Hex(uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

// Box2D's colour c (0..1) at alpha 0.95 over a black background.
uint32_t Over(float r, float g, float b)
{
    auto ch = [](float c) { return uint32_t(float(uint8_t(c * 255.0f)) * 0.95f + 0.5f); };
    return ch(r) | ch(g) << 8 | ch(b) << 16 | 0xFF000000u;
}
} // namespace

TEST(PhysicsDebugDrawRender, ShapesAppearWhereTheBodiesAreInTheirColours)
{
    ASSERT_NE(tvtest::AcquireGLWindow(), nullptr);
    auto renderer = std::make_unique<cRenderer_OGL_1>();
    gRenderer = renderer.get();
    {
        TestLevel level(b2Vec2(0, 0));
        cPhysicsDebugDraw draw; // its own context on the renderer singleton
        ASSERT_NE(draw.gfx, nullptr);
        EXPECT_EQ(draw.gfx->renderer, renderer.get());

        // A static box of 2 by 2 m at (5, 5) m and an awake dynamic ball of radius 1 m at
        // (15, 5) m: 64 px squares around (160, 160) and (480, 160).
        cRigidBodyController* box = nullptr;
        cGameObj* boxObj = MakeBodyObject(&level, b2_staticBody, &box);
        AddBox(box, 1.0f);
        boxObj->SetPosition({5.0f, 5.0f});
        cRigidBodyController* ball = nullptr;
        cGameObj* ballObj = MakeBodyObject(&level, b2_dynamicBody, &ball);
        const cVec2f centre;
        ball->AddCircleFixture(&centre, 1.0f, 0, 0, 1, 0xFFFF);
        ballObj->SetPosition({15.0f, 5.0f});

        renderer->ResetRenderState();
        renderer->SetClearColour(0xFF000000u);
        renderer->Clear(kClearColour | kClearDepth);
        cGfx2D& g = *draw.gfx;
        g.SaveRendererState();
        g.Begin();
        g.PushTransform();
        g.Scale(32.0f, 32.0f);
        level.world->SetDebugDraw(&draw);
        level.world->DebugDraw();
        level.world->SetDebugDraw(nullptr);
        g.PopTransform();
        g.RestoreRendererState();

        auto pixel = [](int x, int y) { return tvtest::ReadScreenPixel(x, y, 720) | 0xFF000000u; };
        const uint32_t staticColour = Over(0.5f, 0.9f, 0.5f);
        const uint32_t dynamicColour = Over(0.9f, 0.7f, 0.7f);
        struct Probe
        {
            int x, y;
            uint32_t expected;
        } probes[] = {
            {160, 160, staticColour}, {135, 135, staticColour}, {185, 185, staticColour},
            {480, 160, dynamicColour}, {480, 135, dynamicColour}, {455, 160, dynamicColour},
            {200, 160, 0xFF000000u},   {460, 140 - 10, 0xFF000000u}, // outside the circle's rim
            {320, 160, 0xFF000000u},
        };
        for (const Probe& p : probes)
        {
            const uint32_t got = pixel(p.x, p.y);
            EXPECT_TRUE(tvtest::ColoursNear(got, p.expected, 4))
                << "at " << p.x << "," << p.y << " got " << Hex(got) << " expected " << Hex(p.expected);
        }
        delete ballObj;
        delete boxObj;
    }
    gRenderer = nullptr;
}

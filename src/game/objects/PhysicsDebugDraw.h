// cPhysicsDebugDraw: paints the physics world's shapes through a 2D drawing context.
//
// Box2D calls it from b2World::DebugDraw with coordinates in metres; the caller sets the
// context's transform (the scale of 32 pixels a metre and the camera) first. Only shapes
// are drawn (the draw flags are set to shapes). Each call takes the Box2D colour with an
// alpha of 0.95 as the context's current colour.
#pragma once

#include <box2d/box2d.h>

#include "KelpoBase/core/Vec2.h"

class cGfx2D;

class cPhysicsDebugDraw : public b2Draw
{
public:
    // Draws through a context of its own, made on the renderer singleton.
    cPhysicsDebugDraw();
    // Draws through the given context (not owned).
    explicit cPhysicsDebugDraw(cGfx2D* context);
    ~cPhysicsDebugDraw() override;
    cPhysicsDebugDraw(const cPhysicsDebugDraw&) = delete;
    cPhysicsDebugDraw& operator=(const cPhysicsDebugDraw&) = delete;

    // The outline as one two-point strip per edge (the last back to the first).
    void DrawPolygon(const b2Vec2* vertices, int32 vertexCount, const b2Color& color) override;
    void DrawSolidPolygon(const b2Vec2* vertices, int32 vertexCount, const b2Color& color) override;
    // A 16-point outline or filled circle around the centre.
    void DrawCircle(const b2Vec2& center, float radius, const b2Color& color) override;
    // The same filled circle whatever the axis.
    void DrawSolidCircle(const b2Vec2& center, float radius, const b2Vec2& axis, const b2Color& color) override;
    void DrawSegment(const b2Vec2& p1, const b2Vec2& p2, const b2Color& color) override;
    void DrawTransform(const b2Transform& xf) override;
    void DrawPoint(const b2Vec2& p, float size, const b2Color& color) override;

    void SetOffset(const cVec2f& o) { offset = o; }
    cGfx2D* GetContext() const { return gfx; }

    cGfx2D* gfx = nullptr;
    float alpha = 0.95f;
    cVec2f offset; // kept; not used in drawing

private:
    void SetColour(const b2Color& color);
    bool ownsContext = false;
};

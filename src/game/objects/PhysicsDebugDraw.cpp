#include "game/objects/PhysicsDebugDraw.h"

#include <vector>

#include "KelpoBase/core/Colour.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/Renderer.h"

cPhysicsDebugDraw::cPhysicsDebugDraw() : gfx(new cGfx2D(gRenderer)), ownsContext(true) { SetFlags(e_shapeBit); }

cPhysicsDebugDraw::cPhysicsDebugDraw(cGfx2D* context) : gfx(context) { SetFlags(e_shapeBit); }

cPhysicsDebugDraw::~cPhysicsDebugDraw()
{
    if (ownsContext)
        delete gfx;
}

void cPhysicsDebugDraw::SetColour(const b2Color& color)
{
    cRGBA c;
    c.Set(color.r, color.g, color.b, alpha);
    gfx->SetColour(c.Word());
}

void cPhysicsDebugDraw::DrawPolygon(const b2Vec2* vertices, int32 vertexCount, const b2Color& color)
{
    if (gfx == nullptr || vertices == nullptr || vertexCount < 2)
        return;
    SetColour(color);
    for (int32 i = 0; i < vertexCount; ++i)
    {
        const b2Vec2& a = vertices[i];
        const b2Vec2& b = vertices[(i + 1) % vertexCount];
        const cVec2f line[2] = {{a.x, a.y}, {b.x, b.y}};
        gfx->DrawLineStrip(line, nullptr, 2, false);
    }
}

void cPhysicsDebugDraw::DrawSolidPolygon(const b2Vec2* vertices, int32 vertexCount, const b2Color& color)
{
    if (gfx == nullptr || vertices == nullptr || vertexCount < 3)
        return;
    SetColour(color);
    std::vector<cVec2f> points(static_cast<size_t>(vertexCount));
    for (int32 i = 0; i < vertexCount; ++i)
        points[size_t(i)].Set(vertices[i].x, vertices[i].y);
    gfx->FillPolygon(points.data(), nullptr, uint32_t(vertexCount));
}

void cPhysicsDebugDraw::DrawCircle(const b2Vec2& center, float radius, const b2Color& color)
{
    if (gfx == nullptr)
        return;
    SetColour(color);
    gfx->PushTransform();
    gfx->Translate(center.x, center.y);
    gfx->DrawCircleOutline(radius);
    gfx->PopTransform();
}

void cPhysicsDebugDraw::DrawSolidCircle(const b2Vec2& center, float radius, const b2Vec2& axis,
                                        const b2Color& color)
{
    (void)axis;
    if (gfx == nullptr)
        return;
    SetColour(color);
    gfx->PushTransform();
    gfx->Translate(center.x, center.y);
    gfx->FillCircle(radius);
    gfx->PopTransform();
}

void cPhysicsDebugDraw::DrawSegment(const b2Vec2& p1, const b2Vec2& p2, const b2Color& color)
{
    if (gfx == nullptr)
        return;
    SetColour(color);
    const cVec2f line[2] = {{p1.x, p1.y}, {p2.x, p2.y}};
    gfx->DrawLineStrip(line, nullptr, 2, false);
}

void cPhysicsDebugDraw::DrawTransform(const b2Transform& xf) { (void)xf; }

void cPhysicsDebugDraw::DrawPoint(const b2Vec2& p, float size, const b2Color& color)
{
    (void)p;
    (void)size;
    (void)color;
}

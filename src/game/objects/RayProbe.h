// cRayTraceCallback: a ray cast that keeps the closest fixture passing a bit filter.
//
// A fixture is accepted when its category meets categoryMask and its mask meets
// maskMask; Box2D then shortens the ray to it, so the callback ends holding the closest
// accepted fixture with its point and normal. Rejected fixtures are skipped (the ray goes
// on). The player's ground probes use categoryMask 3 and maskMask 4.
#pragma once

#include <box2d/box2d.h>

#include <cstdint>

class cRayTraceCallback : public b2RayCastCallback
{
public:
    cRayTraceCallback() = default;
    cRayTraceCallback(uint16_t categories, uint16_t masks) : categoryMask(categories), maskMask(masks) {}
    ~cRayTraceCallback() override = default;

    float ReportFixture(b2Fixture* f, const b2Vec2& hitPoint, const b2Vec2& hitNormal, float fraction) override;

    // Forgets the last hit (the filter stays).
    void Reset()
    {
        fixture = nullptr;
        point.SetZero();
        normal.SetZero();
    }

    b2Fixture* fixture = nullptr;
    b2Vec2 point{0.0f, 0.0f};
    b2Vec2 normal{0.0f, 0.0f};
    uint16_t categoryMask = 0;
    uint16_t maskMask = 0;
};

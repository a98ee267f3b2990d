#include "game/objects/RayProbe.h"

float cRayTraceCallback::ReportFixture(b2Fixture* f, const b2Vec2& hitPoint, const b2Vec2& hitNormal,
                                       float fraction)
{
    if (f == nullptr)
        return -1.0f;
    const b2Filter& filter = f->GetFilterData();
    if ((filter.categoryBits & categoryMask) == 0 || (filter.maskBits & maskMask) == 0)
        return -1.0f;
    fixture = f;
    point = hitPoint;
    normal = hitNormal;
    return fraction;
}

#include "KelpoBase/gla/GlaTrack.h"

float cGlaTrackFloat::GetValue(int32_t frame) const
{
    if (keys.empty())
        return 0.0f;
    const float* hit = nullptr;
    const long i = FindSegment(frame, &hit);
    if (i < 0)
        return *hit;
    float t;
    if (!SegmentFraction(i, frame, &t))
        return keys[i].value;
    const float a = keys[i].value;
    const float b = keys[i + 1].value;
    return a + (b - a) * t;
}

float cGlaTrackFloat::GetValueBlend(int32_t frame, float fraction) const
{
    const float a = GetValue(frame);
    const float b = GetValue(frame == INT32_MAX ? frame : frame + 1);
    return a + (b - a) * fraction;
}

cVec2f cGlaTrackVec2f::GetValue(int32_t frame) const
{
    if (keys.empty())
        return cVec2f(0.0f, 0.0f);
    const cVec2f* hit = nullptr;
    const long i = FindSegment(frame, &hit);
    if (i < 0)
        return *hit;
    float t;
    if (!SegmentFraction(i, frame, &t))
        return keys[i].value;
    const cVec2f& a = keys[i].value;
    const cVec2f& b = keys[i + 1].value;
    return cVec2f(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t);
}

cVec2f cGlaTrackVec2f::GetValueBlend(int32_t frame, float fraction) const
{
    const cVec2f a = GetValue(frame);
    const cVec2f b = GetValue(frame == INT32_MAX ? frame : frame + 1);
    return cVec2f(a.x + (b.x - a.x) * fraction, a.y + (b.y - a.y) * fraction);
}

cRGBA cGlaTrackRGBA::GetValue(int32_t frame) const
{
    if (keys.empty())
        return GlaOpaqueWhite();
    const cRGBA* hit = nullptr;
    const long i = FindSegment(frame, &hit);
    if (i < 0)
        return *hit;
    float t;
    if (!SegmentFraction(i, frame, &t))
        return keys[i].value;
    return GlaLerpColour(keys[i].value, keys[i + 1].value, t);
}

cRGBA cGlaTrackRGBA::GetValueBlend(int32_t frame, float fraction) const
{
    return GlaLerpColour(GetValue(frame), GetValue(frame == INT32_MAX ? frame : frame + 1), fraction);
}

// The value types the scene model uses, and the few helpers it needs around them.
#pragma once

#include <cstdint>
#include <vector>

#include "KelpoBase/core/Colour.h"
#include "KelpoBase/core/Path.h"
#include "KelpoBase/core/Vec2.h"

inline cRGBA GlaOpaqueWhite()
{
    return cRGBA(255, 255, 255, 255);
}

// Per byte trunc(a (1 - t) + b t), low 8 bits; defined for any t.
inline cRGBA GlaLerpColour(const cRGBA& a, const cRGBA& b, float t)
{
    return LerpColour(a, b, t);
}

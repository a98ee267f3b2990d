#include "KelpoBase/core/Vec3.h"

cVec4f* Vec4Static(float a, float b, float c, float d)
{
    static cVec4f value;
    value.Set(a, c, b, d);
    return &value;
}

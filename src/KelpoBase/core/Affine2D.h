// The 2D affine transform that the 2D drawing context stacks: a 2 by 2 matrix, a
// translation and a flag word.
//
// A point maps to (m0 x + m2 y + tx, m1 x + m3 y + ty). The flag bits record which kinds
// of operation were applied (1 rotated, 2 translated, 4 scaled; 0 identity); every
// operation ORs its bit in and none clears one. They only decide which shortcuts are
// allowed: while no rotation or scale has been applied, Translate adds to the
// translation and Rotate writes the rotation directly, both equal to the full product.
//
// Translate, Rotate and Scale post-multiply: each acts in the current local coordinates.
#pragma once

#include <cstdint>

#include "KelpoBase/core/Vec2.h"

class cAffine2D
{
public:
    enum : uint32_t
    {
        kRotated = 1,
        kTranslated = 2,
        kScaled = 4,
    };

    float m0 = 1.0f, m1 = 0.0f, m2 = 0.0f, m3 = 1.0f;
    float tx = 0.0f, ty = 0.0f;
    uint32_t flags = 0;

    void SetIdentity();
    void SetTranslation(float x, float y);
    void SetScale(float sx, float sy);
    void SetRotation(float angle);

    // out = a x b (b applied first); flags a.flags | b.flags. out may be a or b.
    static void Multiply(cAffine2D& out, const cAffine2D& a, const cAffine2D& b);

    // this = this x translation(x, y).
    void Translate(float x, float y);
    // Scales the first column by sx and the second by sy; translation unchanged.
    void Scale(float sx, float sy);
    // this = this x rotation(angle); translation unchanged.
    void Rotate(float angle);

    bool IsIdentity() const { return flags == 0; }
    bool IsTranslationOnly() const { return flags == kTranslated; }

    cVec2f TransformPoint(const cVec2f& p) const { return {m0 * p.x + m2 * p.y + tx, m1 * p.x + m3 * p.y + ty}; }
    cVec2f TransformVector(const cVec2f& v) const { return {m0 * v.x + m2 * v.y, m1 * v.x + m3 * v.y}; }
};

#include "KelpoBase/core/Affine2D.h"

void cAffine2D::SetIdentity()
{
    m0 = 1.0f;
    m1 = 0.0f;
    m2 = 0.0f;
    m3 = 1.0f;
    tx = ty = 0.0f;
    flags = 0;
}

void cAffine2D::SetTranslation(float x, float y)
{
    SetIdentity();
    tx = x;
    ty = y;
    flags = kTranslated;
}

void cAffine2D::SetScale(float sx, float sy)
{
    SetIdentity();
    m0 = sx;
    m3 = sy;
    flags = kScaled;
}

void cAffine2D::SetRotation(float angle)
{
    const float c = CosF(angle), s = SinF(angle);
    m0 = c;
    m1 = s;
    m2 = -s;
    m3 = c;
    tx = ty = 0.0f;
    flags = kRotated;
}

void cAffine2D::Multiply(cAffine2D& out, const cAffine2D& a, const cAffine2D& b)
{
    cAffine2D r;
    r.m0 = a.m0 * b.m0 + a.m2 * b.m1;
    r.m1 = a.m1 * b.m0 + a.m3 * b.m1;
    r.m2 = a.m0 * b.m2 + a.m2 * b.m3;
    r.m3 = a.m1 * b.m2 + a.m3 * b.m3;
    r.tx = a.m0 * b.tx + a.m2 * b.ty + a.tx;
    r.ty = a.m1 * b.tx + a.m3 * b.ty + a.ty;
    r.flags = a.flags | b.flags;
    out = r;
}

void cAffine2D::Translate(float x, float y)
{
    if (flags == 0 || flags == kTranslated)
    {
        // No rotation or scale yet: the product is a plain addition.
        tx += x;
        ty += y;
        flags = kTranslated;
        return;
    }
    tx += m0 * x + m2 * y;
    ty += m1 * x + m3 * y;
    flags |= kTranslated;
}

void cAffine2D::Scale(float sx, float sy)
{
    m0 *= sx;
    m1 *= sx;
    m2 *= sy;
    m3 *= sy;
    flags |= kScaled;
}

void cAffine2D::Rotate(float angle)
{
    const float c = CosF(angle), s = SinF(angle);
    if (flags == 0 || flags == kTranslated)
    {
        // The 2 by 2 part is still the identity: the product is the rotation itself.
        m0 = c;
        m1 = s;
        m2 = -s;
        m3 = c;
    }
    else
    {
        const float n0 = c * m0 + s * m2;
        const float n1 = c * m1 + s * m3;
        const float n2 = c * m2 - s * m0;
        const float n3 = c * m3 - s * m1;
        m0 = n0;
        m1 = n1;
        m2 = n2;
        m3 = n3;
    }
    flags |= kRotated;
}

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "KelpoBase/core/Affine2D.h"
#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/core/Vec2.h"

namespace
{
constexpr float kTol = 1e-5f;

void ExpectAffine(const cAffine2D& t, float m0, float m1, float m2, float m3, float tx, float ty, uint32_t flags)
{
    EXPECT_NEAR(t.m0, m0, kTol);
    EXPECT_NEAR(t.m1, m1, kTol);
    EXPECT_NEAR(t.m2, m2, kTol);
    EXPECT_NEAR(t.m3, m3, kTol);
    EXPECT_NEAR(t.tx, tx, kTol);
    EXPECT_NEAR(t.ty, ty, kTol);
    EXPECT_EQ(t.flags, flags);
}
} // namespace

TEST(FastMath, InvSqrtUsesTheEngineConstantAndOneNewtonStep)
{
    // The first guess for 1.0 is the float with bits 0x5F375A86 - 0x1FC00000.
    const float guess = std::bit_cast<float>(0x3F775A86u);
    EXPECT_EQ(InvSqrtFast(1.0f), guess * (1.5f - 0.5f * guess * guess));
    for (float x : {1e-6f, 0.01f, 0.5f, 1.0f, 2.0f, 3.0f, 100.0f, 12345.0f, 1e10f})
        EXPECT_NEAR(InvSqrtFast(x) * std::sqrt(x), 1.0f, 0.002f) << x;
    // No zero test: large but finite, so a zero vector stays zero.
    EXPECT_TRUE(std::isfinite(InvSqrtFast(0.0f)));
    cVec2f zero;
    zero.NormaliseFast();
    EXPECT_EQ(zero, cVec2f(0, 0));
    // Negative input is garbage but defined (no signed overflow under UBSan).
    (void)InvSqrtFast(-4.0f);
}

TEST(FastMath, TruncationNeverHitsUndefinedConversions)
{
    struct Case
    {
        double in;
        int32_t asInt;
        uint8_t asByte;
    };
    const Case cases[] = {
        {0.0, 0, 0},
        {255.0, 255, 255},
        {255.9, 255, 255},
        {256.0, 256, 0},
        {382.5, 382, 126},
        {-0.9, 0, 0},
        {-1.0, -1, 255},
        {2147483647.0, 2147483647, 255},
        {2147483648.0, std::numeric_limits<int32_t>::min(), 0},
        {-2147483648.0, std::numeric_limits<int32_t>::min(), 0},
        {1e30, std::numeric_limits<int32_t>::min(), 0},
        {-1e30, std::numeric_limits<int32_t>::min(), 0},
        {std::numeric_limits<double>::infinity(), std::numeric_limits<int32_t>::min(), 0},
        {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<int32_t>::min(), 0},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(TruncToInt32(c.in), c.asInt) << c.in;
        EXPECT_EQ(TruncToByteWrap(c.in), c.asByte) << c.in;
    }
}

TEST(FastMath, AngleAndScalarHelpers)
{
    struct Case
    {
        float in, out;
    };
    const Case angles[] = {{7.0f, 0.7168147f}, {-4.0f, 2.2831853f}, {0.5f, 0.5f},     {3.0f, 3.0f},
                           {4.0f, -2.2831853f}, {-7.0f, -0.7168147f}, {13.0f, 0.4336293f}};
    for (const Case& c : angles)
        EXPECT_NEAR(NormaliseAngle(c.in), c.out, 1e-5f) << c.in;

    EXPECT_NEAR(DegToRad(180.0f), kPi, 1e-6f);
    EXPECT_NEAR(RadToDeg(kPi), 180.0f, 1e-4f);
    EXPECT_FLOAT_EQ(Lerp(2.0f, 6.0f, 0.25f), 3.0f);

    float v = 5.0f;
    ClampFloat(v, 0.0f, 1.0f);
    EXPECT_EQ(v, 1.0f);
    v = -5.0f;
    ClampFloat(v, 0.0f, 1.0f);
    EXPECT_EQ(v, 0.0f);
    v = 5.0f;
    ClampFloat(v, 3.0f, 2.0f); // lower above upper: a high value ends at upper
    EXPECT_EQ(v, 2.0f);
    EXPECT_EQ(MaxFloat(1.0f, 2.0f), 2.0f);
}

TEST(FastMath, PowerOfTwoHelpers)
{
    struct Case
    {
        uint32_t v, below, next;
        bool pow2;
        uint32_t ctz;
    };
    const Case cases[] = {
        {0, 0, 0, true, 32},   {1, 1, 1, true, 0},   {5, 4, 8, false, 0},
        {64, 64, 64, true, 6}, {65, 64, 128, false, 0}, {0x80000000u, 0x80000000u, 0x80000000u, true, 31},
        {12, 8, 16, false, 2},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(HighestPowerOfTwoBelow(c.v), c.below) << c.v;
        EXPECT_EQ(NextPowerOfTwo(c.v), c.next) << c.v;
        EXPECT_EQ(IsPowerOfTwo(c.v), c.pow2) << c.v;
        EXPECT_EQ(CountTrailingZeros(c.v), c.ctz) << c.v;
    }
}

TEST(Vec2, ArithmeticRotationAndHeading)
{
    cVec2f a(3, 4), b(1, -2), out;
    EXPECT_FLOAT_EQ(a.Length(), 5.0f);
    EXPECT_FLOAT_EQ(a.Dot(b), -5.0f);
    EXPECT_FLOAT_EQ(a.Cross(b), -10.0f);
    cVec2f::Subtract(a, b, out);
    EXPECT_EQ(out, cVec2f(2, 6));
    cVec2f::Divide(a, 2.0f, out);
    EXPECT_EQ(out, cVec2f(1.5f, 2.0f));

    const cVec2f n = a.NormalisedFast();
    EXPECT_NEAR(n.x, 0.6f, 0.002f);
    EXPECT_NEAR(n.y, 0.8f, 0.002f);

    cVec2f r(1, 0);
    r.Rotate(kPi / 2);
    EXPECT_NEAR(r.x, 0.0f, kTol);
    EXPECT_NEAR(r.y, 1.0f, kTol); // positive angles turn x towards y

    struct Case
    {
        cVec2f v;
        float heading;
    };
    const Case headings[] = {{{0, -1}, 0.0f},       {{1, 0}, kPi / 2},   {{0, 1}, kPi},
                             {{-1, 0}, 3 * kPi / 2}, {{0, -5}, 0.0f},     {{2, -2}, kPi / 4}};
    for (const Case& c : headings)
    {
        const float h = AngleOfVector(c.v);
        EXPECT_FALSE(std::isnan(h));
        EXPECT_NEAR(h, c.heading, 0.07f) << c.v.x << "," << c.v.y; // fast normalisation
    }
    // Exactly vertical vectors of any length never produce NaN from acos.
    for (float y = 0.001f; y < 1000.0f; y *= 1.37f)
    {
        EXPECT_FALSE(std::isnan(AngleOfVector({0, -y}))) << y;
        EXPECT_FALSE(std::isnan(AngleOfVector({0, y}))) << y;
    }
}

TEST(Vec2, IntegerPairRectanglesAndMatrices)
{
    cVec2i p(5, 7), q(2, 10), d;
    cVec2i::Difference(p, q, d);
    EXPECT_EQ(d, cVec2i(3, -3));
    cVec2i big(std::numeric_limits<int32_t>::min(), 0);
    big.Subtract({1, 0}); // wraps, no overflow
    EXPECT_EQ(big.x, std::numeric_limits<int32_t>::max());
    p.SetZero();
    EXPECT_EQ(p, cVec2i(0, 0));

    cRect2f r;
    r.SetCentreHalfSize({10, 20}, {2, 3});
    EXPECT_EQ(r, (cRect2f{8, 17, 12, 23}));
    EXPECT_EQ(r.Width(), 4.0f);
    EXPECT_EQ(r.Height(), 6.0f);
    r.Translate({1, 1});
    EXPECT_EQ(RectCorner(r, 0), cVec2f(9, 18));
    EXPECT_EQ(RectCorner(r, 1), cVec2f(13, 18));
    EXPECT_EQ(RectCorner(r, 2), cVec2f(13, 24));
    EXPECT_EQ(RectCorner(r, 3), cVec2f(9, 24));
    EXPECT_EQ(RectCorner(r, 4), cVec2f(0, 0));
    EXPECT_EQ(RectCorner(r, -1), cVec2f(0, 0));

    const cRect2f a{0, 0, 10, 10};
    struct Case
    {
        cRect2f b;
        bool overlap;
    };
    const Case overlaps[] = {
        {{10, 0, 20, 10}, true},   // shares the right edge
        {{0, 10, 10, 20}, true},   // shares the bottom edge
        {{10, 10, 20, 20}, true},  // shares a corner
        {{2, 2, 3, 3}, true},      // inside
        {{-5, -5, 15, 15}, true},  // around
        {{10.01f, 0, 20, 10}, false},
        {{0, -10, 10, -0.01f}, false},
    };
    for (const Case& c : overlaps)
    {
        EXPECT_EQ(RectsOverlap(a, c.b), c.overlap);
        EXPECT_EQ(RectsOverlap(c.b, a), c.overlap);
    }

    cMatrix22 m, rot;
    Matrix2Rotation(rot, kPi / 2);
    m.m[0] = 2; // scale x by 2
    m.m[3] = 1;
    MultiplyMatrix2x2(m, rot); // rotation applies first, then the scale
    const cVec2f v = m.Transform({1, 0});
    EXPECT_NEAR(v.x, 0.0f, kTol);
    EXPECT_NEAR(v.y, 1.0f, kTol);
    cMatrix22 m2;
    m2.m[0] = 2;
    Matrix2Rotate(m2, kPi / 2);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(m2.m[i], m.m[i], kTol);
}

TEST(Affine2D, ShortcutsEqualTheFullProductAndFlagsAccumulate)
{
    cAffine2D t;
    t.SetIdentity();
    EXPECT_TRUE(t.IsIdentity());
    t.Translate(3, 4);
    ExpectAffine(t, 1, 0, 0, 1, 3, 4, 2);
    EXPECT_TRUE(t.IsTranslationOnly());
    t.Rotate(kPi / 2);
    ExpectAffine(t, 0, 1, -1, 0, 3, 4, 3);
    // Now a translation is in local (rotated) coordinates: local x is world y.
    t.Translate(1, 0);
    ExpectAffine(t, 0, 1, -1, 0, 3, 5, 3);

    // Each operation equals Multiply by the matching Set transform.
    cAffine2D base;
    base.SetRotation(0.3f);
    base.Scale(2, 0.5f);
    base.Translate(5, -1);
    struct Step
    {
        int kind;
        float a, b;
    };
    const Step steps[] = {{0, 1.5f, -2.0f}, {1, 0.7f, 0}, {2, 3.0f, 0.25f}};
    for (const Step& s : steps)
    {
        cAffine2D op, expected, got = base;
        if (s.kind == 0)
        {
            op.SetTranslation(s.a, s.b);
            got.Translate(s.a, s.b);
        }
        else if (s.kind == 1)
        {
            op.SetRotation(s.a);
            got.Rotate(s.a);
        }
        else
        {
            op.SetScale(s.a, s.b);
            got.Scale(s.a, s.b);
        }
        cAffine2D::Multiply(expected, base, op);
        ExpectAffine(got, expected.m0, expected.m1, expected.m2, expected.m3, expected.tx, expected.ty,
                     expected.flags);
    }
}

TEST(Affine2D, RotateAfterScaleKeepsTheScaleInTheRotatedAxes)
{
    cAffine2D t;
    t.SetIdentity();
    t.Scale(2, 1);
    t.Rotate(kPi / 2);
    EXPECT_EQ(t.flags, 5u);
    // Local x after the rotation is the original y axis (unscaled); local y is -x (scaled by 2).
    const cVec2f x = t.TransformVector({1, 0});
    const cVec2f y = t.TransformVector({0, 1});
    EXPECT_NEAR(x.x, 0.0f, kTol);
    EXPECT_NEAR(x.y, 1.0f, kTol);
    EXPECT_NEAR(y.x, -2.0f, kTol);
    EXPECT_NEAR(y.y, 0.0f, kTol);
}

TEST(Affine2D, MultiplyComposesAndMayAlias)
{
    cAffine2D tr, sc, out;
    tr.SetTranslation(10, 20);
    sc.SetScale(2, 3);
    cAffine2D::Multiply(out, tr, sc);
    ExpectAffine(out, 2, 0, 0, 3, 10, 20, 6);
    const cVec2f p = out.TransformPoint({1, 1}); // scale first, then translate
    EXPECT_EQ(p, cVec2f(12, 23));

    cAffine2D::Multiply(sc, tr, sc); // out aliases b
    ExpectAffine(sc, 2, 0, 0, 3, 10, 20, 6);
    cAffine2D::Multiply(tr, tr, tr); // both
    ExpectAffine(tr, 1, 0, 0, 1, 20, 40, 2);
}

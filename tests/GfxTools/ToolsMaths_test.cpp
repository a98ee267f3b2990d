#include "GfxTools/ToolsMaths.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{
void ExpectNear(const ToolsMatrix& a, const ToolsMatrix& b, float eps = 1e-5f)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.f[i], b.f[i], eps) << "element " << i;
}

ToolsMatrix Identity()
{
    ToolsMatrix m;
    ToolsMatrixIdentity(m);
    return m;
}
} // namespace

TEST(ToolsMaths, ProductOrderAndAffineInverse)
{
    ToolsMatrix s, t, st;
    ToolsMatrixScaling(s, 2, 3, 4);
    ToolsMatrixTranslation(t, 1, 2, 3);
    ToolsMatrixMultiply(st, s, t); // scale first, then translate
    ToolsVec4 p;
    ToolsTransformVec4(p, {1, 1, 1, 1}, st);
    EXPECT_FLOAT_EQ(p.x, 3.0f);
    EXPECT_FLOAT_EQ(p.z, 7.0f);

    ToolsMatrix inverse = Identity();
    ToolsMatrixInverse(inverse, Identity());
    ExpectNear(inverse, Identity());

    ToolsMatrix r, m, back, product;
    ToolsMatrixRotationY(r, 0.7f);
    ToolsMatrixMultiply(m, st, r);
    ToolsMatrixInverse(back, m);
    ToolsMatrixMultiply(product, m, back);
    ExpectNear(product, Identity());
    ToolsMatrix general;
    ToolsMatrixInverseEx(general, m);
    ExpectNear(general, back, 1e-4f);

    // A zero row in the 3x3 part: the output stays as it was.
    ToolsMatrix singular = m;
    singular.f[4] = singular.f[5] = singular.f[6] = 0.0f;
    ToolsMatrix untouched;
    for (float& f : untouched.f)
        f = 42.0f;
    ToolsMatrixInverse(untouched, singular);
    for (float f : untouched.f)
        EXPECT_EQ(f, 42.0f);

    ToolsMatrix rz;
    ToolsMatrixRotationZ(rz, 0.5f);
    EXPECT_FLOAT_EQ(rz.f[1], -std::sin(0.5f));
    ToolsMatrix tr;
    ToolsMatrixTranspose(tr, rz);
    EXPECT_FLOAT_EQ(tr.f[4], rz.f[1]);
}

TEST(ToolsMaths, Slerp)
{
    ToolsQuaternion a{0, 0, 0, 1};
    ToolsQuaternion b;
    ToolsQuaternionFromAxisAngle(b, {0, 0, 1}, 1.0f);
    ToolsQuaternion out;
    ToolsQuaternionSlerp(out, a, b, 0.0f);
    EXPECT_FLOAT_EQ(out.w, 1.0f);
    ToolsQuaternionSlerp(out, a, b, 1.0f);
    EXPECT_NEAR(out.z, b.z, 1e-6f);
    ToolsQuaternionSlerp(out, b, b, 0.3f);
    EXPECT_EQ(std::memcmp(&out, &b, sizeof b), 0);
    ToolsQuaternionSlerp(out, a, b, 1.5f);
    EXPECT_EQ(out.x, 0.0f);
    EXPECT_EQ(out.w, 1.0f);
    // Opposite hemispheres: b is taken sign-flipped.
    const ToolsQuaternion negB{-b.x, -b.y, -b.z, -b.w};
    ToolsQuaternionSlerp(out, a, negB, 1.0f);
    EXPECT_NEAR(out.z, b.z, 1e-6f);
    EXPECT_NEAR(out.w, b.w, 1e-6f);
    ToolsQuaternionSlerp(out, a, b, 0.5f);
    ToolsVec3 axis;
    float angle;
    ToolsQuaternionToAxisAngle(out, axis, angle);
    EXPECT_NEAR(angle, 0.5f, 1e-5f);
    EXPECT_NEAR(axis.z, 1.0f, 1e-5f);

    ToolsMatrix m;
    ToolsQuaternionToMatrix(m, b);
    EXPECT_NEAR(m.f[0], std::cos(1.0f), 1e-6f);
    EXPECT_NEAR(m.f[4], std::sin(1.0f), 1e-6f);
}

TEST(ToolsMaths, LinearSolver)
{
    // x + y = 3, x - y = 1 (right-hand side first).
    float rows[2][3] = {{3, 1, 1}, {1, 1, -1}};
    float x[2] = {-9, -9};
    ToolsLinearSolve(&rows[0][0], x, 2);
    EXPECT_FLOAT_EQ(x[0], 2.0f);
    EXPECT_FLOAT_EQ(x[1], 1.0f);
    float none[2][3] = {{1, 1, 0}, {2, 3, 0}};
    float y[2] = {-9, -9};
    ToolsLinearSolve(&none[0][0], y, 2);
    EXPECT_EQ(y[0], -9.0f);
    EXPECT_EQ(y[1], -9.0f);
}

TEST(ToolsMaths, VertexElementConversions)
{
    float v[4];
    const uint32_t dec = 0x3FFFFFFF;
    ToolsVertexRead(v, &dec, kPodDec3N, 3);
    EXPECT_FLOAT_EQ(v[0], -1.0f / 511);
    EXPECT_FLOAT_EQ(v[2], -1.0f / 511);
    EXPECT_EQ(v[3], 1.0f);

    uint32_t word = 0;
    const float colour[4] = {1.2f, -0.3f, 0.5f, 1.0f};
    ToolsVertexWrite(&word, kPodRGBA, 4, colour);
    EXPECT_EQ(word >> 24, 255u);
    EXPECT_EQ((word >> 16) & 255, 0u);
    EXPECT_EQ((word >> 8) & 255, 127u);
    ToolsVertexRead(v, &word, kPodRGBA, 4);
    EXPECT_FLOAT_EQ(v[0], 1.0f);

    const float n[4] = {0.9995f, -2.0f, 0.0f, 0.0f};
    ToolsVertexWrite(&word, kPodDec3N, 3, n);
    EXPECT_EQ(word & 0x3FF, 510u);
    ToolsVertexRead(v, &word, kPodDec3N, 3);
    EXPECT_FLOAT_EQ(v[1], -1.0f);

    // Out-of-range and NaN values clamp instead of overflowing the conversion.
    int16_t s[2];
    const float big[4] = {1e30f, NAN, 0, 0};
    ToolsVertexWrite(s, kPodShort, 2, big);
    EXPECT_EQ(s[0], 32767);
    EXPECT_EQ(s[1], 0);
    int32_t fixed = 0;
    const float half[4] = {0.5f, 0, 0, 0};
    ToolsVertexWrite(&fixed, kPodFixed16_16, 1, half);
    EXPECT_EQ(fixed, 32768);
    ToolsVertexRead(v, &fixed, kPodFixed16_16, 1);
    EXPECT_EQ(v[0], 0.5f);
    const int8_t bytes[2] = {-127, 127};
    ToolsVertexRead(v, bytes, kPodByteNorm, 2);
    EXPECT_EQ(v[0], -1.0f);
    EXPECT_EQ(v[1], 1.0f);
    uint8_t untouched[4] = {7, 7, 7, 7};
    ToolsVertexWrite(untouched, 99, 4, half);
    EXPECT_EQ(untouched[0], 7);
    EXPECT_EQ(PodDataTypeSize(kPodShortNorm), 2u);
    EXPECT_EQ(PodDataTypeSize(15), 0u);
    uint16_t index = 0;
    ToolsIndexWrite(&index, kPodUnsignedShort, 513);
    EXPECT_EQ(ToolsIndexRead(&index, kPodUnsignedShort), 513u);
}

TEST(ToolsMaths, BoxVisibility)
{
    const ToolsVec3 points[2] = {{-1, -1, 1}, {1, 1, 2}};
    ToolsVec3 corners[8];
    ToolsBoundingBox(corners, points, sizeof(ToolsVec3), 2);
    EXPECT_EQ(corners[7].z, 2.0f);
    EXPECT_EQ(corners[0].x, -1.0f);
    bool clip = true;
    ToolsMatrix m = Identity();
    m.f[15] = 5.0f; // w = 5: inside every plane
    EXPECT_TRUE(ToolsIsBoxVisible(corners, m, clip));
    EXPECT_FALSE(clip);
    ToolsMatrix moved;
    ToolsMatrixTranslation(moved, 0, 0, -1.5f); // half the box below z = 0
    moved.f[15] = 5.0f;
    EXPECT_TRUE(ToolsIsBoxVisible(corners, moved, clip));
    EXPECT_TRUE(clip);
    ToolsMatrixTranslation(moved, 100, 0, 0);
    EXPECT_FALSE(ToolsIsBoxVisible(corners, moved, clip));
    EXPECT_FALSE(clip);
}

TEST(ToolsMaths, TangentSpace)
{
    ToolsVec3 t, b;
    const float uv0[2] = {0, 0}, uv1[2] = {1, 0}, uv2[2] = {0, 1};
    TriangleTangentBasis(t, b, {0, 0, 1}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, uv0, uv1, uv2);
    EXPECT_NEAR(std::fabs(t.x), 1.0f, 1e-6f);
    EXPECT_NEAR(std::fabs(b.y), 1.0f, 1e-6f);
    TriangleTangentBasis(t, b, {0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, uv0, uv1, uv2);
    EXPECT_EQ(t.x, 0.0f);

    // A quad of two triangles sharing a tangent frame keeps its four vertices.
    struct Vertex
    {
        float p[3], n[3], uv[2], t[3], b[3];
    };
    Vertex quad[4] = {{{0, 0, 0}, {0, 0, 1}, {0, 0}, {}, {}},
                      {{1, 0, 0}, {0, 0, 1}, {1, 0}, {}, {}},
                      {{1, 1, 0}, {0, 0, 1}, {1, 1}, {}, {}},
                      {{0, 1, 0}, {0, 0, 1}, {0, 1}, {}, {}}};
    uint16_t indices[6] = {0, 1, 2, 0, 2, 3};
    const TangentSpaceLayout layout{sizeof(Vertex), 0, kPodFloat, 12, kPodFloat, 24, kPodFloat, 32, kPodFloat,
                                    44, kPodFloat};
    uint8_t* out = nullptr;
    uint32_t count = 0;
    ASSERT_EQ(GenerateTangentSpace(&out, &count, indices, 2, reinterpret_cast<uint8_t*>(quad), 4, layout, 0.5f), 0u);
    EXPECT_EQ(count, 4u);
    Vertex first;
    std::memcpy(&first, out, sizeof first);
    EXPECT_NEAR(std::fabs(first.t[0]), 1.0f, 1e-5f);
    std::free(out);
    uint16_t degenerate[3] = {0, 0, 1};
    EXPECT_EQ(GenerateTangentSpace(&out, &count, degenerate, 1, reinterpret_cast<uint8_t*>(quad), 4, layout, 0.5f),
              1u);
}

TEST(ToolsMaths, Projections)
{
    ToolsMatrix p;
    ToolsMatrixPerspective(p, float(M_PI / 2), 2.0f, 1.0f, 3.0f, false);
    EXPECT_NEAR(p.f[0], 0.5f, 1e-6f);
    EXPECT_FLOAT_EQ(p.f[10], -2.0f);
    EXPECT_FLOAT_EQ(p.f[14], -3.0f);
    EXPECT_EQ(p.f[11], -1.0f);
    ToolsMatrix o;
    ToolsMatrixOrtho(o, 4, 2, 1, 3, false);
    EXPECT_FLOAT_EQ(o.f[0], 0.5f);
    EXPECT_FLOAT_EQ(o.f[11], -0.5f);
    ToolsMatrix view;
    ToolsMatrixLookAtForward(view, {0, 0, -5}, {0, 0, 0}, {0, 1, 0});
    ToolsVec4 v;
    ToolsTransformVec4(v, {0, 0, 0, 1}, view);
    EXPECT_NEAR(v.z, 5.0f, 1e-5f);
    ToolsMatrixLookAtBackward(view, {0, 0, -5}, {0, 0, 0}, {0, 1, 0});
    ToolsTransformVec4(v, {0, 0, 0, 1}, view);
    EXPECT_NEAR(v.z, -5.0f, 1e-5f);
}

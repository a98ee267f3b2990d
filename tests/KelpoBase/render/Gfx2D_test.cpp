// The 2D drawers against a recording renderer: batching and its flush triggers, quad
// placement, alignment and texture coordinates, colours and tints, text and numbers,
// primitives larger than a batch, and the layered drawer's recording and replay order.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "FakeRenderer.h"
#include "FontFixtures.h"
#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Font.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/Gfx2Dx.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/TextLayout.h"
#include "KelpoBase/render/TextureAtlas.h"

using tvtest::RecordedDraw;

namespace
{
constexpr uint32_t kWhite = 0xFFFFFFFFu;

// An image of the given size with no texture (the recording renderer never samples).
std::unique_ptr<cImage> MakeImage(uint32_t w, uint32_t h)
{
    auto image = std::make_unique<cImage>();
    image->width = w;
    image->height = h;
    return image;
}

// A frame covering a part of an image.
ImageRect MakeFrame(cImage* image, int32_t x, int32_t y, int32_t w, int32_t h)
{
    ImageRect r;
    r.image = image;
    r.x = x;
    r.y = y;
    r.w = w;
    r.h = h;
    r.ComputeTexCoords();
    return r;
}

struct Bounds
{
    float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
};

Bounds VertexBounds(const RecordedDraw& d, size_t first, size_t count)
{
    Bounds b;
    for (size_t i = first; i < first + count; ++i)
    {
        b.minX = std::min(b.minX, d.vertices[i].x);
        b.maxX = std::max(b.maxX, d.vertices[i].x);
        b.minY = std::min(b.minY, d.vertices[i].y);
        b.maxY = std::max(b.maxY, d.vertices[i].y);
    }
    return b;
}

class Gfx2DTest : public testing::Test
{
protected:
    tvtest::cFakeRenderer renderer;
    cGfx2D gfx{&renderer};
    std::unique_ptr<cImage> imageA = MakeImage(256, 256);
    std::unique_ptr<cImage> imageB = MakeImage(64, 64);

    const std::vector<RecordedDraw>& Draws()
    {
        gfx.Flush();
        return renderer.draws;
    }
};

// Letters, digits and space: cell 6 x 10, advance 8, top 10; line height 10.
std::unique_ptr<cFont> MakeFont(cImage* page)
{
    auto glyphs = tvtest::UniformGlyphs("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 \x93", 6, 10, 8);
    glyphs[0].top = 12; // 'A' is the tallest glyph
    glyphs[0].offsetX = 1;
    const auto bytes = tvtest::BuildFont(glyphs);
    std::unique_ptr<cFont> font(cFont::ReadFromMemory(bytes.data(), bytes.size()));
    font->SetPage(page);
    return font;
}
} // namespace

TEST_F(Gfx2DTest, BatchMeshLayout)
{
    ASSERT_NE(gfx.mesh, nullptr);
    EXPECT_EQ(gfx.mesh->stride, 20u);
    EXPECT_EQ(gfx.mesh->attributeOffsets[2], 8); // colour
    EXPECT_EQ(gfx.mesh->attributeOffsets[3], 12); // texture coordinates
    EXPECT_GE(gfx.mesh->indices.size(), 1536u);
    EXPECT_EQ(gfx.renderFlags, 0x10000u);
    EXPECT_EQ(gfx.colour, kWhite);
}

TEST_F(Gfx2DTest, QuadsOfOneTextureShareDraws)
{
    ImageRect frame = MakeFrame(imageA.get(), 0, 0, 8, 8);
    for (int i = 0; i < 257; ++i)
        gfx.DrawFrame(&frame, 0);
    const auto& draws = Draws();
    ASSERT_EQ(draws.size(), 2u);
    EXPECT_EQ(draws[0].indices.size(), 256u * 6u);
    EXPECT_EQ(draws[1].indices.size(), 6u);
    EXPECT_EQ(draws[0].texture, imageA.get());
    EXPECT_EQ(draws[0].flags, kMaterialTwoSided);
    EXPECT_EQ(draws[0].blend, 1);
    // Every index refers to a vertex of the batch.
    for (const RecordedDraw& d : draws)
        for (uint16_t i : d.indices)
            ASSERT_LT(i, d.vertices.size());
    // An empty flush draws nothing.
    gfx.Flush();
    EXPECT_EQ(renderer.draws.size(), 2u);
}

TEST_F(Gfx2DTest, FlushTriggers)
{
    ImageRect a = MakeFrame(imageA.get(), 0, 0, 8, 8);
    ImageRect b = MakeFrame(imageB.get(), 0, 0, 8, 8);
    for (int i = 0; i < 3; ++i)
    {
        gfx.DrawFrame(&a, 0);
        gfx.DrawFrame(&b, 0);
    }
    EXPECT_EQ(renderer.draws.size(), 5u); // one quad a draw; the last still batched
    gfx.DrawLine(0, 0, 10, 10);           // lines carry no texture
    EXPECT_EQ(renderer.draws.size(), 6u);
    gfx.DrawFrame(&a, 0);
    gfx.FillRect(4, 4, 0); // untextured triangles after textured ones
    const auto& draws = Draws();
    ASSERT_EQ(draws.size(), 9u);
    EXPECT_EQ(draws[6].texture, nullptr);
    EXPECT_EQ(draws[6].flags, kMaterialTwoSided | kMaterialLines);
    EXPECT_EQ(draws[6].indices, (std::vector<uint16_t>{0, 1}));
    EXPECT_EQ(draws[7].texture, imageA.get());
    EXPECT_EQ(draws[8].texture, nullptr);
    EXPECT_EQ(draws[8].flags, kMaterialTwoSided);
}

TEST_F(Gfx2DTest, RenderFlagsFlushOnlyOnAChange)
{
    ImageRect a = MakeFrame(imageA.get(), 0, 0, 8, 8);
    gfx.DrawFrame(&a, 0);
    gfx.SetRenderFlags(0x10000);
    gfx.SetRenderFlagsHigh(1);
    EXPECT_TRUE(renderer.draws.empty());
    gfx.SetRenderFlags(0x20004 | kMaterialLines);
    ASSERT_EQ(renderer.draws.size(), 1u);
    gfx.DrawFrame(&a, 0);
    gfx.SetRenderFlagsHigh(3);
    ASSERT_EQ(renderer.draws.size(), 2u);
    // Bit 0x1 is always set; a lines bit in the flags draws lines.
    EXPECT_EQ(renderer.draws[1].flags, kMaterialTwoSided | kMaterialDepthTest | kMaterialLines);
    EXPECT_EQ(renderer.draws[1].blend, 2);
    EXPECT_EQ(gfx.renderFlags, 0x30044u);
}

TEST_F(Gfx2DTest, QuadCornersFollowTheAlignment)
{
    ImageRect frame = MakeFrame(imageA.get(), 16, 32, 20, 10);
    struct Case
    {
        uint32_t align;
        Bounds expected;
    } cases[] = {
        {0x00, {-10, -5, 10, 5}}, {0x01, {0, -5, 20, 5}},  {0x02, {-20, -5, 0, 5}}, {0x03, {0, -5, 20, 5}},
        {0x10, {-10, 0, 10, 10}}, {0x20, {-10, -10, 10, 0}}, {0x30, {-10, 0, 10, 10}}, {0x11, {0, 0, 20, 10}},
        {0x22, {-20, -10, 0, 0}},
    };
    for (const Case& c : cases)
        gfx.DrawFrame(&frame, c.align);
    const auto& draws = Draws();
    ASSERT_EQ(draws.size(), 1u);
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        const Bounds b = VertexBounds(draws[0], i * 4, 4);
        EXPECT_EQ(b.minX, cases[i].expected.minX) << "align " << cases[i].align;
        EXPECT_EQ(b.minY, cases[i].expected.minY) << "align " << cases[i].align;
        EXPECT_EQ(b.maxX, cases[i].expected.maxX) << "align " << cases[i].align;
        EXPECT_EQ(b.maxY, cases[i].expected.maxY) << "align " << cases[i].align;
    }
    // Vertex order: (left, top), (right, top), (left, bottom), (right, bottom); the top
    // edge samples vMax.
    const auto& v = draws[0].vertices;
    EXPECT_EQ(v[0].x, -10.0f);
    EXPECT_EQ(v[0].y, -5.0f);
    EXPECT_EQ(v[3].x, 10.0f);
    EXPECT_EQ(v[3].y, 5.0f);
    EXPECT_FLOAT_EQ(v[0].u, 16.0f / 256.0f);
    EXPECT_FLOAT_EQ(v[0].v, 42.0f / 256.0f);
    EXPECT_FLOAT_EQ(v[3].u, 36.0f / 256.0f);
    EXPECT_FLOAT_EQ(v[3].v, 32.0f / 256.0f);
    EXPECT_EQ(draws[0].indices[0], 0);
    EXPECT_EQ(draws[0].indices[1], 1);
    EXPECT_EQ(draws[0].indices[2], 2);
    EXPECT_EQ(draws[0].indices[5], 2);
}

TEST_F(Gfx2DTest, ImagesRegionsAndQuads)
{
    auto odd = MakeImage(5, 5);
    gfx.DrawImage(odd.get(), 0); // integer halves: -2 .. 2
    gfx.Flush();
    ASSERT_EQ(renderer.draws.size(), 1u);
    Bounds b = VertexBounds(renderer.draws[0], 0, 4);
    EXPECT_EQ(b.minX, -2.0f);
    EXPECT_EQ(b.maxX, 2.0f);
    EXPECT_EQ(b.maxY, 2.0f);
    EXPECT_EQ(renderer.draws[0].vertices[0].v, 1.0f);

    // A region: source y counts up from the image's bottom.
    gfx.DrawImageRegion(imageB.get(), 8, 16, 4, 8, 0x11);
    const float src[4] = {0, 0, 32, 16};
    const float dst[4] = {100, 100, 132, 116};
    gfx.DrawImageQuad(imageB.get(), src, dst);
    // A frame region: rows count down from the frame's top.
    ImageRect frame = MakeFrame(imageA.get(), 0, 0, 64, 64);
    gfx.DrawFrameRegion(&frame, 8, 8, 16, 16, 0x11);
    const auto& draws = Draws();
    ASSERT_EQ(draws.size(), 3u);
    const auto& r = draws[1].vertices;
    EXPECT_FLOAT_EQ(r[0].u, 8.0f / 64.0f);
    EXPECT_FLOAT_EQ(r[0].v, 24.0f / 64.0f);
    EXPECT_FLOAT_EQ(r[3].u, 12.0f / 64.0f);
    EXPECT_FLOAT_EQ(r[3].v, 16.0f / 64.0f);
    EXPECT_EQ(r[3].x, 4.0f);
    EXPECT_EQ(r[3].y, 8.0f);
    EXPECT_EQ(r[4].x, 100.0f);
    EXPECT_EQ(r[7].y, 116.0f);
    EXPECT_FLOAT_EQ(r[4].v, 0.25f);
    EXPECT_FLOAT_EQ(r[7].u, 0.5f);
    const auto& f = draws[2].vertices;
    EXPECT_FLOAT_EQ(f[0].v, 56.0f / 256.0f);
    EXPECT_FLOAT_EQ(f[3].v, 40.0f / 256.0f);
    EXPECT_FLOAT_EQ(f[3].u, 24.0f / 256.0f);
}

TEST_F(Gfx2DTest, TransformsPlaceTheCorners)
{
    auto image = MakeImage(4, 2);
    gfx.Translate(10, 20);
    gfx.DrawImage(image.get(), 0x11);
    gfx.PushTransform();
    gfx.Rotate(kPi / 2.0f);
    gfx.DrawImage(image.get(), 0x11);
    gfx.PopTransform();
    gfx.PopTransform(); // empty stack: the transform stays
    gfx.Scale(2, 3);
    gfx.DrawImage(image.get(), 0x11);
    const auto& v = Draws()[0].vertices;
    EXPECT_EQ(v[3].x, 14.0f);
    EXPECT_EQ(v[3].y, 22.0f);
    // A quarter turn: local (4, 0) goes to (0, 4).
    EXPECT_NEAR(v[5].x, 10.0f, 1e-5f);
    EXPECT_NEAR(v[5].y, 24.0f, 1e-5f);
    EXPECT_EQ(v[11].x, 18.0f);
    EXPECT_EQ(v[11].y, 26.0f);
}

TEST_F(Gfx2DTest, ColoursAndTints)
{
    const cVec2f tri[3] = {{0, 0}, {10, 0}, {0, 10}};
    const uint32_t colours[3] = {0xFF0000FFu, 0xFF00FF00u, 0x80808080u};
    const cVec2f uvs[3] = {{0, 0}, {1, 0}, {0, 1}};
    gfx.SetColour(0xFF808080u);
    gfx.DrawTexturedPolygon(tri, colours, uvs, imageA.get(), 3); // tinted per vertex
    gfx.FillPolygon(tri, colours, 3);                              // given colours as they are
    gfx.FillPolygon(tri, nullptr, 3);                              // the current colour
    gfx.SetColour(kWhite);
    gfx.DrawTexturedPolygon(tri, colours, uvs, imageA.get(), 3); // white: colours unchanged
    const auto& draws = Draws();
    ASSERT_EQ(draws.size(), 3u);
    EXPECT_EQ(draws[0].vertices[0].colour, 0xFF000080u);
    EXPECT_EQ(draws[0].vertices[1].colour, 0xFF008000u);
    EXPECT_EQ(draws[0].vertices[2].u, 0.0f);
    EXPECT_EQ(draws[0].vertices[2].v, 1.0f);
    EXPECT_EQ(draws[1].vertices[0].colour, 0xFF0000FFu);
    EXPECT_EQ(draws[1].vertices[3].colour, 0xFF808080u);
    EXPECT_EQ(draws[2].vertices[1].colour, 0xFF00FF00u);
    // Quads take the current colour.
    gfx.SetColour(0x11223344u);
    ImageRect frame = MakeFrame(imageA.get(), 0, 0, 4, 4);
    gfx.DrawFrame(&frame, 0);
    EXPECT_EQ(Draws().back().vertices[2].colour, 0x11223344u);
}

TEST_F(Gfx2DTest, PrimitivesLargerThanTheBatchAreDrawnInPieces)
{
    // A 600-point convex polygon: more than one batch holds (514). Every triangle of the
    // fan is still drawn, in batches that never overflow.
    std::vector<cVec2f> ring(600);
    for (size_t i = 0; i < ring.size(); ++i)
    {
        const float a = float(i) / float(ring.size()) * kTwoPi;
        ring[i] = cVec2f(std::cos(a) * 100.0f, std::sin(a) * 100.0f);
    }
    gfx.FillPolygon(ring.data(), nullptr, uint32_t(ring.size()));
    size_t triangles = 0;
    for (const RecordedDraw& d : Draws())
    {
        EXPECT_LE(d.indices.size(), 1536u);
        for (uint16_t i : d.indices)
            ASSERT_LT(i, 1024);
        triangles += d.indices.size() / 3;
        EXPECT_EQ(d.vertices[0].x, 100.0f); // every piece fans from point 0
    }
    EXPECT_EQ(triangles, 598u);

    // A closed strip of 2000 points: 2000 segments.
    renderer.draws.clear();
    std::vector<cVec2f> strip(2000);
    for (size_t i = 0; i < strip.size(); ++i)
        strip[i] = cVec2f(float(i), float(i % 7));
    gfx.DrawLineStrip(strip.data(), nullptr, uint32_t(strip.size()), true);
    size_t segments = 0;
    for (const RecordedDraw& d : Draws())
    {
        EXPECT_LE(d.indices.size(), 1536u);
        segments += d.indices.size() / 2;
    }
    EXPECT_EQ(segments, 2000u);
    // Fewer points than a primitive needs draw nothing.
    renderer.draws.clear();
    gfx.FillPolygon(ring.data(), nullptr, 2);
    gfx.DrawLineStrip(strip.data(), nullptr, 1, false);
    gfx.FillPolygon(nullptr, nullptr, 5);
    EXPECT_TRUE(Draws().empty());
}

TEST_F(Gfx2DTest, TextIsPlacedByItsFlags)
{
    auto font = MakeFont(imageA.get());
    gfx.SetFont(font.get());
    const uint32_t width = uint32_t(font->MeasureText("AB").width);
    EXPECT_EQ(width, 16u);
    // Flags 0: centred on W >> 1, base line at maxTop >> 1 (6).
    gfx.DrawText(0, "AB");
    // 0x11: left edge at the origin and the tallest glyph's top at y = 0.
    gfx.DrawText(0x11, "AB");
    gfx.DrawText(0x12, "B");
    gfx.DrawText(0x20, "B?"); // base line at 0; '?' has no glyph
    EXPECT_TRUE(gfx.transform.IsIdentity()); // text restores the transform
    const auto& draws = Draws();
    ASSERT_EQ(draws.size(), 1u);
    const auto& v = draws[0].vertices;
    ASSERT_EQ(v.size(), 4u * 6u);
    EXPECT_EQ(v[0].x, -8.0f + 1.0f); // 'A' has offsetX 1
    EXPECT_EQ(v[0].y, 6.0f - 12.0f);
    EXPECT_EQ(v[4].x, 0.0f); // 'B' after A's advance
    EXPECT_EQ(v[4].y, 6.0f - 10.0f);
    EXPECT_EQ(v[8].y, 0.0f);
    EXPECT_EQ(v[8].x, 1.0f);
    EXPECT_EQ(v[16].x, -8.0f); // right edge at the origin
    EXPECT_EQ(v[20].y, -10.0f);
    // The glyph samples its rectangle on the page.
    EXPECT_FLOAT_EQ(v[0].u, font->GlyphOf('A')->rect.uMin);
    EXPECT_FLOAT_EQ(v[0].v, font->GlyphOf('A')->rect.vMax);
}

TEST_F(Gfx2DTest, BytesAbove127DrawAsTheyMeasure)
{
    auto font = MakeFont(imageA.get());
    gfx.SetFont(font.get());
    gfx.DrawText(0x01, "\x93" "A\xFF");
    const auto& draws = Draws();
    ASSERT_EQ(draws.size(), 1u);
    ASSERT_EQ(draws[0].vertices.size(), 8u); // 0x93 drawn, 0xFF (no glyph) skipped
    EXPECT_EQ(draws[0].vertices[4].x, 8.0f + 1.0f);
}

TEST_F(Gfx2DTest, LaidOutTextDrawsEachLine)
{
    auto font = MakeFont(imageA.get());
    const cTextLayout layout(font.get(), 100, "AB\nB");
    gfx.SetFont(nullptr);
    DrawTextLayoutAt(gfx, 50, 40, 0x11, &layout);
    EXPECT_EQ(gfx.font, nullptr); // the drawer's own font comes back
    const auto& v = Draws()[0].vertices;
    ASSERT_EQ(v.size(), 12u);
    EXPECT_EQ(v[0].x, 51.0f);
    EXPECT_EQ(v[0].y, 40.0f);
    EXPECT_EQ(v[8].x, 50.0f);
    EXPECT_EQ(v[8].y, 40.0f + 12.0f + 12.0f - 10.0f); // line 2 at y 12 (the line height)
}

TEST_F(Gfx2DTest, TextOfNegativeWidthIsPlacedByThatWidth)
{
    // "AB" with A kerned 21 pixels towards B: 8 - 21 + 8 = -5 pixels wide. Every
    // alignment puts the pen where that width says: it ends at the origin when aligned
    // right, starts at it when aligned left, and is centred on -5 >> 1 = -3.
    auto glyphs = tvtest::UniformGlyphs("AB", 6, 10, 8);
    const auto bytes = tvtest::BuildFont(glyphs, {{{0, 1}, uint16_t(-21)}});
    std::unique_ptr<cFont> font(cFont::ReadFromMemory(bytes.data(), bytes.size()));
    ASSERT_NE(font, nullptr);
    font->SetPage(imageA.get());
    ASSERT_EQ(font->MeasureText("AB").width, -5);
    const cTextLayout layout(font.get(), 100, "AB");
    ASSERT_EQ(layout.lines.size(), 1u);

    struct Case
    {
        const char* what;
        std::function<void()> draw;
        float penX; // where A is drawn; B follows 13 pixels to its left
    };
    const Case cases[] = {
        {"left", [&] { gfx.DrawText(kAlignLeft, "AB"); }, 0.0f},
        {"right", [&] { gfx.DrawText(kAlignRight, "AB"); }, 5.0f},
        {"centred", [&] { gfx.DrawText(0, "AB"); }, 3.0f},
        {"right-aligned with colours", [&] { gfx.DrawTextRightAligned("AB", nullptr); }, 5.0f},
        {"laid out, right", [&] { gfx.DrawTextLayout(kAlignRight, &layout); }, 5.0f},
        {"laid out, centred", [&] { gfx.DrawTextLayout(0, &layout); }, 3.0f},
    };
    gfx.SetFont(font.get());
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        renderer.draws.clear();
        c.draw();
        const auto& draws = Draws();
        ASSERT_EQ(draws.size(), 1u);
        ASSERT_EQ(draws[0].vertices.size(), 8u);
        const Bounds a = VertexBounds(draws[0], 0, 4), b = VertexBounds(draws[0], 4, 4);
        EXPECT_EQ(a.minX, c.penX);
        EXPECT_EQ(a.maxX, c.penX + 6.0f);
        EXPECT_EQ(b.minX, c.penX - 13.0f);
        EXPECT_TRUE(gfx.transform.IsIdentity());
    }
}

TEST_F(Gfx2DTest, NumbersDrawOneFramePerDigit)
{
    std::vector<ImageRect> frames;
    for (int d = 0; d < 10; ++d)
        frames.push_back(MakeFrame(imageA.get(), d * 10, 0, 10, 16));
    const ImageRect* digits[10];
    for (int d = 0; d < 10; ++d)
        digits[d] = &frames[size_t(d)];

    float end = gfx.DrawNumber(1205, digits, 100, 50, 0x01 | 0x20, 2);
    EXPECT_EQ(end, 100.0f + 4 * 12.0f);
    auto draws = Draws();
    ASSERT_EQ(draws[0].vertices.size(), 16u); // four digits, the zero included
    EXPECT_EQ(draws[0].vertices[0].x, 100.0f);
    EXPECT_EQ(draws[0].vertices[0].y, 50.0f);
    EXPECT_FLOAT_EQ(draws[0].vertices[8].u, frames[0].uMin); // third digit is 0

    renderer.draws.clear();
    EXPECT_EQ(gfx.DrawNumber(1205, digits, 100, 50, 0x02, 2), 100.0f);
    EXPECT_EQ(Draws()[0].vertices[0].y, 50.0f - 8.0f); // centred vertically

    renderer.draws.clear();
    gfx.DrawNumber(0, digits, 100, 50, 0x01 | 0x20, 2);
    EXPECT_EQ(Draws()[0].vertices.size(), 4u);
}

TEST_F(Gfx2DTest, StacksAndState)
{
    gfx.layer = 3;
    gfx.SetColour(0x12345678u);
    gfx.PushState();
    gfx.layer = 9;
    gfx.SetColour(0);
    gfx.Translate(5, 5);
    gfx.PopState();
    EXPECT_EQ(gfx.layer, 3);
    EXPECT_EQ(gfx.colour, 0x12345678u);
    EXPECT_TRUE(gfx.transform.IsIdentity());
    gfx.PopState(); // empty stacks keep the values
    gfx.PopLayer();
    EXPECT_EQ(gfx.layer, 3);
    gfx.PushLayer();
    gfx.AddLayer(4);
    EXPECT_EQ(gfx.layer, 7);
    gfx.PopLayer();
    EXPECT_EQ(gfx.layer, 3);

    // Reserving past the batch gives null and leaves the counts.
    EXPECT_EQ(gfx.ReserveVertices(1025), nullptr);
    EXPECT_NE(gfx.ReserveIndices(6), nullptr);
    EXPECT_EQ(gfx.indexCount, 6u);
    gfx.indexCount = 0;
    gfx.mesh->indexCount = 0;
}

TEST_F(Gfx2DTest, MeshesScissorsAndTheFrame)
{
    ImageRect a = MakeFrame(imageA.get(), 0, 0, 8, 8);
    gfx.DrawFrame(&a, 0);
    cMesh other;
    cMaterial material;
    gfx.DrawMesh(&other, &material); // ahead of the batch
    ASSERT_EQ(renderer.draws.size(), 1u);
    EXPECT_EQ(renderer.draws[0].mesh, &other);
    gfx.SetScissor(0, 0, 10, 10);
    EXPECT_EQ(renderer.draws.size(), 2u);
    EXPECT_EQ(renderer.scissorCalls, 1);
    gfx.ClearScissor();
    EXPECT_EQ(renderer.disableScissorCalls, 1);

    SetScreenSize(640, 480);
    cCamera original;
    original.SetPerspective(1.0f);
    renderer.SetCamera(original);
    gfx.SaveRendererState();
    gfx.Begin();
    EXPECT_EQ(renderer.camera.orthographic, 1);
    EXPECT_EQ(renderer.camera.orthoRight, 640.0f);
    EXPECT_EQ(renderer.camera.orthoBottom, 480.0f);
    EXPECT_EQ(renderer.camera.orthoTop, 0.0f);
    gfx.DrawFrame(&a, 0);
    gfx.RestoreRendererState();
    EXPECT_EQ(renderer.draws.size(), 3u);
    EXPECT_EQ(renderer.camera.orthographic, 0);
    EXPECT_EQ(renderer.camera.fieldOfView, 1.0f);
}

TEST_F(Gfx2DTest, ShapesBuiltOnTheSlots)
{
    gfx.FillCircle(10);
    auto draws = Draws();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].indices.size(), 14u * 3u);
    EXPECT_NEAR(draws[0].vertices[0].x, 0.0f, 1e-6f);
    EXPECT_NEAR(draws[0].vertices[0].y, 10.0f, 1e-6f);
    EXPECT_NEAR(draws[0].vertices[4].x, -10.0f, 1e-5f); // a quarter turn on: (-sin, cos)

    renderer.draws.clear();
    const float rect[4] = {1, 2, 3, 4};
    gfx.DrawRectOutline(rect);
    gfx.DrawCircleOutline(5);
    draws = Draws();
    ASSERT_EQ(draws.size(), 1u); // both line batches
    EXPECT_EQ(draws[0].indices.size(), 8u + 32u);

    renderer.draws.clear();
    ImageRect frame = MakeFrame(imageA.get(), 0, 0, 16, 16);
    gfx.DrawThickLine(&frame, cVec2f(0, 0), cVec2f(10, 0), 4);
    gfx.DrawGlyph(&frame, nullptr);
    draws = Draws();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_NEAR(draws[0].vertices[0].y, -2.0f, 0.01f);
    EXPECT_NEAR(draws[0].vertices[1].y, 2.0f, 0.01f);
    EXPECT_FLOAT_EQ(draws[0].vertices[0].v, frame.vMin); // bottom edge across a
    EXPECT_EQ(draws[0].vertices[6].x, 16.0f);
}

// ---- the layered drawer ----

namespace
{
class Gfx2DxTest : public testing::Test
{
protected:
    tvtest::cFakeRenderer renderer;
    cGfx2Dx gfx{&renderer};
    std::vector<std::unique_ptr<cImage>> images;

    // A frame on an image of its own, so that each draw shows which item it came from.
    ImageRect* Frame()
    {
        images.push_back(MakeImage(16, 16));
        frames.push_back(std::make_unique<ImageRect>(MakeFrame(images.back().get(), 0, 0, 8, 8)));
        return frames.back().get();
    }
    std::vector<cImage*> DrawnTextures()
    {
        std::vector<cImage*> order;
        for (const RecordedDraw& d : renderer.draws)
            order.push_back(d.texture);
        return order;
    }
    std::vector<std::unique_ptr<ImageRect>> frames;
};
} // namespace

TEST_F(Gfx2DxTest, HigherLayersDrawFirstAndOneLayerKeepsItsOrder)
{
    ImageRect* a = Frame();
    ImageRect* b = Frame();
    ImageRect* c = Frame();
    ImageRect* d = Frame();
    gfx.DrawFrame(a, 0);
    gfx.DrawFrame(b, 0);
    gfx.layer = 5;
    gfx.DrawFrame(c, 0);
    gfx.layer = -1;
    gfx.DrawFrame(d, 0);
    EXPECT_TRUE(renderer.draws.empty()); // nothing drawn while recording
    EXPECT_EQ(gfx.ItemCount(), 4u);
    gfx.Flush();
    EXPECT_EQ(DrawnTextures(), (std::vector<cImage*>{c->image, a->image, b->image, d->image}));
    EXPECT_EQ(gfx.ItemCount(), 0u);
    // The keys: layer above 0x8000, the sequence counting down.
    gfx.layer = 1;
    gfx.DrawFrame(a, 0);
    EXPECT_EQ(gfx.sentinel.next->key, 0x8001FFFEu);
    gfx.Flush();
}

TEST_F(Gfx2DxTest, ItemsKeepTheirTransformColourAndFlags)
{
    ImageRect* a = Frame();
    gfx.Translate(100, 50);
    gfx.SetColour(0xFF0000FFu);
    gfx.DrawFrame(a, 0x11);
    gfx.SetRenderFlags(0x20000);
    EXPECT_TRUE(renderer.draws.empty()); // recorded flags never flush
    gfx.SetColour(0xFF00FF00u);
    gfx.DrawFrame(a, 0x11);
    gfx.Flush();
    ASSERT_EQ(renderer.draws.size(), 2u); // the flag change splits the replay
    EXPECT_EQ(renderer.draws[0].blend, 1);
    EXPECT_EQ(renderer.draws[1].blend, 2);
    EXPECT_EQ(renderer.draws[0].vertices[0].x, 100.0f);
    EXPECT_EQ(renderer.draws[0].vertices[0].colour, 0xFF0000FFu);
    EXPECT_EQ(renderer.draws[1].vertices[0].colour, 0xFF00FF00u);
    // The caller's transform and colour are theirs again after the replay.
    EXPECT_EQ(gfx.colour, 0xFF00FF00u);
    EXPECT_EQ(gfx.transform.tx, 100.0f);
}

TEST_F(Gfx2DxTest, FullPoolAndFullPointArraysDropItems)
{
    ImageRect* a = Frame();
    for (int i = 0; i < 2049; ++i)
        gfx.DrawFrame(a, 0);
    EXPECT_EQ(gfx.ItemCount(), 2048u);
    gfx.Flush();
    size_t quads = 0;
    for (const RecordedDraw& d : renderer.draws)
        quads += d.indices.size() / 6;
    EXPECT_EQ(quads, 2048u);

    // Points past the 8192 of the arrays drop the whole item, never write past them.
    std::vector<cVec2f> many(5000, cVec2f(1, 1));
    gfx.FillPolygon(many.data(), nullptr, 5000);
    gfx.FillPolygon(many.data(), nullptr, 5000);
    EXPECT_EQ(gfx.ItemCount(), 1u);
    EXPECT_EQ(gfx.PointCount(), 5000u);
    gfx.DrawLineStrip(many.data(), nullptr, 3192, false); // exactly fills the arrays
    EXPECT_EQ(gfx.PointCount(), 8192u);
    gfx.Flush();
    EXPECT_EQ(gfx.PointCount(), 0u);
}

TEST_F(Gfx2DxTest, TextRecordsOneItemPerGlyph)
{
    auto page = MakeImage(256, 256);
    auto font = MakeFont(page.get());
    gfx.SetFont(font.get());
    gfx.DrawText(0, "AB A?");
    EXPECT_EQ(gfx.ItemCount(), 4u); // the space has a glyph; '?' has none
    gfx.DrawTextRightAligned("AB", nullptr);
    EXPECT_EQ(gfx.ItemCount(), 6u);
    gfx.Flush();
    EXPECT_EQ(gfx.ItemCount(), 0u);
}

TEST_F(Gfx2DxTest, PolygonsRectanglesMeshesAndQuadsReplay)
{
    ImageRect* a = Frame();
    gfx.Translate(10, 10);
    gfx.FillRect(4, 2, 0x11); // recorded as a polygon with the transform
    const cVec2f tri[3] = {{0, 0}, {1, 0}, {0, 1}};
    gfx.SetColour(0x80FFFFFFu);
    gfx.DrawTexturedPolygon(tri, nullptr, nullptr, a->image, 3);
    gfx.DrawLineStrip(tri, nullptr, 3, true);
    cMesh mesh;
    cMaterial material;
    gfx.DrawMesh(&mesh, &material);
    // Slot 3 is not recorded: its quad goes to the batch at once.
    const float src[4] = {0, 0, 16, 16};
    gfx.DrawImageQuad(a->image, src, src);
    EXPECT_EQ(gfx.ItemCount(), 4u);
    gfx.Flush();
    ASSERT_EQ(renderer.draws.size(), 5u);
    EXPECT_EQ(renderer.draws[0].texture, a->image); // the quad, flushed by the first replay
    EXPECT_EQ(renderer.draws[1].texture, nullptr);
    EXPECT_EQ(renderer.draws[1].vertices[2].x, 14.0f);
    EXPECT_EQ(renderer.draws[1].vertices[2].y, 12.0f);
    EXPECT_EQ(renderer.draws[1].vertices[0].colour, 0xFFFFFFFFu);
    // A textured polygon recorded without colours is drawn in the current colour, as the
    // immediate drawer draws it (not tinted by that colour a second time).
    EXPECT_EQ(renderer.draws[2].vertices[0].colour, 0x80FFFFFFu);
    EXPECT_EQ(renderer.draws[3].mesh, &mesh); // the mesh at once, ahead of the line batch
    EXPECT_EQ(renderer.draws[4].flags & kMaterialLines, kMaterialLines);
    EXPECT_EQ(renderer.draws[4].indices.size(), 6u);

    // An empty flush still draws the batch.
    renderer.draws.clear();
    gfx.DrawImageQuad(a->image, src, src);
    gfx.Flush();
    EXPECT_EQ(renderer.draws.size(), 1u);
}

TEST_F(Gfx2DxTest, PlacedFramesAndLayerOffsets)
{
    ImageRect* a = Frame();
    ImageRect* b = Frame();
    gfx.DrawFrame(a, 0);
    cGfx2Dx::Placement placement;
    placement.x = 20;
    placement.frame = b;
    placement.colour = 0xFF0000FFu;
    gfx.DrawPlacedFrame(placement, 0, 2);
    EXPECT_EQ(gfx.layer, 0);
    EXPECT_EQ(gfx.colour, kWhite);
    EXPECT_TRUE(gfx.transform.IsIdentity());
    gfx.Flush();
    ASSERT_EQ(renderer.draws.size(), 2u);
    EXPECT_EQ(renderer.draws[0].texture, b->image); // raised layer: underneath
    EXPECT_EQ(renderer.draws[0].vertices[0].colour, 0xFF0000FFu);
    EXPECT_EQ(renderer.draws[0].vertices[0].x, 16.0f);
}

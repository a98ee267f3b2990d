#include "KelpoBase/render/Surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace
{
// A format-0 surface whose pixel (x, y) holds the word x + 16 * y + 0xAB000000.
std::unique_ptr<cSurface> Numbered(uint32_t w, uint32_t h)
{
    auto s = std::make_unique<cSurface>(w, h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            s->SetPixel(int32_t(x), int32_t(y), 0xAB000000u + x + 16 * y);
    return s;
}

std::vector<uint32_t> Words(const cSurface& s)
{
    std::vector<uint32_t> out;
    for (uint32_t y = 0; y < s.height; ++y)
        for (uint32_t x = 0; x < s.width; ++x)
            out.push_back(s.GetPixel(int32_t(x), int32_t(y)));
    return out;
}
} // namespace

TEST(Surface, FormatsAndConstruction)
{
    const uint32_t expected[13] = {32, 16, 24, 16, 0, 0, 0, 0, 16, 8, 32, 1, 0};
    for (uint32_t f = 0; f < 13; ++f)
        EXPECT_EQ(BitsPerPixel(f), expected[f]) << f;
    EXPECT_EQ(BitsPerPixel(99), 0u);

    cSurface empty;
    EXPECT_EQ(empty.format, kFormatNone);
    EXPECT_EQ(empty.pixels, nullptr);

    cSurface rgb(3, 2, kFormatRGB888);
    EXPECT_EQ(rgb.size, 18u);
    EXPECT_EQ(rgb.bpp, 24u);
    EXPECT_EQ(rgb.GetBytesPerPixel(), 3u);
    for (uint32_t i = 0; i < rgb.size; ++i)
        ASSERT_EQ(rgb.pixels[i], 0);

    cSurface none(4, 4, kFormatNone);
    EXPECT_EQ(none.format, kFormatNone);
    EXPECT_EQ(none.size, 0u);

    cSurface compressed(8, 8, kFormatPVRTC4);
    EXPECT_EQ(compressed.size, 0u);

    cSurface indexed(4, 2, kFormatPalette8);
    ASSERT_NE(indexed.pixels, nullptr);
    ASSERT_NE(indexed.palette, nullptr);
    indexed.pixels[1 * 4 + 3] = 77;
    EXPECT_EQ(indexed.GetPixel(3, 1), 77u);

    EXPECT_TRUE(cSurface::StaticClassInfo()->name == "cSurface");
    EXPECT_TRUE(rgb.IsKindOf(cResource::StaticClassInfo()));
    EXPECT_EQ(rgb.userWord, 0u);

    rgb.Clear();
    EXPECT_EQ(rgb.format, kFormatNone);
    EXPECT_EQ(rgb.pixels, nullptr);
    EXPECT_EQ(rgb.width, 0u);
}

TEST(Surface, AssembledFieldByField)
{
    // A 2 x 3 RGB surface built through the setters, as a decoder would build one.
    cSurface s;
    s.SetFormat(kFormatRGB888);
    s.SetBitsPerPixel(24);
    s.SetWidth(2);
    s.SetHeight(3);
    s.SetMipCount(1);
    s.RecomputeSize();
    EXPECT_EQ(s.GetSize(), 18u);
    s.SetPixels(new uint8_t[18]());
    s.SetPixels(new uint8_t[18]()); // the first buffer is freed, not leaked
    s.SetPixel(1, 2, 0x030201u);
    EXPECT_EQ(s.GetPixel(1, 2), 0x030201u);
    s.SetPalette(new uint8_t[256 * 3]());
    EXPECT_NE(s.palette, nullptr);
    EXPECT_EQ(s.mipCount, 1u);
    EXPECT_FALSE(s.IsFlipped());
    s.SetFlipped();
    EXPECT_TRUE(s.IsFlipped());
    EXPECT_EQ(s.flipped, 1);
    s.SetSize(6);
    EXPECT_EQ(s.GetSize(), 6u);

    // A size past 32 bits is held at the largest value rather than wrapping.
    cSurface huge;
    huge.SetBitsPerPixel(32);
    huge.SetWidth(0x10000);
    huge.SetHeight(0x10000);
    huge.RecomputeSize();
    EXPECT_EQ(huge.GetSize(), 0xFFFFFFFFu);
}

TEST(Surface, PixelAccessAgreesOnByteOrder)
{
    cSurface rgba(2, 2);
    rgba.SetPixel(1, 1, 0x44332211u);
    EXPECT_EQ(rgba.GetPixel(1, 1), 0x44332211u);
    const SurfaceRGBA c = rgba.GetPixelRGBA(1, 1);
    EXPECT_EQ(c.r, 0x11);
    EXPECT_EQ(c.a, 0x44);

    // Format 2 stores the value's low three bytes as R, G, B and reads them back the same.
    cSurface rgb(2, 2, kFormatRGB888);
    rgb.SetPixel(0, 1, 0x00332211u);
    EXPECT_EQ(rgb.pixels[6], 0x11);
    EXPECT_EQ(rgb.pixels[8], 0x33);
    EXPECT_EQ(rgb.GetPixel(0, 1), 0x00332211u);
    const SurfaceRGBA d = rgb.GetPixelRGBA(0, 1);
    EXPECT_EQ(d.r, 0x11);
    EXPECT_EQ(d.b, 0x33);
    EXPECT_EQ(d.a, 255);

    EXPECT_EQ(rgba.GetPixelChecked(-1, 0), 0u);
    EXPECT_EQ(rgba.GetPixelChecked(2, 0), 0u);
    EXPECT_EQ(rgba.GetPixelChecked(0, 2), 0u);
    rgba.SetPixel(5, 5, 1); // outside: ignored

    cSurface l8(2, 2, kFormatL8);
    EXPECT_EQ(l8.GetPixel(0, 0), 0u);
    const SurfaceRGBA w = l8.GetPixelRGBA(0, 0);
    EXPECT_EQ(w.r + w.g + w.b + w.a, 4 * 255);
}

TEST(Surface, BlitChecksFormatsSizesAndClips)
{
    auto src = Numbered(4, 4);
    cSurface dst(4, 4);
    cSurface other(4, 4, kFormatRGB888);

    cSurface::Blit({0, 0, 2, 2}, src.get(), &other, {0, 0, 2, 2}); // different formats
    for (uint32_t i = 0; i < other.size; ++i)
        ASSERT_EQ(other.pixels[i], 0);
    cSurface::Blit({0, 0, 2, 2}, src.get(), &dst, {0, 0, 2, 3}); // different sizes
    EXPECT_EQ(dst.GetPixel(0, 0), 0u);

    // A source rectangle half outside: the inside part lands at the clipped destination.
    cSurface::Blit({-1, 2, 3, 3}, src.get(), &dst, {1, 0, 3, 3});
    EXPECT_EQ(dst.GetPixel(1, 0), src->GetPixel(0, 2));
    EXPECT_EQ(dst.GetPixel(2, 1), src->GetPixel(1, 3));
    EXPECT_EQ(dst.GetPixel(3, 0), 0u);
    EXPECT_EQ(dst.GetPixel(1, 2), 0u);

    // Wholly outside: nothing.
    cSurface::Blit({10, 10, 2, 2}, src.get(), &dst, {0, 0, 2, 2});
    EXPECT_EQ(dst.GetPixel(0, 0), 0u);

    const SurfaceRect r = cSurface::Intersect({0, 0, 4, 4}, {3, 3, 4, 4});
    EXPECT_EQ(r.x, 3);
    EXPECT_EQ(r.w, 1);
    EXPECT_LT(cSurface::Intersect({0, 0, 2, 2}, {5, 0, 2, 2}).w, 1);
}

TEST(Surface, BlitWithinOneSurfaceOverlapping)
{
    // Down and right by one, overlapping: the result equals a copy made from a snapshot.
    for (int dy : {-1, 0, 1})
    {
        for (int dx : {-1, 1})
        {
            auto s = Numbered(6, 6);
            auto before = Numbered(6, 6);
            cSurface::Blit({1, 1, 4, 4}, s.get(), s.get(), {1 + dx, 1 + dy, 4, 4});
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x)
                    ASSERT_EQ(s->GetPixel(1 + dx + x, 1 + dy + y), before->GetPixel(1 + x, 1 + y))
                        << dx << "," << dy << " at " << x << "," << y;
        }
    }
}

TEST(Surface, ExtrudeEdgesRepeatsTheBorderAndClips)
{
    cSurface s(6, 6);
    for (int y = 1; y <= 4; ++y)
        for (int x = 1; x <= 4; ++x)
            s.SetPixel(x, y, 0xFF000000u + uint32_t(x * 10 + y));
    cSurface::ExtrudeEdges({2, 2, 2, 2}, &s);
    EXPECT_EQ(s.GetPixel(1, 2), s.GetPixel(2, 2));
    EXPECT_EQ(s.GetPixel(4, 3), s.GetPixel(3, 3));
    EXPECT_EQ(s.GetPixel(1, 1), s.GetPixel(2, 2)); // corner from the extruded column
    EXPECT_EQ(s.GetPixel(4, 4), s.GetPixel(3, 3));
    EXPECT_EQ(s.GetPixel(2, 1), s.GetPixel(2, 2));

    // A rectangle at the surface's edge: the outside parts are clipped away.
    cSurface edge(2, 2);
    edge.SetPixel(0, 0, 7);
    cSurface::ExtrudeEdges({0, 0, 2, 2}, &edge);
    EXPECT_EQ(edge.GetPixel(0, 0), 7u);
}

TEST(Surface, GeometryOperations)
{
    auto s = Numbered(3, 2);
    const std::vector<uint32_t> original = Words(*s);
    s->Rotate90();
    ASSERT_EQ(s->width, 2u);
    ASSERT_EQ(s->height, 3u);
    // (x, y) goes to column y, row old width - 1 - x.
    EXPECT_EQ(s->GetPixel(0, 2), 0xAB000000u);
    EXPECT_EQ(s->GetPixel(1, 0), 0xAB000000u + 2 + 16);
    s->Rotate90();
    s->Rotate90();
    s->Rotate90();
    EXPECT_EQ(Words(*s), original);

    s->Rotate90();
    s->Rotate90Back();
    EXPECT_EQ(Words(*s), original);

    s->Rotate180();
    EXPECT_EQ(s->GetPixel(0, 0), 0xAB000000u + 2 + 16);
    s->Rotate180();
    EXPECT_EQ(Words(*s), original);

    s->MirrorHorizontal();
    EXPECT_EQ(s->GetPixel(0, 1), 0xAB000000u + 2 + 16);
    s->MirrorHorizontal();
    s->FlipVertical();
    EXPECT_EQ(s->GetPixel(2, 0), 0xAB000000u + 2 + 16);
    s->FlipVertical();
    EXPECT_EQ(Words(*s), original);

    // RGB pictures rotate by whole 3-byte pixels.
    cSurface rgb(2, 1, kFormatRGB888);
    rgb.SetPixel(0, 0, 0x030201);
    rgb.SetPixel(1, 0, 0x060504);
    rgb.Rotate90();
    EXPECT_EQ(rgb.GetPixel(0, 0), 0x060504u);
    EXPECT_EQ(rgb.GetPixel(0, 1), 0x030201u);
}

TEST(Surface, ResizeSamplesNearestAndSurvivesZero)
{
    auto s = Numbered(2, 2);
    uint8_t* before = s->pixels;
    s->Resize(2, 2);
    EXPECT_EQ(s->pixels, before);

    s->Resize(4, 4);
    ASSERT_EQ(s->size, 64u);
    EXPECT_EQ(s->GetPixel(1, 1), 0xAB000000u);
    EXPECT_EQ(s->GetPixel(2, 3), 0xAB000000u + 1 + 16);

    s->Resize(1, 1);
    EXPECT_EQ(s->GetPixel(0, 0), 0xAB000000u);

    s->Resize(0, 5);
    EXPECT_EQ(s->width, 0u);
    EXPECT_EQ(s->size, 0u);
    EXPECT_EQ(s->pixels, nullptr);
    s->Resize(3, 3); // nothing to sample: stays without pixels
    EXPECT_EQ(s->pixels, nullptr);
}

TEST(Surface, ConversionsAndEdits)
{
    cSurface wide(1, 1, kFormatRGB565);
    wide.pixels[0] = 0xFF;
    wide.pixels[1] = 0xFF;
    wide.ConvertRGB565ToRGBA(255);
    ASSERT_EQ(wide.format, kFormatRGBA8888);
    EXPECT_EQ(wide.GetPixel(0, 0), 0xFFF8FCF8u); // (248, 252, 248, 255)

    cSurface rgba(2, 1);
    rgba.SetPixel(0, 0, 0x80FF8040u);
    rgba.ConvertToRGB565();
    ASSERT_EQ(rgba.format, kFormatRGB565);
    EXPECT_EQ(rgba.size, 4u);
    const uint16_t word = uint16_t(rgba.pixels[0] | (rgba.pixels[1] << 8));
    EXPECT_EQ(word, ((0x40 >> 3) << 11) + ((0x80 >> 2) << 5) + (0xFF >> 3));

    cSurface rgb(2, 1, kFormatRGB888);
    rgb.SetPixel(1, 0, 0x112233);
    rgb.ConvertRGBToRGBA();
    EXPECT_EQ(rgb.format, kFormatRGBA8888);
    EXPECT_EQ(rgb.bpp, 32u);
    EXPECT_EQ(rgb.GetPixel(1, 0), 0xFF112233u);
    rgb.SwapRedBlue();
    EXPECT_EQ(rgb.GetPixel(1, 0), 0xFF332211u);
    rgb.ConvertRGBAToRGB();
    EXPECT_EQ(rgb.format, kFormatRGB888);
    EXPECT_EQ(rgb.GetPixel(1, 0), 0x332211u);
    rgb.ConvertRGB565ToRGBA(9); // wrong source format: unchanged
    EXPECT_EQ(rgb.format, kFormatRGB888);

    cSurface edit(2, 1);
    edit.SetPixel(0, 0, 0x00102030u);
    edit.SetPixel(1, 0, 0x80102030u);
    edit.ClearInvisibleColour();
    EXPECT_EQ(edit.GetPixel(0, 0), 0u);
    edit.SetColourWhite();
    EXPECT_EQ(edit.GetPixel(0, 0), 0x00FFFFFFu);
    EXPECT_EQ(edit.GetPixel(1, 0), 0x80FFFFFFu);
}

TEST(Surface, BleedIntoTransparent)
{
    cSurface clear(3, 3);
    clear.BleedIntoTransparent();
    for (uint32_t i = 0; i < clear.size; ++i)
        ASSERT_EQ(clear.pixels[i], 0);

    cSurface s(3, 1);
    s.SetPixel(0, 0, 0xFF0000FFu); // opaque red
    s.BleedIntoTransparent();
    EXPECT_EQ(s.GetPixel(1, 0), 0x000000FFu); // red, alpha 0
    // Pixels changed in the pass keep alpha 0 and never count as neighbours.
    EXPECT_EQ(s.GetPixel(2, 0), 0u);

    cSurface avg(3, 1);
    avg.SetPixel(0, 0, 0xFF000064u);
    avg.SetPixel(2, 0, 0xFF0000C8u);
    avg.BleedIntoTransparent();
    EXPECT_EQ(avg.GetPixel(1, 0), 0x00000096u);
}

// The pass as written: every pixel in row order with all eight neighbours bounds-checked.
static void ReferenceBleed(std::vector<uint8_t>& p, int w, int h)
{
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            uint8_t* c = &p[size_t(y * w + x) * 4];
            if (c[3] != 0)
                continue;
            uint32_t sum[3] = {0, 0, 0}, count = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                {
                    const int nx = x + dx, ny = y + dy;
                    if ((dx == 0 && dy == 0) || nx < 0 || ny < 0 || nx >= w || ny >= h)
                        continue;
                    const uint8_t* n = &p[size_t(ny * w + nx) * 4];
                    if (n[3] == 0)
                        continue;
                    for (int k = 0; k < 3; ++k)
                        sum[k] += n[k];
                    ++count;
                }
            if (count != 0)
                for (int k = 0; k < 3; ++k)
                    c[k] = uint8_t(sum[k] / count);
        }
}

TEST(Surface, BleedMatchesThePassAsWrittenOnEveryShape)
{
    // Scattered specks, solid blocks, picture edges on the surface's borders, empty rows
    // and columns, and surfaces of one and two pixels a side.
    struct Size
    {
        uint32_t w, h;
    };
    uint32_t seed = 7;
    for (const Size size : {Size{1, 1}, Size{1, 7}, Size{7, 1}, Size{2, 2}, Size{37, 23}, Size{130, 66}})
    {
        for (int density : {0, 3, 50, 97, 100})
        {
            SCOPED_TRACE(testing::Message() << size.w << "x" << size.h << " density " << density);
            cSurface s(size.w, size.h);
            for (uint32_t y = 0; y < size.h; ++y)
                for (uint32_t x = 0; x < size.w; ++x)
                {
                    seed = seed * 214013u + 2531011u;
                    const bool block = (x / 8 + y / 5) % 3 == 0 && y < size.h * 3 / 4;
                    const bool visible = int((seed >> 16) % 100) < density || (density == 50 && block);
                    seed = seed * 214013u + 2531011u;
                    s.SetPixel(x, y, (visible ? 0x01000000u * (1 + (seed >> 24) % 255) : 0u) | (seed & 0xFFFFFFu));
                }
            std::vector<uint8_t> expected(s.pixels, s.pixels + size_t(size.w) * size.h * 4);
            ReferenceBleed(expected, int(size.w), int(size.h));
            s.BleedIntoTransparent();
            ASSERT_TRUE(std::equal(expected.begin(), expected.end(), s.pixels));
        }
    }
}

TEST(Surface, CopyIsIndependent)
{
    auto s = Numbered(3, 3);
    std::unique_ptr<cSurface> c(s->Copy());
    ASSERT_TRUE(c);
    EXPECT_EQ(Words(*c), Words(*s));
    EXPECT_NE(c->pixels, s->pixels);
    c->SetPixel(0, 0, 5);
    EXPECT_NE(s->GetPixel(0, 0), 5u);
}

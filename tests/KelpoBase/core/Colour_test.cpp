#include <gtest/gtest.h>

#include <limits>

#include "KelpoBase/core/Colour.h"

TEST(Colour, PackedWordHasRedInTheLowByte)
{
    const cRGBA c(0x11, 0x22, 0x33, 0x44);
    EXPECT_EQ(c.Word(), 0x44332211u);
    EXPECT_EQ(cRGBA::FromWord(0x44332211u), c);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&c);
    EXPECT_EQ(bytes[0], 0x11); // memory order r, g, b, a
    EXPECT_EQ(bytes[3], 0x44);
    EXPECT_EQ(cRGBA(255, 255, 255, 255).Word(), 0xFFFFFFFFu);
}

TEST(Colour, FloatConversionsTruncateAndWrapWithoutUndefinedBehaviour)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case
    {
        float in;
        uint8_t out;
    };
    const Case cases[] = {
        {1.0f, 255}, {0.5f, 127}, {0.0f, 0}, {0.999f, 254}, {-0.001f, 0},
        {1.5f, 126},   // 382 wraps in the low byte
        {-1.0f, 1},    // -255 -> low byte 0x01
        {1e20f, 0},    {-1e20f, 0}, {inf, 0}, {nan, 0},
    };
    for (const Case& c : cases)
    {
        cRGBA col;
        col.Set(c.in, c.in, c.in, c.in);
        EXPECT_EQ(col, cRGBA(c.out, c.out, c.out, c.out)) << c.in;
        const float rgb[3] = {c.in, c.in, c.in};
        ColourFromFloatRGB(col, rgb);
        EXPECT_EQ(col, cRGBA(c.out, c.out, c.out, 255)) << c.in;
    }

    const float rgb[3] = {1.0f, 0.5f, 0.0f};
    cRGBA out;
    ColourFromFloatRGB(out, rgb);
    EXPECT_EQ(out, cRGBA(255, 127, 0, 255));
    ColourFromFloatRGB(out, rgb, 9);
    EXPECT_EQ(out, cRGBA(255, 127, 0, 9));
    const float rgba[4] = {0.0f, 0.25f, 0.5f, 1.0f};
    ColourFromFloatRGBA(rgba, out);
    EXPECT_EQ(out, cRGBA(0, 63, 127, 255));
}

TEST(Colour, ModulateLerpDarkenBrighten)
{
    cRGBA c(255, 128, 0, 255);
    EXPECT_EQ(c.Modulate(cRGBA(128, 128, 128, 128)), cRGBA(128, 64, 0, 128));
    cRGBA white(255, 255, 255, 255);
    EXPECT_EQ(white.Modulate(cRGBA(1, 2, 3, 4)), cRGBA(1, 2, 3, 4)); // white copies
    cRGBA almostWhite(255, 255, 255, 254);
    EXPECT_EQ(almostWhite.Modulate(cRGBA(10, 20, 30, 40)), cRGBA(10, 20, 30, 39));
    EXPECT_EQ(ModulateColour(0xFFFFFFFFu, 0x80808080u), 0x80808080u);

    const cRGBA a(0, 100, 200, 255), b(255, 200, 0, 0);
    EXPECT_EQ(LerpColour(a, b, 0.0f), a);
    EXPECT_EQ(LerpColour(a, b, 1.0f), b);
    EXPECT_EQ(LerpColour(a, b, 0.5f), cRGBA(127, 150, 100, 127));
    EXPECT_EQ(LerpColour(a, b, 2.0f), cRGBA(254, 44, 56, 1)); // 510, 300, -200, -255: low bytes
    EXPECT_EQ(LerpColour(a, b, std::numeric_limits<float>::quiet_NaN()), cRGBA(0, 0, 0, 0));
    EXPECT_EQ(LerpColour(a.Word(), b.Word(), 0.5f), cRGBA(127, 150, 100, 127).Word());

    struct Case
    {
        cRGBA in, darker, brighter;
    };
    const Case cases[] = {
        {{100, 200, 255, 9}, {69, 139, 178, 9}, {142, 255, 255, 9}},
        {{0, 0, 0, 9}, {0, 0, 0, 9}, {3, 3, 3, 9}},
        {{1, 2, 0, 7}, {0, 1, 0, 7}, {4, 4, 0, 7}}, // 1 and 2 become 3 first; 3 / 0.7 = 4
        {{7, 0, 0, 0}, {4, 0, 0, 0}, {10, 0, 0, 0}},
    };
    for (const Case& c : cases)
    {
        cRGBA out;
        DarkenColour(c.in, out);
        EXPECT_EQ(out, c.darker);
        BrightenColour(c.in, out);
        EXPECT_EQ(out, c.brighter);
    }
}

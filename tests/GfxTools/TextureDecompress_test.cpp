#include "GfxTools/TextureDecompress.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{
// Colour words (the second word of a block).
// Opaque colour A from 5-bit R, G and 4-bit B; opaque colour B from 5-bit R, G, B.
uint32_t OpaqueA(uint32_t r, uint32_t g, uint32_t b4) { return 0x8000u | (r << 10) | (g << 5) | (b4 << 1); }
uint32_t OpaqueB(uint32_t r, uint32_t g, uint32_t b) { return 0x80000000u | (r << 26) | (g << 21) | (b << 16); }

// The block index of (x, y) in a square grid: y bits in the even positions, x bits in the odd.
uint32_t Morton(uint32_t x, uint32_t y)
{
    uint32_t index = 0;
    for (uint32_t bit = 0; bit < 16; ++bit)
    {
        index |= ((y >> bit) & 1u) << (2 * bit);
        index |= ((x >> bit) & 1u) << (2 * bit + 1);
    }
    return index;
}

void PutBlock(std::vector<uint8_t>& data, uint32_t index, uint32_t modulation, uint32_t colour)
{
    const uint32_t words[2] = {modulation, colour};
    for (int w = 0; w < 2; ++w)
        for (int b = 0; b < 4; ++b)
            data[index * 8 + w * 4 + b] = uint8_t(words[w] >> (8 * b));
}

std::vector<uint8_t> Uniform(uint32_t blocks, uint32_t modulation, uint32_t colour)
{
    std::vector<uint8_t> data(blocks * 8);
    for (uint32_t i = 0; i < blocks; ++i)
        PutBlock(data, i, modulation, colour);
    return data;
}

void ExpectEveryPixel(const std::vector<uint8_t>& out, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    for (size_t i = 0; i < out.size(); i += 4)
    {
        ASSERT_EQ(out[i + 0], r) << "pixel " << i / 4;
        ASSERT_EQ(out[i + 1], g) << "pixel " << i / 4;
        ASSERT_EQ(out[i + 2], b) << "pixel " << i / 4;
        ASSERT_EQ(out[i + 3], a) << "pixel " << i / 4;
    }
}
} // namespace

TEST(TextureDecompress, LevelSizesArePaddedToTheMinimumGrid)
{
    EXPECT_EQ(CompressedLevelSize(false, 16, 16), 128u);
    EXPECT_EQ(CompressedLevelSize(true, 32, 16), 128u);
    EXPECT_EQ(CompressedLevelSize(false, 4, 4), 32u);  // 8 x 8 at 4 bits
    EXPECT_EQ(CompressedLevelSize(true, 1, 1), 32u);   // 16 x 8 at 2 bits
    EXPECT_EQ(CompressedLevelSize(false, 8, 1), 32u);
}

TEST(TextureDecompress, EqualColoursGiveAFlatAreaWhateverTheModulation)
{
    // Colour A and B both pure red; the modulation words differ block by block.
    const uint32_t colour = OpaqueA(31, 0, 0) | OpaqueB(31, 0, 0);
    const uint32_t modulations[] = {0x00000000u, 0xFFFFFFFFu, 0x12345678u, 0x9ABCDEF0u};
    struct Case
    {
        bool twoBit;
        uint32_t width, height;
    } cases[] = {{false, 16, 16}, {true, 32, 16}, {false, 8, 8}, {false, 32, 8}};
    for (const Case& c : cases)
    {
        const uint32_t blocks = CompressedLevelSize(c.twoBit, c.width, c.height) / 8;
        std::vector<uint8_t> data(blocks * 8);
        for (uint32_t i = 0; i < blocks; ++i)
            PutBlock(data, i, modulations[i % 4], colour);
        std::vector<uint8_t> out(size_t(c.width) * c.height * 4, 0x11);
        DecompressPVRTC(data.data(), c.twoBit, c.width, c.height, out.data());
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << (c.twoBit ? " 2-bit" : " 4-bit"));
        ExpectEveryPixel(out, 255, 0, 0, 255);
    }
    // The sizes of the two headline cases.
    EXPECT_EQ(16u * 16u * 4u, 1024u);
    EXPECT_EQ(32u * 16u * 4u, 2048u);
}

TEST(TextureDecompress, FourBitModulationBlendsColourAIntoColourB)
{
    // A black, B white; the four 2-bit values weigh B by 0, 3, 5 and 8 eighths.
    const uint32_t colour = OpaqueA(0, 0, 0) | OpaqueB(31, 31, 31);
    const struct
    {
        uint32_t modulation;
        uint8_t value;
    } cases[] = {{0x00000000u, 0}, {0x55555555u, 95}, {0xAAAAAAAAu, 159}, {0xFFFFFFFFu, 255}};
    for (const auto& c : cases)
    {
        std::vector<uint8_t> data = Uniform(4, c.modulation, colour);
        std::vector<uint8_t> out(8 * 8 * 4);
        DecompressPVRTC(data.data(), false, 8, 8, out.data());
        SCOPED_TRACE(c.modulation);
        ExpectEveryPixel(out, c.value, c.value, c.value, 255);
    }
}

TEST(TextureDecompress, PunchThroughModeClearsAlphaOnTheMiddleValue)
{
    // Modulation mode bit set: value 1 is the half blend, value 2 the half blend with alpha 0.
    const uint32_t colour = 1u | OpaqueA(0, 0, 0) | OpaqueB(31, 31, 31);
    std::vector<uint8_t> data = Uniform(4, 0xAAAAAAAAu, colour);
    std::vector<uint8_t> out(8 * 8 * 4);
    DecompressPVRTC(data.data(), false, 8, 8, out.data());
    ExpectEveryPixel(out, 127, 127, 127, 0);

    data = Uniform(4, 0x55555555u, colour);
    DecompressPVRTC(data.data(), false, 8, 8, out.data());
    ExpectEveryPixel(out, 127, 127, 127, 255);
}

TEST(TextureDecompress, TranslucentColoursCarryTheirAlpha)
{
    // Colour A translucent: 3-bit alpha 7 -> 4-bit 14 -> 238; modulation 0 shows A only.
    const uint32_t colourA = (7u << 12) | (15u << 8) | (15u << 4) | (7u << 1);
    std::vector<uint8_t> data = Uniform(4, 0, colourA | OpaqueB(0, 0, 0));
    std::vector<uint8_t> out(8 * 8 * 4);
    DecompressPVRTC(data.data(), false, 8, 8, out.data());
    ExpectEveryPixel(out, 255, 255, 255, 238);
}

TEST(TextureDecompress, TwoBitDirectModeSelectsAOrBPerPixel)
{
    // One bit a pixel, row-major over the 8 x 4 block: every other row all B.
    const uint32_t colour = OpaqueA(0, 0, 0) | OpaqueB(31, 31, 31);
    std::vector<uint8_t> data = Uniform(4, 0x00FF00FFu, colour);
    std::vector<uint8_t> out(16 * 8 * 4);
    DecompressPVRTC(data.data(), true, 16, 8, out.data());
    for (uint32_t y = 0; y < 8; ++y)
    {
        const uint8_t expected = (y % 2 == 0) ? 255 : 0;
        for (uint32_t x = 0; x < 16; ++x)
            ASSERT_EQ(out[(y * 16 + x) * 4], expected) << x << "," << y;
    }
}

TEST(TextureDecompress, BlocksAreReadInTwiddledOrder)
{
    // 4 x 4 blocks of 4 x 4 pixels; one block white, the rest black. At a block's centre
    // pixel the up-scaled colour is that block's own, so the white pixel shows where
    // the block was read from.
    const uint32_t black = OpaqueA(0, 0, 0) | OpaqueB(0, 0, 0);
    const uint32_t white = OpaqueA(31, 31, 15) | OpaqueB(31, 31, 31);
    for (uint32_t by = 0; by < 4; ++by)
    {
        for (uint32_t bx = 0; bx < 4; ++bx)
        {
            std::vector<uint8_t> data = Uniform(16, 0xFFFFFFFFu, black);
            PutBlock(data, Morton(bx, by), 0xFFFFFFFFu, white);
            std::vector<uint8_t> out(16 * 16 * 4);
            DecompressPVRTC(data.data(), false, 16, 16, out.data());
            for (uint32_t cy = 0; cy < 4; ++cy)
                for (uint32_t cx = 0; cx < 4; ++cx)
                {
                    const uint32_t px = cx * 4 + 2, py = cy * 4 + 2;
                    const uint8_t expected = (cx == bx && cy == by) ? 255 : 0;
                    ASSERT_EQ(out[(py * 16 + px) * 4], expected) << "block " << bx << "," << by;
                }
        }
    }
    // y takes the lower bit of each pair: block (0, 1) is the second stored block.
    EXPECT_EQ(Morton(0, 1), 1u);
    EXPECT_EQ(Morton(1, 0), 2u);
}

TEST(TextureDecompress, ColoursBlendBilinearlyBetweenBlockCentres)
{
    // Two columns of blocks: left black, right white (4-bit, 8 x 8). Along a row the
    // colour rises from the left centre (x = 2) to the right centre (x = 6).
    const uint32_t black = OpaqueA(0, 0, 0) | OpaqueB(0, 0, 0);
    const uint32_t white = OpaqueA(31, 31, 15) | OpaqueB(31, 31, 31);
    std::vector<uint8_t> data(32);
    PutBlock(data, Morton(0, 0), 0xFFFFFFFFu, black);
    PutBlock(data, Morton(0, 1), 0xFFFFFFFFu, black);
    PutBlock(data, Morton(1, 0), 0xFFFFFFFFu, white);
    PutBlock(data, Morton(1, 1), 0xFFFFFFFFu, white);
    std::vector<uint8_t> out(8 * 8 * 4);
    DecompressPVRTC(data.data(), false, 8, 8, out.data());
    int previous = -1;
    for (uint32_t x = 2; x <= 6; ++x)
    {
        const int value = out[(2 * 8 + x) * 4];
        EXPECT_GT(value, previous) << x;
        previous = value;
    }
    EXPECT_EQ(out[(2 * 8 + 2) * 4], 0);
    EXPECT_EQ(out[(2 * 8 + 6) * 4], 255);
    EXPECT_EQ(out[(2 * 8 + 4) * 4], 127); // half way
}

TEST(TextureDecompress, SmallMipLevelsDecodePaddedAndCropped)
{
    // The output buffers are exactly width x height x 4: the padded decode must not
    // write past them (the sanitizer watches).
    const uint32_t colour = OpaqueA(0, 31, 0) | OpaqueB(0, 31, 0);
    const struct
    {
        bool twoBit;
        uint32_t width, height;
    } cases[] = {{false, 4, 4}, {false, 2, 2}, {false, 1, 1}, {true, 8, 4}, {true, 4, 2}, {true, 1, 1}, {false, 4, 16}};
    for (const auto& c : cases)
    {
        std::vector<uint8_t> data = Uniform(CompressedLevelSize(c.twoBit, c.width, c.height) / 8, 0x5A5A5A5Au, colour);
        std::vector<uint8_t> out(size_t(c.width) * c.height * 4);
        DecompressPVRTC(data.data(), c.twoBit, c.width, c.height, out.data());
        ExpectEveryPixel(out, 0, 255, 0, 255);
    }
}

TEST(TextureDecompress, ShortDataReadsAsZeroBlocksAndEmptyPicturesFail)
{
    std::vector<uint8_t> data = Uniform(2, 0xFFFFFFFFu, OpaqueA(31, 31, 15) | OpaqueB(31, 31, 31));
    std::vector<uint8_t> out(8 * 8 * 4, 0xEE);
    EXPECT_TRUE(DecompressPVRTC(data.data(), data.size(), false, 8, 8, out.data()));
    EXPECT_FALSE(DecompressPVRTC(data.data(), data.size(), false, 0, 8, out.data()));
    // A grid that is not a power of two stays inside the data as well.
    std::vector<uint8_t> wide(12 * 12 * 4);
    std::vector<uint8_t> some = Uniform(9, 0, OpaqueA(1, 2, 3) | OpaqueB(4, 5, 6));
    EXPECT_TRUE(DecompressPVRTC(some.data(), some.size(), false, 12, 12, wide.data()));
}

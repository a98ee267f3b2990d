#include "GfxTools/TextureDecompress.h"

#include <algorithm>
#include <cstring>

namespace
{
struct Colour
{
    int32_t r, g, b, a;
};

struct Block
{
    uint32_t modulation;
    uint32_t colour;
};

// Colour A: bits 1-15 of the colour word. Opaque (bit 15 set): RGB 5:5:4; else ARGB 3:4:4:3.
// Result: 5-bit red, green, blue and 4-bit alpha.
Colour ColourA(uint32_t word)
{
    Colour c;
    if (word & 0x8000)
    {
        c.r = (word >> 10) & 0x1F;
        c.g = (word >> 5) & 0x1F;
        c.b = (word & 0x1E) | ((word & 0x1E) >> 4);
        c.a = 0xF;
    }
    else
    {
        c.r = ((word & 0xF00) >> 7) | ((word & 0xF00) >> 11);
        c.g = ((word & 0xF0) >> 3) | ((word & 0xF0) >> 7);
        c.b = ((word & 0xE) << 1) | ((word & 0xE) >> 2);
        c.a = (word & 0x7000) >> 11;
    }
    return c;
}

// Colour B: bits 16-31. Opaque (bit 31 set): RGB 5:5:5; else ARGB 3:4:4:4.
Colour ColourB(uint32_t word)
{
    Colour c;
    if (word & 0x80000000u)
    {
        c.r = (word >> 26) & 0x1F;
        c.g = (word >> 21) & 0x1F;
        c.b = (word >> 16) & 0x1F;
        c.a = 0xF;
    }
    else
    {
        c.r = ((word & 0xF000000) >> 23) | ((word & 0xF000000) >> 27);
        c.g = ((word & 0xF00000) >> 19) | ((word & 0xF00000) >> 23);
        c.b = ((word & 0xF0000) >> 15) | ((word & 0xF0000) >> 19);
        c.a = (word & 0x70000000) >> 27;
    }
    return c;
}

// Bilinear up-scaling of one colour of the four blocks P (top left), Q (top right),
// R (bottom left), S (bottom right) over the area from the centre of P to the centre of S,
// widened to 8 bits a channel.
void Upscale(const Colour& p, const Colour& q, const Colour& r, const Colour& s, int blockWidth, bool twoBit,
             Colour* out)
{
    const int blockHeight = 4;
    Colour hp{p.r * blockWidth, p.g * blockWidth, p.b * blockWidth, p.a * blockWidth};
    Colour hr{r.r * blockWidth, r.g * blockWidth, r.b * blockWidth, r.a * blockWidth};
    const Colour qp{q.r - p.r, q.g - p.g, q.b - p.b, q.a - p.a};
    const Colour sr{s.r - r.r, s.g - r.g, s.b - r.b, s.a - r.a};
    for (int x = 0; x < blockWidth; ++x)
    {
        Colour v{hp.r * 4, hp.g * 4, hp.b * 4, hp.a * 4};
        const Colour dy{hr.r - hp.r, hr.g - hp.g, hr.b - hp.b, hr.a - hp.a};
        for (int y = 0; y < blockHeight; ++y)
        {
            Colour& o = out[y * blockWidth + x];
            if (twoBit)
            {
                // Weights sum to 32: a 5-bit value v x 32 becomes (v << 3) | (v >> 2).
                o.r = (v.r >> 7) + (v.r >> 2);
                o.g = (v.g >> 7) + (v.g >> 2);
                o.b = (v.b >> 7) + (v.b >> 2);
                o.a = (v.a >> 5) + (v.a >> 1);
            }
            else
            {
                // Weights sum to 16.
                o.r = (v.r >> 6) + (v.r >> 1);
                o.g = (v.g >> 6) + (v.g >> 1);
                o.b = (v.b >> 6) + (v.b >> 1);
                o.a = (v.a >> 4) + v.a;
            }
            v.r += dy.r;
            v.g += dy.g;
            v.b += dy.b;
            v.a += dy.a;
        }
        hp.r += qp.r;
        hp.g += qp.g;
        hp.b += qp.b;
        hp.a += qp.a;
        hr.r += sr.r;
        hr.g += sr.g;
        hr.b += sr.b;
        hr.a += sr.a;
    }
}

// Modulation of a 2 x 2 block group: 8 rows of up to 16 columns.
struct ModulationGrid
{
    int32_t values[8][16];
    int32_t modes[8][16];
};

// Unpacks one block's modulation word into the grid at the block's offset. 4-bit values
// become the blend weights 0, 3, 5, 8 out of 8; in punch-through mode 0, 4, 4 + 10, 8
// (10 marks a pixel whose alpha is cleared).
void UnpackModulation(const Block& block, int offsetX, int offsetY, bool twoBit, ModulationGrid& grid)
{
    int32_t mode = int32_t(block.colour & 1);
    uint32_t bits = block.modulation;
    if (twoBit)
    {
        if (mode)
        {
            // Interpolated mode: the first stored bit picks horizontal-and-vertical, or
            // with bit 20 only one direction; those flag bits borrow their neighbour.
            if (bits & 1)
            {
                mode = (bits & (1u << 20)) ? 3 : 2;
                if (bits & (1u << 21))
                    bits |= (1u << 20);
                else
                    bits &= ~(1u << 20);
            }
            if (bits & 2)
                bits |= 1;
            else
                bits &= ~1u;
            for (int y = 0; y < 4; ++y)
            {
                for (int x = 0; x < 8; ++x)
                {
                    grid.modes[y + offsetY][x + offsetX] = mode;
                    // Values are stored for a checkerboard of pixels; the others are
                    // interpolated from their neighbours.
                    if (((x ^ y) & 1) == 0)
                    {
                        grid.values[y + offsetY][x + offsetX] = int32_t(bits & 3);
                        bits >>= 2;
                    }
                    else
                        grid.values[y + offsetY][x + offsetX] = 0;
                }
            }
        }
        else
        {
            // One bit a pixel: colour A or colour B.
            for (int y = 0; y < 4; ++y)
            {
                for (int x = 0; x < 8; ++x)
                {
                    grid.modes[y + offsetY][x + offsetX] = 0;
                    grid.values[y + offsetY][x + offsetX] = (bits & 1) ? 3 : 0;
                    bits >>= 1;
                }
            }
        }
        return;
    }
    static const int32_t kStandard[4] = {0, 3, 5, 8};
    static const int32_t kPunchThrough[4] = {0, 4, 14, 8};
    for (int y = 0; y < 4; ++y)
    {
        for (int x = 0; x < 4; ++x)
        {
            grid.modes[y + offsetY][x + offsetX] = mode;
            grid.values[y + offsetY][x + offsetX] = (mode ? kPunchThrough : kStandard)[bits & 3];
            bits >>= 2;
        }
    }
}

int32_t ModulationAt(const ModulationGrid& grid, int x, int y, bool twoBit)
{
    if (!twoBit)
        return grid.values[y][x];
    static const int32_t kWeights[4] = {0, 3, 5, 8};
    const int32_t mode = grid.modes[y][x];
    if (mode == 0 || ((x ^ y) & 1) == 0)
        return kWeights[grid.values[y][x]];
    if (mode == 1)
        return (kWeights[grid.values[y - 1][x]] + kWeights[grid.values[y + 1][x]] + kWeights[grid.values[y][x - 1]] +
                kWeights[grid.values[y][x + 1]] + 2) /
               4;
    if (mode == 2)
        return (kWeights[grid.values[y][x - 1]] + kWeights[grid.values[y][x + 1]] + 1) / 2;
    return (kWeights[grid.values[y - 1][x]] + kWeights[grid.values[y + 1][x]] + 1) / 2;
}

// The block index of (x, y) in a grid of nx x ny blocks: the bits of y and x interleaved
// (y in the lower bit of each pair) over the smaller dimension, the larger dimension's
// remaining bits above.
uint32_t TwiddledIndex(uint32_t nx, uint32_t ny, uint32_t x, uint32_t y)
{
    const uint32_t minDimension = std::min(nx, ny);
    uint32_t index = 0;
    uint32_t shift = 0;
    for (uint32_t bit = 1; bit < minDimension; bit <<= 1, ++shift)
    {
        if (y & bit)
            index |= 1u << (2 * shift);
        if (x & bit)
            index |= 1u << (2 * shift + 1);
    }
    const uint32_t rest = (nx > ny ? x : y) >> shift;
    return index | (rest << (2 * shift));
}

bool Decode(const uint8_t* data, size_t dataSize, bool twoBit, uint32_t width, uint32_t height, uint8_t* out)
{
    if (width == 0 || height == 0 || data == nullptr || out == nullptr)
        return false;
    const int blockWidth = twoBit ? 8 : 4;
    const int blockHeight = 4;
    const uint32_t nx = std::max<uint32_t>(2, width / blockWidth);
    const uint32_t ny = std::max<uint32_t>(2, height / blockHeight);
    const uint32_t paddedWidth = nx * blockWidth;
    const uint32_t paddedHeight = ny * blockHeight;
    const size_t blockCount = dataSize / 8;

    auto blockAt = [&](uint32_t x, uint32_t y) {
        Block b{0, 0};
        const uint32_t index = TwiddledIndex(nx, ny, x, y);
        if (index < blockCount)
        {
            const uint8_t* p = data + size_t(index) * 8;
            b.modulation = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
            b.colour = uint32_t(p[4]) | (uint32_t(p[5]) << 8) | (uint32_t(p[6]) << 16) | (uint32_t(p[7]) << 24);
        }
        return b;
    };

    Colour upA[32], upB[32];
    ModulationGrid grid;
    for (uint32_t by = 0; by < ny; ++by)
    {
        for (uint32_t bx = 0; bx < nx; ++bx)
        {
            // The group whose top-left block P is (bx - 1, by - 1), wrapping around.
            const uint32_t px = (bx + nx - 1) % nx, py = (by + ny - 1) % ny;
            const uint32_t qx = bx, ry = by;
            const Block p = blockAt(px, py), q = blockAt(qx, py), r = blockAt(px, ry), s = blockAt(qx, ry);

            Upscale(ColourA(p.colour), ColourA(q.colour), ColourA(r.colour), ColourA(s.colour), blockWidth, twoBit,
                    upA);
            Upscale(ColourB(p.colour), ColourB(q.colour), ColourB(r.colour), ColourB(s.colour), blockWidth, twoBit,
                    upB);
            UnpackModulation(p, 0, 0, twoBit, grid);
            UnpackModulation(q, blockWidth, 0, twoBit, grid);
            UnpackModulation(r, 0, blockHeight, twoBit, grid);
            UnpackModulation(s, blockWidth, blockHeight, twoBit, grid);

            for (int y = 0; y < blockHeight; ++y)
            {
                // Pixel (x, y) of the group lies at the centre of P plus (x, y).
                const uint32_t oy = (py * blockHeight + blockHeight / 2 + uint32_t(y)) % paddedHeight;
                if (oy >= height)
                    continue;
                for (int x = 0; x < blockWidth; ++x)
                {
                    const uint32_t ox = (px * blockWidth + blockWidth / 2 + uint32_t(x)) % paddedWidth;
                    if (ox >= width)
                        continue;
                    int32_t mod = ModulationAt(grid, x + blockWidth / 2, y + blockHeight / 2, twoBit);
                    bool punchThrough = false;
                    if (mod > 10)
                    {
                        punchThrough = true;
                        mod -= 10;
                    }
                    const Colour& a = upA[y * blockWidth + x];
                    const Colour& b = upB[y * blockWidth + x];
                    uint8_t* o = out + (size_t(oy) * width + ox) * 4;
                    o[0] = uint8_t((a.r * (8 - mod) + b.r * mod) / 8);
                    o[1] = uint8_t((a.g * (8 - mod) + b.g * mod) / 8);
                    o[2] = uint8_t((a.b * (8 - mod) + b.b * mod) / 8);
                    o[3] = punchThrough ? 0 : uint8_t((a.a * (8 - mod) + b.a * mod) / 8);
                }
            }
        }
    }
    return true;
}
} // namespace

uint32_t CompressedLevelSize(bool twoBitMode, uint32_t width, uint32_t height)
{
    const uint64_t w = std::max<uint32_t>(width, twoBitMode ? 16 : 8);
    const uint64_t h = std::max<uint32_t>(height, 8);
    const uint64_t bits = w * h * (twoBitMode ? 2 : 4);
    const uint64_t bytes = (bits + 7) / 8;
    return bytes > 0xFFFFFFFFull ? 0xFFFFFFFFu : uint32_t(bytes);
}

void DecompressPVRTC(const void* data, bool twoBitMode, uint32_t width, uint32_t height, uint8_t* out)
{
    Decode(static_cast<const uint8_t*>(data), CompressedLevelSize(twoBitMode, width, height), twoBitMode, width, height,
           out);
}

bool DecompressPVRTC(const void* data, size_t dataSize, bool twoBitMode, uint32_t width, uint32_t height, uint8_t* out)
{
    return Decode(static_cast<const uint8_t*>(data), dataSize, twoBitMode, width, height, out);
}

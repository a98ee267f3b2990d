// The byte colour cRGBA and the conversions between float and byte colours.
//
// Bytes r, g, b, a in that memory order; as one 32-bit word r is the low byte, so
// 0xFFFFFFFF is opaque white (the neutral tint). Float channels run from 0 to 1; the
// conversions truncate toward zero and do not clamp above: a channel above 1 wraps in
// the low byte (through an integer, so nothing is undefined).
#pragma once

#include <cstdint>

struct cRGBA
{
    uint8_t r = 0, g = 0, b = 0, a = 0;

    constexpr cRGBA() = default;
    constexpr cRGBA(uint8_t vr, uint8_t vg, uint8_t vb, uint8_t va) : r(vr), g(vg), b(vb), a(va) {}

    // The packed word, r in the low byte.
    constexpr uint32_t Word() const
    {
        return static_cast<uint32_t>(r) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b) << 16 |
               static_cast<uint32_t>(a) << 24;
    }
    static constexpr cRGBA FromWord(uint32_t w)
    {
        return {static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(w >> 16),
                static_cast<uint8_t>(w >> 24)};
    }

    void Set(uint8_t vr, uint8_t vg, uint8_t vb, uint8_t va)
    {
        r = vr;
        g = vg;
        b = vb;
        a = va;
    }
    // Each channel x 255.0, truncated toward zero to a byte (1.0 gives 255; no clamping,
    // values outside 0..1 wrap in the low byte).
    void Set(float fr, float fg, float fb, float fa);

    // Opaque white becomes a copy of other; any other colour takes (c x o) / 255 per
    // channel, in integers. Returns this colour.
    cRGBA& Modulate(const cRGBA& other);

    bool operator==(const cRGBA&) const = default;
};
static_assert(sizeof(cRGBA) == 4, "cRGBA is four bytes");

// Modulates two packed words the way cRGBA::Modulate does.
uint32_t ModulateColour(uint32_t colour, uint32_t other);

// r, g, b = low byte of trunc(c x 255.0); a = 255 (or the given alpha).
void ColourFromFloatRGB(cRGBA& out, const float rgb[3]);
void ColourFromFloatRGB(cRGBA& out, const float rgb[3], uint8_t alpha);
// All four channels converted as above.
void ColourFromFloatRGBA(const float rgba[4], cRGBA& out);
// Per byte: trunc(b_c t + a_c (1 - t)), its low 8 bits.
cRGBA LerpColour(const cRGBA& a, const cRGBA& b, float t);
uint32_t LerpColour(uint32_t a, uint32_t b, float t);
// r, g, b = trunc(c x 0.7) (0.7 as a float); alpha copied.
void DarkenColour(const cRGBA& in, cRGBA& out);
// Black becomes (3, 3, 3); otherwise channels of 1 or 2 become 3, then each becomes
// trunc(c / 0.7) capped at 255. Alpha kept.
void BrightenColour(const cRGBA& in, cRGBA& out);

#include "KelpoBase/core/Colour.h"

#include "KelpoBase/core/FastMath.h"

namespace
{
// The darkening factor: the float nearest 0.7, applied in double precision so that
// 100 x 0.7 truncates to 69.
constexpr double kDarken = static_cast<double>(0.7f);

uint8_t FloatChannel(float c) { return TruncToByteWrap(static_cast<double>(c) * 255.0); }
} // namespace

void cRGBA::Set(float fr, float fg, float fb, float fa)
{
    r = FloatChannel(fr);
    g = FloatChannel(fg);
    b = FloatChannel(fb);
    a = FloatChannel(fa);
}

cRGBA& cRGBA::Modulate(const cRGBA& other)
{
    if (Word() == 0xFFFFFFFFu)
    {
        *this = other;
        return *this;
    }
    r = static_cast<uint8_t>(r * other.r / 255);
    g = static_cast<uint8_t>(g * other.g / 255);
    b = static_cast<uint8_t>(b * other.b / 255);
    a = static_cast<uint8_t>(a * other.a / 255);
    return *this;
}

uint32_t ModulateColour(uint32_t colour, uint32_t other)
{
    cRGBA c = cRGBA::FromWord(colour);
    c.Modulate(cRGBA::FromWord(other));
    return c.Word();
}

void ColourFromFloatRGB(cRGBA& out, const float rgb[3]) { ColourFromFloatRGB(out, rgb, 255); }

void ColourFromFloatRGB(cRGBA& out, const float rgb[3], uint8_t alpha)
{
    out.r = FloatChannel(rgb[0]);
    out.g = FloatChannel(rgb[1]);
    out.b = FloatChannel(rgb[2]);
    out.a = alpha;
}

void ColourFromFloatRGBA(const float rgba[4], cRGBA& out) { out.Set(rgba[0], rgba[1], rgba[2], rgba[3]); }

cRGBA LerpColour(const cRGBA& a, const cRGBA& b, float t)
{
    auto channel = [t](uint8_t ca, uint8_t cb) {
        return TruncToByteWrap(static_cast<float>(cb) * t + static_cast<float>(ca) * (1.0f - t));
    };
    return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b), channel(a.a, b.a)};
}

uint32_t LerpColour(uint32_t a, uint32_t b, float t)
{
    return LerpColour(cRGBA::FromWord(a), cRGBA::FromWord(b), t).Word();
}

void DarkenColour(const cRGBA& in, cRGBA& out)
{
    auto channel = [](uint8_t c) {
        const int32_t v = TruncToInt32(c * kDarken);
        return static_cast<uint8_t>(v < 0 ? 0 : v);
    };
    out.r = channel(in.r);
    out.g = channel(in.g);
    out.b = channel(in.b);
    out.a = in.a;
}

void BrightenColour(const cRGBA& in, cRGBA& out)
{
    out.a = in.a;
    if (in.r == 0 && in.g == 0 && in.b == 0)
    {
        out.r = out.g = out.b = 3;
        return;
    }
    auto channel = [](uint8_t c) {
        if (c == 1 || c == 2)
            c = 3;
        const int32_t v = TruncToInt32(c / kDarken);
        return static_cast<uint8_t>(v > 255 ? 255 : v);
    };
    out.r = channel(in.r);
    out.g = channel(in.g);
    out.b = channel(in.b);
}

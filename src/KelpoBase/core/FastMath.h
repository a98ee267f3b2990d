// Scalar helpers shared by the 2D and 3D maths: the fast inverse square root,
// angle conversions, clamps, float-to-integer conversions that never hit undefined
// behaviour, and a few 32-bit integer bit helpers.
//
// Engine conventions: angles are radians; float-to-integer conversions truncate toward
// zero; normalisations use InvSqrtFast (one Newton step, no zero test).
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

// pi and 2 pi as the float values the engine works with.
inline constexpr float kPi = 3.1415927f;
inline constexpr float kTwoPi = 6.2831855f;

// The largest finite float; the empty box starts with min at +kFloatMax and max at -kFloatMax.
inline constexpr float kFloatMax = 3.4028235e38f;

// The fast inverse square root: a first guess from the bits 0x5F375A86 minus half the
// bits of x, refined by one Newton step y * (1.5 - 0.5 x y^2). Relative error below
// about 0.2 %. There is no zero test: for x = 0 the result is large but finite, so a
// zero vector scaled by it stays zero.
inline float InvSqrtFast(float x)
{
    const int32_t bits = std::bit_cast<int32_t>(x);
    // The subtraction is done on unsigned words so that negative inputs cannot overflow.
    const uint32_t guess = 0x5F375A86u - static_cast<uint32_t>(bits >> 1);
    const float y = std::bit_cast<float>(guess);
    return y * (1.5f - (x * 0.5f) * y * y);
}

// Degrees and radians (the products are done in double, then rounded to float).
inline float DegToRad(float degrees) { return static_cast<float>(degrees * 0.017453293); }
inline float RadToDeg(float radians) { return static_cast<float>(radians * 57.29577791868205); }

// Brings an angle into [-pi, pi]: beyond +/-2 pi it is first reduced with fmod, then one
// turn is added or taken away once.
float NormaliseAngle(float angle);

inline float Lerp(float a, float b, float t) { return a + (b - a) * t; }

// In place: lowered to upper when above it, otherwise raised to lower when below it
// (so with lower > upper a high value ends at upper).
inline void ClampFloat(float& value, float lower, float upper)
{
    if (value > upper)
        value = upper;
    else if (value < lower)
        value = lower;
}

inline float AbsFloat(float v) { return std::fabs(v); }
inline float MaxFloat(float a, float b) { return a > b ? a : b; } // the second when equal

// The runtime library's functions, rounded to float.
inline float CosF(float a) { return static_cast<float>(std::cos(static_cast<double>(a))); }
inline float SinF(float a) { return static_cast<float>(std::sin(static_cast<double>(a))); }
inline float AcosF(float a) { return static_cast<float>(std::acos(static_cast<double>(a))); }
inline float FmodF(float a, float b)
{
    return static_cast<float>(std::fmod(static_cast<double>(a), static_cast<double>(b)));
}

// Truncation toward zero to a signed 32-bit integer. A value outside the 32-bit range (of
// either sign) or NaN gives the most negative integer, as the processor's own conversion
// does, instead of undefined behaviour.
inline int32_t TruncToInt32(double v)
{
    if (!(v > -2147483649.0 && v < 2147483648.0))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// The low byte of the truncated value: 255.9 gives 255, 256 gives 0, -1 gives 255. Float
// colour channels above 1 wrap this way; nothing out of range is undefined.
inline uint8_t TruncToByteWrap(double v) { return static_cast<uint8_t>(static_cast<uint32_t>(TruncToInt32(v))); }

// 32-bit integer helpers.
// The largest power of two <= v (0 for 0).
inline uint32_t HighestPowerOfTwoBelow(uint32_t v)
{
    v |= v >> 1;
    v |= v >> 2;
    v |= v >> 4;
    v |= v >> 8;
    v |= v >> 16;
    return v - (v >> 1);
}
// True for powers of two and for 0.
inline bool IsPowerOfTwo(uint32_t v) { return ((0u - v) & v) == v; }
// v itself when it is a power of two (or 0), else the next power of two above it.
inline uint32_t NextPowerOfTwo(uint32_t v) { return IsPowerOfTwo(v) ? v : HighestPowerOfTwoBelow(v) * 2u; }
// The index of the lowest set bit; 32 for 0.
inline uint32_t CountTrailingZeros(uint32_t v) { return static_cast<uint32_t>(std::countr_zero(v)); }

#include "KelpoBase/core/Random.h"

uint32_t RandomSeed = 0;

int32_t RandomNext() { return RandomStep(); }

float RandomUnit()
{
    // Rounded to a float before any caller multiplies it.
    return static_cast<float>(RandomStep() / 32767.0);
}

float RandomFloat(float max) { return RandomUnit() * max; }

float RandomFloatRange(float min, float max) { return min + (max - min) * RandomUnit(); }

int32_t RandomInt(int32_t n)
{
    const int32_t r = RandomStep();
    if (n <= 0)
        return 0; // no range to draw from; a remainder by zero would be undefined
    return r % n;
}

int32_t RandomIntRange(int32_t lo, int32_t hi)
{
    const int32_t r = RandomStep();
    if (hi <= lo)
        return lo;
    // The span may not fit 32 bits (lo = -2^31, hi = 2^31 - 1), so work in 64.
    const int64_t span = static_cast<int64_t>(hi) - lo;
    return static_cast<int32_t>(lo + r % span);
}

void SetRandomSeed(uint32_t seed) { RandomSeed = seed; }

uint32_t GetRandomSeed() { return RandomSeed; }

int64_t RandomIndex(size_t size)
{
    const int32_t r = RandomStep();
    if (size == 0)
        return -1;
    return static_cast<int64_t>(static_cast<size_t>(r) % size);
}

// The engine's one global pseudo-random generator.
//
// A linear congruential generator that starts from 0 and is never seeded, so every run
// draws the same sequence. Every draw performs one step:
//     RandomSeed = RandomSeed * 214013 + 2531011   (modulo 2^32)
//     r = (RandomSeed >> 16) & 0x7FFF              (0 to 32767)
// Code that steps the generator inline (particle emitters, game objects) uses RandomStep
// so that it advances the same sequence. The runtime library's own generator is separate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

extern uint32_t RandomSeed;

// One step of the generator: the 15-bit value r.
inline int32_t RandomStep()
{
    RandomSeed = RandomSeed * 214013u + 2531011u;
    return static_cast<int32_t>((RandomSeed >> 16) & 0x7FFFu);
}

// r itself, 0 to 32767.
int32_t RandomNext();
// r / 32767.0 rounded to a float: 0 to 1, both ends reachable.
float RandomUnit();
// RandomUnit() * max.
float RandomFloat(float max);
// min + (max - min) * RandomUnit().
float RandomFloatRange(float min, float max);
// r mod n, 0 to n - 1. n must be above 0; for n <= 0 the draw still happens and 0 is
// returned.
int32_t RandomInt(int32_t n);
// lo + r mod (hi - lo), lo to hi - 1. For hi <= lo the draw still happens and lo is
// returned.
int32_t RandomIntRange(int32_t lo, int32_t hi);

void SetRandomSeed(uint32_t seed);
uint32_t GetRandomSeed();

// The index of a random element of a list of `size` entries: r mod size. The draw happens
// even for an empty list, which gives -1.
int64_t RandomIndex(size_t size);

// A random element of a vector of pointers (one draw); null for an empty vector.
template <class T>
T* RandomVectorElement(const std::vector<T*>& items)
{
    const int64_t i = RandomIndex(items.size());
    return i < 0 ? nullptr : items[static_cast<size_t>(i)];
}

// The same operation under the second name some callers use.
template <class T>
T* RandomVectorElementAlt(const std::vector<T*>& items)
{
    return RandomVectorElement(items);
}

// cArray: N elements stored inline, every indexed access checked against N.
//
// The check stays in every build type: an index at or past N (a negative index counts
// as a large unsigned one) stops the program with the "i<asize" report and a non-zero
// exit code.
#pragma once

#include <cstdint>

[[noreturn]] void ArrayIndexFailure(const char* file, int line);

template <class T, uint32_t N>
class cArray
{
public:
    T& operator[](uint32_t i)
    {
        if (!(i < N))
            ArrayIndexFailure("src\\kelpobase\\cArray", 40);
        return mItems[i];
    }
    const T& operator[](uint32_t i) const
    {
        if (!(i < N))
            ArrayIndexFailure("src\\kelpobase\\cArray", 40);
        return mItems[i];
    }
    // The second access form (the model writer's).
    T& At(uint32_t i)
    {
        if (!(i < N))
            ArrayIndexFailure("src\\kelpobase\\cArray", 33);
        return mItems[i];
    }

    static constexpr uint32_t Size() { return N; }
    T* Data() { return mItems; }
    const T* Data() const { return mItems; }

    T mItems[N];
};

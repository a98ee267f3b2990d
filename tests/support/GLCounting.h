// A counting entry-point table: every entry counts its calls, then forwards to the table
// that was in force when counting started. Install it around the code under test:
//
//     tvtest::GLCounting counting;          // installs itself
//     renderer.SetBlendMode(1);
//     EXPECT_EQ(counting.Count(eGLFunction::BlendFunc), 1u);
//
// A test may replace single entries of counting.table afterwards (to fake an answer).
#pragma once

#include <array>
#include <cstdint>
#include <numeric>

#include "KelpoBase/platform/GLFunctions.h"

namespace tvtest
{
class GLCounting
{
public:
    GLCounting() : mPrevious(&GL())
    {
        mReal = *mPrevious;
        table = mReal;
        sActive = this;
#define TV_GL_COUNTING_INSTALL(Name, Type)                                                 \
    if (mReal.Name != nullptr)                                                             \
        table.Name = &Counter<eGLFunction::Name, Type>::Call;
        TV_GL_ALL_FUNCTIONS(TV_GL_COUNTING_INSTALL)
#undef TV_GL_COUNTING_INSTALL
        SetGLFunctions(&table);
    }
    ~GLCounting()
    {
        SetGLFunctions(mPrevious);
        sActive = nullptr;
    }
    GLCounting(const GLCounting&) = delete;
    GLCounting& operator=(const GLCounting&) = delete;

    uint32_t Count(eGLFunction f) const { return mCounts[size_t(f)]; }
    uint32_t Total() const { return std::accumulate(mCounts.begin(), mCounts.end(), 0u); }
    void Reset() { mCounts.fill(0); }
    // The real entry points (for fakes that forward).
    const cGLFunctions& Real() const { return mReal; }

    cGLFunctions table;

private:
    template <eGLFunction F, class Fn>
    struct Counter;
    template <eGLFunction F, class R, class... A>
    struct Counter<F, R (*)(A...)>
    {
        static R Call(A... args)
        {
            GLCounting& self = *sActive;
            ++self.mCounts[size_t(F)];
            auto real = reinterpret_cast<R (*)(A...)>(*self.mReal.Slot(F));
            return real(args...);
        }
    };

    static inline GLCounting* sActive = nullptr;
    cGLFunctions* mPrevious;
    cGLFunctions mReal;
    std::array<uint32_t, size_t(eGLFunction::Count)> mCounts{};
};
} // namespace tvtest

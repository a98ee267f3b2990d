#include <benchmark/benchmark.h>

#include "KelpoBase/core/Matrix44.h"
#include "KelpoBase/core/Path.h"
#include "KelpoBase/core/Projection.h"
#include "KelpoBase/core/Random.h"
#include "KelpoBase/core/Vec3.h"

namespace
{
cMatrix44 Sample()
{
    cMatrix44 m;
    Matrix4Translate(m, 1.5f, -2.0f, 3.0f);
    Matrix4RotateX(m, 0.4f);
    Matrix4RotateZ(m, 2.3f);
    Matrix4Scale(m, 2.0f, 0.5f, 3.0f);
    return m;
}

void BM_Matrix4Multiply(benchmark::State& state)
{
    const cMatrix44 a = Sample();
    cMatrix44 b = Sample(), out;
    for (auto _ : state)
    {
        Matrix4Multiply(a, out, b);
        benchmark::DoNotOptimize(out);
        b.m[12] = out.m[0]; // keep the inputs changing
    }
}
BENCHMARK(BM_Matrix4Multiply);

void BM_Matrix4Inverse(benchmark::State& state)
{
    cMatrix44 a = Sample(), out;
    for (auto _ : state)
    {
        Matrix4Inverse(a, out);
        benchmark::DoNotOptimize(out);
        a.m[12] += 1e-6f;
    }
}
BENCHMARK(BM_Matrix4Inverse);

void BM_NormaliseFast(benchmark::State& state)
{
    cVec3f v(3, 4, 12);
    for (auto _ : state)
    {
        cVec3f n = v;
        n.NormaliseFast();
        benchmark::DoNotOptimize(n);
        v.x += 1e-3f;
    }
}
BENCHMARK(BM_NormaliseFast);

void BM_PathPointAt(benchmark::State& state)
{
    cPath path;
    for (int i = 0; i < state.range(0); ++i)
        path.AddPoint2D(static_cast<float>(i * 10), static_cast<float>((i % 3) * 7));
    path.Build(true);
    float t = 0.0f;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(path.PointAt(t));
        t += 0.001f;
        if (t > 1.0f)
            t = 0.0f;
    }
}
BENCHMARK(BM_PathPointAt)->Arg(4)->Arg(64);

void BM_IntersectLineTriangle(benchmark::State& state)
{
    const cVec3f a(-1, -1, 0), b(1, -1, 0), c(0, 1, 0);
    cVec3f p(0, 0, 1), hit;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(IntersectLineTriangle(p, {0, 0, -1}, a, b, c, &hit));
        p.x = p.x > 0.5f ? -0.5f : p.x + 0.01f;
    }
}
BENCHMARK(BM_IntersectLineTriangle);

void BM_RandomFloatRange(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(RandomFloatRange(-1.0f, 1.0f));
}
BENCHMARK(BM_RandomFloatRange);
} // namespace

BENCHMARK_MAIN();

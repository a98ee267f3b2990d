// The per-frame query of the object grid: a level of 40,000 by 8,000 pixels in cells of
// 512, 10,000 scenery entries of 32 to 400 pixels with random draw keys, and a view
// rectangle that pans across the level one step per query.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "KelpoBase/core/ObjectGrid.h"

namespace
{
class cBenchEntry : public cGridEntry
{
public:
    cVec2f GetGridPosition() const override { return position; }
    void GetGridBounds(cAABox2f& out) const override { out = bounds; }
    void DrawGridEntry(void* context) override { ++*static_cast<int64_t*>(context); }

    cVec2f position;
    cAABox2f bounds;
};

constexpr float kLevelWidth = 40000.0f;
constexpr float kLevelHeight = 8000.0f;
constexpr int kEntries = 10000;

struct Level
{
    Level() : grid(cAABox2f{0.0f, 0.0f, kLevelWidth, kLevelHeight}, 512.0f)
    {
        std::mt19937 random(1234);
        std::uniform_real_distribution<float> x(0.0f, kLevelWidth), y(0.0f, kLevelHeight), half(16.0f, 200.0f);
        std::uniform_int_distribution<uint32_t> key(0, 1000);
        entries.resize(kEntries);
        for (cBenchEntry& e : entries)
        {
            e.position = cVec2f(x(random), y(random));
            const float hx = half(random), hy = half(random);
            e.bounds = cAABox2f{-hx, -hy, hx, hy};
            e.drawKey = key(random);
            grid.Insert(&e);
        }
    }

    std::vector<cBenchEntry> entries;
    cObjectGrid grid;
};

Level& TheLevel()
{
    static Level level;
    return level;
}

void DrawInView(benchmark::State& state)
{
    Level& level = TheLevel();
    const float viewWidth = float(state.range(0));
    const float viewHeight = viewWidth * 9.0f / 16.0f;
    int64_t drawn = 0;
    int64_t queries = 0;
    float x = 0.0f, y = 1000.0f;
    for (auto _ : state)
    {
        level.grid.DrawObjectsInRect(&drawn, cAABox2f{x, y, x + viewWidth, y + viewHeight});
        ++queries;
        x += 37.0f;
        if (x + viewWidth > kLevelWidth)
            x = 0.0f;
        benchmark::DoNotOptimize(drawn);
    }
    state.counters["drawn_per_query"] = queries != 0 ? double(drawn) / double(queries) : 0.0;
}

// The whole level in view: every entry gathered, de-duplicated and sorted.
void DrawWholeLevel(benchmark::State& state)
{
    Level& level = TheLevel();
    int64_t drawn = 0;
    for (auto _ : state)
    {
        level.grid.DrawObjectsInRect(&drawn, cAABox2f{0.0f, 0.0f, kLevelWidth, kLevelHeight});
        benchmark::DoNotOptimize(drawn);
    }
    state.SetItemsProcessed(drawn);
}
} // namespace

BENCHMARK(DrawInView)->Arg(960)->Arg(1920)->Arg(3840);
BENCHMARK(DrawWholeLevel);

BENCHMARK_MAIN();

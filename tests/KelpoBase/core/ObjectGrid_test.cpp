#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

#include "KelpoBase/core/ObjectGrid.h"

namespace
{
// A scenery entry: an owner position, scene bounds relative to it, and a draw log.
class cTestEntry : public cGridEntry
{
public:
    cTestEntry(int entryId, cVec2f pos, cAABox2f box, uint32_t key = 0) : id(entryId), position(pos), bounds(box)
    {
        drawKey = key;
    }

    cVec2f GetGridPosition() const override { return position; }
    void GetGridBounds(cAABox2f& out) const override { out = bounds; }
    void DrawGridEntry(void* context) override
    {
        auto* log = static_cast<std::vector<int>*>(context);
        log->push_back(id);
    }

    int id;
    cVec2f position;
    cAABox2f bounds;
};

std::vector<int> Draw(cObjectGrid& grid, const cAABox2f& rect)
{
    std::vector<int> log;
    grid.DrawObjectsInRect(&log, rect);
    return log;
}

size_t ListingCount(cObjectGrid& grid, const cGridEntry* entry)
{
    size_t count = 0;
    for (const auto& cell : grid.cells)
        for (const cGridEntry* e : cell)
            count += e == entry ? 1 : 0;
    return count;
}

const cAABox2f kLevel{0.0f, 0.0f, 1024.0f, 512.0f};
const cAABox2f kSmall{-10.0f, -10.0f, 10.0f, 10.0f};
} // namespace

TEST(ObjectGrid, Sizes)
{
    const struct
    {
        cAABox2f area;
        float cell;
        int32_t columns, rows;
    } cases[] = {
        {{0, 0, 1024, 512}, 512.0f, 3, 2},
        {{0, 0, 0, 0}, 512.0f, 1, 1},
        {{-100, -100, 411, 411}, 512.0f, 1, 1},
        {{0, 0, 5000, 100}, 512.0f, 10, 1},
        {{10, 10, 0, 0}, 512.0f, 1, 1}, // inverted
    };
    for (const auto& c : cases)
    {
        cObjectGrid grid(c.area, c.cell);
        EXPECT_EQ(grid.columns, c.columns);
        EXPECT_EQ(grid.rows, c.rows);
        EXPECT_EQ(grid.cells.size(), size_t(c.columns) * size_t(c.rows));
        EXPECT_EQ(grid.stamp, 0u);
        EXPECT_EQ(grid.cellSize, c.cell);
    }
}

TEST(ObjectGrid, StrangeSizesStayBounded)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct
    {
        cAABox2f area;
        float cell;
    } cases[] = {
        {{0, 0, 1024, 512}, 0.0f},
        {{0, 0, 1024, 512}, -512.0f},
        {{0, 0, 1024, 512}, nan},
        {{0, 0, 1e30f, 1e30f}, 512.0f},
        {{0, 0, 1e7f, 1e7f}, 512.0f},
        {{kFloatMax, kFloatMax, -kFloatMax, -kFloatMax}, 512.0f}, // the empty box
        {{-kFloatMax, -kFloatMax, kFloatMax, kFloatMax}, 512.0f},
        {{0, 0, inf, nan}, 512.0f},
    };
    for (const auto& c : cases)
    {
        cObjectGrid grid(c.area, c.cell);
        EXPECT_GE(grid.columns, 1);
        EXPECT_GE(grid.rows, 1);
        EXPECT_LE(int64_t(grid.columns) * grid.rows, cObjectGrid::kMaxCells);
        cTestEntry entry(1, {5.0f, 5.0f}, kSmall);
        grid.Insert(&entry);
        EXPECT_EQ(Draw(grid, cAABox2f{0, 0, 10, 10}), std::vector<int>{1});
    }
}

TEST(ObjectGrid, PointToCellClamps)
{
    cObjectGrid grid(kLevel, 512.0f); // 3 x 2
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct
    {
        cVec2f p;
        int32_t column, row;
    } cases[] = {
        {{0, 0}, 0, 0},
        {{511.9f, 511.9f}, 0, 0},
        {{512, 512}, 1, 1},
        {{1024, 0}, 2, 0},
        {{5000, 5000}, 2, 1},   // beyond the far edge: last cell
        {{-300, -1}, 0, 0},     // between -cellSize and 0: truncates to 0
        {{-5000, -5000}, 0, 0}, // left and below
        {{1e20f, 1e20f}, 0, 0}, // quotient beyond 32 bits: the most negative integer, then 0
        {{-1e20f, 600}, 0, 1},
        {{nan, nan}, 0, 0},
        {{std::numeric_limits<float>::infinity(), 600}, 0, 1},
    };
    for (const auto& c : cases)
    {
        const cVec2i cell = grid.PointToCell(c.p);
        EXPECT_EQ(cell.x, c.column) << c.p.x << "," << c.p.y;
        EXPECT_EQ(cell.y, c.row) << c.p.x << "," << c.p.y;
    }
}

TEST(ObjectGrid, EntrySpanningFourCellsIsDrawnOnce)
{
    cObjectGrid grid(kLevel, 512.0f);
    cTestEntry spanning(7, {512.0f, 256.0f}, cAABox2f{-100.0f, -100.0f, 100.0f, 300.0f});
    grid.Insert(&spanning);
    EXPECT_EQ(ListingCount(grid, &spanning), 4u);
    EXPECT_EQ(grid.CellAt(0, 0).size(), 1u);
    EXPECT_EQ(grid.CellAt(1, 1).size(), 1u);
    EXPECT_EQ(grid.CellAt(2, 0).size(), 0u);
    EXPECT_EQ(Draw(grid, cAABox2f{0, 0, 1024, 512}), std::vector<int>{7});
    EXPECT_EQ(spanning.stamp, grid.stamp);
}

TEST(ObjectGrid, QueryOutsideTheGridVisitsTheBorderCells)
{
    cObjectGrid grid(kLevel, 512.0f);
    cTestEntry corner(1, {1100.0f, 600.0f}, kSmall); // cell (2, 1)
    cTestEntry origin(2, {5.0f, 5.0f}, kSmall);      // cell (0, 0)
    grid.Insert(&corner);
    grid.Insert(&origin);
    EXPECT_EQ(Draw(grid, cAABox2f{5000, 5000, 6000, 6000}), std::vector<int>{1});
    EXPECT_EQ(Draw(grid, cAABox2f{-900, -900, -800, -800}), std::vector<int>{2});
    EXPECT_TRUE(Draw(grid, cAABox2f{600, 10, 700, 20}).empty()); // cell (1, 0) is empty
    EXPECT_TRUE(Draw(grid, cAABox2f{700, 20, 600, 10}).empty()); // inverted: no cell
}

TEST(ObjectGrid, DrawOrderIsByKeyThenGathering)
{
    cObjectGrid grid(kLevel, 512.0f);
    cTestEntry a(1, {100, 100}, kSmall, 5);
    cTestEntry b(2, {600, 100}, kSmall, 9);
    cTestEntry c(3, {100, 600 - 100}, kSmall, 5); // cell (0, 0) as well, listed after a
    cTestEntry d(4, {900, 400}, kSmall, 0xFFFFFFFFu);
    for (cTestEntry* e : {&a, &b, &c, &d})
        grid.Insert(e);
    // Gathered a, c (cell 0, 0), then b, d (cell 1, 0); drawn by key, largest first.
    EXPECT_EQ(Draw(grid, kLevel), (std::vector<int>{4, 2, 1, 3}));
    EXPECT_TRUE(cObjectGrid::CompareDrawKeyDescending(&d, &b));
    EXPECT_FALSE(cObjectGrid::CompareDrawKeyDescending(&a, &c));
}

TEST(ObjectGrid, SecondQueryDrawsAgain)
{
    cObjectGrid grid(kLevel, 512.0f);
    cTestEntry wide(1, {512, 256}, cAABox2f{-500, -200, 500, 200});
    grid.Insert(&wide);
    EXPECT_EQ(Draw(grid, kLevel), std::vector<int>{1});
    const uint32_t first = wide.stamp;
    EXPECT_EQ(Draw(grid, kLevel), std::vector<int>{1});
    EXPECT_EQ(wide.stamp, first + 1);

    // The stamp wraps without trouble.
    grid.stamp = 0xFFFFFFFFu;
    EXPECT_EQ(Draw(grid, kLevel), std::vector<int>{1});
    EXPECT_EQ(grid.stamp, 0u);
}

TEST(ObjectGrid, EmptySceneBoundsAreListedInTheFirstCell)
{
    cObjectGrid grid(kLevel, 512.0f);
    cTestEntry empty(1, {700, 300}, Rect2Empty());
    grid.Insert(&empty);
    EXPECT_EQ(grid.CellAt(0, 0).size(), 1u);
    EXPECT_EQ(ListingCount(grid, &empty), 1u);
}

TEST(ObjectGrid, RemoveAndNull)
{
    cObjectGrid grid(kLevel, 512.0f);
    cTestEntry a(1, {512, 256}, cAABox2f{-600, -300, 600, 300});
    cTestEntry b(2, {100, 100}, kSmall);
    grid.Insert(&a);
    grid.Insert(&b);
    EXPECT_EQ(ListingCount(grid, &a), 6u);
    grid.Remove(&a);
    EXPECT_EQ(ListingCount(grid, &a), 0u);
    EXPECT_EQ(Draw(grid, kLevel), std::vector<int>{2});
    grid.Insert(nullptr);
    grid.Remove(nullptr);
}

TEST(ObjectGrid, DrawingMayQueryTheGridAgain)
{
    cObjectGrid grid(kLevel, 512.0f);
    struct cNested : cTestEntry
    {
        using cTestEntry::cTestEntry;
        cObjectGrid* grid = nullptr;
        void DrawGridEntry(void* context) override
        {
            cTestEntry::DrawGridEntry(context);
            if (grid != nullptr)
            {
                cObjectGrid* g = grid;
                grid = nullptr;
                std::vector<int> inner;
                g->DrawObjectsInRect(&inner, kLevel);
                static_cast<std::vector<int>*>(context)->push_back(100 + int(inner.size()));
            }
        }
    };
    cNested first(1, {100, 100}, kSmall, 2);
    cTestEntry second(2, {900, 400}, kSmall, 1);
    first.grid = &grid;
    grid.Insert(&first);
    grid.Insert(&second);
    EXPECT_EQ(Draw(grid, kLevel), (std::vector<int>{1, 102, 2}));
}

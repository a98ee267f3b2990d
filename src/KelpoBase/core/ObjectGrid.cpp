#include "KelpoBase/core/ObjectGrid.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "KelpoBase/core/FastMath.h"

namespace
{
// trunc(extent / cell) + 1 with the quotient rounded to a float; at least 1. An extent
// that is an exact multiple of the cell still gets the extra cell.
int64_t CellCount(float extent, float size)
{
    const float quotient = extent / size;
    const int32_t whole = TruncToInt32(quotient);
    return std::max<int64_t>(int64_t(whole) + 1, 1);
}
} // namespace

void cObjectGrid::Init(const cAABox2f& area, float size)
{
    cells.clear();
    bounds = area;
    // A cell size that is not a positive number would make every quotient meaningless.
    cellSize = (size > 0.0f && std::isfinite(size)) ? size : 1.0f;
    const float width = bounds.maxX - bounds.minX;
    const float height = bounds.maxY - bounds.minY;
    int64_t c = CellCount(width, cellSize);
    int64_t r = CellCount(height, cellSize);
    while (c * r > kMaxCells)
    {
        cellSize *= 2.0f;
        c = CellCount(width, cellSize);
        r = CellCount(height, cellSize);
    }
    columns = static_cast<int32_t>(c);
    rows = static_cast<int32_t>(r);
    cells.resize(size_t(c * r));
    stamp = 0;
}

cVec2i cObjectGrid::PointToCell(const cVec2f& p) const
{
    const float fx = (p.x - bounds.minX) / cellSize;
    const float fy = (p.y - bounds.minY) / cellSize;
    // Out of range or NaN quotients become the most negative integer, then clamp to 0.
    int32_t c = TruncToInt32(fx);
    int32_t r = TruncToInt32(fy);
    if (c > columns - 1)
        c = columns - 1;
    if (c < 0)
        c = 0;
    if (r > rows - 1)
        r = rows - 1;
    if (r < 0)
        r = 0;
    return cVec2i(c, r);
}

void cObjectGrid::EntryCells(const cGridEntry* entry, cVec2i& first, cVec2i& last) const
{
    const cVec2f position = entry->GetGridPosition();
    cAABox2f box;
    entry->GetGridBounds(box);
    first = PointToCell(cVec2f(box.minX + position.x, box.minY + position.y));
    last = PointToCell(cVec2f(box.maxX + position.x, box.maxY + position.y));
}

void cObjectGrid::Insert(cGridEntry* entry)
{
    if (entry == nullptr)
        return;
    cVec2i first, last;
    EntryCells(entry, first, last);
    for (int32_t r = first.y; r <= last.y; ++r)
        for (int32_t c = first.x; c <= last.x; ++c)
            CellAt(c, r).push_back(entry);
}

void cObjectGrid::Remove(cGridEntry* entry)
{
    if (entry == nullptr)
        return;
    cVec2i first, last;
    EntryCells(entry, first, last);
    for (int32_t r = first.y; r <= last.y; ++r)
        for (int32_t c = first.x; c <= last.x; ++c)
            CellAt(c, r).remove(entry);
}

void cObjectGrid::DrawObjectsInRect(void* context, const cAABox2f& rect)
{
    ++stamp;
    // The gathering list is taken out of the grid while it is used, so that an entry's
    // drawing may query the grid again without disturbing this query.
    std::vector<cGridEntry*> list;
    list.swap(gathered);
    list.clear();

    const cVec2i first = PointToCell(cVec2f(rect.minX, rect.minY));
    const cVec2i last = PointToCell(cVec2f(rect.maxX, rect.maxY));
    for (int32_t r = first.y; r <= last.y; ++r)
        for (int32_t c = first.x; c <= last.x; ++c)
            for (cGridEntry* entry : CellAt(c, r))
            {
                if (entry->stamp == stamp)
                    continue; // already taken from another cell
                entry->stamp = stamp;
                list.push_back(entry);
            }

    std::stable_sort(list.begin(), list.end(), CompareDrawKeyDescending);
    for (cGridEntry* entry : list)
        entry->DrawGridEntry(context);

    list.clear();
    if (list.capacity() > gathered.capacity())
        gathered.swap(list);
}

// cObjectGrid: a uniform 2D grid of lists that lets a level draw only the scenery that
// lies in view.
//
// Each entry is inserted once, into every cell its rectangle covers (its scene bounds
// moved by its owner's position, as they are at insertion). A draw query gathers the
// entries listed in the cells that a rectangle covers, each once, and draws them by draw
// key, largest first (equal keys in gathering order). The grid never owns its entries.
//
// What an entry is belongs to the game: the grid reaches it only through cGridEntry.
#pragma once

#include <cstdint>
#include <list>
#include <vector>

#include "KelpoBase/core/Shape2D.h"
#include "KelpoBase/core/Vec2.h"

// What the grid needs of an entry. The game's scenery controller implements it over its
// owner object and its scene controller.
class cGridEntry
{
public:
    virtual ~cGridEntry() = default;

    // The owner object's position.
    virtual cVec2f GetGridPosition() const = 0;
    // The scene's bounds, relative to the position (the empty box when it has no elements).
    virtual void GetGridBounds(cAABox2f& out) const = 0;
    // The entry's per-frame drawing, with the context given to DrawObjectsInRect.
    virtual void DrawGridEntry(void* context) = 0;

    uint32_t stamp = 0;   // written by the grid's draw query
    uint32_t drawKey = 0; // drawing order, larger first; the grid only reads it
};

using GridEntry = cGridEntry;

class cObjectGrid
{
public:
    using Cell = std::list<cGridEntry*>;

    cObjectGrid(const cAABox2f& area, float size) { Init(area, size); }
    cObjectGrid(const cObjectGrid&) = delete;
    cObjectGrid& operator=(const cObjectGrid&) = delete;

    // Columns and rows from the area and the cell size; every cell empty, stamp 0.
    void Init(const cAABox2f& area, float size);

    // Always a valid cell (clamped to the grid).
    cVec2i PointToCell(const cVec2f& p) const;
    // The list of a cell; the caller passes a valid cell.
    Cell& CellAt(int32_t column, int32_t row) { return cells[size_t(row) * size_t(columns) + size_t(column)]; }

    void Insert(cGridEntry* entry);
    // Erases the entry from the cells its rectangle covers now.
    void Remove(cGridEntry* entry);

    // Draws every entry listed in the cells that the rectangle covers, once each, by draw key.
    void DrawObjectsInRect(void* context, const cAABox2f& rect);
    void DrawObjectsInRect(void* context, float minX, float minY, float maxX, float maxY)
    {
        DrawObjectsInRect(context, cAABox2f{minX, minY, maxX, maxY});
    }

    static bool CompareDrawKeyDescending(const cGridEntry* a, const cGridEntry* b) { return a->drawKey > b->drawKey; }

    float cellSize = 0.0f;
    int32_t columns = 0;
    int32_t rows = 0;
    cAABox2f bounds;
    uint32_t stamp = 0;
    std::vector<Cell> cells;

    // More cells than this make the cells larger instead (a corrupt or huge boundary must
    // not allocate without bound).
    static constexpr int64_t kMaxCells = int64_t(1) << 20;

private:
    // The cell range of an entry's rectangle.
    void EntryCells(const cGridEntry* entry, cVec2i& first, cVec2i& last) const;

    std::vector<cGridEntry*> gathered; // reused by the draw query
};

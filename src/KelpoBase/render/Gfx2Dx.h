// cGfx2Dx: a 2D drawer that records instead of drawing. Each sprite, frame, polygon, line
// strip and mesh call becomes a draw item holding the transform, colour and render flags
// of the moment and a sort key made of the drawer's layer and the call's sequence number.
// Flush sorts the items (higher layers first, underneath; one layer in drawing order) and
// replays them through the immediate drawing of cGfx2D.
//
// Where the next item would start a new batch (another texture or render flags), items
// further on that share the current batch are replayed at once, ahead of the items they
// pass, when their box on screen touches none of those: every pixel still meets the same
// draws in the same order, so the frame is the same, in fewer draw calls. Line items are
// never passed; a flush that holds a mesh (drawn at once, ahead of the batch under way)
// replays its items as recorded.
//
// Storage is fixed: 2048 items and 8192 polygon and line points between two flushes.
// Calls past either limit are dropped until the next flush.
#pragma once

#include <cstdint>
#include <vector>

#include "KelpoBase/core/Pool.h"
#include "KelpoBase/render/Gfx2D.h"

class cGfx2Dx : public cGfx2D
{
public:
    static constexpr uint32_t kMaxItems = 2048;
    static constexpr uint32_t kMaxPoints = 8192;

    enum ItemType : uint32_t
    {
        kItemFrame = 1,
        kItemFrameRegion = 2,
        kItemImage = 3,
        kItemImageRegion = 4,
        kItemMesh = 5,
        kItemLineStrip = 6,
        kItemLineLoop = 7,
        kItemPolygon = 8,
        kItemTexturedPolygon = 9,
    };

    struct DrawItem
    {
        DrawItem* prev = nullptr;
        DrawItem* next = nullptr;
        const void* object = nullptr;
        cMaterial* material = nullptr;
        uint32_t type = 0;
        cAffine2D transform;
        uint32_t colour = 0;
        uint32_t align = 0;
        uint32_t flags = 0;
        int16_t sx = 0, sy = 0, w = 0, h = 0;
        uint32_t start = 0;
        uint32_t count = 0;
        uint32_t key = 0;
        // Polygon and line items: whether the call gave per-point colours. Without them
        // the replay draws in the item's colour, as the immediate call would have.
        bool hasColours = false;
    };

    // A sprite placement: position, scale, angle, frame and colour.
    struct Placement
    {
        float x = 0.0f, y = 0.0f;
        float scaleX = 1.0f, scaleY = 1.0f;
        float angle = 0.0f;
        const ImageRect* frame = nullptr;
        uint32_t colour = 0xFFFFFFFFu;
    };

    explicit cGfx2Dx(cRenderer* renderer);
    ~cGfx2Dx() override;

    void DrawFrame(const ImageRect* frame, uint32_t align) override;
    void DrawFrameRegion(const ImageRect* frame, int32_t sx, int32_t sy, int32_t w, int32_t h,
                         uint32_t align) override;
    void DrawImage(cImage* image, uint32_t align) override;
    void DrawImageRegion(cImage* image, int32_t sx, int32_t sy, int32_t w, int32_t h, uint32_t align) override;
    void DrawLineStrip(const cVec2f* points, const uint32_t* colours, uint32_t n, bool closed) override;
    void DrawTexturedPolygon(const cVec2f* points, const uint32_t* colours, const cVec2f* uvs, cImage* image,
                             uint32_t n) override;
    void FillPolygon(const cVec2f* points, const uint32_t* colours, uint32_t n) override;
    void FillRect(float w, float h, uint32_t align) override;
    void DrawMesh(cMesh* mesh, cMaterial* material) override;
    // Sorts and replays the items, then draws the batch.
    void Flush() override;
    void SetRenderFlags(uint32_t flags) override { recordFlags = flags; }
    void SetRenderFlagsHigh(uint16_t blend) override
    {
        recordFlags = (recordFlags & 0xFFFFu) | (uint32_t(blend) << 16);
    }

    // Records a frame with the layer raised by the offset for this one call.
    void DrawFrameOnLayer(const ImageRect* frame, uint32_t align, int32_t layerOffset);
    void DrawPlacedFrame(const Placement& placement, uint32_t align, int32_t layerOffset);

    uint32_t ItemCount() const { return items.Used(); }
    uint32_t PointCount() const { return nextPoint; }

    uint32_t sequence = 0;
    uint32_t recordFlags = 0x10000;
    cVec2f* points = nullptr;
    uint32_t* pointColours = nullptr;
    cVec2f* pointUVs = nullptr;
    uint32_t nextPoint = 0;
    cPool<DrawItem> items;
    DrawItem sentinel; // the list's ends: sentinel.next is the first item, sentinel.prev the last

private:
    // A sorted item as the replay plans it: the texture it draws from, its box in the
    // drawer's space, and what the look-ahead may do with it.
    enum class Reach : uint8_t
    {
        Box,     // draws inside its box
        Fence,   // a line or a mesh: nothing passes it
        Nothing, // draws nothing: not replayed
    };
    struct Planned
    {
        DrawItem* item = nullptr;
        cImage* texture = nullptr;
        Gfx2DBox box{};
        Reach reach = Reach::Nothing;
        bool done = false;
    };
    // Items looked at past a batch's end for more of the batch.
    static constexpr uint32_t kLookAhead = 64;

    // A new item at the tail with the drawer's state, or null when the pool is full.
    DrawItem* Record(uint32_t type, const void* object);
    // The same with room for n points; null (nothing recorded) when they do not fit.
    DrawItem* RecordPoints(uint32_t type, const void* object, const cVec2f* pts, const uint32_t* colours,
                           const cVec2f* uvs, uint32_t n);
    void SortItems();
    Planned Plan(DrawItem& item) const;
    // Replays the items of the current batch that may go ahead of the items after `lead`.
    void ReplayRestOfBatch(size_t lead);
    void ReplayPlanned(Planned& planned);
    void Replay(const DrawItem& item);

    std::vector<Planned> plan;   // the sorted items of the flush under way
    std::vector<size_t> passed;  // the items a look-ahead went past
};

#include "KelpoBase/render/Gfx2Dx.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "KelpoBase/core/Colour.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/Renderer.h"
#include "KelpoBase/render/TextureAtlas.h"

cGfx2Dx::cGfx2Dx(cRenderer* target) : cGfx2D(target)
{
    points = new cVec2f[kMaxPoints];
    pointColours = new uint32_t[kMaxPoints]();
    pointUVs = new cVec2f[kMaxPoints];
    items.Create(kMaxItems);
    plan.reserve(kMaxItems);
    passed.reserve(kLookAhead);
    sentinel.next = &sentinel;
    sentinel.prev = &sentinel;
}

cGfx2Dx::~cGfx2Dx()
{
    items.Destroy();
    delete[] points;
    delete[] pointColours;
    delete[] pointUVs;
}

cGfx2Dx::DrawItem* cGfx2Dx::Record(uint32_t type, const void* object)
{
    DrawItem* item = items.Take();
    if (item == nullptr)
        return nullptr;
    item->object = object;
    item->type = type;
    item->transform = transform;
    item->colour = colour;
    item->flags = recordFlags;
    ++sequence;
    item->key = (uint32_t(uint16_t(0x8000 + layer)) << 16) | uint16_t(0xFFFFu - sequence);
    // Append at the tail.
    item->prev = sentinel.prev;
    item->next = &sentinel;
    sentinel.prev->next = item;
    sentinel.prev = item;
    return item;
}

cGfx2Dx::DrawItem* cGfx2Dx::RecordPoints(uint32_t type, const void* object, const cVec2f* pts,
                                         const uint32_t* colours, const cVec2f* uvs, uint32_t n)
{
    // The point arrays are fixed: an item whose points do not fit is dropped whole.
    if (pts == nullptr || n == 0 || n > kMaxPoints - nextPoint)
        return nullptr;
    DrawItem* item = Record(type, object);
    if (item == nullptr)
        return nullptr;
    item->start = nextPoint;
    item->count = n;
    item->hasColours = colours != nullptr;
    for (uint32_t i = 0; i < n; ++i)
    {
        points[nextPoint + i] = pts[i];
        pointColours[nextPoint + i] = colours != nullptr ? colours[i] : colour;
        pointUVs[nextPoint + i] = uvs != nullptr ? uvs[i] : cVec2f();
    }
    nextPoint += n;
    return item;
}

void cGfx2Dx::DrawFrame(const ImageRect* frame, uint32_t align)
{
    if (DrawItem* item = Record(kItemFrame, frame))
        item->align = align;
}

void cGfx2Dx::DrawFrameRegion(const ImageRect* frame, int32_t sx, int32_t sy, int32_t w, int32_t h, uint32_t align)
{
    if (DrawItem* item = Record(kItemFrameRegion, frame))
    {
        item->align = align;
        item->sx = int16_t(sx);
        item->sy = int16_t(sy);
        item->w = int16_t(w);
        item->h = int16_t(h);
    }
}

void cGfx2Dx::DrawImage(cImage* image, uint32_t align)
{
    if (DrawItem* item = Record(kItemImage, image))
        item->align = align;
}

void cGfx2Dx::DrawImageRegion(cImage* image, int32_t sx, int32_t sy, int32_t w, int32_t h, uint32_t align)
{
    if (DrawItem* item = Record(kItemImageRegion, image))
    {
        item->align = align;
        item->sx = int16_t(sx);
        item->sy = int16_t(sy);
        item->w = int16_t(w);
        item->h = int16_t(h);
    }
}

void cGfx2Dx::DrawLineStrip(const cVec2f* pts, const uint32_t* colours, uint32_t n, bool closed)
{
    RecordPoints(closed ? kItemLineLoop : kItemLineStrip, nullptr, pts, colours, nullptr, n);
}

void cGfx2Dx::DrawTexturedPolygon(const cVec2f* pts, const uint32_t* colours, const cVec2f* uvs, cImage* image,
                                  uint32_t n)
{
    RecordPoints(kItemTexturedPolygon, image, pts, colours, uvs, n);
}

void cGfx2Dx::FillPolygon(const cVec2f* pts, const uint32_t* colours, uint32_t n)
{
    RecordPoints(kItemPolygon, nullptr, pts, colours, nullptr, n);
}

void cGfx2Dx::FillRect(float w, float h, uint32_t align)
{
    // The ring of corners as the immediate drawer makes it, untransformed: the item keeps
    // the transform.
    const Gfx2DBox b = AlignBox(w * 0.5f, h * 0.5f, align);
    const cVec2f ring[4] = {{b.left, b.top}, {b.right, b.top}, {b.right, b.bottom}, {b.left, b.bottom}};
    FillPolygon(ring, nullptr, 4);
}

void cGfx2Dx::DrawMesh(cMesh* drawn, cMaterial* material)
{
    if (DrawItem* item = Record(kItemMesh, drawn))
        item->material = material;
}

void cGfx2Dx::DrawFrameOnLayer(const ImageRect* frame, uint32_t align, int32_t layerOffset)
{
    layer += layerOffset;
    DrawFrame(frame, align);
    layer -= layerOffset;
}

void cGfx2Dx::DrawPlacedFrame(const Placement& placement, uint32_t align, int32_t layerOffset)
{
    const uint32_t savedColour = colour;
    PushTransform();
    Translate(placement.x, placement.y);
    Rotate(placement.angle);
    Scale(placement.scaleX, placement.scaleY);
    colour = ModulateColour(colour, placement.colour);
    DrawFrameOnLayer(placement.frame, align, layerOffset);
    colour = savedColour;
    PopTransform();
}

void cGfx2Dx::SortItems()
{
    // Bottom-up merge sort of the list by key, larger keys first: runs of 1, 2, 4, ...
    // are merged until one run remains. Only the links move.
    DrawItem* list = sentinel.next != &sentinel ? sentinel.next : nullptr;
    if (list == nullptr)
        return;
    sentinel.prev->next = nullptr;
    for (uint32_t run = 1;; run *= 2)
    {
        DrawItem* p = list;
        DrawItem* head = nullptr;
        DrawItem* tail = nullptr;
        uint32_t merges = 0;
        while (p != nullptr)
        {
            ++merges;
            DrawItem* q = p;
            uint32_t pSize = 0;
            for (uint32_t i = 0; i < run && q != nullptr; ++i)
            {
                ++pSize;
                q = q->next;
            }
            uint32_t qSize = run;
            while (pSize > 0 || (qSize > 0 && q != nullptr))
            {
                DrawItem* e;
                if (pSize == 0)
                {
                    e = q;
                    q = q->next;
                    --qSize;
                }
                else if (qSize == 0 || q == nullptr || p->key > q->key)
                {
                    e = p;
                    p = p->next;
                    --pSize;
                }
                else
                {
                    e = q;
                    q = q->next;
                    --qSize;
                }
                if (tail != nullptr)
                    tail->next = e;
                else
                    head = e;
                tail = e;
            }
            p = q;
        }
        tail->next = nullptr;
        list = head;
        if (merges <= 1)
            break;
    }
    // Rebuild the back links and the sentinel ring.
    DrawItem* prev = &sentinel;
    for (DrawItem* e = list; e != nullptr; e = e->next)
    {
        e->prev = prev;
        prev->next = e;
        prev = e;
    }
    prev->next = &sentinel;
    sentinel.prev = prev;
}

namespace
{
// The smallest box holding the points placed by the transform; the whole plane when a
// point is not finite (where such a shape draws is anyone's guess).
Gfx2DBox PlacedBounds(const cAffine2D& transform, const cVec2f* points, uint32_t n)
{
    constexpr float kInfinity = std::numeric_limits<float>::infinity();
    Gfx2DBox box{kInfinity, kInfinity, -kInfinity, -kInfinity};
    for (uint32_t i = 0; i < n; ++i)
    {
        const cVec2f p = transform.TransformPoint(points[i]);
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            return {-kInfinity, -kInfinity, kInfinity, kInfinity};
        box.left = std::min(box.left, p.x);
        box.top = std::min(box.top, p.y);
        box.right = std::max(box.right, p.x);
        box.bottom = std::max(box.bottom, p.y);
    }
    return box;
}

Gfx2DBox PlacedBox(const cAffine2D& transform, const Gfx2DBox& b)
{
    const cVec2f corners[4] = {{b.left, b.top}, {b.right, b.top}, {b.left, b.bottom}, {b.right, b.bottom}};
    return PlacedBounds(transform, corners, 4);
}

// Whether two boxes come within a pixel of each other (the drawer's space is the screen's
// pixels): apart by more, no pixel can be drawn by both, whatever the rasteriser's rounding.
bool Near(const Gfx2DBox& a, const Gfx2DBox& b)
{
    constexpr float kMargin = 1.0f;
    return a.left <= b.right + kMargin && b.left <= a.right + kMargin && a.top <= b.bottom + kMargin &&
           b.top <= a.bottom + kMargin;
}
} // namespace

cGfx2Dx::Planned cGfx2Dx::Plan(DrawItem& item) const
{
    Planned planned;
    planned.item = &item;
    const auto* frame = static_cast<const ImageRect*>(item.object);
    auto* image = static_cast<cImage*>(const_cast<void*>(item.object));
    // What the immediate drawer would skip draws nothing; the rest draws inside the box its
    // corners or points make, from the texture its batch needs.
    auto inside = [&](cImage* texture, const Gfx2DBox& local) {
        planned.texture = texture;
        planned.box = PlacedBox(item.transform, local);
        planned.reach = Reach::Box;
    };
    switch (item.type)
    {
    case kItemFrame:
        if (frame != nullptr && frame->image != nullptr)
            inside(frame->image, AlignBox(float(frame->w) * 0.5f, float(frame->h) * 0.5f, item.align));
        break;
    case kItemFrameRegion:
        if (frame != nullptr && frame->image != nullptr && frame->w != 0 && frame->h != 0)
            inside(frame->image, AlignBox(float(item.w) * 0.5f, float(item.h) * 0.5f, item.align));
        break;
    case kItemImage:
        if (image != nullptr)
            inside(image, AlignBox(float(image->width >> 1), float(image->height >> 1), item.align));
        break;
    case kItemImageRegion:
        if (image != nullptr && image->width != 0 && image->height != 0)
            inside(image, AlignBox(float(item.w) * 0.5f, float(item.h) * 0.5f, item.align));
        break;
    case kItemPolygon:
    case kItemTexturedPolygon:
        if (item.count >= 3)
        {
            planned.texture = item.type == kItemTexturedPolygon ? image : nullptr;
            planned.box = PlacedBounds(item.transform, points + item.start, item.count);
            planned.reach = Reach::Box;
        }
        break;
    case kItemMesh:
    case kItemLineStrip:
    case kItemLineLoop:
        planned.reach = Reach::Fence;
        break;
    default:
        break;
    }
    planned.done = planned.reach == Reach::Nothing;
    return planned;
}

void cGfx2Dx::ReplayPlanned(Planned& planned)
{
    const DrawItem& item = *planned.item;
    transform = item.transform;
    colour = item.colour;
    if (item.flags != renderFlags)
    {
        FlushBatch();
        renderFlags = item.flags;
    }
    Replay(item);
    planned.done = true;
}

void cGfx2Dx::ReplayRestOfBatch(size_t lead)
{
    const Planned& first = plan[lead];
    auto sameBatch = [&first](const Planned& p) {
        return p.reach == Reach::Box && p.texture == first.texture && p.item->flags == first.item->flags;
    };
    size_t next = lead + 1;
    while (next < plan.size() && plan[next].done)
        ++next;
    if (next == plan.size() || sameBatch(plan[next]))
        return;
    passed.clear();
    uint32_t looked = 0;
    for (size_t j = next; j < plan.size() && looked < kLookAhead; ++j)
    {
        Planned& p = plan[j];
        if (p.done)
            continue;
        if (p.reach == Reach::Fence)
            break;
        ++looked;
        bool clear = sameBatch(p);
        for (size_t k = 0; clear && k < passed.size(); ++k)
            clear = !Near(p.box, plan[passed[k]].box);
        if (clear)
            ReplayPlanned(p);
        else
            passed.push_back(j);
    }
}

void cGfx2Dx::Replay(const DrawItem& item)
{
    const auto* frame = static_cast<const ImageRect*>(item.object);
    auto* image = static_cast<cImage*>(const_cast<void*>(item.object));
    const cVec2f* pts = points + item.start;
    // Colours the call did not give are not passed on: a textured polygon would tint
    // stored copies of the current colour by that colour a second time.
    const uint32_t* cols = item.hasColours ? pointColours + item.start : nullptr;
    switch (item.type)
    {
    case kItemFrame:
        cGfx2D::DrawFrame(frame, item.align);
        break;
    case kItemFrameRegion:
        cGfx2D::DrawFrameRegion(frame, item.sx, item.sy, item.w, item.h, item.align);
        break;
    case kItemImage:
        cGfx2D::DrawImage(image, item.align);
        break;
    case kItemImageRegion:
        cGfx2D::DrawImageRegion(image, item.sx, item.sy, item.w, item.h, item.align);
        break;
    case kItemMesh:
        cGfx2D::DrawMesh(static_cast<cMesh*>(const_cast<void*>(item.object)), item.material);
        break;
    case kItemLineStrip:
    case kItemLineLoop:
        cGfx2D::DrawLineStrip(pts, cols, item.count, item.type == kItemLineLoop);
        break;
    case kItemPolygon:
        cGfx2D::FillPolygon(pts, cols, item.count);
        break;
    case kItemTexturedPolygon:
        cGfx2D::DrawTexturedPolygon(pts, cols, pointUVs + item.start, image, item.count);
        break;
    default:
        break;
    }
}

void cGfx2Dx::Flush()
{
    if (items.Used() != 0)
    {
        sequence = 0;
        PushTransform();
        // Replay changes the current colour item by item; the caller's colour comes back
        // afterwards, as the transform does.
        const uint32_t savedColour = colour;
        SortItems();
        plan.clear();
        bool hasMesh = false;
        for (DrawItem* e = sentinel.next; e != &sentinel; e = e->next)
        {
            plan.push_back(Plan(*e));
            hasMesh = hasMesh || e->type == kItemMesh;
        }
        // A mesh goes to the renderer at once, ahead of the batch under way, so what it
        // lies under depends on where that batch was cut: a flush that holds one replays
        // every item as recorded.
        const bool gather = !hasMesh;
        for (size_t i = 0; i < plan.size(); ++i)
        {
            if (gather && plan[i].done)
                continue;
            ReplayPlanned(plan[i]);
            if (gather && plan[i].reach == Reach::Box)
                ReplayRestOfBatch(i);
        }
        colour = savedColour;
        PopTransform();
        for (DrawItem* e = sentinel.next; e != &sentinel;)
        {
            DrawItem* following = e->next;
            items.Release(e);
            e = following;
        }
        sentinel.next = &sentinel;
        sentinel.prev = &sentinel;
        nextPoint = 0;
    }
    FlushBatch();
}

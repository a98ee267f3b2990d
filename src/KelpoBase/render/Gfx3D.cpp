#include "KelpoBase/render/Gfx3D.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/Renderer.h"

namespace
{
// A stable bottom-up merge sort of a singly linked list by `key` (ascending): runs of 1,
// 2, 4, ... are merged in place until a pass makes a single merge.
template <class Node>
Node* SortByKey(Node* list, Node*& lastOut)
{
    lastOut = list;
    if (list == nullptr)
        return nullptr;
    for (uint32_t runLength = 1;; runLength *= 2)
    {
        Node* p = list;
        list = nullptr;
        Node* tail = nullptr;
        uint32_t merges = 0;
        while (p != nullptr)
        {
            ++merges;
            Node* q = p;
            uint32_t pSize = 0;
            for (uint32_t i = 0; i < runLength && q != nullptr; ++i)
            {
                ++pSize;
                q = q->next;
            }
            uint32_t qSize = runLength;
            while (pSize > 0 || (qSize > 0 && q != nullptr))
            {
                Node* e;
                // Ties take the element from the earlier run: equal keys keep their order.
                if (pSize == 0)
                {
                    e = q;
                    q = q->next;
                    --qSize;
                }
                else if (qSize == 0 || q == nullptr || p->key <= q->key)
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
                    list = e;
                tail = e;
            }
            p = q;
        }
        tail->next = nullptr;
        if (merges <= 1)
        {
            lastOut = tail;
            return list;
        }
    }
}

void PutFloats(uint8_t* at, float a, float b)
{
    std::memcpy(at, &a, 4);
    std::memcpy(at + 4, &b, 4);
}

void PutVec3(uint8_t* at, const cVec3f& v)
{
    const float f[3] = {v.x, v.y, v.z};
    std::memcpy(at, f, sizeof f);
}

// The ribbon's side vector at point i: across the segment to the next point, facing the
// eye, half-width long; the last point takes the one before it.
cVec3f RibbonSide(const std::vector<c3DRibbonPoint>& points, uint32_t i, const cVec3f& eye)
{
    const uint32_t n = uint32_t(points.size());
    const uint32_t at = i + 1 < n ? i : n - 2;
    const c3DRibbonPoint& p = points[at];
    const cVec3f& next = points[at + 1].position;
    const cVec3f d(next.x - p.position.x, next.y - p.position.y, next.z - p.position.z);
    const cVec3f e(p.position.x - eye.x, p.position.y - eye.y, p.position.z - eye.z);
    const cVec3f c(d.y * e.z - d.z * e.y, d.z * e.x - d.x * e.z, d.x * e.y - d.y * e.x);
    const float lengthSquared = c.x * c.x + c.y * c.y + c.z * c.z;
    if (lengthSquared < 0.0001f)
        return cVec3f(0.0f, 0.0f, 0.0f);
    float inverse = 1.0f / std::sqrt(lengthSquared);
    inverse = inverse * (1.5f - 0.5f * lengthSquared * inverse * inverse);
    const float scale = inverse * p.halfWidth;
    return cVec3f(c.x * scale, c.y * scale, c.z * scale);
}
} // namespace

cGfx3D::cGfx3D(cRenderer* r)
    : renderer(r), spriteBatch(std::make_unique<cMesh>(kSpriteVertices, kSpriteIndices,
                                                         kMeshPosition | kMeshColour | kMeshTexCoord0)),
      lineBatch(kLineVertices, kLineVertices, kMeshPosition | kMeshColour)
{
    matrices.reserve(kPoolSize);
    modelStack.reserve(16);
    spriteMaterial.colour = 0xFFFFFFFFu;
    spriteBatch->indexCount = 0;
    for (uint32_t i = 0; i < kLineVertices; ++i)
        lineBatch.indices[i] = uint16_t(i);
    lineBatch.indexCount = 0;
    lineMaterial.flags = kMaterialLines;
    lineMaterial.colour = 0xFFFFFFFFu;
}

cGfx3D::~cGfx3D()
{
    meshHead = meshTail = nullptr;
    modelHead = modelTail = nullptr;
    spriteHead = spriteTail = nullptr;
}

cMatrix44* cGfx3D::TakeMatrix()
{
    cMatrix44* m = matrixPool.Take();
    if (m == nullptr)
        return nullptr;
    *m = model;
    matrices.push_back(m);
    return m;
}

bool cGfx3D::QueueMesh(cMesh* mesh, cMaterial* material)
{
    if (mesh == nullptr || material == nullptr || meshPool.Used() >= meshPool.Capacity() ||
        matrixPool.Used() >= matrixPool.Capacity())
        return false;
    MeshDraw* draw = meshPool.Take();
    cMatrix44* matrix = TakeMatrix();
    if (draw == nullptr || matrix == nullptr)
        return false; // not reached: both pools were checked above
    *draw = {nullptr, mesh, matrix, material, MeshKey(*material)};
    (meshTail != nullptr ? meshTail->next : meshHead) = draw;
    meshTail = draw;
    ++meshCount;
    return true;
}

bool cGfx3D::QueueModel(cPodModel* podModel)
{
    if (podModel == nullptr || modelPool.Used() >= modelPool.Capacity() || matrixPool.Used() >= matrixPool.Capacity())
        return false;
    ModelDraw* draw = modelPool.Take();
    cMatrix44* matrix = TakeMatrix();
    if (draw == nullptr || matrix == nullptr)
        return false;
    *draw = {nullptr, podModel, matrix};
    (modelTail != nullptr ? modelTail->next : modelHead) = draw;
    modelTail = draw;
    ++modelCount;
    return true;
}

bool cGfx3D::AddSprite(const c3DSprite& sprite)
{
    SpriteEntry* entry = spritePool.Take();
    if (entry == nullptr)
        return false;
    entry->next = nullptr;
    entry->key = SpriteKey(sprite.image, sprite.materialWord);
    entry->group = nullptr;
    entry->sprite = sprite;
    (spriteTail != nullptr ? spriteTail->next : spriteHead) = entry;
    spriteTail = entry;
    ++spriteCount;
    return true;
}

bool cGfx3D::AddRibbon(const c3DRibbonPoint* points, uint32_t n, cImage* image, uint32_t materialWord)
{
    if (points == nullptr || n < 2)
        return false;
    SpriteEntry* entry = spritePool.Take();
    if (entry == nullptr)
        return false;
    if (ribbonsUsed == ribbons.size())
        ribbons.push_back(std::make_unique<Ribbon>());
    Ribbon& ribbon = *ribbons[ribbonsUsed++];
    ribbon.points.assign(points, points + n);
    ribbon.image = image;
    ribbon.materialWord = materialWord;
    entry->next = nullptr;
    entry->key = SpriteKey(image, materialWord);
    entry->group = &ribbon;
    entry->sprite = c3DSprite();
    entry->sprite.image = image;
    entry->sprite.materialWord = materialWord;
    (spriteTail != nullptr ? spriteTail->next : spriteHead) = entry;
    spriteTail = entry;
    ++spriteCount;
    return true;
}

void cGfx3D::PopMatrix()
{
    if (modelStack.empty())
        return;
    model = modelStack.back();
    modelStack.pop_back();
}

void cGfx3D::Translate(const cVec3f& t) { Matrix4Translate(model, t); }
void cGfx3D::Scale(const cVec3f& s) { Matrix4Scale(model, s); }
void cGfx3D::RotateX(float angle) { Matrix4RotateX(model, angle); }
void cGfx3D::RotateY(float angle) { Matrix4RotateY(model, angle); }
void cGfx3D::RotateZ(float angle) { Matrix4RotateZ(model, angle); }
void cGfx3D::Multiply(const cMatrix44& m) { Matrix4MultiplyInPlace(m, model); }
void cGfx3D::MultiplyRotation(const cMatrix33& r) { Matrix4MultiplyRotation3InPlace(r, model); }

bool cGfx3D::AddLine(const cVec3f& from, const cVec3f& to)
{
    const uint32_t used = lineBatch.indexCount;
    if (used + 2 > kLineVertices)
        return false;
    PutVec3(lineBatch.PositionPtr(used), from);
    std::memcpy(lineBatch.ColourPtr(used), &lineColour, 4);
    PutVec3(lineBatch.PositionPtr(used + 1), to);
    std::memcpy(lineBatch.ColourPtr(used + 1), &lineColour, 4);
    lineBatch.indexCount = used + 2;
    return true;
}

void cGfx3D::AddLineStrip(const cVec3f* points, uint32_t n)
{
    if (points == nullptr)
        return;
    for (uint32_t i = 0; i + 1 < n; ++i)
        AddLine(points[i], points[i + 1]);
}

void cGfx3D::AddCircle(const cVec3f& centre, float radius)
{
    cVec3f points[17];
    for (uint32_t i = 0; i <= 16; ++i)
    {
        const float a = float(i) * 0.0625f * 2.0f * 3.14159265f;
        points[i] = cVec3f(centre.x - std::sin(a) * radius, centre.y, centre.z + std::cos(a) * radius);
    }
    AddLineStrip(points, 17);
}

void cGfx3D::SetClearColour(uint32_t rgba)
{
    if (renderer != nullptr)
        renderer->SetClearColour(rgba);
}

void cGfx3D::Clear(uint32_t flags)
{
    Flush();
    if (renderer != nullptr)
        renderer->Clear(flags);
}

void cGfx3D::SetCamera(const cCamera& newCamera)
{
    Flush();
    camera = newCamera;
    if (renderer != nullptr)
        renderer->SetCamera(newCamera);
}

uint32_t cGfx3D::MeshKey(const cMaterial& material)
{
    uint32_t key = uint32_t(material.blend & 0xFu) << 28;
    if (material.flags & kMaterialDepthTest)
        key |= 1u << 27;
    if (material.flags & kMaterialDepthWrite)
        key |= 1u << 26;
    if (material.textures[0] != nullptr)
        key |= uint32_t(material.textures[0]->id & 0xFFu) << 18;
    if (material.textures[1] != nullptr)
        key |= uint32_t(material.textures[1]->id & 0xFFu) << 10;
    if ((material.flags & kMaterialTwoSided) == 0)
        key |= 1u << 9;
    return key;
}

uint32_t cGfx3D::SpriteKey(const cImage* image, uint32_t materialWord)
{
    // Blend code first (blended sprites after opaque ones), then the image, then the flags.
    const uint32_t blend = (materialWord >> 16) & 0xFu;
    const uint32_t id = image != nullptr ? image->id : 0u;
    return blend << 28 | (id & 0xFFFFu) << 12 | (materialWord & 0xFFFu);
}

void cGfx3D::Flush()
{
    if (renderer != nullptr)
    {
        meshHead = SortByKey(meshHead, meshTail);
        for (MeshDraw* d = meshHead; d != nullptr; d = d->next)
        {
            renderer->SetModelMatrix(*d->matrix);
            renderer->DrawMesh(d->mesh, d->material);
        }
        for (ModelDraw* d = modelHead; d != nullptr; d = d->next)
        {
            renderer->SetModelMatrix(*d->matrix);
            renderer->DrawPodModel(d->model, nullptr);
        }
        if (lineBatch.indexCount > 0)
        {
            renderer->SetModelMatrix(cMatrix44());
            renderer->DrawMesh(&lineBatch, &lineMaterial);
        }
        renderer->SetModelMatrix(cMatrix44());
        DrawSprites();
    }
    lineBatch.indexCount = 0;

    for (cMatrix44* m : matrices)
        matrixPool.Release(m);
    matrices.clear();
    for (MeshDraw* d = meshHead; d != nullptr;)
    {
        MeshDraw* next = d->next;
        meshPool.Release(d);
        d = next;
    }
    meshHead = meshTail = nullptr;
    meshCount = 0;
    for (ModelDraw* d = modelHead; d != nullptr;)
    {
        ModelDraw* next = d->next;
        modelPool.Release(d);
        d = next;
    }
    modelHead = modelTail = nullptr;
    modelCount = 0;
    for (SpriteEntry* e = spriteHead; e != nullptr;)
    {
        SpriteEntry* next = e->next;
        spritePool.Release(e);
        e = next;
    }
    spriteHead = spriteTail = nullptr;
    spriteCount = 0;
    ribbonsUsed = 0;
}

void cGfx3D::WriteSpriteVertex(uint32_t i, const cVec3f& p, uint32_t colour, float s, float t)
{
    PutVec3(spriteBatch->PositionPtr(i), p);
    std::memcpy(spriteBatch->ColourPtr(i), &colour, 4);
    PutFloats(spriteBatch->TexCoordPtr(0, i), s, t);
}

void cGfx3D::FlushSpriteBatch()
{
    if (spriteBatchOpen && spriteIndices > 0)
    {
        spriteBatch->firstIndex = 0;
        spriteBatch->indexCount = spriteIndices;
        renderer->DrawMesh(spriteBatch.get(), &spriteMaterial);
    }
    spriteVertices = 0;
    spriteIndices = 0;
    spriteBatch->indexCount = 0;
}

void cGfx3D::StartSpriteBatch(cImage* image, uint32_t materialWord)
{
    FlushSpriteBatch();
    spriteMaterial.textures[0] = image;
    spriteMaterial.flags = uint16_t(materialWord & 0xFFFFu);
    spriteMaterial.blend = uint16_t(materialWord >> 16);
    spriteBatchOpen = true;
}

void cGfx3D::DrawSprites()
{
    spriteBatchOpen = false;
    spriteVertices = 0;
    spriteIndices = 0;
    if (spriteHead == nullptr)
        return;
    spriteHead = SortByKey(spriteHead, spriteTail);

    const cMatrix44& view = renderer->viewMatrix;
    const cVec3f right(view.At(0, 0), view.At(0, 1), view.At(0, 2));
    const cVec3f up(view.At(1, 0), view.At(1, 1), view.At(1, 2));

    for (SpriteEntry* e = spriteHead; e != nullptr; e = e->next)
    {
        if (e->group != nullptr)
        {
            AddRibbonToBatch(*e->group, e->key);
            continue;
        }
        const c3DSprite& s = e->sprite;
        if (!spriteBatchOpen || e->key != spriteBatchKey || spriteIndices + 6 > kSpriteIndices ||
            spriteVertices + 4 > kSpriteVertices)
        {
            StartSpriteBatch(s.image, s.materialWord);
            spriteBatchKey = e->key;
        }
        cVec3f r = right;
        cVec3f u = up;
        if (s.angle != 0.0f)
        {
            const float c = std::cos(s.angle);
            const float n = std::sin(s.angle);
            r = cVec3f(c * right.x - n * up.x, c * right.y - n * up.y, c * right.z - n * up.z);
            u = cVec3f(n * right.x + c * up.x, n * right.y + c * up.y, n * right.z + c * up.z);
        }
        r = cVec3f(r.x * s.width, r.y * s.width, r.z * s.width);
        u = cVec3f(u.x * s.height, u.y * s.height, u.z * s.height);
        const cVec3f& p = s.position;
        const uint32_t b = spriteVertices;
        WriteSpriteVertex(b, cVec3f(p.x - r.x - u.x, p.y - r.y - u.y, p.z - r.z - u.z), s.colour, s.s0, s.t0);
        WriteSpriteVertex(b + 1, cVec3f(p.x + r.x - u.x, p.y + r.y - u.y, p.z + r.z - u.z), s.colour, s.s1, s.t0);
        WriteSpriteVertex(b + 2, cVec3f(p.x - r.x + u.x, p.y - r.y + u.y, p.z - r.z + u.z), s.colour, s.s0, s.t1);
        WriteSpriteVertex(b + 3, cVec3f(p.x + r.x + u.x, p.y + r.y + u.y, p.z + r.z + u.z), s.colour, s.s1, s.t1);
        uint16_t* index = spriteBatch->indices.data() + spriteIndices;
        const uint16_t quad[6] = {uint16_t(b), uint16_t(b + 1), uint16_t(b + 2),
                                  uint16_t(b + 1), uint16_t(b + 3), uint16_t(b + 2)};
        std::memcpy(index, quad, sizeof quad);
        spriteVertices += 4;
        spriteIndices += 6;
    }
    FlushSpriteBatch();
    spriteBatchOpen = false;
}

void cGfx3D::AddRibbonToBatch(const Ribbon& ribbon, uint32_t key)
{
    const uint32_t n = uint32_t(ribbon.points.size());
    if (n < 2)
        return;
    const cVec3f eye = renderer->camera.position;
    // The most points one batch holds: two vertices per point, six indices per segment.
    constexpr uint32_t kMaxPoints = std::min(kSpriteVertices / 2, kSpriteIndices / 6 + 1);
    uint32_t first = 0;
    while (first + 1 < n)
    {
        // This piece runs from `first` to `last`; the next piece starts at `last` again.
        const uint32_t last = std::min(n - 1, first + kMaxPoints - 1);
        const uint32_t count = last - first + 1;
        if (!spriteBatchOpen || key != spriteBatchKey || spriteIndices + (count - 1) * 6 > kSpriteIndices ||
            spriteVertices + 2 * count > kSpriteVertices)
        {
            StartSpriteBatch(ribbon.image, ribbon.materialWord);
            spriteBatchKey = key;
        }
        const uint32_t base = spriteVertices;
        for (uint32_t i = first; i <= last; ++i)
        {
            const c3DRibbonPoint& p = ribbon.points[i];
            const cVec3f side = RibbonSide(ribbon.points, i, eye);
            const uint32_t v = base + 2 * (i - first);
            WriteSpriteVertex(v, cVec3f(p.position.x + side.x, p.position.y + side.y, p.position.z + side.z),
                              p.colour, p.s0, p.t0);
            WriteSpriteVertex(v + 1, cVec3f(p.position.x - side.x, p.position.y - side.y, p.position.z - side.z),
                              p.colour, p.s1, p.t1);
        }
        uint16_t* index = spriteBatch->indices.data() + spriteIndices;
        for (uint32_t segment = 0; segment + 1 < count; ++segment)
        {
            const uint32_t b = base + 2 * segment;
            const uint16_t quad[6] = {uint16_t(b), uint16_t(b + 1), uint16_t(b + 2),
                                      uint16_t(b + 1), uint16_t(b + 3), uint16_t(b + 2)};
            std::memcpy(index + segment * 6, quad, sizeof quad);
        }
        spriteVertices += 2 * count;
        spriteIndices += (count - 1) * 6;
        first = last;
    }
}

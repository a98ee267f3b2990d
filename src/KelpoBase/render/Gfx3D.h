// cGfx3D: a deferred 3D draw context. During a frame it collects meshes (each with the
// context's current matrix), POD models, camera-facing sprites, ribbons and coloured
// lines; Flush sorts the meshes by a packed state key (blend code first, so blended
// meshes follow every opaque one; equal keys keep their queue order) and submits
// everything through the renderer.
//
// Nothing allocates per draw: list entries and matrices come from fixed pools, and
// sprites, ribbons and lines are written into preallocated batches. When a pool is used
// up the queue operation drops the draw and returns false; a full line batch drops
// further lines. A ribbon longer than a sprite batch is split across batches, each piece
// starting at the point where the last one ended.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KelpoBase/core/KelpoObj.h"
#include "KelpoBase/core/Matrix44.h"
#include "KelpoBase/core/Pool.h"
#include "KelpoBase/core/Vec3.h"
#include "KelpoBase/render/Camera.h"
#include "KelpoBase/render/Material.h"
#include "KelpoBase/render/Mesh.h"

class cRenderer;
class cImage;
class cPodModel;

// A material word: the 16-bit flags of cMaterial in the low half, the blend code above.
constexpr uint32_t MakeMaterialWord(uint16_t flags, uint16_t blend) { return uint32_t(flags) | uint32_t(blend) << 16; }

// One camera-facing sprite. The quad spans position +/- width along the camera's right
// axis and +/- height along its up axis, turned by angle (radians) in the view plane.
struct c3DSprite
{
    cImage* image = nullptr;
    float s0 = 0.0f, t0 = 0.0f, s1 = 1.0f, t1 = 1.0f;
    cVec3f position;
    uint32_t colour = 0xFFFFFFFFu;
    float width = 1.0f;
    float height = 1.0f;
    float angle = 0.0f;
    uint32_t materialWord = 0;
};

// One point of a ribbon (40 bytes): the ribbon passes through position, half-width wide,
// facing the camera; the first edge takes (s0, t0), the second (s1, t1).
struct c3DRibbonPoint
{
    cVec3f position;
    float halfWidth = 1.0f;
    float s0 = 0.0f, t0 = 0.0f;
    float s1 = 0.0f, t1 = 1.0f;
    uint32_t colour = 0xFFFFFFFFu;
    uint32_t word = 0; // free for the caller
};
static_assert(sizeof(c3DRibbonPoint) == 40);

class cGfx3D : public cKelpoObj
{
    KELPO_DECLARE_CLASS(cGfx3D, cKelpoObj)
public:
    static constexpr uint32_t kPoolSize = 128;
    static constexpr uint32_t kSpritePoolSize = 1024;
    static constexpr uint32_t kSpriteVertices = 512;
    static constexpr uint32_t kSpriteIndices = 768;
    static constexpr uint32_t kLineVertices = 2048;

    explicit cGfx3D(cRenderer* renderer);
    ~cGfx3D() override;

    // Queued with a copy of the current matrix; false (nothing queued) when a pool is used up.
    bool QueueMesh(cMesh* mesh, cMaterial* material);
    bool QueueModel(cPodModel* model);
    bool AddSprite(const c3DSprite& sprite);
    // A ribbon through n points (at least 2), copied; false when n < 2 or the list is full.
    bool AddRibbon(const c3DRibbonPoint* points, uint32_t n, cImage* image, uint32_t materialWord);

    // The current matrix: each operation sets model = model x the transform.
    void SetMatrix(const cMatrix44& m) { model = m; }
    const cMatrix44& GetMatrix() const { return model; }
    void PushMatrix() { modelStack.push_back(model); }
    // An empty stack keeps the current matrix.
    void PopMatrix();
    void Translate(const cVec3f& t);
    void Scale(const cVec3f& s);
    void RotateX(float angle);
    void RotateY(float angle);
    void RotateZ(float angle);
    void Multiply(const cMatrix44& m);
    void MultiplyRotation(const cMatrix33& r);

    void SetLineColour(uint32_t rgba) { lineColour = rgba; }
    // False when the line batch has no room for two more vertices (the line is dropped).
    bool AddLine(const cVec3f& from, const cVec3f& to);
    void AddLineStrip(const cVec3f* points, uint32_t n);
    // 16 segments in the X-Z plane around the centre.
    void AddCircle(const cVec3f& centre, float radius);
    uint32_t LineVertexCount() const { return lineBatch.indexCount; }

    void SetClearColour(uint32_t rgba);
    // Flush, then the renderer's Clear.
    void Clear(uint32_t flags);
    // Flush, then the renderer's camera.
    void SetCamera(const cCamera& newCamera);
    // Draws everything queued (sorted meshes, models, lines, sprites) and empties the lists.
    void Flush();

    // The sort key of a mesh draw with this material.
    static uint32_t MeshKey(const cMaterial& material);
    // The batch key of a sprite or ribbon: material word and image id.
    static uint32_t SpriteKey(const cImage* image, uint32_t materialWord);

    uint32_t QueuedMeshCount() const { return meshCount; }
    uint32_t QueuedModelCount() const { return modelCount; }
    uint32_t QueuedSpriteCount() const { return spriteCount; }

    struct MeshDraw
    {
        MeshDraw* next;
        cMesh* mesh;
        cMatrix44* matrix;
        cMaterial* material;
        uint32_t key;
    };
    struct ModelDraw
    {
        ModelDraw* next;
        cPodModel* model;
        cMatrix44* matrix;
    };
    struct Ribbon
    {
        std::vector<c3DRibbonPoint> points;
        cImage* image = nullptr;
        uint32_t materialWord = 0;
    };
    struct SpriteEntry
    {
        SpriteEntry* next;
        uint32_t key;
        Ribbon* group; // null: a single sprite
        c3DSprite sprite;
    };

private:
    cMatrix44* TakeMatrix();
    void DrawSprites();
    // Draws the sprite batch so far (if any) and starts an empty one for the image and word.
    void StartSpriteBatch(cImage* image, uint32_t materialWord);
    void FlushSpriteBatch();
    void AddRibbonToBatch(const Ribbon& ribbon, uint32_t key);
    void WriteSpriteVertex(uint32_t i, const cVec3f& p, uint32_t colour, float s, float t);

    cRenderer* renderer;
    std::vector<cMatrix44*> matrices;
    cPool<MeshDraw> meshPool{kPoolSize};
    MeshDraw* meshHead = nullptr;
    MeshDraw* meshTail = nullptr;
    uint32_t meshCount = 0;
    cPool<ModelDraw> modelPool{kPoolSize};
    ModelDraw* modelHead = nullptr;
    ModelDraw* modelTail = nullptr;
    uint32_t modelCount = 0;
    cPool<cMatrix44> matrixPool{kPoolSize};
    cPool<SpriteEntry> spritePool{kSpritePoolSize};
    SpriteEntry* spriteHead = nullptr;
    SpriteEntry* spriteTail = nullptr;
    uint32_t spriteCount = 0;
    // Ribbon groups, reused from frame to frame (their point arrays keep their capacity).
    std::vector<std::unique_ptr<Ribbon>> ribbons;
    uint32_t ribbonsUsed = 0;

    cCamera camera;
    cMatrix44 model;
    std::vector<cMatrix44> modelStack;

    cMaterial spriteMaterial;
    std::unique_ptr<cMesh> spriteBatch;
    uint32_t spriteVertices = 0;
    uint32_t spriteIndices = 0;
    uint32_t spriteBatchKey = 0;
    bool spriteBatchOpen = false;

    cMesh lineBatch;
    cMaterial lineMaterial;
    uint32_t lineColour = 0xFFFFFFFFu;
};

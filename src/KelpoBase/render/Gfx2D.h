// cGfx2D: the immediate 2D drawer. It keeps a current transform, colour, layer and font,
// turns every sprite, frame, rectangle, polygon, line, glyph and number into vertices and
// 16-bit indices in one batch mesh, and hands the batch to the renderer as one DrawMesh
// whenever the texture, the primitive kind or the render flags change, when the batch is
// full, or when asked.
//
// Screen space is in pixels, origin at the top-left corner, y growing downwards. A frame
// of drawing runs: SaveRendererState, Begin, draw calls, RestoreRendererState.
//
// Alignment flags of sprites, rectangles, text and numbers: 0x01 left edge at the origin
// (wins over 0x02, right edge), 0x10 top edge (wins over 0x20, bottom edge); no flag on an
// axis centres on that axis.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KelpoBase/core/Affine2D.h"
#include "KelpoBase/core/Vec2.h"
#include "KelpoBase/render/Camera.h"

class cRenderer;
class cMesh;
class cMaterial;
class cImage;
class cFont;
class cTextLayout;
struct ImageRect;
struct FontGlyph;
struct cOBox2f;

// Alignment flags.
enum : uint32_t
{
    kAlignLeft = 0x01,
    kAlignRight = 0x02,
    kAlignTop = 0x10,
    kAlignBottom = 0x20,
    kAlignTopLeft = 0x11,
    kAlignCentre = 0x00,
};

// A rectangle {left, top, right, bottom}.
struct Gfx2DBox
{
    float left, top, right, bottom;
};

// The corners of a box of half sizes hw, hh placed by the alignment flags: how sprites,
// frames and rectangles lie about the origin.
Gfx2DBox AlignBox(float hw, float hh, uint32_t align);

// One vertex of the batch (the layout of the mesh format 0x400D).
struct Gfx2DVertex
{
    float x, y;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(Gfx2DVertex) == 20, "the batch vertex is 20 bytes");

class cGfx2D
{
public:
    static constexpr uint32_t kMaxVertices = 1024;
    static constexpr uint32_t kMaxIndices = 1536;
    static constexpr uint32_t kMeshFormat = 0x400D;
    // The largest primitives one empty batch holds; larger ones are drawn in pieces.
    static constexpr uint32_t kMaxFanPoints = kMaxIndices / 3 + 2;        // 514
    static constexpr uint32_t kMaxOpenLinePoints = kMaxIndices / 2 + 1;   // 769
    static constexpr uint32_t kMaxClosedLinePoints = kMaxIndices / 2;     // 768

    explicit cGfx2D(cRenderer* renderer);
    cGfx2D(const cGfx2D&) = delete;
    cGfx2D& operator=(const cGfx2D&) = delete;
    virtual ~cGfx2D();

    // --- drawing slots ----------------------------------------------------------------
    virtual void DrawFrame(const ImageRect* frame, uint32_t align);
    virtual void DrawFrameRegion(const ImageRect* frame, int32_t sx, int32_t sy, int32_t w, int32_t h,
                                 uint32_t align);
    // src and dst are {x0, y0, x1, y1}; source pixel y counts up from the image's bottom.
    virtual void DrawImageQuad(cImage* image, const float src[4], const float dst[4]);
    virtual void DrawImage(cImage* image, uint32_t align);
    virtual void DrawImageRegion(cImage* image, int32_t sx, int32_t sy, int32_t w, int32_t h, uint32_t align);
    virtual void DrawLineStrip(const cVec2f* points, const uint32_t* colours, uint32_t n, bool closed);
    virtual void DrawTexturedPolygon(const cVec2f* points, const uint32_t* colours, const cVec2f* uvs,
                                     cImage* image, uint32_t n);
    virtual void FillPolygon(const cVec2f* points, const uint32_t* colours, uint32_t n);
    virtual void FillRect(float w, float h, uint32_t align);
    // Straight to the renderer, ahead of what the batch holds.
    virtual void DrawMesh(cMesh* mesh, cMaterial* material);
    virtual void DrawText(uint8_t flags, const char* text);
    virtual void DrawTextLayout(uint8_t flags, const cTextLayout* layout);
    virtual void Flush();
    virtual void SetRenderFlags(uint32_t flags);
    virtual void SetRenderFlagsHigh(uint16_t blend);
    virtual void SetScissor(int32_t x, int32_t y, int32_t width, int32_t height);
    virtual void ClearScissor();

    // --- frame ----------------------------------------------------------------------------
    // Identity model matrix and an orthographic camera over the screen in pixels.
    void Begin();
    void SaveRendererState();
    void RestoreRendererState();

    // --- state ----------------------------------------------------------------------------
    void Translate(float x, float y) { transform.Translate(x, y); }
    void Scale(float sx, float sy) { transform.Scale(sx, sy); }
    void Rotate(float angle) { transform.Rotate(angle); }
    void PushTransform();
    void PopTransform();
    void PushState();
    void PopState();
    void PushLayer();
    void PopLayer();
    void AddLayer(int32_t delta) { layer += delta; }
    void SetColour(uint32_t rgba) { colour = rgba; }
    uint32_t GetColour() const { return colour; }
    void SetFont(const cFont* newFont) { font = newFont; }
    void SetExtraTexture(cImage* image);
    // Advance the counts without a flush test; null (counts unchanged) when n would not fit.
    uint16_t* ReserveIndices(uint32_t n);
    Gfx2DVertex* ReserveVertices(uint32_t n);

    // --- shapes built on the slots --------------------------------------------------------
    void DrawLine(float x0, float y0, float x1, float y1);
    void DrawLine(const cVec2f& a, const cVec2f& b);
    void FillRectAtOrigin(float w, float h) { FillRect(w, h, kAlignTopLeft); }
    void FillPolygonUncoloured(const cVec2f* points, uint32_t n) { FillPolygon(points, nullptr, n); }
    void FillCircle(float radius);
    void DrawCircleOutline(float radius);
    void DrawRectOutline(const float rect[4]);
    void DrawOrientedBoxOutline(const cOBox2f& box);
    void DrawGlyph(const ImageRect* frame, const uint32_t* colours);
    void DrawThickLine(const ImageRect* frame, const cVec2f& a, const cVec2f& b, float width);
    // One frame per decimal digit; returns the x after the last digit.
    float DrawNumber(uint32_t value, const ImageRect* const digits[10], float x, float y, uint8_t align,
                     float spacing);
    void DrawTextRightAligned(const char* text, const uint32_t* colours);

    // --- state (public: the layered drawer and the tests read it) ------------------------
    cMesh* mesh = nullptr;
    uint32_t maxVertices = kMaxVertices;
    uint32_t vertexCount = 0;
    uint32_t maxIndices = kMaxIndices;
    uint32_t indexCount = 0;
    cImage* texture = nullptr;
    cImage* extraTexture = nullptr;
    cAffine2D transform;
    std::vector<cAffine2D> transformStack;
    std::vector<uint32_t> colourStack;
    uint32_t colour = 0xFFFFFFFFu;
    std::vector<int32_t> layerStack;
    int32_t layer = 0;
    const cFont* font = nullptr;
    uint32_t renderFlags = 0x10000;
    cCamera savedCamera;
    cRenderer* renderer = nullptr;
    uint32_t batchMode = 0;

protected:
    // Draws and empties the batch (what Flush does here; the layered drawer's Flush
    // replays its items first).
    void FlushBatch();
    // The glyphs of one line with the pen at the origin (transform pushed by the caller).
    void DrawGlyphRun(const char* text);

private:
    enum class Tint
    {
        Plain,    // colours[i] as given
        Modulate, // colours[i] modulated by the current colour
    };
    Gfx2DVertex* BeginQuad(cImage* t);
    Gfx2DVertex* BeginFan(cImage* t, uint32_t n);
    Gfx2DVertex* BeginLines(uint32_t n, bool closed);
    Gfx2DVertex* Vertices(uint32_t first) const;
    // Places the points through the transform into n vertices.
    void PlacePoints(Gfx2DVertex* out, const cVec2f* points, uint32_t n) const;
    void WriteQuad(cImage* t, float left, float top, float right, float bottom, const float uv[8]);
    void WriteFan(cImage* t, const cVec2f* points, const uint32_t* colours, const cVec2f* uvs, uint32_t n,
                  Tint tint);
    void WriteFanSplit(cImage* t, const cVec2f* points, const uint32_t* colours, const cVec2f* uvs, uint32_t n,
                       Tint tint);
    void WriteLines(const cVec2f* points, const uint32_t* colours, uint32_t n, bool closed);
};

// Convenience operations: each pushes the transform, translates (and rotates or scales),
// calls one slot and pops the transform.
void FillRectAt(cGfx2D& gfx, float x, float y, float w, float h);
void FillRectAtInt(cGfx2D& gfx, int32_t x, int32_t y, int32_t w, int32_t h);
void DrawTextAt(cGfx2D& gfx, float x, float y, uint8_t flags, const char* text);
void DrawTextAtPoint(cGfx2D& gfx, const cVec2f& p, uint8_t flags, const char* text);
void DrawTextLayoutAt(cGfx2D& gfx, float x, float y, uint8_t flags, const cTextLayout* layout);
void DrawTextLayoutAtPoint(cGfx2D& gfx, const cVec2f& p, uint8_t flags, const cTextLayout* layout);
void DrawImageAt(cGfx2D& gfx, cImage* image, float x, float y, uint32_t align);
void DrawImageRegionAt(cGfx2D& gfx, cImage* image, float x, float y, int32_t sx, int32_t sy, int32_t w, int32_t h,
                       uint32_t align);
void DrawFrameAt(cGfx2D& gfx, const ImageRect* frame, float x, float y, uint32_t align);
void DrawFrameRotatedAt(cGfx2D& gfx, const ImageRect* frame, float x, float y, float angle, uint32_t align);
void DrawFrameScaledAt(cGfx2D& gfx, const ImageRect* frame, float x, float y, float sx, float sy);
void DrawFrameRegionAt(cGfx2D& gfx, const ImageRect* frame, float x, float y, int32_t sx, int32_t w, int32_t h);

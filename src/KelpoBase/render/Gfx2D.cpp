#include "KelpoBase/render/Gfx2D.h"

#include <algorithm>
#include <cmath>

#include "KelpoBase/core/Colour.h"
#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/core/Shape2D.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Font.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/Material.h"
#include "KelpoBase/render/Mesh.h"
#include "KelpoBase/render/Renderer.h"
#include "KelpoBase/render/TextLayout.h"
#include "KelpoBase/render/TextureAtlas.h"

namespace
{
constexpr uint32_t kWhite = 0xFFFFFFFFu;

// The pen's horizontal start for a line of width W, so that the pen ends at W past it.
// W is signed: negative kerning can make a text's width negative, and such a text still
// ends at the origin (right), or is centred on it with the pen running leftwards.
float PenX(uint8_t flags, int32_t width)
{
    if (flags & kAlignRight)
        return -float(width);
    if (flags & kAlignLeft)
        return 0.0f;
    return -float(width >> 1); // rounds down, negative widths too
}

// The base line's height for the vertical flags.
float PenY(uint8_t flags, const cFont& font)
{
    if (flags & kAlignTop)
        return float(font.maxTop);
    if (flags & (kAlignBottom | 0x40))
        return 0.0f;
    return float(font.maxTop >> 1);
}
} // namespace

Gfx2DBox AlignBox(float hw, float hh, uint32_t align)
{
    float cx = 0.0f, cy = 0.0f;
    if (align & kAlignLeft)
        cx = hw;
    else if (align & kAlignRight)
        cx = -hw;
    if (align & kAlignTop)
        cy = hh;
    else if (align & kAlignBottom)
        cy = -hh;
    return {cx - hw, cy - hh, cx + hw, cy + hh};
}

// ---- construction ----

cGfx2D::cGfx2D(cRenderer* target) : renderer(target)
{
    mesh = new cMesh(kMaxVertices, kMaxIndices, kMeshFormat);
    mesh->indexCount = 0;
    transformStack.reserve(16);
    colourStack.reserve(16);
    layerStack.reserve(16);
}

cGfx2D::~cGfx2D() { delete mesh; }

// ---- the batch ----

Gfx2DVertex* cGfx2D::Vertices(uint32_t first) const
{
    return reinterpret_cast<Gfx2DVertex*>(mesh->vertices) + first;
}

Gfx2DVertex* cGfx2D::BeginQuad(cImage* t)
{
    if (t != texture || vertexCount + 4 > maxVertices || indexCount + 6 > maxIndices || batchMode != 0)
        FlushBatch();
    texture = t;
    batchMode = 0;
    const auto v = uint16_t(vertexCount);
    uint16_t* idx = mesh->indices.data() + indexCount;
    const uint16_t quad[6] = {v, uint16_t(v + 1), uint16_t(v + 2), uint16_t(v + 1), uint16_t(v + 3), uint16_t(v + 2)};
    std::copy(quad, quad + 6, idx);
    indexCount += 6;
    mesh->indexCount = indexCount;
    vertexCount += 4;
    return Vertices(v);
}

Gfx2DVertex* cGfx2D::BeginFan(cImage* t, uint32_t n)
{
    // Callers keep n within one empty batch (kMaxFanPoints).
    const uint32_t indices = 3 * (n - 2);
    if (t != texture || vertexCount + n > maxVertices || indexCount + indices > maxIndices || batchMode != 0)
        FlushBatch();
    texture = t;
    batchMode = 0;
    const uint32_t v = vertexCount;
    uint16_t* idx = mesh->indices.data() + indexCount;
    for (uint32_t k = 0; k + 2 < n; ++k)
    {
        *idx++ = uint16_t(v);
        *idx++ = uint16_t(v + k + 1);
        *idx++ = uint16_t(v + k + 2);
    }
    indexCount += indices;
    mesh->indexCount = indexCount;
    vertexCount += n;
    return Vertices(v);
}

Gfx2DVertex* cGfx2D::BeginLines(uint32_t n, bool closed)
{
    const uint32_t indices = 2 * (n - 1) + (closed ? 2 : 0);
    if (texture != nullptr || vertexCount + n > maxVertices || indexCount + indices > maxIndices || batchMode != 1)
        FlushBatch();
    texture = nullptr;
    batchMode = 1;
    const uint32_t v = vertexCount;
    uint16_t* idx = mesh->indices.data() + indexCount;
    for (uint32_t k = 0; k + 1 < n; ++k)
    {
        *idx++ = uint16_t(v + k);
        *idx++ = uint16_t(v + k + 1);
    }
    if (closed)
    {
        *idx++ = uint16_t(v + n - 1);
        *idx++ = uint16_t(v);
    }
    indexCount += indices;
    mesh->indexCount = indexCount;
    vertexCount += n;
    return Vertices(v);
}

void cGfx2D::PlacePoints(Gfx2DVertex* out, const cVec2f* points, uint32_t n) const
{
    if (transform.IsIdentity())
    {
        for (uint32_t i = 0; i < n; ++i)
        {
            out[i].x = points[i].x;
            out[i].y = points[i].y;
        }
    }
    else if (transform.IsTranslationOnly())
    {
        for (uint32_t i = 0; i < n; ++i)
        {
            out[i].x = points[i].x + transform.tx;
            out[i].y = points[i].y + transform.ty;
        }
    }
    else
    {
        for (uint32_t i = 0; i < n; ++i)
        {
            const cVec2f p = transform.TransformPoint(points[i]);
            out[i].x = p.x;
            out[i].y = p.y;
        }
    }
}

void cGfx2D::FlushBatch()
{
    if (vertexCount == 0)
        return;
    if (renderer != nullptr)
    {
        cMaterial material;
        material.textures[0] = texture;
        material.textures[1] = nullptr;
        material.extraTexture = extraTexture;
        material.colour = kWhite;
        material.flags = uint16_t((renderFlags & 0xFFFEu) | kMaterialTwoSided | (batchMode == 1 ? kMaterialLines : 0));
        material.blend = uint16_t(renderFlags >> 16);
        renderer->DrawMesh(mesh, &material);
    }
    vertexCount = 0;
    indexCount = 0;
    mesh->indexCount = 0;
}

void cGfx2D::Flush() { FlushBatch(); }

uint16_t* cGfx2D::ReserveIndices(uint32_t n)
{
    if (n > maxIndices - indexCount)
        return nullptr;
    uint16_t* first = mesh->indices.data() + indexCount;
    indexCount += n;
    mesh->indexCount = indexCount;
    return first;
}

Gfx2DVertex* cGfx2D::ReserveVertices(uint32_t n)
{
    if (n > maxVertices - vertexCount)
        return nullptr;
    Gfx2DVertex* first = Vertices(vertexCount);
    vertexCount += n;
    return first;
}

// ---- quads ----

void cGfx2D::WriteQuad(cImage* t, float left, float top, float right, float bottom, const float uv[8])
{
    const cVec2f corners[4] = {{left, top}, {right, top}, {left, bottom}, {right, bottom}};
    Gfx2DVertex* v = BeginQuad(t);
    PlacePoints(v, corners, 4);
    for (int i = 0; i < 4; ++i)
    {
        v[i].colour = colour;
        v[i].u = uv[2 * i];
        v[i].v = uv[2 * i + 1];
    }
}

void cGfx2D::DrawFrame(const ImageRect* frame, uint32_t align)
{
    // A rectangle whose picture is not on a page yet has nothing to draw.
    if (frame == nullptr || frame->image == nullptr)
        return;
    const Gfx2DBox b = AlignBox(float(frame->w) * 0.5f, float(frame->h) * 0.5f, align);
    const float uv[8] = {frame->uMin, frame->vMax, frame->uMax, frame->vMax,
                         frame->uMin, frame->vMin, frame->uMax, frame->vMin};
    WriteQuad(frame->image, b.left, b.top, b.right, b.bottom, uv);
}

void cGfx2D::DrawFrameRegion(const ImageRect* frame, int32_t sx, int32_t sy, int32_t w, int32_t h, uint32_t align)
{
    if (frame == nullptr || frame->image == nullptr || frame->w == 0 || frame->h == 0)
        return;
    const Gfx2DBox b = AlignBox(float(w) * 0.5f, float(h) * 0.5f, align);
    const float U = frame->du / float(frame->w);
    const float V = frame->dv / float(frame->h);
    const float u0 = frame->uMin + float(sx) * U;
    const float u1 = frame->uMin + float(sx + w) * U;
    const float v0 = frame->vMax - float(sy) * V;
    const float v1 = frame->vMax - float(sy + h) * V;
    const float uv[8] = {u0, v0, u1, v0, u0, v1, u1, v1};
    WriteQuad(frame->image, b.left, b.top, b.right, b.bottom, uv);
}

void cGfx2D::DrawImageQuad(cImage* image, const float src[4], const float dst[4])
{
    if (image == nullptr || image->width == 0 || image->height == 0 || src == nullptr || dst == nullptr)
        return;
    const float W = float(image->width);
    const float H = float(image->height);
    const cVec2f corners[4] = {{dst[0], dst[1]}, {dst[2], dst[1]}, {dst[0], dst[3]}, {dst[2], dst[3]}};
    const float uv[8] = {src[0] / W, src[3] / H, src[2] / W, src[3] / H, src[0] / W, src[1] / H, src[2] / W, src[1] / H};
    Gfx2DVertex* v = BeginQuad(image);
    // Always the full map.
    for (int i = 0; i < 4; ++i)
    {
        const cVec2f p = transform.TransformPoint(corners[i]);
        v[i].x = p.x;
        v[i].y = p.y;
        v[i].colour = colour;
        v[i].u = uv[2 * i];
        v[i].v = uv[2 * i + 1];
    }
}

void cGfx2D::DrawImage(cImage* image, uint32_t align)
{
    if (image == nullptr)
        return;
    // Integer halves: an odd size loses its half pixel.
    const Gfx2DBox b = AlignBox(float(image->width >> 1), float(image->height >> 1), align);
    const float uv[8] = {0.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f};
    WriteQuad(image, b.left, b.top, b.right, b.bottom, uv);
}

void cGfx2D::DrawImageRegion(cImage* image, int32_t sx, int32_t sy, int32_t w, int32_t h, uint32_t align)
{
    if (image == nullptr || image->width == 0 || image->height == 0)
        return;
    const Gfx2DBox b = AlignBox(float(w) * 0.5f, float(h) * 0.5f, align);
    const float W = float(image->width);
    const float H = float(image->height);
    const float u0 = float(sx) / W, u1 = float(sx + w) / W;
    const float vTop = float(sy + h) / H, vBottom = float(sy) / H;
    const float uv[8] = {u0, vTop, u1, vTop, u0, vBottom, u1, vBottom};
    WriteQuad(image, b.left, b.top, b.right, b.bottom, uv);
}

// ---- polygons and lines ----

void cGfx2D::WriteFan(cImage* t, const cVec2f* points, const uint32_t* colours, const cVec2f* uvs, uint32_t n,
                      Tint tint)
{
    Gfx2DVertex* v = BeginFan(t, n);
    PlacePoints(v, points, n);
    for (uint32_t i = 0; i < n; ++i)
    {
        if (colours == nullptr)
            v[i].colour = colour;
        else if (tint == Tint::Modulate && colour != kWhite)
            v[i].colour = ModulateColour(colours[i], colour);
        else
            v[i].colour = colours[i];
        if (uvs != nullptr)
        {
            v[i].u = uvs[i].x;
            v[i].v = uvs[i].y;
        }
        else if (t != nullptr)
        {
            v[i].u = 0.0f;
            v[i].v = 0.0f;
        }
    }
}

void cGfx2D::WriteFanSplit(cImage* t, const cVec2f* points, const uint32_t* colours, const cVec2f* uvs, uint32_t n,
                           Tint tint)
{
    if (points == nullptr || n < 3)
        return;
    if (n <= kMaxFanPoints)
    {
        WriteFan(t, points, colours, uvs, n, tint);
        return;
    }
    // More points than one batch holds: fans from point 0 over runs of the outline, each
    // run sharing its first point with the end of the one before.
    cVec2f p[kMaxFanPoints];
    uint32_t c[kMaxFanPoints];
    cVec2f uv[kMaxFanPoints];
    uint32_t start = 1;
    while (start + 1 < n)
    {
        const uint32_t run = std::min(kMaxFanPoints - 1, n - start);
        p[0] = points[0];
        std::copy(points + start, points + start + run, p + 1);
        if (colours != nullptr)
        {
            c[0] = colours[0];
            std::copy(colours + start, colours + start + run, c + 1);
        }
        if (uvs != nullptr)
        {
            uv[0] = uvs[0];
            std::copy(uvs + start, uvs + start + run, uv + 1);
        }
        WriteFan(t, p, colours != nullptr ? c : nullptr, uvs != nullptr ? uv : nullptr, run + 1, tint);
        start += run - 1;
    }
}

void cGfx2D::WriteLines(const cVec2f* points, const uint32_t* colours, uint32_t n, bool closed)
{
    Gfx2DVertex* v = BeginLines(n, closed);
    PlacePoints(v, points, n);
    for (uint32_t i = 0; i < n; ++i)
        v[i].colour = colours != nullptr ? colours[i] : colour;
}

void cGfx2D::DrawLineStrip(const cVec2f* points, const uint32_t* colours, uint32_t n, bool closed)
{
    if (points == nullptr || n < 2)
        return;
    if (n <= (closed ? kMaxClosedLinePoints : kMaxOpenLinePoints))
    {
        WriteLines(points, colours, n, closed);
        return;
    }
    // Longer than one batch: open pieces that share their end points, then the closing
    // segment.
    uint32_t start = 0;
    while (start + 1 < n)
    {
        const uint32_t run = std::min(kMaxOpenLinePoints, n - start);
        WriteLines(points + start, colours != nullptr ? colours + start : nullptr, run, false);
        start += run - 1;
    }
    if (closed)
    {
        const cVec2f ends[2] = {points[n - 1], points[0]};
        const uint32_t endColours[2] = {colours != nullptr ? colours[n - 1] : colour,
                                        colours != nullptr ? colours[0] : colour};
        WriteLines(ends, endColours, 2, false);
    }
}

void cGfx2D::DrawTexturedPolygon(const cVec2f* points, const uint32_t* colours, const cVec2f* uvs, cImage* image,
                                 uint32_t n)
{
    WriteFanSplit(image, points, colours, uvs, n, Tint::Modulate);
}

void cGfx2D::FillPolygon(const cVec2f* points, const uint32_t* colours, uint32_t n)
{
    WriteFanSplit(nullptr, points, colours, nullptr, n, Tint::Plain);
}

void cGfx2D::FillRect(float w, float h, uint32_t align)
{
    const Gfx2DBox b = AlignBox(w * 0.5f, h * 0.5f, align);
    const cVec2f ring[4] = {{b.left, b.top}, {b.right, b.top}, {b.right, b.bottom}, {b.left, b.bottom}};
    WriteFan(nullptr, ring, nullptr, nullptr, 4, Tint::Plain);
}

void cGfx2D::DrawMesh(cMesh* drawn, cMaterial* material)
{
    if (renderer != nullptr)
        renderer->DrawMesh(drawn, material);
}

// ---- text ----

void cGfx2D::DrawGlyphRun(const char* text)
{
    const cFont& f = *font;
    for (const auto* p = reinterpret_cast<const uint8_t*>(text); *p != 0; ++p)
    {
        // Bytes are unsigned here as in the font's measuring: 128 to 255 draw their glyphs.
        const FontGlyph* g = f.GlyphOf(*p);
        if (g == nullptr)
            continue;
        DrawFrameAt(*this, &g->rect, float(g->offsetX), -float(g->top), kAlignTopLeft);
        if (g->code >= 32)
            Translate(float(g->advance), 0.0f);
        if (p[1] != 0)
            Translate(float(g->KerningTo(f.KerningIndexOf(p[1]))), 0.0f);
    }
}

void cGfx2D::DrawText(uint8_t flags, const char* text)
{
    if (font == nullptr || text == nullptr)
        return;
    const int32_t width = font->MeasureText(text).width;
    PushTransform();
    Translate(PenX(flags, width), PenY(flags, *font));
    DrawGlyphRun(text);
    PopTransform();
}

void cGfx2D::DrawTextLayout(uint8_t flags, const cTextLayout* layout)
{
    if (layout == nullptr || layout->font == nullptr)
        return;
    const cFont* saved = font;
    font = layout->font;
    for (const cTextLayout::Line& line : layout->lines)
    {
        const int32_t width = font->MeasureText(line.text).width;
        PushTransform();
        Translate(PenX(flags, width), float(line.y) + PenY(flags, *font));
        DrawGlyphRun(line.text.c_str());
        PopTransform();
    }
    font = saved;
}

void cGfx2D::DrawTextRightAligned(const char* text, const uint32_t* colours)
{
    if (font == nullptr || text == nullptr)
        return;
    const cFont& f = *font;
    PushTransform();
    Translate(PenX(kAlignRight, f.MeasureText(text).width), float(f.maxTop));
    for (const auto* p = reinterpret_cast<const uint8_t*>(text); *p != 0; ++p)
    {
        const FontGlyph* g = f.GlyphOf(*p);
        if (g == nullptr)
            continue;
        PushTransform();
        Translate(float(g->offsetX), -float(g->top));
        DrawGlyph(&g->rect, colours);
        PopTransform();
        if (g->code >= 32)
            Translate(float(g->advance), 0.0f);
        if (p[1] != 0)
            Translate(float(g->KerningTo(f.KerningIndexOf(p[1]))), 0.0f);
    }
    PopTransform();
}

// ---- state ----

void cGfx2D::SetRenderFlags(uint32_t flags)
{
    if (flags == renderFlags)
        return;
    Flush();
    renderFlags = flags;
}

void cGfx2D::SetRenderFlagsHigh(uint16_t blend)
{
    if (blend == uint16_t(renderFlags >> 16))
        return;
    Flush();
    renderFlags = (renderFlags & 0xFFFFu) | (uint32_t(blend) << 16);
}

void cGfx2D::SetScissor(int32_t x, int32_t y, int32_t width, int32_t height)
{
    Flush();
    if (renderer != nullptr)
        renderer->SetScissor(x, y, width, height);
}

void cGfx2D::ClearScissor()
{
    Flush();
    if (renderer != nullptr)
        renderer->DisableScissor();
}

void cGfx2D::SetExtraTexture(cImage* image)
{
    if (image == extraTexture)
        return;
    Flush();
    extraTexture = image;
}

void cGfx2D::PushTransform() { transformStack.push_back(transform); }

void cGfx2D::PopTransform()
{
    if (transformStack.empty())
        return;
    transform = transformStack.back();
    transformStack.pop_back();
}

void cGfx2D::PushState()
{
    transformStack.push_back(transform);
    colourStack.push_back(colour);
    layerStack.push_back(layer);
}

void cGfx2D::PopState()
{
    PopTransform();
    if (!colourStack.empty())
    {
        colour = colourStack.back();
        colourStack.pop_back();
    }
    PopLayer();
}

void cGfx2D::PushLayer() { layerStack.push_back(layer); }

void cGfx2D::PopLayer()
{
    if (layerStack.empty())
        return;
    layer = layerStack.back();
    layerStack.pop_back();
}

// ---- frame ----

void cGfx2D::Begin()
{
    if (renderer == nullptr)
        return;
    renderer->LoadIdentityModel();
    cCamera camera;
    camera.SetOrthoRect(0.0f, float(GetScreenHeight()), float(GetScreenWidth()), 0.0f);
    camera.SetNearPlane(-1.0f);
    camera.SetFarPlane(1.0f);
    camera.UpdateProjection();
    renderer->SetCamera(camera);
}

void cGfx2D::SaveRendererState()
{
    if (renderer == nullptr)
        return;
    savedCamera = renderer->camera;
    renderer->PushModelMatrix();
}

void cGfx2D::RestoreRendererState()
{
    Flush();
    if (renderer == nullptr)
        return;
    renderer->PopModelMatrix();
    renderer->SetCamera(savedCamera);
}

// ---- shapes ----

void cGfx2D::DrawLine(float x0, float y0, float x1, float y1)
{
    const cVec2f points[2] = {{x0, y0}, {x1, y1}};
    DrawLineStrip(points, nullptr, 2, false);
}

void cGfx2D::DrawLine(const cVec2f& a, const cVec2f& b) { DrawLine(a.x, a.y, b.x, b.y); }

namespace
{
void CirclePoints(cVec2f points[16], float radius)
{
    for (int i = 0; i < 16; ++i)
    {
        const float a = float(i) * 0.0625f * kTwoPi;
        points[i] = cVec2f(-std::sin(a) * radius, std::cos(a) * radius);
    }
}
} // namespace

void cGfx2D::FillCircle(float radius)
{
    cVec2f points[16];
    CirclePoints(points, radius);
    FillPolygon(points, nullptr, 16);
}

void cGfx2D::DrawCircleOutline(float radius)
{
    cVec2f points[16];
    CirclePoints(points, radius);
    DrawLineStrip(points, nullptr, 16, true);
}

void cGfx2D::DrawRectOutline(const float rect[4])
{
    const cVec2f points[4] = {{rect[0], rect[1]}, {rect[2], rect[1]}, {rect[2], rect[3]}, {rect[0], rect[3]}};
    DrawLineStrip(points, nullptr, 4, true);
}

void cGfx2D::DrawOrientedBoxOutline(const cOBox2f& box)
{
    cVec2f points[4];
    for (int k = 0; k < 4; ++k)
        points[k] = box.GetCorner(k);
    DrawLineStrip(points, nullptr, 4, true);
}

void cGfx2D::DrawGlyph(const ImageRect* frame, const uint32_t* colours)
{
    if (frame == nullptr)
        return;
    const float w = float(frame->w), h = float(frame->h);
    const cVec2f points[4] = {{0.0f, 0.0f}, {w, 0.0f}, {w, h}, {0.0f, h}};
    const cVec2f uvs[4] = {{frame->uMin, frame->vMax}, {frame->uMax, frame->vMax}, {frame->uMax, frame->vMin},
                           {frame->uMin, frame->vMin}};
    DrawTexturedPolygon(points, colours, uvs, frame->image, 4);
}

void cGfx2D::DrawThickLine(const ImageRect* frame, const cVec2f& a, const cVec2f& b, float width)
{
    if (frame == nullptr)
        return;
    const cVec2f d(b.x - a.x, b.y - a.y);
    const float r = InvSqrtFast(d.x * d.x + d.y * d.y);
    const cVec2f n(d.x * r, d.y * r);
    const cVec2f o(-n.y * width * 0.5f, n.x * width * 0.5f);
    const cVec2f points[4] = {{a.x - o.x, a.y - o.y}, {a.x + o.x, a.y + o.y}, {b.x + o.x, b.y + o.y},
                              {b.x - o.x, b.y - o.y}};
    const cVec2f uvs[4] = {{frame->uMin, frame->vMin}, {frame->uMax, frame->vMin}, {frame->uMax, frame->vMax},
                           {frame->uMin, frame->vMax}};
    DrawTexturedPolygon(points, nullptr, uvs, frame->image, 4);
}

float cGfx2D::DrawNumber(uint32_t value, const ImageRect* const digits[10], float x, float y, uint8_t align,
                         float spacing)
{
    if (digits == nullptr)
        return x;
    auto frameW = [&](uint32_t d) { return digits[d] != nullptr ? float(digits[d]->w) : 0.0f; };
    auto frameH = [&](uint32_t d) { return digits[d] != nullptr ? float(digits[d]->h) : 0.0f; };
    uint32_t slots[10];
    uint32_t rest = value;
    for (int k = 9; k >= 0; --k)
    {
        slots[k] = rest % 10;
        rest /= 10;
    }
    int first = 0;
    while (first < 10 && slots[first] == 0)
        ++first;
    // The width of the value's digits from the first non-zero one (none for 0).
    float total = 0.0f;
    for (int k = first; k < 10; ++k)
        total += frameW(slots[k]) + spacing;
    if (value == 0)
        first = 9;

    if (align & kAlignRight)
        x -= total + (value == 0 ? frameW(0) : 0.0f);
    else if (!(align & kAlignLeft))
        x -= total / 2.0f + (value == 0 ? frameW(0) / 2.0f : 0.0f);
    const float height = frameH(slots[0]);
    if (align & kAlignTop)
        y += height;
    else if (!(align & kAlignBottom))
        y -= height / 2.0f;

    for (int k = first; k < 10; ++k)
    {
        DrawFrameAt(*this, digits[slots[k]], x, y, kAlignTopLeft);
        x += frameW(slots[k]) + spacing;
    }
    return x;
}

// ---- convenience operations ----

namespace
{
// Push, translate, run, pop.
template <class Call>
void AtPoint(cGfx2D& gfx, float x, float y, Call call)
{
    gfx.PushTransform();
    gfx.Translate(x, y);
    call();
    gfx.PopTransform();
}
} // namespace

void FillRectAt(cGfx2D& gfx, float x, float y, float w, float h)
{
    AtPoint(gfx, x, y, [&] { gfx.FillRect(w, h, kAlignTopLeft); });
}

void FillRectAtInt(cGfx2D& gfx, int32_t x, int32_t y, int32_t w, int32_t h)
{
    FillRectAt(gfx, float(x), float(y), float(w), float(h));
}

void DrawTextAt(cGfx2D& gfx, float x, float y, uint8_t flags, const char* text)
{
    AtPoint(gfx, x, y, [&] { gfx.DrawText(flags, text); });
}

void DrawTextAtPoint(cGfx2D& gfx, const cVec2f& p, uint8_t flags, const char* text)
{
    DrawTextAt(gfx, p.x, p.y, flags, text);
}

void DrawTextLayoutAt(cGfx2D& gfx, float x, float y, uint8_t flags, const cTextLayout* layout)
{
    AtPoint(gfx, x, y, [&] { gfx.DrawTextLayout(flags, layout); });
}

void DrawTextLayoutAtPoint(cGfx2D& gfx, const cVec2f& p, uint8_t flags, const cTextLayout* layout)
{
    DrawTextLayoutAt(gfx, p.x, p.y, flags, layout);
}

void DrawImageAt(cGfx2D& gfx, cImage* image, float x, float y, uint32_t align)
{
    AtPoint(gfx, x, y, [&] { gfx.DrawImage(image, align); });
}

void DrawImageRegionAt(cGfx2D& gfx, cImage* image, float x, float y, int32_t sx, int32_t sy, int32_t w, int32_t h,
                       uint32_t align)
{
    AtPoint(gfx, x, y, [&] { gfx.DrawImageRegion(image, sx, sy, w, h, align); });
}

void DrawFrameAt(cGfx2D& gfx, const ImageRect* frame, float x, float y, uint32_t align)
{
    AtPoint(gfx, x, y, [&] { gfx.DrawFrame(frame, align); });
}

void DrawFrameRotatedAt(cGfx2D& gfx, const ImageRect* frame, float x, float y, float angle, uint32_t align)
{
    AtPoint(gfx, x, y, [&] {
        gfx.Rotate(angle);
        gfx.DrawFrame(frame, align);
    });
}

void DrawFrameScaledAt(cGfx2D& gfx, const ImageRect* frame, float x, float y, float sx, float sy)
{
    AtPoint(gfx, x, y, [&] {
        gfx.Scale(sx, sy);
        gfx.DrawFrame(frame, kAlignCentre);
    });
}

void DrawFrameRegionAt(cGfx2D& gfx, const ImageRect* frame, float x, float y, int32_t sx, int32_t w, int32_t h)
{
    AtPoint(gfx, x, y, [&] { gfx.DrawFrameRegion(frame, sx, 0, w, h, kAlignTopLeft); });
}

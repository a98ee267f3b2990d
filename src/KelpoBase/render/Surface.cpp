#include "KelpoBase/render/Surface.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>
#include <new>

uint32_t BitsPerPixel(uint32_t format)
{
    switch (format)
    {
    case kFormatRGBA8888:
    case kFormatBGRA8888:
        return 32;
    case kFormatRGBA5551:
    case kFormatRGB565:
    case kFormatLA88:
        return 16;
    case kFormatRGB888:
        return 24;
    case kFormatL8:
        return 8;
    case kFormatPalette8:
        return 1;
    default:
        return 0;
    }
}

namespace
{
uint8_t* NewBuffer(uint64_t bytes)
{
    if (bytes == 0 || bytes > 0xFFFFFFFFull)
        return nullptr;
    return new (std::nothrow) uint8_t[bytes]();
}
} // namespace

cSurface::cSurface(uint32_t w, uint32_t h, uint32_t fmt)
{
    if (fmt < kFormatNone)
        Allocate(fmt, w, h);
}

cSurface::cSurface(uint32_t w, uint32_t h) { Allocate(kFormatRGBA8888, w, h); }

cSurface::~cSurface() { Clear(); }

bool cSurface::Allocate(uint32_t fmt, uint32_t w, uint32_t h)
{
    Clear();
    format = fmt;
    width = w;
    height = h;
    bpp = BitsPerPixel(fmt);
    uint32_t bytesPerPixel = bpp / 8;
    if (fmt == kFormatPalette8)
    {
        // One index byte a pixel and a 256-entry palette of R, G, B.
        bpp = 8;
        bytesPerPixel = 1;
        palette = new (std::nothrow) uint8_t[256 * 3]();
    }
    const uint64_t bytes = uint64_t(bytesPerPixel) * w * h;
    if (bytes == 0)
        return true;
    pixels = NewBuffer(bytes);
    if (pixels == nullptr)
    {
        Clear();
        return false;
    }
    size = uint32_t(bytes);
    return true;
}

void cSurface::Clear()
{
    format = kFormatNone;
    width = 0;
    height = 0;
    bpp = 0;
    size = 0;
    delete[] pixels;
    pixels = nullptr;
    delete[] palette;
    palette = nullptr;
}

void cSurface::AdoptPixels(uint8_t* buffer, uint32_t byteSize)
{
    delete[] pixels;
    pixels = buffer;
    size = buffer ? byteSize : 0;
}

void cSurface::SetPixels(uint8_t* buffer)
{
    if (buffer != pixels)
        delete[] pixels;
    pixels = buffer;
}

void cSurface::SetPalette(uint8_t* buffer)
{
    if (buffer != palette)
        delete[] palette;
    palette = buffer;
}

void cSurface::RecomputeSize()
{
    const uint64_t bytes = uint64_t(bpp / 8) * width * height;
    size = bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(bytes);
}

uint32_t cSurface::GetPixel(int32_t x, int32_t y) const
{
    if (pixels == nullptr || x < 0 || y < 0 || uint32_t(x) >= width || uint32_t(y) >= height)
        return 0;
    const size_t index = size_t(y) * width + uint32_t(x);
    switch (format)
    {
    case kFormatRGBA8888:
    {
        uint32_t word;
        std::memcpy(&word, pixels + index * 4, 4);
        return word;
    }
    case kFormatRGB888:
    {
        const uint8_t* p = pixels + index * 3;
        return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
    }
    case kFormatPalette8:
        return pixels[index];
    default:
        return 0;
    }
}

uint32_t cSurface::GetPixelChecked(int32_t x, int32_t y) const
{
    if (x < 0 || y < 0 || uint32_t(x) >= width || uint32_t(y) >= height)
        return 0;
    return GetPixel(x, y);
}

SurfaceRGBA cSurface::GetPixelRGBA(int32_t x, int32_t y) const
{
    SurfaceRGBA white{255, 255, 255, 255};
    if (pixels == nullptr || x < 0 || y < 0 || uint32_t(x) >= width || uint32_t(y) >= height)
        return white;
    const size_t index = size_t(y) * width + uint32_t(x);
    if (format == kFormatRGBA8888)
    {
        const uint8_t* p = pixels + index * 4;
        return {p[0], p[1], p[2], p[3]};
    }
    if (format == kFormatRGB888)
    {
        const uint8_t* p = pixels + index * 3;
        return {p[0], p[1], p[2], 255};
    }
    return white;
}

void cSurface::SetPixel(int32_t x, int32_t y, uint32_t value)
{
    if (pixels == nullptr || x < 0 || y < 0 || uint32_t(x) >= width || uint32_t(y) >= height)
        return;
    const size_t index = size_t(y) * width + uint32_t(x);
    if (format == kFormatRGBA8888)
        std::memcpy(pixels + index * 4, &value, 4);
    else if (format == kFormatRGB888)
    {
        uint8_t* p = pixels + index * 3;
        p[0] = uint8_t(value);
        p[1] = uint8_t(value >> 8);
        p[2] = uint8_t(value >> 16);
    }
}

SurfaceRect cSurface::Intersect(const SurfaceRect& a, const SurfaceRect& b)
{
    // 64-bit sums: rectangles near the integer limits must not overflow.
    const int64_t x = std::max(a.x, b.x);
    const int64_t y = std::max(a.y, b.y);
    const int64_t right = std::min(int64_t(a.x) + a.w, int64_t(b.x) + b.w);
    const int64_t bottom = std::min(int64_t(a.y) + a.h, int64_t(b.y) + b.h);
    SurfaceRect r;
    r.x = int32_t(x);
    r.y = int32_t(y);
    r.w = int32_t(std::clamp<int64_t>(right - x, INT32_MIN, INT32_MAX));
    r.h = int32_t(std::clamp<int64_t>(bottom - y, INT32_MIN, INT32_MAX));
    return r;
}

void cSurface::Blit(const SurfaceRect& sr, const cSurface* src, cSurface* dst, const SurfaceRect& dr)
{
    if (src == nullptr || dst == nullptr || src->format != dst->format || sr.w != dr.w || sr.h != dr.h)
        return;
    const uint32_t bytesPerPixel = src->bpp / 8;
    if (bytesPerPixel == 0 || src->pixels == nullptr || dst->pixels == nullptr || src->bpp != dst->bpp)
        return;
    const SurfaceRect s = Intersect({0, 0, int32_t(src->width), int32_t(src->height)}, sr);
    if (s.w < 1 || s.h < 1)
        return;
    const SurfaceRect d = Intersect({0, 0, int32_t(dst->width), int32_t(dst->height)}, dr);
    if (d.w < 1 || d.h < 1)
        return;
    const int32_t rows = std::min(s.h, d.h);
    const size_t rowBytes = size_t(std::min(s.w, d.w)) * bytesPerPixel;
    const size_t srcPitch = size_t(src->width) * bytesPerPixel;
    const size_t dstPitch = size_t(dst->width) * bytesPerPixel;
    auto copyRow = [&](int32_t row) {
        const uint8_t* from = src->pixels + size_t(s.y + row) * srcPitch + size_t(s.x) * bytesPerPixel;
        uint8_t* to = dst->pixels + size_t(d.y + row) * dstPitch + size_t(d.x) * bytesPerPixel;
        std::memmove(to, from, rowBytes);
    };
    // Within one surface, copying downwards goes from the last row up so that no source
    // row is overwritten before it is read.
    if (src == dst && d.y > s.y)
        for (int32_t row = rows - 1; row >= 0; --row)
            copyRow(row);
    else
        for (int32_t row = 0; row < rows; ++row)
            copyRow(row);
}

void cSurface::ExtrudeEdges(const SurfaceRect& r, cSurface* surface)
{
    Blit({r.x, r.y, 1, r.h}, surface, surface, {r.x - 1, r.y, 1, r.h});
    Blit({r.x + r.w - 1, r.y, 1, r.h}, surface, surface, {r.x + r.w, r.y, 1, r.h});
    Blit({r.x - 1, r.y, r.w + 2, 1}, surface, surface, {r.x - 1, r.y - 1, r.w + 2, 1});
    Blit({r.x - 1, r.y + r.h - 1, r.w + 2, 1}, surface, surface, {r.x - 1, r.y + r.h, r.w + 2, 1});
}

cSurface* cSurface::Copy() const
{
    cSurface* copy = new cSurface();
    copy->format = format;
    copy->width = width;
    copy->height = height;
    copy->bpp = bpp;
    copy->mipCount = mipCount;
    if (pixels != nullptr && size != 0)
    {
        uint8_t* buffer = NewBuffer(size);
        if (buffer == nullptr)
        {
            delete copy;
            return nullptr;
        }
        std::memcpy(buffer, pixels, size);
        copy->AdoptPixels(buffer, size);
    }
    if (palette != nullptr)
    {
        copy->palette = new uint8_t[256 * 3];
        std::memcpy(copy->palette, palette, 256 * 3);
    }
    return copy;
}

void cSurface::ReplacePixels(uint8_t* buffer, uint32_t byteSize, uint32_t newWidth, uint32_t newHeight)
{
    delete[] pixels;
    pixels = buffer;
    size = buffer ? byteSize : 0;
    width = newWidth;
    height = newHeight;
}

void cSurface::ConvertRGBToRGBA()
{
    if (format != kFormatRGB888 || pixels == nullptr)
        return;
    const size_t count = size_t(width) * height;
    uint8_t* buffer = NewBuffer(uint64_t(count) * 4);
    if (buffer == nullptr)
        return;
    for (size_t i = 0; i < count; ++i)
    {
        buffer[i * 4 + 0] = pixels[i * 3 + 0];
        buffer[i * 4 + 1] = pixels[i * 3 + 1];
        buffer[i * 4 + 2] = pixels[i * 3 + 2];
        buffer[i * 4 + 3] = 255;
    }
    ReplacePixels(buffer, uint32_t(count * 4), width, height);
    format = kFormatRGBA8888;
    bpp = 32;
}

void cSurface::ConvertRGBAToRGB()
{
    if (format != kFormatRGBA8888 || pixels == nullptr)
        return;
    const size_t count = size_t(width) * height;
    uint8_t* buffer = NewBuffer(uint64_t(count) * 3);
    if (buffer == nullptr)
        return;
    for (size_t i = 0; i < count; ++i)
        std::memcpy(buffer + i * 3, pixels + i * 4, 3);
    ReplacePixels(buffer, uint32_t(count * 3), width, height);
    format = kFormatRGB888;
    bpp = 24;
}

void cSurface::ConvertRGB565ToRGBA(uint8_t alpha)
{
    if (format != kFormatRGB565 || pixels == nullptr)
        return;
    const size_t count = size_t(width) * height;
    uint8_t* buffer = NewBuffer(uint64_t(count) * 4);
    if (buffer == nullptr)
        return;
    for (size_t i = 0; i < count; ++i)
    {
        uint16_t word;
        std::memcpy(&word, pixels + i * 2, 2);
        buffer[i * 4 + 0] = uint8_t((word >> 8) & 0xF8);
        buffer[i * 4 + 1] = uint8_t((word >> 3) & 0xFC);
        buffer[i * 4 + 2] = uint8_t(word << 3);
        buffer[i * 4 + 3] = alpha;
    }
    ReplacePixels(buffer, uint32_t(count * 4), width, height);
    format = kFormatRGBA8888;
    bpp = 32;
}

void cSurface::ConvertToRGB565()
{
    if ((format != kFormatRGBA8888 && format != kFormatRGB888) || pixels == nullptr)
        return;
    const uint32_t step = bpp / 8;
    const size_t count = size_t(width) * height;
    uint8_t* buffer = NewBuffer(uint64_t(count) * 2);
    if (buffer == nullptr)
        return;
    for (size_t i = 0; i < count; ++i)
    {
        const uint8_t* p = pixels + i * step;
        const uint16_t word = uint16_t(((p[0] >> 3) << 11) + ((p[1] >> 2) << 5) + (p[2] >> 3));
        std::memcpy(buffer + i * 2, &word, 2);
    }
    ReplacePixels(buffer, uint32_t(count * 2), width, height);
    format = kFormatRGB565;
    bpp = 16;
}

void cSurface::SwapRedBlue()
{
    if ((format != kFormatRGBA8888 && format != kFormatRGB888) || pixels == nullptr)
        return;
    const uint32_t step = bpp / 8;
    const size_t count = size_t(width) * height;
    for (size_t i = 0; i < count; ++i)
        std::swap(pixels[i * step], pixels[i * step + 2]);
}

void cSurface::SetColourWhite()
{
    if (format != kFormatRGBA8888 || pixels == nullptr)
        return;
    const size_t count = size_t(width) * height;
    for (size_t i = 0; i < count; ++i)
        std::memset(pixels + i * 4, 255, 3);
}

void cSurface::ClearInvisibleColour()
{
    if (format != kFormatRGBA8888 || pixels == nullptr)
        return;
    const size_t count = size_t(width) * height;
    for (size_t i = 0; i < count; ++i)
        if (pixels[i * 4 + 3] == 0)
            std::memset(pixels + i * 4, 0, 3);
}

namespace
{
// One invisible pixel takes the mean colour of its visible neighbours among the given
// ones (those inside the surface); it keeps its colour when none is visible.
void BleedPixel(uint8_t* p, const uint8_t* const* neighbours, int count)
{
    uint32_t r = 0, g = 0, b = 0, visible = 0;
    for (int i = 0; i < count; ++i)
    {
        const uint8_t* n = neighbours[i];
        if (n[3] == 0)
            continue;
        r += n[0];
        g += n[1];
        b += n[2];
        ++visible;
    }
    if (visible != 0)
    {
        p[0] = uint8_t(r / visible);
        p[1] = uint8_t(g / visible);
        p[2] = uint8_t(b / visible);
    }
}

// A pixel on the surface's border: only the neighbours inside it count.
void BleedBorderPixel(uint8_t* pixels, size_t w, size_t h, size_t x, size_t y)
{
    uint8_t* p = pixels + (y * w + x) * 4;
    if (p[3] != 0)
        return;
    const uint8_t* neighbours[8];
    int count = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
        {
            const ptrdiff_t nx = ptrdiff_t(x) + dx, ny = ptrdiff_t(y) + dy;
            if ((dx != 0 || dy != 0) && nx >= 0 && ny >= 0 && nx < ptrdiff_t(w) && ny < ptrdiff_t(h))
                neighbours[count++] = pixels + (size_t(ny) * w + size_t(nx)) * 4;
        }
    BleedPixel(p, neighbours, count);
}
} // namespace

void cSurface::BleedIntoTransparent()
{
    if (format != kFormatRGBA8888 || pixels == nullptr)
        return;
    // Only visible pixels are read and only invisible ones are written (their alpha stays
    // 0), so every pixel's result depends on the picture as it was, whatever the order:
    // the border and the inside are done apart, the inside without any bounds tests.
    // Only columns next to a visible pixel of the row or the rows beside it can change:
    // each row's first and last visible columns bound the work (an atlas page has
    // empty stretches below and to the right of its pictures).
    const size_t w = width, h = height, stride = size_t(width) * 4;
    std::vector<size_t> first(h, w), last(h, 0); // first > last: no visible pixel
    for (size_t y = 0; y < h; ++y)
    {
        const uint8_t* row = pixels + y * stride;
        size_t x = 0;
        while (x < w && row[x * 4 + 3] == 0)
            ++x;
        if (x == w)
            continue;
        first[y] = x;
        size_t end = w - 1;
        while (row[end * 4 + 3] == 0)
            --end;
        last[y] = end;
    }
    for (size_t y = 0; y < h; ++y)
    {
        size_t from = w, to = 0;
        for (size_t row = y > 0 ? y - 1 : 0; row <= y + 1 && row < h; ++row)
        {
            if (first[row] > last[row])
                continue;
            from = std::min(from, first[row] > 0 ? first[row] - 1 : 0);
            to = std::max(to, std::min(last[row] + 1, w - 1));
        }
        if (from > to)
            continue;
        if (y == 0 || y + 1 == h || w < 3)
        {
            for (size_t x = from; x <= to; ++x)
                BleedBorderPixel(pixels, w, h, x, y);
            continue;
        }
        if (from == 0)
            BleedBorderPixel(pixels, w, h, 0, y);
        if (to == w - 1)
            BleedBorderPixel(pixels, w, h, w - 1, y);
        uint8_t* row = pixels + y * stride;
        for (size_t x = std::max<size_t>(from, 1); x <= to && x + 1 < w; ++x)
        {
            uint8_t* p = row + x * 4;
            if (p[3] != 0)
                continue;
            const uint8_t* up = p - stride;
            const uint8_t* down = p + stride;
            // Most invisible pixels have no visible neighbour at all.
            if ((up[-1] | up[3] | up[7] | p[-1] | p[7] | down[-1] | down[3] | down[7]) == 0)
                continue;
            const uint8_t* const neighbours[8] = {up - 4, up, up + 4, p - 4, p + 4, down - 4, down, down + 4};
            BleedPixel(p, neighbours, 8);
        }
    }
}

bool cSurface::HasWholeBytePixels() const
{
    return pixels != nullptr && bpp >= 8 && bpp % 8 == 0 && uint64_t(width) * height * (bpp / 8) <= size;
}

namespace
{
// Moves every pixel of a w x h picture to the place the mapping gives in a picture of
// width newWidth; returns the new buffer or null.
template <class Map>
uint8_t* Remap(const uint8_t* pixels, uint32_t w, uint32_t h, uint32_t step, uint32_t newWidth, Map map)
{
    uint8_t* buffer = NewBuffer(uint64_t(w) * h * step);
    if (buffer == nullptr)
        return nullptr;
    for (uint32_t y = 0; y < h; ++y)
    {
        for (uint32_t x = 0; x < w; ++x)
        {
            uint32_t tx, ty;
            map(x, y, tx, ty);
            std::memcpy(buffer + (size_t(ty) * newWidth + tx) * step, pixels + (size_t(y) * w + x) * step, step);
        }
    }
    return buffer;
}
} // namespace

void cSurface::Rotate90()
{
    if (!HasWholeBytePixels())
        return;
    const uint32_t w = width, h = height;
    uint8_t* buffer = Remap(pixels, w, h, bpp / 8, h, [w](uint32_t x, uint32_t y, uint32_t& tx, uint32_t& ty) {
        tx = y;
        ty = w - 1 - x;
    });
    if (buffer != nullptr)
        ReplacePixels(buffer, size, h, w);
}

void cSurface::Rotate90Back()
{
    if (!HasWholeBytePixels())
        return;
    const uint32_t w = width, h = height;
    uint8_t* buffer = Remap(pixels, w, h, bpp / 8, h, [h](uint32_t x, uint32_t y, uint32_t& tx, uint32_t& ty) {
        tx = h - 1 - y;
        ty = x;
    });
    if (buffer != nullptr)
        ReplacePixels(buffer, size, h, w);
}

void cSurface::Rotate180()
{
    if (!HasWholeBytePixels())
        return;
    const uint32_t w = width, h = height;
    uint8_t* buffer = Remap(pixels, w, h, bpp / 8, w, [w, h](uint32_t x, uint32_t y, uint32_t& tx, uint32_t& ty) {
        tx = w - 1 - x;
        ty = h - 1 - y;
    });
    if (buffer != nullptr)
        ReplacePixels(buffer, size, w, h);
}

void cSurface::MirrorHorizontal()
{
    if (!HasWholeBytePixels())
        return;
    const uint32_t w = width, h = height;
    uint8_t* buffer = Remap(pixels, w, h, bpp / 8, w, [w](uint32_t x, uint32_t y, uint32_t& tx, uint32_t& ty) {
        tx = w - 1 - x;
        ty = y;
    });
    if (buffer != nullptr)
        ReplacePixels(buffer, size, w, h);
}

void cSurface::FlipVertical()
{
    if (!HasWholeBytePixels())
        return;
    const size_t pitch = size_t(width) * (bpp / 8);
    uint8_t* buffer = NewBuffer(uint64_t(pitch) * height);
    if (buffer == nullptr)
        return;
    for (uint32_t y = 0; y < height; ++y)
        std::memcpy(buffer + size_t(height - 1 - y) * pitch, pixels + size_t(y) * pitch, pitch);
    ReplacePixels(buffer, size, width, height);
}

void cSurface::Resize(uint32_t newWidth, uint32_t newHeight)
{
    if (newWidth == width && newHeight == height)
        return;
    if (!HasWholeBytePixels())
        return;
    const uint32_t step = bpp / 8;
    if (newWidth == 0 || newHeight == 0)
    {
        // Nothing to sample into: a picture of that size has no pixels.
        ReplacePixels(nullptr, 0, newWidth, newHeight);
        return;
    }
    uint8_t* buffer = NewBuffer(uint64_t(newWidth) * newHeight * step);
    if (buffer == nullptr)
        return;
    const uint64_t stepX = (uint64_t(width) << 16) / newWidth;
    const uint64_t stepY = (uint64_t(height) << 16) / newHeight;
    for (uint32_t y = 0; y < newHeight; ++y)
    {
        const uint32_t sy = uint32_t((y * stepY) >> 16);
        for (uint32_t x = 0; x < newWidth; ++x)
        {
            const uint32_t sx = uint32_t((x * stepX) >> 16);
            std::memcpy(buffer + (size_t(y) * newWidth + x) * step, pixels + (size_t(sy) * width + sx) * step, step);
        }
    }
    ReplacePixels(buffer, uint32_t(uint64_t(newWidth) * newHeight * step), newWidth, newHeight);
}

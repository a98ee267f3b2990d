// cSurface: an in-memory picture in one of the engine's pixel formats.
//
// Rows are stored one after another with no padding, top to bottom unless `flipped` is
// set (then the first stored row is the bottom row of the picture). Compressed formats
// keep the encoded bytes as read from their file, mip levels included.
#pragma once

#include <cstdint>
#include <string>

#include "KelpoBase/render/Resource.h"

// Pixel format codes.
enum : uint32_t
{
    kFormatRGBA8888 = 0,  // bytes R, G, B, A
    kFormatRGBA5551 = 1,  // one 16-bit word
    kFormatRGB888 = 2,    // bytes R, G, B
    kFormatRGB565 = 3,    // one 16-bit word, red in the top bits
    kFormatPVRTC2 = 4,    // 2 bits a pixel, opaque
    kFormatPVRTC2A = 5,   // 2 bits a pixel, with alpha
    kFormatPVRTC4 = 6,    // 4 bits a pixel, opaque
    kFormatPVRTC4A = 7,   // 4 bits a pixel, with alpha
    kFormatLA88 = 8,      // luminance, alpha
    kFormatL8 = 9,        // luminance
    kFormatBGRA8888 = 10, // bytes B, G, R, A
    kFormatPalette8 = 11, // one index byte a pixel; the palette (R, G, B a entry) is the auxiliary buffer
    kFormatNone = 12,     // no pixels
};

// Bits a pixel of a format: 32, 16, 24, 8, 1 for the palette format, 0 for compressed or none.
uint32_t BitsPerPixel(uint32_t format);

struct SurfaceRect
{
    int32_t x = 0, y = 0, w = 0, h = 0;
};

struct SurfaceRGBA
{
    uint8_t r, g, b, a;
};

class cSurface : public cResource
{
    KELPO_DECLARE_CLASS(cSurface, cResource)
public:
    // The empty surface: format 12, no pixels.
    cSurface() = default;
    // A zero-filled surface of the format (an empty one for format 12 and above).
    cSurface(uint32_t width, uint32_t height, uint32_t format);
    // A zero-filled RGBA 8:8:8:8 surface.
    cSurface(uint32_t width, uint32_t height);
    ~cSurface() override;

    // Sets the format, size and bits a pixel and a new zero-filled buffer. Meant for a fresh
    // surface; an earlier buffer is freed. When the buffer cannot be had the surface is
    // left empty (format 12) and false comes back.
    bool Allocate(uint32_t format, uint32_t width, uint32_t height);
    // Format 12, no size, no pixels, no palette.
    void Clear();
    // Takes ownership of a buffer allocated with new[] (the decoders hand theirs over).
    void AdoptPixels(uint8_t* buffer, uint32_t byteSize);

    uint8_t* GetPixels() const { return pixels; }
    uint32_t GetWidth() const { return width; }
    uint32_t GetHeight() const { return height; }
    uint32_t GetFormat() const { return format; }
    void SetFormat(uint32_t code) { format = code; }
    uint32_t GetBytesPerPixel() const { return bpp / 8; }
    void SetBitsPerPixel(uint32_t n) { bpp = n; }
    bool IsFlipped() const { return flipped != 0; }
    // Marks the rows as stored bottom to top.
    void SetFlipped() { flipped = 1; }
    uint32_t GetSize() const { return size; }

    // Field setters for code that assembles a surface piece by piece; the caller keeps
    // the size, dimensions and bits a pixel in agreement with the buffer.
    void SetWidth(uint32_t w) { width = w; }
    void SetHeight(uint32_t h) { height = h; }
    void SetMipCount(uint32_t n) { mipCount = n; }
    void SetSize(uint32_t n) { size = n; }
    // Take ownership of a buffer allocated with new[] (pixels; a palette of 256 R, G, B
    // entries), freeing the one held before.
    void SetPixels(uint8_t* buffer);
    void SetPalette(uint8_t* buffer);
    // size = bytes a pixel x width x height (held at the largest 32-bit value).
    void RecomputeSize();

    // Format 0: the pixel's word as stored; format 2: R | G << 8 | B << 16 (the same byte
    // order as format 0 and as SetPixel); format 11: the index byte; others: 0.
    uint32_t GetPixel(int32_t x, int32_t y) const;
    // 0 outside the picture, else GetPixel.
    uint32_t GetPixelChecked(int32_t x, int32_t y) const;
    // Formats 0 and 2 (A = 255); opaque white for every other format.
    SurfaceRGBA GetPixelRGBA(int32_t x, int32_t y) const;
    // Format 0: the 32-bit value; format 2: its bytes 0, 1, 2; others: nothing.
    void SetPixel(int32_t x, int32_t y, uint32_t value);

    static SurfaceRect Intersect(const SurfaceRect& a, const SurfaceRect& b);
    // Copies between surfaces of one format and rectangles of one size, clipped to both
    // surfaces. Source and destination may be the same surface, overlapping or not.
    static void Blit(const SurfaceRect& sr, const cSurface* src, cSurface* dst, const SurfaceRect& dr);
    // Repeats the outermost pixels of the rectangle one pixel outwards (clipped).
    static void ExtrudeEdges(const SurfaceRect& r, cSurface* surface);

    // A new surface of the same size and format holding the same bytes.
    cSurface* Copy() const;

    void ConvertRGBToRGBA();
    void ConvertRGBAToRGB();
    void ConvertRGB565ToRGBA(uint8_t alpha);
    void ConvertToRGB565();
    void SwapRedBlue();

    void SetColourWhite();
    void ClearInvisibleColour();
    void BleedIntoTransparent();

    void Rotate90();
    void Rotate90Back();
    void Rotate180();
    void MirrorHorizontal();
    void FlipVertical();
    // Nearest-neighbour resampling; a size of 0 leaves a picture without pixels.
    void Resize(uint32_t newWidth, uint32_t newHeight);

    // Writes the surface as an uncompressed TGA file; false when the file cannot be written.
    bool SaveTGA(const std::string& path) const;
    // The same file as bytes.
    bool EncodeTGA(std::string& out) const;

    uint32_t size = 0;
    uint32_t format = kFormatNone;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bpp = 0;
    uint8_t* pixels = nullptr;
    uint32_t mipCount = 0;
    uint8_t* palette = nullptr;
    uint8_t flipped = 0;

private:
    // True for formats whose pixels are whole bytes (the geometry operations apply).
    bool HasWholeBytePixels() const;
    // Replaces the buffer by one of the new size and dimensions.
    void ReplacePixels(uint8_t* buffer, uint32_t byteSize, uint32_t newWidth, uint32_t newHeight);
};

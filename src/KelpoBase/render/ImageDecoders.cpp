// The dispatcher, the file entry points, and the PVR, TGA and BMP decoders; the TGA writer.
#include "KelpoBase/render/ImageDecoders.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "GfxTools/TextureDecompress.h"
#include "KelpoBase/core/ResourceFile.h"
#include "KelpoBase/render/Surface.h"

bool ImageSizeAcceptable(uint64_t width, uint64_t height)
{
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

std::string ImageExtension(const std::string& name)
{
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos)
        return std::string();
    std::string ext = name.substr(dot + 1);
    for (char& c : ext)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

cSurface* DecodeImageFile(const std::string& name, uint32_t flags)
{
    const std::string ext = ImageExtension(name);
    if (ext == "pvr")
        return DecodePVR(name);
    if (ext == "png")
        return DecodePNG(name, flags);
    if (ext == "jp2")
        return DecodeJPEG2000(name, flags);
    if (ext == "tga")
        return DecodeTGA(name, flags);
    if (ext == "bmp")
        return DecodeBMP(name, flags);
    return nullptr;
}

namespace
{
// Opens the file whole (loose file or pack entry) and hands its bytes to the decoder.
template <class Decode>
cSurface* DecodeFile(const std::string& name, Decode decode)
{
    cResourceFile file;
    if (!file.Open(name))
        return nullptr;
    return decode(file.GetMemory(), size_t(file.GetMemorySize()));
}

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

// A surface of the format and size with a zero-filled buffer, or null.
std::unique_ptr<cSurface> NewSurface(uint32_t format, uint32_t width, uint32_t height)
{
    auto surface = std::make_unique<cSurface>();
    if (!surface->Allocate(format, width, height) || surface->pixels == nullptr)
        return nullptr;
    return surface;
}
} // namespace

cSurface* DecodePVR(const std::string& name) { return DecodeFile(name, DecodePVRFromMemory); }
cSurface* DecodeTGA(const std::string& name, uint32_t flags)
{
    return DecodeFile(name, [flags](const uint8_t* d, size_t n) { return DecodeTGAFromMemory(d, n, flags); });
}
cSurface* DecodeBMP(const std::string& name, uint32_t flags)
{
    return DecodeFile(name, [flags](const uint8_t* d, size_t n) { return DecodeBMPFromMemory(d, n, flags); });
}
cSurface* DecodePNG(const std::string& name, uint32_t flags)
{
    return DecodeFile(name, [flags](const uint8_t* d, size_t n) { return DecodePNGFromMemory(d, n, flags); });
}
cSurface* DecodeJPEG2000(const std::string& name, uint32_t flags)
{
    return DecodeFile(name, [flags](const uint8_t* d, size_t n) { return DecodeJPEG2000FromMemory(d, n, flags); });
}

// ---- PVR (version 2 header) ----

namespace
{
constexpr size_t kPvrHeaderSize = 52;

uint32_t PvrFormat(uint32_t type, uint32_t alphaMask)
{
    switch (type)
    {
    case 0x11: return kFormatRGBA5551;
    case 0x12: return kFormatRGBA8888;
    case 0x13: return kFormatRGB565;
    case 0x15: return kFormatRGB888;
    case 0x16: return kFormatL8;
    case 0x17: return kFormatLA88;
    case 0x18: return alphaMask != 0 ? kFormatPVRTC2A : kFormatPVRTC2;
    case 0x19: return alphaMask != 0 ? kFormatPVRTC4A : kFormatPVRTC4;
    case 0x1A: return kFormatRGBA8888;
    default: return kFormatNone;
    }
}

// The bytes of one mip level of a known format.
uint64_t PvrLevelBytes(uint32_t format, uint32_t width, uint32_t height)
{
    switch (format)
    {
    case kFormatPVRTC2:
    case kFormatPVRTC2A:
        return CompressedLevelSize(true, width, height);
    case kFormatPVRTC4:
    case kFormatPVRTC4A:
        return CompressedLevelSize(false, width, height);
    default:
        return uint64_t(width) * height * (BitsPerPixel(format) / 8);
    }
}
} // namespace

cSurface* DecodePVRFromMemory(const uint8_t* data, size_t size)
{
    if (data == nullptr || size < kPvrHeaderSize)
        return nullptr;
    const uint32_t height = U32(data + 4);
    const uint32_t width = U32(data + 8);
    const uint32_t mipCount = U32(data + 12);
    const uint32_t type = U32(data + 16) & 0xFF;
    const uint32_t dataSize = U32(data + 20);
    const uint32_t bitsPerPixel = U32(data + 24);
    const uint32_t alphaMask = U32(data + 40);
    const uint32_t format = PvrFormat(type, alphaMask);

    if (!ImageSizeAcceptable(width, height) || dataSize == 0 || dataSize > size - kPvrHeaderSize)
        return nullptr;
    // Mip levels halve down to 1 x 1: no more levels behind the first than that allows.
    uint32_t maxMips = 0;
    for (uint32_t side = std::max(width, height); side > 1; side >>= 1)
        ++maxMips;
    if (mipCount > maxMips)
        return nullptr;
    if (format != kFormatNone)
    {
        // The header's bit depth and data size must agree with the format and the levels,
        // since the renderer uploads each level from them.
        const bool compressed = format >= kFormatPVRTC2 && format <= kFormatPVRTC4A;
        const uint32_t expectedBits = compressed ? (format <= kFormatPVRTC2A ? 2 : 4) : BitsPerPixel(format);
        if (bitsPerPixel != expectedBits)
            return nullptr;
        uint64_t needed = 0;
        uint32_t w = width, h = height;
        for (uint32_t level = 0; level <= mipCount; ++level)
        {
            needed += PvrLevelBytes(format, w, h);
            w = std::max<uint32_t>(1, w / 2);
            h = std::max<uint32_t>(1, h / 2);
        }
        if (needed > dataSize)
            return nullptr;
    }

    uint8_t* buffer = new (std::nothrow) uint8_t[dataSize];
    if (buffer == nullptr)
        return nullptr;
    std::memcpy(buffer, data + kPvrHeaderSize, dataSize);
    cSurface* surface = new cSurface();
    surface->format = format;
    surface->width = width;
    surface->height = height;
    surface->mipCount = mipCount;
    surface->bpp = bitsPerPixel;
    surface->AdoptPixels(buffer, dataSize);
    surface->flipped = 1;
    return surface;
}

// ---- TGA ----

cSurface* DecodeTGAFromMemory(const uint8_t* data, size_t size, uint32_t flags)
{
    constexpr size_t kHeaderSize = 18;
    if (data == nullptr || size < kHeaderSize)
        return nullptr;
    const uint8_t idLength = data[0];
    const uint8_t colourMapType = data[1];
    const uint8_t imageType = data[2];
    const uint32_t width = U16(data + 12);
    const uint32_t height = U16(data + 14);
    const uint8_t depth = data[16];
    const uint8_t descriptor = data[17];
    if (colourMapType != 0 || (imageType != 2 && imageType != 10) || (depth != 24 && depth != 32))
        return nullptr;
    if (!ImageSizeAcceptable(width, height))
        return nullptr;
    size_t pos = kHeaderSize + idLength;
    if (pos > size)
        return nullptr;
    const uint32_t bytesPerPixel = depth / 8;
    const uint64_t pixelCount = uint64_t(width) * height;
    const uint64_t pixelBytes = pixelCount * bytesPerPixel;
    const size_t left = size - pos;
    // The smallest input that can fill the picture: every byte for raw data; for
    // run-length data one repeated pixel per 128 pixels.
    const uint64_t minimum = imageType == 2 ? pixelBytes : (pixelCount + 127) / 128 * (1 + bytesPerPixel);
    if (left < minimum)
        return nullptr;

    std::unique_ptr<cSurface> surface = NewSurface(depth == 24 ? kFormatRGB888 : kFormatRGBA8888, width, height);
    if (!surface)
        return nullptr;
    uint8_t* out = surface->pixels;
    if (imageType == 2)
        std::memcpy(out, data + pos, size_t(pixelBytes));
    else
    {
        uint64_t done = 0;
        while (done < pixelCount)
        {
            if (pos >= size)
                return nullptr;
            const uint8_t header = data[pos++];
            const uint64_t count = std::min<uint64_t>((header & 0x7F) + 1, pixelCount - done);
            if (header & 0x80)
            {
                if (size - pos < bytesPerPixel)
                    return nullptr;
                for (uint64_t i = 0; i < count; ++i)
                    std::memcpy(out + (done + i) * bytesPerPixel, data + pos, bytesPerPixel);
                pos += bytesPerPixel;
            }
            else
            {
                // A raw packet cut at the end of the picture still spans its stored pixels.
                const uint64_t stored = uint64_t((header & 0x7F) + 1) * bytesPerPixel;
                if (size - pos < count * bytesPerPixel)
                    return nullptr;
                std::memcpy(out + done * bytesPerPixel, data + pos, size_t(count * bytesPerPixel));
                pos += size_t(std::min<uint64_t>(stored, size - pos));
            }
            done += count;
        }
    }
    // Origin bit clear: the file stores its rows bottom to top. One flip when that differs
    // from the order the caller asked for.
    const bool storedBottomUp = (descriptor & 0x20) == 0;
    const bool bottomUp = (flags & kDecodeBottomUp) != 0;
    if (storedBottomUp != bottomUp)
        surface->FlipVertical();
    if (descriptor & 0x10)
        surface->MirrorHorizontal();
    surface->SwapRedBlue();
    surface->flipped = bottomUp ? 1 : 0;
    return surface.release();
}

bool cSurface::EncodeTGA(std::string& out) const
{
    const uint32_t bytesPerPixel = bpp / 8;
    if (bytesPerPixel == 0 || pixels == nullptr || width > 0xFFFF || height > 0xFFFF ||
        uint64_t(width) * height * bytesPerPixel > size)
        return false;
    uint8_t header[18] = {};
    header[2] = 2;
    header[12] = uint8_t(width);
    header[13] = uint8_t(width >> 8);
    header[14] = uint8_t(height);
    header[15] = uint8_t(height >> 8);
    header[16] = uint8_t(bpp);
    // Top-left origin, unless the rows are stored bottom to top: then the file says so and
    // still shows the picture upright.
    header[17] = uint8_t((flipped ? 0x00 : 0x20) | (format == kFormatRGBA8888 ? 0x08 : 0x00));
    std::unique_ptr<cSurface> copy(Copy());
    if (!copy)
        return false;
    copy->SwapRedBlue();
    const size_t bytes = size_t(width) * height * bytesPerPixel;
    out.assign(reinterpret_cast<const char*>(header), sizeof(header));
    out.append(reinterpret_cast<const char*>(copy->pixels), bytes);
    return true;
}

bool cSurface::SaveTGA(const std::string& path) const
{
    std::string bytes;
    if (!EncodeTGA(bytes))
        return false;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// ---- BMP ----

cSurface* DecodeBMPFromMemory(const uint8_t* data, size_t size, uint32_t flags)
{
    constexpr size_t kFileHeaderSize = 14;
    constexpr size_t kInfoHeaderSize = 40;
    if (data == nullptr || size < kFileHeaderSize + kInfoHeaderSize)
        return nullptr;
    if (U16(data) != 0x4D42)
        return nullptr;
    const uint32_t pixelOffset = U32(data + 10);
    const uint8_t* info = data + kFileHeaderSize;
    const uint32_t infoSize = U32(info);
    const int32_t rawWidth = int32_t(U32(info + 4));
    const int32_t rawHeight = int32_t(U32(info + 8));
    const uint16_t bitCount = U16(info + 14);
    const uint32_t compression = U32(info + 16);
    const uint32_t coloursUsed = U32(info + 32);
    if (bitCount != 8 && bitCount != 24)
        return nullptr;
    if (infoSize < kInfoHeaderSize || infoSize > size - kFileHeaderSize)
        return nullptr;
    // A negative height marks rows stored top to bottom (uncompressed pictures only).
    const bool topDown = rawHeight < 0 && compression == 0;
    if (rawWidth <= 0 || rawHeight == 0 || (rawHeight < 0 && !topDown) || rawHeight == INT32_MIN)
        return nullptr;
    const uint32_t width = uint32_t(rawWidth);
    const uint32_t height = uint32_t(rawHeight < 0 ? -rawHeight : rawHeight);
    if (!ImageSizeAcceptable(width, height))
        return nullptr;

    // The palette follows the information header: as many entries as the header says it
    // uses (256 when it says 0), each blue, green, red, reserved.
    uint8_t palette[256][3] = {};
    if (bitCount == 8)
    {
        const uint32_t entries = (coloursUsed == 0 || coloursUsed > 256) ? 256 : coloursUsed;
        const size_t paletteAt = kFileHeaderSize + infoSize;
        if (size - paletteAt < size_t(entries) * 4)
            return nullptr;
        for (uint32_t i = 0; i < entries; ++i)
        {
            palette[i][0] = data[paletteAt + i * 4 + 2];
            palette[i][1] = data[paletteAt + i * 4 + 1];
            palette[i][2] = data[paletteAt + i * 4 + 0];
        }
    }
    if (pixelOffset > size)
        return nullptr;
    const uint8_t* bits = data + pixelOffset;
    const size_t left = size - pixelOffset;
    const size_t rowBytes = size_t(bitCount / 8) * width;
    const size_t stride = (rowBytes + 3) & ~size_t(3);
    if (compression == 0 && left < stride * (height - 1) + rowBytes)
        return nullptr;

    std::unique_ptr<cSurface> surface = NewSurface(kFormatRGB888, width, height);
    if (!surface)
        return nullptr;
    uint8_t* out = surface->pixels;
    const size_t pitch = size_t(width) * 3;
    // Where the picture's row y (0 at the top) is stored: as the caller asked.
    const bool bottomUp = (flags & kDecodeBottomUp) != 0;
    auto rowStart = [&](int64_t y) { return out + size_t(bottomUp ? int64_t(height) - 1 - y : y) * pitch; };

    if (compression == 0)
    {
        for (uint32_t row = 0; row < height; ++row)
        {
            const uint8_t* in = bits + size_t(row) * stride;
            uint8_t* dest = rowStart(topDown ? row : height - 1 - row);
            if (bitCount == 24)
                std::memcpy(dest, in, rowBytes);
            else
                for (uint32_t x = 0; x < width; ++x)
                    std::memcpy(dest + x * 3, palette[in[x]], 3);
        }
        if (bitCount == 24)
            surface->SwapRedBlue();
    }
    else if (compression == 1 && bitCount == 8)
    {
        // Run-length data: writes outside the picture are dropped, and the data must end
        // with its end-of-picture mark or fill the picture to its top row.
        int64_t x = 0, y = int64_t(height) - 1;
        size_t pos = 0;
        auto put = [&](uint8_t index) {
            if (x < int64_t(width) && y >= 0)
                std::memcpy(rowStart(y) + size_t(x) * 3, palette[index], 3);
            ++x;
        };
        bool ended = false;
        while (!ended && y >= 0)
        {
            if (left - pos < 2)
                return nullptr;
            const uint8_t count = bits[pos], value = bits[pos + 1];
            pos += 2;
            if (count != 0)
            {
                for (uint32_t i = 0; i < count; ++i)
                    put(value);
            }
            else if (value == 0)
            {
                x = 0;
                --y;
            }
            else if (value == 1)
                ended = true;
            else if (value == 2)
            {
                // Position change: columns to the right, rows up.
                if (left - pos < 2)
                    return nullptr;
                x += bits[pos];
                y -= bits[pos + 1];
                pos += 2;
            }
            else
            {
                const size_t run = value + (value & 1);
                if (left - pos < run)
                    return nullptr;
                for (uint32_t i = 0; i < value; ++i)
                    put(bits[pos + i]);
                pos += run;
            }
        }
    }
    // Any other compression leaves the zero-filled picture.
    surface->flipped = bottomUp ? 1 : 0;
    return surface.release();
}

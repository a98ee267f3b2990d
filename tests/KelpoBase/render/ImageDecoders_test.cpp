#include "KelpoBase/render/ImageDecoders.h"

#include <gtest/gtest.h>
#include <openjpeg.h>
#include <png.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/render/Surface.h"
#include "support/TestSupport.h"

namespace
{
using Bytes = std::vector<uint8_t>;
using SurfacePtr = std::unique_ptr<cSurface>;

void Put16(Bytes& b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v)
{
    // The check also tells GCC's -O3 size tracking that the writes stay inside.
    ASSERT_LE(at + 4, b.size());
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

void WriteFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// ---- PNG through libpng's writer ----

struct PngDesc
{
    uint32_t width, height;
    int colourType;
    int bitDepth;
    Bytes rows; // packed as libpng expects, row after row
    std::vector<png_color> palette;
    Bytes transparency;
    bool interlaced = false;
};

void AppendPng(png_structp png, png_bytep data, png_size_t n)
{
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

Bytes EncodePng(const PngDesc& desc)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "png writer failed";
        return Bytes();
    }
    png_set_write_fn(png, &out, AppendPng, nullptr);
    png_set_IHDR(png, info, desc.width, desc.height, desc.bitDepth, desc.colourType,
                 desc.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!desc.palette.empty())
        png_set_PLTE(png, info, desc.palette.data(), int(desc.palette.size()));
    if (!desc.transparency.empty())
        png_set_tRNS(png, info, desc.transparency.data(), int(desc.transparency.size()), nullptr);
    png_write_info(png, info);
    const size_t rowBytes = desc.rows.size() / desc.height;
    std::vector<png_bytep> rows(desc.height);
    for (uint32_t y = 0; y < desc.height; ++y)
        rows[y] = const_cast<png_bytep>(desc.rows.data() + y * rowBytes);
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

SurfacePtr Png(const Bytes& file, uint32_t flags = 0) { return SurfacePtr(DecodePNGFromMemory(file.data(), file.size(), flags)); }

// ---- JPEG 2000 through OpenJPEG's encoder ----

struct Jp2Output
{
    Bytes bytes;
    size_t position = 0;
};

OPJ_SIZE_T WriteJp2(void* data, OPJ_SIZE_T n, void* user)
{
    Jp2Output* out = static_cast<Jp2Output*>(user);
    if (out->bytes.size() < out->position + n)
        out->bytes.resize(out->position + n);
    std::memcpy(out->bytes.data() + out->position, data, n);
    out->position += n;
    return n;
}
OPJ_OFF_T SkipJp2(OPJ_OFF_T n, void* user)
{
    Jp2Output* out = static_cast<Jp2Output*>(user);
    out->position += size_t(n);
    if (out->bytes.size() < out->position)
        out->bytes.resize(out->position);
    return n;
}
OPJ_BOOL SeekJp2(OPJ_OFF_T at, void* user)
{
    static_cast<Jp2Output*>(user)->position = size_t(at);
    return OPJ_TRUE;
}

struct Jp2Component
{
    uint32_t dx = 1, dy = 1, precision = 8;
    bool isSigned = false;
};

// A lossless picture of three resolutions whose component c at (x, y) holds
// value(c, x, y) (for subsampled components, at the sample's own coordinates).
template <class Value>
Bytes EncodeJp2(uint32_t w, uint32_t h, const std::vector<Jp2Component>& comps, Value value)
{
    std::vector<opj_image_cmptparm_t> params(comps.size());
    for (size_t c = 0; c < comps.size(); ++c)
    {
        std::memset(&params[c], 0, sizeof(params[c]));
        params[c].dx = comps[c].dx;
        params[c].dy = comps[c].dy;
        params[c].w = (w + comps[c].dx - 1) / comps[c].dx;
        params[c].h = (h + comps[c].dy - 1) / comps[c].dy;
        params[c].prec = comps[c].precision;
        params[c].sgnd = comps[c].isSigned;
    }
    opj_image_t* image = opj_image_create(OPJ_UINT32(comps.size()), params.data(),
                                          comps.size() >= 3 ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY);
    image->x0 = 0;
    image->y0 = 0;
    image->x1 = w;
    image->y1 = h;
    for (size_t c = 0; c < comps.size(); ++c)
        for (uint32_t y = 0; y < params[c].h; ++y)
            for (uint32_t x = 0; x < params[c].w; ++x)
                image->comps[c].data[y * params[c].w + x] = value(int(c), x, y);
    opj_cparameters_t parameters;
    opj_set_default_encoder_parameters(&parameters);
    parameters.numresolution = 3;
    parameters.tcp_numlayers = 1;
    parameters.tcp_rates[0] = 0;
    parameters.cp_disto_alloc = 1;
    opj_codec_t* codec = opj_create_compress(OPJ_CODEC_JP2);
    Jp2Output out;
    opj_stream_t* stream = opj_stream_create(1 << 16, OPJ_FALSE);
    opj_stream_set_user_data(stream, &out, nullptr);
    opj_stream_set_write_function(stream, WriteJp2);
    opj_stream_set_skip_function(stream, SkipJp2);
    opj_stream_set_seek_function(stream, SeekJp2);
    const bool ok = opj_setup_encoder(codec, &parameters, image) && opj_start_compress(codec, image, stream) &&
                    opj_encode(codec, stream) && opj_end_compress(codec, stream);
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    EXPECT_TRUE(ok);
    return out.bytes;
}

SurfacePtr Jp2(const Bytes& file, uint32_t flags = 0)
{
    return SurfacePtr(DecodeJPEG2000FromMemory(file.data(), file.size(), flags));
}

// ---- TGA, BMP, PVR as bytes ----

Bytes TgaHeader(uint8_t type, uint32_t w, uint32_t h, uint8_t depth, uint8_t descriptor, uint8_t idLength = 0)
{
    Bytes b(18 + idLength, 0);
    b[0] = idLength;
    b[2] = type;
    Put16(b, 12, w);
    Put16(b, 14, h);
    b[16] = depth;
    b[17] = descriptor;
    return b;
}

SurfacePtr Tga(const Bytes& file) { return SurfacePtr(DecodeTGAFromMemory(file.data(), file.size())); }

// A BMP with the given rows as stored (bottom row first), padding included.
Bytes Bmp(int32_t w, int32_t h, uint16_t bits, uint32_t compression, const Bytes& stored, uint32_t paletteEntries = 0)
{
    const uint32_t paletteBytes = bits == 8 ? 4 * (paletteEntries ? paletteEntries : 256) : 0;
    Bytes b(54 + paletteBytes, 0);
    Put16(b, 0, 0x4D42);
    Put32(b, 2, uint32_t(b.size() + stored.size()));
    Put32(b, 10, uint32_t(b.size()));
    Put32(b, 14, 40);
    Put32(b, 18, uint32_t(w));
    Put32(b, 22, uint32_t(h));
    Put16(b, 26, 1);
    Put16(b, 28, bits);
    Put32(b, 30, compression);
    Put32(b, 46, paletteEntries);
    // Palette entry i: blue i, green 2i, red 3i.
    for (uint32_t i = 0; i < paletteBytes / 4; ++i)
    {
        b[54 + i * 4 + 0] = uint8_t(i);
        b[54 + i * 4 + 1] = uint8_t(2 * i);
        b[54 + i * 4 + 2] = uint8_t(3 * i);
    }
    b.insert(b.end(), stored.begin(), stored.end());
    return b;
}

SurfacePtr BmpDecode(const Bytes& file) { return SurfacePtr(DecodeBMPFromMemory(file.data(), file.size())); }

Bytes Pvr(uint32_t w, uint32_t h, uint32_t mips, uint32_t type, uint32_t dataSize, uint32_t bits, uint32_t alphaMask,
          size_t actualData)
{
    Bytes b(52 + actualData, 0);
    Put32(b, 0, 52);
    Put32(b, 4, h);
    Put32(b, 8, w);
    Put32(b, 12, mips);
    Put32(b, 16, 0x8000 | type);
    Put32(b, 20, dataSize);
    Put32(b, 24, bits);
    Put32(b, 40, alphaMask);
    Put32(b, 44, 0x21525650);
    Put32(b, 48, 1);
    for (size_t i = 0; i < actualData; ++i)
        b[52 + i] = uint8_t(i * 7);
    return b;
}

SurfacePtr PvrDecode(const Bytes& file) { return SurfacePtr(DecodePVRFromMemory(file.data(), file.size())); }

SurfaceRGBA At(const cSurface& s, int x, int y) { return s.GetPixelRGBA(x, y); }
} // namespace

// ---------------------------------------------------------------- PNG

TEST(DecodePNG, ColourTypesBecomeEngineFormats)
{
    // 2 x 2 RGBA
    PngDesc rgba{2, 2, PNG_COLOR_TYPE_RGB_ALPHA, 8, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}, {}, {}};
    SurfacePtr s = Png(EncodePng(rgba));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->format, kFormatRGBA8888);
    EXPECT_EQ(s->bpp, 32u);
    EXPECT_EQ(s->size, 16u);
    EXPECT_EQ(s->flipped, 0);
    EXPECT_EQ(0, std::memcmp(s->pixels, rgba.rows.data(), 16));

    PngDesc rgb{2, 1, PNG_COLOR_TYPE_RGB, 8, {10, 20, 30, 40, 50, 60}, {}, {}};
    s = Png(EncodePng(rgb));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->format, kFormatRGB888);
    EXPECT_EQ(s->bpp, 24u);
    EXPECT_EQ(0, std::memcmp(s->pixels, rgb.rows.data(), 6));

    PngDesc greyAlpha{1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {90, 33}, {}, {}};
    s = Png(EncodePng(greyAlpha));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->format, kFormatRGBA8888);
    EXPECT_EQ(s->GetPixel(0, 0), 0x215A5A5Au);

    // Grey with the bottom-up flag: format 0, rows reversed, flipped set.
    PngDesc grey{1, 3, PNG_COLOR_TYPE_GRAY, 8, {10, 20, 30}, {}, {}};
    s = Png(EncodePng(grey), kDecodeBottomUp);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->format, kFormatRGBA8888);
    EXPECT_EQ(s->flipped, 1);
    EXPECT_EQ(s->GetPixel(0, 0), 0xFF1E1E1Eu);
    EXPECT_EQ(s->GetPixel(0, 2), 0xFF0A0A0Au);

    // Grey of 2 bits a pixel expands to 8 bits (0, 85, 170, 255).
    PngDesc grey2{4, 1, PNG_COLOR_TYPE_GRAY, 2, {0x1B}, {}, {}};
    s = Png(EncodePng(grey2));
    ASSERT_TRUE(s);
    EXPECT_EQ(At(*s, 0, 0).r, 0);
    EXPECT_EQ(At(*s, 1, 0).r, 85);
    EXPECT_EQ(At(*s, 3, 0).r, 255);
}

TEST(DecodePNG, PalettesExpandWithOrWithoutTransparency)
{
    PngDesc pal{2, 1, PNG_COLOR_TYPE_PALETTE, 8, {0, 1}, {{255, 0, 0}, {0, 0, 255}}, {}};
    SurfacePtr s = Png(EncodePng(pal));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->format, kFormatRGB888);
    EXPECT_EQ(s->GetPixel(0, 0), 0x0000FFu);
    EXPECT_EQ(s->GetPixel(1, 0), 0xFF0000u);

    pal.transparency = {128, 7};
    s = Png(EncodePng(pal));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->format, kFormatRGBA8888);
    EXPECT_EQ(At(*s, 0, 0).a, 128);
    EXPECT_EQ(At(*s, 1, 0).a, 7);
    EXPECT_EQ(At(*s, 1, 0).b, 255);
}

TEST(DecodePNG, SixteenBitAndInterlacedPicturesAreReducedSafely)
{
    // 16 bits a channel: each sample keeps its high byte.
    PngDesc deep{3, 2, PNG_COLOR_TYPE_RGB_ALPHA, 16, Bytes(3 * 2 * 8), {}, {}};
    for (size_t i = 0; i < deep.rows.size(); i += 2)
    {
        deep.rows[i] = uint8_t(i);
        deep.rows[i + 1] = 0xCD;
    }
    SurfacePtr s = Png(EncodePng(deep));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->format, kFormatRGBA8888);
    EXPECT_EQ(s->size, 24u);
    EXPECT_EQ(s->pixels[0], 0);
    EXPECT_EQ(s->pixels[5], 10);

    PngDesc interlaced{9, 9, PNG_COLOR_TYPE_RGB, 8, Bytes(9 * 9 * 3), {}, {}, true};
    for (size_t i = 0; i < interlaced.rows.size(); ++i)
        interlaced.rows[i] = uint8_t(i * 3);
    s = Png(EncodePng(interlaced));
    ASSERT_TRUE(s);
    EXPECT_EQ(0, std::memcmp(s->pixels, interlaced.rows.data(), interlaced.rows.size()));
}

TEST(DecodePNG, BadInputGivesNull)
{
    PngDesc rgba{8, 8, PNG_COLOR_TYPE_RGB_ALPHA, 8, Bytes(8 * 8 * 4, 0x42), {}, {}};
    const Bytes good = EncodePng(rgba);
    ASSERT_TRUE(Png(good));
    // Every truncation fails cleanly.
    for (size_t n = 0; n < good.size() - 12; n += 7)
        EXPECT_FALSE(Png(Bytes(good.begin(), good.begin() + long(n)))) << n;
    Bytes notPng = good;
    notPng[1] = 'X';
    EXPECT_FALSE(Png(notPng));
    Bytes corrupt = good;
    corrupt[good.size() / 2] ^= 0xFF;
    EXPECT_FALSE(Png(corrupt));

    // Wider than the decoders accept: refused at the header, before any allocation.
    PngDesc wide{kMaxImageSide + 1, 1, PNG_COLOR_TYPE_GRAY, 8, Bytes(kMaxImageSide + 1), {}, {}};
    EXPECT_FALSE(Png(EncodePng(wide)));
}

// ---------------------------------------------------------------- JPEG 2000

TEST(DecodeJPEG2000, ThreeAndFourComponents)
{
    auto value = [](int c, uint32_t x, uint32_t y) { return int32_t((c * 60 + x * 7 + y * 13) & 0xFF); };
    const Bytes rgb = EncodeJp2(5, 4, std::vector<Jp2Component>(3), value);
    SurfacePtr s = Jp2(rgb);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->format, kFormatRGB888);
    EXPECT_EQ(s->width, 5u);
    EXPECT_EQ(s->height, 4u);
    EXPECT_EQ(s->flipped, 0);
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 5; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(s->pixels[(y * 5 + x) * 3 + c], value(c, x, y));

    const Bytes rgba = EncodeJp2(4, 4, std::vector<Jp2Component>(4), value);
    s = Jp2(rgba, kDecodeBottomUp);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->format, kFormatRGBA8888);
    EXPECT_EQ(s->flipped, 1);
    EXPECT_EQ(s->pixels[3], value(3, 0, 3)); // the bottom row comes first
}

TEST(DecodeJPEG2000, LowPrecisionIsMaskedAndSignedComponentsStayZero)
{
    std::vector<Jp2Component> comps(3);
    comps[0].precision = 4;
    comps[2].isSigned = true;
    auto value = [](int c, uint32_t x, uint32_t) { return c == 2 ? -3 : int32_t(x + 9) % 16; };
    SurfacePtr s = Jp2(EncodeJp2(4, 4, comps, value));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->pixels[0], 9);
    EXPECT_EQ(s->pixels[2], 0);
}

TEST(DecodeJPEG2000, RefusesWhatItCannotHold)
{
    auto value = [](int, uint32_t x, uint32_t y) { return int32_t(x ^ y); };
    // Subsampled components would be read past their data.
    std::vector<Jp2Component> sub(3);
    sub[1].dx = 2;
    sub[1].dy = 2;
    EXPECT_FALSE(Jp2(EncodeJp2(8, 8, sub, value)));
    // More than 8 bits.
    std::vector<Jp2Component> deep(3);
    deep[0].precision = 12;
    EXPECT_FALSE(Jp2(EncodeJp2(4, 4, deep, value)));
    // One component.
    EXPECT_FALSE(Jp2(EncodeJp2(4, 4, std::vector<Jp2Component>(1), value)));

    const Bytes good = EncodeJp2(6, 6, std::vector<Jp2Component>(3), value);
    ASSERT_TRUE(Jp2(good));
    for (size_t n = 0; n < good.size(); n += 11)
    {
        SurfacePtr cut = Jp2(Bytes(good.begin(), good.begin() + long(n)));
        // A cut inside the last packets may still decode; it must never read past the end.
        (void)cut;
    }
    EXPECT_FALSE(Jp2(Bytes(good.begin(), good.begin() + 40)));
    EXPECT_FALSE(Jp2(Bytes(20, 0)));
}

// ---------------------------------------------------------------- TGA

TEST(DecodeTGA, OriginBitDecidesTheRowOrder)
{
    // 1 x 2, 24 bits, descriptor 0: bottom-left origin, the stored rows are bottom first.
    Bytes file = TgaHeader(2, 1, 2, 24, 0x00);
    file.insert(file.end(), {1, 2, 3, 4, 5, 6});
    SurfacePtr s = Tga(file);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->format, kFormatRGB888);
    EXPECT_EQ(s->flipped, 0);
    EXPECT_EQ(s->GetPixel(0, 0), 0x040506u); // the top row, blue and red exchanged
    EXPECT_EQ(s->GetPixel(0, 1), 0x010203u);

    // Top-left origin with alpha bits: read as stored.
    file = TgaHeader(2, 1, 2, 32, 0x28);
    file.insert(file.end(), {1, 2, 3, 4, 5, 6, 7, 8});
    s = Tga(file);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->format, kFormatRGBA8888);
    EXPECT_EQ(s->GetPixel(0, 0), 0x04010203u);

    // Right-to-left: mirrored; the identification field is skipped.
    file = TgaHeader(2, 2, 1, 24, 0x30, 3);
    file.insert(file.end(), {1, 2, 3, 4, 5, 6});
    s = Tga(file);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->GetPixel(0, 0), 0x040506u);
}

TEST(DecodeTGA, RunLengthPacketsAndTheirLimits)
{
    // 3 x 2, 24 bits, top-left: a run of 4, then a raw packet of 2.
    Bytes file = TgaHeader(10, 3, 2, 24, 0x20);
    file.insert(file.end(), {0x83, 9, 8, 7, 0x01, 1, 2, 3, 4, 5, 6});
    SurfacePtr s = Tga(file);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->GetPixel(0, 0), 0x090807u);
    EXPECT_EQ(s->GetPixel(0, 1), 0x090807u);
    EXPECT_EQ(s->GetPixel(1, 1), 0x010203u);
    EXPECT_EQ(s->GetPixel(2, 1), 0x040506u);

    // A run that would pass the last pixel is cut at the end of the picture.
    file = TgaHeader(10, 2, 1, 24, 0x20);
    file.insert(file.end(), {0xFF, 1, 1, 1});
    s = Tga(file);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->GetPixel(1, 0), 0x010101u);

    // Packets that stop before the picture is filled: null. Too few bytes for the size
    // at all is refused before anything is allocated.
    file = TgaHeader(10, 200, 200, 24, 0x20);
    for (int i = 0; i < 400; ++i)
        file.insert(file.end(), {0x00, 1, 1, 1});
    EXPECT_FALSE(Tga(file));
    file = TgaHeader(10, 60000, 60000 / 8, 24, 0x20);
    file.insert(file.end(), {0xFF, 1, 1, 1});
    EXPECT_FALSE(Tga(file));
    // A raw packet running past the data.
    file = TgaHeader(10, 4, 1, 24, 0x20);
    file.insert(file.end(), {0x03, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
    EXPECT_FALSE(Tga(file));
}

TEST(DecodeTGA, RefusesWhatItDoesNotRead)
{
    const struct
    {
        uint8_t mapType, type, depth;
    } refused[] = {{1, 2, 24}, {0, 1, 24}, {0, 3, 24}, {0, 2, 16}, {0, 2, 8}};
    for (const auto& r : refused)
    {
        Bytes file = TgaHeader(r.type, 1, 1, r.depth, 0x20);
        file[1] = r.mapType;
        file.resize(file.size() + 8, 0);
        EXPECT_FALSE(Tga(file)) << int(r.type) << " " << int(r.depth);
    }
    // Sizes larger than the data (a lying header), zero sizes, short headers.
    Bytes lying = TgaHeader(2, 65535, 65535, 32, 0x20);
    lying.resize(lying.size() + 64);
    EXPECT_FALSE(Tga(lying));
    Bytes shortRows = TgaHeader(2, 4, 4, 24, 0x20);
    shortRows.resize(shortRows.size() + 47);
    EXPECT_FALSE(Tga(shortRows));
    Bytes zero = TgaHeader(2, 0, 4, 24, 0x20);
    EXPECT_FALSE(Tga(zero));
    EXPECT_FALSE(Tga(Bytes(17, 0)));
    Bytes idPastEnd = TgaHeader(2, 1, 1, 24, 0x20);
    idPastEnd[0] = 200;
    idPastEnd.resize(idPastEnd.size() + 3);
    EXPECT_FALSE(Tga(idPastEnd));
}

TEST(SaveTGA, WritesTheHeaderAndReadsBackUpright)
{
    cSurface rgba(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            rgba.SetPixel(x, y, 0x80000000u | uint32_t(x * 0x10 + y) << 8 | uint32_t(y * 0x40 + x));
    ASSERT_TRUE(rgba.SaveTGA("shot.tga"));
    std::ifstream in("shot.tga", std::ios::binary);
    const Bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(file.size(), 18u + 3 * 2 * 4);
    EXPECT_EQ(file[2], 2);
    EXPECT_EQ(file[12], 3);
    EXPECT_EQ(file[14], 2);
    EXPECT_EQ(file[16], 32);
    EXPECT_EQ(file[17], 0x28);
    // B, G, R, A
    EXPECT_EQ(file[18 + 0], 0x00);
    EXPECT_EQ(file[18 + 2], rgba.pixels[0]);
    EXPECT_EQ(file[18 + 3], 0x80);

    SurfacePtr back(DecodeTGA("shot.tga"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->format, kFormatRGBA8888);
    EXPECT_EQ(0, std::memcmp(back->pixels, rgba.pixels, rgba.size));

    cSurface rgb(2, 3, kFormatRGB888);
    rgb.SetPixel(1, 2, 0x332211);
    std::string bytes;
    ASSERT_TRUE(rgb.EncodeTGA(bytes));
    EXPECT_EQ(uint8_t(bytes[17]), 0x20);
    SurfacePtr rgbBack(DecodeTGAFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    ASSERT_TRUE(rgbBack);
    EXPECT_EQ(rgbBack->GetPixel(1, 2), 0x332211u);

    // Rows stored bottom to top are saved with a bottom-left origin: still upright.
    cSurface bottomUp(1, 2, kFormatRGB888);
    bottomUp.SetPixel(0, 0, 0x0000AA); // stored first: the bottom row
    bottomUp.flipped = 1;
    ASSERT_TRUE(bottomUp.EncodeTGA(bytes));
    EXPECT_EQ(uint8_t(bytes[17]), 0x00);
    SurfacePtr upright(DecodeTGAFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    ASSERT_TRUE(upright);
    EXPECT_EQ(upright->GetPixel(0, 1), 0x0000AAu);

    EXPECT_FALSE(rgba.SaveTGA("no/such/folder/shot.tga"));
    cSurface compressed;
    EXPECT_FALSE(compressed.EncodeTGA(bytes));
}

// ---------------------------------------------------------------- BMP

TEST(DecodeBMP, UncompressedRowsWithAndWithoutPadding)
{
    // Width 4 at 24 bits: 12-byte rows, no padding. Stored bottom row first.
    Bytes rows;
    for (int r = 0; r < 2; ++r)
        for (int i = 0; i < 12; ++i)
            rows.push_back(uint8_t(r * 100 + i));
    SurfacePtr s = BmpDecode(Bmp(4, 2, 24, 0, rows));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->format, kFormatRGB888);
    EXPECT_EQ(s->flipped, 0);
    EXPECT_EQ(s->GetPixel(0, 1), 0x000102u); // bottom row, B G R -> R G B
    EXPECT_EQ(s->GetPixel(0, 0), 0x646566u);

    // Width 3: 9 bytes and 3 of padding.
    rows.clear();
    for (int r = 0; r < 2; ++r)
    {
        for (int i = 0; i < 9; ++i)
            rows.push_back(uint8_t(r * 100 + i));
        rows.insert(rows.end(), {0xEE, 0xEE, 0xEE});
    }
    s = BmpDecode(Bmp(3, 2, 24, 0, rows));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->GetPixel(2, 0), 0x6A6B6Cu);
    EXPECT_EQ(s->GetPixel(0, 1), 0x000102u);

    // 8 bits: palette colours; a negative height stores the rows top first.
    Bytes indices = {1, 2, 0, 0, 3, 4, 0, 0};
    s = BmpDecode(Bmp(2, -2, 8, 0, indices));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->GetPixel(1, 0), 0x020406u); // entry 2: red 6, green 4, blue 2
    EXPECT_EQ(s->GetPixel(0, 1), 0x030609u);
}

TEST(DecodeBMP, RunLengthDataStaysInsideThePicture)
{
    // 4 x 3, bottom row first: a run of 3 of entry 5, end of row; 3 indices and a pad
    // byte; a position change of no columns and one row up; one pixel; end of picture.
    Bytes rle = {3, 5, 0, 0, 0, 3, 1, 2, 3, 0, 0, 2, 0, 1, 1, 7, 0, 1};
    SurfacePtr s = BmpDecode(Bmp(4, 3, 8, 1, rle));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->GetPixel(0, 2), 0x050A0Fu); // entry 5: red 15, green 10, blue 5
    EXPECT_EQ(s->GetPixel(2, 2), 0x050A0Fu);
    EXPECT_EQ(s->GetPixel(3, 2), 0u);
    EXPECT_EQ(s->GetPixel(0, 1), 0x010203u);
    EXPECT_EQ(s->GetPixel(2, 1), 0x030609u);
    EXPECT_EQ(s->GetPixel(3, 1), 0u);
    EXPECT_EQ(s->GetPixel(0, 0), 0u);
    EXPECT_EQ(s->GetPixel(3, 0), 0x070E15u);

    // Runs past the row end, deltas past the top: dropped, never written outside.
    Bytes wild = {255, 9, 255, 9, 0, 2, 250, 250, 9, 9, 0, 1};
    EXPECT_TRUE(BmpDecode(Bmp(2, 2, 8, 1, wild)));
    // Data that stops before the end mark: null.
    Bytes cut = {2, 5, 0, 0, 0, 4, 1};
    EXPECT_FALSE(BmpDecode(Bmp(4, 3, 8, 1, cut)));
    Bytes cutDelta = {0, 2, 1};
    EXPECT_FALSE(BmpDecode(Bmp(4, 3, 8, 1, cutDelta)));
}

TEST(DecodeBMP, RefusesBadHeadersAndShortData)
{
    Bytes rows(12 * 2, 1);
    Bytes good = Bmp(4, 2, 24, 0, rows);
    ASSERT_TRUE(BmpDecode(good));
    Bytes magic = good;
    magic[0] = 'X';
    EXPECT_FALSE(BmpDecode(magic));
    EXPECT_FALSE(BmpDecode(Bmp(4, 2, 16, 0, rows)));
    EXPECT_FALSE(BmpDecode(Bmp(4, 2, 32, 0, rows)));
    EXPECT_FALSE(BmpDecode(Bytes(good.begin(), good.end() - 13)));
    EXPECT_FALSE(BmpDecode(Bytes(good.begin(), good.begin() + 53)));
    EXPECT_FALSE(BmpDecode(Bmp(0, 2, 24, 0, rows)));
    EXPECT_FALSE(BmpDecode(Bmp(100000, 100000, 24, 0, rows)));
    Bytes offset = good;
    Put32(offset, 10, 0x7FFFFFFF);
    EXPECT_FALSE(BmpDecode(offset));
    // An 8-bit file cut inside its palette.
    Bytes pal = Bmp(2, 2, 8, 0, Bytes(8, 0));
    EXPECT_FALSE(BmpDecode(Bytes(pal.begin(), pal.begin() + 54 + 100)));
    // An unknown compression leaves a zero-filled picture.
    SurfacePtr other = BmpDecode(Bmp(4, 2, 24, 3, rows));
    ASSERT_TRUE(other);
    EXPECT_EQ(other->GetPixel(0, 0), 0u);
}

// ---------------------------------------------------------------- PVR

TEST(DecodePVR, PixelTypesAndHeaderFields)
{
    const struct
    {
        uint32_t type, alphaMask, bits, format;
    } cases[] = {{0x11, 0, 16, kFormatRGBA5551}, {0x12, 0, 32, kFormatRGBA8888}, {0x13, 0, 16, kFormatRGB565},
                 {0x15, 0, 24, kFormatRGB888},   {0x16, 0, 8, kFormatL8},        {0x17, 0, 16, kFormatLA88},
                 {0x18, 0, 2, kFormatPVRTC2},    {0x18, 0xFF, 2, kFormatPVRTC2A}, {0x19, 0, 4, kFormatPVRTC4},
                 {0x19, 1, 4, kFormatPVRTC4A},   {0x1A, 0, 32, kFormatRGBA8888}, {0x14, 0, 16, kFormatNone}};
    for (const auto& c : cases)
    {
        const uint32_t level = c.bits == 2 ? 32 * 32 / 4 : c.bits == 4 ? 32 * 32 / 2 : 32 * 32 * c.bits / 8;
        const Bytes file = Pvr(32, 32, 0, c.type, level, c.bits, c.alphaMask, level);
        SurfacePtr s = PvrDecode(file);
        ASSERT_TRUE(s) << c.type;
        EXPECT_EQ(s->format, c.format) << c.type;
        EXPECT_EQ(s->bpp, c.bits);
        EXPECT_EQ(s->size, level);
        EXPECT_EQ(s->flipped, 1);
        EXPECT_EQ(s->pixels[5], uint8_t(35));
    }
    // Mip levels: 16 x 8 RGBA with three levels behind (16x8, 8x4, 4x2, 2x1).
    const uint32_t total = (16 * 8 + 8 * 4 + 4 * 2 + 2 * 1) * 4;
    SurfacePtr s = PvrDecode(Pvr(16, 8, 3, 0x12, total, 32, 0, total));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->mipCount, 3u);
    EXPECT_EQ(s->width, 16u);
    EXPECT_EQ(s->height, 8u);
    // PVRTC levels below the minimum size still take the padded size.
    const uint32_t pvrtc = 128 + 32 + 32 + 32; // 16x16, 8x8, 4x4, 2x2 at 4 bits
    EXPECT_TRUE(PvrDecode(Pvr(16, 16, 3, 0x19, pvrtc, 4, 0, pvrtc)));
    EXPECT_FALSE(PvrDecode(Pvr(16, 16, 3, 0x19, pvrtc - 8, 4, 0, pvrtc)));
}

TEST(DecodePVR, LyingHeadersGiveNull)
{
    // Data size beyond the file.
    EXPECT_FALSE(PvrDecode(Pvr(4, 4, 0, 0x12, 64, 32, 0, 63)));
    EXPECT_FALSE(PvrDecode(Pvr(4, 4, 0, 0x12, 0xFFFFFFF0u, 32, 0, 64)));
    // Data size too small for the picture, mip count beyond the halvings, wrong bit depth.
    EXPECT_FALSE(PvrDecode(Pvr(4, 4, 0, 0x12, 60, 32, 0, 64)));
    EXPECT_FALSE(PvrDecode(Pvr(4, 4, 3, 0x12, 4096, 32, 0, 4096)));
    EXPECT_FALSE(PvrDecode(Pvr(4, 4, 1, 0x12, 64, 32, 0, 64)));
    EXPECT_FALSE(PvrDecode(Pvr(4, 4, 0, 0x12, 64, 16, 0, 64)));
    // Sizes: zero, oversized; short header; empty data.
    EXPECT_FALSE(PvrDecode(Pvr(0, 4, 0, 0x12, 64, 32, 0, 64)));
    EXPECT_FALSE(PvrDecode(Pvr(kMaxImageSide * 2, 4, 0, 0x14, 64, 32, 0, 64)));
    EXPECT_FALSE(PvrDecode(Bytes(51, 0)));
    EXPECT_FALSE(PvrDecode(Pvr(4, 4, 0, 0x14, 0, 32, 0, 0)));
}

// ---------------------------------------------------------------- Dispatch

TEST(DecodeImageFile, PicksTheDecoderByExtension)
{
    PngDesc grey{1, 1, PNG_COLOR_TYPE_GRAY, 8, {200}, {}, {}};
    const Bytes png = EncodePng(grey);
    WriteFile("pic.PNG", png);
    WriteFile("pic.pngx", png);
    WriteFile("pic", png);
    WriteFile("dir.png", Bytes());
    Bytes tga = TgaHeader(2, 1, 1, 24, 0x20);
    tga.insert(tga.end(), {1, 2, 3});
    WriteFile("pic.tga", tga);

    SurfacePtr s(DecodeImageFile("pic.PNG", kDecodeBottomUp));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->flipped, 1);
    EXPECT_FALSE(SurfacePtr(DecodeImageFile("pic.pngx", 0)));
    EXPECT_FALSE(SurfacePtr(DecodeImageFile("pic", 0)));
    EXPECT_FALSE(SurfacePtr(DecodeImageFile("missing.png", 0)));
    EXPECT_FALSE(SurfacePtr(DecodeImageFile("dir.png", 0)));
    s.reset(DecodeImageFile("pic.tga", kDecodeSurface));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->GetPixel(0, 0), 0x010203u);
    EXPECT_EQ(ImageExtension("a.b/C.JP2"), "jp2");
    EXPECT_EQ(ImageExtension("none"), "");
}

TEST(DecodeImageFile, CommittedSeedFilesDecode)
{
    // The fuzz seeds are small valid files of each kind, the JPEG 2000 ones made by
    // opj_compress -n 3 (fuzz/images_corpus.py).
    const std::filesystem::path corpus = tvtest::SourceDir() / "fuzz" / "corpus";
    int decoded = 0;
    for (const char* kind : {"pvr", "png", "jp2", "tga", "bmp"})
    {
        for (const auto& entry : std::filesystem::directory_iterator(corpus / (std::string("images_") + kind)))
        {
            SurfacePtr s(DecodeImageFile(entry.path().string(), 0));
            EXPECT_TRUE(s) << entry.path();
            decoded += s ? 1 : 0;
        }
    }
    EXPECT_GE(decoded, 15);

    // rgb_8x8.jp2 holds (x * 31 + y * 7 + c * 50) mod 256.
    SurfacePtr s(DecodeImageFile((corpus / "images_jp2" / "rgb_8x8.jp2").string(), 0));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->format, kFormatRGB888);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x)
            for (uint32_t c = 0; c < 3; ++c)
                ASSERT_EQ(s->pixels[(y * 8 + x) * 3 + c], (x * 31 + y * 7 + c * 50) & 255) << x << "," << y;
}

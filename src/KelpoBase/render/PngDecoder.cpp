// The PNG decoder, through libpng.
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>

#include "KelpoBase/render/ImageDecoders.h"
#include "KelpoBase/render/Surface.h"

namespace
{
struct PngInput
{
    const uint8_t* data;
    size_t size;
    size_t position;
};

// libpng's read callback: the next bytes of the file; asking past the end is an error
// that unwinds the decode.
void ReadPngBytes(png_structp png, png_bytep dest, png_size_t length)
{
    PngInput* input = static_cast<PngInput*>(png_get_io_ptr(png));
    if (input == nullptr || length > input->size - input->position)
        png_error(png, "read past the end of the file");
    std::memcpy(dest, input->data + input->position, length);
    input->position += length;
}

// Errors unwind to the decoder's jump point without printing; warnings are dropped.
void PngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngWarning(png_structp, png_const_charp) {}

// Everything the decode owns; released on every way out.
struct PngDecode
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_infop endInfo = nullptr;
    uint8_t* pixels = nullptr;
    png_bytep* rows = nullptr;

    ~PngDecode()
    {
        delete[] rows;
        delete[] pixels;
        if (png != nullptr)
            png_destroy_read_struct(&png, info ? &info : nullptr, endInfo ? &endInfo : nullptr);
    }
};

// The part of the decode that libpng may unwind from: no object with a destructor lives
// in this frame. Returns the channels after expansion (0 on failure); fills the state's
// pixel buffer, width and height.
int DecodeRows(PngDecode& state, PngInput& input, uint32_t flags, uint32_t& width, uint32_t& height)
{
    if (setjmp(png_jmpbuf(state.png)))
        return 0;
    png_set_read_fn(state.png, &input, ReadPngBytes);
    png_set_sig_bytes(state.png, 8);
    png_set_user_limits(state.png, kMaxImageSide, kMaxImageSide);
    png_read_info(state.png, state.info);
    width = png_get_image_width(state.png, state.info);
    height = png_get_image_height(state.png, state.info);
    if (!ImageSizeAcceptable(width, height))
        return 0;
    png_set_expand(state.png);
    // Sixteen bits a channel are reduced to eight, the depth the surfaces hold.
    png_set_strip_16(state.png);
    png_set_interlace_handling(state.png);
    png_read_update_info(state.png, state.info);
    const int colourType = png_get_color_type(state.png, state.info);
    int channels;
    switch (colourType)
    {
    case PNG_COLOR_TYPE_GRAY: channels = 1; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: channels = 2; break;
    case PNG_COLOR_TYPE_RGB: channels = 3; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: channels = 4; break;
    default: return 0;
    }
    const size_t rowBytes = size_t(width) * channels;
    if (png_get_rowbytes(state.png, state.info) != rowBytes || png_get_bit_depth(state.png, state.info) != 8)
        return 0;
    state.pixels = new (std::nothrow) uint8_t[rowBytes * height];
    state.rows = new (std::nothrow) png_bytep[height];
    if (state.pixels == nullptr || state.rows == nullptr)
        return 0;
    for (uint32_t y = 0; y < height; ++y)
    {
        const uint32_t row = (flags & kDecodeBottomUp) ? height - 1 - y : y;
        state.rows[y] = state.pixels + size_t(row) * rowBytes;
    }
    png_read_image(state.png, state.rows);
    return channels;
}
} // namespace

cSurface* DecodePNGFromMemory(const uint8_t* data, size_t size, uint32_t flags)
{
    if (data == nullptr || size < 8 || png_sig_cmp(data, 0, 8) != 0)
        return nullptr;
    PngDecode state;
    state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (state.png == nullptr)
        return nullptr;
    state.info = png_create_info_struct(state.png);
    state.endInfo = png_create_info_struct(state.png);
    if (state.info == nullptr || state.endInfo == nullptr)
        return nullptr;
    PngInput input{data, size, 8};
    uint32_t width = 0, height = 0;
    const int channels = DecodeRows(state, input, flags, width, height);
    if (channels == 0)
        return nullptr;

    cSurface* surface = new cSurface();
    surface->width = width;
    surface->height = height;
    const size_t count = size_t(width) * height;
    if (channels >= 3)
    {
        // RGB and RGBA are kept as decoded.
        surface->format = channels == 3 ? kFormatRGB888 : kFormatRGBA8888;
        surface->bpp = uint32_t(channels) * 8;
        surface->AdoptPixels(state.pixels, uint32_t(count * channels));
        state.pixels = nullptr;
    }
    else
    {
        // Grey becomes (L, L, L, 255), grey and alpha (L, L, L, A).
        uint8_t* rgba = new (std::nothrow) uint8_t[count * 4];
        if (rgba == nullptr)
        {
            delete surface;
            return nullptr;
        }
        for (size_t i = 0; i < count; ++i)
        {
            const uint8_t l = state.pixels[i * channels];
            rgba[i * 4 + 0] = l;
            rgba[i * 4 + 1] = l;
            rgba[i * 4 + 2] = l;
            rgba[i * 4 + 3] = channels == 2 ? state.pixels[i * 2 + 1] : 255;
        }
        surface->format = kFormatRGBA8888;
        surface->bpp = 32;
        surface->AdoptPixels(rgba, uint32_t(count * 4));
    }
    surface->flipped = (flags & kDecodeBottomUp) ? 1 : 0;
    return surface;
}

// The JPEG 2000 decoder, through OpenJPEG, from bytes in memory.
#include <openjpeg.h>

#include <cstring>
#include <memory>
#include <new>

#include "KelpoBase/core/Debug.h"
#include "KelpoBase/render/ImageDecoders.h"
#include "KelpoBase/render/Surface.h"

namespace
{
struct Jp2Input
{
    const uint8_t* data;
    size_t size;
    size_t position;
};

OPJ_SIZE_T ReadJp2(void* dest, OPJ_SIZE_T n, void* user)
{
    Jp2Input* input = static_cast<Jp2Input*>(user);
    const size_t left = input->size - input->position;
    if (left == 0)
        return OPJ_SIZE_T(-1);
    const size_t count = n < left ? n : left;
    std::memcpy(dest, input->data + input->position, count);
    input->position += count;
    return count;
}

OPJ_OFF_T SkipJp2(OPJ_OFF_T n, void* user)
{
    Jp2Input* input = static_cast<Jp2Input*>(user);
    if (n < 0)
    {
        const size_t back = size_t(-n) < input->position ? size_t(-n) : input->position;
        input->position -= back;
        return -OPJ_OFF_T(back);
    }
    const size_t left = input->size - input->position;
    const size_t count = size_t(n) < left ? size_t(n) : left;
    input->position += count;
    return OPJ_OFF_T(count);
}

OPJ_BOOL SeekJp2(OPJ_OFF_T offset, void* user)
{
    Jp2Input* input = static_cast<Jp2Input*>(user);
    if (offset < 0 || uint64_t(offset) > input->size)
        return OPJ_FALSE;
    input->position = size_t(offset);
    return OPJ_TRUE;
}

void Jp2Error(const char* text, void*) { DebugPrint("JP2 Error: %s\n", text); }
void Jp2Warning(const char* text, void*) { DebugPrint("JP2 Warning: %s\n", text); }
void Jp2Info(const char* text, void*) { DebugPrint("JP2 Info: %s\n", text); }

struct Jp2Decode
{
    opj_stream_t* stream = nullptr;
    opj_codec_t* codec = nullptr;
    opj_image_t* image = nullptr;
    ~Jp2Decode()
    {
        if (image != nullptr)
            opj_image_destroy(image);
        if (codec != nullptr)
            opj_destroy_codec(codec);
        if (stream != nullptr)
            opj_stream_destroy(stream);
    }
};

// Three or four components of at most 8 bits, none subsampled.
bool ComponentsUsable(const opj_image_t* image)
{
    if (image->numcomps != 3 && image->numcomps != 4)
        return false;
    for (OPJ_UINT32 i = 0; i < image->numcomps; ++i)
    {
        const opj_image_comp_t& c = image->comps[i];
        if (c.dx != 1 || c.dy != 1 || c.prec == 0 || c.prec > 8)
            return false;
    }
    return true;
}
} // namespace

cSurface* DecodeJPEG2000FromMemory(const uint8_t* data, size_t size, uint32_t flags)
{
    if (data == nullptr || size < 12)
        return nullptr;
    // A bare codestream starts with its SOC and SIZ markers; anything else is read as JP2.
    static const uint8_t kCodestream[4] = {0xFF, 0x4F, 0xFF, 0x51};
    const bool bare = std::memcmp(data, kCodestream, 4) == 0;

    Jp2Input input{data, size, 0};
    Jp2Decode state;
    state.stream = opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE);
    if (state.stream == nullptr)
        return nullptr;
    opj_stream_set_user_data(state.stream, &input, nullptr);
    opj_stream_set_user_data_length(state.stream, size);
    opj_stream_set_read_function(state.stream, ReadJp2);
    opj_stream_set_skip_function(state.stream, SkipJp2);
    opj_stream_set_seek_function(state.stream, SeekJp2);

    state.codec = opj_create_decompress(bare ? OPJ_CODEC_J2K : OPJ_CODEC_JP2);
    if (state.codec == nullptr)
        return nullptr;
    opj_set_error_handler(state.codec, Jp2Error, nullptr);
    opj_set_warning_handler(state.codec, Jp2Warning, nullptr);
    opj_set_info_handler(state.codec, Jp2Info, nullptr);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!opj_setup_decoder(state.codec, &parameters))
        return nullptr;
    if (!opj_read_header(state.stream, state.codec, &state.image) || state.image == nullptr)
        return nullptr;

    // Everything is checked against the header before the picture is decoded.
    const opj_image_t* header = state.image;
    if (header->x1 <= header->x0 || header->y1 <= header->y0)
        return nullptr;
    const uint32_t width = header->x1 - header->x0;
    const uint32_t height = header->y1 - header->y0;
    if (!ImageSizeAcceptable(width, height) || !ComponentsUsable(header))
        return nullptr;
    if (!opj_decode(state.codec, state.stream, state.image) || !opj_end_decompress(state.codec, state.stream))
        return nullptr;

    const opj_image_t* image = state.image;
    if (!ComponentsUsable(image) || image->x1 - image->x0 != width || image->y1 - image->y0 != height)
        return nullptr;
    const uint32_t channels = image->numcomps;
    for (uint32_t c = 0; c < channels; ++c)
        if (image->comps[c].data == nullptr || image->comps[c].w != width || image->comps[c].h != height)
            return nullptr;

    std::unique_ptr<cSurface> surface = std::make_unique<cSurface>();
    if (!surface->Allocate(channels == 3 ? kFormatRGB888 : kFormatRGBA8888, width, height) ||
        surface->pixels == nullptr)
        return nullptr;
    const bool bottomUp = (flags & kDecodeBottomUp) != 0;
    for (uint32_t c = 0; c < channels; ++c)
    {
        const opj_image_comp_t& comp = image->comps[c];
        // Signed components stay 0.
        if (comp.sgnd)
            continue;
        const uint32_t mask = (1u << comp.prec) - 1;
        for (uint32_t y = 0; y < height; ++y)
        {
            const OPJ_INT32* in = comp.data + size_t(y) * width;
            uint8_t* out = surface->pixels + size_t(bottomUp ? height - 1 - y : y) * width * channels + c;
            for (uint32_t x = 0; x < width; ++x)
                out[size_t(x) * channels] = uint8_t(uint32_t(in[x]) & mask);
        }
    }
    surface->flipped = bottomUp ? 1 : 0;
    return surface.release();
}

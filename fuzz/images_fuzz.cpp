// Feeds arbitrary bytes to one picture decoder (chosen at build time) and reads every
// byte of what it returns, so that a surface whose fields disagree with its buffer shows.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "GfxTools/TextureDecompress.h"
#include "KelpoBase/core/Debug.h"
#include "KelpoBase/render/ImageDecoders.h"
#include "KelpoBase/render/Surface.h"

namespace
{
cSurface* Decode(const uint8_t* data, size_t size)
{
    const uint32_t flags = (size & 1) ? kDecodeBottomUp : 0;
    (void)flags;
#if defined(FUZZ_IMAGE_PVR)
    return DecodePVRFromMemory(data, size);
#elif defined(FUZZ_IMAGE_PNG)
    return DecodePNGFromMemory(data, size, flags);
#elif defined(FUZZ_IMAGE_JP2)
    return DecodeJPEG2000FromMemory(data, size, flags);
#elif defined(FUZZ_IMAGE_TGA)
    return DecodeTGAFromMemory(data, size, flags);
#else
    return DecodeBMPFromMemory(data, size, flags);
#endif
}

volatile uint32_t gSink;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool quiet = [] {
        SetDebugSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;

    std::unique_ptr<cSurface> surface(Decode(data, size));
    if (!surface)
        return 0;
    uint32_t sum = 0;
    for (uint32_t i = 0; i < surface->size; ++i)
        sum += surface->pixels[i];
    const uint32_t bytesPerPixel = surface->bpp / 8;
    if (bytesPerPixel != 0 && surface->format != kFormatNone)
    {
        // Whole-byte formats: the picture fits its buffer; pixel access stays inside.
        if (uint64_t(surface->width) * surface->height * bytesPerPixel > surface->size)
            __builtin_trap();
        sum += surface->GetPixel(int32_t(surface->width) - 1, int32_t(surface->height) - 1);
    }
    const uint32_t format = surface->format;
    if (format >= kFormatPVRTC2 && format <= kFormatPVRTC4A)
    {
        // The renderer decompresses the first level of a PVRTC picture.
        const bool twoBit = format <= kFormatPVRTC2A;
        if (CompressedLevelSize(twoBit, surface->width, surface->height) > surface->size)
            __builtin_trap();
        std::vector<uint8_t> out(size_t(surface->width) * surface->height * 4);
        DecompressPVRTC(surface->pixels, twoBit, surface->width, surface->height, out.data());
        sum += out[out.size() - 1];
    }
    gSink = sum;
    return 0;
}

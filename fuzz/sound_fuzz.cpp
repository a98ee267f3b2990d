// Decodes an Ogg Vorbis sound from memory, as the sound loader does (no sound device).
#include <cstddef>
#include <cstdint>

#include "KelpoBase/platform/OggDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    OggPcm pcm;
    if (DecodeOggMemory(data, size, pcm))
    {
        // What was decoded is whole frames within the announced length.
        if (pcm.bytes.empty() || pcm.bytes.size() % (static_cast<size_t>(pcm.channels) * 2) != 0 ||
            pcm.bytes.size() > pcm.announcedBytes || (pcm.channels != 1 && pcm.channels != 2))
            __builtin_trap();
    }
    return 0;
}

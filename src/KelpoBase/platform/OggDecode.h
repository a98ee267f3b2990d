// Ogg Vorbis decoding into 16-bit PCM, wholly, at load time.
//
// This file calls no sound device: it turns the bytes of an Ogg Vorbis file into
// interleaved 16-bit signed samples in the machine's order (one or two channels) and
// leaves handing them to the device to its caller, so that the decoder can be tested
// and fuzzed on its own.
//
// Every failure returns false with the output left empty and the decoder released: a
// file that is not Ogg Vorbis, a truncated or corrupt stream, a channel count other
// than 1 or 2, an announced length of no samples or one beyond kMaxOggPcmBytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class cDataStream;

struct OggPcm
{
    int channels = 0;
    int rate = 0;
    // Interleaved 16-bit samples, only what the stream really delivered (whole frames).
    std::vector<uint8_t> bytes;
    // The length the stream announced for its first logical stream, in bytes.
    uint64_t announcedBytes = 0;
};

// The largest decoded size a sound may announce (a sound effect is decoded whole).
constexpr uint64_t kMaxOggPcmBytes = 128ull * 1024 * 1024;

// Decodes the first logical stream of a seekable stream from its current position.
// The stream stays open (the caller owns it).
bool DecodeOggStream(cDataStream& stream, OggPcm& out);
// The same from bytes in memory.
bool DecodeOggMemory(const void* bytes, size_t size, OggPcm& out);
// The same from a resource path (a loose file or a pack entry, streamed).
bool DecodeOggFile(const std::string& path, OggPcm& out);

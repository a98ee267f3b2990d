// The picture decoders: PVR (version 2 header), PNG, JPEG 2000, TGA and BMP.
//
// Each decoder turns one file into a new cSurface, or returns null (and holds nothing)
// when the file is missing, not of its kind, truncated, larger than the decoders accept,
// or inconsistent with itself. Files are read whole through cResourceFile (a loose file
// or a pack entry); every decoder also has an entry point that decodes bytes in memory.
// Nothing here prints, except the JPEG 2000 library's messages, which go to the debug
// output.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class cSurface;

// Decoder flags.
enum : uint32_t
{
    // Store the rows bottom to top and set the surface's `flipped` flag. The PNG, JPEG 2000,
    // TGA and BMP decoders first honour their file's own row order, so every format comes
    // out the same way up; PVR data is kept as stored and always marked flipped.
    kDecodeBottomUp = 16,
    // Passed when a surface is loaded on its own; changes nothing.
    kDecodeSurface = 32,
};

// The largest picture any decoder accepts: each side, and the pixel count.
constexpr uint32_t kMaxImageSide = 8192;
constexpr uint64_t kMaxImagePixels = 8192ull * 4096ull;
bool ImageSizeAcceptable(uint64_t width, uint64_t height);

// Picks the decoder by the text after the last '.', compared in lower case: "pvr", "png",
// "jp2", "tga", "bmp"; any other extension, or none, gives null.
cSurface* DecodeImageFile(const std::string& name, uint32_t flags);

cSurface* DecodePVR(const std::string& name);
cSurface* DecodePNG(const std::string& name, uint32_t flags);
cSurface* DecodeJPEG2000(const std::string& name, uint32_t flags);
cSurface* DecodeTGA(const std::string& name, uint32_t flags);
cSurface* DecodeBMP(const std::string& name, uint32_t flags);

cSurface* DecodePVRFromMemory(const uint8_t* data, size_t size);
cSurface* DecodePNGFromMemory(const uint8_t* data, size_t size, uint32_t flags);
cSurface* DecodeJPEG2000FromMemory(const uint8_t* data, size_t size, uint32_t flags);
cSurface* DecodeTGAFromMemory(const uint8_t* data, size_t size, uint32_t flags);
cSurface* DecodeBMPFromMemory(const uint8_t* data, size_t size, uint32_t flags);

// The lower-cased text after the last '.' of the file name ("" when there is none).
std::string ImageExtension(const std::string& name);

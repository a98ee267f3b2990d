// PVRTC (version 1) texture decompression to RGBA 8:8:8:8.
//
// A PVRTC picture is a grid of 64-bit blocks, each a 32-bit modulation word followed by a
// 32-bit colour word (little-endian), stored in twiddled (Morton) order. Every block holds
// two low-precision colours, A and B; each pixel's colour is a blend of A and B, up-scaled
// bilinearly from the four blocks around it, weighted by the pixel's modulation value.
// Blocks cover 4 x 4 pixels at 4 bits a pixel and 8 x 4 pixels at 2 bits a pixel.
#pragma once

#include <cstddef>
#include <cstdint>

// The bytes one mip level occupies: the size padded to at least 16 x 8 (2 bits) or 8 x 8
// (4 bits) pixels, times the bits a pixel, over 8.
uint32_t CompressedLevelSize(bool twoBitMode, uint32_t width, uint32_t height);

// Decodes a width x height picture into out (width x height x 4 bytes, R, G, B, A, top row
// first). The data must hold CompressedLevelSize bytes. Pictures smaller than the 2 x 2 block
// grid are decoded at the padded size and cropped, so out is never overrun.
void DecompressPVRTC(const void* data, bool twoBitMode, uint32_t width, uint32_t height, uint8_t* out);

// The same with the data's size known: a block past the end reads as zero bits. False
// (and out untouched) when the picture has no pixels.
bool DecompressPVRTC(const void* data, size_t dataSize, bool twoBitMode, uint32_t width, uint32_t height,
                     uint8_t* out);

// The format 1 model writer: cMultiMesh::Write (declared with the class in Model.h).
//
// Layout (little-endian, every integer 32-bit):
//   file:     u32 1, bounds minimum (3 floats), bounds maximum (3 floats), u32 mesh count n,
//             then n times a mesh record followed by the material record of the same index;
//   mesh:     u32 1, u32 file flags (mesh format bits 1..10 moved down to 0..9), u32 vertex
//             count, u32 index count, u32 stride, u32 stride again, the vertex bytes as
//             stored, the 16-bit indices;
//   material: u32 2 (the record version), u32 2 (the number of names that follow), then
//             one short string per texture slot: empty for an empty slot, else the
//             image's file name relative to the folder of the stream's name.
//
// The name count is always the number of names written (2), so the format 1 reader reads
// exactly the names that are there, filled slots or not.
#pragma once

#include <cstdint>
#include <string>

#include "KelpoBase/render/Model.h"

// The name a texture slot is written under, relative to the folder of outputPath.
std::string ModelTextureFileName(const cImage* image, const std::string& outputPath);
// The file flags of a mesh format.
uint32_t MeshV1FlagsFromFormat(uint32_t format);
// Writes the multi-mesh to a new file at path (its textures named relative to the file's
// folder); false when the file cannot be made or a write fails.
bool SaveMultiMeshV1File(const cMultiMesh& model, const std::string& path);

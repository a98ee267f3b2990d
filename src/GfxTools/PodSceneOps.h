// Operations on whole POD scenes, their meshes and vertex channels: baking a posed scene
// into world space, channel type conversion and component selection, interleaving,
// triangle strips, index reordering, position quantisation and bone-weight packing.
//
// The channel operations work on channels that own their data (not offsets into an
// interleaved block) and return false, changing nothing, for one they cannot handle.
// Every vertex access is checked against the channel's data size.
#pragma once

#include <cstdint>

#include "GfxTools/PodModel.h"

// A still copy of the source posed at its current frame (frame count 0, no parents, no
// animation), with mesh i the copy of the mesh that mesh node i instances, its vertices
// in world space (skinned meshes posed through their bone matrices). 0 or 1.
uint32_t BakeWorldSpace(PodModel& source, PodModel& destination);

// Re-encodes every vertex to the new type; packed types (4 to 8) take one component.
bool ConvertChannelType(PodDataChannel& channel, uint32_t newType, uint32_t vertexCount);
// Keeps the components the selectors name ('x', 'y', 'z', 'w'; negative to negate), in
// selector order; the list ends at a 0 or after four.
bool SelectChannelComponents(PodDataChannel& channel, uint32_t vertexCount, const int32_t selectors[4]);

// Packs every vertex channel into one block (each channel's data becomes its offset).
bool InterleaveMesh(PodMesh& mesh);
// Copies one channel of an interleaved mesh out into data of its own.
bool DeinterleaveChannel(PodMesh& mesh, PodDataChannel& channel);
// Copies every channel out and frees the interleaved block.
bool DeinterleaveMesh(PodMesh& mesh);

// Triangle list to strips, or strips to a list (16-bit faces only).
bool SwitchStripForm(PodMesh& mesh);
// Rewrites each triangle's indices in the given order (each 0, 1 or 2).
bool ReorderTriangleIndices(PodMesh& mesh, const uint32_t order[3]);
// Re-encodes float positions to a smaller type, with the unpack matrix mapping a stored
// position back to the original.
bool QuantizePositions(PodMesh& mesh, uint32_t newType);
// Up to four bone indices and weights per vertex become bytes (weights out of 255,
// summing to 255). Fails for a bone index above 255 or a vertex without weight.
bool PackBoneWeights(PodMesh& mesh);

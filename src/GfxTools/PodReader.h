// POD scene files ("AB.POD.2.0"): the reader, the writer and the whole-scene operations.
//
// A file is a sequence of blocks, each a marker (u32 identifier, u32 data length) and its
// data, all little-endian. Containers (the scene, each record, each vertex channel) have a
// start marker of length 0 and an end marker (identifier | 0x80000000); their length is
// never used. Top level: 1000 version, 1001 scene, 1002 export options, 1003 history.
//
// Every count, length and index read from a file is checked before it is used: a record
// beyond its declared count, a channel or face list shorter than its mesh needs, a parent
// index outside the nodes or in a cycle, a bone, camera-target or mesh index outside its array fail the
// load (1) instead of writing or reading past an array. The loaders return 0 for success
// and 1 for failure; after a failure the model is partly filled and is to be destroyed.
#pragma once

#include <cstdint>

#include "GfxTools/PodModel.h"

// When either text buffer is given, only the requested texts are copied (cut to the
// buffer's size) and the scene is not read.
uint32_t LoadPodFile(PodModel& model, const char* fileName, char* exportOptions = nullptr,
                     uint32_t exportOptionsSize = 0, char* history = nullptr, uint32_t historySize = 0);
uint32_t LoadPodMemory(PodModel& model, const void* data, uint32_t size, char* exportOptions = nullptr,
                       uint32_t exportOptionsSize = 0, char* history = nullptr, uint32_t historySize = 0);
// From a resource embedded in the program (RegisterEmbeddedResource, ToolsInput.h).
uint32_t LoadPodResource(PodModel& model, const char* resourceName);

// 0 on success, 1 when the file cannot be made or a write fails. Texts are written only
// when given and not empty.
uint32_t SavePodFile(const char* fileName, const PodModel& model, const char* exportOptions = nullptr,
                     const char* history = nullptr);
// The same into a caller's growing byte buffer (std::malloc'd; the caller frees it).
uint32_t SavePodMemory(uint8_t** data, uint32_t* size, const PodModel& model, const char* exportOptions = nullptr,
                       const char* history = nullptr);

// Frees every array and string (unless the frame state is marked borrowed), the frame
// state, and zero-fills the model.
void DestroyScene(PodModel& model);
// Destroys the destination, deep-copies the source and sets up the frame state.
uint32_t CopyScene(PodModel& destination, const PodModel& source);
// Destroys the model and takes the scene record's fields without copying its arrays; the
// frame state is marked borrowed, so destroying the model leaves the arrays to their owner.
uint32_t AdoptScene(PodModel& model, const PodModel& scene);
// Converts every real number between 16.16 fixed point and float (by flags bit 0) and
// flips the bit.
void SwitchNumberFormat(PodModel& model);

// Type 1, no components, stride 0, data freed.
void ResetChannel(PodDataChannel& channel);
// A deep copy of a channel of a mesh that has no interleaved data.
bool CopyChannel(PodDataChannel& destination, const PodDataChannel& source);

// A deep copy of one mesh (into a zeroed record), and freeing one mesh's arrays.
bool CopyPodMesh(PodMesh& destination, const PodMesh& source);
void FreePodMesh(PodMesh& mesh);

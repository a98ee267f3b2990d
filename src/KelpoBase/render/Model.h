// Models: sets of meshes, each with its material, read from binary model files.
//
// cMultiMesh holds meshes and their materials (material i belongs to mesh i) with common
// bounds; cModel3D is a labelled group of multi-meshes; cModelSet is a list of models.
//
// Two file formats exist, both little-endian:
//   format 1 ("vemimodel"): one multi-mesh whose materials name their textures inline;
//   format 2 ("vemimodel2"): a u32 file version, then one multi-mesh of richer records.
// Model sets (and the mesh block of Vemi scenes) are made of the format 2 records.
//
// Every reader checks each count, stride and size against the bytes left in its stream
// before it allocates or reads, and returns null (with nothing left behind) for a
// truncated or inconsistent record. Texture names are resolved against the folder of
// the stream's name and loaded through LoadTexture into the current resource group.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KelpoBase/core/Vec3.h"
#include "KelpoBase/render/Material.h"
#include "KelpoBase/render/Mesh.h"
#include "KelpoBase/render/Resource.h"

class cDataStream;

class cMultiMesh : public cResource
{
    KELPO_DECLARE_CLASS(cMultiMesh, cResource)
public:
    cMultiMesh() = default;
    // Deletes the meshes and materials it owns.
    ~cMultiMesh() override;

    // Widens every mesh by one texture-coordinate set, in order.
    void AddTexCoordSet(uint32_t set);
    // A copy with cloned meshes, in order, and the source's bounds. Each mesh of the copy
    // gets a new material with the source material's textures (not owned, as in every
    // material), flags, blend and colour, so that the copy draws like the source.
    static cMultiMesh* Clone(const cMultiMesh& source);

    // Writes the format 1 layout (ModelWriter.cpp): textures are named relative to the
    // folder of the stream's name. Returns false when the stream took fewer bytes than
    // were written to it.
    bool Write(cDataStream& stream) const;

    cVec3f boundsMin;
    cVec3f boundsMax;
    std::vector<cMesh*> meshes;        // owned
    std::vector<cMaterial*> materials; // owned; same length as meshes
};

class cModel3D : public cResource
{
    KELPO_DECLARE_CLASS(cModel3D, cResource)
public:
    cModel3D() = default;
    ~cModel3D() override;

    // A copy whose parts are clones of the source's parts, with the source's last word;
    // bounds are left at 0 and the label empty.
    static cModel3D* Clone(const cModel3D& source);

    std::vector<cMultiMesh*> parts; // owned
    float bounds[6] = {};
    std::string label;
    uint32_t word = 0;
};

class cModelSet : public cResource
{
    KELPO_DECLARE_CLASS(cModelSet, cResource)
public:
    cModelSet() = default;
    ~cModelSet() override;

    std::vector<cModel3D*> models; // owned
};

// The file version that governs format 2 material and model records: set by the last
// format 2 file or model set read (and by the Vemi scene's mesh block).
uint32_t GetModelReaderVersion();
void SetModelReaderVersion(uint32_t version);

// The image format 2 materials with option bit 0x1 take into their second slot; nothing
// in the program sets it, so it stays null unless a caller does.
void SetModelOptionImage(cImage* image);
cImage* GetModelOptionImage();

// Format 1.
cMultiMesh* ReadMultiMeshV1(cDataStream& stream);
cMultiMesh* LoadMultiMeshV1File(const std::string& path);
cMultiMesh* LoadMultiMeshV1Memory(const void* bytes, uint32_t size, const std::string& name);

// Format 2.
cMultiMesh* ReadMultiMeshV2(cDataStream& stream);
// The u32 file version (becomes the reader version), then ReadMultiMeshV2.
cMultiMesh* ReadMultiMeshV2File(cDataStream& stream);
cMultiMesh* LoadMultiMeshV2File(const std::string& path);
cMultiMesh* LoadMultiMeshV2Memory(const void* bytes, uint32_t size, const std::string& name);

// Model records and sets.
cModel3D* ReadModel3D(cDataStream& stream);
cModelSet* ReadModelSet(cDataStream& stream);
cModelSet* LoadModelSetFile(const std::string& path);
cModelSet* LoadModelSetMemory(const void* bytes, uint32_t size, const std::string& name);

// The single records. Each returns null when its bytes are not all there or do not fit
// together (a stride below the layout's size, an index past the vertices).
cMesh* ReadMeshV1(cDataStream& stream);
cMesh* ReadMeshV2(cDataStream& stream);
// The format 1 material record; a texture count above 2 reads the further names and
// ignores them (only two slots exist).
cMaterial* ReadMaterialV1(cDataStream& stream);
cMaterial* ReadMaterialV2(cDataStream& stream);

// The file flags of a format 1 mesh record are the mesh format shifted down by one bit:
// bits 0 to 9 (mesh flags 0x2 to 0x400) and bit 13 (the 2D positions flag 0x4000, which
// the 32-bit field has room for; earlier files never set it). Other bits are not kept.
inline constexpr uint32_t kMeshV1FileFlags = 0x3FFu | (kMeshPositions2D >> 1);

// The mesh format of a format 1 record's file flags, and of a format 2 record's.
uint32_t MeshFormatFromV1Flags(uint32_t fileFlags);
uint32_t MeshFormatFromV2Flags(uint8_t fileFlags);

// Registers the model loaders with the resource layer (LoadModel, LoadModelV2,
// LoadModelFromStream). Called once at start-up.
void RegisterModelLoaders();

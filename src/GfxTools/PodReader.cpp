#include "GfxTools/PodReader.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "GfxTools/ToolsInput.h"

static_assert(std::endian::native == std::endian::little, "vertex data blocks are kept in file byte order");

namespace
{
constexpr uint32_t kEnd = 0x80000000u;
constexpr char kVersion[] = "AB.POD.2.0"; // with its zero: 11 bytes
constexpr uint32_t kVersionLength = 11;
constexpr uint32_t kSwappedVersionId = 0xE8030000u;
// The smallest container: its start and end markers.
constexpr uint32_t kMinContainer = 16;

enum : uint32_t
{
    kBlockVersion = 1000,
    kBlockScene = 1001,
    kBlockExportOptions = 1002,
    kBlockHistory = 1003,
};

// Owned data always has a size; a channel of interleaved data holds an offset instead.
void FreeChannel(PodDataChannel& c)
{
    if (c.size != 0)
        std::free(c.data);
    c.data = nullptr;
    c.size = 0;
}

void FreeMesh(PodMesh& mesh)
{
    FreeChannel(mesh.faces);
    std::free(mesh.stripLengths);
    for (PodDataChannel* c : {&mesh.positions, &mesh.normals, &mesh.tangents, &mesh.binormals, &mesh.colours,
                              &mesh.boneIndices, &mesh.boneWeights})
        FreeChannel(*c);
    if (mesh.texCoords != nullptr)
        for (uint32_t i = 0; i < mesh.texCoordChannelCount; ++i)
            FreeChannel(mesh.texCoords[i]);
    std::free(mesh.texCoords);
    std::free(mesh.interleaved);
    std::free(mesh.bones.batchBones);
    std::free(mesh.bones.bonesPerBatch);
    std::free(mesh.bones.batchOffsets);
}

void FreeNode(PodNode& node)
{
    std::free(node.name);
    std::free(node.positionIndex);
    std::free(node.position);
    std::free(node.rotationIndex);
    std::free(node.rotation);
    std::free(node.scaleIndex);
    std::free(node.scale);
    std::free(node.matrixIndex);
    std::free(node.matrix);
}

// ---- Reading ----

class PodFileReader
{
public:
    PodFileReader(CSource& source, PodModel& model) : in(source), scene(model) {}

    uint32_t Run(char* exportOptions, uint32_t exportSize, char* history, uint32_t historySize);

private:
    // Single values: the block must hold at least one; the rest is skipped.
    template <class T> bool Value(uint32_t length, T& out)
    {
        if (length < 4 || !in.ReadU32(out))
            return false;
        return in.Skip(length - 4);
    }
    // A fixed number of 32-bit values.
    template <class T> bool Values(uint32_t length, T* out, uint32_t count)
    {
        if (length < count * 4 || !in.ReadU32Array(out, count))
            return false;
        return in.Skip(length - count * 4);
    }
    // A counted array of 32-bit values (length / 4 of them; a duplicate block replaces it).
    template <class T> bool Array(uint32_t length, T*& out, uint32_t& count)
    {
        std::free(out);
        out = nullptr;
        count = 0;
        if (!in.AllocAndReadU32(out, length))
            return false;
        count = length / 4;
        return in.Skip(length % 4);
    }
    // A zero-terminated string; an unterminated block gets its terminator added.
    bool String(uint32_t length, char*& out)
    {
        std::free(out);
        out = nullptr;
        if (length == 0)
            return true;
        if (length > in.Remaining())
            return false;
        out = static_cast<char*>(std::calloc(size_t(length) + 1, 1));
        return out != nullptr && in.Read(out, length);
    }
    bool Bytes(uint32_t length, uint8_t*& out, uint32_t& size)
    {
        std::free(out);
        out = nullptr;
        size = 0;
        if (!in.AllocAndReadBytes(out, length))
            return false;
        size = length;
        return true;
    }
    // Allocates a record array for a count block; a count that the rest of the source
    // cannot hold, or a second count block for the same array, fails.
    template <class T> bool Records(uint32_t length, uint32_t& count, T*& array)
    {
        uint32_t n;
        if (!Value(length, n) || array != nullptr)
            return false;
        if (uint64_t(n) * kMinContainer > in.Remaining())
            return false;
        if (!CSource::AllocZeroed(array, n))
            return false;
        count = n;
        return true;
    }

    bool ReadScene();
    bool ReadCamera(PodCamera& camera);
    bool ReadLight(PodLight& light);
    bool ReadMaterial(PodMaterial& material);
    bool ReadTexture(PodTexture& texture);
    bool ReadNode(PodNode& node);
    bool ReadMesh(PodMesh& mesh);
    bool ReadChannel(PodDataChannel& channel, uint32_t endId, const PodMesh& mesh);
    bool CheckMesh(PodMesh& mesh);
    bool CheckScene();

    CSource& in;
    PodModel& scene;
};

bool PodFileReader::ReadChannel(PodDataChannel& channel, uint32_t endId, const PodMesh& mesh)
{
    for (;;)
    {
        uint32_t id, length;
        if (!in.ReadBlockHeader(id, length))
            return false;
        if (id == (endId | kEnd))
            return true;
        bool ok = true;
        switch (id)
        {
        case 9000:
            ok = Value(length, channel.type);
            break;
        case 9001:
            ok = Value(length, channel.components);
            break;
        case 9002:
            ok = Value(length, channel.stride);
            break;
        case 9003:
            if (mesh.interleaved != nullptr)
            {
                uint32_t offset = 0;
                ok = Value(length, offset);
                FreeChannel(channel);
                PodSetChannelOffset(channel, offset);
            }
            else
            {
                // Kept as the file's bytes (little-endian, as the host).
                ok = Bytes(length, channel.data, channel.size);
            }
            break;
        default:
            ok = in.Skip(length);
            break;
        }
        if (!ok)
            return false;
    }
}

bool PodFileReader::ReadCamera(PodCamera& camera)
{
    for (;;)
    {
        uint32_t id, length;
        if (!in.ReadBlockHeader(id, length))
            return false;
        if (id == (2010 | kEnd))
            return true;
        bool ok;
        switch (id)
        {
        case 8000: ok = Value(length, camera.targetIndex); break;
        case 8001: ok = Value(length, camera.fieldOfView); break;
        case 8002: ok = Value(length, camera.farPlane); break;
        case 8003: ok = Value(length, camera.nearPlane); break;
        case 8004: ok = Array(length, camera.animatedFieldOfView, camera.animatedFieldOfViewCount); break;
        default: ok = in.Skip(length); break;
        }
        if (!ok)
            return false;
    }
}

bool PodFileReader::ReadLight(PodLight& light)
{
    for (;;)
    {
        uint32_t id, length;
        if (!in.ReadBlockHeader(id, length))
            return false;
        if (id == (2011 | kEnd))
            return true;
        bool ok;
        switch (id)
        {
        case 7000: ok = Value(length, light.targetIndex); break;
        case 7001: ok = Values(length, light.colour, 3); break;
        case 7002: ok = Value(length, light.type); break;
        case 7003: ok = Value(length, light.constantAttenuation); break;
        case 7004: ok = Value(length, light.linearAttenuation); break;
        case 7005: ok = Value(length, light.quadraticAttenuation); break;
        case 7006: ok = Value(length, light.falloffAngle); break;
        case 7007: ok = Value(length, light.falloffExponent); break;
        default: ok = in.Skip(length); break;
        }
        if (!ok)
            return false;
    }
}

bool PodFileReader::ReadMaterial(PodMaterial& m)
{
    PodMaterialDefaults(m);
    int32_t* textures[] = {&m.ambientTexture,      &m.specularColourTexture, &m.specularLevelTexture,
                           &m.bumpTexture,         &m.emissiveTexture,       &m.glossinessTexture,
                           &m.opacityTexture,      &m.reflectionTexture,     &m.refractionTexture};
    uint32_t* blends[] = {&m.blendSrcColour, &m.blendSrcAlpha, &m.blendDstColour,
                          &m.blendDstAlpha,  &m.blendOpColour,  &m.blendOpAlpha};
    for (;;)
    {
        uint32_t id, length;
        if (!in.ReadBlockHeader(id, length))
            return false;
        if (id == (2015 | kEnd))
            return true;
        bool ok;
        if (id >= 3009 && id <= 3017)
            ok = Value(length, *textures[id - 3009]);
        else if (id >= 3018 && id <= 3023)
            ok = Value(length, *blends[id - 3018]);
        else
            switch (id)
            {
            case 3000: ok = String(length, m.name); break;
            case 3001: ok = Value(length, m.diffuseTexture); break;
            case 3002: ok = Value(length, m.opacity); break;
            case 3003: ok = Values(length, m.ambient, 3); break;
            case 3004: ok = Values(length, m.diffuse, 3); break;
            case 3005: ok = Values(length, m.specular, 3); break;
            case 3006: ok = Value(length, m.shininess); break;
            case 3007: ok = String(length, m.effectFile); break;
            case 3008: ok = String(length, m.effectName); break;
            case 3024: ok = Values(length, m.blendColour, 4); break;
            case 3025: ok = Values(length, m.blendFactor, 4); break;
            case 3026: ok = Value(length, m.flags); break;
            default: ok = in.Skip(length); break;
            }
        if (!ok)
            return false;
    }
}

bool PodFileReader::ReadTexture(PodTexture& texture)
{
    for (;;)
    {
        uint32_t id, length;
        if (!in.ReadBlockHeader(id, length))
            return false;
        if (id == (2014 | kEnd))
            return true;
        const bool ok = id == 4000 ? String(length, texture.fileName) : in.Skip(length);
        if (!ok)
            return false;
    }
}

bool PodFileReader::ReadNode(PodNode& node)
{
    float staticPosition[3] = {0, 0, 0};
    float staticRotation[4] = {0, 0, 0, 1};
    float staticScale[7] = {1, 1, 1, 0, 0, 0, 0};
    bool anyStatic = false;
    for (;;)
    {
        uint32_t id, length;
        if (!in.ReadBlockHeader(id, length))
            return false;
        if (id == (2013 | kEnd))
            break;
        bool ok;
        switch (id)
        {
        case 5000: ok = Value(length, node.index); break;
        case 5001: ok = String(length, node.name); break;
        case 5002: ok = Value(length, node.materialIndex); break;
        case 5003: ok = Value(length, node.parentIndex); break;
        case 5004:
            ok = Values(length, staticPosition, 3);
            anyStatic = true;
            break;
        case 5005:
            ok = Values(length, staticRotation, 4);
            anyStatic = true;
            break;
        case 5006:
            ok = Values(length, staticScale, 3);
            anyStatic = true;
            break;
        case 5007: ok = Array(length, node.position, node.positionCount); break;
        case 5008: ok = Array(length, node.rotation, node.rotationCount); break;
        case 5009: ok = Array(length, node.scale, node.scaleCount); break;
        case 5011: ok = Array(length, node.matrix, node.matrixCount); break;
        case 5012: ok = Value(length, node.animationFlags); break;
        case 5013: ok = Array(length, node.positionIndex, node.positionIndexCount); break;
        case 5014: ok = Array(length, node.rotationIndex, node.rotationIndexCount); break;
        case 5015: ok = Array(length, node.scaleIndex, node.scaleIndexCount); break;
        case 5016: ok = Array(length, node.matrixIndex, node.matrixIndexCount); break;
        default: ok = in.Skip(length); break;
        }
        if (!ok)
            return false;
    }
    if (anyStatic)
    {
        auto settle = [&node](float*& values, uint32_t& count, const float* fixed, uint32_t size, uint32_t bit) {
            if (values == nullptr)
            {
                if (!CSource::AllocZeroed(values, size))
                    return false;
                std::memcpy(values, fixed, size * sizeof(float));
                count = size;
            }
            else
            {
                node.animationFlags |= bit;
            }
            return true;
        };
        if (!settle(node.position, node.positionCount, staticPosition, 3, kPodAnimPosition) ||
            !settle(node.rotation, node.rotationCount, staticRotation, 4, kPodAnimRotation) ||
            !settle(node.scale, node.scaleCount, staticScale, 7, kPodAnimScale))
            return false;
    }
    return true;
}

bool PodFileReader::ReadMesh(PodMesh& mesh)
{
    ToolsMatrix identity;
    ToolsMatrixIdentity(identity);
    std::memcpy(mesh.unpackMatrix, identity.f, sizeof mesh.unpackMatrix);
    uint32_t texCoordsRead = 0;
    PodDataChannel* channels[] = {&mesh.positions, &mesh.normals,     &mesh.tangents,   &mesh.binormals, nullptr,
                                  &mesh.colours,   &mesh.boneIndices, &mesh.boneWeights};
    for (;;)
    {
        uint32_t id, length;
        if (!in.ReadBlockHeader(id, length))
            return false;
        if (id == (2012 | kEnd))
            break;
        bool ok;
        switch (id)
        {
        case 6000: ok = Value(length, mesh.vertexCount); break;
        case 6001: ok = Value(length, mesh.faceCount); break;
        case 6002:
            ok = mesh.texCoords == nullptr && Records(length, mesh.texCoordChannelCount, mesh.texCoords);
            break;
        case 6003: ok = ReadChannel(mesh.faces, 6003, mesh); break;
        case 6004: ok = Array(length, mesh.stripLengths, mesh.stripLengthsCount); break;
        case 6005: ok = Value(length, mesh.stripCount); break;
        case 6010:
            ok = texCoordsRead < mesh.texCoordChannelCount &&
                 ReadChannel(mesh.texCoords[texCoordsRead++], 6010, mesh);
            break;
        case 6014: ok = Bytes(length, mesh.interleaved, mesh.interleavedSize); break;
        case 6015: ok = Array(length, mesh.bones.batchBones, mesh.bones.batchBonesCount); break;
        case 6016: ok = Array(length, mesh.bones.bonesPerBatch, mesh.bones.bonesPerBatchCount); break;
        case 6017: ok = Array(length, mesh.bones.batchOffsets, mesh.bones.batchOffsetsCount); break;
        case 6018: ok = Value(length, mesh.bones.maxBonesPerBatch); break;
        case 6019: ok = Value(length, mesh.bones.batchCount); break;
        case 6020: ok = Values(length, mesh.unpackMatrix, 16); break;
        default:
            if (id >= 6006 && id <= 6013 && id != 6010)
                ok = ReadChannel(*channels[id - 6006], id, mesh);
            else
                ok = in.Skip(length);
            break;
        }
        if (!ok)
            return false;
    }
    if (texCoordsRead != mesh.texCoordChannelCount)
        return false;
    return CheckMesh(mesh);
}

// A channel of vertexCount vertices fits its bytes.
bool ChannelFits(const PodDataChannel& c, uint32_t vertexCount, uint64_t available, uint64_t offset)
{
    if (c.components == 0 || vertexCount == 0)
        return true;
    const uint32_t element = PodDataTypeSize(c.type);
    // Each vertex lies after the one before: a stride below the vertex's own size would
    // let a few bytes stand for any number of vertices.
    if (element == 0 || c.components > 16 || c.stride < element * c.components)
        return false;
    const uint64_t last = offset + uint64_t(c.stride) * (vertexCount - 1) + uint64_t(element) * c.components;
    return last <= available;
}

bool PodFileReader::CheckMesh(PodMesh& mesh)
{
    PodDataChannel* vertexChannels[] = {&mesh.positions, &mesh.normals, &mesh.tangents, &mesh.binormals,
                                        &mesh.colours, &mesh.boneIndices, &mesh.boneWeights};
    auto check = [&mesh](PodDataChannel& c) {
        if (mesh.interleaved != nullptr)
        {
            // Channels written before the interleaved block hold their offset as 4 bytes.
            if (c.size != 0)
            {
                if (c.size != 4)
                    return false;
                uint32_t offset;
                std::memcpy(&offset, c.data, 4);
                std::free(c.data);
                PodSetChannelOffset(c, offset);
            }
            return ChannelFits(c, mesh.vertexCount, mesh.interleavedSize, PodChannelOffset(c));
        }
        if (c.components != 0 && mesh.vertexCount != 0 && c.data == nullptr)
            return false;
        return ChannelFits(c, mesh.vertexCount, c.size, 0);
    };
    // Vertices are their positions: a mesh with vertices has a position channel.
    if (mesh.vertexCount != 0 && mesh.positions.components == 0)
        return false;
    for (PodDataChannel* c : vertexChannels)
        if (!check(*c))
            return false;
    for (uint32_t i = 0; i < mesh.texCoordChannelCount; ++i)
        if (!check(mesh.texCoords[i]))
            return false;

    // Faces: as many indices as the strips or triangles need, each naming a vertex.
    const uint32_t indices = IndexCount(mesh);
    if (mesh.stripCount > mesh.stripLengthsCount && mesh.stripLengths != nullptr)
        return false;
    if (indices != 0)
    {
        const uint32_t element = PodDataTypeSize(mesh.faces.type);
        if (element == 0 || mesh.faces.data == nullptr || uint64_t(indices) * element > mesh.faces.size)
            return false;
        if (mesh.faces.type == kPodUnsignedShort)
            for (uint32_t i = 0; i < indices; ++i)
                if (ToolsIndexRead(mesh.faces.data + size_t(i) * 2, kPodUnsignedShort) >= mesh.vertexCount)
                    return false;
    }

    // Bone batches: the arrays hold every entry the batches name, offsets run in order
    // within the faces.
    const PodBoneBatches& b = mesh.bones;
    if (b.batchCount < 0 || b.maxBonesPerBatch < 0)
        return false;
    if (b.batchCount > 0)
    {
        const uint64_t count = uint64_t(b.batchCount);
        if (b.bonesPerBatchCount < count || b.batchOffsetsCount < count ||
            b.batchBonesCount < count * uint64_t(b.maxBonesPerBatch))
            return false;
        int32_t previous = 0;
        for (uint64_t j = 0; j < count; ++j)
        {
            if (b.bonesPerBatch[j] < 0 || b.bonesPerBatch[j] > b.maxBonesPerBatch)
                return false;
            if (b.batchOffsets[j] < previous || uint32_t(b.batchOffsets[j]) > mesh.faceCount)
                return false;
            previous = b.batchOffsets[j];
        }
    }
    return true;
}

bool PodFileReader::CheckScene()
{
    if (uint64_t(scene.meshNodeCount) + scene.lightCount + scene.cameraCount > scene.nodeCount)
        return false;
    for (uint32_t i = 0; i < scene.nodeCount; ++i)
    {
        const PodNode& node = scene.nodes[i];
        if (i < scene.meshNodeCount && (node.index < 0 || uint32_t(node.index) >= scene.meshCount))
            return false;
        // The parent chain must end at a root within node-count steps (no cycle).
        int32_t parent = node.parentIndex;
        uint32_t steps = 0;
        while (parent != -1)
        {
            if (parent < 0 || uint32_t(parent) >= scene.nodeCount || ++steps > scene.nodeCount)
                return false;
            parent = scene.nodes[parent].parentIndex;
        }
    }
    for (uint32_t m = 0; m < scene.meshCount; ++m)
    {
        const PodBoneBatches& b = scene.meshes[m].bones;
        for (int32_t j = 0; j < b.batchCount; ++j)
            for (int32_t k = 0; k < b.bonesPerBatch[j]; ++k)
            {
                const int32_t bone = b.batchBones[size_t(j) * size_t(b.maxBonesPerBatch) + size_t(k)];
                if (bone < 0 || uint32_t(bone) >= scene.nodeCount)
                    return false;
            }
    }
    for (uint32_t c = 0; c < scene.cameraCount; ++c)
        if (scene.cameras[c].targetIndex >= 0 && uint32_t(scene.cameras[c].targetIndex) >= scene.nodeCount)
            return false;
    return true;
}

bool PodFileReader::ReadScene()
{
    uint32_t cameras = 0, lights = 0, meshes = 0, nodes = 0, textures = 0, materials = 0;
    for (;;)
    {
        uint32_t id, length;
        if (!in.ReadBlockHeader(id, length))
            return false;
        if (id == (kBlockScene | kEnd))
            break;
        bool ok;
        switch (id)
        {
        case 2000: ok = Values(length, scene.background, 3); break;
        case 2001: ok = Values(length, scene.ambient, 3); break;
        case 2002: ok = Records(length, scene.cameraCount, scene.cameras); break;
        case 2003: ok = Records(length, scene.lightCount, scene.lights); break;
        case 2004: ok = Records(length, scene.meshCount, scene.meshes); break;
        case 2005: ok = Records(length, scene.nodeCount, scene.nodes); break;
        case 2006: ok = Value(length, scene.meshNodeCount); break;
        case 2007: ok = Records(length, scene.textureCount, scene.textures); break;
        case 2008: ok = Records(length, scene.materialCount, scene.materials); break;
        case 2009: ok = Value(length, scene.frameCount); break;
        case 2016: ok = Value(length, scene.flags); break;
        // A record beyond its count fails rather than being written past the array.
        case 2010: ok = cameras < scene.cameraCount && ReadCamera(scene.cameras[cameras++]); break;
        case 2011: ok = lights < scene.lightCount && ReadLight(scene.lights[lights++]); break;
        case 2012: ok = meshes < scene.meshCount && ReadMesh(scene.meshes[meshes++]); break;
        case 2013: ok = nodes < scene.nodeCount && ReadNode(scene.nodes[nodes++]); break;
        case 2014: ok = textures < scene.textureCount && ReadTexture(scene.textures[textures++]); break;
        case 2015: ok = materials < scene.materialCount && ReadMaterial(scene.materials[materials++]); break;
        default: ok = in.Skip(length); break;
        }
        if (!ok)
            return false;
    }
    if (cameras != scene.cameraCount || lights != scene.lightCount || meshes != scene.meshCount ||
        nodes != scene.nodeCount || textures != scene.textureCount || materials != scene.materialCount)
        return false;
    return CheckScene();
}

uint32_t PodFileReader::Run(char* exportOptions, uint32_t exportSize, char* history, uint32_t historySize)
{
    const bool textsOnly = exportOptions != nullptr || history != nullptr;
    bool versionSeen = false, sceneRead = false, exportDone = false, historyDone = false;
    auto copyText = [this](char* buffer, uint32_t bufferSize, uint32_t length) {
        const uint32_t n = length < bufferSize ? length : bufferSize;
        if (!in.Read(buffer, n))
            return false;
        return in.Skip(length - n);
    };
    uint32_t id, length;
    while (in.ReadBlockHeader(id, length))
    {
        bool ok = true;
        switch (id)
        {
        case kBlockVersion:
        {
            char text[kVersionLength];
            ok = length == kVersionLength && in.Read(text, kVersionLength) &&
                 std::memcmp(text, kVersion, kVersionLength) == 0;
            versionSeen = ok;
            break;
        }
        case kBlockScene:
            if (!textsOnly)
            {
                ok = ReadScene();
                sceneRead = ok;
            }
            break;
        case kBlockExportOptions:
            if (exportOptions != nullptr && !exportDone)
            {
                ok = copyText(exportOptions, exportSize, length);
                exportDone = true;
            }
            else
                ok = in.Skip(length);
            break;
        case kBlockHistory:
            if (history != nullptr && !historyDone)
            {
                ok = copyText(history, historySize, length);
                historyDone = true;
            }
            else
                ok = in.Skip(length);
            break;
        case kSwappedVersionId:
            DebugOutput("Error: Endianness mismatch between the .pod file and the platform.\n");
            return 1;
        case kBlockScene | kEnd:
            return versionSeen && sceneRead ? 0 : 1;
        default:
            ok = in.Skip(length);
            break;
        }
        if (!ok)
            return 1;
        if (textsOnly && (exportOptions == nullptr || exportDone) && (history == nullptr || historyDone))
            return 0;
    }
    if (textsOnly)
        return 0;
    if (scene.flags & 1)
        SwitchNumberFormat(scene);
    return versionSeen && sceneRead ? 0 : 1;
}

uint32_t Load(PodModel& model, CSource& source, char* exportOptions, uint32_t exportSize, char* history,
              uint32_t historySize)
{
    std::memset(&model, 0, sizeof model);
    PodFileReader reader(source, model);
    if (reader.Run(exportOptions, exportSize, history, historySize) != 0)
        return 1;
    return model.SetUpFrameState();
}

// ---- Writing ----

class PodWriter
{
public:
    virtual ~PodWriter() = default;
    virtual bool Put(const void* bytes, uint32_t n) = 0;

    bool U32(uint32_t v)
    {
        const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        return Put(b, 4);
    }
    bool Marker(uint32_t id, uint32_t length) { return U32(id) && U32(length); }
    bool Start(uint32_t id) { return Marker(id, 0); }
    bool End(uint32_t id) { return Marker(id | kEnd, 0); }
    template <class T> bool Value(uint32_t id, const T& v)
    {
        static_assert(sizeof(T) == 4);
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        return Marker(id, 4) && U32(bits);
    }
    // count 32-bit values; nothing at all for a null array.
    template <class T> bool Values(uint32_t id, const T* values, uint32_t count)
    {
        static_assert(sizeof(T) == 4);
        if (values == nullptr)
            return true;
        if (!Marker(id, count * 4))
            return false;
        for (uint32_t i = 0; i < count; ++i)
        {
            uint32_t bits;
            std::memcpy(&bits, values + i, 4);
            if (!U32(bits))
                return false;
        }
        return true;
    }
    bool Raw(uint32_t id, const void* bytes, uint32_t length)
    {
        if (bytes == nullptr)
            return true;
        return Marker(id, length) && (length == 0 || Put(bytes, length));
    }
    bool Text(uint32_t id, const char* text)
    {
        if (text == nullptr)
            return true;
        return Raw(id, text, uint32_t(std::strlen(text) + 1));
    }

    bool Scene(const PodModel& model, const char* exportOptions, const char* history);

private:
    bool Channel(uint32_t id, const PodDataChannel& c, const PodMesh& mesh, uint32_t bytes);
    bool Mesh(const PodMesh& mesh);
    bool Node(const PodNode& node, uint32_t frameCount);
};

// Value counts of a node channel: one key when not animated; with an index table the
// largest index plus the key size; else frame count keys. Never more than the array holds.
uint32_t KeyFloats(bool animated, const uint32_t* table, uint32_t tableCount, uint32_t frameCount, uint32_t keySize,
                   uint32_t stored)
{
    uint64_t n;
    if (!animated)
        n = keySize;
    else if (table != nullptr)
    {
        uint32_t largest = 0;
        for (uint32_t i = 0; i < tableCount; ++i)
            largest = table[i] > largest ? table[i] : largest;
        n = uint64_t(largest) + keySize;
    }
    else
        n = uint64_t(frameCount) * keySize;
    return n < stored ? uint32_t(n) : stored;
}

bool PodWriter::Channel(uint32_t id, const PodDataChannel& c, const PodMesh& mesh, uint32_t bytes)
{
    if (!Start(id) || !Value(9000, c.type) || !Value(9001, c.components) || !Value(9002, c.stride))
        return false;
    if (mesh.interleaved != nullptr && id != 6003 && c.size == 0)
    {
        if (!Value(9003, PodChannelOffset(c)))
            return false;
    }
    else if (!Raw(9003, c.data, bytes < c.size ? bytes : c.size))
        return false;
    return End(id);
}

bool PodWriter::Mesh(const PodMesh& mesh)
{
    const PodBoneBatches& b = mesh.bones;
    const uint64_t batchEntries = b.batchCount > 0 && b.maxBonesPerBatch > 0
                                      ? uint64_t(b.batchCount) * uint64_t(b.maxBonesPerBatch) : 0;
    const uint32_t batches = b.batchCount > 0 ? uint32_t(b.batchCount) : 0;
    auto within = [](uint64_t want, uint32_t have) { return uint32_t(want < have ? want : have); };
    if (!Start(2012) || !Value(6000, mesh.vertexCount) || !Value(6001, mesh.faceCount) ||
        !Value(6002, mesh.texCoordChannelCount) ||
        !Values(6004, mesh.stripLengths, within(mesh.stripCount, mesh.stripLengthsCount)) ||
        !Value(6005, mesh.stripCount) || !Value(6018, b.maxBonesPerBatch) || !Value(6019, b.batchCount) ||
        !Values(6015, b.batchBones, within(batchEntries, b.batchBonesCount)) ||
        !Values(6016, b.bonesPerBatch, within(batches, b.bonesPerBatchCount)) ||
        !Values(6017, b.batchOffsets, within(batches, b.batchOffsetsCount)) ||
        !Values(6020, mesh.unpackMatrix, 16))
        return false;
    const uint32_t faceBytes = IndexCount(mesh) * PodDataTypeSize(mesh.faces.type);
    if (!Channel(6003, mesh.faces, mesh, faceBytes))
        return false;
    const PodDataChannel* channels[] = {&mesh.positions, &mesh.normals, &mesh.tangents, &mesh.binormals};
    auto bytesOf = [&mesh](const PodDataChannel& c) {
        const uint64_t n = uint64_t(c.stride) * mesh.vertexCount;
        return n > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(n);
    };
    for (int i = 0; i < 4; ++i)
        if (!Channel(6006 + uint32_t(i), *channels[i], mesh, bytesOf(*channels[i])))
            return false;
    for (uint32_t t = 0; t < mesh.texCoordChannelCount; ++t)
        if (!Channel(6010, mesh.texCoords[t], mesh, bytesOf(mesh.texCoords[t])))
            return false;
    if (!Channel(6011, mesh.colours, mesh, bytesOf(mesh.colours)) ||
        !Channel(6012, mesh.boneIndices, mesh, bytesOf(mesh.boneIndices)) ||
        !Channel(6013, mesh.boneWeights, mesh, bytesOf(mesh.boneWeights)))
        return false;
    if (!Raw(6014, mesh.interleaved, mesh.interleavedSize))
        return false;
    return End(2012);
}

bool PodWriter::Node(const PodNode& node, uint32_t frameCount)
{
    if (!Start(2013) || !Value(5000, node.index) || !Text(5001, node.name) || !Value(5002, node.materialIndex) ||
        !Value(5003, node.parentIndex) || !Value(5012, node.animationFlags))
        return false;
    const uint32_t flags = node.animationFlags;
    auto channel = [&](uint32_t tableId, const uint32_t* table, uint32_t tableCount, uint32_t valuesId,
                       const float* values, uint32_t stored, uint32_t bit, uint32_t keySize) {
        const bool animated = (flags & bit) != 0;
        const uint32_t tableEntries = tableCount < frameCount ? tableCount : frameCount;
        return Values(tableId, table, tableEntries) &&
               Values(valuesId, values, KeyFloats(animated, table, tableEntries, frameCount, keySize, stored));
    };
    if (!channel(5013, node.positionIndex, node.positionIndexCount, 5007, node.position, node.positionCount,
                 kPodAnimPosition, 3) ||
        !channel(5014, node.rotationIndex, node.rotationIndexCount, 5008, node.rotation, node.rotationCount,
                 kPodAnimRotation, 4) ||
        !channel(5015, node.scaleIndex, node.scaleIndexCount, 5009, node.scale, node.scaleCount, kPodAnimScale, 7) ||
        !channel(5016, node.matrixIndex, node.matrixIndexCount, 5011, node.matrix, node.matrixCount, kPodAnimMatrix,
                 16))
        return false;
    return End(2013);
}

bool PodWriter::Scene(const PodModel& model, const char* exportOptions, const char* history)
{
    if (!Raw(kBlockVersion, kVersion, kVersionLength))
        return false;
    if (exportOptions != nullptr && exportOptions[0] != 0 && !Text(kBlockExportOptions, exportOptions))
        return false;
    if (history != nullptr && history[0] != 0 && !Text(kBlockHistory, history))
        return false;
    if (!Start(kBlockScene) || !Values(2000, model.background, 3) || !Values(2001, model.ambient, 3) ||
        !Value(2002, model.cameraCount) || !Value(2003, model.lightCount) || !Value(2004, model.meshCount) ||
        !Value(2005, model.nodeCount) || !Value(2006, model.meshNodeCount) || !Value(2007, model.textureCount) ||
        !Value(2008, model.materialCount) || !Value(2009, model.frameCount) || !Value(2016, model.flags))
        return false;
    for (uint32_t i = 0; i < model.cameraCount; ++i)
    {
        const PodCamera& c = model.cameras[i];
        const uint32_t frames = c.animatedFieldOfViewCount < model.frameCount ? c.animatedFieldOfViewCount
                                                                              : model.frameCount;
        if (!Start(2010) || !Value(8000, c.targetIndex) || !Value(8001, c.fieldOfView) || !Value(8002, c.farPlane) ||
            !Value(8003, c.nearPlane) || !Values(8004, c.animatedFieldOfView, frames) || !End(2010))
            return false;
    }
    for (uint32_t i = 0; i < model.lightCount; ++i)
    {
        const PodLight& l = model.lights[i];
        if (!Start(2011) || !Value(7000, l.targetIndex) || !Values(7001, l.colour, 3) || !Value(7002, l.type))
            return false;
        if (l.type != 1 && (!Value(7003, l.constantAttenuation) || !Value(7004, l.linearAttenuation) ||
                            !Value(7005, l.quadraticAttenuation)))
            return false;
        if (l.type == 2 && (!Value(7006, l.falloffAngle) || !Value(7007, l.falloffExponent)))
            return false;
        if (!End(2011))
            return false;
    }
    for (uint32_t i = 0; i < model.materialCount; ++i)
    {
        const PodMaterial& m = model.materials[i];
        const int32_t textures[] = {m.ambientTexture,    m.specularColourTexture, m.specularLevelTexture,
                                    m.bumpTexture,       m.emissiveTexture,       m.glossinessTexture,
                                    m.opacityTexture,    m.reflectionTexture,     m.refractionTexture};
        const uint32_t blends[] = {m.blendSrcColour, m.blendSrcAlpha, m.blendDstColour,
                                   m.blendDstAlpha,  m.blendOpColour,  m.blendOpAlpha};
        if (!Start(2015) || !Value(3026, m.flags) || !Text(3000, m.name) || !Value(3001, m.diffuseTexture))
            return false;
        for (uint32_t t = 0; t < 9; ++t)
            if (!Value(3009 + t, textures[t]))
                return false;
        if (!Value(3002, m.opacity) || !Values(3003, m.ambient, 3) || !Values(3004, m.diffuse, 3) ||
            !Values(3005, m.specular, 3) || !Value(3006, m.shininess) || !Text(3007, m.effectFile) ||
            !Text(3008, m.effectName))
            return false;
        for (uint32_t k = 0; k < 6; ++k)
            if (!Value(3018 + k, blends[k]))
                return false;
        if (!Values(3024, m.blendColour, 4) || !Values(3025, m.blendFactor, 4) || !End(2015))
            return false;
    }
    for (uint32_t i = 0; i < model.meshCount; ++i)
        if (!Mesh(model.meshes[i]))
            return false;
    for (uint32_t i = 0; i < model.nodeCount; ++i)
        if (!Node(model.nodes[i], model.frameCount))
            return false;
    for (uint32_t i = 0; i < model.textureCount; ++i)
        if (!Start(2014) || !Text(4000, model.textures[i].fileName) || !End(2014))
            return false;
    return End(kBlockScene);
}

class FileWriter : public PodWriter
{
public:
    explicit FileWriter(std::FILE* f) : file(f) {}
    bool Put(const void* bytes, uint32_t n) override { return std::fwrite(bytes, 1, n, file) == n; }
    std::FILE* file;
};

class MemoryWriter : public PodWriter
{
public:
    ~MemoryWriter() override { std::free(data); }
    bool Put(const void* bytes, uint32_t n) override
    {
        if (uint64_t(size) + n > 0xFFFFFFFFu)
            return false;
        if (size + n > capacity)
        {
            uint64_t grown = capacity == 0 ? 256 : uint64_t(capacity) * 2;
            while (grown < uint64_t(size) + n)
                grown *= 2;
            if (grown > 0xFFFFFFFFu)
                grown = 0xFFFFFFFFu;
            auto* block = static_cast<uint8_t*>(std::realloc(data, size_t(grown)));
            if (block == nullptr)
                return false;
            data = block;
            capacity = uint32_t(grown);
        }
        std::memcpy(data + size, bytes, n);
        size += n;
        return true;
    }
    uint8_t* data = nullptr;
    uint32_t size = 0;
    uint32_t capacity = 0;
};

// ---- Copies ----

template <class T> bool Duplicate(T*& out, const T* in, uint32_t count)
{
    out = nullptr;
    if (in == nullptr || count == 0)
        return true;
    if (!CSource::AllocZeroed(out, count))
        return false;
    std::memcpy(out, in, sizeof(T) * count);
    return true;
}

bool DuplicateText(char*& out, const char* in)
{
    out = nullptr;
    if (in == nullptr)
        return true;
    const size_t n = std::strlen(in) + 1;
    out = static_cast<char*>(std::malloc(n));
    if (out == nullptr)
        return false;
    std::memcpy(out, in, n);
    return true;
}

bool CopyMesh(PodMesh& d, const PodMesh& s)
{
    d = s;
    d.faces.data = nullptr;
    d.stripLengths = nullptr;
    d.texCoords = nullptr;
    d.interleaved = nullptr;
    d.bones.batchBones = d.bones.bonesPerBatch = d.bones.batchOffsets = nullptr;
    PodDataChannel* dc[] = {&d.positions, &d.normals, &d.tangents, &d.binormals, &d.colours, &d.boneIndices,
                            &d.boneWeights};
    const PodDataChannel* sc[] = {&s.positions, &s.normals, &s.tangents, &s.binormals, &s.colours, &s.boneIndices,
                                  &s.boneWeights};
    const bool interleaved = s.interleaved != nullptr;
    if (!interleaved)
        for (PodDataChannel* c : dc)
            c->data = nullptr;
    if (!CopyChannel(d.faces, s.faces) || !Duplicate(d.stripLengths, s.stripLengths, s.stripLengthsCount) ||
        !Duplicate(d.interleaved, s.interleaved, s.interleavedSize) ||
        !Duplicate(d.bones.batchBones, s.bones.batchBones, s.bones.batchBonesCount) ||
        !Duplicate(d.bones.bonesPerBatch, s.bones.bonesPerBatch, s.bones.bonesPerBatchCount) ||
        !Duplicate(d.bones.batchOffsets, s.bones.batchOffsets, s.bones.batchOffsetsCount))
        return false;
    if (!interleaved)
        for (int i = 0; i < 7; ++i)
            if (!CopyChannel(*dc[i], *sc[i]))
                return false;
    if (s.texCoords != nullptr && s.texCoordChannelCount != 0)
    {
        if (!CSource::AllocZeroed(d.texCoords, s.texCoordChannelCount))
            return false;
        for (uint32_t t = 0; t < s.texCoordChannelCount; ++t)
        {
            if (interleaved)
                d.texCoords[t] = s.texCoords[t];
            else if (!CopyChannel(d.texCoords[t], s.texCoords[t]))
                return false;
        }
    }
    return true;
}

bool CopyNode(PodNode& d, const PodNode& s)
{
    d = s;
    d.name = nullptr;
    d.positionIndex = d.rotationIndex = d.scaleIndex = d.matrixIndex = nullptr;
    d.position = d.rotation = d.scale = d.matrix = nullptr;
    return DuplicateText(d.name, s.name) && Duplicate(d.positionIndex, s.positionIndex, s.positionIndexCount) &&
           Duplicate(d.position, s.position, s.positionCount) &&
           Duplicate(d.rotationIndex, s.rotationIndex, s.rotationIndexCount) &&
           Duplicate(d.rotation, s.rotation, s.rotationCount) &&
           Duplicate(d.scaleIndex, s.scaleIndex, s.scaleIndexCount) && Duplicate(d.scale, s.scale, s.scaleCount) &&
           Duplicate(d.matrixIndex, s.matrixIndex, s.matrixIndexCount) &&
           Duplicate(d.matrix, s.matrix, s.matrixCount);
}
} // namespace

uint32_t LoadPodFile(PodModel& model, const char* fileName, char* exportOptions, uint32_t exportOptionsSize,
                     char* history, uint32_t historySize)
{
    CSourceStream source;
    if (!source.OpenFile(fileName))
        return 1;
    return Load(model, source, exportOptions, exportOptionsSize, history, historySize);
}

uint32_t LoadPodMemory(PodModel& model, const void* data, uint32_t size, char* exportOptions,
                       uint32_t exportOptionsSize, char* history, uint32_t historySize)
{
    CSourceStream source;
    if (!source.OpenMemory(data, size))
        return 1;
    return Load(model, source, exportOptions, exportOptionsSize, history, historySize);
}

uint32_t LoadPodResource(PodModel& model, const char* resourceName)
{
    CSourceResource source;
    if (!source.OpenResource(resourceName))
        return 1;
    return Load(model, source, nullptr, 0, nullptr, 0);
}

uint32_t SavePodFile(const char* fileName, const PodModel& model, const char* exportOptions, const char* history)
{
    std::FILE* file = std::fopen(fileName, "wb+");
    if (file == nullptr)
        return 1;
    FileWriter writer(file);
    const bool ok = writer.Scene(model, exportOptions, history);
    const bool closed = std::fclose(file) == 0;
    return ok && closed ? 0 : 1;
}

uint32_t SavePodMemory(uint8_t** data, uint32_t* size, const PodModel& model, const char* exportOptions,
                       const char* history)
{
    MemoryWriter writer;
    if (!writer.Scene(model, exportOptions, history))
        return 1;
    *data = writer.data;
    *size = writer.size;
    writer.data = nullptr;
    return 0;
}

void ResetChannel(PodDataChannel& channel)
{
    FreeChannel(channel);
    channel = PodDataChannel{};
    channel.type = kPodFloat;
}

bool CopyChannel(PodDataChannel& destination, const PodDataChannel& source)
{
    destination = source;
    destination.data = nullptr;
    destination.size = 0;
    if (source.data == nullptr || source.size == 0)
        return true;
    if (!Duplicate(destination.data, source.data, source.size))
        return false;
    destination.size = source.size;
    return true;
}

void DestroyScene(PodModel& model)
{
    const bool borrowed = model.frameState != nullptr && model.frameState->borrowed;
    if (!borrowed)
    {
        for (uint32_t i = 0; model.cameras != nullptr && i < model.cameraCount; ++i)
            std::free(model.cameras[i].animatedFieldOfView);
        std::free(model.cameras);
        std::free(model.lights);
        for (uint32_t i = 0; model.meshes != nullptr && i < model.meshCount; ++i)
            FreeMesh(model.meshes[i]);
        std::free(model.meshes);
        for (uint32_t i = 0; model.nodes != nullptr && i < model.nodeCount; ++i)
            FreeNode(model.nodes[i]);
        std::free(model.nodes);
        for (uint32_t i = 0; model.textures != nullptr && i < model.textureCount; ++i)
            std::free(model.textures[i].fileName);
        std::free(model.textures);
        for (uint32_t i = 0; model.materials != nullptr && i < model.materialCount; ++i)
        {
            std::free(model.materials[i].name);
            std::free(model.materials[i].effectFile);
            std::free(model.materials[i].effectName);
        }
        std::free(model.materials);
    }
    model.DestroyFrameState();
    std::memset(&model, 0, sizeof model);
}

uint32_t CopyScene(PodModel& destination, const PodModel& source)
{
    DestroyScene(destination);
    PodModel& d = destination;
    std::memcpy(d.background, source.background, sizeof d.background);
    std::memcpy(d.ambient, source.ambient, sizeof d.ambient);
    d.meshNodeCount = source.meshNodeCount;
    d.frameCount = source.frameCount;
    d.flags = source.flags;
    // Counts are set as each array is filled, so a failed copy destroys cleanly.
    if (source.cameraCount != 0)
    {
        if (!CSource::AllocZeroed(d.cameras, source.cameraCount))
            return 1;
        d.cameraCount = source.cameraCount;
        for (uint32_t i = 0; i < source.cameraCount; ++i)
        {
            d.cameras[i] = source.cameras[i];
            d.cameras[i].animatedFieldOfView = nullptr;
            if (!Duplicate(d.cameras[i].animatedFieldOfView, source.cameras[i].animatedFieldOfView,
                           source.cameras[i].animatedFieldOfViewCount))
                return 1;
        }
    }
    if (!Duplicate(d.lights, source.lights, source.lightCount))
        return 1;
    d.lightCount = d.lights != nullptr ? source.lightCount : 0;
    if (source.meshCount != 0)
    {
        if (!CSource::AllocZeroed(d.meshes, source.meshCount))
            return 1;
        d.meshCount = source.meshCount;
        for (uint32_t i = 0; i < source.meshCount; ++i)
            if (!CopyMesh(d.meshes[i], source.meshes[i]))
                return 1;
    }
    if (source.nodeCount != 0)
    {
        if (!CSource::AllocZeroed(d.nodes, source.nodeCount))
            return 1;
        d.nodeCount = source.nodeCount;
        for (uint32_t i = 0; i < source.nodeCount; ++i)
            if (!CopyNode(d.nodes[i], source.nodes[i]))
                return 1;
    }
    if (source.textureCount != 0)
    {
        if (!CSource::AllocZeroed(d.textures, source.textureCount))
            return 1;
        d.textureCount = source.textureCount;
        for (uint32_t i = 0; i < source.textureCount; ++i)
            if (!DuplicateText(d.textures[i].fileName, source.textures[i].fileName))
                return 1;
    }
    if (source.materialCount != 0)
    {
        if (!CSource::AllocZeroed(d.materials, source.materialCount))
            return 1;
        d.materialCount = source.materialCount;
        for (uint32_t i = 0; i < source.materialCount; ++i)
        {
            PodMaterial& m = d.materials[i];
            m = source.materials[i];
            m.name = m.effectFile = m.effectName = nullptr;
            if (!DuplicateText(m.name, source.materials[i].name) ||
                !DuplicateText(m.effectFile, source.materials[i].effectFile) ||
                !DuplicateText(m.effectName, source.materials[i].effectName))
                return 1;
        }
    }
    return d.SetUpFrameState();
}

uint32_t AdoptScene(PodModel& model, const PodModel& scene)
{
    DestroyScene(model);
    model = scene;
    model.frameState = nullptr;
    if (model.SetUpFrameState() != 0)
        return 1;
    model.frameState->borrowed = 1;
    return 0;
}

void SwitchNumberFormat(PodModel& model)
{
    const bool toFloat = (model.flags & 1) != 0;
    auto convert = [toFloat](float* values, uint32_t count) {
        if (values == nullptr)
            return;
        for (uint32_t i = 0; i < count; ++i)
        {
            if (toFloat)
            {
                int32_t fixed;
                std::memcpy(&fixed, values + i, 4);
                values[i] = float(fixed) * 1.52587890625e-5f;
            }
            else
            {
                const double scaled = double(values[i]) * 65536.0;
                const int32_t fixed = std::isnan(scaled) ? 0
                                      : scaled >= 2147483647.0 ? 2147483647
                                      : scaled <= -2147483648.0 ? int32_t(-2147483647 - 1)
                                                                : int32_t(scaled);
                std::memcpy(values + i, &fixed, 4);
            }
        }
    };
    for (uint32_t i = 0; i < model.cameraCount; ++i)
    {
        PodCamera& c = model.cameras[i];
        convert(&c.fieldOfView, 1);
        convert(&c.farPlane, 1);
        convert(&c.nearPlane, 1);
        convert(c.animatedFieldOfView, c.animatedFieldOfViewCount);
    }
    for (uint32_t i = 0; i < model.lightCount; ++i)
    {
        PodLight& l = model.lights[i];
        convert(l.colour, 3);
        convert(&l.constantAttenuation, 1);
        convert(&l.linearAttenuation, 1);
        convert(&l.quadraticAttenuation, 1);
        convert(&l.falloffAngle, 1);
        convert(&l.falloffExponent, 1);
    }
    for (uint32_t i = 0; i < model.nodeCount; ++i)
    {
        PodNode& n = model.nodes[i];
        convert(n.position, n.positionCount);
        convert(n.rotation, n.rotationCount);
        convert(n.scale, n.scaleCount);
        convert(n.matrix, n.matrixCount);
    }
    for (uint32_t i = 0; i < model.materialCount; ++i)
    {
        PodMaterial& m = model.materials[i];
        convert(&m.opacity, 1);
        convert(m.ambient, 3);
        convert(m.diffuse, 3);
        convert(m.specular, 3);
        convert(&m.shininess, 1);
    }
    for (uint32_t i = 0; i < model.meshCount; ++i)
        convert(model.meshes[i].unpackMatrix, 16);
    model.flags ^= 1;
}

bool CopyPodMesh(PodMesh& destination, const PodMesh& source) { return CopyMesh(destination, source); }

void FreePodMesh(PodMesh& mesh)
{
    FreeMesh(mesh);
    mesh = PodMesh{};
}

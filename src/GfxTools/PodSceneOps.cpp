#include "GfxTools/PodSceneOps.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "GfxTools/PodReader.h"
#include "GfxTools/ToolsInput.h"

namespace
{
bool IsPacked(uint32_t type) { return type >= kPodRGBA && type <= kPodDec3N; }

// Values one element of a packed type carries.
uint32_t PackedValues(uint32_t type) { return type == kPodDec3N ? 3 : 4; }

// Bytes one vertex of the channel occupies.
uint32_t VertexBytes(const PodDataChannel& c) { return PodDataTypeSize(c.type) * c.components; }

// Vertex v of a channel, or null when it lies outside the channel's bytes.
uint8_t* VertexAt(const PodMesh& mesh, const PodDataChannel& c, uint32_t v)
{
    if (c.components == 0)
        return nullptr;
    uint8_t* base;
    uint64_t available;
    uint64_t start;
    if (c.size != 0)
    {
        base = c.data;
        available = c.size;
        start = 0;
    }
    else if (mesh.interleaved != nullptr)
    {
        base = mesh.interleaved;
        available = mesh.interleavedSize;
        start = PodChannelOffset(c);
    }
    else
    {
        return nullptr;
    }
    const uint64_t at = start + uint64_t(c.stride) * v;
    if (at + VertexBytes(c) > available)
        return nullptr;
    return base + at;
}

// A channel owning its data with every one of vertexCount vertices inside it.
bool OwnedAndWhole(const PodDataChannel& c, uint32_t vertexCount)
{
    if (c.size == 0 || c.data == nullptr || PodDataTypeSize(c.type) == 0 || c.components == 0 || c.components > 4)
        return false;
    if (vertexCount == 0)
        return true;
    return uint64_t(c.stride) * (vertexCount - 1) + VertexBytes(c) <= c.size;
}

// Replaces a channel's data with a new block of the given layout.
bool Rebuild(PodDataChannel& c, uint32_t vertexCount, uint32_t type, uint32_t components,
             void (*fill)(uint8_t* out, const uint8_t* in, const PodDataChannel& old, uint32_t newType,
                          uint32_t newComponents, const void* context),
             const void* context)
{
    const uint32_t stride = PodDataTypeSize(type) * components;
    const uint64_t bytes = uint64_t(stride) * vertexCount;
    if (bytes > 0x7FFFFFFFu)
        return false;
    uint8_t* data = nullptr;
    if (bytes != 0 && !CSource::AllocZeroed(data, uint32_t(bytes)))
        return false;
    for (uint32_t v = 0; v < vertexCount && data != nullptr; ++v)
        fill(data + size_t(v) * stride, c.data + size_t(v) * c.stride, c, type, components, context);
    std::free(c.data);
    c.data = data;
    c.size = uint32_t(bytes);
    c.type = type;
    c.components = components;
    c.stride = stride;
    return true;
}

void ReadVertex(float out[4], const uint8_t* in, const PodDataChannel& c)
{
    ToolsVertexRead(out, in, c.type, c.components);
}

// ---- Geometry helpers for baking ----

ToolsMatrix NormalMatrix(const ToolsMatrix& world)
{
    ToolsMatrix m = world;
    m.f[3] = m.f[7] = m.f[11] = m.f[12] = m.f[13] = m.f[14] = 0.0f;
    ToolsMatrix inverse = m;
    ToolsMatrixInverse(inverse, m);
    ToolsMatrixTranspose(inverse, inverse);
    return inverse;
}

ToolsVec3 Apply(const ToolsMatrix& m, const float v[3], float w)
{
    const float* f = m.f;
    return {v[0] * f[0] + v[1] * f[4] + v[2] * f[8] + w * f[12], v[0] * f[1] + v[1] * f[5] + v[2] * f[9] + w * f[13],
            v[0] * f[2] + v[1] * f[6] + v[2] * f[10] + w * f[14]};
}

void WriteVec3(uint8_t* at, const PodDataChannel& c, const ToolsVec3& v)
{
    float in[4];
    ToolsVertexRead(in, at, c.type, c.components); // keeps a fourth component as it was
    in[0] = v.x;
    in[1] = v.y;
    in[2] = v.z;
    ToolsVertexWrite(at, c.type, c.components, in);
}

// Transforms one vertex of a mesh by a position matrix and a normal matrix.
void TransformVertex(PodMesh& mesh, uint32_t v, const ToolsMatrix& world, const ToolsMatrix& normal)
{
    if (uint8_t* p = VertexAt(mesh, mesh.positions, v))
    {
        float in[4];
        ReadVertex(in, p, mesh.positions);
        WriteVec3(p, mesh.positions, Apply(world, in, 1.0f));
    }
    for (PodDataChannel* c : {&mesh.normals, &mesh.tangents, &mesh.binormals})
        if (uint8_t* p = VertexAt(mesh, *c, v))
        {
            float in[4];
            ReadVertex(in, p, *c);
            WriteVec3(p, *c, ToolsVec3Normalise(Apply(normal, in, 0.0f)));
        }
}

// The vertices a batch's triangles use.
std::vector<uint32_t> BatchVertices(const PodMesh& mesh, uint32_t firstTriangle, uint32_t endTriangle)
{
    std::vector<uint32_t> out;
    if (mesh.faces.type != kPodUnsignedShort || mesh.faces.data == nullptr)
        return out;
    const uint64_t available = mesh.faces.size / 2;
    for (uint64_t i = uint64_t(firstTriangle) * 3; i < uint64_t(endTriangle) * 3 && i < available; ++i)
        out.push_back(ToolsIndexRead(mesh.faces.data + i * 2, kPodUnsignedShort));
    return out;
}

bool BakeSkinnedMesh(PodModel& source, const PodNode& meshNode, PodMesh& mesh)
{
    const PodBoneBatches& b = mesh.bones;
    std::vector<uint8_t> done(mesh.vertexCount, 0);
    std::vector<uint8_t> original;
    for (int32_t j = 0; j < b.batchCount; ++j)
    {
        const uint32_t first = uint32_t(b.batchOffsets[j]);
        const uint32_t end = j + 1 < b.batchCount ? uint32_t(b.batchOffsets[j + 1]) : mesh.faceCount;
        std::vector<ToolsMatrix> bones, normals;
        for (int32_t k = 0; k < b.bonesPerBatch[j]; ++k)
        {
            const int32_t node = b.batchBones[size_t(j) * size_t(b.maxBonesPerBatch) + size_t(k)];
            if (node < 0 || uint32_t(node) >= source.nodeCount)
                return false;
            bones.push_back(source.BoneSkinMatrix(meshNode, source.nodes[node]));
            normals.push_back(NormalMatrix(bones.back()));
        }
        for (uint32_t v : BatchVertices(mesh, first, end))
        {
            if (v >= mesh.vertexCount || done[v])
                continue;
            done[v] = 1;
            const uint8_t* indexAt = VertexAt(mesh, mesh.boneIndices, v);
            const uint8_t* weightAt = VertexAt(mesh, mesh.boneWeights, v);
            if (indexAt == nullptr || weightAt == nullptr)
                continue;
            float indices[4], weights[4];
            ReadVertex(indices, indexAt, mesh.boneIndices);
            ReadVertex(weights, weightAt, mesh.boneWeights);
            const uint32_t count = mesh.boneWeights.components < 4 ? mesh.boneWeights.components : 4;
            auto blend = [&](PodDataChannel& c, bool position) {
                uint8_t* at = VertexAt(mesh, c, v);
                if (at == nullptr)
                    return;
                float in[4];
                ReadVertex(in, at, c);
                ToolsVec3 sum{0, 0, 0};
                for (uint32_t k = 0; k < count; ++k)
                {
                    const float slot = indices[k];
                    if (!(slot >= 0.0f) || slot >= float(bones.size()))
                        continue;
                    const size_t bone = size_t(slot);
                    const ToolsVec3 t = position ? Apply(bones[bone], in, 1.0f) : Apply(normals[bone], in, 0.0f);
                    sum = {sum.x + weights[k] * t.x, sum.y + weights[k] * t.y, sum.z + weights[k] * t.z};
                }
                WriteVec3(at, c, position ? sum : ToolsVec3Normalise(sum));
            };
            blend(mesh.positions, true);
            blend(mesh.normals, false);
            blend(mesh.tangents, false);
            blend(mesh.binormals, false);
        }
    }
    return true;
}

void FreeAnimation(PodNode& node)
{
    for (uint32_t** table : {&node.positionIndex, &node.rotationIndex, &node.scaleIndex, &node.matrixIndex})
    {
        std::free(*table);
        *table = nullptr;
    }
    for (float** values : {&node.position, &node.rotation, &node.scale, &node.matrix})
    {
        std::free(*values);
        *values = nullptr;
    }
    node.positionIndexCount = node.positionCount = node.rotationIndexCount = node.rotationCount = 0;
    node.scaleIndexCount = node.scaleCount = node.matrixIndexCount = node.matrixCount = 0;
    node.animationFlags = 0;
}
} // namespace

uint32_t BakeWorldSpace(PodModel& source, PodModel& destination)
{
    if (&source == &destination || source.frameState == nullptr)
        return 1;
    if (CopyScene(destination, source) != 0)
        return 1;
    PodModel& d = destination;
    d.frameCount = 0;
    for (uint32_t i = 0; i < d.cameraCount; ++i)
    {
        std::free(d.cameras[i].animatedFieldOfView);
        d.cameras[i].animatedFieldOfView = nullptr;
        d.cameras[i].animatedFieldOfViewCount = 0;
    }

    // Mesh i becomes a copy of the mesh that mesh node i instances.
    PodMesh* meshes = nullptr;
    const uint32_t meshNodes = source.meshNodeCount < source.nodeCount ? source.meshNodeCount : source.nodeCount;
    if (!CSource::AllocZeroed(meshes, meshNodes))
        return 1;
    for (uint32_t i = 0; i < meshNodes; ++i)
    {
        const int32_t index = source.nodes[i].index;
        if (index < 0 || uint32_t(index) >= source.meshCount || !CopyPodMesh(meshes[i], source.meshes[index]))
        {
            for (uint32_t k = 0; k <= i; ++k)
                FreePodMesh(meshes[k]);
            std::free(meshes);
            return 1;
        }
    }
    for (uint32_t i = 0; i < d.meshCount; ++i)
        FreePodMesh(d.meshes[i]);
    std::free(d.meshes);
    d.meshes = meshes;
    d.meshCount = meshNodes;

    for (uint32_t i = 0; i < d.nodeCount; ++i)
    {
        PodNode& node = d.nodes[i];
        const ToolsMatrix world = source.NodeWorldMatrix(source.nodes[i]);
        FreeAnimation(node);
        node.parentIndex = -1;
        if (i < meshNodes)
        {
            node.index = int32_t(i);
            PodMesh& mesh = d.meshes[i];
            const bool skinned = mesh.boneIndices.components != 0 && mesh.boneWeights.components != 0;
            if (skinned)
            {
                if (!BakeSkinnedMesh(source, source.nodes[i], mesh))
                    return 1;
            }
            else
            {
                const ToolsMatrix normal = NormalMatrix(world);
                for (uint32_t v = 0; v < mesh.vertexCount; ++v)
                    TransformVertex(mesh, v, world, normal);
            }
            continue;
        }
        if (!CSource::AllocZeroed(node.matrix, 16))
            return 1;
        std::memcpy(node.matrix, world.f, sizeof world.f);
        node.matrixCount = 16;
    }
    return d.SetUpFrameState();
}

// ---- Channels ----

namespace
{
struct ConvertContext
{
    uint32_t values;
};

void FillConverted(uint8_t* out, const uint8_t* in, const PodDataChannel& old, uint32_t newType,
                   uint32_t newComponents, const void* context)
{
    float v[4];
    ReadVertex(v, in, old);
    const uint32_t n = IsPacked(newType) ? static_cast<const ConvertContext*>(context)->values : newComponents;
    ToolsVertexWrite(out, newType, n, v);
}

void FillSelected(uint8_t* out, const uint8_t* in, const PodDataChannel& old, uint32_t newType,
                  uint32_t newComponents, const void* context)
{
    const auto* selectors = static_cast<const int32_t*>(context);
    float v[4], picked[4] = {0, 0, 0, 1};
    ReadVertex(v, in, old);
    for (uint32_t k = 0; k < newComponents; ++k)
    {
        const int32_t s = selectors[k];
        const uint32_t index = uint32_t((s < 0 ? -s : s) - 'x');
        const float value = index < 4 ? v[index] : 0.0f;
        picked[k] = s < 0 ? -value : value;
    }
    ToolsVertexWrite(out, newType, newComponents, picked);
}
} // namespace

bool ConvertChannelType(PodDataChannel& channel, uint32_t newType, uint32_t vertexCount)
{
    if (PodDataTypeSize(newType) == 0 || !OwnedAndWhole(channel, vertexCount))
        return false;
    const uint32_t values = IsPacked(channel.type) ? PackedValues(channel.type) : channel.components;
    const uint32_t components = IsPacked(newType) ? 1 : values;
    const ConvertContext context{values};
    return Rebuild(channel, vertexCount, newType, components, FillConverted, &context);
}

bool SelectChannelComponents(PodDataChannel& channel, uint32_t vertexCount, const int32_t selectors[4])
{
    if (!OwnedAndWhole(channel, vertexCount) || IsPacked(channel.type))
        return false;
    uint32_t count = 0;
    while (count < 4 && selectors[count] != 0)
    {
        const int32_t s = selectors[count] < 0 ? -selectors[count] : selectors[count];
        if (s < 'x' || s > 'x' + 3)
            return false;
        ++count;
    }
    if (count > channel.components)
        count = channel.components;
    if (count == 0)
    {
        std::free(channel.data);
        channel.data = nullptr;
        channel.size = 0;
        channel.components = 0;
        channel.stride = 0;
        return true;
    }
    int32_t copy[4] = {};
    std::memcpy(copy, selectors, count * sizeof(int32_t));
    return Rebuild(channel, vertexCount, channel.type, count, FillSelected, copy);
}

bool InterleaveMesh(PodMesh& mesh)
{
    if (mesh.interleaved != nullptr)
        return false;
    std::vector<PodDataChannel*> channels = {&mesh.positions, &mesh.normals, &mesh.tangents, &mesh.binormals};
    for (uint32_t t = 0; t < mesh.texCoordChannelCount; ++t)
        channels.push_back(&mesh.texCoords[t]);
    channels.push_back(&mesh.colours);
    channels.push_back(&mesh.boneIndices);
    channels.push_back(&mesh.boneWeights);
    uint64_t vertexSize = 0;
    for (PodDataChannel* c : channels)
    {
        if (c->components == 0)
            continue;
        if (!OwnedAndWhole(*c, mesh.vertexCount))
            return false;
        vertexSize += VertexBytes(*c);
    }
    const uint64_t bytes = vertexSize * mesh.vertexCount;
    if (bytes == 0 || bytes > 0x7FFFFFFFu)
        return false;
    uint8_t* block = nullptr;
    if (!CSource::AllocZeroed(block, uint32_t(bytes)))
        return false;
    uint32_t offset = 0;
    for (PodDataChannel* c : channels)
    {
        if (c->components == 0)
            continue;
        const uint32_t size = VertexBytes(*c);
        for (uint32_t v = 0; v < mesh.vertexCount; ++v)
            std::memcpy(block + size_t(v) * vertexSize + offset, c->data + size_t(v) * c->stride, size);
        std::free(c->data);
        c->stride = uint32_t(vertexSize);
        PodSetChannelOffset(*c, offset);
        offset += size;
    }
    mesh.interleaved = block;
    mesh.interleavedSize = uint32_t(bytes);
    return true;
}

bool DeinterleaveChannel(PodMesh& mesh, PodDataChannel& channel)
{
    if (mesh.interleaved == nullptr || channel.size != 0 || channel.components == 0)
        return false;
    const uint32_t size = VertexBytes(channel);
    const uint64_t bytes = uint64_t(size) * mesh.vertexCount;
    if (size == 0 || bytes == 0 || bytes > 0x7FFFFFFFu)
        return false;
    for (uint32_t v = 0; v < mesh.vertexCount; ++v)
        if (VertexAt(mesh, channel, v) == nullptr)
            return false;
    uint8_t* data = nullptr;
    if (!CSource::AllocZeroed(data, uint32_t(bytes)))
        return false;
    for (uint32_t v = 0; v < mesh.vertexCount; ++v)
        std::memcpy(data + size_t(v) * size, VertexAt(mesh, channel, v), size);
    channel.data = data;
    channel.size = uint32_t(bytes);
    channel.stride = size;
    return true;
}

bool DeinterleaveMesh(PodMesh& mesh)
{
    if (mesh.interleaved == nullptr)
        return false;
    std::vector<PodDataChannel*> channels = {&mesh.positions, &mesh.normals, &mesh.tangents, &mesh.binormals,
                                             &mesh.colours,   &mesh.boneIndices, &mesh.boneWeights};
    for (uint32_t t = 0; t < mesh.texCoordChannelCount; ++t)
        channels.push_back(&mesh.texCoords[t]);
    for (PodDataChannel* c : channels)
    {
        if (c->components == 0)
        {
            c->data = nullptr;
            c->size = 0;
            continue;
        }
        if (c->size == 0 && !DeinterleaveChannel(mesh, *c))
            return false;
    }
    std::free(mesh.interleaved);
    mesh.interleaved = nullptr;
    mesh.interleavedSize = 0;
    return true;
}

// ---- Faces ----

namespace
{
bool FacesAre16Bit(const PodMesh& mesh, uint64_t indexCount)
{
    return mesh.faces.type == kPodUnsignedShort && mesh.faces.data != nullptr && indexCount * 2 <= mesh.faces.size;
}

uint16_t IndexAt(const PodMesh& mesh, uint64_t i)
{
    return uint16_t(ToolsIndexRead(mesh.faces.data + i * 2, kPodUnsignedShort));
}

bool ReplaceFaces(PodMesh& mesh, const std::vector<uint16_t>& indices)
{
    uint8_t* data = nullptr;
    const uint64_t bytes = uint64_t(indices.size()) * 2;
    if (bytes > 0x7FFFFFFFu || (bytes != 0 && !CSource::AllocZeroed(data, uint32_t(bytes))))
        return false;
    if (bytes != 0)
        std::memcpy(data, indices.data(), size_t(bytes));
    std::free(mesh.faces.data);
    mesh.faces.data = data;
    mesh.faces.size = uint32_t(bytes);
    mesh.faces.stride = 2;
    mesh.faces.components = 1;
    return true;
}
} // namespace

bool SwitchStripForm(PodMesh& mesh)
{
    if (mesh.stripLengths == nullptr || mesh.stripCount == 0)
    {
        // List to strips, walked per bone batch; a strip never crosses a batch.
        if (!FacesAre16Bit(mesh, uint64_t(mesh.faceCount) * 3))
            return false;
        std::vector<uint16_t> out;
        std::vector<uint32_t> lengths;
        std::vector<std::pair<uint32_t, uint32_t>> ranges;
        const PodBoneBatches& b = mesh.bones;
        if (b.batchCount > 0 && b.batchOffsets != nullptr && b.batchOffsetsCount >= uint32_t(b.batchCount))
            for (int32_t j = 0; j < b.batchCount; ++j)
            {
                const uint32_t first = uint32_t(b.batchOffsets[j]);
                const uint32_t end = j + 1 < b.batchCount ? uint32_t(b.batchOffsets[j + 1]) : mesh.faceCount;
                ranges.emplace_back(first, end < mesh.faceCount ? end : mesh.faceCount);
            }
        else
            ranges.emplace_back(0, mesh.faceCount);
        for (auto [first, end] : ranges)
        {
            uint16_t prev[3] = {0, 0, 0};
            uint32_t inStrip = 0;
            for (uint32_t t = first; t < end; ++t)
            {
                const uint16_t a = IndexAt(mesh, uint64_t(t) * 3), bb = IndexAt(mesh, uint64_t(t) * 3 + 1),
                               c = IndexAt(mesh, uint64_t(t) * 3 + 2);
                const bool continues = inStrip != 0 && ((inStrip % 2 == 1 && a == prev[2] && bb == prev[1]) ||
                                                        (inStrip % 2 == 0 && a == prev[0] && bb == prev[2]));
                if (continues)
                {
                    out.push_back(c);
                    ++lengths.back();
                    ++inStrip;
                }
                else
                {
                    out.insert(out.end(), {a, bb, c});
                    lengths.push_back(1);
                    inStrip = 1;
                }
                prev[0] = a;
                prev[1] = bb;
                prev[2] = c;
            }
        }
        uint32_t* stripLengths = nullptr;
        if (!lengths.empty() && !CSource::AllocZeroed(stripLengths, uint32_t(lengths.size())))
            return false;
        if (!ReplaceFaces(mesh, out))
        {
            std::free(stripLengths);
            return false;
        }
        if (!lengths.empty())
            std::memcpy(stripLengths, lengths.data(), lengths.size() * sizeof(uint32_t));
        std::free(mesh.stripLengths);
        mesh.stripLengths = stripLengths;
        mesh.stripLengthsCount = mesh.stripCount = uint32_t(lengths.size());
        return true;
    }

    // Strips to a list.
    const uint32_t strips = mesh.stripCount < mesh.stripLengthsCount ? mesh.stripCount : mesh.stripLengthsCount;
    if (!FacesAre16Bit(mesh, IndexCount(mesh)))
        return false;
    std::vector<uint16_t> out;
    uint64_t at = 0;
    for (uint32_t s = 0; s < strips; ++s)
    {
        const uint32_t length = mesh.stripLengths[s];
        for (uint32_t k = 0; k < length; ++k)
        {
            const uint16_t i0 = IndexAt(mesh, at + k), i1 = IndexAt(mesh, at + k + 1), i2 = IndexAt(mesh, at + k + 2);
            if (k % 2 == 0)
                out.insert(out.end(), {i0, i1, i2});
            else
                out.insert(out.end(), {i1, i0, i2});
        }
        at += uint64_t(length) + 2;
    }
    if (!ReplaceFaces(mesh, out))
        return false;
    std::free(mesh.stripLengths);
    mesh.stripLengths = nullptr;
    mesh.stripLengthsCount = 0;
    mesh.stripCount = 0;
    return true;
}

bool ReorderTriangleIndices(PodMesh& mesh, const uint32_t order[3])
{
    if (order[0] > 2 || order[1] > 2 || order[2] > 2 || !FacesAre16Bit(mesh, uint64_t(mesh.faceCount) * 3))
        return false;
    for (uint64_t t = 0; t < mesh.faceCount; ++t)
    {
        uint16_t tri[3], reordered[3];
        std::memcpy(tri, mesh.faces.data + t * 6, 6);
        for (int k = 0; k < 3; ++k)
            reordered[k] = tri[order[k]];
        std::memcpy(mesh.faces.data + t * 6, reordered, 6);
    }
    return true;
}

// ---- Positions and bones ----

bool QuantizePositions(PodMesh& mesh, uint32_t newType)
{
    ToolsMatrix identity;
    ToolsMatrixIdentity(identity);
    std::memcpy(mesh.unpackMatrix, identity.f, sizeof identity.f);
    if (mesh.vertexCount == 0 || newType == kPodFloat)
        return true;
    if (mesh.positions.type != kPodFloat || mesh.interleaved != nullptr ||
        !OwnedAndWhole(mesh.positions, mesh.vertexCount))
        return false;
    float low, high;
    switch (newType)
    {
    case kPodInt: low = -1073741824.0f, high = 1073741824.0f; break;
    case kPodUnsignedShort: low = 0.0f, high = 65535.0f; break;
    case kPodRGBA:
    case kPodARGB:
    case kPodD3DColour: low = 0.0f, high = 1.0f; break;
    case kPodUByte4:
    case kPodUnsignedByte: low = 0.0f, high = 255.0f; break;
    case kPodDec3N: low = -511.0f, high = 511.0f; break;
    case kPodFixed16_16:
    case kPodShort: low = -32767.0f, high = 32767.0f; break;
    case kPodShortNorm:
    case kPodByteNorm: low = -1.0f, high = 1.0f; break;
    case kPodByte: low = -127.0f, high = 127.0f; break;
    default: return true;
    }
    const uint32_t n = mesh.positions.components < 3 ? mesh.positions.components : 3;
    float boxMin[3] = {0, 0, 0}, boxMax[3] = {0, 0, 0};
    for (uint32_t v = 0; v < mesh.vertexCount; ++v)
    {
        float p[4];
        ReadVertex(p, mesh.positions.data + size_t(v) * mesh.positions.stride, mesh.positions);
        for (uint32_t a = 0; a < n; ++a)
        {
            boxMin[a] = v == 0 ? p[a] : std::fmin(boxMin[a], p[a]);
            boxMax[a] = v == 0 ? p[a] : std::fmax(boxMax[a], p[a]);
        }
    }
    // A flat axis keeps its scale at 1 rather than dividing by a zero extent.
    float scale[3] = {1, 1, 1};
    for (uint32_t a = 0; a < n; ++a)
        if (boxMax[a] > boxMin[a])
            scale[a] = (high - low) / (boxMax[a] - boxMin[a]);
    for (uint32_t v = 0; v < mesh.vertexCount; ++v)
    {
        uint8_t* at = mesh.positions.data + size_t(v) * mesh.positions.stride;
        float p[4];
        ReadVertex(p, at, mesh.positions);
        for (uint32_t a = 0; a < n; ++a)
            p[a] = low + (p[a] - boxMin[a]) * scale[a];
        ToolsVertexWrite(at, kPodFloat, mesh.positions.components, p);
    }
    ToolsMatrix toZero, unscale, toBox, unpack;
    ToolsMatrixTranslation(toZero, -low, -low, -low);
    ToolsMatrixScaling(unscale, 1.0f / scale[0], 1.0f / scale[1], 1.0f / scale[2]);
    ToolsMatrixTranslation(toBox, boxMin[0], boxMin[1], boxMin[2]);
    ToolsMatrixMultiply(unpack, toZero, unscale);
    ToolsMatrixMultiply(unpack, unpack, toBox);
    std::memcpy(mesh.unpackMatrix, unpack.f, sizeof unpack.f);
    return ConvertChannelType(mesh.positions, newType, mesh.vertexCount);
}

bool PackBoneWeights(PodMesh& mesh)
{
    PodDataChannel& indices = mesh.boneIndices;
    PodDataChannel& weights = mesh.boneWeights;
    if (!OwnedAndWhole(indices, mesh.vertexCount) || !OwnedAndWhole(weights, mesh.vertexCount))
        return false;
    const uint32_t bones = indices.components < 4 ? indices.components : 4;
    const uint64_t bytes = uint64_t(mesh.vertexCount) * 4;
    if (bytes > 0x7FFFFFFFu)
        return false;
    std::vector<uint8_t> packedIndices(size_t(bytes), 0), packedWeights(size_t(bytes), 0);
    for (uint32_t v = 0; v < mesh.vertexCount; ++v)
    {
        float index[4], weight[4];
        ReadVertex(index, indices.data + size_t(v) * indices.stride, indices);
        ReadVertex(weight, weights.data + size_t(v) * weights.stride, weights);
        uint32_t sum = 0;
        uint8_t* pi = packedIndices.data() + size_t(v) * 4;
        uint8_t* pw = packedWeights.data() + size_t(v) * 4;
        for (uint32_t k = 0; k < bones; ++k)
        {
            if (!(index[k] >= 0.0f) || index[k] > 255.0f)
            {
                DebugOutput("Too many bones (highest index is 255).\n");
                return false;
            }
            pi[k] = uint8_t(index[k]);
            const float w = k < weights.components ? weight[k] * 255.0f : 0.0f;
            pw[k] = uint8_t(!(w > 0.0f) ? 0 : w >= 255.0f ? 255 : uint32_t(w));
            sum += pw[k];
        }
        if (sum == 0)
            return false;
        for (uint32_t k = 0; sum < 255; k = (k + 1) % bones)
            if (pw[k] != 0)
            {
                ++pw[k];
                ++sum;
            }
    }
    for (auto [channel, packed] : {std::pair{&indices, &packedIndices}, std::pair{&weights, &packedWeights}})
    {
        uint8_t* data = nullptr;
        if (bytes != 0 && !CSource::AllocZeroed(data, uint32_t(bytes)))
            return false;
        if (bytes != 0)
            std::memcpy(data, packed->data(), size_t(bytes));
        std::free(channel->data);
        channel->data = data;
        channel->size = uint32_t(bytes);
        channel->type = kPodUnsignedByte;
        channel->components = 4;
        channel->stride = 4;
    }
    return true;
}

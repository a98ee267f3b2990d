#include "KelpoBase/render/PodModel.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "GfxTools/PodModel.h"
#include "KelpoBase/render/HardwareMesh.h"
#include "KelpoBase/render/Material.h"
#include "KelpoBase/render/Mesh.h"
#include "KelpoBase/render/Renderer.h"

namespace
{
// Where a channel's values start and how many bytes are readable from there.
struct ChannelView
{
    const uint8_t* data = nullptr;
    uint64_t size = 0;
};

ChannelView View(const PodMesh& mesh, const PodDataChannel& channel)
{
    if (channel.components == 0)
        return {};
    if (mesh.interleaved != nullptr)
    {
        const uint32_t offset = PodChannelOffset(channel);
        if (offset >= mesh.interleavedSize)
            return {};
        return {mesh.interleaved + offset, uint64_t(mesh.interleavedSize) - offset};
    }
    return {channel.data, channel.data != nullptr ? channel.size : 0};
}

// True when n elements of `components` values of the channel's type lie inside the view.
bool Fits(const ChannelView& view, const PodDataChannel& channel, uint32_t n, uint32_t components)
{
    const uint32_t element = PodDataTypeSize(channel.type);
    if (view.data == nullptr || n == 0 || element == 0 || channel.components < components)
        return false;
    const uint32_t stride = channel.stride != 0 ? channel.stride : element * channel.components;
    return uint64_t(n - 1) * stride + uint64_t(element) * components <= view.size;
}

uint32_t Stride(const PodDataChannel& channel)
{
    return channel.stride != 0 ? channel.stride : PodDataTypeSize(channel.type) * channel.components;
}

// One real value of a float or 16.16 channel.
float Real(const PodDataChannel& channel, const uint8_t* at)
{
    if (channel.type == kPodFixed16_16)
    {
        int32_t fixed;
        std::memcpy(&fixed, at, 4);
        return float(fixed) / 65536.0f;
    }
    float value;
    std::memcpy(&value, at, 4);
    return value;
}

bool IsReal(const PodDataChannel& channel) { return channel.type == kPodFloat || channel.type == kPodFixed16_16; }
} // namespace

cPodModel::~cPodModel()
{
    for (cHardwareMesh* mesh : hardwareMeshes)
        delete mesh;
    for (cMaterial* material : materials)
        delete material;
    hardwareMeshes.clear();
    materials.clear();
}

cMesh* cPodModel::ConvertMesh(const PodMesh& source)
{
    const uint32_t n = source.vertexCount;
    if (n == 0 || n > 0x10000u || !IsReal(source.positions))
        return nullptr;
    const ChannelView positions = View(source, source.positions);
    if (!Fits(positions, source.positions, n, 3))
        return nullptr;

    // The faces: 16-bit indices, as a list or as strips.
    const ChannelView faces = View(source, source.faces);
    const uint32_t stored = IndexCount(source);
    if (source.faces.type != kPodUnsignedShort || faces.data == nullptr || stored == 0 ||
        uint64_t(stored) * 2 > faces.size)
        return nullptr;
    std::vector<uint16_t> stripped(stored);
    std::memcpy(stripped.data(), faces.data, size_t(stored) * 2);
    std::vector<uint16_t> list;
    if (source.stripCount != 0 && source.stripLengths != nullptr)
    {
        uint32_t at = 0;
        const uint32_t strips = std::min(source.stripCount, source.stripLengthsCount);
        for (uint32_t s = 0; s < strips; ++s)
        {
            const uint32_t triangles = source.stripLengths[s];
            for (uint32_t t = 0; t < triangles; ++t)
            {
                const uint16_t* tri = stripped.data() + at + t;
                // Every second triangle of a strip is wound the other way round.
                if (t & 1)
                    list.insert(list.end(), {tri[1], tri[0], tri[2]});
                else
                    list.insert(list.end(), {tri[0], tri[1], tri[2]});
            }
            at += triangles + 2;
        }
    }
    else
    {
        list = std::move(stripped);
        list.resize(list.size() - list.size() % 3);
    }
    for (uint16_t index : list)
        if (index >= n)
            return nullptr;
    if (list.empty() || list.size() > 0xFFFFFFFFu)
        return nullptr;

    const bool hasNormals = IsReal(source.normals) && Fits(View(source, source.normals), source.normals, n, 3);
    const bool hasColours =
        source.colours.type == kPodRGBA && Fits(View(source, source.colours), source.colours, n, 4);
    const bool hasTexCoords = source.texCoords != nullptr && source.texCoordChannelCount > 0 &&
                              IsReal(source.texCoords[0]) &&
                              Fits(View(source, source.texCoords[0]), source.texCoords[0], n, 2);
    const bool skinned = source.boneIndices.components != 0 && source.boneWeights.components != 0;

    uint32_t format = kMeshPosition;
    if (hasNormals)
        format |= kMeshNormal;
    if (hasColours)
        format |= kMeshColour;
    if (hasTexCoords)
        format |= kMeshTexCoord0;
    if (skinned)
        format |= kMeshAttribute12 | kMeshAttribute13;

    auto mesh = std::make_unique<cMesh>(n, uint32_t(list.size()), format);
    std::memset(mesh->vertices, 0, size_t(n) * mesh->stride);
    for (uint32_t i = 0; i < n; ++i)
    {
        const uint8_t* p = positions.data + size_t(i) * Stride(source.positions);
        float* out = reinterpret_cast<float*>(mesh->PositionPtr(i));
        for (uint32_t c = 0; c < 3; ++c)
        {
            const float v = Real(source.positions, p + c * 4);
            std::memcpy(out + c, &v, 4);
        }
        if (hasNormals)
        {
            const uint8_t* q = View(source, source.normals).data + size_t(i) * Stride(source.normals);
            for (uint32_t c = 0; c < 3; ++c)
            {
                const float v = Real(source.normals, q + c * 4);
                std::memcpy(mesh->NormalPtr(i) + c * 4, &v, 4);
            }
        }
        if (hasColours)
            std::memcpy(mesh->ColourPtr(i), View(source, source.colours).data + size_t(i) * Stride(source.colours), 4);
        if (hasTexCoords)
        {
            const PodDataChannel& set = source.texCoords[0];
            const uint8_t* q = View(source, set).data + size_t(i) * Stride(set);
            for (uint32_t c = 0; c < 2; ++c)
            {
                const float v = Real(set, q + c * 4);
                std::memcpy(mesh->TexCoordPtr(0, i) + c * 4, &v, 4);
            }
        }
    }
    mesh->indices = std::move(list);
    mesh->indexCount = uint32_t(mesh->indices.size());
    return mesh.release();
}

cPodModel* cPodModel::Create(PodModel& scene, cRenderer& renderer)
{
    auto model = std::make_unique<cPodModel>();
    model->scene = &scene;
    const uint32_t meshCount = scene.meshes != nullptr ? scene.meshCount : 0;
    model->hardwareMeshes.assign(meshCount, nullptr);
    for (uint32_t i = 0; i < meshCount; ++i)
    {
        std::unique_ptr<cMesh> mesh(ConvertMesh(scene.meshes[i]));
        if (mesh != nullptr)
            model->hardwareMeshes[i] = renderer.CreateHardwareMesh(mesh.get());
    }
    const uint32_t meshNodes = scene.nodes != nullptr ? std::min(scene.meshNodeCount, scene.nodeCount) : 0;
    for (uint32_t i = 0; i < meshNodes; ++i)
    {
        auto* material = new cMaterial();
        material->flags = kMaterialDepthTest | kMaterialDepthWrite;
        model->materials.push_back(material);
    }
    return model.release();
}

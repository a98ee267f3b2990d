// A small POD scene built in memory for the POD tests: one mesh (a triangle with bone
// batches), four nodes (the mesh node, a light node, a camera node, a bone), a material,
// a texture, a spot light and a camera with an animated field of view; three frames.
#pragma once

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "GfxTools/PodModel.h"
#include "GfxTools/PodReader.h"

namespace podtest
{
template <class T> T* Array(std::initializer_list<T> values)
{
    auto* out = static_cast<T*>(std::calloc(values.size(), sizeof(T)));
    size_t i = 0;
    for (const T& v : values)
        out[i++] = v;
    return out;
}

inline char* Text(const char* text)
{
    auto* out = static_cast<char*>(std::malloc(std::strlen(text) + 1));
    std::strcpy(out, text);
    return out;
}

inline void SetChannel(PodDataChannel& c, uint32_t type, uint32_t components, uint32_t stride, const void* bytes,
                       uint32_t size)
{
    c.type = type;
    c.components = components;
    c.stride = stride;
    c.data = static_cast<uint8_t*>(std::malloc(size));
    std::memcpy(c.data, bytes, size);
    c.size = size;
}

// Fills a zeroed model; the caller destroys it with DestroyScene.
inline void BuildScene(PodModel& m)
{
    std::memset(&m, 0, sizeof m);
    m.background[0] = 0.25f;
    m.ambient[2] = 0.5f;
    m.frameCount = 3;

    m.cameraCount = 1;
    m.cameras = Array<PodCamera>({{3, 0.8f, 100.0f, 0.5f, nullptr, 0}});
    m.cameras[0].animatedFieldOfView = Array<float>({1.0f, 2.0f, 4.0f});
    m.cameras[0].animatedFieldOfViewCount = 3;

    m.lightCount = 1;
    PodLight light{};
    light.targetIndex = -1;
    light.colour[0] = 1.0f;
    light.type = 2;
    light.constantAttenuation = 1.0f;
    light.linearAttenuation = 0.1f;
    light.quadraticAttenuation = 0.01f;
    light.falloffAngle = 0.7f;
    light.falloffExponent = 2.0f;
    m.lights = Array<PodLight>({light});

    m.meshCount = 1;
    m.meshes = static_cast<PodMesh*>(std::calloc(1, sizeof(PodMesh)));
    PodMesh& mesh = m.meshes[0];
    mesh.vertexCount = 3;
    mesh.faceCount = 1;
    const float positions[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    SetChannel(mesh.positions, kPodFloat, 3, 12, positions, sizeof positions);
    const uint16_t faces[3] = {0, 1, 2};
    SetChannel(mesh.faces, kPodUnsignedShort, 1, 2, faces, sizeof faces);
    mesh.texCoordChannelCount = 1;
    mesh.texCoords = static_cast<PodDataChannel*>(std::calloc(1, sizeof(PodDataChannel)));
    const float uvs[6] = {0, 0, 1, 0, 0, 1};
    SetChannel(mesh.texCoords[0], kPodFloat, 2, 8, uvs, sizeof uvs);
    mesh.bones.batchBones = Array<int32_t>({3, 0});
    mesh.bones.batchBonesCount = 2;
    mesh.bones.bonesPerBatch = Array<int32_t>({2});
    mesh.bones.bonesPerBatchCount = 1;
    mesh.bones.batchOffsets = Array<int32_t>({0});
    mesh.bones.batchOffsetsCount = 1;
    mesh.bones.maxBonesPerBatch = 2;
    mesh.bones.batchCount = 1;
    ToolsMatrix identity;
    ToolsMatrixIdentity(identity);
    std::memcpy(mesh.unpackMatrix, identity.f, sizeof identity.f);

    m.nodeCount = 4;
    m.meshNodeCount = 1;
    m.nodes = static_cast<PodNode*>(std::calloc(4, sizeof(PodNode)));
    // The mesh node: translated by (10, 0, 0).
    PodNode& meshNode = m.nodes[0];
    meshNode.name = Text("ship");
    meshNode.parentIndex = -1;
    meshNode.position = Array<float>({10, 0, 0});
    meshNode.positionCount = 3;
    // The light node, child of the mesh node, raised by 5.
    PodNode& lightNode = m.nodes[1];
    lightNode.name = Text("lamp");
    lightNode.materialIndex = -1;
    lightNode.parentIndex = 0;
    lightNode.position = Array<float>({0, 5, 0});
    lightNode.positionCount = 3;
    // The camera node: a keyed matrix translating by (0, 0, 7).
    PodNode& cameraNode = m.nodes[2];
    cameraNode.name = Text("eye");
    cameraNode.materialIndex = -1;
    cameraNode.parentIndex = -1;
    cameraNode.matrix = Array<float>({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 7, 1});
    cameraNode.matrixCount = 16;
    // The bone: position animated through an index table (frames 0, 1, 2 at x 0, 2, 4).
    PodNode& bone = m.nodes[3];
    bone.name = Text("bone");
    bone.materialIndex = -1;
    bone.parentIndex = -1;
    bone.animationFlags = kPodAnimPosition;
    bone.position = Array<float>({0, 0, 0, 2, 0, 0, 4, 0, 0});
    bone.positionCount = 9;
    bone.positionIndex = Array<uint32_t>({0, 3, 6});
    bone.positionIndexCount = 3;

    m.textureCount = 1;
    m.textures = static_cast<PodTexture*>(std::calloc(1, sizeof(PodTexture)));
    m.textures[0].fileName = Text("hull.pvr");

    m.materialCount = 1;
    m.materials = static_cast<PodMaterial*>(std::calloc(1, sizeof(PodMaterial)));
    PodMaterialDefaults(m.materials[0]);
    m.materials[0].name = Text("paint");
    m.materials[0].diffuseTexture = 0;
    m.materials[0].opacity = 0.75f;
    m.materials[0].diffuse[1] = 0.5f;
    m.materials[0].effectFile = Text("fx.pfx");
    m.materials[0].flags = 3;
}
} // namespace podtest

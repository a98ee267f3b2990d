// The in-memory POD scene ("AB.POD.2.0") and the node, bone and frame matrices that the
// renderer's POD draw operation uses.
//
// Every array and string is owned by the PodModel that holds it, allocated zero-filled
// with std::calloc (std::malloc for strings) and freed by DestroyScene (PodReader.h).
// Beside each array the model keeps its length (the *Count / *Size fields that follow the
// scene's own fields), so that no query reads past an array whatever a file said.
//
// Matrices are ToolsMatrix (rows of four, row vectors on the left, A B applies A first).
// The node array holds first the mesh nodes, then one node per light, then one per camera,
// then every other node. A node's parent chain is walked at most node-count steps, so a
// cycle built in memory cannot recurse for ever (the reader refuses cyclic files).
#pragma once

#include <cstdint>

#include "GfxTools/ToolsMaths.h"

struct PodDataChannel
{
    uint32_t type = kPodNone;  // PodDataType
    uint32_t components = 0;   // 0: the channel is absent
    uint32_t stride = 0;       // bytes from one vertex to the next
    uint8_t* data = nullptr;   // owned bytes; or, with interleaved data, the byte offset
    uint32_t size = 0;         // bytes of owned data (0 when data holds an offset)
};

// The byte offset a channel of an interleaved mesh holds in its data field.
inline uint32_t PodChannelOffset(const PodDataChannel& c) { return uint32_t(reinterpret_cast<uintptr_t>(c.data)); }
inline void PodSetChannelOffset(PodDataChannel& c, uint32_t offset)
{
    c.data = reinterpret_cast<uint8_t*>(uintptr_t(offset));
    c.size = 0;
}

struct PodBoneBatches
{
    int32_t* batchBones = nullptr;  // batch count x maximum entries: node indices
    int32_t* bonesPerBatch = nullptr;
    int32_t* batchOffsets = nullptr; // first triangle of each batch
    int32_t maxBonesPerBatch = 0;
    int32_t batchCount = 0;
    uint32_t batchBonesCount = 0;    // entries of batchBones
    uint32_t bonesPerBatchCount = 0; // entries of bonesPerBatch
    uint32_t batchOffsetsCount = 0;  // entries of batchOffsets
};

struct PodMesh
{
    uint32_t vertexCount;
    uint32_t faceCount;
    uint32_t texCoordChannelCount;
    PodDataChannel faces;
    uint32_t* stripLengths;
    uint32_t stripCount;
    PodDataChannel positions;
    PodDataChannel normals;
    PodDataChannel tangents;
    PodDataChannel binormals;
    PodDataChannel* texCoords; // texCoordChannelCount channels
    PodDataChannel colours;
    PodDataChannel boneIndices;
    PodDataChannel boneWeights;
    uint8_t* interleaved;
    PodBoneBatches bones;
    uint32_t primitiveType;
    float unpackMatrix[16];
    uint32_t interleavedSize; // bytes of interleaved
    uint32_t stripLengthsCount;
};

struct PodNode
{
    int32_t index;
    char* name;
    int32_t materialIndex;
    int32_t parentIndex;
    uint32_t animationFlags; // 1 position, 2 rotation, 4 scale, 8 matrix animated
    uint32_t* positionIndex;
    float* position; // 3 per key
    uint32_t* rotationIndex;
    float* rotation; // 4 per key (x, y, z, w)
    uint32_t* scaleIndex;
    float* scale; // 7 per key
    uint32_t* matrixIndex;
    float* matrix; // 16 per key
    // Lengths: entries of each index table and floats of each values array.
    uint32_t positionIndexCount, positionCount;
    uint32_t rotationIndexCount, rotationCount;
    uint32_t scaleIndexCount, scaleCount;
    uint32_t matrixIndexCount, matrixCount;
};

inline constexpr uint32_t kPodAnimPosition = 0x1;
inline constexpr uint32_t kPodAnimRotation = 0x2;
inline constexpr uint32_t kPodAnimScale = 0x4;
inline constexpr uint32_t kPodAnimMatrix = 0x8;

struct PodCamera
{
    int32_t targetIndex;
    float fieldOfView;
    float farPlane;
    float nearPlane;
    float* animatedFieldOfView; // one per frame
    uint32_t animatedFieldOfViewCount;
};

struct PodLight
{
    int32_t targetIndex;
    float colour[3];
    uint32_t type; // 0 point, 1 directional, 2 spot
    float constantAttenuation;
    float linearAttenuation;
    float quadraticAttenuation;
    float falloffAngle;
    float falloffExponent;
};

struct PodTexture
{
    char* fileName;
};

struct PodMaterial
{
    char* name;
    int32_t diffuseTexture;
    int32_t ambientTexture;
    int32_t specularColourTexture;
    int32_t specularLevelTexture;
    int32_t bumpTexture;
    int32_t emissiveTexture;
    int32_t glossinessTexture;
    int32_t opacityTexture;
    int32_t reflectionTexture;
    int32_t refractionTexture;
    float opacity;
    float ambient[3];
    float diffuse[3];
    float specular[3];
    float shininess;
    char* effectFile;
    char* effectName;
    uint32_t blendSrcColour;
    uint32_t blendSrcAlpha;
    uint32_t blendDstColour;
    uint32_t blendDstAlpha;
    uint32_t blendOpColour;
    uint32_t blendOpAlpha;
    float blendColour[4];
    float blendFactor[4];
    uint32_t flags;
};

// The defaults a material has before a file's values: no textures (-1), source factors 1,
// destination factors 0, both operations 0x8006, blend colour, factor and flags 0.
void PodMaterialDefaults(PodMaterial& material);

struct PodFrameState
{
    float currentFrame;
    float blend;
    int32_t frameInteger;
    float* cachedFrame;        // per node
    ToolsMatrix* worldCache;   // per node
    ToolsMatrix* frameZero;    // per node
    uint8_t borrowed;
    uint32_t nodeCount;        // length of the three arrays
};

struct PodModel
{
    float background[3];
    float ambient[3];
    uint32_t cameraCount;
    PodCamera* cameras;
    uint32_t lightCount;
    PodLight* lights;
    uint32_t meshCount;
    PodMesh* meshes;
    uint32_t nodeCount;
    uint32_t meshNodeCount;
    PodNode* nodes;
    uint32_t textureCount;
    PodTexture* textures;
    uint32_t materialCount;
    PodMaterial* materials;
    uint32_t frameCount;
    uint32_t flags; // bit 0: real numbers stored as 16.16 fixed point
    PodFrameState* frameState;

    // The animation frame of every later matrix query (no clamping; blend and frame
    // integer are 0 when the scene has no frames).
    void SetAnimationFrame(float frame);
    // World matrix of a node at the current frame, through the caches / always computed.
    ToolsMatrix NodeWorldMatrix(const PodNode& node);
    ToolsMatrix NodeWorldMatrixUncached(const PodNode& node) const;
    // Skinning matrix of one bone for one mesh instance at the current frame.
    ToolsMatrix BoneSkinMatrix(const PodNode& meshNode, const PodNode& boneNode);

    void NodeScaleMatrix(ToolsMatrix& out, const PodNode& node) const;
    void NodeRotationMatrix(ToolsMatrix& out, const PodNode& node) const;
    void NodeTranslationMatrix(ToolsMatrix& out, const PodNode& node) const;
    void NodeKeyedMatrix(ToolsMatrix& out, const PodNode& node) const;
    // The interpolated position; a node without position values leaves out untouched.
    void NodePosition(ToolsVec3& out, const PodNode& node) const;
    // Scale, rotation, translation (scale first), or the matrix channel when it has one.
    ToolsMatrix NodeLocalMatrix(const PodNode& node) const;

    // (Re)creates the frame state; 0 on success, 1 when it cannot be allocated.
    uint32_t SetUpFrameState();
    void DestroyFrameState();

    // Light i is node meshNodeCount + i; camera i is node meshNodeCount + lightCount + i.
    ToolsVec4 LightWorldPosition(uint32_t light);
    ToolsVec4 LightWorldDirection(uint32_t light);
    void LightPositionAndDirection(uint32_t light, ToolsVec3& position, ToolsVec3& direction);
    // The target is written only when the camera has a target node.
    float CameraPositionAndTarget(uint32_t camera, ToolsVec3& position, ToolsVec3& target);
    float CameraFromTo(uint32_t camera, ToolsVec3& from, ToolsVec3& to);
    float CameraFieldOfView(uint32_t camera) const;

    // The node's position in the node array.
    uint32_t NodeNumber(const PodNode& node) const { return uint32_t(&node - nodes); }
};

// The number of 16-bit indices of a mesh's faces: sum of (strip length + 2) over the
// strips, or 3 x face count without strips.
uint32_t IndexCount(const PodMesh& mesh);

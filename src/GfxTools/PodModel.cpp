#include "GfxTools/PodModel.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{
// The values of frame's key, or null when the channel has no such key inside its arrays.
const float* KeyAt(const float* values, uint32_t valueCount, const uint32_t* table, uint32_t tableCount,
                   int32_t frame, uint32_t keySize)
{
    if (values == nullptr || frame < 0)
        return nullptr;
    uint64_t offset;
    if (table != nullptr)
    {
        if (uint32_t(frame) >= tableCount)
            return nullptr;
        offset = table[frame];
    }
    else
    {
        offset = uint64_t(frame) * keySize;
    }
    if (offset + keySize > valueCount)
        return nullptr;
    return values + offset;
}

// The two keys to interpolate between at the current frame. A channel that is not
// animated uses its first key for both; a frame past the channel's keys holds the last
// key it has (its own, else the first), so no read ever leaves the arrays.
bool KeyPair(const float* values, uint32_t valueCount, const uint32_t* table, uint32_t tableCount, bool animated,
             int32_t frame, uint32_t keySize, const float*& a, const float*& b)
{
    if (values == nullptr || valueCount < keySize)
        return false;
    if (!animated)
    {
        a = b = values;
        return true;
    }
    a = KeyAt(values, valueCount, table, tableCount, frame, keySize);
    if (a == nullptr)
        a = values;
    b = KeyAt(values, valueCount, table, tableCount, frame + 1, keySize);
    if (b == nullptr)
        b = a;
    return true;
}
} // namespace

void PodMaterialDefaults(PodMaterial& material)
{
    int32_t* textures[] = {&material.diffuseTexture,    &material.ambientTexture,    &material.specularColourTexture,
                           &material.specularLevelTexture, &material.bumpTexture,    &material.emissiveTexture,
                           &material.glossinessTexture, &material.opacityTexture,    &material.reflectionTexture,
                           &material.refractionTexture};
    for (int32_t* t : textures)
        *t = -1;
    material.blendSrcColour = material.blendSrcAlpha = 1;
    material.blendDstColour = material.blendDstAlpha = 0;
    material.blendOpColour = material.blendOpAlpha = 0x8006;
    for (int i = 0; i < 4; ++i)
        material.blendColour[i] = material.blendFactor[i] = 0.0f;
    material.flags = 0;
}

uint32_t IndexCount(const PodMesh& mesh)
{
    if (mesh.stripCount == 0 || mesh.stripLengths == nullptr)
        return mesh.faceCount * 3;
    uint64_t total = 0;
    const uint32_t strips = mesh.stripCount < mesh.stripLengthsCount ? mesh.stripCount : mesh.stripLengthsCount;
    for (uint32_t s = 0; s < strips; ++s)
        total += uint64_t(mesh.stripLengths[s]) + 2;
    return total > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(total);
}

void PodModel::SetAnimationFrame(float frame)
{
    if (frameState == nullptr)
        return;
    if (frameCount == 0 || std::isnan(frame))
    {
        frameState->blend = 0.0f;
        frameState->frameInteger = 0;
    }
    else
    {
        // Truncated toward zero; frames beyond an int's range hold at its ends.
        const float clamped = std::fmax(-2147483520.0f, std::fmin(2147483520.0f, frame));
        frameState->frameInteger = int32_t(clamped);
        frameState->blend = frame - float(frameState->frameInteger);
    }
    frameState->currentFrame = frame;
}

namespace
{
struct FrameView
{
    int32_t frame = 0;
    float blend = 0.0f;
};

FrameView Frame(const PodFrameState* state)
{
    return state != nullptr ? FrameView{state->frameInteger, state->blend} : FrameView{};
}
} // namespace

void PodModel::NodeScaleMatrix(ToolsMatrix& out, const PodNode& node) const
{
    const FrameView f = Frame(frameState);
    const float *a, *b;
    if (!KeyPair(node.scale, node.scaleCount, node.scaleIndex, node.scaleIndexCount,
                 (node.animationFlags & kPodAnimScale) != 0, f.frame, 7, a, b))
    {
        ToolsMatrixIdentity(out);
        return;
    }
    float s[3];
    for (int i = 0; i < 3; ++i)
        s[i] = a[i] + (b[i] - a[i]) * f.blend;
    ToolsMatrixScaling(out, s[0], s[1], s[2]);
}

void PodModel::NodeRotationMatrix(ToolsMatrix& out, const PodNode& node) const
{
    const FrameView f = Frame(frameState);
    const float *a, *b;
    if (!KeyPair(node.rotation, node.rotationCount, node.rotationIndex, node.rotationIndexCount,
                 (node.animationFlags & kPodAnimRotation) != 0, f.frame, 4, a, b))
    {
        ToolsMatrixIdentity(out);
        return;
    }
    ToolsQuaternion q{a[0], a[1], a[2], a[3]};
    if (node.animationFlags & kPodAnimRotation)
        ToolsQuaternionSlerp(q, {a[0], a[1], a[2], a[3]}, {b[0], b[1], b[2], b[3]}, f.blend);
    ToolsQuaternionToMatrix(out, q);
}

void PodModel::NodePosition(ToolsVec3& out, const PodNode& node) const
{
    const FrameView f = Frame(frameState);
    const float *a, *b;
    if (!KeyPair(node.position, node.positionCount, node.positionIndex, node.positionIndexCount,
                 (node.animationFlags & kPodAnimPosition) != 0, f.frame, 3, a, b))
        return;
    out = {a[0] + (b[0] - a[0]) * f.blend, a[1] + (b[1] - a[1]) * f.blend, a[2] + (b[2] - a[2]) * f.blend};
}

void PodModel::NodeTranslationMatrix(ToolsMatrix& out, const PodNode& node) const
{
    ToolsVec3 p{0.0f, 0.0f, 0.0f};
    NodePosition(p, node);
    ToolsMatrixTranslation(out, p.x, p.y, p.z);
}

void PodModel::NodeKeyedMatrix(ToolsMatrix& out, const PodNode& node) const
{
    if (node.matrix == nullptr || node.matrixCount < 16)
    {
        ToolsMatrixIdentity(out);
        return;
    }
    const float* key = node.matrix;
    if (node.animationFlags & kPodAnimMatrix)
    {
        const float* at = KeyAt(node.matrix, node.matrixCount, node.matrixIndex, node.matrixIndexCount,
                                Frame(frameState).frame, 16);
        if (at != nullptr)
            key = at;
    }
    std::memcpy(out.f, key, sizeof out.f);
}

ToolsMatrix PodModel::NodeLocalMatrix(const PodNode& node) const
{
    ToolsMatrix m;
    if (node.matrix != nullptr)
    {
        NodeKeyedMatrix(m, node);
        return m;
    }
    ToolsMatrix s, r, t;
    NodeScaleMatrix(s, node);
    NodeRotationMatrix(r, node);
    NodeTranslationMatrix(t, node);
    ToolsMatrixMultiply(m, s, r);
    ToolsMatrixMultiply(m, m, t);
    return m;
}

ToolsMatrix PodModel::NodeWorldMatrixUncached(const PodNode& node) const
{
    ToolsMatrix world = NodeLocalMatrix(node);
    int32_t parent = node.parentIndex;
    // local . parent's world, walked up the chain; never more steps than there are nodes.
    for (uint32_t steps = 0; parent >= 0 && uint32_t(parent) < nodeCount && steps < nodeCount; ++steps)
    {
        const PodNode& up = nodes[parent];
        const ToolsMatrix local = NodeLocalMatrix(up);
        ToolsMatrixMultiply(world, world, local);
        parent = up.parentIndex;
    }
    return world;
}

ToolsMatrix PodModel::NodeWorldMatrix(const PodNode& node)
{
    const uint32_t i = NodeNumber(node);
    if (frameState == nullptr || i >= frameState->nodeCount || frameState->frameZero == nullptr)
        return NodeWorldMatrixUncached(node);
    if (frameState->currentFrame == 0.0f)
        return frameState->frameZero[i];
    if (frameState->cachedFrame[i] == frameState->currentFrame)
        return frameState->worldCache[i];
    const ToolsMatrix world = NodeWorldMatrixUncached(node);
    frameState->worldCache[i] = world;
    frameState->cachedFrame[i] = frameState->currentFrame;
    return world;
}

ToolsMatrix PodModel::BoneSkinMatrix(const PodNode& meshNode, const PodNode& boneNode)
{
    const float frame = frameState != nullptr ? frameState->currentFrame : 0.0f;
    SetAnimationFrame(0.0f);
    ToolsMatrix m = NodeWorldMatrix(meshNode);
    const ToolsMatrix bindBone = NodeWorldMatrix(boneNode);
    ToolsMatrix inverse = bindBone;
    ToolsMatrixInverse(inverse, bindBone); // a singular bone keeps its matrix
    ToolsMatrixMultiply(m, m, inverse);
    SetAnimationFrame(frame);
    const ToolsMatrix posed = NodeWorldMatrix(boneNode);
    ToolsMatrixMultiply(m, m, posed);
    return m;
}

void PodModel::DestroyFrameState()
{
    if (frameState == nullptr)
        return;
    std::free(frameState->cachedFrame);
    std::free(frameState->worldCache);
    std::free(frameState->frameZero);
    std::free(frameState);
    frameState = nullptr;
}

uint32_t PodModel::SetUpFrameState()
{
    DestroyFrameState();
    frameState = static_cast<PodFrameState*>(std::calloc(1, sizeof(PodFrameState)));
    if (frameState == nullptr)
        return 1;
    if (nodeCount != 0)
    {
        frameState->cachedFrame = static_cast<float*>(std::calloc(nodeCount, sizeof(float)));
        frameState->worldCache = static_cast<ToolsMatrix*>(std::calloc(nodeCount, sizeof(ToolsMatrix)));
        frameState->frameZero = static_cast<ToolsMatrix*>(std::calloc(nodeCount, sizeof(ToolsMatrix)));
        if (frameState->cachedFrame == nullptr || frameState->worldCache == nullptr || frameState->frameZero == nullptr)
        {
            DestroyFrameState();
            return 1;
        }
        frameState->nodeCount = nodeCount;
    }
    SetAnimationFrame(0.0f);
    for (uint32_t i = 0; i < frameState->nodeCount; ++i)
    {
        frameState->frameZero[i] = NodeWorldMatrixUncached(nodes[i]);
        frameState->worldCache[i] = frameState->frameZero[i];
        frameState->cachedFrame[i] = 0.0f;
    }
    return 0;
}

ToolsVec4 PodModel::LightWorldPosition(uint32_t light)
{
    const uint64_t n = uint64_t(meshNodeCount) + light;
    if (n >= nodeCount)
        return {0.0f, 0.0f, 0.0f, 1.0f};
    const ToolsMatrix m = NodeWorldMatrix(nodes[n]);
    return {m.f[12], m.f[13], m.f[14], 1.0f};
}

ToolsVec4 PodModel::LightWorldDirection(uint32_t light)
{
    const uint64_t n = uint64_t(meshNodeCount) + light;
    if (n >= nodeCount)
        return {0.0f, 0.0f, 0.0f, 0.0f};
    const ToolsMatrix m = NodeWorldMatrix(nodes[n]);
    return {-m.f[4], -m.f[5], -m.f[6], 0.0f};
}

void PodModel::LightPositionAndDirection(uint32_t light, ToolsVec3& position, ToolsVec3& direction)
{
    const ToolsVec4 p = LightWorldPosition(light);
    const ToolsVec4 d = LightWorldDirection(light);
    position = {p.x, p.y, p.z};
    direction = {d.x, d.y, d.z};
}

float PodModel::CameraFieldOfView(uint32_t camera) const
{
    if (camera >= cameraCount)
        return 0.0f;
    const PodCamera& c = cameras[camera];
    if (c.animatedFieldOfView == nullptr)
        return c.fieldOfView;
    const FrameView f = Frame(frameState);
    const uint32_t count = c.animatedFieldOfViewCount;
    if (count == 0 || f.frame < 0)
        return c.fieldOfView;
    const uint32_t i = uint32_t(f.frame) < count ? uint32_t(f.frame) : count - 1;
    const uint32_t j = i + 1 < count ? i + 1 : i;
    return c.animatedFieldOfView[i] + (c.animatedFieldOfView[j] - c.animatedFieldOfView[i]) * f.blend;
}

float PodModel::CameraPositionAndTarget(uint32_t camera, ToolsVec3& position, ToolsVec3& target)
{
    const uint64_t n = uint64_t(meshNodeCount) + lightCount + camera;
    if (camera >= cameraCount || n >= nodeCount)
        return 0.0f;
    const ToolsMatrix m = NodeWorldMatrix(nodes[n]);
    position = {m.f[12], m.f[13], m.f[14]};
    const int32_t t = cameras[camera].targetIndex;
    if (t >= 0 && uint32_t(t) < nodeCount)
    {
        const ToolsMatrix tm = NodeWorldMatrix(nodes[t]);
        target = {tm.f[12], tm.f[13], tm.f[14]};
    }
    return CameraFieldOfView(camera);
}

float PodModel::CameraFromTo(uint32_t camera, ToolsVec3& from, ToolsVec3& to)
{
    const uint64_t n = uint64_t(meshNodeCount) + lightCount + camera;
    if (camera >= cameraCount || n >= nodeCount)
        return 0.0f;
    const ToolsMatrix m = NodeWorldMatrix(nodes[n]);
    from = {m.f[12], m.f[13], m.f[14]};
    to = {from.x - m.f[4], from.y - m.f[5], from.z - m.f[6]};
    return CameraFieldOfView(camera);
}

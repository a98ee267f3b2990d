// Reads a POD scene from memory; a scene that loads is posed at a few frames (node, bone,
// light and camera queries, as the renderer's POD draw would ask them), copied, written
// back out and destroyed, and its meshes go through the scene operations. The export options and history are also read on their own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>

#include "GfxTools/PodReader.h"
#include "GfxTools/PodSceneOps.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0x100000)
        return 0;
    const auto length = uint32_t(size);
    PodModel model{};
    char options[16];
    char history[16];
    LoadPodMemory(model, data, length, options, sizeof options, history, sizeof history);
    DestroyScene(model);

    if (LoadPodMemory(model, data, length) == 0)
    {
        for (float frame : {0.0f, 0.5f, 1.0f, 2.75f})
        {
            model.SetAnimationFrame(frame);
            for (uint32_t n = 0; n < model.nodeCount && n < 64; ++n)
                model.NodeWorldMatrix(model.nodes[n]);
            for (uint32_t n = 0; n < model.meshNodeCount && n < 16; ++n)
            {
                const PodNode& meshNode = model.nodes[n];
                const PodBoneBatches& bones = model.meshes[meshNode.index].bones;
                for (int32_t j = 0; j < bones.batchCount && j < 4; ++j)
                    for (int32_t k = 0; k < bones.bonesPerBatch[j] && k < 8; ++k)
                        model.BoneSkinMatrix(meshNode, model.nodes[bones.batchBones[j * bones.maxBonesPerBatch + k]]);
            }
            ToolsVec3 a{}, b{};
            for (uint32_t i = 0; i < model.lightCount && i < 4; ++i)
                model.LightPositionAndDirection(i, a, b);
            for (uint32_t i = 0; i < model.cameraCount && i < 4; ++i)
            {
                model.CameraPositionAndTarget(i, a, b);
                model.CameraFromTo(i, a, b);
            }
        }
        PodModel copy{};
        CopyScene(copy, model);
        PodModel baked{};
        BakeWorldSpace(model, baked);
        DestroyScene(baked);
        for (uint32_t m = 0; m < copy.meshCount && m < 4; ++m)
        {
            PodMesh& mesh = copy.meshes[m];
            SwitchStripForm(mesh);
            SwitchStripForm(mesh);
            if (mesh.interleaved != nullptr)
                DeinterleaveMesh(mesh);
            QuantizePositions(mesh, kPodShort);
            PackBoneWeights(mesh);
            InterleaveMesh(mesh);
        }
        uint8_t* bytes = nullptr;
        uint32_t written = 0;
        if (SavePodMemory(&bytes, &written, copy) == 0)
            std::free(bytes);
        DestroyScene(copy);
    }
    DestroyScene(model);
    return 0;
}

// Reads model files and Vemi scenes from memory. The first byte chooses the reader:
// 0 format 1 multi-mesh, 1 format 2 file, 2 model set, 3 Vemi scene; the rest is the file.
// Texture names resolve to nothing (no loader is registered), so only the readers run.
#include <cstddef>
#include <cstdint>

#include "KelpoBase/render/Model.h"
#include "KelpoBase/render/ModelWriter.h"
#include "KelpoBase/render/VemiScene.h"
#include "KelpoBase/core/DataStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > 0x100000)
        return 0;
    const uint8_t* file = data + 1;
    const uint32_t length = uint32_t(size - 1);
    switch (data[0] & 3)
    {
    case 0:
        if (cMultiMesh* model = LoadMultiMeshV1Memory(file, length, "fuzz/model.vemimodel"))
        {
            // What was read writes back out whole.
            cMemoryDataStream out;
            out.name = "fuzz/copy.vemimodel";
            model->Write(out);
            delete model;
        }
        break;
    case 1:
        delete LoadMultiMeshV2Memory(file, length, "fuzz/model.vemimodel2");
        break;
    case 2:
        delete LoadModelSetMemory(file, length, "fuzz/models.bin");
        break;
    default:
        delete LoadVemiSceneMemory(file, length, "fuzz/scene.vemi");
        break;
    }
    return 0;
}

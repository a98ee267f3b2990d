// Writes the seed corpus of fuzz_pod into the folder given on the command line: scenes
// made by the POD writer (the test scene, a still copy of it, one in fixed point, and one
// with its texts), each checked to read back.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "../tests/GfxTools/PodTestScene.h"

namespace
{
void Save(const std::string& folder, const std::string& name, const PodModel& model, const char* options,
          const char* history)
{
    uint8_t* data = nullptr;
    uint32_t size = 0;
    if (SavePodMemory(&data, &size, model, options, history) != 0)
        return;
    PodModel check{};
    if (LoadPodMemory(check, data, size) != 0)
        std::fprintf(stderr, "seed %s does not read back\n", name.c_str());
    DestroyScene(check);
    std::ofstream(folder + "/" + name, std::ios::binary).write(reinterpret_cast<const char*>(data), size);
    std::free(data);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 1;
    const std::string folder = argv[1];
    PodModel model{};
    podtest::BuildScene(model);
    Save(folder, "scene", model, nullptr, nullptr);
    Save(folder, "scene_texts", model, "exported", "history");
    model.frameCount = 0;
    model.nodes[3].animationFlags = 0;
    Save(folder, "still", model, nullptr, nullptr);
    SwitchNumberFormat(model);
    Save(folder, "fixed_point", model, nullptr, nullptr);
    DestroyScene(model);
    return 0;
}

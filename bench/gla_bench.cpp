// Loading a scene file of about 5 MiB (animated sprites, paths and game objects with
// properties), in MiB per second, against a plain read of the same bytes from disk.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/gla/GlaReader.h"
#include "KelpoBase/gla/GlaSet.h"
#include "scene/GlaWriter.h"

namespace
{
std::string Numbered(const char* prefix, int n, const char* suffix = "")
{
    std::string text(prefix);
    text.append(std::to_string(n));
    text.append(suffix);
    return text;
}

std::vector<uint8_t> MakeSceneFile()
{
    cGlaSet set;
    auto* type = new cGlaObjectType();
    type->name = "Pickup";
    set.types.push_back(type);
    for (int s = 0; set.scenes.size() < 1000; ++s)
    {
        auto* scene = new cGlaScene();
        scene->SetName(Numbered("level_", s));
        scene->frameCount = 120;
        set.AddScene(scene);
        for (int i = 0; i < 100; ++i)
        {
            const std::string name = Numbered("e", i);
            if (i % 10 == 9)
            {
                auto* obj = static_cast<cGlaElementGameObj*>(CreateGlaElement(kGlaGameObj));
                obj->name = name;
                obj->typeName = "Pickup";
                obj->position.AddKey(cVec2f(float(i), float(s)));
                obj->props.push_back(new cGlaPropString("scene", "pickup_sugar"));
                obj->props.push_back(new cGlaPropFloat("Depth", 4000.0f));
                scene->AddObjectElement(obj);
                continue;
            }
            auto* sprite = static_cast<cGlaElementSprite*>(CreateGlaElement(kGlaSprite));
            sprite->name = name;
            for (int k = 0; k < 20; ++k)
            {
                const int32_t frame = k * 6;
                sprite->visible.AddKey(k % 2 == 0, frame);
                sprite->layer.AddKey(float(k), frame);
                sprite->position.AddKey(cVec2f(float(i * k), float(s + k)), frame);
                sprite->rotation.AddKey(float(k * 3), frame);
                sprite->scale.AddKey(cVec2f(1.0f, 1.0f + k * 0.01f), frame);
                sprite->pivot.AddKey(cVec2f(0.5f, 0.5f), frame);
                sprite->colour.AddKey(cRGBA(255, 255, 255, uint8_t(k * 12)), frame);
                sprite->frames.AddNamedKey(nullptr, frame, Numbered("frames/walk_", k, ".png"));
            }
            scene->AddSpriteElement(sprite);
        }
        std::vector<uint8_t> bytes;
        WriteGlaSet(set, 10, bytes);
        if (bytes.size() >= (5u << 20))
            return bytes;
    }
    return {};
}

const std::string& SceneFilePath()
{
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "bench_gla_scene.cgla").string();
        const std::vector<uint8_t> bytes = MakeSceneFile();
        std::FILE* f = std::fopen(p.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return p;
    }();
    return path;
}

int64_t FileSize()
{
    return static_cast<int64_t>(std::filesystem::file_size(SceneFilePath()));
}

void BM_LoadGlaSet(benchmark::State& state)
{
    SetGlaResourceHooks(GlaNoResourceHooks());
    const std::string& path = SceneFilePath();
    for (auto _ : state)
    {
        std::unique_ptr<cGlaSet> set(LoadGlaSet(path));
        if (!set)
            state.SkipWithError("the scene file did not load");
        benchmark::DoNotOptimize(set.get());
    }
    state.SetBytesProcessed(state.iterations() * FileSize());
}
BENCHMARK(BM_LoadGlaSet)->Unit(benchmark::kMillisecond);

void BM_PlainRead(benchmark::State& state)
{
    const std::string& path = SceneFilePath();
    std::vector<uint8_t> buffer(static_cast<size_t>(FileSize()));
    for (auto _ : state)
    {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        const size_t got = std::fread(buffer.data(), 1, buffer.size(), f);
        std::fclose(f);
        benchmark::DoNotOptimize(got);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(state.iterations() * FileSize());
}
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();

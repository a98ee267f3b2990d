// Sprites through cGfx2D into the off-screen target: 32 x 32 frames from one atlas page,
// rotated and tinted, 1,000 or 10,000 a frame; timing ends with glFinish (bench/love/ draws
// the same frames with another engine for comparison). The baseline draws the
// same 10,000 quads from meshes built once, so the ratio is the cost of the batching.
// Also the atlas packer on 500 pictures of mixed sizes: time, pages and fill ratio (the
// fraction of the page area the pictures cover).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "GLTestContext.h"
#include "KelpoBase/platform/GLFunctions.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/Material.h"
#include "KelpoBase/render/Mesh.h"
#include "KelpoBase/render/RendererOGL.h"
#include "KelpoBase/render/Surface.h"
#include "KelpoBase/render/TextureAtlas.h"

namespace
{
constexpr int kSprites = 10000;

struct Scene
{
    std::unique_ptr<cRenderer_OGL_1> renderer;
    std::unique_ptr<cTextureAtlas> atlas;
    std::vector<ImageRect*> frames;
};

// Sixteen 32 x 32 pictures packed onto one page and uploaded.
Scene* GetScene()
{
    static Scene* scene = [] {
        if (tvtest::AcquireGLWindow() == nullptr)
            return static_cast<Scene*>(nullptr);
        auto* s = new Scene();
        s->renderer = std::make_unique<cRenderer_OGL_1>();
        gRenderer = s->renderer.get();
        s->atlas = std::make_unique<cTextureAtlas>(2048);
        for (int i = 0; i < 16; ++i)
        {
            auto* surface = new cSurface(32, 32);
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 32; ++x)
                    surface->SetPixel(x, y, 0xFF000000u | uint32_t(i * 16) | uint32_t(x * 8) << 8 | uint32_t(y * 8) << 16);
            s->frames.push_back(s->atlas->AddSurface("sprite" + std::to_string(i), surface));
        }
        s->atlas->Build();
        s->atlas->UploadPages(true);
        return s;
    }();
    return scene;
}

void BM_Gfx2DSprites(benchmark::State& state)
{
    const int sprites = int(state.range(0));
    Scene* scene = GetScene();
    if (scene == nullptr)
    {
        state.SkipWithError("no GL context");
        return;
    }
    cGfx2D gfx(scene->renderer.get());
    for (auto _ : state)
    {
        scene->renderer->ResetRenderState();
        gfx.Begin();
        for (int i = 0; i < sprites; ++i)
        {
            gfx.SetColour(0xFF000000u | uint32_t(i * 2654435761u) >> 8);
            DrawFrameRotatedAt(gfx, scene->frames[size_t(i) & 15], float(i % 1280), float((i / 1280) * 90 % 720),
                               float(i) * 0.01f, kAlignCentre);
        }
        gfx.Flush();
        GL().Finish();
    }
    state.SetItemsProcessed(state.iterations() * sprites);
}
BENCHMARK(BM_Gfx2DSprites)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PrebuiltMeshBaseline(benchmark::State& state)
{
    Scene* scene = GetScene();
    if (scene == nullptr)
    {
        state.SkipWithError("no GL context");
        return;
    }
    // The same vertices the drawer would make, written once into meshes of 256 quads.
    cGfx2D builder(nullptr);
    std::vector<std::unique_ptr<cMesh>> meshes;
    for (int first = 0; first < kSprites; first += 256)
    {
        const int count = std::min(256, kSprites - first);
        for (int i = first; i < first + count; ++i)
        {
            builder.SetColour(0xFF000000u | uint32_t(i * 2654435761u) >> 8);
            DrawFrameRotatedAt(builder, scene->frames[size_t(i) & 15], float(i % 1280), float((i / 1280) * 90 % 720),
                               float(i) * 0.01f, kAlignCentre);
        }
        meshes.push_back(std::unique_ptr<cMesh>(cMesh::Clone(*builder.mesh)));
        meshes.back()->indexCount = builder.indexCount;
        builder.vertexCount = 0;
        builder.indexCount = 0;
        builder.mesh->indexCount = 0;
    }
    cMaterial material;
    material.textures[0] = scene->frames[0]->image;
    material.flags = kMaterialTwoSided;
    material.blend = kBlendCodeAlpha;
    for (auto _ : state)
    {
        scene->renderer->ResetRenderState();
        cGfx2D(scene->renderer.get()).Begin();
        for (auto& mesh : meshes)
            scene->renderer->DrawMesh(mesh.get(), &material);
        GL().Finish();
    }
    state.SetItemsProcessed(state.iterations() * kSprites);
}
BENCHMARK(BM_PrebuiltMeshBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AtlasPacker500(benchmark::State& state)
{
    double fill = 0.0;
    size_t pages = 0;
    for (auto _ : state)
    {
        state.PauseTiming();
        TextureAtlasPacker packer(2048);
        uint32_t seed = 99;
        uint64_t used = 0;
        for (int i = 0; i < 500; ++i)
        {
            seed = seed * 1664525u + 1013904223u;
            const uint32_t w = 8 + (seed >> 8) % 120;
            seed = seed * 1664525u + 1013904223u;
            const uint32_t h = 8 + (seed >> 8) % 120;
            used += uint64_t(w) * h;
            packer.AddItem(new cSurface(w, h));
        }
        state.ResumeTiming();
        packer.MakePages();
        state.PauseTiming();
        uint64_t area = 0;
        for (cSurface* page : packer.pages)
        {
            area += uint64_t(page->GetWidth()) * page->GetHeight();
            delete page;
        }
        fill = area != 0 ? double(used) / double(area) : 0.0;
        pages = packer.pages.size();
        state.ResumeTiming();
    }
    state.counters["fill"] = fill;
    state.counters["pages"] = double(pages);
}
BENCHMARK(BM_AtlasPacker500)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();

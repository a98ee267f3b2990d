// Drawing a frame of 10,000 textured 32 x 32 quads from one texture, batched as the 2D
// drawer batches (meshes of 256 quads: 1024 vertices, 16-bit indices), through the
// renderer's DrawMesh, against a plain loop that draws the same client arrays with
// glDrawElements in the same context. Each frame ends with glFinish; times are wall-clock
// (the rasteriser works on threads of its own). Runs under the
// offscreen video driver when no display is set. The renderer should reach at least 0.8
// of the plain loop's quads per second.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "KelpoBase/platform/GLFunctions.h"
#include "KelpoBase/platform/GLWindow.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/Material.h"
#include "KelpoBase/render/Mesh.h"
#include "KelpoBase/render/RendererOGL.h"
#include "KelpoBase/render/Surface.h"
#include "host/sdl/SdlHost.h"

namespace
{
constexpr int kQuads = 10000;
constexpr int kQuadsPerMesh = 256;
constexpr float kQuadSize = 32.0f;

LResult IgnoreMessages(const WindowMessage&) { return 0; }

struct Scene
{
    std::unique_ptr<cSdlHost> host;
    std::unique_ptr<cWinMain_OGL1> window;
    std::unique_ptr<cRenderer_OGL_1> renderer;
    std::unique_ptr<cImage> image;
    std::vector<std::unique_ptr<cMesh>> meshes;
    bool ready = false;

    Scene()
    {
        if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
            setenv("SDL_VIDEODRIVER", "offscreen", 0);
        host = std::make_unique<cSdlHost>();
        SetHost(host.get());
        if (!host->RegisterWindowClass("BenchWindowClass", &IgnoreMessages) ||
            !host->CreateGameWindow("bench", 1280, 720))
            return;
        window = std::make_unique<cWinMain_OGL1>();
        if (!window->SetupGraphics())
            return;
        SetScreenSize(1280, 720);
        renderer = std::make_unique<cRenderer_OGL_1>();
        gRenderer = renderer.get();

        cCamera camera;
        camera.SetOrthoRect(0, 720, 1280, 0);
        camera.nearPlane = -1;
        camera.farPlane = 1;
        camera.UpdateProjection();
        renderer->SetCamera(camera);

        cSurface surface(32, 32, kFormatRGBA8888);
        for (uint32_t i = 0; i < 32 * 32 * 4; ++i)
            surface.GetPixels()[i] = uint8_t(i * 7);
        image = std::make_unique<cImage>(renderer->CreateTexture(&surface, kTexLinearFilter), 32, 32);

        // Quads spread over the screen, as sprites are.
        uint32_t seed = 12345;
        auto next = [&seed](uint32_t range) {
            seed = seed * 1664525u + 1013904223u;
            return float((seed >> 8) % range);
        };
        for (int first = 0; first < kQuads; first += kQuadsPerMesh)
        {
            const int count = std::min(kQuadsPerMesh, kQuads - first);
            auto mesh = std::make_unique<cMesh>(kQuadsPerMesh * 4, kQuadsPerMesh * 6, 0x400D);
            for (int q = 0; q < count; ++q)
            {
                const float x = next(1280 - 32), y = next(720 - 32);
                const float corners[4][4] = {{x, y, 0, 0},
                                             {x + kQuadSize, y, 1, 0},
                                             {x, y + kQuadSize, 0, 1},
                                             {x + kQuadSize, y + kQuadSize, 1, 1}};
                for (int c = 0; c < 4; ++c)
                {
                    uint8_t* v = mesh->PositionPtr(uint32_t(q * 4 + c));
                    std::memcpy(v, &corners[c][0], 8);
                    const uint32_t colour = 0xFFFFFFFFu;
                    std::memcpy(v + 8, &colour, 4);
                    std::memcpy(v + 12, &corners[c][2], 8);
                }
                const uint16_t base = uint16_t(q * 4);
                const uint16_t quad[6] = {base, uint16_t(base + 2), uint16_t(base + 1), uint16_t(base + 1),
                                          uint16_t(base + 2), uint16_t(base + 3)};
                std::memcpy(&mesh->indices[size_t(q) * 6], quad, sizeof quad);
            }
            mesh->indexCount = uint32_t(count * 6);
            meshes.push_back(std::move(mesh));
        }
        ready = true;
    }

    // One frame drawn both ways before timing, so that neither side pays the rasteriser's
    // first-use set-up.
    void WarmUp();

    ~Scene()
    {
        meshes.clear();
        image.reset();
        gRenderer = nullptr;
        renderer.reset();
        if (window != nullptr)
            window->BindDefaultTarget();
        window.reset();
        SetGLFunctions(nullptr);
        if (host != nullptr)
        {
            host->DestroyGameWindow();
            host->UnregisterWindowClass();
        }
        SetHost(nullptr);
    }
};

void DrawFrameThroughRenderer(Scene& scene, cMaterial& material)
{
    scene.renderer->ResetRenderState();
    for (const auto& mesh : scene.meshes)
        scene.renderer->DrawMesh(mesh.get(), &material);
    GL().Finish();
}

void DrawFramePlain(Scene& scene)
{
    cGLFunctions& gl = GL();
    gl.MatrixMode(GL_PROJECTION);
    gl.LoadMatrixf(scene.renderer->projectionMatrix.Data());
    gl.MatrixMode(GL_MODELVIEW);
    gl.LoadIdentity();
    gl.ActiveTexture(GL_TEXTURE0);
    gl.ClientActiveTexture(GL_TEXTURE0);
    gl.Enable(GL_TEXTURE_2D);
    gl.BindTexture(GL_TEXTURE_2D, scene.image->texture);
    gl.Enable(GL_BLEND);
    gl.BlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl.Disable(GL_DEPTH_TEST);
    gl.Disable(GL_CULL_FACE);
    gl.EnableClientState(GL_VERTEX_ARRAY);
    gl.EnableClientState(GL_COLOR_ARRAY);
    gl.EnableClientState(GL_TEXTURE_COORD_ARRAY);
    for (const auto& mesh : scene.meshes)
    {
        const uint8_t* data = mesh->vertices;
        gl.VertexPointer(2, GL_FLOAT, GLsizei(mesh->stride), data);
        gl.ColorPointer(4, GL_UNSIGNED_BYTE, GLsizei(mesh->stride), data + 8);
        gl.TexCoordPointer(2, GL_FLOAT, GLsizei(mesh->stride), data + 12);
        gl.DrawElements(GL_TRIANGLES, GLsizei(mesh->indexCount), GL_UNSIGNED_SHORT, mesh->indices.data());
    }
    gl.Finish();
}

// The 2D drawer's material for a batch: the page texture, alpha blending, two-sided.
void SetBatchMaterial(Scene& scene, cMaterial& material)
{
    material.textures[0] = scene.image.get();
    material.blend = kBlendCodeAlpha;
    material.flags = kMaterialTwoSided;
}

void Scene::WarmUp()
{
    cMaterial material;
    SetBatchMaterial(*this, material);
    DrawFrameThroughRenderer(*this, material);
    DrawFramePlain(*this);
}

Scene& GetScene()
{
    static Scene scene;
    static const bool warmed = [] {
        if (scene.ready)
            scene.WarmUp();
        return true;
    }();
    (void)warmed;
    return scene;
}

// One frame as the engine draws it: reset, then one DrawMesh per batch.
void BM_RendererDrawMesh(benchmark::State& state)
{
    Scene& scene = GetScene();
    if (!scene.ready)
    {
        state.SkipWithError("no GL context");
        return;
    }
    cMaterial material;
    SetBatchMaterial(scene, material);
    for (auto _ : state)
        DrawFrameThroughRenderer(scene, material);
    state.SetItemsProcessed(int64_t(state.iterations()) * kQuads);
}
BENCHMARK(BM_RendererDrawMesh)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same arrays and state set once a frame by hand, then glDrawElements per batch.
void BM_PlainDrawElements(benchmark::State& state)
{
    Scene& scene = GetScene();
    if (!scene.ready)
    {
        state.SkipWithError("no GL context");
        return;
    }
    for (auto _ : state)
        DrawFramePlain(scene);
    state.SetItemsProcessed(int64_t(state.iterations()) * kQuads);
}
BENCHMARK(BM_PlainDrawElements)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace

BENCHMARK_MAIN();

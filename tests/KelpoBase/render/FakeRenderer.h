// A renderer that draws nothing and records what the drawing code asks of it: every
// DrawMesh with a copy of the batch it was given, texture creation and deletion.
#pragma once

#include <cstring>
#include <vector>

#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/Material.h"
#include "KelpoBase/render/Mesh.h"
#include "KelpoBase/render/Renderer.h"

namespace tvtest
{
struct RecordedDraw
{
    cMesh* mesh = nullptr;
    cImage* texture = nullptr;
    cImage* extraTexture = nullptr;
    uint16_t flags = 0;
    uint16_t blend = 0;
    std::vector<Gfx2DVertex> vertices; // the vertices the indices use (0 .. largest index)
    std::vector<uint16_t> indices;
};

class cFakeRenderer : public cRenderer
{
public:
    void SetRenderTarget(cRenderTarget* target) override { currentTarget = target; }
    void SetViewport() override {}
    void SetScissor(int32_t, int32_t, int32_t, int32_t) override { ++scissorCalls; }
    void ResetRenderState() override {}
    void DrawHardwareMesh(cHardwareMesh*, cMaterial*) override {}
    void DrawPodModel(cPodModel*, cMaterial*) override {}
    void DrawMesh(cMesh* mesh, cMaterial* material) override
    {
        RecordedDraw d;
        d.mesh = mesh;
        d.texture = material->textures[0];
        d.extraTexture = material->extraTexture;
        d.flags = material->flags;
        d.blend = material->blend;
        d.indices.assign(mesh->indices.begin(), mesh->indices.begin() + mesh->indexCount);
        uint32_t largest = 0;
        for (uint16_t i : d.indices)
            largest = std::max<uint32_t>(largest, i);
        if (!d.indices.empty() && mesh->stride == sizeof(Gfx2DVertex))
        {
            d.vertices.resize(largest + 1);
            std::memcpy(d.vertices.data(), mesh->vertices, (largest + 1) * sizeof(Gfx2DVertex));
        }
        draws.push_back(std::move(d));
    }
    void SetClearColour(uint32_t) override {}
    void Clear(uint32_t) override {}
    cSurface* ReadPixels() override { return nullptr; }
    void SetRenderState(int32_t, bool) override {}
    void SetBlendMode(int32_t) override {}
    void BindTexture(int32_t, cImage*) override {}
    void DisableScissor() override { ++disableScissorCalls; }
    const int32_t* GetScissorBox() override { return nullptr; }
    void SetColourMask(uint32_t) override {}
    uint32_t CreateTexture(cSurface* surface, uint32_t flags) override
    {
        ++createCalls;
        lastFlags = flags;
        return failTextures || surface == nullptr ? 0 : nextTexture++;
    }
    void DeleteTexture(uint32_t texture) override { deleted.push_back(texture); }
    void SetLight(const cLight&) override {}
    void EnableLighting(bool) override {}

    std::vector<RecordedDraw> draws;
    int createCalls = 0;
    uint32_t lastFlags = 0;
    uint32_t nextTexture = 1;
    bool failTextures = false;
    std::vector<uint32_t> deleted;
    int scissorCalls = 0;
    int disableScissorCalls = 0;
};

// Installs a fake renderer as gRenderer for the scope.
class ScopedFakeRenderer
{
public:
    ScopedFakeRenderer() : previous(gRenderer) { gRenderer = &renderer; }
    ~ScopedFakeRenderer() { gRenderer = previous; }
    cFakeRenderer renderer;

private:
    cRenderer* previous;
};
} // namespace tvtest

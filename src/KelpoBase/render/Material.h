// cMaterial: the render state a mesh is drawn with: up to two textures and an extra one,
// render flag bits, a blend code and a colour. A material does not own its images: they
// belong to the resource group that loaded them.
#pragma once

#include <cstdint>

#include "KelpoBase/core/Array.h"
#include "KelpoBase/render/Resource.h"

class cImage;

// Render flag bits of a material.
inline constexpr uint16_t kMaterialTwoSided = 0x1;
inline constexpr uint16_t kMaterialIgnoreVertexColours = 0x2;
inline constexpr uint16_t kMaterialDepthTest = 0x4;
inline constexpr uint16_t kMaterialDepthWrite = 0x8;
inline constexpr uint16_t kMaterialLines = 0x40;
inline constexpr uint16_t kMaterialLighting = 0x80;

// Blend codes: 0 off, 1 alpha, 2 additive, 3 multiply, 4 darken by source alpha; any
// other code leaves blending as it was.
inline constexpr uint16_t kBlendCodeOff = 0;
inline constexpr uint16_t kBlendCodeAlpha = 1;
inline constexpr uint16_t kBlendCodeAdditive = 2;
inline constexpr uint16_t kBlendCodeMultiply = 3;
inline constexpr uint16_t kBlendCodeDarken = 4;

class cMaterial : public cResource
{
    KELPO_DECLARE_CLASS(cMaterial, cResource)
public:
    cMaterial();
    ~cMaterial() override = default;

    void SetFlags(uint16_t value) { flags = value; }
    void SetBlend(uint16_t value) { blend = value; }
    void SetExtraTexture(cImage* image) { extraTexture = image; }

    cArray<cImage*, 2> textures;
    uint16_t flags = 0;
    uint16_t blend = kBlendCodeOff;
    uint32_t colour = 0xFFFFFFFFu; // RGBA, R in the low byte
    cImage* extraTexture = nullptr;
};

// Small helpers shared by the front end's screen files: fade colours and steps, drawing a
// screen's scene, reading the number that follows an action name's prefix.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/render/Gfx2D.h"

namespace frontend
{
constexpr uint32_t kOpaqueWhite = 0xFFFFFFFFu;

// White with the alpha (0..255).
inline uint32_t FadeColour(int32_t alpha)
{
    const uint32_t a = static_cast<uint32_t>(std::clamp(alpha, 0, 255));
    return (a << 24) | 0x00FFFFFFu;
}

inline uint32_t TextColour(int32_t alpha)
{
    const uint32_t a = static_cast<uint32_t>(std::clamp(alpha, 0, 255));
    return (a << 24) | (72u << 16) | (36u << 8) | 23u;
}

inline void FadeIn(int32_t& alpha, int32_t step) { alpha = std::clamp(alpha + step, 0, 255); }

inline void DrawScene(cGlaControllerScene* scene, cGfx2D& gfx)
{
    if (scene != nullptr)
        scene->Draw(gfx);
}

inline void DrawSceneFaded(cGlaControllerScene* scene, cGfx2D& gfx, int32_t alpha)
{
    const uint32_t saved = gfx.GetColour();
    gfx.SetColour(FadeColour(alpha));
    DrawScene(scene, gfx);
    gfx.SetColour(saved);
}

// Up, down or activate on the scene (the first pressed of the three acts).
void FocusKeys(cGlaControllerScene* scene);

// True when name begins with prefix; number is then the decimal digits that follow (0 when
// there are none). False for a number with too many digits to be meaningful.
bool NumberAfter(const std::string& name, const std::string& prefix, int32_t& number);
} // namespace frontend

#include "game/level/Hud.h"

#include <cmath>

#include "KelpoBase/core/Colour.h"
#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/core/TextUtil.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElement.h"
#include "KelpoBase/gla/GlaElementControllers.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/render/Gfx2D.h"

namespace
{
// The time is turned a little against the screen.
constexpr float kTimeAngle = -0.06981317f; // -4 degrees
// Minutes and seconds.
constexpr uint32_t kTimeFields = 6;
constexpr float kSugarShrink = 0.01f;

// The position of a placeholder: its controller's, else its element's first frame;
// false when the scene has neither.
bool PlaceholderPosition(const cGlaControllerScene* scene, const char* name, cVec2f& out)
{
    if (scene == nullptr)
        return false;
    if (const cGlaControllerElement* c = scene->FindController(name))
    {
        out = c->position + scene->position;
        return true;
    }
    if (scene->scene == nullptr)
        return false;
    if (const auto* e = ClassCast<cGlaElementPos>(scene->scene->FindElement(name)))
    {
        out = e->position.GetValue(0) + scene->position;
        return true;
    }
    return false;
}

uint32_t NonNegative(int32_t v) { return v > 0 ? static_cast<uint32_t>(v) : 0u; }

void DrawNumberAt(cGfx2D& gfx, const HudView& view, const char* placeholder, int32_t value, uint8_t align,
                  float spacing)
{
    cVec2f at;
    if (view.digits == nullptr || !PlaceholderPosition(view.hudScene, placeholder, at))
        return;
    gfx.PushTransform();
    gfx.Translate(at.x, at.y);
    gfx.DrawNumber(NonNegative(value), view.digits, 0.0f, 0.0f, align, spacing);
    gfx.PopTransform();
}

void DrawSurvivalTime(cGfx2D& gfx, const HudView& view)
{
    cVec2f at;
    if (view.font == nullptr || !PlaceholderPosition(view.hudScene, "time", at))
        return;
    const std::string text = HudTimeText(view.survivalCountdown);
    uint32_t top = 0, bottom = 0;
    HudTimeColours(view.levelIndex, top, bottom);
    const uint32_t corners[4] = {top, top, bottom, bottom};
    const cFont* savedFont = gfx.font;
    gfx.SetFont(view.font);
    gfx.PushTransform();
    gfx.Translate(at.x, at.y);
    gfx.Rotate(kTimeAngle);
    gfx.DrawTextRightAligned(text.c_str(), corners);
    gfx.PopTransform();
    gfx.SetFont(savedFont);
}

void ShowKey(const cGlaControllerScene* scene, const char* name, bool shown)
{
    SetControllerVisible(scene->FindController(name), shown);
}
} // namespace

float HudDigitSpacing(int32_t screenWidth) { return screenWidth < 960 ? -5.0f : -10.0f; }

std::string HudTimeText(int32_t countdownFrames)
{
    std::string text;
    FormatMilliseconds(text, kTimeFields, static_cast<float>(NonNegative(countdownFrames) / 30.0));
    return text;
}

void HudTimeColours(int32_t survivalIndex, uint32_t& top, uint32_t& bottom)
{
    if (survivalIndex == 0 || survivalIndex == 1)
    {
        top = cRGBA(40, 59, 110, 255).Word();
        bottom = cRGBA(0, 167, 157, 255).Word();
    }
    else if (survivalIndex == 2)
    {
        top = cRGBA(5, 219, 166, 255).Word();
        bottom = cRGBA(130, 220, 190, 255).Word();
    }
    else
    {
        top = cRGBA(255, 150, 31, 255).Word();
        bottom = cRGBA(255, 255, 31, 255).Word();
    }
}

void UpdateHud(cGfx2D& gfx, const HudView& view)
{
    const float spacing = HudDigitSpacing(view.screenWidth);
    if (view.isSurvival)
    {
        DrawNumberAt(gfx, view, "sugerCurrent", view.sugarCollected, kAlignLeft, spacing);
        DrawSurvivalTime(gfx, view);
    }
    else
    {
        DrawNumberAt(gfx, view, "sugerCurrent", view.sugarCollected, kAlignRight, spacing);
        DrawNumberAt(gfx, view, "sugerTotal", view.sugarTotal, kAlignLeft, spacing);
    }

    if (cGlaControllerScene* hud = view.hudScene)
    {
        if (cGlaControllerSprite* power = FindSpriteController(hud, "power"))
        {
            float fuel = std::isfinite(view.jumpFuel) ? view.jumpFuel : 0.0f;
            ClampFloat(fuel, 0.0f, 1.0f);
            power->cropX = cVec2f(0.0f, fuel);
        }

        hud->Draw(gfx);

        // The icon shrinks back to its own size after a pickup enlarged it, and stops
        // there rather than overshooting by a rounding step.
        if (cGlaControllerSprite* sugar = FindSpriteController(hud, "suger"))
        {
            if (sugar->scale.x > 1.0f)
            {
                auto shrink = [](float& v) {
                    v -= kSugarShrink;
                    if (v < 1.0f + kSugarShrink * 0.01f)
                        v = 1.0f;
                };
                shrink(sugar->scale.x);
                shrink(sugar->scale.y);
            }
        }

        // Shown from the next draw on.
        ShowKey(hud, "key_yellow", (view.heldKeys & kKeyYellow) != 0);
        ShowKey(hud, "key_red", (view.heldKeys & kKeyRed) != 0);
        ShowKey(hud, "key_green", (view.heldKeys & kKeyGreen) != 0);
        ShowKey(hud, "key_blue", (view.heldKeys & kKeyBlue) != 0);
    }

    cGlaControllerScene* indicator = view.noJumpState == 1 ? view.noJumpIndicator : view.jumpIndicator;
    if (indicator != nullptr)
        indicator->Draw(gfx);
}

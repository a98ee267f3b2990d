// The heads-up display: the sugar count (with the level's total, or the time left in a
// survival level), the jump fuel bar, the held keys and the jump indicator, drawn over
// the level every frame in screen coordinates.
//
// The display is a Gla scene of its own whose elements are placeholders: "sugerCurrent",
// "sugerTotal" and "time" give positions, "power" is the fuel bar (cropped to the fuel),
// "suger" the sugar icon (the pickup code enlarges it; it shrinks back here) and
// "key_yellow", "key_red", "key_green", "key_blue" are shown while the key is held.
//
// The level fills a HudView from its own fields and calls UpdateHud once a frame.
#pragma once

#include <cstdint>
#include <string>

class cFont;
class cGfx2D;
class cGlaControllerScene;
struct ImageRect;

// Held-key bits of the level.
inline constexpr uint32_t kKeyRed = 0x1;
inline constexpr uint32_t kKeyGreen = 0x2;
inline constexpr uint32_t kKeyBlue = 0x4;
inline constexpr uint32_t kKeyYellow = 0x8;

// What the display shows this frame. Null scenes, digits or font leave their part out.
struct HudView
{
    cGlaControllerScene* hudScene = nullptr;
    cGlaControllerScene* jumpIndicator = nullptr;
    cGlaControllerScene* noJumpIndicator = nullptr;
    int32_t noJumpState = 0;                 // 1: the no-jump indicator is drawn
    const ImageRect* const* digits = nullptr; // ten digit images, 0 to 9
    const cFont* font = nullptr;             // the survival time's font
    int32_t sugarCollected = 0;
    int32_t sugarTotal = 0;
    int32_t survivalCountdown = 0; // frames
    int32_t levelIndex = 0;
    bool isSurvival = false;
    uint32_t heldKeys = 0;
    float jumpFuel = 0.0f; // 0 to 1
    int32_t screenWidth = 1280;
};

// The pixels between two digits: -5 on screens narrower than 960 pixels, else -10.
float HudDigitSpacing(int32_t screenWidth);
// The survival time text of a countdown in frames: minutes and seconds, "mm:ss".
std::string HudTimeText(int32_t countdownFrames);
// The two colours (top, bottom; cRGBA words) of the survival time for a survival index.
void HudTimeColours(int32_t survivalIndex, uint32_t& top, uint32_t& bottom);

// Draws the display and advances its small animations (the sugar icon's shrink).
void UpdateHud(cGfx2D& gfx, const HudView& view);

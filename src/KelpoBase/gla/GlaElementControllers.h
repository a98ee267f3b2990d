// The element controllers that play the drawable and timed elements of a Gla scene:
// sprites, multi-sprites, textured polygons, nested scenes, rectangles, text boxes, events
// and particle emitters.
//
// Each samples its element's keyframe tracks at the frame its scene controller gives it
// (SetFrame, or SetFrameBlend between frames), keeps the sampled pose, draws it and
// reports its bounds for culling. Angles in the tracks are degrees: sprites and textured
// polygons turn them with +pi/180, the other kinds with -pi/180.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/core/Colour.h"
#include "KelpoBase/gla/GlaController.h"

struct ImageRect;
class cImage;
class cMultiSprite;
class cTextLayout;
class cParticlePool;

class cGlaControllerSprite : public cGlaControllerElement
{
    KELPO_DECLARE_CLASS(cGlaControllerSprite, cGlaControllerElement)
public:
    cGlaControllerSprite(cGlaController* ownerController, cGlaElement* playedElement);

    void Draw(cGfx2D& gfx, const cOrientedBox& view) override;
    void SetFrameBlend(int32_t frame, float fraction) override;
    void SetFrame(int32_t frame) override;
    cOrientedBox& GetBounds(cOrientedBox& out) override;
    void SetAlpha(uint8_t alpha) override { tint.a = alpha; }

    bool visible = false;
    cRGBA tint{255, 255, 255, 255};
    const ImageRect* image = nullptr;
    cVec2f cropX{0.0f, 1.0f};
    cVec2f cropY{0.0f, 1.0f};
    int32_t renderMode = 0;
    bool isStatic = false; // keeps the frame-0 pose for good
    cOrientedBox box;

private:
    void UpdateBox();
};

class cGlaControllerMultiSprite : public cGlaControllerElement
{
    KELPO_DECLARE_CLASS(cGlaControllerMultiSprite, cGlaControllerElement)
public:
    cGlaControllerMultiSprite(cGlaController* ownerController, cGlaElement* playedElement);

    void Draw(cGfx2D& gfx, const cOrientedBox& view) override;
    void SetFrame(int32_t frame) override;
    cOrientedBox& GetBounds(cOrientedBox& out) override;
    void SetAlpha(uint8_t alpha) override { tint.a = alpha; }

    bool visible = false;
    cRGBA tint{255, 255, 255, 255};
    cMultiSprite* multiSprite = nullptr;
};

class cGlaControllerPolyTextured : public cGlaControllerElement
{
    KELPO_DECLARE_CLASS(cGlaControllerPolyTextured, cGlaControllerElement)
public:
    cGlaControllerPolyTextured(cGlaController* ownerController, cGlaElement* playedElement, float pointScale);

    void Draw(cGfx2D& gfx, const cOrientedBox& view) override;
    void SetFrameBlend(int32_t frame, float fraction) override;
    void SetFrame(int32_t frame) override;
    cOrientedBox& GetBounds(cOrientedBox& out) override;

    std::vector<uint32_t> vertexColours; // cRGBA words
    std::vector<cVec2f> texCoords;
    std::vector<cVec2f> points;
    uint16_t renderMode = 0;
    cImage* image = nullptr;
    cVec2f textureScale{1.0f, 1.0f};
    cVec2f textureOffset;
    cVec2f texelFactors;
    float textureAngle = 0.0f;
    cRGBA tint{255, 255, 255, 255};
    cRect2f pointBounds;
    bool visible = false;

private:
    // Texture coordinates and vertex colours from the sampled texture values. Without an
    // image, or with a zero size or scale, the coordinates of the last good sample stay.
    void RebuildTexCoords();
};

class cGlaControllerSceneElement : public cGlaControllerElement
{
    KELPO_DECLARE_CLASS(cGlaControllerSceneElement, cGlaControllerElement)
public:
    cGlaControllerSceneElement(cGlaController* ownerController, cGlaElement* playedElement);
    ~cGlaControllerSceneElement() override;

    void ResetInput() override;
    void Update() override;
    void Draw(cGfx2D& gfx, const cOrientedBox& view) override;
    void SetFrameBlend(int32_t frame, float fraction) override;
    void SetFrame(int32_t frame) override;
    cOrientedBox& GetBounds(cOrientedBox& out) override;
    void SetAlpha(uint8_t alpha) override { tint.a = alpha; }
    void DrawBounds(cGfx2D& gfx, const cOrientedBox& view) override;

    cGlaControllerScene* GetNestedScene() const { return nested; }

    cRGBA tint{255, 255, 255, 255};
    cGlaControllerScene* nested = nullptr; // owned; its owner is this controller
    int32_t startOffset = 0;
    int32_t frameOffset = 0;
    bool visible = false;

private:
    void Sample(int32_t frame, bool blend, float fraction);
};

class cGlaControllerRectangle : public cGlaControllerElement
{
    KELPO_DECLARE_CLASS(cGlaControllerRectangle, cGlaControllerElement)
public:
    cGlaControllerRectangle(cGlaController* ownerController, cGlaElement* playedElement);

    // Rectangles are invisible regions: nothing is drawn.
    void Draw(cGfx2D& gfx, const cOrientedBox& view) override;
    void SetFrame(int32_t frame) override;
    cOrientedBox& GetBounds(cOrientedBox& out) override;

    // The size is kept in the scale fields.
    bool visible = false;
};

class cGlaControllerTextBox : public cGlaControllerRectangle
{
    KELPO_DECLARE_CLASS(cGlaControllerTextBox, cGlaControllerRectangle)
public:
    cGlaControllerTextBox(cGlaController* ownerController, cGlaElement* playedElement);
    ~cGlaControllerTextBox() override;

    void Draw(cGfx2D& gfx, const cOrientedBox& view) override;
    void SetFrame(int32_t frame) override;

    int32_t alignmentFlags = 0; // 1 left edge, 2 right edge, 16 top edge, 32 bottom edge, 0 centred
    bool shadow = false;
    cRGBA textColour{255, 255, 255, 255};
    cRGBA shadowColour{0, 0, 0, 255};
    cVec2f alignmentOffset;
    std::string text;
    bool laidOut = false;
    std::unique_ptr<cTextLayout> layout;
    int32_t wrapWidth = 2147483647;
};

class cGlaControllerEvent : public cGlaControllerElement
{
    KELPO_DECLARE_CLASS(cGlaControllerEvent, cGlaControllerElement)
public:
    cGlaControllerEvent(cGlaController* ownerController, cGlaElement* playedElement);

    void Update() override;

    int32_t countdown = 0;
    bool fired = false;
};

class cGlaControllerParticleEmiter : public cGlaControllerElement
{
    KELPO_DECLARE_CLASS(cGlaControllerParticleEmiter, cGlaControllerElement)
public:
    cGlaControllerParticleEmiter(cGlaController* ownerController, cGlaElement* playedElement);

    // Takes the particle pool of the scene controller at the top of the owner chain.
    void Setup() override;
    void Update() override;
    void SetFrame(int32_t frame) override;

    // Fills one particle from the element's emitter settings (no pool: nothing).
    void EmitOne();

    bool visible = false;
    cRGBA tint{255, 255, 255, 255};
    float rate = 0.0f;  // particles per tick
    float carry = 0.0f; // the fraction of a particle owed
    cParticlePool* pool = nullptr; // not owned
};

// Sets the visible flag of any element controller kind that has one (the keyboard
// highlight of a control's look uses it); nothing for null or other kinds.
void SetControllerVisible(cGlaControllerElement* controller, bool on);

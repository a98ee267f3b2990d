// The run-time controllers of Gla scenes: the common base cGlaController and the base of
// the controllers that play one element each, cGlaControllerElement.
//
// Controllers form a tree: a scene controller owns one element controller per playable
// element; a nested scene element owns a scene controller of its own. Controls post their
// messages to the top of the owner chain (GetTopController).
#pragma once

#include <cstdint>

#include "KelpoBase/core/KelpoMsg.h"
#include "KelpoBase/core/KelpoObj.h"
#include "KelpoBase/core/Shape2D.h"
#include "KelpoBase/core/Vec2.h"

class cGfx2D;
class cGlaElement;
class cGlaControllerScene;

class cGlaController : public cKelpoObj
{
    KELPO_DECLARE_CLASS(cGlaController, cKelpoObj)
public:
    explicit cGlaController(cGlaController* ownerController = nullptr) : owner(ownerController) {}
    ~cGlaController() override = default;

    // Ignored here; the scene controller queues it.
    virtual void PostMessage(const cKelpoMsg& message) { (void)message; }
    virtual void ResetInput() {}

    // The last controller of the owner chain (this one when it has no owner).
    cGlaController* GetTopController();

    cGlaController* owner = nullptr;
    cVec2f position;
    cVec2f scale{1.0f, 1.0f};
    cVec2f pivot;
    float angle = 0.0f;        // radians
    int32_t layerOffset = 0;   // added to the draw-order layer while drawing
};

class cGlaControllerElement : public cGlaController
{
    KELPO_DECLARE_CLASS(cGlaControllerElement, cGlaController)
public:
    cGlaControllerElement(cGlaController* ownerController, cGlaElement* playedElement)
        : cGlaController(ownerController), element(playedElement)
    {
    }
    ~cGlaControllerElement() override = default;

    // Runs once after every controller of the scene exists.
    virtual void Setup() { SetFrame(0); }
    virtual void Update() {}
    virtual void Draw(cGfx2D& gfx, const cOrientedBox& view)
    {
        (void)gfx;
        (void)view;
    }
    virtual void SetFrameBlend(int32_t frame, float fraction)
    {
        (void)frame;
        (void)fraction;
    }
    virtual void SetFrame(int32_t frame) { (void)frame; }
    // Fills out with the controller's box in its scene's coordinates. Kinds that have no
    // extent of their own report a box of zero size at their position.
    virtual cOrientedBox& GetBounds(cOrientedBox& out);
    virtual void SetAlpha(uint8_t alpha) { (void)alpha; }
    // Outlines the GetBounds box in the current colour.
    virtual void DrawBounds(cGfx2D& gfx, const cOrientedBox& view);

    cGlaElement* GetElement() const { return element; }

    cGlaElement* element = nullptr;
};

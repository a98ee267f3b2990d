// cBackgroundObject: a scrolling background layer. It repeats its sub-scene across the
// screen every `width` pixels (the width of the sub-scene's "bound" rectangle), follows
// the camera by a parallax factor and may drift by itself.
#pragma once

#include <cstdint>

#include "game/objects/Controller.h"

class cGlaControllerScene;
class cGlaElement;
class cObjectLevel;

class cBackgroundObject : public cLogicController
{
    KELPO_DECLARE_CLASS(cBackgroundObject, cLogicController)
public:
    // Reads "Depth", "Parallax", "Speed", "YOffset", plays the scene of "scene" looped and
    // takes the width from its "bound" rectangle. Absent values are 0.
    explicit cBackgroundObject(cGlaElement* element);
    ~cBackgroundObject() override;

    // Animates the scene (not in performance mode 0) and scrolls: offset += parallax x the
    // camera's x movement (pixels) + speed, wrapped into 0..width.
    void Update(float dt) override;
    // The copies of the scene that cover the screen, in screen space scaled by the zoom.
    void Draw(cGfx2D* gfx) override;

    // Brings the offset back into 0..width (an offset equal to the width stays). A width
    // that is not a positive number leaves a finite offset alone (and a non-finite one 0).
    static float WrapOffset(float offset, float width);
    // The x of each copy to draw for the scroll position x (= -offset), the repeat width
    // and half the screen width in scene pixels; writes up to 3 and returns the count.
    // Without a positive width there is one copy, at x.
    static int CopyPositions(float x, float width, float half, float out[3]);

    cGlaControllerScene* sceneController = nullptr;
    int32_t depth = 0;
    float parallax = 0.0f;
    float speed = 0.0f;
    float yOffset = 0.0f;
    float offset = 0.0f;
    float width = 0.0f;

private:
    const cObjectLevel* Level() const;
    bool haveCameraX = false;
    float lastCameraX = 0.0f;
};

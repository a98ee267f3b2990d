// cMoverObject: platforms and doors that travel along a path drawn in the level.
//
// The mover covers speed x 0.5 pixels of its path a frame. By type it goes back and
// forth (1), restarts from the start (2), waits locked until opened (3: a door that the
// player opens with the right keys, then travels once), or travels once and stops (any
// other type). A closed path wraps forever whatever the type. A "Dynamic" mover that is
// still locked is held at the start of its path.
#pragma once

#include <cstdint>

#include "KelpoBase/core/Vec2.h"
#include "game/objects/Controller.h"

class cGlaControllerScene;
class cGlaElement;
class cGlaElementPath;
class cGlaScene;

class cMoverObject : public cLogicController
{
    KELPO_DECLARE_CLASS(cMoverObject, cLogicController)
public:
    // Reads "Speed", "Path", "Type", "KeyCode", then the step and closed flag from the
    // path, "PathPosition" and "Dynamic".
    explicit cMoverObject(cGlaElement* element);
    ~cMoverObject() override;

    void Update(float dt) override;
    void Draw(cGfx2D* gfx) override;
    void Start() override {}

    // The scene controller of the mover's scene, played looped; depth from its "Depth".
    cGlaControllerScene* CreateSceneController(cGlaScene* scene);

    // The key bits (0x1 red, 0x2 green, 0x4 blue, 0x8 yellow) a locked door asks for.
    static uint32_t KeyBitsOfCode(int32_t keyCode);
    // True when the held keys meet the door's key bits.
    bool KeysFit(uint32_t heldKeys) const { return (keyBits & heldKeys) != 0; }

    cGlaControllerScene* sceneController = nullptr;
    float speed = 0.0f;
    int32_t type = 0;
    cGlaElementPath* path = nullptr;
    bool closed = false;
    float position = 0.0f;
    float step = 0.0f;
    bool open = true;
    bool placed = false;
    uint32_t keyBits = 0;
    int32_t depth = 0;
    cVec2f lastPosition;
    bool holdAtStart = false;

private:
    // Moves the owner to the current point of the path and steps along it.
    void PathStep();
    void MoveOwnerTo(const cVec2f& metres);
};

// The step along a path of that length (pixels) for a speed of speed x 0.5 pixels a frame;
// 0 for a path without length (or a length or speed that is not a number).
float PathStepFor(float speed, float pathLength);

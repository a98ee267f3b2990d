// cPlayerControls: what the running level asks of the player's logic controller each
// frame: the zone flags it is in, and its two controls. The player kind implements it
// beside cLogicController; the level reaches the player only through it.
#pragma once

#include <cstdint>

class cGameObj;

// Zone flag: the player is in a zone where it may not jump.
inline constexpr uint32_t kZoneNoJump = 0x4000;

class cPlayerControls
{
public:
    virtual ~cPlayerControls() = default;

    // The flags of the zones the player is in (kZoneNoJump among them).
    virtual uint32_t GetZoneFlags() const = 0;
    // Horizontal push (+2.8 right, -2.8 left).
    virtual void Move(float force) = 0;
    virtual void Jump() = 0;
};

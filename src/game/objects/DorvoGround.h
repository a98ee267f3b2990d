// What the player reads of the object under it: whether it is a dynamic object, and its
// killer, push and carry settings. Kept apart from the player's own header so that the
// object kinds' headers stay out of it.
#pragma once

class b2Body;
class cGameObj;

struct DorvoGround
{
    cGameObj* object = nullptr; // the body's object, when it has one
    bool dynamic = false;       // the object is a dynamic object
    bool killer = false;
    bool push = false;          // the player's weight pushes it
    bool carry = false;         // it carries the player along
};

// Fills out for the body (nothing known for a body without an object).
DorvoGround ReadDorvoGround(const b2Body* body);

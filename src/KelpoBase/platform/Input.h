// The input block: keyboard, mouse and joystick as 88 key states that game code polls.
//
// The window procedure, the keyboard hook and the joystick poll write the current block
// (InputKeys); right after the game's update the main loop copies it to InputKeysPrevious.
// A key is down (current 1), just pressed (current 1, previous 0) or just released
// (current 0, previous 1). ConsumeKey marks a held key as used (2): it then reads as
// neither down nor pressed until it is released and pressed again.
//
// Also here: five pointer records (the left mouse button as a touch), the right-button
// drag, the wheel, the joystick's directions and buttons, the per-frame book-keeping and
// the focus handling (focus loss clears the block and pauses the game).
#pragma once

#include <cstdint>

#include "KelpoBase/core/Array.h"
#include "host/Host.h"

class cWinMain;

enum KeyCode : uint32_t
{
    KEY_NONE = 0,
    KEY_POINTER_1 = 1, // ..5: pointer records 0..4 are down
    KEY_SHIFT = 6,
    KEY_SPACE = 7,
    KEY_RETURN = 8,
    KEY_ESCAPE = 9,
    KEY_TAB = 10,
    KEY_F1 = 11, // ..KEY_F8 = 18
    KEY_F8 = 18,
    KEY_LEFT = 19,
    KEY_RIGHT = 20,
    KEY_UP = 21,
    KEY_DOWN = 22,
    KEY_HOME = 23,
    KEY_END = 24,
    KEY_PAGE_UP = 25,
    KEY_PAGE_DOWN = 26,
    KEY_A = 30, // ..KEY_Z = 55
    KEY_D = 33,
    KEY_Z = 55,
    KEY_0 = 56, // ..KEY_9 = 65
    KEY_9 = 65,
    KEY_RIGHT_DRAG = 67,
    KEY_JOY_LEFT = 68,
    KEY_JOY_RIGHT = 69,
    KEY_JOY_UP = 70,
    KEY_JOY_DOWN = 71,
    KEY_JOY_BUTTON_1 = 72, // ..KEY_JOY_BUTTON_16 = 87
    KEY_JOY_BUTTON_16 = 87,
    KEY_COUNT = 88,
};

// Entry values.
inline constexpr uint8_t KEYSTATE_UP = 0;
inline constexpr uint8_t KEYSTATE_DOWN = 1;
inline constexpr uint8_t KEYSTATE_CONSUMED = 2;

using InputBlock = cArray<uint8_t, KEY_COUNT>;
extern InputBlock InputKeys;
extern InputBlock InputKeysPrevious;

struct PointerRecord
{
    int32_t down = 0;
    int32_t x = 0, y = 0;
    int32_t dx = 0, dy = 0;
    uint32_t pressFrame = 0;
};

// The last wheel rotation of the frame (120 a notch, positive away from the user);
// cleared by the main loop after the update.
extern int32_t gWheelDelta;
// While false, left-button presses and moves leave the pointer records alone (releases
// still count). The game clears it once it exists.
extern bool gPointerInputEnabled;

// The key code of a virtual key (KEY_NONE for keys the game ignores).
uint32_t KeyCodeForVirtualKey(uint32_t vk);

void KeyDown(uint32_t code);
void KeyUp(uint32_t code);
bool IsKeyDown(uint32_t code);
bool IsKeyPressed(uint32_t code);
bool IsKeyJustReleased(uint32_t code);
bool IsConsumedKeyReleased(uint32_t code);
void ConsumeKey(uint32_t code);
// Previous = current, current = all up, pointer records not down.
void ClearInput();
// The main loop's copy after the update.
void CopyInputToPrevious();
// Start state: both blocks up, pointers not down, pointer input enabled, drag, wheel,
// swipe and tilt cleared (filter factor 0.5).
void ResetInputState();

// Pointer records.
int FirstPointerPressed();
int FirstPointerReleased();
const PointerRecord& GetPointerRecord(uint32_t i);
void GetPointerPosition(uint32_t i, int32_t& x, int32_t& y);
void PointerDown(int32_t x, int32_t y);
void PointerMove(int32_t x, int32_t y);
void PointerUp(int32_t x, int32_t y);
// Swipe record of pointer 0 (9999999, 9999999 when no pointer is down).
void GetSwipePosition(int32_t& x, int32_t& y);
void GetSwipeDelta(int32_t& dx, int32_t& dy);

// Tilt filter (nothing on this platform feeds the raw vector).
struct TiltVector
{
    float x = 0.0f, y = 0.0f, z = 0.0f;
};
void SetTiltFilterFactor(float k);
void SetTiltRaw(const TiltVector& raw);
TiltVector GetTiltRaw();
TiltVector GetTiltSmoothed();
TiltVector GetTiltHighPass();

// Right-button drag (positions in virtual-screen pixels).
void SetRightDragPosition(int32_t x, int32_t y);
void SetRightDragStartAndPosition(int32_t x, int32_t y);
void GetRightDragStart(int32_t& x, int32_t& y);
void GetRightDragPosition(int32_t& x, int32_t& y);
void GetRightDragDelta(int32_t& dx, int32_t& dy);
void SetWheelDelta(int32_t delta);

// Joystick: detected once at start-up, polled once a frame.
void DetectJoystick(cWinMain& window);
void PollJoystick(cWinMain& window);
// The axis value (-1..1) of a raw position in the device's range; 0 for a degenerate range.
float JoystickAxisValue(int32_t position, int32_t minimum, int32_t maximum);

// Client-area pixels to virtual-screen pixels (turned by the window's angle, unscaled).
void WindowToVirtual(const cWinMain& window, int32_t x, int32_t y, int32_t& outX, int32_t& outY);
// Virtual-screen pixels to the pointer records' frame, by the screen orientation.
void RotateToScreen(int32_t x, int32_t y, int32_t& outX, int32_t& outY);

// The main loop's per-frame book-keeping before the game's update.
void UpdateInputFrame();

// Focus: gained -> the game's Resume; lost -> ClearInput, then the game's Pause.
void OnFocusGained();
void OnFocusLost();

// The keyboard hook: a Print Screen release takes a screenshot and is swallowed.
LResult KeyboardHookProc(int code, const HookKeyEvent& event);

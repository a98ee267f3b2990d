#include "KelpoBase/platform/Input.h"

#include <cmath>

#include "KelpoBase/platform/KelpoGame.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/platform/WinMain.h"

InputBlock InputKeys{};
InputBlock InputKeysPrevious{};
int32_t gWheelDelta = 0;
bool gPointerInputEnabled = true;

namespace
{
constexpr int32_t kNoPointer = 9999999;
constexpr float kAxisDeadZone = 0.4f;

cArray<PointerRecord, 5> gPointers{};

struct SwipeRecord
{
    int32_t x = 0, y = 0, dx = 0, dy = 0;
} gSwipe;

struct RightDrag
{
    int32_t startX = 0, startY = 0;
    int32_t x = 0, y = 0;
    int32_t dx = 0, dy = 0;
} gDrag;

struct TiltFilter
{
    TiltVector raw, smoothed, highPass, smoothed2;
    float k = 0.5f;
} gTilt;

// Last mouse position the window procedure saw.
int16_t gLastMouseX = 0;
int16_t gLastMouseY = 0;

void ClearPointerDowns()
{
    for (uint32_t i = 0; i < 5; ++i)
        gPointers[i].down = 0;
}

int FirstPointerDown()
{
    for (uint32_t i = 0; i < 5; ++i)
        if (gPointers[i].down != 0)
            return int(i);
    return -1;
}

void MovePointer(PointerRecord& record, int32_t x, int32_t y)
{
    record.dx = x - record.x;
    record.dy = y - record.y;
    record.x = x;
    record.y = y;
}

TiltVector Blend(const TiltVector& a, float k, const TiltVector& b)
{
    return {a.x * k + b.x * (1.0f - k), a.y * k + b.y * (1.0f - k), a.z * k + b.z * (1.0f - k)};
}
} // namespace

uint32_t KeyCodeForVirtualKey(uint32_t vk)
{
    if (vk >= VK_F1 && vk <= VK_F8)
        return vk - 101;
    if (vk >= VK_A && vk <= VK_A + 25)
        return vk - 35;
    if (vk >= VK_0 && vk <= VK_0 + 9)
        return vk + 8;
    switch (vk)
    {
    case VK_SHIFT: return KEY_SHIFT;
    case VK_SPACE: return KEY_SPACE;
    case VK_RETURN: return KEY_RETURN;
    case VK_ESCAPE: return KEY_ESCAPE;
    case VK_TAB: return KEY_TAB;
    case VK_LEFT: return KEY_LEFT;
    case VK_RIGHT: return KEY_RIGHT;
    case VK_UP: return KEY_UP;
    case VK_DOWN: return KEY_DOWN;
    case VK_HOME: return KEY_HOME;
    case VK_END: return KEY_END;
    case VK_PRIOR: return KEY_PAGE_UP;
    case VK_NEXT: return KEY_PAGE_DOWN;
    default: return KEY_NONE;
    }
}

void KeyDown(uint32_t code) { InputKeys[code] = KEYSTATE_DOWN; }
void KeyUp(uint32_t code) { InputKeys[code] = KEYSTATE_UP; }
bool IsKeyDown(uint32_t code) { return InputKeys[code] == KEYSTATE_DOWN; }
bool IsKeyPressed(uint32_t code) { return InputKeys[code] == KEYSTATE_DOWN && InputKeysPrevious[code] == KEYSTATE_UP; }
bool IsKeyJustReleased(uint32_t code)
{
    return InputKeys[code] == KEYSTATE_UP && InputKeysPrevious[code] == KEYSTATE_DOWN;
}
bool IsConsumedKeyReleased(uint32_t code)
{
    return InputKeys[code] == KEYSTATE_UP && InputKeysPrevious[code] == KEYSTATE_CONSUMED;
}

void ConsumeKey(uint32_t code)
{
    if (InputKeys[code] != KEYSTATE_UP)
        InputKeys[code] = KEYSTATE_CONSUMED;
}

void CopyInputToPrevious()
{
    for (uint32_t i = 0; i < KEY_COUNT; ++i)
        InputKeysPrevious[i] = InputKeys[i];
}

void ClearInput()
{
    CopyInputToPrevious();
    for (uint32_t i = 0; i < KEY_COUNT; ++i)
        InputKeys[i] = KEYSTATE_UP;
    ClearPointerDowns();
}

void ResetInputState()
{
    for (uint32_t i = 0; i < KEY_COUNT; ++i)
    {
        InputKeys[i] = KEYSTATE_UP;
        InputKeysPrevious[i] = KEYSTATE_UP;
    }
    ClearPointerDowns();
    gPointerInputEnabled = true;
    gDrag = RightDrag{};
    gSwipe = SwipeRecord{};
    gTilt = TiltFilter{};
    gWheelDelta = 0;
    gLastMouseX = gLastMouseY = 0;
}

// --- pointer records -------------------------------------------------------------------

int FirstPointerPressed()
{
    for (uint32_t i = 0; i < 5; ++i)
        if (IsKeyPressed(i + 1))
            return int(i);
    return -1;
}

int FirstPointerReleased()
{
    for (uint32_t i = 0; i < 5; ++i)
        if (IsKeyJustReleased(i + 1))
            return int(i);
    return -1;
}

const PointerRecord& GetPointerRecord(uint32_t i) { return gPointers[i]; }

void GetPointerPosition(uint32_t i, int32_t& x, int32_t& y)
{
    x = gPointers[i].x;
    y = gPointers[i].y;
}

void PointerDown(int32_t x, int32_t y)
{
    if (!gPointerInputEnabled)
        return;
    RotateToScreen(x, y, x, y);
    int slot = FirstPointerDown();
    if (slot < 0)
        for (uint32_t i = 0; i < 5 && slot < 0; ++i)
            if (gPointers[i].down == 0)
                slot = int(i);
    if (slot < 0)
        return;
    PointerRecord& record = gPointers[uint32_t(slot)];
    record.pressFrame = GetFrameCounter();
    record.down = 1;
    record.dx = record.dy = 0;
    record.x = x;
    record.y = y;
    InputKeys[uint32_t(slot) + 1] = KEYSTATE_DOWN;
}

void PointerMove(int32_t x, int32_t y)
{
    if (!gPointerInputEnabled)
        return;
    RotateToScreen(x, y, x, y);
    int slot = FirstPointerDown();
    if (slot < 0)
        return;
    PointerRecord& record = gPointers[uint32_t(slot)];
    record.down = 1;
    MovePointer(record, x, y);
}

void PointerUp(int32_t x, int32_t y)
{
    RotateToScreen(x, y, x, y);
    int slot = FirstPointerDown();
    if (slot < 0)
        return;
    PointerRecord& record = gPointers[uint32_t(slot)];
    MovePointer(record, x, y);
    record.down = 0;
    InputKeys[uint32_t(slot) + 1] = KEYSTATE_UP;
}

void GetSwipePosition(int32_t& x, int32_t& y)
{
    x = gSwipe.x;
    y = gSwipe.y;
}

void GetSwipeDelta(int32_t& dx, int32_t& dy)
{
    dx = gSwipe.dx;
    dy = gSwipe.dy;
}

// --- tilt ------------------------------------------------------------------------------

void SetTiltFilterFactor(float k) { gTilt.k = k; }
void SetTiltRaw(const TiltVector& raw) { gTilt.raw = raw; }
TiltVector GetTiltRaw() { return gTilt.raw; }
TiltVector GetTiltSmoothed() { return gTilt.smoothed; }
TiltVector GetTiltHighPass() { return gTilt.highPass; }

// --- right drag and wheel --------------------------------------------------------------

void SetRightDragPosition(int32_t x, int32_t y)
{
    gDrag.x = x;
    gDrag.y = y;
}

void SetRightDragStartAndPosition(int32_t x, int32_t y)
{
    gDrag.startX = gDrag.x = x;
    gDrag.startY = gDrag.y = y;
}

void GetRightDragStart(int32_t& x, int32_t& y)
{
    x = gDrag.startX;
    y = gDrag.startY;
}

void GetRightDragPosition(int32_t& x, int32_t& y)
{
    x = gDrag.x;
    y = gDrag.y;
}

void GetRightDragDelta(int32_t& dx, int32_t& dy)
{
    dx = gDrag.dx;
    dy = gDrag.dy;
}

void SetWheelDelta(int32_t delta) { gWheelDelta = delta; }

// --- joystick --------------------------------------------------------------------------

float JoystickAxisValue(int32_t position, int32_t minimum, int32_t maximum)
{
    // Signed arithmetic about the centre of the range, divided by half the range.
    double centre = (double(minimum) + double(maximum)) * 0.5;
    double half = (double(maximum) - double(minimum)) * 0.5;
    if (!(half > 0.0))
        return 0.0f;
    return float((double(position) - centre) / half);
}

void DetectJoystick(cWinMain& window)
{
    window.joystickPresent = false;
    cHost* host = GetHost();
    if (host == nullptr)
        return;
    int32_t count = host->JoystickCount();
    if (count <= 0)
        return;
    JoystickReading reading;
    bool first = host->ReadJoystick(0, reading);
    bool second = !first && count >= 2 && host->ReadJoystick(1, reading);
    // Present only when a device really answers.
    if (first || second)
    {
        window.joystickId = first ? 0 : 1;
        window.joystickPresent = true;
    }
}

void PollJoystick(cWinMain& window)
{
    cHost* host = GetHost();
    if (!window.joystickPresent || host == nullptr)
        return;
    JoystickReading r;
    if (!host->ReadJoystick(window.joystickId, r))
        return;
    float x = JoystickAxisValue(r.x, r.xMin, r.xMax);
    float y = JoystickAxisValue(r.y, r.yMin, r.yMax);
    InputKeys[KEY_JOY_RIGHT] = x > kAxisDeadZone ? 1 : 0;
    InputKeys[KEY_JOY_LEFT] = x < -kAxisDeadZone ? 1 : 0;
    InputKeys[KEY_JOY_DOWN] = y > kAxisDeadZone ? 1 : 0;
    InputKeys[KEY_JOY_UP] = y < -kAxisDeadZone ? 1 : 0;
    for (uint32_t b = 0; b < 16; ++b)
        InputKeys[KEY_JOY_BUTTON_1 + b] = (r.buttons >> b) & 1u;
    bool active = x > kAxisDeadZone || x < -kAxisDeadZone || y > kAxisDeadZone || y < -kAxisDeadZone ||
                  (r.buttons & 0xFFFFu) != 0;
    if (active && window.cursorVisible)
        window.SetCursorVisible(false);
}

// --- coordinates -----------------------------------------------------------------------

void WindowToVirtual(const cWinMain& window, int32_t x, int32_t y, int32_t& outX, int32_t& outY)
{
    double dx = double(x) - double(window.windowWidth / 2);
    double dy = double(y) - double(window.windowHeight / 2);
    double a = -double(window.angle);
    double rx = std::cos(a) * dx - std::sin(a) * dy;
    double ry = std::sin(a) * dx + std::cos(a) * dy;
    double vx = double(window.virtualWidth / 2) + rx;
    double vy = double(window.virtualHeight / 2) + ry;
    // Window coordinates are 16-bit, so the results stay well inside int32.
    outX = int32_t(std::trunc(vx));
    outY = int32_t(std::trunc(vy));
}

void RotateToScreen(int32_t x, int32_t y, int32_t& outX, int32_t& outY)
{
    int32_t w = GetScreenWidth();
    int32_t h = GetScreenHeight();
    int32_t rx = 0, ry = 0;
    switch (GetOrientation())
    {
    case 0: rx = x; ry = y; break;
    case 1: rx = h - y; ry = x; break;
    case 2: rx = w - x; ry = h - y; break;
    case 3: rx = y; ry = w - x; break;
    default: break;
    }
    outX = rx;
    outY = ry;
}

// --- per frame -------------------------------------------------------------------------

void UpdateInputFrame()
{
    // 1: the swipe record of pointer 0.
    uint8_t now = InputKeys[KEY_POINTER_1];
    uint8_t before = InputKeysPrevious[KEY_POINTER_1];
    const PointerRecord& p0 = gPointers[0];
    if (now == 1 && before == 0)
    {
        gSwipe.x = p0.x;
        gSwipe.y = p0.y;
        gSwipe.dx = gSwipe.dy = 0;
    }
    else if (now == 1)
    {
        gSwipe.dx = p0.x - gSwipe.x;
        gSwipe.dy = p0.y - gSwipe.y;
        gSwipe.x = p0.x;
        gSwipe.y = p0.y;
    }
    else if (now == 0 && before == 1)
    {
        gSwipe.dx = gSwipe.dy = 0;
    }
    else
    {
        gSwipe.x = gSwipe.y = kNoPointer;
        gSwipe.dx = gSwipe.dy = 0;
    }

    // 2: the tilt filter.
    gTilt.smoothed = Blend(gTilt.raw, gTilt.k, gTilt.smoothed);
    gTilt.smoothed2 = Blend(gTilt.raw, gTilt.k, gTilt.smoothed2);
    gTilt.highPass = {gTilt.raw.x - gTilt.smoothed2.x, gTilt.raw.y - gTilt.smoothed2.y,
                      gTilt.raw.z - gTilt.smoothed2.z};

    // 3: the measured frame rate.
    CountFrameForRate();

    // 4: the right drag's movement since the last frame.
    gDrag.dx = gDrag.x - gDrag.startX;
    gDrag.dy = gDrag.y - gDrag.startY;
    gDrag.startX = gDrag.x;
    gDrag.startY = gDrag.y;
}

// --- focus -----------------------------------------------------------------------------

void OnFocusGained()
{
    if (gGame != nullptr)
        gGame->Resume();
}

void OnFocusLost()
{
    // Keys held while the focus goes must not stay down.
    ClearInput();
    if (gGame != nullptr)
        gGame->Pause();
}

// --- window procedure and keyboard hook ------------------------------------------------

LResult cWinMain::WindowProc(const WindowMessage& m)
{
    cHost* host = GetHost();
    cWinMain* window = gWinMain;
    switch (m.message)
    {
    case WM_ACTIVATE:
        if (LowWord(m.wParam) == WA_INACTIVE)
            OnFocusLost();
        else
            OnFocusGained();
        break;

    case WM_CLOSE:
        SetQuitRequested(true);
        return 1;

    case WM_SYSCOMMAND: {
        uint64_t command = m.wParam & 0xFFF0u;
        if (command == SC_SCREENSAVE || command == SC_MONITORPOWER)
            return 0;
        break;
    }

    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        // An auto-repeat (the key was already down) never re-arms a key, so a consumed key
        // stays consumed while it is held.
        if ((m.lParam & KEYDATA_PREVIOUS_DOWN) != 0)
            break;
        uint32_t code = KeyCodeForVirtualKey(uint32_t(m.wParam));
        if (code != KEY_NONE)
        {
            if (window != nullptr && window->cursorVisible)
                window->SetCursorVisible(false);
            KeyDown(code);
        }
        break;
    }

    case WM_KEYUP:
    case WM_SYSKEYUP: {
        uint32_t code = KeyCodeForVirtualKey(uint32_t(m.wParam));
        if (code != KEY_NONE)
            KeyUp(code);
        break;
    }

    case WM_MOUSEMOVE: {
        int16_t x = int16_t(SignedLowWord(uint64_t(m.lParam)));
        int16_t y = int16_t(SignedHighWord(uint64_t(m.lParam)));
        if (window == nullptr)
            break;
        if (x != gLastMouseX || y != gLastMouseY)
        {
            gLastMouseX = x;
            gLastMouseY = y;
            if (!window->cursorVisible)
                window->SetCursorVisible(true);
        }
        WindowToVirtual(*window, x, y, window->pointerX, window->pointerY);
        if (window->PointerInScreen())
            PointerMove(window->pointerX, window->pointerY);
        if (window->rightDrag)
            SetRightDragPosition(window->pointerX, window->pointerY);
        break;
    }

    case WM_LBUTTONDOWN:
        if (window != nullptr && window->PointerInScreen())
            PointerDown(window->pointerX, window->pointerY);
        break;

    case WM_LBUTTONUP:
        if (window != nullptr)
            PointerUp(window->pointerX, window->pointerY);
        break;

    case WM_RBUTTONDOWN:
        if (window == nullptr)
            break;
        WindowToVirtual(*window, SignedLowWord(uint64_t(m.lParam)), SignedHighWord(uint64_t(m.lParam)),
                        window->pointerX, window->pointerY);
        SetRightDragStartAndPosition(window->pointerX, window->pointerY);
        InputKeys[KEY_RIGHT_DRAG] = KEYSTATE_DOWN;
        window->rightDrag = true;
        if (host != nullptr)
            host->SetCapture();
        break;

    case WM_RBUTTONUP:
        if (window != nullptr && window->rightDrag)
        {
            window->rightDrag = false;
            InputKeys[KEY_RIGHT_DRAG] = KEYSTATE_UP;
            if (host != nullptr)
                host->ReleaseCapture();
        }
        break;

    case WM_CAPTURECHANGED:
        if (window != nullptr)
            window->rightDrag = false;
        InputKeys[KEY_RIGHT_DRAG] = KEYSTATE_UP;
        break;

    case WM_MOUSEWHEEL:
        gWheelDelta = SignedHighWord(m.wParam);
        break;

    default:
        break;
    }
    return host != nullptr ? host->DefWindowProc(m) : 0;
}

LResult KeyboardHookProc(int code, const HookKeyEvent& event)
{
    if (code == HC_ACTION && (event.message == WM_KEYUP || event.message == WM_SYSKEYUP) &&
        event.vkCode == VK_SNAPSHOT)
    {
        TakeScreenshot("");
        return 1;
    }
    return 0;
}

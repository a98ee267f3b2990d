#include <gtest/gtest.h>

#include <SDL.h>

#include <string>
#include <vector>

#include "PlatformTestSupport.h"
#include "host/sdl/SdlHost.h"

using tvtest::cPlatformFixture;

namespace
{
// Runs one frame and reports what the game's update saw for a key.
struct KeyView
{
    bool down, pressed, released, consumedReleased;
};

KeyView FrameView(cPlatformFixture& f, uint32_t code)
{
    KeyView v{};
    f.game->onUpdate = [&]() {
        v = {IsKeyDown(code), IsKeyPressed(code), IsKeyJustReleased(code), IsConsumedKeyReleased(code)};
    };
    f.window.Run(1);
    f.game->onUpdate = nullptr;
    return v;
}
} // namespace

TEST(KeyTable, VirtualKeysToKeyCodes)
{
    struct Case
    {
        uint32_t vk, code;
    } cases[] = {
        {VK_SHIFT, 6},   {VK_SPACE, 7},  {VK_RETURN, 8}, {VK_ESCAPE, 9}, {VK_TAB, 10},
        {VK_F1, 11},     {VK_F8, 18},    {VK_F8 + 1, 0}, {VK_F12, 0},    {VK_LEFT, 19},
        {VK_RIGHT, 20},  {VK_UP, 21},    {VK_DOWN, 22},  {VK_HOME, 23},  {VK_END, 24},
        {VK_PRIOR, 25},  {VK_NEXT, 26},  {VK_A, 30},     {VK_A + 3, 33}, {VK_A + 25, 55},
        {VK_0, 56},      {VK_0 + 9, 65}, {VK_NUMPAD0, 0}, {VK_CONTROL, 0}, {VK_MENU, 0},
        {VK_DELETE, 0},  {VK_SNAPSHOT, 0}, {VK_OEM_1, 0}, {0, 0},       {0xFFFF, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KeyCodeForVirtualKey(c.vk), c.code) << "vk " << c.vk;
}

TEST(InputBlock, HoldPressAndRelease)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start());
    f.host.InjectKey(VK_RIGHT, true);
    KeyView a = FrameView(f, KEY_RIGHT);
    EXPECT_TRUE(a.down && a.pressed && !a.released);
    KeyView b = FrameView(f, KEY_RIGHT);
    EXPECT_TRUE(b.down && !b.pressed && !b.released);
    f.host.InjectKey(VK_RIGHT, false);
    KeyView c = FrameView(f, KEY_RIGHT);
    EXPECT_TRUE(!c.down && !c.pressed && c.released);
    KeyView d = FrameView(f, KEY_RIGHT);
    EXPECT_TRUE(!d.down && !d.pressed && !d.released);
}

TEST(InputBlock, ConsumedKeyStaysConsumedThroughAutoRepeat)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start());
    f.host.InjectKey(VK_RETURN, true);
    f.game->onUpdate = [&]() { ConsumeKey(KEY_RETURN); };
    f.window.Run(1);
    EXPECT_EQ(InputKeys[KEY_RETURN], KEYSTATE_CONSUMED);

    // Auto-repeat messages while the key is held never re-arm it.
    f.host.InjectKey(VK_RETURN, true, false, true);
    f.host.InjectKey(VK_RETURN, true, false, true);
    KeyView held = FrameView(f, KEY_RETURN);
    EXPECT_FALSE(held.down);
    EXPECT_FALSE(held.pressed);

    f.host.InjectKey(VK_RETURN, false);
    KeyView up = FrameView(f, KEY_RETURN);
    EXPECT_TRUE(up.consumedReleased);
    EXPECT_FALSE(up.released);

    // Consuming a key that is up changes nothing.
    ConsumeKey(KEY_RETURN);
    EXPECT_EQ(InputKeys[KEY_RETURN], KEYSTATE_UP);
}

TEST(InputBlock, AltHeldLettersCountTheSame)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start());
    f.host.InjectKey(VK_A + 3, true, true); // Alt+D: WM_SYSKEYDOWN
    KeyView a = FrameView(f, KEY_D);
    EXPECT_TRUE(a.pressed);
    f.host.InjectKey(VK_A + 3, false, true);
    KeyView b = FrameView(f, KEY_D);
    EXPECT_TRUE(b.released);
}

TEST(InputBlock, KeyPressHidesTheCursorAndMouseMoveShowsIt)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start());
    f.host.InjectKey(VK_SPACE, true);
    f.window.Run(1);
    EXPECT_FALSE(f.host.cursorVisible);
    int calls = f.host.cursorCalls;
    f.host.InjectKey(VK_SPACE, false);
    f.host.InjectKey(VK_SPACE, true);
    f.window.Run(1);
    EXPECT_EQ(f.host.cursorCalls, calls); // already hidden: the host is not called again
    f.host.InjectMouseMove(10, 10);
    f.window.Run(1);
    EXPECT_TRUE(f.host.cursorVisible);
    // Unmapped keys leave the cursor alone.
    f.host.InjectKey(VK_F12, true);
    f.window.Run(1);
    EXPECT_TRUE(f.host.cursorVisible);
}

TEST(InputBlock, FocusLossReleasesHeldKeysAndPausesTheGame)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start());
    f.host.InjectKey(VK_SPACE, true);
    f.window.Run(1);
    f.host.SetFocus(false);
    KeyView lost = FrameView(f, KEY_SPACE);
    EXPECT_FALSE(lost.down);
    EXPECT_EQ(f.LogFrom("pause").size() > 0, true);

    f.host.SetFocus(true);
    KeyView back = FrameView(f, KEY_SPACE);
    EXPECT_FALSE(back.down);
    EXPECT_FALSE(back.pressed);
    EXPECT_FALSE(f.LogFrom("resume").empty());

    f.host.InjectKey(VK_SPACE, true);
    EXPECT_TRUE(FrameView(f, KEY_SPACE).pressed);
}

TEST(KeyboardHook, PrintScreenTakesAScreenshotOnlyWithFocusAndNeverReachesTheWindow)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start());
    std::vector<std::string> shots;
    GetSystemHooks().writeScreenshot = [&](const std::string& name) {
        shots.push_back(name);
        return true;
    };
    f.host.InjectKey(VK_SNAPSHOT, true);
    f.host.InjectKey(VK_SNAPSHOT, false);
    // The release was swallowed by the hook: only the press reached the queue.
    EXPECT_EQ(f.host.QueueSize(), 1u);
    EXPECT_EQ(shots.size(), 1u);
    f.window.Run(1);

    // Another application has the focus: the key never reaches this program.
    f.host.SetFocus(false);
    f.window.Run(1);
    f.host.InjectKey(VK_SNAPSHOT, true);
    f.host.InjectKey(VK_SNAPSHOT, false);
    EXPECT_EQ(shots.size(), 1u);

    // Other keys pass the hook untouched.
    EXPECT_EQ(KeyboardHookProc(HC_ACTION, {WM_KEYUP, VK_SPACE, 0}), 0);
    EXPECT_EQ(KeyboardHookProc(HC_ACTION, {WM_KEYDOWN, VK_SNAPSHOT, 0}), 0);
    EXPECT_EQ(shots.size(), 1u);
    GetSystemHooks().writeScreenshot = nullptr;
}

TEST(Mouse, RightDragWithinOneFrameIsNotSeen)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start());
    f.host.Inject(WM_RBUTTONDOWN, 0, MakePointLParam(100, 100));
    f.host.Inject(WM_RBUTTONUP, 0, MakePointLParam(100, 100));
    KeyView v = FrameView(f, KEY_RIGHT_DRAG);
    EXPECT_FALSE(v.down);
    EXPECT_FALSE(f.host.captured);
}

TEST(Mouse, RightDragTracksMovementAndCaptureLoss)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start());
    f.host.Inject(WM_RBUTTONDOWN, 0, MakePointLParam(100, 100));
    KeyView v = FrameView(f, KEY_RIGHT_DRAG);
    EXPECT_TRUE(v.pressed);
    EXPECT_TRUE(f.host.captured);
    f.host.InjectMouseMove(130, 90);
    f.window.Run(1);
    int32_t dx = 0, dy = 0;
    GetRightDragDelta(dx, dy);
    EXPECT_EQ(dx, 30);
    EXPECT_EQ(dy, -10);
    f.window.Run(1);
    GetRightDragDelta(dx, dy);
    EXPECT_EQ(dx, 0);
    EXPECT_EQ(dy, 0);

    f.host.Inject(WM_CAPTURECHANGED);
    EXPECT_TRUE(FrameView(f, KEY_RIGHT_DRAG).released);
    EXPECT_FALSE(f.window.rightDrag);
}

TEST(Mouse, PointerRecordsFollowTheLeftButtonOnlyWhileEnabled)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start());
    EXPECT_TRUE(gPointerInputEnabled);
    f.host.InjectMouseMove(200, 150);
    f.host.Inject(WM_LBUTTONDOWN, 0, MakePointLParam(200, 150));
    int pressed = -2;
    f.game->onUpdate = [&]() { pressed = FirstPointerPressed(); };
    f.window.Run(1);
    EXPECT_EQ(pressed, 0);
    EXPECT_EQ(GetPointerRecord(0).down, 1);
    EXPECT_EQ(GetPointerRecord(0).x, 200);
    EXPECT_EQ(GetPointerRecord(0).y, 150);
    int32_t sx = 0, sy = 0;
    GetSwipePosition(sx, sy);
    EXPECT_EQ(sx, 200);

    f.host.InjectMouseMove(210, 160);
    f.window.Run(1);
    EXPECT_EQ(GetPointerRecord(0).dx, 10);
    GetSwipeDelta(sx, sy);
    EXPECT_EQ(sx, 10);
    EXPECT_EQ(sy, 10);

    // Disabled: presses and moves are ignored, a release still counts.
    gPointerInputEnabled = false;
    f.host.InjectMouseMove(300, 300);
    f.host.Inject(WM_LBUTTONUP, 0, MakePointLParam(300, 300));
    int released = -2;
    f.game->onUpdate = [&]() { released = FirstPointerReleased(); };
    f.window.Run(1);
    EXPECT_EQ(released, 0);
    EXPECT_EQ(GetPointerRecord(0).down, 0);
    f.host.Inject(WM_LBUTTONDOWN, 0, MakePointLParam(300, 300));
    f.window.Run(1);
    EXPECT_EQ(GetPointerRecord(0).down, 0);
    GetSwipePosition(sx, sy);
    EXPECT_EQ(sx, 9999999);

    // Outside the virtual screen a press does nothing.
    gPointerInputEnabled = true;
    f.host.InjectMouseMove(-5, 10);
    f.host.Inject(WM_LBUTTONDOWN, 0, MakePointLParam(-5, 10));
    f.window.Run(1);
    EXPECT_EQ(GetPointerRecord(0).down, 0);
}

TEST(Mouse, WindowToVirtualMapsCentreToCentre)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start("-screenwidth 800 -screenheight 600"));
    f.window.windowWidth = 1000;
    f.window.windowHeight = 700;
    int32_t x = 0, y = 0;
    WindowToVirtual(f.window, 500, 350, x, y);
    EXPECT_EQ(x, 400);
    EXPECT_EQ(y, 300);
    WindowToVirtual(f.window, 0, 0, x, y); // no scaling: pixel for pixel
    EXPECT_EQ(x, -100);
    EXPECT_EQ(y, -50);
}

TEST(Joystick, DirectionsButtonsAndDeadZone)
{
    cPlatformFixture f;
    f.host.AttachJoystick(0, 1000);
    ASSERT_TRUE(f.Start());
    ASSERT_TRUE(f.window.joystickPresent);
    EXPECT_EQ(f.window.joystickId, 0);

    struct Case
    {
        int32_t x, y;
        bool left, right, up, down;
    } cases[] = {
        {500, 500, false, false, false, false},
        {700, 300, false, false, false, false}, // exactly 0.4 of the half-range
        {701, 299, false, true, true, false},
        {299, 701, true, false, false, true},
        {0, 1000, true, false, false, true},
        {1000, 0, false, true, true, false},
    };
    for (const Case& c : cases)
    {
        f.host.SetJoystick(c.x, c.y, 0);
        f.window.Run(1);
        EXPECT_EQ(IsKeyDown(KEY_JOY_LEFT), c.left) << c.x << "," << c.y;
        EXPECT_EQ(IsKeyDown(KEY_JOY_RIGHT), c.right) << c.x << "," << c.y;
        EXPECT_EQ(IsKeyDown(KEY_JOY_UP), c.up) << c.x << "," << c.y;
        EXPECT_EQ(IsKeyDown(KEY_JOY_DOWN), c.down) << c.x << "," << c.y;
    }

    f.host.SetJoystick(500, 500, 0x18001u); // buttons 1 and 16, and a 17th that has no code
    f.window.Run(1);
    EXPECT_TRUE(IsKeyDown(KEY_JOY_BUTTON_1));
    EXPECT_FALSE(IsKeyDown(KEY_JOY_BUTTON_1 + 1));
    EXPECT_TRUE(IsKeyDown(KEY_JOY_BUTTON_16));
    EXPECT_FALSE(f.host.cursorVisible);

    // A joystick that stops answering leaves its codes as last written.
    f.host.DetachJoystick();
    f.window.Run(1);
    EXPECT_TRUE(IsKeyDown(KEY_JOY_BUTTON_16));
}

TEST(Joystick, AbsentJoystickIsNotPresent)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start());
    EXPECT_FALSE(f.window.joystickPresent);
    f.window.Run(1);
    for (uint32_t code = KEY_JOY_LEFT; code <= KEY_JOY_BUTTON_16; ++code)
        EXPECT_EQ(InputKeys[code], KEYSTATE_UP);
}

TEST(Joystick, SecondDeviceAnswersWhenTheFirstDoesNot)
{
    cPlatformFixture f;
    f.host.AttachJoystick(0, 1000, 1);
    ASSERT_TRUE(f.Start());
    EXPECT_TRUE(f.window.joystickPresent);
    EXPECT_EQ(f.window.joystickId, 1);
}

TEST(Joystick, VirtualSdlJoystickDrivesTheInputBlock)
{
    cSdlHost sdl;
    SetHost(&sdl);
    ResetInputState();
    cScriptedHost unused;
    tvtest::cTestWindow window(unused);
    DetectJoystick(window);
    EXPECT_FALSE(window.joystickPresent); // none attached yet

    int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 16, 0);
    ASSERT_GE(device, 0) << SDL_GetError();
    DetectJoystick(window);
    ASSERT_TRUE(window.joystickPresent);
    SDL_Joystick* stick = SDL_JoystickOpen(device);
    ASSERT_NE(stick, nullptr);
    SDL_JoystickSetVirtualAxis(stick, 0, 32767);
    SDL_JoystickSetVirtualAxis(stick, 1, -32768);
    SDL_JoystickSetVirtualButton(stick, 3, SDL_PRESSED);
    PollJoystick(window);
    EXPECT_TRUE(IsKeyDown(KEY_JOY_RIGHT));
    EXPECT_FALSE(IsKeyDown(KEY_JOY_LEFT));
    EXPECT_TRUE(IsKeyDown(KEY_JOY_UP));
    EXPECT_TRUE(IsKeyDown(KEY_JOY_BUTTON_1 + 3));

    SDL_JoystickSetVirtualAxis(stick, 0, 0);
    SDL_JoystickSetVirtualAxis(stick, 1, 0);
    SDL_JoystickSetVirtualButton(stick, 3, SDL_RELEASED);
    PollJoystick(window);
    for (uint32_t code = KEY_JOY_LEFT; code <= KEY_JOY_BUTTON_16; ++code)
        EXPECT_EQ(InputKeys[code], KEYSTATE_UP) << code;

    SDL_JoystickClose(stick);
    SDL_JoystickDetachVirtual(device);
    SetHost(nullptr);
}

TEST(Joystick, AxisValueIsSignedAboutTheCentre)
{
    EXPECT_FLOAT_EQ(JoystickAxisValue(-32768, -32768, 32767), -1.0f);
    EXPECT_FLOAT_EQ(JoystickAxisValue(32767, -32768, 32767), 1.0f);
    EXPECT_FLOAT_EQ(JoystickAxisValue(0, 0, 65535), -1.0f);
    EXPECT_EQ(JoystickAxisValue(5, 7, 7), 0.0f); // degenerate range
    EXPECT_EQ(JoystickAxisValue(5, 9, 1), 0.0f);
}

TEST(InputBlockDeathTest, KeyCodeOutOfRangeStopsTheProgram)
{
    EXPECT_DEATH(KeyDown(KEY_COUNT), "i<asize");
}

// The SDL host under the offscreen video driver: a real window and GL context with no
// display, SDL events turned into window messages, a virtual joystick.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/sdl/SdlHost.h"

namespace
{
std::vector<WindowMessage> gDispatched;
LResult RecordProc(const WindowMessage& m)
{
    gDispatched.push_back(m);
    return 0;
}

std::vector<HookKeyEvent> gHooked;
LResult SwallowPrintScreenUp(int code, const HookKeyEvent& e)
{
    gHooked.push_back(e);
    return (code == HC_ACTION && e.message == WM_KEYUP && e.vkCode == VK_SNAPSHOT) ? 1 : 0;
}

SDL_Event KeyEvent(bool down, SDL_Keycode key, uint16_t mod = 0, bool repeat = false)
{
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.sym = key;
    e.key.keysym.mod = mod;
    return e;
}

std::vector<WindowMessage> Drain(cSdlHost& host)
{
    std::vector<WindowMessage> out;
    WindowMessage m;
    while (host.PeekMessage(m))
        out.push_back(m);
    return out;
}
} // namespace

TEST(SdlHost, WindowAndCompatibilityContextWithoutADisplay)
{
    cSdlHost host;
    EXPECT_FALSE(host.HasDisplay());
    ASSERT_TRUE(host.RegisterWindowClass("KelpoGameWindowClass", &RecordProc));
    ASSERT_TRUE(host.CreateGameWindow("Tollivan", 320, 200));
    ASSERT_TRUE(host.AcquireDeviceContext());
    ASSERT_TRUE(host.GLCreateContext());

    using GetStringFn = const unsigned char* (*)(unsigned int);
    auto getString = reinterpret_cast<GetStringFn>(host.GLGetProcAddress("glGetString"));
    ASSERT_NE(getString, nullptr);
    const char* version = reinterpret_cast<const char*>(getString(0x1F02 /* GL_VERSION */));
    ASSERT_NE(version, nullptr);
    // Never a core profile: fixed-function calls must work.
    EXPECT_EQ(std::strstr(version, "Core"), nullptr) << version;
    EXPECT_TRUE(host.GLHasExtension("GL_EXT_framebuffer_object"));
    EXPECT_FALSE(host.GLHasExtension("GL_TOLLIVAN_no_such_extension"));

    host.ShowGameWindow();
    host.SetWindowRect({0, 0, 640, 360});
    int32_t w = 0, h = 0;
    host.GLGetDrawableSize(w, h);
    EXPECT_GT(w, 0);
    EXPECT_GT(h, 0);
    host.GLSwapBuffers();
    host.GLSetSwapInterval(0); // may fail without a display; must not crash
    EXPECT_GT(host.GetMonitorRect().width, 0);

    // Message boxes never block without a display.
    testing::internal::CaptureStderr();
    host.MessageBox("Failed to create the device context", "Error", MessageBoxIcon::Exclamation);
    EXPECT_TRUE(host.MessageBoxOkCancel("text", "Kelpo Debug Error"));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Error: Failed to create the device context"), std::string::npos);

    host.DestroyGameWindow();
    EXPECT_FALSE(host.HasWindow());
    host.UnregisterWindowClass();
}

TEST(SdlHost, EventsBecomeWindowMessagesAfterTheHook)
{
    cSdlHost host;
    ASSERT_TRUE(host.RegisterWindowClass("KelpoGameWindowClass", &RecordProc));
    ASSERT_TRUE(host.CreateGameWindow("Tollivan", 320, 200));
    ASSERT_TRUE(host.InstallKeyboardHook(&SwallowPrintScreenUp));
    Drain(host); // whatever the window's creation queued

    std::vector<SDL_Event> events = {
        KeyEvent(true, SDLK_a),
        KeyEvent(true, SDLK_a, 0, true),
        KeyEvent(false, SDLK_a),
        KeyEvent(true, SDLK_d, KMOD_LALT),
        KeyEvent(true, SDLK_PRINTSCREEN),
        KeyEvent(false, SDLK_PRINTSCREEN),
        KeyEvent(true, SDLK_F1),
        KeyEvent(true, SDLK_KP_5),
    };
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = -1;
    wheel.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    events.push_back(wheel);
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = -3;
    motion.motion.y = 40;
    events.push_back(motion);
    SDL_Event right{};
    right.type = SDL_MOUSEBUTTONDOWN;
    right.button.button = SDL_BUTTON_RIGHT;
    right.button.x = 5;
    right.button.y = 6;
    events.push_back(right);

    gHooked.clear();
    for (const SDL_Event& e : events)
        host.TranslateEvent(e);
    std::vector<WindowMessage> got = Drain(host);

    ASSERT_EQ(got.size(), 10u); // the Print Screen release was swallowed
    EXPECT_EQ(got[0].message, WM_KEYDOWN);
    EXPECT_EQ(got[0].wParam, VK_A);
    EXPECT_EQ(got[0].lParam & KEYDATA_PREVIOUS_DOWN, 0);
    EXPECT_EQ(LowWord(uint64_t(got[0].lParam)), 1u); // repeat count
    EXPECT_NE(got[1].lParam & KEYDATA_PREVIOUS_DOWN, 0); // auto-repeat is marked
    EXPECT_EQ(got[2].message, WM_KEYUP);
    EXPECT_EQ(got[3].message, WM_SYSKEYDOWN);
    EXPECT_EQ(got[3].wParam, VK_A + 3);
    EXPECT_EQ(got[4].message, WM_KEYDOWN);
    EXPECT_EQ(got[4].wParam, VK_SNAPSHOT);
    EXPECT_EQ(got[5].wParam, VK_F1);
    EXPECT_EQ(got[6].wParam, VK_NUMPAD0 + 5);
    EXPECT_EQ(got[7].message, WM_MOUSEWHEEL);
    EXPECT_EQ(SignedHighWord(got[7].wParam), -120);
    EXPECT_EQ(got[8].message, WM_MOUSEMOVE);
    EXPECT_EQ(SignedLowWord(uint64_t(got[8].lParam)), -3);
    EXPECT_EQ(SignedHighWord(uint64_t(got[8].lParam)), 40);
    EXPECT_EQ(got[9].message, WM_RBUTTONDOWN);
    ASSERT_EQ(gHooked.size(), 8u); // every key event passed the hook first
    EXPECT_EQ(gHooked[5].vkCode, VK_SNAPSHOT);

    // Queued SDL events come through the real queue as well; dispatch reaches the proc.
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    close.window.windowID = 1;
    ASSERT_EQ(SDL_PushEvent(&close), 1);
    gDispatched.clear();
    bool sawClose = false;
    for (const WindowMessage& m : Drain(host))
    {
        host.DispatchMessage(m);
        sawClose = sawClose || m.message == WM_CLOSE;
    }
    EXPECT_TRUE(sawClose);
    EXPECT_FALSE(gDispatched.empty());
}

TEST(SdlHost, VirtualJoystickIsReadAndAbsenceIsReported)
{
    cSdlHost host;
    EXPECT_EQ(host.JoystickCount(), 0);
    JoystickReading r;
    EXPECT_FALSE(host.ReadJoystick(0, r));

    int device = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 2, 16, 0);
    ASSERT_GE(device, 0) << SDL_GetError();
    ASSERT_EQ(host.JoystickCount(), 1);
    SDL_Joystick* stick = SDL_JoystickOpen(device);
    ASSERT_NE(stick, nullptr);
    SDL_JoystickSetVirtualAxis(stick, 0, 32767);
    SDL_JoystickSetVirtualAxis(stick, 1, -32768);
    SDL_JoystickSetVirtualButton(stick, 0, SDL_PRESSED);
    SDL_JoystickSetVirtualButton(stick, 15, SDL_PRESSED);

    ASSERT_TRUE(host.ReadJoystick(0, r));
    EXPECT_EQ(r.x, 32767);
    EXPECT_EQ(r.y, -32768);
    EXPECT_EQ(r.xMin, -32768);
    EXPECT_EQ(r.xMax, 32767);
    EXPECT_EQ(r.buttons, 0x8001u);
    EXPECT_FALSE(host.ReadJoystick(1, r));

    SDL_JoystickClose(stick);
    SDL_JoystickDetachVirtual(device);
    EXPECT_EQ(host.JoystickCount(), 0);
    EXPECT_FALSE(host.ReadJoystick(0, r));
}

TEST(SdlHost, UrlsGoToTheInstalledHandler)
{
    cSdlHost host;
    std::vector<std::string> opened;
    host.SetUrlHandler([&](const std::string& url) {
        opened.push_back(url);
        return true;
    });
    EXPECT_TRUE(host.OpenUrl("https://example.org/a"));
    EXPECT_EQ(opened, (std::vector<std::string>{"https://example.org/a"}));
}

TEST(SdlHost, ClockIsMonotonicAndSleepWaits)
{
    cSdlHost host;
    uint64_t a = host.NowNanoseconds();
    host.SleepMilliseconds(5);
    uint64_t b = host.NowNanoseconds();
    EXPECT_GE(b - a, 5000000u);
}

// cScriptedHost: the host for tests. No display, no real window, no real time.
//
// Tests inject window messages and key events (key events pass the keyboard hook first,
// exactly as the real host's do), advance a virtual clock (sleeping advances it too),
// make individual calls fail, count message boxes with their texts, attach a joystick and
// read back what the engine asked of the host (cursor, capture, swaps, window placement,
// mode switches, opened addresses). Every call the engine makes is also appended to a
// log, so that tests can check the order of events in a frame.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "host/Host.h"

class cScriptedHost : public cHost
{
public:
    cScriptedHost();

    // --- what tests set up ----------------------------------------------------------
    struct Failures
    {
        bool registerClass = false;
        bool createWindow = false;
        bool deviceContext = false;
        bool glContext = false;
        bool swapInterval = false;
    } fail;

    // Appends a window message to the queue.
    void Inject(uint32_t message, WParam wParam = 0, LParam lParam = 0);
    // A key press or release as the system delivers it: the keyboard hook sees it first
    // (and may swallow it), then it becomes WM_KEYDOWN/WM_KEYUP (WM_SYS* with alt).
    // repeat marks an auto-repeat press. Keys typed while the window has no focus go to
    // another application: neither the hook nor the window sees them.
    void InjectKey(uint32_t vk, bool down, bool alt = false, bool repeat = false);
    void InjectMouseMove(int32_t x, int32_t y);
    // Focus change: WM_ACTIVATE, and the focus flag InjectKey looks at.
    void SetFocus(bool focused);

    void AdvanceClock(uint64_t nanoseconds) { clockNs += nanoseconds; }
    void AdvanceClockMs(uint32_t milliseconds) { clockNs += uint64_t(milliseconds) * 1000000u; }

    // A joystick with the given range (attached / detached at once).
    void AttachJoystick(int32_t minimum = 0, int32_t maximum = 65535, int32_t index = 0);
    void DetachJoystick();
    void SetJoystick(int32_t x, int32_t y, uint32_t buttons);

    // Called at the start of every PeekMessage run of a frame (before the queue is read).
    std::function<void()> onPump;

    // --- what tests read ------------------------------------------------------------
    struct Box
    {
        std::string caption;
        std::string text;
    };
    std::vector<Box> boxes;
    std::vector<std::string> log;        // "register", "window", "hook", "dc", "gl", "peek",
                                         // "sleep N", "swap", "fullscreen", ... in order
    std::vector<uint32_t> sleeps;        // every sleep, in milliseconds
    std::vector<std::string> urls;       // addresses handed to the system opener
    std::vector<int> swapIntervals;
    uint64_t clockNs = 1000000000ull;    // starts at one second
    int swaps = 0;
    int cursorCalls = 0;
    bool cursorVisible = true;
    bool captured = false;
    bool focused = true;
    bool classRegistered = false;
    bool windowExists = false;
    bool windowShown = false;
    bool fullscreen = false;
    bool hookInstalled = false;
    bool deviceContext = false;
    bool glContext = false;
    HostRect windowRect;
    HostRect monitorRect{0, 0, 1920, 1080};
    std::string windowTitle;
    bool okCancelAnswer = true;
    int okCancelBoxes = 0;
    size_t QueueSize() const { return queue.size(); }

    // --- cHost ----------------------------------------------------------------------
    bool RegisterWindowClass(const char* className, WindowProcFn proc) override;
    void UnregisterWindowClass() override;
    bool CreateGameWindow(const char* title, int32_t width, int32_t height) override;
    void DestroyGameWindow() override;
    bool HasWindow() const override { return windowExists; }
    HostRect GetWindowRect() const override { return windowRect; }
    void SetWindowRect(const HostRect& rect) override;
    void ShowGameWindow() override;
    void RaiseGameWindow() override { log.push_back("raise"); }
    HostRect GetMonitorRect() const override { return monitorRect; }
    void SetFullscreen(bool on) override;
    bool AcquireDeviceContext() override;
    void ReleaseDeviceContext() override;

    bool PeekMessage(WindowMessage& message) override;
    LResult DispatchMessage(const WindowMessage& message) override;
    LResult DefWindowProc(const WindowMessage&) override { return 0; }
    void PostMessage(const WindowMessage& message) override { queue.push_back(message); }

    bool InstallKeyboardHook(KeyboardHookFn hook) override;
    void RemoveKeyboardHook() override;
    void SetCapture() override { captured = true; }
    void ReleaseCapture() override { captured = false; }
    void ShowCursor(bool visible) override;

    void MessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon) override;
    bool MessageBoxOkCancel(const std::string& text, const std::string& caption) override;
    bool HasDisplay() const override { return false; }

    uint64_t NowNanoseconds() override { return clockNs; }
    void SleepMilliseconds(uint32_t milliseconds) override;

    int32_t JoystickCount() override { return joystickAttached ? joystickIndex + 1 : 0; }
    bool ReadJoystick(int32_t index, JoystickReading& reading) override;

    bool GLCreateContext() override;
    void GLDestroyContext() override { glContext = false; }
    void* GLGetProcAddress(const char*) override { return nullptr; }
    bool GLHasExtension(const char*) override { return false; }
    void GLSwapBuffers() override;
    bool GLSetSwapInterval(int interval) override;
    void GLGetDrawableSize(int32_t& width, int32_t& height) override;

protected:
    bool OpenUrlWithSystem(const std::string& url) override;

private:
    WindowProcFn mProc = nullptr;
    KeyboardHookFn mHook = nullptr;
    std::deque<WindowMessage> queue;
    bool mPumpStarted = false;
    bool joystickAttached = false;
    int32_t joystickIndex = 0;
    JoystickReading joystick;
};

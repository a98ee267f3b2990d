// cHost: the one boundary between the engine and the operating system's windowing.
//
// It offers what the engine's platform layer needs and nothing more: one game window with
// its message queue (window messages and virtual keys from WindowMessages.h), the keyboard
// hook's key events, message boxes that never block a run without a display, the cursor
// and mouse capture, a monotonic clock and sleep, the joystick, the OpenGL context
// (always a compatibility context) with its entry points, window-mode switches and
// opening web addresses.
//
// Two implementations exist: cSdlHost (host/sdl/SdlHost.h, the real program, SDL2) and
// cScriptedHost (host/scripted/ScriptedHost.h, tests: no display, everything injected).
// The program installs one with SetHost() before anything else runs; files, folders and
// sound do not go through here (POSIX and OpenAL are called directly).
//
// Who uses what:
//   - the window object and main loop: window class, window, messages, hook, device context,
//     clock, sleep, joystick, capture, cursor;
//   - the renderer: the GL context group (GLGetProcAddress, GLHasExtension, GLSwapBuffers,
//     GLSetSwapInterval, GLGetDrawableSize);
//   - the system services: clock, cursor, window modes, message boxes, OpenUrl.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "host/WindowMessages.h"

// The game window's procedure, registered with the window class and called by
// DispatchMessage (and synchronously by the host for messages it sends).
using WindowProcFn = LResult (*)(const WindowMessage& message);

// A key event as the low-level keyboard hook sees it: message is WM_KEYDOWN, WM_KEYUP,
// WM_SYSKEYDOWN or WM_SYSKEYUP; vkCode the virtual key.
struct HookKeyEvent
{
    uint32_t message = 0;
    uint32_t vkCode = 0;
    uint32_t scanCode = 0;
};
// Called for every key event before it becomes a window message; a non-zero result
// swallows the event (it reaches no window message). code is HC_ACTION.
using KeyboardHookFn = LResult (*)(int code, const HookKeyEvent& event);

enum class MessageBoxIcon
{
    None,
    Exclamation,
    Information,
};

struct HostRect
{
    int32_t x = 0, y = 0, width = 0, height = 0;
};

// One reading of a joystick: raw axis positions with the device's range, and up to 32
// buttons as a bit mask (bit 0 = button 1).
struct JoystickReading
{
    int32_t x = 0, y = 0;
    int32_t xMin = 0, xMax = 0;
    int32_t yMin = 0, yMax = 0;
    uint32_t buttons = 0;
};

class cHost
{
public:
    virtual ~cHost() = default;

    // --- window ---------------------------------------------------------------------
    // Registers the game window class with its procedure; false when the windowing system
    // cannot be used at all.
    virtual bool RegisterWindowClass(const char* className, WindowProcFn proc) = 0;
    virtual void UnregisterWindowClass() = 0;
    // Creates the (hidden) game window with the given client size; false on failure.
    virtual bool CreateGameWindow(const char* title, int32_t width, int32_t height) = 0;
    virtual void DestroyGameWindow() = 0;
    virtual bool HasWindow() const = 0;
    // Client-area placement: position of the window and size of its client area.
    virtual HostRect GetWindowRect() const = 0;
    virtual void SetWindowRect(const HostRect& rect) = 0;
    virtual void ShowGameWindow() = 0;
    virtual void RaiseGameWindow() = 0;
    // The bounds of the display the window is on.
    virtual HostRect GetMonitorRect() const = 0;
    // Borderless full screen over the whole display, or back to a captioned window.
    virtual void SetFullscreen(bool fullscreen) = 0;
    // The window's drawing surface; false when it cannot be had.
    virtual bool AcquireDeviceContext() = 0;
    virtual void ReleaseDeviceContext() = 0;

    // --- messages -------------------------------------------------------------------
    // Takes the next message for the game window from the queue (gathering what the
    // system has delivered, running the keyboard hook on key events first); false when
    // the queue is empty.
    virtual bool PeekMessage(WindowMessage& message) = 0;
    // Calls the registered window procedure.
    virtual LResult DispatchMessage(const WindowMessage& message) = 0;
    // The default handling of a message the procedure passed on (0 for everything the
    // engine passes on).
    virtual LResult DefWindowProc(const WindowMessage& message) = 0;
    // Appends a message to the game window's queue.
    virtual void PostMessage(const WindowMessage& message) = 0;
    virtual void PostQuitMessage() { PostMessage({WM_QUIT, 0, 0}); }

    // --- keyboard hook, capture, cursor ---------------------------------------------
    virtual bool InstallKeyboardHook(KeyboardHookFn hook) = 0;
    virtual void RemoveKeyboardHook() = 0;
    virtual void SetCapture() = 0;
    virtual void ReleaseCapture() = 0;
    virtual void ShowCursor(bool visible) = 0;

    // --- message boxes --------------------------------------------------------------
    // Shows a box with one OK button; never blocks when there is no display (the text
    // then goes to standard error).
    virtual void MessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon) = 0;
    // The debug box: OK and Cancel; true for OK (also when no box can be shown).
    virtual bool MessageBoxOkCancel(const std::string& text, const std::string& caption) = 0;
    // Whether a real display is in use (false under the offscreen driver and in tests):
    // start-up then keeps a window instead of switching modes.
    virtual bool HasDisplay() const { return true; }

    // --- clock ----------------------------------------------------------------------
    // Monotonic nanoseconds since an arbitrary start.
    virtual uint64_t NowNanoseconds() = 0;
    // Milliseconds of the same clock, wrapping at 32 bits.
    uint32_t NowMilliseconds() { return uint32_t(NowNanoseconds() / 1000000u); }
    virtual void SleepMilliseconds(uint32_t milliseconds) = 0;

    // --- joystick -------------------------------------------------------------------
    // Number of joysticks attached now (0 when none).
    virtual int32_t JoystickCount() = 0;
    // Reads joystick number index (0-based); false when it does not answer.
    virtual bool ReadJoystick(int32_t index, JoystickReading& reading) = 0;

    // --- OpenGL ---------------------------------------------------------------------
    // Creates an OpenGL compatibility context for the window (16-bit depth, double
    // buffered) and makes it current; false on failure.
    virtual bool GLCreateContext() = 0;
    virtual void GLDestroyContext() = 0;
    // The entry point of the given name; may be non-null for names the driver lacks:
    // decide with GLHasExtension.
    virtual void* GLGetProcAddress(const char* name) = 0;
    virtual bool GLHasExtension(const char* name) = 0;
    virtual void GLSwapBuffers() = 0;
    // false when the interval cannot be set (callers ignore it).
    virtual bool GLSetSwapInterval(int interval) = 0;
    // The size of the window's drawable in pixels.
    virtual void GLGetDrawableSize(int32_t& width, int32_t& height) = 0;

    // --- web addresses --------------------------------------------------------------
    // Hands the address to the desktop's browser, or to the handler installed with
    // SetUrlHandler (tests install one so that no browser is ever started).
    bool OpenUrl(const std::string& url);
    using UrlHandler = std::function<bool(const std::string& url)>;
    void SetUrlHandler(UrlHandler handler) { mUrlHandler = std::move(handler); }

protected:
    virtual bool OpenUrlWithSystem(const std::string& url) = 0;

private:
    UrlHandler mUrlHandler;
};

// The host in use; null until SetHost. SetHost(nullptr) uninstalls it (the caller owns it).
cHost* GetHost();
void SetHost(cHost* host);

// cSdlHost: the real host, over SDL2.
//
// One window titled as asked ("Tollivan") with an OpenGL compatibility context; SDL events
// become window messages with virtual-key codes (WindowMessages.h), key events passing the
// keyboard hook first. Runs with no display under SDL_VIDEODRIVER=offscreen (GL through
// EGL). Message boxes are shown only on a real display outside CI; their text always goes
// to standard error as well, so nothing ever waits for a click that cannot come.
#pragma once

#include <deque>
#include <map>

#include "host/Host.h"

struct SDL_Window;
struct _SDL_Joystick;
union SDL_Event;

class cSdlHost : public cHost
{
public:
    cSdlHost();
    ~cSdlHost() override;

    bool RegisterWindowClass(const char* className, WindowProcFn proc) override;
    void UnregisterWindowClass() override;
    bool CreateGameWindow(const char* title, int32_t width, int32_t height) override;
    void DestroyGameWindow() override;
    bool HasWindow() const override { return mWindow != nullptr; }
    HostRect GetWindowRect() const override;
    void SetWindowRect(const HostRect& rect) override;
    void ShowGameWindow() override;
    void RaiseGameWindow() override;
    HostRect GetMonitorRect() const override;
    void SetFullscreen(bool fullscreen) override;
    bool AcquireDeviceContext() override { return mWindow != nullptr; }
    void ReleaseDeviceContext() override {}

    bool PeekMessage(WindowMessage& message) override;
    LResult DispatchMessage(const WindowMessage& message) override;
    LResult DefWindowProc(const WindowMessage&) override { return 0; }
    void PostMessage(const WindowMessage& message) override { mQueue.push_back(message); }

    bool InstallKeyboardHook(KeyboardHookFn hook) override;
    void RemoveKeyboardHook() override { mHook = nullptr; }
    void SetCapture() override;
    void ReleaseCapture() override;
    void ShowCursor(bool visible) override;

    void MessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon) override;
    bool MessageBoxOkCancel(const std::string& text, const std::string& caption) override;
    bool HasDisplay() const override;

    uint64_t NowNanoseconds() override;
    void SleepMilliseconds(uint32_t milliseconds) override;

    int32_t JoystickCount() override;
    bool ReadJoystick(int32_t index, JoystickReading& reading) override;

    bool GLCreateContext() override;
    void GLDestroyContext() override;
    void* GLGetProcAddress(const char* name) override;
    bool GLHasExtension(const char* name) override;
    void GLSwapBuffers() override;
    bool GLSetSwapInterval(int interval) override;
    void GLGetDrawableSize(int32_t& width, int32_t& height) override;

    // The virtual key of an SDL key (keycode for letters and digits, so that the layout
    // decides, scancode-independent names for the rest); 0 for keys with no equivalent.
    static uint32_t VirtualKeyForSdlKey(int32_t keycode);
    // Turns one SDL event into window messages on the queue (key events through the hook).
    void TranslateEvent(const SDL_Event& event);

protected:
    bool OpenUrlWithSystem(const std::string& url) override;

private:
    bool mVideo = false;
    bool mJoystickSystem = false;
    SDL_Window* mWindow = nullptr;
    void* mContext = nullptr;
    WindowProcFn mProc = nullptr;
    KeyboardHookFn mHook = nullptr;
    std::deque<WindowMessage> mQueue;
    std::map<int32_t, _SDL_Joystick*> mJoysticks;
    bool mCaptured = false;
};

#include "host/scripted/ScriptedHost.h"

cScriptedHost::cScriptedHost() = default;

void cScriptedHost::Inject(uint32_t message, WParam wParam, LParam lParam)
{
    queue.push_back({message, wParam, lParam});
}

void cScriptedHost::InjectKey(uint32_t vk, bool down, bool alt, bool repeat)
{
    if (!focused)
        return;
    uint32_t message = down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
    if (mHook != nullptr && mHook(HC_ACTION, HookKeyEvent{message, vk, 0}) != 0)
        return;
    LParam flags = 0;
    if (alt)
        flags |= KEYDATA_ALT;
    if (!down)
        flags |= KEYDATA_PREVIOUS_DOWN | KEYDATA_RELEASING;
    else if (repeat)
        flags |= KEYDATA_PREVIOUS_DOWN;
    Inject(message, vk, MakeKeyLParam(0, flags));
}

void cScriptedHost::InjectMouseMove(int32_t x, int32_t y) { Inject(WM_MOUSEMOVE, 0, MakePointLParam(x, y)); }

void cScriptedHost::SetFocus(bool on)
{
    focused = on;
    Inject(WM_ACTIVATE, on ? WA_ACTIVE : WA_INACTIVE, 0);
}

void cScriptedHost::AttachJoystick(int32_t minimum, int32_t maximum, int32_t index)
{
    joystickAttached = true;
    joystickIndex = index;
    joystick = JoystickReading{};
    joystick.xMin = joystick.yMin = minimum;
    joystick.xMax = joystick.yMax = maximum;
    joystick.x = joystick.y = minimum + (maximum - minimum) / 2;
}

void cScriptedHost::DetachJoystick() { joystickAttached = false; }

void cScriptedHost::SetJoystick(int32_t x, int32_t y, uint32_t buttons)
{
    joystick.x = x;
    joystick.y = y;
    joystick.buttons = buttons;
}

bool cScriptedHost::RegisterWindowClass(const char*, WindowProcFn proc)
{
    log.push_back("register");
    if (fail.registerClass)
        return false;
    mProc = proc;
    classRegistered = true;
    return true;
}

void cScriptedHost::UnregisterWindowClass()
{
    log.push_back("unregister");
    classRegistered = false;
    mProc = nullptr;
}

bool cScriptedHost::CreateGameWindow(const char* title, int32_t width, int32_t height)
{
    log.push_back("window");
    if (fail.createWindow)
        return false;
    windowExists = true;
    windowTitle = title;
    windowRect = {0, 0, width, height};
    return true;
}

void cScriptedHost::DestroyGameWindow()
{
    log.push_back("destroy window");
    windowExists = false;
    windowShown = false;
    glContext = false;
}

void cScriptedHost::SetWindowRect(const HostRect& rect)
{
    log.push_back("place " + std::to_string(rect.width) + "x" + std::to_string(rect.height));
    windowRect = rect;
}

void cScriptedHost::ShowGameWindow()
{
    log.push_back("show");
    windowShown = true;
}

void cScriptedHost::SetFullscreen(bool on)
{
    log.push_back(on ? "fullscreen" : "windowed");
    fullscreen = on;
    if (on)
        windowRect = monitorRect;
}

bool cScriptedHost::AcquireDeviceContext()
{
    log.push_back("dc");
    if (fail.deviceContext)
        return false;
    deviceContext = true;
    return true;
}

void cScriptedHost::ReleaseDeviceContext()
{
    log.push_back("release dc");
    deviceContext = false;
}

bool cScriptedHost::PeekMessage(WindowMessage& message)
{
    if (!mPumpStarted)
    {
        mPumpStarted = true;
        log.push_back("pump");
        if (onPump)
            onPump();
    }
    if (queue.empty())
    {
        mPumpStarted = false; // the next call starts a new pump
        return false;
    }
    message = queue.front();
    queue.pop_front();
    if (message.message == WM_QUIT)
        mPumpStarted = false;
    return true;
}

LResult cScriptedHost::DispatchMessage(const WindowMessage& message)
{
    return mProc != nullptr ? mProc(message) : 0;
}

bool cScriptedHost::InstallKeyboardHook(KeyboardHookFn hook)
{
    log.push_back("hook");
    mHook = hook;
    hookInstalled = true;
    return true;
}

void cScriptedHost::RemoveKeyboardHook()
{
    log.push_back("unhook");
    mHook = nullptr;
    hookInstalled = false;
}

void cScriptedHost::ShowCursor(bool visible)
{
    ++cursorCalls;
    cursorVisible = visible;
}

void cScriptedHost::MessageBox(const std::string& text, const std::string& caption, MessageBoxIcon)
{
    log.push_back("box");
    boxes.push_back({caption, text});
}

bool cScriptedHost::MessageBoxOkCancel(const std::string& text, const std::string& caption)
{
    ++okCancelBoxes;
    boxes.push_back({caption, text});
    return okCancelAnswer;
}

void cScriptedHost::SleepMilliseconds(uint32_t milliseconds)
{
    log.push_back("sleep " + std::to_string(milliseconds));
    sleeps.push_back(milliseconds);
    clockNs += uint64_t(milliseconds) * 1000000u;
}

bool cScriptedHost::ReadJoystick(int32_t index, JoystickReading& reading)
{
    if (!joystickAttached || index != joystickIndex)
        return false;
    reading = joystick;
    return true;
}

bool cScriptedHost::GLCreateContext()
{
    log.push_back("gl");
    if (fail.glContext)
        return false;
    glContext = true;
    return true;
}

void cScriptedHost::GLSwapBuffers()
{
    log.push_back("swap");
    ++swaps;
}

bool cScriptedHost::GLSetSwapInterval(int interval)
{
    swapIntervals.push_back(interval);
    return !fail.swapInterval;
}

void cScriptedHost::GLGetDrawableSize(int32_t& width, int32_t& height)
{
    width = windowRect.width;
    height = windowRect.height;
}

bool cScriptedHost::OpenUrlWithSystem(const std::string& url)
{
    urls.push_back(url);
    return true;
}

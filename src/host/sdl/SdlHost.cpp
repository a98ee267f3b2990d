#include "host/sdl/SdlHost.h"

#include <SDL.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <link.h>

namespace
{
// Whether a message box could be seen and answered: a display, and not a CI run.
bool CanShowBoxes(bool hasDisplay)
{
    if (!hasDisplay)
        return false;
    const char* ci = std::getenv("CI");
    return ci == nullptr || ci[0] == '\0';
}

// Marks a loaded library as never to be unloaded.
int PinLibrary(dl_phdr_info* info, size_t, void*)
{
    if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0')
        dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}

// Keeps the GL libraries (loaded with the window and the context) mapped until the process
// ends. The driver unloads itself when the video system stops and at exit, leaving some of
// its allocations behind; mapped, they stay attributable to the driver for leak checkers.
void PinGLDriverLibraries()
{
    dl_iterate_phdr(&PinLibrary, nullptr);
}

bool DriverIsHeadless(const char* driver)
{
    return driver != nullptr && (SDL_strcasecmp(driver, "offscreen") == 0 || SDL_strcasecmp(driver, "dummy") == 0);
}
} // namespace

cSdlHost::cSdlHost() = default;

cSdlHost::~cSdlHost()
{
    for (auto& entry : mJoysticks)
        if (entry.second != nullptr)
            SDL_JoystickClose(entry.second);
    mJoysticks.clear();
    DestroyGameWindow();
    if (mJoystickSystem)
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    UnregisterWindowClass();
    SDL_Quit();
}

// --- window ----------------------------------------------------------------------------

bool cSdlHost::RegisterWindowClass(const char*, WindowProcFn proc)
{
    if (!mVideo)
    {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0)
        {
            std::fprintf(stderr, "SDL video: %s\n", SDL_GetError());
            return false;
        }
        mVideo = true;
    }
    mProc = proc;
    return true;
}

void cSdlHost::UnregisterWindowClass()
{
    mProc = nullptr;
    if (mVideo)
    {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        mVideo = false;
    }
}

bool cSdlHost::CreateGameWindow(const char* title, int32_t width, int32_t height)
{
    if (!mVideo || mWindow != nullptr)
        return mWindow != nullptr;
    // A compatibility context: the renderer draws with fixed-function calls.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    mWindow = SDL_CreateWindow(title, 0, 0, width > 0 ? width : 1, height > 0 ? height : 1,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (mWindow == nullptr)
    {
        std::fprintf(stderr, "SDL window: %s\n", SDL_GetError());
        return false;
    }
    PinGLDriverLibraries();
    return true;
}

void cSdlHost::DestroyGameWindow()
{
    GLDestroyContext();
    if (mWindow != nullptr)
    {
        if (mCaptured)
            ReleaseCapture();
        SDL_DestroyWindow(mWindow);
        mWindow = nullptr;
    }
    mQueue.clear();
}

HostRect cSdlHost::GetWindowRect() const
{
    HostRect rect;
    if (mWindow != nullptr)
    {
        SDL_GetWindowPosition(mWindow, &rect.x, &rect.y);
        SDL_GetWindowSize(mWindow, &rect.width, &rect.height);
    }
    return rect;
}

void cSdlHost::SetWindowRect(const HostRect& rect)
{
    if (mWindow == nullptr)
        return;
    SDL_SetWindowSize(mWindow, rect.width > 0 ? rect.width : 1, rect.height > 0 ? rect.height : 1);
    SDL_SetWindowPosition(mWindow, rect.x, rect.y);
}

void cSdlHost::ShowGameWindow()
{
    if (mWindow != nullptr)
        SDL_ShowWindow(mWindow);
}

void cSdlHost::RaiseGameWindow()
{
    if (mWindow != nullptr)
        SDL_RaiseWindow(mWindow);
}

HostRect cSdlHost::GetMonitorRect() const
{
    HostRect rect{0, 0, 1280, 720};
    int display = mWindow != nullptr ? SDL_GetWindowDisplayIndex(mWindow) : 0;
    SDL_Rect bounds;
    if (mVideo && SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) == 0)
        rect = {bounds.x, bounds.y, bounds.w, bounds.h};
    return rect;
}

void cSdlHost::SetFullscreen(bool fullscreen)
{
    if (mWindow != nullptr)
        SDL_SetWindowFullscreen(mWindow, fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

// --- messages --------------------------------------------------------------------------

uint32_t cSdlHost::VirtualKeyForSdlKey(int32_t keycode)
{
    if (keycode >= SDLK_a && keycode <= SDLK_z)
        return VK_A + uint32_t(keycode - SDLK_a);
    if (keycode >= SDLK_0 && keycode <= SDLK_9)
        return VK_0 + uint32_t(keycode - SDLK_0);
    if (keycode >= SDLK_F1 && keycode <= SDLK_F12)
        return VK_F1 + uint32_t(keycode - SDLK_F1);
    if (keycode >= SDLK_KP_1 && keycode <= SDLK_KP_9)
        return VK_NUMPAD0 + 1 + uint32_t(keycode - SDLK_KP_1);
    switch (keycode)
    {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_PRINTSCREEN: return VK_SNAPSHOT;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_LGUI: return VK_LWIN;
    case SDLK_RGUI: return VK_RWIN;
    case SDLK_APPLICATION: return VK_APPS;
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PERIOD: return VK_DECIMAL;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
    case SDLK_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDLK_SCROLLLOCK: return VK_SCROLL;
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_EQUALS: return VK_OEM_PLUS;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
    default: return 0;
    }
}

void cSdlHost::TranslateEvent(const SDL_Event& event)
{
    switch (event.type)
    {
    case SDL_QUIT:
        mQueue.push_back({WM_CLOSE, 0, 0});
        break;

    case SDL_WINDOWEVENT:
        switch (event.window.event)
        {
        case SDL_WINDOWEVENT_CLOSE: mQueue.push_back({WM_CLOSE, 0, 0}); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: mQueue.push_back({WM_ACTIVATE, WA_ACTIVE, 0}); break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            if (mCaptured)
            {
                ReleaseCapture();
                mQueue.push_back({WM_CAPTURECHANGED, 0, 0});
            }
            mQueue.push_back({WM_ACTIVATE, WA_INACTIVE, 0});
            break;
        default: break;
        }
        break;

    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        uint32_t vk = VirtualKeyForSdlKey(event.key.keysym.sym);
        if (vk == 0)
            break;
        bool down = event.type == SDL_KEYDOWN;
        bool alt = (event.key.keysym.mod & KMOD_ALT) != 0 || vk == VK_MENU;
        uint32_t message = down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
        // The hook sees the key first; our window only gets key events while it has the
        // focus, so the hook acts for this program alone.
        HookKeyEvent hookEvent{message, vk, uint32_t(event.key.keysym.scancode)};
        if (mHook != nullptr && mHook(HC_ACTION, hookEvent) != 0)
            break;
        LParam flags = alt ? KEYDATA_ALT : 0;
        if (!down)
            flags |= KEYDATA_PREVIOUS_DOWN | KEYDATA_RELEASING;
        else if (event.key.repeat != 0)
            flags |= KEYDATA_PREVIOUS_DOWN;
        mQueue.push_back({message, vk, MakeKeyLParam(uint32_t(event.key.keysym.scancode), flags)});
        break;
    }

    case SDL_MOUSEMOTION:
        mQueue.push_back({WM_MOUSEMOVE, 0, MakePointLParam(event.motion.x, event.motion.y)});
        break;

    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        bool down = event.type == SDL_MOUSEBUTTONDOWN;
        uint32_t message = 0;
        if (event.button.button == SDL_BUTTON_LEFT)
            message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        else if (event.button.button == SDL_BUTTON_RIGHT)
            message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
        if (message != 0)
            mQueue.push_back({message, 0, MakePointLParam(event.button.x, event.button.y)});
        break;
    }

    case SDL_MOUSEWHEEL: {
        int32_t notches = event.wheel.y;
        if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
            notches = -notches;
        int32_t delta = notches * 120;
        if (delta > 32767)
            delta = 32767;
        if (delta < -32768)
            delta = -32768;
        mQueue.push_back({WM_MOUSEWHEEL, WParam(uint16_t(int16_t(delta))) << 16, 0});
        break;
    }

    default:
        break;
    }
}

bool cSdlHost::PeekMessage(WindowMessage& message)
{
    if (mQueue.empty() && mVideo)
    {
        SDL_Event event;
        while (SDL_PollEvent(&event))
            TranslateEvent(event);
    }
    if (mQueue.empty())
        return false;
    message = mQueue.front();
    mQueue.pop_front();
    return true;
}

LResult cSdlHost::DispatchMessage(const WindowMessage& message)
{
    return mProc != nullptr ? mProc(message) : 0;
}

// --- hook, capture, cursor -------------------------------------------------------------

bool cSdlHost::InstallKeyboardHook(KeyboardHookFn hook)
{
    mHook = hook;
    return true;
}

void cSdlHost::SetCapture()
{
    if (mVideo)
        SDL_CaptureMouse(SDL_TRUE); // unsupported drivers answer an error: no capture, no harm
    mCaptured = true;
}

void cSdlHost::ReleaseCapture()
{
    if (mVideo)
        SDL_CaptureMouse(SDL_FALSE);
    mCaptured = false;
}

void cSdlHost::ShowCursor(bool visible)
{
    if (mVideo)
        SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

// --- message boxes ---------------------------------------------------------------------

bool cSdlHost::HasDisplay() const
{
    const char* driver = mVideo ? SDL_GetCurrentVideoDriver() : std::getenv("SDL_VIDEODRIVER");
    if (DriverIsHeadless(driver))
        return false;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && x11[0] != '\0') || (wayland != nullptr && wayland[0] != '\0');
}

void cSdlHost::MessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon)
{
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    if (!CanShowBoxes(HasDisplay()))
        return;
    uint32_t flags = icon == MessageBoxIcon::Exclamation ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
    SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), nullptr);
}

bool cSdlHost::MessageBoxOkCancel(const std::string& text, const std::string& caption)
{
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    std::fflush(stderr);
    if (!CanShowBoxes(HasDisplay()))
        return true;
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "OK"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "Cancel"},
    };
    SDL_MessageBoxData data{};
    data.flags = SDL_MESSAGEBOX_ERROR;
    data.title = caption.c_str();
    data.message = text.c_str();
    data.numbuttons = 2;
    data.buttons = buttons;
    int pressed = 1;
    if (SDL_ShowMessageBox(&data, &pressed) != 0)
        return true;
    return pressed != 0;
}

// --- clock -----------------------------------------------------------------------------

uint64_t cSdlHost::NowNanoseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000000ull + uint64_t(ts.tv_nsec);
}

void cSdlHost::SleepMilliseconds(uint32_t milliseconds)
{
    timespec ts{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR)
    {
    }
}

// --- joystick --------------------------------------------------------------------------

int32_t cSdlHost::JoystickCount()
{
    if (!mJoystickSystem)
    {
        if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0)
            return 0;
        mJoystickSystem = true;
    }
    int n = SDL_NumJoysticks();
    return n > 0 ? n : 0;
}

bool cSdlHost::ReadJoystick(int32_t index, JoystickReading& reading)
{
    if (!mJoystickSystem || index < 0)
        return false;
    SDL_Joystick*& handle = mJoysticks[index];
    if (handle != nullptr && !SDL_JoystickGetAttached(handle))
    {
        SDL_JoystickClose(handle);
        handle = nullptr;
    }
    if (handle == nullptr)
    {
        if (index >= SDL_NumJoysticks())
            return false;
        handle = SDL_JoystickOpen(index);
        if (handle == nullptr)
            return false;
    }
    SDL_JoystickUpdate();
    reading = JoystickReading{};
    reading.xMin = reading.yMin = -32768;
    reading.xMax = reading.yMax = 32767;
    int axes = SDL_JoystickNumAxes(handle);
    reading.x = axes > 0 ? SDL_JoystickGetAxis(handle, 0) : 0;
    reading.y = axes > 1 ? SDL_JoystickGetAxis(handle, 1) : 0;
    int buttons = SDL_JoystickNumButtons(handle);
    for (int b = 0; b < buttons && b < 32; ++b)
        if (SDL_JoystickGetButton(handle, b))
            reading.buttons |= 1u << b;
    return true;
}

// --- OpenGL ----------------------------------------------------------------------------

bool cSdlHost::GLCreateContext()
{
    if (mWindow == nullptr)
        return false;
    if (mContext == nullptr)
    {
        mContext = SDL_GL_CreateContext(mWindow);
        if (mContext == nullptr)
        {
            std::fprintf(stderr, "SDL GL context: %s\n", SDL_GetError());
            return false;
        }
        PinGLDriverLibraries();
    }
    return SDL_GL_MakeCurrent(mWindow, mContext) == 0;
}

void cSdlHost::GLDestroyContext()
{
    if (mContext != nullptr)
    {
        SDL_GL_MakeCurrent(mWindow, nullptr);
        SDL_GL_DeleteContext(mContext);
        mContext = nullptr;
    }
}

void* cSdlHost::GLGetProcAddress(const char* name)
{
    return mContext != nullptr ? SDL_GL_GetProcAddress(name) : nullptr;
}

bool cSdlHost::GLHasExtension(const char* name)
{
    return mContext != nullptr && SDL_GL_ExtensionSupported(name) == SDL_TRUE;
}

void cSdlHost::GLSwapBuffers()
{
    if (mWindow != nullptr && mContext != nullptr)
        SDL_GL_SwapWindow(mWindow);
}

bool cSdlHost::GLSetSwapInterval(int interval)
{
    return mContext != nullptr && SDL_GL_SetSwapInterval(interval) == 0;
}

void cSdlHost::GLGetDrawableSize(int32_t& width, int32_t& height)
{
    width = height = 0;
    if (mWindow != nullptr)
        SDL_GL_GetDrawableSize(mWindow, &width, &height);
}

// --- web addresses ---------------------------------------------------------------------

bool cSdlHost::OpenUrlWithSystem(const std::string& url) { return SDL_OpenURL(url.c_str()) == 0; }

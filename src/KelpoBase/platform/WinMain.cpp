#include "KelpoBase/platform/WinMain.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "KelpoBase/core/Debug.h"
#include "KelpoBase/core/TextUtil.h"
#include "KelpoBase/platform/GLWindow.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/KelpoGame.h"
#include "KelpoBase/platform/SystemServices.h"
#include "host/Host.h"

cWinMain* gWinMain = nullptr;
uint32_t gTriangleCount = 0;

namespace
{
constexpr float kHalfPi = 1.5707963267948966f;

bool Swaps(int32_t orientation) { return orientation == 1 || orientation == 3; }

bool EqualNoCase(const std::string& a, const char* b)
{
    size_t n = std::char_traits<char>::length(b);
    if (a.size() != n)
        return false;
    for (size_t i = 0; i < n; ++i)
    {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (std::tolower(x) != std::tolower(y))
            return false;
    }
    return true;
}

// The runtime library's atoi, without its undefined overflow: leading blanks, an optional
// sign, then digits; anything else ends the number. Large values saturate.
int64_t ParseLeadingInteger(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    {
        value = value * 10 + (text[i] - '0');
        if (value > 100000000)
            value = 100000000;
    }
    return negative ? -value : value;
}

int32_t ScreenSwitchValue(const std::string& word)
{
    int64_t value = ParseLeadingInteger(word);
    return (value < 64 || value > 1024) ? 1024 : int32_t(value);
}

void InstallWindowHooks(cWinMain* window)
{
    SystemHooks& h = GetSystemHooks();
    h.enterFullscreen = [window]() { window->CallEnterFullscreen(); };
    h.enterWindowed = [window]() { window->CallEnterWindowed(); };
    h.resizeWindow = [window](int orientation, float angle, int width, int height) {
        window->orientation = orientation;
        window->angle = angle;
        window->windowWidth = width;
        window->windowHeight = height;
        window->ResizeWindow();
    };
    h.setWindowFrameRate = [window](int fps) { window->framesPerSecond = fps; };
    h.openUrl = [](const std::string& url) {
        cHost* host = GetHost();
        return host != nullptr && host->OpenUrl(url);
    };
    SetDebugBoxHandler([](const std::string& caption, const std::string& text) {
        cHost* host = GetHost();
        return host == nullptr || host->MessageBoxOkCancel(text, caption);
    });
}

void RemoveWindowHooks()
{
    SystemHooks& h = GetSystemHooks();
    h.enterFullscreen = nullptr;
    h.enterWindowed = nullptr;
    h.resizeWindow = nullptr;
    h.setWindowFrameRate = nullptr;
    h.openUrl = nullptr;
    SetDebugBoxHandler(nullptr);
}
} // namespace

WinMainHooks& GetWinMainHooks()
{
    static WinMainHooks hooks;
    return hooks;
}

void ParseScreenSwitches(const char* commandLine, int32_t& width, int32_t& height)
{
    std::vector<std::string> words;
    std::string word;
    for (const char* c = commandLine != nullptr ? commandLine : ""; *c != '\0'; ++c)
    {
        if (*c == ' ')
        {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        }
        else
            word += *c;
    }
    if (!word.empty())
        words.push_back(word);

    for (size_t i = 0; i < words.size(); ++i)
    {
        bool isWidth = EqualNoCase(words[i], "-screenwidth");
        bool isHeight = EqualNoCase(words[i], "-screenheight");
        if ((!isWidth && !isHeight) || i + 1 >= words.size())
            continue; // other words, and a switch with no value word, are skipped
        (isWidth ? width : height) = ScreenSwitchValue(words[i + 1]);
        ++i;
    }
}

cWinMain::cWinMain()
{
    gWinMain = this;
    InstallWindowHooks(this);
}

void ShowStartupMessage(const std::string& text, const std::string& title)
{
    const std::string lines = BreakIntoLines(text, kMessageBoxColumns);
    if (cHost* host = GetHost())
        host->MessageBox(lines, title, MessageBoxIcon::Exclamation);
    else
        DebugPrint("%s: %s\n", title.c_str(), lines.c_str());
}

cWinMain::~cWinMain()
{
    if (gWinMain == this)
    {
        gWinMain = nullptr;
        RemoveWindowHooks();
    }
}

bool cWinMain::Init(const char* commandLine)
{
    cHost* host = GetHost();
    ParseScreenSwitches(commandLine, virtualWidth, virtualHeight);

    if (const auto& start = GetWinMainHooks().startGameService)
        start();

    if (host == nullptr || !host->RegisterWindowClass("KelpoGameWindowClass", &cWinMain::WindowProc))
    {
        ShowStartupMessage("Failed to register the window class");
        Shutdown();
        return false;
    }
    classRegistered = true;

    // Made hidden and tiny; ResizeWindow gives it its size and shows it.
    if (!host->CreateGameWindow("Tollivan", 1, 1))
    {
        ShowStartupMessage("Failed to create the window");
        Shutdown();
        return false;
    }
    windowCreated = true;

    angle = float(orientation) * kHalfPi;
    windowWidth = Swaps(orientation) ? virtualHeight : virtualWidth;
    windowHeight = Swaps(orientation) ? virtualWidth : virtualHeight;
    ResizeWindow();

    keyboardHook = host->InstallKeyboardHook(&KeyboardHookProc);

    if (!host->AcquireDeviceContext())
    {
        ShowStartupMessage("Failed to create the device context");
        Shutdown();
        return false;
    }
    deviceContext = true;

    if (!SetupGraphics())
    {
        Shutdown();
        return false;
    }
    graphicsReady = true;

    SystemStart(virtualWidth, virtualHeight, commandLine != nullptr ? commandLine : "");
    ResetInputState();

    if (const auto& createAudio = GetWinMainHooks().createAudio)
        createAudio();

    std::srand(0);

    gGame = CreateRegisteredGame();
    running = true;
    // The game would have nothing to show: say why rather than run an empty loop.
    if (gGame == nullptr && !GetGameStartRefusal().empty())
    {
        ShowStartupMessage(GetGameStartRefusal());
        Shutdown();
        return false;
    }

    DetectJoystick(*this);

    // Without a display (the offscreen driver, tests) the window is kept: there is no
    // screen whose mode could be switched.
    int windowedSetting = host->HasDisplay() ? ReadWindowedSetting() : 1;
    if (windowedSetting == 0)
        EnterFullscreen();
    return true;
}

void cWinMain::Run(uint32_t frameLimit)
{
    if (!frameStartTaken)
    {
        cHost* host = GetHost();
        frameStart = host != nullptr ? host->NowMilliseconds() : 0;
        frameStartTaken = true;
    }
    uint32_t frames = 0;
    while (!GetQuitRequested())
    {
        RunFrame();
        if (frameLimit != 0 && ++frames >= frameLimit)
            break;
    }
}

void cWinMain::RunFrame()
{
    cHost* host = GetHost();
    if (host == nullptr)
        return;

    // 1-2: hold the fixed period; a late frame starts at once.
    uint32_t period = framesPerSecond > 0 ? uint32_t(1000 / framesPerSecond) : 0;
    uint32_t elapsed = host->NowMilliseconds() - frameStart;
    if (elapsed < period)
        host->SleepMilliseconds(period - elapsed);
    frameStart = host->NowMilliseconds();

    // 3: the message pump; a quit message ends it but the frame still completes.
    WindowMessage message;
    while (host->PeekMessage(message))
    {
        if (message.message == WM_QUIT)
        {
            SetQuitRequested(true);
            break;
        }
        host->DispatchMessage(message);
    }

    // 4-6
    if (const auto& callbacks = GetWinMainHooks().runGameServiceCallbacks)
        callbacks();
    PollJoystick(*this);
    UpdateInputFrame();

    // 7-10
    if (gGame != nullptr)
        gGame->Update();
    IncrementFrameCounter();
    CopyInputToPrevious();
    gWheelDelta = 0;
    gTriangleCount = 0;

    // 11-12
    if (gGame != nullptr)
        gGame->Draw();
    Present();
}

void cWinMain::Shutdown()
{
    cHost* host = GetHost();
    if (running)
    {
        if (gGame != nullptr)
        {
            gGame->Save();
            delete gGame;
            gGame = nullptr;
        }
        SystemShutdown();
        running = false;
    }

    if (const auto& stop = GetWinMainHooks().shutdownGameService)
        stop();

    if (graphicsReady)
    {
        BindDefaultTarget();
        graphicsReady = false;
    }
    if (host == nullptr)
        return;
    if (keyboardHook)
    {
        host->RemoveKeyboardHook();
        keyboardHook = false;
    }
    if (deviceContext)
    {
        host->ReleaseDeviceContext();
        deviceContext = false;
    }
    if (windowCreated)
    {
        host->DestroyGameWindow();
        windowCreated = false;
    }
    if (classRegistered)
    {
        host->UnregisterWindowClass();
        classRegistered = false;
    }
}

void cWinMain::ResizeWindow()
{
    cHost* host = GetHost();
    if (host != nullptr && windowCreated)
    {
        HostRect rect = host->GetWindowRect();
        rect.width = windowWidth;
        rect.height = windowHeight;
        host->ShowGameWindow();
        host->SetWindowRect(rect);
    }
    SetAppliedOrientation(orientation);
}

bool cWinMain::PointerInScreen() const
{
    return pointerX >= 0 && pointerX < virtualWidth && pointerY >= 0 && pointerY < virtualHeight;
}

void cWinMain::SetCursorVisible(bool visible)
{
    if (visible == cursorVisible)
        return;
    if (cHost* host = GetHost())
        host->ShowCursor(visible);
    cursorVisible = visible;
}

int RunWindowObject(cWinMain& window, const char* commandLine, uint32_t frameLimit)
{
    if (!window.Init(commandLine))
        return 1; // Init has shown its box and run Shutdown
    window.Run(frameLimit);
    window.Shutdown();
    return 0;
}

int RunApplication(const char* commandLine, uint32_t frameLimit)
{
    cWinMain* window = new cWinMain_OGL1();
    int result = RunWindowObject(*window, commandLine, frameLimit);
    delete window;
    return result;
}

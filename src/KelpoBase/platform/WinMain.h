// cWinMain: the window object and frame driver, and the program's start-up, main loop and
// shutdown.
//
// Exactly one exists (gWinMain). Start-up (Init) reads the command line, starts the game
// platform's client, registers the window class and makes the window "Tollivan", installs
// the keyboard hook, takes the device context, sets up graphics (SetupGraphics, in the
// OpenGL subclass cWinMain_OGL1), starts the system services, creates the audio manager
// and the game object, detects a joystick and picks the window mode. Run then drives the
// game at a fixed rate (30 frames a second, one fixed step per frame, no time delta) until
// the quit flag is set; Shutdown undoes start-up in order and is safe after a partial one.
//
// Everything the operating system used to provide comes through the host (host/Host.h),
// which must be installed with SetHost before RunApplication.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "host/WindowMessages.h"

class cWinMain
{
public:
    cWinMain();
    cWinMain(const cWinMain&) = delete;
    cWinMain& operator=(const cWinMain&) = delete;
    // Releases nothing: all release happens in Shutdown.
    virtual ~cWinMain();

    // Graphics slots, implemented by the OpenGL window object.
    virtual bool SetupGraphics() = 0;
    virtual void BindDefaultTarget() = 0;
    virtual void Present() = 0;
    virtual void EnterFullscreen() = 0;
    virtual void EnterWindowed() = 0;

    // The start-up sequence; false (after running Shutdown and showing any box) on failure.
    bool Init(const char* commandLine);
    // The frame loop; returns when the quit flag is set, or after frameLimit frames when
    // frameLimit is not 0.
    void Run(uint32_t frameLimit = 0);
    // One frame of the loop: wait for the period, pump messages, poll, update, copy the
    // input block, draw, present.
    void RunFrame();
    void Shutdown();
    // Sizes the window's client area to window width by window height, keeping its
    // position, and shows it.
    void ResizeWindow();

    // The game window's procedure (input handling lives beside the input block).
    static LResult WindowProc(const WindowMessage& message);

    float GetVirtualWidth() const { return float(virtualWidth); }
    float GetVirtualHeight() const { return float(virtualHeight); }
    int32_t GetOrientation() const { return orientation; }
    void SetFrameRate30() { framesPerSecond = 30; }
    bool PointerInScreen() const;
    // Shows or hides the cursor, calling the host only when the value changes.
    void SetCursorVisible(bool visible);
    void CallPresent() { Present(); }
    void CallEnterFullscreen() { EnterFullscreen(); }
    void CallEnterWindowed() { EnterWindowed(); }

    // Window and virtual screen sizes (see ResizeWindow and the orientation setters).
    int32_t windowWidth = 1280;
    int32_t windowHeight = 720;
    int32_t virtualWidth = 1280;
    int32_t virtualHeight = 720;
    int32_t targetSize = 2048;
    int32_t orientation = 0;
    int32_t framesPerSecond = 30;
    // Last mouse position in virtual-screen pixels.
    int32_t pointerX = 0;
    int32_t pointerY = 0;
    // orientation * pi / 2
    float angle = 0.0f;
    bool rightDrag = false;
    // The game object exists and the system services are started.
    bool running = false;
    bool graphicsReady = false;
    bool joystickPresent = false;
    int32_t joystickId = 0;
    bool windowCreated = false;
    bool classRegistered = false;
    bool deviceContext = false;
    bool cursorVisible = true;
    bool keyboardHook = false;
    // Start of the previous frame (host milliseconds); taken on the first Run.
    uint32_t frameStart = 0;
    bool frameStartTaken = false;
};

extern cWinMain* gWinMain;
// Triangles drawn this frame (added to by the renderer, cleared by the loop).
extern uint32_t gTriangleCount;

// The virtual screen size the command line asks for: "-screenwidth N" and
// "-screenheight N" in any letter case, N outside 64..1024 becoming 1024; a switch with no
// value word is ignored. width and height keep their values when not named.
void ParseScreenSwitches(const char* commandLine, int32_t& width, int32_t& height);

// Calls of start-up, the loop and shutdown into parts of the platform layer that are
// built separately; an empty one is skipped.
struct WinMainHooks
{
    // The game platform's client: start (prints the persona), run callbacks once a
    // frame, shut down.
    std::function<void()> startGameService;
    std::function<void()> runGameServiceCallbacks;
    std::function<void()> shutdownGameService;
    // Creates the audio manager (after the system services; freed by SystemShutdown).
    std::function<void()> createAudio;
};
WinMainHooks& GetWinMainHooks();

// Start-up failure boxes break their text into lines of at most this many characters: a
// message box grows as wide as its longest line (one long sentence once made a box wider
// than the screen), and at the box font's 7 to 8 pixels a character these lines stay well
// inside even a small screen.
constexpr size_t kMessageBoxColumns = 72;

// Shows the text in the box start-up uses for the data the game cannot start without (and
// for the player's data it starts without), broken into lines that fit, and returns once the
// player has closed it (at once where there is no display; the host also writes it on
// stderr). Without a host it goes to the debug output.
void ShowStartupMessage(const std::string& text, const std::string& title = "Error");

// The program: creates the OpenGL window object, runs start-up, the loop (frameLimit
// frames at most, 0 for no limit) and shutdown, and deletes it. 0 after a normal run;
// non-zero when start-up failed (its box has been shown and shutdown has run).
int RunApplication(const char* commandLine, uint32_t frameLimit = 0);
// The same with a window object of the caller's (tests); the caller deletes it.
int RunWindowObject(cWinMain& window, const char* commandLine, uint32_t frameLimit = 0);

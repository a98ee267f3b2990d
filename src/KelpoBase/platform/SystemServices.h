// The engine's system layer: one set of global state and free functions for the
// platform's services. Started once at start-up (after the GL set-up) and stopped once at
// shutdown: the clock, screen size and orientation, the program's folders, the platform
// identity, the quote-aware command-line words, web links, window modes, screenshots and
// the media-control commands that play the music.
//
// The clock and web links go through the host (host/Host.h); the window object installs
// its own hooks for the window-mode switches and resizing. Pieces that live higher up (the renderer, the pack file, the
// audio manager, the save data) are reached through hooks registered from above, so that
// this library links none of them; the debug screen through DebugScreenHook.h.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class cSurface;

// --- Start and stop -------------------------------------------------------------------

void SystemStart(int virtualWidth, int virtualHeight, const char* commandLine);
void SystemShutdown();
bool SystemStarted();

// --- Clock ----------------------------------------------------------------------------

uint64_t GetTimeNanoseconds();
uint64_t GetTimeMilliseconds();
double GetTimeSeconds();
float GetTimeSecondsFloat();
// The counter-to-nanoseconds conversion (exposed for tests): above 1 GHz divides the
// counter by the whole number of ticks per nanosecond; otherwise multiplies first.
uint64_t CounterToNanoseconds(int64_t counter, int64_t frequency);
int64_t GetTimerFrequency();

void SleepMilliseconds(int milliseconds);
void DebugOutput(const char* text);

// --- Screen ---------------------------------------------------------------------------

void SetOrientation(int orientation);
// Only the window object's orientation, angle and size (then the window is resized).
void SetWindowOrientation(int orientation);
void SetScreenSize(int width, int height);
int GetBaseWidth();
int GetBaseHeight();
int GetScreenWidth();
int GetScreenHeight();
float GetScreenAspect();
int GetOrientation();
float GetOrientationDegrees();
int GetAppliedOrientation();
void SetAppliedOrientation(int orientation);

// --- Frame counter and measured frame rate ---------------------------------------------

uint32_t GetFrameCounter();
void SetFrameCounter(uint32_t frames);
void IncrementFrameCounter();
float GetMeasuredFrameRate();
void SetMeasuredFrameRate(float rate);
// Counts one frame toward the measured rate; once a second has passed the rate is the
// count of frames in it.
void CountFrameForRate();
void SetFrameRate30();

// Quit request (set by OpenUrl, the window's close, ...).
bool GetQuitRequested();
void SetQuitRequested(bool quit);

// --- Folders and command line ---------------------------------------------------------

const std::string& GetSaveFolder();
const std::string& GetWorkingFolder();
const std::string& GetModulePath();
// The save folder for the current environment: $XDG_DATA_HOME (or ~/.local/share) +
// "/Zumbrel/Tollivan", without a trailing '/'. Nothing is created.
std::string ComputeSaveFolder();

// The quote-aware split of a command line into words.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
// The command line that SplitCommandLine turns back into these words: a word holding a
// space, or an empty one, goes in double quotes. A double quote inside a word would
// toggle the quoting of the words after it; such quotes are left out.
std::string JoinCommandLine(const std::vector<std::string>& words);
const std::vector<std::string>& GetCommandLineArgs();
std::string GetCommandLineArg(int index);
void EraseCommandLineArg(int index);
int FindCommandLineArg(const char* text);

// --- Platform identity ----------------------------------------------------------------

const char* GetPlatformName();
int GetDeviceKind();
int GetPerformanceMode();
int GetCpuSpeedWord();
int GetRendererTextureFlag();
int GetThirdModeWord();
// Performance mode derived from a device kind (2 when the kind says nothing).
int PerformanceModeForDeviceKind(int kind, int current);

// --- Web links and window modes --------------------------------------------------------

void OpenUrl(const char* url);
void GoFullscreen();
void GoWindowed();
void SetWindowedSetting(int windowed);
// The windowed setting of the stored save data: 1 window, 0 full screen (0 also when
// there is no save data or nothing that can read it is registered).
int ReadWindowedSetting();

// --- Screenshots ----------------------------------------------------------------------

// Writes the last drawn frame as a TGA picture. An empty name picks the first free
// "screenshotNNN.tga" in the save folder. Answers whether a picture was written.
bool TakeScreenshot(const char* name);
// The name the next automatic screenshot would take (advances the counter past taken
// names exactly as TakeScreenshot does). Exposed for tests.
std::string NextScreenshotName();
void SetScreenshotCounterForTests(uint32_t next);

// --- Media control (music) ------------------------------------------------------------

void OpenAndPlayMedia(const char* extension, const char* baseName);
void PlayMedia();
void PauseMedia();
void StopMedia();
void SetMediaVolume(float volume);

// --- Hooks registered from above ------------------------------------------------------

struct SystemHooks
{
    // Start-up: the pack file (given the working folder's "*.dat" path) and the renderer.
    std::function<void(const std::string& packPath)> openPackFile;
    std::function<void()> createRenderer;
    // Shutdown, in order: resources, renderer, pack file, audio, debug screen.
    std::function<void()> releaseResources;
    std::function<void()> destroyRenderer;
    std::function<void()> closePackFile;
    std::function<void()> shutdownAudio;
    // Whether a resource of this name exists (pack or loose); used for screenshot names
    // and music paths.
    std::function<bool(const std::string& name)> resourceExists;
    // The renderer's read-back into a new surface, and the surface written as TGA
    // (mirrored and turned a quarter first). Answers whether a file was written.
    std::function<bool(const std::string& fileName)> writeScreenshot;
    // Orientation changes for the renderer (orientation, then a viewport refresh).
    std::function<void(int orientation)> applyRendererOrientation;
    // Window object (installed by the window object itself): enter full screen /
    // windowed, resize after an orientation change, frames per second.
    std::function<void()> enterFullscreen;
    std::function<void()> enterWindowed;
    std::function<void(int orientation, float angle, int width, int height)> resizeWindow;
    std::function<void(int fps)> setWindowFrameRate;
    // Save data: store the windowed setting in the live game's save data (if any), and
    // read the windowed setting of the stored save data (-1 when there is none).
    std::function<void(int windowed)> storeWindowedSetting;
    std::function<int(const std::string& saveFile)> readWindowedSetting;
    // Opening a web address; when empty the host's opener is used.
    std::function<bool(const std::string& url)> openUrl;
};

// Hooks registered by the higher libraries. Each registration replaces one field;
// an empty field means "not available".
SystemHooks& GetSystemHooks();

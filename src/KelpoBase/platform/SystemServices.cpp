#include "KelpoBase/platform/SystemServices.h"

#include "KelpoBase/core/Debug.h"
#include "KelpoBase/core/FileSystem.h"
#include "KelpoBase/core/ResourceFile.h"
#include "KelpoBase/core/TextUtil.h"
#include "KelpoBase/platform/DebugScreenHook.h"
#include "host/Host.h"
#include "host/music/MediaControl.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
struct SystemState
{
    bool started = false;
    int64_t timerFrequency = 1000000000;
    int64_t startCounter = 0;

    int baseWidth = 0;
    int baseHeight = 0;
    int width = 0;
    int height = 0;
    float aspect = 1.0f;
    int orientation = 0;
    int appliedOrientation = 0;

    std::string modulePath;
    std::string workingFolder;
    std::string saveFolder;

    std::string platformName = "Windows";
    int deviceKind = 13;
    int performanceMode = 2;
    int cpuSpeedWord = 1;
    int textureFlag = 1;
    int thirdModeWord = 2;

    std::vector<std::string> args;
    bool quitRequested = false;
    uint32_t frameCounter = 0;

    float measuredRate = 0.0f;
    uint64_t rateSecondStart = 0;
    int rateFrames = 0;
    int rateSeconds = 0;

    uint32_t screenshotCounter = 0;
};

SystemState& S()
{
    static SystemState state;
    return state;
}

int64_t ReadCounter()
{
    if (cHost* host = GetHost())
        return static_cast<int64_t>(host->NowNanoseconds());
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

std::string Join(const std::string& a, const std::string& b)
{
    if (a.empty())
        return b;
    if (a.back() == '/')
        return a + b;
    return a + "/" + b;
}

bool FileExists(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0;
}

std::string ReadModulePath()
{
    char buffer[4096];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (n <= 0)
        return std::string();
    buffer[n] = '\0';
    return std::string(buffer);
}

std::string ReadWorkingFolder()
{
    char buffer[4096];
    if (::getcwd(buffer, sizeof(buffer)) == nullptr)
        return std::string();
    return std::string(buffer);
}

void MakeFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        DebugPrint("Could not create folder %s\n", path.c_str());
}

// Creates every missing folder along a path (the application-data folder itself may be
// missing on a fresh system).
void MakeFolders(const std::string& path)
{
    for (size_t i = 1; i <= path.size(); ++i)
        if (i == path.size() || path[i] == '/')
            MakeFolder(path.substr(0, i));
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool ResourceExists(const std::string& name)
{
    const SystemHooks& h = GetSystemHooks();
    if (h.resourceExists)
        return h.resourceExists(name);
    return ResourceFileExists(name);
}

std::string Normalised(std::string path)
{
    NormalisePath(path);
    return path;
}

} // namespace

SystemHooks& GetSystemHooks()
{
    static SystemHooks hooks;
    return hooks;
}

// --- Start and stop -------------------------------------------------------------------

std::string ComputeSaveFolder()
{
    std::string base;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/')
        base = xdg;
    else
    {
        const char* home = std::getenv("HOME");
        base = Join(home != nullptr ? home : ".", ".local/share");
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return Join(Join(base, "Zumbrel"), "Tollivan");
}

namespace
{
void ReportDamagedPack()
{
    const PackFile* pack = GetPackFile();
    if (pack == nullptr || pack->GetDamage().empty())
        return;
    // Beside a loose tree the game may still run; without a word the player would never
    // learn why files of the pack are not there.
    if (pack->IsOpen())
        DebugPrint("The pack file %s is damaged: %s. The files it holds whole are still read.\n",
                   pack->GetPath().c_str(), pack->GetDamage().c_str());
    else
        DebugPrint("The pack file %s is not used: %s. Only loose files are read.\n", pack->GetPath().c_str(),
                   pack->GetDamage().c_str());
}
} // namespace

void SystemStart(int virtualWidth, int virtualHeight, const char* commandLine)
{
    SystemState& s = S();
    s.timerFrequency = 1000000000;
    s.startCounter = ReadCounter();

    s.orientation = 0;
    s.appliedOrientation = 0;
    s.baseWidth = s.width = virtualWidth;
    s.baseHeight = s.height = virtualHeight;
    s.aspect = virtualHeight != 0 ? static_cast<float>(static_cast<double>(virtualWidth) / virtualHeight) : 1.0f;
    s.quitRequested = false;

    s.modulePath = ReadModulePath();
    s.workingFolder = ReadWorkingFolder();
    s.saveFolder = ComputeSaveFolder();
    MakeFolders(s.saveFolder);

    s.cpuSpeedWord = 1;
    s.textureFlag = 1;
    s.deviceKind = 13;
    s.platformName = "Windows";
    s.frameCounter = 0;
    s.performanceMode = 2;
    s.thirdModeWord = 2;

    s.args = SplitCommandLine(commandLine != nullptr ? commandLine : "");
    s.performanceMode = PerformanceModeForDeviceKind(s.deviceKind, s.performanceMode);

    s.rateSecondStart = GetTimeMilliseconds();
    s.rateFrames = 0;
    s.rateSeconds = 0;

    const SystemHooks& h = GetSystemHooks();
    const std::string pack = FindPackInFolder(s.workingFolder);
    if (!pack.empty())
    {
        if (h.openPackFile)
            h.openPackFile(pack);
        else
            SetPackFile(new PackFile(pack));
        ReportDamagedPack();
    }
    if (h.createRenderer)
        h.createRenderer();
    s.started = true;
}

void SystemShutdown()
{
    const SystemHooks& h = GetSystemHooks();
    if (h.releaseResources)
        h.releaseResources();
    if (h.destroyRenderer)
        h.destroyRenderer();
    if (h.closePackFile)
        h.closePackFile();
    else if (PackFile* pack = GetPackFile())
    {
        SetPackFile(nullptr);
        delete pack;
    }
    if (h.shutdownAudio)
        h.shutdownAudio();
    DestroyDebugScreenAtShutdown();
    MediaShutdown();
    S().started = false;
}

bool SystemStarted() { return S().started; }

// --- Clock ----------------------------------------------------------------------------

uint64_t CounterToNanoseconds(int64_t counter, int64_t frequency)
{
    if (frequency <= 0)
        return 0;
    if (frequency > 1000000000)
        return static_cast<uint64_t>(counter) / static_cast<uint64_t>(frequency / 1000000000);
    // Multiply first; the product is widened so that long uptimes do not overflow.
    __int128 product = static_cast<__int128>(counter) * 1000000000;
    return static_cast<uint64_t>(product / frequency);
}

int64_t GetTimerFrequency() { return S().timerFrequency; }

uint64_t GetTimeNanoseconds() { return CounterToNanoseconds(ReadCounter(), S().timerFrequency); }
uint64_t GetTimeMilliseconds() { return GetTimeNanoseconds() / 1000000; }
double GetTimeSeconds() { return static_cast<double>(GetTimeNanoseconds()) * 1e-9; }
float GetTimeSecondsFloat() { return static_cast<float>(GetTimeSeconds()); }

void SleepMilliseconds(int milliseconds)
{
    if (milliseconds <= 0)
        return;
    timespec ts{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR)
    {
    }
}

void DebugOutput(const char* text) { DebugPrint("%s", text != nullptr ? text : ""); }

// --- Screen ---------------------------------------------------------------------------

namespace
{
bool Swaps(int orientation) { return orientation == 1 || orientation == 3; }
} // namespace

void SetOrientation(int orientation)
{
    SystemState& s = S();
    s.orientation = orientation;
    s.width = Swaps(orientation) ? s.baseHeight : s.baseWidth;
    s.height = Swaps(orientation) ? s.baseWidth : s.baseHeight;
    s.aspect = s.height != 0 ? static_cast<float>(s.width) / static_cast<float>(s.height) : 1.0f;
    const SystemHooks& h = GetSystemHooks();
    if (h.applyRendererOrientation)
        h.applyRendererOrientation(orientation);
    SetWindowOrientation(orientation);
}

void SetWindowOrientation(int orientation)
{
    SystemState& s = S();
    const SystemHooks& h = GetSystemHooks();
    if (!h.resizeWindow)
        return;
    int w = Swaps(orientation) ? s.baseHeight : s.baseWidth;
    int hgt = Swaps(orientation) ? s.baseWidth : s.baseHeight;
    h.resizeWindow(orientation, static_cast<float>(orientation * M_PI * 0.5), w, hgt);
}

void SetScreenSize(int width, int height)
{
    SystemState& s = S();
    s.width = width;
    s.height = height;
    s.aspect = height != 0 ? static_cast<float>(width) / static_cast<float>(height) : 1.0f;
}

int GetBaseWidth() { return S().baseWidth; }
int GetBaseHeight() { return S().baseHeight; }
int GetScreenWidth() { return S().width; }
int GetScreenHeight() { return S().height; }
float GetScreenAspect() { return S().aspect; }
int GetOrientation() { return S().orientation; }
float GetOrientationDegrees() { return static_cast<float>(S().orientation * 90.0); }
int GetAppliedOrientation() { return S().appliedOrientation; }
void SetAppliedOrientation(int orientation) { S().appliedOrientation = orientation; }

// --- Frame counter and measured frame rate ---------------------------------------------

uint32_t GetFrameCounter() { return S().frameCounter; }
void SetFrameCounter(uint32_t frames) { S().frameCounter = frames; }
void IncrementFrameCounter() { ++S().frameCounter; }
float GetMeasuredFrameRate() { return S().measuredRate; }
void SetMeasuredFrameRate(float rate) { S().measuredRate = rate; }

void CountFrameForRate()
{
    SystemState& s = S();
    ++s.rateFrames;
    uint64_t now = GetTimeMilliseconds();
    if (now - s.rateSecondStart >= 1000)
    {
        s.measuredRate = static_cast<float>(s.rateFrames);
        s.rateFrames = 0;
        ++s.rateSeconds;
        s.rateSecondStart = now;
    }
}

void SetFrameRate30()
{
    S().measuredRate = 30.0f;
    const SystemHooks& h = GetSystemHooks();
    if (h.setWindowFrameRate)
        h.setWindowFrameRate(30);
}

bool GetQuitRequested() { return S().quitRequested; }
void SetQuitRequested(bool quit) { S().quitRequested = quit; }

// --- Folders and command line ---------------------------------------------------------

const std::string& GetSaveFolder() { return S().saveFolder; }
const std::string& GetWorkingFolder() { return S().workingFolder; }
const std::string& GetModulePath() { return S().modulePath; }

std::vector<std::string> SplitCommandLine(const std::string& commandLine)
{
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    for (char c : commandLine)
    {
        if (c == ' ' && !quoted)
        {
            if (!word.empty())
                words.push_back(word);
            word.clear();
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        word += c;
    }
    if (!word.empty())
        words.push_back(word);
    for (std::string& w : words)
    {
        size_t first = w.find_first_not_of('"');
        if (first == std::string::npos)
        {
            w.clear();
            continue;
        }
        size_t last = w.find_last_not_of('"');
        w = w.substr(first, last - first + 1);
    }
    return words;
}

std::string JoinCommandLine(const std::vector<std::string>& words)
{
    std::string line;
    for (size_t i = 0; i < words.size(); ++i)
    {
        std::string kept;
        for (char c : words[i])
            if (c != '"')
                kept += c;
        if (i != 0)
            line += ' ';
        if (kept.empty() || kept.find(' ') != std::string::npos)
            line += '"' + kept + '"';
        else
            line += kept;
    }
    return line;
}

const std::vector<std::string>& GetCommandLineArgs() { return S().args; }

std::string GetCommandLineArg(int index)
{
    const std::vector<std::string>& a = S().args;
    if (index < 0 || static_cast<size_t>(index) >= a.size())
        return std::string();
    return a[index];
}

void EraseCommandLineArg(int index)
{
    std::vector<std::string>& a = S().args;
    if (index < 0 || static_cast<size_t>(index) >= a.size())
        return;
    a.erase(a.begin() + index);
}

int FindCommandLineArg(const char* text)
{
    if (text == nullptr)
        return -1;
    const std::vector<std::string>& a = S().args;
    for (size_t i = 0; i < a.size(); ++i)
        if (EqualNoCase(a[i], text))
            return static_cast<int>(i);
    return -1;
}

// --- Platform identity ----------------------------------------------------------------

const char* GetPlatformName() { return S().platformName.c_str(); }
int GetDeviceKind() { return S().deviceKind; }
int GetPerformanceMode() { return S().performanceMode; }
int GetCpuSpeedWord() { return S().cpuSpeedWord; }
int GetRendererTextureFlag() { return S().textureFlag; }
int GetThirdModeWord() { return S().thirdModeWord; }

int PerformanceModeForDeviceKind(int kind, int current)
{
    if (kind == 0 || (kind >= 9 && kind <= 14))
        return 3;
    if (kind == 2 || kind == 6 || kind == 7)
        return 0;
    if (kind == 3)
        return 1;
    return current;
}

// --- Web links and window modes --------------------------------------------------------

void OpenUrl(const char* url)
{
    const SystemHooks& h = GetSystemHooks();
    if (url != nullptr)
    {
        bool opened = false;
        if (h.openUrl)
            opened = h.openUrl(url);
        else if (cHost* host = GetHost())
            opened = host->OpenUrl(url);
        if (!opened)
            DebugPrint("Could not open %s\n", url);
    }
    S().quitRequested = true;
}

void GoFullscreen()
{
    SetWindowedSetting(0);
    const SystemHooks& h = GetSystemHooks();
    if (h.enterFullscreen)
        h.enterFullscreen();
}

void GoWindowed()
{
    SetWindowedSetting(1);
    const SystemHooks& h = GetSystemHooks();
    if (h.enterWindowed)
        h.enterWindowed();
}

void SetWindowedSetting(int windowed)
{
    const SystemHooks& h = GetSystemHooks();
    if (h.storeWindowedSetting)
        h.storeWindowedSetting(windowed);
}

int ReadWindowedSetting()
{
    const SystemHooks& h = GetSystemHooks();
    if (!h.readWindowedSetting)
        return 0;
    int setting = h.readWindowedSetting(JoinPath(S().saveFolder, "Data.sav"));
    return setting == 1 ? 1 : 0;
}

// --- Screenshots ----------------------------------------------------------------------

std::string NextScreenshotName()
{
    SystemState& s = S();
    for (;;)
    {
        uint32_t n = s.screenshotCounter++;
        char digits[16];
        std::snprintf(digits, sizeof(digits), "%03u", n);
        std::string name = JoinPath(s.saveFolder, std::string("screenshot") + digits + ".tga");
        if (!FileExists(name) && !ResourceExists(name))
            return name;
        if (s.screenshotCounter == 0)
            return name; // every number taken: reuse rather than loop forever
    }
}

void SetScreenshotCounterForTests(uint32_t next) { S().screenshotCounter = next; }

bool TakeScreenshot(const char* name)
{
    const SystemHooks& h = GetSystemHooks();
    if (!h.writeScreenshot)
        return false;
    std::string fileName = (name != nullptr && name[0] != '\0') ? std::string(name) : NextScreenshotName();
    return h.writeScreenshot(fileName);
}

// --- Media control (music) ------------------------------------------------------------

void OpenAndPlayMedia(const char* extension, const char* baseName)
{
    std::string ext = extension != nullptr ? extension : "";
    std::string base = baseName != nullptr ? baseName : "";
    std::string path = Normalised(base + "." + ext);
    if (!FileExists(path) && !ResourceExists(path))
        path = Normalised("../RuntimeRelease/" + base + "." + ext);
    MediaSendCommand("open \"" + path + "\" type mpegvideo alias MediaFile");
    MediaSendCommand("play MediaFile REPEAT");
}

void PlayMedia() { MediaSendCommand("play MediaFile"); }
void PauseMedia() { MediaSendCommand("pause MediaFile"); }
void StopMedia() { MediaSendCommand("stop MediaFile"); }

void SetMediaVolume(float volume)
{
    double v = static_cast<double>(volume) * 1000.0;
    if (!(v >= 0.0))
        v = 0.0;
    if (v > 1000.0)
        v = 1000.0;
    MediaSendCommand("setaudio MediaFile volume to " + std::to_string(static_cast<int>(v)));
}

#include "KelpoBase/platform/SystemServices.h"

#include "KelpoBase/core/ResourceFile.h"
#include "KelpoBase/platform/DebugScreenHook.h"
#include "host/music/MediaControl.h"

#include <gtest/gtest.h>

#include "PlatformTestSupport.h"
#include "support/TestSupport.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
class SystemServicesTest : public testing::Test
{
protected:
    void TearDown() override
    {
        GetSystemHooks() = SystemHooks();
        MediaShutdown();
        MediaClearCommandLog();
    }
};
} // namespace

TEST_F(SystemServicesTest, StartSetsFoldersScreenAndIdentity)
{
    SystemStart(1280, 720, "");
    const std::string expected = (tvtest::WorkFolder() / "xdg" / "Zumbrel" / "Tollivan").string();
    EXPECT_EQ(GetSaveFolder(), expected);
    EXPECT_TRUE(fs::is_directory(expected));
    EXPECT_EQ(GetWorkingFolder(), fs::current_path().string());
    EXPECT_FALSE(GetModulePath().empty());
    EXPECT_EQ(GetScreenWidth(), 1280);
    EXPECT_EQ(GetScreenHeight(), 720);
    EXPECT_FLOAT_EQ(GetScreenAspect(), 1280.0f / 720.0f);
    EXPECT_STREQ(GetPlatformName(), "Windows");
    EXPECT_EQ(GetDeviceKind(), 13);
    EXPECT_EQ(GetPerformanceMode(), 3);
    EXPECT_EQ(GetRendererTextureFlag(), 1);
    EXPECT_EQ(GetCpuSpeedWord(), 1);
    EXPECT_FALSE(GetQuitRequested());
    SystemShutdown();

    // Without XDG_DATA_HOME the folder is under HOME; a second start finds it in place.
    const std::string xdg = std::getenv("XDG_DATA_HOME");
    unsetenv("XDG_DATA_HOME");
    SystemStart(1280, 720, "");
    EXPECT_EQ(GetSaveFolder(), (tvtest::WorkFolder() / "home" / ".local/share/Zumbrel/Tollivan").string());
    EXPECT_TRUE(fs::is_directory(GetSaveFolder()));
    SystemShutdown();
    setenv("XDG_DATA_HOME", xdg.c_str(), 1);
}

TEST_F(SystemServicesTest, CommandLineWordsAreQuoteAware)
{
    struct Case
    {
        const char* line;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"\"-screenwidth\" 800", {"-screenwidth", "800"}},
        {"  game.exe   -a  ", {"game.exe", "-a"}},
        {"\"C:/Program Files/x.exe\" -b", {"C:/Program Files/x.exe", "-b"}},
        {"a\"b c\"d", {"a\"b c\"d"}}, // inner quotes stay
        {"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitCommandLine(c.line), c.words) << c.line;

    // Words joined into a command line split back into the same words, spaces and empty
    // words included; quotes inside a word cannot be carried and are left out.
    struct JoinCase
    {
        std::vector<std::string> words, back;
        const char* line;
    };
    const JoinCase joins[] = {
        {{"-screenwidth", "800"}, {"-screenwidth", "800"}, "-screenwidth 800"},
        {{"My Saves/slot 1", "-x"}, {"My Saves/slot 1", "-x"}, "\"My Saves/slot 1\" -x"},
        {{"", "a"}, {"", "a"}, "\"\" a"},
        {{"say \"hi\" now", "b"}, {"say hi now", "b"}, "\"say hi now\" b"},
        {{}, {}, ""},
    };
    for (const JoinCase& j : joins)
    {
        EXPECT_EQ(JoinCommandLine(j.words), j.line);
        EXPECT_EQ(SplitCommandLine(JoinCommandLine(j.words)), j.back) << j.line;
    }

    SystemStart(1280, 720, "prog -ScreenWidth 800 -x");
    EXPECT_EQ(FindCommandLineArg("-screenwidth"), 1);
    EXPECT_EQ(FindCommandLineArg("-missing"), -1);
    EXPECT_EQ(GetCommandLineArg(2), "800");
    EXPECT_EQ(GetCommandLineArg(9), "");
    EraseCommandLineArg(1);
    EXPECT_EQ(GetCommandLineArg(1), "800");
    EraseCommandLineArg(-1);
    EXPECT_EQ(GetCommandLineArgs().size(), 3u);
    SystemShutdown();
}

TEST_F(SystemServicesTest, ClockConversion)
{
    EXPECT_EQ(CounterToNanoseconds(123456789, 1000000000), 123456789u); // multiply-first form
    EXPECT_EQ(CounterToNanoseconds(3000, 3000000000), 1000u);           // above 1 GHz: divide
    EXPECT_EQ(CounterToNanoseconds(10000000, 10000000), 1000000000u);   // 10 MHz, one second
    // Ten days at 10 MHz: the product would not fit in 64 bits.
    const int64_t tenDays = int64_t(10000000) * 86400 * 10;
    EXPECT_EQ(CounterToNanoseconds(tenDays, 10000000), uint64_t(86400) * 10 * 1000000000);
    EXPECT_EQ(CounterToNanoseconds(5, 0), 0u);

    tvtest::cPlatformFixture fixture; // the scripted host's clock
    fixture.host.clockNs = 5000000000ull;
    EXPECT_EQ(GetTimeNanoseconds(), 5000000000ull);
    EXPECT_EQ(GetTimeMilliseconds(), 5000u);
    EXPECT_DOUBLE_EQ(GetTimeSeconds(), 5.0);
    fixture.host.AdvanceClockMs(250);
    EXPECT_FLOAT_EQ(GetTimeSecondsFloat(), 5.25f);
}

TEST_F(SystemServicesTest, OrientationSwapsTheScreenAndResizesTheWindow)
{
    tvtest::cPlatformFixture fixture;
    ASSERT_TRUE(fixture.Start());
    std::vector<int> rendererOrientations;
    GetSystemHooks().applyRendererOrientation = [&](int o) { rendererOrientations.push_back(o); };
    SetOrientation(1);
    EXPECT_EQ(GetScreenWidth(), 720);
    EXPECT_EQ(GetScreenHeight(), 1280);
    EXPECT_FLOAT_EQ(GetScreenAspect(), 0.5625f);
    EXPECT_FLOAT_EQ(GetOrientationDegrees(), 90.0f);
    EXPECT_EQ(fixture.window.orientation, 1);
    EXPECT_EQ(fixture.window.windowWidth, 720);
    EXPECT_EQ(fixture.window.windowHeight, 1280);
    EXPECT_FLOAT_EQ(fixture.window.angle, float(M_PI * 0.5));
    SetOrientation(2);
    EXPECT_EQ(GetScreenWidth(), 1280);
    EXPECT_EQ(rendererOrientations, (std::vector<int>{1, 2}));
    SetScreenSize(100, 50);
    EXPECT_FLOAT_EQ(GetScreenAspect(), 2.0f);
    SetOrientation(0);
}

TEST_F(SystemServicesTest, WindowModesUrlsAndFrameRate)
{
    tvtest::cPlatformFixture fixture;
    ASSERT_TRUE(fixture.Start());
    std::vector<int> stored;
    GetSystemHooks().storeWindowedSetting = [&](int w) { stored.push_back(w); };
    GoFullscreen();
    GoWindowed();
    EXPECT_EQ(stored, (std::vector<int>{0, 1}));
    EXPECT_EQ(fixture.host.log, (std::vector<std::string>{"enter fullscreen", "enter windowed"}));

    fixture.window.framesPerSecond = 60;
    SetFrameRate30();
    EXPECT_EQ(fixture.window.framesPerSecond, 30);
    EXPECT_FLOAT_EQ(GetMeasuredFrameRate(), 30.0f);

    EXPECT_FALSE(GetQuitRequested());
    OpenUrl("https://example.org/page");
    EXPECT_EQ(fixture.host.urls, std::vector<std::string>{"https://example.org/page"});
    EXPECT_TRUE(GetQuitRequested());
    SetQuitRequested(false);
}

TEST_F(SystemServicesTest, ScreenshotsTakeTheFirstFreeNumber)
{
    SystemStart(1280, 720, "");
    SetScreenshotCounterForTests(0);
    const fs::path folder = GetSaveFolder();
    std::ofstream(folder / "screenshot000.tga").put('x');
    std::ofstream(folder / "screenshot001.tga").put('x');
    std::vector<std::string> written;
    GetSystemHooks().writeScreenshot = [&](const std::string& name) {
        written.push_back(name);
        std::ofstream(name).put('x');
        return true;
    };
    // A resource of that name also counts as taken.
    GetSystemHooks().resourceExists = [&](const std::string& name) {
        return name == (folder / "screenshot003.tga").string();
    };
    EXPECT_TRUE(TakeScreenshot(""));
    EXPECT_TRUE(TakeScreenshot(nullptr));
    EXPECT_TRUE(TakeScreenshot("custom.tga"));
    SetScreenshotCounterForTests(1000);
    EXPECT_TRUE(TakeScreenshot(""));
    const std::vector<std::string> expected = {(folder / "screenshot002.tga").string(),
                                               (folder / "screenshot004.tga").string(), "custom.tga",
                                               (folder / "screenshot1000.tga").string()};
    EXPECT_EQ(written, expected);

    GetSystemHooks().writeScreenshot = nullptr; // no renderer: nothing written
    EXPECT_FALSE(TakeScreenshot(""));
    SystemShutdown();
}

TEST_F(SystemServicesTest, MediaCommandsAreSentExactly)
{
    SystemStart(1280, 720, "");
    MediaClearCommandLog();
    std::ofstream("track1.mp3").put('x');
    OpenAndPlayMedia("mp3", "track1");
    EXPECT_EQ(MediaOpenPath(), "track1.mp3");
    OpenAndPlayMedia("mp3", "res\\audio\\track0"); // not present: the release folder
    PauseMedia();
    PlayMedia();
    StopMedia();
    SetMediaVolume(0.8f);
    SetMediaVolume(1.0f);
    SetMediaVolume(0.0f);
    SetMediaVolume(-2.0f);
    SetMediaVolume(7.0f);
    const std::vector<std::string> expected = {
        "open \"track1.mp3\" type mpegvideo alias MediaFile",
        "play MediaFile REPEAT",
        "open \"../RuntimeRelease/res/audio/track0.mp3\" type mpegvideo alias MediaFile",
        "play MediaFile REPEAT",
        "pause MediaFile",
        "play MediaFile",
        "stop MediaFile",
        "setaudio MediaFile volume to 800",
        "setaudio MediaFile volume to 1000",
        "setaudio MediaFile volume to 0",
        "setaudio MediaFile volume to 0",
        "setaudio MediaFile volume to 1000",
    };
    EXPECT_EQ(MediaCommandLog(), expected);
    // Opening the second track closed the first.
    EXPECT_EQ(MediaOpenPath(), "../RuntimeRelease/res/audio/track0.mp3");
    EXPECT_EQ(MediaVolume(), 1000);
    fs::remove("track1.mp3");
    SystemShutdown();
    EXPECT_EQ(MediaOpenPath(), "");
}

TEST_F(SystemServicesTest, PackFileAndShutdownOrder)
{
    fs::create_directory("folder.dat"); // not a plain file
    std::ofstream("notes.txt").put('x');
    std::ofstream("Game.DAT").put('x');
    std::vector<std::string> log;
    SystemHooks& h = GetSystemHooks();
    h.openPackFile = [&](const std::string& path) { log.push_back("pack " + path); };
    h.createRenderer = [&] { log.push_back("renderer"); };
    h.releaseResources = [&] { log.push_back("release resources"); };
    h.destroyRenderer = [&] { log.push_back("delete renderer"); };
    h.closePackFile = [&] { log.push_back("close pack"); };
    h.shutdownAudio = [&] { log.push_back("audio"); };
    SystemStart(1280, 720, "");
    CreateDebugScreenAtStartup();
    ASSERT_TRUE(HasDebugScreen());
    EXPECT_FALSE(GetDebugScreen()->IsEnabled());
    SystemShutdown();
    EXPECT_FALSE(HasDebugScreen());
    const std::vector<std::string> expected = {"pack " + (fs::current_path() / "Game.DAT").string(), "renderer",
                                               "release resources", "delete renderer", "close pack", "audio"};
    EXPECT_EQ(log, expected);
    fs::remove("Game.DAT");
    fs::remove("notes.txt");
    fs::remove("folder.dat");

    // No pack file: the hook is not called.
    log.clear();
    SystemStart(1280, 720, "");
    EXPECT_EQ(log, std::vector<std::string>{"renderer"});
    SystemShutdown();

    // Without hooks the pack is opened into gPackFile and freed at shutdown.
    GetSystemHooks() = SystemHooks();
    std::ofstream("data.dat") << "not a pack";
    SystemStart(1280, 720, "");
    EXPECT_NE(GetPackFile(), nullptr);
    SystemShutdown();
    EXPECT_EQ(GetPackFile(), nullptr);
    fs::remove("data.dat");
}

TEST_F(SystemServicesTest, PerformanceModeFollowsTheDeviceKind)
{
    const std::pair<int, int> table[] = {{0, 3}, {9, 3}, {13, 3}, {14, 3}, {2, 0}, {6, 0},
                                         {7, 0}, {3, 1}, {1, 2}, {8, 2}, {15, 2}};
    for (auto [kind, mode] : table)
        EXPECT_EQ(PerformanceModeForDeviceKind(kind, 2), mode) << kind;
}

TEST_F(SystemServicesTest, DebugScreenFactoryIsUsed)
{
    struct cCountingScreen : cDebugScreenBase
    {
        explicit cCountingScreen(int& d) : deleted(d) {}
        ~cCountingScreen() override { ++deleted; }
        int& deleted;
    };
    int deleted = 0;
    SetDebugScreenFactory([&]() -> cDebugScreenBase* { return new cCountingScreen(deleted); });
    // Shutdown asks for the screen even when nothing made it, then frees it.
    DestroyDebugScreenAtShutdown();
    EXPECT_EQ(deleted, 1);
    EXPECT_FALSE(HasDebugScreen());
    SetDebugScreenFactory(nullptr);
}

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "KelpoBase/core/Debug.h"
#include "KelpoBase/core/TextUtil.h"
#include "PlatformTestSupport.h"

using tvtest::cPlatformFixture;

namespace
{
size_t Count(const std::vector<std::string>& log, const std::string& entry)
{
    return size_t(std::count(log.begin(), log.end(), entry));
}
} // namespace

TEST(CommandLine, ScreenSwitches)
{
    struct Case
    {
        const char* line;
        int32_t width, height;
    } cases[] = {
        {"", 1280, 720},
        {"-screenwidth 800 -screenheight 600", 800, 600},
        {"-screenwidth 1280", 1024, 720},          // above 1024
        {"-screenwidth 10", 1024, 720},            // below 64
        {"-screenwidth 64 -screenheight 1024", 64, 1024},
        {"-SCREENWIDTH 900 -ScreenHeight 500", 900, 500},
        {"   -screenwidth    700   ", 700, 720},   // runs of spaces
        {"-screenwidth abc", 1024, 720},           // no number: 0, replaced
        {"-screenwidth 99999999999999999999", 1024, 720},
        {"-screenheight", 1280, 720},              // no value word: skipped
        {"-foo 300 -screenheight 400", 1280, 400}, // other words skipped
        {"-screenwidth -screenheight 500", 1024, 720}, // the next word is the value
    };
    for (const Case& c : cases)
    {
        int32_t w = 1280, h = 720;
        ParseScreenSwitches(c.line, w, h);
        EXPECT_EQ(w, c.width) << c.line;
        EXPECT_EQ(h, c.height) << c.line;
    }
}

TEST(StartUp, BuildsTheWindowAndKeepsItWithoutADisplay)
{
    cPlatformFixture f;
    int starts = 0, audio = 0;
    GetWinMainHooks().startGameService = [&]() { ++starts; };
    GetWinMainHooks().createAudio = [&]() { ++audio; };
    ASSERT_TRUE(f.window.Init("-screenwidth 800 -screenheight 600"));

    EXPECT_EQ(starts, 1);
    EXPECT_EQ(audio, 1);
    EXPECT_EQ(f.host.windowTitle, "Tollivan");
    EXPECT_TRUE(f.host.windowShown);
    EXPECT_EQ(f.host.windowRect.width, 800);
    EXPECT_EQ(f.host.windowRect.height, 600);
    EXPECT_TRUE(f.host.hookInstalled);
    EXPECT_EQ(GetScreenWidth(), 800);
    ASSERT_NE(gGame, nullptr);
    EXPECT_TRUE(f.window.running);
    EXPECT_TRUE(f.window.graphicsReady);
    EXPECT_TRUE(f.host.boxes.empty());
    // No display: no mode switch.
    EXPECT_EQ(Count(f.host.log, "enter fullscreen"), 0u);
    std::vector<std::string> order = {"register", "window", "show", "hook", "dc", "setup graphics"};
    std::vector<std::string> seen;
    for (const std::string& e : f.host.log)
        if (std::find(order.begin(), order.end(), e) != order.end())
            seen.push_back(e);
    EXPECT_EQ(seen, order);
}

TEST(StartUp, FailuresShowOneBoxRunShutdownAndFail)
{
    struct Case
    {
        const char* name;
        const char* text;
        const char* caption;
    } cases[] = {
        {"registerClass", "Failed to register the window class", "Error"},
        {"createWindow", "Failed to create the window", "Error"},
        {"deviceContext", "Failed to create the device context", "Error"},
        {"graphics", "Can't Create A GL Rendering Context.", "ERROR"},
        // The game's factory refuses (its data is missing) and says why.
        {"game", "The game's data file res/x.bin is missing", "Error"},
    };
    for (const Case& c : cases)
    {
        cPlatformFixture f;
        std::string which = c.name;
        f.host.fail.registerClass = which == "registerClass";
        f.host.fail.createWindow = which == "createWindow";
        f.host.fail.deviceContext = which == "deviceContext";
        f.window.failGraphics = which == "graphics";
        if (which == "game")
            SetGameFactory([]() -> cKelpoGame* {
                RefuseGameStart("The game's data file res/x.bin is missing");
                return nullptr;
            });
        int stops = 0;
        GetWinMainHooks().shutdownGameService = [&]() { ++stops; };

        int result = RunWindowObject(f.window, "", 0);

        EXPECT_NE(result, 0) << which;
        ASSERT_EQ(f.host.boxes.size(), 1u) << which;
        EXPECT_EQ(f.host.boxes[0].text, c.text);
        EXPECT_EQ(f.host.boxes[0].caption, c.caption);
        EXPECT_EQ(stops, 1) << which; // the shutdown sequence ran
        EXPECT_EQ(Count(f.host.log, "pump"), 0u) << which;
        EXPECT_EQ(Count(f.host.log, "update"), 0u) << which;
        EXPECT_EQ(gGame, nullptr);
        EXPECT_FALSE(f.host.windowExists) << which;
        EXPECT_FALSE(f.host.hookInstalled) << which;
        EXPECT_FALSE(f.host.deviceContext) << which;
        EXPECT_FALSE(f.window.running || f.window.graphicsReady || f.window.windowCreated) << which;
    }
}

// A message box grows as wide as its longest line: a long reason comes in lines that fit.
TEST(StartUp, ALongFailureMessageIsBrokenIntoLines)
{
    cPlatformFixture f;
    std::string reason = "The game's data file res/maps/maps.mac.cgla is missing: it was looked for in";
    for (int i = 0; i < 6; ++i)
        reason += " /a/rather/long/folder/name/" + std::to_string(i);
    reason += ". Start the game in the folder that holds res/.";
    SetGameFactory([reason]() -> cKelpoGame* {
        RefuseGameStart(reason);
        return nullptr;
    });

    EXPECT_NE(RunWindowObject(f.window, "", 0), 0);

    ASSERT_EQ(f.host.boxes.size(), 1u);
    const std::string& text = f.host.boxes[0].text;
    EXPECT_EQ(text, BreakIntoLines(reason, kMessageBoxColumns));
    size_t lines = 0;
    for (const std::string& line : SplitString(text, "\n"))
    {
        EXPECT_LE(line.size(), kMessageBoxColumns) << line;
        ++lines;
    }
    EXPECT_GE(lines, reason.size() / kMessageBoxColumns);
}

TEST(FrameLoop, OrderOfOneFrame)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start());
    f.host.InjectKey(VK_SPACE, true);
    std::vector<bool> pressed, down;
    f.game->onUpdate = [&]() {
        pressed.push_back(IsKeyPressed(KEY_SPACE));
        down.push_back(IsKeyDown(KEY_SPACE));
    };
    uint32_t frames = GetFrameCounter();

    f.window.Run(2);

    std::vector<std::string> expected = {"sleep 33", "pump", "update", "draw", "present",
                                         "sleep 33", "pump", "update", "draw", "present"};
    EXPECT_EQ(f.host.log, expected);
    EXPECT_EQ(GetFrameCounter(), frames + 2);
    // Held: pressed and down on the first frame, only down on the next.
    EXPECT_EQ(pressed, (std::vector<bool>{true, false}));
    EXPECT_EQ(down, (std::vector<bool>{true, true}));
    // Between update and draw the previous-frame block equals the current one, so press
    // tests made while drawing see no press.
    ASSERT_EQ(f.game->previousEqualsCurrentInDraw.size(), 2u);
    EXPECT_TRUE(f.game->previousEqualsCurrentInDraw[0]);
    EXPECT_TRUE(f.game->previousEqualsCurrentInDraw[1]);
}

TEST(FrameLoop, SleepsOnlyForTheRestOfThePeriod)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start());
    std::vector<uint32_t> costs = {0, 50, 20, 33, 0};
    size_t frame = 0;
    f.game->onUpdate = [&]() { f.host.AdvanceClockMs(costs[frame++]); };

    f.window.Run(uint32_t(costs.size()));

    // Frames 1 and 2 wait a whole period; after a 50 ms frame the next starts at once;
    // after 20 ms it waits 13; after exactly 33 it does not wait.
    EXPECT_EQ(f.host.sleeps, (std::vector<uint32_t>{33, 33, 13}));
}

TEST(FrameLoop, LateFrameStartsAtOnce)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start());
    f.game->onUpdate = [&]() { f.host.AdvanceClockMs(40); };
    f.window.Run(3);
    EXPECT_EQ(f.host.sleeps, (std::vector<uint32_t>{33}));
}

TEST(FrameLoop, QuitInTheMiddleOfTheQueueStillFinishesTheFrame)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start());
    f.host.InjectKey(VK_SPACE, true);
    f.host.PostQuitMessage();
    f.host.InjectKey(VK_A, true);
    bool spaceDown = false, aDown = true;
    f.game->onUpdate = [&]() {
        spaceDown = IsKeyDown(KEY_SPACE);
        aDown = IsKeyDown(KEY_A);
    };

    f.window.Run(); // no limit: the quit flag ends it

    EXPECT_TRUE(GetQuitRequested());
    EXPECT_EQ(Count(f.host.log, "update"), 1u);
    EXPECT_EQ(Count(f.host.log, "draw"), 1u);
    EXPECT_EQ(Count(f.host.log, "present"), 1u);
    EXPECT_TRUE(spaceDown);
    EXPECT_FALSE(aDown);              // left in the queue, unprocessed
    EXPECT_EQ(f.host.QueueSize(), 1u);
}

TEST(FrameLoop, CloseEndsTheLoopAndShutdownSavesThenDeletesInOrder)
{
    cPlatformFixture f;
    int stops = 0;
    ASSERT_TRUE(f.Start());
    GetWinMainHooks().shutdownGameService = [&]() {
        ++stops;
        f.host.log.push_back("stop service");
    };
    f.host.Inject(WM_CLOSE);
    f.window.Run();
    EXPECT_EQ(Count(f.host.log, "update"), 1u);
    EXPECT_TRUE(f.host.windowExists); // closing does not destroy the window; shutdown does

    f.window.Shutdown();
    std::vector<std::string> expected = {"save",         "delete game", "stop service", "bind default",
                                         "unhook",       "release dc",  "destroy window", "unregister"};
    EXPECT_EQ(f.LogFrom("save"), expected);
    EXPECT_EQ(gGame, nullptr);
    EXPECT_EQ(stops, 1);

    // A second shutdown finds nothing left to do.
    f.host.log.clear();
    f.window.Shutdown();
    EXPECT_EQ(Count(f.host.log, "save"), 0u);
    EXPECT_EQ(Count(f.host.log, "destroy window"), 0u);
}

TEST(FrameLoop, WheelAndTriangleCountAreClearedAfterTheUpdate)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start());
    // Two notches in one frame: the last message wins, one notch's delta.
    f.host.Inject(WM_MOUSEWHEEL, WParam(120) << 16);
    f.host.Inject(WM_MOUSEWHEEL, WParam(120) << 16);
    int32_t seen = 0;
    f.game->onUpdate = [&]() {
        seen = gWheelDelta;
        gTriangleCount = 7;
    };
    f.window.Run(1);
    EXPECT_EQ(seen, 120);
    EXPECT_EQ(gWheelDelta, 0);
    EXPECT_EQ(gTriangleCount, 0u);

    f.host.Inject(WM_MOUSEWHEEL, WParam(uint16_t(int16_t(-120))) << 16);
    f.window.Run(1);
    EXPECT_EQ(seen, -120);
}

TEST(FrameLoop, ScreenSaverIsRefusedAndOtherCommandsPassOn)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start());
    EXPECT_EQ(cWinMain::WindowProc({WM_SYSCOMMAND, SC_SCREENSAVE, 0}), 0);
    EXPECT_EQ(cWinMain::WindowProc({WM_SYSCOMMAND, SC_MONITORPOWER, 2}), 0);
    EXPECT_EQ(cWinMain::WindowProc({WM_CLOSE, 0, 0}), 1);
    EXPECT_TRUE(GetQuitRequested());
}

TEST(WindowModes, OpenUrlGoesThroughTheHostAndEndsTheProgram)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start());
    std::vector<std::string> opened;
    f.host.SetUrlHandler([&](const std::string& url) {
        opened.push_back(url);
        return true;
    });
    OpenUrl("https://example.org/");
    EXPECT_EQ(opened, (std::vector<std::string>{"https://example.org/"}));
    EXPECT_TRUE(f.host.urls.empty()); // the system opener was never used
    EXPECT_TRUE(GetQuitRequested());
}

TEST(WindowModes, OrientationTurnsTheWindowAndThePointerFrame)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start());
    SetOrientation(1);
    EXPECT_EQ(f.window.orientation, 1);
    EXPECT_EQ(f.window.windowWidth, 720);
    EXPECT_EQ(f.window.windowHeight, 1280);
    EXPECT_EQ(f.host.windowRect.width, 720);
    EXPECT_EQ(f.host.windowRect.height, 1280);
    EXPECT_EQ(GetAppliedOrientation(), 1);

    struct Case
    {
        int orientation;
        int32_t x, y;
    } cases[] = {{0, 100, 50}, {1, 1280 - 50, 100}, {2, 1280 - 100, 720 - 50}, {3, 50, 720 - 100}, {7, 0, 0}};
    for (const Case& c : cases)
    {
        SetOrientation(c.orientation);
        int32_t x = -1, y = -1;
        RotateToScreen(100, 50, x, y);
        EXPECT_EQ(x, c.x) << c.orientation;
        EXPECT_EQ(y, c.y) << c.orientation;
    }
}

TEST(WindowModes, FrameRateAndCursorBookkeeping)
{
    cPlatformFixture f;
    ASSERT_TRUE(f.Start());
    f.window.framesPerSecond = 60;
    SetFrameRate30();
    EXPECT_EQ(f.window.framesPerSecond, 30);
    EXPECT_FLOAT_EQ(GetMeasuredFrameRate(), 30.0f);

    int calls = f.host.cursorCalls;
    f.window.SetCursorVisible(true); // unchanged: the host is not called
    EXPECT_EQ(f.host.cursorCalls, calls);
    f.window.SetCursorVisible(false);
    f.window.SetCursorVisible(false);
    EXPECT_EQ(f.host.cursorCalls, calls + 1);
    EXPECT_FALSE(f.host.cursorVisible);
}

TEST(DebugReports, ErrorBoxesGoThroughTheHostAndCancelStops)
{
    {
        cPlatformFixture f;
        ASSERT_TRUE(f.Start());

        // OK returns to the caller; each report is one OK/Cancel box with its caption.
        DebugErrorBox("bad value %d in %s", 7, "slot");
        ReportMeshDebugError("desiredStride >= vertexStride");
        ASSERT_EQ(f.host.okCancelBoxes, 2);
        ASSERT_EQ(f.host.boxes.size(), 2u);
        EXPECT_EQ(f.host.boxes[0].caption, "Kelpo Debug Error");
        EXPECT_EQ(f.host.boxes[0].text, "bad value 7 in slot");
        EXPECT_EQ(f.host.boxes[1].caption, "Kelpo Debug Error");
        EXPECT_EQ(f.host.boxes[1].text, "\n\ndesiredStride >= vertexStride\n\nsrc\\KelpoBase\\cMesh : 109\n\n");

        // Cancel raises the library assertion "false" at the report's own line.
        f.host.okCancelAnswer = false;
        EXPECT_DEATH(DebugErrorBox("stop"), "Assertion failed: false, file src\\\\KelpoBase\\\\KelpoSystem, line 354");
        EXPECT_DEATH(ReportMeshDebugError("stop"), "Assertion failed: false, file src\\\\KelpoBase\\\\KelpoSystem, line 338");
    }
    // With the window object gone no box handler is left: the report is printed and the
    // caller goes on, never waiting for an answer.
    testing::internal::CaptureStderr();
    DebugErrorBox("after %s", "shutdown");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Kelpo Debug Error: after shutdown\n");
}

TEST(DebugReports, WarningsAndLinesGoToTheDebugOutput)
{
    std::vector<std::string> printed;
    SetDebugSink([&](const std::string& text) { printed.push_back(text); });
    ReportWarning("src\\KelpoBase\\cGfx2D", 42, "batch full");
    // Each text is printed as it stands, indented; a '%' in it is not a conversion.
    const char* const lines[] = {"first\n", "100% sure\n"};
    PushDebugIndent();
    DebugPrintLines(2, lines);
    DebugPrintLines(0, nullptr);
    PopDebugIndent();
    SetDebugSink(nullptr);
    const std::vector<std::string> expected = {"src\\KelpoBase\\cGfx2D(42) : WARNING: batch full\n", "\tfirst\n",
                                               "\t100% sure\n"};
    EXPECT_EQ(printed, expected);
}

// The real program: its entry, start-up, a few frames and shutdown on the SDL host under
// the offscreen video driver.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "KelpoBase/platform/KelpoGame.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/platform/WinMain.h"
#include "host/Host.h"

int TollivanMain(int argc, char** argv, uint32_t frameLimit);

TEST(Program, StartsRunsFramesAndShutsDown)
{
    char name[] = "tollivan";
    char w[] = "-screenwidth", wv[] = "800", h[] = "-SCREENHEIGHT", hv[] = "600", spaced[] = "My Saves/slot 1";
    char* argv[] = {name, w, wv, h, hv, spaced, nullptr};

    int result = TollivanMain(6, argv, 5);

    EXPECT_EQ(result, 0);
    EXPECT_EQ(GetFrameCounter(), 5u);
    EXPECT_EQ(GetScreenWidth(), 800);
    EXPECT_EQ(GetScreenHeight(), 600);
    // Every argument reached the command line whole.
    const std::vector<std::string> words = {"-screenwidth", "800", "-SCREENHEIGHT", "600", "My Saves/slot 1"};
    EXPECT_EQ(GetCommandLineArgs(), words);
    EXPECT_FALSE(GetQuitRequested());
    // Shutdown left nothing behind.
    EXPECT_EQ(gGame, nullptr);
    EXPECT_EQ(gWinMain, nullptr);
    EXPECT_EQ(GetHost(), nullptr);
    EXPECT_FALSE(SystemStarted());
}

TEST(Program, StartUpFailureShowsItsBoxOnceAndExitsNonZero)
{
    // A video driver that does not exist: the window class cannot be registered.
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    char name[] = "tollivan";
    char* argv[] = {name, nullptr};
    testing::internal::CaptureStderr();
    int result = TollivanMain(1, argv, 3);
    std::string err = testing::internal::GetCapturedStderr();
    setenv("SDL_VIDEODRIVER", "offscreen", 1);

    EXPECT_NE(result, 0);
    const std::string box = "Error: Failed to register the window class";
    size_t at = err.find(box);
    ASSERT_NE(at, std::string::npos) << err;
    EXPECT_EQ(err.find(box, at + 1), std::string::npos) << "shown more than once";
    EXPECT_EQ(GetFrameCounter(), 0u);
    EXPECT_EQ(gWinMain, nullptr);
}

// The real program: its entry, start-up, a few frames and shutdown on the SDL host under
// the offscreen video driver, over the sample data tree (target sample_data).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "KelpoBase/platform/KelpoGame.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/platform/WinMain.h"
#include "host/Host.h"
#include "support/TestSupport.h"

int TollivanMain(int argc, char** argv, uint32_t frameLimit);

namespace
{
void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}
} // namespace

TEST(Program, StartsRunsFramesAndShutsDown)
{
    // The working folder holds the sample data tree (as scripts/run-game.sh lays it out).
    std::string error;
    ASSERT_TRUE(tvtest::LinkSampleTree(error)) << error;
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

// Started where its data is not, or with the data it needs damaged, the program says which
// file and where it looked, and ends with a failure; it never runs a black screen.
TEST(Program, MissingOrDamagedStartUpDataIsNamedAndEndsStartUp)
{
    const std::string font = (tvtest::SampleTree() / "res/fonts/font_1.bin").string();
    const struct
    {
        const char* name;
        std::function<void()> setUp;
        std::vector<std::string> said;
    } cases[] = {
        {"no data at all", [] {}, {"res/fonts/font_1.bin is missing", std::filesystem::current_path().string()}},
        {"a damaged front-end scene file",
         [&]
         {
             std::filesystem::create_directories("res/fonts");
             std::filesystem::copy_file(font, "res/fonts/font_1.bin");
             std::filesystem::copy_file(tvtest::SampleTree() / "res/fonts/font_1.png", "res/fonts/font_1.png");
             WriteFile("res/frontend/frontend.mac.720p.cgla", "not a scene file at all");
         },
         {"res/frontend/frontend.mac.720p.cgla is damaged"}},
        {"a damaged pack and nothing loose", [] { WriteFile("data.dat", "KLPA but not much else"); },
         {"res/fonts/font_1.bin is missing", "the pack file", "data.dat could not be read"}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::error_code ec;
        std::filesystem::remove_all("res", ec);
        std::filesystem::remove("data.dat", ec);
        c.setUp();
        char name[] = "tollivan";
        char* argv[] = {name, nullptr};
        SetFrameCounter(0); // the counter is the process's: an earlier run may have moved it
        testing::internal::CaptureStderr();
        const int result = TollivanMain(1, argv, 3);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(result, 0);
        for (const std::string& words : c.said)
            EXPECT_NE(err.find(words), std::string::npos) << "\"" << words << "\" not in: " << err;
        EXPECT_EQ(GetFrameCounter(), 0u);
        EXPECT_EQ(gGame, nullptr);
        EXPECT_EQ(gWinMain, nullptr);
        EXPECT_FALSE(SystemStarted());
    }
    std::error_code ec;
    std::filesystem::remove_all("res", ec);
    std::filesystem::remove("data.dat", ec);
}

TEST(Program, StartUpFailureShowsItsBoxOnceAndExitsNonZero)
{
    // A video driver that does not exist: the window class cannot be registered.
    setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
    char name[] = "tollivan";
    char* argv[] = {name, nullptr};
    SetFrameCounter(0); // the counter is the process's: an earlier run may have moved it
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

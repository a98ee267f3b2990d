// The real program: its entry, start-up, a few frames and shutdown on the SDL host under
// the offscreen video driver, over the sample data tree (target sample_data).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "KelpoBase/core/TextUtil.h"
#include "KelpoBase/platform/KelpoGame.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/platform/WinMain.h"
#include "ScenarioDriver.h"
#include "support/ScriptedGLHost.h"
#include "game/level/Level.h"
#include "game/shell/MainGame.h"
#include "host/Host.h"
#include "support/PackBuilder.h"
#include "support/TestSupport.h"

int TollivanMain(int argc, char** argv, uint32_t frameLimit);
void RegisterProgramParts();

namespace
{
void WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The first half of a file of the sample tree: what a copy cut short leaves.
std::string FirstHalfOf(const std::string& pathInTree)
{
    const std::string bytes = ReadFile(tvtest::SampleTree() / pathInTree);
    return bytes.substr(0, bytes.size() / 2);
}

// Text as one line: messages are broken into lines for their box.
std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n')
            c = ' ';
    return text;
}

// The program's run with a frame limit; its exit code, with what it wrote on standard error.
int RunProgram(uint32_t frames, std::string& err)
{
    char name[] = "tollivan";
    char* argv[] = {name, nullptr};
    SetFrameCounter(0); // the counter is the process's: an earlier run may have moved it
    testing::internal::CaptureStderr();
    const int result = TollivanMain(1, argv, frames);
    err = OneLine(testing::internal::GetCapturedStderr());
    return result;
}

// A pack of files of the sample tree (paths below the working folder), in the order given;
// the last file's bytes replaced when lastBytes is given.
std::string PackOfSampleFiles(const std::vector<std::string>& paths, const char* lastBytes = nullptr)
{
    std::vector<tvtest::PackEntry> entries;
    for (const std::string& path : paths)
        entries.push_back({path, ReadFile(tvtest::SampleTree() / path)});
    if (lastBytes != nullptr && !entries.empty())
        entries.back().bytes = lastBytes;
    return tvtest::BuildPack(entries);
}

// What start-up reads before the game is made, the map file last.
const std::vector<std::string> kStartUpFiles = {
    "res/fonts/font_1.bin", "res/fonts/font_1.png", "res/frontend/frontend.mac.720p.cgla",
    "res/hud.mac.720p.cgla", "res/maps/maps.mac.cgla"};
} // namespace

TEST(Program, StartsRunsFramesAndShutsDown)
{
    // The working folder holds the sample data tree (as scripts/run-game.sh lays it out).
    std::string error;
    ASSERT_TRUE(tvtest::LinkSampleTree(error)) << error;
    char name[] = "tollivan";
    char w[] = "-screenwidth", wv[] = "800", h[] = "-SCREENHEIGHT", hv[] = "600", spaced[] = "My Saves/slot 1";
    char* argv[] = {name, w, wv, h, hv, spaced, nullptr};

    testing::internal::CaptureStdout();
    int result = TollivanMain(6, argv, 5);
    // A normal run is quiet: the game service's greeting and statistics are no news.
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

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
// file and where it looked, in its box and on stderr, and ends with a failure; it never runs
// a black screen or a level without its HUD.
TEST(Program, MissingOrDamagedStartUpDataIsNamedAndEndsStartUp)
{
    const std::string font = (tvtest::SampleTree() / "res/fonts/font_1.bin").string();
    const std::string here = std::filesystem::current_path().string();
    auto treeWithCut = [](const std::string& pathBelowRes)
    {
        return [pathBelowRes]
        {
            std::string error;
            ASSERT_TRUE(tvtest::LinkSampleTreeWithout({pathBelowRes}, error)) << error;
            WriteFile("res/" + pathBelowRes, FirstHalfOf("res/" + pathBelowRes));
        };
    };
    const std::string packCutInTheMaps = PackOfSampleFiles(kStartUpFiles);
    const size_t mapsSize = ReadFile(tvtest::SampleTree() / "res/maps/maps.mac.cgla").size();
    const struct
    {
        const char* name;
        std::function<void()> setUp;
        std::vector<std::string> said;
    } cases[] = {
        {"no data at all", [] {}, {"res/fonts/font_1.bin is missing", here}},
        {"a damaged front-end scene file",
         [&]
         {
             std::filesystem::create_directories("res/fonts");
             std::filesystem::copy_file(font, "res/fonts/font_1.bin");
             std::filesystem::copy_file(tvtest::SampleTree() / "res/fonts/font_1.png", "res/fonts/font_1.png");
             WriteFile("res/frontend/frontend.mac.720p.cgla", "not a scene file at all");
         },
         {"res/frontend/frontend.mac.720p.cgla is damaged"}},
        {"the map file cut in half", treeWithCut("maps/maps.mac.cgla"),
         {"res/maps/maps.mac.cgla is damaged", here + "/res/maps/maps.mac.cgla"}},
        {"the HUD file cut in half", treeWithCut("hud.mac.720p.cgla"),
         {"res/hud.mac.720p.cgla is damaged", here + "/res/hud.mac.720p.cgla"}},
        {"a pack cut short in its index and nothing loose", [] { WriteFile("data.dat", "KLPA but not much else"); },
         {"res/fonts/font_1.bin cannot be read", here + "/res/fonts/font_1.bin",
          "the pack file " + here + "/data.dat, where it was looked for next, is damaged: it is cut short"}},
        {"a damaged map file in the pack and nothing loose",
         [] { WriteFile("data.dat", PackOfSampleFiles(kStartUpFiles, "no scene file")); },
         {"res/maps/maps.mac.cgla is damaged and cannot be read: it was read from the pack file " + here +
          "/data.dat."}},
        {"a pack cut short in the map file and nothing loose",
         [&] { WriteFile("data.dat", packCutInTheMaps.substr(0, packCutInTheMaps.size() - mapsSize / 2)); },
         {"The pack file " + here + "/data.dat is damaged: it is cut short (1 of its 5 files runs past its end)",
          "res/maps/maps.mac.cgla is damaged: it is not in " + here + "/res/maps/maps.mac.cgla, and the pack file " +
              here + "/data.dat, which holds it, is cut short"}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::error_code ec;
        std::filesystem::remove_all("res", ec);
        std::filesystem::remove("data.dat", ec);
        c.setUp();
        std::string err;
        const int result = RunProgram(3, err);
        EXPECT_NE(result, 0);
        EXPECT_NE(err.find("Error: The game's data file"), std::string::npos) << "no box: " << err;
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

// The system font's picture is read whole at start, like the font itself: emptied or cut
// short, the picture of the font the game would load (cour at a 480-wide screen, font_1
// otherwise) refuses start-up naming it; the picture of the other font does not matter.
TEST(Program, ADamagedSystemFontPictureIsNamedAndEndsStartUp)
{
    const std::string here = std::filesystem::current_path().string();
    const struct
    {
        const char* name;
        const char* picture; // below res/
        std::string bytes;
        const char* screenWidth;
        bool starts;
    } cases[] = {
        {"font_1's picture emptied", "fonts/font_1.png", "", "1280", false},
        {"font_1's picture cut in half", "fonts/font_1.png", FirstHalfOf("res/fonts/font_1.png"), "1280", false},
        {"cour's picture cut in half on a 480-wide screen", "fonts/cour.png", FirstHalfOf("res/fonts/cour.png"), "480",
         false},
        {"font_1's picture emptied on a 480-wide screen", "fonts/font_1.png", "", "480", true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::string error;
        ASSERT_TRUE(tvtest::LinkSampleTreeWithout({c.picture}, error)) << error;
        WriteFile(std::string("res/") + c.picture, c.bytes);
        char name[] = "tollivan", w[] = "-screenwidth", h[] = "-screenheight", hv[] = "320";
        std::string wv = c.screenWidth;
        char* argv[] = {name, w, wv.data(), h, hv, nullptr};
        SetFrameCounter(0);
        testing::internal::CaptureStderr();
        const int result = TollivanMain(5, argv, 3);
        const std::string err = OneLine(testing::internal::GetCapturedStderr());
        if (c.starts)
        {
            EXPECT_EQ(result, 0) << err;
            EXPECT_EQ(GetFrameCounter(), 3u);
            continue;
        }
        EXPECT_NE(result, 0);
        const std::string said = std::string("The game's data file res/") + c.picture +
                                 " is damaged and cannot be read: " + here + "/res/" + c.picture;
        EXPECT_NE(err.find(said), std::string::npos) << err;
        EXPECT_EQ(GetFrameCounter(), 0u);
        EXPECT_EQ(gGame, nullptr);
        EXPECT_FALSE(SystemStarted());
    }
    std::error_code ec;
    std::filesystem::remove_all("res", ec);
}

// A pack beside a loose tree that is not a pack, or is cut short, would leave the game
// running on the loose files; the player is told what is wrong with it.
TEST(Program, APackThatCannotBeReadBesideTheLooseTreeIsNamed)
{
    std::string error;
    ASSERT_TRUE(tvtest::LinkSampleTree(error)) << error;
    const std::string here = std::filesystem::current_path().string();
    const std::string pack = PackOfSampleFiles({"res/fonts/font_1.png", "res/fonts/font_1.bin"});
    const struct
    {
        const char* name;
        std::string bytes;
        std::string said;
    } cases[] = {
        {"garbage", "these bytes were never a pack",
         "The pack file " + here + "/data.dat is not used: it is not a pack file. Only loose files are read."},
        {"cut short", pack.substr(0, pack.size() - 100),
         "The pack file " + here + "/data.dat is damaged: it is cut short (1 of its 2 files runs past its end)."},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        WriteFile("data.dat", c.bytes);
        std::string err;
        EXPECT_EQ(RunProgram(3, err), 0);
        EXPECT_EQ(GetFrameCounter(), 3u);
        EXPECT_NE(err.find(c.said), std::string::npos) << err;
    }
    std::error_code ec;
    std::filesystem::remove("data.dat", ec);
}

// The sentence that once made a box wider than the screen: run from a deep folder without
// data, the box (as the scripted host records it) holds it in lines that fit.
TEST(Program, ALongStartUpMessageComesInLinesThatFit)
{
    const std::filesystem::path before = std::filesystem::current_path();
    const std::filesystem::path deep =
        before / "a folder with a rather long name for a game" / "and_another_one_below_it_that_is_longer_still" / "x";
    std::filesystem::create_directories(deep);
    std::filesystem::current_path(deep);
    const std::string said = "The game's data file res/fonts/font_1.bin is missing: it was looked for in " +
                             (deep / "res/fonts/font_1.bin").string() +
                             ". Start the game in the folder that holds res/.";
    int result = 0;
    std::vector<cScriptedHost::Box> boxes;
    {
        cScriptedGLHost host;
        SetHost(&host);
        RegisterProgramParts();
        result = RunApplication("", 3);
        SetGameFactory(nullptr);
        SetHost(nullptr);
        boxes = host.boxes;
    }
    std::filesystem::current_path(before);

    EXPECT_NE(result, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Error");
    // In one line, at the box font's 7 to 8 pixels a character, it would not fit 1280 pixels.
    ASSERT_GT(said.size() * 7, 1280u);
    EXPECT_EQ(boxes[0].text, BreakIntoLines(said, kMessageBoxColumns));
    for (const std::string& line : SplitString(boxes[0].text, "\n"))
        EXPECT_LE(line.size(), kMessageBoxColumns) << line;
}

namespace
{
// Starts the program over the tree laid out here and asks for the comic, as the front end
// does once story level 0 is chosen; err receives what that said on stderr, in one line.
void AskForTheComic(tvtest::ScenarioDriver& driver, std::string& err)
{
    ASSERT_TRUE(driver.StartOverOwnTree());
    driver.UndrawnFrames(5);
    testing::internal::CaptureStderr();
    driver.Game().SetStateComic(0);
    driver.UndrawnFrames(2);
    err = OneLine(testing::internal::GetCapturedStderr());
}
} // namespace

// The comic is a file the game can run without: cut short, it is named on stderr and the
// game goes on to the first story level as if the comic had been skipped, instead of
// showing black pages for 8 seconds.
TEST(Program, ACutComicIsNamedAndSkipped)
{
    std::string error;
    ASSERT_TRUE(tvtest::LinkSampleTreeWithout({"comic/comic.cgla"}, error)) << error;
    WriteFile("res/comic/comic.cgla", FirstHalfOf("res/comic/comic.cgla"));
    const std::string here = std::filesystem::current_path().string();
    {
        tvtest::ScenarioDriver driver;
        std::string err;
        ASSERT_NO_FATAL_FAILURE(AskForTheComic(driver, err));

        EXPECT_NE(err.find("The game's data file res/comic/comic.cgla is damaged and cannot be read: " + here +
                           "/res/comic/comic.cgla. The comic is skipped."),
                  std::string::npos)
            << err;
        ASSERT_NE(driver.Level(), nullptr) << "the comic did not hand over to level 0";
        EXPECT_EQ(driver.Level()->levelIndex, 0);
        EXPECT_TRUE(driver.WaitForPlay());
    }
    std::error_code ec;
    std::filesystem::remove_all("res", ec);
}

// A missing comic keeps its pages (they end in level 0 as before), but is named on stderr:
// the player would otherwise watch empty pages without a word.
TEST(Program, AMissingComicIsNamed)
{
    std::string error;
    ASSERT_TRUE(tvtest::LinkSampleTreeWithout({"comic/comic.cgla"}, error)) << error;
    {
        tvtest::ScenarioDriver driver;
        std::string err;
        ASSERT_NO_FATAL_FAILURE(AskForTheComic(driver, err));

        EXPECT_NE(err.find("The comic's scene file res/comic/comic.cgla is missing; its pages are shown empty."),
                  std::string::npos)
            << err;
        EXPECT_NE(driver.Game().comic, nullptr) << "the pages of a missing comic still run";
    }
    std::error_code ec;
    std::filesystem::remove_all("res", ec);
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

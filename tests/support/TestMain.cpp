// Test entry: every test program runs in a working folder of its own, with its own
// HOME and save folder, and with no display, so that tests never share files, never
// pick up a stray pack file and never open a real window or message box.
#include <gtest/gtest.h>

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

#include "TestSupport.h"

namespace
{
std::filesystem::path gWorkFolder;

void RemoveWorkFolder()
{
    std::error_code ec;
    if (!gWorkFolder.empty())
        std::filesystem::remove_all(gWorkFolder, ec);
}
} // namespace

namespace tvtest
{
const std::filesystem::path& WorkFolder() { return gWorkFolder; }

std::filesystem::path SourceDir()
{
#ifdef TOLLIVAN_SOURCE_DIR
    return TOLLIVAN_SOURCE_DIR;
#else
    return {};
#endif
}

std::filesystem::path SampleTree()
{
#ifdef TOLLIVAN_BINARY_DIR
    return std::filesystem::path(TOLLIVAN_BINARY_DIR) / "run";
#else
    return {};
#endif
}

bool SampleTreeMade(std::string& error)
{
    const std::filesystem::path res = SampleTree() / "res";
    if (std::filesystem::is_regular_file(res / "maps" / "maps.mac.cgla"))
        return true;
    error = "no sample data tree at " + res.string() + " (the build target sample_data makes it)";
    return false;
}

bool LinkSampleTree(std::string& error)
{
    if (!SampleTreeMade(error))
        return false;
    const std::filesystem::path res = SampleTree() / "res";
    std::error_code ec;
    std::filesystem::remove_all("res", ec); // a link goes, never what it points at
    std::filesystem::create_directory_symlink(res, "res", ec);
    if (ec)
        error = "cannot link the sample tree: " + ec.message();
    return !ec;
}
namespace
{
// Links every entry of from into to, except the left-out paths (relative to the root of
// the mirror), making real folders for those on the way to one.
bool MirrorFolder(const std::filesystem::path& from, const std::filesystem::path& to,
                  const std::filesystem::path& below, const std::vector<std::string>& leftOut, std::string& error)
{
    std::error_code ec;
    std::filesystem::create_directories(to, ec);
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(from, ec))
    {
        const std::filesystem::path name = below / entry.path().filename();
        bool skip = false, descend = false;
        for (const std::string& path : leftOut)
        {
            const std::filesystem::path left(path);
            skip = skip || left == name;
            descend = descend || std::mismatch(name.begin(), name.end(), left.begin(), left.end()).first == name.end();
        }
        if (skip)
            continue;
        if (descend && entry.is_directory())
        {
            if (!MirrorFolder(entry.path(), to / entry.path().filename(), name, leftOut, error))
                return false;
            continue;
        }
        std::filesystem::create_symlink(entry.path(), to / entry.path().filename(), ec);
        if (ec)
        {
            error = "cannot link " + name.string() + ": " + ec.message();
            return false;
        }
    }
    if (ec)
        error = "cannot list " + from.string() + ": " + ec.message();
    return !ec;
}
} // namespace

bool LinkSampleTreeWithout(const std::vector<std::string>& leftOut, std::string& error)
{
    if (!SampleTreeMade(error))
        return false;
    std::error_code ec;
    std::filesystem::remove_all("res", ec);
    return MirrorFolder(SampleTree() / "res", "res", {}, leftOut, error);
}
} // namespace tvtest

int main(int argc, char** argv)
{
    char pattern[] = "/tmp/tollivan-test.XXXXXX";
    if (const char* made = mkdtemp(pattern))
    {
        gWorkFolder = made;
        std::filesystem::create_directories(gWorkFolder / "home");
        std::filesystem::create_directories(gWorkFolder / "xdg");
        std::filesystem::create_directories(gWorkFolder / "run");
        setenv("HOME", (gWorkFolder / "home").c_str(), 1);
        setenv("XDG_DATA_HOME", (gWorkFolder / "xdg").c_str(), 1);
        if (chdir((gWorkFolder / "run").c_str()) != 0)
            return 2;
        std::atexit(RemoveWorkFolder);
    }
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);

    testing::InitGoogleTest(&argc, argv);
    // Death tests fork; "threadsafe" re-executes the program, which keeps them
    // reliable beside GL and audio threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}

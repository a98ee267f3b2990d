// Test entry: every test runs in a working folder of its own, with its own HOME and
// save folder, and with no display, so that tests never share files, never pick up a
// stray pack file and never open a real window or message box.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>
#include <unistd.h>

#include "AsNobody.h"
#include "TestSupport.h"

#include "KelpoBase/core/Random.h"

namespace
{
std::filesystem::path gWorkFolder;
pid_t gOwner = 0; // a child forked by a test inherits the exit handler but not the folder
// Set in a copy run as nobody that could not reach the build's sample tree and was given a
// copy of it.
std::filesystem::path gOwnSampleTree;

// Where the work folder of a test program is, for the copies of itself that it starts.
constexpr const char* kWorkFolderVariable = "TOLLIVAN_TEST_WORK_FOLDER";

void RemoveWorkFolder()
{
    std::error_code ec;
    if (!gWorkFolder.empty() && getpid() == gOwner)
        std::filesystem::remove_all(gWorkFolder, ec);
}

bool IsDeathTestChild(int argc, char** argv)
{
    return std::any_of(argv + 1, argv + argc, [](const char* arg) {
        return std::string_view(arg).starts_with("--gtest_internal_run_death_test");
    });
}

// A death test runs its statement in a fresh copy of the program ("threadsafe" style). The
// copy may die without running its exit handlers, so its folder is made inside the work
// folder of the program that started it, which renews that folder after the test.
std::string WorkFolderPattern(bool deathTestChild)
{
    const char* parent = std::getenv(kWorkFolderVariable);
    std::error_code ec;
    if (deathTestChild && parent != nullptr && std::filesystem::is_directory(parent, ec))
        return (std::filesystem::path(parent) / "death-test.XXXXXX").string();
    return "/tmp/tollivan-test.XXXXXX";
}

// Removes path and all below it. A test may leave a folder it made read-only (to show how
// an unwritable save folder is met), which stops a removal by anyone but root: such
// folders are made writable again and the removal tried once more.
bool RemoveTree(const std::filesystem::path& path)
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    if (!ec)
        return true;
    namespace fs = std::filesystem;
    std::error_code walk;
    if (fs::is_directory(fs::symlink_status(path, walk)))
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, walk);
    for (fs::recursive_directory_iterator it(path, walk), end; !walk && it != end; it.increment(walk))
        if (it->is_directory(walk) && !it->is_symlink(walk))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, walk);
    ec.clear();
    std::filesystem::remove_all(path, ec);
    return !ec;
}

// Empties the work folder and makes its home, xdg and run folders anew, points HOME and
// XDG_DATA_HOME at them again (a test may change either) and makes run the current folder
// (a test may change that too). False, with the reason in error, when any step fails.
bool FreshWorkFolder(std::string& error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (chdir(gWorkFolder.c_str()) != 0)
    {
        error = "cannot enter " + gWorkFolder.string();
        return false;
    }
    std::vector<fs::path> entries;
    for (const fs::directory_entry& entry : fs::directory_iterator(gWorkFolder, ec))
        entries.push_back(entry.path());
    if (ec)
    {
        error = "cannot list " + gWorkFolder.string() + ": " + ec.message();
        return false;
    }
    for (const fs::path& entry : entries)
    {
        if (!RemoveTree(entry))
        {
            error = "cannot remove " + entry.string();
            return false;
        }
    }
    for (const char* name : {"home", "xdg", "run"})
    {
        if (!fs::create_directory(gWorkFolder / name, ec) || ec)
        {
            error = "cannot make " + (gWorkFolder / name).string();
            return false;
        }
    }
    setenv("HOME", (gWorkFolder / "home").c_str(), 1);
    setenv("XDG_DATA_HOME", (gWorkFolder / "xdg").c_str(), 1);
    if (chdir((gWorkFolder / "run").c_str()) != 0)
    {
        error = "cannot enter " + (gWorkFolder / "run").string();
        return false;
    }
    return true;
}

// Gives each test the work folder and the engine's random generator as a fresh program
// finds them, and takes away what the test left there, so that a test meets the same
// state whether it runs alone, after others, or again in the same process (--gtest_shuffle,
// --gtest_repeat). ctest runs each test in a process of its own and would never show a test
// that leans on a file or a draw an earlier test left; a whole program run in one process
// would.
class FreshStatePerTest : public testing::EmptyTestEventListener
{
    void OnTestStart(const testing::TestInfo& test) override { Renew(test); }
    void OnTestEnd(const testing::TestInfo& test) override { Renew(test); }

    static void Renew(const testing::TestInfo& test)
    {
        // The program never seeds its generator: it starts at 0 in every process, and
        // what a level scatters (confetti, particles) follows from that.
        SetRandomSeed(0);
        std::string error;
        if (FreshWorkFolder(error))
            return;
        std::fprintf(stderr, "%s.%s: the work folder cannot be renewed: %s\n", test.test_suite_name(), test.name(),
                     error.c_str());
        std::exit(2);
    }
};
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
    if (!gOwnSampleTree.empty())
        return gOwnSampleTree;
#ifdef TOLLIVAN_BINARY_DIR
    return std::filesystem::path(TOLLIVAN_BINARY_DIR) / "run";
#else
    return {};
#endif
}

bool SampleTreeMade(std::string& error)
{
    const std::filesystem::path res = SampleTree() / "res";
    std::error_code ec;
    if (std::filesystem::is_regular_file(res / "maps" / "maps.mac.cgla", ec))
        return true;
    if (ec && ec != std::errc::no_such_file_or_directory)
        error = "cannot look up the sample data tree at " + res.string() + ": " + ec.message();
    else
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
        std::error_code kind; // an entry that cannot be looked at is linked, never thrown over
        if (descend && entry.is_directory(kind))
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
    const bool deathTestChild = IsDeathTestChild(argc, argv);
    // A copy started to run as nobody works in the folder its parent made for it, which
    // the parent removes.
    const std::filesystem::path copyFolder = deathTestChild ? std::filesystem::path() : tvtest::NobodyCopyFolder();
    if (!copyFolder.empty())
    {
        gWorkFolder = copyFolder / "work";
    }
    else
    {
        std::string pattern = WorkFolderPattern(deathTestChild);
        const char* made = mkdtemp(pattern.data());
        if (made == nullptr)
        {
            std::perror("cannot make the work folder");
            return 2;
        }
        gWorkFolder = made;
    }
    gOwner = getpid();
    std::atexit(RemoveWorkFolder);
    setenv(kWorkFolderVariable, gWorkFolder.c_str(), 1);
    std::string error;
    if (!copyFolder.empty())
    {
        const int failed = tvtest::BecomeNobody(copyFolder, gOwnSampleTree, error);
        if (failed != 0)
        {
            std::fprintf(stderr, "cannot run as the user nobody: %s\n", error.c_str());
            return failed;
        }
    }
    if (!FreshWorkFolder(error))
    {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);

    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new FreshStatePerTest);
    // Death tests fork; "threadsafe" re-executes the program, which keeps them
    // reliable beside GL and audio threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}

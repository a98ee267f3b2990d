#include "AsNobody.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/fsuid.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.h"

extern char** environ;

namespace tvtest
{
namespace
{
namespace fs = std::filesystem;

// Set in the environment of a copy that is to run as nobody: the folder its parent made for
// it. Any other value ("0", "1", an empty one) asks for nothing.
constexpr std::string_view kAsNobodyVariable = "TOLLIVAN_TEST_AS_NOBODY";
// Begins the line a copy says when the part it was started for runs.
constexpr std::string_view kRunningLine = "[ AS NOBODY ] running:";

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

bool IsRequest(const char* value) { return value != nullptr && value[0] == '/'; }

// The value of an environment entry ("NAME=value") when it is of that name; null otherwise.
const char* ValueIfNamed(const char* entry, std::string_view name)
{
    const std::string_view text(entry);
    return text.size() > name.size() && text.starts_with(name) && text[name.size()] == '='
               ? entry + name.size() + 1
               : nullptr;
}

// True when any entry of the environment asks for a copy, not only the one getenv finds: a
// copy whose request an earlier entry hides must still never start a copy of its own.
bool AnyRequestInEnvironment()
{
    for (char** e = environ; *e != nullptr; ++e)
        if (IsRequest(ValueIfNamed(*e, kAsNobodyVariable)))
            return true;
    return false;
}

struct Nobody
{
    uid_t uid = 0;
    gid_t gid = 0;
};

bool FindNobody(Nobody& nobody, std::string& error)
{
    const passwd* found = ::getpwnam("nobody");
    if (found == nullptr)
    {
        error = "this machine has no user nobody";
        return false;
    }
    nobody = {found->pw_uid, found->pw_gid};
    return true;
}

// A sanitizer's options entry ("ASAN_OPTIONS=...") whose suppressions file, if it names one,
// is replaced by a copy in folder: the sanitizer reads that file only as the copy ends, as
// nobody, who may not reach the source tree. False, with the reason in error, when the file
// cannot be copied.
bool WithSuppressionsIn(const fs::path& folder, std::string& entry, std::string& error)
{
    const size_t equals = entry.find('=');
    const std::string_view name = std::string_view(entry).substr(0, equals);
    if (equals == std::string::npos || !name.ends_with("SAN_OPTIONS"))
        return true;
    constexpr std::string_view key = "suppressions=";
    constexpr const char* separators = " ,:\t\r\n";
    size_t at = entry.find(key, equals + 1);
    while (at != std::string::npos && at != equals + 1 && std::strchr(separators, entry[at - 1]) == nullptr)
        at = entry.find(key, at + 1);
    if (at == std::string::npos)
        return true;
    const size_t begin = at + key.size();
    const size_t end = std::min(entry.find_first_of(separators, begin), entry.size());
    const fs::path file = entry.substr(begin, end - begin);
    const fs::path copy = folder / (std::string(name) + ".supp");
    std::error_code ec;
    fs::copy_file(file, copy, ec);
    if (!ec)
        fs::permissions(copy, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read, ec);
    if (ec)
    {
        error = "cannot copy the suppressions file " + file.string() + ": " + ec.message();
        return false;
    }
    entry.replace(begin, end - begin, copy.string());
    return true;
}

// Makes the copy's folder ready: nobody may pass through it (but not list or change it), the
// work folder in it is nobody's, and the sanitizers' suppressions files are copied into it.
// environment becomes this program's environment for the copy: every earlier request to run
// as nobody (one inherited from whoever started this program, say) is left out, never
// hidden behind the copy's own, which goes last.
bool PrepareCopy(const fs::path& folder, const Nobody& nobody, std::vector<std::string>& environment,
                 std::string& error)
{
    const fs::path work = folder / "work";
    if (::chmod(folder.c_str(), 0711) != 0 || ::mkdir(work.c_str(), 0700) != 0 ||
        ::chown(work.c_str(), nobody.uid, nobody.gid) != 0)
    {
        error = SystemError("cannot make the work folder " + work.string() + " for nobody");
        return false;
    }
    for (char** e = environ; *e != nullptr; ++e)
    {
        if (ValueIfNamed(*e, kAsNobodyVariable) != nullptr)
            continue;
        environment.emplace_back(*e);
        if (!WithSuppressionsIn(folder, environment.back(), error))
            return false;
    }
    environment.push_back(std::string(kAsNobodyVariable) + "=" + folder.string());
    return true;
}

// Starts the program with the environment, its standard output and error going into output,
// and waits for it; its wait status, or -1 when it cannot be started.
int RunCopy(std::string program, std::string filter, std::vector<std::string>& environment, std::string& output)
{
    std::vector<char*> argv = {program.data(), filter.data(), nullptr};
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
    {
        output = SystemError("cannot make a pipe");
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0)
    {
        ::close(out[0]);
        errno = spawned;
        output = SystemError("cannot start " + program);
        return -1;
    }
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) != 0;)
    {
        if (n > 0)
            output.append(buffer, static_cast<size_t>(n));
        else if (errno != EINTR)
            break;
    }
    ::close(out[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR)
    {
    }
    return status;
}

// How a copy ended. A copy that ran nothing, skipped the test or never reached the part it
// was started for has not shown that it passes.
NobodyRun::Outcome OutcomeOf(int status, std::string& output)
{
    if (!WIFEXITED(status))
        return NobodyRun::Outcome::Failed;
    const int code = WEXITSTATUS(status);
    if (code == kCannotRunAsNobody)
        return NobodyRun::Outcome::CannotRun;
    if (code == 0 && output.find("[  SKIPPED ]") != std::string::npos)
        return NobodyRun::Outcome::CannotRun;
    if (code != 0 || output.find("[  PASSED  ] 1 test.") == std::string::npos)
        return NobodyRun::Outcome::Failed;
    if (output.find(kRunningLine) != std::string::npos)
        return NobodyRun::Outcome::Passed;
    output += "(the copy passed without saying that the part run as the user nobody ran)\n";
    return NobodyRun::Outcome::Failed;
}

// Root's file checks made as nobody's while it lives (the file system's user of this thread;
// the groups are nobody's already), so that root can see what nobody may reach and still
// copy what nobody may not.
class LookingAsNobody
{
public:
    explicit LookingAsNobody(uid_t uid)
    {
        ::setfsuid(uid);
        mLooking = ::setfsuid(uid) == static_cast<int>(uid);
    }
    ~LookingAsNobody() { ::setfsuid(0); }
    LookingAsNobody(const LookingAsNobody&) = delete;
    LookingAsNobody& operator=(const LookingAsNobody&) = delete;
    bool Looking() const { return mLooking; }

private:
    bool mLooking = false;
};

// Copies the sample tree into own, which must not be there yet, and gives the copy to nobody.
bool CopySampleTree(const fs::path& own, const Nobody& nobody, std::string& error)
{
    std::error_code ec;
    if (!fs::create_directory(own, ec))
    {
        error = "cannot make " + own.string() + (ec ? ": " + ec.message() : ": it is there already");
        return false;
    }
    fs::copy(SampleTree(), own, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
    if (ec)
    {
        error = "cannot copy the sample data tree to " + own.string() + ": " + ec.message();
        return false;
    }
    std::vector<fs::path> made = {own};
    for (fs::recursive_directory_iterator it(own, ec), end; !ec && it != end; it.increment(ec))
        made.push_back(it->path());
    for (const fs::path& path : made)
        if (!ec && ::lchown(path.c_str(), nobody.uid, nobody.gid) != 0)
            ec.assign(errno, std::generic_category());
    if (ec)
        error = "cannot give the sample data tree at " + own.string() + " to nobody: " + ec.message();
    return !ec;
}
} // namespace

bool RunningAsNobody() { return IsRequest(std::getenv(kAsNobodyVariable.data())) && ::geteuid() != 0; }

void SayRunningAsNobody(const std::string& what)
{
    std::printf("%s %s\n", kRunningLine.data(), what.c_str());
    std::fflush(stdout);
}

fs::path NobodyCopyFolder()
{
    const char* folder = std::getenv(kAsNobodyVariable.data());
    return IsRequest(folder) ? fs::path(folder) : fs::path();
}

int BecomeNobody(const fs::path& copyFolder, fs::path& sampleTree, std::string& error)
{
    if (::geteuid() != 0)
    {
        error = "the copy was not started as root";
        return 2;
    }
    Nobody nobody;
    if (!FindNobody(nobody, error))
        return kCannotRunAsNobody;
    // Groups first, then the group: once the user is nobody, neither can be changed.
    if (::setgroups(0, nullptr) != 0 || ::setgid(nobody.gid) != 0)
    {
        error = SystemError("cannot take the group of nobody");
        return kCannotRunAsNobody;
    }
    std::string ignored;
    const bool treeSeen = SampleTreeMade(ignored);
    bool treeReached = false;
    {
        LookingAsNobody looking(nobody.uid);
        if (!looking.Looking())
        {
            error = "cannot look at files as nobody";
            return kCannotRunAsNobody;
        }
        treeReached = SampleTreeMade(ignored);
    }
    if (treeSeen && !treeReached)
    {
        if (!CopySampleTree(copyFolder / "sample", nobody, error))
            return 2;
        sampleTree = copyFolder / "sample";
    }
    if (::setuid(nobody.uid) != 0)
    {
        error = SystemError("cannot become the user nobody");
        return kCannotRunAsNobody;
    }
    if (::setuid(0) == 0 || ::geteuid() == 0 || ::getuid() == 0)
    {
        error = "still root, or root could be taken back, after becoming nobody";
        return 2;
    }
    // A process that changed its user may not be looked into, even by itself; the leak
    // checker looks into this one as it ends.
    ::prctl(PR_SET_DUMPABLE, 1);
    std::string why;
    if (treeSeen && !SampleTreeMade(why))
    {
        error = "the user nobody cannot read the sample data tree: " + why;
        return 2;
    }
    return 0;
}

NobodyRun RunCurrentTestAsNobody()
{
    NobodyRun run;
    if (AnyRequestInEnvironment())
    {
        run.outcome = NobodyRun::Outcome::Failed;
        run.output = "a copy started to run as the user nobody would start another copy";
        return run;
    }
    Nobody nobody;
    if (::geteuid() != 0)
    {
        run.output = "only root can start a copy that becomes the user nobody";
        return run;
    }
    if (!FindNobody(nobody, run.output))
        return run;
    run.outcome = NobodyRun::Outcome::Failed;
    char self[PATH_MAX] = {};
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
    {
        run.output = SystemError("cannot find this program");
        return run;
    }
    char folder[] = "/tmp/tollivan-test.XXXXXX";
    if (::mkdtemp(folder) == nullptr)
    {
        run.output = SystemError("cannot make a folder for the copy");
        return run;
    }
    run.folder = folder;
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::vector<std::string> environment;
    if (PrepareCopy(run.folder, nobody, environment, run.output))
    {
        const int status = RunCopy(std::string(self, static_cast<size_t>(length)),
                                   std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name(),
                                   environment, run.output);
        if (status != -1)
            run.outcome = OutcomeOf(status, run.output);
    }
    // Whatever became of the copy, its folder goes: root may remove what nobody could not.
    std::error_code ec;
    fs::remove_all(run.folder, ec);
    if (ec)
    {
        run.outcome = NobodyRun::Outcome::Failed;
        run.output += "cannot remove " + run.folder.string() + ": " + ec.message() + "\n";
    }
    return run;
}
} // namespace tvtest

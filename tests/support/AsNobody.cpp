#include "AsNobody.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "TestSupport.h"

extern char** environ;

namespace tvtest
{
namespace
{
// Set in the environment of a copy that is to run as nobody.
constexpr const char* kAsNobodyVariable = "TOLLIVAN_TEST_AS_NOBODY";

std::string SystemError(const std::string& what) { return what + ": " + std::strerror(errno); }

bool AskedToRunAsNobody()
{
    const char* asked = std::getenv(kAsNobodyVariable);
    return asked != nullptr && asked[0] == '1';
}
} // namespace

bool RunningAsNobody() { return AskedToRunAsNobody() && ::geteuid() != 0; }

bool BecomeNobodyIfAsked(const std::filesystem::path& workFolder, std::string& error)
{
    if (!AskedToRunAsNobody() || ::geteuid() != 0)
        return true;
    const passwd* nobody = ::getpwnam("nobody");
    if (nobody == nullptr)
    {
        error = "this machine has no user nobody";
        return false;
    }
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    std::string ignored;
    const bool treeSeen = SampleTreeMade(ignored);
    if (::chown(workFolder.c_str(), uid, gid) != 0)
    {
        error = SystemError("cannot give " + workFolder.string() + " to nobody");
        return false;
    }
    // Groups first, then the group, then the user: once the user is nobody, the rest can no
    // longer be changed.
    if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
    {
        error = SystemError("cannot become the user nobody");
        return false;
    }
    if (::setuid(0) == 0)
    {
        error = "root could be taken back after becoming nobody";
        return false;
    }
    // A process that changed its user may not be looked into, even by itself; the leak
    // checker looks into this one as it ends.
    ::prctl(PR_SET_DUMPABLE, 1);
    if (treeSeen && !SampleTreeMade(ignored))
    {
        error = "the user nobody cannot read the sample data tree at " + SampleTree().string();
        return false;
    }
    return true;
}

NobodyRun RunCurrentTestAsNobody()
{
    NobodyRun run;
    char self[PATH_MAX] = {};
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
    {
        run.output = SystemError("cannot find this program");
        return run;
    }
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string filter = std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();
    std::string program(self, static_cast<size_t>(length));
    std::vector<char*> argv = {program.data(), filter.data(), nullptr};

    std::string asNobody = std::string(kAsNobodyVariable) + "=1";
    std::vector<char*> envp;
    for (char** e = environ; *e != nullptr; ++e)
        envp.push_back(*e);
    envp.push_back(asNobody.data());
    envp.push_back(nullptr);

    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
    {
        run.output = SystemError("cannot make a pipe");
        return run;
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
        run.output = SystemError("cannot start " + program);
        return run;
    }
    char buffer[4096];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) != 0;)
    {
        if (n > 0)
            run.output.append(buffer, static_cast<size_t>(n));
        else if (errno != EINTR)
            break;
    }
    ::close(out[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR)
    {
    }
    // A copy that ran nothing, or skipped the test, has not shown that it passes.
    const bool exited = WIFEXITED(status);
    if (exited && WEXITSTATUS(status) == kCannotRunAsNobody)
        run.outcome = NobodyRun::Outcome::CannotRun;
    else if (exited && WEXITSTATUS(status) == 0 && run.output.find("[  SKIPPED ]") != std::string::npos)
        run.outcome = NobodyRun::Outcome::CannotRun;
    else if (exited && WEXITSTATUS(status) == 0 && run.output.find("[  PASSED  ] 1 test.") != std::string::npos)
        run.outcome = NobodyRun::Outcome::Passed;
    else
        run.outcome = NobodyRun::Outcome::Failed;
    return run;
}
} // namespace tvtest

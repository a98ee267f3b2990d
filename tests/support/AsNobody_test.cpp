// A copy of a test program that runs a test as the user nobody: what its parent counts as
// passed, and that its folder is gone once it has ended, however it ended.
#include "AsNobody.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

namespace tvtest
{
void PrintTo(NobodyRun::Outcome outcome, std::ostream* os)
{
    constexpr const char* kNames[] = {"Passed", "Failed", "CannotRun"};
    *os << kNames[static_cast<int>(outcome)];
}
} // namespace tvtest

namespace
{
struct CopyCase
{
    const char* name;
    void (*inCopy)(); // what the test does in the copy
    tvtest::NobodyRun::Outcome counted;
};

void PrintTo(const CopyCase& c, std::ostream* os) { *os << c.name; }

const CopyCase kCopyCases[] = {
    // Passes, and says that it ran as nobody.
    {"Says", [] { tvtest::SayRunningAsNobody("this case"); }, tvtest::NobodyRun::Outcome::Passed},
    // Passes without saying so: it may not have run what it was started for.
    {"PassesSilently", [] {}, tvtest::NobodyRun::Outcome::Failed},
    // Ends with success before the test has ended, and before it can clear its folder.
    {"EndsEarly", [] { std::_Exit(0); }, tvtest::NobodyRun::Outcome::Failed},
};

class NobodyCopyTest : public testing::TestWithParam<CopyCase>
{
};
} // namespace

// Run as root, each case starts a copy of itself, which does what the case says. The parent
// has inherited a request that asks for nothing: the copy's own request replaces it, or the
// copy would never become nobody.
TEST_P(NobodyCopyTest, IsCountedAsPassedOnlyWhenItPassesAndSaysItRanAsNobody)
{
    if (tvtest::RunningAsNobody())
    {
        GetParam().inCopy();
        return;
    }
    if (::geteuid() != 0 || ::getpwnam("nobody") == nullptr)
        GTEST_SKIP() << "only root starts copies, and only where there is a user nobody";
    const char* variable = "TOLLIVAN_TEST_AS_NOBODY";
    const char* inherited = std::getenv(variable);
    const std::optional<std::string> before = inherited ? std::optional<std::string>(inherited) : std::nullopt;
    ::setenv(variable, "0", 1);
    const tvtest::NobodyRun run = tvtest::RunCurrentTestAsNobody();
    if (before)
        ::setenv(variable, before->c_str(), 1);
    else
        ::unsetenv(variable);
    EXPECT_EQ(run.outcome, GetParam().counted) << run.output;
    ASSERT_FALSE(run.folder.empty());
    std::error_code ec;
    EXPECT_FALSE(std::filesystem::exists(run.folder, ec)) << run.folder;
}

INSTANTIATE_TEST_SUITE_P(Copies, NobodyCopyTest, testing::ValuesIn(kCopyCases),
                         [](const testing::TestParamInfo<CopyCase>& info) { return std::string(info.param.name); });

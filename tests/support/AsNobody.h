// Running a test as an unprivileged user. Root reads and writes files whatever their mode,
// so a test of files the game may not read, run as root (as CI does), runs that part in a
// copy of the test program that becomes the user nobody before it runs the test.
//
// The copy works in a folder of its own under the temporary folder, which its parent makes
// for it and removes once it has ended, however it ended. Beside its work folder there, the
// copy finds what it reads that nobody may not reach where the build put it: the sanitizers'
// suppressions files (always copied there) and the sample data tree (copied there only when
// nobody cannot read the build's). Nothing else is given: a test whose part run as nobody
// reads the source tree's fixtures (SourceDir) must bring them into its work folder itself.
#pragma once

#include <filesystem>
#include <string>

namespace tvtest
{
// True in a copy started by RunCurrentTestAsNobody once it runs as the user nobody.
bool RunningAsNobody();

// Said by a copy when the part it was started for runs: the line on standard output that
// its parent requires, besides the test passing, to count the copy as passed.
void SayRunningAsNobody(const std::string& what);

struct NobodyRun
{
    enum class Outcome
    {
        Passed,    // the test passed, and the copy said the part run as nobody ran
        Failed,    // anything else that ran: output says what happened
        CannotRun, // no user nobody, or a part that cannot be made here (a skip): output says why
    };
    Outcome outcome = Outcome::CannotRun;
    std::string output;           // what the copy wrote on standard output and error
    std::filesystem::path folder; // the folder made for the copy, gone once it has ended
};

// Runs the test that is running now again, alone, in a copy of this program as the user
// nobody, and waits for it. Only root can start such a copy, and a copy never starts one.
NobodyRun RunCurrentTestAsNobody();

// For the program's entry. The folder made for the copy this program is; empty in any other
// program. The copy's work folder is its "work" folder.
std::filesystem::path NobodyCopyFolder();

// For the program's entry, in a copy (copyFolder: NobodyCopyFolder()): gives the copy what
// nobody needs and becomes that user. Answers 0 once done; otherwise the code the program
// ends with, with the reason in error: kCannotRunAsNobody when this machine cannot run a
// program as nobody, 2 when the copy goes wrong. sampleTree is set to the copy of the sample
// tree made for nobody, when one had to be made.
int BecomeNobody(const std::filesystem::path& copyFolder, std::filesystem::path& sampleTree, std::string& error);
constexpr int kCannotRunAsNobody = 77;
} // namespace tvtest

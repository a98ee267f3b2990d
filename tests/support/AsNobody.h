// Running a test as an unprivileged user. Root reads and writes files whatever their mode,
// so a test of files the game may not read, run as root (as CI does), runs that part in a
// copy of the test program that gives its work folder to the user nobody and becomes that
// user before it runs the test.
#pragma once

#include <filesystem>
#include <string>

namespace tvtest
{
// True in a copy started by RunCurrentTestAsNobody: it runs as the user nobody.
bool RunningAsNobody();

struct NobodyRun
{
    enum class Outcome
    {
        Passed,
        Failed,
        CannotRun, // no user nobody, or nobody cannot reach what the test needs: output says why
    };
    Outcome outcome = Outcome::CannotRun;
    std::string output; // what the copy wrote on standard output and error
};

// Runs the test that is running now again, alone, in a copy of this program as the user
// nobody, and waits for it. Only root can start such a copy.
NobodyRun RunCurrentTestAsNobody();

// For the program's entry: in a copy asked to run as nobody, gives the work folder to nobody
// and becomes that user. False, with the reason in error, when that cannot be done, or when
// nobody cannot read the sample data tree that the copy could see before; the copy then
// ends with kCannotRunAsNobody.
bool BecomeNobodyIfAsked(const std::filesystem::path& workFolder, std::string& error);
constexpr int kCannotRunAsNobody = 77;
} // namespace tvtest

// Stored files that are whole but cannot be read: an error injected where the game service
// opens its files for reading or looks them up (a failing disk, no permission), or files of
// mode 000, which only a user other than root is refused. Tests run every way through
// ForEachUnreadableWay, which runs the way of mode 000 as the user nobody when the tests run
// as root.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

#include "host/gameservice/GameService.h"
#include "support/AsNobody.h"

namespace tvtest
{
struct UnreadableWay
{
    static constexpr int kOpening = -1;

    const char* what;
    int injected;       // the error injected; 0: the files' modes say no
    int lookUp;         // kOpening: every opening for reading fails; 0: every look-up of a
                        // stored file; n: only the n-th look-up of each stored file
    const char* reason; // the system's words for it

    // Whoever looks a stored file up by its name does so first; reading a file opened looks
    // at that file. The statistics at start are read even when their name cannot be looked
    // up (something may be there), so that only the second failure stops them.
    bool FailsOnlyTheFirstLookUp() const { return injected != 0 && lookUp == 1; }
};

inline const std::vector<UnreadableWay>& UnreadableWays()
{
    static const std::vector<UnreadableWay> ways = {
        {"opening: an input/output error", EIO, UnreadableWay::kOpening, "Input/output error"},
        {"opening: no permission (injected)", EACCES, UnreadableWay::kOpening, "Permission denied"},
        {"files of mode 000", 0, UnreadableWay::kOpening, "Permission denied"},
        {"every look-up: an input/output error", EIO, 0, "Input/output error"},
        {"every look-up: no permission", EACCES, 0, "Permission denied"},
        {"the first look-up of each file: an input/output error", EIO, 1, "Input/output error"},
        {"the first look-up of each file: no permission", EACCES, 1, "Permission denied"},
        {"the second look-up of each file: an input/output error", EIO, 2, "Input/output error"},
        {"the second look-up of each file: no permission", EACCES, 2, "Permission denied"},
    };
    return ways;
}

// Makes the files unreadable that way while it lives, or until Undo.
class UnreadableFiles
{
public:
    UnreadableFiles(const UnreadableWay& way, std::vector<std::filesystem::path> files) : mFiles(std::move(files))
    {
        if (way.injected != 0)
        {
            mFiles.clear(); // their modes stay as they are
            if (way.lookUp == UnreadableWay::kOpening)
                GameServiceFailReadsWithErrorForTests(way.injected);
            else
                GameServiceFailLookupsWithErrorForTests(way.injected, way.lookUp);
            return;
        }
        for (const std::filesystem::path& file : mFiles)
            std::filesystem::permissions(file, std::filesystem::perms::none);
        if (!mFiles.empty() && ::access(mFiles.front().c_str(), R_OK) == 0)
        {
            mMade = false;
            Undo();
        }
    }
    ~UnreadableFiles() { Undo(); }
    UnreadableFiles(const UnreadableFiles&) = delete;
    UnreadableFiles& operator=(const UnreadableFiles&) = delete;

    // False where the way cannot be made (a user whom file modes do not stop); the files
    // are then as they were.
    bool Made() const { return mMade; }

    void Undo()
    {
        GameServiceFailReadsWithErrorForTests(0);
        GameServiceFailLookupsWithErrorForTests(0);
        using std::filesystem::perms;
        for (const std::filesystem::path& file : mFiles)
        {
            std::error_code ec; // a file removed meanwhile has no mode to give back
            std::filesystem::permissions(file, perms::owner_read | perms::owner_write, ec);
        }
        mFiles.clear();
    }

private:
    std::vector<std::filesystem::path> mFiles;
    bool mMade = true;
};

namespace unreadable_detail
{
inline void Skip(const std::string& why) { GTEST_SKIP() << why; }
} // namespace unreadable_detail

// Runs body once for each way, within a trace that names it. Root reads files of mode 000
// all the same: when the tests run as root, that way runs in a copy of the test program as
// the user nobody (which runs this test again, that way alone, and says so), and its
// failures are reported here. A way that cannot be tried is reported as a skip, never passed
// over in silence; body reports one it finds it cannot make (UnreadableFiles::Made) the same
// way.
inline void ForEachUnreadableWay(const std::function<void(const UnreadableWay&)>& body)
{
    for (const UnreadableWay& way : UnreadableWays())
    {
        const bool byMode = way.injected == 0;
        if (RunningAsNobody() && !byMode)
            continue; // the copy runs only the way its parent could not
        SCOPED_TRACE(way.what);
        if (byMode && ::geteuid() == 0)
        {
            const NobodyRun run = RunCurrentTestAsNobody();
            if (run.outcome == NobodyRun::Outcome::Failed)
                ADD_FAILURE() << "run as the user nobody, it failed:\n" << run.output;
            else if (run.outcome == NobodyRun::Outcome::CannotRun)
                unreadable_detail::Skip(std::string(way.what) + " could not be tried as the user nobody:\n" +
                                        run.output);
            continue;
        }
        if (RunningAsNobody())
            SayRunningAsNobody(way.what);
        body(way);
    }
}
} // namespace tvtest

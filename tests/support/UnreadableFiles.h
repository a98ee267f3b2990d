// Stored files that are whole but cannot be read: an error injected where the game service
// opens its files for reading (a failing disk, no permission), or files of mode 000, which
// only a user other than root is refused.
#pragma once

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

#include "host/gameservice/GameService.h"

namespace tvtest
{
struct UnreadableWay
{
    const char* what;
    int injected;       // the error of every opening for reading; 0: the files' modes say no
    const char* reason; // the system's words for it
};

inline const std::vector<UnreadableWay>& UnreadableWays()
{
    static const std::vector<UnreadableWay> ways = {
        {"an input/output error", EIO, "Input/output error"},
        {"no permission (injected)", EACCES, "Permission denied"},
        {"files of mode 000", 0, "Permission denied"},
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
            GameServiceFailReadsWithErrorForTests(way.injected);
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

    // False where the way cannot be made (root reads files of mode 000 all the same); the
    // files are then as they were.
    bool Made() const { return mMade; }

    void Undo()
    {
        GameServiceFailReadsWithErrorForTests(0);
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
} // namespace tvtest

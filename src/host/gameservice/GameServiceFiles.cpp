#include "host/gameservice/GameServiceFiles.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio> // renameat2
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
constexpr const char* kStatsHeader = "GameServiceStats 1";
constexpr const char* kTempMarker = ".gstmp";

const std::vector<GameServiceAchievementDef> kAchievements = {
    {"ACH_PERFECT_CREDITS", "Take a Bow", "Finish the credits level perfectly."},
    {"ACH_COMPLETE_BONUS", "Complete Bonus", "Complete the Bonus levels."},
    {"ACH_PERFECT_BONUS", "Perfect Bonus", "Finish every Bonus level perfectly."},
    {"ACH_CHALLENGE_COMPLETE", "Challenge Complete", "Complete every Challenge level."},
    {"ACH_PERFECT_CHALLENGE", "Perfect Challenge", "Finish every Challenge level perfectly."},
    {"ACH_SURVIVAL_30", "Survival Guide", "Collect 30 sugar in a Survival level."},
    {"ACH_SURVIVAL_OF_THE_FITTEST", "Survival of the Fittest", "Collect 30 sugar in every Survival level."},
    {"ACH_COMPLETE_ALL_LEVELS", "Living the Dream", "Complete the Story."},
    {"ACH_10_PERFECT", "Perfect Ten", "Finish 10 Story levels perfectly."},
    {"ACH_20_PERFECT", "Twenty's Plenty", "Finish 20 Story levels perfectly."},
    {"ACH_30_PERFECT", "Thirty-Something", "Finish 30 Story levels perfectly."},
    {"ACH_ALL_PERFECT", "Perfectionist", "Finish every Story level perfectly."},
    {"ACH_ALL_STICKERS", "All Stickers", "Find every sticker in the Story."},
    {"ACH_ALL_SUGAR", "Pretty Sweet", "Collect all the sugar in every Story level."},
    {"ACH_ONE_LUMP_OR_TWO", "One Lump, or Two?", ""},
    {"ACH_DONT_LOOK_BACK", "Don't Look Back", ""},
    {"ACH_DONT_JUMP", "Don't Jump", ""},
    {"ACH_BREAKOUT", "Breakout!", ""},
    {"ACH_BLACK_TEA", "Black Tea", ""},
};

const std::vector<GameServiceLeaderboardDef> kBoards = {
    {"Time taken to complete all of the Challenge levels", true},
    {"Time taken to complete all of the Story levels", true},
    {"Time taken to complete all of the Bonus levels", true},
    {"Survival Level 1 score", false},
    {"Survival Level 2 score", false},
    {"Survival Level 3 score", false},
    {"Survival Level 4 score", false},
    {"Survival Level 5 score", false},
};

// A decimal integer, optionally negative, with nothing else.
bool ParseInt(const std::string& text, long long minValue, long long maxValue, long long& out)
{
    if (text.empty() || text.size() > 12)
        return false;
    size_t i = 0;
    bool negative = false;
    if (text[0] == '-')
    {
        negative = true;
        i = 1;
        if (text.size() == 1)
            return false;
    }
    long long value = 0;
    for (; i < text.size(); ++i)
    {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    if (negative)
        value = -value;
    if (value < minValue || value > maxValue)
        return false;
    out = value;
    return true;
}


std::string BaseOf(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteAll(int fd, const uint8_t* bytes, size_t size)
{
    while (size > 0)
    {
        ssize_t n = ::write(fd, bytes, size);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}
} // namespace

const std::vector<GameServiceAchievementDef>& GameServiceAchievementTable() { return kAchievements; }
const std::vector<GameServiceLeaderboardDef>& GameServiceLeaderboardTable() { return kBoards; }

int GameServiceFindAchievement(const std::string& apiName)
{
    for (size_t i = 0; i < kAchievements.size(); ++i)
        if (apiName == kAchievements[i].apiName)
            return static_cast<int>(i);
    return -1;
}

int GameServiceFindBoard(const std::string& name)
{
    for (size_t i = 0; i < kBoards.size(); ++i)
        if (name == kBoards[i].name)
            return static_cast<int>(i);
    return -1;
}

bool ParseGameServiceStats(const uint8_t* data, size_t size, GameServiceStats& stats)
{
    stats = GameServiceStats();
    GameServiceStats parsed;
    size_t pos = 0;
    bool first = true;
    while (pos < size)
    {
        const void* nl = std::memchr(data + pos, '\n', size - pos);
        if (nl == nullptr)
            return false; // a truncated last line
        size_t end = static_cast<size_t>(static_cast<const uint8_t*>(nl) - data);
        std::string line(reinterpret_cast<const char*>(data + pos), end - pos);
        pos = end + 1;
        if (line.find('\0') != std::string::npos)
            return false;
        if (first)
        {
            if (line != kStatsHeader)
                return false;
            first = false;
            continue;
        }
        if (line.rfind("achievement ", 0) == 0)
        {
            std::string name = line.substr(12);
            if (name.empty() || name.size() > 127)
                return false;
            if (GameServiceFindAchievement(name) >= 0)
                parsed.achievements.insert(name);
            continue;
        }
        if (line.rfind("score ", 0) == 0)
        {
            std::string rest = line.substr(6);
            size_t space = rest.find(' ');
            if (space == std::string::npos)
                return false;
            long long board = 0;
            long long score = 0;
            if (!ParseInt(rest.substr(0, space), 0, 1000, board) ||
                !ParseInt(rest.substr(space + 1), INT32_MIN, INT32_MAX, score))
                return false;
            if (board < static_cast<long long>(kBoards.size()))
                parsed.scores[static_cast<int>(board)] = static_cast<int32_t>(score);
            continue;
        }
        return false;
    }
    if (first)
        return false; // empty file: not even the header
    stats = std::move(parsed);
    return true;
}

std::string SerialiseGameServiceStats(const GameServiceStats& stats)
{
    std::string out = std::string(kStatsHeader) + "\n";
    for (const std::string& name : stats.achievements)
        out += "achievement " + name + "\n";
    for (const auto& [board, score] : stats.scores)
        out += "score " + std::to_string(board) + " " + std::to_string(score) + "\n";
    return out;
}

namespace
{
// Undoes a step that failed without losing the reason of the failure.
template <class Cleanup> void CleanUpKeepingErrno(Cleanup cleanup)
{
    const int error = errno;
    cleanup();
    errno = error;
}

// Writes the bytes to a fresh temporary file beside the path, flushed and synced; answers
// its name, or "" (and nothing left behind) on failure.
std::string WriteTemporaryBeside(const std::string& path, const void* data, size_t size,
                                 const std::function<void()>& midWrite)
{
    static unsigned counter = 0;
    const std::string temp = FolderOfFile(path) + "/." + BaseOf(path) + kTempMarker + std::to_string(::getpid()) + "_" +
                             std::to_string(++counter);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return std::string();
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    size_t half = size / 2;
    bool ok = WriteAll(fd, bytes, half);
    if (ok && midWrite)
        midWrite();
    ok = ok && WriteAll(fd, bytes + half, size - half);
    ok = ok && ::fsync(fd) == 0;
    if (!ok)
        CleanUpKeepingErrno([fd] { ::close(fd); });
    else
        ok = ::close(fd) == 0;
    if (!ok)
    {
        CleanUpKeepingErrno([&temp] { ::unlink(temp.c_str()); });
        return std::string();
    }
    return temp;
}

// Makes a rename or link in the folder durable.
void SyncFolder(const std::string& folder)
{
    int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0)
    {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

// The names a file is kept under when it is set aside, for i = 1, 2, ...: "<path>.bad",
// "<path>.bad2", ...
constexpr int kAsideNames = 1000;
std::string AsideName(const std::string& path, int i)
{
    return path + ".bad" + (i == 1 ? std::string() : std::to_string(i));
}

// Gives from the name to, failing with EEXIST when to exists: never replaces anything.
bool MoveWithoutReplacing(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return false;
    // A file system without the no-replace rename: a hard link never replaces a name
    // either. Should the old name then stay, the file is still kept under the new one.
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    ::unlink(from.c_str());
    return true;
}

// Moves from to the first free name of path's aside series; answers that name or "".
std::string MoveIntoAsideSeries(const std::string& from, const std::string& path, const AsideTryHook& beforeEachTry)
{
    for (int i = 1; i < kAsideNames; ++i)
    {
        const std::string target = AsideName(path, i);
        if (beforeEachTry)
            beforeEachTry(target);
        if (MoveWithoutReplacing(from, target))
        {
            SyncFolder(FolderOfFile(path));
            return target;
        }
        if (errno != EEXIST)
            return std::string();
    }
    errno = EEXIST; // every name is taken
    return std::string();
}
} // namespace

std::string FolderOfFile(const std::string& path)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

bool FollowLinks(const std::string& path, std::string& target)
{
    // As many links as the system itself follows in one path.
    constexpr int kMostLinks = 40;
    std::string at = path;
    for (int hop = 0; hop <= kMostLinks; ++hop)
    {
        struct stat st{};
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        {
            // Nothing at all, or no link: this is where the file is (or goes). A name that
            // cannot be looked at is left for the step that uses it to fail on. The folder
            // of a file a link leads to is named as the system finds it ("a/../b" as "b"),
            // or as it reads when there is no such folder.
            target = at;
            if (at == path)
                return true;
            if (char* folder = ::realpath(FolderOfFile(at).c_str(), nullptr))
            {
                target = std::string(folder) + (std::strcmp(folder, "/") == 0 ? "" : "/") + BaseOf(at);
                std::free(folder);
            }
            else
                target = std::filesystem::path(at).lexically_normal().string();
            return true;
        }
        std::string text(static_cast<size_t>(st.st_size > 0 ? st.st_size : 0) + 256, '\0');
        const ssize_t n = ::readlink(at.c_str(), text.data(), text.size());
        if (n < 0)
            return false;
        if (static_cast<size_t>(n) >= text.size() || n == 0)
        {
            errno = n == 0 ? ENOENT : ENAMETOOLONG; // changed while read, or leads nowhere
            return false;
        }
        text.resize(static_cast<size_t>(n));
        at = text[0] == '/' ? text : FolderOfFile(at) + "/" + text;
    }
    errno = ELOOP;
    return false;
}

bool WriteFileAtomically(const std::string& path, const void* data, size_t size,
                         const std::function<void()>& midWrite)
{
    std::string target;
    if (!FollowLinks(path, target))
        return false;
    const std::string temp = WriteTemporaryBeside(target, data, size, midWrite);
    if (temp.empty())
        return false;
    if (::rename(temp.c_str(), target.c_str()) != 0)
    {
        CleanUpKeepingErrno([&temp] { ::unlink(temp.c_str()); });
        return false;
    }
    SyncFolder(FolderOfFile(target));
    return true;
}

std::string WriteFileAside(const std::string& path, const void* data, size_t size, const AsideTryHook& beforeEachTry)
{
    std::string target;
    if (!FollowLinks(path, target))
        return std::string();
    const std::string temp = WriteTemporaryBeside(target, data, size, {});
    if (temp.empty())
        return std::string();
    const std::string kept = MoveIntoAsideSeries(temp, target, beforeEachTry);
    if (kept.empty())
        CleanUpKeepingErrno([&temp] { ::unlink(temp.c_str()); });
    return kept;
}

ssize_t ReadUpTo(int fd, void* buffer, size_t size)
{
    uint8_t* bytes = static_cast<uint8_t*>(buffer);
    size_t got = 0;
    while (got < size)
    {
        const ssize_t n = ::read(fd, bytes + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break; // the file ends here
        got += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

WholeFileRead ReadWholeOpenFile(int fd, std::vector<uint8_t>& out, size_t maxSize, struct stat* looked,
                                const WholeFileReadFaults& faults)
{
    out.clear();
    struct stat st{};
    if (faults.look != 0)
    {
        errno = faults.look;
        return WholeFileRead::Failed;
    }
    if (::fstat(fd, &st) != 0)
        return WholeFileRead::Failed;
    if (looked != nullptr)
        *looked = st;
    if (!S_ISREG(st.st_mode))
        return WholeFileRead::NotAFile;
    // The size is only a first guess: the file is read to its end, which is what it holds
    // even when it changed since.
    if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > maxSize)
        return WholeFileRead::TooLarge;
    out.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    for (bool first = true;; first = false)
    {
        if (got == out.size())
        {
            // One byte past maxSize is enough to tell that the file is too large.
            if (out.size() > maxSize)
                break;
            out.resize(std::min(maxSize + 1, std::max<size_t>(out.size() * 2, 4096)));
        }
        const size_t want = out.size() - got;
        ssize_t n = -1;
        if (faults.partWay == 0)
            n = ReadUpTo(fd, out.data() + got, want);
        else if (first)
            n = ReadUpTo(fd, out.data() + got, std::max<size_t>(1, want / 2));
        else
            errno = faults.partWay;
        if (n < 0)
        {
            CleanUpKeepingErrno([&out] { out.clear(); });
            return WholeFileRead::Failed;
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    if (got > maxSize)
    {
        out.clear();
        return WholeFileRead::TooLarge;
    }
    out.resize(got);
    return WholeFileRead::Read;
}

std::string SetFileAside(const std::string& path, const AsideTryHook& beforeEachTry)
{
    std::string target;
    return FollowLinks(path, target) ? MoveIntoAsideSeries(target, target, beforeEachTry) : std::string();
}

void RemoveStaleTemporaryFiles(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    std::vector<std::string> stale;
    while (dirent* entry = ::readdir(dir))
    {
        std::string name = entry->d_name;
        if (name.size() < 2 || name[0] != '.')
            continue;
        size_t marker = name.rfind(kTempMarker);
        if (marker == std::string::npos || marker == 0)
            continue;
        std::string tail = name.substr(marker + std::strlen(kTempMarker));
        if (tail.empty() || tail.find_first_not_of("0123456789_") != std::string::npos)
            continue;
        stale.push_back(folder + "/" + name);
    }
    ::closedir(dir);
    for (const std::string& path : stale)
        ::unlink(path.c_str());
}

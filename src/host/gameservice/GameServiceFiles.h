// The game service's files: the statistics file format and the atomic file writer.
//
// The statistics file is text:
//
//     GameServiceStats 1
//     achievement <api name>
//     score <board index> <score>
//
// one record a line, every line ending in a line feed. Anything else (a missing or
// different first line, an unknown record, a number out of range, a truncated last line)
// makes the whole file damaged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

constexpr const char* kGameServiceStatsFile = "GameService.stats";
// Stored files above this size are not read whole (the save file is a few kilobytes).
constexpr int32_t kGameServiceMaxFileSize = 16 * 1024 * 1024;

struct GameServiceStats
{
    std::set<std::string> achievements;   // unlocked API names
    std::map<int, int32_t> scores;        // board index -> the user's stored score
};

// Parses the statistics file from memory. Answers false for a damaged file (stats is
// then left empty). Achievement names and board indices the service does not know are
// dropped.
bool ParseGameServiceStats(const uint8_t* data, size_t size, GameServiceStats& stats);
std::string SerialiseGameServiceStats(const GameServiceStats& stats);

// The service's fixed tables.
struct GameServiceAchievementDef
{
    const char* apiName;
    const char* name;
    const char* description;
};
struct GameServiceLeaderboardDef
{
    const char* name;
    bool lowerIsBetter;
};
const std::vector<GameServiceAchievementDef>& GameServiceAchievementTable();
const std::vector<GameServiceLeaderboardDef>& GameServiceLeaderboardTable();
int GameServiceFindAchievement(const std::string& apiName);   // -1 when unknown
int GameServiceFindBoard(const std::string& name);            // -1 when unknown

// The file helpers below answer failure with errno telling why.
//
// A link under a path is the user's (a save kept in a synced folder, say): the helpers that
// write, copy or move a file act on the file the link leads to, beside it, and the link
// stays. FollowLinks gives that file: the path itself when it holds no link (or nothing at
// all), else the end of its links, which need not exist. False (ELOOP, or the error of
// reading a link) when the links cannot be followed.
bool FollowLinks(const std::string& path, std::string& target);
// The folder a file's path names it in: "." for a bare name, "/" for one at the root.
std::string FolderOfFile(const std::string& path);
// Writes a whole file atomically: a temporary file beside it, written, flushed and
// synced, then renamed over the target. False (and the target unchanged) on any failure.
// midWrite, when set, runs once half the bytes have been written.
bool WriteFileAtomically(const std::string& path, const void* data, size_t size,
                         const std::function<void()>& midWrite = {});
// Reads from fd until size bytes are read or the file ends, going on after interruptions;
// the bytes read, or -1 with errno set.
ssize_t ReadUpTo(int fd, void* buffer, size_t size);
// What reading an open file whole came to.
enum class WholeFileRead
{
    Read,     // out holds the file, up to where it ends
    NotAFile, // the file opened is no plain file (its own mode says so; looked holds it)
    TooLarge, // it holds more than the most asked for
    Failed,   // looking at it or reading it failed, whatever the error (errno): the file
              // itself may be fine, it could not be read this time
};
// Faults a test can make ReadWholeOpenFile meet: the look at the file opened fails with
// look; partWay makes the first read deliver only part of what it asks for and the next one
// fail with that error.
struct WholeFileReadFaults
{
    int look = 0;
    int partWay = 0;
};
// Reads the whole of an open file of at most maxSize bytes, up to where it ends. What the
// file is and holds is taken from the file itself (its mode and size), never from a look-up
// by name, and nothing but its mode makes it "not a file".
WholeFileRead ReadWholeOpenFile(int fd, std::vector<uint8_t>& out, size_t maxSize, struct stat* looked = nullptr,
                                const WholeFileReadFaults& faults = {});
// Files that cannot be used are kept under the first free name of the series "<path>.bad",
// "<path>.bad2", ... (where path holds a link: beside the file it leads to) Each name is taken by a step that fails when the name exists (a
// rename that refuses to replace, or a hard link), so a file kept earlier is never
// replaced, even when another writer takes a name between two tries. beforeEachTry, when
// set, runs with each name just before it is tried.
using AsideTryHook = std::function<void(const std::string& name)>;
// Moves the file (or folder) at path to that series; answers the new path or "".
std::string SetFileAside(const std::string& path, const AsideTryHook& beforeEachTry = {});
// Writes the bytes, synced, under a name of that series; the file at path is not touched.
// Answers the new path or "".
std::string WriteFileAside(const std::string& path, const void* data, size_t size,
                           const AsideTryHook& beforeEachTry = {});
// Removes the temporary files an interrupted atomic write left in a folder.
void RemoveStaleTemporaryFiles(const std::string& folder);

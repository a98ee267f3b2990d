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
// Writes a whole file atomically: a temporary file beside it, written, flushed and
// synced, then renamed over the target. False (and the target unchanged) on any failure.
// midWrite, when set, runs once half the bytes have been written.
bool WriteFileAtomically(const std::string& path, const void* data, size_t size,
                         const std::function<void()>& midWrite = {});
// Reads from fd until size bytes are read or the file ends, going on after interruptions;
// the bytes read, or -1 with errno set.
ssize_t ReadUpTo(int fd, void* buffer, size_t size);
// Reads the whole of an open file of at most maxSize bytes, up to where it ends; what it
// holds is taken from the file itself, never from a look-up by name. False when it cannot be
// read whole: errno is then EISDIR or EINVAL when fd holds no plain file, EFBIG when the file
// holds more than maxSize bytes, and otherwise the error of looking at or reading it (the
// file itself may be fine: it could not be read this time).
bool ReadWholeOpenFile(int fd, std::vector<uint8_t>& out, size_t maxSize);
// Files that cannot be used are kept under the first free name of the series "<path>.bad",
// "<path>.bad2", ... Each name is taken by a step that fails when the name exists (a
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

// The game service: the user's persona, achievements, leaderboards and the save file's
// remote storage, as the game calls them.
//
// This is a local stand-in for the online service. Everything it holds lives in files in
// one folder (the game's save folder): achievements and leaderboard scores in
// "GameService.stats", remote-storage files under their own names. Every file is written
// atomically (a temporary file, flushed, then renamed over the old one), so a crash in
// the middle of a write leaves the previous file whole.
//
// Asynchronous results (statistics received and stored, an achievement stored, a
// leaderboard found, the overlay opening) are queued and delivered only from
// GameServiceRunCallbacks(), to the callbacks registered for their id. A call result is
// delivered only to the handler that follows that call.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// --- Callback ids ------------------------------------------------------------------------

constexpr int kGameOverlayActivatedId = 331;
constexpr int kUserStatsReceivedId = 1101;
constexpr int kUserStatsStoredId = 1102;
constexpr int kUserAchievementStoredId = 1103;
constexpr int kLeaderboardFindResultId = 1104;
constexpr int kLeaderboardScoreUploadedId = 1106;

// Result codes carried by the callbacks.
constexpr int kGameServiceResultOK = 1;
constexpr int kGameServiceResultFail = 2;
constexpr int kGameServiceResultIOFailure = 5;

// The application id the service reports (the low 32 bits of the game id).
constexpr uint32_t kGameServiceAppId = 70010;

struct GameServiceUserStatsReceived
{
    uint64_t gameId = 0;
    int result = 0;
};

struct GameServiceUserStatsStored
{
    uint64_t gameId = 0;
    int result = 0;
};

struct GameServiceAchievementStored
{
    uint64_t gameId = 0;
    std::string achievementName;
};

struct GameServiceLeaderboardFindResult
{
    uint64_t leaderboard = 0; // 0 when not found
    bool found = false;
};

struct GameServiceLeaderboardScoreUploaded
{
    bool success = false;
    uint64_t leaderboard = 0;
    int32_t score = 0;
    bool scoreChanged = false;
};

struct GameServiceOverlayActivated
{
    bool active = false;
};

// The handle of an asynchronous call; 0 is no call.
using GameServiceApiCall = uint64_t;

// A callback receives a pointer to the structure of its id.
using GameServiceCallback = std::function<void(const void* data)>;
// A call result receives the structure and whether the call failed in transport.
using GameServiceCallResultHandler = std::function<void(const void* data, bool ioFailure)>;

// --- Start and stop ------------------------------------------------------------------------

// Starts the service with its files in the given folder (created if missing). Answers
// false when the service cannot run (the folder cannot be made or entered); the game then
// runs without it. A folder that cannot be written is still used: its files are read, the
// reason is reported on stderr, and every write is still tried. Leftover temporary files
// of an interrupted write are removed; a damaged statistics file is set aside and replaced
// by an empty one (it is never written over while it cannot be set aside). A statistics
// file that cannot be looked up or read (no permission, a failing disk) is not damaged: it
// stays where it is, the statistics start empty, and every store that would write over it
// is refused and said on stderr (GameServiceStatsUnread tells the game, to tell the player).
bool GameServiceInit(const std::string& folder);
void GameServiceShutdown();
bool GameServiceIsRunning();
// What the last start of the service found wrong in its folder, for the game to tell the
// player: each field is empty when all was well. The findings stay until the service is
// started or shut down again.
struct GameServiceStartFindings
{
    std::string folder;           // the folder the start was given
    std::string folderUnusable;   // why it cannot be used at all (the service is then off)
    std::string folderUnwritable; // why it cannot be written: what it holds is read, nothing new is kept
    std::string statsFile;        // the statistics file's path
    std::string statsUnread;      // why it could not be read: left as it is, nothing stored over it
    std::string statsDamage;      // what is wrong with it (it was not used, and is set aside)
    std::string statsKeptAs;      // where the damaged file is kept, once it is
    std::string statsNotKept;     // why it could not be set aside: nothing is stored over it until it is
    // A link under the statistics file's name that leads into another folder, which cannot be
    // written: that folder, and why. The statistics were read, but none can be stored.
    std::string statsLinkFolder;
    std::string statsLinkWhy;
};
const GameServiceStartFindings& GameServiceFoundAtStart();
// Whether the statistics file could not be read at start, so that this run starts without
// the achievements and scores it holds and stores none over it; path and why (the system's
// words) say which file and why.
bool GameServiceStatsUnread(std::string* path = nullptr, std::string* why = nullptr);
const std::string& GameServiceFolder();

// Delivers every result queued before the call, each to its callbacks.
void GameServiceRunCallbacks();

// Registers a callback for an id; answers a registration handle (never 0).
int GameServiceRegisterCallback(int callbackId, GameServiceCallback callback);
void GameServiceUnregisterCallback(int handle);
// Follows one call: its result is handed to the handler when the callbacks run, once.
// Answers a handle (never 0) for GameServiceCancelCallResult.
int GameServiceFollowCall(GameServiceApiCall call, GameServiceCallResultHandler handler);
void GameServiceCancelCallResult(int handle);

// --- User --------------------------------------------------------------------------------

uint32_t GameServiceGetAppId();
bool GameServiceLoggedOn();
// The user's name on this machine.
std::string GameServiceGetPersonaName();

// --- Statistics and achievements -----------------------------------------------------------

// Asks for the user's statistics; a kUserStatsReceivedId result follows.
bool GameServiceRequestCurrentStats();
bool GameServiceGetAchievement(const std::string& name, bool* achieved);
// Marks an achievement unlocked in memory (StoreStats makes it permanent). False for an
// unknown name.
bool GameServiceSetAchievement(const std::string& name);
bool GameServiceClearAchievement(const std::string& name);
// "name" or "desc" of an achievement; empty for unknown names or keys.
std::string GameServiceGetAchievementDisplayAttribute(const std::string& name, const std::string& key);
// Writes the statistics. A kUserStatsStoredId result follows (with the failure code when
// the write failed), and a kUserAchievementStoredId result for each achievement unlocked
// since the last store. Answers whether the write succeeded.
bool GameServiceStoreStats();

// --- Leaderboards ----------------------------------------------------------------------------

enum class LeaderboardUploadMethod
{
    KeepBest = 1,
    ForceUpdate = 2,
};

// Starts a search; its kLeaderboardFindResultId result follows. Answers 0 when the
// service is not running.
GameServiceApiCall GameServiceFindLeaderboard(const std::string& name);
// The name of a found board ("" for an unknown handle).
std::string GameServiceGetLeaderboardName(uint64_t leaderboard);
// Uploads a score. With KeepBest a score that is not better than the stored one (lower
// times, higher survival scores) is not kept. The stored score is written at once.
// Answers the call (followable for a kLeaderboardScoreUploadedId result), 0 on failure.
GameServiceApiCall GameServiceUploadLeaderboardScore(uint64_t leaderboard, LeaderboardUploadMethod method,
                                                     int32_t score, const int32_t* details, int detailCount);
// The user's stored score on a board; false when there is none.
bool GameServiceGetLeaderboardScore(const std::string& boardName, int32_t* score);

// --- Remote storage ----------------------------------------------------------------------------
// A name is reduced to its last path component, so that the save file's full path and its
// bare name address the same stored file. The calls that change stored files take an
// optional why, which receives the reason of a failure in words.

// A link under a stored file's name is the player's and stays: reads and writes go through it
// to the file it leads to (a write replaces that file atomically, beside it), and a link
// that leads to no file is a file that cannot be read, never a missing one.
//
// Only "no such file" means that nothing is stored under a name: any other failure to look
// a file up or read it is said as such (why receives the system's words), never taken for
// a missing or an empty file.
bool GameServiceFileExists(const std::string& name);
// The size in bytes; 0 for a missing file, -1 when the file cannot be looked up.
int32_t GameServiceGetFileSize(const std::string& name, std::string* why = nullptr);
// Reads up to size bytes; answers the bytes really read (fewer when the file ends
// sooner), or -1 when the file could not be opened or read (a missing file too), with the
// reason in why.
int32_t GameServiceFileRead(const std::string& name, void* buffer, int32_t size, std::string* why = nullptr);
// What reading a stored file whole came to.
enum class GameServiceReadResult
{
    Read,     // out holds the whole file
    Missing,  // nothing is stored under the name
    NotAFile, // the file opened is no plain file; why says what it is ("is a folder, not a file")
    TooLarge, // the file holds more than the most asked for
    Failed,   // the file could not be opened, looked at or read, whatever the error; why says why
};
// Reads a stored file whole, at most maxSize bytes: what it is and its size come from the
// file opened, not from a second look-up by name, and it is read to its end. A link under
// the name is read through; one that leads to no file is Failed, not Missing.
GameServiceReadResult GameServiceFileReadWhole(const std::string& name, std::vector<uint8_t>& out, int32_t maxSize,
                                               std::string* why = nullptr);
// Replaces the file atomically; false when it could not be written (the old file is
// then unchanged).
bool GameServiceFileWrite(const std::string& name, const void* data, int32_t size, std::string* why = nullptr);
bool GameServiceFileDelete(const std::string& name);
// What holds a stored file's name in the folder. The stand-in keeps its files in a real
// folder, where something other than a file (a folder, say) may hold the name.
enum class GameServiceEntry
{
    None,   // no such file
    File,
    Folder,
    Other,
    Unknown, // the name could not be looked up (why says why): something may be there
};
GameServiceEntry GameServiceEntryAt(const std::string& name, std::string* why = nullptr);
// Where a link under a stored file's name leads its writes out of the service's folder into a
// folder that cannot be written now: that folder, with why in words. Empty when the name holds
// no such link (the service's own folder is told at start: GameServiceStartFindings).
std::string GameServiceUnwritableLinkFolder(const std::string& name, std::string* why = nullptr);
// Moves a file (or whatever holds the name) that cannot be used out of the way
// ("<name>.bad", "<name>.bad2", ...) so that it is kept for inspection and never
// overwritten; the move never replaces an earlier one. Answers the new name (its whole path
// when it lies outside the service's folder, beside the file a link leads to), or "" when it
// could not be moved.
std::string GameServiceFileSetAside(const std::string& name, std::string* why = nullptr);
// Keeps a copy of bytes read from a file beside it, under the first free name of the same
// series ("<name>.bad", "<name>.bad2", ...), never replacing a file; the file itself stays.
// Answers the copy's name (as GameServiceFileSetAside does), or "" when it could not be
// written.
std::string GameServiceFileKeepCopy(const std::string& name, const void* data, int32_t size,
                                    std::string* why = nullptr);

// --- Overlay -----------------------------------------------------------------------------------

// Queues an overlay opening or closing (the stand-in has no overlay of its own).
void GameServiceSimulateOverlay(bool active);

// --- Test controls -----------------------------------------------------------------------------

// The next GameServiceInit fails.
void GameServiceFailNextInitForTests(bool fail);
// Every change to the folder (writes, copies, moves, and the check at start that the
// folder can be written) fails with this error number, as on a full disk (ENOSPC) or a
// read-only folder (EROFS), until 0 is given. This holds for root too, whom file modes do
// not stop.
void GameServiceFailWritesWithErrorForTests(int error);
// The same with an input/output error, or cleared.
void GameServiceFailWritesForTests(bool fail);
// Where reading a stored file fails, for GameServiceFailReadsWithErrorForTests.
enum class GameServiceReadStep
{
    Open,    // opening it (also for the remote-storage read into a buffer)
    Look,    // looking at the file opened (its mode and size)
    PartWay, // reading it, after part of it has been read
};
// Every reading of a stored file (the save's and the statistics file's) fails at that step
// with this error number, as for a file the game may not read (EACCES), on a failing disk
// (EIO) or with an error a file system gives for its own reasons (EINVAL), until 0 is given.
// This holds for root too.
void GameServiceFailReadsWithErrorForTests(int error, GameServiceReadStep step = GameServiceReadStep::Open);
// Called with a stored file's path each time it has been opened for reading, before it is
// looked at (tests change what holds the name then).
void GameServiceSetOpenedHookForTests(std::function<void(const std::string& path)> hook);
// Every look-up of a stored file (by its name, or of the file opened for reading) fails with
// this error number, as it would on a failing disk (EIO) or without permission (EACCES):
// only the which-th look-up of each file from this call on (1 the first) or, for 0, every
// one; until the error 0 is given. This holds for root too.
void GameServiceFailLookupsWithErrorForTests(int error, int which = 0);
// Called during an atomic write once half the bytes have reached the temporary file.
void GameServiceSetMidWriteHookForTests(std::function<void()> hook);

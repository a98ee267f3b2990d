#include "host/gameservice/GameService.h"

#include "KelpoBase/core/Debug.h"
#include "KelpoBase/core/TextUtil.h"
#include "host/gameservice/GameServiceFiles.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <map>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
// One queued result: for a registered callback id (call 0) or for one followed call.
struct PendingResult
{
    int callbackId = 0;
    GameServiceApiCall call = 0;
    bool ioFailure = false;
    std::shared_ptr<void> data;
};

struct CallbackEntry
{
    int callbackId = 0;
    GameServiceCallback callback;
};

struct CallResultEntry
{
    GameServiceApiCall call = 0;
    GameServiceCallResultHandler handler;
};

struct ServiceState
{
    bool running = false;
    std::string folder;
    GameServiceStats stats;
    std::set<std::string> unlockedSinceStore;
    std::deque<PendingResult> pending;
    std::map<int, CallbackEntry> callbacks;
    std::map<int, CallResultEntry> callResults;
    int nextHandle = 1;
    GameServiceApiCall nextCall = 1;

    // The statistics file read at start was damaged and is not yet set aside: it is never
    // written over until it is.
    bool statsUnkept = false;
    // The statistics file could not be read at start (found.statsUnread says why): what it
    // holds is not known, so it is never written over while it is there.
    bool statsUnread = false;

    GameServiceStartFindings found;

    bool failNextInit = false;
    int writeError = 0; // every change to the folder fails with it (tests)
    int readError = 0;  // every reading of a stored file fails with it (tests)...
    GameServiceReadStep readStep = GameServiceReadStep::Open; // ...at this step
    std::function<void(const std::string&)> openedHook;
    int lookupError = 0; // look-ups of stored files fail with it (tests)...
    int lookupWhich = 0; // ...only the which-th of each file since it was set, or every one for 0
    std::map<std::string, int> lookupsOf;
    std::function<void()> midWriteHook;
};

ServiceState& G()
{
    static ServiceState state;
    return state;
}

template <class T> void Queue(int callbackId, GameServiceApiCall call, T payload, bool ioFailure = false)
{
    PendingResult r;
    r.callbackId = callbackId;
    r.call = call;
    r.ioFailure = ioFailure;
    r.data = std::make_shared<T>(std::move(payload));
    G().pending.push_back(std::move(r));
}

uint64_t GameId() { return static_cast<uint64_t>(kGameServiceAppId); }

std::string StatsPath() { return G().folder + "/" + kGameServiceStatsFile; }

// Every change to the folder passes here first, so that tests can make changes fail as a
// full disk or a read-only folder would; false with errno set.
bool ChangesAllowed()
{
    if (G().writeError == 0)
        return true;
    errno = G().writeError;
    return false;
}

// The reason of the failure that errno holds, for the caller that asked for it.
void Explain(std::string* why)
{
    if (why != nullptr)
        *why = std::strerror(errno);
}

// Opens a stored file for reading; -1 with errno set. Tests can make every opening fail as a
// file the game may not read or a failing disk would. It never blocks: a pipe put under the
// name must not hang the game (what is opened is then no file).
int OpenForReading(const std::string& path)
{
    const ServiceState& g = G();
    if (g.readError != 0 && g.readStep == GameServiceReadStep::Open)
    {
        errno = g.readError;
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0 && g.openedHook)
        g.openedHook(path);
    return fd;
}

// Whether files can be written in the folder now; false with errno set. Tests make every
// folder unwritable through ChangesAllowed.
bool FolderWritable(const std::string& folder)
{
    return ChangesAllowed() && ::access(folder.c_str(), W_OK) == 0;
}

// The folder a link under the path leads writes into, when that is not the service's folder
// and cannot be written (why says why); "" otherwise.
std::string UnwritableLinkFolder(const std::string& path, std::string* why)
{
    std::string target;
    if (!FollowLinks(path, target) || target == path)
        return std::string();
    const std::string folder = FolderOfFile(target);
    if (folder == G().folder || FolderWritable(folder))
        return std::string();
    Explain(why);
    return folder;
}

// A link under the path that leads to no file: the player's name for a file somewhere else
// (on a drive not mounted now, say), not a missing file. Answers why in words, or "" when
// the path holds no such link. Asked only once a look through the path met "no such file".
std::string LinkToNothing(const std::string& path)
{
    std::string target;
    if (!FollowLinks(path, target) || target == path)
        return std::string();
    return "it is a link to " + target + ", where there is no file (" + std::strerror(ENOENT) + ")";
}

// Every look-up of a stored file (by its name, or of the file opened) passes here first, so
// that tests can make it fail as a failing disk or a folder the game may not search would;
// false with errno set.
bool LookupAllowed(const std::string& path)
{
    ServiceState& g = G();
    if (g.lookupError == 0)
        return true;
    if (g.lookupWhich != 0 && ++g.lookupsOf[path] != g.lookupWhich)
        return true;
    errno = g.lookupError;
    return false;
}

// What looking a stored file up by name found.
enum class Found
{
    Nothing,   // no such file
    Something, // st describes it (a link stands for what it leads to)
    Failed,    // it could not be looked up, or it is a link to no file; why says why
};
Found LookUp(const std::string& path, struct stat& st, std::string* why)
{
    if (LookupAllowed(path) && ::stat(path.c_str(), &st) == 0)
        return Found::Something;
    if (errno != ENOENT)
    {
        Explain(why);
        return Found::Failed;
    }
    const std::string dangling = LinkToNothing(path);
    if (dangling.empty())
        return Found::Nothing;
    if (why != nullptr)
        *why = dangling;
    return Found::Failed;
}

// Reads a stored file whole. What it is comes from the file opened, and from nothing else:
// every failure to open, look at or read it is Failed, whatever its error. why receives the
// reason of a failure in words, or what holds the name when it is not a file.
GameServiceReadResult ReadStored(const std::string& path, std::vector<uint8_t>& out, size_t maxSize, std::string& why)
{
    out.clear();
    const int fd = OpenForReading(path);
    if (fd < 0)
    {
        if (errno != ENOENT)
        {
            Explain(&why);
            return GameServiceReadResult::Failed;
        }
        why = LinkToNothing(path);
        return why.empty() ? GameServiceReadResult::Missing : GameServiceReadResult::Failed;
    }
    const ServiceState& g = G();
    WholeFileReadFaults faults;
    if (g.readStep == GameServiceReadStep::Look)
        faults.look = g.readError;
    if (g.readStep == GameServiceReadStep::PartWay)
        faults.partWay = g.readError;
    struct stat looked{};
    const WholeFileRead read =
        LookupAllowed(path) ? ReadWholeOpenFile(fd, out, maxSize, &looked, faults) : WholeFileRead::Failed;
    if (read == WholeFileRead::Failed)
        Explain(&why);
    ::close(fd);
    switch (read)
    {
    case WholeFileRead::Read:
        return GameServiceReadResult::Read;
    case WholeFileRead::NotAFile:
        why = S_ISDIR(looked.st_mode) ? "is a folder, not a file" : "is not a file";
        return GameServiceReadResult::NotAFile;
    case WholeFileRead::TooLarge:
        return GameServiceReadResult::TooLarge;
    case WholeFileRead::Failed:
        break;
    }
    return GameServiceReadResult::Failed;
}

bool WriteBytes(const std::string& path, const void* data, size_t size)
{
    return ChangesAllowed() && WriteFileAtomically(path, data, size, G().midWriteHook);
}

std::string MoveAside(const std::string& path) { return ChangesAllowed() ? SetFileAside(path) : std::string(); }

// How a path kept aside is named to the player: by its name in the service's folder, whole
// when a link led it elsewhere.
std::string KeptName(const std::string& kept)
{
    const std::string name = FileNameOfPath(kept);
    return kept == G().folder + "/" + name ? name : kept;
}

// Moves the damaged statistics file out of the way; true once it is (or is gone). keptAs
// receives where it is kept, or notKept why it could not be moved.
bool SetDamagedStatsAside(std::string* keptAs = nullptr, std::string* notKept = nullptr)
{
    ServiceState& g = G();
    const std::string path = StatsPath();
    const std::string aside = MoveAside(path);
    if (aside.empty() && errno != ENOENT)
    {
        Explain(notKept);
        DebugPrint("Game service: %s %s and could not be moved aside (%s); it is not written over\n", path.c_str(),
                   g.found.statsDamage.c_str(), std::strerror(errno));
        return false;
    }
    if (!aside.empty())
        DebugPrint("Game service: %s %s; kept as %s\n", path.c_str(), g.found.statsDamage.c_str(), aside.c_str());
    if (keptAs != nullptr)
        *keptAs = KeptName(aside);
    g.statsUnkept = false;
    return true;
}

// Whether something holds the path's name (or whether that cannot be told).
bool NameTaken(const std::string& path)
{
    struct stat st{};
    return (LookupAllowed(path) && ::lstat(path.c_str(), &st) == 0) || errno != ENOENT;
}

bool SaveStats()
{
    ServiceState& g = G();
    if (g.statsUnread && NameTaken(StatsPath()))
    {
        DebugPrint("Game service: achievements and scores were not stored: %s could not be read at start (%s), and "
                   "it is not written over; what is won in this run will not be kept\n",
                   StatsPath().c_str(), g.found.statsUnread.c_str());
        return false;
    }
    g.statsUnread = false;
    if (g.statsUnkept && !SetDamagedStatsAside())
        return false;
    std::string text = SerialiseGameServiceStats(G().stats);
    bool ok = WriteBytes(StatsPath(), text.data(), text.size());
    if (!ok)
        DebugPrint("Game service: could not write %s (%s)\n", StatsPath().c_str(), std::strerror(errno));
    return ok;
}

// Loads the statistics; a damaged file is set aside and replaced by an empty one. A file
// that cannot be looked up or read (no permission, a failing disk) is not damaged: it is
// left where it is, the run starts without what it holds, and nothing is written over it.
void LoadStats()
{
    ServiceState& g = G();
    g.stats = GameServiceStats();
    g.statsUnkept = false;
    g.statsUnread = false;
    const std::string path = StatsPath();
    if (!NameTaken(path))
        return; // a first run: nothing stored yet
    std::vector<uint8_t> bytes;
    std::string why;
    const GameServiceReadResult result = ReadStored(path, bytes, static_cast<size_t>(kGameServiceMaxFileSize), why);
    if (result == GameServiceReadResult::Missing)
        return; // gone since it was looked up
    if (result == GameServiceReadResult::Failed)
    {
        g.statsUnread = true;
        g.found.statsUnread = why;
        DebugPrint("Game service: %s could not be read (%s): it is left as it is, and achievements and scores start "
                   "empty; none is stored over it in this run\n",
                   path.c_str(), why.c_str());
        return;
    }
    if (result == GameServiceReadResult::Read && ParseGameServiceStats(bytes.data(), bytes.size(), g.stats))
    {
        g.found.statsLinkFolder = UnwritableLinkFolder(path, &g.found.statsLinkWhy);
        return;
    }
    g.stats = GameServiceStats();
    g.statsUnkept = true;
    g.found.statsDamage = result == GameServiceReadResult::NotAFile
                              ? why
                              : (result == GameServiceReadResult::TooLarge ? "is larger than any statistics file"
                                                                           : "is damaged");
    if (SetDamagedStatsAside(&g.found.statsKeptAs, &g.found.statsNotKept))
        SaveStats();
}

bool MakeFolders(const std::string& path)
{
    for (size_t i = 1; i <= path.size(); ++i)
    {
        if (i != path.size() && path[i] != '/')
            continue;
        std::string part = path.substr(0, i);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode))
    {
        errno = ENOTDIR;
        return false;
    }
    return true;
}

// The stored file for a remote-storage name: its last path component, in the folder.
// Empty for names that cannot be stored.
std::string StoragePath(const std::string& name)
{
    if (!G().running)
        return std::string();
    size_t slash = name.find_last_of("/\\");
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    if (base.empty() || base.size() > 200 || base[0] == '.' || base.find('\0') != std::string::npos ||
        base == kGameServiceStatsFile)
        return std::string();
    return G().folder + "/" + base;
}

// Whether a remote-storage call may go ahead with this stored path and these bytes; when
// not, why says so.
bool Storable(const std::string& path, const void* data, int32_t size, std::string* why)
{
    if (!path.empty() && size >= 0 && size <= kGameServiceMaxFileSize && (data != nullptr || size == 0))
        return true;
    if (why != nullptr)
        *why = !G().running ? "the game service is not running"
                            : (path.empty() ? "not a name the storage takes" : "not a size the storage takes");
    return false;
}
} // namespace

// --- Start and stop ------------------------------------------------------------------------

bool GameServiceInit(const std::string& folder)
{
    ServiceState& g = G();
    if (g.running)
        GameServiceShutdown();
    g.found = GameServiceStartFindings();
    if (g.failNextInit)
    {
        g.failNextInit = false;
        return false;
    }
    std::string f = folder;
    while (f.size() > 1 && f.back() == '/')
        f.pop_back();
    g.found.folder = f;
    if (f.empty() || !MakeFolders(f) || ::access(f.c_str(), X_OK) != 0)
    {
        g.found.folderUnusable = f.empty() ? "no folder given" : std::strerror(errno);
        DebugPrint("Game service: the folder %s cannot be used (%s); progress will not be kept\n", folder.c_str(),
                   g.found.folderUnusable.c_str());
        return false;
    }
    g.folder = f;
    g.running = true;
    g.found.statsFile = StatsPath();
    // A folder that cannot be written still holds what the player saved: it is read, and
    // every write is still tried (the folder may become writable while the game runs).
    if (!FolderWritable(f))
    {
        g.found.folderUnwritable = std::strerror(errno);
        DebugPrint("Game service: the folder %s cannot be written (%s); the saved game is read from it, but "
                   "progress will not be kept\n",
                   f.c_str(), g.found.folderUnwritable.c_str());
    }
    RemoveStaleTemporaryFiles(f);
    LoadStats();
    g.unlockedSinceStore.clear();
    return true;
}

void GameServiceShutdown()
{
    ServiceState& g = G();
    g.running = false;
    g.pending.clear();
    g.callbacks.clear();
    g.callResults.clear();
    g.unlockedSinceStore.clear();
    g.stats = GameServiceStats();
    g.found = GameServiceStartFindings();
}

bool GameServiceIsRunning() { return G().running; }

const GameServiceStartFindings& GameServiceFoundAtStart() { return G().found; }

bool GameServiceStatsUnread(std::string* path, std::string* why)
{
    const ServiceState& g = G();
    if (!g.running || !g.statsUnread)
        return false;
    if (path != nullptr)
        *path = StatsPath();
    if (why != nullptr)
        *why = g.found.statsUnread;
    return true;
}
const std::string& GameServiceFolder() { return G().folder; }

void GameServiceRunCallbacks()
{
    ServiceState& g = G();
    // Only what was queued before this call; results queued by handlers wait a run.
    std::deque<PendingResult> batch;
    batch.swap(g.pending);
    for (PendingResult& r : batch)
    {
        if (r.call != 0)
        {
            for (auto it = g.callResults.begin(); it != g.callResults.end(); ++it)
            {
                if (it->second.call != r.call)
                    continue;
                GameServiceCallResultHandler handler = std::move(it->second.handler);
                g.callResults.erase(it);
                if (handler)
                    handler(r.data.get(), r.ioFailure);
                break;
            }
            continue;
        }
        std::vector<GameServiceCallback> targets;
        for (const auto& [handle, entry] : g.callbacks)
            if (entry.callbackId == r.callbackId)
                targets.push_back(entry.callback);
        for (const GameServiceCallback& cb : targets)
            if (cb)
                cb(r.data.get());
    }
}

int GameServiceRegisterCallback(int callbackId, GameServiceCallback callback)
{
    ServiceState& g = G();
    int handle = g.nextHandle++;
    g.callbacks[handle] = CallbackEntry{callbackId, std::move(callback)};
    return handle;
}

void GameServiceUnregisterCallback(int handle) { G().callbacks.erase(handle); }

int GameServiceFollowCall(GameServiceApiCall call, GameServiceCallResultHandler handler)
{
    ServiceState& g = G();
    int handle = g.nextHandle++;
    g.callResults[handle] = CallResultEntry{call, std::move(handler)};
    return handle;
}

void GameServiceCancelCallResult(int handle) { G().callResults.erase(handle); }

// --- User --------------------------------------------------------------------------------

uint32_t GameServiceGetAppId() { return kGameServiceAppId; }
bool GameServiceLoggedOn() { return G().running; }

std::string GameServiceGetPersonaName()
{
    if (const char* user = std::getenv("USER"); user != nullptr && user[0] != '\0')
        return user;
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_name != nullptr && pw->pw_name[0])
        return pw->pw_name;
    return "Player";
}

// --- Statistics and achievements -----------------------------------------------------------

bool GameServiceRequestCurrentStats()
{
    if (!G().running)
        return false;
    Queue(kUserStatsReceivedId, 0, GameServiceUserStatsReceived{GameId(), kGameServiceResultOK});
    return true;
}

bool GameServiceGetAchievement(const std::string& name, bool* achieved)
{
    if (!G().running || GameServiceFindAchievement(name) < 0)
        return false;
    if (achieved != nullptr)
        *achieved = G().stats.achievements.count(name) != 0;
    return true;
}

bool GameServiceSetAchievement(const std::string& name)
{
    ServiceState& g = G();
    if (!g.running || GameServiceFindAchievement(name) < 0)
        return false;
    if (g.stats.achievements.insert(name).second)
        g.unlockedSinceStore.insert(name);
    return true;
}

bool GameServiceClearAchievement(const std::string& name)
{
    ServiceState& g = G();
    if (!g.running || GameServiceFindAchievement(name) < 0)
        return false;
    g.stats.achievements.erase(name);
    g.unlockedSinceStore.erase(name);
    return true;
}

std::string GameServiceGetAchievementDisplayAttribute(const std::string& name, const std::string& key)
{
    int i = GameServiceFindAchievement(name);
    if (!G().running || i < 0)
        return std::string();
    const GameServiceAchievementDef& def = GameServiceAchievementTable()[static_cast<size_t>(i)];
    if (key == "name")
        return def.name;
    if (key == "desc")
        return def.description;
    return std::string();
}

bool GameServiceStoreStats()
{
    ServiceState& g = G();
    if (!g.running)
        return false;
    bool ok = SaveStats();
    Queue(kUserStatsStoredId, 0,
          GameServiceUserStatsStored{GameId(), ok ? kGameServiceResultOK : kGameServiceResultFail});
    if (ok)
    {
        for (const std::string& name : g.unlockedSinceStore)
            Queue(kUserAchievementStoredId, 0, GameServiceAchievementStored{GameId(), name});
        g.unlockedSinceStore.clear();
    }
    return ok;
}

// --- Leaderboards ----------------------------------------------------------------------------

namespace
{
uint64_t BoardHandle(int index) { return static_cast<uint64_t>(index) + 1; }
int BoardIndex(uint64_t handle)
{
    if (handle == 0 || handle > GameServiceLeaderboardTable().size())
        return -1;
    return static_cast<int>(handle - 1);
}
} // namespace

GameServiceApiCall GameServiceFindLeaderboard(const std::string& name)
{
    ServiceState& g = G();
    if (!g.running)
        return 0;
    GameServiceApiCall call = g.nextCall++;
    int index = GameServiceFindBoard(name);
    GameServiceLeaderboardFindResult result;
    if (index >= 0)
    {
        result.leaderboard = BoardHandle(index);
        result.found = true;
    }
    Queue(kLeaderboardFindResultId, call, result);
    return call;
}

std::string GameServiceGetLeaderboardName(uint64_t leaderboard)
{
    int index = BoardIndex(leaderboard);
    if (!G().running || index < 0)
        return std::string();
    return GameServiceLeaderboardTable()[static_cast<size_t>(index)].name;
}

GameServiceApiCall GameServiceUploadLeaderboardScore(uint64_t leaderboard, LeaderboardUploadMethod method,
                                                     int32_t score, const int32_t* /*details*/, int /*detailCount*/)
{
    ServiceState& g = G();
    int index = BoardIndex(leaderboard);
    if (!g.running || index < 0)
        return 0;
    const bool lowerIsBetter = GameServiceLeaderboardTable()[static_cast<size_t>(index)].lowerIsBetter;
    auto it = g.stats.scores.find(index);
    bool better = it == g.stats.scores.end() || method == LeaderboardUploadMethod::ForceUpdate ||
                  (lowerIsBetter ? score < it->second : score > it->second);
    bool ok = true;
    if (better)
    {
        const GameServiceStats before = g.stats;
        g.stats.scores[index] = score;
        ok = SaveStats();
        if (!ok)
            g.stats = before;
    }
    if (!ok)
        return 0;
    GameServiceApiCall call = g.nextCall++;
    Queue(kLeaderboardScoreUploadedId, call, GameServiceLeaderboardScoreUploaded{true, leaderboard, score, better});
    return call;
}

bool GameServiceGetLeaderboardScore(const std::string& boardName, int32_t* score)
{
    int index = GameServiceFindBoard(boardName);
    if (!G().running || index < 0)
        return false;
    auto it = G().stats.scores.find(index);
    if (it == G().stats.scores.end())
        return false;
    if (score != nullptr)
        *score = it->second;
    return true;
}

// --- Remote storage ----------------------------------------------------------------------------

bool GameServiceFileExists(const std::string& name) { return GameServiceEntryAt(name) == GameServiceEntry::File; }

int32_t GameServiceGetFileSize(const std::string& name, std::string* why)
{
    std::string path = StoragePath(name);
    struct stat st{};
    if (path.empty())
        return 0;
    const Found found = LookUp(path, st, why);
    if (found != Found::Something)
        return found == Found::Nothing ? 0 : -1;
    if (!S_ISREG(st.st_mode) || st.st_size < 0)
        return 0;
    return st.st_size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(st.st_size);
}

int32_t GameServiceFileRead(const std::string& name, void* buffer, int32_t size, std::string* why)
{
    std::string path = StoragePath(name);
    if (!Storable(path, buffer, size, why))
        return -1;
    const int fd = OpenForReading(path);
    if (fd < 0)
    {
        Explain(why);
        return -1;
    }
    const ssize_t got = ReadUpTo(fd, buffer, static_cast<size_t>(size));
    if (got < 0)
        Explain(why);
    ::close(fd);
    return got < 0 ? -1 : static_cast<int32_t>(got);
}

GameServiceReadResult GameServiceFileReadWhole(const std::string& name, std::vector<uint8_t>& out, int32_t maxSize,
                                               std::string* why)
{
    out.clear();
    std::string path = StoragePath(name);
    if (!Storable(path, &out, maxSize, why)) // out is where the bytes go
    {
        errno = EINVAL;
        return GameServiceReadResult::Failed;
    }
    std::string reason;
    const GameServiceReadResult result = ReadStored(path, out, static_cast<size_t>(maxSize), reason);
    if (why != nullptr && (result == GameServiceReadResult::Failed || result == GameServiceReadResult::NotAFile))
        *why = reason;
    return result;
}

bool GameServiceFileWrite(const std::string& name, const void* data, int32_t size, std::string* why)
{
    std::string path = StoragePath(name);
    if (!Storable(path, data, size, why))
        return false;
    if (WriteBytes(path, data, static_cast<size_t>(size)))
        return true;
    Explain(why);
    return false;
}

bool GameServiceFileDelete(const std::string& name)
{
    std::string path = StoragePath(name);
    return !path.empty() && ::unlink(path.c_str()) == 0;
}

GameServiceEntry GameServiceEntryAt(const std::string& name, std::string* why)
{
    std::string path = StoragePath(name);
    struct stat st{};
    if (path.empty())
        return GameServiceEntry::None;
    const Found found = LookUp(path, st, why);
    if (found != Found::Something)
        return found == Found::Nothing ? GameServiceEntry::None : GameServiceEntry::Unknown;
    if (S_ISREG(st.st_mode))
        return GameServiceEntry::File;
    return S_ISDIR(st.st_mode) ? GameServiceEntry::Folder : GameServiceEntry::Other;
}

std::string GameServiceUnwritableLinkFolder(const std::string& name, std::string* why)
{
    const std::string path = StoragePath(name);
    return path.empty() ? std::string() : UnwritableLinkFolder(path, why);
}

std::string GameServiceFileSetAside(const std::string& name, std::string* why)
{
    std::string path = StoragePath(name);
    if (!Storable(path, nullptr, 0, why))
        return std::string();
    const std::string aside = MoveAside(path);
    if (aside.empty())
        Explain(why);
    return KeptName(aside);
}

std::string GameServiceFileKeepCopy(const std::string& name, const void* data, int32_t size, std::string* why)
{
    std::string path = StoragePath(name);
    if (!Storable(path, data, size, why))
        return std::string();
    const std::string kept = ChangesAllowed() ? WriteFileAside(path, data, static_cast<size_t>(size)) : std::string();
    if (kept.empty())
        Explain(why);
    return KeptName(kept);
}

// --- Overlay -----------------------------------------------------------------------------------

void GameServiceSimulateOverlay(bool active)
{
    if (G().running)
        Queue(kGameOverlayActivatedId, 0, GameServiceOverlayActivated{active});
}

// --- Test controls -----------------------------------------------------------------------------

void GameServiceFailNextInitForTests(bool fail) { G().failNextInit = fail; }
void GameServiceFailWritesForTests(bool fail) { G().writeError = fail ? EIO : 0; }
void GameServiceFailWritesWithErrorForTests(int error) { G().writeError = error; }
void GameServiceFailReadsWithErrorForTests(int error, GameServiceReadStep step)
{
    G().readError = error;
    G().readStep = step;
}
void GameServiceSetOpenedHookForTests(std::function<void(const std::string&)> hook)
{
    G().openedHook = std::move(hook);
}
void GameServiceFailLookupsWithErrorForTests(int error, int which)
{
    ServiceState& g = G();
    g.lookupError = error;
    g.lookupWhich = which;
    g.lookupsOf.clear();
}
void GameServiceSetMidWriteHookForTests(std::function<void()> hook) { G().midWriteHook = std::move(hook); }

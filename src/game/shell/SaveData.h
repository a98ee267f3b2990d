// cSaveData: everything that outlives a run of the game (volumes, screen settings, one
// progress record per level number, feat flags, the character's look, the six control
// bindings) and its file "Data.sav", kept through the game service's remote storage.
//
// File layout (little-endian, no padding), version 3, 3670 bytes:
//     0  int32   version (3)
//     4  float   music volume
//     8  float   effects volume
//    12  uint8   flip screen
//    13  uint32  flags
//    17  300 x 12 progress records: completed (u8), best score (i32), all sugar (u8),
//                 sticker (u8), perfect (u8), best perfect time (i32)
//  3617  5 x u8  feat flags
//  3622  int32   windowed
//  3626  5 x i32 look, in the order base, body, cup, hair, trail
//  3646  6 x i32 controls: up, down, left, right, jump, pause
// Version 2 ends after the look (3646 bytes). Other versions are read up to windowed.
//
// Reading is careful. A file that is not exactly its version's layout (shorter, with
// bytes past its end, or of a version other than 2 and 3) gives what it holds of the
// layout: each field past its end keeps the record's current value, and a byte-for-byte
// copy of the file is kept beside it ("Data.sav.bad", ".bad2", ...) before any save
// replaces it. A file that is empty, too short to hold its version or larger than any save, and a
// folder (or anything else that is not a file) under the name, is not parsed at all: the
// record keeps what it holds and the file is moved aside under the same names. While that
// copy or move has not succeeded, every save tries it again first and is refused when it
// still fails, so this record never writes over the file. What the file is (a file or not)
// comes from the file opened, never from a look-up by name. Only "no such file" means that
// there is no save; a link under the name is the player's: the save is read and written
// where it leads, and a link that leads to no file is a file that cannot be read. A file
// that cannot be looked up, opened or read (no permission, a failing disk, any error of
// reading) is not damaged: it stays where it is, untouched, the record keeps what it
// holds, stderr says why it could not be read, and every save of the run is refused (even
// should the file become readable meanwhile: the run does not know what it holds), so that
// a later start that can read it finds the progress.
// Writes replace the file atomically; a refused or failed save is reported on stderr with
// its reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct LevelProgress
{
    bool completed = false;
    int32_t bestScore = 0;
    bool allSugar = false;
    bool sticker = false;
    bool perfect = false;
    int32_t bestPerfectTime = 9000; // frames
};

// How the save data reaches the two volumes (the audio manager's). The default keeps
// them in a plain holder, so that they are stored even when there is no sound device.
class cSaveDataVolumes
{
public:
    virtual ~cSaveDataVolumes() = default;
    virtual float GetMusicVolume() = 0;
    virtual float GetSoundVolume() = 0;
    virtual void SetMusicVolume(float volume) = 0;
    virtual void SetSoundVolume(float volume) = 0;
};
// Installs the volume access (null restores the plain holder). The caller keeps ownership.
void SetSaveDataVolumes(cSaveDataVolumes* volumes);
cSaveDataVolumes& GetSaveDataVolumes();

class cSaveData
{
public:
    static constexpr int kLevelCount = 300;
    static constexpr int kFeatCount = 5;
    static constexpr int kLookCount = 5;
    static constexpr int kControlCount = 6;
    static constexpr int32_t kVersion = 3;
    static constexpr size_t kFileSizeV2 = 3646;
    static constexpr size_t kFileSizeV3 = 3670;
    static constexpr int32_t kLookItemMax = 10;
    static constexpr int32_t kControlMin = 68;
    static constexpr int32_t kControlMax = 87;

    // Feat flags, in order.
    enum Feat
    {
        kFeatBreakout = 0,
        kFeatOneLumpOrTwo = 1,
        kFeatDontLookBack = 2,
        kFeatDontJump = 3,
        kFeatBlackTea = 4,
    };
    // Look values, in memory order.
    enum Look
    {
        kLookHair = 0,
        kLookBody = 1,
        kLookBase = 2,
        kLookTrail = 3,
        kLookCup = 4,
    };
    enum class ReadResult
    {
        Loaded,     // the file was read
        Partial,    // not exactly its version's layout: what it holds of it was taken, a copy kept aside
        Missing,    // no file (or no remote storage): windowed set to 0, the rest kept
        Damaged,    // a file (or folder) that cannot be used: nothing taken, moved aside
        Unreadable, // a file that could not be opened or read: nothing taken, left where it is
    };

    cSaveData();

    // Writes the file through the remote storage. False when there is no remote storage,
    // when the file read could still not be kept aside, or when the write failed.
    bool Write(const std::string& fileName);
    // What a read does with a file it cannot take whole: keep its bytes aside as described
    // above (the game's own read), or leave the file and its neighbours alone (a look at
    // one setting with a temporary record, which must not make a second copy).
    enum class BadFile
    {
        SetAside,
        LeaveAlone,
    };
    // Reads the file through the remote storage; with applyVolumes the two volumes go to
    // the volume access (clamped to 0..1). A file that cannot be read is left alone either
    // way; with SetAside, saves are then refused while it is there.
    ReadResult Read(const std::string& fileName, bool applyVolumes, BadFile badFile = BadFile::SetAside);
    // The same as Read with applyVolumes true.
    ReadResult ReadAndApplyVolumes(const std::string& fileName) { return Read(fileName, true); }

    // Parses a file held in memory, field by field in file order; a field whose bytes lie
    // past the end keeps its current value. True when the file held its version's whole
    // layout (nothing is taken from fewer than the 4 bytes of the version).
    bool ReadFromMemory(const uint8_t* data, size_t size, bool applyVolumes);
    // The file's bytes (version 3), with the volumes of the volume access.
    std::vector<uint8_t> Serialise() const;

    LevelProgress GetLevelProgress(int level) const;
    void SetLevelProgress(int level, const LevelProgress& progress);
    void ResetLevelProgress(int level);
    bool IsLevelOpen(int level) const;
    int32_t GetControl(int binding) const;
    void SetControl(int binding, int32_t code);
    // Look values in memory order: hair, body, base, trail, cup.
    void GetLook(int32_t& hair, int32_t& body, int32_t& base, int32_t& trail, int32_t& cup) const;
    void SetLook(int32_t hair, int32_t body, int32_t base, int32_t trail, int32_t cup);

    // The file read is not kept aside yet (the next save tries first to keep it), or could
    // not be read at all (no save replaces it).
    bool WritesBlocked() const { return mUnkept != Unkept::Nothing; }
    // What the last read found wrong with the file, for the player to be told at start.
    struct ReadFindings
    {
        ReadResult result = ReadResult::Missing;
        std::string problem; // Partial, Damaged: what is wrong with the file
        std::string keptAs;  // Partial, Damaged: where the file, or a copy of what it held, is kept
        // The system's words: Unreadable, why the file could not be read; Partial and
        // Damaged, why it could not be kept aside (no save replaces it until it is).
        std::string why;
        // Loaded: a link under the name leads into this folder, which cannot be written
        // (linkWhy says why), so no save can be kept.
        std::string linkFolder;
        std::string linkWhy;
    };
    const ReadFindings& Found() const { return mFound; }
    // Why the file could not be read (the system's words), when a read that keeps the file
    // read aside met one it could not read, so that no save of the run replaces it; empty
    // otherwise.
    const std::string& UnreadReason() const;

    uint32_t flags = 0;
    bool flipScreen = false;
    bool feats[kFeatCount] = {};
    LevelProgress progress[kLevelCount];
    int32_t windowed = 0;
    int32_t look[kLookCount] = {};
    int32_t controls[kControlCount] = {70, 71, 68, 69, 72, 79};

private:
    // What the file read still needs before a save may replace it.
    enum class Unkept
    {
        Nothing,
        Copy,   // a copy of the bytes read (the file stays in place)
        Move,   // the file itself moved aside
        Unread, // nothing can be kept: the file could not be read, and no save may replace it
    };
    // Read without the findings: setAside says whether a bad file is kept aside.
    ReadResult ReadFile(const std::string& fileName, bool applyVolumes, bool setAside);
    // Keeps the file read aside as it needs; true once nothing more is needed, with the
    // name it is kept under in keptAs, or with the reason of the failure in why.
    bool KeepFileRead(const std::string& fileName, std::string& keptAs, std::string& why);
    // The file could not be looked up or read (why in the system's words): with blockSaves it
    // is said on stderr and no save of this run replaces it.
    ReadResult LeaveUnread(const std::string& fileName, const std::string& why, bool blockSaves);
    // Starts keeping the file read aside (at the read) and says on stderr what became of it.
    void SetFileReadAside(const std::string& fileName, Unkept what, const std::string& problem);

    Unkept mUnkept = Unkept::Nothing;
    std::vector<uint8_t> mBytesRead; // for Unkept::Copy
    ReadFindings mFound;             // for Unkept::Unread, the error of the read too
};

// The default control bindings: up, down, left, right, jump, pause.
extern const int32_t kDefaultControls[cSaveData::kControlCount];

// Connects the save data to the platform layer: the windowed setting read at start-up
// (a temporary record, volumes not applied) and the window-mode switches, which store the
// setting in the live game's save data. liveSaveData answers null while there is no game.
void RegisterSaveDataWithPlatform(std::function<cSaveData*()> liveSaveData);

#include "game/shell/SaveData.h"

#include "KelpoBase/core/DataStream.h"
#include "KelpoBase/core/Debug.h"
#include "KelpoBase/core/TextUtil.h"
#include "host/gameservice/GameService.h"

#include <algorithm>
#include <cmath>
#include <iterator>

const int32_t kDefaultControls[cSaveData::kControlCount] = {70, 71, 68, 69, 72, 79};

namespace
{
// Save files are a few kilobytes; anything far larger is not a save file.
constexpr int32_t kMaxSaveFileSize = 64 * 1024;

class cPlainVolumes : public cSaveDataVolumes
{
public:
    float GetMusicVolume() override { return mMusic; }
    float GetSoundVolume() override { return mSound; }
    void SetMusicVolume(float volume) override { mMusic = volume; }
    void SetSoundVolume(float volume) override { mSound = volume; }

private:
    float mMusic = 1.0f;
    float mSound = 1.0f;
};

cPlainVolumes gPlainVolumes;
cSaveDataVolumes* gVolumes = nullptr;

// A stored volume as it is applied: clamped to 0..1; a value that is not a number
// leaves the current volume.
bool ClampVolume(float stored, float& out)
{
    if (std::isnan(stored))
        return false;
    out = stored < 0.0f ? 0.0f : (stored > 1.0f ? 1.0f : stored);
    return true;
}

// Takes the fields of a save file in file order. A field whose bytes run past the end of
// the file is not taken: it, and every field after it, keeps the record's current value.
class cFieldReader
{
public:
    explicit cFieldReader(cDataStream& stream) : mIn(stream) {}
    bool Bool(bool& out) { return Room(1) && (out = mIn.ReadBool(), true); }
    bool S32(int32_t& out) { return Room(4) && (out = mIn.ReadS32(), true); }
    bool U32(uint32_t& out) { return Room(4) && (out = mIn.ReadU32(), true); }
    bool Float(float& out) { return Room(4) && (out = mIn.ReadFloat(), true); }
    // Every field asked for so far was in the file.
    bool Whole() const { return !mEnded; }

private:
    bool Room(uint32_t n)
    {
        if (!mEnded && mIn.Remaining() < n)
            mEnded = true;
        return !mEnded;
    }
    cDataStream& mIn;
    bool mEnded = false;
};

bool ValidLevel(int level) { return level >= 0 && level < cSaveData::kLevelCount; }

// The size of a version's whole layout; 0 for a version whose layout is not known.
size_t LayoutSize(int32_t version)
{
    return version == 2 ? cSaveData::kFileSizeV2 : (version == 3 ? cSaveData::kFileSizeV3 : 0);
}

// The version field at the start of a file of at least 4 bytes.
int32_t VersionOf(const uint8_t* data)
{
    return static_cast<int32_t>(uint32_t(data[0]) | uint32_t(data[1]) << 8 | uint32_t(data[2]) << 16 |
                                uint32_t(data[3]) << 24);
}

constexpr const char* kProgressNotKept = "progress will not be kept unless a later save succeeds";
} // namespace

void SetSaveDataVolumes(cSaveDataVolumes* volumes) { gVolumes = volumes; }
cSaveDataVolumes& GetSaveDataVolumes() { return gVolumes != nullptr ? *gVolumes : gPlainVolumes; }

cSaveData::cSaveData() = default;

std::vector<uint8_t> cSaveData::Serialise() const
{
    cMemoryDataStream out(16384);
    cSaveDataVolumes& volumes = GetSaveDataVolumes();
    out.WriteS32(kVersion);
    out.WriteFloat(volumes.GetMusicVolume());
    out.WriteFloat(volumes.GetSoundVolume());
    out.WriteBool(flipScreen);
    out.WriteU32(flags);
    for (const LevelProgress& p : progress)
    {
        out.WriteBool(p.completed);
        out.WriteS32(p.bestScore);
        out.WriteBool(p.allSugar);
        out.WriteBool(p.sticker);
        out.WriteBool(p.perfect);
        out.WriteS32(p.bestPerfectTime);
    }
    for (bool feat : feats)
        out.WriteBool(feat);
    out.WriteS32(windowed);
    out.WriteS32(look[kLookBase]);
    out.WriteS32(look[kLookBody]);
    out.WriteS32(look[kLookCup]);
    out.WriteS32(look[kLookHair]);
    out.WriteS32(look[kLookTrail]);
    for (int32_t control : controls)
        out.WriteS32(control);
    return std::vector<uint8_t>(out.GetBuffer(), out.GetBuffer() + out.GetSize());
}

bool cSaveData::ReadFromMemory(const uint8_t* data, size_t size, bool applyVolumes)
{
    if (data == nullptr)
        return false;
    // Bytes past the longest layout are never read.
    cMemoryDataStream in(data, static_cast<uint32_t>(std::min(size, kFileSizeV3)));
    cFieldReader field(in);
    int32_t version = 0;
    if (!field.S32(version))
        return false;

    float music = 0.0f;
    float sound = 0.0f;
    const bool haveMusic = field.Float(music);
    const bool haveSound = field.Float(sound);
    field.Bool(flipScreen);
    field.U32(flags);
    for (LevelProgress& p : progress)
    {
        field.Bool(p.completed);
        field.S32(p.bestScore);
        field.Bool(p.allSugar);
        field.Bool(p.sticker);
        field.Bool(p.perfect);
        field.S32(p.bestPerfectTime);
    }
    for (bool& feat : feats)
        field.Bool(feat);
    field.S32(windowed);

    if (version == 2 || version == 3)
    {
        static const int kFileOrder[kLookCount] = {kLookBase, kLookBody, kLookCup, kLookHair, kLookTrail};
        for (int which : kFileOrder)
        {
            int32_t v = 0;
            // The screens index their item tables with these: an item outside the table
            // is the default item.
            if (field.S32(v))
                look[which] = v < 0 || v > kLookItemMax ? 0 : v;
        }
    }
    if (version == 3)
    {
        for (int32_t& control : controls)
        {
            if (!field.S32(control))
                break;
            if (control < kControlMin || control > kControlMax)
            {
                std::copy(std::begin(kDefaultControls), std::end(kDefaultControls), controls);
                break;
            }
        }
    }

    if (applyVolumes)
    {
        cSaveDataVolumes& volumes = GetSaveDataVolumes();
        float v = 0.0f;
        if (haveMusic && ClampVolume(music, v))
            volumes.SetMusicVolume(v);
        if (haveSound && ClampVolume(sound, v))
            volumes.SetSoundVolume(v);
    }
    return field.Whole();
}

cSaveData::ReadResult cSaveData::Read(const std::string& fileName, bool applyVolumes, BadFile badFile)
{
    mFound = ReadFindings();
    mFound.result = ReadFile(fileName, applyVolumes, badFile == BadFile::SetAside);
    if (mFound.result == ReadResult::Loaded)
        mFound.linkFolder = GameServiceUnwritableLinkFolder(fileName, &mFound.linkWhy);
    return mFound.result;
}

cSaveData::ReadResult cSaveData::ReadFile(const std::string& fileName, bool applyVolumes, bool setAside)
{
    // Only "no such file" means there is none: any other failure to look the file up or read
    // it leaves the file as it is (see LeaveUnread).
    std::string why;
    const GameServiceEntry entry =
        GameServiceIsRunning() ? GameServiceEntryAt(fileName, &why) : GameServiceEntry::None;
    if (entry == GameServiceEntry::None)
    {
        windowed = 0;
        return ReadResult::Missing;
    }
    if (entry == GameServiceEntry::Unknown)
        return LeaveUnread(fileName, why, setAside);

    // What holds the name is told by the file opened, not by the look-up above.
    std::vector<uint8_t> buffer;
    std::string problem;
    switch (GameServiceFileReadWhole(fileName, buffer, kMaxSaveFileSize, &why))
    {
    case GameServiceReadResult::Read:
        if (buffer.size() < 4)
            problem = "is too short to hold a version";
        break;
    case GameServiceReadResult::Missing: // gone since it was looked up
        windowed = 0;
        return ReadResult::Missing;
    case GameServiceReadResult::NotAFile:
        problem = why;
        break;
    case GameServiceReadResult::TooLarge:
        problem = "is larger than any save file";
        break;
    case GameServiceReadResult::Failed:
        return LeaveUnread(fileName, why, setAside);
    }
    if (!problem.empty())
    {
        // Whatever the player keeps under the name stays theirs: it is moved aside whole.
        if (setAside)
            SetFileReadAside(fileName, Unkept::Move, problem);
        return ReadResult::Damaged;
    }

    const bool tookEveryField = ReadFromMemory(buffer.data(), buffer.size(), applyVolumes);
    const int32_t version = VersionOf(buffer.data());
    const size_t layout = LayoutSize(version);
    if (tookEveryField && buffer.size() == layout)
        return ReadResult::Loaded;
    if (!setAside)
        return ReadResult::Partial;
    // The next save writes a whole version 3 file over bytes this read did not take (the
    // end of a short file, bytes past the layout, the fields of an unknown version): they
    // are kept beside it first.
    if (layout == 0)
        FormatString(problem, "is of version %d, which this game does not know", static_cast<int>(version));
    else
        FormatString(problem, "is %s than the %zu bytes of its version %d", buffer.size() < layout ? "shorter" : "longer",
                     layout, static_cast<int>(version));
    mBytesRead = std::move(buffer);
    SetFileReadAside(fileName, Unkept::Copy, problem);
    return ReadResult::Partial;
}

const std::string& cSaveData::UnreadReason() const
{
    static const std::string none;
    return mUnkept == Unkept::Unread ? mFound.why : none;
}

cSaveData::ReadResult cSaveData::LeaveUnread(const std::string& fileName, const std::string& why, bool blockSaves)
{
    // Not damage: the file may be whole, and a later start that can read it resumes its
    // progress. It stays as it is, and no save of this run replaces it, whatever the file
    // system answers later: this run does not know what the file holds.
    mFound.why = why;
    if (blockSaves)
    {
        mUnkept = Unkept::Unread;
        DebugPrint("The save data %s could not be read (%s): the game runs without the progress it holds and "
                   "leaves it as it is; no save of this run replaces it, so progress made in this run will not be "
                   "kept\n",
                   fileName.c_str(), why.c_str());
    }
    return ReadResult::Unreadable;
}

void cSaveData::SetFileReadAside(const std::string& fileName, Unkept what, const std::string& problem)
{
    mUnkept = what;
    mFound.problem = problem;
    std::string& keptAs = mFound.keptAs;
    std::string& why = mFound.why;
    if (!KeepFileRead(fileName, keptAs, why))
        DebugPrint("The save data %s %s, and it could not be kept aside (%s): no save replaces it until it can be, "
                   "and until then progress will not be kept\n",
                   fileName.c_str(), problem.c_str(), why.c_str());
    else if (keptAs.empty())
        DebugPrint("The save data %s %s, and it has gone since it was read\n", fileName.c_str(), problem.c_str());
    else if (what == Unkept::Copy)
        DebugPrint("The save data %s %s: what it holds was read, and a copy of it is kept as %s\n", fileName.c_str(),
                   problem.c_str(), keptAs.c_str());
    else
        DebugPrint("The save data %s %s: it was not read, and it is kept as %s\n", fileName.c_str(), problem.c_str(),
                   keptAs.c_str());
}

bool cSaveData::KeepFileRead(const std::string& fileName, std::string& keptAs, std::string& why)
{
    keptAs.clear();
    switch (mUnkept)
    {
    case Unkept::Nothing:
        return true;
    case Unkept::Copy:
        keptAs = GameServiceFileKeepCopy(fileName, mBytesRead.data(), static_cast<int32_t>(mBytesRead.size()), &why);
        if (keptAs.empty())
            return false;
        break;
    case Unkept::Move:
        // Once nothing holds the name any more, nothing is left to keep.
        if (GameServiceEntryAt(fileName) != GameServiceEntry::None)
        {
            keptAs = GameServiceFileSetAside(fileName, &why);
            if (keptAs.empty())
                return false;
        }
        break;
    case Unkept::Unread:
        why = mFound.why;
        return false;
    }
    mUnkept = Unkept::Nothing;
    mBytesRead = std::vector<uint8_t>();
    return true;
}

bool cSaveData::Write(const std::string& fileName)
{
    if (!GameServiceIsRunning())
        return false;
    // A file read that could not be kept aside then (a full disk, a read-only folder) is
    // tried again at every save, and the save waits for it.
    std::string keptAs;
    std::string why;
    const bool unread = mUnkept == Unkept::Unread;
    if (!KeepFileRead(fileName, keptAs, why))
    {
        if (unread)
            DebugPrint("The game was not saved: the save data %s could not be read at start-up (%s), and no save "
                       "of this run replaces it; progress made in this run will not be kept\n",
                       fileName.c_str(), why.c_str());
        else
            DebugPrint("The game was not saved: the save data %s read at start-up must be kept aside first, and it "
                       "could not be (%s); %s\n",
                       fileName.c_str(), why.c_str(), kProgressNotKept);
        return false;
    }
    if (!keptAs.empty())
        DebugPrint("The save data %s read at start-up is now kept as %s\n", fileName.c_str(), keptAs.c_str());
    const std::vector<uint8_t> bytes = Serialise();
    if (!GameServiceFileWrite(fileName, bytes.data(), static_cast<int32_t>(bytes.size()), &why))
    {
        DebugPrint("The game could not be saved to %s (%s); %s\n", fileName.c_str(), why.c_str(), kProgressNotKept);
        return false;
    }
    return true;
}

LevelProgress cSaveData::GetLevelProgress(int level) const
{
    return ValidLevel(level) ? progress[level] : LevelProgress();
}

void cSaveData::SetLevelProgress(int level, const LevelProgress& p)
{
    if (ValidLevel(level))
        progress[level] = p;
}

void cSaveData::ResetLevelProgress(int level)
{
    if (ValidLevel(level))
        progress[level] = LevelProgress();
}

bool cSaveData::IsLevelOpen(int level) const
{
    if (level == 50)
        return true;
    // Level 0 is always open: it is the first level of the game.
    if (level == 0)
        return true;
    return ValidLevel(level - 1) && progress[level - 1].completed;
}

int32_t cSaveData::GetControl(int binding) const
{
    return binding >= 0 && binding < kControlCount ? controls[binding] : 0;
}

void cSaveData::SetControl(int binding, int32_t code)
{
    if (binding >= 0 && binding < kControlCount)
        controls[binding] = code;
}

void cSaveData::GetLook(int32_t& hair, int32_t& body, int32_t& base, int32_t& trail, int32_t& cup) const
{
    hair = look[kLookHair];
    body = look[kLookBody];
    base = look[kLookBase];
    trail = look[kLookTrail];
    cup = look[kLookCup];
}

void cSaveData::SetLook(int32_t hair, int32_t body, int32_t base, int32_t trail, int32_t cup)
{
    look[kLookHair] = hair;
    look[kLookBody] = body;
    look[kLookBase] = base;
    look[kLookTrail] = trail;
    look[kLookCup] = cup;
}

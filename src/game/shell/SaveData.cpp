#include "game/shell/SaveData.h"

#include "KelpoBase/core/DataStream.h"
#include "KelpoBase/core/Debug.h"
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

size_t RequiredSize(int32_t version)
{
    if (version == 3)
        return cSaveData::kFileSizeV3;
    if (version == 2)
        return cSaveData::kFileSizeV2;
    return cSaveData::kCommonSize;
}

bool ValidLevel(int level) { return level >= 0 && level < cSaveData::kLevelCount; }
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
    if (data == nullptr || size < 4)
        return false;
    cMemoryDataStream in(data, static_cast<uint32_t>(size < kFileSizeV3 + 16 ? size : kFileSizeV3 + 16));
    const int32_t version = in.ReadS32();
    if (size < RequiredSize(version))
        return false;

    // Parse into a copy so that the record changes only once the whole file was taken.
    cSaveData parsed = *this;
    const float music = in.ReadFloat();
    const float sound = in.ReadFloat();
    parsed.flipScreen = in.ReadBool();
    parsed.flags = in.ReadU32();
    for (LevelProgress& p : parsed.progress)
    {
        p.completed = in.ReadBool();
        p.bestScore = in.ReadS32();
        p.allSugar = in.ReadBool();
        p.sticker = in.ReadBool();
        p.perfect = in.ReadBool();
        p.bestPerfectTime = in.ReadS32();
    }
    for (bool& feat : parsed.feats)
        feat = in.ReadBool();
    parsed.windowed = in.ReadS32();

    if (version == 2 || version == 3)
    {
        int32_t fileOrder[kLookCount];
        for (int32_t& v : fileOrder)
            v = in.ReadS32();
        parsed.look[kLookBase] = fileOrder[0];
        parsed.look[kLookBody] = fileOrder[1];
        parsed.look[kLookCup] = fileOrder[2];
        parsed.look[kLookHair] = fileOrder[3];
        parsed.look[kLookTrail] = fileOrder[4];
        // The screens index their item tables with these: an item outside the table is
        // the default item.
        for (int32_t& v : parsed.look)
            if (v < 0 || v > kLookItemMax)
                v = 0;
    }
    if (version == 3)
    {
        for (int32_t& control : parsed.controls)
        {
            control = in.ReadS32();
            if (control < kControlMin || control > kControlMax)
            {
                std::copy(std::begin(kDefaultControls), std::end(kDefaultControls), parsed.controls);
                break;
            }
        }
    }

    parsed.mWritesBlocked = mWritesBlocked;
    *this = parsed;
    if (applyVolumes)
    {
        cSaveDataVolumes& volumes = GetSaveDataVolumes();
        float v = 0.0f;
        if (ClampVolume(music, v))
            volumes.SetMusicVolume(v);
        if (ClampVolume(sound, v))
            volumes.SetSoundVolume(v);
    }
    return true;
}

cSaveData::ReadResult cSaveData::Read(const std::string& fileName, bool applyVolumes)
{
    if (!GameServiceIsRunning() || !GameServiceFileExists(fileName))
    {
        windowed = 0;
        return ReadResult::Missing;
    }
    const int32_t size = GameServiceGetFileSize(fileName);
    bool ok = size > 0 && size <= kMaxSaveFileSize;
    if (ok)
    {
        std::vector<uint8_t> buffer(static_cast<size_t>(size), 0);
        const int32_t got = GameServiceFileRead(fileName, buffer.data(), size);
        ok = got == size && ReadFromMemory(buffer.data(), buffer.size(), applyVolumes);
    }
    if (ok)
        return ReadResult::Loaded;

    // Keep the damaged file for inspection, out of the way of the next save; if it
    // cannot be moved, this record must never write over it.
    const std::string aside = GameServiceFileSetAside(fileName);
    if (aside.empty())
    {
        mWritesBlocked = true;
        DebugPrint("The save data %s cannot be read and cannot be moved aside; it will not be overwritten\n",
                   fileName.c_str());
    }
    else
        DebugPrint("The save data %s cannot be read; it was kept as %s\n", fileName.c_str(), aside.c_str());
    return ReadResult::Damaged;
}

bool cSaveData::Write(const std::string& fileName)
{
    if (!GameServiceIsRunning())
        return false;
    if (mWritesBlocked)
    {
        DebugPrint("The save data %s was not written: the damaged file is still in its place\n", fileName.c_str());
        return false;
    }
    const std::vector<uint8_t> bytes = Serialise();
    if (!GameServiceFileWrite(fileName, bytes.data(), static_cast<int32_t>(bytes.size())))
    {
        DebugPrint("The save data %s could not be written\n", fileName.c_str());
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

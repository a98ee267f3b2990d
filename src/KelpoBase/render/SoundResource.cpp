#include "KelpoBase/render/SoundResource.h"

#include "KelpoBase/platform/AudioManager.h"

cSound* CreateSound(const std::string& path, float gain)
{
    if (!IsAudioEnabled())
        return nullptr;
    auto* sound = new cSound(gAudioManager, gain);
    if (!sound->Load(path))
    {
        delete sound;
        return nullptr;
    }
    return sound;
}

cSound* CreateSoundFromMemory(const void* bytes, size_t size, float gain)
{
    if (!IsAudioEnabled())
        return nullptr;
    auto* sound = new cSound(gAudioManager, gain);
    if (!sound->LoadFromMemory(bytes, size))
    {
        delete sound;
        return nullptr;
    }
    return sound;
}

cMusic* CreateMusic(const std::string& name) { return new cMusic(gAudioManager, name); }

namespace
{
cResource* LoadSoundResource(const std::string& name, float gain) { return CreateSound(name, gain); }
cResource* LoadMusicResource(const std::string& name) { return CreateMusic(name); }

uint32_t SoundBytes(const cResource* resource)
{
    // Only called for resources of the registered kind.
    return static_cast<const cSound*>(resource)->GetByteSize();
}
} // namespace

void RegisterSoundLoaders()
{
    SetSoundLoader(LoadSoundResource);
    SetMusicLoader(LoadMusicResource);
    SetSoundByteSize(SoundBytes, cSound::StaticClassInfo());
}

// Sounds and music as resources.
//
// cSound and cMusic are the resource classes the loaders hand out: the resource part
// (owned by a resource group, released with it) joined to the device part of the
// platform layer (cSoundBuffer, cMusicTrack in platform/Sound.h), so that a cSound can
// be played on the audio manager's voices directly.
#pragma once

#include <string>

#include "KelpoBase/platform/Sound.h"
#include "KelpoBase/render/Resource.h"

class cSound : public cResource, public cSoundBuffer
{
    KELPO_DECLARE_CLASS(cSound, cResource)
public:
    cSound(AudioManager* manager, float gain) : cSoundBuffer(manager, gain) {}
    // Stops the voices still playing it, then deletes its buffer.
    ~cSound() override = default;
};

class cMusic : public cResource, public cMusicTrack
{
    KELPO_DECLARE_CLASS(cMusic, cResource)
public:
    cMusic(AudioManager* manager, const std::string& name) : cMusicTrack(manager, name) {}
    ~cMusic() override = default;
};

// A sound decoded from the Ogg Vorbis file at path; null when audio is not enabled or
// the file cannot be read (a path whose extension is not exactly "ogg", a missing,
// corrupt or truncated file, a channel count other than 1 or 2).
cSound* CreateSound(const std::string& path, float gain);
// The same from the bytes of an Ogg Vorbis file in memory.
cSound* CreateSoundFromMemory(const void* bytes, size_t size, float gain);
// A music track of that name, bound to the audio manager; touches no file.
cMusic* CreateMusic(const std::string& name);

// Registers the sound and music loaders and the sound byte count with the resource
// loaders (called once at start-up).
void RegisterSoundLoaders();

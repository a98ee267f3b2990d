#include "KelpoBase/platform/Sound.h"

#include <AL/al.h>

#include <cstring>

#include "KelpoBase/core/FileSystem.h"
#include "KelpoBase/core/TextUtil.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/OggDecode.h"
#include "KelpoBase/platform/OggPrefetch.h"
#include "KelpoBase/platform/SystemServices.h"

cSoundBuffer::cSoundBuffer(AudioManager* owner, float g) : gain(g), manager(owner) {}

cSoundBuffer::~cSoundBuffer()
{
    // A manager that has been shut down has no voices and no context left.
    if (manager != nullptr && AudioManager::IsLive(manager))
        manager->StopVoicesOfSound(this);
    ReleaseBuffer();
}

void cSoundBuffer::ReleaseBuffer()
{
    if (buffer != 0)
    {
        if (manager != nullptr && AudioManager::IsLive(manager) && manager->IsEnabled())
        {
            ALuint name = buffer;
            alDeleteBuffers(1, &name);
        }
        buffer = 0;
    }
}

bool cSoundBuffer::Fill(const OggPcm& pcm)
{
    // Only whole frames of what the stream really delivered reach the device.
    if (pcm.bytes.empty() || pcm.bytes.size() > 0x7FFFFFFFu)
        return false;
    ALenum format = pcm.channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    alGetError();
    alBufferData(buffer, format, pcm.bytes.data(), static_cast<ALsizei>(pcm.bytes.size()), pcm.rate);
    if (alGetError() != AL_NO_ERROR)
        return false;
    byteSize = static_cast<uint32_t>(pcm.bytes.size());
    return true;
}

namespace
{
bool MakeBuffer(uint32_t& buffer)
{
    ALuint name = 0;
    alGetError();
    alGenBuffers(1, &name);
    if (alGetError() != AL_NO_ERROR || name == 0)
        return false;
    buffer = name;
    return true;
}

void DropBuffer(uint32_t& buffer)
{
    ALuint name = buffer;
    alDeleteBuffers(1, &name);
    buffer = 0;
}
} // namespace

void cSoundBuffer::Reset()
{
    // No voice may keep playing a buffer that is about to go.
    if (buffer != 0 && manager != nullptr && AudioManager::IsLive(manager))
        manager->StopVoicesOfSound(this);
    ReleaseBuffer();
    byteSize = 0;
}

bool cSoundBuffer::Load(const std::string& path)
{
    Reset();
    if (!MakeBuffer(buffer))
        return false;
    // Exactly "ogg", in lower case, after the last '.'.
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.compare(dot + 1, std::string::npos, "ogg") != 0)
    {
        DropBuffer(buffer);
        return false;
    }
    // Samples decoded ahead on a worker thread when a prefetch holds the path.
    OggPcm pcm;
    bool decoded = false;
    if (!TakePrefetchedOgg(path, pcm, decoded))
        decoded = DecodeOggFile(path, pcm);
    if (!decoded || !Fill(pcm))
    {
        DropBuffer(buffer);
        byteSize = 0;
        return false;
    }
    return true;
}

bool cSoundBuffer::LoadFromMemory(const void* bytes, size_t size)
{
    Reset();
    if (!MakeBuffer(buffer))
        return false;
    OggPcm pcm;
    if (!DecodeOggMemory(bytes, size, pcm) || !Fill(pcm))
    {
        DropBuffer(buffer);
        byteSize = 0;
        return false;
    }
    return true;
}

void cMusicTrack::Play()
{
    std::string name = FileNameOfPath(fileName);
    NormalisePath(name);
    // Each part is kept to 127 characters, as the command buffers allow.
    std::string base = RemoveExtension(name).substr(0, 127);
    std::string extension = FileExtension(name).substr(0, 127);
    OpenAndPlayMedia(extension.c_str(), base.c_str());
}

void PlayMusicIfEnabled(cMusicTrack* music)
{
    if (music != nullptr && IsAudioEnabled())
        music->Play();
}

void PlayMusic(cMusicTrack* music)
{
    if (music != nullptr)
        music->Play();
}

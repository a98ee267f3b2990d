#include "KelpoBase/platform/AudioManager.h"

#include <AL/al.h>
#include <AL/alc.h>

#include <algorithm>

#include "KelpoBase/platform/Sound.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/platform/WinMain.h"

AudioManager* gAudioManager = nullptr;

namespace
{
AudioDeviceOpener& Opener()
{
    static AudioDeviceOpener opener;
    return opener;
}

std::vector<const AudioManager*>& LiveManagers()
{
    static std::vector<const AudioManager*> live;
    return live;
}

float Clamp01(float v)
{
    if (!(v > 0.0f)) // NaN too
        return 0.0f;
    return v > 1.0f ? 1.0f : v;
}

ALint SourceState(uint32_t source)
{
    ALint state = AL_STOPPED;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state;
}
} // namespace

void SetAudioDeviceOpener(AudioDeviceOpener opener) { Opener() = std::move(opener); }

// --- Voices ---------------------------------------------------------------------------

void AudioVoice::Play(int flags, cSoundBuffer* sound, float volume, float pitch)
{
    currentSound = sound;
    alSourceStop(source);
    alSourcef(source, AL_GAIN, sound->GetGain() * volume);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(sound->GetBuffer()));
    alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
    alSource3f(source, AL_VELOCITY, 0.0f, 0.0f, 0.0f);
    alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    alSourcei(source, AL_LOOPING, (flags & kPlayLoop) ? AL_TRUE : AL_FALSE);
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(source, AL_PITCH, pitch);
    alSourcePlay(source);
}

void AudioVoice::PlayPositional(int flags, cSoundBuffer* sound, const cVec3f& position, const cVec3f& velocity,
                                float maxDist, float volume)
{
    currentSound = sound;
    alSourceStop(source);
    alSourcef(source, AL_GAIN, sound->GetGain() * volume);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(sound->GetBuffer()));
    alSourcei(source, AL_LOOPING, (flags & kPlayLoop) ? AL_TRUE : AL_FALSE);
    alSource3f(source, AL_POSITION, position.x, position.y, position.z);
    alSource3f(source, AL_VELOCITY, velocity.x, velocity.y, velocity.z);
    alSourcef(source, AL_ROLLOFF_FACTOR, 1.0f);
    alSourcef(source, AL_MAX_DISTANCE, maxDist);
    alSourcei(source, AL_SOURCE_RELATIVE, AL_FALSE);
    alSourcePlay(source);
}

void AudioVoice::Stop()
{
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, 0);
    currentSound = nullptr;
}

void AudioVoice::Pause()
{
    if (SourceState(source) == AL_PLAYING)
        alSourcePause(source);
}

void AudioVoice::Resume()
{
    if (SourceState(source) == AL_PAUSED)
        alSourcePlay(source);
}

bool AudioVoice::IsPlaying() const { return SourceState(source) == AL_PLAYING; }

float AudioVoice::GetProgress() const
{
    if (SourceState(source) == AL_STOPPED)
        return 1.0f;
    ALint offset = 0;
    ALint buffer = 0;
    ALint size = 0;
    alGetSourcei(source, AL_BYTE_OFFSET, &offset);
    alGetSourcei(source, AL_BUFFER, &buffer);
    if (buffer != 0)
        alGetBufferi(static_cast<ALuint>(buffer), AL_SIZE, &size);
    // A voice without samples has nothing left to play.
    if (size <= 0)
        return 1.0f;
    return static_cast<float>(static_cast<uint32_t>(offset)) / static_cast<float>(static_cast<uint32_t>(size));
}

void AudioVoice::SetPositional(bool positional)
{
    if (!positional)
    {
        alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
        alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
        alSource3f(source, AL_VELOCITY, 0.0f, 0.0f, 0.0f);
        alSourcef(source, AL_ROLLOFF_FACTOR, 0.0f);
    }
    else
    {
        alSourcei(source, AL_SOURCE_RELATIVE, AL_FALSE);
        alSourcef(source, AL_ROLLOFF_FACTOR, 1.0f);
    }
}

void AudioVoice::SetGain(float gain) { alSourcef(source, AL_GAIN, gain); }

float AudioVoice::GetGain() const
{
    ALfloat gain = 0.0f;
    alGetSourcef(source, AL_GAIN, &gain);
    return gain;
}

void AudioVoice::SetPitch(float pitch) { alSourcef(source, AL_PITCH, pitch); }
void AudioVoice::SetMaxDistance(float distance) { alSourcef(source, AL_MAX_DISTANCE, distance); }
void AudioVoice::SetPosition(float x, float y, float z) { alSource3f(source, AL_POSITION, x, y, z); }
void AudioVoice::SetVelocity(float x, float y, float z) { alSource3f(source, AL_VELOCITY, x, y, z); }

// --- Manager --------------------------------------------------------------------------

AudioManager::AudioManager() { LiveManagers().push_back(this); }

AudioManager::~AudioManager()
{
    Shutdown();
    // Voice records left by ReleaseDevice.
    for (AudioVoice*& voice : voices)
    {
        delete voice;
        voice = nullptr;
    }
    auto& live = LiveManagers();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

bool AudioManager::IsLive(const AudioManager* manager)
{
    const auto& live = LiveManagers();
    return manager != nullptr && std::find(live.begin(), live.end(), manager) != live.end();
}

void AudioManager::Init()
{
    if (enabled)
        return;
    std::vector<ALCint> attributes;
    ALCdevice* dev = Opener() ? Opener()(attributes) : alcOpenDevice(nullptr);
    if (dev == nullptr)
        return;
    if (!attributes.empty() && attributes.back() != 0)
        attributes.push_back(0);
    ALCcontext* ctx = alcCreateContext(dev, attributes.empty() ? nullptr : attributes.data());
    if (ctx == nullptr)
    {
        alcCloseDevice(dev);
        return;
    }
    device = dev;
    context = ctx;
    alcMakeContextCurrent(context);
    voiceCount = 0;
    alGetError();
    for (int i = 0; i < kMaxVoices; ++i)
    {
        ALuint source = 0;
        alGenSources(1, &source);
        if (alGetError() != AL_NO_ERROR)
            break;
        auto* voice = new AudioVoice;
        voice->source = source;
        voice->manager = this;
        voices[voiceCount++] = voice;
    }
    alDistanceModel(AL_LINEAR_DISTANCE_CLAMPED);
    enabled = 1;
    // The stored effects volume holds from the start.
    alListenerf(AL_GAIN, soundVolume * soundVolume);
}

void AudioManager::Shutdown()
{
    if (!enabled)
        return;
    for (int i = 0; i < voiceCount; ++i)
    {
        if (voices[i] != nullptr)
        {
            ALuint source = voices[i]->source;
            alSourceStop(source);
            alSourcei(source, AL_BUFFER, 0);
            alDeleteSources(1, &source);
        }
        delete voices[i];
        voices[i] = nullptr;
    }
    voiceCount = 0;
    if (alcGetCurrentContext() == context)
        alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    alcCloseDevice(device);
    context = nullptr;
    device = nullptr;
    enabled = 0;
}

void AudioManager::ReleaseDevice()
{
    if (!enabled)
        return;
    if (alcGetCurrentContext() == context)
        alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    alcCloseDevice(device);
    context = nullptr;
    device = nullptr;
    // With no device left nothing may be played; the voice records stay.
    enabled = 0;
}

void AudioManager::Suspend()
{
    if (context == nullptr)
        return;
    alcMakeContextCurrent(nullptr);
    alcSuspendContext(context);
}

void AudioManager::Resume()
{
    if (context == nullptr)
        return;
    alcMakeContextCurrent(context);
    alcProcessContext(context);
}

void AudioManager::SetSoundVolume(float v)
{
    soundVolume = Clamp01(v);
    if (context != nullptr)
        alListenerf(AL_GAIN, soundVolume * soundVolume);
}

void AudioManager::SetMusicVolume(float v)
{
    // Stored even without a device, so that the player's setting is saved as chosen.
    musicVolume = Clamp01(v);
    if (enabled)
        SetMediaVolume(musicVolume * musicVolume);
}

void AudioManager::SetListenerPosition(float x, float y, float z)
{
    if (context != nullptr)
        alListener3f(AL_POSITION, x, y, z);
}

void AudioManager::SetListenerVelocity(float x, float y, float z)
{
    if (context != nullptr)
        alListener3f(AL_VELOCITY, x, y, z);
}

void AudioManager::SetListenerOrientation(const cVec3f& forward, const cVec3f& up)
{
    if (context == nullptr)
        return;
    const ALfloat values[6] = {forward.x, forward.y, forward.z, up.x, up.y, up.z};
    alListenerfv(AL_ORIENTATION, values);
}

void AudioManager::PlayOnVoice(int flags, int index, cSoundBuffer* sound, float volume, float pitch)
{
    if (!enabled || sound == nullptr || !ValidIndex(index) || voices[index]->locked != 0)
        return;
    AudioVoice* voice = voices[index];
    voice->priority = (flags & kPlayKeep) ? kKeepPriority : sound->GetPriority();
    voice->Play(flags, sound, volume, pitch);
}

void AudioManager::PlayPositionalOnVoice(int flags, int index, cSoundBuffer* sound, const cVec3f& position,
                                         const cVec3f& velocity, float volume)
{
    if (!enabled || sound == nullptr || !ValidIndex(index) || voices[index]->locked != 0)
        return;
    AudioVoice* voice = voices[index];
    voice->priority = (flags & kPlayKeep) ? kKeepPriority : sound->GetPriority();
    voice->PlayPositional(flags, sound, position, velocity, maxDistance, volume);
}

AudioVoice* AudioManager::GetVoice(int index) const
{
    if (!enabled || !ValidIndex(index))
        return nullptr;
    return voices[index];
}

bool AudioManager::IsVoiceFree(int index) const
{
    if (!enabled || !ValidIndex(index))
        return false;
    return voices[index]->locked == 0 && !voices[index]->IsPlaying();
}

bool AudioManager::IsVoicePlaying(int index) const
{
    if (!enabled || !ValidIndex(index))
        return false;
    return voices[index]->IsPlaying();
}

bool AudioManager::IsVoiceSounding(int index, const cSoundBuffer* sound) const
{
    if (!enabled || sound == nullptr || !ValidIndex(index) || !voices[index]->IsPlayingSound(sound))
        return false;
    const ALint state = SourceState(voices[index]->source);
    return state == AL_PLAYING || state == AL_PAUSED;
}

void AudioManager::SetVoiceGain(int index, float gain)
{
    if (enabled && ValidIndex(index))
        voices[index]->SetGain(gain);
}

void AudioManager::SetVoicePitch(int index, float pitch)
{
    if (enabled && ValidIndex(index))
        voices[index]->SetPitch(pitch);
}

void AudioManager::SetVoicePositional(int index, bool positional)
{
    if (enabled && ValidIndex(index))
        voices[index]->SetPositional(positional);
}

void AudioManager::SetVoicePositionVelocity(int index, const cVec3f& position, const cVec3f& velocity)
{
    if (!enabled || !ValidIndex(index))
        return;
    voices[index]->SetPosition(position.x, position.y, position.z);
    voices[index]->SetVelocity(velocity.x, velocity.y, velocity.z);
}

void AudioManager::PauseVoice(int index)
{
    if (enabled && ValidIndex(index))
        voices[index]->Pause();
}

void AudioManager::ResumeVoice(int index)
{
    if (enabled && ValidIndex(index))
        voices[index]->Resume();
}

void AudioManager::StopVoice(int index)
{
    if (enabled && ValidIndex(index))
        voices[index]->Stop();
}

void AudioManager::StopAllVoices()
{
    if (!enabled)
        return;
    for (int i = 0; i < voiceCount; ++i)
        if (voices[i] != nullptr)
            voices[i]->Stop();
}

void AudioManager::UnlockAllVoices()
{
    if (!enabled)
        return;
    for (int i = 0; i < voiceCount; ++i)
        if (voices[i] != nullptr)
            voices[i]->locked = 0;
}

void AudioManager::StopVoicesOfSound(const cSoundBuffer* sound)
{
    if (sound == nullptr)
        return;
    for (int i = 0; i < voiceCount; ++i)
        if (voices[i] != nullptr && voices[i]->currentSound == sound)
        {
            if (enabled)
                voices[i]->Stop();
            else
                voices[i]->currentSound = nullptr;
        }
}

AudioVoice* AudioManager::FindVoice(const cSoundBuffer* sound, int flags)
{
    if (!enabled)
        return nullptr;
    if ((flags & kPlayReuse) && sound != nullptr)
    {
        for (int i = 0; i < voiceCount; ++i)
            if (voices[i] != nullptr && voices[i]->currentSound == sound)
                return voices[i];
    }
    for (int i = 0; i < voiceCount; ++i)
        if (voices[i] != nullptr && voices[i]->locked == 0 && !voices[i]->IsPlaying())
            return voices[i];

    const int32_t limit = (flags & kPlayKeep) ? kKeepPriority : (sound != nullptr ? sound->GetPriority() : 0);
    int32_t lowest = kKeepPriority;
    float best = -1.0f;
    AudioVoice* choice = nullptr;
    for (int i = 0; i < voiceCount; ++i)
    {
        AudioVoice* voice = voices[i];
        if (voice == nullptr || voice->locked != 0 || voice->priority > limit || voice->priority > lowest)
            continue;
        lowest = voice->priority;
        float progress = voice->GetProgress();
        if (progress > best)
        {
            best = progress;
            choice = voice;
        }
    }
    if (choice == nullptr)
        return nullptr;
    choice->Stop();
    return choice;
}

AudioVoice* AudioManager::PlaySound(int flags, cSoundBuffer* sound, float volume, float pitch)
{
    if (!enabled || sound == nullptr)
        return nullptr;
    AudioVoice* voice = FindVoice(sound, flags);
    if (voice != nullptr)
    {
        voice->priority = (flags & kPlayKeep) ? kKeepPriority : sound->GetPriority();
        voice->Play(flags, sound, volume, pitch);
    }
    return voice;
}

AudioVoice* AudioManager::PlaySoundPositional(int flags, cSoundBuffer* sound, const cVec3f& position,
                                              const cVec3f& velocity, float volume)
{
    if (!enabled || sound == nullptr)
        return nullptr;
    AudioVoice* voice = FindVoice(sound, flags);
    if (voice != nullptr)
    {
        voice->priority = (flags & kPlayKeep) ? kKeepPriority : sound->GetPriority();
        voice->PlayPositional(flags, sound, position, velocity, maxDistance, volume);
    }
    return voice;
}

void AudioManager::PauseAll()
{
    if (paused)
        return;
    if (enabled)
        PauseMedia();
    paused = 1;
    for (int i = 0; i < voiceCount; ++i)
    {
        wasPlaying[i] = 0;
        if (enabled && voices[i] != nullptr && voices[i]->IsPlaying())
        {
            wasPlaying[i] = 1;
            alSourcePause(voices[i]->source);
        }
    }
}

void AudioManager::ResumeAll()
{
    if (!paused)
        return;
    paused = 0;
    if (enabled)
        PlayMedia();
    for (int i = 0; i < voiceCount; ++i)
    {
        if (enabled && wasPlaying[i] != 0 && voices[i] != nullptr && SourceState(voices[i]->source) == AL_PAUSED)
            alSourcePlay(voices[i]->source);
    }
}

void AudioManager::ResumeMusic()
{
    if (enabled)
        PlayMedia();
}

void AudioManager::PauseMusic()
{
    if (enabled)
        PauseMedia();
}

void AudioManager::StopMusic()
{
    if (enabled)
        StopMedia();
}

// --- The program's manager --------------------------------------------------------------

AudioManager* CreateAudioManager()
{
    if (gAudioManager == nullptr)
    {
        gAudioManager = new AudioManager;
        gAudioManager->Init();
    }
    return gAudioManager;
}

void DeleteAudioManager()
{
    if (gAudioManager == nullptr)
        return;
    gAudioManager->Shutdown();
    delete gAudioManager;
    gAudioManager = nullptr;
}

void DestroyAudioManager() { DeleteAudioManager(); }

void InstallAudioHooks()
{
    GetWinMainHooks().createAudio = [] { CreateAudioManager(); };
    GetSystemHooks().shutdownAudio = [] { DeleteAudioManager(); };
}

void SuspendAudio()
{
    if (gAudioManager != nullptr)
        gAudioManager->Suspend();
}

void ResumeAudio()
{
    if (gAudioManager != nullptr)
        gAudioManager->Resume();
}

bool IsAudioEnabled() { return gAudioManager != nullptr && gAudioManager->IsEnabled(); }

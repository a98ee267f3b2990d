// The audio manager: the program's one OpenAL output device and context and a fixed
// table of up to 32 voices, each voice one OpenAL source.
//
// Game code names the voice each sound plays on (PlayOnVoice), so a new sound on a voice
// cuts off what it was playing; automatic voice choice (FindVoice, PlaySound) is offered
// too. The sound-effect volume is applied squared as the listener gain; the music volume
// is applied squared to the media player (which has an output of its own, untouched by
// the listener gain).
//
// With no device (or no context) the manager stays disabled: every play and voice
// operation does nothing and the game runs silent, while both volumes are still stored
// so that they survive into the save data.
//
// The device is opened through a replaceable opener, so that tests can use OpenAL
// Soft's loopback device and measure what was played.
#pragma once

#include <AL/alc.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "KelpoBase/core/Vec3.h"

class AudioManager;
class cSoundBuffer;

// Play flags.
enum : int
{
    kPlayLoop = 1,  // loop the sound
    kPlayKeep = 2,  // the voice takes the highest priority: never stolen
    kPlayReuse = 4, // automatic choice first looks for a voice holding this sound
};

constexpr int kMaxVoices = 32;
constexpr int32_t kKeepPriority = 0x7FFFFFFF;

struct AudioVoice
{
    uint8_t locked = 0;   // a locked voice is never chosen or played on
    uint32_t source = 0;  // OpenAL source name
    int32_t priority = 0; // the playing sound's priority, kKeepPriority when kept
    AudioManager* manager = nullptr;
    cSoundBuffer* currentSound = nullptr;

    void Play(int flags, cSoundBuffer* sound, float volume, float pitch);
    void PlayPositional(int flags, cSoundBuffer* sound, const cVec3f& position, const cVec3f& velocity,
                        float maxDistance, float volume);
    // Stops the source, detaches its buffer and forgets the sound.
    void Stop();
    void Pause();
    void Resume();
    bool IsPlaying() const;
    bool IsPlayingSound(const cSoundBuffer* sound) const { return currentSound == sound; }
    // 0 at the start of the sound, near 1 at its end; 1 when stopped or without samples.
    float GetProgress() const;
    // false: plays at the listener, unattenuated; true: placed in the world.
    void SetPositional(bool positional);
    void SetGain(float gain);
    float GetGain() const;
    void SetPitch(float pitch);
    void SetMaxDistance(float distance);
    void SetPosition(float x, float y, float z);
    void SetVelocity(float x, float y, float z);
    void SetPriority(int32_t p) { priority = p; }
    int32_t GetPriority() const { return priority; }
    void Unlock() { locked = 0; }
};

class AudioManager
{
public:
    AudioManager();
    AudioManager(const AudioManager&) = delete;
    AudioManager& operator=(const AudioManager&) = delete;
    ~AudioManager();

    // Opens the device (through the opener), makes the context current and up to 32
    // voices. Without a device or context the manager stays disabled.
    void Init();
    // Deletes the voices, destroys the context and closes the device (when enabled).
    void Shutdown();
    // Destroys the context and closes the device, keeping the voice records.
    void ReleaseDevice();
    void Suspend();
    void Resume();

    bool IsEnabled() const { return enabled != 0; }
    ALCdevice* GetDevice() const { return device; }
    ALCcontext* GetContext() const { return context; }
    int GetVoiceCount() const { return voiceCount; }
    // True while the manager exists (sounds may outlive a manager).
    static bool IsLive(const AudioManager* manager);

    // Volumes, clamped to 0..1 and stored whether or not audio is enabled.
    void SetSoundVolume(float v);
    void SetMusicVolume(float v);
    float GetSoundVolume() const { return soundVolume; }
    float GetMusicVolume() const { return musicVolume; }
    void SetMaxDistance(float d) { maxDistance = d; }
    float GetMaxDistance() const { return maxDistance; }

    void SetListenerPosition(float x, float y, float z);
    void SetListenerVelocity(float x, float y, float z);
    void SetListenerOrientation(const cVec3f& forward, const cVec3f& up);

    // Voice operations by index; an index outside 0..voiceCount-1 does nothing.
    void PlayOnVoice(int flags, int index, cSoundBuffer* sound, float volume, float pitch = 1.0f);
    void PlayPositionalOnVoice(int flags, int index, cSoundBuffer* sound, const cVec3f& position,
                               const cVec3f& velocity, float volume);
    AudioVoice* GetVoice(int index) const;
    bool IsVoiceFree(int index) const;
    bool IsVoicePlaying(int index) const;
    // True while the voice still has this sound on it: its current sound, playing or paused
    // (not ended, stopped or replaced). Sounds that share voices tell by it whether a voice
    // is still theirs.
    bool IsVoiceSounding(int index, const cSoundBuffer* sound) const;
    void SetVoiceGain(int index, float gain);
    void SetVoicePitch(int index, float pitch);
    void SetVoicePositional(int index, bool positional);
    void SetVoicePositionVelocity(int index, const cVec3f& position, const cVec3f& velocity);
    void PauseVoice(int index);
    void ResumeVoice(int index);
    void StopVoice(int index);
    void StopAllVoices();
    void UnlockAllVoices();
    // Stops every voice playing this sound (run before a sound's buffer goes away).
    void StopVoicesOfSound(const cSoundBuffer* sound);

    // Automatic voice choice: a voice already holding the sound (with kPlayReuse), else a
    // free voice, else the voice furthest through its sound among those whose priority
    // allows stealing. The chosen voice is stopped. Null when none may be taken.
    AudioVoice* FindVoice(const cSoundBuffer* sound, int flags);
    AudioVoice* PlaySound(int flags, cSoundBuffer* sound, float volume, float pitch = 1.0f);
    AudioVoice* PlaySoundPositional(int flags, cSoundBuffer* sound, const cVec3f& position, const cVec3f& velocity,
                                    float volume);

    // Everything (voices and music) paused and resumed, e.g. in the background.
    void PauseAll();
    void ResumeAll();
    bool IsPaused() const { return paused != 0; }
    void ResumeMusic();
    void PauseMusic();
    void StopMusic();

    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    uint8_t enabled = 0;
    uint8_t paused = 0;
    int32_t voiceCount = 0;
    AudioVoice* voices[kMaxVoices] = {};
    uint32_t wasPlaying[kMaxVoices] = {};
    float soundVolume = 1.0f;
    float musicVolume = 1.0f;
    float maxDistance = 100.0f;

private:
    bool ValidIndex(int index) const { return index >= 0 && index < voiceCount && voices[index] != nullptr; }
};

// The program's manager (null before start-up and after shutdown).
extern AudioManager* gAudioManager;

// Opens the output device. attributes receives the context attributes to use (ended by
// a 0; empty for none). The default opens the system's default device.
using AudioDeviceOpener = std::function<ALCdevice*(std::vector<ALCint>& attributes)>;
// Replaces the opener (an empty one restores the default).
void SetAudioDeviceOpener(AudioDeviceOpener opener);

// Start-up and shutdown: CreateAudioManager makes gAudioManager and initialises it;
// DeleteAudioManager shuts it down and deletes it. InstallAudioHooks registers both with
// the window object's start-up and the system shutdown.
AudioManager* CreateAudioManager();
void DeleteAudioManager();
void DestroyAudioManager();
void InstallAudioHooks();

// Forwarders to gAudioManager that do nothing without one.
void SuspendAudio();
void ResumeAudio();
bool IsAudioEnabled();

// The device side of sound effects and music tracks.
//
// cSoundBuffer is a sound effect decoded once, wholly, from an Ogg Vorbis file into one
// OpenAL buffer and played on the audio manager's voices. cMusicTrack is a music track
// that the program does not decode itself: its file name goes to the media-control
// commands, whose player streams and loops it.
//
// The resource classes the loaders hand out (cSound and cMusic, render/SoundResource.h)
// are these plus the resource part; the audio manager works on cSoundBuffer, so a cSound
// can be given wherever a sound is expected.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class AudioManager;
struct OggPcm;

class cSoundBuffer
{
public:
    // A sound with no samples yet, bound to the manager (which may be null).
    cSoundBuffer(AudioManager* manager, float gain);
    cSoundBuffer(const cSoundBuffer&) = delete;
    cSoundBuffer& operator=(const cSoundBuffer&) = delete;
    // Stops every voice still playing this sound, then deletes the buffer.
    ~cSoundBuffer();

    // Decodes the file (a loose file or a pack entry) into a new buffer, replacing any
    // earlier one. Only paths whose extension is exactly "ogg" are read. False (and no
    // buffer) on any failure.
    bool Load(const std::string& path);
    // The same from the bytes of an Ogg Vorbis file in memory.
    bool LoadFromMemory(const void* bytes, size_t size);

    uint32_t GetBuffer() const { return buffer; }
    float GetGain() const { return gain; }
    // Negative gains become 0.
    void SetGain(float g) { gain = g < 0.0f ? 0.0f : g; }
    int32_t GetPriority() const { return priority; }
    void SetPriority(int32_t p) { priority = p; }
    uint32_t GetByteSize() const { return byteSize; }
    AudioManager* GetManager() const { return manager; }
    // Deletes the buffer when there is one.
    void ReleaseBuffer();

    uint32_t buffer = 0;   // OpenAL buffer name, 0 when none
    float gain = 1.0f;     // multiplied into every play volume
    int32_t priority = 0;  // copied to a voice unless played with the keep flag
    AudioManager* manager = nullptr;
    uint32_t byteSize = 0; // decoded sample bytes handed to the device

private:
    // Stops the voices playing the old samples and drops them (before a new load).
    void Reset();
    bool Fill(const OggPcm& pcm);
};

class cMusicTrack
{
public:
    cMusicTrack(AudioManager* manager, const std::string& name) : fileName(name), manager(manager) {}
    virtual ~cMusicTrack() = default;

    // Opens the track by its file name (without folders) through the media-control
    // commands and plays it in a loop. Touches no file itself.
    void Play();
    const std::string& GetFileName() const { return fileName; }

    std::string fileName;
    AudioManager* manager = nullptr;
};

// Plays the track only when audio is enabled (what the front end uses).
void PlayMusicIfEnabled(cMusicTrack* music);
// The same without the test.
void PlayMusic(cMusicTrack* music);

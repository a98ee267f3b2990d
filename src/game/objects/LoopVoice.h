// A looping sound of the running level that keeps a voice of its own.
//
// The level names the voice of every sound, and its looping sounds share voices: the
// areas' ambient channels and the object types' loops (wind and an engine on 16, slow air
// and a fan on 17, three machines on 18), the lava and the rain on 14. Whatever starts on
// a voice cuts off what it played, so a loop cannot take its voice for granted once it has
// started.
//
// A LoopVoice remembers the voice that holds its sound and sets a gain only while that
// voice still sounds it (the audio manager tells by the voice's current sound). A voice
// that another sound has taken, or that was stopped, is let go; the sound then starts
// again, silent, on its home voice when that is free, else on the first free spare voice
// (3 to 7, on which no sound is named), and otherwise waits for the next call. So a loop
// whose home voice another loop already holds is heard all the same, from a spare voice.
#pragma once

#include <cstdint>

class cSoundBuffer;

// The voices no sound of the game is named on, for loops whose home voice is taken.
inline constexpr int32_t kFirstSpareVoice = 3;
inline constexpr int32_t kLastSpareVoice = 7;

struct LoopVoice
{
    int32_t voice = -1;                 // the voice holding the sound; -1 for none
    const cSoundBuffer* sound = nullptr; // the sound last started

    // True while the held voice still sounds the sound.
    bool Holds() const;
    // Makes sure the sound loops on a voice: unless a voice already holds it, it starts
    // looping at gain 0 on the home voice, or on a spare voice when the home voice is busy.
    // True when a voice holds it afterwards; false (nothing played) without audio, a sound
    // or a free voice.
    bool Start(int32_t home, cSoundBuffer* loop);
    // Start, then the held voice's gain (the sound's own gain not applied).
    void Keep(int32_t home, cSoundBuffer* loop, float gain);
    // Stops the held voice if it still sounds the sound (another sound there plays on),
    // and holds none.
    void Stop();
};

#include "game/objects/LoopVoice.h"

#include "KelpoBase/platform/AudioManager.h"

namespace
{
// The home voice when it is free, else the first free spare voice; -1 when none is free.
int32_t FreeVoice(const AudioManager& audio, int32_t home)
{
    if (audio.IsVoiceFree(home))
        return home;
    for (int32_t v = kFirstSpareVoice; v <= kLastSpareVoice; ++v)
        if (audio.IsVoiceFree(v))
            return v;
    return -1;
}
} // namespace

bool LoopVoice::Holds() const
{
    return voice >= 0 && gAudioManager != nullptr && gAudioManager->IsVoiceSounding(voice, sound);
}

bool LoopVoice::Start(int32_t home, cSoundBuffer* loop)
{
    if (loop == sound && Holds())
        return true;
    sound = loop;
    voice = -1;
    // Nothing starts while all sound is paused: a paused voice would pass for a free one.
    if (loop == nullptr || gAudioManager == nullptr || !gAudioManager->IsEnabled() || gAudioManager->IsPaused())
        return false;
    const int32_t free = FreeVoice(*gAudioManager, home);
    if (free < 0)
        return false;
    gAudioManager->PlayOnVoice(kPlayLoop, free, loop, 0.0f, 1.0f);
    voice = free;
    if (!Holds()) // a sound without samples has stopped already
        voice = -1;
    return voice >= 0;
}

void LoopVoice::Keep(int32_t home, cSoundBuffer* loop, float gain)
{
    if (Start(home, loop))
        gAudioManager->SetVoiceGain(voice, gain);
}

void LoopVoice::Stop()
{
    if (Holds())
        gAudioManager->StopVoice(voice);
    voice = -1;
}

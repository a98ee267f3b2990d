#include "game/objects/ObjectSounds.h"

#include <algorithm>
#include <cmath>

#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/core/Random.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/render/SoundResource.h"

namespace
{
void PlayWorldSound(cObjectLevel& level, const SoundList& list, float volume)
{
    PlayRandomOnVoice(list, TakeWorldVoice(level), volume);
}

// The shared body of the two uncapped world sounds.
void PlayFadingWorldSound(cObjectLevel& level, const SoundList& list, const cVec2f& point)
{
    float volume = 1.0f - CameraDistancePixels(level, point) / 768.0f;
    // A NaN distance gives no sound either.
    if (!(volume > 0.0f))
        return;
    volume = std::min(volume, 1.0f);
    PlayWorldSound(level, list, volume);
}
} // namespace

float CameraDistancePixels(const cObjectLevel& level, const cVec2f& point)
{
    return (point - level.cameraPos).Length() * 32.0f;
}

int TakeWorldVoice(cObjectLevel& level)
{
    int voice = level.nextVoice;
    if (voice < kFirstWorldVoice || voice > kLastWorldVoice)
        voice = kFirstWorldVoice;
    level.nextVoice = voice + 1 > kLastWorldVoice ? kFirstWorldVoice : voice + 1;
    return voice;
}

void PlayRandomOnVoice(const SoundList& list, int voice, float volume)
{
    cSound* sound = RandomVectorElement(list);
    if (sound != nullptr && gAudioManager != nullptr)
        gAudioManager->PlayOnVoice(0, voice, sound, volume, 1.0f);
}

void PlayPositionalSoundAt(cObjectLevel& level, const cVec2f& point)
{
    if (level.worldSoundFrame == level.frameCounter)
        return;
    level.worldSoundFrame = level.frameCounter;
    float volume = 1.0f - CameraDistancePixels(level, point) / 1024.0f;
    if (!(volume == volume))
        volume = 0.0f;
    ClampFloat(volume, 0.0f, 1.0f);
    PlayWorldSound(level, level.worldSounds3, volume);
}

void PlayPositionalSound(cObjectLevel& level, const cVec2f& point)
{
    PlayFadingWorldSound(level, level.worldSounds1, point);
}

void PlayPositionalSound2(cObjectLevel& level, const cVec2f& point)
{
    PlayFadingWorldSound(level, level.worldSounds2, point);
}

void PlayImpactSound(cObjectLevel& level, float speed)
{
    float v = std::fabs(speed) - 3.0f;
    if (!(v > 0.0f))
        return;
    v = std::min(v, 1.0f);
    if (gAudioManager != nullptr && gAudioManager->IsVoicePlaying(kPlayerVoice))
        return;
    PlayRandomOnVoice(level.impactSounds, kPlayerVoice, 0.5f * v);
}

void PlaySpringSound(cObjectLevel& level, float width, const cVec2f& point, const cVec2f& stretch)
{
    if (gAudioManager != nullptr && gAudioManager->IsVoicePlaying(kSpringVoice))
        return;
    if (level.IsPaused())
        return;
    const float l = 1024.0f * stretch.LengthSquared() - width * width;
    if (!(l > 64.0f))
        return;
    const SoundList& list = l > 128.0f ? level.springLoudSounds : level.springSoftSounds;
    float volume = 1.0f - CameraDistancePixels(level, point) / 768.0f;
    if (!(volume > 0.0f))
        return;
    volume = std::min(volume, 1.0f);
    PlayRandomOnVoice(list, kSpringVoice, volume);
}

void PlaySequenceSound(cObjectLevel& level)
{
    if (level.sequenceIndex < 0 || level.sequenceIndex > 3)
        level.sequenceIndex = 0;
    const size_t index = static_cast<size_t>(level.sequenceIndex);
    if (index < level.sequenceSounds.size() && level.sequenceSounds[index] != nullptr && gAudioManager != nullptr)
        gAudioManager->PlayOnVoice(0, kSequenceVoice, level.sequenceSounds[index], 1.0f, 1.0f);
    if (level.frameCounter != level.sequenceFrame)
    {
        level.sequenceFrame = level.frameCounter;
        level.sequenceIndex += 1;
        if (level.sequenceIndex > 3)
            level.sequenceIndex = 0;
    }
}

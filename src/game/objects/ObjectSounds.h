// Object sounds: level-wide routines that play effect sounds on behalf of objects.
//
// Objects do not own sounds. Each routine picks a sound at random from one of the
// level's sound lists (with the engine's generator) and plays it on a fixed voice or on
// the positional voices 8 to 11 in turn:
//   voice 1   the four-step sequence sounds
//   voice 2   the player's impacts
//   8 to 11   world sounds (the level's nextVoice; after 11 comes 8)
//   voice 13  spring sounds
// Loudness falls with the distance between the camera centre and the sound's point
// (metres, compared in pixels: x 32). Every play is unlooped at pitch 1, and a voice that
// cannot play (audio off, no such voice, a locked voice, an empty list) stays silent.
#pragma once

#include "KelpoBase/core/Vec2.h"
#include "game/objects/ObjectLevel.h"

// The voices used here.
inline constexpr int kSequenceVoice = 1;
inline constexpr int kPlayerVoice = 2;
inline constexpr int kFirstWorldVoice = 8;
inline constexpr int kLastWorldVoice = 11;
inline constexpr int kSpringVoice = 13;

// Distance in pixels between the camera centre and the point (metres).
float CameraDistancePixels(const cObjectLevel& level, const cVec2f& point);
// The voice a rotating index names, and the index moved on: 8, 9, 10, 11, 8, ... An index
// outside 8 to 11 (the level's rebuild leaves the positional index at 3) names voice 8,
// so rotating sounds never reach the voices below 8 that other sounds use or may use.
int TakeRotatingVoice(int32_t& index);
// The voice for the next world sound: TakeRotatingVoice on the level's nextVoice.
int TakeWorldVoice(cObjectLevel& level);
// Plays a random sound of the list on the voice (flags 0, pitch 1). An empty list still
// draws from the generator and plays nothing.
void PlayRandomOnVoice(const SoundList& list, int voice, float volume);

// A world sound of the third list, at most once per level frame; volume
// clamp(1 - d / 1024, 0, 1), played even at volume 0.
void PlayPositionalSoundAt(cObjectLevel& level, const cVec2f& point);
// A world sound of the first (second) list; volume 1 - d / 768, nothing at all when that
// is 0 or below.
void PlayPositionalSound(cObjectLevel& level, const cVec2f& point);
void PlayPositionalSound2(cObjectLevel& level, const cVec2f& point);
// The player's impact at that speed (m/s) on voice 2, unless voice 2 is still playing.
void PlayImpactSound(cObjectLevel& level, float speed);
// A spring stretched to `stretch` (metres, end to end) with a band `width` pixels wide,
// heard from the point (metres), on voice 13 unless that voice plays or the level is
// paused.
void PlaySpringSound(cObjectLevel& level, float width, const cVec2f& point, const cVec2f& stretch);
// The sequence sound at the current step on voice 1; the step advances at most once per
// level frame (0, 1, 2, 3, 0, ...).
void PlaySequenceSound(cObjectLevel& level);

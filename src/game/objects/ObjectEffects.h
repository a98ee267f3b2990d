// Object particle effects: the short bursts that breakable objects show when they break,
// are hit or touch something, and the per-frame ambience of some object types.
//
// Each routine is a table in code selected by the object's effect type (its "ObjectType"
// or "DestroyableType" number); types a routine does not list do nothing. Particles come
// from the level's particle pool (an exhausted pool yields fewer particles, never an
// error), sounds from the level's effect sound lists on the positional voices 8 to 11.
// Positions are pixels (metres x 32).
#pragma once

#include "KelpoBase/core/Vec2.h"
#include "game/objects/ObjectLevel.h"

// The burst when an object breaks: flash, debris and sound.
void SpawnBurstEffect(cObjectLevel& level, int type, const cVec2f& position, const cVec2f& bodyVelocity);
// The per-frame ambience: looping sounds that follow the nearest object of the type, or
// sparks and a glow.
void ObjectAmbientEffect(cObjectLevel& level, int type, const cVec2f& position);
// A ring of dust fading to the end alpha (0 to 1).
void SpawnDustPuff(cObjectLevel& level, const cVec2f& position, float endAlpha);
// The sound and splinters of a hit that does not break the object, and the rolling loops.
void SpawnHitEffect(cObjectLevel& level, int type, const cVec2f& point, float impact);
// Small debris on contact.
void SpawnContactEffect(cObjectLevel& level, int type, const cVec2f& point);

// Smoke from a damaged object: a few dark puffs rising, more the more damage (capped).
void SpawnDamageSmoke(cObjectLevel& level, const cVec2f& position, int damage);

// The home voice of the looping sound of an effect type, or -1 for a type without one.
int AmbientLoopVoice(int type);
// Keeps the type's loop alive: its volume slot takes the larger of itself and the volume
// (clamped to 0..1); the first call in a level starts the loop, silent, on its voice
// (LoopVoice: the home voice, or a spare one when another sound holds it).
void KeepAmbientLoop(cObjectLevel& level, int type, float volume);
// The level's side of the loops, once a frame: every volume slot cleared before the
// objects run (they raise the slots again), then each started loop's voice given its
// slot's volume, so a loop falls silent once nothing asks for it. A loop sets only a voice
// that still plays it, and one whose voice was taken starts again on a free one.
void ClearAmbientLoopVolumes(cObjectLevel& level);
void ApplyAmbientLoopVolumes(cObjectLevel& level);
// A level (re)built: the loops still playing stop, and none counts as started.
void ResetAmbientLoops(cObjectLevel& level);
// A random sound of the list on the next positional voice when the volume
// clamp(1 - d / range, 0, 1) x scale is above 0 (the voice then moves on).
void PlayEffectSound(cObjectLevel& level, const SoundList& list, const cVec2f& position, float range,
                     float scale = 1.0f);

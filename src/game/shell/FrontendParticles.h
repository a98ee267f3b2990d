// The particle bursts both front ends throw over their menus: hearts, confetti with its
// flash, and falling flowers. Each draws from the front end's own pool and picture lists.
#pragma once

#include <vector>

class cParticlePool;
struct ImageRect;

// Twelve hearts flying out of (x, y).
void SpawnHeartBurst(cParticlePool& pool, const std::vector<ImageRect*>& hearts, float x, float y);
// A growing flash and twenty-four pieces of confetti out of (x, y).
void SpawnConfettiBurst(cParticlePool& pool, ImageRect* flash, const std::vector<ImageRect*>& confetti, float x, float y);
// One flower falling from above a random point of the screen's width.
void SpawnFallingFlower(cParticlePool& pool, const std::vector<ImageRect*>& flowers);

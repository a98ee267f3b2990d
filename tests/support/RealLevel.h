// A real level for tests: the game's own cLevel, started and built the way the game's level
// state makes one (the level start, then the rebuild), from a scene set on disk:
//   - a level of the sample data tree that the build makes (target sample_data), chosen by
//     its global level number through the game's level table, or
//   - a level scene that the test writes with the scene writer into a maps file of its own
//     (BuildMapBase gives the player rig and the shared object scenes); everything else the
//     level loads (display, fonts, sounds, effect images, the player's look) still comes
//     from the sample tree.
//
// Sounds play on OpenAL Soft's loopback device, so the level's voices can be read and what
// they play heard. With `render` set the level draws through the OpenGL renderer into the
// off-screen target (offscreen video driver); otherwise it draws into a context with no
// renderer, which draws nothing. Input is scripted: each frame holds the keys given to
// Step, written into the input block the way the window procedure writes it.
//
// One RealLevel exists at a time; it owns the level, the audio manager and the renderer,
// and gives everything back (resource groups, host, input) when it goes.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "KelpoBase/core/Vec2.h"
#include "datagen/SceneKit.h"

class AudioManager;
struct AudioVoice;
class cGameObj;
class cLevel;
class cParticlePool;
class cRenderer_OGL_1;

namespace tvtest
{
struct RealLevelOptions
{
    int32_t levelNumber = 0; // the global level number (mode and index decoded from it)
    bool render = false;     // draw through the OpenGL renderer
    int screenWidth = 1280;
    int screenHeight = 720;
    // The saved look the level dresses the player with: hair, body, base, cup, trail.
    std::array<int32_t, 5> look{};
};

// A level scene in a maps file from BuildMapBase: the player rig as its needed scenes, a
// "boundary" rectangle from (0, 0) to (width, height) pixels and the "player" start at
// (x, y). Add elements to its "elements" array; the reference stays valid while scenes are
// added to the file.
datagen::Json& AddLevelScene(datagen::SceneFile& maps, const std::string& name, float width, float height,
                             float playerX, float playerY, datagen::Json props = datagen::Json::array());
// Ground scene bits (512 x 64 pixels each, top at y) from x0 to x1.
void AddGround(datagen::Json& scene, float x0, float x1, float y);

class RealLevel
{
public:
    // The sample tree's level of options.levelNumber.
    explicit RealLevel(const RealLevelOptions& options = {});
    // The scene `sceneName` of the maps file, written below the test's working folder.
    RealLevel(const datagen::SceneFile& maps, const std::string& sceneName, const RealLevelOptions& options = {});
    RealLevel(const RealLevel&) = delete;
    RealLevel& operator=(const RealLevel&) = delete;
    ~RealLevel();

    // True when the level scene was found and built; otherwise why not.
    bool Ready() const { return error.empty(); }
    const std::string& Error() const { return error; }

    cLevel& Level() { return *level; }
    // Frames as the game's loop runs them: the held keys in the input block (every other
    // key up), the level's update, the input copied to the previous frame, the draw.
    void Step(int frames = 1, std::initializer_list<uint32_t> held = {});
    // A frame's draw alone, as the game draws it: (when rendering) the frame cleared to
    // opaque black, then the level's current state.
    void Draw();

    // The pool the objects fill and the level's second pool.
    cParticlePool& EffectPool();
    cParticlePool& SecondPool();
    AudioManager& Audio() { return *audio; }
    AudioVoice* Voice(int index) const;
    // Renders sample frames of the loopback device (stereo, interleaved), advancing every
    // playing voice by that much.
    std::vector<float> Listen(int sampleFrames);

    // The first object of that name in the level's lists, or null.
    cGameObj* Object(const std::string& name);
    // The camera centre in metres.
    cVec2f Camera() const;
    // Frames run since the level was built.
    int Frames() const { return frames; }

private:
    void Start(const RealLevelOptions& options, const std::string& sceneName);

    struct Host;
    std::unique_ptr<Host> host;
    std::unique_ptr<cRenderer_OGL_1> renderer;
    AudioManager* audio = nullptr;
    cLevel* level = nullptr;
    std::set<uint32_t> heldKeys;
    std::string error;
    int frames = 0;
};
} // namespace tvtest

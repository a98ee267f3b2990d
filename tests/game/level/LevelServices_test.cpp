// What a real level gives its objects, proven in real levels built from scenes written
// here over the sample data tree: the player's appearance (particles, images, its sound),
// object debris that blends and fades on screen, ambient loops at their volume, area sounds
// and object loops named on the same voices all heard at once, the animation that answers
// a jump, springs quiet in the pause menu, shots that wait for an idle voice, a camera that
// never jumps in a narrow level, the damping rule, the line joint's pieces and the pulley's
// ropes that no rule sees and no deleted object leaves behind, and a motor started on
// contact whose joint went with a collected pickup.
#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "GLTestContext.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElementControllers.h"
#include "KelpoBase/gla/Particles.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/AudioTestSupport.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/render/Material.h"
#include "KelpoBase/render/SoundResource.h"
#include "RealLevel.h"
#include "datagen/SampleScenes.h"
#include "game/level/Level.h"
#include "game/objects/DynamicObject.h"
#include "game/objects/GameObj.h"
#include "game/objects/PickupObject.h"
#include "game/objects/RigidBodyController.h"

#if defined(__SANITIZE_ADDRESS__) && __has_include(<sanitizer/asan_interface.h>)
#include <sanitizer/asan_interface.h>
#define TV_POISON(address, size) ASAN_POISON_MEMORY_REGION(address, size)
#define TV_UNPOISON(address, size) ASAN_UNPOISON_MEMORY_REGION(address, size)
#else
#define TV_POISON(address, size) ((void)(address), (void)(size))
#define TV_UNPOISON(address, size) ((void)(address), (void)(size))
#endif

using datagen::Json;
using namespace tvtest;

namespace
{
Json F(const char* name, float v) { return datagen::Prop(name, "float", v); }
Json B(const char* name) { return datagen::Prop(name, "bool", true); }
Json E(const char* name, int v) { return datagen::Prop(name, "enum", v); }
Json I(const char* name, int v) { return datagen::Prop(name, "int", v); }
Json SceneRef(const char* scene) { return datagen::Prop("scene", "scene", scene); }
Json Ref(const char* name, const char* target) { return datagen::Prop(name, "element", target); }
void Add(Json& scene, Json element) { scene["elements"].push_back(std::move(element)); }

// A level exactly the size of the 1280 x 720 view, so that the camera stands at its centre
// (20, 11.25) m; ground along the bottom, the player on the left.
Json& ScreenSizedLevel(datagen::SceneFile& maps)
{
    Json& scene = AddLevelScene(maps, "level_test", 1280, 720, 200, 560);
    AddGround(scene, 0, 1280, 660);
    return scene;
}

// An object scene with a sprite "spring" (its picture's height is a spring's band width).
void AddSpringScene(datagen::SceneFile& maps)
{
    Json& s = maps.AddScene("obj_springy", 1);
    s["elements"].push_back(datagen::Sprite("spring", maps.Art("springy", 16, 16, "box", "#c0c0c0"), 0, 0));
    s["elements"].push_back(datagen::Zone("shape", "CollisionZone", 0, 0, datagen::Box(0, 0, 32, 32)));
}

// The properties of a crate that falls and tumbles.
Json CrateProps() { return Json::array({SceneRef("obj_crate"), E("Collide", 5), F("Mass", 1), F("MassRotation", 1)}); }

cDynamicObject* Dynamic(RealLevel& real, const char* name)
{
    cGameObj* object = real.Object(name);
    return object != nullptr ? cDynamicObject::Of(object) : nullptr;
}

template <class Pick>
std::vector<cParticle*> Particles(cParticlePool& pool, Pick pick)
{
    std::vector<cParticle*> found;
    for (cParticle* p = pool.head; p != nullptr; p = p->next)
        if (pick(*p))
            found.push_back(p);
    return found;
}

bool Holds(const ImageList& list, const ImageRect* image)
{
    return image != nullptr && std::find(list.begin(), list.end(), image) != list.end();
}

bool Holds(const SoundList& list, const cSoundBuffer* sound)
{
    return sound != nullptr && std::find(list.begin(), list.end(), sound) != list.end();
}

// The voices whose current sound is this one, playing.
std::vector<int> VoicesSounding(RealLevel& real, const cSoundBuffer* sound)
{
    std::vector<int> found;
    for (int v = 0; v < real.Audio().GetVoiceCount(); ++v)
        if (real.Audio().IsVoicePlaying(v) && real.Voice(v)->IsPlayingSound(sound))
            found.push_back(v);
    return found;
}

// The loops of the lava and the rain, both named on voice 14, in a level where rain falls.
void LavaAndRainLoops(const cLevel& level, const cSoundBuffer*& lava, const cSoundBuffer*& rain)
{
    ASSERT_GT(level.PerformanceMode(), 1) << "rain falls";
    ASSERT_GE(level.ambientSlots.size(), 3u);
    lava = level.ambientSlots[0];
    rain = level.ambientSlots[2];
    ASSERT_NE(lava, nullptr);
    ASSERT_NE(rain, nullptr);
}

std::string Hex(uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}
} // namespace

TEST(LevelServices, PlayerAppearsWithItsParticlesImagesAndSound)
{
    datagen::SceneFile maps = datagen::BuildMapBase();
    ScreenSizedLevel(maps);
    RealLevel real(maps, "level_test");
    ASSERT_TRUE(real.Ready()) << real.Error();
    cLevel& level = real.Level();
    // The effects fill the first of the level's two pools.
    EXPECT_EQ(level.particles, &real.EffectPool());
    EXPECT_EQ(real.EffectPool().Capacity(), 1024u);
    EXPECT_EQ(real.SecondPool().Capacity(), 256u);
    const ImageRect* appear = level.PlayerAppearImage();
    const ImageRect* burst = level.PlayerBurstImage();
    ASSERT_NE(appear, nullptr);
    ASSERT_NE(burst, nullptr);
    EXPECT_NE(appear, burst);
    EXPECT_NE(level.PlayerTrailImage(), nullptr);

    // Four converging particles a frame, glowing, from the first frame of the appearance.
    real.Step(1);
    auto withImage = [&](const ImageRect* image) {
        return Particles(real.EffectPool(), [image](const cParticle& p) { return p.image == image; });
    };
    const std::vector<cParticle*> first = withImage(appear);
    ASSERT_EQ(first.size(), 4u);
    for (const cParticle* p : first)
        EXPECT_EQ(p->renderMode, int32_t(kBlendCodeAdditive));
    EXPECT_TRUE(withImage(burst).empty());
    real.Step(19);
    EXPECT_EQ(withImage(burst).size(), 1u);

    // The arrival sound on voice 2 once the player takes over (frame 30), not before.
    real.Step(9);
    EXPECT_FALSE(real.Audio().IsVoicePlaying(2));
    real.Step(1);
    ASSERT_TRUE(real.Audio().IsVoicePlaying(2));
    EXPECT_TRUE(Holds(level.levelStartSounds, real.Voice(2)->currentSound));

    // In play the trail follows the player.
    real.Step(30);
    EXPECT_FALSE(withImage(level.PlayerTrailImage()).empty());
}

TEST(LevelServices, BrokenBarrelLeavesBlendedDebrisThatFadesOnScreen)
{
    datagen::SceneFile maps = datagen::BuildMapBase();
    Json& scene = ScreenSizedLevel(maps);
    Add(scene, datagen::GameObj("barrel", "DynamicObject", 900, 300,
                                Json::array({SceneRef("obj_barrel"), B("StaticObject"), B("Destroyable"),
                                             I("DestroyableFrames", 1), F("DestroyableForce", 1000),
                                             E("DestroyableType", 1), E("Collide", 5)})));
    RealLevelOptions options;
    options.render = true;
    RealLevel real(maps, "level_test", options);
    ASSERT_TRUE(real.Ready()) << real.Error();
    cLevel& level = real.Level();
    real.Step(40);
    cDynamicObject* barrel = Dynamic(real, "barrel");
    ASSERT_NE(barrel, nullptr);
    barrel->Activate(); // an active breakable object activated again breaks
    real.Step(1);

    auto debris = [&] {
        return Particles(real.EffectPool(), [&](const cParticle& p) { return Holds(level.barrelPieces, p.image); });
    };
    ASSERT_EQ(debris().size(), 20u);
    const std::vector<cParticle*> flash =
        Particles(real.EffectPool(), [&](const cParticle& p) { return p.image == level.effectImages[4]; });
    ASSERT_EQ(flash.size(), 1u);
    EXPECT_EQ(flash[0]->renderMode, int32_t(kBlendCodeAlpha));
    for (const cParticle* p : debris())
        EXPECT_EQ(p->renderMode, int32_t(kBlendCodeAlpha));

    // Half way through its life a piece is half transparent, and shows so on screen: over
    // whatever lies behind it, the frame holds piece and background in that proportion.
    real.Step(29);
    const cVec2f centre(640.0f, 360.0f); // the camera's view centre, in level pixels
    cParticle* piece = nullptr;
    for (cParticle* p : debris())
    {
        const cVec2f at = p->position - level.cameraPos * 32.0f + centre;
        // Clear of the display along the top and of the screen's edges.
        if (p->delay <= 0 && at.x > 100 && at.x < 1180 && at.y > 150 && at.y < 600)
            piece = p;
    }
    ASSERT_NE(piece, nullptr) << "every piece left the screen";
    const float alpha = float(piece->colour >> 24) / 255.0f;
    EXPECT_NEAR(alpha, 0.5f, 0.05f);
    for (cParticle* p = real.EffectPool().head; p != nullptr; p = p->next)
        if (p != piece)
            p->delay = 1; // not drawn
    const cVec2f at = piece->position - level.cameraPos * 32.0f + centre;
    const int x = int(std::lround(at.x)), y = int(std::lround(at.y));
    real.Draw();
    const uint32_t shown = ReadScreenPixel(x, y, 720);
    piece->delay = 1;
    real.Draw();
    const uint32_t behind = ReadScreenPixel(x, y, 720);
    const uint32_t barColour = 0xFF3060A0u; // the pieces' pictures: (160, 96, 48)
    uint32_t expected = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8)
    {
        const float over = float((barColour >> shift) & 0xFF) * alpha + float((behind >> shift) & 0xFF) * (1.0f - alpha);
        expected |= uint32_t(std::lround(over)) << shift;
    }
    EXPECT_TRUE(ColoursNear(shown | 0xFF000000u, expected, 8))
        << "shown " << Hex(shown) << " behind " << Hex(behind) << " expected " << Hex(expected);

    // Later the pieces are fainter still.
    real.Step(20);
    ASSERT_EQ(debris().size(), 20u);
    for (const cParticle* p : debris())
        EXPECT_LT(float(p->colour >> 24) / 255.0f, alpha - 0.2f);
}

TEST(LevelServices, AmbientObjectPlaysItsLoopAtItsVolumeAndFallsSilentWhenItGoes)
{
    datagen::SceneFile maps = datagen::BuildMapBase();
    Json& scene = ScreenSizedLevel(maps);
    // 256 pixels right of the camera: the fan's loop (heard over 1024 pixels) at 0.75.
    Add(scene, datagen::GameObj("fan", "DynamicObject", 640 + 256, 360,
                                Json::array({SceneRef("obj_crate"), B("StaticObject"), B("Destroyable"),
                                             I("DestroyableFrames", 1), F("DestroyableForce", 1000),
                                             E("DestroyableType", 20), E("Collide", 5)})));
    RealLevel real(maps, "level_test");
    ASSERT_TRUE(real.Ready()) << real.Error();
    cLevel& level = real.Level();
    const int voice = 17;
    real.Step(5);
    ASSERT_NE(level.ambient[20].sound, nullptr) << "the type has a loop of the level's";
    ASSERT_TRUE(real.Voice(voice)->IsPlayingSound(level.ambient[20].sound));
    EXPECT_NEAR(real.Voice(voice)->GetGain(), 0.75f, 1e-4f);
    real.Step(5);
    EXPECT_NEAR(real.Voice(voice)->GetGain(), 0.75f, 1e-4f);

    cDynamicObject* fan = Dynamic(real, "fan");
    ASSERT_NE(fan, nullptr);
    fan->Activate(); // breaks it
    real.Step(2);
    EXPECT_FLOAT_EQ(real.Voice(voice)->GetGain(), 0.0f);
}

// Area sounds and object loops that are named on the same voices are all heard at once: a
// barrel bouncing beside a strong updraft (fast air on voice 15, wind on 16; no voice is
// named for the barrel) and a fan beside an ordinary updraft (the fan on 17, where slow air
// is named too). Each sound plays on one voice of its own at its own gain, while the barrel
// bounces and after it has come to rest; a sound that takes a loop's voice keeps its gain.
TEST(LevelServices, AreaSoundsAndObjectLoopsAreAllHeardOnVoicesOfTheirOwn)
{
    datagen::SceneFile maps = datagen::BuildMapBase();
    Json& scene = ScreenSizedLevel(maps);
    // The camera stands at (640, 360). The strong updraft 360 pixels to its right (x 1000 to
    // 1200): its channels at 1 - 360 / 768. The ordinary updraft up to the left (x 100 to
    // 400, y 80 to 300), 247 pixels away: slow air at 1 - 247 / 768 and the wind at 0.3 of that.
    Add(scene, datagen::Zone("strong", "Hole", 1100, 350, datagen::Box(0, 0, 200, 500), Json::array({E("Type", 10)})));
    Add(scene, datagen::Zone("updraft", "Hole", 250, 190, datagen::Box(0, 0, 300, 220), Json::array({E("Type", 1)})));
    // The fan 256 pixels left of the camera: its loop at 1 - 256 / 1024.
    Add(scene, datagen::GameObj("fan", "DynamicObject", 384, 360,
                                Json::array({SceneRef("obj_crate"), B("StaticObject"), E("DestroyableType", 20),
                                             E("Collide", 5)})));
    // The barrel drops onto a plank short of the strong updraft (a barrel on it would silence
    // it); its rolling loop follows its hits on other objects, over 512 pixels.
    Add(scene, datagen::GameObj("plank", "DynamicObject", 860, 600,
                                Json::array({SceneRef("obj_plank"), B("StaticObject"), E("Collide", 5)})));
    Add(scene, datagen::GameObj("barrel", "DynamicObject", 860, 400,
                                Json::array({SceneRef("obj_barrel"), E("DestroyableType", 1), E("Collide", 5),
                                             F("Mass", 1), F("MassRotation", 1)})));
    RealLevel real(maps, "level_test");
    ASSERT_TRUE(real.Ready()) << real.Error();
    cLevel& level = real.Level();
    ASSERT_GE(level.ambientSlots.size(), 10u);
    cSound* const fastAir = level.ambientSlots[9];
    cSound* const wind = level.ambientSlots[4];
    cSound* const slowAir = level.ambientSlots[8];
    cSound* const fan = level.ambient[20].sound;
    cSound* const barrel = level.ambient[1].sound;
    for (cSound* sound : {fastAir, wind, slowAir, fan, barrel})
        ASSERT_NE(sound, nullptr);
    cGameObj* barrelObject = real.Object("barrel");
    ASSERT_NE(barrelObject, nullptr);
    b2Body* barrelBody = barrelObject->GetRigidBodyController()->GetBody();

    const std::vector<int> spare = {3, 4, 5, 6, 7}; // voices no sound is named on
    struct Heard
    {
        const char* what;
        const cSoundBuffer* sound;
        int home; // -1: none named
        float gain;
    };
    auto expectHeard = [&](const std::vector<Heard>& sounds, const char* when) {
        for (const Heard& h : sounds)
        {
            const std::vector<int> voices = VoicesSounding(real, h.sound);
            if (voices.size() != 1u)
            {
                ADD_FAILURE() << h.what << " plays on " << voices.size() << " voices " << when;
                continue;
            }
            const int v = voices[0];
            const bool spareVoice = std::find(spare.begin(), spare.end(), v) != spare.end();
            EXPECT_TRUE(v == h.home || spareVoice) << h.what << " on voice " << v << " " << when;
            EXPECT_FLOAT_EQ(real.Voice(v)->GetGain(), h.gain) << h.what << " on voice " << v << " " << when;
        }
    };
    auto allSounds = [&](float barrelGain) {
        return std::vector<Heard>{{"fast air", fastAir, 15, level.ambientChannels[4].gain},
                                  {"wind", wind, 16, level.ambientChannels[2].gain},
                                  {"slow air", slowAir, 17, level.ambientChannels[3].gain},
                                  {"fan", fan, 17, 0.75f},
                                  {"barrel", barrel, -1, barrelGain}};
    };

    // The barrel's first hits on the ground.
    for (int i = 0; i < 90 && !(level.ambient[1].volume > 0.0f); ++i)
        real.Step(1);
    const float hit = level.ambient[1].volume;
    ASSERT_GT(hit, 0.1f) << "the barrel hits the plank";
    expectHeard(allSounds(hit), "as the barrel bounces");

    // At rest: the barrel's loop silent on its own voice, the others at their gains.
    real.Step(150);
    ASSERT_LT(barrelBody->GetLinearVelocity().Length(), 0.05f) << "the barrel lies still";
    ASSERT_FLOAT_EQ(level.ambient[1].volume, 0.0f);
    expectHeard(allSounds(0.0f), "with the barrel at rest");
    EXPECT_NEAR(level.ambientChannels[4].gain, 1.0f - 360.0f / 768.0f, 0.01f);
    EXPECT_NEAR(level.ambientChannels[2].gain, 1.0f - 360.0f / 768.0f, 0.01f);
    EXPECT_NEAR(level.ambientChannels[3].gain, 0.678f, 0.01f);

    // Another sound takes the wind's voice: it plays on at its own gain, and the wind goes on
    // from a free voice.
    cSound* other = level.checkpointSounds.empty() ? nullptr : level.checkpointSounds[0];
    ASSERT_NE(other, nullptr);
    const int windVoice = VoicesSounding(real, wind).at(0);
    real.Audio().PlayOnVoice(0, windVoice, other, 1.0f);
    real.Step(2);
    EXPECT_TRUE(real.Audio().IsVoiceSounding(windVoice, other));
    EXPECT_FLOAT_EQ(real.Voice(windVoice)->GetGain(), 1.0f);
    expectHeard(allSounds(0.0f), "after the wind's voice was taken");

    // A rebuild stops the run's loops and leaves the other sound alone (the fan's loop starts
    // again in the rebuild's first pass over the objects); the new run starts them again.
    level.restartRequest = true;
    real.Step(1);
    for (const cSoundBuffer* sound : {fastAir, wind, slowAir, barrel})
        EXPECT_TRUE(VoicesSounding(real, sound).empty()) << "after the rebuild";
    EXPECT_TRUE(real.Audio().IsVoiceSounding(windVoice, other));
    real.Step(2); // the camera has come to the view's centre
    std::vector<Heard> again = allSounds(0.0f);
    again.pop_back(); // the barrel has not hit anything yet
    expectHeard(again, "in the new run");
}

// Lava and rain are both named on voice 14: the rain, started once over the lava, keeps its
// own volume, and the lava goes on from a free voice at its distance's volume.
TEST(LevelServices, LavaAndRainOnOneNamedVoiceAreBothHeard)
{
    datagen::SceneFile maps = datagen::BuildMapBase();
    Json& scene = ScreenSizedLevel(maps);
    // Lava 260 pixels right of the camera (x 900 to 1100): 1 - 260 / 768. Rain anywhere.
    Add(scene, datagen::Zone("lava", "Hole", 1000, 360, datagen::Box(0, 0, 200, 100), Json::array({E("Type", 3)})));
    Add(scene, datagen::Zone("rain", "Hole", 300, 150, datagen::Box(0, 0, 200, 100), Json::array({E("Type", 13)})));
    RealLevel real(maps, "level_test");
    ASSERT_TRUE(real.Ready()) << real.Error();
    cLevel& level = real.Level();
    const cSoundBuffer* lava = nullptr;
    const cSoundBuffer* rain = nullptr;
    ASSERT_NO_FATAL_FAILURE(LavaAndRainLoops(level, lava, rain));
    for (int frames : {3, 30})
    {
        real.Step(frames);
        EXPECT_TRUE(real.Audio().IsVoiceSounding(14, rain));
        EXPECT_FLOAT_EQ(real.Voice(14)->GetGain(), 0.75f);
        const std::vector<int> voices = VoicesSounding(real, lava);
        ASSERT_EQ(voices.size(), 1u);
        EXPECT_GE(voices[0], 3);
        EXPECT_LE(voices[0], 7);
        EXPECT_NEAR(level.lavaTarget, 1.0f - 260.0f / 768.0f, 1e-4f);
        EXPECT_FLOAT_EQ(real.Voice(voices[0])->GetGain(), level.lavaTarget);
    }
}

// The rain of the sample hazards level goes on for as long as play does: a loop on voice 14,
// still sounding after ten seconds of sound have been played, far longer than its file, with
// the lava (named on 14 as well) going on from a spare voice. The pause menu stops it; once
// the menu has closed the rain starts again and goes on as before. The player stands in the
// rain throughout (it would fall wherever the player was).
TEST(LevelServices, RainOfTheHazardsLevelSoundsUntilThePauseMenuAndAfterIt)
{
    RealLevelOptions options;
    options.levelNumber = 4; // story level 5, of the hazards template
    RealLevel real(options);
    ASSERT_TRUE(real.Ready()) << real.Error();
    cLevel& level = real.Level();
    const cSoundBuffer* lava = nullptr;
    const cSoundBuffer* rain = nullptr;
    ASSERT_NO_FATAL_FAILURE(LavaAndRainLoops(level, lava, rain));
    const auto found = std::find_if(level.areas.begin(), level.areas.end(),
                                    [](const PolygonArea* a) { return a->type == 13; });
    ASSERT_NE(found, level.areas.end()) << "the level has its rain";
    cVec2f lo = (*found)->points.at(0), hi = lo;
    for (const cVec2f& p : (*found)->points)
    {
        lo.Set(std::min(lo.x, p.x), std::min(lo.y, p.y));
        hi.Set(std::max(hi.x, p.x), std::max(hi.y, p.y));
    }
    // Under the rain, on the ground the player starts on, short of the level's end (whose
    // area the rain's overlaps).
    level.playerObject->SetPosition(cVec2f(lo.x + 1.0f, level.playerStart.y));
    auto inTheRain = [&] {
        const cVec2f at = *level.playerObject->GetPosition();
        return at.x > lo.x && at.x < hi.x && at.y > lo.y && at.y < hi.y;
    };
    auto rainSounds = [&] { return real.Audio().IsVoiceSounding(14, rain); };
    auto runUntil = [&](int32_t (cLevel::*state)(int32_t, int32_t), std::initializer_list<uint32_t> keys) {
        real.Step(1, keys);
        for (int i = 0; i < 60 && !level.stateMachine.IsCurrent(state); ++i)
            real.Step(1);
        return level.stateMachine.IsCurrent(state);
    };
    auto tenSecondsOn = [&](const char* when) {
        real.Listen(10 * tvtest::kLoopbackRate);
        real.Step(1);
        EXPECT_TRUE(inTheRain()) << when;
        EXPECT_TRUE(rainSounds()) << when;
        EXPECT_FLOAT_EQ(real.Voice(14)->GetGain(), 0.75f) << when;
        const std::vector<int> lavaVoices = VoicesSounding(real, lava);
        EXPECT_TRUE(lavaVoices.size() == 1u && lavaVoices[0] >= kFirstSpareVoice && lavaVoices[0] <= kLastSpareVoice)
            << when;
    };

    ASSERT_TRUE(runUntil(&cLevel::StateRunning, {}));
    real.Step(30);
    ASSERT_TRUE(rainSounds()) << "the rain starts";
    tenSecondsOn("in play");

    ASSERT_TRUE(runUntil(&cLevel::StatePauseMenu, {KEY_ESCAPE}));
    real.Step(1);
    EXPECT_FALSE(real.Audio().IsVoicePlaying(14)) << "the pause menu stops the rain";
    real.Listen(tvtest::kLoopbackRate);
    real.Step(10);
    EXPECT_FALSE(real.Audio().IsVoicePlaying(14)) << "and it stays stopped while the menu shows";

    ASSERT_TRUE(runUntil(&cLevel::StateRunning, {KEY_ESCAPE}));
    real.Step(2);
    EXPECT_TRUE(rainSounds()) << "the rain starts again after the menu";
    tenSecondsOn("after the menu");
}

TEST(LevelServices, AnimationOfModeSixAnswersAJumpInANoJumpZone)
{
    datagen::SceneFile maps = datagen::BuildMapBase();
    Json& scene = ScreenSizedLevel(maps);
    Add(scene, datagen::Zone("noJump", "Hole", 200, 500, datagen::Box(0, 0, 300, 400), Json::array({E("Type", 14)})));
    Add(scene, datagen::GameObj("sign", "DynamicObject", 700, 300,
                                Json::array({SceneRef("obj_checkpoint"), B("StaticObject"), E("Animate", 6)})));
    RealLevel real(maps, "level_test");
    ASSERT_TRUE(real.Ready()) << real.Error();
    cDynamicObject* sign = Dynamic(real, "sign");
    ASSERT_NE(sign, nullptr);
    ASSERT_NE(sign->sceneController, nullptr);
    ASSERT_GT(sign->sceneController->GetFrameCount(), 2);

    real.Step(40);
    EXPECT_FALSE(sign->sceneController->playing);
    // The press (the player cannot jump here), then the frame that sees it.
    real.Step(1, {KEY_SPACE});
    EXPECT_FALSE(sign->sceneController->playing);
    real.Step(1, {KEY_SPACE});
    EXPECT_TRUE(sign->sceneController->playing);
    EXPECT_LE(sign->sceneController->frame, 1);
}

TEST(LevelServices, SpringIsSilentInThePauseMenu)
{
    datagen::SceneFile maps = datagen::BuildMapBase();
    AddSpringScene(maps);
    Json& scene = ScreenSizedLevel(maps);
    // A spring held at both ends, 100 pixels apart: stretched, it creaks as it is drawn.
    Add(scene, datagen::GameObj("spring", "DynamicObject", 640, 300,
                                Json::array({SceneRef("obj_springy"), E("DestroyableType", 6), E("Collide", 5)})));
    Add(scene, datagen::Marker("endA", "RevoluteJoint", 590, 300, 1, Json::array({Ref("Body1", "spring")})));
    Add(scene, datagen::Marker("endB", "RevoluteJoint", 690, 300, 1, Json::array({Ref("Body1", "spring")})));
    RealLevel real(maps, "level_test");
    ASSERT_TRUE(real.Ready()) << real.Error();
    cLevel& level = real.Level();
    const int voice = 13;
    real.Step(40);
    ASSERT_TRUE(real.Audio().IsVoicePlaying(voice)) << "the spring creaks in play";
    EXPECT_TRUE(Holds(level.springLoudSounds, real.Voice(voice)->currentSound));

    real.Step(1, {KEY_ESCAPE});
    real.Step(15);
    ASSERT_TRUE(level.stateMachine.IsCurrent(&cLevel::StatePauseMenu));
    real.Step(10);
    EXPECT_FALSE(real.Audio().IsVoicePlaying(voice));
}

TEST(LevelServices, ShotsOfTypesFourEightAndTwentyFourWaitForAnIdleVoice)
{
    datagen::SceneFile maps = datagen::BuildMapBase();
    ScreenSizedLevel(maps);
    RealLevel real(maps, "level_test");
    ASSERT_TRUE(real.Ready()) << real.Error();
    cLevel& level = real.Level();
    AudioManager& audio = real.Audio();
    cSound* busy = level.ambientSlots[0]; // any sound of the level, looping
    ASSERT_NE(busy, nullptr);
    real.Step(1); // the camera's view is made
    const cVec2f at = level.cameraPos; // in view, no distance

    struct Case
    {
        int32_t type;
        const SoundList* shots;
        bool thenTypeTwo;
    } cases[] = {{4, &level.objectTypeSounds[0], false},
                 {8, &level.objectTypeSounds[1], false},
                 {24, &level.objectTypeSounds[2], true}};
    for (const Case& c : cases)
    {
        for (int v = 8; v <= 11; ++v)
            audio.StopVoice(v);
        audio.PlayOnVoice(kPlayLoop, 8, busy, 1.0f);
        level.nextVoice = 8;
        // Voice 8 is busy: the shot is not played over it, and the voice moves on.
        level.PlayObjectTypeSound(c.type, at.x, at.y);
        EXPECT_TRUE(real.Voice(8)->IsPlayingSound(busy)) << c.type;
        EXPECT_EQ(level.nextVoice, c.thenTypeTwo ? 10 : 9) << c.type;
        if (c.thenTypeTwo)
        {
            // The distance sound of type 2 does not wait.
            EXPECT_TRUE(Holds(level.objectTypeSounds[3], real.Voice(9)->currentSound));
        }
        // An idle voice takes the shot.
        const int next = level.nextVoice;
        level.PlayObjectTypeSound(c.type, at.x, at.y);
        EXPECT_TRUE(Holds(*c.shots, real.Voice(next)->currentSound)) << c.type;
    }
}

TEST(LevelServices, CameraStaysPutInALevelSmallerThanTheView)
{
    datagen::SceneFile maps = datagen::BuildMapBase();
    // 800 x 500 pixels in a 1280 x 720 view: the limits cross on both axes, and the upper
    // ones, (800 - 640) / 32 = 5 and (500 - 360) / 32 = 4.375, hold.
    Json& scene = AddLevelScene(maps, "level_test", 800, 500, 400, 300);
    AddGround(scene, 0, 800, 440);
    RealLevel real(maps, "level_test");
    ASSERT_TRUE(real.Ready()) << real.Error();
    cGameObj* player = real.Level().playerObject;
    ASSERT_NE(player, nullptr);
    for (float x : {1.0f, 4.9f, 5.0f, 5.1f, 12.0f, 24.0f})
    {
        player->SetPosition(cVec2f(x, 8.0f));
        real.Step(1);
        EXPECT_FLOAT_EQ(real.Camera().x, 5.0f) << x;
        EXPECT_FLOAT_EQ(real.Camera().y, 4.375f) << x;
    }
}

TEST(LevelServices, DampedBodiesLoseSpeedAsTheLevelsAreTuned)
{
    datagen::SceneFile maps = datagen::BuildMapBase();
    Json& scene = AddLevelScene(maps, "level_test", 4096, 2048, 200, 1900);
    AddGround(scene, 0, 4096, 1960);
    // A mover that is not on a path floats free, with the movers' linear damping 1.0.
    Add(scene, datagen::GameObj("lift", "Mover", 400, 400, Json::array({SceneRef("obj_platform"), B("Dynamic")})));
    RealLevel real(maps, "level_test");
    ASSERT_TRUE(real.Ready()) << real.Error();
    cGameObj* lift = real.Object("lift");
    ASSERT_NE(lift, nullptr);
    cRigidBodyController* rb = lift->GetRigidBodyController();
    ASSERT_NE(rb, nullptr);
    ASSERT_NE(rb->GetBody(), nullptr);

    // One second after 10 m/s: 10 (1 - d/30)^30; a damping of 30 or more (h d >= 1) stops
    // the body at once, and a negative one damps nothing.
    struct Case
    {
        bool own; // the mover's own damping
        float damping;
        float speed;
    } cases[] = {{true, 1.0f, 3.6166f}, {false, 0.1f, 9.0469f}, {false, 30.0f, 0.0f}, {false, 90.0f, 0.0f},
                 {false, -1.0f, 10.0f}};
    for (const Case& c : cases)
    {
        if (!c.own)
            rb->SetDamping(c.damping, 0.0f);
        rb->ResetBody(cVec2f(12.5f, 12.5f), 0.0f);
        rb->GetBody()->SetLinearVelocity(b2Vec2(10.0f, 0.0f));
        real.Step(30);
        EXPECT_NEAR(rb->GetBody()->GetLinearVelocity().Length(), c.speed, 2e-3f) << c.damping;
    }
}

TEST(LevelServices, LineJointPiecesCountInNoRuleAndGoWithTheirObjects)
{
    datagen::SceneFile maps = datagen::BuildMapBase();
    AddSpringScene(maps);
    Json& scene = ScreenSizedLevel(maps);
    Add(scene, datagen::GameObj("post", "DynamicObject", 900, 300,
                                Json::array({SceneRef("obj_crate"), B("StaticObject"), E("Collide", 5)})));
    Add(scene, datagen::GameObj("ballT", "SpawnTemplate", 0, 0,
                                Json::array({SceneRef("obj_ball"), I("Life", 200), E("Collide", 2)})));
    // A slider on a line joint from the post, pinned by a turning motor, drawn as a spring
    // and throwing one ball after 20 frames.
    Add(scene, datagen::GameObj("slider", "DynamicObject", 700, 300,
                                Json::array({SceneRef("obj_springy"), E("DestroyableType", 6), E("Collide", 5),
                                             F("Mass", 1), F("MassRotation", 1), B("Spawner"), B("SpawnerOnce"), I("SpawnerGap", 20),
                                             Ref("SpawnerObject", "ballT")})));
    Add(scene, datagen::Marker("rail", "PrismaticJoint", 700, 300, 1,
                               Json::array({Ref("Body1", "post"), Ref("Body2", "slider"), F("AxisX", 1)})));
    Add(scene, datagen::Marker("pin", "RevoluteJoint", 700, 300, 1,
                               Json::array({Ref("Body1", "slider"), B("Motor"), F("MotorTorque", 1000),
                                            F("MotorSpeed", 1.5f)})));
    RealLevel real(maps, "level_test");
    ASSERT_TRUE(real.Ready()) << real.Error();
    cLevel& level = real.Level();
    cGameObj* slider = real.Object("slider");
    ASSERT_NE(slider, nullptr);
    auto carriages = [&] {
        int n = 0;
        for (b2Body* b = level.world->GetBodyList(); b != nullptr; b = b->GetNext())
            n += b->GetType() == b2_dynamicBody && ControllerOfBody(b) == nullptr && b->GetFixtureList() == nullptr;
        return n;
    };
    EXPECT_EQ(carriages(), 1);

    // The spawn's angle is minus the angle of the slider's hinges: only the pin counts, at
    // minus the slider's angle, so the ball leaves at the slider's own angle.
    for (int i = 0; i < 40 && real.Object("ballT") == nullptr; ++i)
        real.Step(1);
    cGameObj* ball = real.Object("ballT");
    ASSERT_NE(ball, nullptr);
    ASSERT_GT(std::fabs(slider->angle), 0.2f) << "the pin turns the slider";
    EXPECT_NEAR(ball->angle, slider->angle, 0.06f);

    // A spring needs two hinge ends; the line joint is none, so the spring stays a sprite.
    cDynamicObject* dyn = cDynamicObject::Of(slider);
    cGlaControllerSprite* spring = FindSpriteController(dyn->sceneController, "spring");
    ASSERT_NE(spring, nullptr);
    real.Step(1);
    EXPECT_TRUE(spring->visible);

    // Deleting the slider takes the carriage with it, and the post keeps no joint.
    slider->MarkDestroyed();
    real.Step(1);
    EXPECT_EQ(real.Object("slider"), nullptr);
    EXPECT_EQ(carriages(), 0);
    cGameObj* post = real.Object("post");
    ASSERT_NE(post, nullptr);
    EXPECT_EQ(post->GetRigidBodyController()->GetBody()->GetJointList(), nullptr);
}

TEST(LevelServices, PulleyRopesAreNoSpringEnds)
{
    datagen::SceneFile maps = datagen::BuildMapBase();
    AddSpringScene(maps);
    Json& scene = ScreenSizedLevel(maps);
    auto springy = [](const char* name, float x, float y) {
        return datagen::GameObj(name, "DynamicObject", x, y,
                                Json::array({SceneRef("obj_springy"), E("DestroyableType", 6), E("Collide", 5),
                                             F("Mass", 1), F("MassRotation", 1)}));
    };
    // A spring drawn on a pulley whose sides may grow no longer than 4 m (a rope on each
    // side), pinned where it hangs: one end, so it stays a sprite.
    Add(scene, springy("bob", 500, 300));
    Add(scene, datagen::GameObj("counter", "DynamicObject", 700, 300, CrateProps()));
    Add(scene, datagen::Marker("pulley", "PulleyJoint", 600, 300, 1,
                               Json::array({Ref("Body1", "bob"), Ref("Body2", "counter"), F("GroundOff1Y", -3),
                                            F("GroundOff2Y", -3), F("Ratio", 1), F("MaxLength1", 4),
                                            F("MaxLength2", 4)})));
    Add(scene, datagen::Marker("pin", "RevoluteJoint", 500, 300, 1, Json::array({Ref("Body1", "bob")})));
    // Beside it a spring with two real ends, which is drawn.
    Add(scene, springy("held", 900, 300));
    Add(scene, datagen::Marker("endA", "RevoluteJoint", 850, 300, 1, Json::array({Ref("Body1", "held")})));
    Add(scene, datagen::Marker("endB", "RevoluteJoint", 950, 300, 1, Json::array({Ref("Body1", "held")})));
    RealLevel real(maps, "level_test");
    ASSERT_TRUE(real.Ready()) << real.Error();

    // The bob hangs on its pin, its rope and its pulley, newest first.
    cGameObj* bob = real.Object("bob");
    ASSERT_NE(bob, nullptr);
    std::vector<b2JointType> kinds;
    for (const b2JointEdge* e = bob->GetRigidBodyController()->GetBody()->GetJointList(); e != nullptr; e = e->next)
        kinds.push_back(e->joint->GetType());
    ASSERT_EQ(kinds, (std::vector<b2JointType>{e_revoluteJoint, e_distanceJoint, e_pulleyJoint}));

    real.Step(2);
    auto springSprite = [&](const char* name) {
        cDynamicObject* dyn = Dynamic(real, name);
        return dyn != nullptr ? FindSpriteController(dyn->sceneController, "spring") : nullptr;
    };
    ASSERT_NE(springSprite("held"), nullptr);
    ASSERT_NE(springSprite("bob"), nullptr);
    EXPECT_FALSE(springSprite("held")->visible) << "two ends: drawn as a band";
    EXPECT_TRUE(springSprite("bob")->visible) << "the rope is part of the pulley, no end of a spring";
}

TEST(LevelServices, MotorStartedOnContactForgetsAJointThatWentWithACollectedPickup)
{
    datagen::SceneFile maps = datagen::BuildMapBase();
    Json& scene = ScreenSizedLevel(maps);
    // A sugar cube hangs by its middle from a fixed hook, on the player's way; its hinge's
    // motor starts when something other than the player lands on the hook. One crate lands
    // there at once, the other waits to be let go.
    Add(scene, datagen::GameObj("hook", "DynamicObject", 480, 540,
                                Json::array({SceneRef("obj_crate"), B("StaticObject"), E("Collide", 5)})));
    Add(scene, datagen::GameObj("sugar", "Pickup", 480, 634,
                                Json::array({SceneRef("obj_sugar"), E("Type", 1), B("DynamicObject")})));
    Add(scene, datagen::Marker("hinge", "RevoluteJoint", 480, 634, 1,
                               Json::array({Ref("Body1", "hook"), Ref("Body2", "sugar"), B("Motor"),
                                            F("MotorTorque", 1000), F("MotorSpeed", 3), B("MotorOnContact")})));
    Add(scene, datagen::GameObj("first", "DynamicObject", 480, 420, CrateProps()));
    Json waiting = CrateProps();
    waiting.push_back(B("ActivateOnEvent"));
    Add(scene, datagen::GameObj("second", "DynamicObject", 480, 200, waiting));
    RealLevel real(maps, "level_test");
    ASSERT_TRUE(real.Ready()) << real.Error();
    cLevel& level = real.Level();
    cDynamicObject* hook = Dynamic(real, "hook");
    ASSERT_NE(hook, nullptr);
    ASSERT_TRUE(hook->motorStart);
    ASSERT_NE(hook->joint, nullptr);
    b2Joint* const hinge = hook->joint;

    // The first crate lands on the hook and starts the motor.
    real.Step(30);
    EXPECT_FLOAT_EQ(static_cast<b2RevoluteJoint*>(hinge)->GetMotorSpeed(), 3.0f);

    // The player walks through the sugar and takes it; it then leaves the level (its
    // remove timer runs out), and Box2D frees the hinge with the sugar's body.
    cGameObj* sugar = real.Object("sugar");
    ASSERT_NE(sugar, nullptr);
    auto* pickup = ClassCast<cPickupObject>(sugar->GetLogicController());
    ASSERT_NE(pickup, nullptr);
    for (int i = 0; i < 150 && pickup->visible; ++i)
        real.Step(1, {KEY_RIGHT});
    ASSERT_FALSE(pickup->visible);
    EXPECT_EQ(level.sugarCollected, 1);
    pickup->removeTimer = 1;
    real.Step(2);
    ASSERT_EQ(real.Object("sugar"), nullptr);
    b2Body* hookBody = real.Object("hook")->GetRigidBodyController()->GetBody();
    ASSERT_EQ(hookBody->GetJointList(), nullptr) << "the hinge went with the sugar";

    // The second crate lands on the first and the hook is touched again. Box2D keeps the
    // freed joint's memory in its own pool, out of the address checker's sight, so the
    // test fences it off until the touch is over: no joints are made meanwhile, so Box2D
    // hands that block to nothing else.
    TV_POISON(hinge, sizeof(b2RevoluteJoint));
    Dynamic(real, "second")->Activate();
    real.Step(40);
    TV_UNPOISON(hinge, sizeof(b2RevoluteJoint));
    EXPECT_EQ(hook->joint, nullptr) << "the freed joint is forgotten";
    real.Step(10);
}

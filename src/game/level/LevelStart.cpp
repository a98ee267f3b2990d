// The level start: the heads-up display, fonts and digits in the "Hud" group; the level
// scene, its properties, the player's look, the in-level screens and every effect sound
// and image in the "Game" group.
#include <algorithm>
#include <cstdio>

#include "KelpoBase/core/FileSystem.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElementControllers.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/OggPrefetch.h"
#include "KelpoBase/render/Font.h"
#include "KelpoBase/render/Resource.h"
#include "KelpoBase/render/SoundResource.h"
#include "game/level/Level.h"

namespace
{
const char* const kHudFile = "res/hud.mac.720p.cgla";
const char* const kMapsFile = "res/maps/maps.mac.cgla";

std::string ThreeDigits(int32_t index)
{
    std::string text;
    if (index < 10)
        text += "0";
    if (index < 100)
        text += "0";
    return text + std::to_string(index);
}

// "res/dorvo/<folder>" + the value with one leading zero below 10 + ".png".
std::string LookImageName(const char* folder, int32_t value)
{
    return std::string("res/dorvo/") + folder + (value < 10 ? "0" : "") + std::to_string(value) + ".png";
}

// The nested scene shown by the scene element of that name (first key), or null.
cGlaScene* NestedScene(const cGlaScene* scene, const char* name)
{
    if (scene == nullptr)
        return nullptr;
    auto* element = dynamic_cast<cGlaElementScene*>(scene->FindElement(name));
    if (element == nullptr || element->scenes.keys.empty())
        return nullptr;
    return element->scenes.keys.front().value;
}

// Every key of the sprite shows the image; a missing sprite or image changes nothing.
void DressSprite(cGlaScene* scene, const char* name, ImageRect* image)
{
    if (scene == nullptr || image == nullptr)
        return;
    if (auto* sprite = dynamic_cast<cGlaElementSprite*>(scene->FindElement(name)))
    {
        for (auto& key : sprite->frames.keys)
            key.value = image;
    }
}

cGlaControllerScene* ControllerFor(cGlaSet* set, const std::string& name)
{
    cGlaScene* scene = set != nullptr ? FindObjectByName(set, name) : nullptr;
    return scene != nullptr ? new cGlaControllerScene(scene) : nullptr;
}

void FinishAndUpload(cResourceGroup* group)
{
    FinishResourceGroup();
    if (group != nullptr && !group->uploaded)
    {
        group->UploadTextures(false);
        group->uploaded = 1;
    }
}

// The effect sound lists in load order. A row names its files under "res/audio/" either
// as the prefix followed by the numbers first to last and ".ogg", or (first 0) as up to
// three whole names.
struct EffectSoundRow
{
    SoundList& (*list)(cLevel& level);
    const char* prefix;
    int first, last;
    const char* names[3];
};

#define LEVEL_LIST(expression) [](cLevel& l) -> SoundList& { return l.expression; }
// Lists that nothing plays are kept in load order (effectSoundLists has room for them).
#define SPARE_LIST [](cLevel& l) -> SoundList& { return l.effectSoundLists.emplace_back(); }
const EffectSoundRow kEffectSounds[] = {
    {LEVEL_LIST(objectTypeSounds[0]), "air_gun_fire_", 1, 4, {}},
    {LEVEL_LIST(beanBagSounds), "beanbag_hit_wood_", 1, 4, {}},
    {LEVEL_LIST(keyPickupSounds), nullptr, 0, 0, {"key_pickup_1.ogg"}},
    {LEVEL_LIST(doorUnlockSounds), nullptr, 0, 0, {"key_unlock_door_1.ogg"}},
    {LEVEL_LIST(checkpointSounds), nullptr, 0, 0, {"get_checkpoint.ogg"}},
    {LEVEL_LIST(sequenceSounds), "sugarcube_pickup_v2_", 1, 4, {}},
    {LEVEL_LIST(levelStartSounds), nullptr, 0, 0, {"player_boost_1.ogg"}},
    {LEVEL_LIST(deathSounds), nullptr, 0, 0, {"player_death_v2.ogg"}},
    {LEVEL_LIST(stickerSounds), "sticker_pickup_", 1, 2, {}},
    {LEVEL_LIST(levelEndSounds), nullptr, 0, 0, {"level_end_confetti_1.ogg"}},
    {LEVEL_LIST(worldSounds3), "bouncy_surface_", 1, 3, {}},
    {LEVEL_LIST(barrelSounds), "wooden_barrel_exploding_", 1, 2, {}},
    {LEVEL_LIST(objectTypeSounds[1]), "lava_air_gun_shoot_", 1, 4, {}},
    {LEVEL_LIST(objectTypeSounds[2]), "lava_drop_shoot_", 1, 3, {}},
    {LEVEL_LIST(lavaDropSounds), "lava_drop_explode_", 1, 3, {}},
    {LEVEL_LIST(objectTypeSounds[3]), "cloud_spitting_v2_", 1, 3, {}},
    {LEVEL_LIST(springSoftSounds), "rope_creak_short_", 1, 3, {}},
    {LEVEL_LIST(springLoudSounds), "rope_creak_long_", 1, 2, {}},
    {LEVEL_LIST(creakSounds[0]), nullptr, 0, 0, {"dinosaurus_mouth_close.ogg"}},
    {LEVEL_LIST(creakSounds[1]), nullptr, 0, 0, {"dinosaurus_mouth_open.ogg"}},
    {LEVEL_LIST(impactSounds), "player_hit_surface_v1_", 1, 4, {}},
    {LEVEL_LIST(rockSounds), "rock_explode_", 1, 2, {}},
    {LEVEL_LIST(waterCloudSounds), "water_cloud_explode_", 1, 2, {}},
    {SPARE_LIST, nullptr, 0, 0, {"rainbow_start.ogg"}},
    {SPARE_LIST, "spinning_metal_", 1, 4, {}},
    {LEVEL_LIST(creakSounds[2]), "grinding_metal_", 1, 2, {}},
    {LEVEL_LIST(woodSounds), "wood_hit_wood_", 1, 3, {}},
    {LEVEL_LIST(metalSounds), "metal_hit_metal_heavy_", 1, 2, {}},
    {LEVEL_LIST(beanBagLargeSounds), nullptr, 0, 0, {"large_bean_bag_1.ogg"}},
    {LEVEL_LIST(dropKeySoundsA), nullptr, 0, 0, {"arcade_shooting_get_key.ogg"}},
    {LEVEL_LIST(dropKeySoundsB), nullptr, 0, 0, {"space_invander_get_key_1.ogg"}},
    {LEVEL_LIST(invaderSounds), nullptr, 0, 0, {"space_invander_die_1.ogg"}},
    {LEVEL_LIST(rainDropSounds), nullptr, 0, 0, {"large_rain_drop_1.ogg"}},
    {LEVEL_LIST(worldSounds1), "water_cloud_splash_", 1, 2, {}},
    {LEVEL_LIST(worldSounds2), "small_shark_bite_", 1, 3, {}},
    {LEVEL_LIST(badgeSounds), "sticker_v1_", 1, 3, {}},
    {LEVEL_LIST(dynamiteSounds), nullptr, 0, 0, {"dynamite_explose.ogg", "dynamite_fuse_loop.ogg", "dynamite_fuse_start.ogg"}},
};
#undef LEVEL_LIST
#undef SPARE_LIST

const char* const kAmbientSounds[] = {
    "amb_lava_v2.ogg", "circular_saw.ogg", "amb_light_rain.ogg", "boat_engine_v2.ogg", "strong_wind.ogg",
    "large_fan.ogg", "large_mechanical_engine_short.ogg", "large_metal_drills_v2.ogg", "slow_mechanical_air_v2.ogg",
    "fast_mechanical_air_v2.ogg", "cloud_fire_angry.ogg", "wooden_barrel_rolling.ogg",
    "metal_oil_drum_rolling_heavier.ogg", "mechanical_platform.ogg", "metal_engine.ogg", "large_moving_rock.ogg",
    "rotate_world_v3.ogg"};

// The paths of a row, in load order.
std::vector<std::string> RowPaths(const EffectSoundRow& row)
{
    std::vector<std::string> paths;
    if (row.first != 0)
    {
        for (int i = row.first; i <= row.last; ++i)
            paths.push_back(std::string("res/audio/") + row.prefix + std::to_string(i) + ".ogg");
    }
    for (const char* name : row.names)
        if (name != nullptr)
            paths.push_back(std::string("res/audio/") + name);
    return paths;
}

cSound* LoadEffectSound(const std::string& path) { return dynamic_cast<cSound*>(LoadSound(path, 1.0f)); }

void LoadImages(ImageList& list, std::initializer_list<const char*> names, const char* folder = "res/fx/")
{
    for (const char* name : names)
        list.push_back(LoadAtlasImage(std::string(folder) + name));
}

void LoadImageRange(ImageList& list, const char* prefix, int first, int last)
{
    for (int i = first; i <= last; ++i)
        list.push_back(LoadAtlasImage(std::string("res/fx/") + prefix + std::to_string(i) + ".png"));
}
} // namespace

cLevel::StartRelease::~StartRelease()
{
    for (cGlaControllerScene** scene :
         {&level->levelSceneController, &level->resultsButtonsScene, &level->fireButtonScene})
    {
        delete *scene;
        *scene = nullptr;
    }
}

cGlaScene* cLevel::PlayerScene(int which) const
{
    return which >= 0 && which < int(playerScenes.size()) ? playerScenes[size_t(which)] : nullptr;
}

// The respawn points burst with the middle two vessel images; the player's appearance
// takes the first (converging particles, trail) and the last (its closing burst).
const ImageRect* cLevel::PlayerAppearImage() const { return vesselImages.empty() ? nullptr : vesselImages.front(); }

const ImageRect* cLevel::PlayerBurstImage() const { return vesselImages.empty() ? nullptr : vesselImages.back(); }

const ImageRect* cLevel::PlayerTrailImage() const { return PlayerAppearImage(); }

void cLevel::OnPlayerJumpInput()
{
    playerSoundGainTarget += 0.1f;
    playerSoundPitchTarget += 0.1f;
}

std::string cLevel::LevelSceneName(const std::string& fileName, int32_t levelMode, int32_t index, bool survival,
                                   bool challenge)
{
    std::string name = fileName;
    if (survival)
        name += "_S";
    if (challenge)
        name = "level_C_" + ThreeDigits(index);
    if (levelMode > 0)
        name = "level_" + std::to_string(levelMode + 1) + "_" + ThreeDigits(index);
    return name;
}

void cLevel::ReadLevelProperties()
{
    startFrames = 0;
    restartOnDeath = false;
    isSurvival = false;
    if (levelScene == nullptr)
        return;
    if (auto* p = dynamic_cast<cGlaPropBool*>(levelScene->FindProp("Survival")))
        isSurvival = p->GetValue();
    if (auto* p = dynamic_cast<cGlaPropInt*>(levelScene->FindProp("StartFrames")))
        startFrames = p->GetValue();
    if (auto* p = dynamic_cast<cGlaPropBool*>(levelScene->FindProp("RestartLevelOnDeath")))
        restartOnDeath = p->GetValue();
}

bool cLevel::StartLevel()
{
    // The level's two pools: the effects' (the objects fill it, the scene draw shows it)
    // and the results screen's smaller one.
    particlePoolA.Create(1024);
    particlePoolB.Create(256);

    cLevelHost* host = GetLevelHost();
    // The effect sounds decode on worker threads while the display and the scene load;
    // their loads at the end take the samples from there.
    const cOggPrefetch effectSounds(IsAudioEnabled() ? EffectSoundPaths() : std::vector<std::string>());
    ResetLoadCount();
    SetProgressCallback(host != nullptr ? host->LoadingHook() : nullptr);
    SetLoadCountOnly(false);

    // The display and its fonts and digits.
    resourceGroupA = SelectResourceGroup("Hud");
    hudSet = dynamic_cast<cGlaSet*>(LoadGlaSetResource(kHudFile, std::string()));
    perfectFont = dynamic_cast<const cFont*>(LoadFont("res/fonts/font_3.bin"));
    levelFont = dynamic_cast<const cFont*>(LoadFont("res/fonts/font_5.bin"));
    hudFont = dynamic_cast<const cFont*>(LoadFont("res/fonts/font_72.bin"));
    for (size_t i = 0; i < hudDigits.size(); ++i)
    {
        std::string name = "res/hud/Hud_Numbers/No_" + std::to_string(i) + ".png";
        NormalisePath(name);
        hudDigits[i] = LoadAtlasImage(name);
    }
    FinishAndUpload(resourceGroupA);

    // The level scene.
    const std::string sceneName = LevelSceneName(host != nullptr ? host->LevelFileName(levelIndex) : std::string(),
                                                 mode, levelIndex, isSurvival, isChallenge);
    SetLoadCountOnly(false);
    SetCurrentResourceGroup(nullptr);
    resourceGroupB = SelectResourceGroup("Game");
    levelSet = dynamic_cast<cGlaSet*>(LoadGlaSetResource(kMapsFile, sceneName));
    levelScene = levelSet != nullptr ? ::FindObjectByName(levelSet, sceneName) : nullptr;
    delete levelSceneController;
    levelSceneController = new cGlaControllerScene(levelScene);
    ReadLevelProperties();

    // The player's scenes and look.
    static const char* const kPlayerScenes[4] = {"dorvoIdleRight", "dorvoIdleLeft", "dorvoStart", "dorvoStart_001"};
    for (size_t i = 0; i < 4; ++i)
        playerScenes[i] = levelSet != nullptr ? ::FindObjectByName(levelSet, kPlayerScenes[i]) : nullptr;
    const int32_t hair = host != nullptr ? host->LookValue(0) : 0;
    const int32_t bodyLook = host != nullptr ? host->LookValue(1) : 0;
    const int32_t base = host != nullptr ? host->LookValue(2) : 0;
    const int32_t cup = host != nullptr ? host->LookValue(3) : 0;
    trailLook = host != nullptr ? host->LookValue(4) : 0;
    cGlaScene* hairScene = nullptr;
    if (hair > 0)
    {
        const std::string hairName = std::string("Hair_") + (hair < 10 ? "00" : "0") + std::to_string(hair);
        if (auto* hairSet = dynamic_cast<cGlaSet*>(LoadGlaSetResource(kMapsFile, hairName)))
            hairScene = ::FindObjectByName(hairSet, hairName);
    }
    lookRects[0] = LoadAtlasImage(LookImageName("bases/base_", base));
    lookRects[1] = LoadAtlasImage(LookImageName("jumpers/jumper_", bodyLook));
    lookRects[2] = LoadAtlasImage(LookImageName("cups/cup_", cup));
    lookRects[3] = LoadAtlasImage(LookImageName("handles/handle_", base));
    cGlaScene* rig = NestedScene(playerScenes[0], "dorvo");
    cGlaScene* bodyScene = NestedScene(rig, "body");
    cGlaScene* cupScene = NestedScene(rig, "cup");
    if (hairScene != nullptr && bodyScene != nullptr)
    {
        if (auto* hairElement = dynamic_cast<cGlaElementScene*>(bodyScene->FindElement("hair")))
            for (auto& key : hairElement->scenes.keys)
                key.value = hairScene;
    }
    if (base > 0)
    {
        DressSprite(cupScene, "base", lookRects[0]);
        DressSprite(cupScene, "handle", lookRects[3]);
    }
    if (bodyLook > 0)
        DressSprite(bodyScene, "body", lookRects[1]);
    if (cup > 0)
        DressSprite(cupScene, "cup", lookRects[2]);

    // The in-level screens (after the scene's "Survival" has been read).
    const float w = float(ScreenWidth());
    const float h = float(ScreenHeight());
    delete pauseScene;
    pauseScene = ControllerFor(hudSet, "scrPause");
    delete exitScene;
    exitScene = ControllerFor(hudSet, "scrExit");
    // The controls overlay carries the heads-up display's elements: it is the HUD's scene.
    delete hudScene;
    hudScene = ControllerFor(hudSet, isSurvival ? "ControlsS" : "Controls01");
    if (hudScene != nullptr)
    {
        if (cGlaControllerSprite* jump = FindSpriteController(hudScene, "jump"))
        {
            jump->visible = false;
            jumpButtonPos = jump->position;
        }
    }
    noJumpState = 0;
    delete noJumpIndicator;
    noJumpIndicator = ControllerFor(hudSet, "scrFireButton");
    if (noJumpIndicator != nullptr)
        noJumpIndicator->position = jumpButtonPos;
    delete jumpIndicator;
    jumpIndicator = ControllerFor(hudSet, "scrJumpButton");
    if (jumpIndicator != nullptr)
    {
        jumpIndicator->position = jumpButtonPos;
        jumpIndicator->SetFrame(std::max(0, jumpIndicator->GetFrameCount() - 1));
    }
    delete resultsScene;
    resultsScene = ControllerFor(hudSet, isSurvival ? "LevelCompleteS" : "LevelComplete");
    const bool lastOfMode =
        (mode == 0 && !isChallenge && levelIndex >= 39) || (mode == 1 && levelIndex >= 9) || (isChallenge && levelIndex >= 4);
    delete resultsButtonsScene;
    resultsButtonsScene = ControllerFor(hudSet, isSurvival ? "LevelComplete_ButtonsS"
                                                           : (lastOfMode ? "LevelComplete_Buttons_End" : "LevelComplete_Buttons"));
    if (resultsButtonsScene != nullptr)
        resultsButtonsScene->position.Set(w * 0.5f, h * 0.5f);
    delete transitionScene;
    transitionScene = ControllerFor(hudSet, "LevelExit");
    if (transitionScene != nullptr)
        transitionScene->position.Set(w * 0.5f, h * 0.5f);

    LoadLevelEffects();
    FinishAndUpload(resourceGroupB);
    return levelScene != nullptr;
}

std::vector<std::string> cLevel::EffectSoundPaths()
{
    std::vector<std::string> paths;
    for (const EffectSoundRow& row : kEffectSounds)
        for (std::string& path : RowPaths(row))
            paths.push_back(std::move(path));
    for (const char* name : kAmbientSounds)
        paths.push_back(std::string("res/audio/") + name);
    return paths;
}

void cLevel::LoadLevelEffects()
{
    // Lists without a named player are kept in effectSoundLists, in load order; the room
    // is made first so that a list once handed out never moves.
    effectSoundLists.clear();
    effectSoundLists.reserve(8);
    for (const EffectSoundRow& row : kEffectSounds)
    {
        SoundList& list = row.list(*this);
        for (const std::string& path : RowPaths(row))
            list.push_back(LoadEffectSound(path));
    }

    ambientSlots.clear();
    for (const char* name : kAmbientSounds)
        ambientSlots.push_back(LoadEffectSound(std::string("res/audio/") + name));
    rotateSound = ambientSlots.back();
    // The looping sound of each object effect type that keeps one alive: the machines and
    // weather of the ambient types, and the rolling barrel and drum of the hit loops.
    static constexpr struct
    {
        int type;
        size_t slot;
    } kLoopSounds[] = {{25, 1},  {19, 3},  {20, 5},  {21, 6},  {22, 7},
                       {26, 10}, {1, 11},  {31, 12}, {32, 13}, {27, 14}};
    for (AmbientLoop& loop : ambient)
        loop.sound = nullptr;
    for (const auto& pair : kLoopSounds)
        ambient[pair.type].sound = ambientSlots[pair.slot];

    ImageList scratch;
    LoadImages(updraftImages, {"UpDraft_2.png", "UpDraft_Arrow.png"});
    LoadImages(vesselImages, {"Hoblet_1.png", "page_000_frame_000.png", "page_000_frame_001.png", "page_000_frame_002.png"});
    respawnEffectImages = vesselImages;
    LoadImages(fireImages, {"Fire.png", "Fire_1.png"});
    fireFxImages = fireImages;
    LoadImages(scratch, {"Dorvo_death.png", "Dorvo_Hit.png", "Radar.png"});
    LoadImages(sugarSparkle, {"Suger_particle.png"});
    LoadImages(confettiImages, {"Con_1.png", "Con_2.png", "Con_3.png", "Con_4.png", "Flash.png"});
    effectImages = confettiImages;
    LoadImageRange(badgeConfetti, "BCon_", 1, 4);
    LoadImages(shootingStar, {"Star_Shooting.png"});
    LoadImages(scratch, {"Respawn.png"});
    LoadImageRange(leafImages, "Leaf_", 1, 8);
    LoadImageRange(barrelPieces, "Bar_", 1, 5);
    LoadImages(rainDropParts, {"RainDrop_Part.png"});
    LoadImages(dust, {"Dust.png"});
    LoadImageRange(ropePieces, "Rope_", 1, 4);
    LoadImageRange(beanPieces, "Bean_", 1, 4);
    LoadImages(sparks, {"Spark_1.png"});
    LoadImages(lavaPieces, {"Lava_1.png"});
    LoadImages(invaderColours, {"SpaceInvaders/Green.png", "SpaceInvaders/Blue.png", "SpaceInvaders/Red.png",
                                "SpaceInvaders/Purple.png"});
    LoadImages(rainImages, {"level2/Rain.png"});
    LoadImages(waterCloudFlash, {"WaterCloud/Flash_1.png"});
    LoadImageRange(waterCloudParts, "WaterCloud/Part_", 1, 4);
    LoadImages(hearts, {"res/frontend/1024_768/LoveHeart.png"}, "");
    LoadImages(badgeIcons,
               {"res/frontend/1024_768/LevelSelect/Small_Icons/Sticker.png",
                "res/frontend/1024_768/LevelSelect/Small_Icons/Cube.png",
                "res/frontend/1024_768/LevelSelect/Small_Icons/Star.png"},
               "");
    LoadImageRange(rocks, "Rocks/Rock_", 1, 4);
    LoadImageRange(sawPieces, "Saw/Saw_", 1, 4);
    LoadImages(dynamiteImages, {"dynamiteSpark.png", "dynamiteFlame.png", "explosion.png", "pulse.png"});
}

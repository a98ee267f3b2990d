// The level rebuild: the per-run state reset, the physics world, the player, the areas and
// camera zones of the level scene, every game-object element handed to its builder, the
// joints, the objects' start, the physics pre-roll and the music; then the player's
// looping sound.
//
// A scene without "boundary" leaves the camera unbounded; without "player" the player
// starts at the origin; a scene object whose sub-scene cannot be found builds nothing.
#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>

#include "KelpoBase/core/ObjectGrid.h"
#include "KelpoBase/core/Random.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/SoundResource.h"
#include "game/level/Level.h"
#include "game/objects/Dorvo.h"
#include "game/objects/GameObj.h"
#include "game/objects/ObjectEffects.h"
#include "game/objects/RigidBodyController.h"

namespace
{
cLevelHost* gLevelHost = nullptr;

// The element's position at frame 0 (scene pixels); the origin for kinds without one.
cVec2f ElementPosition(const cGlaElement* element)
{
    if (const auto* pos = dynamic_cast<const cGlaElementPos*>(element))
        return pos->position.GetValue(0);
    return cVec2f();
}

float ElementRotation(const cGlaElement* element)
{
    if (const auto* obj = dynamic_cast<const cGlaElementGameObj*>(element))
        return obj->angle.GetValue(0);
    return 0.0f;
}

// The scene that the element's "scene" reference names, or null.
cGlaScene* SubSceneOf(const cGlaElement* element)
{
    const auto* ref = dynamic_cast<const cGlaPropRefScene*>(element->FindProp("scene"));
    return ref != nullptr ? ref->Resolve() : nullptr;
}

void UpdateList(ObjectList& list)
{
    for (cGameObj* object : std::vector<cGameObj*>(list.live.begin(), list.live.end()))
    {
        if (object->IsAlive())
            object->Update();
    }
    list.MoveDeadToWaiting();
}
} // namespace

void SetLevelHost(cLevelHost* host) { gLevelHost = host; }
cLevelHost* GetLevelHost() { return gLevelHost; }

void OpenStoryLevels()
{
    if (gLevelHost == nullptr)
        return;
    for (int32_t record = 0; record < 40; ++record)
    {
        LevelProgressRecord progress;
        if (!gLevelHost->GetProgress(record, progress))
            continue;
        progress.completed = true;
        gLevelHost->SetProgress(record, progress);
    }
}

LevelLinks& GetLevelLinks()
{
    static LevelLinks links;
    return links;
}

void cLevel::RestartLevel()
{
    LoadLevelScene();
    playerSoundGain = playerSoundGainTarget = 0.2f;
    playerSoundPitch = playerSoundPitchTarget = 1.9f;
    // An empty list plays nothing (no pick is made from it).
    if (levelStartSounds.empty())
        return;
    cSound* sound = levelStartSounds[size_t(RandomStep()) % levelStartSounds.size()];
    // Voice 0 is taken over unless it is locked (the previous run's loop is replaced).
    AudioVoice* voice = gAudioManager != nullptr && gAudioManager->IsEnabled() ? gAudioManager->GetVoice(0) : nullptr;
    if (sound != nullptr && voice != nullptr && voice->locked == 0)
        gAudioManager->PlayOnVoice(1, 0, sound, 1.0f, 1.0f);
}

void cLevel::ReloadLevel()
{
    ClearLevel();
    RestartLevel();
}

void cLevel::LoadLevelScene()
{
    // 1. Per-run state.
    // The previous run's loops stop: nothing would set their gain any more.
    for (AmbientChannel& channel : ambientChannels)
    {
        channel.voice.Stop();
        channel.playing = false;
        channel.gain = 0.0f;
    }
    ResetAmbientLoops(*this);
    lavaVoice.Stop();
    lavaPlaying = false;
    rainStarted = false;
    // The rotating indices start at 8 and 3. Rotating sounds take their voice through
    // TakeRotatingVoice, which reads an index outside 8 to 11 as 8, so a run's first
    // positional sound plays on voice 8 and the rotation stays on the positional voices.
    rotateVoice = kFirstWorldVoice;
    nextVoice = 3;
    sequenceIndex = 0;
    pauseFocusIndex = 0;
    survivalCountdown = 3600;
    pausedByFocus = false;
    jumpRequested = true; // never jumped
    moveRequested = true; // never moved left
    perfectCounter = 0;
    bonusScore = 0;
    score = 5400;
    timeFrames = 0;
    stickerFound = false;
    newSurvivalUnlocked = false;
    newBonusUnlocked = false;
    noPause = false;
    levelComplete = false;
    debugDraw = false;
    heldKeys = 0;
    keysAtCheckpoint = 0;
    stateMachine.SetPendingState(&cLevel::StateIntro, 0);

    // The world first: making it clears what a previous build left.
    CreatePhysicsWorld();
    world->SetContinuousPhysics(true);

    // 2-3. Boundary and grid (unbounded without a boundary element).
    cGlaControllerElement* boundary =
        levelSceneController != nullptr ? levelSceneController->FindController("boundary") : nullptr;
    cOrientedBox box;
    if (boundary != nullptr)
    {
        boundary->GetBounds(box);
        boundsMin = box.centre - box.halfExtents;
        boundsMax = box.centre + box.halfExtents;
    }
    else
    {
        boundsMin.Set(-1.0e6f, -1.0e6f);
        boundsMax.Set(1.0e6f, 1.0e6f);
        box.centre.Set(0.0f, 0.0f);
        box.halfExtents.Set(2048.0f, 2048.0f);
    }
    delete grid;
    grid = new cObjectGrid(RectFromOrientedBox(box), 512.0f);

    // 4. Death and restart state, sugar.
    playerDead = false;
    deathSequence = false;
    dyingCountdown = 0;
    restartRequest = false;
    sugarTotal = 0;
    sugarCollected = 0;
    sugarAtCheckpoint = 0;

    // 5. Camera.
    cameraPos.Set(0.0f, 0.0f);
    cameraPrevPos = cameraPos;
    cameraMove.Set(0.0f, 0.0f);
    cameraTargetPos = cameraPos;
    cameraBlendFrames = 0;
    cameraMode = 0;
    cameraReturning = true;
    cameraZoom = ScreenWidth() < 960 ? 0.5f : 1.0f;
    cameraTargetZoom = cameraZoom;
    defaultZoom = cameraZoom;


    // 8. The player.
    auto* playerObj = new cGameObj(this);
    auto* dorvo = new cDorvo();
    playerObj->SetLogicController(dorvo);
    auto* body = new cRigidBodyController();
    playerObj->SetRigidBodyController(body);
    body->CreateDynamicBody();
    cDorvo::SetUpBody(body);
    cVec2f start;
    if (cGlaControllerElement* at =
            levelSceneController != nullptr ? levelSceneController->FindController("player") : nullptr)
    {
        cOrientedBox playerBox;
        at->GetBounds(playerBox);
        start = playerBox.centre * kPixelsToMetres;
    }
    playerObj->SetPosition(start);
    cameraPos = start;
    cameraPrevPos = start;
    cameraTargetPos = start;
    playerStart = start;
    respawnPoint = start;
    playerObject = playerObj;
    player = dorvo;
    cameraTarget = playerObj;
    objects.Append(playerObj);

    // 9. Areas and camera zones.
    cameraZones.clear();
    if (levelScene != nullptr)
    {
        std::vector<cGlaElement*> zoneElements;
        levelScene->CollectZones(zoneElements);
        for (cGlaElement* element : zoneElements)
        {
            auto* zone = dynamic_cast<cGlaElementZone*>(element);
            if (zone == nullptr)
                continue;
            const cVec2f at = zone->position.GetValue(0);
            const std::string& kind = zone->type != nullptr ? zone->type->name : zone->typeName;
            if (kind == "Hole")
            {
                const int32_t type = zone->GetEnumProp("Type");
                auto* area = new PolygonArea(zone->points, at, type);
                if (type == 5)
                {
                    // A trigger body that names nothing leaves the name "0": it activates nothing.
                    if (cGlaElement* trigger = zone->GetRefElement("TriggerBody"))
                        area->SetName(trigger->name);
                }
                areas.push_back(area);
            }
            else if (kind == "CameraZone")
            {
                auto camera = std::make_unique<LevelCameraZone>();
                for (const cVec2f& p : zone->points)
                    camera->points.push_back((p + at) * kPixelsToMetres);
                camera->type = zone->GetEnumProp("Type");
                camera->position = at;
                if (cGlaElement* centre = zone->GetRefElement("CenterPoint"))
                    camera->centre = ElementPosition(centre);
                camera->zoom = zone->GetFloatProp("Zoom");
                cameraZones.push_back(std::move(camera));
            }
        }

        // 10. The level scene's game objects, kind by kind.
        std::vector<cGlaElement*> elements;
        levelScene->CollectGameObjs("Background", elements);
        for (cGlaElement* element : elements)
            BuildBackground(element);
        levelScene->CollectGameObjs("Pickup", elements);
        for (cGlaElement* element : elements)
            BuildPickup(element, 0.0f, cVec2f());
        levelScene->CollectGameObjs("Respawn", elements);
        for (cGlaElement* element : elements)
            BuildRespawn(element, 0.0f, cVec2f());
        levelScene->CollectGameObjs("SceneBit", elements);
        for (cGlaElement* element : elements)
            BuildSceneBit(element, 0.0f, cVec2f());
        levelScene->CollectGameObjs("Mover", elements);
        for (cGlaElement* element : elements)
            BuildMover(element, 0.0f, cVec2f());
        levelScene->CollectGameObjs("DynamicObject", elements);
        for (cGlaElement* element : elements)
            BuildDynamicObject(element, 0.0f, cVec2f());

        // 11. Scene objects: the Pickup, SceneBit, Mover and DynamicObject elements of their
        // sub-scenes, moved by the scene object's position and turned by its rotation; the
        // dynamic objects are named with the scene object's name as a suffix.
        std::vector<cGlaElement*> sceneObjects;
        levelScene->CollectGameObjs("SceneObject", sceneObjects);
        for (cGlaElement* sceneObject : sceneObjects)
        {
            cGlaScene* sub = SubSceneOf(sceneObject);
            if (sub == nullptr)
                continue;
            const cVec2f offset = ElementPosition(sceneObject);
            const float angle = ElementRotation(sceneObject);
            sub->CollectGameObjs("Pickup", elements);
            for (cGlaElement* element : elements)
                BuildPickup(element, angle, offset);
            sub->CollectGameObjs("SceneBit", elements);
            for (cGlaElement* element : elements)
                BuildSceneBit(element, angle, offset);
            sub->CollectGameObjs("Mover", elements);
            for (cGlaElement* element : elements)
                BuildMover(element, angle, offset);
            sub->CollectGameObjs("DynamicObject", elements);
            for (cGlaElement* element : elements)
                BuildDynamicObject(element, angle, offset, sceneObject->name);
        }

        // 12. First list once.
        UpdateList(objects);

        // 13-14. Joints of the level scene, then of each scene object's sub-scene.
        std::vector<cGlaElement*> markers;
        levelScene->CollectMarkers(markers);
        for (cGlaElement* marker : markers)
            BuildSceneJoints(marker, std::string(), 0.0f, 0.0f);
        for (cGlaElement* sceneObject : sceneObjects)
        {
            cGlaScene* sub = SubSceneOf(sceneObject);
            if (sub == nullptr)
                continue;
            const cVec2f offset = ElementPosition(sceneObject);
            sub->CollectMarkers(markers);
            for (cGlaElement* marker : markers)
                BuildSceneJoints(marker, sceneObject->name, offset.x, offset.y);
        }
    }

    // 16. Start every object of the first list.
    for (cGameObj* object : std::vector<cGameObj*>(objects.live.begin(), objects.live.end()))
    {
        if (cLogicController* logic = object->GetLogicController())
            logic->Start();
    }
    // 17. No debug page in this build.
    debugPage = nullptr;

    // 18. The other lists once.
    UpdateList(respawns);
    UpdateList(pickups);
    UpdateList(backgrounds);

    // 19. The type-10 flag.
    anyAreaType10 = std::any_of(areas.begin(), areas.end(), [](const PolygonArea* a) { return a->type == 10; });

    // The world keeps its turn through a rebuild (F6 turns it; a restart starts the run, not
    // the turn, again). Gravity and the player's own down take the turn too, so that the
    // level falls the way it is drawn, and a fall before the run's first checkpoint comes
    // back to the turn the run started with.
    if (targetAngle != 0.0f)
    {
        gravity.Rotate(targetAngle);
        world->SetGravity(b2Vec2(gravity.x, gravity.y));
        dorvo->AddAngleDegrees(targetAngle * 57.29578f);
        dorvo->displayAngle = dorvo->angle;
    }
    angleAtCheckpoint = targetAngle;

    // 20. Pre-roll with the player held still.
    dorvo->enabled = 0;
    for (int32_t i = 0; i < startFrames; ++i)
    {
        StepWorld(timeStep, 10, 10);
        contactsLocked = false;
        UpdateList(objects);
        objects.DeleteWaiting();
        UpdateJoints();
    }
    // The player may have been deleted by an object during the pre-roll; it is looked up
    // again through the list.
    if (std::find(objects.live.begin(), objects.live.end(), playerObj) != objects.live.end())
        dorvo->enabled = 1;

    // 21. Music of the level table's row.
    if (gLevelHost != nullptr)
        gLevelHost->PlayMusicTrack(gLevelHost->LevelMusicTrack(levelIndex));
}

// A level's road from its scene to its end: the scene name rules, the rebuild from a level
// scene made in memory (world, player, areas, camera zones, safe defaults for missing
// elements, the pre-roll), the world update (restart key, death countdown and respawn),
// the pickup rules and the completion's scoring into the progress record.
#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/gla/GlaControllerFixtures.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/RecordingAtlas.h"
#include "KelpoBase/render/Resource.h"
#include "KelpoBase/render/SoundResource.h"
#include "game/level/Level.h"
#include "game/objects/Dorvo.h"
#include "game/objects/GameObj.h"
#include "game/objects/ObjectSounds.h"
#include "game/objects/PickupObject.h"
#include "game/objects/RigidBodyController.h"

using namespace glatest;

namespace
{
// Records what the level asks of the game.
struct FakeHost : cLevelHost
{
    std::string LevelFileName(int32_t index) override { return "level_" + std::to_string(100 + index); }
    int32_t LevelMusicTrack(int32_t index) override { return index + 1; }
    void PlayMusicTrack(int32_t track) override { tracks.push_back(track); }
    bool GetProgress(int32_t record, LevelProgressRecord& out) override
    {
        auto it = progress.find(record);
        out = it != progress.end() ? it->second : LevelProgressRecord();
        return true;
    }
    void SetProgress(int32_t record, const LevelProgressRecord& in) override { progress[record] = in; }
    void SetFeat(int32_t feat) override { feats.push_back(feat); }
    uint32_t SumPerfectTimes(int32_t) override { return 900; }
    void UploadLeaderboard(const char* board, int32_t score) override { uploads[board] = score; }
    void CheckAchievements() override { ++checks; }
    void Save() override { ++saves; }

    std::vector<int32_t> tracks;
    std::map<int32_t, LevelProgressRecord> progress;
    std::vector<int32_t> feats;
    std::map<std::string, int32_t> uploads;
    int checks = 0, saves = 0;
};

cGlaElementZone* AddZone(SceneSet& s, cGlaScene* scene, const std::string& kind, const std::string& name,
                         cVec2f at, float half)
{
    auto* zone = AddElement<cGlaElementZone>(scene, kGlaZone, name);
    zone->type = s.Type(kind);
    zone->typeName = kind;
    zone->position.AddKey(at);
    zone->points = {{-half, -half}, {half, -half}, {half, half}, {-half, half}};
    return zone;
}

class LevelFlowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetScreenSize(1280, 720);
        ResetInputState();
        SetLevelHost(&host);
    }
    void TearDown() override
    {
        SetLevelHost(nullptr);
        ResetInputState();
    }

    // A level scene: a 4000 x 2000 boundary around the origin and the player at (320, 160).
    cGlaScene* MakeScene(bool withBoundary = true, bool withPlayer = true)
    {
        cGlaScene* scene = set.AddScene("lvl", 1);
        if (withBoundary)
            AddRectangle(scene, "boundary", cVec2f(), cVec2f(4000.0f, 2000.0f));
        if (withPlayer)
            AddRectangle(scene, "player", cVec2f(320.0f, 160.0f), cVec2f(10.0f, 10.0f));
        return scene;
    }

    void Load(cLevel& level, cGlaScene* scene, int32_t startFrames = 0)
    {
        level.levelScene = scene;
        delete level.levelSceneController;
        level.levelSceneController = new cGlaControllerScene(scene);
        level.startFrames = startFrames;
        level.RestartLevel();
    }

    static void Press(uint32_t code)
    {
        CopyInputToPrevious();
        KeyDown(code);
    }
    static void Release(uint32_t code)
    {
        KeyUp(code);
        CopyInputToPrevious();
    }

    FakeHost host;
    SceneSet set;
};
} // namespace

TEST_F(LevelFlowTest, SceneNamesByMode)
{
    EXPECT_EQ(cLevel::LevelSceneName("level_038", 0, 0, false, false), "level_038");
    EXPECT_EQ(cLevel::LevelSceneName("level_038", 0, 0, true, false), "level_038_S");
    EXPECT_EQ(cLevel::LevelSceneName("level_019", 0, 3, false, true), "level_C_003");
    EXPECT_EQ(cLevel::LevelSceneName("level_016", 1, 9, false, false), "level_2_009");
    EXPECT_EQ(cLevel::LevelSceneName("x", 1, 123, false, false), "level_2_123");
}

TEST_F(LevelFlowTest, LoaderBuildsWorldPlayerAreasAndCameraZones)
{
    cGlaScene* scene = MakeScene();
    AddRectangle(scene, "crate", cVec2f(500.0f, 0.0f), cVec2f(10.0f, 10.0f));
    AddRectangle(scene, "centre", cVec2f(64.0f, 96.0f), cVec2f(1.0f, 1.0f));
    cGlaElementZone* trigger = AddZone(set, scene, "Hole", "anyname", cVec2f(100.0f, 0.0f), 32.0f);
    trigger->AddProp(new cGlaPropEnum("Type", 5));
    trigger->AddProp(new cGlaPropRefElement(scene, "TriggerBody", "crate"));
    AddZone(set, scene, "Hole", "kill", cVec2f(-100.0f, 0.0f), 32.0f)->AddProp(new cGlaPropEnum("Type", 4));
    cGlaElementZone* camera = AddZone(set, scene, "CameraZone", "cam", cVec2f(0.0f, 0.0f), 64.0f);
    camera->AddProp(new cGlaPropEnum("Type", 1));
    camera->AddProp(new cGlaPropRefElement(scene, "CenterPoint", "centre"));
    camera->AddProp(new cGlaPropFloat("Zoom", 0.8f));
    AddZone(set, scene, "CameraZone", "bare", cVec2f(0.0f, 0.0f), 64.0f);
    AddZone(set, scene, "Something", "Hole", cVec2f(0.0f, 0.0f), 64.0f);

    cLevel level(3);
    Load(level, scene);
    ASSERT_NE(level.world, nullptr);
    ASSERT_NE(level.playerObject, nullptr);
    EXPECT_NEAR(level.playerObject->position.x, 10.0f, 1e-5f);
    EXPECT_NEAR(level.playerObject->position.y, 5.0f, 1e-5f);
    EXPECT_EQ(level.objects.live.front(), level.playerObject);
    EXPECT_NE(dynamic_cast<cDorvo*>(level.player), nullptr);
    EXPECT_NEAR(level.cameraPos.x, 10.0f, 1e-5f);
    EXPECT_FLOAT_EQ(level.cameraZoom, 1.0f);
    EXPECT_FLOAT_EQ(level.boundsMin.x, -2000.0f);
    EXPECT_FLOAT_EQ(level.boundsMax.y, 1000.0f);

    // The player's one circle: radius 20 pixels, category 4, mask 7.
    b2Body* body = level.playerObject->GetRigidBodyController()->GetBody();
    ASSERT_NE(body, nullptr);
    const b2Fixture* fixture = body->GetFixtureList();
    ASSERT_NE(fixture, nullptr);
    EXPECT_EQ(fixture->GetNext(), nullptr);
    EXPECT_FLOAT_EQ(fixture->GetShape()->m_radius, 0.625f);
    EXPECT_EQ(fixture->GetFilterData().categoryBits, 4);
    EXPECT_EQ(fixture->GetFilterData().maskBits, 7);

    ASSERT_EQ(level.areas.size(), 2u);
    EXPECT_EQ(level.areas[0]->type, 5);
    EXPECT_EQ(level.areas[0]->GetName(), "crate");
    EXPECT_EQ(level.areas[1]->type, 4);
    EXPECT_EQ(level.areas[1]->GetName(), "0");
    EXPECT_FALSE(level.anyAreaType10);
    ASSERT_EQ(level.cameraZones.size(), 2u);
    EXPECT_EQ(level.cameraZones[0]->type, 1);
    EXPECT_FLOAT_EQ(level.cameraZones[0]->zoom, 0.8f);
    EXPECT_FLOAT_EQ(level.cameraZones[0]->centre.x, 64.0f);
    EXPECT_FLOAT_EQ(level.cameraZones[0]->centre.y, 96.0f);
    EXPECT_FLOAT_EQ(level.cameraZones[1]->zoom, 0.0f);
    EXPECT_FLOAT_EQ(level.cameraZones[1]->centre.x, 0.0f);

    // Per-run state and the first state.
    EXPECT_EQ(level.score, 5400);
    EXPECT_EQ(level.survivalCountdown, 3600);
    EXPECT_TRUE(level.jumpRequested);
    EXPECT_TRUE(level.moveRequested);
    EXPECT_EQ(level.stateMachine.pendingState, &cLevel::StateIntro);
    ASSERT_FALSE(host.tracks.empty());
    EXPECT_EQ(host.tracks.back(), 4); // the table row of index 3
    // The rotating voices start at 8 and 3; the positional one still sounds on 8 first.
    EXPECT_EQ(level.rotateVoice, 8);
    EXPECT_EQ(level.nextVoice, 3);
    EXPECT_EQ(TakeWorldVoice(level), 8);
    EXPECT_EQ(TakeWorldVoice(level), 9);

    // A rebuild without a type-10 area keeps the flag clear; with one it is set.
    AddZone(set, scene, "Hole", "up", cVec2f(0.0f, 500.0f), 32.0f)->AddProp(new cGlaPropEnum("Type", 10));
    level.ClearLevel();
    Load(level, scene);
    EXPECT_TRUE(level.anyAreaType10);
    EXPECT_EQ(level.areas.size(), 3u);
}

TEST_F(LevelFlowTest, MissingBoundaryPlayerSubSceneAndSceneAreSafe)
{
    cGlaScene* scene = MakeScene(false, false);
    auto* sceneObject = AddElement<cGlaElementGameObj>(scene, kGlaGameObj, "so");
    sceneObject->type = set.Type("SceneObject");
    sceneObject->position.AddKey(cVec2f(10.0f, 10.0f));
    sceneObject->AddProp(new cGlaPropRefScene(scene, "scene", "nowhere"));
    AddZone(set, scene, "Hole", "t5", cVec2f(), 16.0f)->AddProp(new cGlaPropEnum("Type", 5));

    cLevel level(0);
    Load(level, scene);
    ASSERT_NE(level.playerObject, nullptr);
    EXPECT_FLOAT_EQ(level.playerObject->position.x, 0.0f);
    EXPECT_FLOAT_EQ(level.playerObject->position.y, 0.0f);
    ASSERT_EQ(level.areas.size(), 1u);
    EXPECT_EQ(level.areas[0]->GetName(), "0");
    EXPECT_NE(level.grid, nullptr);
    for (int i = 0; i < 5; ++i)
        level.UpdateWorld();

    // No scene at all: the world and the player are still made.
    cLevel bare(0);
    bare.levelSceneController = new cGlaControllerScene(static_cast<cGlaScene*>(nullptr));
    bare.startFrames = 3;
    bare.RestartLevel();
    EXPECT_NE(bare.world, nullptr);
    EXPECT_NE(bare.playerObject, nullptr);
    EXPECT_TRUE(bare.areas.empty());
}

TEST_F(LevelFlowTest, PreRollStepsStartFramesWithThePlayerHeld)
{
    cLevel still(0);
    Load(still, MakeScene(), 0);
    cLevel rolled(0);
    Load(rolled, MakeScene(), 15);
    auto* dorvo = dynamic_cast<cDorvo*>(rolled.player);
    ASSERT_NE(dorvo, nullptr);
    EXPECT_EQ(dorvo->enabled, 1);
    EXPECT_EQ(dynamic_cast<cDorvo*>(still.player)->enabled, 1);
    // Fifteen steps of its own gravity have moved the player's body down.
    const float y0 = still.playerObject->GetRigidBodyController()->GetBody()->GetPosition().y;
    const float y1 = rolled.playerObject->GetRigidBodyController()->GetBody()->GetPosition().y;
    EXPECT_NEAR(y0, 5.0f, 1e-4f);
    EXPECT_GT(y1, y0 + 0.1f);
}

TEST_F(LevelFlowTest, RestartKeyRebuildsUnlessTheLevelIsComplete)
{
    cLevel level(0);
    Load(level, MakeScene());
    level.timeFrames = 77;
    level.bonusScore = 400;
    Press(13);
    level.UpdateWorld();
    EXPECT_EQ(level.timeFrames, 0);
    EXPECT_EQ(level.bonusScore, 0);
    EXPECT_TRUE(level.contactsLocked);
    Release(13);

    // After completion the index has moved on: F3 is ignored.
    level.levelComplete = true;
    level.levelIndex = 5;
    level.timeFrames = 50;
    Press(13);
    level.UpdateWorld();
    EXPECT_EQ(level.timeFrames, 50);
    EXPECT_EQ(level.levelIndex, 5);
    Release(13);

    // The restart request still rebuilds (the results' restart).
    level.restartRequest = true;
    level.UpdateWorld();
    EXPECT_EQ(level.timeFrames, 0);
    EXPECT_FALSE(level.levelComplete);
    EXPECT_FALSE(level.restartRequest);
}

TEST_F(LevelFlowTest, DeathCountsDownNinetyFramesThenRespawnsAtTheCheckpoint)
{
    cLevel level(0);
    Load(level, MakeScene());
    level.respawnPoint = cVec2f(20.0f, 8.0f);
    level.sugarAtCheckpoint = 2;
    level.sugarCollected = 5;
    level.bonusScore = 500; // 600 off would go below 0
    level.heldKeys = 0xF;
    level.keysAtCheckpoint = 0x1;

    level.playerDead = true;
    level.UpdateWorld();
    EXPECT_TRUE(level.deathSequence);
    EXPECT_FALSE(level.playerDead);
    EXPECT_EQ(level.perfectCounter, 1);
    EXPECT_EQ(level.dyingCountdown, 89);

    // A second kill while dying only counts.
    level.playerDead = true;
    level.UpdateWorld();
    EXPECT_EQ(level.perfectCounter, 2);
    EXPECT_EQ(level.dyingCountdown, 88);

    for (int i = 0; i < 87; ++i)
        level.UpdateWorld();
    EXPECT_TRUE(level.deathSequence);
    level.UpdateWorld();
    EXPECT_FALSE(level.deathSequence);
    EXPECT_EQ(level.sugarCollected, 2);
    EXPECT_EQ(level.bonusScore, 0);
    EXPECT_EQ(level.heldKeys, 0x1u);
    EXPECT_NEAR(level.playerObject->position.x, 20.0f, 0.5f);
}

TEST_F(LevelFlowTest, DeathInARestartOnDeathLevelRequestsARestart)
{
    cLevel level(0);
    Load(level, MakeScene());
    level.restartOnDeath = true;
    level.playerDead = true;
    for (int i = 0; i < 90; ++i)
        level.UpdateWorld();
    EXPECT_TRUE(level.restartRequest);
    level.timeFrames = 10;
    level.UpdateWorld();
    EXPECT_EQ(level.timeFrames, 0);
    EXPECT_FALSE(level.restartRequest);
}

TEST_F(LevelFlowTest, PickupsAddSugarAndKeysAndComeBackAfterARespawn)
{
    cLevel level(0);
    Load(level, MakeScene());
    const cVec2f at = level.playerObject->position;
    auto addPickup = [&](int32_t type) {
        auto* element = AddElement<cGlaElementGameObj>(set.set->scenes.front(), kGlaGameObj, "p");
        element->AddProp(new cGlaPropEnum("Type", type));
        auto* object = new cGameObj(&level);
        auto* pickup = new cPickupObject(element);
        object->SetLogicController(pickup);
        object->position = at;
        pickup->SetArea(new PolygonArea({{-32, -32}, {32, -32}, {32, 32}, {-32, 32}}, cVec2f(), 0));
        level.pickups.Append(object);
        return pickup;
    };
    cPickupObject* sugar = addPickup(1);
    cPickupObject* key = addPickup(4);
    level.UpdateLevelRules();
    EXPECT_EQ(level.sugarCollected, 1);
    EXPECT_EQ(level.bonusScore, 200);
    EXPECT_EQ(level.heldKeys, 0x4u);
    EXPECT_FALSE(sugar->visible);
    EXPECT_FALSE(key->visible);
    // Taken once only.
    level.UpdateLevelRules();
    EXPECT_EQ(level.sugarCollected, 1);

    // A respawn gives back what was taken since the checkpoint.
    level.bonusScore = 1000;
    level.Respawn();
    EXPECT_TRUE(sugar->visible);
    EXPECT_EQ(level.sugarCollected, 0);
    EXPECT_EQ(level.bonusScore, 200); // 1000 - 600 - 200
}

TEST_F(LevelFlowTest, CompletionScoresIntoTheProgressRecord)
{
    cLevel level(19);
    Load(level, MakeScene());
    level.score = 5000;      // time bonus
    level.bonusScore = 1200; // sugar and sticker
    level.sugarTotal = 1;
    level.sugarCollected = 1;
    level.stickerFound = true;
    level.timeFrames = 400;
    host.progress[19].bestPerfectTime = 500;
    level.CompleteLevel();

    const LevelProgressRecord& r = host.progress[19];
    EXPECT_TRUE(r.completed);
    EXPECT_TRUE(r.allSugar);
    EXPECT_TRUE(r.sticker);
    EXPECT_TRUE(r.perfect);
    EXPECT_EQ(r.bestScore, 5000 + 1200 + 1000 + 1000);
    EXPECT_EQ(r.bestPerfectTime, 400u);
    EXPECT_TRUE(level.newSurvivalUnlocked);
    EXPECT_TRUE(level.newBonusUnlocked);
    EXPECT_EQ(host.uploads["Time taken to complete all of the Story levels"], 30000); // 900 frames
    EXPECT_EQ(level.levelIndex, 20);
    EXPECT_TRUE(level.noPause);
    EXPECT_EQ(level.resultsTimer, 90);
    EXPECT_EQ(level.stateMachine.pendingState, &cLevel::StateResults);
    EXPECT_EQ(host.saves, 1);
    EXPECT_EQ(host.checks, 1);

    // Again, slower, with a death: the best score and time stay; nothing newly unlocked.
    cLevel again(19);
    Load(again, MakeScene());
    again.score = -100;
    again.perfectCounter = 1;
    again.timeFrames = 9000;
    again.sugarTotal = 3;
    again.CompleteLevel();
    EXPECT_EQ(host.progress[19].bestScore, 5000 + 1200 + 1000 + 1000);
    EXPECT_EQ(host.progress[19].bestPerfectTime, 400u);
    EXPECT_FALSE(again.newSurvivalUnlocked);
    EXPECT_FALSE(again.newBonusUnlocked);
}

TEST_F(LevelFlowTest, CompletionSetsTheFeatsOfItsRecordAndRun)
{
    enum : int32_t
    {
        kBreakout = 0,
        kOneLump = 1,
        kDontLookBack = 2,
        kDontJump = 3,
        kBlackTea = 4,
    };
    struct Case
    {
        int32_t number;     // the level number (its progress record)
        uint32_t heldKeys;
        int32_t sugar;      // collected
        bool neverJumped;
        bool neverMovedLeft;
        std::vector<int32_t> feats;
    };
    const Case cases[] = {
        {37, 0, 5, false, false, {kBreakout}},
        {37, 2, 5, false, false, {}},
        {87, 0, 5, false, false, {}}, // bonus index 37 is record 87
        {14, 0, 2, false, false, {kOneLump}},
        {14, 0, 3, false, false, {}},
        {14, 0, 0, true, false, {kBlackTea, kDontJump, kOneLump}},
        {21, 0, 5, false, true, {kDontLookBack}},
        {21, 0, 5, false, false, {}},
        {37, 0, 5, false, true, {kBreakout}}, // the record rules are one chain: only 37's
        {5, 0, 0, true, true, {kBlackTea, kDontJump}},
        {5, 0, 1, false, true, {}},
    };
    for (const Case& c : cases)
    {
        host.feats.clear();
        cLevel level(c.number);
        Load(level, MakeScene());
        level.heldKeys = c.heldKeys;
        level.sugarTotal = 5;
        level.sugarCollected = c.sugar;
        level.jumpRequested = c.neverJumped;
        level.moveRequested = c.neverMovedLeft;
        level.CompleteLevel();
        EXPECT_EQ(host.feats, c.feats) << c.number << " keys " << c.heldKeys << " sugar " << c.sugar;
    }
}

TEST_F(LevelFlowTest, ChallengeCompletionAlwaysSendsTheChallengeTotal)
{
    cLevel level(252);
    Load(level, MakeScene());
    level.sugarTotal = 2;
    level.CompleteChallengeLevel();
    EXPECT_TRUE(host.progress[252].completed);
    EXPECT_FALSE(host.progress[252].perfect);
    EXPECT_EQ(host.uploads["Time taken to complete all of the Challenge levels"], 1500000);
    EXPECT_TRUE(host.feats.empty());
}

TEST_F(LevelFlowTest, StepBackToResultsGoesTwoLevelsBackWithTheLevelEndButNoScore)
{
    cLevel level(12);
    Load(level, MakeScene());
    std::array<ImageRect, 5> confetti{};
    for (ImageRect& piece : confetti)
        level.confettiImages.push_back(&piece);
    const uint32_t particles = level.particlePoolA.Used();
    level.StepBackToResults();
    EXPECT_EQ(level.levelIndex, 10);
    EXPECT_TRUE(level.noPause);
    EXPECT_EQ(level.resultsTimer, 90);
    EXPECT_EQ(level.stateMachine.pendingState, &cLevel::StateResults);
    EXPECT_GT(level.particlePoolA.Used(), particles + 1) << "the flash and the confetti";
    auto* dorvo = dynamic_cast<cDorvo*>(level.player);
    ASSERT_NE(dorvo, nullptr);
    EXPECT_TRUE(dorvo->states.pendingState == &cDorvo::StateLevelEnd);
    EXPECT_TRUE(host.progress.empty());
    EXPECT_EQ(host.saves, 0);
    EXPECT_EQ(host.checks, 0);
}

TEST_F(LevelFlowTest, OpenStoryLevelsCompletesTheFortyStoryRecordsOnly)
{
    host.progress[3].bestScore = 77;
    host.progress[3].sticker = true;
    OpenStoryLevels();
    for (int32_t r = 0; r < 40; ++r)
        EXPECT_TRUE(host.progress[r].completed) << r;
    EXPECT_EQ(host.progress[3].bestScore, 77);
    EXPECT_TRUE(host.progress[3].sticker);
    EXPECT_FALSE(host.progress[0].sticker);
    EXPECT_EQ(host.progress.count(40), 0u);
    EXPECT_EQ(host.saves, 0);
    SetLevelHost(nullptr);
    OpenStoryLevels(); // without a game: nothing to open, nothing fails
}

TEST_F(LevelFlowTest, AreasKillEndTheLevelOnceAndCameraZonesTakeTheCamera)
{
    cGlaScene* scene = MakeScene();
    // Around the player (320, 160): a level end, and a camera zone inside a larger one.
    AddZone(set, scene, "Hole", "end", cVec2f(320.0f, 160.0f), 64.0f)->AddProp(new cGlaPropEnum("Type", 6));
    AddRectangle(scene, "c1", cVec2f(640.0f, 320.0f), cVec2f(1.0f, 1.0f));
    cGlaElementZone* inner = AddZone(set, scene, "CameraZone", "inner", cVec2f(320.0f, 160.0f), 64.0f);
    inner->AddProp(new cGlaPropEnum("Type", 1));
    inner->AddProp(new cGlaPropRefElement(scene, "CenterPoint", "c1"));
    inner->AddProp(new cGlaPropFloat("Zoom", 2.0f));
    cGlaElementZone* outer = AddZone(set, scene, "CameraZone", "outer", cVec2f(320.0f, 160.0f), 400.0f);
    outer->AddProp(new cGlaPropEnum("Type", 4));
    outer->AddProp(new cGlaPropFloat("Zoom", 1.0f));

    cLevel level(7);
    Load(level, scene);
    level.UpdateLevelRules();
    EXPECT_EQ(level.cameraMode, 1);
    EXPECT_EQ(level.cameraBlendFrames, 26);
    EXPECT_FLOAT_EQ(level.cameraTargetPos.x, 20.0f);
    EXPECT_FLOAT_EQ(level.cameraTargetPos.y, 10.0f);
    EXPECT_FLOAT_EQ(level.cameraTargetZoom, 2.0f * 1.0f * 1.0f);
    // Completed once: index 7 -> 8, and standing on doesn't complete again.
    EXPECT_EQ(level.levelIndex, 8);
    EXPECT_TRUE(level.noPause);
    EXPECT_EQ(host.saves, 1);
    level.UpdateLevelRules();
    EXPECT_EQ(level.levelIndex, 8);
    EXPECT_EQ(host.saves, 1);
    EXPECT_EQ(level.cameraMode, 1); // the first zone keeps the camera

    // Leaving every zone: mode 0 and a 20-frame return.
    level.playerObject->SetPosition(cVec2f(100.0f, 100.0f));
    level.cameraBlendFrames = 0;
    level.UpdateLevelRules();
    EXPECT_EQ(level.cameraMode, 0);
    EXPECT_EQ(level.cameraBlendFrames, 20);

    // A kill zone under the player sets the killed flag.
    AddZone(set, scene, "Hole", "pit", cVec2f(3200.0f, 3200.0f), 64.0f)->AddProp(new cGlaPropEnum("Type", 4));
    level.ClearLevel();
    Load(level, scene);
    level.playerObject->SetPosition(cVec2f(100.0f, 100.0f));
    level.UpdateLevelRules();
    EXPECT_TRUE(level.playerDead);
}

TEST_F(LevelFlowTest, ReachingACheckpointMovesTheRespawnAndStopsRestartOnDeath)
{
    cLevel level(0);
    Load(level, MakeScene());
    level.restartOnDeath = true;
    auto addPoint = [&](cVec2f at) {
        auto* object = new cGameObj(&level);
        auto* point = new cRespawnObject();
        object->SetLogicController(point);
        auto* body = new cRigidBodyController();
        object->SetRigidBodyController(body);
        body->CreateStaticBody();
        const b2Vec2 box[4] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
        body->AddPolygonFixture(box, 0.0f, 0.0f, 1, 0);
        object->SetPosition(at);
        level.respawns.Append(object);
        return point;
    };
    cRespawnObject* first = addPoint(level.playerObject->position);
    cRespawnObject* second = addPoint(cVec2f(40.0f, 5.0f));
    level.sugarCollected = 3;
    level.heldKeys = 0x2;
    level.UpdateLevelRules();
    EXPECT_EQ(first->state, 1);
    EXPECT_EQ(second->state, 0);
    EXPECT_FALSE(level.restartOnDeath);
    EXPECT_EQ(level.sugarAtCheckpoint, 3);
    EXPECT_EQ(level.keysAtCheckpoint, 0x2u);
    EXPECT_FLOAT_EQ(level.respawnPoint.x, level.playerObject->position.x);

    // The second point becomes current; the first goes back to inactive.
    level.playerObject->SetPosition(cVec2f(40.0f, 5.0f));
    level.UpdateLevelRules();
    EXPECT_EQ(first->state, 0);
    EXPECT_EQ(second->state, 1);
    EXPECT_FLOAT_EQ(level.respawnPoint.x, 40.0f);
}

TEST_F(LevelFlowTest, SurvivalDeathPostsTheRunOnce)
{
    cLevel level(201);
    Load(level, MakeScene());
    level.isSurvival = true;
    level.sugarCollected = 12;
    level.playerDead = true;
    for (int i = 0; i < 90; ++i)
        level.UpdateWorld();
    EXPECT_TRUE(level.noPause);
    EXPECT_TRUE(level.deathSequence); // no respawn
    EXPECT_EQ(level.resultsTimer, 90);
    EXPECT_EQ(level.stateMachine.pendingState, &cLevel::StateResults);
    level.UpdateWorld();
    EXPECT_EQ(level.resultsTimer, 89); // counted down, not posted again
    EXPECT_EQ(level.levelIndex, 1);
}

TEST_F(LevelFlowTest, EffectListsKeepTheirSizesWhenFilesAreMissing)
{
    cLevel level(0);
    level.LoadLevelEffects();
    EXPECT_EQ(level.sequenceSounds.size(), 4u);
    EXPECT_EQ(level.stickerSounds.size(), 2u);
    EXPECT_EQ(level.levelStartSounds.size(), 1u);
    EXPECT_EQ(level.deathSounds.size(), 1u);
    EXPECT_EQ(level.dynamiteSounds.size(), 3u);
    EXPECT_EQ(level.badgeSounds.size(), 3u);
    EXPECT_EQ(level.creakSounds[2].size(), 2u);
    EXPECT_EQ(level.effectSoundLists.size(), 2u);
    EXPECT_TRUE(level.unusedSounds.empty());
    EXPECT_EQ(level.ambientSlots.size(), 17u);
    EXPECT_EQ(level.confettiImages.size(), 5u);
    EXPECT_EQ(level.badgeConfetti.size(), 4u);
    EXPECT_EQ(level.leafImages.size(), 8u);
    EXPECT_EQ(level.badgeIcons.size(), 3u);
    EXPECT_EQ(level.vesselImages.size(), 4u);
    EXPECT_EQ(level.dynamiteImages.size(), 4u);
    EXPECT_EQ(level.waterCloudParts.size(), 4u);
}

namespace
{
using tvtest::NamesOf;

// Sounds recorded by name beside the atlas pictures (tvtest::MakeRecordingAtlas), so that
// the record holds every file the level asks for, in load order.
cResource* RecordSound(const std::string& name, float)
{
    auto* sound = new cSound(nullptr, 1.0f);
    tvtest::RecordedLoads().Add(sound, name);
    return sound;
}

// "<prefix><first>..<last><suffix>", or the names themselves, each after a folder.
std::vector<std::string> Files(const std::string& folder, const std::string& prefix, int first, int last,
                               const std::string& suffix)
{
    std::vector<std::string> names;
    for (int i = first; i <= last; ++i)
        names.push_back(folder + prefix + std::to_string(i) + suffix);
    return names;
}
std::vector<std::string> Files(const std::string& folder, std::initializer_list<const char*> names)
{
    std::vector<std::string> out;
    for (const char* name : names)
        out.push_back(folder + name);
    return out;
}
} // namespace

TEST_F(LevelFlowTest, EffectFilesLoadByNameIntoTheirListsInOrder)
{
    tvtest::RecordedLoads().Clear();
    SetSoundLoader(RecordSound);
    SetResourceAtlasFactory(tvtest::MakeRecordingAtlas);
    SelectResourceGroup("EffectNames");
    cLevel level(0);
    level.LoadLevelEffects();

    const std::string a = "res/audio/";
    const std::string fx = "res/fx/";
    struct Row
    {
        const char* what;
        std::vector<std::string> loaded, files;
        bool kept = true; // false: loaded but held by no list (nothing reads them)
    };
    const std::vector<Row> sounds = {
        {"air-gun fire", NamesOf(level.objectTypeSounds[0]), Files(a, "air_gun_fire_", 1, 4, ".ogg")},
        {"beanbag hit", NamesOf(level.beanBagSounds), Files(a, "beanbag_hit_wood_", 1, 4, ".ogg")},
        {"key pickup", NamesOf(level.keyPickupSounds), Files(a, {"key_pickup_1.ogg"})},
        {"door unlock", NamesOf(level.doorUnlockSounds), Files(a, {"key_unlock_door_1.ogg"})},
        {"checkpoint", NamesOf(level.checkpointSounds), Files(a, {"get_checkpoint.ogg"})},
        {"sugar pickup", NamesOf(level.sequenceSounds), Files(a, "sugarcube_pickup_v2_", 1, 4, ".ogg")},
        {"level start", NamesOf(level.levelStartSounds), Files(a, {"player_boost_1.ogg"})},
        {"player death", NamesOf(level.deathSounds), Files(a, {"player_death_v2.ogg"})},
        {"sticker pickup", NamesOf(level.stickerSounds), Files(a, "sticker_pickup_", 1, 2, ".ogg")},
        {"level end", NamesOf(level.levelEndSounds), Files(a, {"level_end_confetti_1.ogg"})},
        {"bouncy surface", NamesOf(level.worldSounds3), Files(a, "bouncy_surface_", 1, 3, ".ogg")},
        {"barrel explosion", NamesOf(level.barrelSounds), Files(a, "wooden_barrel_exploding_", 1, 2, ".ogg")},
        {"lava gun", NamesOf(level.objectTypeSounds[1]), Files(a, "lava_air_gun_shoot_", 1, 4, ".ogg")},
        {"lava drop shot", NamesOf(level.objectTypeSounds[2]), Files(a, "lava_drop_shoot_", 1, 3, ".ogg")},
        {"lava drop burst", NamesOf(level.lavaDropSounds), Files(a, "lava_drop_explode_", 1, 3, ".ogg")},
        {"cloud spit", NamesOf(level.objectTypeSounds[3]), Files(a, "cloud_spitting_v2_", 1, 3, ".ogg")},
        {"short rope creak", NamesOf(level.springSoftSounds), Files(a, "rope_creak_short_", 1, 3, ".ogg")},
        {"long rope creak", NamesOf(level.springLoudSounds), Files(a, "rope_creak_long_", 1, 2, ".ogg")},
        {"mouth closing", NamesOf(level.creakSounds[0]), Files(a, {"dinosaurus_mouth_close.ogg"})},
        {"mouth opening", NamesOf(level.creakSounds[1]), Files(a, {"dinosaurus_mouth_open.ogg"})},
        {"player impact", NamesOf(level.impactSounds), Files(a, "player_hit_surface_v1_", 1, 4, ".ogg")},
        {"rock burst", NamesOf(level.rockSounds), Files(a, "rock_explode_", 1, 2, ".ogg")},
        {"water-cloud burst", NamesOf(level.waterCloudSounds), Files(a, "water_cloud_explode_", 1, 2, ".ogg")},
        {"rainbow", NamesOf(level.effectSoundLists.at(0)), Files(a, {"rainbow_start.ogg"})},
        {"spinning metal", NamesOf(level.effectSoundLists.at(1)), Files(a, "spinning_metal_", 1, 4, ".ogg")},
        {"grinding metal", NamesOf(level.creakSounds[2]), Files(a, "grinding_metal_", 1, 2, ".ogg")},
        {"wood knock", NamesOf(level.woodSounds), Files(a, "wood_hit_wood_", 1, 3, ".ogg")},
        {"heavy metal knock", NamesOf(level.metalSounds), Files(a, "metal_hit_metal_heavy_", 1, 2, ".ogg")},
        {"large beanbag", NamesOf(level.beanBagLargeSounds), Files(a, {"large_bean_bag_1.ogg"})},
        {"arcade key", NamesOf(level.dropKeySoundsA), Files(a, {"arcade_shooting_get_key.ogg"})},
        {"invader key", NamesOf(level.dropKeySoundsB), Files(a, {"space_invander_get_key_1.ogg"})},
        {"invader death", NamesOf(level.invaderSounds), Files(a, {"space_invander_die_1.ogg"})},
        {"rain drop", NamesOf(level.rainDropSounds), Files(a, {"large_rain_drop_1.ogg"})},
        {"water-cloud splash", NamesOf(level.worldSounds1), Files(a, "water_cloud_splash_", 1, 2, ".ogg")},
        {"shark bite", NamesOf(level.worldSounds2), Files(a, "small_shark_bite_", 1, 3, ".ogg")},
        {"badge", NamesOf(level.badgeSounds), Files(a, "sticker_v1_", 1, 3, ".ogg")},
        {"dynamite", NamesOf(level.dynamiteSounds),
         Files(a, {"dynamite_explose.ogg", "dynamite_fuse_loop.ogg", "dynamite_fuse_start.ogg"})},
        {"ambient slots", NamesOf(level.ambientSlots),
         Files(a, {"amb_lava_v2.ogg", "circular_saw.ogg", "amb_light_rain.ogg", "boat_engine_v2.ogg", "strong_wind.ogg",
                   "large_fan.ogg", "large_mechanical_engine_short.ogg", "large_metal_drills_v2.ogg",
                   "slow_mechanical_air_v2.ogg", "fast_mechanical_air_v2.ogg", "cloud_fire_angry.ogg",
                   "wooden_barrel_rolling.ogg", "metal_oil_drum_rolling_heavier.ogg", "mechanical_platform.ogg",
                   "metal_engine.ogg", "large_moving_rock.ogg", "rotate_world_v3.ogg"})},
    };
    const std::string icons = "res/frontend/1024_768/LevelSelect/Small_Icons/";
    const std::vector<Row> images = {
        {"updraft", NamesOf(level.updraftImages), Files(fx, {"UpDraft_2.png", "UpDraft_Arrow.png"})},
        {"vessel", NamesOf(level.vesselImages),
         Files(fx, {"Hoblet_1.png", "page_000_frame_000.png", "page_000_frame_001.png", "page_000_frame_002.png"})},
        {"fire", NamesOf(level.fireImages), Files(fx, {"Fire.png", "Fire_1.png"})},
        {"player hurt and radar", {}, Files(fx, {"Dorvo_death.png", "Dorvo_Hit.png", "Radar.png"}), false},
        {"sugar sparkle", NamesOf(level.sugarSparkle), Files(fx, {"Suger_particle.png"})},
        {"confetti", NamesOf(level.confettiImages), Files(fx, {"Con_1.png", "Con_2.png", "Con_3.png", "Con_4.png", "Flash.png"})},
        {"badge confetti", NamesOf(level.badgeConfetti), Files(fx, "BCon_", 1, 4, ".png")},
        {"shooting star", NamesOf(level.shootingStar), Files(fx, {"Star_Shooting.png"})},
        {"respawn", {}, Files(fx, {"Respawn.png"}), false},
        {"leaves", NamesOf(level.leafImages), Files(fx, "Leaf_", 1, 8, ".png")},
        {"splinters", NamesOf(level.barrelPieces), Files(fx, "Bar_", 1, 5, ".png")},
        {"rain drop", NamesOf(level.rainDropParts), Files(fx, {"RainDrop_Part.png"})},
        {"dust", NamesOf(level.dust), Files(fx, {"Dust.png"})},
        {"rope", NamesOf(level.ropePieces), Files(fx, "Rope_", 1, 4, ".png")},
        {"beans", NamesOf(level.beanPieces), Files(fx, "Bean_", 1, 4, ".png")},
        {"spark", NamesOf(level.sparks), Files(fx, {"Spark_1.png"})},
        {"lava", NamesOf(level.lavaPieces), Files(fx, {"Lava_1.png"})},
        {"invaders", NamesOf(level.invaderColours),
         Files(fx, {"SpaceInvaders/Green.png", "SpaceInvaders/Blue.png", "SpaceInvaders/Red.png", "SpaceInvaders/Purple.png"})},
        {"rain", NamesOf(level.rainImages), Files(fx, {"level2/Rain.png"})},
        {"water-cloud flash", NamesOf(level.waterCloudFlash), Files(fx, {"WaterCloud/Flash_1.png"})},
        {"water-cloud drops", NamesOf(level.waterCloudParts), Files(fx, "WaterCloud/Part_", 1, 4, ".png")},
        {"heart", NamesOf(level.hearts), Files("", {"res/frontend/1024_768/LoveHeart.png"})},
        // Indexed: 0 sticker, 1 sugar, 2 perfect.
        {"badge icons", NamesOf(level.badgeIcons), Files(icons, {"Sticker.png", "Cube.png", "Star.png"})},
        {"rocks", NamesOf(level.rocks), Files(fx, "Rocks/Rock_", 1, 4, ".png")},
        {"saw", NamesOf(level.sawPieces), Files(fx, "Saw/Saw_", 1, 4, ".png")},
        {"dynamite", NamesOf(level.dynamiteImages),
         Files(fx, {"dynamiteSpark.png", "dynamiteFlame.png", "explosion.png", "pulse.png"})},
    };

    // Every file once, in the tables' order: the sound lists, the ambient slots, the images.
    std::vector<std::string> order;
    for (const auto* table : {&sounds, &images})
    {
        for (const Row& row : *table)
        {
            if (row.kept)
            {
                EXPECT_EQ(row.loaded, row.files) << row.what;
            }
            order.insert(order.end(), row.files.begin(), row.files.end());
        }
    }
    EXPECT_EQ(tvtest::RecordedLoads().names, order);
    EXPECT_EQ(level.rotateSound, level.ambientSlots.back());
    EXPECT_EQ(level.respawnEffectImages, level.vesselImages);
    EXPECT_EQ(level.effectImages, level.confettiImages);
    EXPECT_TRUE(level.unusedSounds.empty());

    SetSoundLoader(nullptr);
    SetResourceAtlasFactory(nullptr);
    ReleaseAllResourceGroups();
}

TEST_F(LevelFlowTest, PlayerSoundSwellsWithJumpsAndFades)
{
    cLevel level(0);
    Load(level, MakeScene());
    EXPECT_FLOAT_EQ(level.playerSoundGain, 0.2f);
    EXPECT_FLOAT_EQ(level.playerSoundPitchTarget, 1.9f);
    for (int i = 0; i < 10; ++i)
        level.OnPlayerJumpInput();
    level.UpdateLevelRules();
    EXPECT_NEAR(level.playerSoundGainTarget, 0.9f, 1e-5f); // 0.2 + 1.0 - 0.02, clamped
    EXPECT_NEAR(level.playerSoundGain, 0.25f, 1e-5f);      // at most 0.05 a frame
    EXPECT_NEAR(level.playerSoundPitchTarget, 2.88f, 1e-5f);
    for (int i = 0; i < 100; ++i)
        level.UpdateLevelRules();
    EXPECT_FLOAT_EQ(level.playerSoundGain, 0.0f);
    EXPECT_FLOAT_EQ(level.playerSoundPitchTarget, 0.9f);
    EXPECT_EQ(level.PlayerScene(-1), nullptr);
    EXPECT_EQ(level.PlayerScene(4), nullptr);
}

TEST_F(LevelFlowTest, PauseKeyTogglesUnlessPausingIsForbidden)
{
    cLevel level(0);
    Load(level, MakeScene());
    Press(9);
    level.UpdateWorld();
    EXPECT_TRUE(level.pausedByFocus);
    EXPECT_EQ(level.stateMachine.pendingState, &cLevel::StatePauseOpen);
    Release(9);
    Press(9);
    level.UpdateWorld();
    EXPECT_FALSE(level.pausedByFocus);
    EXPECT_EQ(level.stateMachine.pendingState, &cLevel::StateRunning);
    Release(9);

    // A pause control outside the input block is never pressed.
    level.controls[kControlPause] = 500;
    level.UpdateWorld();
    EXPECT_FALSE(level.pausedByFocus);

    level.noPause = true;
    level.resultsTimer = 10;
    Press(9);
    level.UpdateWorld();
    EXPECT_FALSE(level.pausedByFocus);
    EXPECT_EQ(level.resultsTimer, 9);
    Release(9);
}

TEST_F(LevelFlowTest, StartWithoutDataKeepsDefaultsAndStillBuilds)
{
    cLevel level(200);
    SetLoadCountOnly(true); // left over from a counting pass: the level start clears it
    EXPECT_FALSE(level.StartLevel()); // no maps file here
    EXPECT_FALSE(IsLoadCountOnly());
    EXPECT_EQ(level.levelScene, nullptr);
    EXPECT_NE(level.levelSceneController, nullptr);
    EXPECT_FALSE(level.isSurvival); // the scene's "Survival" decides; absent is false
    EXPECT_EQ(level.startFrames, 0);
    EXPECT_FALSE(level.restartOnDeath);
    EXPECT_EQ(level.pauseScene, nullptr);
    EXPECT_EQ(level.resultsButtonsScene, nullptr);
    EXPECT_EQ(level.ambientSlots.size(), 17u);
    EXPECT_EQ(GetCurrentResourceGroup(), level.resourceGroupB);
    level.RestartLevel();
    EXPECT_NE(level.playerObject, nullptr);
    level.UpdateWorld();
}

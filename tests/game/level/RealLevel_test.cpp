// The real-level fixture itself: a level of the sample data tree and a level scene written
// by the test both start and build as the game builds them, and play under scripted keys.
#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include "KelpoBase/platform/Input.h"
#include "RealLevel.h"
#include "datagen/SampleScenes.h"
#include "game/level/Level.h"
#include "game/objects/GameObj.h"

using namespace tvtest;

TEST(RealLevel, SampleStoryLevelBuildsAndThePlayerWalksRight)
{
    RealLevelOptions options;
    options.levelNumber = 1;
    RealLevel real(options);
    ASSERT_TRUE(real.Ready()) << real.Error();
    cLevel& level = real.Level();
    ASSERT_NE(level.world, nullptr);
    ASSERT_NE(level.playerObject, nullptr);
    EXPECT_GT(level.world->GetBodyCount(), 10);
    EXPECT_FALSE(level.pickups.live.empty());

    // The appearance (30 frames), then a second with Right held.
    real.Step(40);
    const float before = level.playerObject->position.x;
    real.Step(30, {KEY_RIGHT});
    EXPECT_GT(level.playerObject->position.x, before + 1.0f);
    EXPECT_EQ(real.Frames(), 70);
}

TEST(RealLevel, TestSceneBuildsOnTheSampleResources)
{
    datagen::SceneFile maps = datagen::BuildMapBase();
    datagen::Json& scene = AddLevelScene(maps, "level_test", 2048, 1024, 300, 800);
    AddGround(scene, 0, 2048, 900);
    scene["elements"].push_back(datagen::GameObj(
        "crate", "DynamicObject", 600, 860,
        datagen::Json::array({datagen::Prop("scene", "scene", "obj_crate"), datagen::Prop("Collide", "enum", 5)})));
    RealLevel real(maps, "level_test");
    ASSERT_TRUE(real.Ready()) << real.Error();
    cLevel& level = real.Level();
    ASSERT_NE(real.Object("crate"), nullptr);
    ASSERT_NE(level.playerObject, nullptr);
    EXPECT_NEAR(level.playerObject->position.x, 300.0f / 32.0f, 1e-4f);

    // The player settles over the ground; the camera keeps the view inside the boundary
    // (its left edge: half the 1280-pixel view).
    real.Step(60);
    EXPECT_LT(level.playerObject->position.y, 900.0f / 32.0f);
    EXPECT_NEAR(real.Camera().x, 640.0f / 32.0f, 1e-4f);
    const float before = level.playerObject->position.x;
    real.Step(20, {KEY_LEFT});
    EXPECT_LT(level.playerObject->position.x, before - 0.5f);
}

// Scenarios: the whole program plays the levels of the sample data tree with scripted keys,
// headless. They guard the levels as a player meets them: levels that can be walked,
// collected, died in and completed, stickers found by plain moves, joints that do what
// their art shows, the world's turn, and frames that a player would see; and they prove
// again, in the program, what the level tests prove on their own: the pause menu's focus
// after a restart, the camera where its limits cross.
#include <gtest/gtest.h>

#include "ScenarioSteps.h"

using namespace tvtest;

// Story level 1 as a new player plays it: from the title through the menus and the comic,
// then walked to its end.
TEST(Scenario, StoryLevelOneWalkedToItsEnd)
{
    ScenarioDriver d;
    ASSERT_TRUE(StartAtMainMenu(d));
    d.Tap(Key::Return); // Play
    ASSERT_TRUE(d.WaitForScreen(&cFrontend::StateModeSelect));
    d.UndrawnFrames(10);
    d.Tap(Key::Return); // Story
    ASSERT_TRUE(d.WaitForScreen(&cFrontend::StateLevelSelect));
    d.UndrawnFrames(10);
    d.Tap(Key::Return); // level 1, the only one open
    ASSERT_GE(d.RunUntil([&] { return d.Game().comic != nullptr; }, 300), 0) << "the comic comes first";
    d.UndrawnFrames(10);
    d.Tap(Key::Jump); // skips the comic
    ASSERT_TRUE(d.WaitForPlay(400));
    cLevel& level = *d.Level();
    EXPECT_EQ(level.levelIndex, 0);
    EXPECT_EQ(level.sugarTotal, 10);
    EXPECT_EQ(level.sugarCollected, 0);

    // Walking collects the sugar on the ground up to the first flag.
    d.Hold(Key::Right);
    ASSERT_GE(d.RunUntil([&] { return d.PlayerX() > 930; }, 300), 0);
    EXPECT_EQ(level.sugarCollected, 4) << "the cubes at 500, 620, 740 and 860 lie on the way";

    // On into the pit: the player dies there and comes back at the flag it passed.
    ASSERT_GE(d.RunUntil([&] { return level.deathSequence; }, 200), 0);
    EXPECT_GT(d.PlayerX(), 1024.0f);
    EXPECT_LT(d.PlayerX(), 1216.0f);
    d.UndrawnFrames(9);
    d.Frames(1);
    EXPECT_GT(ConfettiPixels(d.ReadFrame()), 400) << "the death bursts into confetti large enough to see";
    d.Release(Key::Right);
    ASSERT_GE(d.RunUntil([&] { return !level.deathSequence; }, 200), 0);
    EXPECT_NEAR(d.PlayerX(), 900.0f, 2.0f) << "respawned at the first checkpoint";
    EXPECT_EQ(level.sugarCollected, 4) << "back to the count at the checkpoint";
    d.UndrawnFrames(30);

    // A run and a jump over the pit, then on to the end.
    d.Hold(Key::Right);
    ASSERT_GE(d.RunUntil([&] { return d.PlayerX() > 980; }, 200), 0);
    d.Hold(Key::Jump);
    d.UndrawnFrames(8);
    d.Release(Key::Jump);
    ASSERT_GE(d.RunUntil([&] { return d.PlayerX() > 1300; }, 200), 0);
    EXPECT_FALSE(level.deathSequence);
    const int completedAfter = d.RunUntil([&] { return d.LevelIn(&cLevel::StateResults); }, 900);
    ASSERT_GE(completedAfter, 0) << "stuck at " << d.PlayerX() << ", " << d.PlayerY();
    d.ReleaseAll();
    EXPECT_GE(level.sugarCollected, 9) << "every cube on the ground";
    EXPECT_EQ(level.levelIndex, 1) << "the results name the next level";
    ASSERT_TRUE(WaitForResultsPanel(d));
    EXPECT_GT(LevelNumberPixels(d), 20) << "the panel shows the number";
    EXPECT_TRUE(LevelCaptionShown(d));

    LevelProgress saved;
    ASSERT_TRUE(d.SavedProgress(0, saved));
    EXPECT_TRUE(saved.completed);
    EXPECT_GT(saved.bestScore, 0);
}

// The first challenge level has the first story level's pit and no checkpoints: a death
// there starts the whole level again.
TEST(Scenario, ChallengeLevelRestartsOnDeath)
{
    ScenarioDriver d;
    ASSERT_TRUE(d.StartInLevel(250));
    cLevel* level = d.Level();
    EXPECT_TRUE(level->isChallenge);
    EXPECT_TRUE(level->respawns.live.empty()) << "no checkpoints";
    const float startX = d.PlayerX();

    d.Hold(Key::Right);
    ASSERT_GE(d.RunUntil([&] { return d.Level()->deathSequence; }, 400), 0);
    d.Release(Key::Right);
    EXPECT_GT(d.Level()->sugarCollected, 0);
    EXPECT_GT(d.PlayerX(), 1000.0f);
    // After the death's countdown the level is rebuilt and played from its start.
    ASSERT_GE(d.RunUntil([&] { return !d.Level()->deathSequence; }, 200), 0);
    ASSERT_TRUE(d.WaitForPlay());
    level = d.Level();
    EXPECT_NEAR(d.PlayerX(), startX, 2.0f);
    EXPECT_EQ(level->sugarCollected, 0);
    EXPECT_EQ(level->perfectCounter, 0) << "a restart, not a respawn, which would keep the death";
}

// Story level 5's pendulum is driven along a sine wave by its joint's motor: it swings to
// both sides of its pivot, through the path under it, its weight always as far from the
// pivot as its chain is drawn long.
TEST(Scenario, PendulumSwings)
{
    ScenarioDriver d;
    ASSERT_TRUE(d.StartInLevel(4));
    cGameObj* pendulum = d.Level()->FindObjectByName("pendulum");
    ASSERT_NE(pendulum, nullptr);
    const JointRecord* joint = JointOf(*d.Level(), pendulum);
    ASSERT_NE(joint, nullptr);
    const cVec2f pivot = PixelsOf(joint->joint->GetAnchorA());
    EXPECT_NEAR(pivot.x, 1000.0f, 1.0f);
    const float arm = 300.0f;
    float least = 1e9f, most = -1e9f, armError = 0.0f;
    // One swing of the sine wave takes about 250 frames.
    for (int i = 0; i < 300; ++i)
    {
        d.UndrawnFrames(1);
        const cVec2f at = PixelsOf(pendulum);
        least = std::min(least, at.x);
        most = std::max(most, at.x);
        armError = std::max(armError, std::fabs((at - pivot).Length() - arm));
    }
    EXPECT_LT(least, pivot.x - 150.0f);
    EXPECT_GT(most, pivot.x + 150.0f);
    EXPECT_LT(armError, 2.0f) << "the weight keeps to the end of its chain";
}

// A survival run: the clock counts down two minutes of play, then the results show the
// sugar taken, which is kept as the level's best.
TEST(Scenario, SurvivalCountsDownToItsResults)
{
    ScenarioDriver d;
    ASSERT_TRUE(d.StartInLevel(200));
    cLevel* level = d.Level();
    EXPECT_TRUE(level->isSurvival);
    const int32_t countdown = level->survivalCountdown;
    EXPECT_GT(countdown, 0);

    // Along the lowest row of sugar, short of the killer's patrol.
    d.Hold(Key::Right);
    ASSERT_GE(d.RunUntil([&] { return d.PlayerX() > 1200; }, 300), 0);
    d.Release(Key::Right);
    const int32_t taken = level->sugarCollected;
    EXPECT_GE(taken, 4);
    EXPECT_LT(level->survivalCountdown, countdown);
    EXPECT_FALSE(d.LevelIn(&cLevel::StateResults));

    ASSERT_GE(d.RunUntil([&] { return d.LevelIn(&cLevel::StateResults); }, countdown + 10), 0);
    EXPECT_EQ(level->survivalCountdown, 0);
    EXPECT_GE(level->sugarCollected, taken);
    LevelProgress saved;
    ASSERT_TRUE(d.SavedProgress(200, saved));
    EXPECT_EQ(saved.bestScore, level->sugarCollected);
}

// A survival run ends when the clock runs down or when the player is caught. Caught with
// more than a minute left, the results' header shows words that fit that end as well as
// the other: nothing of the time having run out.
TEST(Scenario, SurvivalRunEndedByADeathHasAHeaderThatFitsThatEnd)
{
    ScenarioDriver d;
    ASSERT_TRUE(d.StartInLevel(200));
    d.Hold(Key::Right); // along the floor into the killer's patrol
    ASSERT_GE(d.RunUntil([&] { return d.Level()->deathSequence; }, 600), 0);
    d.ReleaseAll();
    ASSERT_TRUE(WaitForResultsPanel(d));
    const cLevel& level = *d.Level();
    EXPECT_GT(level.survivalCountdown, 60 * 30) << "time left";

    const cGlaControllerSprite* header = FindSpriteController(level.resultsScene, "title");
    ASSERT_NE(header, nullptr);
    EXPECT_TRUE(header->visible);
    EXPECT_NE(header->image, nullptr);
    std::string words = PictureWords(datagen::BuildHudScenes(), header);
    ASSERT_FALSE(words.empty());
    std::transform(words.begin(), words.end(), words.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    EXPECT_EQ(words.find("time"), std::string::npos) << words;
}

// The story levels after the first, one of each of the other templates (keys and movers,
// dynamics, joints, hazards), played as a newcomer plays them: walking right and jumping
// now and then, each reaches its end (through deaths and respawns where a hazard takes the
// player). No obstacle is too high to jump and nothing throws the player out of the level.
TEST(Scenario, EveryLevelTemplateCanBePlayedToItsEnd)
{
    for (int32_t levelNumber : {1, 2, 3, 4})
    {
        ScenarioDriver d;
        ASSERT_TRUE(d.StartInLevel(levelNumber));
        float highest = d.PlayerY(), furthest = d.PlayerX();
        HopRightUntil(
            d,
            [&]
            {
                highest = std::min(highest, d.PlayerY());
                furthest = std::max(furthest, d.PlayerX());
                return d.LevelIn(&cLevel::StateResults);
            },
            1500);
        EXPECT_TRUE(d.LevelIn(&cLevel::StateResults))
            << "level " << levelNumber << " ended at " << d.PlayerX() << ", " << d.PlayerY();
        EXPECT_GT(highest, 0.0f) << "level " << levelNumber << ": over the top of the level";
        EXPECT_LT(furthest, d.Level()->boundsMax.x) << "level " << levelNumber << ": over the right wall";
    }
}

// The sky fills the screen behind a level: at the start, and zoomed out in a camera zone.
TEST(Scenario, LevelFrameHasNoBandAboveTheSky)
{
    ScenarioDriver d;
    ASSERT_TRUE(d.StartInLevel(0));
    d.Frames(1);
    std::vector<int> rows = ClearRows(d.ReadFrame());
    EXPECT_TRUE(rows.empty()) << rows.size() << " rows from " << rows.front();

    // The first story level's camera zone zooms out around x 1600, past the pit.
    d.Hold(Key::Right);
    ASSERT_GE(d.RunUntil([&] { return d.PlayerX() > 980; }, 300), 0);
    d.Hold(Key::Jump);
    d.UndrawnFrames(8);
    d.Release(Key::Jump);
    ASSERT_GE(d.RunUntil([&] { return d.PlayerX() > 1550; }, 300), 0);
    d.Release(Key::Right);
    d.UndrawnFrames(40);
    ASSERT_LT(d.Level()->cameraZoom, 0.9f) << "in the camera zone";
    d.Frames(1);
    rows = ClearRows(d.ReadFrame());
    EXPECT_TRUE(rows.empty()) << rows.size() << " rows from " << rows.front();
}

// The credits walk counts the sugar along it and takes its sticker, a perfect walk, and its
// results name no level (it is not one).
TEST(Scenario, CreditsWalk)
{
    ScenarioDriver d;
    ASSERT_TRUE(d.StartInLevel(40));
    EXPECT_GT(d.Level()->sugarTotal, 0);
    d.Hold(Key::Right);
    ASSERT_TRUE(WaitForResultsPanel(d));
    d.ReleaseAll();
    EXPECT_EQ(d.Level()->sugarCollected, d.Level()->sugarTotal) << "all of it lies on the way";
    EXPECT_EQ(LevelNumberPixels(d), 0);
    EXPECT_FALSE(LevelCaptionShown(d)) << "no caption without its number";
    EXPECT_TRUE(d.Level()->stickerFound) << "its sticker lies on the way too";
    EXPECT_TRUE(d.Level()->PerfectRun());
}

// A restart from the pause menu builds the level afresh, and the menu's focus with it: the
// next pause opens on its first button ("Resume"), not on "Restart" where it was left.
TEST(Scenario, PauseMenuOpensOnItsFirstButtonAfterARestart)
{
    ScenarioDriver d;
    ASSERT_TRUE(d.StartInLevel(0));
    d.Hold(Key::Right);
    d.UndrawnFrames(40);
    d.Release(Key::Right);
    const float walked = d.PlayerX();

    ASSERT_TRUE(WaitForPauseMenu(d));
    cGlaControllerScene* menu = d.Level()->pauseScene;
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->focusIndex, 0);
    d.Tap(Key::Down);
    ASSERT_EQ(menu->focusIndex, 1) << "on \"Restart\"";
    d.Tap(Key::Return);
    ASSERT_TRUE(d.WaitForPlay());
    EXPECT_LT(d.PlayerX(), walked - 100.0f) << "back at the start";

    ASSERT_TRUE(WaitForPauseMenu(d));
    EXPECT_EQ(d.Level()->pauseScene->focusIndex, 0);
}

// At a screen below 960 pixels wide the level is drawn at half size, and the view (1600 x
// 1200 level pixels at 800 x 600) is taller than the sample levels: the camera holds the
// upper limit on that axis, (1080 - 600) / 32 = 15 m, and follows the walk without a jump.
TEST(Scenario, SmallScreenCameraHoldsWhereTheLimitsCross)
{
    ScenarioDriver d;
    ASSERT_TRUE(d.StartInLevel(0, "-screenwidth 800 -screenheight 600"));
    cLevel* level = d.Level();
    EXPECT_FLOAT_EQ(level->cameraZoom, 0.5f);
    d.Hold(Key::Right);
    cVec2f last = level->cameraPos;
    float largestStep = 0.0f;
    // Past the first flag, where the camera leaves its left limit, to the pit's edge.
    for (int i = 0; i < 100; ++i)
    {
        d.UndrawnFrames(1);
        const cVec2f at = level->cameraPos;
        EXPECT_FLOAT_EQ(at.y, 15.0f) << "frame " << i;
        largestStep = std::max(largestStep, std::fabs(at.x - last.x));
        last = at;
    }
    EXPECT_GT(last.x, 28.0f) << "the camera followed the walk";
    EXPECT_LT(largestStep, 0.5f) << "a walk's step, never a jump";

    // High in the level (above 15 m, as a bounce or an updraft takes it) the player is
    // below the crossed lower limit too: the camera still holds 15 m while it falls.
    d.Release(Key::Right);
    cGameObj* player = level->playerObject;
    ASSERT_NE(player, nullptr);
    player->SetPosition(cVec2f(d.PlayerX() / 32.0f, 8.0f));
    for (int i = 0; i < 30; ++i)
    {
        d.UndrawnFrames(1);
        EXPECT_FLOAT_EQ(level->cameraPos.y, 15.0f) << "falling at " << d.PlayerY() << " px";
    }
    EXPECT_GT(d.PlayerY(), 300.0f) << "it falls";
    EXPECT_FALSE(level->deathSequence);
}

// Every level hides a sticker, and each story level's sticker opens one customisation
// item: item k of page p by the sticker of level record p + 5(k - 1), so the first five
// story levels (one of each template) open item 1 of the five pages. Each run: the item
// is locked on a new game, drawn so (its picture faded under a padlock); the player finds
// the level's sticker with a move a player who sees it tries, and plays on to the end;
// from the results' "Menu" the item is open.
//
// The moves: walk (hopping over what is in the way, as a newcomer does, up to where the
// way is clear) and, once on the ground about a full jump's length before the sticker,
// jump with the key held; or turn back to the wall behind the start and jump there; or
// jump with the key held once in the updraft that rises toward the sticker.
enum class StickerMove
{
    JumpOnTheRun,
    JumpAtTheWall,
    JumpInTheUpdraft
};

struct StickerRun
{
    const char* name;
    int32_t level; // a story level: its record has the same number
    StickerMove move;
    float hopsUntilX = 0; // hop along (past hazards) until here, then walk
    float hopOverAtX = 0; // or walk, and hop over a pit at its edge here
    float walkOnToX = 0;  // after the sticker, walk without hops to here (past a key a hop skips)
};

// A full jump on the run tops out about 300 pixels ahead of where it leaves the ground and
// stays near its top for some 150 more: leaving the ground about this far before a sticker
// hung at a full jump's height takes it (from 300 to 480 or so does).
constexpr float kFullJumpLength = 350;
constexpr int kFullJumpFrames = 20;
constexpr int kHopFrames = 8;

void PrintTo(const StickerRun& run, std::ostream* out) { *out << run.name; }

// Each run starts from a new game and leaves one behind for the scenarios after it.
class StickerScenario : public testing::TestWithParam<StickerRun>
{
protected:
    void SetUp() override { WriteFreshSave(); }
    void TearDown() override { WriteFreshSave(); }
};

TEST_P(StickerScenario, TheLevelsStickerOpensItsCustomiseItem)
{
    const StickerRun& run = GetParam();
    const int page = run.level % 5, item = run.level / 5 + 1;
    ASSERT_EQ(cFrontendBase::StickerRecordForItem(page, item), run.level);
    ScenarioDriver d;
    ASSERT_TRUE(StartAtMainMenu(d));
    cGlaControllerScene* pageScene = OpenCustomisePage(d, page);
    ASSERT_NE(pageScene, nullptr);
    const std::string itemName = "but" + std::to_string(item);
    const cGlaControllerToggleButton* toggle = FindToggleButtonController(pageScene, itemName);
    ASSERT_NE(toggle, nullptr);
    EXPECT_FALSE(toggle->IsEnabled()) << "locked on a new game";
    const cVec2f centre = ItemCentre(*pageScene, *toggle);
    const std::vector<uint8_t> locked = d.ReadFrame();
    d.Tap(Key::Escape);
    ASSERT_TRUE(d.WaitForScreen(&cFrontend::StateMainMenu, 120));

    d.EnterLevel(run.level);
    ASSERT_TRUE(d.WaitForPlay());
    const cGameObj* sticker = d.Level()->FindObjectByName("sticker");
    ASSERT_NE(sticker, nullptr);
    const float stickerX = PixelsOf(sticker).x;
    // Standing at the start: the height of a player on the ground.
    const float standing = d.PlayerY();
    auto onTheGround = [&] { return std::fabs(d.PlayerY() - standing) < 6.0f; };
    switch (run.move)
    {
    case StickerMove::JumpAtTheWall:
        d.Hold(Key::Left);
        ASSERT_GE(d.RunUntil([&] { return d.PlayerX() < 25.0f; }, 200), 0);
        d.UndrawnFrames(5);
        Jump(d, kFullJumpFrames);
        d.Release(Key::Left);
        break;
    case StickerMove::JumpOnTheRun:
        if (run.hopOverAtX > 0)
        {
            d.Hold(Key::Right);
            ASSERT_GE(d.RunUntil([&] { return d.PlayerX() > run.hopOverAtX; }, 300), 0);
            Jump(d, kHopFrames);
        }
        d.Hold(Key::Right);
        ASSERT_GE(d.RunUntil([&] { return d.PlayerX() > stickerX - kFullJumpLength && onTheGround(); }, 300), 0);
        Jump(d, kFullJumpFrames);
        break;
    case StickerMove::JumpInTheUpdraft:
    {
        const PolygonArea* updraft = nullptr;
        for (const PolygonArea* area : d.Level()->areas)
            if (area->type == 1)
                updraft = area;
        ASSERT_NE(updraft, nullptr);
        // The updraft's box, in pixels.
        float left = 1e9f, right = -1e9f;
        for (const cVec2f& p : updraft->points)
        {
            left = std::min(left, p.x * 32.0f);
            right = std::max(right, p.x * 32.0f);
        }
        ASSERT_GE(HopRightUntil(d, [&] { return d.PlayerX() > run.hopsUntilX; }, 1500), 0);
        // Down from the last hop, then on into the updraft.
        d.Hold(Key::Right);
        ASSERT_GE(d.RunUntil(onTheGround, 100), 0);
        EXPECT_LT(d.PlayerX(), left) << "landed short of the updraft";
        ASSERT_GE(d.RunUntil([&] { return d.PlayerX() > left && d.PlayerX() < right; }, 300), 0);
        Jump(d, kFullJumpFrames);
        break;
    }
    }
    EXPECT_GE(d.RunUntil([&] { return d.Level()->stickerFound; }, 60), 0)
        << "missed it, at " << d.PlayerX() << ", " << d.PlayerY();
    d.Hold(Key::Right);
    ASSERT_GE(d.RunUntil([&] { return d.PlayerX() > run.walkOnToX; }, 600), 0);
    ASSERT_GE(HopRightUntil(d, [&] { return d.LevelIn(&cLevel::StateResults); }, 1500), 0)
        << "stuck at " << d.PlayerX() << ", " << d.PlayerY();
    EXPECT_TRUE(d.Level()->stickerFound) << "kept to the end";
    d.ReleaseAll();
    ASSERT_TRUE(WaitForResultsPanel(d));
    LevelProgress saved;
    ASSERT_TRUE(d.SavedProgress(run.level, saved));
    EXPECT_TRUE(saved.sticker);

    // "Menu" on the results panel leads back to the main menu.
    cGlaControllerScene* buttons = d.Level()->resultsButtonsScene;
    ASSERT_NE(buttons, nullptr);
    const int menu = FocusIndexOf(*buttons, "butMenu");
    ASSERT_GE(menu, 0);
    for (int i = 0; i < 4 && buttons->focusIndex != menu; ++i)
        d.Tap(Key::Up);
    ASSERT_EQ(buttons->focusIndex, menu);
    d.Tap(Key::Return);
    ASSERT_TRUE(d.WaitForScreen(&cFrontend::StateMainMenu, 300));
    d.UndrawnFrames(40);
    pageScene = OpenCustomisePage(d, page);
    ASSERT_NE(pageScene, nullptr);
    toggle = FindToggleButtonController(pageScene, itemName);
    ASSERT_NE(toggle, nullptr);
    EXPECT_TRUE(toggle->IsEnabled()) << "open after its sticker";
    const cGlaControllerToggleButton* next = FindToggleButtonController(pageScene, "but" + std::to_string(item + 1));
    ASSERT_NE(next, nullptr);
    EXPECT_FALSE(next->IsEnabled()) << "another level's item stays locked";

    // The locked look differs from the open one in the item's picture itself, not only in
    // the tile behind it.
    int pictured = 0;
    EXPECT_GT(PictureChange(locked, d.ReadFrame(), centre, pictured), 0.6);
    EXPECT_GT(pictured, 150) << "the open item shows its picture";
}

// Basics hops over its pit first, Hazards past its pendulum and its lava.
INSTANTIATE_TEST_SUITE_P(
    EveryTemplate, StickerScenario,
    testing::Values(StickerRun{"Basics", 0, StickerMove::JumpOnTheRun, 0, 980},
                    StickerRun{"KeysAndMovers", 1, StickerMove::JumpAtTheWall, 0, 0, 1100},
                    StickerRun{"Dynamics", 2, StickerMove::JumpOnTheRun},
                    StickerRun{"Joints", 3, StickerMove::JumpOnTheRun},
                    StickerRun{"Hazards", 4, StickerMove::JumpInTheUpdraft, 1420}),
    [](const testing::TestParamInfo<StickerRun>& info) { return std::string(info.param.name); });

// Story level 4, the joints, while a player hops through it to its end, reads as drawn:
// the seesaws' planks tilt on their trestles without reaching the ground; what hangs (the
// pulley's weights, the weight on its distance joint, the crate on its spring) stays
// upright under its hook, with its chain or coil reaching up into the block there; the
// lift rides up and down on its axis and never comes down lower than a player standing
// under it is tall, and no sugar lies where it comes down over it; the wheel turns on the
// bolt of its trestle; the welded crates stay as one; and nothing stands at the END flag.
TEST(Scenario, JointsLevelReadsAsDrawnWhilePlayed)
{
    ScenarioDriver d;
    ASSERT_TRUE(d.StartInLevel(3));
    cLevel* level = d.Level();
    const float ground = 900, plankHalfLength = 192, plankHalfThickness = 12;
    // Hooks at y 480: the pulley's weights hang 280 below them and move 36 either way
    // (their chains reach 36 past the hook, into the block); the others hang 200 below.
    struct Hung
    {
        const char* name;
        float restY, reach;
    };
    const Hung hung[] = {
        {"pulleyLeft", 760, 37}, {"pulleyRight", 760, 37}, {"hanging", 680, 20}, {"springBlock", 680, 20}};
    std::vector<float> hungX;
    for (const Hung& h : hung)
    {
        cGameObj* object = level->FindObjectByName(h.name);
        ASSERT_NE(object, nullptr) << h.name;
        hungX.push_back(object->GetPosition()->x * 32.0f);
    }
    cGameObj* lift = level->FindObjectByName("liftBlock");
    ASSERT_NE(lift, nullptr);
    const float liftHalfWidth = 96, liftHalfHeight = 16, sugarHalf = 14;
    const float liftAxisX = PixelsOf(lift).x;
    // A player standing under the lift: its head.
    const float head = d.PlayerY() - 20.0f;
    float liftHighest = 1e9f, liftLowest = -1e9f;
    cGameObj* wheel = level->FindObjectByName("wheel");
    ASSERT_NE(wheel, nullptr);
    const JointRecord* axle = JointOf(*level, wheel);
    ASSERT_NE(axle, nullptr);
    const cVec2f bolt = PixelsOf(axle->joint->GetAnchorA());
    const float wheelAngleAtStart = wheel->angle;
    const cGameObj* weldA = level->FindObjectByName("weldA");
    const cGameObj* weldB = level->FindObjectByName("weldB");
    ASSERT_NE(weldA, nullptr);
    ASSERT_NE(weldB, nullptr);
    const float welded = (PixelsOf(weldB) - PixelsOf(weldA)).Length();
    std::vector<float> sugarX;
    for (int i = 0; cGameObj* sugar = level->FindObjectByName("sugar" + std::to_string(i)); ++i)
        sugarX.push_back(sugar->GetPosition()->x * 32.0f);
    EXPECT_EQ(int(sugarX.size()), level->sugarTotal);
    float endX = -1;
    for (const PolygonArea* area : level->areas)
        if (area->type == 6)
            endX = area->position.x;
    ASSERT_GT(endX, 0.0f);
    const float flagHalfWidth = 55;

    // What is wrong in the frame just run, or nothing.
    auto fault = [&]() -> std::string
    {
        for (const char* plank : {"planksaw1", "planksaw2"})
        {
            const cGameObj* p = level->FindObjectByName(plank);
            if (p == nullptr)
                return std::string(plank) + " missing";
            const float lowest = p->position.y * 32.0f + plankHalfLength * std::fabs(std::sin(p->angle)) +
                                 plankHalfThickness * std::fabs(std::cos(p->angle));
            if (lowest >= ground)
                return std::string(plank) + " down to " + std::to_string(lowest);
        }
        for (size_t i = 0; i < std::size(hung); ++i)
        {
            const cGameObj* h = level->FindObjectByName(hung[i].name);
            const float x = h->position.x * 32.0f, y = h->position.y * 32.0f;
            if (std::fabs(x - hungX[i]) > 1.0f || std::fabs(h->angle) > 0.01f ||
                std::fabs(y - hung[i].restY) > hung[i].reach)
                return std::string(hung[i].name) + " out of its hang at " + std::to_string(x) + ", " +
                       std::to_string(y) + ", angle " + std::to_string(h->angle);
        }
        const float liftX = lift->position.x * 32.0f, liftY = lift->position.y * 32.0f;
        liftHighest = std::min(liftHighest, liftY);
        liftLowest = std::max(liftLowest, liftY);
        if (std::fabs(liftX - liftAxisX) > 1.0f || std::fabs(lift->angle) > 0.01f)
            return "the lift off its axis at " + std::to_string(liftX) + ", angle " + std::to_string(lift->angle);
        if (liftY + liftHalfHeight >= head)
            return "the lift down to " + std::to_string(liftY + liftHalfHeight) + ", onto a player under it";
        if (std::fabs((PixelsOf(weldB) - PixelsOf(weldA)).Length() - welded) > 1.0f ||
            std::fabs(weldA->angle - weldB->angle) > 0.01f)
            return "the welded crates apart";
        if ((PixelsOf(wheel) - bolt).Length() > 1.0f)
            return "the wheel off its bolt at " + std::to_string(PixelsOf(wheel).x) + ", " +
                   std::to_string(PixelsOf(wheel).y);
        for (float x : sugarX)
            if (std::fabs(x - liftX) <= liftHalfWidth + sugarHalf)
                return "sugar at " + std::to_string(x) + " under the lift";
        for (const cGameObj* object : level->objects.live)
            if (object != level->playerObject && std::fabs(object->position.x * 32.0f - endX) <= flagHalfWidth + 32.0f)
                return object->GetName() + " at the END flag";
        return {};
    };

    // The crate on its spring settles from where it is placed in its first frames.
    d.UndrawnFrames(60);
    std::string found;
    int frame = HopRightUntil(
        d,
        [&]
        {
            found = fault();
            return !found.empty() || d.LevelIn(&cLevel::StateResults);
        },
        1500);
    EXPECT_EQ(found, "") << "frame " << frame;
    EXPECT_TRUE(d.LevelIn(&cLevel::StateResults)) << "ended at " << d.PlayerX() << ", " << d.PlayerY();
    EXPECT_GT(liftLowest - liftHighest, 100.0f) << "the lift rode up and down";
    EXPECT_GT(std::fabs(wheel->angle - wheelAngleAtStart), 6.3f) << "the wheel turned round";
}

// The joints level's lift rides its sine wave: through one wave (its phase steps by the
// wave's speed each frame, and the motor follows sin(phase / 2)) its height changes by
// more than the wave's length (in metres) and less than twice that, about where it stands
// at the start, straight up and down.
TEST(Scenario, JointsLevelLiftRidesItsSineWave)
{
    ScenarioDriver d;
    ASSERT_TRUE(d.StartInLevel(3));
    cGameObj* lift = d.Level()->FindObjectByName("liftBlock");
    ASSERT_NE(lift, nullptr);
    const JointRecord* joint = JointOf(*d.Level(), lift);
    ASSERT_NE(joint, nullptr);
    ASSERT_TRUE(joint->sine);
    ASSERT_GT(joint->sineSpeed, 0.0f);
    const float length = joint->sineLength * 32.0f;
    EXPECT_GT(length, 32.0f) << "a lift that travels";
    // Its axis holds on the other side, where the lift was placed.
    const cVec2f placed = PixelsOf(joint->joint->GetAnchorB());
    const int wave = int(std::ceil(4.0f * 3.14159265f / joint->sineSpeed));
    float highest = 1e9f, lowest = -1e9f, sideways = 0.0f;
    for (int i = 0; i < wave; ++i)
    {
        d.UndrawnFrames(1);
        const cVec2f at = PixelsOf(lift);
        highest = std::min(highest, at.y);
        lowest = std::max(lowest, at.y);
        sideways = std::max(sideways, std::fabs(at.x - placed.x));
    }
    EXPECT_GT(lowest - highest, length) << "from " << highest << " to " << lowest;
    EXPECT_LT(lowest - highest, 2.0f * length);
    EXPECT_LT(placed.y - highest, length + 2.0f) << "up by at most the wave's length";
    EXPECT_LT(lowest - placed.y, length + 2.0f) << "down by at most the wave's length";
    EXPECT_LT(sideways, 1.0f);
}

namespace
{
// The quarter turns the world is turned to (0 upright to 3) while the world's gravity and the
// player's own down follow the turn, so that the level falls the way it is drawn; -1 when
// they do not, or when there is no player.
int QuarterTurns(const ScenarioDriver& d)
{
    const float quarter = 1.5707964f;
    const cLevel* level = d.Level();
    const auto* dorvo = level != nullptr ? dynamic_cast<const cDorvo*>(level->player) : nullptr;
    if (dorvo == nullptr)
        return -1;
    const float quarters = level->targetAngle / quarter;
    const long whole = std::lround(quarters);
    cVec2f down = level->gravity; // as the screen shows it
    down.Rotate(-level->targetAngle);
    const bool follows = std::fabs(quarters - float(whole)) < 1e-3f && std::fabs(down.x) < 0.01f &&
                         std::fabs(down.y - 20.0f) < 0.01f &&
                         std::fabs(std::remainder(dorvo->angle - level->targetAngle, 4.0f * quarter)) < 1e-3f;
    return follows ? int((whole % 4 + 4) % 4) : -1;
}

// What a kill area does to the player; the death then plays out as any other.
void KillThePlayer(ScenarioDriver& d)
{
    d.Level()->playerDead = true;
    d.UndrawnFrames(1);
}

// From a level in play through its pause menu's "Exit" and the dialog's "Yes" to the front
// end; false when the level does not go.
bool LeaveTheLevel(ScenarioDriver& d)
{
    if (!WaitForPauseMenu(d))
        return false;
    const int exit = FocusIndexOf(*d.Level()->pauseScene, "butExit");
    for (int i = 0; i < 8 && d.Level()->pauseScene->focusIndex != exit; ++i)
        d.Tap(Key::Down);
    d.Tap(Key::Return);
    if (d.RunUntil([&] { return d.LevelIn(&cLevel::StateConfirmExit); }, 60) < 0)
        return false;
    const int yes = FocusIndexOf(*d.Level()->exitScene, "butYes");
    for (int i = 0; i < 8 && d.Level()->exitScene->focusIndex != yes; ++i)
        d.Tap(Key::Down);
    d.Tap(Key::Return);
    return d.RunUntil([&] { return d.Level() == nullptr; }, 300) >= 0;
}
} // namespace

// F6 turns the world a quarter turn, and the turn outlasts a restart: F3 builds the level
// again still turned, drawn so and falling so. Four quarter turns in all stand it upright. A
// death that goes back to the start turns the world back as the run began (here: turned);
// leaving the level and coming back finds it upright. In a level that starts over on a death,
// the death keeps the turn as F3 does.
TEST(Scenario, TheWorldKeepsItsTurnUntilTheTurnIsWholeOrTheLevelIsLeft)
{
    ScenarioDriver d;
    ASSERT_TRUE(d.StartInLevel(0));
    EXPECT_EQ(QuarterTurns(d), 0);
    d.Tap(Key::TurnWorld);
    EXPECT_EQ(QuarterTurns(d), 1);

    d.Tap(Key::Restart);
    ASSERT_TRUE(d.WaitForPlay());
    EXPECT_EQ(QuarterTurns(d), 1) << "F3 keeps the turn";
    d.UndrawnFrames(80); // the drawing eases to the turn
    EXPECT_FLOAT_EQ(d.Level()->worldAngle, d.Level()->targetAngle);

    for (int expected : {2, 3, 0})
    {
        d.Tap(Key::TurnWorld);
        EXPECT_EQ(QuarterTurns(d), expected);
    }
    d.UndrawnFrames(80);
    EXPECT_NEAR(std::remainder(d.Level()->worldAngle, 6.2831853f), 0.0f, 1e-4f) << "drawn upright";

    KillThePlayer(d);
    ASSERT_GE(d.RunUntil([&] { return !d.Level()->deathSequence; }, 200), 0);
    EXPECT_EQ(d.Level()->respawnPoint.x, d.Level()->playerStart.x) << "no checkpoint reached";
    EXPECT_EQ(QuarterTurns(d), 1) << "back to the start, as the run began";

    ASSERT_TRUE(LeaveTheLevel(d));
    d.UndrawnFrames(30);
    d.EnterLevel(0);
    ASSERT_TRUE(d.WaitForPlay());
    EXPECT_EQ(QuarterTurns(d), 0) << "a level entered again";

    ASSERT_TRUE(LeaveTheLevel(d));
    d.UndrawnFrames(30);
    d.EnterLevel(250);
    ASSERT_TRUE(d.WaitForPlay());
    ASSERT_TRUE(d.Level()->restartOnDeath);
    d.Tap(Key::TurnWorld);
    KillThePlayer(d);
    ASSERT_GE(d.RunUntil([&] { return !d.Level()->deathSequence; }, 200), 0);
    ASSERT_TRUE(d.WaitForPlay());
    EXPECT_EQ(d.Level()->perfectCounter, 0) << "the death started the level again";
    EXPECT_EQ(QuarterTurns(d), 1);
}

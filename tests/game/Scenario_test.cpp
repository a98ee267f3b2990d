// Scenarios: the whole program plays the sample data tree with scripted keys, headless. They
// guard the sample tree as a player meets it: levels that can be walked, collected, died in
// and completed, frames that a player would see, and the words its screens show; and they
// prove again, in the program, what the level and save tests prove on their own: the pause
// menu's focus after a restart, the camera where its limits cross, a short save file kept,
// the main menu's screens opened and left.
#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ScenarioDriver.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElement.h"
#include "KelpoBase/gla/GlaElementControllers.h"
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/platform/SystemServices.h"
#include "datagen/SampleScenes.h"
#include "game/level/Level.h"
#include "game/objects/Dorvo.h"
#include "game/objects/GameObj.h"
#include "game/objects/RigidBodyController.h"
#include "game/shell/Comic.h"
#include "game/shell/Frontend.h"
#include "game/shell/MainGame.h"
#include "game/shell/SaveData.h"
#include "host/gameservice/GameService.h"
#include "host/gameservice/GameServiceFiles.h"
#include "support/UnreadableFiles.h"

using tvtest::Key;
using tvtest::ScenarioDriver;

namespace
{
// Pixels of the results panel's level number (drawn in pale cyan) about its place.
int LevelNumberPixels(ScenarioDriver& d)
{
    const cGlaControllerElement* place = d.Level()->resultsScene->FindController("level");
    if (place == nullptr)
        return -1;
    const std::vector<uint8_t> frame = d.ReadFrame();
    const int cx = int(place->position.x) + ScenarioDriver::kWidth / 2;
    const int cy = int(place->position.y) + ScenarioDriver::kHeight / 2;
    int count = 0;
    for (int y = std::max(cy - 40, 0); y < std::min(cy + 40, ScenarioDriver::kHeight); ++y)
        for (int x = std::max(cx - 40, 0); x < std::min(cx + 100, ScenarioDriver::kWidth); ++x)
        {
            const uint32_t p = tvtest::PixelAt(frame, x, y);
            const int r = int(p & 255), g = int((p >> 8) & 255), b = int((p >> 16) & 255);
            count += std::abs(r - 170) < 12 && std::abs(g - 230) < 12 && std::abs(b - 230) < 12 ? 1 : 0;
        }
    return count;
}

// Pixels of the confetti the player bursts into when it dies (the sample pieces are bright
// yellow, pink, blue and green).
int ConfettiPixels(const std::vector<uint8_t>& frame)
{
    const int colours[4][3] = {{255, 204, 40}, {255, 80, 150}, {60, 170, 255}, {90, 220, 90}};
    int count = 0;
    for (int y = 0; y < ScenarioDriver::kHeight; ++y)
        for (int x = 0; x < ScenarioDriver::kWidth; ++x)
        {
            const uint32_t p = tvtest::PixelAt(frame, x, y);
            for (const auto& c : colours)
                if (std::abs(int(p & 255) - c[0]) < 8 && std::abs(int((p >> 8) & 255) - c[1]) < 8 &&
                    std::abs(int((p >> 16) & 255) - c[2]) < 8)
                    ++count;
        }
    return count;
}

// Starts the program and pages through the title to the main menu, ready for keys.
bool StartAtMainMenu(ScenarioDriver& d)
{
    if (!d.Start() || !d.WaitForScreen(&cFrontend::StateTitle, 900))
        return false;
    // Two title pages, then the main menu waits for its intro before it takes keys.
    while (d.OnScreen(&cFrontend::StateTitle) && d.FramesRun() < 2000)
    {
        d.Tap(Key::Jump);
        d.UndrawnFrames(10);
    }
    if (!d.WaitForScreen(&cFrontend::StateMainMenu))
        return false;
    d.UndrawnFrames(40);
    return true;
}

// Runs until the running level shows its pause menu; false when it does not in time.
bool WaitForPauseMenu(ScenarioDriver& d)
{
    d.Tap(Key::Escape);
    return d.RunUntil([&] { return d.LevelIn(&cLevel::StatePauseMenu); }, 60) >= 0;
}

std::vector<uint8_t> FileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Whether the results panel's caption of the level number shows.
bool LevelCaptionShown(ScenarioDriver& d)
{
    const cGlaControllerSprite* caption = FindSpriteController(d.Level()->resultsScene, "levelLabel");
    return caption != nullptr && caption->visible;
}

// Runs until the results panel shows its texts and buttons, and draws that frame.
bool WaitForResultsPanel(ScenarioDriver& d)
{
    if (d.RunUntil([&] { return d.LevelIn(&cLevel::StateResults); }, 900) < 0)
        return false;
    if (d.RunUntil([&] { return d.Level()->resultsScene->frame >= 30; }, 200) < 0)
        return false;
    d.Frames(1);
    return true;
}

// The words of the picture a sprite shows (its first key), as the sample scene file that
// names it draws them, its lines joined by spaces; empty when the file makes no such picture.
std::string PictureWords(const datagen::SceneFile& file, const cGlaControllerSprite* sprite)
{
    const auto* element = sprite != nullptr ? dynamic_cast<const cGlaElementSprite*>(sprite->element) : nullptr;
    if (element == nullptr || element->frames.keys.empty())
        return "";
    const datagen::PictureDesc* art = file.FindArt(element->frames.NameOf(0));
    std::string words;
    for (char c : art != nullptr ? art->label : std::string())
        if (c != '|')
            words += c;
        else if (!words.empty() && words.back() != ' ')
            words += ' ';
    return words;
}

// The rows of the frame where most pixels are the clear colour (opaque black): a band the
// sky does not cover.
std::vector<int> ClearRows(const std::vector<uint8_t>& frame)
{
    std::vector<int> rows;
    for (int y = 0; y < ScenarioDriver::kHeight; ++y)
    {
        int clear = 0;
        for (int x = 0; x < ScenarioDriver::kWidth; ++x)
            clear += (tvtest::PixelAt(frame, x, y) & 0x00FFFFFFu) == 0 ? 1 : 0;
        if (clear * 2 > ScenarioDriver::kWidth)
            rows.push_back(y);
    }
    return rows;
}

// The program's save folder with no save file and no file kept aside in it (the tests of
// this program share it).
std::filesystem::path EmptySaveFolder()
{
    const std::filesystem::path folder = ComputeSaveFolder();
    std::filesystem::create_directories(folder);
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().rfind("Data.sav", 0) == 0)
            std::filesystem::remove_all(entry.path());
    return folder;
}

void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                std::streamsize(bytes.size()));
}

// A save file with nothing found yet, where the program will look for it: tests of one
// program share the save folder, and what another scenario saved must not count here.
void WriteFreshSave() { WriteFileBytes(EmptySaveFolder() / "Data.sav", cSaveData().Serialise()); }

// The keyboard-focus index of the control of that name: its place among the scene's own
// buttons and toggles; -1 when there is none.
int FocusIndexOf(const cGlaControllerScene& scene, const std::string& name)
{
    int index = 0;
    for (const cGlaControllerElement* c : scene.elementControllers)
    {
        const bool focusable =
            ClassCast<cGlaControllerButton>(c) != nullptr || ClassCast<cGlaControllerToggleButton>(c) != nullptr;
        if (!focusable)
            continue;
        if (c->element != nullptr && c->element->name == name)
            return index;
        ++index;
    }
    return -1;
}

// From the main menu, through its "Customise" button and the tab of that page, as a player
// goes; the page's scene, drawn, or null when the screen did not open.
cGlaControllerScene* OpenCustomisePage(ScenarioDriver& d, int page)
{
    const cGlaControllerScene* menu = d.Game().frontend->scrMainMenuButtons;
    for (int i = 0; i < 8 && menu->focusIndex != 2; ++i)
        d.Tap(Key::Down);
    d.Tap(Key::Return);
    if (!d.WaitForScreen(&cFrontend::StateCustomise, 120))
        return nullptr;
    d.UndrawnFrames(10);
    for (int i = 0; i < page; ++i)
        d.Tap(Key::Down);
    d.Tap(Key::Return);
    d.UndrawnFrames(10);
    d.Frames(1);
    return d.Game().frontend->scrCustomisePages[page];
}

// Where an item of a customisation page is drawn, in frame pixels.
cVec2f ItemCentre(const cGlaControllerScene& page, const cGlaControllerElement& item)
{
    return page.position + item.position;
}

int MaxChannelDifference(uint32_t a, uint32_t b)
{
    int most = 0;
    for (int shift = 0; shift < 24; shift += 8)
        most = std::max(most, std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)));
    return most;
}

// How an item's own picture changes between its locked look and its open one: of the
// pixels where the open item shows its picture (not its tile), the share that differ
// clearly in the locked look. A locked look that only tints the tile leaves the picture
// as it is, which a player does not read as locked. `pictured` counts those pixels.
double PictureChange(const std::vector<uint8_t>& locked, const std::vector<uint8_t>& open, cVec2f centre, int& pictured)
{
    const int cx = int(centre.x), cy = int(centre.y);
    int changed = 0;
    pictured = 0;
    for (int y = cy - 40; y <= cy + 40; ++y)
    {
        // The open tile's own colour on this row, by its inner edge, clear of the picture.
        const uint32_t tile = tvtest::PixelAt(open, cx - 48, y);
        for (int x = cx - 40; x <= cx + 40; ++x)
        {
            const uint32_t shown = tvtest::PixelAt(open, x, y);
            if (MaxChannelDifference(shown, tile) <= 40)
                continue;
            ++pictured;
            changed += MaxChannelDifference(shown, tvtest::PixelAt(locked, x, y)) > 48 ? 1 : 0;
        }
    }
    return pictured > 0 ? double(changed) / pictured : 0.0;
}

// Walks right hopping now and then (a short jump every 40 frames), as the template
// scenario does, until the condition holds; the frames run, or -1 when it never does.
// The jump key is left up.
int HopRightUntil(ScenarioDriver& d, const std::function<bool()>& condition, int maxFrames)
{
    d.Hold(Key::Right);
    for (int frame = 0; frame < maxFrames; ++frame)
    {
        if (condition())
        {
            d.Release(Key::Jump);
            return frame;
        }
        if (frame % 40 == 20)
            d.Hold(Key::Jump);
        if (frame % 40 == 30)
            d.Release(Key::Jump);
        d.UndrawnFrames(1);
    }
    d.Release(Key::Jump);
    return -1;
}

// A full jump: the jump key held for that many frames.
void Jump(ScenarioDriver& d, int heldFrames)
{
    d.Hold(Key::Jump);
    d.UndrawnFrames(heldFrames);
    d.Release(Key::Jump);
}

// The level's record of the joint that holds the object (its first), or null.
const JointRecord* JointOf(const cLevel& level, const cGameObj* object)
{
    const cRigidBodyController* rb = object != nullptr ? object->GetRigidBodyController() : nullptr;
    for (const JointRecord* record : level.jointRecords)
        if (rb != nullptr && record != nullptr && record->joint != nullptr &&
            (record->joint->GetBodyA() == rb->body || record->joint->GetBodyB() == rb->body))
            return record;
    return nullptr;
}

// An object's place, and a point of the physics world, in level pixels.
cVec2f PixelsOf(const cGameObj* object) { return object->position * 32.0f; }
cVec2f PixelsOf(const b2Vec2& metres) { return cVec2f(metres.x, metres.y) * 32.0f; }
} // namespace

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

namespace
{
// A save file cut short after the hundredth level record, whose levels 0 (score 9), 7 and
// 120 are completed.
std::vector<uint8_t> ShortSaveFile()
{
    cSaveData stored;
    stored.progress[0].completed = true;
    stored.progress[0].bestScore = 9;
    stored.progress[7].completed = true;
    stored.progress[120].completed = true;
    const std::vector<uint8_t> whole = stored.Serialise();
    return std::vector<uint8_t>(whole.begin(), whole.begin() + 17 + 12 * 100);
}

// Makes every change to the save folder fail with an error, as a full disk or a read-only
// mount would (file modes do not stop root), until cleared or destroyed.
struct FolderWriteFailure
{
    explicit FolderWriteFailure(int error) { GameServiceFailWritesWithErrorForTests(error); }
    ~FolderWriteFailure() { Clear(); }
    void Clear() { GameServiceFailWritesWithErrorForTests(0); }
};

bool Says(const std::string& text, const std::string& words) { return text.find(words) != std::string::npos; }
} // namespace

// A save file cut short (here after the hundredth level record) keeps, in the real
// program, every record it holds; the shutdown save writes the whole record, and the bytes
// read at start-up lie beside it unchanged.
TEST(Scenario, AShortSaveFileKeepsItsProgressAndItsBytesAside)
{
    const std::filesystem::path folder = EmptySaveFolder();
    const std::vector<uint8_t> cut = ShortSaveFile();
    WriteFileBytes(folder / "Data.sav", cut);
    {
        ScenarioDriver d;
        ASSERT_TRUE(d.Start());
        d.UndrawnFrames(5);
        const cSaveData& save = d.Game().saveData;
        EXPECT_TRUE(save.progress[0].completed);
        EXPECT_EQ(save.progress[0].bestScore, 9);
        EXPECT_TRUE(save.progress[7].completed);
        EXPECT_FALSE(save.progress[120].completed) << "past the end: the default";
    }
    EXPECT_EQ(FileBytes(folder / "Data.sav.bad"), cut);
    EXPECT_EQ(std::filesystem::file_size(folder / "Data.sav"), cSaveData::kFileSizeV3);
    ASSERT_TRUE(GameServiceInit(folder.string()));
    cSaveData read;
    EXPECT_EQ(read.Read((folder / "Data.sav").string(), false), cSaveData::ReadResult::Loaded);
    EXPECT_TRUE(read.progress[7].completed);
    EXPECT_EQ(read.progress[0].bestScore, 9);
    GameServiceShutdown();
}

// The disk is full when the program starts, so the short save file it reads cannot be
// kept aside and no save may replace it: a save then is refused and says why. Space is
// freed while the game runs, and the exit save keeps the copy first and then lands with
// the progress of the run.
TEST(Scenario, AFullDiskAtStartThenFreedStillSavesAtExitAndKeepsTheFileRead)
{
    const std::filesystem::path folder = EmptySaveFolder();
    const std::vector<uint8_t> cut = ShortSaveFile();
    WriteFileBytes(folder / "Data.sav", cut);
    FolderWriteFailure full(ENOSPC);
    {
        ScenarioDriver d;
        testing::internal::CaptureStderr();
        const bool started = d.Start();
        d.UndrawnFrames(5);
        std::string said = testing::internal::GetCapturedStderr();
        ASSERT_TRUE(started);
        EXPECT_TRUE(Says(said, "could not be kept aside (No space left on device)")) << said;
        EXPECT_TRUE(d.Game().saveData.progress[7].completed);

        testing::internal::CaptureStderr();
        EXPECT_FALSE(d.Game().SaveGame());
        said = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(Says(said, "The game was not saved")) << said;
        EXPECT_TRUE(Says(said, "No space left on device")) << said;
        EXPECT_EQ(FileBytes(folder / "Data.sav"), cut);
        EXPECT_FALSE(std::filesystem::exists(folder / "Data.sav.bad"));

        d.Game().saveData.progress[9].completed = true; // progress made in this run
        full.Clear();
    }
    EXPECT_EQ(FileBytes(folder / "Data.sav.bad"), cut);
    EXPECT_FALSE(std::filesystem::exists(folder / "Data.sav.bad2"));
    ASSERT_TRUE(GameServiceInit(folder.string()));
    cSaveData read;
    EXPECT_EQ(read.Read((folder / "Data.sav").string(), false), cSaveData::ReadResult::Loaded);
    EXPECT_TRUE(read.progress[7].completed);
    EXPECT_TRUE(read.progress[9].completed);
    GameServiceShutdown();
    EmptySaveFolder();
}

// A save folder the program cannot write still gives the player their progress, look and
// controls; stderr says at start, and at the exit save, that progress will not be kept,
// and the file stays as it was.
TEST(Scenario, AReadOnlySaveFolderStillGivesThePlayerTheirProgress)
{
    const std::filesystem::path folder = EmptySaveFolder();
    cSaveData stored;
    stored.progress[3].completed = true;
    stored.progress[3].bestScore = 4321;
    stored.SetLook(2, 0, 0, 0, 1);
    stored.controls[4] = 80;
    const std::vector<uint8_t> file = stored.Serialise();
    WriteFileBytes(folder / "Data.sav", file);
    FolderWriteFailure readOnly(EROFS);
    std::string atStart;
    std::string atExit;
    {
        ScenarioDriver d;
        testing::internal::CaptureStderr();
        const bool started = d.Start();
        d.UndrawnFrames(5);
        atStart = testing::internal::GetCapturedStderr();
        ASSERT_TRUE(started);
        const cSaveData& save = d.Game().saveData;
        EXPECT_TRUE(save.progress[3].completed);
        EXPECT_EQ(save.progress[3].bestScore, 4321);
        EXPECT_EQ(save.look[cSaveData::kLookHair], 2);
        EXPECT_EQ(save.look[cSaveData::kLookCup], 1);
        EXPECT_EQ(save.GetControl(4), 80);
        testing::internal::CaptureStderr();
    }
    atExit = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(Says(atStart, "cannot be written (Read-only file system)")) << atStart;
    EXPECT_TRUE(Says(atStart, "progress will not be kept")) << atStart;
    EXPECT_TRUE(Says(atExit, "The game could not be saved")) << atExit;
    EXPECT_TRUE(Says(atExit, "Read-only file system")) << atExit;
    EXPECT_TRUE(Says(atExit, "progress will not be kept")) << atExit;
    EXPECT_EQ(FileBytes(folder / "Data.sav"), file);
    readOnly.Clear();
    EmptySaveFolder();
}

namespace
{
// Removes the stand-in service's statistics file and any copy of it kept aside.
void RemoveStoredStatistics(const std::filesystem::path& folder)
{
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().rfind(kGameServiceStatsFile, 0) == 0)
            std::filesystem::remove_all(entry.path());
}

// Starts the program and runs a few frames; said receives what that wrote on stderr.
bool StartSaying(ScenarioDriver& d, std::string& said)
{
    testing::internal::CaptureStderr();
    const bool started = d.Start();
    d.UndrawnFrames(5);
    said = testing::internal::GetCapturedStderr();
    return started;
}
} // namespace

// A save file and a statistics file the program cannot open (an error where they are
// opened for reading, or files of mode 000 where the user is not root) are no damage: the
// game starts as a new one and says why on stderr, every save and store is refused and
// said, the files keep their bytes and nothing is set aside; the next start that can read
// them has the progress and the achievement.
TEST(Scenario, FilesThatCannotBeReadAtStartAreLeftForALaterStart)
{
    cSaveData stored;
    stored.progress[3].completed = true;
    stored.progress[3].bestScore = 4321;
    const std::vector<uint8_t> file = stored.Serialise();
    GameServiceStats achieved;
    achieved.achievements.insert("ACH_BREAKOUT");
    const std::string statsText = SerialiseGameServiceStats(achieved);
    const std::vector<uint8_t> stats(statsText.begin(), statsText.end());

    for (const tvtest::UnreadableWay& way : tvtest::UnreadableWays())
    {
        SCOPED_TRACE(way.what);
        const std::filesystem::path folder = EmptySaveFolder();
        RemoveStoredStatistics(folder);
        const std::filesystem::path saveFile = folder / "Data.sav", statsFile = folder / kGameServiceStatsFile;
        WriteFileBytes(saveFile, file);
        WriteFileBytes(statsFile, stats);
        tvtest::UnreadableFiles unreadable(way, {saveFile, statsFile});
        if (!unreadable.Made())
            continue;
        std::string atStart;
        std::string atExit;
        {
            ScenarioDriver d;
            ASSERT_TRUE(StartSaying(d, atStart));
            EXPECT_FALSE(d.Game().saveData.progress[3].completed) << "a new game";
            bool has = true;
            ASSERT_TRUE(GameServiceGetAchievement("ACH_BREAKOUT", &has));
            EXPECT_FALSE(has);

            d.Game().saveData.progress[5].completed = true; // progress made in this run
            GameServiceSetAchievement("ACH_DONT_JUMP");
            testing::internal::CaptureStderr();
            EXPECT_FALSE(d.Game().SaveGame());
            EXPECT_FALSE(GameServiceStoreStats());
            const std::string refused = testing::internal::GetCapturedStderr();
            EXPECT_TRUE(Says(refused, "The game was not saved")) << refused;
            EXPECT_TRUE(Says(refused, "achievements and scores were not stored")) << refused;
            testing::internal::CaptureStderr();
        }
        atExit = testing::internal::GetCapturedStderr();
        unreadable.Undo();
        const std::string reason = std::string("(") + way.reason + ")";
        EXPECT_TRUE(Says(atStart, "Data.sav could not be read " + reason)) << atStart;
        EXPECT_TRUE(Says(atStart, "GameService.stats could not be read " + reason)) << atStart;
        EXPECT_TRUE(Says(atExit, "The game was not saved")) << atExit;
        EXPECT_TRUE(Says(atExit, reason)) << atExit;
        EXPECT_EQ(FileBytes(saveFile), file);
        EXPECT_EQ(FileBytes(statsFile), stats);
        EXPECT_FALSE(std::filesystem::exists(folder / "Data.sav.bad"));
        EXPECT_FALSE(std::filesystem::exists(folder / "GameService.stats.bad"));

        ScenarioDriver later;
        ASSERT_TRUE(later.Start());
        later.UndrawnFrames(5);
        EXPECT_TRUE(later.Game().saveData.progress[3].completed);
        EXPECT_EQ(later.Game().saveData.progress[3].bestScore, 4321);
        bool has = false;
        ASSERT_TRUE(GameServiceGetAchievement("ACH_BREAKOUT", &has));
        EXPECT_TRUE(has);
    }
    RemoveStoredStatistics(EmptySaveFolder());
}

// Every screen of the main menu opens from its button on the sample front end and goes
// back to the main menu on Escape, through the one screen machinery.
TEST(Scenario, MainMenuScreensOpenAndLeadBack)
{
    ScenarioDriver d;
    ASSERT_TRUE(StartAtMainMenu(d));
    using Screen = int32_t (cFrontend::*)(int32_t, int32_t);
    const std::pair<int, Screen> buttons[] = {{1, &cFrontend::StateOptions},
                                              {2, &cFrontend::StateCustomise},
                                              {3, &cFrontend::StateCredits},
                                              {4, &cFrontend::StateHelp}};
    const cGlaControllerScene* menu = d.Game().frontend->scrMainMenuButtons;
    ASSERT_NE(menu, nullptr);
    for (const auto& [button, screen] : buttons)
    {
        // The menu comes back on the button it was left by.
        for (int i = 0; i < 8 && menu->focusIndex != button; ++i)
            d.Tap(Key::Down);
        ASSERT_EQ(menu->focusIndex, button);
        d.Tap(Key::Return);
        EXPECT_TRUE(d.WaitForScreen(screen, 120)) << "button " << button;
        d.UndrawnFrames(20);
        d.Tap(Key::Escape);
        ASSERT_TRUE(d.WaitForScreen(&cFrontend::StateMainMenu, 120)) << "back from button " << button;
        d.UndrawnFrames(40);
        EXPECT_EQ(menu->focusIndex, button);
    }
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

// The help screen, opened from the main menu, tells the keys as the game reads them: the
// menus in a level move with Up and Down (or W and S) and not with Left or Right; the level
// select moves tile by tile and turns the page at its edge; F6 turns the world, which in a
// level not made for it drops the player out of view (and may even let it reach the end);
// and what keeps the turn and what takes it back, as the scenario of the turned world below
// plays it.
TEST(Scenario, HelpScreenTellsTheKeysAsTheGameReadsThem)
{
    ScenarioDriver d;
    ASSERT_TRUE(StartAtMainMenu(d));
    const cGlaControllerScene* menu = d.Game().frontend->scrMainMenuButtons;
    ASSERT_NE(menu, nullptr);
    for (int i = 0; i < 8 && menu->focusIndex != 4; ++i)
        d.Tap(Key::Down);
    d.Tap(Key::Return);
    ASSERT_TRUE(d.WaitForScreen(&cFrontend::StateHelp, 120));

    const cGlaControllerSprite* help = FindSpriteController(d.Game().frontend->scrHelp_000, "help");
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->visible);
    const std::string words = PictureWords(datagen::BuildFrontendScenes(), help);
    for (const char* said : {"Pause, results and leave menus: Up, Down (or W, S) move",
                             "Return or Space presses; Left and Right do nothing there",
                             "Level select: the arrows move tile by tile, and turn the page at the edge",
                             "F6: turn the world a quarter turn", "In levels not made for it you fall out of view",
                             "can even reach the end", "F3 keeps the turn",
                             "a death goes back to the turn at the last checkpoint or start",
                             "Four F6 in all, or leaving the level, stand it upright again", "F3: start again"})
        EXPECT_NE(words.find(said), std::string::npos) << "not said: " << said << "\nthe screen says: " << words;
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

namespace
{
// A new game whose only find is story level 2's sticker: the body page's item 1 is open.
class CustomiseScenario : public testing::Test
{
protected:
    void SetUp() override
    {
        cSaveData save;
        save.progress[1].sticker = true;
        WriteFileBytes(EmptySaveFolder() / "Data.sav", save.Serialise());
    }
    void TearDown() override { WriteFreshSave(); }
};
} // namespace

// The customisation screen takes the keys as the README tells: Up and Down move the focus
// along the tabs and Back without changing the page, and Return shows the focused tab's
// page; Right steps into the items of the page shown, where the arrows move and Return
// chooses; Left from the first column steps back to the tabs (onto the tab of that row), and
// Left on the tabs moves the focus to Back.
TEST_F(CustomiseScenario, TabsTakeTheFocusAndReturnShowsTheirPage)
{
    ScenarioDriver d;
    ASSERT_TRUE(StartAtMainMenu(d));
    ASSERT_NE(OpenCustomisePage(d, 0), nullptr);
    cFrontend& screen = *d.Game().frontend;
    const cGlaControllerScene& tabs = *screen.scrCustomise;
    ASSERT_EQ(tabs.focusIndex, 0);
    ASSERT_EQ(screen.customisePage, 0);

    d.Tap(Key::Down);
    d.Tap(Key::Down);
    d.Tap(Key::Up);
    EXPECT_EQ(tabs.focusIndex, 1);
    EXPECT_EQ(screen.customisePage, 0) << "the focus alone shows no page";
    d.Tap(Key::Return);
    EXPECT_EQ(screen.customisePage, 1);
    d.Tap(Key::Left);
    EXPECT_EQ(tabs.focusIndex, FocusIndexOf(tabs, "butBack"));
    d.Tap(Key::Down); // round to the first tab
    EXPECT_EQ(tabs.focusIndex, 0);
    EXPECT_EQ(screen.customisePage, 1);

    // Where the focus is shows: the items' highlight, or the tabs'.
    const cGlaControllerScene& items = *screen.scrCustomisePages[1];
    auto inTheItems = [&] { return items.keyboardMode && !tabs.keyboardMode; };
    EXPECT_FALSE(inTheItems());
    d.Tap(Key::Right);
    ASSERT_TRUE(inTheItems());
    EXPECT_EQ(items.focusIndex, 0) << "the items of the page shown";
    d.Tap(Key::Right);
    EXPECT_EQ(items.focusIndex, 1);
    d.Tap(Key::Return);
    EXPECT_EQ(d.Game().saveData.look[cSaveData::kLookBody], 1);
    d.Tap(Key::Down);
    d.Tap(Key::Left);
    EXPECT_EQ(items.focusIndex, 3);
    EXPECT_TRUE(inTheItems());
    d.Tap(Key::Left);
    EXPECT_TRUE(tabs.keyboardMode && !items.keyboardMode);
    EXPECT_EQ(tabs.focusIndex, 1) << "the tab of the items' second row";
}

// The control-redefinition caption, "Press a button for" over the control's name, shows the
// name at the titles' size: six frame pixels to a dot of the glyphs at 720 lines, so the five
// dots of "up" stand 30 pixels tall, 36 with their outline (it was 17 on a button's face).
TEST(Scenario, RedefinitionCaptionNamesTheControlAtTheTitlesSize)
{
    ScenarioDriver d;
    ASSERT_TRUE(StartAtMainMenu(d));
    const cGlaControllerScene* menu = d.Game().frontend->scrMainMenuButtons;
    for (int i = 0; i < 8 && menu->focusIndex != 1; ++i)
        d.Tap(Key::Down);
    d.Tap(Key::Return);
    ASSERT_TRUE(d.WaitForScreen(&cFrontend::StateOptions, 120));
    d.UndrawnFrames(10);
    const cGlaControllerScene& options = *d.Game().frontend->scrOptions;
    const int controls = FocusIndexOf(options, "butControls");
    for (int i = 0; i < 8 && options.focusIndex != controls; ++i)
        d.Tap(Key::Down);
    d.Tap(Key::Return);
    ASSERT_TRUE(d.WaitForScreen(&cFrontend::StateControls, 120));
    d.UndrawnFrames(10);
    d.Tap(Key::Return); // "Redefine"
    ASSERT_TRUE(d.WaitForScreen(&cFrontend::StateRedefineControls, 120));
    d.UndrawnFrames(10);
    d.Frames(1);

    const cGlaControllerElement* up = d.Game().frontend->scrOptionsRedefineControls->FindController("up");
    ASSERT_NE(up, nullptr);
    const std::vector<uint8_t> frame = d.ReadFrame();
    // The letters' dark outline about the name's place: the longest run of rows that each
    // cross a few pixels of it. A row dark nearly all along is the edge of a plate behind the
    // letters, not a letter.
    const int cx = int(up->position.x) + ScenarioDriver::kWidth / 2;
    const int cy = int(up->position.y) + ScenarioDriver::kHeight / 2;
    int top = 0, bottom = -1;
    for (int y = std::max(cy - 40, 0), runTop = -1; y < std::min(cy + 40, ScenarioDriver::kHeight); ++y)
    {
        int ink = 0;
        for (int x = cx - 150; x < cx + 150; ++x)
            ink += MaxChannelDifference(tvtest::PixelAt(frame, x, y), 0x4A3027u) <= 20 ? 1 : 0; // #27304a
        if (ink < 4 || ink >= 200)
        {
            runTop = -1;
            continue;
        }
        runTop = runTop < 0 ? y : runTop;
        if (y - runTop > bottom - top)
        {
            top = runTop;
            bottom = y;
        }
    }
    ASSERT_GE(bottom, top) << "the name shows";
    EXPECT_GE(bottom - top + 1, 34);
}

// The comic's z's read on its night sky: the first z of the first breath, four frames into
// its rise, against the very pixels it covers a frame before the breath. It is light (a
// contrast of at least 4.5 to 1 with the sky behind it, as for text) and big enough to read
// (it changes at least 300 pixels; a z of thin strokes 10 pixels tall changed under 100).
TEST(Scenario, ComicZsReadOnTheNightSky)
{
    ScenarioDriver d;
    ASSERT_TRUE(d.Start());
    d.UndrawnFrames(5);
    d.Game().SetStateComic(0);
    d.UndrawnFrames(1);
    const cComic* comic = d.Game().comic;
    ASSERT_NE(comic, nullptr);
    ASSERT_GE(d.RunUntil([&] { return comic->frameCounter >= 78; }, 200), 0);
    d.Frames(1);
    const std::vector<uint8_t> before = d.ReadFrame();
    ASSERT_GE(d.RunUntil([&] { return comic->frameCounter >= 83; }, 20), 0);
    d.Frames(1);
    const std::vector<uint8_t> after = d.ReadFrame();

    // Relative luminance of a frame pixel (sRGB).
    auto luminance = [](uint32_t p)
    {
        double sum = 0.0;
        const double weights[3] = {0.2126, 0.7152, 0.0722};
        for (int c = 0; c < 3; ++c)
        {
            const double v = double((p >> (8 * c)) & 255) / 255.0;
            sum += weights[c] * (v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
        }
        return sum;
    };
    int changed = 0;
    double z = 0.0, sky = 0.0;
    for (int y = 0; y < ScenarioDriver::kHeight; ++y)
        for (int x = 0; x < ScenarioDriver::kWidth / 2; ++x) // the sleeper's panel is on the left
        {
            const uint32_t a = tvtest::PixelAt(before, x, y), b = tvtest::PixelAt(after, x, y);
            if (MaxChannelDifference(a, b) <= 16)
                continue;
            ++changed;
            z += luminance(b);
            sky += luminance(a);
        }
    ASSERT_GT(changed, 0) << "a z shows";
    EXPECT_GE(changed, 300);
    EXPECT_GE((z / changed + 0.05) / (sky / changed + 0.05), 4.5);
}

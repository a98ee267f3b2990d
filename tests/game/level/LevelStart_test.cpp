// The level start on the sample data tree, as the game starts a level: the in-level screens
// chosen by mode, by the mode's last level and by the scene's own "Survival"; the player's
// idle scene dressed with the saved look; the digits and badge icons as atlas images of
// their groups, the digits drawn on screen; a completed run's results bursting the badge
// icons with the badge sounds on the level's positional voices; and a perfect run's time
// drawn on its plate.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "GLTestContext.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElementControllers.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/gla/Particles.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/render/Resource.h"
#include "KelpoBase/render/SoundResource.h"
#include "RealLevel.h"
#include "datagen/SampleScenes.h"
#include "game/level/Level.h"
#include "game/shell/LevelTable.h"

using namespace tvtest;

namespace
{
std::string SceneOf(const cGlaControllerScene* controller)
{
    return controller != nullptr && controller->scene != nullptr ? controller->scene->GetName() : "(none)";
}

// The scene a scene element of the scene shows (its first key), or null.
cGlaScene* Nested(const cGlaScene* scene, const char* name)
{
    const auto* element = scene != nullptr ? dynamic_cast<const cGlaElementScene*>(scene->FindElement(name)) : nullptr;
    return element != nullptr && !element->scenes.keys.empty() ? element->scenes.keys.front().value : nullptr;
}

// Every image a sprite's keys show, or every scene a scene element's keys show.
std::set<const void*> Shown(const cGlaScene* scene, const char* name)
{
    std::set<const void*> shown;
    const cGlaElement* element = scene != nullptr ? scene->FindElement(name) : nullptr;
    if (const auto* sprite = dynamic_cast<const cGlaElementSprite*>(element))
        for (const auto& key : sprite->frames.keys)
            shown.insert(key.value);
    if (const auto* nested = dynamic_cast<const cGlaElementScene*>(element))
        for (const auto& key : nested->scenes.keys)
            shown.insert(key.value);
    return shown;
}

int GlaSetsIn(const cResourceGroup* group)
{
    return int(std::count_if(group->resources.begin(), group->resources.end(),
                             [](const cResource* r) { return dynamic_cast<const cGlaSet*>(r) != nullptr; }));
}

RealLevelOptions Number(int32_t levelNumber, bool render = false)
{
    RealLevelOptions options;
    options.levelNumber = levelNumber;
    options.render = render;
    return options;
}

// Plays the level in, then completes it as a perfect run: all sugar, the sticker, no death.
void CompletePerfectly(RealLevel& real)
{
    cLevel& level = real.Level();
    real.Step(40);
    level.sugarCollected = level.sugarTotal;
    level.stickerFound = true;
    level.perfectCounter = 0;
    level.CompleteLevel();
}
} // namespace

TEST(LevelStart, ScreensFollowTheModeAndTheModesLastLevel)
{
    struct Case
    {
        int32_t number;
        std::string scene;
        bool survival;
        const char* controls;
        const char* panel;
        const char* buttons;
    };
    const Case cases[] = {
        {38, GetLevelRecord(38).fileName, false, "Controls01", "LevelComplete", "LevelComplete_Buttons"},
        {39, GetLevelRecord(39).fileName, false, "Controls01", "LevelComplete", "LevelComplete_Buttons_End"},
        {59, "level_2_009", false, "Controls01", "LevelComplete", "LevelComplete_Buttons_End"},
        {253, "level_C_003", false, "Controls01", "LevelComplete", "LevelComplete_Buttons"},
        {254, "level_C_004", false, "Controls01", "LevelComplete", "LevelComplete_Buttons_End"},
        {202, GetLevelRecord(2).fileName + "_S", true, "ControlsS", "LevelCompleteS", "LevelComplete_ButtonsS"},
    };
    for (const Case& c : cases)
    {
        RealLevel real(Number(c.number));
        ASSERT_TRUE(real.Ready()) << c.number << ": " << real.Error();
        cLevel& level = real.Level();
        EXPECT_EQ(level.levelScene->GetName(), c.scene) << c.number;
        EXPECT_EQ(level.isSurvival, c.survival) << c.number;
        EXPECT_EQ(SceneOf(level.hudScene), c.controls) << c.number;
        EXPECT_EQ(SceneOf(level.resultsScene), c.panel) << c.number;
        EXPECT_EQ(SceneOf(level.resultsButtonsScene), c.buttons) << c.number;
        EXPECT_EQ(SceneOf(level.pauseScene), "scrPause") << c.number;
        EXPECT_EQ(SceneOf(level.exitScene), "scrExit") << c.number;
        EXPECT_EQ(SceneOf(level.transitionScene), "LevelExit") << c.number;
        EXPECT_EQ(level.resultsButtonsScene->position, cVec2f(640.0f, 360.0f)) << c.number;
        EXPECT_EQ(level.transitionScene->position, cVec2f(640.0f, 360.0f)) << c.number;
        // The overlay's jump sprite is hidden; both jump indicators stand where it was.
        const cGlaControllerSprite* jump = FindSpriteController(level.hudScene, "jump");
        ASSERT_NE(jump, nullptr) << c.number;
        EXPECT_FALSE(jump->visible) << c.number;
        EXPECT_EQ(level.jumpButtonPos, jump->position) << c.number;
        EXPECT_EQ(level.noJumpIndicator->position, level.jumpButtonPos) << c.number;
        EXPECT_EQ(level.jumpIndicator->position, level.jumpButtonPos) << c.number;
    }
}

TEST(LevelStart, TheScenesSurvivalDecidesPlayAndScreensWhateverTheNumber)
{
    datagen::SceneFile maps = datagen::BuildMapBase();
    AddLevelScene(maps, "arena", 2048, 1024, 300, 800, datagen::Json::array({datagen::Prop("Survival", "bool", true)}));
    AddLevelScene(maps, "plain_S", 2048, 1024, 300, 800);
    {
        // A story number whose scene says "Survival" plays as survival, with its screens.
        RealLevel real(maps, "arena", Number(3));
        ASSERT_TRUE(real.Ready()) << real.Error();
        EXPECT_TRUE(real.Level().isSurvival);
        EXPECT_EQ(SceneOf(real.Level().hudScene), "ControlsS");
        EXPECT_EQ(SceneOf(real.Level().resultsScene), "LevelCompleteS");
        EXPECT_EQ(SceneOf(real.Level().resultsButtonsScene), "LevelComplete_ButtonsS");
    }
    {
        // A survival number loads its "_S" scene, which without "Survival" plays as usual.
        RealLevel real(maps, "plain", Number(201));
        ASSERT_TRUE(real.Ready()) << real.Error();
        EXPECT_EQ(real.Level().levelScene->GetName(), "plain_S");
        EXPECT_FALSE(real.Level().isSurvival);
        EXPECT_EQ(SceneOf(real.Level().hudScene), "Controls01");
        EXPECT_EQ(SceneOf(real.Level().resultsScene), "LevelComplete");
        EXPECT_EQ(SceneOf(real.Level().resultsButtonsScene), "LevelComplete_Buttons");
    }
}

TEST(LevelStart, ThePlayersIdleSceneWearsTheSavedLook)
{
    struct Case
    {
        std::array<int32_t, 5> look; // hair, body, base, cup, trail
        const char* hairScene;       // what the rig's hair shows
        int hairSets;                // scene sets in the Game group: the level's, and a hair's
    };
    const Case cases[] = {
        {{9, 3, 7, 10, 2}, "Hair_009", 2},
        {{10, 0, 0, 0, 0}, "Hair_010", 2},
        {{0, 0, 0, 0, 0}, "Hair_000", 1}, // the rig's own hair: none loaded
    };
    for (const Case& c : cases)
    {
        RealLevelOptions options = Number(1);
        options.look = c.look;
        RealLevel real(options);
        ASSERT_TRUE(real.Ready()) << real.Error();
        cLevel& level = real.Level();
        const cResourceGroup* game = level.resourceGroupB;
        const auto atlas = [game](const std::string& file) -> const void* { return game->FindAtlasImage(file); };
        const auto two = [](int32_t v) {
            char text[16];
            std::snprintf(text, sizeof text, "%02d", int(v));
            return std::string(text);
        };
        const int32_t hair = c.look[0], body = c.look[1], base = c.look[2], cup = c.look[3];

        // The four images load whatever the values, 0 included.
        const void* baseImage = atlas("base_" + two(base) + ".png");
        const void* bodyImage = atlas("jumper_" + two(body) + ".png");
        const void* cupImage = atlas("cup_" + two(cup) + ".png");
        const void* handleImage = atlas("handle_" + two(base) + ".png");
        ASSERT_NE(baseImage, nullptr);
        EXPECT_EQ(level.lookRects[0], baseImage);
        EXPECT_EQ(level.lookRects[1], bodyImage);
        EXPECT_EQ(level.lookRects[2], cupImage);
        EXPECT_EQ(level.lookRects[3], handleImage);
        EXPECT_EQ(GlaSetsIn(game), c.hairSets) << hair;
        EXPECT_EQ(level.trailLook, c.look[4]);

        // "dorvo" / "body" / "hair" and "body"; "dorvo" / "cup" / "base", "cup", "handle":
        // each shows the saved item when its value is above 0, else the rig's own.
        cGlaScene* rig = Nested(level.PlayerScene(0), "dorvo");
        cGlaScene* bodyScene = Nested(rig, "body");
        cGlaScene* cupScene = Nested(rig, "cup");
        ASSERT_NE(bodyScene, nullptr);
        ASSERT_NE(cupScene, nullptr);
        const std::set<const void*> hairShown = Shown(bodyScene, "hair");
        ASSERT_EQ(hairShown.size(), 1u);
        EXPECT_EQ(static_cast<const cGlaScene*>(*hairShown.begin())->GetName(), c.hairScene);
        const auto wears = [](const std::set<const void*>& shown, const void* image) {
            return shown == std::set<const void*>{image};
        };
        EXPECT_EQ(wears(Shown(bodyScene, "body"), bodyImage), body > 0) << body;
        EXPECT_EQ(wears(Shown(cupScene, "base"), baseImage), base > 0) << base;
        EXPECT_EQ(wears(Shown(cupScene, "handle"), handleImage), base > 0) << base;
        EXPECT_EQ(wears(Shown(cupScene, "cup"), cupImage), cup > 0) << cup;
    }
}

TEST(LevelStart, DigitsAndBadgeIconsAreAtlasImagesAndTheDigitsShowOnScreen)
{
    RealLevelOptions options = Number(1);
    options.render = true;
    RealLevel real(options);
    ASSERT_TRUE(real.Ready()) << real.Error();
    cLevel& level = real.Level();
    for (size_t d = 0; d < 10; ++d)
    {
        EXPECT_NE(level.hudDigits[d], nullptr) << d;
        EXPECT_EQ(level.hudDigits[d], level.resourceGroupA->FindAtlasImage("No_" + std::to_string(d) + ".png")) << d;
    }
    // Indexed 0 sticker, 1 sugar, 2 perfect.
    ASSERT_EQ(level.badgeIcons.size(), 3u);
    EXPECT_EQ(level.badgeIcons[0], level.resourceGroupB->FindAtlasImage("Sticker.png"));
    EXPECT_EQ(level.badgeIcons[1], level.resourceGroupB->FindAtlasImage("Cube.png"));
    EXPECT_EQ(level.badgeIcons[2], level.resourceGroupB->FindAtlasImage("Star.png"));
    EXPECT_NE(level.badgeIcons[2], nullptr);

    // The sugar counters of the display (top left) with and without their digits.
    real.Step(40);
    ASSERT_TRUE(level.stateMachine.currentState == &cLevel::StateRunning);
    const auto counters = [] { return ReadRGBA(60, 720 - 80, 200, 70); };
    real.Draw();
    const std::vector<uint8_t> withDigits = counters();
    const auto digits = level.hudDigits;
    level.hudDigits.fill(nullptr);
    real.Draw();
    const std::vector<uint8_t> without = counters();
    level.hudDigits = digits;
    real.Draw();
    EXPECT_NE(withDigits, without);
    EXPECT_EQ(counters(), withDigits);
}

TEST(LevelStart, AFinishedRunsResultsBurstTheBadgeIconsWithTheBadgeSounds)
{
    RealLevel real(Number(1));
    ASSERT_TRUE(real.Ready()) << real.Error();
    cLevel& level = real.Level();
    CompletePerfectly(real);
    ASSERT_TRUE(level.stateMachine.pendingState == &cLevel::StateResults);

    const auto isBadge = [&level](const cSoundBuffer* sound) {
        return std::find(level.badgeSounds.begin(), level.badgeSounds.end(), sound) != level.badgeSounds.end();
    };
    std::vector<const ImageRect*> icons; // the icon of each fresh burst, in order
    std::vector<const cParticle*> known;
    for (int frame = 0; frame < 120 && level.resultsScene->frame < 32; ++frame)
    {
        real.Listen(1470); // a frame's time of sound: the badge sounds (0.24 s) outlast 5 frames
        real.Step();
        std::vector<const cParticle*> fresh;
        for (const cParticle* p = real.SecondPool().head; p != nullptr; p = p->next)
            if (std::find(known.begin(), known.end(), p) == known.end())
                fresh.push_back(p);
        known.insert(known.end(), fresh.begin(), fresh.end());
        if (fresh.empty())
            continue;
        icons.push_back(fresh.front()->image);
        // The burst's last sound went to the voice before the index (the burst is the last
        // thing of the update) and started afresh, although the sticker's sounds still
        // played on every positional voice when the later bursts came.
        const int voice = level.nextVoice == 8 ? 11 : level.nextVoice - 1;
        const AudioVoice* played = real.Voice(voice);
        EXPECT_TRUE(isBadge(played->currentSound)) << "voice " << voice;
        EXPECT_LT(played->GetProgress(), 0.01f) << "voice " << voice;
    }
    EXPECT_EQ(icons, (std::vector<const ImageRect*>{level.badgeIcons[0], level.badgeIcons[1], level.badgeIcons[2]}));
}

// A perfect run's time on the results stands on the dark plate of the perfect badge with room
// all round: every pixel of it (the small font's eight characters, turned by -9 degrees) has
// only the plate or the time itself within 6 pixels, so even its first digit keeps clear of
// the plate's rim.
TEST(LevelStart, APerfectRunsTimeStandsClearOfItsPlatesRim)
{
    RealLevel real(Number(1, true));
    ASSERT_TRUE(real.Ready()) << real.Error();
    cLevel& level = real.Level();
    CompletePerfectly(real);
    // Past the badges' pop (the perfect badge is back at its size from panel frame 32).
    for (int frame = 0; frame < 200 && (level.resultsScene->frame < 34 || !level.PerfectRun()); ++frame)
        real.Step();
    ASSERT_GE(level.resultsScene->frame, 34);
    ASSERT_TRUE(level.PerfectRun());
    // The badges' sparkles are left out: they fly over the panel for a while.
    FreeAllParticles(real.EffectPool());
    FreeAllParticles(real.SecondPool());

    constexpr int kW = 1280, kH = 720, kRoom = 6;
    real.Draw();
    const std::vector<uint32_t> shown = ReadScreen(kW, kH);
    const cFont* font = level.perfectFont;
    level.perfectFont = nullptr;
    real.Draw();
    const std::vector<uint32_t> withoutTime = ReadScreen(kW, kH);
    level.perfectFont = font;

    std::vector<bool> time(shown.size(), false);
    int left = kW, right = 0, top = kH, bottom = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            if (shown[size_t(y * kW + x)] != withoutTime[size_t(y * kW + x)])
            {
                time[size_t(y * kW + x)] = true;
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    ASSERT_LT(left, right) << "no time drawn";
    EXPECT_GT(right - left, 120) << "the whole time";

    // The plate's colour: the commonest of the pixels about the time that are not the time's.
    std::map<uint32_t, int> counts;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            if (!time[size_t(y * kW + x)])
                ++counts[shown[size_t(y * kW + x)]];
    ASSERT_FALSE(counts.empty());
    const uint32_t plate =
        std::max_element(counts.begin(), counts.end(), [](const auto& a, const auto& b) { return a.second < b.second; })
            ->first;

    int crowded = 0, leftmost = kW;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
        {
            if (!time[size_t(y * kW + x)])
                continue;
            bool clear = true;
            for (int dy = -kRoom; dy <= kRoom && clear; ++dy)
                for (int dx = -kRoom; dx <= kRoom && clear; ++dx)
                {
                    const size_t i = size_t((y + dy) * kW + (x + dx));
                    clear = time[i] || ColoursNear(shown[i], plate, 4);
                }
            if (!clear)
            {
                ++crowded;
                leftmost = std::min(leftmost, x);
            }
        }
    EXPECT_EQ(crowded, 0) << "time pixels within " << kRoom << " pixels of something other than the plate, the first at x "
                          << leftmost << " (the time spans " << left << " to " << right << ")";
}

// The level's own states with scenes built in memory: running, the pause (keys and focus
// loss) and its menu, the exit dialog, the results and their buttons, the intro, the next
// level, the world angle, teardown and the contact reactions.
#include <gtest/gtest.h>

#include <box2d/box2d.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

#include "KelpoBase/debug/DbgElement.h"
#include "KelpoBase/gla/GlaControllerFixtures.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElementControllers.h"
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/AudioTestSupport.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Resource.h"
#include "KelpoBase/render/SoundResource.h"
#include "game/level/Level.h"
#include "game/objects/GameObj.h"
#include "game/objects/MoverObject.h"
#include "game/objects/RigidBodyController.h"
#include "game/objects/SpawnedObject.h"
#define kZoneNoJump kZoneNoJumpOfPlayer
#include "game/objects/Dorvo.h"
#undef kZoneNoJump
#include "game/objects/DynamicObject.h"

using namespace glatest;

namespace
{
constexpr float kPiF = 3.14159265f;

// One frame of the game: the keys go down, the level steps, the main loop keeps the input
// as the previous frame's and the keys go up again (a press lasts one frame, and the next
// press of the same key is a new one).
void Frame(cLevel& level, std::initializer_list<uint32_t> keys = {})
{
    for (uint32_t k : keys)
        KeyDown(k);
    level.stateMachine.Update();
    CopyInputToPrevious();
    for (uint32_t k : keys)
        KeyUp(k);
    CopyInputToPrevious();
}

bool Is(const cLevel& level, cLevel::StateFunc state) { return level.stateMachine.currentState == state; }
bool Pending(const cLevel& level, cLevel::StateFunc state) { return level.stateMachine.pendingState == state; }

struct Screens
{
    SceneSet s;
    cGlaScene* pause = nullptr;
    cGlaScene* exit = nullptr;
    cGlaScene* transition = nullptr;
    cGlaScene* panel = nullptr;
    cGlaScene* buttons = nullptr;

    Screens()
    {
        AddLook(s, "Look", 3);
        AddLook(s, "ToggleLook", 5);
        pause = s.AddScene("scrPause", 1);
        AddControl(s, pause, "Button", "butResume", cVec2f(0, -200), "Button", "Look", "actResume");
        AddControl(s, pause, "Button", "butRestart", cVec2f(0, -100), "Button", "Look", "actRestart");
        AddControl(s, pause, "Button", "butExit", cVec2f(0, 0), "Button", "Look", "actExit");
        AddControl(s, pause, "Toggle Button", "butMusic", cVec2f(0, 100), "Button", "ToggleLook", "actMusic");
        AddControl(s, pause, "Toggle Button", "butSfx", cVec2f(0, 200), "Button", "ToggleLook", "actSound");
        exit = s.AddScene("scrExit", 1);
        AddControl(s, exit, "Button", "butYes", cVec2f(-100, 0), "Button", "Look", "actYes");
        AddControl(s, exit, "Button", "butNo", cVec2f(100, 0), "Button", "Look", "actNo");
        AddControl(s, exit, "Button", "butOther", cVec2f(0, 100), "Button", "Look", "actOther");
        transition = s.AddScene("LevelExit", 5);
        AddSprite(transition, "cover");
        panel = s.AddScene("LevelComplete", 40);
        for (const char* name : {"sugarF", "stickerF", "perfectF", "survival", "bonus"})
            AddSprite(panel, name);
        // The badges stand apart, so that each burst's starting point shows which it is.
        AddSprite(panel, "sticker", cVec2f(-120.0f, 40.0f));
        AddSprite(panel, "sugar", cVec2f(0.0f, 40.0f));
        AddSprite(panel, "perfect", cVec2f(120.0f, 40.0f));
        buttons = s.AddScene("LevelComplete_Buttons", 1);
        AddControl(s, buttons, "Button", "butRestart", cVec2f(-200, 300), "Button", "Look", "actRestart");
        AddControl(s, buttons, "Button", "butMenu", cVec2f(0, 300), "Button", "Look", "actMenu");
        AddControl(s, buttons, "Button", "butNext", cVec2f(200, 300), "Button", "Look", "actNext");
    }

    void Give(cLevel& level)
    {
        level.pauseScene = new cGlaControllerScene(pause);
        level.exitScene = new cGlaControllerScene(exit);
        level.transitionScene = new cGlaControllerScene(transition);
        level.resultsScene = new cGlaControllerScene(panel);
        level.resultsButtonsScene = new cGlaControllerScene(buttons);
    }
};

// Where the menus sent the game.
struct GameCalls
{
    std::vector<int32_t> frontend, fades;
    float music = 0.0f, sound = 1.0f;
    GameCalls()
    {
        cLevel::MenuHooks& h = cLevel::GetMenuHooks();
        h = cLevel::MenuHooks();
        h.leaveToFrontend = [this](int32_t from) { frontend.push_back(from); };
        h.fadeToLevel = [this](int32_t n) { fades.push_back(n); };
        h.getMusicVolume = [this]() { return music; };
        h.getSoundVolume = [this]() { return sound; };
        h.setMusicVolume = [this](float v) { music = v; };
        h.setSoundVolume = [this](float v) { sound = v; };
    }
    ~GameCalls() { cLevel::GetMenuHooks() = cLevel::MenuHooks(); }
};

class LevelStatesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetScreenSize(1280, 720);
        ResetInputState();
        cLevel::RegisterStates();
    }
    void TearDown() override { ResetInputState(); }

    // A level whose running state is current (its world update has nothing to step).
    void StartRunning(cLevel& level)
    {
        level.stateMachine.SetPendingState(&cLevel::StateRunning, 0);
        Frame(level);
        ASSERT_TRUE(Is(level, &cLevel::StateRunning));
    }
};
} // namespace

TEST_F(LevelStatesTest, PauseKeyOpensTheMenuAfterElevenFramesAndEscapeResumesInTen)
{
    Screens screens;
    GameCalls game;
    cLevel level(3);
    screens.Give(level);
    StartRunning(level);
    const int32_t framesBefore = level.timeFrames;

    Frame(level, {KEY_ESCAPE});
    EXPECT_TRUE(level.pausedByFocus);
    EXPECT_TRUE(Pending(level, &cLevel::StatePauseOpen));
    EXPECT_EQ(level.timeFrames, framesBefore + 1);
    for (int i = 1; i <= 10; ++i)
    {
        Frame(level);
        ASSERT_TRUE(Is(level, &cLevel::StatePauseOpen));
        EXPECT_FALSE(Pending(level, &cLevel::StatePauseMenu)) << "update " << i;
    }
    EXPECT_FLOAT_EQ(level.pauseFade, 1.0f);
    Frame(level);
    EXPECT_TRUE(Pending(level, &cLevel::StatePauseMenu)) << "only above 1";
    EXPECT_EQ(level.timeFrames, framesBefore + 1) << "the run's time stands while paused";
    // The music toggle shows the music volume (0 here), the sound toggle on.
    EXPECT_FALSE(FindToggleButtonController(level.pauseScene, "butMusic")->GetState());
    EXPECT_TRUE(FindToggleButtonController(level.pauseScene, "butSfx")->GetState());

    Frame(level); // the menu
    ASSERT_TRUE(Is(level, &cLevel::StatePauseMenu));
    Frame(level, {KEY_DOWN}); // focus on "butRestart"
    Frame(level, {KEY_ESCAPE});
    int frames = 0;
    while (!Is(level, &cLevel::StateRunning) && frames < 30)
    {
        Frame(level);
        ++frames;
    }
    EXPECT_EQ(frames, 11) << "ten frames of fading, then running";
    EXPECT_FALSE(level.pausedByFocus);
    EXPECT_FALSE(level.restartRequest);
    EXPECT_EQ(level.pauseFocusIndex, 1);

    // The saved pause control opens it too; the menu comes back on the same button.
    level.controls[kControlPause] = KEY_JOY_BUTTON_1 + 7;
    Frame(level, {uint32_t(KEY_JOY_BUTTON_1 + 7)});
    EXPECT_TRUE(Pending(level, &cLevel::StatePauseOpen));
    for (int i = 0; i < 12; ++i)
        Frame(level);
    ASSERT_TRUE(Is(level, &cLevel::StatePauseMenu));
    EXPECT_EQ(level.pauseScene->focusIndex, 1);

    // "actMusic" on sets the music volume to 0.8.
    Frame(level, {KEY_DOWN});
    Frame(level, {KEY_DOWN});
    Frame(level, {KEY_RETURN});
    EXPECT_FLOAT_EQ(game.music, 0.8f);
    // "actResume" closes without the transition.
    level.pauseScene->SetFocus(0);
    Frame(level, {KEY_RETURN});
    EXPECT_TRUE(Pending(level, &cLevel::StatePauseClose));
    Frame(level);
    EXPECT_FALSE(level.transitionScene->playing);
}

TEST_F(LevelStatesTest, FocusLossPausesOnlyWhenAllowedAndNeverReopensAMenu)
{
    Screens screens;
    GameCalls game;
    cLevel level(0);
    screens.Give(level);
    StartRunning(level);

    level.noPause = true;
    level.RequestPause();
    EXPECT_FALSE(level.pausedByFocus);
    EXPECT_FALSE(level.stateMachine.HasPending());

    level.noPause = false;
    level.RequestPause();
    EXPECT_TRUE(level.pausedByFocus);
    EXPECT_TRUE(Pending(level, &cLevel::StatePauseOpen));
    for (int i = 0; i < 12; ++i)
        Frame(level);
    ASSERT_TRUE(Is(level, &cLevel::StatePauseMenu));
    level.RequestPause(); // the menu already shows
    EXPECT_FALSE(level.stateMachine.HasPending());

    level.SetPaused(false);
    EXPECT_FALSE(level.pausedByFocus);
    EXPECT_TRUE(Pending(level, &cLevel::StateRunning));
    level.SetPaused(true);
    EXPECT_TRUE(Pending(level, &cLevel::StatePauseOpen));
}

TEST_F(LevelStatesTest, ExitDialogNoFadesBackToTheMenuAndYesLeavesAfterTheTransition)
{
    Screens screens;
    GameCalls game;
    cLevel level(0);
    screens.Give(level);
    level.stateMachine.SetPendingState(&cLevel::StateExitOpen, 0);
    int frames = 0;
    do
    {
        Frame(level);
        ++frames;
    } while (!Is(level, &cLevel::StateConfirmExit) && frames < 30);
    EXPECT_EQ(frames, 11);
    EXPECT_EQ(level.exitScene->focusIndex, 0);

    // Holding Down moves the focus once.
    KeyDown(KEY_DOWN);
    for (int i = 0; i < 4; ++i)
    {
        level.stateMachine.Update();
        CopyInputToPrevious();
    }
    KeyUp(KEY_DOWN);
    Frame(level);
    EXPECT_EQ(level.exitScene->focusIndex, 1);
    EXPECT_EQ(level.exitScene->position, cVec2f(0.0f, 0.0f));

    // Another action is taken and ignored.
    level.exitScene->SetFocus(2);
    Frame(level, {KEY_RETURN});
    EXPECT_FALSE(level.stateMachine.HasPending());
    EXPECT_EQ(level.exitScene->MessageCount(), 0u);

    // "actNo": back to the menu after ten frames of fading.
    level.exitScene->SetFocus(1);
    Frame(level, {KEY_RETURN});
    EXPECT_TRUE(Pending(level, &cLevel::StateExitClose));
    EXPECT_EQ(level.stateMachine.pendingArg, 0);
    frames = 0;
    do
    {
        Frame(level);
        ++frames;
    } while (!Is(level, &cLevel::StatePauseMenu) && frames < 30);
    EXPECT_EQ(frames, 11);
    EXPECT_TRUE(game.frontend.empty());

    // "actYes": the transition plays, then the front end (from a level).
    level.stateMachine.SetPendingState(&cLevel::StateConfirmExit, 0);
    Frame(level);
    Frame(level, {KEY_SPACE}); // focus 0: yes
    EXPECT_TRUE(Pending(level, &cLevel::StateExitClose));
    EXPECT_EQ(level.stateMachine.pendingArg, 1);
    Frame(level);
    EXPECT_TRUE(level.transitionScene->playing);
    EXPECT_TRUE(game.frontend.empty());
    for (int i = 0; i < 10 && game.frontend.empty(); ++i)
        Frame(level);
    EXPECT_EQ(game.frontend, std::vector<int32_t>{1});
}

TEST_F(LevelStatesTest, ResultsWaitTheirTimerThenTheButtonsActWithTheIndexStepBack)
{
    Screens screens;
    GameCalls game;
    cLevel level(5);
    screens.Give(level);
    level.levelIndex = 6; // the completion moved it on
    level.sugarTotal = 10;
    level.sugarCollected = 10;
    level.stickerFound = false;
    level.noPause = true;
    level.resultsTimer = 90;
    level.stateMachine.SetPendingState(&cLevel::StateResults, 0);
    Frame(level);
    EXPECT_EQ(level.resultsButtonsScene->focusIndex, 2);
    auto visible = [&level](const char* name) { return FindSpriteController(level.resultsScene, name)->visible; };
    EXPECT_TRUE(visible("sugar"));
    EXPECT_FALSE(visible("sugarF"));
    EXPECT_FALSE(visible("sticker"));
    EXPECT_TRUE(visible("stickerF"));
    EXPECT_FALSE(visible("perfect"));
    EXPECT_TRUE(visible("perfectF"));

    // Keys during the grace frames do nothing; the panel starts on the 45th update.
    int updates = 1;
    while (level.resultsTimer > 0 && updates < 100)
    {
        Frame(level, {KEY_RETURN});
        ++updates;
        EXPECT_FALSE(level.stateMachine.HasPending());
    }
    EXPECT_EQ(updates, 45);
    EXPECT_TRUE(level.resultsScene->playing);
    // The buttons answer once the panel has reached frame 25 (in the update that gets there).
    while (level.resultsScene->frame < 24)
    {
        Frame(level, {KEY_RETURN});
        EXPECT_FALSE(level.stateMachine.HasPending());
    }
    EXPECT_EQ(level.resultsButtonsAlpha, 0);
    Frame(level, {KEY_UP}); // from "next" to "menu"
    Frame(level, {KEY_UP}); // to "restart"
    EXPECT_GT(level.resultsButtonsAlpha, 0);
    Frame(level, {KEY_RETURN});
    EXPECT_EQ(level.levelIndex, 5) << "the same level again";
    EXPECT_TRUE(level.restartRequest);
    EXPECT_TRUE(Pending(level, &cLevel::StateRunning));

    // "actMenu" leaves from the results, "actNext" goes to the next level.
    level.restartRequest = false;
    level.stateMachine.pendingState = nullptr;
    Frame(level, {KEY_DOWN});
    Frame(level, {KEY_RETURN});
    EXPECT_TRUE(Pending(level, &cLevel::StateExitClose));
    EXPECT_EQ(level.stateMachine.pendingArg, 2);
    level.stateMachine.pendingState = nullptr;
    Frame(level, {KEY_DOWN});
    Frame(level, {KEY_RETURN});
    EXPECT_TRUE(Pending(level, &cLevel::StateNextLevel));
}

TEST_F(LevelStatesTest, ResultsBadgesBurstAtTheirPanelFramesWithTheirIconsAndSounds)
{
    tvtest::LoopbackAudio loopback;
    if (!loopback.Ready())
        GTEST_SKIP() << "no loopback device";
    AudioManager* audio = loopback.manager;
    {
        Screens screens;
        GameCalls game;
        cSound first(audio, 1.0f), second(audio, 1.0f), third(audio, 1.0f);
        std::array<ImageRect, 3> icons{};
        // A burst seen in one update: the panel frame, its icon (index), its particles' starting
        // point relative to the screen centre and the badge sounds it played on voices 8 to 11.
        struct Burst
        {
            int32_t frame;
            int icon;
            float x;
            int particles, sounds;
            bool operator==(const Burst&) const = default;
        };
        struct Case
        {
            const char* what;
            bool sticker;
            int32_t sugar, deaths;
            std::vector<Burst> bursts;
        };
        const Burst sticker{18, 0, -120.0f, 6, 4}, sugar{23, 1, 0.0f, 6, 1}, perfect{28, 2, 120.0f, 6, 1};
        const Case cases[] = {
            {"perfect", true, 10, 0, {sticker, sugar, perfect}},
            {"no sticker", false, 10, 0, {sugar}},
            {"sugar missing", true, 9, 0, {sticker}},
            {"a death", true, 10, 1, {sticker, sugar}},
        };
        for (const Case& c : cases)
        {
            cLevel level(5);
            screens.Give(level);
            level.levelIndex = 6;
            level.sugarTotal = 10;
            level.sugarCollected = c.sugar;
            level.stickerFound = c.sticker;
            level.perfectCounter = c.deaths;
            level.badgeIcons = {&icons[0], &icons[1], &icons[2]};
            level.badgeSounds = {&first, &second, &third};
            level.noPause = true;
            level.resultsTimer = 90;
            level.stateMachine.SetPendingState(&cLevel::StateResults, 0);

            std::vector<Burst> seen;
            std::vector<const cParticle*> known;
            for (int update = 0; update < 90 && level.resultsScene->frame < 35; ++update)
            {
                audio->StopAllVoices();
                const int32_t voiceBefore = level.nextVoice;
                Frame(level);
                std::vector<const cParticle*> fresh;
                for (const cParticle* p = level.particlePoolB.head; p != nullptr; p = p->next)
                    if (std::find(known.begin(), known.end(), p) == known.end())
                        fresh.push_back(p);
                known.insert(known.end(), fresh.begin(), fresh.end());
                if (fresh.empty())
                {
                    EXPECT_EQ(level.nextVoice, voiceBefore) << c.what << ": no burst, no sound";
                    continue;
                }
                int sounds = 0;
                for (int v = 8; v <= 11; ++v)
                {
                    const cSoundBuffer* on = audio->GetVoice(v)->currentSound;
                    sounds += on == &first || on == &second || on == &third;
                }
                Burst b{level.resultsScene->frame, int(fresh.front()->image - icons.data()),
                        fresh.front()->origin.x - 640.0f, int(fresh.size()), sounds};
                for (const cParticle* p : fresh)
                {
                    EXPECT_EQ(p->image, fresh.front()->image) << c.what;
                    EXPECT_FLOAT_EQ(p->origin.y, 360.0f + 40.0f) << c.what;
                    EXPECT_GE(p->delay, 3) << c.what;
                }
                // The sticker's sounds go with each of its six particles; the others' once.
                EXPECT_EQ((level.nextVoice - voiceBefore + 4) % 4, b.icon == 0 ? 6 % 4 : 1) << c.what; // 8 to 11 in turn
                seen.push_back(b);
            }
            EXPECT_EQ(seen, c.bursts) << c.what;
        }
        audio->StopAllVoices();
    }
}

TEST_F(LevelStatesTest, ResultsFocusByModeAndSurvivalStandsStill)
{
    Screens screens;
    GameCalls game;
    struct Case
    {
        int32_t number, indexAfter, focus;
    } cases[] = {{39, 40, 1}, {59, 10, 1}, {252, 3, 1}, {7, 8, 2}, {203, 3, 0}};
    for (const Case& c : cases)
    {
        cLevel level(c.number);
        screens.Give(level);
        level.levelIndex = c.indexAfter;
        level.stateMachine.SetPendingState(&cLevel::StateResults, 0);
        level.resultsTimer = 90;
        level.noPause = true;
        const uint32_t frames = level.frameCounter;
        Frame(level);
        EXPECT_EQ(level.resultsButtonsScene->focusIndex, c.focus) << c.number;
        if (level.isSurvival)
        {
            EXPECT_EQ(level.resultsTimer, 0) << "one frame after a survival run";
            EXPECT_EQ(level.frameCounter, frames) << "the world stands still";
            EXPECT_TRUE(level.resultsScene->playing);
        }
    }
    // The restart of a survival level keeps the index.
    cLevel survival(202);
    screens.Give(survival);
    survival.stateMachine.SetPendingState(&cLevel::StateResults, 0);
    for (int i = 0; i < 30; ++i)
        Frame(survival);
    Frame(survival, {KEY_RETURN}); // focus 0: restart
    EXPECT_EQ(survival.levelIndex, 2);
    EXPECT_TRUE(survival.restartRequest);
}

TEST_F(LevelStatesTest, IntroPlaysTheTransitionBackwardsThenRuns)
{
    Screens screens;
    cLevel level(0);
    screens.Give(level);
    level.stateMachine.SetPendingState(&cLevel::StateIntro, 0);
    Frame(level);
    EXPECT_TRUE(Is(level, &cLevel::StateIntro));
    EXPECT_EQ(level.transitionScene->step, -1);
    int frames = 1;
    while (!Is(level, &cLevel::StateRunning) && frames < 30)
    {
        Frame(level);
        ++frames;
    }
    EXPECT_TRUE(Is(level, &cLevel::StateRunning));
    EXPECT_LT(frames, 10);
    EXPECT_EQ(level.transitionScene->frame, 0);

    // Without a transition the intro hands over at once.
    cLevel bare(0);
    bare.stateMachine.SetPendingState(&cLevel::StateIntro, 0);
    Frame(bare);
    EXPECT_TRUE(Pending(bare, &cLevel::StateRunning));
}

TEST_F(LevelStatesTest, NextLevelWaitsForTheTransitionThenPicksTheNextLevelOrTheFrontEnd)
{
    Screens screens;
    struct Case
    {
        int32_t number, indexAfter, fade, frontend;
    } cases[] = {{4, 5, 5, -1},   {39, 40, -1, 2}, {39, 41, -1, 1}, {52, 3, 53, -1},
                 {59, 10, -1, 2}, {251, 2, 252, -1}, {254, 5, -1, 2}, {203, 4, -1, 1}};
    for (const Case& c : cases)
    {
        GameCalls game;
        cLevel level(c.number);
        screens.Give(level);
        level.levelIndex = c.indexAfter;
        level.noPause = true;
        level.stateMachine.SetPendingState(&cLevel::StateNextLevel, 0);
        Frame(level);
        EXPECT_TRUE(game.fades.empty() && game.frontend.empty()) << "waits for the transition";
        for (int i = 0; i < 10; ++i)
            Frame(level);
        if (c.fade >= 0)
            EXPECT_EQ(game.fades, std::vector<int32_t>{c.fade}) << c.number;
        else
            EXPECT_EQ(game.frontend, std::vector<int32_t>{c.frontend}) << c.number;
    }
}

TEST_F(LevelStatesTest, WorldAngleTurnsGravityTheShortWayAndWakesBodies)
{
    cLevel level(0);
    level.CreatePhysicsWorld();

    auto* box = new cGameObj(&level);
    box->SetLogicController(new cDynamicObject(nullptr));
    auto* rb = new cRigidBodyController;
    box->SetRigidBodyController(rb);
    rb->CreateDynamicBody();
    const b2Vec2 pts[4] = {{-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}, {-0.5f, 0.5f}};
    rb->AddPolygonFixture(pts, 0.5f, 0.0f, 0x0002, 0x0007);
    level.objects.Append(box);
    rb->GetBody()->SetAwake(false);

    level.SetWorldAngle(90.0f, true);
    EXPECT_NEAR(level.targetAngle, kPiF / 2, 1e-5f);
    EXPECT_NEAR(level.gravity.x, -20.0f, 1e-4f);
    EXPECT_NEAR(level.gravity.y, 0.0f, 1e-4f);
    EXPECT_NEAR(level.world->GetGravity().x, -20.0f, 1e-4f);
    EXPECT_TRUE(rb->GetBody()->IsAwake());
    EXPECT_EQ(level.rotateVoice, 9);

    rb->GetBody()->SetAwake(false);
    level.SetWorldAngle(90.0f, true); // no change: no sound, but the bodies wake
    EXPECT_NEAR(level.gravity.x, -20.0f, 1e-4f);
    EXPECT_EQ(level.rotateVoice, 9);
    EXPECT_TRUE(rb->GetBody()->IsAwake());

    level.SetWorldAngle(80.0f, true);
    level.SetWorldAngle(-30.0f, false);
    level.SetWorldAngle(120.0f, false);
    EXPECT_NEAR(level.targetAngle, 170.0f * kPiF / 180.0f, 1e-4f);
    level.SetWorldAngle(-30.0f, false);
    EXPECT_NEAR(level.targetAngle, 140.0f * kPiF / 180.0f, 1e-4f);

    // Past half a turn from the drawn angle the target is kept on the near side.
    level.worldAngle = 3.0f;
    level.SetWorldAngle(171.887f, true); // 3.0 radians
    level.SetWorldAngle(90.0f, false);
    EXPECT_NEAR(level.targetAngle, 3.0f + kPiF / 2, 1e-3f);
    EXPECT_NEAR(std::atan2(level.gravity.y, level.gravity.x), std::atan2(std::sin(3.0f + kPiF / 2 + kPiF / 2),
                                                                         std::cos(3.0f + kPiF / 2 + kPiF / 2)),
                1e-3f);
    level.SetWorldAngle(NAN, false); // ignored
    EXPECT_NEAR(level.targetAngle, 3.0f + kPiF / 2, 1e-3f);

    // The running state's world update eases the drawn angle a tenth of the way.
    level.stateMachine.SetPendingState(&cLevel::StateRunning, 0);
    const float before = level.worldAngle;
    Frame(level);
    EXPECT_NEAR(level.worldAngle, before + (level.targetAngle - before) * 0.1f, 1e-4f);
}

TEST_F(LevelStatesTest, TeardownReleasesEverythingTheLevelHolds)
{
    Screens screens;
    auto* level = new cLevel(0);
    screens.Give(*level);
    level->hudScene = new cGlaControllerScene(screens.panel);
    level->overlayScene = new cGlaControllerScene(screens.panel);
    level->levelSceneController = new cGlaControllerScene(screens.panel);
    level->fireButtonScene = new cGlaControllerScene(screens.panel);
    level->resourceGroupA = new cResourceGroup("LevelStatesTestA");
    level->resourceGroupB = new cResourceGroup("LevelStatesTestB");
    level->CreatePhysicsWorld();
    auto* box = new cGameObj(level);
    box->SetLogicController(new cDynamicObject(nullptr));
    auto* rb = new cRigidBodyController;
    box->SetRigidBodyController(rb);
    rb->CreateDynamicBody();
    level->objects.Append(box);
    level->pickups.Append(new cGameObj(level));
    level->sceneBits.Append(new cGameObj(level));
    delete level; // the sanitizer reports anything left behind
    EXPECT_EQ(FindResourceGroup("LevelStatesTestA"), nullptr);
    EXPECT_EQ(FindResourceGroup("LevelStatesTestB"), nullptr);
}

namespace
{
// A body of a kind on a game object of the level, at a place (metres).
cGameObj* Body(cLevel& level, cLogicController* kind, cVec2f at, float restitution, bool isStatic = false)
{
    auto* obj = new cGameObj(&level);
    if (kind != nullptr)
        obj->SetLogicController(kind);
    auto* rb = new cRigidBodyController;
    obj->SetRigidBodyController(rb);
    if (isStatic)
        rb->CreateStaticBody();
    else
        rb->CreateDynamicBody();
    const b2Vec2 pts[4] = {{-1.0f, -0.5f}, {1.0f, -0.5f}, {1.0f, 0.5f}, {-1.0f, 0.5f}};
    rb->AddPolygonFixture(pts, 0.5f, restitution, 0x0002, 0xFFFF);
    obj->SetPosition(at);
    level.objects.Append(obj);
    return obj;
}

cDorvo* Player(cLevel& level, cVec2f at)
{
    auto* dorvo = new cDorvo();
    auto* obj = new cGameObj(&level);
    obj->SetLogicController(dorvo);
    auto* rb = new cRigidBodyController;
    obj->SetRigidBodyController(rb);
    rb->CreateDynamicBody();
    const cVec2f centre;
    rb->AddCircleFixture(&centre, 0.625f, 0.0f, 0.1f, 0x0004, 0xFFFF);
    obj->SetPosition(at);
    level.objects.Append(obj);
    level.player = dorvo;
    return dorvo;
}

void Step(cLevel& level, int n = 1)
{
    for (int i = 0; i < n; ++i)
        level.StepWorld(level.timeStep, 8, 3);
}
} // namespace

TEST_F(LevelStatesTest, ContactsKillersDoorsAndRecords)
{
    cLevel level(0);
    level.CreatePhysicsWorld();
    Player(level, {0.0f, 0.0f});
    auto* killer = new cDynamicObject(nullptr);
    killer->killer = true;
    Body(level, killer, {0.0f, 1.0f}, 0.0f, true);
    Step(level, 3);
    EXPECT_TRUE(level.playerDead);
    ASSERT_FALSE(level.contactMap.empty());
    const ContactRecord& record = level.contactMap.begin()->second;
    EXPECT_TRUE(record.touching);
    EXPECT_GT(record.hits, 0u);
    EXPECT_NE(record.controllerA, nullptr);
    EXPECT_NE(record.controllerB, nullptr);

    // A harmless object does not kill.
    cLevel calm(0);
    calm.CreatePhysicsWorld();
    Player(calm, {0.0f, 0.0f});
    Body(calm, new cDynamicObject(nullptr), {0.0f, 1.0f}, 0.0f, true);
    Step(calm, 3);
    EXPECT_FALSE(calm.playerDead);

    // A door of the green key opens for green, not for yellow.
    for (uint32_t keys : {0x8u, 0x2u})
    {
        cLevel doors(0);
        doors.CreatePhysicsWorld();
        doors.heldKeys = keys;
        auto* door = new cMoverObject(nullptr);
        door->type = 3;
        door->keyBits = 0x2;
        door->open = false;
        Body(doors, door, {0.0f, 1.0f}, 0.0f, true);
        Player(doors, {0.0f, 0.0f});
        Step(doors, 3);
        EXPECT_EQ(door->open, keys == 0x2u) << keys;
    }

    // A killer spawned object kills from either side.
    cLevel spawned(0);
    spawned.CreatePhysicsWorld();
    auto* rock = new cSpawnedObject(nullptr);
    rock->killer = true;
    Body(spawned, rock, {0.0f, 1.0f}, 0.0f, true);
    Player(spawned, {0.0f, 0.0f});
    Step(spawned, 3);
    EXPECT_TRUE(spawned.playerDead);
}

TEST_F(LevelStatesTest, BouncySurfacesBoostThePlayer)
{
    // The same fall onto a wall of restitution 1.2, once by the player and once by a
    // plain body of the same shape: only the player gets the boost on top of the bounce.
    auto fall = [](bool asPlayer, float restitution) {
        cLevel level(0);
        level.CreatePhysicsWorld();
        cGameObj* faller = nullptr;
        if (asPlayer)
            faller = dynamic_cast<cController*>(Player(level, {0.0f, -2.0f}))->owner;
        else
        {
            faller = new cGameObj(&level);
            auto* rb = new cRigidBodyController;
            faller->SetRigidBodyController(rb);
            rb->CreateDynamicBody();
            const cVec2f centre;
            rb->AddCircleFixture(&centre, 0.625f, 0.0f, 0.1f, 0x0004, 0xFFFF);
            faller->SetPosition({0.0f, -2.0f});
            level.objects.Append(faller);
        }
        Body(level, nullptr, {0.0f, 1.0f}, restitution, true);
        b2Body* body = faller->GetRigidBodyController()->GetBody();
        body->SetLinearVelocity(b2Vec2(0.0f, 12.0f));
        b2Vec2 v;
        for (int i = 0; i < 12; ++i)
        {
            Step(level);
            for (cGameObj* o : level.objects.live)
                o->Update();
        }
        v = body->GetLinearVelocity();
        return v.y;
    };
    EXPECT_GT(std::fabs(fall(true, 1.2f) - fall(false, 1.2f)), 1.0f) << "boosted";
    EXPECT_NEAR(fall(true, 0.5f), fall(false, 0.5f), 0.5f) << "no boost below 1";
}

TEST_F(LevelStatesTest, PauseMenuSilencesEveryLoopSoTheyStartAgainAfterIt)
{
    SetAudioDeviceOpener(tvtest::OpenLoopbackDevice);
    AudioManager* audio = CreateAudioManager();
    if (audio == nullptr || !audio->IsEnabled() || audio->GetVoiceCount() < 23)
    {
        DeleteAudioManager();
        SetAudioDeviceOpener(nullptr);
        GTEST_SKIP() << "no loopback device";
    }
    {
        cSound loop(audio, 1.0f);
        cLevel level(0);
        for (AmbientChannel& channel : level.ambientChannels)
            channel.playing = true;
        level.ambient[3].started = true;
        level.lavaPlaying = true;
        level.rainStarted = true;
        for (int v : {0, 15, 20, 21, 22})
            audio->PlayOnVoice(kPlayLoop, v, &loop, 1.0f, 1.0f);
        audio->PlayOnVoice(kPlayLoop, 23, &loop, 1.0f, 1.0f);
        level.stateMachine.SetPendingState(&cLevel::StatePauseMenu, 0);
        Frame(level);
        for (size_t i = 0; i < level.ambientChannels.size(); ++i)
            EXPECT_FALSE(level.ambientChannels[i].playing) << "channel " << i << " starts again after the menu";
        EXPECT_FALSE(level.ambient[3].started);
        EXPECT_FALSE(level.lavaPlaying);
        EXPECT_FALSE(level.rainStarted);
        for (int v : {0, 15, 20, 21, 22})
            EXPECT_EQ(audio->GetVoice(v)->currentSound, nullptr) << v;
        EXPECT_EQ(audio->GetVoice(23)->currentSound, &loop) << "beyond the first 23 voices";

        // After the menu the rules ask for the loop again and it plays on its voice once
        // more (channel 11 is one of those that used to stay marked as playing).
        level.ambientSlots = {&loop};
        level.RaiseChannel(11, 0, 0.5f);
        EXPECT_TRUE(level.ambientChannels[11].playing);
        EXPECT_EQ(audio->GetVoice(21)->currentSound, &loop);
        audio->StopAllVoices();
    }
    DeleteAudioManager();
    SetAudioDeviceOpener(nullptr);
}


TEST_F(LevelStatesTest, LevelSelectCallbackOffersTheStoryAndCompletesTheOneBeforeTheChoice)
{
    cLevel level(12);
    DbgSliderRequest request;
    auto ask = [&](int32_t code, float value = 0.0f) {
        request.code = code;
        request.value = value;
        cLevel::LevelSelectDebugCallback(&level, request);
        return request.value;
    };
    EXPECT_EQ(ask(DbgSliderRequest::kMinimum), 0.0f);
    EXPECT_EQ(ask(DbgSliderRequest::kMaximum), 39.0f);
    EXPECT_EQ(ask(DbgSliderRequest::kStep), 1.0f);
    EXPECT_EQ(ask(DbgSliderRequest::kCurrent), 12.0f);
    ask(DbgSliderRequest::kSet, 0.0f); // index -1, then moved on to 0 by the completion
    EXPECT_EQ(level.levelIndex, 0);
    EXPECT_TRUE(Pending(level, &cLevel::StateResults));
    ask(DbgSliderRequest::kSet, 7.6f);
    EXPECT_EQ(level.levelIndex, 7);
    ask(99, 5.0f); // another code does nothing
    EXPECT_EQ(level.levelIndex, 7);
}

TEST_F(LevelStatesTest, AContactWithoutPointsLeavesTheMapAlone)
{
    cLevel level(0);
    level.CreatePhysicsWorld();
    Player(level, {0.0f, 0.0f});
    auto* killer = new cDynamicObject(nullptr);
    killer->killer = true;
    Body(level, killer, {0.0f, 1.0f}, 0.0f, true);
    Step(level, 3);
    ASSERT_NE(level.world->GetContactList(), nullptr);
    b2Contact* contact = level.world->GetContactList();
    level.contactMap.clear();
    level.playerDead = false;
    const int32 points = contact->GetManifold()->pointCount;
    contact->GetManifold()->pointCount = 0;
    level.OnPreSolve(contact, nullptr);
    EXPECT_TRUE(level.contactMap.empty());
    EXPECT_FALSE(level.playerDead);
    contact->GetManifold()->pointCount = points;
    level.OnPreSolve(contact, nullptr);
    EXPECT_EQ(level.contactMap.size(), 1u);
    EXPECT_TRUE(level.playerDead);
}

TEST_F(LevelStatesTest, SurvivalCountdownEndsTheRunOnceAndStopsWhileDying)
{
    cLevel level(201);
    level.survivalCountdown = 100;
    StartRunning(level);
    level.survivalCountdown = 2;
    level.deathSequence = true;
    level.dyingCountdown = 1000; // the death itself does not end the run here
    Frame(level);
    EXPECT_EQ(level.survivalCountdown, 2) << "stopped while the player dies";
    level.deathSequence = false;
    Frame(level);
    Frame(level);
    EXPECT_FALSE(level.stateMachine.HasPending());
    Frame(level); // below 0: the results follow
    EXPECT_EQ(level.survivalCountdown, 0);
    EXPECT_TRUE(Pending(level, &cLevel::StateResults));
    EXPECT_TRUE(level.noPause);

    // The results' restart goes through the running state without ending the run again.
    level.stateMachine.pendingState = nullptr;
    level.restartRequest = true;
    const int32_t countdown = level.survivalCountdown;
    level.StateRunning(kStateUpdate, 0);
    EXPECT_NE(level.stateMachine.pendingState, static_cast<cLevel::StateFunc>(&cLevel::StateResults));
    EXPECT_GE(level.survivalCountdown, countdown == 0 ? 0 : countdown);
}

TEST_F(LevelStatesTest, RestartFromThePauseMenuPlaysTheWholeTransitionFirst)
{
    Screens screens;
    GameCalls game;
    cLevel level(0);
    screens.Give(level);
    level.stateMachine.SetPendingState(&cLevel::StatePauseMenu, 0);
    Frame(level);
    Frame(level, {KEY_DOWN}); // "butRestart"
    Frame(level, {KEY_RETURN});
    EXPECT_TRUE(level.restartRequest);
    EXPECT_TRUE(Pending(level, &cLevel::StatePauseClose));
    Frame(level);
    EXPECT_TRUE(level.transitionScene->playing);
    EXPECT_EQ(level.transitionScene->step, 1);
    int frames = 1;
    while (!Pending(level, &cLevel::StateRunning) && frames < 30)
    {
        Frame(level);
        ++frames;
    }
    EXPECT_GE(frames, 4) << "the transition's frames first";
    EXPECT_GE(level.transitionScene->frame, 4);
    EXPECT_TRUE(level.restartRequest) << "kept for the running state's world update";
    EXPECT_EQ(level.pauseFocusIndex, 1);

    // The rebuild forgets the menu's focus: the next pause opens on the first button.
    Frame(level);
    EXPECT_FALSE(level.restartRequest);
    EXPECT_EQ(level.pauseFocusIndex, 0);
    for (frames = 0; !Is(level, &cLevel::StateRunning) && frames < 30; ++frames)
        Frame(level);
    Frame(level, {KEY_ESCAPE});
    for (frames = 0; !Is(level, &cLevel::StatePauseMenu) && frames < 30; ++frames)
        Frame(level);
    ASSERT_TRUE(Is(level, &cLevel::StatePauseMenu));
    EXPECT_EQ(level.pauseScene->focusIndex, 0);
}

TEST_F(LevelStatesTest, EveryStateDrawsWithAndWithoutItsScenes)
{
    using Entry = std::pair<cLevel::StateFunc, int32_t>;
    const Entry states[] = {{&cLevel::StateIntro, 0},      {&cLevel::StateRunning, 0},     {&cLevel::StatePauseOpen, 0},
                            {&cLevel::StatePauseMenu, 0},  {&cLevel::StatePauseClose, 0},  {&cLevel::StateExitOpen, 0},
                            {&cLevel::StateConfirmExit, 0}, {&cLevel::StateExitClose, 0},  {&cLevel::StateExitClose, 1},
                            {&cLevel::StateExitClose, 2},  {&cLevel::StateResults, 0},     {&cLevel::StateNextLevel, 0}};
    Screens screens;
    GameCalls game;
    for (bool withScenes : {true, false})
    {
        for (const Entry& e : states)
        {
            cLevel level(e.second == 2 ? 205 : 3);
            if (withScenes)
                screens.Give(level);
            level.noPause = true;
            level.resultsTimer = 1;
            level.debugDraw = true;
            level.CreatePhysicsWorld();
            level.stateMachine.SetPendingState(e.first, e.second);
            for (int i = 0; i < 40; ++i)
            {
                Frame(level);
                level.stateMachine.Draw();
            }
        }
    }
}

// The touch front end over scene sets built in memory: the layout chosen by the screen
// width with its pictures (recorded by name) and its placing of the perfect times (drawn
// through a recording renderer), every screen worked by taps of pointer 0 through the
// input block (and deaf to the keyboard and the joystick), F3 on the main menu, the level
// pages turned by swiping, the opening page, the hand-over of a chosen level, and missing
// screens and images.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/core/Random.h"
#include "KelpoBase/gla/GlaControllerFixtures.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/FakeRenderer.h"
#include "KelpoBase/render/Font.h"
#include "KelpoBase/render/FontFixtures.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/RecordingAtlas.h"
#include "KelpoBase/render/Resource.h"
#include "game/shell/Frontend.h"
#include "game/shell/FrontendTouch.h"
#include "game/shell/SaveData.h"

namespace
{
using glatest::AddControl;
using glatest::AddLook;
using glatest::AddRectangle;
using glatest::AddSceneElement;
using glatest::AddSprite;
using Touch = cFrontendTouch;

// Controls of one scene placed on a grid (scene pixels from the screen centre), so that
// each can be tapped on its own.
struct Placer
{
    int count = 0;
    cVec2f Next()
    {
        const int i = count++;
        return cVec2f(-400.0f + 110.0f * static_cast<float>(i % 8), -250.0f + 70.0f * static_cast<float>(i / 8));
    }
};

void AddButtons(glatest::SceneSet& s, cGlaScene* scene, std::initializer_list<const char*> actions)
{
    Placer at;
    for (const char* action : actions)
        AddControl(s, scene, "Button", action, at.Next(), "Button", "look", action);
}

void BuildTouchScenes(glatest::SceneSet& s)
{
    AddLook(s, "look", 3);
    AddLook(s, "toggleLook", 4);
    s.AddScene("scrBackground", 1);
    s.AddScene("scrSplash", 1);
    s.AddScene("scrMainMenu", 101);
    AddButtons(s, s.AddScene("scrMainMenuButtons", 1),
               {"actPlay", "actOptions", "actKelpo", "actHelp", "custom", "actExit", "actTovrane"});
    AddButtons(s, s.AddScene("scrChapter", 1), {"chapter0", "chapter1", "actSurvival", "actChallenge", "actBack"});

    cGlaScene* levelLook = AddLook(s, "levelLook", 3);
    for (const char* name : {"Done", "Sugar", "Sticker", "Score", "Perfect"})
    {
        auto* m = glatest::AddElement<cGlaElementMarker>(levelLook, kGlaMarker, name);
        m->visible.AddKey(true);
        m->position.AddKey(cVec2f(5.0f, 5.0f));
    }
    for (int p = 0; p < 4; ++p)
    {
        cGlaScene* pageScene = s.AddScene("scrLevelScreen_00" + std::to_string(p), 1);
        for (int i = 0; i < 10; ++i)
            AddControl(s, pageScene, "Button", "GameObj00" + std::to_string(i),
                       cVec2f(-400.0f + 160.0f * static_cast<float>(i % 5), i < 5 ? -100.0f : 100.0f), "Button",
                       "levelLook", "level" + std::to_string(10 * p + i));
    }
    cGlaScene* levelSelect = s.AddScene("scrLevelSelect", 1);
    AddControl(s, levelSelect, "Button", "back", cVec2f(-400.0f, -300.0f), "Button", "look", "actBack");
    AddControl(s, levelSelect, "Button", "help", cVec2f(400.0f, -300.0f), "Button", "look", "actHelp");
    s.AddScene("scrLevelDots", 4);

    cGlaScene* survival = s.AddScene("scrLevelScreen_S_000", 1);
    for (int i = 0; i < 5; ++i)
        AddControl(s, survival, "Button", "GameObj00" + std::to_string(i),
                   cVec2f(-400.0f + 160.0f * static_cast<float>(i), -100.0f), "Button", "levelLook",
                   "level" + std::to_string(i));
    AddButtons(s, s.AddScene("scrLevelSelect_S", 1), {"actBack"});
    AddButtons(s, s.AddScene("scrLevelSelect_C", 1), {"actBack"});

    cGlaScene* stats = s.AddScene("scrLevelStats", 1);
    AddButtons(s, stats, {"actBack"});
    for (const char* name : {"sugerCurrent", "sugerTotal", "stickerCurrent", "stickerTotal", "perfectCurrent",
                             "perfectTotal", "perfectTime"})
        AddRectangle(stats, name, cVec2f(), cVec2f(10.0f, 10.0f));

    cGlaScene* options = s.AddScene("scrOptions", 1);
    Placer at;
    for (const char* name : {"butScreen", "butMusic", "butSfx"})
        AddControl(s, options, "Toggle Button", name, at.Next(), "Button", "toggleLook",
                   std::string(name) == "butScreen" ? "actScreen"
                   : std::string(name) == "butMusic" ? "actMusic"
                                                     : "actSound");
    for (const char* action : {"actFlipScreen", "actControls", "actBack"})
        AddControl(s, options, "Button", action, at.Next(), "Button", "look", action);

    // Customisation: five tabs and a back button, and five pages of eleven item toggles.
    cGlaScene* customise = s.AddScene("scrCustomise", 1);
    Placer tabs;
    for (int p = 0; p < 5; ++p)
        AddControl(s, customise, "Toggle Button", "but" + std::to_string(p), tabs.Next(), "Button", "toggleLook",
                   "act" + std::to_string(p));
    AddControl(s, customise, "Button", "back", tabs.Next(), "Button", "look", "actBack");
    const char* const pages[5] = {"scrCustomiseHair", "scrCustomiseBody", "scrCustomiseCup", "scrCustomiseBase",
                                  "scrCustomiseTrail"};
    for (int p = 0; p < 5; ++p)
    {
        cGlaScene* pageScene = s.AddScene(pages[p], 1);
        for (int k = 0; k <= 10; ++k)
        {
            const std::string lookName = std::string(pages[p]) + "Look" + std::to_string(k);
            AddLook(s, lookName, 5);
            AddControl(s, pageScene, "Toggle Button", "but" + std::to_string(k),
                       cVec2f(-300.0f + 110.0f * static_cast<float>(k % 6), 100.0f + 70.0f * static_cast<float>(k / 6)),
                       "Button", lookName, "but" + std::to_string(k));
        }
    }

    s.AddScene("scrCredits", 10);
    AddButtons(s, s.AddScene("scrCreditsBack", 1),
               {"actBack", "actCredits", "actDorvo", "actMoreGames", "actFacebook", "actTwitter"});
    AddButtons(s, s.AddScene("scrHelp_000", 8), {"actBack"});
    s.AddScene("scrEnd", 10);
}

struct FrontendTouchTest : ::testing::Test
{
    // Declared first so that it outlives the front end, whose drawer draws through it.
    std::unique_ptr<tvtest::ScopedFakeRenderer> recorder;
    glatest::SceneSet scenes;
    cSaveData save;
    std::unique_ptr<Touch> fe;
    std::vector<int32_t> handedOff;
    std::vector<std::string> urls;

    void SetUp() override
    {
        if (GetOrientation() != 0)
            SetOrientation(0);
        SetScreenSize(1024, 768);
        ResetInputState();
        SetRandomSeed(0);
        SetQuitRequested(false);
        GetSystemHooks().openUrl = [this](const std::string& url) {
            urls.push_back(url);
            return true;
        };
        BuildTouchScenes(scenes);
    }

    void TearDown() override
    {
        fe.reset();
        recorder.reset();
        SetResourceAtlasFactory(nullptr);
        ResetInputState();
        SetQuitRequested(false);
        GetSystemHooks().openUrl = nullptr;
        if (GetOrientation() != 0)
            SetOrientation(0);
        SetScreenSize(1280, 720);
    }

    void Make(int32_t entry)
    {
        fe = std::make_unique<Touch>(entry);
        fe->sceneSet = scenes.set.get();
        fe->saveData = &save;
        fe->levelHandOff = [this](int32_t n) { handedOff.push_back(n); };
        fe->playMusicTrack = [](int32_t) {};
        fe->LoadScreens();
    }

    // One frame as the main loop runs it: the input book-keeping, the update and draw,
    // then the copy of the input block.
    void Frame()
    {
        UpdateInputFrame();
        fe->Update();
        fe->Draw();
        CopyInputToPrevious();
    }
    void Frames(int n)
    {
        for (int i = 0; i < n; ++i)
            Frame();
    }
    // A key pressed for one frame and let go.
    void KeyFrame(uint32_t key)
    {
        KeyDown(key);
        Frame();
        KeyUp(key);
        Frame();
    }

    void Enter(Touch::ScreenFunc screen, int32_t arg)
    {
        fe->screens.SetPendingState(screen, arg);
        Frame();
        Frames(5); // faded in
    }
    bool Is(Touch::ScreenFunc screen) const { return fe->screens.IsCurrent(screen); }

    // The screen position of a control of a scene.
    static cVec2f ScreenPos(cGlaControllerScene* scene, const std::string& name)
    {
        cGlaControllerElement* e = scene->FindController(name);
        EXPECT_NE(e, nullptr) << name;
        return e != nullptr ? scene->position + e->position : cVec2f();
    }
    // Pointer 0 down on the control in one frame and up in the next. The pointer reports
    // window positions, which the turned screen (orientation 2) sees upside down.
    void Tap(cGlaControllerScene* scene, const std::string& name)
    {
        cVec2f at = ScreenPos(scene, name);
        if (GetOrientation() == 2)
            at = cVec2f(static_cast<float>(GetScreenWidth()) - at.x, static_cast<float>(GetScreenHeight()) - at.y);
        PointerDown(static_cast<int32_t>(at.x), static_cast<int32_t>(at.y));
        Frame();
        PointerUp(static_cast<int32_t>(at.x), static_cast<int32_t>(at.y));
        Frame();
    }
    // Pointer 0 pressed at x, then moved by dx a frame for n frames (held), not released.
    void Drag(int32_t x, int32_t dx, int n)
    {
        PointerDown(x, 400);
        Frame();
        for (int i = 1; i <= n; ++i)
        {
            PointerMove(x + dx * i, 400);
            Frame();
        }
    }
    void Release()
    {
        const PointerRecord& p = GetPointerRecord(0);
        PointerUp(p.x, p.y);
        Frame();
    }

    void GoToLevelSelect(int32_t chapter)
    {
        Make(1);
        Enter(&Touch::StateModeSelect, 0);
        Tap(fe->scrChapter, chapter == 0 ? "chapter0" : "chapter1");
        Frame();
        ASSERT_TRUE(Is(&Touch::StateLevelSelect));
        Frames(5);
    }
};

TEST(FrontendTouchLayout, ScreenWidthChoosesTheSceneFile)
{
    struct Case
    {
        int32_t width;
        const char* file;
    } cases[] = {{1024, "res/frontend/frontendipad.cgla"},     {960, "res/frontend/frontend_960_640.cgla"},
                 {1280, "res/frontend/frontend_480_320.cgla"}, {480, "res/frontend/frontend_480_320.cgla"},
                 {1023, "res/frontend/frontend_480_320.cgla"}, {0, "res/frontend/frontend_480_320.cgla"}};
    for (const Case& c : cases)
        EXPECT_STREQ(Touch::SceneFileForLayout(Touch::LayoutForWidth(c.width)), c.file) << c.width;
}

TEST_F(FrontendTouchTest, LoadingWithoutDataLeavesEveryScreenSafe)
{
    // No data tree: every image and the scene set are missing, and on the small layout
    // the large digits are never loaded; the statistics then use the small digits.
    for (int32_t width : {480, 960, 1024})
    {
        SetScreenSize(width, width * 2 / 3);
        fe = std::make_unique<Touch>(0);
        fe->saveData = &save;
        fe->levelHandOff = [this](int32_t n) { handedOff.push_back(n); };
        fe->LoadScene();
        fe->LoadScreens();
        EXPECT_EQ(fe->layout, Touch::LayoutForWidth(width));
        if (width == 480)
        {
            for (const ImageRect* digit : fe->hudDigits)
                EXPECT_EQ(digit, nullptr);
            EXPECT_EQ(fe->StatsDigits(), fe->smallDigits);
        }
        for (Touch::ScreenFunc screen :
             {&Touch::StateTitle, &Touch::StateMainMenu, &Touch::StateModeSelect, &Touch::StateLevelSelect,
              &Touch::StateChallengeSelect, &Touch::StateLevelStats, &Touch::StateOptions, &Touch::StateCustomise,
              &Touch::StateCredits, &Touch::StateHelp, &Touch::StateEnd})
        {
            fe->screens.SetPendingState(screen, 0);
            PointerDown(width / 2, 100);
            Frame();
            PointerUp(width / 2, 100);
            Frames(3);
        }
        fe.reset();
    }
    // Without its menu scene the main menu still takes taps (no intro holds them).
    SetScreenSize(1024, 768);
    FindObjectByName(scenes.set.get(), "scrMainMenu")->SetName("unused");
    Make(1);
    fe->screens.SetPendingState(&Touch::StateMainMenu, 0);
    Frames(6);
    Tap(fe->scrMainMenuButtons, "actOptions");
    Frames(6);
    EXPECT_TRUE(Is(&Touch::StateOptions));
    fe.reset();

    // A front end whose screens were never looked up updates and draws without them.
    fe = std::make_unique<Touch>(1);
    fe->saveData = &save;
    for (Touch::ScreenFunc screen :
         {&Touch::StateMainMenu, &Touch::StateModeSelect, &Touch::StateLevelSelect, &Touch::StateChallengeSelect,
          &Touch::StateLevelStats, &Touch::StateOptions, &Touch::StateCustomise, &Touch::StateCredits,
          &Touch::StateHelp, &Touch::StateEnd, &Touch::StateStartLevel})
    {
        fe->screens.SetPendingState(screen, 3);
        Frames(2);
    }
}

TEST_F(FrontendTouchTest, EachLayoutLoadsItsPicturesAndPlacesThePerfectTimes)
{
    // Per screen width: the icon folder, where the flash picture comes in the load order
    // (the tablet loads it after the icons, the others last), the large digits, and the
    // perfect time under a level button: from its marker, or centred on it below 960.
    const std::string icons1024 = "res/frontend/1024_768/LevelSelect/Small_Icons/";
    const std::string icons480 = "res/frontend/480_320/LevelSelect/Small_Icons/";
    const std::string flash = "res/fx/Flash.png";
    const std::string heart = "res/frontend/1024_768/LoveHeart.png";
    auto digits = [](const std::string& stem) {
        std::vector<std::string> files;
        for (int d = 0; d < 10; ++d)
            files.push_back(stem + std::to_string(d) + ".png");
        return files;
    };
    const auto smallDigits = digits("res/frontend/1024_768/LevelSelect/SmallNumbers/No_");
    const auto hudDigits = digits("res/frontend/1024_768/Hud_Numbers/No_");
    auto iconFiles = [](const std::string& folder) {
        return std::vector<std::string>{folder + "Cube.png", folder + "Sticker.png", folder + "Star.png",
                                        folder + "Tick.png"};
    };
    auto join = [](std::initializer_list<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (const auto& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    struct Case
    {
        int32_t width, height;
        std::vector<std::string> firstLoads; // up to the heart and the flash
        bool centred;
    };
    const Case cases[] = {
        {1024, 768, join({iconFiles(icons1024), {flash}, smallDigits, hudDigits, {heart}}), false},
        {960, 640, join({iconFiles(icons1024), smallDigits, hudDigits, {heart, flash}}), false},
        {959, 640, join({iconFiles(icons480), smallDigits, {heart, flash}}), true},
        {480, 320, join({iconFiles(icons480), smallDigits, {heart, flash}}), true},
        {1280, 720, join({iconFiles(icons480), smallDigits, {heart, flash}}), false},
    };

    // The system font: digits, colon and point, 8 pixels wide on an advance of 9.
    const auto fontBytes = tvtest::BuildFont(tvtest::UniformGlyphs("0123456789:.", 8, 10, 9));
    std::unique_ptr<cFont> font(cFont::ReadFromMemory(fontBytes.data(), fontBytes.size()));
    ASSERT_NE(font, nullptr);
    cImage page;
    page.width = page.height = 256;
    font->SetPage(&page);
    save.progress[0].completed = true;
    save.progress[0].perfect = true;
    save.progress[0].bestPerfectTime = 1234;

    SetResourceAtlasFactory(tvtest::MakeRecordingAtlas);
    recorder = std::make_unique<tvtest::ScopedFakeRenderer>();
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.width);
        SetScreenSize(c.width, c.height);
        tvtest::RecordedLoads().Clear();
        fe = std::make_unique<Touch>(1);
        fe->LoadScene();
        const std::vector<std::string>& loads = tvtest::RecordedLoads().names;
        ASSERT_GE(loads.size(), c.firstLoads.size());
        EXPECT_EQ(std::vector<std::string>(loads.begin(), loads.begin() + c.firstLoads.size()), c.firstLoads);
        const std::string folder = c.firstLoads[0].substr(0, c.firstLoads[0].size() - 8); // less "Cube.png"
        EXPECT_EQ(tvtest::RecordedName(fe->iconSugar), folder + "Cube.png");
        EXPECT_EQ(tvtest::RecordedName(fe->iconSticker), folder + "Sticker.png");
        EXPECT_EQ(tvtest::RecordedName(fe->iconStar), folder + "Star.png");
        EXPECT_EQ(tvtest::RecordedName(fe->iconTick), folder + "Tick.png");
        EXPECT_EQ(tvtest::RecordedName(fe->flashImage), flash);
        EXPECT_EQ(tvtest::RecordedName(fe->hudDigits[7]), folder == icons1024 ? hudDigits[7] : "");

        // The level select over the scenes of the fixture, level 0 perfect.
        fe->sceneSet = scenes.set.get();
        fe->saveData = &save;
        fe->systemFont = font.get();
        fe->levelHandOff = [](int32_t) {};
        fe->playMusicTrack = [](int32_t) {};
        fe->LoadScreens();
        Enter(&Touch::StateLevelSelect, 0);
        ASSERT_TRUE(Is(&Touch::StateLevelSelect));
        ASSERT_EQ(fe->page, 0);
        recorder->renderer.draws.clear();
        Frame();
        float minX = 1e9f, maxX = -1e9f;
        size_t glyphs = 0;
        for (const tvtest::RecordedDraw& d : recorder->renderer.draws)
        {
            if (d.texture != &page)
                continue;
            for (const Gfx2DVertex& v : d.vertices)
            {
                minX = std::min(minX, v.x);
                maxX = std::max(maxX, v.x);
            }
            glyphs += d.vertices.size() / 4;
        }
        ASSERT_GT(glyphs, 3u);
        const int32_t width = 9 * static_cast<int32_t>(glyphs);
        const float marker = ScreenPos(fe->scrLevelScreen[0], "GameObj000").x + 5.0f; // the "Score" marker
        const float start = c.centred ? marker - static_cast<float>(width >> 1) : marker;
        EXPECT_EQ(minX, start);
        EXPECT_EQ(maxX, start + static_cast<float>(width - 1)); // the last glyph is 8 wide
        fe.reset();
    }
}

TEST_F(FrontendTouchTest, AMenuSceneOfOneFrameDoesNotHoldTheButtons)
{
    // Such a scene plays on at frame 0 for ever; its intro must not keep the menu waiting.
    FindObjectByName(scenes.set.get(), "scrMainMenu")->frameCount = 1;
    Make(1);
    Enter(&Touch::StateMainMenu, 0);
    Tap(fe->scrMainMenuButtons, "actOptions");
    Frames(6);
    EXPECT_TRUE(Is(&Touch::StateOptions));
}

TEST_F(FrontendTouchTest, EntryChoosesTheFirstScreen)
{
    const std::pair<int32_t, Touch::ScreenFunc> cases[] = {
        {0, &Touch::StateTitle}, {1, &Touch::StateMainMenu}, {2, &Touch::StateEnd}, {9, &Touch::StateTitle}};
    for (const auto& [entry, screen] : cases)
    {
        Make(entry);
        Frame();
        EXPECT_TRUE(Is(screen)) << entry;
    }
}

TEST_F(FrontendTouchTest, TitleAndEndMoveOnOnlyForThePointer)
{
    Make(0);
    Frame();
    for (uint32_t key : {KEY_SPACE, KEY_RETURN, KEY_ESCAPE, KEY_JOY_BUTTON_1})
        KeyDown(key);
    Frame();
    EXPECT_EQ(fe->titlePage, 0);
    for (uint32_t key : {KEY_SPACE, KEY_RETURN, KEY_ESCAPE, KEY_JOY_BUTTON_1})
        KeyUp(key);
    PointerDown(10, 10);
    Frame();
    EXPECT_EQ(fe->titlePage, 1);
    Frame(); // still held: not a fresh press
    EXPECT_FALSE(fe->screens.HasPending());
    PointerUp(10, 10);
    Frame();
    PointerDown(10, 10);
    Frame();
    PointerUp(10, 10);
    Frame();
    EXPECT_TRUE(Is(&Touch::StateMainMenu));
    EXPECT_EQ(save.flags & 1u, 1u);

    Make(2);
    Frames(6);
    for (uint32_t key : {uint32_t(KEY_SPACE), uint32_t(KEY_RETURN), uint32_t(KEY_ESCAPE), uint32_t(KEY_JOY_BUTTON_1),
                         uint32_t(KEY_JOY_BUTTON_1 + 7)})
        KeyFrame(key);
    EXPECT_TRUE(fe->screens.stack.empty());
    PointerDown(10, 10);
    Frame();
    PointerUp(10, 10);
    Frames(6);
    EXPECT_TRUE(Is(&Touch::StateMainMenu));
}

TEST_F(FrontendTouchTest, MainMenuTapsLeadToTheirScreensAndKeysDoNothing)
{
    const std::pair<const char*, Touch::ScreenFunc> cases[] = {{"actPlay", &Touch::StateModeSelect},
                                                               {"actOptions", &Touch::StateOptions},
                                                               {"actKelpo", &Touch::StateCredits},
                                                               {"actHelp", &Touch::StateHelp},
                                                               {"custom", &Touch::StateCustomise}};
    for (const auto& [button, screen] : cases)
    {
        Make(1);
        Frames(5);
        for (uint32_t key : {KEY_RETURN, KEY_SPACE, KEY_DOWN, KEY_ESCAPE, KEY_JOY_BUTTON_1, KEY_JOY_DOWN})
            KeyFrame(key);
        EXPECT_TRUE(fe->screens.stack.empty()) << button;
        Tap(fe->scrMainMenuButtons, button);
        Frames(5);
        EXPECT_TRUE(Is(screen)) << button;
    }
    // There is no exit here.
    Make(1);
    Frames(5);
    Tap(fe->scrMainMenuButtons, "actExit");
    Tap(fe->scrMainMenuButtons, "actTovrane");
    EXPECT_FALSE(GetQuitRequested());
    EXPECT_TRUE(fe->screens.stack.empty());
}

TEST_F(FrontendTouchTest, F3OnTheMainMenuGoesToTheEndScreenOnlyAfterTheIntro)
{
    Make(1);
    Frames(3);
    KeyDown(KEY_F1 + 2);
    Frame();
    EXPECT_TRUE(fe->screens.pendingState == &Touch::StateEnd);
    EXPECT_TRUE(fe->screens.stack.empty()); // no push, no fade
    KeyUp(KEY_F1 + 2);
    Frame();
    EXPECT_TRUE(Is(&Touch::StateEnd));

    // During the intro's first 30 frames it does nothing.
    Make(1);
    Frame();
    fe->screens.SetPendingState(&Touch::StateMainMenu, 0);
    Frame();
    for (int i = 0; i < 13; ++i) // 26 frames of the intro
        KeyFrame(KEY_F1 + 2);
    EXPECT_FALSE(fe->screens.HasPending());
    EXPECT_TRUE(Is(&Touch::StateMainMenu));

    // Nor while the menu is leaving, nor on another screen.
    Make(1);
    Frames(5);
    Tap(fe->scrMainMenuButtons, "actOptions");
    KeyFrame(KEY_F1 + 2);
    EXPECT_FALSE(fe->screens.pendingState == &Touch::StateEnd);
    Frames(5);
    ASSERT_TRUE(Is(&Touch::StateOptions));
    KeyFrame(KEY_F1 + 2);
    EXPECT_FALSE(fe->screens.HasPending());
}

TEST_F(FrontendTouchTest, LevelSelectOpensOnThePageOfTheFirstLockedLevel)
{
    for (int n = 0; n <= 8; ++n)
        save.progress[n].completed = true;
    GoToLevelSelect(0);
    EXPECT_EQ(fe->page, 1);
    EXPECT_EQ(fe->targetPage, 1);

    save = cSaveData();
    for (int n = 0; n < 40; ++n)
        save.progress[n].completed = true;
    GoToLevelSelect(0);
    EXPECT_EQ(fe->page, 0);

    save = cSaveData();
    for (int n = 0; n <= 24; ++n)
        save.progress[n].completed = true;
    GoToLevelSelect(0);
    EXPECT_EQ(fe->page, 2);
}

TEST_F(FrontendTouchTest, ChoosingALevelHandsItToTheGame)
{
    for (int n = 0; n <= 12; ++n)
        save.progress[n].completed = true;
    GoToLevelSelect(0);
    ASSERT_EQ(fe->page, 1);
    Tap(fe->scrLevelScreen[1], "GameObj003");
    EXPECT_TRUE(fe->screens.pendingState == &Touch::StateStartLevel); // at once, without a fade
    EXPECT_TRUE(fe->screens.stack.empty());
    Frames(12);
    EXPECT_TRUE(handedOff.empty());
    Frames(2);
    ASSERT_FALSE(handedOff.empty());
    EXPECT_EQ(handedOff.front(), 13);

    // A locked level's button is hidden and starts nothing.
    handedOff.clear();
    GoToLevelSelect(0);
    Tap(fe->scrLevelScreen[1], "GameObj005"); // level 15: locked
    Frames(16);
    EXPECT_TRUE(handedOff.empty());

    // The bonus set starts at 50; the back button returns to the mode select.
    GoToLevelSelect(1);
    Tap(fe->scrLevelScreen[0], "GameObj000");
    Frames(16);
    ASSERT_FALSE(handedOff.empty());
    EXPECT_EQ(handedOff.front(), 50);
    GoToLevelSelect(0);
    ASSERT_EQ(fe->page, 1);
    for (uint32_t key : {uint32_t(KEY_ESCAPE), uint32_t(KEY_RIGHT), uint32_t(KEY_RETURN), uint32_t(KEY_JOY_BUTTON_1 + 6)})
        KeyFrame(key);
    EXPECT_TRUE(fe->screens.stack.empty());
    EXPECT_EQ(fe->page, 1);
    Tap(fe->scrLevelSelect, "back");
    Frames(6);
    EXPECT_TRUE(Is(&Touch::StateModeSelect));
}

TEST_F(FrontendTouchTest, SwipesTurnTheLevelPages)
{
    for (int n = 0; n < 40; ++n)
        save.progress[n].completed = true;
    GoToLevelSelect(0);
    ASSERT_EQ(fe->page, 0);
    const float w = 1024.0f;

    // Three pixels a frame are never taken.
    Drag(900, -3, 40);
    EXPECT_TRUE(fe->dragging);
    EXPECT_EQ(fe->slideOffset, 0.0f);
    Release();
    Frames(12);
    EXPECT_EQ(fe->page, 0);
    EXPECT_FALSE(fe->dragging);

    // A slow drag past a quarter of the width turns the page on release.
    Drag(900, -5, 54); // 270 pixels, last step -5 (above -0.005 x W)
    EXPECT_FLOAT_EQ(fe->slideOffset, -270.0f);
    Release();
    EXPECT_EQ(fe->targetPage, 1);
    Frames(12);
    EXPECT_EQ(fe->page, 1);
    EXPECT_EQ(fe->slideOffset, 0.0f);

    // A slow drag short of a quarter slides back.
    Drag(900, -5, 40);
    Release();
    EXPECT_EQ(fe->targetPage, 1);
    Frames(12);
    EXPECT_EQ(fe->page, 1);
    EXPECT_EQ(fe->slideOffset, 0.0f);

    // A short flick: to the next page with a last step below -0.005 x W, back to the
    // previous with a last step above 0.01 x W (but not at 0.01 x W or less).
    Drag(500, -6, 2);
    Release();
    EXPECT_EQ(fe->targetPage, 2);
    Frames(12);
    EXPECT_EQ(fe->page, 2);
    Drag(500, 10, 2); // 10 < 10.24
    Release();
    EXPECT_EQ(fe->targetPage, 2);
    Frames(12);
    Drag(500, 11, 2);
    Release();
    EXPECT_EQ(fe->targetPage, 1);
    Frames(12);
    EXPECT_EQ(fe->page, 1);
    (void)w;
}

TEST_F(FrontendTouchTest, PageEdgesOnlyShiftAndSlidingPagesStartNothing)
{
    for (int n = 0; n < 40; ++n)
        save.progress[n].completed = true;
    GoToLevelSelect(0);
    Drag(100, 20, 20); // right on the first page
    EXPECT_GT(fe->slideOffset, 0.0f);
    Release();
    EXPECT_EQ(fe->targetPage, 0);
    Frames(20);
    EXPECT_EQ(fe->page, 0);
    EXPECT_EQ(fe->slideOffset, 0.0f);

    fe->page = fe->targetPage = 3;
    Drag(900, -20, 20); // left on the last page
    Release();
    EXPECT_EQ(fe->targetPage, 3);
    Frames(20);
    EXPECT_EQ(fe->page, 3);
    EXPECT_EQ(fe->slideOffset, 0.0f);

    // While the page is off its rest position, a level button starts nothing.
    fe->slideOffset = 30.0f;
    const cVec2f at = ScreenPos(fe->scrLevelScreen[3], "GameObj000");
    PointerDown(static_cast<int32_t>(at.x), static_cast<int32_t>(at.y));
    Frame();
    PointerUp(static_cast<int32_t>(at.x), static_cast<int32_t>(at.y));
    Frame();
    EXPECT_FALSE(Is(&Touch::StateStartLevel));
    EXPECT_FALSE(fe->screens.HasPending());

    // A swipe that began on a level button and slid back is not a tap, and the next tap
    // on another level of the page starts that level.
    fe->slideOffset = 0.0f;
    const cVec2f first = ScreenPos(fe->scrLevelScreen[3], "GameObj000");
    PointerDown(static_cast<int32_t>(first.x), static_cast<int32_t>(first.y));
    Frame();
    for (int i = 1; i <= 3; ++i)
    {
        PointerMove(static_cast<int32_t>(first.x) - 10 * i, static_cast<int32_t>(first.y));
        Frame();
    }
    PointerUp(static_cast<int32_t>(first.x) - 30, static_cast<int32_t>(first.y));
    Frame();
    Frames(3);
    ASSERT_EQ(fe->slideOffset, 0.0f);
    EXPECT_FALSE(fe->screens.HasPending());
    EXPECT_EQ(GetPointerCapture(1), nullptr);
    Tap(fe->scrLevelScreen[3], "GameObj004");
    EXPECT_TRUE(fe->screens.pendingState == &Touch::StateStartLevel);
    EXPECT_EQ(fe->screens.pendingArg, 34);

    // The bonus set has one page: no drag moves it.
    GoToLevelSelect(1);
    Drag(900, -30, 20);
    EXPECT_EQ(fe->slideOffset, 0.0f);
    Release();
    Frames(12);
    EXPECT_EQ(fe->page, 0);
}

TEST_F(FrontendTouchTest, SurvivalAndChallengeLevelsStartByTap)
{
    save.progress[4].completed = true;
    save.progress[9].completed = true;
    Make(1);
    Enter(&Touch::StateModeSelect, 0);
    Tap(fe->scrChapter, "actSurvival");
    Frames(6);
    ASSERT_TRUE(Is(&Touch::StateChallengeSelect));
    Frames(5);
    KeyFrame(KEY_RETURN);
    EXPECT_FALSE(fe->screens.HasPending());
    Tap(fe->scrLevelScreenS, "GameObj001");
    Frames(14);
    ASSERT_EQ(handedOff.size(), 1u);
    EXPECT_EQ(handedOff[0], 201);

    save.progress[38].completed = true;
    Make(1);
    Enter(&Touch::StateModeSelect, 0);
    Tap(fe->scrChapter, "actChallenge");
    Frames(6);
    ASSERT_TRUE(fe->challenge);
    Tap(fe->scrLevelScreenS, "GameObj004");
    Frames(14);
    ASSERT_EQ(handedOff.size(), 2u);
    EXPECT_EQ(handedOff[1], 254);
}

TEST_F(FrontendTouchTest, StatisticsLeaveOnlyByTheirBackButton)
{
    GoToLevelSelect(0);
    Tap(fe->scrLevelSelect, "help");
    Frames(6);
    ASSERT_TRUE(Is(&Touch::StateLevelStats));
    Frames(5);
    KeyFrame(KEY_ESCAPE);
    KeyFrame(KEY_JOY_BUTTON_1 + 6);
    EXPECT_TRUE(fe->screens.stack.empty());
    Tap(fe->scrLevelStats, "actBack");
    Frames(6);
    EXPECT_TRUE(Is(&Touch::StateLevelSelect));
}

TEST_F(FrontendTouchTest, OptionsChangeOnlyMusicSoundAndFlip)
{
    GetSaveDataVolumes().SetMusicVolume(0.8f);
    GetSaveDataVolumes().SetSoundVolume(1.0f);
    save.windowed = 1;
    Make(1);
    Enter(&Touch::StateOptions, 0);
    auto* music = FindToggleButtonController(fe->scrOptions, "butMusic");
    ASSERT_NE(music, nullptr);
    EXPECT_TRUE(music->GetState());
    Tap(fe->scrOptions, "butSfx");
    EXPECT_EQ(GetSaveDataVolumes().GetSoundVolume(), 0.0f);
    Tap(fe->scrOptions, "butScreen");
    Tap(fe->scrOptions, "actControls");
    EXPECT_EQ(save.windowed, 1);
    EXPECT_TRUE(fe->screens.stack.empty());
    Tap(fe->scrOptions, "actFlipScreen");
    EXPECT_EQ(GetOrientation(), 2);
    EXPECT_TRUE(save.flipScreen);
    Tap(fe->scrOptions, "actFlipScreen");
    EXPECT_EQ(GetOrientation(), 0);
    EXPECT_FALSE(save.flipScreen);
    Tap(fe->scrOptions, "actBack");
    Frames(6);
    EXPECT_TRUE(Is(&Touch::StateMainMenu));
    GetSaveDataVolumes().SetSoundVolume(1.0f);
}

TEST_F(FrontendTouchTest, CustomiseTabsAndItemsByTap)
{
    save.progress[cFrontend::StickerRecordForItem(2, 3)].sticker = true;
    Make(1);
    Enter(&Touch::StateCustomise, 1);
    Tap(fe->scrCustomise, "but2"); // the cup page
    EXPECT_EQ(fe->customisePage, 2);
    Tap(fe->scrCustomisePages[2], "but5"); // locked: nothing
    EXPECT_EQ(save.look[cSaveData::kLookCup], 0);
    Tap(fe->scrCustomisePages[2], "but3");
    EXPECT_EQ(save.look[cSaveData::kLookCup], 3);
    EXPECT_EQ(fe->GetPageLookValue(2), 3);
    KeyFrame(KEY_ESCAPE);
    EXPECT_TRUE(fe->screens.stack.empty());
    Tap(fe->scrCustomise, "back");
    Frames(6);
    EXPECT_TRUE(Is(&Touch::StateMainMenu));
}

TEST_F(FrontendTouchTest, CreditsLinksByScreenWidthAndTheCreditsLevel)
{
    for (int32_t width : {1024, 960})
    {
        SetScreenSize(width, 768);
        urls.clear();
        SetQuitRequested(false);
        Make(1);
        Enter(&Touch::StateCredits, 0);
        Tap(fe->scrCreditsBack, "actMoreGames");
        ASSERT_EQ(urls.size(), 1u) << width;
        EXPECT_EQ(urls[0], width >= 1024 ? kFrontendTouchUrlMoreGamesTablet : kFrontendTouchUrlMoreGamesPhone);
        EXPECT_TRUE(GetQuitRequested());
        // No social links on this screen.
        Tap(fe->scrCreditsBack, "actFacebook");
        Tap(fe->scrCreditsBack, "actTwitter");
        EXPECT_EQ(urls.size(), 1u);
        Tap(fe->scrCreditsBack, "actDorvo");
        EXPECT_EQ(urls.size(), 2u);
    }
    SetScreenSize(1024, 768);
    Make(1);
    Enter(&Touch::StateCredits, 0);
    KeyFrame(KEY_ESCAPE);
    EXPECT_TRUE(fe->screens.stack.empty());
    Tap(fe->scrCreditsBack, "actCredits");
    Frames(6);
    EXPECT_TRUE(Is(&Touch::StateStartLevel));
    Frames(14);
    ASSERT_FALSE(handedOff.empty());
    EXPECT_EQ(handedOff.front(), 40);
}
} // namespace

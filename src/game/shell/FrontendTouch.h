// cFrontendTouch: the menu screens laid out for tablet and phone screens and worked only
// with a touch pointer.
//
// It runs the same screens as cFrontend (title, main menu, mode and level selection,
// statistics, options, customisation, credits, help, the end screen and the start of a
// level) with the same fades, stack and level numbers, but:
// - the scene file and the level-select images are chosen by the screen width: 1024
//   (tablet), 960 (large phone) or any other width (small phone, 480 by 320 pictures);
// - no screen reads the keyboard or the joystick and nothing has keyboard focus; buttons act
//   through their scene controllers' pointer handling only. The one key read is F3 on the
//   main menu, which jumps to the end screen;
// - there is no window-mode option, no control redefinition, no exit button and no
//   leaderboard upload;
// - the level pages are turned by swiping pointer 0.
//
// A caller uses it as the game uses cFrontend: constructor, LoadScene, LoadScreens, then
// Update and Draw once a frame, and finally the destructor. Nothing in the game makes one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "KelpoBase/core/StateMachine.h"
#include "KelpoBase/gla/Particles.h"

class cDbgPage;
class cFont;
class cGfx2D;
class cGfx3D;
class cGlaControllerScene;
class cGlaSet;
class cResourceGroup;
class cSaveData;
class cSound;
struct ImageRect;

class cFrontendTouch
{
public:
    using ScreenFunc = StateMachine<cFrontendTouch>::StateFunc;

    static constexpr int kDigitCount = 10;
    static constexpr int kPartItemCount = 11;
    static constexpr int kPartImageSets = 6;
    static constexpr int kCustomisePageCount = 5;
    static constexpr int kLevelPageCount = 4;
    static constexpr int kLevelsPerPage = 10;
    static constexpr int kChallengeSlots = 5;
    static constexpr int kScreenFadeStep = 55;
    static constexpr int kStartLevelFadeStep = 20;
    static constexpr int kStartLevelFadeEnd = 270;

    // The three layouts, by screen width.
    enum Layout
    {
        kLayout1024 = 0, // 1024 wide: tablet
        kLayout960 = 1,  // 960 wide
        kLayoutSmall = 2 // any other width: the 480 by 320 pictures
    };
    static Layout LayoutForWidth(int32_t screenWidth);
    // The scene file of a layout.
    static const char* SceneFileForLayout(Layout layout);

    // entry: 1 back from a level (main menu, intro skipped), 2 after the last level of a
    // mode (end screen), anything else the title pages. Loads nothing.
    explicit cFrontendTouch(int32_t entry);
    cFrontendTouch(const cFrontendTouch&) = delete;
    cFrontendTouch& operator=(const cFrontendTouch&) = delete;
    ~cFrontendTouch();

    void LoadScene();
    void LoadScreens();
    void Update();
    void Draw();

    // --- screens (phase 0 enter, 1 leave request, 2 update, 3 draw) ----------------------
    int32_t StateTitle(int32_t phase, int32_t arg);
    int32_t StateMainMenu(int32_t phase, int32_t arg);
    int32_t StateModeSelect(int32_t phase, int32_t arg);
    int32_t StateEnd(int32_t phase, int32_t arg);
    int32_t StateLevelSelect(int32_t phase, int32_t arg);
    int32_t StateChallengeSelect(int32_t phase, int32_t arg);
    int32_t StateLevelStats(int32_t phase, int32_t arg);
    int32_t StateOptions(int32_t phase, int32_t arg);
    int32_t StateCustomise(int32_t phase, int32_t arg);
    int32_t StateCredits(int32_t phase, int32_t arg);
    int32_t StateHelp(int32_t phase, int32_t arg);
    int32_t StateStartLevel(int32_t phase, int32_t arg);

    // --- level selection -------------------------------------------------------------------
    void SetupLevelButtons();
    void DrawLevelSelectLayout();
    void DrawLevelButtonMarks(int32_t pageIndex, int32_t slot);
    void SetupChallengeButtons();
    void DrawChallengeLayout(int32_t alpha);
    void DrawSurvivalButtonMarks(int32_t pageIndex, int32_t slot);
    void DrawLevelStats();
    // The digit images the statistics counts are drawn with: the large digits, or the small
    // ones on the layout that loads no large digits.
    const ImageRect* const* StatsDigits() const;

    // --- customisation ---------------------------------------------------------------------
    void ShowCustomisePage(int32_t customPage);
    void RefreshCustomisePreview();
    int32_t GetPageLookValue(int32_t customPage) const;

    // --- effects and helpers ---------------------------------------------------------------
    void SpawnHeartBurst(float x, float y);
    void SpawnConfettiBurst(float x, float y);
    void SpawnFallingFlower();
    void DrawMainMenuScene();
    void DrawBackground();
    void PlayButtonSound();
    // Pushes the next screen and starts the fade-out; a screen already leaving keeps the
    // screen it chose first.
    void LeaveTo(ScreenFunc next, int32_t arg, bool& leaving);

    // One screen's fade: alpha 0..255 and whether it is fading out.
    struct ScreenFade
    {
        bool leaving = false;
        int32_t alpha = 0;
    };

    // --- state -----------------------------------------------------------------------------
    StateMachine<cFrontendTouch> screens;
    cGfx2D* gfx2D = nullptr;
    cGfx3D* gfx3D = nullptr;
    cResourceGroup* group = nullptr;
    cGlaSet* sceneSet = nullptr;
    Layout layout = kLayoutSmall;

    ImageRect* iconSugar = nullptr;
    ImageRect* iconSticker = nullptr;
    ImageRect* iconStar = nullptr;
    ImageRect* iconTick = nullptr;
    ImageRect* smallDigits[kDigitCount] = {};
    ImageRect* hudDigits[kDigitCount] = {};
    ImageRect* partImages[kPartImageSets][kPartItemCount] = {};
    cGlaControllerScene* partScenes[kPartItemCount] = {};

    cGlaControllerScene* scrCustomise = nullptr;
    cGlaControllerScene* scrCustomisePages[kCustomisePageCount] = {}; // hair, body, cup, base, trail
    cGlaControllerScene* scrMainMenu = nullptr;
    cGlaControllerScene* scrChapter = nullptr;
    cGlaControllerScene* scrMainMenuButtons = nullptr;
    cGlaControllerScene* scrOptions = nullptr;
    cGlaControllerScene* scrCreditsBack = nullptr;
    cGlaControllerScene* scrHelp_000 = nullptr;
    cGlaControllerScene* scrCredits = nullptr;
    cGlaControllerScene* scrBackground = nullptr;
    cGlaControllerScene* scrSplash = nullptr;
    cGlaControllerScene* scrLevelScreen[kLevelPageCount] = {};
    cGlaControllerScene* scrLevelSelect = nullptr;
    cGlaControllerScene* scrLevelDots = nullptr;
    cGlaControllerScene* scrLevelScreenS = nullptr;
    cGlaControllerScene* scrLevelScreenC = nullptr;
    cGlaControllerScene* scrLevelSelect_S = nullptr;
    cGlaControllerScene* scrLevelSelect_C = nullptr;
    cGlaControllerScene* scrLevelStats = nullptr;
    cGlaControllerScene* scrEnd = nullptr;

    int32_t mode = 0;       // 0 story, 1 bonus
    bool challenge = false; // the survival/challenge select shows the challenge set
    int32_t titlePage = 0;
    int32_t titleAlpha = 0;
    int32_t titleHold = 0;
    int32_t confettiCountdown = 0;
    int32_t pageCount = kLevelPageCount;
    int32_t levelsPerPage = kLevelsPerPage;
    int32_t page = 0;
    int32_t targetPage = 0;
    float slideOffset = 0.0f;
    float dragStep = 0.0f;  // the last horizontal pointer movement taken into slideOffset
    bool dragging = false;  // pointer 0 held on the level select
    int32_t customisePage = 0;
    int32_t startLevel = 0;
    int32_t startFade = 0;

    ScreenFade mainMenuFade, modeSelectFade, endFade, levelSelectFade, challengeFade, statsFade, optionsFade,
        customiseFade, creditsFade, helpFade;

    cParticlePool particles;
    std::vector<ImageRect*> heartImages;
    std::vector<ImageRect*> confettiImages;
    std::vector<ImageRect*> flowerImages;
    ImageRect* flashImage = nullptr;
    cDbgPage* debugPage = nullptr;

    // What the front end uses of the game (taken from the game when there is one), and how
    // a chosen level is handed on (the comic state for level 0, the level state otherwise).
    cSaveData* saveData = nullptr;
    const cFont* systemFont = nullptr;
    cSound* buttonSound = nullptr;
    std::function<void(int32_t levelNumber)> levelHandOff;
    std::function<void(int32_t track)> playMusicTrack;

private:
    void DeleteControllers();
    void DeleteScreens();
    cSaveData& Save() const;
    mutable cSaveData* ownSave = nullptr;
    // The level page shown, kept within the page controllers.
    int32_t ShownPage() const;
    // One step of the page slide towards targetPage.
    void SlidePage();
    // The swipe of pointer 0 over the level pages.
    void TakePageSwipe();
    // Drops the press that a level button of the shown page holds on pointer 0.
    void DropPagePress();
};

// The web addresses of the other games, for tablets and for phones.
extern const char* const kFrontendTouchUrlMoreGamesTablet;
extern const char* const kFrontendTouchUrlMoreGamesPhone;

// cFrontend: every menu screen between levels (title pages, main menu, mode and level
// selection, level statistics, options, control redefinition, customisation, credits,
// help and the end screen).
//
// The game object makes one when it enters its front-end state and deletes it when it
// leaves that state: constructor (with where the player comes from), LoadScene,
// LoadScreens, then Update and Draw once a frame. The front end owns the "Frontend"
// resource group with its scene set and images, one scene controller per screen scene,
// its own particle pool, and a screen state machine with a stack.
//
// Each screen is a state function (phase, argument) -> int. A screen moves on by pushing
// its successor and fading itself out; once its fade falls below 1 it pops the stack,
// which enters the pushed screen. Choosing a level makes StateStartLevel current; it
// fades to black and hands the level number to the game (level 0 goes to the comic).
//
// The screens are split by concept over FrontendMenus.cpp (title, main menu, mode select,
// end screen), FrontendLevelSelect.cpp (story/bonus, survival/challenge and statistics),
// FrontendOptions.cpp (options and controls), FrontendCustomise.cpp and
// FrontendCredits.cpp (credits and help).
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

class cFrontend
{
public:
    using ScreenFunc = StateMachine<cFrontend>::StateFunc;

    static constexpr int kDigitCount = 10;
    static constexpr int kPartItemCount = 11;   // the default look and ten alternatives
    static constexpr int kPartImageSets = 6;    // hair, jumper, cup, base, handle, trail
    static constexpr int kCustomisePageCount = 5;
    static constexpr int kLevelPageCount = 4;
    static constexpr int kLevelsPerPage = 10;
    static constexpr int kChallengeSlots = 5;
    static constexpr int kControlCount = 6;
    static constexpr int kScreenFadeStep = 55;
    static constexpr int kStartLevelFadeStep = 20;
    static constexpr int kStartLevelFadeEnd = 270;

    // The customisation image sets, in load order.
    enum PartImages
    {
        kHairImages = 0,
        kBodyImages = 1,
        kCupImages = 2,
        kBaseImages = 3,
        kHandleImages = 4,
        kTrailImages = 5,
    };

    // entry: 1 coming back from a level (main menu with its intro shown), 2 after the
    // last level of a mode (end screen), anything else the title pages. Loads nothing.
    explicit cFrontend(int32_t entry);
    cFrontend(const cFrontend&) = delete;
    cFrontend& operator=(const cFrontend&) = delete;
    ~cFrontend();

    // The "Frontend" group: the scene set, the icons, digits, burst images, the hair scene
    // controllers and the customisation images; the atlas is built and uploaded once.
    void LoadScene();
    // The particle pool and one controller per screen scene, placed at the screen centre.
    void LoadScreens();
    void Update();
    void Draw();

    // --- screens (phase 0 enter, 1 leave request, 2 update, 3 draw) ---------------------
    int32_t StateTitle(int32_t phase, int32_t arg);
    int32_t StateMainMenu(int32_t phase, int32_t arg);
    int32_t StateModeSelect(int32_t phase, int32_t arg);
    int32_t StateEnd(int32_t phase, int32_t arg);
    int32_t StateLevelSelect(int32_t phase, int32_t arg);
    int32_t StateChallengeSelect(int32_t phase, int32_t arg);
    int32_t StateLevelStats(int32_t phase, int32_t arg);
    int32_t StateOptions(int32_t phase, int32_t arg);
    int32_t StateControls(int32_t phase, int32_t arg);
    int32_t StateRedefineControls(int32_t phase, int32_t arg);
    int32_t StateRedefineConfirm(int32_t phase, int32_t arg);
    int32_t StateCustomise(int32_t phase, int32_t arg);
    int32_t StateCredits(int32_t phase, int32_t arg);
    int32_t StateHelp(int32_t phase, int32_t arg);
    int32_t StateStartLevel(int32_t phase, int32_t arg);

    // --- level selection ------------------------------------------------------------------
    void SetupLevelButtons();
    void DrawLevelSelectLayout();
    void DrawLevelButtonMarks(int32_t pageIndex, int32_t slot);
    void SetupChallengeButtons();
    void DrawChallengeLayout(int32_t alpha);
    void DrawSurvivalButtonMarks(int32_t pageIndex, int32_t slot);
    void DrawLevelStats();
    // What the statistics screen shows for the current mode.
    struct LevelStatsFigures
    {
        int32_t sugarLevels = 0;
        int32_t stickers = 0;
        int32_t perfectLevels = 0;
        int32_t levelCount = 0;
        std::string perfectTime; // hours:minutes:seconds.hundredths
    };
    LevelStatsFigures GetLevelStatsFigures() const;

    // --- customisation --------------------------------------------------------------------
    void ShowCustomisePage(int32_t customPage);
    void RefreshCustomisePreview();
    // The look value of a page (0 hair, 1 body, 2 cup, 3 base, 4 trail), clamped to 0..10.
    int32_t GetPageLookValue(int32_t customPage) const;
    // The save record whose sticker unlocks item 1..10 of a page.
    static int32_t StickerRecordForItem(int32_t customPage, int32_t item);

    // --- effects and helpers ----------------------------------------------------------------
    void SpawnHeartBurst(float x, float y);
    void SpawnConfettiBurst(float x, float y);
    void SpawnFallingFlower();
    void DrawMainMenuScene();
    // Marks the 40 story levels completed with their stickers (a debug action; not saved).
    void OpenAllLevels();
    // Draws scrBackground at the current colour.
    void DrawBackground();
    // Plays the game's button sound on voice 0 when that voice is free.
    void PlayButtonSound();
    // Pushes the next screen and starts the fade-out. A screen that is already leaving
    // keeps the screen it chose first, so that the stack never collects stale entries.
    void LeaveTo(ScreenFunc next, int32_t arg, bool& leaving);

    // Key groups of the menus (pressed this frame, not held).
    static bool PressedBack();
    static bool PressedUp();
    static bool PressedDown();
    static bool PressedLeft();
    static bool PressedRight();
    static bool PressedActivate();

    // --- state ------------------------------------------------------------------------------
    StateMachine<cFrontend> screens;
    cGfx2D* gfx2D = nullptr;
    cGfx3D* gfx3D = nullptr;
    cResourceGroup* group = nullptr;
    cGlaSet* sceneSet = nullptr;

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
    cGlaControllerScene* scrOptionsControls = nullptr;
    cGlaControllerScene* scrOptionsRedefineControls = nullptr;
    cGlaControllerScene* scrOptionsRedefineConfirm = nullptr;
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

    int32_t mode = 0;        // 0 story, 1 bonus
    bool challenge = false;  // the survival/challenge select shows the challenge set
    int32_t titlePage = 0;
    int32_t mainMenuFocus = 0;
    int32_t chapterFocus = 0;
    int32_t confettiCountdown = 0;
    int32_t pageCount = kLevelPageCount;
    int32_t levelsPerPage = kLevelsPerPage;
    int32_t page = 0;
    int32_t targetPage = 0;
    float slideOffset = 0.0f;
    float slideSpare = 0.0f;
    int32_t pendingControls[kControlCount] = {70, 71, 68, 69, 72, 79};

    cParticlePool particles;
    std::vector<ImageRect*> heartImages;
    std::vector<ImageRect*> confettiImages;
    std::vector<ImageRect*> flowerImages;
    float zoom = 1.0f;
    ImageRect* flashImage = nullptr;
    cDbgPage* debugPage = nullptr;

    // What the front end uses of the game: its save data, its system font and button
    // sound (taken from the game when there is one), and how a chosen level is handed on
    // (by default the game's comic state for level 0, its level state otherwise).
    cSaveData* saveData = nullptr;
    const cFont* systemFont = nullptr;
    cSound* buttonSound = nullptr;
    std::function<void(int32_t levelNumber)> levelHandOff;
    std::function<void(int32_t track)> playMusicTrack;

private:
    void DeleteControllers();
    // The save data in use; a private default record when there is none.
    cSaveData& Save() const;
    mutable cSaveData* ownSave = nullptr;
};

// The web addresses the menus open (the program then ends).
extern const char* const kFrontendUrlProduct;
extern const char* const kFrontendUrlMoreGames;
extern const char* const kFrontendUrlFacebook;
extern const char* const kFrontendUrlTwitter;

// Installs how the game's front-end and comic states make, step, draw and free the front
// end and the comic pages. Called once at start-up, before the game is created.
void RegisterFrontendParts();

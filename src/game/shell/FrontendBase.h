// cFrontendBase: what both front ends hold and draw.
//
// The 1280 by 720 front end (cFrontend) and the one for tablet and phone screens
// (cFrontendTouch) show the same screens over scene sets that name the same scenes. This
// class keeps what they share: the "Frontend" resource group with its images and one scene
// controller per screen scene, the particle pool and its bursts, the level-select pages,
// the statistics and customisation pages, the fades of the screens, and what the front end
// uses of the game. Everything here draws or sets up a screen; which screen comes next is
// decided by the screens themselves (cFrontendScreens, FrontendScreens.h).
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "KelpoBase/gla/Particles.h"

class cDbgPage;
class cFont;
class cGfx2D;
class cGfx3D;
class cGlaControllerButton;
class cGlaControllerScene;
class cGlaSet;
class cResourceGroup;
class cSaveData;
class cSound;
struct ImageRect;

class cFrontendBase
{
public:
    static constexpr int kDigitCount = 10;
    static constexpr int kPartItemCount = 11;   // the default look and ten alternatives
    static constexpr int kPartImageSets = 6;    // hair, jumper, cup, base, handle, trail
    static constexpr int kCustomisePageCount = 5;
    static constexpr int kLevelPageCount = 4;
    static constexpr int kLevelsPerPage = 10;
    static constexpr int kChallengeSlots = 5;
    static constexpr int kScreenFadeStep = 55;
    static constexpr int kStartLevelFadeStep = 20;
    static constexpr int kStartLevelFadeEnd = 270;
    static constexpr int kCreditsLevel = 40;

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

    cFrontendBase(const cFrontendBase&) = delete;
    cFrontendBase& operator=(const cFrontendBase&) = delete;

    // --- level selection ------------------------------------------------------------------
    // Page count, which level buttons show and are enabled, and the page that opens: the
    // page of the last open level before the first locked one (page 0 when none is locked).
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
    // The digit images the statistics counts are drawn with: the large digits, or the small
    // ones when the large digits are not all there (the smallest touch layout loads none).
    const ImageRect* const* StatsDigits() const;

    // --- customisation --------------------------------------------------------------------
    // The items of a page: enabled by their stickers, the chosen one on, their pictures.
    void ShowCustomisePage(int32_t customPage);
    // The item chosen on the page shown: the other items off, the look value stored in
    // the save data, the preview dressed.
    void ChooseCustomiseItem(int32_t item);
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
    // Draws scrBackground at the current colour.
    void DrawBackground();
    // Plays the game's button sound on voice 0 when that voice is free.
    void PlayButtonSound();

    // --- state ------------------------------------------------------------------------------
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
    int32_t confettiCountdown = 0;
    int32_t pageCount = kLevelPageCount;
    int32_t levelsPerPage = kLevelsPerPage;
    int32_t page = 0;
    int32_t targetPage = 0;
    float slideOffset = 0.0f;
    int32_t customisePage = 0;

    cParticlePool particles;
    std::vector<ImageRect*> heartImages;
    std::vector<ImageRect*> confettiImages;
    std::vector<ImageRect*> flowerImages;
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

protected:
    // Creates the 2D and 3D drawing objects and takes what it uses of the game; loads
    // nothing.
    cFrontendBase();
    // Frees the particles, the screen controllers, then the group with every image and
    // the scene set.
    ~cFrontendBase();

    // One screen's fade: alpha 0..255 and whether it is fading out. Entering a screen
    // resets its pair.
    struct ScreenFade
    {
        bool leaving = false;
        int32_t alpha = 0;
    };

    // --- loading, in the order the front ends follow --------------------------------------
    // The group named "Frontend", found or made, becomes the current group.
    void OpenGroup();
    // An atlas image of the current group, its path normalised first.
    static ImageRect* LoadImage(std::string path);
    // Cube, Sticker, Star and Tick of the folder into the four level-select icons.
    void LoadIcons(const std::string& folder);
    // stem + "0.png" to stem + "9.png".
    static void LoadDigits(ImageRect* (&digits)[kDigitCount], const std::string& stem);
    // The confetti and flower pictures, the hair scenes and the customisation images; then
    // the group's atlas is built and uploaded once. The front end adds no debug page.
    void FinishLoading();
    // A controller over the scene of that name (none when the set lacks it), placed at the
    // screen centre so that scene positions are relative to it.
    cGlaControllerScene* MakeScreen(const std::string& name) const;
    // The particle pool and the screen controllers in their order; the 1280 by 720 front
    // end makes its control screens' controllers in afterOptions. A second call replaces
    // the controllers.
    void MakeScreens(const std::function<void()>& afterOptions = {});
    // The frame's 2D drawing: renderer state kept, 2D begun in opaque white; and its end.
    void BeginDraw();
    void EndDraw();

    // The save data in use; a private default record when there is none.
    cSaveData& Save() const;
    // The level page shown, kept within the page controllers.
    int32_t ShownPage() const;
    // One step of the page slide towards targetPage (a tenth of the screen width a frame).
    void SlidePage();
    // Whether a level of the mode can be chosen: the first of each set, and every level
    // whose predecessor is completed.
    bool LevelOpen(int32_t levelNumber) const;

    // The screens' own counters and fades.
    int32_t titleAlpha = 0;
    int32_t titleHold = 0;
    int32_t startLevel = 0;
    int32_t startFade = 0;
    ScreenFade mainMenuFade, modeSelectFade, endFade, levelSelectFade, challengeFade, statsFade, optionsFade,
        customiseFade, creditsFade, helpFade;

    // On screens narrower than 960 pixels the perfect time under a level button is
    // centred on its marker (the touch front end) instead of starting at it.
    bool centreNarrowPerfectTimes = false;

private:
    void DeleteScreens();
    mutable cSaveData* ownSave = nullptr;
};

// Small helpers of the front end's screen files: fade colours and steps, drawing a screen's
// scene, reading the number that follows an action name's prefix.
namespace frontend
{
constexpr uint32_t kOpaqueWhite = 0xFFFFFFFFu;

// White with the alpha (0..255).
inline uint32_t FadeColour(int32_t alpha)
{
    const uint32_t a = static_cast<uint32_t>(std::clamp(alpha, 0, 255));
    return (a << 24) | 0x00FFFFFFu;
}

// The dark blue of the menus' texts with the alpha (0..255).
inline uint32_t TextColour(int32_t alpha)
{
    const uint32_t a = static_cast<uint32_t>(std::clamp(alpha, 0, 255));
    return (a << 24) | (72u << 16) | (36u << 8) | 23u;
}

inline void FadeIn(int32_t& alpha, int32_t step) { alpha = std::clamp(alpha + step, 0, 255); }

void DrawScene(cGlaControllerScene* scene, cGfx2D& gfx);
void DrawSceneFaded(cGlaControllerScene* scene, cGfx2D& gfx, int32_t alpha);

// Sets a toggle button of the scene without an action message; a missing one is skipped.
void SetToggle(cGlaControllerScene* scene, const std::string& name, bool on);

// The name of a customisation tab or item toggle: "but" and its number.
inline std::string ToggleName(int32_t number) { return "but" + std::to_string(number); }

// The level button of a slot of a level page ("GameObj000" to "GameObj009"); null when the
// page lacks it.
cGlaControllerButton* SlotButton(cGlaControllerScene* scene, int32_t slot);

// True when name begins with prefix; number is then the decimal digits that follow (0 when
// there are none). False for a number with too many digits to be meaningful.
bool NumberAfter(const std::string& name, const std::string& prefix, int32_t& number);
} // namespace frontend

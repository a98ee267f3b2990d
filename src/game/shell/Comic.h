// cComic: the opening comic, played before the first story level.
//
// The game's comic state makes it (constructor, LoadComic, SetUpComic), updates and draws
// it once a frame and deletes it on leaving. The comic plays its "Full" scene by itself for
// up to 500 frames; Return, Space, the player's jump control or the skip menu's "actBack"
// skip to its end; then the short "LevelExit" scene plays for 33 frames and the game is
// told to start level 0. A small "zzz" particle effect rises from the pages meanwhile.
// A comic whose scene file is damaged is not made at all (its file is named on stderr),
// and the game starts level 0 at once instead of showing 8 seconds of black pages.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "KelpoBase/core/StateMachine.h"
#include "KelpoBase/gla/Particles.h"

class cGfx2D;
class cGlaControllerScene;
class cGlaSet;
class cResourceGroup;
class cSaveData;
struct ImageRect;

class cComic
{
public:
    static constexpr int32_t kPagesFrames = 500;
    static constexpr int32_t kExitFrames = 32;
    static constexpr int32_t kSkipFrame = 190;
    static constexpr int32_t kZzzInterval = 80;
    static constexpr const char* kSceneFile = "res/comic/comic.cgla";

    // The argument is kept and not used.
    explicit cComic(int32_t arg);
    cComic(const cComic&) = delete;
    cComic& operator=(const cComic&) = delete;
    ~cComic();

    // The "Comic" group: the scene set and the "zzz" image, packed and uploaded. False, with
    // the file named on stderr, when the comic's scene file is there but damaged: the game
    // can run without the comic and goes on as if it had been skipped.
    bool LoadComic();
    // The particle pool, the controllers (pages, exit, skip menu) and the pages state.
    void SetUpComic();
    void UpdateComic();
    void DrawComic();

    int32_t StatePages(int32_t phase, int32_t arg);

    // The skip menu's scene for a screen width.
    static const char* SkipMenuSceneName(int32_t screenWidth);
    // The scale the pages are drawn with at a screen size.
    static void PageScale(int32_t width, int32_t height, float& sx, float& sy);
    // The pages state's sub-state (0 idle, 1 pages, 2 exit), frame count and leaving flag.
    static int32_t GetSubState();
    static int32_t GetCount();

    int32_t argument = 0;
    int32_t frameCounter = 0;
    StateMachine<cComic> stateMachine;
    cGfx2D* gfx = nullptr;
    cResourceGroup* group = nullptr;
    cGlaSet* sceneSet = nullptr;
    cGlaControllerScene* fullScene = nullptr;
    cGlaControllerScene* exitScene = nullptr;
    cGlaControllerScene* skipMenu = nullptr;
    cParticlePool particles;
    std::vector<ImageRect*> effectImages;

    // The save data whose jump control skips (the game's when there is one), and how
    // level 0 is started (by default the game's level state).
    cSaveData* saveData = nullptr;
    std::function<void(int32_t levelNumber)> levelHandOff;

private:
    void Skip();
    void SpawnZzz();
};

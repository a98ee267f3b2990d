// cMainGame: the game as the platform's main loop drives it.
//
// Created once at start-up (into gGame, and into its own singleton gMainGame before
// anything else can need it), updated and drawn once a frame, asked to save at shutdown
// and told when the window loses the focus. It owns the top-level state machine (splash,
// front end, comic, a short fade, a running level), the object the current state needs,
// the save data "Data.sav", the "Global" resources (loading images, system font, button
// sound, music) and the five music tracks.
//
// Every switch of the top-level state is a request: a setter writes the pending state and
// its argument, and the next Update enters it (no state ever refuses to be left). Each
// state creates its object when it is entered and deletes it when it is left, so at most
// one of splash, front end, comic and level exists at a time.
//
// The front end, the comic and the running level are built in their own parts of the
// game. Each registers how its object is made, stepped, drawn and freed (MainGameParts);
// until then its state clears the screen and does nothing else, and the comic's state
// hands straight on to level 0.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "KelpoBase/core/Array.h"
#include "KelpoBase/core/StateMachine.h"
#include "KelpoBase/platform/KelpoGame.h"
#include "game/shell/SaveData.h"

class cComic;
class cFont;
class cFrontend;
class cGfx2D;
class cLevel;
class cMusic;
class cResourceGroup;
class cSound;
class cSplash;
struct ImageRect;

// How a top-level state makes, steps, draws and frees the object it owns. create takes
// the state's argument (the level number, the front end's "coming from" value, the
// comic's argument) and answers null when it cannot make one.
template <class T>
struct GameStateObjectHooks
{
    std::function<T*(int32_t arg)> create;
    std::function<void(T*)> update;
    std::function<void(T*)> draw;
    std::function<void(T*)> destroy;
};

struct MainGameParts
{
    // The level's create constructs it for the number, starts it and builds its world;
    // destroy tears it down and frees it; update steps the level's own state machine;
    // draw draws its current state.
    GameStateObjectHooks<cLevel> level;
    // The window lost the focus during a level: when the level allows pausing, it marks
    // the pause as the focus's and makes its pause-opening state pending.
    std::function<void(cLevel*)> pauseLevel;
    // The front end's create builds it with the "coming from" value (0 first start, 1 a
    // level was left, 2 a mode was finished), loads its scene and finds its screens.
    GameStateObjectHooks<cFrontend> frontend;
    GameStateObjectHooks<cComic> comic;
};
MainGameParts& GetMainGameParts();

// The level's hooks over cLevel: made for the level number, its own state machine stepped
// and drawn, deleted when left; the focus's pause is recorded unless the level forbids
// pausing. (RegisterMainGame installs them.)
void RegisterLevelParts();

class cMainGame : public cKelpoGame
{
public:
    using StateFunc = StateMachine<cMainGame>::StateFunc;

    static constexpr int kMusicTrackCount = 5;
    static constexpr int kLoadingImageCount = 3;
    static constexpr float kDefaultMusicVolume = 0.8f;
    static constexpr float kDefaultSoundVolume = 1.0f;

    cMainGame();
    // Saves, then frees the draw context and whatever object the current state holds.
    ~cMainGame() override;

    int Update() override;
    void Draw() override;
    void Save() override { SaveGame(); }
    void Pause() override;
    void Resume() override {}

    // The save file: the platform's save folder joined with "Data.sav".
    static std::string SaveFileName();
    // The system font for the screen size: "res/fonts/font_1.bin", or "res/fonts/cour.bin"
    // on a screen 480 wide.
    static const char* SystemFontFile();
    // Writes the save data; false when it could not be written.
    bool SaveGame();
    // Reads the save data and applies its volumes; a missing or damaged file leaves the
    // defaults.
    cSaveData::ReadResult LoadGame();

    // Plays music track 1 to 5 (entry track - 1) when the music volume is above 0 and
    // audio is enabled; other numbers play nothing.
    void PlayMusicTrack(int32_t track);

    // Unlocks every achievement whose condition the save data meets (Achievements.h).
    void CheckAchievements();

    // State requests, applied at the next Update.
    void SetStateFrontend(int32_t from = 0) { SetPendingState(&cMainGame::StateFrontend, from); }
    void SetStateLevel(int32_t levelNumber) { SetPendingState(&cMainGame::StateLevel, levelNumber); }
    void SetStateComic(int32_t arg) { SetPendingState(&cMainGame::StateComic, arg); }
    void SetStateFadeToLevel(int32_t levelNumber) { SetPendingState(&cMainGame::StateFadeToLevel, levelNumber); }
    void SetPendingState(StateFunc state, int32_t arg) { stateMachine.SetPendingState(state, arg); }

    // The top-level states (phase, argument) -> 0.
    int32_t StateSplash(int32_t phase, int32_t arg);
    int32_t StateFrontend(int32_t phase, int32_t arg);
    int32_t StateComic(int32_t phase, int32_t arg);
    int32_t StateFadeToLevel(int32_t phase, int32_t arg);
    int32_t StateLevel(int32_t phase, int32_t arg);

    // The fade's remaining value and target level (kept outside the object).
    static int32_t GetFadeValue();
    static int32_t GetFadeTarget();

    cMusic* menuMusic = nullptr;
    cGfx2D* gfx = nullptr;
    StateMachine<cMainGame> stateMachine;
    cLevel* level = nullptr;
    cFrontend* frontend = nullptr;
    cSplash* splash = nullptr;
    cComic* comic = nullptr;
    // 2 when the save data's flip-screen setting is on, else 0 (kept twice).
    int32_t orientation = 0;
    int32_t appliedOrientation = 0;
    ImageRect* loadingImages[kLoadingImageCount] = {};
    cSound* firstButtonSound = nullptr;
    cSound* buttonSound = nullptr;
    cResourceGroup* globalGroup = nullptr;
    cFont* systemFont = nullptr;
    cSaveData saveData;
    cArray<cMusic*, kMusicTrackCount> musicTracks;

private:
    // Draws the current state over a cleared frame (what Draw does).
    void DrawFrame();
    void LoadGlobalResources();
};

// The game's singleton (null before construction and after destruction).
extern cMainGame* gMainGame;

// Allocates and constructs the game; null when the allocation fails. (The platform's own
// CreateGame makes the game through the factory that RegisterMainGame installs.)
cMainGame* CreateMainGame();

// Everything start-up needs for the game: the game factory, the save data's hooks into the
// platform, the volumes of the save data through the audio manager, the audio manager's
// start-up and shutdown, the image, atlas, font, multi-sprite, sound, music and scene-set
// loaders, the debug screen's factory and the release of every resource group at
// shutdown. Called once before the platform starts.
void RegisterMainGame();

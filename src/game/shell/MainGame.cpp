#include "game/shell/MainGame.h"

#include <new>

#include "KelpoBase/core/TextUtil.h"
#include "KelpoBase/debug/DbgScreen.h"
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/gla/GlaReader.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/DebugScreenHook.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SteamAchievements.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/platform/WinMain.h"
#include "KelpoBase/render/Font.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/Model.h"
#include "KelpoBase/render/Renderer.h"
#include "KelpoBase/render/Resource.h"
#include "KelpoBase/render/SoundResource.h"
#include "KelpoBase/render/VemiScene.h"
#include "game/level/Level.h"
#include "game/level/SurvivalResults.h"
#include "game/shell/Achievements.h"
#include "game/shell/LevelTable.h"
#include "game/shell/Splash.h"
#include "game/shell/StoredDataNotice.h"
#include "host/gameservice/GameService.h"

cMainGame* gMainGame = nullptr;

namespace
{
// The fade into a level keeps its target and value outside the game object.
int32_t gFadeTarget = 0;
int32_t gFadeValue = 0;
constexpr int32_t kFadeStart = 255;
constexpr int32_t kFadeStep = 20;

constexpr uint32_t kOpaqueBlack = 0xFF000000u;

const char* const kLoadingImagePaths[cMainGame::kLoadingImageCount] = {
    "res/frontend/1024_768/Loading/Loading_1.png",
    "res/frontend/1024_768/Loading/Loading_2.png",
    "res/frontend/1024_768/Loading/Loading_3.png",
};
const char* const kMusicTrackNames[cMainGame::kMusicTrackCount] = {
    "track0.mp3", "track1.mp3", "track2.mp3", "track3.mp3", "track4.mp3",
};

// The save data's volumes are the audio manager's; while there is no manager (before
// start-up creates it, or after shutdown) they are kept here so that nothing is lost.
class cAudioManagerVolumes : public cSaveDataVolumes
{
public:
    float GetMusicVolume() override { return gAudioManager != nullptr ? gAudioManager->GetMusicVolume() : music; }
    float GetSoundVolume() override { return gAudioManager != nullptr ? gAudioManager->GetSoundVolume() : sound; }
    void SetMusicVolume(float volume) override
    {
        music = Clamp01(volume);
        if (gAudioManager != nullptr)
            gAudioManager->SetMusicVolume(volume);
    }
    void SetSoundVolume(float volume) override
    {
        sound = Clamp01(volume);
        if (gAudioManager != nullptr)
            gAudioManager->SetSoundVolume(volume);
    }

private:
    static float Clamp01(float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; }
    float music = cMainGame::kDefaultMusicVolume;
    float sound = cMainGame::kDefaultSoundVolume;
};
cAudioManagerVolumes gAudioVolumes;

// Runs a part's hook when it is registered.
template <class T>
void Run(const std::function<void(T*)>& hook, T* object)
{
    if (hook && object != nullptr)
        hook(object);
}

// Starts that go on without the player's save or statistics, or that cannot keep this run's
// progress, say so on standard error; a player who starts the game from a desktop menu never
// sees it and would meet what looks like a new game: they are told once, over the first
// frame, and never again at saves or at exit.
void TellOfStoredDataAtStart(const cSaveData& saveData, const std::string& saveFile)
{
    const std::string text = StoredDataNotice(GameServiceFoundAtStart(), saveData.Found(), saveFile);
    if (!text.empty())
        ShowStartupMessage(text, kStoredDataNoticeTitle);
}

void ReleaseEveryResourceGroup()
{
    for (const auto& entry : GetResourceGroupMap())
        if (entry.second != nullptr)
            entry.second->ReleaseTextures();
    ReleaseAllResourceGroups();
}
} // namespace

MainGameParts& GetMainGameParts()
{
    static MainGameParts parts;
    return parts;
}

// --- construction and destruction ---------------------------------------------------------------

cMainGame::cMainGame()
{
    stateMachine.Init();
    stateMachine.SetOwner(this);
    for (uint32_t i = 0; i < kMusicTrackCount; ++i)
        musicTracks[i] = nullptr;
    gMainGame = this;

    SetFrameRate30();
    CreateDebugScreenAtStartup();

    // The defaults that a save file overrides.
    SetSaveDataVolumes(&gAudioVolumes);
    gAudioVolumes.SetMusicVolume(kDefaultMusicVolume);
    gAudioVolumes.SetSoundVolume(kDefaultSoundVolume);
    LoadGame();

    orientation = saveData.flipScreen ? 2 : 0;
    appliedOrientation = orientation;
    // The stored flip setting takes effect at start-up, not only when the options change it.
    if (orientation != GetOrientation())
        SetOrientation(orientation);

    if (gRenderer != nullptr)
        gRenderer->SetViewportRect(0, 0, GetScreenWidth(), GetScreenHeight());

    LoadGlobalResources();

    // The debug menu writes with the system font once it has a drawing context.
    if (cDbgScreen* screen = GetDbgScreen())
        screen->SetFont(systemFont);
    SetDefaultButtonSounds(firstButtonSound, buttonSound, 1, 1);

    // The splash is entered and stepped once, so that its first image is on the screen
    // before the main loop's first frame.
    SetPendingState(&cMainGame::StateSplash, 0);
    stateMachine.Update();

    gfx = new cGfx2D(gRenderer);
    DrawFrame();
    if (gWinMain != nullptr)
        gWinMain->CallPresent();

    SetFrameRate30();
    gPointerInputEnabled = false;
    TellOfStoredDataAtStart(saveData, SaveFileName());
}

void cMainGame::LoadGlobalResources()
{
    // No loading screen while the game itself loads, and nothing may stop its loads.
    SetProgressCallback(nullptr);
    SetLoadStopped(false);
    globalGroup = SelectResourceGroup("Global");

    for (int i = 0; i < kLoadingImageCount; ++i)
        loadingImages[i] = LoadAtlasImage(kLoadingImagePaths[i]);
    systemFont = ClassCast<cFont>(LoadFont(SystemFontFile()));
    buttonSound = ClassCast<cSound>(LoadSound("res/audio/button_forward.ogg", 0.5f));
    // The menu music and track 1 are two objects for one file.
    menuMusic = ClassCast<cMusic>(LoadMusic(kMusicTrackNames[0]));
    for (uint32_t i = 0; i < kMusicTrackCount; ++i)
        musicTracks[i] = ClassCast<cMusic>(LoadMusic(kMusicTrackNames[i]));

    FinishResourceGroup();
    for (const auto& entry : GetResourceGroupMap())
        if (entry.second != nullptr)
            entry.second->UploadTextures(true);
}

cMainGame::~cMainGame()
{
    SaveGame();

    delete gfx;
    gfx = nullptr;

    MainGameParts& parts = GetMainGameParts();
    if (level != nullptr)
    {
        Run(parts.level.destroy, level);
        level = nullptr;
    }
    if (frontend != nullptr)
    {
        Run(parts.frontend.destroy, frontend);
        frontend = nullptr;
    }
    // The splash and the comic would otherwise outlive the game when it ends in their state.
    if (comic != nullptr)
    {
        Run(parts.comic.destroy, comic);
        comic = nullptr;
    }
    if (splash != nullptr)
    {
        splash->ShutdownSplash();
        delete splash;
        splash = nullptr;
    }
    stateMachine.FreeStack();

    if (gMainGame == this)
        gMainGame = nullptr;
}

cMainGame* CreateMainGame() { return new (std::nothrow) cMainGame(); }

// --- frame ------------------------------------------------------------------------------------------

int cMainGame::Update()
{
    cDebugScreenBase* debugScreen = GetDebugScreen();
    debugScreen->Update();
    if (debugScreen->HoldsGameUpdate())
        return 0;
    stateMachine.Update();
    return 0;
}

void cMainGame::Draw() { DrawFrame(); }

void cMainGame::DrawFrame()
{
    if (gRenderer != nullptr)
    {
        gRenderer->ResetRenderState();
        gRenderer->SetClearColour(kOpaqueBlack);
        gRenderer->Clear(kClearColour | kClearDepth);
    }
    stateMachine.Draw();
}

void cMainGame::Pause()
{
    if (level != nullptr)
        Run(GetMainGameParts().pauseLevel, level);
}

// --- save data and music ----------------------------------------------------------------------

std::string cMainGame::SaveFileName() { return JoinPath(GetSaveFolder(), "Data.sav"); }

const char* cMainGame::SystemFontFile()
{
    return GetScreenWidth() == 480 ? "res/fonts/cour.bin" : "res/fonts/font_1.bin";
}

bool cMainGame::SaveGame() { return saveData.Write(SaveFileName()); }

cSaveData::ReadResult cMainGame::LoadGame() { return saveData.Read(SaveFileName(), true); }

void cMainGame::PlayMusicTrack(int32_t track)
{
    if (GetSaveDataVolumes().GetMusicVolume() <= 0.0f)
        return;
    // Only the five tracks exist; any other number plays nothing.
    if (track < 1 || track > kMusicTrackCount)
        return;
    cMusic* music = musicTracks[static_cast<uint32_t>(track - 1)];
    if (music != nullptr && IsAudioEnabled())
        music->Play();
}

// --- states -----------------------------------------------------------------------------------

int32_t cMainGame::StateSplash(int32_t phase, int32_t arg)
{
    (void)arg;
    switch (phase)
    {
    case kStateEnter:
        splash = new cSplash();
        splash->LoadSplash();
        break;
    case kStateLeave:
        if (splash != nullptr)
        {
            splash->ShutdownSplash();
            delete splash;
            splash = nullptr;
        }
        break;
    case kStateUpdate:
        if (splash != nullptr)
            splash->UpdateSplashFade();
        break;
    case kStateDraw:
        if (splash != nullptr)
            splash->DrawSplash();
        break;
    default:
        break;
    }
    return 0;
}

int32_t cMainGame::StateFrontend(int32_t phase, int32_t arg)
{
    const GameStateObjectHooks<cFrontend>& hooks = GetMainGameParts().frontend;
    switch (phase)
    {
    case kStateEnter:
        frontend = hooks.create ? hooks.create(arg) : nullptr;
        if (menuMusic != nullptr && GetSaveDataVolumes().GetMusicVolume() > 0.0f)
            PlayMusicIfEnabled(menuMusic);
        break;
    case kStateLeave:
        Run(hooks.destroy, frontend);
        frontend = nullptr;
        break;
    case kStateUpdate:
        Run(hooks.update, frontend);
        break;
    case kStateDraw:
        Run(hooks.draw, frontend);
        break;
    default:
        break;
    }
    return 0;
}

int32_t cMainGame::StateComic(int32_t phase, int32_t arg)
{
    const GameStateObjectHooks<cComic>& hooks = GetMainGameParts().comic;
    switch (phase)
    {
    case kStateEnter:
        comic = hooks.create ? hooks.create(arg) : nullptr;
        // Without comic pages the first story level starts at once.
        if (comic == nullptr)
            SetStateLevel(0);
        break;
    case kStateLeave:
        Run(hooks.destroy, comic);
        comic = nullptr;
        break;
    case kStateUpdate:
        Run(hooks.update, comic);
        break;
    case kStateDraw:
        Run(hooks.draw, comic);
        break;
    default:
        break;
    }
    return 0;
}

int32_t cMainGame::StateFadeToLevel(int32_t phase, int32_t arg)
{
    switch (phase)
    {
    case kStateEnter:
        gFadeTarget = arg;
        gFadeValue = kFadeStart;
        break;
    case kStateUpdate:
        gFadeValue -= kFadeStep;
        if (gFadeValue < 1)
            SetStateLevel(gFadeTarget);
        break;
    case kStateDraw:
        // The frame was cleared before the state draws; the screen stays black.
        break;
    default:
        break;
    }
    return 0;
}

int32_t cMainGame::StateLevel(int32_t phase, int32_t arg)
{
    const GameStateObjectHooks<cLevel>& hooks = GetMainGameParts().level;
    switch (phase)
    {
    case kStateEnter:
        level = hooks.create ? hooks.create(arg) : nullptr;
        break;
    case kStateLeave:
        Run(hooks.destroy, level);
        level = nullptr;
        break;
    case kStateUpdate:
        Run(hooks.update, level);
        break;
    case kStateDraw:
        Run(hooks.draw, level);
        break;
    default:
        break;
    }
    return 0;
}

int32_t cMainGame::GetFadeValue() { return gFadeValue; }
int32_t cMainGame::GetFadeTarget() { return gFadeTarget; }

// --- start-up wiring --------------------------------------------------------------------------

// The game's side of a running level: the level table, the save data's look, progress
// and feats, music, achievements, leaderboards, saving and the loading screen.
class cMainGameLevelHost : public cLevelHost
{
public:
    std::string LevelFileName(int32_t index) override { return GetLevelRecord(index).fileName; }
    int32_t LevelMusicTrack(int32_t index) override { return GetLevelRecord(index).musicTrack; }
    void PlayMusicTrack(int32_t track) override
    {
        if (gMainGame != nullptr)
            gMainGame->PlayMusicTrack(track);
    }
    int32_t LookValue(int32_t which) override
    {
        if (gMainGame == nullptr)
            return 0;
        static const int kLooks[5] = {cSaveData::kLookHair, cSaveData::kLookBody, cSaveData::kLookBase,
                                      cSaveData::kLookCup, cSaveData::kLookTrail};
        return which >= 0 && which < 5 ? gMainGame->saveData.look[kLooks[which]] : 0;
    }
    bool GetProgress(int32_t record, LevelProgressRecord& out) override
    {
        if (gMainGame == nullptr || record < 0 || record >= cSaveData::kLevelCount)
            return false;
        const LevelProgress p = gMainGame->saveData.GetLevelProgress(record);
        out.completed = p.completed;
        out.bestScore = p.bestScore;
        out.allSugar = p.allSugar;
        out.sticker = p.sticker;
        out.perfect = p.perfect;
        out.bestPerfectTime = uint32_t(p.bestPerfectTime);
        return true;
    }
    void SetProgress(int32_t record, const LevelProgressRecord& in) override
    {
        if (gMainGame == nullptr || record < 0 || record >= cSaveData::kLevelCount)
            return;
        LevelProgress p;
        p.completed = in.completed;
        p.bestScore = in.bestScore;
        p.allSugar = in.allSugar;
        p.sticker = in.sticker;
        p.perfect = in.perfect;
        p.bestPerfectTime = int32_t(in.bestPerfectTime);
        gMainGame->saveData.SetLevelProgress(record, p);
    }
    void SetFeat(int32_t feat) override
    {
        if (gMainGame != nullptr && feat >= 0 && feat < cSaveData::kFeatCount)
            gMainGame->saveData.feats[feat] = true;
    }
    uint32_t SumPerfectTimes(int32_t mode) override
    {
        return gMainGame != nullptr ? uint32_t(::SumPerfectTimes(mode, gMainGame->saveData)) : 0;
    }
    void UploadLeaderboard(const char* board, int32_t score) override { UploadLeaderboardScore(board, score); }
    void CheckAchievements() override
    {
        if (gMainGame != nullptr)
            gMainGame->CheckAchievements();
    }
    void Save() override
    {
        if (gMainGame != nullptr)
            gMainGame->SaveGame();
    }
    void (*LoadingHook())(uint32_t, uint32_t) override { return &DrawLoadingScreen; }
};

// A finished survival run keeps its best sugar count in the level's progress record.
class cMainGameSurvivalHost : public cSurvivalResultsHost
{
public:
    bool GetBestScore(int32_t record, int32_t& best) override
    {
        if (gMainGame == nullptr || record < 0 || record >= cSaveData::kLevelCount)
            return false;
        best = gMainGame->saveData.GetLevelProgress(record).bestScore;
        return true;
    }
    void SetBestScore(int32_t record, int32_t best) override
    {
        if (gMainGame == nullptr || record < 0 || record >= cSaveData::kLevelCount)
            return;
        LevelProgress progress = gMainGame->saveData.GetLevelProgress(record);
        progress.bestScore = best;
        gMainGame->saveData.SetLevelProgress(record, progress);
    }
    void CheckAchievements() override
    {
        if (gMainGame != nullptr)
            gMainGame->CheckAchievements();
    }
    void Save() override
    {
        if (gMainGame != nullptr)
            gMainGame->SaveGame();
    }
};

void RegisterLevelParts()
{
    static cMainGameLevelHost levelHost;
    SetLevelHost(&levelHost);
    static cMainGameSurvivalHost survivalHost;
    SetSurvivalResultsHost(&survivalHost);
    GameStateObjectHooks<cLevel>& hooks = GetMainGameParts().level;
    // A level is made for its number with the saved controls, started and built. A level
    // whose scene is not in the maps file still runs (an empty world the player can pause
    // and leave).
    hooks.create = [](int32_t levelNumber) -> cLevel* {
        auto* level = new cLevel(levelNumber);
        if (gMainGame != nullptr)
            for (int i = 0; i < kControlCount; ++i)
                level->controls[size_t(i)] = gMainGame->saveData.controls[i];
        level->StartLevel();
        level->RestartLevel();
        return level;
    };
    hooks.update = [](cLevel* level) { level->stateMachine.Update(); };
    hooks.draw = [](cLevel* level) { level->stateMachine.Draw(); };
    hooks.destroy = [](cLevel* level) { delete level; };
    // The focus's pause opens the level's pause menu unless the level forbids pausing.
    GetMainGameParts().pauseLevel = [](cLevel* level) { level->RequestPause(); };
    cLevel::RegisterStates();
    cLevel::MenuHooks& menus = cLevel::GetMenuHooks();
    menus.leaveToFrontend = [](int32_t from) {
        if (gMainGame != nullptr)
            gMainGame->SetStateFrontend(from);
    };
    menus.fadeToLevel = [](int32_t number) {
        if (gMainGame != nullptr)
            gMainGame->SetStateFadeToLevel(number);
    };
    menus.getWindowed = []() -> int32_t { return gMainGame != nullptr ? gMainGame->saveData.windowed : 1; };
    menus.setWindowed = [](int32_t windowed) {
        if (gMainGame != nullptr)
            gMainGame->saveData.windowed = windowed;
    };
    menus.setFlipScreen = [](bool flipped) {
        if (gMainGame != nullptr)
            gMainGame->saveData.flipScreen = flipped;
    };
    menus.getMusicVolume = []() { return GetSaveDataVolumes().GetMusicVolume(); };
    menus.getSoundVolume = []() { return GetSaveDataVolumes().GetSoundVolume(); };
    menus.setMusicVolume = [](float volume) { GetSaveDataVolumes().SetMusicVolume(volume); };
    menus.setSoundVolume = [](float volume) { GetSaveDataVolumes().SetSoundVolume(volume); };
}

void RegisterMainGame()
{
    SetGameFactory([]() -> cKelpoGame* { return CreateMainGame(); });
    RegisterLevelParts();
    RegisterSaveDataWithPlatform([]() -> cSaveData* { return gMainGame != nullptr ? &gMainGame->saveData : nullptr; });
    SetSaveDataVolumes(&gAudioVolumes);
    InstallAudioHooks();
    RegisterImageResourceLoaders();
    RegisterSoundLoaders();
    RegisterModelLoaders();
    RegisterVemiSceneLoader();
    RegisterGlaSetLoader();
    RegisterDebugScreen();
    // Every group (the "Global" one lives for the whole run) goes before the renderer and
    // the audio manager that its textures and sounds belong to.
    SystemHooks& hooks = GetSystemHooks();
    if (!hooks.releaseResources)
        hooks.releaseResources = &ReleaseEveryResourceGroup;
}

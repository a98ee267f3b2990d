#include "ScenarioDriver.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/AudioTestSupport.h"
#include "KelpoBase/platform/GLFunctions.h"
#include "KelpoBase/platform/GLWindow.h"
#include "KelpoBase/platform/KelpoGame.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/platform/WinMain.h"
#include "datagen/Canvas.h"
#include "game/level/Level.h"
#include "game/shell/Frontend.h"
#include "game/shell/MainGame.h"
#include "game/shell/SaveData.h"
#include "host/sdl/SdlHost.h"
#include "support/TestSupport.h"

// The program's registrations (src/game/Main.cpp, compiled into the test).
void RegisterProgramParts();

// The real host with a clock that moves only when the main loop waits for its period,
// so that every frame lasts exactly one period and nothing depends on the machine's speed.
class cScenarioHost : public cSdlHost
{
public:
    uint64_t NowNanoseconds() override { return clockNs; }
    void SleepMilliseconds(uint32_t milliseconds) override { clockNs += uint64_t(milliseconds) * 1000000u; }

    // A key event as SDL would deliver it: through the keyboard hook, then to the window.
    void Key(SDL_Keycode code, bool down)
    {
        SDL_Event event;
        std::memset(&event, 0, sizeof event);
        event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.sym = code;
        event.key.keysym.scancode = SDL_GetScancodeFromKey(code);
        TranslateEvent(event);
    }

    // The boxes the program shows (the real host also writes them on stderr, and shows none
    // without a display).
    void MessageBox(const std::string& text, const std::string& caption, MessageBoxIcon icon) override
    {
        boxes.push_back(text);
        titles.push_back(caption);
        cSdlHost::MessageBox(text, caption, icon);
    }
    std::vector<std::string> boxes;
    std::vector<std::string> titles;

private:
    uint64_t clockNs = 1000000000ull;
};

namespace tvtest
{
namespace
{
// Takes the game's place in the main loop for frames whose picture nobody looks at: the
// update reaches the game, the drawing is left out (the loop still presents the target).
class cUndrawnFrames : public cKelpoGame
{
public:
    explicit cUndrawnFrames(cKelpoGame* real) : game(real) {}
    int Update() override { return game->Update(); }
    void Save() override { game->Save(); }
    void Pause() override { game->Pause(); }
    void Resume() override { game->Resume(); }

private:
    cKelpoGame* game;
};

SDL_Keycode KeycodeOf(Key key)
{
    switch (key)
    {
    case Key::Left: return SDLK_LEFT;
    case Key::Right: return SDLK_RIGHT;
    case Key::Up: return SDLK_UP;
    case Key::Down: return SDLK_DOWN;
    case Key::Jump: return SDLK_SPACE;
    case Key::Return: return SDLK_RETURN;
    case Key::Escape: return SDLK_ESCAPE;
    case Key::Restart: return SDLK_F3;
    case Key::TurnWorld: return SDLK_F6;
    case Key::PrintScreen: return SDLK_PRINTSCREEN;
    }
    return SDLK_UNKNOWN;
}
} // namespace

ScenarioDriver::ScenarioDriver() = default;

ScenarioDriver::~ScenarioDriver()
{
    Stop();
    SetGameFactory(nullptr);
    SetAudioDeviceOpener(nullptr);
    GetWinMainHooks() = WinMainHooks{};
    if (host != nullptr)
    {
        SetHost(nullptr);
        delete host;
    }
}

bool ScenarioDriver::Start(const std::string& commandLine)
{
    std::string error;
    if (!LinkSampleTree(error))
    {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    return StartOverOwnTree(commandLine);
}

bool ScenarioDriver::StartOverOwnTree(const std::string& commandLine)
{
    host = new cScenarioHost();
    SetHost(host);
    RegisterProgramParts();
    // Sound plays on a loopback device that mixes one frame's worth after every frame, so
    // that when a sound ends (and with it what the game decides on a free voice, random
    // draws among them) follows the frames, not the machine's clock.
    SetAudioDeviceOpener(OpenLoopbackDevice);
    window = new cWinMain_OGL1();
    started = window->Init(commandLine.c_str());
    if (!started)
    {
        delete window;
        window = nullptr;
    }
    return started;
}

void ScenarioDriver::Stop()
{
    if (window == nullptr)
        return;
    window->Shutdown();
    delete window;
    window = nullptr;
}

const std::vector<std::string>& ScenarioDriver::Boxes() const
{
    static const std::vector<std::string> none;
    return host != nullptr ? host->boxes : none;
}

const std::vector<std::string>& ScenarioDriver::BoxTitles() const
{
    static const std::vector<std::string> none;
    return host != nullptr ? host->titles : none;
}

void ScenarioDriver::Frames(int count) { RunFrames(count, true); }

void ScenarioDriver::UndrawnFrames(int count) { RunFrames(count, false); }

void ScenarioDriver::RunFrames(int count, bool drawn)
{
    if (window == nullptr || gGame == nullptr)
        return;
    cKelpoGame* game = gGame;
    cUndrawnFrames stand(game);
    if (!drawn)
        gGame = &stand;
    for (int i = 0; i < count; ++i)
    {
        window->RunFrame();
        if (gAudioManager != nullptr && gAudioManager->IsEnabled())
            RenderLoopback(gAudioManager->GetDevice(), kLoopbackRate / 30);
        ++framesRun;
    }
    gGame = game;
}

int ScenarioDriver::RunUntil(const std::function<bool()>& condition, int maxFrames, bool drawn)
{
    for (int i = 1; i <= maxFrames && window != nullptr; ++i)
    {
        RunFrames(1, drawn);
        if (condition())
            return i;
    }
    return -1;
}

void ScenarioDriver::SendKey(Key key, bool down)
{
    if (host != nullptr)
        host->Key(KeycodeOf(key), down);
}

void ScenarioDriver::Hold(Key key)
{
    if (std::find(held.begin(), held.end(), key) != held.end())
        return;
    held.push_back(key);
    SendKey(key, true);
}

void ScenarioDriver::Release(Key key)
{
    auto at = std::find(held.begin(), held.end(), key);
    if (at == held.end())
        return;
    held.erase(at);
    SendKey(key, false);
}

void ScenarioDriver::Tap(Key key)
{
    SendKey(key, true);
    RunFrames(1, false);
    SendKey(key, false);
    RunFrames(1, false);
}

void ScenarioDriver::ReleaseAll()
{
    while (!held.empty())
        Release(held.back());
}

cMainGame& ScenarioDriver::Game() const { return *gMainGame; }

bool ScenarioDriver::OnScreen(int32_t (cFrontend::*screen)(int32_t, int32_t)) const
{
    return gMainGame != nullptr && gMainGame->frontend != nullptr && gMainGame->frontend->screens.IsCurrent(screen);
}

bool ScenarioDriver::WaitForScreen(int32_t (cFrontend::*screen)(int32_t, int32_t), int maxFrames)
{
    return RunUntil([this, screen] { return OnScreen(screen); }, maxFrames) >= 0;
}

cLevel* ScenarioDriver::Level() const
{
    return gMainGame != nullptr && gMainGame->stateMachine.IsCurrent(&cMainGame::StateLevel) ? gMainGame->level
                                                                                               : nullptr;
}

bool ScenarioDriver::LevelIn(int32_t (cLevel::*state)(int32_t, int32_t)) const
{
    const cLevel* level = Level();
    return level != nullptr && level->stateMachine.IsCurrent(state);
}

void ScenarioDriver::EnterLevel(int32_t levelNumber)
{
    if (gMainGame != nullptr)
        gMainGame->SetStateLevel(levelNumber);
}

bool ScenarioDriver::WaitForPlay(int maxFrames)
{
    return RunUntil([this] { return LevelIn(&cLevel::StateRunning); }, maxFrames) >= 0;
}

bool ScenarioDriver::StartInLevel(int32_t levelNumber, const std::string& commandLine)
{
    if (!Start(commandLine))
        return false;
    UndrawnFrames(5);
    EnterLevel(levelNumber);
    return WaitForPlay();
}

float ScenarioDriver::PlayerX() const
{
    cVec2f at;
    const cLevel* level = Level();
    return level != nullptr && level->PlayerPosition(at) ? at.x * 32.0f : 0.0f;
}

float ScenarioDriver::PlayerY() const
{
    cVec2f at;
    const cLevel* level = Level();
    return level != nullptr && level->PlayerPosition(at) ? at.y * 32.0f : 0.0f;
}

bool ScenarioDriver::SavedProgress(int level, LevelProgress& out) const
{
    cSaveData save;
    if (save.Read(cMainGame::SaveFileName(), false) != cSaveData::ReadResult::Loaded)
        return false;
    out = save.GetLevelProgress(level);
    return true;
}

std::vector<uint8_t> ScenarioDriver::ReadFrame() const
{
    std::vector<uint8_t> bottomUp(size_t(kWidth) * kHeight * 4u), frame(bottomUp.size());
    if (window == nullptr)
        return frame;
    // After presenting, the off-screen target is bound again and still holds the frame.
    GL().PixelStorei(GL_PACK_ALIGNMENT, 1);
    GL().ReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    const size_t row = size_t(kWidth) * 4u;
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(frame.data() + size_t(y) * row, bottomUp.data() + size_t(kHeight - 1 - y) * row, row);
    return frame;
}

bool ScenarioDriver::SaveFramePng(const std::string& path) const
{
    const std::vector<uint8_t> frame = ReadFrame();
    datagen::Canvas canvas(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
        {
            const size_t at = (size_t(y) * kWidth + size_t(x)) * 4u;
            canvas.Set(x, y, {frame[at], frame[at + 1], frame[at + 2], 255});
        }
    return canvas.SavePng(path);
}

uint32_t PixelAt(const std::vector<uint8_t>& frame, int x, int y)
{
    const size_t at = (size_t(y) * ScenarioDriver::kWidth + size_t(x)) * 4u;
    if (at + 3 >= frame.size())
        return 0;
    return uint32_t(frame[at]) | uint32_t(frame[at + 1]) << 8 | uint32_t(frame[at + 2]) << 16 |
           uint32_t(frame[at + 3]) << 24;
}
} // namespace tvtest

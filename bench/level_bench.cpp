// The game itself on the sample data tree: level loads and level frames.
//
// The real program is started (window object, system services, renderer, audio manager,
// game object) on the scripted host with a real GL context under the offscreen video
// driver, so no display is needed and the main loop's waits only advance a virtual clock.
// The working folder is the build's sample tree (target sample_data).
//
// BM_LevelLoad/N: one load of story level N per iteration, from the frame that asks for the
//   level to the end of the first level frame presented (the level before it is torn down
//   in the same frame; that teardown is reported apart and not timed). Phases, in ms per
//   load: hud (the "Hud" group up to its upload), game (the rest of the level start up to
//   the "Game" group's upload), world (the world build), frame (the first update, draw and
//   present); and by what the loaders did (time inside loaders of that kind, nested loads
//   counted where they run): sound, atlas, scene, font, texture, and finish, upload of the
//   groups.
// BM_LevelFrame/N: frames of the running level of global number N: 1 (the story's second
//   level, keys and movers) and one level of every other template: 0 (basics), 2
//   (dynamics), 3 (joints), 4 (hazards), 200 (the first survival arena), 40 (the credits
//   walk). CPU per frame in ms: main (the main thread), raster (the software rasteriser's
//   threads), audio (the sound threads, counted at the real 30 frames a second, since they
//   run on the wall clock), process; and draws, the GL draw calls per frame (every sprite
//   batch the frame hands to the renderer is one).
// BM_EmptyFrame: a frame that draws nothing: the frame's reset and clear and the present.
//
// Compare figures of one machine and one run; see bench/README.md for the before/after
// table of these and the other benchmarks.
#include <benchmark/benchmark.h>

#include <dirent.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/platform/GLWindow.h"
#include "KelpoBase/platform/KelpoGame.h"
#include "KelpoBase/platform/SteamAchievements.h"
#include "KelpoBase/platform/WinMain.h"
#include "KelpoBase/render/Renderer.h"
#include "KelpoBase/render/RendererServices.h"
#include "KelpoBase/render/Resource.h"
#include "GLCounting.h"
#include "ScriptedGLHost.h"
#include "game/shell/Frontend.h"
#include "game/shell/MainGame.h"

namespace fs = std::filesystem;

namespace
{
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// --- what the loaders did during one load ------------------------------------------------

struct LoadPhases
{
    Clock::time_point createBegin, createEnd, hudUploaded, gameUploaded;
    Clock::time_point destroyBegin, destroyEnd;
    std::map<std::string, double> byKind; // ms inside loaders of a kind, finish, upload
    std::vector<std::pair<std::string, Clock::time_point>> open; // nested loader calls

    void Reset() { *this = LoadPhases(); }
};
LoadPhases gPhases;

void OnTrace(LoadTrace event, const char* what)
{
    const Clock::time_point now = Clock::now();
    switch (event)
    {
    case LoadTrace::LoaderBegin:
        gPhases.open.emplace_back(what, now);
        break;
    case LoadTrace::FinishBegin:
        gPhases.open.emplace_back("finish", now);
        break;
    case LoadTrace::UploadBegin:
        gPhases.open.emplace_back("upload", now);
        break;
    case LoadTrace::LoaderEnd:
    case LoadTrace::FinishEnd:
    case LoadTrace::UploadEnd:
    {
        if (gPhases.open.empty())
            break;
        const auto [kind, begin] = gPhases.open.back();
        gPhases.open.pop_back();
        const double ms = Ms(now - begin);
        gPhases.byKind[kind] += ms;
        // Time of a nested call belongs to it, not to the call around it.
        if (!gPhases.open.empty())
            gPhases.byKind[gPhases.open.back().first] -= ms;
        if (event == LoadTrace::UploadEnd)
        {
            if (std::strcmp(what, "Hud") == 0)
                gPhases.hudUploaded = now;
            else if (std::strcmp(what, "Game") == 0)
                gPhases.gameUploaded = now;
        }
        break;
    }
    }
}

// --- CPU clocks of the process's threads ---------------------------------------------------

double CpuMs(clockid_t clock)
{
    timespec t{};
    clock_gettime(clock, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// CPU time so far by kind of thread: the main thread, the software rasteriser's threads
// ("llvmpipe-N"), and every other thread (sound device, music, SDL).
struct ThreadCpu
{
    double main = 0, raster = 0, other = 0, process = 0;
};

ThreadCpu ReadThreadCpu()
{
    ThreadCpu cpu;
    cpu.process = CpuMs(CLOCK_PROCESS_CPUTIME_ID);
    cpu.main = CpuMs(CLOCK_THREAD_CPUTIME_ID);
    const pid_t self = getpid();
    if (DIR* tasks = opendir("/proc/self/task"))
    {
        while (const dirent* entry = readdir(tasks))
        {
            const pid_t tid = pid_t(std::atoi(entry->d_name));
            if (tid <= 0 || tid == self)
                continue;
            std::ifstream comm("/proc/self/task/" + std::string(entry->d_name) + "/comm");
            std::string name;
            std::getline(comm, name);
            // The CPU clock of another thread of this process.
            const clockid_t clock = clockid_t((~unsigned(tid) << 3) | 6u);
            (name.rfind("llvmpipe", 0) == 0 ? cpu.raster : cpu.other) += CpuMs(clock);
        }
        closedir(tasks);
    }
    return cpu;
}

// --- the game -------------------------------------------------------------------------------

struct Game
{
    std::unique_ptr<cScriptedGLHost> host;
    std::unique_ptr<cWinMain_OGL1> window;
    bool ok = false;
};

Game* gGameRun = nullptr;

void TrimHostLog(cScriptedHost& host)
{
    if (host.log.size() > 4096)
        host.log.clear();
    if (host.sleeps.size() > 4096)
        host.sleeps.clear();
}

bool StartGame()
{
    gGameRun = new Game();
    Game& g = *gGameRun;
    g.host = std::make_unique<cScriptedGLHost>(1280, 720);
    SetHost(g.host.get());
    RegisterGameServiceIntegration();
    RegisterRendererServices();
    RegisterMainGame();
    RegisterFrontendParts();

    // The level's create and destroy, timed around the game's own.
    GameStateObjectHooks<cLevel>& hooks = GetMainGameParts().level;
    auto create = hooks.create;
    auto destroy = hooks.destroy;
    hooks.create = [create](int32_t number) {
        gPhases.createBegin = Clock::now();
        cLevel* level = create(number);
        gPhases.createEnd = Clock::now();
        return level;
    };
    hooks.destroy = [destroy](cLevel* level) {
        gPhases.destroyBegin = Clock::now();
        destroy(level);
        gPhases.destroyEnd = Clock::now();
    };
    SetLoadTraceHook(&OnTrace);

    g.window = std::make_unique<cWinMain_OGL1>();
    g.ok = g.window->Init("") && gMainGame != nullptr;
    return g.ok;
}

void StopGame()
{
    if (gGameRun == nullptr)
        return;
    SetLoadTraceHook(nullptr);
    if (gGameRun->window != nullptr)
        gGameRun->window->Shutdown();
    gGameRun->window.reset();
    SetGameFactory(nullptr);
    SetHost(nullptr);
    gGameRun->host.reset();
    delete gGameRun;
    gGameRun = nullptr;
}

// Asks for the level and runs the frame that leaves the current state and starts it.
void LoadLevel(int32_t number)
{
    gMainGame->SetStateLevel(number);
    gPhases.Reset();
    gGameRun->window->RunFrame();
    TrimHostLog(*gGameRun->host);
}

void BM_LevelLoad(benchmark::State& state)
{
    if (gGameRun == nullptr || !gGameRun->ok)
    {
        state.SkipWithError("the game did not start");
        return;
    }
    const int32_t number = int32_t(state.range(0));
    std::map<std::string, double> sums;
    for (auto _ : state)
    {
        const Clock::time_point begin = Clock::now();
        LoadLevel(number);
        const Clock::time_point end = Clock::now();
        const bool tornDown = gPhases.destroyEnd > gPhases.destroyBegin;
        const double teardown = tornDown ? Ms(gPhases.destroyEnd - gPhases.destroyBegin) : 0.0;
        state.SetIterationTime((Ms(end - begin) - teardown) / 1e3);
        sums["teardown"] += teardown;
        sums["hud"] += Ms(gPhases.hudUploaded - gPhases.createBegin);
        sums["game"] += Ms(gPhases.gameUploaded - gPhases.hudUploaded);
        sums["world"] += Ms(gPhases.createEnd - gPhases.gameUploaded);
        sums["frame"] += Ms(end - gPhases.createEnd);
        for (const auto& [kind, ms] : gPhases.byKind)
            sums[kind] += ms;
    }
    for (const auto& [name, ms] : sums)
        state.counters[name] = benchmark::Counter(ms, benchmark::Counter::kAvgIterations);
}

// Runs frames of the level until its intro has played, so that measured frames run it.
bool EnterRunningLevel(int32_t number)
{
    if (gGameRun == nullptr || !gGameRun->ok)
        return false;
    LoadLevel(number);
    for (int i = 0; i < 120; ++i)
        gGameRun->window->RunFrame();
    TrimHostLog(*gGameRun->host);
    return true;
}

template <class Frame>
void MeasureFrames(benchmark::State& state, Frame frame)
{
    // Counting adds one call and an increment to each GL call: nothing next to a frame.
    tvtest::GLCounting counting;
    const ThreadCpu before = ReadThreadCpu();
    const Clock::time_point begin = Clock::now();
    for (auto _ : state)
    {
        frame();
        if ((state.iterations() & 255) == 0)
            TrimHostLog(*gGameRun->host);
    }
    const double wall = Ms(Clock::now() - begin);
    const ThreadCpu after = ReadThreadCpu();
    const double frames = double(state.iterations());
    state.counters["draws"] = double(counting.Count(eGLFunction::DrawElements)) / frames;
    state.counters["main_ms"] = (after.main - before.main) / frames;
    state.counters["raster_ms"] = (after.raster - before.raster) / frames;
    // The sound threads mix in real time: their share of a frame at 30 a second.
    state.counters["audio_ms"] = wall > 0 ? (after.other - before.other) / wall * (1000.0 / 30.0) : 0.0;
    state.counters["process_ms"] = (after.process - before.process) / frames;
}

void BM_LevelFrame(benchmark::State& state)
{
    if (!EnterRunningLevel(int32_t(state.range(0))))
    {
        state.SkipWithError("the game did not start");
        return;
    }
    MeasureFrames(state, [] { gGameRun->window->RunFrame(); });
}

void BM_EmptyFrame(benchmark::State& state)
{
    if (gGameRun == nullptr || !gGameRun->ok || gRenderer == nullptr)
    {
        state.SkipWithError("the game did not start");
        return;
    }
    MeasureFrames(state, [] {
        gRenderer->ResetRenderState();
        gRenderer->SetClearColour(0xFF000000u);
        gRenderer->Clear(kClearColour | kClearDepth);
        gGameRun->window->Present();
    });
}
} // namespace

BENCHMARK(BM_LevelLoad)->DenseRange(1, 5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LevelFrame)->Arg(1)->Arg(0)->Arg(2)->Arg(3)->Arg(4)->Arg(200)->Arg(40)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EmptyFrame)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("ALSOFT_DRIVERS", "null", 0);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    // A save folder of its own: the benchmark never touches a player's save.
    char pattern[] = "/tmp/tollivan-bench.XXXXXX";
    const char* home = mkdtemp(pattern);
    if (home == nullptr)
        return 2;
    setenv("HOME", home, 1);
    setenv("XDG_DATA_HOME", home, 1);
    if (chdir(TOLLIVAN_SAMPLE_TREE) != 0)
    {
        std::fprintf(stderr, "no sample tree at %s (build the target sample_data)\n", TOLLIVAN_SAMPLE_TREE);
        return 2;
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    int result = 0;
    if (StartGame())
    {
        // The first load of a run is not what a player waits for again and again.
        LoadLevel(5);
        benchmark::RunSpecifiedBenchmarks();
    }
    else
    {
        std::fprintf(stderr, "the game did not start\n");
        result = 1;
    }
    StopGame();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(home, ec);
    return result;
}

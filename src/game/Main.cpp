// The program's entry: installs the SDL host, registers the game and runs the platform
// layer's start-up, main loop and shutdown.
#include <cstdint>
#include <string>
#include <vector>

#include "KelpoBase/platform/SteamAchievements.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/platform/WinMain.h"
#include "KelpoBase/render/RendererServices.h"
#include "game/shell/Frontend.h"
#include "game/shell/MainGame.h"
#include "host/sdl/SdlHost.h"

// Everything the program installs before the platform starts: the game service, the
// renderer (made by the system services once the context exists), the game with its save
// data, audio, resource loaders and debug screen, and the front end and comic pages for
// the game's states. Tests that drive the program frame by frame call it too.
void RegisterProgramParts()
{
    RegisterGameServiceIntegration();
    RegisterRendererServices();
    RegisterMainGame();
    RegisterFrontendParts();
}

// Runs the whole program; after frameLimit frames when it is not 0 (tests), else until the
// window is closed. The exit code is 0 after a normal run, non-zero after a failed
// start-up.
int TollivanMain(int argc, char** argv, uint32_t frameLimit)
{
    // Each argument stays one word of the command line, spaces and all.
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(argv[i]);
    const std::string commandLine = JoinCommandLine(args);

    int result;
    {
        cSdlHost host;
        SetHost(&host);
        RegisterProgramParts();
        result = RunApplication(commandLine.c_str(), frameLimit);
        SetGameFactory(nullptr);
        SetHost(nullptr);
    }
    return result;
}

#ifndef TOLLIVAN_ENTRY_ONLY
int main(int argc, char** argv) { return TollivanMain(argc, argv, 0); }
#endif

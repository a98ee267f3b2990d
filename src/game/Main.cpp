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
        RegisterGameServiceIntegration();
        // The renderer is made by the system services once the context exists.
        RegisterRendererServices();
        // The game, its save data, audio, the resource loaders and the debug screen.
        RegisterMainGame();
        // The front end and the comic pages for the game's states.
        RegisterFrontendParts();
        result = RunApplication(commandLine.c_str(), frameLimit);
        SetGameFactory(nullptr);
        SetHost(nullptr);
    }
    return result;
}

#ifndef TOLLIVAN_ENTRY_ONLY
int main(int argc, char** argv) { return TollivanMain(argc, argv, 0); }
#endif

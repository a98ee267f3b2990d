// A scripted host installed for one test, a window object whose graphics slots only
// record, and a game that records what the loop asks of it.
#pragma once

#include <string>
#include <vector>

#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/KelpoGame.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/platform/WinMain.h"
#include "host/scripted/ScriptedHost.h"

namespace tvtest
{
class cTestWindow : public cWinMain
{
public:
    explicit cTestWindow(cScriptedHost& h) : host(h) {}
    bool SetupGraphics() override
    {
        host.log.emplace_back("setup graphics");
        if (failGraphics)
            host.MessageBox("Can't Create A GL Rendering Context.", "ERROR", MessageBoxIcon::Exclamation);
        return !failGraphics;
    }
    void BindDefaultTarget() override { host.log.emplace_back("bind default"); }
    void Present() override { host.log.emplace_back("present"); }
    void EnterFullscreen() override { host.log.emplace_back("enter fullscreen"); }
    void EnterWindowed() override { host.log.emplace_back("enter windowed"); }

    cScriptedHost& host;
    bool failGraphics = false;
};

class cRecordingGame : public cKelpoGame
{
public:
    explicit cRecordingGame(cScriptedHost& h) : host(h) {}
    ~cRecordingGame() override { host.log.emplace_back("delete game"); }
    int Update() override
    {
        host.log.emplace_back("update");
        if (onUpdate)
            onUpdate();
        return 0;
    }
    void Draw() override
    {
        host.log.emplace_back("draw");
        bool same = true;
        for (uint32_t i = 0; i < KEY_COUNT; ++i)
            same = same && InputKeys[i] == InputKeysPrevious[i];
        previousEqualsCurrentInDraw.push_back(same);
    }
    void Save() override { host.log.emplace_back("save"); }
    void Pause() override { host.log.emplace_back("pause"); }
    void Resume() override { host.log.emplace_back("resume"); }

    cScriptedHost& host;
    std::function<void()> onUpdate;
    std::vector<bool> previousEqualsCurrentInDraw;
};

// Installs the host and a game factory for the test's lifetime.
class cPlatformFixture
{
public:
    cPlatformFixture()
    {
        SetHost(&host);
        SetGameFactory([this]() -> cKelpoGame* {
            game = new cRecordingGame(host);
            return game;
        });
    }
    ~cPlatformFixture()
    {
        if (window.running || window.windowCreated)
            window.Shutdown();
        SetGameFactory(nullptr);
        GetWinMainHooks() = WinMainHooks{};
        SetHost(nullptr);
    }

    bool Start(const char* commandLine = "")
    {
        bool ok = window.Init(commandLine);
        host.log.clear();
        return ok;
    }

    // The entries of the log from the first one named first on.
    std::vector<std::string> LogFrom(const std::string& first) const
    {
        std::vector<std::string> out;
        bool on = false;
        for (const std::string& entry : host.log)
        {
            on = on || entry == first;
            if (on)
                out.push_back(entry);
        }
        return out;
    }

    cScriptedHost host;
    cTestWindow window{host};
    cRecordingGame* game = nullptr;
};
} // namespace tvtest

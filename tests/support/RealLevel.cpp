#include "RealLevel.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "GLTestContext.h"
#include "KelpoBase/gla/GlaReader.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/AudioTestSupport.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/Renderer.h"
#include "KelpoBase/render/RendererOGL.h"
#include "KelpoBase/render/Resource.h"
#include "KelpoBase/render/SoundResource.h"
#include "TestSupport.h"
#include "datagen/SampleScenes.h"
#include "game/level/Level.h"
#include "game/shell/LevelTable.h"

namespace fs = std::filesystem;

namespace tvtest
{
namespace
{
// The level reads "res/..." from the working folder.
fs::path ResFolder() { return fs::current_path() / "res"; }

// res/ holds the test's maps file beside links to everything else of the sample tree.
bool WriteMapsBesideSampleTree(const datagen::SceneFile& maps, std::string& error)
{
    if (!LinkSampleTreeWithout({"maps"}, error))
        return false;
    return maps.Write(ResFolder().string(), (fs::current_path() / "maps.json").string(), &error);
}
} // namespace

datagen::Json& AddLevelScene(datagen::SceneFile& maps, const std::string& name, float width, float height,
                             float playerX, float playerY, datagen::Json props)
{
    datagen::Json& scene = maps.AddScene(name, 1, std::move(props));
    datagen::NeedPlayerRig(scene);
    scene["elements"].push_back(datagen::Rect("boundary", width * 0.5f, height * 0.5f, width, height));
    scene["elements"].push_back(datagen::Rect("player", playerX, playerY, 64, 100));
    return scene;
}

void AddGround(datagen::Json& scene, float x0, float x1, float y)
{
    for (float x = x0; x < x1; x += 512.0f)
        scene["elements"].push_back(datagen::GameObj(
            "", "SceneBit", x + 256.0f, y + 32.0f,
            datagen::Json::array({datagen::Prop("Friction", "float", 0.6f), datagen::Prop("scene", "scene", "bit_ground")})));
}

// The game's side of the level: the scene name (the level table's, or the test's own) and
// the saved look; everything else keeps the quiet defaults.
struct RealLevel::Host : cLevelHost
{
    std::string LevelFileName(int32_t index) override
    {
        return sceneName.empty() ? GetLevelRecord(index).fileName : sceneName;
    }
    int32_t LookValue(int32_t which) override { return which >= 0 && which < 5 ? look[size_t(which)] : 0; }
    std::string sceneName;
    std::array<int32_t, 5> look{};
};

RealLevel::RealLevel(const RealLevelOptions& options) : host(std::make_unique<Host>())
{
    LinkSampleTree(error);
    Start(options, std::string());
}

RealLevel::RealLevel(const datagen::SceneFile& maps, const std::string& sceneName, const RealLevelOptions& options)
    : host(std::make_unique<Host>())
{
    WriteMapsBesideSampleTree(maps, error);
    Start(options, sceneName);
}

void RealLevel::Start(const RealLevelOptions& options, const std::string& sceneName)
{
    SetScreenSize(options.screenWidth, options.screenHeight);
    ResetInputState();
    RegisterImageResourceLoaders();
    RegisterSoundLoaders();
    RegisterGlaSetLoader();
    SetAudioDeviceOpener(OpenLoopbackDevice);
    audio = CreateAudioManager();
    if (error.empty() && !audio->IsEnabled())
        error = "the loopback sound device could not be opened";
    if (options.render)
    {
        if (AcquireGLWindow(options.screenWidth, options.screenHeight, options.screenWidth, options.screenHeight) !=
            nullptr)
        {
            renderer = std::make_unique<cRenderer_OGL_1>();
            gRenderer = renderer.get();
            renderer->ResetRenderState();
        }
        else if (error.empty())
            error = "no GL context";
    }

    host->sceneName = sceneName;
    host->look = options.look;
    SetLevelHost(host.get());
    cLevel::RegisterStates();
    // As the game's level state makes a level: constructed, started, built.
    level = new cLevel(options.levelNumber);
    const bool found = level->StartLevel();
    if (!found && error.empty())
        error = "the level scene is not in the maps file";
    level->RestartLevel();
}

RealLevel::~RealLevel()
{
    delete level;
    level = nullptr;
    SetLevelHost(nullptr);
    ReleaseAllResourceGroups();
    if (gRenderer == renderer.get())
        gRenderer = nullptr;
    renderer.reset();
    DeleteAudioManager();
    SetAudioDeviceOpener(nullptr);
    ResetInputState();
}

void RealLevel::Step(int count, std::initializer_list<uint32_t> held)
{
    const std::set<uint32_t> now(held);
    for (int i = 0; i < count; ++i)
    {
        for (uint32_t code : heldKeys)
            if (now.count(code) == 0)
                KeyUp(code);
        for (uint32_t code : now)
            KeyDown(code);
        heldKeys = now;
        level->stateMachine.Update();
        CopyInputToPrevious();
        Draw();
        ++frames;
    }
}

void RealLevel::Draw()
{
    // As the game draws a frame: the renderer's state reset and the frame cleared to opaque
    // black, then the level's current state.
    if (gRenderer != nullptr)
    {
        gRenderer->ResetRenderState();
        gRenderer->SetClearColour(0xFF000000u);
        gRenderer->Clear(kClearColour | kClearDepth);
    }
    level->stateMachine.Draw();
}

cParticlePool& RealLevel::EffectPool() { return level->particlePoolA; }

cParticlePool& RealLevel::SecondPool() { return level->particlePoolB; }

AudioVoice* RealLevel::Voice(int index) const { return audio != nullptr ? audio->GetVoice(index) : nullptr; }

std::vector<float> RealLevel::Listen(int sampleFrames)
{
    return RenderLoopback(audio != nullptr ? audio->GetDevice() : nullptr, sampleFrames);
}

cGameObj* RealLevel::Object(const std::string& name) { return level->FindObjectByName(name); }

cVec2f RealLevel::Camera() const { return level->cameraPos; }
} // namespace tvtest

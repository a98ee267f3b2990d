#include "game/shell/StartupData.h"

#include <filesystem>
#include <memory>

#include "KelpoBase/core/ResourceFile.h"
#include "KelpoBase/gla/GlaReader.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/platform/KelpoGame.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Font.h"
#include "game/shell/MainGame.h"

namespace
{
enum class Check
{
    Exists,   // found (loose or in the pack)
    Font,     // reads as a font
    SceneFile // reads as a scene file
};

// Where a resource path is looked for, for the message.
std::string WhereLookedFor(const std::string& path)
{
    std::string where = "in " + (std::filesystem::path(GetWorkingFolder()) / path).string();
    if (const PackFile* pack = GetPackFile())
        where += pack->IsOpen() && !pack->GetEntries().empty()
                     ? " and in the pack file " + pack->GetPath()
                     : " (the pack file " + pack->GetPath() + " could not be read)";
    return where;
}

bool Reads(const cResourceFile& file, Check check, const std::string& path)
{
    const uint8_t* bytes = file.GetMemory();
    const size_t size = file.GetMemorySize();
    switch (check)
    {
    case Check::Font:
        return std::unique_ptr<cFont>(cFont::ReadFromMemory(bytes, size)) != nullptr;
    case Check::SceneFile:
    {
        // Read for its structure alone: nothing it names is loaded.
        const cGlaResourceHooks previous = SetGlaResourceHooks(GlaNoResourceHooks());
        std::unique_ptr<cGlaSet> set(
            ParseGlaSetFromMemory(bytes, size, {}, std::filesystem::path(path).parent_path().string() + "/"));
        SetGlaResourceHooks(previous);
        return set != nullptr && !set->scenes.empty();
    }
    case Check::Exists:
        break;
    }
    return true;
}
} // namespace

std::string CheckStartupData()
{
    auto missing = [](const std::string& path)
    {
        return "The game's data file " + path + " is missing: it was looked for " + WhereLookedFor(path) +
               ". Start the game in the folder that holds res/.";
    };
    const std::string font = cMainGame::SystemFontFile();
    const struct
    {
        std::string path;
        Check check;
    } needed[] = {
        {font, Check::Font},
        {std::filesystem::path(font).replace_extension("png").string(), Check::Exists},
        {"res/frontend/frontend.mac.720p.cgla", Check::SceneFile},
        {"res/hud.mac.720p.cgla", Check::Exists},
        {"res/maps/maps.mac.cgla", Check::Exists},
    };
    for (const auto& file : needed)
    {
        if (file.check == Check::Exists)
        {
            if (!ResourceFileExists(file.path))
                return missing(file.path);
            continue;
        }
        cResourceFile stream;
        if (!stream.Open(file.path))
            return missing(file.path);
        if (!Reads(stream, file.check, file.path))
            return "The game's data file " + file.path + " is damaged and cannot be read (looked for " +
                   WhereLookedFor(file.path) + ").";
    }
    return std::string();
}

void RequireStartupData()
{
    SetGameFactory([]() -> cKelpoGame* {
        const std::string problem = CheckStartupData();
        if (!problem.empty())
        {
            RefuseGameStart(problem);
            return nullptr;
        }
        return CreateMainGame();
    });
}

#include "game/shell/StartupData.h"

#include <filesystem>
#include <memory>

#include "KelpoBase/core/ResourceFile.h"
#include "KelpoBase/gla/GlaReader.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/platform/KelpoGame.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Font.h"
#include "KelpoBase/render/ImageDecoders.h"
#include "KelpoBase/render/Resource.h"
#include "KelpoBase/render/Surface.h"
#include "game/shell/MainGame.h"

namespace
{
enum class Check
{
    Font,     // reads as a font
    Picture,  // decodes whole as a picture
    SceneFile // reads whole as a scene file
};

std::string LoosePath(const std::string& path)
{
    return (std::filesystem::path(GetWorkingFolder()) / path).string();
}

bool Reads(const std::string& path, Check check)
{
    if (check == Check::Picture)
        return std::unique_ptr<cSurface>(DecodeImageFile(path, kDecodeBottomUp)) != nullptr;
    cResourceFile file;
    if (!file.Open(path))
        return false;
    const uint8_t* bytes = file.GetMemory();
    const size_t size = file.GetMemorySize();
    if (check == Check::Font)
        return std::unique_ptr<cFont>(cFont::ReadFromMemory(bytes, size)) != nullptr;
    // The reader the game loads with, over every scene; nothing the scenes name is loaded.
    const cGlaResourceHooks previous = SetGlaResourceHooks(GlaNoResourceHooks());
    std::unique_ptr<cGlaSet> set(
        ParseGlaSetFromMemory(bytes, size, {}, std::filesystem::path(path).parent_path().string() + "/"));
    SetGlaResourceHooks(previous);
    return set != nullptr && !set->scenes.empty();
}
} // namespace

std::string DescribeUnreadableDataFile(const std::string& path)
{
    const std::string file = "The game's data file " + path;
    cResourceFile found;
    if (found.OpenStream(path))
        return found.GetMode() == cResourceFile::kPackStream
                   ? file + " is damaged and cannot be read: it was read from the pack file " +
                         GetPackFile()->GetPath() + "."
                   : file + " is damaged and cannot be read: " + LoosePath(path) + ".";
    const PackFile* pack = GetPackFile();
    if (pack != nullptr && pack->IsCutEntry(path))
        return file + " is damaged: it is not in " + LoosePath(path) + ", and the pack file " + pack->GetPath() +
               ", which holds it, is cut short before its end.";
    if (pack != nullptr && !pack->GetDamage().empty())
        return file + " cannot be read: it is not in " + LoosePath(path) + ", and the pack file " + pack->GetPath() +
               ", where it was looked for next, is damaged: " + pack->GetDamage() + ".";
    return file + " is missing: it was looked for in " + LoosePath(path) +
           (pack != nullptr ? " and in the pack file " + pack->GetPath() : std::string()) +
           ". Start the game in the folder that holds res/.";
}

std::string CheckStartupData()
{
    const std::string font = cMainGame::SystemFontFile();
    const struct
    {
        std::string path;
        Check check;
    } needed[] = {
        {font, Check::Font},
        // The font's page, as the font loader names it and the texture loader picks it.
        {ChooseImagePath(ReplaceExtension(font, "png")), Check::Picture},
        {"res/frontend/frontend.mac.720p.cgla", Check::SceneFile},
        {"res/hud.mac.720p.cgla", Check::SceneFile},
        {"res/maps/maps.mac.cgla", Check::SceneFile},
    };
    for (const auto& file : needed)
        if (!Reads(file.path, file.check))
            return DescribeUnreadableDataFile(file.path);
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

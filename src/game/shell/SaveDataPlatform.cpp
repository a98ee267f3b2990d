// The save data's connection to the platform layer, kept apart from the reader so that
// the reader links nothing but the core and the game service.
#include "game/shell/SaveData.h"

#include "KelpoBase/platform/SystemServices.h"

void RegisterSaveDataWithPlatform(std::function<cSaveData*()> liveSaveData)
{
    SystemHooks& hooks = GetSystemHooks();
    hooks.readWindowedSetting = [](const std::string& saveFile) {
        // The game has read (and, when short or damaged, kept) the file already.
        cSaveData temporary;
        temporary.Read(saveFile, false, cSaveData::BadFile::LeaveAlone);
        return static_cast<int>(temporary.windowed);
    };
    hooks.storeWindowedSetting = [live = std::move(liveSaveData)](int setting) {
        if (!live)
            return;
        if (cSaveData* saveData = live())
            saveData->windowed = setting;
    };
}

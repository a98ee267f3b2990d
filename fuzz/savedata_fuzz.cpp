// The save data reader from memory: any bytes parse without fault (a short file gives
// what it holds); whatever record results writes back to bytes that parse whole to the
// same record.
#include "game/shell/SaveData.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    cSaveData record;
    record.ReadFromMemory(data, size, true);
    const std::vector<uint8_t> written = record.Serialise();
    if (written.size() != cSaveData::kFileSizeV3)
        std::abort();
    cSaveData again;
    if (!again.ReadFromMemory(written.data(), written.size(), true) || again.Serialise() != written)
        std::abort();
    return 0;
}

// The save data reader from memory: any bytes either parse whole or leave the record
// untouched; a parsed record writes back to bytes that parse to the same record.
#include "game/shell/SaveData.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    cSaveData record;
    const std::vector<uint8_t> before = record.Serialise();
    if (!record.ReadFromMemory(data, size, true))
    {
        if (record.Serialise() != before)
            std::abort();
        return 0;
    }
    const std::vector<uint8_t> written = record.Serialise();
    if (written.size() != cSaveData::kFileSizeV3)
        std::abort();
    cSaveData again;
    if (!again.ReadFromMemory(written.data(), written.size(), true) || again.Serialise() != written)
        std::abort();
    return 0;
}

// The scene file reader, from bytes in memory: whole-file loads, one-scene loads and
// the scene listing. A file that loads is written back and read again, and must then
// write the very same bytes (the writer mirrors the reader); its JSON form must read back
// into the same set.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/gla/GlaReader.h"
#include "KelpoBase/gla/GlaSet.h"
#include "scene/GlaJson.h"
#include "scene/GlaWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool once = [] {
        SetGlaResourceHooks(GlaNoResourceHooks());
        return true;
    }();
    (void)once;

    std::unique_ptr<cGlaSet> set(ParseGlaSetFromMemory(data, size, {}, "res"));

    std::vector<std::string> names;
    ListGlaSceneNamesFromMemory(data, size, names);
    if (!names.empty())
        std::unique_ptr<cGlaSet> one(LoadGlaSetForSceneFromMemory(data, size, names.back(), "res"));

    if (set)
    {
        std::vector<uint8_t> first, second;
        if (!WriteGlaSet(*set, set->version, first))
            std::abort();
        std::unique_ptr<cGlaSet> again(ParseGlaSetFromMemory(first.data(), first.size(), {}, "res"));
        if (!again || !WriteGlaSet(*again, again->version, second) || first != second)
            std::abort();
        const GlaJson json = GlaSetToJson(*set);
        std::unique_ptr<cGlaSet> fromJson(GlaSetFromJson(json));
        if (!fromJson || GlaSetToJson(*fromJson) != json)
            std::abort();
    }
    return 0;
}

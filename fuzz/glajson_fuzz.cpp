// The JSON form's reader, from any text. A set it builds must show as JSON that reads back
// into a set showing the very same JSON, and the writer must either write it or say why; a
// text it refuses (not JSON, nested too deep, or no scene set) must come with a message of
// one line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "KelpoBase/gla/GlaSet.h"
#include "scene/GlaJson.h"
#include "scene/GlaWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Through the entry cglatool reads with, so that the bound on nesting meets every input.
    std::string error;
    std::unique_ptr<cGlaSet> set(
        GlaSetFromJsonText(std::string_view(reinterpret_cast<const char*>(data), size), "input", &error));
    if (!set)
    {
        if (error.empty() || error.find('\n') != std::string::npos)
            std::abort();
        return 0;
    }
    const GlaJson shown = GlaSetToJson(*set);
    std::unique_ptr<cGlaSet> again(GlaSetFromJson(shown, &error));
    if (!again || GlaSetToJson(*again) != shown)
        std::abort();
    std::vector<uint8_t> bytes;
    error.clear();
    if (set->version > 0 && !WriteGlaSet(*set, set->version, bytes, &error) && error.empty())
        std::abort();
    return 0;
}

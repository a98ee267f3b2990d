// The game service's statistics file from memory: damaged files are refused, accepted
// files write back to text that parses to the same statistics.
#include "host/gameservice/GameServiceFiles.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    GameServiceStats stats;
    if (!ParseGameServiceStats(data, size, stats))
    {
        if (!stats.achievements.empty() || !stats.scores.empty())
            std::abort();
        return 0;
    }
    const std::string text = SerialiseGameServiceStats(stats);
    GameServiceStats again;
    if (!ParseGameServiceStats(reinterpret_cast<const uint8_t*>(text.data()), text.size(), again) ||
        again.achievements != stats.achievements || again.scores != stats.scores)
        std::abort();
    return 0;
}

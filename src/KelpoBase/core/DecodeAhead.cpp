#include "KelpoBase/core/DecodeAhead.h"

#include <sched.h>

unsigned DecodeAheadWorkers(size_t jobs)
{
    unsigned processors = std::thread::hardware_concurrency();
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0)
        processors = unsigned(CPU_COUNT(&allowed));
    const unsigned workers = std::clamp(processors > 1 ? processors - 1 : 1u, 1u, 4u);
    return unsigned(std::min<size_t>(workers, jobs));
}

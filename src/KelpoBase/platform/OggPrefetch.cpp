#include "KelpoBase/platform/OggPrefetch.h"

namespace
{
// Made, taken from and destroyed on the loading thread only; the workers never read it.
cOggPrefetch* gCurrent = nullptr;
} // namespace

cOggPrefetch::cOggPrefetch(std::vector<std::string> paths, unsigned workers)
    : mWork(std::move(paths), &DecodeOggFile, workers), mPrevious(gCurrent)
{
    gCurrent = this;
}

cOggPrefetch::~cOggPrefetch()
{
    if (gCurrent == this)
        gCurrent = mPrevious;
}

cOggPrefetch* cOggPrefetch::Current() { return gCurrent; }

bool TakePrefetchedOgg(const std::string& path, OggPcm& pcm, bool& decoded)
{
    cOggPrefetch* prefetch = cOggPrefetch::Current();
    return prefetch != nullptr && prefetch->Take(path, pcm, decoded);
}

#include "KelpoBase/platform/OggPrefetch.h"

#include <algorithm>
#include <system_error>

namespace
{
// Made, taken from and destroyed on the loading thread only; the workers never read it.
cOggPrefetch* gCurrent = nullptr;
} // namespace

cOggPrefetch::cOggPrefetch(std::vector<std::string> paths, unsigned workers) : mPrevious(gCurrent)
{
    gCurrent = this;
    mEntries.resize(paths.size());
    for (size_t i = 0; i < paths.size(); ++i)
        mEntries[i].path = std::move(paths[i]);
    if (mEntries.empty())
        return;
    if (workers == 0)
    {
        const unsigned processors = std::thread::hardware_concurrency();
        workers = std::clamp(processors > 1 ? processors - 1 : 1u, 1u, 4u);
    }
    workers = unsigned(std::min<size_t>(workers, mEntries.size()));
    try
    {
        for (unsigned i = 0; i < workers; ++i)
            mWorkers.emplace_back(&cOggPrefetch::Work, this);
    }
    catch (const std::system_error&)
    {
        // Fewer workers than asked for still decode every entry; with none at all, the
        // loads decode for themselves.
        if (mWorkers.empty())
        {
            const std::lock_guard<std::mutex> guard(mLock);
            mStopping = true;
        }
    }
}

cOggPrefetch::~cOggPrefetch()
{
    {
        const std::lock_guard<std::mutex> guard(mLock);
        mStopping = true;
    }
    for (std::thread& worker : mWorkers)
        worker.join();
    if (gCurrent == this)
        gCurrent = mPrevious;
}

void cOggPrefetch::Work()
{
    for (;;)
    {
        size_t index;
        {
            const std::lock_guard<std::mutex> guard(mLock);
            if (mStopping || mNext >= mEntries.size())
                return;
            index = mNext++;
        }
        // The path is never written after construction; the result goes in under the lock.
        OggPcm pcm;
        const bool decoded = DecodeOggFile(mEntries[index].path, pcm);
        {
            const std::lock_guard<std::mutex> guard(mLock);
            Entry& entry = mEntries[index];
            entry.pcm = std::move(pcm);
            entry.decoded = decoded;
            entry.done = true;
        }
        mReady.notify_all();
    }
}

bool cOggPrefetch::Take(const std::string& path, OggPcm& pcm, bool& decoded)
{
    std::unique_lock<std::mutex> guard(mLock);
    for (size_t i = 0; i < mEntries.size(); ++i)
    {
        Entry& entry = mEntries[i];
        if (entry.taken || entry.path != path)
            continue;
        // An entry no worker will decode any more is the caller's to decode.
        if (!entry.done && (mStopping || mWorkers.empty()) && i >= mNext)
            return false;
        mReady.wait(guard, [&entry] { return entry.done; });
        pcm = std::move(entry.pcm);
        decoded = entry.decoded;
        entry.taken = true;
        return true;
    }
    return false;
}

cOggPrefetch* cOggPrefetch::Current() { return gCurrent; }

bool TakePrefetchedOgg(const std::string& path, OggPcm& pcm, bool& decoded)
{
    cOggPrefetch* prefetch = cOggPrefetch::Current();
    return prefetch != nullptr && prefetch->Take(path, pcm, decoded);
}

// Ogg Vorbis files decoded ahead of their loads, on worker threads.
//
// A level start loads many short sound effects; decoding them one after another is most
// of its time. A prefetch is given the paths that are about to be loaded and decodes them
// on a few worker threads while the loading thread goes on with other files. A sound's
// load (cSoundBuffer::Load) then takes the samples of its path from the current prefetch,
// waiting for them when they are not ready, and hands them to the sound device itself:
// every call into the device stays on the thread that loads. The outcome is the same as
// decoding at the load: the file is found the same way (loose file, then the pack) and
// the same files fail.
//
// The workers share nothing but the list of paths (read only) and the results, which
// are handed over under the prefetch's lock. Only the thread that made the prefetch may
// take results or destroy it; one prefetch is current at a time (the newest), and
// destroying it stops its workers at the next file, waits for them and drops the results
// that no load took.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "KelpoBase/platform/OggDecode.h"

class cOggPrefetch
{
public:
    // Starts decoding the paths in list order. workers 0 chooses from the processor count
    // (at most 4, leaving one processor to the loading thread).
    explicit cOggPrefetch(std::vector<std::string> paths, unsigned workers = 0);
    cOggPrefetch(const cOggPrefetch&) = delete;
    cOggPrefetch& operator=(const cOggPrefetch&) = delete;
    ~cOggPrefetch();

    // When the path is one of the prefetch's not yet taken: waits for its decoding, moves
    // the samples into pcm, sets decoded to whether decoding succeeded and returns true.
    // False when the prefetch does not have the path (the caller decodes it itself).
    bool Take(const std::string& path, OggPcm& pcm, bool& decoded);

    // The prefetch made last and not yet destroyed, or null.
    static cOggPrefetch* Current();

private:
    struct Entry
    {
        std::string path;
        OggPcm pcm;
        bool decoded = false;
        bool done = false;
        bool taken = false;
    };
    void Work();

    std::vector<Entry> mEntries;
    std::vector<std::thread> mWorkers;
    std::mutex mLock;
    std::condition_variable mReady;
    size_t mNext = 0;      // the next entry a worker claims (under the lock)
    bool mStopping = false; // no further entry is claimed
    cOggPrefetch* mPrevious = nullptr;
};

// Takes the samples of path from the current prefetch (see cOggPrefetch::Take); false when
// there is none or it does not have the path.
bool TakePrefetchedOgg(const std::string& path, OggPcm& pcm, bool& decoded);

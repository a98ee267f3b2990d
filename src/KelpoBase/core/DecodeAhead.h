// Files decoded ahead of their loads, on worker threads.
//
// A level start loads many small files one after another (sound effects, effect
// pictures); decoding them is most of its time. cDecodeAhead is given the paths that are
// about to be loaded and a decoder, and decodes them on a few worker threads while the
// loading thread goes on with other files; the load of a path then takes the result from
// there (waiting for it when it is not ready) instead of decoding itself. The decoder must
// read its file the way the load would (through cResourceFile: loose file, then the pack)
// and touch nothing shared but what is safe from several threads.
//
// The workers share only the list of paths (read only) and the results, handed over under
// the lock. Only the thread that made the object takes results or destroys it; destroying
// it stops the workers at their next file, waits for them and drops what no load took.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

// Worker threads for decoding jobs ahead: one processor is left to the loading thread, at
// most 4, never more than jobs; counted from the processors this process may run on.
unsigned DecodeAheadWorkers(size_t jobs);

template <class Result>
class cDecodeAhead
{
public:
    using Decoder = bool (*)(const std::string& path, Result& out);

    // Starts decoding the paths in list order; workers 0 lets DecodeAheadWorkers choose.
    cDecodeAhead(std::vector<std::string> paths, Decoder decode, unsigned workers = 0) : mDecode(decode)
    {
        mEntries.resize(paths.size());
        for (size_t i = 0; i < paths.size(); ++i)
            mEntries[i].path = std::move(paths[i]);
        if (mEntries.empty() || decode == nullptr)
            return;
        workers = workers == 0 ? DecodeAheadWorkers(mEntries.size()) : unsigned(std::min<size_t>(workers, mEntries.size()));
        try
        {
            for (unsigned i = 0; i < workers; ++i)
                mWorkers.emplace_back(&cDecodeAhead::Work, this);
        }
        catch (const std::system_error&)
        {
            // Fewer workers still decode every entry; with none, the loads decode themselves.
        }
    }
    cDecodeAhead(const cDecodeAhead&) = delete;
    cDecodeAhead& operator=(const cDecodeAhead&) = delete;
    ~cDecodeAhead()
    {
        {
            const std::lock_guard<std::mutex> guard(mLock);
            mStopping = true;
        }
        for (std::thread& worker : mWorkers)
            worker.join();
    }

    // When the path is one of the list not yet taken: waits for its decoding, moves the
    // result out, sets decoded to the decoder's answer and returns true. False when the
    // list does not hold it (any more), and the caller decodes it itself.
    bool Take(const std::string& path, Result& out, bool& decoded)
    {
        std::unique_lock<std::mutex> guard(mLock);
        for (size_t i = 0; i < mEntries.size(); ++i)
        {
            Entry& entry = mEntries[i];
            if (entry.taken || entry.path != path)
                continue;
            // An entry no worker will decode is the caller's.
            if (!entry.done && mWorkers.empty())
                return false;
            mReady.wait(guard, [&entry] { return entry.done; });
            out = std::move(entry.result);
            decoded = entry.decoded;
            entry.taken = true;
            return true;
        }
        return false;
    }

private:
    struct Entry
    {
        std::string path;
        Result result{};
        bool decoded = false;
        bool done = false;
        bool taken = false;
    };

    void Work()
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
            Result result{};
            const bool decoded = mDecode(mEntries[index].path, result);
            {
                const std::lock_guard<std::mutex> guard(mLock);
                Entry& entry = mEntries[index];
                entry.result = std::move(result);
                entry.decoded = decoded;
                entry.done = true;
            }
            mReady.notify_all();
        }
    }

    Decoder mDecode;
    std::vector<Entry> mEntries;
    std::vector<std::thread> mWorkers;
    std::mutex mLock;
    std::condition_variable mReady;
    size_t mNext = 0;       // the next entry a worker claims (under the lock)
    bool mStopping = false; // no further entry is claimed
};

// Ogg Vorbis files decoded ahead of their loads, on worker threads (core/DecodeAhead.h).
//
// A level start hands the effect sounds it is about to load to a prefetch; a sound's load
// (cSoundBuffer::Load) then takes the samples of its path from the current prefetch and
// hands them to the sound device itself, so every call into the device stays on the
// thread that loads. The outcome is the same as decoding at the load: the file is found
// the same way (loose file, then the pack) and the same files fail. One prefetch is
// current at a time (the newest); only the thread that made it uses it.
#pragma once

#include <string>
#include <vector>

#include "KelpoBase/core/DecodeAhead.h"
#include "KelpoBase/platform/OggDecode.h"

class cOggPrefetch
{
public:
    // Starts decoding the paths in list order (workers 0: DecodeAheadWorkers chooses).
    explicit cOggPrefetch(std::vector<std::string> paths, unsigned workers = 0);
    cOggPrefetch(const cOggPrefetch&) = delete;
    cOggPrefetch& operator=(const cOggPrefetch&) = delete;
    ~cOggPrefetch();

    // See cDecodeAhead::Take.
    bool Take(const std::string& path, OggPcm& pcm, bool& decoded) { return mWork.Take(path, pcm, decoded); }

    // The prefetch made last and not yet destroyed, or null.
    static cOggPrefetch* Current();

private:
    cDecodeAhead<OggPcm> mWork;
    cOggPrefetch* mPrevious = nullptr;
};

// Takes the samples of path from the current prefetch; false when there is none or it does
// not have the path.
bool TakePrefetchedOgg(const std::string& path, OggPcm& pcm, bool& decoded);

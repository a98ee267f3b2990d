// The media-control command channel: every command is recorded, then carried out by
// the music player.
#include "host/music/MediaControl.h"

#include <cstddef>
#include <mutex>

#include "host/music/MusicPlayer.h"

namespace
{
struct Recorder
{
    std::mutex lock;
    std::vector<std::string> log;
    std::string openPath;
};

Recorder& Log()
{
    static Recorder recorder;
    return recorder;
}
} // namespace

int MediaSendCommand(const std::string& command)
{
    {
        std::lock_guard<std::mutex> guard(Log().lock);
        std::vector<std::string>& log = Log().log;
        // Only the latest commands are kept: the log must not grow for the whole run.
        if (log.size() >= kMediaCommandLogLimit)
            log.erase(log.begin(), log.begin() + std::ptrdiff_t(log.size() - kMediaCommandLogLimit + 1));
        log.push_back(command);
    }
    return GetMusicPlayer().Command(command);
}

const std::vector<std::string>& MediaCommandLog() { return Log().log; }

void MediaClearCommandLog()
{
    std::lock_guard<std::mutex> guard(Log().lock);
    Log().log.clear();
}

const std::string& MediaOpenPath()
{
    // A stable reference for the caller; refreshed on every call.
    Recorder& r = Log();
    r.openPath = GetMusicPlayer().OpenPath();
    return r.openPath;
}

bool MediaIsPlaying() { return GetMusicPlayer().IsPlaying(); }
bool MediaIsPaused() { return GetMusicPlayer().IsPaused(); }
int MediaVolume() { return GetMusicPlayer().Volume(); }
void MediaShutdown() { GetMusicPlayer().Shutdown(); }

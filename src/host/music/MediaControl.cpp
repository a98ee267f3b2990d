// A command interpreter that keeps the state of one music alias without playing sound.
// It accepts the same commands as the player proper and records every one of them.
#include "host/music/MediaControl.h"

#include <cctype>
#include <cstdlib>
#include <sstream>

namespace
{
struct MediaState
{
    std::vector<std::string> log;
    std::string alias;
    std::string path;
    bool playing = false;
    bool paused = false;
    int volume = 1000;
};

MediaState& State()
{
    static MediaState state;
    return state;
}

void CloseTrack()
{
    MediaState& s = State();
    s.alias.clear();
    s.path.clear();
    s.playing = false;
    s.paused = false;
}

// Splits a command into words; a double-quoted span is one word without its quotes.
std::vector<std::string> Words(const std::string& command)
{
    std::vector<std::string> words;
    std::string word;
    bool quoted = false;
    bool have = false;
    for (char c : command)
    {
        if (c == '"')
        {
            quoted = !quoted;
            have = true;
        }
        else if (c == ' ' && !quoted)
        {
            if (have)
                words.push_back(word);
            word.clear();
            have = false;
        }
        else
        {
            word += c;
            have = true;
        }
    }
    if (have)
        words.push_back(word);
    return words;
}

bool SameAlias(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}
} // namespace

int MediaSendCommand(const std::string& command)
{
    MediaState& s = State();
    s.log.push_back(command);
    const std::vector<std::string> w = Words(command);
    if (w.empty())
        return 1;
    const std::string& verb = w[0];
    if (verb == "open")
    {
        // open <path> type <kind> alias <name>
        if (w.size() < 2)
            return 1;
        std::string alias;
        for (size_t i = 2; i + 1 < w.size(); ++i)
            if (w[i] == "alias")
                alias = w[i + 1];
        if (alias.empty())
            return 1;
        CloseTrack();
        s.alias = alias;
        s.path = w[1];
        return 0;
    }
    if (w.size() < 2 || s.alias.empty() || !SameAlias(w[1], s.alias))
        return 1;
    if (verb == "play")
    {
        s.playing = true;
        s.paused = false;
        return 0;
    }
    if (verb == "pause")
    {
        s.paused = s.playing;
        return 0;
    }
    if (verb == "stop")
    {
        s.playing = false;
        s.paused = false;
        return 0;
    }
    if (verb == "close")
    {
        CloseTrack();
        return 0;
    }
    if (verb == "setaudio")
    {
        // setaudio <alias> volume to <n>
        if (w.size() != 5 || w[2] != "volume" || w[3] != "to")
            return 1;
        char* end = nullptr;
        long v = std::strtol(w[4].c_str(), &end, 10);
        if (end == w[4].c_str() || *end != '\0')
            return 1;
        s.volume = static_cast<int>(v < 0 ? 0 : (v > 1000 ? 1000 : v));
        return 0;
    }
    return 1;
}

const std::vector<std::string>& MediaCommandLog() { return State().log; }
void MediaClearCommandLog() { State().log.clear(); }
const std::string& MediaOpenPath() { return State().path; }
bool MediaIsPlaying() { return State().playing && !State().paused; }
bool MediaIsPaused() { return State().paused; }
int MediaVolume() { return State().volume; }
void MediaShutdown() { CloseTrack(); }

// The music player behind the media-control commands.
//
// It carries out the command strings the music code sends ("open \"<path>\" type
// mpegvideo alias MediaFile", "play MediaFile REPEAT", "pause MediaFile",
// "stop MediaFile", "setaudio MediaFile volume to <0..1000>", "close MediaFile", ...):
// one track at a time, read whole through the resource files (a loose file or a pack
// entry), decoded from memory by mpg123 while it plays, and streamed through a queue of
// buffers on an OpenAL source of its own.
//
// The player has an output device and context of its own, made current only on the
// threads that work on it (thread-local context), so the effects' listener gain and
// context never touch the music. With no device the player still keeps the state of
// its alias and answers the commands; it is silent.
//
// A background thread keeps the queue filled; tests can turn it off and call Update
// themselves between renders of a loopback device.
#pragma once

#include <AL/alc.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Opens the music's own output device. attributes receives the context attributes to
// use (empty for none). The default opens the system's default device.
using MusicDeviceOpener = std::function<ALCdevice*(std::vector<ALCint>& attributes)>;

class cMusicPlayer
{
public:
    cMusicPlayer();
    cMusicPlayer(const cMusicPlayer&) = delete;
    cMusicPlayer& operator=(const cMusicPlayer&) = delete;
    // Closes the track, stops the thread and closes the device.
    ~cMusicPlayer();

    // Carries out one command. 0 on success, a non-zero error code otherwise.
    int Command(const std::string& command);

    // Refills the stream's buffers (also done by the background thread).
    void Update();

    // Closes the track and the device; the next track opens the device again.
    void Shutdown();

    // Replaces the device opener (an empty one restores the default). Takes effect the
    // next time the device is opened.
    void SetDeviceOpener(MusicDeviceOpener opener);
    // Whether a background thread keeps the stream filled (on by default).
    void SetBackgroundUpdates(bool on);

    // State of the alias.
    std::string OpenPath() const;
    std::string Alias() const;
    bool IsPlaying() const; // playing and not paused
    bool IsPaused() const;
    bool IsRepeating() const;
    int Volume() const; // 0..1000
    // Whether the open track was read and decoded (a track that was not stays open,
    // silent).
    bool HasSound() const;
    // The channel count and rate of the open track (0 when none decoded).
    int Channels() const;
    long Rate() const;
    // The music's own device (null until a track needed it, or when none opens).
    ALCdevice* Device() const;

private:
    struct State;
    std::unique_ptr<State> s;
};

// The player the media-control commands go to.
cMusicPlayer& GetMusicPlayer();

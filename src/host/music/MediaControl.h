// The media-control command channel that plays the music. Commands are text in the form
// the music code has always used ("open \"<path>\" type mpegvideo alias MediaFile",
// "play MediaFile REPEAT", "pause MediaFile", "stop MediaFile",
// "setaudio MediaFile volume to <0..1000>", "close MediaFile").
//
// Opening a second track closes the first one. The commands are carried out by the music
// player (host/music/MusicPlayer.h), which decodes MP3 tracks and plays them on an output
// of its own; a track that cannot be read stays open, silent.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Carries out one command. Answers 0 on success, a non-zero error code otherwise (the
// callers do not examine the result).
int MediaSendCommand(const std::string& command);

// The latest commands received (at most kMediaCommandLogLimit, oldest first), for tests
// and diagnostics.
inline constexpr size_t kMediaCommandLogLimit = 64;
const std::vector<std::string>& MediaCommandLog();
void MediaClearCommandLog();

// The path of the open track (empty when none) and its state.
const std::string& MediaOpenPath();
bool MediaIsPlaying();
bool MediaIsPaused();
int MediaVolume();   // 0..1000

// Shuts the player down (closes any open track and its output device).
void MediaShutdown();

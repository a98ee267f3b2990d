// Plays the sample data tree through the whole program, frame by frame, the way a player
// meets it: the program's own start-up, main loop and shutdown over the real SDL host
// (offscreen video driver, GL through EGL under Mesa), with a virtual clock, sound mixed
// on a loopback device one frame's worth at a time, and scripted key presses, so that a
// scenario is a pure function of its frame counts.
//
// The working folder of the test gets a link "res" to the tree the build made
// (<build>/run/res, target sample_data); everything the game writes goes to the test's own
// save folder. Frames run exactly as in the program (update, input copy, draw, present),
// so the pixels read back are the frame a player would see.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class cFrontend;
class cLevel;
class cMainGame;
class cScenarioHost;
class cWinMain;
struct LevelProgress;

namespace tvtest
{
// The keys a scenario presses (the program's default bindings).
enum class Key
{
    Left,
    Right,
    Up,
    Down,
    Jump, // Space
    Return,
    Escape,
    Restart,    // F3
    TurnWorld,  // F6
    PrintScreen
};

class ScenarioDriver
{
public:
    // The frame size at the default screen size.
    static constexpr int kWidth = 1280;
    static constexpr int kHeight = 720;

    ScenarioDriver();
    ~ScenarioDriver(); // shuts the program down (the game saves, as at a normal end)
    ScenarioDriver(const ScenarioDriver&) = delete;
    ScenarioDriver& operator=(const ScenarioDriver&) = delete;

    // Links the sample tree into the working folder and runs the program's start-up;
    // false (with the reason on stderr) when the tree is missing or start-up fails.
    bool Start(const std::string& commandLine = "");
    // The same over the res/ the test has laid out in the working folder itself (for
    // example with LinkSampleTreeWithout and a file of its own).
    bool StartOverOwnTree(const std::string& commandLine = "");

    // Runs frames with the keys as they are held.
    void Frames(int count);
    // The same without drawing them: software rendering costs far more than a game
    // update, and most frames of a long scenario are never looked at. Run a drawn frame
    // before reading pixels back.
    void UndrawnFrames(int count);
    // Runs frames until the condition holds after a frame, at most maxFrames; the number
    // of frames run, or -1 when the condition never held.
    int RunUntil(const std::function<bool()>& condition, int maxFrames, bool drawn = false);

    void Hold(Key key);
    void Release(Key key);
    // Down for one frame, then up for one frame.
    void Tap(Key key);
    void ReleaseAll();

    // The game's own state request that ends a level choice in the front end: straight
    // into that level (level 0 without its comic).
    void EnterLevel(int32_t levelNumber);
    // Runs until the level of that number is in play (its intro over); false when it is
    // not within maxFrames.
    bool WaitForPlay(int maxFrames = 200);
    // Starts the program, lets it run a few frames, enters the level and runs until it is
    // in play; false when start-up fails or play does not begin.
    bool StartInLevel(int32_t levelNumber, const std::string& commandLine = "");

    cMainGame& Game() const;
    // True when the front end shows that screen.
    bool OnScreen(int32_t (cFrontend::*screen)(int32_t, int32_t)) const;
    // Runs until the front end shows that screen; false when it does not within maxFrames.
    bool WaitForScreen(int32_t (cFrontend::*screen)(int32_t, int32_t), int maxFrames = 600);
    // The running level; null outside the level state.
    cLevel* Level() const;
    bool LevelIn(int32_t (cLevel::*state)(int32_t, int32_t)) const;
    // The player's body position in scene pixels (0, 0 without a player).
    float PlayerX() const;
    float PlayerY() const;

    // The progress record of a level in the save file on disk ("Data.sav" in the save
    // folder); false when the file cannot be read.
    bool SavedProgress(int level, LevelProgress& out) const;

    // The last presented frame as RGBA bytes, rows top to bottom, kWidth x kHeight.
    std::vector<uint8_t> ReadFrame() const;
    // Writes the last frame as a PNG (for looking at a scenario by hand).
    bool SaveFramePng(const std::string& path) const;

    int FramesRun() const { return framesRun; }
    // Shuts the program down as at a normal end (the game saves); what the host recorded,
    // such as the boxes, can still be read.
    void Stop();

    // The texts of the message boxes the program has shown, as shown (broken into lines),
    // and their titles.
    const std::vector<std::string>& Boxes() const;
    const std::vector<std::string>& BoxTitles() const;

private:
    void RunFrames(int count, bool drawn);
    void SendKey(::tvtest::Key key, bool down);

    cScenarioHost* host = nullptr;
    cWinMain* window = nullptr;
    bool started = false;
    int framesRun = 0;
    std::vector<::tvtest::Key> held;
};

// Packs one pixel of an RGBA frame (R in the low byte).
uint32_t PixelAt(const std::vector<uint8_t>& frame, int x, int y);
} // namespace tvtest

// cKelpoGame: the game as the platform layer's main loop sees it.
//
// The loop calls Update and Draw once a frame, Pause and Resume when the window loses and
// regains the focus, and Save then the destructor at shutdown. The game itself lives in a
// higher library: it registers a factory (SetGameFactory) that start-up uses to create it
// into gGame.
#pragma once

#include <functional>
#include <string>

class cKelpoGame
{
public:
    cKelpoGame() = default;
    cKelpoGame(const cKelpoGame&) = delete;
    cKelpoGame& operator=(const cKelpoGame&) = delete;
    virtual ~cKelpoGame() = default;

    // One frame's step; the result is ignored. Reading of the input block for the frame is
    // finished on return (the loop copies the block right after).
    virtual int Update() { return 0; }
    // Draws the frame into the bound off-screen target.
    virtual void Draw() {}
    // Writes the save data.
    virtual void Save() {}
    // The window lost / regained the focus.
    virtual void Pause() {}
    virtual void Resume() {}
    // Kept in the interface; the platform never calls it.
    virtual void Reserved() {}
};

// The game the loop drives; null before start-up creates it and after shutdown.
extern cKelpoGame* gGame;

// Makes the game object; start-up calls it once. A null result (or no factory) leaves the
// loop with no game, which it tolerates, unless the factory refused with a reason.
using GameFactory = std::function<cKelpoGame*()>;
void SetGameFactory(GameFactory factory);
cKelpoGame* CreateRegisteredGame();

// A factory that cannot make the game (the data it needs to start is missing or damaged)
// gives its reason here before answering null: start-up then shows it and fails. Cleared
// by each CreateRegisteredGame.
void RefuseGameStart(const std::string& reason);
const std::string& GetGameStartRefusal();

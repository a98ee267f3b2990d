// The platform's fixed set of queries and commands. On this platform most have fixed
// answers or do nothing; the rest read and write the system layer's state (see
// SystemServices.h, Input.h, WinMain.h) or compose start-up, frame and shutdown steps.
//
// The renderer reads the texture-size flag from here: when it is 1 the largest texture
// side is clamped to 2048.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <utility>

#include "KelpoBase/platform/SystemServices.h"

class cPlusPlusNetData;

// --- Fixed answers ------------------------------------------------------------------------

const char* PlatformName();            // "Windows"
int32_t PlatformDeviceKind();          // 13
int32_t PlatformAnswerTwo();           // 2
int32_t PlatformAnswerOne();           // 1
int32_t PlatformFramesPerSecond();     // 30
int32_t PlatformZero();                // 0
int64_t PlatformZero64();              // 0
double PlatformZeroFloat();            // 0.0
bool PlatformFalse();
bool PlatformTrue();
const char* PlatformEmptyText();       // ""
const char* PlatformUserName();        // "NAME" (a placeholder)
const char* PlatformCurrentTrackName(); // a placeholder title (Latin-1 text)

// --- Identity values ----------------------------------------------------------------------

// The renderer texture flag tests (the flag itself: GetRendererTextureFlag).
bool RendererTextureFlagIs2();
bool RendererTextureFlagIs1();
int32_t GetCpuSpeed();
int32_t GetBusSpeed(); // never set: 0

// --- Frame books ----------------------------------------------------------------------------

void AddTriangleCount(uint32_t triangles);
uint32_t GetTriangleCount();
void RequestQuit();

// --- Forwarding entry points -----------------------------------------------------------------

// SystemStart, the audio manager (through the window object's hook), srand(0).
void StartServices(int virtualWidth, int virtualHeight, const char* commandLine);
// Creates the game into gGame through the registered factory.
void CreateGame();
// Deletes the game and clears gGame, then SystemShutdown.
void EndGame();
// The game's Save, then as EndGame.
void SaveAndEndGame();
void GameSave();
// Clears the triangle count, then the game's Draw.
void GameDraw();
// The loop's update half: input frame, the game's Update, frame counter, input copy,
// wheel cleared.
void StepFrame();
// Frame counter, input copy, wheel cleared.
void EndOfFrame();

// --- Packet queue ------------------------------------------------------------------------------

// Copies the bytes into a new read-only stream at the back of the queue.
void QueuePacket(const void* bytes, uint32_t length);
// The front stream, removed from the queue; null when empty.
std::unique_ptr<cPlusPlusNetData> TakePacket();
size_t PacketCount();

// --- Pair queue ----------------------------------------------------------------------------------

void PushPair(int32_t first, int32_t second);
// The oldest pair, removed; (0, 0) when empty.
std::pair<int32_t, int32_t> PopPair();

// --- Social post -----------------------------------------------------------------------------------

struct SocialPost
{
    std::string name;
    std::string link;
    std::string caption;
    std::string description;
    std::string imageSource;
    std::string imageLink;
};
// One JSON object without spaces holding the non-empty members in the order name, href,
// caption, description, media (an array of one image object with src and, when set,
// href). Quotes, backslashes and control characters in the texts are escaped.
std::string BuildSocialPostJson(const SocialPost& post);

// --- Six-integer record ------------------------------------------------------------------------------

void GetSixInts(int32_t out[6]);
// Stores the first five values.
void SetSixInts(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e);

// --- Registered listener and its posts -----------------------------------------------------------------

struct PostRecord
{
    std::u16string first;
    std::u16string second;
    std::string narrow;
    std::u16string third;
    float value = 0.0f;
};

class cPlatformListener
{
public:
    std::list<PostRecord> posts;
    void ClearPosts() { posts.clear(); }
};

// Null in this program; the caller keeps ownership.
void SetPlatformListener(cPlatformListener* listener);
cPlatformListener* GetPlatformListener();
// Appends a post to the listener's list; nothing when no listener is set.
void QueuePost(const char* narrow, const char16_t* first, const char16_t* second, const char16_t* third, float value);

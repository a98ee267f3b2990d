#include "KelpoBase/platform/PlatformInfo.h"

#include "KelpoBase/core/DataStream.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/KelpoGame.h"
#include "KelpoBase/platform/WinMain.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>

namespace
{
std::deque<std::unique_ptr<cPlusPlusNetData>> gPackets;
std::deque<std::pair<int32_t, int32_t>> gPairs;
int32_t gSixInts[6] = {};
cPlatformListener* gListener = nullptr;

void AppendJsonString(std::string& out, const std::string& text)
{
    out += '"';
    for (unsigned char c : text)
    {
        if (c == '"' || c == '\\')
        {
            out += '\\';
            out += static_cast<char>(c);
        }
        else if (c < 0x20)
        {
            char escaped[8];
            std::snprintf(escaped, sizeof(escaped), "\\u%04x", c);
            out += escaped;
        }
        else
            out += static_cast<char>(c);
    }
    out += '"';
}

void AppendMember(std::string& out, bool& first, const char* key, const std::string& value)
{
    if (value.empty())
        return;
    if (!first)
        out += ',';
    first = false;
    out += '"';
    out += key;
    out += "\":";
    AppendJsonString(out, value);
}
} // namespace

// --- Fixed answers ------------------------------------------------------------------------

const char* PlatformName() { return "Windows"; }
int32_t PlatformDeviceKind() { return 13; }
int32_t PlatformAnswerTwo() { return 2; }
int32_t PlatformAnswerOne() { return 1; }
int32_t PlatformFramesPerSecond() { return 30; }
int32_t PlatformZero() { return 0; }
int64_t PlatformZero64() { return 0; }
double PlatformZeroFloat() { return 0.0; }
bool PlatformFalse() { return false; }
bool PlatformTrue() { return true; }
const char* PlatformEmptyText() { return ""; }
const char* PlatformUserName() { return "NAME"; }
const char* PlatformCurrentTrackName() { return "Long Track Name \xFC That Is Long And Is Also Long"; }

// --- Identity values ----------------------------------------------------------------------

bool RendererTextureFlagIs2() { return GetRendererTextureFlag() == 2; }
bool RendererTextureFlagIs1() { return GetRendererTextureFlag() == 1; }
int32_t GetCpuSpeed() { return GetCpuSpeedWord(); }
int32_t GetBusSpeed() { return 0; }

// --- Frame books ----------------------------------------------------------------------------

void AddTriangleCount(uint32_t triangles) { gTriangleCount += triangles; }
uint32_t GetTriangleCount() { return gTriangleCount; }
void RequestQuit() { SetQuitRequested(true); }

// --- Forwarding entry points -----------------------------------------------------------------

void StartServices(int virtualWidth, int virtualHeight, const char* commandLine)
{
    SystemStart(virtualWidth, virtualHeight, commandLine);
    if (const auto& createAudio = GetWinMainHooks().createAudio)
        createAudio();
    std::srand(0);
}

void CreateGame() { gGame = CreateRegisteredGame(); }

void EndGame()
{
    delete gGame;
    gGame = nullptr;
    SystemShutdown();
}

void SaveAndEndGame()
{
    GameSave();
    EndGame();
}

void GameSave()
{
    if (gGame != nullptr)
        gGame->Save();
}

void GameDraw()
{
    gTriangleCount = 0;
    if (gGame != nullptr)
        gGame->Draw();
}

void StepFrame()
{
    UpdateInputFrame();
    if (gGame != nullptr)
        gGame->Update();
    IncrementFrameCounter();
    CopyInputToPrevious();
    gWheelDelta = 0;
}

void EndOfFrame()
{
    IncrementFrameCounter();
    CopyInputToPrevious();
    gWheelDelta = 0;
}

// --- Packet queue ------------------------------------------------------------------------------

void QueuePacket(const void* bytes, uint32_t length)
{
    std::vector<uint8_t> copy(length);
    if (length > 0 && bytes != nullptr)
        std::memcpy(copy.data(), bytes, length);
    gPackets.push_back(std::make_unique<cPlusPlusNetData>(std::move(copy)));
}

std::unique_ptr<cPlusPlusNetData> TakePacket()
{
    if (gPackets.empty())
        return nullptr;
    std::unique_ptr<cPlusPlusNetData> front = std::move(gPackets.front());
    gPackets.pop_front();
    return front;
}

size_t PacketCount() { return gPackets.size(); }

// --- Pair queue ----------------------------------------------------------------------------------

void PushPair(int32_t first, int32_t second) { gPairs.emplace_back(first, second); }

std::pair<int32_t, int32_t> PopPair()
{
    if (gPairs.empty())
        return {0, 0};
    std::pair<int32_t, int32_t> front = gPairs.front();
    gPairs.pop_front();
    return front;
}

// --- Social post -----------------------------------------------------------------------------------

std::string BuildSocialPostJson(const SocialPost& post)
{
    std::string out = "{";
    bool first = true;
    AppendMember(out, first, "name", post.name);
    AppendMember(out, first, "href", post.link);
    AppendMember(out, first, "caption", post.caption);
    AppendMember(out, first, "description", post.description);
    if (!post.imageSource.empty())
    {
        if (!first)
            out += ',';
        first = false;
        out += "\"media\":[{\"type\":\"image\",\"src\":";
        AppendJsonString(out, post.imageSource);
        if (!post.imageLink.empty())
        {
            out += ",\"href\":";
            AppendJsonString(out, post.imageLink);
        }
        out += "}]";
    }
    out += '}';
    return out;
}

// --- Six-integer record ------------------------------------------------------------------------------

void GetSixInts(int32_t out[6])
{
    if (out != nullptr)
        std::memcpy(out, gSixInts, sizeof(gSixInts));
}

void SetSixInts(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e)
{
    gSixInts[0] = a;
    gSixInts[1] = b;
    gSixInts[2] = c;
    gSixInts[3] = d;
    gSixInts[4] = e;
}

// --- Registered listener and its posts -----------------------------------------------------------------

void SetPlatformListener(cPlatformListener* listener) { gListener = listener; }
cPlatformListener* GetPlatformListener() { return gListener; }

void QueuePost(const char* narrow, const char16_t* first, const char16_t* second, const char16_t* third, float value)
{
    if (gListener == nullptr)
        return;
    PostRecord record;
    record.first = first != nullptr ? first : u"";
    record.second = second != nullptr ? second : u"";
    record.narrow = narrow != nullptr ? narrow : "";
    record.third = third != nullptr ? third : u"";
    record.value = value;
    gListener->posts.push_back(std::move(record));
}

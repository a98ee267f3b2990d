#include "datagen/SaveFixture.h"

#include <cstring>

namespace datagen
{
namespace
{
struct Record
{
    bool completed = false;
    int32_t bestScore = 0;
    bool allSugar = false, sticker = false, perfect = false;
    int32_t bestPerfectTime = 9000; // frames
};

void PutU8(std::vector<uint8_t>& out, uint8_t v) { out.push_back(v); }
void PutI32(std::vector<uint8_t>& out, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(uint32_t(v) >> (8 * i)));
}
void PutF32(std::vector<uint8_t>& out, float v)
{
    int32_t bits;
    std::memcpy(&bits, &v, 4);
    PutI32(out, bits);
}
} // namespace

std::vector<uint8_t> BuildSaveFixture(const std::string& preset)
{
    Record records[300];
    if (preset == "mid")
    {
        for (int n = 0; n <= 12; ++n)
            records[n] = {true, 0, n % 2 == 0, n % 3 == 0, false, 9000};
    }
    else if (preset == "all-open")
    {
        auto story = [&](int n)
        {
            Record& r = records[n];
            r.completed = true;
            r.allSugar = true;
            r.sticker = n % 2 == 0 || n <= 4 || n == 50;
            r.perfect = n % 3 == 0;
            if (r.perfect)
                r.bestPerfectTime = 900 + 30 * (n % 50);
        };
        for (int n = 0; n <= 40; ++n)
            story(n);
        for (int n = 50; n <= 59; ++n)
            story(n);
        for (int i = 0; i < 5; ++i)
            records[200 + i] = {true, 7 * (i + 1), false, false, false, 9000};
        for (int i = 0; i < 3; ++i)
            records[250 + i] = {true, 0, true, false, false, 9000};
    }
    else if (preset != "fresh")
        return {};

    std::vector<uint8_t> out;
    PutI32(out, 3);       // version
    PutF32(out, 1.0f);    // music volume
    PutF32(out, 1.0f);    // effects volume
    PutU8(out, 0);        // flip screen
    PutI32(out, preset == "fresh" ? 0 : 1); // flags: the title has been seen
    for (const Record& r : records)
    {
        PutU8(out, r.completed);
        PutI32(out, r.bestScore);
        PutU8(out, r.allSugar);
        PutU8(out, r.sticker);
        PutU8(out, r.perfect);
        PutI32(out, r.bestPerfectTime);
    }
    for (int i = 0; i < 5; ++i)
        PutU8(out, 0); // feat flags
    PutI32(out, 1);    // windowed
    for (int i = 0; i < 5; ++i)
        PutI32(out, 0); // look: base, body, cup, hair, trail
    for (int32_t code : {70, 71, 68, 69, 72, 79})
        PutI32(out, code); // controls: up, down, left, right, jump, pause
    return out;
}
} // namespace datagen

// Save-file fixtures: "Data.sav" (version 3, 3670 bytes, little-endian) in a few states of
// progress, for trying the mode and level selection screens by hand.
//
//   fresh     the defaults: nothing completed
//   mid       story records 0-12 completed (the level selection opens on page 1)
//   all-open  story 0-40 and bonus 50-59 completed with sugar, some stickers and perfect
//             runs with times; survival 200-204 with best scores; challenge 250-252
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace datagen
{
// The file's bytes; empty for an unknown preset name.
std::vector<uint8_t> BuildSaveFixture(const std::string& preset);
} // namespace datagen

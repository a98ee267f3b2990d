// What the painters share: the palette, and each family's list of painters.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "datagen/Art.h"
#include "datagen/Pictures.h"
#include "datagen/Sketch.h"

namespace datagen
{
// Outlines and dark text are a deep navy, never the clear colour's black.
inline constexpr Colour kInk{39, 48, 74, 255};
inline constexpr Colour kWhite{255, 255, 255, 255};
inline constexpr Colour kCream{255, 247, 230, 255};
inline constexpr Colour kShadow{20, 28, 48, 90};

inline constexpr float kTwoPi = 6.2831855f;

// A small fixed sequence of numbers in 0..1, so that every picture is the same each build.
class Dice
{
public:
    explicit Dice(uint32_t seed) : state(seed * 2654435761u + 1u) {}
    float Next()
    {
        state = state * 1664525u + 1013904223u;
        return float(state >> 8) / float(1u << 24);
    }
    float Range(float a, float b) { return a + (b - a) * Next(); }

private:
    uint32_t state;
};

// A clear colour ("#00000000") asks for the painter's own.
inline Colour ColourOr(const PictureDesc& d, Colour fallback)
{
    return d.colour == Colour{0, 0, 0, 0} ? fallback : d.colour;
}

void AddWorldPainters(std::map<std::string, Painter>& out);
void AddCharacterPainters(std::map<std::string, Painter>& out);
void AddScreenPainters(std::map<std::string, Painter>& out);
} // namespace datagen

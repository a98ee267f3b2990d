// An RGBA picture in memory that the data tools draw placeholder art into and save as an
// 8-bit RGBA PNG.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace datagen
{
struct Colour
{
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Colour&) const = default;
};

// "#rrggbb" or "#rrggbbaa"; false for anything else.
bool ParseColour(const std::string& text, Colour& out);

class Canvas
{
public:
    Canvas(int width, int height, Colour fill = {0, 0, 0, 0});

    int Width() const { return width; }
    int Height() const { return height; }
    Colour At(int x, int y) const;
    void Set(int x, int y, Colour c); // ignored outside the picture

    void FillRect(int x, int y, int w, int h, Colour c);
    // A frame of the given thickness along the inside of the rectangle.
    void OutlineRect(int x, int y, int w, int h, int thickness, Colour c);
    // The ellipse inscribed in the rectangle.
    void FillEllipse(int x, int y, int w, int h, Colour c);
    // The diamond (a square turned 45 degrees) inscribed in the rectangle.
    void FillDiamond(int x, int y, int w, int h, Colour c);

    // Text in the built-in glyphs, each glyph pixel drawn as scale x scale pixels; the
    // top-left of the first cell at (x, y). Bytes without a glyph advance like a space.
    void DrawText(const std::string& text, int x, int y, int scale, Colour c);
    // The largest glyph scale (at least 1) at which the text fits the box, and the text
    // drawn centred in the box at that scale.
    void DrawTextCentred(const std::string& text, int x, int y, int w, int h, Colour c);

    // An 8-bit RGBA PNG; false when the file cannot be written, or when the path's last part
    // is a link, which is never followed. The picture is written as a new file that replaces
    // the name whole: a file the name stood for keeps its bytes under any other name it has,
    // and a failure leaves nothing beside the name.
    bool SavePng(const std::string& path) const;
    const std::vector<uint8_t>& Pixels() const { return pixels; }
    std::vector<uint8_t>& Pixels() { return pixels; }

private:
    int width, height;
    std::vector<uint8_t> pixels; // rows top to bottom, 4 bytes a pixel
};

// The pixel size of a text line in the built-in glyphs at a scale.
int TextWidth(const std::string& text, int scale);
int TextHeight(int scale);

// Creates every missing folder of the path's directory part.
bool MakeParentFolders(const std::string& path);
} // namespace datagen

// Placeholder pictures described by one line of text:
//
//   <path> <width> <height> <shape> <colour> [label ...]
//
// shape: "rect" (filled), "frame" (outlined, clear inside), "circle", "diamond", "box" (filled
// with a darker border); colour "#rrggbb" or "#rrggbbaa". The label is drawn centred in
// black or white, whichever stands out. A path may hold one range "{a..b}" (zero-padded
// to the width of a): the line stands for one picture per number, and "{}" in the label
// is replaced by the number. Blank lines and lines starting with '#' are skipped.
#pragma once

#include <string>
#include <vector>

#include "datagen/Canvas.h"

namespace datagen
{
struct PictureDesc
{
    std::string path;
    int width = 0, height = 0;
    std::string shape = "box";
    Colour colour;
    std::string label;
};

// The pictures one line stands for; false (with a message) for a malformed line.
bool ParsePictureLine(const std::string& line, std::vector<PictureDesc>& out, std::string* error);
Canvas DrawPicture(const PictureDesc& desc);
} // namespace datagen

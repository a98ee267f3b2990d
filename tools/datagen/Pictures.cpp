#include "datagen/Pictures.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "datagen/Art.h"

namespace datagen
{
namespace
{
std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}
} // namespace

bool IsKnownShape(const std::string& shape)
{
    for (const char* plain : {"rect", "frame", "circle", "diamond", "box"})
        if (shape == plain)
            return true;
    return FindPainter(shape) != nullptr;
}

bool ParsePictureLine(const std::string& line, std::vector<PictureDesc>& out, std::string* error)
{
    const size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#')
        return true;
    std::istringstream in(line);
    PictureDesc desc;
    std::string colour;
    if (!(in >> desc.path >> desc.width >> desc.height >> desc.shape >> colour) || desc.width <= 0 ||
        desc.height <= 0 || desc.width > 2048 || desc.height > 2048 || !ParseColour(colour, desc.colour) ||
        !IsKnownShape(desc.shape))
    {
        if (error != nullptr)
            *error = "malformed picture line: " + line;
        return false;
    }
    std::getline(in >> std::ws, desc.label);
    while (!desc.label.empty() && (desc.label.back() == '\r' || desc.label.back() == ' '))
        desc.label.pop_back();

    const size_t open = desc.path.find('{'), dots = desc.path.find("..", open), close = desc.path.find('}', open);
    if (open == std::string::npos)
    {
        out.push_back(desc);
        return true;
    }
    if (dots == std::string::npos || close == std::string::npos || dots > close)
    {
        if (error != nullptr)
            *error = "malformed range in: " + line;
        return false;
    }
    const std::string from = desc.path.substr(open + 1, dots - open - 1), to = desc.path.substr(dots + 2, close - dots - 2);
    const bool digits = !from.empty() && !to.empty() && from.find_first_not_of("0123456789") == std::string::npos &&
                        to.find_first_not_of("0123456789") == std::string::npos;
    const int a = std::atoi(from.c_str()), b = std::atoi(to.c_str());
    if (!digits || a > b)
    {
        if (error != nullptr)
            *error = "malformed range in: " + line;
        return false;
    }
    for (int n = a; n <= b; ++n)
    {
        char number[16];
        std::snprintf(number, sizeof number, "%0*d", int(from.size()), n);
        PictureDesc one = desc;
        one.path = desc.path.substr(0, open) + number + desc.path.substr(close + 1);
        one.label = Replace(desc.label, "{}", number);
        one.variant = n;
        out.push_back(one);
    }
    return true;
}

bool ReadPictureList(const std::string& path, std::vector<PictureDesc>& out, std::string* error)
{
    std::ifstream list(path);
    if (!list)
    {
        if (error != nullptr)
            *error = "cannot read " + path;
        return false;
    }
    std::string line, why;
    for (int lineNo = 1; std::getline(list, line); ++lineNo)
        if (!ParsePictureLine(line, out, &why))
        {
            if (error != nullptr)
                *error = path + ":" + std::to_string(lineNo) + ": " + why;
            return false;
        }
    return true;
}

Canvas DrawPicture(const PictureDesc& s)
{
    if (const Painter paint = FindPainter(s.shape))
        return paint(s);
    Canvas canvas(s.width, s.height);
    const Colour c = s.colour;
    const Colour dark{uint8_t(c.r / 2), uint8_t(c.g / 2), uint8_t(c.b / 2), c.a};
    const int border = std::max(1, std::min(s.width, s.height) / 16);
    if (s.shape == "rect")
        canvas.FillRect(0, 0, s.width, s.height, c);
    else if (s.shape == "frame")
        canvas.OutlineRect(0, 0, s.width, s.height, border, c);
    else if (s.shape == "circle")
        canvas.FillEllipse(0, 0, s.width, s.height, c);
    else if (s.shape == "diamond")
        canvas.FillDiamond(0, 0, s.width, s.height, c);
    else
    {
        canvas.FillRect(0, 0, s.width, s.height, c);
        canvas.OutlineRect(0, 0, s.width, s.height, border, dark);
    }
    const bool lightFill = (c.r * 3 + c.g * 6 + c.b) / 10 > 140 || s.shape == "frame";
    const Colour ink = lightFill && s.shape != "frame" ? Colour{0, 0, 0, 255} : Colour{255, 255, 255, 255};
    const int mx = border + std::max(1, s.width / 12), my = border + std::max(1, s.height / 8);
    canvas.DrawTextCentred(s.label, mx, my, s.width - 2 * mx, s.height - 2 * my, ink);
    return canvas;
}
} // namespace datagen

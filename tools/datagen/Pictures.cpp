#include "datagen/Pictures.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <system_error>
#include <utility>
#include <vector>

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

// The two numbers of a range, spelled range in messages: digits only, the first no greater
// than the second, and no more pictures than a range may make, so that a slip such as
// {0..2147483647} is refused before anything is made.
bool ParseRange(const std::string& range, const std::string& from, const std::string& to, int& a, int& b,
                std::string* error)
{
    const auto fail = [&](const std::string& why) {
        if (error != nullptr)
            *error = "range " + range + " " + why;
        return false;
    };
    const auto number = [&](const std::string& text, int& value) {
        if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
            return fail("needs two whole numbers, as in {1..3}");
        if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc())
            return fail("holds " + text + ", too large a number");
        return true;
    };
    if (!number(from, a) || !number(to, b))
        return false;
    if (a > b)
        return fail("runs backwards");
    const int64_t count = int64_t(b) - a + 1;
    if (count > kMaxRangePictures)
        return fail("stands for " + std::to_string(count) + " pictures; a range makes at most " +
                    std::to_string(kMaxRangePictures));
    return true;
}
} // namespace

bool CheckOutputPath(const std::string& path, std::string* error)
{
    const auto fail = [&](const std::string& why) {
        if (error != nullptr)
            *error = "the output path \"" + path + "\" " + why;
        return false;
    };
    if (path.empty())
        return fail("is empty");
    if (path.front() == '/')
        return fail("is absolute; paths are relative to the output folder");
    for (const char c : path)
        if (static_cast<unsigned char>(c) < 0x20)
            return fail("holds a control character");
    for (size_t start = 0; start <= path.size();)
    {
        const size_t end = std::min(path.find('/', start), path.size());
        if (path.compare(start, end - start, "..") == 0)
            return fail("leaves the output folder through \"..\"");
        start = end + 1;
    }
    return true;
}

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
        if (!CheckOutputPath(desc.path, error))
            return false;
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
    int a = 0, b = 0;
    if (!ParseRange(desc.path.substr(open, close - open + 1), from, to, a, b, error))
        return false;
    // Gathered apart, so that out is left as it was when a path is refused. Counted in 64
    // bits: b may be the largest int.
    std::vector<PictureDesc> made;
    for (int64_t i = a; i <= b; ++i)
    {
        const int n = static_cast<int>(i);
        // Zero-padded to the width of the first number, however long that is written.
        std::string number = std::to_string(n);
        if (number.size() < from.size())
            number.insert(0, from.size() - number.size(), '0');
        PictureDesc one = desc;
        one.path = desc.path.substr(0, open) + number + desc.path.substr(close + 1);
        if (!CheckOutputPath(one.path, error))
            return false;
        one.label = Replace(desc.label, "{}", number);
        one.variant = n;
        made.push_back(std::move(one));
    }
    out.insert(out.end(), made.begin(), made.end());
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

namespace
{
namespace fs = std::filesystem;

// The most links one path may pass through, as on Linux; more is taken for a loop.
constexpr int kMaxLinks = 40;

// Follows path from the folder at (absolute and free of links) part by part, as the system
// would: a link is replaced by its target, dangling or not (weakly_canonical leaves a
// dangling link as it is, and a file written there lands where it points), ".." goes up from
// where the parts so far lead, and a part that does not exist yet is taken as written. Every
// part that exists must be a folder. False with the reason otherwise.
bool FollowFolder(fs::path& at, const fs::path& path, std::string& why)
{
    std::vector<fs::path> parts(path.begin(), path.end()); // the next part last
    std::reverse(parts.begin(), parts.end());
    for (int links = 0; !parts.empty();)
    {
        const fs::path part = std::move(parts.back());
        parts.pop_back();
        if (part == "/")
            at = "/";
        else if (part == "..")
            at = at.parent_path();
        else if (!part.empty() && part != ".")
        {
            const fs::path next = at / part;
            std::error_code failure;
            const fs::file_status status = fs::symlink_status(next, failure);
            if (fs::is_symlink(status))
            {
                const fs::path target = fs::read_symlink(next, failure);
                if (failure || ++links > kMaxLinks)
                {
                    why = failure ? failure.message()
                                  : "it passes through more than " + std::to_string(kMaxLinks) + " links";
                    return false;
                }
                parts.insert(parts.end(), std::make_reverse_iterator(target.end()),
                             std::make_reverse_iterator(target.begin()));
                continue;
            }
            if (!fs::is_directory(status) && status.type() != fs::file_type::not_found)
            {
                why = failure ? failure.message() : next.string() + " is not a folder";
                return false;
            }
            at = next;
        }
    }
    return true;
}

// Where the picture at path (relative, as CheckOutputPath passes it) is written below the
// output folder base (absolute and free of links): its folder with every link followed, which
// must stay inside base, and its own name, which must not be a link (the picture would land
// where it points, or replace a link that someone made) nor anything but a plain file.
bool PlacePicture(const fs::path& base, const std::string& root, const std::string& path, fs::path& target,
                  std::string* error)
{
    const auto fail = [&](const std::string& why) {
        if (error != nullptr)
            *error = "the output path \"" + path + "\" " + why;
        return false;
    };
    fs::path folder = base;
    std::string why;
    if (!FollowFolder(folder, fs::path(path).parent_path(), why))
        return fail("cannot be resolved below " + root + ": " + why);
    const fs::path inside = folder.lexically_relative(base);
    if (inside.empty() || *inside.begin() == "..")
        return fail("resolves outside " + root);
    target = folder / fs::path(path).filename();
    std::error_code failure;
    const fs::file_status status = fs::symlink_status(target, failure);
    if (fs::is_symlink(status))
        return fail("is a link (to \"" + fs::read_symlink(target, failure).string() +
                    "\"); a picture is never written through a link nor in place of one");
    if (status.type() == fs::file_type::none)
        return fail("cannot be resolved below " + root + ": " + failure.message());
    if (fs::exists(status) && !fs::is_regular_file(status))
        return fail(fs::is_directory(status) ? "is a folder" : "is not a plain file");
    return true;
}

// Where every picture of a list is written, found before any is drawn, so that a list
// refused for any line makes nothing at all.
bool PlacePictures(const std::vector<PictureDesc>& descs, const std::string& root, std::vector<fs::path>& targets,
                   std::string* error)
{
    std::error_code failure;
    const fs::path absolute = fs::absolute(root, failure);
    fs::path base = "/";
    std::string why = failure ? failure.message() : "";
    if (failure || !FollowFolder(base, absolute, why))
    {
        if (error != nullptr)
            *error = "the output folder " + root + " cannot be resolved: " + why;
        return false;
    }
    targets.resize(descs.size());
    for (size_t i = 0; i < descs.size(); ++i)
        if (!PlacePicture(base, root, descs[i].path, targets[i], error))
            return false;
    // Nor may one line's picture stand where another's folder goes.
    std::set<fs::path> folders;
    for (const fs::path& target : targets)
        for (fs::path folder = target.parent_path(); folder != base && folders.insert(folder).second;)
            folder = folder.parent_path();
    for (size_t i = 0; i < descs.size(); ++i)
        if (folders.count(targets[i]) != 0)
        {
            if (error != nullptr)
                *error = "the output path \"" + descs[i].path + "\" is a picture and the folder of another at once";
            return false;
        }
    return true;
}
} // namespace

bool WritePictureList(const std::string& listPath, const std::string& root, std::string* error)
{
    std::vector<PictureDesc> descs;
    std::vector<std::filesystem::path> targets;
    if (!ReadPictureList(listPath, descs, error) || !PlacePictures(descs, root, targets, error))
        return false;
    for (size_t i = 0; i < descs.size(); ++i)
        if (!DrawPicture(descs[i]).SavePng(targets[i].string()))
        {
            if (error != nullptr)
                *error = "cannot write " + root + "/" + descs[i].path;
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

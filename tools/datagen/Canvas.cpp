#include "datagen/Canvas.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "datagen/Glyphs.h"

namespace datagen
{
bool ParseColour(const std::string& text, Colour& out)
{
    if ((text.size() != 7 && text.size() != 9) || text[0] != '#')
        return false;
    uint8_t bytes[4] = {0, 0, 0, 255};
    for (size_t i = 1, n = 0; i < text.size(); i += 2, ++n)
    {
        char pair[3] = {text[i], text[i + 1], 0};
        char* end = nullptr;
        const long v = std::strtol(pair, &end, 16);
        if (end != pair + 2)
            return false;
        bytes[n] = uint8_t(v);
    }
    out = {bytes[0], bytes[1], bytes[2], bytes[3]};
    return true;
}

Canvas::Canvas(int w, int h, Colour fill) : width(std::max(w, 1)), height(std::max(h, 1))
{
    pixels.resize(size_t(width) * size_t(height) * 4);
    FillRect(0, 0, width, height, fill);
}

Colour Canvas::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return {0, 0, 0, 0};
    const uint8_t* p = &pixels[(size_t(y) * size_t(width) + size_t(x)) * 4];
    return {p[0], p[1], p[2], p[3]};
}

void Canvas::Set(int x, int y, Colour c)
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return;
    uint8_t* p = &pixels[(size_t(y) * size_t(width) + size_t(x)) * 4];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = c.a;
}

void Canvas::FillRect(int x, int y, int w, int h, Colour c)
{
    for (int yy = std::max(y, 0); yy < std::min(y + h, height); ++yy)
        for (int xx = std::max(x, 0); xx < std::min(x + w, width); ++xx)
            Set(xx, yy, c);
}

void Canvas::OutlineRect(int x, int y, int w, int h, int t, Colour c)
{
    FillRect(x, y, w, t, c);
    FillRect(x, y + h - t, w, t, c);
    FillRect(x, y, t, h, c);
    FillRect(x + w - t, y, t, h, c);
}

void Canvas::FillEllipse(int x, int y, int w, int h, Colour c)
{
    const double rx = w / 2.0, ry = h / 2.0;
    for (int yy = y; yy < y + h; ++yy)
        for (int xx = x; xx < x + w; ++xx)
        {
            const double dx = (xx + 0.5 - x - rx) / rx, dy = (yy + 0.5 - y - ry) / ry;
            if (dx * dx + dy * dy <= 1.0)
                Set(xx, yy, c);
        }
}

void Canvas::FillDiamond(int x, int y, int w, int h, Colour c)
{
    const double rx = w / 2.0, ry = h / 2.0;
    for (int yy = y; yy < y + h; ++yy)
        for (int xx = x; xx < x + w; ++xx)
        {
            const double dx = (xx + 0.5 - x - rx) / rx, dy = (yy + 0.5 - y - ry) / ry;
            if (std::abs(dx) + std::abs(dy) <= 1.0)
                Set(xx, yy, c);
        }
}

int TextWidth(const std::string& text, int scale)
{
    return text.empty() ? 0 : (int(text.size()) * kGlyphAdvance - 1) * scale;
}

int TextHeight(int scale) { return kGlyphHeight * scale; }

void Canvas::DrawText(const std::string& text, int x, int y, int scale, Colour c)
{
    ForEachGlyphPixel(text, [&](int gx, int gy) { FillRect(x + gx * scale, y + gy * scale, scale, scale, c); });
}

void Canvas::DrawTextCentred(const std::string& text, int x, int y, int w, int h, Colour c)
{
    if (text.empty())
        return;
    int scale = 1;
    while (TextWidth(text, scale + 1) <= w && TextHeight(scale + 1) <= h)
        ++scale;
    DrawText(text, x + (w - TextWidth(text, scale)) / 2, y + (h - TextHeight(scale)) / 2, scale, c);
}

bool MakeParentFolders(const std::string& path)
{
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (parent.empty())
        return true;
    std::error_code ec;
    std::filesystem::create_directories(parent, ec);
    return !ec;
}

namespace
{
// The pixels as an 8-bit RGBA PNG into file, which is closed either way; false when any of it
// cannot be written.
bool WritePng(FILE* file, int width, int height, const std::vector<uint8_t>& pixels)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(&pixels[size_t(y) * size_t(width) * 4]));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

// A new file of its own in the folder of path, open for writing, made with the mode a new file
// gets; -1 when none can be made.
int CreateBeside(const std::string& path, std::string& made)
{
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        const std::string name = ".picture-" + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".tmp";
        made = (folder / name).string();
        const int fd = open(made.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}
} // namespace

bool Canvas::SavePng(const std::string& path) const
{
    if (!MakeParentFolders(path))
        return false;
    // A link in the last part is refused rather than followed or replaced.
    struct stat status;
    if (lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode))
        return false;
    // The picture goes into a new file beside the name, which then takes the name's place: it
    // never lands in the file the name stood for, whose bytes may be another name's as well
    // (a hard link to a file elsewhere), nor through a link that appears at the name meanwhile.
    std::string temporary;
    const int fd = CreateBeside(path, temporary);
    if (fd < 0)
        return false;
    FILE* file = fdopen(fd, "wb");
    if (file == nullptr)
        close(fd);
    if (file == nullptr || !WritePng(file, width, height, pixels) || std::rename(temporary.c_str(), path.c_str()) != 0)
    {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}
} // namespace datagen

// Pictures described by one line of text:
//
//   <path> <width> <height> <shape> <colour> [label ...]
//
// shape: one of the plain shapes "rect" (filled), "frame" (outlined, clear inside),
// "circle", "diamond", "box" (filled with a darker border), whose label is drawn centred in
// black or white, whichever stands out; or the name of a painter (Art.h), which draws the
// thing itself and uses the colour and label as it needs. colour: "#rrggbb" or "#rrggbbaa".
// A path may hold one range "{a..b}" (zero-padded to the width of a): the line stands for
// one picture per number, each with that number as its variant, and "{}" in the label is
// replaced by the number; a range makes at most kMaxRangePictures pictures. Paths are
// relative to the output folder and stay inside it. Blank lines and lines starting with '#'
// are skipped.
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
    int variant = 0; // which of a painter's looks (the number of a range)
};

// The most pictures one range may stand for: many times what any list needs, and a bound on
// what a mistyped range can make.
constexpr int kMaxRangePictures = 1000;

// True for the plain shapes and every painter's name.
bool IsKnownShape(const std::string& shape);

// The pictures one line stands for; false (with a message) for a malformed line.
bool ParsePictureLine(const std::string& line, std::vector<PictureDesc>& out, std::string* error);
// The pictures of every line of a list file; false (with a message naming the file and the
// line) when the file cannot be read or a line is malformed.
bool ReadPictureList(const std::string& path, std::vector<PictureDesc>& out, std::string* error);
// True when path may name a picture below the output folder: not empty, relative, without a
// ".." part or control characters; otherwise false with a message naming the path.
bool CheckOutputPath(const std::string& path, std::string* error);
// Draws every picture of a list file below root; false with a message when the list cannot
// be read or has a malformed line, a path resolves outside root (through a link in it,
// dangling or not), names a link itself or anything but a plain file, or a picture cannot be
// written. Every path is resolved before any picture is drawn, so a list refused for a path
// makes nothing at all. A picture takes its name as a new file (Canvas::SavePng): a plain file
// that stood there is replaced, never written into, so its other names keep their bytes.
bool WritePictureList(const std::string& listPath, const std::string& root, std::string* error);
Canvas DrawPicture(const PictureDesc& desc);
} // namespace datagen

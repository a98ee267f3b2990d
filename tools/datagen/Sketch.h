// Smooth-edged drawing for the sample pictures: shapes are filled on a canvas a few times
// larger than the picture and averaged down when the sketch is finished, so edges come out
// anti-aliased. Coordinates are the picture's own pixels (fractions allowed); everything is
// painted over what lies below (alpha compositing).
#pragma once

#include <string>
#include <vector>

#include "datagen/Canvas.h"

namespace datagen
{
struct Vec
{
    float x = 0, y = 0;
};

// A colour with its alpha scaled (0..1) and its channels mixed toward another.
Colour WithAlpha(Colour c, float alpha);
Colour Mix(Colour a, Colour b, float t);
Colour Darker(Colour c, float amount = 0.35f);
Colour Lighter(Colour c, float amount = 0.35f);

class Sketch
{
public:
    // samples: per picture pixel along each axis; 0 picks by size (small pictures take
    // more, so that their few pixels come out smooth; large ones fewer, to stay quick).
    Sketch(int width, int height, int samples = 0);

    int Width() const { return width; }
    int Height() const { return height; }

    void Rect(float x, float y, float w, float h, Colour c);
    // A rectangle shaded from top to bottom.
    void RectGradient(float x, float y, float w, float h, Colour top, Colour bottom);
    void RoundRect(float x, float y, float w, float h, float radius, Colour c);
    void Ellipse(float cx, float cy, float rx, float ry, Colour c);
    void Circle(float cx, float cy, float r, Colour c) { Ellipse(cx, cy, r, r, c); }
    // Filled with the even-odd rule.
    void Polygon(const std::vector<Vec>& points, Colour c);
    // A line with square ends of the given width.
    void Line(float x0, float y0, float x1, float y1, float width, Colour c);
    // A ring between two radii, and between two ellipses.
    void Ring(float cx, float cy, float outer, float inner, Colour c);
    void EllipseRing(float cx, float cy, float rx, float ry, float innerRx, float innerRy, Colour c);
    // Shapes with an outline: the outline colour as the shape grown by the thickness,
    // then the shape.
    void OutlinedRoundRect(float x, float y, float w, float h, float radius, Colour fill, Colour line, float thick);
    void OutlinedEllipse(float cx, float cy, float rx, float ry, Colour fill, Colour line, float thick);
    // A five-pointed star.
    void Star(float cx, float cy, float outer, float inner, Colour c, float turn = 0);

    // Text in the built-in glyphs, each glyph pixel scale x scale picture pixels, the
    // top-left of the first cell at (x, y); centred variants place the line's middle.
    void Text(const std::string& text, float x, float y, int scale, Colour c);
    void TextCentred(const std::string& text, float cx, float cy, int scale, Colour c);
    // Centred text with an outline all round (half a glyph pixel thick unless given), so
    // it reads on any ground.
    void TextOutlined(const std::string& text, float cx, float cy, int scale, Colour ink, Colour line,
                      float thickness = 0);

    // Another picture painted over this one with its top-left at (x, y).
    void Picture(const Canvas& picture, float x, float y);

    // The picture, averaged down.
    Canvas Finish() const;

private:
    // Paints the sample at (sx, sy) of the large canvas.
    void Paint(int sx, int sy, Colour c);
    // Fills every sample whose centre the test accepts, within the bounding box.
    template <class Inside>
    void Fill(float x0, float y0, float x1, float y1, Colour c, Inside inside);

    int width, height, samples;
    Canvas big;
};

// The largest glyph scale up to most at which a line of text fits the width and, when
// given, the height (at least 1).
int FittingScale(const std::string& text, float width, int most, float height = 1e9f);
} // namespace datagen

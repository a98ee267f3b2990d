// The level world: sky, terrain, hazards, pickups and the objects that move.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "datagen/ArtParts.h"

namespace datagen
{
namespace
{
// A cloud of overlapping puffs, drawn again a width further on each side so that a
// picture repeated sideways joins up.
void Cloud(Sketch& s, float cx, float cy, float size, float wrap)
{
    const Colour body{255, 255, 255, 235}, shade{214, 232, 248, 235};
    for (float shift : {-wrap, 0.0f, wrap})
    {
        const float x = cx + shift;
        s.Ellipse(x, cy + size * 0.18f, size * 1.25f, size * 0.42f, shade);
        s.Ellipse(x - size * 0.6f, cy, size * 0.55f, size * 0.45f, body);
        s.Ellipse(x + size * 0.1f, cy - size * 0.25f, size * 0.7f, size * 0.62f, body);
        s.Ellipse(x + size * 0.75f, cy + size * 0.02f, size * 0.5f, size * 0.4f, body);
    }
}

// A hill line that repeats every width: a sum of sine waves of whole periods.
void Hills(Sketch& s, float base, float height, int waves, float phase, Colour c, float bottom)
{
    const float w = float(s.Width());
    std::vector<Vec> shape;
    for (int i = 0; i <= 128; ++i)
    {
        const float x = w * float(i) / 128.0f;
        const float t = kTwoPi * x / w;
        const float y = base - height * (0.6f * std::sin(float(waves) * t + phase) +
                                         0.4f * std::sin(float(waves * 2 + 1) * t + phase * 1.7f));
        shape.push_back({x, y});
    }
    shape.push_back({w, bottom});
    shape.push_back({0, bottom});
    s.Polygon(shape, c);
}

Canvas Sky(const PictureDesc& d)
{
    // The middle of the picture is drawn at the middle of the screen; the horizon lies a
    // little below it.
    Sketch s(d.width, d.height, 1);
    const float w = float(d.width), h = float(d.height), horizon = h / 2 + 150;
    s.RectGradient(0, 0, w, horizon, {52, 132, 214, 255}, {190, 228, 252, 255});
    s.Rect(0, horizon, w, h - horizon, {190, 228, 252, 255});
    Dice dice(7);
    for (int i = 0; i < 7; ++i)
        Cloud(s, w * (float(i) + dice.Range(0.1f, 0.6f)) / 7.0f, h / 2 - 330 + dice.Range(-200, 220),
              dice.Range(40, 80), w);
    Hills(s, horizon - 20, 50, 2, 0.4f, {150, 204, 170, 255}, h);
    Hills(s, horizon + 70, 60, 3, 2.1f, {104, 178, 112, 255}, h);
    s.RectGradient(0, horizon + 140, w, h - horizon - 140, {96, 166, 100, 255}, {70, 130, 80, 255});
    return s.Finish();
}

Canvas Ground(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    s.RectGradient(0, 12, w, h - 12, {150, 102, 64, 255}, {92, 62, 42, 255});
    // Strata and stones, kept clear of the sides so that copies meet cleanly.
    s.Rect(0, h * 0.55f, w, 3, {120, 80, 52, 255});
    Dice dice(11);
    for (int i = 0; i < 9; ++i)
    {
        const float x = dice.Range(30, w - 30), y = dice.Range(40, h - 20), r = dice.Range(5, 11);
        s.Ellipse(x, y, r * 1.3f, r, {126, 96, 76, 255});
        s.Ellipse(x - r * 0.3f, y - r * 0.3f, r * 0.6f, r * 0.4f, {160, 132, 110, 255});
    }
    // Grass with tufts every 32 pixels (512 is a whole number of them).
    s.Rect(0, 0, w, 16, {72, 150, 56, 255});
    s.Rect(0, 0, w, 11, {108, 194, 74, 255});
    for (float x = 0; x < w; x += 32)
    {
        s.Polygon({{x + 4, 16}, {x + 10, 23}, {x + 16, 16}}, {72, 150, 56, 255});
        s.Polygon({{x + 20, 16}, {x + 25, 21}, {x + 30, 16}}, {72, 150, 56, 255});
    }
    s.Rect(0, 0, w, 3, {150, 222, 110, 255});
    return s.Finish();
}

Canvas Ramp(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    s.Polygon({{0, h}, {w, 0}, {w, h}}, {130, 88, 56, 255});
    s.Polygon({{0, h}, {w, 0}, {w, 14}, {10, h}}, {72, 150, 56, 255});
    s.Polygon({{0, h}, {w, 0}, {w, 9}, {6, h}}, {108, 194, 74, 255});
    return s.Finish();
}

Canvas Wall(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    s.Rect(0, 0, w, h, {92, 96, 110, 255});
    for (float y = 0; y < h; y += 32)
    {
        const float shift = int(y / 32) % 2 == 0 ? 0.0f : w / 2;
        for (float x = -w / 2 + shift; x < w; x += w / 2 + 0.0f)
            s.RoundRect(x + 2, y + 2, w / 2 - 4, 28, 4, {132, 136, 152, 255});
    }
    return s.Finish();
}

Canvas Pad(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    s.RoundRect(6, h * 0.45f, w - 12, h * 0.55f, 4, {70, 74, 96, 255});
    for (float x = 16; x < w - 16; x += 12)
        s.Line(x, h * 0.45f, x + 8, h - 2, 2, {170, 176, 196, 255});
    s.OutlinedRoundRect(0, 0, w, h * 0.5f, h * 0.25f, {255, 96, 190, 255}, kInk, 2);
    s.RoundRect(6, 3, w - 12, 3, 1.5f, {255, 190, 230, 255});
    return s.Finish();
}

Canvas Lava(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    s.RectGradient(0, 6, w, h - 6, {255, 150, 30, 255}, {190, 40, 10, 255});
    std::vector<Vec> top;
    for (int i = 0; i <= 32; ++i)
    {
        const float x = w * float(i) / 32.0f;
        top.push_back({x, 6 + 4 * std::sin(kTwoPi * 3 * x / w)});
    }
    top.push_back({w, 16});
    top.push_back({0, 16});
    s.Polygon(top, {255, 220, 80, 255});
    Dice dice(5);
    for (int i = 0; i < 8; ++i)
    {
        const float x = dice.Range(12, w - 12), y = dice.Range(22, h - 10), r = dice.Range(3, 7);
        s.Ring(x, y, r, r * 0.55f, {255, 230, 120, 255});
    }
    return s.Finish();
}

Canvas Spikes(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    s.Rect(0, h * 0.55f, w, h * 0.45f, {60, 56, 70, 255});
    const int count = int(w / 24);
    for (int i = 0; i < count; ++i)
    {
        const float x = (w - float(count) * 24) / 2 + 24 * float(i);
        s.Polygon({{x, h * 0.6f}, {x + 12, h * 0.08f}, {x + 24, h * 0.6f}}, kInk);
        s.Polygon({{x + 3, h * 0.58f}, {x + 12, h * 0.16f}, {x + 21, h * 0.58f}}, {196, 204, 220, 255});
        s.Polygon({{x + 12, h * 0.16f}, {x + 21, h * 0.58f}, {x + 12, h * 0.58f}}, {140, 148, 168, 255});
    }
    return s.Finish();
}

// A board on two posts, its text in dark paint; the board takes the top 64 pixels.
Canvas Sign(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height), board = std::min(64.0f, h);
    const Colour wood{214, 168, 110, 255}, post{150, 104, 62, 255};
    s.OutlinedRoundRect(w * 0.2f - 6, board - 8, 12, h - board + 8, 3, post, kInk, 2);
    s.OutlinedRoundRect(w * 0.8f - 6, board - 8, 12, h - board + 8, 3, post, kInk, 2);
    s.OutlinedRoundRect(0, 0, w, board, 10, wood, kInk, 3);
    s.Rect(8, board * 0.5f, w - 16, 2, {190, 142, 90, 255});
    s.TextCentred(d.label, w / 2, board / 2, FittingScale(d.label, w - 20, 4), kInk);
    return s.Finish();
}

// The end: a post with a chequered flag and its word on a banner.
Canvas EndFlag(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    s.OutlinedRoundRect(8, 6, 10, h - 6, 4, {230, 230, 240, 255}, kInk, 2);
    s.OutlinedEllipse(13, 8, 8, 8, {255, 210, 60, 255}, kInk, 2);
    const float fx = 18, fy = 16, fw = w - 22, fh = h * 0.36f, cell = fh / 4;
    s.Rect(fx, fy, fw, fh, kInk);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c * cell < fw - 2; ++c)
            s.Rect(fx + 2 + float(c) * cell, fy + 2 + float(r) * (fh - 4) / 4, std::min(cell, fw - 4 - float(c) * cell),
                   (fh - 4) / 4, (r + c) % 2 == 0 ? kWhite : Colour{40, 44, 60, 255});
    const float by = h * 0.62f;
    s.OutlinedRoundRect(w * 0.12f, by, w * 0.86f, 34, 8, {255, 210, 60, 255}, kInk, 3);
    s.TextCentred(d.label, w * 0.55f, by + 17, FittingScale(d.label, w * 0.7f, 3), kInk);
    return s.Finish();
}

Canvas Pole(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    s.OutlinedRoundRect(0, 4, w, h - 4, w / 2, {214, 218, 230, 255}, kInk, 1.5f);
    s.OutlinedEllipse(w / 2, 4, w / 2, 4, {255, 210, 60, 255}, kInk, 1.5f);
    return s.Finish();
}

Canvas Pennant(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    const Colour c = ColourOr(d, {48, 192, 96, 255});
    s.Polygon({{0, 0}, {w, h / 2}, {0, h}}, kInk);
    s.Polygon({{1.5f, 3}, {w - 5, h / 2}, {1.5f, h - 3}}, c);
    s.Star(w * 0.32f, h / 2, h * 0.22f, h * 0.1f, kWhite);
    return s.Finish();
}

// A sugar cube seen from a little above: a light top, a shaded side and a sparkle.
Canvas Sugar(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height), t = std::max(1.5f, w / 16);
    const float top = h * 0.3f, side = w * 0.72f;
    s.Polygon({{t, top}, {w * 0.28f, t}, {w - t, t}, {w - t, h - top}, {side, h - t}, {t, h - t}}, kInk);
    s.Polygon({{t * 2, top}, {side, top}, {side, h - t * 2}, {t * 2, h - t * 2}}, {250, 252, 255, 255});
    s.Polygon({{t * 2, top - 0.5f}, {w * 0.3f, t * 2}, {w - t * 2, t * 2}, {side, top - 0.5f}}, kWhite);
    s.Polygon({{side + 0.5f, top}, {w - t * 2, t * 2}, {w - t * 2, h - top - t}, {side + 0.5f, h - t * 2}},
              {200, 212, 232, 255});
    Dice dice(3);
    for (int i = 0; i < 5; ++i)
        s.Circle(dice.Range(t * 3, side - t), dice.Range(top + t, h - t * 3), std::max(0.8f, w / 28),
                 {214, 222, 240, 255});
    s.Star(w * 0.3f, top + h * 0.2f, w * 0.16f, w * 0.05f, {255, 255, 255, 255});
    return s.Finish();
}

// A key lying on its side: a ring with a hole, a shaft and two teeth.
Canvas Key(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    const Colour c = ColourOr(d, {240, 200, 40, 255}), shine = Lighter(c, 0.45f);
    const float r = h * 0.3f, cx = r + 2, cy = h / 2;
    s.Rect(cx, cy - h * 0.09f - 2, w - cx - 2, h * 0.18f + 4, kInk);
    s.Rect(w - 12, cy, 4, h * 0.26f, kInk);
    s.Rect(w - 20, cy, 4, h * 0.2f, kInk);
    s.Circle(cx, cy, r + 2, kInk);
    s.Rect(cx, cy - h * 0.09f, w - cx - 4, h * 0.18f, c);
    s.Rect(w - 10, cy, 2, h * 0.26f - 2, c);
    s.Rect(w - 18, cy, 2, h * 0.2f - 2, c);
    s.Circle(cx, cy, r, c);
    s.Circle(cx, cy, r * 0.42f, kInk);
    s.Ellipse(cx - r * 0.35f, cy - r * 0.5f, r * 0.3f, r * 0.2f, shine);
    return s.Finish();
}

// A round sticker with a star, its edge peeling up at one corner.
Canvas Sticker(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height), r = std::min(w, h) / 2 - 1;
    const Colour c = ColourOr(d, {236, 72, 150, 255});
    s.OutlinedEllipse(w / 2, h / 2, r, r, kWhite, kInk, 2);
    s.Circle(w / 2, h / 2, r - 5, c);
    s.Star(w / 2, h / 2 + 1, r * 0.6f, r * 0.26f, {255, 230, 90, 255});
    s.Polygon({{w - r * 0.55f, h - r * 0.1f}, {w - 2, h - r * 0.55f}, {w - r * 0.2f, h - r * 0.2f}}, {230, 236, 246, 255});
    return s.Finish();
}

Canvas Crate(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height), b = w * 0.12f;
    const Colour wood{196, 140, 72, 255}, dark{150, 100, 50, 255};
    s.OutlinedRoundRect(0, 0, w, h, 4, wood, kInk, 2);
    s.Line(b, h - b, w - b, b, b * 0.9f, dark);
    s.Rect(2, 2, w - 4, b, dark);
    s.Rect(2, h - b - 2, w - 4, b, dark);
    s.Rect(2, 2, b, h - 4, dark);
    s.Rect(w - b - 2, 2, b, h - 4, dark);
    for (float x : {b / 2 + 2, w - b / 2 - 2})
        for (float y : {b / 2 + 2, h - b / 2 - 2})
            s.Circle(x, y, 1.6f, {230, 220, 200, 255});
    return s.Finish();
}

// The end of a barrel: staves in a ring with hoops, so it reads as rolling.
Canvas Barrel(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), r = w / 2 - 1;
    s.OutlinedEllipse(w / 2, w / 2, r, r, {176, 112, 56, 255}, kInk, 2);
    s.Ring(w / 2, w / 2, r - 2, r - 7, {110, 110, 124, 255});
    for (int i = 0; i < 6; ++i)
    {
        const float a = kTwoPi * float(i) / 6;
        s.Line(w / 2, w / 2, w / 2 + std::cos(a) * (r - 7), w / 2 + std::sin(a) * (r - 7), 1.5f, {130, 80, 40, 255});
    }
    s.Circle(w / 2, w / 2, r * 0.18f, {110, 110, 124, 255});
    return s.Finish();
}

// A ball covered in spikes: anything that looks like this hurts.
Canvas SpikeBall(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), r = w / 2 - 1, core = r * 0.62f;
    std::vector<Vec> star;
    for (int i = 0; i < 20; ++i)
    {
        const float a = kTwoPi * float(i) / 20;
        const float rr = i % 2 == 0 ? r : core;
        star.push_back({w / 2 + std::cos(a) * rr, w / 2 + std::sin(a) * rr});
    }
    s.Polygon(star, kInk);
    std::vector<Vec> inner;
    for (const Vec& p : star)
        inner.push_back({w / 2 + (p.x - w / 2) * 0.86f, w / 2 + (p.y - w / 2) * 0.86f});
    s.Polygon(inner, {190, 196, 214, 255});
    s.Circle(w / 2, w / 2, core * 0.95f, kInk);
    s.Circle(w / 2, w / 2, core * 0.85f, ColourOr(d, {96, 100, 120, 255}));
    s.Ellipse(w / 2 - core * 0.3f, w / 2 - core * 0.35f, core * 0.3f, core * 0.2f, {200, 204, 220, 255});
    return s.Finish();
}

// A ball made of sugar: taking it is good.
Canvas SugarBall(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), r = w / 2 - 1;
    s.OutlinedEllipse(w / 2, w / 2, r, r, {252, 252, 255, 255}, kInk, 2);
    Dice dice(9);
    for (int i = 0; i < 7; ++i)
        s.Circle(w / 2 + dice.Range(-r * 0.5f, r * 0.5f), w / 2 + dice.Range(-r * 0.5f, r * 0.5f), r * 0.12f,
                 {206, 216, 236, 255});
    s.Star(w / 2 - r * 0.3f, w / 2 - r * 0.3f, r * 0.35f, r * 0.12f, kWhite);
    return s.Finish();
}

// A door of the key colour, with a keyhole.
Canvas Door(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    const Colour c = ColourOr(d, {200, 60, 60, 255});
    s.OutlinedRoundRect(0, 0, w, h, 6, c, kInk, 2);
    s.RoundRect(6, 8, w - 12, h * 0.4f, 4, Darker(c, 0.15f));
    s.RoundRect(6, h * 0.55f, w - 12, h * 0.4f, 4, Darker(c, 0.15f));
    s.OutlinedEllipse(w / 2, h / 2 - 2, w * 0.2f, w * 0.2f, {255, 226, 120, 255}, kInk, 1.5f);
    s.Polygon({{w / 2 - 2, h / 2}, {w / 2 + 2, h / 2}, {w / 2 + 3, h / 2 + 10}, {w / 2 - 3, h / 2 + 10}}, kInk);
    s.Circle(w / 2, h / 2 - 2, 2.5f, kInk);
    return s.Finish();
}

// A metal platform with rivets and hazard stripes underneath.
Canvas Platform(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    s.OutlinedRoundRect(0, 0, w, h, 5, {150, 158, 178, 255}, kInk, 2);
    s.Rect(2, 2, w - 4, h * 0.3f, {190, 198, 214, 255});
    for (float x = 8; x < w - 16; x += 24)
        s.Polygon({{x, h - 3}, {x + 10, h * 0.55f}, {x + 20, h * 0.55f}, {x + 10, h - 3}}, {240, 200, 60, 255});
    for (float x = 10; x < w; x += w / 4)
        s.Circle(x, h * 0.3f, 2, kInk);
    return s.Finish();
}

Canvas Plank(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    s.OutlinedRoundRect(0, 0, w, h, h / 3, {206, 156, 96, 255}, kInk, 2);
    for (float x = 40; x < w - 20; x += 60)
        s.Line(x, 4, x + 20, h - 4, 1.5f, {170, 120, 70, 255});
    s.Rect(6, 3, w - 12, 2, {232, 190, 136, 255});
    return s.Finish();
}

Canvas Weight(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    s.Ring(w / 2, h * 0.18f, h * 0.16f, h * 0.08f, kInk);
    s.Polygon({{w * 0.2f, h * 0.28f}, {w * 0.8f, h * 0.28f}, {w - 1, h - 1}, {1, h - 1}}, kInk);
    s.Polygon({{w * 0.22f + 2, h * 0.28f + 2}, {w * 0.78f - 2, h * 0.28f + 2}, {w - 4, h - 3}, {4, h - 3}},
              {96, 100, 118, 255});
    s.TextCentred("kg", w / 2, h * 0.66f, std::max(1, int(w / 24)), {200, 204, 220, 255});
    return s.Finish();
}

Canvas Wheel(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), r = w / 2 - 1;
    s.OutlinedEllipse(w / 2, w / 2, r, r, {150, 100, 56, 255}, kInk, 3);
    s.Circle(w / 2, w / 2, r - 10, {214, 168, 110, 255});
    for (int i = 0; i < 8; ++i)
    {
        const float a = kTwoPi * float(i) / 8;
        s.Line(w / 2, w / 2, w / 2 + std::cos(a) * (r - 10), w / 2 + std::sin(a) * (r - 10), 5, {150, 100, 56, 255});
    }
    s.OutlinedEllipse(w / 2, w / 2, r * 0.16f, r * 0.16f, {110, 110, 124, 255}, kInk, 2);
    return s.Finish();
}

Canvas Gate(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    s.OutlinedRoundRect(0, 0, w, h, 4, {120, 120, 170, 255}, kInk, 2);
    for (float y = 14; y < h - 10; y += 28)
        s.Rect(4, y, w - 8, 6, {170, 170, 220, 255});
    return s.Finish();
}

// The world-turn switch: a round plate with a turning arrow.
Canvas Switch(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height), r = std::min(w, h) / 2;
    s.OutlinedRoundRect(0, 0, w, h, 8, {120, 132, 240, 255}, kInk, 2);
    s.Ring(w / 2, h / 2, r * 0.6f, r * 0.38f, kWhite);
    s.Rect(w / 2, h / 2 - r * 0.7f, r * 0.7f, r * 0.7f, {120, 132, 240, 255});
    s.Polygon({{w / 2, h / 2 - r * 0.75f}, {w / 2 + r * 0.35f, h / 2 - r * 0.49f}, {w / 2, h / 2 - r * 0.23f}}, kWhite);
    return s.Finish();
}

Canvas Arm(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    for (float y = 0; y < h; y += 12)
        s.OutlinedRoundRect(0, y, w, 14, w / 2, {150, 150, 164, 255}, kInk, 1.5f);
    return s.Finish();
}

// What holds the joints' objects up. Steel girders in the colours of the platforms, so the
// player reads them as scenery that carries the moving parts, not as something to stand on.
const Colour kSteel{150, 158, 178, 255};

// A trestle: two legs from the bolt at the top middle out to the bottom corners, braced
// halfway down (under a wheel's axle, under a seesaw's pivot).
Canvas Trestle(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height), leg = std::max(6.0f, w * 0.09f);
    for (float side : {-1.0f, 1.0f})
    {
        s.Line(w / 2, leg, w / 2 + side * (w / 2 - leg / 2 - 1), h - 2, leg + 3, kInk);
        s.Line(w / 2, leg, w / 2 + side * (w / 2 - leg / 2 - 1), h - 2, leg, kSteel);
    }
    s.Line(w * 0.27f, h * 0.55f, w * 0.73f, h * 0.55f, leg * 0.7f + 3, kInk);
    s.Line(w * 0.27f, h * 0.55f, w * 0.73f, h * 0.55f, leg * 0.7f, kSteel);
    s.OutlinedEllipse(w / 2, leg, leg, leg, {110, 110, 124, 255}, kInk, 2);
    return s.Finish();
}

// A T-shaped stand: a post up the middle and a beam across the top, from whose ends things
// hang.
Canvas Stand(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height), post = 16, beam = 22;
    s.OutlinedRoundRect(w / 2 - post / 2, beam - 4, post, h - beam + 2, 3, kSteel, kInk, 2);
    s.OutlinedRoundRect(1, 1, w - 2, beam, 5, kSteel, kInk, 2);
    s.Rect(4, 4, w - 8, 4, {190, 198, 214, 255});
    for (float x = 12; x < w - 6; x += 24)
        s.Circle(x, beam / 2 + 2, 2, kInk);
    return s.Finish();
}

// A pulley block: a plate hanging from a beam with the grooved wheel at its foot, over
// which a weight's chain runs.
Canvas PulleyBlock(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height), r = w / 2 - 1;
    s.OutlinedRoundRect(w * 0.2f, 0, w * 0.6f, h - r, 4, {120, 126, 146, 255}, kInk, 2);
    s.OutlinedEllipse(w / 2, h - r - 1, r, r, {196, 140, 72, 255}, kInk, 2);
    s.Ring(w / 2, h - r - 1, r * 0.72f, r * 0.56f, {150, 100, 50, 255});
    s.OutlinedEllipse(w / 2, h - r - 1, r * 0.22f, r * 0.22f, {110, 110, 124, 255}, kInk, 1.5f);
    return s.Finish();
}

// A coiled spring seen from the side: a zigzag of wire between two end plates.
Canvas Coil(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height), turns = std::max(3.0f, std::floor(h / 14));
    const float step = (h - 8) / (turns * 2);
    for (int i = 0; i < int(turns * 2); ++i)
    {
        const float x0 = i % 2 == 0 ? 3 : w - 3, x1 = i % 2 == 0 ? w - 3 : 3;
        const float y0 = 4 + step * float(i), y1 = y0 + step;
        s.Line(x0, y0, x1, y1, 4.5f, kInk);
        s.Line(x0, y0, x1, y1, 2.5f, {214, 218, 230, 255});
    }
    for (float y : {0.0f, h - 5})
        s.OutlinedRoundRect(1, y, w - 2, 5, 2, kSteel, kInk, 1);
    return s.Finish();
}
} // namespace

void AddWorldPainters(std::map<std::string, Painter>& out)
{
    out["sky"] = Sky;
    out["ground"] = Ground;
    out["ramp"] = Ramp;
    out["wall"] = Wall;
    out["pad"] = Pad;
    out["lava"] = Lava;
    out["spikes"] = Spikes;
    out["sign"] = Sign;
    out["endflag"] = EndFlag;
    out["pole"] = Pole;
    out["pennant"] = Pennant;
    out["sugar"] = Sugar;
    out["key"] = Key;
    out["sticker"] = Sticker;
    out["crate"] = Crate;
    out["barrel"] = Barrel;
    out["spikeball"] = SpikeBall;
    out["sugarball"] = SugarBall;
    out["door"] = Door;
    out["platform"] = Platform;
    out["plank"] = Plank;
    out["weight"] = Weight;
    out["wheel"] = Wheel;
    out["gate"] = Gate;
    out["switch"] = Switch;
    out["arm"] = Arm;
    out["trestle"] = Trestle;
    out["stand"] = Stand;
    out["pulleyblock"] = PulleyBlock;
    out["coil"] = Coil;
}
} // namespace datagen

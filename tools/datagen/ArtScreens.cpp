// The screens: buttons, panels, titles and captions, level tiles, icons and badges, the
// heads-up display's parts, menu backgrounds, splash and loading cards, and the particles
// of effects. Captions are drawn at one glyph scale wherever they fit, so buttons read alike.
#include <algorithm>
#include <cmath>

#include "datagen/ArtParts.h"
#include "datagen/Glyphs.h"

namespace datagen
{
namespace
{
// A results badge's medallion fills most of its width.
float BadgeRadius(float width) { return width * 0.36f; }

// The glyph scale of button captions and the largest one for titles.
constexpr int kCaptionScale = 3;
constexpr int kTitleScale = 6;

// A caption at the common scale, or smaller only when it cannot fit.
int CaptionScale(const std::string& text, float width) { return FittingScale(text, width, kCaptionScale); }

// A rounded, shaded face with an outline and a highlight along its top.
void Face(Sketch& s, float x, float y, float w, float h, Colour face)
{
    const float r = std::min(h * 0.3f, 16.0f);
    s.RoundRect(x + 2, y + 4, w - 2, h - 2, r, kShadow);
    s.RoundRect(x, y, w - 2, h - 4, r, kInk);
    s.RoundRect(x + 3, y + 3, w - 8, h - 10, std::max(r - 3, 0.0f), Darker(face, 0.18f));
    s.RoundRect(x + 3, y + 3, w - 8, (h - 10) * 0.62f, std::max(r - 3, 0.0f), face);
    s.RoundRect(x + 8, y + 6, w - 18, 3, 1.5f, Lighter(face, 0.45f));
}

Canvas Button(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    Face(s, 0, 0, w, h, ColourOr(d, {64, 128, 224, 255}));
    s.TextOutlined(d.label, w / 2 - 1, h / 2 - 3, CaptionScale(d.label, w - 24), kWhite, kInk);
    return s.Finish();
}

// A toggle: its caption and a lamp on the right, lit (variant 1) or dark (0).
Canvas Toggle(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height), lamp = h * 0.2f;
    const bool on = d.variant != 0;
    Face(s, 0, 0, w, h, on ? Colour{56, 168, 96, 255} : Colour{120, 126, 150, 255});
    const float room = w - lamp * 2 - 36;
    s.TextOutlined(d.label, 14 + room / 2, h / 2 - 3, CaptionScale(d.label, room), kWhite, kInk);
    const float lx = w - lamp - 18, ly = h / 2 - 3;
    s.Circle(lx, ly, lamp + 2, kInk);
    s.Circle(lx, ly, lamp, on ? Colour{150, 255, 120, 255} : Colour{70, 74, 90, 255});
    if (on)
        s.Circle(lx - lamp * 0.3f, ly - lamp * 0.3f, lamp * 0.3f, kWhite);
    return s.Finish();
}

// The keyboard focus: a bright glow drawn behind a control, showing round its edge.
Canvas Focus(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    const Colour c = ColourOr(d, {255, 214, 40, 255});
    const float r = std::min(h * 0.3f, 20.0f);
    s.RoundRect(0, 0, w, h, r, WithAlpha(c, 0.35f));
    s.RoundRect(3, 3, w - 6, h - 6, std::max(r - 3, 0.0f), c);
    return s.Finish();
}

// A panel: an outlined, rounded card with a header band in its colour.
Canvas Panel(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    const Colour band = ColourOr(d, {64, 128, 224, 255});
    s.RoundRect(6, 10, w - 6, h - 10, 24, kShadow);
    s.RoundRect(0, 0, w - 6, h - 10, 24, kInk);
    s.RoundRect(4, 4, w - 14, h - 18, 20, kCream);
    s.RoundRect(4, 4, w - 14, 64, 20, band);
    s.Rect(4, 48, w - 14, 20, band);
    s.Rect(4, 66, w - 14, 3, Darker(band, 0.25f));
    if (!d.label.empty())
        s.TextOutlined(d.label, (w - 6) / 2, 36, FittingScale(d.label, w - 60, 4), kWhite, kInk);
    return s.Finish();
}

// A plate for the heads-up display's figures: an opaque rounded face in its colour within
// an ink rim, so that what stands on it reads the same over any ground.
Canvas HudPlate(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height), r = std::min(h * 0.3f, 16.0f);
    s.RoundRect(0, 0, w, h, r, kInk);
    s.RoundRect(3, 3, w - 6, h - 6, std::max(r - 3, 0.0f), ColourOr(d, kCream));
    return s.Finish();
}

// A light, soft plate for text to stand on.
Canvas Plate(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    s.RoundRect(0, 0, w, h, std::min(h / 2, 18.0f), WithAlpha(ColourOr(d, kCream), 0.92f));
    return s.Finish();
}

// Big outlined words on nothing: screen titles.
Canvas Title(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    s.TextOutlined(d.label, w / 2, h / 2, FittingScale(d.label, w - 12, kTitleScale, h - 8), ColourOr(d, kWhite), kInk);
    return s.Finish();
}

// Smaller outlined words: labels beside figures.
Canvas Caption(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    s.TextOutlined(d.label, w / 2, h / 2, FittingScale(d.label, w - 8, kCaptionScale, h - 4), ColourOr(d, kWhite),
                   kInk);
    return s.Finish();
}

// Dark words without an outline, for light grounds.
Canvas Words(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    s.TextCentred(d.label, w / 2, h / 2, FittingScale(d.label, w - 4, kCaptionScale, h - 2), ColourOr(d, kInk));
    return s.Finish();
}

// Lines of dark words on a light plate ('|' starts a new line, "||" leaves one empty),
// all at the largest scale at which the longest line fits.
Canvas Notes(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    std::vector<std::string> lines(1);
    for (char c : d.label)
        if (c == '|')
            lines.emplace_back();
        else
            lines.back() += c;
    std::string longest;
    for (const std::string& line : lines)
        if (line.size() > longest.size())
            longest = line;
    int scale = FittingScale(longest, w - 48, kCaptionScale);
    while (scale > 1 && float(lines.size()) * float(TextHeight(scale)) * 1.6f > h - 32)
        --scale;
    s.RoundRect(0, 0, w, h, 18, WithAlpha(kCream, 0.92f));
    const float step = float(TextHeight(scale)) * 1.6f;
    float y = (h - step * float(lines.size())) / 2;
    for (const std::string& line : lines)
    {
        s.Text(line, 24, y + (step - float(TextHeight(scale))) / 2, scale, kInk);
        y += step;
    }
    return s.Finish();
}

// A level's tile in the level select: a rounded square with its number.
Canvas Tile(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    Face(s, 0, 0, w, h, ColourOr(d, {64, 128, 224, 255}));
    if (d.label.empty())
        return s.Finish();
    // The number, and under it (variant 1) a light strip for the words the game writes there.
    s.TextOutlined(d.label, w / 2, h * 0.3f, FittingScale(d.label, w * 0.6f, 5), kWhite, kInk);
    if (d.variant == 1)
        s.RoundRect(w * 0.08f, h * 0.52f, w * 0.84f, h * 0.16f, 4, WithAlpha(kCream, 0.9f));
    return s.Finish();
}

// A padlock: what a locked choice wears, so that it reads as not yet won.
Canvas Padlock(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height), body = h * 0.55f;
    s.EllipseRing(w / 2, h - body, w * 0.32f, h * 0.36f, w * 0.32f - 7, h * 0.36f - 7, kInk);
    s.EllipseRing(w / 2, h - body, w * 0.32f - 2, h * 0.36f - 2, w * 0.32f - 5, h * 0.36f - 5, {214, 218, 230, 255});
    s.OutlinedRoundRect(1, h - body - 1, w - 2, body, 5, {250, 196, 48, 255}, kInk, 2.5f);
    s.Rect(5, h - body + 3, w - 10, 3, {255, 232, 150, 255});
    s.Circle(w / 2, h - body * 0.6f, w * 0.09f, kInk);
    s.Polygon({{w / 2 - w * 0.05f, h - body * 0.6f},
               {w / 2 + w * 0.05f, h - body * 0.6f},
               {w / 2 + w * 0.08f, h - body * 0.2f},
               {w / 2 - w * 0.08f, h - body * 0.2f}},
              kInk);
    return s.Finish();
}

// A digit for counters: white with an outline, filling the picture's height.
Canvas Digit(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    const int scale = std::max(1, std::min(int((h - 6) / 7), int((w - 6) / 5)));
    s.TextOutlined(d.label, w / 2, h / 2, scale, ColourOr(d, kWhite), kInk, std::max(1.5f, float(scale) / 3));
    return s.Finish();
}

Canvas Heart(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    const Colour c = ColourOr(d, {255, 70, 110, 255});
    auto heart = [&](float inset, Colour colour)
    {
        const float r = w * 0.27f - inset;
        s.Circle(w * 0.3f, h * 0.36f, r, colour);
        s.Circle(w * 0.7f, h * 0.36f, r, colour);
        s.Polygon({{w * 0.05f + inset * 1.2f, h * 0.45f}, {w * 0.95f - inset * 1.2f, h * 0.45f},
                   {w / 2, h * 0.95f - inset * 1.6f}},
                  colour);
    };
    heart(0, kInk);
    heart(2.5f, c);
    s.Ellipse(w * 0.3f, h * 0.3f, w * 0.08f, h * 0.06f, Lighter(c, 0.6f));
    return s.Finish();
}

Canvas Flower(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), r = w * 0.2f;
    const Colour c = ColourOr(d, {255, 160, 210, 255});
    for (int i = 0; i < 5; ++i)
    {
        const float a = kTwoPi * float(i) / 5;
        s.Circle(w / 2 + std::cos(a) * r * 1.2f, w / 2 + std::sin(a) * r * 1.2f, r + 1, Darker(c, 0.3f));
        s.Circle(w / 2 + std::cos(a) * r * 1.2f, w / 2 + std::sin(a) * r * 1.2f, r, c);
    }
    s.Circle(w / 2, w / 2, r * 0.8f, {255, 214, 60, 255});
    return s.Finish();
}

Canvas Tick(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    s.Circle(w / 2, h / 2, w / 2 - 1, kInk);
    s.Circle(w / 2, h / 2, w / 2 - 3, ColourOr(d, {60, 180, 90, 255}));
    s.Line(w * 0.27f, h * 0.52f, w * 0.45f, h * 0.7f, w * 0.12f, kWhite);
    s.Line(w * 0.43f, h * 0.72f, w * 0.76f, h * 0.3f, w * 0.12f, kWhite);
    return s.Finish();
}

Canvas GoldStar(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    const Colour c = ColourOr(d, {255, 204, 40, 255});
    s.Star(w / 2, h * 0.54f, w / 2, w * 0.22f, kInk);
    s.Star(w / 2, h * 0.54f, w / 2 - 3, w * 0.22f - 1.5f, c);
    s.Star(w / 2 - 1, h * 0.5f, w * 0.2f, w * 0.09f, Lighter(c, 0.5f));
    return s.Finish();
}

// A piece of confetti: a bright shape in its colour, or without one, in a colour of its
// variant's.
Canvas Confetti(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    const Colour bright[4] = {{255, 204, 40, 255}, {255, 80, 150, 255}, {60, 170, 255, 255}, {90, 220, 90, 255}};
    const Colour c = ColourOr(d, bright[((d.variant % 4) + 3) % 4]);
    s.RoundRect(0, 0, w, h, std::min(w, h) * 0.25f, Darker(c, 0.3f));
    s.RoundRect(1, 1, w - 2, h - 2, std::min(w, h) * 0.2f, c);
    return s.Finish();
}

// A glow: bright in the middle, fading to nothing at the edge.
Canvas Flash(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    const Colour c = ColourOr(d, kWhite);
    for (int i = 0; i < 12; ++i)
    {
        const float t = float(i) / 12;
        s.Ellipse(w / 2, h / 2, w / 2 * (1 - t), h / 2 * (1 - t), WithAlpha(c, 0.12f + 0.08f * t));
    }
    return s.Finish();
}

// A four-pointed sparkle.
Canvas Sparkle(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    const Colour c = ColourOr(d, kWhite);
    s.Circle(w / 2, h / 2, w * 0.3f, WithAlpha(c, 0.3f));
    s.Polygon({{w / 2, 0}, {w * 0.58f, h * 0.42f}, {w, h / 2}, {w * 0.58f, h * 0.58f}, {w / 2, h}, {w * 0.42f, h * 0.58f},
               {0, h / 2}, {w * 0.42f, h * 0.42f}},
              c);
    return s.Finish();
}

// A results badge: a medallion with its sign (sugar, sticker or star by the label) over a
// ribbon with the label; a grey medallion is the badge not won. Variant 1 adds a dark plate
// below, from BadgePlateTop to the bottom, for a figure the game writes there in white.
Canvas Badge(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), r = BadgeRadius(w), cx = w / 2, cy = r + 4;
    const Colour c = ColourOr(d, {255, 204, 40, 255});
    const bool won = !(c.r == c.g && c.g == c.b);
    s.Circle(cx + 3, cy + 4, r, kShadow);
    s.OutlinedEllipse(cx, cy, r, r, c, kInk, 4);
    s.Ring(cx, cy, r - 10, r - 13, won ? Lighter(c, 0.45f) : Colour{200, 200, 210, 255});
    const Colour sign = won ? kWhite : Colour{200, 200, 210, 255};
    if (d.label == "Sugar")
    {
        s.RoundRect(cx - r * 0.36f, cy - r * 0.36f, r * 0.72f, r * 0.72f, 4, kInk);
        s.RoundRect(cx - r * 0.3f, cy - r * 0.3f, r * 0.6f, r * 0.6f, 3, sign);
    }
    else if (d.label == "Sticker")
    {
        s.Circle(cx, cy, r * 0.42f, kInk);
        s.Circle(cx, cy, r * 0.36f, sign);
        s.Star(cx, cy, r * 0.28f, r * 0.12f, c);
    }
    else
    {
        s.Star(cx, cy + 2, r * 0.5f, r * 0.22f, kInk);
        s.Star(cx, cy + 2, r * 0.42f, r * 0.18f, sign);
    }
    const float ry = 2 * r + 12;
    s.RoundRect(6, ry, w - 12, 26, 8, kInk);
    s.RoundRect(9, ry + 3, w - 18, 20, 6, won ? Darker(c, 0.25f) : Colour{110, 112, 126, 255});
    s.TextCentred(d.label, w / 2, ry + 13, FittingScale(d.label, w - 28, 2), kWhite);
    if (d.variant == 1)
    {
        const float py = BadgePlateTop(w), ph = float(d.height) - py - 2;
        s.RoundRect(0, py, w, ph, 12, kInk);
        s.RoundRect(3, py + 3, w - 6, ph - 6, 9, {56, 72, 120, 255});
    }
    return s.Finish();
}

// The jump indicator: a light behind the player's jump, a green arrow up in a ring when
// jumping is allowed (variant 0), a red ring struck through when it is not (1).
Canvas Indicator(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height), r = std::min(w, h) / 2 - 2;
    const bool blocked = d.variant != 0;
    const Colour c = blocked ? Colour{230, 70, 70, 255} : Colour{80, 200, 110, 255};
    s.Circle(w / 2, h / 2, r, WithAlpha(kInk, 0.55f));
    s.Ring(w / 2, h / 2, r, r * 0.8f, c);
    s.Polygon({{w / 2, h * 0.24f}, {w * 0.72f, h * 0.5f}, {w * 0.58f, h * 0.5f}, {w * 0.58f, h * 0.74f},
               {w * 0.42f, h * 0.74f}, {w * 0.42f, h * 0.5f}, {w * 0.28f, h * 0.5f}},
              blocked ? Colour{160, 160, 170, 255} : kWhite);
    if (blocked)
        s.Line(w * 0.26f, h * 0.26f, w * 0.74f, h * 0.74f, r * 0.2f, c);
    return s.Finish();
}

// The power bar's fill, and its frame.
Canvas Bar(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    const Colour c = ColourOr(d, {255, 150, 40, 255});
    s.RectGradient(0, 0, w, h, Lighter(c, 0.3f), Darker(c, 0.15f));
    s.Rect(0, 2, w, 2, Lighter(c, 0.55f));
    return s.Finish();
}

Canvas BarFrame(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    s.RoundRect(0, 0, w, h, h / 2, kInk);
    s.RoundRect(3, 3, w - 6, h - 6, h / 2 - 3, {70, 74, 96, 200});
    return s.Finish();
}

// A menu backdrop: a pale sky over soft hills, light enough for dark words.
Canvas Backdrop(const PictureDesc& d)
{
    Sketch s(d.width, d.height, 1);
    const float w = float(d.width), h = float(d.height);
    s.RectGradient(0, 0, w, h, {150, 206, 246, 255}, {226, 244, 255, 255});
    Dice dice(21);
    for (int i = 0; i < 6; ++i)
    {
        const float x = dice.Range(0, w), y = dice.Range(40, h * 0.5f), size = dice.Range(30, 60);
        s.Ellipse(x, y, size * 1.3f, size * 0.45f, {255, 255, 255, 200});
        s.Ellipse(x + size * 0.2f, y - size * 0.25f, size * 0.6f, size * 0.5f, {255, 255, 255, 200});
    }
    std::vector<Vec> hill{{0, h}};
    for (int i = 0; i <= 64; ++i)
    {
        const float x = w * float(i) / 64;
        hill.push_back({x, h * 0.86f - 28 * std::sin(kTwoPi * x / w * 1.5f + 0.7f)});
    }
    hill.push_back({w, h});
    s.Polygon(hill, {150, 214, 150, 255});
    return s.Finish();
}

// A full card: its words in the middle of a shaded ground (splash and loading screens).
Canvas Card(const PictureDesc& d)
{
    Sketch s(d.width, d.height, 1);
    const float w = float(d.width), h = float(d.height);
    const Colour c = ColourOr(d, {40, 60, 110, 255});
    s.RectGradient(0, 0, w, h, Lighter(c, 0.15f), Darker(c, 0.3f));
    Dice dice(40);
    for (int i = 0; i < 24; ++i)
        s.Star(dice.Range(0, w), dice.Range(0, h), dice.Range(3, 8), 1.5f, {255, 255, 255, 90});
    s.TextOutlined(d.label, w / 2, h / 2, FittingScale(d.label, w * 0.8f, 8), kWhite, kInk);
    return s.Finish();
}

// The game's name on a sugar-white banner, a cube beside it.
Canvas Logo(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    s.RoundRect(10, 16, w - 10, h - 16, 36, kShadow);
    s.RoundRect(0, 0, w - 10, h - 16, 36, kInk);
    s.RoundRect(6, 6, w - 22, h - 28, 30, {255, 150, 60, 255});
    s.RoundRect(6, 6, w - 22, (h - 28) * 0.5f, 30, {255, 180, 90, 255});
    s.TextOutlined(d.label, (w - 10) / 2, (h - 16) / 2, FittingScale(d.label, w - 120, 14), kWhite, kInk);
    return s.Finish();
}

// The "z" of a sleeper, rising over a night sky: white in broad strokes, edged in a pale
// blue that reads on the dark sky as well as on the moon. The glyph's lit rows (the lower
// five of its seven) are centred in the picture.
Canvas Snore(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    const float edge = std::max(1.0f, std::min(w, h) / 14);
    const int scale = std::max(1, int((std::min(w, h) - 2 * edge) / kGlyphWidth));
    s.TextOutlined("z", w / 2, h / 2 - float(scale), scale, kWhite, {150, 180, 255, 255}, edge);
    return s.Finish();
}

// Page dots: four, the one of the variant filled.
Canvas Dots(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height), r = h * 0.28f;
    for (int i = 0; i < 4; ++i)
    {
        const float x = w / 2 + (float(i) - 1.5f) * r * 3.2f;
        s.OutlinedEllipse(x, h / 2, r, r, i == d.variant ? Colour{255, 214, 40, 255} : kWhite, kInk, 2);
    }
    return s.Finish();
}
} // namespace

// The medallion (its top 4 pixels down), the ribbon 26 tall 12 below it, then 14 clear.
float BadgePlateTop(float width) { return 2 * BadgeRadius(width) + 12 + 26 + 14; }

void AddScreenPainters(std::map<std::string, Painter>& out)
{
    out["button"] = Button;
    out["toggle"] = Toggle;
    out["focus"] = Focus;
    out["panel"] = Panel;
    out["plate"] = Plate;
    out["hudplate"] = HudPlate;
    out["title"] = Title;
    out["caption"] = Caption;
    out["words"] = Words;
    out["notes"] = Notes;
    out["tile"] = Tile;
    out["padlock"] = Padlock;
    out["digit"] = Digit;
    out["heart"] = Heart;
    out["flower"] = Flower;
    out["tick"] = Tick;
    out["star"] = GoldStar;
    out["confetti"] = Confetti;
    out["flash"] = Flash;
    out["sparkle"] = Sparkle;
    out["badge"] = Badge;
    out["indicator"] = Indicator;
    out["bar"] = Bar;
    out["barframe"] = BarFrame;
    out["backdrop"] = Backdrop;
    out["card"] = Card;
    out["logo"] = Logo;
    out["snore"] = Snore;
    out["dots"] = Dots;
}
} // namespace datagen

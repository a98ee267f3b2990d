// The character and its looks. It is a round little fellow in a jumper, sitting in a teacup
// on a saucer: the body (with the face) and its hair above, the cup, its handle and the
// saucer below. Each part fills its picture, so the same painter serves the small parts of
// the level's rig and the large ones of the customisation screen. Variant 0 is the look the
// game starts with; 1 to 10 are the items to unlock.
#include <cmath>

#include "datagen/ArtParts.h"

namespace datagen
{
namespace
{
Colour Pick(const Colour* list, int count, int variant) { return list[((variant % count) + count) % count]; }

const Colour kJumpers[11] = {{74, 134, 216, 255}, {220, 64, 70, 255},  {70, 170, 90, 255},  {150, 90, 200, 255},
                             {240, 140, 40, 255}, {40, 170, 170, 255}, {236, 110, 170, 255}, {240, 200, 50, 255},
                             {220, 64, 70, 255},  {40, 56, 110, 255},  {120, 200, 240, 255}};
const Colour kCups[11] = {{250, 250, 255, 255}, {255, 214, 214, 255}, {214, 240, 214, 255}, {214, 226, 255, 255},
                          {255, 236, 190, 255}, {236, 214, 255, 255}, {250, 250, 255, 255}, {60, 64, 80, 255},
                          {255, 250, 220, 255}, {200, 240, 240, 255}, {250, 250, 255, 255}};
const Colour kTrims[11] = {{74, 134, 216, 255}, {220, 64, 70, 255},  {70, 170, 90, 255},  {110, 110, 220, 255},
                           {240, 140, 40, 255}, {150, 90, 200, 255}, {236, 110, 170, 255}, {240, 200, 50, 255},
                           {60, 160, 200, 255}, {40, 150, 150, 255}, {240, 120, 60, 255}};
const Colour kHair[11] = {{140, 90, 50, 255},  {60, 50, 44, 255},   {240, 200, 80, 255}, {210, 90, 40, 255},
                          {90, 60, 40, 255},   {240, 120, 170, 255}, {60, 200, 120, 255}, {40, 40, 60, 255},
                          {250, 220, 120, 255}, {150, 90, 200, 255}, {255, 210, 40, 255}};
// The trail colours the game itself mixes for each look.
const Colour kTrails[11] = {{0, 255, 255, 255},  {0, 42, 248, 255},   {255, 99, 196, 255}, {194, 48, 247, 255},
                            {255, 171, 20, 255}, {23, 255, 56, 255},  {255, 241, 0, 255},  {241, 113, 185, 255},
                            {114, 214, 71, 255}, {223, 38, 21, 255},  {80, 255, 132, 255}};

// The round body in its jumper, with the face above the collar.
Canvas Body(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height), t = std::max(1.5f, w / 24);
    const Colour jumper = Pick(kJumpers, 11, d.variant), skin{255, 236, 214, 255};
    s.Ellipse(w / 2, h / 2, w / 2, h / 2, kInk);
    s.Ellipse(w / 2, h / 2, w / 2 - t, h / 2 - t, skin);
    // The jumper covers the lower part; a ribbed collar marks its top.
    const float collar = h * 0.56f;
    const float rx = w / 2 - t, ry = h / 2 - t;
    auto halfWidth = [&](float y) { return rx * std::sqrt(std::max(0.0f, 1 - (y - h / 2) * (y - h / 2) / (ry * ry))); };
    const float half = halfWidth(collar);
    std::vector<Vec> shape{{w / 2 + half, collar}};
    for (int i = 0; i <= 48; ++i)
    {
        const float a = 3.1415927f * float(i) / 48;
        const Vec p{w / 2 + std::cos(a) * rx, h / 2 + std::sin(a) * ry};
        if (p.y > collar)
            shape.push_back(p);
    }
    shape.push_back({w / 2 - half, collar});
    s.Polygon(shape, jumper);
    s.Rect(w / 2 - half, collar - t * 0.5f, 2 * half, t * 1.6f, Darker(jumper, 0.2f));
    // Patterns of the unlockable jumpers.
    if (d.variant == 8 || d.variant == 10)
        for (float y = collar + h * 0.12f; y < h - 2 * t; y += h * 0.12f)
        {
            const float stripe = std::min(halfWidth(y), halfWidth(y + h * 0.05f));
            s.Rect(w / 2 - stripe, y, 2 * stripe, h * 0.05f, d.variant == 8 ? kWhite : Colour{255, 230, 90, 255});
        }
    if (d.variant == 9)
        for (float x = w * 0.3f; x < w * 0.8f; x += w * 0.2f)
            s.Star(x, collar + h * 0.2f, w * 0.06f, w * 0.025f, {255, 230, 90, 255});
    if (d.variant == 3 || d.variant == 5)
        s.Star(w / 2, collar + h * 0.2f, w * 0.1f, w * 0.045f, kWhite);
    // The face: two eyes with a shine (shut, with the label "asleep"), rosy cheeks and a
    // small smile.
    const float eyeY = h * 0.34f, eyeDx = w * 0.16f, eyeR = std::max(1.6f, w * 0.075f);
    for (float side : {-1.0f, 1.0f})
    {
        if (d.label == "asleep")
            s.Line(w / 2 + side * eyeDx - eyeR, eyeY, w / 2 + side * eyeDx + eyeR, eyeY, eyeR * 0.6f, kInk);
        else
        {
            s.Ellipse(w / 2 + side * eyeDx, eyeY, eyeR, eyeR * 1.25f, kInk);
            s.Circle(w / 2 + side * eyeDx - eyeR * 0.3f, eyeY - eyeR * 0.4f, eyeR * 0.38f, kWhite);
        }
        s.Ellipse(w / 2 + side * eyeDx * 1.75f, eyeY + h * 0.1f, w * 0.07f, h * 0.04f, {255, 150, 150, 200});
    }
    s.Polygon({{w / 2 - w * 0.07f, h * 0.45f}, {w / 2 + w * 0.07f, h * 0.45f}, {w / 2, h * 0.5f}}, kInk);
    return s.Finish();
}

// The cup's bowl seen from the front, its pattern by variant.
Canvas Cup(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height), t = std::max(1.5f, w / 26);
    const Colour china = Pick(kCups, 11, d.variant), trim = Pick(kTrims, 11, d.variant);
    std::vector<Vec> bowl;
    bowl.push_back({0, 0});
    bowl.push_back({w, 0});
    for (int i = 0; i <= 16; ++i)
    {
        const float a = 3.1415927f * float(i) / 16;
        bowl.push_back({w / 2 + std::cos(a) * w / 2 * 0.92f, h * 0.35f + std::sin(a) * h * 0.65f});
    }
    s.Polygon(bowl, kInk);
    std::vector<Vec> inner;
    for (const Vec& p : bowl)
        inner.push_back({w / 2 + (p.x - w / 2) * (1 - 2 * t / w), t + (p.y) * (1 - 2 * t / h)});
    s.Polygon(inner, china);
    s.Rect(t, t, w - 2 * t, h * 0.14f, trim);
    switch (d.variant % 5)
    {
    case 1:
        for (float x = w * 0.2f; x < w * 0.85f; x += w * 0.2f)
            s.Circle(x, h * 0.5f, w * 0.05f, trim);
        break;
    case 2:
        s.Rect(t * 2, h * 0.45f, w - 4 * t, h * 0.1f, trim);
        break;
    case 3:
        s.Star(w / 2, h * 0.52f, w * 0.14f, w * 0.06f, trim);
        break;
    case 4:
        for (float x = w * 0.25f; x < w * 0.8f; x += w * 0.25f)
            s.Polygon({{x - w * 0.06f, h * 0.42f}, {x + w * 0.06f, h * 0.42f}, {x, h * 0.58f}}, trim);
        break;
    default:
        break;
    }
    s.Ellipse(w * 0.25f, h * 0.42f, w * 0.06f, h * 0.16f, {255, 255, 255, 200});
    return s.Finish();
}

// The saucer under the cup.
Canvas Saucer(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height), t = std::max(1.2f, h / 7);
    const Colour china = Pick(kCups, 11, d.variant), trim = Pick(kTrims, 11, d.variant);
    s.Ellipse(w / 2, h / 2, w / 2, h / 2, kInk);
    s.Ellipse(w / 2, h / 2, w / 2 - t, h / 2 - t, china);
    s.Ellipse(w / 2, h * 0.62f, w / 2 - t * 3, h * 0.22f, trim);
    return s.Finish();
}

// The handle: a loop whose left side the cup covers.
Canvas Handle(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height), t = std::max(1.2f, w / 10);
    const Colour china = Pick(kCups, 11, d.variant);
    // Centred on the picture's left edge: the cup covers the loop's left half.
    s.EllipseRing(0, h / 2, w - 0.5f, h / 2 - 0.5f, w * 0.45f, h * 0.22f, kInk);
    s.EllipseRing(0, h / 2, w - 0.5f - t, h / 2 - 0.5f - t, w * 0.45f + t, h * 0.22f + t, china);
    return s.Finish();
}

// Hair styles sitting on top of the head.
Canvas Hair(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    const Colour c = Pick(kHair, 11, d.variant), line = Darker(c, 0.45f);
    auto tuft = [&](float x, float y, float rx, float ry)
    {
        s.Ellipse(x, y, rx + 1.5f, ry + 1.5f, line);
        s.Ellipse(x, y, rx, ry, c);
    };
    switch (d.variant)
    {
    case 1: // spikes
        for (int i = 0; i < 5; ++i)
        {
            const float x = w * (0.18f + 0.16f * float(i));
            s.Polygon({{x - w * 0.1f, h}, {x, h * 0.05f}, {x + w * 0.1f, h}}, line);
            s.Polygon({{x - w * 0.07f, h}, {x, h * 0.15f}, {x + w * 0.07f, h}}, c);
        }
        break;
    case 2: // a bun
        tuft(w / 2, h * 0.32f, w * 0.16f, h * 0.28f);
        tuft(w / 2, h * 0.78f, w * 0.4f, h * 0.22f);
        break;
    case 5: // a bow
        tuft(w / 2, h * 0.8f, w * 0.38f, h * 0.2f);
        s.Polygon({{w / 2, h * 0.45f}, {w * 0.2f, h * 0.1f}, {w * 0.2f, h * 0.8f}}, {230, 60, 120, 255});
        s.Polygon({{w / 2, h * 0.45f}, {w * 0.8f, h * 0.1f}, {w * 0.8f, h * 0.8f}}, {230, 60, 120, 255});
        s.Circle(w / 2, h * 0.45f, h * 0.12f, {250, 120, 170, 255});
        break;
    case 6: // a crest
        for (int i = 0; i < 4; ++i)
            tuft(w / 2, h * (0.2f + 0.2f * float(i)), w * 0.1f, h * 0.16f);
        break;
    case 9: // a flower
        tuft(w / 2, h * 0.8f, w * 0.38f, h * 0.2f);
        for (int i = 0; i < 5; ++i)
        {
            const float a = kTwoPi * float(i) / 5;
            s.Circle(w * 0.7f + std::cos(a) * h * 0.16f, h * 0.4f + std::sin(a) * h * 0.16f, h * 0.13f,
                     {255, 240, 250, 255});
        }
        s.Circle(w * 0.7f, h * 0.4f, h * 0.1f, {255, 210, 60, 255});
        break;
    case 10: // a crown
        s.Polygon({{w * 0.2f, h}, {w * 0.2f, h * 0.2f}, {w * 0.35f, h * 0.55f}, {w * 0.5f, h * 0.05f},
                   {w * 0.65f, h * 0.55f}, {w * 0.8f, h * 0.2f}, {w * 0.8f, h}},
                  line);
        s.Polygon({{w * 0.23f, h - 2}, {w * 0.23f, h * 0.32f}, {w * 0.35f, h * 0.65f}, {w * 0.5f, h * 0.18f},
                   {w * 0.65f, h * 0.65f}, {w * 0.77f, h * 0.32f}, {w * 0.77f, h - 2}},
                  c);
        s.Circle(w / 2, h * 0.72f, h * 0.1f, {230, 60, 90, 255});
        break;
    default: // curls, more of them for the later styles
        for (int i = 0; i < 3 + d.variant % 3; ++i)
        {
            const int n = 3 + d.variant % 3;
            tuft(w * (0.22f + 0.56f * float(i) / float(n - 1)), h * 0.62f, w * 0.16f, h * 0.36f);
        }
        tuft(w / 2, h * 0.38f, w * 0.18f, h * 0.36f);
        break;
    }
    return s.Finish();
}

// A trail look: soft blobs of its colour fading off to the left, with sparkles.
Canvas Trail(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height);
    const Colour c = Pick(kTrails, 11, d.variant);
    for (int i = 0; i < 4; ++i)
    {
        const float t = float(i) / 3;
        s.Circle(w * (0.2f + 0.22f * float(i)), h / 2, h * (0.1f + 0.1f * t), WithAlpha(c, 0.35f + 0.65f * t));
    }
    s.Star(w * 0.82f, h * 0.3f, h * 0.12f, h * 0.04f, kWhite);
    s.Star(w * 0.35f, h * 0.72f, h * 0.08f, h * 0.03f, kWhite);
    return s.Finish();
}
// The character as a whole, its parts placed as in the level's rig, scaled to the width.
void Character(Sketch& s, float cx, float bottom, float width, bool asleep)
{
    const float k = width / 56;
    auto part = [&](Painter paint, float w, float h, const char* label)
    {
        PictureDesc d;
        d.width = int(w * k);
        d.height = int(h * k);
        d.colour = {0, 0, 0, 0};
        d.label = label;
        return paint(d);
    };
    const float y = bottom - 20 * k; // the body circle's middle
    s.Picture(part(Body, 36, 34, asleep ? "asleep" : ""), cx - 18 * k, y - 40 * k);
    s.Picture(part(Hair, 40, 18, ""), cx - 20 * k, y - 52 * k);
    s.Picture(part(Saucer, 56, 10, ""), cx - 28 * k, y + 12 * k);
    s.Picture(part(Handle, 14, 20, ""), cx + 18 * k, y - 8 * k);
    s.Picture(part(Cup, 44, 30, ""), cx - 22 * k, y - 11 * k);
}

// The comic's pages: 1 asleep at night, 2 dreaming of sugar, 3 awake somewhere new; the
// label is the caption along the bottom.
Canvas Comic(const PictureDesc& d)
{
    Sketch s(d.width, d.height);
    const float w = float(d.width), h = float(d.height), ground = h * 0.72f;
    switch (d.variant)
    {
    case 1:
    {
        s.RectGradient(0, 0, w, h, {20, 30, 70, 255}, {60, 70, 130, 255});
        s.Circle(w * 0.75f, h * 0.18f, w * 0.1f, {250, 240, 200, 255});
        s.Circle(w * 0.7f, h * 0.16f, w * 0.09f, {40, 50, 100, 255});
        Dice dice(90);
        for (int i = 0; i < 12; ++i)
            s.Star(dice.Range(10, w - 10), dice.Range(10, h * 0.5f), 4, 1.5f, {255, 255, 220, 255});
        s.Rect(0, ground, w, h - ground, {50, 60, 100, 255});
        Character(s, w / 2, ground + 4, w * 0.5f, true);
        break;
    }
    case 2:
    {
        s.RectGradient(0, 0, w, h, {120, 90, 190, 255}, {230, 170, 230, 255});
        Dice dice(60);
        for (int i = 0; i < 7; ++i)
        {
            const float size = dice.Range(24, 44);
            PictureDesc cube;
            cube.width = cube.height = int(size);
            cube.colour = {0, 0, 0, 0};
            s.Picture(FindPainter("sugar")(cube), dice.Range(10, w - size - 10), dice.Range(20, h * 0.55f));
        }
        s.Ellipse(w / 2, ground + 10, w * 0.42f, 26, {255, 255, 255, 160});
        Character(s, w / 2, ground + 4, w * 0.5f, true);
        break;
    }
    default:
        s.RectGradient(0, 0, w, ground, {70, 150, 230, 255}, {200, 236, 255, 255});
        s.Circle(w * 0.2f, h * 0.15f, w * 0.08f, {255, 240, 160, 255});
        s.Ellipse(w * 0.3f, ground, w * 0.6f, 50, {120, 190, 120, 255});
        s.Ellipse(w * 0.85f, ground, w * 0.5f, 70, {104, 178, 112, 255});
        s.Rect(0, ground, w, h - ground, {108, 194, 74, 255});
        Character(s, w / 2, ground + 4, w * 0.5f, false);
        break;
    }
    const float band = h - ground;
    s.Rect(0, h - band * 0.55f, w, band * 0.55f, {255, 247, 230, 235});
    s.TextCentred(d.label, w / 2, h - band * 0.28f, FittingScale(d.label, w - 20, 2), kInk);
    return s.Finish();
}
} // namespace

void AddCharacterPainters(std::map<std::string, Painter>& out)
{
    out["body"] = Body;
    out["cup"] = Cup;
    out["saucer"] = Saucer;
    out["handle"] = Handle;
    out["hair"] = Hair;
    out["trail"] = Trail;
    out["comic"] = Comic;
}
} // namespace datagen

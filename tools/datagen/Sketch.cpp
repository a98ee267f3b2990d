#include "datagen/Sketch.h"

#include <algorithm>
#include <cmath>

#include "datagen/Glyphs.h"

namespace datagen
{
namespace
{
uint8_t Byte(float v) { return uint8_t(std::clamp(v, 0.0f, 255.0f) + 0.5f); }
} // namespace

Colour WithAlpha(Colour c, float alpha) { return {c.r, c.g, c.b, Byte(float(c.a) * alpha)}; }

Colour Mix(Colour a, Colour b, float t)
{
    auto m = [t](uint8_t x, uint8_t y) { return Byte(float(x) + (float(y) - float(x)) * t); };
    return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b), m(a.a, b.a)};
}

Colour Darker(Colour c, float amount) { return Mix(c, {0, 0, 0, c.a}, amount); }
Colour Lighter(Colour c, float amount) { return Mix(c, {255, 255, 255, c.a}, amount); }

namespace
{
int SamplesFor(int w, int h, int asked)
{
    if (asked > 0)
        return std::min(asked, 8);
    const int side = std::max(w, h);
    return side <= 64 ? 4 : side <= 160 ? 3 : 2;
}
} // namespace

Sketch::Sketch(int w, int h, int n)
    : width(std::max(w, 1)), height(std::max(h, 1)), samples(SamplesFor(width, height, n)),
      big(width * samples, height * samples)
{
}

void Sketch::Paint(int sx, int sy, Colour c)
{
    if (sx < 0 || sy < 0 || sx >= big.Width() || sy >= big.Height() || c.a == 0)
        return;
    uint8_t* d = &big.Pixels()[(size_t(sy) * size_t(big.Width()) + size_t(sx)) * 4];
    if (c.a == 255 || d[3] == 0)
    {
        d[0] = c.r;
        d[1] = c.g;
        d[2] = c.b;
        d[3] = c.a;
        return;
    }
    // Source over destination, straight (not premultiplied) alpha.
    const float sa = float(c.a) / 255.0f, da = float(d[3]) / 255.0f;
    const float oa = sa + da * (1.0f - sa);
    auto ch = [&](uint8_t s, uint8_t t) { return Byte((float(s) * sa + float(t) * da * (1.0f - sa)) / oa); };
    d[0] = ch(c.r, d[0]);
    d[1] = ch(c.g, d[1]);
    d[2] = ch(c.b, d[2]);
    d[3] = Byte(oa * 255.0f);
}

template <class Inside>
void Sketch::Fill(float x0, float y0, float x1, float y1, Colour c, Inside inside)
{
    const float n = float(samples);
    const int sx0 = std::max(int(std::floor(x0 * n)), 0), sx1 = std::min(int(std::ceil(x1 * n)), big.Width());
    const int sy0 = std::max(int(std::floor(y0 * n)), 0), sy1 = std::min(int(std::ceil(y1 * n)), big.Height());
    for (int sy = sy0; sy < sy1; ++sy)
        for (int sx = sx0; sx < sx1; ++sx)
            if (inside((float(sx) + 0.5f) / n, (float(sy) + 0.5f) / n))
                Paint(sx, sy, c);
}

void Sketch::Rect(float x, float y, float w, float h, Colour c)
{
    // The samples whose centres lie inside, found directly.
    const float n = float(samples);
    const int sx0 = std::max(int(std::ceil(x * n - 0.5f)), 0), sx1 = std::min(int(std::ceil((x + w) * n - 0.5f)), big.Width());
    const int sy0 = std::max(int(std::ceil(y * n - 0.5f)), 0), sy1 = std::min(int(std::ceil((y + h) * n - 0.5f)), big.Height());
    for (int sy = sy0; sy < sy1; ++sy)
        for (int sx = sx0; sx < sx1; ++sx)
            Paint(sx, sy, c);
}

void Sketch::RectGradient(float x, float y, float w, float h, Colour top, Colour bottom)
{
    // One band a sample row high at a time.
    const float step = 1.0f / float(samples);
    for (float row = y; row < y + h; row += step)
        Rect(x, row, w, std::min(step, y + h - row), Mix(top, bottom, h > 0 ? (row - y) / h : 0.0f));
}

void Sketch::RoundRect(float x, float y, float w, float h, float r, Colour c)
{
    r = std::clamp(r, 0.0f, std::min(w, h) / 2);
    Fill(x, y, x + w, y + h, c,
         [&](float px, float py)
         {
             if (px < x || px >= x + w || py < y || py >= y + h)
                 return false;
             const float cx = std::clamp(px, x + r, x + w - r), cy = std::clamp(py, y + r, y + h - r);
             return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= r * r;
         });
}

void Sketch::Ellipse(float cx, float cy, float rx, float ry, Colour c)
{
    if (rx <= 0 || ry <= 0)
        return;
    Fill(cx - rx, cy - ry, cx + rx, cy + ry, c,
         [&](float px, float py)
         {
             const float dx = (px - cx) / rx, dy = (py - cy) / ry;
             return dx * dx + dy * dy <= 1.0f;
         });
}

void Sketch::Ring(float cx, float cy, float outer, float inner, Colour c)
{
    Fill(cx - outer, cy - outer, cx + outer, cy + outer, c,
         [&](float px, float py)
         {
             const float d = (px - cx) * (px - cx) + (py - cy) * (py - cy);
             return d <= outer * outer && d >= inner * inner;
         });
}

void Sketch::EllipseRing(float cx, float cy, float rx, float ry, float irx, float iry, Colour c)
{
    if (rx <= 0 || ry <= 0 || irx <= 0 || iry <= 0)
        return;
    Fill(cx - rx, cy - ry, cx + rx, cy + ry, c,
         [&](float px, float py)
         {
             const float ox = (px - cx) / rx, oy = (py - cy) / ry, ix = (px - cx) / irx, iy = (py - cy) / iry;
             return ox * ox + oy * oy <= 1.0f && ix * ix + iy * iy >= 1.0f;
         });
}

void Sketch::Polygon(const std::vector<Vec>& points, Colour c)
{
    if (points.size() < 3)
        return;
    // Row by row of samples: the edges' crossings of the row, paired off left to right.
    const float n = float(samples);
    float y0 = points[0].y, y1 = y0;
    for (const Vec& p : points)
    {
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    const int sy0 = std::max(int(std::floor(y0 * n)), 0), sy1 = std::min(int(std::ceil(y1 * n)), big.Height());
    std::vector<float> crossings;
    for (int sy = sy0; sy < sy1; ++sy)
    {
        const float py = (float(sy) + 0.5f) / n;
        crossings.clear();
        for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++)
        {
            const Vec& a = points[i];
            const Vec& b = points[j];
            if ((a.y > py) != (b.y > py))
                crossings.push_back((b.x - a.x) * (py - a.y) / (b.y - a.y) + a.x);
        }
        std::sort(crossings.begin(), crossings.end());
        for (size_t k = 0; k + 1 < crossings.size(); k += 2)
        {
            // Samples whose centre lies between the two crossings.
            const int sx0 = std::max(int(std::ceil(crossings[k] * n - 0.5f)), 0);
            const int sx1 = std::min(int(std::ceil(crossings[k + 1] * n - 0.5f)), big.Width());
            for (int sx = sx0; sx < sx1; ++sx)
                Paint(sx, sy, c);
        }
    }
}

void Sketch::Line(float x0, float y0, float x1, float y1, float w, Colour c)
{
    const float dx = x1 - x0, dy = y1 - y0, len = std::sqrt(dx * dx + dy * dy);
    if (len <= 0)
        return;
    const float nx = -dy / len * w / 2, ny = dx / len * w / 2;
    Polygon({{x0 + nx, y0 + ny}, {x1 + nx, y1 + ny}, {x1 - nx, y1 - ny}, {x0 - nx, y0 - ny}}, c);
}

void Sketch::OutlinedRoundRect(float x, float y, float w, float h, float r, Colour fill, Colour line, float t)
{
    RoundRect(x, y, w, h, r, line);
    RoundRect(x + t, y + t, w - 2 * t, h - 2 * t, std::max(r - t, 0.0f), fill);
}

void Sketch::OutlinedEllipse(float cx, float cy, float rx, float ry, Colour fill, Colour line, float t)
{
    Ellipse(cx, cy, rx, ry, line);
    Ellipse(cx, cy, rx - t, ry - t, fill);
}

void Sketch::Star(float cx, float cy, float outer, float inner, Colour c, float turn)
{
    std::vector<Vec> points;
    for (int i = 0; i < 10; ++i)
    {
        const float a = turn - 1.5707964f + float(i) * 0.62831855f;
        const float r = i % 2 == 0 ? outer : inner;
        points.push_back({cx + std::cos(a) * r, cy + std::sin(a) * r});
    }
    Polygon(points, c);
}

void Sketch::Text(const std::string& text, float x, float y, int scale, Colour c)
{
    const float k = float(scale);
    ForEachGlyphPixel(text, [&](int gx, int gy) { Rect(x + float(gx) * k, y + float(gy) * k, k, k, c); });
}

void Sketch::TextCentred(const std::string& text, float cx, float cy, int scale, Colour c)
{
    Text(text, std::round(cx - float(TextWidth(text, scale)) / 2), std::round(cy - float(TextHeight(scale)) / 2), scale,
         c);
}

void Sketch::TextOutlined(const std::string& text, float cx, float cy, int scale, Colour ink, Colour line,
                          float thickness)
{
    const float x = std::round(cx - float(TextWidth(text, scale)) / 2);
    const float y = std::round(cy - float(TextHeight(scale)) / 2);
    const float o = thickness > 0 ? thickness : float(std::max(1, scale / 2));
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (dx != 0 || dy != 0)
                Text(text, x + float(dx) * o, y + float(dy) * o, scale, line);
    Text(text, x, y, scale, ink);
}

void Sketch::Picture(const Canvas& picture, float x, float y)
{
    const int ox = int(std::round(x * float(samples))), oy = int(std::round(y * float(samples)));
    for (int py = 0; py < picture.Height(); ++py)
        for (int px = 0; px < picture.Width(); ++px)
        {
            const Colour c = picture.At(px, py);
            if (c.a == 0)
                continue;
            for (int sy = 0; sy < samples; ++sy)
                for (int sx = 0; sx < samples; ++sx)
                    Paint(ox + px * samples + sx, oy + py * samples + sy, c);
        }
}

Canvas Sketch::Finish() const
{
    Canvas out(width, height);
    const int n = samples, count = n * n;
    const uint8_t* pixels = big.Pixels().data();
    const size_t stride = size_t(big.Width()) * 4;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            // Averaged with the colours weighted by their alpha, so clear samples add no black.
            uint32_t r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < n; ++sy)
            {
                const uint8_t* p = pixels + size_t(y * n + sy) * stride + size_t(x * n) * 4;
                for (int sx = 0; sx < n; ++sx, p += 4)
                {
                    r += uint32_t(p[0]) * p[3];
                    g += uint32_t(p[1]) * p[3];
                    b += uint32_t(p[2]) * p[3];
                    a += p[3];
                }
            }
            if (a > 0)
                out.Set(x, y, {uint8_t(r / a), uint8_t(g / a), uint8_t(b / a), uint8_t(a / uint32_t(count))});
        }
    return out;
}

int FittingScale(const std::string& text, float width, int most, float height)
{
    int scale = std::max(most, 1);
    while (scale > 1 && (float(TextWidth(text, scale)) > width || float(TextHeight(scale)) > height))
        --scale;
    return scale;
}
} // namespace datagen

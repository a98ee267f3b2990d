#include "KelpoBase/debug/DbgElement.h"

#include <cmath>
#include <cstdio>

#include "KelpoBase/core/Vec2.h"
#include "KelpoBase/debug/DbgScreen.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Font.h"
#include "KelpoBase/render/Gfx2D.h"

namespace
{
constexpr uint8_t kAnchorLeftMiddle = 0x01;
constexpr uint8_t kAnchorCentre = 0x00;

void Line(cGfx2D& gfx, int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    const cVec2f points[2] = {{float(x0), float(y0)}, {float(x1), float(y1)}};
    gfx.DrawLineStrip(points, nullptr, 2, false);
}

void Fill(cGfx2D& gfx, const cRGBA& colour, float x, float y, float w, float h)
{
    gfx.SetColour(colour.Word());
    FillRectAt(gfx, x, y, w, h);
}

// Snaps a value to the nearest multiple of the step (a value halfway goes up).
float SnapToStep(float value, float step)
{
    const float shifted = value + 0.5f * step;
    return shifted - std::fmod(shifted, step);
}
} // namespace

std::string FloatToString(float value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%f", double(value));
    return buffer;
}

std::string DbgValueText(uint32_t value) { return std::to_string(value); }
std::string DbgValueText(int32_t value) { return std::to_string(value); }

// --- drawing helpers ------------------------------------------------------------------------

void DrawDbgFrame(cGfx2D& gfx, int32_t x, int32_t y, int32_t w, int32_t h, bool pressed)
{
    const int32_t W = w - 1;
    const int32_t H = h - 1;
    Fill(gfx, pressed ? kDbgFacePressedColour : kDbgFaceColour, float(x), float(y), float(W), float(H));

    gfx.SetColour((pressed ? kDbgDarkColour : kDbgLightColour).Word());
    Line(gfx, x, y, x + W, y);
    Line(gfx, x, y, x, y + H);
    Line(gfx, x, y + 1, x + W, y + 1);
    Line(gfx, x + 1, y, x + 1, y + H);

    gfx.SetColour((pressed ? kDbgLightColour : kDbgDarkColour).Word());
    Line(gfx, x + W, y, x + W, y + H);
    Line(gfx, x, y + H, x + W, y + H);
    Line(gfx, x + W - 1, y, x + W - 1, y + H);
    Line(gfx, x, y + H - 1, x + W, y + H - 1);
}

void DrawDbgPanel(cGfx2D& gfx, int32_t x, int32_t y, int32_t w, int32_t h)
{
    const int32_t W = w - 1;
    const int32_t H = h - 1;
    Fill(gfx, kDbgFaceColour, float(x), float(y), float(W), float(H));

    gfx.SetColour(kDbgLightColour.Word());
    Line(gfx, x, y, x + W, y);
    Line(gfx, x, y, x, y + H);
    Line(gfx, x + W - 1, y + 1, x + W - 1, y + H - 1);
    Line(gfx, x + 1, y + H - 1, x + W - 1, y + H - 1);

    gfx.SetColour(kDbgDarkColour.Word());
    Line(gfx, x + W, y, x + W, y + H);
    Line(gfx, x, y + H, x + W, y + H);
    Line(gfx, x + 1, y + 1, x + W - 1, y + 1);
    Line(gfx, x + 1, y + 1, x + 1, y + H - 1);
}

void DrawDbgThinFrame(cGfx2D& gfx, int32_t x, int32_t y, int32_t w, int32_t h)
{
    const int32_t W = w - 1;
    const int32_t H = h - 1;
    gfx.SetColour(kDbgLightColour.Word());
    Line(gfx, x, y, x + W, y);
    Line(gfx, x, y, x, y + H);
    gfx.SetColour(kDbgDarkColour.Word());
    Line(gfx, x + W, y, x + W, y + H);
    Line(gfx, x, y + H, x + W, y + H);
}

void DrawDbgPanel(cGfx2D& gfx, const cDbgRect& r) { DrawDbgPanel(gfx, r.x, r.y, r.w, r.h); }
void DrawDbgFrame(cGfx2D& gfx, const cDbgRect& r, bool pressed) { DrawDbgFrame(gfx, r.x, r.y, r.w, r.h, pressed); }
void DrawDbgLine(cGfx2D& gfx, float x0, float y0, float x1, float y1) { gfx.DrawLine(x0, y0, x1, y1); }
void DrawDbgText(cGfx2D& gfx, int32_t x, int32_t y, uint8_t flags, const std::string& text)
{
    DrawTextAt(gfx, float(x), float(y), flags, text.c_str());
}
void SetDbgScissor(cGfx2D& gfx, int32_t x, int32_t y, int32_t w, int32_t h) { gfx.SetScissor(x, y, w, h); }
void ClearDbgScissor(cGfx2D& gfx) { gfx.ClearScissor(); }

// --- the row base ----------------------------------------------------------------------------

cDbgElement::~cDbgElement()
{
    if (cDbgScreen* screen = cDbgScreen::Instance())
        screen->ForgetElement(this);
}

void cDbgElement::Draw(cGfx2D&) {}
void cDbgElement::OnPress(int32_t, int32_t) {}
void cDbgElement::OnClick(int32_t, int32_t) {}
void cDbgElement::OnDrag(int32_t, int32_t) {}

// --- text lines and buttons ------------------------------------------------------------------

void cDbgText::Draw(cGfx2D& gfx)
{
    DrawDbgPanel(gfx, 0, 0, GetScreenWidth(), kDbgRowHeight);
    gfx.SetColour(colour.Word());
    DrawTextAt(gfx, 4.0f, 20.0f, kAnchorLeftMiddle, text.c_str());
}

void cDbgButton::Draw(cGfx2D& gfx)
{
    DrawDbgFrame(gfx, 0, 0, GetScreenWidth(), kDbgRowHeight, IsPressed());
    gfx.SetColour(colour.Word());
    DrawTextAt(gfx, 4.0f, IsPressed() ? 21.0f : 20.0f, kAnchorLeftMiddle, text.c_str());
}

cDbgIndexButton::cDbgIndexButton(cDbgPage* target, bool isBack) : target(target)
{
    if (isBack)
        text = "Back";
    else if (target != nullptr)
        text = target->GetTitle();
    else
        text = "Exit";
}

void cDbgIndexButton::OnClick(int32_t, int32_t)
{
    cDbgScreen* screen = cDbgScreen::Instance();
    if (screen == nullptr)
        return;
    if (target != nullptr)
        screen->SetCurrentPage(target);
    else
        screen->CloseMenu();
}

cDbgActivateButton::cDbgActivateButton() : cDbgButton("Debug") { colour = kDbgYellow; }

void cDbgActivateButton::Draw(cGfx2D& gfx)
{
    DrawDbgFrame(gfx, 0, 0, width, kDbgRowHeight, IsPressed());
    gfx.SetColour(colour.Word());
    DrawTextAt(gfx, float(width / 2), IsPressed() ? 21.0f : 20.0f, kAnchorCentre, "Debug");
}

void cDbgActivateButton::OnClick(int32_t, int32_t)
{
    if (cDbgScreen* screen = cDbgScreen::Instance())
        screen->OpenMenu();
}

cDbgHeader::cDbgHeader(cDbgPage* page) : page(page) { colour = kDbgYellow; }

void cDbgHeader::Draw(cGfx2D& gfx)
{
    const int32_t width = GetScreenWidth();
    Fill(gfx, kDbgHeaderColour, 0.0f, 0.0f, float(width), float(kDbgRowHeight));
    gfx.SetColour(colour.Word());
    const std::string title = page != nullptr ? page->GetTitle() : std::string();
    DrawTextAt(gfx, float(width / 2), 20.0f, kAnchorCentre, title.c_str());
}

void cDbgHeader::OnClick(int32_t, int32_t)
{
    if (cDbgScreen* screen = cDbgScreen::Instance())
        screen->CloseMenu();
}

// --- value sliders ---------------------------------------------------------------------------

void cDbgVarSliderBase::SetValue(float) {}
float cDbgVarSliderBase::GetValue() { return 0.0f; }
float cDbgVarSliderBase::GetStep() { return 0.0f; }
float cDbgVarSliderBase::GetMin() { return 0.0f; }
float cDbgVarSliderBase::GetMax() { return 0.0f; }

int32_t cDbgVarSliderBase::GetLabelWidth() const
{
    const cDbgScreen* screen = cDbgScreen::Instance();
    const cFont* font = screen != nullptr ? screen->GetFont() : nullptr;
    return (font != nullptr ? font->MeasureText(label).width : 0) + 8;
}

void cDbgVarSliderBase::Layout()
{
    const int32_t L = owner != nullptr ? owner->GetLabelColumnWidth() : GetLabelWidth();
    const int32_t width = GetScreenWidth();
    labelBox = {0, 0, L, kDbgRowHeight};
    trackBox = {L, 0, width - 40 - 40 - L, kDbgRowHeight};
    minusBox = {trackBox.x + trackBox.w, 0, 40, 40};
    plusBox = {minusBox.x + 40, 0, 40, 40};
}

int32_t cDbgVarSliderBase::BarWidth()
{
    // A range of zero (or a value that is not a number) has no place on the track: no
    // bar. Values outside the range draw an empty or a full bar, never past the track.
    const float range = GetMax() - GetMin();
    const float ratio = (GetValue() - GetMin()) * 1000.0f / range;
    int32_t fraction = 0;
    if (range != 0.0f && std::isfinite(ratio))
        fraction = ratio <= 0.0f ? 0 : ratio >= 1000.0f ? 1000 : int32_t(ratio);
    const int32_t span = trackBox.w - 4;
    if (span <= 0)
        return 0;
    return int32_t(int64_t(fraction) * span / 1000);
}

void cDbgVarSliderBase::Draw(cGfx2D& gfx)
{
    Layout();
    const int32_t width = GetScreenWidth();

    DrawDbgPanel(gfx, labelBox);
    gfx.SetColour(kDbgWhite.Word());
    DrawTextAt(gfx, 4.0f, 20.0f, kAnchorLeftMiddle, label.c_str());

    DrawDbgPanel(gfx, trackBox);

    const float k = float((minusBox.h - 8) / 4);
    DrawDbgFrame(gfx, minusBox, minusPressed != 0);
    {
        const float cx = float(minusBox.CentreX());
        const float cy = float(minusBox.CentreY()) + (minusPressed != 0 ? 1.0f : 0.0f);
        gfx.SetColour(kDbgWhite.Word());
        gfx.DrawLine(cx - k, cy, cx + k, cy);
    }
    DrawDbgFrame(gfx, plusBox, plusPressed != 0);
    {
        const float cx = float(plusBox.CentreX());
        const float cy = float(plusBox.CentreY()) + (plusPressed != 0 ? 1.0f : 0.0f);
        gfx.SetColour(kDbgWhite.Word());
        gfx.DrawLine(cx - k, cy, cx + k, cy);
        gfx.DrawLine(cx, cy - k, cx, cy + k);
    }

    Fill(gfx, kDbgBarColour, float(trackBox.x + 2), 2.0f, float(BarWidth()), float(trackBox.h - 4));

    gfx.SetColour(kDbgWhite.Word());
    const std::string value = FloatToString(GetValue());
    DrawTextAt(gfx, float(labelBox.w + (width - labelBox.w) / 2), 20.0f, kAnchorCentre, value.c_str());
}

void cDbgVarSliderBase::OnPress(int32_t x, int32_t y)
{
    Layout();
    const int32_t ly = y - top;
    activePart = kPartNone;
    minusPressed = 0;
    plusPressed = 0;
    if (trackBox.Contains(x, ly))
        activePart = kPartTrack;
    else if (minusBox.Contains(x, ly))
    {
        activePart = kPartMinus;
        minusPressed = 1;
    }
    else if (plusBox.Contains(x, ly))
    {
        activePart = kPartPlus;
        plusPressed = 1;
    }
}

void cDbgVarSliderBase::OnDrag(int32_t x, int32_t y)
{
    Layout();
    const int32_t ly = y - top;
    switch (activePart)
    {
    case kPartTrack:
    {
        if (!trackBox.Contains(x, ly))
            return;
        const int32_t span = trackBox.w - 4;
        const float minimum = GetMin();
        float value = minimum;
        // A track too narrow to hold a position leaves the value at the minimum.
        if (span > 0)
        {
            int32_t pos = x - 2 - trackBox.x;
            pos = pos < 0 ? 0 : pos > span ? span : pos;
            value = minimum + (GetMax() - minimum) * (float(pos) / float(span));
        }
        const float step = GetStep();
        if (step != 0.0f)
            value = SnapToStep(value, step);
        SetValue(value);
        return;
    }
    case kPartMinus: minusPressed = minusBox.Contains(x, ly) ? 1 : 0; return;
    case kPartPlus: plusPressed = plusBox.Contains(x, ly) ? 1 : 0; return;
    default: return;
    }
}

void cDbgVarSliderBase::OnClick(int32_t x, int32_t y)
{
    if (activePart == kPartMinus || activePart == kPartPlus)
    {
        Layout();
        const int32_t ly = y - top;
        float value = GetValue();
        const float step = GetStep();
        if (activePart == kPartMinus && minusBox.Contains(x, ly))
            value -= step;
        else if (activePart == kPartPlus && plusBox.Contains(x, ly))
            value += step;
        if (step != 0.0f)
            value = SnapToStep(value, step);
        const float maximum = GetMax();
        const float minimum = GetMin();
        if (value > maximum)
            value = maximum;
        else if (value < minimum)
            value = minimum;
        SetValue(value);
    }
    minusPressed = 0;
    plusPressed = 0;
}

// The rows of a debug page: text lines, buttons, page links, the page header, the hidden
// activate button, value sliders and rows bound to a function or a member function, with
// the bevelled frames and panels they are drawn with.
//
// Every row is 40 pixels high and spans the screen. It draws itself in a local frame
// whose origin is its top-left corner and reacts to the pointer through three events the
// debug screen routes to it: press (the button goes down over the row), drag (each later
// frame while the button stays down) and click (the button is released over the same
// row). Event coordinates are the pointer position in screen pixels.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "KelpoBase/core/Colour.h"

class cGfx2D;
class cDbgPage;
class cDbgScreen;

// Palette of the debug rows.
inline constexpr cRGBA kDbgFaceColour{128, 128, 100, 255};
inline constexpr cRGBA kDbgFacePressedColour{158, 158, 100, 255};
inline constexpr cRGBA kDbgLightColour{170, 170, 100, 255};
inline constexpr cRGBA kDbgDarkColour{100, 100, 100, 255};
inline constexpr cRGBA kDbgHeaderColour{148, 128, 100, 255};
inline constexpr cRGBA kDbgYellow{255, 255, 100, 255};
inline constexpr cRGBA kDbgWhite{255, 255, 255, 255};
inline constexpr cRGBA kDbgBarColour{255, 55, 0, 255};

// The height of every row.
inline constexpr int32_t kDbgRowHeight = 40;

// A rectangle in row-local pixels.
struct cDbgRect
{
    int32_t x = 0, y = 0, w = 0, h = 0;

    bool Contains(int32_t px, int32_t py) const { return px >= x && px < x + w && py >= y && py < y + h; }
    int32_t CentreX() const { return x + (w >> 1); }
    int32_t CentreY() const { return y + (h >> 1); }
};

// "%f" of the value.
std::string FloatToString(float value);

// Bevelled button frame: face filled, lit top-left and shaded bottom-right (the other way
// round while pressed).
void DrawDbgFrame(cGfx2D& gfx, int32_t x, int32_t y, int32_t w, int32_t h, bool pressed);
// Etched panel: outer ring lit at the top left, inner ring at the bottom right.
void DrawDbgPanel(cGfx2D& gfx, int32_t x, int32_t y, int32_t w, int32_t h);
// A frame of one line per edge.
void DrawDbgThinFrame(cGfx2D& gfx, int32_t x, int32_t y, int32_t w, int32_t h);
void DrawDbgPanel(cGfx2D& gfx, const cDbgRect& r);
void DrawDbgFrame(cGfx2D& gfx, const cDbgRect& r, bool pressed);
void DrawDbgLine(cGfx2D& gfx, float x0, float y0, float x1, float y1);
void DrawDbgText(cGfx2D& gfx, int32_t x, int32_t y, uint8_t flags, const std::string& text);
void SetDbgScissor(cGfx2D& gfx, int32_t x, int32_t y, int32_t w, int32_t h);
void ClearDbgScissor(cGfx2D& gfx);

// --- the row base ------------------------------------------------------------------------

class cDbgElement
{
public:
    cDbgElement() = default;
    cDbgElement(const cDbgElement&) = delete;
    cDbgElement& operator=(const cDbgElement&) = delete;
    virtual ~cDbgElement();

    virtual void Reserved() {}
    virtual void Draw(cGfx2D& gfx);
    virtual int32_t GetHeight() const { return kDbgRowHeight; }
    virtual void OnPress(int32_t x, int32_t y);
    virtual void OnClick(int32_t x, int32_t y);
    virtual void OnDrag(int32_t x, int32_t y);
    virtual int32_t GetLabelWidth() const { return 0; }

    cDbgPage* GetOwner() const { return owner; }
    void SetOwner(cDbgPage* page) { owner = page; }
    bool IsPressed() const { return pressed != 0; }
    void SetPressed(bool on) { pressed = on ? 1 : 0; }
    int32_t GetTop() const { return top; }
    void SetTop(int32_t y) { top = y; }
    // Whether a row-local y lies above the row's bottom edge.
    bool IsWithinHeight(int32_t localY) const { return localY < GetHeight(); }

protected:
    cDbgPage* owner = nullptr;
    uint8_t pressed = 0;
    int32_t top = 0;
};

// --- text lines and buttons ----------------------------------------------------------------

class cDbgText : public cDbgElement
{
public:
    cDbgText() = default;
    explicit cDbgText(std::string text) : text(std::move(text)) {}

    // Panel over the row and the text at the left, vertically centred.
    void Draw(cGfx2D& gfx) override;

    const std::string& GetText() const { return text; }
    void SetText(std::string newText) { text = std::move(newText); }
    const cRGBA& GetColour() const { return colour; }
    void SetColour(const cRGBA& c) { colour = c; }

protected:
    std::string text;
    cRGBA colour = kDbgWhite;
};

class cDbgButton : public cDbgText
{
public:
    cDbgButton() = default;
    explicit cDbgButton(std::string text) : cDbgText(std::move(text)) {}

    // Bevelled frame (sunk while pressed) and the text, one pixel lower while pressed.
    void Draw(cGfx2D& gfx) override;
};

// A link to a page. With no target it closes the menu.
class cDbgIndexButton : public cDbgButton
{
public:
    // Text: "Back" for a back link, else the target's title, or "Exit" without a target.
    cDbgIndexButton(cDbgPage* target, bool isBack);

    void OnClick(int32_t x, int32_t y) override;
    cDbgPage* GetTarget() const { return target; }

private:
    cDbgPage* target = nullptr;
};

// The hidden corner that opens the menu (tested for pointer input, never drawn by the
// screen).
class cDbgActivateButton : public cDbgButton
{
public:
    cDbgActivateButton();

    void Draw(cGfx2D& gfx) override;
    void OnClick(int32_t x, int32_t y) override;
    int32_t GetWidth() const { return width; }

private:
    int32_t width = 60;
};

// The title band of a page; clicking it closes the menu.
class cDbgHeader : public cDbgText
{
public:
    explicit cDbgHeader(cDbgPage* page);

    void Draw(cGfx2D& gfx) override;
    void OnClick(int32_t x, int32_t y) override;
    cDbgPage* GetPage() const { return page; }

private:
    cDbgPage* page = nullptr;
};

// --- bound rows --------------------------------------------------------------------------------

// The text of a bound value.
inline std::string DbgValueText(const std::string& value) { return value; }
inline std::string DbgValueText(const char* value) { return value != nullptr ? value : "NULL"; }
std::string DbgValueText(uint32_t value);
std::string DbgValueText(int32_t value);
inline std::string DbgValueText(float value) { return FloatToString(value); }

// A button that calls a member function of an object (its result is ignored).
template <class T>
class cDbgButtonMethod : public cDbgButton
{
public:
    template <class R>
    cDbgButtonMethod(std::string text, T* object, R (T::*method)())
        : cDbgButton(std::move(text)), object(object)
    {
        if (method != nullptr)
            call = [method](T& o) { (o.*method)(); };
    }

    void OnClick(int32_t, int32_t) override
    {
        if (object != nullptr && call)
            call(*object);
    }

private:
    T* object = nullptr;
    std::function<void(T&)> call;
};

// A text line reading a label followed by a plain function's result ("NULL" without one).
template <class R>
class cDbgFunc : public cDbgText
{
public:
    using Function = R (*)();
    cDbgFunc(std::string label, Function function) : function(function), label(std::move(label)) {}

    // Rebuilds the text from the function (done at each draw).
    void UpdateText() { text = label + (function != nullptr ? DbgValueText(function()) : std::string("NULL")); }
    void Draw(cGfx2D& gfx) override
    {
        UpdateText();
        cDbgText::Draw(gfx);
    }

private:
    Function function = nullptr;
    std::string label;
};

// A text line reading a label followed by a member function's result ("NULL" without the
// object or the function).
template <class T, class R>
class cDbgMethod : public cDbgText
{
public:
    using Method = R (T::*)();
    cDbgMethod(std::string label, T* object, Method method)
        : method(method), object(object), label(std::move(label))
    {
    }

    void UpdateText()
    {
        text = label + (object != nullptr && method != nullptr ? DbgValueText((object->*method)())
                                                                : std::string("NULL"));
    }
    void Draw(cGfx2D& gfx) override
    {
        UpdateText();
        cDbgText::Draw(gfx);
    }

private:
    Method method = nullptr;
    T* object = nullptr;
    std::string label;
};

// --- value sliders -----------------------------------------------------------------------------

// A row reading: label, track with the value bar, "-" and "+" buttons at the right edge.
// Dragging on the track sets the value from the position; the buttons step it. Derived
// classes supply the value, its range and its step.
class cDbgVarSliderBase : public cDbgElement
{
public:
    enum Part : int32_t
    {
        kPartNone = -1,
        kPartTrack = 0,
        kPartMinus = 1,
        kPartPlus = 2,
    };

    cDbgVarSliderBase() = default;
    explicit cDbgVarSliderBase(std::string label) : label(std::move(label)) {}

    void Draw(cGfx2D& gfx) override;
    void OnPress(int32_t x, int32_t y) override;
    void OnClick(int32_t x, int32_t y) override;
    void OnDrag(int32_t x, int32_t y) override;
    // The label's width in the debug font, plus 8.
    int32_t GetLabelWidth() const override;

    virtual void SetValue(float value);
    virtual float GetValue();
    virtual float GetStep();
    virtual float GetMin();
    virtual float GetMax();

    // Places the label, track and button boxes for the owner page's label column.
    void Layout();
    // The value bar's width in pixels for the current value (0 .. track width - 4).
    int32_t BarWidth();

    const std::string& GetLabel() const { return label; }
    void SetLabel(std::string text) { label = std::move(text); }
    int32_t GetActivePart() const { return activePart; }
    bool IsMinusPressed() const { return minusPressed != 0; }
    bool IsPlusPressed() const { return plusPressed != 0; }
    const cDbgRect& GetLabelBox() const { return labelBox; }
    const cDbgRect& GetTrackBox() const { return trackBox; }
    const cDbgRect& GetMinusBox() const { return minusBox; }
    const cDbgRect& GetPlusBox() const { return plusBox; }

protected:
    std::string label;
    cDbgRect labelBox, trackBox, minusBox, plusBox;
    int32_t activePart = kPartNone;
    uint8_t minusPressed = 0;
    uint8_t plusPressed = 0;
};

// A slider over a float variable with a fixed range and step.
class cDbgFloatSlider : public cDbgVarSliderBase
{
public:
    cDbgFloatSlider(std::string label, float* variable, float minimum, float maximum, float step)
        : cDbgVarSliderBase(std::move(label)), variable(variable), minimum(minimum), maximum(maximum), step(step)
    {
    }

    void SetValue(float value) override
    {
        if (variable != nullptr)
            *variable = value;
    }
    float GetValue() override { return variable != nullptr ? *variable : 0.0f; }
    float GetStep() override { return step; }
    float GetMin() override { return minimum; }
    float GetMax() override { return maximum; }

private:
    float* variable = nullptr;
    float minimum = 0.0f, maximum = 0.0f, step = 0.0f;
};

// A request a slider makes of its value callback: the callback fills the value for the
// codes minimum, maximum, step and current value, and reads it for the code set value.
struct DbgSliderRequest
{
    enum Code : int32_t
    {
        kMinimum = 0,
        kMaximum = 1,
        kStep = 2,
        kCurrent = 3,
        kSet = 4,
    };
    int32_t code = kMinimum;
    float value = 0.0f;
};

// A slider whose value, range and step come from a callback on an object.
template <class T>
class cDbgCallbackSlider : public cDbgVarSliderBase
{
public:
    using Callback = void (*)(T* object, DbgSliderRequest& request);
    cDbgCallbackSlider(std::string label, T* object, Callback callback)
        : cDbgVarSliderBase(std::move(label)), object(object), callback(callback)
    {
    }

    void SetValue(float value) override { Ask(DbgSliderRequest::kSet, value); }
    float GetValue() override { return Ask(DbgSliderRequest::kCurrent); }
    float GetStep() override { return Ask(DbgSliderRequest::kStep); }
    float GetMin() override { return Ask(DbgSliderRequest::kMinimum); }
    float GetMax() override { return Ask(DbgSliderRequest::kMaximum); }

private:
    float Ask(int32_t code, float value = 0.0f)
    {
        DbgSliderRequest request;
        request.code = code;
        request.value = value;
        if (callback != nullptr)
            callback(object, request);
        return request.value;
    }

    T* object = nullptr;
    Callback callback = nullptr;
};

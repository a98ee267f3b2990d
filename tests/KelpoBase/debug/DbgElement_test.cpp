// Debug rows on their own: texts of links and bound rows, member-function buttons, the
// value sliders' drag, step, clamp and degenerate ranges, and the bevel drawing against a
// recording renderer.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "KelpoBase/debug/DbgElement.h"
#include "KelpoBase/debug/DbgScreen.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/FakeRenderer.h"
#include "KelpoBase/render/Gfx2D.h"

namespace
{
struct cCounter
{
    int clicks = 0;
    uint32_t value = 7;
    int Click() { return ++clicks; }
    uint32_t Value() { return value; }
};

std::string Hello() { return "hello"; }

// A page holding one slider (below the header, so its top is 40) on a 1280-pixel screen.
// Without a debug font the widest label is 8, so: track x 8, width 1192 (span 1188),
// minus box x 1200, plus box x 1240.
class SliderTest : public testing::Test
{
protected:
    void SetUp() override { SetScreenSize(1280, 720); }
    void TearDown() override { SetScreenSize(1280, 720); }

    cDbgFloatSlider* Add(float minimum, float maximum, float step)
    {
        auto* slider = new cDbgFloatSlider("Value", &value, minimum, maximum, step);
        page.AddElement(slider);
        return slider;
    }
    // Press at x over the row, drag to each x in turn.
    void PressDrag(cDbgVarSliderBase* s, int32_t pressX, std::initializer_list<int32_t> dragXs, int32_t y = 60)
    {
        s->OnPress(pressX, y);
        for (int32_t x : dragXs)
            s->OnDrag(x, y);
    }

    cDbgPage page{nullptr, "Sliders"};
    float value = 0.0f;
};
} // namespace

TEST(DbgElement, LinkTextsAndTheirColours)
{
    cDbgPage target(nullptr, "Target");
    cDbgIndexButton link(&target, false);
    cDbgIndexButton back(&target, true);
    cDbgIndexButton exit(nullptr, false);
    EXPECT_EQ(link.GetText(), "Target");
    EXPECT_EQ(back.GetText(), "Back");
    EXPECT_EQ(exit.GetText(), "Exit");
    EXPECT_EQ(exit.GetTarget(), nullptr);
    EXPECT_EQ(link.GetColour(), kDbgWhite);

    cDbgActivateButton corner;
    EXPECT_EQ(corner.GetText(), "Debug");
    EXPECT_EQ(corner.GetWidth(), 60);
    EXPECT_EQ(corner.GetColour(), kDbgYellow);
    EXPECT_EQ(corner.GetHeight(), 40);
    EXPECT_TRUE(corner.IsWithinHeight(39));
    EXPECT_FALSE(corner.IsWithinHeight(40));

    // Without a screen, links and headers are clicked safely.
    exit.OnClick(0, 0);
    link.OnClick(0, 0);
}

TEST(DbgElement, BoundRowsReadTheirSourceOrNull)
{
    cCounter counter;
    cDbgFunc<std::string> func("Say: ", &Hello);
    cDbgFunc<std::string> noFunc("Say: ", nullptr);
    cDbgMethod<cCounter, uint32_t> method("Count: ", &counter, &cCounter::Value);
    cDbgMethod<cCounter, uint32_t> noObject("Count: ", nullptr, &cCounter::Value);
    cDbgMethod<cCounter, uint32_t> noMethod("Count: ", &counter, nullptr);
    func.UpdateText();
    noFunc.UpdateText();
    method.UpdateText();
    noObject.UpdateText();
    noMethod.UpdateText();
    EXPECT_EQ(func.GetText(), "Say: hello");
    EXPECT_EQ(noFunc.GetText(), "Say: NULL");
    EXPECT_EQ(method.GetText(), "Count: 7");
    EXPECT_EQ(noObject.GetText(), "Count: NULL");
    EXPECT_EQ(noMethod.GetText(), "Count: NULL");
    counter.value = 4000000000u;
    method.UpdateText();
    EXPECT_EQ(method.GetText(), "Count: 4000000000"); // unsigned decimal

    cDbgButtonMethod<cCounter> button("Click", &counter, &cCounter::Click);
    button.OnPress(0, 0);
    button.OnDrag(0, 0);
    EXPECT_EQ(counter.clicks, 0);
    button.OnClick(0, 0);
    button.OnClick(0, 0);
    EXPECT_EQ(counter.clicks, 2);
    cDbgButtonMethod<cCounter> unbound("Click", nullptr, &cCounter::Click);
    unbound.OnClick(0, 0);
    EXPECT_EQ(counter.clicks, 2);

    EXPECT_EQ(FloatToString(1.5f), "1.500000");
    EXPECT_EQ(FloatToString(-0.25f), "-0.250000");
}

TEST_F(SliderTest, LayoutFromTheLabelColumn)
{
    cDbgFloatSlider* s = Add(0.0f, 10.0f, 1.0f);
    s->Layout();
    EXPECT_EQ(s->GetTop(), 40);
    EXPECT_EQ(s->GetLabelWidth(), 8);
    const cDbgRect track = s->GetTrackBox(), minus = s->GetMinusBox(), plus = s->GetPlusBox();
    EXPECT_EQ(track.x, 8);
    EXPECT_EQ(track.w, 1192);
    EXPECT_EQ(minus.x, 1200);
    EXPECT_EQ(plus.x, 1240);
    EXPECT_EQ(plus.w, 40);
    EXPECT_EQ(plus.CentreX(), 1260);
    EXPECT_EQ(plus.CentreY(), 20);
}

TEST_F(SliderTest, DragMapsThePositionAndSnapsToTheStep)
{
    cDbgFloatSlider* s = Add(0.0f, 10.0f, 1.0f);
    // pos = x - 2 - 8; value = 10 * pos / 1188.
    struct Case
    {
        int32_t x;
        float expected;
    } cases[] = {
        {10 + 285, 2.0f},  // 2.399 snaps down
        {10 + 297, 3.0f},  // exactly 2.5 snaps up
        {10 + 1188, 10.0f}, // the end of the span
        {1199, 10.0f},     // past the span, still on the track: clamped
        {9, 0.0f},         // before the span: clamped to 0
    };
    for (const Case& c : cases)
    {
        value = -1.0f;
        PressDrag(s, 20, {c.x});
        EXPECT_EQ(s->GetActivePart(), cDbgVarSliderBase::kPartTrack);
        EXPECT_FLOAT_EQ(value, c.expected) << "x " << c.x;
    }

    // Leaving the track keeps the value last set inside it.
    PressDrag(s, 20, {10 + 594, 1220, 4, 10 + 594 + 1});
    EXPECT_FLOAT_EQ(value, 5.0f);
    value = 6.0f;
    PressDrag(s, 20, {1230, 3});
    EXPECT_FLOAT_EQ(value, 6.0f);
    // Outside the row's height is outside the track too.
    PressDrag(s, 20, {10 + 297}, 85);
    EXPECT_FLOAT_EQ(value, 6.0f);

    // Without a step the value is not snapped.
    cDbgFloatSlider* free = Add(0.0f, 1188.0f, 0.0f);
    free->OnPress(20, 100);
    free->OnDrag(10 + 333, 100);
    EXPECT_FLOAT_EQ(value, 333.0f);
}

TEST_F(SliderTest, ButtonsStepSnapAndClamp)
{
    cDbgFloatSlider* s = Add(0.0f, 10.0f, 1.0f);
    const int32_t minusX = 1210, plusX = 1250, y = 60;

    value = 3.0f;
    s->OnPress(plusX, y);
    EXPECT_TRUE(s->IsPlusPressed());
    s->OnClick(plusX, y);
    EXPECT_FLOAT_EQ(value, 4.0f);
    EXPECT_FALSE(s->IsPlusPressed());

    value = 10.0f; // "+" at the maximum stays there
    s->OnPress(plusX, y);
    s->OnClick(plusX, y);
    EXPECT_FLOAT_EQ(value, 10.0f);

    value = 0.0f; // "-" at the minimum stays there
    s->OnPress(minusX, y);
    s->OnClick(minusX, y);
    EXPECT_FLOAT_EQ(value, 0.0f);

    // A release outside the box still stores the value, snapped and clamped.
    value = 2.7f;
    s->OnPress(minusX, y);
    s->OnDrag(500, y);
    EXPECT_FALSE(s->IsMinusPressed());
    s->OnDrag(minusX, y);
    EXPECT_TRUE(s->IsMinusPressed());
    s->OnClick(500, y);
    EXPECT_FLOAT_EQ(value, 3.0f);
    EXPECT_FALSE(s->IsMinusPressed());

    value = 12.0f;
    s->OnPress(plusX, y);
    s->OnClick(10, y);
    EXPECT_FLOAT_EQ(value, 10.0f);

    // A click that ends a track press changes nothing.
    value = 4.5f;
    s->OnPress(100, y);
    s->OnClick(100, y);
    EXPECT_FLOAT_EQ(value, 4.5f);

    // With step 0, "-" stores the current value unchanged.
    cDbgFloatSlider* free = Add(0.0f, 10.0f, 0.0f);
    value = 2.7f;
    free->OnPress(minusX, 100);
    free->OnClick(minusX, 100);
    EXPECT_FLOAT_EQ(value, 2.7f);
}

TEST_F(SliderTest, BarFollowsTheValueWithinTheTrack)
{
    cDbgFloatSlider* s = Add(-5.0f, 5.0f, 0.0f);
    s->Layout();
    const struct
    {
        float value;
        int32_t bar;
    } cases[] = {{-5.0f, 0}, {5.0f, 1188}, {0.0f, 594}, {-9.0f, 0}, {99.0f, 1188}};
    for (const auto& c : cases)
    {
        value = c.value;
        EXPECT_EQ(s->BarWidth(), c.bar) << c.value;
    }
}

TEST_F(SliderTest, DegenerateRangesAndTracksAreSafe)
{
    // min = max: no bar, drags and clicks store the one value there is.
    cDbgFloatSlider* same = Add(3.0f, 3.0f, 0.0f);
    same->Layout();
    value = 3.0f;
    EXPECT_EQ(same->BarWidth(), 0);
    PressDrag(same, 20, {600});
    EXPECT_FLOAT_EQ(value, 3.0f);
    same->OnPress(1250, 60);
    same->OnClick(1250, 60);
    EXPECT_FLOAT_EQ(value, 3.0f);

    // A track of 4 pixels has no span: a drag on it stores the minimum.
    SetScreenSize(92, 720);
    cDbgFloatSlider* narrow = Add(1.0f, 2.0f, 0.0f);
    narrow->Layout();
    EXPECT_EQ(narrow->GetTrackBox().w, 4);
    value = 1.5f;
    EXPECT_EQ(narrow->BarWidth(), 0);
    narrow->OnPress(9, 100);
    narrow->OnDrag(10, 100);
    EXPECT_FLOAT_EQ(value, 1.0f);

    // A screen narrower than the buttons: the track has a negative width and holds nothing.
    SetScreenSize(40, 720);
    narrow->Layout();
    EXPECT_LT(narrow->GetTrackBox().w, 0);
    EXPECT_EQ(narrow->BarWidth(), 0);
    value = 1.5f;
    narrow->OnPress(9, 100);
    narrow->OnDrag(10, 100);
    EXPECT_FLOAT_EQ(value, 1.5f);

    // The base slider answers 0 for everything and ignores values.
    cDbgVarSliderBase base;
    EXPECT_EQ(base.GetActivePart(), cDbgVarSliderBase::kPartNone);
    EXPECT_EQ(base.BarWidth(), 0);
    base.OnPress(5, 5);
    base.OnDrag(6, 5);
    base.OnClick(6, 5);
}

namespace
{
// A level-select style callback: 0 .. 39 by 1, the current level in a field.
struct cLevelStub
{
    int level = 5;
    int requests[5] = {};
};
void LevelCallback(cLevelStub* stub, DbgSliderRequest& request)
{
    if (request.code >= 0 && request.code < 5)
        ++stub->requests[request.code];
    switch (request.code)
    {
    case DbgSliderRequest::kMinimum: request.value = 0.0f; break;
    case DbgSliderRequest::kMaximum: request.value = 39.0f; break;
    case DbgSliderRequest::kStep: request.value = 1.0f; break;
    case DbgSliderRequest::kCurrent: request.value = float(stub->level); break;
    case DbgSliderRequest::kSet: stub->level = int(request.value); break;
    default: break;
    }
}
} // namespace

TEST_F(SliderTest, CallbackSliderAsksItsCallback)
{
    cLevelStub stub;
    auto* s = new cDbgCallbackSlider<cLevelStub>("Level Select", &stub, &LevelCallback);
    page.AddElement(s);
    s->OnPress(1250, 60);
    s->OnClick(1250, 60);
    EXPECT_EQ(stub.level, 6);
    EXPECT_EQ(stub.requests[DbgSliderRequest::kSet], 1);
    s->OnPress(20, 60);
    s->OnDrag(10 + 1188, 60);
    EXPECT_EQ(stub.level, 39);

    cDbgCallbackSlider<cLevelStub> unbound("None", &stub, nullptr);
    EXPECT_EQ(unbound.GetMax(), 0.0f);
    unbound.SetValue(3.0f);
    EXPECT_EQ(stub.level, 39);
}

TEST(DbgDrawing, FrameFillsTheFaceAndBevelsTheEdges)
{
    tvtest::cFakeRenderer renderer;
    for (bool pressed : {false, true})
    {
        renderer.draws.clear();
        cGfx2D gfx(&renderer);
        DrawDbgFrame(gfx, 10, 20, 100, 40, pressed);
        gfx.Flush();
        ASSERT_EQ(renderer.draws.size(), 2u); // the face, then the lines
        const auto& face = renderer.draws[0].vertices;
        ASSERT_EQ(face.size(), 4u);
        float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
        for (const Gfx2DVertex& v : face)
        {
            minX = std::min(minX, v.x);
            maxX = std::max(maxX, v.x);
            minY = std::min(minY, v.y);
            maxY = std::max(maxY, v.y);
            EXPECT_EQ(v.colour, (pressed ? kDbgFacePressedColour : kDbgFaceColour).Word());
        }
        EXPECT_EQ(minX, 10.0f);
        EXPECT_EQ(maxX, 109.0f);
        EXPECT_EQ(minY, 20.0f);
        EXPECT_EQ(maxY, 59.0f);
        // Eight two-point lines: the first four lit when raised, shaded when sunk.
        const auto& lines = renderer.draws[1];
        ASSERT_EQ(lines.indices.size(), 16u);
        const uint32_t first = (pressed ? kDbgDarkColour : kDbgLightColour).Word();
        const uint32_t second = (pressed ? kDbgLightColour : kDbgDarkColour).Word();
        EXPECT_EQ(lines.vertices[lines.indices[0]].colour, first);
        EXPECT_EQ(lines.vertices[lines.indices[7]].colour, first);
        EXPECT_EQ(lines.vertices[lines.indices[8]].colour, second);
        EXPECT_EQ(lines.vertices[lines.indices[15]].colour, second);
    }
}

// The open debug menu drawn for real into the off-screen target under the offscreen
// video driver and read back: the title band, raised and sunk buttons, and the bevels.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "GLTestContext.h"
#include "KelpoBase/debug/DbgScreen.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Font.h"
#include "KelpoBase/render/FontFixtures.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/RendererOGL.h"

namespace
{
constexpr int kTolerance = 2;
constexpr uint32_t kBlack = 0xFF000000u;

std::string Hex(uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

class DbgScreenDraw : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(tvtest::AcquireGLWindow(), nullptr);
        renderer = std::make_unique<cRenderer_OGL_1>();
        gRenderer = renderer.get();
        ResetInputState();
        screen = std::make_unique<cDbgScreen>();
        screen->SetEnabled(true);
        // A font without glyphs for the rows' texts, so that only the rows' shapes draw.
        const auto bytes = tvtest::BuildFont(tvtest::UniformGlyphs("~", 6, 10, 8));
        font.reset(cFont::ReadFromMemory(bytes.data(), bytes.size()));
        font->SetPage(&page);
        screen->SetFont(font.get());
    }
    void TearDown() override
    {
        screen.reset();
        font.reset();
        gRenderer = nullptr;
        renderer.reset();
    }

    void DrawFrame()
    {
        renderer->ResetRenderState();
        renderer->SetClearColour(kBlack);
        renderer->Clear(kClearColour | kClearDepth);
        screen->Draw();
    }
    uint32_t Pixel(int x, int y) { return tvtest::ReadScreenPixel(x, y, 720); }
    void ExpectPixel(int x, int y, const cRGBA& expected)
    {
        const uint32_t got = Pixel(x, y);
        EXPECT_TRUE(tvtest::ColoursNear(got, expected.Word(), kTolerance))
            << "at " << x << "," << y << " got " << Hex(got) << " expected " << Hex(expected.Word());
    }
    // Whether a pixel of the column x between rows y0 and y1 has the colour.
    bool ColumnHas(int x, int y0, int y1, const cRGBA& colour)
    {
        for (int y = y0; y <= y1; ++y)
            if (tvtest::ColoursNear(Pixel(x, y), colour.Word(), kTolerance))
                return true;
        return false;
    }

    std::unique_ptr<cRenderer_OGL_1> renderer;
    std::unique_ptr<cDbgScreen> screen;
    cImage page;
    std::unique_ptr<cFont> font;
};
} // namespace

TEST_F(DbgScreenDraw, TheOpenRootPageShowsItsRows)
{
    // Closed: nothing is drawn over the frame.
    DrawFrame();
    ExpectPixel(640, 20, cRGBA::FromWord(kBlack));

    screen->OpenMenu();
    DrawFrame();
    ExpectPixel(640, 20, kDbgHeaderColour);  // the title band
    ExpectPixel(640, 60, kDbgFaceColour);    // "System", raised
    ExpectPixel(640, 100, kDbgFaceColour);   // "Exit"
    ExpectPixel(640, 200, cRGBA::FromWord(kBlack)); // below the last row
    // Raised: lit along the top, shaded along the bottom.
    EXPECT_TRUE(ColumnHas(640, 39, 42, kDbgLightColour));
    EXPECT_TRUE(ColumnHas(640, 77, 80, kDbgDarkColour));

    // Held under the pointer the row sinks: a lighter face, shaded on top.
    PointerDown(300, 60);
    UpdateInputFrame();
    screen->Update();
    CopyInputToPrevious();
    ASSERT_NE(screen->GetHeldElement(), nullptr);
    DrawFrame();
    ExpectPixel(640, 60, kDbgFacePressedColour);
    EXPECT_TRUE(ColumnHas(640, 39, 42, kDbgDarkColour));
    EXPECT_TRUE(ColumnHas(640, 77, 80, kDbgLightColour));
    ExpectPixel(640, 100, kDbgFaceColour);
}

TEST_F(DbgScreenDraw, SliderBarsFillTheTrackByTheirValue)
{
    float half = 0.5f, fixed = 3.0f;
    auto* page = new cDbgPage(nullptr, "Sliders");
    ASSERT_TRUE(screen->AddPage(page));
    page->AddElement(new cDbgFloatSlider("Half", &half, 0.0f, 1.0f, 0.0f));
    page->AddElement(new cDbgFloatSlider("Fixed", &fixed, 3.0f, 3.0f, 0.0f)); // no range: no bar
    SetDebugScreenPage(page);
    screen->OpenMenu();
    DrawFrame();
    // Label column 8 (no glyphs), so the track runs from 8 and the bar from 10 for
    // 0.5 x (1192 - 4) = 594 pixels.
    ExpectPixel(300, 60, kDbgBarColour);
    ExpectPixel(600, 60, kDbgBarColour);
    ExpectPixel(610, 60, kDbgFaceColour);
    ExpectPixel(300, 100, kDbgFaceColour);
    ExpectPixel(4, 60, kDbgFaceColour); // the label panel
}

// The OpenGL window object: context, entry points, off-screen target and the letterboxed
// presentation, drawn for real under the offscreen video driver and read back.
#include <gtest/gtest.h>

#include <cmath>

#include "GLTestContext.h"
#include "KelpoBase/platform/GLFunctions.h"
#include "KelpoBase/platform/GLWindow.h"
#include "host/scripted/ScriptedHost.h"

namespace
{
constexpr uint32_t kRed = 0xFF0000FFu;
constexpr uint32_t kBlue = 0xFFFF0000u;
constexpr uint32_t kBlack = 0x00000000u;
constexpr int kTolerance = 2;

// RGB only: the window's frame buffer may have no alpha.
bool RgbNear(uint32_t a, uint32_t b) { return tvtest::ColoursNear(a | 0xFF000000u, b | 0xFF000000u, kTolerance); }

// Fills the target's virtual screen with blue and a 100 x 100 red square at its top-left.
void DrawMarkedFrame(cWinMain_OGL1& window)
{
    cGLFunctions& gl = GL();
    gl.BindFramebufferEXT(GL_FRAMEBUFFER_EXT, window.targetFramebuffer);
    gl.Viewport(0, 0, window.virtualWidth, window.virtualHeight);
    gl.ClearColor(0, 0, 1, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    gl.Enable(GL_SCISSOR_TEST);
    gl.Scissor(0, window.virtualHeight - 100, 100, 100);
    gl.ClearColor(1, 0, 0, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    gl.Disable(GL_SCISSOR_TEST);
}

// A window pixel, y from the top.
uint32_t WindowPixel(int x, int y, int windowHeight)
{
    GL().BindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    return tvtest::ReadScreenPixel(x, y, windowHeight);
}
} // namespace

TEST(Letterbox, ScaleAndOffsets)
{
    struct Case
    {
        int w, h;
        float scale, x, y;
    } cases[] = {
        {1920, 1080, 1.5f, 0, 0},     {1920, 1200, 1.5f, 0, 60},   {2560, 1080, 1.5f, 320, 0},
        {1280, 720, 1.0f, 0, 0},      {1024, 768, 0.8f, 0, 96},    {640, 720, 0.5f, 0, 180},
    };
    for (const Case& c : cases)
    {
        const cLetterbox box = ComputeLetterboxFor(c.w, c.h);
        EXPECT_FLOAT_EQ(box.scale, c.scale) << c.w << "x" << c.h;
        EXPECT_FLOAT_EQ(box.xOffset, c.x) << c.w << "x" << c.h;
        EXPECT_FLOAT_EQ(box.yOffset, c.y) << c.w << "x" << c.h;
    }
    // No height: no sensible aspect, treated as wide; nothing divides by the frame.
    const cLetterbox none = ComputeLetterboxFor(0, 0);
    EXPECT_EQ(none.yOffset, 0.0f);
}

TEST(GLWindow, SetupMakesACompleteTargetAndChecksExtensions)
{
    cWinMain_OGL1* window = tvtest::AcquireGLWindow();
    ASSERT_NE(window, nullptr);
    const cGLFunctions& gl = GL();
    EXPECT_TRUE(gl.hasFramebufferObject);
    EXPECT_TRUE(gl.hasMultitexture);
    EXPECT_GE(gl.versionMajor * 10 + gl.versionMinor, 21);
    // A compatibility context: fixed-function calls work.
    const char* version = reinterpret_cast<const char*>(gl.GetString(GL_VERSION));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(std::string(version).find("Core"), std::string::npos) << version;

    EXPECT_NE(window->targetTexture, 0u);
    EXPECT_NE(window->targetFramebuffer, 0u);
    GLint bound = 0;
    gl.GetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    EXPECT_EQ(GLuint(bound), window->targetFramebuffer); // drawing goes to the target
    EXPECT_EQ(gl.CheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT), GLenum(GL_FRAMEBUFFER_COMPLETE_EXT));
    GLint width = 0;
    gl.BindTexture(GL_TEXTURE_2D, window->targetTexture);
    gl.GetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    gl.BindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(width, 2048);
    GLint viewport[4] = {};
    gl.GetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1280);
    EXPECT_EQ(viewport[3], 720);
}

namespace
{
struct PresentCase
{
    int w, h;
    int pictureX, pictureY, pictureW, pictureH; // where the 1280 x 720 frame lands
};

void CheckPresent(const PresentCase& c)
{
    cWinMain_OGL1* window = tvtest::AcquireGLWindow(c.w, c.h);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->scale, float(c.pictureW) / 1280.0f);
    DrawMarkedFrame(*window);
    window->Present();

    // After presenting, the target is bound again for the next frame.
    GLint bound = 0;
    GL().GetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    EXPECT_EQ(GLuint(bound), window->targetFramebuffer);

    const float s = float(c.pictureW) / 1280.0f;
    const int markerInside = int(50 * s);     // inside the red square
    const int centreX = c.pictureX + c.pictureW / 2;
    const int centreY = c.pictureY + c.pictureH / 2;
    // Upright: the red square sits at the picture's top-left corner.
    EXPECT_TRUE(RgbNear(WindowPixel(c.pictureX + markerInside, c.pictureY + markerInside, c.h), kRed));
    EXPECT_TRUE(RgbNear(WindowPixel(c.pictureX + c.pictureW - 5, c.pictureY + c.pictureH - 5, c.h), kBlue));
    EXPECT_TRUE(RgbNear(WindowPixel(centreX, centreY, c.h), kBlue));
    EXPECT_TRUE(RgbNear(WindowPixel(c.pictureX + markerInside, c.pictureY + c.pictureH - markerInside, c.h), kBlue));
    // The bars are black.
    if (c.pictureX > 0)
    {
        EXPECT_TRUE(RgbNear(WindowPixel(c.pictureX / 2, centreY, c.h), kBlack));
        EXPECT_TRUE(RgbNear(WindowPixel(c.w - 1 - c.pictureX / 2, centreY, c.h), kBlack));
    }
    if (c.pictureY > 0)
    {
        EXPECT_TRUE(RgbNear(WindowPixel(centreX, c.pictureY / 2, c.h), kBlack));
        EXPECT_TRUE(RgbNear(WindowPixel(centreX, c.h - 1 - c.pictureY / 2, c.h), kBlack));
    }
    GL().BindFramebufferEXT(GL_FRAMEBUFFER_EXT, window->targetFramebuffer);
}
} // namespace

// One window size per test (the offscreen driver sizes a window's drawable once).
TEST(GLWindowPresent, SixteenByNineFillsTheWindow) { CheckPresent({1280, 720, 0, 0, 1280, 720}); }
TEST(GLWindowPresent, FourByThreeHasBarsAboveAndBelow) { CheckPresent({1024, 768, 0, 96, 1024, 576}); }
TEST(GLWindowPresent, TwentyOneByNineHasBarsLeftAndRight) { CheckPresent({2560, 1080, 320, 0, 1920, 1080}); }

TEST(GLWindowSetup, FailuresShowOneBoxAndFail)
{
    tvtest::ReleaseGLContext();
    struct Case
    {
        bool failContext;
        const char* text;
    } cases[] = {
        // The context cannot be made.
        {true, "Can't Create A GL Rendering Context."},
        // A context that gives no entry points cannot be used.
        {false, "Can't Activate The GL Rendering Context."},
    };
    for (const Case& c : cases)
    {
        cScriptedHost host;
        SetHost(&host);
        host.fail.glContext = c.failContext;
        {
            cWinMain_OGL1 window;
            EXPECT_FALSE(window.SetupGraphics());
            window.Present(); // nothing to present: no call, no crash
            window.BindDefaultTarget();
        }
        SetHost(nullptr);
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(host.boxes[0].text, c.text);
        EXPECT_EQ(host.boxes[0].caption, "ERROR");
        EXPECT_EQ(GL().Enable, nullptr); // no half-loaded table stays installed
    }
}

TEST(GLWindowPresent, ASmallerVirtualScreenKeepsTheFrameScale)
{
    // A 1024 x 768 virtual screen in a 1280 x 720 window: drawn at the 1280 x 720 frame's
    // scale (1), so it covers x 0..1024 and runs past the bottom; the rest is black.
    cWinMain_OGL1* window = tvtest::AcquireGLWindow(1280, 720, 1024, 768);
    ASSERT_NE(window, nullptr);
    DrawMarkedFrame(*window);
    window->Present();
    EXPECT_TRUE(RgbNear(WindowPixel(50, 50, 720), kRed));
    EXPECT_TRUE(RgbNear(WindowPixel(1000, 700, 720), kBlue));
    EXPECT_TRUE(RgbNear(WindowPixel(1100, 300, 720), kBlack));
    tvtest::ReleaseGLContext();
}

TEST(GLWindowSetup, ModeSwitchesHappenOnce)
{
    tvtest::ReleaseGLContext();
    cScriptedHost host;
    SetHost(&host);
    {
        cWinMain_OGL1 window;
        window.EnterWindowed(); // already windowed: nothing
        EXPECT_TRUE(host.swapIntervals.empty());
        window.EnterFullscreen();
        window.EnterFullscreen();
        EXPECT_FALSE(window.windowed);
        EXPECT_EQ(host.swapIntervals, std::vector<int>{1});
        window.EnterWindowed();
        window.EnterWindowed();
        EXPECT_TRUE(window.windowed);
        EXPECT_EQ(window.windowWidth, 1280);
        EXPECT_EQ(window.windowHeight, 720);
        EXPECT_EQ(host.swapIntervals, (std::vector<int>{1, 0}));
    }
    SetHost(nullptr);
}

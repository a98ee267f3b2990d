// The splash and the loading screen drawn for real: pictures written as PNG files into a
// small "res" tree, loaded by the game's construction, drawn through the OpenGL renderer
// into the off-screen target under the offscreen video driver, and read back.
#include <gtest/gtest.h>

#include <png.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "GLTestContext.h"
#include "KelpoBase/core/Random.h"
#include "KelpoBase/platform/GLWindow.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/RendererOGL.h"
#include "KelpoBase/render/Resource.h"
#include "game/shell/MainGame.h"
#include "game/shell/Splash.h"

namespace fs = std::filesystem;

namespace
{
constexpr uint32_t kRed = 0xFF0000FFu;
constexpr uint32_t kGreen = 0xFF00FF00u;
constexpr uint32_t kBlue = 0xFFFF0000u;
constexpr uint32_t kYellow = 0xFF00FFFFu;
constexpr uint32_t kBlack = 0xFF000000u;
constexpr int kTolerance = 3;

// A w x h picture of one opaque colour (R in the low byte) as an 8-bit RGBA PNG.
bool WriteSolidPNG(const fs::path& path, uint32_t w, uint32_t h, uint32_t colour)
{
    fs::create_directories(path.parent_path());
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)))
    {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(size_t(w) * 4);
    for (uint32_t x = 0; x < w; ++x)
        for (int c = 0; c < 4; ++c)
            row[size_t(x) * 4 + size_t(c)] = uint8_t(colour >> (8 * c));
    for (uint32_t y = 0; y < h; ++y)
        png_write_row(png, row.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

std::string Hex(uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

uint32_t Pixel(int x, int y) { return tvtest::ReadScreenPixel(x, y, 720) | 0xFF000000u; }

#define EXPECT_PIXEL(x, y, colour)                                                                                \
    EXPECT_TRUE(tvtest::ColoursNear(Pixel(x, y), colour, kTolerance))                                             \
        << "at " << (x) << "," << (y) << ": " << Hex(Pixel(x, y)) << " expected " << Hex(colour)

class SplashRender : public testing::Test
{
protected:
    void SetUp() override
    {
        window = tvtest::AcquireGLWindow();
        ASSERT_NE(window, nullptr);
        renderer = std::make_unique<cRenderer_OGL_1>();
        gRenderer = renderer.get();
        RegisterImageResourceLoaders();

        // The 1280-wide splash set and the three loading pictures.
        ASSERT_TRUE(WriteSolidPNG("res/frontend/mac/vattrel_1280x720.png", 200, 100, kRed));
        ASSERT_TRUE(WriteSolidPNG("res/frontend/mac/DorvoKelpoSplash_1280x720.png", 100, 50, kGreen));
        ASSERT_TRUE(WriteSolidPNG("res/frontend/mac/SplashDropShadowFinal1280x720.png", 400, 200, kBlue));
        for (int i = 1; i <= 3; ++i)
            ASSERT_TRUE(WriteSolidPNG("res/frontend/1024_768/Loading/Loading_" + std::to_string(i) + ".png", 60, 40,
                                      kYellow));
    }
    void TearDown() override
    {
        ReleaseAllResourceGroups();
        gRenderer = nullptr;
        renderer.reset();
        fs::remove_all("res");
    }

    cWinMain_OGL1* window = nullptr;
    std::unique_ptr<cRenderer_OGL_1> renderer;
};

TEST_F(SplashRender, FirstFrameShowsThePublisherThenFadesToTheMakersImage)
{
    cMainGame game;
    ASSERT_NE(game.splash, nullptr);
    ASSERT_NE(game.splash->images[0], nullptr);

    // The construction drew the first frame itself: the publisher's image centred on black.
    EXPECT_PIXEL(640, 360, kRed);
    EXPECT_PIXEL(640 - 95, 360 - 45, kRed);
    EXPECT_PIXEL(640 - 105, 360, kBlack);
    EXPECT_PIXEL(640, 360 + 55, kBlack);

    // Halfway through the fade (fade 125 of 255) the image is about half as bright.
    for (int i = 0; i < 203; ++i)
        game.Update();
    ASSERT_EQ(game.splash->fade, 125);
    game.Draw();
    const uint32_t dimmed = Pixel(640, 360);
    EXPECT_NEAR(int(dimmed & 0xFF), 255 - 125, 4) << Hex(dimmed);
    EXPECT_EQ(dimmed & 0xFFFF00u, 0u) << Hex(dimmed);

    // Page 1: the maker's image over its drop shadow.
    for (int i = 0; i < 6; ++i)
        game.Update();
    ASSERT_EQ(game.splash->page, 1);
    game.Draw();
    EXPECT_PIXEL(640, 360, kGreen);
    EXPECT_PIXEL(640 + 70, 360, kBlue);
    EXPECT_PIXEL(640 + 210, 360, kBlack);

    // Its fade lets the shadow through.
    for (int i = 0; i < 94; ++i)
        game.Update();
    ASSERT_EQ(game.splash->fade, 125);
    game.Draw();
    const uint32_t mixed = Pixel(640, 360);
    EXPECT_NEAR(int((mixed >> 8) & 0xFF), 130, 4) << Hex(mixed);
    EXPECT_NEAR(int((mixed >> 16) & 0xFF), 125, 4) << Hex(mixed);
}

TEST_F(SplashRender, LoadingScreenShowsALoadingPictureOnBlack)
{
    cMainGame game;
    ASSERT_NE(game.loadingImages[0], nullptr);
    DrawLoadingScreen(1, 0);
    EXPECT_PIXEL(640, 360, kYellow);
    EXPECT_PIXEL(640 + 28, 360 + 18, kYellow);
    EXPECT_PIXEL(640 + 32, 360, kBlack);
    EXPECT_PIXEL(5, 5, kBlack);

    // The second load leaves the screen as it is.
    game.Draw();
    DrawLoadingScreen(2, 0);
    EXPECT_PIXEL(640, 360, kRed);
}
} // namespace

// The splash's image sets by screen width, its page timing on its own, the loading
// screen's single presented frame, and the unused time formatter.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "KelpoBase/core/Random.h"
#include "KelpoBase/platform/PlatformTestSupport.h"
#include "KelpoBase/render/Resource.h"
#include "game/shell/Splash.h"

namespace
{
TEST(Splash, ImageSetFollowsTheScreenWidth)
{
    struct Case
    {
        int width;
        const char* publisher;
        const char* maker;
        const char* shadow;
    };
    const Case cases[] = {
        {1280, "res/frontend/mac/vattrel_1280x720.png", "res/frontend/mac/DorvoKelpoSplash_1280x720.png",
         "res/frontend/mac/SplashDropShadowFinal1280x720.png"},
        {1920, "res/frontend/mac/vattrel_1280x720.png", "res/frontend/mac/DorvoKelpoSplash_1280x720.png",
         "res/frontend/mac/SplashDropShadowFinal1280x720.png"},
        {1024, "res/frontend/1024_768/vattrel_iPad.png", "res/frontend/1024_768/zumbrelScreen_iPad.png",
         "res/frontend/1024_768/Splash.png"},
        {960, "res/frontend/960_640/Vattrel-splash-960x640.png", "res/frontend/1024_768/zumbrelScreen_iPad.png",
         "res/frontend/1024_768/Splash.png"},
        {800, "res/frontend/480_320/vattrel_splash.png", "res/frontend/480_320/zumbrelScreen_iPad.png",
         "res/frontend/480_320/Splash.png"},
    };
    for (const Case& c : cases)
    {
        std::string paths[3];
        cSplash::ImagePathsForWidth(c.width, paths);
        EXPECT_EQ(paths[0], c.publisher) << c.width;
        EXPECT_EQ(paths[1], c.maker) << c.width;
        EXPECT_EQ(paths[2], c.shadow) << c.width;
    }
}

TEST(Splash, PagesHoldThenFadeWithMissingImages)
{
    cSplash splash;
    splash.LoadSplash();
    ASSERT_NE(FindResourceGroup("KelpoSplash"), nullptr);
    for (ImageRect* image : splash.images)
        EXPECT_EQ(image, nullptr);
    // 199 updates at full, then the fade: 25 a frame, page over once it reaches 255.
    for (int i = 0; i < 199; ++i)
        splash.UpdateSplashFade();
    EXPECT_EQ(splash.fade, 0);
    splash.UpdateSplashFade();
    EXPECT_EQ(splash.fade, 25);
    for (int i = 0; i < 9; ++i)
        splash.UpdateSplashFade();
    EXPECT_EQ(splash.page, 0);
    EXPECT_EQ(splash.fade, 250);
    splash.UpdateSplashFade();
    EXPECT_EQ(splash.page, 1);
    EXPECT_EQ(splash.hold, cSplash::kSecondHold);
    // Drawing without a renderer or images does nothing harmful.
    splash.DrawSplash();
    splash.ShutdownSplash();
    EXPECT_EQ(FindResourceGroup("KelpoSplash"), nullptr);
}

TEST(LoadingScreen, DrawnAndPresentedForTheFirstLoadOnly)
{
    cScriptedHost host;
    tvtest::cTestWindow window(host);
    const uint32_t seed = GetRandomSeed();
    DrawLoadingScreen(2, 0);
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "present"), 0);
    EXPECT_EQ(GetRandomSeed(), seed);
    DrawLoadingScreen(1, 0);
    EXPECT_EQ(std::count(host.log.begin(), host.log.end(), "present"), 1);
    // One step of the engine's generator chose the picture.
    SetRandomSeed(seed);
    RandomStep();
    const uint32_t oneStep = GetRandomSeed();
    SetRandomSeed(seed);
    DrawLoadingScreen(0, 0);
    EXPECT_EQ(GetRandomSeed(), oneStep);
}

TEST(SplashTimeFormat, SixtiethsAsSecondsAndHundredths)
{
    EXPECT_EQ(FormatSixtiethsTime(0), ".....");
    EXPECT_EQ(FormatSixtiethsTime(30), "00.50");
    EXPECT_EQ(FormatSixtiethsTime(60 * 5 + 6), "05.10");
    EXPECT_EQ(FormatSixtiethsTime(60 * 75), "15.00");
}
} // namespace

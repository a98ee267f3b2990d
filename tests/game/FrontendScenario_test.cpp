// Scenarios of the front end: the whole program opens the main menu's screens and leaves
// them, and shows the words and pictures of its screens (help, customisation, control
// redefinition, the comic) as a player reads them.
#include <gtest/gtest.h>

#include "ScenarioSteps.h"

using namespace tvtest;

// Every screen of the main menu opens from its button on the sample front end and goes
// back to the main menu on Escape, through the one screen machinery.
TEST(Scenario, MainMenuScreensOpenAndLeadBack)
{
    ScenarioDriver d;
    ASSERT_TRUE(StartAtMainMenu(d));
    using Screen = int32_t (cFrontend::*)(int32_t, int32_t);
    const std::pair<int, Screen> buttons[] = {{1, &cFrontend::StateOptions},
                                              {2, &cFrontend::StateCustomise},
                                              {3, &cFrontend::StateCredits},
                                              {4, &cFrontend::StateHelp}};
    const cGlaControllerScene* menu = d.Game().frontend->scrMainMenuButtons;
    ASSERT_NE(menu, nullptr);
    for (const auto& [button, screen] : buttons)
    {
        // The menu comes back on the button it was left by.
        for (int i = 0; i < 8 && menu->focusIndex != button; ++i)
            d.Tap(Key::Down);
        ASSERT_EQ(menu->focusIndex, button);
        d.Tap(Key::Return);
        EXPECT_TRUE(d.WaitForScreen(screen, 120)) << "button " << button;
        d.UndrawnFrames(20);
        d.Tap(Key::Escape);
        ASSERT_TRUE(d.WaitForScreen(&cFrontend::StateMainMenu, 120)) << "back from button " << button;
        d.UndrawnFrames(40);
        EXPECT_EQ(menu->focusIndex, button);
    }
}

// The help screen, opened from the main menu, tells the keys as the game reads them: the
// menus in a level move with Up and Down (or W and S) and not with Left or Right; the level
// select moves tile by tile and turns the page at its edge; F6 turns the world, which in a
// level not made for it drops the player out of view (and may even let it reach the end);
// and what keeps the turn and what takes it back, as the scenario of the turned world below
// plays it.
TEST(Scenario, HelpScreenTellsTheKeysAsTheGameReadsThem)
{
    ScenarioDriver d;
    ASSERT_TRUE(StartAtMainMenu(d));
    const cGlaControllerScene* menu = d.Game().frontend->scrMainMenuButtons;
    ASSERT_NE(menu, nullptr);
    for (int i = 0; i < 8 && menu->focusIndex != 4; ++i)
        d.Tap(Key::Down);
    d.Tap(Key::Return);
    ASSERT_TRUE(d.WaitForScreen(&cFrontend::StateHelp, 120));

    const cGlaControllerSprite* help = FindSpriteController(d.Game().frontend->scrHelp_000, "help");
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->visible);
    const std::string words = PictureWords(datagen::BuildFrontendScenes(), help);
    for (const char* said : {"Pause, results and leave menus: Up, Down (or W, S) move",
                             "Return or Space presses; Left and Right do nothing there",
                             "Level select: the arrows move tile by tile, and turn the page at the edge",
                             "Other menus: the same keys, and Esc goes back",
                             "F6: turn the world a quarter turn", "In levels not made for it you fall out of view",
                             "can even reach the end", "F3 keeps the turn, and so does a death that starts the level over",
                             "a death back at a checkpoint or the start turns the world as it stood there",
                             "Four F6 in all, or leaving the level, stand it upright again", "F3: start again"})
        EXPECT_NE(words.find(said), std::string::npos) << "not said: " << said << "\nthe screen says: " << words;
    // A death in a level that starts over keeps the turn (the README says so too).
    EXPECT_EQ(words.find("a death goes back to the turn"), std::string::npos) << words;
}

namespace
{
// A new game whose only find is story level 2's sticker: the body page's item 1 is open.
class CustomiseScenario : public testing::Test
{
protected:
    void SetUp() override
    {
        cSaveData save;
        save.progress[1].sticker = true;
        WriteFileBytes(EmptySaveFolder() / "Data.sav", save.Serialise());
    }
    void TearDown() override { WriteFreshSave(); }
};
} // namespace

// The customisation screen takes the keys as the README tells: Up and Down move the focus
// along the tabs and Back without changing the page, and Return shows the focused tab's
// page; Right steps into the items of the page shown, where the arrows move and Return
// chooses; Left from the first column steps back to the tabs (onto the tab of that row), and
// Left on the tabs moves the focus to Back.
TEST_F(CustomiseScenario, TabsTakeTheFocusAndReturnShowsTheirPage)
{
    ScenarioDriver d;
    ASSERT_TRUE(StartAtMainMenu(d));
    ASSERT_NE(OpenCustomisePage(d, 0), nullptr);
    cFrontend& screen = *d.Game().frontend;
    const cGlaControllerScene& tabs = *screen.scrCustomise;
    ASSERT_EQ(tabs.focusIndex, 0);
    ASSERT_EQ(screen.customisePage, 0);

    d.Tap(Key::Down);
    d.Tap(Key::Down);
    d.Tap(Key::Up);
    EXPECT_EQ(tabs.focusIndex, 1);
    EXPECT_EQ(screen.customisePage, 0) << "the focus alone shows no page";
    d.Tap(Key::Return);
    EXPECT_EQ(screen.customisePage, 1);
    d.Tap(Key::Left);
    EXPECT_EQ(tabs.focusIndex, FocusIndexOf(tabs, "butBack"));
    d.Tap(Key::Down); // round to the first tab
    EXPECT_EQ(tabs.focusIndex, 0);
    EXPECT_EQ(screen.customisePage, 1);

    // Where the focus is shows: the items' highlight, or the tabs'.
    const cGlaControllerScene& items = *screen.scrCustomisePages[1];
    auto inTheItems = [&] { return items.keyboardMode && !tabs.keyboardMode; };
    EXPECT_FALSE(inTheItems());
    d.Tap(Key::Right);
    ASSERT_TRUE(inTheItems());
    EXPECT_EQ(items.focusIndex, 0) << "the items of the page shown";
    d.Tap(Key::Right);
    EXPECT_EQ(items.focusIndex, 1);
    d.Tap(Key::Return);
    EXPECT_EQ(d.Game().saveData.look[cSaveData::kLookBody], 1);
    d.Tap(Key::Down);
    d.Tap(Key::Left);
    EXPECT_EQ(items.focusIndex, 3);
    EXPECT_TRUE(inTheItems());
    d.Tap(Key::Left);
    EXPECT_TRUE(tabs.keyboardMode && !items.keyboardMode);
    EXPECT_EQ(tabs.focusIndex, 1) << "the tab of the items' second row";
}

// The control-redefinition caption, "Press a button for" over the control's name, shows the
// name at the titles' size: six frame pixels to a dot of the glyphs at 720 lines, so the five
// dots of "up" stand 30 pixels tall, 36 with their outline (it was 17 on a button's face).
TEST(Scenario, RedefinitionCaptionNamesTheControlAtTheTitlesSize)
{
    ScenarioDriver d;
    ASSERT_TRUE(StartAtMainMenu(d));
    const cGlaControllerScene* menu = d.Game().frontend->scrMainMenuButtons;
    for (int i = 0; i < 8 && menu->focusIndex != 1; ++i)
        d.Tap(Key::Down);
    d.Tap(Key::Return);
    ASSERT_TRUE(d.WaitForScreen(&cFrontend::StateOptions, 120));
    d.UndrawnFrames(10);
    const cGlaControllerScene& options = *d.Game().frontend->scrOptions;
    const int controls = FocusIndexOf(options, "butControls");
    for (int i = 0; i < 8 && options.focusIndex != controls; ++i)
        d.Tap(Key::Down);
    d.Tap(Key::Return);
    ASSERT_TRUE(d.WaitForScreen(&cFrontend::StateControls, 120));
    d.UndrawnFrames(10);
    d.Tap(Key::Return); // "Redefine"
    ASSERT_TRUE(d.WaitForScreen(&cFrontend::StateRedefineControls, 120));
    d.UndrawnFrames(10);
    d.Frames(1);

    const cGlaControllerElement* up = d.Game().frontend->scrOptionsRedefineControls->FindController("up");
    ASSERT_NE(up, nullptr);
    const std::vector<uint8_t> frame = d.ReadFrame();
    // The letters' dark outline about the name's place: the longest run of rows that each
    // cross a few pixels of it. A row dark nearly all along is the edge of a plate behind the
    // letters, not a letter.
    const int cx = int(up->position.x) + ScenarioDriver::kWidth / 2;
    const int cy = int(up->position.y) + ScenarioDriver::kHeight / 2;
    int top = 0, bottom = -1;
    for (int y = std::max(cy - 40, 0), runTop = -1; y < std::min(cy + 40, ScenarioDriver::kHeight); ++y)
    {
        int ink = 0;
        for (int x = cx - 150; x < cx + 150; ++x)
            ink += MaxChannelDifference(tvtest::PixelAt(frame, x, y), 0x4A3027u) <= 20 ? 1 : 0; // #27304a
        if (ink < 4 || ink >= 200)
        {
            runTop = -1;
            continue;
        }
        runTop = runTop < 0 ? y : runTop;
        if (y - runTop > bottom - top)
        {
            top = runTop;
            bottom = y;
        }
    }
    ASSERT_GE(bottom, top) << "the name shows";
    EXPECT_GE(bottom - top + 1, 34);
}

// The comic's z's read on its night sky: the first z of the first breath, four frames into
// its rise, against the very pixels it covers a frame before the breath. It is light (a
// contrast of at least 4.5 to 1 with the sky behind it, as for text) and big enough to read
// (it changes at least 300 pixels; a z of thin strokes 10 pixels tall changed under 100).
TEST(Scenario, ComicZsReadOnTheNightSky)
{
    ScenarioDriver d;
    ASSERT_TRUE(d.Start());
    d.UndrawnFrames(5);
    d.Game().SetStateComic(0);
    d.UndrawnFrames(1);
    const cComic* comic = d.Game().comic;
    ASSERT_NE(comic, nullptr);
    ASSERT_GE(d.RunUntil([&] { return comic->frameCounter >= 78; }, 200), 0);
    d.Frames(1);
    const std::vector<uint8_t> before = d.ReadFrame();
    ASSERT_GE(d.RunUntil([&] { return comic->frameCounter >= 83; }, 20), 0);
    d.Frames(1);
    const std::vector<uint8_t> after = d.ReadFrame();

    // Relative luminance of a frame pixel (sRGB).
    auto luminance = [](uint32_t p)
    {
        double sum = 0.0;
        const double weights[3] = {0.2126, 0.7152, 0.0722};
        for (int c = 0; c < 3; ++c)
        {
            const double v = double((p >> (8 * c)) & 255) / 255.0;
            sum += weights[c] * (v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4));
        }
        return sum;
    };
    int changed = 0;
    double z = 0.0, sky = 0.0;
    for (int y = 0; y < ScenarioDriver::kHeight; ++y)
        for (int x = 0; x < ScenarioDriver::kWidth / 2; ++x) // the sleeper's panel is on the left
        {
            const uint32_t a = tvtest::PixelAt(before, x, y), b = tvtest::PixelAt(after, x, y);
            if (MaxChannelDifference(a, b) <= 16)
                continue;
            ++changed;
            z += luminance(b);
            sky += luminance(a);
        }
    ASSERT_GT(changed, 0) << "a z shows";
    EXPECT_GE(changed, 300);
    EXPECT_GE((z / changed + 0.05) / (sky / changed + 0.05), 4.5);
}

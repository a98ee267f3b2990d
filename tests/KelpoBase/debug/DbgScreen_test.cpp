// The debug screen and its pages: the disabled start-up screen through the platform's
// hook, the page tree and row order, navigation with the pointer through the input block,
// the information pages' values, the frame-rate line and the texture viewer's scrolling.
#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "KelpoBase/debug/DbgScreen.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/PlatformInfo.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/FakeRenderer.h"
#include "KelpoBase/render/Font.h"
#include "KelpoBase/render/FontFixtures.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/Image.h"

namespace
{
std::vector<std::string> RowTexts(const cDbgPage& page)
{
    std::vector<std::string> texts;
    for (cDbgElement* row : page.GetElements())
    {
        if (auto* header = dynamic_cast<cDbgHeader*>(row))
            texts.push_back("[" + header->GetPage()->GetTitle() + "]");
        else if (auto* text = dynamic_cast<cDbgText*>(row))
            texts.push_back(text->GetText());
        else
            texts.push_back("?");
    }
    return texts;
}

// The input block as the main loop drives it: the platform's frame book-keeping, the
// screen's update, then the copy to the previous block.
class DbgScreenTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ResetInputState();
        SetScreenSize(1280, 720);
        fake.renderer.maxTextureSize = 2048;
    }
    void TearDown() override
    {
        screen.reset();
        ResetInputState();
        SetDebugScreenFactory(nullptr);
    }

    cDbgScreen& Enabled()
    {
        screen = std::make_unique<cDbgScreen>();
        screen->SetEnabled(true);
        return *screen;
    }

    void Frame()
    {
        UpdateInputFrame();
        screen->Update();
        CopyInputToPrevious();
    }
    void Press(int32_t x, int32_t y)
    {
        PointerDown(x, y);
        Frame();
    }
    void Move(int32_t x, int32_t y)
    {
        PointerMove(x, y);
        Frame();
    }
    void Release(int32_t x, int32_t y)
    {
        PointerUp(x, y);
        Frame();
    }
    void Click(int32_t x, int32_t y)
    {
        Press(x, y);
        Release(x, y);
    }
    void TapKey(uint32_t code)
    {
        KeyDown(code);
        Frame();
        KeyUp(code);
        Frame();
    }
    // A font whose glyphs cover letters, digits and the punctuation of the rows.
    void UseFont()
    {
        const auto bytes = tvtest::BuildFont(tvtest::UniformGlyphs(
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 :.,-", 6, 10, 8));
        font.reset(cFont::ReadFromMemory(bytes.data(), bytes.size()));
        font->SetLineHeight(12);
        fontPage = std::make_unique<cImage>();
        fontPage->width = fontPage->height = 256;
        font->SetPage(fontPage.get());
        screen->SetFont(font.get());
    }

    tvtest::ScopedFakeRenderer fake;
    std::unique_ptr<cDbgScreen> screen;
    std::unique_ptr<cImage> fontPage;
    std::unique_ptr<cFont> font;
};
} // namespace

TEST_F(DbgScreenTest, StartUpMakesADisabledScreenAndShutdownDeletesIt)
{
    RegisterDebugScreen();
    SystemStart(1280, 720, "");
    CreateDebugScreenAtStartup();
    ASSERT_TRUE(HasDebugScreen());
    cDbgScreen* s = GetDbgScreen();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(cDbgScreen::Instance(), s);
    EXPECT_FALSE(s->IsEnabled());
    EXPECT_EQ(s->GetRootPage(), nullptr);
    EXPECT_EQ(s->GetGfx(), nullptr);
    EXPECT_EQ(s->GetFont(), nullptr);
    s->SetFont(nullptr); // no context: nothing happens
    EXPECT_FALSE(s->AddPage(nullptr));

    // The joystick button, a click in the hidden corner: nothing opens, the game runs on.
    KeyDown(KEY_JOY_BUTTON_1 + 1);
    PointerDown(5, 5);
    UpdateInputFrame();
    GetDebugScreen()->Update();
    CopyInputToPrevious();
    KeyUp(KEY_JOY_BUTTON_1 + 1);
    PointerUp(5, 5);
    UpdateInputFrame();
    GetDebugScreen()->Update();
    GetDebugScreen()->Draw();
    EXPECT_FALSE(s->IsOpen());
    EXPECT_FALSE(s->GetTextureViewer().active);
    EXPECT_FALSE(GetDebugScreen()->HoldsGameUpdate());

    // A page the level or the front end would add stays theirs.
    cDbgPage levelPage(nullptr, "Level");
    EXPECT_FALSE(s->AddPage(&levelPage));
    EXPECT_EQ(levelPage.GetParent(), nullptr);

    SystemShutdown();
    EXPECT_FALSE(HasDebugScreen());
    EXPECT_EQ(cDbgScreen::Instance(), nullptr);
}

TEST_F(DbgScreenTest, EnablingBuildsTheSystemPages)
{
    SystemStart(1280, 720, "");
    cDbgScreen& s = Enabled();
    cDbgPage* root = s.GetRootPage();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(s.GetCurrentPage(), root);
    ASSERT_NE(s.GetGfx(), nullptr);
    EXPECT_EQ(s.GetGfx()->renderer, &fake.renderer);
    EXPECT_EQ(RowTexts(*root), (std::vector<std::string>{"[Back]", "System", "Exit"}));

    cDbgPage* system = root->FindChild("System");
    ASSERT_NE(system, nullptr);
    cDbgPage* info = system->FindChild("System Info");
    ASSERT_NE(info, nullptr);

    SetTiltRaw({1.0f, -2.0f, 0.25f});
    UpdateInputFrame(); // filtered = raw x 0.5 + filtered x 0.5
    AddTriangleCount(1234 - GetTriangleCount());
    UseFont();
    s.SetCurrentPage(info);
    s.OpenMenu();
    s.Draw(); // builds the bound rows' texts
    s.SetCurrentPage(system);
    s.Draw();

    EXPECT_EQ(RowTexts(*system), (std::vector<std::string>{"[System]", "Toggle FPS", "System Info", "Textures",
                                                           "Orientation: 0.500, -1.000, 0.125", "Back"}));
    const std::vector<std::string> infoRows = RowTexts(*info);
    ASSERT_EQ(infoRows.size(), 7u);
    EXPECT_EQ(infoRows[0], "[System Info]");
    EXPECT_TRUE(std::regex_match(infoRows[1], std::regex("Mem - Audio: [0-9]+kb Tex: [0-9]+kb"))) << infoRows[1];
    EXPECT_EQ(infoRows[2], "CPU Speed: 1");
    EXPECT_EQ(infoRows[3], "Bus Speed: 0");
    EXPECT_EQ(infoRows[4], "GL Max Tex Size: 2048");
    EXPECT_EQ(infoRows[5], "Tris Drawn: 1234");
    EXPECT_EQ(infoRows[6], "Back");
    EXPECT_EQ(s.GetTrianglesDrawn(), 1234u);

    // Colours: headers and back rows yellow, links white.
    EXPECT_EQ(dynamic_cast<cDbgText*>(system->GetElements().front())->GetColour(), kDbgYellow);
    EXPECT_EQ(system->GetBackButton()->GetColour(), kDbgYellow);
    EXPECT_EQ(root->GetBackButton()->GetColour(), kDbgYellow);
    EXPECT_EQ(dynamic_cast<cDbgText*>(*std::next(root->GetElements().begin()))->GetColour(), kDbgWhite);

    // Enabling again builds nothing new.
    s.SetEnabled(false);
    s.SetEnabled(true);
    EXPECT_EQ(s.GetRootPage(), root);
    SystemShutdown();
}

TEST_F(DbgScreenTest, RowsGoAboveTheBackRowAndAreFoundByHeight)
{
    cDbgPage page(nullptr, "Rows");
    auto* a = new cDbgText("a");
    auto* b = new cDbgButton("b");
    page.AddElement(a);
    page.AddElement(nullptr);
    page.AddElement(b);
    page.AddElement(a); // already on the page: ignored
    cDbgPage other(nullptr, "Other");
    other.AddElement(b); // on another page: ignored
    EXPECT_EQ(RowTexts(page), (std::vector<std::string>{"[Rows]", "a", "b", "Back"}));
    EXPECT_EQ(RowTexts(other), (std::vector<std::string>{"[Other]", "Back"}));
    EXPECT_EQ(a->GetOwner(), &page);
    EXPECT_EQ(a->GetTop(), 40);
    EXPECT_EQ(page.GetBackButton()->GetTop(), 120);

    const struct
    {
        int32_t y;
        const char* row; // null: no row
    } cases[] = {{-50, "[Rows]"}, {0, "[Rows]"}, {39, "[Rows]"}, {40, "a"},  {79, "a"},
                 {80, "b"},       {119, "b"},    {120, "Back"},   {159, "Back"}, {160, nullptr}};
    for (const auto& c : cases)
    {
        cDbgElement* row = page.ElementAt(c.y);
        if (c.row == nullptr)
        {
            EXPECT_EQ(row, nullptr) << c.y;
            continue;
        }
        ASSERT_NE(row, nullptr) << c.y;
        const auto* header = dynamic_cast<cDbgHeader*>(row);
        const std::string text = header != nullptr ? "[" + header->GetPage()->GetTitle() + "]"
                                                   : dynamic_cast<cDbgText*>(row)->GetText();
        EXPECT_EQ(text, c.row) << c.y;
    }

    // Taking a row off lays the rest out again and leaves it to the caller.
    page.RemoveElement(a);
    EXPECT_EQ(a->GetOwner(), nullptr);
    EXPECT_EQ(b->GetTop(), 40);
    delete a;
}

TEST_F(DbgScreenTest, ChildPagesAndTheirLinks)
{
    cDbgScreen& s = Enabled();
    auto* level = new cDbgPage(nullptr, "Dorvo - INGAME");
    ASSERT_TRUE(s.AddPage(level));
    EXPECT_EQ(level->GetParent(), s.GetRootPage());
    EXPECT_EQ(RowTexts(*s.GetRootPage()), (std::vector<std::string>{"[Back]", "System", "Dorvo - INGAME", "Exit"}));
    auto* sub = new cDbgPage(level, "Sub");
    EXPECT_EQ(RowTexts(*level), (std::vector<std::string>{"[Dorvo - INGAME]", "Sub", "Back"}));

    // Deleting the current page makes the root current and removes its link.
    SetDebugScreenPage(sub);
    EXPECT_EQ(s.GetCurrentPage(), sub);
    delete level; // and with it "Sub"
    EXPECT_EQ(s.GetCurrentPage(), s.GetRootPage());
    EXPECT_EQ(RowTexts(*s.GetRootPage()), (std::vector<std::string>{"[Back]", "System", "Exit"}));
    EXPECT_EQ(s.GetRootPage()->GetChildren().size(), 1u);

    // A page taken off its parent lives on without a parent.
    auto* loose = new cDbgPage(s.GetRootPage(), "Loose");
    cDbgPage::RemoveChildPage(s.GetRootPage(), loose);
    EXPECT_EQ(loose->GetParent(), nullptr);
    EXPECT_EQ(RowTexts(*s.GetRootPage()), (std::vector<std::string>{"[Back]", "System", "Exit"}));
    delete loose;
    EXPECT_EQ(s.GetRootPage()->GetChildren().size(), 1u);
}

TEST_F(DbgScreenTest, PointerNavigation)
{
    cDbgScreen& s = Enabled();
    cDbgPage* root = s.GetRootPage();
    cDbgPage* system = root->FindChild("System");

    // The hidden corner: highlighted under the pointer, opens on release inside it.
    PointerMove(5, 5);
    Frame();
    Press(59, 39);
    EXPECT_TRUE(s.GetActivateButton().IsPressed());
    Move(61, 39);
    EXPECT_FALSE(s.GetActivateButton().IsPressed());
    Release(61, 39);
    EXPECT_FALSE(s.IsOpen());
    Press(-20, -5); // no lower bound
    Release(-20, -5);
    EXPECT_TRUE(s.IsOpen());
    EXPECT_FALSE(s.GetActivateButton().IsPressed());
    EXPECT_TRUE(s.HoldsGameUpdate());
    s.ToggleKeepRunning();
    EXPECT_FALSE(s.HoldsGameUpdate());
    s.ToggleKeepRunning();
    EXPECT_EQ(s.GetCurrentPage(), root);

    // Row 1 of the root is "System".
    Click(300, 60);
    EXPECT_EQ(s.GetCurrentPage(), system);

    // Press "Toggle FPS", drag over other rows and back, release elsewhere: no click, and
    // the highlight follows the pointer.
    Press(300, 45);
    cDbgElement* held = s.GetHeldElement();
    ASSERT_NE(held, nullptr);
    EXPECT_TRUE(held->IsPressed());
    Move(300, 130);
    EXPECT_FALSE(held->IsPressed());
    Move(300, 50);
    EXPECT_TRUE(held->IsPressed());
    Release(300, 130);
    EXPECT_EQ(s.GetHeldElement(), nullptr);
    EXPECT_FALSE(held->IsPressed());
    EXPECT_FALSE(s.ShowsFrameRate());
    Click(300, 45);
    EXPECT_TRUE(s.ShowsFrameRate());

    // Past the last row nothing is held.
    Press(300, 700);
    EXPECT_EQ(s.GetHeldElement(), nullptr);
    Release(300, 700);

    // "System Info" (row 2), then its "Back" (row 6) to System, then System's title band
    // closes the menu; reopening shows the same page.
    Click(300, 90);
    EXPECT_EQ(s.GetCurrentPage()->GetTitle(), "System Info");
    Click(1000, 250);
    EXPECT_EQ(s.GetCurrentPage(), system);
    Click(640, 10);
    EXPECT_FALSE(s.IsOpen());
    EXPECT_EQ(s.GetCurrentPage(), system);
    Click(10, 10);
    EXPECT_TRUE(s.IsOpen());
    EXPECT_EQ(s.GetCurrentPage(), system);

    // System's "Back" (row 5) to the root, whose "Exit" (row 2) closes the menu.
    Click(300, 220);
    EXPECT_EQ(s.GetCurrentPage(), root);
    Click(300, 100);
    EXPECT_FALSE(s.IsOpen());

    // "Textures" opens the viewer over the page.
    Click(10, 10);
    Click(300, 60);
    Click(300, 140);
    EXPECT_TRUE(s.GetTextureViewer().active);
}

TEST_F(DbgScreenTest, AHeldRowThatGoesAwayIsLetGo)
{
    cDbgScreen& s = Enabled();
    auto* page = new cDbgPage(nullptr, "Extra");
    ASSERT_TRUE(s.AddPage(page));
    s.SetCurrentPage(page);
    s.OpenMenu();
    Press(300, 45); // the "Back" row
    ASSERT_NE(s.GetHeldElement(), nullptr);
    delete page;
    EXPECT_EQ(s.GetHeldElement(), nullptr);
    EXPECT_EQ(s.GetCurrentPage(), s.GetRootPage());
    Release(300, 45);
    EXPECT_EQ(s.GetHeldElement(), nullptr);
}

TEST_F(DbgScreenTest, JoystickButtonTogglesTheTextureViewer)
{
    cDbgScreen& s = Enabled();
    TapKey(KEY_JOY_BUTTON_1 + 1);
    EXPECT_TRUE(s.IsOpen());
    EXPECT_TRUE(s.GetTextureViewer().active);
    TapKey(KEY_JOY_BUTTON_1 + 1);
    EXPECT_FALSE(s.IsOpen());
    EXPECT_FALSE(s.GetTextureViewer().active);
}

TEST_F(DbgScreenTest, TextureViewerScrollsWithinTheContent)
{
    ASSERT_EQ(cImage::GetImageCount(), 0u);
    cDbgScreen& s = Enabled();
    cDbgTextureViewer& viewer = s.GetTextureViewer();
    EXPECT_FLOAT_EQ(viewer.zoom, 1.248046875f);

    // Two small images (125 x 125 once zoomed, no font: line height 0): content height
    // 2 x (127 + 2), so the vertical scroll rests at 258 + 40 - 720.
    std::vector<std::unique_ptr<cImage>> images;
    for (int i = 0; i < 2; ++i)
    {
        images.push_back(std::make_unique<cImage>());
        images.back()->width = images.back()->height = 100;
    }
    TapKey(KEY_JOY_BUTTON_1 + 1);
    ASSERT_TRUE(viewer.active);
    Frame();
    EXPECT_FLOAT_EQ(viewer.scrollY, -422.0f);
    EXPECT_FLOAT_EQ(viewer.scrollX, 0.0f);

    // A large image: the content follows the pointer, then glides on at 0.9 a frame.
    images.push_back(std::make_unique<cImage>());
    images.back()->width = 2000;
    images.back()->height = 3000;
    viewer.scrollY = 0.0f;
    Press(500, 500);
    Move(450, 400);
    EXPECT_FLOAT_EQ(viewer.scrollX, 50.0f);
    EXPECT_FLOAT_EQ(viewer.scrollY, 100.0f);
    Release(450, 400);
    EXPECT_FLOAT_EQ(viewer.scrollX, 95.0f);
    EXPECT_FLOAT_EQ(viewer.scrollY, 190.0f);

    // The stick steers by 2 a frame; the scroll stops at the widest image's edge.
    viewer.velocityX = viewer.velocityY = 0.0f;
    viewer.scrollX = 1217.0f; // 2496 + 2 - 1280 = 1218 at most
    KeyDown(KEY_JOY_RIGHT);
    Frame();
    Frame();
    KeyUp(KEY_JOY_RIGHT);
    EXPECT_FLOAT_EQ(viewer.scrollX, 1218.0f);
    viewer.velocityX = 0.0f;
    viewer.scrollX = 0.0f;
    KeyDown(KEY_JOY_LEFT);
    Frame();
    KeyUp(KEY_JOY_LEFT);
    EXPECT_FLOAT_EQ(viewer.scrollX, 0.0f);

    // The Back strip: a press armed in it and released in it goes back to the page.
    Press(600, 20);
    EXPECT_TRUE(viewer.backButton.IsPressed());
    Move(600, 60);
    EXPECT_FALSE(viewer.backButton.IsPressed());
    EXPECT_TRUE(viewer.armed);
    Move(600, 30);
    Release(600, 30);
    EXPECT_FALSE(viewer.active);
    EXPECT_TRUE(s.IsOpen());

    // A press below the strip released inside it does nothing.
    s.ShowTextures();
    Press(600, 300);
    Move(600, 20);
    Release(600, 20);
    EXPECT_TRUE(viewer.active);
}

TEST_F(DbgScreenTest, FrameRateLineAndDrawingNeedAFont)
{
    cDbgScreen& s = Enabled();
    EXPECT_EQ(s.ToggleFps(), 1);
    s.Draw(); // no font: nothing at all
    EXPECT_EQ(s.GetFrameRateText(), "");
    EXPECT_TRUE(fake.renderer.draws.empty());

    UseFont();
    EXPECT_EQ(s.GetFont(), font.get());
    s.Draw();
    EXPECT_EQ(s.GetFrameRateText(), "FPS 1");
    s.Draw();
    EXPECT_EQ(s.GetFrameRateText(), "FPS 1"); // refreshed about once a second
    EXPECT_FALSE(fake.renderer.draws.empty());

    // The open menu and the viewer draw too (images listed with their sizes).
    cImage image;
    image.width = 64;
    image.height = 32;
    image.bpp = 32;
    image.name = "res/test.png";
    s.OpenMenu();
    fake.renderer.draws.clear();
    s.Draw();
    const size_t pageDraws = fake.renderer.draws.size();
    EXPECT_GT(pageDraws, 0u);
    s.ShowTextures();
    fake.renderer.draws.clear();
    const int scissors = fake.renderer.scissorCalls;
    s.Draw();
    EXPECT_GT(fake.renderer.draws.size(), 0u);
    EXPECT_EQ(fake.renderer.scissorCalls, scissors + 1);
}

// res/frontend/frontend.mac.720p.cgla: the menu screens, authored about the screen centre.
// Buttons are direct elements of their screen in focus order; captions are pictures.
#include <cstdio>

#include "datagen/SampleScenes.h"

namespace datagen
{
namespace
{
std::string Num3(int n)
{
    char text[8];
    std::snprintf(text, sizeof text, "%03d", n);
    return text;
}

Json Title(SceneFile& f, const std::string& text, float y = -280)
{
    return Sprite("title", f.Art("title_" + Slug(text), 640, 64, "rect", "#00000000", text), 0, y);
}

// Where button i of a ten-button level page lies: five to a row, two rows.
Point LevelSlot(int i) { return {-400.0f + 200.0f * float(i % 5), i < 5 ? -90.0f : 110.0f}; }

void AddLevelPages(SceneFile& f)
{
    // One look for every level button: page 0's first button carries the mark positions.
    {
        Json& look = f.AddScene("look_level", 3);
        Json& e = look["elements"];
        e.push_back(Sprite("keyboard", f.Art("focus_level", 156, 156, "frame", "#ffe040"), 0, 0));
        Json tile = Sprite("tile", f.Art("level_tile", 140, 140, "box", "#3a6fd0"), 0, 0);
        tile["colour"] = {{0, 255, 255, 255, 255}, {1, 190, 190, 160, 255}, {2, 110, 110, 110, 160}};
        e.push_back(tile);
        e.push_back(Marker("Done", "", 50, -50));
        e.push_back(Marker("Sugar", "", -45, 50));
        e.push_back(Marker("Sticker", "", 0, 50));
        e.push_back(Marker("Perfect", "", 45, 50));
        e.push_back(Marker("Score", "", 0, 12));
    }
    for (int page = 0; page < 4; ++page)
    {
        Json& s = f.AddScene("scrLevelScreen_" + Num3(page), 1);
        Json& e = s["elements"];
        for (int i = 0; i < 10; ++i)
        {
            const int n = 10 * page + i;
            const Point p = LevelSlot(i);
            e.push_back(ButtonWithLook("GameObj" + Num3(i), "Button", "level" + std::to_string(n), "look_level", p.x, p.y));
        }
        for (int i = 0; i < 10; ++i)
        {
            const int n = 10 * page + i;
            const Point p = LevelSlot(i);
            e.push_back(Sprite("number" + Num3(i),
                               f.Art("level_number_" + std::to_string(n + 1), 80, 48, "rect", "#00000000",
                                     std::to_string(n + 1)),
                               p.x, p.y - 28));
        }
        if (page == 0)
            e.push_back(Sprite("Sprite000", f.Art("banner_story", 360, 48, "box", "#e07020", "Story"), 0, -210));
    }
    {
        Json& s = f.AddScene("scrLevelSelect", 1);
        Json& e = s["elements"];
        e.push_back(Title(f, "Choose a level", -300));
        e.push_back(Button(f, "butBack", "actBack", "Back", 0, 290, 240));
        e.push_back(Button(f, "butStats", "actHelp", "Level stats", 460, -300, 240));
    }
    {
        Json& s = f.AddScene("scrLevelDots", 4);
        Json dots = Sprite("dots", "", 0, 220);
        dots["frames"] = Json::array();
        for (int page = 0; page < 4; ++page)
        {
            std::string label;
            for (int d = 0; d < 4; ++d)
                label += d == page ? "O" : ".";
            dots["frames"].push_back({page, f.Art("dots_" + std::to_string(page), 160, 32, "rect", "#00000000", label)});
        }
        s["elements"].push_back(dots);
    }
    {
        Json& look = f.AddScene("look_level_S", 3);
        Json& e = look["elements"];
        e.push_back(Sprite("keyboard", f.Art("focus_level", 156, 156, "frame", "#ffe040"), 0, 0));
        Json tile = Sprite("tile", f.Art("level_tile_S", 140, 140, "box", "#c03060"), 0, 0);
        tile["colour"] = {{0, 255, 255, 255, 255}, {1, 190, 190, 160, 255}, {2, 110, 110, 110, 160}};
        e.push_back(tile);
        e.push_back(Marker("Sugar", "", -30, 45));
        e.push_back(Marker("Score", "", 10, 45));
    }
    {
        Json& s = f.AddScene("scrLevelScreen_S_000", 1);
        Json& e = s["elements"];
        for (int i = 0; i < 5; ++i)
        {
            const Point p = LevelSlot(i);
            e.push_back(ButtonWithLook("GameObj" + Num3(i), "Button", "level" + std::to_string(i), "look_level_S", p.x, p.y));
        }
        for (int i = 0; i < 5; ++i)
        {
            const Point p = LevelSlot(i);
            e.push_back(Sprite("number" + Num3(i),
                               f.Art("level_number_" + std::to_string(i + 1), 80, 48, "rect", "#00000000",
                                     std::to_string(i + 1)),
                               p.x, p.y - 28));
        }
        e.push_back(Rect("sugerText", 0, 60, 200, 40));
    }
    for (const char* name : {"scrLevelSelect_S", "scrLevelSelect_C"})
    {
        Json& s = f.AddScene(name, 1);
        s["elements"].push_back(Title(f, name[15] == 'S' ? "Survival" : "Challenge"));
        s["elements"].push_back(Button(f, "butBack", "actBack", "Back", 0, 290, 240));
    }
    {
        Json& s = f.AddScene("scrLevelStats", 1);
        Json& e = s["elements"];
        e.push_back(Title(f, "Level stats"));
        const char* rows[] = {"suger", "sticker", "perfect"};
        for (int r = 0; r < 3; ++r)
        {
            const float y = -150.0f + 110.0f * float(r);
            e.push_back(Rect(std::string(rows[r]) + "Current", -300, y, 100, 56));
            e.push_back(Rect(std::string(rows[r]) + "Total", -160, y, 100, 56));
            e.push_back(Rect(std::string(rows[r]) + "Text", 60, y, 500, 40));
        }
        e.push_back(Rect("perfectTime", -300, 190, 200, 40));
        e.push_back(Button(f, "butBack", "actBack", "Back", 0, 290, 240));
    }
}

// The dressed preview: dorvo -> body (hair + body sprite) and cup (cup, base, handle).
void AddPreviewRig(SceneFile& f)
{
    {
        Json& s = f.AddScene("cust_body", 1);
        s["elements"].push_back(Sprite("body", "customise/jumpers/jumper_orig.png", 0, 0));
        s["elements"].push_back(SceneElement("hair", "Hair_000", 0, -70));
    }
    {
        Json& s = f.AddScene("cust_cup", 1);
        s["elements"].push_back(Sprite("base", "customise/bases/base_orig.png", 0, 60));
        s["elements"].push_back(Sprite("cup", "customise/cups/cup_orig.png", 0, 0));
        s["elements"].push_back(Sprite("handle", "customise/handles/handle_orig.png", 60, 0));
    }
    {
        Json& s = f.AddScene("cust_dorvo", 1);
        s["elements"].push_back(SceneElement("cup", "cust_cup", 0, 60));
        s["elements"].push_back(SceneElement("body", "cust_body", 0, -60));
    }
    for (int h = 0; h <= 10; ++h)
    {
        Json& s = f.AddScene("Hair_" + Num3(h), 1);
        const std::string image = h == 0 ? "customise/hair/hair_orig.png"
                                         : "customise/hair/hair_" + Num3(h).substr(1) + ".png";
        Json hair = Sprite("hair", image, 0, 0);
        hair["scale"] = {{0, 0.6, 0.4}};
        s["elements"].push_back(hair);
    }
}

void AddCustomise(SceneFile& f)
{
    AddPreviewRig(f);
    const char* tabs[5] = {"Hair", "Body", "Cup", "Base", "Trail"};
    {
        Json& s = f.AddScene("scrCustomise", 1);
        Json& e = s["elements"];
        e.push_back(Title(f, "Customise"));
        for (int t = 0; t < 5; ++t)
            e.push_back(Toggle(f, "but" + std::to_string(t), "act" + std::to_string(t), tabs[t], -480,
                               -180 + 80.0f * float(t), 220));
        e.push_back(Button(f, "butBack", "actBack", "Back", -480, 260, 220));
        e.push_back(SceneElement("dorvo", "cust_dorvo", 420, 0));
    }
    const char* folders[5] = {"hair/hair", "jumpers/jumper", "cups/cup", "bases/base", "trail/trail"};
    for (int t = 0; t < 5; ++t)
    {
        Json& s = f.AddScene(std::string("scrCustomise") + tabs[t], 1);
        Json& e = s["elements"];
        for (int k = 0; k <= 10; ++k)
        {
            // Each item has a look of its own: the code writes the item picture into it.
            const std::string look = std::string("look_item_") + tabs[t] + "_" + std::to_string(k);
            Json& l = f.AddScene(look, 5);
            l["elements"].push_back(Sprite("keyboard", f.Art("focus_item", 120, 120, "frame", "#ffe040"), 0, 0));
            Json back = Sprite("back", f.Art("item_back", 110, 110, "box", "#d0d0e0"), 0, 0);
            back["colour"] = {{0, 200, 200, 200, 255}, {2, 120, 255, 120, 255}, {4, 90, 90, 90, 200}};
            l["elements"].push_back(back);
            // Appended piece by piece: GCC 12 at -O3 warns falsely on prepending to a temporary.
            std::string item = "customise/";
            item += folders[t];
            item += k == 0 ? std::string("_orig") : std::string("_").append(Num3(k).substr(1));
            item += ".png";
            l["elements"].push_back(Sprite("body", item, 0, 0));
            if (t == 3)
                l["elements"].push_back(
                    Sprite("handle", k == 0 ? std::string("customise/handles/handle_orig.png")
                                            : std::string("customise/handles/handle_").append(Num3(k).substr(1)).append(".png"),
                           40, -30));
            const Point p{-130.0f + 130.0f * float(k % 3), -170.0f + 125.0f * float(k / 3)};
            e.push_back(ButtonWithLook("but" + std::to_string(k), "Toggle Button", "but" + std::to_string(k), look, p.x, p.y));
        }
    }
}
} // namespace

SceneFile BuildFrontendScenes()
{
    SceneFile f("frontend.mac.720p.cgla", "frontend");
    f.DeclareType("Button");
    f.DeclareType("Toggle Button");

    f.AddScene("scrBackground", 1)["elements"].push_back(
        Sprite("back", f.Art("background", 1280, 720, "rect", "#4a8fd8"), 0, 0));
    f.AddScene("scrSplash", 1)["elements"].push_back(
        Sprite("logo", f.Art("title_logo", 800, 240, "box", "#e07020", "Tollivan"), 0, -80));
    {
        // Input waits for frame 30; the hearts burst at 24, 34, 44 and 54.
        Json& s = f.AddScene("scrMainMenu", 101);
        Json logo = Sprite("logo", f.Art("title_logo", 800, 240, "box", "#e07020", "Tollivan"), 0, -200);
        logo["position"] = {{0, 0, -80}, {20, 0, -200}};
        s["elements"].push_back(logo);
        const float hx[4] = {-420, -340, 340, 420};
        for (int h = 0; h < 4; ++h)
        {
            Json heart = Sprite("heart" + std::to_string(h + 1), "1024_768/LoveHeart.png", hx[h], h % 2 ? -120 : -260);
            heart["visible"] = {{0, false}, {24 + 10 * h, true}};
            s["elements"].push_back(heart);
        }
    }
    {
        Json& s = f.AddScene("scrMainMenuButtons", 1);
        Json& e = s["elements"];
        e.push_back(Button(f, "butPlay", "actPlay", "Play", 0, -40));
        e.push_back(Button(f, "butOptions", "actOptions", "Options", 0, 30));
        e.push_back(Button(f, "butCustom", "custom", "Customise", 0, 100));
        e.push_back(Button(f, "butCredits", "actKelpo", "Credits", 0, 170));
        e.push_back(Button(f, "butHelp", "actHelp", "Help", 0, 240));
        e.push_back(Button(f, "butExit", "actExit", "Quit", 0, 310));
    }
    {
        Json& s = f.AddScene("scrChapter", 1);
        Json& e = s["elements"];
        e.push_back(Title(f, "Choose a mode"));
        e.push_back(Button(f, "chapter0", "chapter0", "Story", 0, -150));
        e.push_back(Button(f, "chapter2", "chapter1", "Bonus", 0, -70));
        e.push_back(Button(f, "butSurvival", "actSurvival", "Survival", 0, 10));
        e.push_back(Button(f, "butChallenge", "actChallenge", "Challenge", 0, 90));
        e.push_back(Button(f, "butBack", "actBack", "Back", 0, 250, 240));
    }
    AddLevelPages(f);
    {
        Json& s = f.AddScene("scrOptions", 1);
        Json& e = s["elements"];
        e.push_back(Title(f, "Options"));
        e.push_back(Toggle(f, "butScreen", "actScreen", "Full screen", 0, -170));
        e.push_back(Toggle(f, "butMusic", "actMusic", "Music", 0, -100));
        e.push_back(Toggle(f, "butSfx", "actSound", "Sound", 0, -30));
        e.push_back(Button(f, "butFlip", "actFlipScreen", "Flip screen", 0, 40));
        e.push_back(Button(f, "butControls", "actControls", "Controls", 0, 110));
        e.push_back(Button(f, "butBack", "actBack", "Back", 0, 250, 240));
    }
    {
        Json& s = f.AddScene("scrOptionsControls", 1);
        Json& e = s["elements"];
        e.push_back(Title(f, "Controls"));
        e.push_back(Button(f, "butChoose", "actChooseControls", "Redefine", 0, -60));
        e.push_back(Button(f, "butReset", "actResetControls", "Reset", 0, 10));
        e.push_back(Button(f, "butBack", "actBack", "Back", 0, 250, 240));
    }
    {
        Json& s = f.AddScene("scrOptionsRedefineControls", 1);
        Json& e = s["elements"];
        e.push_back(Title(f, "Press a button for"));
        for (const char* prompt : {"up", "down", "left", "right", "jump", "pause"})
            e.push_back(Sprite(prompt, f.Art(std::string("prompt_") + prompt, 400, 80, "box", "#3a6fd0", prompt), 0, 0));
    }
    {
        Json& s = f.AddScene("scrOptionsRedefineConfirm", 1);
        Json& e = s["elements"];
        e.push_back(Title(f, "Keep these controls?"));
        e.push_back(Button(f, "butAgain", "actChooseAgain", "Again", -160, 60, 240));
        e.push_back(Button(f, "butDone", "actDone", "Done", 160, 60, 240));
    }
    AddCustomise(f);
    {
        // The credits roll upwards once and stay on the last frame.
        Json& s = f.AddScene("scrCredits", 300);
        const char* lines[] = {"Tollivan", "Made with KelpoBase", "Sample data tree", "Thanks for playing"};
        for (int i = 0; i < 4; ++i)
        {
            Json line = Sprite("line" + std::to_string(i),
                               f.Art("credits_" + std::to_string(i), 640, 56, "rect", "#00000000", lines[i]), 0,
                               420.0f + 100.0f * float(i));
            line["position"] = {{0, 0, 420.0f + 100.0f * float(i)}, {299, 0, -250.0f + 100.0f * float(i)}};
            s["elements"].push_back(line);
        }
    }
    {
        Json& s = f.AddScene("scrCreditsBack", 1);
        Json& e = s["elements"];
        e.push_back(Button(f, "butBack", "actBack", "Back", -160, 300, 240));
        e.push_back(Button(f, "butCredits", "actCredits", "Walk", 160, 300, 240));
    }
    {
        Json& s = f.AddScene("scrHelp_000", 60);
        Json& e = s["elements"];
        e.push_back(Title(f, "How to play"));
        e.push_back(Sprite("help", f.Art("help_text", 900, 300, "box", "#2a4a80", "Move, jump, collect sugar"), 0, -20));
        e.push_back(Button(f, "butBack", "actBack", "Back", 0, 260, 240));
    }
    {
        Json& s = f.AddScene("scrEnd", 120);
        Json end = Sprite("end", f.Art("the_end", 1280, 720, "box", "#203050", "The end"), 0, 0);
        end["colour"] = {{0, 255, 255, 255, 0}, {60, 255, 255, 255, 255}};
        s["elements"].push_back(end);
    }
    return f;
}
} // namespace datagen

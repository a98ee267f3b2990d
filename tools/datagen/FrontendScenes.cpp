// res/frontend/frontend.mac.720p.cgla: the menu screens, authored about the screen centre.
// Buttons are direct elements of their screen in focus order; captions are pictures. The
// backdrop is light, so the words the code writes in its dark text colour read on it.
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

Json Title(SceneFile& f, const std::string& text, float y = -280, int width = 640)
{
    return Sprite("title", f.Art("title_" + Slug(text), width, 64, "title", "#00000000", text), 0, y);
}

// Dark words, for the light plates.
Json Words(SceneFile& f, const std::string& name, const std::string& text, float x, float y, int w = 240)
{
    return Sprite(name, f.Art("words_" + Slug(text), w, 40, "words", "#00000000", text), x, y);
}

// Where button i of a ten-button level page lies: five to a row, two rows.
Point LevelSlot(int i) { return {-400.0f + 200.0f * float(i % 5), i < 5 ? -90.0f : 110.0f}; }

// A level button's look: its tile with its number, so a level that is not open (its
// button hidden) shows no number either. The marks are drawn about the tile; a story tile
// has a light strip for its best time.
std::string LevelLook(SceneFile& f, const std::string& tile, const std::string& colour, int number, bool timeStrip)
{
    const std::string name = "look_" + tile + "_" + std::to_string(number);
    Json& look = f.AddScene(name, 3);
    Json& e = look["elements"];
    e.push_back(Sprite("keyboard", f.Art("focus_level", 156, 156, "focus", "#00000000"), 0, 0));
    Json face = Sprite("tile",
                       f.Art(tile + "_" + std::to_string(number), 140, 140, "tile", colour, std::to_string(number),
                             timeStrip ? 1 : 0),
                       0, 0);
    face["colour"] = {{0, 255, 255, 255, 255}, {1, 200, 200, 180, 255}, {2, 130, 130, 140, 150}};
    e.push_back(face);
    return name;
}

void AddLevelPages(SceneFile& f)
{
    for (int page = 0; page < 4; ++page)
    {
        Json& s = f.AddScene("scrLevelScreen_" + Num3(page), 1);
        Json& e = s["elements"];
        for (int i = 0; i < 10; ++i)
        {
            const int n = 10 * page + i;
            const Point p = LevelSlot(i);
            const std::string look = LevelLook(f, "level_tile", "#4080e0", n + 1, true);
            if (n == 0)
            {
                // Page 0's first button carries the mark positions for every button: the
                // tick at the top right, the best time under the number (written from its
                // left end), the sugar, sticker and star along the bottom.
                Json& marks = f.FindScene(look)->at("elements");
                marks.push_back(Marker("Done", "", 50, -50));
                marks.push_back(Marker("Score", "", -50, 14));
                marks.push_back(Marker("Sugar", "", -42, 44));
                marks.push_back(Marker("Sticker", "", 0, 44));
                marks.push_back(Marker("Perfect", "", 42, 44));
            }
            e.push_back(ButtonWithLook("GameObj" + Num3(i), "Button", "level" + std::to_string(n), look, p.x, p.y));
        }
        if (page == 0)
            e.push_back(Sprite("Sprite000", f.Art("banner_story", 360, 52, "button", "#f08a30", "Story"), 0, -212));
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
        Json dots = Sprite("dots", "", 0, 222);
        dots["frames"] = Json::array();
        for (int page = 0; page < 4; ++page)
            dots["frames"].push_back({page, f.Art("dots_" + std::to_string(page), 160, 32, "dots", "#00000000", "", page)});
        s["elements"].push_back(dots);
    }
    {
        // Survival and challenge share five buttons; the first one's look holds the marks.
        Json& s = f.AddScene("scrLevelScreen_S_000", 1);
        Json& e = s["elements"];
        for (int i = 0; i < 5; ++i)
        {
            const Point p = LevelSlot(i);
            const std::string look = LevelLook(f, "level_tile_S", "#e04880", i + 1, false);
            if (i == 0)
            {
                Json& marks = f.FindScene(look)->at("elements");
                marks.push_back(Marker("Sugar", "", -34, 40));
                marks.push_back(Marker("Score", "", -12, 40));
            }
            e.push_back(ButtonWithLook("GameObj" + Num3(i), "Button", "level" + std::to_string(i), look, p.x, p.y));
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
        // Each row: its icon and name, the count "n / total" in digits at the placeholders
        // beside a slash, and the explanation (drawn from the left of its placeholder).
        Json& s = f.AddScene("scrLevelStats", 1);
        Json& e = s["elements"];
        e.push_back(Title(f, "Level stats"));
        e.push_back(Sprite("plate", f.Art("stats_plate", 1160, 460, "plate", "#00000000"), 0, -20));
        const struct
        {
            const char* row;
            const char* name;
            const char* shape;
        } rows[] = {{"suger", "All sugar", "sugar"}, {"sticker", "Stickers", "sticker"}, {"perfect", "Perfect", "star"}};
        for (int r = 0; r < 3; ++r)
        {
            const float y = -170.0f + 120.0f * float(r);
            const std::string row = rows[r].row;
            e.push_back(Sprite(row + "Icon", f.Art("stats_icon_" + row, 48, 48, rows[r].shape, "#00000000"), -520, y + 8));
            e.push_back(Words(f, row + "Name", rows[r].name, -370, y - 32, 200));
            e.push_back(Rect(row + "Current", -395, y + 12, 100, 56));
            e.push_back(Sprite(row + "Slash", f.Art("stats_slash", 24, 48, "caption", "#00000000", "/"), -372, y + 12));
            e.push_back(Rect(row + "Total", -350, y + 12, 100, 56));
            e.push_back(Rect(row + "Text", -180, y, 520, 40));
        }
        e.push_back(Words(f, "perfectTimeName", "Perfect levels' time", -250, 175, 400));
        e.push_back(Rect("perfectTime", 60, 175, 200, 40));
        e.push_back(Button(f, "butBack", "actBack", "Back", 0, 290, 240));
    }
}

// The dressed preview at two and a half times the level's size: dorvo -> body (hair and
// the body sprite) and cup (base, handle, cup), placed as in the level's rig.
void AddPreviewRig(SceneFile& f)
{
    {
        Json& s = f.AddScene("cust_body", 1);
        s["elements"].push_back(Sprite("body", "customise/jumpers/jumper_orig.png", 0, 0));
        s["elements"].push_back(SceneElement("hair", "Hair_000", 0, -50));
    }
    {
        Json& s = f.AddScene("cust_cup", 1);
        s["elements"].push_back(Sprite("base", "customise/bases/base_orig.png", 0, 32));
        s["elements"].push_back(Sprite("handle", "customise/handles/handle_orig.png", 45, -5));
        s["elements"].push_back(Sprite("cup", "customise/cups/cup_orig.png", 0, 0));
    }
    {
        Json& s = f.AddScene("cust_dorvo", 1);
        s["elements"].push_back(SceneElement("body", "cust_body", 0, -57));
        s["elements"].push_back(SceneElement("cup", "cust_cup", 0, 10));
    }
    for (int h = 0; h <= 10; ++h)
    {
        Json& s = f.AddScene("Hair_" + Num3(h), 1);
        const std::string image = h == 0 ? "customise/hair/hair_orig.png"
                                         : "customise/hair/hair_" + Num3(h).substr(1) + ".png";
        s["elements"].push_back(Sprite("hair", image, 0, 0));
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
        e.push_back(Sprite("stage", f.Art("preview_stage", 260, 40, "saucer", "#00000000"), 420, 112));
        e.push_back(SceneElement("dorvo", "cust_dorvo", 420, 40));
    }
    const char* folders[5] = {"hair/hair", "jumpers/jumper", "cups/cup", "bases/base", "trail/trail"};
    // The look's frames: 0 off, 1 off pressed, 2 on, 3 on pressed, 4 disabled. A locked
    // item shows its part only as a faint shape on the dark tile, under a padlock.
    const Json partColour = {{0, 255, 255, 255, 255}, {3, 255, 255, 255, 255}, {4, 255, 255, 255, 56}};
    // The item pictures are the parts at the preview's size: shrunk to fit the item buttons.
    const float itemScale[5] = {0.85f, 1.0f, 0.8f, 0.62f, 0.9f};
    for (int t = 0; t < 5; ++t)
    {
        Json& s = f.AddScene(std::string("scrCustomise") + tabs[t], 1);
        Json& e = s["elements"];
        for (int k = 0; k <= 10; ++k)
        {
            // Each item has a look of its own: the code writes the item picture into it.
            const std::string look = std::string("look_item_") + tabs[t] + "_" + std::to_string(k);
            Json& l = f.AddScene(look, 5);
            l["elements"].push_back(Sprite("keyboard", f.Art("focus_item", 120, 120, "focus", "#00000000"), 0, 0));
            Json back = Sprite("back", f.Art("item_back", 110, 110, "tile", "#e8ecf8"), 0, 0);
            back["colour"] = {{0, 255, 255, 255, 255}, {2, 150, 255, 150, 255}, {4, 120, 120, 130, 200}};
            l["elements"].push_back(back);
            // Appended piece by piece: GCC 12 at -O3 warns falsely on prepending to a temporary.
            std::string item = "customise/";
            item += folders[t];
            item += k == 0 ? std::string("_orig") : std::string("_").append(Num3(k).substr(1));
            item += ".png";
            Json part = Sprite("body", item, 0, t == 3 ? 8.0f : -2.0f);
            part["scale"] = {{0, itemScale[t], itemScale[t]}};
            part["colour"] = partColour;
            l["elements"].push_back(part);
            if (t == 3)
            {
                Json handle = Sprite("handle",
                                     k == 0 ? std::string("customise/handles/handle_orig.png")
                                            : std::string("customise/handles/handle_").append(Num3(k).substr(1)).append(".png"),
                                     30, -22);
                handle["scale"] = {{0, 0.8, 0.8}};
                handle["colour"] = partColour;
                l["elements"].push_back(handle);
            }
            Json lock = Sprite("lock", f.Art("item_lock", 40, 50, "padlock", "#00000000"), 0, 4);
            lock["visible"] = {{0, false}, {4, true}};
            l["elements"].push_back(lock);
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
        Sprite("back", f.Art("background", 1280, 720, "backdrop", "#00000000"), 0, 0));
    f.AddScene("scrSplash", 1)["elements"].push_back(
        Sprite("logo", f.Art("title_logo", 800, 240, "logo", "#00000000", "Tollivan"), 0, -80));
    AddCustomise(f);
    {
        // Input waits for frame 30; the hearts burst at 24, 34, 44 and 54. The character,
        // dressed as the player chose, stands beside the buttons.
        Json& s = f.AddScene("scrMainMenu", 101);
        Json logo = Sprite("logo", f.Art("title_logo", 800, 240, "logo", "#00000000", "Tollivan"), 0, -200);
        logo["position"] = {{0, 0, -80}, {20, 0, -200}};
        s["elements"].push_back(logo);
        Json mascot = SceneElement("mascot", "cust_dorvo", 380, 160);
        mascot["colour"] = {{0, 255, 255, 255, 0}, {20, 255, 255, 255, 0}, {30, 255, 255, 255, 255}};
        s["elements"].push_back(mascot);
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
        e.push_back(Button(f, "butOptions", "actOptions", "Options", 0, 28));
        e.push_back(Button(f, "butCustom", "custom", "Customise", 0, 96));
        e.push_back(Button(f, "butCredits", "actKelpo", "Credits", 0, 164));
        e.push_back(Button(f, "butHelp", "actHelp", "Help", 0, 232));
        e.push_back(Button(f, "butExit", "actExit", "Quit", 0, 300));
    }
    {
        // The game writes "Open level 20 to unlock." under the bonus button (its middle
        // about 94 pixels lower) while bonus play is locked: the next button leaves room.
        Json& s = f.AddScene("scrChapter", 1);
        Json& e = s["elements"];
        e.push_back(Title(f, "Choose a mode"));
        e.push_back(Button(f, "chapter0", "chapter0", "Story", 0, -190));
        e.push_back(Button(f, "chapter2", "chapter1", "Bonus", 0, -110));
        e.push_back(Button(f, "butSurvival", "actSurvival", "Survival", 0, 76));
        e.push_back(Button(f, "butChallenge", "actChallenge", "Challenge", 0, 150));
        e.push_back(Button(f, "butBack", "actBack", "Back", 0, 270, 240));
    }
    AddLevelPages(f);
    {
        Json& s = f.AddScene("scrOptions", 1);
        Json& e = s["elements"];
        e.push_back(Title(f, "Options"));
        AddSettingsControls(f, e, -170, 70, 300);
        e.push_back(Button(f, "butControls", "actControls", "Controls", 0, 110, 300));
        e.push_back(Button(f, "butBack", "actBack", "Back", 0, 250, 240));
    }
    {
        Json& s = f.AddScene("scrOptionsControls", 1);
        Json& e = s["elements"];
        e.push_back(Title(f, "Controls"));
        e.push_back(Sprite("note", f.Art("controls_note", 760, 40, "words", "#00000000", "The joystick's buttons can be chosen here"),
                           0, -170));
        e.push_back(Button(f, "butChoose", "actChooseControls", "Redefine", 0, -60));
        e.push_back(Button(f, "butReset", "actResetControls", "Reset", 0, 10));
        e.push_back(Button(f, "butBack", "actBack", "Back", 0, 250, 240));
    }
    {
        // One caption, "Press a button for" over the control's name, both at the titles'
        // size, the name in orange.
        Json& s = f.AddScene("scrOptionsRedefineControls", 1);
        Json& e = s["elements"];
        e.push_back(Title(f, "Press a button for", -280, 720));
        for (const char* prompt : {"up", "down", "left", "right", "jump", "pause"})
            e.push_back(Sprite(prompt, f.Art(std::string("prompt_") + prompt, 400, 64, "title", "#f08a30", prompt), 0,
                               -200));
    }
    {
        Json& s = f.AddScene("scrOptionsRedefineConfirm", 1);
        Json& e = s["elements"];
        e.push_back(Title(f, "Keep these controls?"));
        e.push_back(Button(f, "butAgain", "actChooseAgain", "Again", -160, 60, 240));
        e.push_back(Button(f, "butDone", "actDone", "Done", 160, 60, 240));
    }
    {
        // The credits roll upwards once and stay on the last frame.
        Json& s = f.AddScene("scrCredits", 300);
        const char* lines[] = {"Tollivan", "Made with KelpoBase", "Sample data tree", "Thanks for playing"};
        for (int i = 0; i < 4; ++i)
        {
            Json line = Sprite("line" + std::to_string(i),
                               f.Art("credits_" + std::to_string(i), 640, 56, "title", "#00000000", lines[i]), 0,
                               420.0f + 100.0f * float(i));
            line["position"] = {{0, 0, 420.0f + 100.0f * float(i)}, {299, 0, -250.0f + 100.0f * float(i)}};
            s["elements"].push_back(line);
        }
    }
    {
        Json& s = f.AddScene("scrCreditsBack", 1);
        Json& e = s["elements"];
        e.push_back(Button(f, "butBack", "actBack", "Back", -160, 300, 240));
        e.push_back(Button(f, "butCredits", "actCredits", "Credits walk", 160, 300, 240));
    }
    {
        // How to play: the keys as the game reads them (the menus in a level take Up and
        // Down only; the level select moves tile by tile), what F6 does to a level not made
        // for it, what keeps the turn and what turns it back (as the README says), and what
        // a level asks for. Fourteen lines of at most 64 characters keep the words at the
        // captions' scale.
        Json& s = f.AddScene("scrHelp_000", 60);
        Json& e = s["elements"];
        e.push_back(Title(f, "How to play", -300));
        e.push_back(Sprite("help",
                           f.Art("help_text", 1200, 510, "notes", "#00000000",
                                 "Left, Right (or A, D): move    Space: jump, hold it to go higher|"
                                 "Esc: pause    F3: start again    Print Screen: save a screenshot|"
                                 "F6: turn the world a quarter turn. In levels not made for it you|"
                                 "fall out of view and can even reach the end. F3 keeps the turn,|"
                                 "and so does a death that starts the level over; a death back at|"
                                 "a checkpoint or the start turns the world as it stood there.|"
                                 "Four F6 in all, or leaving the level, stand it upright again.||"
                                 "Pause, results and leave menus: Up, Down (or W, S) move, Return|"
                                 "or Space presses; Left and Right do nothing there. Level select:|"
                                 "the arrows move tile by tile, and turn the page at the edge.|"
                                 "Other menus: the same keys, and Esc goes back.||"
                                 "Take the sugar, find the hidden sticker, reach END."),
                           0, 0));
        e.push_back(Button(f, "butBack", "actBack", "Back", 0, 300, 240));
    }
    {
        Json& s = f.AddScene("scrEnd", 120);
        Json end = Sprite("end", f.Art("the_end", 1280, 720, "card", "#283c6e", "The end"), 0, 0);
        end["colour"] = {{0, 255, 255, 255, 0}, {60, 255, 255, 255, 255}};
        s["elements"].push_back(end);
    }
    return f;
}
} // namespace datagen

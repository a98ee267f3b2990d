// res/hud.mac.720p.cgla: the in-level screens. The controls scenes are authored in top-left
// screen pixels; the pause, exit and results screens about the screen centre.
#include "datagen/SampleScenes.h"

namespace datagen
{
namespace
{
void AddHudElements(SceneFile& f, Json& scene, bool survival)
{
    Json& e = scene["elements"];
    e.push_back(Sprite("jump", f.Art("hud_jump", 96, 96, "circle", "#40c060", "JUMP"), 1180, 620));
    e.push_back(Sprite("suger", f.Art("hud_sugar", 48, 48, "box", "#ffffff", "S"), 40, 40));
    // The sugar count is drawn at its placeholder: right-aligned before the total in story
    // play, left-aligned in survival play, where the time (right-aligned) shows too.
    if (survival)
    {
        e.push_back(Rect("sugerCurrent", 80, 44, 80, 56));
        e.push_back(Rect("time", 760, 44, 160, 56));
    }
    else
    {
        e.push_back(Rect("sugerCurrent", 150, 44, 80, 56));
        e.push_back(Sprite("suger_slash", f.Art("hud_slash", 24, 48, "rect", "#00000000", "/"), 168, 44));
        e.push_back(Rect("sugerTotal", 186, 44, 80, 56));
    }
    e.push_back(Sprite("power_back", f.Art("hud_power_back", 208, 28, "frame", "#ffffff"), 1140, 40));
    Json power = Sprite("power", f.Art("hud_power", 200, 20, "rect", "#ff9020"), 1140, 40);
    power["kind"] = "SpriteCropped";
    power["cropX"] = {{0, 0, 1}};
    power["cropY"] = {{0, 0, 1}};
    e.push_back(power);
    const char* keys[4][2] = {{"key_red", "#e03030"}, {"key_green", "#30c030"}, {"key_blue", "#3060e0"},
                              {"key_yellow", "#f0d020"}};
    for (int i = 0; i < 4; ++i)
        e.push_back(Sprite(keys[i][0], f.Art(keys[i][0], 32, 40, "diamond", keys[i][1]), 40 + 44.0f * i, 110));
}

// The no-jump and jump indicators: a short pulse about the jump sprite's position.
void AddIndicator(SceneFile& f, const std::string& name, const std::string& art)
{
    Json& scene = f.AddScene(name, 10);
    Json icon = Sprite("icon", art, 0, 0);
    icon["scale"] = {{0, 0.6, 0.6}, {5, 1.2, 1.2}, {9, 1, 1}};
    scene["elements"].push_back(icon);
}

Json Panel(SceneFile& f, const std::string& name, int w, int h, const std::string& label)
{
    return Sprite("panel", f.Art(name, w, h, "box", "#283c64", label), 0, 0);
}
} // namespace

SceneFile BuildHudScenes()
{
    SceneFile f("hud.mac.720p.cgla", "", "hud/art");
    f.DeclareType("Button");
    f.DeclareType("Toggle Button");

    AddHudElements(f, f.AddScene("Controls01", 1), false);
    AddHudElements(f, f.AddScene("ControlsS", 1), true);
    AddIndicator(f, "scrFireButton", f.Art("hud_nojump", 96, 96, "circle", "#d03030", "NO"));
    AddIndicator(f, "scrJumpButton", f.Art("hud_jump", 96, 96, "circle", "#40c060", "JUMP"));

    {
        Json& s = f.AddScene("scrPause", 1);
        Json& e = s["elements"];
        e.push_back(Panel(f, "pause_panel", 640, 560, ""));
        e.push_back(Sprite("title", f.Art("pause_title", 300, 48, "rect", "#00000000", "Paused"), 0, -240));
        e.push_back(Rect("level", 200, -240, 80, 48));
        e.push_back(Button(f, "butResume", "actResume", "Resume", 0, -160));
        e.push_back(Button(f, "butRestart", "actRestart", "Restart", 0, -90));
        e.push_back(Button(f, "butExit", "actExit", "Exit", 0, -20));
        e.push_back(Toggle(f, "butScreen", "actScreen", "Full screen", 0, 50));
        e.push_back(Toggle(f, "butMusic", "actMusic", "Music", 0, 120));
        e.push_back(Toggle(f, "butSfx", "actSound", "Sound", 0, 190));
        e.push_back(Button(f, "butFlip", "actFlipScreen", "Flip screen", 0, 250));
    }
    {
        Json& s = f.AddScene("scrExit", 1);
        Json& e = s["elements"];
        e.push_back(Panel(f, "exit_panel", 560, 300, ""));
        e.push_back(Sprite("title", f.Art("exit_title", 440, 48, "rect", "#00000000", "Leave the level?"), 0, -80));
        // "No" first: the screen opens with the first button in focus.
        e.push_back(Button(f, "butNo", "actNo", "No", -140, 60, 220));
        e.push_back(Button(f, "butYes", "actYes", "Yes", 140, 60, 220));
    }
    {
        // The results: the panel slides in by frame 15, the badges appear at 18, 23 and 28.
        Json& s = f.AddScene("LevelComplete", 40);
        Json& e = s["elements"];
        Json panel = Panel(f, "results_panel", 720, 480, "");
        panel["position"] = {{0, 0, -800}, {15, 0, 0}};
        e.push_back(panel);
        e.push_back(Sprite("title", f.Art("results_title", 420, 56, "rect", "#00000000", "Level complete"), 0, -190));
        e.push_back(Sprite("levelLabel", f.Art("results_level", 140, 40, "rect", "#00000000", "Level"), -110, -110));
        e.push_back(Rect("level", 20, -110, 80, 48));
        const struct
        {
            const char* name;
            const char* shape;
            const char* colour;
            const char* label;
            float x;
            int frame;
        } badges[] = {{"sticker", "circle", "#e04080", "Sticker", -200, 18},
                      {"sugar", "box", "#ffffff", "Sugar", 0, 23},
                      {"perfect", "diamond", "#ffd020", "Perfect", 200, 28}};
        for (const auto& b : badges)
        {
            // The code shows one of each pair: the badge won, or its faded form.
            Json on = Sprite(b.name, f.Art(std::string("badge_") + b.name, 140, 140, b.shape, b.colour, b.label), b.x, 20);
            on["scale"] = {{0, 0, 0}, {b.frame, 1.3, 1.3}, {b.frame + 4, 1, 1}};
            e.push_back(on);
            Json off = Sprite(std::string(b.name) + "F", f.Art(std::string("badge_") + b.name + "F", 140, 140, b.shape,
                                                                 "#505060", b.label),
                              b.x, 20);
            off["scale"] = {{0, 0, 0}, {b.frame, 1, 1}};
            e.push_back(off);
        }
        e.push_back(Sprite("timeLabel", f.Art("results_time", 140, 40, "rect", "#00000000", "Time"), -110, 130));
        e.push_back(Rect("time", 40, 130, 160, 40));
        e.push_back(Sprite("survival", f.Art("unlock_survival", 300, 40, "box", "#c03060", "Survival open!"), -170, 190));
        e.push_back(Sprite("bonus", f.Art("unlock_bonus", 300, 40, "box", "#3060c0", "Bonus open!"), 170, 190));
    }
    {
        Json& s = f.AddScene("LevelCompleteS", 40);
        Json& e = s["elements"];
        Json panel = Panel(f, "results_panel", 720, 480, "");
        panel["position"] = {{0, 0, -800}, {15, 0, 0}};
        e.push_back(panel);
        e.push_back(Sprite("title", f.Art("survival_title", 420, 56, "rect", "#00000000", "Time up"), 0, -190));
        e.push_back(Sprite("scoreLabel", f.Art("survival_score", 200, 40, "rect", "#00000000", "Sugar"), 0, -80));
        e.push_back(Rect("time", -60, -20, 120, 56));
    }
    {
        Json& s = f.AddScene("LevelComplete_Buttons", 1);
        Json& e = s["elements"];
        e.push_back(Button(f, "butMenu", "actMenu", "Menu", -280, 300, 240));
        e.push_back(Button(f, "butRestart", "actRestart", "Restart", 0, 300, 240));
        e.push_back(Button(f, "butNext", "actNext", "Next", 280, 300, 240));
    }
    {
        Json& s = f.AddScene("LevelComplete_Buttons_End", 1);
        Json& e = s["elements"];
        e.push_back(Button(f, "butMenu", "actMenu", "Menu", -280, 300, 240));
        e.push_back(Button(f, "butNext", "actNext", "Continue", 0, 300, 240));
        e.push_back(Button(f, "butRestart", "actRestart", "Restart", 280, 300, 240));
    }
    {
        Json& s = f.AddScene("LevelComplete_ButtonsS", 1);
        Json& e = s["elements"];
        e.push_back(Button(f, "butMenu", "actMenu", "Menu", -140, 300, 240));
        e.push_back(Button(f, "butRestart", "actRestart", "Restart", 140, 300, 240));
    }
    {
        // The cover between the level and the screens around it: off-screen at frame 0,
        // covering the whole screen at the last frame.
        Json& s = f.AddScene("LevelExit", 20);
        Json cover = Sprite("cover", f.Art("exit_cover", 1280, 720, "rect", "#101820"), 0, 0);
        cover["position"] = {{0, 0, -760}, {19, 0, 0}};
        s["elements"].push_back(cover);
    }
    return f;
}
} // namespace datagen

// res/hud.mac.720p.cgla: the in-level screens. The controls scenes are authored in top-left
// screen pixels; the pause, exit and results screens about the screen centre.
#include "datagen/Art.h"
#include "datagen/SampleScenes.h"

namespace datagen
{
namespace
{
// The results badges: their top and width, and the perfect badge's time plate. The
// perfect time (the small font, 8 characters of 18 pixels, turned by -9 degrees) needs
// 143 x 43 pixels; its plate leaves room all round inside the rim.
constexpr float kBadgeTop = -118;
constexpr int kBadgeWidth = 176;
constexpr int kTimePlate = 66;

// The display's figures stand on opaque plates, painted before them (a higher layer is
// painted first), so that they read the same over the sky, a platform or anything else.
Json HudPlate(SceneFile& f, const std::string& name, const std::string& art, int w, int h, const std::string& colour,
              float x, float y)
{
    Json plate = Sprite(name, f.Art(art, w, h, "hudplate", colour), x, y);
    plate["layer"] = {{0, 1}};
    return plate;
}

void AddHudElements(SceneFile& f, Json& scene, bool survival)
{
    Json& e = scene["elements"];
    // Where the jump indicators show: a dark disc they light up.
    e.push_back(Sprite("jump", f.Art("hud_jump_base", 72, 72, "flash", "#27304aa0"), 1200, 640));
    e.push_back(Sprite("suger", f.Art("hud_sugar", 44, 44, "sugar", "#00000000"), 40, 40));
    // The sugar count is drawn at its placeholder: right-aligned before the total in story
    // play, left-aligned in survival play, where the time (right-aligned) shows too. The
    // white digits stand on a dark plate with the icon.
    if (survival)
    {
        e.push_back(HudPlate(f, "sugarPlate", "hud_plate_sugar_S", 196, 64, "#3a4466", 106, 42));
        e.push_back(Rect("sugerCurrent", 80, 44, 80, 56));
        // The time, in the level's own colours, dark or light, and ringed in ink: it stands
        // on a light plate turned with it (-4 degrees about the time's right end). The
        // five ringed characters fill 238 x 62 pixels left of and below that end: the
        // plate's middle lies 124 to the left and 31 down.
        Json plate = HudPlate(f, "timePlate", "hud_plate_time", 276, 84, "#fff7e6", 760, 44);
        plate["rotation"] = {{0, -4}};
        plate["pivot"] = {{0, 124, -31}};
        e.push_back(plate);
        e.push_back(Rect("time", 760, 44, 160, 56));
    }
    else
    {
        e.push_back(HudPlate(f, "sugarPlate", "hud_plate_sugar", 256, 64, "#3a4466", 136, 42));
        e.push_back(Rect("sugerCurrent", 150, 44, 80, 56));
        e.push_back(Sprite("suger_slash", f.Art("hud_slash", 24, 48, "caption", "#00000000", "/"), 168, 44));
        e.push_back(Rect("sugerTotal", 186, 44, 80, 56));
    }
    // The jump power, with an arrow up to say what it is.
    e.push_back(Sprite("power_icon", f.Art("hud_power_icon", 36, 36, "indicator", "#00000000"), 1014, 40));
    e.push_back(Sprite("power_back", f.Art("hud_power_back", 212, 30, "barframe", "#00000000"), 1140, 40));
    Json power = Sprite("power", f.Art("hud_power", 200, 18, "bar", "#ff9628"), 1140, 40);
    power["kind"] = "SpriteCropped";
    power["cropX"] = {{0, 0, 1}};
    power["cropY"] = {{0, 0, 1}};
    e.push_back(power);
    const char* keys[4][2] = {{"key_red", "#e03838"}, {"key_green", "#38c048"}, {"key_blue", "#3c6cf0"},
                              {"key_yellow", "#f0d028"}};
    for (int i = 0; i < 4; ++i)
    {
        // Hidden until the player holds the key (the game shows it from then on).
        Json key = Sprite(keys[i][0], f.Art(keys[i][0], 40, 26, "key", keys[i][1]), 44 + 50.0f * float(i), 104);
        key["visible"] = {{0, false}};
        e.push_back(key);
    }
}

// The jump indicators at the jump sprite's place: a short pulse when jumping becomes
// allowed (an arrow up) or forbidden (the arrow struck through).
void AddIndicator(SceneFile& f, const std::string& name, int variant)
{
    Json& scene = f.AddScene(name, 10);
    Json icon = Sprite("icon", f.Art(name == "scrJumpButton" ? "hud_can_jump" : "hud_no_jump", 60, 60, "indicator",
                                     "#00000000", "", variant),
                       0, 0);
    icon["scale"] = {{0, 0.6, 0.6}, {5, 1.25, 1.25}, {9, 1, 1}};
    scene["elements"].push_back(icon);
}

// A panel whose header band holds the title on the left.
void AddPanel(SceneFile& f, Json& e, const std::string& name, int w, int h, const std::string& title, float titleX,
              const std::string& colour)
{
    e.push_back(Sprite("panel", f.Art(name, w, h, "panel", colour), 0, 0));
    e.push_back(Sprite("title", f.Art(name + "_title", 400, 52, "title", "#00000000", title), titleX,
                       -float(h) / 2 + 36));
}

Json Caption(SceneFile& f, const std::string& name, const std::string& text, float x, float y, int w = 140)
{
    return Sprite(name, f.Art("caption_" + Slug(text), w, 40, "caption", "#00000000", text), x, y);
}
} // namespace

SceneFile BuildHudScenes()
{
    SceneFile f("hud.mac.720p.cgla", "", "hud/art");
    f.DeclareType("Button");
    f.DeclareType("Toggle Button");

    AddHudElements(f, f.AddScene("Controls01", 1), false);
    AddHudElements(f, f.AddScene("ControlsS", 1), true);
    AddIndicator(f, "scrFireButton", 1);
    AddIndicator(f, "scrJumpButton", 0);

    {
        // The level number is drawn at "level", in the header beside its caption; the
        // controls stand well inside the panel's edge, their focus glow included.
        Json& s = f.AddScene("scrPause", 1);
        Json& e = s["elements"];
        AddPanel(f, e, "pause_panel", 640, 620, "Paused", -130, "#4080e0");
        e.push_back(Caption(f, "levelLabel", "Level", 140, -274));
        e.push_back(Rect("level", 226, -274, 80, 48));
        e.push_back(Button(f, "butResume", "actResume", "Resume", 0, -196, 300));
        e.push_back(Button(f, "butRestart", "actRestart", "Restart", 0, -128, 300));
        e.push_back(Button(f, "butExit", "actExit", "Exit", 0, -60, 300));
        AddSettingsControls(f, e, 8, 68, 300);
    }
    {
        Json& s = f.AddScene("scrExit", 1);
        Json& e = s["elements"];
        AddPanel(f, e, "exit_panel", 560, 240, "Leave the level?", 0, "#e06040");
        // "No" first: the screen opens with the first button in focus.
        e.push_back(Button(f, "butNo", "actNo", "No", -130, 36, 220));
        e.push_back(Button(f, "butYes", "actYes", "Yes", 130, 36, 220));
    }
    {
        // The results: the panel slides in by frame 15, the badges appear at 18, 23 and 28.
        // The level number shows in the header, as on the pause panel. A perfect run's time
        // is drawn at "time", on the dark plate of the perfect badge (the grey badge of a
        // run that was not perfect has none).
        Json& s = f.AddScene("LevelComplete", 40);
        Json& e = s["elements"];
        Json panel = Sprite("panel", f.Art("results_panel", 720, 480, "panel", "#2f9050"), 0, 0);
        panel["position"] = {{0, 0, -800}, {15, 0, 0}};
        e.push_back(panel);
        e.push_back(Sprite("title", f.Art("results_title", 400, 52, "title", "#00000000", "Complete!"), -150, -204));
        e.push_back(Caption(f, "levelLabel", "Level", 150, -204));
        e.push_back(Rect("level", 230, -204, 80, 48));
        const struct
        {
            const char* name;
            const char* colour;
            const char* label;
            float x;
            int frame;
        } badges[] = {{"sticker", "#ec4896", "Sticker", -210, 18},
                      {"sugar", "#40a0f0", "Sugar", 0, 23},
                      {"perfect", "#ffc828", "Perfect", 210, 28}};
        // The badge ends 4 pixels below its ribbon; the perfect one's plate begins 14 below.
        const float plateTop = BadgePlateTop(kBadgeWidth);
        const int badgeHeight = int(plateTop) - 10;
        const int perfectHeight = int(plateTop) + kTimePlate;
        for (const auto& b : badges)
        {
            // The code shows one of each pair: the badge won, or its grey form. Both are
            // drawn from the same top; the won perfect badge is taller by its time plate.
            const bool plate = std::string(b.name) == "perfect";
            const int height = plate ? perfectHeight : badgeHeight;
            Json on = Sprite(b.name,
                             f.Art(std::string("badge_") + b.name, kBadgeWidth, height, "badge", b.colour, b.label,
                                   plate ? 1 : 0),
                             b.x, kBadgeTop + float(height) / 2);
            on["scale"] = {{0, 0, 0}, {b.frame, 1.3, 1.3}, {b.frame + 4, 1, 1}};
            e.push_back(on);
            Json off = Sprite(std::string(b.name) + "F",
                              f.Art(std::string("badge_") + b.name + "F", kBadgeWidth, badgeHeight, "badge", "#8c8c96",
                                    b.label),
                              b.x, kBadgeTop + float(badgeHeight) / 2);
            off["scale"] = {{0, 0, 0}, {b.frame, 1, 1}};
            e.push_back(off);
        }
        // The middle of the plate (it stops 2 pixels above the picture's bottom).
        e.push_back(Rect("time", 210, kBadgeTop + (plateTop + float(perfectHeight) - 2) / 2, 160, 40));
        e.push_back(Sprite("survival", f.Art("unlock_survival", 300, 44, "button", "#e04880", "Survival open!"), -165, 190));
        e.push_back(Sprite("bonus", f.Art("unlock_bonus", 300, 44, "button", "#4070e0", "Bonus open!"), 165, 190));
    }
    {
        Json& s = f.AddScene("LevelCompleteS", 40);
        Json& e = s["elements"];
        Json panel = Sprite("panel", f.Art("results_panel_S", 720, 480, "panel", "#d06820"), 0, 0);
        panel["position"] = {{0, 0, -800}, {15, 0, 0}};
        e.push_back(panel);
        // One header for both ends of a run, the clock run down or the player caught.
        e.push_back(Sprite("title", f.Art("survival_title", 440, 52, "title", "#00000000", "Run over"), 0, -204));
        e.push_back(Sprite("scoreLabel", f.Art("survival_score", 360, 40, "words", "#00000000", "Sugar collected"), 0, -100));
        // The count in the display's white digits, on a dark plate with the icon as in the
        // display (in element order after the panel: the game draws the digits last).
        e.push_back(Sprite("scorePlate", f.Art("hud_plate_score", 240, 84, "hudplate", "#3a4466"), -14, -10));
        e.push_back(Sprite("scoreIcon", f.Art("survival_sugar", 64, 64, "sugar", "#00000000"), -90, -10));
        e.push_back(Rect("time", -40, -10, 120, 56));
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
        Json cover = Sprite("cover", f.Art("exit_cover", 1280, 720, "card", "#283c6e"), 0, 0);
        cover["position"] = {{0, 0, -760}, {19, 0, 0}};
        s["elements"].push_back(cover);
    }
    return f;
}
} // namespace datagen

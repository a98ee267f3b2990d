// res/comic/comic.cgla: the story opening before the first level, authored in a centred
// 1024 x 768 frame, and the skip prompts for each screen width.
#include "datagen/SampleScenes.h"

namespace datagen
{
std::vector<SceneFile> BuildAllScenes()
{
    std::vector<SceneFile> files;
    files.push_back(BuildHudScenes());
    files.push_back(BuildFrontendScenes());
    files.push_back(BuildComicScenes());
    files.push_back(BuildMapScenes());
    return files;
}

namespace
{
constexpr int kComicFrames = 510;
// A panel comes in every so many frames.
constexpr int kPanelFrames = 150;
// The first panel's sleeper, and the frame its cup wakes at (the third panel comes in).
constexpr float kZzzX = -282, kZzzY = -60;
constexpr int kWakeFrame = 2 * kPanelFrames;
} // namespace

SceneFile BuildComicScenes()
{
    SceneFile f("comic.cgla", "comic");
    f.DeclareType("Button");
    {
        // Three panels, one every 150 frames; the sleeper's "zzz" rises from the first.
        Json& s = f.AddScene("Full", kComicFrames);
        Json& e = s["elements"];
        e.push_back(Sprite("page", f.Art("comic_page", 1024, 768, "plate", "#f4ecd8"), 0, 0));
        const char* captions[3] = {"Once upon a time", "a cup dozed off", "and woke up far away"};
        for (int p = 0; p < 3; ++p)
        {
            const float x = -340.0f + 340.0f * float(p);
            Json panel = Sprite("panel" + std::to_string(p + 1),
                                f.Art("comic_panel_" + std::to_string(p + 1), 320, 560, "comic", "#00000000",
                                      captions[p], p + 1),
                                x, 0);
            panel["colour"] = {{0, 255, 255, 255, 0},
                               {kPanelFrames * p, 255, 255, 255, 0},
                               {kPanelFrames * p + 30, 255, 255, 255, 255}};
            e.push_back(panel);
        }
        // The z's rise from the top of the sleeper's head, where each climbs 180 screen
        // pixels (3 a frame for 60 frames) and sways up to 50 to the right: from here the
        // 30-pixel z stays inside the first panel at a page scale of 0.9375 (720 lines) or
        // more. Once the cup wakes (the third panel, from frame 300) the element goes far
        // above the page: the z's the game still makes there are never seen, and none is
        // left to float over the closing change.
        Json zzz = Rect("zzz", kZzzX, kZzzY, 40, 40);
        zzz["position"] = {{0, kZzzX, kZzzY}, {kWakeFrame - 1, kZzzX, kZzzY}, {kWakeFrame, kZzzX, -4000}};
        e.push_back(zzz);
    }
    {
        Json& s = f.AddScene("LevelExit", 33);
        Json cover = Sprite("cover", f.Art("comic_cover", 1024, 768, "card", "#283c6e"), 0, 0);
        cover["colour"] = {{0, 255, 255, 255, 0}, {32, 255, 255, 255, 255}};
        s["elements"].push_back(cover);
    }
    for (const char* name : {"skipmenu", "skipmenu2", "skipmenu3", "skipmenu4", "skipmenu5"})
    {
        Json& s = f.AddScene(name, 1);
        s["elements"].push_back(
            Sprite("prompt", f.Art("skip_prompt", 360, 52, "button", "#283c6e", "Jump to skip"), 0, 300));
    }
    return f;
}
} // namespace datagen

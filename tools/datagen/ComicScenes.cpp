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

SceneFile BuildComicScenes()
{
    SceneFile f("comic.cgla", "comic");
    f.DeclareType("Button");
    {
        // Three panels, one every 150 frames; the sleeper's "zzz" rises from the first.
        Json& s = f.AddScene("Full", 510);
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
            panel["colour"] = {{0, 255, 255, 255, 0}, {150 * p, 255, 255, 255, 0}, {150 * p + 30, 255, 255, 255, 255}};
            e.push_back(panel);
        }
        e.push_back(Rect("zzz", -300, -180, 40, 40));
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

#include "datagen/SceneKit.h"

#include <cctype>
#include <fstream>
#include <memory>

#include "KelpoBase/gla/GlaSet.h"
#include "scene/GlaJson.h"
#include "scene/GlaNeeded.h"
#include "scene/GlaWriter.h"

namespace datagen
{
Json Prop(const std::string& name, const std::string& kind, const Json& value)
{
    return Json{{"name", name}, {"kind", kind}, {"value", value}};
}

namespace
{
Json Placed(const std::string& kind, const std::string& name, float x, float y)
{
    return Json{{"kind", kind}, {"name", name}, {"visible", {{0, true}}}, {"position", {{0, x, y}}}};
}

Json PointList(const std::vector<Point>& points)
{
    Json list = Json::array();
    for (const Point& p : points)
        list.push_back({p.x, p.y});
    return list;
}
} // namespace

Json Sprite(const std::string& name, const std::string& image, float x, float y)
{
    Json e = Placed("Sprite", name, x, y);
    e["scale"] = {{0, 1, 1}};
    e["colour"] = {{0, 255, 255, 255, 255}};
    e["frames"] = {{0, image}};
    return e;
}

Json Rect(const std::string& name, float x, float y, float w, float h)
{
    Json e = Placed("Rectangle", name, x, y);
    e["size"] = {{0, w, h}};
    return e;
}

Json SceneElement(const std::string& name, const std::string& scene, float x, float y)
{
    Json e = Placed("Scene", name, x, y);
    e["scale"] = {{0, 1, 1}};
    e["colour"] = {{0, 255, 255, 255, 255}};
    e["scenes"] = {{0, scene}};
    return e;
}

Json GameObj(const std::string& name, const std::string& type, float x, float y, Json props)
{
    Json e = Placed("GameObj", name, x, y);
    e["type"] = type;
    e["props"] = std::move(props);
    e["scale"] = {{0, 1, 1}};
    return e;
}

Json Zone(const std::string& name, const std::string& type, float x, float y, const std::vector<Point>& points,
          Json props)
{
    Json e = Placed("Zone", name, x, y);
    e["type"] = type;
    e["props"] = std::move(props);
    e["points"] = PointList(points);
    return e;
}

Json Marker(const std::string& name, const std::string& type, float x, float y, float radius, Json props)
{
    Json e = Placed("Marker", name, x, y);
    e["type"] = type;
    e["props"] = std::move(props);
    e["scale"] = {{0, radius, radius}};
    return e;
}

Json PathElement(const std::string& name, float x, float y, const std::vector<Point>& points, bool closed)
{
    Json e = Placed("Path", name, x, y);
    e["closed"] = closed ? 1 : 0;
    e["points"] = PointList(points);
    return e;
}

std::vector<Point> Box(float cx, float cy, float w, float h)
{
    const float l = cx - w / 2, r = cx + w / 2, t = cy - h / 2, b = cy + h / 2;
    return {{l, t}, {r, t}, {r, b}, {l, b}};
}

std::string Slug(const std::string& text)
{
    std::string out;
    for (char c : text)
        out += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return out;
}

namespace
{
std::string Size(int w, int h) { return std::to_string(w) + "x" + std::to_string(h); }

std::string FocusArt(SceneFile& file, int w, int h)
{
    return file.Art("focus_" + Size(w, h), w + 16, h + 16, "focus", "#00000000");
}
} // namespace

std::string ButtonLook(SceneFile& file, const std::string& caption, int w, int h)
{
    // One look per caption and size: the same caption may come in several sizes.
    const std::string name = "look_" + Slug(caption) + "_" + Size(w, h);
    if (file.FindScene(name) != nullptr)
        return name;
    Json& scene = file.AddScene(name, 3);
    scene["elements"].push_back(Sprite("keyboard", FocusArt(file, w, h), 0, 0));
    Json label = Sprite("caption", file.Art("btn_" + Slug(caption) + "_" + Size(w, h), w, h, "button", "#00000000", caption), 0, 0);
    label["colour"] = {{0, 255, 255, 255, 255}, {1, 200, 200, 180, 255}, {2, 130, 130, 140, 150}};
    scene["elements"].push_back(label);
    return name;
}

std::string ToggleLook(SceneFile& file, const std::string& caption, int w, int h)
{
    const std::string name = "look_tgl_" + Slug(caption) + "_" + Size(w, h);
    if (file.FindScene(name) != nullptr)
        return name;
    Json& scene = file.AddScene(name, 4);
    scene["elements"].push_back(Sprite("keyboard", FocusArt(file, w, h), 0, 0));
    const std::string off = file.Art("tgl_" + Slug(caption) + "_" + Size(w, h) + "_off", w, h, "toggle", "#00000000", caption, 0);
    const std::string on = file.Art("tgl_" + Slug(caption) + "_" + Size(w, h) + "_on", w, h, "toggle", "#00000000", caption, 1);
    Json label = Sprite("caption", off, 0, 0);
    label["frames"] = {{0, off}, {2, on}};
    label["colour"] = {{0, 255, 255, 255, 255}, {1, 200, 200, 180, 255}, {2, 255, 255, 255, 255}, {3, 200, 200, 180, 255}};
    scene["elements"].push_back(label);
    return name;
}

Json ButtonWithLook(const std::string& name, const std::string& type, const std::string& action,
                    const std::string& look, float x, float y)
{
    return GameObj(name, type, x, y, Json::array({Prop("Action", "string", action), Prop("Button", "scene", look)}));
}

Json Button(SceneFile& file, const std::string& name, const std::string& action, const std::string& caption, float x,
            float y, int w, int h)
{
    file.DeclareType("Button");
    return ButtonWithLook(name, "Button", action, ButtonLook(file, caption, w, h), x, y);
}

Json Toggle(SceneFile& file, const std::string& name, const std::string& action, const std::string& caption, float x,
            float y, int w, int h)
{
    file.DeclareType("Toggle Button");
    return ButtonWithLook(name, "Toggle Button", action, ToggleLook(file, caption, w, h), x, y);
}

void AddSettingsControls(SceneFile& file, Json& elements, float y, float step, int w)
{
    elements.push_back(Toggle(file, "butScreen", "actScreen", "Full screen", 0, y, w));
    elements.push_back(Toggle(file, "butMusic", "actMusic", "Music", 0, y + step, w));
    elements.push_back(Toggle(file, "butSfx", "actSound", "Sound", 0, y + 2 * step, w));
    elements.push_back(Button(file, "butFlip", "actFlipScreen", "Flip screen", 0, y + 3 * step, w));
}

SceneFile::SceneFile(std::string name, std::string dir, std::string art)
    : fileName(std::move(name)), relDir(std::move(dir)), artDir(std::move(art))
{
}

Json SceneFile::SetJson() const
{
    Json set{{"version", 10}, {"reserved", 0}, {"types", types}, {"scenes", Json::array()}};
    for (const Json& s : scenes)
        set["scenes"].push_back(s);
    return set;
}

Json& SceneFile::AddScene(const std::string& name, int frames, Json props)
{
    scenes.push_back(Json{{"name", name},
                                 {"needed", Json::array()},
                                 {"fps", 30},
                                 {"frames", frames},
                                 {"props", std::move(props)},
                                 {"elements", Json::array()}});
    return scenes.back();
}

Json* SceneFile::FindScene(const std::string& name)
{
    for (Json& s : scenes)
        if (s["name"] == name)
            return &s;
    return nullptr;
}

void SceneFile::DeclareType(const std::string& name)
{
    for (const Json& t : types)
        if (t["name"] == name)
            return;
    types.push_back(Json{{"name", name}, {"fields", Json::array()}});
}

std::string SceneFile::Art(const std::string& name, int w, int h, const std::string& shape,
                           const std::string& colour, const std::string& label, int variant)
{
    const std::string rel = artDir + "/" + name + ".png";
    ArtAt(rel, w, h, shape, colour, label, variant);
    return rel;
}

void SceneFile::ArtAt(const std::string& relPath, int w, int h, const std::string& shape, const std::string& colour,
                      const std::string& label, int variant)
{
    PictureDesc desc;
    desc.path = relPath;
    desc.width = w;
    desc.height = h;
    desc.shape = shape;
    if (!ParseColour(colour, desc.colour))
        desc.colour = {255, 0, 255, 255};
    desc.label = label;
    desc.variant = variant;
    art[relPath] = desc;
}

const PictureDesc* SceneFile::FindArt(const std::string& relPath) const
{
    const auto found = art.find(relPath);
    return found != art.end() ? &found->second : nullptr;
}

bool SceneFile::Write(const std::string& resRoot, const std::string& jsonPath, std::string* error) const
{
    const std::string dir = resRoot + "/" + (relDir.empty() ? "" : relDir + "/");
    const Json set = SetJson();
    MakeParentFolders(jsonPath);
    {
        std::ofstream json(jsonPath, std::ios::trunc);
        json << set.dump(1) << "\n";
    }
    std::unique_ptr<cGlaSet> gla(GlaSetFromJson(set, error));
    if (!gla)
        return false;
    FillNeededScenes(*gla);
    MakeParentFolders(dir + fileName);
    if (!WriteGlaSetFile(*gla, 10, dir + fileName, error))
        return false;
    for (const auto& [path, desc] : art)
        if (!IsKnownShape(desc.shape))
        {
            if (error != nullptr)
                *error = "unknown shape \"" + desc.shape + "\" for " + path;
            return false;
        }
    for (const auto& [path, desc] : art)
        if (!DrawPicture(desc).SavePng(dir + path))
        {
            if (error != nullptr)
                *error = "cannot write " + dir + path;
            return false;
        }
    return true;
}
} // namespace datagen

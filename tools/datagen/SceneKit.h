// Building blocks for the sample scene files: scene records and elements in the JSON form
// that the scene tools read, and a book of the placeholder pictures those scenes name.
//
// Every element is written with the tracks the drawing needs at frame 0 (visible, scale 1,
// white tint), since an empty track reads as false, zero or clear.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "datagen/Pictures.h"

namespace datagen
{
using Json = nlohmann::ordered_json;

struct Point
{
    float x = 0, y = 0;
};

Json Prop(const std::string& name, const std::string& kind, const Json& value);

Json Sprite(const std::string& name, const std::string& image, float x, float y);
// A rectangle with a visible key true at frame 0 (its box is sampled only while visible).
Json Rect(const std::string& name, float x, float y, float w, float h);
Json SceneElement(const std::string& name, const std::string& scene, float x, float y);
Json GameObj(const std::string& name, const std::string& type, float x, float y, Json props = Json::array());
Json Zone(const std::string& name, const std::string& type, float x, float y, const std::vector<Point>& points,
          Json props = Json::array());
// A marker; its scale x is the radius of a collision circle.
Json Marker(const std::string& name, const std::string& type, float x, float y, float radius = 1,
            Json props = Json::array());
Json PathElement(const std::string& name, float x, float y, const std::vector<Point>& points, bool closed = false);
// The corners of a w x h box centred on (cx, cy), clockwise on the screen.
std::vector<Point> Box(float cx, float cy, float w, float h);

// Button and toggle looks. A button look has 3 frames (normal, pressed, disabled), a toggle
// look 4 (off, off pressed, on, on pressed); both hold the focus highlight "keyboard" and a
// caption picture. The look scene is made once per caption and size; returns its name.
class SceneFile;
std::string ButtonLook(SceneFile& file, const std::string& caption, int w = 260, int h = 56);
std::string ToggleLook(SceneFile& file, const std::string& caption, int w = 260, int h = 56);
Json Button(SceneFile& file, const std::string& name, const std::string& action, const std::string& caption, float x,
            float y, int w = 260, int h = 56);
Json Toggle(SceneFile& file, const std::string& name, const std::string& action, const std::string& caption, float x,
            float y, int w = 260, int h = 56);
// The settings that both the options screen and the pause menu offer, one under another
// from y in steps: the full screen, music and sound toggles, then the flip-screen button.
void AddSettingsControls(SceneFile& file, Json& elements, float y, float step, int w);
// A button or toggle over a look made elsewhere.
Json ButtonWithLook(const std::string& name, const std::string& type, const std::string& action,
                    const std::string& look, float x, float y);
// A file-name friendly form of a caption: letters and digits kept, the rest "_".
std::string Slug(const std::string& text);

// A scene file under construction: its scenes, the object types it uses and the art it names.
class SceneFile
{
public:
    // relDir: the file's folder below res/ ("" for res/ itself); art paths are relative to
    // it and lie in artDir.
    SceneFile(std::string fileName, std::string relDir, std::string artDir = "art");

    // The scene stays where it is while more scenes are added.
    Json& AddScene(const std::string& name, int frames, Json props = Json::array());
    Json* FindScene(const std::string& name);
    // Declares an object type (the type block must name every type an element uses).
    void DeclareType(const std::string& name);
    // Queues a picture "<artDir>/<name>.png" (Pictures.h: a plain shape or a painter, its
    // colour, label and variant) and returns the name scenes use.
    std::string Art(const std::string& name, int w, int h, const std::string& shape, const std::string& colour,
                    const std::string& label = "", int variant = 0);
    // Queues a picture at a path relative to the file's folder (exact, no "art/").
    void ArtAt(const std::string& relPath, int w, int h, const std::string& shape, const std::string& colour,
               const std::string& label = "", int variant = 0);
    // The queued picture a scene names by that path (what it shows: its painter, size and
    // words), or null.
    const PictureDesc* FindArt(const std::string& relPath) const;

    // Writes the JSON form to jsonPath and the ".cgla" (needed lists filled) and its pictures
    // below resRoot. False with a message when the set does not convert or a file fails.
    bool Write(const std::string& resRoot, const std::string& jsonPath, std::string* error) const;

    const std::string& FileName() const { return fileName; }
    // The whole set in the JSON form.
    Json SetJson() const;

private:
    std::string fileName, relDir, artDir;
    Json types = Json::array();
    std::deque<Json> scenes;
    std::map<std::string, PictureDesc> art;
};
} // namespace datagen

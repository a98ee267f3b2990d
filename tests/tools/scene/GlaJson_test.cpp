#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "KelpoBase/gla/GlaReader.h"
#include "KelpoBase/gla/GlaSet.h"
#include "scene/GlaJson.h"
#include "support/TestSupport.h"

namespace
{
namespace fs = std::filesystem;

// Runs cglatool on files in a folder of its own, which goes when the test ends.
class Cglatool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        old = SetGlaResourceHooks(GlaNoResourceHooks());
        folder = tvtest::WorkFolder() / "cglatool-input";
        fs::create_directories(folder);
    }
    void TearDown() override
    {
        fs::remove_all(folder);
        SetGlaResourceHooks(old);
    }

    std::string Write(const std::string& name, const std::string& text) const
    {
        const fs::path path = folder / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    struct Result
    {
        int status = -1;
        std::vector<std::string> errorLines;
    };
    Result Run(const std::string& arguments) const
    {
        const std::string tool = std::string(TOLLIVAN_BINARY_DIR) + "/tools/scene/cglatool";
        const fs::path errors = folder / "stderr.txt";
        const int raw = std::system(("'" + tool + "' " + arguments + " > /dev/null 2> '" + errors.string() + "'").c_str());
        Result result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        std::ifstream in(errors);
        for (std::string line; std::getline(in, line);)
            result.errorLines.push_back(line);
        return result;
    }

    cGlaResourceHooks old;
    fs::path folder;
};

std::unique_ptr<cGlaSet> ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return std::unique_ptr<cGlaSet>(ParseGlaSetFromMemory(bytes.data(), bytes.size(), {}, ""));
}

// A scene "S" holding the given elements.
std::string WithElements(const std::string& elements)
{
    return R"({"scenes": [{"name": "S", "elements": [)" + elements + "]}]}";
}
} // namespace

// Every number the JSON form turns into a stored integer or float is checked against what
// the field can hold; a value out of range, a fraction where a whole number is meant, or
// the wrong kind of value is refused with one line that names the way to the value.
TEST_F(Cglatool, RefusesNumbersThatTheirFieldCannotHoldAndNamesTheField)
{
    const struct
    {
        std::string json;
        const char* where;  // the way to the value, as the message names it
        const char* reason; // and what is wrong with it
    } cases[] = {
        {R"({"version": 70000})", "version", "70000 is not a whole number from 0 to 65535"},
        {R"({"reserved": 1.5})", "reserved", "1.5 is not a whole number from 0 to 65535"},
        {R"({"types": [{"name": "T", "fields": [{"name": "F", "code": 256}]}]})", "type \"T\", field \"F\", code",
         "256 is not a whole number from 0 to 255"},
        {R"({"scenes": [{"name": "S", "frames": 40000}]})", "scene \"S\", frames",
         "40000 is not a whole number from -32768 to 32767"},
        {R"({"scenes": [{"name": "S", "frames": "ten"}]})", "scene \"S\", frames",
         "needs a whole number from -32768 to 32767, not string"},
        {R"({"scenes": [{"name": "S", "word": -1}]})", "scene \"S\", word", "-1 is not a whole number from 0 to 4294967295"},
        {R"({"scenes": [{"name": "S", "fps": 1e300}]})", "scene \"S\", fps", "1e+300 is beyond the range of a float"},
        {R"({"scenes": [{"name": "S", "valueA": true}]})", "scene \"S\", valueA", "needs a number, not boolean"},
        {R"({"scenes": [{"name": "S", "props": [{"name": "P", "kind": "int", "value": 2147483648}]}]})",
         "scene \"S\", property \"P\", value", "2147483648 is not a whole number from -2147483648 to 2147483647"},
        {R"({"scenes": [{"name": "S", "props": [{"name": "E", "kind": "enum", "value": -2147483649}]}]})",
         "scene \"S\", property \"E\", value", "-2147483649 is not"},
        {R"({"scenes": [{"name": "S", "props": [{"name": "C", "kind": "colour", "value": [0, 0, 300, 0]}]}]})",
         "scene \"S\", property \"C\", value, b", "300 is not a whole number from 0 to 255"},
        {R"({"scenes": [{"name": "S", "props": [{"name": "F", "kind": "float", "value": -1e39}]}]})",
         "scene \"S\", property \"F\", value", "-1e+39 is beyond the range of a float"},
        // Once stored as 300 % 256 = 44.
        {WithElements(R"({"kind": "Path", "name": "p", "closed": 300})"), "scene \"S\", element \"p\", closed",
         "300 is not a whole number from 0 to 255"},
        {WithElements(R"({"kind": "Sprite", "name": "s", "renderMode": 4294967296})"),
         "scene \"S\", element \"s\", renderMode", "4294967296 is not a whole number from 0 to 4294967295"},
        // Once undefined behaviour converting to a 32-bit frame.
        {WithElements(R"({"kind": "Group", "name": "g", "position": [[0, 0, 0], [1e300, 0, 0]]})"),
         "scene \"S\", element \"g\", position[1], frame", "1e+300 is not a whole number from -2147483648 to 2147483647"},
        {WithElements(R"({"kind": "Rectangle", "name": "r", "visible": [[0.5, true]]})"),
         "scene \"S\", element \"r\", visible[0], frame", "0.5 is not a whole number"},
        {WithElements(R"({"kind": "Rectangle", "name": "r", "size": [[0, 1, 1e39]]})"),
         "scene \"S\", element \"r\", size[0], y", "1e+39 is beyond the range of a float"},
        {WithElements(R"({"kind": "SpritePlain", "name": "s", "colour": [[0, 1, 2, 3, 256]]})"),
         "scene \"S\", element \"s\", colour[0], a", "256 is not a whole number from 0 to 255"},
        {WithElements(R"({"kind": "Sprite", "name": "s", "frames": [[-2147483649, "a.png"]]})"),
         "scene \"S\", element \"s\", frames[0], frame", "-2147483649 is not"},
        {WithElements(R"({"kind": "Event", "name": "e", "targets": [["x", -1]]})"),
         "scene \"S\", element \"e\", targets[0], value", "-1 is not a whole number from 0 to 4294967295"},
        {WithElements(R"({"kind": "Poly", "name": "q", "points": [[1, 2], [3e38, 1e39]]})"),
         "scene \"S\", element \"q\", points[1], y", "1e+39 is beyond the range of a float"},
        {WithElements(R"({"kind": "AiPath", "name": "a", "points": [[0, 0, 0, 0, 0, "x"]]})"),
         "scene \"S\", element \"a\", points[0], number[5]", "\"x\" is not a number"},
        {WithElements(R"({"kind": "ParticleEmiter", "name": "pe", "lifeTicks": 2.5})"),
         "scene \"S\", element \"pe\", lifeTicks", "2.5 is not a whole number"},
        {WithElements(R"({"kind": "ParticleEmiter", "name": "pe", "flag": -1})"), "scene \"S\", element \"pe\", flag",
         "-1 is not a whole number from 0 to 255"},
        {WithElements(R"({"kind": "ParticleEmiter", "name": "pe", "sizeStart": 1e40})"),
         "scene \"S\", element \"pe\", sizeStart", "1e+40 is beyond the range of a float"},
        // Entries without a name are named by their place.
        {WithElements(R"({"kind": "Group"}, {"kind": "Group", "position": [[2147483648, 0, 0]]})"),
         "scene \"S\", elements[1], position[0], frame", "2147483648 is not"},
        {WithElements(R"({"kind": "Group", "name": "g", "position": {"at": [0, 1, 2]}})"),
         "scene \"S\", element \"g\", position", "needs a list, not object"},
        {WithElements(R"({"kind": "Group", "name": "g", "position": [[0, 1]]})"), "scene \"S\", element \"g\", position[0]",
         "needs [frame, x, y]"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.json);
        const std::string in = Write("in.json", c.json);
        const Result result = Run("tocgla '" + in + "' '" + (folder / "out.cgla").string() + "'");
        EXPECT_EQ(result.status, 1);
        ASSERT_EQ(result.errorLines.size(), 1u);
        const std::string& line = result.errorLines[0];
        EXPECT_EQ(line.rfind("cglatool: " + in + ": ", 0), 0u) << line;
        EXPECT_NE(line.find(std::string(c.where) + ": " + c.reason), std::string::npos) << line;
        EXPECT_FALSE(fs::exists(folder / "out.cgla"));
    }
}

// The command line's own numbers and a file that is not JSON at all, each refused in one line
// that says what was wrong.
TEST_F(Cglatool, RefusesBadArgumentsAndTextInOneLine)
{
    const std::string in = Write("in.json", R"({"scenes": [{"name": "S"}]})");
    const std::string out = (folder / "out.cgla").string();
    const std::string zero = Write("zero.json", R"({"version": 0, "scenes": [{"name": "S"}]})");
    const std::string huge = Write("huge.json", R"({"scenes": [{"name": "S", "fps": 1e400}]})");
    const std::string broken = Write("broken.json", "{\"scenes\": [\n  {\"name\" \"S\"}]}");
    const struct
    {
        std::string arguments;
        std::string message;
    } cases[] = {
        {"tocgla '" + in + "' '" + out + "' --version 0", "--version needs a whole number from 1 to 65535, not \"0\""},
        {"tocgla '" + in + "' '" + out + "' --version 65536", "--version needs a whole number from 1 to 65535, not \"65536\""},
        {"tocgla '" + in + "' '" + out + "' --version 99999999999", "--version needs a whole number from 1 to 65535, not \"99999999999\""},
        {"tocgla '" + in + "' '" + out + "' --version 10x", "--version needs a whole number from 1 to 65535, not \"10x\""},
        {"tocgla '" + in + "' '" + out + "' --version -3", "--version needs a whole number from 1 to 65535, not \"-3\""},
        {"tocgla '" + zero + "' '" + out + "'", zero + ": version: 0 cannot be written"},
        {"tocgla '" + huge + "' '" + out + "'", huge + " is not valid JSON: number overflow parsing '1e400'"},
        {"tocgla '" + broken + "' '" + out + "'", broken + " is not valid JSON: parse error at line 2, column"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.arguments);
        const Result result = Run(c.arguments);
        EXPECT_EQ(result.status, 1);
        ASSERT_EQ(result.errorLines.size(), 1u);
        EXPECT_EQ(result.errorLines[0].rfind("cglatool: ", 0), 0u) << result.errorLines[0];
        EXPECT_NE(result.errorLines[0].find(c.message), std::string::npos) << result.errorLines[0];
        EXPECT_FALSE(fs::exists(out));
    }
    // The same version written where the set itself cannot carry it.
    EXPECT_EQ(Run("tocgla '" + zero + "' '" + out + "' --version 65535").status, 0);
    EXPECT_EQ(ReadFile(out)->version, 65535);
}

// Text nested far past the bound (once a stack overflow: an ordered object copies its
// members as it grows, recursing through a deep member already read), a misspelt key (once
// written as an empty scene file) and a key given twice (once read as its last value, which
// may be an empty list of scenes) are refused in one line naming the problem and the way to
// it, and nothing is written.
TEST_F(Cglatool, RefusesDeepNestingAndMisspeltOrRepeatedKeysInOneLine)
{
    constexpr int kDeep = 100000;
    const std::string lists = std::string(kDeep, '[') + std::string(kDeep, ']');
    std::string objects;
    for (int i = 0; i < kDeep; ++i)
        objects += R"({"a":)";
    objects += '0';
    objects.append(kDeep, '}');
    const std::string out = (folder / "out.cgla").string();
    const char* const tooDeep = " nests lists and objects more than 64 deep, far deeper than any scene set";
    const struct
    {
        std::string json;
        const char* message;
    } cases[] = {
        {lists, tooDeep},
        {objects, tooDeep},
        {R"({"scenes": )" + lists + R"(, "version": 10})", tooDeep},
        {R"({"scenez": [{"name": "S", "frames": 3}]})", R"(: unknown key "scenez")"},
        {R"({"scenes": [{"name": "S", "elements": [{"kind": "Group", "name": "g", "postion": [[0, 1, 2]]}]}]})",
         R"(: scene "S", element "g": unknown key "postion")"},
        {R"({"scenes": [{"name": "S", "elements": [{"knid": "Group", "name": "g"}]}]})",
         R"(: scene "S", element "g": unknown key "knid")"},
        {R"({"version":3,"reserved":0,"types":[],"scenes":[{"name":"S","frames":3}],"scenes":[]})",
         R"(: duplicate key "scenes")"},
        {R"({"scenes": [{"name": "S", "frames": 3, "elements": [], "frames": 4}]})",
         R"(: scene "S": duplicate key "frames")"},
        {R"({"scenes": [{"name": "S", "elements": [
             {"kind": "Group", "name": "g", "position": [[0, 1, 2]], "position": []}]}]})",
         R"(: scene "S", element "g": duplicate key "position")"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.json.substr(0, 80));
        const std::string in = Write("in.json", c.json);
        const Result result = Run("tocgla '" + in + "' '" + out + "'");
        EXPECT_EQ(result.status, 1);
        ASSERT_EQ(result.errorLines.size(), 1u);
        EXPECT_EQ(result.errorLines[0], "cglatool: " + in + c.message);
        EXPECT_FALSE(fs::exists(out));
    }
}

// The ends of every range are kept exactly, through the tool and the file it writes; so are
// whole numbers written with a fraction part of zero.
TEST_F(Cglatool, KeepsTheBoundaryValuesOfEveryWidth)
{
    const std::string in = Write("edges.json", R"({"version": 65535, "reserved": 65535,
        "types": [{"name": "T", "fields": [{"name": "Low", "code": 0}, {"name": "High", "code": 255}]}],
        "scenes": [
          {"name": "S", "frames": -32768, "word": 4294967295,
           "fps": 3.4028234663852886e38, "valueA": -3.4028234663852886e38, "valueB": 1e-45,
           "props": [{"name": "lo", "kind": "int", "value": -2147483648},
                     {"name": "hi", "kind": "int", "value": 2147483647},
                     {"name": "en", "kind": "enum", "value": -2147483648},
                     {"name": "co", "kind": "colour", "value": [0, 255, 0, 255]}],
           "elements": [
             {"kind": "Path", "name": "p", "closed": 255, "pathFlag": 0,
              "position": [[-2147483648, 0, 0], [2147483647, 1, 1]]},
             {"kind": "Sprite", "name": "s", "renderMode": 4294967295, "spareWord": 0,
              "colour": [[0, 0, 255, 0, 255]], "frames": [[2147483647, "a.png"]]},
             {"kind": "Event", "name": "e", "eventWordA": 4294967295, "targets": [["p", 4294967295], ["s", 0]]},
             {"kind": "Rectangle", "name": "r", "visible": [[30.0, true], [2.147483647e9, false]]}]},
          {"name": "T", "frames": 32767.0}]})");
    const std::string out = (folder / "edges.cgla").string();
    const Result result = Run("tocgla '" + in + "' '" + out + "'");
    ASSERT_EQ(result.status, 0) << (result.errorLines.empty() ? "" : result.errorLines[0]);
    EXPECT_TRUE(result.errorLines.empty());
    const std::unique_ptr<cGlaSet> set = ReadFile(out);
    ASSERT_NE(set, nullptr);

    EXPECT_EQ(set->version, 65535);
    EXPECT_EQ(set->reserved, 65535);
    ASSERT_EQ(set->types.size(), 1u);
    ASSERT_EQ(set->types[0]->fieldList.size(), 2u);
    EXPECT_EQ(set->types[0]->fieldList[0].code, 0);
    EXPECT_EQ(set->types[0]->fieldList[1].code, 255);
    ASSERT_EQ(set->scenes.size(), 2u);
    const cGlaScene& s = *set->scenes[0];
    EXPECT_EQ(s.frameCount, -32768);
    EXPECT_EQ(set->scenes[1]->frameCount, 32767);
    EXPECT_EQ(s.sceneWord, 4294967295u);
    EXPECT_EQ(s.fps, std::numeric_limits<float>::max());
    EXPECT_EQ(s.sceneValueA, -std::numeric_limits<float>::max());
    EXPECT_EQ(s.sceneValueB, std::numeric_limits<float>::denorm_min());
    ASSERT_EQ(s.props.size(), 4u);
    EXPECT_EQ(static_cast<const cGlaPropInt*>(s.props[0])->value, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(static_cast<const cGlaPropInt*>(s.props[1])->value, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(static_cast<const cGlaPropEnum*>(s.props[2])->value, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(static_cast<const cGlaPropRGBA*>(s.props[3])->value, cRGBA(0, 255, 0, 255));

    auto* path = static_cast<cGlaElementPath*>(s.FindElement("p"));
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->closed, 1u); // a flag: any non-zero byte is stored as set
    ASSERT_EQ(path->position.keys.size(), 2u);
    EXPECT_EQ(path->position.keys[0].frame, std::numeric_limits<int32_t>::min());
    EXPECT_EQ(path->position.keys[1].frame, std::numeric_limits<int32_t>::max());
    auto* sprite = static_cast<cGlaElementSprite*>(s.FindElement("s"));
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->renderMode, 4294967295u);
    ASSERT_EQ(sprite->colour.keys.size(), 1u);
    EXPECT_EQ(sprite->colour.keys[0].value, cRGBA(0, 255, 0, 255));
    ASSERT_EQ(sprite->frames.keys.size(), 1u);
    EXPECT_EQ(sprite->frames.keys[0].frame, std::numeric_limits<int32_t>::max());
    auto* event = static_cast<cGlaElementEvent*>(s.FindElement("e"));
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->eventWordA, 4294967295u);
    ASSERT_EQ(event->targets.size(), 2u);
    EXPECT_EQ(event->targets[0].value, 4294967295u);
    EXPECT_EQ(event->targets[0].element, path);
    auto* rect = static_cast<cGlaElementRectangle*>(s.FindElement("r"));
    ASSERT_NE(rect, nullptr);
    ASSERT_EQ(rect->visible.keys.size(), 2u);
    EXPECT_EQ(rect->visible.keys[0].frame, 30);
    EXPECT_EQ(rect->visible.keys[1].frame, std::numeric_limits<int32_t>::max());
}

// A JSON value built in code can hold what JSON text cannot: NaN and the infinities are no
// whole number, while a float field takes them as they are.
TEST(GlaJsonNumbers, NaNAndInfinitiesAreNoWholeNumbers)
{
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    for (const auto& [value, shown] : {std::pair{nan, "nan"}, {inf, "inf"}, {-inf, "-inf"}})
    {
        SCOPED_TRACE(shown);
        GlaJson json = GlaJson::parse(R"({"scenes": [{"name": "S"}]})");
        json["scenes"][0]["frames"] = value;
        std::string error;
        EXPECT_EQ(GlaSetFromJson(json, &error), nullptr);
        EXPECT_EQ(error, std::string("scene \"S\", frames: ") + shown + " is not a whole number from -32768 to 32767");

        json["scenes"][0].erase("frames");
        json["scenes"][0]["fps"] = value;
        std::unique_ptr<cGlaSet> set(GlaSetFromJson(json, &error));
        ASSERT_NE(set, nullptr) << error;
        EXPECT_EQ(GlaSetToJson(*set)["scenes"][0]["fps"], shown);
    }
}

// The keys of each object of the form are exactly those its reader reads: any other is
// refused, named with the way to the object holding it, and so is a needed key left out
// (told after an unknown one, which is most likely the needed key misspelt).
TEST(GlaJsonKeys, RefusesUnknownAndMissingKeysAtEveryLevel)
{
    const std::string type = R"({"types": [{"name": "T", "fields": [)", scene = R"({"scenes": [{"name": "S", )";
    const struct
    {
        std::string json;
        const char* error;
    } cases[] = {
        // the set
        {R"({"scenes": [], "verison": 9})", R"(unknown key "verison")"},
        {R"({"version": 9})", R"(needs a "scenes")"},
        {R"({"scenez": []})", R"(unknown key "scenez")"},
        // a type and its fields
        {R"({"types": [{"name": "T", "feilds": []}], "scenes": []})", R"(type "T": unknown key "feilds")"},
        {R"({"types": [{"fields": []}], "scenes": []})", R"(types[0]: needs a "name")"},
        {type + R"({"name": "F", "code": 8, "vals": []}]}], "scenes": []})",
         R"(type "T", field "F": unknown key "vals")"},
        {type + R"({"name": "F"}]}], "scenes": []})", R"(type "T", field "F": needs a "code")"},
        {type + R"({"name": "F", "code": 1, "values": ["a"]}]}], "scenes": []})",
         R"(type "T", field "F", values: only an enum field (code 8) has values)"},
        // a scene
        {scene + R"("element": []}]})", R"(scene "S": unknown key "element")"},
        {R"({"scenes": [{"frames": 3}]})", R"(scenes[0]: needs a "name")"},
        {R"({"scenes": [{"nmae": "S"}]})", R"(scenes[0]: unknown key "nmae")"},
        {R"({"scenes": [3]})", "scenes[0]: needs an object, not number"},
        // an element: the keys of its own kind only
        {scene + R"("elements": [{"kind": "Rectangle", "name": "r", "posiiton": []}]}]})",
         R"(scene "S", element "r": unknown key "posiiton")"},
        {scene + R"("elements": [{"kind": "Rectangle", "name": "r", "points": []}]}]})",
         R"(scene "S", element "r": unknown key "points")"},
        {scene + R"("elements": [{"kind": "Rectangle", "name": "r", "type": "T"}]}]})",
         R"(scene "S", element "r": unknown key "type")"},
        {scene + R"("elements": [{"name": "r", "size": []}]}]})", R"(scene "S", element "r": needs a "kind")"},
        {scene + R"("elements": [{"knid": "Rectangle", "name": "r", "size": []}]}]})",
         R"(scene "S", element "r": unknown key "knid")"},
        // a property, of a scene and of an element
        {scene + R"("props": [{"name": "P", "kind": "int", "value": 1, "vlaue": 2}]}]})",
         R"(scene "S", property "P": unknown key "vlaue")"},
        {scene + R"("elements": [{"kind": "GameObj", "name": "g",
                        "props": [{"name": "P", "kind": "bool", "value": true, "x": 0}]}]}]})",
         R"(scene "S", element "g", property "P": unknown key "x")"},
        {scene + R"("props": [{"name": "P", "kind": "int"}]}]})", R"(scene "S", property "P": needs a "value")"},
        {scene + R"("props": [{"name": "P", "value": 1}]}]})", R"(scene "S", property "P": needs a "kind")"},
        {scene + R"("props": [{"kind": "int", "value": 1}]}]})", R"(scene "S", props[0]: needs a "name")"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.json);
        std::string error;
        EXPECT_EQ(std::unique_ptr<cGlaSet>(GlaSetFromJson(GlaJson::parse(c.json), &error)), nullptr);
        EXPECT_EQ(error, c.error);
    }

    // What the keys may be comes from the kind: each takes the keys the others are refused.
    std::string error;
    std::unique_ptr<cGlaSet> set(GlaSetFromJson(GlaJson::parse(scene + R"("elements": [
        {"kind": "Poly", "points": [[0, 1]]}, {"kind": "Zone", "type": "T", "props": [], "points": [], "zoneWord": 1},
        {"kind": "Rectangle", "size": [[0, 1, 2]]}]}], "types": [{"name": "T"}]})"),
                                                &error));
    EXPECT_NE(set, nullptr) << error;
}

// A key given twice in one object of the text is refused wherever it stands, named with the
// way to the object as an unknown key is, and before anything the object holds is read: the
// value made from the text keeps only the last member, which may well be the wrong one. A
// key may stand once in each of any number of objects, nested or side by side.
TEST(GlaJsonKeys, RefusesAKeyGivenTwiceAtEveryLevel)
{
    const std::string type = R"({"types": [{"name": "T", "fields": [)", scene = R"({"scenes": [{"name": "S", )";
    const struct
    {
        std::string json;
        const char* error; // empty: read
    } cases[] = {
        // the set: whichever of the two is the good one
        {R"({"version": 3, "reserved": 0, "types": [], "scenes": [{"name": "S", "frames": 3}], "scenes": []})",
         R"(duplicate key "scenes")"},
        {R"({"scenes": [], "scenes": [{"name": "S", "frames": 99999}]})", R"(duplicate key "scenes")"},
        {R"({"scenes": [], "version": 9, "version": 10})", R"(duplicate key "version")"},
        // inside a member that the repeat replaces, and so not in the value at all
        {R"({"scenes": [{"name": "S", "fps": 1, "fps": 2}], "scenes": [{"name": "T"}]})", R"(duplicate key "scenes")"},
        // a type and its fields
        {R"({"types": [{"name": "T", "fields": [], "fields": []}], "scenes": []})",
         R"(type "T": duplicate key "fields")"},
        {type + R"({"name": "F", "code": 1, "code": 2}]}], "scenes": []})",
         R"(type "T", field "F": duplicate key "code")"},
        // a scene, named or not, told before what its members hold
        {scene + R"("frames": 99999, "frames": 1}]})", R"(scene "S": duplicate key "frames")"},
        {R"({"scenes": [{"frames": 1, "frames": 1}]})", R"(scenes[0]: duplicate key "frames")"},
        // an element, and the properties of a scene and of an element
        {scene + R"("elements": [{"kind": "Group", "name": "g"},
                                 {"kind": "Rectangle", "name": "r", "kind": "Group"}]}]})",
         R"(scene "S", element "r": duplicate key "kind")"},
        {scene + R"("props": [{"name": "P", "kind": "int", "value": 1, "value": 2}]}]})",
         R"(scene "S", property "P": duplicate key "value")"},
        {scene + R"("elements": [{"kind": "GameObj", "name": "g",
                        "props": [{"name": "P", "kind": "bool", "kind": "int", "value": 1}]}]}]})",
         R"(scene "S", element "g", property "P": duplicate key "kind")"},
        // once in each object
        {R"({"types": [{"name": "T", "fields": [{"name": "T", "code": 1}]}],
             "scenes": [{"name": "S", "type": "T", "props": [{"name": "S", "kind": "string", "value": "S"}],
                         "elements": [{"kind": "GameObj", "name": "S", "type": "T",
                                       "props": [{"name": "T", "kind": "int", "value": 1}]}]},
                        {"name": "T", "type": "T"}]})",
         ""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.json);
        std::string error;
        const std::unique_ptr<cGlaSet> set(GlaSetFromJsonText(c.json, "in", &error));
        EXPECT_EQ(set == nullptr, c.error[0] != '\0');
        EXPECT_EQ(error, c.error[0] != '\0' ? std::string("in: ") + c.error : "");
    }
}

// The text of a set is measured for nesting before any value is made from it: up to the
// bound it is read as usual, a level past it refused naming the bound.
TEST(GlaJsonText, RefusesNestingPastTheBoundBeforeReadingIt)
{
    const auto nested = [](int depth) { return std::string(size_t(depth), '[') + std::string(size_t(depth), ']'); };
    const struct
    {
        std::string text;
        std::string error; // empty: read
    } cases[] = {
        {nested(kGlaJsonMaxDepth), "in: the scene set must be a JSON object"},
        {nested(kGlaJsonMaxDepth + 1), "in nests lists and objects more than 64 deep, far deeper than any scene set"},
        {std::string(size_t(kGlaJsonMaxDepth + 1), '['), "in nests lists and objects more than 64 deep"},
        {nested(kGlaJsonMaxDepth).insert(0, 1, '[') + ']', "in nests lists and objects more than 64 deep"},
        {R"({"scenes": [{"name": "S",)", "in is not valid JSON: parse error at line 1, column 26"},
        // The deepest the form itself goes: the colour of an element's property.
        {R"({"scenes": [{"name": "S", "elements": [{"kind": "Marker", "props": [
            {"name": "C", "kind": "colour", "value": [1, 2, 3, 4]}]}]}]})",
         ""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text.substr(0, 80));
        std::string error;
        std::unique_ptr<cGlaSet> set(GlaSetFromJsonText(c.text, "in", &error));
        EXPECT_EQ(set == nullptr, !c.error.empty());
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
}

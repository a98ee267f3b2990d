#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/gla/GlaReader.h"
#include "KelpoBase/gla/GlaSet.h"
#include "scene/GlaJson.h"
#include "scene/GlaWriter.h"

namespace
{
class NoResources : public ::testing::Test
{
protected:
    void SetUp() override { old = SetGlaResourceHooks(GlaNoResourceHooks()); }
    void TearDown() override { SetGlaResourceHooks(old); }
    cGlaResourceHooks old;
};

void Keys(cGlaTrack<bool>& t) { t.AddKey(true, 0), t.AddKey(false, 10); }
void Keys(cGlaTrack<float>& t, float base) { t.AddKey(base, 0), t.AddKey(base + 0.5f, 10); }
void Keys(cGlaTrack<cVec2f>& t, float base) { t.AddKey({base, -base}, 0), t.AddKey({base * 2, 3.25f}, 10); }
void Keys(cGlaTrack<cRGBA>& t, uint8_t base) { t.AddKey({base, 2, 3, 4}, 0), t.AddKey({9, base, 7, 255}, 10); }
template <class T>
void Names(cGlaNamedTrack<T>& t, const std::string& a, const std::string& b)
{
    t.AddNamedKey(nullptr, 0, a);
    t.AddNamedKey(nullptr, 6, b);
}

// The head, as far as the version carries a layer track there.
void Head(cGlaElementPos* e, uint16_t v, bool layerAlways = false)
{
    Keys(e->visible);
    if (v >= 5 || layerAlways)
        Keys(e->layer, 40.0f);
    Keys(e->position, 1.5f);
}

void Picture(cGlaPictureTracks* p)
{
    Keys(p->rotation, 30.0f);
    Keys(p->scale, 2.0f);
    Keys(p->pivot, 0.5f);
    Keys(p->colour, 200);
}

template <class T>
T* Add(cGlaScene* scene, uint8_t code, const std::string& name)
{
    auto* e = static_cast<T*>(CreateGlaElement(code));
    e->name = name;
    if (IsGlaSpriteCode(code))
        scene->AddSpriteElement(e);
    else
        scene->AddObjectElement(e);
    return e;
}

void SomeProps(cGlaScene* scene, std::vector<cGlaProp*>& props)
{
    props.push_back(new cGlaPropInt("int", -5));
    props.push_back(new cGlaPropFloat("float", 1.25f));
    props.push_back(new cGlaPropRefElement(scene, "element", "rect"));
    props.push_back(new cGlaPropRefScene(scene, "scene", "Sub"));
    props.push_back(new cGlaPropRefTemplate(scene, "template", "tmpl"));
    props.push_back(new cGlaPropString("string", "words"));
    props.push_back(new cGlaPropBool("bool", true));
    props.push_back(new cGlaPropEnum("enum", 2));
    props.push_back(new cGlaPropRGBA("colour", cRGBA(1, 2, 3, 4)));
}

// A set holding every element code, property code and track kind, with only the fields
// that the given file version carries set away from their defaults.
std::unique_ptr<cGlaSet> MakeRichSet(uint16_t v)
{
    auto set = std::make_unique<cGlaSet>();
    set->version = v;
    set->reserved = 3;
    auto* button = new cGlaObjectType();
    button->name = "Button";
    set->enumSets.push_back(new cGlaEnumSet());
    set->enumSets[0]->values = {"off", "on"};
    button->fieldList = {{"Action", 6, -1}, {"Mode", 8, 0}, {"Action", 2, -1}};
    button->fields = {{"Action", 2}, {"Mode", 8}};
    set->types.push_back(button);
    auto* pickup = new cGlaObjectType();
    pickup->name = "Pickup";
    set->enumSets.push_back(new cGlaEnumSet());
    pickup->fieldList = {{"Kind", 8, 1}};
    pickup->fields = {{"Kind", 8}};
    set->types.push_back(pickup);

    auto* main = new cGlaScene();
    main->SetName("Main");
    set->AddScene(main);
    main->needed = {"Sub", "Other"};
    if (v >= 3)
    {
        main->sceneValueA = 1.5f;
        main->sceneValueB = -2.5f;
        main->fps = 60.0f;
        main->sceneWord = 0x01020304;
    }
    main->typeName = "Button";
    main->type = button;
    main->frameCount = -2;
    SomeProps(main, main->props);

    for (uint8_t code : {kGlaSprite, kGlaSpriteSimple, kGlaSpriteStatic, kGlaSpriteCropped})
    {
        auto* e = Add<cGlaElementSprite>(main, code, "sprite" + std::to_string(code));
        if (v >= 5)
        {
            e->renderMode = 2;
            e->spareWord = 0xDEAD;
        }
        if (code == kGlaSpriteStatic)
        {
            if (v >= 5)
                e->layer.AddKey(7.0f);
            e->position.AddKey(cVec2f(3.0f, 4.0f));
            e->rotation.AddKey(15.0f);
            e->scale.AddKey(cVec2f(2.0f, 2.5f));
            e->pivot.AddKey(cVec2f(0.5f, 0.75f));
            e->colour.AddKey(cRGBA(5, 6, 7, 8));
            e->frames.AddNamedKey(nullptr, 0, "static.png");
            e->visible.AddKey(true);
            continue;
        }
        Head(e, v);
        if (code == kGlaSpriteSimple)
            Keys(e->colour, 100);
        else
            Picture(e);
        Names(e->frames, "f1.png", "sub/f2.png");
        if (code == kGlaSpriteCropped)
        {
            Keys(e->cropX, 0.25f);
            Keys(e->cropY, 0.125f);
        }
    }
    {
        auto* e = Add<cGlaElementPath>(main, kGlaPath, "path");
        e->closed = 1;
        e->pathFlag = 1;
        Head(e, v);
        e->points = {{0, 0}, {10, 0}, {10, 10}};
        e->BuildPath();
    }
    {
        auto* e = Add<cGlaElementRectangle>(main, kGlaRectangle, "rect");
        Head(e, v);
        Keys(e->angle, 12.0f);
        Keys(e->size, 64.0f);
    }
    {
        auto* e = Add<cGlaElementGameObj>(main, kGlaGameObj, "obj");
        Head(e, v);
        Keys(e->angle, -8.0f);
        if (v >= 3)
            Keys(e->scale, 1.25f);
        else
            e->scale.AddKey(cVec2f(1.0f, 1.0f));
        e->typeName = "Button";
        e->type = button;
        SomeProps(main, e->props);
    }
    {
        auto* e = Add<cGlaElementPoly>(main, kGlaPoly, "poly");
        Head(e, v);
        e->points = {{1, 2}, {3, 4}, {5, 6}};
    }
    {
        auto* e = Add<cGlaElementMarker>(main, kGlaMarker, "marker");
        Head(e, v);
        Keys(e->angle, 90.0f);
        if (v == 1)
        {
            e->scale.AddKey(cVec2f(2.0f, 2.0f), 0);
            e->scale.AddKey(cVec2f(3.0f, 3.0f), 4);
        }
        else
            Keys(e->scale, 1.75f);
        if (v >= 5)
        {
            e->typeName = "Pickup";
            e->type = pickup;
            e->props.push_back(new cGlaPropInt("Value", 3));
        }
    }
    {
        auto* e = Add<cGlaElementTextBox>(main, kGlaTextBox, "text");
        e->text = "Hello";
        if (v >= 6)
        {
            e->textFlag = 1;
            e->alignment = 3;
            Keys(e->textColour, 50);
        }
        Head(e, v);
        Keys(e->angle, 2.0f);
        Keys(e->size, 100.0f);
    }
    {
        auto* e = Add<cGlaElementScene>(main, kGlaScene, "nest");
        if (v >= 6)
            e->startOffset = 12;
        Head(e, v);
        Keys(e->rotation, 5.0f);
        Keys(e->scale, 1.0f);
        Keys(e->pivot, 0.0f);
        Names(e->scenes, "Sub", "Missing");
        if (v >= 9)
            Keys(e->colour, 77);
    }
    {
        auto* e = Add<cGlaElementEvent>(main, kGlaEvent, "event");
        e->eventWordA = 3;
        e->eventWordB = 4;
        e->targets = {{nullptr, 1, "rect"}, {nullptr, 2, "nobody"}, {nullptr, 3, "nest"}};
    }
    {
        auto* e = Add<cGlaElementMultiSprite>(main, kGlaMultiSprite, "multi");
        e->multiSpriteName = "pics/multi.bin";
        if (v >= 5)
            e->renderMode = 2;
        Head(e, v);
        Picture(e);
    }
    {
        auto* e = Add<cGlaElementSurface>(main, kGlaSurface, "surface");
        e->surfaceName = "surf.png";
        Head(e, v);
        Picture(e);
    }
    {
        auto* e = Add<cGlaElementZone>(main, kGlaZone, "zone");
        if (v >= 5)
        {
            Keys(e->visible);
            Keys(e->layer, 9.0f);
        }
        Keys(e->position, 6.0f);
        e->points = {{0, 0}, {4, 0}, {0, 4}};
        e->zoneWord = 5;
        e->targets = {{nullptr, 7, "marker"}};
        if (v >= 5)
        {
            e->typeName = "Pickup";
            e->type = pickup;
            SomeProps(main, e->props);
        }
    }
    {
        auto* e = Add<cGlaElementGroup>(main, kGlaGroup, "group");
        Keys(e->position, 11.0f);
    }
    {
        auto* e = Add<cGlaElementPolyTextured>(main, kGlaPolyTextured, "tpoly");
        e->polyWord = 6;
        Head(e, v);
        if (v >= 10)
            Keys(e->colour, 33);
        Names(e->texture, "tex.png", "tex2.png");
        Keys(e->textureScale, 1.0f);
        Keys(e->textureOffset, 0.5f);
        Keys(e->textureAngle, 45.0f);
        e->points = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    }
    {
        auto* e = Add<cGlaElementModel>(main, kGlaModel, "model");
        Head(e, v);
        Keys(e->angle, 1.0f);
        Keys(e->scale, 1.0f);
        Names(e->models, "m/a.pod", "m/b.pod");
    }
    {
        auto* e = Add<cGlaElementAiPath>(main, kGlaAiPath, "ai");
        e->aiFlag = 1;
        Head(e, v);
        e->points = {{{1, 2, 3, 4, 5, 6}}, {{-1, -2, -3, -4, -5, -6}}};
    }
    {
        auto* e = Add<cGlaElementModelV2>(main, kGlaModelV2, "model2");
        Head(e, v, true);
        Keys(e->angle, 3.0f);
        Keys(e->scale, 1.5f);
        e->modelName = "m/c.pod";
    }
    {
        auto* e = Add<cGlaElementParticleEmiter>(main, kGlaParticleEmiter, "emitter");
        Head(e, v, true);
        Keys(e->angle, 4.0f);
        Keys(e->scale, 0.75f);
        Keys(e->colour, 150);
        Keys(e->emitterFloat, 2.0f);
        e->imageNames = {"p1.png", "p2.png"};
        cGlaEmitterSettings& s = e->settings;
        s = {1, 0xFF00FF00, 0x00FF00FF, 1.0f, 2.0f, 3.0f, 0.25f, 5.0f, 6.0f, 30, 7.0f, 8.0f, 0.5f, 1, {}};
        for (int i = 0; i < 6; ++i)
            s.ranges[i] = {static_cast<float>(-i), static_cast<float>(i * 2)};
    }

    auto* sub = new cGlaScene();
    sub->SetName("Sub");
    sub->frameCount = 1;
    set->AddScene(sub);
    auto* other = new cGlaScene();
    other->SetName("Other");
    other->typeName = "NotAType";
    set->AddScene(other);
    ResolveGlaReferences(*set);
    return set;
}

std::unique_ptr<cGlaSet> Read(const std::vector<uint8_t>& bytes)
{
    return std::unique_ptr<cGlaSet>(ParseGlaSetFromMemory(bytes.data(), bytes.size(), {}, ""));
}

void ExpectSameJson(const GlaJson& a, const GlaJson& b)
{
    EXPECT_TRUE(a == b) << GlaJson::diff(a, b).dump(1);
}
} // namespace

TEST_F(NoResources, RoundTripEveryElementPropertyAndTrackInEveryVersion)
{
    for (uint16_t v : {1, 2, 4, 5, 6, 9, 10})
    {
        SCOPED_TRACE("version " + std::to_string(v));
        auto original = MakeRichSet(v);
        std::vector<uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(WriteGlaSet(*original, v, bytes, &error)) << error;
        auto read = Read(bytes);
        ASSERT_NE(read, nullptr);
        ExpectSameJson(GlaSetToJson(*original), GlaSetToJson(*read));

        // Written again, the bytes are the same.
        std::vector<uint8_t> again;
        ASSERT_TRUE(WriteGlaSet(*read, v, again));
        EXPECT_EQ(bytes, again);

        // References were resolved in the read set, and the class of each code is right.
        cGlaScene* main = read->scenes[0];
        auto* event = static_cast<cGlaElementEvent*>(main->FindElement("event"));
        EXPECT_EQ(event->targets[0].element, main->FindElement("rect"));
        EXPECT_EQ(event->targets[1].element, nullptr);
        EXPECT_EQ(event->targets[2].element, main->FindElement("nest"));
        auto* nest = static_cast<cGlaElementScene*>(main->FindElement("nest"));
        EXPECT_EQ(nest->scenes.keys[0].value, read->scenes[1]);
        EXPECT_EQ(nest->scenes.keys[1].value, nullptr);
        EXPECT_EQ(main->type, read->types[0]);
        EXPECT_EQ(read->scenes[2]->type, nullptr);
        EXPECT_EQ(main->spriteElements.size(), 10u);
        EXPECT_EQ(main->objectElements.size(), 11u);
        for (cGlaElement* e : main->elements)
        {
            std::unique_ptr<cGlaElement> fresh(CreateGlaElement(e->code));
            EXPECT_EQ(fresh->GetClassInfo(), e->GetClassInfo()) << e->name;
        }
        if (v >= 5)
        {
            EXPECT_EQ(main->FindElement("zone")->type, read->types[1]);
        }
        auto* path = static_cast<cGlaElementPath*>(main->FindElement("path"));
        const cVec2f start = path->GetPointAt(0.0f);
        EXPECT_EQ(start, path->position.GetValue(0));
    }
}

TEST_F(NoResources, JsonFormRoundTrips)
{
    auto original = MakeRichSet(10);
    const GlaJson json = GlaSetToJson(*original);
    std::string error;
    std::unique_ptr<cGlaSet> back(GlaSetFromJson(GlaJson::parse(json.dump()), &error));
    ASSERT_NE(back, nullptr) << error;
    ExpectSameJson(json, GlaSetToJson(*back));
    auto* event = static_cast<cGlaElementEvent*>(back->scenes[0]->FindElement("event"));
    EXPECT_EQ(event->targets[0].element, back->scenes[0]->FindElement("rect"));

    // A short hand-written form: missing fields take their defaults.
    const GlaJson small = GlaJson::parse(R"({"scenes": [{"name": "S", "frames": 3, "elements": [
        {"kind": "Rectangle", "name": "box", "visible": [[0, true]], "size": [[0, 8, 4]]},
        {"kind": "SpriteCropped", "name": "bar", "frames": [[0, "bar.png"]]}]}]})");
    std::unique_ptr<cGlaSet> s(GlaSetFromJson(small, &error));
    ASSERT_NE(s, nullptr) << error;
    EXPECT_EQ(s->version, 10);
    EXPECT_EQ(s->scenes[0]->fps, 30.0f);
    EXPECT_EQ(s->scenes[0]->FindRectangle("box")->GetBounds(), (cRect2f{-4.0f, -2.0f, 4.0f, 2.0f}));
    EXPECT_EQ(static_cast<cGlaElementSprite*>(s->scenes[0]->FindElement("bar"))->cropped, 1u);

    for (const char* bad : {R"([1, 2])", R"({"scenes": [{"elements": []}]})",
                            R"({"scenes": [{"name": "S", "elements": [{"kind": "Nope"}]}]})",
                            R"({"scenes": [{"name": "S", "elements": [{"kind": "Group", "position": [[0, 1]]}]}]})",
                            R"({"scenes": [{"name": "S", "props": [{"name": "p", "kind": "odd", "value": 1}]}]})"})
    {
        error.clear();
        EXPECT_EQ(GlaSetFromJson(GlaJson::parse(bad), &error), nullptr) << bad;
        EXPECT_FALSE(error.empty());
    }
}

TEST_F(NoResources, JsonFormCarriesFloatsThatAreNotNumbers)
{
    auto set = MakeRichSet(10);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    set->scenes[0]->fps = inf;
    set->scenes[0]->props.push_back(new cGlaPropFloat("odd", -inf));
    static_cast<cGlaElementRectangle*>(set->scenes[0]->FindElement("rect"))->angle.AddKey(nan, 20);
    static_cast<cGlaElementPoly*>(set->scenes[0]->FindElement("poly"))->points.emplace_back(nan, -inf);
    std::vector<uint8_t> before, after;
    ASSERT_TRUE(WriteGlaSet(*set, 10, before));
    const std::string text = GlaSetToJson(*set).dump();
    EXPECT_NE(text.find("\"nan\""), std::string::npos);
    std::string error;
    std::unique_ptr<cGlaSet> back(GlaSetFromJson(GlaJson::parse(text), &error));
    ASSERT_NE(back, nullptr) << error;
    ASSERT_TRUE(WriteGlaSet(*back, 10, after));
    EXPECT_EQ(before, after);
    EXPECT_EQ(GlaSetFromJson(GlaJson::parse(R"({"scenes": [{"name": "S", "fps": "fast"}]})"), &error), nullptr);
}

TEST_F(NoResources, WriterRefusesValuesThatDoNotFit)
{
    std::vector<uint8_t> bytes;
    std::string error;
    {
        auto set = MakeRichSet(10);
        set->scenes[1]->SetName(std::string(256, 'x'));
        EXPECT_FALSE(WriteGlaSet(*set, 10, bytes, &error));
        EXPECT_NE(error.find("255"), std::string::npos);
        EXPECT_TRUE(bytes.empty());
    }
    {
        auto set = MakeRichSet(10);
        set->scenes[1]->frameCount = 40000;
        EXPECT_FALSE(WriteGlaSet(*set, 10, bytes, &error));
    }
    {
        auto set = MakeRichSet(10);
        auto* group = static_cast<cGlaElementPos*>(set->scenes[0]->FindElement("group"));
        for (int i = 0; i < 70000; ++i)
            group->position.AddKey(cVec2f(), i);
        EXPECT_FALSE(WriteGlaSet(*set, 10, bytes, &error));
    }
    {
        auto set = MakeRichSet(10);
        std::string name(255, 'y');
        set->scenes[1]->SetName(name);
        ASSERT_TRUE(WriteGlaSet(*set, 10, bytes, &error)) << error;
        EXPECT_EQ(Read(bytes)->scenes[1]->GetName(), name);
    }
}

TEST_F(NoResources, CommandLineToolConvertsBothWays)
{
    const std::string tool = std::string(TOLLIVAN_BINARY_DIR) + "/tools/scene/cglatool";
    auto set = MakeRichSet(9);
    {
        std::ofstream out("in.json");
        out << GlaSetToJson(*set).dump(2);
    }
    ASSERT_EQ(std::system((tool + " tocgla in.json out.cgla").c_str()), 0);
    ASSERT_EQ(std::system((tool + " tojson out.cgla back.json").c_str()), 0);
    std::ifstream back("back.json");
    ExpectSameJson(GlaSetToJson(*set), GlaJson::parse(back));

    // The version can be chosen when writing.
    ASSERT_EQ(std::system((tool + " tocgla in.json v10.cgla --version 10").c_str()), 0);
    std::ifstream file("v10.cgla", std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], 10);

    {
        std::ofstream broken("broken.cgla", std::ios::binary);
        broken << "\x0a\x00\x00";
        std::ofstream bad("bad.json");
        bad << "{ not json";
    }
    EXPECT_NE(std::system((tool + " tojson broken.cgla x.json 2>/dev/null").c_str()), 0);
    EXPECT_NE(std::system((tool + " tocgla bad.json x.cgla 2>/dev/null").c_str()), 0);
    EXPECT_NE(std::system((tool + " 2>/dev/null").c_str()), 0);
}

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "GlaTestBytes.h"
#include "KelpoBase/core/DataStream.h"
#include "KelpoBase/gla/GlaReader.h"
#include "KelpoBase/gla/GlaSet.h"

using glatest::Bytes;

namespace
{
// Stub loaders: every call is recorded; names containing "missing" fail to load.
std::vector<std::string> gCalls;
alignas(16) unsigned char gFake[64];

template <class T>
T* Fake(const std::string& call, const std::string& path)
{
    gCalls.push_back(call + ":" + path);
    if (path.find("missing") != std::string::npos)
        return nullptr;
    return reinterpret_cast<T*>(gFake + gCalls.size() % 64);
}

cGlaResourceHooks StubHooks()
{
    cGlaResourceHooks h{};
    h.loadAtlasImage = [](const std::string& p) { return Fake<ImageRect>("atlas", p); };
    h.loadTexture = [](const std::string& p, uint32_t flags) {
        return Fake<cResource>("texture" + std::to_string(flags), p);
    };
    h.loadSurface = [](const std::string& p) { return Fake<cSurface>("surface", p); };
    h.loadMultiSprite = [](const std::string& p) { return Fake<cResource>("multisprite", p); };
    h.loadModel = [](const std::string& p) { return Fake<cResource>("model", p); };
    h.loadModelV2 = [](const std::string& p) { return Fake<cResource>("modelv2", p); };
    return h;
}

class GlaReader : public ::testing::Test
{
protected:
    void SetUp() override
    {
        gCalls.clear();
        old = SetGlaResourceHooks(StubHooks());
    }
    void TearDown() override { SetGlaResourceHooks(old); }

    static std::unique_ptr<cGlaSet> Parse(const Bytes& bytes, const std::vector<std::string>& wanted = {},
                                          const std::string& dir = "res")
    {
        return std::unique_ptr<cGlaSet>(ParseGlaSetFromMemory(bytes.b.data(), bytes.b.size(), wanted, dir));
    }
    cGlaResourceHooks old;
};

// A version-10 file with a type block, every property code (9 among them) and elements
// whose references point forwards.
Bytes RichV10()
{
    Bytes f;
    f.u16(10).u16(7);
    const size_t types = f.open();
    f.u16(2);
    f.str("Button").u16(3);
    f.u8(6).str("Action");
    f.u8(8).str("Mode").s32(2).str("off").str("on");
    f.u8(1).str("Action"); // the same name again: the last code counts
    f.str("Unused").u16(1).u8(8).str("Kind").s32(-4);
    f.close(types);
    f.u16(2);

    size_t s = f.open();
    f.str("Main").u16(1).str("Other").f32(1.5f).f32(-2.0f).f32(25.0f).u32(0xABCD).str("Button").s16(-3);
    f.u16(11);
    f.str("i").u8(1).s32(-7);
    f.str("f").u8(2).f32(0.25f);
    f.str("re").u8(3).str("later");
    f.str("rs").u8(4).str("Other");
    f.str("rt").u8(5).str("tmpl");
    f.str("s").u8(6).str("text");
    f.str("b").u8(7).u8(9);
    f.str("e").u8(8).s32(1);
    f.str("nothing").u8(9);
    f.str("c").u8(10).rgba(1, 2, 3, 4);
    f.str("i").u8(1).s32(99);
    f.s16(4);
    // Event naming an element that comes later and one that does not exist.
    f.u8(12).str("ev").u32(2).u32(1).s32(2).str("later").u32(5).str("ghost").u32(6);
    // A code-3 sprite: single values.
    f.u8(3).str("still").u32(2).u32(77).f32(12.0f).f32(3.0f).f32(4.0f).f32(30.0f).f32(2.0f).f32(3.0f);
    f.f32(0.5f).f32(0.25f).rgba(9, 8, 7, 6).str("img/still.png");
    // A scene element showing the later scene (two keys) and a missing one.
    f.u8(11).str("nest").u32(4);
    f.u16(1).s32(0).u8(1);                          // visible
    f.none();                                       // layer
    f.u16(1).s32(0).f32(1.0f).f32(2.0f);            // position
    f.none().none().none();                         // rotation, scale, pivot
    f.u16(2).s32(0).str("Other").s32(5).str("Nowhere");
    f.u16(1).s32(0).rgba(10, 20, 30, 40);            // colour (version 9 and later)
    // A rectangle named "later".
    f.u8(5).str("later").none().none().none().none().none();
    f.close(s);

    s = f.open();
    f.str("Other").u16(0).f32(0).f32(0).f32(60.0f).u32(0).str("NoSuchType").s16(1).u16(0).s16(0);
    f.close(s);
    return f;
}
} // namespace

TEST_F(GlaReader, ReadsTypesScenesPropertiesAndReferences)
{
    auto set = Parse(RichV10());
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(GlaFileVersion, 10);
    EXPECT_EQ(set->version, 10);
    EXPECT_EQ(set->reserved, 7);

    ASSERT_EQ(set->types.size(), 2u);
    const cGlaObjectType* button = set->types[0];
    EXPECT_EQ(button->name, "Button");
    EXPECT_EQ(button->fields.size(), 2u);
    EXPECT_EQ(button->fields.at("Action"), 1);
    EXPECT_EQ(button->fields.at("Mode"), 8);
    ASSERT_EQ(set->enumSets.size(), 2u); // one per code-8 field, used or not
    EXPECT_EQ(set->enumSets[0]->values, (std::vector<std::string>{"off", "on"}));
    EXPECT_TRUE(set->enumSets[1]->values.empty());
    EXPECT_EQ(set->enumSets[0]->GetName(), "");

    ASSERT_EQ(set->scenes.size(), 2u);
    cGlaScene* main = set->scenes[0];
    cGlaScene* other = set->scenes[1];
    EXPECT_EQ(main->GetName(), "Main");
    EXPECT_EQ(main->set, set.get());
    EXPECT_EQ(main->type, button);
    EXPECT_EQ(other->type, nullptr);
    EXPECT_EQ(main->frameCount, -3);
    EXPECT_EQ(main->sceneValueA, 1.5f);
    EXPECT_EQ(main->sceneValueB, -2.0f);
    EXPECT_EQ(main->fps, 25.0f);
    EXPECT_EQ(main->sceneWord, 0xABCDu);
    EXPECT_EQ(other->fps, 60.0f);

    // Code 9 is valid, carries no value and leaves no entry.
    ASSERT_EQ(main->props.size(), 10u);
    EXPECT_EQ(main->FindProp("nothing"), nullptr);
    EXPECT_EQ(static_cast<cGlaPropInt*>(main->FindProp("i"))->value, -7);
    EXPECT_EQ(static_cast<cGlaPropFloat*>(main->FindProp("f"))->value, 0.25f);
    EXPECT_EQ(static_cast<cGlaPropBool*>(main->FindProp("b"))->value, 1);
    EXPECT_EQ(static_cast<cGlaPropEnum*>(main->FindProp("e"))->value, 1);
    EXPECT_EQ(static_cast<cGlaPropRGBA*>(main->FindProp("c"))->value, cRGBA(1, 2, 3, 4));
    EXPECT_EQ(static_cast<cGlaPropString*>(main->FindProp("s"))->value, "text");
    EXPECT_EQ(static_cast<cGlaPropRefTemplate*>(main->FindProp("rt"))->target, "tmpl");
    EXPECT_EQ(static_cast<cGlaPropRefScene*>(main->FindProp("rs"))->Resolve(), other);
    EXPECT_EQ(static_cast<cGlaPropRefElement*>(main->FindProp("re"))->Resolve(), main->FindElement("later"));

    ASSERT_EQ(main->elements.size(), 4u);
    EXPECT_EQ(main->spriteElements.size(), 2u);
    EXPECT_EQ(main->objectElements.size(), 2u);

    auto* ev = ClassCast<cGlaElementEvent>(main->elements[0]);
    ASSERT_NE(ev, nullptr);
    EXPECT_EQ(ev->eventWordB, 2u);
    EXPECT_EQ(ev->eventWordA, 1u);
    ASSERT_EQ(ev->targets.size(), 2u);
    EXPECT_EQ(ev->targets[0].element, main->FindElement("later"));
    EXPECT_EQ(ev->targets[0].value, 5u);
    EXPECT_EQ(ev->targets[1].element, nullptr);
    EXPECT_EQ(ev->targets[1].name, "ghost");

    auto* still = ClassCast<cGlaElementSprite>(main->elements[1]);
    ASSERT_NE(still, nullptr);
    EXPECT_EQ(still->kind, 3u);
    EXPECT_EQ(still->renderMode, 2u);
    EXPECT_EQ(still->spareWord, 77u);
    for (size_t n : {still->layer.keys.size(), still->position.keys.size(), still->rotation.keys.size(),
                     still->scale.keys.size(), still->pivot.keys.size(), still->colour.keys.size(),
                     still->frames.keys.size(), still->visible.keys.size()})
        EXPECT_EQ(n, 1u);
    EXPECT_EQ(still->layer.keys[0].value, 12.0f);
    EXPECT_EQ(still->position.keys[0].value, cVec2f(3.0f, 4.0f));
    EXPECT_EQ(still->rotation.keys[0].value, -30.0f);
    EXPECT_EQ(still->scale.keys[0].value, cVec2f(2.0f, 3.0f));
    EXPECT_EQ(still->pivot.keys[0].value, cVec2f(0.5f, 0.25f));
    EXPECT_EQ(still->colour.keys[0].value, cRGBA(9, 8, 7, 6));
    EXPECT_TRUE(still->visible.keys[0].value);
    EXPECT_EQ(still->visible.keys[0].frame, 0);
    EXPECT_EQ(still->frames.NameOf(0), "img/still.png");
    EXPECT_NE(still->frames.keys[0].value, nullptr);
    EXPECT_EQ(gCalls.at(0), "atlas:res/img/still.png");

    auto* nest = ClassCast<cGlaElementScene>(main->elements[2]);
    ASSERT_NE(nest, nullptr);
    EXPECT_EQ(nest->startOffset, 4u);
    ASSERT_EQ(nest->scenes.keys.size(), 2u);
    EXPECT_EQ(nest->scenes.keys[0].value, other);
    EXPECT_EQ(nest->scenes.keys[1].value, nullptr);
    EXPECT_EQ(nest->scenes.keys[1].frame, 5);
    EXPECT_EQ(nest->scenes.NameOf(1), "Nowhere");
    EXPECT_EQ(nest->colour.keys.at(0).value, cRGBA(10, 20, 30, 40));
}

TEST_F(GlaReader, VersionOneLayouts)
{
    Bytes f;
    f.header(1).u16(1);
    const size_t s = f.scene("S", 1);
    f.u16(0).s16(3);
    // Marker: head (visible, position in two lists, skipped track of 3 keys), angle, x-only scale.
    f.u8(8);
    f.u16(1).s32(0).u8(1);
    f.u16(2).s32(0).f32(1.0f).s32(9).f32(2.0f); // x list
    f.u16(2).s32(4).f32(10.0f).s32(8).f32(20.0f); // y list: its frames count
    f.u16(3);
    for (int i = 0; i < 24; ++i)
        f.u8(0xEE);
    f.u16(1).s32(0).f32(45.0f);
    f.u16(2).s32(0).f32(2.0f).s32(5).f32(3.0f);
    f.str("mark"); // no type or properties before version 5
    // GameObj before version 3: no scale track.
    f.u8(6).none().none().none().none().none().str("obj").str("").u16(0);
    // Group.
    f.u8(16).str("grp").u16(1).s32(0).f32(7.0f).u16(1).s32(0).f32(8.0f);
    f.close(s);

    auto set = Parse(f);
    ASSERT_NE(set, nullptr);
    cGlaScene* scene = set->scenes.at(0);
    EXPECT_EQ(scene->fps, 30.0f);
    EXPECT_EQ(scene->sceneValueA, 0.0f);
    EXPECT_EQ(scene->sceneWord, 0u);
    auto* mark = ClassCast<cGlaElementMarker>(scene->FindElement("mark"));
    ASSERT_NE(mark, nullptr);
    ASSERT_EQ(mark->position.keys.size(), 2u);
    EXPECT_EQ(mark->position.keys[0].value, cVec2f(1.0f, 10.0f));
    EXPECT_EQ(mark->position.keys[1].value, cVec2f(2.0f, 20.0f));
    EXPECT_EQ(mark->position.keys[1].frame, 8);
    ASSERT_EQ(mark->scale.keys.size(), 2u);
    EXPECT_EQ(mark->scale.keys[1].value, cVec2f(3.0f, 3.0f));
    EXPECT_EQ(mark->angle.keys.at(0).value, 45.0f);
    auto* obj = ClassCast<cGlaElementGameObj>(scene->FindElement("obj"));
    ASSERT_NE(obj, nullptr);
    ASSERT_EQ(obj->scale.keys.size(), 1u);
    EXPECT_EQ(obj->scale.keys[0].value, cVec2f(1.0f, 1.0f));
    auto* grp = ClassCast<cGlaElementGroup>(scene->FindElement("grp"));
    ASSERT_NE(grp, nullptr);
    EXPECT_TRUE(grp->visible.keys.empty());
    EXPECT_EQ(grp->position.GetValue(0), cVec2f(7.0f, 8.0f));
}

TEST_F(GlaReader, VersionFourSpriteAndResourcePaths)
{
    Bytes f;
    f.header(4).u16(1);
    const size_t s = f.scene("S", 4);
    f.u16(0).s16(6);
    // Code-1 sprite: no sprite words and no layer before version 5; rotation negated.
    f.u8(1).str("spr").none().none();
    f.u16(1).s32(0).f32(90.0f).none().none().none();
    f.u16(2).s32(0).str("a.png").s32(3).str("missing.png");
    // Code-2 sprite: colour and frames only.
    f.u8(2).str("plain").none().none().none().none();
    // Code-17 textured polygon: no colour before version 10.
    f.u8(17).str("poly").u32(5).none().none().u16(1).s32(0).str("t.png").none().none().none();
    f.u16(3).f32(0).f32(0).f32(1).f32(0).f32(0).f32(1);
    // Code-18 model track, code-20 model, code-21 emitter with a missing image.
    f.u8(18).str("mdl").none().none().none().none().u16(1).s32(0).str("m/ship.pod");
    f.u8(20).str("mv2").none().u16(1).s32(0).f32(3.0f).none().none().none().str("m/boat.pod");
    f.u8(21).str("emit").none().u16(1).s32(0).f32(4.0f).none().none();
    f.u16(1).s32(0).f32(1.0f).f32(1.0f); // first scale track
    f.u16(1).s32(0).f32(2.0f).f32(2.0f); // second: the one kept
    f.none().u16(1).s32(0).f32(5.0f);
    f.s32(3).str("p1.png").str("missing.png").str("p3.png");
    f.u32(1).u32(0xFFFFFFFF).u32(0x80808080);
    for (int i = 0; i < 6; ++i)
        f.f32(static_cast<float>(i));
    f.u32(40).f32(6.0f).f32(7.0f).f32(8.0f).u8(3);
    for (int i = 0; i < 12; ++i)
        f.f32(static_cast<float>(100 + i));
    f.close(s);

    auto set = Parse(f, {}, "res/maps");
    ASSERT_NE(set, nullptr);
    cGlaScene* scene = set->scenes.at(0);
    auto* spr = static_cast<cGlaElementSprite*>(scene->FindElement("spr"));
    EXPECT_EQ(spr->renderMode, 1u);
    EXPECT_EQ(spr->spareWord, 0u);
    EXPECT_TRUE(spr->layer.keys.empty());
    EXPECT_EQ(spr->rotation.keys.at(0).value, -90.0f);
    ASSERT_EQ(spr->frames.keys.size(), 2u);
    EXPECT_NE(spr->frames.keys[0].value, nullptr);
    EXPECT_EQ(spr->frames.keys[1].value, nullptr); // kept as a null key with its name
    EXPECT_EQ(spr->frames.NameOf(1), "missing.png");
    auto* plain = static_cast<cGlaElementSprite*>(scene->FindElement("plain"));
    EXPECT_EQ(plain->kind, 2u);
    EXPECT_TRUE(plain->rotation.keys.empty() && plain->scale.keys.empty() && plain->pivot.keys.empty());
    auto* poly = static_cast<cGlaElementPolyTextured*>(scene->FindElement("poly"));
    EXPECT_EQ(poly->polyWord, 5u);
    EXPECT_EQ(poly->points.size(), 3u);
    EXPECT_TRUE(poly->colour.keys.empty());
    auto* mv2 = static_cast<cGlaElementModelV2*>(scene->FindElement("mv2"));
    EXPECT_EQ(mv2->layer.keys.at(0).value, 3.0f); // carried whatever the version
    EXPECT_EQ(mv2->modelName, "m/boat.pod");
    auto* emit = static_cast<cGlaElementParticleEmiter*>(scene->FindElement("emit"));
    EXPECT_EQ(emit->layer.keys.at(0).value, 4.0f);
    EXPECT_EQ(emit->scale.keys.at(0).value, cVec2f(2.0f, 2.0f));
    EXPECT_EQ(emit->emitterFloat.keys.at(0).value, 5.0f);
    EXPECT_EQ(emit->images.size(), 2u); // no gap for the missing one
    EXPECT_EQ(emit->imageNames.size(), 3u);
    EXPECT_EQ(emit->settings.renderMode, 1u);
    EXPECT_EQ(emit->settings.colourStart, 0xFFFFFFFFu);
    EXPECT_EQ(emit->settings.sizeStart, 0.0f);
    EXPECT_EQ(emit->settings.spin, 5.0f);
    EXPECT_EQ(emit->settings.lifeTicks, 40u);
    EXPECT_EQ(emit->settings.velocityDamping, 8.0f);
    EXPECT_EQ(emit->settings.flag, 1u);
    EXPECT_EQ(emit->settings.ranges[0].min, 100.0f);
    EXPECT_EQ(emit->settings.ranges[5].max, 111.0f);

    const std::vector<std::string> expected = {
        "atlas:res/maps/a.png",          "atlas:res/maps/missing.png",    "texture17:res/maps/t.png",
        "modelv2:res/maps/m/ship.vemimodel2", "model:res/maps/m/boat.pod", "atlas:res/maps/p1.png",
        "atlas:res/maps/missing.png",    "atlas:res/maps/p3.png"};
    EXPECT_EQ(gCalls, expected);
}

TEST_F(GlaReader, ScenesWithNoOrNegativeElementCountsKeepTheirProperties)
{
    Bytes f;
    f.header(10).u16(2);
    size_t s = f.scene("Zero", 10);
    f.u16(1).str("p").u8(1).s32(5).s16(0);
    f.close(s);
    s = f.scene("Negative", 10);
    f.u16(1).str("q").u8(7).u8(0).s16(-4);
    f.close(s);
    auto set = Parse(f);
    ASSERT_NE(set, nullptr);
    EXPECT_TRUE(set->scenes[0]->elements.empty());
    EXPECT_EQ(set->scenes[0]->props.size(), 1u);
    EXPECT_TRUE(set->scenes[1]->elements.empty());
    EXPECT_EQ(set->scenes[1]->props.size(), 1u);
}

namespace
{
// Scenes A (needs B), B (needs D), C, D, and a second A; each holds a scene element
// showing D.
Bytes NeedsFile()
{
    Bytes f;
    f.header(10);
    f.u16(5);
    auto scene = [&](const std::string& name, std::vector<std::string> needed) {
        const size_t s = f.scene(name, 10, needed);
        f.u16(0).s16(1);
        f.u8(11).str("show").u32(0).none().none().none().none().none().none();
        f.u16(1).s32(0).str("D").none();
        f.close(s);
    };
    scene("A", {"B", "A", "B"});
    scene("B", {"D"});
    scene("C", {});
    scene("D", {});
    scene("A", {});
    return f;
}

std::vector<std::string> Names(const cGlaSet& set)
{
    std::vector<std::string> names;
    for (const cGlaScene* scene : set.scenes)
        names.push_back(scene->GetName());
    return names;
}
} // namespace

TEST_F(GlaReader, OneSceneLoadsFollowTheNeededListOneLevelDeep)
{
    const Bytes f = NeedsFile();
    const uint8_t* data = f.b.data();
    const size_t size = f.b.size();

    std::unique_ptr<cGlaSet> a(LoadGlaSetForSceneFromMemory(data, size, "A", ""));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(Names(*a), (std::vector<std::string>{"A", "B", "A"}));
    auto* show = static_cast<cGlaElementScene*>(a->scenes[0]->FindElement("show"));
    EXPECT_EQ(show->scenes.keys.at(0).value, nullptr); // D was not loaded

    std::unique_ptr<cGlaSet> b(LoadGlaSetForSceneFromMemory(data, size, "B", ""));
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(Names(*b), (std::vector<std::string>{"B", "D"}));
    show = static_cast<cGlaElementScene*>(b->scenes[0]->FindElement("show"));
    EXPECT_EQ(show->scenes.keys.at(0).value, b->scenes[1]);

    std::unique_ptr<cGlaSet> none(LoadGlaSetForSceneFromMemory(data, size, "Nope", ""));
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(none->scenes.empty());

    std::unique_ptr<cGlaSet> all(LoadGlaSetForSceneFromMemory(data, size, "", ""));
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(Names(*all), (std::vector<std::string>{"A", "B", "C", "D", "A"}));

    std::vector<std::string> names;
    ASSERT_TRUE(ListGlaSceneNamesFromMemory(data, size, names));
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "C", "D", "A"}));
}

TEST_F(GlaReader, LoadsThroughTheResourceLayerWithPathsRelativeToTheFile)
{
    const Bytes f = RichV10();
    std::filesystem::create_directories("scenes/sub");
    {
        std::ofstream out("scenes/sub/x.cgla", std::ios::binary);
        out.write(reinterpret_cast<const char*>(f.b.data()), static_cast<std::streamsize>(f.b.size()));
    }
    std::unique_ptr<cGlaSet> set(LoadGlaSet("scenes/sub/x.cgla"));
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->scenes.size(), 2u);
    EXPECT_EQ(gCalls.at(0), "atlas:scenes/sub/img/still.png");

    std::unique_ptr<cGlaSet> one(LoadGlaSetForScene("scenes/sub/x.cgla", "Other"));
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(Names(*one), (std::vector<std::string>{"Other"}));

    EXPECT_EQ(LoadGlaSet("scenes/none.cgla"), nullptr);
    EXPECT_EQ(LoadGlaSetForScene("scenes/none.cgla", "Other"), nullptr);
    std::vector<std::string> names{"kept"};
    EXPECT_FALSE(ListGlaSceneNames("scenes/none.cgla", names));
    EXPECT_EQ(names, std::vector<std::string>{"kept"});
    EXPECT_TRUE(ListGlaSceneNames("scenes/sub/x.cgla", names));
    EXPECT_EQ(names, (std::vector<std::string>{"Main", "Other"}));
}

TEST_F(GlaReader, UnknownCodesFailTheLoad)
{
    for (uint8_t code : {0, 22, 200, 255})
    {
        Bytes f;
        f.header(10).u16(1);
        const size_t s = f.scene("S", 10);
        f.u16(0).s16(2).u8(16).str("g").none().u8(code).u8(16).str("h").none();
        f.close(s);
        EXPECT_EQ(Parse(f), nullptr) << "element code " << int(code);
    }
    for (uint8_t code : {0, 11, 99, 255})
    {
        Bytes f;
        f.header(10).u16(1);
        const size_t s = f.scene("S", 10);
        f.u16(2).str("p").u8(code).str("q").u8(1).s32(1).s16(0);
        f.close(s);
        EXPECT_EQ(Parse(f), nullptr) << "property code " << int(code);
    }
}

TEST_F(GlaReader, LyingCountsAndSizesFailCleanly)
{
    // A scene record size past the end of the file.
    Bytes big;
    big.header(10).u16(1).u32(1000).str("S");
    EXPECT_EQ(Parse(big), nullptr);
    // More scenes announced than there are.
    Bytes more;
    more.header(10).u16(3);
    size_t s = more.scene("S", 10);
    more.u16(0).s16(0);
    more.close(s);
    EXPECT_EQ(Parse(more), nullptr);
    // A key count far beyond the data, inside a record whose size is right.
    Bytes keys;
    keys.header(10).u16(1);
    s = keys.scene("S", 10);
    keys.u16(0).s16(1).u8(16).str("g").u16(60000).s32(0).f32(0).f32(0);
    keys.close(s);
    EXPECT_EQ(Parse(keys), nullptr);
    // A record that reads past its own size, though the file goes on.
    Bytes over;
    over.header(10).u16(2);
    s = over.scene("S", 10);
    over.u16(0).s16(1).u8(16).str("g");
    over.close(s);
    over.u16(0); // the group's track count lies outside the record
    s = over.scene("T", 10);
    over.u16(0).s16(0);
    over.close(s);
    EXPECT_EQ(Parse(over), nullptr);
    // Type-block and enumeration counts beyond the data.
    Bytes types;
    types.u16(10).u16(0).u32(0).u16(500);
    EXPECT_EQ(Parse(types), nullptr);
    Bytes values;
    values.u16(10).u16(0).u32(0).u16(1).str("T").u16(1).u8(8).str("E").s32(0x7FFFFFFF);
    EXPECT_EQ(Parse(values), nullptr);
    // Event item counts beyond the data.
    Bytes items;
    items.header(10).u16(1);
    s = items.scene("S", 10);
    items.u16(0).s16(1).u8(12).str("e").u32(0).u32(0).s32(0x10000000).str("x").u32(1);
    items.close(s);
    EXPECT_EQ(Parse(items), nullptr);
    // Nothing at all, and a header alone.
    EXPECT_EQ(ParseGlaSetFromMemory(nullptr, 0, {}, ""), nullptr);
    Bytes header;
    header.u16(10).u16(0);
    EXPECT_EQ(Parse(header), nullptr);
}

TEST_F(GlaReader, EveryTruncationFails)
{
    const Bytes f = RichV10();
    for (size_t n = 0; n < f.b.size(); ++n)
    {
        std::unique_ptr<cGlaSet> set(ParseGlaSetFromMemory(f.b.data(), n, {}, ""));
        EXPECT_EQ(set, nullptr) << "cut at " << n;
        std::unique_ptr<cGlaSet> one(LoadGlaSetForSceneFromMemory(f.b.data(), n, "Other", ""));
        EXPECT_EQ(one, nullptr) << "cut at " << n;
    }
    std::unique_ptr<cGlaSet> whole(ParseGlaSetFromMemory(f.b.data(), f.b.size(), {}, ""));
    EXPECT_NE(whole, nullptr);
}

TEST_F(GlaReader, CorruptBytesNeverCrash)
{
    const Bytes f = RichV10();
    uint32_t seed = 12345;
    for (int round = 0; round < 3000; ++round)
    {
        std::vector<uint8_t> bytes = f.b;
        for (int k = 0; k < 3; ++k)
        {
            seed = seed * 1664525u + 1013904223u;
            bytes[(seed >> 8) % bytes.size()] = static_cast<uint8_t>(seed >> 24);
        }
        std::unique_ptr<cGlaSet> set(ParseGlaSetFromMemory(bytes.data(), bytes.size(), {}, ""));
        std::unique_ptr<cGlaSet> one(LoadGlaSetForSceneFromMemory(bytes.data(), bytes.size(), "Main", ""));
    }
}

TEST_F(GlaReader, RegisteredLoaderServesTheResourceLayer)
{
    RegisterGlaSetLoader();
    const Bytes f = NeedsFile();
    {
        std::ofstream out("needs.cgla", std::ios::binary);
        out.write(reinterpret_cast<const char*>(f.b.data()), static_cast<std::streamsize>(f.b.size()));
    }
    cResourceGroup* group = SelectResourceGroup("GlaTest");
    cResource* loaded = LoadGlaSetResource("needs.cgla", "B");
    auto* set = ClassCast<cGlaSet>(loaded);
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(Names(*set), (std::vector<std::string>{"B", "D"}));
    EXPECT_EQ(LoadGlaSetResource("absent.cgla", "B"), nullptr);
    delete group; // deletes the set with the group
}

TEST_F(GlaReader, ParsesAStreamFromItsStartWithPathsBesideTheStream)
{
    const Bytes f = RichV10();
    cMemoryDataStream stream(f.b.data(), static_cast<uint32_t>(f.b.size()));
    stream.name = "res/hud/hud.cgla";
    stream.Seek(10, cDataStream::kSeekStart);
    std::unique_ptr<cGlaSet> set(ParseGlaSet(stream, {"Other"}));
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(Names(*set), (std::vector<std::string>{"Other"}));
    set.reset(ParseGlaSet(stream, {}));
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(gCalls.back(), "atlas:res/hud/img/still.png");
}

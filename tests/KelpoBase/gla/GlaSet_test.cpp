#include <gtest/gtest.h>

#include <memory>

#include "KelpoBase/gla/GlaSet.h"

namespace
{
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

// A set with two scenes and a type, built by hand.
struct Fixture
{
    Fixture()
    {
        set = std::make_unique<cGlaSet>();
        auto* button = new cGlaObjectType();
        button->name = "Button";
        set->types.push_back(button);
        auto* other = new cGlaObjectType();
        other->name = "Other";
        set->types.push_back(other);
        a = new cGlaScene();
        a->SetName("A");
        set->AddScene(a);
        b = new cGlaScene();
        b->SetName("B");
        b->type = button;
        set->AddScene(b);
        auto* b2 = new cGlaScene();
        b2->SetName("A"); // a second scene of the same name
        set->AddScene(b2);
    }
    std::unique_ptr<cGlaSet> set;
    cGlaScene* a;
    cGlaScene* b;
};
} // namespace

TEST(GlaSet, SceneAndTypeLookups)
{
    Fixture f;
    EXPECT_EQ(FindObjectByName(f.set.get(), "A"), f.a);
    EXPECT_EQ(FindObjectByName(f.set.get(), "a"), nullptr);
    EXPECT_EQ(FindObjectByName(f.set.get(), ""), nullptr);
    EXPECT_EQ(FindObjectByName(nullptr, "A"), nullptr);
    EXPECT_EQ(f.set->FindType("Button"), f.set->types[0]);
    EXPECT_EQ(f.set->FindType("Butto"), nullptr);
    std::vector<cGlaScene*> found{f.a};
    EXPECT_EQ(f.set->CollectScenesOfType("Button", found), 2u); // appends
    EXPECT_EQ(found[1], f.b);
    EXPECT_EQ(f.set->CollectScenesOfType("Other", found), 2u);
}

// Lookup precedence: object list before sprite list, first in file order, exact names.
TEST(GlaSet, ElementLookupPrecedence)
{
    Fixture f;
    auto* sprite = Add<cGlaElementSprite>(f.a, kGlaSprite, "thing");
    auto* rect = Add<cGlaElementRectangle>(f.a, kGlaRectangle, "thing");
    auto* rect2 = Add<cGlaElementRectangle>(f.a, kGlaRectangle, "thing");
    auto* longer = Add<cGlaElementPoly>(f.a, kGlaPoly, "thingy");
    struct Case
    {
        const char* name;
        cGlaElement* object;
        cGlaElement* sprite;
        cGlaElement* any;
    } cases[] = {
        {"thing", rect, sprite, rect},
        {"thingy", longer, nullptr, longer},
        {"Thing", nullptr, nullptr, nullptr},
        {"thin", nullptr, nullptr, nullptr},
        {"", nullptr, nullptr, nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(f.a->FindObjectElement(c.name), c.object);
        EXPECT_EQ(f.a->FindSpriteElement(c.name), c.sprite);
        EXPECT_EQ(f.a->FindElement(c.name), c.any);
    }
    (void)rect2;
    EXPECT_EQ(f.a->elements.size(), 4u);
    EXPECT_EQ(f.a->elements[0], sprite);
    EXPECT_EQ(sprite->scene, f.a);
    EXPECT_EQ(f.b->FindElement("thing"), nullptr);
}

TEST(GlaSet, PropertiesAndReferences)
{
    Fixture f;
    auto* target = Add<cGlaElementPath>(f.a, kGlaPath, "route");
    auto* poly = Add<cGlaElementPoly>(f.a, kGlaPoly, "shape");
    auto* e = Add<cGlaElementGameObj>(f.a, kGlaGameObj, "obj");
    e->AddProp(new cGlaPropFloat("Speed", 2.5f));
    e->AddProp(new cGlaPropFloat("Speed", 9.0f));
    e->AddProp(new cGlaPropInt("Count", 4));
    e->AddProp(new cGlaPropBool("On", true));
    e->AddProp(new cGlaPropEnum("Mode", 3));
    e->AddProp(new cGlaPropRefElement(f.a, "Path", "route"));
    e->AddProp(new cGlaPropRefElement(f.a, "Poly", "shape"));
    e->AddProp(new cGlaPropRefElement(f.a, "Lost", "nothing"));
    e->AddProp(new cGlaPropRefScene(f.a, "Next", "B"));
    e->AddProp(nullptr); // a record that made no property adds nothing
    EXPECT_EQ(e->props.size(), 9u);

    EXPECT_EQ(e->GetFloatProp("Speed"), 2.5f);
    EXPECT_EQ(e->GetFloatProp("Count"), 0.0f); // an integer is not a float
    EXPECT_EQ(e->GetFloatProp("Absent"), 0.0f);
    EXPECT_TRUE(e->GetBoolProp("On"));
    EXPECT_FALSE(e->GetBoolProp("Count"));
    EXPECT_EQ(e->GetEnumProp("Mode"), 3);
    EXPECT_EQ(e->GetEnumProp("Count"), 0);
    EXPECT_EQ(e->GetRefElement("Path"), target);
    EXPECT_EQ(e->GetPathProp("Path"), target);
    EXPECT_EQ(e->GetRefElement("Poly"), poly);
    EXPECT_EQ(e->GetPathProp("Poly"), nullptr);
    EXPECT_EQ(e->GetRefElement("Lost"), nullptr);
    EXPECT_EQ(e->GetRefElement("Speed"), nullptr);
    EXPECT_EQ(static_cast<cGlaPropRefScene*>(e->FindProp("Next"))->Resolve(), f.b);

    // A reference whose target exists in both lists answers with the object element.
    Add<cGlaElementSprite>(f.a, kGlaSprite, "both");
    auto* objBoth = Add<cGlaElementMarker>(f.a, kGlaMarker, "both");
    e->AddProp(new cGlaPropRefElement(f.a, "Both", "both"));
    EXPECT_EQ(e->GetRefElement("Both"), objBoth);

    f.a->AddProp(new cGlaPropString("Title", "hello"));
    f.a->AddProp(new cGlaPropInt("Number", 1));
    std::string text = "old";
    f.a->GetStringProp("Title", text);
    EXPECT_EQ(text, "hello");
    f.a->GetStringProp("Number", text);
    EXPECT_EQ(text, "");
    text = "old";
    f.a->GetStringProp("Missing", text);
    EXPECT_EQ(text, "");
}

TEST(GlaSet, CollectorsTestTheExactClass)
{
    Fixture f;
    auto* obj = Add<cGlaElementGameObj>(f.a, kGlaGameObj, "g1");
    obj->type = f.set->types[0];
    Add<cGlaElementGameObj>(f.a, kGlaGameObj, "untyped");
    auto* obj2 = Add<cGlaElementGameObj>(f.a, kGlaGameObj, "g2");
    obj2->type = f.set->types[1];
    auto* marker = Add<cGlaElementMarker>(f.a, kGlaMarker, "m");
    auto* zone = Add<cGlaElementZone>(f.a, kGlaZone, "z");
    Add<cGlaElementPoly>(f.a, kGlaPoly, "p");
    auto* rect = Add<cGlaElementRectangle>(f.a, kGlaRectangle, "box");
    Add<cGlaElementTextBox>(f.a, kGlaTextBox, "text");

    std::vector<cGlaElement*> out{marker};
    f.a->CollectGameObjs("Button", out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], obj);
    f.a->CollectGameObjs("Nobody", out);
    EXPECT_TRUE(out.empty());
    f.a->CollectMarkers(out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], marker);
    f.a->CollectZones(out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0], zone);
    EXPECT_EQ(f.a->FindRectangle("box"), rect);
    EXPECT_EQ(f.a->FindRectangle("text"), nullptr); // a text box is not exactly a rectangle
}

TEST(GlaSet, VisibilityBoundsAndPaths)
{
    Fixture f;
    auto* rect = Add<cGlaElementRectangle>(f.a, kGlaRectangle, "r");
    EXPECT_EQ(rect->GetBounds(), cRect2f());
    EXPECT_FALSE(rect->IsVisible(0));
    rect->visible.AddKey(true, 0);
    rect->visible.AddKey(false, 10);
    EXPECT_TRUE(rect->IsVisible(9));
    EXPECT_FALSE(rect->IsVisible(10));
    rect->position.AddKey(cVec2f(100.0f, 50.0f), 0);
    rect->position.AddKey(cVec2f(900.0f, 900.0f), 10);
    rect->size.AddKey(cVec2f(20.0f, 10.0f), 0);
    rect->angle.AddKey(45.0f);
    EXPECT_EQ(rect->GetBounds(), (cRect2f{90.0f, 45.0f, 110.0f, 55.0f}));

    for (uint8_t code : {kGlaEvent, kGlaZone, kGlaGroup})
    {
        std::unique_ptr<cGlaElement> e(CreateGlaElement(code));
        if (auto* pos = ClassCast<cGlaElementPos>(e.get()))
            pos->visible.AddKey(false, 0);
        EXPECT_TRUE(e->IsVisible(0));
        EXPECT_TRUE(e->IsVisible(-1));
    }

    auto* path = Add<cGlaElementPath>(f.a, kGlaPath, "path");
    path->position.AddKey(cVec2f(10.0f, 20.0f), 0);
    path->position.AddKey(cVec2f(500.0f, 500.0f), 5);
    path->points = {cVec2f(0.0f, 0.0f), cVec2f(100.0f, 0.0f)};
    path->BuildPath();
    EXPECT_EQ(path->GetPointAt(0.0f), cVec2f(10.0f, 20.0f));
    const cVec2f end = path->GetPointAt(1.0f);
    EXPECT_NEAR(end.x, 110.0f, 1e-3f);
    EXPECT_NEAR(end.y, 20.0f, 1e-3f);
}

TEST(GlaSet, ElementFactoryAndClassRecords)
{
    for (int code = 0; code <= 255; ++code)
    {
        std::unique_ptr<cGlaElement> e(CreateGlaElement(static_cast<uint8_t>(code)));
        if (code < 1 || code > 21)
        {
            EXPECT_EQ(e, nullptr);
            continue;
        }
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->code, code);
    }
    std::unique_ptr<cGlaElement> s(CreateGlaElement(kGlaSpriteCropped));
    EXPECT_EQ(static_cast<cGlaElementSprite*>(s.get())->kind, 1u);
    EXPECT_EQ(static_cast<cGlaElementSprite*>(s.get())->cropped, 1u);
    std::unique_ptr<cGlaElement> st(CreateGlaElement(kGlaSpriteStatic));
    EXPECT_EQ(static_cast<cGlaElementSprite*>(st.get())->kind, 3u);

    EXPECT_EQ(cGlaElementParticleEmiter::StaticClassInfo()->name, "cGlaElementParticleEmiter");
    EXPECT_EQ(cGlaElementZone::StaticClassInfo()->parent, cGlaElementPoly::StaticClassInfo());
    EXPECT_EQ(cGlaElementTextBox::StaticClassInfo()->parent, cGlaElementRectangle::StaticClassInfo());
    EXPECT_EQ(cGlaElementVemiScene::StaticClassInfo()->parent, cGlaElementPos::StaticClassInfo());
    EXPECT_EQ(cGlaPropRefScene::StaticClassInfo()->parent, cGlaProp::StaticClassInfo());
    EXPECT_EQ(cGlaSet::StaticClassInfo()->parent, cResource::StaticClassInfo());
}

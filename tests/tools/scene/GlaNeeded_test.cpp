#include <gtest/gtest.h>

#include <memory>

#include "KelpoBase/gla/GlaReader.h"
#include "KelpoBase/gla/GlaSet.h"
#include "scene/GlaJson.h"
#include "scene/GlaNeeded.h"
#include "scene/GlaWriter.h"

// Level -> (property) Player -> (scene track) Body -> (element property) Hair; Level also
// names a scene that does not exist, and Hair refers back to Level.
TEST(GlaNeeded, ClosureOfSceneReferencesMakesOneSceneLoadsComplete)
{
    const GlaJson json = GlaJson::parse(R"({"scenes": [
        {"name": "Level", "needed": ["Extra"], "props": [
            {"name": "player", "kind": "scene", "value": "Player"},
            {"name": "ghost", "kind": "scene", "value": "Nowhere"}]},
        {"name": "Player", "elements": [{"kind": "Scene", "name": "body", "scenes": [[0, "Body"], [5, "Body"]]}]},
        {"name": "Body", "elements": [{"kind": "GameObj", "name": "hair",
            "props": [{"name": "look", "kind": "scene", "value": "Hair"}]}]},
        {"name": "Hair", "props": [{"name": "back", "kind": "scene", "value": "Level"}]},
        {"name": "Extra"},
        {"name": "Unrelated"}]})");
    std::string error;
    std::unique_ptr<cGlaSet> set(GlaSetFromJson(json, &error));
    ASSERT_NE(set, nullptr) << error;

    EXPECT_EQ(DirectSceneReferences(*set->scenes[0]), (std::vector<std::string>{"Player", "Nowhere"}));
    EXPECT_EQ(ReachableScenes(*set, *set->scenes[0]), (std::vector<std::string>{"Player", "Body", "Hair"}));
    EXPECT_EQ(FillNeededScenes(*set), 3u + 3u + 3u + 3u);
    EXPECT_EQ(set->scenes[0]->needed, (std::vector<std::string>{"Extra", "Player", "Body", "Hair"}));
    EXPECT_EQ(set->scenes[3]->needed, (std::vector<std::string>{"Level", "Player", "Body"}));
    EXPECT_EQ(FillNeededScenes(*set), 0u);

    std::vector<uint8_t> bytes;
    ASSERT_TRUE(WriteGlaSet(*set, 10, bytes));
    const cGlaResourceHooks old = SetGlaResourceHooks(GlaNoResourceHooks());
    std::unique_ptr<cGlaSet> level(LoadGlaSetForSceneFromMemory(bytes.data(), bytes.size(), "Level", ""));
    SetGlaResourceHooks(old);
    ASSERT_NE(level, nullptr);
    ASSERT_EQ(level->scenes.size(), 5u);
    auto* body = static_cast<cGlaElementScene*>(FindObjectByName(level.get(), "Player")->FindElement("body"));
    EXPECT_EQ(body->scenes.keys[1].value, FindObjectByName(level.get(), "Body"));
    auto* hair = FindObjectByName(level.get(), "Body")->FindElement("hair");
    EXPECT_EQ(static_cast<cGlaPropRefScene*>(hair->FindProp("look"))->Resolve(), FindObjectByName(level.get(), "Hair"));
}

#include "GfxTools/PodReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "GfxTools/ToolsInput.h"
#include "KelpoBase/core/Debug.h"
#include "PodTestScene.h"

namespace
{
std::vector<uint8_t> Save(const PodModel& model, const char* options = nullptr, const char* history = nullptr)
{
    uint8_t* data = nullptr;
    uint32_t size = 0;
    EXPECT_EQ(SavePodMemory(&data, &size, model, options, history), 0u);
    std::vector<uint8_t> bytes(data, data + size);
    std::free(data);
    return bytes;
}

uint32_t Load(PodModel& model, const std::vector<uint8_t>& bytes)
{
    return LoadPodMemory(model, bytes.data(), uint32_t(bytes.size()));
}

// Little-endian block builder.
struct Blocks
{
    std::vector<uint8_t> b;
    Blocks& U32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            b.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    Blocks& Marker(uint32_t id, uint32_t length) { return U32(id).U32(length); }
    Blocks& Value(uint32_t id, uint32_t v) { return Marker(id, 4).U32(v); }
    Blocks& Float(uint32_t id, float f)
    {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        return Value(id, bits);
    }
    Blocks& Start(uint32_t id) { return Marker(id, 0); }
    Blocks& End(uint32_t id) { return Marker(id | 0x80000000u, 0); }
    Blocks& Version()
    {
        Marker(1000, 11);
        const char text[] = "AB.POD.2.0";
        b.insert(b.end(), text, text + 11);
        return *this;
    }
};

// A scene of one node with the given node blocks and nothing else.
std::vector<uint8_t> OneNodeScene(const Blocks& nodeBlocks, uint32_t flags = 0)
{
    Blocks f;
    f.Version().Start(1001).Value(2005, 1).Value(2016, flags).Start(2013);
    f.b.insert(f.b.end(), nodeBlocks.b.begin(), nodeBlocks.b.end());
    f.End(2013).End(1001);
    return f.b;
}
} // namespace

TEST(PodReader, WriteThenReadGivesTheSameScene)
{
    PodModel source{};
    podtest::BuildScene(source);
    const std::vector<uint8_t> bytes = Save(source, "options", "history");
    PodModel back{};
    ASSERT_EQ(Load(back, bytes), 0u);
    EXPECT_EQ(back.background[0], 0.25f);
    EXPECT_EQ(back.ambient[2], 0.5f);
    EXPECT_EQ(back.frameCount, 3u);
    ASSERT_EQ(back.nodeCount, 4u);
    EXPECT_STREQ(back.nodes[3].name, "bone");
    EXPECT_EQ(back.nodes[1].parentIndex, 0);
    EXPECT_EQ(back.nodes[3].positionCount, 9u);
    EXPECT_EQ(back.nodes[3].positionIndex[2], 6u);
    EXPECT_EQ(back.nodes[2].matrix[14], 7.0f);
    ASSERT_EQ(back.cameraCount, 1u);
    EXPECT_EQ(back.cameras[0].animatedFieldOfView[2], 4.0f);
    EXPECT_EQ(back.cameras[0].targetIndex, 3);
    EXPECT_EQ(back.lights[0].falloffExponent, 2.0f);
    EXPECT_STREQ(back.textures[0].fileName, "hull.pvr");
    EXPECT_STREQ(back.materials[0].name, "paint");
    EXPECT_STREQ(back.materials[0].effectFile, "fx.pfx");
    EXPECT_EQ(back.materials[0].effectName, nullptr);
    EXPECT_EQ(back.materials[0].blendOpAlpha, 0x8006u);
    EXPECT_EQ(back.materials[0].ambientTexture, -1);
    EXPECT_EQ(back.materials[0].flags, 3u);
    const PodMesh& mesh = back.meshes[0];
    EXPECT_EQ(mesh.vertexCount, 3u);
    ASSERT_EQ(mesh.positions.size, 36u);
    EXPECT_EQ(std::memcmp(mesh.positions.data, source.meshes[0].positions.data, 36), 0);
    EXPECT_EQ(mesh.texCoords[0].components, 2u);
    EXPECT_EQ(mesh.bones.batchBones[0], 3);
    EXPECT_EQ(mesh.unpackMatrix[15], 1.0f);
    ASSERT_NE(back.frameState, nullptr);
    // Written again, the bytes are the same.
    EXPECT_EQ(Save(back, "options", "history"), bytes);

    // Through a file, and through the embedded-resource table.
    ASSERT_EQ(SavePodFile("scene.pod", source, nullptr, nullptr), 0u);
    PodModel fromFile{};
    ASSERT_EQ(LoadPodFile(fromFile, "scene.pod"), 0u);
    EXPECT_EQ(fromFile.meshCount, 1u);
    EXPECT_EQ(LoadPodFile(fromFile, "missing.pod"), 1u);
    EXPECT_EQ(SavePodFile("no/such/folder/scene.pod", source), 1u);
    RegisterEmbeddedResource("SCENE", bytes.data(), uint32_t(bytes.size()));
    PodModel embedded{};
    EXPECT_EQ(LoadPodResource(embedded, "SCENE"), 0u);
    EXPECT_EQ(embedded.nodeCount, 4u);
    EXPECT_EQ(LoadPodResource(embedded, "OTHER"), 1u);
    ClearEmbeddedResources();
    DestroyScene(embedded);
    DestroyScene(fromFile);
    DestroyScene(back);
    DestroyScene(source);
}

TEST(PodReader, TextsOnly)
{
    PodModel source{};
    podtest::BuildScene(source);
    const std::vector<uint8_t> bytes = Save(source, "exported with care", "first");
    DestroyScene(source);
    char options[9] = {};
    char history[32] = {};
    PodModel model{};
    ASSERT_EQ(LoadPodMemory(model, bytes.data(), uint32_t(bytes.size()), options, 8, history, sizeof history), 0u);
    EXPECT_STREQ(options, "exported");
    EXPECT_STREQ(history, "first");
    EXPECT_EQ(model.nodeCount, 0u);
    EXPECT_NE(model.frameState, nullptr);
    DestroyScene(model);
}

TEST(PodReader, StaticNodeBlocks)
{
    Blocks onlyStatic;
    onlyStatic.Value(5003, 0xFFFFFFFFu).Marker(5004, 12).U32(0).U32(0x3F800000).U32(0);
    PodModel model{};
    ASSERT_EQ(Load(model, OneNodeScene(onlyStatic)), 0u);
    const PodNode& node = model.nodes[0];
    EXPECT_EQ(node.positionCount, 3u);
    EXPECT_EQ(node.position[1], 1.0f);
    EXPECT_EQ(node.rotationCount, 4u);
    EXPECT_EQ(node.rotation[3], 1.0f);
    EXPECT_EQ(node.scaleCount, 7u);
    EXPECT_EQ(node.scale[0], 1.0f);
    EXPECT_EQ(node.animationFlags, 0u);
    DestroyScene(model);

    Blocks both = onlyStatic;
    both.Marker(5008, 32).U32(0).U32(0).U32(0).U32(0x3F800000).U32(0).U32(0).U32(0).U32(0x3F800000);
    ASSERT_EQ(Load(model, OneNodeScene(both)), 0u);
    EXPECT_EQ(model.nodes[0].animationFlags, kPodAnimRotation);
    EXPECT_EQ(model.nodes[0].rotationCount, 8u);
    DestroyScene(model);
}

TEST(PodReader, FixedPointScenesBecomeFloats)
{
    Blocks node;
    node.Value(5003, 0xFFFFFFFFu).Marker(5007, 12).U32(0x18000).U32(0xFFFF0000u).U32(0);
    PodModel model{};
    ASSERT_EQ(Load(model, OneNodeScene(node, 1)), 0u);
    EXPECT_EQ(model.flags, 0u);
    EXPECT_EQ(model.nodes[0].position[0], 1.5f);
    EXPECT_EQ(model.nodes[0].position[1], -1.0f);
    SwitchNumberFormat(model); // and back
    EXPECT_EQ(model.flags, 1u);
    int32_t fixed;
    std::memcpy(&fixed, &model.nodes[0].position[0], 4);
    EXPECT_EQ(fixed, 0x18000);
    DestroyScene(model);
}

TEST(PodReader, LightOfTypeOneHasNoAttenuation)
{
    PodModel source{};
    podtest::BuildScene(source);
    source.lights[0].type = 1;
    const std::vector<uint8_t> bytes = Save(source);
    DestroyScene(source);
    // No 7003 marker anywhere in the file.
    for (size_t i = 0; i + 4 <= bytes.size(); i += 4)
    {
        uint32_t word;
        std::memcpy(&word, bytes.data() + i, 4);
        EXPECT_NE(word, 7003u);
    }
    PodModel model{};
    ASSERT_EQ(Load(model, bytes), 0u);
    EXPECT_EQ(model.lights[0].constantAttenuation, 0.0f);
    EXPECT_EQ(model.lights[0].falloffAngle, 0.0f);
    DestroyScene(model);
}

TEST(PodReader, DamagedFilesFail)
{
    PodModel source{};
    podtest::BuildScene(source);
    const std::vector<uint8_t> good = Save(source);
    PodModel model{};
    // Every cut before the scene's end marker fails; ASan checks nothing leaks or overruns.
    for (size_t n = 0; n + 8 < good.size(); n += 3)
    {
        EXPECT_EQ(LoadPodMemory(model, good.data(), uint32_t(n)), 1u) << n;
        DestroyScene(model);
    }

    struct Case
    {
        const char* what;
        void (*damage)(PodModel&);
    };
    const Case cases[] = {
        {"parent cycle", [](PodModel& m) { m.nodes[0].parentIndex = 1; }},
        {"parent outside the nodes", [](PodModel& m) { m.nodes[3].parentIndex = 4; }},
        {"mesh node without its mesh", [](PodModel& m) { m.nodes[0].index = 1; }},
        {"bone outside the nodes", [](PodModel& m) { m.meshes[0].bones.batchBones[1] = 9; }},
        {"face index past the vertices", [](PodModel& m) { m.meshes[0].vertexCount = 2; }},
        {"more faces than indices", [](PodModel& m) { m.meshes[0].faceCount = 2; }},
        {"stride below the vertex size", [](PodModel& m) { m.meshes[0].texCoords[0].stride = 0; }},
        {"vertices without positions", [](PodModel& m) { ResetChannel(m.meshes[0].positions); }},
        {"more vertices than the bytes hold", [](PodModel& m) { m.meshes[0].vertexCount = 4; }},
    };
    for (const Case& c : cases)
    {
        PodModel damaged{};
        podtest::BuildScene(damaged);
        c.damage(damaged);
        std::vector<uint8_t> bytes = Save(damaged);
        EXPECT_EQ(Load(model, bytes), 1u) << c.what;
        DestroyScene(model);
        DestroyScene(damaged);
    }

    // A mesh that declares two texture-coordinate channels but carries one.
    std::vector<uint8_t> twoChannels = good;
    bool patched = false;
    for (size_t i = 0; i + 12 <= twoChannels.size() && !patched; i += 4)
    {
        uint32_t words[3];
        std::memcpy(words, twoChannels.data() + i, 12);
        if (words[0] == 6002 && words[1] == 4 && words[2] == 1)
        {
            twoChannels[i + 8] = 2;
            patched = true;
        }
    }
    ASSERT_TRUE(patched);
    EXPECT_EQ(Load(model, twoChannels), 1u);
    DestroyScene(model);

    // More records than the count: refused, never written past the array.
    Blocks extra;
    extra.Version().Start(1001).Value(2014, 0).Value(2007, 1).Start(2014).End(2014).Start(2014).End(2014).End(1001);
    EXPECT_EQ(Load(model, extra.b), 1u);
    DestroyScene(model);
    // A count the file cannot hold allocates nothing.
    Blocks huge;
    huge.Version().Start(1001).Value(2005, 0x7FFFFFFF).End(1001);
    EXPECT_EQ(Load(model, huge.b), 1u);
    DestroyScene(model);
    // Version text, missing scene, other byte order.
    std::vector<uint8_t> badVersion = good;
    badVersion[8] = 'X';
    EXPECT_EQ(Load(model, badVersion), 1u);
    DestroyScene(model);
    Blocks noScene;
    noScene.Version();
    EXPECT_EQ(Load(model, noScene.b), 1u);
    DestroyScene(model);
    std::string printed;
    SetDebugSink([&printed](const std::string& text) { printed += text; });
    Blocks swapped;
    swapped.U32(0xE8030000u).U32(0x0B000000u);
    EXPECT_EQ(Load(model, swapped.b), 1u);
    SetDebugSink(nullptr);
    EXPECT_NE(printed.find("Endianness mismatch"), std::string::npos);
    DestroyScene(model);
    DestroyScene(source);
}

TEST(PodReader, TrailingBlocksAreRead)
{
    PodModel source{};
    podtest::BuildScene(source);
    std::vector<uint8_t> bytes = Save(source);
    DestroyScene(source);
    Blocks tail;
    tail.Marker(1003, 2).b.push_back('h');
    tail.b.push_back(0);
    tail.Marker(4242, 0);
    bytes.insert(bytes.end(), tail.b.begin(), tail.b.end());
    PodModel model{};
    EXPECT_EQ(Load(model, bytes), 0u);
    DestroyScene(model);
}

TEST(PodReader, CopyAndAdopt)
{
    PodModel source{};
    podtest::BuildScene(source);
    ASSERT_EQ(source.SetUpFrameState(), 0u);
    PodModel copy{};
    ASSERT_EQ(CopyScene(copy, source), 0u);
    EXPECT_NE(copy.nodes, source.nodes);
    EXPECT_NE(copy.nodes[3].position, source.nodes[3].position);
    EXPECT_STREQ(copy.nodes[3].name, "bone");
    EXPECT_NE(copy.meshes[0].texCoords[0].data, source.meshes[0].texCoords[0].data);
    EXPECT_EQ(Save(copy), Save(source));

    PodModel adopted{};
    ASSERT_EQ(AdoptScene(adopted, source), 0u);
    EXPECT_EQ(adopted.nodes, source.nodes);
    EXPECT_EQ(adopted.frameState->borrowed, 1);
    DestroyScene(adopted); // leaves the arrays to the source
    EXPECT_EQ(adopted.nodes, nullptr);
    EXPECT_STREQ(source.nodes[0].name, "ship");

    PodDataChannel channel{};
    ASSERT_TRUE(CopyChannel(channel, source.meshes[0].positions));
    EXPECT_EQ(channel.size, 36u);
    ResetChannel(channel);
    EXPECT_EQ(channel.type, uint32_t(kPodFloat));
    EXPECT_EQ(channel.components, 0u);
    EXPECT_EQ(channel.data, nullptr);
    DestroyScene(copy);
    DestroyScene(source);
}

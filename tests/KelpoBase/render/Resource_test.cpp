#include "KelpoBase/render/Resource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "KelpoBase/core/DataStream.h"
#include "KelpoBase/render/Surface.h"

namespace
{
int gDestroyed = 0;
int gLoaded = 0;

class cThing : public cResource
{
    KELPO_DECLARE_CLASS(cThing, cResource)
public:
    explicit cThing(std::string from = std::string()) : path(std::move(from)) {}
    ~cThing() override { ++gDestroyed; }
    void OnLoaded() override { ++gLoaded; }
    std::string path;
};

// A texture atlas stand-in: one rectangle per path, recorded calls.
char gRectStorage[16];
std::vector<std::string> gAtlasCalls;

class cFakeAtlas : public cResourceAtlas
{
public:
    ~cFakeAtlas() override { gAtlasCalls.push_back("destroy"); }
    ImageRect* AddImage(const std::string& path) override
    {
        gAtlasCalls.push_back("add " + path);
        if (path.find("missing") != std::string::npos)
            return nullptr;
        return reinterpret_cast<ImageRect*>(&gRectStorage[path.size() % 16]);
    }
    void Build() override { gAtlasCalls.push_back("build"); }
    void UploadPages(bool freeSurfaces) override { gAtlasCalls.push_back(freeSurfaces ? "upload free" : "upload"); }
    void ReleaseTextures() override { gAtlasCalls.push_back("release"); }
};
cResourceAtlas* MakeFakeAtlas() { return new cFakeAtlas(); }

std::vector<std::pair<uint32_t, uint32_t>> gReports;
void RecordProgress(uint32_t count, uint32_t total) { gReports.emplace_back(count, total); }

// A tiny TGA file: 1 x 1, 24 bits.
void WriteTga(const std::string& path)
{
    const unsigned char bytes[21] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0x20, 1, 2, 3};
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof(bytes));
}
void Touch(const std::string& path) { std::ofstream(path, std::ios::binary) << "x"; }

class ResourceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        gDestroyed = 0;
        gLoaded = 0;
        gReports.clear();
        gAtlasCalls.clear();
        SetResourceAtlasFactory(MakeFakeAtlas);
        SetProgressCallback(RecordProgress);
        ResetLoadCount();
        SetCurrentResourceGroup(nullptr);
    }
    void TearDown() override
    {
        ReleaseAllResourceGroups();
        SetProgressCallback(nullptr);
        SetLoadCountOnly(false);
        SetLoadStopped(false);
        SetResourceAtlasFactory(nullptr);
        SetTextureFileLoader(nullptr, nullptr);
        SetModelLoader(nullptr, nullptr, nullptr);
        SetMultiSpriteLoader(nullptr);
        SetSoundByteSize(nullptr, nullptr);
    }
};
} // namespace

TEST_F(ResourceTest, ClassRecords)
{
    cResource plain;
    EXPECT_EQ(plain.GetClassInfo()->name, "cResource");
    EXPECT_EQ(plain.GetClassInfo()->parent, cKelpoObj::StaticClassInfo());
    EXPECT_EQ(plain.userWord, 0u);
    cThing thing;
    EXPECT_TRUE(thing.IsKindOf(cResource::StaticClassInfo()));
}

TEST_F(ResourceTest, GroupsAreSelectedFoundAndDestroyed)
{
    cResourceGroup* game = SelectResourceGroup("Game");
    ASSERT_NE(game, nullptr);
    EXPECT_EQ(GetCurrentResourceGroup(), game);
    EXPECT_EQ(FindResourceGroup("Game"), game);
    EXPECT_EQ(game->name, "Game");
    EXPECT_EQ(game->uploaded, 0);
    EXPECT_NE(game->atlas, nullptr);
    EXPECT_FALSE(game->IsEmpty());

    cResourceGroup* hud = SelectResourceGroup("Hud");
    EXPECT_NE(hud, game);
    EXPECT_EQ(SelectResourceGroup("Game"), game);
    EXPECT_EQ(GetResourceGroupMap().size(), 2u);

    // Destroying the current group leaves no current group and no map entry.
    delete game;
    EXPECT_EQ(GetCurrentResourceGroup(), nullptr);
    EXPECT_EQ(FindResourceGroup("Game"), nullptr);
    cResourceGroup* fresh = SelectResourceGroup("Game");
    EXPECT_NE(FindResourceGroup("Game"), nullptr);
    EXPECT_TRUE(fresh->resources.empty());

    // A group constructed under a taken name replaces the map entry; destroying the
    // replaced group must not remove the newer one's entry.
    cResourceGroup* newer = new cResourceGroup("Hud");
    EXPECT_EQ(FindResourceGroup("Hud"), newer);
    delete hud;
    EXPECT_EQ(FindResourceGroup("Hud"), newer);

    ReleaseAllResourceGroups();
    EXPECT_TRUE(GetResourceGroupMap().empty());
    ReleaseAllResourceGroups(); // empty: nothing happens
    EXPECT_TRUE(GetResourceGroupMap().empty());
}

TEST_F(ResourceTest, GroupsOwnTheirResources)
{
    cResourceGroup* group = SelectResourceGroup("Frontend");
    EXPECT_TRUE(AddToCurrentGroup(new cThing()));
    group->Register("b", new cThing());
    EXPECT_EQ(group->resources.size(), 2u);
    EXPECT_NE(FindInCurrentGroup("b"), nullptr);
    EXPECT_EQ(FindInCurrentGroup("a"), nullptr);

    group->Finish();
    EXPECT_EQ(gLoaded, 2);
    group->UploadTextures(false);
    group->UploadTextures(false);
    EXPECT_EQ(group->uploaded, 1);
    group->ReleaseTextures();
    EXPECT_EQ(group->uploaded, 0);
    EXPECT_EQ(gAtlasCalls, (std::vector<std::string>{"build", "upload", "release"}));

    delete group;
    EXPECT_EQ(gDestroyed, 2);
    EXPECT_EQ(gAtlasCalls.back(), "destroy");

    // Without a current group nothing is kept, and nothing leaks.
    SetCurrentResourceGroup(nullptr);
    EXPECT_FALSE(AddToCurrentGroup(new cThing()));
    EXPECT_EQ(gDestroyed, 3);
}

TEST_F(ResourceTest, LoadSurfaceCachesCountsAndReports)
{
    WriteTga("dot.tga");
    SelectResourceGroup("Global");
    cSurface* first = LoadSurface("dot.tga");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetPixel(0, 0), 0x010203u);
    cSurface* second = LoadSurface("dot.tga");
    EXPECT_EQ(second, first);
    EXPECT_EQ(GetLoadCount(), 2u);
    EXPECT_EQ(gReports, (std::vector<std::pair<uint32_t, uint32_t>>{{1, 0}}));

    // A failed load still counts and reports.
    EXPECT_EQ(LoadSurface("missing.tga"), nullptr);
    EXPECT_EQ(GetLoadCount(), 3u);
    EXPECT_EQ(gReports.size(), 2u);
    SetLoadTotal(9);
    EXPECT_EQ(LoadSurface("missing.tga"), nullptr);
    EXPECT_EQ(gReports.back(), (std::pair<uint32_t, uint32_t>{4, 9}));
    SetLoadTotal(0);

    // The name cache answers only for the kind asked for.
    WriteTga("thing.tga");
    GetCurrentResourceGroup()->Register("thing.tga", new cThing());
    cSurface* surface = LoadSurface("thing.tga");
    ASSERT_NE(surface, nullptr);
    EXPECT_TRUE(surface->IsKindOf(cSurface::StaticClassInfo()));

    // With no current group a loader loads nothing but still counts.
    SetCurrentResourceGroup(nullptr);
    const uint32_t before = GetLoadCount();
    EXPECT_EQ(LoadSurface("dot.tga"), nullptr);
    EXPECT_EQ(GetLoadCount(), before + 1);
}

namespace
{
std::vector<std::string> gTexturePaths;
cResource* FakeTexture(const std::string& path, uint32_t flags)
{
    gTexturePaths.push_back(path + " " + std::to_string(flags));
    return new cThing(path);
}

cResource* ModelLoadingTextures(const std::string& name)
{
    // A composite file: its own loads count but do not report.
    LoadTexture(name + "_a.png", 0);
    LoadTexture(name + "_b.png", 0);
    return new cThing(name);
}
} // namespace

TEST_F(ResourceTest, LoadTextureFollowsTheImageLookupOrder)
{
    gTexturePaths.clear();
    SetTextureFileLoader(FakeTexture, cThing::StaticClassInfo());
    SelectResourceGroup("Game");
    Touch("both.pvr");
    Touch("both.jp2");
    Touch("only.jp2");
    ASSERT_NE(LoadTexture("both.png", 1), nullptr);
    ASSERT_NE(LoadTexture("only.png", 0), nullptr);
    ASSERT_NE(LoadTexture("plain.png", 0), nullptr);
    EXPECT_EQ(gTexturePaths, (std::vector<std::string>{"both.pvr 17", "only.jp2 16", "plain.png 16"}));

    // The same name again: the first object, counted, not reported.
    const size_t reports = gReports.size();
    cResource* again = LoadTexture("both.png", 1);
    EXPECT_EQ(static_cast<cThing*>(again)->path, "both.pvr");
    EXPECT_EQ(gTexturePaths.size(), 3u);
    EXPECT_EQ(gReports.size(), reports);
    EXPECT_EQ(GetLoadCount(), 4u);

    // An empty name counts and returns null.
    EXPECT_EQ(LoadTexture("", 0), nullptr);
    EXPECT_EQ(GetLoadCount(), 5u);

    EXPECT_EQ(ChooseImagePath("dir.v2/name"), "dir.v2/name");
    EXPECT_EQ(ReplaceExtension("dir.v2/name", "pvr"), "dir.v2/name.pvr");
    EXPECT_EQ(ReplaceExtension("a/b.c.png", "jp2"), "a/b.c.jp2");
}

TEST_F(ResourceTest, SuspendedReadersCountAsOneLoad)
{
    gTexturePaths.clear();
    SetTextureFileLoader(FakeTexture, cThing::StaticClassInfo());
    SetModelLoader(ModelLoadingTextures, nullptr, cThing::StaticClassInfo());
    SelectResourceGroup("Game");
    cResource* model = LoadModel("ship");
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(gTexturePaths.size(), 2u);
    EXPECT_EQ(GetLoadCount(), 1u);
    EXPECT_EQ(gReports, (std::vector<std::pair<uint32_t, uint32_t>>{{1, 0}}));
    EXPECT_EQ(GetProgressCallback(), &RecordProgress);
    // Two textures and the model, all owned by the group.
    EXPECT_EQ(GetCurrentResourceGroup()->resources.size(), 3u);

    // Unregistered kinds load nothing.
    EXPECT_EQ(LoadModelV2("ship2"), nullptr);
    EXPECT_EQ(LoadVemiScene("scene"), nullptr);
    EXPECT_EQ(LoadSound("s.ogg", 1.0f), nullptr);
    EXPECT_EQ(LoadFont("f.fnt"), nullptr);
    EXPECT_EQ(GetLoadCount(), 5u);
    EXPECT_EQ(LoadModelFromFile("no_such_model"), nullptr);
    EXPECT_EQ(GetLoadCount(), 5u);
}

namespace
{
cResource* FakeSprite(const std::string& name)
{
    LoadAtlasImage(name + "_tile.png");
    return new cThing(name);
}
uint32_t ThingSize(const cResource* r) { return uint32_t(static_cast<const cThing*>(r)->path.size()); }
} // namespace

TEST_F(ResourceTest, AtlasImagesAndMultiSprites)
{
    SetMultiSpriteLoader(FakeSprite);
    cResourceGroup* group = SelectResourceGroup("Hud");
    std::filesystem::create_directories("gfx");
    Touch("gfx/button.pvr");
    ImageRect* button = LoadAtlasImage("gfx/button.png");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(gAtlasCalls.back(), "add gfx/button.pvr");
    EXPECT_EQ(group->FindAtlasImage("button.pvr"), button);
    // Atlas rectangles are not resources: the resource name cache does not hold them.
    EXPECT_EQ(FindInCurrentGroup("button.pvr"), nullptr);
    EXPECT_EQ(LoadSurface("button.pvr"), nullptr);
    EXPECT_EQ(LoadAtlasImage("gfx/missing.png"), nullptr);
    EXPECT_EQ(GetLoadCount(), 3u);

    // The multi-sprite counts only through its tiles.
    cResource* sprite = LoadMultiSprite("spr");
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(GetLoadCount(), 4u);
    EXPECT_EQ(FindInCurrentGroup("spr"), sprite);
}

TEST_F(ResourceTest, CountingOnlyCountsAndStoppedLoadsNothing)
{
    gTexturePaths.clear();
    SetTextureFileLoader(FakeTexture, cThing::StaticClassInfo());
    SetMultiSpriteLoader(FakeSprite);
    cResourceGroup* group = SelectResourceGroup("Game");
    Touch("pic.png");

    // Counting only: every counted loader advances the counter and reads nothing; no
    // report; finishing the group does nothing.
    SetLoadCountOnly(true);
    EXPECT_EQ(LoadTexture("pic.png", 0), nullptr);
    EXPECT_EQ(LoadAtlasImage("pic.png"), nullptr);
    EXPECT_EQ(LoadSurface("pic.png"), nullptr);
    EXPECT_EQ(LoadGlaSetResource("scenes.cgla", ""), nullptr);
    EXPECT_EQ(LoadMultiSprite("spr"), nullptr);
    EXPECT_EQ(GetLoadCount(), 4u);
    FinishResourceGroup();
    EXPECT_TRUE(gTexturePaths.empty());
    EXPECT_TRUE(gReports.empty());
    EXPECT_TRUE(group->resources.empty());
    EXPECT_EQ(gAtlasCalls, std::vector<std::string>{});

    // Stopped: nothing is read or counted, and finishing does nothing (even with counting
    // cleared).
    SetLoadCountOnly(false);
    SetLoadStopped(true);
    EXPECT_EQ(LoadTexture("pic.png", 0), nullptr);
    EXPECT_EQ(LoadAtlasImage("pic.png"), nullptr);
    EXPECT_EQ(LoadMultiSprite("spr"), nullptr);
    EXPECT_EQ(GetLoadCount(), 4u);
    FinishResourceGroup();
    EXPECT_EQ(gAtlasCalls, std::vector<std::string>{});
    EXPECT_TRUE(IsLoadStopped());

    // Both cleared: loading as usual.
    SetLoadStopped(false);
    EXPECT_NE(LoadTexture("pic.png", 0), nullptr);
    EXPECT_NE(LoadAtlasImage("pic.png"), nullptr);
    FinishResourceGroup();
    EXPECT_EQ(gAtlasCalls, (std::vector<std::string>{"add pic.png", "build"}));
    EXPECT_EQ(GetLoadCount(), 6u);
    EXPECT_FALSE(IsLoadCountOnly());
}

TEST_F(ResourceTest, CollectResourcesOfClassOverUploadedGroups)
{
    SetSoundByteSize(ThingSize, cThing::StaticClassInfo());
    cResourceGroup* a = SelectResourceGroup("A");
    AddToCurrentGroup(new cThing("1234"));
    AddToCurrentGroup(new cSurface(1, 1));
    cResourceGroup* b = SelectResourceGroup("B");
    AddToCurrentGroup(new cThing("12"));
    EXPECT_EQ(GetSoundMemoryTotal(), 0u);
    a->UploadTextures(false);
    EXPECT_EQ(CollectResourcesOfClass(cThing::StaticClassInfo()).size(), 1u);
    EXPECT_EQ(CollectResourcesOfClass(cResource::StaticClassInfo()).size(), 2u);
    EXPECT_EQ(GetSoundMemoryTotal(), 4u);
    b->UploadTextures(true);
    EXPECT_EQ(GetSoundMemoryTotal(), 6u);
}

namespace
{
cSurface gShotA(2, 2);
cSurface gShotB(1, 1, kFormatRGB888);
std::vector<const cSurface*> ListSurfaces() { return {&gShotA, nullptr, &gShotB}; }
uint32_t ImageBytes() { return 1234; }
} // namespace

TEST_F(ResourceTest, ImageStatisticsThroughTheRegisteredList)
{
    EXPECT_EQ(GetImageMemoryTotal(), 0u);
    EXPECT_EQ(SaveAllImagesAsTGA(), 0u);
    SetImageStatistics(ImageBytes, ListSurfaces);
    EXPECT_EQ(GetImageMemoryTotal(), 1234u);
    EXPECT_EQ(SaveAllImagesAsTGA(), 2u);
    EXPECT_TRUE(std::filesystem::exists("Image0.tga"));
    EXPECT_TRUE(std::filesystem::exists("Image1.tga"));
    EXPECT_FALSE(std::filesystem::exists("Image2.tga"));
    EXPECT_EQ(std::filesystem::file_size("Image1.tga"), 18u + 3u);
    SetImageStatistics(nullptr, nullptr);
}

// Multi-sprites: the grid file, tiles loaded onto the atlas from the file's folder, tile
// offsets around the picture's centre, and the grid checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "FakeRenderer.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/MultiSprite.h"
#include "KelpoBase/render/Surface.h"
#include "KelpoBase/render/TextureAtlas.h"

namespace
{
void WriteText(const std::string& path, const std::string& text)
{
    if (std::filesystem::path(path).has_parent_path())
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

void WriteTile(const std::string& path, uint32_t w, uint32_t h)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    cSurface tile(w, h);
    ASSERT_TRUE(tile.SaveTGA(path));
}

class MultiSpriteTest : public testing::Test
{
protected:
    void SetUp() override
    {
        RegisterImageResourceLoaders();
        SelectResourceGroup("multi");
    }
    void TearDown() override { ReleaseAllResourceGroups(); }

    static cMultiSprite* Load(const std::string& path) { return ClassCast<cMultiSprite>(LoadMultiSprite(path)); }

    tvtest::ScopedFakeRenderer fake;
};
} // namespace

TEST_F(MultiSpriteTest, TwoColumnsOneRow)
{
    WriteTile("ms/left.tga", 100, 50);
    WriteTile("ms/right.tga", 100, 50);
    WriteText("ms/wide.txt", "200\r\n50\r\n2\r\n1\r\nleft.tga\r\nright.tga\r\n");
    cMultiSprite* sprite = Load("ms/wide.txt");
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(sprite->width, 200);
    EXPECT_EQ(sprite->columns, 2);
    ASSERT_EQ(sprite->frames.size(), 2u);
    ASSERT_NE(sprite->frames[0], nullptr);
    ASSERT_NE(sprite->frames[1], nullptr);
    EXPECT_NE(sprite->frames[0], sprite->frames[1]);
    EXPECT_FLOAT_EQ(sprite->offsets[0].x, -50.0f);
    EXPECT_FLOAT_EQ(sprite->offsets[0].y, 0.0f);
    EXPECT_FLOAT_EQ(sprite->offsets[1].x, 50.0f);
    // Cached under its name in the group.
    EXPECT_EQ(FindInCurrentGroup("ms/wide.txt"), sprite);
    // The tiles land on the atlas page when the group is finished.
    FinishResourceGroup();
    EXPECT_NE(sprite->frames[0]->image, nullptr);
}

TEST_F(MultiSpriteTest, OneColumnTwoRowsFromASubfolder)
{
    WriteTile("tall/tiles/top.tga", 64, 64);
    WriteTile("tall/tiles/bottom.tga", 64, 64);
    WriteText("tall/tall.txt", "  64\n+128\n1\n2\ntiles/top.tga\ntiles/bottom.tga");
    cMultiSprite* sprite = Load("tall/tall.txt");
    ASSERT_NE(sprite, nullptr);
    ASSERT_EQ(sprite->offsets.size(), 2u);
    EXPECT_FLOAT_EQ(sprite->offsets[0].x, 0.0f);
    EXPECT_FLOAT_EQ(sprite->offsets[0].y, -32.0f);
    EXPECT_FLOAT_EQ(sprite->offsets[1].y, 32.0f);
    EXPECT_EQ(sprite->frames[0]->h, 64);
}

TEST_F(MultiSpriteTest, MissingTilesEmptyAndBadGrids)
{
    // A missing tile leaves a null frame sized 0; the others are placed as usual.
    WriteTile("gap/b.tga", 40, 20);
    WriteText("gap/gap.txt", "80\n20\n2\n1\nmissing.tga\nb.tga\n");
    cMultiSprite* gap = Load("gap/gap.txt");
    ASSERT_NE(gap, nullptr);
    EXPECT_EQ(gap->frames[0], nullptr);
    EXPECT_FLOAT_EQ(gap->offsets[0].x, -40.0f);
    EXPECT_FLOAT_EQ(gap->offsets[1].x, -20.0f);

    // An empty column line: no tiles at all.
    WriteText("empty.txt", "10\n10\n\n3\n");
    cMultiSprite* empty = Load("empty.txt");
    ASSERT_NE(empty, nullptr);
    EXPECT_TRUE(empty->frames.empty());
    EXPECT_TRUE(empty->offsets.empty());

    EXPECT_EQ(Load("nothing.txt"), nullptr);
    // Grids the file cannot describe are refused before anything is sized by them.
    WriteText("negative.txt", "10\n10\n-2\n-3\na\nb\nc\nd\ne\nf\n");
    EXPECT_EQ(Load("negative.txt"), nullptr);
    WriteText("huge.txt", "10\n10\n2000000000\n2000000000\na\n");
    EXPECT_EQ(Load("huge.txt"), nullptr);
    WriteText("short.txt", "10\n10\n3\n3\na\n");
    EXPECT_EQ(Load("short.txt"), nullptr);
}

TEST(MultiSpriteReader, ReadsFromMemoryWithAnyTileLoader)
{
    // The loader is a plain function, so it records into statics; they outlast the test, and a
    // repeated run starts with them empty.
    static std::vector<std::string> asked;
    static ImageRect tile;
    asked.clear();
    tile.w = 30;
    tile.h = 10;
    const std::string text = "60\n10\n2\n1\nx.png\nsub/y.png\n";
    std::unique_ptr<cMultiSprite> sprite(cMultiSprite::ReadFromMemory(
        reinterpret_cast<const uint8_t*>(text.data()), text.size(), "art/big.txt", [](const std::string& path) {
            asked.push_back(path);
            return &tile;
        }));
    ASSERT_NE(sprite, nullptr);
    EXPECT_EQ(asked, (std::vector<std::string>{"art/x.png", "art/sub/y.png"}));
    EXPECT_FLOAT_EQ(sprite->offsets[0].x, -15.0f);
    EXPECT_FLOAT_EQ(sprite->offsets[1].x, 15.0f);
}

// Images: the global list and its ids, textures made and released through the renderer,
// texture flag keywords and the side file.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "FakeRenderer.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/Surface.h"

namespace
{
std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
} // namespace

TEST(Image, IdsAreReusedAfterAnImageDies)
{
    ASSERT_EQ(cImage::GetImageCount(), 0u);
    auto a = std::make_unique<cImage>();
    auto b = std::make_unique<cImage>();
    auto c = std::make_unique<cImage>();
    EXPECT_EQ(a->id, 0);
    EXPECT_EQ(b->id, 1);
    EXPECT_EQ(c->id, 2);
    auto d = std::make_unique<cImage>();
    EXPECT_EQ(d->id, 3);
    // Ids 0, 2, 3 alive, last 3: the candidate 4 exceeds the 3 live images, so the search
    // starts again at 0 (taken) and finds 1.
    b.reset();
    auto e = std::make_unique<cImage>();
    EXPECT_EQ(e->id, 1);
    EXPECT_EQ(cImage::GetImageCount(), 4u);
    EXPECT_EQ(cImage::GetImageList().front(), a.get());
    EXPECT_EQ(cImage::GetImageList().back(), e.get());
}

TEST(Image, ConstructorsTakeTheirSizes)
{
    auto* surface = new cSurface(5, 3, kFormatRGB888);
    surface->flipped = 1;
    cImage fromSurface(surface);
    EXPECT_EQ(fromSurface.width, 5u);
    EXPECT_EQ(fromSurface.height, 3u);
    EXPECT_EQ(fromSurface.bpp, 24u);
    EXPECT_EQ(fromSurface.byteSize, 45u);
    EXPECT_EQ(fromSurface.flipped, 1);
    EXPECT_EQ(fromSurface.surface, surface);
    EXPECT_FALSE(fromSurface.Is32Bit());

    cImage target(7, 4, 2);
    EXPECT_EQ(target.texture, 7u);
    EXPECT_EQ(target.byteSize, 24u);
    EXPECT_EQ(target.bpp, 24u);
    EXPECT_EQ(target.flipped, 1);
    EXPECT_EQ(target.surface, nullptr);
}

TEST(Image, TexturesThroughTheRenderer)
{
    tvtest::ScopedFakeRenderer fake;
    cSurface surface(4, 4);
    {
        std::unique_ptr<cImage> image(CreateImageTexture(&surface, 0x301));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->texture, 1u);
        EXPECT_EQ(image->bpp, 32u);
        EXPECT_EQ(image->byteSize, 64u);
        image->surface = nullptr; // the surface stays the test's
        // Released once: destroying it afterwards deletes nothing more.
        image->ReleaseTexture();
        EXPECT_EQ(image->texture, 0u);
        image->ReleaseTexture();
    }
    EXPECT_EQ(fake.renderer.deleted, std::vector<uint32_t>{1u});

    // No texture made: no image, and the surface is still the caller's.
    fake.renderer.failTextures = true;
    EXPECT_EQ(CreateImageTexture(&surface, 1), nullptr);

    // A missing file makes no texture.
    fake.renderer.failTextures = false;
    const int before = fake.renderer.createCalls;
    EXPECT_EQ(CreateTextureFromFile(1, "missing.png"), nullptr);
    EXPECT_EQ(fake.renderer.createCalls, before);

    // A picture file: the image keeps its name and no surface.
    cSurface picture(3, 2, kFormatRGBA8888);
    ASSERT_TRUE(picture.SaveTGA("pic.tga"));
    std::unique_ptr<cImage> loaded(CreateTextureFromFile(0x11, "pic.tga"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->name, "pic.tga");
    EXPECT_EQ(loaded->surface, nullptr);
    EXPECT_EQ(loaded->width, 3u);
    EXPECT_EQ(fake.renderer.lastFlags, 0x11u);

    // UploadSurface makes a clamped, linear texture and frees the surface when asked.
    cImage owner(new cSurface(2, 2));
    owner.UploadSurface(true);
    EXPECT_NE(owner.texture, 0u);
    EXPECT_EQ(owner.surface, nullptr);
    EXPECT_EQ(fake.renderer.lastFlags, 0x301u);
}

TEST(Image, TextureFlagKeywords)
{
    std::string extension = "PnG";
    ToLower(extension);
    EXPECT_EQ(extension, "png");

    EXPECT_EQ(TextureFlagsToString(0x301), "CLAMP|LINEAR_FILTER");
    EXPECT_EQ(TextureFlagsToString(0x102), "CLAMP_U|TRILINEAR_FILTER");
    EXPECT_EQ(TextureFlagsToString(0x203), "CLAMP_V|LINEAR_FILTER|TRILINEAR_FILTER");
    EXPECT_EQ(TextureFlagsToString(0x10), "");
    EXPECT_EQ(TextureFlagsToString(0), "");
}

TEST(Image, SideFileNamesTheImageAndItsFlags)
{
    ASSERT_TRUE(WriteTextureSideFile("sprite.png", 0x301));
    EXPECT_EQ(ReadFile("sprite.vemi_tex"), "sprite.png\nCLAMP|LINEAR_FILTER\n");
    // A folder that does not exist: nothing written, no crash.
    EXPECT_FALSE(WriteTextureSideFile("no/such/folder/sprite.png", 1));
}

// The texture atlas: the packer's pages (fits, does not fit, page halving, the 2-pixel
// margin, one format a page), pictures with their own texture, rectangles and texture
// coordinates after the build, edge extrusion and bleeding, uploads.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <set>

#include "FakeRenderer.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/Surface.h"
#include "KelpoBase/render/TextureAtlas.h"

namespace
{
struct PackCase
{
    const char* name;
    std::vector<std::pair<uint32_t, uint32_t>> sizes;
    std::vector<std::pair<uint32_t, uint32_t>> pages; // expected page sizes, in order
    size_t unplaced;
};

cSurface* Solid(uint32_t w, uint32_t h, uint32_t rgba, uint32_t format = kFormatRGBA8888)
{
    auto* s = new cSurface(w, h, format);
    if (format == kFormatRGBA8888)
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x)
                s->SetPixel(int32_t(x), int32_t(y), rgba);
    return s;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A PVR (version 2 header) picture in 5:6:5.
void WritePvr565(const std::string& path, uint32_t w, uint32_t h)
{
    std::vector<uint8_t> bytes(52 + size_t(w) * h * 2, 0x55);
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    put(0, 52);
    put(4, h);
    put(8, w);
    put(12, 0);
    put(16, 0x13);
    put(20, w * h * 2);
    put(24, 16);
    for (size_t at = 28; at < 44; at += 4)
        put(at, 0);
    std::memcpy(bytes.data() + 44, "PVR!", 4);
    put(48, 1);
    WriteBytes(path, bytes);
}
} // namespace

TEST(ImageRect, OriginGivesCoordinatesWhoseEndsAreStartPlusSize)
{
    cImage image;
    image.width = 100;
    image.height = 200;
    ImageRect r;
    r.image = &image;
    r.w = 4;
    r.h = 8;
    r.SetOrigin(1, 2);
    EXPECT_EQ(r.x, 1);
    EXPECT_EQ(r.y, 2);
    EXPECT_EQ(r.uMin, 1.0f / 100.0f);
    EXPECT_EQ(r.vMin, 2.0f / 200.0f);
    EXPECT_EQ(r.du, 4.0f / 100.0f);
    EXPECT_EQ(r.dv, 8.0f / 200.0f);
    // The end is start plus size, which here differs from (1 + 4) / 100 in the last bit.
    const float uStart = 1.0f / 100.0f, uSize = 4.0f / 100.0f;
    EXPECT_EQ(r.uMax, uStart + uSize);
    EXPECT_EQ(r.vMax, r.vMin + r.dv);

    r.ResetOrigin();
    EXPECT_EQ(r.x, 0);
    EXPECT_EQ(r.uMin, 0.0f);
    EXPECT_EQ(r.uMax, r.du);
    r.ClearImage();
    EXPECT_EQ(r.image, nullptr);
    r.SetOrigin(5, 5); // no image: the position is kept, the coordinates stay as they were
    EXPECT_EQ(r.x, 5);
    EXPECT_EQ(r.uMin, 0.0f);
}

TEST(AtlasPacker, PackingCases)
{
    const PackCase cases[] = {
        {"one picture takes the smallest halving that holds its cell", {{100, 50}}, {{128, 64}}, 0},
        {"a 64 x 64 picture fills the smallest page with its margin", {{64, 64}}, {{64, 64}}, 0},
        {"one pixel more than the smallest side doubles it", {{65, 64}}, {{128, 64}}, 0},
        // Of equal areas the first found wins: heights are tried from the largest.
        {"ten 30 x 30 pictures share one page", std::vector<std::pair<uint32_t, uint32_t>>(10, {30, 30}), {{64, 256}}, 0},
        {"a picture as wide as the page fits with its margin", {{2048, 10}}, {{2048, 64}}, 0},
        {"a picture one pixel wider than the page fits nowhere", {{2049, 10}, {10, 10}}, {{64, 64}}, 1},
        {"five 1000 x 1000 pictures: a full page and a halved one",
         std::vector<std::pair<uint32_t, uint32_t>>(5, {1000, 1000}),
         {{2048, 2048}, {1024, 1024}},
         0},
        {"two 1023 x 1023 pictures one above the other exactly fill 2048 with margins", {{1023, 1023}, {1023, 1023}},
         {{1024, 2048}},
         0},
    };
    for (const PackCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        TextureAtlasPacker packer(2048);
        for (const auto& [w, h] : c.sizes)
            packer.AddItem(new cSurface(w, h));
        packer.MakePages();
        ASSERT_EQ(packer.pages.size(), c.pages.size());
        for (size_t i = 0; i < c.pages.size(); ++i)
        {
            EXPECT_EQ(packer.pages[i]->GetWidth(), c.pages[i].first) << "page " << i;
            EXPECT_EQ(packer.pages[i]->GetHeight(), c.pages[i].second) << "page " << i;
        }
        size_t unplaced = 0;
        std::set<std::pair<int32_t, int32_t>> cells;
        for (const auto& item : packer.items)
        {
            if (item->page < 0)
            {
                ++unplaced;
                continue;
            }
            EXPECT_TRUE(cells.insert({item->page * 100000 + item->x, item->y}).second) << "cells overlap";
        }
        EXPECT_EQ(unplaced, c.unplaced);
        for (cSurface* page : packer.pages)
            delete page;
    }
}

TEST(AtlasPacker, CellsAreTwoPixelsLargerThanTheirPictures)
{
    TextureAtlasPacker packer(2048);
    for (int i = 0; i < 10; ++i)
        packer.AddItem(new cSurface(30, 30));
    packer.MakePages();
    ASSERT_EQ(packer.pages.size(), 1u);
    for (const auto& item : packer.items)
    {
        EXPECT_EQ(item->x % 32, 0);
        EXPECT_EQ(item->y % 32, 0);
    }
    for (cSurface* page : packer.pages)
        delete page;
}

TEST(AtlasPacker, PicturesOfAnotherFormatGetTheirOwnPage)
{
    // Mixed formats are never copied between formats (which would drop the picture):
    // each format packs onto pages of its own.
    TextureAtlasPacker packer(2048);
    auto* rgba = packer.AddItem(Solid(20, 20, 0xFF0000FFu));
    auto* la = packer.AddItem(new cSurface(40, 10, kFormatLA88));
    la->surface->GetPixels()[0] = 0x7F;
    packer.MakePages();
    ASSERT_EQ(packer.pages.size(), 2u);
    ASSERT_GE(rgba->page, 0);
    ASSERT_GE(la->page, 0);
    EXPECT_NE(rgba->page, la->page);
    EXPECT_EQ(packer.pages[size_t(rgba->page)]->GetFormat(), kFormatRGBA8888);
    EXPECT_EQ(packer.pages[size_t(la->page)]->GetFormat(), kFormatLA88);
    EXPECT_EQ(packer.pages[size_t(la->page)]->GetPixels()[0], 0x7F);
    EXPECT_EQ(packer.pages[size_t(rgba->page)]->GetPixel(rgba->x, rgba->y), 0xFF0000FFu);
    for (cSurface* page : packer.pages)
        delete page;
}

TEST(TextureAtlas, PicturesQueueBuildAndUpload)
{
    tvtest::ScopedFakeRenderer fake;
    cSurface red(100, 50);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            red.SetPixel(x, y, 0xFF0000FFu);
    ASSERT_TRUE(red.SaveTGA("red.tga"));
    cSurface rgb(10, 10, kFormatRGB888);
    ASSERT_TRUE(rgb.SaveTGA("rgb.tga"));

    cTextureAtlas atlas(2048);
    ImageRect* r = atlas.AddImage("red.tga");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(atlas.AddImage("red.tga"), r); // one rectangle per path
    EXPECT_EQ(r->image, nullptr);            // not placed before the build
    EXPECT_EQ(r->w, 100);
    EXPECT_EQ(r->h, 50);
    ImageRect* small = atlas.AddImage("rgb.tga"); // 24-bit: converted to 32 bits and queued
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(atlas.AddImage("missing.tga"), nullptr);

    atlas.Build();
    ASSERT_NE(r->image, nullptr);
    EXPECT_EQ(small->image, r->image); // one page for both
    const cImage* page = r->image;
    EXPECT_EQ(page->width, 128u);
    EXPECT_EQ(page->height, 64u);
    EXPECT_FLOAT_EQ(r->uMin, float(r->x) / 128.0f);
    EXPECT_FLOAT_EQ(r->uMax, float(r->x + 100) / 128.0f);
    EXPECT_FLOAT_EQ(r->vMin, float(r->y) / 64.0f);
    EXPECT_FLOAT_EQ(r->vMax, float(r->y + 50) / 64.0f);
    EXPECT_FLOAT_EQ(r->du, 100.0f / 128.0f);

    // The edge repeats one pixel outwards; beyond it transparent pixels take the colour
    // of their visible neighbours with alpha 0.
    const cSurface* s = page->surface;
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetPixel(r->x + 99, r->y), 0xFF0000FFu);
    EXPECT_EQ(s->GetPixel(r->x + 100, r->y), 0xFF0000FFu);
    EXPECT_EQ(s->GetPixel(r->x + 101, r->y + 10), 0x000000FFu);

    // A second build has nothing pending.
    const size_t images = atlas.images.size();
    atlas.Build();
    EXPECT_EQ(atlas.images.size(), images);

    atlas.UploadPages(true);
    EXPECT_EQ(fake.renderer.createCalls, 1);
    EXPECT_EQ(fake.renderer.lastFlags, 0x301u);
    EXPECT_EQ(page->surface, nullptr);
    atlas.UploadPages(true); // the surfaces are gone: nothing more to make
    EXPECT_EQ(fake.renderer.createCalls, 1);
    atlas.ReleaseTextures();
    EXPECT_EQ(fake.renderer.deleted.size(), 1u);
    EXPECT_EQ(page->texture, 0u);
}

TEST(TextureAtlas, OwnTexturesAndSizeLimits)
{
    tvtest::ScopedFakeRenderer fake;
    WritePvr565("tile565.pvr", 8, 8);
    cSurface full(256, 256);
    ASSERT_TRUE(full.SaveTGA("full.tga"));
    cSurface wider(257, 256);
    ASSERT_TRUE(wider.SaveTGA("wider.tga"));

    cTextureAtlas atlas(256);
    ImageRect* own = atlas.AddImage("tile565.pvr");
    ASSERT_NE(own, nullptr);
    ASSERT_NE(own->image, nullptr); // at once, without a build
    EXPECT_EQ(own->x, 0);
    EXPECT_EQ(own->y, 0);
    EXPECT_FLOAT_EQ(own->uMin, 0.0f);
    EXPECT_FLOAT_EQ(own->uMax, 1.0f);
    EXPECT_FLOAT_EQ(own->vMax, 1.0f);

    ImageRect* page = atlas.AddImage("full.tga"); // exactly the largest size: its own texture
    ASSERT_NE(page, nullptr);
    EXPECT_NE(page->image, nullptr);
    EXPECT_EQ(atlas.AddImage("wider.tga"), nullptr); // one pixel wider: refused
    EXPECT_EQ(atlas.images.size(), 2u);

    atlas.Build();
    atlas.UploadPages(false);
    EXPECT_EQ(fake.renderer.createCalls, 2);
    atlas.UploadPages(false); // already made: not made again (nothing leaks)
    EXPECT_EQ(fake.renderer.createCalls, 2);
}

TEST(TextureAtlas, LargeRendererLimitsStillPackOnPages)
{
    // A renderer limit above 2048 is lowered to the page size, so every queued picture
    // fits a page.
    cTextureAtlas atlas(8192);
    EXPECT_EQ(atlas.maxSize, 2048u);
}

TEST(TextureAtlas, GroupsLoadAtlasImagesThroughTheRegisteredFactory)
{
    tvtest::ScopedFakeRenderer fake;
    RegisterImageResourceLoaders();
    cSurface picture(16, 16);
    ASSERT_TRUE(picture.SaveTGA("sprite.tga"));
    cResourceGroup* group = SelectResourceGroup("atlas");
    ASSERT_NE(group->atlas, nullptr);
    ImageRect* rect = LoadAtlasImage("sprite.tga");
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(group->FindAtlasImage("sprite.tga"), rect);
    FinishResourceGroup();
    ASSERT_NE(rect->image, nullptr);
    EXPECT_EQ(rect->image->width, 64u);
    group->UploadTextures(true);
    EXPECT_NE(rect->image->texture, 0u);
    group->ReleaseTextures();
    EXPECT_EQ(rect->image->texture, 0u);
    ReleaseAllResourceGroups();
}

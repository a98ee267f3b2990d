// The texture atlas of a resource group: small pictures are collected as they load,
// packed onto a few page surfaces when the group is finished (each picture in a cell with
// a 2-pixel margin to its right and below, on the smallest page up to 2048 x 2048 that
// holds the pictures), and each page becomes one texture. Pictures that cannot share a
// page (compressed or 5:6:5 pictures, pictures as large as a page) get a texture of their
// own. Callers get an ImageRect at once; Build fills in its page and position later.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/render/Resource.h"

class cImage;
class cSurface;

// A picture's rectangle on the image whose texture holds it, with its texture
// coordinates (v counted from the image's first stored row).
struct ImageRect
{
    cImage* image = nullptr;
    int32_t x = 0, y = 0;
    int32_t w = 0, h = 0;
    float uMin = 0.0f, vMax = 0.0f, du = 0.0f, dv = 0.0f, uMax = 0.0f, vMin = 0.0f;

    // Stores the position, then the texture coordinates from the image's size.
    void SetOrigin(int32_t newX, int32_t newY);
    // x = y = 0, then the texture coordinates from the image's size.
    void ResetOrigin() { SetOrigin(0, 0); }
    // The texture coordinates from x, y, w, h and the image's size (nothing without an
    // image or with an empty one): the start and size of each axis, and its end as start
    // plus size.
    void ComputeTexCoords();
    // Forgets the image (the rectangle keeps its position and coordinates).
    void ClearImage() { image = nullptr; }
};

class TextureAtlasPacker
{
public:
    struct Item
    {
        cSurface* surface = nullptr; // owned until copied to its page
        int32_t x = 0, y = 0;
        int32_t page = -1; // index into pages once placed
    };
    struct PackNode
    {
        std::unique_ptr<PackNode> first, second;
        int32_t x = 0, y = 0, w = 0, h = 0;
        Item* item = nullptr;
    };
    struct AtlasPage
    {
        std::unique_ptr<PackNode> root;
        std::vector<Item*> items;
        uint32_t width = 0, height = 0, format = 0;
    };

    static constexpr int32_t kMargin = 2;
    static constexpr int32_t kSmallestSide = 64;

    explicit TextureAtlasPacker(int32_t pageSide = 2048) : pageSize(pageSide) {}
    ~TextureAtlasPacker();

    // Queues a surface (the packer owns it until it is copied onto its page).
    Item* AddItem(cSurface* surface);
    // Places every item on pages and makes the page surfaces (appended to `pages`, owned
    // by whoever takes them). Items of one page share one pixel format; an item that fits
    // no page (larger than the page size) is left unplaced (page -1) and its surface freed.
    void MakePages();

    // The leaf that now holds the item, or null when it does not fit.
    static PackNode* Insert(PackNode* node, Item* item);
    static void CopyToPage(PackNode* node, cSurface* page);
    static uint64_t UsedArea(const PackNode* node);
    // {0, 0, largest x + w, largest y + h} over the occupied leaves.
    static void UsedBounds(const PackNode* node, int32_t bounds[4]);

    std::vector<std::unique_ptr<Item>> items;
    std::vector<Item*> remaining;
    std::vector<cSurface*> pages;
    std::vector<AtlasPage> pageRecords;
    int32_t pageSize = 2048;
};

class cTextureAtlas : public cResourceAtlas
{
public:
    // maxSize from the renderer (2048 without one), never above the page size.
    cTextureAtlas();
    explicit cTextureAtlas(uint32_t maxTextureSize);
    ~cTextureAtlas() override;

    // The factory the resource layer calls for each new group.
    static cResourceAtlas* Create();

    ImageRect* AddImage(const std::string& path) override;
    // The same for a decoded surface (taken over); the path names it in the map.
    ImageRect* AddSurface(const std::string& path, cSurface* surface);
    void Build() override;
    void UploadPages(bool freeSurfaces) override;
    void ReleaseTextures() override;

    struct Pending
    {
        ImageRect* rect = nullptr;
        cSurface* surface = nullptr;
        TextureAtlasPacker::Item* item = nullptr;
    };

    std::vector<cImage*> images;
    std::vector<ImageRect*> rects;
    std::map<std::string, ImageRect*> names;
    uint32_t maxSize = 2048;
    std::vector<Pending> pending24;
    std::vector<Pending> pendingOther;

private:
    void BuildList(std::vector<Pending>& list);
};

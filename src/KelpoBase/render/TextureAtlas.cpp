#include "KelpoBase/render/TextureAtlas.h"

#include <algorithm>

#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/ImageDecoders.h"
#include "KelpoBase/render/Renderer.h"
#include "KelpoBase/render/Surface.h"

// ---- ImageRect ----

void ImageRect::ComputeTexCoords()
{
    if (image == nullptr || image->width == 0 || image->height == 0)
        return;
    const float W = float(image->width);
    const float H = float(image->height);
    uMin = float(x) / W;
    vMin = float(y) / H;
    du = float(w) / W;
    dv = float(h) / H;
    uMax = uMin + du;
    vMax = vMin + dv;
}

void ImageRect::SetOrigin(int32_t newX, int32_t newY)
{
    x = newX;
    y = newY;
    ComputeTexCoords();
}

// ---- TextureAtlasPacker ----

namespace
{
using Packer = TextureAtlasPacker;

std::unique_ptr<Packer::PackNode> MakeNode(int32_t x, int32_t y, int32_t w, int32_t h)
{
    auto node = std::make_unique<Packer::PackNode>();
    node->x = x;
    node->y = y;
    node->w = w;
    node->h = h;
    return node;
}

int32_t ItemWidth(const Packer::Item* item) { return int32_t(item->surface->GetWidth()); }
int32_t ItemHeight(const Packer::Item* item) { return int32_t(item->surface->GetHeight()); }
} // namespace

TextureAtlasPacker::~TextureAtlasPacker()
{
    // Surfaces never copied to a page (an unfinished packing) are still the packer's.
    for (auto& item : items)
        delete item->surface;
}

TextureAtlasPacker::Item* TextureAtlasPacker::AddItem(cSurface* surface)
{
    items.push_back(std::make_unique<Item>());
    Item* item = items.back().get();
    item->surface = surface;
    return item;
}

TextureAtlasPacker::PackNode* TextureAtlasPacker::Insert(PackNode* node, Item* item)
{
    const int32_t w = ItemWidth(item);
    const int32_t h = ItemHeight(item);
    while (node != nullptr)
    {
        if (node->first != nullptr)
        {
            if (PackNode* leaf = Insert(node->first.get(), item))
                return leaf;
            node = node->second.get();
            continue;
        }
        if (node->item != nullptr)
            return nullptr;
        if (w + kMargin > node->w || h + kMargin > node->h)
            return nullptr;
        if (node->w == w + kMargin && node->h == h + kMargin)
        {
            node->item = item;
            return node;
        }
        // Split along the larger leftover; the first child then fits in one direction.
        const int32_t dw = node->w - (w + kMargin);
        const int32_t dh = node->h - (h + kMargin);
        if (dw <= dh)
        {
            node->first = MakeNode(node->x, node->y, node->w, h + kMargin);
            node->second = MakeNode(node->x, node->y + h + kMargin, node->w, node->h - h - kMargin);
        }
        else
        {
            node->first = MakeNode(node->x, node->y, w + kMargin, node->h);
            node->second = MakeNode(node->x + w + kMargin, node->y, node->w - w - kMargin, node->h);
        }
        node = node->first.get();
    }
    return nullptr;
}

void TextureAtlasPacker::CopyToPage(PackNode* node, cSurface* page)
{
    if (node == nullptr)
        return;
    if (node->first != nullptr || node->second != nullptr)
    {
        CopyToPage(node->first.get(), page);
        CopyToPage(node->second.get(), page);
        return;
    }
    Item* item = node->item;
    if (item == nullptr || item->surface == nullptr)
        return;
    const int32_t w = ItemWidth(item);
    const int32_t h = ItemHeight(item);
    cSurface::Blit({0, 0, w, h}, item->surface, page, {node->x, node->y, w, h});
    cSurface::ExtrudeEdges({node->x, node->y, w, h}, page);
    delete item->surface;
    item->surface = nullptr;
    node->item = nullptr;
}

uint64_t TextureAtlasPacker::UsedArea(const PackNode* node)
{
    if (node == nullptr)
        return 0;
    if (node->first != nullptr || node->second != nullptr)
        return UsedArea(node->first.get()) + UsedArea(node->second.get());
    return node->item != nullptr ? uint64_t(node->w) * uint64_t(node->h) : 0;
}

void TextureAtlasPacker::UsedBounds(const PackNode* node, int32_t bounds[4])
{
    if (node == nullptr)
        return;
    if (node->first != nullptr || node->second != nullptr)
    {
        UsedBounds(node->first.get(), bounds);
        UsedBounds(node->second.get(), bounds);
        return;
    }
    if (node->item != nullptr)
    {
        bounds[2] = std::max(bounds[2], node->x + node->w);
        bounds[3] = std::max(bounds[3], node->y + node->h);
    }
}

void TextureAtlasPacker::MakePages()
{
    std::vector<Item*> sorted;
    sorted.reserve(items.size());
    for (auto& item : items)
        if (item->surface != nullptr)
            sorted.push_back(item.get());
    std::stable_sort(sorted.begin(), sorted.end(), [](const Item* a, const Item* b) {
        return ItemWidth(a) + ItemHeight(a) > ItemWidth(b) + ItemHeight(b);
    });
    remaining = sorted;

    while (!remaining.empty())
    {
        // A page holds one pixel format: pictures of another format wait for a page of
        // their own instead of being lost in a copy between formats.
        const uint32_t format = remaining.front()->surface->GetFormat();
        std::vector<Item*> candidates;
        {
            auto root = MakeNode(0, 0, pageSize + kMargin, pageSize + kMargin);
            for (Item* item : remaining)
                if (item->surface->GetFormat() == format && Insert(root.get(), item) != nullptr)
                    candidates.push_back(item);
        }
        if (candidates.empty())
        {
            // Larger than a page: it can go nowhere. Drop it rather than loop.
            Item* lost = remaining.front();
            delete lost->surface;
            lost->surface = nullptr;
            remaining.erase(remaining.begin());
            continue;
        }

        int32_t bestW = pageSize, bestH = pageSize;
        for (int32_t h = pageSize; h >= kSmallestSide; h /= 2)
        {
            for (int32_t w = pageSize; w >= kSmallestSide; w /= 2)
            {
                auto trial = MakeNode(0, 0, w + kMargin, h + kMargin);
                bool allFit = true;
                for (Item* item : candidates)
                    if (Insert(trial.get(), item) == nullptr)
                    {
                        allFit = false;
                        break;
                    }
                if (!allFit)
                    break;
                if (int64_t(w) * h < int64_t(bestW) * bestH)
                {
                    bestW = w;
                    bestH = h;
                }
            }
        }

        AtlasPage page;
        page.root = MakeNode(0, 0, bestW + kMargin, bestH + kMargin);
        page.width = uint32_t(bestW);
        page.height = uint32_t(bestH);
        page.format = format;
        for (Item* item : candidates)
        {
            PackNode* leaf = Insert(page.root.get(), item);
            if (leaf == nullptr)
                continue;
            item->x = leaf->x;
            item->y = leaf->y;
            page.items.push_back(item);
            remaining.erase(std::find(remaining.begin(), remaining.end(), item));
        }
        pageRecords.push_back(std::move(page));
    }

    for (AtlasPage& page : pageRecords)
    {
        auto* surface = new cSurface(page.width, page.height, page.format);
        CopyToPage(page.root.get(), surface);
        for (Item* item : page.items)
            item->page = int32_t(pages.size());
        pages.push_back(surface);
    }
}

// ---- cTextureAtlas ----

namespace
{
uint32_t RendererMaxSize()
{
    if (gRenderer != nullptr && gRenderer->maxTextureSize > 0)
        return uint32_t(gRenderer->maxTextureSize);
    return 2048;
}

// Formats that cannot share a page: 5:6:5, compressed, palette pictures and no pixels.
bool NeedsOwnTexture(uint32_t format)
{
    return (format >= kFormatRGB565 && format <= kFormatPVRTC4A) || format >= kFormatPalette8;
}
} // namespace

cTextureAtlas::cTextureAtlas() : cTextureAtlas(RendererMaxSize()) {}

cTextureAtlas::cTextureAtlas(uint32_t maxTextureSize)
    // Pages are at most 2048 a side; a larger renderer limit would let a queued picture
    // fit no page.
    : maxSize(std::min<uint32_t>(maxTextureSize == 0 ? 2048u : maxTextureSize, 2048u))
{
}

cTextureAtlas::~cTextureAtlas()
{
    for (cImage* image : images)
        delete image;
    images.clear();
    for (Pending& p : pending24)
        delete p.surface;
    for (Pending& p : pendingOther)
        delete p.surface;
    pending24.clear();
    pendingOther.clear();
    for (ImageRect* rect : rects)
        delete rect;
    rects.clear();
    names.clear();
}

cResourceAtlas* cTextureAtlas::Create() { return new cTextureAtlas(); }

ImageRect* cTextureAtlas::AddImage(const std::string& path)
{
    auto it = names.find(path);
    if (it != names.end())
        return it->second;
    return AddSurface(path, DecodeImageFile(path, kDecodeBottomUp));
}

ImageRect* cTextureAtlas::AddSurface(const std::string& path, cSurface* surface)
{
    if (surface == nullptr)
        return nullptr;
    auto it = names.find(path);
    if (it != names.end())
    {
        delete surface;
        return it->second;
    }
    const uint32_t w = surface->GetWidth();
    const uint32_t h = surface->GetHeight();
    if (NeedsOwnTexture(surface->GetFormat()) || (w == maxSize && h == maxSize))
    {
        auto* image = new cImage(surface);
        images.push_back(image);
        auto* rect = new ImageRect();
        rect->image = image;
        rect->w = int32_t(w);
        rect->h = int32_t(h);
        rect->ResetOrigin();
        rects.push_back(rect);
        names[path] = rect;
        return rect;
    }
    if (w > maxSize || h > maxSize || w == 0 || h == 0)
    {
        delete surface;
        return nullptr;
    }
    if ((surface->bpp & ~7u) != 32)
        surface->ConvertRGBToRGBA();
    auto* rect = new ImageRect();
    rect->w = int32_t(w);
    rect->h = int32_t(h);
    rects.push_back(rect);
    Pending record;
    record.rect = rect;
    record.surface = surface;
    (surface->bpp == 24 ? pending24 : pendingOther).push_back(record);
    names[path] = rect;
    return rect;
}

void cTextureAtlas::BuildList(std::vector<Pending>& list)
{
    if (list.empty())
        return;
    TextureAtlasPacker packer(2048);
    for (Pending& p : list)
    {
        p.item = packer.AddItem(p.surface);
        p.surface = nullptr; // the packer owns it now
    }
    packer.MakePages();
    std::vector<cImage*> pageImages;
    for (cSurface* page : packer.pages)
    {
        page->BleedIntoTransparent();
        auto* image = new cImage(page);
        images.push_back(image);
        pageImages.push_back(image);
    }
    for (Pending& p : list)
    {
        if (p.item->page >= 0 && size_t(p.item->page) < pageImages.size())
        {
            p.rect->image = pageImages[size_t(p.item->page)];
            p.rect->x = p.item->x;
            p.rect->y = p.item->y;
            p.rect->ComputeTexCoords();
        }
    }
    list.clear();
}

void cTextureAtlas::Build()
{
    BuildList(pendingOther);
    BuildList(pending24);
}

void cTextureAtlas::UploadPages(bool freeSurfaces)
{
    for (cImage* image : images)
    {
        // An image that already has its texture is not made again (that would lose it).
        if (image->surface == nullptr || image->texture != 0)
            continue;
        image->UploadSurface(freeSurfaces);
    }
}

void cTextureAtlas::ReleaseTextures()
{
    for (cImage* image : images)
        image->ReleaseTexture();
}

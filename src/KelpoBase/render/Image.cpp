#include "KelpoBase/render/Image.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "KelpoBase/render/Font.h"
#include "KelpoBase/render/ImageDecoders.h"
#include "KelpoBase/render/MultiSprite.h"
#include "KelpoBase/render/Renderer.h"
#include "KelpoBase/render/Surface.h"
#include "KelpoBase/render/TextureAtlas.h"

namespace
{
struct ImageList
{
    std::vector<cImage*> images;
    uint16_t lastId = 0xFFFF;
};

ImageList& List()
{
    static ImageList list;
    return list;
}

bool IdTaken(uint16_t id)
{
    for (const cImage* image : List().images)
        if (image->id == id)
            return true;
    return false;
}

uint32_t ImageMemory()
{
    uint32_t total = 0;
    for (const cImage* image : List().images)
        total += image->byteSize;
    return total;
}

std::vector<const cSurface*> ImageSurfaces()
{
    std::vector<const cSurface*> surfaces;
    for (const cImage* image : List().images)
        if (image->surface != nullptr)
            surfaces.push_back(image->surface);
    return surfaces;
}

cResource* LoadTextureFile(const std::string& path, uint32_t flags) { return CreateTextureFromFile(flags, path); }
} // namespace

void cImage::Enlist()
{
    ImageList& list = List();
    // The count is taken before the new image joins.
    const uint32_t live = uint32_t(list.images.size());
    uint32_t candidate = (uint32_t(list.lastId) + 1u) & 0xFFFFu;
    if (candidate > live)
        candidate = 0;
    // At most 65536 ids: with the list below that many one is always free.
    while (candidate <= 0xFFFFu && IdTaken(uint16_t(candidate)))
        ++candidate;
    id = uint16_t(candidate);
    list.lastId = id;
    list.images.push_back(this);
}

cImage::cImage() { Enlist(); }

cImage::cImage(cSurface* ownedSurface) : surface(ownedSurface)
{
    if (surface != nullptr)
    {
        width = surface->GetWidth();
        height = surface->GetHeight();
        bpp = surface->bpp;
        byteSize = surface->size;
        flipped = surface->flipped;
    }
    Enlist();
}

cImage::cImage(uint32_t textureId, uint32_t w, uint32_t h)
    : texture(textureId), width(w), height(h), bpp(24), byteSize(w * h * 3), flipped(1)
{
    Enlist();
}

cImage::~cImage()
{
    auto& images = List().images;
    auto it = std::find(images.begin(), images.end(), this);
    if (it != images.end())
        images.erase(it);
    ReleaseTexture();
    delete surface;
    surface = nullptr;
}

void cImage::UploadSurface(bool freeSurface)
{
    if (surface == nullptr)
        return;
    if (gRenderer != nullptr)
        texture = gRenderer->CreateTexture(surface, kTexAtlasPage);
    if (freeSurface)
    {
        delete surface;
        surface = nullptr;
    }
}

void cImage::ReleaseTexture()
{
    if (texture == 0)
        return;
    if (gRenderer != nullptr)
        gRenderer->DeleteTexture(texture);
    texture = 0;
}

const std::vector<cImage*>& cImage::GetImageList() { return List().images; }
uint32_t cImage::GetImageCount() { return uint32_t(List().images.size()); }

cImage* CreateImageTexture(cSurface* surface, uint32_t flags)
{
    if (surface == nullptr || gRenderer == nullptr)
        return nullptr;
    const uint32_t texture = gRenderer->CreateTexture(surface, flags);
    if (texture == 0)
        return nullptr;
    auto* image = new cImage();
    image->texture = texture;
    image->byteSize = surface->size;
    image->width = surface->GetWidth();
    image->height = surface->GetHeight();
    image->bpp = surface->bpp;
    image->flipped = surface->flipped;
    image->surface = surface;
    return image;
}

cImage* CreateTextureFromFile(uint32_t flags, const std::string& name)
{
    cSurface* surface = DecodeImageFile(name, flags);
    if (surface == nullptr)
        return nullptr;
    cImage* image = CreateImageTexture(surface, flags);
    if (image != nullptr)
    {
        image->name = name;
        image->surface = nullptr;
    }
    delete surface;
    return image;
}

std::string TextureFlagsToString(uint32_t flags)
{
    std::vector<const char*> words;
    if ((flags & kTexClamp) == kTexClamp)
        words.push_back("CLAMP");
    else
    {
        if (flags & kTexClampU)
            words.push_back("CLAMP_U");
        if (flags & kTexClampV)
            words.push_back("CLAMP_V");
    }
    if (flags & kTexLinearFilter)
        words.push_back("LINEAR_FILTER");
    if (flags & kTexTrilinearFilter)
        words.push_back("TRILINEAR_FILTER");
    std::string text;
    for (size_t i = 0; i < words.size(); ++i)
    {
        if (i != 0)
            text += '|';
        text += words[i];
    }
    return text;
}

bool WriteTextureSideFile(const std::string& imagePath, uint32_t flags)
{
    const std::string sidePath = ReplaceExtension(imagePath, "vemi_tex");
    const size_t slash = imagePath.find_last_of('/');
    std::string fileName = slash == std::string::npos ? imagePath : imagePath.substr(slash + 1);
    // The name's length is kept in one byte.
    fileName.resize(fileName.size() % 256);
    std::FILE* file = std::fopen(sidePath.c_str(), "wb");
    if (file == nullptr)
        return false;
    const std::string text = fileName + '\n' + TextureFlagsToString(flags) + '\n';
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

void ToLower(std::string& text)
{
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
}

void RegisterImageResourceLoaders()
{
    SetTextureFileLoader(&LoadTextureFile, cImage::StaticClassInfo());
    SetImageStatistics(&ImageMemory, &ImageSurfaces);
    SetResourceAtlasFactory(&cTextureAtlas::Create);
    SetFontLoader(&cFont::LoadResource);
    SetMultiSpriteLoader(&cMultiSprite::LoadResource);
}

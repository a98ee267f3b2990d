// cImage: a picture the renderer can draw (a texture id with the picture's size, the
// surface it was made from while that is kept, and a small id), the global image list,
// and the texture flag words with their keywords.
//
// Every live image is on one global list in order of construction; the list hands out
// the ids (unique among live images, reused after an image dies) and the statistics walk
// it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KelpoBase/render/Resource.h"

class cSurface;

// Texture flag bits given to the renderer's CreateTexture.
enum : uint32_t
{
    kTexLinearFilter = 0x1,     // "LINEAR_FILTER"
    kTexTrilinearFilter = 0x2,  // "TRILINEAR_FILTER"
    kTexRowsBottomUp = 0x10,    // set by LoadTexture; the decoders store rows bottom to top
    kTexClampU = 0x100,         // "CLAMP_U"
    kTexClampV = 0x200,         // "CLAMP_V"
    kTexClamp = 0x300,          // "CLAMP"
    kTexAtlasPage = 0x301,      // linear, clamped both ways: atlas pages and UploadSurface
};

class cImage : public cResource
{
    KELPO_DECLARE_CLASS(cImage, cResource)
public:
    // All fields 0, a new id, on the global list.
    cImage();
    // Takes ownership of the surface; size, bit depth, byte size and `flipped` from it.
    explicit cImage(cSurface* ownedSurface);
    // Around an existing texture (off-screen targets): 24 bits, rows bottom to top.
    cImage(uint32_t textureId, uint32_t w, uint32_t h);
    // Leaves the list, deletes its texture (when it has one) and its surface.
    ~cImage() override;

    // With a surface: texture = CreateTexture(surface, 0x301); the surface is then deleted
    // when freeSurface is true.
    void UploadSurface(bool freeSurface);
    // Deletes the texture (when there is one) and sets the id to 0.
    void ReleaseTexture();
    bool Is32Bit() const { return bpp == 32; }

    uint32_t texture = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bpp = 0;
    uint32_t byteSize = 0;
    std::string name;
    cSurface* surface = nullptr;
    uint16_t id = 0;
    uint8_t flipped = 0;

    // The live images, in order of construction.
    static const std::vector<cImage*>& GetImageList();
    static uint32_t GetImageCount();

private:
    void Enlist();
};

// The renderer's texture for the surface, wrapped in a new image that points at the
// surface (without owning a different one); null (surface still the caller's) when the
// renderer made no texture.
cImage* CreateImageTexture(cSurface* surface, uint32_t flags);
// Decodes the file and makes its texture; the image keeps the file name and no surface.
// Null when the file cannot be decoded or the texture cannot be made.
cImage* CreateTextureFromFile(uint32_t flags, const std::string& name);

// The keywords of the set bits joined with "|": "CLAMP" (both clamps) or "CLAMP_U" /
// "CLAMP_V", then "LINEAR_FILTER", then "TRILINEAR_FILTER"; empty when none is set.
std::string TextureFlagsToString(uint32_t flags);
// Writes <image path with extension "vemi_tex">: the image's file name, a line feed, the
// flag keywords, a line feed. False (nothing written) when the file cannot be opened.
bool WriteTextureSideFile(const std::string& imagePath, uint32_t flags);

// Lower-cases the text in place, character by character, by the current locale's
// classification (file extensions).
void ToLower(std::string& text);

// Registers the image, atlas, font and multi-sprite loaders and the image statistics with
// the resource layer. Start-up calls it once before any loading.
void RegisterImageResourceLoaders();

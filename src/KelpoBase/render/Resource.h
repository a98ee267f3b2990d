// Resources, resource groups and the loaders.
//
// Every loaded asset is a cResource owned by the resource group that was current when it
// was loaded; the group deletes its resources when it is destroyed. The loaders are free
// functions working on the current group; each counts itself in a global load counter and
// reports (counter, total) to an optional progress callback, which a loading screen uses
// to redraw itself.
//
// Kinds whose readers live in other parts of the engine or the game (images with their
// own texture, fonts, sounds, music, models, scene sets, multi-sprites and the texture
// atlas) are reached through the registration functions below, which their owners call
// at start-up; an unregistered kind loads nothing (null).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "KelpoBase/core/KelpoObj.h"

class cDataStream;
class cSurface;
struct ImageRect;

class cResource : public cKelpoObj
{
    KELPO_DECLARE_CLASS(cResource, cKelpoObj)
public:
    cResource() = default;
    ~cResource() override = default;

    // Called once for each resource of a group when the group is finished.
    virtual void OnLoaded() {}

    uint32_t userWord = 0; // 0 after construction; no resource operation reads it
};

// What a group needs of its texture atlas; the texture atlas implements it and registers
// a factory with SetResourceAtlasFactory. Without a factory a group has no atlas and
// atlas images load as null.
class cResourceAtlas
{
public:
    virtual ~cResourceAtlas() = default;
    // The picture's rectangle (one per path), or null when the picture cannot be read.
    virtual ImageRect* AddImage(const std::string& path) = 0;
    // Packs the pending pictures into pages.
    virtual void Build() = 0;
    virtual void UploadPages(bool freeSurfaces) = 0;
    virtual void ReleaseTextures() = 0;
};
using ResourceAtlasFactory = cResourceAtlas* (*)();
void SetResourceAtlasFactory(ResourceAtlasFactory factory);

class cResourceGroup
{
public:
    // An empty group with a new atlas; enters itself in the group map under its name.
    explicit cResourceGroup(const std::string& name);
    cResourceGroup(const cResourceGroup&) = delete;
    cResourceGroup& operator=(const cResourceGroup&) = delete;
    // Removes its own map entry (never another group's), deletes its resources in load
    // order and its atlas, and stops being the current group when it was. Renderer
    // textures are not released here: call ReleaseTextures first.
    ~cResourceGroup();

    void UploadTextures(bool freeSurfaces);
    void ReleaseTextures();
    // Packs the atlas, then calls OnLoaded on every resource in load order.
    void Finish();
    bool IsEmpty() const;

    // Appends the resource (the group owns it from now on) and records it under the name.
    void Register(const std::string& name, cResource* resource);
    // Appends the resource without a name.
    void Add(cResource* resource);
    // The atlas's rectangle for the path, recorded under the path's file name.
    ImageRect* AddAtlasImage(const std::string& path);

    // The resource recorded under the name when it is of the kind asked for (or derives
    // from it), else null: a name never hands back an object of another kind.
    cResource* Find(const std::string& name, const cClassInfo* kind) const;
    // The atlas rectangle recorded under the file name, or null.
    ImageRect* FindAtlasImage(const std::string& fileName) const;

    uint8_t uploaded = 0;
    std::string name;
    cResourceAtlas* atlas = nullptr;
    std::vector<cResource*> resources;
    std::map<std::string, cResource*> names;
    // Atlas rectangles are not resources: they live in their own map.
    std::map<std::string, ImageRect*> atlasNames;
};

// Group management.
cResourceGroup* SelectResourceGroup(const std::string& name);
cResourceGroup* FindResourceGroup(const std::string& name);
cResourceGroup* GetCurrentResourceGroup();
void SetCurrentResourceGroup(cResourceGroup* group);
void FinishResourceGroup();
void ReleaseAllResourceGroups();
const std::map<std::string, cResourceGroup*>& GetResourceGroupMap();
// The resource registered under the name in the current group, of any kind, or null.
cResource* FindInCurrentGroup(const std::string& name);
// Appends to the current group; with no current group the resource is deleted and false
// comes back, so that nothing is left without an owner.
bool AddToCurrentGroup(cResource* resource);

// A trace of the loading machinery for measuring tools (benchmarks): every counted loader
// reports its kind when it starts and when it ends, and a group's finish and upload report
// the group's name around their work. Nothing is traced while no hook is set.
enum class LoadTrace : uint8_t
{
    LoaderBegin, // what: the loader's kind ("sound", "atlas", "scene", ...)
    LoaderEnd,
    FinishBegin, // what: the group's name
    FinishEnd,
    UploadBegin,
    UploadEnd
};
using LoadTraceHook = void (*)(LoadTrace event, const char* what);
void SetLoadTraceHook(LoadTraceHook hook);

// Loading state.
using LoadProgressCallback = void (*)(uint32_t loadCount, uint32_t loadTotal);
void SetLoadTotal(uint32_t total);
uint32_t GetLoadTotal();
void SetProgressCallback(LoadProgressCallback callback);
LoadProgressCallback GetProgressCallback();
uint32_t GetLoadCount();
void ResetLoadCount();
// Counting only: every loader advances the counter and returns null without reading or
// reporting, and FinishResourceGroup does nothing (a pass that learns a load total).
void SetLoadCountOnly(bool countOnly);
bool IsLoadCountOnly();
// Stopped: every loader returns null at once, uncounted, and FinishResourceGroup does
// nothing. Screens and the level clear both flags before they load.
void SetLoadStopped(bool stopped);
bool IsLoadStopped();

// The file an image name resolves to: the name with its extension replaced by "pvr",
// then by "jp2", the first that exists as a loose file or a pack entry; else the name.
std::string ChooseImagePath(const std::string& name);
// The name with the text after its last '.' replaced (a '.' is added when it has none).
std::string ReplaceExtension(const std::string& name, const std::string& extension);

// Loaders. Every one works on the current group and returns null when there is none, and
// while loading counts only or is stopped (above).
cResource* LoadTexture(const std::string& name, uint32_t textureFlags);
ImageRect* LoadAtlasImage(const std::string& name);
cSurface* LoadSurface(const std::string& name);
cResource* LoadFont(const std::string& name);
cResource* LoadFontWithPage(const std::string& name, const std::string& pageName);
cResource* LoadSound(const std::string& name, float gain);
cResource* LoadMusic(const std::string& name);
cResource* LoadModel(const std::string& name);
cResource* LoadModelV2(const std::string& name);
cResource* LoadModelFromStream(cDataStream& stream);
cResource* LoadModelFromFile(const std::string& name);
cResource* LoadGlaSetResource(const std::string& path, const std::string& sceneName);
cResource* LoadVemiScene(const std::string& name);
cResource* LoadMultiSprite(const std::string& name);

// Registration points for the kinds read elsewhere. The class record given with a loader
// is the kind its name cache answers for.
using TextureFileLoader = cResource* (*)(const std::string& path, uint32_t textureFlags);
using FontLoader = cResource* (*)(const std::string& name, const std::string& pageName);
using SoundLoader = cResource* (*)(const std::string& name, float gain);
using NamedLoader = cResource* (*)(const std::string& name);
using StreamLoader = cResource* (*)(cDataStream& stream);
using GlaSetLoader = cResource* (*)(const std::string& path, const std::string& sceneName);
void SetTextureFileLoader(TextureFileLoader loader, const cClassInfo* imageClass);
void SetFontLoader(FontLoader loader);
void SetSoundLoader(SoundLoader loader);
void SetMusicLoader(NamedLoader loader);
void SetModelLoader(NamedLoader loader, StreamLoader streamLoader, const cClassInfo* modelClass);
void SetModelV2Loader(NamedLoader loader);
void SetGlaSetLoader(GlaSetLoader loader);
void SetVemiSceneLoader(NamedLoader loader);
void SetMultiSpriteLoader(NamedLoader loader);

// Statistics: every resource of the kind (or derived) over the groups whose textures are
// uploaded, in map order.
std::vector<cResource*> CollectResourcesOfClass(const cClassInfo* kind);
// The sum of a registered byte size over the sounds of uploaded groups.
using ResourceByteSize = uint32_t (*)(const cResource* resource);
void SetSoundByteSize(ResourceByteSize sizeOf, const cClassInfo* soundClass);
uint32_t GetSoundMemoryTotal();

// Images keep their own global list; its owner registers how to read it: the texture
// bytes of every live image, and the surfaces still held by live images, in list order.
using ImageMemoryCounter = uint32_t (*)();
using ImageSurfaceLister = std::vector<const cSurface*> (*)();
void SetImageStatistics(ImageMemoryCounter memory, ImageSurfaceLister surfaces);
uint32_t GetImageMemoryTotal();
// Writes each listed surface to "Image<n>.tga" in the working folder (n counts the saved
// images from 0); returns how many were written.
uint32_t SaveAllImagesAsTGA();

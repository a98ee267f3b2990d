#include "KelpoBase/render/Resource.h"

#include "KelpoBase/core/FileSystem.h"
#include "KelpoBase/core/ResourceFile.h"
#include "KelpoBase/render/ImageDecoders.h"
#include "KelpoBase/render/Surface.h"

namespace
{
struct LoadingState
{
    std::map<std::string, cResourceGroup*> groups;
    cResourceGroup* current = nullptr;
    uint32_t counter = 0;
    uint32_t total = 0;
    LoadProgressCallback callback = nullptr;
    bool countOnly = false;
    bool stopped = false;
};

LoadingState& State()
{
    static LoadingState state;
    return state;
}

struct Registrations
{
    ResourceAtlasFactory atlasFactory = nullptr;
    TextureFileLoader texture = nullptr;
    const cClassInfo* imageClass = nullptr;
    FontLoader font = nullptr;
    SoundLoader sound = nullptr;
    NamedLoader music = nullptr;
    NamedLoader model = nullptr;
    StreamLoader modelStream = nullptr;
    const cClassInfo* modelClass = nullptr;
    NamedLoader modelV2 = nullptr;
    GlaSetLoader glaSet = nullptr;
    NamedLoader vemiScene = nullptr;
    NamedLoader multiSprite = nullptr;
    ResourceByteSize soundSize = nullptr;
    const cClassInfo* soundClass = nullptr;
    ImageMemoryCounter imageMemory = nullptr;
    ImageSurfaceLister imageSurfaces = nullptr;
};

Registrations& Hooks()
{
    static Registrations hooks;
    return hooks;
}

LoadTraceHook gTraceHook = nullptr;

void Trace(LoadTrace event, const char* what)
{
    if (gTraceHook != nullptr)
        gTraceHook(event, what);
}

// One loader call, traced from its start to its end. A counted call advances the load
// counter first, except while loading is stopped. Proceeds() is false while loading is
// stopped or only counting: the loader then returns null at once.
class LoaderCall
{
public:
    explicit LoaderCall(const char* kind, bool counted = true) : mKind(kind)
    {
        LoadingState& s = State();
        if (counted && !s.stopped)
            ++s.counter;
        mProceeds = !s.stopped && !s.countOnly;
        Trace(LoadTrace::LoaderBegin, kind);
    }
    ~LoaderCall() { Trace(LoadTrace::LoaderEnd, mKind); }
    LoaderCall(const LoaderCall&) = delete;
    LoaderCall& operator=(const LoaderCall&) = delete;
    bool Proceeds() const { return mProceeds; }

private:
    const char* mKind;
    bool mProceeds = true;
};

// The last step of a loader, also after a failed load.
void Report()
{
    LoadingState& s = State();
    if (s.callback != nullptr)
        s.callback(s.counter, s.total);
}

// Runs a reader whose own nested loads count but report nothing.
template <class Reader>
cResource* RunSuspended(Reader reader)
{
    LoadingState& s = State();
    const LoadProgressCallback callback = s.callback;
    const uint32_t counter = s.counter;
    s.callback = nullptr;
    cResource* result = reader();
    s.counter = counter;
    s.callback = callback;
    return result;
}

// A cached resource of the kind asked for in the current group, or null.
cResource* Cached(const std::string& name, const cClassInfo* kind)
{
    cResourceGroup* group = State().current;
    if (group == nullptr || kind == nullptr)
        return nullptr;
    return group->Find(name, kind);
}

// Hands a fresh resource to the current group; null when it was deleted for want of one.
cResource* Keep(cResource* resource)
{
    if (resource == nullptr)
        return nullptr;
    return AddToCurrentGroup(resource) ? resource : nullptr;
}

cResource* KeepRegistered(const std::string& name, cResource* resource)
{
    if (resource == nullptr)
        return nullptr;
    if (State().current == nullptr)
    {
        delete resource;
        return nullptr;
    }
    State().current->Register(name, resource);
    return resource;
}
} // namespace

void SetResourceAtlasFactory(ResourceAtlasFactory factory) { Hooks().atlasFactory = factory; }
void SetLoadTraceHook(LoadTraceHook hook) { gTraceHook = hook; }

// ---- cResourceGroup ----

cResourceGroup::cResourceGroup(const std::string& groupName) : name(groupName)
{
    if (Hooks().atlasFactory != nullptr)
        atlas = Hooks().atlasFactory();
    State().groups[name] = this;
}

cResourceGroup::~cResourceGroup()
{
    LoadingState& s = State();
    auto it = s.groups.find(name);
    if (it != s.groups.end() && it->second == this)
        s.groups.erase(it);
    if (s.current == this)
        s.current = nullptr;
    for (cResource* resource : resources)
        delete resource;
    resources.clear();
    delete atlas;
    atlas = nullptr;
    names.clear();
    atlasNames.clear();
    name.clear();
}

void cResourceGroup::UploadTextures(bool freeSurfaces)
{
    if (uploaded != 0)
        return;
    Trace(LoadTrace::UploadBegin, name.c_str());
    if (atlas != nullptr)
        atlas->UploadPages(freeSurfaces);
    uploaded = 1;
    Trace(LoadTrace::UploadEnd, name.c_str());
}

void cResourceGroup::ReleaseTextures()
{
    if (uploaded != 1)
        return;
    if (atlas != nullptr)
        atlas->ReleaseTextures();
    uploaded = 0;
}

void cResourceGroup::Finish()
{
    // A copy: the name outlives whatever OnLoaded does.
    const std::string traced = name;
    Trace(LoadTrace::FinishBegin, traced.c_str());
    if (atlas != nullptr)
        atlas->Build();
    // OnLoaded may load more; index so that growth of the list is safe.
    for (size_t i = 0; i < resources.size(); ++i)
        if (resources[i] != nullptr)
            resources[i]->OnLoaded();
    Trace(LoadTrace::FinishEnd, traced.c_str());
}

bool cResourceGroup::IsEmpty() const { return atlas == nullptr && resources.empty(); }

void cResourceGroup::Register(const std::string& key, cResource* resource)
{
    Add(resource);
    names[key] = resource;
}

void cResourceGroup::Add(cResource* resource) { resources.push_back(resource); }

ImageRect* cResourceGroup::AddAtlasImage(const std::string& path)
{
    if (atlas == nullptr)
        return nullptr;
    ImageRect* rect = atlas->AddImage(path);
    const size_t slash = path.find_last_of('/');
    const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    if (rect != nullptr)
        atlasNames[fileName] = rect;
    return rect;
}

cResource* cResourceGroup::Find(const std::string& key, const cClassInfo* kind) const
{
    auto it = names.find(key);
    if (it == names.end() || it->second == nullptr)
        return nullptr;
    if (kind != nullptr && !it->second->IsKindOf(kind))
        return nullptr;
    return it->second;
}

ImageRect* cResourceGroup::FindAtlasImage(const std::string& fileName) const
{
    auto it = atlasNames.find(fileName);
    return it == atlasNames.end() ? nullptr : it->second;
}

// ---- Group management ----

cResourceGroup* SelectResourceGroup(const std::string& name)
{
    LoadingState& s = State();
    auto it = s.groups.find(name);
    s.current = it != s.groups.end() ? it->second : new cResourceGroup(name);
    return s.current;
}

cResourceGroup* FindResourceGroup(const std::string& name)
{
    auto it = State().groups.find(name);
    return it == State().groups.end() ? nullptr : it->second;
}

cResourceGroup* GetCurrentResourceGroup() { return State().current; }
void SetCurrentResourceGroup(cResourceGroup* group) { State().current = group; }

void FinishResourceGroup()
{
    const LoadingState& s = State();
    if (s.current != nullptr && !s.countOnly && !s.stopped)
        s.current->Finish();
}

void ReleaseAllResourceGroups()
{
    LoadingState& s = State();
    while (!s.groups.empty())
    {
        cResourceGroup* group = s.groups.begin()->second;
        const size_t before = s.groups.size();
        delete group;
        // A group always removes its own entry; never loop on one that did not.
        if (s.groups.size() == before)
            s.groups.erase(s.groups.begin());
    }
    s.groups.clear();
}

const std::map<std::string, cResourceGroup*>& GetResourceGroupMap() { return State().groups; }

cResource* FindInCurrentGroup(const std::string& name)
{
    return State().current ? State().current->Find(name, nullptr) : nullptr;
}

bool AddToCurrentGroup(cResource* resource)
{
    if (resource == nullptr)
        return false;
    if (State().current == nullptr)
    {
        delete resource;
        return false;
    }
    State().current->Add(resource);
    return true;
}

// ---- Loading state ----

void SetLoadTotal(uint32_t total) { State().total = total; }
uint32_t GetLoadTotal() { return State().total; }
void SetProgressCallback(LoadProgressCallback callback) { State().callback = callback; }
LoadProgressCallback GetProgressCallback() { return State().callback; }
uint32_t GetLoadCount() { return State().counter; }
void ResetLoadCount() { State().counter = 0; }
void SetLoadCountOnly(bool countOnly) { State().countOnly = countOnly; }
bool IsLoadCountOnly() { return State().countOnly; }
void SetLoadStopped(bool stopped) { State().stopped = stopped; }
bool IsLoadStopped() { return State().stopped; }

// ---- Image lookup ----

std::string ReplaceExtension(const std::string& name, const std::string& extension)
{
    const size_t dot = name.find_last_of('.');
    const size_t slash = name.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return name + "." + extension;
    return name.substr(0, dot + 1) + extension;
}

std::string ChooseImagePath(const std::string& name)
{
    const std::string pvr = ReplaceExtension(name, "pvr");
    if (ResourceFileExists(pvr))
        return pvr;
    const std::string jp2 = ReplaceExtension(name, "jp2");
    if (ResourceFileExists(jp2))
        return jp2;
    return name;
}

// ---- Loaders ----

cResource* LoadTexture(const std::string& name, uint32_t textureFlags)
{
    LoaderCall call("texture");
    if (!call.Proceeds())
        return nullptr;
    if (name.empty())
        return nullptr;
    textureFlags |= kDecodeBottomUp;
    const Registrations& hooks = Hooks();
    if (cResource* cached = Cached(name, hooks.imageClass))
        return cached;
    cResource* image = nullptr;
    if (hooks.texture != nullptr && State().current != nullptr)
        image = KeepRegistered(name, hooks.texture(ChooseImagePath(name), textureFlags));
    Report();
    return image;
}

ImageRect* LoadAtlasImage(const std::string& name)
{
    LoaderCall call("atlas");
    if (!call.Proceeds())
        return nullptr;
    ImageRect* rect = nullptr;
    if (State().current != nullptr)
        rect = State().current->AddAtlasImage(ChooseImagePath(name));
    Report();
    return rect;
}

cSurface* LoadSurface(const std::string& name)
{
    LoaderCall call("surface");
    if (!call.Proceeds())
        return nullptr;
    if (cResource* cached = Cached(name, cSurface::StaticClassInfo()))
        return static_cast<cSurface*>(cached);
    cSurface* surface = nullptr;
    if (State().current != nullptr)
        surface = static_cast<cSurface*>(KeepRegistered(name, DecodeImageFile(name, kDecodeSurface)));
    Report();
    return surface;
}

cResource* LoadFont(const std::string& name) { return LoadFontWithPage(name, ReplaceExtension(name, "png")); }

cResource* LoadFontWithPage(const std::string& name, const std::string& pageName)
{
    LoaderCall call("font");
    if (!call.Proceeds())
        return nullptr;
    cResource* font = nullptr;
    if (Hooks().font != nullptr && State().current != nullptr)
        font = Keep(Hooks().font(name, pageName));
    Report();
    return font;
}

cResource* LoadSound(const std::string& name, float gain)
{
    LoaderCall call("sound");
    if (!call.Proceeds())
        return nullptr;
    cResource* sound = nullptr;
    if (Hooks().sound != nullptr && State().current != nullptr)
        sound = Keep(Hooks().sound(name, gain));
    Report();
    return sound;
}

cResource* LoadMusic(const std::string& name)
{
    LoaderCall call("music");
    if (!call.Proceeds())
        return nullptr;
    cResource* music = nullptr;
    if (Hooks().music != nullptr && State().current != nullptr)
        music = Keep(Hooks().music(name));
    Report();
    return music;
}

cResource* LoadModel(const std::string& name)
{
    LoaderCall call("model");
    if (!call.Proceeds())
        return nullptr;
    const Registrations& hooks = Hooks();
    if (cResource* cached = Cached(name, hooks.modelClass))
        return cached;
    cResource* model = nullptr;
    if (hooks.model != nullptr && State().current != nullptr)
        model = Keep(RunSuspended([&] { return hooks.model(name); }));
    Report();
    return model;
}

cResource* LoadModelV2(const std::string& name)
{
    LoaderCall call("model");
    if (!call.Proceeds())
        return nullptr;
    cResource* model = nullptr;
    if (Hooks().modelV2 != nullptr && State().current != nullptr)
        model = Keep(RunSuspended([&] { return Hooks().modelV2(name); }));
    Report();
    return model;
}

cResource* LoadModelFromStream(cDataStream& stream)
{
    LoaderCall call("model");
    if (!call.Proceeds())
        return nullptr;
    cResource* model = nullptr;
    if (Hooks().modelStream != nullptr && State().current != nullptr)
        model = Keep(RunSuspended([&] { return Hooks().modelStream(stream); }));
    Report();
    return model;
}

cResource* LoadModelFromFile(const std::string& name)
{
    cResourceFile file;
    if (!file.OpenStream(name))
        return nullptr;
    return LoadModelFromStream(file);
}

cResource* LoadGlaSetResource(const std::string& path, const std::string& sceneName)
{
    LoaderCall call("scene");
    if (!call.Proceeds())
        return nullptr;
    cResource* set = nullptr;
    if (Hooks().glaSet != nullptr && State().current != nullptr)
        set = Keep(RunSuspended([&] { return Hooks().glaSet(path, sceneName); }));
    Report();
    return set;
}

cResource* LoadVemiScene(const std::string& name)
{
    LoaderCall call("vemi");
    if (!call.Proceeds())
        return nullptr;
    cResource* scene = nullptr;
    if (Hooks().vemiScene != nullptr && State().current != nullptr)
        scene = Keep(RunSuspended([&] { return Hooks().vemiScene(name); }));
    Report();
    return scene;
}

cResource* LoadMultiSprite(const std::string& name)
{
    // Not counted itself: its tiles count through LoadAtlasImage.
    LoaderCall call("multisprite", false);
    if (!call.Proceeds())
        return nullptr;
    cResource* sprite = nullptr;
    if (Hooks().multiSprite != nullptr && State().current != nullptr)
        sprite = KeepRegistered(name, Hooks().multiSprite(name));
    Report();
    return sprite;
}

// ---- Registration ----

void SetTextureFileLoader(TextureFileLoader loader, const cClassInfo* imageClass)
{
    Hooks().texture = loader;
    Hooks().imageClass = imageClass;
}
void SetFontLoader(FontLoader loader) { Hooks().font = loader; }
void SetSoundLoader(SoundLoader loader) { Hooks().sound = loader; }
void SetMusicLoader(NamedLoader loader) { Hooks().music = loader; }
void SetModelLoader(NamedLoader loader, StreamLoader streamLoader, const cClassInfo* modelClass)
{
    Hooks().model = loader;
    Hooks().modelStream = streamLoader;
    Hooks().modelClass = modelClass;
}
void SetModelV2Loader(NamedLoader loader) { Hooks().modelV2 = loader; }
void SetGlaSetLoader(GlaSetLoader loader) { Hooks().glaSet = loader; }
void SetVemiSceneLoader(NamedLoader loader) { Hooks().vemiScene = loader; }
void SetMultiSpriteLoader(NamedLoader loader) { Hooks().multiSprite = loader; }

// ---- Statistics ----

std::vector<cResource*> CollectResourcesOfClass(const cClassInfo* kind)
{
    std::vector<cResource*> found;
    for (const auto& entry : State().groups)
    {
        const cResourceGroup* group = entry.second;
        if (group == nullptr || group->uploaded == 0)
            continue;
        for (cResource* resource : group->resources)
            if (resource != nullptr && resource->IsKindOf(kind))
                found.push_back(resource);
    }
    return found;
}

void SetSoundByteSize(ResourceByteSize sizeOf, const cClassInfo* soundClass)
{
    Hooks().soundSize = sizeOf;
    Hooks().soundClass = soundClass;
}

uint32_t GetSoundMemoryTotal()
{
    const Registrations& hooks = Hooks();
    if (hooks.soundSize == nullptr || hooks.soundClass == nullptr)
        return 0;
    uint32_t total = 0;
    for (cResource* sound : CollectResourcesOfClass(hooks.soundClass))
        total += hooks.soundSize(sound);
    return total;
}

void SetImageStatistics(ImageMemoryCounter memory, ImageSurfaceLister surfaces)
{
    Hooks().imageMemory = memory;
    Hooks().imageSurfaces = surfaces;
}

uint32_t GetImageMemoryTotal() { return Hooks().imageMemory ? Hooks().imageMemory() : 0; }

uint32_t SaveAllImagesAsTGA()
{
    if (Hooks().imageSurfaces == nullptr)
        return 0;
    uint32_t saved = 0;
    for (const cSurface* surface : Hooks().imageSurfaces())
    {
        if (surface == nullptr)
            continue;
        std::string path = "Image" + std::to_string(saved) + ".tga";
        NormalisePath(path);
        if (surface->SaveTGA(path))
            ++saved;
    }
    return saved;
}

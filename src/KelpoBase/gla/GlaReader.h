// The ".cgla" scene file reader.
//
// A file is read whole into one cGlaSet, or one named scene is read together with the
// scenes its needed list names (one level deep), skipping the others by their size. The
// reader checks every count, length and code against the bytes it has: a truncated,
// corrupt or inconsistent file yields null (nothing of it is kept), never a partial set.
//
// Resources named in element records are loaded through the hooks below with the scene
// file's directory joined to the name; every key or field keeps the name as written
// beside the loaded resource (null when the load failed or no hook is set).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class cDataStream;
class cGlaSet;
class cResource;
class cSurface;
struct ImageRect;

// The version of the file being read, or of the last file read.
extern uint16_t GlaFileVersion;

// The resource loaders the reader calls, each given the full path (the scene file's
// directory joined with the name). They start as the resource layer's loaders; tests and
// tools replace them (a null hook leaves the resource null).
struct cGlaResourceHooks
{
    // Sprite-frame keys, the image of code-3 sprites and emitter images.
    ImageRect* (*loadAtlasImage)(const std::string& path);
    // Textured-polygon texture keys; called with flags 17.
    cResource* (*loadTexture)(const std::string& path, uint32_t flags);
    cSurface* (*loadSurface)(const std::string& path);
    cResource* (*loadMultiSprite)(const std::string& path);
    // Code-20 models (the name as written).
    cResource* (*loadModel)(const std::string& path);
    // Model-track keys (the name with its extension replaced by "vemimodel2").
    cResource* (*loadModelV2)(const std::string& path);
};

// Hooks that load nothing (every resource null): what the data tools use.
cGlaResourceHooks GlaNoResourceHooks();
// Replaces the hooks (all of them); returns the previous ones.
cGlaResourceHooks SetGlaResourceHooks(const cGlaResourceHooks& hooks);
const cGlaResourceHooks& GetGlaResourceHooks();

// Every scene of the file; null when the file cannot be opened or is malformed.
cGlaSet* LoadGlaSet(const std::string& path);
// One scene and the scenes its needed list names; an empty name loads every scene. A
// name that no scene has gives a set of the types alone.
cGlaSet* LoadGlaSetForScene(const std::string& path, const std::string& sceneName);
// Reads the whole stream (from its start) as a scene file; an empty wanted list reads
// every scene. Resource names are taken relative to the directory of the stream's name.
cGlaSet* ParseGlaSet(cDataStream& stream, const std::vector<std::string>& wanted);

// The same from bytes in memory; directory is the folder resource names are relative to.
cGlaSet* ParseGlaSetFromMemory(const uint8_t* data, size_t size, const std::vector<std::string>& wanted,
                               const std::string& directory);
cGlaSet* LoadGlaSetForSceneFromMemory(const uint8_t* data, size_t size, const std::string& sceneName,
                                      const std::string& directory);
// The wanted list of a one-scene load: the name, then its needed scenes in file order.
// False when the file is too damaged to search.
bool CollectGlaWantedScenes(const uint8_t* data, size_t size, const std::string& sceneName,
                            std::vector<std::string>& wanted);

// Makes LoadGlaSetResource of the resource layer read scene files with
// LoadGlaSetForScene (called once at start-up).
void RegisterGlaSetLoader();

// The path a resource named in a scene file of that directory is loaded from.
std::string GlaResourcePath(const std::string& directory, const std::string& name);

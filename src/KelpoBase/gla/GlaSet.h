// A Gla set: the in-memory form of one ".cgla" scene file.
//
// The set owns its scenes, object types and enumeration sets; a scene owns its elements
// and properties. Lookups by name compare whole strings exactly (case matters) and the
// first match in file order wins.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "KelpoBase/core/KelpoObj.h"
#include "KelpoBase/gla/GlaElement.h"
#include "KelpoBase/gla/GlaMaths.h"
#include "KelpoBase/gla/GlaProp.h"

#include "KelpoBase/render/Resource.h"

class cGlaSet;

// One field of an object type as the file lists it.
struct cGlaTypeField
{
    std::string name;
    uint8_t code = 0;
    // For code 8: the index of its enumeration in the set's enumSets; -1 otherwise.
    int32_t enumSet = -1;
};

// One entry of the file's type block (a plain record).
struct cGlaObjectType
{
    std::string name;
    // Field name to property code; a name listed twice keeps its last code.
    std::map<std::string, int32_t> fields;
    // The fields in file order, duplicates included (what a writer puts back).
    std::vector<cGlaTypeField> fieldList;
};

// The value names of one enumerated field, in file order.
class cGlaEnumSet : public cKelpoObj
{
    KELPO_DECLARE_CLASS(cGlaEnumSet, cKelpoObj)
public:
    std::vector<std::string> values;
};

class cGlaScene : public cKelpoObj
{
    KELPO_DECLARE_CLASS(cGlaScene, cKelpoObj)
public:
    cGlaScene() = default;
    ~cGlaScene() override;

    void AddSpriteElement(cGlaElement* element);
    void AddObjectElement(cGlaElement* element);
    void AddProp(cGlaProp* prop);

    cGlaProp* FindProp(const std::string& propName) const;
    cGlaElement* FindObjectElement(const std::string& elementName) const;
    cGlaElement* FindSpriteElement(const std::string& elementName) const;
    // The object element of that name, else the sprite element, else null.
    cGlaElement* FindElement(const std::string& elementName) const;

    cGlaSet* GetSet() const { return set; }
    cGlaObjectType* GetType() const { return type; }

    // Typed queries.
    // Copies the string property's value into out, or empties out.
    void GetStringProp(const std::string& propName, std::string& out) const;
    // Elements exactly of the class, object list order; each empties out first.
    void CollectGameObjs(const std::string& typeName, std::vector<cGlaElement*>& out) const;
    void CollectMarkers(std::vector<cGlaElement*>& out) const;
    void CollectZones(std::vector<cGlaElement*>& out) const;
    cGlaElementRectangle* FindRectangle(const std::string& elementName) const;

    cGlaObjectType* type = nullptr;
    std::vector<cGlaElement*> spriteElements;
    std::vector<cGlaElement*> objectElements;
    // Every element in file order (owns nothing).
    std::vector<cGlaElement*> elements;
    cGlaSet* set = nullptr;
    int32_t frameCount = 0;
    std::vector<cGlaProp*> props;
    float sceneValueA = 0.0f;
    float sceneValueB = 0.0f;
    float fps = 30.0f;
    uint32_t sceneWord = 0;

    // Kept for writing back: the scene's needed-scene names and its type name as read.
    std::vector<std::string> needed;
    std::string typeName;
};

class cGlaSet : public cResource
{
    KELPO_DECLARE_CLASS(cGlaSet, cResource)
public:
    cGlaSet() = default;
    ~cGlaSet() override;

    // Gives the scene this set as its owner and appends it.
    void AddScene(cGlaScene* scene);
    cGlaObjectType* FindType(const std::string& typeName) const;
    // Appends each scene whose type is set and named typeName; returns out's size.
    size_t CollectScenesOfType(const std::string& typeName, std::vector<cGlaScene*>& out) const;

    std::vector<cGlaScene*> scenes;
    std::vector<cGlaObjectType*> types;
    std::vector<cGlaEnumSet*> enumSets;

    // The header as read (what a writer puts back): version and the reserved word.
    uint16_t version = 10;
    uint16_t reserved = 0;
};

// The first scene of the set with that name, else null.
cGlaScene* FindObjectByName(const cGlaSet* set, const std::string& sceneName);

// The names of the scenes of a scene file, in file order, read through the resource
// layer. Leaves names as it was when the file cannot be opened; false then, or when the
// file is cut short (names then holds the names read before the damage).
bool ListGlaSceneNames(const std::string& path, std::vector<std::string>& names);
bool ListGlaSceneNamesFromMemory(const uint8_t* data, size_t size, std::vector<std::string>& names);

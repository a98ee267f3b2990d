#include "KelpoBase/gla/GlaSet.h"

#include <memory>

#include "KelpoBase/core/ResourceFile.h"
#include "KelpoBase/gla/GlaBytes.h"
#include "KelpoBase/gla/GlaReader.h"

cGlaScene::~cGlaScene()
{
    for (cGlaElement* element : spriteElements)
        delete element;
    for (cGlaElement* element : objectElements)
        delete element;
    for (cGlaProp* prop : props)
        delete prop;
}

void cGlaScene::AddSpriteElement(cGlaElement* element)
{
    element->scene = this;
    elements.push_back(element);
    spriteElements.push_back(element);
}

void cGlaScene::AddObjectElement(cGlaElement* element)
{
    element->scene = this;
    elements.push_back(element);
    objectElements.push_back(element);
}

void cGlaScene::AddProp(cGlaProp* prop)
{
    if (prop != nullptr)
        props.push_back(prop);
}

cGlaProp* cGlaScene::FindProp(const std::string& propName) const
{
    for (cGlaProp* prop : props)
        if (prop->name == propName)
            return prop;
    return nullptr;
}

namespace
{
cGlaElement* FindIn(const std::vector<cGlaElement*>& list, const std::string& elementName)
{
    for (cGlaElement* element : list)
        if (element->name == elementName)
            return element;
    return nullptr;
}
} // namespace

cGlaElement* cGlaScene::FindObjectElement(const std::string& elementName) const
{
    return FindIn(objectElements, elementName);
}

cGlaElement* cGlaScene::FindSpriteElement(const std::string& elementName) const
{
    return FindIn(spriteElements, elementName);
}

cGlaElement* cGlaScene::FindElement(const std::string& elementName) const
{
    cGlaElement* element = FindObjectElement(elementName);
    return element != nullptr ? element : FindSpriteElement(elementName);
}

cGlaSet::~cGlaSet()
{
    for (cGlaScene* scene : scenes)
        delete scene;
    for (cGlaObjectType* type : types)
        delete type;
    for (cGlaEnumSet* enumSet : enumSets)
        delete enumSet;
}

void cGlaSet::AddScene(cGlaScene* scene)
{
    scene->set = this;
    scenes.push_back(scene);
}

cGlaObjectType* cGlaSet::FindType(const std::string& typeName) const
{
    for (cGlaObjectType* type : types)
        if (type->name == typeName)
            return type;
    return nullptr;
}

size_t cGlaSet::CollectScenesOfType(const std::string& typeName, std::vector<cGlaScene*>& out) const
{
    for (cGlaScene* scene : scenes)
        if (scene->type != nullptr && scene->type->name == typeName)
            out.push_back(scene);
    return out.size();
}

cGlaScene* FindObjectByName(const cGlaSet* set, const std::string& sceneName)
{
    if (set == nullptr)
        return nullptr;
    for (cGlaScene* scene : set->scenes)
        if (scene->GetName() == sceneName)
            return scene;
    return nullptr;
}

bool ListGlaSceneNamesFromMemory(const uint8_t* data, size_t size, std::vector<std::string>& names)
{
    cGlaBytes in(data, size);
    GlaFileVersion = in.U16();
    in.U16();
    const uint32_t typeBlockSize = in.U32();
    in.Skip(typeBlockSize);
    const uint16_t count = in.U16();
    if (in.Failed())
        return false;
    names.assign(count, std::string());
    for (uint16_t i = 0; i < count; ++i)
    {
        const uint32_t recordSize = in.U32();
        const size_t end = in.Position() + recordSize;
        names[i] = in.Str();
        in.SeekTo(end);
        if (in.Failed())
        {
            names.resize(i);
            return false;
        }
    }
    return true;
}

bool ListGlaSceneNames(const std::string& path, std::vector<std::string>& names)
{
    cResourceFile file;
    if (!file.Open(path))
        return false;
    return ListGlaSceneNamesFromMemory(file.GetMemory(), file.GetMemorySize(), names);
}

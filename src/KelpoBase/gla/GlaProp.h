// Named, typed properties of Gla scenes and elements.
//
// Each kind carries the code it has in a scene file (GlaPropCode). The reference kinds keep
// the scene that was being read when they were made, and look their target up there when
// asked, so a reference may name something that comes later in the file.
#pragma once

#include <cstdint>
#include <string>

#include "KelpoBase/core/KelpoObj.h"
#include "KelpoBase/gla/GlaMaths.h"

class cGlaScene;
class cGlaElement;

// Property codes of the scene file. Code 9 is valid and carries no value.
enum GlaPropCode : uint8_t
{
    kGlaPropInt = 1,
    kGlaPropFloat = 2,
    kGlaPropRefElement = 3,
    kGlaPropRefScene = 4,
    kGlaPropRefTemplate = 5,
    kGlaPropString = 6,
    kGlaPropBool = 7,
    kGlaPropEnum = 8,
    kGlaPropNone = 9,
    kGlaPropRGBA = 10,
};

class cGlaProp : public cKelpoObj
{
    KELPO_DECLARE_CLASS(cGlaProp, cKelpoObj)
public:
    explicit cGlaProp(const std::string& propName) : name(propName) {}
    // The property's code in a scene file.
    virtual uint8_t Code() const = 0;

    std::string name;
};

class cGlaPropInt : public cGlaProp
{
    KELPO_DECLARE_CLASS(cGlaPropInt, cGlaProp)
public:
    cGlaPropInt(const std::string& propName, int32_t v) : cGlaProp(propName), value(v) {}
    uint8_t Code() const override { return kGlaPropInt; }
    int32_t GetValue() const { return value; }
    int32_t value;
};

class cGlaPropFloat : public cGlaProp
{
    KELPO_DECLARE_CLASS(cGlaPropFloat, cGlaProp)
public:
    cGlaPropFloat(const std::string& propName, float v) : cGlaProp(propName), value(v) {}
    uint8_t Code() const override { return kGlaPropFloat; }
    float GetValue() const { return value; }
    float value;
};

class cGlaPropString : public cGlaProp
{
    KELPO_DECLARE_CLASS(cGlaPropString, cGlaProp)
public:
    cGlaPropString(const std::string& propName, const std::string& v) : cGlaProp(propName), value(v) {}
    uint8_t Code() const override { return kGlaPropString; }
    const std::string& GetValue() const { return value; }
    std::string value;
};

class cGlaPropBool : public cGlaProp
{
    KELPO_DECLARE_CLASS(cGlaPropBool, cGlaProp)
public:
    cGlaPropBool(const std::string& propName, bool v) : cGlaProp(propName), value(v ? 1 : 0) {}
    uint8_t Code() const override { return kGlaPropBool; }
    bool GetValue() const { return value != 0; }
    uint8_t value;
};

class cGlaPropRGBA : public cGlaProp
{
    KELPO_DECLARE_CLASS(cGlaPropRGBA, cGlaProp)
public:
    cGlaPropRGBA(const std::string& propName, const cRGBA& v) : cGlaProp(propName), value(v) {}
    uint8_t Code() const override { return kGlaPropRGBA; }
    cRGBA GetValue() const { return value; }
    cRGBA value;
};

class cGlaPropEnum : public cGlaProp
{
    KELPO_DECLARE_CLASS(cGlaPropEnum, cGlaProp)
public:
    cGlaPropEnum(const std::string& propName, int32_t v) : cGlaProp(propName), value(v) {}
    uint8_t Code() const override { return kGlaPropEnum; }
    int32_t GetValue() const { return value; }
    int32_t value;
};

// The target name and owner scene that the three reference kinds share.
struct cGlaRefTarget
{
    cGlaRefTarget(cGlaScene* owner, const std::string& targetName) : target(targetName), scene(owner) {}
    std::string target;
    cGlaScene* scene;
};

class cGlaPropRefElement : public cGlaProp, public cGlaRefTarget
{
    KELPO_DECLARE_CLASS(cGlaPropRefElement, cGlaProp)
public:
    cGlaPropRefElement(cGlaScene* owner, const std::string& propName, const std::string& targetName)
        : cGlaProp(propName), cGlaRefTarget(owner, targetName)
    {
    }
    uint8_t Code() const override { return kGlaPropRefElement; }
    // The element of that name in the property's scene (object elements first), or null.
    cGlaElement* Resolve() const;
};

class cGlaPropRefScene : public cGlaProp, public cGlaRefTarget
{
    KELPO_DECLARE_CLASS(cGlaPropRefScene, cGlaProp)
public:
    cGlaPropRefScene(cGlaScene* owner, const std::string& propName, const std::string& targetName)
        : cGlaProp(propName), cGlaRefTarget(owner, targetName)
    {
    }
    uint8_t Code() const override { return kGlaPropRefScene; }
    // The first scene of that name in the property's set, or null.
    cGlaScene* Resolve() const;
};

class cGlaPropRefTemplate : public cGlaProp, public cGlaRefTarget
{
    KELPO_DECLARE_CLASS(cGlaPropRefTemplate, cGlaProp)
public:
    cGlaPropRefTemplate(cGlaScene* owner, const std::string& propName, const std::string& targetName)
        : cGlaProp(propName), cGlaRefTarget(owner, targetName)
    {
    }
    uint8_t Code() const override { return kGlaPropRefTemplate; }
};

// Typed property and element queries over a loaded scene. Class tests here are exact: a
// derived class does not answer for its base (a text box is not a rectangle, a zone is
// not a polygon).
#include "KelpoBase/gla/GlaSet.h"

namespace
{
template <class T, class Owner>
const T* FindExact(const Owner* owner, const std::string& propName)
{
    const cGlaProp* prop = owner->FindProp(propName);
    if (prop == nullptr || prop->GetClassInfo() != T::StaticClassInfo())
        return nullptr;
    return static_cast<const T*>(prop);
}

template <class T>
bool IsExactly(const cGlaElement* element)
{
    return element->GetClassInfo() == T::StaticClassInfo();
}
} // namespace

bool cGlaElement::GetBoolProp(const std::string& propName) const
{
    const auto* prop = FindExact<cGlaPropBool>(this, propName);
    return prop != nullptr && prop->GetValue();
}

int32_t cGlaElement::GetEnumProp(const std::string& propName) const
{
    const auto* prop = FindExact<cGlaPropEnum>(this, propName);
    return prop != nullptr ? prop->GetValue() : 0;
}

float cGlaElement::GetFloatProp(const std::string& propName) const
{
    const auto* prop = FindExact<cGlaPropFloat>(this, propName);
    return prop != nullptr ? prop->GetValue() : 0.0f;
}

cGlaElement* cGlaElement::GetRefElement(const std::string& propName) const
{
    const auto* prop = FindExact<cGlaPropRefElement>(this, propName);
    return prop != nullptr ? prop->Resolve() : nullptr;
}

cGlaElementPath* cGlaElement::GetPathProp(const std::string& propName) const
{
    cGlaElement* element = GetRefElement(propName);
    if (element == nullptr || !IsExactly<cGlaElementPath>(element))
        return nullptr;
    return static_cast<cGlaElementPath*>(element);
}

void cGlaScene::GetStringProp(const std::string& propName, std::string& out) const
{
    const auto* prop = FindExact<cGlaPropString>(this, propName);
    if (prop != nullptr)
        out = prop->GetValue();
    else
        out.clear();
}

void cGlaScene::CollectGameObjs(const std::string& typeName, std::vector<cGlaElement*>& out) const
{
    out.clear();
    for (cGlaElement* element : objectElements)
        if (IsExactly<cGlaElementGameObj>(element) && element->type != nullptr && element->type->name == typeName)
            out.push_back(element);
}

void cGlaScene::CollectMarkers(std::vector<cGlaElement*>& out) const
{
    out.clear();
    for (cGlaElement* element : objectElements)
        if (IsExactly<cGlaElementMarker>(element))
            out.push_back(element);
}

void cGlaScene::CollectZones(std::vector<cGlaElement*>& out) const
{
    out.clear();
    for (cGlaElement* element : objectElements)
        if (IsExactly<cGlaElementZone>(element))
            out.push_back(element);
}

cGlaElementRectangle* cGlaScene::FindRectangle(const std::string& elementName) const
{
    for (cGlaElement* element : objectElements)
        if (IsExactly<cGlaElementRectangle>(element) && element->name == elementName)
            return static_cast<cGlaElementRectangle*>(element);
    return nullptr;
}

#include "KelpoBase/gla/GlaElement.h"

#include "KelpoBase/gla/GlaSet.h"

cGlaElement::~cGlaElement()
{
    for (cGlaProp* prop : props)
        delete prop;
}

void cGlaElement::AddProp(cGlaProp* prop)
{
    if (prop != nullptr)
        props.push_back(prop);
}

cGlaProp* cGlaElement::FindProp(const std::string& propName) const
{
    for (cGlaProp* prop : props)
        if (prop->name == propName)
            return prop;
    return nullptr;
}

cRect2f cGlaElementRectangle::GetBounds() const
{
    const cVec2f p = position.GetValue(0);
    const cVec2f s = size.GetValue(0);
    cRect2f box;
    box.minX = p.x - s.x / 2.0f;
    box.minY = p.y - s.y / 2.0f;
    box.maxX = p.x + s.x / 2.0f;
    box.maxY = p.y + s.y / 2.0f;
    return box;
}

void cGlaElementPath::BuildPath()
{
    path = cPath();
    const cVec2f origin = position.GetValue(0);
    for (const cVec2f& p : points)
        path.AddPoint(p.x + origin.x, p.y + origin.y, 0.0f);
    path.Build(closed != 0);
}

cVec2f cGlaElementPath::GetPointAt(float t) const
{
    return path.PointAt2D(t);
}

cGlaElement* CreateGlaElement(uint8_t code)
{
    cGlaElement* element = nullptr;
    switch (code)
    {
    case kGlaSprite:
    case kGlaSpriteSimple:
    case kGlaSpriteStatic:
    case kGlaSpriteCropped:
    {
        auto* sprite = new cGlaElementSprite();
        sprite->kind = code == kGlaSpriteCropped ? 1u : code;
        sprite->cropped = code == kGlaSpriteCropped ? 1 : 0;
        element = sprite;
        break;
    }
    case kGlaPath: element = new cGlaElementPath(); break;
    case kGlaRectangle: element = new cGlaElementRectangle(); break;
    case kGlaGameObj: element = new cGlaElementGameObj(); break;
    case kGlaPoly: element = new cGlaElementPoly(); break;
    case kGlaMarker: element = new cGlaElementMarker(); break;
    case kGlaTextBox: element = new cGlaElementTextBox(); break;
    case kGlaScene: element = new cGlaElementScene(); break;
    case kGlaEvent: element = new cGlaElementEvent(); break;
    case kGlaMultiSprite: element = new cGlaElementMultiSprite(); break;
    case kGlaSurface: element = new cGlaElementSurface(); break;
    case kGlaZone: element = new cGlaElementZone(); break;
    case kGlaGroup: element = new cGlaElementGroup(); break;
    case kGlaPolyTextured: element = new cGlaElementPolyTextured(); break;
    case kGlaModel: element = new cGlaElementModel(); break;
    case kGlaAiPath: element = new cGlaElementAiPath(); break;
    case kGlaModelV2: element = new cGlaElementModelV2(); break;
    case kGlaParticleEmiter: element = new cGlaElementParticleEmiter(); break;
    default: return nullptr;
    }
    element->code = code;
    return element;
}

bool IsGlaSpriteCode(uint8_t code)
{
    switch (code)
    {
    case kGlaSprite:
    case kGlaSpriteSimple:
    case kGlaSpriteStatic:
    case kGlaSpriteCropped:
    case kGlaScene:
    case kGlaMultiSprite:
    case kGlaPolyTextured:
    case kGlaModel:
    case kGlaModelV2:
    case kGlaParticleEmiter:
        return true;
    default:
        return false;
    }
}

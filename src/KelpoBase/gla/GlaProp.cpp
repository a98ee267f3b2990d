#include "KelpoBase/gla/GlaProp.h"

#include "KelpoBase/gla/GlaSet.h"

cGlaElement* cGlaPropRefElement::Resolve() const
{
    return scene != nullptr ? scene->FindElement(target) : nullptr;
}

cGlaScene* cGlaPropRefScene::Resolve() const
{
    return scene != nullptr ? FindObjectByName(scene->set, target) : nullptr;
}

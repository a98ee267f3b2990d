#include "KelpoBase/gla/GlaController.h"

cGlaController* cGlaController::GetTopController()
{
    cGlaController* top = this;
    while (top->owner != nullptr)
        top = top->owner;
    return top;
}

cOrientedBox& cGlaControllerElement::GetBounds(cOrientedBox& out)
{
    out = cOrientedBox();
    out.centre = position;
    return out;
}

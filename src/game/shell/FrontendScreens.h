// Helpers shared by the front end's screen files.
#pragma once

#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/render/Gfx2D.h"
#include "game/shell/FrontendBase.h"

namespace frontend
{
// Up, down or activate on the scene (the first pressed of the three acts).
void FocusKeys(cGlaControllerScene* scene);
} // namespace frontend

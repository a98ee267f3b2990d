// The sample scene files of the data tree, built in code.
#pragma once

#include <vector>

#include "datagen/SceneKit.h"

namespace datagen
{
SceneFile BuildHudScenes();      // res/hud.mac.720p.cgla
SceneFile BuildFrontendScenes(); // res/frontend/frontend.mac.720p.cgla
SceneFile BuildComicScenes();    // res/comic/comic.cgla
SceneFile BuildMapScenes();      // res/maps/maps.mac.cgla

std::vector<SceneFile> BuildAllScenes();
} // namespace datagen

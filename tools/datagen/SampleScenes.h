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

// The maps file without its levels: the type block, the player rig, the shared object
// scenes and the scene bits, for a caller that adds level scenes of its own.
SceneFile BuildMapBase();
// Gives a level scene the needed list of the player rig (a one-scene load reads needed
// lists one level deep, so the rig's nested scenes are named too).
void NeedPlayerRig(Json& scene);

std::vector<SceneFile> BuildAllScenes();
} // namespace datagen

// Needed-scene lists for one-scene loading.
//
// A one-scene load reads the named scene and the scenes of its needed list, one level
// deep; every other scene reference then stays null. These helpers compute, for each
// scene, every scene it reaches through scene-reference properties and scene tracks,
// directly or through the scenes those reach, so that the list can be written whole.
#pragma once

#include <string>
#include <vector>

class cGlaSet;
class cGlaScene;

// The names of the scenes that the scene refers to itself (properties of the scene and
// of its elements, scene-element tracks), in order of first mention.
std::vector<std::string> DirectSceneReferences(const cGlaScene& scene);

// Every scene of the set reachable from the scene, itself excluded, breadth first; names
// that no scene of the set has are left out.
std::vector<std::string> ReachableScenes(const cGlaSet& set, const cGlaScene& scene);

// Appends to each scene's needed list the reachable scenes it does not list yet. Returns
// the number of names added over the set.
size_t FillNeededScenes(cGlaSet& set);

#include "scene/GlaNeeded.h"

#include <algorithm>
#include <deque>
#include <set>

#include "KelpoBase/gla/GlaSet.h"

namespace
{
void AddUnique(std::vector<std::string>& names, const std::string& name)
{
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
        names.push_back(name);
}

void AddPropReferences(const std::vector<cGlaProp*>& props, std::vector<std::string>& names)
{
    for (const cGlaProp* prop : props)
        if (const auto* ref = ClassCast<cGlaPropRefScene>(prop))
            AddUnique(names, ref->target);
}
} // namespace

std::vector<std::string> DirectSceneReferences(const cGlaScene& scene)
{
    std::vector<std::string> names;
    AddPropReferences(scene.props, names);
    for (const cGlaElement* element : scene.elements)
    {
        AddPropReferences(element->props, names);
        if (const auto* nested = ClassCast<cGlaElementScene>(element))
            for (size_t i = 0; i < nested->scenes.keys.size(); ++i)
                AddUnique(names, nested->scenes.NameOf(i));
    }
    return names;
}

std::vector<std::string> ReachableScenes(const cGlaSet& set, const cGlaScene& scene)
{
    std::vector<std::string> reached;
    std::set<std::string> seen{scene.GetName()};
    std::deque<const cGlaScene*> queue{&scene};
    while (!queue.empty())
    {
        const cGlaScene* current = queue.front();
        queue.pop_front();
        for (const std::string& name : DirectSceneReferences(*current))
        {
            if (!seen.insert(name).second)
                continue;
            const cGlaScene* target = FindObjectByName(&set, name);
            if (target == nullptr)
                continue;
            reached.push_back(name);
            queue.push_back(target);
        }
    }
    return reached;
}

size_t FillNeededScenes(cGlaSet& set)
{
    size_t added = 0;
    for (cGlaScene* scene : set.scenes)
        for (const std::string& name : ReachableScenes(set, *scene))
            if (std::find(scene->needed.begin(), scene->needed.end(), name) == scene->needed.end())
            {
                scene->needed.push_back(name);
                ++added;
            }
    return added;
}

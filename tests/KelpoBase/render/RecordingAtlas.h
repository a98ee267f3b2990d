// Loads recorded by name instead of read: an atlas that hands out one empty rectangle per
// picture, and one record of every load in order with the name that each object handed
// out stands for. Other recording loaders (of sounds, say) add to the same record, so a
// test sees the order of all its loads. Install the atlas before the group is made:
//
//     tvtest::RecordedLoads().Clear();
//     SetResourceAtlasFactory(tvtest::MakeRecordingAtlas);
//     ... load ...
//     EXPECT_EQ(tvtest::RecordedName(rect), "res/fx/Flash.png");
//     SetResourceAtlasFactory(nullptr);
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/render/Resource.h"
#include "KelpoBase/render/TextureAtlas.h"

namespace tvtest
{
struct LoadRecord
{
    std::vector<std::string> names; // every load, in order
    std::map<const void*, std::string> nameOf;

    void Add(const void* object, const std::string& name)
    {
        names.push_back(name);
        nameOf[object] = name;
    }
    void Clear()
    {
        names.clear();
        nameOf.clear();
    }
};
inline LoadRecord& RecordedLoads()
{
    static LoadRecord record;
    return record;
}

// The name an object was recorded under ("" for one that was not, null included).
inline std::string RecordedName(const void* object)
{
    const auto& nameOf = RecordedLoads().nameOf;
    const auto it = nameOf.find(object);
    return it != nameOf.end() ? it->second : std::string();
}

// The names of a list's objects, in the list's order.
template <class List> std::vector<std::string> NamesOf(const List& list)
{
    std::vector<std::string> names;
    for (const auto* entry : list)
        names.push_back(RecordedName(entry));
    return names;
}

class cRecordingAtlas : public cResourceAtlas
{
public:
    ImageRect* AddImage(const std::string& path) override
    {
        ImageRect* rect = rects.emplace_back(std::make_unique<ImageRect>()).get();
        RecordedLoads().Add(rect, path);
        return rect;
    }
    void Build() override {}
    void UploadPages(bool) override {}
    void ReleaseTextures() override {}

    std::vector<std::unique_ptr<ImageRect>> rects;
};
inline cResourceAtlas* MakeRecordingAtlas() { return new cRecordingAtlas(); }
} // namespace tvtest

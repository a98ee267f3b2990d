#include "KelpoBase/gla/GlaReader.h"

#include <algorithm>
#include <memory>

#include "KelpoBase/core/DataStream.h"
#include "KelpoBase/core/ResourceFile.h"
#include "KelpoBase/core/TextUtil.h"
#include "KelpoBase/gla/GlaBytes.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/render/Resource.h"

uint16_t GlaFileVersion = 0;

namespace
{
cGlaResourceHooks& Hooks()
{
    static cGlaResourceHooks hooks = {LoadAtlasImage, LoadTexture, LoadSurface,
                                      LoadMultiSprite, LoadModel,  LoadModelV2};
    return hooks;
}

// Thrown inside one parse when the data is malformed; the parse then drops its set.
struct GlaMalformed
{
};

// A scene-reference key to fill once every scene is read. The track lives inside a heap
// element, so the pointer stays valid however the set's arrays grow.
struct SceneFixup
{
    std::string name;
    cGlaNamedTrack<cGlaScene*>* track;
    size_t key;
};

// An element reference to fill once every scene is read.
struct ElementFixup
{
    std::string name;
    cGlaScene* scene;
    std::vector<cGlaElementRef>* refs;
    size_t item;
};

// Smallest sizes of the repeated records, for checking counts against what is left.
constexpr size_t kStrMin = 1;
constexpr size_t kFrameMin = 4;

class GlaParser
{
public:
    GlaParser(const uint8_t* data, size_t size, const std::string& directory)
        : in(data, size), dir(directory), hooks(Hooks())
    {
    }

    cGlaSet* Parse(const std::vector<std::string>& wanted);

private:
    void Check()
    {
        if (in.Failed())
            throw GlaMalformed();
    }
    void NeedItems(uint64_t count, size_t itemSize)
    {
        if (!in.NeedItems(count, itemSize))
            throw GlaMalformed();
    }
    std::string Path(const std::string& name) const { return GlaResourcePath(dir, name); }

    void ReadTypes(cGlaSet* set);
    void ReadScene(cGlaSet* set, const std::string& name);
    cGlaProp* ReadProperty(cGlaScene* scene);
    void ReadProps(cGlaScene* scene, cGlaElement* element);
    void ReadElement(cGlaScene* scene);
    void ReadTypeAndProps(cGlaScene* scene, cGlaElement* element);

    // Tracks.
    void ReadBoolTrack(cGlaTrack<bool>& track);
    void ReadFloatTrack(cGlaTrack<float>& track, bool negate = false);
    void ReadVec2Track(cGlaTrack<cVec2f>& track);
    void ReadVec2TrackX(cGlaTrack<cVec2f>& track);
    void ReadColourTrack(cGlaTrack<cRGBA>& track);
    void ReadSpriteFrameTrack(cGlaNamedTrack<ImageRect*>& track);
    void ReadImageTrack(cGlaNamedTrack<cResource*>& track);
    void ReadModelTrack(cGlaNamedTrack<cResource*>& track);
    void ReadSceneTrack(cGlaNamedTrack<cGlaScene*>& track);
    void SkipTrack();
    uint16_t TrackCount(size_t keySize)
    {
        const uint16_t n = in.U16();
        Check();
        NeedItems(n, keySize);
        return n;
    }

    // Element parts.
    void ReadHead(cGlaElementPos* e, bool withSkip);
    void ReadSpriteWords(cGlaElementSprite* e);
    void ReadPictureTracks(cGlaPictureTracks* e, bool negateRotation);
    void ReadPoints(std::vector<cVec2f>& points);
    void ReadTargets(cGlaScene* scene, std::vector<cGlaElementRef>& targets);
    cRGBA ReadColour()
    {
        cRGBA c;
        c.r = in.U8();
        c.g = in.U8();
        c.b = in.U8();
        c.a = in.U8();
        return c;
    }
    ImageRect* AtlasImage(const std::string& name)
    {
        return hooks.loadAtlasImage != nullptr ? hooks.loadAtlasImage(Path(name)) : nullptr;
    }

    void ReadSprite(cGlaScene* scene, uint8_t code);
    void ReadEmitter(cGlaElementParticleEmiter* e);

    cGlaBytes in;
    std::string dir;
    const cGlaResourceHooks hooks;
    uint16_t version = 0;
    std::vector<SceneFixup> sceneFixups;
    std::vector<ElementFixup> elementFixups;
};

cGlaSet* GlaParser::Parse(const std::vector<std::string>& wanted)
{
    std::unique_ptr<cGlaSet> set(new cGlaSet());
    try
    {
        version = in.U16();
        GlaFileVersion = version;
        set->version = version;
        set->reserved = in.U16();
        in.U32(); // the type block's size: the block is read record by record instead
        Check();
        ReadTypes(set.get());

        const uint16_t sceneCount = in.U16();
        Check();
        NeedItems(sceneCount, 4 + kStrMin);
        for (uint16_t i = 0; i < sceneCount; ++i)
        {
            const uint32_t recordSize = in.U32();
            Check();
            const size_t start = in.Position();
            if (recordSize > in.Remaining())
                throw GlaMalformed();
            const size_t end = start + recordSize;
            const std::string name = in.Str();
            Check();
            const bool take = wanted.empty() || std::find(wanted.begin(), wanted.end(), name) != wanted.end();
            if (take)
            {
                // The record is read within its own size; what it leaves is passed over.
                const size_t whole = in.Limit(end);
                ReadScene(set.get(), name);
                Check();
                in.Unlimit(whole);
            }
            in.SeekTo(end);
            Check();
        }
    }
    catch (const GlaMalformed&)
    {
        return nullptr;
    }

    for (const SceneFixup& fix : sceneFixups)
        fix.track->keys[fix.key].value = FindObjectByName(set.get(), fix.name);
    for (const ElementFixup& fix : elementFixups)
    {
        cGlaElement* element = fix.scene->FindObjectElement(fix.name);
        if (element == nullptr)
            element = fix.scene->FindSpriteElement(fix.name);
        (*fix.refs)[fix.item].element = element;
    }
    return set.release();
}

void GlaParser::ReadTypes(cGlaSet* set)
{
    const uint16_t typeCount = in.U16();
    Check();
    NeedItems(typeCount, kStrMin + 2);
    set->types.reserve(typeCount);
    for (uint16_t t = 0; t < typeCount; ++t)
    {
        auto* type = new cGlaObjectType();
        set->types.push_back(type);
        type->name = in.Str();
        const uint16_t fieldCount = in.U16();
        Check();
        NeedItems(fieldCount, 1 + kStrMin);
        type->fieldList.reserve(fieldCount);
        for (uint16_t f = 0; f < fieldCount; ++f)
        {
            cGlaTypeField field;
            field.code = in.U8();
            field.name = in.Str();
            if (field.code == kGlaPropEnum)
            {
                auto* values = new cGlaEnumSet();
                field.enumSet = static_cast<int32_t>(set->enumSets.size());
                set->enumSets.push_back(values);
                const int32_t valueCount = in.S32();
                Check();
                if (valueCount > 0)
                {
                    NeedItems(static_cast<uint32_t>(valueCount), kStrMin);
                    values->values.reserve(static_cast<size_t>(valueCount));
                    for (int32_t v = 0; v < valueCount; ++v)
                        values->values.push_back(in.Str());
                }
            }
            Check();
            type->fields[field.name] = field.code;
            type->fieldList.push_back(field);
        }
    }
}

void GlaParser::ReadScene(cGlaSet* set, const std::string& name)
{
    auto* scene = new cGlaScene();
    set->AddScene(scene);
    scene->SetName(name);

    const uint16_t neededCount = in.U16();
    Check();
    NeedItems(neededCount, kStrMin);
    for (uint16_t i = 0; i < neededCount; ++i)
        scene->needed.push_back(in.Str());
    if (version >= 3)
    {
        scene->sceneValueA = in.F32();
        scene->sceneValueB = in.F32();
        scene->fps = in.F32();
        scene->sceneWord = in.U32();
    }
    scene->typeName = in.Str();
    scene->type = set->FindType(scene->typeName);
    scene->frameCount = in.S16();
    Check();
    ReadProps(scene, nullptr);
    const int16_t elementCount = in.S16();
    Check();
    if (elementCount > 0)
        NeedItems(static_cast<uint32_t>(elementCount), 1);
    for (int16_t i = 0; i < elementCount; ++i)
        ReadElement(scene);
}

cGlaProp* GlaParser::ReadProperty(cGlaScene* scene)
{
    const std::string name = in.Str();
    const uint8_t code = in.U8();
    Check();
    cGlaProp* prop = nullptr;
    switch (code)
    {
    case kGlaPropInt: prop = new cGlaPropInt(name, in.S32()); break;
    case kGlaPropFloat: prop = new cGlaPropFloat(name, in.F32()); break;
    case kGlaPropRefElement: prop = new cGlaPropRefElement(scene, name, in.Str()); break;
    case kGlaPropRefScene: prop = new cGlaPropRefScene(scene, name, in.Str()); break;
    case kGlaPropRefTemplate: prop = new cGlaPropRefTemplate(scene, name, in.Str()); break;
    case kGlaPropString: prop = new cGlaPropString(name, in.Str()); break;
    case kGlaPropBool: prop = new cGlaPropBool(name, in.U8() != 0); break;
    case kGlaPropEnum: prop = new cGlaPropEnum(name, in.S32()); break;
    case kGlaPropNone: return nullptr; // valid, and carries no value
    case kGlaPropRGBA: prop = new cGlaPropRGBA(name, ReadColour()); break;
    default: throw GlaMalformed(); // an unknown code has an unknown length
    }
    if (in.Failed())
    {
        delete prop;
        throw GlaMalformed();
    }
    return prop;
}

void GlaParser::ReadProps(cGlaScene* scene, cGlaElement* element)
{
    const uint16_t count = in.U16();
    Check();
    NeedItems(count, kStrMin + 1);
    for (uint16_t i = 0; i < count; ++i)
    {
        cGlaProp* prop = ReadProperty(scene);
        if (element != nullptr)
            element->AddProp(prop);
        else
            scene->AddProp(prop);
    }
}

void GlaParser::ReadTypeAndProps(cGlaScene* scene, cGlaElement* element)
{
    element->typeName = in.Str();
    element->type = scene->set->FindType(element->typeName);
    ReadProps(scene, element);
}

// ---- Tracks ----------------------------------------------------------------------

void GlaParser::ReadBoolTrack(cGlaTrack<bool>& track)
{
    const uint16_t n = TrackCount(kFrameMin + 1);
    track.keys.clear();
    track.keys.reserve(n);
    for (uint16_t i = 0; i < n; ++i)
    {
        const int32_t frame = in.S32();
        track.AddKey(in.U8() != 0, frame);
    }
}

void GlaParser::ReadFloatTrack(cGlaTrack<float>& track, bool negate)
{
    const uint16_t n = TrackCount(kFrameMin + 4);
    track.keys.clear();
    track.keys.reserve(n);
    for (uint16_t i = 0; i < n; ++i)
    {
        const int32_t frame = in.S32();
        const float value = in.F32();
        track.AddKey(negate ? -value : value, frame);
    }
}

void GlaParser::ReadVec2Track(cGlaTrack<cVec2f>& track)
{
    track.keys.clear();
    if (version != 1)
    {
        const uint16_t n = TrackCount(kFrameMin + 8);
        track.keys.reserve(n);
        for (uint16_t i = 0; i < n; ++i)
        {
            const int32_t frame = in.S32();
            const float x = in.F32();
            const float y = in.F32();
            track.AddKey(cVec2f(x, y), frame);
        }
        return;
    }
    // Version 1: the x keys, then the y keys; the y list sets the keys and their frames.
    const uint16_t nx = TrackCount(kFrameMin + 4);
    std::vector<float> xs(nx);
    for (uint16_t i = 0; i < nx; ++i)
    {
        in.S32();
        xs[i] = in.F32();
    }
    const uint16_t ny = TrackCount(kFrameMin + 4);
    track.keys.reserve(ny);
    for (uint16_t i = 0; i < ny; ++i)
    {
        const int32_t frame = in.S32();
        const float y = in.F32();
        track.AddKey(cVec2f(i < nx ? xs[i] : 0.0f, y), frame);
    }
}

void GlaParser::ReadVec2TrackX(cGlaTrack<cVec2f>& track)
{
    const uint16_t n = TrackCount(kFrameMin + 4);
    track.keys.clear();
    track.keys.reserve(n);
    for (uint16_t i = 0; i < n; ++i)
    {
        const int32_t frame = in.S32();
        const float v = in.F32();
        track.AddKey(cVec2f(v, v), frame);
    }
}

void GlaParser::ReadColourTrack(cGlaTrack<cRGBA>& track)
{
    const uint16_t n = TrackCount(kFrameMin + 4);
    track.keys.clear();
    track.keys.reserve(n);
    for (uint16_t i = 0; i < n; ++i)
    {
        const int32_t frame = in.S32();
        track.AddKey(ReadColour(), frame);
    }
}

void GlaParser::ReadSpriteFrameTrack(cGlaNamedTrack<ImageRect*>& track)
{
    const uint16_t n = TrackCount(kFrameMin + kStrMin);
    track.Clear();
    for (uint16_t i = 0; i < n; ++i)
    {
        const int32_t frame = in.S32();
        const std::string name = in.Str();
        Check();
        track.AddNamedKey(AtlasImage(name), frame, name);
    }
}

void GlaParser::ReadImageTrack(cGlaNamedTrack<cResource*>& track)
{
    const uint16_t n = TrackCount(kFrameMin + kStrMin);
    track.Clear();
    for (uint16_t i = 0; i < n; ++i)
    {
        const int32_t frame = in.S32();
        const std::string name = in.Str();
        Check();
        cResource* image = hooks.loadTexture != nullptr ? hooks.loadTexture(Path(name), 17) : nullptr;
        track.AddNamedKey(image, frame, name);
    }
}

void GlaParser::ReadModelTrack(cGlaNamedTrack<cResource*>& track)
{
    const uint16_t n = TrackCount(kFrameMin + kStrMin);
    track.Clear();
    for (uint16_t i = 0; i < n; ++i)
    {
        const int32_t frame = in.S32();
        const std::string name = in.Str();
        Check();
        std::string path = Path(name);
        SetExtension(path, "vemimodel2");
        cResource* model = hooks.loadModelV2 != nullptr ? hooks.loadModelV2(path) : nullptr;
        track.AddNamedKey(model, frame, name);
    }
}

void GlaParser::ReadSceneTrack(cGlaNamedTrack<cGlaScene*>& track)
{
    const uint16_t n = TrackCount(kFrameMin + kStrMin);
    // Each scene element carries one scene track, read once, so its fixups below are the
    // only ones that point at it.
    track.Clear();
    for (uint16_t i = 0; i < n; ++i)
    {
        const int32_t frame = in.S32();
        const std::string name = in.Str();
        Check();
        track.AddNamedKey(nullptr, frame, name);
        sceneFixups.push_back({name, &track, track.keys.size() - 1});
    }
}

void GlaParser::SkipTrack()
{
    const uint16_t n = TrackCount(8);
    in.Skip(static_cast<size_t>(n) * 8);
    Check();
}

// ---- Element records -------------------------------------------------------------

void GlaParser::ReadHead(cGlaElementPos* e, bool withSkip)
{
    ReadBoolTrack(e->visible);
    if (version >= 5)
        ReadFloatTrack(e->layer);
    ReadVec2Track(e->position);
    if (withSkip && version == 1)
        SkipTrack();
}

void GlaParser::ReadSpriteWords(cGlaElementSprite* e)
{
    if (version >= 5)
    {
        e->renderMode = in.U32();
        e->spareWord = in.U32();
    }
    else
    {
        e->renderMode = 1;
        e->spareWord = 0;
    }
}

void GlaParser::ReadPictureTracks(cGlaPictureTracks* e, bool negateRotation)
{
    ReadFloatTrack(e->rotation, negateRotation);
    ReadVec2Track(e->scale);
    ReadVec2Track(e->pivot);
    ReadColourTrack(e->colour);
}

void GlaParser::ReadPoints(std::vector<cVec2f>& points)
{
    const uint16_t n = TrackCount(8);
    points.clear();
    points.reserve(n);
    for (uint16_t i = 0; i < n; ++i)
    {
        const float x = in.F32();
        const float y = in.F32();
        points.emplace_back(x, y);
    }
}

void GlaParser::ReadTargets(cGlaScene* scene, std::vector<cGlaElementRef>& targets)
{
    const int32_t count = in.S32();
    Check();
    targets.clear();
    if (count <= 0)
        return;
    NeedItems(static_cast<uint32_t>(count), kStrMin + 4);
    targets.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i)
    {
        cGlaElementRef& ref = targets[static_cast<size_t>(i)];
        ref.name = in.Str();
        ref.value = in.U32();
        elementFixups.push_back({ref.name, scene, &targets, static_cast<size_t>(i)});
    }
}

void GlaParser::ReadSprite(cGlaScene* scene, uint8_t code)
{
    auto* e = static_cast<cGlaElementSprite*>(CreateGlaElement(code));
    scene->AddSpriteElement(e);
    e->name = in.Str();
    switch (code)
    {
    case kGlaSprite:
        ReadSpriteWords(e);
        ReadHead(e, true);
        ReadPictureTracks(e, true);
        ReadSpriteFrameTrack(e->frames);
        break;
    case kGlaSpriteSimple:
        ReadSpriteWords(e);
        ReadHead(e, true);
        ReadColourTrack(e->colour);
        ReadSpriteFrameTrack(e->frames);
        break;
    case kGlaSpriteStatic:
    {
        ReadSpriteWords(e);
        if (version >= 5)
            e->layer.AddKey(in.F32());
        const float px = in.F32();
        const float py = in.F32();
        e->position.AddKey(cVec2f(px, py));
        e->rotation.AddKey(-in.F32());
        const float sx = in.F32();
        const float sy = in.F32();
        e->scale.AddKey(cVec2f(sx, sy));
        const float vx = in.F32();
        const float vy = in.F32();
        e->pivot.AddKey(cVec2f(vx, vy));
        e->colour.AddKey(ReadColour());
        const std::string image = in.Str();
        Check();
        e->frames.AddNamedKey(AtlasImage(image), 0, image);
        e->visible.AddKey(true);
        break;
    }
    case kGlaSpriteCropped:
        ReadSpriteWords(e);
        ReadHead(e, true);
        ReadPictureTracks(e, false);
        ReadSpriteFrameTrack(e->frames);
        ReadVec2Track(e->cropX);
        ReadVec2Track(e->cropY);
        e->cropped = 1;
        break;
    default:
        break;
    }
}

void GlaParser::ReadEmitter(cGlaElementParticleEmiter* e)
{
    const int32_t imageCount = in.S32();
    Check();
    if (imageCount > 0)
    {
        NeedItems(static_cast<uint32_t>(imageCount), kStrMin);
        for (int32_t i = 0; i < imageCount; ++i)
        {
            const std::string name = in.Str();
            Check();
            e->imageNames.push_back(name);
            ImageRect* image = AtlasImage(name);
            if (image != nullptr)
                e->images.push_back(image);
        }
    }
    cGlaEmitterSettings& s = e->settings;
    s.renderMode = in.U32();
    s.colourStart = in.U32();
    s.colourEnd = in.U32();
    s.sizeStart = in.F32();
    s.sizeEnd = in.F32();
    s.sizeGrowth = in.F32();
    s.growthDamping = in.F32();
    s.angle = in.F32();
    s.spin = in.F32();
    s.lifeTicks = in.U32();
    s.velocityAngle = in.F32();
    s.speed = in.F32();
    s.velocityDamping = in.F32();
    s.flag = in.U8() != 0 ? 1 : 0;
    for (cGlaEmitterRange& range : s.ranges)
    {
        range.min = in.F32();
        range.max = in.F32();
    }
}

void GlaParser::ReadElement(cGlaScene* scene)
{
    const uint8_t code = in.U8();
    Check();
    switch (code)
    {
    case kGlaSprite:
    case kGlaSpriteSimple:
    case kGlaSpriteStatic:
    case kGlaSpriteCropped:
        ReadSprite(scene, code);
        break;
    case kGlaPath:
    {
        auto* e = static_cast<cGlaElementPath*>(CreateGlaElement(code));
        scene->AddObjectElement(e);
        e->name = in.Str();
        e->closed = in.U8() != 0 ? 1 : 0;
        e->pathFlag = in.U8() != 0 ? 1 : 0;
        ReadHead(e, true);
        ReadPoints(e->points);
        Check();
        e->BuildPath();
        break;
    }
    case kGlaRectangle:
    {
        auto* e = static_cast<cGlaElementRectangle*>(CreateGlaElement(code));
        scene->AddObjectElement(e);
        e->name = in.Str();
        ReadHead(e, true);
        ReadFloatTrack(e->angle);
        ReadVec2Track(e->size);
        break;
    }
    case kGlaGameObj:
    {
        auto* e = static_cast<cGlaElementGameObj*>(CreateGlaElement(code));
        scene->AddObjectElement(e);
        ReadHead(e, true);
        ReadFloatTrack(e->angle);
        if (version >= 3)
            ReadVec2Track(e->scale);
        else
            e->scale.AddKey(cVec2f(1.0f, 1.0f));
        e->name = in.Str();
        ReadTypeAndProps(scene, e);
        break;
    }
    case kGlaPoly:
    {
        auto* e = static_cast<cGlaElementPoly*>(CreateGlaElement(code));
        scene->AddObjectElement(e);
        e->name = in.Str();
        ReadHead(e, true);
        ReadPoints(e->points);
        break;
    }
    case kGlaMarker:
    {
        auto* e = static_cast<cGlaElementMarker*>(CreateGlaElement(code));
        scene->AddObjectElement(e);
        ReadHead(e, true);
        ReadFloatTrack(e->angle);
        if (version == 1)
            ReadVec2TrackX(e->scale);
        else
            ReadVec2Track(e->scale);
        e->name = in.Str();
        if (version >= 5)
            ReadTypeAndProps(scene, e);
        break;
    }
    case kGlaTextBox:
    {
        auto* e = static_cast<cGlaElementTextBox*>(CreateGlaElement(code));
        scene->AddObjectElement(e);
        e->name = in.Str();
        e->text = in.Str();
        if (version >= 6)
        {
            e->textFlag = in.U8() != 0 ? 1 : 0;
            e->alignment = in.U32();
            ReadColourTrack(e->textColour);
        }
        ReadHead(e, true);
        ReadFloatTrack(e->angle);
        ReadVec2Track(e->size);
        break;
    }
    case kGlaScene:
    {
        auto* e = static_cast<cGlaElementScene*>(CreateGlaElement(code));
        scene->AddSpriteElement(e);
        e->name = in.Str();
        if (version >= 6)
            e->startOffset = in.U32();
        ReadHead(e, true);
        ReadFloatTrack(e->rotation);
        ReadVec2Track(e->scale);
        ReadVec2Track(e->pivot);
        ReadSceneTrack(e->scenes);
        if (version >= 9)
            ReadColourTrack(e->colour);
        break;
    }
    case kGlaEvent:
    {
        auto* e = static_cast<cGlaElementEvent*>(CreateGlaElement(code));
        scene->AddObjectElement(e);
        e->name = in.Str();
        e->eventWordB = in.U32();
        e->eventWordA = in.U32();
        ReadTargets(scene, e->targets);
        break;
    }
    case kGlaMultiSprite:
    {
        auto* e = static_cast<cGlaElementMultiSprite*>(CreateGlaElement(code));
        scene->AddSpriteElement(e);
        e->name = in.Str();
        e->multiSpriteName = in.Str();
        Check();
        if (hooks.loadMultiSprite != nullptr)
            e->multiSprite = hooks.loadMultiSprite(Path(e->multiSpriteName));
        e->renderMode = version >= 5 ? in.U32() : 1;
        ReadHead(e, false);
        ReadPictureTracks(e, false);
        break;
    }
    case kGlaSurface:
    {
        auto* e = static_cast<cGlaElementSurface*>(CreateGlaElement(code));
        scene->AddObjectElement(e);
        e->name = in.Str();
        e->surfaceName = in.Str();
        Check();
        if (hooks.loadSurface != nullptr)
            e->surface = hooks.loadSurface(Path(e->surfaceName));
        ReadHead(e, false);
        ReadPictureTracks(e, false);
        break;
    }
    case kGlaZone:
    {
        auto* e = static_cast<cGlaElementZone*>(CreateGlaElement(code));
        scene->AddObjectElement(e);
        e->name = in.Str();
        if (version >= 5)
        {
            ReadBoolTrack(e->visible);
            ReadFloatTrack(e->layer);
        }
        ReadVec2Track(e->position);
        ReadPoints(e->points);
        e->zoneWord = in.U32();
        ReadTargets(scene, e->targets);
        if (version >= 5)
            ReadTypeAndProps(scene, e);
        break;
    }
    case kGlaGroup:
    {
        auto* e = static_cast<cGlaElementGroup*>(CreateGlaElement(code));
        scene->AddObjectElement(e);
        e->name = in.Str();
        ReadVec2Track(e->position);
        break;
    }
    case kGlaPolyTextured:
    {
        auto* e = static_cast<cGlaElementPolyTextured*>(CreateGlaElement(code));
        scene->AddSpriteElement(e);
        e->name = in.Str();
        e->polyWord = in.U32();
        ReadHead(e, false);
        if (version >= 10)
            ReadColourTrack(e->colour);
        ReadImageTrack(e->texture);
        ReadVec2Track(e->textureScale);
        ReadVec2Track(e->textureOffset);
        ReadFloatTrack(e->textureAngle);
        ReadPoints(e->points);
        break;
    }
    case kGlaModel:
    {
        auto* e = static_cast<cGlaElementModel*>(CreateGlaElement(code));
        scene->AddSpriteElement(e);
        e->name = in.Str();
        ReadHead(e, false);
        ReadFloatTrack(e->angle);
        ReadVec2Track(e->scale);
        ReadModelTrack(e->models);
        break;
    }
    case kGlaAiPath:
    {
        auto* e = static_cast<cGlaElementAiPath*>(CreateGlaElement(code));
        scene->AddObjectElement(e);
        e->name = in.Str();
        e->aiFlag = in.U8() != 0 ? 1 : 0;
        ReadHead(e, true);
        const uint16_t n = TrackCount(24);
        e->points.resize(n);
        for (cGlaAiPathPoint& p : e->points)
            for (float& v : p.v)
                v = in.F32();
        break;
    }
    case kGlaModelV2:
    {
        auto* e = static_cast<cGlaElementModelV2*>(CreateGlaElement(code));
        scene->AddSpriteElement(e);
        e->name = in.Str();
        ReadBoolTrack(e->visible);
        ReadFloatTrack(e->layer);
        ReadVec2Track(e->position);
        ReadFloatTrack(e->angle);
        ReadVec2Track(e->scale);
        e->modelName = in.Str();
        Check();
        if (hooks.loadModel != nullptr)
            e->model = hooks.loadModel(Path(e->modelName));
        break;
    }
    case kGlaParticleEmiter:
    {
        auto* e = static_cast<cGlaElementParticleEmiter*>(CreateGlaElement(code));
        scene->AddSpriteElement(e);
        e->name = in.Str();
        ReadBoolTrack(e->visible);
        ReadFloatTrack(e->layer);
        ReadVec2Track(e->position);
        ReadFloatTrack(e->angle);
        ReadVec2Track(e->scale);
        ReadVec2Track(e->scale);
        ReadColourTrack(e->colour);
        ReadFloatTrack(e->emitterFloat);
        ReadEmitter(e);
        break;
    }
    default:
        // An unknown code has an unknown length: nothing after it can be trusted.
        throw GlaMalformed();
    }
    Check();
}

bool ReadWhole(cDataStream& stream, std::vector<uint8_t>& bytes)
{
    stream.Seek(0, cDataStream::kSeekStart);
    uint32_t length = stream.GetLength();
    if (length == 0)
    {
        length = stream.Seek(0, cDataStream::kSeekEnd);
        stream.Seek(0, cDataStream::kSeekStart);
    }
    bytes.resize(length);
    const uint32_t got = length != 0 ? stream.Read(bytes.data(), length) : 0;
    bytes.resize(got);
    return true;
}
} // namespace

cGlaResourceHooks SetGlaResourceHooks(const cGlaResourceHooks& hooks)
{
    const cGlaResourceHooks old = Hooks();
    Hooks() = hooks;
    return old;
}

const cGlaResourceHooks& GetGlaResourceHooks()
{
    return Hooks();
}

cGlaResourceHooks GlaNoResourceHooks()
{
    return {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
}

void RegisterGlaSetLoader()
{
    SetGlaSetLoader([](const std::string& path, const std::string& sceneName) -> cResource* {
        return LoadGlaSetForScene(path, sceneName);
    });
}

std::string GlaResourcePath(const std::string& directory, const std::string& name)
{
    // A scene file in the working folder names its resources from there.
    if (directory.empty())
        return MakePath(name);
    return JoinPath(directory, name);
}

cGlaSet* ParseGlaSetFromMemory(const uint8_t* data, size_t size, const std::vector<std::string>& wanted,
                               const std::string& directory)
{
    GlaParser parser(data, size, directory);
    return parser.Parse(wanted);
}

bool CollectGlaWantedScenes(const uint8_t* data, size_t size, const std::string& sceneName,
                            std::vector<std::string>& wanted)
{
    wanted.assign(1, sceneName);
    cGlaBytes in(data, size);
    GlaFileVersion = in.U16();
    in.U16();
    in.Skip(in.U32());
    const uint16_t count = in.U16();
    for (uint16_t i = 0; i < count && !in.Failed(); ++i)
    {
        const uint32_t recordSize = in.U32();
        const size_t end = in.Position() + recordSize;
        if (in.Str() == sceneName && !in.Failed())
        {
            const uint16_t needed = in.U16();
            if (!in.NeedItems(needed, 1))
                break;
            for (uint16_t n = 0; n < needed; ++n)
                wanted.push_back(in.Str());
            break;
        }
        in.SeekTo(end);
    }
    return !in.Failed();
}

cGlaSet* LoadGlaSetForSceneFromMemory(const uint8_t* data, size_t size, const std::string& sceneName,
                                      const std::string& directory)
{
    std::vector<std::string> wanted;
    if (!sceneName.empty() && !CollectGlaWantedScenes(data, size, sceneName, wanted))
        return nullptr;
    return ParseGlaSetFromMemory(data, size, wanted, directory);
}

cGlaSet* ParseGlaSet(cDataStream& stream, const std::vector<std::string>& wanted)
{
    std::vector<uint8_t> bytes;
    ReadWhole(stream, bytes);
    return ParseGlaSetFromMemory(bytes.data(), bytes.size(), wanted, DirectoryOfPath(stream.name));
}

cGlaSet* LoadGlaSet(const std::string& path)
{
    return LoadGlaSetForScene(path, std::string());
}

cGlaSet* LoadGlaSetForScene(const std::string& path, const std::string& sceneName)
{
    cResourceFile file;
    if (!file.Open(path))
        return nullptr;
    cGlaSet* set = LoadGlaSetForSceneFromMemory(file.GetMemory(), file.GetMemorySize(), sceneName,
                                                DirectoryOfPath(path));
    file.Close();
    return set;
}

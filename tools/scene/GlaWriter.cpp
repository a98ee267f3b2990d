#include "scene/GlaWriter.h"

#include <cstring>
#include <fstream>
#include <limits>
#include <stdexcept>

#include "KelpoBase/gla/GlaSet.h"

namespace
{
struct WriteError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

class GlaWriter
{
public:
    GlaWriter(std::vector<uint8_t>& bytes, uint16_t fileVersion) : out(bytes), version(fileVersion) {}

    void Set(const cGlaSet& set);

private:
    template <class T>
    void Put(T value)
    {
        uint8_t raw[sizeof(T)];
        std::memcpy(raw, &value, sizeof(T));
        out.insert(out.end(), raw, raw + sizeof(T));
    }
    void U8(uint8_t v) { Put(v); }
    void U16(uint16_t v) { Put(v); }
    void S16(int16_t v) { Put(v); }
    void U32(uint32_t v) { Put(v); }
    void S32(int32_t v) { Put(v); }
    void F32(float v) { Put(v); }
    void Str(const std::string& text)
    {
        if (text.size() > 255)
            throw WriteError("string longer than 255 bytes: \"" + text.substr(0, 40) + "...\"");
        U8(static_cast<uint8_t>(text.size()));
        out.insert(out.end(), text.begin(), text.end());
    }
    void Colour(const cRGBA& c)
    {
        U8(c.r);
        U8(c.g);
        U8(c.b);
        U8(c.a);
    }
    void Count16(size_t n, const char* what)
    {
        if (n > 0xFFFF)
            throw WriteError(std::string("too many ") + what + " for a 16-bit count");
        U16(static_cast<uint16_t>(n));
    }
    void Count32(size_t n, const char* what)
    {
        if (n > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
            throw WriteError(std::string("too many ") + what);
        S32(static_cast<int32_t>(n));
    }
    // Reserves a u32 and returns its place, filled later by Patch32.
    size_t Reserve32()
    {
        const size_t at = out.size();
        U32(0);
        return at;
    }
    void PatchSize(size_t at)
    {
        const size_t n = out.size() - at - 4;
        if (n > 0xFFFFFFFFu)
            throw WriteError("record larger than 4 GiB");
        const uint32_t v = static_cast<uint32_t>(n);
        std::memcpy(out.data() + at, &v, 4);
    }

    void Types(const cGlaSet& set);
    void Scene(const cGlaScene& scene);
    void Prop(const cGlaProp& prop);
    void Props(const std::vector<cGlaProp*>& props);
    void Element(const cGlaElement& element);
    void TypeAndProps(const cGlaElement& element);

    void BoolTrack(const cGlaTrack<bool>& t);
    void FloatTrack(const cGlaTrack<float>& t, bool negate = false);
    void Vec2Track(const cGlaTrack<cVec2f>& t);
    void Vec2TrackX(const cGlaTrack<cVec2f>& t);
    void ColourTrack(const cGlaTrack<cRGBA>& t);
    template <class T>
    void NamedTrack(const cGlaNamedTrack<T>& t)
    {
        Count16(t.keys.size(), "keys");
        for (size_t i = 0; i < t.keys.size(); ++i)
        {
            S32(t.keys[i].frame);
            Str(t.NameOf(i));
        }
    }
    void Head(const cGlaElementPos& e, bool withSkip);
    void SpriteWords(const cGlaElementSprite& e);
    void PictureTracks(const cGlaPictureTracks& e, bool negateRotation);
    void Points(const std::vector<cVec2f>& points);
    void Targets(const std::vector<cGlaElementRef>& targets);
    template <class T>
    static const std::string& FirstName(const cGlaNamedTrack<T>& t)
    {
        return t.NameOf(0);
    }

    std::vector<uint8_t>& out;
    uint16_t version;
    const cGlaSet* current = nullptr;
};

void GlaWriter::Set(const cGlaSet& set)
{
    current = &set;
    U16(version);
    U16(set.reserved);
    const size_t typeSize = Reserve32();
    Types(set);
    PatchSize(typeSize);
    Count16(set.scenes.size(), "scenes");
    for (const cGlaScene* scene : set.scenes)
        Scene(*scene);
}

void GlaWriter::Types(const cGlaSet& set)
{
    Count16(set.types.size(), "object types");
    for (const cGlaObjectType* type : set.types)
    {
        Str(type->name);
        std::vector<cGlaTypeField> fields = type->fieldList;
        if (fields.empty())
            for (const auto& [name, code] : type->fields)
                fields.push_back({name, static_cast<uint8_t>(code), -1});
        Count16(fields.size(), "type fields");
        for (const cGlaTypeField& field : fields)
        {
            U8(field.code);
            Str(field.name);
            if (field.code == kGlaPropEnum)
            {
                const cGlaEnumSet* values = nullptr;
                if (field.enumSet >= 0 && static_cast<size_t>(field.enumSet) < set.enumSets.size())
                    values = set.enumSets[static_cast<size_t>(field.enumSet)];
                if (values == nullptr)
                {
                    S32(0);
                    continue;
                }
                Count32(values->values.size(), "enumeration values");
                for (const std::string& value : values->values)
                    Str(value);
            }
        }
    }
}

void GlaWriter::Scene(const cGlaScene& scene)
{
    const size_t size = Reserve32();
    Str(scene.GetName());
    Count16(scene.needed.size(), "needed scenes");
    for (const std::string& name : scene.needed)
        Str(name);
    if (version >= 3)
    {
        F32(scene.sceneValueA);
        F32(scene.sceneValueB);
        F32(scene.fps);
        U32(scene.sceneWord);
    }
    Str(!scene.typeName.empty() || scene.type == nullptr ? scene.typeName : scene.type->name);
    if (scene.frameCount < INT16_MIN || scene.frameCount > INT16_MAX)
        throw WriteError("frame count of scene \"" + scene.GetName() + "\" does not fit 16 bits");
    S16(static_cast<int16_t>(scene.frameCount));
    Props(scene.props);
    if (scene.elements.size() > static_cast<size_t>(INT16_MAX))
        throw WriteError("too many elements in scene \"" + scene.GetName() + "\"");
    S16(static_cast<int16_t>(scene.elements.size()));
    for (const cGlaElement* element : scene.elements)
        Element(*element);
    PatchSize(size);
}

void GlaWriter::Prop(const cGlaProp& prop)
{
    Str(prop.name);
    const uint8_t code = prop.Code();
    U8(code);
    switch (code)
    {
    case kGlaPropInt: S32(static_cast<const cGlaPropInt&>(prop).value); break;
    case kGlaPropFloat: F32(static_cast<const cGlaPropFloat&>(prop).value); break;
    case kGlaPropRefElement: Str(static_cast<const cGlaPropRefElement&>(prop).target); break;
    case kGlaPropRefScene: Str(static_cast<const cGlaPropRefScene&>(prop).target); break;
    case kGlaPropRefTemplate: Str(static_cast<const cGlaPropRefTemplate&>(prop).target); break;
    case kGlaPropString: Str(static_cast<const cGlaPropString&>(prop).value); break;
    case kGlaPropBool: U8(static_cast<const cGlaPropBool&>(prop).value != 0 ? 1 : 0); break;
    case kGlaPropEnum: S32(static_cast<const cGlaPropEnum&>(prop).value); break;
    case kGlaPropRGBA: Colour(static_cast<const cGlaPropRGBA&>(prop).value); break;
    default: throw WriteError("property \"" + prop.name + "\" has no code");
    }
}

void GlaWriter::Props(const std::vector<cGlaProp*>& props)
{
    Count16(props.size(), "properties");
    for (const cGlaProp* prop : props)
        Prop(*prop);
}

void GlaWriter::TypeAndProps(const cGlaElement& e)
{
    Str(!e.typeName.empty() || e.type == nullptr ? e.typeName : e.type->name);
    Props(e.props);
}

void GlaWriter::BoolTrack(const cGlaTrack<bool>& t)
{
    Count16(t.keys.size(), "keys");
    for (const auto& key : t.keys)
    {
        S32(key.frame);
        U8(key.value ? 1 : 0);
    }
}

void GlaWriter::FloatTrack(const cGlaTrack<float>& t, bool negate)
{
    Count16(t.keys.size(), "keys");
    for (const auto& key : t.keys)
    {
        S32(key.frame);
        F32(negate ? -key.value : key.value);
    }
}

void GlaWriter::Vec2Track(const cGlaTrack<cVec2f>& t)
{
    if (version != 1)
    {
        Count16(t.keys.size(), "keys");
        for (const auto& key : t.keys)
        {
            S32(key.frame);
            F32(key.value.x);
            F32(key.value.y);
        }
        return;
    }
    // Version 1: the x list, then the y list, both with the keys' frames.
    Count16(t.keys.size(), "keys");
    for (const auto& key : t.keys)
    {
        S32(key.frame);
        F32(key.value.x);
    }
    U16(static_cast<uint16_t>(t.keys.size()));
    for (const auto& key : t.keys)
    {
        S32(key.frame);
        F32(key.value.y);
    }
}

void GlaWriter::Vec2TrackX(const cGlaTrack<cVec2f>& t)
{
    Count16(t.keys.size(), "keys");
    for (const auto& key : t.keys)
    {
        S32(key.frame);
        F32(key.value.x);
    }
}

void GlaWriter::ColourTrack(const cGlaTrack<cRGBA>& t)
{
    Count16(t.keys.size(), "keys");
    for (const auto& key : t.keys)
    {
        S32(key.frame);
        Colour(key.value);
    }
}

void GlaWriter::Head(const cGlaElementPos& e, bool withSkip)
{
    BoolTrack(e.visible);
    if (version >= 5)
        FloatTrack(e.layer);
    Vec2Track(e.position);
    if (withSkip && version == 1)
        U16(0); // the extra track of version 1, written empty
}

void GlaWriter::SpriteWords(const cGlaElementSprite& e)
{
    if (version >= 5)
    {
        U32(e.renderMode);
        U32(e.spareWord);
    }
}

void GlaWriter::PictureTracks(const cGlaPictureTracks& e, bool negateRotation)
{
    FloatTrack(e.rotation, negateRotation);
    Vec2Track(e.scale);
    Vec2Track(e.pivot);
    ColourTrack(e.colour);
}

void GlaWriter::Points(const std::vector<cVec2f>& points)
{
    Count16(points.size(), "points");
    for (const cVec2f& p : points)
    {
        F32(p.x);
        F32(p.y);
    }
}

void GlaWriter::Targets(const std::vector<cGlaElementRef>& targets)
{
    Count32(targets.size(), "targets");
    for (const cGlaElementRef& ref : targets)
    {
        Str(!ref.name.empty() || ref.element == nullptr ? ref.name : ref.element->name);
        U32(ref.value);
    }
}

void GlaWriter::Element(const cGlaElement& element)
{
    const uint8_t code = element.code;
    if (code < 1 || code > kGlaLastElementCode)
        throw WriteError("element \"" + element.name + "\" has no record code");
    U8(code);
    switch (code)
    {
    case kGlaSprite:
    case kGlaSpriteSimple:
    case kGlaSpriteCropped:
    {
        const auto& e = static_cast<const cGlaElementSprite&>(element);
        Str(e.name);
        SpriteWords(e);
        Head(e, true);
        if (code == kGlaSpriteSimple)
            ColourTrack(e.colour);
        else
            PictureTracks(e, code == kGlaSprite);
        NamedTrack(e.frames);
        if (code == kGlaSpriteCropped)
        {
            Vec2Track(e.cropX);
            Vec2Track(e.cropY);
        }
        break;
    }
    case kGlaSpriteStatic:
    {
        const auto& e = static_cast<const cGlaElementSprite&>(element);
        Str(e.name);
        if (version >= 5)
        {
            U32(e.renderMode);
            U32(e.spareWord);
            F32(e.layer.GetValue(0));
        }
        const cVec2f p = e.position.GetValue(0);
        F32(p.x);
        F32(p.y);
        F32(-e.rotation.GetValue(0));
        const cVec2f s = e.scale.GetValue(0);
        F32(s.x);
        F32(s.y);
        const cVec2f v = e.pivot.GetValue(0);
        F32(v.x);
        F32(v.y);
        Colour(e.colour.GetValue(0));
        Str(FirstName(e.frames));
        break;
    }
    case kGlaPath:
    {
        const auto& e = static_cast<const cGlaElementPath&>(element);
        Str(e.name);
        U8(e.closed != 0 ? 1 : 0);
        U8(e.pathFlag != 0 ? 1 : 0);
        Head(e, true);
        Points(e.points);
        break;
    }
    case kGlaRectangle:
    {
        const auto& e = static_cast<const cGlaElementRectangle&>(element);
        Str(e.name);
        Head(e, true);
        FloatTrack(e.angle);
        Vec2Track(e.size);
        break;
    }
    case kGlaGameObj:
    {
        const auto& e = static_cast<const cGlaElementGameObj&>(element);
        Head(e, true);
        FloatTrack(e.angle);
        if (version >= 3)
            Vec2Track(e.scale);
        Str(e.name);
        TypeAndProps(e);
        break;
    }
    case kGlaPoly:
    {
        const auto& e = static_cast<const cGlaElementPoly&>(element);
        Str(e.name);
        Head(e, true);
        Points(e.points);
        break;
    }
    case kGlaMarker:
    {
        const auto& e = static_cast<const cGlaElementMarker&>(element);
        Head(e, true);
        FloatTrack(e.angle);
        if (version == 1)
            Vec2TrackX(e.scale);
        else
            Vec2Track(e.scale);
        Str(e.name);
        if (version >= 5)
            TypeAndProps(e);
        break;
    }
    case kGlaTextBox:
    {
        const auto& e = static_cast<const cGlaElementTextBox&>(element);
        Str(e.name);
        Str(e.text);
        if (version >= 6)
        {
            U8(e.textFlag != 0 ? 1 : 0);
            U32(e.alignment);
            ColourTrack(e.textColour);
        }
        Head(e, true);
        FloatTrack(e.angle);
        Vec2Track(e.size);
        break;
    }
    case kGlaScene:
    {
        const auto& e = static_cast<const cGlaElementScene&>(element);
        Str(e.name);
        if (version >= 6)
            U32(e.startOffset);
        Head(e, true);
        FloatTrack(e.rotation);
        Vec2Track(e.scale);
        Vec2Track(e.pivot);
        NamedTrack(e.scenes);
        if (version >= 9)
            ColourTrack(e.colour);
        break;
    }
    case kGlaEvent:
    {
        const auto& e = static_cast<const cGlaElementEvent&>(element);
        Str(e.name);
        U32(e.eventWordB);
        U32(e.eventWordA);
        Targets(e.targets);
        break;
    }
    case kGlaMultiSprite:
    {
        const auto& e = static_cast<const cGlaElementMultiSprite&>(element);
        Str(e.name);
        Str(e.multiSpriteName);
        if (version >= 5)
            U32(e.renderMode);
        Head(e, false);
        PictureTracks(e, false);
        break;
    }
    case kGlaSurface:
    {
        const auto& e = static_cast<const cGlaElementSurface&>(element);
        Str(e.name);
        Str(e.surfaceName);
        Head(e, false);
        PictureTracks(e, false);
        break;
    }
    case kGlaZone:
    {
        const auto& e = static_cast<const cGlaElementZone&>(element);
        Str(e.name);
        if (version >= 5)
        {
            BoolTrack(e.visible);
            FloatTrack(e.layer);
        }
        Vec2Track(e.position);
        Points(e.points);
        U32(e.zoneWord);
        Targets(e.targets);
        if (version >= 5)
            TypeAndProps(e);
        break;
    }
    case kGlaGroup:
    {
        const auto& e = static_cast<const cGlaElementGroup&>(element);
        Str(e.name);
        Vec2Track(e.position);
        break;
    }
    case kGlaPolyTextured:
    {
        const auto& e = static_cast<const cGlaElementPolyTextured&>(element);
        Str(e.name);
        U32(e.polyWord);
        Head(e, false);
        if (version >= 10)
            ColourTrack(e.colour);
        NamedTrack(e.texture);
        Vec2Track(e.textureScale);
        Vec2Track(e.textureOffset);
        FloatTrack(e.textureAngle);
        Points(e.points);
        break;
    }
    case kGlaModel:
    {
        const auto& e = static_cast<const cGlaElementModel&>(element);
        Str(e.name);
        Head(e, false);
        FloatTrack(e.angle);
        Vec2Track(e.scale);
        NamedTrack(e.models);
        break;
    }
    case kGlaAiPath:
    {
        const auto& e = static_cast<const cGlaElementAiPath&>(element);
        Str(e.name);
        U8(e.aiFlag != 0 ? 1 : 0);
        Head(e, true);
        Count16(e.points.size(), "points");
        for (const cGlaAiPathPoint& p : e.points)
            for (float v : p.v)
                F32(v);
        break;
    }
    case kGlaModelV2:
    {
        const auto& e = static_cast<const cGlaElementModelV2&>(element);
        Str(e.name);
        BoolTrack(e.visible);
        FloatTrack(e.layer);
        Vec2Track(e.position);
        FloatTrack(e.angle);
        Vec2Track(e.scale);
        Str(e.modelName);
        break;
    }
    case kGlaParticleEmiter:
    {
        const auto& e = static_cast<const cGlaElementParticleEmiter&>(element);
        Str(e.name);
        BoolTrack(e.visible);
        FloatTrack(e.layer);
        Vec2Track(e.position);
        FloatTrack(e.angle);
        // The record carries the scale twice; the reader keeps the second.
        Vec2Track(e.scale);
        Vec2Track(e.scale);
        ColourTrack(e.colour);
        FloatTrack(e.emitterFloat);
        Count32(e.imageNames.size(), "emitter images");
        for (const std::string& name : e.imageNames)
            Str(name);
        const cGlaEmitterSettings& s = e.settings;
        U32(s.renderMode);
        U32(s.colourStart);
        U32(s.colourEnd);
        F32(s.sizeStart);
        F32(s.sizeEnd);
        F32(s.sizeGrowth);
        F32(s.growthDamping);
        F32(s.angle);
        F32(s.spin);
        U32(s.lifeTicks);
        F32(s.velocityAngle);
        F32(s.speed);
        F32(s.velocityDamping);
        U8(s.flag != 0 ? 1 : 0);
        for (const cGlaEmitterRange& range : s.ranges)
        {
            F32(range.min);
            F32(range.max);
        }
        break;
    }
    default:
        break;
    }
}
} // namespace

bool WriteGlaSet(const cGlaSet& set, uint16_t version, std::vector<uint8_t>& out, std::string* error)
{
    out.clear();
    try
    {
        GlaWriter writer(out, version);
        writer.Set(set);
    }
    catch (const WriteError& e)
    {
        out.clear();
        if (error != nullptr)
            *error = e.what();
        return false;
    }
    return true;
}

bool WriteGlaSetFile(const cGlaSet& set, uint16_t version, const std::string& path, std::string* error)
{
    std::vector<uint8_t> bytes;
    if (!WriteGlaSet(set, version, bytes, error))
        return false;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file)
    {
        if (error != nullptr)
            *error = "cannot write " + path;
        return false;
    }
    return true;
}

namespace
{
void ResolveTargets(cGlaScene* scene, std::vector<cGlaElementRef>& targets)
{
    for (cGlaElementRef& ref : targets)
        ref.element = scene->FindElement(ref.name);
}
} // namespace

void ResolveGlaReferences(cGlaSet& set)
{
    for (cGlaScene* scene : set.scenes)
        for (cGlaElement* element : scene->elements)
        {
            if (auto* e = ClassCast<cGlaElementScene>(element))
                for (size_t i = 0; i < e->scenes.keys.size(); ++i)
                    e->scenes.keys[i].value = FindObjectByName(&set, e->scenes.NameOf(i));
            else if (auto* ev = ClassCast<cGlaElementEvent>(element))
                ResolveTargets(scene, ev->targets);
            else if (auto* z = ClassCast<cGlaElementZone>(element))
                ResolveTargets(scene, z->targets);
        }
}

#include "scene/GlaJson.h"

#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "KelpoBase/gla/GlaSet.h"
#include "scene/GlaWriter.h"

namespace
{
const char* const kKindNames[] = {
    "",          "Sprite",  "SpritePlain", "SpriteStatic", "Path",         "Rectangle",    "GameObj", "Poly",
    "Marker",    "SpriteCropped", "TextBox", "Scene",      "Event",        "MultiSprite",  "Surface", "Zone",
    "Group",     "PolyTextured",  "Model",   "AiPath",     "ModelV2",      "ParticleEmiter",
};

const char* const kPropKinds[] = {"", "int", "float", "element", "scene", "template", "string", "bool", "enum", "", "colour"};

struct JsonError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

using NamedKeys = std::vector<std::pair<int32_t, std::string>>;

// Floats that JSON numbers cannot hold are written as "nan", "inf" and "-inf".
GlaJson F(float v)
{
    if (std::isnan(v))
        return "nan";
    if (std::isinf(v))
        return v > 0 ? "inf" : "-inf";
    return v;
}

float ToFloat(const GlaJson& j)
{
    if (j.is_string())
    {
        const std::string text = j.get<std::string>();
        if (text == "nan")
            return std::numeric_limits<float>::quiet_NaN();
        if (text == "inf")
            return std::numeric_limits<float>::infinity();
        if (text == "-inf")
            return -std::numeric_limits<float>::infinity();
        throw JsonError("\"" + text + "\" is not a number");
    }
    return j.get<float>();
}

float FloatOr(const GlaJson& owner, const char* key, float fallback)
{
    auto it = owner.find(key);
    return it == owner.end() ? fallback : ToFloat(*it);
}

// Every field of an element kind, visited by name; one visitor writes JSON, one reads it.
class FieldVisitor
{
public:
    virtual ~FieldVisitor() = default;
    virtual bool Reading() const = 0;
    virtual void Text(const char* key, std::string& v) = 0;
    virtual void Byte(const char* key, uint8_t& v) = 0;
    virtual void Word(const char* key, uint32_t& v) = 0;
    virtual void Float(const char* key, float& v) = 0;
    virtual void BoolTrack(const char* key, cGlaTrack<bool>& t) = 0;
    virtual void FloatTrack(const char* key, cGlaTrack<float>& t) = 0;
    virtual void Vec2Track(const char* key, cGlaTrack<cVec2f>& t) = 0;
    virtual void ColourTrack(const char* key, cGlaTrack<cRGBA>& t) = 0;
    virtual void Names(const char* key, NamedKeys& keys) = 0;
    virtual void Points(const char* key, std::vector<cVec2f>& points) = 0;
    virtual void AiPoints(const char* key, std::vector<cGlaAiPathPoint>& points) = 0;
    virtual void Targets(const char* key, std::vector<cGlaElementRef>& refs) = 0;
    virtual void TextList(const char* key, std::vector<std::string>& list) = 0;
};

template <class T>
void VisitNamed(FieldVisitor& v, const char* key, cGlaNamedTrack<T>& t)
{
    NamedKeys entries;
    for (size_t i = 0; i < t.keys.size(); ++i)
        entries.emplace_back(t.keys[i].frame, t.NameOf(i));
    v.Names(key, entries);
    if (v.Reading())
    {
        t.Clear();
        for (const auto& [frame, name] : entries)
            t.AddNamedKey(nullptr, frame, name);
    }
}

void VisitPos(FieldVisitor& v, cGlaElementPos& e)
{
    v.BoolTrack("visible", e.visible);
    v.FloatTrack("layer", e.layer);
    v.Vec2Track("position", e.position);
}

void VisitPicture(FieldVisitor& v, cGlaPictureTracks& p)
{
    v.FloatTrack("rotation", p.rotation);
    v.Vec2Track("scale", p.scale);
    v.Vec2Track("pivot", p.pivot);
    v.ColourTrack("colour", p.colour);
}

void VisitElement(FieldVisitor& v, cGlaElement& element)
{
    switch (element.code)
    {
    case kGlaSprite:
    case kGlaSpriteSimple:
    case kGlaSpriteStatic:
    case kGlaSpriteCropped:
    {
        auto& e = static_cast<cGlaElementSprite&>(element);
        v.Word("renderMode", e.renderMode);
        v.Word("spareWord", e.spareWord);
        VisitPos(v, e);
        VisitPicture(v, e);
        VisitNamed(v, "frames", e.frames);
        v.Vec2Track("cropX", e.cropX);
        v.Vec2Track("cropY", e.cropY);
        break;
    }
    case kGlaPath:
    {
        auto& e = static_cast<cGlaElementPath&>(element);
        v.Byte("closed", e.closed);
        v.Byte("pathFlag", e.pathFlag);
        VisitPos(v, e);
        v.Points("points", e.points);
        if (v.Reading())
            e.BuildPath();
        break;
    }
    case kGlaRectangle:
    case kGlaTextBox:
    {
        auto& e = static_cast<cGlaElementRectangle&>(element);
        if (element.code == kGlaTextBox)
        {
            auto& t = static_cast<cGlaElementTextBox&>(element);
            v.Text("text", t.text);
            v.Byte("textFlag", t.textFlag);
            v.Word("alignment", t.alignment);
            v.ColourTrack("textColour", t.textColour);
        }
        VisitPos(v, e);
        v.FloatTrack("angle", e.angle);
        v.Vec2Track("size", e.size);
        break;
    }
    case kGlaGameObj:
    {
        auto& e = static_cast<cGlaElementGameObj&>(element);
        VisitPos(v, e);
        v.FloatTrack("angle", e.angle);
        v.Vec2Track("scale", e.scale);
        break;
    }
    case kGlaPoly:
    {
        auto& e = static_cast<cGlaElementPoly&>(element);
        VisitPos(v, e);
        v.Points("points", e.points);
        break;
    }
    case kGlaMarker:
    {
        auto& e = static_cast<cGlaElementMarker&>(element);
        VisitPos(v, e);
        v.FloatTrack("angle", e.angle);
        v.Vec2Track("scale", e.scale);
        break;
    }
    case kGlaScene:
    {
        auto& e = static_cast<cGlaElementScene&>(element);
        v.Word("startOffset", e.startOffset);
        VisitPos(v, e);
        VisitPicture(v, e);
        VisitNamed(v, "scenes", e.scenes);
        break;
    }
    case kGlaEvent:
    {
        auto& e = static_cast<cGlaElementEvent&>(element);
        v.Word("eventWordA", e.eventWordA);
        v.Word("eventWordB", e.eventWordB);
        v.Targets("targets", e.targets);
        break;
    }
    case kGlaMultiSprite:
    {
        auto& e = static_cast<cGlaElementMultiSprite&>(element);
        v.Text("file", e.multiSpriteName);
        v.Word("renderMode", e.renderMode);
        VisitPos(v, e);
        VisitPicture(v, e);
        break;
    }
    case kGlaSurface:
    {
        auto& e = static_cast<cGlaElementSurface&>(element);
        v.Text("file", e.surfaceName);
        VisitPos(v, e);
        VisitPicture(v, e);
        break;
    }
    case kGlaZone:
    {
        auto& e = static_cast<cGlaElementZone&>(element);
        VisitPos(v, e);
        v.Points("points", e.points);
        v.Word("zoneWord", e.zoneWord);
        v.Targets("targets", e.targets);
        break;
    }
    case kGlaGroup:
        VisitPos(v, static_cast<cGlaElementPos&>(element));
        break;
    case kGlaPolyTextured:
    {
        auto& e = static_cast<cGlaElementPolyTextured&>(element);
        v.Word("polyWord", e.polyWord);
        VisitPos(v, e);
        v.ColourTrack("colour", e.colour);
        VisitNamed(v, "texture", e.texture);
        v.Vec2Track("textureScale", e.textureScale);
        v.Vec2Track("textureOffset", e.textureOffset);
        v.FloatTrack("textureAngle", e.textureAngle);
        v.Points("points", e.points);
        break;
    }
    case kGlaModel:
    {
        auto& e = static_cast<cGlaElementModel&>(element);
        VisitPos(v, e);
        v.FloatTrack("angle", e.angle);
        v.Vec2Track("scale", e.scale);
        VisitNamed(v, "models", e.models);
        break;
    }
    case kGlaAiPath:
    {
        auto& e = static_cast<cGlaElementAiPath&>(element);
        v.Byte("aiFlag", e.aiFlag);
        VisitPos(v, e);
        v.AiPoints("points", e.points);
        break;
    }
    case kGlaModelV2:
    {
        auto& e = static_cast<cGlaElementModelV2&>(element);
        VisitPos(v, e);
        v.FloatTrack("angle", e.angle);
        v.Vec2Track("scale", e.scale);
        v.Text("file", e.modelName);
        break;
    }
    case kGlaParticleEmiter:
    {
        auto& e = static_cast<cGlaElementParticleEmiter&>(element);
        VisitPos(v, e);
        v.FloatTrack("angle", e.angle);
        v.Vec2Track("scale", e.scale);
        v.ColourTrack("colour", e.colour);
        v.FloatTrack("emitterFloat", e.emitterFloat);
        v.TextList("images", e.imageNames);
        cGlaEmitterSettings& s = e.settings;
        v.Word("renderMode", s.renderMode);
        v.Word("colourStart", s.colourStart);
        v.Word("colourEnd", s.colourEnd);
        v.Float("sizeStart", s.sizeStart);
        v.Float("sizeEnd", s.sizeEnd);
        v.Float("sizeGrowth", s.sizeGrowth);
        v.Float("growthDamping", s.growthDamping);
        v.Float("angleStart", s.angle);
        v.Float("spin", s.spin);
        v.Word("lifeTicks", s.lifeTicks);
        v.Float("velocityAngle", s.velocityAngle);
        v.Float("speed", s.speed);
        v.Float("velocityDamping", s.velocityDamping);
        v.Byte("flag", s.flag);
        static const char* const kRanges[6][2] = {{"g1Min", "g1Max"}, {"g2Min", "g2Max"}, {"g3Min", "g3Max"},
                                                  {"g4Min", "g4Max"}, {"g5Min", "g5Max"}, {"g6Min", "g6Max"}};
        for (int i = 0; i < 6; ++i)
        {
            v.Float(kRanges[i][0], s.ranges[i].min);
            v.Float(kRanges[i][1], s.ranges[i].max);
        }
        break;
    }
    default:
        break;
    }
}

// ---- JSON out --------------------------------------------------------------------

class JsonOut : public FieldVisitor
{
public:
    explicit JsonOut(GlaJson& target) : j(target) {}
    bool Reading() const override { return false; }
    void Text(const char* key, std::string& v) override { j[key] = v; }
    void Byte(const char* key, uint8_t& v) override { j[key] = v; }
    void Word(const char* key, uint32_t& v) override { j[key] = v; }
    void Float(const char* key, float& v) override { j[key] = F(v); }
    template <class T, class F>
    void Keys(const char* key, const cGlaTrack<T>& t, F value)
    {
        if (t.keys.empty())
            return;
        GlaJson list = GlaJson::array();
        for (const auto& k : t.keys)
        {
            GlaJson entry = GlaJson::array({k.frame});
            value(entry, k.value);
            list.push_back(std::move(entry));
        }
        j[key] = std::move(list);
    }
    void BoolTrack(const char* key, cGlaTrack<bool>& t) override
    {
        Keys(key, t, [](GlaJson& e, bool v) { e.push_back(v); });
    }
    void FloatTrack(const char* key, cGlaTrack<float>& t) override
    {
        Keys(key, t, [](GlaJson& e, float v) { e.push_back(F(v)); });
    }
    void Vec2Track(const char* key, cGlaTrack<cVec2f>& t) override
    {
        Keys(key, t, [](GlaJson& e, const cVec2f& v) {
            e.push_back(F(v.x));
            e.push_back(F(v.y));
        });
    }
    void ColourTrack(const char* key, cGlaTrack<cRGBA>& t) override
    {
        Keys(key, t, [](GlaJson& e, const cRGBA& c) {
            e.push_back(c.r);
            e.push_back(c.g);
            e.push_back(c.b);
            e.push_back(c.a);
        });
    }
    void Names(const char* key, NamedKeys& keys) override
    {
        if (keys.empty())
            return;
        GlaJson list = GlaJson::array();
        for (const auto& [frame, name] : keys)
            list.push_back(GlaJson::array({frame, name}));
        j[key] = std::move(list);
    }
    void Points(const char* key, std::vector<cVec2f>& points) override
    {
        GlaJson list = GlaJson::array();
        for (const cVec2f& p : points)
            list.push_back(GlaJson::array({F(p.x), F(p.y)}));
        j[key] = std::move(list);
    }
    void AiPoints(const char* key, std::vector<cGlaAiPathPoint>& points) override
    {
        GlaJson list = GlaJson::array();
        for (const cGlaAiPathPoint& p : points)
            list.push_back(GlaJson::array({F(p.v[0]), F(p.v[1]), F(p.v[2]), F(p.v[3]), F(p.v[4]), F(p.v[5])}));
        j[key] = std::move(list);
    }
    void Targets(const char* key, std::vector<cGlaElementRef>& refs) override
    {
        GlaJson list = GlaJson::array();
        for (const cGlaElementRef& ref : refs)
            list.push_back(GlaJson::array({ref.name, ref.value}));
        j[key] = std::move(list);
    }
    void TextList(const char* key, std::vector<std::string>& list) override { j[key] = list; }

private:
    GlaJson& j;
};

GlaJson PropToJson(const cGlaProp& prop)
{
    GlaJson j;
    j["name"] = prop.name;
    const uint8_t code = prop.Code();
    j["kind"] = kPropKinds[code];
    switch (code)
    {
    case kGlaPropInt: j["value"] = static_cast<const cGlaPropInt&>(prop).value; break;
    case kGlaPropFloat: j["value"] = F(static_cast<const cGlaPropFloat&>(prop).value); break;
    case kGlaPropRefElement: j["value"] = static_cast<const cGlaPropRefElement&>(prop).target; break;
    case kGlaPropRefScene: j["value"] = static_cast<const cGlaPropRefScene&>(prop).target; break;
    case kGlaPropRefTemplate: j["value"] = static_cast<const cGlaPropRefTemplate&>(prop).target; break;
    case kGlaPropString: j["value"] = static_cast<const cGlaPropString&>(prop).value; break;
    case kGlaPropBool: j["value"] = static_cast<const cGlaPropBool&>(prop).value != 0; break;
    case kGlaPropEnum: j["value"] = static_cast<const cGlaPropEnum&>(prop).value; break;
    case kGlaPropRGBA:
    {
        const cRGBA c = static_cast<const cGlaPropRGBA&>(prop).value;
        j["value"] = GlaJson::array({c.r, c.g, c.b, c.a});
        break;
    }
    default: break;
    }
    return j;
}

GlaJson PropsToJson(const std::vector<cGlaProp*>& props)
{
    GlaJson list = GlaJson::array();
    for (const cGlaProp* prop : props)
        list.push_back(PropToJson(*prop));
    return list;
}

bool HasTypeAndProps(uint8_t code)
{
    return code == kGlaGameObj || code == kGlaMarker || code == kGlaZone;
}

// ---- JSON in ---------------------------------------------------------------------

class JsonIn : public FieldVisitor
{
public:
    explicit JsonIn(const GlaJson& source) : j(source) {}
    bool Reading() const override { return true; }
    const GlaJson* Find(const char* key) const
    {
        auto it = j.find(key);
        return it == j.end() ? nullptr : &*it;
    }
    void Text(const char* key, std::string& v) override
    {
        if (const GlaJson* x = Find(key))
            v = x->get<std::string>();
    }
    void Byte(const char* key, uint8_t& v) override
    {
        if (const GlaJson* x = Find(key))
            v = x->is_boolean() ? (x->get<bool>() ? 1 : 0) : x->get<uint8_t>();
    }
    void Word(const char* key, uint32_t& v) override
    {
        if (const GlaJson* x = Find(key))
            v = x->get<uint32_t>();
    }
    void Float(const char* key, float& v) override
    {
        if (const GlaJson* x = Find(key))
            v = ToFloat(*x);
    }
    template <class T, class F>
    void Keys(const char* key, cGlaTrack<T>& t, size_t width, F value)
    {
        t.keys.clear();
        const GlaJson* list = Find(key);
        if (list == nullptr)
            return;
        for (const GlaJson& entry : *list)
        {
            if (!entry.is_array() || entry.size() != width + 1)
                throw JsonError(std::string("a key of \"") + key + "\" needs a frame and " + std::to_string(width) +
                                " value(s)");
            t.AddKey(value(entry), entry[0].get<int32_t>());
        }
    }
    void BoolTrack(const char* key, cGlaTrack<bool>& t) override
    {
        Keys(key, t, 1, [](const GlaJson& e) { return e[1].get<bool>(); });
    }
    void FloatTrack(const char* key, cGlaTrack<float>& t) override
    {
        Keys(key, t, 1, [](const GlaJson& e) { return ToFloat(e[1]); });
    }
    void Vec2Track(const char* key, cGlaTrack<cVec2f>& t) override
    {
        Keys(key, t, 2, [](const GlaJson& e) { return cVec2f(ToFloat(e[1]), ToFloat(e[2])); });
    }
    void ColourTrack(const char* key, cGlaTrack<cRGBA>& t) override
    {
        Keys(key, t, 4, [](const GlaJson& e) {
            return cRGBA(e[1].get<uint8_t>(), e[2].get<uint8_t>(), e[3].get<uint8_t>(), e[4].get<uint8_t>());
        });
    }
    void Names(const char* key, NamedKeys& keys) override
    {
        keys.clear();
        if (const GlaJson* list = Find(key))
            for (const GlaJson& entry : *list)
            {
                if (!entry.is_array() || entry.size() != 2)
                    throw JsonError(std::string("a key of \"") + key + "\" needs a frame and a name");
                keys.emplace_back(entry[0].get<int32_t>(), entry[1].get<std::string>());
            }
    }
    void Points(const char* key, std::vector<cVec2f>& points) override
    {
        points.clear();
        if (const GlaJson* list = Find(key))
            for (const GlaJson& p : *list)
            {
                if (!p.is_array() || p.size() != 2)
                    throw JsonError(std::string("a point of \"") + key + "\" needs x and y");
                points.emplace_back(ToFloat(p[0]), ToFloat(p[1]));
            }
    }
    void AiPoints(const char* key, std::vector<cGlaAiPathPoint>& points) override
    {
        points.clear();
        if (const GlaJson* list = Find(key))
            for (const GlaJson& p : *list)
            {
                if (!p.is_array() || p.size() != 6)
                    throw JsonError(std::string("a point of \"") + key + "\" needs six numbers");
                cGlaAiPathPoint point;
                for (size_t i = 0; i < 6; ++i)
                    point.v[i] = ToFloat(p[i]);
                points.push_back(point);
            }
    }
    void Targets(const char* key, std::vector<cGlaElementRef>& refs) override
    {
        refs.clear();
        if (const GlaJson* list = Find(key))
            for (const GlaJson& t : *list)
            {
                if (!t.is_array() || t.size() != 2)
                    throw JsonError(std::string("a target of \"") + key + "\" needs a name and a value");
                cGlaElementRef ref;
                ref.name = t[0].get<std::string>();
                ref.value = t[1].get<uint32_t>();
                refs.push_back(ref);
            }
    }
    void TextList(const char* key, std::vector<std::string>& list) override
    {
        list.clear();
        if (const GlaJson* x = Find(key))
            list = x->get<std::vector<std::string>>();
    }

private:
    const GlaJson& j;
};

cGlaProp* PropFromJson(const GlaJson& j, cGlaScene* scene)
{
    const std::string name = j.at("name").get<std::string>();
    const std::string kind = j.at("kind").get<std::string>();
    const GlaJson& v = j.at("value");
    if (kind == "int")
        return new cGlaPropInt(name, v.get<int32_t>());
    if (kind == "float")
        return new cGlaPropFloat(name, ToFloat(v));
    if (kind == "element")
        return new cGlaPropRefElement(scene, name, v.get<std::string>());
    if (kind == "scene")
        return new cGlaPropRefScene(scene, name, v.get<std::string>());
    if (kind == "template")
        return new cGlaPropRefTemplate(scene, name, v.get<std::string>());
    if (kind == "string")
        return new cGlaPropString(name, v.get<std::string>());
    if (kind == "bool")
        return new cGlaPropBool(name, v.get<bool>());
    if (kind == "enum")
        return new cGlaPropEnum(name, v.get<int32_t>());
    if (kind == "colour")
    {
        if (!v.is_array() || v.size() != 4)
            throw JsonError("colour property \"" + name + "\" needs [r, g, b, a]");
        return new cGlaPropRGBA(name, cRGBA(v[0].get<uint8_t>(), v[1].get<uint8_t>(), v[2].get<uint8_t>(),
                                            v[3].get<uint8_t>()));
    }
    throw JsonError("property \"" + name + "\" has the unknown kind \"" + kind + "\"");
}

template <class Add>
void PropsFromJson(const GlaJson& owner, cGlaScene* scene, Add add)
{
    auto it = owner.find("props");
    if (it == owner.end())
        return;
    for (const GlaJson& p : *it)
        add(PropFromJson(p, scene));
}
} // namespace

const char* GlaElementKindName(uint8_t code)
{
    return code >= 1 && code <= kGlaLastElementCode ? kKindNames[code] : "";
}

uint8_t GlaElementCodeOfKind(const std::string& kind)
{
    for (uint8_t code = 1; code <= kGlaLastElementCode; ++code)
        if (kind == kKindNames[code])
            return code;
    return 0;
}

GlaJson GlaSetToJson(const cGlaSet& set)
{
    GlaJson j;
    j["version"] = set.version;
    j["reserved"] = set.reserved;
    GlaJson types = GlaJson::array();
    for (const cGlaObjectType* type : set.types)
    {
        GlaJson t;
        t["name"] = type->name;
        GlaJson fields = GlaJson::array();
        for (const cGlaTypeField& field : type->fieldList)
        {
            GlaJson f;
            f["name"] = field.name;
            f["code"] = field.code;
            if (field.code == kGlaPropEnum)
            {
                f["values"] = GlaJson::array();
                if (field.enumSet >= 0 && static_cast<size_t>(field.enumSet) < set.enumSets.size())
                    f["values"] = set.enumSets[static_cast<size_t>(field.enumSet)]->values;
            }
            fields.push_back(std::move(f));
        }
        t["fields"] = std::move(fields);
        types.push_back(std::move(t));
    }
    j["types"] = std::move(types);

    GlaJson scenes = GlaJson::array();
    for (const cGlaScene* scene : set.scenes)
    {
        GlaJson s;
        s["name"] = scene->GetName();
        s["needed"] = scene->needed;
        s["valueA"] = F(scene->sceneValueA);
        s["valueB"] = F(scene->sceneValueB);
        s["fps"] = F(scene->fps);
        s["word"] = scene->sceneWord;
        s["type"] = scene->typeName;
        s["frames"] = scene->frameCount;
        s["props"] = PropsToJson(scene->props);
        GlaJson elements = GlaJson::array();
        for (cGlaElement* element : scene->elements)
        {
            GlaJson e;
            e["kind"] = GlaElementKindName(element->code);
            e["name"] = element->name;
            if (HasTypeAndProps(element->code))
            {
                e["type"] = element->typeName;
                e["props"] = PropsToJson(element->props);
            }
            JsonOut out(e);
            VisitElement(out, *element);
            elements.push_back(std::move(e));
        }
        s["elements"] = std::move(elements);
        scenes.push_back(std::move(s));
    }
    j["scenes"] = std::move(scenes);
    return j;
}

cGlaSet* GlaSetFromJson(const GlaJson& j, std::string* error)
{
    auto set = std::make_unique<cGlaSet>();
    try
    {
        if (!j.is_object())
            throw JsonError("the scene set must be a JSON object");
        set->version = j.value("version", static_cast<uint16_t>(10));
        set->reserved = j.value("reserved", static_cast<uint16_t>(0));
        if (auto types = j.find("types"); types != j.end())
            for (const GlaJson& t : *types)
            {
                auto* type = new cGlaObjectType();
                set->types.push_back(type);
                type->name = t.at("name").get<std::string>();
                if (auto fields = t.find("fields"); fields != t.end())
                    for (const GlaJson& f : *fields)
                    {
                        cGlaTypeField field;
                        field.name = f.at("name").get<std::string>();
                        field.code = f.at("code").get<uint8_t>();
                        if (field.code == kGlaPropEnum)
                        {
                            auto* values = new cGlaEnumSet();
                            field.enumSet = static_cast<int32_t>(set->enumSets.size());
                            set->enumSets.push_back(values);
                            values->values = f.value("values", std::vector<std::string>());
                        }
                        type->fields[field.name] = field.code;
                        type->fieldList.push_back(field);
                    }
            }
        if (auto scenes = j.find("scenes"); scenes != j.end())
            for (const GlaJson& s : *scenes)
            {
                auto* scene = new cGlaScene();
                set->AddScene(scene);
                scene->SetName(s.at("name").get<std::string>());
                scene->needed = s.value("needed", std::vector<std::string>());
                scene->sceneValueA = FloatOr(s, "valueA", 0.0f);
                scene->sceneValueB = FloatOr(s, "valueB", 0.0f);
                scene->fps = FloatOr(s, "fps", 30.0f);
                scene->sceneWord = s.value("word", 0u);
                scene->typeName = s.value("type", std::string());
                scene->type = set->FindType(scene->typeName);
                scene->frameCount = s.value("frames", 0);
                PropsFromJson(s, scene, [&](cGlaProp* p) { scene->AddProp(p); });
                if (auto elements = s.find("elements"); elements != s.end())
                    for (const GlaJson& e : *elements)
                    {
                        const std::string kind = e.at("kind").get<std::string>();
                        const uint8_t code = GlaElementCodeOfKind(kind);
                        cGlaElement* element = CreateGlaElement(code);
                        if (element == nullptr)
                            throw JsonError("unknown element kind \"" + kind + "\"");
                        if (IsGlaSpriteCode(code))
                            scene->AddSpriteElement(element);
                        else
                            scene->AddObjectElement(element);
                        element->name = e.value("name", std::string());
                        if (HasTypeAndProps(code))
                        {
                            element->typeName = e.value("type", std::string());
                            element->type = set->FindType(element->typeName);
                            PropsFromJson(e, scene, [&](cGlaProp* p) { element->AddProp(p); });
                        }
                        JsonIn in(e);
                        VisitElement(in, *element);
                    }
            }
    }
    catch (const std::exception& e)
    {
        if (error != nullptr)
            *error = e.what();
        return nullptr;
    }
    ResolveGlaReferences(*set);
    return set.release();
}

#include "scene/GlaJson.h"

#include <algorithm>
#include <cmath>
#include <concepts>
#include <cstddef>
#include <limits>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
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

// What is wrong with a value, and where it sits: the way down to it from the top of the
// set, outermost first (scene "Main", element "rect", position[2], frame), filled in by
// Within() as the error passes up through the readers.
struct JsonError : std::runtime_error
{
    using std::runtime_error::runtime_error;
    std::string where;
};

using NamedKeys = std::vector<std::pair<int32_t, std::string>>;

std::string Spell(const char* place)
{
    return place;
}

template <class Place>
    requires std::invocable<const Place&>
std::string Spell(const Place& place)
{
    return place();
}

// The JSON library's message without the error code in brackets that it starts with.
std::string LibraryMessage(const GlaJson::exception& e)
{
    const std::string text = e.what();
    const size_t code = text.rfind("] ", text.find(' '));
    return code == std::string::npos ? text : text.substr(code + 2);
}

// Runs read(); an error inside it is told where it happened. The place is a name or a
// function making one, so that a name is only spelled out for a message.
template <class Place, class Read>
decltype(auto) Within(const Place& place, Read&& read)
{
    try
    {
        return read();
    }
    catch (JsonError& e)
    {
        e.where = e.where.empty() ? Spell(place) : Spell(place) + ", " + e.where;
        throw;
    }
    catch (const GlaJson::exception& e)
    {
        JsonError error(LibraryMessage(e));
        error.where = Spell(place);
        throw error;
    }
}

// Text for a message, quoted and escaped so that it stays on one line.
std::string Quote(const std::string& text)
{
    return GlaJson(text).dump(-1, ' ', false, GlaJson::error_handler_t::replace);
}

// A value as a message shows it; dump() would write null for NaN and the infinities.
std::string Shown(const GlaJson& j)
{
    if (j.is_number_float() && !std::isfinite(j.get<double>()))
        return std::isnan(j.get<double>()) ? "nan" : j.get<double>() > 0 ? "inf" : "-inf";
    return j.dump(-1, ' ', false, GlaJson::error_handler_t::replace);
}

// The one conversion from JSON to an integer field: a whole number inside the range of the
// width the scene format stores. Fractions, NaN, infinities and numbers that the width
// would wrap or cut are refused, never converted.
template <class Int>
Int ToInt(const GlaJson& j)
{
    static_assert(std::is_integral_v<Int> && sizeof(Int) <= 4, "the bounds must be exact doubles");
    constexpr int64_t lo = std::numeric_limits<Int>::min(), hi = std::numeric_limits<Int>::max();
    const auto range = [] { return "a whole number from " + std::to_string(lo) + " to " + std::to_string(hi); };
    bool fits = false;
    int64_t value = 0;
    if (j.is_number_unsigned())
    {
        const uint64_t u = j.get<uint64_t>();
        fits = u <= static_cast<uint64_t>(hi);
        value = fits ? static_cast<int64_t>(u) : 0;
    }
    else if (j.is_number_integer())
    {
        value = j.get<int64_t>();
        fits = value >= lo && value <= hi;
    }
    else if (j.is_number_float())
    {
        const double d = j.get<double>();
        // NaN fails the first test, the infinities the second.
        fits = d == std::trunc(d) && d >= static_cast<double>(lo) && d <= static_cast<double>(hi);
        value = fits ? static_cast<int64_t>(d) : 0;
    }
    else
        throw JsonError("needs " + range() + ", not " + j.type_name());
    if (!fits)
        throw JsonError(Shown(j) + " is not " + range());
    return static_cast<Int>(value);
}

// Floats that JSON numbers cannot hold are written as "nan", "inf" and "-inf".
GlaJson F(float v)
{
    if (std::isnan(v))
        return "nan";
    if (std::isinf(v))
        return v > 0 ? "inf" : "-inf";
    return v;
}

// The one conversion from JSON to a float field. A finite number beyond the largest float
// is refused rather than made infinite (converting it is undefined, and "inf" says so
// plainly); within range it is rounded to the nearest float, as every float the writer
// shows comes back exactly.
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
        throw JsonError(Quote(text) + " is not a number");
    }
    if (!j.is_number())
        throw JsonError(std::string("needs a number, not ") + j.type_name());
    const double d = j.get<double>();
    if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max())
        throw JsonError(Shown(j) + " is beyond the range of a float (write \"inf\" or \"-inf\" for an infinity)");
    return static_cast<float>(d);
}

std::string ToText(const GlaJson& j)
{
    return j.get<std::string>();
}

std::vector<std::string> ToTextList(const GlaJson& j)
{
    return j.get<std::vector<std::string>>();
}

uint8_t ToByte(const GlaJson& j)
{
    return j.is_boolean() ? (j.get<bool>() ? 1 : 0) : ToInt<uint8_t>(j);
}

// The objects of a set's text that hold a key more than once, each with the first key it
// repeats. A value made from the text keeps only the last of the members under one key, so
// the text is searched for them before any value is made, and the reader is told of them.
using RepeatedKeys = std::unordered_map<const GlaJson*, std::string>;

// The members of one JSON object as its reader takes them. Every key the reader looks up is
// noted, whether the object holds it or not, so that Done() can refuse any other key: the
// keys an object may hold are exactly those its reader reads (for an element, those its
// kind's visitor visits), and a misspelt key is told rather than its field left at the
// default. A needed key that is left out is told by Done() as well, after the unknown keys,
// so that a misspelling is named as such rather than as the key it was meant to be. An
// object whose text gave a key twice is refused before any of its members is read: which of
// the two was meant cannot be known.
class Members
{
public:
    Members(const GlaJson& object, const RepeatedKeys& repeated) : j(object), repeats(repeated)
    {
        if (!j.is_object())
            throw JsonError(std::string("needs an object, not ") + j.type_name());
        if (const auto twice = repeats.find(&j); twice != repeats.end())
            throw JsonError("duplicate key " + Quote(twice->second));
    }
    // The members of an object inside this one, told of the same repeated keys.
    Members Inner(const GlaJson& object) const { return Members(object, repeats); }
    // The value under key, or null when it is left out.
    const GlaJson* Find(const char* key)
    {
        asked.push_back(key);
        const auto it = j.find(key);
        return it == j.end() ? nullptr : &*it;
    }
    // The same for a key that must be there.
    const GlaJson* Need(const char* key)
    {
        const GlaJson* value = Find(key);
        if (value == nullptr && missing == nullptr)
            missing = key;
        return value;
    }
    void Done() const
    {
        for (const auto& member : j.items())
            if (std::find(asked.begin(), asked.end(), member.key()) == asked.end())
                throw JsonError("unknown key " + Quote(member.key()));
        if (missing != nullptr)
            throw JsonError(std::string("needs a \"") + missing + "\"");
    }

private:
    const GlaJson& j;
    const RepeatedKeys& repeats;
    std::vector<std::string_view> asked;
    const char* missing = nullptr;
};

// A member that may be left out, read by read and named by its key in a message.
template <class T, class Read>
T Member(Members& owner, const char* key, T fallback, Read read)
{
    const GlaJson* value = owner.Find(key);
    return value == nullptr ? fallback : Within(key, [&] { return T(read(*value)); });
}

// A member that must be there; until Done() tells that it is not, it reads as empty.
template <class Read>
auto Required(Members& owner, const char* key, Read read)
{
    const GlaJson* value = owner.Need(key);
    return value == nullptr ? decltype(read(*value))() : Within(key, [&] { return read(*value); });
}

// A value that must be a list: iterating anything else would walk an object's members or
// take a single value as a list of one.
void RequireList(const GlaJson& j)
{
    if (!j.is_array())
        throw JsonError(std::string("needs a list, not ") + j.type_name());
}

// Item i of a list, as a message names it.
std::string Item(const char* key, size_t i)
{
    return std::string(key) + "[" + std::to_string(i) + "]";
}

// Part i of a list entry: read by read, named name in a message.
template <class Read>
auto Part(const GlaJson& entry, size_t i, const char* name, Read read)
{
    return Within(name, [&] { return read(entry[i]); });
}

// The four channels of a colour, from entry[first] on.
cRGBA ToColour(const GlaJson& entry, size_t first)
{
    static const char* const kChannels[4] = {"r", "g", "b", "a"};
    uint8_t c[4];
    for (size_t i = 0; i < 4; ++i)
        c[i] = Part(entry, first + i, kChannels[i], ToInt<uint8_t>);
    return cRGBA(c[0], c[1], c[2], c[3]);
}

// How a message names an entry of a list: as noun and its name when it has both, else by
// its place in the list.
std::string Entry(const char* noun, const char* list, const GlaJson& entry, size_t i)
{
    const auto name = entry.find("name");
    if (noun != nullptr && name != entry.end() && name->is_string() && !name->get_ref<const std::string&>().empty())
        return std::string(noun) + " " + Quote(name->get<std::string>());
    return Item(list, i);
}

// Reads each entry of the list owner[key], which may be left out, with read(entry); an entry
// that fails is named as Entry() does.
template <class Read>
void EachEntry(Members& owner, const char* key, const char* noun, Read read)
{
    const GlaJson* list = owner.Find(key);
    if (list == nullptr)
        return;
    Within(key, [&] { RequireList(*list); });
    for (size_t i = 0; i < list->size(); ++i)
    {
        const GlaJson& entry = (*list)[i];
        Within([&] { return Entry(noun, key, entry, i); }, [&] { read(entry); });
    }
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
    explicit JsonIn(Members& source) : j(source) {}
    bool Reading() const override { return true; }
    void Text(const char* key, std::string& v) override { v = Member(j, key, v, ToText); }
    void Byte(const char* key, uint8_t& v) override { v = Member(j, key, v, ToByte); }
    void Word(const char* key, uint32_t& v) override { v = Member(j, key, v, ToInt<uint32_t>); }
    void Float(const char* key, float& v) override { v = Member(j, key, v, ToFloat); }
    // Each entry of the list under key, checked to be a list of width parts and read by read.
    template <class Read>
    void Entries(const char* key, size_t width, const char* needs, Read read)
    {
        EachEntry(j, key, nullptr, [&](const GlaJson& entry) {
            if (!entry.is_array() || entry.size() != width)
                throw JsonError(std::string("needs ") + needs);
            read(entry);
        });
    }
    template <class T, class F>
    void Keys(const char* key, cGlaTrack<T>& t, size_t width, const char* needs, F value)
    {
        t.keys.clear();
        Entries(key, width + 1, needs, [&](const GlaJson& e) {
            const int32_t frame = Part(e, 0, "frame", ToInt<int32_t>);
            t.AddKey(value(e), frame);
        });
    }
    void BoolTrack(const char* key, cGlaTrack<bool>& t) override
    {
        Keys(key, t, 1, "[frame, true or false]",
             [](const GlaJson& e) { return Part(e, 1, "value", [](const GlaJson& x) { return x.get<bool>(); }); });
    }
    void FloatTrack(const char* key, cGlaTrack<float>& t) override
    {
        Keys(key, t, 1, "[frame, value]", [](const GlaJson& e) { return Part(e, 1, "value", ToFloat); });
    }
    void Vec2Track(const char* key, cGlaTrack<cVec2f>& t) override
    {
        Keys(key, t, 2, "[frame, x, y]", [](const GlaJson& e) {
            const float x = Part(e, 1, "x", ToFloat);
            return cVec2f(x, Part(e, 2, "y", ToFloat));
        });
    }
    void ColourTrack(const char* key, cGlaTrack<cRGBA>& t) override
    {
        Keys(key, t, 4, "[frame, r, g, b, a]", [](const GlaJson& e) { return ToColour(e, 1); });
    }
    void Names(const char* key, NamedKeys& keys) override
    {
        keys.clear();
        Entries(key, 2, "[frame, name]", [&](const GlaJson& e) {
            const int32_t frame = Part(e, 0, "frame", ToInt<int32_t>);
            keys.emplace_back(frame, Part(e, 1, "name", ToText));
        });
    }
    void Points(const char* key, std::vector<cVec2f>& points) override
    {
        points.clear();
        Entries(key, 2, "[x, y]", [&](const GlaJson& p) {
            const float x = Part(p, 0, "x", ToFloat);
            points.emplace_back(x, Part(p, 1, "y", ToFloat));
        });
    }
    void AiPoints(const char* key, std::vector<cGlaAiPathPoint>& points) override
    {
        points.clear();
        Entries(key, 6, "six numbers", [&](const GlaJson& p) {
            cGlaAiPathPoint point;
            for (size_t i = 0; i < 6; ++i)
                point.v[i] = Within([&] { return Item("number", i); }, [&] { return ToFloat(p[i]); });
            points.push_back(point);
        });
    }
    void Targets(const char* key, std::vector<cGlaElementRef>& refs) override
    {
        refs.clear();
        Entries(key, 2, "[name, value]", [&](const GlaJson& t) {
            cGlaElementRef ref;
            ref.name = Part(t, 0, "name", ToText);
            ref.value = Part(t, 1, "value", ToInt<uint32_t>);
            refs.push_back(ref);
        });
    }
    void TextList(const char* key, std::vector<std::string>& list) override
    {
        list = Member(j, key, std::vector<std::string>(), ToTextList);
    }

private:
    Members& j;
};

// Looks up every field of a kind without reading any: the keys some kind takes.
class JsonKeys : public FieldVisitor
{
public:
    explicit JsonKeys(Members& source) : j(source) {}
    bool Reading() const override { return false; }
    void Text(const char* key, std::string&) override { j.Find(key); }
    void Byte(const char* key, uint8_t&) override { j.Find(key); }
    void Word(const char* key, uint32_t&) override { j.Find(key); }
    void Float(const char* key, float&) override { j.Find(key); }
    void BoolTrack(const char* key, cGlaTrack<bool>&) override { j.Find(key); }
    void FloatTrack(const char* key, cGlaTrack<float>&) override { j.Find(key); }
    void Vec2Track(const char* key, cGlaTrack<cVec2f>&) override { j.Find(key); }
    void ColourTrack(const char* key, cGlaTrack<cRGBA>&) override { j.Find(key); }
    void Names(const char* key, NamedKeys&) override { j.Find(key); }
    void Points(const char* key, std::vector<cVec2f>&) override { j.Find(key); }
    void AiPoints(const char* key, std::vector<cGlaAiPathPoint>&) override { j.Find(key); }
    void Targets(const char* key, std::vector<cGlaElementRef>&) override { j.Find(key); }
    void TextList(const char* key, std::vector<std::string>&) override { j.Find(key); }

private:
    Members& j;
};

// Notes every key that an element of any kind takes, for an element that names no kind.
void FindEveryElementKey(Members& element)
{
    for (const char* key : {"name", "type", "props"})
        element.Find(key);
    JsonKeys keys(element);
    for (uint8_t code = 1; code <= kGlaLastElementCode; ++code)
        if (const std::unique_ptr<cGlaElement> blank(CreateGlaElement(code)); blank != nullptr)
            VisitElement(keys, *blank);
}

cGlaProp* PropFromJson(Members m, cGlaScene* scene)
{
    const std::string name = Required(m, "name", ToText);
    const std::string kind = Required(m, "kind", ToText);
    const GlaJson* value = m.Need("value");
    m.Done();
    const GlaJson& v = *value;
    cGlaProp* prop = Within("value", [&]() -> cGlaProp* {
        if (kind == "int")
            return new cGlaPropInt(name, ToInt<int32_t>(v));
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
            return new cGlaPropEnum(name, ToInt<int32_t>(v));
        if (kind == "colour")
        {
            if (!v.is_array() || v.size() != 4)
                throw JsonError("needs [r, g, b, a]");
            return new cGlaPropRGBA(name, ToColour(v, 0));
        }
        return nullptr;
    });
    if (prop == nullptr)
        throw JsonError("unknown kind " + Quote(kind));
    return prop;
}

template <class Add>
void PropsFromJson(Members& owner, cGlaScene* scene, Add add)
{
    EachEntry(owner, "props", "property", [&](const GlaJson& p) { add(PropFromJson(owner.Inner(p), scene)); });
}
// Follows the lists and objects of a text, building nothing: it stops at the first level
// past kGlaJsonMaxDepth or at the first syntax error, and notes every object that holds a key
// more than once, with where it stands in the text. Making, copying or destroying a value
// recurses through its levels (an ordered object copies its members as it grows), so a text
// must pass here before any value is made from it.
class TextCheck : public nlohmann::json_sax<GlaJson>
{
public:
    bool null() override { return Value(); }
    bool boolean(bool) override { return Value(); }
    bool number_integer(number_integer_t) override { return Value(); }
    bool number_unsigned(number_unsigned_t) override { return Value(); }
    bool number_float(number_float_t, const string_t&) override { return Value(); }
    bool string(string_t&) override { return Value(); }
    bool binary(binary_t&) override { return Value(); }
    bool start_object(std::size_t) override { return Open(true); }
    bool key(string_t& key) override
    {
        Level& object = open.back();
        if (!object.keys.insert(key).second && !object.repeats)
        {
            object.repeats = true;
            repeated.emplace_back(Where(), key);
        }
        object.key = key;
        return true;
    }
    bool end_object() override { return Close(); }
    bool start_array(std::size_t) override { return Open(false); }
    bool end_array() override { return Close(); }
    bool parse_error(std::size_t, const std::string&, const GlaJson::exception& e) override
    {
        syntaxError = LibraryMessage(e);
        return false;
    }

    bool tooDeep = false;
    std::string syntaxError;
    // Each object that holds a key twice: where it stands and the first key it repeats.
    std::vector<std::pair<GlaJson::json_pointer, std::string>> repeated;

private:
    // A list or object still open: an object's keys so far and the latest of them, which the
    // value being read stands under; the count of a list's values so far.
    struct Level
    {
        bool object = false;
        bool repeats = false;
        std::set<std::string> keys;
        std::string key;
        size_t values = 0;
    };
    bool Value()
    {
        if (!open.empty() && !open.back().object)
            ++open.back().values;
        return true;
    }
    bool Open(bool object)
    {
        Value();
        tooDeep = open.size() >= static_cast<size_t>(kGlaJsonMaxDepth);
        if (!tooDeep)
            open.emplace_back().object = object;
        return !tooDeep;
    }
    bool Close()
    {
        open.pop_back();
        return true;
    }
    // The way to the innermost open object from the top of the text.
    GlaJson::json_pointer Where() const
    {
        GlaJson::json_pointer where;
        for (size_t i = 0; i + 1 < open.size(); ++i)
            where = open[i].object ? where / open[i].key : where / (open[i].values - 1);
        return where;
    }
    std::vector<Level> open;
};
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

namespace
{
// The set a value holds, as GlaSetFromJson reads it; an object the table names is refused for
// the key its text gave twice.
cGlaSet* ReadSet(const GlaJson& j, const RepeatedKeys& repeated, std::string* error)
{
    auto set = std::make_unique<cGlaSet>();
    try
    {
        if (!j.is_object())
            throw JsonError("the scene set must be a JSON object");
        Members m(j, repeated);
        set->version = Member(m, "version", uint16_t(10), ToInt<uint16_t>);
        set->reserved = Member(m, "reserved", uint16_t(0), ToInt<uint16_t>);
        EachEntry(m, "types", "type", [&](const GlaJson& t) {
            Members tm = m.Inner(t);
            auto* type = new cGlaObjectType();
            set->types.push_back(type);
            type->name = Required(tm, "name", ToText);
            EachEntry(tm, "fields", "field", [&](const GlaJson& f) {
                Members fm = tm.Inner(f);
                cGlaTypeField field;
                field.name = Required(fm, "name", ToText);
                field.code = Required(fm, "code", ToInt<uint8_t>);
                const GlaJson* values = fm.Find("values");
                fm.Done();
                if (field.code == kGlaPropEnum)
                {
                    auto* enumSet = new cGlaEnumSet();
                    field.enumSet = static_cast<int32_t>(set->enumSets.size());
                    set->enumSets.push_back(enumSet);
                    if (values != nullptr)
                        enumSet->values = Within("values", [&] { return ToTextList(*values); });
                }
                else if (values != nullptr)
                    Within("values", [] { throw JsonError("only an enum field (code 8) has values"); });
                type->fields[field.name] = field.code;
                type->fieldList.push_back(field);
            });
            tm.Done();
        });
        // A set may hold no scene, but a form without the list is taken for a mistake.
        m.Need("scenes");
        EachEntry(m, "scenes", "scene", [&](const GlaJson& s) {
            Members sm = m.Inner(s);
            auto* scene = new cGlaScene();
            set->AddScene(scene);
            scene->SetName(Required(sm, "name", ToText));
            scene->needed = Member(sm, "needed", std::vector<std::string>(), ToTextList);
            scene->sceneValueA = Member(sm, "valueA", 0.0f, ToFloat);
            scene->sceneValueB = Member(sm, "valueB", 0.0f, ToFloat);
            scene->fps = Member(sm, "fps", 30.0f, ToFloat);
            scene->sceneWord = Member(sm, "word", 0u, ToInt<uint32_t>);
            scene->typeName = Member(sm, "type", std::string(), ToText);
            scene->type = set->FindType(scene->typeName);
            // Stored in 16 bits, so a longer timeline is refused here, by name.
            scene->frameCount = Member(sm, "frames", int16_t(0), ToInt<int16_t>);
            PropsFromJson(sm, scene, [&](cGlaProp* p) { scene->AddProp(p); });
            EachEntry(sm, "elements", "element", [&](const GlaJson& e) {
                Members em = sm.Inner(e);
                // The kind says which keys the rest may be, so it is needed first. Without it
                // only a key that no kind takes is known to be wrong: told first, as it is
                // most likely "kind" misspelt, and then the missing kind.
                const GlaJson* kindValue = em.Need("kind");
                if (kindValue == nullptr)
                {
                    FindEveryElementKey(em);
                    em.Done();
                    return; // not reached: Done() tells the missing kind
                }
                const std::string kind = Within("kind", [&] { return ToText(*kindValue); });
                const uint8_t code = GlaElementCodeOfKind(kind);
                cGlaElement* element = CreateGlaElement(code);
                if (element == nullptr)
                    throw JsonError("unknown element kind " + Quote(kind));
                if (IsGlaSpriteCode(code))
                    scene->AddSpriteElement(element);
                else
                    scene->AddObjectElement(element);
                element->name = Member(em, "name", std::string(), ToText);
                if (HasTypeAndProps(code))
                {
                    element->typeName = Member(em, "type", std::string(), ToText);
                    element->type = set->FindType(element->typeName);
                    PropsFromJson(em, scene, [&](cGlaProp* p) { element->AddProp(p); });
                }
                JsonIn in(em);
                VisitElement(in, *element);
                em.Done();
            });
            sm.Done();
        });
        m.Done();
    }
    catch (const JsonError& e)
    {
        if (error != nullptr)
            *error = e.where.empty() ? e.what() : e.where + ": " + e.what();
        return nullptr;
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
} // namespace

cGlaSet* GlaSetFromJson(const GlaJson& j, std::string* error)
{
    return ReadSet(j, RepeatedKeys(), error);
}

cGlaSet* GlaSetFromJsonText(std::string_view text, const std::string& source, std::string* error)
{
    const auto fail = [&](const std::string& message) -> cGlaSet* {
        if (error != nullptr)
            *error = message;
        return nullptr;
    };
    TextCheck check;
    if (!GlaJson::sax_parse(text.begin(), text.end(), &check))
        return check.tooDeep ? fail(source + " nests lists and objects more than " + std::to_string(kGlaJsonMaxDepth) +
                                    " deep, far deeper than any scene set")
                             : fail(source + " is not valid JSON: " + check.syntaxError);
    GlaJson json;
    try
    {
        json = GlaJson::parse(text.begin(), text.end());
    }
    catch (const GlaJson::exception& e)
    {
        return fail(source + " is not valid JSON: " + LibraryMessage(e));
    }
    // Where a repeating object stands in the text, it stands in the value too, unless it lies
    // inside a member that a later one under the same key replaced: that way may then lead
    // nowhere, or to another value, but only through an object that itself repeats a key,
    // which the reader meets and refuses first.
    RepeatedKeys repeated;
    for (const auto& [where, key] : check.repeated)
        if (json.contains(where))
            repeated.emplace(&json.at(where), key);
    std::string why;
    cGlaSet* set = ReadSet(json, repeated, &why);
    return set != nullptr ? set : fail(source + ": " + why);
}

// The elements of a Gla scene: sprites, shapes, paths, zones, text boxes, nested scenes,
// models, particle emitters and placeholders for game objects.
//
// Elements are passive data filled once by the scene reader. Each owns its tracks and
// properties; resource pointers, the owner scene, the object type and the targets of
// references are not owned. Every resource pointer has its file name beside it, so a
// loaded set can be written back.
//
// Resources are held as the resource layer hands them out: atlas frames as ImageRect,
// surfaces as cSurface, and textures, multi-sprites and models as their cResource (test
// the kind with ClassCast before use).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KelpoBase/core/KelpoObj.h"
#include "KelpoBase/gla/GlaMaths.h"
#include "KelpoBase/gla/GlaProp.h"
#include "KelpoBase/gla/GlaTrack.h"

class cGlaScene;
struct cGlaObjectType;
class cGlaElementPath;
class cResource;
class cSurface;
struct ImageRect;

// Element codes of the scene file.
enum GlaElementCode : uint8_t
{
    kGlaSprite = 1,
    kGlaSpriteSimple = 2,
    kGlaSpriteStatic = 3,
    kGlaPath = 4,
    kGlaRectangle = 5,
    kGlaGameObj = 6,
    kGlaPoly = 7,
    kGlaMarker = 8,
    kGlaSpriteCropped = 9,
    kGlaTextBox = 10,
    kGlaScene = 11,
    kGlaEvent = 12,
    kGlaMultiSprite = 13,
    kGlaSurface = 14,
    kGlaZone = 15,
    kGlaGroup = 16,
    kGlaPolyTextured = 17,
    kGlaModel = 18,
    kGlaAiPath = 19,
    kGlaModelV2 = 20,
    kGlaParticleEmiter = 21,
    kGlaLastElementCode = 21,
};

// An element named in the file and found in the same scene once the whole set is read
// (object elements first, then sprite elements); null when nothing has the name.
struct cGlaElementRef
{
    cGlaElement* element = nullptr;
    uint32_t value = 0;
    std::string name;
};

class cGlaElement : public cKelpoObj
{
    KELPO_DECLARE_CLASS(cGlaElement, cKelpoObj)
public:
    ~cGlaElement() override;

    virtual bool IsVisible(int32_t frame) const = 0;

    void AddProp(cGlaProp* prop);
    // First property of that name, else null.
    cGlaProp* FindProp(const std::string& propName) const;

    // Typed property queries: the first property of that name when it is exactly of the
    // expected class, else the default.
    bool GetBoolProp(const std::string& propName) const;
    int32_t GetEnumProp(const std::string& propName) const;
    float GetFloatProp(const std::string& propName) const;
    cGlaElement* GetRefElement(const std::string& propName) const;
    cGlaElementPath* GetPathProp(const std::string& propName) const;

    // The code of the record this element is read from and written to.
    uint8_t code = 0;
    std::string name;
    cGlaScene* scene = nullptr;
    std::vector<cGlaProp*> props;
    cGlaObjectType* type = nullptr;
    // The object type name as the file gave it (kept when no type matched it).
    std::string typeName;
};

class cGlaElementEvent : public cGlaElement
{
    KELPO_DECLARE_CLASS(cGlaElementEvent, cGlaElement)
public:
    bool IsVisible(int32_t) const override { return true; }
    uint32_t eventWordA = 0;
    uint32_t eventWordB = 0;
    std::vector<cGlaElementRef> targets;
};

class cGlaElementPos : public cGlaElement
{
    KELPO_DECLARE_CLASS(cGlaElementPos, cGlaElement)
public:
    bool IsVisible(int32_t frame) const override { return visible.GetValue(frame); }
    cGlaTrack<bool> visible;
    cGlaTrackVec2f position;
    cGlaTrackFloat layer;
};

// The rotation, scale, pivot and tint that the drawable picture kinds share.
struct cGlaPictureTracks
{
    cGlaTrackFloat rotation;
    cGlaTrackVec2f scale;
    cGlaTrackVec2f pivot;
    cGlaTrackRGBA colour;
};

class cGlaElementSprite : public cGlaElementPos, public cGlaPictureTracks
{
    KELPO_DECLARE_CLASS(cGlaElementSprite, cGlaElementPos)
public:
    cGlaNamedTrack<ImageRect*> frames;
    cGlaTrackVec2f cropX;
    cGlaTrackVec2f cropY;
    uint8_t cropped = 0;
    uint32_t renderMode = 1;
    uint32_t spareWord = 0;
    uint32_t kind = 1;
};

class cGlaElementMultiSprite : public cGlaElementPos, public cGlaPictureTracks
{
    KELPO_DECLARE_CLASS(cGlaElementMultiSprite, cGlaElementPos)
public:
    cResource* multiSprite = nullptr;
    std::string multiSpriteName;
    uint32_t renderMode = 1;
};

class cGlaElementSurface : public cGlaElementPos, public cGlaPictureTracks
{
    KELPO_DECLARE_CLASS(cGlaElementSurface, cGlaElementPos)
public:
    cSurface* surface = nullptr;
    std::string surfaceName;
};

class cGlaElementScene : public cGlaElementPos, public cGlaPictureTracks
{
    KELPO_DECLARE_CLASS(cGlaElementScene, cGlaElementPos)
public:
    // Keys start null and are filled once the whole set is read; the names stay.
    cGlaNamedTrack<cGlaScene*> scenes;
    uint8_t sceneByte = 0;
    uint32_t sceneWord = 0;
    uint32_t startOffset = 0;
};

class cGlaElementRectangle : public cGlaElementPos
{
    KELPO_DECLARE_CLASS(cGlaElementRectangle, cGlaElementPos)
public:
    // {min x, min y, max x, max y} of the size centred on the position at frame 0; the
    // angle is not applied.
    cRect2f GetBounds() const;
    cGlaTrackFloat angle;
    cGlaTrackVec2f size;
};

class cGlaElementTextBox : public cGlaElementRectangle
{
    KELPO_DECLARE_CLASS(cGlaElementTextBox, cGlaElementRectangle)
public:
    std::string text;
    uint8_t textFlag = 0;
    uint32_t alignment = 0;
    cGlaTrackRGBA textColour;
};

class cGlaElementPath : public cGlaElementPos
{
    KELPO_DECLARE_CLASS(cGlaElementPath, cGlaElementPos)
public:
    // Builds path from the points moved by the position at frame 0.
    void BuildPath();
    // The point at t (0 to 1) of the path's total length.
    cVec2f GetPointAt(float t) const;
    std::vector<cVec2f> points;
    cPath path;
    uint8_t closed = 0;
    uint8_t pathFlag = 0;
};

class cGlaElementPoly : public cGlaElementPos
{
    KELPO_DECLARE_CLASS(cGlaElementPoly, cGlaElementPos)
public:
    std::vector<cVec2f> points;
};

class cGlaElementZone : public cGlaElementPoly
{
    KELPO_DECLARE_CLASS(cGlaElementZone, cGlaElementPoly)
public:
    bool IsVisible(int32_t) const override { return true; }
    std::vector<cGlaElementRef> targets;
    uint32_t zoneWord = 0;
};

struct cGlaAiPathPoint
{
    float v[6];
};

class cGlaElementAiPath : public cGlaElementPos
{
    KELPO_DECLARE_CLASS(cGlaElementAiPath, cGlaElementPos)
public:
    std::vector<cGlaAiPathPoint> points;
    uint8_t aiFlag = 0;
};

class cGlaElementPolyTextured : public cGlaElementPos
{
    KELPO_DECLARE_CLASS(cGlaElementPolyTextured, cGlaElementPos)
public:
    std::vector<cVec2f> points;
    cGlaNamedTrack<cResource*> texture;
    cGlaTrackVec2f textureScale;
    cGlaTrackVec2f textureOffset;
    cGlaTrackFloat textureAngle;
    cGlaTrackRGBA colour;
    uint32_t polyWord = 0;
};

class cGlaElementGameObj : public cGlaElementPos
{
    KELPO_DECLARE_CLASS(cGlaElementGameObj, cGlaElementPos)
public:
    cGlaTrackFloat angle;
    cGlaTrackVec2f scale;
};

class cGlaElementMarker : public cGlaElementPos
{
    KELPO_DECLARE_CLASS(cGlaElementMarker, cGlaElementPos)
public:
    cGlaTrackVec2f scale;
    cGlaTrackFloat angle;
};

class cGlaElementGroup : public cGlaElementPos
{
    KELPO_DECLARE_CLASS(cGlaElementGroup, cGlaElementPos)
public:
    bool IsVisible(int32_t) const override { return true; }
};

class cGlaElementModel : public cGlaElementPos
{
    KELPO_DECLARE_CLASS(cGlaElementModel, cGlaElementPos)
public:
    cGlaTrackFloat angle;
    cGlaTrackVec2f scale;
    cGlaNamedTrack<cResource*> models;
};

class cGlaElementModelV2 : public cGlaElementPos
{
    KELPO_DECLARE_CLASS(cGlaElementModelV2, cGlaElementPos)
public:
    cGlaTrackFloat angle;
    cGlaTrackVec2f scale;
    cResource* model = nullptr;
    std::string modelName;
};

// A {min, max} range of an emitter: a value is picked uniformly between the two.
struct cGlaEmitterRange
{
    float min = 0.0f;
    float max = 0.0f;
};

// Emitter settings in file order: words w1 to w13, a flag byte and ranges g1 to g6.
struct cGlaEmitterSettings
{
    uint32_t renderMode = 0;      // w1
    uint32_t colourStart = 0;     // w2, a cRGBA word
    uint32_t colourEnd = 0;       // w3, a cRGBA word
    float sizeStart = 0.0f;       // w4
    float sizeEnd = 0.0f;         // w5
    float sizeGrowth = 0.0f;      // w6
    float growthDamping = 0.0f;   // w7
    float angle = 0.0f;           // w8
    float spin = 0.0f;            // w9
    uint32_t lifeTicks = 0;       // w10
    float velocityAngle = 0.0f;   // w11
    float speed = 0.0f;           // w12
    float velocityDamping = 0.0f; // w13
    uint8_t flag = 0;
    // g1 position offset, g2 angle, g3 size, g4 velocity angle, g5 (unused), g6 life.
    cGlaEmitterRange ranges[6];
};

class cGlaElementParticleEmiter : public cGlaElementPos
{
    KELPO_DECLARE_CLASS(cGlaElementParticleEmiter, cGlaElementPos)
public:
    cGlaTrackFloat angle;
    cGlaTrackVec2f scale;
    cGlaTrackRGBA colour;
    cGlaTrackFloat emitterFloat;
    // The images that loaded (a missing one leaves no gap) ...
    std::vector<ImageRect*> images;
    // ... and every name the file listed, loaded or not.
    std::vector<std::string> imageNames;
    cGlaEmitterSettings settings;
};

// A class record only: no element of it is ever made.
class cGlaElementVemiScene : public cGlaElementPos
{
    KELPO_DECLARE_CLASS(cGlaElementVemiScene, cGlaElementPos)
public:
    cGlaElementVemiScene() = delete;
};

// A new element of the kind that a record code makes (sprites get their kind), or null for
// a code outside 1 to 21.
cGlaElement* CreateGlaElement(uint8_t code);
// True when elements of that code go to a scene's sprite list, false for the object list.
bool IsGlaSpriteCode(uint8_t code);

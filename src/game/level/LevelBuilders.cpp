// The level's element builders for backgrounds, pickups, respawn points, scene bits and
// movers, and the helpers all the builders share.
//
// Builders read the scene model and never change it. Every object they make goes to one
// of the level's lists, which owns it. Box2D stops the program on shapes it cannot take,
// so every polygon is checked before it reaches the world: the scene bits' triangles
// with a sliver test of their own, the objects' polygons by the rigid-body controller.
#include "game/level/LevelBuilders.h"

#include <box2d/box2d.h>

#include <cmath>
#include <vector>

#include "KelpoBase/core/ObjectGrid.h"
#include "KelpoBase/core/Triangulate.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaSet.h"
#include "game/level/Level.h"
#include "game/objects/BackgroundObject.h"
#include "game/objects/GameObj.h"
#include "game/objects/MoverObject.h"
#include "game/objects/ObjectSupport.h"
#include "game/objects/PickupObject.h"
#include "game/objects/RigidBodyController.h"
#include "game/objects/WorldObject.h"

namespace
{
// Scene-bit triangles smaller than this (square metres, about a tenth of a square pixel)
// are slivers that Box2D cannot give a centre to.
constexpr float kMinTriangleArea = 1.0e-4f;
constexpr float kSceneBitSkin = 0.01f;

constexpr uint16_t kSceneBitCategory = 0x0001;
constexpr uint16_t kSceneBitMask = 0x000F;
constexpr uint16_t kMoverCategory = 0x0002;
constexpr uint16_t kMoverMaskDynamic = 0x0007;
constexpr uint16_t kMoverMaskStatic = 0x0004;
constexpr uint16_t kDynamicPickupCategory = 0x0002;
constexpr uint16_t kDynamicPickupMask = 0x000B;
// A dynamic pickup weighs a hundredth of what its shapes' density gives.
constexpr float kPickupMassFactor = 0.01f;

bool IsZoneOfType(const cGlaElement* element, const char* typeName)
{
    return element != nullptr && element->type != nullptr && element->type->name == typeName;
}

float ElementRotation(const cGlaElement* element)
{
    if (const auto* obj = ClassCast<const cGlaElementGameObj>(element))
        return obj->angle.GetValue(0);
    if (const auto* marker = ClassCast<const cGlaElementMarker>(element))
        return marker->angle.GetValue(0);
    return 0.0f;
}

// A static body that stays where it is put: fixed rotation, damping 1, off the world's
// gravity (its own is zero).
void MakeStaticBody(cRigidBodyController* rb)
{
    if (rb->CreateStaticBody() == nullptr)
        return;
    rb->body->SetFixedRotation(true);
    rb->body->ResetMassData();
    rb->SetDamping(1.0f, 0.0f);
    rb->SetUseWorldGravity(false);
}

// A dynamic body that falls with the world and turns; damping 0.1 both ways.
void MakeFallingBody(cRigidBodyController* rb)
{
    if (rb->CreateDynamicBody() == nullptr)
        return;
    rb->body->SetFixedRotation(false);
    rb->body->ResetMassData();
    rb->SetDamping(0.1f, 0.1f);
}

// Keeps a respawn point's checkpoint area with its object (the object kind has no field
// for it): installed in the auxiliary slot, deleted with the object.
class cRespawnAreaHolder : public cController
{
    KELPO_DECLARE_CLASS(cRespawnAreaHolder, cController)
public:
    ~cRespawnAreaHolder() override { delete area; }
    void SetArea(PolygonArea* newArea)
    {
        if (newArea == area)
            return;
        delete area;
        area = newArea;
    }
    PolygonArea* area = nullptr;
};

// The scenery of a scene bit as the level's grid sees it: the object's position and
// turned scene bounds (pixels), drawn through the object. Lives in the object's auxiliary
// slot and leaves the grid when it leaves the object.
class cSceneryGridEntry : public cController, public cGridEntry
{
    KELPO_DECLARE_CLASS(cSceneryGridEntry, cController)
public:
    explicit cSceneryGridEntry(cObjectGrid* levelGrid) : grid(levelGrid) {}

    void SetOwner(cGameObj* newOwner) override
    {
        if (newOwner == nullptr && owner != nullptr && grid != nullptr)
        {
            const cLevel* level = dynamic_cast<const cLevel*>(ObjectLevelOf(owner));
            if (level != nullptr && level->grid == grid)
                grid->Remove(this);
            grid = nullptr;
        }
        cController::SetOwner(newOwner);
    }

    cVec2f GetGridPosition() const override { return owner != nullptr ? owner->position : cVec2f(); }

    void GetGridBounds(cAABox2f& out) const override
    {
        out = cAABox2f{};
        const cWorldObject* world = owner != nullptr ? ClassCast<cWorldObject>(owner->GetLogicController()) : nullptr;
        if (world == nullptr || world->sceneController == nullptr)
            return;
        cRect2f local;
        world->sceneController->GetBounds(local);
        if (!(local.minX <= local.maxX && local.minY <= local.maxY))
            return;
        // The drawn scene turns with the object: take the bounds of the turned corners.
        const float c = std::cos(owner->angle);
        const float s = std::sin(owner->angle);
        const cVec2f corners[4] = {{local.minX, local.minY}, {local.maxX, local.minY},
                                   {local.maxX, local.maxY}, {local.minX, local.maxY}};
        bool first = true;
        for (const cVec2f& p : corners)
        {
            const cVec2f q(p.x * c - p.y * s, p.x * s + p.y * c);
            if (first)
            {
                out = cAABox2f{q.x, q.y, q.x, q.y};
                first = false;
                continue;
            }
            out.minX = std::fmin(out.minX, q.x);
            out.minY = std::fmin(out.minY, q.y);
            out.maxX = std::fmax(out.maxX, q.x);
            out.maxY = std::fmax(out.maxY, q.y);
        }
    }

    void DrawGridEntry(void* context) override
    {
        if (owner != nullptr && context != nullptr)
            owner->Draw(static_cast<cGfx2D*>(context));
    }

private:
    cObjectGrid* grid = nullptr;
};
} // namespace

// ---- shared helpers ------------------------------------------------------------------------

ElementPlacement PlaceElement(const cGlaElement* element, float angleDegrees, const cVec2f& offset)
{
    ElementPlacement place;
    place.position = ElementPosition(element) + offset;
    place.rotation = (ElementRotation(element) + angleDegrees) * kSceneDegreesToBodyRadians;
    return place;
}

void PlaceObject(cGameObj* object, const cVec2f& position, float angle)
{
    if (object == nullptr)
        return;
    cRigidBodyController* rb = object->GetRigidBodyController();
    if (std::isfinite(position.x) && std::isfinite(position.y))
    {
        object->position = position;
        if (rb != nullptr)
            rb->SetBodyPosition(position);
    }
    if (std::isfinite(angle))
    {
        object->angle = angle;
        if (rb != nullptr)
            rb->SetBodyAngle(angle);
    }
}

cGlaScene* ElementScene(const cGlaElement* element) { return ElementSceneProp(element, "scene"); }

void AddSceneShapes(cRigidBodyController* controller, const cGlaScene* scene, uint16_t category, uint16_t mask,
                    PolygonArea** holeArea, const cVec2f& holeOffset)
{
    if (controller == nullptr || scene == nullptr)
        return;
    std::vector<cGlaElement*> found;
    scene->CollectZones(found);
    for (cGlaElement* element : found)
    {
        const auto* zone = static_cast<const cGlaElementZone*>(element);
        if (IsZoneOfType(zone, "Hole"))
        {
            if (holeArea == nullptr)
                continue;
            auto* area = new PolygonArea(zone->points, ElementPosition(zone) + holeOffset, zone->GetEnumProp("Type"));
            delete *holeArea;
            *holeArea = area;
        }
        else if (IsZoneOfType(zone, "CollisionZone") && controller->body != nullptr)
            controller->AddPolygonFixture(zone, FiniteOr(zone->GetFloatProp("Friction"), 0.0f),
                                          FiniteOr(zone->GetFloatProp("Restitution"), 0.0f), category, mask);
    }
    if (controller->body == nullptr)
        return;
    scene->CollectMarkers(found);
    for (const cGlaElement* element : found)
    {
        if (!IsZoneOfType(element, "CollisionZone"))
            continue;
        const auto* marker = static_cast<const cGlaElementMarker*>(element);
        const cVec2f centre = ElementPosition(marker) * kPixelsToMetres;
        const float radius = marker->scale.GetValue(0).x * kPixelsToMetres;
        controller->AddCircleFixture(&centre, radius, FiniteOr(marker->GetFloatProp("Friction"), 0.0f),
                                     FiniteOr(marker->GetFloatProp("Restitution"), 0.0f), category, mask);
    }
}

void ScaleBodyMass(b2Body* body, float massFactor, float inertiaFactor)
{
    if (body == nullptr || body->GetType() != b2_dynamicBody)
        return;
    b2MassData data;
    body->GetMassData(&data);
    float mass = data.mass * FiniteOr(massFactor, 0.0f);
    float inertia = data.I * FiniteOr(inertiaFactor, 0.0f);
    if (!std::isfinite(mass) || mass <= 0.0f)
        mass = 1.0f; // what Box2D makes of it
    if (!std::isfinite(inertia))
        inertia = 0.0f;
    // Box2D keeps I - m |c|^2 as the inertia about the centre and stops when that is not
    // positive: such data leaves the body without rotation instead.
    if (inertia > 0.0f && inertia - mass * b2Dot(data.center, data.center) <= 0.0f)
        inertia = 0.0f;
    data.mass = mass;
    data.I = inertia;
    body->SetMassData(&data);
}

PolygonArea* cLevel::RespawnAreaOf(const cGameObj* object)
{
    const cRespawnAreaHolder* holder =
        object != nullptr ? ClassCast<cRespawnAreaHolder>(object->GetAuxController()) : nullptr;
    return holder != nullptr ? holder->area : nullptr;
}

// ---- backgrounds -------------------------------------------------------------------------

void cLevel::BuildBackground(cGlaElement* element)
{
    if (element == nullptr)
        return;
    const int performance = PerformanceMode();
    if ((performance == 0 || performance == 1) && element->GetBoolProp("HideOnLower"))
        return;
    auto* object = new cGameObj(this);
    object->SetName(element->name);
    object->SetLogicController(new cBackgroundObject(element));
    backgrounds.Append(object);
}

// ---- pickups and respawn points ------------------------------------------------------------

void cLevel::BuildPickup(cGlaElement* element, float angle, const cVec2f& offset)
{
    if (element == nullptr)
        return;
    cGlaScene* scene = ElementScene(element);
    auto* object = new cGameObj(this);
    const ElementPlacement place = PlaceElement(element, angle, offset);
    object->SetName(element->name);
    PlaceObject(object, place.position, place.rotation);

    auto* pickup = new cPickupObject(element);
    object->SetLogicController(pickup);
    pickup->CreateSceneController(scene); // played looped

    if (pickup->type == 1)
    {
        sugarTotal += 1;
        pickupTemplates[0] = element;
    }
    else if (pickup->type >= 2 && pickup->type <= 5)
        pickupTemplates[size_t(pickup->type)] = element; // kinds 2 to 5 follow kinds 1 and 6
    else if (pickup->type >= 6)
        pickupTemplates[1] = element;
    pickups.Append(object);

    if (scene != nullptr)
    {
        auto* rb = new cRigidBodyController;
        object->SetRigidBodyController(rb);
        uint16_t category = 0;
        uint16_t mask = 0;
        if (element->GetBoolProp("DynamicObject"))
        {
            MakeFallingBody(rb);
            category = kDynamicPickupCategory;
            mask = kDynamicPickupMask;
        }
        else
            MakeStaticBody(rb);
        PolygonArea* area = nullptr;
        AddSceneShapes(rb, scene, category, mask, &area);
        if (area != nullptr)
            pickup->SetArea(area);
        ScaleBodyMass(rb->body, kPickupMassFactor, 1.0f);
    }
    PlaceObject(object, place.position * kPixelsToMetres, place.rotation);
}

void cLevel::BuildRespawn(cGlaElement* element, float angle, const cVec2f& offset)
{
    if (element == nullptr)
        return;
    cGlaScene* scene = ElementScene(element);
    auto* object = new cGameObj(this);
    const ElementPlacement place = PlaceElement(element, angle, offset);
    object->SetName(element->name);
    PlaceObject(object, place.position, place.rotation);

    auto* respawn = new cRespawnObject;
    object->SetLogicController(respawn);
    respawn->CreateSceneController(scene); // not started
    respawns.Append(object);

    if (scene != nullptr)
    {
        auto* rb = new cRigidBodyController;
        object->SetRigidBodyController(rb);
        if (element->GetBoolProp("Dynamic"))
            MakeFallingBody(rb);
        else
            MakeStaticBody(rb);
        PolygonArea* area = nullptr;
        AddSceneShapes(rb, scene, 0, 0, &area, place.position);
        if (area != nullptr)
        {
            auto* holder = new cRespawnAreaHolder;
            holder->SetArea(area);
            object->SetAuxController(holder);
        }
    }
    PlaceObject(object, place.position * kPixelsToMetres, place.rotation);
}

// ---- scene bits ----------------------------------------------------------------------------

void cLevel::BuildSceneBit(cGlaElement* element, float angle, const cVec2f& offset)
{
    if (element == nullptr)
        return;
    const int performance = PerformanceMode();
    if ((performance == 0 || performance == 1) && element->GetBoolProp("HideOnLower"))
        return;
    cGlaScene* scene = ElementScene(element);
    auto* object = new cGameObj(this);
    const ElementPlacement place = PlaceElement(element, angle, offset);
    PlaceObject(object, place.position, place.rotation);

    auto* world = new cWorldObject; // depth 4000 until the scene says otherwise
    object->SetLogicController(world);
    world->CreateSceneController(scene);
    world->depth = SceneIntProp(scene, "Depth");

    if (grid != nullptr)
    {
        auto* entry = new cSceneryGridEntry(grid);
        object->SetAuxController(entry);
        grid->Insert(entry);
    }
    sceneBits.Append(object);

    if (scene == nullptr)
        return;
    const float c = std::cos(place.rotation);
    const float s = std::sin(place.rotation);
    std::vector<cGlaElement*> zones;
    scene->CollectZones(zones);
    std::vector<cVec2f> contour;
    std::vector<int32_t> triangles;
    for (const cGlaElement* element2 : zones)
    {
        const auto* zone = static_cast<const cGlaElementZone*>(element2);
        const cVec2f zoneAt = ElementPosition(zone);
        if (IsZoneOfType(zone, "Hole"))
        {
            areas.push_back(new PolygonArea(zone->points, zoneAt + place.position, zone->GetEnumProp("Type")));
            continue;
        }
        if (!IsZoneOfType(zone, "CollisionZone") || groundBody == nullptr || zone->points.size() < 3)
            continue;
        contour.clear();
        for (const cVec2f& p : zone->points)
        {
            const cVec2f q = p + zoneAt;
            contour.push_back((cVec2f(q.x * c - q.y * s, q.x * s + q.y * c) + place.position) * kPixelsToMetres);
        }
        triangles.clear();
        if (!TriangulatePolygon(contour, triangles) || triangles.empty())
            continue;
        for (size_t i = 0; i + 2 < triangles.size(); i += 3)
        {
            b2Vec2 corners[3];
            bool inRange = true;
            for (size_t k = 0; k < 3; ++k)
            {
                const int32_t index = triangles[i + k];
                if (index < 0 || size_t(index) >= contour.size())
                {
                    inRange = false;
                    break;
                }
                corners[k].Set(contour[size_t(index)].x, contour[size_t(index)].y);
            }
            if (!inRange)
                continue;
            const float area = 0.5f * std::fabs(b2Cross(corners[1] - corners[0], corners[2] - corners[0]));
            if (!(area >= kMinTriangleArea) || !IsPolygonUsable(corners))
                continue; // a sliver: Box2D would stop the program on it
            b2PolygonShape shape;
            shape.Set(corners, 3);
            shape.m_radius = kSceneBitSkin;
            b2FixtureDef def;
            def.shape = &shape;
            def.friction = FiniteOr(element->GetFloatProp("Friction"), 0.0f);
            def.restitution = FiniteOr(element->GetFloatProp("Restitution"), 0.0f);
            def.density = 1.0f;
            def.isSensor = false;
            def.filter.categoryBits = kSceneBitCategory;
            def.filter.maskBits = kSceneBitMask;
            def.filter.groupIndex = 0;
            groundBody->CreateFixture(&def);
        }
    }
}

// ---- movers --------------------------------------------------------------------------------

void cLevel::BuildMover(cGlaElement* element, float angle, const cVec2f& offset)
{
    if (element == nullptr)
        return;
    cGlaScene* scene = ElementScene(element);
    auto* object = new cGameObj(this);
    const ElementPlacement place = PlaceElement(element, angle, offset);
    object->SetName(element->name);
    auto* mover = new cMoverObject(element);
    object->SetLogicController(mover);
    mover->CreateSceneController(scene);

    if (scene != nullptr)
    {
        std::vector<cGlaElement*> zones;
        scene->CollectZones(zones);
        for (const cGlaElement* element2 : zones)
        {
            if (!IsZoneOfType(element2, "CollisionZone"))
                continue;
            // Each collision zone replaces the body made for an earlier one.
            auto* rb = new cRigidBodyController;
            object->SetRigidBodyController(rb);
            const bool dynamic = element->GetBoolProp("Dynamic");
            if ((dynamic ? rb->CreateDynamicBody() : rb->CreateStaticBody()) == nullptr)
                continue;
            rb->body->SetFixedRotation(true);
            rb->body->ResetMassData();
            rb->AddPolygonFixture(static_cast<const cGlaElementPoly*>(element2), 0.1f, 0.1f, kMoverCategory,
                                  dynamic ? kMoverMaskDynamic : kMoverMaskStatic);
            rb->SetDamping(1.0f, 0.0f);
            rb->SetUseWorldGravity(false); // its own gravity is (0, 0): it does not fall
        }
    }
    // In metres like every other body: the mover's path takes over from its first update,
    // and a mover without a path stays where its element is.
    PlaceObject(object, place.position * kPixelsToMetres, place.rotation);
    objects.Append(object);
}

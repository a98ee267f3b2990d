#include "game/objects/RigidBodyController.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <vector>

#include "KelpoBase/gla/GlaElement.h"
#include "game/objects/GameObj.h"
#include "game/objects/LevelBase.h"

namespace
{
void ReportRefusal(const char* what, const char* reason)
{
    std::fprintf(stderr, "physics: %s refused: %s\n", what, reason);
}

// The user data of a stand-in joint points at the mark of its kind.
const char kLineJointMark = 0;
const char kPulleyRopeMark = 0;

void Mark(b2Joint* joint, const char& mark)
{
    if (joint != nullptr)
        joint->GetUserData().pointer = reinterpret_cast<uintptr_t>(&mark);
}

bool HasMark(const b2Joint* joint, const char& mark)
{
    return joint != nullptr &&
           const_cast<b2Joint*>(joint)->GetUserData().pointer == reinterpret_cast<uintptr_t>(&mark);
}
} // namespace

void MarkLineJointPiece(b2Joint* joint) { Mark(joint, kLineJointMark); }
bool IsLineJointPiece(const b2Joint* joint) { return HasMark(joint, kLineJointMark); }
void MarkPulleyRope(b2Joint* joint) { Mark(joint, kPulleyRopeMark); }
bool IsStandInJoint(const b2Joint* joint) { return HasMark(joint, kLineJointMark) || HasMark(joint, kPulleyRopeMark); }

void DestroyBodyAndCarriages(b2World* world, b2Body* body)
{
    if (world == nullptr || body == nullptr)
        return;
    std::vector<b2Body*> carriages;
    for (b2JointEdge* edge = body->GetJointList(); edge != nullptr; edge = edge->next)
    {
        b2Body* other = edge->other;
        if (IsLineJointPiece(edge->joint) && other->GetType() == b2_dynamicBody && ControllerOfBody(other) == nullptr &&
            std::find(carriages.begin(), carriages.end(), other) == carriages.end())
            carriages.push_back(other);
    }
    world->DestroyBody(body);
    for (b2Body* carriage : carriages)
        world->DestroyBody(carriage);
}

bool IsPolygonUsable(std::span<const b2Vec2> points, const char** reason)
{
    auto fail = [reason](const char* why) {
        if (reason != nullptr)
            *reason = why;
        return false;
    };
    if (points.size() < 3)
        return fail("fewer than 3 points");
    if (points.size() > size_t(b2_maxPolygonVertices))
        return fail("more than 8 points");
    for (const b2Vec2& p : points)
    {
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            return fail("a point is not a finite number");
    }

    // The same welding and hull as Box2D's polygon set-up, so that the decision matches
    // what it would accept.
    b2Vec2 ps[b2_maxPolygonVertices];
    int32_t n = 0;
    const float weld = (0.5f * b2_linearSlop) * (0.5f * b2_linearSlop);
    for (const b2Vec2& v : points)
    {
        bool unique = true;
        for (int32_t j = 0; j < n; ++j)
        {
            if (b2DistanceSquared(v, ps[j]) < weld)
            {
                unique = false;
                break;
            }
        }
        if (unique)
            ps[n++] = v;
    }
    if (n < 3)
        return fail("fewer than 3 distinct points");

    int32_t i0 = 0;
    float x0 = ps[0].x;
    for (int32_t i = 1; i < n; ++i)
    {
        const float x = ps[i].x;
        if (x > x0 || (x == x0 && ps[i].y < ps[i0].y))
        {
            i0 = i;
            x0 = x;
        }
    }
    int32_t hull[b2_maxPolygonVertices];
    int32_t m = 0;
    int32_t ih = i0;
    for (;;)
    {
        if (m >= n)
            return fail("no convex hull");
        hull[m] = ih;
        int32_t ie = 0;
        for (int32_t j = 1; j < n; ++j)
        {
            if (ie == ih)
            {
                ie = j;
                continue;
            }
            const b2Vec2 r = ps[ie] - ps[hull[m]];
            const b2Vec2 v = ps[j] - ps[hull[m]];
            const float c = b2Cross(r, v);
            if (c < 0.0f)
                ie = j;
            if (c == 0.0f && v.LengthSquared() > r.LengthSquared())
                ie = j;
        }
        ++m;
        ih = ie;
        if (ie == i0)
            break;
    }
    if (m < 3)
        return fail("the points are collinear");

    float area = 0.0f;
    const b2Vec2 s = ps[hull[0]];
    for (int32_t i = 0; i < m; ++i)
    {
        const b2Vec2 a = ps[hull[i]];
        const b2Vec2 b = ps[hull[(i + 1) % m]];
        if ((b - a).LengthSquared() <= FLT_EPSILON * FLT_EPSILON)
            return fail("an edge of no length");
        area += 0.5f * b2Cross(a - s, b - s);
    }
    // Box2D asks for more than its epsilon; keep a margin above it.
    if (!(area > 4.0f * FLT_EPSILON))
        return fail("no area");
    return true;
}

cRigidBodyController* ControllerOfBody(const b2Body* body)
{
    if (body == nullptr)
        return nullptr;
    return reinterpret_cast<cRigidBodyController*>(const_cast<b2Body*>(body)->GetUserData().pointer);
}

void ApplyOwnGravity(b2World* world)
{
    if (world == nullptr)
        return;
    for (b2Body* b = world->GetBodyList(); b != nullptr; b = b->GetNext())
    {
        if (b->GetType() != b2_dynamicBody)
            continue;
        const cRigidBodyController* controller = ControllerOfBody(b);
        if (controller == nullptr || controller->UsesWorldGravity())
            continue;
        const cVec2f& g = controller->GetGravity();
        const float mass = b->GetMass();
        b->ApplyForceToCenter(mass * b2Vec2(g.x, g.y), false);
    }
}

float Box2DDamping(float damping, float step)
{
    if (!(damping > 0.0f) || !(step > 0.0f))
        return 0.0f;
    const float kept = 1.0f - step * damping;
    if (!(kept > 0.0f))
        return FLT_MAX;
    return std::min(damping / kept, FLT_MAX);
}

cRigidBodyController::~cRigidBodyController()
{
    // Normally gone already (SetOwner(null)); a body left behind no longer points here.
    if (body != nullptr)
        body->GetUserData().pointer = 0;
}

cLevelBase* cRigidBodyController::GetLevel() const { return owner != nullptr ? owner->level : nullptr; }

b2World* cRigidBodyController::World() const
{
    cLevelBase* level = GetLevel();
    return level != nullptr ? level->world : nullptr;
}

void cRigidBodyController::UpdateAxis()
{
    if (body == nullptr)
        return;
    const b2Vec2 y = body->GetTransform().q.GetYAxis();
    axis.Set(y.x, y.y);
}

void cRigidBodyController::Update(float dt)
{
    (void)dt;
    if (body == nullptr)
        return;
    const b2Vec2& v = body->GetLinearVelocity();
    velocity.Set(v.x, v.y);
    UpdateAxis();
    if (owner != nullptr)
    {
        const b2Vec2& p = body->GetPosition();
        owner->position.Set(p.x, p.y);
        owner->angle = body->GetAngle();
    }
}

void cRigidBodyController::SetOwner(cGameObj* newOwner)
{
    cGameObj* oldOwner = owner;
    owner = newOwner;
    if (newOwner != nullptr || oldOwner == nullptr || body == nullptr)
        return;

    b2Body* doomed = body;
    body = nullptr;
    doomed->GetUserData().pointer = 0;
    cLevelBase* level = oldOwner->level;
    if (level == nullptr || level->world == nullptr || doomed->GetWorld() != level->world)
        return; // the world is gone (or not this level's): nothing to destroy it in
    b2World* world = level->world;
    level->RunOutsideStep([world, doomed] { DestroyBodyAndCarriages(world, doomed); });
}

void cRigidBodyController::Reactivate()
{
    if (body == nullptr)
        return;
    b2Body* b = body;
    auto apply = [b] {
        b->SetEnabled(true);
        b->SetLinearVelocity(b2Vec2(0.0f, 0.0f));
        b->SetAngularVelocity(0.0f);
    };
    if (cLevelBase* level = GetLevel())
        level->RunOutsideStep(apply);
    else if (!b->GetWorld()->IsLocked())
        apply();
}

b2Body* cRigidBodyController::CreateStaticBody() { return CreateBody(b2_staticBody); }
b2Body* cRigidBodyController::CreateDynamicBody() { return CreateBody(b2_dynamicBody); }

b2Body* cRigidBodyController::CreateBody(b2BodyType type)
{
    b2World* world = World();
    if (world == nullptr)
    {
        ReportRefusal("body", "the controller has no owner, level or world");
        return nullptr;
    }
    if (body != nullptr)
    {
        ReportRefusal("body", "the controller already has one");
        return nullptr;
    }
    if (world->IsLocked())
    {
        ReportRefusal("body", "the world is stepping");
        return nullptr;
    }
    b2BodyDef def;
    def.type = type;
    def.position.Set(0.0f, 0.0f);
    def.angle = 0.0f;
    def.allowSleep = true;
    def.awake = true;
    def.fixedRotation = false;
    def.bullet = false;
    def.enabled = true;
    def.gravityScale = 1.0f;
    def.userData.pointer = reinterpret_cast<uintptr_t>(this);
    body = world->CreateBody(&def);
    useWorldGravity = true;
    UpdateAxis();
    return body;
}

b2Fixture* cRigidBodyController::AddPolygonFixture(const cGlaElementPoly* element, float friction,
                                                   float restitution, uint16_t categoryBits, uint16_t maskBits)
{
    if (element == nullptr)
        return nullptr;
    const cVec2f position = element->position.GetValue(0);
    std::vector<b2Vec2> points;
    points.reserve(element->points.size());
    for (const cVec2f& p : element->points)
        points.emplace_back((p.x + position.x) * kPixelsToMetres, (p.y + position.y) * kPixelsToMetres);
    return AddPolygonFixture(points, friction, restitution, categoryBits, maskBits);
}

b2Fixture* cRigidBodyController::AddPolygonFixture(std::span<const b2Vec2> points, float friction,
                                                   float restitution, uint16_t categoryBits, uint16_t maskBits)
{
    if (body == nullptr || body->GetWorld()->IsLocked())
        return nullptr;
    const char* reason = nullptr;
    if (!IsPolygonUsable(points, &reason))
    {
        ReportRefusal("polygon fixture", reason);
        return nullptr;
    }
    b2PolygonShape shape;
    shape.Set(points.data(), int32(points.size()));
    b2FixtureDef def;
    def.shape = &shape;
    def.friction = friction;
    def.restitution = restitution;
    def.density = 1.0f;
    def.isSensor = false;
    def.filter.categoryBits = categoryBits;
    def.filter.maskBits = maskBits;
    def.filter.groupIndex = 0;
    return body->CreateFixture(&def);
}

b2Fixture* cRigidBodyController::AddCircleFixture(const cVec2f* centre, float radius, float friction,
                                                  float restitution, uint16_t categoryBits, uint16_t maskBits)
{
    if (body == nullptr || body->GetWorld()->IsLocked())
        return nullptr;
    if (!(radius > 0.0f) || !std::isfinite(radius))
    {
        ReportRefusal("circle fixture", "the radius is not a positive number");
        return nullptr;
    }
    b2CircleShape shape;
    if (centre != nullptr)
    {
        if (!std::isfinite(centre->x) || !std::isfinite(centre->y))
        {
            ReportRefusal("circle fixture", "the centre is not a finite point");
            return nullptr;
        }
        shape.m_p.Set(centre->x, centre->y);
    }
    shape.m_radius = radius;
    b2FixtureDef def;
    def.shape = &shape;
    def.friction = friction;
    def.restitution = restitution;
    def.density = 1.0f;
    def.isSensor = false;
    def.filter.categoryBits = categoryBits;
    def.filter.maskBits = maskBits;
    def.filter.groupIndex = 0;
    return body->CreateFixture(&def);
}

void cRigidBodyController::SetDamping(float linear, float angular)
{
    if (body == nullptr)
        return;
    const cLevelBase* level = GetLevel();
    const float step = level != nullptr ? level->timeStep : 1.0f / 30.0f;
    body->SetLinearDamping(Box2DDamping(linear, step));
    body->SetAngularDamping(Box2DDamping(angular, step));
}

void cRigidBodyController::SetUseWorldGravity(bool use)
{
    useWorldGravity = use;
    if (body != nullptr)
        body->SetGravityScale(use ? 1.0f : 0.0f);
}

namespace
{
bool Finite(const cVec2f& p) { return std::isfinite(p.x) && std::isfinite(p.y); }
} // namespace

void cRigidBodyController::ResetBody(const cVec2f& p, float bodyAngle)
{
    if (body == nullptr || !Finite(p) || !std::isfinite(bodyAngle))
        return;
    b2Body* b = body;
    auto apply = [b, p, bodyAngle] {
        b->SetTransform(b2Vec2(p.x, p.y), bodyAngle);
        b->SetAwake(false); // sleep time, velocities, force and torque to zero
        b->SetAwake(true);
    };
    if (b->GetWorld()->IsLocked())
    {
        if (cLevelBase* level = GetLevel())
            level->RunOutsideStep(apply);
        return;
    }
    apply();
    UpdateAxis();
}

void cRigidBodyController::SetBodyAngle(float bodyAngle)
{
    if (body == nullptr || !std::isfinite(bodyAngle))
        return;
    b2Body* b = body;
    auto apply = [b, bodyAngle] { b->SetTransform(b->GetPosition(), bodyAngle); };
    if (b->GetWorld()->IsLocked())
    {
        if (cLevelBase* level = GetLevel())
            level->RunOutsideStep(apply);
        return;
    }
    apply();
    UpdateAxis();
}

void cRigidBodyController::SetBodyPosition(const cVec2f& p)
{
    if (body == nullptr || !Finite(p))
        return;
    b2Body* b = body;
    auto apply = [b, p] { b->SetTransform(b2Vec2(p.x, p.y), b->GetAngle()); };
    if (b->GetWorld()->IsLocked())
    {
        if (cLevelBase* level = GetLevel())
            level->RunOutsideStep(apply);
        return;
    }
    apply();
    UpdateAxis();
}

void cRigidBodyController::SetBodyActive(bool active)
{
    if (body == nullptr)
        return;
    b2Body* b = body;
    auto apply = [b, active] { b->SetEnabled(active); };
    if (b->GetWorld()->IsLocked())
    {
        if (cLevelBase* level = GetLevel())
            level->RunOutsideStep(apply);
        return;
    }
    apply();
}

cVec2f cRigidBodyController::RotateToWorld(const cVec2f& v) const
{
    const float a = owner != nullptr ? owner->angle : 0.0f;
    const float c = std::cos(a), s = std::sin(a);
    return {c * v.x - s * v.y, s * v.x + c * v.y};
}

cVec2f cRigidBodyController::RotateToLocal(const cVec2f& v) const
{
    const float a = owner != nullptr ? owner->angle : 0.0f;
    const float c = std::cos(a), s = std::sin(a);
    return {c * v.x + s * v.y, -s * v.x + c * v.y};
}

cVec2f cRigidBodyController::LocalToWorld(const cVec2f& local) const
{
    const cVec2f origin = owner != nullptr ? owner->position : cVec2f();
    return RotateToWorld(local) + origin;
}

cVec2f cRigidBodyController::WorldToLocal(const cVec2f& world) const
{
    const cVec2f origin = owner != nullptr ? owner->position : cVec2f();
    return RotateToLocal(world - origin);
}

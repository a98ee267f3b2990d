#include "game/level/Level.h"

#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "KelpoBase/core/Colour.h"
#include "KelpoBase/core/ObjectGrid.h"
#include "KelpoBase/core/PolygonZone.h"
#include "KelpoBase/core/Random.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Gfx2Dx.h"
#include "KelpoBase/render/Renderer.h"
#include "KelpoBase/render/SoundResource.h"
#include "game/objects/ContactListener.h"
#include "game/objects/Controller.h"
#include "game/objects/Dorvo.h"
#include "game/objects/GameObj.h"
#include "game/objects/PlayerControls.h"
#include "game/objects/RigidBodyController.h"

namespace
{
// The key is held this frame; codes outside the input block never are.
bool Held(int32_t code) { return code >= 0 && code < int32_t(KEY_COUNT) && IsKeyDown(uint32_t(code)); }

float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

// A camera coordinate kept between the lower and upper limit; the upper one when they
// cross.
float ClampToView(float value, float lower, float upper)
{
    if (value > upper || lower > upper)
        return upper;
    return value < lower ? lower : value;
}

// A byte from a value 0 to 255 (clamped first; NaN gives 0).
uint8_t ByteOf(float v)
{
    if (!(v > 0.0f))
        return 0;
    return v >= 255.0f ? uint8_t(255) : uint8_t(v);
}
} // namespace

// ---- areas -------------------------------------------------------------------------------

PolygonArea::PolygonArea(const std::vector<cVec2f>& source, const cVec2f& at, int32_t areaType)
    : type(areaType), position(at)
{
    points.reserve(source.size());
    for (const cVec2f& p : source)
        points.push_back((p + at) * kPixelsToMetres);
    SetName("0");
}

// ---- object lists --------------------------------------------------------------------------

void ObjectList::MoveDeadToWaiting()
{
    for (auto it = live.begin(); it != live.end();)
    {
        if (!(*it)->IsAlive())
        {
            waiting.push_back(*it);
            it = live.erase(it);
        }
        else
            ++it;
    }
}

void ObjectList::DeleteWaiting()
{
    while (!waiting.empty())
    {
        cGameObj* object = waiting.front();
        waiting.pop_front();
        if (object->parent != nullptr)
            object->parent->RemoveChild(object);
        delete object;
    }
}

void ObjectList::DeleteAll()
{
    DeleteWaiting();
    while (!live.empty())
    {
        cGameObj* object = live.front();
        live.pop_front();
        delete object;
    }
}

void ObjectList::Forget(const cGameObj* object)
{
    live.remove(const_cast<cGameObj*>(object));
    waiting.remove(const_cast<cGameObj*>(object));
}

// ---- the record ----------------------------------------------------------------------------

cLevel::cLevel(int32_t levelNumber)
{
    stateMachine.Init();
    stateMachine.SetOwner(this);
    int32_t n = levelNumber;
    if (n >= 250)
    {
        isChallenge = true;
        n -= 250;
    }
    if (n >= 200)
    {
        isSurvival = true;
        levelIndex = n - 200;
    }
    else
    {
        mode = n / 50;
        levelIndex = n % 50;
    }
    gfx2D = new cGfx2Dx(gRenderer);
    // The objects' effects fill the first pool, the one the scene draw shows.
    particles = &particlePoolA;
}

cLevel::~cLevel()
{
    ClearLevel();
    for (cGlaControllerScene** scene : {&hudScene, &transitionScene, &resultsScene, &overlayScene,
                                        &noJumpIndicator, &jumpIndicator, &pauseScene, &exitScene})
    {
        delete *scene;
        *scene = nullptr;
    }
    delete gfx2D;
    gfx2D = nullptr;
    stateMachine.FreeStack();
}

void cLevel::OnObjectDeleted(cGameObj* object)
{
    // While the lists are emptied whole, a top-level object has already left its list;
    // only children (deleted with their parent) may still be listed elsewhere.
    if (clearingLists && object->parent == nullptr)
        return;
    for (ObjectList* list : {&objects, &respawns, &pickups, &backgrounds, &sceneBits})
        list->Forget(object);
    if (cameraTarget == object)
        cameraTarget = nullptr;
}

cGameObj* cLevel::FindObjectByName(const std::string& name)
{
    for (const ObjectList* list : {&objects, &respawns, &pickups})
    {
        for (cGameObj* object : list->live)
        {
            if (object->GetName() == name)
                return object;
        }
    }
    return nullptr;
}

uint32_t cLevel::PlayerZoneFlags() const { return player != nullptr ? player->GetZoneFlags() : 0; }

bool cLevel::PlayerPosition(cVec2f& out) const
{
    const auto* controller = dynamic_cast<const cController*>(player);
    if (controller == nullptr || controller->owner == nullptr)
        return false;
    out = controller->owner->position;
    return true;
}

int32_t cLevel::PlayerStateValue() const
{
    const auto* dorvo = dynamic_cast<const cDorvo*>(player);
    return dorvo != nullptr ? dorvo->jumpRepeat : 0;
}

float cLevel::SafeZoom() const { return cameraZoom > 0.0f && std::isfinite(cameraZoom) ? cameraZoom : 1.0f; }

cVec2f cLevel::ViewHalfSize() const
{
    const float zoom = SafeZoom();
    const float w = float(ScreenWidth()) / zoom;
    const float h = float(ScreenHeight()) / zoom;
    if (mode == 1)
        return {w * 0.6f, w * 0.6f};
    return {w * 0.5f, h * 0.5f};
}

// ---- drawing -------------------------------------------------------------------------------

void cLevel::DrawScene()
{
    if (gfx2D == nullptr)
        return;
    cGfx2D* g = gfx2D;
    DrawObjectList(backgrounds.live, g);

    g->PushTransform();
    g->Translate(float(ScreenWidth()) * 0.5f, float(ScreenHeight()) * 0.5f);
    g->Scale(cameraZoom, cameraZoom);
    g->Rotate(-worldAngle);
    g->PushTransform();
    const cVec2f centre = cameraPos * kMetresToPixels;
    g->Translate(-centre.x, -centre.y);

    if (grid != nullptr)
    {
        const cVec2f half = ViewHalfSize();
        grid->DrawObjectsInRect(g, centre.x - half.x, centre.y - half.y, centre.x + half.x, centre.y + half.y);
    }
    DrawObjectList(objects.live, g);
    DrawObjectList(respawns.live, g);
    DrawObjectList(pickups.live, g);
    DrawParticlePoolCulled(particlePoolA, *g, viewBox);

    g->PopTransform();
    g->PopTransform();
}

void cLevel::DrawDimOverlay(float alpha)
{
    if (gfx2D == nullptr)
        return;
    const float a = Clamp01(alpha);
    gfx2D->colourStack.push_back(gfx2D->colour);
    gfx2D->SetColour(cRGBA(0, 0, 0, ByteOf(a * 192.0f)).Word());
    gfx2D->PushTransform();
    gfx2D->FillRect(float(ScreenWidth()), float(ScreenHeight()), kAlignTopLeft);
    gfx2D->PopTransform();
    gfx2D->colour = gfx2D->colourStack.back();
    gfx2D->colourStack.pop_back();
}

void cLevel::DrawPausePanel(float t) { DrawPanel(pauseScene, t, true); }

void cLevel::DrawExitPanel(float t) { DrawPanel(exitScene, t, false); }

void cLevel::DrawPanel(cGlaControllerScene* scene, float t, bool withLevelNumber)
{
    if (gfx2D == nullptr)
        return;
    cGfx2D* g = gfx2D;
    const float shown = Clamp01(t);
    const float zoom = 1.0f + (1.0f - shown) * 10.0f;
    const float cx = float(ScreenWidth()) * 0.5f;
    const float cy = float(ScreenHeight()) * 0.5f;
    g->SetColour(cRGBA(255, 255, 255, ByteOf(shown * 255.0f)).Word());

    g->PushTransform();
    g->Translate(cx, cy);
    g->Rotate((1.0f - shown) * 60.0f * 0.017453292f);
    g->Scale(zoom, zoom);
    if (scene != nullptr)
        scene->Draw(*g);
    g->PopTransform();

    if (!withLevelNumber || scene == nullptr || levelFont == nullptr)
        return;
    const cGlaControllerElement* levelElement = scene->FindController("level");
    if (levelElement == nullptr)
        return;
    char text[16];
    std::snprintf(text, sizeof text, "%d", levelIndex + 1);
    g->PushTransform();
    g->Translate(cx + levelElement->position.x * zoom, cy + levelElement->position.y * zoom);
    g->Rotate(-0.15707964f);
    g->Scale(zoom, zoom);
    g->SetFont(levelFont);
    g->DrawText(0, text);
    g->PopTransform();
}

// ---- camera --------------------------------------------------------------------------------

void cLevel::UpdateCamera()
{
    if (cameraBlendFrames > 0)
        --cameraBlendFrames;

    bool clampOnly = false;
    const cVec2f targetPos =
        cameraTarget != nullptr ? cameraTarget->position : cameraTargetPos; // no target: stay on course
    switch (cameraMode)
    {
    case 0:
        cameraTargetPos = targetPos;
        cameraTargetZoom = defaultZoom;
        break;
    case 1:
        break;
    case 2:
        cameraTargetPos = targetPos;
        cameraPos = targetPos;
        break;
    case 3:
        cameraTargetPos.y = targetPos.y;
        break;
    case 4:
        cameraTargetPos.x = targetPos.x;
        break;
    default:
        clampOnly = true;
        break;
    }

    if (!clampOnly)
    {
        if (cameraBlendFrames < 1)
        {
            cameraPos = cameraTargetPos;
            cameraZoom = cameraTargetZoom;
        }
        else
        {
            const float n = float(cameraBlendFrames);
            cameraPos.x -= (cameraPos.x - cameraTargetPos.x) / n;
            cameraPos.y -= (cameraPos.y - cameraTargetPos.y) / n;
            cameraZoom -= (cameraZoom - cameraTargetZoom) / n;
        }
    }

    // Keep the view inside the boundary. Where the level is narrower (or shorter) than
    // the view the two limits cross and the upper one holds, wherever the target is: the
    // camera stays put instead of jumping from one limit to the other.
    const float zoom = SafeZoom();
    const float hw = float(ScreenWidth()) * 0.5f / zoom;
    const float hh = float(ScreenHeight()) * 0.5f / zoom;
    cameraPos.x = ClampToView(cameraPos.x, (boundsMin.x + hw) * kPixelsToMetres, (boundsMax.x - hw) * kPixelsToMetres);
    cameraPos.y = ClampToView(cameraPos.y, (boundsMin.y + hh) * kPixelsToMetres, (boundsMax.y - hh) * kPixelsToMetres);

    cVec2f half;
    const float w = float(ScreenWidth());
    const float h = float(ScreenHeight());
    if (debugDraw)
        half.Set((w - 50.0f) / zoom * 0.5f, (h - 50.0f) / zoom * 0.5f);
    else if (mode == 1)
        half.Set(w / zoom * 0.6f, w / zoom * 0.6f);
    else
        half.Set(w / zoom * 0.5f, h / zoom * 0.5f);
    viewBox = cOBox2f::FromCentreAngle(cameraPos * kMetresToPixels, half, worldAngle);
}

// ---- player input --------------------------------------------------------------------------

void cLevel::HandlePlayerInput()
{
    if (player != nullptr)
    {
        const bool noJump = (player->GetZoneFlags() & kZoneNoJump) != 0;
        if (noJump && noJumpState != 1)
        {
            noJumpState = 1;
            if (noJumpIndicator != nullptr)
            {
                noJumpIndicator->SetFrame(0);
                noJumpIndicator->Play(false, 1);
            }
        }
        else if (!noJump && noJumpState != 0)
        {
            noJumpState = 0;
            if (jumpIndicator != nullptr)
            {
                jumpIndicator->SetFrame(0);
                jumpIndicator->Play(false, 1);
            }
        }
    }
    if (noJumpIndicator != nullptr)
        noJumpIndicator->Advance();
    if (jumpIndicator != nullptr)
        jumpIndicator->Advance();

    if (player == nullptr)
        return;
    if (Held(KEY_RIGHT) || Held(KEY_D) || Held(controls[kControlRight]))
        player->Move(kMoveForce);
    else if (Held(KEY_LEFT) || Held(KEY_A) || Held(controls[kControlLeft]))
    {
        player->Move(-kMoveForce);
        moveRequested = false;
    }
    if (Held(KEY_SPACE) || Held(controls[kControlJump]))
    {
        player->Jump();
        jumpRequested = false;
    }
}

// ---- object type sounds --------------------------------------------------------------------

bool cLevel::PlayOnNextWorldVoice(const SoundList& list, float volume, bool onlyWhenIdle)
{
    if (list.empty())
        return false;
    cSound* sound = list[size_t(RandomStep()) % list.size()];
    // An idle voice is one that exists, is not locked and plays nothing.
    const bool play = gAudioManager != nullptr && (!onlyWhenIdle || gAudioManager->IsVoiceFree(nextVoice));
    if (play)
        gAudioManager->PlayOnVoice(0, nextVoice, sound, volume, 1.0f);
    nextVoice = (nextVoice >= kLastWorldVoice || nextVoice < kFirstWorldVoice) ? kFirstWorldVoice : nextVoice + 1;
    return true;
}

void cLevel::PlayObjectTypeSound(int32_t type, float x, float y)
{
    const cVec2f at(x * kMetresToPixels, y * kMetresToPixels);
    if (!PointInRect(at, RectFromOrientedBox(viewBox)))
        return;
    // The shots of types 4, 8 and 24 never cut off a world sound that is still playing.
    switch (type)
    {
    case 4:
        PlayOnNextWorldVoice(objectTypeSounds[0], 1.0f, true);
        return;
    case 8:
        PlayOnNextWorldVoice(objectTypeSounds[1], 1.0f, true);
        return;
    case 24:
        PlayOnNextWorldVoice(objectTypeSounds[2], 1.0f, true);
        break; // then as type 2
    case 2:
        break;
    default:
        return;
    }
    const float dx = cameraPos.x - x;
    const float dy = cameraPos.y - y;
    const float d = std::sqrt(dx * dx + dy * dy);
    const float volume = Clamp01(1.0f - d * kMetresToPixels / kSoundFadeDistance);
    if (volume > 0.0f)
        PlayOnNextWorldVoice(objectTypeSounds[3], volume);
}

// ---- physics world -------------------------------------------------------------------------

void cLevel::CreatePhysicsWorld()
{
    if (world != nullptr)
        ClearLevel();
    world = new b2World(b2Vec2(0.0f, 0.0f));
    gravity.Set(0.0f, 20.0f);
    world->SetGravity(b2Vec2(gravity.x, gravity.y));
    contactFilter = new cContactFilter(this);
    contactListener = new cContactListener(this);
    world->SetContactFilter(contactFilter);
    world->SetContactListener(contactListener);
    timeStep = 1.0f / 30.0f;
    b2BodyDef def; // static, at the origin, no controller
    groundBody = world->CreateBody(&def);
}

// ---- clearing ------------------------------------------------------------------------------

void cLevel::ClearLevel()
{
    debugPage = nullptr; // never made in this build
    FreeAllParticles(particlePoolA);
    FreeAllParticles(particlePoolB);

    // Objects first: their bodies go while the world still exists.
    clearingLists = true;
    for (ObjectList* list : {&objects, &respawns, &pickups, &sceneBits, &backgrounds})
        list->DeleteAll();
    clearingLists = false;
    cameraTarget = nullptr;
    player = nullptr;

    for (PolygonArea* area : areas)
        delete area;
    areas.clear();
    for (cPolygonZone* zone : zones)
        delete zone;
    zones.clear();
    for (JointRecord* record : jointRecords)
        delete record;
    jointRecords.clear();
    for (SpringRecord* record : springRecords)
        delete record;
    springRecords.clear();

    if (world != nullptr)
    {
        world->SetContactListener(nullptr);
        world->SetContactFilter(nullptr);
    }
    delete contactListener;
    contactListener = nullptr;
    delete contactFilter;
    contactFilter = nullptr;
    RunDeferredActions();
    delete world;
    world = nullptr;
    groundBody = nullptr;
    delete grid;
    grid = nullptr;
    contactMap.clear();
}

#include "game/objects/BackgroundObject.h"

#include <cmath>

#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElement.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/render/Gfx2D.h"
#include "game/objects/GameObj.h"
#include "game/objects/ObjectLevel.h"
#include "game/objects/ObjectSupport.h"

cBackgroundObject::cBackgroundObject(cGlaElement* element)
{
    depth = ElementIntProp(element, "Depth");
    if (element != nullptr)
    {
        parallax = FiniteOr(element->GetFloatProp("Parallax"), 0.0f);
        speed = FiniteOr(element->GetFloatProp("Speed"), 0.0f);
        yOffset = FiniteOr(element->GetFloatProp("YOffset"), 0.0f);
    }
    offset = 0.0f;
    cGlaScene* scene = ElementSceneProp(element, "scene");
    sceneController = new cGlaControllerScene(scene);
    sceneController->Play(true, 1);
    if (scene != nullptr)
    {
        if (const cGlaElementRectangle* bound = scene->FindRectangle("bound"))
            width = FiniteOr(bound->GetBounds().Width(), 0.0f);
    }
}

cBackgroundObject::~cBackgroundObject() { delete sceneController; }

const cObjectLevel* cBackgroundObject::Level() const { return ObjectLevelOf(owner); }

float cBackgroundObject::WrapOffset(float offset, float width)
{
    if (!std::isfinite(offset))
        return 0.0f;
    // Without a positive width there is nothing to wrap by: a loop would never end.
    if (!(width > 0.0f) || !std::isfinite(width))
        return offset;
    // The remainder does in one step what adding or taking away the width repeatedly does.
    if (offset < 0.0f)
    {
        offset = std::fmod(offset, width);
        if (offset < 0.0f)
            offset += width;
    }
    if (offset > width)
    {
        offset = std::fmod(offset, width);
        if (offset == 0.0f)
            offset = width;
    }
    return offset;
}

int cBackgroundObject::CopyPositions(float x, float width, float half, float out[3])
{
    if (!(width > 0.0f) || !std::isfinite(width))
    {
        out[0] = x; // nothing to repeat: one copy at its offset
        return 1;
    }
    int n = 0;
    if (-width - half < x && x < 2.0f * half)
        out[n++] = x;
    if (-half < x)
        out[n++] = x - width;
    if (x < -(width - half))
        out[n++] = x + width;
    return n;
}

void cBackgroundObject::Update(float dt)
{
    (void)dt;
    const cObjectLevel* level = Level();
    if (level == nullptr || level->PerformanceMode() != 0)
        TickScene(sceneController);
    float moved = 0.0f;
    if (level != nullptr)
    {
        if (haveCameraX)
            moved = level->cameraPos.x - lastCameraX;
        lastCameraX = level->cameraPos.x;
        haveCameraX = true;
    }
    offset = WrapOffset(offset + parallax * moved * 32.0f + speed, width);
}

void cBackgroundObject::Draw(cGfx2D* gfx)
{
    if (gfx == nullptr || sceneController == nullptr)
        return;
    const cObjectLevel* level = Level();
    const float screenWidth = level != nullptr ? static_cast<float>(level->ScreenWidth()) : 0.0f;
    const float screenHeight = level != nullptr ? static_cast<float>(level->ScreenHeight()) : 0.0f;
    float zoom = level != nullptr ? level->cameraZoom : 1.0f;
    if (!(zoom > 0.0f) || !std::isfinite(zoom))
        zoom = 1.0f;
    const float cameraY = level != nullptr ? level->cameraPos.y : 0.0f;

    gfx->PushTransform();
    gfx->PushLayer();
    gfx->Translate(screenWidth * 0.5f, screenHeight * 0.5f);
    gfx->Scale(zoom, zoom);
    const float half = screenWidth * 0.5f / zoom;
    const float x = -offset;
    const float y = -(cameraY * 32.0f - yOffset) * parallax;
    gfx->AddLayer(depth);

    float copies[3];
    const int count = CopyPositions(x, width, half, copies);
    for (int i = 0; i < count; ++i)
    {
        gfx->PushTransform();
        gfx->Translate(copies[i], y);
        sceneController->Draw(*gfx);
        gfx->PopTransform();
    }

    gfx->PopLayer();
    gfx->PopTransform();
}

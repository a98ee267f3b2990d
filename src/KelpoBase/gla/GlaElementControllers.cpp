#include "KelpoBase/gla/GlaElementControllers.h"

#include <algorithm>
#include <cmath>

#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/core/Random.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/gla/Particles.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/MultiSprite.h"
#include "KelpoBase/render/TextLayout.h"
#include "KelpoBase/render/TextureAtlas.h"

namespace
{
// Degrees to radians as the sprite and textured-polygon kinds turn them ...
constexpr float kDegToRad = 0.017453293f;
// ... and as every other kind does (the sign reversed).
constexpr float kDegToRadNegated = -0.017453293f;

// A box at angle a: x axis (cos a, sin a), y axis (-sin a, cos a).
cOrientedBox BoxAt(const cVec2f& centre, const cVec2f& halfExtents, float angle)
{
    return cOrientedBox::FromCentreAngle(centre, halfExtents, angle);
}

// position - R(angle) x pivot: where the picture's centre lands.
cVec2f PivotedCentre(const cVec2f& position, const cVec2f& pivot, float angle)
{
    cVec2f turned = pivot;
    turned.Rotate(angle);
    return position - turned;
}

int32_t RenderModeOf(uint32_t value)
{
    return value <= 2 ? static_cast<int32_t>(value) : 0;
}

int32_t LayerOffsetOf(float layer)
{
    return TruncToInt32(layer);
}

template <class T>
const T* ElementAs(const cGlaElement* element)
{
    return ClassCast<T>(element);
}

// One value picked uniformly from a range with one draw of the engine's generator.
float Pick(const cGlaEmitterRange& range)
{
    const float r = static_cast<float>(RandomStep()) / 32767.0f;
    return range.min + (range.max - range.min) * r;
}
} // namespace

// ---- Sprite ----

cGlaControllerSprite::cGlaControllerSprite(cGlaController* ownerController, cGlaElement* playedElement)
    : cGlaControllerElement(ownerController, playedElement)
{
    const auto* sprite = ElementAs<cGlaElementSprite>(element);
    if (sprite != nullptr)
        renderMode = RenderModeOf(sprite->renderMode);
    SetFrame(0);
    isStatic = sprite != nullptr && sprite->kind == 3;
}

void cGlaControllerSprite::SetFrame(int32_t frame)
{
    const auto* sprite = ElementAs<cGlaElementSprite>(element);
    if (isStatic || sprite == nullptr)
        return;
    visible = sprite->visible.GetValue(frame);
    position = sprite->position.GetValue(frame);
    angle = sprite->rotation.GetValue(frame) * kDegToRad;
    scale = sprite->scale.GetValue(frame);
    image = sprite->frames.GetValue(frame);
    tint = sprite->colour.GetValue(frame);
    pivot = sprite->pivot.GetValue(frame);
    layerOffset = LayerOffsetOf(sprite->layer.GetValue(frame));
    if (sprite->cropped != 0)
    {
        cropX = sprite->cropX.GetValue(frame);
        cropY = sprite->cropY.GetValue(frame);
    }
    UpdateBox();
}

void cGlaControllerSprite::SetFrameBlend(int32_t frame, float fraction)
{
    const auto* sprite = ElementAs<cGlaElementSprite>(element);
    if (isStatic || sprite == nullptr)
        return;
    visible = sprite->visible.GetValue(frame);
    position = sprite->position.GetValueBlend(frame, fraction);
    angle = sprite->rotation.GetValueBlend(frame, fraction) * kDegToRad;
    scale = sprite->scale.GetValueBlend(frame, fraction);
    image = sprite->frames.GetValue(frame);
    tint = sprite->colour.GetValueBlend(frame, fraction);
    pivot = sprite->pivot.GetValueBlend(frame, fraction);
    layerOffset = LayerOffsetOf(sprite->layer.GetValueBlend(frame, fraction));
    if (sprite->cropped != 0)
    {
        cropX = sprite->cropX.GetValueBlend(frame, fraction);
        cropY = sprite->cropY.GetValueBlend(frame, fraction);
    }
    UpdateBox();
}

void cGlaControllerSprite::UpdateBox()
{
    if (image == nullptr)
    {
        box = cOrientedBox();
        return;
    }
    const cVec2f half(static_cast<float>(image->w >> 1) * AbsFloat(scale.x),
                      static_cast<float>(image->h >> 1) * AbsFloat(scale.y));
    box = BoxAt(PivotedCentre(position, pivot, angle), half, angle);
}

cOrientedBox& cGlaControllerSprite::GetBounds(cOrientedBox& out)
{
    out = box;
    return out;
}

// ---- MultiSprite ----

cGlaControllerMultiSprite::cGlaControllerMultiSprite(cGlaController* ownerController, cGlaElement* playedElement)
    : cGlaControllerElement(ownerController, playedElement)
{
    SetFrame(0);
}

void cGlaControllerMultiSprite::SetFrame(int32_t frame)
{
    const auto* multi = ElementAs<cGlaElementMultiSprite>(element);
    if (multi == nullptr)
        return;
    visible = multi->visible.GetValue(frame);
    position = multi->position.GetValue(frame);
    angle = multi->rotation.GetValue(frame) * kDegToRadNegated;
    scale = multi->scale.GetValue(frame);
    tint = multi->colour.GetValue(frame);
    pivot = multi->pivot.GetValue(frame);
    layerOffset = LayerOffsetOf(multi->layer.GetValue(frame));
    multiSprite = ClassCast<cMultiSprite>(multi->multiSprite);
}

cOrientedBox& cGlaControllerMultiSprite::GetBounds(cOrientedBox& out)
{
    if (multiSprite == nullptr)
    {
        out = cOrientedBox();
        return out;
    }
    const cVec2f half(static_cast<float>(multiSprite->width >> 1) * AbsFloat(scale.x),
                      static_cast<float>(multiSprite->height >> 1) * AbsFloat(scale.y));
    out = BoxAt(PivotedCentre(position, pivot, angle), half, angle);
    return out;
}

// ---- PolyTextured ----

cGlaControllerPolyTextured::cGlaControllerPolyTextured(cGlaController* ownerController, cGlaElement* playedElement,
                                                       float pointScale)
    : cGlaControllerElement(ownerController, playedElement)
{
    Rect2Reset(pointBounds);
    const auto* poly = ElementAs<cGlaElementPolyTextured>(element);
    if (poly != nullptr)
    {
        points.reserve(poly->points.size());
        for (const cVec2f& p : poly->points)
        {
            const cVec2f scaled = p * pointScale;
            points.push_back(scaled);
            Rect2ExtendByPoint(pointBounds, scaled);
        }
    }
    texCoords.assign(points.size(), cVec2f());
    vertexColours.assign(points.size(), tint.Word());
    SetFrame(0);
    if (poly != nullptr)
        renderMode = static_cast<uint16_t>(RenderModeOf(poly->polyWord));
}

void cGlaControllerPolyTextured::SetFrame(int32_t frame)
{
    const auto* poly = ElementAs<cGlaElementPolyTextured>(element);
    if (poly == nullptr)
        return;
    visible = poly->visible.GetValue(frame);
    position = poly->position.GetValue(frame);
    layerOffset = LayerOffsetOf(poly->layer.GetValue(frame));
    tint = poly->colour.GetValue(frame);
    scale = cVec2f(1.0f, 1.0f);
    image = ClassCast<cImage>(poly->texture.GetValue(frame));
    textureOffset = poly->textureOffset.GetValue(frame);
    textureScale = poly->textureScale.GetValue(frame);
    textureAngle = poly->textureAngle.GetValue(frame) * kDegToRad;
    RebuildTexCoords();
}

void cGlaControllerPolyTextured::SetFrameBlend(int32_t frame, float fraction)
{
    const auto* poly = ElementAs<cGlaElementPolyTextured>(element);
    if (poly == nullptr)
        return;
    visible = poly->visible.GetValue(frame);
    position = poly->position.GetValueBlend(frame, fraction);
    layerOffset = LayerOffsetOf(poly->layer.GetValueBlend(frame, fraction));
    tint = poly->colour.GetValueBlend(frame, fraction);
    scale = cVec2f(1.0f, 1.0f);
    image = ClassCast<cImage>(poly->texture.GetValue(frame));
    textureOffset = poly->textureOffset.GetValueBlend(frame, fraction);
    textureScale = poly->textureScale.GetValueBlend(frame, fraction);
    textureAngle = poly->textureAngle.GetValueBlend(frame, fraction) * kDegToRad;
    RebuildTexCoords();
}

void cGlaControllerPolyTextured::RebuildTexCoords()
{
    for (uint32_t& c : vertexColours)
        c = tint.Word();
    if (image == nullptr)
        return;
    const float w = static_cast<float>(image->width) * textureScale.x;
    const float h = static_cast<float>(image->height) * textureScale.y;
    if (w == 0.0f || h == 0.0f || !std::isfinite(w) || !std::isfinite(h))
        return; // nothing to divide by: the last coordinates stay
    texelFactors = cVec2f(1.0f / w, 1.0f / h);
    const float c = CosF(textureAngle), s = SinF(textureAngle);
    for (size_t i = 0; i < points.size(); ++i)
    {
        cVec2f uv = points[i];
        if (textureAngle != 0.0f)
            uv = cVec2f(uv.x * c - uv.y * s, uv.x * s + uv.y * c);
        texCoords[i] = cVec2f(uv.x * texelFactors.x + textureOffset.x, uv.y * texelFactors.y + textureOffset.y);
    }
}

cOrientedBox& cGlaControllerPolyTextured::GetBounds(cOrientedBox& out)
{
    if (points.empty())
    {
        out = cOrientedBox();
        out.centre = position;
        return out;
    }
    out = cOrientedBox::FromRect(pointBounds);
    out.centre += position;
    return out;
}

// ---- SceneElement ----

cGlaControllerSceneElement::cGlaControllerSceneElement(cGlaController* ownerController, cGlaElement* playedElement)
    : cGlaControllerElement(ownerController, playedElement)
{
    nested = new cGlaControllerScene(static_cast<cGlaController*>(this));
    if (const auto* sceneElement = ElementAs<cGlaElementScene>(element))
        startOffset = static_cast<int32_t>(sceneElement->startOffset);
}

cGlaControllerSceneElement::~cGlaControllerSceneElement()
{
    delete nested;
}

void cGlaControllerSceneElement::Sample(int32_t frame, bool blend, float fraction)
{
    const auto* sceneElement = ElementAs<cGlaElementScene>(element);
    frameOffset = frame;
    if (sceneElement == nullptr)
        return;
    visible = sceneElement->visible.GetValue(frame);
    if (blend)
    {
        position = sceneElement->position.GetValueBlend(frame, fraction);
        angle = sceneElement->rotation.GetValueBlend(frame, fraction) * kDegToRadNegated;
        scale = sceneElement->scale.GetValueBlend(frame, fraction);
        pivot = sceneElement->pivot.GetValueBlend(frame, fraction);
        tint = sceneElement->colour.GetValueBlend(frame, fraction);
        layerOffset = LayerOffsetOf(sceneElement->layer.GetValueBlend(frame, fraction));
    }
    else
    {
        position = sceneElement->position.GetValue(frame);
        angle = sceneElement->rotation.GetValue(frame) * kDegToRadNegated;
        scale = sceneElement->scale.GetValue(frame);
        pivot = sceneElement->pivot.GetValue(frame);
        tint = sceneElement->colour.GetValue(frame);
        layerOffset = LayerOffsetOf(sceneElement->layer.GetValue(frame));
    }
    cGlaScene* wanted = sceneElement->scenes.GetValue(frame);
    if (wanted == nested->scene)
        return;
    // A scene that (directly or further down) contains itself would be built for ever:
    // a scene already played above this element is not played again here.
    for (cGlaController* above = owner; above != nullptr; above = above->owner)
    {
        const auto* sceneAbove = ClassCast<cGlaControllerScene>(above);
        if (sceneAbove != nullptr && sceneAbove->scene == wanted && wanted != nullptr)
        {
            wanted = nullptr;
            break;
        }
    }
    if (wanted != nested->scene)
        nested->SetScene(wanted);
}

void cGlaControllerSceneElement::SetFrame(int32_t frame)
{
    Sample(frame, false, 0.0f);
}

void cGlaControllerSceneElement::SetFrameBlend(int32_t frame, float fraction)
{
    Sample(frame, true, fraction);
}

void cGlaControllerSceneElement::Update()
{
    if (visible)
        nested->Update();
}

void cGlaControllerSceneElement::ResetInput()
{
    nested->ResetInput();
}

cOrientedBox& cGlaControllerSceneElement::GetBounds(cOrientedBox& out)
{
    cRect2f r;
    nested->GetBounds(r);
    if (!(r.minX <= r.maxX && r.minY <= r.maxY))
    {
        // Nothing in the nested scene: a box of no size at the element's place.
        out = BoxAt(PivotedCentre(position, pivot, angle), cVec2f(), angle);
        return out;
    }
    const cVec2f middle(position.x + (r.minX + r.maxX) / 2.0f, position.y + (r.minY + r.maxY) / 2.0f);
    const cVec2f half((r.maxX - r.minX) / 2.0f * AbsFloat(scale.x), (r.maxY - r.minY) / 2.0f * AbsFloat(scale.y));
    out = BoxAt(PivotedCentre(middle, pivot, angle), half, angle);
    return out;
}

// ---- Rectangle ----

cGlaControllerRectangle::cGlaControllerRectangle(cGlaController* ownerController, cGlaElement* playedElement)
    : cGlaControllerElement(ownerController, playedElement)
{
    cGlaControllerRectangle::SetFrame(0);
}

void cGlaControllerRectangle::SetFrame(int32_t frame)
{
    const auto* rect = ElementAs<cGlaElementRectangle>(element);
    if (rect == nullptr)
        return;
    visible = rect->visible.GetValue(frame);
    if (!visible)
        return;
    position = rect->position.GetValue(frame);
    angle = rect->angle.GetValue(frame) * kDegToRadNegated;
    scale = rect->size.GetValue(frame);
}

void cGlaControllerRectangle::Draw(cGfx2D& gfx, const cOrientedBox& view)
{
    (void)gfx;
    (void)view;
}

cOrientedBox& cGlaControllerRectangle::GetBounds(cOrientedBox& out)
{
    out = BoxAt(position, cVec2f(AbsFloat(scale.x) * 0.5f, AbsFloat(scale.y) * 0.5f), angle);
    return out;
}

// ---- TextBox ----

cGlaControllerTextBox::cGlaControllerTextBox(cGlaController* ownerController, cGlaElement* playedElement)
    : cGlaControllerRectangle(ownerController, playedElement), layout(std::make_unique<cTextLayout>())
{
    if (const auto* box = ElementAs<cGlaElementTextBox>(element))
        text = box->text;
    cGlaControllerTextBox::SetFrame(0);
}

cGlaControllerTextBox::~cGlaControllerTextBox() = default;

void cGlaControllerTextBox::SetFrame(int32_t frame)
{
    cGlaControllerRectangle::SetFrame(frame);
    const auto* box = ElementAs<cGlaElementTextBox>(element);
    if (box == nullptr)
        return;
    textColour = box->textColour.GetValue(frame);
    shadowColour = cRGBA(0, 0, 0, textColour.a);
    shadow = box->textFlag != 0;
    alignmentOffset = cVec2f();
    const cVec2f size = box->size.GetValue(frame);
    switch (box->alignment)
    {
    case 1:
        alignmentFlags = 1;
        alignmentOffset.x = -size.x / 2.0f;
        break;
    case 2:
        alignmentFlags = 2;
        alignmentOffset.x = size.x / 2.0f;
        break;
    case 3:
        alignmentFlags = 16;
        alignmentOffset.y = size.y / 2.0f;
        break;
    case 4:
        alignmentFlags = 32;
        alignmentOffset.y = -size.y / 2.0f;
        break;
    default: alignmentFlags = 0; break;
    }
    const int32_t w = TruncToInt32(scale.x);
    if (w != wrapWidth)
    {
        wrapWidth = w;
        laidOut = false;
    }
}

// ---- Event ----

cGlaControllerEvent::cGlaControllerEvent(cGlaController* ownerController, cGlaElement* playedElement)
    : cGlaControllerElement(ownerController, playedElement)
{
    if (const auto* event = ElementAs<cGlaElementEvent>(element))
        countdown = static_cast<int32_t>(event->eventWordB);
}

void cGlaControllerEvent::Update()
{
    if (fired)
        return;
    // A countdown already at or below 0 fires at once (it is not run round the range).
    if (countdown > 0)
        countdown -= 1;
    if (countdown <= 0)
        fired = true;
}

// ---- ParticleEmiter ----

cGlaControllerParticleEmiter::cGlaControllerParticleEmiter(cGlaController* ownerController,
                                                           cGlaElement* playedElement)
    : cGlaControllerElement(ownerController, playedElement)
{
    cGlaControllerParticleEmiter::SetFrame(0);
}

void cGlaControllerParticleEmiter::Setup()
{
    if (auto* top = ClassCast<cGlaControllerScene>(GetTopController()))
        pool = top->GetParticlePool();
}

void cGlaControllerParticleEmiter::SetFrame(int32_t frame)
{
    const auto* emitter = ElementAs<cGlaElementParticleEmiter>(element);
    if (emitter == nullptr)
        return;
    visible = emitter->visible.GetValue(frame);
    position = emitter->position.GetValue(frame);
    angle = emitter->angle.GetValue(frame) * kDegToRadNegated;
    scale = emitter->scale.GetValue(frame);
    tint = emitter->colour.GetValue(frame);
    layerOffset = LayerOffsetOf(emitter->layer.GetValue(frame));
    rate = emitter->emitterFloat.GetValue(frame);
}

void cGlaControllerParticleEmiter::Update()
{
    if (!visible)
    {
        carry = 0.0f;
        return;
    }
    const float owed = rate + carry;
    if (!(owed > 0.0f))
    {
        carry = std::isfinite(owed) ? owed : 0.0f;
        return;
    }
    // A rate beyond what the pool can hold is only met up to a full pool (the rest would
    // be dropped anyway).
    const float whole = std::floor(owed);
    const double most = pool != nullptr ? static_cast<double>(pool->Capacity()) : 0.0;
    const int64_t n = static_cast<int64_t>(static_cast<double>(whole) < most ? static_cast<double>(whole) : most);
    carry = owed - whole;
    for (int64_t i = 0; i < n; ++i)
        EmitOne();
}

void cGlaControllerParticleEmiter::EmitOne()
{
    const auto* emitter = ElementAs<cGlaElementParticleEmiter>(element);
    if (pool == nullptr || emitter == nullptr)
        return;
    cParticle* p = AllocParticle(*pool);
    if (p == nullptr)
        return;
    const cGlaEmitterSettings& s = emitter->settings;
    // An emitter without images emits particles that die at once (PrepareParticle).
    p->image = emitter->images.empty() ? nullptr : emitter->images.front();
    p->renderMode = static_cast<int32_t>(s.renderMode);
    p->colourStart = ModulateColour(s.colourStart, tint.Word());
    p->colourEnd = ModulateColour(s.colourEnd, tint.Word());
    p->sizeStart = s.sizeStart + Pick(s.ranges[2]);
    p->sizeEnd = s.sizeEnd;
    p->sizeGrowth = s.sizeGrowth;
    p->growthDamping = 1.0f - s.growthDamping;
    p->angle = s.angle + angle + Pick(s.ranges[1]);
    p->spin = s.spin;
    // The life in whole ticks; a life below one tick (which would divide by zero or run
    // backwards) counts as one tick.
    int64_t ticks = static_cast<int64_t>(s.lifeTicks) + TruncToInt32(Pick(s.ranges[5]));
    if (ticks < 1)
        ticks = 1;
    p->lifeRate = static_cast<float>(1.0 / static_cast<double>(ticks));
    const float dx = Pick(s.ranges[0]);
    const float dy = Pick(s.ranges[0]);
    p->position = cVec2f(position.x + dx, position.y + dy);
    cVec2f velocity(0.0f, -s.speed);
    velocity.Rotate(s.velocityAngle + angle + Pick(s.ranges[3]));
    p->velocity = velocity;
    p->damping = 1.0f - s.velocityDamping;
    PrepareParticle(*p, 0);
}

// ---- Visibility ----

void SetControllerVisible(cGlaControllerElement* controller, bool on)
{
    if (controller == nullptr)
        return;
    if (auto* sprite = ClassCast<cGlaControllerSprite>(controller))
        sprite->visible = on;
    else if (auto* multi = ClassCast<cGlaControllerMultiSprite>(controller))
        multi->visible = on;
    else if (auto* poly = ClassCast<cGlaControllerPolyTextured>(controller))
        poly->visible = on;
    else if (auto* nestedScene = ClassCast<cGlaControllerSceneElement>(controller))
        nestedScene->visible = on;
    else if (auto* rect = ClassCast<cGlaControllerRectangle>(controller))
        rect->visible = on;
    else if (auto* emitter = ClassCast<cGlaControllerParticleEmiter>(controller))
        emitter->visible = on;
    else if (auto* gui = ClassCast<cGlaControllerGuiObject>(controller))
        gui->visible = on ? 1 : 0;
}

// ---- Drawing ----

namespace
{
constexpr uint32_t kOpaqueYellow = 0xFF00FFFFu; // r 255, g 255, b 0, a 255

// On the context's transform: translate by position, rotate by angle, translate by minus
// pivot, scale by scale.
void ApplyElementTransform(cGfx2D& gfx, const cGlaController& c)
{
    gfx.Translate(c.position.x, c.position.y);
    if (c.angle != 0.0f)
        gfx.Rotate(c.angle);
    gfx.Translate(-c.pivot.x, -c.pivot.y);
    gfx.Scale(c.scale.x, c.scale.y);
}

void ModulateCurrentColour(cGfx2D& gfx, uint32_t tint)
{
    gfx.SetColour(ModulateColour(gfx.GetColour(), tint));
}

void OutlineBox(cGfx2D& gfx, const cOrientedBox& box)
{
    for (int k = 0; k < 4; ++k)
    {
        const cVec2f edge[2] = {box.GetCorner(k), box.GetCorner((k + 1) & 3)};
        gfx.DrawLineStrip(edge, nullptr, 2, false);
    }
}
} // namespace

void cGlaControllerElement::DrawBounds(cGfx2D& gfx, const cOrientedBox& view)
{
    (void)view;
    cOrientedBox box;
    OutlineBox(gfx, GetBounds(box));
}

void cGlaControllerSprite::Draw(cGfx2D& gfx, const cOrientedBox& view)
{
    (void)view;
    if (!visible || tint.a == 0 || image == nullptr)
        return;
    const auto* sprite = ElementAs<cGlaElementSprite>(element);
    gfx.PushState();
    gfx.AddLayer(layerOffset);
    gfx.SetRenderFlagsHigh(static_cast<uint16_t>(renderMode));
    ApplyElementTransform(gfx, *this);
    ModulateCurrentColour(gfx, tint.Word());
    if (sprite == nullptr || sprite->cropped == 0)
        gfx.DrawFrame(image, kAlignCentre);
    else
    {
        const float w = static_cast<float>(image->w);
        const float h = static_cast<float>(image->h);
        const int32_t sx = TruncToInt32(w * cropX.x);
        const int32_t sy = TruncToInt32(h * cropY.x);
        gfx.PushTransform();
        gfx.Translate(-w * 0.5f, -h * 0.5f);
        gfx.Translate(static_cast<float>(sx), static_cast<float>(sy));
        gfx.DrawFrameRegion(image, sx, sy, TruncToInt32(w * (cropX.y - cropX.x)), TruncToInt32(h * (cropY.y - cropY.x)),
                            kAlignTopLeft);
        gfx.PopTransform();
    }
    gfx.PopState();
}

// Cells are drawn at their offsets inside the element transform (which already holds the
// position) and culled with each cell's true box in the scene's coordinates.
void cGlaControllerMultiSprite::Draw(cGfx2D& gfx, const cOrientedBox& view)
{
    if (!visible || multiSprite == nullptr)
        return;
    gfx.PushState();
    gfx.AddLayer(layerOffset);
    ApplyElementTransform(gfx, *this);
    ModulateCurrentColour(gfx, tint.Word());
    const size_t cells = std::min(multiSprite->frames.size(), multiSprite->offsets.size());
    for (int32_t row = 0; row < multiSprite->rows; ++row)
        for (int32_t column = 0; column < multiSprite->columns; ++column)
        {
            const size_t index = static_cast<size_t>(row) * static_cast<size_t>(multiSprite->columns) +
                                 static_cast<size_t>(column);
            if (index >= cells)
                continue;
            const ImageRect* cell = multiSprite->frames[index];
            if (cell == nullptr)
                continue;
            const cVec2f offset = multiSprite->offsets[index];
            cVec2f local(offset.x * scale.x - pivot.x, offset.y * scale.y - pivot.y);
            local.Rotate(angle);
            const cVec2f half(static_cast<float>(cell->w) * 0.5f * AbsFloat(scale.x),
                              static_cast<float>(cell->h) * 0.5f * AbsFloat(scale.y));
            if (OrientedBoxesOverlap(view, BoxAt(position + local, half, angle)))
                DrawFrameAt(gfx, cell, offset.x, offset.y, kAlignCentre);
        }
    gfx.PopState();
}

void cGlaControllerPolyTextured::Draw(cGfx2D& gfx, const cOrientedBox& view)
{
    (void)view;
    if (!visible || image == nullptr || points.size() < 3)
        return;
    gfx.PushTransform();
    gfx.PushLayer();
    gfx.AddLayer(layerOffset);
    gfx.Translate(position.x, position.y);
    gfx.SetRenderFlagsHigh(renderMode);
    gfx.DrawTexturedPolygon(points.data(), vertexColours.data(), texCoords.data(), image,
                            static_cast<uint32_t>(points.size()));
    gfx.PopLayer();
    gfx.PopTransform();
}

void cGlaControllerSceneElement::Draw(cGfx2D& gfx, const cOrientedBox& view)
{
    (void)view;
    if (!visible)
        return;
    gfx.PushState();
    gfx.AddLayer(layerOffset);
    ApplyElementTransform(gfx, *this);
    ModulateCurrentColour(gfx, tint.Word());
    nested->Draw(gfx);
    gfx.PopState();
}

void cGlaControllerSceneElement::DrawBounds(cGfx2D& gfx, const cOrientedBox& view)
{
    const uint32_t saved = gfx.GetColour();
    ModulateCurrentColour(gfx, kOpaqueYellow);
    cOrientedBox box;
    OutlineBox(gfx, GetBounds(box));
    gfx.SetColour(saved);
    gfx.PushTransform();
    ApplyElementTransform(gfx, *this);
    nested->DrawBoundsCulled(gfx, view);
    gfx.PopTransform();
}

void cGlaControllerTextBox::Draw(cGfx2D& gfx, const cOrientedBox& view)
{
    (void)view;
    if (!visible || gfx.font == nullptr)
        return;
    if (!laidOut)
    {
        layout->SetFont(gfx.font);
        layout->SetMaxWidth(wrapWidth);
        layout->SetText(text);
        laidOut = true;
    }
    const auto flags = static_cast<uint8_t>(alignmentFlags);
    gfx.PushState();
    gfx.Translate(position.x, position.y);
    if (angle != 0.0f)
        gfx.Rotate(angle);
    gfx.Translate(alignmentOffset.x, alignmentOffset.y);
    ModulateCurrentColour(gfx, textColour.Word());
    if (shadow)
    {
        const uint32_t saved = gfx.GetColour();
        ModulateCurrentColour(gfx, shadowColour.Word());
        gfx.Translate(2.0f, 2.0f);
        gfx.DrawTextLayout(flags, layout.get());
        gfx.Translate(-4.0f, -4.0f);
        gfx.DrawTextLayout(flags, layout.get());
        gfx.Translate(2.0f, 2.0f);
        gfx.SetColour(saved);
    }
    gfx.DrawTextLayout(flags, layout.get());
    gfx.PopState();
}

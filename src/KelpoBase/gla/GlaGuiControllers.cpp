#include "KelpoBase/gla/GlaGuiControllers.h"

#include <bit>
#include <cmath>
#include <map>
#include <vector>

#include "KelpoBase/core/FastMath.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/platform/AudioManager.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/SoundResource.h"
#include "KelpoBase/render/TextureAtlas.h"

namespace
{
constexpr float kControlDegToRad = -0.0174533f;
constexpr float kHoldMargin = 16.0f;
constexpr uint32_t kPointerCount = 5;

struct DefaultSounds
{
    cSound* press = nullptr;
    cSound* click = nullptr;
    int32_t pressVoice = 0;
    int32_t clickVoice = 0;
};

DefaultSounds& Defaults()
{
    static DefaultSounds defaults;
    return defaults;
}

// Pointer number (1 to 5) -> the control that captured it.
std::map<uint8_t, cGlaControllerGuiObject*>& Captures()
{
    static std::map<uint8_t, cGlaControllerGuiObject*> captures;
    return captures;
}

bool IsCaptured(uint8_t pointer)
{
    return pointer != 0 && Captures().count(pointer) != 0;
}

// Plays on the audio manager's voice, skipping silently whatever cannot play.
void PlayControlSound(cSound* sound, int32_t voiceIndex)
{
    AudioManager* audio = gAudioManager;
    if (sound == nullptr || audio == nullptr || !audio->IsEnabled())
        return;
    if (voiceIndex < 0 || voiceIndex >= audio->GetVoiceCount())
        return;
    const AudioVoice* voice = audio->GetVoice(voiceIndex);
    if (voice == nullptr || voice->locked != 0)
        return;
    audio->PlayOnVoice(0, voiceIndex, sound, 1.0f, 1.0f);
}

// Maps a point from the space above the top of the owner chain into the controller's own
// space: from the top down, each controller's position is taken away, its angle undone
// and its scale divided out. False when a zero scale leaves no such point.
bool MapThroughChain(const cGlaController* c, cVec2f& p)
{
    if (c->owner != nullptr && !MapThroughChain(c->owner, p))
        return false;
    p -= c->position;
    if (c->angle != 0.0f)
        p.Rotate(-c->angle);
    if (c->scale.x == 0.0f || c->scale.y == 0.0f)
        return false;
    p = cVec2f(p.x / c->scale.x, p.y / c->scale.y);
    return true;
}

const cGlaElementGameObj* GameObjOf(const cGlaElement* element)
{
    return ClassCast<cGlaElementGameObj>(element);
}

template <class T, class Owner>
const T* ExactProp(const Owner* owner, const std::string& name)
{
    if (owner == nullptr)
        return nullptr;
    const cGlaProp* prop = owner->FindProp(name);
    if (prop == nullptr || prop->GetClassInfo() != T::StaticClassInfo())
        return nullptr;
    return static_cast<const T*>(prop);
}

template <class Owner>
std::string StringProp(const Owner* owner, const std::string& name)
{
    const auto* prop = ExactProp<cGlaPropString>(owner, name);
    return prop != nullptr ? prop->GetValue() : std::string();
}

// The scene a scene-reference property names, looked up among the scenes of the
// element's set (then through the property's own scene).
cGlaScene* SceneProp(const cGlaElement* element, const std::string& name)
{
    const auto* prop = ExactProp<cGlaPropRefScene>(element, name);
    if (prop == nullptr)
        return nullptr;
    if (element->scene != nullptr && element->scene->set != nullptr)
        if (cGlaScene* found = FindObjectByName(element->scene->set, prop->target))
            return found;
    return prop->Resolve();
}

// The look scenes whose state scenes are being built right now. A look that (through its
// own controls or nested scenes) reaches a control with the same look would be built for
// ever: such an inner control is left without a look.
std::vector<const cGlaScene*>& LooksBuilding()
{
    static std::vector<const cGlaScene*> looks;
    return looks;
}

class LookBuildScope
{
public:
    explicit LookBuildScope(const cGlaScene* look) { LooksBuilding().push_back(look); }
    ~LookBuildScope() { LooksBuilding().pop_back(); }
    LookBuildScope(const LookBuildScope&) = delete;
    LookBuildScope& operator=(const LookBuildScope&) = delete;
};

bool IsLookBuilding(const cGlaScene* look)
{
    for (const cGlaScene* building : LooksBuilding())
        if (building == look)
            return true;
    return false;
}

// The look a control may build: the named scene unless it is being built already.
cGlaScene* UsableLook(cGlaScene* look)
{
    return look != nullptr && !IsLookBuilding(look) ? look : nullptr;
}

// A new scene controller over the look scene, set to the frame (limited to the last).
cGlaControllerScene* MakeStateScene(cGlaScene* look, int32_t frame)
{
    auto* controller = new cGlaControllerScene(look);
    const int32_t last = look->frameCount - 1;
    controller->SetFrame(frame > last ? last : frame);
    return controller;
}

// The hit box of a look: the look's "hitbox" rectangle at frame 0 when there is one,
// else the fallback.
cRect2f HitBoxOf(const cGlaScene* look, const cRect2f& fallback)
{
    if (const cGlaElementRectangle* hitbox = look->FindRectangle("hitbox"))
        return hitbox->GetBounds();
    return fallback;
}

void SetStateSceneAlpha(cGlaControllerScene* scene, uint8_t alpha)
{
    if (scene == nullptr)
        return;
    for (cGlaControllerElement* controller : scene->elementControllers)
        controller->SetAlpha(alpha);
}

void HighlightIn(cGlaControllerScene* scene, bool on)
{
    if (scene == nullptr)
        return;
    SetControllerVisible(scene->FindController("keyboard"), on);
}

// The toggle's value word: the integer 1 or 0 stored as the raw bits of the float field
// (readers test it for non-zero); the integer field carries the same state.
cKelpoMsg ToggleMessage(const std::string& action, cKelpoObj* sender, uint8_t state)
{
    cKelpoMsg message(action, sender);
    message.intValue = state;
    message.floatValue = std::bit_cast<float>(static_cast<uint32_t>(state));
    return message;
}
} // namespace

void SetDefaultButtonSounds(cSound* press, cSound* click, int32_t pressVoice, int32_t clickVoice)
{
    DefaultSounds& d = Defaults();
    d.press = press;
    d.click = click;
    d.pressVoice = pressVoice;
    d.clickVoice = clickVoice;
}

void ClearPointerCaptures()
{
    Captures().clear();
}

cGlaControllerGuiObject* GetPointerCapture(uint32_t pointer)
{
    auto& captures = Captures();
    auto it = captures.find(static_cast<uint8_t>(pointer));
    return it != captures.end() ? it->second : nullptr;
}

// ---- GuiObject ----

cGlaControllerGuiObject::cGlaControllerGuiObject(cGlaController* ownerController, cGlaElement* playedElement)
    : cGlaControllerElement(ownerController, playedElement)
{
    Rect2Reset(bounds);
    cGlaControllerGuiObject::SetFrame(0);
}

cGlaControllerGuiObject::~cGlaControllerGuiObject()
{
    auto& captures = Captures();
    for (auto it = captures.begin(); it != captures.end();)
    {
        if (it->second == this)
            it = captures.erase(it);
        else
            ++it;
    }
}

void cGlaControllerGuiObject::SetFrame(int32_t frame)
{
    const cGlaElementGameObj* obj = GameObjOf(element);
    if (obj == nullptr)
        return;
    position = obj->position.GetValue(frame);
    angle = obj->angle.GetValue(frame) * kControlDegToRad;
    scale = obj->scale.GetValue(frame);
}

void cGlaControllerGuiObject::SampleControl(int32_t frame)
{
    const cGlaElementGameObj* obj = GameObjOf(element);
    if (obj == nullptr)
        return;
    visible = obj->visible.GetValue(frame) ? 1 : 0;
    position = obj->position.GetValue(frame);
    angle = obj->angle.GetValue(frame) * kControlDegToRad;
    layerOffset = TruncToInt32(obj->layer.GetValue(frame));
    scale = obj->scale.GetValue(frame);
}

void cGlaControllerGuiObject::ReleaseCapture()
{
    if (capturedPointer != 0)
        Captures().erase(capturedPointer);
}

void cGlaControllerGuiObject::SetShown(bool on)
{
    shown = on ? 1 : 0;
    if (!on)
        ReleaseCapture();
}

void cGlaControllerGuiObject::SetEnabled(bool on)
{
    visible = on ? 1 : 0;
    if (!on)
        ReleaseCapture();
}

bool cGlaControllerGuiObject::MapPointer(uint32_t pointer, cVec2f& out)
{
    if (pointer < 1 || pointer > kPointerCount)
        return false;
    const PointerRecord& record = GetPointerRecord(pointer - 1);
    out = cVec2f(static_cast<float>(record.x), static_cast<float>(record.y));
    return MapThroughChain(this, out);
}

bool cGlaControllerGuiObject::PressTest(const cVec2f& p) const
{
    return bounds.minX <= p.x && p.x <= bounds.maxX && bounds.minY <= p.y && p.y <= bounds.maxY;
}

bool cGlaControllerGuiObject::HoldTest(const cVec2f& p) const
{
    return bounds.minX - kHoldMargin <= p.x && p.x <= bounds.maxX + kHoldMargin && bounds.minY - kHoldMargin <= p.y &&
           p.y <= bounds.maxY + kHoldMargin;
}

void cGlaControllerGuiObject::PostAction(const cKelpoMsg& message)
{
    GetTopController()->PostMessage(message);
}

// ---- Button ----

cGlaControllerButton::cGlaControllerButton(cGlaController* ownerController, cGlaElement* playedElement)
    : cGlaControllerGuiObject(ownerController, playedElement)
{
    const DefaultSounds& d = Defaults();
    pressSound = d.press;
    clickSound = d.click;
    pressVoice = d.pressVoice;
    clickVoice = d.clickVoice;
}

cGlaControllerButton::~cGlaControllerButton()
{
    delete normalScene;
    delete pressedScene;
    delete disabledScene;
}

void cGlaControllerButton::Setup()
{
    text = StringProp(element, "Text");
    action = StringProp(element, "Action");
    if (cGlaScene* look = UsableLook(SceneProp(element, "Button")))
    {
        LookBuildScope scope(look);
        normalScene = MakeStateScene(look, 0);
        pressedScene = MakeStateScene(look, 1);
        if (look->frameCount >= 3)
            disabledScene = MakeStateScene(look, 2);
        cRect2f sceneBounds;
        bounds = HitBoxOf(look, normalScene->GetBounds(sceneBounds));
        if (action.empty())
            look->GetStringProp("Action", action);
        normalScene->StartChildScenes();
        pressedScene->StartChildScenes();
    }
    SetFrame(0);
}

void cGlaControllerButton::SetFrame(int32_t frame)
{
    SampleControl(frame);
}

void cGlaControllerButton::ResetInput()
{
    capturedPointer = 0;
    inside = 0;
}

void cGlaControllerButton::PostButtonMessage()
{
    PostAction(cKelpoMsg(action, this));
}

void cGlaControllerButton::Update()
{
    if (shown == 0 || visible == 0)
        return;
    if (normalScene != nullptr)
        normalScene->AdvanceChildScenes();
    if (pressedScene != nullptr)
        pressedScene->AdvanceChildScenes();

    if (IsCaptured(capturedPointer))
    {
        const uint8_t p = capturedPointer;
        const uint8_t wasInside = inside;
        cVec2f at;
        inside = (MapPointer(p, at) && HoldTest(at)) ? 1 : 0;
        if (IsKeyJustReleased(p))
        {
            if (inside != 0)
                PostButtonMessage();
            Captures().erase(p);
            inside = 0;
            capturedPointer = 0;
        }
        if (inside != wasInside)
        {
            if (inside != 0)
                PlayControlSound(pressSound, pressVoice);
            else
                PlayControlSound(clickSound, clickVoice);
        }
        return;
    }

    capturedPointer = 0;
    inside = 0;
    for (uint8_t p = 1; p <= kPointerCount; ++p)
    {
        cVec2f at;
        if (IsKeyPressed(p) && MapPointer(p, at) && PressTest(at))
        {
            Captures()[p] = this;
            capturedPointer = p;
            inside = 1;
            PlayControlSound(pressSound, pressVoice);
        }
    }
}

void cGlaControllerButton::ActivateByKeyboard()
{
    if (shown == 0 || visible == 0)
        return;
    PlayControlSound(clickSound, clickVoice);
    PostButtonMessage();
}

void cGlaControllerButton::SetKeyboardHighlight(bool on)
{
    HighlightIn(pressedScene, on);
    HighlightIn(normalScene, on);
    HighlightIn(disabledScene, on);
}

void cGlaControllerButton::SetSounds(cSound* press, cSound* click, int32_t voiceIndex)
{
    pressSound = press;
    clickSound = click;
    pressVoice = voiceIndex;
    clickVoice = voiceIndex;
}

void cGlaControllerButton::ClearSounds()
{
    pressSound = nullptr;
    clickSound = nullptr;
    pressVoice = 0;
    clickVoice = 0;
}

void cGlaControllerButton::SetAlpha(uint8_t alpha)
{
    SetStateSceneAlpha(normalScene, alpha);
    SetStateSceneAlpha(pressedScene, alpha);
    SetStateSceneAlpha(disabledScene, alpha);
    textColour = (textColour & 0x00FFFFFFu) | (static_cast<uint32_t>(alpha) << 24);
}

// The hit box placed in the scene's coordinates by the button's own transform, so that
// culling compares like with like; a button without a hit box reports a box of no size
// at its position.
cOrientedBox& cGlaControllerButton::GetBounds(cOrientedBox& out)
{
    if (!(bounds.minX <= bounds.maxX && bounds.minY <= bounds.maxY))
    {
        out = cOrientedBox();
        out.centre = position;
        return out;
    }
    cVec2f middle((bounds.minX + bounds.maxX) * 0.5f * scale.x, (bounds.minY + bounds.maxY) * 0.5f * scale.y);
    middle.Rotate(angle);
    const cVec2f half(bounds.Width() * 0.5f * AbsFloat(scale.x), bounds.Height() * 0.5f * AbsFloat(scale.y));
    out = cOrientedBox::FromCentreAngle(position + middle, half, angle);
    return out;
}

// ---- ToggleButton ----

cGlaControllerToggleButton::cGlaControllerToggleButton(cGlaController* ownerController, cGlaElement* playedElement)
    : cGlaControllerGuiObject(ownerController, playedElement)
{
    const DefaultSounds& d = Defaults();
    pressSound = d.press;
    clickSound = d.click;
    voice = d.pressVoice;
}

cGlaControllerToggleButton::~cGlaControllerToggleButton()
{
    DeleteStateScenes();
}

void cGlaControllerToggleButton::DeleteStateScenes()
{
    for (cGlaControllerScene*& scene : stateScenes)
    {
        delete scene;
        scene = nullptr;
    }
}

void cGlaControllerToggleButton::Setup()
{
    text = StringProp(element, "Text");
    action = StringProp(element, "Action");
    lookScene = UsableLook(SceneProp(element, "Button"));
    if (lookScene != nullptr)
    {
        LookBuildScope scope(lookScene);
        for (int32_t i = kOff; i <= kOnPressed; ++i)
            stateScenes[i] = MakeStateScene(lookScene, i);
        if (lookScene->frameCount == 5)
            stateScenes[kDisabled] = MakeStateScene(lookScene, kDisabled);
        cRect2f sceneBounds;
        bounds = HitBoxOf(lookScene, stateScenes[kOff]->GetBounds(sceneBounds));
        if (action.empty())
            lookScene->GetStringProp("Action", action);
        for (int32_t i = kOff; i <= kOnPressed; ++i)
            stateScenes[i]->StartChildScenes();
    }
    SetFrame(0);
}

void cGlaControllerToggleButton::BuildStateScenes()
{
    if (lookScene == nullptr || IsLookBuilding(lookScene))
        return;
    LookBuildScope scope(lookScene);
    for (int32_t i = kOff; i <= kOnPressed; ++i)
    {
        delete stateScenes[i];
        stateScenes[i] = MakeStateScene(lookScene, i);
        stateScenes[i]->StartChildScenes();
    }
    if (lookScene->frameCount == 5)
    {
        delete stateScenes[kDisabled];
        stateScenes[kDisabled] = MakeStateScene(lookScene, kDisabled);
        stateScenes[kDisabled]->StartChildScenes();
    }
}

void cGlaControllerToggleButton::SetFrame(int32_t frame)
{
    SampleControl(frame);
}

void cGlaControllerToggleButton::ResetInput()
{
    capturedPointer = 0;
    inside = 0;
}

void cGlaControllerToggleButton::PostToggleMessage()
{
    PostAction(ToggleMessage(action, this, state));
}

void cGlaControllerToggleButton::Update()
{
    if (shown == 0 || visible == 0)
        return;

    if (IsCaptured(capturedPointer))
    {
        const uint8_t p = capturedPointer;
        const uint8_t wasInside = inside;
        cVec2f at;
        inside = (MapPointer(p, at) && HoldTest(at)) ? 1 : 0;
        if (IsKeyJustReleased(p))
        {
            if (inside != 0)
            {
                state = state != 0 ? 0 : 1;
                PostToggleMessage();
            }
            Captures().erase(p);
            inside = 0;
            capturedPointer = 0;
        }
        if (inside != wasInside)
            PlayControlSound(inside != 0 ? pressSound : clickSound, voice);
    }
    else
    {
        capturedPointer = 0;
        inside = 0;
        for (uint8_t p = 1; p <= 4; ++p)
        {
            cVec2f at;
            if (IsKeyPressed(p) && MapPointer(p, at) && PressTest(at))
            {
                Captures()[p] = this;
                capturedPointer = p;
                inside = 1;
                PlayControlSound(pressSound, voice);
            }
        }
    }

    for (int32_t i = kOff; i <= kOnPressed; ++i)
        if (stateScenes[i] != nullptr)
            stateScenes[i]->AdvanceChildScenes();
}

void cGlaControllerToggleButton::ActivateByKeyboard()
{
    if (shown == 0 || visible == 0)
        return;
    PlayControlSound(clickSound, voice);
    state = state != 0 ? 0 : 1;
    PostToggleMessage();
}

void cGlaControllerToggleButton::SetKeyboardHighlight(bool on)
{
    for (cGlaControllerScene* scene : stateScenes)
        HighlightIn(scene, on);
}

void cGlaControllerToggleButton::SetState(bool on)
{
    const uint8_t wanted = on ? 1 : 0;
    if (wanted == state)
        return;
    state = wanted;
    ReleaseCapture();
}

void cGlaControllerToggleButton::SetSounds(cSound* press, cSound* click, int32_t voiceIndex)
{
    pressSound = press;
    clickSound = click;
    voice = voiceIndex;
}

void cGlaControllerToggleButton::SetAlpha(uint8_t alpha)
{
    for (cGlaControllerScene* scene : stateScenes)
        SetStateSceneAlpha(scene, alpha);
    textColour = (textColour & 0x00FFFFFFu) | (static_cast<uint32_t>(alpha) << 24);
}

// ---- Slider ----

cGlaControllerSlider::cGlaControllerSlider(cGlaController* ownerController, cGlaElement* playedElement)
    : cGlaControllerGuiObject(ownerController, playedElement)
{
    Rect2Reset(extents);
}

cGlaControllerSlider::~cGlaControllerSlider() = default;

void cGlaControllerSlider::Setup()
{
    action = StringProp(element, "Action");
    if (cGlaScene* sliderScene = SceneProp(element, "Slider"))
    {
        const auto* highlight = ExactProp<cGlaPropBool>(sliderScene, "Highlight Segment Only");
        highlightSegmentOnly = highlight != nullptr && highlight->GetValue() ? 1 : 0;
        const auto* segments = ExactProp<cGlaPropInt>(sliderScene, "Num Segments");
        segmentCount = segments != nullptr ? segments->GetValue() : 0;

        auto imageOf = [&](const char* name) -> const ImageRect* {
            const auto* sprite = ClassCast<cGlaElementSprite>(sliderScene->FindSpriteElement(name));
            return sprite != nullptr ? sprite->frames.GetValue(0) : nullptr;
        };
        backgroundImage = imageOf("background");
        overlayImage = imageOf("overlay");
        knobImage = imageOf("slider");
        if (const auto* knob = ClassCast<cGlaElementSprite>(sliderScene->FindSpriteElement("slider")))
            knobY = position.y + knob->position.GetValue(0).y;
        else
            knobY = position.y;

        if (action.empty())
            sliderScene->GetStringProp("Action", action);
        bounds = HitBoxOf(sliderScene, bounds);

        const ImageRect* span = overlayImage != nullptr ? overlayImage : backgroundImage;
        if (span != nullptr)
        {
            const float hw = static_cast<float>(span->w >> 1);
            const float hh = static_cast<float>(span->h >> 1);
            extents = cRect2f{-hw, -hh, hw, hh};
        }
    }
    SetFrame(0);
}

void cGlaControllerSlider::SetFrame(int32_t frame)
{
    SampleControl(frame);
}

void cGlaControllerSlider::ResetInput()
{
    capturedPointer = 0;
    inside = 0;
}

// Segment counts below 1 (bad data) leave the slider continuous.
float cGlaControllerSlider::Quantise(float raw) const
{
    if (segmentCount < 1)
        return raw;
    const float s = 1.0f / static_cast<float>(segmentCount);
    float v = (raw + s) - FmodF(raw + s, s);
    if (v < s)
        v = s;
    if (v > 1.0f)
        v = 1.0f;
    return v;
}

float cGlaControllerSlider::GetValue() const
{
    // One segment is both the first and the last: its raw value is all there is to say.
    if (segmentCount <= 1)
        return value;
    const float s = 1.0f / static_cast<float>(segmentCount);
    return (value - s) / (1.0f - s);
}

void cGlaControllerSlider::SetValue(float newValue)
{
    value = Quantise(newValue);
}

void cGlaControllerSlider::Update()
{
    if (shown == 0 || visible == 0)
        return;

    if (IsCaptured(capturedPointer))
    {
        const uint8_t p = capturedPointer;
        if (IsKeyJustReleased(p))
        {
            Captures().erase(p);
            inside = 0;
            capturedPointer = 0;
            return;
        }
        cVec2f at;
        if (!MapPointer(p, at))
            return;
        inside = PressTest(at) ? 1 : 0;
        const float before = value;
        const float w = extents.maxX - extents.minX;
        const float a = at.x + w * 0.5f;
        float v;
        if (!(w > 0.0f))
            v = a < 0.0f ? 0.0f : 1.0f; // no span to divide by: either end
        else if (a < 0.0f)
            v = 0.0f;
        else if (a >= w)
            v = 1.0f;
        else
            v = a / w;
        value = Quantise(v);
        if (value != before)
            PostAction(cKelpoMsg(action, nullptr, GetValue()));
        return;
    }

    capturedPointer = 0;
    inside = 0;
    for (uint8_t p = 1; p <= 4; ++p)
    {
        cVec2f at;
        if (IsKeyPressed(p) && MapPointer(p, at) && PressTest(at))
        {
            Captures()[p] = this;
            capturedPointer = p;
            inside = 1;
        }
    }
}

// ---- Drawing ----

namespace
{
// Push the transform and the layer; layer offset; the control's own transform.
void BeginControlDraw(cGfx2D& gfx, const cGlaController& c)
{
    gfx.PushTransform();
    gfx.PushLayer();
    gfx.AddLayer(c.layerOffset);
    gfx.Translate(c.position.x, c.position.y);
    if (c.angle != 0.0f)
        gfx.Rotate(c.angle);
    gfx.Scale(c.scale.x, c.scale.y);
}

void EndControlDraw(cGfx2D& gfx)
{
    gfx.PopLayer();
    gfx.PopTransform();
}

// The caption at the control's origin in the text colour (alpha halved when disabled).
void DrawCaption(cGfx2D& gfx, const std::string& text, uint32_t textColour, bool enabled)
{
    if (text.empty())
        return;
    uint32_t tint = textColour;
    if (!enabled)
        tint = (tint & 0x00FFFFFFu) | (((tint >> 24) >> 1) << 24);
    const uint32_t saved = gfx.GetColour();
    gfx.SetColour(ModulateColour(saved, tint));
    DrawTextAt(gfx, 0.0f, 0.0f, 0, text.c_str());
    gfx.SetColour(saved);
}
} // namespace

void cGlaControllerButton::Draw(cGfx2D& gfx, const cOrientedBox& view)
{
    (void)view;
    if (shown == 0)
        return;
    BeginControlDraw(gfx, *this);
    const bool enabled = visible != 0;
    cGlaControllerScene* look = enabled ? (inside != 0 ? pressedScene : normalScene) : disabledScene;
    if (look != nullptr)
        look->Draw(gfx);
    DrawCaption(gfx, text, textColour, enabled);
    EndControlDraw(gfx);
}

void cGlaControllerToggleButton::Draw(cGfx2D& gfx, const cOrientedBox& view)
{
    (void)view;
    if (shown == 0)
        return;
    BeginControlDraw(gfx, *this);
    const bool enabled = visible != 0;
    cGlaControllerScene* look = nullptr;
    if (!enabled)
        look = stateScenes[kDisabled];
    else if (state == 0)
        look = stateScenes[inside != 0 ? kOffPressed : kOff];
    else
        look = stateScenes[inside != 0 ? kOnPressed : kOn];
    if (look != nullptr)
        look->Draw(gfx);
    DrawCaption(gfx, text, textColour, enabled);
    EndControlDraw(gfx);
}

// The slider's images are placed at its position; its own rotation and scale are not
// applied. The raw value places the overlay and the knob.
void cGlaControllerSlider::Draw(cGfx2D& gfx, const cOrientedBox& view)
{
    (void)view;
    if (shown == 0)
        return;
    const bool enabled = visible != 0;
    gfx.PushTransform();
    gfx.PushLayer();
    gfx.AddLayer(layerOffset);
    const uint32_t saved = gfx.GetColour();
    gfx.SetColour(ModulateColour(saved, enabled ? 0xFFFFFFFFu : 0x80FFFFFFu));

    if (backgroundImage != nullptr)
        DrawFrameAt(gfx, backgroundImage, position.x, position.y, kAlignCentre);

    if (overlayImage != nullptr)
    {
        const int32_t w = overlayImage->w;
        const int32_t h = overlayImage->h;
        const int32_t left = TruncToInt32(position.x) - (w >> 1);
        const int32_t top = TruncToInt32(position.y) - (h >> 1);
        const int32_t fill = TruncToInt32(static_cast<float>(w) * value);
        if (highlightSegmentOnly != 0 && segmentCount >= 1)
        {
            // Only the current segment lights; below the first segment (a raw value not yet
            // quantised) nothing of the overlay lies in the picture.
            const int32_t seg = TruncToInt32(static_cast<float>(w) * (1.0f / static_cast<float>(segmentCount)));
            if (fill >= seg)
                DrawFrameRegionAt(gfx, overlayImage, static_cast<float>(left + fill - seg), static_cast<float>(top),
                                  fill - seg, seg, h);
        }
        else
            DrawFrameRegionAt(gfx, overlayImage, static_cast<float>(left), static_cast<float>(top), 0, fill, h);
    }

    if (knobImage != nullptr && enabled)
    {
        // The knob runs along the background (else the overlay, else it stays at the
        // slider's position).
        const ImageRect* track = backgroundImage != nullptr ? backgroundImage : overlayImage;
        const int32_t tw = track != nullptr ? track->w : 0;
        const int32_t x = TruncToInt32(value * static_cast<float>(tw)) - (tw >> 1) + TruncToInt32(position.x);
        DrawFrameAt(gfx, knobImage, static_cast<float>(x), knobY, kAlignCentre);
    }

    gfx.SetColour(saved);
    gfx.PopLayer();
    gfx.PopTransform();
}

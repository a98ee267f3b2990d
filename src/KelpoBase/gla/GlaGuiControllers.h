// The interactive controls of Gla scenes: buttons, toggle buttons and sliders, played by
// game-object elements whose object type is "Button", "Toggle Button" or "Slider".
//
// A control never calls game code. Pointer presses (and keyboard activation through the
// scene controller's focus) become an action message named by the control's "Action"
// string, posted to the controller at the top of its owner chain, whose queue the screen
// reads by name. Buttons and toggles draw themselves with one nested scene controller per
// visual state, built over the look scene that their "Button" property names; the slider
// draws three images from the sprites of its "Slider" scene.
//
// A pointer that presses a control is captured: the process-wide capture map names the
// control that holds each pointer (1 to 5) until its release.
#pragma once

#include <cstdint>
#include <string>

#include "KelpoBase/core/Colour.h"
#include "KelpoBase/gla/GlaElementControllers.h"

class cSound;
class cGlaScene;

class cGlaControllerGuiObject : public cGlaControllerElement
{
    KELPO_DECLARE_CLASS(cGlaControllerGuiObject, cGlaControllerElement)
public:
    cGlaControllerGuiObject(cGlaController* ownerController, cGlaElement* playedElement);
    // Forgets any pointer capture that names this control.
    ~cGlaControllerGuiObject() override;

    // Samples only the transform (position, angle, scale).
    void SetFrame(int32_t frame) override;

    // A control that is not shown is neither updated nor drawn.
    void SetShown(bool on);
    // A disabled control ignores input and draws its disabled look; the next SetFrame
    // samples the flag again from the visible track.
    void SetEnabled(bool on);
    bool IsShown() const { return shown != 0; }
    bool IsEnabled() const { return visible != 0; }

    // Maps a pointer's screen position into this control's own space (through every
    // controller from the top of the owner chain down to this one). False when a zero
    // scale on the way leaves no such point.
    bool MapPointer(uint32_t pointer, cVec2f& out);
    // Edges count as inside; the hold test grows the box by 16 on every side.
    bool PressTest(const cVec2f& p) const;
    bool HoldTest(const cVec2f& p) const;

    uint8_t visible = 1; // the enabled flag
    uint8_t shown = 1;
    cRect2f bounds;      // the hit box, in the control's own space
    uint8_t capturedPointer = 0;

protected:
    // Samples the full set of tracks of the three GUI kinds (enabled flag, transform and
    // draw-layer offset).
    void SampleControl(int32_t frame);
    // Removes the capture of the captured pointer (when one is held by anybody).
    void ReleaseCapture();
    void PostAction(const cKelpoMsg& message);
};

class cGlaControllerButton : public cGlaControllerGuiObject
{
    KELPO_DECLARE_CLASS(cGlaControllerButton, cGlaControllerGuiObject)
public:
    cGlaControllerButton(cGlaController* ownerController, cGlaElement* playedElement);
    ~cGlaControllerButton() override;

    void ResetInput() override;
    void Setup() override;
    void Update() override;
    void Draw(cGfx2D& gfx, const cOrientedBox& view) override;
    void SetFrame(int32_t frame) override;
    cOrientedBox& GetBounds(cOrientedBox& out) override;
    void SetAlpha(uint8_t alpha) override;

    void ActivateByKeyboard();
    void SetKeyboardHighlight(bool on);
    // Both voices take the one voice given.
    void SetSounds(cSound* press, cSound* click, int32_t voice);
    void ClearSounds();

    cGlaControllerScene* normalScene = nullptr;   // owned
    cGlaControllerScene* pressedScene = nullptr;  // owned
    cGlaControllerScene* disabledScene = nullptr; // owned; only with 3 or more look frames
    uint8_t inside = 0;
    std::string action;
    std::string text;
    uint32_t textColour = 0xFFFFFFFFu;
    cSound* pressSound = nullptr;
    cSound* clickSound = nullptr;
    int32_t pressVoice = 0;
    int32_t clickVoice = 0;

private:
    void PostButtonMessage();
};

class cGlaControllerToggleButton : public cGlaControllerGuiObject
{
    KELPO_DECLARE_CLASS(cGlaControllerToggleButton, cGlaControllerGuiObject)
public:
    enum : int32_t
    {
        kOff = 0,
        kOffPressed = 1,
        kOn = 2,
        kOnPressed = 3,
        kDisabled = 4,
        kStateSceneCount = 5,
    };

    cGlaControllerToggleButton(cGlaController* ownerController, cGlaElement* playedElement);
    ~cGlaControllerToggleButton() override;

    void ResetInput() override;
    void Setup() override;
    void Update() override;
    void Draw(cGfx2D& gfx, const cOrientedBox& view) override;
    void SetFrame(int32_t frame) override;
    void SetAlpha(uint8_t alpha) override;

    void ActivateByKeyboard();
    void SetKeyboardHighlight(bool on);
    // Sets the state without a message or a sound (screens showing a setting).
    void SetState(bool on);
    bool GetState() const { return state != 0; }
    // Rebuilds the state scenes from the look scene.
    void BuildStateScenes();
    void SetSounds(cSound* press, cSound* click, int32_t voiceIndex);

    uint8_t state = 0;
    uint8_t inside = 0;
    std::string action;
    std::string text;
    uint32_t textColour = 0xFFFFFFFFu;
    cSound* pressSound = nullptr;
    cSound* clickSound = nullptr;
    int32_t voice = 0;
    cGlaScene* lookScene = nullptr; // not owned
    cGlaControllerScene* stateScenes[kStateSceneCount] = {}; // owned; the disabled one only with exactly 5 look frames

private:
    void DeleteStateScenes();
    void PostToggleMessage();
};

class cGlaControllerSlider : public cGlaControllerGuiObject
{
    KELPO_DECLARE_CLASS(cGlaControllerSlider, cGlaControllerGuiObject)
public:
    cGlaControllerSlider(cGlaController* ownerController, cGlaElement* playedElement);
    ~cGlaControllerSlider() override;

    void ResetInput() override;
    void Setup() override;
    void Update() override;
    void Draw(cGfx2D& gfx, const cOrientedBox& view) override;
    void SetFrame(int32_t frame) override;

    // Continuous: the raw value. With n segments: 0 for the first, 1 for the last (a
    // slider of one segment reports its raw value).
    float GetValue() const;
    // Stores the raw value, quantised to the segments when there are any; posts nothing.
    void SetValue(float value);

    const ImageRect* backgroundImage = nullptr;
    const ImageRect* overlayImage = nullptr;
    const ImageRect* knobImage = nullptr;
    uint8_t inside = 0;
    int32_t segmentCount = 0; // 0: continuous
    uint8_t highlightSegmentOnly = 0;
    std::string action;
    float value = 0.0f;
    float knobY = 0.0f;
    cRect2f extents; // the horizontal span the value maps onto

private:
    float Quantise(float raw) const;
};

// The sounds and voices that controls built from now on take.
void SetDefaultButtonSounds(cSound* press, cSound* click, int32_t pressVoice, int32_t clickVoice);

// The pointer-capture map (pointer 1 to 5 -> the control holding it).
void ClearPointerCaptures();
cGlaControllerGuiObject* GetPointerCapture(uint32_t pointer);

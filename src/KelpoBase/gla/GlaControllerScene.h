// cGlaControllerScene plays one Gla scene: it owns one element controller per playable
// element, moves them through the scene's frames, updates and draws them, queues the
// action messages its controls post (newest first when taken), keeps the keyboard focus
// among its buttons and toggle buttons, and owns the particle pool that every emitter
// below it shares.
//
// Per tick the owner calls Update, Advance, then Draw or DrawCulled. A scene authored at
// 30 fps advances one whole frame per tick; other rates advance fractionally and blend.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KelpoBase/gla/GlaController.h"

class cGlaScene;
class cGlaControllerSceneElement;
class cGlaControllerSprite;
class cGlaControllerButton;
class cGlaControllerToggleButton;
class cGlaControllerRectangle;
class cParticlePool;

class cGlaControllerScene : public cGlaController, public cKelpoMsgHandler
{
    KELPO_DECLARE_CLASS(cGlaControllerScene, cGlaController)
public:
    // A top-level controller over the scene (none: no element controllers).
    explicit cGlaControllerScene(cGlaScene* playedScene);
    // A controller with an owner and no scene yet (nested scene elements use it).
    explicit cGlaControllerScene(cGlaController* ownerController);
    ~cGlaControllerScene() override;

    // Structure.
    // Drops the element controllers, then makes one per supported element of the list,
    // in list order, and runs every controller's Setup once all exist.
    void BuildControllers(const std::vector<cGlaElement*>& elementList);
    // Takes the scene (which may be null) and rebuilds the controllers from its elements.
    void SetScene(cGlaScene* newScene);
    void ClearControllers();

    // Playback.
    void Play(bool loop, int32_t step);
    void Advance();
    void SetFrame(int32_t frame);
    void SetFrameBlend(int32_t frame, float fraction);
    void Rewind();
    void StartChildScenes();
    void AdvanceChildScenes();
    // The scene's frame count (0 without a scene).
    int32_t GetFrameCount() const;

    // Per tick.
    void Update();
    void Draw(cGfx2D& gfx);
    void DrawCulled(cGfx2D& gfx, const cOrientedBox& view);
    void DrawBoundsCulled(cGfx2D& gfx, const cOrientedBox& view);
    // {min x, min y, max x, max y} of the element controllers' boxes in the scene's own
    // coordinates; the empty (inverted) box when there are none.
    cRect2f& GetBounds(cRect2f& out) const;

    // Messages and input.
    void PostMessage(const cKelpoMsg& message) override;
    void ResetInput() override;

    // Lookups: the first own element controller whose element has exactly that name, else
    // the same search in each nested scene (depth first), else null.
    cGlaControllerElement* FindController(const std::string& elementName) const;

    // The shared particle pool, made on first use (capacity 1024).
    cParticlePool* GetParticlePool();
    cParticlePool* PeekParticlePool() const { return particlePool.get(); }

    // Keyboard focus among the buttons and toggle buttons (exact classes), numbered in
    // element-controller order.
    void SetFocus(int32_t index);
    void MoveFocus(int32_t delta);
    void ShowFocus();
    void HideFocus();
    void ActivateFocused();

    cGlaScene* scene = nullptr;
    std::vector<cGlaControllerElement*> elementControllers; // owned
    std::vector<cGlaControllerSceneElement*> nestedScenes;  // among them, not owning
    bool fractionalMode = false;
    float playbackPosition = 0.0f;
    float fraction = 0.0f;
    float speed = 0.0f;
    int32_t frame = 0;
    int32_t loopCount = 0;
    int32_t step = 1;
    bool loop = false;
    bool playing = false;
    std::unique_ptr<cParticlePool> particlePool;
    bool keyboardMode = false;
    int32_t focusIndex = 0;
    int32_t focusableCount = 0;

private:
    void HighlightFocused();
    void RestartNested(bool loopNested, int32_t stepNested, bool alwaysLoop);
};

// A new controller for the element, chosen by the element's exact class (and, for game
// objects, by the object type's name), or null for an element that is not played.
cGlaControllerElement* CreateElementController(cGlaController* owner, cGlaElement* element);

// Typed lookups: FindController's result when it is of the class (or derives from it).
cGlaControllerSprite* FindSpriteController(const cGlaControllerScene* scene, const std::string& name);
cGlaControllerButton* FindButtonController(const cGlaControllerScene* scene, const std::string& name);
cGlaControllerToggleButton* FindToggleButtonController(const cGlaControllerScene* scene, const std::string& name);
cGlaControllerSceneElement* FindSceneElementController(const cGlaControllerScene* scene, const std::string& name);
cGlaControllerRectangle* FindRectangleController(const cGlaControllerScene* scene, const std::string& name);

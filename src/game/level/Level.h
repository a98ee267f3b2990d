// cLevel: the record of the level being played, and the small services its states, the
// world update and the object kinds call: the level number's decoding, the object lists
// and lookup by name, the scene draw, the camera, the player's controls, the overlay
// panels of the in-level menus, the object type sounds and the clearing before a
// rebuild.
//
// Lengths are metres unless said otherwise; the scene is drawn at 32 pixels a metre.
// Time is counted in frames, 30 a second.
//
// The level owns its world, its objects (through the object lists), draw context, grid,
// zones, areas, joint and spring records and scenes. The rest of the level (start,
// rebuild, states, builders, joints, heads-up display) are member functions defined in
// files of their own beside this one.
#pragma once

#include "KelpoBase/render/TextureAtlas.h"
#include <array>
#include <functional>
#include <memory>
#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "KelpoBase/core/KelpoObj.h"
#include "KelpoBase/core/Shape2D.h"
#include "KelpoBase/core/StateMachine.h"
#include "KelpoBase/core/Vec2.h"
#include "KelpoBase/gla/Particles.h"
#include "game/objects/DorvoLevel.h"
#include "game/objects/ObjectLevel.h"

class b2Body;
class b2Joint;
class cContactFilter;
class cContactListener;
class cFont;
class cGameObj;
class cGfx2D;
class cGlaControllerScene;
class cGlaElement;
class cObjectGrid;
class cPlayerControls;
class cPolygonZone;
class cResourceGroup;

// A level area made from a "Hole" zone: its points in metres (offset by the position,
// scaled by 1/32), its type, position, an active flag and the name "0".
class PolygonArea : public cKelpoObj
{
    KELPO_DECLARE_CLASS(PolygonArea, cKelpoObj)
public:
    PolygonArea(const std::vector<cVec2f>& points, const cVec2f& at, int32_t areaType);

    std::vector<cVec2f> points;
    int32_t type = 0;
    cVec2f position;
    uint8_t active = 1;
};

// One Box2D joint made by the joint builder, with its per-frame behaviour.
struct JointRecord
{
    b2Joint* joint = nullptr; // owned by the world
    bool track = false;
    float gain = 0.0f;
    float target = 0.0f;
    bool sine = false;
    float sineSpeed = 0.0f;
    float sineLength = 0.0f;
    bool motorOnContact = false;
    bool rotateToPlayer = false;
    bool speedUp = false;
    float speedInc = 0.0f;
    int32_t soundType = 0;
    float phase = 0.0f;
};

// A spring between two bodies, applied by the level each frame.
struct SpringRecord
{
    b2Body* bodyA = nullptr;
    b2Body* bodyB = nullptr;
    float strength = 0.0f;
    float damping = 0.0f;
    float restLength = 0.0f;
    bool canSquash = false;
    cVec2f localAnchorA;
    cVec2f localAnchorB;
};

// A list of live objects and a list of objects waiting to be deleted. The list owns
// both kinds.
struct ObjectList
{
    ObjectList() = default;
    ObjectList(const ObjectList&) = delete;
    ObjectList& operator=(const ObjectList&) = delete;
    ~ObjectList() { DeleteAll(); }

    void Append(cGameObj* object) { live.push_back(object); }
    // Moves the objects that are no longer alive from the live list to the waiting list.
    void MoveDeadToWaiting();
    // Each waiting object leaves its parent, then is deleted.
    void DeleteWaiting();
    // The waiting objects, then every live one; both lists end empty.
    void DeleteAll();
    // Forgets the object (it is being deleted elsewhere).
    void Forget(const cGameObj* object);
    bool Empty() const { return live.empty() && waiting.empty(); }

    std::list<cGameObj*> live;
    std::list<cGameObj*> waiting;
};

// Saved control codes, in this order (each a key code 0 to 87).
enum LevelControl : int
{
    kControlUp = 0,
    kControlDown,
    kControlLeft,
    kControlRight,
    kControlJump,
    kControlPause,
    kControlCount
};

// ---- level start / loading / rules support types ----------------------------------------
class cGlaScene;
class cGlaSet;
class cPickupObject;
class cSound;
struct ImageRect;

// A camera zone made from a "CameraZone" zone: its points in metres, type, position and
// centre point (scene pixels) and zoom.
struct LevelCameraZone
{
    std::vector<cVec2f> points; // metres
    int32_t type = 0;
    cVec2f position;
    cVec2f centre;
    float zoom = 0.0f;
};

// One ambient sound channel: playing, target and current gain, and the looping sound
// that started it on the channel's voice (kAmbientChannelVoices) or, when another sound
// holds that voice, on a spare one.
struct AmbientChannel
{
    bool playing = false;
    float target = 0.0f;
    float gain = 0.0f;
    cSound* sound = nullptr;
    LoopVoice voice;
};

// The home voice of each ambient channel.
inline constexpr std::array<int32_t, 15> kAmbientChannelVoices = {15, 16, 16, 17, 15, 17, 18, 18,
                                                                  19, 20, 20, 21, 18, 22, 17};

// A level's progress record as the level reads and writes it at completion.
struct LevelProgressRecord
{
    bool completed = false;
    int32_t bestScore = 0;
    bool allSugar = false;
    bool sticker = false;
    bool perfect = false;
    uint32_t bestPerfectTime = 9000;
};

// The game's side of a level (the game lives in the library above): the level table, the
// save data's look, progress and feats, the music, achievements, saving and the loading
// screen. Registered by the game; without one the level uses quiet defaults.
class cLevelHost
{
public:
    virtual ~cLevelHost() = default;
    virtual std::string LevelFileName(int32_t index) { (void)index; return std::string(); }
    virtual int32_t LevelMusicTrack(int32_t index) { (void)index; return 0; }
    virtual void PlayMusicTrack(int32_t track) { (void)track; }
    // Look values: 0 hair, 1 body, 2 base, 3 cup, 4 trail.
    virtual int32_t LookValue(int32_t which) { (void)which; return 0; }
    virtual bool GetProgress(int32_t record, LevelProgressRecord& out) { (void)record; (void)out; return false; }
    virtual void SetProgress(int32_t record, const LevelProgressRecord& in) { (void)record; (void)in; }
    // Feats in save order: 0 breakout, 1 one lump or two, 2 don't look back, 3 don't
    // jump, 4 black tea.
    virtual void SetFeat(int32_t feat) { (void)feat; }
    // The summed best perfect times (frames) of a mode's levels.
    virtual uint32_t SumPerfectTimes(int32_t mode) { (void)mode; return 0; }
    virtual void UploadLeaderboard(const char* board, int32_t score) { (void)board; (void)score; }
    virtual void CheckAchievements() {}
    virtual void Save() {}
    // The loading-progress hook installed during the level start (may be null).
    virtual void (*LoadingHook())(uint32_t, uint32_t) { return nullptr; }
};
void SetLevelHost(cLevelHost* host);
cLevelHost* GetLevelHost();
// Marks the 40 story records (0 to 39) completed in the host's progress, changing nothing
// else of them: the in-game way to open every story level. Nothing in the game calls it.
void OpenStoryLevels();

class cLevel;
// Pointers to the level's main states, for code that wants to name them without the
// member declarations (filled by cLevel::RegisterStates).
struct LevelLinks
{
    int32_t (cLevel::*stateIntro)(int32_t, int32_t) = nullptr;
    int32_t (cLevel::*stateRunning)(int32_t, int32_t) = nullptr;
    int32_t (cLevel::*statePauseOpen)(int32_t, int32_t) = nullptr;
    int32_t (cLevel::*stateResults)(int32_t, int32_t) = nullptr;
};
LevelLinks& GetLevelLinks();

// ---- end of the level start / loading / rules support types -----------------------------

// The level gives the objects their services through cObjectLevel (camera, voices, sound
// and image lists, lookups) and the player its own through cDorvoLevel.
class cLevel : public cObjectLevel, public cDorvoLevel
{
public:
    using StateFunc = StateMachine<cLevel>::StateFunc;

    static constexpr float kMoveForce = 2.8f;
    static constexpr int32_t kFirstWorldVoice = 8;
    static constexpr int32_t kLastWorldVoice = 11;
    // Type 2 sounds fade to nothing at this distance (pixels) from the camera.
    static constexpr float kSoundFadeDistance = 768.0f;

    // Decodes the level number (challenge from 250, survival from 200, else mode =
    // number / 50 and index = number % 50) and makes the 2D draw context. Nothing is
    // loaded here.
    explicit cLevel(int32_t levelNumber);
    // Clears the level (objects before the world) and frees what it owns.
    ~cLevel() override;

    // The first object of that exact name in the general list, then the respawns, then
    // the pickups; null when none.
    cGameObj* FindObjectByName(const std::string& name) override;
    // The player's zone flags and position, through its controls; its state value is its
    // jump counter (3 on the frame after a fresh jump press).
    uint32_t PlayerZoneFlags() const override;
    bool PlayerPosition(cVec2f& out) const override;
    int32_t PlayerStateValue() const override;
    // The pause menu shows (from its opening until it has closed again).
    bool IsPaused() const override { return pausedByFocus; }

    // Backgrounds, then under the camera's transform the grid's scenery in view, the
    // general, respawn and pickup lists and particle pool A.
    void DrawScene();
    // Follows the camera target by the camera mode, blends, clamps to the level's
    // boundary and rebuilds viewBox.
    void UpdateCamera();
    // The no-jump indicators, then Move and Jump from the held keys.
    void HandlePlayerInput();
    // The object type sounds 2, 4, 8 and 24 at a point (metres) in view.
    void PlayObjectTypeSound(int32_t type, float x, float y);
    // A black full-screen veil of alpha x 192.
    void DrawDimOverlay(float alpha);
    // The pause (with the level number) or exit panel, turned and zoomed in by 1 - t.
    void DrawPausePanel(float t);
    void DrawExitPanel(float t);
    // The physics half of the rebuild: a world with gravity (0, 20) pulling down the
    // screen, the contact filter and listener bound to this level and installed, the time
    // step of one frame and the shared static ground body at the origin. Clears the level
    // first when a world exists.
    void CreatePhysicsWorld();
    // Everything the rebuild makes, freed: particles, objects, areas, zones, joint and
    // spring records, listener and filter, world, grid, contact map.
    void ClearLevel();

    // The half size of the view (pixels) at the current zoom.
    cVec2f ViewHalfSize() const;
    // The zoom used in divisions (1 when the zoom is not a positive number).
    float SafeZoom() const;

    // Takes a deleted object out of every list (and off the camera).
    void OnObjectDeleted(cGameObj* object) override;

    StateMachine<cLevel> stateMachine;
    cResourceGroup* resourceGroupA = nullptr;
    cResourceGroup* resourceGroupB = nullptr;
    void* debugPage = nullptr; // never made in this build
    cGlaControllerScene* hudScene = nullptr;
    cGlaControllerScene* transitionScene = nullptr;
    cGlaControllerScene* resultsScene = nullptr;
    cGlaControllerScene* overlayScene = nullptr;
    cGlaControllerScene* noJumpIndicator = nullptr;
    cGlaControllerScene* jumpIndicator = nullptr;
    int32_t noJumpState = 0;
    cGlaControllerScene* pauseScene = nullptr;
    cGlaControllerScene* exitScene = nullptr;
    cVec2f gravity;
    float targetAngle = 0.0f;
    float worldAngle = 0.0f;
    bool pausedByFocus = false;
    bool isSurvival = false;
    bool newSurvivalUnlocked = false;
    bool newBonusUnlocked = false;
    bool isChallenge = false;
    int32_t mode = 0;
    bool jumpRequested = false;
    bool moveRequested = false;
    cContactListener* contactListener = nullptr;
    cContactFilter* contactFilter = nullptr;
    std::vector<cPolygonZone*> zones;
    std::vector<PolygonArea*> areas;
    std::vector<JointRecord*> jointRecords;
    std::vector<SpringRecord*> springRecords;
    cGameObj* cameraTarget = nullptr;
    cPlayerControls* player = nullptr;
    int32_t sugarTotal = 0;
    int32_t sugarCollected = 0;
    // The ten digit images of the "Hud" group's atlas, index = digit (null when missing).
    std::array<const ImageRect*, 10> hudDigits{};
    bool noPause = false;
    int32_t levelIndex = 0;
    int32_t resultsTimer = 0;
    cVec2f boundsMin;
    cVec2f boundsMax;
    float cameraTargetZoom = 0.0f;
    cVec2f cameraTargetPos;
    int32_t cameraMode = 0;
    int32_t cameraBlendFrames = 0;
    float defaultZoom = 0.0f;
    bool playerDead = false;
    bool deathSequence = false;
    int32_t perfectCounter = 0;
    int32_t score = 0;
    int32_t bonusScore = 0;
    int32_t timeFrames = 0;
    uint32_t perfectTime = 0;
    bool stickerFound = false;
    bool debugDraw = false;
    std::array<cGlaElement*, 6> pickupTemplates{};
    ObjectList objects;
    ObjectList respawns;
    ObjectList pickups;
    ObjectList backgrounds;
    ObjectList sceneBits;
    cObjectGrid* grid = nullptr;
    const cFont* perfectFont = nullptr;
    const cFont* levelFont = nullptr;
    const cFont* hudFont = nullptr;
    int32_t survivalCountdown = 0;
    cParticlePool particlePoolA;
    cParticlePool particlePoolB;
    // The object type sounds: the first, second and third event lists (types 4, 8 and
    // 24) and the list of type 2, whose volume falls with the distance to the camera.
    std::array<SoundList, 4> objectTypeSounds;
    int32_t rotateVoice = kFirstWorldVoice;
    cSound* rotateSound = nullptr;
    // The saved control codes (the game copies them from its save data).
    std::array<int32_t, kControlCount> controls{70, 71, 68, 69, 72, 79};

    // ---- element builders and joints (LevelBuilders.cpp, DynamicBuilder.cpp,
    // LevelJoints.cpp) ------------------------------------------------------------------
    // Each builder turns one game-object element into an object on one of the lists.
    // angle is in degrees (added to the element's rotation), offset in scene pixels (added
    // to its position, not turned). None calls Start.
    void BuildBackground(cGlaElement* element);
    void BuildPickup(cGlaElement* element, float angle, const cVec2f& offset);
    void BuildRespawn(cGlaElement* element, float angle, const cVec2f& offset);
    void BuildSceneBit(cGlaElement* element, float angle, const cVec2f& offset);
    void BuildMover(cGlaElement* element, float angle, const cVec2f& offset);
    // A dynamic object named after the element plus the suffix (the sub-scene's name for
    // the elements of a scene object, empty for the level scene's own).
    void BuildDynamicObject(cGlaElement* element, float angle, const cVec2f& offset,
                            const std::string& suffix = std::string());
    // A free-moving object from a template element at a position (pixels); angle and force
    // angle in radians; gravity subject to the template's "Gravity".
    void MakeSpawnedObject(cGlaElement* element, float angle, std::string suffix, float forceAngle, bool gravity,
                           const cVec2f& position);
    // What a spawner throws out: MakeSpawnedObject with no suffix and gravity allowed.
    void BuildSpawnedObject(cGlaElement* templateElement, float angle, float forceAngle,
                            const cVec2f& position) override;
    // A pickup of the kind (1 to 6) built from the level's template of that kind at the
    // position (metres); nothing for another kind or a kind without a template.
    void DropPickup(int kind, const cVec2f& position) override;
    // One joint from a joint element; the bodies are the objects named by "Body1" and
    // "Body2" plus the suffix (the ground body when a side names none).
    void BuildSceneJoints(cGlaElement* element, const std::string& suffix, float offsetX, float offsetY);
    // The joints' per-frame behaviours and the springs' forces.
    void UpdateJoints();
    // The checkpoint area of a respawn object built by BuildRespawn, or null.
    static PolygonArea* RespawnAreaOf(const cGameObj* object);
    // Sound lists the builders and joints play, filled by the level start: a dropped key's
    // sound on the levels of index 9 (A) and 18 (B), and the swinging joints' creaks (the
    // first two for sound type 1 turning one way and the other, the third for types 2, 3).
    SoundList dropKeySoundsA, dropKeySoundsB;
    std::array<SoundList, 3> creakSounds;
    // ---- end of element builders and joints ---------------------------------------------

    // ==== Level start, scene loading, world update and level rules ====================
    // (LevelStart.cpp, LevelLoader.cpp, LevelUpdate.cpp, LevelRules.cpp)

    // The level's scene name from the level table's file name and the decoded number:
    // "_S" for survival, "level_C_NNN" for a challenge, "level_<mode+1>_NNN" for bonus.
    static std::string LevelSceneName(const std::string& fileName, int32_t mode, int32_t index,
                                      bool survival, bool challenge);
    // Loads the display, fonts, digits, the level scene and its properties, the player's
    // look, the in-level screens and the effect resources into the "Hud" and "Game" groups.
    // False when the level scene is not in the maps file (the level cannot be played).
    bool StartLevel();
    // Reads "Survival", "StartFrames" and "RestartLevelOnDeath" of the level scene.
    void ReadLevelProperties();
    // The sound lists, ambient loop slots and effect image lists every level loads.
    void LoadLevelEffects();
    // The sound files LoadLevelEffects loads, in its order.
    static std::vector<std::string> EffectSoundPaths();
    // Builds the world from the level scene, then starts the player's looping sound.
    void RestartLevel();
    void LoadLevelScene();
    // Clears and rebuilds the level.
    void ReloadLevel();
    // One frame of play: restart, turn and pause keys, death, the world step, objects,
    // controls, joints, rules, camera, particles and the ambient gains.
    void UpdateWorld();
    // The respawn at the last checkpoint after a death, and the death's particle burst.
    void Respawn();
    void EmitDeathBurst();
    // The end of a survival run after its death countdown: the sugar posted and kept as
    // the best, the results state pending, the player in its level-end state.
    void EndSurvivalRun();
    // The per-frame rules: player sound, areas, camera zones, checkpoints and pickups.
    void UpdateLevelRules();
    // Scoring and the progress record at a level end, then the results state.
    void CompleteLevel();
    void CompleteChallengeLevel();
    // Straight to the results of the next level (no scoring).
    void NextLevel();
    // Straight to the results with the index two levels back, with the level-end effect;
    // no scoring, no save. Nothing in the game calls it.
    void StepBackToResults();
    // Scoring of a run into a progress record (shared by both completions); true when the
    // run was perfect.
    bool ScoreRun(LevelProgressRecord& record);
    // The level-end state switch: the index moved by indexStep, no pause, results timer,
    // results pending, the level-end confetti (when asked) and the player's level-end state.
    void EnterResults(int32_t indexStep = 1, bool effect = true);
    // The results panel rewound and the level-end sound.
    void BeginCompletion();
    // Rule helpers: an ambient channel raised to a volume (started on its voice the first
    // time), the checkpoint and pickup zone tests, a pickup's collection and the sugar
    // sound sequence.
    void RaiseChannel(size_t channel, size_t slot, float volume);
    bool RespawnContains(cGameObj* object, const cVec2f& point) const;
    bool PickupContains(cGameObj* object, const cVec2f& point) const;
    void CollectPickup(cGameObj* object, cPickupObject& pickup);
    void PlaySugarSequence();

    // The player's services: its four scenes from the level scene set, the images of its
    // appearance (the vessel images: the first for the converging particles and the trail,
    // the last for the burst), the level-start sounds for its arrival, the trail look of
    // the save data, and each jump input raising both player sound targets by 0.1.
    cGlaScene* PlayerScene(int which) const override;
    const ImageRect* PlayerAppearImage() const override;
    const ImageRect* PlayerBurstImage() const override;
    const ImageRect* PlayerTrailImage() const override;
    const SoundList* PlayerAppearSounds() const override { return &levelStartSounds; }
    int32_t PlayerTrailLook() const override { return trailLook; }
    void OnPlayerJumpInput() override;
    int32_t trailLook = 0;

    // The level scene set (owned by the "Game" group), the level scene and its controller
    // (owned), the player's four scenes.
    cGlaSet* levelSet = nullptr;
    cGlaSet* hudSet = nullptr;
    cGlaScene* levelScene = nullptr;
    cGlaControllerScene* levelSceneController = nullptr;
    std::array<cGlaScene*, 4> playerScenes{};
    std::array<ImageRect*, 4> lookRects{}; // base, body, cup, handle
    cGlaControllerScene* resultsButtonsScene = nullptr;
    cGlaControllerScene* fireButtonScene = nullptr; // spare: the fire button is noJumpIndicator
    cVec2f jumpButtonPos;
    int32_t startFrames = 0;
    bool restartOnDeath = false;
    bool restartRequest = false;
    bool anyAreaType10 = false;
    bool levelComplete = false; // set by the completion; F3 is ignored while set
    cGameObj* playerObject = nullptr;
    cVec2f playerStart;       // metres
    cVec2f respawnPoint;      // metres
    float angleAtCheckpoint = 0.0f;
    int32_t sugarAtCheckpoint = 0;
    uint32_t keysAtCheckpoint = 0;
    int32_t dyingCountdown = 0;
    cVec2f cameraPrevPos;
    cVec2f cameraMove;
    bool cameraReturning = false;
    std::vector<std::unique_ptr<LevelCameraZone>> cameraZones;
    // The player's looping sound: gain (current, target) and the second pair.
    float playerSoundGain = 0.0f, playerSoundGainTarget = 0.0f;
    float playerSoundPitch = 0.0f, playerSoundPitchTarget = 0.0f;
    std::array<AmbientChannel, 15> ambientChannels{};
    bool lavaPlaying = false;
    float lavaTarget = 0.0f;
    LoopVoice lavaVoice;
    bool rainStarted = false;
    // Named sound lists and slots of the level start.
    SoundList keyPickupSounds, doorUnlockSounds, checkpointSounds, levelStartSounds, deathSounds,
        stickerSounds, levelEndSounds, badgeSounds, unusedSounds;
    std::vector<SoundList> effectSoundLists;   // the lists no code plays, in load order
    std::vector<cSound*> ambientSlots;          // 17, in load order
    std::vector<ImageList> effectImageLists;    // every image list, in load order
    ImageList updraftImages, fireFxImages, sugarSparkle, confettiImages, badgeConfetti, shootingStar,
        leafImages, rainImages, badgeIcons, vesselImages;
    // Frees the scene controllers made by the level start (the level scene's, the results
    // buttons') when the level goes; each pointer is left null.
    struct StartRelease
    {
        explicit StartRelease(cLevel* owner) : level(owner) {}
        StartRelease(const StartRelease&) = delete;
        StartRelease& operator=(const StartRelease&) = delete;
        ~StartRelease();
        cLevel* level;
    };
    StartRelease startRelease{this};
    // ==== end of the level start / loading / update / rules block =======================

    // ==== In-level states, menus, teardown and contact reactions =======================
    // (LevelStates.cpp, LevelMenus.cpp, LevelTeardown.cpp, LevelContacts.cpp)

    // States of the level's own machine: (phase, argument) -> 0, never refusing to leave.
    // The intro uncovers a fresh (re)build; running plays; the pause opens, shows its menu
    // and closes; the exit dialog opens, asks and closes (0 back to the menu, 1 leave for
    // the front end, 2 leave from the results); the results follow a level end; the next
    // level closes with the transition and tells the game where to go.
    int32_t StateIntro(int32_t phase, int32_t arg);
    int32_t StateRunning(int32_t phase, int32_t arg);
    int32_t StatePauseOpen(int32_t phase, int32_t arg);
    int32_t StatePauseMenu(int32_t phase, int32_t arg);
    int32_t StatePauseClose(int32_t phase, int32_t arg);
    int32_t StateExitOpen(int32_t phase, int32_t arg);
    int32_t StateConfirmExit(int32_t phase, int32_t arg);
    int32_t StateExitClose(int32_t phase, int32_t arg);
    int32_t StateResults(int32_t phase, int32_t arg);
    int32_t StateNextLevel(int32_t phase, int32_t arg);
    // Fills the level links with the states above (the game calls it at start-up).
    static void RegisterStates();
    // The value callback of a "Level Select" debug slider: story levels 0 to 39 in steps
    // of 1, the current level index; setting a value completes the level as the one before
    // the choice (NextLevel moves the index on to it).
    static void LevelSelectDebugCallback(cLevel* level, struct DbgSliderRequest& request);

    // pausedByFocus = pause, and the pause opening (or running) state pending.
    void SetPaused(bool pause);
    // The window lost the focus: unless pausing is forbidden or a menu already shows, the
    // pause is the focus's and the pause opening state is pending.
    void RequestPause();
    // Turns the world (gravity, player, drawing) by the degrees, or to them when absolute;
    // the rotation sound when the angle changed; wakes dynamic and spawned bodies.
    void SetWorldAngle(float degrees, bool absolute) override;
    // The contact reactions: sounds, bouncy boost, doors, killers, spawned and dynamic hits.
    void OnPreSolve(b2Contact* contact, const b2Manifold* oldManifold) override;
    // The heads-up display from the level's fields, in the current colour.
    void DrawHud();
    // Every effect and ambient loop falls silent while paused; the loops start again when
    // play asks for them after the menu.
    void SilenceForPause();
    // The draw prologue of the states (renderer state kept, 2D begun, colour white) and
    // its epilogue (renderer state given back).
    void BeginStateDraw();
    void EndStateDraw();
    // The menu keys on a scene, first pressed wins: Up, W or the up control move the focus
    // back; Down, S or the down control forward; Return, Space or the jump control activate.
    void ApplyMenuKeys(cGlaControllerScene* scene);
    // Pressed this frame (down now, up the frame before); codes outside the block never are.
    static bool ControlPressed(int32_t code);
    // A menu fade moved by a tenth, kept on whole tenths so that ten steps make exactly 1 or 0.
    static float StepTenth(float fade, int32_t direction);
    // The drawing of the in-level menus over the level: the draw prologue, the world, the
    // heads-up display at hudAlpha and the screen dimmed by dim (0..1); false, with nothing
    // begun, without a 2D context. EndMenuDraw ends it in opaque white.
    bool BeginMenuDraw(float dim, int32_t hudAlpha = 255);
    void EndMenuDraw();
    // The "LevelExit" transition from its first frame, played forwards once; and one frame
    // of it, true once it no longer plays (or there is none).
    void StartTransition();
    bool StepTransition();
    // The pause menu's toggles from the settings: full screen, music, sound effects.
    void SetPauseToggles();
    // The ten digit images; null (no number drawn) when one is missing. They live in the
    // "Hud" group's atlas as long as the level, so layered drawing may replay them after
    // the draw call that queued them has returned.
    const ImageRect* const* DigitRects() const;

    // The results panel centred on the screen, its texts once its frame reaches
    // textsFromFrame, its buttons at that opacity (0: not drawn).
    void DrawResultsPanel(int32_t textsFromFrame, int32_t buttonsAlpha);
    // The pause panel at full size with the colour's alpha (0..255), level number included.
    void DrawPausePanelFaded(int32_t alpha);
    // The badges of the results panel shown and hidden for this run.
    void SetResultsBadges();
    // The three badges of a run: all sugar, the sticker, a perfect run.
    bool AllSugar() const { return sugarCollected == sugarTotal; }
    bool PerfectRun() const { return perfectCounter == 0 && stickerFound && AllSugar(); }
    // Six particles of the badge icon from the badge's sprite in the panel; sounds from
    // the badge list (one per particle, or one before them).
    void BadgeBurst(const char* sprite, size_t icon, bool soundEachParticle);

    // Opening progress of the pause panel (0..1), shared by the pause opening and closing.
    float pauseFade = 0.0f;
    // The pause menu's focus, kept between visits.
    int32_t pauseFocusIndex = 0;
    // Fades of the exit dialog's opening and closing, and the closing's mode.
    float exitOpenFade = 0.0f;
    float exitCloseFade = 0.0f;
    int32_t exitCloseMode = 0;
    // The results' dim level and buttons opacity (0..255).
    int32_t resultsDim = 0;
    int32_t resultsButtonsAlpha = 0;
    // The way out of the level (next level or front end) has been asked of the game; the
    // closing states ask only once.
    bool leaveRequested = false;

    // What the in-level menus need of the game above the level library. The game fills
    // them at start-up; empty ones do nothing (volumes then go to the audio manager).
    struct MenuHooks
    {
        std::function<void(int32_t from)> leaveToFrontend;    // the front end, 1 or 2
        std::function<void(int32_t levelNumber)> fadeToLevel; // the fade into a level
        std::function<int32_t()> getWindowed;                 // the save's window flag
        std::function<void(int32_t windowed)> setWindowed;
        std::function<void(bool flipped)> setFlipScreen; // the save's flip flag
        std::function<float()> getMusicVolume, getSoundVolume;
        std::function<void(float)> setMusicVolume, setSoundVolume;
    };
    static MenuHooks& GetMenuHooks();

    // Releases the level's resource groups (B, then A) and the scenes of the level start
    // once everything else of the level is gone (the last member to be destroyed).
    struct ResourceRelease
    {
        explicit ResourceRelease(cLevel* owner) : level(owner) {}
        ResourceRelease(const ResourceRelease&) = delete;
        ResourceRelease& operator=(const ResourceRelease&) = delete;
        ~ResourceRelease();
        cLevel* level;
    };
    ResourceRelease resourceRelease{this};
    // ==== end of the in-level states, menus, teardown and contact reactions block ========

private:
    bool clearingLists = false;
    // A panel centred on the screen, turned and zoomed in by 1 - t, in white at alpha
    // (0..255), with the level number when asked.
    void DrawPanel(cGlaControllerScene* scene, float t, bool withLevelNumber, int32_t alpha);
    // Plays a random sound of the list on the next world voice (with onlyWhenIdle, only
    // when that voice plays nothing); the voice moves on either way. False when the list
    // is empty (nothing picked, the voice not advanced).
    bool PlayOnNextWorldVoice(const SoundList& list, float volume, bool onlyWhenIdle = false);
};

// res/maps/maps.mac.cgla: the player rig, the shared object scenes and the 61 level scenes.
//
// Levels are world pixels, y down; the ground's top is at y = 900. Every level is built from
// one of seven templates (basics, keys and movers, dynamics, joints, hazards, survival,
// credits) and carries a sign with its own name. A level scene's needed list names the rig
// scenes; the file writer adds every scene reached from there.
#include <cmath>
#include <cstdio>

#include "datagen/SampleScenes.h"

namespace datagen
{
namespace
{
constexpr float kGround = 900;
// Pickups are tested against the player's middle, which rides kPlayerRadius above the
// ground: a pickup's middle sits a little above that, and its area reaches below it.
constexpr float kPlayerRadius = 20;
constexpr float kPickupHeight = 26;
// The pendulum's weight hangs this far below its pivot.
constexpr float kPendulumArm = 300;
// Every level hides a sticker. Most hang this high: out of reach of a walking or hopping
// player, about where a full jump (the jump key held) tops out, whether the player stands
// under it or jumps on the run a jump's length before it.
constexpr float kStickerHigh = kGround - 235;
// A sticker is taken where the player's picture touches its own: its area is its picture
// grown by the player's radius all round.
constexpr float kStickerSize = 44;

// The joints level: what hangs (the pulley's weights, a weight on a distance joint, a
// crate on a spring) hangs from this height, from stands drawn over the tops of their
// chains; the pulley's weights hang kPulleyDrop below it, their sides free to move by
// kPulleyTravel either way.
constexpr float kHangY = 480;
constexpr float kPulleyDrop = 280;
constexpr float kPulleyTravel = 36;
constexpr float kWeightDrop = 200;
// The lift's wave reaches this far up and down from its middle, where it is placed (the
// lift follows it a little behind, and travels somewhat less); at the wave's lowest the
// lift's underside (the platform is 32 high) clears the head of a player standing under it.
constexpr float kLiftTravel = 96;
constexpr float kLiftY = kGround - 2 * kPlayerRadius - 16 - 14 - kLiftTravel;
// A seesaw's pivot stands this high on its trestle; its plank tilts by at most
// kSeesawTilt degrees either way, which keeps the plank's ends clear of the ground.
constexpr float kSeesawPivot = 60;
constexpr float kSeesawTilt = 12;
// Drawing order of the joints' parts (a lower depth lies on top): the stands over the
// tops of the chains, the hanging objects under them, the trestles behind everything.
constexpr int kStandDepth = 3500;
constexpr int kHungDepth = 3600;
constexpr int kTrestleDepth = 3700;
constexpr float kPulleySide = 75;
constexpr float kHungSide = 80;
// The crate on its spring: placed this far below its hook, it settles kWeightDrop below it
// (a zero-length spring rests a metre, 32 pixels, long; the crate's weight stretches it as
// much again).
constexpr float kSpringK = 80;
constexpr float kSpringCrateDrop = kWeightDrop - 64;

std::string Num3(int n)
{
    char text[8];
    std::snprintf(text, sizeof text, "%03d", n);
    return text;
}

Json Int(const std::string& n, int v) { return Prop(n, "int", v); }
Json Float(const std::string& n, float v) { return Prop(n, "float", v); }
Json Bool(const std::string& n, bool v = true) { return Prop(n, "bool", v); }
Json Enum(const std::string& n, int v) { return Prop(n, "enum", v); }
Json SceneRef(const std::string& target) { return Prop("scene", "scene", target); }
Json ElementRef(const std::string& n, const std::string& target) { return Prop(n, "element", target); }

// ---- The player rig -------------------------------------------------------------------------

// The character stands on its saucer: the picture's lowest point is the body circle's
// (kPlayerRadius below the middle). The body, with the face, sits in the cup, which is drawn
// over its lower part; the handle is half hidden behind the cup.
void AddRig(SceneFile& f)
{
    {
        Json& s = f.AddScene("dorvoBody", 1);
        s["elements"].push_back(Sprite("body", f.Art("dorvo_body", 36, 34, "body", "#00000000"), 0, 0));
        s["elements"].push_back(SceneElement("hair", "Hair_000", 0, -20));
    }
    {
        Json& s = f.AddScene("dorvoCup", 1);
        s["elements"].push_back(Sprite("base", f.Art("dorvo_base", 56, 10, "saucer", "#00000000"), 0, 13));
        s["elements"].push_back(Sprite("handle", f.Art("dorvo_handle", 14, 20, "handle", "#00000000"), 18, -2));
        s["elements"].push_back(Sprite("cup", f.Art("dorvo_cup", 44, 30, "cup", "#00000000"), 0, 0));
    }
    {
        Json& s = f.AddScene("dorvoChar", 1);
        s["elements"].push_back(SceneElement("body", "dorvoBody", 0, -23));
        s["elements"].push_back(SceneElement("cup", "dorvoCup", 0, 4));
    }
    for (int h = 0; h <= 10; ++h)
    {
        Json& s = f.AddScene("Hair_" + Num3(h), 1);
        s["elements"].push_back(Sprite("hair", f.Art("hair_" + Num3(h), 40, 18, "hair", "#00000000", "", h), 0, 0));
    }
    {
        // Looped idle: a small bob. Facing left is the same rig mirrored.
        Json& s = f.AddScene("dorvoIdleRight", 30);
        Json rig = SceneElement("dorvo", "dorvoChar", 0, 0);
        rig["position"] = {{0, 0, 0}, {15, 0, -2}, {29, 0, 0}};
        s["elements"].push_back(rig);
        Json& l = f.AddScene("dorvoIdleLeft", 30);
        rig["scale"] = {{0, -1, 1}};
        l["elements"].push_back(rig);
    }
    {
        // Appearing: a flash of light that the character grows out of, then settles in.
        Json& s = f.AddScene("dorvoStart", 36);
        Json glow = Sprite("glow", f.Art("appear_glow", 160, 160, "flash", "#fff4a0ff"), 0, -10);
        glow["scale"] = {{0, 0.2, 0.2}, {12, 1.3, 1.3}, {30, 0.6, 0.6}};
        glow["colour"] = {{0, 255, 255, 255, 255}, {20, 255, 255, 255, 200}, {32, 255, 255, 255, 0}};
        s["elements"].push_back(glow);
        for (int i = 0; i < 6; ++i)
        {
            // Sparkles flying out of the flash.
            const float a = 1.0472f * float(i) + 0.3f;
            Json spark = Sprite("spark" + std::to_string(i), f.Art("appear_spark", 24, 24, "sparkle", "#ffffffff"), 0, -10);
            spark["position"] = {{0, 0, -10}, {24, 70 * std::cos(a), -10 + 70 * std::sin(a)}};
            spark["colour"] = {{0, 255, 255, 255, 255}, {16, 255, 255, 255, 255}, {26, 255, 255, 255, 0}};
            s["elements"].push_back(spark);
        }
        Json rig = SceneElement("dorvo", "dorvoChar", 0, 0);
        rig["scale"] = {{0, 0.05, 0.05}, {24, 1.15, 1.15}, {30, 1, 1}};
        s["elements"].push_back(rig);
        Json& t = f.AddScene("dorvoStart_001", 10);
        Json hop = SceneElement("dorvo", "dorvoChar", 0, 0);
        hop["scale"] = {{0, 1, 1}, {4, 1.1, 0.85}, {9, 1, 1}};
        t["elements"].push_back(hop);
    }
}

// ---- Shared object scenes --------------------------------------------------------------------

void AddObjects(SceneFile& f)
{
    const struct
    {
        const char* name;
        const char* shape;
        const char* colour;
        int w, h;
        bool touched; // taken wherever the player touches it (see kStickerSize)
    } pickups[] = {{"obj_sugar", "sugar", "#00000000", 28, 28, false},
                   {"obj_sticker", "sticker", "#00000000", int(kStickerSize), int(kStickerSize), true},
                   {"obj_key_red", "key", "#e03838", 40, 26, false},
                   {"obj_key_green", "key", "#38c048", 40, 26, false},
                   {"obj_key_blue", "key", "#3c6cf0", 40, 26, false},
                   {"obj_key_yellow", "key", "#f0d028", 40, 26, false}};
    for (const auto& p : pickups)
    {
        Json& s = f.AddScene(p.name, 1);
        s["elements"].push_back(Sprite("art", f.Art(p.name, p.w, p.h, p.shape, p.colour), 0, 0));
        // The area reaches down past a walking player's middle (kPickupHeight - kPlayerRadius
        // below the pickup's own) and up to catch a jump through it. A sticker, mostly met
        // in the air, is taken wherever the player touches it.
        const float touch = kStickerSize + 2 * kPlayerRadius;
        s["elements"].push_back(Zone("area", "Hole", 0, 0, p.touched ? Box(0, 0, touch, touch) : Box(0, 4, 44, 52)));
    }
    {
        // Checkpoint: the flag rises over 12 frames when it becomes current.
        Json& s = f.AddScene("obj_checkpoint", 12);
        s["elements"].push_back(Sprite("pole", f.Art("checkpoint_pole", 8, 96, "pole", "#00000000"), 0, -48));
        Json flag = Sprite("flag", f.Art("checkpoint_flag", 40, 28, "pennant", "#30c060"), 23, -20);
        flag["position"] = {{0, 23, -20}, {11, 23, -80}};
        s["elements"].push_back(flag);
        s["elements"].push_back(Zone("area", "Hole", 0, 0, Box(0, -48, 64, 96)));
    }
    auto solid = [&](const char* name, int w, int h, const char* shape, const char* colour, int depth)
    {
        Json& s = f.AddScene(name, 1, depth != 0 ? Json::array({Int("Depth", depth)}) : Json::array());
        s["elements"].push_back(Sprite("art", f.Art(name, w, h, shape, colour), 0, 0));
        s["elements"].push_back(
            Zone("shape", "CollisionZone", 0, 0, Box(0, 0, float(w), float(h)), Json::array({Float("Friction", 0.6f)})));
    };
    solid("obj_crate", 64, 64, "crate", "#00000000", 0);
    solid("obj_door", 48, 192, "door", "#d84040", 4500); // opened by the red key
    solid("obj_platform", 192, 32, "platform", "#00000000", 4500);
    solid("obj_plank", 384, 24, "plank", "#00000000", 0);
    solid("obj_weight", 64, 64, "weight", "#00000000", 0);
    solid("obj_gate", 32, 256, "gate", "#00000000", 0);
    const struct
    {
        const char* name;
        const char* shape;
        int size;
        float radius; // of the collision circle
    } round[] = {{"obj_spikeball", "spikeball", 38, 16}, // what kills has spikes
                 {"obj_sugarball", "sugarball", 32, 16}, // what carries sugar is made of it
                 {"obj_barrel", "barrel", 64, 32},
                 {"obj_wheel", "wheel", 128, 64}};
    for (const auto& r : round)
    {
        Json& s = f.AddScene(r.name, 1);
        s["elements"].push_back(Sprite("art", f.Art(r.name, r.size, r.size, r.shape, "#00000000"), 0, 0));
        s["elements"].push_back(
            Marker("shape", "CollisionZone", 0, 0, r.radius, Json::array({Float("Friction", 0.6f)})));
    }
    {
        // The pendulum: a spiked weight on a chain up to its pivot; only the weight collides.
        Json& s = f.AddScene("obj_pendulum", 1);
        s["elements"].push_back(
            Sprite("arm", f.Art("pendulum_arm", 10, int(kPendulumArm), "arm", "#00000000"), 0, -kPendulumArm / 2));
        s["elements"].push_back(Sprite("art", f.Art("obj_pendulum", 76, 76, "spikeball", "#00000000"), 0, 0));
        s["elements"].push_back(Marker("shape", "CollisionZone", 0, 0, 32, Json::array({Float("Friction", 0.6f)})));
    }
    {
        // Hanging things: the thing itself over the top of what it hangs by, which reaches
        // up past its hook into the block there (the stand is drawn over it). Their bodies
        // neither turn nor sway, so what they hang by stays upright.
        const struct
        {
            const char* name;
            const char* art;      // the object's picture (64 x 64)
            const char* shape;
            const char* hangArt;  // what it hangs by
            const char* hangShape;
            int hangWidth;
            float hangLength; // from the object's middle up past the hook
        } hung[] = {{"obj_pulley_weight", "obj_weight", "weight", "pulley_chain", "arm", 10,
                     kPulleyDrop + kPulleyTravel + 8},
                    {"obj_hung_weight", "obj_weight", "weight", "hung_chain", "arm", 10, kWeightDrop + 20},
                    {"obj_spring_crate", "obj_crate", "crate", "spring_coil", "coil", 26, kWeightDrop + 20}};
        for (const auto& h : hung)
        {
            Json& s = f.AddScene(h.name, 1);
            const std::string hang = f.Art(h.hangArt, h.hangWidth, int(h.hangLength) - 24, h.hangShape, "#00000000");
            s["elements"].push_back(Sprite("hang", hang, 0, -(h.hangLength + 24) / 2));
            s["elements"].push_back(Sprite("art", f.Art(h.art, 64, 64, h.shape, "#00000000"), 0, 0));
            s["elements"].push_back(
                Zone("shape", "CollisionZone", 0, 0, Box(0, 0, 64, 64), Json::array({Float("Friction", 0.6f)})));
        }
    }
    {
        // A switch that turns the world: frame 0 cooling, frame 1 armed.
        Json& s = f.AddScene("obj_switch", 2);
        Json art = Sprite("art", f.Art("obj_switch", 48, 48, "switch", "#00000000"), 0, 0);
        art["colour"] = {{0, 120, 120, 120, 255}, {1, 255, 255, 255, 255}};
        s["elements"].push_back(art);
        s["elements"].push_back(Zone("shape", "CollisionZone", 0, 0, Box(0, 0, 48, 48)));
    }
}

// ---- Scene bits and backgrounds --------------------------------------------------------------

void AddBits(SceneFile& f)
{
    {
        // The ground's picture reaches well below its collision box, past the level's floor.
        Json& s = f.AddScene("bit_ground", 1, Json::array({Int("Depth", 5000)}));
        s["elements"].push_back(Sprite("art", f.Art("ground", 512, 192, "ground", "#00000000"), 0, 64));
        s["elements"].push_back(Zone("shape", "CollisionZone", 0, 0, Box(0, 0, 512, 64)));
    }
    {
        Json& s = f.AddScene("bit_wall", 1, Json::array({Int("Depth", 5000)}));
        s["elements"].push_back(Sprite("art", f.Art("wall", 64, 720, "wall", "#00000000"), 0, 0));
        s["elements"].push_back(Zone("shape", "CollisionZone", 0, 0, Box(0, 0, 64, 720)));
    }
    {
        Json& s = f.AddScene("bit_ramp", 1, Json::array({Int("Depth", 5000)}));
        s["elements"].push_back(Sprite("art", f.Art("ramp", 256, 128, "ramp", "#00000000"), 0, 0));
        s["elements"].push_back(Zone("shape", "CollisionZone", 0, 0, {{-128, 64}, {128, -64}, {128, 64}}));
    }
    {
        Json& s = f.AddScene("bit_pad", 1, Json::array({Int("Depth", 4900)}));
        // Half sunk into the ground: its top is a step a rolling player rides over.
        s["elements"].push_back(Sprite("art", f.Art("pad", 128, 24, "pad", "#00000000"), 0, 0));
        s["elements"].push_back(Zone("shape", "CollisionZone", 0, 0, Box(0, 0, 128, 20)));
    }
    {
        // Lava over the ground: drawn above it (a lower depth lies on top).
        Json& s = f.AddScene("bit_lava", 1, Json::array({Int("Depth", 4900)}));
        s["elements"].push_back(Sprite("art", f.Art("lava", 256, 44, "lava", "#00000000"), 0, -10));
        s["elements"].push_back(Zone("floor", "CollisionZone", 0, 0, Box(0, 16, 256, 32)));
        // The burning area reaches up to where a standing player's middle is.
        s["elements"].push_back(Zone("burn", "Hole", 0, 0, Box(0, -70, 256, 140), Json::array({Enum("Type", 3)})));
    }
    {
        // The floor of a pit: spikes that say what falling in means (the kill area does it).
        Json& s = f.AddScene("bit_spikes", 1, Json::array({Int("Depth", 2000)}));
        s["elements"].push_back(Sprite("art", f.Art("spikes", 192, 80, "spikes", "#00000000"), 0, 0));
    }
    {
        Json& s = f.AddScene("bit_flag", 1, Json::array({Int("Depth", 2000)}));
        s["elements"].push_back(Sprite("art", f.Art("end_flag", 110, 160, "endflag", "#00000000", "END"), 0, -16));
    }
    {
        // The joints' stands, placed at their hook height (kHangY): a T of girders whose
        // post goes down to the ground, with a block and wheel at each end of the beam that
        // the chains run into. The pulley's weights hang kPulleySide either side of its post,
        // the weight and the crate kHungSide either side of theirs.
        const struct
        {
            const char* name;
            float side;
        } stands[] = {{"bit_pulley_stand", kPulleySide}, {"bit_hanging_stand", kHungSide}};
        for (const auto& st : stands)
        {
            Json& s = f.AddScene(st.name, 1, Json::array({Int("Depth", kStandDepth)}));
            const float top = -110, bottom = kGround - kHangY;
            const std::string stand = f.Art(st.name, int(2 * st.side + 60), int(bottom - top), "stand", "#00000000");
            s["elements"].push_back(Sprite("art", stand, 0, (top + bottom) / 2));
            const std::string block = f.Art("pulley_block", 40, 100, "pulleyblock", "#00000000");
            s["elements"].push_back(Sprite("blockLeft", block, -st.side, -46));
            s["elements"].push_back(Sprite("blockRight", block, st.side, -46));
        }
    }
    {
        // Trestles, placed at the bolt on their top: under the wheel's axle and under a
        // seesaw's pivot, down to the ground.
        const struct
        {
            const char* name;
            int w, h;
        } trestles[] = {{"bit_wheel_trestle", 140, 222}, {"bit_fulcrum", 90, int(kSeesawPivot) + 10}};
        for (const auto& t : trestles)
        {
            Json& s = f.AddScene(t.name, 1, Json::array({Int("Depth", kTrestleDepth)}));
            // The painter puts the bolt a leg's width (9% of the width, at least 6) below the top.
            const float bolt = std::max(6.0f, float(t.w) * 0.09f);
            s["elements"].push_back(
                Sprite("art", f.Art(t.name, t.w, t.h, "trestle", "#00000000"), 0, float(t.h) / 2 - bolt));
        }
    }
    {
        // Drawn about the screen's middle: tall enough to fill the screen at every camera
        // height and zoom a level allows, and repeated sideways every 1280 pixels.
        Json& s = f.AddScene("bg_sky", 1);
        s["elements"].push_back(Sprite("art", f.Art("sky", 1280, 1800, "sky", "#00000000"), 640, 0));
        s["elements"].push_back(Rect("bound", 640, 0, 1280, 1800));
    }
}

// ---- Levels ----------------------------------------------------------------------------------

struct Level
{
    SceneFile& f;
    Json& scene;
    int width;
    // Challenge levels have none: a death there restarts the level.
    bool checkpoints = true;
    int sugar = 0;

    void Add(Json e) { scene["elements"].push_back(std::move(e)); }
    // Scene bits take their friction from the element: terrain grips unless told otherwise.
    void Bit(const std::string& scene, float x, float y, Json props = Json::array())
    {
        bool hasFriction = false;
        for (const Json& p : props)
            hasFriction = hasFriction || p["name"] == "Friction";
        if (!hasFriction)
            props.push_back(Float("Friction", 0.6f));
        props.push_back(SceneRef(scene));
        Add(GameObj("", "SceneBit", x, y, std::move(props)));
    }
    // Sugar on the ground, where a walking player's middle passes through its area.
    void GroundSugar(float x) { Sugar(x, kGround - kPickupHeight); }
    void Sugar(float x, float y)
    {
        Add(GameObj("sugar" + std::to_string(sugar++), "Pickup", x, y, Json::array({SceneRef("obj_sugar"), Enum("Type", 1)})));
    }
    void Pickup(const std::string& name, const std::string& scene, int type, float x, float y)
    {
        Add(GameObj(name, "Pickup", x, y, Json::array({SceneRef(scene), Enum("Type", type)})));
    }
    // The level's one sticker: it unlocks a customisation item and a perfect run needs it.
    void Sticker(float x, float y) { Pickup("sticker", "obj_sticker", 6, x, y); }
    void Checkpoint(const std::string& name, float x)
    {
        if (checkpoints)
            Add(GameObj(name, "Respawn", x, kGround, Json::array({SceneRef("obj_checkpoint")})));
    }
    void Area(const std::string& name, int type, float x, float y, float w, float h, Json props = Json::array())
    {
        props.push_back(Enum("Type", type));
        Add(Zone(name, "Hole", x, y, Box(0, 0, w, h), std::move(props)));
    }
};

constexpr float kGapWidth = 192;

// What a level scene is for: its sign's text, its kind of play.
struct LevelKind
{
    std::string title;     // on the sign at the start ("Level 1", "Bonus 3", ...)
    bool survival = false; // an arena played against the clock: no end zone
    bool challenge = false; // no checkpoints: a death restarts the level
};

// The frame every level shares: bounds, start, background, ground (with an optional gap of
// kGapWidth from gapAt, a spiked pit below it), the sign, the start checkpoint and, unless a
// survival arena, the end zone.
Level StartLevel(SceneFile& f, const std::string& name, int width, Json props, float gapAt, const LevelKind& kind)
{
    Json& scene = f.AddScene(name, 1, std::move(props));
    NeedPlayerRig(scene);
    Level l{f, scene, width};
    l.checkpoints = !kind.challenge;
    l.Add(Rect("boundary", width / 2.0f, 540, float(width), 1080));
    l.Add(Rect("player", 160, kGround - kPlayerRadius - 4, 64, 64));
    l.Add(Rect("complete", width - 160.0f, kGround - 100, 64, 64));
    // The sky is drawn about the screen's middle and moves by a third of the camera's
    // height: YOffset takes out the height of the level's middle, so the sky's middle
    // stays near the screen's middle wherever the camera goes.
    l.Add(GameObj("sky", "Background", 0, 0,
                  Json::array({SceneRef("bg_sky"), Int("Depth", 9000), Float("Parallax", 0.3f),
                               Float("YOffset", 540)})));
    const float gapEnd = gapAt + kGapWidth;
    for (float x = 0; x < float(width); x += 512)
    {
        if (gapAt > 0 && x + 512 > gapAt)
        {
            for (float r = gapEnd; r < float(width); r += 512)
                l.Bit("bit_ground", r + 256, kGround + 32);
            break;
        }
        l.Bit("bit_ground", x + 256, kGround + 32);
    }
    if (gapAt > 0)
        l.Bit("bit_spikes", gapAt + kGapWidth / 2, 1040);
    l.Bit("bit_wall", -32, kGround - 360);
    l.Bit("bit_wall", width + 32.0f, kGround - 360);
    // The sign names the level, so that levels sharing a template tell apart.
    const std::string sign = "sign_" + name;
    {
        Json& s = f.AddScene(sign, 1, Json::array({Int("Depth", 2000)}));
        // A board on posts that reach down to the ground.
        s["elements"].push_back(Sprite("art", f.Art(sign, 232, 150, "sign", "#00000000", kind.title), 0, 0));
    }
    l.Bit(sign, 360, kGround - 75);
    l.Checkpoint("start", 160);
    if (!kind.survival)
    {
        // The end zone reaches high: a player bounced over the flag still ends there.
        l.Bit("bit_flag", width - 160.0f, kGround - 64);
        l.Area("end", 6, width - 160.0f, kGround - 300, 160, 600);
    }
    return l;
}

void Basics(Level& l)
{
    // Sugar on the way to the pit, one cube over it for a jump, and more past where a jump
    // over it lands.
    for (int i = 0; i < 4; ++i)
        l.GroundSugar(500.0f + 120.0f * float(i));
    l.Sugar(1024 + kGapWidth / 2, kGround - 120);
    for (int i = 0; i < 5; ++i)
        l.GroundSugar(1400.0f + 120.0f * float(i));
    // High over the run of sugar past the pit, in the camera zone's wider view and well
    // short of the END: a full jump takes it, from under it or on the run after landing
    // from the pit.
    l.Sticker(1750, kStickerHigh);
    l.Checkpoint("check1", 900);
    l.Checkpoint("check2", 1950);
    l.Area("pit", 4, 1024 + kGapWidth / 2, kGround + 120, kGapWidth, 120); // in the gap of the ground
    // A pad low enough to walk over, that throws a falling player back up.
    l.Bit("bit_pad", 2100, kGround, Json::array({Float("Restitution", 1.2f)}));
    l.Add(Marker("camCentre", "", 1600, 600));
    l.Add(Zone("camZoom", "CameraZone", 1600, 700, Box(0, 0, 600, 600),
               Json::array({Enum("Type", 4), Float("Zoom", 0.8f), ElementRef("CenterPoint", "camCentre")})));
}

void KeysAndMovers(Level& l)
{
    for (int i = 0; i < 6; ++i)
        l.GroundSugar(400.0f + 100.0f * float(i));
    // Tucked into the corner behind the start: found by a player who turns back to the wall
    // and jumps there.
    l.Sticker(30, kStickerHigh);
    // The key lies past the sugar, before the door it opens.
    l.Pickup("keyRed", "obj_key_red", 2, 1050, kGround - kPickupHeight);
    l.Add(PathElement("doorPath", 1300, kGround - 96, {{0, 0}, {0, -200}}));
    l.Add(GameObj("door", "Mover", 1300, kGround - 96,
                  Json::array({SceneRef("obj_door"), Enum("Type", 3), Enum("KeyCode", 1), ElementRef("Path", "doorPath"),
                               Float("Speed", 4)})));
    l.Add(PathElement("liftPath", 1700, kGround - 40, {{0, 0}, {0, -300}}));
    l.Add(GameObj("lift", "Mover", 1700, kGround - 40,
                  Json::array({SceneRef("obj_platform"), Enum("Type", 1), ElementRef("Path", "liftPath"),
                               Float("Speed", 2)})));
    l.Area("noJump", 14, 2200, kGround - 100, 300, 200);
    // A platform that carries the player along its path and back.
    l.Add(PathElement("carryPath", 2450, kGround - 260, {{0, 0}, {-300, 0}}));
    l.Add(GameObj("carrier", "DynamicObject", 2450, kGround - 260,
                  Json::array({SceneRef("obj_platform"), Bool("PathObject"), ElementRef("Path", "carryPath"),
                               Enum("PathType", 1), Float("PathSpeed", 2), Bool("StaticObject"), Bool("PlayerMoveTo"),
                               Enum("Collide", 5)})));
}

void Dynamics(Level& l)
{
    for (int i = 0; i < 5; ++i)
        l.GroundSugar(400.0f + 100.0f * float(i));
    // A stack of crates low enough to jump over (a jump lifts the player about 150 pixels).
    for (int i = 0; i < 2; ++i)
        l.Add(GameObj("crate" + std::to_string(i), "DynamicObject", 1000, kGround - 32 - 64.0f * float(i),
                      Json::array({SceneRef("obj_crate"), Enum("Collide", 5), Float("Mass", 1), Float("MassRotation", 1)})));
    // Over the far side of the stack, for a full jump across it.
    l.Sticker(1100, kStickerHigh);
    l.Add(GameObj("gate", "DynamicObject", 1700, kGround - 128,
                  Json::array({SceneRef("obj_gate"), Bool("ActivateOnEvent"), Bool("StaticObject"), Enum("Collide", 5)})));
    l.Add(GameObj("barrel", "DynamicObject", 1400, kGround - 32,
                  Json::array({SceneRef("obj_barrel"), Enum("Collide", 5), Float("Mass", 1), Float("MassRotation", 1),
                               Bool("Destroyable"), Int("DestroyableFrames", 1), Float("DestroyableForce", 4),
                               Enum("DestroyableType", 1), Enum("DestroyableSpawnType", 1),
                               Int("DestroyableSpawnCount", 3), Bool("EventOnDestroyed"),
                               ElementRef("EventObject", "gate")})));
    l.f.DeclareType("SpawnTemplate");
    l.Add(GameObj("ballT", "SpawnTemplate", 0, 0,
                  Json::array({SceneRef("obj_spikeball"), Bool("Gravity"), Bool("Killer"), Int("Life", 150),
                               Bool("DieOnContact"), Int("DeathFrames", 1), Enum("ObjectType", 17), Enum("Collide", 5)})));
    l.Add(GameObj("spawner", "DynamicObject", 2000, kGround - 400,
                  Json::array({SceneRef("obj_platform"), Bool("StaticObject"), Bool("Spawner"), Int("SpawnerGap", 90),
                               ElementRef("SpawnerObject", "ballT"), Enum("Collide", 5)})));
    // Walking into the activator wakes the bridge.
    l.Add(GameObj("bridge", "DynamicObject", 2150, kGround - 300,
                  Json::array({SceneRef("obj_plank"), Bool("ActivateOnEvent"), Bool("StaticObject"), Enum("Collide", 5)})));
    l.Area("activator", 5, 1900, kGround - 80, 120, 160, Json::array({ElementRef("TriggerBody", "bridge")}));
    l.Add(GameObj("turner", "DynamicObject", 2300, kGround - 24,
                  Json::array({SceneRef("obj_switch"), Bool("StaticObject"), Bool("RotateObject"), Bool("RotateDirect"),
                               Float("RotateAmount", 0), Enum("Collide", 5)})));
}

void Joints(Level& l)
{
    auto body = [&](const std::string& name, const std::string& scene, float x, float y, Json extra = Json::array())
    {
        Json props = Json::array({SceneRef(scene), Enum("Collide", 5), Float("Mass", 1), Float("MassRotation", 1)});
        for (Json& p : extra)
            props.push_back(std::move(p));
        l.Add(GameObj(name, "DynamicObject", x, y, std::move(props)));
    };
    // What hangs keeps upright under its hook and is drawn under its stand.
    auto hung = [&]() { return Json::array({Bool("FixedRotation"), Bool("LimitXAxis"), Int("Depth", kHungDepth)}); };

    // Sugar in front of the sign, then a sticker over the open run after it.
    l.GroundSugar(400);
    l.GroundSugar(460);
    l.Sticker(820, kStickerHigh);

    // A lift riding a sine wave up and down (its motor follows the wave) about where it is
    // placed. The wave's length is in metres.
    body("liftBlock", "obj_platform", 1200, kLiftY);
    l.Add(Marker("liftAxis", "PrismaticJoint", 1200, kLiftY, 1,
                 Json::array({ElementRef("Body1", "liftBlock"), Bool("Motor"), Bool("SineWave"), Float("AxisY", 1),
                              Float("MotorForce", 500), Float("SineSpeed", 0.05f),
                              Float("SineLength", kLiftTravel / 32.0f)})));
    l.GroundSugar(1400);

    // Two seesaws on their trestles (the sub-scene's names take the scene object's).
    l.Add(GameObj("saw1", "SceneObject", 1650, kGround - kSeesawPivot, Json::array({SceneRef("so_seesaw")})));
    l.Add(GameObj("saw2", "SceneObject", 2500, kGround - kSeesawPivot, Json::array({SceneRef("so_seesaw")})));

    // Two weights on a pulley whose wheels hang from a stand: one pushed down raises the
    // other, each side between its shortest and its longest (MaxLength). The offsets and
    // lengths are in metres.
    const float pulley = 2075, metres = 1.0f / 32.0f;
    l.Bit("bit_pulley_stand", pulley, kHangY);
    body("pulleyLeft", "obj_pulley_weight", pulley - kPulleySide, kHangY + kPulleyDrop, hung());
    body("pulleyRight", "obj_pulley_weight", pulley + kPulleySide, kHangY + kPulleyDrop, hung());
    l.Add(Marker("pulley", "PulleyJoint", pulley, kHangY + kPulleyDrop, 1,
                 Json::array({ElementRef("Body1", "pulleyLeft"), ElementRef("Body2", "pulleyRight"),
                              Float("GroundOff1X", 0), Float("GroundOff1Y", -kPulleyDrop * metres),
                              Float("GroundOff2X", 0), Float("GroundOff2Y", -kPulleyDrop * metres), Float("Ratio", 1),
                              Float("MaxLength1", (kPulleyDrop + kPulleyTravel) * metres),
                              Float("MaxLength2", (kPulleyDrop + kPulleyTravel) * metres)})));
    l.GroundSugar(2250);
    l.GroundSugar(2750);

    // From one stand: a weight on a distance joint (its marker at the hook, on the ground
    // side) and a crate on a spring (anchored at its hook).
    const float stand = 2900;
    l.Bit("bit_hanging_stand", stand, kHangY);
    body("hanging", "obj_hung_weight", stand - kHungSide, kHangY + kWeightDrop, hung());
    l.Add(Marker("hangPoint", "DistanceJoint", stand - kHungSide, kHangY, 1,
                 Json::array({ElementRef("Body2", "hanging"), Float("Hz", 2), Float("Damping", 0.5f)})));
    body("springBlock", "obj_spring_crate", stand + kHungSide, kHangY + kSpringCrateDrop, hung());
    l.Add(Marker("spring", "SpringJoint", stand + kHungSide, kHangY, 1,
                 Json::array({ElementRef("Body1", "springBlock"), Bool("ZeroLength"), Float("Spring", kSpringK),
                              Float("Damping", 4)})));

    // A motor wheel turning on its trestle, and a welded pair of crates before the end.
    l.Bit("bit_wheel_trestle", 3150, kGround - 200);
    body("wheel", "obj_wheel", 3150, kGround - 200, Json::array({Int("Depth", kHungDepth)}));
    l.Add(Marker("wheelAxle", "RevoluteJoint", 3150, kGround - 200, 1,
                 Json::array({ElementRef("Body1", "wheel"), Bool("Motor"), Float("MotorTorque", 300),
                              Float("MotorSpeed", 1.5f)})));
    body("weldA", "obj_crate", 3280, kGround - 32);
    body("weldB", "obj_crate", 3280, kGround - 96);
    l.Add(Marker("weld", "WeldJoint", 3280, kGround - 64, 1,
                 Json::array({ElementRef("Body1", "weldA"), ElementRef("Body2", "weldB")})));
}

void Hazards(Level& l)
{
    for (int i = 0; i < 5; ++i)
        l.GroundSugar(400.0f + 100.0f * float(i));
    // Before the pendulum, out of its reach (the pivot, its arm and its weight, and the
    // player's size about the flag): a respawn there is not killed again at once.
    l.Checkpoint("check1", 560);
    l.Bit("bit_lava", 1280, kGround + 32);
    // The updraft stands far enough past the lava that a player landing from a jump over
    // it walks into the updraft on the ground.
    l.Area("updraft", 1, 1700, kGround - 250, 120, 500);
    // Where the updraft throws a player who jumps in it: higher than a jump from the ground
    // and than the updraft lifts a player walking through it, so it is found by riding it.
    l.Sticker(1960, 600);
    // A strong updraft lifts harder the longer it holds the player: a short one by the
    // ground throws a walking player up and onto the ground further on, where a tall one
    // would throw it clear over the level's wall.
    l.Area("strongUpdraft", 10, 1850, kGround - 60, 120, 120);
    l.Area("pushRight", 7, 2010, kGround - 100, 160, 200);
    l.Area("pushLeft", 8, 2190, kGround - 100, 160, 200);
    l.Area("rain", 13, 2350, kGround - 300, 200, 600);
    l.Area("fire", 15, 700, kGround - 100, 160, 200);
    // A killing pendulum swinging across the path: its motor drives it along a sine wave,
    // so it needs torque enough to lift the weight at the end of its arm.
    l.Add(GameObj("pendulum", "DynamicObject", 1000, kGround - 52,
                  Json::array({SceneRef("obj_pendulum"), Bool("Killer"), Enum("Collide", 5), Float("Mass", 1),
                               Float("MassRotation", 1)})));
    l.Add(Marker("pendulumPivot", "RevoluteJoint", 1000, kGround - 52 - kPendulumArm, 1,
                 Json::array({ElementRef("Body1", "pendulum"), Bool("SineWave"), Float("MotorTorque", 5000),
                              Float("SineSpeed", 0.05f), Float("SineLength", 1), Enum("Type", 1)})));
}

void Survival(Level& l)
{
    // Three rows of sugar: the lowest is walked through, the others are jumped for.
    for (int i = 0; i < 30; ++i)
        l.Sugar(300.0f + 65.0f * float(i), kGround - kPickupHeight - 110.0f * float(i % 3));
    // A spawner dropping sugar-carrying balls, and one killer patrolling the floor.
    l.f.DeclareType("SpawnTemplate");
    l.Add(GameObj("sugarT", "SpawnTemplate", 0, 0,
                  Json::array({SceneRef("obj_sugarball"), Bool("Gravity"), Bool("Sugar"), Bool("DieOnContact"),
                               Int("DeathFrames", 1), Int("Life", 200), Enum("Collide", 5)})));
    l.Add(GameObj("dropper", "DynamicObject", 1280, kGround - 500,
                  Json::array({SceneRef("obj_platform"), Bool("StaticObject"), Bool("Spawner"), Int("SpawnerGap", 120),
                               ElementRef("SpawnerObject", "sugarT"), Enum("Collide", 5)})));
    l.Add(PathElement("patrol", 1800, kGround - 16, {{0, 0}, {500, 0}}));
    l.Add(GameObj("killer", "DynamicObject", 1800, kGround - 16,
                  Json::array({SceneRef("obj_spikeball"), Bool("Killer"), Bool("StaticObject"), Bool("PathObject"),
                               ElementRef("Path", "patrol"), Enum("PathType", 1), Float("PathSpeed", 2),
                               Enum("Collide", 5)})));
}

void Credits(Level& l)
{
    const char* lines[] = {"Thanks", "for", "playing"};
    for (int i = 0; i < 3; ++i)
    {
        const std::string name = std::string("credit_") + lines[i];
        Json& s = l.f.AddScene(name, 1, Json::array({Int("Depth", 2000)}));
        s["elements"].push_back(Sprite("art", l.f.Art(name, 240, 200, "sign", "#00000000", lines[i]), 0, 0));
        l.Bit(name, 800.0f + 500.0f * float(i), kGround - 100);
    }
    // Sugar to count on the way, and the sticker for a perfect walk.
    for (int i = 0; i < 12; ++i)
        l.GroundSugar(600.0f + 130.0f * float(i));
    l.Sticker(2200, kGround - kPickupHeight);
}

void AddSeesaw(SceneFile& f)
{
    Json& s = f.AddScene("so_seesaw", 1);
    s["elements"].push_back(GameObj("plank", "DynamicObject", 0, 0,
                                    Json::array({SceneRef("obj_plank"), Enum("Collide", 5), Float("Mass", 1),
                                                 Float("MassRotation", 1)})));
    // The pivot stands on a trestle, and the plank tilts only so far that its ends stay
    // above the ground.
    s["elements"].push_back(Marker("pivot", "RevoluteJoint", 0, 0, 1,
                                   Json::array({ElementRef("Body1", "plank"), Bool("Limit"),
                                                Float("LowerLimit", -kSeesawTilt), Float("UpperLimit", kSeesawTilt)})));
    s["elements"].push_back(GameObj("", "SceneBit", 0, 0, Json::array({SceneRef("bit_fulcrum")})));
}

void AddLevels(SceneFile& f)
{
    // Story rows 0-39 (scene names by row), template = row mod 5.
    const int storyScenes[40] = {38, 0,  1,  12, 19, 11, 7,  5,  8,  16, 9,  21, 22, 23, 24, 17, 30, 34, 20, 14,
                                 3,  4,  6,  2,  10, 31, 13, 15, 18, 36, 29, 35, 37, 33, 32, 26, 25, 27, 28, 39};
    using Fill = void (*)(Level&);
    const Fill fills[5] = {Basics, KeysAndMovers, Dynamics, Joints, Hazards};
    const float gaps[5] = {1024, -1, -1, -1, -1};
    // The joints need room for everything to stand apart.
    const int widths[5] = {2560, 2560, 2560, 3584, 2560};
    auto make = [&](const std::string& name, int t, Json props, const LevelKind& kind)
    {
        Level l = StartLevel(f, name, widths[t], std::move(props), gaps[t], kind);
        fills[t](l);
    };
    for (int row = 0; row < 40; ++row)
        make("level_" + Num3(storyScenes[row]), row % 5, Json::array({Int("StartFrames", 30)}),
             {"Level " + std::to_string(row + 1)});
    {
        Level l = StartLevel(f, "level_040", 2560, Json::array({Int("StartFrames", 30)}), -1, {"Credits"});
        Credits(l);
    }
    for (int i = 0; i < 10; ++i)
        make("level_2_" + Num3(i), i % 5, Json::array({Int("StartFrames", 30)}), {"Bonus " + std::to_string(i + 1)});
    for (int i = 0; i < 5; ++i)
    {
        Level l = StartLevel(f, "level_" + Num3(storyScenes[i]) + "_S", 2560,
                             Json::array({Int("StartFrames", 30), Bool("Survival")}), -1,
                             {"Survival " + std::to_string(i + 1), true, false});
        Survival(l);
    }
    for (int i = 0; i < 5; ++i)
        make("level_C_" + Num3(i), i, Json::array({Int("StartFrames", 30), Bool("RestartLevelOnDeath")}),
             {"Challenge " + std::to_string(i + 1), false, true});
}
} // namespace

void NeedPlayerRig(Json& scene)
{
    // The rig and its nested scenes: needed lists are read one level deep.
    scene["needed"] = {"dorvoIdleRight", "dorvoIdleLeft", "dorvoStart", "dorvoStart_001",
                       "dorvoChar",      "dorvoBody",     "dorvoCup",   "Hair_000"};
}

SceneFile BuildMapBase()
{
    SceneFile f("maps.mac.cgla", "maps");
    for (const char* type : {"Background", "Pickup", "Respawn", "SceneBit", "Mover", "DynamicObject", "SceneObject",
                             "SpawnTemplate", "Hole", "CameraZone", "CollisionZone", "RevoluteJoint", "PrismaticJoint",
                             "PulleyJoint", "DistanceJoint", "WeldJoint", "SpringJoint"})
        f.DeclareType(type);
    AddRig(f);
    AddObjects(f);
    AddBits(f);
    return f;
}

SceneFile BuildMapScenes()
{
    SceneFile f = BuildMapBase();
    AddSeesaw(f);
    AddLevels(f);
    return f;
}
} // namespace datagen

// Steps and measures shared by the scenario programs: where the program stands (menus,
// pause menu, results), moves a player makes (hops, jumps), the save folder as a new game
// leaves it, and what a frame shows (pixels of the level number, confetti, clear rows,
// the words of a picture).
#pragma once

#include <box2d/box2d.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ScenarioDriver.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaElement.h"
#include "KelpoBase/gla/GlaElementControllers.h"
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/platform/SystemServices.h"
#include "datagen/SampleScenes.h"
#include "game/level/Level.h"
#include "game/objects/Dorvo.h"
#include "game/objects/GameObj.h"
#include "game/objects/RigidBodyController.h"
#include "game/shell/Comic.h"
#include "game/shell/Frontend.h"
#include "game/shell/MainGame.h"
#include "game/shell/SaveData.h"
#include "host/gameservice/GameService.h"
#include "host/gameservice/GameServiceFiles.h"
#include "support/UnreadableFiles.h"

namespace tvtest
{
// Pixels of the results panel's level number (drawn in pale cyan) about its place.
inline int LevelNumberPixels(ScenarioDriver& d)
{
    const cGlaControllerElement* place = d.Level()->resultsScene->FindController("level");
    if (place == nullptr)
        return -1;
    const std::vector<uint8_t> frame = d.ReadFrame();
    const int cx = int(place->position.x) + ScenarioDriver::kWidth / 2;
    const int cy = int(place->position.y) + ScenarioDriver::kHeight / 2;
    int count = 0;
    for (int y = std::max(cy - 40, 0); y < std::min(cy + 40, ScenarioDriver::kHeight); ++y)
        for (int x = std::max(cx - 40, 0); x < std::min(cx + 100, ScenarioDriver::kWidth); ++x)
        {
            const uint32_t p = tvtest::PixelAt(frame, x, y);
            const int r = int(p & 255), g = int((p >> 8) & 255), b = int((p >> 16) & 255);
            count += std::abs(r - 170) < 12 && std::abs(g - 230) < 12 && std::abs(b - 230) < 12 ? 1 : 0;
        }
    return count;
}

// Pixels of the confetti the player bursts into when it dies (the sample pieces are bright
// yellow, pink, blue and green).
inline int ConfettiPixels(const std::vector<uint8_t>& frame)
{
    const int colours[4][3] = {{255, 204, 40}, {255, 80, 150}, {60, 170, 255}, {90, 220, 90}};
    int count = 0;
    for (int y = 0; y < ScenarioDriver::kHeight; ++y)
        for (int x = 0; x < ScenarioDriver::kWidth; ++x)
        {
            const uint32_t p = tvtest::PixelAt(frame, x, y);
            for (const auto& c : colours)
                if (std::abs(int(p & 255) - c[0]) < 8 && std::abs(int((p >> 8) & 255) - c[1]) < 8 &&
                    std::abs(int((p >> 16) & 255) - c[2]) < 8)
                    ++count;
        }
    return count;
}

// Starts the program and pages through the title to the main menu, ready for keys.
inline bool StartAtMainMenu(ScenarioDriver& d)
{
    if (!d.Start() || !d.WaitForScreen(&cFrontend::StateTitle, 900))
        return false;
    // Two title pages, then the main menu waits for its intro before it takes keys.
    while (d.OnScreen(&cFrontend::StateTitle) && d.FramesRun() < 2000)
    {
        d.Tap(Key::Jump);
        d.UndrawnFrames(10);
    }
    if (!d.WaitForScreen(&cFrontend::StateMainMenu))
        return false;
    d.UndrawnFrames(40);
    return true;
}

// Runs until the running level shows its pause menu; false when it does not in time.
inline bool WaitForPauseMenu(ScenarioDriver& d)
{
    d.Tap(Key::Escape);
    return d.RunUntil([&] { return d.LevelIn(&cLevel::StatePauseMenu); }, 60) >= 0;
}

inline std::vector<uint8_t> FileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Whether the results panel's caption of the level number shows.
inline bool LevelCaptionShown(ScenarioDriver& d)
{
    const cGlaControllerSprite* caption = FindSpriteController(d.Level()->resultsScene, "levelLabel");
    return caption != nullptr && caption->visible;
}

// Runs until the results panel shows its texts and buttons, and draws that frame.
inline bool WaitForResultsPanel(ScenarioDriver& d)
{
    if (d.RunUntil([&] { return d.LevelIn(&cLevel::StateResults); }, 900) < 0)
        return false;
    if (d.RunUntil([&] { return d.Level()->resultsScene->frame >= 30; }, 200) < 0)
        return false;
    d.Frames(1);
    return true;
}

// The words of the picture a sprite shows (its first key), as the sample scene file that
// names it draws them, its lines joined by spaces; empty when the file makes no such picture.
inline std::string PictureWords(const datagen::SceneFile& file, const cGlaControllerSprite* sprite)
{
    const auto* element = sprite != nullptr ? dynamic_cast<const cGlaElementSprite*>(sprite->element) : nullptr;
    if (element == nullptr || element->frames.keys.empty())
        return "";
    const datagen::PictureDesc* art = file.FindArt(element->frames.NameOf(0));
    std::string words;
    for (char c : art != nullptr ? art->label : std::string())
        if (c != '|')
            words += c;
        else if (!words.empty() && words.back() != ' ')
            words += ' ';
    return words;
}

// The rows of the frame where most pixels are the clear colour (opaque black): a band the
// sky does not cover.
inline std::vector<int> ClearRows(const std::vector<uint8_t>& frame)
{
    std::vector<int> rows;
    for (int y = 0; y < ScenarioDriver::kHeight; ++y)
    {
        int clear = 0;
        for (int x = 0; x < ScenarioDriver::kWidth; ++x)
            clear += (tvtest::PixelAt(frame, x, y) & 0x00FFFFFFu) == 0 ? 1 : 0;
        if (clear * 2 > ScenarioDriver::kWidth)
            rows.push_back(y);
    }
    return rows;
}

// The program's save folder with no save file and no file kept aside in it (the tests of
// this program share it).
inline std::filesystem::path EmptySaveFolder()
{
    const std::filesystem::path folder = ComputeSaveFolder();
    std::filesystem::create_directories(folder);
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().filename().string().rfind("Data.sav", 0) == 0)
            std::filesystem::remove_all(entry.path());
    return folder;
}

inline void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                std::streamsize(bytes.size()));
}

// A save file with nothing found yet, where the program will look for it: tests of one
// program share the save folder, and what another scenario saved must not count here.
inline void WriteFreshSave() { WriteFileBytes(EmptySaveFolder() / "Data.sav", cSaveData().Serialise()); }

// The keyboard-focus index of the control of that name: its place among the scene's own
// buttons and toggles; -1 when there is none.
inline int FocusIndexOf(const cGlaControllerScene& scene, const std::string& name)
{
    int index = 0;
    for (const cGlaControllerElement* c : scene.elementControllers)
    {
        const bool focusable =
            ClassCast<cGlaControllerButton>(c) != nullptr || ClassCast<cGlaControllerToggleButton>(c) != nullptr;
        if (!focusable)
            continue;
        if (c->element != nullptr && c->element->name == name)
            return index;
        ++index;
    }
    return -1;
}

// From the main menu, through its "Customise" button and the tab of that page, as a player
// goes; the page's scene, drawn, or null when the screen did not open.
inline cGlaControllerScene* OpenCustomisePage(ScenarioDriver& d, int page)
{
    const cGlaControllerScene* menu = d.Game().frontend->scrMainMenuButtons;
    for (int i = 0; i < 8 && menu->focusIndex != 2; ++i)
        d.Tap(Key::Down);
    d.Tap(Key::Return);
    if (!d.WaitForScreen(&cFrontend::StateCustomise, 120))
        return nullptr;
    d.UndrawnFrames(10);
    for (int i = 0; i < page; ++i)
        d.Tap(Key::Down);
    d.Tap(Key::Return);
    d.UndrawnFrames(10);
    d.Frames(1);
    return d.Game().frontend->scrCustomisePages[page];
}

// Where an item of a customisation page is drawn, in frame pixels.
inline cVec2f ItemCentre(const cGlaControllerScene& page, const cGlaControllerElement& item)
{
    return page.position + item.position;
}

inline int MaxChannelDifference(uint32_t a, uint32_t b)
{
    int most = 0;
    for (int shift = 0; shift < 24; shift += 8)
        most = std::max(most, std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)));
    return most;
}

// How an item's own picture changes between its locked look and its open one: of the
// pixels where the open item shows its picture (not its tile), the share that differ
// clearly in the locked look. A locked look that only tints the tile leaves the picture
// as it is, which a player does not read as locked. `pictured` counts those pixels.
inline double PictureChange(const std::vector<uint8_t>& locked, const std::vector<uint8_t>& open, cVec2f centre, int& pictured)
{
    const int cx = int(centre.x), cy = int(centre.y);
    int changed = 0;
    pictured = 0;
    for (int y = cy - 40; y <= cy + 40; ++y)
    {
        // The open tile's own colour on this row, by its inner edge, clear of the picture.
        const uint32_t tile = tvtest::PixelAt(open, cx - 48, y);
        for (int x = cx - 40; x <= cx + 40; ++x)
        {
            const uint32_t shown = tvtest::PixelAt(open, x, y);
            if (MaxChannelDifference(shown, tile) <= 40)
                continue;
            ++pictured;
            changed += MaxChannelDifference(shown, tvtest::PixelAt(locked, x, y)) > 48 ? 1 : 0;
        }
    }
    return pictured > 0 ? double(changed) / pictured : 0.0;
}

// Walks right hopping now and then (a short jump every 40 frames), as the template
// scenario does, until the condition holds; the frames run, or -1 when it never does.
// The jump key is left up.
inline int HopRightUntil(ScenarioDriver& d, const std::function<bool()>& condition, int maxFrames)
{
    d.Hold(Key::Right);
    for (int frame = 0; frame < maxFrames; ++frame)
    {
        if (condition())
        {
            d.Release(Key::Jump);
            return frame;
        }
        if (frame % 40 == 20)
            d.Hold(Key::Jump);
        if (frame % 40 == 30)
            d.Release(Key::Jump);
        d.UndrawnFrames(1);
    }
    d.Release(Key::Jump);
    return -1;
}

// A full jump: the jump key held for that many frames.
inline void Jump(ScenarioDriver& d, int heldFrames)
{
    d.Hold(Key::Jump);
    d.UndrawnFrames(heldFrames);
    d.Release(Key::Jump);
}

// The level's record of the joint that holds the object (its first), or null.
inline const JointRecord* JointOf(const cLevel& level, const cGameObj* object)
{
    const cRigidBodyController* rb = object != nullptr ? object->GetRigidBodyController() : nullptr;
    for (const JointRecord* record : level.jointRecords)
        if (rb != nullptr && record != nullptr && record->joint != nullptr &&
            (record->joint->GetBodyA() == rb->body || record->joint->GetBodyB() == rb->body))
            return record;
    return nullptr;
}

// An object's place, and a point of the physics world, in level pixels.
inline cVec2f PixelsOf(const cGameObj* object) { return object->position * 32.0f; }
inline cVec2f PixelsOf(const b2Vec2& metres) { return cVec2f(metres.x, metres.y) * 32.0f; }
} // namespace tvtest

// The splash screens and the loading screen: two screens drawn without a scene.
//
// The splash shows the publisher's image, then the game maker's over a drop shadow, each
// held and then faded, and hands over to the front end. Any of a few keys (a fresh press,
// not one held from before) ends the current image at once. Its images sit in their own
// resource group "KelpoSplash", unloaded when the splash is left. A missing image is
// drawn as nothing; the timing stays the same.
//
// The loading screen is drawn once when a level starts loading, from the resource
// loader's progress hook: a black screen with one of the game's three loading images,
// presented at once, because the level loads inside one frame.
#pragma once

#include <cstdint>
#include <string>

class cGfx2D;
class cResourceGroup;
struct ImageRect;

class cSplash
{
public:
    static constexpr int32_t kFirstHold = 200;
    static constexpr int32_t kSecondHold = 90;
    static constexpr int32_t kFadeStep = 25;
    static constexpr int32_t kFadeEnd = 255;

    // Its own draw context; fade 0, hold 200, page 0.
    cSplash();
    ~cSplash();
    cSplash(const cSplash&) = delete;
    cSplash& operator=(const cSplash&) = delete;

    // Loads the images of the current screen width into the "KelpoSplash" group.
    void LoadSplash();
    // One frame: the hold counts down, then the fade rises; the end of the second page
    // makes the game's front end pending (argument 0).
    void UpdateSplashFade();
    void DrawSplash();
    // Unloads and deletes the group and deletes the draw context.
    void ShutdownSplash();

    // The three image files for a screen width: the publisher's, the maker's and the
    // drop shadow under the maker's.
    static void ImagePathsForWidth(int32_t screenWidth, std::string paths[3]);

    cGfx2D* gfx = nullptr;
    cResourceGroup* group = nullptr;
    int32_t fade = 0;
    int32_t hold = kFirstHold;
    int32_t page = 0;
    ImageRect* images[3] = {};
};

// The loading screen as the resource loader's progress hook: drawn and presented for the
// first counted load (count 1 or less) only; the second word is not used.
void DrawLoadingScreen(uint32_t loadCount, uint32_t unused);

// Sixtieths of a second as "SS.hh" (seconds modulo 60 and hundredths, two digits each);
// 0 as ".....".
std::string FormatSixtiethsTime(uint32_t sixtieths);

// The in-game developer menu: a tree of pages of debug rows (DbgElement.h) driven by the
// pointer, a frame-rate line, a "System" page of system information and a texture viewer
// listing every live image.
//
// There is one screen. It is created through the platform's debug-screen hook
// (DebugScreenHook.h) once RegisterDebugScreen has installed its factory, and the
// platform destroys it at shutdown. It is created disabled: while disabled, Update does
// nothing and the pages, the drawing context and the rest are not built. Enabling it
// (SetEnabled(true)) builds them once.
//
// When enabled: joystick button 2 toggles the menu straight into the texture viewer; a
// release in the hidden top-left corner (60 x 40) opens the current page; a page's title
// band or the root's "Exit" row closes the menu.
#pragma once

#include <cstdint>
#include <list>
#include <string>

#include "KelpoBase/debug/DbgElement.h"
#include "KelpoBase/platform/DebugScreenHook.h"

class cFont;
class cGfx2D;

// A page: a column of rows, the first its header (the title band) and the last its back
// button ("Back" to the parent, or "Exit" on the root). Owns its rows and child pages.
class cDbgPage
{
public:
    // An ordinary page, a child of the parent when one is given.
    cDbgPage(cDbgPage* parent, std::string title);
    cDbgPage(const cDbgPage&) = delete;
    cDbgPage& operator=(const cDbgPage&) = delete;
    // Makes the root page current when this page is current, leaves the parent (which
    // deletes its link to this page), then deletes the child pages and the rows.
    virtual ~cDbgPage();
    virtual void Draw(cGfx2D& gfx);

    // A root page: empty title, a header and an "Exit" row.
    static cDbgPage* InitRoot();

    // Makes the child a child of the parent, with a link row to it.
    static void AddChildPage(cDbgPage* parent, cDbgPage* child);
    // Unlinks the child and deletes the parent's link row to it (the child lives on).
    static void RemoveChildPage(cDbgPage* parent, cDbgPage* child);

    // Appends a row just above the back button; the page takes ownership. Null is ignored.
    void AddElement(cDbgElement* element);
    // Takes every entry of the row off the page without deleting it.
    void RemoveElement(cDbgElement* element);
    // Sets each row's top to the sum of the heights above it.
    void LayoutElements();
    // The first row whose bottom lies below y (only y is tested); null past the last row.
    cDbgElement* ElementAt(int32_t y) const;

    std::string GetTitle() const { return title; }
    void SetTitle(std::string text) { title = std::move(text); }
    cDbgPage* GetParent() const { return parent; }
    cDbgIndexButton* GetBackButton() const { return backButton; }
    const std::list<cDbgElement*>& GetElements() const { return elements; }
    const std::list<cDbgPage*>& GetChildren() const { return children; }
    // The widest label among the rows, as of the last draw.
    int32_t GetLabelColumnWidth() const { return labelColumnWidth; }
    // Recomputes the label column width from the rows.
    void UpdateLabelColumnWidth();
    // The child page of that title, or null.
    cDbgPage* FindChild(const std::string& childTitle) const;

private:
    struct RootTag
    {
    };
    explicit cDbgPage(RootTag);

    cDbgIndexButton* backButton = nullptr;
    std::list<cDbgElement*> elements;
    std::string title;
    std::list<cDbgPage*> children;
    cDbgPage* parent = nullptr;
    int32_t labelColumnWidth = 0;
};

// The texture viewer: every live image, scaled to the screen width, in a scrolling column
// below a "Back" strip along the top 40 pixels.
struct cDbgTextureViewer
{
    cDbgTextureViewer();

    // Scrolls by the pointer's drag, with inertia, and by the joystick; handles the Back
    // strip. Called once a frame while active.
    void Update(const cFont* font);
    void Draw(cGfx2D& gfx);

    float scrollX = 0.0f, scrollY = 0.0f;
    float velocityX = 0.0f, velocityY = 0.0f;
    float zoom = 1.0f;
    cDbgButton backButton{"Back"};
    uint8_t active = 0;
    uint8_t armed = 0;
};

class cDbgScreen : public cDebugScreenBase
{
public:
    cDbgScreen();
    cDbgScreen(const cDbgScreen&) = delete;
    cDbgScreen& operator=(const cDbgScreen&) = delete;
    ~cDbgScreen() override;

    // The live screen (the last one constructed and not yet destroyed), or null. Rows use
    // it to open and close the menu and to change page; it never creates one.
    static cDbgScreen* Instance();

    // Enabling builds the pages once (the flag starts clear and the program leaves it so).
    void SetEnabled(bool enabled) override;
    // Once a frame, first thing in the game's update.
    void Update() override;
    // The frame-rate line and the open menu over the frame.
    void Draw() override;
    // While the menu is open (and keep-running is off) the game skips its own update.
    bool HoldsGameUpdate() const override;

    // Adds a page under the root page (with its link row). False when the pages are not
    // built: the page is then left alone and stays the caller's.
    bool AddPage(cDbgPage* page);
    void SetCurrentPage(cDbgPage* page) { currentPage = page; }
    // The root page becomes current when the given page is current.
    void ResetPageIfCurrent(cDbgPage* page);
    // Forgets a row that is going away (the held row is let go).
    void ForgetElement(const cDbgElement* element);
    // Forgets a page that is going away (as ResetPageIfCurrent, and the root pointer).
    void ForgetPage(const cDbgPage* page);

    const cFont* GetFont() const;
    // Sets the font of the debug rows; nothing while there is no drawing context.
    void SetFont(const cFont* font);

    // Menu state changes the rows ask for.
    void OpenMenu();
    void CloseMenu();

    // Row actions.
    int32_t ToggleFps();
    void ShowTextures();
    uint32_t GetTrianglesDrawn() { return triangleCount; }
    void ToggleKeepRunning() { keepRunning = keepRunning != 0 ? 0 : 1; }

    // State (read by the tests and by the rows).
    cDbgPage* GetCurrentPage() const { return currentPage; }
    cDbgElement* GetHeldElement() const { return heldElement; }
    cDbgPage* GetRootPage() const { return rootPage; }
    bool IsOpen() const { return open != 0; }
    bool ShowsFrameRate() const { return showFrameRate != 0; }
    bool KeepsRunning() const { return keepRunning != 0; }
    const std::string& GetFrameRateText() const { return frameRateText; }
    cGfx2D* GetGfx() const { return gfx; }
    cDbgActivateButton& GetActivateButton() { return activateButton; }
    cDbgTextureViewer& GetTextureViewer() { return textureViewer; }

private:
    void BuildPages();
    void UpdateMenu(int32_t x, int32_t y);
    void UpdateClosed(int32_t x, int32_t y);
    void DrawFrameRate();

    cDbgPage* currentPage = nullptr;
    cDbgElement* heldElement = nullptr;
    cDbgPage* rootPage = nullptr;
    uint8_t open = 0;
    cDbgActivateButton activateButton;
    uint8_t keepRunning = 0;
    uint8_t showFrameRate = 0;
    cDbgTextureViewer textureViewer;
    uint32_t frameRateClock = 0;
    uint32_t frameRateFrames = 0;
    std::string frameRateText;
    cGfx2D* gfx = nullptr;
    uint32_t triangleCount = 0;
};

// Installs the debug screen's factory in the platform's hook, so that GetDebugScreen
// (and the platform's start-up and shutdown) make and destroy a cDbgScreen. Called once
// at program start.
void RegisterDebugScreen();
// The debug screen through the hook (created on first use), or null when the hook holds
// a screen of another kind.
cDbgScreen* GetDbgScreen();
// Makes the page current on the live screen.
void SetDebugScreenPage(cDbgPage* page);

// Text sources of the "System" pages.
// The filtered tilt vector, "x, y, z" with three decimals.
std::string GetOrientationText();
// "Audio: <n>kb Tex: <n>kb": the bytes of all live sounds and images.
std::string GetMemoryText();

#include "KelpoBase/debug/DbgScreen.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "KelpoBase/core/TextUtil.h"
#include "KelpoBase/core/Vec2.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/PlatformInfo.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Font.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/Renderer.h"
#include "KelpoBase/render/Resource.h"

namespace
{
cDbgScreen* gLiveScreen = nullptr;

constexpr uint32_t kMenuToggleKey = KEY_JOY_BUTTON_1 + 1; // joystick button 2
constexpr uint32_t kPointerKey = KEY_POINTER_1;
constexpr int32_t kBackStripHeight = 40;

void PointerPosition(int32_t& x, int32_t& y) { GetPointerPosition(0, x, y); }

int32_t Scaled(uint32_t size, float zoom) { return int32_t(std::lround(double(size) * double(zoom))); }
} // namespace

// --- pages -------------------------------------------------------------------------------------

cDbgPage::cDbgPage(cDbgPage* parent, std::string title) : title(std::move(title))
{
    if (parent != nullptr)
        AddChildPage(parent, this);
    AddElement(new cDbgHeader(this));
    auto* back = new cDbgIndexButton(parent, true);
    back->SetColour(kDbgYellow);
    AddElement(back);
    backButton = back;
}

cDbgPage::cDbgPage(RootTag)
{
    AddElement(new cDbgHeader(this));
    auto* exit = new cDbgIndexButton(nullptr, false);
    exit->SetColour(kDbgYellow);
    AddElement(exit);
    backButton = exit;
}

cDbgPage* cDbgPage::InitRoot() { return new cDbgPage(RootTag{}); }

cDbgPage::~cDbgPage()
{
    if (cDbgScreen* screen = cDbgScreen::Instance())
        screen->ForgetPage(this);
    if (parent != nullptr)
        RemoveChildPage(parent, this);
    // Each child unlinks itself from this page as it goes.
    while (!children.empty())
        delete children.front();
    std::list<cDbgElement*> rows;
    rows.swap(elements);
    backButton = nullptr;
    for (cDbgElement* row : rows)
        delete row;
}

void cDbgPage::AddChildPage(cDbgPage* parent, cDbgPage* child)
{
    if (parent == nullptr || child == nullptr)
        return;
    child->parent = parent;
    parent->children.push_back(child);
    auto* link = new cDbgIndexButton(child, false);
    link->SetText(child->GetTitle());
    link->SetColour(kDbgWhite);
    parent->AddElement(link);
}

void cDbgPage::RemoveChildPage(cDbgPage* parent, cDbgPage* child)
{
    if (parent == nullptr || child == nullptr)
        return;
    parent->children.remove(child);
    if (child->parent == parent)
        child->parent = nullptr;
    auto it = std::find_if(parent->elements.begin(), parent->elements.end(), [child](cDbgElement* row) {
        auto* link = dynamic_cast<cDbgIndexButton*>(row);
        return link != nullptr && link->GetTarget() == child;
    });
    if (it == parent->elements.end())
        return;
    cDbgElement* link = *it;
    parent->elements.erase(it);
    link->SetOwner(nullptr);
    parent->LayoutElements();
    delete link;
}

void cDbgPage::AddElement(cDbgElement* element)
{
    // A row already on a page stays where it is: a second owner would delete it twice.
    if (element == nullptr || element->GetOwner() != nullptr)
        return;
    const bool backTaken = backButton != nullptr && !elements.empty() && elements.back() == backButton;
    if (backTaken)
        elements.pop_back();
    elements.push_back(element);
    element->SetOwner(this);
    if (backTaken)
        elements.push_back(backButton);
    LayoutElements();
}

void cDbgPage::RemoveElement(cDbgElement* element)
{
    if (element == nullptr)
        return;
    elements.remove(element);
    if (element == backButton)
        backButton = nullptr;
    if (element->GetOwner() == this)
        element->SetOwner(nullptr);
    LayoutElements();
}

void cDbgPage::LayoutElements()
{
    int32_t y = 0;
    for (cDbgElement* row : elements)
    {
        row->SetTop(y);
        y += row->GetHeight();
    }
    UpdateLabelColumnWidth();
}

void cDbgPage::UpdateLabelColumnWidth()
{
    labelColumnWidth = 0;
    for (const cDbgElement* row : elements)
        labelColumnWidth = std::max(labelColumnWidth, row->GetLabelWidth());
}

cDbgElement* cDbgPage::ElementAt(int32_t y) const
{
    int32_t bottom = 0;
    for (cDbgElement* row : elements)
    {
        bottom += row->GetHeight();
        if (bottom > y)
            return row;
    }
    return nullptr;
}

cDbgPage* cDbgPage::FindChild(const std::string& childTitle) const
{
    for (cDbgPage* child : children)
        if (child->title == childTitle)
            return child;
    return nullptr;
}

void cDbgPage::Draw(cGfx2D& gfx)
{
    UpdateLabelColumnWidth();
    gfx.PushTransform();
    for (cDbgElement* row : elements)
    {
        row->Draw(gfx);
        gfx.Translate(0.0f, float(row->GetHeight()));
    }
    gfx.PopTransform();
}

// --- texture viewer ------------------------------------------------------------------------

cDbgTextureViewer::cDbgTextureViewer()
{
    // The images fill the screen's width at 1024 pixels; a screen too small for that (not
    // yet sized) shows them at their own size.
    const int32_t width = GetScreenWidth();
    zoom = width > 2 ? float((double(width) - 2.0) / 1024.0) : 1.0f;
    backButton.SetColour(kDbgWhite);
}

void cDbgTextureViewer::Update(const cFont* font)
{
    const int32_t screenWidth = GetScreenWidth();
    const int32_t screenHeight = GetScreenHeight();
    const int32_t lineHeight = font != nullptr ? font->GetLineHeight() : 0;

    int64_t contentHeight = 0;
    int64_t widest = screenWidth;
    for (const cImage* image : cImage::GetImageList())
    {
        const int32_t w = Scaled(image->width, zoom);
        const int32_t h = Scaled(image->height, zoom);
        contentHeight += int64_t(h + 2) + int64_t(lineHeight + 2);
        widest = std::max<int64_t>(widest, int64_t(w) + 2);
    }
    const float maxX = float(widest - screenWidth);
    const float maxY = float(contentHeight + kBackStripHeight - screenHeight);

    if (!IsKeyDown(kPointerKey))
    {
        velocityX *= 0.9f;
        velocityY *= 0.9f;
    }
    else
    {
        int32_t dx = 0, dy = 0;
        GetSwipeDelta(dx, dy);
        velocityX = -float(dx);
        velocityY = -float(dy);
    }
    if (IsKeyDown(KEY_JOY_UP))
        velocityY -= 2.0f;
    if (IsKeyDown(KEY_JOY_DOWN))
        velocityY += 2.0f;
    if (IsKeyDown(KEY_JOY_LEFT))
        velocityX -= 2.0f;
    if (IsKeyDown(KEY_JOY_RIGHT))
        velocityX += 2.0f;

    scrollX += velocityX;
    scrollY += velocityY;
    scrollX = std::min(std::max(scrollX, 0.0f), maxX);
    scrollY = std::min(std::max(scrollY, 0.0f), maxY);

    int32_t x = 0, y = 0;
    PointerPosition(x, y);
    if (y < kBackStripHeight)
    {
        if (IsKeyPressed(kPointerKey))
        {
            armed = 1;
            backButton.SetPressed(true);
        }
        else if (IsKeyJustReleased(kPointerKey) && armed != 0)
        {
            active = 0;
            armed = 0;
            backButton.SetPressed(false);
        }
    }
    else
    {
        backButton.SetPressed(false);
        if (!IsKeyDown(kPointerKey))
            armed = 0;
    }
}

void cDbgTextureViewer::Draw(cGfx2D& gfx)
{
    const int32_t screenWidth = GetScreenWidth();
    const int32_t screenHeight = GetScreenHeight();
    backButton.Draw(gfx);
    gfx.SetScissor(0, kBackStripHeight, screenWidth, screenHeight - kBackStripHeight);
    gfx.PushTransform();
    gfx.Translate(0.0f, float(kBackStripHeight));

    const int32_t L = (gfx.font != nullptr ? gfx.font->GetLineHeight() : 0) + 2;
    const int32_t ox = -int32_t(std::lround(scrollX));
    int32_t y = -int32_t(std::lround(scrollY));
    std::string label;
    for (cImage* image : cImage::GetImageList())
    {
        const int32_t w = Scaled(image->width, zoom);
        const int32_t h = Scaled(image->height, zoom);
        if (y > screenHeight)
            break;
        if (y + h + L < 0)
        {
            y += h + L + 2;
            continue;
        }
        FormatString(label, "%ux%ux%u: %s", image->width, image->height, image->bpp, image->name.c_str());
        gfx.SetColour(kDbgWhite.Word());
        DrawTextAt(gfx, float(ox), float(y + 1), kAlignTopLeft, label.c_str());

        gfx.PushTransform();
        gfx.Translate(float(ox + 1), float(y + L + 1));
        gfx.Scale(zoom, zoom);
        gfx.DrawImage(image, kAlignTopLeft);
        gfx.PopTransform();

        const float x0 = float(ox), y0 = float(y + L);
        const float x1 = float(ox + w + 1), y1 = float(y + L + h + 1);
        const cVec2f outline[4] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
        gfx.SetColour(cRGBA(255, 0, 0, 255).Word());
        gfx.DrawLineStrip(outline, nullptr, 4, true);
        gfx.SetColour(kDbgWhite.Word());

        y += L + h + 2;
    }
    gfx.Flush();
    gfx.ClearScissor();
    gfx.PopTransform();
}

// --- the screen -------------------------------------------------------------------------------

cDbgScreen::cDbgScreen()
{
    gLiveScreen = this;
    // Created disabled: nothing below is built until the screen is enabled.
    cDebugScreenBase::SetEnabled(false);
}

cDbgScreen::~cDbgScreen()
{
    if (gLiveScreen == this)
        gLiveScreen = nullptr;
    currentPage = nullptr;
    heldElement = nullptr;
    cDbgPage* root = rootPage;
    rootPage = nullptr;
    delete root;
    delete gfx;
    gfx = nullptr;
}

cDbgScreen* cDbgScreen::Instance() { return gLiveScreen; }

void cDbgScreen::SetEnabled(bool enabled)
{
    cDebugScreenBase::SetEnabled(enabled);
    if (enabled && rootPage == nullptr)
        BuildPages();
}

void cDbgScreen::BuildPages()
{
    gfx = new cGfx2D(gRenderer);

    rootPage = cDbgPage::InitRoot();
    rootPage->SetTitle("Back");
    currentPage = rootPage;

    auto* system = new cDbgPage(rootPage, "System");
    system->AddElement(new cDbgButtonMethod<cDbgScreen>("Toggle FPS", this, &cDbgScreen::ToggleFps));
    auto* info = new cDbgPage(system, "System Info");
    system->AddElement(new cDbgButtonMethod<cDbgScreen>("Textures", this, &cDbgScreen::ShowTextures));
    system->AddElement(new cDbgFunc<std::string>("Orientation: ", &GetOrientationText));

    info->AddElement(new cDbgFunc<std::string>("Mem - ", &GetMemoryText));
    std::string text;
    info->AddElement(new cDbgText(FormatString(text, "CPU Speed: %d", int(GetCpuSpeed()))));
    info->AddElement(new cDbgText(FormatString(text, "Bus Speed: %d", int(GetBusSpeed()))));
    const int maxTextureSize = gRenderer != nullptr ? int(gRenderer->maxTextureSize) : 0;
    info->AddElement(new cDbgText(FormatString(text, "GL Max Tex Size: %d", maxTextureSize)));
    info->AddElement(new cDbgMethod<cDbgScreen, unsigned int>("Tris Drawn: ", this, &cDbgScreen::GetTrianglesDrawn));
}

bool cDbgScreen::HoldsGameUpdate() const { return IsEnabled() && open != 0 && keepRunning == 0; }

void cDbgScreen::Update()
{
    if (!IsEnabled())
        return;
    if (IsKeyPressed(kMenuToggleKey))
    {
        open = open != 0 ? 0 : 1;
        textureViewer.active = open;
    }
    if (textureViewer.active != 0)
    {
        textureViewer.Update(GetFont());
        return;
    }
    int32_t x = 0, y = 0;
    PointerPosition(x, y);
    if (open != 0)
        UpdateMenu(x, y);
    else
        UpdateClosed(x, y);
}

void cDbgScreen::UpdateMenu(int32_t x, int32_t y)
{
    auto rowAt = [this](int32_t py) { return currentPage != nullptr ? currentPage->ElementAt(py) : nullptr; };
    if (IsKeyPressed(kPointerKey))
    {
        heldElement = rowAt(y);
        if (heldElement != nullptr)
        {
            heldElement->SetPressed(true);
            heldElement->OnPress(x, y);
        }
        return;
    }
    if (heldElement == nullptr)
        return;
    if (IsKeyJustReleased(kPointerKey))
    {
        if (rowAt(y) == heldElement)
            heldElement->OnClick(x, y);
        // The click may have deleted the row (and with it the hold).
        if (heldElement != nullptr)
            heldElement->SetPressed(false);
        heldElement = nullptr;
        return;
    }
    heldElement->SetPressed(rowAt(y) == heldElement);
    heldElement->OnDrag(x, y);
}

void cDbgScreen::UpdateClosed(int32_t x, int32_t y)
{
    const bool inCorner = x < activateButton.GetWidth() && y < activateButton.GetHeight();
    if (IsKeyJustReleased(kPointerKey))
    {
        if (inCorner)
            activateButton.OnClick(x, y);
        activateButton.SetPressed(false);
        return;
    }
    activateButton.SetPressed(inCorner);
}

void cDbgScreen::Draw()
{
    if (gfx == nullptr || gfx->font == nullptr)
        return;
    triangleCount = GetTriangleCount();
    gfx->renderer = gRenderer; // the renderer of this frame (it may have been remade)
    gfx->SaveRendererState();
    gfx->ClearScissor();
    gfx->Begin();
    if (showFrameRate != 0)
        DrawFrameRate();
    if (IsEnabled())
    {
        if (textureViewer.active != 0)
            textureViewer.Draw(*gfx);
        else if (open != 0 && currentPage != nullptr)
            currentPage->Draw(*gfx);
    }
    gfx->SetColour(kDbgWhite.Word());
    gfx->RestoreRendererState();
}

void cDbgScreen::DrawFrameRate()
{
    ++frameRateFrames;
    const auto now = uint32_t(GetTimeNanoseconds() / 1000000u);
    if (now - frameRateClock >= 1000u)
    {
        FormatString(frameRateText, "FPS %d", int(frameRateFrames));
        frameRateFrames = 0;
        frameRateClock = now;
    }
    gfx->SetColour(kDbgWhite.Word());
    DrawTextAt(*gfx, 0.0f, 0.0f, kAlignTopLeft, frameRateText.c_str());
}

bool cDbgScreen::AddPage(cDbgPage* page)
{
    if (rootPage == nullptr || page == nullptr || page == rootPage)
        return false;
    cDbgPage::AddChildPage(rootPage, page);
    return true;
}

void cDbgScreen::ResetPageIfCurrent(cDbgPage* page)
{
    if (currentPage == page)
        currentPage = page == rootPage ? nullptr : rootPage;
}

void cDbgScreen::ForgetElement(const cDbgElement* element)
{
    if (heldElement == element)
        heldElement = nullptr;
}

void cDbgScreen::ForgetPage(const cDbgPage* page)
{
    if (currentPage == page)
        currentPage = page == rootPage ? nullptr : rootPage;
    if (rootPage == page)
        rootPage = nullptr;
}

const cFont* cDbgScreen::GetFont() const { return gfx != nullptr ? gfx->font : nullptr; }

void cDbgScreen::SetFont(const cFont* font)
{
    if (gfx != nullptr)
        gfx->SetFont(font);
}

void cDbgScreen::OpenMenu()
{
    open = 1;
    textureViewer.active = 0;
    if (currentPage == nullptr)
        currentPage = rootPage;
}

void cDbgScreen::CloseMenu() { open = 0; }

int32_t cDbgScreen::ToggleFps()
{
    showFrameRate = showFrameRate != 0 ? 0 : 1;
    return showFrameRate;
}

void cDbgScreen::ShowTextures() { textureViewer.active = 1; }

// --- registration and text sources -------------------------------------------------------------

void RegisterDebugScreen()
{
    SetDebugScreenFactory([]() -> cDebugScreenBase* { return new (std::nothrow) cDbgScreen(); });
}

cDbgScreen* GetDbgScreen() { return dynamic_cast<cDbgScreen*>(GetDebugScreen()); }

void SetDebugScreenPage(cDbgPage* page)
{
    if (cDbgScreen* screen = cDbgScreen::Instance())
        screen->SetCurrentPage(page);
}

std::string GetOrientationText()
{
    const TiltVector tilt = GetTiltSmoothed();
    std::string text;
    return FormatString(text, "%.3f, %.3f, %.3f", double(tilt.x), double(tilt.y), double(tilt.z));
}

std::string GetMemoryText()
{
    std::string text;
    return FormatString(text, "Audio: %dkb Tex: %dkb", int(GetSoundMemoryTotal() >> 10),
                        int(GetImageMemoryTotal() >> 10));
}

#include "KelpoBase/render/RendererServices.h"

#include <memory>

#include "KelpoBase/platform/GLFunctions.h"
#include "KelpoBase/platform/GLWindow.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/RendererOGL.h"
#include "KelpoBase/render/Surface.h"

bool WriteRendererScreenshot(const std::string& fileName)
{
    if (gRenderer == nullptr)
        return false;
    std::unique_ptr<cSurface> frame(gRenderer->ReadPixels());
    if (frame == nullptr || frame->GetPixels() == nullptr)
        return false;
    // The library reads rows bottom to top; the file says so and shows the frame upright.
    frame->flipped = 1;
    return frame->SaveTGA(fileName);
}

void RegisterRendererServices()
{
    SystemHooks& hooks = GetSystemHooks();
    hooks.createRenderer = [] {
        delete gRenderer;
        gRenderer = nullptr;
        // Only over a context whose entry points are loaded; without one the program runs
        // with no renderer, which every drawing part tolerates.
        if (GL().Enable != nullptr)
            gRenderer = new cRenderer_OGL_1();
    };
    hooks.destroyRenderer = [] {
        delete gRenderer;
        gRenderer = nullptr;
    };
    hooks.applyRendererOrientation = [](int orientation) {
        // Only the screen's orientation: a bound render target keeps drawing unturned
        // and takes the new one when the screen is bound again.
        if (gRenderer != nullptr)
            gRenderer->SetScreenOrientation(orientation);
    };
    hooks.writeScreenshot = &WriteRendererScreenshot;
    // Presenting changes library state behind the mirror: bring both back together.
    SetPresentFollowUp([] {
        if (gRenderer != nullptr)
            gRenderer->ResetRenderState();
    });
}

// What the 1280 by 720 front end adds to the options screen (the window mode and the way
// to the controls) and its three screens of the joystick controls: the controls menu, the
// redefinition and its confirmation.
#include "KelpoBase/gla/GlaGuiControllers.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "game/shell/Frontend.h"
#include "game/shell/SaveData.h"

using namespace frontend;

namespace
{
const char* const kPromptNames[cFrontend::kControlCount] = {"up", "down", "left", "right", "jump", "pause"};

// The joystick input pressed this frame, or 0: a direction first (up, down, left, right),
// else the highest button pressed.
int32_t CaptureJoystickInput()
{
    if (IsKeyPressed(KEY_JOY_UP))
        return KEY_JOY_UP;
    if (IsKeyPressed(KEY_JOY_DOWN))
        return KEY_JOY_DOWN;
    if (IsKeyPressed(KEY_JOY_LEFT))
        return KEY_JOY_LEFT;
    if (IsKeyPressed(KEY_JOY_RIGHT))
        return KEY_JOY_RIGHT;
    int32_t code = 0;
    for (uint32_t button = KEY_JOY_BUTTON_1; button <= KEY_JOY_BUTTON_16; ++button)
        if (IsKeyPressed(button))
            code = static_cast<int32_t>(button);
    return code;
}
} // namespace

void cFrontend::ShowWindowMode() { SetToggle(scrOptions, "butScreen", Save().windowed == 0); }

void cFrontend::OptionsAction(const std::string& name, bool on, bool& leaving)
{
    if (name == "actScreen")
    {
        Save().windowed = on ? 0 : 1;
        if (on)
            GoFullscreen();
        else
            GoWindowed();
    }
    else if (name == "actControls")
        LeaveTo(&cFrontend::StateControls, 1, leaving);
}

int32_t cFrontend::StateControls(int32_t phase, int32_t arg)
{
    (void)arg;
    ScreenFade& s = controlsFade;
    switch (phase)
    {
    case kStateEnter:
        s.alpha = 0;
        s.leaving = false;
        scrOptionsControls->SetFocus(0);
        break;
    case kStateUpdate:
    {
        if (!FadeStep(s, &cFrontend::StateOptions, 1))
            break;
        TakeInput(scrOptionsControls, [&](const cKelpoMsg& message) {
            if (message.name == "actBack")
                LeaveTo(&cFrontend::StateOptions, 1, s.leaving);
            else if (message.name == "actChooseControls")
                LeaveTo(&cFrontend::StateRedefineControls, 1, s.leaving);
            else if (message.name == "actResetControls")
            {
                for (int i = 0; i < kControlCount; ++i)
                    Save().controls[i] = kDefaultControls[i];
            }
        });
        break;
    }
    case kStateDraw:
        DrawFaded(s.alpha, {scrOptionsControls});
        break;
    default:
        break;
    }
    return 0;
}

int32_t cFrontend::StateRedefineControls(int32_t phase, int32_t arg)
{
    (void)arg;
    ScreenFade& s = redefineFade;
    switch (phase)
    {
    case kStateEnter:
        s.leaving = false;
        s.alpha = 0;
        redefineStep = 0;
        break;
    case kStateUpdate:
    {
        if (!FadeStep(s))
            break;
        // Without a joystick nothing could ever be captured: Escape gives up and keeps the
        // controls as they were (only the confirmation's "actDone" changes them).
        if (IsKeyPressed(KEY_ESCAPE))
        {
            LeaveTo(&cFrontend::StateControls, 1, s.leaving);
            break;
        }
        for (int i = 0; i < kControlCount; ++i)
            SetControllerVisible(scrOptionsRedefineControls->FindController(kPromptNames[i]), i == redefineStep);
        const int32_t code = CaptureJoystickInput();
        if (code != 0 && redefineStep >= 0 && redefineStep < kControlCount)
        {
            pendingControls[redefineStep] = code;
            redefineStep += 1;
            if (redefineStep >= kControlCount)
                LeaveTo(&cFrontend::StateRedefineConfirm, 1, s.leaving);
        }
        // The prompts animate; their buttons, if any, are not read.
        scrOptionsRedefineControls->Update();
        scrOptionsRedefineControls->ClearMessages();
        break;
    }
    case kStateDraw:
        DrawFaded(s.alpha, {scrOptionsRedefineControls});
        break;
    default:
        break;
    }
    return 0;
}

int32_t cFrontend::StateRedefineConfirm(int32_t phase, int32_t arg)
{
    (void)arg;
    ScreenFade& s = confirmFade;
    switch (phase)
    {
    case kStateEnter:
        s.alpha = 0;
        s.leaving = false;
        scrOptionsRedefineConfirm->SetFocus(1);
        break;
    case kStateUpdate:
    {
        if (!FadeStep(s))
            break;
        TakeInput(scrOptionsRedefineConfirm, [&](const cKelpoMsg& message) {
            if (message.name == "actChooseAgain")
                LeaveTo(&cFrontend::StateRedefineControls, 1, s.leaving);
            else if (message.name == "actDone")
            {
                for (int i = 0; i < kControlCount; ++i)
                    Save().controls[i] = pendingControls[i];
                LeaveTo(&cFrontend::StateControls, 1, s.leaving);
            }
        });
        break;
    }
    case kStateDraw:
        DrawFaded(s.alpha, {scrOptionsRedefineConfirm});
        break;
    default:
        break;
    }
    return 0;
}

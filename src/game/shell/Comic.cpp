#include "game/shell/Comic.h"

#include "KelpoBase/core/Debug.h"
#include "KelpoBase/core/Random.h"
#include "KelpoBase/core/ResourceFile.h"
#include "KelpoBase/gla/GlaControllerScene.h"
#include "KelpoBase/gla/GlaSet.h"
#include "KelpoBase/platform/Input.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/render/Gfx2D.h"
#include "KelpoBase/render/Renderer.h"
#include "KelpoBase/render/Resource.h"
#include "game/shell/MainGame.h"
#include "game/shell/SaveData.h"
#include "game/shell/StartupData.h"

namespace
{
// The pages state keeps these for the one comic that can run at a time.
int32_t gSubState = 0;
int32_t gCount = 0;
bool gLeaving = false;

void DefaultComicHandOff(int32_t levelNumber)
{
    if (gMainGame != nullptr)
        gMainGame->SetStateLevel(levelNumber);
}

cGlaControllerScene* MakeController(cGlaSet* set, const char* name)
{
    return new cGlaControllerScene(set != nullptr ? FindObjectByName(set, name) : nullptr);
}
} // namespace

cComic::cComic(int32_t arg) : argument(arg)
{
    stateMachine.Init();
    stateMachine.SetOwner(this);
    particles.Clear();
    gfx = new cGfx2D(gRenderer);
    if (gMainGame != nullptr)
        saveData = &gMainGame->saveData;
    levelHandOff = &DefaultComicHandOff;
}

cComic::~cComic()
{
    delete gfx;
    gfx = nullptr;
    FreeAllParticles(particles);
    particles.Clear();
    delete fullScene;
    delete exitScene;
    delete skipMenu;
    fullScene = exitScene = skipMenu = nullptr;
    if (group != nullptr)
    {
        group->ReleaseTextures();
        delete group;
        group = nullptr;
    }
    sceneSet = nullptr;
    effectImages.clear();
    stateMachine.FreeStack();
}

bool cComic::LoadComic()
{
    ResetLoadCount();
    SetLoadStopped(false);
    group = SelectResourceGroup("Comic");
    sceneSet = ClassCast<cGlaSet>(LoadGlaSetResource(kSceneFile, ""));
    // A damaged file is named and the comic skipped, since the player would otherwise watch
    // black pages without a word. A missing one leaves pages without scenes that still end
    // in level 0, and is named too.
    if (sceneSet == nullptr && ResourceFileExists(kSceneFile))
    {
        DebugPrint("%s The comic is skipped.\n", DescribeUnreadableDataFile(kSceneFile).c_str());
        return false;
    }
    if (sceneSet == nullptr)
        DebugPrint("The comic's scene file %s is missing; its pages are shown empty.\n", kSceneFile);
    effectImages.push_back(LoadAtlasImage("res/fx/z.png"));
    FinishResourceGroup();
    if (group != nullptr)
        group->UploadTextures(false);
    return true;
}

const char* cComic::SkipMenuSceneName(int32_t screenWidth)
{
    switch (screenWidth)
    {
    case 1280:
        return "skipmenu4";
    case 1024:
        return "skipmenu";
    case 960:
        return "skipmenu2";
    case 720:
        return "skipmenu5";
    default:
        return "skipmenu3";
    }
}

void cComic::PageScale(int32_t width, int32_t height, float& sx, float& sy)
{
    sy = static_cast<float>(height) / 768.0f;
    sx = (width >= 1280 || width == 720) ? sy : static_cast<float>(width) / 1024.0f;
}

int32_t cComic::GetSubState() { return gSubState; }
int32_t cComic::GetCount() { return gCount; }

void cComic::SetUpComic()
{
    frameCounter = 0;
    particles.Create(cParticlePool::kDefaultCapacity);
    fullScene = MakeController(sceneSet, "Full");
    exitScene = MakeController(sceneSet, "LevelExit");
    skipMenu = MakeController(sceneSet, SkipMenuSceneName(GetScreenWidth()));
    skipMenu->position = cVec2f(static_cast<float>(GetScreenWidth()) * 0.5f,
                                static_cast<float>(GetScreenHeight()) * 0.5f);
    gSubState = 0;
    stateMachine.SetPendingState(&cComic::StatePages, 0);
}

void cComic::UpdateComic()
{
    ++frameCounter;
    UpdateParticlePool(particles);
    stateMachine.Update();
}

void cComic::DrawComic()
{
    gfx->SaveRendererState();
    gfx->Begin();
    gfx->SetColour(0xFFFFFFFFu);
    gfx->SetRenderFlagsHigh(1);
    stateMachine.Draw();
    DrawParticlePool(particles, *gfx);
    gfx->Flush();
    gfx->RestoreRendererState();
}

void cComic::Skip()
{
    fullScene->SetFrameBlend(kSkipFrame, fullScene->fraction);
    gCount = kPagesFrames + 1;
    gLeaving = true;
}

void cComic::SpawnZzz()
{
    cGlaControllerElement* zzz = fullScene->FindController("zzz");
    if (zzz == nullptr)
        return;
    float sx = 1.0f;
    float sy = 1.0f;
    PageScale(GetScreenWidth(), GetScreenHeight(), sx, sy);
    const cVec2f at(zzz->position.x * sx + static_cast<float>(GetScreenWidth()) * 0.5f,
                    zzz->position.y * sy + static_cast<float>(GetScreenHeight()) * 0.5f);
    const int32_t delays[3] = {0, 12, 24};
    for (int32_t delay : delays)
    {
        cParticle* p = AllocParticle(particles);
        if (p == nullptr)
            return;
        p->image = RandomVectorElement(effectImages);
        p->position = at;
        p->delay = delay;
        p->velocity = cVec2f(0.0f, -3.0f);
        p->damping = 1.0f;
        p->swayAmplitude = RandomFloatRange(40.0f, 50.0f);
        p->swaySpeed = RandomFloatRange(0.01f, 0.02f);
        p->swayDecay = 1.0f;
        p->lifeRate = 1.0f / 60.0f;
        p->sizeStart = p->sizeEnd = 1.0f;
        p->colourStart = 0xFFFFFFFFu;
        p->colourEnd = 0x00FFFFFFu;
        PrepareParticle(*p, kParticleSizeIsScale);
    }
}

int32_t cComic::StatePages(int32_t phase, int32_t arg)
{
    (void)arg;
    switch (phase)
    {
    case kStateEnter:
        gLeaving = false;
        gSubState = 1;
        gCount = 0;
        fullScene->SetFrame(0);
        fullScene->Play(false, 1);
        fullScene->StartChildScenes();
        break;
    case kStateUpdate:
        if (gSubState == 1)
        {
            ++gCount;
            if (!gLeaving)
            {
                skipMenu->Update();
                const int32_t jump = saveData != nullptr ? saveData->GetControl(4) : kDefaultControls[4];
                const bool jumpPressed = jump >= 0 && jump < static_cast<int32_t>(KEY_COUNT) &&
                                         IsKeyPressed(static_cast<uint32_t>(jump));
                if (IsKeyPressed(KEY_RETURN) || IsKeyPressed(KEY_SPACE) || jumpPressed)
                    Skip();
                cKelpoMsg message;
                while (skipMenu->HasMessages())
                {
                    skipMenu->PopMessage(message);
                    if (message.name == "actBack" && !gLeaving)
                        Skip();
                }
            }
            if (gCount > kPagesFrames)
            {
                gCount = 0;
                gSubState = 2;
                exitScene->SetFrame(0);
                exitScene->Play(false, 1);
            }
            // The pages breathe: three "zzz" rise every 80 frames while they show.
            if (gSubState == 1 && frameCounter % kZzzInterval == 0)
                SpawnZzz();
        }
        else if (gSubState == 2)
        {
            ++gCount;
            if (gCount > kExitFrames && levelHandOff)
                levelHandOff(0);
        }
        exitScene->Advance();
        if (gSubState > 0)
        {
            fullScene->Advance();
            fullScene->AdvanceChildScenes();
        }
        break;
    case kStateDraw:
    {
        const float w = static_cast<float>(GetScreenWidth());
        const float h = static_cast<float>(GetScreenHeight());
        float sx = 1.0f;
        float sy = 1.0f;
        PageScale(GetScreenWidth(), GetScreenHeight(), sx, sy);
        gfx->PushTransform();
        gfx->Translate(w * 0.5f, h * 0.5f);
        gfx->Scale(sx, sy);
        fullScene->Draw(*gfx);
        exitScene->Draw(*gfx);
        gfx->PopTransform();
        skipMenu->Draw(*gfx);
        break;
    }
    default:
        break;
    }
    return 0;
}

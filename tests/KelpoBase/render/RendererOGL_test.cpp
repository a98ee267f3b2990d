// The OpenGL renderer, drawn for real into the off-screen target under the offscreen video
// driver and read back (colour tolerance: 2 per channel), and its state mirror counted
// through a counting entry-point table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "GLCounting.h"
#include "GLTestContext.h"
#include "TestSupport.h"
#include "KelpoBase/platform/GLWindow.h"
#include "KelpoBase/platform/SystemServices.h"
#include "KelpoBase/platform/WinMain.h"
#include "KelpoBase/render/Image.h"
#include "KelpoBase/render/Material.h"
#include "KelpoBase/render/Mesh.h"
#include "KelpoBase/render/RendererOGL.h"
#include "KelpoBase/render/RendererServices.h"
#include "KelpoBase/render/Surface.h"

namespace
{
constexpr int kTolerance = 2;
constexpr uint32_t kRed = 0xFF0000FFu;
constexpr uint32_t kGreen = 0xFF00FF00u;
constexpr uint32_t kBlue = 0xFFFF0000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kYellow = 0xFF00FFFFu;

uint32_t Rgba(int r, int g, int b, int a) { return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16 | uint32_t(a) << 24; }

std::string Hex(uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", v);
    return text;
}

void PutFloat(uint8_t* p, float f) { std::memcpy(p, &f, 4); }

// A screen-space quad (2D positions, colours, one coordinate set), wound to face the
// viewer under the top-down 2D camera (or away when reversed).
std::unique_ptr<cMesh> MakeQuad(float x, float y, float w, float h, uint32_t colour, bool reversed = false,
                                float u0 = 0, float v0 = 0, float u1 = 1, float v1 = 1)
{
    auto mesh = std::make_unique<cMesh>(4, 6, 0x400D);
    const float corners[4][4] = {{x, y, u0, v0}, {x + w, y, u1, v0}, {x, y + h, u0, v1}, {x + w, y + h, u1, v1}};
    for (uint32_t i = 0; i < 4; ++i)
    {
        PutFloat(mesh->PositionPtr(i), corners[i][0]);
        PutFloat(mesh->PositionPtr(i) + 4, corners[i][1]);
        std::memcpy(mesh->ColourPtr(i), &colour, 4);
        PutFloat(mesh->TexCoordPtr(0, i), corners[i][2]);
        PutFloat(mesh->TexCoordPtr(0, i) + 4, corners[i][3]);
    }
    mesh->indices = reversed ? std::vector<uint16_t>{0, 1, 2, 1, 3, 2} : std::vector<uint16_t>{0, 2, 1, 1, 2, 3};
    return mesh;
}

class RendererOGL : public testing::Test
{
protected:
    void SetUp() override
    {
        window = tvtest::AcquireGLWindow();
        ASSERT_NE(window, nullptr);
        renderer = std::make_unique<cRenderer_OGL_1>();
        gRenderer = renderer.get(); // images delete their textures through it
        Use2DCamera();
    }
    void TearDown() override
    {
        images.clear();
        gRenderer = nullptr;
        renderer.reset();
        SetScreenSize(1280, 720);
    }

    void Use2DCamera()
    {
        cCamera camera;
        camera.SetOrthoRect(0, float(GetScreenHeight()), float(GetScreenWidth()), 0);
        camera.nearPlane = -1;
        camera.farPlane = 1;
        camera.UpdateProjection();
        renderer->SetCamera(camera);
    }

    // A screen pixel of the target (y from the top of the 1280 x 720 frame).
    uint32_t Pixel(int x, int y) { return tvtest::ReadScreenPixel(x, y, 720); }
    void ExpectPixel(int x, int y, uint32_t expected)
    {
        const uint32_t got = Pixel(x, y);
        EXPECT_TRUE(tvtest::ColoursNear(got, expected, kTolerance))
            << "at " << x << "," << y << " got " << Hex(got) << " expected " << Hex(expected);
    }

    // An image around a texture made from the surface (texture 0 when none was made).
    cImage* MakeImage(cSurface& surface, uint32_t flags)
    {
        const uint32_t texture = renderer->CreateTexture(&surface, flags);
        images.push_back(std::make_unique<cImage>(texture, surface.GetWidth(), surface.GetHeight()));
        return images.back().get();
    }
    cImage* EmptyImage()
    {
        images.push_back(std::make_unique<cImage>());
        return images.back().get();
    }

    void ClearTo(uint32_t colour)
    {
        renderer->SetClearColour(colour);
        renderer->Clear(kClearColour | kClearDepth);
    }

    // The image on a black screen as a size x size quad at the top-left corner.
    void DrawImageOnBlack(cImage* image, float size)
    {
        ClearTo(kBlack);
        cMaterial material;
        material.textures[0] = image;
        auto quad = MakeQuad(0, 0, size, size, kWhite);
        renderer->DrawMesh(quad.get(), &material);
    }

    cWinMain_OGL1* window = nullptr;
    std::unique_ptr<cRenderer_OGL_1> renderer;
    std::vector<std::unique_ptr<cImage>> images;
};
} // namespace

TEST_F(RendererOGL, ConstructionReadsTheLibraryAndResets)
{
    EXPECT_EQ(renderer->maxTextureSize, 2048); // lowered by the platform's texture flag
    EXPECT_GE(renderer->maxTextureUnits, 2);
    EXPECT_LE(renderer->maxTextureUnits, kMaxTextureUnits);
    EXPECT_EQ(GLuint(renderer->defaultFramebuffer), window->targetFramebuffer);
    EXPECT_EQ(renderer->clientStates, kClientVertex);
    EXPECT_EQ(renderer->renderStates[1], 0);
    EXPECT_EQ(renderer->renderStates[2], 1);
    EXPECT_EQ(renderer->renderStates[3], 1);
    EXPECT_EQ(renderer->renderStates[4], 1);
    EXPECT_EQ(renderer->colourMask, 0xFu);
    EXPECT_EQ(renderer->viewportActual[2], 1280);
    EXPECT_EQ(renderer->GetScissorBox()[2], 1280);
    EXPECT_STREQ(renderer->GetClassInfo()->name.c_str(), "cRenderer_OGL_1");
    EXPECT_TRUE(renderer->IsKindOf(cRenderer::StaticClassInfo()));

    // The library agrees with the mirror.
    cGLFunctions& gl = GL();
    EXPECT_FALSE(gl.IsEnabled(GL_BLEND));
    EXPECT_TRUE(gl.IsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(gl.IsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(gl.IsEnabled(GL_SCISSOR_TEST));
    EXPECT_TRUE(gl.IsEnabled(GL_VERTEX_ARRAY));
    EXPECT_FALSE(gl.IsEnabled(GL_COLOR_ARRAY));
}

TEST_F(RendererOGL, ARepeatedStateCostsNoCall)
{
    cImage* image = EmptyImage();
    cMaterial material;
    material.blend = kBlendCodeAdditive;
    material.flags = kMaterialDepthTest | kMaterialTwoSided;
    tvtest::GLCounting counting;

    renderer->SetBlendMode(kBlendAdditive);
    renderer->SetRenderState(kRenderStateBlend, true);
    renderer->SetColourMask(0x7);
    renderer->EnableLighting(true);
    renderer->BindTexture(1, image);
    const uint32_t first = counting.Total();
    EXPECT_EQ(counting.Count(eGLFunction::BlendFunc), 1u);
    EXPECT_GT(first, 0u);

    counting.Reset();
    renderer->SetBlendMode(kBlendAdditive);
    renderer->SetRenderState(kRenderStateBlend, true);
    renderer->SetColourMask(0x7);
    renderer->EnableLighting(true);
    renderer->BindTexture(1, image);
    EXPECT_EQ(counting.Total(), 0u);

    // Two draws with one material: the second changes nothing but pointers and the draw.
    renderer->SetColourMask(0xF);
    renderer->EnableLighting(false);
    auto mesh = MakeQuad(10, 10, 50, 50, kWhite);
    renderer->DrawMesh(mesh.get(), &material);
    counting.Reset();
    renderer->DrawMesh(mesh.get(), &material);
    for (eGLFunction f : {eGLFunction::Enable, eGLFunction::Disable, eGLFunction::BlendFunc, eGLFunction::BindTexture,
                          eGLFunction::EnableClientState, eGLFunction::DisableClientState, eGLFunction::ActiveTexture,
                          eGLFunction::ClientActiveTexture, eGLFunction::DepthMask, eGLFunction::MatrixMode})
        EXPECT_EQ(counting.Count(f), 0u) << GLFunctionName(f);
    EXPECT_EQ(counting.Count(eGLFunction::DrawElements), 1u);
    // The projection is loaded once; the model-view is reloaded before each draw.
    EXPECT_EQ(counting.Count(eGLFunction::LoadMatrixf), 1u);
}

TEST_F(RendererOGL, ResetAtTheFrameStartRestoresTheDefaults)
{
    renderer->SetRenderState(kRenderStateBlend, true);
    renderer->SetRenderState(kRenderStateCull, false);
    renderer->SetBlendMode(kBlendMultiply);
    renderer->SetScissor(1, 2, 3, 4);
    renderer->ResetRenderState();
    cGLFunctions& gl = GL();
    EXPECT_FALSE(gl.IsEnabled(GL_BLEND));
    EXPECT_TRUE(gl.IsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(gl.IsEnabled(GL_SCISSOR_TEST));
    GLint source = 0;
    gl.GetIntegerv(GL_BLEND_SRC, &source);
    EXPECT_EQ(source, GL_SRC_ALPHA);
    EXPECT_EQ(renderer->blendMode, 0);
    EXPECT_EQ(renderer->renderStates[4], 1);

    // Setting the current blend mode again makes no call; Clear always clears depth.
    tvtest::GLCounting counting;
    renderer->SetBlendMode(0);
    EXPECT_EQ(counting.Total(), 0u);
}

TEST_F(RendererOGL, ClearKeepsTheDepthMaskMirrorTrue)
{
    renderer->SetRenderState(kRenderStateDepthWrite, false);
    renderer->Clear(kClearColour | kClearDepth);
    GLboolean mask = GL_TRUE;
    GL().GetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_FALSE); // as the mirror says
    EXPECT_EQ(renderer->renderStates[kRenderStateDepthWrite], 0);

    tvtest::GLCounting counting;
    renderer->Clear(kClearDepth);
    EXPECT_EQ(counting.Count(eGLFunction::DepthMask), 2u); // on for the clear, back off
}

TEST_F(RendererOGL, ClearCoversTheViewportOfTheTargetOnly)
{
    // Paint the whole 2048 x 2048 target, then clear with the 1280 x 720 viewport: the
    // screen is cleared (through the target's texture, drawing nothing), the rest of the
    // target keeps its paint, and a scissor box still limits the clear to itself.
    GL().Disable(GL_SCISSOR_TEST);
    GL().ClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    GL().Clear(GL_COLOR_BUFFER_BIT);
    renderer->ResetRenderState();
    {
        tvtest::GLCounting counting;
        ClearTo(Rgba(10, 20, 30, 255));
        if (GL().hasClearTexture)
        {
            EXPECT_EQ(counting.Count(eGLFunction::Clear), 1u) << "only the depth buffer is cleared by drawing";
        }
    }
    ExpectPixel(0, 0, Rgba(10, 20, 30, 255));
    ExpectPixel(1279, 719, Rgba(10, 20, 30, 255));
    EXPECT_TRUE(tvtest::ColoursNear(tvtest::ReadPixel(1280, 10), kGreen, kTolerance));
    EXPECT_TRUE(tvtest::ColoursNear(tvtest::ReadPixel(10, 720), kGreen, kTolerance));
    EXPECT_TRUE(tvtest::ColoursNear(tvtest::ReadPixel(2047, 2047), kGreen, kTolerance));

    renderer->SetScissor(100, 100, 50, 50);
    ClearTo(kBlue);
    ExpectPixel(120, 120, kBlue);
    ExpectPixel(90, 120, Rgba(10, 20, 30, 255));
    renderer->DisableScissor();
}

TEST_F(RendererOGL, LargeTexturesReuseTheStorageOfDeletedOnes)
{
    // Two 512 x 512 pictures of different colours: the second is written into the first
    // one's storage once that is deleted, and shows its own pixels.
    auto solid = [](uint32_t size, uint32_t colour) {
        auto surface = std::make_unique<cSurface>(size, size, kFormatRGBA8888);
        for (uint32_t y = 0; y < size; ++y)
            for (uint32_t x = 0; x < size; ++x)
                surface->SetPixel(x, y, colour);
        return surface;
    };
    auto red = solid(512, kRed);
    auto yellow = solid(512, kYellow);
    auto small = solid(64, kBlue);
    const uint32_t first = renderer->CreateTexture(red.get(), kTextureClamp);
    ASSERT_NE(first, 0u);
    renderer->DeleteTexture(first);
    tvtest::GLCounting counting;
    const uint32_t second = renderer->CreateTexture(yellow.get(), kTextureClamp);
    EXPECT_EQ(second, first);
    EXPECT_EQ(counting.Count(eGLFunction::GenTextures), 0u);
    EXPECT_EQ(counting.Count(eGLFunction::TexImage2D), 0u);
    EXPECT_EQ(counting.Count(eGLFunction::TexSubImage2D), 1u);
    images.push_back(std::make_unique<cImage>(second, 512, 512));
    cImage* image = images.back().get();

    renderer->ResetRenderState();
    DrawImageOnBlack(image, 100);
    ExpectPixel(50, 50, kYellow);

    // Another size, or a small texture, is made afresh; a name deleted twice is kept once.
    counting.Reset();
    const uint32_t other = renderer->CreateTexture(small.get(), kTextureClamp);
    EXPECT_EQ(counting.Count(eGLFunction::TexImage2D), 1u);
    renderer->DeleteTexture(other);
    EXPECT_EQ(counting.Count(eGLFunction::DeleteTextures), 1u);
    const uint32_t third = renderer->CreateTexture(red.get(), kTextureClamp);
    EXPECT_NE(third, second);
    renderer->DeleteTexture(third);
    renderer->DeleteTexture(third);
    EXPECT_EQ(counting.Count(eGLFunction::DeleteTextures), 1u);
    const uint32_t fourth = renderer->CreateTexture(red.get(), kTextureClamp);
    EXPECT_EQ(fourth, third);
    renderer->DeleteTexture(fourth);
    renderer->ReleaseSpareTextures();
    EXPECT_EQ(counting.Count(eGLFunction::DeleteTextures), 2u);
}

TEST_F(RendererOGL, MoreTextureUnitsThanTheMirrorHoldsAreClamped)
{
    static tvtest::GLCounting* counting = nullptr;
    tvtest::GLCounting local;
    counting = &local;
    local.table.GetIntegerv = [](GLenum name, GLint* value) {
        counting->Real().GetIntegerv(name, value);
        if (name == GL_MAX_TEXTURE_UNITS)
            *value = 32;
    };
    cRenderer_OGL_1 wide;
    EXPECT_EQ(wide.maxTextureUnits, kMaxTextureUnits);
    cMaterial material;
    cImage* a = EmptyImage();
    cImage* b = EmptyImage();
    cImage* extra = EmptyImage();
    material.textures[0] = a;
    material.textures[1] = b;
    material.extraTexture = extra;
    wide.ApplyMaterial(material); // walks every unit up to the clamp without tripping
    EXPECT_EQ(wide.boundImage[2], extra);
    EXPECT_EQ(wide.boundImage[7], nullptr);
    counting = nullptr;
}

TEST_F(RendererOGL, BlendCodes)
{
    const uint32_t background = Rgba(200, 100, 50, 255);
    const int src[4] = {100, 150, 250, 128};
    const int dst[4] = {200, 100, 50, 255};
    auto blend = [](float s, float d, float sf, float df) {
        return int(std::lround(std::min(255.0f, s * sf + d * df)));
    };
    struct Case
    {
        uint16_t code;
        // factors as functions of the source alpha a and source colour s
        int kind;
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {9, 0}};
    for (const Case& c : cases)
    {
        renderer->ResetRenderState();
        ClearTo(background);
        cMaterial material;
        material.blend = c.code;
        auto mesh = MakeQuad(100, 100, 40, 40, Rgba(src[0], src[1], src[2], src[3]));
        renderer->DrawMesh(mesh.get(), &material);
        int expected[4];
        const float a = src[3] / 255.0f;
        for (int ch = 0; ch < 4; ++ch)
        {
            const float s = float(src[ch]), d = float(dst[ch]);
            switch (c.kind)
            {
            case 1:
                expected[ch] = blend(s, d, a, 1 - a);
                break;
            case 2:
                expected[ch] = blend(s, d, a, 1);
                break;
            case 3:
                expected[ch] = blend(s, d, 0, s / 255.0f);
                break;
            case 4:
                expected[ch] = blend(s, d, 0, 1 - a);
                break;
            default:
                expected[ch] = src[ch];
                break;
            }
        }
        SCOPED_TRACE(c.code);
        ExpectPixel(120, 120, Rgba(expected[0], expected[1], expected[2], expected[3]));
        ExpectPixel(90, 90, background);
    }
}

TEST_F(RendererOGL, MaterialColourCullingAndLines)
{
    ClearTo(kBlack);
    cMaterial plain;
    plain.flags = kMaterialIgnoreVertexColours;
    plain.colour = kGreen;
    auto front = MakeQuad(10, 10, 30, 30, kRed);
    renderer->DrawMesh(front.get(), &plain);
    ExpectPixel(25, 25, kGreen); // the material's colour, not the vertices'

    // Wound away from the viewer: culled unless the material is two-sided.
    cMaterial culled;
    auto back = MakeQuad(50, 10, 30, 30, kRed, true);
    renderer->DrawMesh(back.get(), &culled);
    ExpectPixel(65, 25, kBlack);
    cMaterial twoSided;
    twoSided.flags = kMaterialTwoSided;
    renderer->DrawMesh(back.get(), &twoSided);
    ExpectPixel(65, 25, kRed);

    // Lines: the indices in pairs; no triangles counted.
    gTriangleCount = 0;
    cMaterial lines;
    lines.flags = kMaterialLines | kMaterialTwoSided;
    auto edge = MakeQuad(100.5f, 10.5f, 40, 40, kYellow);
    edge->indices = {0, 1, 0, 2, 0, 0};
    edge->indexCount = 4;
    renderer->DrawMesh(edge.get(), &lines);
    ExpectPixel(120, 10, kYellow);
    ExpectPixel(120, 30, kBlack);
    EXPECT_EQ(gTriangleCount, 0u);
    renderer->DrawMesh(front.get(), &plain);
    EXPECT_EQ(gTriangleCount, 2u);

    // An index count past the array draws what is there and no more.
    front->indexCount = 600;
    renderer->DrawMesh(front.get(), &plain);
    EXPECT_EQ(gTriangleCount, 4u);
    // An index past the vertex array: the mesh is not drawn at all.
    tvtest::GLCounting counting;
    front->indices[4] = 4;
    renderer->DrawMesh(front.get(), &plain);
    EXPECT_EQ(counting.Count(eGLFunction::DrawElements), 0u);
    EXPECT_EQ(gTriangleCount, 4u);
    std::unique_ptr<cMesh> empty = std::make_unique<cMesh>(0, 6, 0x400D);
    renderer->DrawMesh(empty.get(), &plain);
    renderer->DrawMesh(nullptr, &plain);
    renderer->DrawMesh(front.get(), nullptr);
    EXPECT_EQ(counting.Count(eGLFunction::DrawElements), 0u);
}

namespace
{
// A 3 x 2 picture: red, green, blue over white, black, yellow (or grey levels for the
// luminance formats), in each uploadable format. Three pixels a row: rows of RGB,
// luminance and luminance-alpha data are not 4-byte multiples.
struct FormatCase
{
    uint32_t format;
    std::vector<uint8_t> bytes;
    uint32_t expected[6];
};

std::vector<FormatCase> FormatCases()
{
    auto word = [](uint16_t w) { return std::vector<uint8_t>{uint8_t(w), uint8_t(w >> 8)}; };
    auto cat = [](std::initializer_list<std::vector<uint8_t>> parts) {
        std::vector<uint8_t> all;
        for (const auto& p : parts)
            all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    const uint32_t colours[6] = {kRed, kGreen, kBlue, kWhite, kBlack, kYellow};
    std::vector<FormatCase> cases;
    cases.push_back({kFormatRGBA8888,
                     {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255, 0, 0, 0, 255, 255, 255, 0,
                      255},
                     {}});
    cases.push_back({kFormatRGB888, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 255, 0}, {}});
    cases.push_back({kFormatBGRA8888,
                     {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 255, 255, 255, 255, 0, 0, 0, 255, 0, 255, 255,
                      255},
                     {}});
    cases.push_back({kFormatRGB565,
                     cat({word(0xF800), word(0x07E0), word(0x001F), word(0xFFFF), word(0x0000), word(0xFFE0)}),
                     {}});
    cases.push_back({kFormatRGBA5551,
                     cat({word(0xF801), word(0x07C1), word(0x003F), word(0xFFFF), word(0x0001), word(0xFFC1)}),
                     {}});
    for (auto& c : cases)
        std::copy(colours, colours + 6, c.expected);
    cases.push_back({kFormatL8, {0, 128, 255, 64, 192, 32}, {}});
    const uint8_t grey[6] = {0, 128, 255, 64, 192, 32};
    for (int i = 0; i < 6; ++i)
        cases.back().expected[i] = Rgba(grey[i], grey[i], grey[i], 255);
    cases.push_back({kFormatLA88, {0, 255, 128, 200, 255, 100, 64, 50, 192, 255, 32, 0}, {}});
    for (int i = 0; i < 6; ++i)
        cases.back().expected[i] = Rgba(cases.back().bytes[i * 2], cases.back().bytes[i * 2], cases.back().bytes[i * 2],
                                        cases.back().bytes[i * 2 + 1]);
    return cases;
}
} // namespace

TEST_F(RendererOGL, TexturesOfEveryFormatShowTheirPixels)
{
    int row = 0;
    for (const FormatCase& c : FormatCases())
    {
        SCOPED_TRACE(c.format);
        cSurface surface(3, 2, c.format);
        ASSERT_EQ(surface.size, c.bytes.size());
        std::memcpy(surface.GetPixels(), c.bytes.data(), c.bytes.size());
        cImage* image = MakeImage(surface, kTextureClamp);
        ASSERT_NE(image->texture, 0u);

        renderer->ResetRenderState();
        ClearTo(Rgba(1, 2, 3, 4));
        cMaterial material;
        material.textures[0] = image;
        // Surface row 0 at the top: v runs 0 at the top to 1 at the bottom.
        const float top = float(row * 100);
        auto quad = MakeQuad(0, top, 120, 80, kWhite);
        renderer->DrawMesh(quad.get(), &material);
        for (int i = 0; i < 6; ++i)
            ExpectPixel(20 + 40 * (i % 3), int(top) + 20 + 40 * (i / 3), c.expected[i]);
        ++row;
    }
}

TEST_F(RendererOGL, FilterAndClampFlags)
{
    // Two pixels, black and white: nearest keeps the edge hard, linear blends it; repeat
    // wraps the far edge into the near one, clamp does not.
    cSurface surface(2, 1, kFormatRGBA8888);
    const uint8_t bytes[8] = {0, 0, 0, 255, 255, 255, 255, 255};
    std::memcpy(surface.GetPixels(), bytes, 8);
    struct Case
    {
        uint32_t flags;
        bool blendsInside;
        bool wrapsAtEdge;
    } cases[] = {{0, false, false}, {kTextureLinear, true, true}, {kTextureLinear | kTextureClamp, true, false},
                 {kTextureTrilinear | kTextureClampU, true, false}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.flags);
        cImage* image = MakeImage(surface, c.flags);
        cMaterial material;
        material.textures[0] = image;
        ClearTo(kBlue);
        auto quad = MakeQuad(0, 0, 200, 10, kWhite);
        renderer->DrawMesh(quad.get(), &material);
        const uint32_t middle = Pixel(100, 5);
        const int grey = int(middle & 0xFF);
        if (c.blendsInside)
            EXPECT_NEAR(grey, 128, 10);
        else
            EXPECT_TRUE(grey < 3 || grey > 252) << Hex(middle);
        const int atLeft = int(Pixel(0, 5) & 0xFF);
        if (c.wrapsAtEdge)
            EXPECT_GT(atLeft, 40); // the white pixel wraps in
        else
            EXPECT_LT(atLeft, 3);
    }
}

TEST_F(RendererOGL, MipLevelsAreAllUploaded)
{
    // 8 x 4 with three mip levels: 8x4, 4x2, 2x1, 1x1 (32 + 8 + 2 + 1 pixels).
    cSurface surface;
    ASSERT_TRUE(surface.Allocate(kFormatRGBA8888, 8, 4));
    delete[] surface.pixels;
    const uint32_t pixels = 32 + 8 + 2 + 1;
    surface.pixels = new uint8_t[pixels * 4]();
    surface.size = pixels * 4;
    surface.mipCount = 3;
    std::vector<std::pair<int, int>> sizes;
    {
        static std::vector<std::pair<int, int>>* seen = nullptr;
        seen = &sizes;
        static tvtest::GLCounting* counting = nullptr;
        tvtest::GLCounting local;
        counting = &local;
        local.table.TexImage2D = [](GLenum target, GLint level, GLint internal, GLsizei w, GLsizei h, GLint border,
                                    GLenum format, GLenum type, const void* data) {
            seen->push_back({w, h});
            counting->Real().TexImage2D(target, level, internal, w, h, border, format, type, data);
        };
        cImage* image = MakeImage(surface, kTextureTrilinear);
        EXPECT_NE(image->texture, 0u);
        counting = nullptr;
    }
    const std::vector<std::pair<int, int>> expected = {{8, 4}, {4, 2}, {2, 1}, {1, 1}};
    EXPECT_EQ(sizes, expected);

    // Data that stops short of the last level: the chain ends with what is there and
    // the texture stays complete.
    surface.size = (32 + 8) * 4;
    sizes.clear();
    cImage* shorter = MakeImage(surface, kTextureTrilinear);
    EXPECT_NE(shorter->texture, 0u);
    GL().BindTexture(GL_TEXTURE_2D, shorter->texture);
    GLint maxLevel = 0;
    GL().GetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, &maxLevel);
    GL().BindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(maxLevel, 1);
}

TEST_F(RendererOGL, CompressedPicturesAreDecodedInSoftware)
{
    // 8 x 8 at 4 bits a pixel: a 2 x 2 grid of blocks, all opaque red in both colours.
    cSurface surface;
    surface.format = kFormatPVRTC4;
    surface.width = 8;
    surface.height = 8;
    surface.size = 4 * 8;
    surface.pixels = new uint8_t[surface.size];
    for (uint32_t block = 0; block < 4; ++block)
    {
        const uint32_t modulation = 0x55555555u, colours = 0xFC00FC00u;
        std::memcpy(surface.pixels + block * 8, &modulation, 4);
        std::memcpy(surface.pixels + block * 8 + 4, &colours, 4);
    }
    cImage* image = MakeImage(surface, 0);
    ASSERT_NE(image->texture, 0u);
    DrawImageOnBlack(image, 64);
    ExpectPixel(32, 32, kRed);
}

TEST_F(RendererOGL, TexturesThatCannotBeMadeLeakNoName)
{
    tvtest::GLCounting counting;
    cSurface palette(4, 4, kFormatPalette8);
    EXPECT_EQ(renderer->CreateTexture(&palette, 0), 0u);
    cSurface none;
    EXPECT_EQ(renderer->CreateTexture(&none, 0), 0u);
    cSurface odd(4, 4, kFormatRGBA8888);
    odd.format = 99;
    EXPECT_EQ(renderer->CreateTexture(&odd, 0), 0u);
    EXPECT_EQ(renderer->CreateTexture(nullptr, 0), 0u);
    cSurface huge;
    huge.format = kFormatRGBA8888;
    huge.width = 4096;
    huge.height = 1;
    huge.size = 4;
    huge.pixels = new uint8_t[4]();
    EXPECT_EQ(renderer->CreateTexture(&huge, 0), 0u); // beyond the texture-size limit
    EXPECT_EQ(counting.Count(eGLFunction::GenTextures), 0u);
    EXPECT_EQ(counting.Count(eGLFunction::TexImage2D), 0u);
}

TEST_F(RendererOGL, TextureCacheAroundCreateAndDelete)
{
    cSurface surface(1, 1, kFormatRGBA8888);
    cImage* a = MakeImage(surface, 0);
    renderer->BindTexture(0, a);
    renderer->BindTexture(1, a);

    // Making a texture empties every unit's cache, and the library agrees: the next bind
    // of the same image binds again.
    cImage* b = MakeImage(surface, 0);
    for (uint32_t u = 0; u < uint32_t(kMaxTextureUnits); ++u)
        EXPECT_EQ(renderer->boundImage[u], nullptr);
    {
        tvtest::GLCounting counting;
        renderer->BindTexture(1, a);
        EXPECT_EQ(counting.Count(eGLFunction::BindTexture), 1u);
    }
    GL().ActiveTexture(GL_TEXTURE0);
    EXPECT_FALSE(GL().IsEnabled(GL_TEXTURE_2D)); // unit 0 is off, as the mirror says

    // Deleting a bound texture leaves no stale entry.
    renderer->BindTexture(0, b);
    renderer->DeleteTexture(b->texture);
    EXPECT_EQ(renderer->boundImage[0], nullptr);
    EXPECT_EQ(renderer->boundImage[1], a);
    b->texture = 0;
    GL().ActiveTexture(GL_TEXTURE0);
    EXPECT_FALSE(GL().IsEnabled(GL_TEXTURE_2D));

    // An image whose texture is made again binds the new name.
    cImage* c = MakeImage(surface, 0);
    renderer->BindTexture(2, c);
    const uint32_t own = c->texture;
    c->texture = a->texture;
    {
        tvtest::GLCounting counting;
        renderer->BindTexture(2, c);
        EXPECT_EQ(counting.Count(eGLFunction::BindTexture), 1u);
    }
    c->texture = own;
}

TEST_F(RendererOGL, TwoTexturesAndTheExtraTexture)
{
    // Unit 0 white, unit 1 half grey (modulated): the result is grey.
    cSurface white(1, 1, kFormatRGBA8888);
    std::memset(white.GetPixels(), 255, 4);
    cSurface grey(1, 1, kFormatRGBA8888);
    const uint8_t g[4] = {128, 128, 128, 255};
    std::memcpy(grey.GetPixels(), g, 4);
    cImage* a = MakeImage(white, 0);
    cImage* b = MakeImage(grey, 0);
    ClearTo(kBlack);
    auto quad = MakeQuad(0, 0, 20, 20, kWhite);
    cMaterial two;
    two.textures[0] = a;
    two.textures[1] = b;
    renderer->DrawMesh(quad.get(), &two);
    ExpectPixel(10, 10, Rgba(128, 128, 128, 255));
    EXPECT_TRUE(renderer->clientStates & kClientTexCoord1);

    // The extra texture goes on the unit after the textured ones, with set 0's coordinates.
    cMaterial extra;
    extra.textures[0] = a;
    extra.extraTexture = b;
    auto second = MakeQuad(30, 0, 20, 20, kWhite);
    renderer->DrawMesh(second.get(), &extra);
    ExpectPixel(40, 10, Rgba(128, 128, 128, 255));
    EXPECT_EQ(renderer->boundImage[1], b);

    // No textures: every unit off, no coordinate arrays.
    cMaterial none;
    renderer->DrawMesh(second.get(), &none);
    EXPECT_EQ(renderer->clientStates & (kClientTexCoord0 | kClientTexCoord1), 0u);
    EXPECT_EQ(renderer->boundImage[0], nullptr);
    EXPECT_EQ(renderer->boundImage[1], nullptr);
}

TEST_F(RendererOGL, OrientationsTurnTheFrame)
{
    // A 200 x 100 red box at the top-left of the turned screen lands, in the unrotated
    // frame buffer (GL rows from the bottom), here:
    struct Case
    {
        int orientation;
        int x0, y0, x1, y1; // GL pixel box
    } cases[] = {
        {0, 0, 620, 200, 720},
        {1, 0, 0, 100, 200},
        {2, 1080, 0, 1280, 100},
        {3, 1180, 520, 1280, 720},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.orientation);
        const bool turned = c.orientation % 2 == 1;
        SetScreenSize(turned ? 720 : 1280, turned ? 1280 : 720);
        renderer->SetScreenOrientation(c.orientation);
        renderer->ResetRenderState();
        Use2DCamera();
        ClearTo(kBlack);
        cMaterial material;
        auto box = MakeQuad(0, 0, 200, 100, kRed);
        renderer->DrawMesh(box.get(), &material);
        auto at = [](int x, int y) { return tvtest::ReadPixel(x, y); };
        EXPECT_TRUE(tvtest::ColoursNear(at((c.x0 + c.x1) / 2, (c.y0 + c.y1) / 2), kRed, kTolerance));
        EXPECT_TRUE(tvtest::ColoursNear(at(c.x0 + 2, c.y0 + 2), kRed, kTolerance));
        EXPECT_TRUE(tvtest::ColoursNear(at(c.x1 - 3, c.y1 - 3), kRed, kTolerance));
        // Just outside the long side of the box.
        const bool wide = (c.x1 - c.x0) > (c.y1 - c.y0);
        const int outX = wide ? (c.x0 == 0 ? c.x1 + 5 : c.x0 - 5) : (c.x0 + c.x1) / 2;
        const int outY = wide ? (c.y0 + c.y1) / 2 : (c.y0 == 0 ? c.y1 + 5 : c.y0 - 5);
        EXPECT_TRUE(tvtest::ColoursNear(at(outX, outY), kBlack, kTolerance)) << outX << "," << outY;

        // The screenshot read-back covers the unrotated frame.
        std::unique_ptr<cSurface> shot(renderer->ReadPixels());
        EXPECT_EQ(shot->GetWidth(), 1280u);
        EXPECT_EQ(shot->GetHeight(), 720u);
        EXPECT_EQ(shot->GetFormat(), kFormatRGB888);
        const uint8_t* p = shot->GetPixels() + (size_t((c.y0 + c.y1) / 2) * 1280 + size_t((c.x0 + c.x1) / 2)) * 3;
        EXPECT_EQ(p[0], 255);
        EXPECT_EQ(p[1], 0);
    }
}

TEST_F(RendererOGL, ScissorTurnsWithTheScreen)
{
    struct Case
    {
        int orientation;
        GLint box[4];
    } cases[] = {
        {0, {10, 720 - 20 - 50, 100, 50}},
        {1, {20, 10, 50, 100}},
        {2, {1280 - 10 - 100, 20, 100, 50}},
        {3, {1280 - 20 - 50, 720 - 10 - 100, 50, 100}},
    };
    for (const Case& c : cases)
    {
        const bool turned = c.orientation % 2 == 1;
        SetScreenSize(turned ? 720 : 1280, turned ? 1280 : 720);
        renderer->SetScreenOrientation(c.orientation);
        renderer->SetScissor(10, 20, 100, 50);
        GLint box[4] = {};
        GL().GetIntegerv(GL_SCISSOR_BOX, box);
        EXPECT_EQ(std::vector<GLint>(box, box + 4), std::vector<GLint>(c.box, c.box + 4)) << c.orientation;
        EXPECT_TRUE(GL().IsEnabled(GL_SCISSOR_TEST));
        EXPECT_EQ(renderer->GetScissorBox()[0], 10);
    }
    renderer->DisableScissor();
    EXPECT_FALSE(GL().IsEnabled(GL_SCISSOR_TEST));
}

TEST_F(RendererOGL, LightingUsesTheLightRecord)
{
    auto mesh = std::make_unique<cMesh>(4, 6, 0x0003);
    const float corners[4][2] = {{0, 0}, {50, 0}, {0, 50}, {50, 50}};
    for (uint32_t i = 0; i < 4; ++i)
    {
        const float v[6] = {corners[i][0], corners[i][1], 0, 0, 0, 1}; // facing +z
        std::memcpy(mesh->PositionPtr(i), v, sizeof v);
    }
    mesh->indices = {0, 2, 1, 1, 2, 3};
    cMaterial lit;
    lit.flags = kMaterialLighting | kMaterialTwoSided;
    lit.colour = kWhite;

    // A light from behind leaves the face dark, already on the draw that turns lighting on.
    cLight light;
    light.diffuse = Rgba(0, 255, 0, 255);
    light.direction = cVec3f(0, 0, 1);
    renderer->SetLight(light);
    ClearTo(kBlue);
    renderer->DrawMesh(mesh.get(), &lit);
    EXPECT_EQ(renderer->lightingOn, 1);
    EXPECT_TRUE(renderer->clientStates & kClientNormal);
    ExpectPixel(25, 25, Rgba(0, 0, 0, 255));

    // Shining into the screen: the diffuse colour.
    light.direction = cVec3f(0, 0, -1);
    renderer->SetLight(light);
    renderer->DrawMesh(mesh.get(), &lit);
    ExpectPixel(25, 25, Rgba(0, 255, 0, 255));

    cMaterial unlit;
    unlit.flags = kMaterialTwoSided;
    unlit.colour = kRed;
    renderer->DrawMesh(mesh.get(), &unlit);
    EXPECT_EQ(renderer->lightingOn, 0);
    EXPECT_FALSE(renderer->clientStates & kClientNormal);
    ExpectPixel(25, 25, kRed);
}

TEST(RendererServices, CreateTurnShootAndDestroyThroughTheSystemHooks)
{
    ASSERT_NE(tvtest::AcquireGLWindow(), nullptr);
    RegisterRendererServices();
    SystemHooks& hooks = GetSystemHooks();
    ASSERT_TRUE(hooks.createRenderer);
    hooks.createRenderer();
    ASSERT_NE(gRenderer, nullptr);
    EXPECT_TRUE(gRenderer->IsKindOf(cRenderer_OGL_1::StaticClassInfo()));

    hooks.applyRendererOrientation(2);
    EXPECT_EQ(gRenderer->screenOrientation, 2);
    EXPECT_EQ(gRenderer->orientation, 2);
    hooks.applyRendererOrientation(0);

    // A frame with a red square at its top-left, written upright.
    gRenderer->ResetRenderState();
    gRenderer->SetClearColour(kBlue);
    gRenderer->Clear(kClearColour);
    cCamera camera;
    camera.SetOrthoRect(0, 720, 1280, 0);
    camera.nearPlane = -1;
    camera.farPlane = 1;
    camera.UpdateProjection();
    gRenderer->SetCamera(camera);
    cMaterial material;
    auto square = MakeQuad(0, 0, 10, 10, kRed);
    gRenderer->DrawMesh(square.get(), &material);
    const std::string path = (tvtest::WorkFolder() / "shot.tga").string();
    ASSERT_TRUE(hooks.writeScreenshot(path));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::vector<uint8_t> bytes(18 + 1280 * 720 * 3 + 16);
    const size_t read = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    ASSERT_EQ(read, 18u + 1280u * 720u * 3u);
    EXPECT_EQ(bytes[16], 24);
    EXPECT_EQ(bytes[17] & 0x20, 0); // rows stored bottom to top, as the header says
    const uint8_t* lastRow = bytes.data() + 18 + size_t(719) * 1280 * 3; // the picture's top row
    EXPECT_EQ(lastRow[2], 255);                                          // red (stored B, G, R)
    EXPECT_EQ(lastRow[0], 0);
    const uint8_t* firstRow = bytes.data() + 18;
    EXPECT_EQ(firstRow[0], 255); // blue background at the bottom
    EXPECT_EQ(firstRow[2], 0);

    // Presenting leaves the mirror true: the renderer resets after it.
    gRenderer->SetRenderState(kRenderStateBlend, true);
    tvtest::AcquireGLWindow()->Present();
    EXPECT_EQ(static_cast<cRenderer_OGL_1*>(gRenderer)->renderStates[kRenderStateBlend], 0);
    EXPECT_FALSE(GL().IsEnabled(GL_BLEND));
    EXPECT_FALSE(GL().IsEnabled(GL_COLOR_ARRAY)); // Present turned it on; the mirror says off
    EXPECT_TRUE(GL().IsEnabled(GL_CULL_FACE));

    hooks.destroyRenderer();
    EXPECT_EQ(gRenderer, nullptr);
    tvtest::AcquireGLWindow()->Present(); // no renderer: the follow-up does nothing
    SetPresentFollowUp(nullptr);

    // No entry points (no context): no renderer rather than one that calls null.
    SetGLFunctions(nullptr);
    hooks.createRenderer();
    EXPECT_EQ(gRenderer, nullptr);
    SetGLFunctions(&DefaultGLFunctions());
    EXPECT_FALSE(hooks.writeScreenshot(path));
    hooks = SystemHooks();
}

TEST_F(RendererOGL, ARenderTargetDrawsUnturnedButTheScissorStillTurns)
{
    // A stand-in target: the window's own off-screen frame buffer, 256 x 128.
    static GLuint targetFramebuffer = 0;
    targetFramebuffer = window->targetFramebuffer;
    GetRendererHooks().targetBinding = [](const cRenderTarget*, uint32_t& framebuffer, int32_t& w, int32_t& h) {
        framebuffer = targetFramebuffer;
        w = 256;
        h = 128;
        return true;
    };
    SetScreenSize(720, 1280);
    renderer->SetScreenOrientation(1);
    auto* target = reinterpret_cast<cRenderTarget*>(uintptr_t(0x1000));
    renderer->PushRenderTarget();
    renderer->BindRenderTarget(target);
    EXPECT_EQ(renderer->orientation, 0);
    GLint viewport[4] = {};
    GL().GetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, 256, 128}));
    renderer->SetScissor(10, 20, 100, 50);
    GLint box[4] = {};
    GL().GetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(std::vector<GLint>(box, box + 4), (std::vector<GLint>{20, 10, 50, 100}));

    // Back to the screen: the screen's turn again, over the whole frame.
    renderer->PopRenderTarget();
    EXPECT_EQ(renderer->GetRenderTarget(), nullptr);
    EXPECT_EQ(renderer->orientation, 1);
    GL().GetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(std::vector<GLint>(viewport, viewport + 4), (std::vector<GLint>{0, 0, 1280, 720}));
    GetRendererHooks().targetBinding = nullptr;
}

// Rendering through the GL device, checked by reading back what Present left in an
// off-screen window: properties that Direct3D 9 guarantees and the saver relies on
// (orientation, pixel centres, lighting equations, blending, depth, culling), not exact
// images.
#include "GLTestDevice.h"

#include <gl/ZarnPresentStretch.h>

#include <cmath>
#include <cstring>

namespace {

D3DMATRIX identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

void setIdentityTransforms(IDirect3DDevice9* device) {
    const D3DMATRIX id = identity();
    device->SetTransform(D3DTS_WORLD, &id);
    device->SetTransform(D3DTS_VIEW, &id);
    device->SetTransform(D3DTS_PROJECTION, &id);
}

// The screen quad the post-processing chain draws: shifted half a pixel left and up.
void screenQuad(QuadVertex (&q)[4], UINT width, UINT height, float z = 0.5f) {
    const float dx = 1.0f / float(width), dy = 1.0f / float(height);
    q[0] = {-1 - dx, -1 + dy, z, 0, 1};
    q[1] = {-1 - dx, 1 + dy, z, 0, 0};
    q[2] = {1 - dx, 1 + dy, z, 1, 0};
    q[3] = {1 - dx, -1 + dy, z, 1, 1};
}

uint32_t rgb(int r, int g, int b) { return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }

}  // namespace

TEST_F(GLDeviceTest, ClearFillsTheBackBufferAndRectanglesStayInside) {
    ASSERT_TRUE(open(16, 8));
    EXPECT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF336699, 1.0f, 0));
    RECT corner = {12, 0, 16, 4};
    EXPECT_EQ(D3D_OK, device->Clear(1, &corner, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0));
    Image image = present();
    ASSERT_EQ(16, image.width);
    EXPECT_EQ(0xFF336699u, image.at(0, 0));
    EXPECT_EQ(0xFF336699u, image.at(11, 7));
    // Rectangles are in Direct3D's coordinates: top right is the top right of the picture.
    EXPECT_EQ(0xFFFF0000u, image.at(15, 0));
    EXPECT_EQ(0xFF336699u, image.at(15, 4));
    if (HasFailure()) saveImage(image, "clear");
}

TEST_F(GLDeviceTest, ScreenQuadLandsEveryTexelOnItsPixelTopRowFirst) {
    const UINT w = 8, h = 8;
    ASSERT_TRUE(open(w, h));
    std::vector<uint32_t> texels(w * h);
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x) texels[y * w + x] = ((x + y) & 1) ? rgb(255, 255, 255) : rgb(0, 0, 0);
    texels[0] = rgb(255, 0, 0);  // top-left texel marks the orientation
    IDirect3DTexture9* texture = makeTexture(w, h, texels);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    device->SetTexture(0, texture);
    setIdentityTransforms(device);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
    QuadVertex quad[4];
    screenQuad(quad, w, h);
    drawQuad(quad);
    Image image = present();
    // With linear filtering a texel off its pixel centre would blend into grey.
    for (UINT y = 0; y < h; ++y)
        for (UINT x = 0; x < w; ++x)
            EXPECT_TRUE(near(image.at(int(x), int(y)), texels[y * w + x], 8)) << "pixel " << x << "," << y;
    if (HasFailure()) saveImage(image, "pixel_centres");
}

TEST_F(GLDeviceTest, LitQuadHasDirect3DFixedFunctionColour) {
    ASSERT_TRUE(open(16, 16));
    D3DMATERIAL9 material{};
    material.Diffuse = {0.8f, 0.6f, 0.4f, 1.0f};
    material.Ambient = {0.5f, 0.5f, 0.5f, 1.0f};
    material.Specular = {1.0f, 1.0f, 1.0f, 1.0f};
    material.Emissive = {0.05f, 0.0f, 0.1f, 1.0f};
    material.Power = 8.0f;
    D3DLIGHT9 light{};
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {0.9f, 0.9f, 0.7f, 1.0f};
    light.Specular = {0.5f, 0.5f, 0.5f, 1.0f};
    light.Ambient = {0.1f, 0.1f, 0.1f, 1.0f};
    const float d[3] = {1.0f, -1.0f, 2.0f};  // not normalised: Direct3D normalises it
    light.Direction = {d[0], d[1], d[2]};
    device->SetMaterial(&material);
    device->SetLight(0, &light);
    device->LightEnable(0, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, D3DCOLOR_XRGB(0x20, 0x20, 0x20));
    device->SetRenderState(D3DRS_SPECULARENABLE, TRUE);
    // A tiny quad around the view axis, magnified by the projection, so every vertex sees
    // (nearly) the same half vector and the colour is flat.
    setIdentityTransforms(device);
    D3DMATRIX projection = identity();
    projection._11 = projection._22 = 100.0f;
    device->SetTransform(D3DTS_PROJECTION, &projection);
    const float s = 0.011f, z = 0.5f;
    const LitVertex quad[4] = {{-s, -s, z, 0, 0, -1, 0, 0}, {-s, s, z, 0, 0, -1, 0, 0},
                               {s, s, z, 0, 0, -1, 0, 0},   {s, -s, z, 0, 0, -1, 0, 0}};
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    drawLit(quad, 4, D3DPT_TRIANGLEFAN, 2);
    Image image = present();

    const float length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    const float l[3] = {-d[0] / length, -d[1] / length, -d[2] / length};
    const float nDotL = -l[2];  // N = (0, 0, −1)
    float hv[3] = {l[0], l[1], l[2] - 1.0f};  // L + V with V = −normalize(P) = (0, 0, −1)
    const float hl = std::sqrt(hv[0] * hv[0] + hv[1] * hv[1] + hv[2] * hv[2]);
    const float nDotH = -hv[2] / hl;
    const float ambient = 0x20 / 255.0f;
    const float specularTerm = std::pow(nDotH, material.Power);
    const float* md = &material.Diffuse.r;
    const float* ma = &material.Ambient.r;
    const float* me = &material.Emissive.r;
    const float* ld = &light.Diffuse.r;
    const float* la = &light.Ambient.r;
    const float* ls = &light.Specular.r;
    int expected[3];
    for (int c = 0; c < 3; ++c) {
        float colour = me[c] + ma[c] * (ambient + la[c]) + md[c] * ld[c] * std::fmax(nDotL, 0.0f);
        colour = std::fmin(colour, 1.0f) + std::fmin(material.Specular.r * ls[c] * specularTerm, 1.0f);
        expected[c] = int(std::lround(std::fmin(colour, 1.0f) * 255.0f));
    }
    const uint32_t centre = image.at(8, 8);
    EXPECT_TRUE(near(centre, rgb(expected[0], expected[1], expected[2]), 3))
        << std::hex << centre << " expected " << std::dec << expected[0] << "," << expected[1] << "," << expected[2];

    // Without D3DRS_SPECULARENABLE the highlight goes.
    device->SetRenderState(D3DRS_SPECULARENABLE, FALSE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    drawLit(quad, 4, D3DPT_TRIANGLEFAN, 2);
    Image plain = present();
    const float g = ma[1] * (ambient + la[1]) + md[1] * ld[1] * nDotL + me[1];
    EXPECT_NEAR(green(plain.at(8, 8)), std::lround(std::fmin(g, 1.0f) * 255.0f), 3);
    if (HasFailure()) saveImage(image, "lit_quad");
}

TEST_F(GLDeviceTest, TextureTransformCount2TakesTranslationFromThirdRow) {
    ASSERT_TRUE(open(8, 8));
    IDirect3DTexture9* texture = makeTexture(2, 1, {rgb(255, 0, 0), rgb(0, 255, 0)});
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetTexture(0, texture);
    setIdentityTransforms(device);
    D3DMATRIX scroll = identity();
    scroll._31 = 0.5f;  // u += 0.5 for (u, v, 1, 0)
    device->SetTransform(D3DTS_TEXTURE0, &scroll);
    QuadVertex quad[4];
    screenQuad(quad, 8, 8);

    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    drawQuad(quad);
    Image still = present();
    EXPECT_EQ(rgb(255, 0, 0), still.at(1, 4)) << "the transform applies only with D3DTTFF_COUNT2";

    device->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    drawQuad(quad);
    Image scrolled = present();
    EXPECT_EQ(rgb(0, 255, 0), scrolled.at(1, 4));
    EXPECT_EQ(rgb(255, 0, 0), scrolled.at(6, 4));
    if (HasFailure()) saveImage(scrolled, "texture_transform");
}

TEST_F(GLDeviceTest, AlphaBlendingMixesWithTheTarget) {
    ASSERT_TRUE(open(8, 8));
    D3DMATERIAL9 material{};
    material.Diffuse = {0, 0, 0, 0.5f};
    material.Emissive = {1, 0, 0, 1};
    device->SetMaterial(&material);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    setIdentityTransforms(device);
    const LitVertex quad[4] = {{-1, -1, 0.5f, 0, 0, -1, 0, 0}, {-1, 1, 0.5f, 0, 0, -1, 0, 0},
                               {1, 1, 0.5f, 0, 0, -1, 0, 0},   {1, -1, 0.5f, 0, 0, -1, 0, 0}};
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
    drawLit(quad, 4, D3DPT_TRIANGLEFAN, 2);
    Image image = present();
    EXPECT_TRUE(near(image.at(4, 4), rgb(128, 0, 128), 2)) << std::hex << image.at(4, 4);
    if (HasFailure()) saveImage(image, "alpha_blend");
}

TEST_F(GLDeviceTest, DepthTestKeepsTheNearerSurfaceUnlessDisabled) {
    ASSERT_TRUE(open(8, 8));
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    setIdentityTransforms(device);
    IDirect3DTexture9* redTex = makeTexture(1, 1, {rgb(255, 0, 0)});
    IDirect3DTexture9* greenTex = makeTexture(1, 1, {rgb(0, 255, 0)});
    QuadVertex nearQuad[4], farQuad[4];
    screenQuad(nearQuad, 8, 8, 0.2f);
    screenQuad(farQuad, 8, 8, 0.8f);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->SetTexture(0, redTex);
    drawQuad(nearQuad);
    device->SetTexture(0, greenTex);
    drawQuad(farQuad);
    Image tested = present();
    EXPECT_EQ(rgb(255, 0, 0), tested.at(4, 4));

    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    drawQuad(farQuad);
    Image untested = present();
    EXPECT_EQ(rgb(0, 255, 0), untested.at(4, 4));
    if (HasFailure()) saveImage(tested, "depth");
}

TEST_F(GLDeviceTest, DefaultCullingDropsCounterClockwiseTriangles) {
    ASSERT_TRUE(open(8, 8));
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    setIdentityTransforms(device);
    // Clockwise on screen (y up in clip space): top-left, top-right, bottom-left.
    const QuadVertex clockwise[3] = {{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 0, 0}, {-1, -1, 0.5f, 0, 0}};
    const QuadVertex counter[3] = {{-1, 1, 0.5f, 0, 0}, {-1, -1, 0.5f, 0, 0}, {1, 1, 0.5f, 0, 0}};
    auto draw = [&](const QuadVertex* v) {
        IDirect3DVertexBuffer9* buffer = makeBuffer(v, sizeof(QuadVertex) * 3);
        device->SetVertexDeclaration(quadDecl);
        device->SetStreamSource(0, buffer, 0, sizeof(QuadVertex));
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
    };
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    draw(counter);
    EXPECT_EQ(rgb(0, 0, 0), present().at(1, 1)) << "counter-clockwise is culled by default";
    draw(clockwise);
    EXPECT_EQ(rgb(255, 255, 255), present().at(1, 1));

    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
    draw(clockwise);
    EXPECT_EQ(rgb(0, 0, 0), present().at(1, 1));
    draw(counter);
    EXPECT_EQ(rgb(255, 255, 255), present().at(1, 1));
}

TEST_F(GLDeviceTest, PresentStretchesTheBackBufferOverAWiderWindow) {
    // 80 × 45 over 128 × 72: the saver's 800-wide back buffer over a 1280-wide screen, scaled.
    ASSERT_TRUE(open(80, 45, D3DMULTISAMPLE_NONE, 128, 72));
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, rgb(255, 0, 0), 1.0f, 0);
    RECT right = {40, 0, 80, 45};
    device->Clear(1, &right, D3DCLEAR_TARGET, rgb(0, 255, 0), 1.0f, 0);
    RECT bottomLeft = {0, 30, 40, 45};
    device->Clear(1, &bottomLeft, D3DCLEAR_TARGET, rgb(0, 0, 255), 1.0f, 0);
    RECT dest = {0, 0, 128, 72};
    Image image = present(&dest);
    ASSERT_EQ(128, image.width);
    ASSERT_EQ(72, image.height);
    EXPECT_EQ(rgb(255, 0, 0), image.at(2, 2));
    EXPECT_EQ(rgb(255, 0, 0), image.at(60, 40));
    EXPECT_EQ(rgb(0, 255, 0), image.at(68, 2));
    EXPECT_EQ(rgb(0, 255, 0), image.at(127, 71));
    EXPECT_EQ(rgb(0, 0, 255), image.at(2, 71));
    EXPECT_EQ(rgb(0, 0, 255), image.at(60, 52));
    if (HasFailure()) saveImage(image, "present_stretch");
}

TEST_F(GLDeviceTest, CpuStretchDrawsWhatTheDriversStretchDraws) {
    // An odd ratio and a picture of random colours, over the whole window and over a
    // rectangle inside it: the CPU's stretch must match the driver's GL_LINEAR within a step
    // a channel (llvmpipe's is matched exactly).
    const UINT w = 77, h = 43;
    ASSERT_TRUE(open(w, h, D3DMULTISAMPLE_NONE, 128, 72));
    std::vector<uint32_t> texels(w * h);
    uint32_t seed = 12345;
    for (uint32_t& t : texels) t = 0xFF000000u | ((seed = seed * 1664525u + 1013904223u) >> 8);
    IDirect3DTexture9* texture = makeTexture(w, h, texels);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    setIdentityTransforms(device);
    const auto presented = [&](BOOL onCpu, const RECT& dest) {
        EXPECT_TRUE(ZarnStretchPresentsOnCpu(device, onCpu));
        device->SetTexture(0, texture);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        QuadVertex quad[4];
        screenQuad(quad, w, h);
        drawQuad(quad);
        return present(&dest);
    };
    for (const RECT& dest : {RECT{0, 0, 128, 72}, RECT{10, 5, 120, 70}}) {
        const Image driver = presented(FALSE, dest), cpu = presented(TRUE, dest);
        ASSERT_EQ(driver.pixels.size(), cpu.pixels.size());
        int differing = 0;
        for (size_t i = 0; i < cpu.pixels.size(); ++i) differing += !near(cpu.pixels[i], driver.pixels[i], 1);
        EXPECT_EQ(0, differing) << "over " << dest.right - dest.left << " x " << dest.bottom - dest.top;
        if (HasFailure()) saveImage(cpu, "cpu_stretch"), saveImage(driver, "driver_stretch");
    }
}

// Pixels from the real GL back end: the shadow of a box on a plane behind it, the plane with
// shadows off, and the glow the post chain spreads around a bright spot, with and without
// multisampling.
#include "GLRenderFixture.h"

#include <cstdlib>

namespace {

class RenderPixels : public GLRenderFixture {
protected:
    // (1.2, -1.2, 2) lies in the shadow and is visible past the box; (-1.2, 1.2, 2) and
    // (1.2, -2.9, 2) are lit plane points, one on each side of the shadow.
    const D3DXVECTOR3 shadowed{1.2f, -1.2f, 2.0f};
    const D3DXVECTOR3 litUpperLeft{-1.2f, 1.2f, 2.0f};
    const D3DXVECTOR3 litBelow{1.2f, -2.9f, 2.0f};

    // Black frame with a white square of `side` pixels whose top-left corner is (x, y),
    // drawn through the fixed-function pipeline with lighting off.
    Picture brightSpotFrame(int x, int y, int side) {
        const float w = float(saverState.presentParams.BackBufferWidth);
        const float h = float(saverState.presentParams.BackBufferHeight);
        // Direct3D 9 puts pixel centres on whole coordinates, so the square's edges go half a
        // pixel outside its first and last pixel centres and never through one.
        auto nx = [&](float px) { return (px - 0.5f) / w * 2 - 1; };
        auto ny = [&](float py) { return 1 - (py - 0.5f) / h * 2; };
        struct V {
            float x, y, z, u, v;
        } quad[4] = {{nx(x), ny(y + side), 0.5f, 0, 1},
                     {nx(x), ny(y), 0.5f, 0, 0},
                     {nx(x + side), ny(y), 0.5f, 1, 0},
                     {nx(x + side), ny(y + side), 0.5f, 1, 1}};
        IDirect3DVertexBuffer9* buffer = makeBuffer(quad, sizeof quad);
        D3DXMATRIX identity;
        D3DXMatrixIdentity(&identity);
        screenFX.redirectFrame();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
        device->SetTransform(D3DTS_WORLD, &identity);
        device->SetTransform(D3DTS_VIEW, &identity);
        device->SetTransform(D3DTS_PROJECTION, &identity);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetTexture(0, nullptr);
        device->SetVertexDeclaration(Mesh::screenQuadDecl);
        device->SetStreamSource(0, buffer, 0, sizeof(V));
        device->DrawPrimitive(D3DPT_TRIANGLEFAN, 0, 2);
        device->EndScene();
        screenFX.applyEffects();
        device->Present(nullptr, nullptr, nullptr, nullptr);
        return presented();
    }

    void expectGlowAround(const Picture& post, const Picture& plain, int x, int y, int side) {
        ASSERT_EQ(post.width, plain.width);
        ASSERT_EQ(post.height, plain.height);
        // The spot itself stays where it was, full white, and its edge stays sharp.
        for (int py = y; py < y + side; ++py) {
            for (int px = x; px < x + side; ++px) EXPECT_GE(post.brightness(px, py), 250.0) << px << "," << py;
        }
        EXPECT_GE(plain.brightness(x, y), 250.0);
        EXPECT_LT(post.brightness(x - 2, y + side / 2), 200.0);
        // Around it, where the plain frame is black, the glow has spread.
        for (int d : {3, 6}) {
            EXPECT_EQ(plain.brightness(x - d, y + side / 2), 0.0);
            EXPECT_GT(post.brightness(x - d, y + side / 2), 8.0) << "left, " << d << " px out";
            EXPECT_GT(post.brightness(x + side - 1 + d, y + side / 2), 8.0) << "right, " << d << " px out";
            EXPECT_GT(post.brightness(x + side / 2, y - d), 8.0) << "above, " << d << " px out";
            EXPECT_GT(post.brightness(x + side / 2, y + side - 1 + d), 8.0) << "below, " << d << " px out";
        }
        // ... and faded out far away.
        EXPECT_LT(post.brightness(4, 4), 2.0);
        if (HasFailure() || std::getenv("ZARN_SAVE_PICTURES")) {
            savePicture(post, "render_glow_post");
            savePicture(plain, "render_glow_plain");
        }
    }
};

}  // namespace

TEST_F(RenderPixels, ABoxShadowsThePlaneBehindItOnlyWhereItsShadowFalls) {
    ASSERT_TRUE(open(160, 120));
    saverState.settings.EnableFilters = false;
    makeMaterial();
    std::vector<DrawItem> scene = planeAndBox();

    ASSERT_TRUE(initShadowMaps(device));
    ASSERT_TRUE(shadowsAvailable);
    selectShadowMap(true);
    Picture on = renderFrame(scene, true);

    releaseShadowMaps();
    ASSERT_TRUE(initShadowMaps(device));
    selectShadowMap(false);
    Picture off = renderFrame(scene, false);

    double inShadowOn = brightnessAt(on, shadowed), inShadowOff = brightnessAt(off, shadowed);
    EXPECT_GT(inShadowOff, 40.0) << "the plane is lit there without shadows";
    EXPECT_LT(inShadowOn, inShadowOff * 0.6) << "the shadow darkens the plane";
    for (D3DXVECTOR3 lit : {litUpperLeft, litBelow}) {
        EXPECT_NEAR(brightnessAt(on, lit), brightnessAt(off, lit), 3.0) << "no shadow away from the box";
        EXPECT_GT(brightnessAt(on, lit), 40.0);
    }
    // Without shadows the plane is lit evenly: no dark patch where the shadow would be.
    EXPECT_NEAR(inShadowOff, brightnessAt(off, litBelow), inShadowOff * 0.25);
    if (HasFailure() || std::getenv("ZARN_SAVE_PICTURES")) {
        savePicture(on, "render_shadow_on");
        savePicture(off, "render_shadow_off");
    }
}

TEST_F(RenderPixels, WithShadowsOffNoShadowPassRuns) {
    ASSERT_TRUE(open(160, 120));
    saverState.settings.EnableFilters = false;
    makeMaterial();
    std::vector<DrawItem> scene = planeAndBox();
    ASSERT_TRUE(initShadowMaps(device));
    selectShadowMap(false);
    renderFrame(scene, false);
    for (int i = 0; i < 16; ++i) EXPECT_EQ((&matLightViewProj.m[0][0])[i], 0.0f);
}

TEST_F(RenderPixels, ThePostChainSpreadsAGlowAroundABrightSpotAndKeepsTheFrame) {
    ASSERT_TRUE(open(128, 96));
    saverState.settings.EnableFilters = false;
    Picture plain = brightSpotFrame(60, 44, 8);
    saverState.settings.EnableFilters = true;
    screenFX.createResources(device);
    ASSERT_TRUE(screenFX.available);
    Picture post = brightSpotFrame(60, 44, 8);
    expectGlowAround(post, plain, 60, 44, 8);
}

TEST_F(RenderPixels, WithFourSamplesTheFrameIsResolvedBeforeTheChain) {
    ASSERT_TRUE(open(128, 96, D3DMULTISAMPLE_4_SAMPLES));
    saverState.settings.EnableFilters = false;
    Picture plain = brightSpotFrame(60, 44, 8);
    saverState.settings.EnableFilters = true;
    screenFX.createResources(device);
    ASSERT_TRUE(screenFX.available);
    ASSERT_NE(screenFX.sceneMSTarget, nullptr);
    Picture post = brightSpotFrame(60, 44, 8);
    expectGlowAround(post, plain, 60, 44, 8);
}

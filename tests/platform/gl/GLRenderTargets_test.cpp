// Render targets on the GL device: orientation of rendered textures, multisample resolve,
// R16F targets, the automatic depth buffer with targets of other sizes, and the reference
// counts that GetRenderTarget and GetSurfaceLevel add.
#include "GLTestDevice.h"

#include <cstring>

namespace {

D3DMATRIX identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

void screenQuad(QuadVertex (&q)[4], UINT width, UINT height, float z = 0.5f) {
    const float dx = 1.0f / float(width), dy = 1.0f / float(height);
    q[0] = {-1 - dx, -1 + dy, z, 0, 1};
    q[1] = {-1 - dx, 1 + dy, z, 0, 0};
    q[2] = {1 - dx, 1 + dy, z, 1, 0};
    q[3] = {1 - dx, -1 + dy, z, 1, 1};
}

uint32_t rgb(int r, int g, int b) { return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }

}  // namespace

class GLTargetTest : public GLDeviceTest {
protected:
    void prepare() {
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        const D3DMATRIX id = identity();
        device->SetTransform(D3DTS_WORLD, &id);
        device->SetTransform(D3DTS_VIEW, &id);
        device->SetTransform(D3DTS_PROJECTION, &id);
    }
    IDirect3DTexture9* renderTexture(UINT w, UINT h, D3DFORMAT format) {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(D3D_OK,
                  device->CreateTexture(w, h, 1, D3DUSAGE_RENDERTARGET, format, D3DPOOL_DEFAULT, &texture, nullptr));
        if (texture) owned.push_back(texture);
        return texture;
    }
    // Draws the texture over the whole back buffer, texel for pixel.
    Image showTexture(IDirect3DBaseTexture9* texture, UINT w, UINT h) {
        device->SetTexture(0, texture);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        QuadVertex quad[4];
        screenQuad(quad, w, h);
        drawQuad(quad);
        device->SetTexture(0, nullptr);
        return present();
    }
};

TEST_F(GLTargetTest, RenderedTextureKeepsItsTopAtVZero) {
    ASSERT_TRUE(open(8, 8));
    prepare();
    IDirect3DTexture9* target = renderTexture(8, 8, D3DFMT_A8R8G8B8);
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(D3D_OK, target->GetSurfaceLevel(0, &surface));
    IDirect3DSurface9* backBuffer = nullptr;
    ASSERT_EQ(D3D_OK, device->GetRenderTarget(0, &backBuffer));
    ASSERT_EQ(D3D_OK, device->SetRenderTarget(0, surface));
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    // White over the upper half of the target (clip-space y from 0 to 1).
    const QuadVertex upper[4] = {{-1, 0, 0.5f, 0, 0}, {-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 0, 0}, {1, 0, 0.5f, 0, 0}};
    drawQuad(upper);
    ASSERT_EQ(D3D_OK, device->SetRenderTarget(0, backBuffer));
    D3DVIEWPORT9 viewport{};
    device->GetViewport(&viewport);
    EXPECT_EQ(8u, viewport.Width) << "the viewport follows the render target";

    Image image = showTexture(target, 8, 8);
    EXPECT_EQ(rgb(255, 255, 255), image.at(3, 1));
    EXPECT_EQ(rgb(0, 0, 0), image.at(3, 6));
    if (HasFailure()) saveImage(image, "render_to_texture");
    surface->Release();
    backBuffer->Release();
}

TEST_F(GLTargetTest, MultisampledTargetsResolveWithStretchRect) {
    ASSERT_TRUE(open(16, 16, D3DMULTISAMPLE_4_SAMPLES));
    prepare();
    IDirect3DSurface9* msTarget = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateRenderTarget(16, 16, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_4_SAMPLES, 0, FALSE,
                                                 &msTarget, nullptr));
    owned.push_back(msTarget);
    IDirect3DTexture9* resolved = renderTexture(16, 16, D3DFMT_A8R8G8B8);
    IDirect3DSurface9* resolvedSurface = nullptr;
    ASSERT_EQ(D3D_OK, resolved->GetSurfaceLevel(0, &resolvedSurface));
    IDirect3DSurface9* backBuffer = nullptr;
    device->GetRenderTarget(0, &backBuffer);

    ASSERT_EQ(D3D_OK, device->SetRenderTarget(0, msTarget));
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    // A clockwise triangle whose slanted edge cuts through pixels rather than their corners.
    const QuadVertex triangle[3] = {{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 0, 0}, {-1, -0.7f, 0.5f, 0, 0}};
    IDirect3DVertexBuffer9* buffer = makeBuffer(triangle, sizeof(triangle));
    device->SetVertexDeclaration(quadDecl);
    device->SetStreamSource(0, buffer, 0, sizeof(QuadVertex));
    ASSERT_EQ(D3D_OK, device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1));
    ASSERT_EQ(D3D_OK, device->StretchRect(msTarget, nullptr, resolvedSurface, nullptr, D3DTEXF_POINT));
    device->SetRenderTarget(0, backBuffer);

    Image image = showTexture(resolved, 16, 16);
    int partial = 0;
    for (uint32_t pixel : image.pixels)
        if (red(pixel) > 0 && red(pixel) < 255) ++partial;
    EXPECT_GT(partial, 8) << "pixels on the diagonal edge carry coverage, not all-or-nothing";
    EXPECT_EQ(rgb(255, 255, 255), image.at(1, 1));
    EXPECT_EQ(rgb(0, 0, 0), image.at(14, 14));
    if (HasFailure()) saveImage(image, "multisample_resolve");
    resolvedSurface->Release();
    backBuffer->Release();
}

TEST_F(GLTargetTest, R16FTargetClearedToOneReadsOneAndSamplesAsROneOneOne) {
    ASSERT_TRUE(open(4, 4));
    prepare();
    IDirect3DTexture9* shadow = renderTexture(4, 4, D3DFMT_R16F);
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(D3D_OK, shadow->GetSurfaceLevel(0, &surface));
    IDirect3DSurface9* backBuffer = nullptr;
    device->GetRenderTarget(0, &backBuffer);
    ASSERT_EQ(D3D_OK, device->SetRenderTarget(0, surface));
    ASSERT_EQ(D3D_OK, device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFFFFFFFF, 1.0f, 0));
    device->SetRenderTarget(0, backBuffer);

    D3DLOCKED_RECT locked{};
    ASSERT_EQ(D3D_OK, shadow->LockRect(0, &locked, nullptr, D3DLOCK_READONLY));
    uint16_t half = 0;
    std::memcpy(&half, static_cast<uint8_t*>(locked.pBits) + locked.Pitch * 3 + 6, 2);
    EXPECT_EQ(0x3C00, half) << "1.0 as a half float";
    shadow->UnlockRect(0);

    device->SetRenderTarget(0, surface);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_ARGB(0, 0x80, 0, 0), 1.0f, 0);
    device->SetRenderTarget(0, backBuffer);
    Image image = showTexture(shadow, 4, 4);
    EXPECT_TRUE(near(image.at(2, 2), rgb(128, 255, 255), 2)) << std::hex << image.at(2, 2);
    surface->Release();
    backBuffer->Release();
}

TEST_F(GLTargetTest, DepthWorksOnTargetsSmallerAndLargerThanTheBackBuffer) {
    // A wide back buffer and a square target of its height, as the shadow map is; then a
    // target larger than the automatic depth buffer.
    ASSERT_TRUE(open(16, 8));
    prepare();
    IDirect3DTexture9* redTex = makeTexture(1, 1, {rgb(255, 0, 0)});
    IDirect3DTexture9* greenTex = makeTexture(1, 1, {rgb(0, 255, 0)});
    IDirect3DSurface9* backBuffer = nullptr;
    device->GetRenderTarget(0, &backBuffer);
    for (UINT side : {8u, 32u}) {
        IDirect3DTexture9* target = renderTexture(side, side, D3DFMT_A8R8G8B8);
        IDirect3DSurface9* surface = nullptr;
        ASSERT_EQ(D3D_OK, target->GetSurfaceLevel(0, &surface));
        ASSERT_EQ(D3D_OK, device->SetRenderTarget(0, surface));
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        QuadVertex nearQuad[4], farQuad[4];
        screenQuad(nearQuad, side, side, 0.25f);
        screenQuad(farQuad, side, side, 0.75f);
        device->SetTexture(0, redTex);
        drawQuad(nearQuad);
        device->SetTexture(0, greenTex);
        drawQuad(farQuad);
        device->SetRenderTarget(0, backBuffer);
        surface->Release();

        D3DLOCKED_RECT locked{};
        ASSERT_EQ(D3D_OK, target->LockRect(0, &locked, nullptr, D3DLOCK_READONLY));
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(locked.pBits) +
                                                            size_t(locked.Pitch) * (side - 1));
        EXPECT_EQ(rgb(255, 0, 0), row[side - 1] | 0xFF000000u) << "side " << side << ": the far quad must lose";
        target->UnlockRect(0);
    }
    backBuffer->Release();
}

TEST_F(GLTargetTest, SurfacesCountWithTheirTextureAndTheBackBufferWithTheDevice) {
    ASSERT_TRUE(open(8, 8));
    IDirect3DSurface9* backBuffer = nullptr;
    ASSERT_EQ(D3D_OK, device->GetRenderTarget(0, &backBuffer));
    EXPECT_EQ(3u, device->AddRef()) << "the back buffer's reference is the device's";
    device->Release();

    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                            &texture, nullptr));
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(D3D_OK, texture->GetSurfaceLevel(0, &surface));
    EXPECT_EQ(3u, texture->AddRef()) << "GetSurfaceLevel added one to the texture";
    texture->Release();
    ASSERT_EQ(D3D_OK, device->SetRenderTarget(0, surface));
    surface->Release();
    EXPECT_EQ(1u, texture->Release()) << "the device holds its render target";

    IDirect3DSurface9* current = nullptr;
    ASSERT_EQ(D3D_OK, device->GetRenderTarget(0, &current));
    EXPECT_EQ(surface, current);
    EXPECT_EQ(1u, current->Release());
    // Restoring the back buffer lets the texture (and its surface) go.
    EXPECT_EQ(D3D_OK, device->SetRenderTarget(0, backBuffer));
    EXPECT_EQ(1u, backBuffer->Release());
    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetRenderTarget(0, nullptr));
}

TEST_F(GLTargetTest, ResourcesOutlivingTheirDeviceRefuseCallsInsteadOfCrashing) {
    ASSERT_TRUE(open(8, 8));
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr));
    EXPECT_EQ(3u, texture->GetLevelCount()) << "a full chain down to 1 × 1";
    IDirect3DVertexBuffer9* buffer = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &buffer, nullptr));
    device->SetTexture(0, texture);
    EXPECT_EQ(0u, device->Release());
    device = nullptr;
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(D3DERR_INVALIDCALL, texture->LockRect(0, &locked, nullptr, 0));
    void* data = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, buffer->Lock(0, 0, &data, 0));
    EXPECT_EQ(0u, texture->Release());
    EXPECT_EQ(0u, buffer->Release());
}

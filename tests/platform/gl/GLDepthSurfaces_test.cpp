// Depth-stencil surfaces of the application's own on the GL device: rendering with one in
// place of the automatic buffer, going back, copying depth with StretchRect under Direct3D's
// rules for it, and rendering with no depth buffer at all.
#include "GLTestDevice.h"

namespace {

constexpr UINT kSide = 8;

uint32_t rgb(int r, int g, int b) { return 0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b); }

class GLDepthSurfaceTest : public GLDeviceTest {
protected:
    // An 8 × 8 target of its own, set as render target, with one-texel textures to draw in.
    bool openWithTarget() {
        if (!open(16, 8)) return false;
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        D3DMATRIX id{};
        id._11 = id._22 = id._33 = id._44 = 1.0f;
        device->SetTransform(D3DTS_WORLD, &id);
        device->SetTransform(D3DTS_VIEW, &id);
        device->SetTransform(D3DTS_PROJECTION, &id);
        EXPECT_EQ(D3D_OK, device->CreateTexture(kSide, kSide, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                                D3DPOOL_DEFAULT, &target, nullptr));
        if (!target) return false;
        owned.push_back(target);
        IDirect3DSurface9* surface = nullptr;
        if (FAILED(target->GetSurfaceLevel(0, &surface))) return false;
        const bool set = SUCCEEDED(device->SetRenderTarget(0, surface));
        surface->Release();
        return set;
    }
    IDirect3DSurface9* depthSurface(D3DFORMAT format = D3DFMT_D16, UINT side = kSide) {
        IDirect3DSurface9* surface = nullptr;
        EXPECT_EQ(D3D_OK, device->CreateDepthStencilSurface(side, side, format, D3DMULTISAMPLE_NONE, 0, FALSE,
                                                            &surface, nullptr));
        if (surface) owned.push_back(surface);
        return surface;
    }
    // A quad over the whole target at depth z in one colour.
    void fill(float z, uint32_t colour) {
        IDirect3DTexture9* texture = makeTexture(1, 1, {colour});
        const float dx = 1.0f / float(kSide);
        const QuadVertex quad[4] = {{-1 - dx, -1 + dx, z, 0, 1}, {-1 - dx, 1 + dx, z, 0, 0},
                                    {1 - dx, 1 + dx, z, 1, 0},   {1 - dx, -1 + dx, z, 1, 1}};
        device->SetTexture(0, texture);
        drawQuad(quad);
        device->SetTexture(0, nullptr);
    }
    uint32_t shown() {
        D3DLOCKED_RECT locked{};
        if (FAILED(target->LockRect(0, &locked, nullptr, D3DLOCK_READONLY))) return 0;
        const uint32_t pixel = static_cast<const uint32_t*>(locked.pBits)[kSide + 3] | 0xFF000000u;
        target->UnlockRect(0);
        return pixel;
    }

    IDirect3DTexture9* target = nullptr;
};

}  // namespace

TEST_F(GLDepthSurfaceTest, ADepthSurfaceKeepsItsOwnDepthAndACopyCarriesItWhole) {
    ASSERT_TRUE(openWithTarget());
    IDirect3DSurface9* automatic = nullptr;
    ASSERT_EQ(D3D_OK, device->GetDepthStencilSurface(&automatic));
    D3DSURFACE_DESC desc{};
    automatic->GetDesc(&desc);
    EXPECT_EQ(DWORD(D3DUSAGE_DEPTHSTENCIL), desc.Usage);
    EXPECT_EQ(16u, desc.Width) << "the automatic buffer is the back buffer's size";

    IDirect3DSurface9* own = depthSurface();
    ASSERT_EQ(D3D_OK, device->SetDepthStencilSurface(own));
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    fill(0.25f, rgb(255, 0, 0));
    fill(0.5f, rgb(0, 0, 255));
    EXPECT_EQ(rgb(255, 0, 0), shown()) << "the nearer quad holds against the surface's depth";

    // The automatic buffer never saw those draws.
    ASSERT_EQ(D3D_OK, device->SetDepthStencilSurface(automatic));
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    fill(0.75f, rgb(0, 255, 0));
    EXPECT_EQ(rgb(0, 255, 0), shown());

    // A copy of the surface's depth rejects what lies behind its 0.25 and passes what is nearer.
    IDirect3DSurface9* copy = depthSurface();
    EXPECT_EQ(D3D_OK, device->StretchRect(own, nullptr, copy, nullptr, D3DTEXF_NONE));
    ASSERT_EQ(D3D_OK, device->SetDepthStencilSurface(copy));
    fill(0.5f, rgb(0, 0, 255));
    EXPECT_EQ(rgb(0, 255, 0), shown()) << "depth 0.5 lies behind the copied 0.25";
    fill(0.2f, rgb(255, 255, 255));
    EXPECT_EQ(rgb(255, 255, 255), shown());

    IDirect3DSurface9* current = nullptr;
    ASSERT_EQ(D3D_OK, device->GetDepthStencilSurface(&current));
    EXPECT_EQ(copy, current);
    current->Release();
    EXPECT_EQ(D3D_OK, device->SetDepthStencilSurface(automatic));
    automatic->Release();
}

TEST_F(GLDepthSurfaceTest, DepthCopiesFollowDirect3DsRestrictions) {
    ASSERT_TRUE(openWithTarget());
    IDirect3DSurface9* a = depthSurface();
    IDirect3DSurface9* b = depthSurface();
    IDirect3DSurface9* larger = depthSurface(D3DFMT_D16, 2 * kSide);
    IDirect3DSurface9* wider = depthSurface(D3DFMT_D24X8);
    IDirect3DSurface9* colour = nullptr;
    ASSERT_EQ(D3D_OK, device->GetRenderTarget(0, &colour));
    const RECT whole{0, 0, LONG(kSide), LONG(kSide)};

    EXPECT_EQ(D3DERR_INVALIDCALL, device->StretchRect(a, &whole, b, nullptr, D3DTEXF_NONE)) << "no rectangles";
    EXPECT_EQ(D3DERR_INVALIDCALL, device->StretchRect(a, nullptr, larger, nullptr, D3DTEXF_NONE)) << "no stretching";
    EXPECT_EQ(D3DERR_INVALIDCALL, device->StretchRect(a, nullptr, wider, nullptr, D3DTEXF_NONE)) << "one format";
    EXPECT_EQ(D3DERR_INVALIDCALL, device->StretchRect(a, nullptr, colour, nullptr, D3DTEXF_NONE));
    EXPECT_EQ(D3DERR_INVALIDCALL, device->StretchRect(colour, nullptr, a, nullptr, D3DTEXF_NONE));
    ASSERT_EQ(D3D_OK, device->BeginScene());
    EXPECT_EQ(D3DERR_INVALIDCALL, device->StretchRect(a, nullptr, b, nullptr, D3DTEXF_NONE)) << "not in a scene";
    device->EndScene();
    EXPECT_EQ(D3D_OK, device->StretchRect(a, nullptr, b, nullptr, D3DTEXF_NONE));

    EXPECT_EQ(D3DERR_INVALIDCALL, device->SetDepthStencilSurface(colour)) << "a colour surface holds no depth";
    IDirect3DSurface9* refused = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, device->CreateDepthStencilSurface(kSide, kSide, D3DFMT_A8R8G8B8,
                                                                    D3DMULTISAMPLE_NONE, 0, FALSE, &refused, nullptr));
    EXPECT_EQ(nullptr, refused);
    colour->Release();
}

TEST_F(GLDepthSurfaceTest, TheDeviceHoldsItsDepthSurfaceAndCanRenderWithNone) {
    ASSERT_TRUE(openWithTarget());
    IDirect3DSurface9* automatic = nullptr;
    ASSERT_EQ(D3D_OK, device->GetDepthStencilSurface(&automatic));

    IDirect3DSurface9* own = nullptr;
    ASSERT_EQ(D3D_OK, device->CreateDepthStencilSurface(kSide, kSide, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, FALSE, &own,
                                                        nullptr));
    ASSERT_EQ(D3D_OK, device->SetDepthStencilSurface(own));
    EXPECT_EQ(1u, own->Release()) << "the device keeps it while it is set";
    device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.0f, 0);
    fill(0.5f, rgb(0, 0, 255));
    EXPECT_NE(rgb(0, 0, 255), shown()) << "the surface set and cleared to 0 rejects the quad";

    ASSERT_EQ(D3D_OK, device->SetDepthStencilSurface(nullptr));
    IDirect3DSurface9* none = automatic;
    EXPECT_EQ(D3DERR_NOTFOUND, device->GetDepthStencilSurface(&none));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(D3DERR_INVALIDCALL, device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0)) << "no depth to clear";
    fill(0.25f, rgb(255, 0, 0));
    fill(0.75f, rgb(0, 255, 0));
    EXPECT_EQ(rgb(0, 255, 0), shown()) << "without depth the last quad wins";

    EXPECT_EQ(D3D_OK, device->SetDepthStencilSurface(automatic));
    automatic->Release();
}

TEST_F(GLDepthSurfaceTest, MakingADepthSurfaceLeavesTheNextPresentShowingTheNewFrame) {
    // Present leaves the back buffer bound for reading; a depth surface made after it must not
    // take the back buffer's read buffer away, or every later Present shows the old picture.
    ASSERT_TRUE(open(8, 8));
    for (uint32_t colour : {0xFFFF0000u, 0xFF00FF00u}) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, colour, 1.0f, 0);
        Image image = present();
        EXPECT_EQ(colour, image.at(4, 4) | 0xFF000000u);
        IDirect3DSurface9* surface = nullptr;
        ASSERT_EQ(D3D_OK, device->CreateDepthStencilSurface(kSide, kSide, D3DFMT_D16, D3DMULTISAMPLE_NONE, 0, FALSE,
                                                            &surface, nullptr));
        surface->Release();
    }
}

// What IDirect3D9 on GL answers off-screen: the questions the device-settings enumeration
// asks, with the driver's real multisample support.
#include <ZarnOffscreen.h>
#include <d3d9.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

class GLDirect3D9Test : public ::testing::Test {
protected:
    void SetUp() override {
        window = ZarnCreateOffscreenWindow(320, 200);
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(nullptr, d3d) << "no off-screen OpenGL";
    }
    void TearDown() override {
        if (d3d) d3d->Release();
        ZarnDestroyWindow(window);
    }
    HWND window = nullptr;
    IDirect3D9* d3d = nullptr;
};

TEST_F(GLDirect3D9Test, AdapterNamesTheRendererAndOffersTheWindowSizeAsItsMode) {
    EXPECT_EQ(1u, d3d->GetAdapterCount());
    D3DADAPTER_IDENTIFIER9 id{};
    ASSERT_EQ(D3D_OK, d3d->GetAdapterIdentifier(0, 0, &id));
    EXPECT_STRNE("", id.Description);
    EXPECT_EQ(D3DERR_INVALIDCALL, d3d->GetAdapterIdentifier(1, 0, &id));

    D3DDISPLAYMODE mode{};
    ASSERT_EQ(D3D_OK, d3d->GetAdapterDisplayMode(0, &mode));
    EXPECT_EQ(320u, mode.Width);
    EXPECT_EQ(200u, mode.Height);
    EXPECT_EQ(D3DFMT_X8R8G8B8, mode.Format);
    ASSERT_EQ(1u, d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8));
    EXPECT_EQ(0u, d3d->GetAdapterModeCount(0, D3DFMT_R5G6B5));
    EXPECT_EQ(D3D_OK, d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 0, &mode));
    EXPECT_EQ(D3DERR_INVALIDCALL, d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 1, &mode));
}

TEST_F(GLDirect3D9Test, CapsAndFormatChecksMatchWhatTheDeviceCanDo) {
    D3DCAPS9 caps{};
    ASSERT_EQ(D3D_OK, d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps));
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    EXPECT_TRUE(caps.PresentationIntervals & D3DPRESENT_INTERVAL_IMMEDIATE) << "off-screen never waits";
    EXPECT_EQ(D3DERR_NOTAVAILABLE, d3d->GetDeviceCaps(0, D3DDEVTYPE_REF, &caps));

    EXPECT_EQ(D3D_OK, d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, TRUE));
    EXPECT_EQ(D3D_OK, d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE));
    EXPECT_NE(D3D_OK, d3d->CheckDeviceType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, TRUE));
    EXPECT_NE(D3D_OK, d3d->CheckDeviceType(0, D3DDEVTYPE_SW, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, TRUE));

    const DWORD blend = D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING;
    EXPECT_EQ(D3D_OK, d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, blend, D3DRTYPE_TEXTURE, D3DFMT_A8R8G8B8));
    EXPECT_EQ(D3D_OK, d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, blend, D3DRTYPE_TEXTURE, D3DFMT_X8R8G8B8));
    EXPECT_NE(D3D_OK, d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, blend, D3DRTYPE_TEXTURE, D3DFMT_A2R10G10B10));
    for (D3DFORMAT depth : {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8}) {
        EXPECT_EQ(D3D_OK, d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                                 D3DRTYPE_SURFACE, depth));
        EXPECT_EQ(D3D_OK, d3d->CheckDepthStencilMatch(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, depth));
    }
    EXPECT_NE(D3D_OK, d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                             D3DRTYPE_SURFACE, D3DFMT_D15S1));
    EXPECT_EQ(D3D_OK, d3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_RENDERTARGET,
                                             D3DRTYPE_TEXTURE, D3DFMT_R16F));
}

TEST_F(GLDirect3D9Test, MultisampleAnswersComeFromTheDriver) {
    // On a software rasteriser the driver's answers hold only when multisampling is forced.
    setenv("ZARN_FORCE_MULTISAMPLING", "1", 1);
    IDirect3D9* forced = Direct3DCreate9(D3D_SDK_VERSION);
    unsetenv("ZARN_FORCE_MULTISAMPLING");
    ASSERT_NE(nullptr, forced);
    DWORD quality = 99;
    EXPECT_EQ(D3D_OK, forced->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                                         D3DMULTISAMPLE_NONE, &quality));
    const HRESULT four = forced->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                                            D3DMULTISAMPLE_4_SAMPLES, &quality);
    D3DADAPTER_IDENTIFIER9 id{};
    forced->GetAdapterIdentifier(0, 0, &id);
    if (std::string(id.Description).find("llvmpipe") != std::string::npos) {
        EXPECT_EQ(D3D_OK, four);
        EXPECT_EQ(1u, quality);
        EXPECT_EQ(D3DERR_NOTAVAILABLE, forced->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE,
                                                                          D3DMULTISAMPLE_2_SAMPLES, &quality));
        EXPECT_EQ(0u, quality);
    }
    EXPECT_EQ(D3DERR_NOTAVAILABLE, forced->CheckDeviceMultiSampleType(0, D3DDEVTYPE_REF, D3DFMT_X8R8G8B8, TRUE,
                                                                      D3DMULTISAMPLE_4_SAMPLES, &quality));
    forced->Release();
}

TEST_F(GLDirect3D9Test, ASoftwareRasteriserDeclinesMultisamplingButNotSingleSampling) {
    D3DADAPTER_IDENTIFIER9 id{};
    d3d->GetAdapterIdentifier(0, 0, &id);
    if (std::string(id.Description).find("llvmpipe") == std::string::npos) GTEST_SKIP() << id.Description;
    DWORD quality = 99;
    for (D3DMULTISAMPLE_TYPE type : {D3DMULTISAMPLE_2_SAMPLES, D3DMULTISAMPLE_4_SAMPLES, D3DMULTISAMPLE_8_SAMPLES}) {
        EXPECT_EQ(D3DERR_NOTAVAILABLE,
                  d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE, type, &quality));
        EXPECT_EQ(0u, quality);
        EXPECT_EQ(D3DERR_NOTAVAILABLE,
                  d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_D16, TRUE, type, &quality));
    }
    EXPECT_EQ(D3D_OK, d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, TRUE, D3DMULTISAMPLE_NONE,
                                                      &quality));
    EXPECT_EQ(1u, quality);
}

TEST_F(GLDirect3D9Test, CreateDeviceRefusesWhatItCannotMake) {
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window;
    pp.Windowed = TRUE;
    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(D3DERR_NOTAVAILABLE, d3d->CreateDevice(0, D3DDEVTYPE_REF, window, 0, &pp, &device));
    EXPECT_EQ(nullptr, device);
    D3DPRESENT_PARAMETERS noWindow = pp;
    noWindow.hDeviceWindow = nullptr;
    EXPECT_NE(D3D_OK, d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &noWindow, &device));

    // Zero sizes take the window's client size, as Direct3D does.
    ASSERT_EQ(D3D_OK, d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device));
    EXPECT_EQ(320u, pp.BackBufferWidth);
    EXPECT_EQ(200u, pp.BackBufferHeight);
    IDirect3D9* owner = nullptr;
    ASSERT_EQ(D3D_OK, device->GetDirect3D(&owner));
    EXPECT_EQ(d3d, owner);
    owner->Release();
    EXPECT_EQ(0u, device->Release());
}

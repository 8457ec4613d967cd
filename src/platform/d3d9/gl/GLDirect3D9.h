// IDirect3D9 on OpenGL: one adapter, the GL driver behind it. What the driver offers
// (renderer name, sample counts, texture size, swap control) is learnt once, when the object
// is made, from a short-lived context of the kind the saver will get: on the SDL display
// when SDL video is up, else off-screen on EGL.
#pragma once

#include <d3d9.h>
#include <epoxy/gl.h>

#include "d3d9/ZarnSoftwareAdapter.h"

#include <string>

// Whether a GL_RENDERER string names one of Mesa's software rasterisers.
bool zarnIsSoftwareRenderer(const std::string& renderer);

class GLDirect3D9 final : public IDirect3D9, public IZarnSoftwareAdapter {
public:
    // Null when no OpenGL 3.3 core context can be had at all.
    static GLDirect3D9* create();

    ULONG AddRef() override { return ++refs; }
    ULONG Release() override;

    UINT GetAdapterCount() override { return 1; }
    HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags, D3DADAPTER_IDENTIFIER9* pIdentifier) override;
    UINT GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) override;
    HRESULT EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode) override;
    HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
    HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat, D3DFORMAT BackBufferFormat,
                            BOOL bWindowed) override;
    HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage,
                              D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) override;
    HRESULT CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT SurfaceFormat, BOOL Windowed,
                                       D3DMULTISAMPLE_TYPE MultiSampleType, DWORD* pQualityLevels) override;
    HRESULT CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                   D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat) override;
    HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) override;
    HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                         D3DPRESENT_PARAMETERS* pPresentationParameters,
                         IDirect3DDevice9** ppReturnedDeviceInterface) override;

    BOOL IsSoftwareAdapter(UINT Adapter) override { return Adapter == 0 && softwareRenderer; }

    // Whether renderbuffers of this GL format can have this many samples.
    bool supportsSamples(GLenum internalFormat, UINT samples) const;
    bool hasSwapControl() const { return swapControl; }

private:
    GLDirect3D9() = default;
    ~GLDirect3D9() override = default;
    bool probe(bool onDisplay);
    void collectModes(D3DDISPLAYMODE* modes, UINT* count, UINT capacity) const;

    ULONG refs = 1;
    bool hasDisplay = false;
    bool swapControl = false;
    bool softwareRenderer = false;
    bool declineMultisampling = false;  // a software rasteriser, not forced (see the .cpp)
    std::string renderer, version;
    DWORD maxTextureSize = 2048;
    // Bit n set: n samples supported (n ≤ 31), per format.
    uint32_t colourSamples = 0, halfFloatSamples = 0, depthSamples = 0;
};

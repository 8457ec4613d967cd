// IDirect3DDevice9 on OpenGL 3.3 core, and the shader interface the D3DX effects use.
// One device owns one GL context. State calls only record Direct3D state; the draw calls
// turn the changed part of it into GL through the state cache (GLStateCache.h), so a frame
// of many draws with little change issues few GL calls. The conventions that make GL look
// like Direct3D are in GLConventions.h; the fixed-function pipeline is GLFixedFunction.
#pragma once

#include <ZarnShaderDevice.h>
#include <d3d9.h>

#include "d3d9/gl/CpuStretch.h"
#include "d3d9/gl/GLContext.h"
#include "d3d9/gl/GLFixedFunction.h"
#include "d3d9/gl/GLResources.h"
#include "d3d9/gl/GLStateCache.h"

#include <memory>
#include <vector>

class GLDirect3D9;

class GLDevice final : public IDirect3DDevice9, public IZarnShaderDevice {
public:
    // Null with *result set when the window cannot carry a context or the parameters are
    // unusable. Fills in the parameters Direct3D fills in (zero back-buffer size = client
    // size, D3DFMT_UNKNOWN = X8R8G8B8, count 0 = 1).
    static GLDevice* create(GLDirect3D9* direct3d, HWND window, D3DPRESENT_PARAMETERS* params, HRESULT* result);

    // IUnknown
    ULONG AddRef() override;
    ULONG Release() override;

    // IDirect3DDevice9
    HRESULT GetDirect3D(IDirect3D9** ppD3D9) override;
    HRESULT GetDeviceCaps(D3DCAPS9* pCaps) override;
    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                          IDirect3DTexture9** ppTexture, void* pSharedHandle) override;
    HRESULT CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DCubeTexture9** ppCubeTexture, void* pSharedHandle) override;
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer9** ppVertexBuffer, void* pSharedHandle) override;
    HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DIndexBuffer9** ppIndexBuffer, void* pSharedHandle) override;
    HRESULT CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                               DWORD MultisampleQuality, BOOL Lockable, IDirect3DSurface9** ppSurface,
                               void* pSharedHandle) override;
    HRESULT CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                      DWORD MultisampleQuality, BOOL Discard, IDirect3DSurface9** ppSurface,
                                      void* pSharedHandle) override;
    HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                    IDirect3DVertexDeclaration9** ppDecl) override;
    HRESULT SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) override;
    HRESULT GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) override;
    HRESULT SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) override;
    HRESULT GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) override;
    HRESULT StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect, IDirect3DSurface9* pDestSurface,
                        const RECT* pDestRect, D3DTEXTUREFILTERTYPE Filter) override;
    HRESULT SetViewport(const D3DVIEWPORT9* pViewport) override;
    HRESULT GetViewport(D3DVIEWPORT9* pViewport) override;
    HRESULT Clear(DWORD Count, const void* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                    const void* pDirtyRegion) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
    HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
    HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override;
    HRESULT GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) override;
    HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
    HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override;
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) override;
    HRESULT GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) override;
    HRESULT SetMaterial(const D3DMATERIAL9* pMaterial) override;
    HRESULT GetMaterial(D3DMATERIAL9* pMaterial) override;
    HRESULT SetLight(DWORD Index, const D3DLIGHT9* pLight) override;
    HRESULT LightEnable(DWORD Index, BOOL Enable) override;
    HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) override;
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                            UINT Stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* pIndexData) override;
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT MinVertexIndex,
                                 UINT NumVertices, UINT startIndex, UINT primCount) override;

    // IZarnShaderDevice
    HRESULT CreateProgram(const char* vertexSource, const char* fragmentSource, std::string* pLog,
                          UINT* pProgram) override;
    void DeleteProgram(UINT program) override;
    HRESULT SetProgram(UINT program) override;
    INT GetUniformLocation(UINT program, const char* name) override;
    HRESULT SetUniform(INT location, ZarnUniformType type, const float* values) override;
    HRESULT SetUniformTexture(INT location, UINT unit, IDirect3DBaseTexture9* texture) override;
    BOOL SupportsRequirement(const char* requirement) override;

    // For the resources and the tests.
    bool makeCurrent() { return context->makeCurrent(); }
    GLStateCache& state() { return cache; }
    void registerChild(GLDeviceChild* child);
    void unregisterChild(GLDeviceChild* child);
    void registerSurface(GLSurface* surface);
    void unregisterSurface(GLSurface* surface);
    // A resource is going away: drop every binding that names it.
    void forgetTexture(GLTextureBase* texture);
    void forgetBuffer(GLBufferBase* buffer);
    void forgetSurface(GLSurface* surface);
    // The depth renderbuffer a target of this size and sample count renders with: the
    // automatic one when it is at least as large and equally sampled, else one kept per
    // size and sample count. 0 when the device has no automatic depth buffer.
    GLuint depthBufferFor(UINT width, UINT height, UINT samples);
    // GL sample count for a Direct3D multisample type (0 for none).
    static UINT sampleCountOf(D3DMULTISAMPLE_TYPE type);
    // Benchmark counters: draws and primitives handed to the device since it was made, and
    // a switch that turns draws into no-ops so the caller's own cost can be timed alone.
    uint64_t drawCount = 0, primitiveCount = 0;
    bool drawsSuppressed = false;
    // Waits until GL has finished everything submitted so far.
    void finishWork();
    // Fragment shader runs since the first call (the driver's pipeline statistics; a software
    // rasteriser counts every pixel of each small block it shades). False when the driver
    // cannot count them.
    bool countFragmentsShaded(uint64_t* fragments);
    // Off-screen Present leaves its picture in windowFbo; these copy it into the window.
    static void readPresentedInto(void* owner, HWND window);
    // Present stretches a smaller back buffer on the CPU (see ZarnPresentStretch.h).
    bool stretchOnCpu = false;
    void settlePendingWindow();

private:
    GLDevice() = default;
    ~GLDevice();
    bool initialise(GLDirect3D9* direct3d, HWND window, const D3DPRESENT_PARAMETERS& params, HRESULT* result);
    void setDefaults();
    void applyTargetViewport();
    // Settles which depth buffer the current target renders with (targetDepth).
    void chooseTargetDepth();
    // Binds the current target's framebuffer for drawing with that depth buffer; 0 when the
    // target cannot be drawn into.
    GLuint bindTargetFramebuffer();
    // CreateRenderTarget and CreateDepthStencilSurface once the format is known to be usable.
    HRESULT createStandaloneSurface(GLSurface::Kind kind, GLenum internalFormat, UINT width, UINT height,
                                    D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample, DWORD quality,
                                    IDirect3DSurface9** ppSurface);
    // The depth-to-depth copy of StretchRect, with Direct3D's restrictions on it.
    HRESULT copyDepth(GLSurface* source, const RECT* sourceRect, GLSurface* dest, const RECT* destRect);
    // Turns the recorded Direct3D state into GL before a draw; false when nothing can draw.
    bool prepareDraw();
    void applyRenderStates();
    void applyVertexInput(INT baseVertex);
    void applyTextures();
    void applyProgramFixups(GLuint program);
    GLuint scratchFramebuffer(UINT width, UINT height, GLenum internalFormat);
    // The single-sampled framebuffer holding the surface's pixels (resolving it if needed).
    GLuint readableFramebuffer(GLSurface* surface);
    // Present's stretch on the CPU: `source` rectangle `sr` of `readFbo` stretched over `dr`
    // of `drawFbo`, whose rows run bottom-up when `drawHeight` is not 0 (a window's). False,
    // with nothing drawn, where it does not apply (not enlarged, or not 32-bit pixels).
    bool presentStretchedOnCpu(GLuint readFbo, const RECT& sr, const RECT& dr, GLuint drawFbo, GLint drawHeight);

    ULONG refs = 1;
    GLDirect3D9* direct3d = nullptr;
    HWND deviceWindow = nullptr;
    D3DPRESENT_PARAMETERS presentParams{};
    std::unique_ptr<GLContext> context;
    GLStateCache cache;
    bool depthFromShader = false;

    GLSurface* backBuffer = nullptr;
    // The automatic depth buffer, the back buffer's size and sample count.
    GLSurface* autoDepthSurface = nullptr;
    // What SetDepthStencilSurface last named: the automatic surface (the device then picks a
    // buffer to fit each target, see depthBufferFor), one of the application's (holding a
    // reference), or none.
    GLSurface* depthStencil = nullptr;
    GLuint targetDepth = 0;
    struct ExtraDepth {
        UINT width, height, samples;
        GLuint renderbuffer;
    };
    std::vector<ExtraDepth> extraDepths;
    // Single-sampled copies for StretchRect and Present from multisampled surfaces.
    struct Scratch {
        UINT width, height;
        GLenum format;
        GLuint fbo, renderbuffer;
    };
    std::vector<Scratch> scratch;
    GLuint windowFbo = 0, windowColour = 0;  // off-screen windows: what Present leaves there
    UINT windowFboWidth = 0, windowFboHeight = 0;
    HWND pendingWindow = nullptr;  // an off-screen window whose picture is still in windowFbo
    // The CPU stretch's picture read back, stretched, and the window-sized texture it is
    // uploaded into before an unscaled copy (which the driver does as a plain copy).
    CpuStretch cpuStretch;
    std::vector<uint32_t> stretchSource, stretchResult;
    GLuint stretchTexture = 0, stretchFbo = 0;
    UINT stretchWidth = 0, stretchHeight = 0;
    GLenum stretchFormat = 0;
    GLuint fragmentQuery = 0;  // fragment shader invocations, running between counts
    uint64_t fragmentsShaded = 0;

    std::vector<GLDeviceChild*> children;
    std::vector<GLSurface*> standaloneSurfaces;

    GLSurface* renderTarget = nullptr;  // holds a reference unless it is the back buffer
    D3DVIEWPORT9 viewport{};
    uint32_t fixupVersion = 1;

    static constexpr int stateCount = 256;
    DWORD renderStates[stateCount] = {};
    bool renderStatesDirty = true;
    static constexpr int samplerCount = GLStateCache::maxUnits;
    static constexpr int samplerStateCount = 14;
    DWORD samplerStates[samplerCount][samplerStateCount] = {};
    GLuint samplerObjects[samplerCount] = {};
    static constexpr int stageCount = 8;
    static constexpr int stageStateCount = 33;
    DWORD stageStates[stageCount][stageStateCount] = {};
    IDirect3DBaseTexture9* textures[samplerCount] = {};
    uint32_t texturesDirty = 0xFFFFFFFFu;

    GLVertexDeclaration* declaration = nullptr;
    static constexpr int streamCount = 2;
    struct Stream {
        GLVertexBuffer* buffer = nullptr;
        UINT offset = 0, stride = 0;
    } streams[streamCount];
    GLIndexBuffer* indices = nullptr;
    bool inputDirty = true;
    INT appliedBaseVertex = 0;
    GLuint vertexArray = 0;

    GLFixedFunction fixedFunction;
    D3DMATRIX world{}, view{}, projection{}, texture0{};
    D3DMATRIX texture1{};
    D3DMATERIAL9 material{};
    GLuint currentProgram = 0;  // 0 = fixed function
    struct ProgramRecord {
        bool live = false;
        GLint posFixupLocation = -1;
        uint32_t fixupVersion = 0;
    };
    std::vector<ProgramRecord> programs;  // indexed by GL program name
    // Effects whose passes hold the very same shader text share one GL program (each pass
    // sets all its uniforms when it begins), so the driver compiles that text once.
    struct SharedProgram {
        std::string vertex, fragment, log;
        GLuint program = 0;
        int users = 0;
    };
    std::vector<SharedProgram> sharedPrograms;
    bool inScene = false;

    friend class GLDeviceTestAccess;
};

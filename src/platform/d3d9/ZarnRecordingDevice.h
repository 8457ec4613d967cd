// Not part of Direct3D: the recording back end that unit tests run the saver's logic on.
// It has no pixels. Every device call is written to a log as one readable line, the state
// that was set is kept so that Get* calls answer with it, textures and buffers are plain
// memory so Lock works, and a script decides which calls fail.
//
// Log line format (one line per call, in call order; AddRef/Release are not logged):
//   Name(arg, arg, ...)               a call that succeeded
//   Name(arg, ...) -> obj             a creation or Get call that handed out an object
//   Name(arg, ...) -> FAILED 0x%08X   a call that returned a failure code
// Arguments:
//   - enumerations by their Direct3D name: D3DRS_ZENABLE, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
//     D3DTS_WORLD, D3DSAMP_MINFILTER, D3DTSS_COLOROP, D3DPT_TRIANGLELIST, ...; a value
//     without a name prints as its decimal number;
//   - plain integers (sizes, counts, indices, state values) in decimal: SetRenderState(D3DRS_CULLMODE, 3);
//   - bit masks (usage, flags, lock flags, behaviour flags) and colours in hex: 0x1, 0xFF000000;
//   - floats with %g; matrices as [_11 _12 ... _44], vectors as [x y z w];
//   - objects by the name the recording gave them when they were made: tex1, cube2, rt3,
//     vb4, ib5, decl6, and tex1/0 for level 0 of tex1, cube2/3/0 for face 3 level 0;
//     backbuffer and depthstencil for the device's own surfaces; null for no object;
//   - shader programs as prog1, prog2, ..., uniform locations as numbers.
// Examples:
//   CreateTexture(256, 256, 1, 0x1, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT) -> tex1
//   SetRenderTarget(0, tex1/0)
//   SetRenderState(D3DRS_ZENABLE, 0)
//   SetTexture(0, null)
//   Clear(0, 0x3, 0xFF000000, 1, 0)
#pragma once

#include <d3d9.h>

#include "ZarnDirect3DFactory.h"
#include "ZarnShaderDevice.h"
#include "ZarnSoftwareAdapter.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

// The shared call log of a recording Direct3D object and the devices it made.
class ZarnRecordingLog {
public:
    std::vector<std::string> lines;

    void add(std::string line) { lines.push_back(std::move(line)); }
    void clear() { lines.clear(); }
    size_t size() const { return lines.size(); }

    // Exact line matches.
    bool contains(const std::string& line) const { return indexOf(line) >= 0; }
    int count(const std::string& line) const;
    // Index of the first exact match at or after `from`, or -1.
    int indexOf(const std::string& line, size_t from = 0) const;

    // Matches by call name: every line of that method, whatever its arguments.
    int countCalls(const std::string& method) const;
    int indexOfCall(const std::string& method, size_t from = 0) const;
    std::vector<std::string> calls(const std::string& method) const;

    // Lines that start with `prefix` (e.g. "SetRenderState(D3DRS_ZENABLE,").
    int countPrefix(const std::string& prefix) const;
    int indexOfPrefix(const std::string& prefix, size_t from = 0) const;

    // All lines joined by newlines, for failure messages.
    std::string text() const;
};

// What a recording device is scripted to do. Everything succeeds unless listed here.
struct ZarnRecordingScript {
    // Any call by method name ("SetRenderState", "CreateVertexBuffer", "BeginScene", ...)
    // fails with the given code, every time.
    std::map<std::string, HRESULT> failingCalls;
    // The n-th call (1-based) of a method fails with failResult.
    std::map<std::string, std::set<unsigned>> failingCallNumbers;
    HRESULT failResult = D3DERR_INVALIDCALL;

    // CreateTexture fails (with D3DERR_OUTOFVIDEOMEMORY) for these formats, or when the
    // usage has any of the bits of failTextureUsage.
    std::set<D3DFORMAT> failTextureFormats;
    DWORD failTextureUsage = 0;
    // CreateRenderTarget fails (D3DERR_NOTAVAILABLE) for multisample types the device lacks.
    std::set<D3DMULTISAMPLE_TYPE> missingMultiSampleTypes;

    // Shader programs: every CreateProgram fails, or those whose vertex or fragment source
    // contains the given text; the compile log then holds failProgramLog.
    bool failAllPrograms = false;
    std::vector<std::string> failProgramsContaining;
    std::string failProgramLog = "recording device: scripted compile failure";
    // Uniform names that programs do not have (GetUniformLocation answers -1).
    std::set<std::string> missingUniforms;
    // Requirements that SupportsRequirement refuses; every other one is supported.
    std::set<std::string> refusedRequirements;
};

// The number of recording objects (Direct3D objects, devices, textures, surfaces, buffers,
// declarations) alive in the process: a test that releases everything it made sees 0.
int ZarnRecordingLiveObjects();

class ZarnRecordingResource;
class ZarnRecordingSurface;
class ZarnRecordingDirect3D9;

class ZarnRecordingDevice final : public IDirect3DDevice9, public IZarnShaderDevice {
public:
    // Made by ZarnRecordingDirect3D9::CreateDevice, or directly by a test (direct3d may be
    // null; the log may be shared with other objects).
    ZarnRecordingDevice(ZarnRecordingDirect3D9* direct3d, const D3DPRESENT_PARAMETERS& params, const D3DCAPS9& caps,
                        std::shared_ptr<ZarnRecordingLog> log, ZarnRecordingScript script = {});

    ZarnRecordingLog& log() { return *callLog; }
    std::shared_ptr<ZarnRecordingLog> sharedLog() { return callLog; }
    ZarnRecordingScript& script() { return deviceScript; }
    const D3DPRESENT_PARAMETERS& presentParams() const { return params; }
    ULONG refCount() const { return refs; }

    // Shader program bookkeeping for assertions.
    std::string programVertexSource(UINT program) const;
    std::string programFragmentSource(UINT program) const;
    UINT currentProgram() const { return program; }
    int liveProgramCount() const { return static_cast<int>(programs.size()); }
    // Values last given to SetUniform for a location of the current or any program.
    std::vector<float> uniformValues(INT location) const;

    // Names of objects in the log; "null" for nullptr.
    static std::string nameOf(IUnknown* object);

    // Called by resources as they are destroyed.
    void forgetResource(ZarnRecordingResource* resource);
    // Used by resources to log their own calls (LockRect, Unlock, ...) and consult the script.
    HRESULT record(const std::string& method, const std::string& args, HRESULT result = D3D_OK);
    HRESULT scriptedFailure(const std::string& method);
    std::string newName(const char* kind);

    // ---- IUnknown
    ULONG AddRef() override;
    ULONG Release() override;

    // ---- IDirect3DDevice9
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

    // ---- IZarnShaderDevice
    HRESULT CreateProgram(const char* vertexSource, const char* fragmentSource, std::string* pLog,
                          UINT* pProgram) override;
    void DeleteProgram(UINT program) override;
    HRESULT SetProgram(UINT program) override;
    INT GetUniformLocation(UINT program, const char* name) override;
    HRESULT SetUniform(INT location, ZarnUniformType type, const float* values) override;
    HRESULT SetUniformTexture(INT location, UINT unit, IDirect3DBaseTexture9* texture) override;
    BOOL SupportsRequirement(const char* requirement) override;

    // Light state, for assertions.
    bool lightEnabled(DWORD index) const;
    D3DLIGHT9 light(DWORD index) const;
    bool inScene() const { return sceneOpen; }

private:
    ~ZarnRecordingDevice() override;
    void releaseBindings();
    template <typename T>
    void bind(T*& slot, T* object);
    static D3DSURFACE_DESC surfaceDesc(D3DFORMAT format, DWORD usage, UINT width, UINT height,
                                       D3DMULTISAMPLE_TYPE multiSample, DWORD quality);
    // CreateRenderTarget and CreateDepthStencilSurface: `flag` is Lockable or Discard.
    HRESULT createSurface(const char* method, const char* kind, DWORD usage, UINT Width, UINT Height,
                          D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality, BOOL flag,
                          IDirect3DSurface9** ppSurface);

    ZarnRecordingDirect3D9* direct3d;
    D3DPRESENT_PARAMETERS params;
    D3DCAPS9 caps;
    std::shared_ptr<ZarnRecordingLog> callLog;
    ZarnRecordingScript deviceScript;
    ULONG refs = 1;
    std::map<std::string, unsigned> callCounts;
    std::map<std::string, unsigned> nameCounter;
    std::set<ZarnRecordingResource*> resources;

    ZarnRecordingSurface* backBuffer = nullptr;
    IDirect3DSurface9* renderTargets[4] = {};
    ZarnRecordingSurface* autoDepthStencil = nullptr;
    IDirect3DSurface9* depthStencil = nullptr;
    IDirect3DBaseTexture9* textures[16] = {};
    IDirect3DVertexBuffer9* streams[4] = {};
    UINT streamOffsets[4] = {};
    UINT streamStrides[4] = {};
    IDirect3DIndexBuffer9* indices = nullptr;
    IDirect3DVertexDeclaration9* declaration = nullptr;

    D3DVIEWPORT9 viewport = {};
    std::map<DWORD, D3DMATRIX> transforms;
    std::map<DWORD, DWORD> renderStates;
    std::map<std::pair<DWORD, DWORD>, DWORD> samplerStates;
    std::map<std::pair<DWORD, DWORD>, DWORD> stageStates;
    D3DMATERIAL9 material = {};
    std::map<DWORD, D3DLIGHT9> lights;
    std::set<DWORD> enabledLights;
    bool sceneOpen = false;

    struct Program {
        std::string vertexSource;
        std::string fragmentSource;
        std::map<std::string, INT> uniforms;
    };
    std::map<UINT, Program> programs;
    UINT nextProgram = 1;
    INT nextLocation = 0;
    UINT program = 0;
    std::map<INT, std::vector<float>> uniforms;
};

// Caps of a capable hardware device: hardware transform and lighting, the default, one and
// immediate presentation intervals, shader model 3.
D3DCAPS9 ZarnRecordingHalCaps(D3DDEVTYPE type = D3DDEVTYPE_HAL);

// The recording device's Direct3D object, scriptable for the enumeration tests: which
// adapters exist, their display modes, device caps, the answers of the Check* calls and the
// result of CreateDevice. Devices it creates are recording devices that share its log.
struct ZarnFakeAdapter {
    // An adapter without an identifier makes GetAdapterIdentifier fail.
    bool hasIdentifier = true;
    std::string description = "Zarn recording adapter";
    std::string driver = "zarn-recording";
    // Whether it answers as a CPU rasteriser (ZarnIsSoftwareAdapter).
    bool softwareRasterizer = false;
    D3DDISPLAYMODE desktopMode = {1280, 1024, 60, D3DFMT_X8R8G8B8};
    // Every display mode of every format; EnumAdapterModes filters by format.
    std::vector<D3DDISPLAYMODE> modes = {
        {640, 480, 60, D3DFMT_X8R8G8B8},
        {800, 600, 60, D3DFMT_X8R8G8B8},
        {1024, 768, 60, D3DFMT_X8R8G8B8},
        {1280, 1024, 60, D3DFMT_X8R8G8B8},
    };
    // Caps per device type; a type missing here makes GetDeviceCaps fail (D3DERR_NOTAVAILABLE).
    std::map<D3DDEVTYPE, D3DCAPS9> caps = {{D3DDEVTYPE_HAL, ZarnRecordingHalCaps()}};
    // Device types for which CreateDevice succeeds (when createDeviceResult is D3D_OK).
    std::set<D3DDEVTYPE> creatableDeviceTypes = {D3DDEVTYPE_HAL};
    // Adapter formats CheckDeviceType accepts, and back-buffer formats it accepts with them.
    std::set<D3DFORMAT> adapterFormats = {D3DFMT_X8R8G8B8};
    std::set<D3DFORMAT> backBufferFormats = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8};
    // Formats CheckDeviceFormat accepts for post-pixel-shader blending on textures.
    std::set<D3DFORMAT> blendableFormats = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8};
    // Depth-stencil formats accepted by CheckDeviceFormat and CheckDepthStencilMatch.
    std::set<D3DFORMAT> depthFormats = {D3DFMT_D16, D3DFMT_D24X8, D3DFMT_D24S8, D3DFMT_D32};
    // Multisample types and their quality-level counts; others answer D3DERR_NOTAVAILABLE.
    std::map<D3DMULTISAMPLE_TYPE, DWORD> multiSampleQualities = {{D3DMULTISAMPLE_2_SAMPLES, 1},
                                                                  {D3DMULTISAMPLE_4_SAMPLES, 1}};
    // Whether full-screen (windowed == FALSE) pairings pass CheckDeviceType.
    bool fullScreenAllowed = true;
};

struct ZarnDirect3DScript {
    std::vector<ZarnFakeAdapter> adapters = {ZarnFakeAdapter{}};
    // CreateDevice returns this when not D3D_OK, whatever the device type.
    HRESULT createDeviceResult = D3D_OK;
    // Copied into every device it creates.
    ZarnRecordingScript deviceScript;
};

class ZarnRecordingDirect3D9 final : public IDirect3D9, public IZarnSoftwareAdapter {
public:
    explicit ZarnRecordingDirect3D9(ZarnDirect3DScript script = {},
                                    std::shared_ptr<ZarnRecordingLog> log = std::make_shared<ZarnRecordingLog>());

    ZarnRecordingLog& log() { return *callLog; }
    std::shared_ptr<ZarnRecordingLog> sharedLog() { return callLog; }
    ZarnDirect3DScript& script() { return d3dScript; }
    ULONG refCount() const { return refs; }
    // The device made by the latest successful CreateDevice (not referenced; valid while the
    // caller keeps it), or null.
    ZarnRecordingDevice* lastDevice() const { return latestDevice; }
    void forgetDevice(ZarnRecordingDevice* device);

    ULONG AddRef() override;
    ULONG Release() override;
    UINT GetAdapterCount() override;
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
    // Not a Direct3D call, so not logged: the logs stay what a real Direct3D would be asked.
    BOOL IsSoftwareAdapter(UINT Adapter) override;

private:
    ~ZarnRecordingDirect3D9() override;
    const ZarnFakeAdapter* adapter(UINT ordinal) const;
    const D3DCAPS9* capsOf(UINT ordinal, D3DDEVTYPE type) const;

    ZarnDirect3DScript d3dScript;
    std::shared_ptr<ZarnRecordingLog> callLog;
    ULONG refs = 1;
    ZarnRecordingDevice* latestDevice = nullptr;
};

// Installs a factory so that Direct3DCreate9 hands out a new ZarnRecordingDirect3D9 with
// this script; the previous factory comes back when the guard goes out of scope.
class ZarnScopedRecordingDirect3D {
public:
    explicit ZarnScopedRecordingDirect3D(ZarnDirect3DScript script = {});
    ~ZarnScopedRecordingDirect3D();
    ZarnScopedRecordingDirect3D(const ZarnScopedRecordingDirect3D&) = delete;
    ZarnScopedRecordingDirect3D& operator=(const ZarnScopedRecordingDirect3D&) = delete;

    ZarnDirect3DScript& script();
    // The latest object Direct3DCreate9 handed out while installed (not referenced; null once
    // it has been destroyed).
    ZarnRecordingDirect3D9* lastCreated() const;
    // How many objects Direct3DCreate9 handed out.
    int created() const;
    // The next `count` calls of Direct3DCreate9 return null (no Direct3D 9 on this machine).
    void failCreates(int count);

private:
    ZarnDirect3DFactory previousFactory;
};

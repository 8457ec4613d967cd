// The recording IDirect3DDevice9: logs each call, keeps the state it was given so Get*
// answers with it, and fails where its script says. Resources live in RecordingResources.
#include "d3d9/recording/RecordingNames.h"
#include "d3d9/recording/RecordingResources.h"

#include <algorithm>
#include <cstring>
#include <new>

using namespace recording;

namespace {

// The largest texture side the recording device accepts, like a real device's caps.
constexpr UINT kMaxTextureSide = 16384;

D3DMATRIX identity() {
    D3DMATRIX m = {};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

// Direct3D 9's documented defaults for the states the saver reads back.
DWORD defaultRenderState(DWORD state, bool autoDepth) {
    switch (state) {
        case D3DRS_ZENABLE: return autoDepth ? D3DZB_TRUE : D3DZB_FALSE;
        case D3DRS_FILLMODE: return 3;   // D3DFILL_SOLID
        case D3DRS_SHADEMODE: return 2;  // D3DSHADE_GOURAUD
        case D3DRS_ZWRITEENABLE: return TRUE;
        case D3DRS_LASTPIXEL: return TRUE;
        case D3DRS_SRCBLEND: return D3DBLEND_ONE;
        case D3DRS_DESTBLEND: return D3DBLEND_ZERO;
        case D3DRS_CULLMODE: return D3DCULL_CCW;
        case D3DRS_ZFUNC: return D3DCMP_LESSEQUAL;
        case D3DRS_ALPHAFUNC: return D3DCMP_ALWAYS;
        case D3DRS_LIGHTING: return TRUE;
        case D3DRS_COLORWRITEENABLE: return 0xF;
        default: return 0;
    }
}

DWORD defaultSamplerState(DWORD type) {
    switch (type) {
        case D3DSAMP_ADDRESSU:
        case D3DSAMP_ADDRESSV:
        case D3DSAMP_ADDRESSW: return D3DTADDRESS_WRAP;
        case D3DSAMP_MAGFILTER:
        case D3DSAMP_MINFILTER: return D3DTEXF_POINT;
        default: return 0;
    }
}

DWORD defaultStageState(DWORD stage, DWORD type) {
    if (type == D3DTSS_COLOROP) return stage == 0 ? 4 /* D3DTOP_MODULATE */ : 1 /* D3DTOP_DISABLE */;
    return 0;
}

std::string uniformTypeName(ZarnUniformType type) {
    switch (type) {
        case ZARN_UNIFORM_FLOAT: return "FLOAT";
        case ZARN_UNIFORM_VEC4: return "VEC4";
        case ZARN_UNIFORM_MAT4: return "MAT4";
    }
    return std::to_string(static_cast<int>(type));
}

std::string programName(UINT program) { return program ? "prog" + std::to_string(program) : "0"; }

template <typename T>
HRESULT handOut(T* object, T** out) {
    object->AddRef();
    *out = object;
    return D3D_OK;
}

}  // namespace

ZarnRecordingDevice::ZarnRecordingDevice(ZarnRecordingDirect3D9* d3d, const D3DPRESENT_PARAMETERS& presentParams,
                                         const D3DCAPS9& deviceCaps, std::shared_ptr<ZarnRecordingLog> log,
                                         ZarnRecordingScript script)
    : direct3d(d3d),
      params(presentParams),
      caps(deviceCaps),
      callLog(log ? std::move(log) : std::make_shared<ZarnRecordingLog>()),
      deviceScript(std::move(script)) {
    countLive(+1);
    if (direct3d) direct3d->AddRef();
    const UINT width = std::max(1u, params.BackBufferWidth), height = std::max(1u, params.BackBufferHeight);
    backBuffer = new ZarnRecordingSurface(this, "backbuffer",
                                          surfaceDesc(params.BackBufferFormat, D3DUSAGE_RENDERTARGET, width, height,
                                                      params.MultiSampleType, params.MultiSampleQuality),
                                          nullptr, nullptr);
    resources.insert(backBuffer);
    renderTargets[0] = backBuffer;
    backBuffer->AddRef();
    if (params.EnableAutoDepthStencil) {
        autoDepthStencil = new ZarnRecordingSurface(
            this, "autodepth",
            surfaceDesc(params.AutoDepthStencilFormat, D3DUSAGE_DEPTHSTENCIL, width, height, params.MultiSampleType,
                        params.MultiSampleQuality),
            nullptr, nullptr);
        resources.insert(autoDepthStencil);
        depthStencil = autoDepthStencil;
        depthStencil->AddRef();
    }
    viewport = {0, 0, width, height, 0.0f, 1.0f};
}

D3DSURFACE_DESC ZarnRecordingDevice::surfaceDesc(D3DFORMAT format, DWORD usage, UINT width, UINT height,
                                                 D3DMULTISAMPLE_TYPE multiSample, DWORD quality) {
    D3DSURFACE_DESC desc = {};
    desc.Format = format;
    desc.Type = D3DRTYPE_SURFACE;
    desc.Usage = usage;
    desc.Pool = D3DPOOL_DEFAULT;
    desc.MultiSampleType = multiSample;
    desc.MultiSampleQuality = quality;
    desc.Width = width;
    desc.Height = height;
    return desc;
}

ZarnRecordingDevice::~ZarnRecordingDevice() {
    countLive(-1);
    if (direct3d) {
        direct3d->forgetDevice(this);
        direct3d->Release();
    }
}

ULONG ZarnRecordingDevice::AddRef() { return ++refs; }

ULONG ZarnRecordingDevice::Release() {
    if (refs == 0) return 0;
    ULONG left = --refs;
    if (left == 0) {
        releaseBindings();
        if (backBuffer) backBuffer->Release();
        backBuffer = nullptr;
        if (autoDepthStencil) autoDepthStencil->Release();
        autoDepthStencil = nullptr;
        // Whatever the caller still holds is detached, so it never reaches a dead device;
        // it stays in the live-object count, which is how a test sees the leak.
        std::set<ZarnRecordingResource*> left_over = resources;
        resources.clear();
        for (ZarnRecordingResource* resource : left_over) resource->detach();
        delete this;
    }
    return left;
}

void ZarnRecordingDevice::releaseBindings() {
    for (auto& target : renderTargets) bind(target, static_cast<IDirect3DSurface9*>(nullptr));
    bind(depthStencil, static_cast<IDirect3DSurface9*>(nullptr));
    for (auto& texture : textures) bind(texture, static_cast<IDirect3DBaseTexture9*>(nullptr));
    for (auto& stream : streams) bind(stream, static_cast<IDirect3DVertexBuffer9*>(nullptr));
    bind(indices, static_cast<IDirect3DIndexBuffer9*>(nullptr));
    bind(declaration, static_cast<IDirect3DVertexDeclaration9*>(nullptr));
}

template <typename T>
void ZarnRecordingDevice::bind(T*& slot, T* object) {
    if (object) object->AddRef();
    T* previous = slot;
    slot = object;
    if (previous) previous->Release();
}

void ZarnRecordingDevice::forgetResource(ZarnRecordingResource* resource) { resources.erase(resource); }

std::string ZarnRecordingDevice::nameOf(IUnknown* object) {
    if (!object) return "null";
    if (auto* resource = dynamic_cast<ZarnRecordingResource*>(object)) return resource->name();
    return "foreign";
}

std::string ZarnRecordingDevice::newName(const char* kind) {
    return kind + std::to_string(++nameCounter[""]);
}

HRESULT ZarnRecordingDevice::scriptedFailure(const std::string& method) {
    unsigned number = ++callCounts[method];
    auto always = deviceScript.failingCalls.find(method);
    if (always != deviceScript.failingCalls.end()) return always->second;
    auto numbered = deviceScript.failingCallNumbers.find(method);
    if (numbered != deviceScript.failingCallNumbers.end() && numbered->second.count(number))
        return deviceScript.failResult;
    return D3D_OK;
}

HRESULT ZarnRecordingDevice::record(const std::string& method, const std::string& args, HRESULT result) {
    std::string line = method + "(" + args + ")";
    if (FAILED(result)) {
        char code[32];
        std::snprintf(code, sizeof code, " -> FAILED 0x%08X", static_cast<unsigned>(result));
        line += code;
    }
    callLog->add(std::move(line));
    return result;
}

// ---- creation ------------------------------------------------------------------------------

HRESULT ZarnRecordingDevice::GetDirect3D(IDirect3D9** ppD3D9) {
    HRESULT result = ppD3D9 ? scriptedFailure("GetDirect3D") : D3DERR_INVALIDCALL;
    if (SUCCEEDED(result) && !direct3d) result = D3DERR_INVALIDCALL;
    if (ppD3D9) *ppD3D9 = nullptr;
    if (SUCCEEDED(result)) handOut<IDirect3D9>(direct3d, ppD3D9);
    return record("GetDirect3D", "", result);
}

HRESULT ZarnRecordingDevice::GetDeviceCaps(D3DCAPS9* pCaps) {
    HRESULT result = pCaps ? scriptedFailure("GetDeviceCaps") : D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) *pCaps = caps;
    return record("GetDeviceCaps", "", result);
}

HRESULT ZarnRecordingDevice::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                           D3DPOOL Pool, IDirect3DTexture9** ppTexture, void*) {
    std::string args = std::to_string(Width) + ", " + std::to_string(Height) + ", " + std::to_string(Levels) + ", " +
                       hex(Usage) + ", " + formatName(Format) + ", " + poolName(Pool);
    HRESULT result = scriptedFailure("CreateTexture");
    if (ppTexture) *ppTexture = nullptr;
    if (SUCCEEDED(result) && (!ppTexture || Width == 0 || Height == 0 || Width > kMaxTextureSide ||
                              Height > kMaxTextureSide || bytesPerPixel(Format) == 0))
        result = D3DERR_INVALIDCALL;
    // Direct3D only makes render targets and depth textures in the default pool.
    if (SUCCEEDED(result) && (Usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) && Pool != D3DPOOL_DEFAULT)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result) &&
        (deviceScript.failTextureFormats.count(Format) || (Usage & deviceScript.failTextureUsage) != 0))
        result = D3DERR_OUTOFVIDEOMEMORY;
    ZarnRecordingTexture* texture = nullptr;
    if (SUCCEEDED(result)) {
        texture = new (std::nothrow) ZarnRecordingTexture(this, newName("tex"), Width, Height, Levels, Usage, Format,
                                                           Pool);
        if (!texture || !texture->valid()) {
            if (texture) texture->Release();
            texture = nullptr;
            result = E_OUTOFMEMORY;
        }
    }
    record("CreateTexture", args, result);
    if (texture) {
        resources.insert(texture);
        callLog->lines.back() += " -> " + texture->name();
        *ppTexture = texture;
    }
    return result;
}

HRESULT ZarnRecordingDevice::CreateCubeTexture(UINT EdgeLength, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                               D3DPOOL Pool, IDirect3DCubeTexture9** ppCubeTexture, void*) {
    std::string args = std::to_string(EdgeLength) + ", " + std::to_string(Levels) + ", " + hex(Usage) + ", " +
                       formatName(Format) + ", " + poolName(Pool);
    HRESULT result = scriptedFailure("CreateCubeTexture");
    if (ppCubeTexture) *ppCubeTexture = nullptr;
    if (SUCCEEDED(result) &&
        (!ppCubeTexture || EdgeLength == 0 || EdgeLength > kMaxTextureSide || bytesPerPixel(Format) == 0))
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result) &&
        (deviceScript.failTextureFormats.count(Format) || (Usage & deviceScript.failTextureUsage) != 0))
        result = D3DERR_OUTOFVIDEOMEMORY;
    ZarnRecordingCubeTexture* cube = nullptr;
    if (SUCCEEDED(result)) {
        cube = new (std::nothrow)
            ZarnRecordingCubeTexture(this, newName("cube"), EdgeLength, Levels, Usage, Format, Pool);
        if (!cube || !cube->valid()) {
            if (cube) cube->Release();
            cube = nullptr;
            result = E_OUTOFMEMORY;
        }
    }
    record("CreateCubeTexture", args, result);
    if (cube) {
        resources.insert(cube);
        callLog->lines.back() += " -> " + cube->name();
        *ppCubeTexture = cube;
    }
    return result;
}

HRESULT ZarnRecordingDevice::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                                IDirect3DVertexBuffer9** ppVertexBuffer, void*) {
    std::string args = std::to_string(Length) + ", " + hex(Usage) + ", " + hex(FVF) + ", " + poolName(Pool);
    HRESULT result = scriptedFailure("CreateVertexBuffer");
    if (ppVertexBuffer) *ppVertexBuffer = nullptr;
    if (SUCCEEDED(result) && (!ppVertexBuffer || Length == 0)) result = D3DERR_INVALIDCALL;
    ZarnRecordingVertexBuffer* buffer = nullptr;
    if (SUCCEEDED(result)) {
        buffer = new (std::nothrow) ZarnRecordingVertexBuffer(this, newName("vb"), Length, Usage, FVF, Pool);
        if (!buffer || !buffer->valid()) {
            if (buffer) buffer->Release();
            buffer = nullptr;
            result = E_OUTOFMEMORY;
        }
    }
    record("CreateVertexBuffer", args, result);
    if (buffer) {
        resources.insert(buffer);
        callLog->lines.back() += " -> " + buffer->name();
        *ppVertexBuffer = buffer;
    }
    return result;
}

HRESULT ZarnRecordingDevice::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                               IDirect3DIndexBuffer9** ppIndexBuffer, void*) {
    std::string args = std::to_string(Length) + ", " + hex(Usage) + ", " + formatName(Format) + ", " + poolName(Pool);
    HRESULT result = scriptedFailure("CreateIndexBuffer");
    if (ppIndexBuffer) *ppIndexBuffer = nullptr;
    if (SUCCEEDED(result) &&
        (!ppIndexBuffer || Length == 0 || (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32)))
        result = D3DERR_INVALIDCALL;
    ZarnRecordingIndexBuffer* buffer = nullptr;
    if (SUCCEEDED(result)) {
        buffer = new (std::nothrow) ZarnRecordingIndexBuffer(this, newName("ib"), Length, Usage, Format, Pool);
        if (!buffer || !buffer->valid()) {
            if (buffer) buffer->Release();
            buffer = nullptr;
            result = E_OUTOFMEMORY;
        }
    }
    record("CreateIndexBuffer", args, result);
    if (buffer) {
        resources.insert(buffer);
        callLog->lines.back() += " -> " + buffer->name();
        *ppIndexBuffer = buffer;
    }
    return result;
}

HRESULT ZarnRecordingDevice::CreateRenderTarget(UINT Width, UINT Height, D3DFORMAT Format,
                                                D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality,
                                                BOOL Lockable, IDirect3DSurface9** ppSurface, void*) {
    return createSurface("CreateRenderTarget", "rt", D3DUSAGE_RENDERTARGET, Width, Height, Format, MultiSample,
                         MultisampleQuality, Lockable, ppSurface);
}

HRESULT ZarnRecordingDevice::CreateDepthStencilSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                                       D3DMULTISAMPLE_TYPE MultiSample, DWORD MultisampleQuality,
                                                       BOOL Discard, IDirect3DSurface9** ppSurface, void*) {
    return createSurface("CreateDepthStencilSurface", "ds", D3DUSAGE_DEPTHSTENCIL, Width, Height, Format,
                         MultiSample, MultisampleQuality, Discard, ppSurface);
}

HRESULT ZarnRecordingDevice::createSurface(const char* method, const char* kind, DWORD usage, UINT Width,
                                           UINT Height, D3DFORMAT Format, D3DMULTISAMPLE_TYPE MultiSample,
                                           DWORD MultisampleQuality, BOOL flag, IDirect3DSurface9** ppSurface) {
    std::string args = std::to_string(Width) + ", " + std::to_string(Height) + ", " + formatName(Format) + ", " +
                       multiSampleName(MultiSample) + ", " + std::to_string(MultisampleQuality) + ", " +
                       std::to_string(flag);
    HRESULT result = scriptedFailure(method);
    if (ppSurface) *ppSurface = nullptr;
    if (SUCCEEDED(result) && (!ppSurface || Width == 0 || Height == 0 || Width > kMaxTextureSide ||
                              Height > kMaxTextureSide || bytesPerPixel(Format) == 0))
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result) && deviceScript.missingMultiSampleTypes.count(MultiSample)) result = D3DERR_NOTAVAILABLE;
    ZarnRecordingSurface* surface = nullptr;
    if (SUCCEEDED(result)) {
        surface = new (std::nothrow)
            ZarnRecordingSurface(this, newName(kind), surfaceDesc(Format, usage, Width, Height, MultiSample,
                                                                  MultisampleQuality),
                                 nullptr, nullptr);
        if (!surface) result = E_OUTOFMEMORY;
    }
    record(method, args, result);
    if (surface) {
        resources.insert(surface);
        callLog->lines.back() += " -> " + surface->name();
        *ppSurface = surface;
    }
    return result;
}

HRESULT ZarnRecordingDevice::CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                                     IDirect3DVertexDeclaration9** ppDecl) {
    std::vector<D3DVERTEXELEMENT9> elements;
    bool ended = false;
    std::string args;
    for (size_t i = 0; pVertexElements && i < MAXD3DDECLLENGTH + 1; ++i) {
        const D3DVERTEXELEMENT9& e = pVertexElements[i];
        elements.push_back(e);
        if (e.Stream == 0xFF) {
            ended = true;
            break;
        }
        if (!args.empty()) args += ' ';
        args += "{" + std::to_string(e.Stream) + " " + std::to_string(e.Offset) + " " + std::to_string(e.Type) + " " +
                std::to_string(e.Method) + " " + std::to_string(e.Usage) + " " + std::to_string(e.UsageIndex) + "}";
    }
    HRESULT result = scriptedFailure("CreateVertexDeclaration");
    if (ppDecl) *ppDecl = nullptr;
    if (SUCCEEDED(result) && (!ppDecl || !ended)) result = D3DERR_INVALIDCALL;
    ZarnRecordingVertexDeclaration* decl = nullptr;
    if (SUCCEEDED(result)) {
        decl = new (std::nothrow) ZarnRecordingVertexDeclaration(this, newName("decl"), std::move(elements));
        if (!decl) result = E_OUTOFMEMORY;
    }
    record("CreateVertexDeclaration", args, result);
    if (decl) {
        resources.insert(decl);
        callLog->lines.back() += " -> " + decl->name();
        *ppDecl = decl;
    }
    return result;
}

// ---- targets and frames --------------------------------------------------------------------

HRESULT ZarnRecordingDevice::SetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9* pRenderTarget) {
    std::string args = std::to_string(RenderTargetIndex) + ", " + nameOf(pRenderTarget);
    HRESULT result = scriptedFailure("SetRenderTarget");
    if (SUCCEEDED(result) && (RenderTargetIndex >= 4 || (RenderTargetIndex == 0 && !pRenderTarget)))
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) {
        bind(renderTargets[RenderTargetIndex], pRenderTarget);
        // Setting target 0 resets the viewport to the whole target, as Direct3D does.
        D3DSURFACE_DESC desc = {};
        if (RenderTargetIndex == 0 && SUCCEEDED(pRenderTarget->GetDesc(&desc)))
            viewport = {0, 0, desc.Width, desc.Height, 0.0f, 1.0f};
    }
    return record("SetRenderTarget", args, result);
}

HRESULT ZarnRecordingDevice::GetRenderTarget(DWORD RenderTargetIndex, IDirect3DSurface9** ppRenderTarget) {
    HRESULT result = scriptedFailure("GetRenderTarget");
    if (ppRenderTarget) *ppRenderTarget = nullptr;
    if (SUCCEEDED(result) && (!ppRenderTarget || RenderTargetIndex >= 4)) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result) && !renderTargets[RenderTargetIndex]) result = D3DERR_NOTFOUND;
    record("GetRenderTarget", std::to_string(RenderTargetIndex), result);
    if (SUCCEEDED(result)) {
        handOut(renderTargets[RenderTargetIndex], ppRenderTarget);
        callLog->lines.back() += " -> " + nameOf(*ppRenderTarget);
    }
    return result;
}

HRESULT ZarnRecordingDevice::SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) {
    HRESULT result = scriptedFailure("SetDepthStencilSurface");
    if (SUCCEEDED(result)) bind(depthStencil, pNewZStencil);
    return record("SetDepthStencilSurface", nameOf(pNewZStencil), result);
}

HRESULT ZarnRecordingDevice::GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) {
    HRESULT result = scriptedFailure("GetDepthStencilSurface");
    if (ppZStencilSurface) *ppZStencilSurface = nullptr;
    if (SUCCEEDED(result) && !ppZStencilSurface) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result) && !depthStencil) result = D3DERR_NOTFOUND;
    record("GetDepthStencilSurface", "", result);
    if (SUCCEEDED(result)) {
        handOut(depthStencil, ppZStencilSurface);
        callLog->lines.back() += " -> " + nameOf(*ppZStencilSurface);
    }
    return result;
}

HRESULT ZarnRecordingDevice::StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                                         IDirect3DSurface9* pDestSurface, const RECT* pDestRect,
                                         D3DTEXTUREFILTERTYPE Filter) {
    std::string args = nameOf(pSourceSurface) + ", " + rect(pSourceRect) + ", " + nameOf(pDestSurface) + ", " +
                       rect(pDestRect) + ", " + filterName(Filter);
    HRESULT result = scriptedFailure("StretchRect");
    if (SUCCEEDED(result) && (!pSourceSurface || !pDestSurface || pSourceSurface == pDestSurface))
        result = D3DERR_INVALIDCALL;
    return record("StretchRect", args, result);
}

HRESULT ZarnRecordingDevice::SetViewport(const D3DVIEWPORT9* pViewport) {
    std::string args = pViewport ? std::to_string(pViewport->X) + ", " + std::to_string(pViewport->Y) + ", " +
                                       std::to_string(pViewport->Width) + ", " + std::to_string(pViewport->Height) +
                                       ", " + num(pViewport->MinZ) + ", " + num(pViewport->MaxZ)
                                 : "null";
    HRESULT result = pViewport ? scriptedFailure("SetViewport") : D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) viewport = *pViewport;
    return record("SetViewport", args, result);
}

HRESULT ZarnRecordingDevice::GetViewport(D3DVIEWPORT9* pViewport) {
    HRESULT result = pViewport ? scriptedFailure("GetViewport") : D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) *pViewport = viewport;
    return record("GetViewport", "", result);
}

HRESULT ZarnRecordingDevice::Clear(DWORD Count, const void*, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) {
    std::string args =
        std::to_string(Count) + ", " + hex(Flags) + ", " + hex(Color) + ", " + num(Z) + ", " + std::to_string(Stencil);
    return record("Clear", args, scriptedFailure("Clear"));
}

HRESULT ZarnRecordingDevice::BeginScene() {
    HRESULT result = scriptedFailure("BeginScene");
    // Direct3D refuses a nested scene; a frame loop that forgets EndScene shows up here.
    if (SUCCEEDED(result) && sceneOpen) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) sceneOpen = true;
    return record("BeginScene", "", result);
}

HRESULT ZarnRecordingDevice::EndScene() {
    HRESULT result = scriptedFailure("EndScene");
    if (SUCCEEDED(result) && !sceneOpen) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) sceneOpen = false;
    return record("EndScene", "", result);
}

HRESULT ZarnRecordingDevice::Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                                     const void*) {
    std::string args = rect(pSourceRect) + ", " + rect(pDestRect) + ", " + (hDestWindowOverride ? "hwnd" : "null");
    return record("Present", args, scriptedFailure("Present"));
}

// ---- state ---------------------------------------------------------------------------------

HRESULT ZarnRecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
    std::string args = transformName(State) + ", " + matrix(pMatrix);
    HRESULT result = pMatrix ? scriptedFailure("SetTransform") : D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) transforms[State] = *pMatrix;
    return record("SetTransform", args, result);
}

HRESULT ZarnRecordingDevice::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
    HRESULT result = pMatrix ? scriptedFailure("GetTransform") : D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) {
        auto found = transforms.find(State);
        *pMatrix = found != transforms.end() ? found->second : identity();
    }
    return record("GetTransform", transformName(State), result);
}

HRESULT ZarnRecordingDevice::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
    HRESULT result = scriptedFailure("SetRenderState");
    if (SUCCEEDED(result)) renderStates[State] = Value;
    return record("SetRenderState", renderStateName(State) + ", " + std::to_string(Value), result);
}

HRESULT ZarnRecordingDevice::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
    HRESULT result = pValue ? scriptedFailure("GetRenderState") : D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) {
        auto found = renderStates.find(State);
        *pValue = found != renderStates.end() ? found->second : defaultRenderState(State, params.EnableAutoDepthStencil);
    }
    return record("GetRenderState", renderStateName(State), result);
}

HRESULT ZarnRecordingDevice::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) {
    HRESULT result = scriptedFailure("SetSamplerState");
    if (SUCCEEDED(result)) samplerStates[{Sampler, Type}] = Value;
    return record("SetSamplerState",
                  std::to_string(Sampler) + ", " + samplerStateName(Type) + ", " + std::to_string(Value), result);
}

HRESULT ZarnRecordingDevice::GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) {
    HRESULT result = pValue ? scriptedFailure("GetSamplerState") : D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) {
        auto found = samplerStates.find({Sampler, Type});
        *pValue = found != samplerStates.end() ? found->second : defaultSamplerState(Type);
    }
    return record("GetSamplerState", std::to_string(Sampler) + ", " + samplerStateName(Type), result);
}

HRESULT ZarnRecordingDevice::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
    HRESULT result = scriptedFailure("SetTextureStageState");
    if (SUCCEEDED(result)) stageStates[{Stage, Type}] = Value;
    return record("SetTextureStageState",
                  std::to_string(Stage) + ", " + stageStateName(Type) + ", " + std::to_string(Value), result);
}

HRESULT ZarnRecordingDevice::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) {
    HRESULT result = pValue ? scriptedFailure("GetTextureStageState") : D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) {
        auto found = stageStates.find({Stage, Type});
        *pValue = found != stageStates.end() ? found->second : defaultStageState(Stage, Type);
    }
    return record("GetTextureStageState", std::to_string(Stage) + ", " + stageStateName(Type), result);
}

HRESULT ZarnRecordingDevice::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) {
    HRESULT result = scriptedFailure("SetTexture");
    if (SUCCEEDED(result) && Stage >= 16) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) bind(textures[Stage], pTexture);
    return record("SetTexture", std::to_string(Stage) + ", " + nameOf(pTexture), result);
}

HRESULT ZarnRecordingDevice::GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) {
    HRESULT result = ppTexture ? scriptedFailure("GetTexture") : D3DERR_INVALIDCALL;
    if (SUCCEEDED(result) && Stage >= 16) result = D3DERR_INVALIDCALL;
    if (ppTexture) *ppTexture = nullptr;
    if (SUCCEEDED(result) && textures[Stage]) handOut(textures[Stage], ppTexture);
    return record("GetTexture", std::to_string(Stage), result);
}

HRESULT ZarnRecordingDevice::SetMaterial(const D3DMATERIAL9* pMaterial) {
    std::string args = pMaterial ? color(pMaterial->Diffuse) + ", " + color(pMaterial->Ambient) + ", " +
                                       color(pMaterial->Specular) + ", " + color(pMaterial->Emissive) + ", " +
                                       num(pMaterial->Power)
                                 : "null";
    HRESULT result = pMaterial ? scriptedFailure("SetMaterial") : D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) material = *pMaterial;
    return record("SetMaterial", args, result);
}

HRESULT ZarnRecordingDevice::GetMaterial(D3DMATERIAL9* pMaterial) {
    HRESULT result = pMaterial ? scriptedFailure("GetMaterial") : D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) *pMaterial = material;
    return record("GetMaterial", "", result);
}

HRESULT ZarnRecordingDevice::SetLight(DWORD Index, const D3DLIGHT9* pLight) {
    std::string args = std::to_string(Index);
    if (pLight)
        args += ", " + std::to_string(pLight->Type) + ", " + color(pLight->Diffuse) + ", " + color(pLight->Specular) +
                ", " + color(pLight->Ambient) + ", " + floats(&pLight->Position.x, 3) + ", " +
                floats(&pLight->Direction.x, 3);
    else
        args += ", null";
    HRESULT result = pLight ? scriptedFailure("SetLight") : D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) lights[Index] = *pLight;
    return record("SetLight", args, result);
}

HRESULT ZarnRecordingDevice::LightEnable(DWORD Index, BOOL Enable) {
    HRESULT result = scriptedFailure("LightEnable");
    if (SUCCEEDED(result)) {
        if (Enable)
            enabledLights.insert(Index);
        else
            enabledLights.erase(Index);
    }
    return record("LightEnable", std::to_string(Index) + ", " + std::to_string(Enable ? 1 : 0), result);
}

bool ZarnRecordingDevice::lightEnabled(DWORD index) const { return enabledLights.count(index) != 0; }

D3DLIGHT9 ZarnRecordingDevice::light(DWORD index) const {
    auto found = lights.find(index);
    return found != lights.end() ? found->second : D3DLIGHT9{};
}

// ---- drawing -------------------------------------------------------------------------------

HRESULT ZarnRecordingDevice::SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) {
    HRESULT result = scriptedFailure("SetVertexDeclaration");
    if (SUCCEEDED(result)) bind(declaration, pDecl);
    return record("SetVertexDeclaration", nameOf(pDecl), result);
}

HRESULT ZarnRecordingDevice::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData,
                                             UINT OffsetInBytes, UINT Stride) {
    HRESULT result = scriptedFailure("SetStreamSource");
    if (SUCCEEDED(result) && StreamNumber >= 4) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) {
        bind(streams[StreamNumber], pStreamData);
        streamOffsets[StreamNumber] = OffsetInBytes;
        streamStrides[StreamNumber] = Stride;
    }
    return record("SetStreamSource", std::to_string(StreamNumber) + ", " + nameOf(pStreamData) + ", " +
                                         std::to_string(OffsetInBytes) + ", " + std::to_string(Stride),
                  result);
}

HRESULT ZarnRecordingDevice::SetIndices(IDirect3DIndexBuffer9* pIndexData) {
    HRESULT result = scriptedFailure("SetIndices");
    if (SUCCEEDED(result)) bind(indices, pIndexData);
    return record("SetIndices", nameOf(pIndexData), result);
}

HRESULT ZarnRecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) {
    HRESULT result = scriptedFailure("DrawPrimitive");
    // Drawing needs a layout and vertices, as on a real device.
    if (SUCCEEDED(result) && (!declaration || !streams[0])) result = D3DERR_INVALIDCALL;
    return record("DrawPrimitive",
                  primitiveName(PrimitiveType) + ", " + std::to_string(StartVertex) + ", " +
                      std::to_string(PrimitiveCount),
                  result);
}

HRESULT ZarnRecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex,
                                                  UINT MinVertexIndex, UINT NumVertices, UINT startIndex,
                                                  UINT primCount) {
    HRESULT result = scriptedFailure("DrawIndexedPrimitive");
    if (SUCCEEDED(result) && (!declaration || !streams[0] || !indices)) result = D3DERR_INVALIDCALL;
    return record("DrawIndexedPrimitive", primitiveName(PrimitiveType) + ", " + std::to_string(BaseVertexIndex) +
                                              ", " + std::to_string(MinVertexIndex) + ", " +
                                              std::to_string(NumVertices) + ", " + std::to_string(startIndex) +
                                              ", " + std::to_string(primCount),
                  result);
}

// ---- shader programs -----------------------------------------------------------------------

HRESULT ZarnRecordingDevice::CreateProgram(const char* vertexSource, const char* fragmentSource, std::string* pLog,
                                           UINT* pProgram) {
    if (pProgram) *pProgram = 0;
    if (pLog) pLog->clear();
    HRESULT result = (vertexSource && fragmentSource && pProgram) ? scriptedFailure("CreateProgram")
                                                                  : D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) {
        bool fails = deviceScript.failAllPrograms;
        for (const std::string& text : deviceScript.failProgramsContaining)
            if (std::strstr(vertexSource, text.c_str()) || std::strstr(fragmentSource, text.c_str())) fails = true;
        if (fails) result = E_FAIL;
    }
    if (FAILED(result)) {
        if (pLog) *pLog = deviceScript.failProgramLog;
        return record("CreateProgram", "", result);
    }
    UINT id = nextProgram++;
    programs[id] = Program{vertexSource, fragmentSource, {}};
    *pProgram = id;
    record("CreateProgram", "", result);
    callLog->lines.back() += " -> " + programName(id);
    return result;
}

void ZarnRecordingDevice::DeleteProgram(UINT id) {
    programs.erase(id);
    if (program == id) program = 0;
    record("DeleteProgram", programName(id));
}

HRESULT ZarnRecordingDevice::SetProgram(UINT id) {
    HRESULT result = scriptedFailure("SetProgram");
    if (SUCCEEDED(result) && id != 0 && !programs.count(id)) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) program = id;
    return record("SetProgram", programName(id), result);
}

INT ZarnRecordingDevice::GetUniformLocation(UINT id, const char* name) {
    INT location = -1;
    auto found = programs.find(id);
    if (found != programs.end() && name && !deviceScript.missingUniforms.count(name)) {
        auto [it, added] = found->second.uniforms.try_emplace(name, nextLocation);
        if (added) ++nextLocation;
        location = it->second;
    }
    record("GetUniformLocation", programName(id) + ", " + (name ? name : "null"));
    callLog->lines.back() += " -> " + std::to_string(location);
    return location;
}

HRESULT ZarnRecordingDevice::SetUniform(INT location, ZarnUniformType type, const float* values) {
    HRESULT result = scriptedFailure("SetUniform");
    // A uniform needs a program in use, as in GL; location -1 is ignored, as in GL.
    if (SUCCEEDED(result) && (program == 0 || !values)) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result) && location >= 0) uniforms[location].assign(values, values + static_cast<int>(type));
    return record("SetUniform",
                  std::to_string(location) + ", " + uniformTypeName(type) + ", " +
                      floats(values, static_cast<int>(type)),
                  result);
}

HRESULT ZarnRecordingDevice::SetUniformTexture(INT location, UINT unit, IDirect3DBaseTexture9* texture) {
    HRESULT result = scriptedFailure("SetUniformTexture");
    if (SUCCEEDED(result) && (program == 0 || unit >= 16)) result = D3DERR_INVALIDCALL;
    return record("SetUniformTexture", std::to_string(location) + ", " + std::to_string(unit) + ", " + nameOf(texture),
                  result);
}

BOOL ZarnRecordingDevice::SupportsRequirement(const char* requirement) {
    BOOL supported = requirement && !deviceScript.refusedRequirements.count(requirement);
    record("SupportsRequirement", requirement ? requirement : "null");
    callLog->lines.back() += supported ? " -> TRUE" : " -> FALSE";
    return supported;
}

std::string ZarnRecordingDevice::programVertexSource(UINT id) const {
    auto found = programs.find(id);
    return found != programs.end() ? found->second.vertexSource : std::string();
}

std::string ZarnRecordingDevice::programFragmentSource(UINT id) const {
    auto found = programs.find(id);
    return found != programs.end() ? found->second.fragmentSource : std::string();
}

std::vector<float> ZarnRecordingDevice::uniformValues(INT location) const {
    auto found = uniforms.find(location);
    return found != uniforms.end() ? found->second : std::vector<float>();
}

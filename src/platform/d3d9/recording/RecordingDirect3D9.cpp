// The recording back end's IDirect3D9: answers adapter, mode, caps and format questions from
// a script (so enumeration and device creation can be tested on any machine) and creates
// recording devices that share its log.
#include "d3d9/recording/RecordingNames.h"
#include "d3d9/recording/RecordingResources.h"

#include "d3d9/ZarnDirect3DFactory.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

using namespace recording;

D3DCAPS9 ZarnRecordingHalCaps(D3DDEVTYPE type) {
    D3DCAPS9 caps = {};
    caps.DeviceType = type;
    caps.PresentationIntervals = D3DPRESENT_INTERVAL_DEFAULT | D3DPRESENT_INTERVAL_ONE | D3DPRESENT_INTERVAL_IMMEDIATE;
    caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
    caps.MaxTextureWidth = 16384;
    caps.MaxTextureHeight = 16384;
    caps.MaxActiveLights = 8;
    caps.MaxStreams = 4;
    caps.VertexShaderVersion = 0xFFFE0300;  // D3DVS_VERSION(3, 0)
    caps.PixelShaderVersion = 0xFFFF0300;   // D3DPS_VERSION(3, 0)
    caps.NumSimultaneousRTs = 4;
    return caps;
}

namespace {

// What Direct3DCreate9 hands out while a ZarnScopedRecordingDirect3D is installed.
struct InstalledRecording {
    ZarnDirect3DScript script;
    ZarnRecordingDirect3D9* last = nullptr;
    int created = 0;
    int failuresLeft = 0;
};
InstalledRecording* installed = nullptr;

std::string presentParamsText(const D3DPRESENT_PARAMETERS* p) {
    if (!p) return "null";
    return "{" + std::to_string(p->BackBufferWidth) + "x" + std::to_string(p->BackBufferHeight) + " " +
           formatName(p->BackBufferFormat) + " count " + std::to_string(p->BackBufferCount) + " " +
           multiSampleName(p->MultiSampleType) + "/" + std::to_string(p->MultiSampleQuality) + " swap " +
           std::to_string(p->SwapEffect) + (p->Windowed ? " windowed" : " fullscreen") +
           (p->EnableAutoDepthStencil ? " depth " + formatName(p->AutoDepthStencilFormat) : " nodepth") +
           " flags " + hex(p->Flags) + " refresh " + std::to_string(p->FullScreen_RefreshRateInHz) + " interval " +
           hex(p->PresentationInterval) + "}";
}

}  // namespace

ZarnRecordingDirect3D9::ZarnRecordingDirect3D9(ZarnDirect3DScript script, std::shared_ptr<ZarnRecordingLog> log)
    : d3dScript(std::move(script)), callLog(log ? std::move(log) : std::make_shared<ZarnRecordingLog>()) {
    countLive(+1);
}

ZarnRecordingDirect3D9::~ZarnRecordingDirect3D9() {
    countLive(-1);
    if (installed && installed->last == this) installed->last = nullptr;
}

ULONG ZarnRecordingDirect3D9::AddRef() { return ++refs; }

ULONG ZarnRecordingDirect3D9::Release() {
    if (refs == 0) return 0;
    ULONG left = --refs;
    if (left == 0) delete this;
    return left;
}

void ZarnRecordingDirect3D9::forgetDevice(ZarnRecordingDevice* device) {
    if (latestDevice == device) latestDevice = nullptr;
}

const ZarnFakeAdapter* ZarnRecordingDirect3D9::adapter(UINT ordinal) const {
    return ordinal < d3dScript.adapters.size() ? &d3dScript.adapters[ordinal] : nullptr;
}

const D3DCAPS9* ZarnRecordingDirect3D9::capsOf(UINT ordinal, D3DDEVTYPE type) const {
    const ZarnFakeAdapter* a = adapter(ordinal);
    if (!a) return nullptr;
    auto found = a->caps.find(type);
    return found != a->caps.end() ? &found->second : nullptr;
}

UINT ZarnRecordingDirect3D9::GetAdapterCount() {
    callLog->add("GetAdapterCount()");
    return static_cast<UINT>(d3dScript.adapters.size());
}

HRESULT ZarnRecordingDirect3D9::GetAdapterIdentifier(UINT Adapter, DWORD Flags, D3DADAPTER_IDENTIFIER9* pIdentifier) {
    callLog->add("GetAdapterIdentifier(" + std::to_string(Adapter) + ", " + hex(Flags) + ")");
    const ZarnFakeAdapter* a = adapter(Adapter);
    if (!pIdentifier || !a || !a->hasIdentifier) return D3DERR_INVALIDCALL;
    *pIdentifier = {};
    std::snprintf(pIdentifier->Driver, sizeof pIdentifier->Driver, "%s", a->driver.c_str());
    std::snprintf(pIdentifier->Description, sizeof pIdentifier->Description, "%s", a->description.c_str());
    std::snprintf(pIdentifier->DeviceName, sizeof pIdentifier->DeviceName, "\\\\.\\DISPLAY%u", Adapter + 1);
    return D3D_OK;
}

BOOL ZarnRecordingDirect3D9::IsSoftwareAdapter(UINT Adapter) {
    const ZarnFakeAdapter* a = adapter(Adapter);
    return a && a->softwareRasterizer;
}

UINT ZarnRecordingDirect3D9::GetAdapterModeCount(UINT Adapter, D3DFORMAT Format) {
    callLog->add("GetAdapterModeCount(" + std::to_string(Adapter) + ", " + formatName(Format) + ")");
    const ZarnFakeAdapter* a = adapter(Adapter);
    if (!a) return 0;
    return static_cast<UINT>(std::count_if(a->modes.begin(), a->modes.end(),
                                           [&](const D3DDISPLAYMODE& m) { return m.Format == Format; }));
}

HRESULT ZarnRecordingDirect3D9::EnumAdapterModes(UINT Adapter, D3DFORMAT Format, UINT Mode, D3DDISPLAYMODE* pMode) {
    callLog->add("EnumAdapterModes(" + std::to_string(Adapter) + ", " + formatName(Format) + ", " +
                 std::to_string(Mode) + ")");
    const ZarnFakeAdapter* a = adapter(Adapter);
    if (!a || !pMode) return D3DERR_INVALIDCALL;
    UINT index = 0;
    for (const D3DDISPLAYMODE& m : a->modes) {
        if (m.Format != Format) continue;
        if (index++ == Mode) {
            *pMode = m;
            return D3D_OK;
        }
    }
    return D3DERR_INVALIDCALL;
}

HRESULT ZarnRecordingDirect3D9::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
    callLog->add("GetAdapterDisplayMode(" + std::to_string(Adapter) + ")");
    const ZarnFakeAdapter* a = adapter(Adapter);
    if (!a || !pMode) return D3DERR_INVALIDCALL;
    *pMode = a->desktopMode;
    return D3D_OK;
}

HRESULT ZarnRecordingDirect3D9::CheckDeviceType(UINT Adapter, D3DDEVTYPE DevType, D3DFORMAT AdapterFormat,
                                                D3DFORMAT BackBufferFormat, BOOL bWindowed) {
    callLog->add("CheckDeviceType(" + std::to_string(Adapter) + ", " + deviceTypeName(DevType) + ", " +
                 formatName(AdapterFormat) + ", " + formatName(BackBufferFormat) + ", " + std::to_string(bWindowed) +
                 ")");
    const ZarnFakeAdapter* a = adapter(Adapter);
    if (!a) return D3DERR_INVALIDCALL;
    if (!capsOf(Adapter, DevType) || !a->adapterFormats.count(AdapterFormat) ||
        !a->backBufferFormats.count(BackBufferFormat) || (!bWindowed && !a->fullScreenAllowed))
        return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT ZarnRecordingDirect3D9::CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                                  DWORD Usage, D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) {
    callLog->add("CheckDeviceFormat(" + std::to_string(Adapter) + ", " + deviceTypeName(DeviceType) + ", " +
                 formatName(AdapterFormat) + ", " + hex(Usage) + ", " + std::to_string(RType) + ", " +
                 formatName(CheckFormat) + ")");
    const ZarnFakeAdapter* a = adapter(Adapter);
    if (!a) return D3DERR_INVALIDCALL;
    if (!capsOf(Adapter, DeviceType) || !a->adapterFormats.count(AdapterFormat)) return D3DERR_NOTAVAILABLE;
    if (Usage & D3DUSAGE_DEPTHSTENCIL) return a->depthFormats.count(CheckFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
    if (Usage & D3DUSAGE_QUERY_POSTPIXELSHADER_BLENDING)
        return a->blendableFormats.count(CheckFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
    return bytesPerPixel(CheckFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT ZarnRecordingDirect3D9::CheckDeviceMultiSampleType(UINT Adapter, D3DDEVTYPE DeviceType,
                                                           D3DFORMAT SurfaceFormat, BOOL Windowed,
                                                           D3DMULTISAMPLE_TYPE MultiSampleType,
                                                           DWORD* pQualityLevels) {
    callLog->add("CheckDeviceMultiSampleType(" + std::to_string(Adapter) + ", " + deviceTypeName(DeviceType) + ", " +
                 formatName(SurfaceFormat) + ", " + std::to_string(Windowed) + ", " +
                 multiSampleName(MultiSampleType) + ")");
    if (pQualityLevels) *pQualityLevels = 0;
    const ZarnFakeAdapter* a = adapter(Adapter);
    if (!a) return D3DERR_INVALIDCALL;
    if (!capsOf(Adapter, DeviceType)) return D3DERR_NOTAVAILABLE;
    if (MultiSampleType == D3DMULTISAMPLE_NONE) {
        if (pQualityLevels) *pQualityLevels = 1;
        return D3D_OK;
    }
    auto found = a->multiSampleQualities.find(MultiSampleType);
    if (found == a->multiSampleQualities.end()) return D3DERR_NOTAVAILABLE;
    if (pQualityLevels) *pQualityLevels = found->second;
    return D3D_OK;
}

HRESULT ZarnRecordingDirect3D9::CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                                       D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat) {
    callLog->add("CheckDepthStencilMatch(" + std::to_string(Adapter) + ", " + deviceTypeName(DeviceType) + ", " +
                 formatName(AdapterFormat) + ", " + formatName(RenderTargetFormat) + ", " +
                 formatName(DepthStencilFormat) + ")");
    const ZarnFakeAdapter* a = adapter(Adapter);
    if (!a) return D3DERR_INVALIDCALL;
    if (!capsOf(Adapter, DeviceType) || !a->depthFormats.count(DepthStencilFormat)) return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT ZarnRecordingDirect3D9::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) {
    callLog->add("GetDeviceCaps(" + std::to_string(Adapter) + ", " + deviceTypeName(DeviceType) + ")");
    if (!pCaps || !adapter(Adapter)) return D3DERR_INVALIDCALL;
    const D3DCAPS9* caps = capsOf(Adapter, DeviceType);
    if (!caps) return D3DERR_NOTAVAILABLE;
    *pCaps = *caps;
    pCaps->AdapterOrdinal = Adapter;
    return D3D_OK;
}

HRESULT ZarnRecordingDirect3D9::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                                             DWORD BehaviorFlags, D3DPRESENT_PARAMETERS* pPresentationParameters,
                                             IDirect3DDevice9** ppReturnedDeviceInterface) {
    std::string line = "CreateDevice(" + std::to_string(Adapter) + ", " + deviceTypeName(DeviceType) + ", " +
                       (hFocusWindow ? "hwnd" : "null") + ", " + hex(BehaviorFlags) + ", " +
                       presentParamsText(pPresentationParameters) + ")";
    if (ppReturnedDeviceInterface) *ppReturnedDeviceInterface = nullptr;
    HRESULT result = D3D_OK;
    const ZarnFakeAdapter* a = adapter(Adapter);
    const D3DPRESENT_PARAMETERS* p = pPresentationParameters;
    if (!a || !p || !ppReturnedDeviceInterface) result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result) && FAILED(d3dScript.createDeviceResult)) result = d3dScript.createDeviceResult;
    if (SUCCEEDED(result) && (!a->creatableDeviceTypes.count(DeviceType) || !capsOf(Adapter, DeviceType)))
        result = D3DERR_NOTAVAILABLE;
    // The checks a real runtime makes on the parameters, so that a request the enumeration
    // should have corrected fails here the way it would on Windows.
    if (SUCCEEDED(result)) {
        DWORD vertexProcessing = BehaviorFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING |
                                                  D3DCREATE_HARDWARE_VERTEXPROCESSING |
                                                  D3DCREATE_MIXED_VERTEXPROCESSING);
        bool oneVertexProcessing = vertexProcessing == D3DCREATE_SOFTWARE_VERTEXPROCESSING ||
                                   vertexProcessing == D3DCREATE_HARDWARE_VERTEXPROCESSING ||
                                   vertexProcessing == D3DCREATE_MIXED_VERTEXPROCESSING;
        bool multiSampleOk = p->MultiSampleType == D3DMULTISAMPLE_NONE;
        if (!multiSampleOk) {
            auto found = a->multiSampleQualities.find(p->MultiSampleType);
            multiSampleOk = found != a->multiSampleQualities.end() && p->MultiSampleQuality < found->second &&
                            p->SwapEffect == D3DSWAPEFFECT_DISCARD;
        }
        if (!oneVertexProcessing || p->BackBufferCount > 3 || !multiSampleOk ||
            (p->EnableAutoDepthStencil && !a->depthFormats.count(p->AutoDepthStencilFormat)))
            result = D3DERR_INVALIDCALL;
    }
    ZarnRecordingDevice* device = nullptr;
    if (SUCCEEDED(result)) {
        D3DCAPS9 caps = *capsOf(Adapter, DeviceType);
        caps.AdapterOrdinal = Adapter;
        device = new (std::nothrow) ZarnRecordingDevice(this, *p, caps, callLog, d3dScript.deviceScript);
        if (!device) result = E_OUTOFMEMORY;
    }
    if (FAILED(result)) {
        char code[32];
        std::snprintf(code, sizeof code, " -> FAILED 0x%08X", static_cast<unsigned>(result));
        line += code;
    }
    callLog->add(line);
    if (device) {
        latestDevice = device;
        *ppReturnedDeviceInterface = device;
    }
    return result;
}

// ---- factory -------------------------------------------------------------------------------

namespace {

IDirect3D9* createRecordingDirect3D(UINT) {
    if (!installed) return nullptr;
    if (installed->failuresLeft > 0) {
        --installed->failuresLeft;
        return nullptr;
    }
    auto* d3d = new (std::nothrow) ZarnRecordingDirect3D9(installed->script);
    if (d3d) {
        installed->last = d3d;
        ++installed->created;
    }
    return d3d;
}

}  // namespace

ZarnScopedRecordingDirect3D::ZarnScopedRecordingDirect3D(ZarnDirect3DScript script) {
    delete installed;
    installed = new InstalledRecording{std::move(script)};
    previousFactory = ZarnSetDirect3DFactory(createRecordingDirect3D);
}

ZarnScopedRecordingDirect3D::~ZarnScopedRecordingDirect3D() {
    ZarnSetDirect3DFactory(previousFactory);
    delete installed;
    installed = nullptr;
}

ZarnDirect3DScript& ZarnScopedRecordingDirect3D::script() { return installed->script; }
int ZarnScopedRecordingDirect3D::created() const { return installed ? installed->created : 0; }
void ZarnScopedRecordingDirect3D::failCreates(int count) {
    if (installed) installed->failuresLeft = count;
}

ZarnRecordingDirect3D9* ZarnScopedRecordingDirect3D::lastCreated() const {
    return installed ? installed->last : nullptr;
}

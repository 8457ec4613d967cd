// Loading an effect: primary file, support test, fallback file, parameter handles. Every step
// reports in the log why an effect ended up loaded, on its fallback, or empty.
#include "render/Effect.h"

#include "shell/Diagnostics.h"

#include <cstring>
#include <string>

namespace {

// The compiler's text as a string, never reading past the buffer even without a NUL.
std::string bufferText(ID3DXBuffer* buffer) {
    const char* text = static_cast<const char*>(buffer->GetBufferPointer());
    DWORD size = buffer->GetBufferSize();
    if (!text || size == 0) return std::string();
    return std::string(text, strnlen(text, size));
}

// A file that does not load at all gets only "Error initializing shader"; what the parser or
// compiler said about it still goes to the log, or nobody could tell why.
void logFailureText(ID3DXBuffer* errors) {
    if (!errors) return;
    std::string text = bufferText(errors);
    if (!text.empty()) logPrintf("%s", text.c_str());
    errors->Release();
}

void reportLoaded(ID3DXEffect* effect, ID3DXBuffer* errors, const char* nullMessage) {
    if (!effect) logPrintf("%s", nullMessage);
    if (errors) {
        debugPrintf("Shader compilation errors:\n");
        debugPrintf("%s", bufferText(errors).c_str());
        errors->Release();
    }
}

}  // namespace

Effect::~Effect() = default;

bool Effect::init(IDirect3DDevice9* device, const char* fileName, const char* fallbackFileName,
                  const D3DXMACRO* macros) {
    // A second init would otherwise lose the first effect's reference.
    release();
    logPrintf("Initializing effect %s\n", fileName);

    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXCreateEffectFromFileA(device, fileName, macros, nullptr, 0, nullptr, &_pD3DEffect, &errors);
    if (FAILED(hr)) {
        _pD3DEffect = nullptr;
        debugPrintf("Error initializing shader %s\n", fileName);
        logFailureText(errors);
        return false;
    }
    reportLoaded(_pD3DEffect, errors, "  Error: Effect was successfully loaded, yet _pD3DEffect is NULL.\n");

    if (!isSupported() && fallbackFileName) {
        logPrintf("Unsupported shader %s.  Loading fallback shader.\n", fileName);
        errors = nullptr;
        hr = D3DXCreateEffectFromFileA(device, fallbackFileName, macros, nullptr, 0, nullptr, &_pD3DEffect, &errors);
        if (FAILED(hr)) {
            _pD3DEffect = nullptr;
            debugPrintf("Error initializing shader %s\n", fileName);
            logFailureText(errors);
            return false;
        }
        reportLoaded(_pD3DEffect, errors, "  Error: Fallback effect was successfully loaded, yet _pD3DEffect is NULL.\n");
    }

    if (!_pD3DEffect) {
        debugPrintf("Error: Effect is NULL after initialization attempts for %s\n", fileName);
        return false;
    }
    if (!cacheParams()) {
        debugPrintf("Error while caching shader params for %s\n", fileName);
        return false;
    }
    return true;
}

bool Effect::isSupported() {
    if (!_pD3DEffect) return false;
    D3DXHANDLE technique = nullptr;
    HRESULT hr = _pD3DEffect->FindNextValidTechnique(nullptr, &technique);
    if (SUCCEEDED(hr) && technique) return true;
    _pD3DEffect->OnLostDevice();
    _pD3DEffect->Release();
    _pD3DEffect = nullptr;
    return false;
}

bool Effect::cacheParam(D3DXHANDLE* handle, const char* name) {
    *handle = _pD3DEffect ? _pD3DEffect->GetParameterByName(nullptr, name) : nullptr;
    if (!*handle) {
        debugPrintf("Warning: Unknown shader parameter \"%s\"\n", name);
        return false;
    }
    return true;
}

void Effect::release() {
    if (!_pD3DEffect) return;
    _pD3DEffect->OnLostDevice();
    _pD3DEffect->Release();
    _pD3DEffect = nullptr;
}

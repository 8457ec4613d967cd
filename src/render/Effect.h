// Effect: one shader effect file loaded as an ID3DXEffect, with a fallback file for devices
// that can run none of its techniques, and parameter handles looked up once at load so that
// per-draw code never sets a parameter by name. Subclasses differ only in their handle lists
// (EffectKinds.h).
#pragma once

#include <d3d9.h>
#include <d3dx9.h>

class Effect {
public:
    Effect() = default;
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;
    // Does not release the effect: that is always the explicit release or the support test.
    virtual ~Effect();
    virtual bool cacheParams() = 0;

    // `macros` (a D3DX macro list ending in a null name, or null) selects a variant of the
    // file's shaders; the fallback file gets the same list.
    bool init(IDirect3DDevice9* device, const char* fileName, const char* fallbackFileName,
              const D3DXMACRO* macros = nullptr);
    bool isSupported();
    bool cacheParam(D3DXHANDLE* handle, const char* name);
    void release();
    ID3DXEffect* getD3DEffect() const { return _pD3DEffect; }

protected:
    ID3DXEffect* _pD3DEffect = nullptr;
};

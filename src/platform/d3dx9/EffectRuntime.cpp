// ID3DXEffect on top of IZarnShaderDevice. Parameter values live in the effect and reach the
// device's programs at BeginPass and CommitChanges, as in D3DX; a pass's render and sampler
// states go through the ordinary IDirect3DDevice9 calls, and Begin (unless told otherwise)
// records what the passes will change so End can put it back.
#include "d3dx9/EffectRuntime.h"

#include <ZarnShaderDevice.h>

#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace zarnfx {
namespace {

struct ParamValue {
    float values[16] = {};
    IDirect3DBaseTexture9* texture = nullptr;  // holds a reference while set
    bool dirty = true;
};

struct PassProgram {
    UINT program = 0;
    std::vector<INT> locations;  // one per parameter; -1 when the program does not use it
};

struct TechniqueState {
    bool valid = false;
    std::vector<PassProgram> passes;
};

struct SavedRenderState {
    D3DRENDERSTATETYPE state;
    DWORD value;
};

struct SavedSamplerState {
    DWORD sampler;
    D3DSAMPLERSTATETYPE state;
    DWORD value;
};

struct SavedTexture {
    DWORD stage;
    IDirect3DBaseTexture9* texture;  // reference from GetTexture, given back at End
};

class Effect final : public ID3DXEffect {
public:
    Effect(IDirect3DDevice9* device, EffectFileDesc&& desc) : device(device), desc(std::move(desc)) {
        device->AddRef();
        shaders = ZarnGetShaderDevice(device);
        values.resize(this->desc.params.size());
        for (size_t i = 0; i < values.size(); ++i) {
            const ParamDesc& param = this->desc.params[i];
            for (size_t k = 0; k < param.initialValue.size() && k < 16; ++k) values[i].values[k] = param.initialValue[k];
        }
    }

    void compile(const std::string& fileName, std::string* log) {
        techniques.resize(desc.techniques.size());
        for (size_t t = 0; t < desc.techniques.size(); ++t) {
            const TechniqueDesc& tech = desc.techniques[t];
            TechniqueState& state = techniques[t];
            std::string where = fileName + ": technique " + tech.name;
            if (!shaders) {
                *log += where + ": the device has no programmable pipeline\n";
                continue;
            }
            bool valid = true;
            for (const std::string& requirement : tech.requirements) {
                if (!shaders->SupportsRequirement(requirement.c_str())) {
                    *log += where + ": the device refuses requirement '" + requirement + "'\n";
                    valid = false;
                }
            }
            for (size_t p = 0; valid && p < tech.passes.size(); ++p) {
                const PassDesc& pass = tech.passes[p];
                std::string vertex = stageSource(desc, pass, false);
                std::string fragment = stageSource(desc, pass, true);
                std::string programLog;
                PassProgram program;
                HRESULT hr = shaders->CreateProgram(vertex.c_str(), fragment.c_str(), &programLog, &program.program);
                if (!programLog.empty()) {
                    *log += where + ", pass " + pass.name + ":\n" + programLog;
                    if (programLog.back() != '\n') *log += '\n';
                }
                if (FAILED(hr) || program.program == 0) {
                    valid = false;
                    break;
                }
                program.locations.resize(desc.params.size(), -1);
                for (size_t i = 0; i < desc.params.size(); ++i) {
                    program.locations[i] = shaders->GetUniformLocation(program.program, desc.params[i].name.c_str());
                }
                state.passes.push_back(std::move(program));
            }
            if (!valid) {
                for (PassProgram& program : state.passes) shaders->DeleteProgram(program.program);
                state.passes.clear();
            }
            state.valid = valid;
        }
        // As in D3DX, an effect starts on its first technique the device can run; with none
        // it keeps the first one, and Begin then refuses to draw.
        current = 0;
        for (size_t t = 0; t < techniques.size(); ++t) {
            if (techniques[t].valid) {
                current = t;
                break;
            }
        }
    }

    ULONG AddRef() override { return ++refs; }
    ULONG Release() override {
        ULONG left = --refs;
        if (left == 0) delete this;
        return left;
    }

    HRESULT FindNextValidTechnique(D3DXHANDLE hTechnique, D3DXHANDLE* pTechnique) override {
        if (!pTechnique) return D3DERR_INVALIDCALL;
        *pTechnique = nullptr;
        size_t start = 0;
        if (hTechnique) {
            int found = techniqueIndex(hTechnique);
            if (found < 0) return D3DERR_INVALIDCALL;
            start = static_cast<size_t>(found) + 1;
        }
        for (size_t t = start; t < techniques.size(); ++t) {
            if (techniques[t].valid) {
                *pTechnique = desc.techniques[t].name.c_str();
                return D3D_OK;
            }
        }
        return S_FALSE;
    }

    D3DXHANDLE GetParameterByName(D3DXHANDLE hParameter, LPCSTR pName) override {
        // Our parameters have no members, so a parent can only be wrong.
        if (hParameter || !pName) return nullptr;
        for (const ParamDesc& param : desc.params) {
            if (param.name == pName) return param.name.c_str();
        }
        return nullptr;
    }

    HRESULT SetMatrix(D3DXHANDLE hParameter, const D3DXMATRIX* pMatrix) override {
        return setFloats(hParameter, ParamType::Float4x4, pMatrix ? &pMatrix->m[0][0] : nullptr);
    }

    HRESULT SetVector(D3DXHANDLE hParameter, const D3DXVECTOR4* pVector) override {
        if (!pVector) return D3DERR_INVALIDCALL;
        float v[4] = {pVector->x, pVector->y, pVector->z, pVector->w};
        return setFloats(hParameter, ParamType::Float4, v);
    }

    HRESULT SetFloat(D3DXHANDLE hParameter, FLOAT f) override { return setFloats(hParameter, ParamType::Float, &f); }

    HRESULT SetTexture(D3DXHANDLE hParameter, LPDIRECT3DBASETEXTURE9 pTexture) override {
        int index = paramIndex(hParameter);
        if (index < 0) return D3DERR_INVALIDCALL;
        ParamType type = desc.params[index].type;
        if (!isTextureType(type)) return D3DERR_INVALIDCALL;
        if (pTexture) {
            // A cube map on a 2-D sampler (or the reverse) would sample garbage on GL.
            D3DRESOURCETYPE wanted = type == ParamType::TextureCube ? D3DRTYPE_CUBETEXTURE : D3DRTYPE_TEXTURE;
            if (pTexture->GetType() != wanted) return D3DERR_INVALIDCALL;
            pTexture->AddRef();
        }
        ParamValue& value = values[index];
        if (value.texture) value.texture->Release();
        value.texture = pTexture;
        value.dirty = true;
        return D3D_OK;
    }

    HRESULT Begin(UINT* pPasses, DWORD Flags) override {
        if (pPasses) *pPasses = 0;
        if (begun || current >= techniques.size() || !techniques[current].valid) return D3DERR_INVALIDCALL;
        if (!(Flags & D3DXFX_DONOTSAVESTATE)) saveState(Flags);
        begun = true;
        if (pPasses) *pPasses = static_cast<UINT>(techniques[current].passes.size());
        return D3D_OK;
    }

    HRESULT BeginPass(UINT Pass) override {
        if (!begun || activePass >= 0 || Pass >= techniques[current].passes.size()) return D3DERR_INVALIDCALL;
        const PassDesc& pass = desc.techniques[current].passes[Pass];
        HRESULT result = shaders->SetProgram(techniques[current].passes[Pass].program);
        if (FAILED(result)) return result;
        activePass = static_cast<int>(Pass);
        for (const RenderStateDesc& rs : pass.renderStates) {
            device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(rs.state), rs.value);
        }
        for (const SamplerStateDesc& ss : pass.samplerStates) {
            device->SetSamplerState(static_cast<DWORD>(textureUnitOf(desc, ss.param)),
                                    static_cast<D3DSAMPLERSTATETYPE>(ss.state), ss.value);
        }
        return upload(true);
    }

    HRESULT CommitChanges() override {
        if (activePass < 0) return D3DERR_INVALIDCALL;
        return upload(false);
    }

    HRESULT EndPass() override {
        if (activePass < 0) return D3DERR_INVALIDCALL;
        activePass = -1;
        return D3D_OK;
    }

    HRESULT End() override {
        if (!begun) return D3DERR_INVALIDCALL;
        activePass = -1;
        begun = false;
        shaders->SetProgram(0);
        restoreState();
        return D3D_OK;
    }

    HRESULT OnLostDevice() override {
        // Programs survive on GL; all that can be lost is an open Begin, which must not leave
        // the device on our program and states.
        if (begun) End();
        return D3D_OK;
    }

private:
    ~Effect() override {
        if (begun) End();
        for (ParamValue& value : values) {
            if (value.texture) value.texture->Release();
        }
        if (shaders) {
            for (TechniqueState& tech : techniques) {
                for (PassProgram& program : tech.passes) shaders->DeleteProgram(program.program);
            }
        }
        device->Release();
    }

    // A handle is the pointer GetParameterByName gave out; like D3DX we also accept a name.
    int paramIndex(D3DXHANDLE handle) const {
        if (!handle) return -1;
        for (size_t i = 0; i < desc.params.size(); ++i) {
            if (desc.params[i].name.c_str() == handle) return static_cast<int>(i);
        }
        for (size_t i = 0; i < desc.params.size(); ++i) {
            if (desc.params[i].name == handle) return static_cast<int>(i);
        }
        return -1;
    }

    int techniqueIndex(D3DXHANDLE handle) const {
        for (size_t i = 0; i < desc.techniques.size(); ++i) {
            if (desc.techniques[i].name.c_str() == handle) return static_cast<int>(i);
        }
        for (size_t i = 0; i < desc.techniques.size(); ++i) {
            if (desc.techniques[i].name == handle) return static_cast<int>(i);
        }
        return -1;
    }

    HRESULT setFloats(D3DXHANDLE handle, ParamType type, const float* source) {
        int index = paramIndex(handle);
        if (index < 0 || !source || desc.params[index].type != type) return D3DERR_INVALIDCALL;
        ParamValue& value = values[index];
        std::memcpy(value.values, source, sizeof(float) * floatCount(type));
        value.dirty = true;
        return D3D_OK;
    }

    HRESULT upload(bool all) {
        const PassProgram& program = techniques[current].passes[activePass];
        HRESULT result = D3D_OK;
        for (size_t i = 0; i < values.size(); ++i) {
            ParamValue& value = values[i];
            if (!all && !value.dirty) continue;
            value.dirty = false;
            INT location = program.locations[i];
            if (location < 0) continue;
            const ParamDesc& param = desc.params[i];
            HRESULT hr;
            if (isTextureType(param.type)) {
                hr = shaders->SetUniformTexture(location, static_cast<UINT>(textureUnitOf(desc, param.name)),
                                                value.texture);
            } else {
                hr = shaders->SetUniform(location, static_cast<ZarnUniformType>(floatCount(param.type)), value.values);
            }
            if (FAILED(hr)) result = hr;
        }
        return result;
    }

    void saveState(DWORD flags) {
        for (const PassDesc& pass : desc.techniques[current].passes) {
            for (const RenderStateDesc& rs : pass.renderStates) {
                auto state = static_cast<D3DRENDERSTATETYPE>(rs.state);
                bool seen = false;
                for (const SavedRenderState& saved : savedRenderStates) seen = seen || saved.state == state;
                DWORD value = 0;
                if (!seen && SUCCEEDED(device->GetRenderState(state, &value))) {
                    savedRenderStates.push_back({state, value});
                }
            }
            if (flags & D3DXFX_DONOTSAVESAMPLERSTATE) continue;
            for (const SamplerStateDesc& ss : pass.samplerStates) {
                auto sampler = static_cast<DWORD>(textureUnitOf(desc, ss.param));
                auto state = static_cast<D3DSAMPLERSTATETYPE>(ss.state);
                bool seen = false;
                for (const SavedSamplerState& saved : savedSamplerStates) {
                    seen = seen || (saved.sampler == sampler && saved.state == state);
                }
                DWORD value = 0;
                if (!seen && SUCCEEDED(device->GetSamplerState(sampler, state, &value))) {
                    savedSamplerStates.push_back({sampler, state, value});
                }
            }
        }
        if (flags & D3DXFX_DONOTSAVESAMPLERSTATE) return;
        // Our samplers are bound on the units the texture parameters own; whatever the
        // fixed-function stages had there comes back at End.
        DWORD unit = 0;
        for (const ParamDesc& param : desc.params) {
            if (!isTextureType(param.type)) continue;
            IDirect3DBaseTexture9* texture = nullptr;
            if (SUCCEEDED(device->GetTexture(unit, &texture))) savedTextures.push_back({unit, texture});
            ++unit;
        }
    }

    void restoreState() {
        for (const SavedRenderState& saved : savedRenderStates) device->SetRenderState(saved.state, saved.value);
        for (const SavedSamplerState& saved : savedSamplerStates) {
            device->SetSamplerState(saved.sampler, saved.state, saved.value);
        }
        for (const SavedTexture& saved : savedTextures) {
            device->SetTexture(saved.stage, saved.texture);
            if (saved.texture) saved.texture->Release();
        }
        savedRenderStates.clear();
        savedSamplerStates.clear();
        savedTextures.clear();
    }

    ULONG refs = 1;
    IDirect3DDevice9* device;
    IZarnShaderDevice* shaders = nullptr;
    EffectFileDesc desc;
    std::vector<ParamValue> values;
    std::vector<TechniqueState> techniques;
    size_t current = 0;
    bool begun = false;
    int activePass = -1;
    std::vector<SavedRenderState> savedRenderStates;
    std::vector<SavedSamplerState> savedSamplerStates;
    std::vector<SavedTexture> savedTextures;
};

}  // namespace

HRESULT createEffect(IDirect3DDevice9* device, EffectFileDesc&& desc, const std::string& fileName,
                     ID3DXEffect** effect, std::string* log) {
    auto* created = new (std::nothrow) Effect(device, std::move(desc));
    if (!created) return E_OUTOFMEMORY;
    created->compile(fileName, log);
    *effect = created;
    return D3D_OK;
}

}  // namespace zarnfx

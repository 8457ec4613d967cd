// Recording Direct3D state on the GL device: transforms, render, sampler and texture-stage
// states, material, lights, textures and vertex input. These calls only store values and
// mark what the next draw must send; sampler states go straight into the unit's GL sampler
// object, which is cheap and keeps the draw path free of them.
#include "d3d9/gl/GLDevice.h"

namespace {
D3DMATRIX identityMatrix() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}
}  // namespace

void GLDevice::setDefaults() {
    world = view = projection = texture0 = texture1 = identityMatrix();
    renderStates[D3DRS_ZENABLE] = presentParams.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
    renderStates[D3DRS_FILLMODE] = 3;   // D3DFILL_SOLID
    renderStates[D3DRS_SHADEMODE] = 2;  // D3DSHADE_GOURAUD
    renderStates[D3DRS_ZWRITEENABLE] = TRUE;
    renderStates[D3DRS_ALPHATESTENABLE] = FALSE;
    renderStates[D3DRS_LASTPIXEL] = TRUE;
    renderStates[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    renderStates[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    renderStates[D3DRS_CULLMODE] = D3DCULL_CCW;
    renderStates[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    renderStates[D3DRS_ALPHAREF] = 0;
    renderStates[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    renderStates[D3DRS_DITHERENABLE] = FALSE;
    renderStates[D3DRS_ALPHABLENDENABLE] = FALSE;
    renderStates[D3DRS_FOGENABLE] = FALSE;
    renderStates[D3DRS_SPECULARENABLE] = FALSE;
    renderStates[D3DRS_LIGHTING] = TRUE;
    renderStates[D3DRS_AMBIENT] = 0;
    renderStates[D3DRS_NORMALIZENORMALS] = FALSE;
    renderStates[D3DRS_COLORWRITEENABLE] = 0xF;
    renderStatesDirty = true;

    for (int unit = 0; unit < samplerCount; ++unit) {
        // Slot 0 set: every parameter below reaches the GL sampler even if it looks unchanged.
        samplerStates[unit][0] = 1;
        SetSamplerState(DWORD(unit), D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
        SetSamplerState(DWORD(unit), D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
        SetSamplerState(DWORD(unit), D3DSAMP_ADDRESSW, D3DTADDRESS_WRAP);
        SetSamplerState(DWORD(unit), D3DSAMP_BORDERCOLOR, 0);
        SetSamplerState(DWORD(unit), D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        SetSamplerState(DWORD(unit), D3DSAMP_MINFILTER, D3DTEXF_POINT);
        SetSamplerState(DWORD(unit), D3DSAMP_MIPFILTER, D3DTEXF_NONE);
        samplerStates[unit][0] = 0;
    }
    for (int stage = 0; stage < stageCount; ++stage) {
        // D3DTOP_MODULATE on stage 0, D3DTOP_DISABLE on the others.
        stageStates[stage][D3DTSS_COLOROP] = stage == 0 ? 4 : 1;
        stageStates[stage][D3DTSS_TEXTURETRANSFORMFLAGS] = D3DTTFF_DISABLE;
    }
}

HRESULT GLDevice::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
    if (!pMatrix) return D3DERR_INVALIDCALL;
    switch (State) {
    case D3DTS_VIEW: view = *pMatrix; fixedFunction.setView(view); break;
    case D3DTS_PROJECTION: projection = *pMatrix; fixedFunction.setProjection(projection); break;
    case D3DTS_TEXTURE0: texture0 = *pMatrix; fixedFunction.setTextureMatrix(texture0); break;
    case D3DTS_TEXTURE1: texture1 = *pMatrix; break;
    default:
        if (State != D3DTS_WORLD) return D3DERR_INVALIDCALL;
        world = *pMatrix;
        fixedFunction.setWorld(world);
    }
    return D3D_OK;
}

HRESULT GLDevice::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
    if (!pMatrix) return D3DERR_INVALIDCALL;
    switch (State) {
    case D3DTS_VIEW: *pMatrix = view; break;
    case D3DTS_PROJECTION: *pMatrix = projection; break;
    case D3DTS_TEXTURE0: *pMatrix = texture0; break;
    case D3DTS_TEXTURE1: *pMatrix = texture1; break;
    default:
        if (State != D3DTS_WORLD) return D3DERR_INVALIDCALL;
        *pMatrix = world;
    }
    return D3D_OK;
}

HRESULT GLDevice::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
    if (UINT(State) >= UINT(stateCount)) return D3DERR_INVALIDCALL;
    if (renderStates[State] == Value) return D3D_OK;
    renderStates[State] = Value;
    renderStatesDirty = true;
    return D3D_OK;
}

HRESULT GLDevice::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
    if (!pValue || UINT(State) >= UINT(stateCount)) return D3DERR_INVALIDCALL;
    *pValue = renderStates[State];
    return D3D_OK;
}

HRESULT GLDevice::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) {
    if (Sampler >= DWORD(samplerCount) || UINT(Type) >= UINT(samplerStateCount) || Type == 0)
        return D3DERR_INVALIDCALL;
    DWORD* states = samplerStates[Sampler];
    // Slot 0 is unused by Direct3D; it marks a sampler whose parameters were never written.
    const bool fresh = states[0] != 0;
    if (!fresh && states[Type] == Value) return D3D_OK;
    states[Type] = Value;
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    const GLuint sampler = samplerObjects[Sampler];
    switch (Type) {
    case D3DSAMP_ADDRESSU: glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, GLint(glconv::addressMode(Value))); break;
    case D3DSAMP_ADDRESSV: glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, GLint(glconv::addressMode(Value))); break;
    case D3DSAMP_ADDRESSW: glSamplerParameteri(sampler, GL_TEXTURE_WRAP_R, GLint(glconv::addressMode(Value))); break;
    case D3DSAMP_BORDERCOLOR: {
        const float colour[4] = {float((Value >> 16) & 0xff) / 255.0f, float((Value >> 8) & 0xff) / 255.0f,
                                 float(Value & 0xff) / 255.0f, float((Value >> 24) & 0xff) / 255.0f};
        glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, colour);
        break;
    }
    case D3DSAMP_MAGFILTER: glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, GLint(glconv::magFilter(Value))); break;
    case D3DSAMP_MINFILTER:
    case D3DSAMP_MIPFILTER:
        glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER,
                            GLint(glconv::minFilter(states[D3DSAMP_MINFILTER], states[D3DSAMP_MIPFILTER])));
        break;
    default: break;
    }
    return D3D_OK;
}

HRESULT GLDevice::GetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD* pValue) {
    if (!pValue || Sampler >= DWORD(samplerCount) || UINT(Type) >= UINT(samplerStateCount) || Type == 0)
        return D3DERR_INVALIDCALL;
    *pValue = samplerStates[Sampler][Type];
    return D3D_OK;
}

HRESULT GLDevice::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
    if (Stage >= DWORD(stageCount) || UINT(Type) >= UINT(stageStateCount)) return D3DERR_INVALIDCALL;
    stageStates[Stage][Type] = Value;
    return D3D_OK;
}

HRESULT GLDevice::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) {
    if (!pValue || Stage >= DWORD(stageCount) || UINT(Type) >= UINT(stageStateCount)) return D3DERR_INVALIDCALL;
    *pValue = stageStates[Stage][Type];
    return D3D_OK;
}

HRESULT GLDevice::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) {
    if (Stage >= DWORD(samplerCount)) return D3DERR_INVALIDCALL;
    if (pTexture) {
        GLTextureBase* gl = glTextureOf(pTexture);
        // A texture of another device (or another back end) cannot be sampled here.
        if (!gl || gl->owner() != this) return D3DERR_INVALIDCALL;
    }
    if (textures[Stage] == pTexture) return D3D_OK;
    if (pTexture) pTexture->AddRef();
    if (textures[Stage]) textures[Stage]->Release();
    textures[Stage] = pTexture;
    texturesDirty |= 1u << Stage;
    return D3D_OK;
}

HRESULT GLDevice::GetTexture(DWORD Stage, IDirect3DBaseTexture9** ppTexture) {
    if (!ppTexture || Stage >= DWORD(samplerCount)) return D3DERR_INVALIDCALL;
    *ppTexture = textures[Stage];
    if (*ppTexture) (*ppTexture)->AddRef();
    return D3D_OK;
}

HRESULT GLDevice::SetMaterial(const D3DMATERIAL9* pMaterial) {
    if (!pMaterial) return D3DERR_INVALIDCALL;
    fixedFunction.setMaterial(*pMaterial);
    material = *pMaterial;
    return D3D_OK;
}

HRESULT GLDevice::GetMaterial(D3DMATERIAL9* pMaterial) {
    if (!pMaterial) return D3DERR_INVALIDCALL;
    *pMaterial = material;
    return D3D_OK;
}

HRESULT GLDevice::SetLight(DWORD Index, const D3DLIGHT9* pLight) {
    if (!pLight || Index >= DWORD(GLFixedFunction::maxLights)) return D3DERR_INVALIDCALL;
    fixedFunction.setLight(Index, *pLight);
    return D3D_OK;
}

HRESULT GLDevice::LightEnable(DWORD Index, BOOL Enable) {
    if (Index >= DWORD(GLFixedFunction::maxLights)) return D3DERR_INVALIDCALL;
    fixedFunction.enableLight(Index, Enable != FALSE);
    return D3D_OK;
}

HRESULT GLDevice::SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) {
    auto* decl = static_cast<GLVertexDeclaration*>(pDecl);
    if (pDecl && !dynamic_cast<GLVertexDeclaration*>(pDecl)) return D3DERR_INVALIDCALL;
    if (decl == declaration) return D3D_OK;
    if (decl) decl->AddRef();
    if (declaration) declaration->Release();
    declaration = decl;
    inputDirty = true;
    return D3D_OK;
}

HRESULT GLDevice::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                                  UINT Stride) {
    if (StreamNumber >= UINT(streamCount)) return D3DERR_INVALIDCALL;
    auto* buffer = dynamic_cast<GLVertexBuffer*>(pStreamData);
    if (pStreamData && (!buffer || buffer->owner() != this)) return D3DERR_INVALIDCALL;
    Stream& s = streams[StreamNumber];
    if (s.buffer == buffer && s.offset == OffsetInBytes && s.stride == Stride) return D3D_OK;
    if (buffer) buffer->AddRef();
    if (s.buffer) s.buffer->Release();
    s.buffer = buffer;
    s.offset = OffsetInBytes;
    s.stride = Stride;
    inputDirty = true;
    return D3D_OK;
}

HRESULT GLDevice::SetIndices(IDirect3DIndexBuffer9* pIndexData) {
    auto* buffer = dynamic_cast<GLIndexBuffer*>(pIndexData);
    if (pIndexData && (!buffer || buffer->owner() != this)) return D3DERR_INVALIDCALL;
    if (buffer == indices) return D3D_OK;
    if (buffer) buffer->AddRef();
    if (indices) indices->Release();
    indices = buffer;
    return D3D_OK;
}

void GLDevice::forgetTexture(GLTextureBase* texture) {
    for (int unit = 0; unit < samplerCount; ++unit)
        if (textures[unit] && glTextureOf(textures[unit]) == texture) {
            textures[unit] = nullptr;
            texturesDirty |= 1u << unit;
        }
    if (renderTarget && renderTarget->container() == texture) renderTarget = backBuffer;
}

void GLDevice::forgetBuffer(GLBufferBase* buffer) {
    for (Stream& s : streams)
        if (s.buffer && static_cast<GLBufferBase*>(s.buffer) == buffer) {
            s.buffer = nullptr;
            inputDirty = true;
        }
    if (indices && static_cast<GLBufferBase*>(indices) == buffer) indices = nullptr;
}

void GLDevice::forgetSurface(GLSurface* surface) {
    if (renderTarget == surface) {
        renderTarget = backBuffer;
        applyTargetViewport();
    }
}

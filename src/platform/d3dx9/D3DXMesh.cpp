// ID3DXMesh: vertices, 16- or 32-bit triangle-list indices and per-face attribute ids in
// system memory, mirrored into device buffers when the mesh has a device. CloneMesh moves
// the data into another declaration by matching elements by usage; DrawSubset draws the
// runs of faces that carry the asked-for attribute id.
#include "D3DXMeshImpl.h"

#include <algorithm>
#include <cstring>
#include <new>

UINT D3DXMeshImpl::typeSize(BYTE type) {
    switch (type) {
        case D3DDECLTYPE_FLOAT1: return 4;
        case D3DDECLTYPE_FLOAT2: return 8;
        case D3DDECLTYPE_FLOAT3: return 12;
        case D3DDECLTYPE_FLOAT4: return 16;
        case D3DDECLTYPE_D3DCOLOR: return 4;
        case D3DDECLTYPE_UBYTE4: return 4;
        default: return 0;
    }
}

namespace {

D3DPOOL poolFor(DWORD options, bool vertexBuffer) {
    // D3DXMESH_MANAGED and D3DXMESH_SYSTEMMEM each combine a vertex-buffer and an
    // index-buffer bit.
    DWORD managedBit = vertexBuffer ? 0x020 : 0x200;
    DWORD systemBit = vertexBuffer ? 0x010 : 0x100;
    if (options & managedBit) return D3DPOOL_MANAGED;
    if (options & systemBit) return D3DPOOL_SYSTEMMEM;
    return D3DPOOL_DEFAULT;
}

bool isFloatType(BYTE type) { return type <= D3DDECLTYPE_FLOAT4; }

}  // namespace

HRESULT D3DXMeshImpl::create(DWORD options, const D3DVERTEXELEMENT9* decl, IDirect3DDevice9* device, DWORD numFaces,
                             DWORD numVertices, D3DXMeshImpl** ppMesh) {
    if (!decl || !ppMesh) return D3DERR_INVALIDCALL;
    *ppMesh = nullptr;
    // 16-bit indices cannot name more than 65535 vertices.
    if (numVertices > 0xFFFF) options |= D3DXMESH_32BIT;
    if (!(options & D3DXMESH_32BIT) && numVertices > 0xFFFF) return D3DERR_INVALIDCALL;

    auto* mesh = new (std::nothrow) D3DXMeshImpl();
    if (!mesh) return E_OUTOFMEMORY;
    mesh->options = options;
    mesh->faceCount = numFaces;
    mesh->vertexCount = numVertices;
    UINT stride = 0;
    int n = 0;
    for (; n < MAXD3DDECLLENGTH && decl[n].Stream != 0xFF; ++n) {
        UINT size = typeSize(decl[n].Type);
        if (decl[n].Stream != 0 || size == 0) {
            mesh->Release();
            return D3DERR_INVALIDCALL;
        }
        stride = std::max<UINT>(stride, decl[n].Offset + size);
    }
    if (n == MAXD3DDECLLENGTH || stride == 0) {
        mesh->Release();
        return D3DERR_INVALIDCALL;
    }
    mesh->stride = stride;
    size_t indexSize = (options & D3DXMESH_32BIT) ? 4 : 2;
    try {
        mesh->declaration.assign(decl, decl + n + 1);
        mesh->vertices.assign(static_cast<size_t>(numVertices) * stride, 0);
        mesh->indexBytes.assign(static_cast<size_t>(numFaces) * 3 * indexSize, 0);
        mesh->faceAttributes.assign(numFaces, 0);
    } catch (const std::bad_alloc&) {
        mesh->Release();
        return E_OUTOFMEMORY;
    }

    if (device) {
        mesh->owner = device;
        device->AddRef();
        HRESULT hr = S_OK;
        if (numVertices > 0)
            hr = device->CreateVertexBuffer(static_cast<UINT>(mesh->vertices.size()), 0, 0, poolFor(options, true),
                                            &mesh->vertexBuffer, nullptr);
        if (SUCCEEDED(hr) && numFaces > 0)
            hr = device->CreateIndexBuffer(static_cast<UINT>(mesh->indexBytes.size()), 0,
                                           indexSize == 4 ? D3DFMT_INDEX32 : D3DFMT_INDEX16, poolFor(options, false),
                                           &mesh->indexBuffer, nullptr);
        if (SUCCEEDED(hr)) hr = device->CreateVertexDeclaration(decl, &mesh->vertexDecl);
        if (FAILED(hr)) {
            mesh->Release();
            return hr;
        }
    }
    *ppMesh = mesh;
    return S_OK;
}

ULONG D3DXMeshImpl::Release() {
    ULONG left = --refs;
    if (left == 0) delete this;
    return left;
}

D3DXMeshImpl::~D3DXMeshImpl() {
    if (vertexBuffer) vertexBuffer->Release();
    if (indexBuffer) indexBuffer->Release();
    if (vertexDecl) vertexDecl->Release();
    if (owner) owner->Release();
}

DWORD D3DXMeshImpl::index(size_t i) const {
    if (uses32BitIndices()) {
        uint32_t v;
        std::memcpy(&v, &indexBytes[i * 4], 4);
        return v;
    }
    uint16_t v;
    std::memcpy(&v, &indexBytes[i * 2], 2);
    return v;
}

void D3DXMeshImpl::setIndex(size_t i, DWORD value) {
    if (uses32BitIndices()) {
        uint32_t v = value;
        std::memcpy(&indexBytes[i * 4], &v, 4);
    } else {
        uint16_t v = static_cast<uint16_t>(value);
        std::memcpy(&indexBytes[i * 2], &v, 2);
    }
}

const D3DVERTEXELEMENT9* D3DXMeshImpl::findElement(BYTE usage, BYTE usageIndex) const {
    for (const D3DVERTEXELEMENT9& e : declaration)
        if (e.Stream != 0xFF && e.Usage == usage && e.UsageIndex == usageIndex) return &e;
    return nullptr;
}

HRESULT D3DXMeshImpl::upload() {
    auto copy = [](auto* buffer, const std::vector<uint8_t>& bytes) -> HRESULT {
        if (!buffer || bytes.empty()) return S_OK;
        void* out = nullptr;
        HRESULT hr = buffer->Lock(0, 0, &out, 0);
        if (FAILED(hr)) return hr;
        if (!out) {
            buffer->Unlock();
            return E_FAIL;
        }
        std::memcpy(out, bytes.data(), bytes.size());
        return buffer->Unlock();
    };
    HRESULT hr = copy(vertexBuffer, vertices);
    if (FAILED(hr)) return hr;
    return copy(indexBuffer, indexBytes);
}

HRESULT D3DXMeshImpl::GetDeclaration(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) {
    if (!Declaration) return D3DERR_INVALIDCALL;
    std::copy(declaration.begin(), declaration.end(), Declaration);
    return S_OK;
}

HRESULT D3DXMeshImpl::LockVertexBuffer(DWORD, LPVOID* ppData) {
    if (!ppData) return D3DERR_INVALIDCALL;
    *ppData = vertices.data();
    return S_OK;
}
HRESULT D3DXMeshImpl::UnlockVertexBuffer() { return upload(); }
HRESULT D3DXMeshImpl::LockIndexBuffer(DWORD, LPVOID* ppData) {
    if (!ppData) return D3DERR_INVALIDCALL;
    *ppData = indexBytes.data();
    return S_OK;
}
HRESULT D3DXMeshImpl::UnlockIndexBuffer() { return upload(); }

HRESULT D3DXMeshImpl::DrawSubset(DWORD AttribId) {
    if (!owner || !vertexBuffer || !indexBuffer) return D3DERR_INVALIDCALL;
    HRESULT hr = owner->SetVertexDeclaration(vertexDecl);
    if (SUCCEEDED(hr)) hr = owner->SetStreamSource(0, vertexBuffer, 0, stride);
    if (SUCCEEDED(hr)) hr = owner->SetIndices(indexBuffer);
    if (FAILED(hr)) return hr;
    // Faces keep the file's order, so one subset may be several runs.
    DWORD f = 0;
    while (f < faceCount) {
        if (faceAttributes[f] != AttribId) {
            ++f;
            continue;
        }
        DWORD start = f;
        while (f < faceCount && faceAttributes[f] == AttribId) ++f;
        hr = owner->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, vertexCount, start * 3, f - start);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT D3DXMeshImpl::CloneMesh(DWORD Options, const D3DVERTEXELEMENT9* pDeclaration, LPDIRECT3DDEVICE9 pD3DDevice,
                                ID3DXMesh** ppCloneMesh) {
    if (!pDeclaration || !ppCloneMesh) return D3DERR_INVALIDCALL;
    *ppCloneMesh = nullptr;
    D3DXMeshImpl* clone = nullptr;
    HRESULT hr = create(Options | (options & D3DXMESH_32BIT), pDeclaration, pD3DDevice, faceCount, vertexCount, &clone);
    if (FAILED(hr)) return hr;

    // Each target element takes the source element of the same usage; floats convert
    // between widths (missing components are 0, a position's w is 1), others copy only when
    // the types agree. Elements without a source stay zero.
    for (const D3DVERTEXELEMENT9& to : clone->declaration) {
        if (to.Stream == 0xFF) break;
        const D3DVERTEXELEMENT9* from = findElement(to.Usage, to.UsageIndex);
        if (!from) continue;
        UINT toSize = typeSize(to.Type), fromSize = typeSize(from->Type);
        bool floats = isFloatType(to.Type) && isFloatType(from->Type);
        if (!floats && to.Type != from->Type) continue;
        for (DWORD v = 0; v < vertexCount; ++v) {
            const uint8_t* src = vertices.data() + static_cast<size_t>(v) * stride + from->Offset;
            uint8_t* dst = clone->vertices.data() + static_cast<size_t>(v) * clone->stride + to.Offset;
            if (!floats) {
                std::memcpy(dst, src, toSize);
                continue;
            }
            float value[4] = {0, 0, 0, to.Usage == D3DDECLUSAGE_POSITION ? 1.0f : 0.0f};
            std::memcpy(value, src, std::min(fromSize, toSize));
            std::memcpy(dst, value, toSize);
        }
    }
    for (size_t i = 0; i < static_cast<size_t>(faceCount) * 3; ++i) clone->setIndex(i, index(i));
    clone->faceAttributes = faceAttributes;
    hr = clone->upload();
    if (FAILED(hr)) {
        clone->Release();
        return hr;
    }
    *ppCloneMesh = clone;
    return S_OK;
}

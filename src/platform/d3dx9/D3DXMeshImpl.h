// Not part of D3DX: the one ID3DXMesh implementation behind the .x loader, CloneMesh and
// the tangent frame. A mesh keeps its vertices, indices and per-face attribute ids in
// system memory; when it was made with a device it also owns device vertex and index
// buffers, refreshed from the system copy whenever a lock is released, and draws through
// them. Shared by D3DXMesh.cpp, XFileLoad.cpp and D3DXTangentFrame.cpp.
#pragma once

#include <d3dx9.h>

#include <cstdint>
#include <vector>

class D3DXMeshImpl final : public ID3DXMesh {
public:
    // Validates the declaration (stream 0, known types) and allocates the arrays (zeroed).
    // With a device, also the device buffers; their failure is the result.
    static HRESULT create(DWORD options, const D3DVERTEXELEMENT9* declaration, IDirect3DDevice9* device,
                          DWORD numFaces, DWORD numVertices, D3DXMeshImpl** ppMesh);

    ULONG AddRef() override { return ++refs; }
    ULONG Release() override;

    HRESULT DrawSubset(DWORD AttribId) override;
    DWORD GetNumFaces() override { return faceCount; }
    DWORD GetNumVertices() override { return vertexCount; }
    DWORD GetOptions() override { return options; }
    HRESULT GetDeclaration(D3DVERTEXELEMENT9 Declaration[MAX_FVF_DECL_SIZE]) override;
    DWORD GetNumBytesPerVertex() override { return stride; }
    HRESULT CloneMesh(DWORD Options, const D3DVERTEXELEMENT9* pDeclaration, LPDIRECT3DDEVICE9 pD3DDevice,
                      ID3DXMesh** ppCloneMesh) override;
    HRESULT GenerateAdjacency(FLOAT Epsilon, DWORD* pAdjacency) override;
    HRESULT LockVertexBuffer(DWORD Flags, LPVOID* ppData) override;
    HRESULT UnlockVertexBuffer() override;
    HRESULT LockIndexBuffer(DWORD Flags, LPVOID* ppData) override;
    HRESULT UnlockIndexBuffer() override;

    // Direct access for the loader and the tangent frame (system copy; call upload() after
    // writing to refresh the device buffers).
    uint8_t* vertexData() { return vertices.data(); }
    DWORD index(size_t i) const;
    void setIndex(size_t i, DWORD value);
    bool uses32BitIndices() const { return (options & D3DXMESH_32BIT) != 0; }
    std::vector<DWORD>& attributes() { return faceAttributes; }
    const std::vector<D3DVERTEXELEMENT9>& elements() const { return declaration; }
    IDirect3DDevice9* device() const { return owner; }
    // The element of that usage and usage index, or null.
    const D3DVERTEXELEMENT9* findElement(BYTE usage, BYTE usageIndex) const;
    HRESULT upload();

    // Bytes an element of that D3DDECLTYPE takes; 0 for types the stand-in does not know.
    static UINT typeSize(BYTE type);

private:
    D3DXMeshImpl() = default;
    ~D3DXMeshImpl() override;

    ULONG refs = 1;
    DWORD options = 0;
    DWORD faceCount = 0;
    DWORD vertexCount = 0;
    DWORD stride = 0;
    std::vector<D3DVERTEXELEMENT9> declaration;  // with the end marker
    std::vector<uint8_t> vertices;
    std::vector<uint8_t> indexBytes;
    std::vector<DWORD> faceAttributes;

    IDirect3DDevice9* owner = nullptr;
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* indexBuffer = nullptr;
    IDirect3DVertexDeclaration9* vertexDecl = nullptr;
};

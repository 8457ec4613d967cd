// Building a mesh's Direct3D objects once the device exists: the D3DX mesh is cloned into
// the 56-byte layout and given a tangent frame by D3DX; strip vertices and indices are
// copied into buffers; .obj faces are expanded to three vertices each with a per-face
// tangent frame computed here.
#include "assets/Mesh.h"

#include "device/SoftwareTier.h"
#include "shell/Diagnostics.h"

#include <climits>
#include <cmath>
#include <vector>

namespace {

struct Vec {
    float x, y, z;
};
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator*(float s, Vec a) { return {s * a.x, s * a.y, s * a.z}; }
Vec operator/(Vec a, float s) { return {a.x / s, a.y / s, a.z / s}; }
float dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
bool isZero(Vec a) { return a.x == 0.0f && a.y == 0.0f && a.z == 0.0f; }
// A zero vector stays zero rather than turning into NaNs.
Vec normalized(Vec a) {
    float length = std::sqrt(dot(a, a));
    return length > 0.0f ? a / length : a;
}
Vec load(const float* p) { return {p[0], p[1], p[2]}; }
void store(float* p, Vec a) {
    p[0] = a.x;
    p[1] = a.y;
    p[2] = a.z;
}

// The tangent frame of one triangle from its positions and texture coordinates; the
// normals must already be in place.
void faceTangentFrame(MeshVertex* v) {
    Vec p0 = load(v[0].position), p1 = load(v[1].position), p2 = load(v[2].position);
    float u0 = v[0].texCoord[0], u1 = v[1].texCoord[0], u2 = v[2].texCoord[0];
    float v0 = v[0].texCoord[1], v1 = v[1].texCoord[1], v2 = v[2].texCoord[1];

    float d = (u1 - u0) * (v2 - v0) - (v1 - v0) * (u2 - u0);
    if (d == 0.0f) d = 1.0f;
    Vec s = ((v2 - v0) * (p1 - p0) - (v1 - v0) * (p2 - p0)) / d;
    s = isZero(s) ? Vec{1, 0, 0} : normalized(s);

    float dPrime = (v1 - v0) * (u2 - u0) - (u1 - u0) * (v2 - v0);
    if (dPrime == 0.0f) dPrime = 1.0f;
    Vec w = ((u2 - u0) * (p1 - p0) - (u1 - u0) * (p2 - p0)) / dPrime;
    w = isZero(w) ? Vec{0, 1, 0} : normalized(w);

    for (int c = 0; c < 3; ++c) {
        Vec n = load(v[c].normal);
        Vec t = normalized(s - dot(n, s) * n);
        Vec b = cross(n, s);
        if (dot(cross(t, w), n) < 0.0f) b = -1.0f * b;
        store(v[c].binormal, b);
        store(v[c].tangent, t);
    }
}

}  // namespace

HRESULT Mesh::createDeviceObjects(IDirect3DDevice9* device) {
    if (!device) return E_FAIL;
    if (!deferredXFile.empty()) {
        const std::string fileName = deferredXFile;
        if (!loadX(fileName.c_str(), device)) {
            debugPrintf("Error loading .x file %s\n", fileName.c_str());
            return E_FAIL;
        }
    }
    if (xMesh) return createXObjects(device);
    if (primGroups) return createStripObjects(device);
    return createObjObjects(device);
}

HRESULT Mesh::createXObjects(IDirect3DDevice9* device) {
    if (!vertexDecl && FAILED(device->CreateVertexDeclaration(meshVertexElements, &vertexDecl))) {
        vertexDecl = nullptr;
        return E_FAIL;
    }
    ID3DXMesh* clone = nullptr;
    HRESULT hr = xMesh->CloneMesh(D3DXMESH_MANAGED, meshVertexElements, device, &clone);
    xMesh->Release();
    xMesh = nullptr;
    if (FAILED(hr) || !clone) {
        debugPrintf("Error cloning dxMesh");
        return FAILED(hr) ? hr : E_FAIL;
    }
    xMesh = clone;

    DWORD faceCount = xMesh->GetNumFaces();
    DWORD* adjacency = new (std::nothrow) DWORD[static_cast<size_t>(faceCount) * 3];
    if (!adjacency) return E_OUTOFMEMORY;
    xMesh->GenerateAdjacency(0.000001f, adjacency);

    ID3DXMesh* withTangents = nullptr;
    hr = D3DXComputeTangentFrameEx(xMesh, D3DDECLUSAGE_TEXCOORD, 0, D3DDECLUSAGE_TANGENT, 0, D3DX_DEFAULT, 0,
                                   D3DDECLUSAGE_NORMAL, 0, D3DXTANGENT_CALCULATE_NORMALS, adjacency, 0.01f, 0.25f,
                                   0.01f, &withTangents, nullptr);
    delete[] adjacency;
    if (FAILED(hr) || !withTangents) {
        debugPrintf("Error computing tangent frame for dxMesh");
        return FAILED(hr) ? hr : E_FAIL;
    }
    xMesh->Release();
    xMesh = withTangents;

    D3DVERTEXELEMENT9 decl[MAX_FVF_DECL_SIZE];
    if (FAILED(xMesh->GetDeclaration(decl))) {
        debugPrintf("FAIL");
    } else {
        for (int i = 0; i < MAX_FVF_DECL_SIZE && decl[i].Stream != 0xFF; ++i) debugPrintf("%d\n", decl[i].Usage);
    }
    return S_OK;
}

HRESULT Mesh::createStripObjects(IDirect3DDevice9* device) {
    DWORD usage = isStatic ? 0 : D3DUSAGE_DYNAMIC;
    if (!vertexDecl && FAILED(device->CreateVertexDeclaration(meshVertexElements, &vertexDecl))) {
        vertexDecl = nullptr;
        return E_FAIL;
    }
    // A mesh without vertices or groups asks for a zero-byte buffer, which the device
    // refuses; the mesh then simply draws nothing.
    void* bytes = nullptr;
    UINT vertexBytes = static_cast<UINT>(sizeof(MeshVertex) * static_cast<size_t>(stripVertexCount));
    if (FAILED(device->CreateVertexBuffer(vertexBytes, usage, 0, D3DPOOL_DEFAULT, &vertexBuffer, nullptr))) {
        vertexBuffer = nullptr;
        return E_FAIL;
    }
    if (FAILED(vertexBuffer->Lock(0, 0, &bytes, 0)) || !bytes) {
        vertexBuffer->Release();
        vertexBuffer = nullptr;
        return E_FAIL;
    }
    auto* out = static_cast<MeshVertex*>(bytes);
    for (int32_t v = 0; v < stripVertexCount; ++v) {
        out[v] = stripVertices[v];
        widenBounds(stripVertices[v].position);
    }
    vertexBuffer->Unlock();

    uint64_t indexTotal = 0;
    for (int32_t g = 0; g < primGroupCount; ++g) indexTotal += static_cast<uint64_t>(primGroups[g].indexCount);
    if (indexTotal * 2 > UINT_MAX) return E_FAIL;
    if (FAILED(device->CreateIndexBuffer(static_cast<UINT>(indexTotal * 2), 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                         &indexBuffer, nullptr))) {
        indexBuffer = nullptr;
        return E_FAIL;
    }
    bytes = nullptr;
    if (FAILED(indexBuffer->Lock(0, 0, &bytes, 0)) || !bytes) {
        indexBuffer->Release();
        indexBuffer = nullptr;
        return E_FAIL;
    }
    auto* indexOut = static_cast<uint16_t*>(bytes);
    for (int32_t g = 0; g < primGroupCount; ++g) {
        std::memcpy(indexOut, primGroups[g].indices.get(), sizeof(uint16_t) * primGroups[g].indexCount);
        indexOut += primGroups[g].indexCount;
    }
    indexBuffer->Unlock();
    return S_OK;
}

void Mesh::fillFaceVertices(const MeshFace& face, MeshVertex* v) const {
    std::memset(v, 0, 3 * sizeof(MeshVertex));
    for (int c = 0; c < 3; ++c) {
        const MeshFloat3& p = positions[face.position[c]];
        store(v[c].position, {p.x, p.y, p.z});
        if (hasNormals) {
            const MeshFloat3& n = normals[face.normal[c]];
            store(v[c].normal, {n.x, n.y, n.z});
        }
        if (hasTexCoords) {
            v[c].texCoord[0] = texCoords[face.texCoord[c]].x;
            v[c].texCoord[1] = texCoords[face.texCoord[c]].y;
        }
    }
    if (!hasNormals) {
        Vec p0 = load(v[0].position), p1 = load(v[1].position), p2 = load(v[2].position);
        Vec n = normalized(cross(p1 - p0, p2 - p1));
        for (int c = 0; c < 3; ++c) store(v[c].normal, n);
    }
    faceTangentFrame(v);
}

HRESULT Mesh::createObjObjects(IDirect3DDevice9* device) {
    DWORD usage = isStatic ? 0 : D3DUSAGE_DYNAMIC;
    if (!vertexDecl && FAILED(device->CreateVertexDeclaration(meshVertexElements, &vertexDecl))) {
        vertexDecl = nullptr;
        return E_FAIL;
    }
    // The reader already rejects such faces; the fields are public, so check again before
    // the indices are used to read the arrays.
    if (!objIndicesValid()) {
        debugPrintf("Error: mesh %s has face indices out of range\n", getName() ? getName() : "(unnamed)");
        return E_FAIL;
    }
    // A software renderer draws static meshes from their coarser twins, from shared corners,
    // split evenly; the texture edits rewrite a per-face buffer, so meshes meant for them keep
    // one.
    const bool lighter = isStatic && softwareTier.lighterMeshes;
    if (lighter) {
        Mesh twin;
        if (readTwin("software", &twin)) adoptData(twin);
    }
    if (static_cast<uint64_t>(faces.count) * 3 * sizeof(MeshVertex) > UINT_MAX) return E_FAIL;
    std::vector<MeshFace> drawn(faces.elements, faces.elements + faces.count);
    if (lighter) splitFlatPartsEvenly(drawn);
    Mesh casterTwin;
    const bool simplerCaster = lighter && readTwin("casters", &casterTwin);
    std::vector<MeshFace> casterFaces;
    if (simplerCaster) {
        casterFaces.assign(casterTwin.faces.elements, casterTwin.faces.elements + casterTwin.faces.count);
        casterTwin.splitFlatPartsEvenly(casterFaces);
    }
    const Mesh& casterSource = simplerCaster ? casterTwin : *this;
    const std::vector<MeshFace>& casterDrawn = simplerCaster ? casterFaces : drawn;
    // Without the caster copy the shadow pass draws from the full buffer, as before.
    const auto makeCaster = [&] {
        if (FAILED(createCasterObjects(device, casterSource, casterDrawn)))
            debugPrintf("Mesh %s casts from its full vertices\n", getName() ? getName() : "(unnamed)");
    };
    if (lighter && SUCCEEDED(createSharedObjObjects(device, drawn))) {
        makeCaster();
        return S_OK;
    }
    UINT bytesNeeded = static_cast<UINT>(faces.count) * 3 * sizeof(MeshVertex);
    if (FAILED(device->CreateVertexBuffer(bytesNeeded, usage, 0, D3DPOOL_DEFAULT, &vertexBuffer, nullptr))) {
        vertexBuffer = nullptr;
        return E_FAIL;
    }
    void* bytes = nullptr;
    if (FAILED(vertexBuffer->Lock(0, 0, &bytes, 0)) || !bytes) {
        vertexBuffer->Release();
        vertexBuffer = nullptr;
        return E_FAIL;
    }
    auto* out = static_cast<MeshVertex*>(bytes);
    for (int32_t f = 0; f < faces.count; ++f) fillFaceVertices(faces[f], out + 3 * f);
    vertexBuffer->Unlock();
    makeCaster();
    return S_OK;
}

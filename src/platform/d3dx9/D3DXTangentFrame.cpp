// D3DXComputeTangentFrameEx: per-vertex normals and texture-space partial derivatives for
// bump mapping, writing a new mesh in the same declaration.
//
// How the three thresholds are honoured (each compares cosines of unit vectors):
//   - normal-edge: with D3DXTANGENT_CALCULATE_NORMALS, two faces that the adjacency says
//     share an edge are smoothed together across it unless the dot product of their face
//     normals is below the threshold; below it the edge is hard and its vertices split.
//   - partial-edge: corners of one vertex in faces across an edge share a tangent unless
//     the dot product of the faces' U partials is at or below the threshold. A face whose
//     texture coordinates are degenerate has no partial and never forces a split.
//   - singular-point: when the angle-weighted mean of the unit partials that meet at a
//     vertex has length at or below the threshold (they cancel, as at a sphere's pole),
//     every face keeps its own tangent there.
// Vertex normals are the angle-weighted sum of the unit face normals of their smoothing
// group. A tangent is the group's weighted partial, made orthogonal to the normal; where
// there is none (no texture coordinates) it is (1, 0, 0), or (0, 1, 0) for a normal along
// x, made orthogonal to the normal.
#include "D3DXMeshImpl.h"
#include "win32/messages/DesktopPings.h"

#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

namespace {

struct V3 {
    float x = 0, y = 0, z = 0;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(float s, V3 a) { return {s * a.x, s * a.y, s * a.z}; }
float dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float length(V3 a) { return std::sqrt(dot(a, a)); }
V3 unit(V3 a) {
    float l = length(a);
    return l > 0.0f && std::isfinite(l) ? (1.0f / l) * a : V3{};
}
bool isZero(V3 a) { return a.x == 0.0f && a.y == 0.0f && a.z == 0.0f; }

// Angle between two edge vectors, 0 for a degenerate corner.
float cornerAngle(V3 a, V3 b) {
    V3 ua = unit(a), ub = unit(b);
    if (isZero(ua) || isZero(ub)) return 0.0f;
    float c = dot(ua, ub);
    c = c < -1.0f ? -1.0f : c > 1.0f ? 1.0f : c;
    return std::acos(c);
}

class UnionFind {
public:
    explicit UnionFind(size_t n) : parent(n) { std::iota(parent.begin(), parent.end(), size_t{0}); }
    size_t find(size_t i) {
        while (parent[i] != i) i = parent[i] = parent[parent[i]];
        return i;
    }
    void unite(size_t a, size_t b) {
        a = find(a);
        b = find(b);
        if (a != b) parent[a < b ? b : a] = a < b ? a : b;
    }

private:
    std::vector<size_t> parent;
};

V3 orthogonalTo(V3 n, V3 t) {
    V3 o = unit(t - dot(n, t) * n);
    if (!isZero(o)) return o;
    o = unit(V3{1, 0, 0} - n.x * n);
    if (!isZero(o)) return o;
    return unit(V3{0, 1, 0} - n.y * n);
}

bool readableFloats(const D3DVERTEXELEMENT9* e, int atLeast) {
    return e && e->Type <= D3DDECLTYPE_FLOAT4 && static_cast<int>(e->Type) + 1 >= atLeast;
}

}  // namespace

HRESULT D3DXComputeTangentFrameEx(ID3DXMesh* pMesh, DWORD dwTextureInSemantic, DWORD dwTextureInIndex,
                                  DWORD dwUPartialOutSemantic, DWORD dwUPartialOutIndex, DWORD dwVPartialOutSemantic,
                                  DWORD dwVPartialOutIndex, DWORD dwNormalOutSemantic, DWORD dwNormalOutIndex,
                                  DWORD dwOptions, const DWORD* pdwAdjacency, FLOAT fPartialEdgeThreshold,
                                  FLOAT fSingularPointThreshold, FLOAT fNormalEdgeThreshold, ID3DXMesh** ppMeshOut,
                                  ID3DXBuffer** ppVertexMapping) {
    if (ppVertexMapping) *ppVertexMapping = nullptr;
    auto* mesh = dynamic_cast<D3DXMeshImpl*>(pMesh);
    if (!mesh || !ppMeshOut) return D3DERR_INVALIDCALL;
    *ppMeshOut = nullptr;

    auto element = [&](DWORD semantic, DWORD index) -> const D3DVERTEXELEMENT9* {
        if (semantic == D3DX_DEFAULT) return nullptr;
        return mesh->findElement(static_cast<BYTE>(semantic), static_cast<BYTE>(index));
    };
    const D3DVERTEXELEMENT9* position = mesh->findElement(D3DDECLUSAGE_POSITION, 0);
    const D3DVERTEXELEMENT9* texIn = element(dwTextureInSemantic, dwTextureInIndex);
    const D3DVERTEXELEMENT9* uOut = element(dwUPartialOutSemantic, dwUPartialOutIndex);
    const D3DVERTEXELEMENT9* vOut = element(dwVPartialOutSemantic, dwVPartialOutIndex);
    const D3DVERTEXELEMENT9* normalOut = element(dwNormalOutSemantic, dwNormalOutIndex);
    const bool calculateNormals = (dwOptions & D3DXTANGENT_CALCULATE_NORMALS) != 0;
    if (!readableFloats(position, 3) || !readableFloats(texIn, 2)) return D3DERR_INVALIDCALL;
    // Every output that was asked for must have a three-float home in the declaration.
    auto outputOk = [](DWORD semantic, const D3DVERTEXELEMENT9* e) {
        return semantic == D3DX_DEFAULT || readableFloats(e, 3);
    };
    if (!outputOk(dwUPartialOutSemantic, uOut) || !outputOk(dwVPartialOutSemantic, vOut) ||
        !outputOk(dwNormalOutSemantic, normalOut))
        return D3DERR_INVALIDCALL;
    // Without calculating them, normals come from the normal element.
    if (!calculateNormals && !readableFloats(normalOut, 3)) return D3DERR_INVALIDCALL;

    const DWORD faceCount = mesh->GetNumFaces(), vertexCount = mesh->GetNumVertices();
    const DWORD stride = mesh->GetNumBytesPerVertex();
    const size_t corners = static_cast<size_t>(faceCount) * 3;
    const uint8_t* vertexBytes = mesh->vertexData();
    auto readV3 = [&](DWORD v, const D3DVERTEXELEMENT9* e) {
        V3 out;
        std::memcpy(&out, vertexBytes + static_cast<size_t>(v) * stride + e->Offset, sizeof out);
        return out;
    };
    auto readUV = [&](DWORD v) {
        float uv[2];
        std::memcpy(uv, vertexBytes + static_cast<size_t>(v) * stride + texIn->Offset, sizeof uv);
        return std::pair<float, float>(uv[0], uv[1]);
    };

    std::vector<DWORD> cornerVertex(corners);
    for (size_t c = 0; c < corners; ++c) {
        cornerVertex[c] = mesh->index(c);
        if (cornerVertex[c] >= vertexCount) return D3DXERR_INVALIDDATA;
    }

    // Per face: unit normal and unit partials; per corner: its angle.
    std::vector<V3> faceNormal(faceCount), faceDu(faceCount), faceDv(faceCount);
    std::vector<float> angle(corners);
    for (DWORD f = 0; f < faceCount; ++f) {
        // A mesh of millions of faces takes seconds here (see DesktopPings.h).
        if ((f & 0xFFFF) == 0) zarnAnswerDesktopPings();
        V3 p[3];
        float u[3], v[3];
        for (int k = 0; k < 3; ++k) {
            DWORD vi = cornerVertex[f * 3 + k];
            p[k] = readV3(vi, position);
            auto uv = readUV(vi);
            u[k] = uv.first;
            v[k] = uv.second;
        }
        V3 e1 = p[1] - p[0], e2 = p[2] - p[0];
        faceNormal[f] = unit(cross(e1, e2));
        for (int k = 0; k < 3; ++k) angle[f * 3 + k] = cornerAngle(p[(k + 1) % 3] - p[k], p[(k + 2) % 3] - p[k]);
        float du1 = u[1] - u[0], dv1 = v[1] - v[0], du2 = u[2] - u[0], dv2 = v[2] - v[0];
        float r = du1 * dv2 - du2 * dv1;
        if (std::fabs(r) > 1e-20f) {
            faceDu[f] = unit((1.0f / r) * (dv2 * e1 - dv1 * e2));
            faceDv[f] = unit((1.0f / r) * (du1 * e2 - du2 * e1));
        }
    }

    std::vector<DWORD> generated;
    if (!pdwAdjacency) {
        generated.resize(corners);
        if (FAILED(mesh->GenerateAdjacency(0.0f, generated.data()))) return D3DERR_INVALIDCALL;
        pdwAdjacency = generated.data();
    }

    // Smoothing groups across shared edges; tangent groups refine them to one vertex each.
    UnionFind normalGroups(corners), tangentGroups(corners);
    for (DWORD f = 0; f < faceCount; ++f) {
        if ((f & 0xFFFF) == 0) zarnAnswerDesktopPings();
        for (int e = 0; e < 3; ++e) {
            DWORD g = pdwAdjacency[f * 3 + e];
            if (g >= faceCount || g == f) continue;
            bool smooth = !calculateNormals || dot(faceNormal[f], faceNormal[g]) >= fNormalEdgeThreshold;
            bool partialsAgree = isZero(faceDu[f]) || isZero(faceDu[g]) ||
                                 dot(faceDu[f], faceDu[g]) > fPartialEdgeThreshold;
            for (int end = 0; end < 2; ++end) {
                size_t cf = f * 3 + (e + end) % 3;
                V3 point = readV3(cornerVertex[cf], position);
                for (int k = 0; k < 3; ++k) {
                    size_t cg = static_cast<size_t>(g) * 3 + k;
                    bool same = cornerVertex[cg] == cornerVertex[cf];
                    if (!same) {
                        V3 d = readV3(cornerVertex[cg], position) - point;
                        same = std::fabs(d.x) <= 1e-6f && std::fabs(d.y) <= 1e-6f && std::fabs(d.z) <= 1e-6f;
                    }
                    if (!same) continue;
                    if (smooth) normalGroups.unite(cf, cg);
                    if (smooth && partialsAgree && cornerVertex[cg] == cornerVertex[cf]) tangentGroups.unite(cf, cg);
                    break;
                }
            }
        }
    }
    // Without calculated normals, a vertex's corners keep one normal and may share a tangent
    // even where no adjacency links them.
    if (!calculateNormals) {
        std::vector<size_t> firstCorner(vertexCount, SIZE_MAX);
        for (size_t c = 0; c < corners; ++c) {
            size_t& first = firstCorner[cornerVertex[c]];
            if (first == SIZE_MAX) first = c;
            else normalGroups.unite(first, c);
        }
    }

    std::vector<V3> groupNormal(corners), groupDu(corners), groupDv(corners), groupUnitDu(corners);
    std::vector<float> groupWeight(corners, 0.0f);
    for (size_t c = 0; c < corners; ++c) {
        DWORD f = static_cast<DWORD>(c / 3);
        size_t n = normalGroups.find(c), t = tangentGroups.find(c);
        groupNormal[n] = groupNormal[n] + angle[c] * faceNormal[f];
        groupDu[t] = groupDu[t] + angle[c] * faceDu[f];
        groupDv[t] = groupDv[t] + angle[c] * faceDv[f];
        if (!isZero(faceDu[f])) groupWeight[t] += angle[c];
    }
    std::vector<bool> singular(corners, false);
    for (size_t c = 0; c < corners; ++c) {
        size_t t = tangentGroups.find(c);
        if (t == c && groupWeight[t] > 0.0f)
            singular[t] = length(groupDu[t]) / groupWeight[t] <= fSingularPointThreshold;
    }

    // One output vertex per tangent group, or per corner at a singular point.
    std::vector<DWORD> outIndex(corners), sourceVertex;
    std::vector<size_t> keyOfOut;
    std::vector<DWORD> assigned(corners, 0xFFFFFFFF);
    for (size_t c = 0; c < corners; ++c) {
        size_t t = tangentGroups.find(c);
        size_t key = singular[t] ? c : t;
        if (assigned[key] == 0xFFFFFFFF) {
            assigned[key] = static_cast<DWORD>(sourceVertex.size());
            sourceVertex.push_back(cornerVertex[c]);
            keyOfOut.push_back(c);
        }
        outIndex[c] = assigned[key];
    }

    std::vector<D3DVERTEXELEMENT9> decl = mesh->elements();
    D3DXMeshImpl* out = nullptr;
    HRESULT hr = D3DXMeshImpl::create(mesh->GetOptions(), decl.data(), mesh->device(), faceCount,
                                      static_cast<DWORD>(sourceVertex.size()), &out);
    if (FAILED(hr)) return hr;
    uint8_t* outBytes = out->vertexData();
    auto write = [&](DWORD v, const D3DVERTEXELEMENT9* e, V3 value) {
        if (e) std::memcpy(outBytes + static_cast<size_t>(v) * stride + e->Offset, &value, sizeof value);
    };
    for (DWORD v = 0; v < sourceVertex.size(); ++v) {
        std::memcpy(outBytes + static_cast<size_t>(v) * stride, vertexBytes + static_cast<size_t>(sourceVertex[v]) * stride,
                    stride);
        size_t c = keyOfOut[v];
        DWORD f = static_cast<DWORD>(c / 3);
        size_t t = tangentGroups.find(c);
        V3 normal;
        if (calculateNormals) {
            normal = unit(groupNormal[normalGroups.find(c)]);
            if (isZero(normal)) normal = faceNormal[f];
        } else {
            normal = unit(readV3(sourceVertex[v], normalOut));
        }
        V3 du = singular[t] ? faceDu[f] : groupDu[t];
        V3 dv = singular[t] ? faceDv[f] : groupDv[t];
        V3 tangent = orthogonalTo(normal, du);
        V3 binormal = unit(dv - dot(normal, dv) * normal - dot(tangent, dv) * tangent);
        if (isZero(binormal)) binormal = unit(cross(normal, tangent));
        if (calculateNormals) write(v, normalOut, normal);
        write(v, uOut, tangent);
        write(v, vOut, binormal);
    }
    for (size_t c = 0; c < corners; ++c) out->setIndex(c, outIndex[c]);
    out->attributes() = mesh->attributes();
    hr = out->upload();
    if (FAILED(hr)) {
        out->Release();
        return hr;
    }
    if (ppVertexMapping) {
        ID3DXBuffer* mapping = nullptr;
        if (SUCCEEDED(D3DXCreateBuffer(static_cast<DWORD>(sourceVertex.size() * sizeof(DWORD)), &mapping)) && mapping) {
            if (!sourceVertex.empty())
                std::memcpy(mapping->GetBufferPointer(), sourceVertex.data(), sourceVertex.size() * sizeof(DWORD));
            *ppVertexMapping = mapping;
        }
    }
    *ppMeshOut = out;
    return S_OK;
}

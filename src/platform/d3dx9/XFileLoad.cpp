// D3DXLoadMeshFromXA for text .x files. Every Mesh in the file, at the top level or inside
// Frame hierarchies, is gathered into one mesh with its frames' transforms applied, as
// D3DX does: polygons become triangle fans, vertices are split where one position carries
// different normals, and each mesh's materials are appended to one list with the face
// attribute ids offset to match. Objects the saver does not use are skipped.
#include "D3DXMeshImpl.h"
#include "XFileTree.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>

namespace {

struct Matrix {
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

// Row vectors: applying a then b.
Matrix multiply(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0;
            for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
            r.m[i][j] = s;
        }
    return r;
}

struct Vertex {
    float position[3];
    float normal[3];
    float texCoord[2];
};

struct MaterialEntry {
    D3DMATERIAL9 material{};
    std::string texture;
    bool hasTexture = false;
};

struct Gathered {
    std::vector<Vertex> vertices;
    std::vector<DWORD> indices;
    std::vector<DWORD> attributes;
    std::vector<MaterialEntry> materials;
    bool anyNormals = false;
    bool anyTexCoords = false;
    // Meshes without a material list, to be given a default material if others have one.
    std::vector<size_t> faceStartsWithoutMaterial;
    std::vector<size_t> faceCountsWithoutMaterial;
};

// Sequential reads from an object's numbers that refuse to run past the end; counts are
// checked against what is left so that a count never allocates more than the file holds.
class Numbers {
public:
    explicit Numbers(const std::vector<double>& n) : values(n) {}
    bool next(double& out) {
        if (pos >= values.size()) return false;
        out = values[pos++];
        return true;
    }
    bool count(size_t perItem, size_t& out) {
        double v;
        if (!next(v) || !(v >= 0) || v != std::floor(v) || v > 4294967295.0) return false;
        out = static_cast<size_t>(v);
        return out * perItem <= values.size() - pos;
    }
    bool index(size_t limit, DWORD& out) {
        double v;
        if (!next(v) || !(v >= 0) || v != std::floor(v) || v >= static_cast<double>(limit)) return false;
        out = static_cast<DWORD>(v);
        return true;
    }
    bool floats(float* out, int n) {
        for (int i = 0; i < n; ++i) {
            double v;
            if (!next(v)) return false;
            out[i] = static_cast<float>(v);
        }
        return true;
    }

private:
    const std::vector<double>& values;
    size_t pos = 0;
};

const XFileObject* childOfType(const XFileObject& obj, const char* type) {
    for (const auto& c : obj.children)
        if (!c->isReference && c->type == type) return c.get();
    return nullptr;
}

// Polygons as index lists, validated against the vertex count.
bool readPolygons(Numbers& in, size_t vertexCount, std::vector<std::vector<DWORD>>& polygons) {
    size_t faceCount;
    if (!in.count(1, faceCount)) return false;
    polygons.resize(faceCount);
    for (auto& polygon : polygons) {
        size_t corners;
        if (!in.count(1, corners) || corners < 3) return false;
        polygon.resize(corners);
        for (DWORD& i : polygon)
            if (!in.index(vertexCount, i)) return false;
    }
    return true;
}

bool readMaterial(const XFileObject& obj, MaterialEntry& out) {
    Numbers in(obj.numbers);
    float face[4], power, specular[3], emissive[3];
    if (!in.floats(face, 4) || !in.floats(&power, 1) || !in.floats(specular, 3) || !in.floats(emissive, 3))
        return false;
    out.material.Diffuse = {face[0], face[1], face[2], face[3]};
    out.material.Ambient = {0, 0, 0, 0};
    out.material.Specular = {specular[0], specular[1], specular[2], 1};
    out.material.Emissive = {emissive[0], emissive[1], emissive[2], 1};
    out.material.Power = power;
    if (const XFileObject* texture = childOfType(obj, "TextureFilename"); texture && !texture->strings.empty()) {
        out.texture = texture->strings[0];
        out.hasTexture = true;
    }
    return true;
}

class Gatherer {
public:
    explicit Gatherer(const XFileObject& root) { collectMaterials(root); }

    bool walk(const XFileObject& obj, const Matrix& parent) {
        for (const auto& child : obj.children) {
            if (child->isReference) continue;
            if (child->type == "Mesh") {
                if (!addMesh(*child, parent)) return false;
            } else if (child->type == "Frame") {
                Matrix local;
                if (const XFileObject* t = childOfType(*child, "FrameTransformMatrix")) {
                    Numbers in(t->numbers);
                    if (!in.floats(&local.m[0][0], 16)) return false;
                }
                if (!walk(*child, multiply(local, parent))) return false;
            }
        }
        return true;
    }

    Gathered result;

private:
    void collectMaterials(const XFileObject& obj) {
        for (const auto& child : obj.children) {
            if (child->isReference) continue;
            if (child->type == "Material" && !child->name.empty() && !named.count(child->name))
                named[child->name] = child.get();
            collectMaterials(*child);
        }
    }

    bool addMesh(const XFileObject& mesh, const Matrix& transform) {
        Numbers in(mesh.numbers);
        size_t positionCount;
        if (!in.count(3, positionCount)) return false;
        std::vector<float> positions(positionCount * 3);
        if (!in.floats(positions.data(), static_cast<int>(positions.size()))) return false;
        std::vector<std::vector<DWORD>> polygons;
        if (!readPolygons(in, positionCount, polygons)) return false;

        std::vector<float> normals;
        std::vector<std::vector<DWORD>> normalPolygons;
        if (const XFileObject* n = childOfType(mesh, "MeshNormals")) {
            Numbers nin(n->numbers);
            size_t normalCount;
            if (!nin.count(3, normalCount)) return false;
            normals.resize(normalCount * 3);
            if (!nin.floats(normals.data(), static_cast<int>(normals.size()))) return false;
            if (!readPolygons(nin, normalCount, normalPolygons) || normalPolygons.size() != polygons.size())
                return false;
            for (size_t f = 0; f < polygons.size(); ++f)
                if (normalPolygons[f].size() != polygons[f].size()) return false;
            result.anyNormals = true;
        }
        std::vector<float> texCoords;
        if (const XFileObject* t = childOfType(mesh, "MeshTextureCoords")) {
            Numbers tin(t->numbers);
            size_t count;
            if (!tin.count(2, count) || count < positionCount) return false;
            texCoords.resize(count * 2);
            if (!tin.floats(texCoords.data(), static_cast<int>(texCoords.size()))) return false;
            result.anyTexCoords = true;
        }

        // Materials: the list's own, appended after those of earlier meshes.
        DWORD attributeBase = static_cast<DWORD>(result.materials.size());
        std::vector<DWORD> polygonAttributes(polygons.size(), 0);
        const XFileObject* list = childOfType(mesh, "MeshMaterialList");
        if (list) {
            Numbers lin(list->numbers);
            size_t materialCount, indexCount;
            if (!lin.count(0, materialCount) || !lin.count(1, indexCount)) return false;
            std::vector<MaterialEntry> materials;
            for (const auto& child : list->children) {
                const XFileObject* source = child.get();
                if (child->isReference) {
                    auto found = named.find(child->name);
                    if (found == named.end()) return false;
                    source = found->second;
                } else if (child->type != "Material") {
                    continue;
                }
                MaterialEntry entry;
                if (!readMaterial(*source, entry)) return false;
                materials.push_back(entry);
            }
            if (materials.size() < materialCount) return false;
            materials.resize(materialCount);
            // Fewer face indices than faces: the last one holds for the rest.
            DWORD last = 0;
            for (size_t f = 0; f < polygons.size(); ++f) {
                if (f < indexCount) {
                    if (!lin.index(materialCount, last)) return false;
                }
                polygonAttributes[f] = last;
            }
            if (indexCount > 0 && materialCount == 0) return false;
            for (auto& m : materials) result.materials.push_back(m);
            for (DWORD& a : polygonAttributes) a += attributeBase;
        }

        // Normals transform by the inverse transpose of the upper 3x3.
        float inv[3][3];
        normalMatrix(transform, inv);

        // Every position becomes a vertex, in file order, with the first normal a face gives
        // it; a corner that pairs it with another normal gets a copy at the end.
        std::vector<DWORD> firstNormal(positionCount, 0xFFFFFFFF);
        if (!normalPolygons.empty())
            for (size_t f = 0; f < polygons.size(); ++f)
                for (size_t k = 0; k < polygons[f].size(); ++k)
                    if (firstNormal[polygons[f][k]] == 0xFFFFFFFF) firstNormal[polygons[f][k]] = normalPolygons[f][k];
        auto makeVertex = [&](DWORD p, DWORD n) {
            Vertex v{};
            const float* src = &positions[p * 3];
            for (int j = 0; j < 3; ++j)
                v.position[j] = src[0] * transform.m[0][j] + src[1] * transform.m[1][j] + src[2] * transform.m[2][j] +
                                transform.m[3][j];
            if (n != 0xFFFFFFFF) {
                const float* ns = &normals[n * 3];
                float t[3];
                for (int j = 0; j < 3; ++j) t[j] = ns[0] * inv[j][0] + ns[1] * inv[j][1] + ns[2] * inv[j][2];
                float l = std::sqrt(t[0] * t[0] + t[1] * t[1] + t[2] * t[2]);
                for (int j = 0; j < 3; ++j) v.normal[j] = l > 0 ? t[j] / l : 0.0f;
            }
            if (!texCoords.empty()) {
                v.texCoord[0] = texCoords[p * 2];
                v.texCoord[1] = texCoords[p * 2 + 1];
            }
            result.vertices.push_back(v);
            return static_cast<DWORD>(result.vertices.size() - 1);
        };
        const DWORD base = static_cast<DWORD>(result.vertices.size());
        for (DWORD p = 0; p < positionCount; ++p) makeVertex(p, firstNormal[p]);
        std::map<std::pair<DWORD, DWORD>, DWORD> split;
        auto vertexFor = [&](DWORD p, DWORD n) -> DWORD {
            if (firstNormal[p] == n) return base + p;
            auto it = split.find({p, n});
            if (it != split.end()) return it->second;
            return split[{p, n}] = makeVertex(p, n);
        };

        size_t faceStart = result.attributes.size();
        for (size_t f = 0; f < polygons.size(); ++f) {
            const auto& polygon = polygons[f];
            auto corner = [&](size_t k) {
                return vertexFor(polygon[k], normalPolygons.empty() ? 0xFFFFFFFF : normalPolygons[f][k]);
            };
            for (size_t k = 1; k + 1 < polygon.size(); ++k) {
                result.indices.push_back(corner(0));
                result.indices.push_back(corner(k));
                result.indices.push_back(corner(k + 1));
                result.attributes.push_back(polygonAttributes[f]);
            }
        }
        if (!list) {
            result.faceStartsWithoutMaterial.push_back(faceStart);
            result.faceCountsWithoutMaterial.push_back(result.attributes.size() - faceStart);
        }
        return true;
    }

    static void normalMatrix(const Matrix& m, float out[3][3]) {
        float a = m.m[0][0], b = m.m[0][1], c = m.m[0][2];
        float d = m.m[1][0], e = m.m[1][1], f = m.m[1][2];
        float g = m.m[2][0], h = m.m[2][1], i = m.m[2][2];
        float det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
        if (std::fabs(det) < 1e-30f || !std::isfinite(det)) {
            for (int r = 0; r < 3; ++r)
                for (int col = 0; col < 3; ++col) out[r][col] = m.m[col][r];
            return;
        }
        float inv[3][3] = {{(e * i - f * h) / det, (c * h - b * i) / det, (b * f - c * e) / det},
                           {(f * g - d * i) / det, (a * i - c * g) / det, (c * d - a * f) / det},
                           {(d * h - e * g) / det, (b * g - a * h) / det, (a * e - b * d) / det}};
        // Row-vector convention: n' = n * inverse^T, i.e. n'_j = sum_k n_k * inv[j][k].
        for (int r = 0; r < 3; ++r)
            for (int col = 0; col < 3; ++col) out[r][col] = inv[r][col];
    }

    std::map<std::string, const XFileObject*> named;
};

bool readFile(const char* name, std::vector<char>& bytes) {
    std::FILE* file = std::fopen(name, "rb");
    if (!file) return false;
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

HRESULT makeMaterialBuffer(const std::vector<MaterialEntry>& materials, LPD3DXBUFFER* out) {
    size_t size = materials.size() * sizeof(D3DXMATERIAL);
    for (const auto& m : materials)
        if (m.hasTexture) size += m.texture.size() + 1;
    HRESULT hr = D3DXCreateBuffer(static_cast<DWORD>(size), out);
    if (FAILED(hr)) return hr;
    auto* base = static_cast<char*>((*out)->GetBufferPointer());
    auto* records = reinterpret_cast<D3DXMATERIAL*>(base);
    char* strings = base + materials.size() * sizeof(D3DXMATERIAL);
    for (size_t i = 0; i < materials.size(); ++i) {
        records[i].MatD3D = materials[i].material;
        records[i].pTextureFilename = nullptr;
        if (materials[i].hasTexture) {
            std::memcpy(strings, materials[i].texture.c_str(), materials[i].texture.size() + 1);
            records[i].pTextureFilename = strings;
            strings += materials[i].texture.size() + 1;
        }
    }
    return S_OK;
}

}  // namespace

HRESULT D3DXLoadMeshFromXA(LPCSTR pFilename, DWORD Options, LPDIRECT3DDEVICE9 pD3DDevice, LPD3DXBUFFER* ppAdjacency,
                           LPD3DXBUFFER* ppMaterials, LPD3DXBUFFER* ppEffectInstances, DWORD* pNumMaterials,
                           LPD3DXMESH* ppMesh) {
    if (ppAdjacency) *ppAdjacency = nullptr;
    if (ppMaterials) *ppMaterials = nullptr;
    if (ppEffectInstances) *ppEffectInstances = nullptr;  // effect instances are not read
    if (pNumMaterials) *pNumMaterials = 0;
    // D3DX refuses a missing device even for a system-memory mesh, which needs none here.
    if (!pFilename || !ppMesh || !pD3DDevice) return D3DERR_INVALIDCALL;
    *ppMesh = nullptr;

    std::vector<char> bytes;
    if (!readFile(pFilename, bytes)) return E_FAIL;
    XFileObject root;
    HRESULT hr;
    try {
        hr = parseXFile(bytes.data(), bytes.size(), root);
        if (FAILED(hr)) return hr;
        bytes.clear();
        bytes.shrink_to_fit();

        Gatherer gatherer(root);
        if (!gatherer.walk(root, Matrix{})) return D3DXERR_INVALIDDATA;
        Gathered& g = gatherer.result;
        if (g.attributes.empty()) return E_FAIL;  // no mesh with faces in the file

        // A mesh without its own materials next to meshes with materials gets a default one.
        if (!g.materials.empty() && !g.faceStartsWithoutMaterial.empty()) {
            DWORD id = static_cast<DWORD>(g.materials.size());
            MaterialEntry fallback;
            fallback.material.Diffuse = {1, 1, 1, 1};
            g.materials.push_back(fallback);
            for (size_t i = 0; i < g.faceStartsWithoutMaterial.size(); ++i)
                for (size_t f = 0; f < g.faceCountsWithoutMaterial[i]; ++f)
                    g.attributes[g.faceStartsWithoutMaterial[i] + f] = id;
        }

        std::vector<D3DVERTEXELEMENT9> decl;
        WORD offset = 0;
        decl.push_back({0, offset, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0});
        offset += 12;
        WORD normalOffset = 0, texOffset = 0;
        if (g.anyNormals) {
            normalOffset = offset;
            decl.push_back({0, offset, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0});
            offset += 12;
        }
        if (g.anyTexCoords) {
            texOffset = offset;
            decl.push_back({0, offset, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0});
            offset += 8;
        }
        decl.push_back(D3DDECL_END());

        if (g.vertices.size() > 0xFFFFFFFEu || g.attributes.size() > 0x55555555u) return D3DXERR_INVALIDDATA;
        D3DXMeshImpl* mesh = nullptr;
        hr = D3DXMeshImpl::create(Options, decl.data(), pD3DDevice, static_cast<DWORD>(g.attributes.size()),
                                  static_cast<DWORD>(g.vertices.size()), &mesh);
        if (FAILED(hr)) return hr;
        uint8_t* out = mesh->vertexData();
        for (const Vertex& v : g.vertices) {
            std::memcpy(out, v.position, 12);
            if (g.anyNormals) std::memcpy(out + normalOffset, v.normal, 12);
            if (g.anyTexCoords) std::memcpy(out + texOffset, v.texCoord, 8);
            out += offset;
        }
        for (size_t i = 0; i < g.indices.size(); ++i) mesh->setIndex(i, g.indices[i]);
        mesh->attributes() = g.attributes;
        hr = mesh->upload();
        if (SUCCEEDED(hr) && ppMaterials && !g.materials.empty()) hr = makeMaterialBuffer(g.materials, ppMaterials);
        if (SUCCEEDED(hr) && ppAdjacency) {
            hr = D3DXCreateBuffer(static_cast<DWORD>(g.attributes.size() * 3 * sizeof(DWORD)), ppAdjacency);
            if (SUCCEEDED(hr))
                hr = mesh->GenerateAdjacency(0.0f, static_cast<DWORD*>((*ppAdjacency)->GetBufferPointer()));
        }
        if (FAILED(hr)) {
            mesh->Release();
            if (ppMaterials && *ppMaterials) (*ppMaterials)->Release(), *ppMaterials = nullptr;
            if (ppAdjacency && *ppAdjacency) (*ppAdjacency)->Release(), *ppAdjacency = nullptr;
            return hr;
        }
        if (pNumMaterials) *pNumMaterials = static_cast<DWORD>(g.materials.size());
        *ppMesh = mesh;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

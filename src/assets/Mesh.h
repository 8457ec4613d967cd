// Mesh: the geometry of one part of the clock. A mesh is read from a Wavefront .obj, a
// DirectX .x or a binary .strip file while the asset library is parsed (no device yet), and
// turned into Direct3D buffers with a tangent frame for bump mapping once the device exists.
// Drawing, ray picking and the texture-coordinate edits live in their own files
// (MeshDraw.cpp, MeshPick.cpp, MeshTexEdit.cpp); the readers in MeshObjReader.cpp,
// MeshStripReader.cpp and MeshXReader.cpp, the writer in MeshObjWriter.cpp.
#pragma once

#include "assets/Asset.h"

#include <d3d9.h>
#include <d3dx9.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

// The one vertex layout every mesh is drawn with: one stream, 56 bytes per vertex. The
// effects' vertex inputs are written against exactly these semantics.
struct MeshVertex {
    float position[3];
    float normal[3];
    float texCoord[2];
    float binormal[3];
    float tangent[3];
};
static_assert(sizeof(MeshVertex) == 56, "the vertex layout is 56 bytes");

extern const D3DVERTEXELEMENT9 meshVertexElements[];

// A growable array that doubles its capacity when full. Growth is bounded by the caller:
// the .obj reader appends at most one element per statement of an already-read file.
template <typename T>
struct MeshArray {
    int32_t count = 0;
    int32_t capacity = 0;
    T* elements = nullptr;

    MeshArray() = default;
    MeshArray(const MeshArray&) = delete;
    MeshArray& operator=(const MeshArray&) = delete;
    ~MeshArray() { std::free(elements); }

    // Returns false (and keeps the array as it was) when memory runs out.
    bool append(const T& value) {
        if (count == capacity) {
            int32_t newCapacity = capacity ? capacity * 2 : 10;
            if (capacity > (INT32_MAX / 2)) return false;
            T* grown = static_cast<T*>(std::realloc(elements, sizeof(T) * static_cast<size_t>(newCapacity)));
            if (!grown) return false;
            elements = grown;
            capacity = newCapacity;
        }
        elements[count++] = value;
        return true;
    }
    void swap(MeshArray& other) {
        std::swap(count, other.count);
        std::swap(capacity, other.capacity);
        std::swap(elements, other.elements);
    }
    void clear() {
        std::free(elements);
        elements = nullptr;
        count = 0;
        capacity = 0;
    }
    T& operator[](int32_t i) { return elements[i]; }
    const T& operator[](int32_t i) const { return elements[i]; }
};

struct MeshFloat2 {
    float x, y;
};
struct MeshFloat3 {
    float x, y, z;
};

// One .obj triangle, all indices zero-based: positions, then normals, then texture
// coordinates, for corners 0, 1, 2.
struct MeshFace {
    int32_t position[3];
    int32_t normal[3];
    int32_t texCoord[3];
};

// One primitive group of a .strip file.
struct MeshPrimGroup {
    D3DPRIMITIVETYPE type = D3DPT_TRIANGLESTRIP;
    int32_t indexCount = 0;
    std::unique_ptr<uint16_t[]> indices;

    // Triangles this group stands for; groups too short for one draw nothing.
    int32_t primitiveCount() const;
};

class Mesh : public Asset {
public:
    Mesh();
    ~Mesh() override;

    bool loadObj(const char* fileName);
    bool loadStrip(const char* fileName);
    // Reads a .x file through D3DX, which needs the device.
    bool loadX(const char* fileName, IDirect3DDevice9* device);
    // Names a .x file for createDeviceObjects to load with its device.
    void deferX(const char* fileName);
    void applyTexTransform(float a, float b, float c, float d);
    void translate(float dx, float dy, float dz);
    void scale(float sx, float sy, float sz);
    bool writeObj(const char* fileName);

    HRESULT createDeviceObjects(IDirect3DDevice9* device);
    void releaseDeviceObjects();

    void draw(IDirect3DDevice9* device);
    // The shadow pass reads positions only: an .obj mesh draws it from its shared corners,
    // indexed, instead of three full vertices per face, and a closed one without the faces
    // turned away from the light. world: the transform the draw uses (null: none), whose
    // mirroring, if any, swaps the faces' winding on screen.
    void drawShadowCaster(IDirect3DDevice9* device, const D3DXMATRIX* world = nullptr);
    float intersectRay(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, D3DXVECTOR2* texCoord = nullptr);
    void customTexAnim(float du);
    void transformTexCoords(float a, float b, float c, float d);

    // The 20-byte POSITION + TEXCOORD declaration of the post-processing quads, created once
    // with the global device after the library's device objects.
    static void staticInit();
    static IDirect3DVertexDeclaration9* screenQuadDecl;

    bool isStatic = true;
    bool hasTexCoords = false;
    bool hasNormals = false;
    MeshFloat3 boundsMin = {10000000.0f, 10000000.0f, 10000000.0f};
    MeshFloat3 boundsMax = {-10000000.0f, -10000000.0f, -10000000.0f};
    MeshArray<MeshFloat3> positions;
    MeshArray<MeshFace> faces;
    MeshArray<MeshFloat2> texCoords;
    MeshArray<MeshFloat3> normals;
    IDirect3DVertexDeclaration9* vertexDecl = nullptr;
    IDirect3DVertexBuffer9* vertexBuffer = nullptr;
    IDirect3DIndexBuffer9* indexBuffer = nullptr;
    // Corners in vertexBuffer when an .obj mesh is drawn indexed (indexBuffer) from its
    // distinct corners, as a software rasteriser's meshes are (SoftwareTier.h); 0 when the
    // buffer holds three vertices per face.
    UINT sharedCornerCount = 0;
    IDirect3DVertexDeclaration9* casterDecl = nullptr;
    IDirect3DVertexBuffer9* casterVertexBuffer = nullptr;
    IDirect3DIndexBuffer9* casterIndexBuffer = nullptr;
    UINT casterCornerCount = 0;
    UINT casterTriangleCount = 0;
    DWORD casterCulling = D3DCULL_NONE;  // for an unmirrored world; NONE unless the mesh is closed
    ID3DXMesh* xMesh = nullptr;
    uint32_t xMaterialCount = 0;
    std::string deferredXFile;  // a .x file named before the device existed
    // The .obj file the mesh was read from, and whether an edit has changed its data since
    // (then no twin of the file stands for it; see MeshTwins.cpp).
    std::string objFile;
    bool editedSinceLoad = false;
    int32_t stripVertexCount = 0;
    std::unique_ptr<MeshVertex[]> stripVertices;
    int32_t primGroupCount = 0;
    std::unique_ptr<MeshPrimGroup[]> primGroups;

    // True when every face index refers to an existing element (positions always; normals
    // and texture coordinates when the mesh has them, as the buffers read them then).
    bool objIndicesValid() const;
    // Forgets every .obj, strip and D3DX datum: a rejected file leaves an empty mesh.
    void clearData();

private:
    HRESULT createXObjects(IDirect3DDevice9* device);
    HRESULT createStripObjects(IDirect3DDevice9* device);
    HRESULT createObjObjects(IDirect3DDevice9* device);
    HRESULT createSharedObjObjects(IDirect3DDevice9* device, const std::vector<MeshFace>& drawn);
    // The shadow-caster copy from `source`'s positions and faces: this mesh's, or its twin's.
    HRESULT createCasterObjects(IDirect3DDevice9* device, const Mesh& source, const std::vector<MeshFace>& drawn);
    // Reads the software renderer's twin of this mesh from `folder` beside its file; false,
    // quietly, when there is none (MeshTwins.cpp).
    bool readTwin(const char* folder, Mesh* twin) const;
    // Takes the twin's data in place of its own.
    void adoptData(Mesh& twin);
    // The three vertices of one face as drawn, tangent frame included.
    void fillFaceVertices(const MeshFace& face, MeshVertex* v) const;
    // Re-splits flat, evenly mapped quads along their other diagonal where that rounds the
    // triangles (MeshEvenSplit.cpp); the faces keep their places, count and winding.
    void splitFlatPartsEvenly(std::vector<MeshFace>& drawn) const;
    void releaseCasterObjects();
    void widenBounds(const float* p);
};

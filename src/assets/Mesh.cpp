// Mesh: construction, the shared vertex layout, the whole-mesh position and texture
// coordinate edits made while loading, and the release of the Direct3D objects.
#include "assets/Mesh.h"

#include "shell/Diagnostics.h"
#include "shell/SaverState.h"

const D3DVERTEXELEMENT9 meshVertexElements[] = {
    {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, 24, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    {0, 32, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_BINORMAL, 0},
    {0, 44, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TANGENT, 0},
    D3DDECL_END(),
};

IDirect3DVertexDeclaration9* Mesh::screenQuadDecl = nullptr;

int32_t MeshPrimGroup::primitiveCount() const {
    int32_t count = type == D3DPT_TRIANGLELIST ? indexCount / 3 : indexCount - 2;
    return count > 0 ? count : 0;
}

Mesh::Mesh() = default;

Mesh::~Mesh() {
    releaseDeviceObjects();
}

void Mesh::clearData() {
    positions.clear();
    faces.clear();
    texCoords.clear();
    normals.clear();
    hasTexCoords = false;
    hasNormals = false;
    boundsMin = {10000000.0f, 10000000.0f, 10000000.0f};
    boundsMax = {-10000000.0f, -10000000.0f, -10000000.0f};
    stripVertexCount = 0;
    stripVertices.reset();
    primGroupCount = 0;
    primGroups.reset();
    if (xMesh) {
        xMesh->Release();
        xMesh = nullptr;
    }
    xMaterialCount = 0;
    deferredXFile.clear();
}

bool Mesh::objIndicesValid() const {
    for (int32_t f = 0; f < faces.count; ++f) {
        const MeshFace& face = faces[f];
        for (int c = 0; c < 3; ++c) {
            if (face.position[c] < 0 || face.position[c] >= positions.count) return false;
            if (hasNormals && (face.normal[c] < 0 || face.normal[c] >= normals.count)) return false;
            if (hasTexCoords && (face.texCoord[c] < 0 || face.texCoord[c] >= texCoords.count)) return false;
        }
    }
    return true;
}

void Mesh::widenBounds(const float* p) {
    boundsMin.x = p[0] < boundsMin.x ? p[0] : boundsMin.x;
    boundsMin.y = p[1] < boundsMin.y ? p[1] : boundsMin.y;
    boundsMin.z = p[2] < boundsMin.z ? p[2] : boundsMin.z;
    boundsMax.x = p[0] > boundsMax.x ? p[0] : boundsMax.x;
    boundsMax.y = p[1] > boundsMax.y ? p[1] : boundsMax.y;
    boundsMax.z = p[2] > boundsMax.z ? p[2] : boundsMax.z;
}

void Mesh::applyTexTransform(float a, float b, float c, float d) {
    editedSinceLoad = true;
    for (int32_t i = 0; i < texCoords.count; ++i) {
        texCoords[i].x = a * texCoords[i].x + b;
        texCoords[i].y = c * texCoords[i].y + d;
    }
}

// The bounds stay as they were: callers that move a mesh this way pick by the old box.
void Mesh::translate(float dx, float dy, float dz) {
    editedSinceLoad = true;
    for (int32_t i = 0; i < positions.count; ++i) {
        positions[i].x += dx;
        positions[i].y += dy;
        positions[i].z += dz;
    }
}

void Mesh::scale(float sx, float sy, float sz) {
    editedSinceLoad = true;
    for (int32_t i = 0; i < positions.count; ++i) {
        positions[i].x *= sx;
        positions[i].y *= sy;
        positions[i].z *= sz;
    }
    boundsMin = {boundsMin.x * sx, boundsMin.y * sy, boundsMin.z * sz};
    boundsMax = {boundsMax.x * sx, boundsMax.y * sy, boundsMax.z * sz};
}

void Mesh::releaseDeviceObjects() {
    if (xMesh) {
        xMesh->Release();
        xMesh = nullptr;
    }
    if (vertexBuffer) {
        vertexBuffer->Release();
        vertexBuffer = nullptr;
    }
    if (indexBuffer) {
        indexBuffer->Release();
        indexBuffer = nullptr;
    }
    sharedCornerCount = 0;
    if (vertexDecl) {
        vertexDecl->Release();
        vertexDecl = nullptr;
    }
    releaseCasterObjects();
}

void Mesh::staticInit() {
    static const D3DVERTEXELEMENT9 quadElements[] = {
        {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
        {0, 12, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
        D3DDECL_END(),
    };
    IDirect3DDevice9* device = saverState.device;
    IDirect3DVertexDeclaration9* decl = nullptr;
    if (!device || FAILED(device->CreateVertexDeclaration(quadElements, &decl))) {
        debugPrintf("Error creating vertex declaration in Mesh::staticInit().\n");
        if (screenQuadDecl) screenQuadDecl->Release();
        screenQuadDecl = nullptr;
        return;
    }
    if (screenQuadDecl) screenQuadDecl->Release();
    screenQuadDecl = decl;
}

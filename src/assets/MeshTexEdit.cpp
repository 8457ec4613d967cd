// Rewriting texture coordinates in a mesh's vertex buffer from the loaded ones. Both edits
// lock and rewrite the whole buffer, which is why they announce themselves as slow; meshes
// meant for them are declared STATIC false so that their buffers are dynamic.
#include "assets/Mesh.h"

#include "shell/Diagnostics.h"

namespace {

// The vertex buffer of an .obj mesh holds three vertices per face; only those meshes have
// loaded coordinates to start from. Faces whose indices do not fit are left alone.
bool texIndicesFit(const Mesh& mesh, const MeshFace& face) {
    for (int c = 0; c < 3; ++c)
        if (face.texCoord[c] < 0 || face.texCoord[c] >= mesh.texCoords.count) return false;
    return true;
}

// A strip mesh's buffer, and a static .obj mesh's drawn from shared corners on a software
// rasteriser, are not laid out per face; they have no faces to walk.
bool laidOutPerFace(const Mesh& mesh) { return !mesh.primGroups && !mesh.sharedCornerCount; }

}  // namespace

void Mesh::customTexAnim(float du) {
    debugPrintf("Deprecated function Mesh::customTexAnim() is slow and should not be used.");
    if (isStatic) debugPrintf("Error: Attempting to modify tex coords of a static mesh.\n");
    if (!vertexBuffer) return;
    void* bytes = nullptr;
    if (FAILED(vertexBuffer->Lock(0, 0, &bytes, 0)) || !bytes) {
        debugPrintf("Error while attempting to lock vertex buffer\n");
        return;
    }
    auto* vertices = static_cast<MeshVertex*>(bytes);
    for (int32_t f = 0; laidOutPerFace(*this) && f < faces.count; ++f) {
        const MeshFace& face = faces[f];
        if (!texIndicesFit(*this, face)) continue;
        bool lowerHalf = true;
        for (int c = 0; c < 3; ++c) lowerHalf = lowerHalf && texCoords[face.texCoord[c]].y <= 0.5f;
        if (!lowerHalf) continue;
        for (int c = 0; c < 3; ++c) vertices[3 * f + c].texCoord[0] = texCoords[face.texCoord[c]].x + du;
    }
    vertexBuffer->Unlock();
}

void Mesh::transformTexCoords(float a, float b, float c, float d) {
    debugPrintf("Deprecated function Mesh::transformTexCoords() is slow and should not be used.\n");
    if (!vertexBuffer) return;
    if (isStatic) debugPrintf("Error: Attempting to modify tex coords of a static mesh.\n");
    void* bytes = nullptr;
    if (FAILED(vertexBuffer->Lock(0, 0, &bytes, 0)) || !bytes) {
        debugPrintf("Error while attempting to lock vertex buffer\n");
        return;
    }
    auto* vertices = static_cast<MeshVertex*>(bytes);
    for (int32_t f = 0; laidOutPerFace(*this) && f < faces.count; ++f) {
        const MeshFace& face = faces[f];
        if (!texIndicesFit(*this, face)) continue;
        for (int k = 0; k < 3; ++k) {
            const MeshFloat2& loaded = texCoords[face.texCoord[k]];
            vertices[3 * f + k].texCoord[0] = a * loaded.x + b;
            vertices[3 * f + k].texCoord[1] = c * loaded.y + d;
        }
    }
    vertexBuffer->Unlock();
}

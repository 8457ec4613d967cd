// Ray picking against a mesh in its own coordinate space: a slab test against the bounding
// box first, then single-sided Moller-Trumbore against every triangle, keeping the nearest
// hit and the texture coordinate where it lands.
#include "assets/Mesh.h"

namespace {

struct V3 {
    float x, y, z;
};
V3 sub(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
float dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

// Woo's slab test; an origin inside the box always hits.
bool hitsBox(const float* origin, const float* dir, const float* lo, const float* hi) {
    bool inside = true;
    float plane[3] = {0, 0, 0};
    bool outsideOnAxis[3] = {false, false, false};
    for (int i = 0; i < 3; ++i) {
        if (origin[i] < lo[i]) {
            plane[i] = lo[i];
            inside = false;
            outsideOnAxis[i] = true;
        } else if (origin[i] > hi[i]) {
            plane[i] = hi[i];
            inside = false;
            outsideOnAxis[i] = true;
        }
    }
    if (inside) return true;
    float distance[3];
    for (int i = 0; i < 3; ++i)
        distance[i] = (outsideOnAxis[i] && dir[i] != 0.0f) ? (plane[i] - origin[i]) / dir[i] : -1.0f;
    int axis = 0;
    for (int i = 1; i < 3; ++i)
        if (distance[i] > distance[axis]) axis = i;
    if (distance[axis] < 0.0f) return false;
    for (int i = 0; i < 3; ++i) {
        if (i == axis) continue;
        float at = origin[i] + distance[axis] * dir[i];
        if (at < lo[i] || at > hi[i]) return false;
    }
    return true;
}

class RayTest {
public:
    RayTest(V3 o, V3 d, D3DXVECTOR2* tex) : origin(o), dir(d), texOut(tex) {}

    void triangle(V3 p0, V3 p1, V3 p2, MeshFloat2 t0, MeshFloat2 t1, MeshFloat2 t2) {
        V3 e1 = sub(p1, p0), e2 = sub(p2, p0);
        V3 p = cross(dir, e2);
        float det = dot(e1, p);
        if (det < 0.000001f) return;  // parallel, or seen from the back
        V3 s = sub(origin, p0);
        float u = dot(s, p);
        if (u < 0.0f || u > det) return;
        V3 q = cross(s, e1);
        float v = dot(dir, q);
        if (v < 0.0f || u + v > det) return;
        float t = dot(e2, q) / det;
        u /= det;
        v /= det;
        // Equal distances keep the earlier triangle; a hit behind the origin is kept only
        // until any later hit replaces it.
        if (kept < 0.0f || t < kept) {
            kept = t;
            if (texOut) {
                texOut->x = t0.x + (t1.x - t0.x) * u + (t2.x - t0.x) * v;
                texOut->y = t0.y + (t1.y - t0.y) * u + (t2.y - t0.y) * v;
            }
        }
    }
    float result() const { return kept; }

private:
    V3 origin, dir;
    D3DXVECTOR2* texOut;
    float kept = -1.0f;
};

V3 v3(const float* p) { return {p[0], p[1], p[2]}; }

}  // namespace

float Mesh::intersectRay(const D3DXVECTOR3& origin, const D3DXVECTOR3& direction, D3DXVECTOR2* texCoord) {
    const float o[3] = {origin.x, origin.y, origin.z};
    const float d[3] = {direction.x, direction.y, direction.z};
    const float lo[3] = {boundsMin.x, boundsMin.y, boundsMin.z};
    const float hi[3] = {boundsMax.x, boundsMax.y, boundsMax.z};
    if (!hitsBox(o, d, lo, hi)) return -1.0f;

    RayTest test({o[0], o[1], o[2]}, {d[0], d[1], d[2]}, texCoord);
    if (primGroups) {
        for (int32_t g = 0; g < primGroupCount; ++g) {
            const MeshPrimGroup& group = primGroups[g];
            int32_t count = group.primitiveCount();
            for (int32_t k = 0; k < count; ++k) {
                int32_t i0, i1, i2;
                if (group.type == D3DPT_TRIANGLELIST) {
                    i0 = 3 * k, i1 = 3 * k + 1, i2 = 3 * k + 2;
                } else if (group.type == D3DPT_TRIANGLEFAN) {
                    i0 = 0, i1 = k + 1, i2 = k + 2;
                } else if (k % 2 == 0) {
                    i0 = k, i1 = k + 1, i2 = k + 2;
                } else {
                    i0 = k, i1 = k + 2, i2 = k + 1;
                }
                uint16_t a = group.indices[i0], b = group.indices[i1], c = group.indices[i2];
                if (a >= stripVertexCount || b >= stripVertexCount || c >= stripVertexCount) continue;
                const MeshVertex &va = stripVertices[a], &vb = stripVertices[b], &vc = stripVertices[c];
                test.triangle(v3(va.position), v3(vb.position), v3(vc.position), {va.texCoord[0], va.texCoord[1]},
                              {vb.texCoord[0], vb.texCoord[1]}, {vc.texCoord[0], vc.texCoord[1]});
            }
        }
        return test.result();
    }
    for (int32_t f = 0; f < faces.count; ++f) {
        const MeshFace& face = faces[f];
        bool valid = true;
        for (int c = 0; c < 3; ++c) valid = valid && face.position[c] >= 0 && face.position[c] < positions.count;
        if (!valid) continue;
        // Without texture coordinates the hit reports (0, 0), as the vertex buffer holds.
        MeshFloat2 t[3] = {{0, 0}, {0, 0}, {0, 0}};
        if (hasTexCoords)
            for (int c = 0; c < 3; ++c)
                if (face.texCoord[c] >= 0 && face.texCoord[c] < texCoords.count) t[c] = texCoords[face.texCoord[c]];
        const MeshFloat3 &p0 = positions[face.position[0]], &p1 = positions[face.position[1]],
                         &p2 = positions[face.position[2]];
        test.triangle({p0.x, p0.y, p0.z}, {p1.x, p1.y, p1.z}, {p2.x, p2.y, p2.z}, t[0], t[1], t[2]);
    }
    return test.result();
}

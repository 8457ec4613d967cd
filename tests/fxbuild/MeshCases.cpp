// The shadow-map and lit-mesh cases of the read-back check. Every case draws one square of
// object space [-1, 1]^2 at z = 0.5 through matrices that are neither symmetric nor free of
// translation, so a matrix uploaded the wrong way round moves or bends what is drawn.
#include "ReadbackCases.h"
#include "ReadbackModel.h"

#include <cmath>

namespace {

const int kSize = 32;

// Two triangles of the square; every vertex has normal (0, 0, -1), tangent +x, binormal -y
// (v runs down the texture while y runs up).
std::vector<float> square() {
    const float corners[4][4] = {{-1, 1, 0, 0}, {1, 1, 1, 0}, {1, -1, 1, 1}, {-1, -1, 0, 1}};
    const int order[6] = {0, 1, 2, 0, 2, 3};
    std::vector<float> v;
    for (int i : order) {
        const float* c = corners[i];
        float vertex[14] = {c[0], c[1], 0.5f, 0, 0, -1, c[2], c[3], 0, -1, 0, 1, 0, 0};
        v.insert(v.end(), vertex, vertex + 14);
    }
    return v;
}

// Object position of the square's point under pixel (x, y) when `clip` maps object x, y
// affinely: clip = (sx * x + tx, sy * y + ty). False for pixels near or past its edge.
bool objectAt(int x, int y, float sx, float tx, float sy, float ty, float& ox, float& oy) {
    float cx = 2.0f * x / kSize - 1.0f, cy = 1.0f - 2.0f * y / kSize;
    ox = (cx - tx) / sx;
    oy = (cy - ty) / sy;
    return std::fabs(ox) < 0.95f && std::fabs(oy) < 0.95f;
}

float shadowMapCase(ReadbackDevice& d, ID3DXEffect* e) {
    D3DXMATRIX scale, shift, world, light;
    D3DXMatrixMultiply(&world, D3DXMatrixScaling(&scale, 2, 1, 1), D3DXMatrixTranslation(&shift, 1, 2, 3));
    D3DXMatrixMultiply(&light, D3DXMatrixScaling(&scale, 0.5f, 0.5f, 1), D3DXMatrixTranslation(&shift, 0.25f, -0.25f, 0));
    set(e, "matWorld", world);
    set(e, "matLightWorldViewProj", light);
    set(e, "lightPosition", D3DXVECTOR4(-4, 5, -12, 1));
    set(e, "distanceScale", 0.045f);
    IDirect3DTexture9* out = d.target(kSize, kSize, 1.0f);
    bool drawn = d.drawMesh(e, square());
    Image got = d.read(out);
    out->Release();
    Image expected(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            float ox, oy, *p = expected.at(x, y);
            if (!objectAt(x, y, 0.5f, 0.25f, 0.5f, -0.25f, ox, oy)) {
                // Off the square the clear value stays; on its edge either may show.
                bool edge = std::fabs(ox) < 1.05f && std::fabs(oy) < 1.05f;
                p[0] = p[1] = p[2] = edge ? NAN : 1.0f;
                continue;
            }
            float wx = 2 * ox + 1 + 4, wy = oy + 2 - 5, wz = 0.5f + 3 + 12;
            p[0] = p[1] = p[2] = std::sqrt(wx * wx + wy * wy + wz * wz) * 0.045f;
        }
    }
    return drawn ? maxError(got, expected) : -1.0f;
}

}  // namespace

std::vector<Case> meshCases() {
    return {
        {"ShadowMap",
         shapes({{"lightPosition", 'v'}, {"distanceScale", 'f'}, {"matLightWorldViewProj", 'm'}, {"matWorld", 'm'}}),
         shadowMapCase},
    };
}

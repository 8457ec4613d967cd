// The shadow-map and lit-mesh cases of the read-back check. Every case draws one square of
// object space [-1, 1]^2 at z = 0.5 through matrices that are neither symmetric nor free of
// translation, so a matrix uploaded the wrong way round moves or bends what is drawn.
#include "ReadbackCases.h"
#include "ReadbackModel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

// The fallbacks' techniques are the shader model 2 ones, named ...Simple.
bool isFallback(ID3DXEffect* e) {
    D3DXTECHNIQUE_DESC desc;
    return SUCCEEDED(e->GetTechniqueDesc(e->GetTechnique(0), &desc)) && std::string(desc.Name).find("Simple") != std::string::npos;
}

float shadowMapCase(ReadbackDevice& d, ID3DXEffect* e) {
    D3DXMATRIX scale, shift, world, light;
    D3DXMatrixMultiply(&world, D3DXMatrixScaling(&scale, 2, 1, 1), D3DXMatrixTranslation(&shift, 1, 2, 3));
    D3DXMatrixMultiply(&light, D3DXMatrixScaling(&scale, 0.5f, 0.5f, 1), D3DXMatrixTranslation(&shift, 0.25f, -0.25f, 0));
    set(e, "lightPosition", D3DXVECTOR4(-4, 5, -12, 1));
    set(e, "distanceScale", 0.045f);
    IDirect3DTexture9* out = d.target(kSize, kSize, 1.0f);
    // The saver opens the pass once a frame and commits each draw's two matrices.
    bool drawn = d.drawMesh(e, square(), [&] {
        set(e, "matWorld", world);
        set(e, "matLightWorldViewProj", light);
    });
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


// The lit-mesh effects: the square through an affine world, view-projection and light
// projection, so every pixel's inputs are known exactly and the GLSL shading is redone here.
struct LitScene {
    bool reflect, fallback, shadowsOff;
    Image base = model::pattern(8, 8, 7, 0.2f, 1.0f);
    Image bump = model::pattern(8, 8, 8, 0.4f, 0.6f);
    Image shadowMap = Image(16, 16);
    float faces[6][3] = {{0.9f, 0.2f, 0.1f}, {0.1f, 0.8f, 0.2f}, {0.2f, 0.3f, 0.9f},
                         {0.7f, 0.7f, 0.1f}, {0.1f, 0.6f, 0.7f}, {0.8f, 0.3f, 0.6f}};
    const float ambient[4] = {0.8f, 0.7f, 0.6f, 1}, diffuse[4] = {0.9f, 0.8f, 0.7f, 0.5f};
    const float specular[4] = {0.3f, 0.35f, 0.4f, 1}, light[3] = {-4, 5, -12}, eye[3] = {0, 0, -10};
    const float specularPower = 8, bumpiness = 0.5f, clarity = 3, reflectance = 0.5f;
    const float pixelWidth = 1.25f / 16, distanceScale = 0.045f, shadowBias = 0.005f;

    LitScene(bool r, bool f, bool off) : reflect(r), fallback(f), shadowsOff(off) {
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) bump.at(x, y)[2] = 0.9f;
        }
        // Left half: an occluder at the light; right half: nothing nearer.
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) shadowMap.at(x, y)[0] = x < 8 && !shadowsOff ? 0.0f : 1.0f;
        }
    }

    static void normalize(float v[3]) {
        float l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        for (int i = 0; i < 3; ++i) v[i] /= l;
    }
    static float dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

    // False when the pixel sits too near a texel edge or cube edge to expect one answer.
    bool shade(float ox, float oy, float out[4]) const {
        float u = 2 * ((ox + 1) / 2) + 0.25f, v = (1 - oy) / 2 + 0.5f;
        float wp[3] = {2 * ox + 0.5f, oy - 0.5f, 3.5f};
        float b4[4], bp[4];
        model::bilinear(base, u, v, b4, true);
        float n[3] = {0, 0, -1}, plain[3] = {0, 0, -1};
        if (!fallback) {
            model::bilinear(bump, u, v, bp, true);
            float bx = (bp[0] * 2 - 1) * bumpiness, by = (bp[1] * 2 - 1) * bumpiness, bz = std::fmax(bp[2] * 2 - 1, 0.05f);
            // tangent (2, 0, 0) and binormal (0, -1, 0) after the world's scale, normalized
            float bent[3] = {bx, -by, -bz};
            normalize(bent);
            for (int i = 0; i < 3; ++i) n[i] = bent[i];
        }
        float toLight[3], toEye[3], half[3];
        for (int i = 0; i < 3; ++i) {
            toLight[i] = light[i] - wp[i];
            toEye[i] = eye[i] - wp[i];
        }
        float distance = std::sqrt(dot(toLight, toLight));
        normalize(toLight);
        normalize(toEye);
        float nDotL = dot(n, toLight);

        float facing = std::clamp(dot(plain, toLight), 0.05f, 1.0f);
        float bias = shadowBias * std::fmin(1 + 1.5f * std::sqrt(1 - facing * facing) / facing, 4.0f);
        float own = std::fmin(distance * distanceScale, 0.999f) - bias;
        float su = 0.5f + 0.5f * (0.6f * ox - 0.1f) + 0.4f * pixelWidth;
        float sv = 0.5f - 0.5f * (0.6f * oy + 0.05f) + 0.4f * pixelWidth;
        float lit = 0;
        // Shadows off: the light matrix is all zeros (w = 0) and the map all 1.0, so lit.
        int taps = shadowsOff ? 0 : fallback ? 1 : 3;
        for (int dy = 0; dy < taps; ++dy) {
            for (int dx = 0; dx < taps; ++dx) {
                float tu = (su + (fallback ? 0 : dx - 1) * pixelWidth) * 16;
                float tv = (sv + (fallback ? 0 : dy - 1) * pixelWidth) * 16;
                if (std::fabs(tu - std::round(tu)) < 0.02f || std::fabs(tv - std::round(tv)) < 0.02f) return false;
                float stored = shadowMap.at(std::clamp(int(tu), 0, 15), std::clamp(int(tv), 0, 15))[0];
                lit += stored < own ? 0.0f : 1.0f;
            }
        }
        float shadow = shadowsOff ? 1.0f : lit / (taps * taps);
        float lambert = std::fmax(nDotL, 0.0f) * shadow;
        for (int i = 0; i < 3; ++i) half[i] = toLight[i] + toEye[i];
        normalize(half);
        float highlight = nDotL > 0 ? std::pow(std::fmax(dot(n, half), 0.0f), specularPower) * shadow : 0.0f;
        float colour[3];
        for (int i = 0; i < 3; ++i) {
            colour[i] = b4[i] * (ambient[i] * 0.35f + diffuse[i] * lambert) + specular[i] * highlight;
        }
        if (reflect) {
            float r[3], d = 2 * dot(n, toEye);
            for (int i = 0; i < 3; ++i) r[i] = d * n[i] - toEye[i];  // reflect(-toEye, n)
            float a[3] = {std::fabs(r[0]), std::fabs(r[1]), std::fabs(r[2])};
            int axis = a[0] >= a[1] && a[0] >= a[2] ? 0 : (a[1] >= a[2] ? 1 : 2);
            float second = std::fmax(a[(axis + 1) % 3], a[(axis + 2) % 3]);
            if (second > 0.9f * a[axis]) return false;
            const float* mirrored = faces[axis * 2 + (r[axis] < 0 ? 1 : 0)];
            for (int i = 0; i < 3; ++i) {
                colour[i] = colour[i] * (1 - 0.5f * reflectance) +
                            mirrored[i] * b4[i] * reflectance * (0.6f + 0.4f * shadow);
            }
        }
        for (int i = 0; i < 3; ++i) out[i] = std::clamp(colour[i], 0.0f, 1.0f);
        out[3] = b4[3] * diffuse[3];
        return true;
    }
};

float litCase(ReadbackDevice& d, ID3DXEffect* e, bool reflect, bool fallback, bool shadowsOff) {
    LitScene scene(reflect, fallback, shadowsOff);
    D3DXMATRIX scale, shift, world, view, light;
    D3DXMatrixMultiply(&world, D3DXMatrixScaling(&scale, 2, 1, 1), D3DXMatrixTranslation(&shift, 0.5f, -0.5f, 3));
    D3DXMatrixMultiply(&view, D3DXMatrixScaling(&scale, 0.8f, 0.8f, 0.5f), D3DXMatrixTranslation(&shift, 0.1f, -0.1f, 0.25f));
    D3DXMatrixMultiply(&light, D3DXMatrixScaling(&scale, 0.6f, 0.6f, 0.5f),
                       D3DXMatrixTranslation(&shift, -0.1f, 0.05f, 0.25f));
    if (shadowsOff) std::memset(&light, 0, sizeof light);
    IDirect3DTexture9* base = d.texture(scene.base);
    IDirect3DTexture9* bump = d.texture(scene.bump);
    IDirect3DTexture9* shadow = d.floatTexture(scene.shadowMap);
    IDirect3DCubeTexture9* cube = d.cubeTexture(scene.faces);
    set(e, "matWorld", world);
    set(e, "matWorldViewProj", view);
    set(e, "matLightWorldViewProj", light);
    set(e, "base_Tex", base);
    set(e, "bump_Tex", bump);
    set(e, "ShadowMap_Tex", shadow);
    set(e, "ambient", D3DXVECTOR4(scene.ambient));
    set(e, "diffuse", D3DXVECTOR4(scene.diffuse));
    set(e, "specular", D3DXVECTOR4(scene.specular));
    set(e, "lightPosition", D3DXVECTOR4(-4, 5, -12, 1));
    set(e, "eyePosition", D3DXVECTOR4(0, 0, -10, 1));
    set(e, "texTransform", D3DXVECTOR4(2, 0.25f, 1, 0.5f));
    set(e, "specularPower", scene.specularPower);
    set(e, "bumpiness", scene.bumpiness);
    set(e, "pixelWidth", scene.pixelWidth);
    set(e, "distanceScale", scene.distanceScale);
    set(e, "shadowBias", scene.shadowBias);
    if (reflect) {
        set(e, "environmentMap_Tex", cube);
        set(e, "reflectionClarity", scene.clarity);
        set(e, "reflectance", scene.reflectance);
    }
    IDirect3DTexture9* out = d.target(kSize, kSize, 0.0f);
    bool drawn = d.drawMesh(e, square());
    Image got = d.read(out);
    for (IUnknown* object : {static_cast<IUnknown*>(base), static_cast<IUnknown*>(bump),
                             static_cast<IUnknown*>(shadow), static_cast<IUnknown*>(cube), static_cast<IUnknown*>(out)}) {
        object->Release();
    }
    Image expected(kSize, kSize);
    int shaded = 0;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            float ox, oy, *p = expected.at(x, y);
            if (objectAt(x, y, 0.8f, 0.1f, 0.8f, -0.1f, ox, oy)) {
                if (scene.shade(ox, oy, p)) ++shaded;
                else p[0] = p[1] = p[2] = p[3] = NAN;
            } else if (std::fabs(ox) < 1.05f && std::fabs(oy) < 1.05f) {
                p[0] = p[1] = p[2] = p[3] = NAN;
            }
        }
    }
    if (shaded < kSize * kSize / 4) return -1.0f;  // the model left too little to compare
    return drawn ? maxError(got, expected, 4) : -1.0f;
}

// With shadows and without: the worse of the two.
float litCases(ReadbackDevice& d, ID3DXEffect* e, bool reflect) {
    float with = litCase(d, e, reflect, isFallback(e), false);
    float without = litCase(d, e, reflect, isFallback(e), true);
    return with < 0 || without < 0 ? -1.0f : std::fmax(with, without);
}

}  // namespace

std::vector<Case> meshCases() {
    return {
        {"ShadowMap",
         shapes({{"lightPosition", 'v'}, {"distanceScale", 'f'}, {"matLightWorldViewProj", 'm'}, {"matWorld", 'm'}}),
         shadowMapCase},
        {"TextureBumpShadows",
         shapes({{"ShadowMap_Tex", 't'}, {"lightPosition", 'v'}, {"pixelWidth", 'f'}, {"matWorldViewProj", 'm'},
                 {"matWorld", 'm'}, {"matLightWorldViewProj", 'm'}, {"base_Tex", 't'}, {"bump_Tex", 't'},
                 {"ambient", 'v'}, {"diffuse", 'v'}, {"specular", 'v'}, {"specularPower", 'f'}, {"bumpiness", 'f'},
                 {"distanceScale", 'f'}, {"shadowBias", 'f'}, {"eyePosition", 'v'}, {"texTransform", 'v'}}),
         [](ReadbackDevice& d, ID3DXEffect* e) { return litCases(d, e, false); }},
        {"TextureBumpCubemapShadows",
         shapes({{"ShadowMap_Tex", 't'}, {"lightPosition", 'v'}, {"pixelWidth", 'f'}, {"matWorldView", 'm'},
                 {"matWorldViewProj", 'm'}, {"matWorld", 'm'}, {"matLightWorldViewProj", 'm'}, {"base_Tex", 't'},
                 {"bump_Tex", 't'}, {"environmentMap_Tex", 'c'}, {"ambient", 'v'}, {"diffuse", 'v'},
                 {"specular", 'v'}, {"specularPower", 'f'}, {"bumpiness", 'f'}, {"reflectionClarity", 'f'},
                 {"reflectance", 'f'}, {"distanceScale", 'f'}, {"shadowBias", 'f'}, {"eyePosition", 'v'},
                 {"texTransform", 'v'}}),
         [](ReadbackDevice& d, ID3DXEffect* e) { return litCases(d, e, true); }},
    };
}

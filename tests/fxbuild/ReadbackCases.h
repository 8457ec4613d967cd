// The pieces every read-back case uses: the parameter shapes the saver expects, the case
// record, typed parameter sets by name and the pixel comparison.
#pragma once

#include "ReadbackDevice.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

struct ParamType {
    const char* name;
    D3DXPARAMETER_CLASS klass;
    D3DXPARAMETER_TYPE type;
};
const ParamType kMatrix = {"", D3DXPC_MATRIX_ROWS, D3DXPT_FLOAT};

inline std::vector<ParamType> shapes(std::initializer_list<std::pair<const char*, char>> list) {
    // f float, v float4, m float4x4, t 2-D texture, c cube texture
    std::vector<ParamType> out;
    for (auto [name, kind] : list) {
        switch (kind) {
            case 'f': out.push_back({name, D3DXPC_SCALAR, D3DXPT_FLOAT}); break;
            case 'v': out.push_back({name, D3DXPC_VECTOR, D3DXPT_FLOAT}); break;
            case 'm': out.push_back({name, kMatrix.klass, kMatrix.type}); break;
            case 't': out.push_back({name, D3DXPC_OBJECT, D3DXPT_TEXTURE2D}); break;
            default: out.push_back({name, D3DXPC_OBJECT, D3DXPT_TEXTURECUBE}); break;
        }
    }
    return out;
}

inline bool parametersPresent(ID3DXEffect* effect, const std::vector<ParamType>& expected) {
    bool ok = true;
    for (const ParamType& p : expected) {
        D3DXHANDLE h = effect->GetParameterByName(nullptr, p.name);
        D3DXPARAMETER_DESC desc = {};
        if (!h || FAILED(effect->GetParameterDesc(h, &desc)) || desc.Class != p.klass || desc.Type != p.type) {
            std::printf("  parameter %s missing or of the wrong type\n", p.name);
            ok = false;
        }
    }
    return ok;
}

// The largest difference between `actual` and `expected` over the first `channels` channels;
// pixels the model marks NaN are left out.
inline float maxError(const Image& actual, const Image& expected, int channels = 3) {
    float worst = 0.0f;
    for (int y = 0; y < actual.height; ++y) {
        for (int x = 0; x < actual.width; ++x) {
            for (int i = 0; i < channels; ++i) {
                float e = expected.at(x, y)[i];
                if (std::isnan(e)) continue;  // a pixel the model leaves out
                worst = std::fmax(worst, std::fabs(actual.at(x, y)[i] - e));
            }
        }
    }
    return worst;
}

struct Case {
    std::string file;
    std::vector<ParamType> parameters;
    // Draws with the effect and returns the largest pixel error (or a negative number when
    // drawing failed).
    std::function<float(ReadbackDevice&, ID3DXEffect*)> draw;
};

inline void set(ID3DXEffect* e, const char* name, IDirect3DBaseTexture9* t) { e->SetTexture(e->GetParameterByName(nullptr, name), t); }
inline void set(ID3DXEffect* e, const char* name, const D3DXVECTOR4& v) { e->SetVector(e->GetParameterByName(nullptr, name), &v); }
inline void set(ID3DXEffect* e, const char* name, float f) { e->SetFloat(e->GetParameterByName(nullptr, name), f); }
inline void set(ID3DXEffect* e, const char* name, const D3DXMATRIX& m) { e->SetMatrix(e->GetParameterByName(nullptr, name), &m); }

// The shadow-map and lit-mesh cases (MeshCases.cpp).
std::vector<Case> meshCases();

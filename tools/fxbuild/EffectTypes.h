// The numbers D3DX uses for parameter classes, types and register sets, shared by the effect
// file and the constant table (kept here so the writers build on any host).
#pragma once

#include "EffectSource.h"

#include <cstdint>

namespace fxbuild {

enum : uint32_t {
    kClassScalar = 0, kClassVector = 1, kClassMatrixRows = 2, kClassMatrixColumns = 3, kClassObject = 4,
};
enum : uint32_t {
    kTypeInt = 2, kTypeFloat = 3, kTypeTexture = 5, kTypeTexture2D = 7, kTypeTextureCube = 9,
    kTypeSampler2D = 12, kTypeSamplerCube = 14, kTypePixelShader = 15, kTypeVertexShader = 16,
};
enum : uint16_t { kRegisterSetFloat4 = 2, kRegisterSetSampler = 3 };

struct TypeShape {
    uint32_t klass, type, rows, columns;
};

// The shape as a shader's constant table gives it. Matrices are column-major there (one column
// a register, as an HLSL compiler packs them by default), so shaders transform a row vector
// with m4x4 against columns; the effect file declares them row-major (effectShape), and D3DX
// transposes on upload.
inline TypeShape typeShape(ParamKind kind) {
    switch (kind) {
        case ParamKind::Float: return {kClassScalar, kTypeFloat, 1, 1};
        case ParamKind::Float4: return {kClassVector, kTypeFloat, 1, 4};
        case ParamKind::Float4x4: return {kClassMatrixColumns, kTypeFloat, 4, 4};
        case ParamKind::Texture2D: return {kClassObject, kTypeTexture2D, 0, 0};
        case ParamKind::TextureCube: return {kClassObject, kTypeTextureCube, 0, 0};
        case ParamKind::Sampler2D: return {kClassObject, kTypeSampler2D, 1, 1};
        case ParamKind::SamplerCube: return {kClassObject, kTypeSamplerCube, 1, 1};
    }
    return {};
}

// The shape as the effect file declares the parameter: matrices row by row, as the saver's
// D3DXMATRIX values are laid out and as SetMatrix expects.
inline TypeShape effectShape(ParamKind kind) {
    TypeShape shape = typeShape(kind);
    if (shape.klass == kClassMatrixColumns) shape.klass = kClassMatrixRows;
    return shape;
}

}  // namespace fxbuild

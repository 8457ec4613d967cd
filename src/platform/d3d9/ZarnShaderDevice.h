// Not part of Direct3D: how the D3DX effect stand-in reaches a device's programmable
// pipeline. D3DX compiles HLSL into Direct3D shader objects; our effects carry GLSL, which
// the back end compiles and links into one program per pass. Both back ends implement it
// (the GL device for real, the recording device by logging and scripted answers).
#pragma once

#include <d3d9.h>

#include <string>

// ---- how effect GLSL meets the device ------------------------------------------------------
// Programs are GLSL 330 core. The device compiles exactly what it is given, except that it
// inserts ZARN_GLSL_VERTEX_PRELUDE into every vertex shader right after its #version line
// (adding "#version 330 core" when there is none) and then a #line directive, so the
// driver's line numbers still match the effect file.
//
// Vertex attributes come from the vertex declaration at fixed locations, by usage:
//   POSITION 0, NORMAL 1, TEXCOORD0 2, BINORMAL 3, TANGENT 4, COLOR0 5, TEXCOORD1 6,
//   TEXCOORD2 7. Declare them as `layout(location = N) in ...`. Usages without a location
//   are not fed; an attribute the declaration lacks reads (0, 0, 0, 1).
//
// Matrices: SetUniform(ZARN_UNIFORM_MAT4) uploads Direct3D's 16 floats unchanged (no
// transpose), so `M * v` in GLSL gives Direct3D's row-vector `v × M`; write
// `worldViewProj * vec4(position, 1.0)` where the HLSL said mul(position, worldViewProj).
//
// Clip space: a vertex shader computes its position in Direct3D's clip space (z from 0 to
// w, y up, Direct3D pixel centres) and must hand it through zarnClip:
//     gl_Position = zarnClip(worldViewProj * vec4(position, 1.0));
// zarnClip applies the device's per-target fix-ups (pixel-centre shift, the flip that keeps
// v = 0 at the top of render targets, depth range) from the uniform zarn_posFixup, which the
// device keeps up to date; effects never set it. Texture coordinates need no fix-up: v = 0
// is the top row of every image and render target, as in Direct3D.
//
// Fragment shaders have one vec4 output (any name) written to render target 0. Samplers are
// bound through SetUniformTexture; the unit's sampler states (SetSamplerState with the unit
// number) apply. R16F textures sample as (r, 1, 1, 1) and X8R8G8B8 ones with alpha 1.
// D3DRS_ALPHATESTENABLE is honoured only by the fixed-function shader; effects that need an
// alpha test discard in their fragment shader.
#define ZARN_GLSL_VERTEX_PRELUDE                                                              \
    "uniform vec4 zarn_posFixup;\n"                                                          \
    "vec4 zarnClip(vec4 p) {\n"                                                               \
    "    p.xy += zarn_posFixup.xy * p.w;\n"                                                   \
    "    p.y *= zarn_posFixup.z;\n"                                                           \
    "    p.z = mix(p.z, 2.0 * p.z - p.w, zarn_posFixup.w);\n"                                 \
    "    return p;\n"                                                                         \
    "}\n"

// Requirement names an effect technique may declare, and whether a device grants them:
//   "glsl330"           GLSL 330 core programs (the GL device always grants it)
//   "test-unsupported"  never granted; tests use it to force an effect onto its fallback
// Unknown names are refused, so a technique never runs on a device that did not promise it.

enum ZarnUniformType {
    ZARN_UNIFORM_FLOAT = 1,
    ZARN_UNIFORM_VEC4 = 4,
    ZARN_UNIFORM_MAT4 = 16,
};

struct IZarnShaderDevice {
    // Compiles and links one program. On failure returns E_FAIL with the driver's log in
    // *pLog (also filled with warnings on success) and *pProgram = 0.
    virtual HRESULT CreateProgram(const char* vertexSource, const char* fragmentSource, std::string* pLog,
                                  UINT* pProgram) = 0;
    virtual void DeleteProgram(UINT program) = 0;
    // Program 0 returns the device to its built-in fixed-function shader.
    virtual HRESULT SetProgram(UINT program) = 0;
    // -1 when the program has no active uniform of that name.
    virtual INT GetUniformLocation(UINT program, const char* name) = 0;
    // Sets a uniform of the current program; matrices are 16 floats in Direct3D's row order,
    // uploaded unchanged (see above: `M * v` in GLSL is Direct3D's `v × M`).
    virtual HRESULT SetUniform(INT location, ZarnUniformType type, const float* values) = 0;
    // Binds a texture to a sampler uniform of the current program on the given unit.
    virtual HRESULT SetUniformTexture(INT location, UINT unit, IDirect3DBaseTexture9* texture) = 0;
    // Whether the device accepts a technique that declares this requirement (effect files may
    // name requirements; tests use one that a device refuses to exercise fallbacks).
    virtual BOOL SupportsRequirement(const char* requirement) = 0;

protected:
    virtual ~IZarnShaderDevice() = default;
};

// The device's shader interface, or null when the device has none.
inline IZarnShaderDevice* ZarnGetShaderDevice(IDirect3DDevice9* device) {
    return dynamic_cast<IZarnShaderDevice*>(device);
}

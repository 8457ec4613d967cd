// Not part of Direct3D: how the D3DX effect stand-in reaches a device's programmable
// pipeline. D3DX compiles HLSL into Direct3D shader objects; our effects carry GLSL, which
// the back end compiles and links into one program per pass. Both back ends implement it
// (the GL device for real, the recording device by logging and scripted answers).
#pragma once

#include <d3d9.h>

#include <string>

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
    // Sets a uniform of the current program; matrices are 16 floats in Direct3D's row order.
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

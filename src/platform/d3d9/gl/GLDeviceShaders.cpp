// IZarnShaderDevice on the GL device: the D3DX effect runtime's programs. Every vertex
// shader receives the zarnClip prelude (GLConventions.cpp), and each program's
// zarn_posFixup is refreshed at the first draw after the viewport size changes.
#include "d3d9/gl/GLDevice.h"

#include "d3d9/gl/GLProgramBuilder.h"

HRESULT GLDevice::CreateProgram(const char* vertexSource, const char* fragmentSource, std::string* pLog,
                                UINT* pProgram) {
    if (!pProgram) return E_INVALIDARG;
    *pProgram = 0;
    std::string log;
    if (!vertexSource || !fragmentSource || !makeCurrent()) {
        if (pLog) *pLog = "no shader source or no GL context\n";
        return E_FAIL;
    }
    std::string vertex = glconv::vertexSourceWithPrelude(vertexSource);
    for (SharedProgram& shared : sharedPrograms) {
        if (shared.vertex != vertex || shared.fragment != fragmentSource) continue;
        ++shared.users;
        if (pLog) *pLog = shared.log;
        *pProgram = shared.program;
        return S_OK;
    }
    const GLuint program = glbuildProgram(vertex.c_str(), fragmentSource, &log);
    if (pLog) *pLog = log;
    if (!program) return E_FAIL;
    if (program >= programs.size()) programs.resize(size_t(program) + 1);
    ProgramRecord& record = programs[program];
    record.live = true;
    record.posFixupLocation = glGetUniformLocation(program, "zarn_posFixup");
    record.fixupVersion = 0;
    sharedPrograms.push_back({std::move(vertex), fragmentSource, log, program, 1});
    *pProgram = program;
    return S_OK;
}

void GLDevice::DeleteProgram(UINT program) {
    if (program == 0 || program >= programs.size() || !programs[program].live || !makeCurrent()) return;
    for (size_t k = 0; k < sharedPrograms.size(); ++k) {
        if (sharedPrograms[k].program != program) continue;
        if (--sharedPrograms[k].users > 0) return;
        sharedPrograms.erase(sharedPrograms.begin() + long(k));
        break;
    }
    if (currentProgram == program) currentProgram = 0;
    // Leave GL's binding alone if it is current; the cache re-binds on the next draw.
    cache.useProgram(0);
    glDeleteProgram(program);
    programs[program] = ProgramRecord{};
}

HRESULT GLDevice::SetProgram(UINT program) {
    if (program != 0 && (program >= programs.size() || !programs[program].live)) return D3DERR_INVALIDCALL;
    currentProgram = program;
    return D3D_OK;
}

INT GLDevice::GetUniformLocation(UINT program, const char* name) {
    if (!name || program == 0 || program >= programs.size() || !programs[program].live || !makeCurrent()) return -1;
    return glGetUniformLocation(program, name);
}

HRESULT GLDevice::SetUniform(INT location, ZarnUniformType type, const float* values) {
    if (!values || currentProgram == 0) return D3DERR_INVALIDCALL;
    // Location −1 is a uniform the driver optimised away: setting it is harmless.
    if (location < 0) return D3D_OK;
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    cache.useProgram(currentProgram);
    switch (type) {
    case ZARN_UNIFORM_FLOAT: glUniform1fv(location, 1, values); break;
    case ZARN_UNIFORM_VEC4: glUniform4fv(location, 1, values); break;
    // Direct3D's row order, unchanged: GLSL's `M * v` is then Direct3D's `v × M`.
    case ZARN_UNIFORM_MAT4: glUniformMatrix4fv(location, 1, GL_FALSE, values); break;
    default: return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

HRESULT GLDevice::SetUniformTexture(INT location, UINT unit, IDirect3DBaseTexture9* texture) {
    if (currentProgram == 0 || unit >= UINT(samplerCount)) return D3DERR_INVALIDCALL;
    const HRESULT hr = SetTexture(unit, texture);
    if (FAILED(hr)) return hr;
    if (location < 0) return D3D_OK;
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    cache.useProgram(currentProgram);
    glUniform1i(location, GLint(unit));
    return D3D_OK;
}

// Direct3D 9's fixed-function pipeline as far as the saver uses it, emulated by one built-in
// GLSL program: per-vertex lighting with directional lights, D3DMATERIAL9 and D3DRS_AMBIENT,
// specular with the local-viewer half vector when D3DRS_SPECULARENABLE is on, texture stage
// 0 modulating the lit colour through an optional D3DTTFF_COUNTn texture transform, and the
// alpha test. The device hands it state as Direct3D records it; upload() sends only what
// changed since the last draw that used the program.
#pragma once

#include <d3d9.h>
#include <epoxy/gl.h>

#include <string>

class GLFixedFunction {
public:
    static constexpr int maxLights = 8;

    // Compiles and links the program in the current context.
    bool create(std::string* log);
    void destroy();
    GLuint program() const { return glProgram; }
    GLint posFixupLocation() const { return locPosFixup; }

    void setWorld(const D3DMATRIX& m);
    void setView(const D3DMATRIX& m);
    void setProjection(const D3DMATRIX& m);
    void setTextureMatrix(const D3DMATRIX& m);
    void setMaterial(const D3DMATERIAL9& material);
    void setLight(DWORD index, const D3DLIGHT9& light);
    void enableLight(DWORD index, bool enable);
    void setLighting(bool on, bool specular, bool normalizeNormals, D3DCOLOR ambient);
    // COLOROP of stage 0, whether stage 0 has a texture, and D3DTSS_TEXTURETRANSFORMFLAGS.
    void setStage0(DWORD colorOp, bool textured, DWORD transformFlags);
    void setAlphaTest(bool enabled, DWORD func, DWORD reference);
    void setVertexColour(bool present);

    // Sends the changed uniforms; the program must be in use.
    void upload();

private:
    enum Dirty : unsigned {
        DirtyWorldView = 1, DirtyProjection = 2, DirtyTexture = 4, DirtyMaterial = 8, DirtyLights = 16,
        DirtyFlags = 32, DirtyStage = 64, DirtyAlpha = 128, All = 0xFFFF
    };
    unsigned dirty = All;
    GLuint glProgram = 0;
    GLint locWorldView = -1, locProjection = -1, locNormalMatrix = -1, locTexMatrix = -1;
    GLint locMaterial = -1, locPower = -1, locGlobalAmbient = -1, locLightCount = -1;
    GLint locLightDir = -1, locLightDiffuse = -1, locLightSpecular = -1, locLightAmbient = -1;
    GLint locVertexFlags = -1, locStage = -1, locAlphaRef = -1, locPosFixup = -1, locSampler = -1;

    D3DMATRIX world{}, view{}, projection{}, textureMatrix{};
    D3DMATERIAL9 material{};
    D3DLIGHT9 lights[maxLights]{};
    bool lightOn[maxLights] = {};
    bool lighting = true, specular = false, normalize = false, vertexColour = false;
    D3DCOLOR ambient = 0;
    DWORD colorOp = 4, transformFlags = 0;
    bool textured = false;
    bool alphaTest = false;
    DWORD alphaFunc = 8, alphaRef = 0;
};

// Row-vector 4×4 product a × b (a applied first), and the inverse transpose of the upper
// 3×3 of m in the same row layout (for normals); exposed for tests.
D3DMATRIX glffMultiply(const D3DMATRIX& a, const D3DMATRIX& b);
void glffNormalMatrix(const D3DMATRIX& m, float out[9]);

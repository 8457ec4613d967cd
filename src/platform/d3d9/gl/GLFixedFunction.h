// Direct3D 9's fixed-function pipeline as far as the saver uses it, emulated by built-in GLSL
// programs: per-vertex lighting with directional lights, D3DMATERIAL9 and D3DRS_AMBIENT,
// specular with the local-viewer half vector when D3DRS_SPECULARENABLE is on, texture stage
// 0 modulating the lit colour through an optional D3DTTFF_COUNTn texture transform, and the
// alpha test. The device hands it state as Direct3D records it. Each state the saver draws with
// gets a program built for it (GLFixedFunctionSource.h), compiled at its first draw; the
// general program, which reads every switch from uniforms, draws the rest. upload() sends
// only what changed since the last draw, and everything after a change of program.
#pragma once

#include "d3d9/gl/GLFixedFunctionSource.h"

#include <d3d9.h>
#include <epoxy/gl.h>

#include <string>

class GLFixedFunction {
public:
    static constexpr int maxLights = 8;

    // Compiles and links the general program in the current context.
    bool create(std::string* log);
    void destroy();
    GLuint program() const { return general.name; }
    // The program for the state set so far, built now if this state is new (*built then
    // says so); it becomes the one upload() serves.
    GLuint selectProgram(bool* built);
    GLint posFixupLocation() const { return active->posFixup; }
    // Off: every state draws with the general program (tests compare the two).
    void setSpecialising(bool on) { specialising = on; }

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

    struct Locations {
        GLuint name = 0;
        GLint worldView = -1, projection = -1, normalMatrix = -1, texMatrix = -1;
        GLint material = -1, power = -1, globalAmbient = -1, lightCount = -1;
        GLint lightDir = -1, lightDiffuse = -1, lightSpecular = -1, lightAmbient = -1;
        GLint vertexFlags = -1, stage = -1, alphaRefValue = -1, posFixup = -1, sampler = -1;
        void find(GLuint program);
    };
    struct Variant {
        uint32_t key = 0;
        Locations program;  // name 0: the build failed, the general program stands in
    };
    // The saver draws with one or two states; the table only bounds a caller that changes
    // state without end.
    static constexpr int maxVariants = 16;
    Locations general;
    Variant variants[maxVariants];
    int variantCount = 0;
    Locations* active = &general;
    bool specialising = true;

    GLFixedFunctionSwitches switches() const;
    bool usableLight(int index, float* x, float* y, float* z, float* length) const;
    int usableLightCount() const;
    int stageOperation() const;
    int transformCount() const;

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

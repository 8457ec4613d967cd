// The built-in fixed-function program and the uniform upload. Lighting follows Direct3D 9's
// equations in view space, per vertex (Gouraud), as Direct3D's own pipeline does:
//   colour   = emissive + ambient × (D3DRS_AMBIENT + Σ light ambient)
//              + diffuse × Σ light diffuse × max(N·L, 0)          (saturated; alpha = diffuse.a)
//   specular = specular × Σ light specular × max(N·H, 0)^Power    (only where N·L > 0)
// with L = −light direction and, for the local viewer, H = normalize(L − normalize(P)).
// Normals go through the inverse transpose of world × view and are renormalised only with
// D3DRS_NORMALIZENORMALS, so a scaled mesh lights as it does under Direct3D.
#include "d3d9/gl/GLFixedFunction.h"

#include "d3d9/gl/GLFixedFunctionSource.h"
#include "d3d9/gl/GLProgramBuilder.h"

#include <cmath>
#include <cstring>

namespace {

D3DMATRIX identity() {
    D3DMATRIX m{};
    m._11 = m._22 = m._33 = m._44 = 1.0f;
    return m;
}

void colourOf(D3DCOLOR c, float out[4]) {
    out[0] = float((c >> 16) & 0xff) / 255.0f;
    out[1] = float((c >> 8) & 0xff) / 255.0f;
    out[2] = float(c & 0xff) / 255.0f;
    out[3] = float((c >> 24) & 0xff) / 255.0f;
}

}  // namespace

D3DMATRIX glffMultiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    return r;
}

void glffNormalMatrix(const D3DMATRIX& m, float out[9]) {
    // inverse(A)ᵀ = cofactor(A) / det(A)
    const float a = m._11, b = m._12, c = m._13, d = m._21, e = m._22, f = m._23, g = m._31, h = m._32, i = m._33;
    float cof[9] = {e * i - f * h, -(d * i - f * g), d * h - e * g,
                    -(b * i - c * h), a * i - c * g, -(a * h - b * g),
                    b * f - c * e, -(a * f - c * d), a * e - b * d};
    const float det = a * cof[0] + b * cof[1] + c * cof[2];
    // A singular matrix flattens the mesh anyway; keep the normals finite.
    const float scale = std::fabs(det) > 1e-20f ? 1.0f / det : 0.0f;
    for (int k = 0; k < 9; ++k) out[k] = cof[k] * scale;
}

void GLFixedFunction::Locations::find(GLuint program) {
    name = program;
    worldView = glGetUniformLocation(program, "zarn_worldView");
    projection = glGetUniformLocation(program, "zarn_projection");
    normalMatrix = glGetUniformLocation(program, "zarn_normalMatrix");
    texMatrix = glGetUniformLocation(program, "zarn_texMatrix");
    material = glGetUniformLocation(program, "zarn_material");
    power = glGetUniformLocation(program, "zarn_power");
    globalAmbient = glGetUniformLocation(program, "zarn_globalAmbient");
    lightCount = glGetUniformLocation(program, "zarn_lightCount");
    lightDir = glGetUniformLocation(program, "zarn_lightDir");
    lightDiffuse = glGetUniformLocation(program, "zarn_lightDiffuse");
    lightSpecular = glGetUniformLocation(program, "zarn_lightSpecular");
    lightAmbient = glGetUniformLocation(program, "zarn_lightAmbient");
    vertexFlags = glGetUniformLocation(program, "zarn_vertexFlags");
    stage = glGetUniformLocation(program, "zarn_stage");
    alphaRefValue = glGetUniformLocation(program, "zarn_alphaRef");
    posFixup = glGetUniformLocation(program, "zarn_posFixup");
    sampler = glGetUniformLocation(program, "zarn_texture0");
}

bool GLFixedFunction::create(std::string* log) {
    const GLuint program = glbuildProgram(glffVertexSource(nullptr).c_str(), glffFragmentSource(nullptr).c_str(), log);
    if (!program) return false;
    general.find(program);
    active = &general;
    variantCount = 0;
    world = view = projection = textureMatrix = identity();
    dirty = All;
    return true;
}

void GLFixedFunction::destroy() {
    for (int k = 0; k < variantCount; ++k)
        if (variants[k].program.name) glDeleteProgram(variants[k].program.name);
    variantCount = 0;
    if (general.name) glDeleteProgram(general.name);
    general = Locations{};
    active = &general;
}

GLFixedFunctionSwitches GLFixedFunction::switches() const {
    GLFixedFunctionSwitches s;
    s.lighting = lighting;
    s.specular = lighting && specular;
    s.normalize = normalize;
    s.vertexColour = vertexColour;
    s.lightCount = lighting ? usableLightCount() : 0;
    s.stageOp = stageOperation();
    s.transformCount = transformCount();
    s.projected = (transformFlags & D3DTTFF_PROJECTED) != 0;
    // Functions outside NEVER..ALWAYS pass nothing, as in the general program.
    s.alphaFunc = !alphaTest ? 0 : alphaFunc >= 1 && alphaFunc <= 8 ? int(alphaFunc) : 9;
    return s;
}

GLuint GLFixedFunction::selectProgram(bool* built) {
    if (built) *built = false;
    const GLFixedFunctionSwitches wanted = switches();
    const uint32_t key = wanted.key();
    Locations* chosen = specialising ? nullptr : &general;
    for (int k = 0; k < variantCount && !chosen; ++k)
        if (variants[k].key == key) chosen = variants[k].program.name ? &variants[k].program : &general;
    if (!chosen && variantCount < maxVariants) {
        // Built once per state; a build that fails is remembered and the general program
        // draws that state from then on.
        Variant& v = variants[variantCount++];
        v.key = key;
        v.program = Locations{};
        std::string ignored;
        const GLuint program =
            glbuildProgram(glffVertexSource(&wanted).c_str(), glffFragmentSource(&wanted).c_str(), &ignored);
        if (program) {
            v.program.find(program);
            if (built) *built = true;
        }
        chosen = program ? &v.program : &general;
    }
    if (!chosen) chosen = &general;
    if (chosen != active) {
        // Uniforms belong to a program: the one taking over needs every value.
        active = chosen;
        dirty = All;
    }
    return active->name;
}

void GLFixedFunction::setWorld(const D3DMATRIX& m) {
    world = m;
    dirty |= DirtyWorldView;
}
void GLFixedFunction::setView(const D3DMATRIX& m) {
    view = m;
    dirty |= DirtyWorldView | DirtyLights;
}
void GLFixedFunction::setProjection(const D3DMATRIX& m) {
    projection = m;
    dirty |= DirtyProjection;
}
void GLFixedFunction::setTextureMatrix(const D3DMATRIX& m) {
    textureMatrix = m;
    dirty |= DirtyTexture;
}
void GLFixedFunction::setMaterial(const D3DMATERIAL9& m) {
    material = m;
    dirty |= DirtyMaterial;
}
void GLFixedFunction::setLight(DWORD index, const D3DLIGHT9& light) {
    if (index >= maxLights) return;
    lights[index] = light;
    dirty |= DirtyLights;
}
void GLFixedFunction::enableLight(DWORD index, bool enable) {
    if (index >= maxLights || lightOn[index] == enable) return;
    lightOn[index] = enable;
    dirty |= DirtyLights;
}
void GLFixedFunction::setLighting(bool on, bool specularOn, bool normalizeNormals, D3DCOLOR amb) {
    if (on == lighting && specularOn == specular && normalizeNormals == normalize && amb == ambient) return;
    lighting = on;
    specular = specularOn;
    normalize = normalizeNormals;
    if (ambient != amb) dirty |= DirtyMaterial;
    ambient = amb;
    dirty |= DirtyFlags;
}
void GLFixedFunction::setStage0(DWORD op, bool tex, DWORD flags) {
    if (op == colorOp && tex == textured && flags == transformFlags) return;
    colorOp = op;
    textured = tex;
    transformFlags = flags;
    dirty |= DirtyStage;
}
void GLFixedFunction::setAlphaTest(bool enabled, DWORD func, DWORD reference) {
    if (enabled == alphaTest && func == alphaFunc && reference == alphaRef) return;
    alphaTest = enabled;
    alphaFunc = func;
    alphaRef = reference;
    dirty |= DirtyAlpha | DirtyStage;
}
void GLFixedFunction::setVertexColour(bool present) {
    if (present == vertexColour) return;
    vertexColour = present;
    dirty |= DirtyFlags;
}

bool GLFixedFunction::usableLight(int k, float* x, float* y, float* z, float* length) const {
    // Only directional lights exist in the saver; other kinds are left dark.
    if (!lightOn[k] || lights[k].Type != D3DLIGHT_DIRECTIONAL) return false;
    const D3DVECTOR& d = lights[k].Direction;
    *x = d.x * view._11 + d.y * view._21 + d.z * view._31;
    *y = d.x * view._12 + d.y * view._22 + d.z * view._32;
    *z = d.x * view._13 + d.y * view._23 + d.z * view._33;
    *length = std::sqrt(*x * *x + *y * *y + *z * *z);
    return *length > 0.0f;
}

int GLFixedFunction::usableLightCount() const {
    int count = 0;
    float x, y, z, length;
    for (int k = 0; k < maxLights; ++k) count += usableLight(k, &x, &y, &z, &length) ? 1 : 0;
    return count;
}

int GLFixedFunction::stageOperation() const {
    // Every operation past SELECTARG2 modulates. An untextured stage passes the lit colour
    // and its alpha through.
    if (!textured || colorOp == D3DTOP_DISABLE) return 0;
    return colorOp == D3DTOP_SELECTARG1 ? 1 : colorOp == D3DTOP_SELECTARG2 ? 2 : 3;
}

int GLFixedFunction::transformCount() const {
    const int count = int(transformFlags & 0xff);
    return count >= 1 && count <= 4 ? count : 0;
}

void GLFixedFunction::upload() {
    if (!dirty) return;
    if (dirty & DirtyWorldView) {
        const D3DMATRIX worldView = glffMultiply(world, view);
        glUniformMatrix4fv(active->worldView, 1, GL_FALSE, &worldView.m[0][0]);
        float normalMatrix[9];
        glffNormalMatrix(worldView, normalMatrix);
        glUniformMatrix3fv(active->normalMatrix, 1, GL_FALSE, normalMatrix);
    }
    if (dirty & DirtyProjection) glUniformMatrix4fv(active->projection, 1, GL_FALSE, &projection.m[0][0]);
    if (dirty & DirtyTexture) glUniformMatrix4fv(active->texMatrix, 1, GL_FALSE, &textureMatrix.m[0][0]);
    if (dirty & DirtyMaterial) {
        const D3DCOLORVALUE* parts[4] = {&material.Diffuse, &material.Ambient, &material.Specular, &material.Emissive};
        float values[16];
        for (int k = 0; k < 4; ++k) std::memcpy(values + 4 * k, parts[k], sizeof(float) * 4);
        glUniform4fv(active->material, 4, values);
        glUniform1f(active->power, material.Power);
        float amb[4];
        colourOf(ambient, amb);
        glUniform4fv(active->globalAmbient, 1, amb);
    }
    if (dirty & DirtyLights) {
        float dirs[3 * maxLights], diffuse[4 * maxLights], specularColours[4 * maxLights], amb[4 * maxLights];
        int count = 0;
        for (int k = 0; k < maxLights; ++k) {
            float x, y, z, length;
            if (!usableLight(k, &x, &y, &z, &length)) continue;
            dirs[3 * count + 0] = -x / length;
            dirs[3 * count + 1] = -y / length;
            dirs[3 * count + 2] = -z / length;
            std::memcpy(diffuse + 4 * count, &lights[k].Diffuse, sizeof(float) * 4);
            std::memcpy(specularColours + 4 * count, &lights[k].Specular, sizeof(float) * 4);
            std::memcpy(amb + 4 * count, &lights[k].Ambient, sizeof(float) * 4);
            ++count;
        }
        glUniform1i(active->lightCount, count);
        if (count) {
            glUniform3fv(active->lightDir, count, dirs);
            glUniform4fv(active->lightDiffuse, count, diffuse);
            glUniform4fv(active->lightSpecular, count, specularColours);
            glUniform4fv(active->lightAmbient, count, amb);
        }
    }
    if (dirty & DirtyFlags)
        glUniform4i(active->vertexFlags, lighting, lighting && specular, normalize, vertexColour);
    if (dirty & DirtyStage) {
        const int projected = (transformFlags & D3DTTFF_PROJECTED) ? 1 : 0;
        glUniform4i(active->stage, stageOperation(), transformCount(), projected, alphaTest ? int(alphaFunc) : 0);
        glUniform1i(active->sampler, 0);
    }
    if (dirty & DirtyAlpha) glUniform1f(active->alphaRefValue, float(alphaRef & 0xff) / 255.0f);
    dirty = 0;
}

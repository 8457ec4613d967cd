// The built-in fixed-function program and the uniform upload. Lighting follows Direct3D 9's
// equations in view space, per vertex (Gouraud), as Direct3D's own pipeline does:
//   colour   = emissive + ambient × (D3DRS_AMBIENT + Σ light ambient)
//              + diffuse × Σ light diffuse × max(N·L, 0)          (saturated; alpha = diffuse.a)
//   specular = specular × Σ light specular × max(N·H, 0)^Power    (only where N·L > 0)
// with L = −light direction and, for the local viewer, H = normalize(L − normalize(P)).
// Normals go through the inverse transpose of world × view and are renormalised only with
// D3DRS_NORMALIZENORMALS, so a scaled mesh lights as it does under Direct3D.
#include "d3d9/gl/GLFixedFunction.h"

#include "d3d9/gl/GLConventions.h"
#include "d3d9/gl/GLProgramBuilder.h"

#include <cmath>
#include <cstring>

namespace {

const char* vertexShader = R"(#version 330 core
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec4 inTexCoord;
layout(location = 5) in vec4 inColour;
uniform mat4 zarn_worldView;
uniform mat4 zarn_projection;
uniform mat3 zarn_normalMatrix;
uniform mat4 zarn_texMatrix;
uniform vec4 zarn_material[4];      // diffuse, ambient, specular, emissive
uniform float zarn_power;
uniform vec4 zarn_globalAmbient;
uniform int zarn_lightCount;
uniform vec3 zarn_lightDir[8];      // towards the light, view space, unit length
uniform vec4 zarn_lightDiffuse[8];
uniform vec4 zarn_lightSpecular[8];
uniform vec4 zarn_lightAmbient[8];
uniform ivec4 zarn_vertexFlags;     // lighting, specular, normalize, vertex colour
uniform ivec4 zarn_stage;           // colour op, transform count, projected, alpha func
out vec4 vDiffuse;
out vec4 vSpecular;
out vec4 vTexCoord;
void main() {
    vec4 viewPosition = zarn_worldView * vec4(inPosition, 1.0);
    gl_Position = zarnClip(zarn_projection * viewPosition);

    // Direct3D pads a two-component coordinate to (u, v, 1, 0) before the texture matrix,
    // which puts the translation in the matrix's third row.
    vec4 tc = vec4(inTexCoord.xy, 1.0, 0.0);
    vTexCoord = zarn_stage.y != 0 ? zarn_texMatrix * tc : tc;

    vec4 materialDiffuse = zarn_vertexFlags.w != 0 ? inColour : zarn_material[0];
    if (zarn_vertexFlags.x == 0) {
        vDiffuse = zarn_vertexFlags.w != 0 ? inColour : vec4(1.0);
        vSpecular = vec4(0.0);
        return;
    }
    vec3 n = zarn_normalMatrix * inNormal;
    if (zarn_vertexFlags.z != 0) n = normalize(n);
    vec3 toEye = -normalize(viewPosition.xyz);
    vec3 diffuse = vec3(0.0);
    vec3 ambient = zarn_globalAmbient.rgb;
    vec3 specular = vec3(0.0);
    for (int i = 0; i < zarn_lightCount; ++i) {
        vec3 l = zarn_lightDir[i];
        float nDotL = dot(n, l);
        ambient += zarn_lightAmbient[i].rgb;
        if (nDotL > 0.0) {
            diffuse += zarn_lightDiffuse[i].rgb * nDotL;
            if (zarn_vertexFlags.y != 0) {
                vec3 h = normalize(l + toEye);
                specular += zarn_lightSpecular[i].rgb * pow(max(dot(n, h), 0.0), zarn_power);
            }
        }
    }
    vec3 colour = zarn_material[3].rgb + zarn_material[1].rgb * ambient + materialDiffuse.rgb * diffuse;
    vDiffuse = clamp(vec4(colour, materialDiffuse.a), 0.0, 1.0);
    vSpecular = clamp(vec4(zarn_material[2].rgb * specular, 0.0), 0.0, 1.0);
}
)";

const char* fragmentShader = R"(#version 330 core
in vec4 vDiffuse;
in vec4 vSpecular;
in vec4 vTexCoord;
uniform sampler2D zarn_texture0;
uniform ivec4 zarn_stage;
uniform float zarn_alphaRef;
out vec4 fragColour;
void main() {
    vec4 colour = vDiffuse;
    if (zarn_stage.x != 0) {
        vec2 uv = vTexCoord.xy;
        if (zarn_stage.z != 0) {
            float q = zarn_stage.y == 2 ? vTexCoord.y : zarn_stage.y == 3 ? vTexCoord.z : vTexCoord.w;
            uv = q != 0.0 ? uv / q : uv;
        }
        vec4 texel = texture(zarn_texture0, uv);
        // Stage 0's default alpha operation selects the texture's alpha.
        if (zarn_stage.x == 1) colour = texel;
        else if (zarn_stage.x == 2) colour = vec4(vDiffuse.rgb, texel.a);
        else colour = vec4(texel.rgb * vDiffuse.rgb, texel.a);
    }
    colour.rgb = min(colour.rgb + vSpecular.rgb, vec3(1.0));
    int f = zarn_stage.w;
    if (f != 0 && f != 8) {
        float a = colour.a, r = zarn_alphaRef;
        bool pass = f == 2 ? a < r : f == 3 ? a == r : f == 4 ? a <= r : f == 5 ? a > r
                  : f == 6 ? a != r : f == 7 ? a >= r : false;
        if (!pass) discard;
    }
    fragColour = colour;
}
)";

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

bool GLFixedFunction::create(std::string* log) {
    glProgram = glbuildProgram(glconv::vertexSourceWithPrelude(vertexShader).c_str(), fragmentShader, log);
    if (!glProgram) return false;
    locWorldView = glGetUniformLocation(glProgram, "zarn_worldView");
    locProjection = glGetUniformLocation(glProgram, "zarn_projection");
    locNormalMatrix = glGetUniformLocation(glProgram, "zarn_normalMatrix");
    locTexMatrix = glGetUniformLocation(glProgram, "zarn_texMatrix");
    locMaterial = glGetUniformLocation(glProgram, "zarn_material");
    locPower = glGetUniformLocation(glProgram, "zarn_power");
    locGlobalAmbient = glGetUniformLocation(glProgram, "zarn_globalAmbient");
    locLightCount = glGetUniformLocation(glProgram, "zarn_lightCount");
    locLightDir = glGetUniformLocation(glProgram, "zarn_lightDir");
    locLightDiffuse = glGetUniformLocation(glProgram, "zarn_lightDiffuse");
    locLightSpecular = glGetUniformLocation(glProgram, "zarn_lightSpecular");
    locLightAmbient = glGetUniformLocation(glProgram, "zarn_lightAmbient");
    locVertexFlags = glGetUniformLocation(glProgram, "zarn_vertexFlags");
    locStage = glGetUniformLocation(glProgram, "zarn_stage");
    locAlphaRef = glGetUniformLocation(glProgram, "zarn_alphaRef");
    locPosFixup = glGetUniformLocation(glProgram, "zarn_posFixup");
    locSampler = glGetUniformLocation(glProgram, "zarn_texture0");
    world = view = projection = textureMatrix = identity();
    dirty = All;
    return true;
}

void GLFixedFunction::destroy() {
    if (glProgram) glDeleteProgram(glProgram);
    glProgram = 0;
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

void GLFixedFunction::upload() {
    if (!dirty) return;
    if (dirty & DirtyWorldView) {
        const D3DMATRIX worldView = glffMultiply(world, view);
        glUniformMatrix4fv(locWorldView, 1, GL_FALSE, &worldView.m[0][0]);
        float normalMatrix[9];
        glffNormalMatrix(worldView, normalMatrix);
        glUniformMatrix3fv(locNormalMatrix, 1, GL_FALSE, normalMatrix);
    }
    if (dirty & DirtyProjection) glUniformMatrix4fv(locProjection, 1, GL_FALSE, &projection.m[0][0]);
    if (dirty & DirtyTexture) glUniformMatrix4fv(locTexMatrix, 1, GL_FALSE, &textureMatrix.m[0][0]);
    if (dirty & DirtyMaterial) {
        const D3DCOLORVALUE* parts[4] = {&material.Diffuse, &material.Ambient, &material.Specular, &material.Emissive};
        float values[16];
        for (int k = 0; k < 4; ++k) std::memcpy(values + 4 * k, parts[k], sizeof(float) * 4);
        glUniform4fv(locMaterial, 4, values);
        glUniform1f(locPower, material.Power);
        float amb[4];
        colourOf(ambient, amb);
        glUniform4fv(locGlobalAmbient, 1, amb);
    }
    if (dirty & DirtyLights) {
        float dirs[3 * maxLights], diffuse[4 * maxLights], specularColours[4 * maxLights], amb[4 * maxLights];
        int count = 0;
        for (int k = 0; k < maxLights; ++k) {
            // Only directional lights exist in the saver; other kinds are left dark.
            if (!lightOn[k] || lights[k].Type != D3DLIGHT_DIRECTIONAL) continue;
            const D3DVECTOR& d = lights[k].Direction;
            float x = d.x * view._11 + d.y * view._21 + d.z * view._31;
            float y = d.x * view._12 + d.y * view._22 + d.z * view._32;
            float z = d.x * view._13 + d.y * view._23 + d.z * view._33;
            const float length = std::sqrt(x * x + y * y + z * z);
            if (length <= 0.0f) continue;
            dirs[3 * count + 0] = -x / length;
            dirs[3 * count + 1] = -y / length;
            dirs[3 * count + 2] = -z / length;
            std::memcpy(diffuse + 4 * count, &lights[k].Diffuse, sizeof(float) * 4);
            std::memcpy(specularColours + 4 * count, &lights[k].Specular, sizeof(float) * 4);
            std::memcpy(amb + 4 * count, &lights[k].Ambient, sizeof(float) * 4);
            ++count;
        }
        glUniform1i(locLightCount, count);
        if (count) {
            glUniform3fv(locLightDir, count, dirs);
            glUniform4fv(locLightDiffuse, count, diffuse);
            glUniform4fv(locLightSpecular, count, specularColours);
            glUniform4fv(locLightAmbient, count, amb);
        }
    }
    if (dirty & DirtyFlags)
        glUniform4i(locVertexFlags, lighting, lighting && specular, normalize, vertexColour);
    if (dirty & DirtyStage) {
        // D3DTOP_DISABLE = 1, SELECTARG1 = 2, SELECTARG2 = 3, MODULATE = 4 (and the rest
        // modulate). An untextured stage passes the lit colour and its alpha through.
        int op = 0;
        if (textured && colorOp != 1) op = colorOp == 2 ? 1 : colorOp == 3 ? 2 : 3;
        const int count = int(transformFlags & 0xff);
        const int projected = (transformFlags & D3DTTFF_PROJECTED) ? 1 : 0;
        glUniform4i(locStage, op, count >= 1 && count <= 4 ? count : 0, projected, alphaTest ? int(alphaFunc) : 0);
        glUniform1i(locSampler, 0);
    }
    if (dirty & DirtyAlpha) glUniform1f(locAlphaRef, float(alphaRef & 0xff) / 255.0f);
    dirty = 0;
}

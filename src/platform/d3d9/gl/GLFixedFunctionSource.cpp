// The fixed-function GLSL (see GLFixedFunction.cpp for the equations) and its specialisation:
// the FF_ switches read uniforms unless a definition ahead of them fixes their values.
#include "d3d9/gl/GLFixedFunctionSource.h"

#include "d3d9/gl/GLConventions.h"

namespace {

const char* const vertexShader = R"(#version 330 core
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
#ifndef FF_SPECIALISED
#define FF_LIGHTING (zarn_vertexFlags.x != 0)
#define FF_SPECULAR (zarn_vertexFlags.y != 0)
#define FF_NORMALIZE (zarn_vertexFlags.z != 0)
#define FF_VERTEX_COLOUR (zarn_vertexFlags.w != 0)
#define FF_LIGHT_COUNT zarn_lightCount
#define FF_TRANSFORM_COUNT zarn_stage.y
#endif
void main() {
    vec4 viewPosition = zarn_worldView * vec4(inPosition, 1.0);
    gl_Position = zarnClip(zarn_projection * viewPosition);

    // Direct3D pads a two-component coordinate to (u, v, 1, 0) before the texture matrix,
    // which puts the translation in the matrix's third row.
    vec4 tc = vec4(inTexCoord.xy, 1.0, 0.0);
    vTexCoord = FF_TRANSFORM_COUNT != 0 ? zarn_texMatrix * tc : tc;

    vec4 materialDiffuse = FF_VERTEX_COLOUR ? inColour : zarn_material[0];
    if (!FF_LIGHTING) {
        vDiffuse = FF_VERTEX_COLOUR ? inColour : vec4(1.0);
        vSpecular = vec4(0.0);
        return;
    }
    vec3 n = zarn_normalMatrix * inNormal;
    if (FF_NORMALIZE) n = normalize(n);
    vec3 toEye = -normalize(viewPosition.xyz);
    vec3 diffuse = vec3(0.0);
    vec3 ambient = zarn_globalAmbient.rgb;
    vec3 specular = vec3(0.0);
    for (int i = 0; i < FF_LIGHT_COUNT; ++i) {
        vec3 l = zarn_lightDir[i];
        float nDotL = dot(n, l);
        ambient += zarn_lightAmbient[i].rgb;
        if (nDotL > 0.0) {
            diffuse += zarn_lightDiffuse[i].rgb * nDotL;
            if (FF_SPECULAR) {
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

const char* const fragmentShader = R"(#version 330 core
in vec4 vDiffuse;
in vec4 vSpecular;
in vec4 vTexCoord;
uniform sampler2D zarn_texture0;
uniform ivec4 zarn_stage;
uniform float zarn_alphaRef;
out vec4 fragColour;
#ifndef FF_SPECIALISED
#define FF_STAGE_OP zarn_stage.x
#define FF_TRANSFORM_COUNT zarn_stage.y
#define FF_PROJECTED (zarn_stage.z != 0)
#define FF_ALPHA_FUNC zarn_stage.w
#endif
void main() {
    vec4 colour = vDiffuse;
    if (FF_STAGE_OP != 0) {
        vec2 uv = vTexCoord.xy;
        if (FF_PROJECTED) {
            float q = FF_TRANSFORM_COUNT == 2 ? vTexCoord.y : FF_TRANSFORM_COUNT == 3 ? vTexCoord.z : vTexCoord.w;
            uv = q != 0.0 ? uv / q : uv;
        }
        vec4 texel = texture(zarn_texture0, uv);
        // Stage 0's default alpha operation selects the texture's alpha.
        if (FF_STAGE_OP == 1) colour = texel;
        else if (FF_STAGE_OP == 2) colour = vec4(vDiffuse.rgb, texel.a);
        else colour = vec4(texel.rgb * vDiffuse.rgb, texel.a);
    }
    colour.rgb = min(colour.rgb + vSpecular.rgb, vec3(1.0));
    int f = FF_ALPHA_FUNC;
    if (f != 0 && f != 8) {
        float a = colour.a, r = zarn_alphaRef;
        bool pass = f == 2 ? a < r : f == 3 ? a == r : f == 4 ? a <= r : f == 5 ? a > r
                  : f == 6 ? a != r : f == 7 ? a >= r : false;
        if (!pass) discard;
    }
    fragColour = colour;
}
)";

std::string definitions(const GLFixedFunctionSwitches& s) {
    auto flag = [](bool on) { return on ? "true" : "false"; };
    std::string text = "#define FF_SPECIALISED 1\n";
    text += std::string("#define FF_LIGHTING ") + flag(s.lighting) + "\n";
    text += std::string("#define FF_SPECULAR ") + flag(s.specular) + "\n";
    text += std::string("#define FF_NORMALIZE ") + flag(s.normalize) + "\n";
    text += std::string("#define FF_VERTEX_COLOUR ") + flag(s.vertexColour) + "\n";
    text += "#define FF_LIGHT_COUNT " + std::to_string(s.lightCount) + "\n";
    text += "#define FF_STAGE_OP " + std::to_string(s.stageOp) + "\n";
    text += "#define FF_TRANSFORM_COUNT " + std::to_string(s.transformCount) + "\n";
    text += std::string("#define FF_PROJECTED ") + flag(s.projected) + "\n";
    text += "#define FF_ALPHA_FUNC " + std::to_string(s.alphaFunc) + "\n";
    return text;
}

// The definitions go right after the #version line, which must stay first.
std::string withDefinitions(const char* source, const GLFixedFunctionSwitches* fixed) {
    std::string text = source;
    if (!fixed) return text;
    const size_t lineEnd = text.find('\n');
    text.insert(lineEnd + 1, definitions(*fixed));
    return text;
}

}  // namespace

uint32_t GLFixedFunctionSwitches::key() const {
    return uint32_t(lighting) | uint32_t(specular) << 1 | uint32_t(normalize) << 2 | uint32_t(vertexColour) << 3 |
           uint32_t(lightCount & 15) << 4 | uint32_t(stageOp & 3) << 8 | uint32_t(transformCount & 7) << 10 |
           uint32_t(projected) << 13 | uint32_t(alphaFunc & 15) << 14;
}

std::string glffVertexSource(const GLFixedFunctionSwitches* fixed) {
    return glconv::vertexSourceWithPrelude(withDefinitions(vertexShader, fixed).c_str());
}

std::string glffFragmentSource(const GLFixedFunctionSwitches* fixed) {
    return withDefinitions(fragmentShader, fixed);
}

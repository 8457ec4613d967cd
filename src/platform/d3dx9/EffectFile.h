// The effect file format (data/effects/*.fxo): parameters with Direct3D types, techniques,
// passes with render and sampler states and a GLSL vertex and fragment shader each. The
// effect runtime parses a file into this description and compiles its passes on the device;
// the build-time checker parses the same way and hands each stage to glslangValidator, so
// both see exactly the same shader text. Not part of D3DX; data/effects/README.md describes
// the format for the people who write the files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zarnfx {

enum class ParamType { Float, Float4, Float4x4, Texture2D, TextureCube };

struct ParamDesc {
    std::string name;
    ParamType type = ParamType::Float;
    std::vector<float> initialValue;  // empty, or exactly floatCount(type) numbers
    int line = 0;
};

struct RenderStateDesc {
    uint32_t state = 0;  // a D3DRENDERSTATETYPE
    uint32_t value = 0;
};

struct SamplerStateDesc {
    std::string param;   // the texture parameter whose sampler this configures
    uint32_t state = 0;  // a D3DSAMPLERSTATETYPE
    uint32_t value = 0;
};

struct PassDesc {
    std::string name;
    std::vector<RenderStateDesc> renderStates;
    std::vector<SamplerStateDesc> samplerStates;
    std::string vertexSource;
    std::string fragmentSource;
    int vertexLine = 0;  // file line of the first line of each stage's text, for messages
    int fragmentLine = 0;
};

struct TechniqueDesc {
    std::string name;
    std::vector<std::string> requirements;
    std::vector<PassDesc> passes;
};

struct MacroDesc {
    std::string name;
    std::string definition;
};

struct EffectFileDesc {
    std::vector<ParamDesc> params;
    // Macros the loader was given (D3DXMACRO), defined in front of every stage.
    std::vector<MacroDesc> macros;
    std::string commonSource;  // GLSL shared by every stage of every pass
    int commonLine = 0;
    std::vector<TechniqueDesc> techniques;
};

// Limits that keep a hostile or broken file from costing more than a real one could need.
constexpr size_t kMaxEffectFileBytes = 1u << 20;
constexpr size_t kMaxParams = 64;
constexpr size_t kMaxTechniques = 16;
constexpr size_t kMaxPassesPerTechnique = 8;
constexpr size_t kMaxStatesPerPass = 64;
constexpr size_t kMaxRequirements = 8;
constexpr size_t kMaxMacros = 16;
constexpr size_t kMaxMacroBytes = 256;
constexpr size_t kMaxConditionDepth = 8;

// A macro the loader accepts: a GLSL identifier that is not reserved (GL_ or __), and a
// definition on one line, so that neither can break out of its #define.
bool isValidMacro(const std::string& name, const std::string& definition);

int floatCount(ParamType type);
bool isTextureType(ParamType type);
const char* typeKeyword(ParamType type);

// Parses the whole text. On failure returns false and sets *error to "line N: what is wrong";
// *out is then unspecified. Never reads past the text, whatever it holds.
bool parseEffectFile(const std::string& text, EffectFileDesc* out, std::string* error);
// The same with the loader's macros, which decide the #ifdef regions and are kept in *out.
bool parseEffectFile(const std::string& text, const std::vector<MacroDesc>& macros, EffectFileDesc* out,
                     std::string* error);

// The texture unit a texture parameter is bound to: its position among the effect's texture
// parameters, in declaration order; -1 for a name that is not a texture parameter.
int textureUnitOf(const EffectFileDesc& desc, const std::string& param);

// The complete GLSL of one stage as the device compiles it: version line, the device's
// conventions, the loader's macros, one uniform per parameter, the common text and the stage's own text.
std::string stageSource(const EffectFileDesc& desc, const PassDesc& pass, bool fragment);

}  // namespace zarnfx

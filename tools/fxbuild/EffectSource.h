// The effect source format (*.fxa) of the Windows effects: parameters, samplers, one
// technique of passes with render states and two assembly shaders each, and which parameter
// every shader reads from which register. Parsing is portable; assembly happens elsewhere.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fxbuild {

enum class ParamKind { Float, Float4, Float4x4, Texture2D, TextureCube, Sampler2D, SamplerCube };

struct SamplerState {
    uint32_t operation;  // index in the effect format's state table
    uint32_t value;
};

struct Parameter {
    ParamKind kind;
    std::string name;
    std::vector<float> initial;            // empty, or 1 / 4 / 16 numbers
    std::string texture;                   // samplers: the texture parameter they read
    std::vector<SamplerState> states;      // samplers: their states
};

struct Binding {
    std::string parameter;
    char registerSet;  // 'c' (float constants) or 's' (samplers)
    unsigned index;
};

struct Shader {
    bool pixel = false;
    std::string file;                  // assembly file, relative to the source's folder
    std::vector<std::string> defines;  // NAME or NAME=VALUE
    std::vector<Binding> bindings;
};

struct RenderState {
    uint32_t operation;
    uint32_t value;
};

struct Pass {
    std::string name;
    std::vector<RenderState> states;
    Shader vertex;
    Shader pixel;
};

struct Technique {
    std::string name;
    std::vector<Pass> passes;
};

struct EffectSource {
    std::vector<Parameter> parameters;
    std::vector<Technique> techniques;
};

// Parses `text`; on failure returns false with "line N: why" in `error`.
bool parseEffectSource(const std::string& text, EffectSource& out, std::string& error);

const Parameter* findParameter(const EffectSource& source, const std::string& name);

}  // namespace fxbuild

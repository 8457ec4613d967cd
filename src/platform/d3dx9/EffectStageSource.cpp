// Assembles the GLSL text of one pass stage. The parameters are declared here, once, from the
// effect's own declarations, so a shader can never disagree with the type the saver sets.
// Line directives keep compiler messages pointing at the effect file's own lines.
#include "d3dx9/EffectFile.h"

namespace zarnfx {
namespace {

const char* glslType(ParamType type) {
    switch (type) {
        case ParamType::Float: return "float";
        case ParamType::Float4: return "vec4";
        case ParamType::Float4x4: return "mat4";
        case ParamType::Texture2D: return "sampler2D";
        case ParamType::TextureCube: return "samplerCube";
    }
    return "float";
}

}  // namespace

std::string stageSource(const EffectFileDesc& desc, const PassDesc& pass, bool fragment) {
    std::string source = "#version 330 core\n";
    for (const ParamDesc& param : desc.params) {
        source += "uniform ";
        source += glslType(param.type);
        source += ' ';
        source += param.name;
        source += ";\n";
    }
    // #line makes the compiler's messages name lines of the effect file, not of this text.
    if (!desc.commonSource.empty()) {
        if (desc.commonLine > 0) source += "#line " + std::to_string(desc.commonLine) + "\n";
        source += desc.commonSource;
    }
    int stageLine = fragment ? pass.fragmentLine : pass.vertexLine;
    if (stageLine > 0) source += "#line " + std::to_string(stageLine) + "\n";
    source += fragment ? pass.fragmentSource : pass.vertexSource;
    return source;
}

}  // namespace zarnfx

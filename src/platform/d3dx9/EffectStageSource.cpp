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

bool isValidMacro(const std::string& name, const std::string& definition) {
    if (name.empty() || name.size() > kMaxMacroBytes || definition.size() > kMaxMacroBytes) return false;
    if (name.rfind("GL_", 0) == 0 || name.find("__") != std::string::npos) return false;
    if (name[0] >= '0' && name[0] <= '9') return false;
    for (char c : name) {
        bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (!word) return false;
    }
    for (char c : definition) {
        if (c == '\n' || c == '\r' || c == '\\' || c == '\0') return false;
    }
    return true;
}

std::string stageSource(const EffectFileDesc& desc, const PassDesc& pass, bool fragment) {
    std::string source = "#version 330 core\n";
    for (const MacroDesc& macro : desc.macros) source += "#define " + macro.name + " " + macro.definition + "\n";
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

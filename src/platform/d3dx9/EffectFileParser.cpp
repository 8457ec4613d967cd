// Reads the effect file format line by line. Outside GLSL blocks a line is whitespace-separated
// words with a leading keyword; a GLSL block is copied verbatim up to its `endglsl` line.
// `#ifdef NAME`, `#ifndef NAME`, `#else` and `#endif` keep or drop the lines between them by the
// loader's macros, as D3DX's preprocessor does for a whole effect (a GLSL block's own text has
// the GLSL preprocessor for that, so no block may start inside such a region). Every
// problem is reported with its line number and stops the parse: a half-understood effect is
// worse than none, because the saver would then draw with states nobody asked for.
#include "d3dx9/EffectFile.h"
#include "d3dx9/EffectStateNames.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <sstream>

namespace zarnfx {

int floatCount(ParamType type) {
    switch (type) {
        case ParamType::Float: return 1;
        case ParamType::Float4: return 4;
        case ParamType::Float4x4: return 16;
        default: return 0;
    }
}

bool isTextureType(ParamType type) { return type == ParamType::Texture2D || type == ParamType::TextureCube; }

const char* typeKeyword(ParamType type) {
    switch (type) {
        case ParamType::Float: return "float";
        case ParamType::Float4: return "float4";
        case ParamType::Float4x4: return "float4x4";
        case ParamType::Texture2D: return "texture2D";
        case ParamType::TextureCube: return "textureCUBE";
    }
    return "?";
}

namespace {

bool typeByKeyword(const std::string& word, ParamType* type) {
    for (ParamType t : {ParamType::Float, ParamType::Float4, ParamType::Float4x4, ParamType::Texture2D,
                        ParamType::TextureCube}) {
        if (word == typeKeyword(t)) {
            *type = t;
            return true;
        }
    }
    return false;
}

// Names become GLSL identifiers, so they must be plain identifiers that GLSL does not reserve.
bool isIdentifier(const std::string& word) {
    if (word.empty() || word.size() > 64) return false;
    if (!(std::isalpha(static_cast<unsigned char>(word[0])) || word[0] == '_')) return false;
    for (char c : word) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
    }
    if (word.rfind("gl_", 0) == 0 || word.rfind("zarn", 0) == 0) return false;
    return word.find("__") == std::string::npos;
}

bool parseFloat(const std::string& word, float* value) {
    const char* begin = word.data();
    const char* end = begin + word.size();
    if (begin != end && *begin == '+') ++begin;
    auto [ptr, ec] = std::from_chars(begin, end, *value);
    return ec == std::errc() && ptr == end && std::isfinite(*value);
}

constexpr const char* kRequirementChars = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_-.";

std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string word;
    while (in >> word) {
        if (word[0] == '#') break;  // the rest of the line is a comment
        words.push_back(word);
    }
    return words;
}

std::string trimmed(const std::string& line) {
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    size_t last = line.find_last_not_of(" \t");
    return line.substr(first, last - first + 1);
}

class Parser {
public:
    Parser(const std::string& text, EffectFileDesc* out) : text(text), out(out) {}

    bool run(const std::vector<MacroDesc>& macros, std::string* error) {
        *out = EffectFileDesc();
        out->macros = macros;
        if (text.size() > kMaxEffectFileBytes) return fail(error, 0, "file is larger than 1 MiB");
        if (text.find('\0') != std::string::npos) return fail(error, 0, "file holds a NUL byte");
        std::string line;
        while (nextLine(&line)) {
            std::istringstream firstWords(line);
            std::string first, name;
            firstWords >> first >> name;
            if (first == "#ifdef" || first == "#ifndef" || first == "#else" || first == "#endif") {
                if (!condition(first, name)) return fail(error, lineNumber, problem);
                continue;
            }
            std::vector<std::string> words = splitWords(line);
            if (words.empty()) continue;
            if (!conditions.empty() && words[0] == "glsl") return fail(error, lineNumber, "a GLSL block inside #ifdef");
            if (!keeping()) continue;
            if (!statement(words)) return fail(error, lineNumber, problem);
        }
        if (!conditions.empty()) return fail(error, lineNumber, "#ifdef without #endif");
        if (!finish()) return fail(error, lineNumber, problem);
        return true;
    }

private:
    struct Condition {
        bool holds;    // the branch's test
        bool sawElse;
    };
    std::vector<Condition> conditions;

    bool defined(const std::string& name) const {
        for (const MacroDesc& m : out->macros)
            if (m.name == name) return true;
        return false;
    }

    bool keeping() const {
        for (const Condition& c : conditions)
            if (c.holds == c.sawElse) return false;
        return true;
    }

    bool condition(const std::string& directive, const std::string& name) {
        if (directive == "#ifdef" || directive == "#ifndef") {
            if (!isIdentifier(name)) return bad(directive + " needs a macro name");
            if (conditions.size() >= kMaxConditionDepth) return bad("#ifdef nested too deep");
            conditions.push_back({defined(name) == (directive == "#ifdef"), false});
            return true;
        }
        if (conditions.empty()) return bad(directive + " without #ifdef");
        if (directive == "#else") {
            if (conditions.back().sawElse) return bad("a second #else");
            conditions.back().sawElse = true;
        } else {
            conditions.pop_back();
        }
        return true;
    }

    bool nextLine(std::string* line) {
        if (pos >= text.size()) return false;
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        *line = text.substr(pos, end - pos);
        if (!line->empty() && line->back() == '\r') line->pop_back();
        pos = end + 1;
        ++lineNumber;
        return true;
    }

    bool fail(std::string* error, int line, const std::string& what) {
        if (error) *error = "line " + std::to_string(line) + ": " + what;
        return false;
    }

    bool bad(const std::string& what) {
        problem = what;
        return false;
    }

    bool statement(const std::vector<std::string>& words) {
        const std::string& keyword = words[0];
        if (keyword == "parameter") return parameter(words);
        if (keyword == "technique") return technique(words);
        if (keyword == "requires") return requires_(words);
        if (keyword == "pass") return pass(words);
        if (keyword == "renderstate") return renderState(words);
        if (keyword == "sampler") return samplerState(words);
        if (keyword == "glsl") return glsl(words);
        return bad("unknown keyword '" + keyword + "'");
    }

    bool parameter(const std::vector<std::string>& words) {
        if (!out->techniques.empty()) return bad("parameters must come before the first technique");
        if (words.size() < 3) return bad("'parameter' needs a type and a name");
        ParamDesc param;
        param.line = lineNumber;
        if (!typeByKeyword(words[1], &param.type)) return bad("unknown parameter type '" + words[1] + "'");
        param.name = words[2];
        if (!isIdentifier(param.name)) return bad("'" + param.name + "' is not a usable parameter name");
        for (const ParamDesc& other : out->params) {
            if (other.name == param.name) return bad("parameter '" + param.name + "' is declared twice");
        }
        if (out->params.size() >= kMaxParams) return bad("too many parameters");
        if (words.size() > 3) {
            if (words[3] != "=") return bad("expected '=' after the parameter name");
            if (isTextureType(param.type)) return bad("a texture parameter takes no initial value");
            for (size_t i = 4; i < words.size(); ++i) {
                float value = 0.0f;
                if (!parseFloat(words[i], &value)) return bad("'" + words[i] + "' is not a number");
                param.initialValue.push_back(value);
            }
            if (static_cast<int>(param.initialValue.size()) != floatCount(param.type)) {
                return bad("a " + std::string(typeKeyword(param.type)) + " takes " +
                           std::to_string(floatCount(param.type)) + " numbers");
            }
        }
        out->params.push_back(std::move(param));
        return true;
    }

    bool technique(const std::vector<std::string>& words) {
        if (words.size() != 2 || !isIdentifier(words[1])) return bad("'technique' needs one name");
        if (!closeTechnique()) return false;
        for (const TechniqueDesc& other : out->techniques) {
            if (other.name == words[1]) return bad("technique '" + words[1] + "' is declared twice");
        }
        if (out->techniques.size() >= kMaxTechniques) return bad("too many techniques");
        out->techniques.push_back(TechniqueDesc{words[1], {}, {}});
        return true;
    }

    bool requires_(const std::vector<std::string>& words) {
        if (out->techniques.empty()) return bad("'requires' outside a technique");
        TechniqueDesc& tech = out->techniques.back();
        if (!tech.passes.empty()) return bad("'requires' must come before the technique's first pass");
        if (words.size() < 2) return bad("'requires' needs at least one name");
        for (size_t i = 1; i < words.size(); ++i) {
            if (words[i].size() > 64 || words[i].find_first_not_of(kRequirementChars) != std::string::npos) {
                return bad("'" + words[i] + "' is not a requirement name");
            }
            if (tech.requirements.size() >= kMaxRequirements) return bad("too many requirements");
            tech.requirements.push_back(words[i]);
        }
        return true;
    }

    bool pass(const std::vector<std::string>& words) {
        if (out->techniques.empty()) return bad("'pass' outside a technique");
        if (words.size() != 2 || !isIdentifier(words[1])) return bad("'pass' needs one name");
        if (!closePass()) return false;
        TechniqueDesc& tech = out->techniques.back();
        if (tech.passes.size() >= kMaxPassesPerTechnique) return bad("too many passes");
        PassDesc p;
        p.name = words[1];
        tech.passes.push_back(std::move(p));
        return true;
    }

    PassDesc* currentPass() {
        if (out->techniques.empty() || out->techniques.back().passes.empty()) return nullptr;
        return &out->techniques.back().passes.back();
    }

    bool renderState(const std::vector<std::string>& words) {
        PassDesc* p = currentPass();
        if (!p) return bad("'renderstate' outside a pass");
        if (words.size() != 3) return bad("'renderstate' needs a state and a value");
        RenderStateDesc rs;
        StateValueKind kind;
        if (!renderStateByName(words[1], &rs.state, &kind)) return bad("unknown render state '" + words[1] + "'");
        if (!stateValueByName(kind, words[2], &rs.value)) {
            return bad("'" + words[2] + "' is not a value of " + words[1]);
        }
        if (p->renderStates.size() + p->samplerStates.size() >= kMaxStatesPerPass) return bad("too many states");
        p->renderStates.push_back(rs);
        return true;
    }

    bool samplerState(const std::vector<std::string>& words) {
        PassDesc* p = currentPass();
        if (!p) return bad("'sampler' outside a pass");
        if (words.size() != 4) return bad("'sampler' needs a texture parameter, a state and a value");
        if (textureUnitOf(*out, words[1]) < 0) return bad("'" + words[1] + "' is not a texture parameter");
        SamplerStateDesc ss;
        ss.param = words[1];
        StateValueKind kind;
        if (!samplerStateByName(words[2], &ss.state, &kind)) return bad("unknown sampler state '" + words[2] + "'");
        if (!stateValueByName(kind, words[3], &ss.value)) {
            return bad("'" + words[3] + "' is not a value of " + words[2]);
        }
        if (p->renderStates.size() + p->samplerStates.size() >= kMaxStatesPerPass) return bad("too many states");
        p->samplerStates.push_back(ss);
        return true;
    }

    bool glsl(const std::vector<std::string>& words) {
        if (words.size() != 2) return bad("'glsl' needs one of common, vertex, fragment");
        std::string* target = nullptr;
        int* targetLine = nullptr;
        if (words[1] == "common") {
            if (!out->techniques.empty()) return bad("'glsl common' must come before the first technique");
            if (!out->commonSource.empty()) return bad("'glsl common' is given twice");
            target = &out->commonSource;
            targetLine = &out->commonLine;
        } else if (words[1] == "vertex" || words[1] == "fragment") {
            PassDesc* p = currentPass();
            if (!p) return bad("'glsl " + words[1] + "' outside a pass");
            bool vertex = words[1] == "vertex";
            target = vertex ? &p->vertexSource : &p->fragmentSource;
            targetLine = vertex ? &p->vertexLine : &p->fragmentLine;
            if (!target->empty()) return bad("the pass has two " + words[1] + " shaders");
        } else {
            return bad("'glsl' needs one of common, vertex, fragment");
        }
        int start = lineNumber;
        *targetLine = start + 1;
        std::string body;
        std::string line;
        while (nextLine(&line)) {
            if (trimmed(line) == "endglsl") {
                if (body.find_first_not_of(" \t\n") == std::string::npos) {
                    return bad("empty GLSL block");
                }
                *target = std::move(body);
                return true;
            }
            body += line;
            body += '\n';
        }
        lineNumber = start;
        return bad("GLSL block has no 'endglsl'");
    }

    bool closePass() {
        PassDesc* p = currentPass();
        if (!p) return true;
        if (p->vertexSource.empty()) return bad("pass '" + p->name + "' has no vertex shader");
        if (p->fragmentSource.empty()) return bad("pass '" + p->name + "' has no fragment shader");
        return true;
    }

    bool closeTechnique() {
        if (out->techniques.empty()) return true;
        if (!closePass()) return false;
        if (out->techniques.back().passes.empty()) {
            return bad("technique '" + out->techniques.back().name + "' has no pass");
        }
        return true;
    }

    bool finish() {
        if (!closeTechnique()) return false;
        if (out->techniques.empty()) return bad("the file has no technique");
        return true;
    }

    const std::string& text;
    EffectFileDesc* out;
    size_t pos = 0;
    int lineNumber = 0;
    std::string problem;
};

}  // namespace

bool parseEffectFile(const std::string& text, EffectFileDesc* out, std::string* error) {
    return Parser(text, out).run({}, error);
}

bool parseEffectFile(const std::string& text, const std::vector<MacroDesc>& macros, EffectFileDesc* out,
                     std::string* error) {
    return Parser(text, out).run(macros, error);
}

int textureUnitOf(const EffectFileDesc& desc, const std::string& param) {
    int unit = 0;
    for (const ParamDesc& p : desc.params) {
        if (!isTextureType(p.type)) continue;
        if (p.name == param) return unit;
        ++unit;
    }
    return -1;
}

}  // namespace zarnfx

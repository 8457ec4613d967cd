// Parser of the effect source format; see data/effects/d3d9/README.md for the format.
#include "EffectSource.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>

namespace fxbuild {
namespace {

// Value names each state accepts, with Direct3D 9's numbers.
using ValueTable = std::map<std::string, uint32_t>;
const ValueTable kBool = {{"FALSE", 0}, {"TRUE", 1}};
const ValueTable kCull = {{"NONE", 1}, {"CW", 2}, {"CCW", 3}};
const ValueTable kBlend = {{"ZERO", 1},         {"ONE", 2},          {"SRCCOLOR", 3},  {"INVSRCCOLOR", 4},
                           {"SRCALPHA", 5},     {"INVSRCALPHA", 6},  {"DESTALPHA", 7}, {"INVDESTALPHA", 8},
                           {"DESTCOLOR", 9},    {"INVDESTCOLOR", 10}};
const ValueTable kCompare = {{"NEVER", 1},   {"LESS", 2},     {"EQUAL", 3},        {"LESSEQUAL", 4},
                             {"GREATER", 5}, {"NOTEQUAL", 6}, {"GREATEREQUAL", 7}, {"ALWAYS", 8}};
const ValueTable kFilter = {{"NONE", 0}, {"POINT", 1}, {"LINEAR", 2}, {"ANISOTROPIC", 3}};
const ValueTable kAddress = {{"WRAP", 1}, {"MIRROR", 2}, {"CLAMP", 3}, {"BORDER", 4}};
const ValueTable kNone = {};

struct StateName {
    uint32_t operation;  // position in the effect format's state table
    const ValueTable* values;
};

const std::map<std::string, StateName> kRenderStates = {
    {"ZENABLE", {0x00, &kBool}},          {"ZWRITEENABLE", {0x03, &kBool}},     {"ALPHATESTENABLE", {0x04, &kBool}},
    {"SRCBLEND", {0x06, &kBlend}},        {"DESTBLEND", {0x07, &kBlend}},       {"CULLMODE", {0x08, &kCull}},
    {"ZFUNC", {0x09, &kCompare}},         {"ALPHAREF", {0x0a, &kNone}},         {"ALPHAFUNC", {0x0b, &kCompare}},
    {"ALPHABLENDENABLE", {0x0d, &kBool}}, {"COLORWRITEENABLE", {0x49, &kNone}},
};

const std::map<std::string, StateName> kSamplerStates = {
    {"ADDRESSU", {0xa5, &kAddress}}, {"ADDRESSV", {0xa6, &kAddress}},  {"ADDRESSW", {0xa7, &kAddress}},
    {"BORDERCOLOR", {0xa8, &kNone}},
    {"MAGFILTER", {0xa9, &kFilter}}, {"MINFILTER", {0xaa, &kFilter}}, {"MIPFILTER", {0xab, &kFilter}},
};

bool parseNumber(const std::string& word, uint32_t& out) {
    if (word.empty()) return false;
    char* end = nullptr;
    unsigned long value = std::strtoul(word.c_str(), &end, 0);
    if (*end || value > 0xffffffffUL) return false;
    out = static_cast<uint32_t>(value);
    return true;
}

bool parseState(const std::map<std::string, StateName>& table, const std::string& name, const std::string& value,
                uint32_t& operation, uint32_t& number) {
    auto state = table.find(name);
    if (state == table.end()) return false;
    operation = state->second.operation;
    auto known = state->second.values->find(value);
    if (known != state->second.values->end()) {
        number = known->second;
        return true;
    }
    return parseNumber(value, number);
}

bool isIdentifier(const std::string& word) {
    if (word.empty() || !(std::isalpha(static_cast<unsigned char>(word[0])) || word[0] == '_')) return false;
    for (char c : word) {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
    }
    return true;
}

}  // namespace

const Parameter* findParameter(const EffectSource& source, const std::string& name) {
    for (const Parameter& p : source.parameters) {
        if (p.name == name) return &p;
    }
    return nullptr;
}

bool parseEffectSource(const std::string& text, EffectSource& out, std::string& error) {
    std::istringstream lines(text);
    std::string line;
    int lineNumber = 0;
    Shader* shader = nullptr;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(lineNumber) + ": " + why;
        return false;
    };
    while (std::getline(lines, line)) {
        ++lineNumber;
        std::vector<std::string> words;
        std::istringstream in(line);
        for (std::string word; in >> word;) {
            if (word[0] == '#') break;
            words.push_back(word);
        }
        if (words.empty()) continue;
        const std::string& key = words[0];
        Pass* pass = out.techniques.empty() || out.techniques.back().passes.empty()
                         ? nullptr
                         : &out.techniques.back().passes.back();

        if (key == "parameter") {
            if (!out.techniques.empty()) return fail("parameters come before the first technique");
            if (words.size() < 3 || !isIdentifier(words[2])) return fail("expected: parameter <type> <name>");
            Parameter p;
            p.name = words[2];
            const std::string& type = words[1];
            size_t count = 0;
            if (type == "float") { p.kind = ParamKind::Float; count = 1; }
            else if (type == "float4") { p.kind = ParamKind::Float4; count = 4; }
            else if (type == "float4x4") { p.kind = ParamKind::Float4x4; count = 16; }
            else if (type == "texture2D") p.kind = ParamKind::Texture2D;
            else if (type == "textureCUBE") p.kind = ParamKind::TextureCube;
            else return fail("unknown parameter type " + type);
            if (findParameter(out, p.name)) return fail("parameter " + p.name + " declared twice");
            if (words.size() > 3) {
                if (words[3] != "=" || words.size() - 4 != count) {
                    return fail("parameter " + p.name + " takes = and " + std::to_string(count) + " numbers");
                }
                for (size_t i = 4; i < words.size(); ++i) {
                    char* end = nullptr;
                    p.initial.push_back(std::strtof(words[i].c_str(), &end));
                    if (*end) return fail("not a number: " + words[i]);
                }
            }
            out.parameters.push_back(p);
        } else if (key == "sampler") {
            if (!out.techniques.empty()) return fail("samplers come before the first technique");
            if (words.size() < 3 || (words.size() - 3) % 2 || !isIdentifier(words[1])) {
                return fail("expected: sampler <name> <texture> [<STATE> <value>]...");
            }
            const Parameter* texture = findParameter(out, words[2]);
            if (!texture || (texture->kind != ParamKind::Texture2D && texture->kind != ParamKind::TextureCube)) {
                return fail("sampler " + words[1] + " reads no texture parameter " + words[2]);
            }
            if (findParameter(out, words[1])) return fail("parameter " + words[1] + " declared twice");
            Parameter s;
            s.kind = texture->kind == ParamKind::Texture2D ? ParamKind::Sampler2D : ParamKind::SamplerCube;
            s.name = words[1];
            s.texture = words[2];
            for (size_t i = 3; i < words.size(); i += 2) {
                SamplerState state{};
                if (!parseState(kSamplerStates, words[i], words[i + 1], state.operation, state.value)) {
                    return fail("bad sampler state " + words[i] + " " + words[i + 1]);
                }
                s.states.push_back(state);
            }
            out.parameters.push_back(s);
        } else if (key == "technique") {
            if (words.size() != 2 || !isIdentifier(words[1])) return fail("expected: technique <name>");
            out.techniques.push_back(Technique{words[1], {}});
            shader = nullptr;
        } else if (key == "pass") {
            if (out.techniques.empty()) return fail("pass outside a technique");
            if (words.size() != 2 || !isIdentifier(words[1])) return fail("expected: pass <name>");
            out.techniques.back().passes.push_back(Pass{words[1], {}, {}, {}});
            out.techniques.back().passes.back().pixel.pixel = true;
            shader = nullptr;
        } else if (key == "renderstate") {
            if (!pass) return fail("renderstate outside a pass");
            RenderState state{};
            if (words.size() != 3 || !parseState(kRenderStates, words[1], words[2], state.operation, state.value)) {
                return fail("bad render state");
            }
            pass->states.push_back(state);
        } else if (key == "vertexshader" || key == "pixelshader") {
            if (!pass) return fail(key + " outside a pass");
            if (words.size() < 2) return fail("expected: " + key + " <file.asm> [DEFINE[=VALUE]]...");
            shader = key == "vertexshader" ? &pass->vertex : &pass->pixel;
            if (!shader->file.empty()) return fail("a pass has one " + key);
            shader->file = words[1];
            shader->defines.assign(words.begin() + 2, words.end());
        } else if (key == "bind") {
            if (!shader) return fail("bind outside a shader");
            if (words.size() != 3 || words[2].size() < 2 || (words[2][0] != 'c' && words[2][0] != 's')) {
                return fail("expected: bind <parameter> c<N>|s<N>");
            }
            const Parameter* p = findParameter(out, words[1]);
            if (!p) return fail("bind to unknown parameter " + words[1]);
            bool sampler = p->kind == ParamKind::Sampler2D || p->kind == ParamKind::SamplerCube;
            bool texture = p->kind == ParamKind::Texture2D || p->kind == ParamKind::TextureCube;
            if (texture || sampler != (words[2][0] == 's')) return fail("parameter " + p->name + " cannot sit in " + words[2]);
            uint32_t index = 0;
            if (!parseNumber(words[2].substr(1), index) || index > 255) return fail("bad register " + words[2]);
            shader->bindings.push_back(Binding{p->name, words[2][0], index});
        } else {
            return fail("unknown keyword " + key);
        }
    }
    if (out.techniques.empty()) return fail("no technique");
    for (const Technique& t : out.techniques) {
        if (t.passes.empty()) return fail("technique " + t.name + " has no pass");
        for (const Pass& p : t.passes) {
            if (p.vertex.file.empty() || p.pixel.file.empty()) {
                return fail("pass " + p.name + " needs a vertexshader and a pixelshader");
            }
        }
    }
    return true;
}

}  // namespace fxbuild

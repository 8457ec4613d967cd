// Name tables for effect-file states: render states, sampler states and their value words,
// with Direct3D's own numbers (the words drop Direct3D's prefixes: CULLMODE, CCW, SRCALPHA).
#include "d3dx9/EffectStateNames.h"

#include <d3d9.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace zarnfx {
namespace {

struct StateName {
    const char* name;
    uint32_t state;
    StateValueKind kind;
};

struct ValueName {
    const char* name;
    uint32_t value;
};

constexpr StateName kRenderStates[] = {
    {"ZENABLE", D3DRS_ZENABLE, StateValueKind::Bool},
    {"ZWRITEENABLE", D3DRS_ZWRITEENABLE, StateValueKind::Bool},
    {"ZFUNC", D3DRS_ZFUNC, StateValueKind::Compare},
    {"CULLMODE", D3DRS_CULLMODE, StateValueKind::Cull},
    {"ALPHABLENDENABLE", D3DRS_ALPHABLENDENABLE, StateValueKind::Bool},
    {"SRCBLEND", D3DRS_SRCBLEND, StateValueKind::Blend},
    {"DESTBLEND", D3DRS_DESTBLEND, StateValueKind::Blend},
    {"ALPHATESTENABLE", D3DRS_ALPHATESTENABLE, StateValueKind::Bool},
    {"ALPHAREF", D3DRS_ALPHAREF, StateValueKind::Number},
    {"ALPHAFUNC", D3DRS_ALPHAFUNC, StateValueKind::Compare},
    {"COLORWRITEENABLE", D3DRS_COLORWRITEENABLE, StateValueKind::Number},
};

constexpr StateName kSamplerStates[] = {
    {"ADDRESSU", D3DSAMP_ADDRESSU, StateValueKind::Address},
    {"ADDRESSV", D3DSAMP_ADDRESSV, StateValueKind::Address},
    {"ADDRESSW", D3DSAMP_ADDRESSW, StateValueKind::Address},
    {"MAGFILTER", D3DSAMP_MAGFILTER, StateValueKind::Filter},
    {"MINFILTER", D3DSAMP_MINFILTER, StateValueKind::Filter},
    {"MIPFILTER", D3DSAMP_MIPFILTER, StateValueKind::Filter},
};

constexpr ValueName kBoolValues[] = {{"FALSE", 0}, {"TRUE", 1}};
constexpr ValueName kCullValues[] = {{"NONE", D3DCULL_NONE}, {"CW", D3DCULL_CW}, {"CCW", D3DCULL_CCW}};
constexpr ValueName kBlendValues[] = {
    {"ZERO", D3DBLEND_ZERO},         {"ONE", D3DBLEND_ONE},
    {"SRCCOLOR", D3DBLEND_SRCCOLOR}, {"INVSRCCOLOR", D3DBLEND_INVSRCCOLOR},
    {"SRCALPHA", D3DBLEND_SRCALPHA}, {"INVSRCALPHA", D3DBLEND_INVSRCALPHA},
    {"DESTALPHA", D3DBLEND_DESTALPHA}, {"INVDESTALPHA", D3DBLEND_INVDESTALPHA},
    {"DESTCOLOR", D3DBLEND_DESTCOLOR}, {"INVDESTCOLOR", D3DBLEND_INVDESTCOLOR},
};
constexpr ValueName kCompareValues[] = {
    {"NEVER", D3DCMP_NEVER},       {"LESS", D3DCMP_LESS},       {"EQUAL", D3DCMP_EQUAL},
    {"LESSEQUAL", D3DCMP_LESSEQUAL}, {"GREATER", D3DCMP_GREATER}, {"NOTEQUAL", D3DCMP_NOTEQUAL},
    {"GREATEREQUAL", D3DCMP_GREATEREQUAL}, {"ALWAYS", D3DCMP_ALWAYS},
};
constexpr ValueName kFilterValues[] = {
    {"NONE", D3DTEXF_NONE}, {"POINT", D3DTEXF_POINT}, {"LINEAR", D3DTEXF_LINEAR}, {"ANISOTROPIC", D3DTEXF_ANISOTROPIC}};
constexpr ValueName kAddressValues[] = {
    {"WRAP", D3DTADDRESS_WRAP}, {"MIRROR", D3DTADDRESS_MIRROR}, {"CLAMP", D3DTADDRESS_CLAMP}, {"BORDER", D3DTADDRESS_BORDER}};

template <size_t N>
bool findState(const StateName (&table)[N], const std::string& name, uint32_t* state, StateValueKind* kind) {
    for (const StateName& entry : table) {
        if (name == entry.name) {
            *state = entry.state;
            *kind = entry.kind;
            return true;
        }
    }
    return false;
}

template <size_t N>
bool findValue(const ValueName (&table)[N], const std::string& word, uint32_t* value) {
    for (const ValueName& entry : table) {
        if (word == entry.name) {
            *value = entry.value;
            return true;
        }
    }
    return false;
}

bool parseNumber(const std::string& word, uint32_t* value) {
    if (word.empty() || word[0] == '-' || word[0] == '+' || word.size() > 12) return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long parsed = std::strtoull(word.c_str(), &end, 0);
    if (errno != 0 || end != word.c_str() + word.size() || parsed > 0xffffffffull) return false;
    *value = static_cast<uint32_t>(parsed);
    return true;
}

}  // namespace

bool renderStateByName(const std::string& name, uint32_t* state, StateValueKind* kind) {
    return findState(kRenderStates, name, state, kind);
}

bool samplerStateByName(const std::string& name, uint32_t* state, StateValueKind* kind) {
    return findState(kSamplerStates, name, state, kind);
}

bool stateValueByName(StateValueKind kind, const std::string& word, uint32_t* value) {
    if (parseNumber(word, value)) return true;
    switch (kind) {
        case StateValueKind::Bool: return findValue(kBoolValues, word, value);
        case StateValueKind::Cull: return findValue(kCullValues, word, value);
        case StateValueKind::Blend: return findValue(kBlendValues, word, value);
        case StateValueKind::Compare: return findValue(kCompareValues, word, value);
        case StateValueKind::Filter: return findValue(kFilterValues, word, value);
        case StateValueKind::Address: return findValue(kAddressValues, word, value);
        case StateValueKind::Number: return false;
    }
    return false;
}

}  // namespace zarnfx

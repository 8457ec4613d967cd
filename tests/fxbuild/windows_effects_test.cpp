// The Windows build's compiled effects keep the saver's parameter contract: every parameter the
// saver's effect classes look up (src/render/EffectKinds.cpp) is in each fx_2_0 file, with the
// type its GLSL twin under data/effects declares; every pass carries shader model 3 code in a
// main effect and shader model 2 code in its Fallback.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// The parameter table and shader versions of an fx_2_0 file. Bounds-checked: a truncated or
// corrupt file reads as `valid = false`.
struct Fx2 {
    bool valid = false;
    std::map<std::string, std::string> parameters;  // name -> "class/type/rows x columns"
    std::vector<uint32_t> shaderVersions;
};

Fx2 readFx2(const std::string& bytes) {
    Fx2 fx;
    auto dword = [&](size_t at, uint32_t& out) {
        if (at + 4 > bytes.size() || at + 4 < at) return false;
        std::memcpy(&out, bytes.data() + at, 4);
        return true;
    };
    const size_t base = 8;
    uint32_t tag, header, params, techniques, t[8];
    if (!dword(0, tag) || tag != 0xfeff0901 || !dword(4, header)) return fx;
    size_t at = base + header;
    if (!dword(at, params) || !dword(at + 4, techniques)) return fx;
    at += 16;
    for (uint32_t i = 0; i < params; ++i, at += 16) {
        uint32_t typedefAt, nameAt, nameSize;
        if (!dword(at, typedefAt)) return fx;
        size_t td = base + typedefAt;
        for (int k = 0; k < 7; ++k) {
            if (!dword(td + 4 * k, t[k])) return fx;
        }
        nameAt = t[2];
        if (!dword(base + nameAt, nameSize) || base + nameAt + 4 + nameSize > bytes.size() || nameSize == 0) return fx;
        std::string name(bytes.data() + base + nameAt + 4, nameSize - 1);
        // t: type, class, name, semantic, elements, then (vectors: columns, rows) or (rows, columns)
        std::string shape = std::to_string(t[1]) + "/" + std::to_string(t[0]);
        bool vector = t[1] == 1;  // vectors give columns first
        if (t[1] <= 3) shape += "/" + std::to_string(t[vector ? 6 : 5]) + "x" + std::to_string(t[vector ? 5 : 6]);
        fx.parameters[name] = shape;
    }
    for (uint32_t i = 0; i < techniques; ++i) {
        uint32_t passes, states;
        if (!dword(at + 8, passes)) return fx;
        at += 12;
        for (uint32_t p = 0; p < passes; ++p) {
            if (!dword(at + 8, states)) return fx;
            at += 12 + 16 * static_cast<size_t>(states);
        }
    }
    uint32_t strings, resources;
    if (!dword(at, strings) || strings != 0 || !dword(at + 4, resources)) return fx;
    at += 8;
    for (uint32_t r = 0; r < resources; ++r) {
        uint32_t usage, size, version;
        if (!dword(at + 16, usage) || !dword(at + 20, size)) return fx;
        if (usage == 0) {
            if (!dword(at + 24, version)) return fx;
            fx.shaderVersions.push_back(version);
        }
        at += 24 + ((static_cast<size_t>(size) + 3) & ~size_t{3});
    }
    fx.valid = at == bytes.size();
    return fx;
}

// Each effect class's lookups, by class name, from the saver's own source.
std::map<std::string, std::vector<std::string>> lookupsByClass() {
    std::string source = readFile(ZARN_SOURCE_DIR "/src/render/EffectKinds.cpp");
    std::map<std::string, std::vector<std::string>> out;
    std::regex line(R"re(bool (\w+)::cacheParams|cacheParam\(&h_\w+, "(\w+)"\))re");
    std::string current;
    for (std::sregex_iterator it(source.begin(), source.end(), line), end; it != end; ++it) {
        if ((*it)[1].matched) current = (*it)[1];
        else out[current].push_back((*it)[2]);
    }
    return out;
}

// Declared types of the GLSL twin, turned into "class/type/rows x columns" as D3DX numbers them.
std::map<std::string, std::string> glslTypes(const std::string& effect) {
    const std::map<std::string, std::string> shapes = {
        {"float", "0/3/1x1"}, {"float4", "1/3/1x4"}, {"float4x4", "2/3/4x4"}, {"texture2D", "4/7"}, {"textureCUBE", "4/9"}};
    std::istringstream lines(readFile(ZARN_SOURCE_DIR "/data/effects/" + effect + ".fxo"));
    std::map<std::string, std::string> out;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string keyword, type, name;
        if (words >> keyword >> type >> name && keyword == "parameter") out[name] = shapes.at(type);
    }
    return out;
}

TEST(WindowsEffects, EveryFileOffersItsClassParametersWithTheirTypesAndShaderModel) {
    const std::vector<std::pair<std::string, std::string>> effects = {
        {"ShadowMap", "EffectShadowMap"},         {"TextureBumpShadows", "EffectBumpShadows"},
        {"TextureBumpCubemapShadows", "EffectBumpReflectShadows"},
        {"PP_Copy", "EffectPostCopy"},            {"PP_Combine", "EffectPostCombine"},
        {"PP_DownFilter4", "EffectDownFilter4"},  {"PP_BlurHorizontal", "EffectBlur"},
        {"PP_BlurVertical", "EffectBlur"}};
    auto lookups = lookupsByClass();
    for (const auto& [effect, klass] : effects) {
        ASSERT_FALSE(lookups[klass].empty()) << klass;
        auto types = glslTypes(effect);
        for (const char* suffix : {"", "Fallback"}) {
            std::string file = effect + suffix;
            SCOPED_TRACE(file);
            Fx2 fx = readFx2(readFile(ZARN_WINDOWS_EFFECTS_DIR "/" + file + ".fxo"));
            ASSERT_TRUE(fx.valid);
            for (const std::string& name : lookups[klass]) {
                EXPECT_EQ(fx.parameters[name], types[name]) << name;
            }
            uint32_t model = *suffix ? 2 : 3;
            ASSERT_FALSE(fx.shaderVersions.empty());
            for (uint32_t version : fx.shaderVersions) {
                EXPECT_EQ((version >> 8) & 0xff, model) << std::hex << version;
            }
        }
    }
}

}  // namespace

// The effect file parser on good and broken text, and the saver's own effect files against the
// parameters the saver sets on them (a missing or mistyped one would only show at run time as
// a "Failed to set effect parameter" line per draw).
#include "platform/d3dx9/EffectFile.h"

#include <d3d9.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

using zarnfx::EffectFileDesc;
using zarnfx::ParamType;

namespace {

const char* kMinimal =
    "parameter float4x4 matWorld\n"
    "technique T\n"
    "pass P\n"
    "glsl vertex\n"
    "void main() { gl_Position = zarnClip(matWorld * vec4(0.0)); }\n"
    "endglsl\n"
    "glsl fragment\n"
    "out vec4 c;\n"
    "void main() { c = vec4(1.0); }\n"
    "endglsl\n";

std::string parseError(const std::string& text) {
    EffectFileDesc desc;
    std::string error;
    EXPECT_FALSE(zarnfx::parseEffectFile(text, &desc, &error)) << text;
    return error;
}

std::string withPass(const std::string& passLines) {
    return "parameter texture2D base_Tex\n"
           "parameter float x\n"
           "technique T\n"
           "pass P\n" +
           passLines +
           "glsl vertex\nvoid main() {}\nendglsl\n"
           "glsl fragment\nvoid main() {}\nendglsl\n";
}

}  // namespace

TEST(EffectFileParser, ReadsParametersTechniquesPassesStatesAndShaders) {
    std::string text =
        "# a comment line\n"
        "parameter float4 lightPosition = -4 5 -12 1   # trailing comment\n"
        "parameter float scale = 0.5\n"
        "parameter texture2D base_Tex\n"
        "parameter textureCUBE env_Tex\n"
        "glsl common\n"
        "float twice(float v) { return 2.0 * v; }\n"
        "endglsl\n"
        "technique Best\n"
        "  requires glsl330 test-unsupported\n"
        "  pass First\n"
        "    renderstate CULLMODE NONE\n"
        "    renderstate SRCBLEND SRCALPHA\n"
        "    renderstate ALPHAREF 0x80\n"
        "    sampler env_Tex MINFILTER LINEAR\n"
        "    glsl vertex\n"
        "    # not a comment inside GLSL\n"
        "void main() {}\n"
        "    endglsl\n"
        "    glsl fragment\r\n"
        "void main() {}\r\n"
        "    endglsl\r\n"
        "technique Plain\n"
        "pass Only\n"
        "glsl fragment\nvoid main() {}\nendglsl\n"
        "glsl vertex\nvoid main() {}\nendglsl\n";
    EffectFileDesc desc;
    std::string error;
    ASSERT_TRUE(zarnfx::parseEffectFile(text, &desc, &error)) << error;

    ASSERT_EQ(desc.params.size(), 4u);
    EXPECT_EQ(desc.params[0].name, "lightPosition");
    EXPECT_EQ(desc.params[0].type, ParamType::Float4);
    EXPECT_EQ(desc.params[0].initialValue, (std::vector<float>{-4, 5, -12, 1}));
    EXPECT_EQ(desc.params[3].type, ParamType::TextureCube);
    EXPECT_TRUE(desc.params[2].initialValue.empty());
    EXPECT_EQ(zarnfx::textureUnitOf(desc, "base_Tex"), 0);
    EXPECT_EQ(zarnfx::textureUnitOf(desc, "env_Tex"), 1);
    EXPECT_EQ(zarnfx::textureUnitOf(desc, "scale"), -1);

    ASSERT_EQ(desc.techniques.size(), 2u);
    const zarnfx::TechniqueDesc& best = desc.techniques[0];
    EXPECT_EQ(best.requirements, (std::vector<std::string>{"glsl330", "test-unsupported"}));
    ASSERT_EQ(best.passes.size(), 1u);
    const zarnfx::PassDesc& pass = best.passes[0];
    ASSERT_EQ(pass.renderStates.size(), 3u);
    EXPECT_EQ(pass.renderStates[0].state, static_cast<uint32_t>(D3DRS_CULLMODE));
    EXPECT_EQ(pass.renderStates[0].value, static_cast<uint32_t>(D3DCULL_NONE));
    EXPECT_EQ(pass.renderStates[1].value, static_cast<uint32_t>(D3DBLEND_SRCALPHA));
    EXPECT_EQ(pass.renderStates[2].value, 0x80u);
    ASSERT_EQ(pass.samplerStates.size(), 1u);
    EXPECT_EQ(pass.samplerStates[0].state, static_cast<uint32_t>(D3DSAMP_MINFILTER));
    EXPECT_EQ(pass.samplerStates[0].value, static_cast<uint32_t>(D3DTEXF_LINEAR));
    // GLSL is kept verbatim, '#' lines included; the CR of CRLF files is dropped.
    EXPECT_EQ(pass.vertexSource, "    # not a comment inside GLSL\nvoid main() {}\n");
    EXPECT_EQ(pass.fragmentSource, "void main() {}\n");
    EXPECT_EQ(pass.vertexLine, 17);
    EXPECT_TRUE(desc.techniques[1].requirements.empty());

    std::string vertex = zarnfx::stageSource(desc, pass, false);
    EXPECT_EQ(vertex.rfind("#version 330 core\n", 0), 0u);
    EXPECT_NE(vertex.find("uniform vec4 lightPosition;\n"), std::string::npos);
    EXPECT_NE(vertex.find("uniform samplerCube env_Tex;\n"), std::string::npos);
    EXPECT_NE(vertex.find("float twice(float v)"), std::string::npos);
    EXPECT_LT(vertex.find("float twice"), vertex.find("# not a comment"));
    // Compiler messages point at lines of the file: the stage text starts at line 17.
    EXPECT_NE(vertex.find("#line 7\nfloat twice"), std::string::npos);
    EXPECT_NE(vertex.find("#line 17\n    # not a comment"), std::string::npos);
}

TEST(EffectFileParser, RefusesBrokenStructureWithTheLineNumber) {
    EXPECT_EQ(parseError("parameter float x\nbogus word\n"), "line 2: unknown keyword 'bogus'");
    EXPECT_EQ(parseError(""), "line 0: the file has no technique");
    EXPECT_EQ(parseError("technique T\n"), "line 1: technique 'T' has no pass");
    EXPECT_EQ(parseError("pass P\n"), "line 1: 'pass' outside a technique");
    EXPECT_NE(parseError("technique T\npass P\nglsl vertex\nvoid main() {}\nendglsl\n").find("no fragment shader"),
              std::string::npos);
    EXPECT_EQ(parseError("technique T\npass P\nglsl vertex\nvoid main() {}\n"), "line 3: GLSL block has no 'endglsl'");
    EXPECT_NE(parseError("technique T\npass P\nglsl vertex\n\n  \nendglsl\n").find("empty GLSL block"),
              std::string::npos);
    EXPECT_NE(parseError(std::string(kMinimal) + "parameter float late\n").find("before the first technique"),
              std::string::npos);
    EXPECT_NE(parseError(std::string(kMinimal) + "technique T\n").find("declared twice"), std::string::npos);
    EXPECT_NE(parseError("technique T\npass P\nrequires glsl330\n").find("before the technique's first pass"),
              std::string::npos);
    EXPECT_NE(parseError(std::string("a\0b", 3)).find("NUL"), std::string::npos);
    EXPECT_NE(parseError(std::string(zarnfx::kMaxEffectFileBytes + 1, ' ')).find("larger"), std::string::npos);
}

TEST(EffectFileParser, RefusesBadParameters) {
    const char* bad[] = {
        "parameter float3 x\n",             // not one of our types
        "parameter float\n",                // no name
        "parameter float gl_Position\n",    // GLSL's own
        "parameter float zarn_posFixup\n",  // the device's own
        "parameter float a__b\n",           // reserved by GLSL
        "parameter float 9lives\n",         // not an identifier
        "parameter float x\nparameter float4 x\n",
        "parameter float4 v = 1 2 3\n",     // too few numbers
        "parameter float v = 1 2\n",        // too many
        "parameter float v 1\n",            // no '='
        "parameter float v = nan\n",        // not finite
        "parameter float v = 1e99\n",       // out of range
        "parameter float v = 1x\n",
        "parameter texture2D t = 0\n",      // textures take no value
    };
    for (const char* text : bad) {
        std::string error = parseError(std::string(text) + kMinimal);
        EXPECT_EQ(error.rfind("line ", 0), 0u) << text;
    }
    std::string many;
    for (size_t i = 0; i <= zarnfx::kMaxParams; ++i) many += "parameter float p" + std::to_string(i) + "\n";
    EXPECT_NE(parseError(many + kMinimal).find("too many parameters"), std::string::npos);
}

// #ifdef regions outside GLSL keep or drop states by the loader's macros, as D3DX's
// preprocessor does; broken nesting and GLSL blocks inside a region are refused.
TEST(EffectFileParser, MacrosChooseStatesBetweenIfdefAndEndif) {
    const std::string states = "#ifdef LIGHT\nsampler base_Tex MIPFILTER POINT\n#else\nsampler base_Tex MIPFILTER LINEAR\n"
                                "#endif\n#ifndef LIGHT\nrenderstate ZENABLE 1\n#endif\n";
    struct Case {
        std::vector<zarnfx::MacroDesc> macros;
        DWORD mipFilter;
        size_t renderStates;
    } cases[] = {{{}, D3DTEXF_LINEAR, 1}, {{{"LIGHT", "1"}}, D3DTEXF_POINT, 0}, {{{"OTHER", "1"}}, D3DTEXF_LINEAR, 1}};
    for (const Case& c : cases) {
        EffectFileDesc desc;
        std::string error;
        ASSERT_TRUE(zarnfx::parseEffectFile(withPass(states), c.macros, &desc, &error)) << error;
        const zarnfx::PassDesc& pass = desc.techniques[0].passes[0];
        ASSERT_EQ(1u, pass.samplerStates.size());
        EXPECT_EQ(c.mipFilter, pass.samplerStates[0].value);
        EXPECT_EQ(c.renderStates, pass.renderStates.size());
        EXPECT_EQ(c.macros.size(), desc.macros.size());
    }
    EXPECT_NE(parseError(withPass("") + "#ifdef LIGHT\n").find("#ifdef without #endif"), std::string::npos);
    EXPECT_NE(parseError(withPass("#endif\n")).find("#endif without #ifdef"), std::string::npos);
    EXPECT_NE(parseError(withPass("#ifdef A\n#else\n#else\n#endif\n")).find("a second #else"), std::string::npos);
    EXPECT_NE(parseError(withPass("#ifdef\n#endif\n")).find("needs a macro name"), std::string::npos);
    EXPECT_NE(parseError("#ifdef A\n" + withPass("") + "#endif\n").find("GLSL block inside #ifdef"),
              std::string::npos);
}

TEST(EffectFileParser, RefusesUnknownStatesAndValues) {
    EffectFileDesc desc;
    std::string error;
    EXPECT_TRUE(zarnfx::parseEffectFile(withPass("renderstate ZENABLE 1\n"), &desc, &error)) << error;
    EXPECT_TRUE(zarnfx::parseEffectFile(withPass("sampler base_Tex ADDRESSU CLAMP\n"), &desc, &error)) << error;

    EXPECT_NE(parseError(withPass("renderstate FOO TRUE\n")).find("unknown render state 'FOO'"), std::string::npos);
    EXPECT_NE(parseError(withPass("renderstate CULLMODE SRCALPHA\n")).find("is not a value of CULLMODE"),
              std::string::npos);
    EXPECT_NE(parseError(withPass("renderstate ZENABLE -1\n")).find("not a value"), std::string::npos);
    EXPECT_NE(parseError(withPass("renderstate ZENABLE 0x100000000\n")).find("not a value"), std::string::npos);
    EXPECT_NE(parseError(withPass("renderstate ALPHAREF TRUE\n")).find("not a value"), std::string::npos);
    EXPECT_NE(parseError(withPass("renderstate ZENABLE\n")).find("needs a state and a value"), std::string::npos);
    EXPECT_NE(parseError(withPass("sampler x MINFILTER POINT\n")).find("not a texture parameter"),
              std::string::npos);
    EXPECT_NE(parseError(withPass("sampler base_Tex MINFILTER WRAP\n")).find("not a value"), std::string::npos);
    EXPECT_NE(parseError(withPass("sampler base_Tex BORDERCOLOR 0\n")).find("unknown sampler state"),
              std::string::npos);
    EXPECT_NE(parseError("technique T\nrequires bad!name\n").find("not a requirement name"), std::string::npos);
}

TEST(EffectFileParser, SurvivesArbitraryBytes) {
    // A few shapes of damage a file could have: cut anywhere, or bytes flipped. The parser
    // must answer (true or false) without reading outside the text.
    std::string text = kMinimal;
    for (size_t cut = 0; cut < text.size(); ++cut) {
        EffectFileDesc desc;
        std::string error;
        zarnfx::parseEffectFile(text.substr(0, cut), &desc, &error);
    }
    for (size_t i = 0; i < text.size(); ++i) {
        std::string damaged = text;
        damaged[i] = static_cast<char>(0xFF - damaged[i]);
        EffectFileDesc desc;
        std::string error;
        zarnfx::parseEffectFile(damaged, &desc, &error);
    }
}

// ---- the saver's effect files --------------------------------------------------------------

namespace {

struct Contract {
    const char* file;
    std::map<std::string, ParamType> params;
};

const ParamType F = ParamType::Float;
const ParamType V = ParamType::Float4;
const ParamType M = ParamType::Float4x4;
const ParamType T = ParamType::Texture2D;
const ParamType C = ParamType::TextureCube;

const std::map<std::string, ParamType> kBumpParams = {
    {"ShadowMap_Tex", T}, {"lightPosition", V}, {"pixelWidth", F},     {"matWorldViewProj", M},
    {"matWorld", M},      {"matLightWorldViewProj", M},                {"base_Tex", T},
    {"bump_Tex", T},      {"ambient", V},       {"diffuse", V},        {"specular", V},
    {"specularPower", F}, {"bumpiness", F},     {"distanceScale", F},  {"shadowBias", F},
    {"eyePosition", V},   {"texTransform", V}};

std::map<std::string, ParamType> bumpReflectParams() {
    auto params = kBumpParams;
    params["matWorldView"] = M;
    params["environmentMap_Tex"] = C;
    params["reflectionClarity"] = F;
    params["reflectance"] = F;
    return params;
}

}  // namespace

TEST(SaverEffectFiles, EveryFileAndItsFallbackOffersTheParametersTheSaverSets) {
    const std::vector<Contract> contracts = {
        {"ShadowMap", {{"lightPosition", V}, {"distanceScale", F}, {"matLightWorldViewProj", M}, {"matWorld", M}}},
        {"TextureBumpShadows", kBumpParams},
        {"TextureBumpCubemapShadows", bumpReflectParams()},
        {"PP_Copy", {{"texMain_Tex", T}}},
        {"PP_Combine", {{"texMain_Tex", T}, {"texOverlay_Tex", T}}},
        {"PP_DownFilter4", {{"texMain_Tex", T}, {"texelSize", V}}},
        {"PP_BlurHorizontal", {{"texMain_Tex", T}, {"texelSize", V}}},
        {"PP_BlurVertical", {{"texMain_Tex", T}, {"texelSize", V}}},
    };
    const std::filesystem::path dir = std::filesystem::path(ZARN_SOURCE_DIR) / "data" / "effects";
    for (const Contract& contract : contracts) {
        for (const char* suffix : {".fxo", "Fallback.fxo"}) {
            std::string name = std::string(contract.file) + suffix;
            std::ifstream in(dir / name, std::ios::binary);
            ASSERT_TRUE(in) << name;
            std::ostringstream text;
            text << in.rdbuf();
            EffectFileDesc desc;
            std::string error;
            ASSERT_TRUE(zarnfx::parseEffectFile(text.str(), &desc, &error)) << name << ": " << error;
            for (const auto& [param, type] : contract.params) {
                bool found = false;
                for (const zarnfx::ParamDesc& declared : desc.params) {
                    if (declared.name != param) continue;
                    found = true;
                    EXPECT_EQ(declared.type, type) << name << ": " << param << " is a " << zarnfx::typeKeyword(declared.type);
                }
                EXPECT_TRUE(found) << name << " lacks " << param;
            }
            // A fallback must run wherever GLSL 330 runs, so it may not ask for anything.
            if (std::string(suffix) == "Fallback.fxo") {
                for (const zarnfx::TechniqueDesc& tech : desc.techniques) {
                    EXPECT_TRUE(tech.requirements.empty()) << name;
                }
            }
        }
    }
}

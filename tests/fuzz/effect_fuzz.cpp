// Feeds arbitrary text to the effect-file parser, then does what the effect runtime does with
// a description it accepts: looks up every texture parameter's unit and assembles the GLSL of
// every stage of every pass. Whatever the file holds, the parser must neither read past the
// text nor accept a description whose parts break the limits it promises.
#include "d3dx9/EffectFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > zarnfx::kMaxEffectFileBytes) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);

    zarnfx::EffectFileDesc desc;
    std::string error;
    if (!zarnfx::parseEffectFile(text, &desc, &error)) {
        // A refusal always says where and why.
        if (error.empty()) std::abort();
        return 0;
    }
    if (desc.params.size() > zarnfx::kMaxParams || desc.techniques.size() > zarnfx::kMaxTechniques) std::abort();
    for (const zarnfx::ParamDesc& param : desc.params) {
        const size_t floats = size_t(zarnfx::floatCount(param.type));
        if (!param.initialValue.empty() && param.initialValue.size() != floats) std::abort();
        if (zarnfx::isTextureType(param.type) && zarnfx::textureUnitOf(desc, param.name) < 0) std::abort();
    }
    for (const zarnfx::TechniqueDesc& technique : desc.techniques) {
        if (technique.passes.size() > zarnfx::kMaxPassesPerTechnique ||
            technique.requirements.size() > zarnfx::kMaxRequirements)
            std::abort();
        for (const zarnfx::PassDesc& pass : technique.passes) {
            if (pass.renderStates.size() > zarnfx::kMaxStatesPerPass) std::abort();
            for (const zarnfx::SamplerStateDesc& sampler : pass.samplerStates)
                if (zarnfx::textureUnitOf(desc, sampler.param) < 0) std::abort();
            zarnfx::stageSource(desc, pass, false);
            zarnfx::stageSource(desc, pass, true);
        }
    }
    return 0;
}

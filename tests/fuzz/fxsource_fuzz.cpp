// Feeds arbitrary text to the parser of the Windows effects' sources (tools/fxbuild), which the
// build runs over data/effects/d3d9. Whatever the text holds, the parser must neither read past
// it nor accept a description the writers cannot use: every technique with passes, every pass
// with both shaders, every binding to a parameter that exists and fits its register set.
#include "EffectSource.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    fxbuild::EffectSource source;
    std::string error;
    if (!fxbuild::parseEffectSource(text, source, error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    if (source.techniques.empty()) std::abort();
    for (const fxbuild::Parameter& p : source.parameters) {
        bool sampler = p.kind == fxbuild::ParamKind::Sampler2D || p.kind == fxbuild::ParamKind::SamplerCube;
        if (sampler && !fxbuild::findParameter(source, p.texture)) std::abort();
    }
    for (const fxbuild::Technique& technique : source.techniques) {
        if (technique.passes.empty()) std::abort();
        for (const fxbuild::Pass& pass : technique.passes) {
            if (pass.vertex.file.empty() || pass.pixel.file.empty() || pass.vertex.pixel || !pass.pixel.pixel) std::abort();
            for (const fxbuild::Shader* shader : {&pass.vertex, &pass.pixel}) {
                for (const fxbuild::Binding& b : shader->bindings) {
                    const fxbuild::Parameter* p = fxbuild::findParameter(source, b.parameter);
                    if (!p) std::abort();
                    bool sampler = p->kind == fxbuild::ParamKind::Sampler2D || p->kind == fxbuild::ParamKind::SamplerCube;
                    if (sampler != (b.registerSet == 's')) std::abort();
                }
            }
        }
    }
    return 0;
}

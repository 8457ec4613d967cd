// Writes a binary fx_2_0 effect file (what D3DXCreateEffectFromFile reads) from a parsed source
// and its passes' assembled shaders.
#pragma once

#include "EffectSource.h"

#include <cstdint>
#include <vector>

namespace fxbuild {

struct PassCode {
    std::vector<uint32_t> vertex;  // with their constant tables
    std::vector<uint32_t> pixel;
};

// `code[t][p]` belongs to technique t, pass p of `source`.
std::vector<uint8_t> writeEffect(const EffectSource& source, const std::vector<std::vector<PassCode>>& code);

}  // namespace fxbuild

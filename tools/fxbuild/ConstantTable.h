// Adds a constant table (the CTAB comment block) to assembled shader code. The effect runtime
// binds its parameters to a shader's registers only through this table, by name, and assembly
// writes none, so each shader gets one built from the source's `bind` lines.
#pragma once

#include "EffectSource.h"

#include <cstdint>
#include <string>
#include <vector>

namespace fxbuild {

// `code` is a whole shader, version token first. Returns it with the table after that token.
std::vector<uint32_t> withConstantTable(const std::vector<uint32_t>& code, const Shader& shader,
                                        const EffectSource& source);

// Registers a parameter fills: four for a matrix, one for anything else.
unsigned registerCount(ParamKind kind);

}  // namespace fxbuild

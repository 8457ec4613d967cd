// The words an effect file may use for render states, sampler states and their values, mapped
// to Direct3D's numbers. Kept apart from the parser so the table is easy to extend and to read.
#pragma once

#include <cstdint>
#include <string>

namespace zarnfx {

// Which value words a state accepts (numbers are accepted by every state).
enum class StateValueKind { Bool, Cull, Blend, Compare, Filter, Address, Number };

bool renderStateByName(const std::string& name, uint32_t* state, StateValueKind* kind);
bool samplerStateByName(const std::string& name, uint32_t* state, StateValueKind* kind);
// A value word of the given kind, or a decimal or 0x-hexadecimal number that fits 32 bits.
bool stateValueByName(StateValueKind kind, const std::string& word, uint32_t* value);

}  // namespace zarnfx

// The four logo letters, extruded with bevels from the outlines of DejaVu Sans Bold.
#pragma once

#include "MeshBuilder.h"

namespace contentgen {

// One letter, centred on its origin (the clock spins each letter about its position).
// Returns an empty mesh when the font gives no outline.
MeshBuilder makeLogoLetter(char letter);

}  // namespace contentgen

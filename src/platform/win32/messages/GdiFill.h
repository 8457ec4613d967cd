// What other parts of the stand-in need to know of GDI's brushes.
#pragma once

#include <windows.h>

#include <cstdint>

// A brush's colour as 0x00RRGGBB (black for no brush).
uint32_t zarnBrushColour(HBRUSH brush);

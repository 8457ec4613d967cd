// Counts the program's heap allocations: replacement global operator new (every form)
// forwarding to malloc, with a counter read before and after the code under watch. What
// libraries allocate with malloc directly (the GL driver) is not counted.
#pragma once

#include <cstdint>

// Allocations through operator new since the program started.
uint64_t allocationCount();

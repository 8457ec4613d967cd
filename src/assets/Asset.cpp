// Asset names are owned C strings so that a missing name stays distinguishable from "".
#include "assets/Asset.h"

#include <cstdlib>
#include <cstring>

Asset::~Asset() { std::free(name); }

void Asset::setName(const char* newName) {
    std::free(name);
    name = newName ? strdup(newName) : nullptr;
}

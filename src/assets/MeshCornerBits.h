// A corner of an .obj mesh as drawn, position, normal and texture coordinate, compared and
// hashed by its bits: the identity the software rasteriser's mesh passes give a corner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct CornerBits {
    uint32_t v[8];
    bool operator==(const CornerBits& o) const { return std::memcmp(v, o.v, sizeof v) == 0; }
};

struct CornerBitsHash {
    size_t operator()(const CornerBits& c) const {
        size_t h = 0;
        for (uint32_t x : c.v) h = h * 0x9E3779B1u ^ x;
        return h;
    }
};

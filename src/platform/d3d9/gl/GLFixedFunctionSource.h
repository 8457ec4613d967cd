// The fixed-function program's GLSL. Every switch that the general program reads from a
// uniform can instead be fixed when a program is compiled: a program built for one state
// carries none of the other states' code, so a software renderer compiles and runs a
// fraction of the general program's work. Both kinds compute the same values.
#pragma once

#include <cstdint>
#include <string>

struct GLFixedFunctionSwitches {
    bool lighting = false;
    bool specular = false;  // only with lighting
    bool normalize = false;
    bool vertexColour = false;
    int lightCount = 0;       // 0..8 directional lights
    int stageOp = 0;          // 0 no texture, 1 texture, 2 lit colour with texture alpha, 3 modulate
    int transformCount = 0;   // 0 = no texture transform, else D3DTTFF_COUNT1..4
    bool projected = false;
    int alphaFunc = 0;        // 0 = no alpha test, else the D3DCMPFUNC

    // One number per distinct state; equal switches give equal keys.
    uint32_t key() const;
};

// The general program's sources when fixed is null, else those of a program built for fixed.
std::string glffVertexSource(const GLFixedFunctionSwitches* fixed);
std::string glffFragmentSource(const GLFixedFunctionSwitches* fixed);

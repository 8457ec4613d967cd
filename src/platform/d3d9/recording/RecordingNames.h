// How the recording back end spells Direct3D values in its call log: enumerations by their
// Direct3D names, masks in hex, floats with %g, so that a log line reads like the call that
// made it and tests can write the line they expect.
#pragma once

#include <d3d9.h>

#include <string>

namespace recording {

std::string formatName(D3DFORMAT format);
std::string poolName(D3DPOOL pool);
std::string renderStateName(D3DRENDERSTATETYPE state);
std::string samplerStateName(D3DSAMPLERSTATETYPE type);
std::string stageStateName(D3DTEXTURESTAGESTATETYPE type);
std::string transformName(D3DTRANSFORMSTATETYPE state);
std::string primitiveName(D3DPRIMITIVETYPE type);
std::string multiSampleName(D3DMULTISAMPLE_TYPE type);
std::string deviceTypeName(D3DDEVTYPE type);
std::string cubeFaceName(D3DCUBEMAP_FACES face);
std::string filterName(D3DTEXTUREFILTERTYPE filter);

std::string hex(DWORD value);
std::string num(float value);
std::string floats(const float* values, int count);
std::string rect(const RECT* r);
std::string matrix(const D3DMATRIX* m);
std::string color(const D3DCOLORVALUE& c);

// Bytes per texel of the formats textures and surfaces are made in (0 when unknown).
UINT bytesPerPixel(D3DFORMAT format);

}  // namespace recording

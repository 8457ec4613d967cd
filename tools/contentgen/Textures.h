// The procedural pictures other than the counter strips: brushed brass with its normal
// map, the environment cube map, the globe-and-moon atlas, the logo's
// engine-turned finish and the two backdrops. Each writer returns false when a file could
// not be written.
#pragma once

#include <string>

namespace contentgen {

bool writeMetalTextures(const std::string& dir);
bool writeEnvironmentMap(const std::string& path);
bool writeMoonWorldAtlas(const std::string& dir);
bool writeLogoTextures(const std::string& dir);
bool writeBackdropTextures(const std::string& dir);

}  // namespace contentgen

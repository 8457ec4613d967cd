// The software rasteriser's choices, made in one place (see SoftwareTier.h).
#include "device/SoftwareTier.h"

#include "shell/Diagnostics.h"

#include <cstdlib>
#include <cstring>
#include <string>

SoftwareTier softwareTier;

namespace {

bool fullQualityAsked(const char* variable) { return variable && std::strcmp(variable, "1") == 0; }

}  // namespace

SoftwareTier chooseSoftwareTier(bool softwareRasterizer, const char* fullQualityVariable) {
    SoftwareTier tier;
    if (!softwareRasterizer) return tier;
    const bool full = fullQualityAsked(fullQualityVariable);
    tier.backBufferWidthLimit = full ? kSoftwareFullQualityWidth : kSoftwareTierWidth;
    tier.lightShading = !full;
    tier.lighterMeshes = !full;
    tier.smallerShadowMap = !full;
    tier.cpuStretch = !full;
    return tier;
}

UINT softwareTierWidthLimit() {
    return fullQualityAsked(std::getenv("ZARN_FULL_QUALITY")) ? kSoftwareFullQualityWidth : kSoftwareTierWidth;
}

void logSoftwareTier(const SoftwareTier& tier) {
    if (!tier.lighter()) return;
    std::string choices;
    const auto add = [&choices](const std::string& choice) { choices += (choices.empty() ? "" : ", ") + choice; };
    if (tier.backBufferWidthLimit) add("drawn at most " + std::to_string(tier.backBufferWidthLimit) + " wide");
    if (tier.lightShading) add("four shadow taps and one mip level a texture");
    if (tier.lighterMeshes) add("coarser meshes from shared corners");
    if (tier.smallerShadowMap) add("a shadow map two thirds as high");
    if (tier.cpuStretch) add("stretched to the screen on the CPU");
    logPrintf("Software renderer, lighter picture: %s; ZARN_FULL_QUALITY=1 draws the full one.\n", choices.c_str());
}

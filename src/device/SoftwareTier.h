// What the saver draws differently on a software rasteriser (Mesa's llvmpipe on a machine
// without a usable GPU). There every vertex and every pixel is CPU time that the machine's
// other users share, so the saver gives the rasteriser less work where it cannot be seen.
// Every such choice is made here, once, when the device is created, and nowhere else; the
// log names them. A GPU, and a software rasteriser with ZARN_FULL_QUALITY=1 in the
// environment, draw the designed picture.
#pragma once

#include <windows.h>

struct SoftwareTier {
    // The widest back buffer drawn when no Resolution is chosen (the screen's own size above
    // it is drawn this wide and stretched); 0: no limit. ZARN_FULL_SIZE_BACK_BUFFER=1 lifts it.
    UINT backBufferWidthLimit = 0;
    // The shadow receivers (the LIGHT_SHADING variant of their effects) soften the shadow's
    // edge with 2 x 2 taps of the shadow map instead of 3 x 3, read their base and normal maps
    // from the nearer mip level alone, and take the tangent frame as interpolated.
    bool lightShading = false;
    // Static .obj meshes are drawn from the coarser twins the content generator made for a
    // software renderer, where it made one, and cast shadows from simpler twins still; they
    // are drawn indexed from their distinct corners, and the diagonals inside their flat,
    // evenly mapped parts are turned so that no sliver spans a face: the rasteriser shades
    // whole 4 x 4 blocks, and every small or thin triangle costs at least one.
    bool lighterMeshes = false;
    // The shadow map's side is two thirds of the back buffer's height: the soft edge is drawn
    // from fewer, wider texels, and the shadow pass shades less than half the texels.
    bool smallerShadowMap = false;
    // A back buffer smaller than the window is stretched onto it by the device on the CPU
    // (the same bilinear filter), where the device offers it: llvmpipe's own stretch shades
    // every window pixel through its texture sampler, several times the CPU time.
    bool cpuStretch = false;

    bool lighter() const { return lightShading || lighterMeshes || smallerShadowMap || cpuStretch; }
};

// The software renderer's lighter picture is drawn at most this wide, the full one 1280 wide.
constexpr UINT kSoftwareTierWidth = 1024;
constexpr UINT kSoftwareFullQualityWidth = 1280;

// The tier for a device: `softwareRasterizer` says whether the adapter rasterises on the CPU,
// `fullQualityVariable` is ZARN_FULL_QUALITY's value (null when unset); "1" restores the full
// picture. The width limit holds on every adapter; only a software rasteriser applies it.
SoftwareTier chooseSoftwareTier(bool softwareRasterizer, const char* fullQualityVariable);

// The width limit device creation asks for before it knows the adapter (ZARN_FULL_QUALITY
// read from the environment).
UINT softwareTierWidthLimit();

// The tier in force, set by createDevice; the designed picture before a device exists.
extern SoftwareTier softwareTier;

// Writes the one log line that names the lighter picture's choices; nothing for the full one.
void logSoftwareTier(const SoftwareTier& tier);

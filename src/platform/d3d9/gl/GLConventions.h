// Where Direct3D 9 and OpenGL disagree, and what this back end does about it. Every fix-up
// lives here (and in GLConventions.cpp) so nobody has to hunt for them:
//
// - Orientation. Direct3D puts v = 0 and row 0 at the top of images and render targets. We
//   upload images unchanged (row 0 first), so GL's t = 0 is the image's top row, and we
//   render into every framebuffer (render targets and the back buffer alike) upside down,
//   negating clip-space y, so row 0 of a rendered image is its top as well. Window
//   coordinates then equal Direct3D's screen coordinates (x right, y down from row 0), so
//   viewports and rectangles pass through unchanged. Present flips once more when it blits
//   into an on-screen window, whose row 0 is at the bottom.
// - Winding. The y flip mirrors the image, so Direct3D's clockwise front faces arrive in GL
//   as counter-clockwise: glFrontFace follows the flip. D3DCULL_CCW (the default) culls the
//   back faces, D3DCULL_CW the front faces.
// - Depth. Direct3D's clip space runs z from 0 to w. glClipControl(GL_LOWER_LEFT,
//   GL_ZERO_TO_ONE) (GL 4.5 or ARB_clip_control) makes GL agree; without it every vertex
//   shader maps z' = 2z − w through zarnClip.
// - Matrices. Direct3D multiplies row vectors (p × M). The 16 floats go to GL unchanged with
//   transpose = GL_FALSE; GLSL then sees Mᵀ, and `M * v` is exactly Direct3D's `v × M`.
// - Pixel centres. Direct3D 9 samples pixels at integer window coordinates, GL at half
//   integers. Every position moves by 63/64 of a pixel right and down (in Direct3D's screen
//   terms) through zarn_posFixup, recomputed from the viewport. The full pixel would be 1/2;
//   63/64 of it keeps triangle edges that Direct3D puts exactly on pixel centres just off
//   them, so GL's fill rule makes the same choice Direct3D's does.
// - Formats. A8R8G8B8 lives in memory as B, G, R, A bytes: uploads use GL_BGRA with
//   GL_UNSIGNED_INT_8_8_8_8_REV. X8R8G8B8 reads alpha 1 and R16F reads (r, 1, 1, 1), both
//   through texture swizzles.
// - D3DTTFF_COUNT2. The two texture coordinates are padded to (u, v, 1, 0) before the
//   texture matrix, so its third row carries the translation (see GLFixedFunction.cpp).
#pragma once

#include <d3d9.h>
#include <epoxy/gl.h>

#include <string>

namespace glconv {

// The y flip is applied to every framebuffer this back end draws into.
constexpr float clipYFlip = -1.0f;
constexpr float pixelCentreShift = 63.0f / 64.0f;

// The value of the zarn_posFixup uniform for a viewport of the given size.
struct PosFixup {
    float x, y, flip, depthFromShader;
};
PosFixup posFixupForViewport(DWORD viewportWidth, DWORD viewportHeight, bool depthFromShader);

// glFrontFace for Direct3D's clockwise front faces under the current flip.
GLenum frontFace();

// Sets up clip control when the driver has it; false means shaders must map depth.
bool enableZeroToOneDepth();

// How a Direct3D texture or render-target format is stored in GL.
struct TextureFormat {
    GLenum internalFormat = 0;
    // What a texture that is only sampled (filled through LockRect, never drawn into) asks GL
    // to keep; render targets keep internalFormat, which framebuffer resolves must match.
    GLenum sampledInternalFormat = 0;
    GLenum uploadFormat = 0;
    GLenum uploadType = 0;
    UINT bytesPerTexel = 0;
    GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
    bool renderable = false;
    bool opaque = false;  // no alpha channel: reads and read-backs give alpha 1
};
// False for formats this back end does not offer.
bool textureFormat(D3DFORMAT format, TextureFormat* out);
// Depth formats offered for the automatic depth buffer and depth-stencil checks.
bool depthFormat(D3DFORMAT format, GLenum* internalFormat);

// Fixed attribute location of a vertex-declaration usage, -1 when it is not fed.
int attributeLocation(BYTE usage, BYTE usageIndex);

// The vertex shader as compiled: the effect's source with the zarnClip prelude inserted.
std::string vertexSourceWithPrelude(const char* source);

// Sampler-state translations.
GLenum addressMode(DWORD d3dAddress);
GLenum minFilter(DWORD minFilterType, DWORD mipFilterType);
GLenum magFilter(DWORD magFilterType);
GLenum blendFactor(DWORD d3dBlend);
GLenum compareFunc(DWORD d3dCmp);

}  // namespace glconv

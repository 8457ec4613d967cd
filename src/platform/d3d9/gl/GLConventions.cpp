// The Direct3D 9 to OpenGL fix-ups described in GLConventions.h.
#include "d3d9/gl/GLConventions.h"

#include <ZarnShaderDevice.h>

#include <cstring>

namespace glconv {

PosFixup posFixupForViewport(DWORD viewportWidth, DWORD viewportHeight, bool depthFromShader) {
    PosFixup fixup{};
    // One pixel spans 2 / size in normalized device coordinates; half of it moves a Direct3D
    // pixel centre onto GL's. Direct3D's "down" is −y before the flip.
    fixup.x = viewportWidth ? pixelCentreShift / float(viewportWidth) : 0.0f;
    fixup.y = viewportHeight ? -pixelCentreShift / float(viewportHeight) : 0.0f;
    fixup.flip = clipYFlip;
    fixup.depthFromShader = depthFromShader ? 1.0f : 0.0f;
    return fixup;
}

GLenum frontFace() { return clipYFlip < 0.0f ? GL_CCW : GL_CW; }

bool enableZeroToOneDepth() {
    if (epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control")) {
        glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
        return true;
    }
    return false;
}

bool textureFormat(D3DFORMAT format, TextureFormat* out) {
    TextureFormat f;
    switch (format) {
    case D3DFMT_A8R8G8B8:
        f.internalFormat = GL_RGBA8;
        // Unsized, so the driver may keep the B, G, R, A bytes as uploaded and copy them
        // rather than swizzle every texel (a quarter of the upload time on llvmpipe).
        f.sampledInternalFormat = GL_RGBA;
        f.uploadFormat = GL_BGRA;
        f.uploadType = GL_UNSIGNED_INT_8_8_8_8_REV;
        f.bytesPerTexel = 4;
        f.renderable = true;
        break;
    case D3DFMT_X8R8G8B8:
        f.internalFormat = GL_RGBA8;
        f.sampledInternalFormat = GL_RGBA;
        f.uploadFormat = GL_BGRA;
        f.uploadType = GL_UNSIGNED_INT_8_8_8_8_REV;
        f.bytesPerTexel = 4;
        f.swizzle[3] = GL_ONE;
        f.renderable = true;
        f.opaque = true;
        break;
    case D3DFMT_R16F:
        f.internalFormat = GL_R16F;
        f.uploadFormat = GL_RED;
        f.uploadType = GL_HALF_FLOAT;
        f.bytesPerTexel = 2;
        f.swizzle[1] = GL_ONE;
        f.swizzle[2] = GL_ONE;
        f.swizzle[3] = GL_ONE;
        f.renderable = true;
        break;
    case D3DFMT_R32F:
        f.internalFormat = GL_R32F;
        f.uploadFormat = GL_RED;
        f.uploadType = GL_FLOAT;
        f.bytesPerTexel = 4;
        f.swizzle[1] = GL_ONE;
        f.swizzle[2] = GL_ONE;
        f.swizzle[3] = GL_ONE;
        f.renderable = true;
        break;
    case D3DFMT_A16B16G16R16F:
        f.internalFormat = GL_RGBA16F;
        f.uploadFormat = GL_RGBA;
        f.uploadType = GL_HALF_FLOAT;
        f.bytesPerTexel = 8;
        f.renderable = true;
        break;
    case D3DFMT_A8:
        f.internalFormat = GL_R8;
        f.uploadFormat = GL_RED;
        f.uploadType = GL_UNSIGNED_BYTE;
        f.bytesPerTexel = 1;
        // Direct3D reads A8 as (0, 0, 0, a).
        f.swizzle[0] = GL_ZERO;
        f.swizzle[1] = GL_ZERO;
        f.swizzle[2] = GL_ZERO;
        f.swizzle[3] = GL_RED;
        break;
    default:
        return false;
    }
    if (!f.sampledInternalFormat) f.sampledInternalFormat = f.internalFormat;
    if (out) *out = f;
    return true;
}

bool depthFormat(D3DFORMAT format, GLenum* internalFormat) {
    GLenum gl;
    switch (format) {
    case D3DFMT_D16: gl = GL_DEPTH_COMPONENT16; break;
    case D3DFMT_D24X8: gl = GL_DEPTH_COMPONENT24; break;
    case D3DFMT_D24S8: gl = GL_DEPTH24_STENCIL8; break;
    default: return false;
    }
    if (internalFormat) *internalFormat = gl;
    return true;
}

int attributeLocation(BYTE usage, BYTE usageIndex) {
    switch (usage) {
    case D3DDECLUSAGE_POSITION: return usageIndex == 0 ? 0 : -1;
    case D3DDECLUSAGE_NORMAL: return usageIndex == 0 ? 1 : -1;
    case D3DDECLUSAGE_TEXCOORD: return usageIndex == 0 ? 2 : usageIndex == 1 ? 6 : usageIndex == 2 ? 7 : -1;
    case D3DDECLUSAGE_BINORMAL: return usageIndex == 0 ? 3 : -1;
    case D3DDECLUSAGE_TANGENT: return usageIndex == 0 ? 4 : -1;
    case D3DDECLUSAGE_COLOR: return usageIndex == 0 ? 5 : -1;
    default: return -1;
    }
}

std::string vertexSourceWithPrelude(const char* source) {
    std::string text = source ? source : "";
    // Keep the effect's own #version line first, as GLSL demands; count the lines it spans
    // so the #line directive puts the driver's line numbers back on the effect's.
    size_t insertAt = 0;
    int nextLine = 1;
    size_t versionPos = text.find("#version");
    bool hasVersion = false;
    if (versionPos != std::string::npos) {
        bool onlyBlankBefore = true;
        for (size_t i = 0; i < versionPos; ++i)
            if (text[i] != ' ' && text[i] != '\t' && text[i] != '\n' && text[i] != '\r') onlyBlankBefore = false;
        if (onlyBlankBefore) {
            hasVersion = true;
            size_t end = text.find('\n', versionPos);
            insertAt = end == std::string::npos ? text.size() : end + 1;
            for (size_t i = 0; i < insertAt; ++i)
                if (text[i] == '\n') ++nextLine;
        }
    }
    std::string prelude;
    if (!hasVersion) prelude = "#version 330 core\n";
    else if (insertAt == text.size() && (text.empty() || text.back() != '\n')) prelude = "\n";
    prelude += ZARN_GLSL_VERTEX_PRELUDE;
    prelude += "#line " + std::to_string(nextLine) + "\n";
    text.insert(insertAt, prelude);
    return text;
}

GLenum addressMode(DWORD d3dAddress) {
    switch (d3dAddress) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    default: return GL_REPEAT;
    }
}

GLenum minFilter(DWORD minFilterType, DWORD mipFilterType) {
    const bool linear = minFilterType == D3DTEXF_LINEAR || minFilterType == D3DTEXF_ANISOTROPIC;
    switch (mipFilterType) {
    case D3DTEXF_POINT: return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
    case D3DTEXF_LINEAR:
    case D3DTEXF_ANISOTROPIC: return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
    default: return linear ? GL_LINEAR : GL_NEAREST;
    }
}

GLenum magFilter(DWORD magFilterType) {
    return magFilterType == D3DTEXF_LINEAR || magFilterType == D3DTEXF_ANISOTROPIC ? GL_LINEAR : GL_NEAREST;
}

GLenum blendFactor(DWORD d3dBlend) {
    switch (d3dBlend) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    default: return GL_ONE;
    }
}

GLenum compareFunc(DWORD d3dCmp) {
    switch (d3dCmp) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

}  // namespace glconv

// Present's stretch on the CPU, for a software rasteriser (see ZarnPresentStretch.h): the
// back buffer read back, stretched bilinearly, uploaded into a window-sized texture and
// copied into place unscaled, which llvmpipe does as a plain memory copy where the formats
// are equal and the rows run the same way in memory.
#include "d3d9/gl/GLDevice.h"
#include "d3d9/gl/ZarnPresentStretch.h"

bool GLDevice::presentStretchedOnCpu(GLuint readFbo, const RECT& sr, const RECT& dr, GLuint drawFbo,
                                     GLint drawHeight) {
    const GLsizei sourceWidth = sr.right - sr.left, sourceHeight = sr.bottom - sr.top;
    const GLsizei destWidth = dr.right - dr.left, destHeight = dr.bottom - dr.top;
    const D3DFORMAT format = backBuffer->format();
    if (!stretchOnCpu || (format != D3DFMT_X8R8G8B8 && format != D3DFMT_A8R8G8B8) || destWidth < sourceWidth ||
        destHeight < sourceHeight || (destWidth == sourceWidth && destHeight == sourceHeight))
        return false;

    // A window keeps B, G, R, A bytes, which an unsized texture filled in that order keeps
    // too (see textureFormat); our own off-screen picture is RGBA8 like the back buffer. The
    // stretch treats every byte alike, so the picture is read and written in that order.
    const bool toWindow = drawHeight != 0;
    const GLenum internalFormat = toWindow ? GL_RGBA : GL_RGBA8;
    const GLenum transferFormat = toWindow ? GL_BGRA : GL_RGBA;
    const GLenum transferType = toWindow ? GL_UNSIGNED_INT_8_8_8_8_REV : GL_UNSIGNED_BYTE;
    // Rows come back top first: the back buffer's row 0 is the picture's top.
    stretchSource.resize(size_t(sourceWidth) * size_t(sourceHeight));
    cache.bindReadFramebuffer(readFbo);
    glReadPixels(sr.left, sr.top, sourceWidth, sourceHeight, transferFormat, transferType, stretchSource.data());
    stretchResult.resize(size_t(destWidth) * size_t(destHeight));
    cpuStretch.stretch(stretchSource.data(), sourceWidth, sourceHeight, sourceWidth, stretchResult.data(), destWidth,
                       destHeight);

    if (!stretchTexture || stretchWidth != UINT(destWidth) || stretchHeight != UINT(destHeight) ||
        stretchFormat != internalFormat) {
        if (!stretchTexture) glGenTextures(1, &stretchTexture);
        cache.bindTexture(0, GL_TEXTURE_2D, stretchTexture);
        glTexImage2D(GL_TEXTURE_2D, 0, GLint(internalFormat), destWidth, destHeight, 0, transferFormat, transferType,
                     nullptr);
        if (!stretchFbo) glGenFramebuffers(1, &stretchFbo);
        cache.bindDrawFramebuffer(stretchFbo);
        glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, stretchTexture, 0);
        stretchWidth = UINT(destWidth);
        stretchHeight = UINT(destHeight);
        stretchFormat = internalFormat;
    }
    cache.bindTexture(0, GL_TEXTURE_2D, stretchTexture);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, destWidth, destHeight, transferFormat, transferType,
                    stretchResult.data());
    texturesDirty |= 1u;  // unit 0 now holds the stretch texture, not the stage's

    cache.bindReadFramebuffer(stretchFbo);
    cache.bindDrawFramebuffer(drawFbo);
    // A window's row 0 is its bottom, flipped on the way in as Present does; the driver keeps
    // a window's rows top first in memory, so that is the plain copy.
    const GLint top = toWindow ? drawHeight - dr.top : dr.top, bottom = toWindow ? drawHeight - dr.bottom : dr.bottom;
    glBlitFramebuffer(0, 0, destWidth, destHeight, dr.left, top, dr.right, bottom, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    return true;
}

BOOL ZarnStretchPresentsOnCpu(IDirect3DDevice9* device, BOOL onCpu) {
    auto* gl = dynamic_cast<GLDevice*>(device);
    if (!gl) return FALSE;
    gl->stretchOnCpu = onCpu != FALSE;
    return TRUE;
}

// The state cache's setters: compare with the record, call GL only on a difference.
#include "d3d9/gl/GLStateCache.h"

#define ZARN_SAME(condition)  \
    if (condition) {          \
        ++callsSkipped;       \
        return;               \
    }                         \
    ++callsIssued

void GLStateCache::useProgram(GLuint p) {
    ZARN_SAME(program == p);
    program = p;
    glUseProgram(p);
}

void GLStateCache::bindDrawFramebuffer(GLuint fbo) {
    ZARN_SAME(drawFbo == fbo);
    drawFbo = fbo;
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, fbo);
}

void GLStateCache::bindReadFramebuffer(GLuint fbo) {
    ZARN_SAME(readFbo == fbo);
    readFbo = fbo;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
}

void GLStateCache::bindVertexArray(GLuint v) {
    ZARN_SAME(vao == v);
    vao = v;
    glBindVertexArray(v);
}

void GLStateCache::bindArrayBuffer(GLuint buffer) {
    ZARN_SAME(arrayBuffer == buffer);
    arrayBuffer = buffer;
    glBindBuffer(GL_ARRAY_BUFFER, buffer);
}

void GLStateCache::bindElementBuffer(GLuint buffer) {
    ZARN_SAME(elementBuffer == buffer);
    elementBuffer = buffer;
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffer);
}

void GLStateCache::activeUnit(int unit) {
    if (active == unit) return;
    active = unit;
    glActiveTexture(GL_TEXTURE0 + unit);
}

void GLStateCache::bindTexture(int unit, GLenum target, GLuint texture) {
    if (unit < 0 || unit >= maxUnits) return;
    TextureBinding& binding = textures[unit];
    ZARN_SAME(binding.target == target && binding.name == texture);
    activeUnit(unit);
    // A unit holds one texture per target; unbind the old target so that a sampler never
    // finds a stale texture of the other kind.
    if (binding.target && binding.target != target && binding.name) glBindTexture(binding.target, 0);
    glBindTexture(target, texture);
    binding.target = target;
    binding.name = texture;
}

void GLStateCache::bindSampler(int unit, GLuint sampler) {
    if (unit < 0 || unit >= maxUnits) return;
    ZARN_SAME(samplers[unit] == sampler);
    samplers[unit] = sampler;
    glBindSampler(GLuint(unit), sampler);
}

void GLStateCache::forgetTexture(GLuint texture) {
    for (TextureBinding& binding : textures)
        if (binding.name == texture) binding.name = 0;
}

void GLStateCache::forgetBuffer(GLuint buffer) {
    if (arrayBuffer == buffer) arrayBuffer = 0;
    if (elementBuffer == buffer) elementBuffer = 0;
}

void GLStateCache::forgetFramebuffer(GLuint fbo) {
    if (drawFbo == fbo) drawFbo = 0;
    if (readFbo == fbo) readFbo = 0;
}

void GLStateCache::setDepthTest(bool enabled) {
    ZARN_SAME(depth.test == enabled);
    depth.test = enabled;
    enabled ? glEnable(GL_DEPTH_TEST) : glDisable(GL_DEPTH_TEST);
}

void GLStateCache::setDepthMask(bool write) {
    ZARN_SAME(depth.write == write);
    depth.write = write;
    glDepthMask(write ? GL_TRUE : GL_FALSE);
}

void GLStateCache::setDepthFunc(GLenum func) {
    ZARN_SAME(depth.func == func);
    depth.func = func;
    glDepthFunc(func);
}

void GLStateCache::setBlend(bool enabled, GLenum src, GLenum dst) {
    if (blend.enabled != enabled) {
        ++callsIssued;
        blend.enabled = enabled;
        enabled ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
    } else {
        ++callsSkipped;
    }
    // The factors matter only while blending; leave them for the next enabled draw.
    if (!enabled) return;
    ZARN_SAME(blend.src == src && blend.dst == dst);
    blend.src = src;
    blend.dst = dst;
    glBlendFunc(src, dst);
}

void GLStateCache::setCull(bool enabled, GLenum face, GLenum front) {
    if (cull.frontFace != front) {
        cull.frontFace = front;
        glFrontFace(front);
        ++callsIssued;
    }
    if (cull.enabled != enabled) {
        cull.enabled = enabled;
        enabled ? glEnable(GL_CULL_FACE) : glDisable(GL_CULL_FACE);
        ++callsIssued;
    }
    if (!enabled) return;
    ZARN_SAME(cull.face == face);
    cull.face = face;
    glCullFace(face);
}

void GLStateCache::setColorMask(bool r, bool g, bool b, bool a) {
    ZARN_SAME(colorMask.r == r && colorMask.g == g && colorMask.b == b && colorMask.a == a);
    colorMask = {r, g, b, a};
    glColorMask(r, g, b, a);
}

void GLStateCache::setPolygonMode(GLenum mode) {
    ZARN_SAME(polygonMode == mode);
    polygonMode = mode;
    glPolygonMode(GL_FRONT_AND_BACK, mode);
}

void GLStateCache::setViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    ZARN_SAME(viewport.x == x && viewport.y == y && viewport.width == width && viewport.height == height);
    viewport = {x, y, width, height};
    glViewport(x, y, width, height);
}

void GLStateCache::setDepthRange(float nearZ, float farZ) {
    ZARN_SAME(depthRange.nearZ == nearZ && depthRange.farZ == farZ);
    depthRange = {nearZ, farZ};
    glDepthRange(nearZ, farZ);
}

void GLStateCache::setScissor(bool enabled, GLint x, GLint y, GLsizei width, GLsizei height) {
    if (scissor.enabled != enabled) {
        scissor.enabled = enabled;
        enabled ? glEnable(GL_SCISSOR_TEST) : glDisable(GL_SCISSOR_TEST);
        ++callsIssued;
    }
    if (!enabled) return;
    ZARN_SAME(scissor.x == x && scissor.y == y && scissor.width == width && scissor.height == height);
    scissor.x = x;
    scissor.y = y;
    scissor.width = width;
    scissor.height = height;
    glScissor(x, y, width, height);
}

void GLStateCache::setClearColor(float r, float g, float b, float a) {
    ZARN_SAME(clear.r == r && clear.g == g && clear.b == b && clear.a == a);
    clear.r = r;
    clear.g = g;
    clear.b = b;
    clear.a = a;
    glClearColor(r, g, b, a);
}

void GLStateCache::setClearDepth(float d) {
    ZARN_SAME(clear.depth == d);
    clear.depth = d;
    glClearDepth(d);
}

void GLStateCache::setEnabledAttributes(uint32_t mask) {
    ZARN_SAME(enabledAttributes == mask);
    const uint32_t changed = enabledAttributes ^ mask;
    for (int i = 0; i < maxAttributes; ++i) {
        if (!(changed & (1u << i))) continue;
        (mask & (1u << i)) ? glEnableVertexAttribArray(GLuint(i)) : glDisableVertexAttribArray(GLuint(i));
    }
    enabledAttributes = mask;
}

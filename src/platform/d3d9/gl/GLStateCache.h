// What the back end last told GL, in typed records whose defaults are GL's own start-up
// state. Every state change goes through here and is dropped when GL already has the value,
// so the draw path issues only the calls that change something. Nothing here allocates or
// queries GL. Counters let tests and the benchmark see how many calls were skipped.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>

class GLStateCache {
public:
    static constexpr int maxUnits = 16;
    static constexpr int maxAttributes = 8;

    void useProgram(GLuint program);
    void bindDrawFramebuffer(GLuint fbo);
    void bindReadFramebuffer(GLuint fbo);
    void bindVertexArray(GLuint vao);
    void bindArrayBuffer(GLuint buffer);
    // Element-array binding belongs to the bound vertex array; the back end keeps one.
    void bindElementBuffer(GLuint buffer);
    void bindTexture(int unit, GLenum target, GLuint texture);
    void bindSampler(int unit, GLuint sampler);
    // A texture or buffer name that GL is about to delete: forget it wherever it is bound.
    void forgetTexture(GLuint texture);
    void forgetBuffer(GLuint buffer);
    void forgetFramebuffer(GLuint fbo);

    void setDepthTest(bool enabled);
    void setDepthMask(bool write);
    void setDepthFunc(GLenum func);
    void setBlend(bool enabled, GLenum src, GLenum dst);
    void setCull(bool enabled, GLenum face, GLenum frontFace);
    void setColorMask(bool r, bool g, bool b, bool a);
    void setPolygonMode(GLenum mode);
    void setViewport(GLint x, GLint y, GLsizei width, GLsizei height);
    void setDepthRange(float nearZ, float farZ);
    void setScissor(bool enabled, GLint x, GLint y, GLsizei width, GLsizei height);
    void setClearColor(float r, float g, float b, float a);
    void setClearDepth(float depth);
    // Enables exactly the attribute arrays in the mask (bit n = location n).
    void setEnabledAttributes(uint32_t mask);

    uint64_t callsIssued = 0;
    uint64_t callsSkipped = 0;

private:
    void activeUnit(int unit);

    GLuint program = 0;
    GLuint drawFbo = 0;
    GLuint readFbo = 0;
    GLuint vao = 0;
    GLuint arrayBuffer = 0;
    GLuint elementBuffer = 0;
    int active = 0;
    struct TextureBinding {
        GLenum target = 0;
        GLuint name = 0;
    } textures[maxUnits];
    GLuint samplers[maxUnits] = {};

    struct Depth {
        bool test = false;
        bool write = true;
        GLenum func = GL_LESS;
    } depth;
    struct Blend {
        bool enabled = false;
        GLenum src = GL_ONE;
        GLenum dst = GL_ZERO;
    } blend;
    struct Cull {
        bool enabled = false;
        GLenum face = GL_BACK;
        GLenum frontFace = GL_CCW;
    } cull;
    struct ColorMask {
        bool r = true, g = true, b = true, a = true;
    } colorMask;
    GLenum polygonMode = GL_FILL;
    // GL's start-up viewport is the first surface's size, unknown here: width −1 forces the
    // first call through.
    struct Viewport {
        GLint x = 0, y = 0;
        GLsizei width = -1, height = -1;
    } viewport;
    struct DepthRange {
        float nearZ = 0.0f, farZ = 1.0f;
    } depthRange;
    struct Scissor {
        bool enabled = false;
        GLint x = 0, y = 0;
        GLsizei width = -1, height = -1;
    } scissor;
    struct ClearValues {
        float r = 0, g = 0, b = 0, a = 0;
        float depth = 1.0f;
    } clear;
    uint32_t enabledAttributes = 0;
};

// The draw path: turning recorded Direct3D state into GL just before a draw, then the draw.
// Everything here compares against what was sent last (directly or through the state
// cache); apart from a fixed-function state's first draw, which builds its program, nothing
// allocates and nothing queries GL.
#include "d3d9/gl/GLDevice.h"

#include <algorithm>

namespace {
struct PrimitiveShape {
    GLenum mode;
    UINT vertices;
};

// Vertex count of primCount primitives, or 0 for a type this device does not draw.
PrimitiveShape shapeOf(D3DPRIMITIVETYPE type, UINT primCount) {
    switch (type) {
    case D3DPT_POINTLIST: return {GL_POINTS, primCount};
    case D3DPT_LINELIST: return {GL_LINES, primCount * 2};
    case D3DPT_LINESTRIP: return {GL_LINE_STRIP, primCount + 1};
    case D3DPT_TRIANGLELIST: return {GL_TRIANGLES, primCount * 3};
    case D3DPT_TRIANGLESTRIP: return {GL_TRIANGLE_STRIP, primCount + 2};
    case D3DPT_TRIANGLEFAN: return {GL_TRIANGLE_FAN, primCount + 2};
    default: return {GL_TRIANGLES, 0};
    }
}

// Primitive counts beyond this are corrupt input, not geometry.
constexpr UINT maxPrimitives = 1u << 26;
}  // namespace

void GLDevice::applyRenderStates() {
    const DWORD* rs = renderStates;
    const bool hasDepth = targetDepth != 0;
    cache.setDepthTest(hasDepth && rs[D3DRS_ZENABLE] != D3DZB_FALSE);
    cache.setDepthMask(rs[D3DRS_ZWRITEENABLE] != FALSE);
    cache.setDepthFunc(glconv::compareFunc(rs[D3DRS_ZFUNC]));
    cache.setBlend(rs[D3DRS_ALPHABLENDENABLE] != FALSE, glconv::blendFactor(rs[D3DRS_SRCBLEND]),
                   glconv::blendFactor(rs[D3DRS_DESTBLEND]));
    const DWORD cull = rs[D3DRS_CULLMODE];
    // Front faces are clockwise; D3DCULL_CCW culls the back ones.
    cache.setCull(cull == D3DCULL_CW || cull == D3DCULL_CCW, cull == D3DCULL_CW ? GL_FRONT : GL_BACK,
                  glconv::frontFace());
    const DWORD mask = rs[D3DRS_COLORWRITEENABLE];
    cache.setColorMask(mask & 1, mask & 2, mask & 4, mask & 8);
    cache.setPolygonMode(rs[D3DRS_FILLMODE] == 1 ? GL_POINT : rs[D3DRS_FILLMODE] == 2 ? GL_LINE : GL_FILL);
    fixedFunction.setLighting(rs[D3DRS_LIGHTING] != FALSE, rs[D3DRS_SPECULARENABLE] != FALSE,
                              rs[D3DRS_NORMALIZENORMALS] != FALSE, rs[D3DRS_AMBIENT]);
    fixedFunction.setAlphaTest(rs[D3DRS_ALPHATESTENABLE] != FALSE, rs[D3DRS_ALPHAFUNC], rs[D3DRS_ALPHAREF]);
    renderStatesDirty = false;
}

void GLDevice::applyVertexInput(INT baseVertex) {
    uint32_t enabled = 0;
    if (declaration) {
        for (const GLVertexDeclaration::Attribute& a : declaration->attributes()) {
            if (a.stream >= streamCount) continue;
            const Stream& s = streams[a.stream];
            if (!s.buffer || !s.buffer->name()) continue;
            cache.bindArrayBuffer(s.buffer->name());
            // GL 3.3 has no base vertex for non-indexed draws; fold it into the pointer.
            const uintptr_t offset = uintptr_t(s.offset) + a.offset + uintptr_t(intptr_t(baseVertex) * s.stride);
            glVertexAttribPointer(GLuint(a.location), a.components, a.type, a.normalized, GLsizei(s.stride),
                                  reinterpret_cast<const void*>(offset));
            enabled |= 1u << a.location;
        }
    }
    cache.setEnabledAttributes(enabled);
    fixedFunction.setVertexColour(declaration && declaration->hasColor());
    inputDirty = false;
    appliedBaseVertex = baseVertex;
}

void GLDevice::applyTextures() {
    for (int unit = 0; unit < samplerCount; ++unit) {
        if (!(texturesDirty & (1u << unit))) continue;
        GLTextureBase* texture = glTextureOf(textures[unit]);
        if (texture && texture->name()) cache.bindTexture(unit, texture->target(), texture->name());
        else cache.bindTexture(unit, GL_TEXTURE_2D, 0);
    }
    texturesDirty = 0;
}

void GLDevice::applyProgramFixups(GLuint program) {
    if (program >= programs.size()) return;
    ProgramRecord& record = programs[program];
    if (record.fixupVersion == fixupVersion || record.posFixupLocation < 0) return;
    const glconv::PosFixup f = glconv::posFixupForViewport(viewport.Width, viewport.Height, depthFromShader);
    glUniform4f(record.posFixupLocation, f.x, f.y, f.flip, f.depthFromShader);
    record.fixupVersion = fixupVersion;
}

bool GLDevice::prepareDraw() {
    if (!makeCurrent()) return false;
    if (!bindTargetFramebuffer()) return false;
    if (renderStatesDirty) applyRenderStates();
    if (texturesDirty) applyTextures();
    GLuint program = currentProgram;
    if (!currentProgram) {
        GLTextureBase* stage0 = glTextureOf(textures[0]);
        fixedFunction.setStage0(stageStates[0][D3DTSS_COLOROP], stage0 && stage0->target() == GL_TEXTURE_2D,
                                stageStates[0][D3DTSS_TEXTURETRANSFORMFLAGS]);
        bool built = false;
        program = fixedFunction.selectProgram(&built);
        if (built) {
            if (program >= programs.size()) programs.resize(size_t(program) + 1);
            programs[program] = ProgramRecord{};
            programs[program].posFixupLocation = fixedFunction.posFixupLocation();
        }
    }
    cache.useProgram(program);
    applyProgramFixups(program);
    if (!currentProgram) fixedFunction.upload();
    if (renderTarget->container()) renderTarget->container()->markWritten();
    return true;
}

HRESULT GLDevice::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) {
    const PrimitiveShape shape = shapeOf(PrimitiveType, PrimitiveCount);
    if (PrimitiveCount > maxPrimitives || shape.vertices == 0 || !declaration) return D3DERR_INVALIDCALL;
    ++drawCount;
    primitiveCount += PrimitiveCount;
    if (drawsSuppressed) return D3D_OK;
    if (!prepareDraw()) return D3DERR_INVALIDCALL;
    if (inputDirty) applyVertexInput(0);
    glDrawArrays(shape.mode, GLint(StartVertex), GLsizei(shape.vertices));
    return D3D_OK;
}

HRESULT GLDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, INT BaseVertexIndex, UINT, UINT,
                                       UINT startIndex, UINT primCount) {
    const PrimitiveShape shape = shapeOf(PrimitiveType, primCount);
    if (primCount > maxPrimitives || shape.vertices == 0 || !declaration || !indices || !indices->name())
        return D3DERR_INVALIDCALL;
    const UINT indexSize = indices->format() == D3DFMT_INDEX32 ? 4 : 2;
    // Reading past the index buffer is what a corrupt mesh would make GL do; refuse it.
    if (uint64_t(startIndex) + shape.vertices > indices->size() / indexSize) return D3DERR_INVALIDCALL;
    ++drawCount;
    primitiveCount += primCount;
    if (drawsSuppressed) return D3D_OK;
    if (!prepareDraw()) return D3DERR_INVALIDCALL;
    if (inputDirty) applyVertexInput(0);
    cache.bindElementBuffer(indices->name());
    glDrawElementsBaseVertex(shape.mode, GLsizei(shape.vertices), indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                             reinterpret_cast<const void*>(uintptr_t(startIndex) * indexSize), BaseVertexIndex);
    return D3D_OK;
}

HRESULT GLDevice::Clear(DWORD Count, const void* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD) {
    if (Count && !pRects) return D3DERR_INVALIDCALL;
    if ((Flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) && !targetDepth) return D3DERR_INVALIDCALL;
    if (!makeCurrent()) return D3DERR_DEVICELOST;
    if (!bindTargetFramebuffer()) return D3DERR_INVALIDCALL;
    GLbitfield mask = 0;
    if (Flags & D3DCLEAR_TARGET) {
        mask |= GL_COLOR_BUFFER_BIT;
        cache.setClearColor(float((Color >> 16) & 0xff) / 255.0f, float((Color >> 8) & 0xff) / 255.0f,
                            float(Color & 0xff) / 255.0f, float((Color >> 24) & 0xff) / 255.0f);
        // Direct3D's Clear ignores the colour write mask.
        cache.setColorMask(true, true, true, true);
        if (renderTarget->container()) renderTarget->container()->markWritten();
    }
    if (Flags & D3DCLEAR_ZBUFFER) {
        mask |= GL_DEPTH_BUFFER_BIT;
        cache.setClearDepth(Z < 0.0f ? 0.0f : Z > 1.0f ? 1.0f : Z);
        cache.setDepthMask(true);
    }
    if (Flags & D3DCLEAR_STENCIL) mask |= GL_STENCIL_BUFFER_BIT;
    renderStatesDirty = true;
    if (!mask) return D3D_OK;
    // Clear covers the viewport, or the given rectangles within it.
    const LONG vx0 = LONG(viewport.X), vy0 = LONG(viewport.Y);
    const LONG vx1 = vx0 + LONG(viewport.Width), vy1 = vy0 + LONG(viewport.Height);
    const bool fullTarget = vx0 == 0 && vy0 == 0 && UINT(vx1) == renderTarget->width() &&
                            UINT(vy1) == renderTarget->height();
    if (Count == 0) {
        if (fullTarget) cache.setScissor(false, 0, 0, 0, 0);
        else cache.setScissor(true, vx0, vy0, vx1 - vx0, vy1 - vy0);
        glClear(mask);
    } else {
        const RECT* rects = static_cast<const RECT*>(pRects);
        for (DWORD i = 0; i < Count; ++i) {
            const LONG x0 = std::max(rects[i].left, vx0), y0 = std::max(rects[i].top, vy0);
            const LONG x1 = std::min(rects[i].right, vx1), y1 = std::min(rects[i].bottom, vy1);
            if (x0 >= x1 || y0 >= y1) continue;
            cache.setScissor(true, x0, y0, x1 - x0, y1 - y0);
            glClear(mask);
        }
    }
    cache.setScissor(false, 0, 0, 0, 0);
    return D3D_OK;
}

HRESULT GLDevice::BeginScene() {
    if (inScene) return D3DERR_INVALIDCALL;
    inScene = true;
    return D3D_OK;
}

HRESULT GLDevice::EndScene() {
    if (!inScene) return D3DERR_INVALIDCALL;
    inScene = false;
    return D3D_OK;
}

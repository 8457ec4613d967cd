// Vertex declarations, resolved once into attribute locations and GL pointer formats so the
// draw path only replays them.
#include "d3d9/gl/GLResources.h"

GLVertexDeclaration* GLVertexDeclaration::create(const D3DVERTEXELEMENT9* elements) {
    if (!elements) return nullptr;
    auto* decl = new GLVertexDeclaration;
    for (int i = 0;; ++i) {
        if (i >= MAXD3DDECLLENGTH) {
            delete decl;
            return nullptr;
        }
        const D3DVERTEXELEMENT9& e = elements[i];
        decl->elements.push_back(e);
        if (e.Stream == 0xFF) break;
        Attribute a{};
        a.stream = e.Stream;
        a.offset = e.Offset;
        a.normalized = GL_FALSE;
        switch (e.Type) {
        case D3DDECLTYPE_FLOAT1: a.components = 1; a.type = GL_FLOAT; break;
        case D3DDECLTYPE_FLOAT2: a.components = 2; a.type = GL_FLOAT; break;
        case D3DDECLTYPE_FLOAT3: a.components = 3; a.type = GL_FLOAT; break;
        case D3DDECLTYPE_FLOAT4: a.components = 4; a.type = GL_FLOAT; break;
        // D3DCOLOR is B, G, R, A in memory; GL's BGRA size swaps it back to r, g, b, a.
        case D3DDECLTYPE_D3DCOLOR: a.components = GL_BGRA; a.type = GL_UNSIGNED_BYTE; a.normalized = GL_TRUE; break;
        case D3DDECLTYPE_UBYTE4: a.components = 4; a.type = GL_UNSIGNED_BYTE; break;
        default:
            delete decl;
            return nullptr;
        }
        a.location = glconv::attributeLocation(e.Usage, e.UsageIndex);
        if (a.location < 0) continue;
        if (a.location == 5) decl->colour = true;
        decl->attrs.push_back(a);
    }
    return decl;
}

ULONG GLVertexDeclaration::Release() {
    const ULONG left = --refs;
    if (left == 0) delete this;
    return left;
}

HRESULT GLVertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements) {
    if (!pNumElements) return D3DERR_INVALIDCALL;
    if (pElement)
        for (size_t i = 0; i < elements.size(); ++i) pElement[i] = elements[i];
    *pNumElements = UINT(elements.size());
    return D3D_OK;
}

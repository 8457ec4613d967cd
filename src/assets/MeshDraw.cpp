// Issuing a mesh's draw calls. The caller has set transforms, material, textures and the
// effect pass; drawing sets only the declaration, stream, indices and draws, and leaves
// them in place.
#include "assets/Mesh.h"

#include "shell/Diagnostics.h"

void Mesh::draw(IDirect3DDevice9* device) {
    if (xMesh) {
        // A .x file without materials has no subset 0 to draw.
        if (!device || xMaterialCount < 1) return;
        if (FAILED(device->SetVertexDeclaration(vertexDecl))) debugPrintf("Error setting VertexDeclaration in Mesh::draw()");
        xMesh->DrawSubset(0);
        return;
    }
    if (primGroups) {
        if (!vertexBuffer || !indexBuffer || !device) return;
        device->SetVertexDeclaration(vertexDecl);
        device->SetStreamSource(0, vertexBuffer, 0, sizeof(MeshVertex));
        device->SetIndices(indexBuffer);
        UINT start = 0;
        for (int32_t g = 0; g < primGroupCount; ++g) {
            const MeshPrimGroup& group = primGroups[g];
            // A group too short for one triangle would ask for a negative (wrapped) count.
            if (group.primitiveCount() > 0)
                device->DrawIndexedPrimitive(group.type, 0, 0, static_cast<UINT>(stripVertexCount), start,
                                             static_cast<UINT>(group.primitiveCount()));
            start += static_cast<UINT>(group.indexCount);
        }
        return;
    }
    if (!vertexBuffer || !device) return;
    device->SetStreamSource(0, vertexBuffer, 0, sizeof(MeshVertex));
    device->SetVertexDeclaration(vertexDecl);
    if (sharedCornerCount) {
        device->SetIndices(indexBuffer);
        device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, sharedCornerCount, 0, static_cast<UINT>(faces.count));
        return;
    }
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(faces.count));
}

void Mesh::drawShadowCaster(IDirect3DDevice9* device, const D3DXMATRIX* world) {
    if (!casterVertexBuffer || !casterIndexBuffer || !casterDecl || !device || xMesh || primGroups) {
        draw(device);
        return;
    }
    DWORD before = D3DCULL_NONE;
    const bool culling = casterCulling != D3DCULL_NONE && SUCCEEDED(device->GetRenderState(D3DRS_CULLMODE, &before));
    if (culling) {
        const bool mirrored = world && D3DXMatrixDeterminant(world) < 0.0f;
        const DWORD flipped = casterCulling == D3DCULL_CCW ? D3DCULL_CW : D3DCULL_CCW;
        device->SetRenderState(D3DRS_CULLMODE, mirrored ? flipped : casterCulling);
    }
    device->SetVertexDeclaration(casterDecl);
    device->SetStreamSource(0, casterVertexBuffer, 0, sizeof(MeshFloat3));
    device->SetIndices(casterIndexBuffer);
    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, casterCornerCount, 0, casterTriangleCount);
    if (culling) device->SetRenderState(D3DRS_CULLMODE, before);
}

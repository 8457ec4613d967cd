// UIWidgetMesh drawing: its own placement under the parent's.
#include "scene/UIWidgetMesh.h"

void UIWidgetMesh::draw(RenderPass pass, const D3DXMATRIX* parentWorld, IDirect3DDevice9* device) {
    if (hidden) return;
    D3DXMATRIX world = widgetWorld(transform.matrix, parentWorld);
    if (mesh && material) drawWithMaterial(pass, &world, device, mesh, material);
}

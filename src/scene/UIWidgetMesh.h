// UIWidgetMesh: a plain drawable widget, one mesh with one material at its own placement.
// Most of the clock's parts (hands, logo letters, globe, moon, gears, backdrops) are these.
#pragma once

#include "scene/UIWidget.h"

class UIWidgetMesh : public UIWidget {
public:
    uint8_t getType() override { return widgetTypeMesh; }
    void update(int32_t, bool) override {}
    void draw(RenderPass pass, const D3DXMATRIX* parentWorld, IDirect3DDevice9* device) override;
    // Plain meshes are scenery: never picked.
    float pick(const Vec3&, const Vec3&, float bestDistance, UIWidget**, float*) override { return bestDistance; }
};

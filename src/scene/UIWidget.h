// UIWidget: the base of the clock's widget tree. A widget is a placed node that may draw one
// mesh with one material (both owned by the asset library), can be hidden, and answers the
// per-frame update, the per-pass draw, ray picking and mouse messages. UIWidgetMesh and
// UIWidgetFrame (the root container) and the counters derive from it.
#pragma once

#include "math/Transform.h"
#include "math/Vec3.h"

#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>

#include <cstdint>

class Mesh;
class Material;

// The pass a draw belongs to; any other code draws nothing.
typedef uint8_t RenderPass;
constexpr RenderPass renderPassShadowMap = 0;
constexpr RenderPass renderPassColour = 1;

// Kind codes returned by getType.
constexpr uint8_t widgetTypeFrame = 0;
constexpr uint8_t widgetTypeCounter = 5;
constexpr uint8_t widgetTypeMesh = 6;

class UIWidget {
public:
    UIWidget() = default;
    UIWidget(const UIWidget&) = delete;
    UIWidget& operator=(const UIWidget&) = delete;
    virtual ~UIWidget();

    virtual uint8_t getType() = 0;
    virtual void update(int32_t elapsedMs, bool frozen) = 0;
    // The one route by which any widget puts a mesh on screen, for either pass.
    virtual void drawWithMaterial(RenderPass pass, const D3DXMATRIX* world, IDirect3DDevice9* device, Mesh* drawMesh,
                                  Material* drawMaterial);
    // The base draws with the parent's matrix as it is; kinds that place themselves override.
    virtual void draw(RenderPass pass, const D3DXMATRIX* parentWorld, IDirect3DDevice9* device);
    // The ray is in the parent's space. Returns the new best distance (callers start at -1)
    // and sets hitWidget when this widget is nearer than the best so far.
    virtual float pick(const Vec3& origin, const Vec3& direction, float bestDistance, UIWidget** hitWidget,
                       float* hitCoords);
    virtual bool handleMouse(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void show();
    virtual void hide();
    virtual bool isAnimating();
    virtual int32_t getState();

    bool hidden = false;
    // False for a part that can shadow nothing that is drawn: it then stays out of the shadow
    // pass, which leaves the shadow map's comparisons, and so the picture, as they were.
    bool castsShadow = true;
    // True for a part that never moves: its shadow is kept from frame to frame and drawn again
    // only when its placement (or the light) does change after all.
    bool stationary = false;
    Material* material = nullptr;
    Mesh* mesh = nullptr;
    Mesh* pickMesh = nullptr;
    Transform transform;
    int32_t state = 1;

protected:
    // Tests the local ray against this widget's pick mesh (or mesh) and keeps the nearer hit.
    float pickOwnMesh(const Vec3& localOrigin, const Vec3& localDirection, float bestDistance, UIWidget** hitWidget,
                      float* hitCoords);
};

// The one widget drawn highlighted; nothing in the clock sets it.
extern UIWidget* highlightedWidget;

// world = local × parent, row vectors: the local placement applies first.
D3DXMATRIX widgetWorld(const D3DXMATRIX& local, const D3DXMATRIX* parentWorld);

// Brings a ray into the space under `placement` (direction normalised); false when the
// placement is degenerate (a zero scale) and has no local space.
bool rayToLocal(const D3DXMATRIX& placement, const Vec3& origin, const Vec3& direction, Vec3* localOrigin,
                Vec3* localDirection);

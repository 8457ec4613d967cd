// UIWidget's shared behaviour: drawing a mesh with a material in the shadow-map or colour
// pass, and the ray test against the widget's own mesh.
#include "scene/UIWidget.h"

#include "assets/Material.h"
#include "assets/Mesh.h"

UIWidget* highlightedWidget = nullptr;

UIWidget::~UIWidget() = default;

D3DXMATRIX widgetWorld(const D3DXMATRIX& local, const D3DXMATRIX* parentWorld) {
    D3DXMATRIX world;
    if (parentWorld)
        D3DXMatrixMultiply(&world, &local, parentWorld);
    else
        world = local;
    return world;
}

void UIWidget::drawWithMaterial(RenderPass pass, const D3DXMATRIX* world, IDirect3DDevice9* device, Mesh* drawMesh,
                                Material* drawMaterial) {
    if (!device || !drawMesh || !drawMaterial) return;
    if (pass == renderPassShadowMap && (!castsShadow || !drawMaterial->shadowDrawWanted(drawMesh, *world, stationary)))
        return;
    device->SetTransform(D3DTS_WORLD, world);
    if (pass == renderPassShadowMap) {
        // The shadow effect reads the world matrix just set on the device.
        drawMaterial->bindShadowEffect(device);
        drawMesh->drawShadowCaster(device, world);
        drawMaterial->endShadowDraw();
    } else if (pass == renderPassColour) {
        const bool highlighted = (highlightedWidget == this);
        if (highlighted) drawMaterial->highlightOn();
        ID3DXEffect* effect = nullptr;
        if (drawMaterial->bindEffect(&effect, device) && effect) {
            UINT passCount = 0;
            effect->Begin(&passCount, 0);
            // Techniques list their simpler passes first; the last one is the full look.
            effect->BeginPass(passCount > 0 ? passCount - 1 : 0);
            drawMesh->draw(device);
            effect->EndPass();
            effect->End();
        } else {
            drawMaterial->applyFixedFunction(device);
            drawMesh->draw(device);
            drawMaterial->endFixedFunction(device);
        }
        if (highlighted) drawMaterial->highlightOff();
    }
}

void UIWidget::draw(RenderPass pass, const D3DXMATRIX* parentWorld, IDirect3DDevice9* device) {
    if (hidden || !mesh || !material) return;
    D3DXMATRIX world;
    if (parentWorld)
        world = *parentWorld;
    else
        D3DXMatrixIdentity(&world);
    drawWithMaterial(pass, &world, device, mesh, material);
}

bool rayToLocal(const D3DXMATRIX& placement, const Vec3& origin, const Vec3& direction, Vec3* localOrigin,
                Vec3* localDirection) {
    D3DXMATRIX inverse;
    if (!D3DXMatrixInverse(&inverse, nullptr, &placement)) return false;
    D3DXVECTOR3 o(origin.x, origin.y, origin.z), d(direction.x, direction.y, direction.z);
    D3DXVECTOR3 lo, ld;
    D3DXVec3TransformCoord(&lo, &o, &inverse);
    D3DXVec3TransformNormal(&ld, &d, &inverse);
    D3DXVec3Normalize(&ld, &ld);
    *localOrigin = Vec3(lo.x, lo.y, lo.z);
    *localDirection = Vec3(ld.x, ld.y, ld.z);
    return true;
}

float UIWidget::pickOwnMesh(const Vec3& localOrigin, const Vec3& localDirection, float bestDistance,
                            UIWidget** hitWidget, float* hitCoords) {
    Mesh* target = pickMesh ? pickMesh : mesh;
    if (!target) return bestDistance;
    D3DXVECTOR3 lo(localOrigin.x, localOrigin.y, localOrigin.z);
    D3DXVECTOR3 ld(localDirection.x, localDirection.y, localDirection.z);
    D3DXVECTOR2 coords(0.0f, 0.0f);
    float distance = target->intersectRay(lo, ld, hitCoords ? &coords : nullptr);
    if (distance > 0.0f && (bestDistance < 0.0f || distance < bestDistance)) {
        bestDistance = distance;
        if (hitWidget) *hitWidget = this;
        // Only the accepted hit's coordinates are handed back, not those of a farther one.
        if (hitCoords) {
            hitCoords[0] = coords.x;
            hitCoords[1] = coords.y;
        }
    }
    return bestDistance;
}

float UIWidget::pick(const Vec3& origin, const Vec3& direction, float bestDistance, UIWidget** hitWidget,
                     float* hitCoords) {
    if (!mesh) return bestDistance;
    Vec3 localOrigin, localDirection;
    if (!rayToLocal(transform.matrix, origin, direction, &localOrigin, &localDirection)) return bestDistance;
    return pickOwnMesh(localOrigin, localDirection, bestDistance, hitWidget, hitCoords);
}

bool UIWidget::handleMouse(UINT, WPARAM, LPARAM) { return false; }
void UIWidget::show() { hidden = false; }
void UIWidget::hide() { hidden = true; }
bool UIWidget::isAnimating() { return false; }
int32_t UIWidget::getState() { return state; }

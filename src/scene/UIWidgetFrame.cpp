// UIWidgetFrame: child traversal in slot order and the frame's own animated states.
#include "scene/UIWidgetFrame.h"

#include "assets/Animation.h"

UIWidgetFrame* currentFrame = nullptr;

UIWidgetFrame::UIWidgetFrame() { state = stateClosed; }

UIWidgetFrame::~UIWidgetFrame() = default;

void UIWidgetFrame::setNumChildren(int32_t count) {
    if (count < 0) count = 0;
    children.reset(count > 0 ? new UIWidget*[size_t(count)]() : nullptr);
    childCount = count;
    drawOrder.reset();
}

void UIWidgetFrame::setChild(int32_t index, UIWidget* child) {
    if (index < 0 || index >= childCount) return;
    children[index] = child;
}

UIWidget* UIWidgetFrame::getChild(int32_t index) const {
    if (index < 0 || index >= childCount) return nullptr;
    return children[index];
}

void UIWidgetFrame::update(int32_t elapsedMs, bool frozen) {
    // Children keep time even while their frame is hidden, so they are current when shown.
    for (int32_t i = 0; i < childCount; ++i)
        if (children[i]) children[i]->update(elapsedMs, frozen);
    if (hidden || frozen) return;

    switch (state) {
    case stateOpening:
        if (openAnimation) {
            if (openAnimation->advance(elapsedMs)) state = stateOpen;
            transform = openAnimation->pose;
        }
        break;
    case stateClosing:
        if (closeAnimation) {
            if (closeAnimation->advance(elapsedMs)) {
                state = stateClosed;
                collapsed = true;
            }
            transform = closeAnimation->pose;
        }
        break;
    case statePlayingCustom:
        if (customAnimation) {
            if (customAnimation->advance(elapsedMs)) state = stateCustomFinished;
            transform = customAnimation->pose;
        }
        break;
    default:
        break;
    }
}

bool UIWidgetFrame::setDrawOrder(const int32_t* order, int32_t count) {
    if (!order || count != childCount + 1) return false;
    // Each entry once: a repeat would draw a part twice and leave another out.
    std::unique_ptr<bool[]> seen(new bool[size_t(count)]());
    for (int32_t i = 0; i < count; ++i) {
        const int32_t entry = order[i];
        if (entry < kOwnMesh || entry >= childCount || seen[size_t(entry + 1)]) return false;
        seen[size_t(entry + 1)] = true;
    }
    drawOrder.reset(new int32_t[size_t(count)]);
    for (int32_t i = 0; i < count; ++i) drawOrder[size_t(i)] = order[i];
    return true;
}

void UIWidgetFrame::draw(RenderPass pass, const D3DXMATRIX* parentWorld, IDirect3DDevice9* device) {
    if (hidden || collapsed) return;
    D3DXMATRIX placement;
    D3DXMatrixMultiply(&placement, &transform.matrix, &frameTransform.matrix);
    D3DXMATRIX world = widgetWorld(placement, parentWorld);
    // Without an order of its own: the frame's mesh, then the children by slot.
    for (int32_t i = 0; i <= childCount; ++i) {
        const int32_t entry = drawOrder ? drawOrder[size_t(i)] : i - 1;
        if (entry == kOwnMesh) {
            if (mesh && material) drawWithMaterial(pass, &world, device, mesh, material);
        } else if (children[size_t(entry)]) {
            children[size_t(entry)]->draw(pass, &world, device);
        }
    }
}

float UIWidgetFrame::pick(const Vec3& origin, const Vec3& direction, float bestDistance, UIWidget** hitWidget,
                          float* hitCoords) {
    if (hidden || collapsed) return bestDistance;
    D3DXMATRIX placement;
    D3DXMatrixMultiply(&placement, &transform.matrix, &frameTransform.matrix);
    Vec3 localOrigin, localDirection;
    if (!rayToLocal(placement, origin, direction, &localOrigin, &localDirection)) return bestDistance;
    bestDistance = pickOwnMesh(localOrigin, localDirection, bestDistance, hitWidget, hitCoords);
    for (int32_t i = 0; i < childCount; ++i)
        if (children[i]) bestDistance = children[i]->pick(localOrigin, localDirection, bestDistance, hitWidget, nullptr);
    return bestDistance;
}

bool UIWidgetFrame::isAnimating() {
    return (state == stateOpening && openAnimation && openAnimation->isPlaying()) ||
           (state == stateClosing && closeAnimation && closeAnimation->isPlaying()) ||
           (state == statePlayingCustom && customAnimation && customAnimation->isPlaying());
}

void UIWidgetFrame::open(bool force) {
    if (!openAnimation || !(force || state == stateClosed)) return;
    openAnimation->restart();
    state = stateOpening;
    currentFrame = this;
    transform = openAnimation->pose;
    collapsed = false;
}

void UIWidgetFrame::close(bool force) {
    if (!closeAnimation || !(force || state == stateOpen || state == stateCustomFinished)) return;
    closeAnimation->restart();
    state = stateClosing;
    currentFrame = this;
    transform = closeAnimation->pose;
}

void UIWidgetFrame::playCustom(Animation* animation, bool makeCurrent, int32_t startDelayMs) {
    state = statePlayingCustom;
    if (makeCurrent) currentFrame = this;
    collapsed = false;
    customAnimation = animation;
    if (!animation) return;
    animation->restart();
    animation->setDelay(startDelayMs);
    transform = animation->pose;
}

void UIWidgetFrame::stopCustom() {
    state = stateCustomFinished;
    customAnimation = nullptr;
}

void UIWidgetFrame::resetPose() {
    state = stateClosed;
    transform.reset();
}

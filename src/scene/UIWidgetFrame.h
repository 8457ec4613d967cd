// UIWidgetFrame: the container widget, root of the clock. It holds an ordered, fixed-size list
// of child widgets (not owned), an extra placement between its own and its parent's, and
// optional open / close / custom animations that pose it while they play.
#pragma once

#include "scene/UIWidget.h"

#include <memory>

class Animation;

class UIWidgetFrame : public UIWidget {
public:
    // Frame states.
    enum : int32_t { stateOpening = 0, stateOpen = 1, stateClosing = 2, stateClosed = 3, statePlayingCustom = 7,
                     stateCustomFinished = 8 };

    UIWidgetFrame();
    ~UIWidgetFrame() override;

    uint8_t getType() override { return widgetTypeFrame; }
    void update(int32_t elapsedMs, bool frozen) override;
    void draw(RenderPass pass, const D3DXMATRIX* parentWorld, IDirect3DDevice9* device) override;
    float pick(const Vec3& origin, const Vec3& direction, float bestDistance, UIWidget** hitWidget,
               float* hitCoords) override;
    bool isAnimating() override;
    virtual void open(bool force);
    virtual void close(bool force);
    virtual void resetPose();

    // Allocates `count` empty slots; a second call replaces the list.
    void setNumChildren(int32_t count);
    // Out-of-range slots are ignored.
    void setChild(int32_t index, UIWidget* child);
    UIWidget* getChild(int32_t index) const;
    int32_t getNumChildren() const { return childCount; }
    // A drawing order of its own for both passes: every child slot once and kOwnMesh (the
    // frame's own mesh) once, nearest first, so that the renderer's early depth test turns
    // hidden parts away before they are shaded. Only for parts whose picture does not depend
    // on the order (opaque, no coplanar overlaps). Anything but such a complete list is refused
    // (false) and the frame keeps drawing its mesh first and then the children by slot;
    // setNumChildren forgets the order.
    static constexpr int32_t kOwnMesh = -1;
    bool setDrawOrder(const int32_t* order, int32_t count);
    void playCustom(Animation* animation, bool makeCurrent, int32_t startDelayMs);
    void stopCustom();

    Animation* openAnimation = nullptr;
    Animation* closeAnimation = nullptr;
    Animation* customAnimation = nullptr;
    Transform frameTransform;
    bool collapsed = true;

private:
    int32_t childCount = 0;
    std::unique_ptr<UIWidget*[]> children;
    std::unique_ptr<int32_t[]> drawOrder;  // childCount + 1 entries, or null
};

// The frame most recently opened, closed or made current by playCustom.
extern UIWidgetFrame* currentFrame;

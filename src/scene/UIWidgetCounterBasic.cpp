// UIWidgetCounterBasic: the drum's forward-only roll and its sliding label window.
#include "scene/UIWidgetCounterBasic.h"

#include "assets/Material.h"
#include "shell/Diagnostics.h"

#include <cmath>

void UIWidgetCounterBasic::setNumDigits(int32_t, bool, bool, bool) {
    debugPrintf("UIWidgetCounterBasic::setNumDigits unsupported.  use setDigitWrap instead\n");
}

void UIWidgetCounterBasic::setDigitWrap(float width, float height, int32_t labelCount) {
    labelWidth = width;
    labelHeight = height;
    maxValue = labelCount;
}

void UIWidgetCounterBasic::update(int32_t elapsedMs, bool) {
    if (value == float(target)) return;
    // A drum without labels has nowhere to roll (and the remainder below would be NaN).
    if (maxValue <= 0) return;
    const float old = value;
    const float moved = std::fmod(old + float(elapsedMs) / 1000.0f, float(maxValue));
    const float t = float(target);
    if ((t > old && t < moved) || (old > moved && t < moved))
        value = t;
    else
        value = moved;
}

void UIWidgetCounterBasic::draw(RenderPass pass, const D3DXMATRIX* parentWorld, IDirect3DDevice9* device) {
    if (hidden || !mesh || !material) return;
    // A window two labels high, centred on label floor(value) when the value is whole.
    material->setTexTransform(labelWidth, (1.0f - labelWidth) * 0.5f, 2.0f * labelHeight,
                              (value - 0.5f) * labelHeight);
    D3DXMATRIX world = widgetWorld(transform.matrix, parentWorld);
    drawWithMaterial(pass, &world, device, mesh, material);
}

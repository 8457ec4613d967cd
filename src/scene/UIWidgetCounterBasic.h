// UIWidgetCounterBasic: a single label drum (hour, weekday, month, day of month). The drum's
// texture is a strip of labels; it rolls forwards at one label per second until it shows its
// target, going round through the end of the strip to reach a smaller one.
#pragma once

#include "scene/UIWidgetCounter.h"

class UIWidgetCounterBasic : public UIWidgetCounter {
public:
    void update(int32_t elapsedMs, bool frozen) override;
    void draw(RenderPass pass, const D3DXMATRIX* parentWorld, IDirect3DDevice9* device) override;
    // A drum has no digit wheels; refused with a message.
    void setNumDigits(int32_t count, bool timeFormatOn, bool timerModeOn, bool perDigitRolling) override;

    // Label column width and label height as fractions of the texture, and the label count.
    void setDigitWrap(float width, float height, int32_t labelCount);
    void setTarget(int32_t t) { target = t; }
    int32_t getLabelCount() const { return maxValue; }

    float labelWidth = 1.0f;
    float labelHeight = 0.1f;
};

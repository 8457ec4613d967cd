// UIWidgetCounter: a multi-digit odometer. One digit-wheel mesh is drawn per digit, and the
// label each wheel shows is picked by sliding the material's texture transform over a strip
// of digits; the wheels carry into each other like a mechanical counter. The clock's minute
// and second read-outs are two of these in time format (the tens wheel wraps at 6).
#pragma once

#include "scene/UIWidget.h"

#include <memory>

class UIWidgetCounter : public UIWidget {
public:
    UIWidgetCounter();
    ~UIWidgetCounter() override;

    uint8_t getType() override { return widgetTypeCounter; }
    void update(int32_t elapsedMs, bool frozen) override;
    void draw(RenderPass pass, const D3DXMATRIX* parentWorld, IDirect3DDevice9* device) override;
    // Counters are read-outs, not controls.
    float pick(const Vec3&, const Vec3&, float bestDistance, UIWidget**, float*) override { return bestDistance; }
    bool handleMouse(UINT, WPARAM, LPARAM) override { return false; }
    // Digit count 1 to 9; other counts are refused, as they would overflow maxValue.
    virtual void setNumDigits(int32_t count, bool timeFormatOn, bool timerModeOn, bool perDigitRolling);

    // Shows v at once, without rolling; the target becomes v truncated toward zero.
    void setValue(float v);
    // Shows v at once; with per-digit rolling each wheel is also set to its digit.
    void setValueFromInt(int32_t v);
    void incrementTarget();
    void pause() { paused = true; }
    void resume() { paused = false; }
    float getValue() const { return value; }
    void countDown(float x);
    bool isSettled() const;
    // Wheel i's position (0 = least significant); 0 when there is no such wheel.
    float getDigit(int32_t i) const;

    int32_t target = 0;  // -1 shows every wheel blank
    float digitWidth = 0.24f;
    float separatorWidth = 0.08f;
    bool timerMode = false;
    bool rollDigits = false;
    float value = 0.0f;
    int32_t digitCount = 0;
    std::unique_ptr<float[]> digits;
    bool timeFormat = false;
    int32_t maxValue = 999;
    bool paused = false;

protected:
    // Wheel 1 of a time-format counter holds the tens of seconds.
    int32_t wheelWrap(int32_t i) const { return (timeFormat && i == 1) ? 6 : 10; }

private:
    void rollWheels(int32_t elapsedMs);
    void wheelsFromValue();
};

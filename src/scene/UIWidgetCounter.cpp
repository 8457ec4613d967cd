// UIWidgetCounter: the odometer's value, its wheel positions and the per-wheel draw.
#include "scene/UIWidgetCounter.h"

#include "assets/Material.h"

#include <cmath>
#include <cstdlib>

UIWidgetCounter::UIWidgetCounter() = default;
UIWidgetCounter::~UIWidgetCounter() = default;

void UIWidgetCounter::setNumDigits(int32_t count, bool timeFormatOn, bool timerModeOn, bool perDigitRolling) {
    if (count < 1 || count > 9) return;
    timeFormat = timeFormatOn;
    timerMode = timerModeOn;
    rollDigits = perDigitRolling;
    digitCount = count;
    digits.reset(new float[size_t(count)]());
    int32_t top = timeFormat ? 6 : 10;
    for (int32_t i = 1; i < count; ++i) top *= 10;
    maxValue = top - 1;
}

void UIWidgetCounter::setValue(float v) {
    value = v;
    target = int32_t(v);
}

void UIWidgetCounter::setValueFromInt(int32_t v) {
    value = float(v);
    target = v;
    if (rollDigits && digits) {
        int32_t remaining = v;
        for (int32_t i = 0; i < digitCount; ++i) {
            const int32_t w = wheelWrap(i);
            digits[i] = float(remaining % w);
            remaining /= w;
        }
    }
}

void UIWidgetCounter::incrementTarget() {
    if (target < maxValue) ++target;
}

void UIWidgetCounter::countDown(float x) {
    value = float(target) - x;
    if (value < 0.0f) value = 0.0f;
}

bool UIWidgetCounter::isSettled() const {
    if (timerMode) return true;
    return std::fabs(value - float(target)) < 0.0001f;
}

float UIWidgetCounter::getDigit(int32_t i) const {
    if (!digits || i < 0 || i >= digitCount) return 0.0f;
    return digits[i];
}

void UIWidgetCounter::update(int32_t elapsedMs, bool frozen) {
    if (target != -1) {
        if (timerMode && !paused) {
            value += float(elapsedMs) / 1000.0f;
            target = int32_t(value);
            if (value > 5999.0f) value = 5999.0f;
        } else if (!rollDigits && value < float(target)) {
            // Far targets are approached faster, the last three units at a steady 5 a second.
            const float gap = float(target) - value;
            const float speed = gap <= 3.0f ? 5.0f : gap - 3.0f + 5.0f;
            value += float(elapsedMs) * speed / 1000.0f;
            if (value > float(target)) value = float(target);
        }
    }
    if (hidden || frozen || !digits) return;
    if (rollDigits) {
        if (std::fabs(value - float(target)) > 0.0001f) rollWheels(elapsedMs);
    } else {
        wheelsFromValue();
    }
}

void UIWidgetCounter::rollWheels(int32_t elapsedMs) {
    bool done = true;
    int32_t remaining = target;
    for (int32_t i = 0; i < digitCount; ++i) {
        const int32_t w = wheelWrap(i);
        const float goal = float(remaining % w);
        remaining /= w;
        const float old = digits[i];
        if (old == goal) continue;
        const float moved = std::fmod(old + float(elapsedMs) * 10.0f / 1000.0f, float(w));
        if ((goal > old && goal < moved) || (moved < old && goal < moved)) {
            digits[i] = goal;
        } else {
            digits[i] = moved;
            done = false;
        }
    }
    if (done) value = float(target);
}

void UIWidgetCounter::wheelsFromValue() {
    if (value < 0.0f) {
        for (int32_t i = 0; i < digitCount; ++i) digits[i] = 0.0f;
        return;
    }
    // A wheel turns along with the last unit of the wheel below it, as an odometer's do.
    digits[0] = std::fmod(value, 10.0f);
    if (timeFormat) {
        if (digitCount > 1) {
            digits[1] = std::fmod(std::floor(value / 10.0f), 6.0f);
            if (digits[0] >= 9.0f) digits[1] += digits[0] - 9.0f;
        }
        if (digitCount > 2) {
            digits[2] = std::fmod(std::floor(value / 60.0f), 10.0f);
            if (digits[1] >= 5.0f) digits[2] += digits[1] - 5.0f;
        }
        float unit = 600.0f;
        for (int32_t i = 3; i < digitCount; ++i, unit *= 10.0f) {
            digits[i] = std::fmod(std::floor(value / unit), 10.0f);
            if (digits[i - 1] >= 9.0f) digits[i] += digits[i - 1] - 9.0f;
        }
    } else {
        float unit = 10.0f;
        for (int32_t i = 1; i < digitCount; ++i, unit *= 10.0f) {
            digits[i] = std::fmod(std::floor(value / unit), 10.0f);
            if (digits[i - 1] >= 9.0f) digits[i] += digits[i - 1] - 9.0f;
        }
    }
}

void UIWidgetCounter::draw(RenderPass pass, const D3DXMATRIX* parentWorld, IDirect3DDevice9* device) {
    if (hidden || !mesh || !material || !digits) return;
    D3DXMATRIX m = widgetWorld(transform.matrix, parentWorld);
    // Most significant wheel first, stepping to the right.
    for (int32_t i = digitCount - 1; i >= 0; --i) {
        float offsetU, offsetV;
        if (target < 0) {
            offsetU = 0.1f;
            offsetV = 0.85f;
        } else {
            // Two label columns: 0-5 at u 0.1..0.4, 0-9 at u 0.6..0.9.
            offsetU = wheelWrap(i) == 6 ? 0.1f : 0.6f;
            offsetV = (digits[i] - 0.5f) / 10.0f;
        }
        material->setTexTransform(0.3f, offsetU, 0.2f, offsetV);
        drawWithMaterial(pass, &m, device, mesh, material);

        float advance = digitWidth;
        if (timeFormat && i == 2) {
            material->setTexTransform(separatorWidth * 0.3f / digitWidth, 0.2f, 0.2f, 0.65f);
            D3DXMATRIX scaling, shift, separator;
            D3DXMatrixScaling(&scaling, separatorWidth / digitWidth, 1.0f, 1.0f);
            D3DXMatrixTranslation(&shift, (digitWidth + separatorWidth) / 2.0f, 0.0f, 0.0f);
            D3DXMatrixMultiply(&separator, &scaling, &shift);
            D3DXMatrixMultiply(&separator, &separator, &m);
            drawWithMaterial(pass, &separator, device, mesh, material);
            advance = digitWidth + separatorWidth;
        }
        D3DXMATRIX step;
        D3DXMatrixTranslation(&step, advance, 0.0f, 0.0f);
        D3DXMatrixMultiply(&m, &step, &m);
    }
}

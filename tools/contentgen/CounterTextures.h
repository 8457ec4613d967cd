// The label strips the counters scroll through. Each strip is drawn where the counters'
// texture transforms will read it, in pictures whose pixel sizes give the window a counter
// reads the proportions of the drum face it is drawn on.
#pragma once

#include "Image.h"

#include <string>
#include <vector>

namespace contentgen {

struct LabelStrip {
    std::string name;          // file stem, e.g. "counter12"
    double labelWidth;         // fraction of the texture width (the counter's set-up)
    double labelHeight;        // fraction of the texture height
    std::vector<std::string> labels;  // position 0 first
    double faceWidth;          // world width of the face it is drawn on
    int height;                // texture height in pixels; the width follows from the face
};

// The drum strips of the hour (12 and 24), weekday, month and day-of-month counters.
std::vector<LabelStrip> drumStrips();
// Width in pixels that gives a strip's reading window its face's proportions.
int stripWidth(const LabelStrip& s);
// Base colour and height field (engraving depth in red) of a drum strip.
void drawDrumStrip(const LabelStrip& s, Image& base, Image& height);
// The odometer texture: 0-5 column at u 0.1-0.4, 0-9 column at u 0.6-0.9, separator at
// u 0.2-0.3, v 0.65-0.85 and a blank window at u 0.1-0.4, v 0.85-1.05.
void drawOdometerDigits(Image& base, Image& height);
int odometerWidth(int height);

}  // namespace contentgen

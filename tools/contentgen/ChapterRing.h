// The chapter ring: black enamel with twelve cream hour batons (the quarters broader, twelve
// doubled) and a minute track, the marks the hands are read against. Its picture lives in
// the right half of the near backdrop's atlas; the mesh maps its face onto that half.
#pragma once

#include "Image.h"
#include "MeshBuilder.h"

namespace contentgen {

MeshBuilder makeChapterRing();
// Paints the ring into the square of `base` and `height` that starts at column x0 and is
// `size` texels wide, covering -1..1 in x and y.
void drawChapterRing(Image& base, Image& height, int x0, int size);
// Where a point of the dial lands in the atlas (u from 0.5 to 1).
Vec2 chapterRingUv(Vec2 p);

}  // namespace contentgen

// The two hands and their picture. The hands are cream enamel inside a blackened steel rim,
// so they stand out both against the dark gaps of the movement and against the brass
// wheels behind them; the hour hand is a broad leaf, the minute hand a long lance with a
// counterweight tail. Both point to twelve (+y) at angle 0 and turn about the origin.
#pragma once

#include "MeshBuilder.h"

#include <string>

namespace contentgen {

MeshBuilder makeMinuteHand();
MeshBuilder makeHourHand();
// hands.png and handsNormal.png: one atlas, the minute hand's face in the left half and
// the hour hand's in the right, drawn from the outlines the meshes are made of.
bool writeHandTextures(const std::string& dir);

}  // namespace contentgen

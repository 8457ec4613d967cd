// The clock's other parts: the frame with its dial, crown and counter plate, the drum
// faces, the globe and moon, the pendulum and the two backdrops.
#pragma once

#include "MeshBuilder.h"

namespace contentgen {

MeshBuilder makeFrame();
// A drum face of the given width, centred on its origin (see Layout.h).
MeshBuilder makeDrumFace(double width);
// A sphere with longitude along u (0 to 1 eastwards, 0.5 facing the camera) and latitude
// along v (0 at the north pole).
MeshBuilder makeSphere(double radius, int slices, int stacks);
MeshBuilder makePendulum();
MeshBuilder makeBackdropNear();
MeshBuilder makeBackdropFar();

}  // namespace contentgen

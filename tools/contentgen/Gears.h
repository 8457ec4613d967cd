// The clock's wheels: spur gears with real teeth, spoked or pierced webs and hubs, and the
// bevel wheels of the side trains. Every gear is built about its own axis (local z for spur
// gears) and centred on its origin, because the clock turns each one about its position.
#pragma once

#include "Extrude.h"
#include "MeshBuilder.h"

namespace contentgen {

// Tooth outline of a spur gear: addendum one module, dedendum 1.25 modules, teeth centred
// at phase + k * 2pi / teeth.
Contour spurProfile(int teeth, double pitchRadius, double phase = 0);
// A solid cylinder along z (for arbors and bosses), capped at both ends.
MeshBuilder cylinderZ(double radius, double z0, double z1, int segments, double bevel = 0);
// A bevel wheel along +z with its cone apex at the origin: the pitch circle (radius
// pitchRadius) lies at z = pitchRadius / tan(halfAngle); the teeth run faceWidth along the
// cone towards the apex; teeth centred at phase + k * 2pi / teeth, as for spurProfile.
MeshBuilder bevelGear(int teeth, double pitchRadius, double halfAngle, double faceWidth, double boreRadius,
                      double phase = 0);

MeshBuilder makeToothyGear();
MeshBuilder makeFancyGear();
MeshBuilder makeFancySecondary();
MeshBuilder makeExtraGearA();
MeshBuilder makeExtraGearB();
MeshBuilder makeSideDriver();
MeshBuilder makeSideGear();
MeshBuilder makeSideMini();

}  // namespace contentgen

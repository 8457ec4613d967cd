// Turning flat outlines into solid parts: planar caps triangulated by the GLU tessellator,
// side walls and chamfers as bands between two copies of an outline. Gears, the frame, the
// hands and the logo letters are all built this way.
//
// Outlines live in the xy plane; the part's front faces the camera (-z). Outer outlines are
// kept counter-clockwise and holes clockwise (orientContours), so the material always lies
// to the left of an outline and its outward side to the right.
#pragma once

#include "MeshBuilder.h"

#include <vector>

namespace contentgen {

using Contour = std::vector<Vec2>;

double signedArea(const Contour& c);
Contour circleContour(Vec2 centre, double radius, int segments);
Contour roundedRect(double x0, double y0, double x1, double y1, double radius, int cornerSegments);
Contour reversed(Contour c);
// Outer outlines counter-clockwise, holes (inside an odd number of others) clockwise.
void orientContours(std::vector<Contour>& contours);
// Moves every point into the material by d along the corner's mitre (clamped at spikes).
Contour insetContour(const Contour& c, double d);

struct CapUv {
    double scale = 1;  // texture repeats per world unit
    Vec2 offset;
};

// A planar face at depth z, facing the camera when front is true, else facing away.
void addCap(MeshBuilder& mesh, const std::vector<Contour>& contours, double z, bool front, const CapUv& uv);
// The band between outline a at depth za and outline b (same point count) at depth zb.
// Normals follow the band's surface, turned to the outward (right-hand) side of the
// outline; corners sharper than smoothDegrees stay hard.
void addBand(MeshBuilder& mesh, const Contour& a, double za, const Contour& b, double zb, double uvScale,
             double smoothDegrees = 40);

struct ExtrudeParams {
    double zFront = -0.025;
    double zBack = 0.025;
    double bevelFront = 0;  // chamfer width (and depth) on the front edges
    double bevelBack = 0;
    bool backCap = true;
    CapUv uv;
    double smoothDegrees = 40;
};

MeshBuilder extrude(std::vector<Contour> contours, const ExtrudeParams& p);

}  // namespace contentgen

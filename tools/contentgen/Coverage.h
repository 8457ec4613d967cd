// Antialiased coverage of flat outlines, rasterised by cairo: pictures that must line up
// with a part (the hands' enamel, the chapter ring's marks) are drawn from the very
// outlines the part's mesh is extruded from.
#pragma once

#include "Extrude.h"

#include <functional>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace contentgen {

class CoverageMask {
public:
    CoverageMask(int width, int height);
    ~CoverageMask();
    CoverageMask(const CoverageMask&) = delete;
    CoverageMask& operator=(const CoverageMask&) = delete;

    // Fills the outlines (even-odd, so inner outlines are holes), each point placed in the
    // picture by toPixel.
    void fill(const std::vector<Contour>& contours, const std::function<Vec2(Vec2)>& toPixel);
    // Coverage of one pixel, 0 to 1.
    double at(int x, int y);

private:
    int w, h;
    cairo_surface_t* surface;
    cairo_t* cr;
};

}  // namespace contentgen

// Outline coverage through cairo's A8 surfaces (see Coverage.h).
#include "Coverage.h"

#include <cairo.h>

#include <algorithm>

namespace contentgen {

CoverageMask::CoverageMask(int width, int height)
    : w(width), h(height), surface(cairo_image_surface_create(CAIRO_FORMAT_A8, width, height)), cr(cairo_create(surface)) {
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_GRAY);
}

CoverageMask::~CoverageMask() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
}

void CoverageMask::fill(const std::vector<Contour>& contours, const std::function<Vec2(Vec2)>& toPixel) {
    for (const Contour& c : contours) {
        if (c.empty()) continue;
        for (size_t i = 0; i < c.size(); ++i) {
            Vec2 p = toPixel(c[i]);
            if (i == 0) cairo_move_to(cr, p.x, p.y);
            else cairo_line_to(cr, p.x, p.y);
        }
        cairo_close_path(cr);
    }
    cairo_fill(cr);
}

double CoverageMask::at(int x, int y) {
    if (x < 0 || y < 0 || x >= w || y >= h) return 0;
    cairo_surface_flush(surface);
    const unsigned char* d = cairo_image_surface_get_data(surface);
    return d[static_cast<size_t>(y) * cairo_image_surface_get_stride(surface) + x] / 255.0;
}

}  // namespace contentgen

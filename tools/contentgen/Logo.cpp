// Logo letters: cairo lays out the glyph and flattens its outline into polygons, the GLU
// tessellator fills the caps, and the outline's bands make the chamfers and side walls.
#include "Logo.h"

#include "Extrude.h"

#include <cairo.h>

#include <algorithm>

namespace contentgen {

namespace {

// Cap height of the letters in world units; a letter's corners must stay inside the
// 0.375-radius ring the frame puts around it while it spins.
constexpr double kLetterHeight = 0.42;

std::vector<Contour> glyphOutline(char letter) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 8, 8);
    cairo_t* cr = cairo_create(surface);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 100);
    cairo_set_tolerance(cr, 0.25);
    char text[2] = {letter, 0};
    cairo_move_to(cr, 0, 0);
    cairo_text_path(cr, text);
    cairo_path_t* path = cairo_copy_path_flat(cr);
    std::vector<Contour> contours;
    Contour current;
    for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
        const cairo_path_data_t* d = &path->data[i];
        switch (d->header.type) {
        case CAIRO_PATH_MOVE_TO:
            if (current.size() > 2) contours.push_back(current);
            current.clear();
            current.push_back({d[1].point.x, -d[1].point.y});  // cairo's y runs down
            break;
        case CAIRO_PATH_LINE_TO:
            current.push_back({d[1].point.x, -d[1].point.y});
            break;
        case CAIRO_PATH_CLOSE_PATH:
            if (current.size() > 2) contours.push_back(current);
            current.clear();
            break;
        default:
            break;  // a flattened path holds no curves
        }
    }
    if (current.size() > 2) contours.push_back(current);
    cairo_path_destroy(path);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    // Closing points repeat the first; drop them and any zero-length steps.
    for (Contour& c : contours) {
        Contour clean;
        for (const Vec2& p : c)
            if (clean.empty() || length(p - clean.back()) > 1e-6) clean.push_back(p);
        while (clean.size() > 1 && length(clean.front() - clean.back()) < 1e-6) clean.pop_back();
        c = clean;
    }
    return contours;
}

}  // namespace

MeshBuilder makeLogoLetter(char letter) {
    std::vector<Contour> contours = glyphOutline(letter);
    if (contours.empty()) return {};
    Vec2 lo{1e30, 1e30}, hi{-1e30, -1e30};
    for (const Contour& c : contours)
        for (const Vec2& p : c) {
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
        }
    const double scale = kLetterHeight / (hi.y - lo.y);
    const Vec2 centre = (lo + hi) * 0.5;
    for (Contour& c : contours)
        for (Vec2& p : c) p = (p - centre) * scale;
    ExtrudeParams p;
    p.zFront = -0.045;
    p.zBack = 0.045;
    p.bevelFront = 0.012;
    p.uv.scale = 1.6;
    p.uv.offset = {0.5, 0.5};
    p.smoothDegrees = 30;
    return extrude(contours, p);
}

}  // namespace contentgen

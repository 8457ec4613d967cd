// The icon and the dialog banner (see SaverArtwork.h). Both are vector drawings on cairo:
// gear outlines, radial brass gradients and engraved lettering, no noise, so every build
// writes the same bytes.
#include "SaverArtwork.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace contentgen {

namespace {

const double pi = 3.14159265358979323846;

struct Colour {
    double r, g, b;
};
const Colour brassLight{0.97, 0.84, 0.52};
const Colour brassMid{0.80, 0.60, 0.26};
const Colour brassDark{0.42, 0.28, 0.10};
const Colour ink{0.16, 0.10, 0.04};

void setColour(cairo_t* cr, Colour c, double alpha = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

// A brass sheen across a disc: light at the upper left, dark at the lower right.
cairo_pattern_t* brassSheen(double cx, double cy, double radius) {
    cairo_pattern_t* p =
        cairo_pattern_create_radial(cx - radius * 0.35, cy - radius * 0.4, radius * 0.05, cx, cy, radius * 1.05);
    cairo_pattern_add_color_stop_rgb(p, 0.0, brassLight.r, brassLight.g, brassLight.b);
    cairo_pattern_add_color_stop_rgb(p, 0.55, brassMid.r, brassMid.g, brassMid.b);
    cairo_pattern_add_color_stop_rgb(p, 1.0, brassDark.r, brassDark.g, brassDark.b);
    return p;
}

// A spur-gear outline with trapezoid teeth, as one closed path.
void gearPath(cairo_t* cr, double cx, double cy, double rootRadius, double tipRadius, int teeth, double phase) {
    const double step = 2 * pi / teeth;
    cairo_new_sub_path(cr);
    for (int i = 0; i < teeth; ++i) {
        const double a = phase + i * step;
        const double corners[4][2] = {{a, rootRadius},
                                      {a + step * 0.18, tipRadius},
                                      {a + step * 0.48, tipRadius},
                                      {a + step * 0.66, rootRadius}};
        for (const auto& c : corners) {
            const double x = cx + std::cos(c[0]) * c[1], y = cy + std::sin(c[0]) * c[1];
            if (i == 0 && &c == &corners[0])
                cairo_move_to(cr, x, y);
            else
                cairo_line_to(cr, x, y);
        }
    }
    cairo_close_path(cr);
}

// A shaded gear with a pierced web (spokes between a rim and a hub) and a dark bore.
void drawGear(cairo_t* cr, double cx, double cy, double radius, int teeth, double phase, double alpha) {
    const double tip = radius, root = radius * (1 - 2.6 / teeth - 0.04);
    cairo_save(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    gearPath(cr, cx, cy, root, tip, teeth, phase);
    const double web = root * 0.78, hub = radius * 0.22;
    const int spokes = 5;
    for (int s = 0; s < spokes; ++s) {
        // The holes between the spokes, each an annular sector.
        const double a0 = phase + s * 2 * pi / spokes + 0.22, a1 = phase + (s + 1) * 2 * pi / spokes - 0.22;
        cairo_new_sub_path(cr);
        cairo_arc(cr, cx, cy, web, a0, a1);
        cairo_arc_negative(cr, cx, cy, hub * 1.5, a1, a0);
        cairo_close_path(cr);
    }
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, hub * 0.45, 0, 2 * pi);
    cairo_pattern_t* sheen = brassSheen(cx, cy, radius);
    cairo_push_group(cr);
    cairo_set_source(cr, sheen);
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, std::max(1.0, radius * 0.02));
    setColour(cr, brassDark);
    cairo_stroke(cr);
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, alpha);
    cairo_pattern_destroy(sheen);
    cairo_restore(cr);
}

// A clock hand from the centre towards angle (0 = twelve o'clock, clockwise).
void drawHand(cairo_t* cr, double cx, double cy, double angle, double length, double width) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, angle);
    cairo_move_to(cr, -width * 0.5, length * 0.12);
    cairo_line_to(cr, -width * 0.32, -length * 0.85);
    cairo_line_to(cr, 0, -length);
    cairo_line_to(cr, width * 0.32, -length * 0.85);
    cairo_line_to(cr, width * 0.5, length * 0.12);
    cairo_close_path(cr);
    setColour(cr, ink);
    cairo_fill(cr);
    cairo_restore(cr);
}

// A dial: an ivory face inside a brass bezel, twelve marks, the hands at ten past ten.
void drawDial(cairo_t* cr, double cx, double cy, double radius) {
    cairo_pattern_t* bezel = brassSheen(cx, cy, radius);
    cairo_arc(cr, cx, cy, radius, 0, 2 * pi);
    cairo_set_source(cr, bezel);
    cairo_fill(cr);
    cairo_pattern_destroy(bezel);

    const double face = radius * 0.84;
    cairo_pattern_t* ivory = cairo_pattern_create_radial(cx - face * 0.3, cy - face * 0.3, 0, cx, cy, face);
    cairo_pattern_add_color_stop_rgb(ivory, 0, 1.0, 0.98, 0.92);
    cairo_pattern_add_color_stop_rgb(ivory, 1, 0.86, 0.80, 0.66);
    cairo_arc(cr, cx, cy, face, 0, 2 * pi);
    cairo_set_source(cr, ivory);
    cairo_fill(cr);
    cairo_pattern_destroy(ivory);

    setColour(cr, ink);
    for (int h = 0; h < 12; ++h) {
        const double a = h * pi / 6, outer = face * 0.92, inner = face * (h % 3 == 0 ? 0.72 : 0.80);
        cairo_set_line_width(cr, face * (h % 3 == 0 ? 0.07 : 0.035));
        cairo_move_to(cr, cx + std::sin(a) * inner, cy - std::cos(a) * inner);
        cairo_line_to(cr, cx + std::sin(a) * outer, cy - std::cos(a) * outer);
        cairo_stroke(cr);
    }
    drawHand(cr, cx, cy, 10 * pi / 6 + pi / 36, face * 0.55, face * 0.12);
    drawHand(cr, cx, cy, pi / 3, face * 0.80, face * 0.08);
    cairo_arc(cr, cx, cy, face * 0.07, 0, 2 * pi);
    setColour(cr, brassMid);
    cairo_fill(cr);
}

bool finish(cairo_t* cr, cairo_surface_t* surface, const std::string& path) {
    const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS &&
                    cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return ok;
}

// Lettering pressed into brass: a light edge below, a dark one above, then the face.
void engrave(cairo_t* cr, const char* text, double x, double baseline, double depth) {
    cairo_move_to(cr, x, baseline + depth);
    cairo_text_path(cr, text);
    setColour(cr, brassLight, 0.9);
    cairo_fill(cr);
    cairo_move_to(cr, x, baseline - depth * 0.6);
    cairo_text_path(cr, text);
    setColour(cr, {0.05, 0.03, 0.01}, 0.8);
    cairo_fill(cr);
    cairo_move_to(cr, x, baseline);
    cairo_text_path(cr, text);
    setColour(cr, ink);
    cairo_fill(cr);
}

void selectFont(cairo_t* cr, const char* family, cairo_font_weight_t weight, double size) {
    cairo_select_font_face(cr, family, CAIRO_FONT_SLANT_NORMAL, weight);
    cairo_set_font_size(cr, size);
    cairo_font_options_t* o = cairo_font_options_create();
    cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, o);
    cairo_font_options_destroy(o);
}

}  // namespace

bool writeSaverIcon(const std::string& path) {
    const int size = 256;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
    cairo_t* cr = cairo_create(surface);
    drawGear(cr, 128, 128, 124, 24, 0.07, 1.0);
    drawDial(cr, 128, 128, 92);
    return finish(cr, surface, path);
}

bool writeDialogBanner(const std::string& path) {
    const int width = 600, height = 228;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);

    // Brushed brass: a warm vertical gradient crossed by fine horizontal grain lines.
    cairo_pattern_t* plate = cairo_pattern_create_linear(0, 0, 0, height);
    cairo_pattern_add_color_stop_rgb(plate, 0, 0.55, 0.38, 0.15);
    cairo_pattern_add_color_stop_rgb(plate, 0.45, 0.86, 0.68, 0.36);
    cairo_pattern_add_color_stop_rgb(plate, 1, 0.40, 0.26, 0.10);
    cairo_set_source(cr, plate);
    cairo_paint(cr);
    cairo_pattern_destroy(plate);
    cairo_set_line_width(cr, 1);
    for (int y = 0; y < height; y += 3) {
        const double shade = 0.5 + 0.5 * std::sin(y * 0.71) * std::sin(y * 0.13);
        cairo_set_source_rgba(cr, 1, 0.95, 0.8, 0.05 + 0.06 * shade);
        cairo_move_to(cr, 0, y + 0.5);
        cairo_line_to(cr, width, y + 0.5);
        cairo_stroke(cr);
    }

    // The gear train behind the name, partly off the plate, toned down so the name reads.
    drawGear(cr, 70, 190, 120, 28, 0.1, 0.45);
    drawGear(cr, 215, 40, 62, 16, 0.3, 0.35);
    drawGear(cr, 545, 175, 95, 24, 0.05, 0.45);
    drawGear(cr, 425, 30, 48, 14, 0.2, 0.35);
    drawDial(cr, 532, 92, 56);

    selectFont(cr, "DejaVu Serif", CAIRO_FONT_WEIGHT_BOLD, 66);
    engrave(cr, "Zarn Clock", 30, 112, 2.5);
    selectFont(cr, "DejaVu Sans", CAIRO_FONT_WEIGHT_BOLD, 30);
    engrave(cr, "S C R E E N S A V E R", 36, 166, 1.5);

    // A bevelled edge, so the banner sits in the dialog like a plate.
    cairo_rectangle(cr, 2, 2, width - 4, height - 4);
    cairo_set_line_width(cr, 4);
    setColour(cr, brassDark);
    cairo_stroke(cr);
    return finish(cr, surface, path);
}

bool writeSaverArtwork(const std::string& mediaDir) {
    return writeSaverIcon(mediaDir + "/zarn-screensaver.png") && writeDialogBanner(mediaDir + "/dialogBanner.png");
}

}  // namespace contentgen

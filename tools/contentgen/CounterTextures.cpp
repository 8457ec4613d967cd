// Label strips for the drums and the odometer digits (see CounterTextures.h). Labels are
// dark, engraved into an ivory drum: the base map carries the ink, the height field the
// engraving, from which the normal map is made.
#include "CounterTextures.h"

#include "Layout.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace contentgen {

namespace {

const Rgba kIvory{0.93f, 0.89f, 0.79f, 1};
const Rgba kInk{0.10f, 0.08f, 0.07f, 1};

struct Cell {
    double x0, y0, x1, y1;  // pixels
};

// Draws every label into a coverage mask with one font size per strip, each label centred
// in its cell on a common cap-height line, so the strip reads evenly as it rolls.
class LabelPainter {
public:
    LabelPainter(int width, int height, const char* family)
        : surface(cairo_image_surface_create(CAIRO_FORMAT_A8, width, height)), cr(cairo_create(surface)) {
        cairo_select_font_face(cr, family, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
        cairo_font_options_t* o = cairo_font_options_create();
        cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
        cairo_set_font_options(cr, o);
        cairo_font_options_destroy(o);
    }
    ~LabelPainter() {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    LabelPainter(const LabelPainter&) = delete;
    LabelPainter& operator=(const LabelPainter&) = delete;

    // Picks the size at which the tallest capital fills `capShare` of a cell's height and
    // the widest label at most `widthShare` of its width.
    void fit(const std::vector<std::string>& labels, double cellW, double cellH, double capShare, double widthShare) {
        cairo_set_font_size(cr, 100);
        cairo_text_extents_t e;
        cairo_text_extents(cr, "0", &e);
        double cap = e.height;
        double widest = 0;
        for (const std::string& l : labels) {
            cairo_text_extents(cr, l.c_str(), &e);
            widest = std::max(widest, e.width);
        }
        size = 100 * std::min(capShare * cellH / cap, widest > 0 ? widthShare * cellW / widest : 1e9);
        cairo_set_font_size(cr, size);
        cairo_text_extents(cr, "0", &e);
        capHeight = e.height;
    }
    void label(const std::string& text, const Cell& c) {
        cairo_text_extents_t e;
        cairo_text_extents(cr, text.c_str(), &e);
        double x = (c.x0 + c.x1) / 2 - (e.x_bearing + e.width / 2);
        double baseline = (c.y0 + c.y1) / 2 + capHeight / 2;
        cairo_move_to(cr, x, baseline);
        cairo_show_text(cr, text.c_str());
    }
    void dot(double x, double y, double r) {
        cairo_arc(cr, x, y, r, 0, 2 * 3.14159265358979323846);
        cairo_fill(cr);
    }
    double coverage(int x, int y) {
        cairo_surface_flush(surface);
        const unsigned char* d = cairo_image_surface_get_data(surface);
        return d[static_cast<size_t>(y) * cairo_image_surface_get_stride(surface) + x] / 255.0;
    }

private:
    cairo_surface_t* surface;
    cairo_t* cr;
    double size = 100, capHeight = 70;
};

// Ivory with a faint grain, ink where the labels are; the engraving sinks the ink below
// the surface with softened edges.
void compose(LabelPainter& painter, Image& base, Image& height, uint32_t seed) {
    const int w = base.width(), h = base.height();
    Image mask(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) mask.at(x, y).r = static_cast<float>(painter.coverage(x, y));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double grain = fbm2(x / 24.0, y / 24.0, std::max(1, w / 24), std::max(1, h / 24), 3, seed);
            double c = mask.at(x, y).r;
            Rgba paper = scaled(kIvory, 0.94 + 0.08 * grain);
            base.at(x, y) = mix(paper, kInk, c);
            // A 3 x 3 blur rounds the engraving's walls.
            double soft = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) soft += mask.wrapped(x + dx, y + dy).r;
            height.at(x, y) = {float(0.6 - 0.5 * soft / 9 + 0.02 * grain), 0, 0, 1};
        }
}

}  // namespace

std::vector<LabelStrip> drumStrips() {
    using namespace layout;
    std::vector<LabelStrip> strips;
    LabelStrip h12{"counter12", 0.6, 0.05, {}, kDoubleWidth, 1024};
    h12.labels.push_back("12");
    for (int i = 1; i < 12; ++i) h12.labels.push_back(std::to_string(i));
    LabelStrip h24{"counter24", 0.6, 0.025, {}, kDoubleWidth, 2048};
    for (int i = 0; i < 24; ++i) h24.labels.push_back((i < 10 ? "0" : "") + std::to_string(i));
    LabelStrip day{"counterDay", 1.0, 0.1, {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"}, kTripleWidth, 1024};
    LabelStrip month{"counterMonth", 1.0, 0.05,
                     {"JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"},
                     kTripleWidth, 1024};
    LabelStrip d31{"counter31", 0.6, 0.025, {"31"}, kDoubleWidth, 2048};
    for (int i = 1; i < 31; ++i) d31.labels.push_back(std::to_string(i));
    strips = {h12, h24, day, month, d31};
    return strips;
}

int stripWidth(const LabelStrip& s) {
    // The window spans labelWidth of the width and two labels of the height; it must have
    // the face's width : arc-length proportions.
    double aspect = s.faceWidth / layout::drumArc();
    return static_cast<int>(std::lround(s.height * 2 * s.labelHeight * aspect / s.labelWidth));
}

int odometerWidth(int height) {
    // The odometer reads 0.3 of the width by 0.2 of the height onto one digit face.
    return static_cast<int>(std::lround(height * 0.2 * (layout::kDigitWidth / layout::drumArc()) / 0.3));
}

void drawDrumStrip(const LabelStrip& s, Image& base, Image& height) {
    const int w = base.width(), h = base.height();
    const bool names = !s.labels.empty() && std::isalpha(static_cast<unsigned char>(s.labels[0][0]));
    LabelPainter painter(w, h, names ? "DejaVu Serif Condensed" : "DejaVu Serif");
    const double cellW = s.labelWidth * w, cellH = s.labelHeight * h;
    const double x0 = (1 - s.labelWidth) / 2 * w;
    painter.fit(s.labels, cellW, cellH, names ? 0.50 : 0.56, 0.84);
    const int n = static_cast<int>(s.labels.size());
    // Positions 0 .. n-1, then position 0 again (a drum rolling past its last label shows
    // the first), and the last label once more at the very bottom, which is what the upper
    // half of the window wraps round to when the drum stands at position 0.
    for (int k = 0; k <= n; ++k) painter.label(s.labels[k % n], {x0, k * cellH, x0 + cellW, (k + 1) * cellH});
    painter.label(s.labels[n - 1], {x0, h - cellH, x0 + cellW, double(h)});
    compose(painter, base, height, 17);
}

void drawOdometerDigits(Image& base, Image& height) {
    const int w = base.width(), h = base.height();
    LabelPainter painter(w, h, "DejaVu Serif");
    const double cellW = 0.3 * w, cellH = 0.1 * h;
    std::vector<std::string> digits;
    for (int d = 0; d < 10; ++d) digits.push_back(std::to_string(d));
    painter.fit(digits, cellW, cellH, 0.56, 0.84);
    // 0-9 all the way down, wrapping naturally from 9 to 0.
    for (int d = 0; d < 10; ++d) painter.label(digits[d], {0.6 * w, d * cellH, 0.9 * w, (d + 1) * cellH});
    // Tens of seconds or minutes: 0 to 5, then 0 again for the roll from 5 over to 0.
    // Below that the column stays empty (the blank window reads v 0.85 to 1.05) except for
    // the separator.
    for (int d = 0; d <= 6; ++d) painter.label(digits[d % 6], {0.1 * w, d * cellH, 0.4 * w, (d + 1) * cellH});
    // The separator: two dots centred in its window (u 0.2-0.3, v 0.65-0.85), spaced like a
    // colon between the digits; the window has the digit face's proportions at a third of
    // the width, so the dots stay round.
    const double r = 0.0081 * h;
    painter.dot(0.25 * w, 0.72 * h, r);
    painter.dot(0.25 * w, 0.78 * h, r);
    compose(painter, base, height, 29);
}

}  // namespace contentgen

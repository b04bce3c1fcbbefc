// What the tools' map pictures share: a cairo canvas written as PNG, text drawn with pango,
// a legend of coloured swatches and a scale bar in nautical miles.
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

namespace skyloom::tools {

struct Rgb {
    double r = 0, g = 0, b = 0;
};

void gf_setColour(cairo_t* cr, const Rgb& colour);

// A white picture of the given size in pixels.
class PngCanvas {
public:
    PngCanvas(int width, int height);
    ~PngCanvas();
    PngCanvas(const PngCanvas&) = delete;
    PngCanvas& operator=(const PngCanvas&) = delete;

    cairo_t* cr() const { return cr_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // Throws std::runtime_error naming the file when it cannot be written.
    void save(const std::filesystem::path& png) const;

private:
    int width_;
    int height_;
    cairo_surface_t* surface_;
    cairo_t* cr_;
};

enum class TextAnchor { left, centre, right };

// `text` with its top at y, placed at x by the anchor, in the current colour, on a white halo
// where it crosses a drawing; returns its height in pixels.
double gf_drawText(cairo_t* cr, double x, double y, std::string_view text, double sizePx,
                   TextAnchor anchor = TextAnchor::left, bool bold = false, bool halo = false);

// The width and height in pixels that gf_drawText gives the text.
std::array<double, 2> gf_textSize(cairo_t* cr, std::string_view text, double sizePx,
                                  bool bold = false);

struct LegendItem {
    std::string text;
    Rgb colour;
};

// One row per item from (x, y) down: a swatch and its text; returns the y below the last row.
double gf_drawLegend(cairo_t* cr, double x, double y, const std::vector<LegendItem>& items);

// A bar of the longest round length in NM that fits in about 200 pixels, its left end at
// (x, y).
void gf_drawScaleBar(cairo_t* cr, double pixelsPerMetre, double x, double y);

} // namespace skyloom::tools

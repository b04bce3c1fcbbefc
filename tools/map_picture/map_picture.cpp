#include "tools/map_picture/map_picture.h"

#include <memory>
#include <stdexcept>

#include <cairo.h>
#include <fmt/format.h>
#include <pango/pangocairo.h>

namespace skyloom::tools {

namespace {

constexpr double kMetresPerNm = 1852.0;
constexpr double kScaleBarTargetPx = 200.0;
constexpr double kLegendRowPx = 20.0;
constexpr double kLegendTextPx = 13.0;

} // namespace

void gf_setColour(cairo_t* cr, const Rgb& colour) {
    cairo_set_source_rgb(cr, colour.r, colour.g, colour.b);
}

PngCanvas::PngCanvas(int width, int height)
    : width_(width), height_(height),
      surface_(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height)),
      cr_(cairo_create(surface_)) {
    cairo_set_source_rgb(cr_, 1, 1, 1);
    cairo_paint(cr_);
}

PngCanvas::~PngCanvas() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
}

void PngCanvas::save(const std::filesystem::path& png) const {
    cairo_surface_flush(surface_);
    const cairo_status_t status = cairo_surface_write_to_png(surface_, png.string().c_str());
    if (status != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error(
            fmt::format("cannot write {}: {}", png.string(), cairo_status_to_string(status)));
    }
}

namespace {

using LayoutPtr = std::unique_ptr<PangoLayout, decltype(&g_object_unref)>;

LayoutPtr lf_layout(cairo_t* cr, std::string_view text, double sizePx, bool bold) {
    LayoutPtr layout(pango_cairo_create_layout(cr), &g_object_unref);
    const std::unique_ptr<PangoFontDescription, decltype(&pango_font_description_free)> font(
        pango_font_description_new(), &pango_font_description_free);
    pango_font_description_set_family(font.get(), "Sans");
    pango_font_description_set_absolute_size(font.get(), sizePx * PANGO_SCALE);
    pango_font_description_set_weight(font.get(), bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_layout_set_font_description(layout.get(), font.get());
    pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
    return layout;
}

} // namespace

std::array<double, 2> gf_textSize(cairo_t* cr, std::string_view text, double sizePx, bool bold) {
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(lf_layout(cr, text, sizePx, bold).get(), &width, &height);
    return {static_cast<double>(width), static_cast<double>(height)};
}

double gf_drawText(cairo_t* cr, double x, double y, std::string_view text, double sizePx,
                   TextAnchor anchor, bool bold, bool halo) {
    const LayoutPtr layout = lf_layout(cr, text, sizePx, bold);
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout.get(), &width, &height);
    const double left = anchor == TextAnchor::left     ? x
                        : anchor == TextAnchor::centre ? x - width / 2.0
                                                       : x - width;
    cairo_move_to(cr, left, y);
    if (halo) {
        cairo_save(cr);
        pango_cairo_layout_path(cr, layout.get());
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_set_line_width(cr, 3);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke(cr);
        cairo_restore(cr);
        cairo_move_to(cr, left, y);
    }
    pango_cairo_show_layout(cr, layout.get());
    cairo_new_path(cr);
    return height;
}

double gf_drawLegend(cairo_t* cr, double x, double y, const std::vector<LegendItem>& items) {
    for (const LegendItem& item : items) {
        gf_setColour(cr, item.colour);
        cairo_rectangle(cr, x, y + 4, 22, 10);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        gf_drawText(cr, x + 30, y, item.text, kLegendTextPx);
        y += kLegendRowPx;
    }
    return y;
}

void gf_drawScaleBar(cairo_t* cr, double pixelsPerMetre, double x, double y) {
    const double targetNm = kScaleBarTargetPx / pixelsPerMetre / kMetresPerNm;
    double nm = 0.01;
    for (const double round :
         {0.02, 0.05, 0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0, 200.0}) {
        if (round <= targetNm) {
            nm = round;
        }
    }
    const double length = nm * kMetresPerNm * pixelsPerMetre;
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 2);
    cairo_move_to(cr, x, y - 5);
    cairo_line_to(cr, x, y);
    cairo_line_to(cr, x + length, y);
    cairo_line_to(cr, x + length, y - 5);
    cairo_stroke(cr);
    gf_drawText(cr, x + length + 8, y - 9, fmt::format("{:g} NM", nm), 13);
}

} // namespace skyloom::tools

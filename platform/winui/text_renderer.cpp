#include "platform/winui/text_renderer.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>

#include "platform/winui/wide_text.h"

#include <cairo.h>
#include <pango/pangocairo.h>

namespace skyloom::winui::detail {
namespace {

struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct DescriptionFree {
    void operator()(PangoFontDescription* description) const {
        pango_font_description_free(description);
    }
};
struct MetricsUnref {
    void operator()(PangoFontMetrics* metrics) const { pango_font_metrics_unref(metrics); }
};
struct AttrListUnref {
    void operator()(PangoAttrList* list) const { pango_attr_list_unref(list); }
};

using LayoutPtr = std::unique_ptr<PangoLayout, ObjectUnref>;
using DescriptionPtr = std::unique_ptr<PangoFontDescription, DescriptionFree>;

// Grey anti-aliasing without hinting: the same pixels on every machine with the same fonts,
// and text that scales smoothly with the DPI.
const cairo_font_options_t* lf_fontOptions() {
    static cairo_font_options_t* options = [] {
        cairo_font_options_t* o = cairo_font_options_create();
        cairo_font_options_set_antialias(o, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
        return o;
    }();
    return options;
}

PangoContext* lf_measuringContext() {
    // The default font map of pango-cairo is per thread; so is this context.
    thread_local std::unique_ptr<PangoContext, ObjectUnref> context([] {
        PangoContext* c = pango_font_map_create_context(pango_cairo_font_map_get_default());
        pango_cairo_context_set_font_options(c, lf_fontOptions());
        return c;
    }());
    return context.get();
}

DescriptionPtr lf_description(const LOGFONTW& font, double pixelSize) {
    DescriptionPtr description(pango_font_description_new());
    const std::string face = drawnFace(font);
    pango_font_description_set_family(description.get(), face.c_str());
    const int weight = font.lfWeight <= 0 ? FW_NORMAL : std::clamp<int>(font.lfWeight, 100, 1000);
    pango_font_description_set_weight(description.get(), static_cast<PangoWeight>(weight));
    pango_font_description_set_style(description.get(),
                                     font.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_font_description_set_absolute_size(description.get(),
                                             std::max(pixelSize, 1.0) * PANGO_SCALE);
    return description;
}

// Em size per cell height of a face, to turn a positive (cell) height into a font size.
double lf_emPerCell(const LOGFONTW& font) {
    static std::mutex mutex;
    static std::map<std::string, double> cache;
    const std::string face = drawnFace(font);
    {
        std::lock_guard lock(mutex);
        if (auto it = cache.find(face); it != cache.end()) {
            return it->second;
        }
    }
    constexpr double kReference = 100.0;
    auto description = lf_description(font, kReference);
    std::unique_ptr<PangoFontMetrics, MetricsUnref> metrics(
        pango_context_get_metrics(lf_measuringContext(), description.get(), nullptr));
    const double cell = static_cast<double>(pango_font_metrics_get_ascent(metrics.get()) +
                                            pango_font_metrics_get_descent(metrics.get())) /
                        PANGO_SCALE;
    const double ratio = cell > 0 ? kReference / cell : 1.0;
    std::lock_guard lock(mutex);
    cache[face] = ratio;
    return ratio;
}

void lf_prepare(PangoLayout* layout, const LOGFONTW& font, double scale, const std::string& text) {
    auto description = lf_description(font, fontPixelSize(font, scale));
    pango_layout_set_font_description(layout, description.get());
    pango_layout_set_single_paragraph_mode(layout, TRUE);
    std::unique_ptr<PangoAttrList, AttrListUnref> attributes(pango_attr_list_new());
    if (font.lfUnderline) {
        pango_attr_list_insert(attributes.get(), pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    }
    if (font.lfStrikeOut) {
        pango_attr_list_insert(attributes.get(), pango_attr_strikethrough_new(TRUE));
    }
    pango_layout_set_attributes(layout, attributes.get());
    pango_layout_set_text(layout, text.data(), static_cast<int>(text.size()));
}

LayoutPtr lf_measuringLayout(const LOGFONTW& font, double scale, const std::string& text) {
    LayoutPtr layout(pango_layout_new(lf_measuringContext()));
    lf_prepare(layout.get(), font, scale, text);
    return layout;
}

} // namespace

double drawnEmScale(const LOGFONTW& font) {
    // OS/2 x-heights in units of a 2048-unit em.
    constexpr double kSegoeUiXHeight = 1024.0;
    constexpr double kOpenSansXHeight = 1096.0;
    return std::u16string_view(font.lfFaceName) == u"Segoe UI" ? kSegoeUiXHeight / kOpenSansXHeight
                                                                 : 1.0;
}

std::string drawnFace(const LOGFONTW& font) {
    const std::u16string requested(font.lfFaceName);
    // The Windows interface faces are drawn with the humanist sans serif we ship.
    if (requested.empty() || requested == u"Segoe UI" || requested == u"MS Shell Dlg" ||
        requested == u"MS Shell Dlg 2" || requested == u"Tahoma" || requested == u"System") {
        return "Open Sans";
    }
    return utf8FromWideLenient(requested);
}

std::string resolvedFamily(const LOGFONTW& font) {
    auto description = lf_description(font, fontPixelSize(font, 1.0));
    std::unique_ptr<PangoFont, ObjectUnref> loaded(pango_font_map_load_font(
        pango_cairo_font_map_get_default(), lf_measuringContext(), description.get()));
    if (!loaded) {
        return {};
    }
    DescriptionPtr actual(pango_font_describe(loaded.get()));
    const char* family = pango_font_description_get_family(actual.get());
    return family == nullptr ? std::string() : std::string(family);
}

double fontPixelSize(const LOGFONTW& font, double scale) {
    constexpr double kDefaultHeight = 12.0;
    if (font.lfHeight < 0) {
        return -font.lfHeight * scale * drawnEmScale(font);
    }
    if (font.lfHeight == 0) {
        return kDefaultHeight * scale * drawnEmScale(font);
    }
    return font.lfHeight * scale * lf_emPerCell(font);
}

FontMetrics fontMetrics(const LOGFONTW& font, double scale) {
    const double size = fontPixelSize(font, scale);
    auto description = lf_description(font, size);
    std::unique_ptr<PangoFontMetrics, MetricsUnref> metrics(
        pango_context_get_metrics(lf_measuringContext(), description.get(), nullptr));
    FontMetrics result;
    result.ascent = static_cast<int>(std::lround(
        static_cast<double>(pango_font_metrics_get_ascent(metrics.get())) / PANGO_SCALE));
    result.descent = static_cast<int>(std::lround(
        static_cast<double>(pango_font_metrics_get_descent(metrics.get())) / PANGO_SCALE));
    result.height = result.ascent + result.descent;
    result.internalLeading = std::max(0, result.height - static_cast<int>(std::lround(size)));
    result.averageCharWidth = static_cast<int>(std::lround(
        static_cast<double>(pango_font_metrics_get_approximate_char_width(metrics.get())) /
        PANGO_SCALE));
    return result;
}

SIZE measureText(const LOGFONTW& font, double scale, std::u16string_view text) {
    auto layout = lf_measuringLayout(font, scale, utf8FromWideLenient(text));
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
    return SIZE{logical.width, logical.height};
}

std::vector<int> prefixWidths(const LOGFONTW& font, double scale, std::u16string_view text) {
    // Byte offset in the UTF-8 text of each UTF-16 position; the second half of a surrogate
    // pair sits with the first.
    std::vector<int> byteOffsets(text.size() + 1, 0);
    std::string utf8;
    for (std::size_t i = 0; i < text.size(); ++i) {
        byteOffsets[i] = static_cast<int>(utf8.size());
        const bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() &&
                          text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF;
        utf8 += utf8FromWideLenient(text.substr(i, pair ? 2 : 1));
        if (pair) {
            byteOffsets[i + 1] = byteOffsets[i];
            ++i;
        }
    }
    byteOffsets[text.size()] = static_cast<int>(utf8.size());
    auto layout = lf_measuringLayout(font, scale, utf8);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
    std::vector<int> widths(text.size() + 1, 0);
    for (std::size_t i = 0; i < text.size(); ++i) {
        PangoRectangle position;
        pango_layout_index_to_pos(layout.get(), byteOffsets[i], &position);
        widths[i] = static_cast<int>(std::lround(static_cast<double>(position.x) / PANGO_SCALE));
    }
    widths[text.size()] = logical.width;
    return widths;
}

void drawText(cairo_t* cr, int x, int y, const LOGFONTW& font, double scale,
              std::u16string_view text, COLORREF color) {
    LayoutPtr layout(pango_cairo_create_layout(cr));
    pango_cairo_context_set_font_options(pango_layout_get_context(layout.get()), lf_fontOptions());
    pango_layout_context_changed(layout.get());
    lf_prepare(layout.get(), font, scale, utf8FromWideLenient(text));
    cairo_save(cr);
    cairo_set_source_rgb(cr, GetRValue(color) / 255.0, GetGValue(color) / 255.0,
                         GetBValue(color) / 255.0);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout.get());
    cairo_restore(cr);
}

} // namespace skyloom::winui::detail

#include "platform/winui/frame_painter.h"

#include "platform/winui/dpi.h"
#include "platform/winui/gdi_objects.h"
#include "platform/winui/styles.h"
#include "platform/winui/text_renderer.h"
#include "platform/winui/window_registry.h"

#include <cairo.h>

namespace skyloom::winui::detail {
namespace {

void lf_fill(cairo_t* cr, int x, int y, int w, int h, COLORREF color) {
    if (w <= 0 || h <= 0) {
        return;
    }
    cairo_set_source_rgb(cr, GetRValue(color) / 255.0, GetGValue(color) / 255.0,
                         GetBValue(color) / 255.0);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
}

// Draws the outline of a rectangle `thickness` pixels wide, inside (x, y, w, h).
void lf_outline(cairo_t* cr, int x, int y, int w, int h, int thickness, COLORREF color) {
    lf_fill(cr, x, y, w, thickness, color);
    lf_fill(cr, x, y + h - thickness, w, thickness, color);
    lf_fill(cr, x, y, thickness, h, color);
    lf_fill(cr, x + w - thickness, y, thickness, h, color);
}

} // namespace

void paintFrame(const Image& picture, const FrameLook& look) {
    if (picture.empty()) {
        return;
    }
    const int width = picture.width();
    const int height = picture.height();
    const FrameInsets insets = frameInsetsFor(look.style, look.exStyle, look.dpi, look.child);
    cairo_t* cr = cairo_create(picture.surface());
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    int edge = 0;
    if (look.child) {
        if ((look.style & WS_BORDER) != 0) {
            lf_outline(cr, 0, 0, width, height, 1, GetSysColor(COLOR_WINDOWFRAME));
            edge = 1;
        }
    } else if (insets.left > 0 || insets.top > 0) {
        // Frame face, then a one-pixel outline.
        lf_fill(cr, 0, 0, width, insets.top, RGB(255, 255, 255));
        lf_fill(cr, 0, 0, insets.left, height, RGB(255, 255, 255));
        lf_fill(cr, width - insets.right, 0, insets.right, height, RGB(255, 255, 255));
        lf_fill(cr, 0, height - insets.bottom, width, insets.bottom, RGB(255, 255, 255));
        lf_outline(cr, 0, 0, width, height, 1, GetSysColor(COLOR_WINDOWFRAME));
        if ((look.style & WS_CAPTION) == WS_CAPTION && !look.title.empty()) {
            LOGFONTW font;
            font.lfHeight = -12;
            font.lfWeight = FW_NORMAL;
            const int captionTop = insets.left;
            const int captionHeight = insets.top - insets.left;
            const double scale = look.dpi / 96.0;
            const auto metrics = fontMetrics(font, scale);
            drawText(cr, insets.left + MulDiv(8, static_cast<int>(look.dpi), 96),
                     captionTop + (captionHeight - metrics.height) / 2, font, scale, look.title,
                     RGB(0, 0, 0));
        }
        cairo_destroy(cr);
        return;
    }
    if ((look.exStyle & WS_EX_CLIENTEDGE) != 0) {
        const int thickness = MulDiv(2, static_cast<int>(look.dpi), 96);
        lf_outline(cr, edge, edge, width - 2 * edge, height - 2 * edge, thickness,
                   GetSysColor(COLOR_BTNSHADOW));
    }
    cairo_destroy(cr);
}

} // namespace skyloom::winui::detail

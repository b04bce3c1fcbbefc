// Text with pango: the font a LOGFONTW asks for at a device scale (faces mapped, "Segoe UI"
// to Open Sans; negative heights are character heights, positive ones cell heights), its
// metrics, the size of a text, and drawing a text with its top-left corner at a point.
// Measuring and drawing use the same font options (grey anti-aliasing, no hinting), so a
// measured text fits where it is drawn.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/winui/gdi_objects.h"

typedef struct _cairo cairo_t;

namespace skyloom::winui::detail {

struct FontMetrics {
    int height = 0; // ascent + descent, device pixels
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int averageCharWidth = 0;
};

// The family drawn for the font's face.
std::string drawnFace(const LOGFONTW& font);
// The family fontconfig actually provides for the font (differs from drawnFace when that
// face is not installed).
std::string resolvedFamily(const LOGFONTW& font);
// The font's em size in device pixels when logical units are `scale` device pixels.
double fontPixelSize(const LOGFONTW& font, double scale);

FontMetrics fontMetrics(const LOGFONTW& font, double scale);
// Width and height of one line of text in device pixels.
SIZE measureText(const LOGFONTW& font, double scale, std::u16string_view text);
// Widths of each prefix of the text (0 .. text.size() characters), for caret placement.
std::vector<int> prefixWidths(const LOGFONTW& font, double scale, std::u16string_view text);
void drawText(cairo_t* cr, int x, int y, const LOGFONTW& font, double scale,
              std::u16string_view text, COLORREF color);

} // namespace skyloom::winui::detail

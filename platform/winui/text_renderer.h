// Text with pango: the font a LOGFONTW asks for at a device scale (faces mapped, "Segoe UI"
// to Open Sans at the size that gives it Segoe UI's x-height; negative heights are character
// heights, positive ones cell heights), its metrics, the size of a text, and drawing a text
// with its top-left corner at a point.
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
// The drawn family's em per em of the face asked for: "Segoe UI" is drawn with Open Sans
// scaled to Segoe UI's x-height (0.5 em against Open Sans' 0.535 em), which also brings its
// average width within about 1 % of Segoe UI's, so that texts fill the room a layout made for
// Segoe UI gives them. 1 for every other face.
double drawnEmScale(const LOGFONTW& font);
// The family fontconfig actually provides for the font (differs from drawnFace when that
// face is not installed).
std::string resolvedFamily(const LOGFONTW& font);
// The font's em size in device pixels when logical units are `scale` device pixels. A
// character height is one of the face asked for (drawnEmScale applies); a cell height is the
// drawn font's own.
double fontPixelSize(const LOGFONTW& font, double scale);

FontMetrics fontMetrics(const LOGFONTW& font, double scale);
// Width and height of one line of text in device pixels.
SIZE measureText(const LOGFONTW& font, double scale, std::u16string_view text);
// Widths of each prefix of the text (0 .. text.size() characters), for caret placement.
std::vector<int> prefixWidths(const LOGFONTW& font, double scale, std::u16string_view text);
void drawText(cairo_t* cr, int x, int y, const LOGFONTW& font, double scale,
              std::u16string_view text, COLORREF color);

} // namespace skyloom::winui::detail

// The drawing steps the main window's painter repeats, in layout units on the painter's
// memory context: a rectangle filled with a brush, and a line drawn with a pen that is
// selected for it and deselected after.
#pragma once

#include "platform/winui/win_types.h"

namespace skyloom {

void gf_fillLayoutRect(winui::HDC dc, int left, int top, int right, int bottom,
                       winui::HBRUSH brush);
// From (x1, y1) up to (x2, y2), as LineTo draws it.
void gf_drawLayoutLine(winui::HDC dc, int x1, int y1, int x2, int y2, winui::HPEN pen);

} // namespace skyloom

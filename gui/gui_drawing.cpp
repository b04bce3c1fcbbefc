#include "gui/gui_drawing.h"

#include "platform/winui/gdi.h"
#include "platform/winui/gdi_objects.h"

namespace skyloom {

void gf_fillLayoutRect(winui::HDC dc, int left, int top, int right, int bottom,
                       winui::HBRUSH brush) {
    const winui::RECT rect{left, top, right, bottom};
    winui::FillRect(dc, &rect, brush);
}

void gf_drawLayoutLine(winui::HDC dc, int x1, int y1, int x2, int y2, winui::HPEN pen) {
    const winui::HGDIOBJ previous = winui::SelectObject(dc, pen);
    winui::MoveToEx(dc, x1, y1, nullptr);
    winui::LineTo(dc, x2, y2);
    if (previous != nullptr) {
        winui::SelectObject(dc, previous);
    }
}

} // namespace skyloom

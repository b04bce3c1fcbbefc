// The layer's record of GDI objects: what a pen, brush, font or bitmap handle stands for,
// the stock objects, and how many device contexts have an object selected (so that
// DeleteObject can refuse it).
#pragma once

#include <atomic>
#include <memory>

#include "platform/winui/gdi_objects.h"
#include "platform/winui/image.h"

namespace skyloom::winui::detail {

struct GdiObject {
    enum class Kind { pen, brush, font, bitmap };
    Kind kind = Kind::brush;
    bool stock = false;
    bool hollow = false;       // NULL_BRUSH, NULL_PEN, PS_NULL pens
    bool usesDcColour = false; // DC_BRUSH, DC_PEN
    COLORREF color = 0;
    int penStyle = PS_SOLID;
    int penWidth = 1;
    LOGFONTW font;
    Image bitmap;
    std::atomic<int> selections{0};
    std::atomic<HANDLE> selectedInto{nullptr}; // bitmaps: the one memory context holding it
};

// The object behind a handle (stock objects included), null for anything else. A brush
// handle 1..COLOR_MAX + 1 stands for a system colour, as class backgrounds use it.
std::shared_ptr<GdiObject> findGdiObject(HGDIOBJ handle);
HGDIOBJ addGdiObject(std::shared_ptr<GdiObject> object);

} // namespace skyloom::winui::detail

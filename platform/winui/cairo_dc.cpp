#include "platform/winui/cairo_dc.h"

#include <algorithm>
#include <cstdlib>

#include "platform/winui/gdi.h"
#include "platform/winui/text_renderer.h"

#include <cairo.h>

namespace skyloom::winui::detail {
namespace {

void lf_setColour(cairo_t* cr, COLORREF color) {
    cairo_set_source_rgb(cr, GetRValue(color) / 255.0, GetGValue(color) / 255.0,
                         GetBValue(color) / 255.0);
}

// Whether the n-th pixel of a styled one-pixel line is drawn (GDI's dash and dot lengths).
bool lf_styleDraws(int style, int n) {
    switch (style) {
    case PS_DASH:
        return n % 24 < 18;
    case PS_DOT:
        return n % 6 < 3;
    default:
        return true;
    }
}

} // namespace

void CairoDc::CairoDeleter::operator()(cairo_t* cr) const {
    cairo_destroy(cr);
}

CairoDc::CairoDc(Image picture, POINT origin, SIZE size, const Region* clip, UINT dpi)
    : DeviceContext(dpi, false) {
    attach(std::move(picture), origin, size, clip);
}

CairoDc::CairoDc(UINT dpi) : DeviceContext(dpi, true) {
    bitmapChanged();
}

CairoDc::~CairoDc() = default;

void CairoDc::attach(Image picture, POINT origin, SIZE size, const Region* clip) {
    picture_ = std::move(picture);
    origin_ = origin;
    size_ = size;
    cr_.reset(cairo_create(picture_.surface()));
    cairo_t* cr = cr_.get();
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_translate(cr, origin.x, origin.y);
    cairo_rectangle(cr, 0, 0, size.cx, size.cy);
    cairo_clip(cr);
    if (clip != nullptr) {
        for (int i = 0; i < clip->rectangleCount(); ++i) {
            const RECT r = clip->rectangle(i);
            cairo_rectangle(cr, r.left, r.top, r.right - r.left, r.bottom - r.top);
        }
        cairo_clip(cr);
    }
}

void CairoDc::bitmapChanged() {
    const auto& object = attributes().bitmapObject;
    if (!object) {
        return;
    }
    const Image& bitmap = object->bitmap;
    attach(bitmap, POINT{0, 0}, SIZE{bitmap.width(), bitmap.height()}, nullptr);
}

void CairoDc::fillDevice(const RECT& device, COLORREF color) {
    if (device.right <= device.left || device.bottom <= device.top) {
        return;
    }
    cairo_t* cr = cr_.get();
    lf_setColour(cr, color);
    cairo_rectangle(cr, device.left, device.top, device.right - device.left,
                    device.bottom - device.top);
    cairo_fill(cr);
}

void CairoDc::lineDevice(POINT from, POINT to, COLORREF color, int width, int style) {
    if (from == to) {
        return;
    }
    cairo_t* cr = cr_.get();
    if (width <= 1) {
        // Bresenham, leaving out the end point; runs along a row are filled as one rectangle.
        int x = from.x;
        int y = from.y;
        const int dx = std::abs(to.x - x);
        const int dy = -std::abs(to.y - y);
        const int sx = x < to.x ? 1 : -1;
        const int sy = y < to.y ? 1 : -1;
        int err = dx + dy;
        lf_setColour(cr, color);
        for (int n = 0; !(x == to.x && y == to.y); ++n) {
            if (lf_styleDraws(style, n)) {
                cairo_rectangle(cr, x, y, 1, 1);
            }
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y += sy;
            }
        }
        cairo_fill(cr);
        return;
    }
    const int offset = (width - 1) / 2;
    if (from.y == to.y) {
        const int left = from.x < to.x ? from.x : to.x + 1;
        const int right = from.x < to.x ? to.x : from.x + 1;
        fillDevice(RECT{left, from.y - offset, right, from.y - offset + width}, color);
        return;
    }
    if (from.x == to.x) {
        const int top = from.y < to.y ? from.y : to.y + 1;
        const int bottom = from.y < to.y ? to.y : from.y + 1;
        fillDevice(RECT{from.x - offset, top, from.x - offset + width, bottom}, color);
        return;
    }
    cairo_save(cr);
    lf_setColour(cr, color);
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_move_to(cr, from.x + 0.5, from.y + 0.5);
    cairo_line_to(cr, to.x + 0.5, to.y + 0.5);
    cairo_stroke(cr);
    cairo_restore(cr);
}

void CairoDc::fillRect(const RECT& rect, const ResolvedBrush& brush) {
    if (brush.visible) {
        fillDevice(toDevice(rect), brush.color);
    }
}

void CairoDc::line(POINT from, POINT to, const ResolvedPen& pen) {
    if (pen.visible) {
        lineDevice(toDevice(from), toDevice(to), pen.color, devicePenWidth(pen), pen.style);
    }
}

void CairoDc::rectangle(const RECT& rect, const ResolvedPen& pen, const ResolvedBrush& brush) {
    const RECT d = toDevice(rect);
    if (d.right <= d.left || d.bottom <= d.top) {
        return;
    }
    if (!pen.visible) {
        // Without a pen the figure is one pixel narrower and lower.
        if (brush.visible) {
            fillDevice(RECT{d.left, d.top, d.right - 1, d.bottom - 1}, brush.color);
        }
        return;
    }
    const int w = devicePenWidth(pen);
    if (brush.visible) {
        fillDevice(RECT{d.left + 1, d.top + 1, d.right - 1, d.bottom - 1}, brush.color);
    }
    if (w == 1 && pen.style != PS_SOLID && pen.style != PS_INSIDEFRAME) {
        const POINT corners[] = {{d.left, d.top},
                                 {d.right - 1, d.top},
                                 {d.right - 1, d.bottom - 1},
                                 {d.left, d.bottom - 1}};
        for (int i = 0; i < 4; ++i) {
            lineDevice(corners[i], corners[(i + 1) % 4], pen.color, 1, pen.style);
        }
        return;
    }
    if (pen.style == PS_INSIDEFRAME) {
        fillDevice(RECT{d.left, d.top, d.right, d.top + w}, pen.color);
        fillDevice(RECT{d.left, d.bottom - w, d.right, d.bottom}, pen.color);
        fillDevice(RECT{d.left, d.top, d.left + w, d.bottom}, pen.color);
        fillDevice(RECT{d.right - w, d.top, d.right, d.bottom}, pen.color);
        return;
    }
    // The outline runs through the centres of the outermost pixels, the pen centred on it.
    const int o = (w - 1) / 2;
    const int l = d.left - o;
    const int t = d.top - o;
    const int r = d.right - 1 - o;
    const int b = d.bottom - 1 - o;
    fillDevice(RECT{l, t, r + w, t + w}, pen.color);
    fillDevice(RECT{l, b, r + w, b + w}, pen.color);
    fillDevice(RECT{l, t, l + w, b + w}, pen.color);
    fillDevice(RECT{r, t, r + w, b + w}, pen.color);
}

void CairoDc::polyline(const std::vector<POINT>& points, const ResolvedPen& pen) {
    for (std::size_t i = 1; i < points.size(); ++i) {
        line(points[i - 1], points[i], pen);
    }
}

void CairoDc::textOut(POINT at, std::u16string_view text, const TextAttributes& attributes) {
    const POINT d = toDevice(at);
    const double scale = std::abs(scaleY());
    if (attributes.opaque) {
        const SIZE size = measureText(attributes.font, scale, text);
        fillDevice(RECT{d.x, d.y, d.x + size.cx, d.y + size.cy}, attributes.background);
    }
    drawText(cr_.get(), d.x, d.y, attributes.font, scale, text, attributes.color);
}

bool CairoDc::blit(const RECT& target, DeviceContext& source, POINT sourceOrigin, DWORD rop) {
    const RECT d = toDevice(target);
    switch (rop) {
    case BLACKNESS:
        fillDevice(d, RGB(0, 0, 0));
        return true;
    case WHITENESS:
        fillDevice(d, RGB(255, 255, 255));
        return true;
    case PATCOPY: {
        const ResolvedBrush current = brush();
        if (current.visible) {
            fillDevice(d, current.color);
        }
        return true;
    }
    case SRCCOPY:
        break;
    default:
        return false;
    }
    const Image* sourcePicture = source.picture();
    if (sourcePicture == nullptr || sourcePicture->empty()) {
        return false;
    }
    POINT s = source.toDevice(sourceOrigin);
    const POINT sourceOffset = source.pictureOrigin();
    s.x += sourceOffset.x;
    s.y += sourceOffset.y;
    // Cairo cannot read and write one surface in one operation; copy it first.
    const Image from =
        sourcePicture->surface() == picture_.surface() ? sourcePicture->clone() : *sourcePicture;
    cairo_t* cr = cr_.get();
    cairo_surface_flush(from.surface());
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, from.surface(), d.left - s.x, d.top - s.y);
    cairo_rectangle(cr, d.left, d.top, d.right - d.left, d.bottom - d.top);
    cairo_fill(cr);
    cairo_restore(cr);
    return true;
}

COLORREF CairoDc::pixel(POINT at) const {
    const POINT d = toDevice(at);
    if (d.x < 0 || d.y < 0 || d.x >= size_.cx || d.y >= size_.cy) {
        return CLR_INVALID;
    }
    cairo_surface_flush(picture_.surface());
    return picture_.pixel(d.x + origin_.x, d.y + origin_.y);
}

COLORREF CairoDc::setPixel(POINT at, COLORREF color) {
    const POINT d = toDevice(at);
    fillDevice(RECT{d.x, d.y, d.x + 1, d.y + 1}, color);
    return color & 0x00FFFFFF;
}

} // namespace skyloom::winui::detail

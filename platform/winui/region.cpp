#include "platform/winui/region.h"

#include <algorithm>

#include <cairo.h>

namespace skyloom::winui::detail {
namespace {

cairo_rectangle_int_t lf_toCairo(const RECT& rect) {
    return cairo_rectangle_int_t{rect.left, rect.top, std::max(0, rect.right - rect.left),
                                 std::max(0, rect.bottom - rect.top)};
}

RECT lf_fromCairo(const cairo_rectangle_int_t& r) {
    return RECT{r.x, r.y, r.x + r.width, r.y + r.height};
}

} // namespace

Region::Region() : region_(cairo_region_create()) {}

Region::Region(const RECT& rect) : Region() {
    add(rect);
}

Region::Region(const Region& other) : region_(cairo_region_copy(other.region_)) {}

Region& Region::operator=(const Region& other) {
    if (this != &other) {
        cairo_region_t* copy = cairo_region_copy(other.region_);
        cairo_region_destroy(region_);
        region_ = copy;
    }
    return *this;
}

Region::~Region() {
    if (region_ != nullptr) {
        cairo_region_destroy(region_);
    }
}

bool Region::empty() const {
    return region_ == nullptr || cairo_region_is_empty(region_);
}

RECT Region::bounds() const {
    if (empty()) {
        return RECT{};
    }
    cairo_rectangle_int_t extents;
    cairo_region_get_extents(region_, &extents);
    return lf_fromCairo(extents);
}

bool Region::contains(POINT point) const {
    return !empty() && cairo_region_contains_point(region_, point.x, point.y);
}

void Region::add(const RECT& rect) {
    if (isEmptyRect(rect)) {
        return;
    }
    const cairo_rectangle_int_t r = lf_toCairo(rect);
    cairo_region_union_rectangle(region_, &r);
}

void Region::subtract(const RECT& rect) {
    if (isEmptyRect(rect)) {
        return;
    }
    const cairo_rectangle_int_t r = lf_toCairo(rect);
    cairo_region_subtract_rectangle(region_, &r);
}

void Region::intersect(const RECT& rect) {
    const cairo_rectangle_int_t r = lf_toCairo(rect);
    cairo_region_intersect_rectangle(region_, &r);
}

void Region::clear() {
    cairo_region_destroy(region_);
    region_ = cairo_region_create();
}

void Region::translate(int dx, int dy) {
    cairo_region_translate(region_, dx, dy);
}

int Region::rectangleCount() const {
    return cairo_region_num_rectangles(region_);
}

RECT Region::rectangle(int index) const {
    cairo_rectangle_int_t r;
    cairo_region_get_rectangle(region_, index, &r);
    return lf_fromCairo(r);
}

bool isEmptyRect(const RECT& rect) {
    return rect.right <= rect.left || rect.bottom <= rect.top;
}

RECT intersectRects(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    return isEmptyRect(r) ? RECT{} : r;
}

bool rectContains(const RECT& rect, POINT point) {
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top &&
           point.y < rect.bottom;
}

RECT offsetRect(RECT rect, int dx, int dy) {
    return RECT{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}

} // namespace skyloom::winui::detail

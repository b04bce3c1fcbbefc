// A set of pixels made of rectangles: the invalid region of a window and the clip of a
// device context. Invalidations merge by union, so a window asked to repaint twice paints
// once. Built on cairo's regions.
#pragma once

#include <memory>

#include "platform/winui/win_types.h"

typedef struct _cairo_region cairo_region_t;

namespace skyloom::winui::detail {

class Region {
public:
    Region();
    explicit Region(const RECT& rect);
    Region(const Region& other);
    Region& operator=(const Region& other);
    ~Region();

    bool empty() const;
    // The smallest rectangle holding the region; all zero when it is empty.
    RECT bounds() const;
    bool contains(POINT point) const;

    void add(const RECT& rect);
    void subtract(const RECT& rect);
    void intersect(const RECT& rect);
    void clear();
    void translate(int dx, int dy);

    int rectangleCount() const;
    RECT rectangle(int index) const;

    cairo_region_t* get() const { return region_; }

private:
    cairo_region_t* region_;
};

bool isEmptyRect(const RECT& rect);
RECT intersectRects(const RECT& a, const RECT& b);
bool rectContains(const RECT& rect, POINT point);
RECT offsetRect(RECT rect, int dx, int dy);

} // namespace skyloom::winui::detail

// The device context that draws pixels, with cairo and pango: on a window's picture (the
// client area at an offset, clipped to what is being painted) or, as a memory context, on the
// bitmap selected into it. Shapes are rasterised exactly as GDI does it for the cases the
// program draws: one-pixel lines by Bresenham's rule without their end point, axis-aligned
// wide lines as bands, filled rectangles without their right and bottom edges.
#pragma once

#include <memory>

#include "platform/winui/device_context.h"
#include "platform/winui/region.h"

typedef struct _cairo cairo_t;

namespace skyloom::winui::detail {

class CairoDc final : public DeviceContext {
public:
    // A window context: draws on `picture` with device (0, 0) at `origin`, on at most
    // `size` pixels, limited to `clip` (device coordinates of this context) when given.
    CairoDc(Image picture, POINT origin, SIZE size, const Region* clip, UINT dpi);
    // A memory context, drawing on its selected bitmap (a 1 x 1 one at first).
    explicit CairoDc(UINT dpi);
    ~CairoDc() override;

    SIZE deviceSize() const override { return size_; }

    void fillRect(const RECT& rect, const ResolvedBrush& brush) override;
    void line(POINT from, POINT to, const ResolvedPen& pen) override;
    void rectangle(const RECT& rect, const ResolvedPen& pen, const ResolvedBrush& brush) override;
    void polyline(const std::vector<POINT>& points, const ResolvedPen& pen) override;
    void textOut(POINT at, std::u16string_view text, const TextAttributes& attributes) override;
    bool blit(const RECT& target, DeviceContext& source, POINT sourceOrigin, DWORD rop) override;
    COLORREF pixel(POINT at) const override;
    COLORREF setPixel(POINT at, COLORREF color) override;

    const Image* picture() const override { return &picture_; }
    POINT pictureOrigin() const override { return origin_; }

protected:
    void bitmapChanged() override;

private:
    void attach(Image picture, POINT origin, SIZE size, const Region* clip);
    void fillDevice(const RECT& device, COLORREF color);
    void lineDevice(POINT from, POINT to, COLORREF color, int width, int style);

    struct CairoDeleter {
        void operator()(cairo_t* cr) const;
    };

    Image picture_;
    POINT origin_;
    SIZE size_;
    std::unique_ptr<cairo_t, CairoDeleter> cr_;
};

} // namespace skyloom::winui::detail

// A picture in memory: the pixels of a window, a bitmap or a capture, 24-bit RGB on a cairo
// image surface. Copies share the pixels (a window's backing store and the device context
// that draws on it see the same picture); clone() makes an independent one. Pixels read back
// as COLORREF so that tests compare them with the colours the drawing code used.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "platform/winui/win_types.h"

typedef struct _cairo_surface cairo_surface_t;

namespace skyloom::winui {

class Image {
public:
    Image() = default;
    // A picture of the given size in device pixels, filled with `color`. Sizes below 1 are
    // raised to 1, so that every image can be drawn on.
    Image(int width, int height, COLORREF color = RGB(0, 0, 0));

    int width() const;
    int height() const;
    bool empty() const { return !surface_; }

    // The colour at (x, y); CLR_INVALID outside the picture.
    COLORREF pixel(int x, int y) const;
    void fill(COLORREF color);
    Image clone() const;

    // Writes a PNG file; false when it cannot be written.
    bool writePng(const std::filesystem::path& file) const;
    // Reads a PNG file; no value when it is missing or not a PNG.
    static std::optional<Image> readPng(const std::filesystem::path& file);

    // The cairo surface, for the layer's drawing code.
    cairo_surface_t* surface() const { return surface_.get(); }

private:
    struct SurfaceDeleter {
        void operator()(cairo_surface_t* surface) const;
    };
    explicit Image(cairo_surface_t* adopted);

    std::shared_ptr<cairo_surface_t> surface_;
};

// GetPixel's answer outside the picture.
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

} // namespace skyloom::winui

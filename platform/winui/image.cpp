#include "platform/winui/image.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <cairo.h>

namespace skyloom::winui {

void Image::SurfaceDeleter::operator()(cairo_surface_t* surface) const {
    cairo_surface_destroy(surface);
}

Image::Image(cairo_surface_t* adopted) : surface_(adopted, SurfaceDeleter{}) {}

Image::Image(int width, int height, COLORREF color)
    : surface_(
          cairo_image_surface_create(CAIRO_FORMAT_RGB24, std::max(width, 1), std::max(height, 1)),
          SurfaceDeleter{}) {
    fill(color);
}

int Image::width() const {
    return surface_ ? cairo_image_surface_get_width(surface_.get()) : 0;
}

int Image::height() const {
    return surface_ ? cairo_image_surface_get_height(surface_.get()) : 0;
}

COLORREF Image::pixel(int x, int y) const {
    if (!surface_ || x < 0 || y < 0 || x >= width() || y >= height()) {
        return CLR_INVALID;
    }
    cairo_surface_flush(surface_.get());
    const unsigned char* data = cairo_image_surface_get_data(surface_.get());
    const int stride = cairo_image_surface_get_stride(surface_.get());
    std::uint32_t value = 0;
    std::memcpy(&value, data + static_cast<std::ptrdiff_t>(y) * stride + x * 4, sizeof value);
    return RGB(static_cast<BYTE>((value >> 16) & 0xFF), static_cast<BYTE>((value >> 8) & 0xFF),
               static_cast<BYTE>(value & 0xFF));
}

void Image::fill(COLORREF color) {
    if (!surface_) {
        return;
    }
    cairo_t* cr = cairo_create(surface_.get());
    cairo_set_source_rgb(cr, GetRValue(color) / 255.0, GetGValue(color) / 255.0,
                         GetBValue(color) / 255.0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface_.get());
}

Image Image::clone() const {
    if (!surface_) {
        return {};
    }
    Image copy(width(), height());
    cairo_t* cr = cairo_create(copy.surface());
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, surface_.get(), 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(copy.surface());
    return copy;
}

bool Image::writePng(const std::filesystem::path& file) const {
    if (!surface_) {
        return false;
    }
    cairo_surface_flush(surface_.get());
    return cairo_surface_write_to_png(surface_.get(), file.c_str()) == CAIRO_STATUS_SUCCESS;
}

std::optional<Image> Image::readPng(const std::filesystem::path& file) {
    cairo_surface_t* loaded = cairo_image_surface_create_from_png(file.c_str());
    if (cairo_surface_status(loaded) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(loaded);
        return std::nullopt;
    }
    // Bring every PNG to the one format that pixel() reads.
    Image image(cairo_image_surface_get_width(loaded), cairo_image_surface_get_height(loaded));
    cairo_t* cr = cairo_create(image.surface());
    cairo_set_source_surface(cr, loaded, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(loaded);
    cairo_surface_flush(image.surface());
    return image;
}

} // namespace skyloom::winui

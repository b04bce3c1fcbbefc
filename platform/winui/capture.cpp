#include "platform/winui/capture.h"

#include <algorithm>
#include <vector>

#include "platform/winui/region.h"
#include "platform/winui/styles.h"
#include "platform/winui/window_registry.h"

#include <cairo.h>

namespace skyloom::winui {
namespace {

using detail::Window;

// Draws a window (its whole rectangle) with its children onto `cr`, whose origin is the
// window's top-left corner.
void lf_composeLocked(cairo_t* cr, const Window& window) {
    if (!window.backing.empty()) {
        cairo_save(cr);
        cairo_set_source_surface(cr, window.backing.surface(), 0, 0);
        cairo_paint(cr);
        cairo_restore(cr);
    }
    const RECT client = detail::clientAreaLocked(window);
    // Bottom of the z-order first, so that the top child ends up on top.
    for (auto it = window.children.rbegin(); it != window.children.rend(); ++it) {
        const Window* child = detail::findWindowLocked(*it);
        if (child == nullptr || (child->style & WS_VISIBLE) == 0) {
            continue;
        }
        cairo_save(cr);
        cairo_rectangle(cr, client.left, client.top, client.right - client.left,
                        client.bottom - client.top);
        cairo_clip(cr);
        cairo_translate(cr, client.left + child->rect.left, client.top + child->rect.top);
        cairo_rectangle(cr, 0, 0, child->rect.right - child->rect.left,
                        child->rect.bottom - child->rect.top);
        cairo_clip(cr);
        lf_composeLocked(cr, *child);
        cairo_restore(cr);
    }
}

} // namespace

Image captureWindow(HWND hwnd, CaptureArea area, CapturePopups popups) {
    std::lock_guard lock(detail::windowsMutex());
    const Window* window = detail::findWindowLocked(hwnd);
    if (window == nullptr) {
        return {};
    }
    const RECT screen = detail::screenRectLocked(*window);
    const RECT client = detail::clientAreaLocked(*window);
    const bool whole = area == CaptureArea::window;
    const int width = whole ? screen.right - screen.left : client.right - client.left;
    const int height = whole ? screen.bottom - screen.top : client.bottom - client.top;
    Image image(width, height, RGB(0, 0, 0));
    cairo_t* cr = cairo_create(image.surface());
    // The capture's origin on the screen.
    const POINT origin = whole ? POINT{screen.left, screen.top}
                               : POINT{screen.left + client.left, screen.top + client.top};
    cairo_save(cr);
    cairo_translate(cr, screen.left - origin.x, screen.top - origin.y);
    lf_composeLocked(cr, *window);
    cairo_restore(cr);
    if (popups == CapturePopups::leaveOut) {
        cairo_destroy(cr);
        cairo_surface_flush(image.surface());
        return image;
    }

    // Pop-ups owned by the window or any of its descendants, bottom of the z-order first.
    std::vector<HWND> tree;
    detail::collectTreeLocked(hwnd, tree);
    const auto tops = detail::topLevelWindowsLocked();
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        const Window* popup = detail::findWindowLocked(*it);
        if (popup == nullptr || popup->owner == nullptr || (popup->style & WS_VISIBLE) == 0 ||
            std::find(tree.begin(), tree.end(), popup->owner) == tree.end()) {
            continue;
        }
        cairo_save(cr);
        cairo_translate(cr, popup->rect.left - origin.x, popup->rect.top - origin.y);
        lf_composeLocked(cr, *popup);
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    cairo_surface_flush(image.surface());
    return image;
}

bool captureWindowToPng(HWND hwnd, const std::filesystem::path& file, CaptureArea area) {
    const Image image = captureWindow(hwnd, area);
    return !image.empty() && image.writePng(file);
}

} // namespace skyloom::winui

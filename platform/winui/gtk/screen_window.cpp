#include "platform/winui/gtk/screen_window.h"

#include <algorithm>

#include <cairo.h>

#include "platform/winui/backend.h"
#include "platform/winui/gtk/key_translation.h"
#include "platform/winui/gtk/library_checks.h"
#include "platform/winui/input.h"
#include "platform/winui/input_state.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"

namespace skyloom::winui::gtk {
namespace {

ScreenWindow& lf_self(gpointer self) {
    return *static_cast<ScreenWindow*>(self);
}

// The layer's focus lies in this top-level window (the window itself or a descendant).
HWND lf_focusWithin(HWND topLevel) {
    const HWND focus = detail::focusWindow();
    if (focus == nullptr) {
        return nullptr;
    }
    return focus == topLevel || IsChild(topLevel, focus) != FALSE ? focus : nullptr;
}

void lf_typeCharacter(char32_t character) {
    if (character > 0xFFFF) {
        const char32_t value = character - 0x10000;
        injectChar(static_cast<char16_t>(0xD800 + (value >> 10)));
        injectChar(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
        return;
    }
    injectChar(static_cast<char16_t>(character));
}

} // namespace

ScreenWindow::ScreenWindow(const WindowLook& look, GtkWindow* transientFor, ScreenTraits traits)
    : hwnd_(look.hwnd), ownerRoot_(look.ownerRoot), scale_(traits.scale < 1 ? 1 : traits.scale),
      placesKnown_(traits.placesKnown), popupShown_(std::move(traits.popupShown)),
      window_(gtk_window_new(look.ownerRoot != nullptr ? GTK_WINDOW_POPUP : GTK_WINDOW_TOPLEVEL)),
      area_(gtk_drawing_area_new()) {
    // The layer sizes the window; the frame is the desktop's.
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    if (transientFor != nullptr) {
        gtk_window_set_transient_for(GTK_WINDOW(window_), transientFor);
    }
    gtk_widget_set_can_focus(area_, TRUE);
    gtk_widget_add_events(area_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                     GDK_POINTER_MOTION_MASK | GDK_SCROLL_MASK |
                                     GDK_KEY_PRESS_MASK | GDK_FOCUS_CHANGE_MASK);
    gtk_container_add(GTK_CONTAINER(window_), area_);
    g_signal_connect(area_, "draw", G_CALLBACK(&ScreenWindow::onDraw), this);
    g_signal_connect(area_, "button-press-event", G_CALLBACK(&ScreenWindow::onButton), this);
    g_signal_connect(area_, "button-release-event", G_CALLBACK(&ScreenWindow::onButton), this);
    g_signal_connect(area_, "motion-notify-event", G_CALLBACK(&ScreenWindow::onMotion), this);
    g_signal_connect(area_, "scroll-event", G_CALLBACK(&ScreenWindow::onScroll), this);
    g_signal_connect(window_, "key-press-event", G_CALLBACK(&ScreenWindow::onKey), this);
    g_signal_connect(window_, "focus-in-event", G_CALLBACK(&ScreenWindow::onFocus), this);
    g_signal_connect(window_, "focus-out-event", G_CALLBACK(&ScreenWindow::onFocus), this);
    g_signal_connect(window_, "delete-event", G_CALLBACK(&ScreenWindow::onDelete), this);
    g_signal_connect(window_, "configure-event", G_CALLBACK(&ScreenWindow::onConfigure), this);
    g_signal_connect(window_, "destroy", G_CALLBACK(&ScreenWindow::onDestroyed), this);
    apply(look);
}

ScreenWindow::~ScreenWindow() {
    if (window_ == nullptr) {
        return;
    }
    g_signal_handlers_disconnect_by_data(area_, this);
    g_signal_handlers_disconnect_by_data(window_, this);
    gtk_widget_destroy(window_);
}

void ScreenWindow::onDestroyed(GtkWidget* /*widget*/, gpointer self) {
    const OwnCodeChecked checked;
    ScreenWindow& window = lf_self(self);
    window.window_ = nullptr;
    window.area_ = nullptr;
    window.shown_ = false;
    PostMessageW(window.hwnd_, WM_CLOSE, 0, 0);
}

void ScreenWindow::apply(const WindowLook& look) {
    if (window_ == nullptr) {
        return;
    }
    gtk_window_set_title(GTK_WINDOW(window_), look.title.c_str());
    const int width = std::max(1, static_cast<int>(look.clientSize.cx) / scale_);
    const int height = std::max(1, static_cast<int>(look.clientSize.cy) / scale_);
    gtk_widget_set_size_request(area_, width, height);
    gtk_window_resize(GTK_WINDOW(window_), width, height);
    if (placesKnown_ &&
        (!shown_ || look.clientOrigin.x != origin_.x || look.clientOrigin.y != origin_.y)) {
        origin_ = look.clientOrigin;
        gtk_window_move(GTK_WINDOW(window_), origin_.x / scale_, origin_.y / scale_);
    }
    gtk_window_set_keep_above(GTK_WINDOW(window_), look.topmost ? TRUE : FALSE);
    if (look.visible && !look.minimised) {
        if (!shown_) {
            gtk_widget_show_all(window_);
            shown_ = true;
        }
        gtk_window_deiconify(GTK_WINDOW(window_));
    } else if (look.visible && look.minimised) {
        gtk_window_iconify(GTK_WINDOW(window_));
    } else if (shown_) {
        gtk_widget_hide(window_);
        shown_ = false;
    }
}

void ScreenWindow::show(Image picture) {
    picture_ = std::move(picture);
    if (area_ != nullptr) {
        gtk_widget_queue_draw(area_);
    }
}

POINT ScreenWindow::screenPoint(double x, double y) const {
    POINT point{static_cast<LONG>(x * scale_), static_cast<LONG>(y * scale_)};
    ClientToScreen(hwnd_, &point);
    return point;
}

gboolean ScreenWindow::onDraw(GtkWidget* /*widget*/, cairo_t* cr, gpointer self) {
    const OwnCodeChecked checked;
    const ScreenWindow& window = lf_self(self);
    cairo_surface_t* picture = window.picture_.empty() ? nullptr : window.picture_.surface();
    const double scale = 1.0 / window.scale_;
    // cairo's own work on GTK's context, as GTK's drawing around it.
    const LibrariesUnchecked cairo;
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    if (picture != nullptr) {
        // One picture pixel on one device pixel.
        cairo_scale(cr, scale, scale);
        cairo_set_source_surface(cr, picture, 0, 0);
        cairo_paint(cr);
    }
    return TRUE;
}

gboolean ScreenWindow::onButton(GtkWidget* /*widget*/, GdkEventButton* event, gpointer self) {
    const OwnCodeChecked checked;
    const ScreenWindow& window = lf_self(self);
    if (event->button != GDK_BUTTON_PRIMARY) {
        return FALSE;
    }
    const POINT at = window.screenPoint(event->x, event->y);
    // With the X server's time of each press: the layer makes double clicks of them as Windows
    // does. GTK's own double and triple press events come after the presses they repeat.
    if (event->type == GDK_BUTTON_PRESS) {
        gtk_widget_grab_focus(window.area_);
        injectButtonDown(at, event->time);
    } else if (event->type == GDK_BUTTON_RELEASE) {
        injectButtonUp(at, event->time);
    }
    return TRUE;
}

gboolean ScreenWindow::onMotion(GtkWidget* /*widget*/, GdkEventMotion* event, gpointer self) {
    const OwnCodeChecked checked;
    const ScreenWindow& window = lf_self(self);
    injectMouseMove(window.screenPoint(event->x, event->y), (event->state & GDK_BUTTON1_MASK) != 0);
    return TRUE;
}

gboolean ScreenWindow::onScroll(GtkWidget* /*widget*/, GdkEventScroll* event, gpointer self) {
    const OwnCodeChecked checked;
    const ScreenWindow& window = lf_self(self);
    int delta = 0;
    if (event->direction == GDK_SCROLL_UP) {
        delta = WHEEL_DELTA;
    } else if (event->direction == GDK_SCROLL_DOWN) {
        delta = -WHEEL_DELTA;
    }
    if (delta != 0) {
        injectWheel(window.screenPoint(event->x, event->y), delta);
    }
    return TRUE;
}

gboolean ScreenWindow::onKey(GtkWidget* /*widget*/, GdkEventKey* event, gpointer /*self*/) {
    const OwnCodeChecked checked;
    const KeyInput key = gf_translateKey(event->keyval, gdk_keyval_to_unicode(event->keyval),
                                         (event->state & GDK_CONTROL_MASK) != 0,
                                         (event->state & GDK_MOD1_MASK) != 0);
    switch (key.kind) {
    case KeyInput::Kind::virtualKey:
        injectKey(key.virtualKey);
        return TRUE;
    case KeyInput::Kind::character:
        lf_typeCharacter(key.character);
        return TRUE;
    case KeyInput::Kind::none:
        break;
    }
    return FALSE;
}

gboolean ScreenWindow::onFocus(GtkWidget* /*widget*/, GdkEventFocus* event, gpointer self) {
    const OwnCodeChecked checked;
    const ScreenWindow& window = lf_self(self);
    if (window.popupShown_ && window.popupShown_(window.hwnd_)) {
        return FALSE;
    }
    // Posted, not sent: the GTK thread never waits for a window's thread.
    if (const HWND focus = lf_focusWithin(window.hwnd_); focus != nullptr) {
        PostMessageW(focus, event->in != 0 ? WM_SETFOCUS : WM_KILLFOCUS, 0, 0);
    }
    return FALSE;
}

gboolean ScreenWindow::onDelete(GtkWidget* /*widget*/, GdkEvent* /*event*/, gpointer self) {
    const OwnCodeChecked checked;
    // The window decides whether and when it goes.
    PostMessageW(lf_self(self).hwnd_, WM_CLOSE, 0, 0);
    return TRUE;
}

gboolean ScreenWindow::onConfigure(GtkWidget* /*widget*/, GdkEventConfigure* /*event*/,
                                   gpointer self) {
    const OwnCodeChecked checked;
    ScreenWindow& window = lf_self(self);
    if (!window.shown_ || !window.placesKnown_) {
        return FALSE;
    }
    int x = 0;
    int y = 0;
    gtk_window_get_position(GTK_WINDOW(window.window_), &x, &y);
    const POINT origin{x * window.scale_, y * window.scale_};
    if (origin.x != window.origin_.x || origin.y != window.origin_.y) {
        window.origin_ = origin;
        noteWindowMovedOnScreen(window.hwnd_, origin);
    }
    return FALSE;
}

} // namespace skyloom::winui::gtk

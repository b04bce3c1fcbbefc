// One top-level window of the layer on screen (GTK thread only): a GTK window whose one
// drawing area shows the layer's last picture of the window's client area, at the window's
// place and size, with its title; a pop-up of another window is an undecorated pop-up window
// over it. The user's input in it goes back to the layer: the left button and the pointer as
// mouse messages at the same screen point, the wheel, keys and typed characters (see
// key_translation.h), focus leaving and coming back to the window as WM_KILLFOCUS and
// WM_SETFOCUS of the control that has it, the close button as WM_CLOSE (the window itself
// stays), and a move by the user as the window's new place. A GTK window that the desktop
// destroys (no window system does that to a window it did not make) asks the layer's window
// to close, since the user can no longer see it.
#pragma once

#include <functional>

#include <gtk/gtk.h>

#include "platform/winui/gtk/window_look.h"
#include "platform/winui/image.h"

namespace skyloom::winui::gtk {

// What holds for every window of the display.
struct ScreenTraits {
    // Device pixels of the layer per GTK pixel.
    int scale = 1;
    // Whether windows can be placed and their places read (X11); a Wayland compositor keeps
    // places to itself, so the layer's places are then neither sent nor taken back.
    bool placesKnown = true;
    // Whether a pop-up of the given top-level window shows: its focus then stays with the
    // window, wherever the desktop puts the keyboard while the pointer is over the pop-up.
    std::function<bool(HWND)> popupShown;
};

class ScreenWindow {
public:
    ScreenWindow(const WindowLook& look, GtkWindow* transientFor, ScreenTraits traits);
    ~ScreenWindow();
    ScreenWindow(const ScreenWindow&) = delete;
    ScreenWindow& operator=(const ScreenWindow&) = delete;

    // Follows the layer: place, size, title, visibility, stay on top.
    void apply(const WindowLook& look);
    // Shows `picture` (the client area) from now on.
    void show(Image picture);

    // Null once the desktop destroyed the GTK window.
    GtkWindow* gtkWindow() const { return window_ != nullptr ? GTK_WINDOW(window_) : nullptr; }
    HWND hwnd() const { return hwnd_; }
    // For a pop-up: the top-level window it stands over.
    HWND ownerRoot() const { return ownerRoot_; }
    bool shown() const { return shown_; }

private:
    static gboolean onDraw(GtkWidget* widget, cairo_t* cr, gpointer self);
    static gboolean onButton(GtkWidget* widget, GdkEventButton* event, gpointer self);
    static gboolean onMotion(GtkWidget* widget, GdkEventMotion* event, gpointer self);
    static gboolean onScroll(GtkWidget* widget, GdkEventScroll* event, gpointer self);
    static gboolean onKey(GtkWidget* widget, GdkEventKey* event, gpointer self);
    static gboolean onFocus(GtkWidget* widget, GdkEventFocus* event, gpointer self);
    static gboolean onDelete(GtkWidget* widget, GdkEvent* event, gpointer self);
    static gboolean onConfigure(GtkWidget* widget, GdkEventConfigure* event, gpointer self);
    static void onDestroyed(GtkWidget* widget, gpointer self);

    // A point of the drawing area in the layer's screen pixels.
    POINT screenPoint(double x, double y) const;

    HWND hwnd_;
    HWND ownerRoot_;
    int scale_;
    bool placesKnown_;
    std::function<bool(HWND)> popupShown_;
    GtkWidget* window_;
    GtkWidget* area_;
    Image picture_;
    POINT origin_{}; // where the window was last placed, in the layer's pixels
    bool shown_ = false;
};

} // namespace skyloom::winui::gtk

// What the GTK backend shows of a top-level window of the layer, read on the window's own
// thread when the layer reports a change: whether and where it shows (its client area, in the
// layer's screen pixels), its title, and whether it is a pop-up of another window.
#pragma once

#include <string>

#include "platform/winui/win_types.h"

namespace skyloom::winui::gtk {

struct WindowLook {
    HWND hwnd = nullptr;
    bool visible = false;
    bool minimised = false;
    bool topmost = false;
    // A pop-up (an open combo-box list): the top-level window its owner belongs to.
    HWND ownerRoot = nullptr;
    POINT clientOrigin{};
    SIZE clientSize{};
    std::string title; // UTF-8
};

// No value for a handle that is no window.
bool gf_readWindowLook(HWND hwnd, WindowLook& look);

} // namespace skyloom::winui::gtk

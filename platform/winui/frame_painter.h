// The non-client part of a window, drawn by the layer itself: the one-pixel border of a child
// with WS_BORDER, the sunken edge of WS_EX_CLIENTEDGE, and for top-level windows a plain frame
// with a title bar showing the window text. Only a capture of the whole window shows it.
#pragma once

#include <string>

#include "platform/winui/image.h"
#include "platform/winui/win_types.h"

namespace skyloom::winui::detail {

struct FrameLook {
    DWORD style = 0;
    DWORD exStyle = 0;
    bool child = false;
    UINT dpi = 96;
    std::u16string title;
};

// Paints the frame onto a picture of the whole window rectangle.
void paintFrame(const Image& picture, const FrameLook& look);

} // namespace skyloom::winui::detail

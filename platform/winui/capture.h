// Pictures of windows as the user would see them: a window's own pixels with its visible
// children laid over them in z-order, each clipped to its parent's client area, and the
// visible pop-ups owned by any of them (an open combo-box list) on top. What is captured is
// what was painted last; pump the window's messages first to capture its current state.
// Capture on the window's own thread, or while that thread waits, so no paint runs meanwhile.
#pragma once

#include <filesystem>

#include "platform/winui/image.h"
#include "platform/winui/win_types.h"

namespace skyloom::winui {

enum class CaptureArea {
    client, // the client area only
    window, // the whole window rectangle with its frame
};

enum class CapturePopups {
    include,  // as the user sees the window
    leaveOut, // the window alone, for a backend that shows each pop-up in a window of its own
};

// An empty image for a handle that is no window.
Image captureWindow(HWND hwnd, CaptureArea area = CaptureArea::client,
                    CapturePopups popups = CapturePopups::include);
// Writes the capture as a PNG file; false when the window does not exist or the file cannot
// be written.
bool captureWindowToPng(HWND hwnd, const std::filesystem::path& file,
                        CaptureArea area = CaptureArea::client);

} // namespace skyloom::winui

// Where the main window and its children lie: the rescaling of the child windows after a DPI
// change, and keeping the window on screen at its saved position.
#include <algorithm>

#include "config/parameters.h"
#include "gui/gui.h"
#include "platform/winui/dpi.h"
#include "platform/winui/monitors.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"

namespace skyloom {
namespace {

// At least this much of the window stays inside the work area on every side, in pixels.
constexpr int kVisibleMarginPx = 48;

// One axis of the window: its start and length against the work area's [low, high).
int lf_keepInside(int start, int length, int low, int high) {
    if (length > high - low) {
        start = low;
    }
    const int end = start + length;
    if (end < low + kVisibleMarginPx) {
        start += low + kVisibleMarginPx - end;
    }
    return std::min(start, high - kVisibleMarginPx);
}

// A coordinate saved at the end of its range stands for a window that was off the virtual
// screen when it was saved: the fallback takes its place.
void lf_replaceClamped(IntParameter& parameter, std::int32_t fallback) {
    if (parameter.value() == parameter.minimum() || parameter.value() == parameter.maximum()) {
        parameter.setValue(parameter.clamp(fallback));
    }
}

} // namespace

void Gui::rescaleChildren(winui::UINT oldDpi, winui::UINT newDpi) {
    const winui::HWND window = window_.load();
    if (window == nullptr || oldDpi == 0 || oldDpi == newDpi) {
        return;
    }
    const int from = static_cast<int>(oldDpi);
    const int to = static_cast<int>(newDpi);
    for (winui::HWND child = winui::GetWindow(window, winui::GW_CHILD); child != nullptr;
         child = winui::GetWindow(child, winui::GW_HWNDNEXT)) {
        winui::RECT rect{};
        if (winui::GetWindowRect(child, &rect) == winui::FALSE) {
            continue;
        }
        winui::MapWindowPoints(nullptr, window, reinterpret_cast<winui::POINT*>(&rect), 2);
        const int left = winui::MulDiv(rect.left, to, from);
        const int top = winui::MulDiv(rect.top, to, from);
        const int width = winui::MulDiv(rect.right - rect.left, to, from);
        const auto listed = controlHeights_.find(child);
        const int height = listed != controlHeights_.end()
                               ? winui::MulDiv(listed->second, to, 96)
                               : winui::MulDiv(rect.bottom - rect.top, to, from);
        winui::SetWindowPos(child, nullptr, left, top, width, height,
                            winui::SWP_NOZORDER | winui::SWP_NOACTIVATE);
    }
}

void Gui::keepOnScreen(ProgramParameters& parameters, std::int32_t fallbackX,
                       std::int32_t fallbackY) {
    const winui::HWND window = window_.load();
    if (window == nullptr) {
        return;
    }
    lf_replaceClamped(parameters.MAIN_WINDOW_X, fallbackX);
    lf_replaceClamped(parameters.MAIN_WINDOW_Y, fallbackY);

    winui::RECT current{};
    if (winui::GetWindowRect(window, &current) == winui::FALSE) {
        return;
    }
    // A minimised or maximised window is checked with the size it is restored to: the saved
    // position is where it goes then.
    winui::RECT sized = current;
    winui::WINDOWPLACEMENT placement;
    placement.length = sizeof placement;
    if (winui::GetWindowPlacement(window, &placement) != winui::FALSE &&
        (placement.showCmd == winui::SW_SHOWMINIMIZED ||
         placement.showCmd == winui::SW_SHOWMAXIMIZED)) {
        sized = placement.rcNormalPosition;
    }
    const int width = sized.right - sized.left;
    const int height = sized.bottom - sized.top;
    const int savedX = parameters.MAIN_WINDOW_X.value();
    const int savedY = parameters.MAIN_WINDOW_Y.value();
    const winui::RECT placed{savedX, savedY, savedX + width, savedY + height};
    winui::MONITORINFO monitor;
    monitor.cbSize = sizeof monitor;
    if (winui::GetMonitorInfoW(winui::MonitorFromRect(&placed, winui::MONITOR_DEFAULTTONEAREST),
                               &monitor) == winui::FALSE) {
        return;
    }
    const winui::RECT& work = monitor.rcWork;
    const int x = lf_keepInside(savedX, width, work.left, work.right);
    const int y = lf_keepInside(savedY, height, work.top, work.bottom);
    if (x != savedX || y != savedY) {
        parameters.MAIN_WINDOW_X.setValue(x);
        parameters.MAIN_WINDOW_Y.setValue(y);
    }
    // The window goes where the (corrected) saved position says, also when only the saved
    // coordinates were replaced: a window left off screen would otherwise stay there.
    const int finalX = parameters.MAIN_WINDOW_X.value();
    const int finalY = parameters.MAIN_WINDOW_Y.value();
    if (finalX != current.left || finalY != current.top) {
        winui::SetWindowPos(window, nullptr, finalX, finalY, 0, 0,
                            winui::SWP_NOSIZE | winui::SWP_NOZORDER | winui::SWP_NOACTIVATE);
    }
}

} // namespace skyloom

// The main window's procedure (lf_WndProc): every message it handles, one handler each.
// Messages it does not handle go to DefWindowProcW.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include <fmt/format.h>

#include "config/option_parameters.h"
#include "config/parameters.h"
#include "config/startup_choices.h"
#include "foundation/log_file.h"
#include "foundation/time_text.h"
#include "foundation/version.h"
#include "gui/gui.h"
#include "gui/gui_layout.h"
#include "gui/gui_messages.h"
#include "gui/gui_palette.h"
#include "gui/main_window.h"
#include "gui/option_controls.h"
#include "platform/winui/dpi.h"
#include "platform/winui/gdi.h"
#include "platform/winui/gdi_objects.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/painting.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"

namespace skyloom {

namespace {

// The main window while it exists: set on WM_CREATE, cleared when it goes.
std::atomic<winui::HWND> g_mainWindow{nullptr};

bool lf_contains(const winui::RECT& rect, int x, int y) {
    return x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
}

} // namespace

winui::HWND gf_mainWindow() noexcept {
    return g_mainWindow.load();
}

// No value for the messages left to the default procedure.
std::optional<winui::LRESULT> MainWindow::handle(winui::HWND window, winui::UINT message,
                                                 winui::WPARAM wParam, winui::LPARAM lParam) {
    switch (message) {
    case winui::WM_CREATE:
        return onCreate(window);
    case winui::WM_PAINT:
        onPaint(window);
        return 0;
    case winui::WM_ERASEBKGND:
        // The painter covers every pixel.
        return 1;
    case winui::WM_CTLCOLORSTATIC:
    case winui::WM_CTLCOLOREDIT:
        return onControlColour(reinterpret_cast<winui::HDC>(wParam));
    case winui::WM_COMMAND:
        if (commandHandler_ ? commandHandler_(window, wParam) : commands_.handle(window, wParam)) {
            return 0;
        }
        return std::nullopt;
    case winui::WM_LBUTTONDOWN:
        onLeftButtonDown(window, lParam);
        return 0;
    case winui::WM_DPICHANGED:
        onDpiChanged(window, wParam, lParam);
        return 0;
    case winui::WM_CLOSE:
        onClose();
        return 0;
    case winui::WM_DESTROY:
        onDestroy(window);
        return 0;
    case MSG_START:
        onStart();
        return 0;
    case MSG_EXIT:
        onExit(window);
        return 0;
    case MSG_GUI_UPDATE:
        gui_.drainUpdateQueue();
        return 0;
    case MSG_SWITCH_SIM:
        onSwitchSimulator();
        return 0;
    default:
        return std::nullopt;
    }
}

winui::LRESULT MainWindow::onCreate(winui::HWND window) {
    g_mainWindow.store(window);
    const bool made = controls_ ? controls_(window) : gf_createControls(gui_, parameters_, window);
    if (made) {
        destination_.subclass(parameters_.DESTINATION.window());
    }
    return made ? 0 : -1;
}

void MainWindow::onPaint(winui::HWND window) {
    winui::PAINTSTRUCT paint;
    const winui::HDC dc = winui::BeginPaint(window, &paint);
    if (dc != nullptr) {
        gui_.paint(dc);
    }
    winui::EndPaint(window, &paint);
}

winui::LRESULT MainWindow::onControlColour(winui::HDC dc) {
    winui::SetBkMode(dc, winui::OPAQUE);
    winui::SetBkColor(dc, kOptionsBlue);
    return reinterpret_cast<winui::LRESULT>(winui::GetStockObject(winui::DC_BRUSH));
}

void MainWindow::onLeftButtonDown(winui::HWND window, winui::LPARAM lParam) {
    const int x = static_cast<std::int16_t>(winui::LOWORD(static_cast<std::uintptr_t>(lParam)));
    const int y = static_cast<std::int16_t>(winui::HIWORD(static_cast<std::uintptr_t>(lParam)));
    if (!lf_contains(gui_.compactHotRect(), x, y)) {
        return;
    }
    gui_.enqueueUpdate(GuiUpdate::ToggleCompact{});
    winui::InvalidateRect(window, nullptr, winui::TRUE);
    winui::UpdateWindow(window);
    parameters_.COLLAPSED.setValue(gui_.state().compact);
}

void MainWindow::onDpiChanged(winui::HWND window, winui::WPARAM wParam, winui::LPARAM lParam) {
    const winui::UINT newDpi = winui::LOWORD(wParam);
    const auto* suggested = reinterpret_cast<const winui::RECT*>(lParam);
    if (newDpi == 0 || suggested == nullptr) {
        return;
    }
    gui_.rescaleChildren(gui_.dpi(), newDpi);
    applyControlFont(window, newDpi);
    gui_.setDpi(newDpi);
    const winui::SIZE size = gf_windowSizeForClient(layoutHeight(), newDpi);
    winui::SetWindowPos(window, nullptr, suggested->left, suggested->top, size.cx, size.cy,
                        winui::SWP_NOZORDER | winui::SWP_NOACTIVATE);
    winui::InvalidateRect(window, nullptr, winui::TRUE);
}

void MainWindow::onClose() {
    // The window stays: the run cleans up in order and ends the program with MSG_EXIT.
    gui_.showStatusText(
        fmt::format("{} close window button clicked, closing {} ...", gf_timeText(), kProgramName),
        false);
    run_.requestUserClose();
}

void MainWindow::onDestroy(winui::HWND window) {
    winui::HWND gone = window;
    g_mainWindow.compare_exchange_strong(gone, nullptr);
    // A window whose creation failed never was the program's window: it leaves no quit.
    if (window != window_) {
        return;
    }
    gui_.stopUpdates();
    quit(0);
}

void MainWindow::onStart() {
    run_.joinRun();
    LogFile::openForRun();
    run_.startRun();
}

void MainWindow::onExit(winui::HWND window) {
    run_.joinRun();

    // The position to save: the restored one of a minimised or maximised window.
    winui::WINDOWPLACEMENT placement;
    placement.length = sizeof placement;
    winui::RECT rect{};
    const bool placed = winui::GetWindowPlacement(window, &placement) != winui::FALSE;
    if (placed && (placement.showCmd == winui::SW_SHOWMINIMIZED ||
                   placement.showCmd == winui::SW_SHOWMAXIMIZED)) {
        rect = placement.rcNormalPosition;
    } else {
        winui::GetWindowRect(window, &rect);
    }
    IntParameter& x = parameters_.MAIN_WINDOW_X;
    IntParameter& y = parameters_.MAIN_WINDOW_Y;
    const std::int32_t previousX = x.value();
    const std::int32_t previousY = y.value();
    x.setValue(x.clamp(rect.left));
    y.setValue(y.clamp(rect.top));
    gui_.keepOnScreen(parameters_, previousX, previousY);

    // The last line of the run: nothing later would flush it.
    LogFile::writeNow(gf_dateTimeText());
    gui_.stopUpdates();
    quit(run_.exitCode());
}

void MainWindow::onSwitchSimulator() {
    const std::string other(gf_isMsfs2020() ? kSimChoiceMsfs2024Text : kSimChoiceMsfs2020Text);
    ChoiceParameter& choice = parameters_.SIM_CHOICE;
    choice.setValue(other);
    if (choice.indexOfCurrent()) {
        choice.selectCurrent();
    }
    gui_.showStatusText(fmt::format("Switching MSFS version in {}", kProgramName), true);
    run_.requestNewSettings(0);
}

} // namespace skyloom

// winui_demo OUTPUT_FOLDER: shows a window with every control kind of the window-system
// stand-in (owner-drawn, automatic and disabled check boxes, push buttons, drop-down combo
// boxes with one list open, edit boxes) on the headless backend and writes it as
// winui_demo_96dpi.png and winui_demo_144dpi.png into the folder.
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <fmt/format.h>

#include "platform/winui/capture.h"
#include "platform/winui/headless/headless_backend.h"
#include "platform/winui/input.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/window.h"
#include "platform/winui/window_geometry.h"
#include "tools/winui_demo/demo_window.h"

namespace {

using namespace skyloom::winui;
namespace demo = skyloom::tools::winui_demo;

bool lf_writeAt(UINT dpi, const std::filesystem::path& folder) {
    HWND hwnd = demo::createDemoWindow(dpi);
    if (hwnd == nullptr) {
        fmt::print(stderr, "winui_demo: the window could not be created at {} DPI\n", dpi);
        return false;
    }
    pumpWaitingMessages();
    // Open the stand list as a user would, by clicking the box.
    HWND stands = GetDlgItem(hwnd, demo::kListComboId);
    RECT box;
    GetClientRect(stands, &box);
    injectClickInWindow(stands, POINT{box.right / 2, box.bottom / 2});
    pumpWaitingMessages();
    const auto file = folder / fmt::format("winui_demo_{}dpi.png", dpi);
    const bool written = captureWindowToPng(hwnd, file);
    DestroyWindow(hwnd);
    pumpWaitingMessages();
    if (!written) {
        fmt::print(stderr, "winui_demo: could not write {}\n", file.string());
        return false;
    }
    fmt::print("{}\n", file.string());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fmt::print(stderr, "usage: winui_demo OUTPUT_FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        fmt::print(stderr, "winui_demo: cannot create {}: {}\n", folder.string(), error.message());
        return 1;
    }
    headless::installHeadlessBackend();
    if (!demo::registerDemoClass()) {
        fmt::print(stderr, "winui_demo: the window class could not be registered\n");
        return 1;
    }
    const bool ok = lf_writeAt(96, folder) && lf_writeAt(144, folder);
    return ok ? 0 : 1;
}

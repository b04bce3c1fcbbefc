// The main window's class, its start-up (initInstance) and the message loop.
#include "gui/main_window.h"

#include <exception>
#include <utility>

#include <fmt/format.h>

#include "config/program_paths.h"
#include "config/window_position.h"
#include "foundation/log_file.h"
#include "foundation/utf.h"
#include "gui/gui.h"
#include "gui/gui_layout.h"
#include "gui/gui_messages.h"
#include "gui/gui_text.h"
#include "gui/option_controls.h"
#include "platform/winui/dialogs.h"
#include "platform/winui/dpi.h"
#include "platform/winui/gdi_objects.h"
#include "platform/winui/last_error.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/painting.h"
#include "platform/winui/resources.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_class.h"
#include "platform/winui/window_geometry.h"

namespace skyloom {

namespace {

constexpr std::u16string_view kProgramTitle = u"Skyloom";

} // namespace

int gf_showMessageBox(std::string_view text, winui::UINT type) {
    try {
        const std::u16string wide = utf8_to_wide(text);
        return winui::MessageBoxW(gf_mainWindow(), wide.c_str(), kProgramTitle.data(), type);
    } catch (const std::exception& error) {
        LogFile::writeImportant(fmt::format("Message box '{}' not shown: {}", text, error.what()));
        return 0;
    }
}

void gf_registerProgramResources() {
    winui::registerStringResource(kTitleResourceId, kProgramTitle);
    winui::registerIconResource(kIconResourceId);
}

MainWindow::MainWindow(Gui& gui, ProgramParameters& parameters, MainWindowRun& run,
                       ControlsBuilder controls)
    : gui_(gui), parameters_(parameters), run_(run), controls_(std::move(controls)),
      commands_(gui, parameters, run), destination_(gui, parameters), parametersFile_(gf_parametersPath()) {}

MainWindow::~MainWindow() {
    destroy();
    if (gui_.window() == window_) {
        gui_.setWindow(nullptr);
    }
    if (classRegistered_) {
        winui::UnregisterClassW(title_.c_str(), nullptr);
    }
}

bool MainWindow::loadTitle() {
    char16_t buffer[kTitleCapacity] = {};
    const int length = winui::LoadStringW(winui::GetModuleHandleW(nullptr), kTitleResourceId,
                                          buffer, kTitleCapacity);
    if (length <= 0) {
        return false;
    }
    title_.assign(buffer, static_cast<std::size_t>(length));
    return true;
}

bool MainWindow::registerClass() {
    if (classRegistered_) {
        return true;
    }
    const winui::HINSTANCE instance = winui::GetModuleHandleW(nullptr);
    winui::WNDCLASSEXW windowClass;
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = winui::CS_HREDRAW | winui::CS_VREDRAW;
    windowClass.lpfnWndProc = &MainWindow::windowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = winui::LoadIconW(
        instance, winui::MAKEINTRESOURCEW(static_cast<winui::WORD>(kIconResourceId)));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = winui::LoadCursorW(nullptr, winui::IDC_ARROW);
    windowClass.hbrBackground =
        static_cast<winui::HBRUSH>(winui::GetStockObject(winui::BLACK_BRUSH));
    windowClass.lpszClassName = title_.c_str();
    classRegistered_ = winui::RegisterClassExW(&windowClass) != 0;
    return classRegistered_;
}

winui::HWND MainWindow::create() {
    if (window_ != nullptr) {
        return window_;
    }
    if (!registerClass()) {
        return nullptr;
    }
    // 1. This thread is the GUI thread from now on.
    gui_.recordGuiThread();
    // 2. Awareness that is already set cannot change: that is no failure.
    if (winui::SetProcessDpiAwarenessContext(winui::DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) ==
            winui::FALSE &&
        winui::GetLastError() != winui::ERROR_ACCESS_DENIED) {
        LogFile::writeImportant(
            fmt::format("SetProcessDpiAwarenessContext failed: {}", winui::GetLastError()));
    }
    // 3. and 4. The fonts: the painter's at 96 DPI (its mapping scales them), the controls'
    // at the system DPI.
    gui_.setDpi(winui::GetDpiForSystem());
    gui_.setTextFonts(gf_createGuiFont(false, 96), gf_createGuiFont(true, 96));
    gui_.setControlFont(gf_createGuiFont(false, gui_.dpi()));
    if (gui_.textFont() == nullptr || gui_.boldFont() == nullptr || gui_.controlFont() == nullptr) {
        LogFile::writeImportant("Creating GUI fonts failed");
        return nullptr;
    }
    // 5. The saved position, read before the worker loads the parameters store.
    const WindowPosition position = gf_readWindowPosition(parameters_, parametersFile_);
    // 6. The window, with its controls made in 96-DPI units.
    const winui::SIZE size = gf_windowSizeForClient(kLayoutHeightExpanded, gui_.dpi());
    const winui::HWND window = winui::CreateWindowExW(
        0, title_.c_str(), title_.c_str(), kMainWindowStyle, position.x, position.y, size.cx,
        size.cy, nullptr, nullptr, winui::GetModuleHandleW(nullptr), this);
    if (window == nullptr) {
        return nullptr;
    }
    // 7. Scaled for the DPI of the monitor the window opened on.
    window_ = window;
    gui_.setWindow(window);
    const winui::UINT dpi = winui::GetDpiForWindow(window);
    gui_.rescaleChildren(96, dpi);
    applyControlFont(window, dpi);
    gui_.setDpi(dpi);
    gui_.invalidateParts(GuiRedrawFlags::resize());
    // 8. to 10.
    gui_.keepOnScreen(parameters_, kDefaultWindowX, kDefaultWindowY);
    gui_.postUpdatesQueuedBeforeWindow();
    winui::ShowWindow(window, winui::SW_SHOW);
    winui::UpdateWindow(window);
    return window;
}

int MainWindow::run() {
    if (create() == nullptr) {
        return 0;
    }
    quitPosted_ = false;
    if (winui::PostMessageW(window_, MSG_START, 0, 0) == winui::FALSE) {
        LogFile::writeImportant(fmt::format("Posting MSG_START failed: {}", winui::GetLastError()));
        return 0;
    }
    winui::MSG message;
    while (true) {
        const winui::BOOL got = winui::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            return static_cast<int>(message.wParam);
        }
        if (got == -1) {
            LogFile::writeImportant(fmt::format("GetMessageW failed: {}", winui::GetLastError()));
            return 0;
        }
        winui::TranslateMessage(&message);
        winui::DispatchMessageW(&message);
    }
}

void MainWindow::destroy() {
    // The window's end must not leave a quit behind for the thread's next message loop.
    quitPosted_ = true;
    if (window_ != nullptr && winui::IsWindow(window_) != winui::FALSE) {
        winui::DestroyWindow(window_);
    }
}

void MainWindow::quit(int exitCode) {
    if (!quitPosted_) {
        quitPosted_ = true;
        winui::PostQuitMessage(exitCode);
    }
}

bool MainWindow::applyControlFont(winui::HWND window, winui::UINT dpi) {
    const winui::HFONT font = gf_createGuiFont(false, dpi);
    if (font == nullptr) {
        return false;
    }
    gui_.setControlFont(font);
    winui::EnumChildWindows(
        window,
        [](winui::HWND child, winui::LPARAM childFont) -> winui::BOOL {
            // lf_setChildFont: with redraw, and on to the next child.
            winui::SendMessageW(child, winui::WM_SETFONT, static_cast<winui::WPARAM>(childFont),
                                winui::TRUE);
            return winui::TRUE;
        },
        reinterpret_cast<winui::LPARAM>(font));
    return true;
}

int MainWindow::layoutHeight() const {
    return gf_guiBands(gui_.state().compact, gui_.state().parkAirport.isSet()).height;
}

winui::LRESULT MainWindow::windowProc(winui::HWND window, winui::UINT message, winui::WPARAM wParam,
                                      winui::LPARAM lParam) {
    if (message == winui::WM_NCCREATE) {
        const auto* create = reinterpret_cast<const winui::CREATESTRUCTW*>(lParam);
        winui::SetWindowLongPtrW(window, winui::GWLP_USERDATA,
                                 reinterpret_cast<winui::LONG_PTR>(create->lpCreateParams));
    }
    auto* self =
        reinterpret_cast<MainWindow*>(winui::GetWindowLongPtrW(window, winui::GWLP_USERDATA));
    if (self != nullptr) {
        if (const std::optional<winui::LRESULT> result =
                self->handle(window, message, wParam, lParam)) {
            return *result;
        }
    }
    return winui::DefWindowProcW(window, message, wParam, lParam);
}

} // namespace skyloom

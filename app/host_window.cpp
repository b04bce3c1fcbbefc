#include "app/host_window.h"

#include <optional>
#include <string>

#include <fmt/format.h>

#include "app/main_worker.h"
#include "app/process_entry.h"
#include "foundation/log_file.h"
#include "foundation/time_text.h"
#include "foundation/version.h"
#include "gui/gui.h"
#include "gui/gui_layout.h"
#include "gui/gui_messages.h"
#include "platform/winui/dpi.h"
#include "platform/winui/last_error.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_class.h"
#include "runtime/stop_request.h"

namespace skyloom {
namespace {

constexpr const char16_t* kClassName = u"Skyloom";
constexpr const char16_t* kTitle = u"Skyloom";
constexpr int kDefaultX = 400;
constexpr int kDefaultY = 20;
// No message is ever posted with this number: a peek for it takes no posted message and only
// answers those sent to the thread.
constexpr winui::UINT kNeverPosted = winui::WM_APP - 1;

// While the GUI thread waits for a run, the run may send to a window of this thread (a
// control, a dialog's owner) and would wait for ever for an answer; posted messages wait for
// the message loop.
void lf_answerSentMessages() {
    winui::MSG message;
    winui::PeekMessageW(&message, nullptr, kNeverPosted, kNeverPosted, winui::PM_NOREMOVE);
}

} // namespace

HostWindow::HostWindow(MainRunContext context, MainWorker& worker, ContentBuilder contentBuilder)
    : context_(std::move(context)), worker_(worker), contentBuilder_(std::move(contentBuilder)) {}

HostWindow::~HostWindow() {
    // The window's end must not leave a quit behind for the thread's next message loop.
    quitPosted_ = true;
    if (window_ != nullptr && winui::IsWindow(window_) != winui::FALSE) {
        winui::DestroyWindow(window_);
    }
    worker_.stopAndJoin(&lf_answerSentMessages);
    if (context_.gui.window() == window_) {
        context_.gui.setWindow(nullptr);
    }
    if (classRegistered_) {
        winui::UnregisterClassW(kClassName, nullptr);
    }
}

bool HostWindow::registerClass() {
    if (classRegistered_) {
        return true;
    }
    winui::WNDCLASSEXW windowClass;
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &HostWindow::windowProc;
    windowClass.lpszClassName = kClassName;
    classRegistered_ = winui::RegisterClassExW(&windowClass) != 0;
    return classRegistered_;
}

winui::HWND HostWindow::create() {
    if (window_ != nullptr) {
        return window_;
    }
    if (!registerClass()) {
        return nullptr;
    }
    context_.gui.recordGuiThread();
    const winui::SIZE size =
        gf_windowSizeForClient(kLayoutHeightExpanded, winui::GetDpiForSystem());
    window_ = winui::CreateWindowExW(0, kClassName, kTitle, kMainWindowStyle | winui::WS_VISIBLE,
                                     kDefaultX, kDefaultY, size.cx, size.cy, nullptr, nullptr,
                                     nullptr, this);
    if (window_ == nullptr) {
        return nullptr;
    }
    context_.gui.setWindow(window_);
    context_.gui.postUpdatesQueuedBeforeWindow();
    return window_;
}

int HostWindow::run() {
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

void HostWindow::quit(int exitCode) {
    if (!quitPosted_) {
        quitPosted_ = true;
        winui::PostQuitMessage(exitCode);
    }
}

winui::LRESULT HostWindow::windowProc(winui::HWND window, winui::UINT message, winui::WPARAM wParam,
                                      winui::LPARAM lParam) {
    if (message == winui::WM_NCCREATE) {
        const auto* create = reinterpret_cast<const winui::CREATESTRUCTW*>(lParam);
        winui::SetWindowLongPtrW(window, winui::GWLP_USERDATA,
                                 reinterpret_cast<winui::LONG_PTR>(create->lpCreateParams));
    }
    auto* host =
        reinterpret_cast<HostWindow*>(winui::GetWindowLongPtrW(window, winui::GWLP_USERDATA));
    if (host != nullptr) {
        if (const std::optional<winui::LRESULT> result =
                host->handle(window, message, wParam, lParam)) {
            return *result;
        }
    }
    return winui::DefWindowProcW(window, message, wParam, lParam);
}

// No value for the messages left to the default procedure.
std::optional<winui::LRESULT> HostWindow::handle(winui::HWND window, winui::UINT message,
                                                 winui::WPARAM, winui::LPARAM) {
    switch (message) {
    case winui::WM_CREATE:
        return contentBuilder_ && !contentBuilder_(window) ? -1 : 0;
    case MSG_START:
        worker_.join(&lf_answerSentMessages);
        LogFile::open();
        for (const std::string& line : gf_takeNotesForLog()) {
            LogFile::writeImportant(line);
        }
        worker_.start(context_);
        return 0;
    case MSG_EXIT:
        worker_.join(&lf_answerSentMessages);
        // The last line of the run: nothing later would flush it.
        LogFile::writeNow(gf_dateTimeText());
        context_.gui.stopUpdates();
        quit(gf_processExitCode());
        return 0;
    case MSG_GUI_UPDATE:
        context_.gui.drainUpdateQueue();
        return 0;
    case winui::WM_CLOSE:
        context_.gui.showStatusText(fmt::format("{} close window button clicked, closing {} ...",
                                                gf_timeText(), kProgramName),
                                    false);
        gf_requestStop(context_.stop, StopReason::userClosedSim, 0);
        return 0;
    case winui::WM_DESTROY:
        // A window whose creation failed never was the program's window: it leaves no quit.
        if (window == window_) {
            context_.gui.stopUpdates();
            quit(0);
        }
        return 0;
    default:
        return std::nullopt;
    }
}

} // namespace skyloom

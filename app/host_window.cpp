#include "app/host_window.h"

#include <string>

#include "app/main_worker.h"
#include "app/process_entry.h"
#include "app/window_requests.h"
#include "runtime/stop_request.h"
#include "config/parameters.h"
#include "foundation/log_file.h"
#include "gui/gui.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"

namespace skyloom {
namespace {

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
    : context_(std::move(context)), worker_(worker),
      window_(context_.gui, gf_params(), *this, std::move(contentBuilder)) {
    gf_registerProgramResources();
}

HostWindow::~HostWindow() {
    window_.destroy();
    worker_.stopAndJoin(&lf_answerSentMessages);
}

void HostWindow::joinRun() {
    worker_.join(&lf_answerSentMessages);
}

void HostWindow::startRun() {
    for (const std::string& line : gf_takeNotesForLog()) {
        LogFile::writeImportant(line);
    }
    worker_.start(context_);
}

void HostWindow::requestUserClose() {
    gf_requestStop(context_.stop, StopReason::userClosedSim, 0);
}

void HostWindow::requestNewSettings(std::int32_t countdownSeconds) {
    gf_requestStop(context_.stop, StopReason::newSettings, countdownSeconds);
}

const UserAircraft& HostWindow::userAircraft() const {
    return context_.user;
}

WindowRequests& HostWindow::requests() {
    return context_.requests;
}

int HostWindow::exitCode() const {
    return gf_processExitCode();
}

} // namespace skyloom

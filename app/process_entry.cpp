#include "app/process_entry.h"

#include <atomic>
#include <exception>
#include <mutex>
#include <string>
#include <utility>

#include <fmt/format.h>

#include "app/close_on_signals.h"
#include "app/headless_notices.h"
#include "app/host_window.h"
#include "app/main_run_context.h"
#include "app/main_worker.h"
#include "app/program_parking.h"
#include "app/program_services.h"
#include "app/sim_world_choice.h"
#include "app/unsaved_files_notice.h"
#include "config/configuration.h"
#include "config/program_paths.h"
#include "foundation/log_file.h"
#include "foundation/text.h"
#include "foundation/version.h"
#include "platform/os/instance_lock.h"

namespace skyloom {
namespace {

std::atomic<bool> g_productionJob{false};
std::atomic<int> g_processExitCode{0};


std::mutex g_notesMutex;
std::vector<std::string> g_notesForLog; // under g_notesMutex

// The log opens with the first run; a failure before it opens the log for its own line (the
// program ends at once, so no run reopens it).
void lf_logEntryFailure(const std::string& text, bool important) noexcept {
    try {
        if (LogFile::currentPath().empty()) {
            LogFile::open();
        }
        if (important) {
            LogFile::writeImportant(text);
        } else {
            LogFile::writeNow(text);
        }
    } catch (...) {
        // Nowhere left to say it.
    }
}

// A log that a full disk cut short cannot say so itself, nor which files the disk refused.
void lf_reportLostLogLines() noexcept {
    try {
        for (const std::string& line : gf_unsavedFilesText(gf_unsavedFiles())) {
            gf_writeNoticeToStandardError(line);
        }
        const LogLoss loss = LogFile::loss();
        if (loss.lines != 0) {
            gf_writeNoticeToStandardError(
                fmt::format("{} line{} of the log could not be written: {}", loss.lines,
                            loss.lines == 1 ? "" : "s", loss.reason));
        }
    } catch (...) {
        // Nowhere left to say it.
    }
}

int lf_runHolding(const os::InstanceLock& lock, const std::function<int()>& body,
                  SecondInstanceNotice notice) {
    switch (lock.status()) {
    case os::InstanceLockStatus::held:
        return body();
    case os::InstanceLockStatus::busy:
        if (notice == SecondInstanceNotice::standardError) {
            gf_writeNoticeToStandardError(gf_alreadyRunningText(lock.file()));
        }
        return kSecondInstanceExitCode;
    case os::InstanceLockStatus::error:
        break;
    }
    gf_noteForLog(fmt::format("The single-instance lock failed, {} runs without it: {}",
                              kProgramName, lock.error()));
    return body();
}

} // namespace

bool gf_hasProductionSwitch(std::span<const std::string> arguments) noexcept {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (gf_equalsIgnoringCase(arguments[i], kProductionSwitch)) {
            return true;
        }
    }
    return false;
}

void gf_setProductionJob(bool requested) noexcept {
    g_productionJob.store(requested);
}

bool gf_productionJob() noexcept {
    return g_productionJob.load();
}

void gf_setProcessExitCode(int code) noexcept {
    g_processExitCode.store(code);
}

int gf_processExitCode() noexcept {
    return g_processExitCode.load();
}

std::string gf_alreadyRunningText(const std::filesystem::path& lockFile) {
    return fmt::format("{} is already running (lock file {})", kProgramName,
                       gf_pathToUtf8(lockFile));
}

int gf_runAsSingleInstance(const std::function<int()>& body, SecondInstanceNotice notice) {
    const os::InstanceLock lock{std::string(kInstanceLockName)};
    return lf_runHolding(lock, body, notice);
}

int gf_runAsSingleInstance(const std::filesystem::path& lockFolder,
                           const std::function<int()>& body, SecondInstanceNotice notice) {
    const os::InstanceLock lock{std::string(kInstanceLockName), lockFolder};
    return lf_runHolding(lock, body, notice);
}

void gf_noteForLog(std::string line) {
    std::lock_guard lock(g_notesMutex);
    g_notesForLog.push_back(std::move(line));
}

std::vector<std::string> gf_takeNotesForLog() {
    std::lock_guard lock(g_notesMutex);
    return std::exchange(g_notesForLog, {});
}

int gf_runMainWindow(HostWindow& window, std::span<const std::string> arguments) {
    const bool production = gf_hasProductionSwitch(arguments);
    if (!window.loadTitle()) {
        lf_logEntryFailure("Failed to load application title", false);
        return 0;
    }
    if (!window.registerClass()) {
        lf_logEntryFailure("Failed to register window class", false);
        return 0;
    }
    std::string reason;
    if (!gf_createSettingsFolder(&reason)) {
        lf_logEntryFailure(fmt::format("Failed to create directory: '{}': {}",
                                       gf_pathToUtf8(gf_settingsFolder()), reason),
                           false);
        return 0;
    }
    if (window.create() == nullptr) {
        lf_logEntryFailure("initInstance failed", true);
        return 0;
    }
    gf_setProductionJob(production);
    const CloseOnSignals closeOnSignals(window.window());
    return window.run();
}

int gf_runProgram(std::span<const std::string> arguments) noexcept {
    try {
        gf_installConfigurationHooks();
        if (const auto world = gf_simWorldFile(arguments)) {
            const std::string failure = gf_installSimWorld(*world);
            if (!failure.empty()) {
                gf_writeNoticeToStandardError(failure);
                lf_logEntryFailure(failure, true);
                return kBadWorldExitCode;
            }
        }
        gf_installParkAirportLinks(gf_runServices());
        HostWindow window(gf_programRunContext(), gf_mainWorker());
        const int exitCode = gf_runMainWindow(window, arguments);
        gf_endSimWorld();
        lf_reportLostLogLines();
        return exitCode;
    } catch (const std::exception& e) {
        lf_logEntryFailure(fmt::format("Windows startup failed: {}", e.what()), true);
    } catch (...) {
        lf_logEntryFailure("Windows startup failed with an unknown exception", true);
    }
    return 0;
}

} // namespace skyloom

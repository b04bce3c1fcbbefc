#include "app/process_entry.h"

#include <atomic>
#include <exception>
#include <string>

#include <fmt/format.h>

#include "app/host_window.h"
#include "app/main_run_context.h"
#include "app/main_worker.h"
#include "config/configuration.h"
#include "foundation/log_file.h"
#include "platform/os/instance_lock.h"

namespace skyloom {
namespace {

std::atomic<bool> g_productionJob{false};
std::atomic<int> g_processExitCode{0};

bool lf_equalsIgnoringCase(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

void lf_logImportant(const std::string& text) noexcept {
    try {
        LogFile::writeImportant(text);
    } catch (...) {
    }
}

int lf_runHolding(const os::InstanceLock& lock, const std::function<int()>& body) {
    if (!lock.held()) {
        return kSecondInstanceExitCode;
    }
    return body();
}

} // namespace

bool gf_hasProductionSwitch(std::span<const std::string> arguments) noexcept {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (lf_equalsIgnoringCase(arguments[i], kProductionSwitch)) {
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

int gf_runAsSingleInstance(const std::function<int()>& body) {
    const os::InstanceLock lock{std::string(kInstanceLockName)};
    return lf_runHolding(lock, body);
}

int gf_runAsSingleInstance(const std::filesystem::path& lockFolder,
                           const std::function<int()>& body) {
    const os::InstanceLock lock{std::string(kInstanceLockName), lockFolder};
    return lf_runHolding(lock, body);
}

int gf_runProgram(std::span<const std::string> arguments) noexcept {
    try {
        gf_installConfigurationHooks();
        gf_setProductionJob(gf_hasProductionSwitch(arguments));
        HostWindow window(gf_programRunContext(), gf_mainWorker());
        return window.run();
    } catch (const std::exception& e) {
        lf_logImportant(fmt::format("Windows startup failed: {}", e.what()));
    } catch (...) {
        lf_logImportant("Windows startup failed with an unknown exception");
    }
    return 0;
}

} // namespace skyloom

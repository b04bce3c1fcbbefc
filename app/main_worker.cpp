#include "app/main_worker.h"

#include <exception>

#include <fmt/format.h>

#include "foundation/log_file.h"

namespace skyloom {

MainWorker::~MainWorker() {
    stopAndJoin();
}

void MainWorker::start(MainRunContext context) {
    join();
    context_ = std::move(context);
    thread_ = std::jthread([this](std::stop_token token) {
        // Nothing may leave the thread: a stray exception would end the process.
        try {
            MainRunEnd end = gf_runMain(context_, std::move(token));
            std::lock_guard lock(endMutex_);
            lastEnd_ = end;
        } catch (const std::exception& e) {
            LogFile::writeNoThrow(fmt::format("lf_main exception: {}", e.what()));
        } catch (...) {
            LogFile::writeNoThrow("Exception in lf_main");
        }
    });
}

void MainWorker::join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void MainWorker::stopAndJoin() {
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
}

std::optional<MainRunEnd> MainWorker::lastEnd() const {
    std::lock_guard lock(endMutex_);
    return lastEnd_;
}

MainWorker& gf_mainWorker() {
    static MainWorker worker;
    return worker;
}

} // namespace skyloom

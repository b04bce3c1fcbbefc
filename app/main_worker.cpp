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
    context_.emplace(std::move(context));
    {
        std::lock_guard lock(bodyMutex_);
        bodyRunning_ = true;
    }
    try {
        thread_ = std::jthread([this](std::stop_token token) {
            // Nothing may leave the thread: a stray exception would end the process.
            try {
                MainRunEnd end = gf_runMain(*context_, std::move(token));
                std::lock_guard lock(endMutex_);
                lastEnd_ = end;
            } catch (const std::exception& e) {
                LogFile::writeNoThrow(fmt::format("lf_main exception: {}", e.what()));
            } catch (...) {
                LogFile::writeNoThrow("Exception in lf_main");
            }
            std::lock_guard lock(bodyMutex_);
            bodyRunning_ = false;
            bodyEnded_.notify_all();
        });
    } catch (...) {
        std::lock_guard lock(bodyMutex_);
        bodyRunning_ = false;
        throw;
    }
}

bool MainWorker::waitForBodyEnd(std::chrono::milliseconds timeout) {
    std::unique_lock lock(bodyMutex_);
    return bodyEnded_.wait_for(lock, timeout, [this] { return !bodyRunning_; });
}

void MainWorker::join(const std::function<void()>& whileWaiting) {
    if (!thread_.joinable()) {
        return;
    }
    if (whileWaiting) {
        while (!waitForBodyEnd(kJoinPollInterval)) {
            whileWaiting();
        }
    }
    thread_.join();
}

void MainWorker::stopAndJoin(const std::function<void()>& whileWaiting) {
    if (thread_.joinable()) {
        thread_.request_stop();
        join(whileWaiting);
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

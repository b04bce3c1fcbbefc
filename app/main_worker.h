// The main worker thread object: one stoppable thread that runs the main worker's body
// (gf_runMain), at most one at a time. The main window starts it on MSG_START, after joining
// the run that posted it, and joins it on MSG_EXIT; the worker posts one of the two as its
// last act, so those joins return promptly. The window opens the log afresh before each start.
// A stop of the thread object marks the run's wish to exit, so every loop that polls the run's
// stop request ends as well. A GUI thread that joins keeps answering the messages sent to
// it meanwhile (`whileWaiting`): a run that sends to a window would otherwise wait for ever.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "app/main_run.h"
#include "app/main_run_context.h"

namespace skyloom {

class MainWorker {
public:
    MainWorker() = default;
    // Stops and joins a worker that still runs.
    ~MainWorker();
    MainWorker(const MainWorker&) = delete;
    MainWorker& operator=(const MainWorker&) = delete;

    // Joins the previous run (it has ended or is about to) and starts a new one with
    // `context`, which is kept by the worker for the run. Throws std::system_error when the
    // thread cannot be made.
    void start(MainRunContext context);
    // Waits for the run to end; `whileWaiting`, when given, is called every
    // kJoinPollInterval until it has.
    void join(const std::function<void()>& whileWaiting = {});
    // Asks a run that still goes to stop (as when its window is gone) and joins it as join().
    void stopAndJoin(const std::function<void()>& whileWaiting = {});
    bool joinable() const noexcept { return thread_.joinable(); }

    // How the last finished run ended.
    std::optional<MainRunEnd> lastEnd() const;

    static constexpr std::chrono::milliseconds kJoinPollInterval{2};

private:
    // True once the thread's body has returned (or none was started).
    bool waitForBodyEnd(std::chrono::milliseconds timeout);

    std::jthread thread_;
    std::mutex bodyMutex_;
    std::condition_variable bodyEnded_;
    bool bodyRunning_ = false; // under bodyMutex_
    std::optional<MainRunContext> context_;
    mutable std::mutex endMutex_;
    std::optional<MainRunEnd> lastEnd_;
};

// The program's worker.
MainWorker& gf_mainWorker();

} // namespace skyloom

#include "feed/rtapi_reader_threads.h"

#include <algorithm>
#include <exception>
#include <string>

#include <fmt/format.h>

#include "feed/rtapi_settings.h"
#include "foundation/log_file.h"
#include "platform/os/thread_name.h"
#include "runtime/stop_reports.h"
#include "runtime/stop_request.h"

namespace skyloom {

namespace {

// Waits until `wait` has passed on the clock, the thread is asked to stop or the reader is
// done. The readers only watch the clock and never move it: they pause in short real-time
// slices, so that a test's manual clock stays in the hands of whoever drives it (the main
// loop, or the test itself).
void lf_pause(const Clock& clock, const RtApiReaderBase& reader, std::chrono::milliseconds wait,
              const std::stop_token& token) {
    const Clock::SteadyTime until = clock.steadyNow() + wait;
    while (!token.stop_requested() && reader.keepGoing() && clock.steadyNow() < until) {
        std::this_thread::sleep_for(kRtApiPauseSliceMs);
    }
}

template <class Reader> void lf_runReader(Reader& reader, const std::stop_token& token) {
    const std::string name(reader.name());
    os::setCurrentThreadName(name);
    const RtApiEnvironment& env = reader.environment();
    LogFile::write(fmt::format("{} started", name));
    reader.setState(ReaderState::waitingForData);
    try {
        while (!token.stop_requested()) {
            const RtApiStep step = reader.step();
            if (step.stop) {
                break;
            }
            lf_pause(env.run.clock, reader, step.wait, token);
        }
    } catch (const std::exception& e) {
        LogFile::writeImportant(fmt::format("{} exception: {}", name, e.what()));
        gf_showRtApiError(env.run.window, env.run.stop, name, true, 0);
    } catch (...) {
        LogFile::writeImportant(fmt::format("Exception in {}", name));
        gf_requestStop(env.run.stop, StopReason::readerError, 15);
    }
    reader.setState(ReaderState::notRunning);
    reader.logFailuresAtStop();
    LogFile::write(fmt::format("{} stopped", name));
}

} // namespace

RtApiReaderThreads::RtApiReaderThreads(const RtApiEnvironment& environment)
    : env_(environment), traffic_(std::make_unique<RtApiTrafficReader>(environment)),
      weather_(std::make_unique<RtApiWeatherReader>(environment)) {
    trafficThread_ =
        std::jthread([this](std::stop_token token) { lf_runReader(*traffic_, token); });
    try {
        weatherThread_ =
            std::jthread([this](std::stop_token token) { lf_runReader(*weather_, token); });
    } catch (...) {
        stopAndJoin();
        throw;
    }
}

RtApiReaderThreads::~RtApiReaderThreads() {
    stopAndJoin();
}

void RtApiReaderThreads::stopAndJoin() {
    traffic_->halt();
    weather_->halt();
    const bool trafficRan = trafficThread_.joinable();
    for (std::jthread* thread : {&trafficThread_, &weatherThread_}) {
        if (thread->joinable()) {
            thread->request_stop();
            thread->join();
        }
    }
    if (trafficRan) {
        traffic_->logReceipts();
    }
}

bool RtApiReaderThreads::waitForFirstTraffic(std::chrono::milliseconds timeout) {
    Clock& clock = env_.run.clock;
    const Clock::SteadyTime until = clock.steadyNow() + timeout;
    while (!traffic_->firstReplyDone()) {
        const Clock::SteadyTime now = clock.steadyNow();
        if (now >= until || !env_.run.stop.keepRunning() || !trafficThread_.joinable()) {
            return false;
        }
        clock.sleepUntil(std::min(until, now + kRtApiWaitSliceMs));
    }
    return true;
}

} // namespace skyloom

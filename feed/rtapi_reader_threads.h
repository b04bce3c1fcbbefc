// The threads of the RealTraffic web API road: "Traffic RTAPIreader" and "Weather RTAPIreader",
// each running its reader's rounds (feed/rtapi_readers.h) and waiting between them until the
// environment's clock has moved on (looking every 20 ms, so that a stop is noticed at once).
// The threads never move the clock themselves. A reader shows
// "running without data yet" in the window when it starts and "not running" when it ends. An
// exception that escapes a round is logged ("{thread} exception: {}") and reported as the
// reader's failure.
#pragma once

#include <chrono>
#include <memory>
#include <thread>

#include "feed/rtapi_readers.h"

namespace skyloom {

class RtApiReaderThreads {
public:
    // Starts both threads. Throws std::system_error when a thread cannot be made (the one
    // already started is stopped again).
    explicit RtApiReaderThreads(const RtApiEnvironment& environment);
    // Stops and joins both.
    ~RtApiReaderThreads();
    RtApiReaderThreads(const RtApiReaderThreads&) = delete;
    RtApiReaderThreads& operator=(const RtApiReaderThreads&) = delete;

    // Asks both readers to end (a transfer under way is abandoned) and joins them.
    void stopAndJoin();

    // True once the traffic reader has handed on its first reply.
    bool firstTrafficDone() const noexcept { return traffic_->firstReplyDone(); }
    // Waits on the environment's clock until the first traffic reply is in (true), or the
    // time is up or the run stops (false).
    bool waitForFirstTraffic(std::chrono::milliseconds timeout);

    RtApiTrafficReader& trafficReader() noexcept { return *traffic_; }
    RtApiWeatherReader& weatherReader() noexcept { return *weather_; }

private:
    RtApiEnvironment env_;
    std::unique_ptr<RtApiTrafficReader> traffic_;
    std::unique_ptr<RtApiWeatherReader> weather_;
    std::jthread trafficThread_;
    std::jthread weatherThread_;
};

} // namespace skyloom
